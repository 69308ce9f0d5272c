// Scenery library: the scan and its registry, regions, error reports and
// lookups, against packages written into a temporary application folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "content/io_locate.h"
#include "foundation/app_globals.h"
#include "graphics/image_fixtures.h"
#include "support/logged_test.h"

namespace {

namespace fs = std::filesystem;

std::string const header = "I\n800\nLIBRARY\n";

struct ScenTest : logged_test {
	void SetUp() override
	{
		logged_test::SetUp();
		app_path = dir.path() + "app/";
		fs::create_directories(app_path + "Custom Scenery");
		fs::create_directories(app_path + "Resources/default scenery");
		ogl_inited = 1;  // alerts keep their four lines
		DSF_ScanSceneryFolder();  // an empty library, whatever ran before
		log = open_test_log(dir);
	}

	// A package folder (relative to app_path, ending in "/") with a library file.
	void package(std::string const& folder, std::string const* library)
	{
		fs::create_directories(app_path + folder);
		if (library) write_text_file(app_path + folder + "library.txt", *library);
	}
	void package(std::string const& folder, std::string const& library) { package(folder, &library); }

	// Messages of the log's error entries, in order.
	std::vector<std::string> reports()
	{
		std::vector<std::string> out;
		std::istringstream in(read_text_file(log));
		std::string line;
		while (std::getline(in, line))
			if (line.rfind("***Error with scenery file ", 0) == 0 && std::getline(in, line))
				out.push_back(line.substr(2));
		return out;
	}
};

// "package:real_path:ratio", "!" for a group end and "@region", newest first.
std::string chain(std::string const& vpath)
{
	auto const found = dsf_library.find(vpath);
	if (found == dsf_library.end()) return "";
	std::string out;
	for (lib_entry const* e = found->second; e; e = e->next) {
		if (!out.empty()) out += " ";
		out += std::to_string(e->package) + ":" + e->real_path + ":" +
		       std::to_string(e->ratio_word & lib_ratio_mask);
		if (e->ratio_word & lib_group_end) out += "!";
		if (e->ratio_word & ~(lib_ratio_mask | lib_group_end)) out += "?";
		if (e->region) out += "@" + e->region->name;
	}
	return out;
}

int lit_cells(lib_region const* r)
{
	int n = 0;
	for (int i = 0; i < lib_region_cells; ++i) n += r->mask[i] != 0;
	return n;
}

}  // namespace

// ---- the package list ---------------------------------------------------------------

