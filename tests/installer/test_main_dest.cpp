// The destination judged over temporary trees, and the state record's
// defaults.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "installer/utils.h"
#include "support/logged_test.h"

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
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.what);
		dest_dir_path = r.dest;
		stg.dest_valid = 1 - r.valid;
		check_dest_path();
		EXPECT_EQ(stg.dest_valid, r.valid);
		EXPECT_EQ(dest_dir_path, r.result);
	}
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

}  // namespace
