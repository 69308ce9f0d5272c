// A scripted TCP server on 127.0.0.1 for HTTP client tests: it records the
// bytes of each request, then replays the reply's chunks with delays and ends
// the connection with an orderly close, a reset, or a stall that holds the
// connection open until the server stops. Every connection runs on a thread
// of its own, so parallel transfers can be served; every wait is bounded.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct script_step {
	std::string bytes;
	int delay_ms = 0;  // wait before sending these bytes
};

enum class script_end {
	fin,    // orderly close
	rst,    // abortive close: the client sees a reset
	stall,  // keep the connection open and silent until the server stops
};

struct script_reply {
	std::vector<script_step> steps;
	script_end end = script_end::fin;
};

// A reply of one chunk: status line, headers and body as given.
script_reply script_simple(std::string const& bytes, script_end end = script_end::fin);

class script_server {
public:
	// Chooses the reply from the request bytes received on a connection.
	using responder = std::function<script_reply(std::string const& request)>;

	explicit script_server(script_reply reply);  // the same reply to every request
	explicit script_server(responder fn);
	~script_server();
	script_server(script_server const&) = delete;
	script_server& operator=(script_server const&) = delete;

	uint16_t port() const { return port_; }
	// Request bytes of each connection so far, in order of arrival.
	std::vector<std::string> requests();
	// Waits (at most `timeout_ms`) until `n` requests have been recorded.
	bool wait_requests(size_t n, int timeout_ms = 5000);
	// Closes every connection (stalled ones too) and joins the threads.
	void stop();

private:
	void accept_loop();
	void serve(int fd, size_t index);
	bool pause(int ms);  // false when stopping

	responder respond_;
	int listen_fd_ = -1;
	uint16_t port_ = 0;
	std::mutex lock_;
	std::condition_variable changed_;
	bool stopping_ = false;
	std::vector<std::string> requests_;
	size_t recorded_ = 0;  // requests read in full
	std::vector<std::thread> workers_;
	std::thread acceptor_;
};

// Reads a whole request from `fd`: the header block and, when it announces
// one, a Content-Length body; gives up after `timeout_ms` or at `cap` bytes.
std::string script_read_request(int fd, int timeout_ms, size_t cap = 1 << 20);
