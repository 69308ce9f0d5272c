// The frame loop on the real start-up, with scripted input and a driven
// clock: timers, click timing, frame periods, help overlay, cursor, click
// dispatch, mouse conversion, the second window and the texture alerts.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "foundation/xtim.h"
#include "graphics/colr.h"
#include "graphics/oglp_draw.h"
#include "graphics/tman.h"
#include "platform/gl_window.h"
#include "shell/app_callbacks.h"
#include "shell/hl_init.h"
#include "shell/hl_mnw.h"
#include "support/coordinate_atlas.h"
#include "support/frame_driver.h"

namespace {

struct seen_frame {
	float mouse_x, mouse_y;
	int down, up, dbl, quick, held, lng;
};
std::vector<seen_frame> frames;
std::vector<int> menu_calls;
std::string help_to_set;
std::function<void()> during_update;  // more drawing, after the white

}  // namespace

void APP_update()
{
	frames.push_back({mnw.mouse_x, mnw.mouse_y, mnw.click_down, mnw.click_up, mnw.click_double, mnw.click_quick,
	                  mnw.click_held, mnw.click_long});
	OGL_fillrect(48, 1, -mnw.org_x, -mnw.org_y, 1024, 768);  // white: no texel of the atlas
	stls.help_text = help_to_set;
	if (during_update) during_update();
}
void APP_handlemenu(int code) { menu_calls.push_back(code); }
void APP_handlekey(int, int) {}
void recall_ins_texes() { load_coordinate_atlas(363, 512); }

namespace {

struct frame_test : ::testing::Test {
	frame_driver drive;
	void SetUp() override
	{
		frames.clear();
		menu_calls.clear();
		help_to_set.clear();
		during_update = nullptr;
	}
	void TearDown() override { during_update = nullptr; }
};

std::string timer_flags()
{
	int const f[10] = {xtim.tick01, xtim.tick02, xtim.tick05, xtim.tick1,  xtim.tick2,
	                   xtim.tick5,  xtim.tick10, xtim.tick20, xtim.tick40, xtim.tick00};
	std::string s;
	for (int v : f) s += v ? '1' : '0';
	return s;
}

}  // namespace

TEST_F(frame_test, TimerFlagsComeWhenThePreviousFramesRunTimePassedTheirPeriod)
{
	// Flags in the order 10, 5, 2, 1, 0.5, 0.2, 0.1, 0.05, 0.025, 0.01 s; each
	// frame compares the previous frame's run time.
	struct row {
		double t;
		char const* flags;
	} const rows[] = {
	    {0.0, "0000000000"},  {1.0, "0000000000"},  {1.5, "0000111111"},
	    {1.53, "0001011111"}, {1.62, "0000100011"}, {12.0, "0000001111"},
	    {12.1, "1111111111"},
	};
	for (row const& r : rows) {
		drive.frame_at(r.t);
		EXPECT_EQ(timer_flags(), r.flags) << "frame at " << r.t;
		EXPECT_FLOAT_EQ(xtim.run_time, static_cast<float>(r.t));
	}
}

TEST_F(frame_test, ClickTimingDoubleQuickHeldAndLong)
{
	struct row {
		double t;
		int what;  // 0: no event
		int down, up, dbl, quick, held, lng;
	} const rows[] = {
	    {0.0, 0, 0, 0, 0, 0, 0, 0},   {1.0, 1, 1, 0, 0, 0, 1, 0},  // first press
	    {1.1, 2, 0, 1, 0, 1, 0, 0},                                // quick release
	    {1.2, 1, 1, 0, 1, 0, 1, 0},                                // 0.2 s after: double
	    {1.3, 2, 0, 1, 0, 1, 0, 0},   {1.5, 1, 1, 0, 0, 0, 1, 0},  // 0.3 s after: not double
	    {1.7, 0, 0, 0, 0, 0, 1, 0},                                // held 0.2 s
	    {1.8, 0, 0, 0, 0, 0, 1, 1},                                // held 0.3 s: long
	    {1.9, 2, 0, 1, 0, 0, 0, 0},                                // a slow release
	};
	for (row const& r : rows) {
		if (r.what) drive.push_mouse(r.what, 300, 300);
		drive.frame_at(r.t);
		ASSERT_FALSE(frames.empty());
		seen_frame const& f = frames.back();
		SCOPED_TRACE(r.t);
		EXPECT_EQ(f.down, r.down);
		EXPECT_EQ(f.up, r.up);
		EXPECT_EQ(f.dbl, r.dbl);
		EXPECT_EQ(f.quick, r.quick);
		EXPECT_EQ(f.held, r.held);
		EXPECT_EQ(f.lng, r.lng);
	}
	EXPECT_FLOAT_EQ(mnw.press_time, 1.5f);
}

