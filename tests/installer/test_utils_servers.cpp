// The server list: reading it, its refusals, and the server draws.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "installer/utils.h"
#include "support/logged_test.h"
#include "support/stand_in_helpers.h"

namespace {

std::string list_text(std::string const& body, int version = 820, char const* keyword = "SERVERS")
{
	return "I\n" + std::to_string(version) + " version\n" + keyword + "\n" + body;
}

struct ServerListTest : logged_test {
	std::string file;
	void SetUp() override
	{
		logged_test::SetUp();
		file = dir.path() + "serverlist.txt";
		std::string const bin = dir.path() + "bin/";
		mkdir(bin.c_str(), 0755);
		write_text_file(bin + "xdg-open", "#!/bin/sh\necho \"$@\" >> '" + dir.path() + "opened.txt'\n");
		chmod((bin + "xdg-open").c_str(), 0755);
		setenv("PATH", (bin + ":" + getenv("PATH")).c_str(), 1);
	}
	void reset()
	{
		stg.server_count = -1;
		install_name = no_install_name;
		for (int i = 0; i < kMaxServers; ++i) server_name[i] = server_path[i] = server_desc[i] = "";
		recorded_alerts().clear();
		app_done = 0;
		stg.install_stage = 0;
	}
};

struct server_entry {
	std::string name, path, desc;
};

struct list_case {
	char const* what;
	std::string text;
	std::string install_name;
	std::vector<server_entry> servers;
	int warnings;
};

std::string twelve_servers()
{
	std::string body = "BETA V\n";
	for (int i = 0; i < 12; ++i) body += "SERVER s" + std::to_string(i) + "\n/p/\nd" + std::to_string(i) + "\n";
	return body;
}

TEST_F(ServerListTest, ReadsTheBody)
{
	std::vector<server_entry> ten;
	for (int i = 0; i < 10; ++i) ten.push_back({"s" + std::to_string(i), "/p/V/", "d" + std::to_string(i)});
	std::vector<list_case> const cases = {
	    {"one server", list_text("BETA Sky 8.50b8\nSERVER dl.one\n/sky/\nFirst server, fast\nENDOFLIST\n"),
	     "Sky 8.50b8", {{"dl.one", "/sky/Sky 8.50b8/", "First server, fast"}}, 0},
	    {"twelve keep the first ten", list_text(twelve_servers()), "V", ten, 0},
	    {"FINAL and other words passed over",
	     list_text("FINAL Sky 8.40\nNOTE SERVER x\n  BETA\tB1\n\tSERVER   h\n   /p/\n  desc with  blanks\n"), "B1",
	     {{"h", "/p/B1/", "desc with  blanks"}}, 0},
	    {"two BETA lines: the later wins, earlier servers keep theirs",
	     list_text("BETA A\nSERVER h1\n/p/\nd1\nBETA B\nSERVER h2\n/q/\nd2\n"), "B",
	     {{"h1", "/p/A/", "d1"}, {"h2", "/q/B/", "d2"}}, 0},
	    {"ENDOFLIST ends the list", list_text("BETA A\nSERVER h1\n/p/\nd1\nENDOFLIST\nSERVER h2\n/q/\nd2\n"), "A",
	     {{"h1", "/p/A/", "d1"}}, 0},
	    {"CR LF", "I\r\n820 version\r\nSERVERS\r\nBETA A\r\nSERVER h1\r\n/p/\r\nd1\r\nENDOFLIST\r\n", "A",
	     {{"h1", "/p/A/", "d1"}}, 0},
	    {"no servers", list_text("BETA A\n"), "A", {}, 0},
	    {"SERVER before BETA uses the name so far", list_text("SERVER h\n/p/\nd\n"), "Not Yet Scanned",
	     {{"h", "/p/Not Yet Scanned/", "d"}}, 0},
	    {"bad entries passed over and not counted",
	     list_text("BETA A\nSERVER\n/p/\nno host\nSERVER a b\n/p/\nblank\nSERVER h/x\n/p/\nslash\n"
	               "SERVER h:8080\n/p/\ncolon\nSERVER h\np/\nrelative folder\nSERVER good\n/g/\nkept\n"),
	     "A", {{"good", "/g/A/", "kept"}}, 5},
	    {"a version name that climbs or splits is passed over",
	     list_text("BETA ../up\nBETA a/b\nBETA ..\nSERVER h\n/p/\nd\n"), "Not Yet Scanned",
	     {{"h", "/p/Not Yet Scanned/", "d"}}, 3},
	};
	for (list_case const& c : cases) {
		SCOPED_TRACE(c.what);
		reset();
		write_text_file(log, "");
		write_text_file(file, c.text);
		ASSERT_EQ(read_server_list(file), 1);
		EXPECT_EQ(install_name, c.install_name);
		ASSERT_EQ(stg.server_count, static_cast<int>(c.servers.size()));
		for (size_t i = 0; i < c.servers.size(); ++i) {
			EXPECT_EQ(server_name[i], c.servers[i].name);
			EXPECT_EQ(server_path[i], c.servers[i].path);
			EXPECT_EQ(server_desc[i], c.servers[i].desc);
		}
		EXPECT_EQ(server_name[c.servers.size() < 10 ? c.servers.size() : 9], c.servers.size() < 10 ? "" : "s9");
		std::string const text = read_text_file(log);
		int warnings = 0;
		for (size_t at = text.find("WARNING: "); at != std::string::npos; at = text.find("WARNING: ", at + 1))
			++warnings;
		EXPECT_EQ(warnings, c.warnings) << text;
		EXPECT_TRUE(recorded_alerts().empty());
	}
}

TEST_F(ServerListTest, OtherFormatsAskForANewInstaller)
{
	struct refused {
		char const* what;
		std::string text;  // empty: no file
	};
	std::vector<refused> const cases = {
	    {"819", list_text("BETA A\nSERVER h\n/p/\nd\n", 819)},
	    {"821", list_text("BETA A\nSERVER h\n/p/\nd\n", 821)},
	    {"wrong keyword", list_text("BETA A\nSERVER h\n/p/\nd\n", 820, "SERVER")},
	    {"missing file", ""},
	};
	for (refused const& c : cases) {
		SCOPED_TRACE(c.what);
		reset();
		unlink(file.c_str());
		if (!c.text.empty()) write_text_file(file, c.text);
		EXPECT_EQ(read_server_list(file), 0);
		EXPECT_EQ(stg.server_count, -1);
		EXPECT_EQ(server_name[0], "");
		ASSERT_EQ(recorded_alerts().size(), 1u);
		EXPECT_EQ(recorded_alerts()[0].detail.substr(recorded_alerts()[0].detail.size() - file.size()), file);
		EXPECT_EQ(app_done, 1);
		EXPECT_EQ(stg.install_stage, 2);
	}
	std::string const page = "http://www.kestrin-research.example/download/\n";
	EXPECT_EQ(text_once(dir.path() + "opened.txt", page + page + page + page), page + page + page + page);
}

// ---- draws ------------------------------------------------------------------------

int fixed_rand_value = 0;
int fixed_rand() { return fixed_rand_value; }

TEST(ServerDraw, BiasedIndexAsAFunctionOfR)
{
	struct row {
		double r;
		int count, index;
	};
	row const rows[] = {
	    {0.0, 4, 0},        {0.5, 4, 1},  // 0.5^1.3 = 0.406, 4 x 0.406 = 1.62
	    {0.9999999, 4, 3},  {0.0, 1, 0},   {0.5, 1, 0},   {0.9999999, 1, 0},
	    {0.9999999, 10, 9}, {0.3, 10, 2},  {1.0, 4, 3},   // never past the last
	    {0.5, 0, 0},  // no servers: index 0
	};
	for (row const& r : rows)
		EXPECT_EQ(biased_server_index(r.r, r.count), r.index) << r.r << " of " << r.count;
}

TEST(ServerDraw, DrawsThroughTheSettableRandomNumber)
{
	server_rand = fixed_rand;
	struct row {
		int rand_value, count, biased, any;
	};
	row const rows[] = {
	    {0, 4, 0, 0},
	    {1073741824, 4, 1, 0},  // r = 0.5
	    {2147483647, 4, 3, 3},  // the largest rand(): r just under 1
	    {7, 4, 0, 3},           // uniform: 7 modulo 4
	    {7, 1, 0, 0},           // one server: always 0
	    {7, 0, 0, 0},           // none: no division by zero
	};
	for (row const& r : rows) {
		fixed_rand_value = r.rand_value;
		stg.server_count = r.count;
		draw_biased_server();
		EXPECT_EQ(stg.server_index, r.biased) << r.rand_value << " of " << r.count;
		draw_any_server();
		EXPECT_EQ(stg.server_index, r.any) << r.rand_value << " of " << r.count;
	}
	server_rand = std::rand;
}

}  // namespace
