// Start-up and finish, run for real offscreen in a temporary program folder.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/pref.h"
#include "graphics/colr.h"
#include "graphics/tman_image.h"
#include "platform/app_folder.h"
#include "platform/display.h"
#include "platform/gl_window.h"
#include "shell/app_callbacks.h"
#include "shell/hl_init.h"
#include "shell/hl_mnw.h"
#include "support/shell_start.h"

void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}
void recall_ins_texes() {}

namespace {

std::string const header =
    "log.txt for Skyrell 8.50 Beta 8 - Installer/Updater build 85008 compiled on Aug 20 2006 20:52:18\n"
    "This log file is generated automatically by Kestrin Research applications\n"
    "and contains diagnostics about your graphics hardware, installatoin, and\n"
    "any error conditions.  If you need to contact tech support or file a bug,\n"
    "please send us this file.  NOTE: this file is rewritten every time you\n"
    "start ANY of our applications.\n\n";

std::vector<PLT_gl_attempt> attempts;
int refuse_samples_above = 99;
int refuse_depth = 0;

// Refuses what the test says, records every attempt, lets the rest through
// to the real window and context.
int screening_attempt(PLT_gl_attempt const& a, PLT_gl_surface* out)
{
	attempts.push_back(a);
	if (a.samples > refuse_samples_above || a.depth == refuse_depth) return 0;
	return PLT_gl_attempt_real(a, out);
}

int refuse_all(PLT_gl_attempt const& a, PLT_gl_surface*)
{
	attempts.push_back(a);
	return 0;
}

void start_refused(temp_dir const& dir)
{
	started_app::prepare(dir);
	PLT_gl_set_attempt(refuse_all);
	mnw.alias_req = 2;
	char const* argv[] = {"t", nullptr};
	VEDEZE_init(1, argv);
}

// SDL's dummy driver has no GL at all: the real cascade is refused at
// every level and depth.
void start_without_gl(temp_dir const& dir)
{
	setenv("SDL_VIDEODRIVER", "dummy", 1);
	started_app::prepare(dir);
	mnw.alias_req = 2;
	char const* argv[] = {"t", nullptr};
	VEDEZE_init(1, argv);
}

// No display at all: SDL would fall back on a headless driver, and the
// program would wait for input in a window nobody sees.
void start_without_display(temp_dir const& dir)
{
	unsetenv("SDL_VIDEODRIVER");
	unsetenv("DISPLAY");
	unsetenv("WAYLAND_DISPLAY");
	started_app::prepare(dir);
	mnw.alias_req = 2;
	char const* argv[] = {"t", nullptr};
	VEDEZE_init(1, argv);
}

void start_then_fatal(temp_dir const& dir)
{
	started_app::prepare(dir);
	alert_recorder_install();
	char const* argv[] = {"t", nullptr};
	VEDEZE_init(1, argv);
	__VEDEZE_alert(0, "late one", "late two", "", "", 2, "hl_mnw", 7);
}

}  // namespace

TEST(StartUp, WritesHeaderSystemLineFolderLineAndContextLinesThenFinishes)
{
	started_app app;
	app.finish(1);
	std::string const log = app.log_text();
	ASSERT_EQ(log.compare(0, header.size(), header), 0) << log;

	std::regex const rest(
	    "Linux [0-9]+\\.[0-9]+\\.[0-9]+\n"
	    "CPU type: ([0-9]+|\\?) CPU speed \\(mhz\\): ([0-9]+|\\?) Bus speed \\(mhz\\): \\?  RAM \\(MB\\): [0-9]+\n"
	    "Skybase folder=  case sensitive=1\n"
	    "CPU count = [0-9]+\n"
	    "AGL_RGBA         :1\n"
	    "AGL_DOUBLEBUFFER :[01]\n"
	    "AGL_RED_SIZE     :8\n"
	    "AGL_GREEN_SIZE   :8\n"
	    "AGL_BLUE_SIZE    :8\n"
	    "AGL_ALPHA_SIZE   :[0-9]+\n"
	    "AGL_DEPTH_SIZE   :(32|24|16)\n");
	// The lines after the context block vary; a "[\\s\\S]*" tail would recurse
	// once per character in std::regex and overflow the stack on a long log.
	std::string const body = log.substr(header.size());
	std::smatch lines;
	ASSERT_TRUE(std::regex_search(body, lines, rest, std::regex_constants::match_continuous)) << log;
	EXPECT_NE(body.find("Clean exit from threads.\n", lines.length(0)), std::string::npos) << log;
	EXPECT_FALSE(xer.is_open());
	EXPECT_EQ(mnw.window[0], nullptr);
	// The installer settings were written.
	EXPECT_EQ(access(pref_installer_path().c_str(), F_OK), 0) << pref_installer_path();
}