TEST_F(ScenTest, PackagesAreListedCustomFirstAndLogged)
{
	package("Resources/default scenery/World/", nullptr);
	package("Custom Scenery/Zeta/", nullptr);
	package("Custom Scenery/Alps/", nullptr);
	write_text_file(app_path + "Custom Scenery/not a folder.txt", "x");

	DSF_ScanSceneryFolder();

	EXPECT_EQ(scenery_packages, (std::vector<std::string>{"Custom Scenery/Alps/", "Custom Scenery/Zeta/",
	                                                      "Resources/default scenery/World/"}));
	EXPECT_EQ(package_is_custom, (std::vector<int>{1, 1, 0}));
	EXPECT_EQ(package_problems, (std::vector<int>{0, 0, 0}));
	EXPECT_EQ(read_text_file(log),
	          "I found the following scenery packages (prioritized in this order):\n"
	          "  0 Custom Scenery/Alps/\n"
	          "  1 Custom Scenery/Zeta/\n"
	          "  2 Resources/default scenery/World/\n");
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(ScenTest, NoPackagesLogsTheHeaderOnlyAndARescanForgetsTheOldLibrary)
{
	package("Custom Scenery/A/", header + "EXPORT v a.obj\n");
	DSF_ScanSceneryFolder();
	ASSERT_EQ(chain("v"), "0:a.obj:1");

	fs::remove_all(app_path + "Custom Scenery/A");
	log = open_test_log(dir);
	DSF_ScanSceneryFolder();

	EXPECT_TRUE(scenery_packages.empty());
	EXPECT_TRUE(dsf_library.empty());
	EXPECT_EQ(read_text_file(log), "I found the following scenery packages (prioritized in this order):\n");
	std::string path = "v";
	EXPECT_FALSE(DSF_LookupLibraryResourceAnywhere(path));
}

// ---- the registry ---------------------------------------------------------------------

TEST_F(ScenTest, LibraryFilesBuildTheChainsAndReportTheirProblems)
{
	// Package 0 is Custom Scenery/A/, package 1 Custom Scenery/B/ (read first).
	struct {
		char const* name;
		std::string a, b;  // library files; "-" for none
		char const* vpath;
		std::string chain;
		std::vector<std::string> reports;
	} const cases[] = {
	    {"higher EXPORT hides the lower", header + "EXPORT v a.obj\n", header + "EXPORT v b.obj\n", "v",
	     "0:a.obj:1! 1:b.obj:1", {}},
	    {"EXPORT_EXTEND joins the lower group", header + "EXPORT_EXTEND v a.obj\n",
	     header + "EXPORT v b.obj\n", "v", "0:a.obj:1 1:b.obj:1", {}},
	    {"two exports of one package, CR LF lines", "I\r\n800\r\nLIBRARY\r\nEXPORT v a1\r\n\r\n  EXPORT\tv a2\r\n",
	     "-", "v", "0:a2:1 0:a1:1", {}},
	    {"CR lines, rest of line keeps its blanks", "-", "A\r800\rLIBRARY extra\rEXPORT v  b c  \r", "v",
	     "1:b c  :1", {}},
	    {"ratio 0", header + "EXPORT_RATIO 0 v a\n", "-", "v", "0:a:0!", {}},
	    {"ratio 2^24", header + "EXPORT_RATIO 16777216 v a\n", "-", "v", "0:a:0!",
	     {"Library error: you cannot have a ratio of more than 2^24 lib items for a -> v."}},
	    {"ratio -1", header + "EXPORT_RATIO -1 v a\n", "-", "v", "0:a:16777215!",
	     {"Library error: you cannot have a ratio of more than 2^24 lib items for a -> v."}},
	    {"ratio hides its own package's older entry", header + "EXPORT v a1\nEXPORT_RATIO 2 v a2\n", "-", "v",
	     "0:a2:2! 0:a1:1", {}},
	    {"version 810", "I\n810\nLIBRARY\nEXPORT v a\n", "-", "v", "",
	     {"Incorrect version for scenery library file.  Will skip."}},
	    {"first line B", "B\n800\nLIBRARY\nEXPORT v a\n", "-", "v", "",
	     {"Incorrect version for scenery library file.  Will skip."}},
	    {"LIBRARY2", "I\n800\nLIBRARY2\nEXPORT v a\n", "-", "v", "",
	     {"Incorrect version for scenery library file.  Will skip."}},
	    {"empty library file", "", "-", "v", "", {"Incorrect version for scenery library file.  Will skip."}},
	    {"missing library file", "-", "-", "v", "", {}},
	    {"words that only start like commands", header + "EXPORTS v x\nEXPORT_EXTENDED v y\nEXPORT\nEXPORT v a\n",
	     "-", "v", "0:a:1", {}},
	    {"a region of one file is unknown in the next",
	     header + "REGION R\nEXPORT v a\n",
	     header + "REGION_DEFINE R\nREGION_RECT 0 0 1 1\nREGION R\nEXPORT v b\n", "v", "0:a:1! 1:b:1@R",
	     {"REGION R - region unknown.  Ingoring"}},
	    {"a name may be defined again in the next file",
	     header + "REGION_DEFINE R\nREGION R\nEXPORT v a\n",
	     header + "REGION_DEFINE R\nREGION R\nEXPORT v b\n", "v", "0:a:1!@R 1:b:1@R", {}},
	    {"REGION_BITMAP without a region", header + "REGION_BITMAP m.bmp\nEXPORT v a\n", "-", "v", "0:a:1",
	     {"REGION_BITMAP used with no region defined.  REGION_BITMAP will be ignored."}},
	    {"REGION_DEFINE repeated, then REGION_RECT",
	     header + "REGION_DEFINE R\nREGION_DEFINE R\nREGION_RECT -10 -10 10 10\nEXPORT v a\n", "-", "v", "0:a:1",
	     {"REGION_DEFINE R - region already defined.  Ignoring.",
	      "REGION_RECT command used but no region has been defined."}},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.name);
		fs::remove_all(app_path + "Custom Scenery");
		package("Custom Scenery/A/", c.a == "-" ? nullptr : &c.a);
		package("Custom Scenery/B/", c.b == "-" ? nullptr : &c.b);
		log = open_test_log(dir);
		alert_recorder_install();

		DSF_ScanSceneryFolder();

		EXPECT_EQ(chain(c.vpath), c.chain);
		EXPECT_EQ(reports(), c.reports);
		EXPECT_EQ(recorded_alerts().size(), c.reports.empty() ? 0u : 1u);
	}
}

