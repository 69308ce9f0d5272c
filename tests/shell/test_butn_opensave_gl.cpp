// The in-window file browser on the real start-up, over a folder tree in the
// program's (temporary) folder, driven by input that a hook hands in at each
// buffer swap; and what it decides (start folder, saved name, folder levels,
// a folder file's comment) on its own.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "shell/app_callbacks.h"
#include "shell/browser_script.h"
#include "shell/butn.h"
#include "shell/hl_mnw.h"
#include "support/coordinate_atlas.h"
#include "support/window_png.h"

void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}
void recall_ins_texes() { load_coordinate_atlas(363, 512); }

using namespace browser_script;

// ---- what the browser decides ---------------------------------------------------------

TEST(browser_decisions, LevelsAndPopUpItemsOfAFolder)
{
	struct row {
		std::string folder;
		std::vector<BTN_opensave_level> levels;
		std::string items;
		std::vector<std::string> ancestors;
	} const rows[] = {
	    {"", {}, "Skybase folder", {""}},
	    {"/", {}, "Skybase folder", {""}},
	    {"Aircraft/Cessna/",
	     {{"Aircraft", 30, 405}, {"Cessna", 40, 395}},
	     "Skybase folder-Aircraft-Cessna",
	     {"", "Aircraft/", "Aircraft/Cessna/"}},
	    // The pop-up's separator, and the character it refuses, show as blanks.
	    {"Aircraft/Heavy-Jets/",
	     {{"Aircraft", 30, 405}, {"Heavy Jets", 40, 395}},
	     "Skybase folder-Aircraft-Heavy Jets",
	     {"", "Aircraft/", "Aircraft/Heavy-Jets/"}},
	    {"Pipe|Line/", {{"Pipe Line", 30, 405}}, "Skybase folder-Pipe Line", {"", "Pipe|Line/"}},
	    // An absolute folder starts with an empty level.
	    {"/srv/a/", {{"", 30, 405}, {"srv", 40, 395}, {"a", 50, 385}}, "Skybase folder--srv-a", {"", "/", "/srv/", "/srv/a/"}},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.folder);
		BTN_opensave_folders const f = BTN_opensave_levels(r.folder);
		ASSERT_EQ(f.levels.size(), r.levels.size());
		for (size_t i = 0; i < r.levels.size(); ++i) {
			EXPECT_EQ(f.levels[i].text, r.levels[i].text);
			EXPECT_EQ(f.levels[i].x, r.levels[i].x);
			EXPECT_EQ(f.levels[i].y, r.levels[i].y);
		}
		EXPECT_EQ(f.items, r.items);
		EXPECT_EQ(f.ancestors, r.ancestors);
	}

	// 300 levels, or 400 empty ones: the pop-up's table keeps 299 ancestors,
	// the last one the deepest, and offers one item for each (the pop-up
	// ends the program at its 301st item).
	std::string deep;
	for (int i = 0; i < 300; ++i) deep += "d/";
	for (std::string const& folder : {deep, "ab/" + std::string(400, '/')}) {
		SCOPED_TRACE(folder.substr(0, 4));
		BTN_opensave_folders const f = BTN_opensave_levels(folder);
		ASSERT_EQ(f.ancestors.size(), 300u);
		EXPECT_EQ(std::count(f.items.begin(), f.items.end(), '-') + 1, 300);
	}
	BTN_opensave_folders const f = BTN_opensave_levels(deep);
	EXPECT_EQ(f.levels.size(), 300u);
	EXPECT_EQ(f.ancestors.back(), deep);
	EXPECT_EQ(f.items.substr(f.items.size() - 2), "-d");
}

