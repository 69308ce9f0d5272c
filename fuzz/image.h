// The options every image target takes from its input's first two bytes:
// how the image is loaded, and the texture settings that scale it.
#pragma once
#include <cstdint>

#include "foundation/app_globals.h"
#include "graphics/tman_image.h"

struct image_options {
	int load_type;
	int flags;
	unsigned char components;
	int keyed;
};

inline image_options image_options_from(uint8_t a, uint8_t b)
{
	image_options o;
	o.load_type = tex_type_texture - a % 5;
	// The flags that change how a reader fills the buffers.
	o.flags = ((a >> 3) & 7) | (b & 1 ? tex_flag_scratch : 0) | (b & 2 ? tex_flag_res_up : 0) |
	          (b & 4 ? tex_flag_res_down : 0) | (b & 8 ? tex_flag_full_res : 0) | (b & 16 ? tex_flag_chroma : 0);
	o.components = static_cast<unsigned char>(1 + (b >> 5) % 4);
	o.keyed = b >> 7;
	mnw.tex_res = a >> 6 == 0 ? 5 : a >> 6;
	maxtexdim = b & 32 ? 256 : 1024;
	key_color[0] = 255;
	key_color[1] = 0;
	key_color[2] = 255;
	key_color[3] = 0;
	return o;
}
