// The end of a frame and screenshots: what is read back, where it lands in
// the scratch buffer, and the numbering of the files.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "foundation/app_globals.h"
#include "graphics/colr.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "graphics/tman_image.h"
#include "platform/gl_window.h"
#include "draw_fixture.h"

namespace {

struct ScreenTest : draw_test {
	void open(int w, int h)
	{
		draw_test::open(w, h);
		colr.assign(50, 1, 0, 0);
		colr.assign(51, 0, 0, 1);
		colr.assign(52, 1, 1, 1);
	}
	void TearDown() override { PLT_gl_set_pre_swap_hook(nullptr, nullptr); }
};

// Scratch pixel (x, y) of a 1024-wide RGB capture, bottom row first.
std::string scratch_rgb(int x, int y)
{
	unsigned char const* p = scratch_array + (static_cast<size_t>(y) * 1024 + x) * 3;
	return std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]);
}

struct png_read_t {
	unsigned w = 0, h = 0;
	unsigned format = 0;
	std::vector<unsigned char> rgb;  // top row first
};

png_read_t read_png(std::string const& path)
{
	png_read_t out;
	png_image img{};
	img.version = PNG_IMAGE_VERSION;
	if (!png_image_begin_read_from_file(&img, path.c_str())) return out;
	out.w = img.width;
	out.h = img.height;
	out.format = img.format;
	img.format = PNG_FORMAT_RGB;
	out.rgb.resize(PNG_IMAGE_SIZE(img));
	if (!png_image_finish_read(&img, nullptr, out.rgb.data(), 0, nullptr)) out.rgb.clear();
	return out;
}

std::string png_rgb(png_read_t const& img, unsigned x, unsigned row)
{
	unsigned char const* p = img.rgb.data() + (static_cast<size_t>(row) * img.w + x) * 3;
	return std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]);
}

bool exists(std::string const& p) { return access(p.c_str(), F_OK) == 0; }

}  // namespace

TEST_F(ScreenTest, SavedShotsTakeTheNextFreeNumberAndKeepCounting)
{
	open(1024, 768);
	OGL_fillrect(50, 1, 0, 384, 1024, 384);  // red top
	OGL_fillrect(51, 1, 0, 0, 1024, 384);    // blue bottom
	glFinish();

	char cwd[4096];
	ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
	ASSERT_EQ(chdir(dir.path().c_str()), 0);
	write_text_file("screenshot_0.png", "x");
	write_text_file("screenshot_1.png", "x");
	shot = -1;  // as at the start of a run

	OGL_screenshot(1);
	EXPECT_TRUE(exists("screenshot_2.png"));
	// The count goes on from 2: freeing 0 does not bring it back.
	std::remove("screenshot_0.png");
	OGL_screenshot(1);
	EXPECT_TRUE(exists("screenshot_3.png"));
	EXPECT_FALSE(exists("screenshot_0.png"));
	EXPECT_EQ(shot, 3);

	png_read_t const img = read_png("screenshot_3.png");
	ASSERT_EQ(chdir(cwd), 0);
	ASSERT_EQ(img.w, 1024u);
	ASSERT_EQ(img.h, 768u);
	ASSERT_EQ(img.rgb.size(), 1024u * 768u * 3u);
	EXPECT_EQ(img.format, static_cast<unsigned>(PNG_FORMAT_RGB));
	EXPECT_EQ(png_rgb(img, 0, 0), "255,0,0");
	EXPECT_EQ(png_rgb(img, 1023, 383), "255,0,0");
	EXPECT_EQ(png_rgb(img, 0, 384), "0,0,255");
	EXPECT_EQ(png_rgb(img, 500, 767), "0,0,255");
}

TEST_F(ScreenTest, CaptureIsTheCentre1024ColumnsAndAtMost1024Rows)
{
	struct {
		int w, h;
		struct {
			int x, y;
			char const* rgb;
		} probes[4];
	} const cases[] = {
	    // Narrower: black where the window has no pixels.
	    {800, 600, {{111, 0, "0,0,0"}, {112, 0, "255,255,255"}, {911, 599, "255,255,255"}, {912, 300, "0,0,0"}}},
	    // Taller: rows 38 to 1061 of the window.
	    {1024, 1100, {{0, 0, "255,255,255"}, {1023, 1023, "255,255,255"}, {500, 0, "255,255,255"}, {500, 1023, "255,255,255"}}},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.w);
		open(c.w, c.h);
		std::fill(scratch_array, scratch_array + 1024 * 1024 * 3, 77);
		OGL_fillrect(51, 1, 0, 0, static_cast<float>(c.w), static_cast<float>(c.h));
		int const skip = c.h > 1024 ? (c.h - 1024) / 2 : 0;
		OGL_fillrect(52, 1, 0, static_cast<float>(skip), static_cast<float>(c.w),
		             static_cast<float>(c.h - 2 * skip));
		glFinish();
		OGL_screenshot(0);
		for (auto const& p : c.probes) EXPECT_EQ(scratch_rgb(p.x, p.y), p.rgb) << p.x << "," << p.y;
	}
}

TEST_F(ScreenTest, FrameEndSetsWhiteOrGreenWithTheFadeThenSwaps)
{
	open(64, 64);
	static float seen[4];
	static int swaps;
	swaps = 0;
	PLT_gl_set_pre_swap_hook(
	    [](void*) {
		    glGetFloatv(GL_CURRENT_COLOR, seen);
		    ++swaps;
	    },
	    nullptr);
	struct {
		int mono;
		float fade, r, g, b;
	} const cases[] = {{0, 1, 1, 1, 1}, {0, 0.5f, 1, 1, 1}, {1, 0.25f, 0, 1, 0}};
	for (auto const& c : cases) {
		ren.mono_mode = c.mono;
		ren.fade_alpha = c.fade;
		glColor4f(0.2f, 0.2f, 0.2f, 0.2f);
		OGL_sbuf();
		EXPECT_FLOAT_EQ(seen[0], c.r);
		EXPECT_FLOAT_EQ(seen[1], c.g);
		EXPECT_FLOAT_EQ(seen[2], c.b);
		EXPECT_FLOAT_EQ(seen[3], c.fade);
	}
	EXPECT_EQ(swaps, 3);
}
