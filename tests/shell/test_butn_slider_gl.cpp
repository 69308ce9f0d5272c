// Push button, tabs, sliders and the name list, driven by scripted mouse
// state in the window record; a few pixels of what they draw.
#include <string>
#include <vector>

#include "foundation/alert.h"
#include "foundation/io_utils.h"
#include "foundation/xtim.h"
#include "platform/gl_window.h"
#include "shell/butn.h"
#include "support/alert_recorder.h"
#include "widget_fixture.h"

#include "shell/app_callbacks.h"

// The shell's frame loop is linked in; these tests run no frames of it.
void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

// "Accept" is 33 wide in the proportional font.
TEST_F(WidgetTest, ActionButtonHitsItsBoxOnlyInThePressFrame)
{
	struct row {
		char const* label;
		float w, mx, my;
		int down, held, menu, want;
	} const rows[] = {
	    {"Accept", 0, 227, 100, 1, 1, -1, 1},     // 33 + 21 wide: x +- 27
	    {"Accept", 0, 227.5f, 100, 1, 1, -1, 0},
	    {"Accept", -1, 173, 100, 1, 1, -1, 1},
	    {"", 0, 210.5f, 100, 1, 1, -1, 1},        // empty: 21 wide
	    {"", 0, 211, 100, 1, 1, -1, 0},
	    {"Accept", 100, 250, 100, 1, 1, -1, 1},   // a given width
	    {"Accept", 100, 250.5f, 100, 1, 1, -1, 0},
	    {"Accept", 0, 200, 110, 1, 1, -1, 1},     // y + 10 counts
	    {"Accept", 0, 200, 110.5f, 1, 1, -1, 0},
	    {"Accept", 0, 200, 90, 1, 1, -1, 1},
	    {"Accept", 0, 200, 100, 1, 1, 4, 0},      // a menu is open
	    {"Accept", 0, 200, 100, 1, 1, 1519, 0},   // the pop-up list is open
	    {"Accept", 0, 200, 100, 0, 1, -1, 0},     // held after the press frame
	};
	for (row const& r : rows) {
		SCOPED_TRACE(std::string(r.label) + " at " + std::to_string(r.mx) + ", " + std::to_string(r.my));
		press_at(r.mx, r.my, r.down);
		mnw.click_held = r.held;
		mnw.open_menu = r.menu;
		EXPECT_EQ(BTN_action(200, 100, r.w, 0, 0, r.label), r.want);
	}
	press_at(200, 100, 0);
	mnw.click_up = 1;
	EXPECT_EQ(BTN_action(200, 100, 0, 0, 1, "Accept"), 0) << "the release";
}

struct swap_seen {
	int swaps = 0;
	atlas_texel face{-1, -1};
	WidgetTest* test = nullptr;
};

TEST_F(WidgetTest, ActionButtonShowsThePressedFaceAtOnceInModeOne)
{
	static swap_seen seen;
	seen = swap_seen{};
	seen.test = this;
	PLT_gl_set_pre_swap_hook(
	    [](void* user) {
		    auto* s = static_cast<swap_seen*>(user);
		    ++s->swaps;
		    s->face = s->test->at(180, 95);
	    },
	    &seen);
	struct row {
		int lit, mode, down, swaps;
		int face_t;  // t of the face's bottom-left texel column seen at the swap
	} const rows[] = {
	    {0, 1, 1, 1, 459 + 8},  // pressed face (style 3) on screen
	    {1, 1, 1, 0, -1},       // lit: no flash
	    {0, 0, 1, 0, -1},       // mode 0: no flash
	    {0, 1, 0, 0, -1},       // no press
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.mode);
		seen.swaps = 0;
		clear();
		press_at(200, 100, r.down);
		EXPECT_EQ(BTN_action(200, 100, 60, r.lit, r.mode, "Go"), r.down);
		EXPECT_EQ(seen.swaps, r.swaps);
		if (r.swaps) {
			EXPECT_EQ(seen.face.t, r.face_t);
		}
	}
	PLT_gl_set_pre_swap_hook(nullptr, nullptr);
	// Unpressed, the face is style 2 (rows from t 486).
	clear();
	press_at(0, 0, 0);
	BTN_action(200, 100, 60, 0, 1, "Go");
	EXPECT_EQ(at(180, 95).t, 486 + 8);
}

