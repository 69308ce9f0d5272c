#include "support/gl_context.h"

#include <GL/gl.h>
#include <SDL.h>
#include <stdlib.h>

#include "foundation/app_globals.h"
#include "graphics/OGL_extensions.h"
#include "graphics/oglp.h"
#include "graphics/tman.h"

gl_test_context::gl_test_context(int width, int height, int alias_req) : width_(width), height_(height)
{
	setenv("SDL_VIDEODRIVER", "offscreen", 0);
	setenv("GALLIUM_DRIVER", "llvmpipe", 0);
	if (!PLT_gl_open(alias_req, 0, 0, width, height, "test", 1, &surface_)) {
		error_ = std::string("no GL context: ") + SDL_GetError();
		return;
	}
	OGL_init_state(surface_.level);
	// The texture names of an earlier test's context mean nothing in this one.
	tman = tman_class();
	tman.reset_bind();
	fill_lookup_tables();
	mnw.window[0] = surface_.window;
	mnw.context[0] = surface_.context;
	mnw.alias_now = surface_.level;
	mnw.x_res_use = width;
	mnw.y_res_use = height;
}

gl_test_context::~gl_test_context()
{
	PLT_gl_destroy(&surface_);
	mnw.window[0] = nullptr;
	mnw.context[0] = nullptr;
}

void gl_test_context::probe() { glExt.init_extensions(); }

void gl_test_context::start_2d()
{
	mnw.cur_win = 0;
	OGL_pix_specs(0);
}

gl_test_context::rgba gl_test_context::pixel(int x, int y) const
{
	rgba p{0, 0, 0, 0};
	glFinish();
	glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &p);
	return p;
}
