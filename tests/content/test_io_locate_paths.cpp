// Scenery resource locators and the package of a path, against files placed
// in a temporary application folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "content/io_locate.h"
#include "foundation/app_globals.h"
#include "support/logged_test.h"

namespace {

namespace fs = std::filesystem;

struct LocateTest : logged_test {
	void SetUp() override
	{
		logged_test::SetUp();
		app_path = dir.path() + "app/";
		fs::create_directories(app_path);
	}
	void place(std::string const& rel)
	{
		fs::create_directories(fs::path(app_path + rel).parent_path());
		write_text_file(app_path + rel, "x");
	}
	std::vector<std::string> log_lines()
	{
		std::vector<std::string> out;
		std::istringstream in(read_text_file(log));
		std::string line;
		while (std::getline(in, line)) out.push_back(line);
		return out;
	}
};

std::string const P = "Custom Scenery/A/";

// A texture's ten names: .png then .bmp in each of five folders.
std::vector<std::string> textures(std::string const& first_folder, std::string const& package_folder,
                                  std::string const& png, std::string const& bmp)
{
	std::vector<std::string> out;
	for (std::string const& f : {first_folder, package_folder, std::string("Resources/bitmaps/terrain/"),
	                             std::string("Resources/")}) {
		out.push_back(f + png);
		out.push_back(f + bmp);
	}
	return out;
}

struct locate_case {
	char const* name;
	std::function<void(bool log_failure, std::string& result)> call;
	std::string path;  // as passed, for the failure lines
	std::string line_lead;  // failure line up to the candidate
	std::vector<std::string> candidates;
};

}  // namespace

TEST_F(LocateTest, EachCandidateIsFoundInItsTurnAndFailuresListThemAll)
{
	std::string const nolib_lead = "Failed to find resource '";
	std::vector<locate_case> cases;
	auto nolib = [&](char const* name, int kind, std::string path, std::string package,
	                 std::vector<std::string> cands) {
		cases.push_back({name,
		                 [=](bool log_failure, std::string& result) {
			                 DSF_LocateResourceNoLib(kind, path, package, log_failure, result);
		                 },
		                 path, "Failed to find resource '" + path + "' at '", cands});
	};
	auto secondary = [&](char const* name, int kind, int referrer, std::string parent, std::string path,
	                     std::vector<std::string> cands) {
		cases.push_back({name,
		                 [=](bool log_failure, std::string& result) {
			                 DSF_LocateResourceSecondary(kind, referrer, parent, path, log_failure, result);
		                 },
		                 path, "Failed to find resource '" + path + "' (parent = '" + parent + "' at '", cands});
	};

	std::vector<std::string> wood = textures(P, P + "custom terrain textures/", "wood.png", "wood.bmp");
	wood.insert(wood.begin() + 4, {P + "custom object textures/wood.png", P + "custom object textures/wood.bmp"});
	nolib("NoLib texture", 1, "wood.dds", P, wood);
	std::vector<std::string> short_name = textures(P, P + "custom terrain textures/", "a.pn", "a.pn");
	short_name.insert(short_name.begin() + 4,
	                  {P + "custom object textures/a.pn", P + "custom object textures/a.pn"});
	nolib("NoLib texture of four characters", 1, "a.pn", P, short_name);
	nolib("NoLib terrain", 2, "t:g.png", P,
	      {P + "t/g.png", P + "custom terrain textures/t/g.png", "Resources/bitmaps/terrain/t/g.png",
	       "Resources/t/g.png"});
	for (int kind = 3; kind <= 7; ++kind)
		nolib("NoLib object", kind, "tree.obj", P,
		      {P + "tree.obj", P + "custom objects/tree.obj", "Resources/objects/tree.obj", "Resources/tree.obj"});
	nolib("NoLib plain", 0, "x\\f.txt", P, {P + "x/f.txt", "Resources/x/f.txt"});
	nolib("NoLib plain, empty package", 0, "f.txt", "", {"f.txt", "Resources/f.txt"});
	nolib("NoLib kind -1", -1, "f.txt", P, {P + "f.txt"});
	nolib("NoLib kind 8", 8, "f.txt", P, {P + "f.txt"});

	std::string const R = P + "objects/";
	secondary("Secondary texture from terrain", 1, 2, R, "wood.dds",
	          textures(R, P + "custom terrain textures/", "wood.png", "wood.bmp"));
	secondary("Secondary texture from an object", 1, 3, R, "wood.dds",
	          textures(R, P + "custom object textures/", "wood.png", "wood.bmp"));
	secondary("Secondary terrain", 2, 3, R, "g.png",
	          {R + "g.png", P + "custom terrain textures/g.png", "Resources/bitmaps/terrain/g.png",
	           "Resources/g.png"});
	secondary("Secondary object", 5, 0, R, "tree.obj",
	          {R + "tree.obj", P + "custom objects/tree.obj", "Resources/objects/tree.obj", "Resources/tree.obj"});
	secondary("Secondary object outside any package", 3, 0, "Other/dir/", "tree.obj",
	          {"Other/dir/tree.obj", "Resources/objects/tree.obj", "Resources/tree.obj"});
	secondary("Secondary plain", 0, 0, R, "f.txt", {R + "f.txt", "Resources/f.txt"});
	secondary("Secondary plain, empty parent", 0, 0, "", "f.txt", {"Resources/f.txt"});
	secondary("Secondary kind 9", 9, 0, R, "f.txt", {R + "f.txt"});
	secondary("Secondary kind 9, empty parent", 9, 0, "", "f.txt", {});

	for (auto const& c : cases) {
		SCOPED_TRACE(c.name);
		for (size_t k = 0; k < c.candidates.size(); ++k) {
			fs::remove_all(app_path);
			place(c.candidates[k]);
			std::string result = "stale";
			c.call(true, result);
			EXPECT_EQ(result, c.candidates[k]) << "candidate " << k;
		}
		fs::remove_all(app_path);
		fs::create_directories(app_path);
		std::vector<std::string> lines;
		for (auto const& cand : c.candidates) lines.push_back(c.line_lead + cand + "'");
		for (bool log_failure : {false, true}) {
			log = open_test_log(dir);
			std::string result = "stale";
			c.call(log_failure, result);
			EXPECT_EQ(result, "");
			EXPECT_EQ(log_lines(), log_failure ? lines : std::vector<std::string>{});
		}
	}
}

