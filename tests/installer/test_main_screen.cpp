// The main screen's texts, decisions and geometry, without drawing: size and
// time texts, the percentage, the progress bar, the atlas buttons' hit test
// and cut, the status line's precedence, the message lines by stage and
// the arming of the install button.
//
// Index: texts - progress bar - atlas hit and cut - status line - messages
// and arming - smoothing.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "foundation/app_globals.h"
#include "foundation/xtim.h"
#include "installer/grab.h"
#include "installer/main_screen.h"
#include "installer/utils.h"
#include "shell/app_callbacks.h"

// The shell's frame loop is linked in; this program runs no frames.
void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

// ---- texts ----------------------------------------------------------------------

TEST(MainScreenText, SizeTimeAndPercentTexts)
{
	struct {
		float kb;
		char const* text;
	} const sizes[] = {
	    {0, "0.0 Meg"},          {999, "0.9 Meg"},      // one decimal, cut not rounded
	    {999999, "999.9 Meg"},   {1000000, "1.0 Gig"},  // the unit changes at 1000 Meg
	    {2500000, "2.5 Gig"},    {12345, "12.3 Meg"},
	    // Above zero never reads as nothing: below one step it is one step.
	    {0.001f, "0.1 Meg"},     {1, "0.1 Meg"},        {3, "0.1 Meg"},
	    {99, "0.1 Meg"},         {100, "0.1 Meg"},      {199, "0.1 Meg"},
	};
	for (auto const& c : sizes) {
		std::string out = "stale";
		set_size_str(c.kb, &out);
		EXPECT_EQ(out, c.text) << c.kb;
	}

	struct {
		float seconds;
		char const* text;
	} const times[] = {
	    {0, "0 seconds"},     {119.9f, "119 seconds"}, {120, "2 minutes"},
	    {7199, "119 minutes"}, {7200, "2 hours"},      {-5, "0 seconds"},
	    // Nothing received yet: an endless time stays a number.
	    {std::numeric_limits<float>::infinity(), "277777 hours"},
	};
	for (auto const& c : times) EXPECT_EQ(time_left_str(c.seconds), c.text) << c.seconds;

	struct {
		float ratio;
		char const* text;
	} const percents[] = {{0, "00.0"}, {0.05f, "05.0"}, {0.123f, "12.3"}, {0.9999f, "99.9"}, {1, "100.0"}};
	for (auto const& c : percents) EXPECT_EQ(percent_str(c.ratio), c.text) << c.ratio;
}

// ---- progress bar ------------------------------------------------------------------

TEST(MainScreenBar, GeometryRoundsHalvesAwayFromZero)
{
	struct {
		float ratio;
		int installing;
		int filled;
		float fill_x, fill_w;
	} const cases[] = {
	    {0, 1, 0, 0, 0},
	    {0.02f, 1, 0, 0, 0},  // filled only above 0.02
	    // b = 132 + 442 = 574: (132 + 574) / 4 = 176.5 -> 177, 442 / 4 = 110.5 -> 111.
	    {0.5f, 1, 1, 354, 444},
	    {1, 1, 1, 574, 884},
	    {1, 0, 0, 574, 884},  // not installing: the empty bar alone
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.ratio);
		bar_geometry const g = progress_bar(c.ratio, c.installing);
		EXPECT_EQ(g.empty_x, 574);
		EXPECT_EQ(g.empty_w, 884);
		EXPECT_EQ(g.filled, c.filled);
		if (c.filled || c.ratio == 1) {
			EXPECT_EQ(g.fill_x, c.fill_x);
			EXPECT_EQ(g.fill_w, c.fill_w);
		}
	}
}

// ---- atlas hit and cut ------------------------------------------------------------------

TEST(MainScreenAtlas, HitTestAndCutFollowTheMouse)
{
	// The install button: (450, 78), 83 x 22, cut at v 166.
	struct {
		float mx, my;
		int held, hover;
		int hit;
		float v;
	} const cases[] = {
	    {491, 89, 0, 1, 1, 166 - 23},      // under the mouse
	    {491, 89, 1, 1, 1, 166 - 46},      // pressed
	    {450, 78, 0, 1, 1, 143},           // lower left corner counts
	    {533, 100, 0, 1, 1, 143},          // upper right corner counts
	    {449.5f, 89, 0, 1, 0, 166},        // just left of it
	    {491, 100.5f, 1, 1, 0, 166},       // just above it, held
	    {491, 89, 1, 0, 1, 166},           // no hover: always the normal image
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(testing::Message() << c.mx << "," << c.my << " held " << c.held << " hover " << c.hover);
		mnw.mouse_x = c.mx;
		mnw.mouse_y = c.my;
		mnw.click_held = c.held;
		EXPECT_EQ(interface_rect_hit(450, 78, 83, 22), c.hit);
		EXPECT_EQ(interface_rect_v(450, 78, 166, 83, 22, c.hover), c.v);
	}
}

