// Image readers and writers on real files, without GL.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <thread>

#include "foundation/app_globals.h"
#include "foundation/exce.h"
#include "foundation/hl_thread.h"
#include "graphics/tman_image.h"
#include "image_fixtures.h"
#include "support/alert_recorder.h"
#include "support/logged_test.h"

namespace {

struct ImageTest : logged_test {
	void SetUp() override
	{
		logged_test::SetUp();
		app_path.clear();
		mnw.tex_res = 5;
		maxtexdim = 1024;
		memset(key_color, 0, 4);
	}
	std::string path(std::string const& name) const { return dir.path() + name; }
	std::string png(std::string const& name, png_fixture const& f)
	{
		EXPECT_TRUE(write_png_fixture(path(name), f)) << name;
		return path(name);
	}
	std::string bmp(std::string const& name, std::string const& bytes)
	{
		write_text_file(path(name), bytes);
		return path(name);
	}
	// The log starts with these alert lines (before the position).
	void expect_log_alert(std::string const& lines)
	{
		std::string const text = read_text_file(log);
		EXPECT_EQ(text.substr(0, lines.size()), lines) << text;
		EXPECT_EQ(text.compare(lines.size(), 11, "(tman line "), 0) << text;
	}
};
using ImageDeathTest = ImageTest;

struct sizes {
	int img_dx = -1, img_dy = -1, tex_dx = -1, tex_dy = -1;
};

int read_png(std::string const& p, int load_type, int flags, unsigned char& comps, int keyed, sizes& s)
{
	return load_png_into_scratch(p, 0, load_type, flags, comps, keyed, &s.img_dx, &s.img_dy, &s.tex_dx, &s.tex_dy);
}

int read_bmp(std::string const& p, int load_type, int flags, unsigned char comps, sizes& s)
{
	return load_bmp_into_scratch(p, 0, load_type, flags, comps, &s.img_dx, &s.img_dy, &s.tex_dx, &s.tex_dy);
}

// Bytes of pixel (x, y) of a buffer, y counted from the bottom row.
std::vector<int> pixel(unsigned char const* buf, int stride_px, int comps, int x, int y)
{
	unsigned char const* p = buf + (static_cast<size_t>(y) * stride_px + x) * comps;
	return std::vector<int>(p, p + comps);
}

png_fixture two_by_two(int colour, int depth, std::vector<unsigned char> rows)
{
	png_fixture f;
	f.w = 2;
	f.h = 2;
	f.colour = colour;
	f.depth = depth;
	f.rows = std::move(rows);
	return f;
}

}  // namespace

// ---- PNG formats ------------------------------------------------------------------

