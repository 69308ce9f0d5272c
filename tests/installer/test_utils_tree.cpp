// The folder tree of an install on a temporary destination, and the fill of
// the scanning panel's bar.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "foundation/io_utils.h"
#include "installer/utils.h"
#include "support/logged_test.h"

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
	make_dirs();
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

TEST_F(TreeTest, FailuresAreReportedOncePerStep)
{
	write_text_file(dir.path() + "file", "not a folder");
	dest_dir_path = dir.path() + "file/Skyrell/";
	list({version("All/One/x", 0, kSig), version("All/Two/y", 0, kSig)});
	make_dirs();
	std::vector<recorded_alert> const& alerts = recorded_alerts();
	// The chain once, the wanted folders once, each fixed folder alone.
	std::vector<std::string> const paths = {
	    dir.path() + "file/Skyrell",       dir.path() + "file/Skyrell/One",
	    dest_dir_path + "Output",          dest_dir_path + "Output:FMS plans",
	    dest_dir_path + "Output:logbooks", dest_dir_path + "Output:movies",
	    dest_dir_path + "Output:situations", dest_dir_path + "Resources:preferences"};
	ASSERT_EQ(alerts.size(), paths.size());
	std::string const log_text = read_text_file(log);
	for (std::string const& p : paths) {
		std::string const lines =
		    "I am unable to install or update Skyrell. An error occurred while creating new folders. Make sure "
		    "you are installing to a directory that you have access to!\nError: " +
		    error_str(ENOTDIR) + "\nInstall Location: " + dest_dir_path + "\nInstall Path:" + p + "\n(utils line ";
		EXPECT_NE(log_text.find(lines), std::string::npos) << p;
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
