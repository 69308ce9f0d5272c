// Clocks, medians, files and child processes shared by the benchmarks.
#pragma once
#include <fcntl.h>
#include <ftw.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
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

// ---- files ------------------------------------------------------------------

// Makes every folder of path up to its last "/".
inline void make_path(std::string const& path)
{
	for (size_t i = 1; i < path.size(); ++i)
		if (path[i] == '/') {
			std::string const f = path.substr(0, i);
			if (mkdir(f.c_str(), 0755) != 0 && errno != EEXIST) die("cannot make " + f);
		}
}

inline int remove_item(char const* path, struct stat const*, int, FTW*) { return remove(path); }
inline void remove_tree(std::string const& path) { nftw(path.c_str(), remove_item, 16, FTW_DEPTH | FTW_PHYS); }

inline std::string read_file(std::string const& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes data to path, making its folders first.
inline void write_file(std::string const& path, std::string const& data)
{
	make_path(path);
	std::ofstream out(path, std::ios::binary | std::ios::trunc);
	out.write(data.data(), static_cast<std::streamsize>(data.size()));
	if (!out) die("cannot write " + path);
}

// Reads every file once: both sides of a comparison start from a warm cache.
inline void warm(std::vector<std::string> const& paths)
{
	std::vector<char> buf(1 << 20);
	for (auto const& p : paths) {
		int const fd = open(p.c_str(), O_RDONLY | O_CLOEXEC);
		if (fd < 0) die("cannot read " + p);
		while (read(fd, buf.data(), buf.size()) > 0) {
		}
		close(fd);
	}
}

// ---- child processes ----------------------------------------------------------

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
