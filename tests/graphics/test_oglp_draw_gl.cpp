// 2-D drawing in a real context: the colour rule read back from GL, the
// render state each call leaves, and the pixels the shapes cover.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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

// Arcs run clockwise from the top (x by the sine, y by the cosine), one
// ring per whole radius from r1 to r2, in degrees.
TEST_F(DrawTest, ArcRingsRunClockwiseFromTheTop)
{
	open(256, 256);
	colr.assign(50, 0, 1, 0);
	struct probe {
		int x, y;
		bool on;
		int reach = 0;  // 1 where a diagonal or a ring's last point may light a neighbour
	};
	struct {
		char const* name;
		float r1, r2, a1, a2;
		std::vector<probe> probes;
	} const cases[] = {
	    // (100, 100) is the centre; every point is shifted half a pixel.
	    {"top to 45: rings 10, 11, 12",
	     10,
	     12,
	     0,
	     45,
	     {{100, 110, true}, {100, 111, true}, {100, 112, true}, {100, 109, false}, {100, 113, false},
	      {107, 107, true, 1}, {110, 100, false}, {90, 100, false}, {100, 90, false}}},
	    {"right to lower right", 10, 10, 90, 135,
	     {{110, 100, true}, {107, 93, true, 1}, {100, 110, false}, {100, 90, false}}},
	    {"bottom to left", 10, 10, 180, 270, {{100, 90, true}, {90, 100, true, 1}, {110, 100, false}, {100, 110, false}}},
	    {"inner radius above the outer: nothing", 12, 10, 0, 360, {{100, 110, false}, {100, 112, false}}},
	    {"end angle before the start: nothing", 10, 10, 90, 0, {{100, 110, false}, {110, 100, false}}},
	};
	auto const lit_near = [](int x, int y, int reach) {
		for (int dy = -reach; dy <= reach; ++dy)
			for (int dx = -reach; dx <= reach; ++dx)
				if (pixel_rgb(x + dx, y + dy) == "0,255,0") return true;
		return false;
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.name);
		glClear(GL_COLOR_BUFFER_BIT);
		OGL_arc(50, 100, 100, c.r1, c.r2, c.a1, c.a2);
		for (probe const& p : c.probes) EXPECT_EQ(lit_near(p.x, p.y, p.reach), p.on) << p.x << "," << p.y;
	}
}

TEST_F(DrawTest, FramecircleOutlinesWithoutBlending)
{
	open(256, 256);
	mnw.org_x = 20;
	mnw.org_y = 10;
	colr.assign(50, 0, 0, 1);
	OGL_setstate(1, 0, 3, 5, 9, 11);  // blending on before
	ASSERT_TRUE(glIsEnabled(GL_BLEND));
	OGL_framecircle(50, 80, 90, 20);
	EXPECT_FALSE(glIsEnabled(GL_BLEND));
	EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
	// Centre (100, 100) after the origin; the outline at radius 20 only.
	struct {
		int x, y;
		bool on;
	} const probes[] = {{100, 120, true}, {120, 100, true}, {100, 80, true}, {80, 100, true}, {114, 114, true},
	                    {100, 100, false}, {100, 117, false}, {100, 123, false}, {123, 100, false}, {111, 111, false}};
	for (auto const& p : probes) EXPECT_EQ(pixel_rgb(p.x, p.y) == "0,0,255", p.on) << p.x << "," << p.y;
}

// Glow adds the source to what is there; normal mixes by the source's alpha.
TEST_F(DrawTest, GlowAddsNormalMixes)
{
	open(64, 64);
	colr.assign(50, 1, 0, 0);
	colr.assign(51, 0, 1, 0);
	struct {
		void (*mode)();
		GLint dst;
		char const* pixel;
	} const cases[] = {{OGL_glow_colors, GL_ONE, "127,255,0"}, {OGL_nrml_colors, GL_ONE_MINUS_SRC_ALPHA, "127,127,0"}};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.dst);
		glClear(GL_COLOR_BUFFER_BIT);
		OGL_fillrect(51, 1, 0, 0, 64, 64);
		c.mode();
		OGL_fillrect(50, 0.5f, 0, 0, 64, 64);
		GLint src = 0, dst = 0;
		glGetIntegerv(GL_BLEND_SRC, &src);
		glGetIntegerv(GL_BLEND_DST, &dst);
		EXPECT_EQ(src, GL_SRC_ALPHA);
		EXPECT_EQ(dst, c.dst);
		std::string const got = pixel_rgb(30, 30);
		// One step of rounding either way.
		EXPECT_TRUE(got == c.pixel || got == std::string(c.pixel).replace(0, 3, "128")) << got;
	}
	OGL_nrml_colors();
}

TEST_F(DrawTest, SetspecOnLightAndFrontMaterial)
{
	open(64, 64);
	for (float const s : {0.25f, 1.0f}) {
		SCOPED_TRACE(s);
		OGL_setspec(s);
		GLfloat light[4] = {}, front[4] = {}, back[4] = {}, shine = 0;
		glGetLightfv(GL_LIGHT0, GL_SPECULAR, light);
		glGetMaterialfv(GL_FRONT, GL_SPECULAR, front);
		glGetMaterialfv(GL_BACK, GL_SPECULAR, back);
		glGetMaterialfv(GL_FRONT, GL_SHININESS, &shine);
		for (int k = 0; k < 4; ++k) {
			EXPECT_FLOAT_EQ(light[k], k < 3 ? s : 1.0f) << k;
			EXPECT_FLOAT_EQ(front[k], k < 3 ? s : 1.0f) << k;
		}
		// The back face keeps GL's default.
		EXPECT_FLOAT_EQ(back[0], 0.0f);
		EXPECT_FLOAT_EQ(shine, 128.0f);
	}
}

using DrawDeathTest = DrawTest;

TEST_F(DrawDeathTest, PaletteIndexOutsideTheTableIsFatal)
{
	open(64, 64);
	EXPECT_EXIT(OGL_fillrect(100, 1, 0, 0, 5, 5), ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(read_text_file(log).rfind("Bad palette index!\n100\n", 0), 0u) << read_text_file(log);
}
