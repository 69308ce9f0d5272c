// The scanning panel drawn on a real GL context: the bar's fill reaches as
// far as the fraction says, the frame is swapped, and a screenshot is kept
// for looking at (SKY_SHOT_DIR, when set, receives it).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "installer/utils.h"
#include "platform/gl_window.h"
#include "shell/app_callbacks.h"
#include "shell/hl_init.h"
#include "installer/ins_art.h"
#include "support/gl_context.h"
#include "installer/ins_screen_fixture.h"
#include "support/ins_drawing.h"
#include "support/logged_test.h"
#include "support/window_png.h"

// The frame loop's calls into the application: nothing runs behind the
// windows here.
void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

int const W = 1024, H = 768;

// The back buffer as it is just before the swap, bottom row first.
std::vector<unsigned char> frame;
int swaps = 0;
std::string shot_path;  // when set, the next frame is kept there
void grab(void*)
{
	frame.assign(size_t(W) * H * 3, 0);
	glPixelStorei(GL_PACK_ALIGNMENT, 1);
	glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
	++swaps;
	if (!shot_path.empty()) save_window_png(shot_path, W, H);
	shot_path.clear();
}

struct rgb {
	int r, g, b;
	bool operator==(rgb const& o) const { return r == o.r && g == o.g && b == o.b; }
};
rgb at(int x, int y)
{
	unsigned char const* p = &frame[(size_t(y) * W + x) * 3];
	return {p[0], p[1], p[2]};
}

struct PanelTest : ins_screen_test<W, H> {
	void SetUp() override
	{
		ins_screen_test::SetUp();
		if (HasFatalFailure()) return;
		VEDEZE_take_colours(t_interface_dat);
		swaps = 0;
		PLT_gl_set_pre_swap_hook(grab, nullptr);
	}
	void TearDown() override { PLT_gl_set_pre_swap_hook(nullptr, nullptr); }
};

TEST_F(PanelTest, BarFilledToTheFraction)
{
	// Panel origin (256, 315); the bar runs from x 286 to 738 at y 350.
	dir_progress_bar(0, 100, 100, 1, "Scanning directory text file to see if you already have Skyrell installed...",
	                 "/home/user/Skyrell/Resources/plugins/x.txt");
	ASSERT_EQ(swaps, 1);
	rgb const full_mid = at(400, 350), full_late = at(650, 350);

	if (char const* shots = std::getenv("SKY_SHOT_DIR")) shot_path = std::string(shots) + "/dir_progress_bar.png";
	dir_progress_bar(0, 50, 100, 0, "Scanning directory text file to see if you already have Skyrell installed...",
	                 "notes.txt");
	ASSERT_EQ(swaps, 2);
	// Half full (0.52): filled at 400 as before, empty at 650.
	EXPECT_EQ(at(400, 350), full_mid);
	EXPECT_FALSE(at(650, 350) == full_late);
	// The background image fills the screen around the panel.
	EXPECT_FALSE(at(10, 10) == (rgb{0, 0, 0}));
	EXPECT_TRUE(recorded_alerts().empty());
}

}  // namespace