TEST_F(ScenTest, RegisterEntryLinksByTheGroupRule)
{
	scenery_packages = {"P0/", "P1/"};
	struct {
		int package, extend;
		uint32_t ratio_word;
		char const* chain;
	} const steps[] = {
	    {1, 0, 1, "1:x:1"},
	    {1, 0, 1, "1:x:1 1:x:1"},
	    {0, 1, 1, "0:x:1 1:x:1 1:x:1"},
	    {0, 0, 1, "0:x:1 0:x:1 1:x:1 1:x:1"},
	    {1, 0, 1, "1:x:1! 0:x:1 0:x:1 1:x:1 1:x:1"},
	};
	for (auto const& s : steps) {
		DSF_RegisterEntry("v", new lib_entry{reinterpret_cast<lib_entry*>(8), nullptr, s.package, s.ratio_word, "x"},
		                  s.extend);
		EXPECT_EQ(chain("v"), s.chain);
	}
}

// ---- regions --------------------------------------------------------------------------

// A 24-bit BMP, black but for the listed pixels (x, row from the bottom).
std::string bmp_with(int w, int h, std::vector<std::pair<int, int>> const& lit)
{
	int const stride = (w * 3 + 3) / 4 * 4;
	std::vector<unsigned char> px(static_cast<size_t>(stride) * h, 0);
	for (auto const& p : lit) {
		unsigned char* at = &px[static_cast<size_t>(p.second) * stride + p.first * 3];
		at[0] = 30, at[1] = 60, at[2] = 90;
	}
	return bmp_bytes(w, h, 24, 0, px);
}

