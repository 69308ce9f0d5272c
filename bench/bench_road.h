// Installs through the program's real frame loop, each in a child process of
// its own (the installer's state is global): the child starts as the program
// does, clicks install and agree with scripted input as soon as the button is
// armed, and records the time of every buffer swap from the hook before it.
#pragma once
#include <string>
#include <vector>

namespace bench {

struct install_result {
	double from_click = 0;  // seconds, install click to install_stage 2
	double from_start = 0;  // seconds, start-up (after the window) to install_stage 2
	double cpu_click = 0;   // the child's CPU seconds over the same spans
	double cpu_start = 0;
	std::vector<double> frames_ms;  // each frame from the click to the end
	double start_kib = 0;           // the child's resident peak (VmHWM) after start-up, before the directory
	double peak_kib = 0;            // its resident peak at the end of the install
};

// The child's side: `bench_install --install-run DIR --dest PATH`.
int install_child(std::string const& dir, std::string const& dest);

// Runs one install in a child with its settings, log and results in dir
// (emptied first): `-path dest`, the proxy at 127.0.0.1:port, and
// `_use_max_cpu` 1 when max_cpu.
install_result run_install(std::string const& dir, std::string const& dest, int port, bool max_cpu);

struct frame_stats {
	size_t count = 0;
	double median = 0, p99 = 0, max = 0;
	size_t over_100 = 0;
};
frame_stats stats_of(std::vector<double> const& frames_ms);

}  // namespace bench
