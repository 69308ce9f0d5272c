// Polled HTTP/1.1 downloads.
//
// Index: globals and proxy choice - request text - down_class (construction,
// status queries, the pump, header parsing, body framing and chunk decoding,
// the destination file) - http_class::cancel - http_class::net_check with its
// failure report.
//
// The reply is read as it comes: the header block line by line (capped in
// size), then the body straight into the destination file, framed by its
// Content-Length, by chunked coding, or by the server's orderly close.
#include "foundation/http.h"

#include <poll.h>
#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/io_utils.h"
#include "foundation/xtim.h"

http_class http;
std::vector<std::string> gProxyExclude;
int ot_inited = 0;

namespace {

// The header block of any sane reply fits many times over.
const size_t header_cap = 65536;
const size_t chunk_line_cap = 4096;
const float stall_limit = 30.0f;  // seconds of the frame clock without progress

char const app_version_text[] = "Skyrell 8.50 Beta 8";

bool is_dirchar(char c) { return c == '\\' || c == ':' || c == '/'; }

bool proxy_port_valid(int port) { return port >= 1 && port <= 65535; }

// Bytes that a request line cannot carry as they are: blanks, controls,
// non-ASCII, and the characters a request target may not hold. Paths are
// never pre-encoded here, so '%' and '?' are part of a file's name too.
bool needs_escape(unsigned char c)
{
	if (c <= 0x20 || c >= 0x7F)
		return true;
	switch (c) {
	case '"': case '#': case '%': case '<': case '>': case '?': case '\\':
	case '^': case '`': case '{': case '|': case '}':
		return true;
	default:
		return false;
	}
}

std::string escape_path(char const* path)
{
	static char const hex[] = "0123456789ABCDEF";
	std::string out;
	for (char const* p = path; *p; p++) {
		unsigned char c = static_cast<unsigned char>(*p);
		if (needs_escape(c)) {
			out += '%';
			out += hex[c >> 4];
			out += hex[c & 15];
		} else {
			out += static_cast<char>(c);
		}
	}
	return out;
}

bool has_line_break(std::string const& s) { return s.find_first_of(std::string("\r\n\0", 3)) != std::string::npos; }

// A decimal count of bytes that fits an int: digits only, blanks around.
bool parse_length(std::string const& text, int* out)
{
	size_t a = text.find_first_not_of(" \t");
	size_t b = text.find_last_not_of(" \t");
	if (a == std::string::npos)
		return false;
	long long v = 0;
	for (size_t i = a; i <= b; i++) {
		if (text[i] < '0' || text[i] > '9')
			return false;
		v = v * 10 + (text[i] - '0');
		if (v > INT_MAX)
			return false;
	}
	*out = static_cast<int>(v);
	return true;
}

// True when the last coding of a Transfer-Encoding value is "chunked".
bool ends_chunked(std::string const& value)
{
	size_t b = value.find_last_not_of(" \t");
	if (b == std::string::npos)
		return false;
	size_t a = value.find_last_of(", \t", b);
	a = (a == std::string::npos) ? 0 : a + 1;
	return b + 1 - a == 7 && strncasecmp(value.c_str() + a, "chunked", 7) == 0;
}

std::map<std::string, std::string>::const_iterator find_header(std::map<std::string, std::string> const& h,
                                                               char const* name)
{
	for (auto it = h.begin(); it != h.end(); ++it)
		if (strcasecmp(it->first.c_str(), name) == 0)
			return it;
	return h.end();
}

std::vector<char>::iterator find_crlf(std::vector<char>& buf, size_t from)
{
	static char const crlf[] = {'\r', '\n'};
	return std::search(buf.begin() + static_cast<long>(from), buf.end(), crlf, crlf + 2);
}

}  // namespace

// ---- proxy choice ----------------------------------------------------------------

