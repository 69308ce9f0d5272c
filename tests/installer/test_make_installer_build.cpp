// Whole builds over real master trees: the set's archives read back with
// minizip, the directory file read back as the updater reads it, and the
// history carried over a hand-written previous release.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <random>

#include "builder_fixture.h"
#include "platform/input_source.h"
#include "support/logged_test.h"

using namespace builder_test;

namespace {

void no_panel(float, float, float, int, std::string, std::string) {}

struct BuildTest : logged_test {
	std::string master, out, previous, set_fold, dest;
	void SetUp() override
	{
		logged_test::SetUp();
		dir_progress_draw = no_panel;
		master = dir.path() + "master/";
		out = dir.path() + "out/";
		previous = dir.path() + "previous.txt";
		dest = dir.path() + "dest/";
		put_folder(out);
		put_folder(dest);
		valid_master(master);
		point_builder(master, previous, out);
		set_fold = out + "MY CONTAINER FOR Skyrell 8.50 Beta 8/Skyrell 8.50 Beta 8/";
	}

	// The line a build writes for a master file now in the set.
	std::string new_line(int code, std::string const& rel, std::string const& content) const
	{
		struct stat st;
		EXPECT_EQ(stat((set_fold + rel + ".zip").c_str(), &st), 0) << rel;
		std::string const name = rel.substr(rel.rfind('/') + 1);
		return "FILE 0 " + std::to_string(code) + " 85008 " + std::to_string(st.st_size / 1000) + " " +
		       std::to_string(content.size() / 1000) + " " + md5_of_text(content) + " " + name;
	}
};

std::string random_bytes(size_t n, unsigned seed)
{
	std::mt19937 gen(seed);
	std::string s(n, '\0');
	for (char& c : s) c = static_cast<char>(gen());
	return s;
}

}  // namespace

TEST_F(BuildTest, FirstReleaseFromAHeaderOnlyPrevious)
{
	write_text_file(previous, kEmptyPrevious);
	struct master_file {
		std::string rel;
		std::string content;  // for a link: its target
		bool link;
		int platform;
	};
	std::vector<master_file> const want = {
	    {"All/Aircraft/Glider/glider.acf", random_bytes(5000, 1), false, 0},
	    {"All/Instructions/manual.txt", "manual text\n", false, 0},
	    {"All/Resources/menus/English/Skyrell.txt", "menus\n", false, 0},
	    {"All/Resources/plugins/ModwardenLin.skl", "lin", false, 6},
	    {"All/Resources/plugins/SKPM.framework/SKPM", "fw", false, 1},
	    {"All/Resources/plugins/SKPM.so", "so", false, 6},
	    {"All/Resources/plugins/other.so", "other", false, 0},
	    {"All/Resources/text/English/Skyrell.txt", "texts\n", false, 0},
	    {"Linux Athlon XP/a file with blanks.txt", "amd", false, 5},
	    {"Linux Generic x86/skyrell-x86", "x86", false, 3},
	    {"Linux Pentium 3/skyrell-p3", "p3", false, 4},
	    {"Macintosh/outside", "../../../etc/hostname", true, 1},
	    {"Windows/Skyrell.exe", random_bytes(1000, 2), false, 2},
	};
	for (master_file const& f : want)
		if (f.link) put_link(master + f.rel, f.content);
		else put_file(master + f.rel, f.content);
	put_file(master + "All/Instructions/empty.txt", "");
	put_file(master + "All/Instructions/.hidden", "hidden");

	sub_install();

	EXPECT_FALSE(file_there(set_fold + "directory.txt"));
	std::string const text = set_directory_text(set_fold);
	ASSERT_EQ(text.compare(0, 25, "I\n840 version\nINSTALLER\n\n"), 0) << text;
	write_text_file(dir.path() + "directory.txt", text);
	dest_dir_path = dest;
	ASSERT_EQ(read_directory(dir.path() + "directory.txt", "check"), 3);
	ASSERT_EQ(sim_info.size(), want.size()) << text;
	for (size_t i = 0; i < want.size(); ++i) {
		master_file const& f = want[i];
		ASSERT_EQ(sim_info[i].versions.size(), 1u) << f.rel;
		file_version_struct const& v = sim_info[i].versions[0];
		EXPECT_EQ(v.name, f.rel);
		EXPECT_EQ(v.flag, 0) << f.rel;
		EXPECT_EQ(v.platform, f.platform) << f.rel;
		EXPECT_EQ(v.version, 85008) << f.rel;
		EXPECT_EQ(v.sig_want, md5_of_text(f.content)) << f.rel;
		EXPECT_EQ(v.ext_size, static_cast<float>(f.content.size() / 1000)) << f.rel;
		std::string const zip = set_fold + f.rel + ".zip";
		struct stat st;
		ASSERT_EQ(stat(zip.c_str(), &st), 0) << zip;
		EXPECT_EQ(v.zip_size, static_cast<float>(st.st_size / 1000)) << f.rel;
		std::string entry, data;
		unz_file_info info;
		ASSERT_TRUE(read_single_entry(zip, &entry, &data, &info)) << zip;
		EXPECT_EQ(entry, f.rel.substr(f.rel.rfind('/') + 1));
		EXPECT_EQ(md5_of_text(data), v.sig_want) << f.rel;
		// A link goes in as a link, never as what it reaches.
		EXPECT_EQ((info.external_fa >> 16 & 0170000) == 0120000, f.link) << f.rel;
	}
	EXPECT_FALSE(file_there(set_fold + "All/Instructions/empty.txt.zip"));
	EXPECT_TRUE(recorded_alerts().empty());

	build_install();  // the same build again, over its own set, ends with the checklist
	ASSERT_FALSE(recorded_alerts().empty());
	recorded_alert const& last = recorded_alerts().back();
	EXPECT_EQ(last.text, "OK compression is done. Checklist: Copy the version text and version number of this build "
	                     "into serverlist.txt and put it on the web host.");
	EXPECT_NE(read_text_file(log).find("OK compression is done. Checklist:\n"), std::string::npos);
	EXPECT_EQ(set_directory_text(set_fold), text);
}