// Tab 1 of row 0: centre (141, win_dy - 38).
TEST_F(WidgetTest, TabHitsFiftyLeftAndFortyRight)
{
	float const cx = 141, cy = 512 - 38;
	struct row {
		float dx, dy;
		int want;
	} const rows[] = {
	    {-45, 0, 1}, {45, 0, 0}, {-50, 0, 1}, {-50.5f, 0, 0}, {40, 0, 1},
	    {40.5f, 0, 0}, {0, 13, 1}, {0, 13.5f, 0}, {0, -13, 1},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.dx);
		int sel = 0;
		press_at(cx + r.dx, cy + r.dy, 1);
		EXPECT_EQ(BTN_tab(1, 0, &sel, 7, "Tab"), r.want);
		EXPECT_EQ(sel, r.want ? 7 : 0);
	}
	// Drawn 98 wide, the chosen band when *sel is the tab's value.
	clear();
	press_at(0, 0, 0);
	int sel = 7;
	BTN_tab(1, 0, &sel, 7, "");
	EXPECT_EQ(at(92, 462), (atlas_texel{204, 486 + 1}));
	EXPECT_EQ(at(91, 462), (atlas_texel{-1, -1}));
	sel = 0;
	BTN_tab(1, 0, &sel, 7, "");
	EXPECT_EQ(at(92, 462), (atlas_texel{204, 459 + 1}));
}

// ---- vertical slider: x 100, 50 .. 250, values 0 .. 100 ------------------------------------
// Thumb p = 240 - 1.81 value; arrows 250 .. 270 and 30 .. 50.

struct slider_row {
	int value;
	float mx, my;
	int down, lng, tick5;
	int want;
};

void run_slider_rows(std::vector<slider_row> const& rows)
{
	for (slider_row const& r : rows) {
		SCOPED_TRACE(std::to_string(r.value) + " at " + std::to_string(r.mx) + ", " + std::to_string(r.my));
		int v = r.value;
		WidgetTest::press_at(r.mx, r.my, r.down);
		mnw.click_held = r.down || r.lng;
		mnw.click_long = r.lng;
		xtim.tick5 = r.tick5;
		EXPECT_EQ(BTN_vert_slider(0, 100, 50, 250, 0, 100, &v), 0);
		EXPECT_EQ(v, r.want);
		mnw.click_held = 0;  // let go of any grab
		BTN_vert_slider(0, 100, 50, 250, 0, 100, &v);
	}
}

TEST_F(WidgetTest, VerticalSliderStepsOnArrowsAndPagesOnTheTrack)
{
	run_slider_rows({
	    {0, 100, 260, 1, 0, 0, 0},        // upper arrow at the limit
	    {5, 100, 260, 1, 0, 0, 4},
	    {5, 100, 270, 1, 0, 0, 4},        // its top edge
	    {5, 100, 270.5f, 1, 0, 0, 5},
	    {5, 100, 40, 1, 0, 0, 6},         // lower arrow
	    {100, 100, 40, 1, 0, 0, 100},
	    {5, 100, 30, 1, 0, 0, 6},
	    {5, 111, 40, 1, 0, 0, 6},         // x + 11 counts
	    {5, 111.5f, 40, 1, 0, 0, 5},
	    {5, 89, 40, 1, 0, 0, 6},
	    {50, 100, 200, 1, 0, 0, 40},      // track above the thumb (149.5)
	    {50, 100, 100, 1, 0, 0, 60},      // below it
	    {95, 100, 52, 1, 0, 0, 100},      // paging stops at the limit
	    {50, 100, 250, 1, 0, 0, 39},      // on y_top: the arrow and the page
	    {50, 100, 50, 1, 0, 0, 61},       // on y_bot: likewise
	    {5, 100, 40, 0, 1, 1, 6},         // held long, on the repeat tick
	    {5, 100, 40, 0, 1, 0, 5},         // held long, between ticks
	    {5, 100, 40, 0, 0, 1, 5},         // a tick without a hold
	});
}

TEST_F(WidgetTest, VerticalSliderThumbSitsAtBothEnds)
{
	// The thumb's middle row shows t 239 + 13; lo 10 below y_top, hi 9
	// above y_bot.
	struct row {
		int value, y;
	} const rows[] = {{0, 240}, {100, 59}, {-5, 240}, {50, 149}};
	for (row const& r : rows) {
		SCOPED_TRACE(r.value);
		clear();
		int v = r.value;
		BTN_vert_slider(0, 100, 50, 250, 0, 100, &v);
		EXPECT_EQ(at(100, r.y), (atlas_texel{92, 252}));
	}
}