TEST_F(ImageTest, PngFormatsComeOutBottomUpInTheWantedBytes)
{
	png_fixture const rgb = two_by_two(PNG_COLOR_TYPE_RGB, 8, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120});
	png_fixture const rgb_grey = two_by_two(PNG_COLOR_TYPE_RGB, 8, {40, 40, 40, 1, 2, 3, 90, 90, 90, 4, 5, 6});
	png_fixture const rgba =
	    two_by_two(PNG_COLOR_TYPE_RGB_ALPHA, 8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
	png_fixture const grey = two_by_two(PNG_COLOR_TYPE_GRAY, 8, {11, 22, 33, 44});
	png_fixture const grey1 = two_by_two(PNG_COLOR_TYPE_GRAY, 1, {0x40, 0x80});  // top: 0 1, bottom: 1 0
	png_fixture pal = two_by_two(PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 2, 0});
	pal.palette = {{200, 0, 0}, {0, 150, 0}, {0, 0, 100}};
	png_fixture pal_trns = pal;
	pal_trns.trns = {255, 0, 77};
	png_fixture const rgb16 = two_by_two(
	    PNG_COLOR_TYPE_RGB, 16,
	    {0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc, 0, 1, 0, 2, 0, 3, 0xff, 0xff, 0x80, 0x00, 0x7f, 0xff, 1, 0, 2, 0, 3, 0});
	png_fixture inter;
	inter.w = inter.h = 8;
	inter.interlace = true;
	for (int y = 0; y < 8; ++y)
		for (int x = 0; x < 8; ++x) inter.rows.insert(inter.rows.end(), {uint8_t(x * 30), uint8_t(y * 30), 7});

	struct {
		char const* name;
		png_fixture const* file;
		int wanted;
		int keyed;
		int comps;                // what the reader leaves in `components`
		std::vector<int> bottom;  // bottom-left pixel, then top-left
		std::vector<int> top;
	} const cases[] = {
	    {"rgb 3", &rgb, 3, 0, 3, {70, 80, 90}, {10, 20, 30}},
	    {"rgb 4 gets a filler", &rgb, 4, 0, 4, {70, 80, 90, 255}, {10, 20, 30, 255}},
	    {"rgb 1 turns grey", &rgb_grey, 1, 0, 1, {90}, {40}},
	    {"rgba 4", &rgba, 4, 0, 4, {9, 10, 11, 12}, {1, 2, 3, 4}},
	    {"rgba 3 loses alpha", &rgba, 3, 0, 3, {9, 10, 11}, {1, 2, 3}},
	    {"grey 1", &grey, 1, 0, 1, {33}, {11}},
	    {"grey 3 is equal rgb", &grey, 3, 0, 3, {33, 33, 33}, {11, 11, 11}},
	    {"grey 4", &grey, 4, 0, 4, {33, 33, 33, 255}, {11, 11, 11, 255}},
	    {"grey 1 bit", &grey1, 1, 0, 1, {255}, {0}},
	    {"palette 3", &pal, 3, 0, 3, {0, 0, 100}, {200, 0, 0}},
	    {"palette 4 opaque", &pal, 4, 0, 4, {0, 0, 100, 255}, {200, 0, 0, 255}},
	    {"palette tRNS 4 real alpha", &pal_trns, 4, 0, 4, {0, 0, 100, 77}, {200, 0, 0, 255}},
	    {"16 bit keeps high bytes", &rgb16, 3, 0, 3, {0xff, 0x80, 0x7f}, {0x12, 0x56, 0x9a}},
	    {"keyed rgb", &rgb, 1, 1, 3, {70, 80, 90}, {10, 20, 30}},
	    {"keyed rgba", &rgba, 1, 1, 4, {9, 10, 11, 12}, {1, 2, 3, 4}},
	    {"keyed grey", &grey, 4, 1, 3, {33, 33, 33}, {11, 11, 11}},
	    {"keyed tRNS", &pal_trns, 3, 1, 4, {0, 0, 100, 77}, {200, 0, 0, 255}},
	    {"interlaced", &inter, 3, 0, 3, {0, 210, 7}, {0, 0, 7}},
	};
	int n = 0;
	for (auto const& c : cases) {
		std::string const p = png("f" + std::to_string(n++) + ".png", *c.file);
		memset(scratch_array, 0xee, scratch_bytes);
		unsigned char comps = static_cast<unsigned char>(c.wanted);
		sizes s;
		ASSERT_EQ(read_png(p, tex_type_bitmap, 0, comps, c.keyed, s), 1) << c.name;
		EXPECT_EQ(comps, c.comps) << c.name;
		EXPECT_EQ(s.img_dx, c.file->w) << c.name;
		EXPECT_EQ(s.tex_dy, c.file->h) << c.name;
		EXPECT_EQ(pixel(scratch_array, 1024, comps, 0, 0), c.bottom) << c.name;
		EXPECT_EQ(pixel(scratch_array, 1024, comps, 0, c.file->h - 1), c.top) << c.name;
		// The bitmap destination is cleared first: beyond the image stays 0.
		EXPECT_EQ(scratch_array[c.file->w * comps], 0) << c.name;
	}
	// Interlaced: a pixel from a late pass lands in place too.
	unsigned char comps = 3;
	sizes s;
	read_png(path("f17.png"), tex_type_bitmap, 0, comps, 0, s);
	EXPECT_EQ(pixel(scratch_array, 1024, 3, 5, 2), (std::vector<int>{150, 150, 7}));
}

TEST_F(ImageTest, GammaAppliesOnlyWithAGammaChunk)
{
	png_fixture plain = two_by_two(PNG_COLOR_TYPE_GRAY, 8, {128, 64, 200, 255});
	png_fixture gamma = plain;
	gamma.gamma = 1 / 2.2;
	std::string const p_plain = png("plain.png", plain), p_gamma = png("gamma.png", gamma);
	// Decoding exponent 1 / (file gamma x screen gamma 1.8).
	auto corrected = [](int v) { return 255.0 * std::pow(v / 255.0, 1.0 / (1.8 / 2.2)); };
	for (unsigned char wanted : {1, 3, 4}) {
		for (bool with_gamma : {false, true}) {
			unsigned char comps = wanted;
			sizes s;
			ASSERT_EQ(read_png(with_gamma ? p_gamma : p_plain, tex_type_bitmap, 0, comps, 0, s), 1);
			int const top_left = pixel(scratch_array, 1024, comps, 0, 1)[0];
			int const bottom_left = pixel(scratch_array, 1024, comps, 0, 0)[0];
			if (!with_gamma) {
				EXPECT_EQ(top_left, 128) << int(wanted);
				EXPECT_EQ(bottom_left, 200) << int(wanted);
			} else {
				EXPECT_NEAR(top_left, corrected(128), 1.0) << int(wanted);
				EXPECT_NEAR(bottom_left, corrected(200), 1.0) << int(wanted);
				EXPECT_LT(top_left, 120) << int(wanted);
			}
		}
	}
}

