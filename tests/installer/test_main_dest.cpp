// The command line, the destination judged over temporary trees, the
// state record's defaults, and the settling of the destination at start-up
// with a stand-in folder dialog.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "foundation/pref.h"
#include "installer/utils.h"
#include "shell/app_callbacks.h"
#include "support/logged_test.h"

// Start-up links the frame loop; no frames run here.
void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

struct DestTest : logged_test {
	void make(std::string const& rel) { ASSERT_EQ(system(("mkdir -p '" + dir.path() + rel + "'").c_str()), 0); }
};

TEST_F(DestTest, ExistingCopyOrItsSkyrellSubfolder)
{
	char const* const four[] = {"Airfoils", "Instructions", "Output", "Resources"};
	for (char const* w : four) make(std::string("copy/") + w);
	for (char const* w : {"Airfoils", "Instructions", "Output"}) make(std::string("three/") + w);
	for (char const* w : {"Airfoils", "Instructions", "Output", "Old Resources"}) make(std::string("old/") + w);
	make("Airfoils Instructions Output Resources/any");
	make("Airfoils Instructions Output Resources 2");  // the words, but no subfolder
	for (char const* w : {"Airfoils", "Instructions", "Output"}) make(std::string("linked/") + w);
	ASSERT_EQ(symlink((dir.path() + "copy/Resources").c_str(), (dir.path() + "linked/Resources").c_str()), 0);
	for (char const* w : {"Airfoils", "Instructions", "Output"}) make(std::string("file/") + w);
	write_text_file(dir.path() + "file/Resources", "a file");

	struct row {
		char const* what;
		std::string dest;
		int valid;
		std::string result;
	};
	std::string const t = dir.path();
	std::vector<row> const rows = {
	    {"a copy is kept", t + "copy/", 1, t + "copy/"},
	    {"one word missing", t + "three/", 0, t + "three/Skyrell/"},
	    {"a missing folder in a copy: the copy", t + "copy/missing/", 1, t + "copy/"},
	    {"a missing folder elsewhere: the parent's Skyrell", t + "three/missing/", 0, t + "three/Skyrell/"},
	    {"a word inside a longer name counts", t + "old/", 1, t + "old/"},
	    {"words in the folder's own path count", t + "Airfoils Instructions Output Resources/", 1,
	     t + "Airfoils Instructions Output Resources/"},
	    {"no subfolders is never a copy", t + "Airfoils Instructions Output Resources 2/", 0,
	     t + "Airfoils Instructions Output Resources 2/Skyrell/"},
	    {"a link to a folder does not count", t + "linked/", 0, t + "linked/Skyrell/"},
	    {"a file does not count", t + "file/", 0, t + "file/Skyrell/"},
	    {"separators normalised", t + "copy:", 1, t + "copy/"},
	    {"no trailing separator: one is added", t + "copy", 1, t + "copy/"},
	    // A relative or empty folder (a hand-edited preference, a home folder
	    // that is no folder) is the working folder's, and saved as such: the
	    // next run may start elsewhere.
	    {"relative: from the working folder", "copy/", 1, t + "copy/"},
	    {"relative non-copy", "three", 0, t + "three/Skyrell/"},
	};
	char* const was = getcwd(nullptr, 0);
	ASSERT_EQ(chdir(t.c_str()), 0);
	for (row const& r : rows) {
		SCOPED_TRACE(r.what);
		dest_dir_path = r.dest;
		stg.dest_valid = 1 - r.valid;
		check_dest_path();
		EXPECT_EQ(stg.dest_valid, r.valid);
		EXPECT_EQ(dest_dir_path, r.result);
	}
	ASSERT_EQ(chdir((t + "three").c_str()), 0);
	dest_dir_path.clear();
	check_dest_path();
	EXPECT_EQ(dest_dir_path, t + "three/Skyrell/") << "empty: the working folder";
	EXPECT_EQ(stg.dest_valid, 0);
	EXPECT_EQ(chdir(was), 0);
	free(was);
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST(StgDefaults, BeforeThePreferences)
{
	stg.dest_valid = 1;
	stg.log_actions = 1;
	stg.server_count = 7;
	stg.grab_phase = 0;
	stg.rename_folder = 0;
	stg.download_os = 4;
	stg.stream_count = 3;
	set_stg_defaults();
	EXPECT_EQ(stg.server_count, -1);
	EXPECT_EQ(stg.grab_phase, 3);
	EXPECT_EQ(stg.rename_folder, 1);
	EXPECT_EQ(stg.download_os, 1);
	EXPECT_EQ(stg.stream_count, 0);
	EXPECT_EQ(stg.dest_valid, 1);  // not the defaults' business
	EXPECT_EQ(stg.log_actions, 1);
}

TEST(CommandLine, Table)
{
	struct row {
		std::vector<char const*> args;
		int mode;
		std::string dest;
		std::string why;
	};
	std::vector<row> const rows = {
	    {{}, 0, "", ""},
	    {{"-path"}, 0, "", ""},  // alone: ignored
	    {{"-path", "/a/b c/"}, 0, "/a/b c/", ""},
	    {{"-path", "/a/b"}, 0, "/a/b/", ""},
	    {{"-path", "/"}, 0, "/", ""},
	    {{"-path", "rel/x"}, 0, "/work dir/rel/x/", ""},
	    // the probe's options after the folder, or alone, in any order
	    {{"-path", "/a/", "--no_vbos", "--use_sprites", "--no_sprites"}, 0, "/a/", ""},
	    {{"--no_sprites", "--no_vbos"}, 0, "", ""},
	    {{"-path", "--no_vbos"}, 2, "", "-path needs a folder"},
	    {{"-path", ""}, 2, "", "-path needs a folder"},
	    {{"--no_vbos", "-path", "/a/"}, 2, "", "-path must come first"},
	    {{"-path", "/a/", "/b/"}, 2, "", "unexpected argument /b/"},
	    {{"/a/"}, 2, "", "unexpected argument /a/"},
	    {{"-Path", "/a/"}, 2, "", "unknown option -Path"},
	    {{"--path", "/a/"}, 2, "", "unknown option --path"},
	    {{"-path", "/a/", "--no_vbos=1"}, 2, "", "unknown option --no_vbos=1"},
	    {{"--no-vbos"}, 2, "", "unknown option --no-vbos"},
	    {{"-bogus"}, 2, "", "unknown option -bogus"},
	    {{"--help"}, 3, "", ""},
	    {{"-path", "/a/", "-h"}, 3, "", ""},
	    {{"--build", "--help"}, 3, "", ""},
	    {{"--build"}, 1, "", ""},
	    {{"--build", "--bogus"}, 1, "", ""},  // the builder refuses it with the usage text
	    {{"-path", "/a/", "--build"}, 1, "", ""},
	};
	for (row const& r : rows) {
		std::vector<char const*> argv = {"skyrell-installer"};
		argv.insert(argv.end(), r.args.begin(), r.args.end());
		std::string joined;
		for (char const* a : r.args) joined += std::string("[") + a + "]";
		SCOPED_TRACE(joined);
		std::string dest = "left over", why = "left over";
		EXPECT_EQ(read_command_line(static_cast<int>(argv.size()), argv.data(), "/work dir", &dest, &why), r.mode);
		EXPECT_EQ(dest, r.dest);
		EXPECT_EQ(why, r.why);
	}
}

// Start-up from the standard folders to the settled destination. The
// stand-in dialog records its arguments and gives the answers queued for it,
// one per call ("CANCEL" cancels).
struct SettleTest : logged_test {
	std::string home, config, calls_file, answers_file;
	void SetUp() override
	{
		logged_test::SetUp();
		home = dir.path() + "home/";
		config = dir.path() + "config/";
		calls_file = dir.path() + "zenity_calls.txt";
		answers_file = dir.path() + "answers.txt";
		std::string const bin = dir.path() + "bin/";
		for (std::string const& d : {home, config, bin}) mkdir(d.c_str(), 0700);
		write_text_file(bin + "zenity",
		                "#!/bin/sh\n"
		                "printf '%s\\n' \"$@\" >> '" + calls_file + "'\n"
		                "echo --- >> '" + calls_file + "'\n"
		                "a=$(head -n 1 '" + answers_file + "')\n"
		                "sed -i 1d '" + answers_file + "'\n"
		                "if [ -z \"$a\" ] || [ \"$a\" = CANCEL ]; then exit 1; fi\n"
		                "printf '%s\\n' \"$a\"\n");
		chmod((bin + "zenity").c_str(), 0755);
		setenv("PATH", (bin + ":" + getenv("PATH")).c_str(), 1);
		setenv("HOME", home.c_str(), 1);
		setenv("XDG_CONFIG_HOME", config.c_str(), 1);
		for (char const* w : {"Airfoils", "Instructions", "Output", "Resources"}) {
			make(std::string("copy/") + w);
			make(std::string("home/") + w);
		}
		make("other");
	}
	void make(std::string const& rel) { ASSERT_EQ(system(("mkdir -p '" + dir.path() + rel + "'").c_str()), 0); }
	// The dialog's calls, each as its argument list joined by blanks.
	std::vector<std::string> calls() const
	{
		std::vector<std::string> out;
		std::istringstream in(read_text_file(calls_file));
		std::string line, cur;
		while (std::getline(in, line)) {
			if (line == "---") {
				out.push_back(cur);
				cur.clear();
			} else {
				cur += (cur.empty() ? "" : " ") + line;
			}
		}
		return out;
	}
};

TEST_F(SettleTest, Table)
{
	std::string const t = dir.path();
	struct row {
		char const* what;
		std::string dest_arg;      // the "-path" value ("" for none)
		int always_ask;            // saved
		std::string saved_dest;    // saved "_dest_dir_path" ("" for none)
		std::string answers;       // of the dialog, one per line
		std::string dest;          // settled
		int valid;
		std::vector<std::string> starts;  // per dialog, the folder it started in
	};
	// The dialog starts in the destination, or, for a new copy's folder that
	// does not exist yet, in the folder that would hold it.
	std::vector<row> const rows = {
	    {"-path a copy: no dialog", t + "copy/", 0, "", "", t + "copy/", 1, {}},
	    {"-path a non-copy: the dialog picks a copy", t + "other/", 0, "", t + "copy\n", t + "copy/", 1, {t + "other/"}},
	    {"-path wins over a saved copy", t + "other/", 0, t + "copy/", "CANCEL\n", t + "other/Skyrell/", 0,
	     {t + "other/"}},
	    // A path that names a file (or lies below one) is no destination: the
	    // dialog, and the path as given when it is cancelled, never a folder
	    // beside the file nor the copy that holds it. The dialog starts in
	    // the nearest folder above it.
	    {"-path a file in a copy: the dialog, cancelled", t + "copy/readme/", 0, "", "CANCEL\n", t + "copy/readme/", 0,
	     {t + "copy/"}},
	    {"-path a file: the dialog picks a copy", t + "file/", 0, "", t + "copy\n", t + "copy/", 1, {t}},
	    {"-path below a file: the dialog, cancelled", t + "file/sub/", 0, "", "CANCEL\n", t + "file/sub/", 0, {t}},
	    {"no option: the home folder, a copy here", "", 0, "", "", home, 1, {}},
	    {"a saved copy", "", 0, t + "copy/", "", t + "copy/", 1, {}},
	    {"a saved non-copy, the dialog cancelled", "", 0, t + "other/", "CANCEL\n", t + "other/Skyrell/", 0,
	     {t + "other/"}},
	    {"always ask, although the saved folder is a copy", "", 1, t + "copy/", t + "copy\n", t + "copy/", 1,
	     {t + "copy/"}},
	    {"always ask: a non-copy is asked again", "", 1, t + "copy/", t + "other\n" + t + "copy\n", t + "copy/",
	     1, {t + "copy/", t + "other/"}},
	    {"always ask, cancelled twice: the saved folder unjudged", "", 1, t + "other/", "CANCEL\nCANCEL\n",
	     t + "other/", 0, {t + "other/", t + "other/"}},
	};
	write_text_file(t + "copy/readme", "a file");
	write_text_file(t + "file", "a file");
	for (row const& r : rows) {
		SCOPED_TRACE(r.what);
		// The preference file as the previous run left it.
		stg.always_ask_dir = r.always_ask;
		dest_dir_path = r.saved_dest;
		unlink((config + "Skyrell Installer.prf").c_str());
		pref.IO_set(11, 1);
		stg = stg_struct{};
		dest_dir_path.clear();
		write_text_file(answers_file, r.answers);
		unlink(calls_file.c_str());

		start_installer(r.dest_arg);
		EXPECT_EQ(dest_dir_path, r.dest);
		EXPECT_EQ(stg.dest_valid, r.valid);
		EXPECT_EQ(stg.server_count, -1);
		EXPECT_EQ(install_name, "Not Yet Scanned");
		std::vector<std::string> const got = calls();
		ASSERT_EQ(got.size(), r.starts.size());
		for (size_t i = 0; i < got.size(); ++i) {
			EXPECT_NE(got[i].find("--directory"), std::string::npos) << got[i];
			std::string const start = " --filename=" + r.starts[i];
			EXPECT_TRUE(got[i].size() > start.size() && got[i].compare(got[i].size() - start.size(), start.size(), start) == 0)
			    << got[i];
			EXPECT_NE(got[i].find("Pick a folder to install Skyrell to! Be sure to pick your existing folder if "
			                      "you already have one!"),
			          std::string::npos)
			    << got[i];
		}
		EXPECT_EQ(read_text_file(answers_file), "") << "answers left over";
	}
	// Both folders logged once per start-up.
	std::string const text = read_text_file(log), both = "os_dir_apps:" + home + "\nos_dir_temp:" + temp_path + "\n";
	size_t found = 0;
	for (size_t at = text.find(both); at != std::string::npos; at = text.find(both, at + 1)) ++found;
	EXPECT_EQ(found, rows.size()) << text;
	EXPECT_EQ(stls.text[STL_alert_button], "OK");
	EXPECT_TRUE(recorded_alerts().empty());
}

}  // namespace
