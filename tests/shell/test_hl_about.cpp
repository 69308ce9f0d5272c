// The about box's reading of the server list and its decision, from list
// fixtures; and go_to_URL through a stand-in browser.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <future>
#include <string>

#include "foundation/app_globals.h"
#include "shell/app_callbacks.h"
#include "shell/hl_about.h"
#include "support/logged_test.h"
#include "support/stand_in_helpers.h"

void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}
void recall_ins_texes() {}

namespace {

struct AboutListTest : logged_test {
	void SetUp() override
	{
		logged_test::SetUp();
		app_path = dir.path();
	}
	about_struct take(std::string const& body, std::string const& head = "I\n820 version\nSERVERS\n")
	{
		write_text_file(dir.path() + "serverlist.txt", head + body);
		about_struct a;
		about_take_server_list("serverlist.txt", &a);
		return a;
	}
};

std::string const up_to_date = "Your version of Skyrell is up to date.";
std::string const latest_beta = "You have the latest Skyrell beta.";
std::string const no_net = "Can't connect to the net to find latest version.";
std::string const visit_release =
    "There is a new version of Skyrell available; visit our website to download the update.";
std::string const visit_beta =
    "There is a newer beta of Skyrell available; visit our website to download the update.";

}  // namespace

TEST_F(AboutListTest, DecisionFromTheListedVersions)
{
	std::string const beta_src = "BETA_INSTALLER_MAC beta.example.test /b/inst beta.zip\n";
	std::string const final_src = "FINAL_INSTALLER_MAC rel.example.test /r/inst.zip\n";
	struct decision_case {
		char const* what;
		std::string body;
		int state, is_latest, is_beta;
		std::string err, server, path;
	} const cases[] = {
	    {"the running build", "FINAL_VERSION 85008\nBETA_VERSION 85099\n" + beta_src + final_src, 4, 1, 0, up_to_date, "", ""},
	    {"a newer beta", "FINAL_VERSION 85007\nBETA_VERSION 85009\n" + beta_src + final_src, 1, 0, 1, "",
	     "beta.example.test", "/b/inst beta.zip"},
	    {"the beta is this one", "FINAL_VERSION 85007\nBETA_VERSION 85008\n" + beta_src, 4, 1, 0, latest_beta, "", ""},
	    {"a newer release", final_src + "FINAL_VERSION 85009 and more\n", 1, 0, 0, "", "rel.example.test",
	     "/r/inst.zip"},
	    {"a newer release, no installer", "FINAL_VERSION 85009\nFINAL_INSTALLER_MAC\n", 4, 0, 0, visit_release, "", ""},
	    {"a newer beta, no installer", "FINAL_VERSION 85000\nBETA_VERSION 85010\n" + final_src, 4, 0, 1, visit_beta, "", ""},
	    {"no FINAL_VERSION", "BETA_VERSION 85010\n" + beta_src, 4, 1, 0, no_net, "", ""},
	    // Read as "BETA" it would lose the number: never the latest beta.
	    {"BETA_VERSION is no BETA", "BETA x\nFINAL_VERSION 85007\n  BETA_VERSION 85009\n" + beta_src, 1, 0, 1, "",
	     "beta.example.test", "/b/inst beta.zip"},
	    // The HTTP client would end the program on these: offered as none.
	    {"host ending in a slash", "FINAL_VERSION 85009\nFINAL_INSTALLER_MAC rel.example.test/ /r.zip\n", 4, 0, 0,
	     visit_release, "", ""},
	    {"path without a slash", "FINAL_VERSION 85009\nFINAL_INSTALLER_MAC rel.example.test r.zip\n", 4, 0, 0,
	     visit_release, "", ""},
	};
	for (decision_case const& c : cases) {
		SCOPED_TRACE(c.what);
		about_struct const a = take(c.body);
		EXPECT_EQ(a.ins_state, c.state);
		EXPECT_EQ(a.is_latest, c.is_latest);
		EXPECT_EQ(a.is_beta, c.is_beta);
		EXPECT_EQ(a.err_msg, c.err);
		if (c.state == 1) {
			EXPECT_EQ(a.installer_server, c.server);
			EXPECT_EQ(a.installer_path, c.path);
		}
	}
}

