// Check boxes, the chooser, the character wheel, the number editors and the
// text field, driven by scripted mouse state in the window record.
#include <cmath>
#include <cstring>
#include <string>

#include "foundation/alert.h"
#include "shell/butn.h"
#include "widget_fixture.h"

#include "shell/app_callbacks.h"

// The shell's frame loop is linked in; these tests run no frames of it.
void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

// ---- check box and radio button at (100, 100): hit 92 .. 108 by 96 .. 112 -----------------

TEST_F(WidgetTest, CheckBoxTogglesInsideItsBoxWithNoMenuOpen)
{
	struct row {
		int v;
		float mx, my;
		int down, menu, want_v, ret;
	} const rows[] = {
	    {0, 100, 104, 1, -1, 1, 1},     {1, 100, 104, 1, -1, 0, 1},   {7, 100, 104, 1, -1, 0, 1},
	    {0, 92, 96, 1, -1, 1, 1},       {0, 108, 112, 1, -1, 1, 1},   // edges count
	    {0, 91.5f, 104, 1, -1, 0, 0},   {0, 100, 112.5f, 1, -1, 0, 0}, {0, 100, 95.5f, 1, -1, 0, 0},
	    {0, 100, 104, 1, 3, 0, 0},      // a menu is open
	    {0, 100, 104, 0, -1, 0, 0},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(std::to_string(r.mx) + ", " + std::to_string(r.my));
		int v = r.v;
		press_at(r.mx, r.my, r.down);
		mnw.open_menu = r.menu;
		stls.help_text.clear();
		EXPECT_EQ(BTN_bool(100, 100, &v, "Left|Right{?Turn it on", 0), r.ret);
		EXPECT_EQ(v, r.want_v);
		bool const over = r.mx >= 92 && r.mx <= 108 && r.my >= 96 && r.my <= 112 && r.menu == -1;
		EXPECT_EQ(stls.help_text, over ? "Turn it on" : "");
	}
}

TEST_F(WidgetTest, AdaptersKeepOtherValuesUntilClicked)
{
	press_at(100, 104, 1);
	char c = 7;
	EXPECT_EQ(BTN_xchr(100, 100, &c, ""), 1);
	EXPECT_EQ(c, 0);
	EXPECT_EQ(BTN_xchr(100, 100, &c, ""), 1);
	EXPECT_EQ(c, 1);
	c = static_cast<char>(-3);
	BTN_xchr(100, 100, &c, "");
	EXPECT_EQ(c, 0);
	unsigned char b = 200;
	BTN_xbyt(100, 100, &b, "");
	EXPECT_EQ(b, 0);
	bool f = true;
	BTN_xbol(100, 100, &f, "");
	EXPECT_FALSE(f);

	// Radio: a set button stays set and still reports the click.
	struct row {
		int v, down, want, ret;
	} const rows[] = {{3, 1, 3, 1}, {2, 1, 3, 1}, {2, 0, 2, 0}, {3, 0, 3, 0}};
	for (row const& r : rows) {
		int v = r.v;
		press_at(100, 104, r.down);
		EXPECT_EQ(BTN_is_int(100, 100, &v, 3, ""), r.ret) << r.v;
		EXPECT_EQ(v, r.want) << r.v;
	}
}

TEST_F(WidgetTest, CheckMarkShowsTheValueHandedIn)
{
	// Box 91 .. 109 by 95 .. 113; the middle texel of the mark cell (t 197 ..
	// 215) or of the empty box (t 178 .. 196); radio cells at s 83, t 123 / 142.
	press_at(0, 0, 0);
	char c = 7;
	BTN_xchr(100, 100, &c, "");
	EXPECT_EQ(at(100, 104), (atlas_texel{148, 206}));
	clear();
	c = 0;
	BTN_xchr(100, 100, &c, "");
	EXPECT_EQ(at(100, 104), (atlas_texel{148, 187}));
	clear();
	int v = 2;
	BTN_is_int(100, 100, &v, 2, "");
	EXPECT_EQ(at(100, 104), (atlas_texel{92, 151}));
	clear();
	BTN_is_int(100, 100, &v, 5, "");
	EXPECT_EQ(at(100, 104), (atlas_texel{92, 132}));
	// Drawn with the value on entry: the frame of a click still shows it.
	clear();
	press_at(100, 104, 1);
	c = 0;
	BTN_xchr(100, 100, &c, "");
	EXPECT_EQ(c, 1);
	EXPECT_EQ(at(100, 104), (atlas_texel{148, 187}));
}

