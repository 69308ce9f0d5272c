// The builder's selection rules and the walk, on real master trees in
// temporary folders. Fatal checks run as death tests: exit status 1 and the
// alert's lines in the log.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "builder_fixture.h"
#include "foundation/io_utils.h"
#include "platform/input_source.h"
#include "support/logged_test.h"

using namespace builder_test;

namespace {

struct RulesTest : logged_test {
	std::string master, out;
	void SetUp() override
	{
		logged_test::SetUp();
		// The tree sits below folders whose names hold the rules' own texts:
		// only the path below the master counts.
		master = dir.path() + "copy of work.d/master.cpp/";
		out = dir.path() + "out/";
		put_folder(out);
		point_builder(master, dir.path() + "previous.txt", out);
		sim_name = erth_build_name[0];
		dst_fold = out + "MY CONTAINER FOR " + sim_name + "/";
		// The walk adds to these; a build clears them, a lone walk does not.
		num_files_rec = num_files_use = 0;
		files.clear();
		paths.clear();
		for (int* f : {&found_all_fold, &found_apl_fold, &found_win_fold, &found_X86_fold, &found_ITL_fold,
		               &found_AMD_fold, &found_bundle, &found_afl_fold, &found_acf_fold, &found_ins_fold,
		               &found_out_fold, &found_wpn_fold, &found_res_fold, &found_cus_fold, &found_plug,
		               &found_terrain, &found_men_file, &found_tex_file})
			*f = 0;
	}
	void TearDown() override
	{
		is_dvd = 0;
		reg = 0;
	}
};

}  // namespace

// ---- is_good_file ------------------------------------------------------------------

