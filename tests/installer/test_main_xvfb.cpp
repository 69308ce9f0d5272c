// The real program on an X server of the test's own: started with "-path",
// it opens its window, logs the standard folders, fetches the server list
// from name-based nginx on loopback through the saved proxy settings, and
// opens the preferences panel on a click; a tick made there is saved when
// the program is told to end.
#include <gtest/gtest.h>
#include <png.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "support/alert_recorder.h"
#include "support/real_servers.h"
#include "support/xvfb_screen.h"

namespace {

using namespace std::chrono_literals;

// Runs a command and answers its standard output.
std::string output_of(std::string const& command)
{
	std::string out;
	FILE* p = popen(command.c_str(), "r");
	if (!p) return out;
	char buf[256];
	while (size_t const n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
	pclose(p);
	return out;
}

// Mean channel difference over a w x h box at (x, y) of two screens.
double box_difference(rgb_image const& a, rgb_image const& b, int x, int y, int w, int h)
{
	if (a.w != b.w || a.h != b.h || x < 0 || y < 0 || x + w > a.w || y + h > a.h) return -1;
	double sum = 0;
	for (int j = y; j < y + h; ++j)
		for (int i = x; i < x + w; ++i)
			for (int c = 0; c < 3; ++c) sum += std::abs(a.at(i, j, c) - b.at(i, j, c));
	return sum / (3.0 * w * h);
}

void save_png(rgb_image const& img, std::string const& path)
{
	png_image out{};
	out.version = PNG_IMAGE_VERSION;
	out.width = static_cast<png_uint_32>(img.w);
	out.height = static_cast<png_uint_32>(img.h);
	out.format = PNG_FORMAT_RGB;
	png_image_write_to_file(&out, path.c_str(), 0, img.rgb.data(), 0, nullptr);
}

// A private home, settings, temporary folder and an existing copy under t,
// and the program copied into t/bin (its log lands in its own folder);
// answers the program's path.
std::string program_folder(std::string const& t)
{
	for (char const* d : {"bin", "home", "config", "tmp", "copy", "copy/Airfoils", "copy/Instructions",
	                      "copy/Output", "copy/Resources"})
		mkdir((t + d).c_str(), 0700);
	std::string const exe = t + "bin/skyrell-installer";
	{
		std::ifstream in(SKY_INSTALLER, std::ios::binary);
		std::ofstream o(exe, std::ios::binary);
		o << in.rdbuf();
	}
	chmod(exe.c_str(), 0755);
	return exe;
}

// In the forked child: the private folders of program_folder(t) become its
// home, settings and temporary folder, t/bin comes first on PATH, and its
// standard error goes to t/stderr.txt.
void enter_program_folder(std::string const& t)
{
	setenv("HOME", (t + "home").c_str(), 1);
	setenv("XDG_CONFIG_HOME", (t + "config").c_str(), 1);
	setenv("TMPDIR", (t + "tmp").c_str(), 1);
	setenv("PATH", (t + "bin:" + getenv("PATH")).c_str(), 1);
	int const err = open((t + "stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
	dup2(err, 2);
}

bool wait_until(xvfb_clock::time_point deadline, std::function<bool()> const& done)
{
	while (xvfb_clock::now() < deadline) {
		if (done()) return true;
		usleep(50 * 1000);
	}
	return done();
}

TEST(ProgramOnXvfb, PathOptionServerListAndPreferences)
{
	temp_dir dir;
	std::string const t = dir.path();
	std::string const exe = program_folder(t);
	mkdir((t + "www").c_str(), 0700);
	// A folder dialog must not be needed: a copy is named.
	write_text_file(t + "bin/zenity", "#!/bin/sh\necho \"$@\" >> '" + t + "zenity_calls.txt'\nexit 1\n");
	chmod((t + "bin/zenity").c_str(), 0755);

	write_text_file(t + "www/serverlist.txt", "I\n820 version\nSERVERS\nBETA Sky 9\nFINAL Sky 8\nENDOFLIST\n");
	nginx_server nginx(t, {{"www.kestrin-research.example", t + "www/"}});
	ASSERT_TRUE(nginx.ok()) << nginx.error();
	std::string const port = std::to_string(nginx.port());
	std::string const prefs = t + "config/Skyrell Installer.prf";
	write_text_file(prefs, "I\n8500 version\n_proxy_host 127.0.0.1\n_proxy_port " + port + "\n_proxy_port_int " + port + "\n");

	x_server x;
	ASSERT_TRUE(x.start(t + "tmp")) << "Xvfb did not start";
	std::string const screen_file = t + "tmp/Xvfb_screen0";

	pid_t const app = fork();
	ASSERT_GE(app, 0);
	if (app == 0) {
		setenv("DISPLAY", x.display.c_str(), 1);
		setenv("SDL_VIDEODRIVER", "x11", 1);
		enter_program_folder(t);
		execl(exe.c_str(), exe.c_str(), "-path", (t + "copy/").c_str(), static_cast<char*>(nullptr));
		_exit(127);
	}
	// Ends the program by pid whatever happens below.
	struct reaper {
		pid_t pid;
		~reaper()
		{
			if (pid > 0) wait_for(pid, xvfb_clock::now());
		}
	} reap{app};
	auto const deadline = xvfb_clock::now() + 120s;
	std::string const log_file = t + "bin/Log.txt";

	EXPECT_TRUE(wait_until(deadline, [&] {
		return nginx.access_log().find("www.kestrin-research.example") != std::string::npos;
	})) << "no server list fetched\n"
	    << read_text_file(log_file);
	EXPECT_NE(nginx.access_log().find("/serverlist.txt"), std::string::npos) << nginx.access_log();

	std::string const window =
	    output_of("DISPLAY=" + x.display + " timeout 30 xdotool search --sync --onlyvisible --pid " +
	              std::to_string(app) + " | head -1");
	ASSERT_FALSE(window.empty()) << "no window";
	std::string const wid = window.substr(0, window.find('\n'));
	std::string const geometry = output_of("DISPLAY=" + x.display + " xdotool getwindowgeometry --shell " + wid);
	int wx = -1, wy = -1;
	for (std::string const& key : {std::string("X="), std::string("Y=")}) {
		size_t const at = geometry.find("\n" + key);
		ASSERT_NE(at, std::string::npos) << geometry;
		(key[0] == 'X' ? wx : wy) = std::atoi(geometry.c_str() + at + 1 + key.size());
	}
	EXPECT_NE(geometry.find("WIDTH=1024"), std::string::npos) << geometry;
	EXPECT_NE(geometry.find("HEIGHT=768"), std::string::npos) << geometry;

	auto xdotool = [&](std::string const& args) {
		return std::system(("DISPLAY=" + x.display + " xdotool " + args).c_str());
	};
	// The preferences button at the top left; the panel (500 x 380) opens in
	// the middle of the window.
	rgb_image const main_screen = read_xwd(screen_file);
	ASSERT_EQ(xdotool("mousemove --window " + wid + " 50 18 click 1"), 0);
	rgb_image panel;
	EXPECT_TRUE(wait_until(deadline, [&] {
		panel = read_xwd(screen_file);
		return box_difference(main_screen, panel, wx + 262, wy + 194, 500, 380) > 20;
	})) << "the preferences panel did not open";
	if (char const* shots = std::getenv("SKY_SHOT_DIR")) save_png(panel, std::string(shots) + "/program_prefs.png");

	// Tick "log installer actions".
	ASSERT_EQ(xdotool("mousemove --window " + wid + " 292 460 click 1"), 0);
	EXPECT_TRUE(wait_until(deadline, [&] {
		return box_difference(panel, read_xwd(screen_file), wx + 282, wy + 450, 20, 20) > 10;
	})) << "the tick did not show";

	// The window system's quit: the program finishes normally and saves.
	kill(app, SIGTERM);
	int const status = wait_for(app, deadline);
	reap.pid = -1;
	ASSERT_TRUE(WIFEXITED(status)) << status;
	EXPECT_EQ(WEXITSTATUS(status), 0) << read_text_file(t + "stderr.txt");

	std::string const log = read_text_file(log_file);
	EXPECT_NE(log.find("\nos_dir_apps:" + t + "home/\nos_dir_temp:" + t + "tmp/Skyrell-"), std::string::npos)
	    << log;
	EXPECT_NE(log.find("\nClean exit from threads.\n"), std::string::npos) << log;
	std::string const saved = read_text_file(prefs);
	EXPECT_NE(saved.find("_log_actions 1\n"), std::string::npos) << saved;
	EXPECT_NE(saved.find("_dest_dir_path " + t + "copy/\n"), std::string::npos) << saved;
	EXPECT_EQ(read_text_file(t + "zenity_calls.txt"), "");
}

// The options after "-path", or without it, reach the graphics probe: its
// situation block in the log shows each flag it clears, and the shell's
// option list (which the probe asks about "--use_sprites") logs every name.
// The program runs off screen and is ended once the block is written.
TEST(ProgramOptions, ReachTheGraphicsProbe)
{
	temp_dir dir;
	std::string const t = dir.path();
	std::string const exe = program_folder(t);
	// Any chooser or message box is cancelled at once.
	write_text_file(t + "bin/zenity", "#!/bin/sh\nexit 1\n");
	chmod((t + "bin/zenity").c_str(), 0755);

	struct row {
		std::vector<std::string> args;
		int vbo, sprites;
		bool use_sprites;
	};
	std::string const copy = t + "copy/";
	std::vector<row> const rows = {
	    {{"-path", copy}, 1, 1, false},
	    {{"-path", copy, "--no_vbos"}, 0, 1, false},
	    {{"-path", copy, "--use_sprites", "--no_sprites"}, 1, 0, true},
	    {{"--no_sprites", "--no_vbos"}, 0, 0, false},
	};
	std::string const log_file = t + "bin/Log.txt";
	for (row const& r : rows) {
		SCOPED_TRACE(r.args.back());
		unlink(log_file.c_str());
		pid_t const app = fork();
		ASSERT_GE(app, 0);
		if (app == 0) {
			setenv("SDL_VIDEODRIVER", "offscreen", 1);
			enter_program_folder(t);
			std::vector<char*> argv{const_cast<char*>(exe.c_str())};
			for (std::string const& a : r.args) argv.push_back(const_cast<char*>(a.c_str()));
			argv.push_back(nullptr);
			execv(exe.c_str(), argv.data());
			_exit(127);
		}
		auto const deadline = xvfb_clock::now() + 120s;
		bool const probed = wait_until(deadline, [&] {
			return read_text_file(log_file).find("occlude_avail  =") != std::string::npos;
		});
		kill(app, SIGTERM);
		int const status = wait_for(app, deadline);
		std::string const log = read_text_file(log_file);
		ASSERT_TRUE(probed) << log << read_text_file(t + "stderr.txt");
		EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
		EXPECT_NE(log.find("\nvbo_avail      =" + std::to_string(r.vbo) + "\n"), std::string::npos) << log;
		EXPECT_NE(log.find("\nsprites_avail  =" + std::to_string(r.sprites) + "\n"), std::string::npos) << log;
		for (std::string const& a : r.args) {
			if (a.compare(0, 2, "--") == 0) {
				EXPECT_NE(log.find("     '" + a + "'=''\n"), std::string::npos) << log;
			}
		}
		EXPECT_EQ(log.find("'--use_sprites'") != std::string::npos, r.use_sprites) << log;
	}
}

}  // namespace
