// The main screen's atlas buttons and the agreement panel on a real GL
// context: every button of the screen shows the atlas cut for its mouse
// state, icons and logo come from their cells, and the agreement panel
// answers to its buttons, its close box and a quit. A screenshot of the
// panel goes to SKY_SHOT_DIR when that is set.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "ins_art_layout.h"
#include "installer/ins_art.h"
#include "installer/main_screen.h"
#include "platform/gl_window.h"
#include "shell/app_callbacks.h"
#include "shell/hl_init.h"
#include "shell/hl_mnw.h"
#include "support/frame_driver.h"
#include "support/gl_context.h"
#include "installer/ins_screen_fixture.h"
#include "support/ins_drawing.h"
#include "support/logged_test.h"
#include "support/window_png.h"

// Nothing runs behind the windows here.
void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

int const W = 1024, H = 768;

std::vector<unsigned char> frame;  // RGBA, bottom row first
void read_frame()
{
	frame.assign(size_t(W) * H * 4, 0);
	glPixelStorei(GL_PACK_ALIGNMENT, 1);
	glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
}
// Before each swap: the frame, kept as the panel's screenshot too.
void grab(void*)
{
	read_frame();
	if (char const* shots = std::getenv("SKY_SHOT_DIR"))
		save_window_png(std::string(shots) + "/agreement_panel.png", W, H);
}

// ---- atlas cuts ----------------------------------------------------------------------

struct AtlasCutTest : ins_screen_test<W, H> {
	void SetUp() override
	{
		ins_screen_test::SetUp();
		if (HasFatalFailure()) return;
		mnw.click_down = mnw.click_held = 0;
	}

	// Pixels of the w x h cut drawn at (x, y) that differ from the atlas
	// texels at (s, t), over black, each channel scaled by `tint`.
	static int mismatches(int x, int y, int s, int t, int w, int h, float const tint[3])
	{
		int bad = 0;
		// The outer ring is left out: it blends with what lies beside.
		for (int j = 1; j < h - 1; ++j)
			for (int i = 1; i < w - 1; ++i) {
				unsigned char const* tx = t_installer_dat + (size_t(t + j) * ins_art::k_installer.w + s + i) * 4;
				unsigned char const* px = &frame[(size_t(y + j) * W + x + i) * 4];
				for (int k = 0; k < 3; ++k) {
					float const want = tx[k] * tint[k] * tx[3] / 255.0f;
					if (std::fabs(px[k] - want) > 3) {
						++bad;
						break;
					}
				}
			}
		return bad;
	}
	static void clear()
	{
		glClearColor(0, 0, 0, 1);
		glClear(GL_COLOR_BUFFER_BIT);
	}
};