TEST_F(frame_test, FramePeriodsMoveByTheFourthRootOfTheClampedRatioWithinTheirClamps)
{
	float const up = std::pow(1.5f, 0.25f) * 1.0001f, down = std::pow(0.5f, 0.25f) * 0.9999f;
	double t = 0;
	auto run = [&](int n, double period, bool check) {
		for (int i = 0; i < n; ++i) {
			float const fm = xtim.prd_FM, ui = xtim.prd_UI;
			drive.frame_at(t += period);
			if (!check) continue;
			EXPECT_LE(xtim.prd_FM, fm * up);
			EXPECT_GE(xtim.prd_FM, fm * down);
			EXPECT_LE(xtim.prd_UI, ui * up);
			EXPECT_GE(xtim.prd_UI, ui * down);
		}
	};
	// Slow frames: both periods grow to their upper clamps, never past them.
	run(400, 0.5, true);
	EXPECT_FLOAT_EQ(xtim.prd_FM, 0.05f);
	EXPECT_FLOAT_EQ(xtim.prd_UI, 0.1f);
	EXPECT_FLOAT_EQ(xtim.rat_FM, 1.5f);
	// Fast frames: down to the lower clamps.
	run(800, 0.00001, true);
	EXPECT_FLOAT_EQ(xtim.prd_FM, 0.0010001f);
	EXPECT_FLOAT_EQ(xtim.prd_UI, 0.0001f);
	EXPECT_FLOAT_EQ(xtim.rat_UI, 0.5f);

	// Steady frames settle on their period.
	run(600, 0.01, false);
	EXPECT_NEAR(xtim.prd_FM, 0.01f, 0.001f);
	EXPECT_NEAR(xtim.prd_UI, 0.01f, 0.001f);

	// A minute on a modal screen is not counted; on a sub-window only the
	// non-modal measurement runs.
	float const fm = xtim.prd_FM, ui = xtim.prd_UI;
	VEDEZE_startwind(995);
	run(3, 20.0, false);
	VEDEZE_startwind(0);
	run(20, 0.01, false);
	EXPECT_LE(xtim.prd_FM, fm * 1.0001f);
	EXPECT_LE(xtim.prd_UI, ui * 1.0001f);
	float const fm2 = xtim.prd_FM, ui2 = xtim.prd_UI;
	VEDEZE_startwind(1);
	run(20, 1.0, false);
	EXPECT_FLOAT_EQ(xtim.prd_FM, fm2);
	EXPECT_GT(xtim.prd_UI, ui2 * 1.2f);
}

namespace {

unsigned char overlay_pixel[4];
void read_overlay_pixel(void*)
{
	glFinish();
	glReadPixels(300, 430, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, overlay_pixel);
}

}  // namespace

TEST_F(frame_test, HelpOverlayAfterASecondStillRestartedByMotion)
{
	help_to_set = "Help for the widget under the mouse.";
	PLT_gl_set_pre_swap_hook(read_overlay_pixel, nullptr);
	drive.move_to(500, 400);
	drive.frame_at(0);
	unsigned char background[4];
	std::copy(overlay_pixel, overlay_pixel + 4, background);
	auto overlay_shown = [&] { return !std::equal(background, background + 4, overlay_pixel); };
	struct row {
		double t;
		float x;
		bool shown;
	} const rows[] = {
	    {0.5, 500, false}, {1.1, 500, true},  // still for a second
	    {1.2, 501, false}, {2.1, 501, false}, {2.3, 501, true},  // a move restarts it
	};
	for (row const& r : rows) {
		drive.move_to(r.x, 400);
		drive.frame_at(r.t);
		EXPECT_EQ(overlay_shown(), r.shown) << "frame at " << r.t;
	}
	help_to_set.clear();
	drive.frame_at(2.4);
	EXPECT_FALSE(overlay_shown());
	PLT_gl_set_pre_swap_hook(nullptr, nullptr);
}

