// The alert screen, the language chooser and the three-choice screen on the
// real start-up, driven by input that a hook hands in frame by frame at
// each buffer swap.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "platform/gl_window.h"
#include "shell/app_callbacks.h"
#include "shell/butn.h"
#include "shell/hl_mnw.h"
#include "support/coordinate_atlas.h"
#include "support/frame_driver.h"

void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}
void recall_ins_texes() { load_coordinate_atlas(363, 512); }

namespace {

// One step of input, at a point of the current window (layout units).
struct step {
	enum kind { press, release, key_return, call } what;
	float x = 0, y = 0;
	std::function<void()> run = nullptr;
};

step press_at(float x, float y) { return {step::press, x, y}; }
step release_at(float x, float y) { return {step::release, x, y}; }

// Hands in the next step at a swap once the previous one's events are taken.
struct scripted_screen {
	frame_driver& drive;
	std::deque<step> steps;
	int swaps = 0;
	int idle = 0;  // swaps since the last step

	explicit scripted_screen(frame_driver& d, std::deque<step> s) : drive(d), steps(std::move(s))
	{
		PLT_gl_set_pre_swap_hook(on_swap, this);
	}
	~scripted_screen() { PLT_gl_set_pre_swap_hook(nullptr, nullptr); }

	static void on_swap(void* self)
	{
		auto* me = static_cast<scripted_screen*>(self);
		++me->swaps;
		if (me->drive.input().pending()) return;
		if (me->steps.empty()) {
			// A screen that ignores its dismissal fails instead of hanging.
			if (++me->idle == 50) {
				ADD_FAILURE() << "the screen is still up after the last step";
				VEDEZE_startwind(0);
			}
			return;
		}
		step const s = me->steps.front();
		me->steps.pop_front();
		float const x = mnw.org_x + s.x, y = mnw.org_y + s.y;
		switch (s.what) {
		case step::press: me->drive.push_mouse(PLT_ev_mouse_down, x, y); break;
		case step::release: me->drive.push_mouse(PLT_ev_mouse_up, x, y); break;
		case step::key_return: {
			PLT_event ev;
			ev.what = PLT_ev_key_down;
			ev.message = 0x24 << 8 | '\r';
			me->drive.input().push(ev);
			break;
		}
		case step::call: s.run(); break;
		}
	}
};

struct alert_screen_test : ::testing::Test {
	frame_driver drive{false};
	void SetUp() override
	{
		alert_set_window_display(VEDEZE_alert_screen);
		stls.text[STL_alert_button] = "OK";
		drive.move_to(123, 456);
		drive.frame_at(0);  // the main screen is current
	}
	std::string log() { return drive.app().log_text(); }
};

// The alert's button: centred at half the window's width, 18 up.
float const button_x = 200, button_y = 18;

}  // namespace

TEST_F(alert_screen_test, SeverityOneIsDismissedByTheButtonOrByReturnAndRestoresTheMainScreen)
{
	struct row {
		char const* name;
		std::deque<step> steps;
	} const rows[] = {
	    // A click beside the button does nothing.
	    {"click", {press_at(20, 100), release_at(20, 100), press_at(button_x, button_y)}},
	    {"return", {press_at(20, 100), {step::key_return}}},
	};
	int line = 40;
	for (row const& r : rows) {
		SCOPED_TRACE(r.name);
		scripted_screen screen(drive, r.steps);
		return_hit = 1;  // a Return that raised the alert does not dismiss it
		__VEDEZE_alert(0, "first", "second", "third", "fourth", 1, "hl_mnw", ++line);
		EXPECT_TRUE(screen.steps.empty());
		EXPECT_GE(screen.swaps, 3);
		EXPECT_EQ(mnw.cur_win, 0);
		EXPECT_EQ(mnw.modal_up, 0);
		EXPECT_EQ(mnw.mouse_x, 123);
		EXPECT_EQ(mnw.mouse_y, 456);
		EXPECT_EQ(return_hit, 0);
		std::string const tail = "first\nsecond\nthird\nfourth\n(hl_mnw line " + std::to_string(line) + ")\n";
		std::string const text = log();
		ASSERT_GE(text.size(), tail.size());
		EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
	}
}

