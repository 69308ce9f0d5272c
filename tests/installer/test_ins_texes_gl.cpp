// The built-in images loaded as textures on a real GL context.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "foundation/app_globals.h"
#include "graphics/tman.h"
#include "ins_art_layout.h"
#include "installer/ins_art.h"
#include "shell/app_callbacks.h"
#include "support/alert_recorder.h"
#include "support/gl_context.h"
#include "support/logged_test.h"

namespace {

struct InsTexesTest : logged_test {
	gl_test_context* gl = nullptr;
	void SetUp() override
	{
		logged_test::SetUp();
		gl = new gl_test_context(64, 64);
		ASSERT_TRUE(gl->ok()) << gl->error();
		gl->probe();
		tman = tman_class();
		tman.reset_bind();
		mnw.tex_res = 5;
		mnw.col_res_use = 32;
		mnw.lay_scale = 1.0f;
		tman_set_show_init(nullptr);
	}
	void TearDown() override { delete gl; }
};

// The whole level 0 of GL texture `ref`, with its size.
std::vector<unsigned char> texels(int ref, int* w, int* h)
{
	glBindTexture(GL_TEXTURE_2D, ref);
	glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, w);
	glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, h);
	std::vector<unsigned char> px(size_t(*w) * *h * 4);
	glPixelStorei(GL_PACK_ALIGNMENT, 1);
	glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
	return px;
}

} // namespace

TEST_F(InsTexesTest, UploadsEachImageAtTheTextureOriginAndLeavesTheInterfaceInScratch)
{
	recall_ins_texes();
	EXPECT_TRUE(recorded_alerts().empty());

	struct expect { int ref; ins_art::image_size img; unsigned char const* px; int tex; };
	expect const cases[] = {
		{364, ins_art::k_installer, t_installer_dat, 1024},
		{365, ins_art::k_back_1, t_ins_back_1_dat, 1024},
		{366, ins_art::k_back_2, t_ins_back_2_dat, 1024},
		{363, ins_art::k_interface, t_interface_dat, 512},
	};
	for (expect const& e : cases) {
		int w = 0, h = 0;
		std::vector<unsigned char> tex = texels(e.ref, &w, &h);
		EXPECT_EQ(w, e.tex) << e.ref;
		EXPECT_EQ(h, e.tex) << e.ref;
		if (w != e.tex || h != e.tex) continue;
		// Corners, the middle, and the last texel of each image, e.g. (1009, 763) of 364.
		int const xs[] = {0, e.img.w / 2, e.img.w - 1}, ys[] = {0, e.img.h / 2, e.img.h - 1};
		for (int y : ys)
			for (int x : xs)
				EXPECT_EQ(0, std::memcmp(&tex[(size_t(y) * w + x) * 4], e.px + (size_t(y) * e.img.w + x) * 4, 4))
				    << "texture " << e.ref << " at " << x << "," << y;
		// A whole row proves the image is not sheared by a wrong stride.
		int row = e.img.h - 1;
		EXPECT_EQ(0, std::memcmp(&tex[size_t(row) * w * 4], e.px + size_t(row) * e.img.w * 4, size_t(e.img.w) * 4))
		    << "texture " << e.ref << " row " << row;
	}
	EXPECT_EQ(scratch_dx, 512);
	EXPECT_EQ(scratch_dy, 512);
	EXPECT_EQ(0, std::memcmp(scratch_array, t_interface_dat, 512 * 512 * 4));
}