TEST_F(frame_test, CursorHidesAfterTenSecondsStillAndShowsOnMotion)
{
	drive.move_to(200, 200);
	drive.frame_at(0);
	drive.frame_at(9.9);
	EXPECT_EQ(drive.input().cursor_shown(), 1);
	drive.frame_at(10.1);
	EXPECT_EQ(mnw.hide_cursor, 1);
	EXPECT_EQ(drive.input().cursor_shown(), 0);
	drive.frame_at(12);
	EXPECT_EQ(drive.input().cursor_shown(), 0);
	drive.move_to(203, 200);
	drive.frame_at(12.1);
	EXPECT_EQ(mnw.hide_cursor, 0);
	EXPECT_EQ(drive.input().cursor_shown(), 1);
}

TEST_F(frame_test, MousePositionIsLayoutUnitsFromTheBottomLessTheOrigin)
{
	drive.frame_at(0);
	VEDEZE_startwind(995);  // origin (312, 269)
	drive.input().set_mouse(400, 300);
	drive.frame_at(0.1);
	EXPECT_FLOAT_EQ(mnw.mouse_x, 88);
	EXPECT_FLOAT_EQ(mnw.mouse_y, 768 - 300 - 269);
	EXPECT_EQ(mnw.mouse_in_sec, 0);
}

TEST_F(frame_test, WheelTurnsAddUpAndAnUnreadTurnLeavesTheTotal)
{
	drive.frame_at(0);
	drive.input().push_wheel(3);
	drive.input().push_wheel(-1);
	drive.input().push_wheel(5, -9876);
	drive.frame_at(0.1);
	EXPECT_EQ(mnw.wheel, 2);
	EXPECT_EQ(APL_HandleWheel(-9876, 4), -9876);
	EXPECT_EQ(mnw.wheel, 2);
}

TEST_F(frame_test, QuitUpdateAndKeyUpEvents)
{
	drive.frame_at(0);
	struct row {
		int what;
		int no_update;
		int app_done, input_kept, key_down;
	} const rows[] = {
	    {PLT_ev_update, 0, 0, 0, 1},     // the screen starts again
	    {PLT_ev_update, 1, 0, 1, 1},     // ignored
	    {PLT_ev_key_up, 0, 0, 1, 0},
	    {PLT_ev_activate, 0, 0, 1, 1},
	    {PLT_ev_quit, 0, 1, 1, 1},
	};
	for (row const& r : rows) {
		app_done = 0;
		mnw.no_update = r.no_update;
		mnw.key_down = 1;
		stl_input = "typed";
		PLT_event ev;
		ev.what = r.what;
		ev.modifiers = PLT_mod_active;
		drive.input().push(ev);
		drive.frame_at(0.1);
		SCOPED_TRACE(r.what);
		EXPECT_EQ(app_done.load(), r.app_done);
		EXPECT_EQ(stl_input == "typed", r.input_kept == 1);
		EXPECT_EQ(mnw.key_down, r.key_down);
	}
	mnw.no_update = 0;
}

namespace {

// A bar menu 0 ("File", 0..50 x 750..768) with a choosable item, a
// separator, a shown-only item and an item opening submenu 2; the pop-up
// with two items.
void plant_menus()
{
	VEDEZE_clear_menus(1);
	menu_struct& file = menu[0];
	file.title = "File";
	file.x1 = 0, file.x2 = 50, file.y1 = 750, file.y2 = 768;
	auto item = [](char const* text, int code, short y1) {
		item_struct it;
		it.text = text;
		it.code = code;
		it.x1 = 0, it.x2 = 80, it.y1 = y1, it.y2 = static_cast<short>(y1 + 12);
		return it;
	};
	file.items = {item("Open [o]", 77, 738), item("-", 0, 736), item("=Shown", 78, 724), item("More", 79, 712)};
	menu_struct& more = menu[2];
	more.title = "More";
	more.parent = 0;
	more.x1 = 0, more.x2 = 80, more.y1 = 712, more.y2 = 724;
	more.items = {item("Deep", 90, 712)};
	menu_struct& pop = menu[menu_popup];
	pop.items = {item("One", 0, 400), item("Two", 0, 388)};
}

}  // namespace

