#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cfloat>
#include <climits>
#include <string>

#include "foundation/app_globals.h"
#include "foundation/http.h"
#include "foundation/pref.h"
#include "foundation/xtim.h"
#include "support/alert_recorder.h"

namespace {

std::string const header = "I\n8500 version\n";

// Points the user's folders at temporary ones; file 11 lands in `config`.
class PrefTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		log = open_test_log(home);
		setenv("HOME", home.path().c_str(), 1);
		setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
		alert_recorder_install();
		installer_file = config.path() + "Skyrell Installer.prf";
	}

	// The installer's start values, as main sets them before reading.
	static void installer_defaults()
	{
		stg.download_os = 1;
		stg.use_max_cpu = 0;
		stg.rename_folder = 1;
		stg.stream_count = 0;
		stg.log_actions = 0;
		stg.always_ask_dir = 0;
		dest_dir_path.clear();
		http.proxy_host.clear();
		http.proxy_port.clear();
		http.proxy_port_int = 0;
	}

	temp_dir home, config;
	std::string log;
	std::string installer_file;
};

}  // namespace

TEST_F(PrefTest, InstallerFileRoundTripIsByteExact)
{
	stg.download_os = 3;
	stg.use_max_cpu = 1;
	stg.rename_folder = 0;
	stg.stream_count = 4;
	stg.log_actions = 1;
	stg.always_ask_dir = -7;
	dest_dir_path = "/home/pilot/My Sky rell/";
	http.proxy_host = "127.0.0.1";
	http.proxy_port = "8080";
	http.proxy_port_int = 8080;
	pref.IO_set(11, 1);
	std::string const expected = header +
	                             "_download_os 3\n"
	                             "_use_max_cpu 1\n"
	                             "_rename_folder 0\n"
	                             "_stream_count 4\n"
	                             "_log_actions 1\n"
	                             "_always_ask_dir -7\n"
	                             "_dest_dir_path /home/pilot/My Sky rell/\n"
	                             "_proxy_host 127.0.0.1\n"
	                             "_proxy_port 8080\n"
	                             "_proxy_port_int 8080\n";
	EXPECT_EQ(read_text_file(installer_file), expected);

	stg = stg_struct{};
	dest_dir_path.clear();
	http.proxy_host.clear();
	http.proxy_port.clear();
	http.proxy_port_int = 0;
	pref.IO_set(11, 0);
	EXPECT_EQ(stg.download_os, 3);
	EXPECT_EQ(stg.use_max_cpu, 1);
	EXPECT_EQ(stg.rename_folder, 0);
	EXPECT_EQ(stg.stream_count, 4);
	EXPECT_EQ(stg.log_actions, 1);
	EXPECT_EQ(stg.always_ask_dir, -7);
	EXPECT_EQ(dest_dir_path, "/home/pilot/My Sky rell/");
	EXPECT_EQ(http.proxy_host, "127.0.0.1");
	EXPECT_EQ(http.proxy_port, "8080");
	EXPECT_EQ(http.proxy_port_int, 8080);

	// Written again from what was read, the file is the same.
	pref.IO_set(11, 1);
	EXPECT_EQ(read_text_file(installer_file), expected);
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(PrefTest, EmptyTextsAreNeitherWrittenNorCleared)
{
	installer_defaults();
	http.proxy_port_int = -1;
	pref.IO_set(11, 1);
	EXPECT_EQ(read_text_file(installer_file), header +
	                                              "_download_os 1\n"
	                                              "_use_max_cpu 0\n"
	                                              "_rename_folder 1\n"
	                                              "_stream_count 0\n"
	                                              "_log_actions 0\n"
	                                              "_always_ask_dir 0\n"
	                                              "_proxy_port_int -1\n");
	dest_dir_path = "/kept/";
	http.proxy_host = "kept.host";
	http.proxy_port = "81";
	pref.IO_set(11, 0);
	EXPECT_EQ(dest_dir_path, "/kept/");
	EXPECT_EQ(http.proxy_host, "kept.host");
	EXPECT_EQ(http.proxy_port, "81");
	EXPECT_EQ(http.proxy_port_int, -1);
}

TEST_F(PrefTest, UnreadableFilesChangeNothing)
{
	struct {
		char const* what;
		char const* text;  // null: no file
	} const cases[] = {
	    {"missing file", nullptr},
	    {"empty file", ""},
	    {"older version", "I\n8400 version\n_download_os 3\n_stream_count 2\n"},
	    {"wrong first byte", "X\n8500 version\n_download_os 3\n_stream_count 2\n"},
	    {"binary header", "i\x34\x21\0\0_download_os 3\n"},
	    {"header only", "I\n8500 version\n"},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.what);
		::remove(installer_file.c_str());
		if (c.text) write_text_file(installer_file, c.text);
		installer_defaults();
		dest_dir_path = "/before/";
		pref.IO_set(11, 0);
		EXPECT_EQ(stg.download_os, 1);
		EXPECT_EQ(stg.rename_folder, 1);
		EXPECT_EQ(stg.stream_count, 0);
		EXPECT_EQ(dest_dir_path, "/before/");
	}
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(PrefTest, ReadingKeysValuesAndRepairs)
{
	struct {
		char const* what;
		char const* body;  // after the header
		int download_os, stream_count, proxy_port_int;
		char const* dest;
	} const cases[] = {
	    {"repeated key: the last wins", "_stream_count 2\n_stream_count 3\n", 1, 3, 0, ""},
	    {"blanks inside and after a text are kept", "_dest_dir_path   /a b/c d/  \n", 1, 0, 0, "/a b/c d/  "},
	    {"CR LF line ends", "_download_os 2\r\n_dest_dir_path /x/\r\n", 2, 0, 0, "/x/"},
	    {"keys in any order, unknown keys ignored", "_junk 9\n_proxy_port_int 3128\n_download_os 5\n", 5, 0, 3128, ""},
	    {"stream count below range", "_stream_count -3\n", 1, 0, 0, ""},
	    {"stream count above range", "_stream_count 5\n", 1, 0, 0, ""},
	    {"platform code below range", "_download_os 0\n", 1, 0, 0, ""},
	    {"platform code above range", "_download_os 6\n", 1, 0, 0, ""},
	    {"huge number saturates", "_proxy_port_int 99999999999999999999\n", 1, 0, INT_MAX, ""},
	    {"huge negative saturates", "_proxy_port_int -99999999999999999999\n", 1, 0, INT_MIN, ""},
	    {"text without digits reads 0", "_proxy_port_int abc\n", 1, 0, 0, ""},
	    {"leading digits count", "_proxy_port_int 80a\n_download_os +4\n", 4, 0, 80, ""},
	    {"key without value", "_proxy_port_int\n_download_os 2\n", 2, 0, 0, ""},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.what);
		write_text_file(installer_file, header + c.body);
		installer_defaults();
		pref.IO_set(11, 0);
		EXPECT_EQ(stg.download_os, c.download_os);
		EXPECT_EQ(stg.stream_count, c.stream_count);
		EXPECT_EQ(http.proxy_port_int, c.proxy_port_int);
		EXPECT_EQ(dest_dir_path, c.dest);
	}
}

