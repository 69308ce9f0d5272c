#include "support/script_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace {

using clock_type = std::chrono::steady_clock;

int ms_left(clock_type::time_point until)
{
	auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - clock_type::now()).count();
	return left > 0 ? static_cast<int>(left) : 0;
}

// Content-Length of a header block, 0 when absent or unreadable.
size_t announced_length(std::string const& head)
{
	size_t pos = 0;
	while ((pos = head.find("\r\n", pos)) != std::string::npos) {
		pos += 2;
		static char const name[] = "content-length:";
		if (head.size() - pos >= sizeof(name) - 1 && strncasecmp(head.c_str() + pos, name, sizeof(name) - 1) == 0)
			return std::strtoul(head.c_str() + pos + sizeof(name) - 1, nullptr, 10);
	}
	return 0;
}

bool send_all(int fd, std::string const& bytes)
{
	size_t off = 0;
	while (off < bytes.size()) {
		pollfd p{fd, POLLOUT, 0};
		if (poll(&p, 1, 5000) <= 0)
			return false;
		ssize_t n = send(fd, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
		if (n <= 0)
			return false;
		off += static_cast<size_t>(n);
	}
	return true;
}

}  // namespace

script_reply script_simple(std::string const& bytes, script_end end)
{
	script_reply r;
	r.steps.push_back({bytes, 0});
	r.end = end;
	return r;
}

std::string script_read_request(int fd, int timeout_ms, size_t cap)
{
	std::string got;
	auto until = clock_type::now() + std::chrono::milliseconds(timeout_ms);
	size_t want = std::string::npos;
	char buf[4096];
	while (got.size() < cap && (want == std::string::npos || got.size() < want)) {
		pollfd p{fd, POLLIN, 0};
		if (poll(&p, 1, ms_left(until)) <= 0)
			break;
		ssize_t n = recv(fd, buf, sizeof(buf), 0);
		if (n <= 0)
			break;
		got.append(buf, static_cast<size_t>(n));
		if (want == std::string::npos) {
			size_t end = got.find("\r\n\r\n");
			if (end != std::string::npos)
				want = end + 4 + announced_length(got.substr(0, end + 2));
		}
	}
	return got;
}

script_server::script_server(script_reply reply)
    : script_server(responder([reply](std::string const&) { return reply; }))
{
}

script_server::script_server(responder fn) : respond_(std::move(fn))
{
	listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
	if (listen_fd_ < 0)
		throw std::runtime_error("script_server: socket failed");
	sockaddr_in sa{};
	sa.sin_family = AF_INET;
	sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
	socklen_t len = sizeof(sa);
	if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0 || listen(listen_fd_, 16) != 0 ||
	    getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
		close(listen_fd_);
		throw std::runtime_error("script_server: cannot listen on loopback");
	}
	port_ = ntohs(sa.sin_port);
	acceptor_ = std::thread([this] { accept_loop(); });
}

script_server::~script_server() { stop(); }

void script_server::stop()
{
	{
		std::lock_guard<std::mutex> hold(lock_);
		if (stopping_ && !acceptor_.joinable())
			return;
		stopping_ = true;
	}
	changed_.notify_all();
	if (acceptor_.joinable())
		acceptor_.join();
	for (auto& t : workers_)
		t.join();
	workers_.clear();
	if (listen_fd_ >= 0)
		close(listen_fd_);
	listen_fd_ = -1;
}

std::vector<std::string> script_server::requests()
{
	std::lock_guard<std::mutex> hold(lock_);
	return requests_;
}

bool script_server::wait_requests(size_t n, int timeout_ms)
{
	std::unique_lock<std::mutex> hold(lock_);
	return changed_.wait_for(hold, std::chrono::milliseconds(timeout_ms), [&] { return recorded_ >= n; });
}

bool script_server::pause(int ms)
{
	std::unique_lock<std::mutex> hold(lock_);
	if (ms < 0)  // until stopped
		changed_.wait(hold, [&] { return stopping_; });
	else
		changed_.wait_for(hold, std::chrono::milliseconds(ms), [&] { return stopping_; });
	return !stopping_;
}

void script_server::accept_loop()
{
	for (;;) {
		{
			std::lock_guard<std::mutex> hold(lock_);
			if (stopping_)
				return;
		}
		pollfd p{listen_fd_, POLLIN, 0};
		if (poll(&p, 1, 20) <= 0)
			continue;
		int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
		if (fd < 0)
			continue;
		std::lock_guard<std::mutex> hold(lock_);
		size_t index = requests_.size();
		requests_.emplace_back();
		workers_.emplace_back([this, fd, index] { serve(fd, index); });
	}
}

void script_server::serve(int fd, size_t index)
{
	std::string request = script_read_request(fd, 5000);
	{
		std::lock_guard<std::mutex> hold(lock_);
		requests_[index] = request;
		recorded_++;
	}
	changed_.notify_all();
	script_reply reply = respond_(request);
	bool alive = true;
	for (auto const& step : reply.steps) {
		if (step.delay_ms > 0 && !pause(step.delay_ms)) {
			alive = false;
			break;
		}
		if (!send_all(fd, step.bytes)) {
			alive = false;
			break;
		}
	}
	if (alive && reply.end == script_end::stall)
		pause(-1);
	if (reply.end == script_end::rst) {
		linger lg{1, 0};
		setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof(lg));
	}
	close(fd);
}