TEST_F(BuildTest, SecondReleaseCarriesHistory)
{
	auto sig = [](char const* s) { return md5_of_text(s); };
	write_text_file(previous,
	                "I\n840 version\nINSTALLER\n\n"
	                "DIR All/Instructions/\n"
	                "FILE 0 0 85007 1 1 " + sig("same") + " same.txt\n"
	                "FILE 0 0 85007 2 3 " + sig("old") + " changed.txt\n"
	                "FILE 0 0 85006 4 5 " + sig("A") + " aba.txt\n"
	                "FILE 0 0 85007 6 7 " + sig("B") + " aba.txt\n"
	                "FILE 0 0 85006 8 9 " + sig("X") + " back.txt\n"
	                "FILE 0 0 85007 0 0 GONE back.txt\n"
	                "FILE 0 0 85007 10 11 " + sig("E") + " emptied.txt\n"
	                "FILE 0 0 85007 12 13 " + sig("R") + " removed.txt\n"
	                "FILE 0 0 85006 14 15 " + sig("G") + " gone_before.txt\n"
	                "FILE 0 0 85007 0 0 GONE gone_before.txt\n"
	                "\nDIR All/Resources/\n"
	                "FILE 0 0 85007 1 1 " + sig("P") + " user.prf\n"
	                "\nDIR All/Resources/plugins/\n"
	                "FILE 0 6 85007 1 2 " + sig("so1") + " SKPM.so\n"
	                "\nDIR All/Weapons/\n"
	                "FILE 0 0 85007 3 4 " + sig("W") + " old.wpn\n"
	                "\nDIR Macintosh/Resources/\n"
	                "FILE 0 1 85007 5 6 " + sig("mac old") + " readme.txt\n");
	std::string const b999(999, 'n'), b1000(1000, 'k');
	std::string const in = "All/Instructions/";
	put_file(master + in + "same.txt", "same");
	put_file(master + in + "changed.txt", "new");
	put_file(master + in + "aba.txt", "A");
	put_file(master + in + "back.txt", "Y");
	put_file(master + in + "emptied.txt", "");
	put_file(master + in + "b999.txt", b999);
	put_file(master + in + "b1000.txt", b1000);
	put_file(master + "All/Resources/plugins/SKPM.so", "so2");
	put_file(master + "All/Resources/plugins/SKPM.framework/SKPM", "fw");
	put_file(master + "All/Resources/plugins/ModwardenWin.skl", "w");
	put_file(master + "Macintosh/Resources/ReadMe.txt", "mac new");
	put_file(master + "Windows/Skyrell.exe", "exe");

	sub_install();

	std::string const want = std::string("I\n840 version\nINSTALLER\n\n") +
	    "\nDIR All/Instructions/\n"
	    "FILE 0 0 85007 6 7 " + sig("B") + " aba.txt\n" +
	    new_line(0, in + "aba.txt", "A") + "\n" +
	    new_line(0, in + "b1000.txt", b1000) + "\n" +
	    new_line(0, in + "b999.txt", b999) + "\n" +
	    "FILE 0 0 85006 8 9 " + sig("X") + " back.txt\n" +
	    new_line(0, in + "back.txt", "Y") + "\n" +
	    "FILE 0 0 85007 2 3 " + sig("old") + " changed.txt\n" +
	    new_line(0, in + "changed.txt", "new") + "\n" +
	    new_line(0, in + "same.txt", "same") + "\n" +
	    "\nDIR All/Resources/menus/English/\n" +
	    new_line(0, "All/Resources/menus/English/Skyrell.txt", "menus\n") + "\n" +
	    "\nDIR All/Resources/plugins/\n" +
	    new_line(2, "All/Resources/plugins/ModwardenWin.skl", "w") + "\n" +
	    "\nDIR All/Resources/plugins/SKPM.framework/\n" +
	    new_line(1, "All/Resources/plugins/SKPM.framework/SKPM", "fw") + "\n" +
	    "\nDIR All/Resources/plugins/\n"
	    "FILE 0 6 85007 1 2 " + sig("so1") + " SKPM.so\n" +
	    new_line(6, "All/Resources/plugins/SKPM.so", "so2") + "\n" +
	    "\nDIR All/Resources/text/English/\n" +
	    new_line(0, "All/Resources/text/English/Skyrell.txt", "texts\n") + "\n" +
	    "\nDIR Macintosh/Resources/\n"
	    "FILE 0 1 85007 5 6 " + sig("mac old") + " ReadMe.txt\n" +
	    new_line(1, "Macintosh/Resources/ReadMe.txt", "mac new") + "\n" +
	    "\nDIR Windows/\n" +
	    new_line(2, "Windows/Skyrell.exe", "exe") + "\n" +
	    // The removed files, after every present one.
	    "\nDIR All/Instructions/\n"
	    "FILE 0 0 85007 10 11 " + sig("E") + " emptied.txt\n"
	    "FILE 0 0 85008 0 0 GONE emptied.txt\n"
	    "FILE 0 0 85007 12 13 " + sig("R") + " removed.txt\n"
	    "FILE 0 0 85008 0 0 GONE removed.txt\n"
	    "FILE 0 0 85006 14 15 " + sig("G") + " gone_before.txt\n"
	    "FILE 0 0 85007 0 0 GONE gone_before.txt\n"
	    "\nDIR All/Weapons/\n"
	    "FILE 0 0 85007 3 4 " + sig("W") + " old.wpn\n"
	    "FILE 0 0 85008 0 0 GONE old.wpn\n";
	EXPECT_EQ(set_directory_text(set_fold), want);
	EXPECT_NE(want.find(" 0 " + md5_of_text(b999) + " b999.txt"), std::string::npos);
	EXPECT_NE(want.find(" 1 " + md5_of_text(b1000) + " b1000.txt"), std::string::npos);
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(BuildTest, ARegionDiscSetReadsNoPreviousAndTakesItsTiles)
{
	is_dvd = 1;
	reg = 3;
	std::string const earth = "All/Resources/default scenery/DSF 820 Earth/";
	put_file(master + earth + "+50-100/+50-100.dsf", "canada");
	put_file(master + earth + "+40-100/+40-100.dsf", "usa");
	put_file(master + "All/Instructions/manual.txt", "manual");
	// No previous file exists: a disc set needs none.
	sub_install();
	EXPECT_EQ(sim_name, "Canada");
	EXPECT_EQ(old_dir_path, "");
	std::string const canada = out + "MY CONTAINER FOR Canada/Canada/";
	std::string const want = "I\n840 version\nINSTALLER\n\n\nDIR " + earth + "+50-100/\n" + [&] {
		set_fold = canada;
		std::string l = new_line(0, earth + "+50-100/+50-100.dsf", "canada");
		return "FILE 1" + l.substr(6);
	}() + "\n";
	EXPECT_EQ(set_directory_text(canada), want);
	is_dvd = 0;
	reg = 0;
}

TEST_F(BuildTest, FatalBuilds)
{
	auto sig = [](char const* s) { return md5_of_text(s); };
	put_file(master + "All/Instructions/a.txt", "a");
	struct row {
		char const* label;
		std::string previous;  // "" for none
		bool md5_fails;
		std::string lines;
	};
	std::vector<row> const rows = {
	    {"twice", "I\n840 version\nINSTALLER\n\nDIR All/Instructions/\nFILE 0 0 85007 1 1 " + sig("a") +
	                  " a.txt\nDIR All/Output/\nFILE 0 0 85007 1 1 " + sig("b") +
	                  " b.txt\nDIR All/Instructions/\nFILE 0 0 85007 1 1 " + sig("a") + " A.TXT\n",
	     false, "WARNING: you appear to have a file TWICE in an old directory file.\n\n\nAll/Instructions/A.TXT\n"},
	    {"same version", "I\n840 version\nINSTALLER\n\nDIR All/Instructions/\nFILE 0 0 85007 1 1 " + sig("a") +
	                         " a.txt\nFILE 0 0 85008 1 1 " + sig("b") + " a.txt\n",
	     false, "You idiot! I already have a version:\nversion_number\nin file \nAll/Instructions/a.txt\n"},
	    {"no previous", "", false, "I tried to read a directory file that does not exist!\n"},
	    {"md5 fails", kEmptyPrevious, true, "Could not MD5 file!\n" + master + "All/Instructions/a.txt\n\n\n"},
	};
	for (row const& r : rows) {
		if (r.previous.empty()) unlink(previous.c_str());
		else write_text_file(previous, r.previous);
		// An index left by an earlier build: a failed one must not leave it
		// beside new archives.
		put_file(set_fold + "directory.txt.zip", "stale");
		put_file(set_fold + "directory.txt", "stale");
		EXPECT_EXIT(
		    {
			    if (r.md5_fails) builder_set_md5([](std::string const&, std::string&) { return 20006; });
			    sub_install();
			    std::exit(0);
		    },
		    ::testing::ExitedWithCode(1), "")
		    << r.label;
		std::string const text = read_text_file(log);
		EXPECT_NE(text.find(r.lines), std::string::npos) << r.label << "\n" << text;
		if (r.md5_fails) {
			// Neither the old index nor this build's half-written one is left.
			EXPECT_FALSE(file_there(set_fold + "directory.txt.zip"));
			EXPECT_FALSE(file_there(set_fold + "directory.txt"));
			EXPECT_FALSE(file_there(set_fold + "directory.txt.zip.part"));
		}
		open_test_log(dir);
	}
}

// A set written into the master tree would be walked as master files by the
// next build (and by this one): it is refused before anything is written.
TEST_F(BuildTest, AnOutputFolderInsideTheMasterTreeIsRefused)
{
	write_text_file(previous, kEmptyPrevious);
	put_file(master + "All/Instructions/a.txt", "a");
	put_link(dir.path() + "into_master", master + "Windows");
	for (std::string const& output : {master, master + "All/Output/", master + "Windows/new/",
	                                  dir.path() + "into_master/", dir.path() + "out/../master/Macintosh/"}) {
		point_builder(master, previous, output);
		EXPECT_EXIT(
		    {
			    sub_install();
			    std::exit(0);
		    },
		    ::testing::ExitedWithCode(1), "")
		    << output;
		std::string const text = read_text_file(log);
		EXPECT_NE(text.find("The output folder is inside the master tree!\n" + output + "\n" + master + "\n"),
		          std::string::npos)
		    << output << "\n"
		    << text;
		std::string const set = output + "MY CONTAINER FOR Skyrell 8.50 Beta 8/";
		EXPECT_FALSE(file_there(set)) << output;
		open_test_log(dir);
	}
	// Beside the master tree, with a name that begins like it, is fine.
	point_builder(master, previous, dir.path() + "master2/");
	put_folder(dir.path() + "master2/");
	sub_install();
	EXPECT_TRUE(file_there(dir.path() + "master2/MY CONTAINER FOR Skyrell 8.50 Beta 8/Skyrell 8.50 Beta 8/directory.txt.zip"));
}

TEST_F(BuildTest, AFullDiskStopsTheBuildWithoutAHalfArchive)
{
	write_text_file(previous, kEmptyPrevious);
	std::string const big = random_bytes(300000, 3);
	put_file(master + "All/Instructions/big.bin", big);
	EXPECT_EXIT(
	    {
		    signal(SIGXFSZ, SIG_IGN);
		    rlimit lim;
		    lim.rlim_cur = lim.rlim_max = 100000;
		    setrlimit(RLIMIT_FSIZE, &lim);
		    sub_install();
		    std::exit(0);
	    },
	    ::testing::ExitedWithCode(1), "");
	std::string const text = read_text_file(log);
	EXPECT_NE(text.find("I could not zip a file!\n"), std::string::npos) << text;
	EXPECT_NE(text.find(master + "All/Instructions/big.bin\n" + set_fold + "All/Instructions/big.bin.zip\n"),
	          std::string::npos)
	    << text;
	EXPECT_FALSE(file_there(set_fold + "All/Instructions/big.bin.zip"));
	EXPECT_FALSE(file_there(set_fold + "directory.txt.zip"));
}

TEST_F(BuildTest, QStopsTheBuildAtAPackingFrame)
{
	write_text_file(previous, kEmptyPrevious);
	for (int i = 0; i < 20; ++i) put_file(master + "All/Output/f" + std::to_string(100 + i), "x");
	EXPECT_EXIT(
	    {
		    PLT_scripted_input input;
		    PLT_event q;
		    q.what = 3;
		    q.message = 'q';
		    input.push(q);
		    PLT_input_set_source(&input);
		    sub_install();
		    std::exit(0);
	    },
	    ::testing::ExitedWithCode(1), "");
	EXPECT_NE(read_text_file(log).find("You hit Q dumbass!\n"), std::string::npos);
	// Stopped at the tenth file's frame: ten archives, no index.
	int made = 0;
	for (int i = 0; i < 20; ++i) made += file_there(set_fold + "All/Output/f" + std::to_string(100 + i) + ".zip");
	EXPECT_EQ(made, 10);
	EXPECT_FALSE(file_there(set_fold + "directory.txt.zip"));
}

TEST_F(BuildTest, DiscSizeWarningAbove7point7)
{
	std::string const set = "/sets/x/";
	// Summed kilobyte by kilobyte, as many small archives are: exactly 7.7
	// stays silent, one kilobyte more warns. The sum starts from nothing, as
	// a build does, whatever built before in this process.
	zip_kb_ins = 0;
	zip_size_ins = 0;
	for (int i = 0; i < 7700000; ++i) add_zip_size(1);
	check_disc_size(set);
	EXPECT_TRUE(recorded_alerts().empty());
	EXPECT_FLOAT_EQ(zip_size_ins, 7.7f);
	add_zip_size(1);
	check_disc_size(set);
	ASSERT_EQ(recorded_alerts().size(), 1u);
	EXPECT_NE(read_text_file(log).find("You ain't gettin' this on a dvd! The GB in the get info window is wrong! It is "
	                                   "1024x1024x1024!\nThat's how they do hard drives, but not dvds! You need to read "
	                                   "the bytes, not GB, to see how big this thing really is!\n"),
	          std::string::npos);
	EXPECT_NE(read_text_file(log).find("\n/sets/x/\n(make_installer line "), std::string::npos);
}