TEST_F(PrefTest, TextWithALineEndIsNotSaved)
{
	installer_defaults();
	dest_dir_path = "/odd\n_stream_count -4\n";
	http.proxy_host = "proxy.local";
	pref.IO_set(11, 1);
	std::string const text = read_text_file(installer_file);
	EXPECT_EQ(text.find("_dest_dir_path"), std::string::npos);
	EXPECT_EQ(text.find("-4"), std::string::npos);
	EXPECT_NE(text.find("_proxy_host proxy.local\n"), std::string::npos);
}

TEST_F(PrefTest, UnwritableFileAlertsAndTheProgramGoesOn)
{
	ASSERT_EQ(mkdir(installer_file.c_str(), 0755), 0);  // a folder where the file should be
	installer_defaults();
	stg.download_os = 4;
	pref.IO_set(11, 1);
	ASSERT_EQ(recorded_alerts().size(), 1u);
	EXPECT_EQ(recorded_alerts()[0].text.rfind("I could not save the file! Could the directory", 0), 0u);
	xer.flush();
	EXPECT_NE(read_text_file(log).find(installer_file + "\nCould the file be flagged as read-only?"),
	          std::string::npos);
	// Still running: reading finds no file and keeps the values.
	pref.IO_set(11, 0);
	EXPECT_EQ(stg.download_os, 4);
}