// ---- status line ---------------------------------------------------------------------------

TEST(MainScreenStatus, FirstStateThatAppliesWins)
{
	struct {
		int servers, finished, stage, dest_valid;
		char const* starts;
		int col;
	} const cases[] = {
	    {-1, 1, 1, 1, "Looking for servers... you need internet for this...", 45},
	    {0, 1, 1, 1, "I could not find any servers to get Skyrell from!", 1},
	    {3, 1, 1, 0, "INSTALLATION COMPLETE!", 13},  // a second install in the same run
	    {3, 0, 1, 0, "OK I am installing this now...", 45},
	    {3, 0, 0, 0, "To make the download a LOT faster", 45},
	    {3, 0, 2, 1, "You have selected an earlier version", 45},
	};
	for (auto const& c : cases) {
		stg.server_count = c.servers;
		next.finished = c.finished;
		stg.install_stage = c.stage;
		stg.dest_valid = c.dest_valid;
		screen_text const s = status_line();
		EXPECT_EQ(s.text.rfind(c.starts, 0), 0u) << s.text;
		EXPECT_EQ(s.col, c.col) << s.text;
	}
	stg.server_count = 3;
	next.finished = 0;
	stg.install_stage = 0;
	stg.dest_valid = 1;
	EXPECT_EQ(status_line().text,
	          "You have selected an earlier version of Skyrell in the DESTINATION field below, so I will update that "
	          "installation  by just grabbing new updated files!");
}

// ---- messages and arming -----------------------------------------------------------------------

struct MainScreenMessages : ::testing::Test {
	std::string line[3];
	int col = 0;
	void SetUp() override
	{
		stg = stg_struct{};
		next = next_struct{};
		install_name = "Skyrell 8.50 Beta 8";
		crnt_file_path.clear();
		crnt_file_name.clear();
		totl_inst_rat = 0;
	}
};

TEST_F(MainScreenMessages, ArmingOnTheMainScreen)
{
	struct {
		char const* what;
		float need, avail;
		int changes, armed;
		char const* l0;
		char const* l1;
		char const* l2;
	} const cases[] = {
	    {"exactly the need", 2000, 2000, 3, 0, "You are about to install 2.0 Meg of files to get Skyrell 8.50 Beta 8.",
	     "You have 2.0 Meg of drive space available for the selected directory.",
	     "You don't have enough disk space to install this!"},
	    {"one kB more", 2000, 2001, 3, 1, "You are about to install 2.0 Meg of files to get Skyrell 8.50 Beta 8.",
	     "You have 2.0 Meg of drive space available for the selected directory.", "You may install at will."},
	    {"unknown free space", 2000, -1, 3, 0,
	     "You are about to install 2.0 Meg of files to get Skyrell 8.50 Beta 8.", "",
	     "You don't have enough disk space to install this!"},
	    // Sizes are whole kilobytes, cut: small files sum to nothing.
	    {"files under a kilobyte each", 0, 5e6f, 2, 1,
	     "You are about to install 0.0 Meg of files to get Skyrell 8.50 Beta 8.", "", "You may install at will."},
	    {"nothing to install", 0, 5e6f, 0, 0, "Your copy of Skyrell is already the latest version.",
	     "(Remember, the BETA installer only checks for the latest BETA version, and the FULL installer checks only "
	     "for the latest FULL version of Skyrell).",
	     "This is a beta installer."},
	};
	stg.install_stage = 0;
	stg.dir_state = 3;
	for (auto const& c : cases) {
		SCOPED_TRACE(c.what);
		disk_space_avail = 1 - c.armed;  // each case must decide it
		tot_disk_req = c.need;
		tot_availabl = c.avail;
		dir_changes = c.changes;
		stage_messages(line, &col);
		EXPECT_EQ(disk_space_avail, c.armed);
		EXPECT_EQ(line[0], c.l0);
		EXPECT_EQ(line[1], c.l1);
		EXPECT_EQ(line[2], c.l2);
		EXPECT_EQ(col, 45);
	}
}

