// The textured frames, drawn on atlases whose texels hold their own (s, t),
// so every pixel tells which texel was drawn there.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "foundation/app_globals.h"
#include "graphics/colr.h"
#include "graphics/oglp.h"
#include "graphics/oglp_font.h"
#include "graphics/tman.h"
#include "graphics/tman_image.h"
#include "shell/butn.h"
#include "support/coordinate_atlas.h"
#include "support/gl_context.h"

namespace {

using texel = atlas_texel;

struct FrameTest : ::testing::Test {
	gl_test_context gl{256, 256};
	void SetUp() override
	{
		ASSERT_TRUE(gl.ok()) << gl.error();
		gl.probe();
		gl.start_2d();
		ren.fade_alpha = 1.0f;
		colr.assign(0, 1, 1, 1);
		colr.assign(5, 1, 1, 1);
		load_coordinate_atlas(363, 512);
		load_coordinate_atlas(364, 1024);
		mnw.org_x = mnw.org_y = 0;
		clear();
	}
	void clear()
	{
		glClearColor(1, 1, 1, 1);  // blue 255: no texel has it
		glClear(GL_COLOR_BUFFER_BIT);
	}
	// The texel drawn at a pixel, or (-1, -1) where nothing was drawn (the
	// window has no alpha to tell).
	texel at(int x, int y)
	{
		auto const p = gl.pixel(x, y);
		return decode_atlas_texel(p.r, p.g, p.b);
	}
};

}  // namespace

TEST_F(FrameTest, HorizontalBarCapsTilesAndTheLastTileBand)
{
	// Style 4: caps 10, tile 10..18, end 28, 16 high, from (112, 161).
	// x 100, w 64: spans 68..132, y 42..58; the last tile is 4 wide.
	BTN_frame1(4, 100, 50, 64, 5);
	struct row {
		int x, y;
		texel want;
	} const rows[] = {
	    {68, 42, {112, 161}},  {77, 57, {121, 176}},            // left cap
	    {78, 50, {122, 169}},  {85, 50, {129, 169}},            // first tile
	    {86, 50, {122, 169}},  {117, 50, {129, 169}},           // later tiles repeat the band
	    {118, 50, {122, 169}}, {119, 50, {122, 169}},           // last tile: band 10..11.8 over 4
	    {120, 50, {123, 169}}, {121, 50, {123, 169}},
	    {122, 50, {130, 169}}, {131, 50, {139, 169}},           // right cap 18..28
	    {67, 50, {-1, -1}},    {132, 50, {-1, -1}},  {100, 58, {-1, -1}}, {100, 41, {-1, -1}},
	};
	for (row const& r : rows) EXPECT_EQ(at(r.x, r.y), r.want) << r.x << ", " << r.y;
}

TEST_F(FrameTest, HorizontalBarSnapsToEvenAndShiftsItsStyles)
{
	struct row {
		int style;
		float x, y, w;
		int first, last, bottom, top;  // drawn pixel columns and rows
	} const rows[] = {
	    {8, 100, 50, 7, 96, 103, 42, 57},     // w 7 drawn 8 wide
	    {8, 101, 50, 8, 98, 105, 42, 57},     // x 101 snaps to 102
	    {9, 100, 60, 40, 78, 121, 47, 72},    // 4 extra
	    {1, 100, 60, 60, 70, 129, 44, 69},    // 3 down
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.style);
		clear();
		BTN_frame1(r.style, r.x, r.y, r.w, 5);
		int const mid_y = (r.bottom + r.top) / 2;
		int const mid_x = (r.first + r.last) / 2;
		EXPECT_NE(at(r.first, mid_y).s, -1);
		EXPECT_EQ(at(r.first - 1, mid_y).s, -1);
		EXPECT_NE(at(r.last, mid_y).s, -1);
		EXPECT_EQ(at(r.last + 1, mid_y).s, -1);
		EXPECT_NE(at(mid_x, r.bottom).s, -1);
		EXPECT_EQ(at(mid_x, r.bottom - 1).s, -1);
		EXPECT_NE(at(mid_x, r.top).s, -1);
		EXPECT_EQ(at(mid_x, r.top + 1).s, -1);
	}
}

TEST_F(FrameTest, PanelCropsItsLastTileExactly)
{
	// Style 14: cell 100 at (304, 358), corners 40, band 40..60; the panel
	// spans 41..150 x 26..125, its last tile across 20 + 10 wide.
	BTN_frame2(14, 50, 40, 92, 82, "");
	// Style 20: the installer atlas, 1/1024 per texel.
	BTN_frame2(20, 181, 11, 39, 39, "");
	struct row {
		int x, y;
		texel want;
	} const rows[] = {
	    {41, 26, {304, 358}},   {81, 26, {344, 358}},   {106, 76, {349, 408}},  // exact crop 40..50
	    {116, 121, {369, 453}}, {150, 125, {403, 457}}, {151, 125, {-1, -1}},
	    {150, 126, {-1, -1}},   {40, 26, {-1, -1}},
	    {185, 15, {779, 83}},   {220, 50, {814, 118}},
	};
	for (row const& r : rows) EXPECT_EQ(at(r.x, r.y), r.want) << r.x << ", " << r.y;
}