TEST_F(PrefTest, UnusablePreferencesFolderFallsBackToHomeConfig)
{
	std::string const blocker = config.path() + "plain_file";
	write_text_file(blocker, "x");
	setenv("XDG_CONFIG_HOME", (blocker + "/cfg").c_str(), 1);  // cannot be created
	EXPECT_EQ(pref_installer_path(), home.path() + ".config/Skyrell Installer.prf");
	installer_defaults();
	stg.stream_count = 2;
	pref.IO_set(11, 1);
	EXPECT_NE(read_text_file(home.path() + ".config/Skyrell Installer.prf").find("_stream_count 2\n"),
	          std::string::npos);
	stg.stream_count = 0;
	pref.IO_set(11, 0);
	EXPECT_EQ(stg.stream_count, 2);
}

// A deep folder would make a path the path helpers end the program over:
// such a folder falls back as a missing one does.
TEST_F(PrefTest, OverlongPreferencesFolderFallsBack)
{
	std::string deep;
	for (int i = 0; i < 3; ++i) deep += "/" + std::string(160, char('a' + i));
	std::string const long_config = config.path() + deep.substr(1);
	std::string const long_home = home.path() + deep.substr(1);
	ASSERT_GT(long_config.size(), 480u);
	struct {
		std::string config, home, want;
	} const cases[] = {
		{long_config, home.path(), home.path() + ".config/Skyrell Installer.prf"},
		{long_config, long_home, "Resources:preferences:Skyrell Installer.prf"},
	};
	for (auto const& c : cases) {
		setenv("XDG_CONFIG_HOME", c.config.c_str(), 1);
		setenv("HOME", c.home.c_str(), 1);
		EXPECT_EQ(pref_installer_path(), c.want);
	}
	setenv("HOME", home.path().c_str(), 1);
	installer_defaults();
	stg.stream_count = 3;
	pref.IO_set(11, 1);
	stg.stream_count = 0;
	pref.IO_set(11, 0);
	EXPECT_EQ(stg.stream_count, 3);
	EXPECT_TRUE(recorded_alerts().empty());
}

// ---- display settings (file 10) ------------------------------------------------

namespace {

class DisplayPrefTest : public PrefTest {
protected:
	void SetUp() override
	{
		PrefTest::SetUp();
		app_path = app.path();
		ASSERT_EQ(mkdir((app_path + "Resources").c_str(), 0755), 0);
		ASSERT_EQ(mkdir((app_path + "Resources/preferences").c_str(), 0755), 0);
		file = app_path + "Resources/preferences/Res Skybase.prf";
	}
	void TearDown() override { app_path.clear(); }

	temp_dir app;
	std::string file;
};

}  // namespace

TEST_F(DisplayPrefTest, WritesEveryKeyInOrder)
{
	mnw.x_res_req = 1280;
	mnw.y_res_req = 1024;
	mnw.col_res_req = 32;
	mnw.set_res = 1;
	mnw.lang = 2;
	mnw.alias_req = 4;
	mnw.keylist_up = 1;
	mnw.sec_mon_inuse = 0;
	mnw.prefs_found = 1;
	xtim.prd_FM = 0.02f;
	xtim.prd_UI = 0.0012345f;
	pref.IO_set(10, 1);
	EXPECT_EQ(read_text_file(file), header +
	                                    "_x_res_req 1280\n"
	                                    "_y_res_req 1024\n"
	                                    "_col_res_req 32\n"
	                                    "_set_res 1\n"
	                                    "_lang 2\n"
	                                    "_alias_req 4\n"
	                                    "_keylist_up 1\n"
	                                    "_sec_mon_inuse 0\n"
	                                    "_prefs_found 1\n"
	                                    "_prd_FM 0.020000\n"
	                                    "_prd_UI 0.001234\n");
	mnw = mnw_struct{};
	xtim.prd_FM = xtim.prd_UI = 0.0f;
	pref.IO_set(10, 0);
	EXPECT_EQ(mnw.x_res_req, 1280);
	EXPECT_EQ(mnw.y_res_req, 1024);
	EXPECT_EQ(mnw.alias_req, 4);
	EXPECT_EQ(mnw.prefs_found, 1);
	EXPECT_FLOAT_EQ(xtim.prd_FM, 0.02f);
	EXPECT_FLOAT_EQ(xtim.prd_UI, 0.001234f);
}

