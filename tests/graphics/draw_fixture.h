// A test with a fresh 2-D window of a given size: the capability probe run,
// the layout started, palette, render settings, window origin and texture
// manager reset, the window cleared to black.
#pragma once
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/app_globals.h"
#include "graphics/colr.h"
#include "graphics/tman.h"
#include "support/gl_context.h"
#include "support/logged_test.h"

struct draw_test : logged_test {
	std::unique_ptr<gl_test_context> gl;
	void open(int w, int h)
	{
		gl.reset();
		gl.reset(new gl_test_context(w, h));
		ASSERT_TRUE(gl->ok()) << gl->error();
		gl->probe();
		log = open_test_log(dir);  // past the probe's situation block
		gl->start_2d();
		tman = tman_class();
		tman.reset_bind();
		mnw.tex_res = 5;
		mnw.col_res_use = 32;
		colr = colr_class();
		ren.fade_alpha = 1.0f;
		ren.mono_mode = 0;
		mnw.org_x = mnw.org_y = 0.0f;
		glClearColor(0, 0, 0, 1);
		glClear(GL_COLOR_BUFFER_BIT);
	}
};

// One pixel of the back buffer as "r,g,b".
inline std::string pixel_rgb(int x, int y)
{
	unsigned char p[4] = {};
	glFinish();
	glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
	return std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]);
}
