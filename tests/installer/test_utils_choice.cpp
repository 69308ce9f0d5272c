// The file choice over listed paths built in memory, with the question's
// answers scripted.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "installer/utils.h"
#include "shell/app_callbacks.h"
#include "support/logged_test.h"

// The frame loop's calls into the application: nothing runs behind the
// windows here.
void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

// A listed path: its signatures oldest first (the last is current), its
// platform and what lies on disk.
struct listed_path {
	std::string name;
	std::vector<std::string> sigs;
	int platform;
	std::string have;
};

void build(std::vector<listed_path> const& paths)
{
	sim_info.clear();
	for (listed_path const& p : paths) {
		file_history_struct h;
		for (std::string const& sig : p.sigs) {
			file_version_struct v{};
			v.platform = p.platform;
			v.sig_want = sig;
			v.name = p.name;
			h.versions.push_back(v);
		}
		h.versions.back().sig_have = p.have;
		// Left from before: a cancelled choice must not touch these.
		h.versions.back().get_it = 7;
		h.versions.back().del_it = 7;
		sim_info.push_back(h);
	}
}

struct question {
	std::string path;
	int deleting;
};
std::vector<question> asked;
std::deque<int> answers;
int scripted(std::string path, int deleting)
{
	asked.push_back({path, deleting});
	if (answers.empty()) return 3;  // a question the case did not expect
	int const a = answers.front();
	answers.pop_front();
	return a;
}

struct choice_case {
	char const* what;
	std::vector<listed_path> paths;
	std::vector<int> answers;
	int result;
	std::vector<question> asked;
	std::vector<std::pair<int, int>> get_del;  // per path; 7 = untouched
};

// Signatures: C current, O an older release, M what the user made.
std::string const C = "c0000000000000000000000000000000";
std::string const O = "01d00000000000000000000000000000";
std::string const M = "m0d00000000000000000000000000000";

// Asked paths are written below "/d/", the destination of the case.
void check(choice_case const& c)
{
	build(c.paths);
	asked.clear();
	answers.assign(c.answers.begin(), c.answers.end());
	EXPECT_EQ(choose_files(), c.result);
	EXPECT_TRUE(answers.empty()) << "answers left over";
	ASSERT_EQ(asked.size(), c.asked.size());
	for (size_t i = 0; i < asked.size(); ++i) {
		EXPECT_EQ(asked[i].path, dest_dir_path + c.asked[i].path.substr(3));
		EXPECT_EQ(asked[i].deleting, c.asked[i].deleting);
	}
	for (size_t i = 0; i < c.get_del.size(); ++i) {
		EXPECT_EQ(sim_info[i].versions.back().get_it, c.get_del[i].first) << i;
		EXPECT_EQ(sim_info[i].versions.back().del_it, c.get_del[i].second) << i;
	}
}

struct ChooseFilesTest : logged_test {
	void SetUp() override
	{
		logged_test::SetUp();
		dest_dir_path = "/d/";
		stg.download_os = 1;
		stg.log_actions = 0;
		choose_files_ask = scripted;
		asked.clear();
		answers.clear();
	}
};