// ---- pop-up chooser ------------------------------------------------------------------------

TEST_F(WidgetTest, ChooserLimitsItsSelectionToTheItems)
{
	struct row {
		char const* items;
		int sel, want;
	} const rows[] = {
	    {"One-Two-Three", 5, 2}, {"One-Two-Three", -4, 0}, {"One-Two-Three", 1, 1},
	    {"a-b-c-", 9, 3},  // a trailing '-' makes an empty last item
	    {"", 3, 0},        // one empty item
	};
	press_at(0, 0, 0);
	for (row const& r : rows) {
		int sel = r.sel;
		EXPECT_EQ(BTN_textlist(200, 300, &sel, r.items, "Pick"), 0) << r.items;
		EXPECT_EQ(sel, r.want) << r.items;
	}
}

// "One-Two-Three": widths 20, 21, 29, so W 29; at (200, 300) the hot box is
// 180.5 .. 239.5 by 298 .. 308 and the code 300 * 1024 + 200.
TEST_F(WidgetTest, ChooserOpensAsThePopUpMenuAndTakesAChoice)
{
	int const code = 300 * 1024 + 200;
	struct row {
		float mx, my;
		int opens;
	} const rows[] = {{180.5f, 298, 1}, {239.5f, 308, 1}, {180, 300, 0}, {200, 308.5f, 0}, {200, 297.5f, 0}};
	for (row const& r : rows) {
		active_popup_code = 0;
		mnw.open_menu = -1;
		int sel = 1;
		press_at(r.mx, r.my, 1);
		BTN_textlist(200, 300, &sel, "One-Two-Three", "Pick");
		EXPECT_EQ(active_popup_code, r.opens ? code : 0) << r.mx << ", " << r.my;
		EXPECT_EQ(mnw.open_menu, r.opens ? menu_popup : -1);
	}
	// Open: menu 1519 with the current item at the chooser's height.
	menu_struct const& m = menu[menu_popup];
	EXPECT_EQ(m.parent, -1);
	EXPECT_EQ((std::vector<int>{m.x1, m.y1, m.x2, m.y2}), (std::vector<int>{182, 284, 219, 322}));
	ASSERT_EQ(m.items.size(), 3u);
	int const tops[3] = {312, 300, 288};
	char const* texts[3] = {"One", "Two", "Three"};
	for (int i = 0; i < 3; ++i) {
		item_struct const& it = m.items[static_cast<size_t>(i)];
		EXPECT_EQ(it.text, texts[i]);
		EXPECT_EQ((std::vector<int>{it.x1, it.y1, it.x2, it.y2}), (std::vector<int>{182, tops[i], 219, tops[i] + 12}));
	}
	// A choice arrives through the globals: taken once, result 1.
	active_popup_code = 0;
	mnw.open_menu = -1;
	select_popup_code = code;
	popup_menu_select = 2;
	press_at(0, 0, 0);
	int sel = 0;
	EXPECT_EQ(BTN_textlist(200, 300, &sel, "One-Two-Three", "Pick"), 1);
	EXPECT_EQ(sel, 2);
	EXPECT_EQ(select_popup_code, 0);
	EXPECT_EQ(BTN_textlist(200, 300, &sel, "One-Two-Three", "Pick"), 0);
	// Another chooser's choice is left for it.
	select_popup_code = code + 1;
	EXPECT_EQ(BTN_textlist(200, 300, &sel, "One-Two-Three", "Pick"), 0);
	EXPECT_EQ(select_popup_code, code + 1);
}