// A line keeps to its rows above the next line: a long path (the text of
// "String too long!" is one of 500 characters or more) ran over the lines
// under it, the button and out of the panel. Below the first line's rows,
// and right of the panel, the screen is the same with a long first line as
// with a short one.
TEST_F(alert_screen_test, ALongLineKeepsToItsRows)
{
	auto below_first_line = [&](std::string const& first) {
		std::vector<unsigned char> px;
		auto read = [&] {
			// From the window's bottom to under the third row of the line at
			// 195, and a strip right of the window over its whole height.
			int const x0 = static_cast<int>(mnw.org_x), y0 = static_cast<int>(mnw.org_y);
			int const w = static_cast<int>(mnw.win_dx), h = 166, strip = 100;
			int const right_h = static_cast<int>(mnw.win_dy);
			px.resize(size_t(w) * h * 4 + size_t(strip) * right_h * 4);
			glPixelStorei(GL_PACK_ALIGNMENT, 1);
			glReadPixels(x0, y0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
			glReadPixels(x0 + w, y0, strip, right_h, GL_RGBA, GL_UNSIGNED_BYTE, px.data() + size_t(w) * h * 4);
		};
		scripted_screen screen(drive, {{step::call, 0, 0, read}, press_at(button_x, button_y)});
		__VEDEZE_alert(0, first, "second", "third", "fourth", 1, "hl_mnw", 7);
		EXPECT_EQ(mnw.cur_win, 0);
		return px;
	};
	std::vector<unsigned char> const plain = below_first_line("/home/user/Skyrell/");
	ASSERT_FALSE(plain.empty());
	std::string deep = "/home/user";
	for (int i = 0; i < 60; ++i) deep += "/a-rather-long-folder-name-" + std::to_string(i);
	for (std::string const& first : {deep, std::string(700, 'w'), "Error: " + std::string(600, ' ') + "x"}) {
		SCOPED_TRACE(first.size());
		EXPECT_TRUE(below_first_line(first) == plain) << "the first line ran into the lines under it";
	}
}

TEST_F(alert_screen_test, FourEmptyLinesShowNothing)
{
	scripted_screen screen(drive, {});
	__VEDEZE_alert(0, "", "", "", "", 1, "hl_mnw", 9);
	EXPECT_EQ(screen.swaps, 0);
	EXPECT_EQ(mnw.cur_win, 0);
}

TEST_F(alert_screen_test, SeverityTwoEndsTheProgramOnTheClick)
{
	EXPECT_EXIT(
	    {
		    scripted_screen screen(drive, {press_at(button_x, button_y)});
		    __VEDEZE_alert(0, "fatal one", "fatal two", "", "", 2, "hl_mnw", 77);
	    },
	    ::testing::ExitedWithCode(1), "");
	EXPECT_NE(log().find("fatal one\nfatal two\n\n\n(hl_mnw line 77)\n"), std::string::npos) << log();
}

TEST_F(alert_screen_test, AnAlertFromTheScreensOwnFramesIsASystemAlertAndFatal)
{
	EXPECT_EXIT(
	    {
		    scripted_screen screen(drive, {{step::call, 0, 0, [] {
			                                    __VEDEZE_alert(0, "inner one", "inner two", "inner three", "", 1,
			                                                   "hl_mnw", 88);
		                                    }}});
		    __VEDEZE_alert(0, "outer", "", "", "", 1, "hl_mnw", 87);
	    },
	    ::testing::ExitedWithCode(1), "inner one inner two\ninner three \n");
	std::string const text = log();
	EXPECT_NE(text.find("inner one\ninner two\ninner three\n\n(hl_mnw line 88)\n"), std::string::npos) << text;
	EXPECT_EQ(text.find("(hl_mnw line 87)"), std::string::npos) << text;
}

TEST_F(alert_screen_test, SeverityZeroChoosesTheLanguageWithTheRadiosAndAccept)
{
	mnw.lang = 0;
	// Radios at x = 400 / 2 - 25; Italian at y 120, its box 4 up from there.
	scripted_screen screen(drive, {press_at(175, 124), release_at(175, 124), press_at(button_x, button_y)});
	std::string const before = log();
	__VEDEZE_alert(0, "Language", "", "", "", 0, "hl_mnw", 5);
	EXPECT_EQ(mnw.lang, 3);
	EXPECT_EQ(stls.win_title, "Language:");
	EXPECT_EQ(mnw.cur_win, 0);
	EXPECT_EQ(log(), before);  // the chooser logs nothing
}

namespace {

struct choice_row {
	char const* name;
	int third;
	std::deque<step> steps;
	int result;
	int after;  // the screen current afterwards
};

}  // namespace

TEST_F(alert_screen_test, ThreeChoiceScreenReturnsTheButtonClicked)
{
	stls.text[STL_choice_lead] = "Lead ";
	stls.text[STL_choice_trail] = "trail";
	stls.text[STL_choice_1] = "One";
	stls.text[STL_choice_2] = "Two";
	stls.text[STL_choice_3] = "Three";
	float const one = BTN_text_width("One") / 2 + 20, two = BTN_text_width("Two") / 2 + 20;
	float const three = 300 - BTN_text_width("Three") / 2 - 20;
	choice_row const rows[] = {
	    {"first", 0, {press_at(one, 60)}, 1, 0},
	    {"second", 0, {press_at(two, 25)}, 2, 0},
	    // Without the third button its place is empty.
	    {"no third", 0, {press_at(three, 25), release_at(three, 25), press_at(two, 25)}, 2, 0},
	    {"third", 1, {press_at(three, 25)}, 3, 0},
	    {"another screen", 1, {{step::call, 0, 0, [] { VEDEZE_startwind(2); }}}, 3, 2},
	};
	for (choice_row const& r : rows) {
		SCOPED_TRACE(r.name);
		scripted_screen screen(drive, r.steps);
		EXPECT_EQ(VEDEZE_nuke_alert("message", r.third), r.result);
		EXPECT_TRUE(screen.steps.empty());
		EXPECT_EQ(mnw.cur_win, r.after);
		VEDEZE_startwind(0);
	}
}
