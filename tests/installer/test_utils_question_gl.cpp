// The modified-file question in the real frame loop, offscreen: scripted
// clicks on each button in both modes, and closing the window.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "installer/utils.h"
#include "shell/app_callbacks.h"
#include "shell/hl_mnw.h"
#include "support/window_script.h"

void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

struct QuestionTest : ::testing::Test {
	window_script ws{997};
};

TEST_F(QuestionTest, EachButtonAnswersItsCode)
{
	struct row {
		int deleting;
		float x, y;
		int code;
	};
	row const rows[] = {
	    {0, 96, 53, 1},  {0, 96, 28, 2},  {0, 308, 53, 4}, {0, 308, 28, 5}, {0, 584, 28, 3},
	    {1, 96, 53, 2},  {1, 96, 28, 1},  {1, 308, 53, 5}, {1, 308, 28, 4}, {1, 584, 28, 3},
	    {0, 20, 53, 1},  // near the left end of "OVERWRITE THE OLD FILE" (96 - 160 / 2 = 16)
	};
	for (row const& r : rows) {
		SCOPED_TRACE(std::to_string(r.deleting) + " " + std::to_string(r.x) + " " + std::to_string(r.y));
		ws.frames = 0;
		// The first frame shows the question; the click comes after it.
		ws.at_frame_end = [&](int frame) {
			if (frame == 0) {
				if (r.x == 96 && r.y == 53) ws.save_shot(r.deleting ? "question_delete.png" : "question_install.png");
				ws.click(r.x, r.y);
			}
			if (frame == 50) app_done = 1;  // no answer: end the loop and fail below
		};
		EXPECT_EQ(select_alert("/home/user/Skyrell/Resources/plugins/x.txt", r.deleting), r.code);
		EXPECT_EQ(app_done, 0);
		app_done = 0;
		EXPECT_EQ(mnw.cur_win, 0);
	}
	// Outside every button nothing is answered; closing the window is cancel.
	ws.at_frame_end = [&](int frame) {
		if (frame == 0) ws.click(450, 90);
		if (frame == 5) VEDEZE_startwind(0);
	};
	ws.frames = 0;
	EXPECT_EQ(select_alert("/x", 0), 3);
	EXPECT_EQ(ws.frames, 6);
}

TEST_F(QuestionTest, QuitWhileAskedIsCancel)
{
	ws.at_frame_end = [&](int frame) {
		if (frame == 2) app_done = 1;
	};
	EXPECT_EQ(select_alert("/x", 1), 3);
	EXPECT_EQ(ws.frames, 3);
	app_done = 0;
}

// Names an unlucky user may have on disk: far wider than the window, with and
// without break characters, '|', control bytes and UTF-8. Each is drawn and
// the buttons still answer where they stand.
TEST_F(QuestionTest, OddNamesStillAnswer)
{
	std::string const names[] = {
	    "/home/user/Skyrell/Resources/" + std::string(3000, 'a') + ".txt",
	    "/home/user/Skyrell/" + [] {
		    std::string s;
		    for (int i = 0; i < 400; ++i) s += "d/";
		    return s;
	    }() + "x",
	    "/home/user/Skyrell/a|b||c.txt",
	    std::string("/home/user/Skyrell/ctl\x01\x7f\r\n\t") + '\0' + std::string(10, '\n') + "end",
	    "/home/user/Skyrell/caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac/\xf0\x9f\x98\x80.txt",
	    "",
	};
	for (std::string const& name : names)
		for (int deleting = 0; deleting < 2; ++deleting) {
			SCOPED_TRACE(std::to_string(name.size()) + " " + std::to_string(deleting));
			ws.frames = 0;
			ws.at_frame_end = [&](int frame) {
				if (frame == 1) ws.click(96, 28);
				if (frame == 50) app_done = 1;
			};
			EXPECT_EQ(select_alert(name, deleting), deleting ? 1 : 2);
			EXPECT_EQ(app_done, 0);
			app_done = 0;
			EXPECT_EQ(mnw.cur_win, 0);
		}
}

// A long path keeps to its own line: wrapped, its next lines fell on the
// question's and the buttons' and neither could be read. The rows below the
// path's line show the same with a long path as with a short one.
TEST_F(QuestionTest, LongPathKeepsToItsLine)
{
	auto rows_below_path = [&](std::string const& path) {
		std::vector<unsigned char> px;
		ws.frames = 0;
		ws.at_frame_end = [&](int frame) {
			if (frame != 0) return;
			if (path.size() > 1000) ws.save_shot("question_long_path.png");
			// From the window's bottom to just under the path's line at 90.
			int const x0 = static_cast<int>(mnw.org_x), y0 = static_cast<int>(mnw.org_y);
			int const w = static_cast<int>(mnw.win_dx), h = 87;
			px.resize(size_t(w) * h * 4);
			glPixelStorei(GL_PACK_ALIGNMENT, 1);
			glReadPixels(x0, y0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
			ws.click(584, 28);
		};
		EXPECT_EQ(select_alert(path, 0), 3);
		return px;
	};
	std::vector<unsigned char> const plain = rows_below_path("/home/user/Skyrell/x.txt");
	ASSERT_FALSE(plain.empty());
	std::string many = "/home/user/Skyrell/";
	for (int i = 0; i < 400; ++i) many += "d/";
	for (std::string const& path : {many + "x.txt", "/home/user/Skyrell/Resources/" + std::string(3000, 'a') + ".txt"}) {
		SCOPED_TRACE(path.size());
		EXPECT_TRUE(rows_below_path(path) == plain) << "the path ran onto the question's line";
	}
}

}  // namespace