TEST_F(WidgetTest, ChooserNearTheBottomMovesItsListARowAFrame)
{
	// At y 20 with five items the last one starts at 20 - 48: the list moves
	// up one row a frame until it fits.
	active_popup_code = 20 * 1024 + 200;
	int sel = 0;
	std::vector<int> seen;
	for (int frame = 0; frame < 5; ++frame) {
		BTN_textlist(200, 20, &sel, "a-b-c-d-e", "");
		seen.push_back(sel);
	}
	EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 3, 3}));
	EXPECT_GE(menu[menu_popup].items.back().y1, 0);
	// Near the top it moves the other way.
	mnw.y_res_use = 512;
	active_popup_code = 500 * 1024 + 200;
	sel = 4;
	seen.clear();
	for (int frame = 0; frame < 5; ++frame) {
		BTN_textlist(200, 500, &sel, "a-b-c-d-e", "");
		seen.push_back(sel);
	}
	EXPECT_EQ(seen, (std::vector<int>{3, 2, 1, 0, 0}));  // item 0's top 512 fits
}

TEST_F(WidgetTest, ChooserItemsWithABarOrOverThreeHundredEndTheProgram)
{
	alert_set_system_display(nullptr);
	std::string many;
	for (int i = 0; i < 300; ++i) many += "x-";
	many += "x";  // 301 items
	std::string enough;
	for (int i = 0; i < 299; ++i) enough += "x-";
	enough += "x";  // 300 items
	EXPECT_EXIT(
	    {
		    int sel = 0;
		    BTN_textlist(200, 300, &sel, "A|B-C", "Pick it");
	    },
	    ::testing::ExitedWithCode(1), "Found \\| char in text string! A\\|B-C\n Pick it");
	EXPECT_EXIT(
	    {
		    int sel = 0;
		    BTN_textlist(200, 300, &sel, many, "Pick it");
	    },
	    ::testing::ExitedWithCode(1), "BTN_text_list overflow! x-x-");
	int sel = 400;
	BTN_textlist(200, 300, &sel, enough, "Pick it");
	EXPECT_EQ(sel, 299);
}

// ---- character wheel at (100, 100): column k spans 100 + 10 k .. 110 + 10 k --------------

TEST_F(WidgetTest, CharacterWheelStepsThroughItsAlphabet)
{
	struct row {
		char start;
		float my;
		char want;
	} const rows[] = {
	    {'a', 90, 'B'},   // below: +1; lower case counts as upper
	    {'9', 110, '8'},  // above: -1
	    {' ', 110, '-'},  // wraps from blank to '-'
	    {'-', 90, ' '},   // and back
	    {'!', 110, ' '},  // outside the alphabet counts as '0'
	    {'Z', 90, '-'},
	    {'a', 103, '9'},  // y + 3 is above
	    {'a', 82, 'B'},   // y - 18 and y + 24 count
	    {'a', 124, '9'},
	    {'a', 81.5f, 'a'},
	    {'a', 124.5f, 'a'},
	};
	for (row const& r : rows) {
		char buf[2] = {r.start, 'q'};
		press_at(105, r.my, 1);
		mnw.open_menu = 3;  // the wheel does not look at menus
		BTN_chars(100, 100, buf, 2, "Code");
		EXPECT_EQ(buf[0], r.want) << r.start << " at " << r.my;
		EXPECT_EQ(buf[1], 'q');
	}
	// A press on the shared edge steps both columns.
	char buf[2] = {'A', 'A'};
	press_at(110, 90, 1);
	BTN_chars(100, 100, buf, 2, "");
	EXPECT_EQ(std::string(buf, 2), "BB");
}

// ---- number editors at (100, 100): column k spans 100 + 10 k .. 110 + 10 k ---------------