TEST_F(frame_test, ClickDispatchMenusCloseBoxesAndThePopUp)
{
	drive.frame_at(0);
	struct row {
		char const* name;
		int screen, force, open_before;
		float x, y;  // relative to the screen's origin
		int screen_after, open_after, menu_call, click_down_after;  // a closed screen starts afresh
	} const rows[] = {
	    {"title opens", 0, 0, -1, 10, 760, 0, 0, -1, 0},
	    {"title again closes", 0, 0, 0, 50, 768, 0, -1, -1, 0},
	    {"item chosen", 0, 0, 0, 40, 744, 0, -1, 77, 0},
	    {"separator closes", 0, 0, 0, 40, 737, 0, -1, -1, 1},
	    {"shown-only closes", 0, 0, 0, 40, 730, 0, -1, -1, 1},
	    {"submenu opens", 0, 0, 0, 40, 718, 0, 2, -1, 0},
	    {"submenu item", 0, 0, 2, 40, 712, 0, -1, 90, 0},
	    {"nothing hit", 0, 0, 0, 600, 300, 0, -1, -1, 1},
	    {"close box left", 1, 0, -1, 0, 280, 0, -1, -1, 0},
	    {"close box right", 1, 0, -1, 500, 300, 0, -1, -1, 0},
	    {"close box corner", 2, 0, -1, 25, 380, 0, -1, -1, 0},
	    {"beside the box", 1, 0, -1, 26, 290, 1, -1, -1, 1},
	    {"below the box", 1, 0, -1, 475, 279, 1, -1, -1, 1},
	    {"forced 1", 1, 1, -1, 200, 100, 0, -1, -1, 0},
	    {"forced 2", 2, 1, -1, 200, 100, 0, -1, -1, 0},
	    {"forced 994", 994, 1, -1, 200, 100, 0, -1, -1, 0},
	    {"forced 995", 995, 1, -1, 0, 230, 995, -1, -1, 1},
	    {"forced 997", 997, 1, -1, 0, 146, 997, -1, -1, 1},
	    {"forced 999", 999, 1, -1, 0, 484, 999, -1, -1, 1},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.name);
		plant_menus();
		VEDEZE_startwind(r.screen);
		mnw.open_menu = r.open_before;
		menu_calls.clear();
		return_hit = 1;
		mnw.mouse_x = r.x;
		mnw.mouse_y = r.y;
		mnw.click_down = 1;
		VEDEZE_handleclick(r.force);
		EXPECT_EQ(mnw.cur_win, r.screen_after);
		EXPECT_EQ(mnw.open_menu, r.open_after);
		EXPECT_EQ(menu_calls.empty() ? -1 : menu_calls[0], r.menu_call);
		EXPECT_EQ(menu_calls.size() > 1, false);
		EXPECT_EQ(mnw.click_down, r.click_down_after);
		EXPECT_EQ(return_hit, r.screen_after != r.screen ? 0 : 1);
	}
}

TEST_F(frame_test, APopUpChoiceSetsTheThreeGlobalsAndAnEventClickReachesTheMenus)
{
	drive.frame_at(0);
	plant_menus();
	mnw.open_menu = menu_popup;
	active_popup_code = 55;
	drive.push_mouse(PLT_ev_mouse_down, 40, 390);
	drive.frame_at(0.1);
	EXPECT_EQ(popup_menu_select, 1);
	EXPECT_EQ(select_popup_code, 55);
	EXPECT_EQ(active_popup_code, 0);
	EXPECT_EQ(mnw.open_menu, -1);
	ASSERT_FALSE(frames.empty());
	EXPECT_EQ(frames.back().down, 0);  // consumed before the application saw it
	EXPECT_TRUE(menu_calls.empty());

	// A press on a title opens it; with it open, the mouse over another
	// title opens that one without a press.
	menu[1].title = "Edit";
	menu[1].x1 = 50, menu[1].x2 = 100, menu[1].y1 = 750, menu[1].y2 = 768;
	drive.push_mouse(PLT_ev_mouse_down, 20, 760);
	drive.frame_at(0.2);
	EXPECT_EQ(mnw.open_menu, 0);
	drive.move_to(70, 760);
	drive.frame_at(0.3);
	EXPECT_EQ(mnw.open_menu, 1);
	drive.push_mouse(PLT_ev_mouse_down, 600, 300);
	drive.frame_at(0.4);
	EXPECT_EQ(mnw.open_menu, -1);
	EXPECT_EQ(frames.back().down, 1);  // a miss leaves the press to the application
}

