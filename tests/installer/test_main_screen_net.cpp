// The directory archive of the main screen against real servers on
// loopback: fetched in slot 1 from the server in use and expanded into the
// temporary folder; a broken archive or a refused connection draws another
// server and waits five seconds of the framework clock before trying again.
#include <gtest/gtest.h>

#include <dirent.h>

#include "grab_fixture.h"
#include "installer/main_screen.h"
#include "shell/app_callbacks.h"
#include "support/real_servers.h"

// The shell's frame loop is linked in; this program runs no frames.
void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

struct DirArchiveTest : grab_test {
	void SetUp() override
	{
		grab_test::SetUp();
		net_dir_path_zip = temp_path + "directory.txt.zip";
		dir_path = temp_path + "directory.txt";
		dir_path_path = temp_path;
		stg.dir_state = 0;
		xtim.run_time = 100.0f;
		directory_pause = retry_pause();
	}
	// Steps until done() holds or ten seconds pass.
	template <typename F>
	bool step_until(F done)
	{
		auto const until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
		while (std::chrono::steady_clock::now() < until) {
			directory_archive_step();
			if (done()) return true;
			std::this_thread::sleep_for(std::chrono::microseconds(200));
		}
		return false;
	}
	void steps(int n)
	{
		for (int i = 0; i < n; i++) {
			directory_archive_step();
			std::this_thread::sleep_for(std::chrono::microseconds(200));
		}
	}
	static int count(std::string const& text, std::string const& what)
	{
		int n = 0;
		for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
		return n;
	}
};

std::string const kDirectory = "I\n840 version\nINSTALLER\n\n";

TEST_F(DirArchiveTest, ABrokenArchiveIsAlertedAndAnotherServerTriedFiveSecondsLater)
{
	nginx_server web(dir.path(), www);
	ASSERT_TRUE(web.ok()) << web.error();
	put(www + "bad/directory.txt.zip", "not an archive at all");
	make_dirs_for(www + "good/directory.txt.zip");
	make_zip(www + "good/directory.txt.zip", {{"directory.txt", kDirectory}});
	use_servers(web.port(), {"bad", "good"});
	server_rand = [] { return 1; };  // the redraw lands on the good one

	ASSERT_TRUE(step_until([] { return !recorded_alerts().empty(); }));
	ASSERT_EQ(recorded_alerts().size(), 1u);
	recorded_alert const& a = recorded_alerts()[0];
	EXPECT_EQ(a.msg1, "DIR-scan: The installer cannot extract a file.");
	EXPECT_EQ(a.msg2.rfind("Error:", 0), 0u);
	EXPECT_GT(a.msg2.size(), 6u);
	EXPECT_EQ(a.msg3, "Compressed File:" + temp_path + "directory.txt.zip");
	EXPECT_EQ(a.msg4, "Destination Path:" + temp_path);
	EXPECT_EQ(a.severity, 1);
	EXPECT_EQ(stg.dir_state, 0);
	EXPECT_EQ(stg.server_index, 1);
	EXPECT_FALSE(exists(net_dir_path_zip));

	// Not a frame sooner than five seconds on.
	xtim.run_time = 104.99f;
	steps(300);
	EXPECT_EQ(count(web.access_log(), "/directory.txt.zip"), 1);
	EXPECT_EQ(recorded_alerts().size(), 1u);

	xtim.run_time = 105.0f;
	ASSERT_TRUE(step_until([] { return stg.dir_state == 1; }));
	EXPECT_EQ(count(web.access_log(), "//srv1.test/good/directory.txt.zip"), 1);
	EXPECT_EQ(read_text_file(dir_path), kDirectory);
	EXPECT_FALSE(exists(net_dir_path_zip));
	// Expanded once: nothing more is fetched.
	steps(100);
	EXPECT_EQ(count(web.access_log(), "/directory.txt.zip"), 2);
	EXPECT_EQ(recorded_alerts().size(), 1u);
}

// Only the directory file is taken from its archive: whatever else it holds
// is never written, here or anywhere. An archive without one is refused and
// leaves no directory behind.
TEST_F(DirArchiveTest, OnlyTheDirectoryFileIsTaken)
{
	nginx_server web(dir.path(), www);
	ASSERT_TRUE(web.ok()) << web.error();
	make_dirs_for(www + "empty/directory.txt.zip");
	make_zip(www + "empty/directory.txt.zip", {{"readme", "no directory here"}});
	make_dirs_for(www + "full/directory.txt.zip");
	make_zip(www + "full/directory.txt.zip", {{"junk/", ""},
	                                          {"junk/big", std::string(300000, 'j')},
	                                          {"directory.txt", kDirectory},
	                                          {"../escape", "x"},
	                                          {"0.zip", "planted"}});
	use_servers(web.port(), {"empty", "full"});
	server_rand = [] { return 1; };

	ASSERT_TRUE(step_until([] { return !recorded_alerts().empty(); }));
	EXPECT_EQ(recorded_alerts()[0].msg1, "DIR-scan: The installer cannot extract a file.");
	EXPECT_FALSE(exists(dir_path));
	xtim.run_time = 105.0f;
	ASSERT_TRUE(step_until([] { return stg.dir_state == 1; }));
	EXPECT_EQ(read_text_file(dir_path), kDirectory);
	EXPECT_EQ(recorded_alerts().size(), 1u);
	std::vector<std::string> names;
	if (DIR* d = opendir(temp_path.c_str())) {
		while (dirent* e = readdir(d))
			if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
		closedir(d);
	}
	EXPECT_EQ(names, std::vector<std::string>{"directory.txt"});
	EXPECT_FALSE(exists(dir.path() + "escape"));
}

TEST_F(DirArchiveTest, ARefusedConnectionIsTriedAgainOnlyAfterFiveSeconds)
{
	uint16_t port = 0;
	{
		nginx_server probe(dir.path(), dir.path());
		ASSERT_TRUE(probe.ok()) << probe.error();
		port = probe.port();
	}
	ASSERT_FALSE(accepts_connections(port));
	use_servers(port, {"a", "b", "c"});
	static int draws;
	draws = 0;
	server_rand = [] { return ++draws; };

	ASSERT_TRUE(step_until([&] { return count(log_text(), "HTTP Error for ") == 1; }));
	EXPECT_EQ(draws, 1);
	EXPECT_EQ(stg.server_index, 1);
	xtim.run_time = 104.99f;
	steps(300);
	EXPECT_EQ(count(log_text(), "HTTP Error for "), 1);
	EXPECT_EQ(http.downloads[1], nullptr);  // nothing started in the pause

	xtim.run_time = 105.0f;
	ASSERT_TRUE(step_until([&] { return count(log_text(), "HTTP Error for ") == 2; }));
	EXPECT_EQ(draws, 2);
	EXPECT_EQ(stg.server_index, 2);
	EXPECT_EQ(stg.dir_state, 0);
	EXPECT_TRUE(recorded_alerts().empty());
}

}  // namespace
