// The modified-file question in the real frame loop, offscreen: scripted
// clicks on each button in both modes, and closing the window.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "installer/utils.h"
#include "platform/gl_window.h"
#include "shell/app_callbacks.h"
#include "shell/hl_mnw.h"
#include "support/frame_driver.h"

void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

// Runs at the end of every frame, just before the swap.
std::function<void(int frame)> at_frame_end;
int frames = 0;
void frame_end(void*)
{
	if (at_frame_end) at_frame_end(frames);
	++frames;
}

void save_shot(std::string const& name)
{
	char const* dir = std::getenv("SKY_SHOT_DIR");
	if (!dir) return;
	int const w = mnw.x_res_use, h = mnw.y_res_use;
	std::vector<unsigned char> px(size_t(w) * h * 3), top_down(px.size());
	glPixelStorei(GL_PACK_ALIGNMENT, 1);
	glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, px.data());
	for (int y = 0; y < h; ++y) std::copy_n(&px[size_t(h - 1 - y) * w * 3], w * 3, &top_down[size_t(y) * w * 3]);
	png_image img{};
	img.version = PNG_IMAGE_VERSION;
	img.width = w;
	img.height = h;
	img.format = PNG_FORMAT_RGB;
	png_image_write_to_file(&img, (std::string(dir) + "/" + name).c_str(), 0, top_down.data(), 0, nullptr);
}

struct QuestionTest : ::testing::Test {
	frame_driver fd;
	float org_x = 0, org_y = 0;
	void SetUp() override
	{
		VEDEZE_startwind(997);
		org_x = mnw.org_x;
		org_y = mnw.org_y;
		VEDEZE_startwind(0);
		frames = 0;
		PLT_gl_set_pre_swap_hook(frame_end, nullptr);
	}
	void TearDown() override
	{
		PLT_gl_set_pre_swap_hook(nullptr, nullptr);
		at_frame_end = nullptr;
	}
	// A click inside window 997 at a point of its own.
	void click(float x, float y)
	{
		fd.push_mouse(1, org_x + x, org_y + y);
		fd.push_mouse(2, org_x + x, org_y + y);
	}
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
		frames = 0;
		// The first frame shows the question; the click comes after it.
		at_frame_end = [&](int frame) {
			if (frame == 0) {
				if (r.x == 96 && r.y == 53) save_shot(r.deleting ? "question_delete.png" : "question_install.png");
				click(r.x, r.y);
			}
			if (frame == 50) app_done = 1;  // no answer: end the loop and fail below
		};
		EXPECT_EQ(select_alert("/home/user/Skyrell/Resources/plugins/x.txt", r.deleting), r.code);
		EXPECT_EQ(app_done, 0);
		app_done = 0;
		EXPECT_EQ(mnw.cur_win, 0);
	}
	// Outside every button nothing is answered; closing the window is cancel.
	at_frame_end = [&](int frame) {
		if (frame == 0) click(450, 90);
		if (frame == 5) VEDEZE_startwind(0);
	};
	frames = 0;
	EXPECT_EQ(select_alert("/x", 0), 3);
	EXPECT_EQ(frames, 6);
}

TEST_F(QuestionTest, QuitWhileAskedIsCancel)
{
	at_frame_end = [&](int frame) {
		if (frame == 2) app_done = 1;
	};
	EXPECT_EQ(select_alert("/x", 1), 3);
	EXPECT_EQ(frames, 3);
	app_done = 0;
}

}  // namespace