TEST_F(frame_test, EachTextureFailureAlertsOnceAndOnlyOnTheMainScreen)
{
	drive.frame_at(0);
	recorded_alerts().clear();
	VEDEZE_startwind(2);
	tman.load_bitmap(tex_fail_scenery, 0, 2, "no_such_scenery.png");
	tman.load_bitmap(tex_fail_plane, 0, 2, "no_such_plane.png");
	tman.load_bitmap(tex_fail_instrument, 0, 2, "no_such_panel.png");
	drive.frame_at(0.1);
	EXPECT_TRUE(recorded_alerts().empty());
	VEDEZE_startwind(0);
	drive.frame_at(0.2);
	drive.frame_at(0.3);
	tman.load_bitmap(tex_fail_plane, 0, 2, "no_such_plane_2.png");  // muted: no second alert
	drive.frame_at(0.4);
	ASSERT_EQ(recorded_alerts().size(), 3u);
	std::string const third = "Please see the log.txt file for a detailed list of missing files.";
	struct row {
		char const* msg1;
		char const* msg2;
		char const* position;
	} const rows[] = {
	    {"Some scenery textures could not be loaded.",
	     "This may be an installation problem or you may have a damaged add-on scenery package.", "(hl_mnw line 1055)"},
	    {"Some textures for the aircraft you selected could not be loaded.",
	     "This may be an installation problem or you may have a damaged add-on aircrft package.", "(hl_mnw line 1056)"},
	    {"Some textures could not be loaded.",
	     "This may be an installation problem.  Run the installer/updater again to get these missing textures.",
	     "(hl_mnw line 1057)"},
	};
	for (size_t i = 0; i < 3; ++i) {
		recorded_alert const& a = recorded_alerts()[i];
		EXPECT_EQ(a.msg1, rows[i].msg1);
		EXPECT_EQ(a.msg2, rows[i].msg2);
		EXPECT_EQ(a.msg3, third);
		EXPECT_EQ(a.msg4, "");
		EXPECT_EQ(a.position, rows[i].position);
		EXPECT_EQ(a.severity, 1);
		EXPECT_EQ(a.window, 0);
	}
}

TEST_F(frame_test, SecondWindowToTheRightTakesTheMouseAndComesToTheFront)
{
	drive.frame_at(0);
	mnw.sec_mon_inuse = 1;
	ASSERT_EQ(VEDEZE_make_context(1), 1);
	ASSERT_NE(mnw.window[1], nullptr);
	mnw.has_window_2 = 1;
	PLT_gl_surface main_surface;
	main_surface.window = mnw.window[0];
	main_surface.context = mnw.context[0];
	PLT_gl_make_current(main_surface);

	PLT_scripted_input& in = drive.input();
	in.set_front(mnw.window[0]);
	in.set_window_mouse(mnw.window[0], 1034, 20);  // past the right edge of the first
	in.set_window_mouse(mnw.window[1], 10, 20);
	drive.frame_at(0.1);
	EXPECT_EQ(in.front_window(), mnw.window[1]);
	EXPECT_EQ(mnw.mouse_in_sec, 1);
	EXPECT_FLOAT_EQ(mnw.mouse_x, 1034);
	EXPECT_FLOAT_EQ(mnw.mouse_y, 748);

	// Back over the first window; a point in both selects neither.
	in.set_window_mouse(mnw.window[0], 100, 20);
	in.set_window_mouse(mnw.window[1], -924, 20);
	drive.frame_at(0.2);
	EXPECT_EQ(in.front_window(), mnw.window[0]);
	EXPECT_EQ(mnw.mouse_in_sec, 0);
	EXPECT_FLOAT_EQ(mnw.mouse_x, 100);
	int const selections = in.selections();
	in.set_window_mouse(mnw.window[1], 0, 20);
	drive.frame_at(0.3);
	EXPECT_EQ(in.selections(), selections);

	// Without the second-monitor setting the second window is not consulted.
	mnw.sec_mon_inuse = 0;
	in.set_front(mnw.window[1]);
	drive.frame_at(0.4);
	EXPECT_EQ(mnw.mouse_in_sec, 0);
	EXPECT_FLOAT_EQ(mnw.mouse_x, 0);

	drive.app().finish(0);
	EXPECT_EQ(mnw.window[1], nullptr);
	EXPECT_EQ(mnw.window[0], nullptr);
}

namespace {

struct probe {
	int x, y;
	unsigned char rgba[4];
};
std::vector<probe> probes;
void read_probes(void*)
{
	glFinish();
	for (probe& p : probes) glReadPixels(p.x, p.y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p.rgba);
}
atlas_texel texel_at(size_t i) { return decode_atlas_texel(probes[i].rgba[0], probes[i].rgba[1], probes[i].rgba[2]); }
bool in_cell(atlas_texel t, int s0, int t0, int size)
{
	return t.s >= s0 && t.s < s0 + size && t.t >= t0 && t.t < t0 + size;
}

}  // namespace