TEST(browser_decisions, SavedNameTakesTheExtensionOfTheFileType)
{
	struct row {
		int type;
		std::string typed, saved;
	} const rows[] = {
	    {3, "b747", "b747.ACF"},          {3, "b747.acf", "b747.ACF"}, {3, "b747.txt", "b747.ACF"},
	    {3, ".acf", ".acf.ACF"},           // the dot must follow a name
	    {8, "b747", "b747"},              {8, "b747.fdr", "b747"},     {8, "b74.7", "b74.7"},
	    {0, "plain.txt", "plain"},        {2, "shot", "shot.BMP"},     {17, "r.x", "r.x.REG"},
	    // Refused (""): no name, a name that would leave the folder or name
	    // another one, or the folder itself.
	    {3, "", ""},                      {3, "../evil", ""},            {0, "a/b", ""},
	    {3, "a:b", ""},                   {3, "a\\b", ""},            {8, "..", ""},
	    {0, ".", ""},                     {8, "..abc", ""},
	};
	for (row const& r : rows) EXPECT_EQ(BTN_opensave_save_name(r.type, r.typed), r.saved) << r.type << " " << r.typed;
}

TEST(browser_decisions, StartFolder)
{
	struct row {
		int type;
		std::string path, before, folder;
	} const rows[] = {
	    {3, "Aircraft/Cessna/c172.acf", "x/", "Aircraft/Cessna/"},
	    {3, "Aircraft/Cessna/", "x/", "Aircraft/"},
	    {3, "c172.acf", "Aircraft/Cessna/", "Aircraft/Cessna/"},  // where the last browser was left
	    {3, "Aircraft:c172.acf", "x/", "Aircraft:"},
	    {3, "Aircraft\\c172.acf", "x/", "Aircraft\\"},
	    {3, "/c172.acf", "x/", ""},  // the first character is not examined
	    {3, "a/", "x/", ""},
	    {9, "Aircraft/c172.acf", "x/", "Output:situations:"},
	    {17, "", "x/", "Voidstrike Resources:regions:"},
	    // A folder the listing cannot take leaves the browser where it was.
	    {3, std::string(500, 'a') + "/b.acf", "x/", "x/"},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.path);
		wrk_path = r.before;
		BTN_opensave_start_folder(r.type, r.path);
		EXPECT_EQ(wrk_path, r.folder);
	}
}

TEST(browser_decisions, CommentOfAFolderFile)
{
	temp_dir dir;
	std::string const deep = std::string(250, 'd') + "/";
	struct row {
		char const* name;
		std::string file;  // in dir
		char const* text;  // null: no such file; "fifo": a named pipe
		std::string comment;
	} const rows[] = {
	    {"plain", "f.fdr", "I\n800 version\nCOMM, Seattle and around\n", "Seattle and around"},
	    {"any case, later line, CR LF", "f.fdr", "A\r\n1 version\r\nNAME, x\r\ncomm, two, three  \r\n", "two, three  "},
	    // A line without a comma must not hide the next one.
	    {"line without comma", "f.fdr", "I\n800 version\nNAME\nCOMM, found\n", "found"},
	    {"no COMM line", "f.fdr", "I\n800 version\nCOMMENT, no\n", ""},
	    {"COMM ends its line", "f.fdr", "I\n800 version\nCOMM\nnext\n", ""},
	    {"COMM's comma ends its line", "f.fdr", "I\n800 version\nCOMM,\nNAME, next\n", ""},
	    {"bad first byte", "f.fdr", "X\n800 version\nCOMM, no\n", ""},
	    {"version 0", "f.fdr", "I\n0 version\nCOMM, no\n", ""},
	    {"binary", "f.fdr", "I\n\x01\xff\x80,COMM\x7f", ""},
	    {"empty", "f.fdr", "", ""},
	    {"missing", "f.fdr", nullptr, ""},
	    {"named pipe", "p.fdr", "fifo", ""},
	    // Longer than the framework's paths: no comment, and no fatal alert.
	    {"long path", deep + std::string(246, 'f') + ".fdr", "I\n800 version\nCOMM, far\n", ""},
	};
	mkdir((dir.path() + deep).c_str(), 0700);
	for (row const& r : rows) {
		SCOPED_TRACE(r.name);
		std::string const path = dir.path() + r.file;
		std::remove(path.c_str());
		if (r.text && std::string(r.text) == "fifo")
			ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
		else if (r.text)
			write_text_file(path, r.text);
		EXPECT_EQ(BTN_opensave_fdr_comment(path), r.comment);
	}
}

