// The installer road in process: the real frame loop (offscreen) with
// clicks that wait for their window, a release set written by the builder
// and served with the server list by nginx through the proxy settings, and
// the trees that installing it must give.
#pragma once
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <cstdlib>
#include <string>

#include "builder_fixture.h"
#include "foundation/app_globals.h"
#include "foundation/http.h"
#include "foundation/rivo_socket.h"
#include "foundation/xtim.h"
#include "installer/grab.h"
#include "installer/main_screen.h"
#include "installer/utils.h"
#include "platform/input_source.h"
#include "shell/hl_about.h"
#include "support/frame_driver.h"
#include "support/real_servers.h"
#include "platform/gl_window.h"
#include "support/window_png.h"

namespace road {

// Clicks that wait for their window: each goes out as a mouse-down in the
// first frame in which its window is current, at a point of that window,
// and a mouse-up follows in the next frame. Modal panels run their own
// frames, so a whole exchange (install, then agree) can be queued at once.
class click_script : public PLT_input_source {
public:
	struct click {
		int window;
		float x, y;  // layout points of that window, y up
	};
	std::deque<click> clicks;

	bool next_event(PLT_event* ev) override
	{
		if (!fresh_) return false;
		fresh_ = false;
		if (up_) {
			up_ = false;
			ev->what = PLT_ev_mouse_up;
			ev->h = h_;
			ev->v = v_;
			return true;
		}
		if (clicks.empty() || clicks.front().window != mnw.cur_win) return false;
		clicks.pop_front();
		up_ = true;
		ev->what = PLT_ev_mouse_down;
		ev->h = h_;
		ev->v = v_;
		return true;
	}
	void mouse(void*, int* h, int* v) override
	{
		// Asked once at the start of every frame.
		fresh_ = true;
		if (!up_ && !clicks.empty() && clicks.front().window == mnw.cur_win) {
			float const p = mnw.pix_scale > 0 ? mnw.pix_scale : 1.0f;
			h_ = static_cast<int>(std::lround((mnw.org_x + clicks.front().x) * p));
			v_ = mnw.y_res_use - static_cast<int>(std::lround((mnw.org_y + clicks.front().y) * p));
		}
		*h = h_;
		*v = v_;
	}

private:
	bool fresh_ = false, up_ = false;
	int h_ = 0, v_ = 0;
};

// Window points of the buttons the road presses.
inline click_script::click install_button() { return {0, 491, 89}; }
inline click_script::click destination_button() { return {0, 73, 89}; }
inline click_script::click agree_button() { return {1, 429, 21}; }
inline click_script::click decline_button() { return {1, 342, 21}; }

// What a tree holds: relative path -> "d" for a folder, "f:" + bytes for a
// file, "l:" + target for a symbolic link.
using tree = std::map<std::string, std::string>;

inline void walk(std::string const& root, std::string const& rel, tree& out)
{
	DIR* d = opendir((root + rel).c_str());
	if (!d) return;
	while (dirent* e = readdir(d)) {
		std::string const name = e->d_name;
		if (name == "." || name == "..") continue;
		std::string const r = rel + name;
		struct stat st;
		if (lstat((root + r).c_str(), &st) != 0) continue;
		if (S_ISLNK(st.st_mode)) {
			char buf[4096];
			ssize_t const n = readlink((root + r).c_str(), buf, sizeof buf);
			out[r] = "l:" + std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
		} else if (S_ISDIR(st.st_mode)) {
			out[r] = "d";
			walk(root, r + "/", out);
		} else {
			out[r] = "f:" + read_text_file(root + r);
		}
	}
	closedir(d);
}

inline tree tree_of(std::string const& root)
{
	tree t;
	walk(root, "", t);
	return t;
}

// The tree an install for Linux generic x86 gives from a master tree: the
// files and links of "All" and "Linux Generic x86" (except other platforms'
// plug-ins), their folders, and the working folders every install makes.
inline tree expected_install(std::string const& master)
{
	tree t;
	for (char const* top : {"All/", "Linux Generic x86/"}) {
		tree part = tree_of(master + top);
		for (auto const& [rel, what] : part) {
			if (what == "d") continue;
			if (rel == "Resources/plugins/SKPM.dll") continue;  // Windows only
			t[rel] = what;
			for (size_t cut = rel.find('/'); cut != std::string::npos; cut = rel.find('/', cut + 1))
				t[rel.substr(0, cut)] = "d";
		}
	}
	for (char const* f : {"Output", "Output/FMS plans", "Output/logbooks", "Output/movies", "Output/situations",
	                      "Resources", "Resources/preferences"})
		t[f] = "d";
	return t;
}

// Differences between two trees, one line each, for a failure message.
inline std::string tree_diff(tree const& want, tree const& got)
{
	std::string out;
	for (auto const& [k, v] : want) {
		auto it = got.find(k);
		if (it == got.end()) out += "missing " + k + "\n";
		else if (it->second != v) out += "differs " + k + "\n";
	}
	for (auto const& [k, v] : got)
		if (!want.count(k)) out += "extra " + k + "\n";
	return out;
}

inline std::string random_bytes(size_t n, unsigned seed)
{
	std::mt19937 gen(seed);
	std::string s(n, '\0');
	for (char& c : s) c = static_cast<char>(gen());
	return s;
}

// The release's name: the builder's set name, the server list's BETA line.
inline std::string const kRelease = "Skyrell 8.50 Beta 8";

struct road_test : ::testing::Test {
	std::unique_ptr<frame_driver> drive;
	click_script script;
	temp_dir dir;
	std::string master, out, www, tmp, set_fold;
	std::unique_ptr<nginx_server> web;
	double clock = 0;