TEST_F(ImageTest, ChromaKeyFadesAlphaNearTheKey)
{
	png_fixture f;
	f.w = 4;
	f.colour = PNG_COLOR_TYPE_RGB_ALPHA;
	f.rows = {0, 0, 0, 200, 10, 10, 10, 200, 17, 17, 17, 200, 16, 17, 17, 200};
	std::string const p = png("key.png", f);
	struct {
		int flags;
		std::vector<int> alphas;
	} const cases[] = {
	    {tex_flag_chroma, {0, 150, 200, 250}},
	    {0, {200, 200, 200, 200}},
	};
	for (auto const& c : cases) {
		unsigned char comps = 4;
		sizes s;
		ASSERT_EQ(read_png(p, tex_type_bitmap, c.flags, comps, 0, s), 1);
		for (int x = 0; x < 4; ++x) EXPECT_EQ(scratch_array[x * 4 + 3], c.alphas[x]) << c.flags << " " << x;
	}
	// Another key colour.
	key_color[0] = key_color[1] = key_color[2] = 10;
	unsigned char comps = 4;
	sizes s;
	read_png(p, tex_type_bitmap, tex_flag_chroma, comps, 0, s);
	EXPECT_EQ(scratch_array[3], 150);
	EXPECT_EQ(scratch_array[7], 0);
}

TEST_F(ImageTest, ShrunkTexturesAreBoxAveragedToTheTextureStride)
{
	struct {
		int w, h, setting, img_w, img_h, tex_w, tex_h;
	} const cases[] = {
	    {1024, 1024, 3, 256, 256, 256, 256},
	    {36, 8, 4, 18, 4, 32, 4},
	};
	for (auto const& c : cases) {
		png_fixture f;
		f.w = c.w;
		f.h = c.h;
		auto value = [](int x, int y, int k) { return static_cast<unsigned char>((x * 7 + y * 13 + k * 50) & 255); };
		for (int y = 0; y < c.h; ++y)
			for (int x = 0; x < c.w; ++x)
				for (int k = 0; k < 3; ++k) f.rows.push_back(value(x, y, k));
		std::string const p = png("big" + std::to_string(c.w) + ".png", f);
		mnw.tex_res = c.setting;
		memset(scratch_array_temp, 0xee, scratch_bytes);
		unsigned char comps = 3;
		sizes s;
		ASSERT_EQ(read_png(p, tex_type_texture, 2, comps, 0, s), 1);
		EXPECT_EQ(s.img_dx, c.img_w);
		EXPECT_EQ(s.img_dy, c.img_h);
		EXPECT_EQ(s.tex_dx, c.tex_w);
		EXPECT_EQ(s.tex_dy, c.tex_h);
		int const step = c.w / c.img_w;
		int bad = 0;
		for (int oy = 0; oy < c.img_h; ++oy) {
			for (int ox = 0; ox < c.tex_w; ++ox) {
				for (int k = 0; k < 3; ++k) {
					int want = 0;
					if (ox < c.img_w) {
						int sum = 0;
						// Output row 0 is the bottom block of the picture.
						for (int by = 0; by < step; ++by)
							for (int bx = 0; bx < step; ++bx)
								sum += value(ox * step + bx, c.h - 1 - (oy * step + by), k);
						want = sum / (step * step);
					}
					bad += scratch_array_temp[(oy * c.tex_w + ox) * 3 + k] != want;
				}
			}
		}
		EXPECT_EQ(bad, 0) << c.w;
	}
}

TEST_F(ImageTest, CompositingBlendsOverTheScratchBuffer)
{
	png_fixture f;
	f.w = 3;
	f.colour = PNG_COLOR_TYPE_RGB_ALPHA;
	f.rows = {200, 0, 40, 128, 9, 9, 9, 0, 200, 0, 40, 255};
	std::string const p = png("over.png", f);
	for (int type : {tex_type_bitmap_over, tex_type_instr_over}) {
		for (size_t i = 0; i < scratch_bytes; ++i) scratch_array[i] = 100;
		unsigned char comps = 4;
		sizes s;
		ASSERT_EQ(read_png(p, type, 0, comps, 0, s), 1);
		EXPECT_EQ(pixel(scratch_array, 1024, 4, 0, 0), (std::vector<int>{150, 50, 70, 228})) << type;
		EXPECT_EQ(pixel(scratch_array, 1024, 4, 1, 0), (std::vector<int>{100, 100, 100, 100})) << type;
		EXPECT_EQ(pixel(scratch_array, 1024, 4, 2, 0), (std::vector<int>{199, 0, 39, 255})) << type;
		EXPECT_EQ(pixel(scratch_array, 1024, 4, 3, 0), (std::vector<int>{100, 100, 100, 100})) << type;
	}
}