TEST_F(WidgetTest, NumberEditorStepsColumnsLimitsAndQuantises)
{
	struct row {
		float v, lo, hi;
		float mx, my;
		int menu;
		float want;
		int ret;
	} const rows[] = {
	    {12.3f, 0, 99.9f, 125, 110, -1, 12.4f, 1},   // last column: 0.1
	    {12.3f, 0, 99.9f, 115, 90, -1, 11.3f, 1},    // middle column, below: -1
	    {12.3f, 0, 20, 105, 110, -1, 20, 1},         // first column: 10, limited
	    {12.3f, 0, 99.9f, 110, 110, -1, 23.3f, 1},   // on an edge: both columns
	    {12.3f, 0, 99.9f, 130, 124, -1, 12.4f, 1},   // corners count
	    {12.3f, 0, 99.9f, 100, 82, -1, 2.3f, 1},
	    {12.3f, 0, 99.9f, 130.5f, 110, -1, 12.3f, 0},
	    {12.3f, 0, 99.9f, 125, 124.5f, -1, 12.3f, 0},
	    {12.3f, 0, 99.9f, 125, 110, 2, 12.3f, 0},    // a menu is open
	    {10, 50, 20, -50, 0, -1, 20, 0},             // lo > hi: hi wins
	    {12.345f, 0, 99.9f, -50, 0, -1, 12.3f, 0},   // quantised without a press
	    {0.25f, 0, 9, -50, 0, -1, 0.3f, 0},          // halves away from zero
	    {-0.25f, -9, 9, -50, 0, -1, -0.3f, 0},
	    {NAN, 5, 9, -50, 0, -1, 5, 0},               // not a number: the lower bound
	    {NAN, 5, 9, 125, 110, -1, 5, 1},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(std::to_string(r.v) + " at " + std::to_string(r.mx) + ", " + std::to_string(r.my));
		float v = r.v;
		press_at(r.mx, r.my, 1);
		mnw.open_menu = r.menu;
		EXPECT_EQ(BTN_flt_range(100, 100, &v, 3, 1, r.lo, r.hi, "Speed|kts"), r.ret);
		EXPECT_FLOAT_EQ(v, r.want);
	}
	// More than ten digits: columns past the tenth do not step.
	float v = 0;
	press_at(215, 110, 1);
	EXPECT_EQ(BTN_flt_range(100, 100, &v, 12, 0, -1e12f, 1e12f, ""), 0);
	EXPECT_EQ(v, 0);
}

// The read-only number: its body from x - 8 to x + 10 digits + 6, and one
// font-102 digit over each column from x + 4, with the separators in the
// gaps between the digit cells. Read back as the glyphs found at each
// cell's middle and each gap, at (100, 100).
TEST_F(WidgetTest, DisplayNumberLaysItsDigitsOverTheColumns)
{
	struct row {
		float value;
		int digits, decimals;
		std::string shown;
	} const rows[] = {
	    {1234.5f, 5, 1, "1,234.5"},
	    {7, 3, 0, "007"},
	    {-3.5f, 3, 1, "-03.5"},
	    {1234567, 7, 0, "1,234,567"},
	    {123456, 3, 0, "1.23x5"},  // too many digits: the short scientific form
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.shown);
		clear();
		BTN_display_number(100, 100, r.value, r.digits, r.decimals, "");
		std::string shown;
		if (char const sign = atlas_glyph(at(99, 103))) shown += sign;  // the hyphen's cell starts at 95
		for (int k = 0; k < 10; ++k) {
			char const digit = atlas_glyph(at(108 + 10 * k, 103));
			if (digit) shown += digit;
			if (char const gap = atlas_glyph(at(113 + 10 * k, 103))) shown += gap;
		}
		EXPECT_EQ(shown, r.shown);
		// The body, above the digits.
		int const right = 100 + 10 * r.digits;
		EXPECT_TRUE(at(92, 112).t >= 133) << at(92, 112);
		EXPECT_TRUE(at(right + 4, 112).t >= 133) << at(right + 4, 112);
		EXPECT_EQ(at(86, 112), (atlas_texel{-1, -1}));
		EXPECT_EQ(at(right + 11, 112), (atlas_texel{-1, -1}));
	}
}

