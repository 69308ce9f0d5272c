// The server list fetched over loopback: from name-based nginx through the
// installer's proxy settings, and the pacing of retries when nothing answers.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "foundation/app_globals.h"
#include "foundation/http.h"
#include "foundation/xtim.h"
#include "installer/utils.h"
#include "shell/hl_about.h"
#include "support/logged_test.h"
#include "support/real_servers.h"

namespace {

struct ServerFetchTest : logged_test {
	void SetUp() override
	{
		logged_test::SetUp();
		temp_path = dir.path() + "tmp/";
		mkdir(temp_path.c_str(), 0700);
		stg.server_count = -1;
		install_name = no_install_name;
		xtim.run_time = 0.0f;
		server_list_pause = retry_pause();
	}
	void use_proxy(uint16_t port)
	{
		http.proxy_host = "127.0.0.1";
		http.proxy_port = std::to_string(port);
		http.proxy_port_int = port;
	}
	// Runs frames until the list is read; false after ten seconds.
	bool run_until_read()
	{
		auto const until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
		while (stg.server_count == -1) {
			if (std::chrono::steady_clock::now() > until) return false;
			server_list_step();
			std::this_thread::sleep_for(std::chrono::milliseconds(1));
		}
		return true;
	}
	int fetch(int slot, std::string const& host, std::string const& path, std::string const& local)
	{
		auto const until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
		for (;;) {
			int const answer = http.net_check(slot, host, path, local);
			if (answer != 0 || std::chrono::steady_clock::now() > until) return answer;
			std::this_thread::sleep_for(std::chrono::milliseconds(1));
		}
	}
};

TEST_F(ServerFetchTest, ListFromTheMakersHostThenADownloadServer)
{
	std::string const www = dir.path() + "www/";
	std::string const mirror = dir.path() + "mirror/";
	mkdir(www.c_str(), 0755);
	mkdir(mirror.c_str(), 0755);
	mkdir((mirror + "sets").c_str(), 0755);
	mkdir((mirror + "sets/Sky 9").c_str(), 0755);
	write_text_file(www + "serverlist.txt",
	                "I\n820 version\nSERVERS\nBETA Sky 9\nSERVER dl1.example.test\n/sets/\nMirror one\nENDOFLIST\n");
	write_text_file(mirror + "sets/Sky 9/directory.txt.zip", "archive bytes");
	nginx_server nginx(dir.path(), {{"www.kestrin-research.example", www}, {"dl1.example.test", mirror}});
	ASSERT_TRUE(nginx.ok()) << nginx.error();
	use_proxy(nginx.port());

	ASSERT_TRUE(run_until_read());
	EXPECT_EQ(stg.server_count, 1);
	EXPECT_EQ(stg.server_index, 0);
	EXPECT_EQ(install_name, "Sky 9");
	EXPECT_EQ(server_name[0], "dl1.example.test");
	EXPECT_EQ(server_path[0], "/sets/Sky 9/");
	EXPECT_EQ(server_desc[0], "Mirror one");

	// The download server serves its own root; the maker's host does not.
	std::string const local = temp_path + "directory.txt.zip";
	EXPECT_EQ(fetch(1, server_name[0], server_path[0] + "directory.txt.zip", local), 1);
	EXPECT_EQ(read_text_file(local), "archive bytes");
	EXPECT_EQ(fetch(1, "www.kestrin-research.example", server_path[0] + "directory.txt.zip", local), 2);
	EXPECT_EQ(fetch(1, "unknown.example.test", "/serverlist.txt", local), 2);

	nginx.stop();
	std::string const access = nginx.access_log();
	EXPECT_NE(access.find("www.kestrin-research.example 127.0.0.1 - - ["), std::string::npos) << access;
	EXPECT_NE(access.find("\"GET http://www.kestrin-research.example/serverlist.txt HTTP/1.1\" 200 "),
	          std::string::npos)
	    << access;
	EXPECT_NE(access.find("dl1.example.test 127.0.0.1"), std::string::npos) << access;
	EXPECT_NE(access.find("/sets/Sky%209/directory.txt.zip HTTP/1.1\" 200 13 "), std::string::npos) << access;
	EXPECT_NE(access.find("unknown.example.test 127.0.0.1"), std::string::npos) << access;
	EXPECT_NE(access.find("/serverlist.txt HTTP/1.1\" 404 "), std::string::npos) << access;
}

int error_lines(std::string const& log)
{
	std::string const text = read_text_file(log);
	int n = 0;
	for (size_t at = text.find("HTTP Error for "); at != std::string::npos; at = text.find("HTTP Error for ", at + 1))
		++n;
	return n;
}

// A reply past the server list's own cap is no server list: its transfer
// fails, as an endless one does, before it fills the disk.
TEST_F(ServerFetchTest, AListPastItsCapIsRefused)
{
	std::string const www = dir.path() + "www/";
	mkdir(www.c_str(), 0755);
	std::string const list = "I\n820 version\nSERVERS\nBETA Sky 9\nSERVER dl1.example.test\n/sets/\nMirror one\n";
	std::string padding;
	while (list.size() + padding.size() + 10 <= static_cast<size_t>(kServerListCap) + 1)
		padding += "# padding\n";
	write_text_file(www + "serverlist.txt", list + padding + "ENDOFLIST\n");
	nginx_server nginx(dir.path(), {{"www.kestrin-research.example", www}});
	ASSERT_TRUE(nginx.ok()) << nginx.error();
	use_proxy(nginx.port());

	auto const until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
	while (error_lines(log) == 0 && stg.server_count == -1 && std::chrono::steady_clock::now() < until) {
		server_list_step();
		std::this_thread::sleep_for(std::chrono::milliseconds(1));
	}
	EXPECT_EQ(stg.server_count, -1);
	EXPECT_NE(read_text_file(log).find("   GetOSErr   =" + std::to_string(EFBIG) + "\n"), std::string::npos);
}

TEST_F(ServerFetchTest, RefusedFetchesArePacedOnTheFrameworkClock)
{
	// A port nothing listens on: every connection is refused at once.
	uint16_t port = 0;
	{
		nginx_server probe(dir.path(), dir.path());
		ASSERT_TRUE(probe.ok()) << probe.error();
		port = probe.port();
	}
	ASSERT_FALSE(accepts_connections(port));
	use_proxy(port);

	// Frames at one instant: the first failure, then nothing more.
	auto const until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
	while (error_lines(log) == 0 && std::chrono::steady_clock::now() < until) server_list_step();
	ASSERT_EQ(error_lines(log), 1);
	for (int i = 0; i < 200; ++i) server_list_step();
	xtim.run_time = 4.99f;
	for (int i = 0; i < 200; ++i) server_list_step();
	EXPECT_EQ(error_lines(log), 1);
	EXPECT_EQ(http.downloads[0], nullptr);  // no transfer started in the pause

	// Five seconds on, it tries again, once.
	xtim.run_time = 5.0f;
	while (error_lines(log) == 1 && std::chrono::steady_clock::now() < until) server_list_step();
	EXPECT_EQ(error_lines(log), 2);
	for (int i = 0; i < 200; ++i) server_list_step();
	EXPECT_EQ(error_lines(log), 2);
	EXPECT_EQ(stg.server_count, -1);
	EXPECT_TRUE(recorded_alerts().empty());
}

}  // namespace
