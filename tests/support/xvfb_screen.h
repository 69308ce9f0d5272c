// An X server of the test's own (Xvfb on a free display, its screen kept
// as a file the test reads), and the waiting helpers that go with a child
// program shown on it.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

using xvfb_clock = std::chrono::steady_clock;

struct rgb_image {
	int w = 0, h = 0;
	std::vector<unsigned char> rgb;  // top row first
	int at(int x, int y, int c) const { return rgb[(static_cast<size_t>(y) * w + x) * 3 + c]; }
};

// The screen file Xvfb keeps with -fbdir (an XWD image); empty when it
// cannot be read.
rgb_image read_xwd(std::string const& path);

// Reads one line from fd, waiting at most until the deadline ("" then).
std::string read_line(int fd, xvfb_clock::time_point deadline);

// Waits for pid until the deadline and answers its wait status; a child
// still running then is killed (by pid) and -1 answered.
int wait_for(pid_t pid, xvfb_clock::time_point deadline);

// Xvfb at 1280 x 1024 x 24 on a free display, its screen in fbdir as
// "Xvfb_screen0"; stopped when the object goes.
struct x_server {
	pid_t pid = -1;
	std::string display;  // ":N"
	bool start(std::string const& fbdir);
	~x_server();
};