bool UseProxy(char const* server, unsigned short)
{
	if (http.proxy_port_int == 0 || http.proxy_host.empty())
		return false;
	if (!proxy_port_valid(http.proxy_port_int))
		return false;
	std::string const name = server ? server : "";
	for (auto const& entry : gProxyExclude) {
		if (entry.size() > name.size())
			continue;
		if (name.compare(name.size() - entry.size(), entry.size(), entry) == 0)
			return false;
	}
	return true;
}

char const* ProxyHost(char const* server, unsigned short port)
{
	return UseProxy(server, port) ? http.proxy_host.c_str() : server;
}

unsigned short ProxyPort(char const* server, unsigned short port)
{
	return UseProxy(server, port) ? static_cast<unsigned short>(http.proxy_port_int) : port;
}

// ---- down_class: construction ---------------------------------------------------

down_class::down_class(char const* server, unsigned short port, char const* path, bool post,
                       std::map<std::string, std::string> const& headers, char const* body, int body_len,
                       char const* dest)
{
	if (dest) {
		dest_file_path = app_path + dest;
		set_dir_chars(dest_file_path);
	}
	last_activity = xtim.run_time;
	if (!server)
		server = "";
	if (!path)
		path = "";
	if (body_len < 0)
		body_len = 0;

	if (!http.proxy_host.empty() && http.proxy_port_int != 0 && !proxy_port_valid(http.proxy_port_int)) {
		std::lock_guard<std::mutex> hold(xer_lock);
		xer << "WARNING: the proxy port " << http.proxy_port_int
		    << " is not a port number from 1 to 65535, so I am not using the proxy " << http.proxy_host << ".\n";
	}

	// A line break in a header would let outside text forge request lines.
	for (auto const& h : headers) {
		if (has_line_break(h.first) || has_line_break(h.second)) {
			error = EINVAL;
			return;
		}
	}

	unsigned long addr = server[0] ? RIVOSocket::LookupAddress(ProxyHost(server, port)) : 0;
	if (addr == 0) {
		std::lock_guard<std::mutex> hold(xer_lock);
		xer << "Translated server " << server << " to IP addy: " << ((addr >> 24) & 255) << "."
		    << ((addr >> 16) & 255) << "." << ((addr >> 8) & 255) << "." << (addr & 255)
		    << " and port = " << port << "\n";
		error = kErrNetNoServer;
		return;
	}
	status_code = -1;
	socket = std::make_unique<RIVOSocket>(0, false);
	socket->Connect(addr, ProxyPort(server, port));

	std::string req = post ? "POST " : "GET ";
	if (UseProxy(server, port)) {
		auto host = headers.find("Host");
		req += "http://";
		req += (host != headers.end()) ? host->second : std::string(server);
	}
	req += escape_path(path);
	req += " HTTP/1.1\r\n";
	for (auto const& h : headers)
		req += h.first + ": " + h.second + "\r\n";
	if (body)
		req += "Content-Length: " + std::to_string(body_len) + "\r\n";
	req += "\r\n";
	send_buffer.assign(req.begin(), req.end());
	if (body)
		send_buffer.insert(send_buffer.end(), body, body + body_len);
}

down_class::~down_class()
{
	if (file)
		std::fclose(file);
}

// ---- down_class: status ----------------------------------------------------------

int down_class::GetStat()
{
	if (!socket)
		return 0;
	switch (socket->GetStatus()) {
	case 2: return 1;
	case 5: return 2;
	case 4: return 3;
	default: break;
	}
	if (!send_buffer.empty())
		return 4;
	return header_done ? 5 : 6;
}

bool down_class::IsDone() { return GetStat() == 3; }

bool down_class::IsComplete() { return content_length == received; }

bool down_class::IsErr() { return error != 0 || !socket || socket->GetStatus() == 5; }

int down_class::GetOSErr()
{
	if (error)
		return error;
	return socket ? socket->GetOSError() : kErrNetAlloc;
}

void down_class::fail(int code)
{
	if (error == 0)
		error = code;
}

// ---- down_class: the pump ----------------------------------------------------------