	void SetUp() override
	{
		drive.reset(new frame_driver());
		PLT_input_set_source(&script);
		master = dir.path() + "master/";
		out = dir.path() + "sets/";
		www = dir.path() + "www/";
		tmp = dir.path() + "tmp/";
		for (auto const& d : {out, www, tmp}) builder_test::put_folder(d);
		set_fold = out + "MY CONTAINER FOR " + kRelease + "/" + kRelease + "/";
		build_release();

		// The servers: the maker's host with the list, two mirrors of the set.
		write_text_file(www + "serverlist.txt", "I\n820 version\nSERVERS\nBETA " + kRelease +
		                                            "\nSERVER srv0.test\n/MY CONTAINER FOR " + kRelease +
		                                            "/\nMirror zero\nSERVER srv1.test\n/MY CONTAINER FOR " +
		                                            kRelease + "/\nMirror one\nENDOFLIST\n");
		web.reset(new nginx_server(dir.path(), {{maker_host, www}, {"srv0.test", out}, {"srv1.test", out}}));
		ASSERT_TRUE(web->ok()) << web->error();
		RIVOSocket::StartupNetworking(true);
		http.proxy_host = "127.0.0.1";
		http.proxy_port_int = web->port();

		// The installer as main leaves it before the first frame.
		set_stg_defaults();
		stg.download_os = 3;
		stg.log_actions = 1;
		install_name = "Not Yet Scanned";
		temp_path = tmp;
		sim_info.clear();
		deleted_files.clear();
		next.finished = 0;
		reset_next();
		forget_EULA();
		app_done = 0;
	}
	void TearDown() override
	{
		abandon_transfers();
		PLT_input_set_source(nullptr);
		drive.reset();
	}

	// A first release, written by the builder from a master tree.
	void build_release()
	{
		using namespace builder_test;
		valid_master(master);
		put_file(master + "All/Aircraft/Glider/glider.acf", random_bytes(30000, 1));
		put_file(master + "All/Airfoils/naca.afl", "airfoil\n");
		put_file(master + "All/Instructions/manual.txt", "manual\n");
		put_link(master + "All/Resources/link.txt", "text/English/Skyrell.txt");
		put_file(master + "All/Resources/plugins/SKPM.so", "so");
		put_file(master + "All/Resources/plugins/SKPM.dll", "dll");
		put_file(master + "Linux Generic x86/skyrell-x86", random_bytes(5000, 2));
		chmod((master + "Linux Generic x86/skyrell-x86").c_str(), 0755);  // the release's program
		put_file(master + "Linux Pentium 3/skyrell-p3", "p3");
		put_file(master + "Windows/Skyrell.exe", "exe");
		write_text_file(dir.path() + "previous.txt", kEmptyPrevious);
		point_builder(master, dir.path() + "previous.txt", out);
		sub_install();
		ASSERT_TRUE(file_exists(set_fold + "directory.txt.zip"));
		sim_info.clear();
		sim_info_index.clear();
	}

	// Frames until done() holds; false when `seconds` of wall time pass first.
	bool frames_until(std::function<bool()> const& done, double seconds = 60)
	{
		auto const until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
		while (std::chrono::steady_clock::now() < until) {
			clock += 0.02;
			drive->frame_at(clock);
			if (done()) return true;
		}
		return false;
	}
	bool main_screen_ready()
	{
		return frames_until([] { return stg.dir_state == DIRST_ready && disk_space_avail == 1; });
	}
	bool install_ended()
	{
		return frames_until([] { return stg.install_stage == STAGE_ended; });
	}
	std::string log_text() { return drive->app().log_text(); }

	// One more frame, kept as name.png in SKY_SHOT_DIR when that is set.
	void shot(std::string const& name)
	{
		char const* shots = std::getenv("SKY_SHOT_DIR");
		if (!shots) return;
		static std::string path;
		path = std::string(shots) + "/" + name + ".png";
		PLT_gl_set_pre_swap_hook([](void*) { save_window_png(path, mnw.x_res_use, mnw.y_res_use); }, nullptr);
		clock += 0.02;
		drive->frame_at(clock);
		PLT_gl_set_pre_swap_hook(nullptr, nullptr);
	}
};

}  // namespace road
