// The gallery: every glyph and cell of the built-in images drawn through the
// graphics layer, screenshot, and compared with the kept reference picture.
//
// When the art changes on purpose, regenerate the reference and look at it:
//   SKY_GALLERY_UPDATE=1 SDL_VIDEODRIVER=offscreen GALLIUM_DRIVER=llvmpipe
//     LIBGL_ALWAYS_SOFTWARE=1 build/tests/installer_test_ins_gallery_gl
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "graphics/colr.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "graphics/oglp_glyph.h"
#include "graphics/tman.h"
#include "ins_art_layout.h"
#include "installer/ins_art.h"
#include "shell/app_callbacks.h"
#include "support/alert_recorder.h"
#include "support/gl_context.h"
#include "support/ins_drawing.h"
#include "support/logged_test.h"

using namespace ins_art;

namespace {

constexpr int k_side = 1024;   // a square window: the screenshot keeps all of it

std::string reference_path()
{
	return std::string(SKY_TEST_SOURCE_DIR) + "/installer/gallery_reference.png";
}

// A cut of an atlas at (s, t), w x h pixels, drawn `zoom` times as large.
void cut(int ref, int col, float x, float y, int s, int t, int w, int h, float zoom)
{
	float texel = ref == 363 ? 1.f / 512 : 1.f / 1024;
	OGL_2dquad_d(ref, col, 1, x, y, s * texel, t * texel, w * zoom, h * zoom, w * texel, h * texel, 5);
}

void draw_gallery()
{
	// The interface colours, taken from the atlas as start-up takes them.
	for (sample_pixel const& p : k_samples) {
		unsigned char const* px = t_interface_dat + (size_t(p.t) * 512 + p.s) * 4;
		colr.assign(p.colour, px[0] / 255.f, px[1] / 255.f, px[2] / 255.f);
	}
	glClearColor(0, 0, 0, 1);
	glClear(GL_COLOR_BUFFER_BIT);

	// Lower part: the background, text and the installer atlas on it.
	OGL_2dquad_d(365, 48, 1, 0, 0, 0, 0, 1024, 768, 1, 0.75f, 5);
	// Upper part: the widget atlas whole, and its cells doubled, on colour 33.
	OGL_fillrect(33, 1, 0, 512, 1024, 512);
	cut(363, 0, 0, 512, 0, 0, 512, 512, 1);
	float x = 520, y = 1016, shelf = 0;
	for (cell const& c : k_cells_363) {
		if (c.w >= 68) continue;   // the big panels show in the whole atlas
		if (x + 2 * c.w > 1016) {
			x = 520;
			y -= shelf + 6;
			shelf = 0;
		}
		shelf = std::max(shelf, 2.f * c.h);
		cut(363, 0, x, y - 2 * c.h, c.s, c.t, c.w, c.h, 2);
		x += 2 * c.w + 6;
	}

	// Every glyph of the three atlas fonts, as strings.
	std::string glyphs;
	for (int b = 1; b < 256; ++b) {
		glyph_cell_struct gc = OGL_glyph_cell((unsigned char)b);
		if (gc.col || gc.row) glyphs += char(b);
	}
	OGL_string(42, 10, 490, glyphs, 9999, 100);
	OGL_string(45, 10, 474, glyphs, 9999, 101);
	OGL_string(44, 10, 458, glyphs.substr(0, 100), 9999, 102);
	OGL_string(46, 10, 442, glyphs.substr(100), 9999, 102);
	OGL_string(45, 10, 420, "Click on the 'DESTINATION' button below to choose the copy of Skyrell you wish to update!", 9999, 100);

	// The buttons in their three states, with the green and the red tint.
	float const tints[2][3] = {{0.8f, 1, 0.8f}, {1, 0.8f, 0.8f}};
	for (int k = 0; k < 2; ++k) {
		colr.assign(98, tints[k][0], tints[k][1], tints[k][2]);
		cut(364, 98, 30 + 500 * k, 255, 513, 120, 464, 137, 1);
	}
	// Icons and the logo with its resting propeller, and the panel cell doubled.
	cut(364, 48, 0, 40, 0, k_icon_t0, 512, 3 * k_icon_size, 1);
	cut(364, 48, 560, 120, 644, 33, 128, 86, 1);
	cut(364, 48, 560 + 29, 120 + 13, icon_s(k_anim_rest), icon_t(k_anim_rest), k_icon_size, k_icon_size, 1);
	cut(364, 48, 740, 100, 774, 78, 41, 41, 2);
	glFinish();
}

bool read_reference(std::vector<unsigned char>* rgb_top_down)
{
	png_image img{};
	img.version = PNG_IMAGE_VERSION;
	if (!png_image_begin_read_from_file(&img, reference_path().c_str())) return false;
	if (img.width != k_side || img.height != k_side) return false;
	img.format = PNG_FORMAT_RGB;
	rgb_top_down->resize(PNG_IMAGE_SIZE(img));
	return png_image_finish_read(&img, nullptr, rgb_top_down->data(), 0, nullptr) != 0;
}

void write_reference(std::vector<unsigned char> const& rgb_top_down)
{
	png_image img{};
	img.version = PNG_IMAGE_VERSION;
	img.width = img.height = k_side;
	img.format = PNG_FORMAT_RGB;
	ASSERT_TRUE(png_image_write_to_file(&img, reference_path().c_str(), 0, rgb_top_down.data(), 0, nullptr));
}

struct InsGalleryTest : logged_test {
	std::unique_ptr<gl_test_context> gl;
	void SetUp() override
	{
		logged_test::SetUp();
		gl.reset(new gl_test_context(k_side, k_side));
		ASSERT_TRUE(gl->ok()) << gl->error();
		gl->probe();
		gl->start_2d();
		ins_drawing_reset(k_side, k_side);
	}
};

} // namespace

TEST_F(InsGalleryTest, MatchesTheKeptReference)
{
	recall_ins_texes();
	draw_gallery();
	OGL_screenshot(0);
	ASSERT_TRUE(recorded_alerts().empty());

	// The screenshot lies bottom row first; the picture file top row first.
	std::vector<unsigned char> shot(size_t(k_side) * k_side * 3);
	for (int y = 0; y < k_side; ++y)
		std::copy_n(scratch_array + size_t(k_side - 1 - y) * k_side * 3, k_side * 3, shot.begin() + size_t(y) * k_side * 3);
	char const* update = std::getenv("SKY_GALLERY_UPDATE");
	if (update && *update == '1') {
		write_reference(shot);
		std::printf("wrote %s: look at it before keeping it\n", reference_path().c_str());
		return;
	}
	std::vector<unsigned char> ref;
	ASSERT_TRUE(read_reference(&ref)) << "no readable " << k_side << " x " << k_side << " reference at " << reference_path();
	size_t differing = 0, first = 0;
	for (size_t i = 0; i < shot.size(); ++i)
		if (std::abs(int(shot[i]) - int(ref[i])) > 2 && differing++ == 0) first = i;
	EXPECT_EQ(differing, 0u) << "first at x " << first / 3 % k_side << ", y " << first / 3 / k_side
	                         << " from the top; regenerate the reference if the art changed on purpose";
}