TEST_F(AtlasCutTest, ButtonsShowTheCutOfTheirMouseState)
{
	float const white[3] = {1, 1, 1};
	int const x = 100, y = 100;
	for (ins_art::cell const& c : ins_art::k_cells_364) {
		if (c.k != ins_art::kind::button) continue;
		SCOPED_TRACE(c.name);
		std::vector<unsigned char> shown[3];
		for (int state = 0; state < 3; ++state) {
			// 0 away, 1 over it, 2 over it with the button held.
			mnw.mouse_x = state ? x + c.w * 0.5f : x - 5.0f;
			mnw.mouse_y = y + c.h * 0.5f;
			mnw.click_held = state == 2;
			clear();
			EXPECT_EQ(interface_rect(x, y, c.s, c.t, c.w, c.h, 1, 0), 0);
			read_frame();
			EXPECT_EQ(mismatches(x, y, c.s, ins_art::button_state_t(c, state), c.w, c.h, white), 0) << state;
			shown[state] = frame;
		}
		EXPECT_NE(shown[0], shown[1]);
		EXPECT_NE(shown[1], shown[2]);
	}

	// The logo, icons 8 and 23, and tints, never moved by the mouse.
	mnw.mouse_x = 20;
	mnw.mouse_y = 20;
	mnw.click_held = 1;
	clear();
	interface_rect(0, 0, 644, 33, 128, 86, 0, 0);
	interface_icon(200, 0, 8);
	interface_icon(300, 0, 23);
	read_frame();
	EXPECT_EQ(mismatches(0, 0, 644, 33, 128, 86, white), 0);
	EXPECT_EQ(mismatches(200, 0, 0, 130, 64, 64, white), 0);
	EXPECT_EQ(mismatches(300, 0, 448, 194, 64, 64, white), 0);

	float const green[3] = {0.8f, 1, 0.8f}, red[3] = {1, 0.8f, 0.8f};
	mnw.mouse_x = 0;
	clear();
	interface_rect(x, y, 640, 166, 83, 22, 0, 1);
	interface_rect(x, y + 100, 640, 166, 83, 22, 0, 2);
	read_frame();
	EXPECT_EQ(mismatches(x, y, 640, 166, 83, 22, green), 0);
	EXPECT_EQ(mismatches(x, y + 100, 640, 166, 83, 22, red), 0);

	// A click of this frame counts inside the rectangle, edges included.
	mnw.click_down = 1;
	mnw.mouse_x = x + 83;
	mnw.mouse_y = y + 22;
	EXPECT_EQ(interface_rect(x, y, 640, 166, 83, 22, 0, 0), 1);
	mnw.mouse_x = x + 83.5f;
	EXPECT_EQ(interface_rect(x, y, 640, 166, 83, 22, 0, 0), 0);
	EXPECT_TRUE(recorded_alerts().empty());
}

// ---- agreement panel ----------------------------------------------------------------------

struct EulaTest : ::testing::Test {
	frame_driver drive;
	// A click at a point of window 1 (500 x 300, centred), delivered by the
	// panel's next frame.
	void click_in_panel(float x, float y)
	{
		float const ox = std::round((W - 500) * 0.5f), oy = std::round((H - 300) * 0.5f);
		drive.push_mouse(PLT_ev_mouse_down, ox + x, oy + y);
	}
	void TearDown() override { PLT_gl_set_pre_swap_hook(nullptr, nullptr); }
};

TEST_F(EulaTest, AnswersToItsButtonsCloseBoxAndQuit)
{
	drive.frame_at(0);
	ASSERT_EQ(mnw.cur_win, 0);
	struct {
		char const* what;
		float x, y;  // window point of the click; x < 0: a quit instead
		int flag;
	} const cases[] = {
	    {"decline", 342, 21, 0},
	    {"close box", 10, 290, 0},
	    {"quit", -1, 0, 0},
	    {"agree, right edge", 459, 21, 1},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.what);
		app_done = 0;
		if (c.x < 0) {
			PLT_event quit;
			quit.what = PLT_ev_quit;
			drive.input().push(quit);
		} else {
			click_in_panel(c.x, c.y);
		}
		EXPECT_EQ(handle_EULA(), c.flag);
		EXPECT_EQ(drive.input().pending(), 0u);
		if (c.x >= 0) {
			EXPECT_EQ(mnw.cur_win, 0);
		}
	}
	app_done = 0;
	// Agreed: the panel is not shown again (with a quit pending, showing it
	// would leave window 1 current).
	app_done = 1;
	EXPECT_EQ(handle_EULA(), 1);
	EXPECT_EQ(mnw.cur_win, 0);
	app_done = 0;
	forget_EULA();

	// The panel as the user sees it, kept for looking at.
	PLT_gl_set_pre_swap_hook(grab, nullptr);
	click_in_panel(342, 21);
	EXPECT_EQ(handle_EULA(), 0);
	// Its decline and agree buttons sit on the window's fill at (300, 10) and (400, 10).
	unsigned char const* agree = &frame[(size_t(234 + 21) * W + 262 + 430) * 4];
	unsigned char const* fill = &frame[(size_t(234 + 30) * W + 262 + 100) * 4];
	EXPECT_FALSE(agree[0] == fill[0] && agree[1] == fill[1] && agree[2] == fill[2]);
	EXPECT_GT(agree[1], agree[0]);  // tinted green
	EXPECT_TRUE(recorded_alerts().empty());
}

}  // namespace
