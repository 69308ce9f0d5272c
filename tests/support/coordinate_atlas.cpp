#include "support/coordinate_atlas.h"

#include <GL/gl.h>

#include <cstring>

#include "graphics/tman.h"
#include "graphics/tman_image.h"

void load_coordinate_atlas(int ref, int size)
{
	scratch_dx = scratch_dy = size;
	for (int t = 0; t < size; ++t)
		for (int s = 0; s < size; ++s) {
			unsigned char* p = scratch_array + (static_cast<size_t>(t) * size + s) * 4;
			p[0] = static_cast<unsigned char>(s & 255);
			p[1] = static_cast<unsigned char>(t & 255);
			p[2] = static_cast<unsigned char>((s >> 8) | ((t >> 8) << 2));
			p[3] = 255;
		}
	tman.load_texture(tex_fail_log, ref, 2 | tex_flag_full_res, tex_load_now, "scratch_array:atlas");
	glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(ref));
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
	tman.reset_bind();
}

atlas_texel decode_atlas_texel(unsigned char r, unsigned char g, unsigned char b)
{
	if (b > 15) return {-1, -1};
	return {r | ((b & 3) << 8), g | ((b >> 2) << 8)};
}

std::ostream& operator<<(std::ostream& o, atlas_texel const& t) { return o << "(" << t.s << ", " << t.t << ")"; }

char atlas_glyph(atlas_texel const& t)
{
	static char const* const rows[5] = {" 0123456789AaBbCcDdEe", "FfGgHhIiJjKkLlMmNnOoP", "pQqRrSsTtUuVvWwXxYyZz",
	                                    "!@#$%^&*()-_+=[]|\\':;", "<.>,?/`"};
	if (t.s < 0 || t.t < 0 || t.s >= 168 + 21 * 8 || t.t >= 5 * 11) return 0;
	int const col = (t.s < 168 ? t.s : t.s - 168) / 8, row = t.t / 11;
	return col < static_cast<int>(std::strlen(rows[row])) ? rows[row][col] : '?';
}