TEST_F(RulesTest, IsGoodFileTable)
{
	struct row {
		char const* rel;
		int is_dvd, reg;
		int want;
	};
	row const rows[] = {
	    {"All/Instructions/notes.txt", 0, 0, 1},
	    {"All/Instructions/Thumbs.db", 0, 0, 0},
	    {"All/Instructions/work.txt", 0, 0, 0},
	    {"All/Instructions/._notes.txt", 0, 0, 0},
	    {"All/Instructions/.DS_Store.x", 0, 0, 0},
	    {"All/Instructions/a.sandboxinfo", 0, 0, 0},
	    {"All/Instructions/a.xSYM.txt", 0, 0, 0},
	    {"All/Instructions/map.ovw", 0, 0, 0},
	    {"All/Instructions/notes.ac", 0, 0, 0},
	    {"All/Instructions/notes.acx", 0, 0, 1},
	    {"All/Instructions/serverlist.txt.bak", 0, 0, 0},
	    {"All/Instructions/Skyrell Pilot.txt", 0, 0, 0},
	    {"All/Resources/user.prf", 0, 0, 0},
	    {"All/Resources/user.prf.txt", 0, 0, 1},
	    {"All/Output/plan.fms", 0, 0, 0},
	    {"All/Output/pack.sit", 0, 0, 0},
	    {"All/Output/clip.mov", 0, 0, 0},
	    {"All/Resources/Mars nav data/a.env", 0, 0, 0},
	    {"All/Resources/Earth nav data/a.env", 0, 0, 1},
	    {"All/Aircraft/work.old/glider.acf", 0, 0, 0},
	    {"All/Aircraft/Work.old/glider.acf", 0, 0, 1},
	    {"All/PFC Aircraft/a.acf", 0, 0, 0},
	    {"All/Resources/bitmaps/Earth Orbit Textures/a.png", 0, 0, 0},
	    {"All/Resources/bitmaps/Earth Orbit Textures/a.png", 1, 0, 1},
	    // Shared terrain goes into every set; other terrain only onto the disc.
	    {"All/Resources/default scenery/820 world terrain/terrain/temp_crp_sq3.ter", 0, 0, 1},
	    {"All/Resources/default scenery/820 world terrain/terrain/temp_crp_sq5.ter", 0, 0, 0},
	    {"All/Resources/default scenery/820 world terrain/terrain/temp_crp_sq5.ter", 1, 0, 1},
	    {"All/Resources/default scenery/820 world terrain/terrain/temp_crp_sq5.ter", 1, 2, 0},
	    {"All/Resources/default scenery/820 world terrain/textures/human/trop_crp_LIT.png", 0, 0, 1},
	    // Tiles: never in the network set, the region's only in a region set.
	    {"All/Resources/default scenery/DSF 820 Earth/+40-120/+40-120.dsf", 0, 0, 0},
	    {"All/Resources/default scenery/DSF 820 Earth/+40-120/+40-120.dsf", 1, 0, 0},
	    {"All/Resources/default scenery/DSF 820 Earth/+40-120/+40-120.dsf", 1, 2, 1},
	    {"All/Resources/default scenery/DSF 820 Earth/+40-120/+40-120.dsf", 1, 3, 0},
	    {"All/Resources/default scenery/DSF 820 Earth/+40-120/+40-120.dsf", 1, 8, 0},
	    {"All/Resources/default scenery/DSF 830 Mars/+10-010.dsf", 1, 8, 1},
	    {"All/Resources/default scenery/DSF 830 Mars/+10-010.dsf", 1, 9, 0},
	    {"All/Resources/default scenery/DSF 830 Moon/+10+010.dsf", 1, 10, 1},
	    {"All/Resources/default scenery/DSF 830 Moon/readme.txt", 1, 10, 0},
	    {"All/Instructions/notes.txt", 1, 2, 0},
	    {"All/Instructions/notes.txt", 1, 0, 1},
	    // A tile far out of range is left out of the network set unread.
	    {"All/Resources/default scenery/DSF 820 Earth/+70+000.dsf", 0, 0, 0},
	};
	for (row const& r : rows) {
		put_file(master + r.rel, "data");
		is_dvd = r.is_dvd;
		reg = r.reg;
		EXPECT_EQ(is_good_file(master + r.rel, 0, 1), r.want) << r.rel << " dvd " << r.is_dvd << " reg " << r.reg;
		// The name rules alone give the same answer for a file with content.
		EXPECT_EQ(is_good_file(master + r.rel, 0, 0), r.want) << r.rel;
	}
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(RulesTest, ContentTestLeavesOutEmptyAndMissingButNeverReadsALink)
{
	put_file(master + "All/Instructions/empty.txt", "");
	put_link(master + "All/Instructions/dangling.txt", "/nonexistent/target");
	put_link(master + "All/Instructions/outside.txt", "/etc/hostname");
	std::string const p = master + "All/Instructions/";
	EXPECT_EQ(is_good_file(p + "empty.txt", 0, 1), 0);
	EXPECT_EQ(is_good_file(p + "missing.txt", 0, 1), 0);
	// Without the content test (the removed-file pass) both pass.
	EXPECT_EQ(is_good_file(p + "empty.txt", 0, 0), 1);
	EXPECT_EQ(is_good_file(p + "missing.txt", 0, 0), 1);
	EXPECT_EQ(is_good_file(p + "dangling.txt", 0, 1), 1);
	EXPECT_EQ(is_good_file(p + "outside.txt", 0, 1), 1);
}

TEST_F(RulesTest, AnUnknownKindOfSetIsFatal)
{
	put_file(master + "All/Instructions/a.txt", "x");
	for (auto [dvd, r] : {std::pair<int, int>{2, 0}, {1, 11}, {1, -1}}) {
		EXPECT_EXIT(
		    {
			    is_dvd = dvd;
			    reg = r;
			    is_good_file(master + "All/Instructions/a.txt", 0, 1);
		    },
		    ::testing::ExitedWithCode(1), "");
		EXPECT_NE(read_text_file(log).find("I can not tell what type of install this is!\n\n\n\n(make_installer line "),
		          std::string::npos);
	}
}

// ---- want_reg, chop_platform, path_is_dvd_only ----------------------------------------

TEST_F(RulesTest, WantRegTable)
{
	struct row {
		int reg;
		char const* name;
		int want;
	};
	row const rows[] = {
	    {1, "+23-021.dsf", 1},  {1, "+24-021.dsf", 0},  {1, "-60-180.dsf", 1}, {1, "+23-020.dsf", 0},
	    {2, "+24-100.dsf", 1},  {2, "+48-100.dsf", 1},  {2, "+49-100.dsf", 0}, {2, "+23-100.dsf", 0},
	    {3, "+49-021.dsf", 1},  {3, "+60-180.dsf", 1},  {3, "+48-021.dsf", 0}, {4, "+35-020.dsf", 1},
	    {4, "+35+045.dsf", 1},  {4, "+36+045.dsf", 0},  {4, "+35+046.dsf", 0}, {5, "+36-020.dsf", 1},
	    {5, "+35-020.dsf", 0},  {5, "+36-021.dsf", 0},  {6, "-60+046.dsf", 1}, {6, "+60+100.dsf", 1},
	    {6, "+00+101.dsf", 0},  {7, "+00+179.dsf", 1},  {7, "+00+180.dsf", 0}, {7, "+00+101.dsf", 1},
	    {7, "+00+100.dsf", 0},  {8, "+00-001.dsf", 1},  {8, "+00+000.dsf", 0}, {9, "+00+000.dsf", 1},
	    {9, "+00-001.dsf", 0},  {10, "+12+123.dsf", 1}, {0, "+12+123.dsf", 0},
	    // Text that is no number reads as -1 and passes the range tests.
	    {8, "abcdefg.dsf", 1},
	};
	for (row const& r : rows) {
		reg = r.reg;
		EXPECT_EQ(want_reg(str_erth + "+00+000/" + r.name), r.want) << "reg " << r.reg << " " << r.name;
	}
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(RulesTest, WantRegFatalCases)
{
	struct row {
		int reg;
		char const* name;
		char const* lines;
	};
	row const rows[] = {
	    {2, "+61-100.dsf", "Out of range lat!\n"},
	    {2, "-61-100.dsf", "Out of range lat!\n"},
	    {2, "+40-181.dsf", "Out of range lon!\n"},
	    {2, "+40+181.dsf", "Out of range lon!\n"},
	    {11, "+40+100.dsf", "Asking for a region i have not defined!\n\n\n\n"},
	};
	for (row const& r : rows) {
		std::string const path = str_erth + r.name;
		EXPECT_EXIT(
		    {
			    reg = r.reg;
			    want_reg(path);
		    },
		    ::testing::ExitedWithCode(1), "")
		    << r.name;
		std::string expect = r.lines;
		if (expect.find("Out of range") == 0) expect += path + "\n" + r.name + "\n\n";
		EXPECT_NE(read_text_file(log).find(expect + "(make_installer line "), std::string::npos) << r.name;
	}
}

TEST_F(RulesTest, ChopPlatformTable)
{
	struct row {
		char const* path;
		int platform;
		char const* key;
	};
	row const rows[] = {
	    {"All/Resources/x.txt", 0, "ALL_os/Resources/x.txt"},
	    {"Macintosh/Resources/x.txt", 1, "APL_os/Resources/x.txt"},
	    {"Windows/x.exe", 2, "IBM_os/x.exe"},
	    {"Linux Generic x86/x", 3, "LINX86_os/x"},
	    {"Linux Pentium 3/x", 4, "LINITL_os/x"},
	    {"Linux Athlon XP/x", 5, "LINAMD_os/x"},
	    {"All/Resources/plugins/a.so", 6, "/Resources/plugins/a.so"},
	};
	for (row const& r : rows) {
		std::string p = r.path;
		chop_platform(p, r.platform);
		EXPECT_EQ(p, r.key);
	}
	EXPECT_EXIT(
	    {
		    std::string p = "no-separator.txt";
		    chop_platform(p, 0);
	    },
	    ::testing::ExitedWithCode(1), "");
	EXPECT_NE(read_text_file(log).find("Could not find the dir char!\nno-separator.txt\n\n\n(make_installer line "),
	          std::string::npos);
}

TEST_F(RulesTest, SharedTerrainListIsExactAndCaseSensitive)
{
	struct row {
		char const* rest;
		int dvd_only;
	};
	row const rows[] = {
	    {"terrain/dry_cityhill_irr1.ter", 0},       {"terrain/trop_crptwnhill_sq4.ter", 0},
	    {"textures/human/north_crp_irr2_LIT.png", 0}, {"terrain/Dry_cityhill_irr1.ter", 1},
	    {"textures/human/north_crp_irr2_lit.png", 1}, {"terrain/dry_cityhill_irr5.ter", 1},
	    {"terrain/dry_cityhill_irr1.ter.bak", 1},     {"", 1},
	};
	for (row const& r : rows) EXPECT_EQ(path_is_dvd_only(str_terrain + r.rest), r.dvd_only) << r.rest;
}

// ---- the walk ------------------------------------------------------------------------

TEST_F(RulesTest, WalkFillsFilesPathsAndFlags)
{
	valid_master(master);
	put_file(master + "All/Aircraft/Glider/glider.acf", "acf");
	put_file(master + "All/Aircraft/Glider/empty.acf", "");
	put_file(master + "All/Resources/user.prf", "prefs");
	put_file(master + "Windows/Skyrell.exe", "exe");
	put_link(master + "Macintosh/escape", "../../../../");
	put_file(master + "Linux Generic x86/a b/with blanks.txt", "x");

	std::string from = src_fold;
	pref_level(&from);

	std::vector<std::string> const want_files = {
	    master + "All/Aircraft/Glider/glider.acf",
	    master + "All/Resources/menus/English/Skyrell.txt",
	    master + "All/Resources/text/English/Skyrell.txt",
	    master + "Linux Generic x86/a b/with blanks.txt",
	    master + "Macintosh/escape",
	    master + "Windows/Skyrell.exe",
	};
	EXPECT_EQ(files, want_files);
	EXPECT_EQ(num_files_rec, 8);
	EXPECT_EQ(num_files_use, 6);
	std::string const set = dst_fold + sim_name;
	std::set<std::string> const want_paths = {
	    out + "MY CONTAINER FOR Skyrell 8.50 Beta 8",
	    set,
	    set + "/All",
	    set + "/All/Aircraft",
	    set + "/All/Aircraft/Glider",
	    set + "/All/Resources",
	    set + "/All/Resources/menus",
	    set + "/All/Resources/menus/English",
	    set + "/All/Resources/text",
	    set + "/All/Resources/text/English",
	    set + "/Linux Generic x86",
	    set + "/Linux Generic x86/a b",
	    set + "/Macintosh",
	    set + "/Windows",
	};
	EXPECT_EQ(paths, want_paths);
	for (int f : {found_all_fold, found_apl_fold, found_win_fold, found_X86_fold, found_ITL_fold, found_AMD_fold,
	              found_afl_fold, found_acf_fold, found_ins_fold, found_out_fold, found_wpn_fold, found_res_fold,
	              found_cus_fold, found_plug, found_terrain, found_men_file, found_tex_file})
		EXPECT_EQ(f, 1);
	EXPECT_EQ(found_bundle, 0);
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(RulesTest, WalkTakesAFolderOf2998Entries)
{
	valid_master(master);
	std::string const big = master + "All/Output/big/";
	put_folder(big);
	for (int i = 0; i < 2998; ++i) write_text_file(big + std::to_string(i), "x");
	std::string from = src_fold;
	pref_level(&from);
	EXPECT_EQ(num_files_use, 3000);
}

TEST_F(RulesTest, WalkFatalChecks)
{
	struct row {
		char const* label;
		void (*plant)(std::string const& master);
		char const* line1;
		char const* line2;
	};
	row const rows[] = {
	    {"copy in a name", [](std::string const& m) { put_file(m + "All/Instructions/copyedit.txt", "x"); },
	     "YOU IDIOT!", "found a copy file!"},
	    {"below a copy folder", [](std::string const& m) { put_file(m + "All/Aircraft/a copy/a.acf", "x"); },
	     "YOU IDIOT!", "found a copy file!"},
	    {".cpp", [](std::string const& m) { put_file(m + "Windows/main.cpp", "x"); }, "YOU IDIOT!",
	     "found a .cpp file!"},
	    {".CPP", [](std::string const& m) { put_file(m + "Windows/MAIN.CPP", "x"); }, "YOU IDIOT!",
	     "found a .CPP file!"},
	    {"All and bundle", [](std::string const& m) { put_file(m + "Macintosh/Allied bundle.txt", "x"); },
	     "YOU IDIOT!", "found my joybund!"},
	    {"file in All", [](std::string const& m) { put_file(m + "All/stray.txt", "x"); }, "YOU IDIOT!",
	     "I FOUND A FILE INSIDE THE 'ALL' FOLDER! WE SHOULD ONLY HAVE FOLDERS THERE!"},
	    {"unknown folder in All", [](std::string const& m) { put_folder(m + "All/Skins"); },
	     "What the hell is THIS doing in here!?!?!?", nullptr},
	    {"trailing blank", [](std::string const& m) { put_file(m + "Windows/name ", "x"); }, "YOU IDIOT!",
	     "You tried to include a file or directory with a space at the end!"},
	    {"trailing blank folder", [](std::string const& m) { put_file(m + "Windows/dir /a", "x"); }, "YOU IDIOT!",
	     "You tried to include a file or directory with a space at the end!"},
	    {"colon", [](std::string const& m) { put_file(m + "Windows/a:b", "x"); }, "YOU IDIOT!",
	     "found a  : in the path!"},
	    {"backslash", [](std::string const& m) { put_file(m + "Windows/a\\b", "x"); }, "YOU IDIOT!",
	     "found a \\ in the path!"},
	    {"too many", [](std::string const& m) {
		     put_folder(m + "All/Output/big");
		     for (int i = 0; i < 2999; ++i) write_text_file(m + "All/Output/big/" + std::to_string(i), "x");
	     },
	     "This folder has too many files in it!", nullptr},
	    // Names the directory file cannot carry back unchanged.
	    {"line break", [](std::string const& m) { put_file(m + "Windows/two\nlines", "x"); }, "YOU IDIOT!",
	     "You tried to include a file or directory whose name the directory file can not hold!"},
	    {"leading blank", [](std::string const& m) { put_file(m + "Windows/ lead", "x"); }, "YOU IDIOT!",
	     "You tried to include a file or directory whose name the directory file can not hold!"},
	};
	for (row const& r : rows) {
		temp_dir t;
		std::string const m = t.path() + "m/";
		valid_master(m);
		r.plant(m);
		point_builder(m, "", out);
		EXPECT_EXIT(
		    {
			    std::string from = src_fold;
			    pref_level(&from);
		    },
		    ::testing::ExitedWithCode(1), "")
		    << r.label;
		std::string const text = read_text_file(log);
		std::string want = std::string(r.line1) + "\n" + (r.line2 ? std::string(r.line2) + "\n" : "");
		EXPECT_NE(text.find(want), std::string::npos) << r.label << "\n" << text;
		EXPECT_NE(text.find("(make_installer line "), std::string::npos) << r.label;
		open_test_log(dir);
	}
}

TEST_F(RulesTest, UnreadableMasterItemsStopTheWalk)
{
	// Run as root, permissions are not enforced: the child gives them up.
	auto drop_root = [] {
		if (geteuid() != 0) return;
		ASSERT_EQ(setgid(65534), 0);
		ASSERT_EQ(setuid(65534), 0);
	};
	struct row {
		char const* rel;
		bool folder;
		char const* line1;
	};
	row const rows[] = {
	    {"All/Instructions/secret.txt", false, "I could not read a file of the master tree!"},
	    {"All/Instructions/closed", true, "I could not read a folder of the master tree!"},
	};
	for (row const& r : rows) {
		temp_dir t;
		std::string const m = t.path() + "m/";
		valid_master(m);
		if (r.folder) put_file(m + r.rel + "/a.txt", "x");
		else put_file(m + r.rel, "x");
		chmod(t.path().c_str(), 0755);  // made private; the rest is open to others
		chmod((m + r.rel).c_str(), 0);
		point_builder(m, "", out);
		EXPECT_EXIT(
		    {
			    drop_root();
			    std::string from = src_fold;
			    pref_level(&from);
			    std::exit(0);
		    },
		    ::testing::ExitedWithCode(1), "")
		    << r.rel;
		std::string const text = read_text_file(log);
		EXPECT_NE(text.find(std::string(r.line1) + "\n" + error_str(EACCES) + "\n" + m + r.rel), std::string::npos)
		    << text;
		open_test_log(dir);
	}
}

TEST_F(RulesTest, QStopsTheWalkAtItsProgressFrame)
{
	valid_master(master);
	for (int i = 0; i < 398; ++i) put_file(master + "All/Output/f" + std::to_string(i), "x");
	struct row {
		std::vector<PLT_event> events;
		bool stops;
	};
	PLT_event q;
	q.what = 3;
	q.message = 'q' | (12u << 8);
	PLT_event q_repeat = q;
	q_repeat.what = 5;
	PLT_event other = q;
	other.message = 'x';
	PLT_event q_up = q;
	q_up.what = 4;
	row const rows[] = {{{q}, true}, {{q_repeat}, true}, {{other, q}, false}, {{q_up}, false}, {{}, false}};
	for (row const& r : rows) {
		EXPECT_EXIT(
		    {
			    PLT_scripted_input in;
			    for (PLT_event const& e : r.events) in.push(e);
			    PLT_input_set_source(&in);
			    std::string from = src_fold;
			    pref_level(&from);
			    std::exit(num_files_rec == 400 ? 7 : 8);
		    },
		    ::testing::ExitedWithCode(r.stops ? 1 : 7), "");
		bool const logged = read_text_file(log).find("You hit Q dumbass!\n\n\n\n(make_installer line ") !=
		                    std::string::npos;
		EXPECT_EQ(logged, r.stops);
		open_test_log(dir);
	}
}
