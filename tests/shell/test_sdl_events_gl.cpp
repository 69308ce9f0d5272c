// SDL events in awkward orders and batches, through the program's own input
// source and the frame: where a click lands when a slow frame gathers many
// events, and mouse positions far outside the window.
#include <gtest/gtest.h>

#include <SDL.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "platform/sdl_input.h"
#include "shell/app_callbacks.h"
#include "shell/hl_mnw.h"
#include "support/frame_driver.h"
#include "support/shell_start.h"

namespace {

struct seen_frame {
	float x, y;
	int down, up;
};
std::vector<seen_frame> frames;

}  // namespace

void APP_update() { frames.push_back({mnw.mouse_x, mnw.mouse_y, mnw.click_down, mnw.click_up}); }
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}
void recall_ins_texes() {}

namespace {

struct sdl_frame_test : ::testing::Test {
	started_app app;
	Uint32 id = 0;
	void SetUp() override
	{
		PLT_input_set_source(&PLT_sdl_input_source());
		stg.use_max_cpu = 1;
		VEDEZE_event_proc();  // the first frame starts the screen
		PLT_input_flush();
		frames.clear();
		id = SDL_GetWindowID(static_cast<SDL_Window*>(mnw.window[0]));
	}
	void TearDown() override { PLT_input_set_source(nullptr); }

	void motion(int x, int y)
	{
		SDL_Event e{};
		e.type = SDL_MOUSEMOTION;
		e.motion.windowID = id;
		e.motion.x = x;
		e.motion.y = y;
		SDL_PushEvent(&e);
	}
	void button(Uint32 type, int x, int y)
	{
		SDL_Event e{};
		e.type = type;
		e.button.windowID = id;
		e.button.button = SDL_BUTTON_LEFT;
		e.button.x = x;
		e.button.y = y;
		SDL_PushEvent(&e);
	}
};

}  // namespace

// A slow frame meets a whole gesture at once. The press is dispatched with the
// position it was made at, whatever the mouse did after it in the same batch;
// the next frame sees where the mouse went.
TEST_F(sdl_frame_test, AClickInABatchLandsWhereItWasMade)
{
	struct row {
		char const* name;
		int lead_in;  // motion events before the press
	} const rows[] = {
	    {"a few moves", 3},
	    {"more moves than one look at the queue takes", 150},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.name);
		frames.clear();
		for (int i = 0; i < r.lead_in; ++i) motion(10 + i % 50, 20 + i % 50);
		motion(200, 300);
		button(SDL_MOUSEBUTTONDOWN, 200, 300);
		button(SDL_MOUSEBUTTONUP, 200, 300);
		motion(700, 500);
		VEDEZE_event_proc();
		VEDEZE_event_proc();
		ASSERT_EQ(frames.size(), 2u);
		EXPECT_EQ(frames[0].down, 1);
		EXPECT_EQ(frames[0].up, 1);
		EXPECT_FLOAT_EQ(frames[0].x, 200);
		EXPECT_FLOAT_EQ(frames[0].y, 768 - 300);
		EXPECT_EQ(frames[1].down, 0);
		EXPECT_FLOAT_EQ(frames[1].x, 700);
		EXPECT_FLOAT_EQ(frames[1].y, 768 - 500);
	}
}

// The pointer can be reported far outside the window (held buttons capture
// it); any position converts without overflow and hits nothing.
TEST_F(sdl_frame_test, PositionsFarOutsideTheWindowConvert)
{
	struct row {
		int x, y;
	} const rows[] = {{-5000, -5000}, {1024, 768}, {INT_MAX, INT_MIN}, {INT_MIN, INT_MAX}};
	for (row const& r : rows) {
		SCOPED_TRACE(std::to_string(r.x) + " " + std::to_string(r.y));
		frames.clear();
		motion(r.x, r.y);
		button(SDL_MOUSEBUTTONDOWN, r.x, r.y);
		button(SDL_MOUSEBUTTONUP, r.x, r.y);
		VEDEZE_event_proc();
		ASSERT_EQ(frames.size(), 1u);
		EXPECT_FLOAT_EQ(frames[0].x, static_cast<float>(r.x));
		EXPECT_FLOAT_EQ(frames[0].y, static_cast<float>(768.0 - r.y));
		EXPECT_EQ(mnw.cur_win, 0);
		EXPECT_EQ(mnw.open_menu, -1);
	}
}

// A window manager may resize the window whatever it asks for. GL keeps the
// picture at the bottom-left corner, so a click on what is drawn must still
// give that point's layout position.
TEST_F(sdl_frame_test, AResizedWindowKeepsClicksOnWhatIsDrawn)
{
	SDL_Window* const w = static_cast<SDL_Window*>(mnw.window[0]);
	struct row {
		int w, h;
	} const rows[] = {{1200, 1000}, {800, 600}, {1024, 768}};
	for (row const& r : rows) {
		SCOPED_TRACE(std::to_string(r.w) + " x " + std::to_string(r.h));
		SDL_SetWindowSize(w, r.w, r.h);
		int got_w = 0, got_h = 0;
		SDL_GetWindowSize(w, &got_w, &got_h);
		ASSERT_EQ(got_h, r.h);
		frames.clear();
		// The layout point (100, 568) lies 568 rows above the window's bottom.
		motion(100, r.h - 568);
		VEDEZE_event_proc();
		ASSERT_EQ(frames.size(), 1u);
		EXPECT_FLOAT_EQ(frames[0].x, 100);
		EXPECT_FLOAT_EQ(frames[0].y, 568);
	}
}
