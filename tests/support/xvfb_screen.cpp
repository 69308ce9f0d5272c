#include "support/xvfb_screen.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

rgb_image read_xwd(std::string const& path)
{
	rgb_image out;
	std::ifstream in(path, std::ios::binary);
	std::string const data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
	// Header fields are 32-bit words in network order.
	auto field = [&data](int i) -> uint32_t {
		if (data.size() < static_cast<size_t>(i) * 4 + 4) return 0;
		auto const* p = reinterpret_cast<unsigned char const*>(data.data()) + i * 4;
		return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
	};
	uint32_t const header = field(0), width = field(4), height = field(5), byte_order = field(7);
	uint32_t const bpp = field(11), line = field(12), red = field(14), green = field(15), blue = field(16);
	uint32_t const colours = field(19);
	size_t const start = header + static_cast<size_t>(colours) * 12;
	if (bpp != 32 || width == 0 || data.size() < start + static_cast<size_t>(line) * height) return out;
	auto shift_of = [](uint32_t mask) {
		int s = 0;
		while (mask && !(mask & 1)) mask >>= 1, ++s;
		return s;
	};
	out.w = static_cast<int>(width);
	out.h = static_cast<int>(height);
	out.rgb.resize(static_cast<size_t>(width) * height * 3);
	for (uint32_t y = 0; y < height; ++y)
		for (uint32_t x = 0; x < width; ++x) {
			auto const* p = reinterpret_cast<unsigned char const*>(data.data()) + start + y * line + x * 4;
			uint32_t const v = byte_order == 0 ? (p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24))
			                                   : ((uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]);
			unsigned char* o = &out.rgb[(static_cast<size_t>(y) * width + x) * 3];
			o[0] = static_cast<unsigned char>((v & red) >> shift_of(red));
			o[1] = static_cast<unsigned char>((v & green) >> shift_of(green));
			o[2] = static_cast<unsigned char>((v & blue) >> shift_of(blue));
		}
	return out;
}

std::string read_line(int fd, xvfb_clock::time_point deadline)
{
	std::string line;
	while (xvfb_clock::now() < deadline) {
		pollfd p{fd, POLLIN, 0};
		int const left = static_cast<int>(
		    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - xvfb_clock::now()).count());
		if (poll(&p, 1, left > 0 ? left : 0) <= 0) break;
		char c;
		if (read(fd, &c, 1) != 1) break;
		if (c == '\n') return line;
		line += c;
	}
	return "";
}

int wait_for(pid_t pid, xvfb_clock::time_point deadline)
{
	int status = 0;
	while (xvfb_clock::now() < deadline) {
		pid_t const got = waitpid(pid, &status, WNOHANG);
		if (got == pid) return status;
		pollfd none{-1, 0, 0};
		poll(&none, 0, 20);
	}
	kill(pid, SIGKILL);
	waitpid(pid, &status, 0);
	return -1;
}

bool x_server::start(std::string const& fbdir)
{
	int fds[2];
	if (pipe(fds) != 0) return false;
	pid = fork();
	if (pid == 0) {
		close(fds[0]);
		int const null = open("/dev/null", O_WRONLY);
		dup2(null, 1);
		dup2(null, 2);
		std::string const fd = std::to_string(fds[1]);
		execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-fbdir", fbdir.c_str(),
		       "-nolisten", "tcp", static_cast<char*>(nullptr));
		_exit(127);
	}
	close(fds[1]);
	std::string const number = read_line(fds[0], xvfb_clock::now() + std::chrono::seconds(30));
	close(fds[0]);
	if (number.empty()) return false;
	display = ":" + number;
	return true;
}

x_server::~x_server()
{
	if (pid > 0) {
		kill(pid, SIGTERM);
		wait_for(pid, xvfb_clock::now() + std::chrono::seconds(5));
	}
}
