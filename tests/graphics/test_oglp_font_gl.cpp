// Text, numbers, screenshots and the colour scale in a real context.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "foundation/app_globals.h"
#include "graphics/colr.h"
#include "graphics/oglp.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "graphics/oglp_glyph.h"
#include "graphics/tman.h"
#include "draw_fixture.h"

namespace {

struct rgb_t {
	int r, g, b;
	bool operator==(rgb_t const& o) const { return r == o.r && g == o.g && b == o.b; }
};

rgb_t pixel(int x, int y)
{
	unsigned char p[4] = {};
	glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
	return {p[0], p[1], p[2]};
}

using FontTest = draw_test;

// Colour that codes atlas cell (col, row) of the grid at s0 (0 or 168).
rgb_t cell_code(int col, int row, int s0) { return {col * 12, row * 40 + (s0 ? 20 : 0), 255}; }

}  // namespace

namespace {

// A 512 x 512 atlas at 363 whose every cell of both grids (fonts 100 and
// 101/102) is one flat colour naming the cell; 363 samples nearest.
void load_cell_atlas()
{
	for (int y = 0; y < 512; ++y)
		for (int x = 0; x < 512; ++x) {
			unsigned char* p = scratch_array + (static_cast<size_t>(y) * 512 + x) * 4;
			int const s0 = x < 168 ? 0 : 168;
			int const col = (x - s0) / 8, row = y / 11;
			rgb_t c{0, 0, 0};
			if (col < 21 && row < 5) c = cell_code(col, row, s0);
			p[0] = static_cast<unsigned char>(c.r);
			p[1] = static_cast<unsigned char>(c.g);
			p[2] = static_cast<unsigned char>(c.b);
			p[3] = 255;
		}
	scratch_dx = scratch_dy = 512;
	tman.load_texture(static_cast<tex_fail_mode>(4), 363, 2, static_cast<tex_load_time>(100),
	                  "scratch_array:hard-wired textures");
}

std::string show(rgb_t c) { return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b); }

}  // namespace

TEST_F(FontTest, GlyphsLandInTheirCells)
{
	open(1024, 768);
	load_cell_atlas();
	colr.assign(0, 1, 1, 1);
	struct probe {
		int x, y;  // window pixel
		int col, row, s0;
	};
	struct {
		char const* name;
		float ox, oy, scale;
		int font;
		float x, y;
		std::string text;
		std::vector<probe> probes;
	} const cases[] = {
	    {"font 101", 0, 0, 1, 101, 100, 200, "Az\xBF",
	     {{103, 203, 11, 0, 168}, {109, 203, 20, 2, 168}, {115, 203, 20, 4, 168}}},
	    {"font 102 steps 10", 0, 0, 1, 102, 100, 200, "1;",
	     {{103, 203, 2, 0, 168}, {113, 203, 20, 3, 168}}},
	    {"font 100 proportional, under a window origin", 50, 20, 1, 100, 100, 200, "Wi",
	     {{153, 223, 13, 2, 0}, {162, 223, 7, 1, 0}}},
	    {"rounded start", 0, 0, 1, 101, 99.5f, 200.4f, "P", {{103, 203, 20, 1, 168}}},
	    {"glyph scale 2 doubles the quad, same cell", 0, 0, 2, 101, 100, 200, "Q",
	     {{100, 198, 1, 2, 168}, {115, 219, 1, 2, 168}}},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.name);
		glClear(GL_COLOR_BUFFER_BIT);
		mnw.org_x = c.ox;
		mnw.org_y = c.oy;
		oglp.glyph_scale = c.scale;
		OGL_string(0, c.x, c.y, c.text, 9999, c.font);
		for (auto const& p : c.probes)
			EXPECT_EQ(show(pixel(p.x, p.y)), show(cell_code(p.col, p.row, p.s0))) << p.x << "," << p.y;
	}
	oglp.glyph_scale = 1;
	// Outside the glyphs nothing is drawn.
	EXPECT_EQ(show(pixel(99, 203)), "0,0,0");
}