TEST_F(WidgetTest, NumberAdaptersWriteBackByTheirRules)
{
	// int: 45 of 0 .. 50, first column of two: +10, limited, written back.
	int i = 45;
	press_at(105, 110, 1);
	EXPECT_EQ(BTN_int_range(100, 100, &i, 2, 0, 50, ""), 1);
	EXPECT_EQ(i, 50);
	i = 60;
	press_at(0, 0, 0);
	EXPECT_EQ(BTN_int_range(100, 100, &i, 2, 0, 50, ""), 0);
	EXPECT_EQ(i, 50) << "written back even without a press";
	// double: written back only when stepped.
	double d = 12.345678;
	EXPECT_EQ(BTN_dob_range(100, 100, &d, 3, 1, 0, 99, ""), 0);
	EXPECT_EQ(d, 12.345678);
	press_at(125, 110, 1);
	EXPECT_EQ(BTN_dob_range(100, 100, &d, 3, 1, 0, 99, ""), 1);
	EXPECT_FLOAT_EQ(static_cast<float>(d), 12.4f);
	// neg: 2 digits allow -99 .. 99.
	i = -500;
	press_at(0, 0, 0);
	BTN_int(100, 100, &i, 2, 1, "");
	EXPECT_EQ(i, -99);
	i = -500;
	BTN_int(100, 100, &i, 2, 0, "");
	EXPECT_EQ(i, 0);
	// Ten digits reach past what an int holds: the int's own limits apply.
	i = 2147483647;
	BTN_int(100, 100, &i, 10, 1, "");
	EXPECT_EQ(i, 2147483647);
	i = 1500000000;
	press_at(105, 110, 1);
	EXPECT_EQ(BTN_int(100, 100, &i, 10, 1, ""), 1);
	EXPECT_EQ(i, 2147483647);
	i = -1500000000;
	press_at(105, 90, 1);
	EXPECT_EQ(BTN_int(100, 100, &i, 10, 1, ""), 1);
	EXPECT_EQ(i, -2147483647 - 1);
}

TEST_F(WidgetTest, NumberMaximaForOneToTenDigits)
{
	struct row {
		int digits, decimals;
		float max;
	} const rows[] = {
	    {1, 0, 9},          {2, 0, 99},          {3, 1, 99.9f},       {4, 0, 9999},
	    {5, 2, 999.99f},    {6, 0, 999999},      {7, 3, 9999.999f},   {8, 0, 99999999.f},
	    {9, 0, 999999999.f}, {10, 0, 9999999999.f}, {2, 1, 9.9f},      {1, 1, 0.9f},
	};
	press_at(0, 0, 0);
	for (row const& r : rows) {
		SCOPED_TRACE(std::to_string(r.digits) + " digits, " + std::to_string(r.decimals));
		float v = 1e30f;
		BTN_flt(100, 100, &v, r.digits, r.decimals, 1, "");
		EXPECT_FLOAT_EQ(v, r.max);
		v = -1e30f;
		BTN_flt(100, 100, &v, r.digits, r.decimals, 1, "");
		EXPECT_FLOAT_EQ(v, -r.max);
	}
}

TEST_F(WidgetTest, NumberDigitsOutsideOneToTenEndTheProgram)
{
	alert_set_system_display(nullptr);
	float v = 0;
	int i = 0;
	EXPECT_EXIT(BTN_flt(100, 100, &v, 0, 0, 0, ""), ::testing::ExitedWithCode(1), "Bad digits arg to BTN_flt!");
	EXPECT_EXIT(BTN_flt(100, 100, &v, 11, 0, 0, ""), ::testing::ExitedWithCode(1), "Bad digits arg to BTN_flt!");
	EXPECT_EXIT(BTN_int(100, 100, &i, 11, 0, ""), ::testing::ExitedWithCode(1), "Bad digits arg to BTN_int!");
}

