// Turns the built-in images into textures, once, before the first frame.
#include <cstring>

#include "graphics/tman.h"
#include "installer/ins_art.h"
#include "shell/app_callbacks.h"

void recall_ins_texes()
{
	struct built_in { unsigned char const* px; int dx, dy, ref, flags; };
	// The interface image goes last: start-up reads its colours from what
	// the scratch buffer holds afterwards.
	built_in const images[] = {
		{t_installer_dat, 1010, 764, 364, 642},
		{t_ins_back_1_dat, 1024, 768, 365, 642},
		{t_ins_back_2_dat, 1024, 768, 366, 642},
		{t_interface_dat, 512, 512, 363, 2},
	};
	for (built_in const& im : images) {
		scratch_dx = im.dx;
		scratch_dy = im.dy;
		std::memcpy(scratch_array, im.px, size_t(im.dx) * im.dy * 4);
		tman.load_texture(tex_fail_fatal, im.ref, im.flags, tex_load_now, "scratch_array:hard-wired textures");
	}
}