TEST_F(FrameTest, VerticalBarRunsTheBarRuleUpright)
{
	// len 50: 58 long, 20 wide, rows 71..128, columns 90..109.
	BTN_frame0(6, 100, 100, 50);
	struct row {
		int x, y;
		texel want;
	} const rows[] = {
	    {90, 71, {102, 248}}, {109, 80, {121, 257}}, {95, 86, {107, 263}},  // bottom cap, first tile
	    {95, 101, {107, 258}}, {95, 118, {107, 269}},                      // last tile: 12 texels over 18
	    {95, 128, {107, 287}}, {95, 129, {-1, -1}},  {89, 100, {-1, -1}}, {110, 100, {-1, -1}},
	};
	for (row const& r : rows) EXPECT_EQ(at(r.x, r.y), r.want) << r.x << ", " << r.y;
}

// The box is as wide as the text (proportional widths plus 7 for font 100,
// ten a character plus 7 for font 102, 100 for any other font), centred on
// x; the text starts 4 in from its left edge. At (128, 100).
TEST_F(FrameTest, BoxedStringSizesItsBoxByTheFont)
{
	colr.assign(44, 1, 1, 1);
	struct row {
		char const* name;
		int font;
		std::string text;
		float box;
		std::vector<std::pair<int, char>> glyphs;  // pixel column, glyph (y 103); the first where the text starts
	} const rows[] = {
	    {"font 100: 7 + 9 + 3", 100, "Wi", 19, {{123, 'W'}, {133, 'i'}}},
	    {"font 102: 10 a character + 7", 102, "12", 27, {{119, '1'}, {129, '2'}}},
	    {"font 101: 100", 101, "12", 100, {{82, '1'}, {88, '2'}}},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.name);
		clear();
		OGL_boxed_string(128, 100, "", r.text, r.font, 44);
		for (auto const& [x, glyph] : r.glyphs) EXPECT_EQ(atlas_glyph(at(x, 103)), glyph) << x;
		EXPECT_EQ(atlas_glyph(at(r.glyphs[0].first - 1, 103)), 0);
		// The frame (style 9, texels from t 133) spans the box and a little more.
		int const half = static_cast<int>(r.box / 2);
		for (int x : {128 - half + 1, 128 + half - 1}) EXPECT_GE(at(x, 112).t, 133) << x;
		for (int x : {128 - half - 5, 128 + half + 5}) EXPECT_EQ(at(x, 112), (texel{-1, -1})) << x;
	}
}

TEST_F(FrameTest, CloseBoxesDrawTheirStateAndHitTheirCells)
{
	mnw.win_dx = 200;
	mnw.win_dy = 230;
	mnw.click_down = 0;
	EXPECT_EQ(BTN_zap_boxes(0), 0);
	EXPECT_EQ(at(16, 220), (texel{129, 187}));
	EXPECT_EQ(at(184, 220), (texel{129, 187}));
	BTN_zap_boxes(1);
	EXPECT_EQ(at(16, 220), (texel{129, 206}));

	struct row {
		float x, y;
		int hit;
	} const rows[] = {
	    {16, 220, 1}, {7, 211, 1},   {25, 229, 1},  {6, 220, 0},   {26, 220, 0},
	    {16, 210, 0}, {16, 230, 0},  {175, 220, 1}, {193, 220, 1}, {194, 220, 0},
	    {100, 220, 0},
	};
	mnw.click_down = 1;
	for (row const& r : rows) {
		mnw.mouse_x = r.x;
		mnw.mouse_y = r.y;
		EXPECT_EQ(BTN_zap_boxes(0), r.hit) << r.x << ", " << r.y;
	}
}

TEST(FrameDeathTest, ImpossibleStylesAndPositionsEndTheProgram)
{
	struct row {
		void (*call)();
		char const* message;
	} const rows[] = {
	    {[] { BTN_frame1(6, 0, 0, 10, 0); }, "Bad BTN_frame1 call!"},
	    {[] { BTN_frame1(11, 0, 0, 10, 0); }, "Bad BTN_frame1 call!"},
	    {[] { BTN_frame2(10, 0, 0, 10, 10, ""); }, "Bad BTN_frame2 call!"},
	    {[] { BTN_frame2(21, 0, 0, 10, 10, ""); }, "Bad BTN_frame2 call!"},
	    {[] { BTN_frame0(5, 0, 0, 10); }, "Bad BTN_frame0 call!"},
	    {[] { BTN_frame0(6, 0.5f, 0, 10); }, "BTN_frame0 non-int x_center!"},
	    {[] { BTN_frame0(6, 0, 2.25f, 10); }, "BTN_frame0 non-int y_center!"},
	};
	for (row const& r : rows) EXPECT_EXIT(r.call(), ::testing::ExitedWithCode(1), r.message);
}