TEST_F(WidgetTest, GridCellPlacesTheEditor)
{
	// Cell (1, 2) with 4 digits: x 75 + 75 - 40 = 110, y 125.
	struct row {
		float mx, my, want;
	} const rows[] = {
	    {110, 135, 6000}, {109.5f, 135, 5000}, {150, 149, 5001}, {150.5f, 135, 5000}, {115, 107, 4000},
	    {115, 106.5f, 5000},
	};
	for (row const& r : rows) {
		float v = 5000;
		press_at(r.mx, r.my, 1);
		BTN_fltij(1, 2, &v, 4, 0, 0, "");
		EXPECT_EQ(v, r.want) << r.mx << ", " << r.my;
		v = 5000;
		BTN_flt_rangeij(1, 2, &v, 4, 0, 0, 9999, "");
		EXPECT_EQ(v, r.want) << r.mx << ", " << r.my;
	}
}

// ---- text field at (100, 100), 10 characters: hot box 100 .. 160 by 100 .. 108 ------------

TEST_F(WidgetTest, TextFieldTakesTheFocusAndTheTypedLine)
{
	std::string s = "old";
	stl_input = "junk";
	press_at(100, 100, 1);
	EXPECT_EQ(BTN_enterstring(100, 100, &s, 10, 4, "Name{?Your name"), 1);
	EXPECT_EQ(mnw.focus_id, 4);
	EXPECT_EQ(s, "");
	EXPECT_EQ(stl_input, "");
	EXPECT_EQ(stls.help_text, "Your name");
	press_at(100, 100, 0);
	stl_input = "abc";
	EXPECT_EQ(BTN_enterstring(100, 100, &s, 2, 4, ""), 0);
	EXPECT_EQ(s, "ab");
	EXPECT_EQ(stl_input, "ab");
	// Hot box edges.
	struct row {
		float mx, my;
		int ret;
	} const rows[] = {{160, 108, 1}, {160.5f, 104, 0}, {100, 99.5f, 0}, {99.5f, 104, 0}};
	for (row const& r : rows) {
		mnw.focus_id = -1;
		press_at(r.mx, r.my, 1);
		EXPECT_EQ(BTN_enterstring(100, 100, &s, 10, 4, ""), r.ret) << r.mx << ", " << r.my;
	}
}

TEST_F(WidgetTest, TextFieldOnACharBuffer)
{
	char buf[600];
	std::strcpy(buf, "keep");
	press_at(0, 0, 0);
	EXPECT_EQ(BTN_enterstring(100, 100, buf, 10, 1, ""), 0);
	EXPECT_STREQ(buf, "keep");
	mnw.focus_id = 1;
	stl_input = "typed";
	BTN_enterstring(100, 100, buf, 10, 1, "");
	EXPECT_STREQ(buf, "typed");
	stl_input.clear();
	BTN_enterstring(100, 100, buf, 10, 1, "");
	EXPECT_STREQ(buf, "");

	alert_set_system_display(nullptr);
	EXPECT_EXIT(
	    {
		    mnw.focus_id = 1;
		    stl_input.assign(500, 'x');
		    BTN_enterstring(100, 100, buf, 550, 1, "");
	    },
	    ::testing::ExitedWithCode(1), "String too long!");
}

TEST_F(WidgetTest, CaretStandsAfterTheText)
{
	// The caret is a line of colour 44 (white here) through the box's texels.
	auto caret_column = [&]() {
		for (int x = 96; x < 130; ++x)
			if (at(x, 103) == atlas_texel{-1, -1}) return x;
		return -1;
	};
	std::string s;
	mnw.focus_id = 2;
	press_at(0, 0, 0);
	BTN_enterstring(100, 100, &s, 10, 2, "");
	int const empty = caret_column();
	EXPECT_GE(empty, 100);
	EXPECT_LE(empty, 101);
	clear();
	s = "ab";  // 12 wide
	stl_input = "ab";
	BTN_enterstring(100, 100, &s, 10, 2, "");
	EXPECT_EQ(caret_column(), empty + 12);
	// Without the focus there is no caret.
	clear();
	mnw.focus_id = 3;
	BTN_enterstring(100, 100, &s, 10, 2, "");
	EXPECT_EQ(caret_column(), -1);
}

}  // namespace
