// The in-window file browser drawn with the built-in interface art (which is
// why it lives with the installer's tests): the folder levels step down and
// in, the typed name shows in the name bar, the ancestor pop-up opens above
// its chooser. The save screen with the pop-up open is kept as
// build/tests/file_browser.png to be looked at.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "shell/app_callbacks.h"
#include "shell/browser_script.h"
#include "support/window_png.h"

// The shell's frame loop is linked in; the browser runs its own frames.
void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

using namespace browser_script;

namespace {

// The test's working folder, before start-up moves to the program's folder.
std::string const start_dir = [] {
	char buf[PATH_MAX];
	return getcwd(buf, sizeof buf) ? std::string(buf) + "/" : std::string();
}();

struct window_pixels {
	int w = 0, h = 0;
	float org_x = 0, org_y = 0;  // the browser window's origin
	std::vector<unsigned char> rgb;
	// The frame drawn so far.
	void grab()
	{
		org_x = mnw.org_x;
		org_y = mnw.org_y;
		w = mnw.x_res_use;
		h = mnw.y_res_use;
		rgb.assign(static_cast<size_t>(w) * h * 3, 0);
		glPixelStorei(GL_PACK_ALIGNMENT, 1);
		glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
	}
};

// Pixels that differ between two frames inside a box of the browser's
// window (layout units, edges included).
int changed(window_pixels const& a, window_pixels const& b, float x1, float y1, float x2, float y2)
{
	int n = 0;
	for (int y = static_cast<int>(a.org_y + y1); y <= static_cast<int>(a.org_y + y2); ++y)
		for (int x = static_cast<int>(a.org_x + x1); x <= static_cast<int>(a.org_x + x2); ++x) {
			size_t const i = (static_cast<size_t>(y) * a.w + x) * 3;
			if (a.rgb[i] != b.rgb[i] || a.rgb[i + 1] != b.rgb[i + 1] || a.rgb[i + 2] != b.rgb[i + 2]) ++n;
		}
	return n;
}

}  // namespace

TEST_F(browser_test, DrawsLevelsNameAndPopUpInTheirPlaces)
{
	window_pixels bare, named, popped;
	// The program's folder has no levels; nothing is typed yet.
	std::string path = "x.acf";
	EXPECT_EQ(browse(999, 0, 3, &path, {idle, run([&] { bare.grab(); }), cancel}), 0);

	path = "Aircraft/Cessna/c172.acf";
	auto const shot = [&] {
		popped.grab();
		save_window_png(start_dir + "file_browser.png", mnw.x_res_use, mnw.y_res_use);
		std::printf("wrote file_browser.png in the working folder\n");
	};
	EXPECT_EQ(browse(999, 0, 3, &path,
	                 {type("b747"), idle, run([&] { named.grab(); }), open_popup, idle, run(shot), popup_item(2, 2),
	                  cancel}),
	          0);
	ASSERT_EQ(bare.rgb.size(), named.rgb.size());
	ASSERT_EQ(named.rgb.size(), popped.rgb.size());
	ASSERT_EQ(bare.org_x, named.org_x);

	// "Aircraft" at (30, 405), "Cessna" one step down and in at (40, 395).
	EXPECT_GT(changed(bare, named, 30, 405, 70, 412), 20);
	EXPECT_GT(changed(bare, named, 40, 395, 70, 402), 20);
	EXPECT_EQ(changed(bare, named, 22, 393, 37, 402), 0);
	// The typed name in the name bar.
	EXPECT_GT(changed(bare, named, 27, 49, 55, 56), 20);
	// The open pop-up's items above the chooser at (170, 438).
	EXPECT_GT(changed(named, popped, 150, 452, 190, 472), 20);
	EXPECT_TRUE(recorded_alerts().empty());
}