TEST_F(ScenTest, RegionRectanglesAndBitmapsMarkTheirCells)
{
	struct {
		char const* name;
		std::string lines;
		std::string bmp;  // written as m.bmp in the package when not empty
		int lit;
		std::vector<std::pair<int, int>> inside, outside;  // lon, lat
		std::vector<std::string> reports;
	} const cases[] = {
	    {"whole earth", "REGION_RECT -180 -90 179 89\n", "", 64800, {{-180, -90}, {179, 89}, {0, 0}}, {}, {}},
	    {"two rectangles add up", "REGION_RECT -1 -2 0 3\nREGION_RECT 10 10 10 10\n", "", 13,
	     {{-1, -2}, {0, 3}, {-1, 3}, {10, 10}}, {{-2, 0}, {1, 0}, {0, -3}, {0, 4}, {10, 11}}, {}},
	    {"west east of east", "REGION_RECT 10 20 5 30\n", "", 0, {}, {},
	     {"The boundaries to a REGION_RECT command are out of range: 190,110->185,120"}},
	    {"east of 179", "REGION_RECT 0 0 180 0\n", "", 0, {}, {},
	     {"The boundaries to a REGION_RECT command are out of range: 180,90->360,90"}},
	    {"south of -90", "REGION_RECT 0 -91 0 0\n", "", 0, {}, {},
	     {"The boundaries to a REGION_RECT command are out of range: 180,-1->180,90"}},
	    {"numbers at the int limits", "REGION_RECT 2147483647 -2147483648 0 0\n", "", 0, {}, {},
	     {"The boundaries to a REGION_RECT command are out of range: 2147483827,-2147483558->180,90"}},
	    {"bitmap replaces a rectangle", "REGION_RECT -180 -90 179 89\nREGION_BITMAP m.bmp\n",
	     bmp_with(360, 180, {{0, 0}}), 1, {{-180, -90}}, {{-180, -89}, {-179, -90}, {179, 89}}, {}},
	    {"bitmap rows run south to north", "REGION_BITMAP m.bmp\n", bmp_with(360, 180, {{359, 179}, {200, 100}}), 2,
	     {{179, 89}, {20, 10}}, {{179, -90}, {-180, 89}}, {}},
	    {"bitmap of the wrong size", "REGION_RECT 0 0 0 0\nREGION_BITMAP m.bmp\n", bmp_with(361, 180, {}), 1,
	     {{0, 0}}, {},
	     {"REGION_BITMAP with bitmap m.bmp has a size of 361, 180 but need sa size of 360x180."}},
	    {"missing bitmap", "REGION_RECT 0 0 0 0\nREGION_BITMAP none.bmp\n", "", 1, {{0, 0}}, {},
	     {"Unable to load bitmap file 'none.bmp' for REGION_BITMAP command - will skip."}},
	    {"bitmap outside the package", "REGION_BITMAP ../B/m.bmp\n", "", 0, {}, {},
	     {"Unable to load bitmap file '../B/m.bmp' for REGION_BITMAP command - will skip."}},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.name);
		fs::remove_all(app_path + "Custom Scenery");
		package("Custom Scenery/A/", header + "REGION_DEFINE R\n" + c.lines + "REGION R\nEXPORT v a\n");
		package("Custom Scenery/B/", nullptr);
		if (!c.bmp.empty()) write_text_file(app_path + "Custom Scenery/A/m.bmp", c.bmp);
		write_text_file(app_path + "Custom Scenery/B/m.bmp", bmp_with(360, 180, {{5, 5}}));
		log = open_test_log(dir);
		DSF_ScanSceneryFolder();

		ASSERT_NE(dsf_library.count("v"), 0u);
		lib_region const* r = dsf_library["v"]->region;
		ASSERT_NE(r, nullptr);
		EXPECT_EQ(lit_cells(r), c.lit);
		for (auto const& p : c.inside) EXPECT_EQ(r->mask[lib_region_cell(p.first, p.second)], 1) << p.first << "," << p.second;
		for (auto const& p : c.outside) EXPECT_EQ(r->mask[lib_region_cell(p.first, p.second)], 0) << p.first << "," << p.second;
		EXPECT_EQ(reports(), c.reports);
	}
}

// ---- error reports -------------------------------------------------------------------------

TEST_F(ScenTest, NonFatalReportLogsAndAlertsOncePerPackage)
{
	package("Custom Scenery/Alps/", nullptr);
	package("Resources/default scenery/World/", nullptr);
	DSF_ScanSceneryFolder();
	log = open_test_log(dir);

	__DSF_NonFatalError("dsf_reader", 42, "Resources/default scenery/World/Earth/+40-130.dsf", "bad %s %d",
	                    "point", 7);
	__DSF_NonFatalError("dsf_reader", 43, "Resources/default scenery/World/x.obj", "again");
	__DSF_NonFatalError("dsf_reader", 44, "Elsewhere/x.dsf", "outside");
	__DSF_NonFatalError("dsf_reader", 45, "Elsewhere/x.dsf", "outside");

	std::string const want =
	    "***Error with scenery file \"Resources/default scenery/World/Earth/+40-130.dsf\" (dsf_reader: 42.)\n"
	    "  bad point 7\n"
	    "Error loading the scenery package:\nResources/default scenery/World/\n";
	EXPECT_EQ(read_text_file(log).substr(0, want.size()), want);
	EXPECT_EQ(package_problems, (std::vector<int>{0, 1}));
	ASSERT_EQ(recorded_alerts().size(), 3u);
	auto const& first = recorded_alerts()[0];
	EXPECT_EQ(first.severity, 1);
	EXPECT_EQ(first.msg1, "Error loading the scenery package:");
	EXPECT_EQ(first.msg2, "Resources/default scenery/World/");
	EXPECT_EQ(first.msg3, "The scenery may not look correct.");
	EXPECT_EQ(first.msg4, "Please see the log.txt file for detailed error information.");
	for (int i : {1, 2}) EXPECT_EQ(recorded_alerts()[i].msg2, "Elsewhere/x.dsf");
	EXPECT_EQ(reports(), (std::vector<std::string>{"bad point 7", "again", "outside", "outside"}));
	EXPECT_NE(read_text_file(log).find("(dsf_reader: 43.)\n  again\n***Error"), std::string::npos);
}