TEST_F(MainScreenMessages, LinesByStage)
{
	// Before the directory is read.
	stg.dir_state = 0;
	stage_messages(line, &col);
	EXPECT_EQ(line[0], "I am figuring out what the latest version of Skyrell is right now...");
	EXPECT_EQ(line[1], "This may take a moment as I download the latest list of Skyrell files...");
	EXPECT_EQ(line[2], "");

	// Installing: one line per scheduler phase, then progress and rate.
	stg.install_stage = 1;
	crnt_file_name = "f.txt";
	crnt_file_path = "/set/All/f.txt.zip";
	tot_disk_req = 4000;
	tot_down_req = 3000;
	set_size_str(tot_disk_req, &tot_disk_req_str);
	next.kb_expanded = 1000;
	stg.grab_progress = 0.42f;
	struct {
		int phase;
		char const* l0;
	} const phases[] = {
	    {0, "Deleting f.txt because that file is no longer needed!"},
	    {1, "Downloading and installing f.txt, currently 42% done with that file."},
	    {2, "duplicate filename through file f.txt, but not installing it because you already have this file."},
	    {3, "Browsing through file f.txt, but not installing it because you don't need this file."},
	};
	for (auto const& p : phases) {
		stg.grab_phase = p.phase;
		stage_messages(line, &col);
		EXPECT_EQ(line[0], p.l0);
	}
	totl_inst_rat = 0.01f;  // the rate shows only above 0.01
	stage_messages(line, &col);
	EXPECT_EQ(line[1], "01.0% done with the internet install, having installed 1.0 Meg of 4.0 Meg for the internet "
	                   "install.");
	EXPECT_EQ(line[2], "");

	// 1000 kB done and 500 in flight in 10 s: 150 kB/s, 1500 kB left: 10 s.
	totl_inst_rat = 0.25f;
	next.kb_done = 1000;
	next.kb_in_flight = 500;
	next.start_time = 5;
	xtim.run_time = 15;
	next.active[0] = next.active[1] = next.active[3] = 1;
	stage_messages(line, &col);
	EXPECT_EQ(line[2], "About 10 seconds left in the install, downloading at 150 kilobytes/second with 3 "
	                   "simultaneous download streams.");
	// Within the first second the rate counts one second; nothing received
	// yet gives no division by zero.
	next.kb_done = next.kb_in_flight = 0;
	xtim.run_time = 5.5f;
	stage_messages(line, &col);
	EXPECT_EQ(line[2], "About 277777 hours left in the install, downloading at 0 kilobytes/second with 3 "
	                   "simultaneous download streams.");
	EXPECT_EQ(col, 45);

	// The end, with and without an error.
	stg.install_stage = 2;
	stage_messages(line, &col);
	EXPECT_EQ(line[0], "INSTALLATION COMPLETE!");
	EXPECT_EQ(col, 45);
	stg.install_error = 1;
	stage_messages(line, &col);
	EXPECT_EQ(col, 68);
	EXPECT_EQ(line[0], "The installation was not completed because an error occurred.");
	EXPECT_EQ(line[1], "Skyrell is not fully installed or updated and may not run correctly.");
	EXPECT_EQ(line[2], "Please try a different server, hard drive, or directory, or contact Customer Support for help "
	                   "with this problem.");

	// A failed stream replaces the lines whatever the stage.
	for (int stage : {0, 1, 2}) {
		stg.install_stage = stage;
		stg.stream_failed = 1;
		stage_messages(line, &col);
		EXPECT_EQ(col, 68);
		EXPECT_EQ(line[0], "I can NOT download the file '/set/All/f.txt.zip'!");
		EXPECT_EQ(line[1], "Your internet connection may not be working, or the server could be undergoing "
		                   "maintainance or an upgrade right now.");
		EXPECT_EQ(line[2], "I am trying another server now to see if I can still get you a download...");
	}
}

// ---- smoothing -----------------------------------------------------------------------------------

TEST_F(MainScreenMessages, InstallRatioSmoothsTowardsTheExpandedShare)
{
	tot_disk_req = 1000;
	next.kb_expanded = 500;
	advance_install_ratio(0.02f);  // k = 0.1
	EXPECT_FLOAT_EQ(totl_inst_rat, 0.05f);
	advance_install_ratio(0.02f);
	EXPECT_FLOAT_EQ(totl_inst_rat, 0.095f);
	// Counted twice after a retry: held at 1.
	next.kb_expanded = 5000;
	for (int i = 0; i < 100; i++) advance_install_ratio(0.05f);
	EXPECT_FLOAT_EQ(totl_inst_rat, 1.0f);
	// Nothing to install: no division by zero.
	totl_inst_rat = 0;
	tot_disk_req = 0;
	advance_install_ratio(0.02f);
	EXPECT_FALSE(std::isnan(totl_inst_rat));
	EXPECT_FLOAT_EQ(totl_inst_rat, 0.1f);
}

}  // namespace
