// A real GL context with an interface atlas whose texels hold their own
// coordinates, every palette colour white (so a pixel tells which texel was
// drawn there), and a window record with the mouse state a test scripts.
#pragma once
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "foundation/app_globals.h"
#include "graphics/colr.h"
#include "shell/hl_mnw.h"
#include "support/coordinate_atlas.h"
#include "support/gl_context.h"
#include "support/logged_test.h"

struct WidgetTest : logged_test {
	gl_test_context gl{512, 512};
	void SetUp() override
	{
		logged_test::SetUp();
		ASSERT_TRUE(gl.ok()) << gl.error();
		gl.probe();
		gl.start_2d();
		ren.fade_alpha = 1.0f;
		for (int c = 0; c < 100; ++c) colr.assign(c, 1, 1, 1);
		load_coordinate_atlas(363, 512);
		VEDEZE_clear_menus(1);
		mnw.org_x = mnw.org_y = 0;
		mnw.win_dx = mnw.win_dy = 512;
		mnw.open_menu = -1;
		mnw.focus_id = -1;
		mnw.pulse = 1.0f;
		press_at(-1000, -1000, 0);
		clear();
	}
	void clear()
	{
		glClearColor(1, 1, 1, 1);  // blue 255: no texel has it
		glClear(GL_COLOR_BUFFER_BIT);
	}
	// This frame's mouse: position, and whether the button went down now
	// (which also holds it, as the frame loop does).
	static void press_at(float x, float y, int down)
	{
		mnw.mouse_x = x;
		mnw.mouse_y = y;
		mnw.click_down = down;
		mnw.click_held = down;
		mnw.click_long = 0;
		mnw.click_up = 0;
	}
	atlas_texel at(int x, int y)
	{
		auto const p = gl.pixel(x, y);
		return decode_atlas_texel(p.r, p.g, p.b);
	}
};
