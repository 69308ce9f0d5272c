// Index: scripted clicks - the child - the parent's side - frame statistics.
#include "bench_road.h"

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <sstream>

#include "bench_common.h"
#include "foundation/app_globals.h"
#include "installer/main_screen.h"
#include "installer/utils.h"
#include "platform/app_folder.h"
#include "platform/gl_window.h"
#include "platform/input_source.h"
#include "platform/sdl_input.h"
#include "shell/hl_init.h"
#include "shell/hl_mnw.h"

namespace bench {

namespace {

// ---- scripted clicks --------------------------------------------------------------

// SDL's own source with clicks put in front: each click goes out as a
// mouse-down in the first frame in which its window is current and a
// mouse-up in the next, at a layout point of that window. Waiting, windows
// and every other event stay SDL's, so the frame loop sleeps as it does in
// the program.
class click_input : public PLT_input_source {
public:
	struct click {
		int window;
		float x, y;  // layout points of that window, y up
	};
	std::deque<click> clicks;
	double first_down_wall = 0, first_down_cpu = 0;

	bool next_event(PLT_event* ev) override
	{
		if (fresh_) {
			fresh_ = false;
			if (up_) {
				up_ = false;
				ev->what = PLT_ev_mouse_up;
				ev->h = h_, ev->v = v_;
				return true;
			}
			if (!clicks.empty() && clicks.front().window == mnw.cur_win) {
				clicks.pop_front();
				up_ = true;
				if (first_down_wall == 0) first_down_wall = wall_now(), first_down_cpu = cpu_now();
				ev->what = PLT_ev_mouse_down;
				ev->h = h_, ev->v = v_;
				return true;
			}
		}
		return sdl().next_event(ev);
	}
	void mouse(void*, int* h, int* v) override
	{
		fresh_ = true;  // asked once at the start of every frame
		if (!up_ && !clicks.empty() && clicks.front().window == mnw.cur_win) {
			float const p = mnw.pix_scale > 0 ? mnw.pix_scale : 1.0f;
			h_ = static_cast<int>(std::lround((mnw.org_x + clicks.front().x) * p));
			v_ = mnw.y_res_use - static_cast<int>(std::lround((mnw.org_y + clicks.front().y) * p));
		}
		*h = h_;
		*v = v_;
	}
	void wait(int ms) override { sdl().wait(ms); }
	void* front_window() override { return sdl().front_window(); }
	void select_window(void* w) override { sdl().select_window(w); }
	void show_cursor(int show) override { sdl().show_cursor(show); }

private:
	static PLT_sdl_input& sdl() { return PLT_sdl_input_source(); }
	bool fresh_ = false, up_ = false;
	int h_ = 0, v_ = 0;
};

// ---- the child ---------------------------------------------------------------------

double const kDeadline = 3600;  // seconds one install may take
std::vector<double> swaps;      // wall time of every buffer swap
double child_start = 0;

void note_swap(void*)
{
	double const now = wall_now();
	swaps.push_back(now);
	// Also inside modal panels, whose frames never return to the loop below.
	if (now - child_start > kDeadline) die("the install did not end within an hour");
	if (mnw.cur_win == 997) die("the installer asks about a modified file; the benchmark's copy was changed");
}

// The resident peak of this process (VmHWM), in KiB: a parent's ru_maxrss
// after spawning reports its own mark, not the child's.
double peak_resident_kib()
{
	std::ifstream in("/proc/self/status");
	std::string key;
	while (in >> key) {
		if (key == "VmHWM:") {
			double kib = 0;
			in >> kib;
			return kib;
		}
		std::getline(in, key);
	}
	return 0;
}

}  // namespace

int install_child(std::string const& dir, std::string const& dest)
{
	program_name = "bench_install (install run)";
	PLT_set_app_folder(dir + "app");
	setenv("XDG_CONFIG_HOME", (dir + "config").c_str(), 1);
	static char const* const args[] = {"bench_install", nullptr};
	VEDEZE_init(1, args);
	click_input input;
	PLT_input_set_source(&input);
	swaps.reserve(1 << 16);
	PLT_gl_set_pre_swap_hook(note_swap, nullptr);

	child_start = wall_now();
	double const start_cpu = cpu_now();
	double const start_kib = peak_resident_kib();
	start_installer(dest);
	bool queued = false;
	double end_wall = 0, end_cpu = 0;
	while (!app_done) {
		VEDEZE_event_proc();
		if (!queued && stg.install_stage == 0 && stg.dir_state == 3 && disk_space_avail == 1 && mnw.cur_win == 0) {
			input.clicks = {{0, 491, 89}, {1, 429, 21}};  // install, then agree
			queued = true;
		}
		if (stg.install_stage == 2) {
			end_wall = wall_now(), end_cpu = cpu_now();
			app_done = 1;
		}
	}
	PLT_gl_set_pre_swap_hook(nullptr, nullptr);
	PLT_input_set_source(nullptr);
	if (end_wall == 0 || input.first_down_wall == 0) die("the program ended before the install did");
	if (stg.install_error != 0) die("the install ended with an error; see " + dir + "app/Log.txt");

	std::ofstream out(dir + "result.txt");
	out.precision(9);
	out << "from_click " << end_wall - input.first_down_wall << "\nfrom_start " << end_wall - child_start
	    << "\ncpu_click " << end_cpu - input.first_down_cpu << "\ncpu_start " << end_cpu - start_cpu
	    << "\nstart_kib " << start_kib << "\npeak_kib " << peak_resident_kib() << "\n";
	double last = 0;
	for (double t : swaps) {
		if (t < input.first_down_wall || t > end_wall) continue;
		if (last > 0) out << "frame " << (t - last) * 1000 << "\n";
		last = t;
	}
	out.close();
	VEDEZE_finishup(0);
	return out ? 0 : 1;
}

// ---- the parent's side ---------------------------------------------------------------

install_result run_install(std::string const& dir, std::string const& dest, int port, bool max_cpu)
{
	remove_tree(dir);
	std::string const p = std::to_string(port);
	write_file(dir + "config/Skyrell Installer.prf", "I\n8500 version\n_download_os 3\n_proxy_host 127.0.0.1\n_proxy_port " +
	                                                     p + "\n_proxy_port_int " + p + "\n" +
	                                                     (max_cpu ? "_use_max_cpu 1\n" : ""));
	make_path(dir + "app/");
	make_path(dest);
	std::string const self = "/proc/self/exe";
	run_child({self, "--install-run", dir, "--dest", dest}, dir + "output.txt", dir + "errors.txt", false);

	install_result r;
	std::ifstream in(dir + "result.txt");
	std::string key;
	double value;
	while (in >> key >> value) {
		if (key == "from_click") r.from_click = value;
		else if (key == "from_start") r.from_start = value;
		else if (key == "cpu_click") r.cpu_click = value;
		else if (key == "cpu_start") r.cpu_start = value;
		else if (key == "frame") r.frames_ms.push_back(value);
		else if (key == "start_kib") r.start_kib = value;
		else if (key == "peak_kib") r.peak_kib = value;
	}
	if (r.from_click <= 0) die("the install in " + dir + " failed: " + read_file(dir + "errors.txt"));
	return r;
}

// ---- frame statistics ----------------------------------------------------------------

frame_stats stats_of(std::vector<double> const& frames_ms)
{
	frame_stats s;
	s.count = frames_ms.size();
	if (frames_ms.empty()) return s;
	std::vector<double> v = frames_ms;
	std::sort(v.begin(), v.end());
	s.median = median(v);
	// Nearest rank.
	size_t const rank = static_cast<size_t>(std::ceil(0.99 * static_cast<double>(v.size())));
	s.p99 = v[rank > 0 ? rank - 1 : 0];
	s.max = v.back();
	for (double f : v) s.over_100 += f > 100;
	return s;
}

}  // namespace bench