TEST_F(WidgetTest, VerticalSliderGrabHoldsUntilRelease)
{
	int v = 50;  // thumb at 149.5
	press_at(100, 149.5f, 1);
	EXPECT_EQ(BTN_vert_slider(2, 100, 50, 250, 0, 100, &v), 1);
	EXPECT_EQ(v, 50);  // 100 / -178 * (149.5 - 239), truncated
	// Held: the thumb follows the mouse anywhere, limited to the range.
	struct row {
		float mx, my;
		int want;
	} const rows[] = {{300, 61, 100}, {300, 239, 0}, {0, 400, 0}, {100, 145, 52}, {100, 0, 100}};
	for (row const& r : rows) {
		press_at(r.mx, r.my, 0);
		mnw.click_held = 1;
		EXPECT_EQ(BTN_vert_slider(2, 100, 50, 250, 0, 100, &v), 1);
		EXPECT_EQ(v, r.want) << r.my;
	}
	// Arrows are not stepped while grabbed: the upper arrow's place drags to 0.
	press_at(100, 260, 1);
	EXPECT_EQ(BTN_vert_slider(2, 100, 50, 250, 0, 100, &v), 1);
	EXPECT_EQ(v, 0);
	press_at(100, 200, 0);
	EXPECT_EQ(BTN_vert_slider(2, 100, 50, 250, 0, 100, &v), 0);
	EXPECT_EQ(v, 0);
	// An empty range draws the track only and changes nothing.
	press_at(100, 40, 1);
	v = 3;
	EXPECT_EQ(BTN_vert_slider(2, 100, 50, 250, 5, 5, &v), 0);
	EXPECT_EQ(v, 3);
}

TEST_F(WidgetTest, VerticalSliderIdOutsideZeroToThreeEndsTheProgram)
{
	alert_set_system_display(nullptr);
	for (int id : {4, -1}) {
		EXPECT_EXIT(
		    {
			    int v = 0;
			    BTN_vert_slider(id, 100, 50, 250, 0, 10, &v);
		    },
		    ::testing::ExitedWithCode(1), "Too many sliders!");
	}
}

// ---- name list: left 100, centre 200, default size (280 x 220: 90 .. 310) -----------------

std::vector<int> asked;
std::string name_of(int k)
{
	asked.push_back(k);
	return "item";
}

struct list_row {
	float mx, my;
	int down, wheel;
	int current, hover, ret, wheel_after;
};

TEST_F(WidgetTest, NameListCentresOnTheCurrentEntry)
{
	list_row const rows[] = {
	    {150, 210, 1, 0, 49, 49, 1, 0},    // the line above the centre
	    {150, 200, 1, 0, 50, 50, 1, 0},
	    {150, 190, 0, 0, 50, 51, 0, 0},    // hover only
	    {150, 205, 0, 0, 50, 49, 0, 0},    // halves away from zero
	    {150, 195, 0, 0, 50, 51, 0, 0},
	    {150, 200, 0, 3, 47, 47, 0, 0},    // the wheel, consumed
	    {150, 200, 0, -60, 100, 100, 0, 0},
	    {90, 200, 0, 3, 50, -7, 0, 3},     // outside: the wheel stays
	    {100, 90, 0, 0, 50, 61, 0, 0},     // corners count
	    {380, 310, 1, 0, 39, 39, 1, 0},
	    {380.5f, 200, 1, 0, 50, -7, 0, 0},
	    {100, 89.5f, 1, 0, 50, -7, 0, 0},
	};
	for (list_row const& r : rows) {
		SCOPED_TRACE(std::to_string(r.mx) + ", " + std::to_string(r.my));
		int current = 50, hover = -7;
		press_at(r.mx, r.my, r.down);
		mnw.wheel = r.wheel;
		asked.clear();
		int const ret = BTN_big_name_list(990, 0, 100, 200, 0, 0, &current, &hover, 0, 100, nullptr, name_of);
		EXPECT_EQ(ret, r.ret);
		EXPECT_EQ(current, r.current);
		// The hover entry is limited too; untouched it is -7 brought to 0.
		EXPECT_EQ(hover, r.hover < 0 ? 0 : r.hover);
		EXPECT_EQ(mnw.wheel, r.wheel_after);
	}
	// Entries 40 to 60 of 0 .. 100 are in view, 40 at the top, asked in order.
	int current = 50, hover = 0;
	press_at(-100, -100, 0);
	asked.clear();
	BTN_big_name_list(990, 0, 100, 200, 0, 0, &current, &hover, 0, 100, nullptr, name_of);
	std::vector<int> want;
	for (int k = 40; k <= 60; ++k) want.push_back(k);
	EXPECT_EQ(asked, want);
	// Near the ends only the entries that exist; a click above the top
	// stays at lo.
	current = 0;
	asked.clear();
	press_at(150, 300, 1);
	EXPECT_EQ(BTN_big_name_list(990, 0, 100, 200, 0, 0, &current, &hover, 0, 100, nullptr, name_of), 1);
	EXPECT_EQ(current, 0);
	EXPECT_EQ(asked.front(), 0);
	// A given height: 100 tall, n = 4, entries current +- 4.
	current = 50;
	asked.clear();
	press_at(-100, -100, 0);
	BTN_big_name_list(990, 0, 100, 200, 200, 100, &current, &hover, 0, 100, nullptr, name_of);
	EXPECT_EQ(asked, (std::vector<int>{46, 47, 48, 49, 50, 51, 52, 53, 54}));
}

