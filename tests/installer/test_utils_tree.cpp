// The folder tree of an install on a temporary destination, and the fill of
// the scanning panel's bar.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/io_utils.h"
#include "installer/utils.h"
#include "shell/app_callbacks.h"
#include "support/logged_test.h"

// The frame loop's calls into the application (the scheduler's unit is
// linked in): nothing runs behind the windows here.
void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

file_version_struct version(std::string const& name, int platform, std::string const& sig)
{
	file_version_struct v{};
	v.platform = platform;
	v.sig_want = sig;
	v.name = name;
	return v;
}

void list(std::vector<file_version_struct> const& last_versions)
{
	sim_info.clear();
	for (file_version_struct const& v : last_versions) sim_info.push_back({{v}});
}

bool is_dir(std::string const& p)
{
	struct stat st;
	return lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
bool exists(std::string const& p)
{
	struct stat st;
	return lstat(p.c_str(), &st) == 0;
}

struct TreeTest : logged_test {
	std::string dest;
	void SetUp() override
	{
		logged_test::SetUp();
		dest = dir.path() + "a/b/Skyrell/";
		dest_dir_path = dest;
		stg.download_os = 2;
	}
};

std::string const kSig = "900150983cd24fb0d6963f7d28e17f72";

TEST_F(TreeTest, MakesTheChainTheWantedFoldersAndTheFixedOnes)
{
	list({version("All/Resources/plugins/x.txt", 0, kSig),
	      version("All/Aircraft/Heavy Jets/B1/b1.acf", 2, kSig),  // this platform
	      version("All/Aircraft/Mac Only/m.acf", 1, kSig),        // another platform
	      version("All/Old/Deep/gone.txt", 0, "GONE"),
	      version("All/readme", 0, kSig),  // top level: no folder
	      version("bare", 0, kSig)});
	EXPECT_EQ(make_dirs(), 1);
	EXPECT_TRUE(recorded_alerts().empty());
	for (char const* folder : {"", "Resources", "Resources/plugins", "Aircraft", "Aircraft/Heavy Jets",
	                           "Aircraft/Heavy Jets/B1", "Output", "Output/FMS plans", "Output/logbooks",
	                           "Output/movies", "Output/situations", "Resources/preferences"})
		EXPECT_TRUE(is_dir(dest + folder)) << folder;
	for (char const* absent : {"Aircraft/Mac Only", "Old", "readme", "bare", "All"})
		EXPECT_FALSE(exists(dest + absent)) << absent;

	// Again over the existing tree: silent.
	make_dirs();
	EXPECT_TRUE(recorded_alerts().empty());
}

// A folder that cannot be made ends the tree with one alert naming it:
// whatever follows would fail for the same cause.
TEST_F(TreeTest, TheFirstFailureIsTheOnlyAlert)
{
	struct row {
		char const* what;
		std::string blocker;  // a file where a folder goes, relative to the test folder
		std::string dest;     // relative to the test folder
		std::string path;     // the one alert's path, relative to the test folder
		std::vector<std::string> absent;  // not tried after it
	};
	std::vector<row> const rows = {
	    {"the destination chain", "c/file", "c/file/Skyrell/", "c/file/Skyrell", {"c/file/Skyrell/One"}},
	    {"a wanted folder", "w/Skyrell/One", "w/Skyrell/", "w/Skyrell/One/Deep", {"w/Skyrell/Two", "w/Skyrell/Output"}},
	    {"a working folder", "k/Skyrell/Output", "k/Skyrell/", "k/Skyrell/Output:FMS plans",
	     {"k/Skyrell/Output/logbooks", "k/Skyrell/Resources/preferences"}},
	};
	list({version("All/One/Deep/x", 0, kSig), version("All/Two/y", 0, kSig)});
	for (row const& r : rows) {
		SCOPED_TRACE(r.what);
		std::string const blocker = dir.path() + r.blocker;
		ASSERT_EQ(system(("mkdir -p '" + blocker.substr(0, blocker.rfind('/')) + "'").c_str()), 0);
		write_text_file(blocker, "not a folder");
		dest_dir_path = dir.path() + r.dest;
		size_t const before = recorded_alerts().size();
		EXPECT_EQ(make_dirs(), 0);
		EXPECT_EQ(recorded_alerts().size(), before + 1);
		std::string const lines =
		    "I am unable to install or update Skyrell. An error occurred while creating new folders. Make sure "
		    "you are installing to a directory that you have access to!\nError: " +
		    error_str(ENOTDIR) + "\nInstall Location: " + dest_dir_path + "\nInstall Path:" + dir.path() + r.path +
		    "\n(utils line ";
		EXPECT_NE(read_text_file(log).find(lines), std::string::npos) << read_text_file(log);
		for (std::string const& a : r.absent) EXPECT_FALSE(exists(dir.path() + a)) << a;
	}
}

TEST_F(TreeTest, FrameworkEntriesMovedAsideUnlessLinks)
{
	std::string const pm = dest + "Resources/plugins/SKPM.framework/";
	std::string const wg = dest + "Resources/plugins/SKWidgets.framework/";
	ASSERT_EQ(system(("mkdir -p '" + pm + "Versions/Current' '" + pm + "Resources' '" + wg + "Versions/A'").c_str()),
	          0);
	ASSERT_EQ(symlink("A", (wg + "Versions/Current").c_str()), 0);
	ASSERT_EQ(symlink("Versions/Current/Resources", (wg + "Resources").c_str()), 0);
	list({});
	make_dirs();
	EXPECT_TRUE(recorded_alerts().empty());
	EXPECT_TRUE(is_dir(pm + "Versions/_Current"));
	EXPECT_FALSE(exists(pm + "Versions/Current"));
	EXPECT_TRUE(is_dir(pm + "_Resources"));
	EXPECT_FALSE(exists(pm + "Resources"));
	// The links stay where they are.
	EXPECT_TRUE(is_sim_link((wg + "Versions/Current").c_str(), nullptr));
	EXPECT_TRUE(is_sim_link((wg + "Resources").c_str(), nullptr));
	EXPECT_FALSE(exists(wg + "Versions/_Current"));
	EXPECT_FALSE(exists(wg + "_Resources"));
}

// Links inside the destination (an archive restores them) never carry a
// folder, or a framework's move, outside it.
TEST_F(TreeTest, NothingIsMadeOrMovedThroughALink)
{
	std::string const outside = dir.path() + "outside/";
	ASSERT_EQ(system(("mkdir -p '" + dest + "' '" + outside + "plugins/SKPM.framework/Resources'").c_str()), 0);
	ASSERT_EQ(symlink(outside.c_str(), (dest + "Linked").c_str()), 0);
	ASSERT_EQ(symlink(outside.c_str(), (dest + "Output").c_str()), 0);
	ASSERT_EQ(symlink(outside.c_str(), (dest + "Resources").c_str()), 0);
	list({version("All/Linked/new/deep/x.txt", 0, kSig), version("All/Real/y.txt", 0, kSig)});
	make_dirs();
	for (char const* made : {"new", "FMS plans", "logbooks", "movies", "situations", "preferences",
	                         "plugins/SKPM.framework/_Resources"})
		EXPECT_FALSE(exists(outside + made)) << made;
	EXPECT_TRUE(is_dir(outside + "plugins/SKPM.framework/Resources"));
	EXPECT_TRUE(is_dir(dest + "Real"));
	EXPECT_NE(read_text_file(log).find("WARNING: I am not touching " + dest + "Linked/new because it is not inside "
	                                   "the destination.\n"),
	          std::string::npos);
}

// Releases that reshape the tree: what the release drops is cleared from
// the way of what it now puts there, names take the release's letter case,
// and what the install must not delete stops it before anything changes.
struct way_case {
	char const* what;
	std::vector<file_version_struct> listed;  // current versions, decided
	std::vector<std::string> disk;            // files, or folders ending in "/"
	int result;
	std::vector<std::string> after;  // entries below the destination but the working folders
	std::string blocked;             // the path the one alert names
};

// A listed file to install, with what its signature found on disk.
file_version_struct now(std::string const& name, std::string const& have = "NONE")
{
	file_version_struct v = version(name, 0, kSig);
	v.sig_have = have;
	return v;
}
// A file the release drops, decided: deleted (1) or kept (0).
file_version_struct gone(std::string const& name, int del_it)
{
	file_version_struct v = version(name, 0, "GONE");
	v.sig_have = kSig;
	v.del_it = del_it;
	return v;
}

void entries(std::string const& root, std::string const& rel, std::vector<std::string>& out)
{
	DIR* d = opendir((root + rel).c_str());
	ASSERT_NE(d, nullptr) << root + rel;
	while (dirent* e = readdir(d)) {
		std::string const name = e->d_name;
		if (name == "." || name == "..") continue;
		std::string const path = rel + name + (is_dir(root + rel + name) ? "/" : "");
		if (path == "Output/" || path == "Resources/") continue;  // working folders every install makes
		out.push_back(path);
		if (path.back() == '/') entries(root, path, out);
	}
	closedir(d);
}

TEST_F(TreeTest, ReshapedReleasesClearTheWay)
{
	g_case_sensitive = 1;  // as on this system's start-up
	std::vector<way_case> const cases = {
	    {"a file where a folder goes is deleted first",
	     {gone("All/Aircraft/Trainer", 1), now("All/Aircraft/Trainer/t.acf")}, {"Aircraft/Trainer"}, 1,
	     {"Aircraft/", "Aircraft/Trainer/"}, ""},
	    {"a folder where a file goes is emptied of what the release drops and removed",
	     {gone("All/Aircraft/Glider/a.acf", 1), gone("All/Aircraft/Glider/sub/b.acf", 1), now("All/Aircraft/Glider")},
	     {"Aircraft/Glider/a.acf", "Aircraft/Glider/sub/b.acf"}, 1, {"Aircraft/"}, ""},
	    {"a user's file in that folder stops the install, nothing changed",
	     {gone("All/Aircraft/Glider/a.acf", 1), now("All/Aircraft/Glider")},
	     {"Aircraft/Glider/a.acf", "Aircraft/Glider/mine.txt"}, 0,
	     {"Aircraft/", "Aircraft/Glider/", "Aircraft/Glider/a.acf", "Aircraft/Glider/mine.txt"}, "Aircraft/Glider"},
	    {"a half-written file a killed run left in that folder goes with it",
	     {gone("All/Aircraft/Glider/a.acf", 1), now("All/Aircraft/Glider")},
	     {"Aircraft/Glider/a.acf", "Aircraft/Glider/.new-1073741822-3"}, 1, {"Aircraft/"}, ""},
	    {"a file the user keeps where a folder goes stops the install",
	     {gone("All/Aircraft/Trainer", 0), now("All/Aircraft/Trainer/t.acf")}, {"Aircraft/Trainer"}, 0,
	     {"Aircraft/", "Aircraft/Trainer"}, "Aircraft/Trainer"},
	    {"names and folders take the release's letter case",
	     {now("All/Instructions/NOTES.txt", kSig), now("All/Airfoils/wing.afl", "1d"),
	      now("All/Aircraft/TRAINER/t.acf", kSig), now("All/Aircraft/TRAINER/new.acf")},
	     {"Instructions/Notes.txt", "Airfoils/Wing.afl", "Aircraft/Trainer/t.acf"}, 1,
	     {"Aircraft/", "Aircraft/TRAINER/", "Aircraft/TRAINER/t.acf", "Airfoils/", "Airfoils/wing.afl",
	      "Instructions/", "Instructions/NOTES.txt"},
	     ""},
	    {"a name spelled exactly is left as it is, beside another spelling",
	     {now("All/Instructions/NOTES.txt", kSig)}, {"Instructions/NOTES.txt", "Instructions/Notes.txt"}, 1,
	     {"Instructions/", "Instructions/NOTES.txt", "Instructions/Notes.txt"}, ""},
	};
	int n = 0;
	for (way_case const& c : cases) {
		SCOPED_TRACE(c.what);
		dest = dir.path() + "case" + std::to_string(n++) + "/";
		dest_dir_path = dest;
		ASSERT_EQ(system(("mkdir -p '" + dest + "Resources'").c_str()), 0);  // as every release has it
		for (std::string const& p : c.disk) {
			ASSERT_EQ(system(("mkdir -p '" + dest + file_folder(p) + "'").c_str()), 0);
			if (p.back() != '/') write_text_file(dest + p, "old " + p);
		}
		list(c.listed);
		size_t const alerts = recorded_alerts().size();
		int const result = clear_the_way();
		EXPECT_EQ(result, c.result);
		if (result == 1) make_dirs();
		std::vector<std::string> got;
		entries(dest, "", got);
		std::sort(got.begin(), got.end());
		EXPECT_EQ(got, c.after);
		EXPECT_EQ(recorded_alerts().size(), alerts + (c.blocked.empty() ? 0 : 1));
		if (!c.blocked.empty()) {
			EXPECT_NE(read_text_file(log).find("\nIt is:\n" + dest + c.blocked + "\n(utils line "), std::string::npos);
		}
		if (c.disk[0] == "Instructions/Notes.txt") {  // a renamed file keeps its content
			EXPECT_EQ(read_text_file(dest + "Instructions/NOTES.txt"), "old Instructions/Notes.txt");
		}
	}
	g_case_sensitive = 0;
}

TEST(DirProgressFraction, Table)
{
	struct row {
		float lo, cur, hi, fraction;
	};
	row const rows[] = {
	    {5, 5, 5, 0.52f},    {5, 100, 5, 0.52f},  // lo equal to hi
	    {0, 0, 100, 0.04f},  {0, 50, 100, 0.52f}, {0, 100, 100, 1.0f},
	    {10, 0, 20, 0.04f},  // below lo: the minimum
	    {0, 200, 100, 1.0f}, {0, 25, 100, 0.28f},
	};
	for (row const& r : rows)
		EXPECT_NEAR(dir_progress_fraction(r.lo, r.cur, r.hi), r.fraction, 1e-6) << r.lo << " " << r.cur << " " << r.hi;
}

}  // namespace