TEST_F(FontTest, NumberDigitsInTheirCells)
{
	open(1024, 768);
	load_cell_atlas();
	OGL_number(0, 100, 200, 12.5f, 4, 1, 101);
	// Digit cells at 100, 106, 112, 118; y0 = 198.
	int const xs[] = {103, 109, 115, 121};
	char const digits[] = "0125";
	for (int i = 0; i < 4; ++i)
		EXPECT_EQ(show(pixel(xs[i], 203)), show(cell_code(digits[i] - '0' + 1, 0, 168))) << i;
}

TEST_F(FontTest, ColourScaleBarAndItsEndValues)
{
	open(1024, 1024);
	load_cell_atlas();
	colr.spectrum_init(0);
	colr.spectrum_plotscale(10, 10, 10, 0);
	EXPECT_EQ(colr.scale_lo, 10.0f);
	EXPECT_EQ(colr.scale_hi, 0.0f);
	EXPECT_EQ(colr.scale_span, -10.0f);
	// Bottom point: entry 0 (red); top point at y + 996: entry 996.
	EXPECT_EQ(show(pixel(10, 10)), "255,0,0");
	rgb_t const top = pixel(10, 1006);
	EXPECT_NEAR(top.r, 200, 1);
	EXPECT_EQ(top.g, 0);
	EXPECT_NEAR(top.b, 205, 1);
	EXPECT_EQ(show(pixel(10, 1020)), "0,0,0");
	float size = 0;
	glGetFloatv(GL_POINT_SIZE, &size);
	EXPECT_EQ(size, 1.0f);
	// Six digits from x + 4: "001000" at the bottom (10), "000000" at the top (0).
	EXPECT_EQ(show(pixel(14 + 12 + 3, 4 + 5)), show(cell_code(2, 0, 168)));
	EXPECT_EQ(show(pixel(14 + 12 + 3, 1004 + 5)), show(cell_code(1, 0, 168)));
}

TEST_F(FontTest, GrayStringCentresFont100OverAHalfPanel)
{
	open(1024, 768);
	load_cell_atlas();
	colr.assign(12, 1, 0, 0);
	// "Wi" is 12 wide: text from 194, panel from 192 to 208 and from 298 to 308.
	OGL_gray_string(0, 200, 300, "Wi");
	EXPECT_EQ(show(pixel(192, 299)), "128,0,0");
	EXPECT_EQ(show(pixel(191, 299)), "0,0,0");
	EXPECT_EQ(show(pixel(200, 297)), "0,0,0");
	EXPECT_EQ(show(pixel(197, 303)), show(cell_code(13, 2, 0)));
	EXPECT_EQ(show(pixel(206, 303)), show(cell_code(7, 1, 0)));
}

using FontDeathTest = FontTest;

TEST_F(FontDeathTest, BadFontsAreFatal)
{
	struct {
		char const* name;
		void (*call)();
		char const* log;
	} const cases[] = {
	    {"string", [] { OGL_string(0, 0, 0, "a", 9999, 99); },
	     "String proc with bad charset!\n\n\n\n(oglp line 342)\n"},
	    {"string 104", [] { OGL_string(0, 0, 0, "a", 9999, 104); },
	     "String proc with bad charset!\n\n\n\n(oglp line 342)\n"},
	    {"number", [] { OGL_number(0, 0, 0, 1, 3, 0, 100); },
	     "Numbers must be mono-spaced!\nThis is because we increment by a constant step size for each digit.\n\n\n(oglp line 431)\n"},
	    {"number 103", [] { OGL_number(0, 0, 0, 1, 3, 0, 103); },
	     "Numbers must be mono-spaced!\nThis is because we increment by a constant step size for each digit.\n\n\n(oglp line 431)\n"},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.name);
		log = open_test_log(dir);
		EXPECT_EXIT(c.call(), ::testing::ExitedWithCode(1), "");
		EXPECT_EQ(read_text_file(log), c.log);
	}
}