TEST_F(WidgetTest, NameListShowsFileNamesWithTheirIconsWithinTheList)
{
	for (int k = 0; k < 3000; ++k) g_file_type[k] = 0;
	g_file[3] = "Aircraft";
	g_file_type[3] = 1;
	g_file_type[4] = 7;
	g_file_type[5] = 2;  // no icon
	int current = 4, hover = -1;
	BTN_big_name_list(993, 0, 100, 200, 200, 100, &current, &hover, 0, 10, nullptr, nullptr);
	// Icons 12 x 12 centred at (110, line): line of 3 at 210, of 4 at 200.
	EXPECT_EQ(at(104, 207), (atlas_texel{34, 60}));  // 4's icon covers rows 204, 205
	EXPECT_EQ(at(115, 215), (atlas_texel{45, 68}));
	EXPECT_EQ(at(104, 194), (atlas_texel{146, 57}));
	EXPECT_GE(at(110, 190).t, 289) << "type 2 has no icon: the panel shows";
	// The name's first glyph, 'A' (cell 11 of row 0), at x + 20.
	EXPECT_EQ(at(120, 209).s, 88);

	// A range that runs past the file list's slots draws only what is there.
	press_at(150, 200, 1);
	current = 3000;
	EXPECT_EQ(BTN_big_name_list(998, 0, 100, 200, 0, 0, &current, &hover, 2990, 3010, nullptr, nullptr), 1);
	current = -5;
	EXPECT_EQ(BTN_big_name_list(999, 0, 100, 200, 0, 0, &current, &hover, -20, 5, nullptr, nullptr), 1);
	EXPECT_EQ(current, -5);
}

TEST_F(WidgetTest, NameListWithABadTypeEndsTheProgram)
{
	alert_set_system_display(nullptr);
	EXPECT_EXIT(
	    {
		    int current = 5;
		    int hover = 0;
		    BTN_big_name_list(991, 0, 100, 200, 0, 0, &current, &hover, 0, 10, nullptr, nullptr);
	    },
	    ::testing::ExitedWithCode(1), "Bad big_name_list type!");
	// No entry in view, no alert: an empty range draws the panel only.
	int current = 5, hover = 0;
	EXPECT_EQ(BTN_big_name_list(991, 0, 100, 200, 0, 0, &current, &hover, 10, 0, nullptr, nullptr), 0);
}

// ---- horizontal slider: 100 .. 300 at y 100 -------------------------------------------------

