// 2-D drawing in a real context: the colour rule read back from GL, the
// render state each call leaves, and the pixels the shapes cover.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>

#include "foundation/app_globals.h"
#include "graphics/colr.h"
#include "graphics/oglp.h"
#include "graphics/oglp_draw.h"
#include "draw_fixture.h"

namespace {

void current_colour(float out[4]) { glGetFloatv(GL_CURRENT_COLOR, out); }

using DrawTest = draw_test;

}  // namespace

TEST_F(DrawTest, ColourRule)
{
	open(64, 64);
	struct {
		char const* name;
		int col;
		float alpha, fade;
		int mono;
		float r, g, b, a;
		bool opaque;
	} const cases[] = {
	    {"44 takes the tint", 44, 1, 1, 0, 0.5f, 0.25f, 0.1f, 1, true},
	    {"45 does not", 45, 1, 1, 0, 1, 1, 1, 1, true},
	    {"fade halves alpha of an opaque call", 45, 1, 0.5f, 0, 1, 1, 1, 0.5f, false},
	    {"alpha and fade multiply", 45, 0.5f, 0.5f, 0, 1, 1, 1, 0.25f, false},
	    {"mono black", 12, 1, 1, 1, 0, 0.01f, 0, 1, true},
	    {"mono white", 45, 1, 1, 1, 0, 1, 0, 1, true},
	    {"mono sums the channels", 46, 1, 1, 1, 0, 0.6f, 0, 1, true},
	};
	colr.tint[0] = 0.5f;
	colr.tint[1] = 0.25f;
	colr.tint[2] = 0.5f;
	colr.assign(44, 1, 1, 0.2f);
	colr.assign(45, 1, 1, 1);
	colr.assign(46, 0.1f, 0.2f, 0.3f);
	for (auto const& c : cases) {
		SCOPED_TRACE(c.name);
		ren.fade_alpha = c.fade;
		ren.mono_mode = c.mono;
		glColor4f(0.3f, 0.3f, 0.3f, 0.3f);
		OGL_set_colour(c.col, c.alpha);
		float got[4];
		current_colour(got);
		EXPECT_NEAR(got[0], c.r, 1e-6f);
		EXPECT_NEAR(got[1], c.g, 1e-6f);
		EXPECT_NEAR(got[2], c.b, 1e-6f);
		EXPECT_NEAR(got[3], c.a, 1e-6f);
		EXPECT_EQ(OGL_colour_of(c.col, c.alpha).opaque, c.opaque);
	}
}

TEST_F(DrawTest, LineBlendsByItsAlphaArgumentNotTheFade)
{
	open(64, 64);
	struct {
		float alpha, fade;
		bool blend;
	} const cases[] = {{0.98f, 1, true}, {0.995f, 1, false}, {0.995f, 0.5f, false}, {0.98f, 0.5f, true}};
	for (auto const& c : cases) {
		ren.fade_alpha = c.fade;
		OGL_line(0, c.alpha, 1, 1, 5, 5);
		EXPECT_EQ(glIsEnabled(GL_BLEND) == GL_TRUE, c.blend) << c.alpha << " " << c.fade;
		EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
	}
}

TEST_F(DrawTest, SpectrumColours)
{
	open(64, 64);
	struct {
		float v, fade;
		int mono;
		float r, g, b, a;
	} const cases[] = {
	    {0.5f, 1, 0, 1, 1, 0, 1},      {1.5f, 1, 0, 0.8f, 0, 0.8f, 1}, {-1, 1, 0, 0, 0, 0, 1},
	    {0.5f, 0.5f, 0, 1, 1, 0, 0.5f}, {-1, 1, 1, 0, 0.01f, 0, 1},    {0.25f, 1, 0, 1, 0.16f, 0.04f, 1},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.v);
		ren.fade_alpha = c.fade;
		ren.mono_mode = c.mono;
		OGL_spectrum_rgb(c.v);
		float got[4];
		current_colour(got);
		EXPECT_NEAR(got[0], c.r, 1e-5f);
		EXPECT_NEAR(got[1], c.g, 1e-5f);
		EXPECT_NEAR(got[2], c.b, 1e-5f);
		EXPECT_NEAR(got[3], c.a, 1e-5f);
	}
}

TEST_F(DrawTest, FillrectTakesWidthAndHeightGrayrectTwoCornersPlusTheOrigin)
{
	open(1024, 768);
	colr.assign(50, 1, 0, 0);
	colr.assign(12, 1, 0, 0);  // the panel colour, tinted
	colr.tint[1] = 0.5f;
	struct {
		float ox, oy;
		bool gray;
	} const cases[] = {{0, 0, false}, {100, 200, false}, {0, 0, true}, {100, 200, true}};
	for (auto const& c : cases) {
		SCOPED_TRACE(std::to_string(c.ox) + (c.gray ? " gray" : " fill"));
		glClear(GL_COLOR_BUFFER_BIT);
		mnw.org_x = c.ox;
		mnw.org_y = c.oy;
		// A translucent call first: its alpha must not carry over.
		OGL_fillrect(50, 0.3f, 500, 500, 5, 5);
		if (c.gray)
			OGL_grayrect(10, 20, 40, 60, 1);
		else
			OGL_fillrect(50, 1, 10, 20, 30, 40);
		int const x = static_cast<int>(c.ox), y = static_cast<int>(c.oy);
		struct {
			int dx, dy;
			bool in;
		} const probes[] = {{10, 20, true}, {39, 59, true}, {9, 20, false}, {40, 20, false},
		                    {10, 19, false}, {10, 60, false}};
		for (auto const& p : probes)
			EXPECT_EQ((pixel_rgb(x + p.dx, y + p.dy) == "255,0,0"), p.in) << p.dx << "," << p.dy;
	}
}

TEST_F(DrawTest, FramerectOnExactRowsAndColumns)
{
	open(1024, 768);
	mnw.org_x = 100;
	mnw.org_y = 50;
	colr.assign(50, 0, 1, 0);
	OGL_framerect(50, 1, 10, 20, 30, 40);
	struct {
		int x, y;
		bool on;
	} const probes[] = {{110, 90, true},  {140, 90, true},  {125, 70, true},  {125, 110, true},
	                    {111, 90, false}, {139, 90, false}, {125, 71, false}, {125, 109, false},
	                    {109, 90, false}, {141, 90, false}};
	for (auto const& p : probes) EXPECT_EQ((pixel_rgb(p.x, p.y) == "0,255,0"), p.on) << p.x << "," << p.y;
}

TEST_F(DrawTest, FillcircleRowThroughTheCentre)
{
	open(1024, 768);
	colr.assign(50, 0, 0, 1);
	OGL_fillcircle(50, 100, 100, 10);
	std::string row;
	for (int x = 88; x <= 112; ++x) row += (pixel_rgb(x, 100) == "0,0,255") ? '#' : '.';
	EXPECT_EQ(row, "..####################...");
	EXPECT_TRUE((pixel_rgb(100, 109) == "0,0,255"));
	EXPECT_FALSE((pixel_rgb(100, 111) == "0,0,255"));
	OGL_fillcircle(50, 300, 100, -1);  // a negative radius draws nothing
	EXPECT_TRUE((pixel_rgb(300, 100) == "0,0,0"));
}

using DrawDeathTest = DrawTest;

TEST_F(DrawDeathTest, PaletteIndexOutsideTheTableIsFatal)
{
	open(64, 64);
	EXPECT_EXIT(OGL_fillrect(100, 1, 0, 0, 5, 5), ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(read_text_file(log).rfind("Bad palette index!\n100\n", 0), 0u) << read_text_file(log);
}
