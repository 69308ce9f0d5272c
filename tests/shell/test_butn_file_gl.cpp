// The folder-picker row: the press on its icon runs the desktop's folder
// chooser (a stand-in first on PATH), the row shows the path's last part, and
// misuse is fatal.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "shell/app_callbacks.h"
#include "shell/butn.h"
#include "support/stand_in_helpers.h"
#include "shell/widget_fixture.h"

void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}
void recall_ins_texes() {}

namespace {

struct FolderRowTest : WidgetTest {
	std::unique_ptr<stand_in_helpers> helpers;
	void SetUp() override
	{
		WidgetTest::SetUp();
		helpers.reset(new stand_in_helpers(dir.path()));
	}
};

}  // namespace

TEST_F(FolderRowTest, IconPressAsksForAFolder)
{
	// Row at (100, 100): the icon's hot box is 72..94 by 92..112.
	struct press_case {
		char const* what;
		float mx, my;
		int down;
		std::string reply;
		int status;
		int result;
		std::string path;
		int runs;  // chooser runs so far
	} const cases[] = {
	    {"hover only", 80, 100, 0, "/games/Skyrell 9\n", 0, 0, "/old/Skyrell/", 0},
	    {"press beside the icon", 95, 100, 1, "/games/Skyrell 9\n", 0, 0, "/old/Skyrell/", 0},
	    {"press on the icon, cancelled", 72, 92, 1, "", 1, 0, "/old/Skyrell/", 1},
	    {"press on the icon, chosen", 94, 112, 1, "/games/Skyrell 9\n", 0, 1, "/games/Skyrell 9", 2},
	};
	std::string path = "/old/Skyrell/";
	for (press_case const& c : cases) {
		SCOPED_TRACE(c.what);
		helpers->answer(c.reply, c.status);
		press_at(c.mx, c.my, c.down);
		stls.help_text.clear();
		EXPECT_EQ(BTN_select_file_stl(100, 100, 998, 0, 0, &path, "Install into|{?Where Skyrell goes"), c.result);
		EXPECT_EQ(path, c.path);
		EXPECT_EQ(stls.help_text, c.mx < 95 ? "Where Skyrell goes" : "");
		EXPECT_EQ(helpers->runs(), c.runs);
	}
	EXPECT_EQ(helpers->args(1),
	          "--file-selection\n--directory\n--title=Please pick an Skybase to update\n");
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(FolderRowTest, TextBufferTakesTheChoiceCut)
{
	helpers->answer("/games/Skyrell 9\n", 0);
	press_at(80, 100, 1);
	char buf[12];
	std::strcpy(buf, "/old/");
	EXPECT_EQ(BTN_select_file_chr(100, 100, 999, 1, 17, buf, 12, "Folder"), 1);
	EXPECT_STREQ(buf, "/games/Skyr");  // max - 1 characters

	EXPECT_TRUE(recorded_alerts().empty());

	// A choice of 500 characters or more cannot be copied.
	alert_printer_install();
	helpers->answer("/" + std::string(520, 'p') + "\n", 0);
	EXPECT_EXIT(
	    {
		    char big[700] = "/x/";
		    BTN_select_file_chr(100, 100, 998, 0, 0, big, sizeof big, "Folder");
	    },
	    ::testing::ExitedWithCode(1), "String too long!\\|/ppp.*\\(hl_string line 132\\) severity 2");
}

TEST_F(FolderRowTest, BadArgumentsAreFatal)
{
	alert_printer_install();
	struct arg_case {
		int open_save, file_path, file_type;
		char const* what;
	} const cases[] = {
	    {997, 0, 0, "open_save"}, {1000, 0, 0, "open_save"}, {998, 2, 0, "file_path"},
	    {999, -1, 0, "file_path"}, {998, 0, 18, "file_type"}, {998, 0, -1, "file_type"},
	};
	for (arg_case const& c : cases) {
		std::string const msg = std::string("Bad ") + c.what + " arg to BTN_select_file_";
		EXPECT_EXIT(
		    {
			    std::string path = "/p/";
			    BTN_select_file_stl(100, 100, c.open_save, c.file_path, c.file_type, &path, "");
		    },
		    ::testing::ExitedWithCode(1), msg + "stl!\\|\\|\\|.*\\(butn line [0-9]+\\) severity 2");
		EXPECT_EXIT(
		    {
			    char buf[8] = "/p/";
			    BTN_select_file_chr(100, 100, c.open_save, c.file_path, c.file_type, buf, 8, "");
		    },
		    ::testing::ExitedWithCode(1), msg + "chr!");
	}
	EXPECT_EQ(helpers->runs(), 0);
}

TEST_F(FolderRowTest, DrawsTheIconAndTheLastPartOfThePath)
{
	press_at(-1000, -1000, 0);
	auto draw = [&](std::string path) {
		clear();
		BTN_select_file_stl(100, 100, 998, 0, 0, &path, "");
		std::vector<unsigned> block;
		for (int y = 94; y < 112; ++y)
			for (int x = 98; x < 260; ++x) {
				auto const p = gl.pixel(x, y);
				block.push_back(p.r | p.g << 8 | p.b << 16);
			}
		return block;
	};
	auto const shown = draw("/games/Skyrell/");
	// The icon's 26 x 26 cell centred on (83, 103), left of the path box.
	EXPECT_EQ(at(71, 91), (atlas_texel{209, 134}));
	EXPECT_EQ(at(85, 114), (atlas_texel{223, 157}));
	struct shown_case {
		char const* path;
		bool same;  // shows "Skyrell/" too
	} const cases[] = {
	    {"/else/where/Skyrell/", true}, {"d:Skyrell/", true},     {"a\\Skyrell/", true},
	    {"Skyrell/", true},             {"/games/Skyrell", false}, {"/games/", false},
	    {"", false},
	};
	for (shown_case const& c : cases) EXPECT_EQ(draw(c.path) == shown, c.same) << c.path;
}
