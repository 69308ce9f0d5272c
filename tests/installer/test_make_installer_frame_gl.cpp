// The builder's progress frame on a real window: a bar along the bottom
// edge with its two lines of text, drawn with the built-in images.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "foundation/app_globals.h"
#include "graphics/colr.h"
#include "installer/make_installer.h"
#include "platform/gl_window.h"
#include "shell/app_callbacks.h"
#include "support/shell_start.h"

void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

std::vector<unsigned char> frame;  // the bottom 40 rows, read before the swap

void read_bottom(void*)
{
	frame.assign(1024 * 40 * 3, 0);
	glPixelStorei(GL_PACK_ALIGNMENT, 1);
	glReadPixels(0, 0, 1024, 40, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
}

bool is(int x, int y, float const* c)
{
	unsigned char const* p = &frame[(static_cast<size_t>(y) * 1024 + x) * 3];
	for (int i = 0; i < 3; ++i)
		if (std::abs(p[i] - c[i] * 255.0f) > 2.0f) return false;
	return true;
}

}  // namespace

TEST(BuilderFrame, BarAndTwoLinesAtTheBottom)
{
	started_app app;
	colr.assign(0, 0.0f, 0.0f, 0.5f);
	colr.assign(12, 1.0f, 1.0f, 0.0f);
	float const* bar = colr.entry(0);
	PLT_gl_set_pre_swap_hook(read_bottom, nullptr);
	builder_progress_frame("reg: 0: total files recursed: 400. will compress: 399.", "/master/All/x");
	PLT_gl_set_pre_swap_hook(nullptr, nullptr);
	ASSERT_FALSE(frame.empty());

	// Rows 0 to 29 are the bar; the glyphs, in the ink's hue, sit in two
	// bands, the path's much shorter than the counts'.
	int right_low = 0, right_high = 0, off_hue = 0, bar_above = 0;
	for (int y = 0; y < 30; ++y)
		for (int x = 0; x < 1024; ++x) {
			if (is(x, y, bar)) continue;
			unsigned char const* p = &frame[(static_cast<size_t>(y) * 1024 + x) * 3];
			if (p[0] != p[1]) ++off_hue;  // ink over the bar, in any blend, keeps red equal to green
			int& right = y < 15 ? right_low : right_high;
			right = std::max(right, x);
		}
	for (int x = 0; x < 1024; ++x) bar_above += is(x, 35, bar);
	EXPECT_EQ(off_hue, 0);
	EXPECT_GT(right_low, 60);
	EXPECT_LT(right_low, 120);
	EXPECT_GT(right_high, 300);
	EXPECT_LT(right_high, 400);
	EXPECT_LT(bar_above, 1024);
	for (int x = 0; x < 1024; ++x) EXPECT_TRUE(is(x, 0, bar)) << x;
}
