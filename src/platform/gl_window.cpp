#include "platform/gl_window.h"

#include <SDL.h>
#include <dlfcn.h>

#include <cstring>
#include <string>

namespace {

PLT_gl_attempt_fn attempt_fn = nullptr;
PLT_gl_swap_hook swap_hook = nullptr;
void* swap_user = nullptr;
std::string library_name = "libGL.so.1";
void* library = nullptr;

int attribute(SDL_GLattr a)
{
	int v = 0;
	return SDL_GL_GetAttribute(a, &v) == 0 ? v : 0;
}

}  // namespace

void PLT_gl_set_attempt(PLT_gl_attempt_fn fn) { attempt_fn = fn; }

int PLT_gl_level_samples(int level)
{
	static int const samples[5] = {0, 2, 4, 8, 16};
	return level >= 0 && level <= 4 ? samples[level] : 0;
}

int PLT_gl_attempt_real(PLT_gl_attempt const& a, PLT_gl_surface* out)
{
	if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return 0;
	SDL_GL_ResetAttributes();
	SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
	// Version 1.0 takes the newest the driver offers; any higher floor
	// would refuse an older renderer that the probe may still accept.
	SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
	SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
	SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
	SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
	SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
	SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
	SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, a.depth);
	SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, a.samples > 0 ? 1 : 0);
	SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, a.samples);
	SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, a.share ? 1 : 0);
	Uint32 flags = SDL_WINDOW_OPENGL | (a.hidden ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN);
	if (a.borderless) flags |= SDL_WINDOW_BORDERLESS;
	SDL_Window* w = SDL_CreateWindow(a.title ? a.title : "", a.x, a.y, a.width, a.height, flags);
	if (!w) {
		SDL_QuitSubSystem(SDL_INIT_VIDEO);
		return 0;
	}
	SDL_GLContext c = SDL_GL_CreateContext(w);
	if (!c || SDL_GL_MakeCurrent(w, c) != 0) {
		if (c) SDL_GL_DeleteContext(c);
		SDL_DestroyWindow(w);
		SDL_QuitSubSystem(SDL_INIT_VIDEO);
		return 0;
	}
	out->window = w;
	out->context = c;
	out->rgba = 1;
	out->doublebuffer = attribute(SDL_GL_DOUBLEBUFFER);
	out->red = attribute(SDL_GL_RED_SIZE);
	out->green = attribute(SDL_GL_GREEN_SIZE);
	out->blue = attribute(SDL_GL_BLUE_SIZE);
	out->alpha = attribute(SDL_GL_ALPHA_SIZE);
	out->depth = attribute(SDL_GL_DEPTH_SIZE);
	return 1;
}

int PLT_gl_open(int alias_req, int x, int y, int width, int height, char const* title, int hidden,
                PLT_gl_surface* out, int borderless, int share)
{
	static int const depths[3] = {32, 24, 16};
	int start = alias_req > 4 ? 4 : alias_req;
	if (start < 0) start = 0;
	*out = PLT_gl_surface();
	for (int level = start; level >= 0; --level) {
		out->level = level;
		for (int depth : depths) {
			PLT_gl_attempt a{x, y, width, height, PLT_gl_level_samples(level), depth, hidden, title};
			a.borderless = borderless;
			a.share = share;
			PLT_gl_surface got;
			got.level = level;
			if ((attempt_fn ? attempt_fn : PLT_gl_attempt_real)(a, &got)) {
				got.samples = a.samples;
				got.depth_req = depth;
				*out = got;
				return 1;
			}
		}
	}
	return 0;
}

int PLT_gl_make_current(PLT_gl_surface const& s)
{
	if (!s.window || !s.context) return 0;
	return SDL_GL_MakeCurrent(static_cast<SDL_Window*>(s.window), static_cast<SDL_GLContext>(s.context)) == 0;
}

void PLT_gl_destroy(PLT_gl_surface* s)
{
	if (!s->window && !s->context) return;
	if (s->context) SDL_GL_DeleteContext(static_cast<SDL_GLContext>(s->context));
	if (s->window) SDL_DestroyWindow(static_cast<SDL_Window*>(s->window));
	SDL_QuitSubSystem(SDL_INIT_VIDEO);
	s->window = nullptr;
	s->context = nullptr;
}

void* PLT_gl_proc(char const* name) { return name ? SDL_GL_GetProcAddress(name) : nullptr; }

void PLT_gl_set_library_name(char const* name)
{
	library_name = name ? name : "";
	library = nullptr;
}

void* PLT_gl_library()
{
	if (!library && !library_name.empty()) library = dlopen(library_name.c_str(), RTLD_LAZY | RTLD_LOCAL);
	return library;
}

void PLT_gl_set_pre_swap_hook(PLT_gl_swap_hook hook, void* user)
{
	swap_hook = hook;
	swap_user = user;
}

void PLT_gl_swap(PLT_gl_surface const& s)
{
	if (swap_hook) swap_hook(swap_user);
	if (s.window) SDL_GL_SwapWindow(static_cast<SDL_Window*>(s.window));
}

void PLT_gl_clear_error()
{
	SDL_GetError();
	SDL_ClearError();
}

int PLT_gl_on_desktop()
{
	if (!SDL_WasInit(SDL_INIT_VIDEO)) return 0;
	char const* driver = SDL_GetCurrentVideoDriver();
	return driver && std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0;
}