TEST_F(WidgetTest, HorizontalSliderDragsWithinItsBox)
{
	struct row {
		float lo, hi, value;
		int draggable, held;
		float mx, my, want;
		int ret;
	} const rows[] = {
	    {0, 10, 3, 1, 1, 200, 100, 5, 1},
	    {0, 10, 3, 1, 1, 90, 100, 0, 1},       // x - 10 counts, limited to lo
	    {0, 10, 3, 1, 1, 89.5f, 100, 3, 0},
	    {0, 10, 3, 1, 1, 310, 110, 10, 1},
	    {0, 10, 3, 1, 1, 200, 110.5f, 3, 0},
	    {0, 10, 3, 0, 1, 200, 100, 3, 0},      // not draggable
	    {0, 10, 3, 1, 0, 200, 100, 3, 0},      // button up
	    {10, 0, 3, 1, 1, 150, 100, 2.5f, 1},   // reversed: smaller at the left
	    {1, 1, 7, 1, 1, 100, 100, 1, 1},       // widened to 1 .. 1.01
	    {1, 1, 7, 1, 1, 300, 100, 1.01f, 1},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(std::to_string(r.lo) + " .. " + std::to_string(r.hi) + " at " + std::to_string(r.mx));
		float v = r.value;
		press_at(r.mx, r.my, 0);
		mnw.click_held = r.held;
		EXPECT_EQ(BTN_horz_slider(100, 100, 200, 0, r.lo, r.hi, &v, r.draggable, "", ""), r.ret);
		EXPECT_FLOAT_EQ(v, r.want);
	}
	// A track of no width leaves the value alone.
	for (float w : {0.0f, -20.0f}) {
		float v = 4;
		press_at(100, 100, 1);
		EXPECT_EQ(BTN_horz_slider(100, 100, w, 0, 0, 10, &v, 1, "", ""), 0);
		EXPECT_EQ(v, 4);
	}
}

TEST_F(WidgetTest, HorizontalSliderFillKnobAndText)
{
	// Fill style 8 shows texel columns 289 .. 305, the track style 7 240 .. 305
	// on rows 242 .. 266; the fill band is rows 219 .. 235.
	auto fill_at = [&](int x) {
		atlas_texel const t = at(x, 104);
		return t.t >= 219 && t.t <= 235;
	};
	struct row {
		float lo, hi, value;
		int fill_col;
		int last_fill;  // last filled column, or 0 for no fill
	} const rows[] = {
	    {0, 10, 5, 5, 199},
	    {0, 10, 5.07f, 5, 202},   // f 101.4: 102 wide, its centre 151 snapped to 152
	    {0, 10, 5, 12, 0},        // colour 12: no fill bar
	    {0, 10, 0, 5, 0},
	    {1, 1, 1, 5, 299},        // 1 .. 1.01 reversed: full at 1
	    {1, 1, 1.01f, 5, 0},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.value);
		clear();
		float v = r.value;
		BTN_horz_slider(100, 100, 200, r.fill_col, r.lo, r.hi, &v, 0, "", "");
		if (r.last_fill) {
			EXPECT_TRUE(fill_at(101));
			EXPECT_TRUE(fill_at(r.last_fill));
			EXPECT_FALSE(fill_at(r.last_fill + 1));
		} else {
			EXPECT_FALSE(fill_at(150));
		}
	}
	// The knob (s 262 .. 282, t 267 .. 289) at the value's place: 1 of
	// 1 .. 1 at the left end.
	clear();
	float v = 1;
	BTN_horz_slider(100, 100, 200, 12, 1, 1, &v, 1, "", "");
	EXPECT_EQ(at(100, 102), (atlas_texel{272, 278}));
	clear();
	v = 7.5f;
	BTN_horz_slider(100, 100, 200, 12, 0, 10, &v, 1, "", "");
	EXPECT_EQ(at(250, 102), (atlas_texel{272, 278}));

	// Text: digits and signs end 3 before the track's end; anything else is
	// centred, 5 to the right. "-12" is 18 wide, "1 2" 16.
	struct text_row {
		char const* text;
		int first_x, cell_s;
	} const texts[] = {{"-12", 279, 80}, {"+7", 285, 96}, {"1 2", 197, 16}, {"12a", 196, 16}};
	for (text_row const& t : texts) {
		SCOPED_TRACE(t.text);
		clear();
		v = 0;
		BTN_horz_slider(100, 100, 200, 12, 0, 10, &v, 0, "", t.text);
		EXPECT_EQ(at(t.first_x, 113).s, t.cell_s);
		EXPECT_NE(at(t.first_x - 1, 113).s, t.cell_s - 1);
	}
}

}  // namespace