void down_class::DoProcessing()
{
	static char readChunk[65536];
	if (!socket)
		return;
	int const st = socket->GetStatus();
	if (st == 4 || st == 5) {
		close_file();
		return;
	}
	if (st != 3)
		return;

	if (!send_buffer.empty()) {
		long n = socket->WriteData(send_buffer.data(), static_cast<long>(send_buffer.size()));
		if (n > 0)
			send_buffer.erase(send_buffer.begin(), send_buffer.begin() + n);
	}

	long got = socket->ReadData(readChunk, sizeof(readChunk));
	if (got <= 0) {
		// The server's orderly close is the end of a body framed by nothing else.
		if (got == -1 && header_done && framing == by_close && file && error == 0 && recv_buffer.empty())
			content_length = received;
		// Anything else it ends is cut short: nothing more can come, so it
		// fails now rather than when the stall limit runs out.
		else if (got == -1 && error == 0 && !IsComplete())
			fail(EPROTO);
		return;
	}
	recv_buffer.insert(recv_buffer.end(), readChunk, readChunk + got);

	while (!header_done) {
		auto eol = find_crlf(recv_buffer, 0);
		if (eol == recv_buffer.end()) {
			if (header_bytes + recv_buffer.size() > header_cap)
				fail(EPROTO);
			return;
		}
		size_t const len = static_cast<size_t>(eol - recv_buffer.begin());
		header_bytes += len + 2;
		if (header_bytes > header_cap) {
			fail(EPROTO);
			return;
		}
		std::string line(recv_buffer.begin(), eol);
		recv_buffer.erase(recv_buffer.begin(), eol + 2);
		if (len == 0) {
			if (!end_header())
				return;
		} else {
			parse_header_line(line);
		}
	}
	take_body();
}

// ---- down_class: header -------------------------------------------------------------

void down_class::parse_header_line(std::string const& line)
{
	// 13 characters: "HTTP/1.1 200 " with an empty reason phrase.
	if (line.size() >= 13 && line.compare(0, 5, "HTTP/") == 0) {
		int code = 0;
		for (size_t i = 9; i < 12; i++)
			code = (line[i] >= '0' && line[i] <= '9') ? code * 10 + (line[i] - '0') : 0;
		status_code = code;
		status_text = line.substr(13);
		return;
	}
	// The blank after the colon is optional, and may be a tab.
	size_t const sep = line.find(':');
	if (sep == std::string::npos)
		return;
	std::string name = line.substr(0, sep);
	size_t const a = line.find_first_not_of(" \t", sep + 1);
	size_t const b = line.find_last_not_of(" \t");
	std::string value = (a == std::string::npos || b < a) ? std::string() : line.substr(a, b + 1 - a);
	if (find_header(reply_headers, name.c_str()) == reply_headers.end())
		reply_headers[name] = value;
}

bool down_class::end_header()
{
	if (status_code <= 199) {
		// An interim reply: its fields are not the final reply's.
		reply_headers.clear();
		return true;
	}
	header_done = true;
	if (!dest_file_path.empty()) {
		file = std::fopen(dest_file_path.c_str(), "wb");
		if (!file)
			fail(errno ? errno : EIO);
	}
	auto te = find_header(reply_headers, "Transfer-Encoding");
	auto cl = find_header(reply_headers, "Content-Length");
	if (te != reply_headers.end() && ends_chunked(te->second)) {
		framing = by_chunks;  // a length beside chunked coding means nothing
	} else if (cl != reply_headers.end()) {
		framing = by_length;
		if (!parse_length(cl->second, &content_length)) {
			content_length = -1;
			fail(EPROTO);
		} else if (content_length > body_cap) {
			fail(EFBIG);  // no need to take any of it
		}
	} else {
		framing = by_close;
	}
	return error == 0;
}

// ---- down_class: body ------------------------------------------------------------------

void down_class::take_body()
{
	if (error)
		return;
	last_activity = xtim.run_time;
	if (framing == by_length && content_length != -1 &&
	    static_cast<long long>(received) + static_cast<long long>(recv_buffer.size()) >= content_length)
		socket->Disconnect();
	if (!file || recv_buffer.empty())
		return;
	if (framing == by_chunks) {
		decode_chunks();
		return;
	}
	write_body(recv_buffer.data(), recv_buffer.size());
	recv_buffer.clear();
}

