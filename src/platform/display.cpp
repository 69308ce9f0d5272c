#include "platform/display.h"

#include <SDL.h>

namespace {
int fake_w = 0, fake_h = 0, fake_depth = 0;
}

void PLT_set_screen_size(int width, int height, int depth)
{
	fake_w = width;
	fake_h = height;
	fake_depth = depth;
}

int PLT_screen_size(int* width, int* height, int* depth)
{
	if (fake_w > 0) {
		*width = fake_w;
		*height = fake_h;
		*depth = fake_depth;
		return 1;
	}
	if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return 0;
	SDL_DisplayMode mode;
	int const ok = SDL_GetDesktopDisplayMode(0, &mode) == 0;
	if (ok) {
		*width = mode.w;
		*height = mode.h;
		*depth = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
		// 24-bit colour is kept in 32-bit pixels, as the depth is counted here.
		if (*depth == 24) *depth = 32;
	}
	SDL_QuitSubSystem(SDL_INIT_VIDEO);
	return ok;
}