TEST_F(ImageTest, AbsentPngsLeaveTheBuffersAlone)
{
	write_text_file(path("short.png"), std::string("\x89PNG\r\n\x1a", 7));
	memset(scratch_array, 0x5a, 16);
	for (std::string const name : {"short.png", "missing.png"}) {
		unsigned char comps = 4;
		sizes s;
		EXPECT_EQ(read_png(path(name), tex_type_bitmap, 0, comps, 0, s), 0) << name;
		EXPECT_EQ(scratch_array[0], 0x5a) << name;
		EXPECT_EQ(png_mapped_file, nullptr);
	}
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(ImageDeathTest, MalformedPngsEndTheProgram)
{
	png_fixture big;
	big.w = big.h = 64;
	for (int i = 0; i < 64 * 64 * 3; ++i) big.rows.push_back(static_cast<unsigned char>(i * 7919 >> 3));
	std::string const whole = read_text_file(png("whole.png", big));
	write_text_file(path("cut.png"), whole.substr(0, whole.size() / 2));
	write_text_file(path("sig.png"), "not a png file at all");
	png("rgb.png", two_by_two(PNG_COLOR_TYPE_RGB, 8, std::vector<unsigned char>(12, 1)));
	png_fixture three = two_by_two(PNG_COLOR_TYPE_RGB, 8, {});
	three.w = three.h = 3;
	three.rows.assign(27, 9);
	png("three.png", three);

	struct {
		char const* name;
		int wanted;
		int setting;
		std::string lines;
	} const cases[] = {
	    {"sig.png", 3, 5, "PING-FILE ERROR!\nis_png=!png_sig_cmp(png_io_buf,0,8)\n" + path("sig.png") + "\n\n"},
	    {"cut.png", 3, 5,
	     "PNG error!\nPNG Read Error, overran end of buffer!\n" + path("cut.png") + "\n\n(tman line "},
	    {"rgb.png", 2, 5, "PING-FILE ERROR!\npng_get_rowbytes(png_ptr,info_ptr)\n" + path("rgb.png") + "\n\n"},
	    // Setting 0 raises the scale to 1/3 so neither side is under a pixel.
	    {"three.png", 3, 0, "No case to handle this png!\n" + path("three.png") + "\nvalue:\n3\n"},
	};
	for (auto const& c : cases) {
		log = open_test_log(dir);
		mnw.tex_res = c.setting;
		EXPECT_EXIT(
		    {
			    unsigned char comps = static_cast<unsigned char>(c.wanted);
			    sizes s;
			    read_png(path(c.name), tex_type_texture, 2, comps, 0, s);
		    },
		    ::testing::ExitedWithCode(1), "");
		std::string const text = read_text_file(log);
		EXPECT_EQ(text.substr(0, c.lines.size()), c.lines) << c.name;
		if (std::string(c.name) == "cut.png") {
			EXPECT_NE(text.find("PING-FILE ERROR!\nsetjmp(png_ptr->jmpbuf\n" + path("cut.png") + "\n\n(tman line "),
			          std::string::npos)
			    << text;
		}
	}
}

TEST_F(ImageTest, PngErrorOnAWorkerIsThrownAndReleasesTheFile)
{
	png_fixture big;
	big.w = big.h = 64;
	for (int i = 0; i < 64 * 64 * 3; ++i) big.rows.push_back(static_cast<unsigned char>(i * 7919 >> 3));
	std::string const whole = read_text_file(png("whole.png", big));
	write_text_file(path("cut.png"), whole.substr(0, whole.size() / 2));
	THREAD_init();
	std::string caught;
	std::thread worker([&] {
		try {
			unsigned char comps = 3;
			sizes s;
			read_png(path("cut.png"), tex_type_texture, 2, comps, 0, s);
		} catch (exce_class const& e) {
			caught = e.msg1 + "|" + e.msg2;
		}
	});
	worker.join();
	THREAD_shutdown();
	EXPECT_EQ(caught, "PNG error!|PNG Read Error, overran end of buffer!");
	EXPECT_EQ(png_mapped_file, nullptr);
	// The reader is usable again afterwards.
	unsigned char comps = 3;
	sizes s;
	EXPECT_EQ(read_png(path("whole.png"), tex_type_bitmap, 0, comps, 0, s), 1);
	EXPECT_EQ(pixel(scratch_array, 1024, 3, 0, 63), (std::vector<int>{big.rows[0], big.rows[1], big.rows[2]}));
}

TEST_F(ImageDeathTest, BadArgumentsEndTheProgram)
{
	std::string const p = png("a.png", two_by_two(PNG_COLOR_TYPE_RGB, 8, std::vector<unsigned char>(12, 1)));
	bmp("a.bmp", bmp_bytes(1, 1, 24, 0, {1, 2, 3, 0}));
	struct {
		char const* name;
		std::function<void()> call;
		std::string lines;
	} const cases[] = {
	    {"png load type", [&] { unsigned char c = 3; sizes s; read_png(p, -99, 0, c, 0, s); },
	     "Trying to create an invalid texture load_type!\n" + p + "\nvalue:\n-99\n"},
	    {"png bytes", [&] { unsigned char c = 5; sizes s; read_png(p, -100, 0, c, 0, s); },
	     "Trying to bind too low or high a number of bytes!\n" + p + "\nvalue:\n5\n"},
	    {"bmp bytes", [&] { sizes s; read_bmp(p, -101, 0, 0, s); },
	     "Trying to bind too low or high a number of bytes!\n" + p + "\nvalue:\n0\n"},
	    {"bmp flags", [&] { sizes s; read_bmp(p, -101, 2048, 3, s); },
	     "Trying to bind an invalid filter type!\n" + p + "\nvalue:\n2048\n"},
	    {"buffer load type", [&] { sizes s; load_buf_into_scratch("scratch_array", 0, -105, 0, &s.img_dx, &s.img_dy, &s.tex_dx, &s.tex_dy); },
	     "Trying to create an invalid texture load_type!\nscratch_array\nvalue:\n-105\n"},
	    {"buffer size", [&] { scratch_dx = 1025; scratch_dy = 4; sizes s; load_buf_into_scratch("scratch_array:x", 0, -100, 0, &s.img_dx, &s.img_dy, &s.tex_dx, &s.tex_dy); },
	     "Trying to create a texture either less than 1 or greater than 1024!\nscratch_array:x\nvalue:\n1025\n"},
	};
	for (auto const& c : cases) {
		log = open_test_log(dir);
		EXPECT_EXIT(c.call(), ::testing::ExitedWithCode(1), "") << c.name;
		std::string const text = read_text_file(log);
		EXPECT_EQ(text.substr(0, c.lines.size()), c.lines) << c.name;
	}
}

// ---- sizes ----------------------------------------------------------------------------

TEST_F(ImageTest, ScaleFollowsTheSettingFlagsAndLimits)
{
	struct {
		int load_type, setting, flags, max, source, dx, dy;
		float scale;
		int img_dx, img_dy, tex_dx, tex_dy;
	} const cases[] = {
	    {-100, 2, 0, 1024, 2, 1024, 1024, 0.125f, 128, 128, 128, 128},
	    {-100, 2, 128, 1024, 2, 1024, 1024, 1, 1024, 1024, 1024, 1024},
	    {-100, 2, 32, 1024, 2, 1024, 1024, 0.25f, 256, 256, 256, 256},
	    {-100, 5, 32, 1024, 2, 1024, 1024, 1, 1024, 1024, 1024, 1024},
	    {-100, 2, 64, 1024, 2, 1024, 1024, 0.0625f, 64, 64, 64, 64},
	    {-100, 0, 0, 1024, 2, 16, 1024, 1.0f / 16, 1, 64, 1, 64},
	    {-100, 5, 0, 256, 2, 1024, 512, 0.25f, 256, 128, 256, 128},
	    {-100, 4, 0, 1024, 1, 1010, 764, 1, 1010, 764, 1024, 1024},
	    {-100, 9, 0, 1024, 2, 300, 5, 1, 300, 5, 512, 8},
	    {-101, 0, 64, 16, 2, 1010, 764, 1, 1010, 764, 1024, 1024},
	};
	for (auto const& c : cases) {
		mnw.tex_res = c.setting;
		maxtexdim = c.max;
		int img_dx, img_dy, tex_dx, tex_dy, x_off = 9, y_off = 9;
		float const scale = get_scale("p", 0, c.load_type, c.flags, c.dx, c.dy, &img_dx, &img_dy, &tex_dx, &tex_dy,
		                              &x_off, &y_off, c.source);
		SCOPED_TRACE(testing::Message() << c.load_type << " setting " << c.setting << " flags " << c.flags);
		EXPECT_FLOAT_EQ(scale, c.scale);
		EXPECT_EQ((std::vector<int>{img_dx, img_dy, tex_dx, tex_dy, x_off, y_off}),
		          (std::vector<int>{c.img_dx, c.img_dy, c.tex_dx, c.tex_dy, 0, 0}));
	}
}

TEST_F(ImageTest, InMemoryImagesAreTakenOnlyFromTheScratchName)
{
	scratch_dx = 1010;
	scratch_dy = 764;
	mnw.tex_res = 0;  // in-memory images are never shrunk
	scratch_array[0] = 42;
	sizes s;
	EXPECT_EQ(load_buf_into_scratch("scratch_array:hard-wired textures", 364, -100, 642, &s.img_dx, &s.img_dy,
	                                &s.tex_dx, &s.tex_dy),
	          1);
	EXPECT_EQ((std::vector<int>{s.img_dx, s.img_dy, s.tex_dx, s.tex_dy}), (std::vector<int>{1010, 764, 1024, 1024}));
	EXPECT_EQ(scratch_array[0], 42);
	sizes none;
	EXPECT_EQ(load_buf_into_scratch("Resources:scratch_array.png", 0, -100, 2, &none.img_dx, &none.img_dy,
	                                &none.tex_dx, &none.tex_dy),
	          0);
	EXPECT_EQ(none.img_dx, -1);
	EXPECT_EQ(reinterpret_cast<uintptr_t>(scratch_array) % 16, 0u);
}

// ---- BMP reader ------------------------------------------------------------------------

TEST_F(ImageTest, BmpRowsArePaddedAndReadBottomUp)
{
	// 3 x 2: rows of 9 pixel bytes padded to 12; the bottom row comes first.
	std::vector<unsigned char> const px = {3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0,
	                                       13, 12, 11, 16, 15, 14, 19, 18, 17, 0, 0, 0};
	bmp("w3.bmp", bmp_bytes(3, 2, 24, 0, px));
	struct {
		unsigned char comps;
		std::vector<int> first;  // bottom-left
		std::vector<int> last;   // top-right
	} const cases[] = {
	    {3, {1, 2, 3}, {17, 18, 19}},
	    {4, {1, 2, 3, 255}, {17, 18, 19, 255}},
	    {1, {2}, {18}},
	};
	for (auto const& c : cases) {
		sizes s;
		// The ".png" name is read as the ".bmp" beside it.
		ASSERT_EQ(read_bmp(path("w3.png"), tex_type_bitmap, 0, c.comps, s), 1);
		EXPECT_EQ((std::vector<int>{s.img_dx, s.img_dy, s.tex_dx, s.tex_dy}), (std::vector<int>{3, 2, 4, 2}));
		EXPECT_EQ(pixel(scratch_array, 1024, c.comps, 0, 0), c.first) << int(c.comps);
		EXPECT_EQ(pixel(scratch_array, 1024, c.comps, 2, 1), c.last) << int(c.comps);
		EXPECT_EQ(pixel(scratch_array, 1024, c.comps, 1, 1)[0], c.comps == 1 ? 15 : 14) << int(c.comps);
	}
	// A texture goes to the temporary buffer at its texture stride (4).
	sizes s;
	ASSERT_EQ(read_bmp(path("w3.bmp"), tex_type_texture, 128 + 1, 3, s), 1);
	EXPECT_EQ(pixel(scratch_array_temp, 4, 3, 0, 1), (std::vector<int>{11, 12, 13}));
	// A name without an extension is used as it stands.
	bmp("plain", bmp_bytes(3, 2, 24, 0, px));
	ASSERT_EQ(read_bmp(path("plain"), tex_type_bitmap, 0, 3, s), 1);
}

TEST_F(ImageTest, BmpMagentaIsSkippedWithAlpha)
{
	// 4 x 1: magenta, nearly magenta, two plain pixels (b, g, r in the file).
	bmp("m.bmp", bmp_bytes(4, 1, 24, 0, {255, 0, 255, 254, 0, 255, 1, 2, 3, 4, 5, 6}));
	for (int type : {tex_type_bitmap, tex_type_texture}) {
		unsigned char* const buf = type == tex_type_texture ? scratch_array_temp : scratch_array;
		memset(buf, 77, 64);
		sizes s;
		ASSERT_EQ(read_bmp(path("m.bmp"), type, 128 + 2, 4, s), 1);
		// Over the scratch buffer the key pixel leaves what lay there; in a
		// texture it is clear.
		std::vector<int> const key = type == tex_type_texture ? std::vector<int>{0, 0, 0, 0}
		                                                      : std::vector<int>{77, 77, 77, 77};
		EXPECT_EQ(pixel(buf, 4, 4, 0, 0), key) << type;
		EXPECT_EQ(pixel(buf, 4, 4, 1, 0), (std::vector<int>{255, 0, 254, 255})) << type;
		EXPECT_EQ(pixel(buf, 4, 4, 3, 0), (std::vector<int>{6, 5, 4, 255})) << type;
	}
	// Three bytes a pixel keep magenta as a colour.
	sizes s;
	read_bmp(path("m.bmp"), tex_type_bitmap, 0, 3, s);
	EXPECT_EQ(pixel(scratch_array, 1024, 3, 0, 0), (std::vector<int>{255, 0, 255}));
}

TEST_F(ImageTest, BmpNearestSamplesWhenShrunk)
{
	std::vector<unsigned char> px;
	for (int y = 0; y < 2; ++y)
		for (int x = 0; x < 4; ++x) px.insert(px.end(), {0, uint8_t(y), uint8_t(x * 10)});
	bmp("s.bmp", bmp_bytes(4, 2, 24, 0, px));
	mnw.tex_res = 4;
	sizes s;
	ASSERT_EQ(read_bmp(path("s.bmp"), tex_type_texture, 1, 3, s), 1);
	EXPECT_EQ((std::vector<int>{s.img_dx, s.img_dy, s.tex_dx, s.tex_dy}), (std::vector<int>{2, 1, 2, 1}));
	EXPECT_EQ(pixel(scratch_array_temp, 2, 3, 0, 0), (std::vector<int>{0, 0, 0}));
	EXPECT_EQ(pixel(scratch_array_temp, 2, 3, 1, 0), (std::vector<int>{20, 0, 0}));
}

TEST_F(ImageTest, BmpDataOutsideTheFileIsSkipped)
{
	memset(scratch_array, 9, 2 * 1024 * 3);
	// Header only, shorter than a header, and a data offset far past the end.
	bmp("empty.bmp", bmp_bytes(2, 2, 24, 0, {}));
	bmp("short.bmp", bmp_bytes(2, 2, 24, 0, {}).substr(0, 30));
	bmp("far.bmp", bmp_bytes(2, 2, 24, 0, std::vector<unsigned char>(16, 1), 0xfffffff0u));
	bmp("half.bmp", bmp_bytes(2, 2, 24, 0, {1, 2, 3, 4, 5, 6, 0, 0}));
	sizes s;
	EXPECT_EQ(read_bmp(path("short.bmp"), tex_type_bitmap, 0, 3, s), 0);
	EXPECT_EQ(read_bmp(path("none.bmp"), tex_type_bitmap, 0, 3, s), 0);
	EXPECT_EQ(read_bmp(path("empty.bmp"), tex_type_bitmap, 0, 3, s), 1);
	EXPECT_EQ(read_bmp(path("far.bmp"), tex_type_bitmap, 0, 3, s), 1);
	EXPECT_EQ(pixel(scratch_array, 1024, 3, 0, 0), (std::vector<int>{9, 9, 9}));
	EXPECT_EQ(read_bmp(path("half.bmp"), tex_type_bitmap, 0, 3, s), 1);
	EXPECT_EQ(pixel(scratch_array, 1024, 3, 1, 0), (std::vector<int>{6, 5, 4}));
	EXPECT_EQ(pixel(scratch_array, 1024, 3, 0, 1), (std::vector<int>{9, 9, 9}));
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(ImageDeathTest, BmpOfTheWrongKindEndsTheProgram)
{
	bmp("deep.bmp", bmp_bytes(1, 1, 32, 0, {1, 2, 3, 4}));
	bmp("rle.bmp", bmp_bytes(1, 1, 24, 1, {1, 2, 3, 0}));
	bmp("wide.bmp", bmp_bytes(2000, 1, 24, 0, {}));
	struct {
		char const* name;
		std::string lines;
	} const cases[] = {
	    {"deep.bmp", "Wrong bitmap color depth for texture!\nWe need 24-bit color.\n\n" + path("deep.bmp") + "\n"},
	    {"rle.bmp", "Bitmap is compressed!\n\n\n" + path("rle.bmp") + "\n"},
	    {"wide.bmp",
	     "Trying to create a texture either less than 1 or greater than 1024!\n" + path("wide.bmp") + "\nvalue:\n2000\n"},
	};
	for (auto const& c : cases) {
		log = open_test_log(dir);
		EXPECT_EXIT(
		    {
			    sizes s;
			    read_bmp(path(c.name), tex_type_bitmap, 0, 3, s);
		    },
		    ::testing::ExitedWithCode(1), "");
		expect_log_alert(c.lines);
	}
}

// ---- writers ----------------------------------------------------------------------------

TEST_F(ImageTest, BmpWriterStoresAPaddedBottomUpFile)
{
	unsigned char const rgb[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19};
	memcpy(scratch_array, rgb, sizeof(rgb));
	write_bmp_to_disk(path("shot.png"), 3, 2);
	std::string const file = read_text_file(path("shot.bmp"));
	ASSERT_EQ(file.size(), 78u);
	std::string const header = bmp_bytes(3, 2, 24, 0, std::vector<unsigned char>(24, 0));
	EXPECT_EQ(file.substr(0, 54), header.substr(0, 54));
	std::string const pixels("\3\2\1\6\5\4\x09\x08\x07\0\0\0\x0d\x0c\x0b\x10\x0f\x0e\x13\x12\x11\0\0\0", 24);
	EXPECT_EQ(file.substr(54), pixels);
	// The buffer now holds b, g, r; the file reads back as the picture.
	EXPECT_EQ(scratch_array[0], 3);
	sizes s;
	ASSERT_EQ(read_bmp(path("shot.bmp"), tex_type_bitmap, 0, 3, s), 1);
	EXPECT_EQ(pixel(scratch_array, 1024, 3, 2, 1), (std::vector<int>{17, 18, 19}));
}

TEST_F(ImageTest, PngWriterStoresTheTopRowFirst)
{
	for (int comps : {3, 4}) {
		// 2 x 2, bottom row (red, green), top row (blue, white).
		std::vector<unsigned char> buf;
		unsigned char const colours[4][4] = {{255, 0, 0, 10}, {0, 255, 0, 20}, {0, 0, 255, 30}, {255, 255, 255, 40}};
		for (auto const& c : colours) buf.insert(buf.end(), c, c + comps);
		memcpy(scratch_array, buf.data(), buf.size());
		std::string const name = "shot" + std::to_string(comps) + ".png";
		write_png_to_disk(path(name), 2, 2, comps);
		std::string const file = read_text_file(path(name));
		ASSERT_GT(file.size(), 26u);
		EXPECT_EQ(file[25], comps == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB);
		int w, h, colour;
		std::vector<unsigned char> rgba;
		ASSERT_TRUE(read_png_rgba(path(name), &w, &h, &colour, &rgba));
		EXPECT_EQ(std::vector<int>(rgba.begin(), rgba.begin() + 4),
		          (std::vector<int>{0, 0, 255, comps == 4 ? 30 : 255}));
		EXPECT_EQ(std::vector<int>(rgba.begin() + 8, rgba.begin() + 12),
		          (std::vector<int>{255, 0, 0, comps == 4 ? 10 : 255}));
		// Round trip through the reader.
		memset(scratch_array, 0, 64);
		unsigned char rc = static_cast<unsigned char>(comps);
		sizes s;
		ASSERT_EQ(read_png(path(name), tex_type_bitmap, 0, rc, 0, s), 1);
		for (int i = 0; i < 4; ++i)
			EXPECT_EQ(pixel(scratch_array, 1024, comps, i % 2, i / 2), std::vector<int>(buf.begin() + i * comps, buf.begin() + (i + 1) * comps));
	}
	EXPECT_EQ(read_text_file(log), "");
}

TEST_F(ImageTest, PngWriterFailuresWarnAndLeaveNoFile)
{
	write_png_to_disk(path("no/such/folder/x.png"), 2, 2, 3);
	EXPECT_NE(read_text_file(log).find("WARNING: I could not write the image " + path("no/such/folder/x.png")),
	          std::string::npos);

	// A write cut short by the file-size limit: libpng's error, no partial file.
	uint32_t noise = 2463534242u;  // incompressible, so libpng itself hits the limit
	for (size_t i = 0; i < 64 * 64 * 3; ++i) {
		noise ^= noise << 13;
		noise ^= noise >> 17;
		noise ^= noise << 5;
		scratch_array[i] = static_cast<unsigned char>(noise);
	}
	signal(SIGXFSZ, SIG_IGN);
	struct rlimit old;
	getrlimit(RLIMIT_FSIZE, &old);
	struct rlimit small = old;
	small.rlim_cur = 1000;
	setrlimit(RLIMIT_FSIZE, &small);
	write_png_to_disk(path("cut.png"), 64, 64, 3);
	setrlimit(RLIMIT_FSIZE, &old);
	struct stat st;
	EXPECT_NE(stat(path("cut.png").c_str(), &st), 0);
	EXPECT_NE(read_text_file(log).find("WARNING: I could not write the image " + path("cut.png")), std::string::npos);
	ASSERT_EQ(recorded_alerts().size(), 1u);
	EXPECT_EQ(recorded_alerts()[0].text, "PNG error! Write Error");
}

TEST_F(ImageDeathTest, WritersRefuseWhatTheyCannotDo)
{
	struct {
		char const* name;
		std::function<void()> call;
		std::string lines;
	} const cases[] = {
	    {"bmp folder", [&] { write_bmp_to_disk(path("no/such/x"), 2, 2); },
	     "I could not create this file!\nHere is the path:\n" + path("no/such/x.bmp") +
	         "\nMake sure you have all these folders... I can create files, but not folders!\n"},
	    {"bmp size", [&] { write_bmp_to_disk(path("x"), 1025, 1366); },
	     "Trying to write an image larger than the scratch buffer!\n" + path("x.bmp") + "\nvalue:\n1400150\n"},
	    {"png size", [&] { write_png_to_disk(path("x.png"), 1024, 1025, 4); },
	     "Trying to write an image larger than the scratch buffer!\n" + path("x.png") + "\nvalue:\n1049600\n"},
	    {"png empty", [&] { write_png_to_disk(path("x.png"), 0, 5, 3); },
	     "Trying to write an image larger than the scratch buffer!\n" + path("x.png") + "\nvalue:\n0\n"},
	    // The disk fills up after the file was made: no cut-off bitmap is left.
	    {"bmp cut short",
	     [&] {
		     signal(SIGXFSZ, SIG_IGN);
		     struct rlimit small;
		     getrlimit(RLIMIT_FSIZE, &small);
		     small.rlim_cur = 4096;
		     setrlimit(RLIMIT_FSIZE, &small);
		     write_bmp_to_disk(path("full"), 300, 300);
	     },
	     "I could not create this file!\nHere is the path:\n" + path("full.bmp") +
	         "\nMake sure you have all these folders... I can create files, but not folders!\n"},
	};
	for (auto const& c : cases) {
		log = open_test_log(dir);
		EXPECT_EXIT(c.call(), ::testing::ExitedWithCode(1), "") << c.name;
		expect_log_alert(c.lines);
	}
	struct stat st;
	EXPECT_NE(stat(path("full.bmp").c_str(), &st), 0);
}