TEST_F(LocateTest, CandidatesLeavingTheApplicationFolderAreNotFound)
{
	write_text_file(dir.path() + "secret.obj", "x");
	place("Resources/secret.obj");
	fs::create_directories(app_path + "Resources/x");
	std::string result;
	DSF_LocateResourceNoLib(0, "../secret.obj", "", false, result);
	EXPECT_EQ(result, "");
	DSF_LocateResourceNoLib(0, "x/../../secret.obj", "Resources/", false, result);
	EXPECT_EQ(result, "");
	DSF_LocateResourceNoLib(0, "x/../secret.obj", "Resources/", false, result);
	EXPECT_EQ(result, "Resources/x/../secret.obj");
}

TEST_F(LocateTest, AFolderIsNoFile)
{
	fs::create_directories(app_path + P + "tree.obj");
	place("Resources/tree.obj");
	struct {
		char const* name;
		int kind;
		std::string path, found;
	} const cases[] = {
	    {"a folder of the name", 3, "tree.obj", "Resources/tree.obj"},
	    {"an empty name is the package folder", 0, "", ""},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.name);
		std::string result = "old";
		DSF_LocateResourceNoLib(c.kind, c.path, P, false, result);
		EXPECT_EQ(result, c.found);
		result = "old";
		DSF_LocateResourceSecondary(c.kind, 0, P, c.path, false, result);
		EXPECT_EQ(result, c.found);
	}
}

TEST_F(LocateTest, LibraryComesFirstAndDiskFailuresAreLoggedOnlyWhenItHadNothing)
{
	place(P + "library.txt");
	write_text_file(app_path + P + "library.txt", "I\n800\nLIBRARY\nEXPORT lib/v.obj real.obj\n");
	DSF_ScanSceneryFolder();

	// Primary: the library's path, even though nothing is on disk there.
	std::string result;
	DSF_LocateResourcePrimary(0, 0, 3, "lib/v.obj", P, true, result);
	EXPECT_EQ(result, P + "real.obj");
	place(P + "disk.obj");
	DSF_LocateResourcePrimary(0, 0, 3, "disk.obj", P, true, result);
	EXPECT_EQ(result, P + "disk.obj");

	using multiple_fn = std::function<void(std::string const&, std::vector<std::string>&)>;
	struct {
		char const* name;
		multiple_fn call;
	} const multiples[] = {
	    {"PrimaryMultiple",
	     [](std::string const& path, std::vector<std::string>& r) {
		     DSF_LocateResourcePrimaryMultiple(0, 0, 3, path, P, true, r);
	     }},
	    {"SecondaryMultipleWithLibrary",
	     [](std::string const& path, std::vector<std::string>& r) {
		     DSF_LocateResourceSecondaryMultipleWithLibrary(0, 0, 3, 0, P, path, true, r);
	     }},
	};
	for (auto const& m : multiples) {
		SCOPED_TRACE(m.name);
		log = open_test_log(dir);
		std::vector<std::string> results = {"stale"};
		m.call("lib/v.obj", results);
		EXPECT_EQ(results, std::vector<std::string>{P + "real.obj"});
		EXPECT_EQ(read_text_file(log), "");

		place(P + "lib/v.obj");
		m.call("lib/v.obj", results);
		EXPECT_EQ(results, (std::vector<std::string>{P + "real.obj", P + "lib/v.obj"}));
		fs::remove(app_path + P + "lib/v.obj");

		m.call("nowhere.obj", results);
		EXPECT_TRUE(results.empty());
		EXPECT_NE(read_text_file(log).find("Failed to find resource 'nowhere.obj'"), std::string::npos);
		EXPECT_EQ(read_text_file(log).find("lib/v.obj"), std::string::npos);
	}
}

TEST(ExtractPackage, PackageFolderOfAPath)
{
	struct {
		char const* path;
		char const* package;
	} const cases[] = {
	    {"Custom Scenery/Alps/objects/tree.obj", "Custom Scenery/Alps/"},
	    {"Custom Scenery:Alps:objects:", "Custom Scenery/Alps/"},
	    {"Resources/default scenery/World/Earth/x.dsf", "Resources/default scenery/World/"},
	    {"Custom Scenery/", ""},
	    {"Custom Scenery/Alps", ""},
	    {"Resources/objects/tree.obj", ""},
	    {"Other/Alps/x", ""},
	    {"", ""},
	};
	for (auto const& c : cases) EXPECT_EQ(extract_package(c.path), c.package) << c.path;
}
