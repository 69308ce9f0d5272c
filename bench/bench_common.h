// Clocks, medians and child processes shared by the benchmarks.
#pragma once
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace bench {

inline char const* program_name = "bench";

[[noreturn]] inline void die(std::string const& what)
{
	std::fprintf(stderr, "%s: %s\n", program_name, what.c_str());
	std::exit(1);
}

inline double wall_now()
{
	return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

inline double seconds(timeval const& t)
{
	return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

// User + system time of this process; a busy machine stretches wall time
// far more than the CPU time a pass needs.
inline double cpu_now()
{
	rusage r;
	getrusage(RUSAGE_SELF, &r);
	return seconds(r.ru_utime) + seconds(r.ru_stime);
}

struct timing {
	double wall = 0;
	double cpu = 0;
	timing& operator+=(timing const& o)
	{
		wall += o.wall;
		cpu += o.cpu;
		return *this;
	}
};

inline double median(std::vector<double> v)
{
	if (v.empty()) return 0;
	std::sort(v.begin(), v.end());
	size_t const n = v.size();
	return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Runs argv[0] (looked up in PATH) with its standard output to `out`, its
// standard error to `err` and its standard input from /dev/null; waits for
// it. The child's wall time and CPU time; a failure to start, or a non-zero
// status when must_succeed, stops the benchmark.
inline timing run_child(std::vector<std::string> const& argv, std::string const& out = "/dev/null",
                        std::string const& err = "/dev/null", bool must_succeed = true)
{
	std::vector<char*> args;
	for (auto const& a : argv) args.push_back(const_cast<char*>(a.c_str()));
	args.push_back(nullptr);
	posix_spawn_file_actions_t actions;
	posix_spawn_file_actions_init(&actions);
	posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
	posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
	posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
	double const w0 = wall_now();
	pid_t pid;
	if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) die("cannot run " + argv[0]);
	posix_spawn_file_actions_destroy(&actions);
	int status = 0;
	rusage r;
	if (wait4(pid, &status, 0, &r) != pid) die("lost " + argv[0]);
	double const wall = wall_now() - w0;
	if (must_succeed && (!WIFEXITED(status) || WEXITSTATUS(status) != 0))
		die(argv[0] + " failed (status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")");
	return {wall, seconds(r.ru_utime) + seconds(r.ru_stime)};
}

}  // namespace bench
