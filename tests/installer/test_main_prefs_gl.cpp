// The preferences panel in the real frame loop, offscreen, driven by
// scripted clicks and keys frame by frame.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "foundation/http.h"
#include "installer/utils.h"
#include "platform/gl_window.h"
#include "shell/app_callbacks.h"
#include "shell/hl_mnw.h"
#include "support/frame_driver.h"

void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

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

struct PrefsTest : ::testing::Test {
	frame_driver fd;
	float org_x = 0, org_y = 0;
	void SetUp() override
	{
		VEDEZE_startwind(2);
		org_x = mnw.org_x;
		org_y = mnw.org_y;
		VEDEZE_startwind(0);
		frames = 0;
		PLT_gl_set_pre_swap_hook(frame_end, nullptr);
		stg.download_os = 1;
		stg.stream_count = 0;
		stg.use_max_cpu = 0;
		stg.log_actions = 0;
		http.proxy_host.clear();
		http.proxy_port.clear();
		http.proxy_port_int = 0;
	}
	void TearDown() override
	{
		PLT_gl_set_pre_swap_hook(nullptr, nullptr);
		at_frame_end = nullptr;
	}
	void click(float x, float y)
	{
		fd.push_mouse(1, org_x + x, org_y + y);
		fd.push_mouse(2, org_x + x, org_y + y);
	}
	void type(char c)
	{
		PLT_event ev;
		ev.what = 3;
		ev.message = static_cast<unsigned char>(c);
		fd.input().push(ev);
		ev.what = 4;
		fd.input().push(ev);
	}
	void close() { click(12, 370); }  // the close box in the title row
};

TEST_F(PrefsTest, ScriptedChanges)
{
	// What each frame's end saw, and the input for the next frame.
	std::vector<int> streams;
	std::vector<std::string> steps;
	at_frame_end = [&](int frame) {
		streams.push_back(stg.stream_count);
		switch (frame) {
		case 0: click(30, 154); break;  // tick manual streams
		case 2:
			save_shot("prefs_manual_streams.png");
			click(30, 154);  // untick
			break;
		case 4: click(34, 269); break;  // full speed
		case 6: click(100, 23); break;  // focus the proxy port field
		case 8:
			type('8');
			type('0');
			type('a');
			break;
		case 10: click(210, 313); break;  // open the operating-system chooser
		case 12: {
			// The pop-up's fifth item, where the menu put it.
			item_struct const& it = menu[menu_popup].items.at(4);
			click((it.x1 + it.x2) * 0.5f, (it.y1 + it.y2) * 0.5f);
			break;
		}
		case 14: save_shot("prefs.png"); close(); break;
		case 40: app_done = 1; break;  // the panel did not close: end the test's loop
		default: break;
		}
	};
	handle_prefs();
	EXPECT_EQ(app_done, 0) << "the close box did not close the panel";
	app_done = 0;
	// A click queued at the end of frame n is read in frame n + 1 and acted on
	// by the panel drawn in frame n + 2.
	ASSERT_GE(streams.size(), 5u);
	EXPECT_EQ(streams[1], 0);
	EXPECT_EQ(streams[2], 1);  // ticked with 0: the field shows 1
	EXPECT_EQ(streams[4], 0);  // unticked: automatic, which is what is saved
	EXPECT_EQ(stg.stream_count, 0);
	EXPECT_EQ(stg.use_max_cpu, 1);
	EXPECT_EQ(http.proxy_port, "80a");
	EXPECT_EQ(http.proxy_port_int, -1);
	EXPECT_EQ(stg.download_os, 5);  // "Linux Athlon XP"
	EXPECT_EQ(mnw.cur_win, 0);
}

}  // namespace