TEST_F(ChooseFilesTest, DecidesEveryPath)
{
	std::vector<choice_case> const cases = {
	    {"absent, present, current",
	     {{"All/a", {C}, 0, "NONE"}, {"All/b", {C}, 0, C}, {"All/c", {O, C}, 1, O}},
	     {}, 1, {}, {{1, 0}, {0, 0}, {1, 0}}},
	    {"absent and gone: nothing to do, no question", {{"All/a", {C, "GONE"}, 0, "NONE"}}, {}, 1, {}, {{0, 0}}},
	    {"a past release on disk is deleted silently when gone", {{"All/a", {O, C, "GONE"}, 0, O}}, {}, 1, {},
	     {{0, 1}}},
	    {"another platform's modified file is left alone", {{"Win/a", {C}, 2, M}}, {}, 1, {}, {{0, 0}}},
	    {"answers 1 and 2",
	     {{"All/x/a", {C}, 0, M}, {"All/y/b", {C}, 0, M}}, {1, 2}, 1,
	     {{"/d/x/a", 0}, {"/d/y/b", 0}}, {{1, 0}, {0, 0}}},
	    {"deleting question: 1 deletes, 2 keeps",
	     {{"All/x/a", {C, "GONE"}, 0, M}, {"All/x/b", {C, "GONE"}, 0, M}}, {1, 2}, 1,
	     {{"/d/x/a", 1}, {"/d/x/b", 1}}, {{0, 1}, {0, 0}}},
	    {"4 decides the folder; a subfolder is still asked; a later gone file is deleted",
	     {{"All/x/a", {C}, 0, M}, {"All/x/b", {C}, 0, M}, {"All/x/sub/c", {C}, 0, M}, {"All/x/d", {C, "GONE"}, 0, M}},
	     {4, 2}, 1, {{"/d/x/a", 0}, {"/d/x/sub/c", 0}}, {{1, 0}, {1, 0}, {0, 0}, {0, 1}}},
	    {"5 keeps the folder, gone files too",
	     {{"All/x/a", {C}, 0, M}, {"All/x/b", {C, "GONE"}, 0, M}, {"All/y/c", {C}, 0, M}}, {5, 1}, 1,
	     {{"/d/x/a", 0}, {"/d/y/c", 0}}, {{0, 0}, {0, 0}, {1, 0}}},
	    {"folders compared exactly, letter case counts",
	     {{"All/X/a", {C}, 0, M}, {"All/x/b", {C}, 0, M}}, {4, 2}, 1, {{"/d/X/a", 0}, {"/d/x/b", 0}},
	     {{1, 0}, {0, 0}}},
	    {"cancel returns at once, later paths untouched",
	     {{"All/a", {C}, 0, "NONE"}, {"All/b", {C}, 0, M}, {"All/c", {C}, 0, "NONE"}}, {3}, 0, {{"/d/b", 0}},
	     {{1, 0}, {7, 7}, {7, 7}}},
	    {"a file moved between platform folders: no question, no deletion",
	     {{"Mac/tool", {O, "GONE"}, 1, C}, {"All/tool", {C}, 0, C}}, {}, 1, {}, {{0, 0}, {0, 0}}},
	    {"moved and stale: fetched again by its new path, not deleted by the old",
	     {{"Mac/tool", {O, "GONE"}, 1, O}, {"All/tool", {C}, 0, O}}, {}, 1, {}, {{0, 0}, {1, 0}}},
	    {"moved and edited by the user: asked once, to install, never to delete",
	     {{"Mac/tool", {O, "GONE"}, 1, M}, {"All/tool", {C}, 0, M}}, {1}, 1, {{"/d/tool", 0}}, {{0, 0}, {1, 0}}},
	    // A path listed twice as current: the later listing is the release's,
	    // else each run would put back the other and none would be the last.
	    {"listed twice, neither on disk: fetched once, by the later listing",
	     {{"All/a", {C}, 0, "NONE"}, {"All/b", {C}, 0, "NONE"}, {"All/a", {O}, 0, "NONE"}}, {}, 1, {},
	     {{0, 0}, {1, 0}, {1, 0}}},
	    {"listed twice, the earlier on disk: replaced by the later",
	     {{"All/a", {C}, 0, C}, {"All/a", {O}, 0, C}}, {}, 1, {}, {{0, 0}, {1, 0}}},
	    {"listed twice, the later on disk: left as it is",
	     {{"All/a", {C}, 0, O}, {"All/a", {O}, 0, O}}, {}, 1, {}, {{0, 0}, {0, 0}}},
	    {"moved to another platform: the old copy is deleted",
	     {{"Mac/tool", {O, "GONE"}, 1, O}, {"Win/tool", {C}, 2, O}}, {}, 1, {}, {{0, 1}, {0, 0}}},
	};
	for (choice_case const& c : cases) {
		SCOPED_TRACE(c.what);
		check(c);
	}
}

// Listed paths that differ in letter case alone are one file when the case
// repair of paths reaches the same file on disk.
TEST_F(ChooseFilesTest, OneFileOnDiskWhateverTheLetterCase)
{
	struct disk_case {
		choice_case choice;
		std::vector<std::string> disk;  // below the destination
	};
	std::vector<disk_case> const cases = {
	    {{"a gone line in another case is the current file: never deleted",
	      {{"All/x/NOTES.TXT", {C, "GONE"}, 0, C}, {"All/x/notes.txt", {C}, 0, C}}, {}, 1, {}, {{0, 0}, {0, 0}}},
	     {"x/notes.txt"}},
	    {{"nor asked about when modified",
	      {{"All/X/Notes.txt", {O, "GONE"}, 0, M}, {"All/x/notes.txt", {C}, 0, M}}, {2}, 1, {{"/d/x/notes.txt", 0}},
	      {{0, 0}, {0, 0}}},
	     {"x/notes.txt"}},
	    {{"two files that differ in case are two files",
	      {{"All/x/NOTES.TXT", {O, "GONE"}, 0, O}, {"All/x/notes.txt", {C}, 0, C}}, {}, 1, {}, {{0, 1}, {0, 0}}},
	     {"x/notes.txt", "x/NOTES.TXT"}},
	};
	g_case_sensitive = 1;  // as on this system's start-up
	int n = 0;
	for (disk_case const& c : cases) {
		SCOPED_TRACE(c.choice.what);
		dest_dir_path = dir.path() + "d" + std::to_string(n++) + "/";
		for (std::string const& p : c.disk) {
			ASSERT_EQ(system(("mkdir -p '" + dest_dir_path + file_folder(p) + "'").c_str()), 0);
			write_text_file(dest_dir_path + p, p);
		}
		check(c.choice);
	}
	g_case_sensitive = 0;
}

TEST_F(ChooseFilesTest, EveryQuestionIsLoggedFirst)
{
	build({{"All/Res/a b.txt", {O, C}, 0, M}, {"All/Res/c", {C, "GONE"}, 0, M}});
	answers = {2, 1};
	ASSERT_EQ(choose_files(), 1);
	EXPECT_EQ(read_text_file(log),
	          "File: /d/Res/a b.txt  sig_want=" + C + "  sig_have=" + M + "\nFile: /d/Res/c  sig_want=GONE  sig_have=" +
	              M + "\n");
}

TEST(FileFolder, UpToTheLastSeparator)
{
	struct row {
		char const* path;
		char const* folder;
	};
	row const rows[] = {
	    {"/d/x/a", "/d/x/"}, {"/d/x/", "/d/"}, {"/d/x:a", "/d/x:"}, {"a\\b", "a\\"}, {"name", ""}, {"", ""},
	};
	for (row const& r : rows) EXPECT_EQ(file_folder(r.path), r.folder) << r.path;
}

}  // namespace
