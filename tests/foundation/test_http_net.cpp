// HTTP client against a scripted server on loopback: the exact request bytes,
// replies in awkward pieces and framings, failures with their log report, the
// stall limit on a driven clock, and slot reuse.
//
// Index: fixture and helpers - request bytes - replies table - stall limit -
// name and destination failures - slots - cancel.
#include <gtest/gtest.h>

#include <dirent.h>
#include <netinet/in.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "foundation/app_globals.h"
#include "foundation/http.h"
#include "foundation/xtim.h"
#include "support/alert_recorder.h"
#include "support/logged_test.h"
#include "support/script_server.h"

namespace {

// ---- fixture and helpers ------------------------------------------------------

std::string const agent = "User-agent: Installer-ZIR/ta 8\r\n";

struct HttpTest : logged_test {
	void SetUp() override
	{
		logged_test::SetUp();
		app_path = dir.path();
		xtim.run_time = 0.0f;
		RIVOSocket::StartupNetworking(true);
		// No proxy and no transfer left by an earlier test.
		http.proxy_host.clear();
		http.proxy_port.clear();
		http.proxy_port_int = 0;
		gProxyExclude.clear();
		for (auto& d : http.downloads) d.reset();
	}
	void use_proxy(script_server const& s)
	{
		http.proxy_host = "127.0.0.1";
		http.proxy_port_int = s.port();
	}
	// Calls net_check until it answers, for at most five seconds of real
	// time; -1 when it never did.
	int fetch(int slot, std::string const& server, std::string const& file, std::string const& dest,
	          long long cap = -1)
	{
		auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
		while (std::chrono::steady_clock::now() < until) {
			int r = http.net_check(slot, server, file, dest, cap);
			if (r != 0)
				return r;
			std::this_thread::sleep_for(std::chrono::milliseconds(1));
		}
		return -1;
	}
	std::string file_text(std::string const& name) { return read_text_file(dir.path() + name); }
	std::string log_text()
	{
		xer.flush();
		return read_text_file(log);
	}
};

std::string report(std::string const& dest, std::string const& server, std::string const& file, int done,
                   int complete, int err, int stat, int oserr, std::string const& response)
{
	return "HTTP Error for " + dest + "\n   server     =" + server + "\n   file       =" + file +
	       "\n   IsDone     =" + std::to_string(done) + "\n   IsComplete =" + std::to_string(complete) +
	       "\n   IsErr      =" + std::to_string(err) + "\n   GetStat    =" + std::to_string(stat) +
	       "\n   GetOSErr   =" + std::to_string(oserr) + "\n   response   =" + response + "\n\n";
}

// ---- request bytes ---------------------------------------------------------------

TEST_F(HttpTest, RequestBytesGoingDirect)
{
	struct {
		char const* path;
		bool post;
		char const* body;
		int body_len;
		std::string want;
	} const cases[] = {
		// Paths are never pre-encoded: '%' and '?' are part of the file's name.
		{"/set 1/a\"b#c%41?x=1\x01\xC3\xA9.zip", false, nullptr, 0,
		 "GET /set%201/a%22b%23c%2541%3Fx=1%01%C3%A9.zip HTTP/1.1\r\nConnection: close\r\nHost: files.example.test\r\n" +
		     agent + "\r\n"},
		{"/form", true, "a=1&b", 5,
		 "POST /form HTTP/1.1\r\nConnection: close\r\nHost: files.example.test\r\n" + agent +
		     "Content-Length: 5\r\n\r\na=1&b"},
	};
	for (auto const& c : cases) {
		script_server srv(script_simple("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
		std::map<std::string, std::string> const headers = {
		    {"Host", "files.example.test"},
		    {"User-agent", "Installer-ZIR/ta 8"},
		    {"Connection", "close"},
		};
		down_class d("127.0.0.1", srv.port(), c.path, c.post, headers, c.body, c.body_len, "out.bin");
		EXPECT_EQ(d.status_code, -1);
		EXPECT_EQ(d.dest_file_path, dir.path() + "out.bin");
		auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
		while (!d.IsComplete() && !d.IsErr() && std::chrono::steady_clock::now() < until)
			d.DoProcessing();
		ASSERT_TRUE(srv.wait_requests(1));
		EXPECT_EQ(srv.requests()[0], c.want);
		EXPECT_TRUE(d.IsComplete());
		EXPECT_EQ(d.status_code, 200);
		EXPECT_EQ(d.status_text, "OK");
		EXPECT_TRUE(d.close_file());
		EXPECT_EQ(file_text("out.bin"), "ok");
	}
}

TEST_F(HttpTest, RequestBytesThroughProxy)
{
	script_server srv(script_simple("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\ndata"));
	use_proxy(srv);
	EXPECT_EQ(fetch(2, "files.example.test", "\\set:dir/a b.zip", "got.zip"), 1);
	ASSERT_TRUE(srv.wait_requests(1));
	EXPECT_EQ(srv.requests()[0], "GET http://files.example.test/set/dir/a%20b.zip HTTP/1.1\r\n"
	                             "Connection: close\r\nHost: files.example.test\r\n" +
	                                 agent + "\r\n");
	EXPECT_EQ(file_text("got.zip"), "data");
	EXPECT_EQ(log_text(), "");
	EXPECT_EQ(http.downloads[2], nullptr);
}

// ---- replies -------------------------------------------------------------------------

script_reply pieces(std::vector<std::string> const& parts, script_end end = script_end::fin)
{
	script_reply r;
	for (auto const& p : parts)
		r.steps.push_back({p, 15});
	r.end = end;
	return r;
}

TEST_F(HttpTest, RepliesTable)
{
	std::string const big_header = "HTTP/1.1 200 OK\r\n" + std::string(70000, 'x') + "\r\n\r\n";
	// After the last chunk, trailer lines that never end: each within the
	// line cap, together past the head's.
	script_reply endless_trailer;
	endless_trailer.steps.push_back({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n", 0});
	for (int i = 0; i < 40; i++)
		endless_trailer.steps.push_back({"X-T: " + std::string(4089, 't') + "\r\n", 1});
	endless_trailer.end = script_end::stall;
	struct {
		char const* name;
		script_reply reply;
		int result;
		std::string body;  // file contents when it succeeded
		std::string log;   // whole log, or a part of it when `log_part`
		bool log_part;
	} const cases[] = {
		{"uneven pieces, header split inside CR LF",
		 pieces({"HTTP/1.1 200 OK\r", "\nContent-Length: 10\r\n\r", "\n0123", "456", "789"}), 1, "0123456789", "",
		 false},
		{"length 0", script_simple("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", script_end::stall), 1, "", "",
		 false},
		{"404 with the exact report", script_simple("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"), 2,
		 "", report("f.zip", "files.example.test", "/f.zip", 1, 1, 0, 3, 0, "Not Found (#404)"), false},
		{"more bytes than announced", script_simple("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n123456"), 2, "",
		 report("f.zip", "files.example.test", "/f.zip", 1, 0, 0, 3, 0, "OK (#200)"), false},
		{"field names in any case, first of two wins",
		 script_simple("HTTP/1.1 200 OK\r\ncontent-LENGTH: 3\r\nContent-Length: 5\r\n\r\nabc", script_end::stall), 1,
		 "abc", "", false},
		{"no length: the orderly close ends the body",
		 pieces({"HTTP/1.1 200 OK\r\nServer: x\r\n\r\nfirst ", "second"}), 1, "first second", "", false},
		{"no length: a reset is no end", pieces({"HTTP/1.1 200 OK\r\n\r\nfirst "}, script_end::rst), 2, "",
		 report("f.zip", "files.example.test", "/f.zip", 1, 0, 0, 3, 0, "OK (#200)"), false},
		{"length cut short by a reset", pieces({"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n0123"}, script_end::rst),
		 2, "", report("f.zip", "files.example.test", "/f.zip", 1, 0, 0, 3, 0, "OK (#200)"), false},
		{"chunked, decoded across pieces",
		 pieces({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 99\r\n\r\n5\r\nhel", "lo\r\n1",
		         "0;ext=1\r\n 0123456789ABCDE\r", "\n0\r\nTrailer: t\r\n", "\r\n"},
		        script_end::stall),
		 1, "hello 0123456789ABCDE", "", false},
		{"chunked, bad size", script_simple("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nab\r\n"), 2,
		 "", "   GetOSErr   =" + std::to_string(EPROTO) + "\n", true},
		{"chunked, data not ended by CR LF",
		 script_simple("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n0\r\n\r\n"), 2, "",
		 "   GetOSErr   =" + std::to_string(EPROTO) + "\n", true},
		{"chunked, size past any file",
		 script_simple("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFF\r\nab"), 2, "",
		 "   GetOSErr   =" + std::to_string(EPROTO) + "\n", true},
		{"unreadable length", script_simple("HTTP/1.1 200 OK\r\nContent-Length: 1x\r\n\r\nab"), 2, "",
		 "   GetOSErr   =" + std::to_string(EPROTO) + "\n", true},
		{"negative length", script_simple("HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nab"), 2, "",
		 "   GetOSErr   =" + std::to_string(EPROTO) + "\n", true},
		{"length past any file", script_simple("HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\nab"), 2, "",
		 "   GetOSErr   =" + std::to_string(EPROTO) + "\n", true},
		{"header block over the cap", script_simple(big_header, script_end::stall), 2, "",
		 "   GetOSErr   =" + std::to_string(EPROTO) + "\n", true},
		{"chunked, trailer past the head's cap", endless_trailer, 2, "",
		 "   GetOSErr   =" + std::to_string(EPROTO) + "\n", true},
		{"no blank after the colon, chunked",
		 script_simple("HTTP/1.1 200 OK\r\nTransfer-Encoding:chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n", script_end::stall),
		 1, "abc", "", false},
		{"no blank after the colon, more bytes than announced",
		 script_simple("HTTP/1.1 200 OK\r\nContent-Length:4\r\n\r\n123456"), 2, "",
		 report("f.zip", "files.example.test", "/f.zip", 1, 0, 0, 3, 0, "OK (#200)"), false},
		{"tabs around the value", script_simple("HTTP/1.1 200 OK\r\nContent-Length:\t3 \t\r\n\r\nabc", script_end::stall),
		 1, "abc", "", false},
		{"empty reason phrase", script_simple("HTTP/1.1 200 \r\nContent-Length: 2\r\n\r\nhi", script_end::stall), 1,
		 "hi", "", false},
		{"length cut short by an orderly close", pieces({"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n", "abc"}), 2,
		 "", "   GetOSErr   =" + std::to_string(EPROTO) + "\n", true},
		{"chunks cut short by an orderly close",
		 pieces({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabc"}), 2, "",
		 "   GetOSErr   =" + std::to_string(EPROTO) + "\n", true},
		{"header block cut short by an orderly close", pieces({"HTTP/1.1 200 OK\r\nServer: x\r\n"}), 2, "",
		 "   GetOSErr   =" + std::to_string(EPROTO) + "\n", true},
		{"interim reply and final reply in one piece",
		 script_simple("HTTP/1.1 100 Continue\r\nContent-Length: 7\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nhi",
		               script_end::stall),
		 1, "hi", "", false},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.name);
		log = open_test_log(dir);
		script_server srv(c.reply);
		use_proxy(srv);
		EXPECT_EQ(fetch(1, "files.example.test", "/f.zip", "f.zip"), c.result);
		EXPECT_EQ(http.downloads[1], nullptr);
		if (c.result == 1) {
			EXPECT_EQ(file_text("f.zip"), c.body);
		}
		if (c.log_part)
			EXPECT_NE(log_text().find(c.log), std::string::npos) << log_text();
		else
			EXPECT_EQ(log_text(), c.log);
	}
}

// ---- a cap on the body -----------------------------------------------------------------

// A transfer given a cap fails as soon as its body would pass it, however
// the body is framed; a stated length past it fails before any of it is
// taken. An endless body ends there, long before any stall limit.
TEST_F(HttpTest, BodyCapTable)
{
	std::string const endless_head = "HTTP/1.1 200 OK\r\nServer: x\r\n\r\n";
	script_reply endless;
	endless.steps.push_back({endless_head, 0});
	for (int i = 0; i < 200; i++)
		endless.steps.push_back({std::string(4096, 'e'), 1});
	endless.end = script_end::stall;
	struct {
		char const* name;
		script_reply reply;
		long long cap;
		int result;
		std::string body;  // when it succeeded
	} const cases[] = {
		{"length at the cap", script_simple("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n0123456789"), 10, 1,
		 "0123456789"},
		{"length past the cap", script_simple("HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\n0123456789A",
		                                      script_end::stall), 10, 2, ""},
		{"no length, closed at the cap", pieces({"HTTP/1.1 200 OK\r\n\r\n01234", "56789"}), 10, 1, "0123456789"},
		{"no length, a byte past the cap", pieces({"HTTP/1.1 200 OK\r\n\r\n01234", "56789A"}), 10, 2, ""},
		{"no length, endless", endless, 64000, 2, ""},
		{"chunks past the cap",
		 script_simple("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n6\r\n012345\r\n6\r\n6789AB\r\n0\r\n\r\n",
		               script_end::stall), 10, 2, ""},
		{"no cap given", pieces({"HTTP/1.1 200 OK\r\n\r\n01234", "56789A"}), -1, 1, "0123456789A"},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.name);
		log = open_test_log(dir);
		script_server srv(c.reply);
		use_proxy(srv);
		EXPECT_EQ(fetch(1, "files.example.test", "/f.zip", "f.zip", c.cap), c.result);
		if (c.result == 1)
			EXPECT_EQ(file_text("f.zip"), c.body);
		else
			EXPECT_NE(log_text().find("   GetOSErr   =" + std::to_string(EFBIG) + "\n"), std::string::npos)
			    << log_text();
		srv.stop();
	}
}

// ---- stall limit ----------------------------------------------------------------------

TEST_F(HttpTest, StallLimitOnTheFrameClock)
{
	struct {
		char const* name;
		script_reply reply;
		int received;  // body bytes that arrive before the stall
	} const cases[] = {
		{"no reply at all", script_reply{{}, script_end::stall}, 0},
		{"stall inside the body", script_simple("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", script_end::stall),
		 3},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.name);
		log = open_test_log(dir);
		script_server srv(c.reply);
		use_proxy(srv);
		xtim.run_time = 100.0f;
		// Let whatever the server sends arrive, on a clock that stands still;
		// however slowly it comes, the transfer keeps running.
		bool arrived = false;
		auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
		while (!arrived && std::chrono::steady_clock::now() < until) {
			ASSERT_EQ(http.net_check(4, "files.example.test", "/f.zip", "f.zip"), 0);
			arrived = srv.wait_requests(1, 0) && http.downloads[4]->received == c.received;
			std::this_thread::sleep_for(std::chrono::milliseconds(2));
		}
		ASSERT_TRUE(arrived) << "received " << http.downloads[4]->received;
		EXPECT_EQ(http.net_check(4, "files.example.test", "/f.zip", "f.zip"), 0);
		EXPECT_EQ(http.downloads[4]->received, c.received);
		xtim.run_time = http.downloads[4]->last_activity + 30.0f;
		EXPECT_EQ(http.net_check(4, "files.example.test", "/f.zip", "f.zip"), 0);
		xtim.run_time += 0.01f;
		EXPECT_EQ(http.net_check(4, "files.example.test", "/f.zip", "f.zip"), 2);
		EXPECT_EQ(http.downloads[4], nullptr);
		EXPECT_EQ(log_text(), "") << "a stalled transfer leaves no report";
		srv.stop();
	}
}

// ---- name and destination failures ---------------------------------------------------------

TEST_F(HttpTest, UnresolvableServerFailsAtOnce)
{
	EXPECT_EQ(http.net_check(0, "no-such-host.invalid", "/serverlist.txt", "list.txt"), 2);
	EXPECT_EQ(log_text(), "Translated server no-such-host.invalid to IP addy: 0.0.0.0 and port = 80\n" +
	                          report("list.txt", "no-such-host.invalid", "/serverlist.txt", 0, 0, 1, 0, 20011,
	                                 " (#0)"));
	EXPECT_EQ(http.downloads[0], nullptr);
}

TEST_F(HttpTest, EmptyServerNameFails)
{
	EXPECT_EQ(http.net_check(0, "", "/serverlist.txt", "list.txt"), 2);
	EXPECT_EQ(log_text(), "Translated server  to IP addy: 0.0.0.0 and port = 80\n" +
	                          report("list.txt", "", "/serverlist.txt", 0, 0, 1, 0, 20011, " (#0)"));
}

TEST_F(HttpTest, LineBreakInServerNameSendsNothing)
{
	// Through a proxy the name is not resolved, so only this check keeps it
	// from adding lines of its own to the request.
	script_server srv(script_simple("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
	use_proxy(srv);
	EXPECT_EQ(http.net_check(0, "files.example.test\r\nX-Extra: 1", "/a", "a"), 2);
	EXPECT_NE(log_text().find("   GetStat    =0\n   GetOSErr   =" + std::to_string(EINVAL) + "\n"), std::string::npos)
	    << log_text();
	srv.stop();
	EXPECT_TRUE(srv.requests().empty());
}

TEST_F(HttpTest, ProxyPortThatIsNoPortMeansNoProxy)
{
	for (int port : {-1, 70000}) {
		log = open_test_log(dir);
		http.proxy_host = "127.0.0.1";
		http.proxy_port_int = port;
		EXPECT_EQ(http.net_check(0, "no-such-host.invalid", "/a", "a"), 2);
		std::string const text = log_text();
		EXPECT_EQ(text.rfind("WARNING: the proxy port " + std::to_string(port) + " ", 0), 0u) << text;
		EXPECT_NE(text.find("Translated server no-such-host.invalid to IP addy: 0.0.0.0 and port = 80\n"),
		          std::string::npos)
		    << text;
	}
}

TEST_F(HttpTest, DestinationFailuresAreReported)
{
	struct {
		char const* name;
		std::string base;  // app_path
		std::string dest;
		int stat;
		int oserr;
	} const cases[] = {
		{"folder missing", dir.path(), "no/such/folder/f.zip", 5, ENOENT},
		{"disk full", "", "/dev/full", 3, ENOSPC},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.name);
		log = open_test_log(dir);
		app_path = c.base;
		script_server srv(script_simple("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nbytes", script_end::stall));
		use_proxy(srv);
		EXPECT_EQ(fetch(3, "files.example.test", "/f.zip", c.dest), 2);
		EXPECT_NE(log_text().find("   IsErr      =1\n   GetStat    =" + std::to_string(c.stat) +
		                          "\n   GetOSErr   =" + std::to_string(c.oserr) +
		                          "\n   response   =OK (#200)\n"),
		          std::string::npos)
		    << log_text();
	}
}

// ---- slots --------------------------------------------------------------------------------------

TEST_F(HttpTest, SlotReusedAfterSuccessAndAfterFailure)
{
	std::atomic<int> served{0};
	script_server srv([&](std::string const&) {
		int const n = ++served;
		if (n == 2)
			return script_simple("HTTP/1.1 500 Oops\r\nContent-Length: 0\r\n\r\n");
		std::string body = n == 1 ? "one" : "three";
		return script_simple("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
	});
	use_proxy(srv);
	EXPECT_EQ(fetch(5, "files.example.test", "/a", "a.txt"), 1);
	EXPECT_EQ(file_text("a.txt"), "one");
	EXPECT_EQ(fetch(5, "files.example.test", "/b", "b.txt"), 2);
	EXPECT_EQ(fetch(5, "files.example.test", "/c", "c.txt"), 1);
	EXPECT_EQ(file_text("c.txt"), "three");
	ASSERT_TRUE(srv.wait_requests(3));
	auto const reqs = srv.requests();
	EXPECT_EQ(reqs[0].rfind("GET http://files.example.test/a ", 0), 0u);
	EXPECT_EQ(reqs[1].rfind("GET http://files.example.test/b ", 0), 0u);
	EXPECT_EQ(reqs[2].rfind("GET http://files.example.test/c ", 0), 0u);
	EXPECT_EQ(log_text(), report("b.txt", "files.example.test", "/b", 1, 1, 0, 3, 0, "Oops (#500)"));
}

TEST_F(HttpTest, SixSlotsSideBySide)
{
	// Each reply is its path repeated, sent slowly so that all six overlap.
	script_server srv([](std::string const& req) {
		std::string path = req.substr(req.find("test/") + 5, 1);
		std::string body(200000, path[0]);
		script_reply r;
		r.steps.push_back({"HTTP/1.1 200 OK\r\nContent-Length: 200000\r\n\r\n", 0});
		for (int i = 0; i < 4; i++)
			r.steps.push_back({body.substr(static_cast<size_t>(i) * 50000, 50000), 10});
		return r;
	});
	use_proxy(srv);
	int result[6] = {0, 0, 0, 0, 0, 0};
	int pending = 6;
	auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
	while (pending > 0 && std::chrono::steady_clock::now() < until) {
		for (int s = 0; s < 6; s++) {
			if (result[s] != 0)
				continue;
			std::string name(1, static_cast<char>('a' + s));
			result[s] = http.net_check(s, "files.example.test", "/" + name, name);
			if (result[s] != 0)
				pending--;
		}
		std::this_thread::sleep_for(std::chrono::milliseconds(1));
	}
	for (int s = 0; s < 6; s++) {
		std::string name(1, static_cast<char>('a' + s));
		EXPECT_EQ(result[s], 1) << name;
		EXPECT_TRUE(file_text(name) == std::string(200000, name[0])) << name;
	}
}

// ---- cancel -------------------------------------------------------------------------------------

// Open descriptors of this process whose target starts with `prefix`.
int open_fds(std::string const& prefix)
{
	int n = 0;
	DIR* d = opendir("/proc/self/fd");
	if (!d)
		return -1;
	while (dirent* e = readdir(d)) {
		char target[4096];
		std::string const link = std::string("/proc/self/fd/") + e->d_name;
		ssize_t len = readlink(link.c_str(), target, sizeof target - 1);
		if (len > 0 && std::string(target, static_cast<size_t>(len)).rfind(prefix, 0) == 0)
			n++;
	}
	closedir(d);
	return n;
}

TEST_F(HttpTest, CancelDropsTheTransferAndTheNextCallStartsAfresh)
{
	// The first request gets half its body and then silence; the second is whole.
	std::atomic<int> served{0};
	script_server srv([&](std::string const&) {
		if (++served == 1) {
			script_reply r;
			r.steps.push_back({"HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\nhalf", 0});
			r.end = script_end::stall;
			return r;
		}
		return script_simple("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nwhole");
	});
	use_proxy(srv);
	std::string const dest = dir.path() + "s.zip";
	auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
	while (!(http.downloads[3] && http.downloads[3]->received == 4) && std::chrono::steady_clock::now() < until) {
		ASSERT_EQ(http.net_check(3, "files.example.test", "/s", "s.zip"), 0);
		std::this_thread::sleep_for(std::chrono::milliseconds(1));
	}
	ASSERT_TRUE(http.downloads[3]);
	EXPECT_EQ(open_fds(dest), 1);
	int const sockets = open_fds("socket:");

	http.cancel(3);
	EXPECT_FALSE(http.downloads[3]);
	EXPECT_EQ(open_fds(dest), 0);
	EXPECT_EQ(open_fds("socket:"), sockets - 1);
	// Empty and unknown slots are left alone.
	http.cancel(3);
	http.cancel(-1);
	http.cancel(6);

	EXPECT_EQ(fetch(3, "files.example.test", "/s", "s.zip"), 1);
	EXPECT_EQ(file_text("s.zip"), "whole");
	EXPECT_EQ(srv.requests().size(), 2u);
	EXPECT_EQ(log_text(), "");
}

}  // namespace
