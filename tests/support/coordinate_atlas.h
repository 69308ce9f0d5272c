// An atlas whose texels hold their own coordinates: red and green the low
// bytes of s and t, blue their high bits (s >> 8 | (t >> 8) << 2), so a pixel
// read back tells which texel was drawn there. Loaded through the texture
// manager under ref, filtered nearest.
#pragma once
#include <ostream>

void load_coordinate_atlas(int ref, int size);

struct atlas_texel {
	int s, t;  // -1, -1: blue above 15, no texel of such an atlas
	bool operator==(atlas_texel const& o) const { return s == o.s && t == o.t; }
};
atlas_texel decode_atlas_texel(unsigned char r, unsigned char g, unsigned char b);
std::ostream& operator<<(std::ostream& o, atlas_texel const& t);
// The character whose cell of the interface fonts' grids (from s 0 and from
// s 168, cells of 8 x 11) holds a texel of atlas 363; 0 outside the grids.
char atlas_glyph(atlas_texel const& t);