void down_class::write_body(char const* data, size_t len)
{
	if (len > static_cast<size_t>(INT_MAX - received) ||
	    static_cast<long long>(received) + static_cast<long long>(len) > body_cap) {
		fail(EFBIG);
		return;
	}
	last_activity = xtim.run_time;
	received += static_cast<int>(len);
	errno = 0;
	if (std::fwrite(data, 1, len, file) != len)
		fail(errno ? errno : EIO);
}

void down_class::decode_chunks()
{
	size_t pos = 0;
	while (pos < recv_buffer.size() && chunk != ch_done && error == 0) {
		if (chunk == ch_data) {
			size_t n = recv_buffer.size() - pos;
			if (static_cast<long long>(n) > chunk_left)
				n = static_cast<size_t>(chunk_left);
			write_body(recv_buffer.data() + pos, n);
			pos += n;
			chunk_left -= static_cast<long long>(n);
			if (chunk_left == 0)
				chunk = ch_data_end;
			continue;
		}
		if (chunk == ch_data_end) {
			if (recv_buffer.size() - pos < 2)
				break;
			if (recv_buffer[pos] != '\r' || recv_buffer[pos + 1] != '\n') {
				fail(EPROTO);
				break;
			}
			pos += 2;
			chunk = ch_size;
			continue;
		}
		// A size line or a trailer line.
		auto eol = find_crlf(recv_buffer, pos);
		if (eol == recv_buffer.end()) {
			if (recv_buffer.size() - pos > chunk_line_cap)
				fail(EPROTO);
			break;
		}
		std::string line(recv_buffer.begin() + static_cast<long>(pos), eol);
		pos = static_cast<size_t>(eol - recv_buffer.begin()) + 2;
		if (line.size() > chunk_line_cap) {
			fail(EPROTO);
			break;
		}
		if (chunk == ch_trailer) {
			// Trailer lines are header lines: together with the head they
			// keep its cap, or an endless trailer would never end the transfer.
			header_bytes += line.size() + 2;
			if (header_bytes > header_cap) {
				fail(EPROTO);
				break;
			}
			if (line.empty())
				chunk = ch_done;
			continue;
		}
		long long size = 0;
		size_t i = 0;
		for (; i < line.size(); i++) {
			char c = line[i];
			int d = (c >= '0' && c <= '9') ? c - '0'
			      : (c >= 'a' && c <= 'f') ? c - 'a' + 10
			      : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
			if (d < 0)
				break;
			size = size * 16 + d;
			if (size > INT_MAX)
				break;
		}
		bool const tail_ok = i < line.size() ? (line[i] == ';' || line[i] == ' ' || line[i] == '\t') : true;
		if (i == 0 || size > INT_MAX - received || !tail_ok) {
			fail(EPROTO);
			break;
		}
		chunk_left = size;
		chunk = size ? ch_data : ch_trailer;
	}
	recv_buffer.erase(recv_buffer.begin(), recv_buffer.begin() + static_cast<long>(pos));
	if (chunk == ch_done && error == 0) {
		recv_buffer.clear();  // nothing may follow the last chunk
		content_length = received;
		socket->Disconnect();
	}
}

bool down_class::close_file()
{
	if (!file)
		return true;
	int err = 0;
	if (std::fflush(file) != 0)
		err = errno ? errno : EIO;
	if (std::fclose(file) != 0 && err == 0)
		err = errno ? errno : EIO;
	file = nullptr;
	if (err)
		fail(err);
	return err == 0;
}

// ---- http_class::cancel -----------------------------------------------------------

void http_class::cancel(int slot)
{
	if (slot >= 0 && slot <= 5)
		downloads[slot].reset();
}

