#include "support/gl_context.h"

#include <SDL.h>
#include <stdlib.h>

gl_test_context::gl_test_context(int width, int height) : width_(width), height_(height)
{
	setenv("SDL_VIDEODRIVER", "offscreen", 0);
	setenv("GALLIUM_DRIVER", "llvmpipe", 0);
	if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
		error_ = SDL_GetError();
		return;
	}
	SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
	SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
	SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
	SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
	SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
	SDL_Window* w = SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
	if (!w) {
		error_ = SDL_GetError();
		return;
	}
	window_ = w;
	SDL_GLContext c = SDL_GL_CreateContext(w);
	if (!c) {
		error_ = SDL_GetError();
		return;
	}
	context_ = c;
	SDL_GL_MakeCurrent(w, c);
}

gl_test_context::~gl_test_context()
{
	if (context_) SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
	if (window_) SDL_DestroyWindow(static_cast<SDL_Window*>(window_));
	SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
