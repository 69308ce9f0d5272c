// Polled HTTP/1.1 downloads in numbered slots, directly or through a proxy.
// Each net_check call pumps one slot's transfer once, so the frame loop
// keeps drawing while files arrive.
#pragma once
#include <climits>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/rivo_socket.h"

class down_class {
public:
	// Queues the request and starts the connect; resolving the server (or
	// the proxy) blocks. `body` and `dest` may be null.
	down_class(char const* server, unsigned short port, char const* path, bool post,
	           std::map<std::string, std::string> const& headers, char const* body, int body_len,
	           char const* dest);
	~down_class();
	down_class(down_class const&) = delete;
	down_class& operator=(down_class const&) = delete;

	void DoProcessing();  // one step: send, read, parse, write to the file

	// 0 no socket, 1 connecting, 2 socket error, 3 closed, 4 sending,
	// 5 receiving the body, 6 waiting for the reply header.
	int GetStat();
	bool IsDone();
	bool IsComplete();
	bool IsErr();
	int GetOSErr();

	// Flushes and closes the destination; a failure is recorded in `error`.
	// Answers whether the file (if any) ended up complete on disk.
	bool close_file();

	std::unique_ptr<RIVOSocket> socket;  // null when the server name did not resolve
	std::vector<char> send_buffer;
	std::vector<char> recv_buffer;
	bool header_done = false;
	int status_code = 0;
	std::string status_text;
	std::map<std::string, std::string> reply_headers;
	std::FILE* file = nullptr;
	std::string dest_file_path;
	int error = 0;
	int content_length = -1;  // set to the body's size once a reply without one has ended
	int received = 0;
	long long body_cap = INT_MAX;  // the most body bytes taken; past them the transfer fails
	float last_activity = 0.0f;

private:
	// How the end of the body is known.
	enum body_framing { by_length, by_chunks, by_close };
	enum chunk_phase { ch_size, ch_data, ch_data_end, ch_trailer, ch_done };

	void parse_header_line(std::string const& line);
	bool end_header();  // false: the header block failed the transfer
	void take_body();
	void decode_chunks();
	void write_body(char const* data, size_t len);
	void fail(int code);

	body_framing framing = by_length;
	chunk_phase chunk = ch_size;
	long long chunk_left = 0;
	size_t header_bytes = 0;  // header block consumed so far, capped
};

class http_class {
public:
	std::string proxy_host;   // empty: no proxy
	std::string proxy_port;   // as the user typed it
	int proxy_port_int = 0;   // 0: no proxy
	std::unique_ptr<down_class> downloads[6];

	// Pumps slot 0-5 once, starting its transfer when the slot is empty:
	// 0 running, 1 done, 2 failed. A transfer started here fails once its
	// body passes cap bytes (when cap is 0 or more).
	int net_check(int slot, std::string server, std::string file, std::string const& dest, long long cap = -1);
	// Drops slot 0-5's transfer, if any: its socket and destination file are
	// closed and nothing more is written; the next net_check starts afresh.
	void cancel(int slot);
	// Waits up to timeout_ms for one of these slots' transfers to be ready
	// to go on (a reply to read, a request to send); at once when one of
	// them has no transfer under way, so that net_check starts it.
	void wait_any(std::vector<int> const& slots, int timeout_ms);
};

extern http_class http;
extern std::vector<std::string> gProxyExclude;
extern int ot_inited;

bool UseProxy(char const* server, unsigned short port);
char const* ProxyHost(char const* server, unsigned short port);
unsigned short ProxyPort(char const* server, unsigned short port);