TEST_F(frame_test, TheOpenMenuDrawsBarPanelHoverAndSubmenuArrowOnlyWhileOpen)
{
	// Bar, below the bar, the panel's lower right, the submenu arrow, the
	// hovered item's left margin.
	probes = {{700, 760, {}}, {700, 700, {}}, {84, 703, {}}, {72, 718, {}}, {5, 741, {}}};
	PLT_gl_set_pre_swap_hook(read_probes, nullptr);
	drive.frame_at(0);
	plant_menus();

	drive.move_to(600, 300);
	drive.frame_at(0.1);
	for (size_t i = 0; i < probes.size(); ++i) EXPECT_EQ(texel_at(i), (atlas_texel{-1, -1})) << "closed, probe " << i;

	mnw.open_menu = 0;
	drive.frame_at(0.2);
	EXPECT_TRUE(in_cell(texel_at(0), 1, 487, 100)) << texel_at(0);  // the bar's cell
	EXPECT_EQ(texel_at(1), (atlas_texel{-1, -1}));
	EXPECT_TRUE(in_cell(texel_at(2), 70, 315, 42)) << texel_at(2);  // the drop-down panel's cell
	EXPECT_TRUE(in_cell(texel_at(3), 158, 178, 18)) << texel_at(3);  // the arrow cell
	atlas_texel const margin = texel_at(4);
	EXPECT_TRUE(in_cell(margin, 70, 315, 42)) << margin;

	drive.move_to(40, 744);  // over "Open [o]": its row is filled
	drive.frame_at(0.3);
	EXPECT_EQ(mnw.open_menu, 0);
	EXPECT_FALSE(texel_at(4) == margin);
	EXPECT_FALSE(std::equal(probes[4].rgba, probes[4].rgba + 3, probes[1].rgba));

	// The pop-up list has no bar.
	mnw.open_menu = menu_popup;
	drive.move_to(600, 300);
	drive.frame_at(0.4);
	EXPECT_EQ(texel_at(0), (atlas_texel{-1, -1}));
	PLT_gl_set_pre_swap_hook(nullptr, nullptr);
}

// An update that runs a modal panel (its own frames, swapped from inside the
// update) and then draws the rest of its screen over the panel's last frame:
// that frame, half one screen and half the other, is never shown; the next
// one is the main screen whole.
TEST_F(frame_test, AFrameWhoseUpdateRanAModalPanelIsNeverShown)
{
	drive.frame_at(0);
	colr.assign(90, 1, 0, 0);  // the panel's screen
	colr.assign(91, 0, 0, 1);  // the rest of the main screen
	struct shown {
		unsigned char corner[3], spot[3];
	};
	std::vector<shown> swaps;
	PLT_gl_set_pre_swap_hook(
	    [](void* user) {
		    shown s;
		    glPixelStorei(GL_PACK_ALIGNMENT, 1);
		    glReadPixels(2, 2, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, s.corner);
		    glReadPixels(520, 40, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, s.spot);
		    static_cast<std::vector<shown>*>(user)->push_back(s);
	    },
	    &swaps);
	during_update = [] {
		VEDEZE_startwind(1);
		for (int k = 0; k < 2; ++k) {
			OGL_fillrect(90, 1, -mnw.org_x, -mnw.org_y, 1024, 768);
			VEDEZE_event_proc();
		}
		VEDEZE_startwind(0);
		OGL_fillrect(91, 1, 500, 20, 40, 40);
	};
	drive.frame_at(1.0);
	during_update = nullptr;
	drive.frame_at(1.1);
	PLT_gl_set_pre_swap_hook(nullptr, nullptr);

	auto is = [](unsigned char const* p, int r, int g, int b) { return p[0] == r && p[1] == g && p[2] == b; };
	ASSERT_EQ(swaps.size(), 3u) << "the panel's two frames and the next main screen";
	for (int k = 0; k < 2; ++k) {
		EXPECT_TRUE(is(swaps[k].corner, 255, 0, 0)) << "panel frame " << k;
		EXPECT_TRUE(is(swaps[k].spot, 255, 0, 0)) << "panel frame " << k;
	}
	EXPECT_TRUE(is(swaps[2].corner, 255, 255, 255));
	EXPECT_TRUE(is(swaps[2].spot, 255, 255, 255));
}
