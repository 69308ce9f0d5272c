// Whole transfers from real servers on loopback: a 5 MB file from nginx,
// reached as the client's proxy, and again through tinyproxy in front of it;
// and the servers never outlive the test process.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

#include "foundation/app_globals.h"
#include "foundation/http.h"
#include "foundation/xtim.h"
#include "support/alert_recorder.h"
#include "support/real_servers.h"

namespace {

struct HttpRealTest : ::testing::Test {
	temp_dir dir;
	std::string log;
	std::string payload;

	void SetUp() override
	{
		log = open_test_log(dir);
		alert_recorder_install();
		app_path = dir.path();
		xtim.run_time = 0.0f;
		std::mt19937 gen(12345);
		payload.resize(5 * 1000 * 1000);
		for (auto& c : payload)
			c = static_cast<char>(gen());
		ASSERT_EQ(mkdir((dir.path() + "www").c_str(), 0700), 0);
		ASSERT_EQ(mkdir((dir.path() + "www/set 1").c_str(), 0700), 0);
		write_text_file(dir.path() + "www/set 1/big.bin", payload);
	}

	// Pumps the slot like the frame loop does, the clock running along, for
	// at most a minute of real time; -1 when it never answered.
	int fetch(std::string const& file, std::string const& dest)
	{
		auto const start = std::chrono::steady_clock::now();
		while (std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
			xtim.run_time = std::chrono::duration<float>(std::chrono::steady_clock::now() - start).count();
			int r = http.net_check(2, "files.example.test", file, dest);
			if (r != 0)
				return r;
			std::this_thread::sleep_for(std::chrono::microseconds(200));
		}
		return -1;
	}

	// Fetches the big file through the proxy at `port` and compares it.
	void expect_big_file_through(uint16_t port)
	{
		http.proxy_host = "127.0.0.1";
		http.proxy_port_int = port;
		EXPECT_EQ(fetch("/set 1/big.bin", "big.bin"), 1);
		EXPECT_TRUE(read_text_file(dir.path() + "big.bin") == payload) << "the bytes differ";
		EXPECT_EQ(read_text_file(log), "");
	}
};

TEST_F(HttpRealTest, FileFromNginxAsTheProxy)
{
	nginx_server nginx(dir.path(), dir.path() + "www/");
	ASSERT_TRUE(nginx.ok()) << nginx.error();
	expect_big_file_through(nginx.port());

	EXPECT_EQ(fetch("/set 1/none.bin", "none.bin"), 2);
	EXPECT_NE(read_text_file(log).find("   IsComplete =1\n   IsErr      =0\n   GetStat    =3\n   GetOSErr   =0\n"
	                                   "   response   =Not Found (#404)\n\n"),
	          std::string::npos)
	    << read_text_file(log);

	nginx.stop();
	std::string const access = nginx.access_log();
	EXPECT_NE(access.find("\"GET http://files.example.test/set%201/big.bin HTTP/1.1\" 200 5000000 "),
	          std::string::npos)
	    << access;
	EXPECT_NE(access.find("\"Installer-ZIR/ta 8\""), std::string::npos) << access;
}

TEST_F(HttpRealTest, FileThroughTinyproxyInFrontOfNginx)
{
	nginx_server nginx(dir.path(), dir.path() + "www/");
	ASSERT_TRUE(nginx.ok()) << nginx.error();
	tinyproxy_server proxy(dir.path(), nginx.port());
	ASSERT_TRUE(proxy.ok()) << proxy.error();
	expect_big_file_through(proxy.port());

	proxy.stop();
	nginx.stop();
	EXPECT_NE(nginx.access_log().find("/set%201/big.bin HTTP/1.1\" 200 5000000 "), std::string::npos)
	    << nginx.access_log();
}

// A test process that dies without stopping its servers (a crash, a time
// limit) must not leave them running.
TEST(RealServers, EndWithTheProcessThatStartedThem)
{
	temp_dir dir;
	// The orphaned server is handed to this process, which can then reap it.
	ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
	int fds[2];
	ASSERT_EQ(pipe(fds), 0);
	pid_t const child = fork();
	ASSERT_GE(child, 0);
	if (child == 0) {
		close(fds[0]);
		nginx_server nginx(dir.path(), dir.path());
		uint16_t const port = nginx.ok() ? nginx.port() : 0;
		bool const told = write(fds[1], &port, sizeof(port)) == sizeof(port);
		_exit(told ? 0 : 1);  // no destructors run
	}
	close(fds[1]);
	uint16_t port = 0;
	bool const told = read(fds[0], &port, sizeof(port)) == sizeof(port);
	close(fds[0]);
	ASSERT_EQ(waitpid(child, nullptr, 0), child);
	ASSERT_TRUE(told && port != 0) << read_text_file(dir.path() + "nginx/output.txt");
	pid_t const server = static_cast<pid_t>(std::atoi(read_text_file(dir.path() + "nginx/nginx.pid").c_str()));
	ASSERT_GT(server, 0);

	bool gone = false;
	// The server notices its parent's end on its own time; a loaded machine
	// may take a while.
	auto const until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
	while (!gone && std::chrono::steady_clock::now() < until) {
		gone = waitpid(server, nullptr, WNOHANG) == server;
		if (!gone)
			std::this_thread::sleep_for(std::chrono::milliseconds(10));
	}
	if (!gone) {  // leave nothing behind even when failing
		kill(server, SIGKILL);
		waitpid(server, nullptr, 0);
	}
	EXPECT_TRUE(gone) << "nginx outlived the process that started it";
}

}  // namespace