TEST(StartUp, LeavesTheDocumentedState)
{
	started_app app;
	EXPECT_EQ(ogl_inited, 1);
	EXPECT_EQ(app_done.load(), 0);
	EXPECT_EQ(mnw.lang, 0);
	EXPECT_EQ(mnw.cur_win, -1);
	EXPECT_EQ(mnw.x_res_use, 1024);
	EXPECT_EQ(mnw.y_res_use, 768);
	EXPECT_EQ(mnw.tex_res, 5);
	EXPECT_EQ(mnw.keylist_up, 1);
	EXPECT_EQ(ren.fade_alpha, 1.0f);
	EXPECT_EQ(app_path, "");
	EXPECT_EQ(g_case_sensitive, 1);
	EXPECT_EQ(reinterpret_cast<uintptr_t>(scratch_array) % 16, 0u);
	ASSERT_EQ(menu.size(), 1520u);
	EXPECT_EQ(menu[1519].x1, -1);
	for (float r : randrat) ASSERT_TRUE(r >= 0.0f && r < 0.9999f);
	// The working folder is the program's folder.
	char cwd[4096];
	ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
	EXPECT_EQ(std::string(cwd) + "/", app.folder());
}

TEST(StartUp, FinishWithoutSavingWritesNoSettings)
{
	started_app app;
	app.finish(0);
	EXPECT_NE(access(pref_installer_path().c_str(), F_OK), 0);
	EXPECT_EQ(app.log_text().find("Clean exit from threads."), std::string::npos);
	EXPECT_FALSE(xer.is_open());
}

// The screen decides between the plain box "Main" at (0, 0) and a movable
// window 40 down; the multisample level and depth come from the cascade.
TEST(StartUp, WindowPlacementAndCascadeFollowScreenAndRefusals)
{
	struct row {
		int screen_w, screen_h;
		int alias_req, refuse_above, refuse_depth;
		int x, y, borderless;
		char const* title;
		int level;
		char const* depth_line;
	} const rows[] = {
	    {1024, 768, 0, 99, 0, 0, 0, 1, "Main", 0, "AGL_DEPTH_SIZE   :"},
	    {1280, 1024, 0, 99, 0, 0, 40, 0, "", 0, "AGL_DEPTH_SIZE   :"},
	    {1064, 808, 0, 99, 0, 0, 0, 1, "Main", 0, "AGL_DEPTH_SIZE   :"},  // 1024 + 40 is not less
	    {1280, 1024, 4, 4, 32, 0, 40, 0, "", 2, "AGL_DEPTH_SIZE   :24\n"},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(std::to_string(r.screen_w) + "x" + std::to_string(r.screen_h) + " alias " +
		             std::to_string(r.alias_req));
		pid_t const pid = fork();
		ASSERT_GE(pid, 0);
		if (pid == 0) {
			// Each start-up in a process of its own: it owns global state.
			temp_dir dir;
			started_app::prepare(dir);
			PLT_set_screen_size(r.screen_w, r.screen_h, 32);
			PLT_gl_set_attempt(screening_attempt);
			refuse_samples_above = r.refuse_above;
			refuse_depth = r.refuse_depth;
			mnw.alias_req = r.alias_req;
			char const* argv[] = {"t", nullptr};
			VEDEZE_init(1, argv);
			PLT_gl_attempt const& last = attempts.back();
			std::string const log = read_text_file(dir.path() + "Log.txt");
			bool ok = last.x == r.x && last.y == r.y && last.borderless == r.borderless &&
			          std::strcmp(last.title, r.title) == 0 && mnw.alias_now == r.level &&
			          g_mon_x_res_now == r.screen_w && log.find(r.depth_line) != std::string::npos;
			if (r.alias_req == 4) ok = ok && attempts.size() == 8 && attempts.front().samples == 16;
			if (r.alias_req == 0) ok = ok && attempts.size() == 1 && attempts.front().samples == 0;
			VEDEZE_finishup(0);
			_exit(ok ? 0 : 3);
		}
		int status = 0;
		ASSERT_EQ(waitpid(pid, &status, 0), pid);
		ASSERT_TRUE(WIFEXITED(status));
		EXPECT_EQ(WEXITSTATUS(status), 0);
	}
}