TEST_F(AboutListTest, LaterListLeavesARunningDownloadAlone)
{
	// A list without its FINAL line is fetched again and again, also while
	// the installer it offered downloads or waits to be launched.
	std::string const newer = "FINAL_VERSION 85009\nFINAL_INSTALLER_MAC rel.example.test /r/inst.zip\n";
	write_text_file(dir.path() + "serverlist.txt", "I\n820 version\nSERVERS\n" + newer);
	for (int state : {2, 3}) {
		SCOPED_TRACE(state);
		about_struct a;
		a.ins_state = state;
		a.installer_app_name = "New Installer";
		about_take_server_list("serverlist.txt", &a);
		EXPECT_EQ(a.ins_state, state);
		EXPECT_EQ(a.installer_app_name, "New Installer");
		EXPECT_EQ(a.version_final, 85009);
	}
}

TEST_F(AboutListTest, FinalLineAndHeader)
{
	// "FINAL" takes its line; "FINAL_VERSION" is not it.
	about_struct a = take("FINAL_VERSION 85008\nFINAL Skyrell 8.50 r1\nFINAL_INSTALLER_MAC h /p\n");
	EXPECT_EQ(a.version_str_found, 1);
	EXPECT_EQ(a.version_str_net, "Skyrell 8.50 r1");
	EXPECT_EQ(a.version_final, 85008);
	a = take("FINAL_VERSION 85008\n");
	EXPECT_EQ(a.version_str_found, 0);

	// Another format, another keyword or no file: nothing is read.
	struct header_case {
		char const* head;
	} const heads[] = {{"I\n821 version\nSERVERS\n"}, {"I\n820 version\nSERVER\n"}, {"X\n820 version\nSERVERS\n"}};
	for (header_case const& h : heads) {
		a = take("FINAL Skyrell 9\nFINAL_VERSION 85009\n", h.head);
		EXPECT_EQ(a.version_str_found, 0) << h.head;
		EXPECT_EQ(a.err_msg, no_net) << h.head;
	}
	about_struct none;
	about_take_server_list("missing.txt", &none);
	EXPECT_EQ(none.ins_state, 4);
	EXPECT_EQ(none.err_msg, no_net);
}

TEST(GoToURL, OpensTheAddressThroughTheBrowserHelper)
{
	temp_dir dir;
	stand_in_helpers helpers(dir.path());
	std::string const odd = "http://www.kestrin-research.example/a b?q='x'&r=\"y\";$(z)";
	EXPECT_EQ(go_to_URL(odd), 0);
	EXPECT_EQ(text_once(dir.path() + "opened.txt", odd + "\n"), odd + "\n");
	EXPECT_EQ(go_to_URL("http://www.kestrin-research.example/"), 0);
	EXPECT_EQ(text_once(dir.path() + "opened.txt", odd + "\nhttp://www.kestrin-research.example/\n"),
	          odd + "\nhttp://www.kestrin-research.example/\n");

	// Without a desktop's own opener, xdg-open runs the browser itself and
	// only ends when the browser is closed: the caller must not wait for it.
	write_text_file(helpers.bin() + "xdg-open",
	                "#!/bin/sh\nwhile [ ! -e '" + dir.path() + "closed' ]; do sleep 0.05; done\n"
	                "printf '%s\\n' \"$@\" >> '" + dir.path() + "opened.txt'\n");
	auto opening = std::async(std::launch::async, [] { return go_to_URL("http://shop.example/"); });
	bool const returned = opening.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
	write_text_file(dir.path() + "closed", "");
	EXPECT_TRUE(returned) << "go_to_URL waited for the browser to close";
	EXPECT_EQ(opening.get(), 0);
	std::string const all = odd + "\nhttp://www.kestrin-research.example/\nhttp://shop.example/\n";
	EXPECT_EQ(text_once(dir.path() + "opened.txt", all), all);

	setenv("PATH", (dir.path() + "nothing").c_str(), 1);
	EXPECT_EQ(go_to_URL("http://x/"), ENOENT);
}

TEST(GoToURLDeathTest, LongAddressIsFatal)
{
	alert_printer_install();
	EXPECT_EXIT(go_to_URL("http://" + std::string(493, 'a')), ::testing::ExitedWithCode(1),
	            "String too long!.*\\(hl_string line 132\\) severity 2");
}
