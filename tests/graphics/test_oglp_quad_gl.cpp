// Textured quads and the window background by texture.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>

#include "foundation/app_globals.h"
#include "graphics/colr.h"
#include "graphics/oglp.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "graphics/tman.h"
#include "graphics/tman_image.h"
#include "draw_fixture.h"

namespace {

using QuadTest = draw_test;

// The scratch buffer as one flat opaque n x n image.
void fill_scratch(int n, unsigned char r, unsigned char g, unsigned char b)
{
	for (int i = 0; i < n * n; ++i) {
		unsigned char* p = scratch_array + static_cast<size_t>(i) * 4;
		p[0] = r;
		p[1] = g;
		p[2] = b;
		p[3] = 255;
	}
	scratch_dx = scratch_dy = n;
}

// A flat opaque texture of n x n pixels at ref, made through the manager.
void flat_texture(int ref, int n, unsigned char r, unsigned char g, unsigned char b)
{
	fill_scratch(n, r, g, b);
	tman.load_texture(static_cast<tex_fail_mode>(4), ref, 2, static_cast<tex_load_time>(100),
	                  "scratch_array:test " + std::to_string(ref));
}

GLint bound_texture()
{
	GLint id = -1;
	glGetIntegerv(GL_TEXTURE_BINDING_2D, &id);
	return id;
}

}  // namespace

TEST_F(QuadTest, RefZeroDrawsWithWhateverIsBound)
{
	open(1024, 768);
	flat_texture(400, 16, 255, 0, 0);
	flat_texture(401, 16, 0, 255, 0);
	tman.bind_ref(400, 0, 0);
	ASSERT_EQ(bound_texture(), 400);

	mnw.org_x = 10;
	mnw.org_y = 20;
	OGL_2dquad(0, 0, 1, 0, 0, 0, 0, 0, 10, 0, 1, 10, 10, 1, 1, 10, 0, 1, 0, 1, 4);
	EXPECT_EQ(bound_texture(), 400);
	EXPECT_EQ(pixel_rgb(15, 25), "255,0,0");
	EXPECT_EQ(pixel_rgb(21, 25), "0,0,0");  // the quad ends at x 10 + origin

	OGL_2dquad_d(401, 0, 1, 100, 100, 0, 0, 10, 10, 1, 1, 4);
	EXPECT_EQ(bound_texture(), 401);
	EXPECT_EQ(pixel_rgb(115, 125), "0,255,0");
	EXPECT_EQ(pixel_rgb(120, 130), "0,0,0");
}

TEST_F(QuadTest, BackgroundTextureSpans1024FromTheLayoutOffset)
{
	open(1280, 1024);  // layout offset x 128, y 256
	colr.assign(33, 0, 0, 1);
	mnw.cur_win = 0;  // no start-screen image to load: the scratch buffer as it is
	fill_scratch(1024, 255, 0, 0);
	OGL_make_back_tex();
	struct {
		int cur_win;
		char const* left;  // left of the texture, where the window is not covered
	} const cases[] = {{-1, "0,0,255"}, {0, "0,0,0"}};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.cur_win);
		glClear(GL_COLOR_BUFFER_BIT);
		mnw.cur_win = c.cur_win;
		mnw.org_x = 40;  // the background is not shifted by the origin
		OGL_plot_back_tex();
		EXPECT_EQ(pixel_rgb(127, 10), c.left);
		EXPECT_EQ(pixel_rgb(1152, 1000), c.left);
		EXPECT_EQ(pixel_rgb(128, 0), "255,0,0");
		EXPECT_EQ(pixel_rgb(1151, 1023), "255,0,0");
	}
}