TEST(StartUpDeathTest, NoContextAtAnyLevelEndsWithTheFourLinesAndStatusOne)
{
	for (auto start : {start_refused, start_without_gl, start_without_display}) {
		temp_dir dir;
		EXPECT_EXIT(start(dir), ::testing::ExitedWithCode(1), "");
		std::string const log = read_text_file(dir.path() + "Log.txt");
		EXPECT_NE(log.find("I could not set up the graphics for Skyrell! I hope your monitor is at 1024x768 or higher! It must be!\n"
		                   "You do not meet the system requirements or you do not have OpenGL drivers or you entered a bad resolution in Skyrell!\n"
		                   "You need at least 256 meg of RAM, 16 meg of VRAM, and OpenGl drivers for your 3-D accelerator card!\n"
		                   "If you reset the resolution, you can try launching Skyrell again, since I am resetting Skyrell to default resolution now.\n"
		                   "(hl_init line 1198)\n"),
		          std::string::npos)
		    << log;
		EXPECT_EQ(log.find("AGL_"), std::string::npos);
	}
}

TEST(StartUpDeathTest, FatalAlertAfterStartUpLogsAndExitsOne)
{
	temp_dir dir;
	EXPECT_EXIT(start_then_fatal(dir), ::testing::ExitedWithCode(1), "");
	std::string const log = read_text_file(dir.path() + "Log.txt");
	EXPECT_NE(log.find("late one\nlate two\n\n\n(hl_mnw line 7)\n"), std::string::npos) << log;
}

// Colours 33..46 come from sample pixels of the interface image.
TEST(StartUpColours, TakenFromTheSamplePixels)
{
	std::vector<unsigned char> image(512 * 512 * 4, 0);
	auto plant = [&](int row, int column, unsigned char r, unsigned char g, unsigned char b) {
		unsigned char* p = &image[(static_cast<size_t>(row) * 512 + column) * 4];
		p[0] = r, p[1] = g, p[2] = b, p[3] = 255;
	};
	struct sample {
		int col, row, column;
	} const samples[] = {{33, 155, 319}, {34, 147, 319}, {35, 139, 319}, {36, 131, 319}, {37, 123, 319},
	                     {39, 115, 319}, {40, 107, 319}, {41, 99, 319},  {42, 91, 319},  {44, 83, 319},
	                     {45, 75, 319},  {46, 67, 319},  {43, 115, 395}};
	for (sample const& s : samples) plant(s.row, s.column, static_cast<unsigned char>(s.col), 255, 51);
	plant(147, 319, 10, 100, 200);  // 34
	plant(123, 319, 30, 0, 100);    // 37
	VEDEZE_take_colours(image.data());
	for (sample const& s : samples) {
		if (s.col == 34 || s.col == 37) continue;
		SCOPED_TRACE(s.col);
		EXPECT_FLOAT_EQ(colr.entry(s.col)[0], s.col / 255.0f);
		EXPECT_FLOAT_EQ(colr.entry(s.col)[1], 1.0f);
		EXPECT_FLOAT_EQ(colr.entry(s.col)[2], 0.2f);
	}
	EXPECT_FLOAT_EQ(colr.entry(34)[1], 100 / 255.0f);
	EXPECT_FLOAT_EQ(colr.entry(38)[0], 20 / 255.0f);
	EXPECT_FLOAT_EQ(colr.entry(38)[1], 50 / 255.0f);
	EXPECT_FLOAT_EQ(colr.entry(38)[2], 150 / 255.0f);
}

TEST(AppPath, ProgramFolderWithSlashAndCaseFlag)
{
	temp_dir dir;
	PLT_set_app_folder(dir.path());
	std::string path = "x";
	int flag = 0;
	VEDEZE_app_path(&path, &flag);
	EXPECT_EQ(path, dir.path());
	EXPECT_EQ(flag, 1);
	PLT_set_app_folder("");
	VEDEZE_app_path(&path, nullptr);
	char exe[4096];
	ssize_t const n = readlink("/proc/self/exe", exe, sizeof exe - 1);
	ASSERT_GT(n, 0);
	std::string const self(exe, static_cast<size_t>(n));
	EXPECT_EQ(path, self.substr(0, self.find_last_of('/') + 1));
}

TEST(Language, TextFolders)
{
	char const* const want[] = {"text:english:", "text:french:",    "text:german:", "text:italian:",
	                            "text:spanish:", "text:portugese:", "text:korean:"};
	for (int i = 0; i < 7; ++i) EXPECT_EQ(VEDEZE_lang_folder(i), want[i]);
	EXPECT_EQ(VEDEZE_lang_folder(7), "");
	EXPECT_EQ(VEDEZE_lang_folder(-1), "");
}