// ---- the browser ----------------------------------------------------------------------------

TEST_F(browser_test, OpenFormChoosesTheClickedFile)
{
	// Aircraft/Cessna/ lists c172.acf and c182.acf for aircraft; c182 is in
	// the middle.
	struct row {
		int file_path;
		std::string result;
	} const rows[] = {{0, "c172.acf"}, {1, "Aircraft/Cessna/c172.acf"}};
	for (row const& r : rows) {
		std::string path = "Aircraft/Cessna/c999.acf";
		return_hit = 1;  // the Return that led here does not choose c182
		EXPECT_EQ(browse(998, r.file_path, 3, &path, {click_at(100, row_y(0, 1))}), 1);
		EXPECT_EQ(path, r.result);
		EXPECT_EQ(mnw.cur_win, 0);
		EXPECT_EQ(mnw.modal_up, 0);
	}
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(browser_test, FoldersAreEnteredByClickAndByReturn)
{
	// Aircraft/ lists Cessna, Heavy-Jets and Pipe|Line for aircraft (its
	// text file is filtered out); Heavy-Jets is in the middle.
	std::string path = "Aircraft/Cessna/";
	// Cessna clicked; its middle entry, c182, is hovered while the mouse is
	// off the list, and Return takes it.
	EXPECT_EQ(browse(998, 1, 3, &path, {click_at(100, row_y(0, 1)), mouse_away, press_return()}), 1);
	EXPECT_EQ(path, "Aircraft/Cessna/c182.acf");
	EXPECT_EQ(return_hit, 0);  // taken by the browser

	// Return on the hovered folder enters it, a second Return opens its file.
	path = "Aircraft/Cessna/";
	EXPECT_EQ(browse(998, 1, 3, &path, {press_return(), press_return()}), 1);
	EXPECT_EQ(path, "Aircraft/Heavy-Jets/b747.acf");

	// The next browser, handed a bare name, starts where this one ended.
	path = "b747.acf";
	EXPECT_EQ(browse(998, 0, 3, &path, {press_return()}), 1);
	EXPECT_EQ(path, "b747.acf");
	EXPECT_EQ(wrk_path, "Aircraft/Heavy-Jets/");
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(browser_test, LevelsPopUpGoesUpTheAncestors)
{
	std::vector<std::string> offered;
	float selected_y = 0;
	std::string path = "Aircraft/Cessna/c172.acf";
	auto const look = [&] {
		offered = popup_items();
		selected_y = menu[menu_popup].items.back().y1;
	};
	// Opened: Skybase folder, Aircraft, Cessna with Cessna (item 2) selected,
	// at the pop-up's own height; Aircraft picked.
	EXPECT_EQ(browse(998, 1, 3, &path, {open_popup, idle, run(look), popup_item(1, 2), cancel}), 0);
	EXPECT_EQ(offered, (std::vector<std::string>{"Skybase folder", "Aircraft", "Cessna"}));
	EXPECT_EQ(selected_y, 438);
	EXPECT_EQ(wrk_path, "Aircraft/");
	EXPECT_EQ(path, "Aircraft/Cessna/c172.acf");

	// The first item is the program's folder itself.
	EXPECT_EQ(browse(998, 1, 3, &path, {open_popup, idle, popup_item(0, 2), cancel}), 0);
	EXPECT_EQ(wrk_path, "");

	// A folder named with the pop-up's forbidden character is one item with
	// a blank, and so is a folder named with its separator.
	for (char const* folder : {"Aircraft/Pipe|Line/pl.acf", "Aircraft/Heavy-Jets/b747.acf"}) {
		path = folder;
		EXPECT_EQ(browse(998, 1, 3, &path, {open_popup, idle, run(look), popup_item(2, 2), cancel}), 0);
		std::string const last = std::string(folder).find('|') != std::string::npos ? "Pipe Line" : "Heavy Jets";
		EXPECT_EQ(offered, (std::vector<std::string>{"Skybase folder", "Aircraft", last}));
	}
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(browser_test, SaveFormTakesTheTypedNameWithTheExtension)
{
	// The screen with the name typed, for a look (SKY_SHOT_DIR).
	auto const keep_shot = [] {
		if (char const* dir = std::getenv("SKY_SHOT_DIR"))
			save_window_png(std::string(dir) + "/browser_save.png", mnw.x_res_use, mnw.y_res_use);
	};
	std::string const thirty(30, 'n');
	struct row {
		char const* what;
		int file_path, file_type;
		std::deque<step> steps;
		std::string result;
	} const rows[] = {
	    {"Return", 0, 3, {type("b747"), mouse_away, run(keep_shot), press_return()}, "b747.ACF"},
	    {"Save button", 1, 3, {type("b747.acf"), save}, "Aircraft/Cessna/b747.ACF"},
	    {"31st character cut", 0, 3, {type(thirty + "x"), press_return()}, thirty + ".ACF"},
	    {"folder files get no extension", 0, 8, {type("b747.fdr"), press_return()}, "b747"},
	    {"a default folder", 1, 9, {type("ksea"), save}, "Output/situations/ksea.SIT"},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.what);
		std::string path = "Aircraft/Cessna/c172.acf";
		EXPECT_EQ(browse(999, r.file_path, r.file_type, &path, r.steps), 1);
		EXPECT_EQ(path, r.result);
		EXPECT_EQ(mnw.cur_win, 0);
		EXPECT_TRUE(stl_input.empty());
	}
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(browser_test, SaveFormWithNoNameIgnoresSaveAndReturnAndAFileClick)
{
	// No name, or one that would leave the folder shown.
	for (char const* typed : {"", "../evil", "a/b"}) {
		SCOPED_TRACE(typed);
		std::string path = "Aircraft/Cessna/c172.acf";
		EXPECT_EQ(browse(999, 1, 3, &path,
		                 {type(typed), press_return(), save, click_at(100, row_y(0, 1)), mouse_away, press_return(),
		                  cancel}),
		          0);
		EXPECT_EQ(path, "Aircraft/Cessna/c172.acf");
	}
	// A folder clicked in the save form is entered.
	std::string path = "Aircraft/Cessna/";
	EXPECT_EQ(browse(999, 1, 3, &path, {click_at(100, row_y(0, 1)), type("n"), press_return()}), 1);
	EXPECT_EQ(path, "Aircraft/Cessna/n.ACF");
}

TEST_F(browser_test, CancelOrAnotherScreenLeavesThePathAndRestoresTheScreen)
{
	struct row {
		char const* what;
		std::deque<step> steps;
		int after;
	} const rows[] = {
	    {"cancel", {type("abc"), cancel}, 0},
	    {"another screen", {run([] { VEDEZE_startwind(2); })}, 2},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.what);
		VEDEZE_startwind(0);
		std::string path = "Aircraft/Cessna/c172.acf";
		EXPECT_EQ(browse(999, 1, 3, &path, r.steps), 0);
		EXPECT_EQ(path, "Aircraft/Cessna/c172.acf");
		EXPECT_EQ(mnw.cur_win, r.after);
		EXPECT_TRUE(stl_input.empty());
	}
}

TEST_F(browser_test, FolderFileCommentIsReadAgainByTheNextBrowser)
{
	// The comment's place on the screen (layout units of the browser).
	auto const grab = [](std::vector<unsigned char>* px) {
		px->assign(200 * 10 * 3, 0);
		glPixelStorei(GL_PACK_ALIGNMENT, 1);
		glReadPixels(static_cast<int>(mnw.org_x) + 30, static_cast<int>(mnw.org_y) + 404, 200, 10, GL_RGB,
		             GL_UNSIGNED_BYTE, px->data());
	};
	mkdir((root() + "Notes").c_str(), 0700);
	std::vector<unsigned char> before, after;
	for (auto* px : {&before, &after}) {
		// Between the two browsers the file takes another comment.
		write_text_file(root() + "Notes/a.fdr",
		                std::string("I\n800 version\nCOMM, ") + (px == &before ? "one" : "WWW another") + "\n");
		std::string path = "Notes/x.fdr";
		EXPECT_EQ(browse(998, 1, 8, &path, {idle, run([&] { grab(px); }), cancel}), 0);
	}
	EXPECT_TRUE(before != after) << "the first comment is still shown";
}

TEST_F(browser_test, HostileFoldersNeverEndTheProgram)
{
	// A name as long as a name may be, in a folder deep enough that its path
	// from the program's folder passes 499 bytes.
	std::string const l240 = std::string(240, 'l');
	std::string const far_acf = std::string(251, 'f') + ".acf";  // 255 bytes
	std::string const colons(150, ':');  // ':' is a separator in paths
	std::string const odd = "W{e|i-r\x01" "d\xc3\xa9";
	for (std::string const& folder : std::vector<std::string>{"Long/", "Long/" + l240 + "/", "ab/", "ab/" + colons + "/",
	                                  "Gone/", "Gone/Sub/", odd + "/"})
		mkdir((root() + folder).c_str(), 0700);
	for (std::string const& file : std::vector<std::string>{"Long/" + l240 + "/" + far_acf, "Long/" + l240 + "/ok.acf",
	                                "Gone/a.acf", odd + "/o.acf"})
		write_text_file(root() + file, "x\n");
	auto const gone = [this] {
		std::string const g = root() + "Gone/";
		std::remove((g + "a.acf").c_str());
		rmdir((g + "Sub").c_str());
		rmdir(g.c_str());
		write_text_file(root() + "Gone", "now a file");
	};

	struct row {
		char const* what;
		std::string path;
		std::deque<step> steps;
		int result;
		std::string after;  // *path after the call
	} const rows[] = {
	    // Entered by Return: a folder holding a name too long to be a path
	    // shows as empty.
	    {"entry path too long", "Long/x.acf", {press_return(), idle, press_return(), cancel}, 0, "Long/x.acf"},
	    // Each visit of the colon folder adds empty levels to the pop-up.
	    {"colon folder", "ab/x.acf", {press_return(), idle, press_return(), idle, cancel}, 0, "ab/x.acf"},
	    {"folder gone, a file in its place", "Gone/x.acf", {run(gone), idle, press_return(), cancel}, 0, "Gone/x.acf"},
	    {"odd bytes", odd + "/x.acf", {open_popup, idle, popup_item(1, 1), idle, press_return()}, 1, odd + "/o.acf"},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.what);
		std::string path = r.path;
		EXPECT_EQ(browse(998, 1, 3, &path, r.steps), r.result);
		EXPECT_EQ(path, r.after);
		EXPECT_EQ(mnw.cur_win, 0);
		for (recorded_alert const& a : recorded_alerts()) ADD_FAILURE() << a.msg1 << " " << a.position;
		recorded_alerts().clear();
	}
}

TEST_F(browser_test, BadArgumentsAreFatal)
{
	struct row {
		int open_save, file_path, file_type;
		char const* message;
	} const rows[] = {
	    {997, 0, 3, "Bad open_save arg to BTN_opensave!\\|\\|\\|.*\\(butn line 1105\\) severity 2"},
	    {998, 2, 3, "Bad file_path arg to BTN_opensave!\\|\\|\\|.*\\(butn line 1106\\) severity 2"},
	    {999, 1, 18, "Bad file_type arg to BTN_opensave!\\|\\|\\|.*\\(butn line 1107\\) severity 2"},
	    {998, 0, -1, "Bad file_type arg to BTN_opensave!"},
	};
	for (row const& r : rows)
		EXPECT_EXIT(
		    {
			    alert_printer_install();
			    std::string path;
			    BTN_opensave(r.open_save, r.file_path, r.file_type, &path);
		    },
		    ::testing::ExitedWithCode(1), r.message);
}