TEST_F(DisplayPrefTest, ReadingRepairsSizesAndLanguage)
{
	struct {
		char const* body;
		int x, y, lang;
		float prd_FM;
	} const cases[] = {
	    {"_x_res_req 800\n_y_res_req 10000\n_lang 6\n", 1024, 768, 0, 0.5f},
	    {"_x_res_req 9999\n_y_res_req 9999\n_lang 5\n", 9999, 9999, 5, 0.5f},
	    {"_x_res_req 10000\n_y_res_req 767\n_lang -1\n", 1024, 768, -1, 0.5f},
	    {"_x_res_req 1024\n_y_res_req 768\n_prd_FM 0.25\n", 1024, 768, 3, 0.25f},
	    {"_prd_FM 1e999\n", 1024, 768, 3, FLT_MAX},
	    {"_prd_FM -1e999\n", 1024, 768, 3, -FLT_MAX},
	    {"_prd_FM nan\n", 1024, 768, 3, 0.0f},
	    {"_prd_FM .5e-1\n", 1024, 768, 3, 0.05f},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.body);
		write_text_file(file, header + c.body);
		mnw.x_res_req = 1024;
		mnw.y_res_req = 768;
		mnw.lang = 3;
		xtim.prd_FM = 0.5f;
		pref.IO_set(10, 0);
		EXPECT_EQ(mnw.x_res_req, c.x);
		EXPECT_EQ(mnw.y_res_req, c.y);
		EXPECT_EQ(mnw.lang, c.lang);
		EXPECT_FLOAT_EQ(xtim.prd_FM, c.prd_FM);
	}
}

TEST_F(DisplayPrefTest, MissingFileStillRepairsTheDefaults)
{
	mnw.x_res_req = 0;
	mnw.y_res_req = 0;
	mnw.lang = 6;
	pref.IO_set(10, 0);
	EXPECT_EQ(mnw.x_res_req, 1024);
	EXPECT_EQ(mnw.y_res_req, 768);
	EXPECT_EQ(mnw.lang, 0);
}

// ---- simulator preference header (file 12) --------------------------------------

TEST_F(DisplayPrefTest, SimulatorHeaderWrittenAndChecked)
{
	std::string const sim = app_path + "Resources/preferences/Skyrell.prf";
	EXPECT_EQ(pref.IO_sta(12, 0, "ignored"), 0);  // missing
	EXPECT_EQ(pref.IO_sta(12, 1, "ignored"), 1);
	EXPECT_EQ(read_text_file(sim), std::string("i\x34\x21\0\0", 5));
	EXPECT_EQ(pref.IO_sta(12, 0, ""), 1);
	write_text_file(sim, std::string("i\x35\x21\0\0", 5));  // 8501
	EXPECT_EQ(pref.IO_sta(12, 0, ""), 0);
	write_text_file(sim, std::string("a\0\0\x21\x34", 5));  // the other byte order
	EXPECT_EQ(pref.IO_sta(12, 0, ""), 1);
	// Another number keeps the caller's path.
	EXPECT_EQ(pref.IO_sta(13, 1, "Resources:preferences:other.prf"), 1);
	EXPECT_EQ(read_text_file(app_path + "Resources/preferences/other.prf").size(), 5u);
	EXPECT_EQ(pref.IO_sta(12, 2, ""), 0);  // no such mode
	EXPECT_TRUE(recorded_alerts().empty());
}