TEST_F(ScenTest, LongMessageIsCutToTheBuffer)
{
	std::string const long_text(5000, 'x');
	__DSF_NonFatalError("src", 1, "Elsewhere/f", "%s", long_text.c_str());
	EXPECT_EQ(reports(), std::vector<std::string>{std::string(4095, 'x')});
}

using ScenDeathTest = ScenTest;

TEST_F(ScenDeathTest, FatalReportNamesTheWayOut)
{
	package("Custom Scenery/Alps/", nullptr);
	package("Resources/default scenery/World/", nullptr);
	DSF_ScanSceneryFolder();
	struct {
		char const* file;
		char const* second;
		char const* third;
	} const cases[] = {
	    {"Custom Scenery/Alps/a.dsf", "Custom Scenery/Alps/",
	     "Skyrell cannot run with this package installed - you may need to remove the custom  scenery package."},
	    {"Resources/default scenery/World/a.dsf", "Resources/default scenery/World/",
	     "Skyrell cannot run with this package installed - You may need to reinstall Skyrell."},
	    {"Elsewhere/a.dsf", "Elsewhere/a.dsf", "Skyrell cannot run with this corrupt file."},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.file);
		log = open_test_log(dir);
		EXPECT_EXIT(__DSF_FatalError("src", 9, c.file, "broken %d", 3), ::testing::ExitedWithCode(1), "");
		std::string const want = std::string("***Error with scenery file \"") + c.file +
		                         "\" (src: 9.)\n  broken 3\nError loading the scenery package:\n" + c.second + "\n" +
		                         c.third + "\nPlease see the log.txt file for detailed error information.\n" +
		                         "(io_locate line ";
		std::string const text = read_text_file(log);
		EXPECT_EQ(text.substr(0, want.size()), want);
		EXPECT_EQ(text.substr(text.size() - 2), ")\n");
	}
}

// ---- lookups -------------------------------------------------------------------------------

TEST_F(ScenTest, MultipleListsTheGroupByRatio)
{
	package("Custom Scenery/A/", header + "EXPORT_RATIO 3 v old.obj\nEXPORT v new.obj\n");
	package("Custom Scenery/B/", header + "EXPORT v hidden.obj\n");
	DSF_ScanSceneryFolder();

	std::vector<std::string> results = {"stale"};
	EXPECT_TRUE(DSF_LookupLibraryResourceMultiple(0, 0, "v", results));
	EXPECT_EQ(results, (std::vector<std::string>{"Custom Scenery/A/new.obj", "Custom Scenery/A/old.obj",
	                                             "Custom Scenery/A/old.obj", "Custom Scenery/A/old.obj"}));
	results = {"stale"};
	EXPECT_FALSE(DSF_LookupLibraryResourceMultiple(0, 0, "absent", results));
	EXPECT_TRUE(results.empty());
}

TEST_F(ScenTest, DrawsFollowTheWeights)
{
	struct {
		char const* name;
		std::string library;
		std::map<std::string, double> share;
	} const cases[] = {
	    {"three exports", header + "EXPORT v a\nEXPORT v b\nEXPORT v c\n",
	     {{"Custom Scenery/A/a", 1 / 3.0}, {"Custom Scenery/A/b", 1 / 3.0}, {"Custom Scenery/A/c", 1 / 3.0}}},
	    {"ratio 3 and an export", header + "EXPORT_RATIO 3 v old\nEXPORT v new\n",
	     {{"Custom Scenery/A/old", 0.75}, {"Custom Scenery/A/new", 0.25}}},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.name);
		package("Custom Scenery/A/", c.library);
		DSF_ScanSceneryFolder();
		srand(12345);
		int const draws = 40000;
		std::map<std::string, int> seen;
		for (int i = 0; i < draws; ++i) {
			std::string path = "v";
			ASSERT_TRUE(DSF_LookupLibraryResource(3, 4, path));
			++seen[path];
		}
		ASSERT_EQ(seen.size(), c.share.size());
		for (auto const& s : c.share) EXPECT_NEAR(seen[s.first] / double(draws), s.second, 0.02) << s.first;
	}
}

