// Widgets in real frames: the started program, scripted mouse and key
// events through the frame loop's dispatch, and the clock driven by the test.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "foundation/xtim.h"
#include "shell/app_callbacks.h"
#include "shell/butn.h"
#include "shell/hl_mnw.h"
#include "support/frame_driver.h"

namespace {
std::function<void()> screen;
}

void APP_update()
{
	if (screen) screen();
}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}
void recall_ins_texes() {}

namespace {

struct FramesTest : ::testing::Test {
	frame_driver drive;
	double now = 0, dt = 0.05;
	void SetUp() override { drive.frame_at(now); }
	void TearDown() override { screen = nullptr; }
	void frame() { drive.frame_at(now += dt); }
	void click(float x, float y)
	{
		drive.push_mouse(1, x, y);
		frame();
		drive.push_mouse(2, x, y);
		frame();
	}
	void key(int ch, int code)
	{
		PLT_event ev;
		ev.what = 3;
		ev.message = static_cast<unsigned>(ch) | static_cast<unsigned>(code) << 8;
		drive.input().push(ev);
		ev.what = 4;
		drive.input().push(ev);
	}
	void type(std::string const& text)
	{
		for (char c : text) key(static_cast<unsigned char>(c), 0);
		frame();
	}
};

// "One-Two-Three" at (200, 300): hot box 180.5 .. 239.5 by 298 .. 308; open
// with *sel 0 its items lie at y 300, 288 and 276.
TEST_F(FramesTest, ChooserOpensAsThePopUpMenuAndTakesTheChosenItem)
{
	int sel = 0;
	std::vector<int> results;
	screen = [&] { results.push_back(BTN_textlist(200, 300, &sel, "One-Two-Three", "Pick")); };
	click(200, 303);
	EXPECT_EQ(mnw.open_menu, menu_popup);
	EXPECT_EQ(active_popup_code, 300 * 1024 + 200);
	menu_struct const& m = menu[menu_popup];
	EXPECT_EQ((std::vector<int>{m.x1, m.y1, m.x2, m.y2}), (std::vector<int>{182, 272, 219, 310}));
	ASSERT_EQ(m.items.size(), 3u);
	EXPECT_EQ((std::vector<int>{m.items[2].x1, m.items[2].y1, m.items[2].x2, m.items[2].y2}),
	          (std::vector<int>{182, 276, 219, 288}));
	// Still open frame after frame until an item is chosen.
	frame();
	EXPECT_EQ(mnw.open_menu, menu_popup);

	results.clear();
	drive.push_mouse(1, 200, 280);  // "Three"
	frame();
	EXPECT_EQ(sel, 2);
	EXPECT_EQ(mnw.open_menu, -1);
	EXPECT_EQ(active_popup_code, 0);
	EXPECT_EQ(select_popup_code, 0);
	drive.push_mouse(2, 200, 280);
	frame();
	EXPECT_EQ(results, (std::vector<int>{1, 0}));

	// A press beside every item closes the menu, but the chooser stays
	// active and opens its list again in the same frame: only a choice ends it.
	click(200, 303);
	ASSERT_EQ(mnw.open_menu, menu_popup);
	results.clear();
	drive.push_mouse(1, 400, 100);
	frame();
	EXPECT_EQ(mnw.open_menu, menu_popup);
	EXPECT_EQ(sel, 2);
	EXPECT_EQ(results, (std::vector<int>{0}));
}

TEST_F(FramesTest, ChooserNearTheBottomMovesItsListUpARowAFrame)
{
	int sel = 0;
	screen = [&] { BTN_textlist(200, 20, &sel, "a-b-c-d-e", ""); };
	drive.push_mouse(1, 200, 23);
	frame();
	std::vector<int> seen{sel};
	for (int i = 0; i < 4; ++i) {
		frame();
		seen.push_back(sel);
	}
	EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 3, 3}));
	EXPECT_GE(menu[menu_popup].items.back().y1, 0);
}

// Field A at (100, 400), 10 characters; field B at (100, 360), 2 characters.
TEST_F(FramesTest, TextFieldsTakeTheFocusAndTheTypedKeys)
{
	std::string a = "old A", b = "old B";
	std::vector<int> got_a;
	screen = [&] {
		got_a.push_back(BTN_enterstring(100, 400, &a, 10, 1, "A"));
		BTN_enterstring(100, 360, &b, 2, 2, "B");
	};
	drive.push_mouse(1, 110, 404);
	frame();
	EXPECT_EQ(mnw.focus_id, 1);
	EXPECT_EQ(a, "");
	drive.push_mouse(2, 110, 404);
	frame();
	frame();
	EXPECT_EQ(got_a, (std::vector<int>{1, 0, 0}));  // the press frame only

	type("xyz");
	EXPECT_EQ(a, "xyz");
	// The focus moves to B, which starts empty; A keeps its text.
	click(105, 362);
	EXPECT_EQ(mnw.focus_id, 2);
	EXPECT_EQ(b, "");
	type("pqr");
	EXPECT_EQ(b, "pq");
	EXPECT_EQ(stl_input, "pq");
	EXPECT_EQ(a, "xyz");
	// A press outside every field ends editing and keeps the text.
	click(10, 10);
	EXPECT_EQ(mnw.focus_id, -1);
	type("k");
	EXPECT_EQ(a, "xyz");
	EXPECT_EQ(b, "pq");
	// Delete on an empty field changes nothing; after a typed key it takes it.
	click(110, 404);
	EXPECT_EQ(a, "");
	key(8, 0x33);
	frame();
	EXPECT_EQ(a, "");
	EXPECT_EQ(mnw.focus_id, 1);
	type("m");
	EXPECT_EQ(a, "m");
	key(8, 0x33);
	frame();
	EXPECT_EQ(a, "");
}

// Slider 0 .. 100 at x 100 from 50 to 250; its lower arrow lies at 30 .. 50.
TEST_F(FramesTest, SliderArrowRepeatsFiveTimesASecondAfterAQuarter)
{
	int v = 5;
	struct step {
		double t;
		int v;
	};
	std::vector<step> seen;
	screen = [&] {
		BTN_vert_slider(0, 100, 50, 250, 0, 100, &v);
		seen.push_back({xtim.run_time, v});
	};
	dt = 0.02;  // the repeat tick can fire only on a frame
	drive.push_mouse(1, 100, 40);
	double const pressed = now + dt;
	while (now < pressed + 1.5) frame();
	drive.push_mouse(2, 100, 40);
	frame();
	frame();

	// +1 at the press, nothing more for a quarter second, then one step in
	// every 0.2 s until the release.
	std::vector<double> steps;
	int last = 5;
	for (step const& s : seen) {
		if (s.v != last) steps.push_back(s.t);
		EXPECT_LE(s.v - last, 1);
		last = s.v;
	}
	ASSERT_GE(steps.size(), 2u);
	EXPECT_NEAR(steps[0], pressed, 1e-3);
	EXPECT_GT(steps[1], pressed + 0.25);
	for (size_t i = 2; i < steps.size(); ++i) EXPECT_NEAR(steps[i] - steps[i - 1], 0.2, 0.041) << i;
	EXPECT_GE(steps.size(), 6u);
	EXPECT_LE(steps.size(), 8u);
	EXPECT_LE(steps.back(), pressed + 1.5 + 1e-3);
}

}  // namespace