void http_class::wait_any(std::vector<int> const& slots, int timeout_ms)
{
	std::vector<pollfd> fds;
	for (int slot : slots) {
		down_class const* d = slot >= 0 && slot <= 5 ? downloads[slot].get() : nullptr;
		int const fd = d && d->socket ? d->socket->Descriptor() : -1;
		if (fd < 0 || d->error != 0)
			return;
		short events = POLLIN;
		if (!d->send_buffer.empty())
			events |= POLLOUT;  // also a connect under way: it ends writable
		fds.push_back(pollfd{fd, events, 0});
	}
	if (!fds.empty())
		poll(fds.data(), fds.size(), timeout_ms);
}

// ---- http_class::net_check --------------------------------------------------------

int http_class::net_check(int slot, std::string server, std::string file, std::string const& dest, long long cap)
{
	static bool inited_any = false;
	static bool soc_inited = false;

	if (slot < 0 || slot > 5) {
		__VEDEZE_alert(0, "Too many download objects requested!", "", "", "", 2, "http", __LINE__);
		return 2;
	}
	if (!inited_any) {
		inited_any = true;
		for (auto& d : downloads)
			d.reset();
		if (!soc_inited) {
			RIVOSocket::StartupNetworking(ot_inited == 0);
			ot_inited = 1;
			soc_inited = true;
		}
	}

	if (!downloads[slot]) {
		if (!server.empty() && is_dirchar(server.back()))
			__VEDEZE_alert(0, "net_check error! You have a dirchar at the end of the server name!", "You should not!",
			               "Our convention is that a server name is simply a server name... with no slash!", server, 2,
			               "http", __LINE__);
		if (file.empty() || !is_dirchar(file[0]))
			__VEDEZE_alert(0, "net_check error! You do not have a dirchar at the beginning of the directory name!",
			               "You should!",
			               "Our convention is that a directory name does start with a slash because it must include "
			               "the hard drive,which is a dir char on unix!",
			               file, 2, "http", __LINE__);
		for (std::string* s : {&server, &file})
			for (char& c : *s)
				if (is_dirchar(c))
					c = '/';

		std::string const version = app_version_text;
		std::map<std::string, std::string> headers;
		headers["Host"] = server;
		headers["User-agent"] = "Installer-" + std::string("ZIR/") +
		                        (version.size() < 4 ? version : version.substr(version.size() - 4));
		headers["Connection"] = "close";
		downloads[slot] = std::make_unique<down_class>(server.c_str(), 80, file.c_str(), false, headers, nullptr, 0,
		                                               dest.c_str());
		if (cap >= 0)
			downloads[slot]->body_cap = std::min<long long>(cap, INT_MAX);
	}

	down_class& d = *downloads[slot];
	d.DoProcessing();

	bool const finished =
	    d.IsDone() || d.IsComplete() || d.error != 0 || !d.socket || d.socket->GetStatus() == 5;
	if (!finished) {
		if (xtim.run_time - d.last_activity > stall_limit) {
			downloads[slot].reset();
			return 2;
		}
		return 0;
	}

	// Success only once the file is whole on disk.
	bool const ok = d.status_code >= 200 && d.status_code <= 299 && d.IsComplete() && !d.IsErr();
	if (ok && d.close_file()) {
		downloads[slot].reset();
		return 1;
	}

	{
		std::lock_guard<std::mutex> hold(xer_lock);
		xer << "HTTP Error for " << dest << "\n";
		xer << "   server     =" << server << "\n";
		xer << "   file       =" << file << "\n";
		xer << "   IsDone     =" << (d.IsDone() ? 1 : 0) << "\n";
		xer << "   IsComplete =" << (d.IsComplete() ? 1 : 0) << "\n";
		xer << "   IsErr      =" << (d.IsErr() ? 1 : 0) << "\n";
		xer << "   GetStat    =" << d.GetStat() << "\n";
		xer << "   GetOSErr   =" << d.GetOSErr() << "\n";
		xer << "   response   =" << d.status_text << " (#" << d.status_code << ")\n\n";
		xer.flush();
	}
	downloads[slot].reset();
	return 2;
}