TEST_F(ScenTest, OnlyATotalAboveOneDrawsARandomNumber)
{
	struct {
		std::string library;
		int rand_calls;
	} const cases[] = {
	    {header + "EXPORT v a\n", 0},
	    {header + "EXPORT_RATIO 0 v b\nEXPORT v a\n", 0},
	    {header + "EXPORT v b\nEXPORT v a\n", 1},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.library);
		package("Custom Scenery/A/", c.library);
		DSF_ScanSceneryFolder();
		srand(99);
		std::string path = "v";
		ASSERT_TRUE(DSF_LookupLibraryResource(0, 0, path));
		int const next = rand();
		srand(99);
		for (int i = 0; i < c.rand_calls; ++i) rand();
		EXPECT_EQ(next, rand());
	}
}

TEST_F(ScenTest, RegionLimitedExportsApplyOnlyInsideTheirRegion)
{
	package("Custom Scenery/A/",
	        header + "REGION_DEFINE alps\nREGION_RECT 5 45 9 47\nREGION alps\nEXPORT v high.obj\n");
	package("Custom Scenery/B/", header + "EXPORT v low.obj\n");
	DSF_ScanSceneryFolder();

	struct {
		int lon, lat;
		char const* found;
	} const cases[] = {
	    {5, 45, "Custom Scenery/A/high.obj"}, {9, 47, "Custom Scenery/A/high.obj"},
	    {4, 45, "Custom Scenery/B/low.obj"},  {9, 48, "Custom Scenery/B/low.obj"},
	    {365, 45, "Custom Scenery/B/low.obj"}, {5, -135, "Custom Scenery/B/low.obj"},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(std::to_string(c.lon) + "," + std::to_string(c.lat));
		std::string path = "v";
		EXPECT_TRUE(DSF_LookupLibraryResource(c.lon, c.lat, path));
		EXPECT_EQ(path, c.found);
		std::vector<std::string> results;
		EXPECT_TRUE(DSF_LookupLibraryResourceMultiple(c.lon, c.lat, "v", results));
		EXPECT_EQ(results, std::vector<std::string>{c.found});
	}
}

TEST_F(ScenTest, AnywhereChoosesOverEveryPackageAnywhereMultipleOverTheFirstGroup)
{
	package("Custom Scenery/A/", header + "EXPORT v a.obj\n");
	package("Custom Scenery/B/", header + "EXPORT v b.obj\n");
	DSF_ScanSceneryFolder();

	srand(5);
	std::map<std::string, int> seen;
	for (int i = 0; i < 200; ++i) {
		std::string path = "v";
		ASSERT_TRUE(DSF_LookupLibraryResourceAnywhere(path));
		++seen[path];
	}
	EXPECT_GT(seen["Custom Scenery/A/a.obj"], 50);
	EXPECT_GT(seen["Custom Scenery/B/b.obj"], 50);

	std::vector<std::string> results;
	EXPECT_TRUE(DSF_LookupLibraryResourceAnywhereMultiple("v", results));
	EXPECT_EQ(results, std::vector<std::string>{"Custom Scenery/A/a.obj"});
}

TEST_F(ScenTest, AGroupOfRatioZeroFindsNothing)
{
	package("Custom Scenery/A/", header + "EXPORT_RATIO 0 v zero.obj\n");
	package("Custom Scenery/B/", header + "EXPORT v b.obj\n");
	DSF_ScanSceneryFolder();

	std::string path = "v";
	EXPECT_FALSE(DSF_LookupLibraryResource(0, 0, path));
	EXPECT_EQ(path, "v");
	std::vector<std::string> results = {"stale"};
	EXPECT_FALSE(DSF_LookupLibraryResourceMultiple(0, 0, "v", results));
	EXPECT_TRUE(results.empty());
	EXPECT_FALSE(DSF_LookupLibraryResourceAnywhereMultiple("v", results));
	// The whole chain still holds the lower package's entry.
	EXPECT_TRUE(DSF_LookupLibraryResourceAnywhere(path));
	EXPECT_EQ(path, "Custom Scenery/B/b.obj");
}
