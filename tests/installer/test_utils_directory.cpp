// The directory file: parsing, refusals, the examination of a destination,
// the platform test and the case-blind key order.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "shell/app_callbacks.h"
#include "installer/main_screen.h"
#include "installer/utils.h"
#include "support/logged_test.h"
#include "support/stand_in_helpers.h"

// The frames' reading step links the shell in; this program runs no frames.
void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

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

int frame_calls = 0;
void record_frame(float, float, float, int, std::string, std::string) { ++frame_calls; }

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
		progress_calls.clear();
		dir_progress_draw = record_progress;
		dir_progress_frame = record_frame;
		frame_calls = 0;
		dir_lines_read = 0;
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
	    {"dot and empty folder names dropped",
	     header() + "DIR ./All/./x//\nFILE 0 0 1 1 1 " + s + " ./a\nFILE 0 0 1 1 1 " + s + " .//b\n",
	     {{{"All/x/a", 0, 0, 1, 1, 1, s}}, {{"All/x/b", 0, 0, 1, 1, 1, s}}}},
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

// A current file is one path however a line spells its folders: a GONE line
// that reaches it through "." or an empty folder name must neither delete it
// nor count as a change.
TEST_F(DirectoryTest, AGoneLineSpellingACurrentFileAnotherWayLeavesIt)
{
	mkdir(local("x").c_str(), 0755);
	write_text_file(local("x/small"), "abc");
	write_text_file(local("x/other"), "abc");
	std::string const s = kSigA;
	struct {
		char const* what;
		std::string gone;  // DIR and FILE lines for the gone path
	} const cases[] = {
	    {"a dot folder in the name", "DIR All/x/\nFILE 0 0 1 0 0 " + s + " ./small\nFILE 0 0 2 0 0 GONE ./small\n"},
	    {"a dot folder in the DIR line", "DIR All/./x/\nFILE 0 0 1 0 0 " + s + " small\nFILE 0 0 2 0 0 GONE small\n"},
	    {"an empty folder name", "DIR All/x//\nFILE 0 0 1 0 0 " + s + " small\nFILE 0 0 2 0 0 GONE small\n"},
	    {"a dot folder through a colon", "DIR All:x:.:\nFILE 0 0 1 0 0 " + s + " small\nFILE 0 0 2 0 0 GONE small\n"},
	};
	choose_files_ask = [](std::string, int) { return 3; };  // no question is expected
	for (auto const& c : cases) {
		SCOPED_TRACE(c.what);
		// Another path between: the gone lines are a history of their own.
		ASSERT_EQ(read(header() + "DIR All/x/\nFILE 0 0 2 0 0 " + s + " small\nFILE 0 0 2 0 0 " + s + " other\n" +
		               c.gone),
		          3);
		ASSERT_EQ(sim_info.size(), 3u);
		EXPECT_EQ(dir_changes, 0);
		ASSERT_EQ(choose_files(), 1);
		for (file_history_struct const& h : sim_info) {
			EXPECT_EQ(h.versions.back().del_it, 0) << h.versions.back().name;
			EXPECT_EQ(h.versions.back().get_it, 0) << h.versions.back().name;
		}
	}
	choose_files_ask = select_alert;
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

// Signature fields are held compactly, yet every word reads back and
// compares exactly as written.
TEST(SigText, EveryWordComparesAsWritten)
{
	std::string const upper = "900150983CD24FB0D6963F7D28E17F72";
	std::string const words[] = {"", "GONE", "NONE", kSigA, kSigB, upper, "m0d00000000000000000000000000000",
	                             "m0d00000000000000000000000000001", "exactly sixteen!", "seventeen chars!!",
	                             std::string(5000, 'z')};
	for (std::string const& a : words) {
		sig_text const s(a);
		EXPECT_EQ(s.str(), a);
		EXPECT_EQ(static_cast<std::string>(s), a);
		EXPECT_EQ("<" + s, "<" + a);
		for (std::string const& b : words) {
			EXPECT_EQ(s == sig_text(b), a == b) << a << " | " << b;
			EXPECT_EQ(s == b, a == b) << a << " | " << b;
			EXPECT_EQ(s != b.c_str(), a != b) << a << " | " << b;
		}
	}
	EXPECT_TRUE(sig_text().empty());
	EXPECT_FALSE(sig_text("NONE").empty());
	sig_text copy = kSigA;
	copy = "GONE";
	EXPECT_EQ(copy, "GONE");
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
	// A huge name is no path the file layer takes: the directory file is
	// refused by name, before anything reaches the file layer.
	write_text_file(dir_file, header() + "DIR All/\nFILE 0 0 1 1 1 GONE " + huge + "\n");
	EXPECT_EXIT(read_directory(dir_file, "T"), ::testing::ExitedWithCode(1), "");
	std::string const text = read_text_file(log);
	EXPECT_EQ(text.find("I am reading the directory text file and found a path that is too long!\n"), 0u)
	    << text.substr(0, 300);
	EXPECT_NE(text.find("It is:\nAll/" + huge.substr(0, 96) + "...\n"), std::string::npos);
	EXPECT_EQ(text.find("String too long!"), std::string::npos);
}

// The file layer takes paths up to 499 characters: a listed file whose
// installed path is longer is refused with the path's start, as a path that
// leaves the folder is; one at the limit is examined like any other.
TEST_F(DirectoryTest, InstalledPathsUpToTheFileLayersLimit)
{
	GTEST_FLAG_SET(death_test_style, "fast");
	std::string const too_long = "I am reading the directory text file and found a path that is too long!";
	// Folders of at most 200 characters (a name's own limit is 255), then a
	// file name that brings the installed path to `length`.
	auto listed_for = [&](size_t length) {
		std::string rest;
		while (dest.size() + rest.size() + 201 < length) rest += std::string(200, 'd') + "/";
		rest += std::string(length - dest.size() - rest.size(), 'f');
		return "All/" + rest;
	};
	struct {
		size_t length;
		bool refused;
	} const rows[] = {{498, false}, {499, false}, {500, true}, {572, true}};
	for (auto const& r : rows) {
		SCOPED_TRACE(r.length);
		std::string const listed = listed_for(r.length);
		std::string const local = installed_path(listed);
		ASSERT_EQ(local.size(), r.length);
		std::string const text = header() + "DIR All/\nFILE 0 0 1 1 1 " + kSigA + " " + listed.substr(4) + "\n";
		if (!r.refused) {
			// On disk, so that the examination really reaches it.
			for (size_t cut = local.find('/', dest.size()); cut != std::string::npos; cut = local.find('/', cut + 1))
				mkdir(local.substr(0, cut).c_str(), 0755);
			write_text_file(local, "abc");
			ASSERT_EQ(read(text), 3);
			ASSERT_EQ(sim_info.size(), 1u);
			EXPECT_EQ(sim_info[0].versions[0].sig_have, kSigA);
			EXPECT_TRUE(recorded_alerts().empty());
			continue;
		}
		write_text_file(log, "");
		write_text_file(dir_file, text);
		EXPECT_EXIT(read_directory(dir_file, "T"), ::testing::ExitedWithCode(1), "");
		std::string const got = read_text_file(log);
		EXPECT_NE(got.find(too_long + "\nThis is impossible to download or delete!\nIt is:\n" + listed.substr(0, 100) +
		                   "...\n(utils line "),
		          std::string::npos)
		    << got.substr(got.size() > 600 ? got.size() - 600 : 0);
		EXPECT_EQ(got.find("String too long!"), std::string::npos);
	}
}

// ---- a read in slices -------------------------------------------------------------

// A large directory file read the way the frames read it: every frame does at
// most one slice of lines or paths and shows the panel once, and the result is
// the read of one call.
TEST_F(DirectoryTest, FramesReadALargeFileInBoundedSlices)
{
	int const lines = 200000;
	std::string body = header();
	body.reserve(static_cast<size_t>(lines) * 60);
	for (int i = 0; i < lines; ++i) {
		if (i % 1000 == 0) body += "DIR All/d" + std::to_string(i / 1000) + "/\n";
		body += "FILE 0 0 1 2 3 " + kSigA + " f" + std::to_string(i) + "\n";
	}
	write_text_file(local("f7"), "");
	mkdir(local("d3").c_str(), 0755);
	write_text_file(local("d3/f3001"), "abc");  // current
	write_text_file(local("d3/f3002"), "x");    // stale
	dir_path = dir_file;
	write_text_file(dir_file, body);

	stg.dir_state = 1;
	dir_read = dir_read_struct();
	int frames = 0, shown = 0;
	long worst = 0;
	while (stg.dir_state == 1 && frames < 10 * lines) {
		long const before = dir_read.units;
		int const panels = frame_calls;
		bool const reading = directory_read_step();
		++frames;
		if (!reading) break;
		worst = std::max(worst, dir_read.units - before);
		shown += frame_calls - panels;
		EXPECT_EQ(frame_calls - panels, 1) << "frame " << frames;
	}
	EXPECT_EQ(stg.dir_state, 3);
	EXPECT_LE(worst, kDirSliceUnits);
	EXPECT_GT(worst, 0);
	// Every line and every path was one unit of some frame's slice.
	EXPECT_GE(frames, 2 * lines / kDirSliceUnits);
	EXPECT_EQ(shown, frames - 1);  // the last frame is the main screen's again
	EXPECT_TRUE(progress_calls.empty());  // nothing swapped the buffers by itself
	EXPECT_EQ(dir_read.phase, static_cast<int>(dir_read_struct::idle));

	ASSERT_EQ(sim_info.size(), static_cast<size_t>(lines));
	EXPECT_EQ(sim_info.back().versions.back().name, "All/d199/f199999");
	EXPECT_EQ(sim_info[3001].versions.back().up_to_date, 1);
	EXPECT_EQ(sim_info[3002].versions.back().up_to_date, 0);
	EXPECT_EQ(dir_changes, lines - 1);
	EXPECT_EQ(stg.disk_bytes_req, 3.0f * (lines - 1));
	EXPECT_TRUE(recorded_alerts().empty());
}

// A destination changed or a read refused midway: the read in progress is
// dropped, never resumed.
TEST_F(DirectoryTest, AReadCutShortStartsAfresh)
{
	std::string body = header() + "DIR All/\n";
	for (int i = 0; i < 3 * kDirSliceUnits; ++i) body += "FILE 0 0 1 1 1 GONE f" + std::to_string(i) + "\n";
	dir_path = dir_file;
	write_text_file(dir_file, body);
	stg.dir_state = 1;
	dir_read = dir_read_struct();
	ASSERT_TRUE(directory_read_step());
	EXPECT_GT(dir_read.units, 0);
	stg.dir_state = 0;
	EXPECT_FALSE(directory_read_step());
	EXPECT_EQ(dir_read.phase, static_cast<int>(dir_read_struct::idle));
	stg.dir_state = 1;
	while (directory_read_step()) {
	}
	EXPECT_EQ(stg.dir_state, 3);
	EXPECT_EQ(sim_info.size(), static_cast<size_t>(3 * kDirSliceUnits));
}

}  // namespace
