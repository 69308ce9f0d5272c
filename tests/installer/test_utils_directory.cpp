// The directory file: parsing, refusals, the examination of a destination,
// the platform test and the case-blind key order.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "installer/utils.h"
#include "support/logged_test.h"
#include "support/stand_in_helpers.h"

namespace {

std::string const kSigA = "900150983cd24fb0d6963f7d28e17f72";  // MD5 of "abc"
std::string const kSigB = "b1946ac92492d2347c6235b4d2611184";  // MD5 of "hello\n"

std::string header(int version = 840) { return "I\n" + std::to_string(version) + " version\nINSTALLER\n\n"; }

struct progress_call {
	float lo, cur, hi;
	int mode;
	std::string title, detail;
};
std::vector<progress_call> progress_calls;
void record_progress(float lo, float cur, float hi, int mode, std::string title, std::string detail)
{
	progress_calls.push_back({lo, cur, hi, mode, title, detail});
}

struct DirectoryTest : logged_test {
	std::string dest;
	std::string dir_file;
	void SetUp() override
	{
		logged_test::SetUp();
		dest = dir.path() + "dest/";
		mkdir(dest.c_str(), 0755);
		dest_dir_path = dest;
		dir_file = dir.path() + "directory.txt";
		stg.download_os = 1;
		dir_file_lines = 0;
		progress_calls.clear();
		dir_progress_draw = record_progress;
		// new_format opens the download page: a stand-in browser records it.
		std::string const bin = dir.path() + "bin/";
		mkdir(bin.c_str(), 0755);
		write_text_file(bin + "xdg-open", "#!/bin/sh\necho \"$@\" >> '" + dir.path() + "opened.txt'\n");
		chmod((bin + "xdg-open").c_str(), 0755);
		setenv("PATH", (bin + ":" + getenv("PATH")).c_str(), 1);
	}
	int read(std::string const& text)
	{
		write_text_file(dir_file, text);
		return read_directory(dir_file, "Title");
	}
	std::string local(std::string const& rel) const { return dest + rel; }
};

// ---- parsing ----------------------------------------------------------------

struct parsed_version {
	std::string name;
	int flag, platform, version;
	float zip_size, ext_size;
	std::string sig_want;
};

struct parse_case {
	char const* what;
	std::string text;
	std::vector<std::vector<parsed_version>> paths;  // sim_info, version by version
};

TEST_F(DirectoryTest, ParsesListedPathsAndHistories)
{
	std::string const s = kSigA;
	std::vector<parse_case> const cases = {
	    {"the worked example",
	     header() + "DIR All/Instructions/\nFILE 0 1 85008 812 2048 " + s + " notes.txt\n",
	     {{{"All/Instructions/notes.txt", 0, 1, 85008, 812, 2048, s}}}},
	    {"version 810 accepted", header(810) + "DIR All/\nFILE 1 0 1 2 3 " + s + " a\n",
	     {{{"All/a", 1, 0, 1, 2, 3, s}}}},
	    {"a FILE line before any DIR has the bare name",
	     header() + "FILE 0 0 7 1 1 " + s + " readme\nDIR All/\nFILE 0 0 7 1 1 " + s + " b\n",
	     {{{"readme", 0, 0, 7, 1, 1, s}}, {{"All/b", 0, 0, 7, 1, 1, s}}}},
	    {"a bare DIR, and DIR at the line end, keep the folder",
	     header() + "DIR All/x/\nDIR\nFILE 0 0 1 1 1 " + s + " a\n  DIR  \nFILE 0 0 1 1 1 " + s + " b\n",
	     {{{"All/x/a", 0, 0, 1, 1, 1, s}}, {{"All/x/b", 0, 0, 1, 1, 1, s}}}},
	    {"keywords only at a line start and followed by a blank or tab",
	     header() + "DIR All/\nxFILE 0 0 1 1 1 " + s + " no\nFILEX 0 0 1 1 1 " + s + " no\nDIRECT Other/\n"
	                "\t FILE\t0 0 1 1 1 " + s + " yes\n",
	     {{{"All/yes", 0, 0, 1, 1, 1, s}}}},
	    {"runs, and a path listed again later is a new entry",
	     header() + "DIR All/\nFILE 0 0 1 1 1 " + s + " a\nFILE 0 0 2 1 1 GONE a\nFILE 0 0 1 1 1 " + s +
	         " b\nFILE 0 0 3 1 1 " + s + " a\n",
	     {{{"All/a", 0, 0, 1, 1, 1, s}, {"All/a", 0, 0, 2, 1, 1, "GONE"}},
	      {{"All/b", 0, 0, 1, 1, 1, s}},
	      {{"All/a", 0, 0, 3, 1, 1, s}}}},
	    {"a folder repeated under a new DIR line joins the run",
	     header() + "DIR All/\nFILE 0 0 1 1 1 " + s + " a\nDIR All/\nFILE 0 0 2 1 1 " + s + " a\n",
	     {{{"All/a", 0, 0, 1, 1, 1, s}, {"All/a", 0, 0, 2, 1, 1, s}}}},
	    {"flags and platforms clamped",
	     header() + "DIR All/\nFILE 5 9 1 1 1 " + s + " a\nFILE -3 -1 -4 -5 -6 " + s + " b\n",
	     {{{"All/a", 1, 6, 1, 1, 1, s}}, {{"All/b", 0, 0, -4, -5, -6, s}}}},
	    {"CR LF and lone CR line ends",
	     "I\r\n840 version\r\nINSTALLER\r\n\r\nDIR All/\r\nFILE 0 0 1 2 3 " + s + " a\r\rFILE 0 0 1 2 3 " + s +
	         " b\r",
	     {{{"All/a", 0, 0, 1, 2, 3, s}}, {{"All/b", 0, 0, 1, 2, 3, s}}}},
	    {"names run to the line end, blanks kept inside and after",
	     header() + "DIR All/My Folder/\nFILE 0 0 1 1 1 " + s + "   my file .txt \n",
	     {{{"All/My Folder/my file .txt ", 0, 0, 1, 1, 1, s}}}},
	    {"separators unified, letter case kept",
	     header() + "DIR All\\Res:X/\nFILE 0 0 1 1 1 " + s + " Sub:File.TXT\n",
	     {{{"All/Res/X/Sub/File.TXT", 0, 0, 1, 1, 1, s}}}},
	    {"other lines and a NUL are passed over",
	     header() + "COMMENT x\nDIR All/\nFILE 0 0 1 1 1 " + s + " a" + std::string(1, '\0') + "junk\nBETA 9\n",
	     {{{"All/a", 0, 0, 1, 1, 1, s}}}},
	};
	for (parse_case const& c : cases) {
		SCOPED_TRACE(c.what);
		ASSERT_EQ(read(c.text), 3);
		ASSERT_EQ(sim_info.size(), c.paths.size());
		for (size_t i = 0; i < c.paths.size(); ++i) {
			ASSERT_EQ(sim_info[i].versions.size(), c.paths[i].size()) << i;
			for (size_t k = 0; k < c.paths[i].size(); ++k) {
				file_version_struct const& v = sim_info[i].versions[k];
				parsed_version const& e = c.paths[i][k];
				EXPECT_EQ(v.name, e.name);
				EXPECT_EQ(v.flag, e.flag);
				EXPECT_EQ(v.platform, e.platform);
				EXPECT_EQ(v.version, e.version);
				EXPECT_EQ(v.zip_size, e.zip_size);
				EXPECT_EQ(v.ext_size, e.ext_size);
				EXPECT_EQ(v.sig_want, e.sig_want);
				EXPECT_EQ(v.get_it, 0);
				EXPECT_EQ(v.del_it, 0);
				// Only the current version is examined.
				EXPECT_EQ(v.sig_have, k + 1 == c.paths[i].size() ? "NONE" : "");
			}
		}
	}
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(DirectoryTest, RefusedHeaderAsksForANewInstaller)
{
	struct refused {
		char const* what;
		std::string text;
	};
	std::vector<refused> const cases = {
	    {"version 850", header(850) + "DIR All/\nFILE 0 0 1 1 1 GONE a\n"},
	    {"wrong keyword", "I\n840 version\nSERVERS\n\nDIR All/\nFILE 0 0 1 1 1 GONE a\n"},
	    {"no type line", "840 version\nINSTALLER\n"},
	};
	for (refused const& c : cases) {
		SCOPED_TRACE(c.what);
		recorded_alerts().clear();
		app_done = 0;
		stg.install_stage = 0;
		sim_info.assign(3, file_history_struct{});
		EXPECT_EQ(read(c.text), 2);
		EXPECT_TRUE(sim_info.empty());
		ASSERT_EQ(recorded_alerts().size(), 1u);
		EXPECT_EQ(recorded_alerts()[0].text,
		          "OK I am checking the Kestrin Research servers and I am finding file formats that are newer than "
		          "I can understand! In other words, you need to get a new installer!");
		EXPECT_NE(recorded_alerts()[0].detail.find(dir_file), std::string::npos);
		EXPECT_EQ(app_done, 1);
		EXPECT_EQ(stg.install_stage, 2);
	}
	std::string const page = "http://www.kestrin-research.example/download/\n";
	EXPECT_EQ(text_once(dir.path() + "opened.txt", page + page + page), page + page + page);
	EXPECT_NE(read_text_file(log).find("(utils line "), std::string::npos);
}

// ---- fatal refusals -----------------------------------------------------------

struct fatal_case {
	char const* what;
	std::string body;  // after the header; "" with missing: no file at all
	std::vector<std::string> lines;
};

TEST_F(DirectoryTest, FatalRefusals)
{
	GTEST_FLAG_SET(death_test_style, "fast");
	std::string const s = kSigA;
	std::string const no_file = "I am reading the directory text file and found a path that has no file!";
	std::string const leaves = "I am reading the directory text file and found a path that leaves the Skyrell folder!";
	std::vector<fatal_case> const cases = {
	    {"a folder as a path", "DIR All/\nFILE 0 0 1 1 1 " + s + " sub/\n", {no_file, "All/sub/"}},
	    {"a name ending in a colon", "DIR All/\nFILE 0 0 1 1 1 " + s + " sub:\n", {no_file, "All/sub/"}},
	    {"a line cut short reads no name, not the next line",
	     "DIR All/\nFILE 1 2\nFILE 0 0 1 1 1 " + s + " b\n", {no_file, "All/"}},
	    {"an empty path before any DIR", "FILE 0 0 1 1 1 " + s + "\n", {no_file, ""}},
	    {"dot-dot in the name", "DIR All/\nFILE 0 0 1 1 1 " + s + " ../x\n", {leaves, "All/../x"}},
	    {"dot-dot deeper", "DIR All/a/\nFILE 0 0 1 1 1 " + s + " ../../x\n", {leaves, "All/a/../../x"}},
	    {"dot-dot through a colon", "FILE 0 0 1 1 1 " + s + " ..:x\n", {leaves, "../x"}},
	    {"dot-dot in the folder", "DIR All/..\\..\\\nFILE 0 0 1 1 1 " + s + " x\n", {leaves, "All/../../x"}},
	};
	for (fatal_case const& c : cases) {
		SCOPED_TRACE(c.what);
		write_text_file(log, "");
		write_text_file(dir_file, header() + c.body);
		EXPECT_EXIT(read_directory(dir_file, "T"), ::testing::ExitedWithCode(1), "");
		std::string const expected = c.lines[0] + "\nThis is impossible to download or delete!\nIt is:\n" +
		                             c.lines[1] + "\n(utils line ";
		EXPECT_NE(read_text_file(log).find(expected), std::string::npos) << read_text_file(log);
	}
}

TEST_F(DirectoryTest, MissingOrEmptyFileIsFatal)
{
	GTEST_FLAG_SET(death_test_style, "fast");
	for (bool empty : {false, true}) {
		SCOPED_TRACE(empty ? "empty" : "missing");
		write_text_file(log, "");
		unlink(dir_file.c_str());
		if (empty) write_text_file(dir_file, "");
		EXPECT_EXIT(read_directory(dir_file, "T"), ::testing::ExitedWithCode(1), "");
		EXPECT_NE(read_text_file(log).find("I tried to read a directory file that does not exist!\nThe file is:\n" +
		                                   dir_file + "\n\n(utils line "),
		          std::string::npos)
		    << read_text_file(log);
	}
}

// ---- examination ----------------------------------------------------------------

TEST_F(DirectoryTest, ExaminesTheDestination)
{
	mkdir(local("Res").c_str(), 0755);
	write_text_file(local("Res/equal"), "abc");
	write_text_file(local("Res/changed"), "hello\n");
	write_text_file(local("Res/empty"), "");
	write_text_file(local("Res/gone_here"), "abc");
	ASSERT_EQ(symlink("abc", local("Res/link").c_str()), 0);  // signed by its target text
	write_text_file(local("top"), "abc");

	std::string const s = kSigA;
	std::string const text = header() + "DIR All/Res/\n" +
	                         "FILE 0 0 1 10 100 " + s + " equal\n" +            // 0 current
	                         "FILE 0 1 1 20 200 " + kSigB + " changed\n" +      // 1 an old release on disk:
	                         "FILE 0 1 2 21 201 " + s + " changed\n" +          //   the last line counts
	                         "FILE 0 0 1 40 400 " + s + " absent\n" +           // 2
	                         "FILE 0 0 1 80 800 " + s + " empty\n" +            // 3 reads as absent
	                         "FILE 0 0 1 1 1 " + s + " gone_here\n" +           // 4 on disk, now gone
	                         "FILE 0 0 2 0 0 GONE gone_here\n" +                //
	                         "FILE 0 2 1 1000 1000 " + s + " windows_only\n" +  // 5 another platform
	                         "FILE 1 0 1 3000 3000 " + s + " flagged\n" +       // 6 tested with its own flag
	                         "FILE 0 0 1 5 5 " + s + " link\n" +                // 7 a link to "abc"
	                         "DIR All/\nFILE 0 0 1 7 7 " + kSigB + " top\n";    // 8 top level, stale
	this_install_has_exes = 0;
	deleted_files = {"/left/over/"};
	ASSERT_EQ(read(text), 3);
	ASSERT_EQ(sim_info.size(), 9u);
	struct expect {
		std::string have;
		int up_to_date;
	};
	std::vector<expect> const want = {{s, 1},      {kSigB, 0}, {"NONE", 0}, {"NONE", 0}, {s, 0},
	                                  {"NONE", 0}, {"NONE", 0}, {s, 1},     {s, 0}};
	for (size_t i = 0; i < want.size(); ++i) {
		file_version_struct const& v = sim_info[i].versions.back();
		EXPECT_EQ(v.sig_have, want[i].have) << v.name;
		EXPECT_EQ(v.up_to_date, want[i].up_to_date) << v.name;
	}
	EXPECT_EQ(sim_info[1].versions.front().sig_have, "");  // past versions are not examined
	// changed 21 + absent 40 + empty 80 + flagged 3000 + top 7.
	EXPECT_EQ(stg.down_bytes_req, 3148.0f);
	EXPECT_EQ(stg.disk_bytes_req, 4408.0f);
	EXPECT_EQ(this_install_has_exes, 1);  // "changed" is a Macintosh file
	EXPECT_TRUE(deleted_files.empty());
	EXPECT_EQ(dir_changes, 6);  // the five wanted and gone_here

	// Never reset: a second read with nothing platform-bound keeps it.
	ASSERT_EQ(read(header() + "DIR All/\nFILE 0 0 1 1 1 " + s + " other\n"), 3);
	EXPECT_EQ(this_install_has_exes, 1);
	EXPECT_EQ(stg.down_bytes_req, 1.0f);
	EXPECT_EQ(stg.disk_bytes_req, 1.0f);

	// Every-platform files alone never set it.
	this_install_has_exes = 0;
	stg.download_os = 3;
	ASSERT_EQ(read(header() + "DIR All/\nFILE 0 6 1 1 1 " + s + " linux\nFILE 0 0 1 1 1 " + s + " any\n"), 3);
	EXPECT_EQ(this_install_has_exes, 0);
	EXPECT_EQ(stg.down_bytes_req, 2.0f);
}

// Whether there is anything to do never hangs on the sizes, which are whole
// kilobytes, cut.
TEST_F(DirectoryTest, ChangesAreCountedWhateverTheirSizes)
{
	write_text_file(local("small"), "abc");
	std::string const s = kSigA;
	struct {
		char const* what;
		std::string body;
		int changes;
	} const cases[] = {
	    {"a changed file under a kilobyte", "DIR All/\nFILE 0 0 2 0 0 " + kSigB + " small\n", 1},
	    {"an absent file under a kilobyte", "DIR All/\nFILE 0 0 2 0 0 " + s + " new\n", 1},
	    {"a deletion alone", "DIR All/\nFILE 0 0 1 0 0 " + s + " small\nFILE 0 0 2 0 0 GONE small\n", 1},
	    {"gone and already absent", "DIR All/\nFILE 0 0 1 0 0 " + s + " new\nFILE 0 0 2 0 0 GONE new\n", 0},
	    {"moved between platform folders to the same place",
	     "DIR Linux Generic x86/\nFILE 0 0 1 0 0 " + s + " small\nFILE 0 0 2 0 0 GONE small\n"
	     "DIR All/\nFILE 0 0 2 0 0 " + s + " small\n",
	     0},
	    {"another platform's file", "DIR Windows/\nFILE 0 2 2 0 0 " + kSigB + " small\n", 0},
	    {"up to date", "DIR All/\nFILE 0 0 2 0 0 " + s + " small\n", 0},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.what);
		ASSERT_EQ(read(header() + c.body), 3);
		EXPECT_EQ(stg.disk_bytes_req, 0.0f);
		EXPECT_EQ(dir_changes, c.changes);
	}
}

TEST_F(DirectoryTest, ProgressPanelCadence)
{
	// 450 paths of one version each; a second call carries the line count on.
	std::string body = header() + "DIR All/\n";
	for (int i = 0; i < 450; ++i) body += "FILE 0 0 1 1 1 " + kSigA + " f" + std::to_string(i) + "\n";
	ASSERT_EQ(read(body), 3);
	std::vector<progress_call> parse, exam;
	for (progress_call const& p : progress_calls) (p.mode == 0 ? parse : exam).push_back(p);
	ASSERT_EQ(parse.size(), 1u);  // the first line ever
	EXPECT_EQ(parse[0].detail, "f0");
	EXPECT_EQ(parse[0].title, "Title");
	EXPECT_EQ(parse[0].hi, static_cast<float>(body.size()));
	EXPECT_EQ(parse[0].cur, static_cast<float>(body.find("f0\n") + 3));
	// step 450 / 200 = 2: paths 0, 2, ..., 448.
	ASSERT_EQ(exam.size(), 225u);
	EXPECT_EQ(exam[1].cur, 2.0f);
	EXPECT_EQ(exam[1].hi, 450.0f);
	EXPECT_EQ(exam[1].detail, local("f2"));

	progress_calls.clear();
	ASSERT_EQ(read(body), 3);
	parse.clear();
	for (progress_call const& p : progress_calls)
		if (p.mode == 0) parse.push_back(p);
	ASSERT_EQ(parse.size(), 1u);  // line 500 overall is this call's 51st
	EXPECT_EQ(parse[0].detail, "f50");

	// Fewer than 200 paths: every one is shown.
	progress_calls.clear();
	ASSERT_EQ(read(header() + "DIR All/\nFILE 0 0 1 1 1 GONE a\nFILE 0 0 1 1 1 GONE b\n"), 3);
	ASSERT_EQ(progress_calls.size(), 2u);
	EXPECT_EQ(progress_calls[1].mode, 1);
}

// ---- platform test and key order ----------------------------------------------------

TEST(WantThisF, PlatformTableAndFlag)
{
	// Rows: download_os 1 to 5; columns: platform codes 0 to 6.
	int const wanted[5][7] = {
	    {1, 1, 0, 0, 0, 0, 0}, {1, 0, 1, 0, 0, 0, 0}, {1, 0, 0, 1, 0, 0, 1},
	    {1, 0, 0, 0, 1, 0, 1}, {1, 0, 0, 0, 0, 1, 1},
	};
	sim_info.assign(1, file_history_struct{});
	for (int code = 0; code <= 6; ++code) {
		file_version_struct v{};
		v.platform = code;
		v.flag = code % 2;
		sim_info[0].versions.push_back(v);
	}
	for (int os = 1; os <= 5; ++os) {
		stg.download_os = os;
		for (int code = 0; code <= 6; ++code) {
			EXPECT_EQ(want_this_f(0, code, code % 2), wanted[os - 1][code]) << "os " << os << " code " << code;
			EXPECT_EQ(want_this_f(0, code, 1 - code % 2), 0) << "flag differs";
		}
	}
	EXPECT_EQ(want_this_f(1, 0, 0), 0);   // no such path
	EXPECT_EQ(want_this_f(0, 7, 0), 0);   // no such version
	EXPECT_EQ(want_this_f(-1, 0, 0), 0);
}

TEST(NoCaseCompare, OrdersCaseBlindShorterPrefixFirst)
{
	no_case_compare_string const less;
	struct row {
		char const* a;
		char const* b;
		bool a_less, b_less;
	};
	row const rows[] = {
	    {"Resources/A.txt", "resources/a.TXT", false, false},  // one key
	    {"abc", "ABCD", true, false},                           // prefix first
	    {"ABC", "abd", true, false},
	    {"a_b", "A[b", false, true},  // '_' (95) after '[' (91), both unchanged by tolower
	    {"", "a", true, false},
	    {"\xe9T", "\xe9t", false, false},  // high bytes pass tolower safely
	};
	for (row const& r : rows) {
		EXPECT_EQ(less(r.a, r.b), r.a_less) << r.a << " < " << r.b;
		EXPECT_EQ(less(r.b, r.a), r.b_less) << r.b << " < " << r.a;
	}
	sim_info_index.clear();
	sim_info_index["Resources/A.txt"] = 1;
	sim_info_index["resources/a.TXT"] = 2;
	EXPECT_EQ(sim_info_index.size(), 1u);
	EXPECT_EQ(sim_info_index["RESOURCES/A.TXT"], 2);
}

TEST(ListedPaths, NoFileAndInstalledPath)
{
	EXPECT_FALSE(path_has_no_file(""));
	EXPECT_TRUE(path_has_no_file("a/"));
	EXPECT_TRUE(path_has_no_file("a:"));
	EXPECT_FALSE(path_has_no_file("a/b"));
	dest_dir_path = "/d/";
	EXPECT_EQ(installed_path("All/Instructions/notes.txt"), "/d/Instructions/notes.txt");
	EXPECT_EQ(installed_path("readme"), "/d/readme");
	EXPECT_EQ(installed_path("All/readme"), "/d/readme");
	// Absolute forms stay inside: the first component is always dropped.
	EXPECT_EQ(installed_path("/etc/passwd"), "/d/etc/passwd");
	EXPECT_EQ(installed_path("C//Windows/x"), "/d//Windows/x");
}

TEST_F(DirectoryTest, HugeLinesEndInOrder)
{
	GTEST_FLAG_SET(death_test_style, "fast");
	std::string const huge(1 << 20, 'x');
	// A huge line that is neither DIR nor FILE is passed over.
	ASSERT_EQ(read(header() + "NOTE " + huge + "\nDIR All/\nFILE 0 0 1 1 1 GONE a\n"), 3);
	ASSERT_EQ(sim_info.size(), 1u);
	// A huge name is no path the file layer takes: the program ends through
	// its alert, not a crash.
	write_text_file(dir_file, header() + "DIR All/\nFILE 0 0 1 1 1 GONE " + huge + "\n");
	EXPECT_EXIT(read_directory(dir_file, "T"), ::testing::ExitedWithCode(1), "");
	std::string const text = read_text_file(log);
	EXPECT_EQ(text.find("String too long!\n"), 0u) << text.substr(0, 300);
	EXPECT_NE(text.find(dest + huge.substr(0, 100)), std::string::npos);
}

}  // namespace
