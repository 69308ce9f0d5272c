// The texture manager on a real GL context (Mesa's software renderer).
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "foundation/app_globals.h"
#include "foundation/hl_thread.h"
#include "graphics/OGL_extensions.h"
#include "graphics/tman.h"
#include "image_fixtures.h"
#include "support/alert_recorder.h"
#include "support/gl_context.h"
#include "support/logged_test.h"

namespace {

struct TmanTest : logged_test {
	gl_test_context* gl = nullptr;
	void SetUp() override
	{
		logged_test::SetUp();
		app_path.clear();
		gl = new gl_test_context(64, 64);
		ASSERT_TRUE(gl->ok()) << gl->error();
		gl->probe();
		log = open_test_log(dir);  // past the probe's situation block
		tman = tman_class();
		tman.reset_bind();
		mnw.tex_res = 5;
		mnw.col_res_use = 32;
		mnw.lay_scale = 1.0f;
		tman_set_show_init(nullptr);
	}
	void TearDown() override { delete gl; }

	std::string path(std::string const& name) const { return dir.path() + name; }
	// A w x h RGB PNG whose pixel (x, y from the top) is colour(x, y).
	std::string rgb_png(std::string const& name, int w, int h,
	                    std::function<std::vector<unsigned char>(int, int)> colour = nullptr)
	{
		png_fixture f;
		f.w = w;
		f.h = h;
		for (int y = 0; y < h; ++y)
			for (int x = 0; x < w; ++x) {
				std::vector<unsigned char> c = colour ? colour(x, y) : std::vector<unsigned char>{10, 20, 30};
				f.rows.insert(f.rows.end(), c.begin(), c.end());
			}
		EXPECT_TRUE(write_png_fixture(path(name), f));
		return path(name);
	}
	std::string rgba_png(std::string const& name, int w, int h, std::vector<unsigned char> rows)
	{
		png_fixture f;
		f.w = w;
		f.h = h;
		f.colour = PNG_COLOR_TYPE_RGB_ALPHA;
		f.rows = std::move(rows);
		EXPECT_TRUE(write_png_fixture(path(name), f));
		return path(name);
	}
	bool log_has(std::string const& text) const { return read_text_file(log).find(text) != std::string::npos; }
};
using TmanDeathTest = TmanTest;

GLint bound_2d()
{
	GLint b = -1;
	glGetIntegerv(GL_TEXTURE_BINDING_2D, &b);
	return b;
}

GLint level_param(GLuint tex, GLenum pname, int level = 0)
{
	glBindTexture(GL_TEXTURE_2D, tex);
	GLint v = -1;
	glGetTexLevelParameteriv(GL_TEXTURE_2D, level, pname, &v);
	return v;
}

GLint tex_param(GLuint tex, GLenum pname)
{
	glBindTexture(GL_TEXTURE_2D, tex);
	GLint v = -1;
	glGetTexParameteriv(GL_TEXTURE_2D, pname, &v);
	return v;
}

// The texture's level 0 as RGBA, rows bottom-up.
std::vector<unsigned char> texels(GLuint tex)
{
	int const w = level_param(tex, GL_TEXTURE_WIDTH), h = level_param(tex, GL_TEXTURE_HEIGHT);
	std::vector<unsigned char> out(static_cast<size_t>(w) * h * 4);
	glPixelStorei(GL_PACK_ALIGNMENT, 1);
	glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
	return out;
}

std::vector<int> texel(std::vector<unsigned char> const& t, int w, int x, int y)
{
	auto p = t.begin() + (static_cast<size_t>(y) * w + x) * 4;
	return std::vector<int>(p, p + 4);
}

// Finishes the job in flight by uploading what the worker read.
struct finish_counter : tman_force_finish_obj {
	int calls = 0;
	void force_finish() override
	{
		++calls;
		tman.load_scenery_async_finalize();
	}
};

}  // namespace

// ---- slots and the path index ---------------------------------------------------------

TEST(TexHash, SumsSignedCharactersTimesFive)
{
	tex_hash_fn h;
	EXPECT_EQ(h(""), 0u);
	EXPECT_EQ(h("ab"), 97u * 5 + 98);
	EXPECT_EQ(h("\xff"), 0xffffffffu);  // a signed -1
	EXPECT_EQ(h("a\xfe"), 97u * 5 - 2);
}

TEST_F(TmanTest, SlotsFromTheHighestFreeRecordUp)
{
	std::string const a = rgb_png("a.png", 4, 4), b = rgb_png("b.png", 4, 4), c = rgb_png("c.png", 4, 4);
	std::string const d = rgb_png("d.png", 4, 4), e = rgb_png("e.png", 4, 4);
	EXPECT_EQ(tman.load_texture(tex_fail_log, 0, 1, tex_load_now, ""), 0);
	EXPECT_EQ(tman.total_texes(), 0);

	EXPECT_EQ(tman.load_texture(tex_fail_log, 0, 1, tex_load_now, a), 3374);
	EXPECT_EQ(tman.texes.size(), 3375u);
	EXPECT_EQ(tman.load_texture(tex_fail_log, 0, 1, tex_load_now, b), 3375);
	EXPECT_EQ(tman.load_texture(tex_fail_log, 0, 1, tex_load_now, c), 3376);
	EXPECT_EQ(tman.total_texes(), 3);
	EXPECT_EQ(tman.loaded_texes(), 3);

	// The same path again reads nothing: its file is gone, yet no failure.
	remove(a.c_str());
	EXPECT_EQ(tman.load_texture(tex_fail_log, 0, 1, tex_load_now, a), 3374);
	EXPECT_FALSE(log_has("WARNING"));

	tman.unload_texture(3374);
	tman.unload_texture(3376);
	EXPECT_EQ(tman.total_texes(), 1);
	EXPECT_EQ(tman.loaded_texes(), 1);
	EXPECT_EQ(tman.texes[3376].name, "un-inited");
	EXPECT_EQ(tman.texes[3376].load_time, tex_load_unloaded);
	EXPECT_EQ(glIsTexture(3376), GL_FALSE);
	EXPECT_EQ(tman.load_texture(tex_fail_log, 0, 1, tex_load_now, d), 3376);
	EXPECT_EQ(tman.load_texture(tex_fail_log, 0, 1, tex_load_now, e), 3374);
	EXPECT_EQ(tman.load_texture(tex_fail_log, 0, 1, tex_load_now, path("f.png")), 3377);
	EXPECT_EQ(tman.texes.size(), 3378u);

	// A manual slot: 3374 is accepted; the path index keeps its first slot.
	EXPECT_EQ(tman.load_texture(tex_fail_log, 3374, 1, tex_load_now, b), 3374);
	EXPECT_EQ(tex_hash.at(b), 3375);
	EXPECT_EQ(tex_hash.count(e), 0u);
	EXPECT_EQ(tman.load_texture(tex_fail_log, 12, 1, tex_load_now, path("none.png")), 0);
}

TEST_F(TmanTest, FailedLoadsShowThePlaceholderAndAreNotRetried)
{
	struct {
		tex_fail_mode mode;
		bool scene, plane, instl, warned;
	} const cases[] = {
	    {tex_fail_silent, false, false, false, false},
	    {tex_fail_scenery, true, false, false, true},
	    {tex_fail_plane, false, true, false, true},
	    {tex_fail_instrument, false, false, true, true},
	    {tex_fail_log, false, false, false, true},
	    {static_cast<tex_fail_mode>(9), false, false, false, true},
	};
	int n = 0;
	for (auto const& c : cases) {
		log = open_test_log(dir);
		tman = tman_class();
		std::string const missing = path("missing" + std::to_string(n++) + ".png");
		int const ref = tman.load_texture(c.mode, 0, 1, tex_load_now, missing);
		EXPECT_EQ(ref, 3374) << c.mode;
		EXPECT_EQ(tman.texes[ref].tex_id, 3373u);
		EXPECT_EQ(tman.texes[ref].load_time, tex_load_now);
		EXPECT_EQ(tman.texes[ref].tex_dx, tman.texes[3373].tex_dx);
		EXPECT_EQ(tman.loaded_texes(), 0);
		EXPECT_EQ((std::vector<bool>{tman.has_scene_load_fail(), tman.has_plane_load_fail(), tman.has_instl_load_fail()}),
		          (std::vector<bool>{c.scene, c.plane, c.instl}))
		    << c.mode;
		EXPECT_EQ(log_has("WARNING: we are missing the texture: " + missing + ".\n"), c.warned) << c.mode;
		// Bound, it shows the placeholder without an alert.
		tman.bind_ref(ref, 0, 0);
		EXPECT_EQ(bound_2d(), 3373);
		EXPECT_EQ(level_param(3373, GL_TEXTURE_WIDTH), 8);
		// Not read again.
		rgb_png(missing.substr(dir.path().size()), 4, 4);
		EXPECT_EQ(tman.load_texture(c.mode, 0, 1, tex_load_now, missing), ref);
		EXPECT_EQ(tman.texes[ref].tex_id, 3373u);
	}
	EXPECT_TRUE(recorded_alerts().empty());

	// Muting: a second failure does not re-arm a muted state; a reset does.
	tman = tman_class();
	tman.load_texture(tex_fail_scenery, 0, 1, tex_load_now, path("x1.png"));
	EXPECT_TRUE(tman.has_scene_load_fail());
	tman.mute_scene_load_fail();
	EXPECT_FALSE(tman.has_scene_load_fail());
	tman.load_texture(tex_fail_scenery, 0, 1, tex_load_now, path("x2.png"));
	EXPECT_FALSE(tman.has_scene_load_fail());
	tman.reset_scene_load_fail();
	tman.load_texture(tex_fail_scenery, 0, 1, tex_load_now, path("x3.png"));
	EXPECT_TRUE(tman.has_scene_load_fail());
	tman.load_texture(tex_fail_plane, 0, 1, tex_load_now, path("x4.png"));
	tman.mute_plane_load_fail();
	tman.load_texture(tex_fail_instrument, 0, 1, tex_load_now, path("x5.png"));
	tman.mute_instl_load_fail();
	EXPECT_FALSE(tman.has_plane_load_fail() || tman.has_instl_load_fail());
	tman.reset_plane_load_fail();
	tman.reset_instl_load_fail();
	EXPECT_EQ(tman.plane_fail + tman.instl_fail, 0);

	// A sweep that unloads every record passes the placeholder too: it stays,
	// and the counts stay true.
	tman = tman_class();
	for (int ref = 0; ref < static_cast<int>(tman.texes.size()); ++ref) tman.unload_texture(ref);
	EXPECT_EQ(tman.total_texes(), 0);
	int const late = tman.load_texture(tex_fail_silent, 0, 1, tex_load_now, path("late.png"));
	EXPECT_EQ(tman.total_texes(), 1);
	tman.bind_ref(late, 0, 0);
	EXPECT_EQ(bound_2d(), 3373);
}

TEST_F(TmanDeathTest, RangeAndMissingFileAlerts)
{
	std::string const p = rgb_png("p.png", 4, 4);
	std::string const odd = rgb_png("odd.png", 4, 4);
	struct {
		char const* name;
		std::function<void()> call;
		std::string lines;
	} const cases[] = {
	    {"manual 3375", [&] { tman.load_texture(tex_fail_log, 3375, 1, tex_load_now, p); },
	     "Trying to bind too low or high a manual_ref!\n" + p + "\nvalue:\n3375\n"},
	    {"manual -1", [&] { tman.load_texture(tex_fail_log, -1, 1, tex_load_now, p); },
	     "Trying to bind too low or high a manual_ref!\n" + p + "\nvalue:\n-1\n"},
	    {"load time", [&] { tman.load_texture(tex_fail_log, 0, 1, static_cast<tex_load_time>(99), p); },
	     "Trying to create an invalid texture load_time!\n" + p + "\nvalue:\n99\n"},
	    {"colour 0", [&] { tman.load_texture(tex_fail_log, 0, 8, tex_load_now, p); },
	     "BAD color enum for tman - see tman for valid colors!  We cannot pass 0.\n" + p + "\nvalue:\n0\n"},
	    {"flags", [&] { tman.load_bitmap(tex_fail_log, 0, 2049, p); },
	     "Trying to bind an invalid filter type!\n" + p + "\nvalue:\n2049\n"},
	    {"missing", [&] { tman.load_texture(tex_fail_fatal, 0, 1, tex_load_now, path("gone.png")); },
	     "Trying to load a texture that you do not have!\nThis smacks of a mis-installed copy of Skyrell!\n"},
	    {"null ref", [&] { tman.load_texture_int(tex_fail_log, tex_type_texture, 0, 1, p, false); },
	     "Trying to bind a null ref!\nref=     0, tex=     0\n\n\n"},
	};
	for (auto const& c : cases) {
		log = open_test_log(dir);
		EXPECT_EXIT(c.call(), ::testing::ExitedWithCode(1), "") << c.name;
		std::string const text = read_text_file(log);
		EXPECT_EQ(text.substr(0, c.lines.size()), c.lines) << c.name;
		EXPECT_NE(text.find("(tman line "), std::string::npos) << c.name;
	}
	log = open_test_log(dir);
	EXPECT_EXIT(tman.load_texture(tex_fail_fatal, 0, 1, tex_load_now, path("gone.png")), ::testing::ExitedWithCode(1),
	            "");
	EXPECT_NE(read_text_file(log).find("\n" + path("gone.png") + "\n(tman line "), std::string::npos);
}

// ---- uploads -------------------------------------------------------------------------------

TEST_F(TmanTest, SizesFollowTheResolutionSetting)
{
	std::string const p = rgb_png("big.png", 1024, 1024);
	struct {
		int setting, flags, side;
	} const cases[] = {
	    {2, 1, 128},
	    {2, 1 + 128, 1024},
	    {2, 1 + 32, 256},
	    {5, 1 + 64, 512},
	};
	int ref = 100;
	for (auto const& c : cases) {
		mnw.tex_res = c.setting;
		ASSERT_EQ(tman.load_texture(tex_fail_log, ref, c.flags, tex_load_now, p), ref);
		EXPECT_EQ(level_param(ref, GL_TEXTURE_WIDTH), c.side) << c.flags;
		EXPECT_EQ(level_param(ref, GL_TEXTURE_HEIGHT), c.side) << c.flags;
		EXPECT_EQ(tman.texes[ref].img_dx, c.side);
		EXPECT_EQ(tman.texes[ref].vram, c.side * c.side * 3);
		++ref;
	}
	EXPECT_FLOAT_EQ(tman.scale_rat(), 1.0f);
	mnw.x_res_use = 64;
	mnw.y_res_use = 64;
	EXPECT_EQ(tman.tot_vram(), 64 * 64 * 4 + (128 * 128 + 1024 * 1024 + 256 * 256 + 512 * 512) * 3);
}

TEST_F(TmanTest, FiltersWrapAndFormats)
{
	std::string const p = rgb_png("t.png", 8, 4);
	std::string const q = rgba_png("q.png", 2, 1, {1, 2, 3, 4, 5, 6, 7, 8});
	struct {
		int ref, flags;
		float lay_scale;
		GLint min, mag, wrap, internal;
		bool mip;
	} const cases[] = {
	    {100, 1, 1, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_RGB, false},
	    {101, 1 + 8, 1, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_RGB, true},
	    {102, 1 + 16, 1, GL_LINEAR, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_RGB, false},
	    {363, 1 + 8, 1, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_RGB, true},
	    {394, 1, 1, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_RGB, false},
	    {389, 1, 1.0f, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_RGB, false},
	    {389, 1, 1.5f, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_RGB, false},
	    {103, 2, 1, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_RGBA, false},
	    {104, 3, 1, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_ALPHA, false},
	    {105, 5, 1, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_RGBA, false},  // keyed: the file has alpha
	};
	for (auto const& c : cases) {
		mnw.lay_scale = c.lay_scale;
		std::string const file = (c.flags & 7) == 1 ? p : q;
		ASSERT_EQ(tman.load_texture(tex_fail_log, c.ref, c.flags, tex_load_now, file), c.ref);
		SCOPED_TRACE(testing::Message() << c.ref << " flags " << c.flags);
		EXPECT_EQ(tex_param(c.ref, GL_TEXTURE_MIN_FILTER), c.min);
		EXPECT_EQ(tex_param(c.ref, GL_TEXTURE_MAG_FILTER), c.mag);
		EXPECT_EQ(tex_param(c.ref, GL_TEXTURE_WRAP_S), c.wrap);
		EXPECT_EQ(tex_param(c.ref, GL_TEXTURE_WRAP_T), c.wrap);
		EXPECT_EQ(level_param(c.ref, GL_TEXTURE_INTERNAL_FORMAT), c.internal);
		EXPECT_EQ(tman.texes[c.ref].format, c.internal);
		// Mipmaps exist below level 0 only when asked for.
		int const last = (c.flags & 7) == 1 ? 3 : 1;
		EXPECT_EQ(level_param(c.ref, GL_TEXTURE_WIDTH, last) == 1, c.mip);
	}
	EXPECT_EQ(tman.texes[101].vram, static_cast<int>(8 * 4 * 3 * 1.4f));
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(TmanTest, FallbacksForOlderRenderersAndSixteenBitWindows)
{
	std::string const p = rgb_png("t.png", 8, 4);
	std::string const q = rgba_png("q.png", 2, 1, {1, 2, 3, 4, 5, 6, 7, 8});
	OGL_extensions const real = glExt;
	struct {
		char const* name;
		int automini, clamp, colour_bits, ref, flags;
		GLint wrap, internal;
		bool mip;
	} const cases[] = {
	    {"GLU mipmaps", 0, 1, 32, 100, 1 + 8, GL_REPEAT, GL_RGB, true},
	    {"no edge clamp", 1, 0, 32, 101, 1 + 16, GL_CLAMP, GL_RGB, false},
	    {"16-bit rgb", 1, 1, 16, 102, 1, GL_REPEAT, GL_RGB5, false},
	    {"16-bit rgba 380", 1, 1, 16, 380, 2, GL_REPEAT, GL_RGBA16, false},
	    {"16-bit rgba", 1, 1, 16, 381, 2, GL_REPEAT, GL_RGBA, false},
	};
	for (auto const& c : cases) {
		glExt.automini_avail = c.automini;
		glExt.tex_clamp_avail = c.clamp;
		mnw.col_res_use = c.colour_bits;
		std::string const file = (c.flags & 7) == 1 ? p : q;
		ASSERT_EQ(tman.load_texture(tex_fail_log, c.ref, c.flags, tex_load_now, file), c.ref) << c.name;
		EXPECT_EQ(tex_param(c.ref, GL_TEXTURE_WRAP_S), c.wrap) << c.name;
		EXPECT_EQ(level_param(c.ref, GL_TEXTURE_INTERNAL_FORMAT), c.internal) << c.name;
		EXPECT_EQ(level_param(c.ref, GL_TEXTURE_WIDTH, 3) == 1, c.mip) << c.name;
	}
	glExt = real;
}

TEST_F(TmanTest, SameSizeReloadReplacesThePixelsInPlace)
{
	std::string const red = rgb_png("red.png", 4, 4, [](int, int) { return std::vector<unsigned char>{255, 0, 0}; });
	std::string const green =
	    rgb_png("green.png", 4, 4, [](int, int) { return std::vector<unsigned char>{0, 255, 0}; });
	std::string const wide = rgb_png("wide.png", 8, 4);
	ASSERT_EQ(tman.load_texture(tex_fail_log, 200, 1, tex_load_now, red), 200);
	EXPECT_EQ(level_param(200, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);
	// A 16-bit window would store a new RGB texture as RGB5; a replacement of
	// the same size keeps the texture and only swaps its pixels.
	mnw.col_res_use = 16;
	ASSERT_EQ(tman.load_texture(tex_fail_log, 200, 1, tex_load_now, green), 200);
	EXPECT_EQ(level_param(200, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);
	EXPECT_EQ(texel(texels(200), 4, 2, 2), (std::vector<int>{0, 255, 0, 255}));
	EXPECT_EQ(tman.loaded_texes(), 1);
	ASSERT_EQ(tman.load_texture(tex_fail_log, 200, 1, tex_load_now, wide), 200);
	EXPECT_EQ(level_param(200, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB5);
	EXPECT_EQ(level_param(200, GL_TEXTURE_WIDTH), 8);
	EXPECT_EQ(tman.total_texes(), 1);
}

TEST_F(TmanTest, TransparentPixelsTakeTheirNeighboursColour)
{
	// 4 x 4, top row from the file's view: red opaque at (0,0), blue opaque at
	// (3,0), everything else clear black.
	std::vector<unsigned char> rows(4 * 4 * 4, 0);
	auto set = [&rows](int x, int y, std::vector<unsigned char> c) {
		std::copy(c.begin(), c.end(), rows.begin() + (y * 4 + x) * 4);
	};
	set(0, 0, {255, 0, 0, 255});
	set(3, 0, {0, 0, 255, 255});
	std::string const p = rgba_png("edge.png", 4, 4, rows);
	ASSERT_EQ(tman.load_texture(tex_fail_log, 300, 2 + 128, tex_load_now, p), 300);
	auto const t = texels(300);
	auto at = [&t](int x, int y) { return texel(t, 4, x, 3 - y); };  // file coordinates
	EXPECT_EQ(at(0, 0), (std::vector<int>{255, 0, 0, 255}));
	EXPECT_EQ(at(1, 0), (std::vector<int>{127, 0, 127, 0}));
	EXPECT_EQ(at(1, 2), (std::vector<int>{127, 0, 127, 0}));
	EXPECT_EQ(at(0, 2), (std::vector<int>{255, 0, 0, 0}));
	EXPECT_EQ(at(3, 2), (std::vector<int>{0, 0, 255, 0}));
	EXPECT_EQ(at(0, 3), (std::vector<int>{0, 0, 0, 0}));

	// An in-memory image is uploaded as it is.
	scratch_dx = scratch_dy = 4;
	for (int y = 0; y < 4; ++y) memcpy(scratch_array + y * 16, rows.data() + (3 - y) * 16, 16);
	ASSERT_EQ(tman.load_texture(tex_fail_log, 301, 2, tex_load_now, "scratch_array:edge"), 301);
	auto const m = texels(301);
	EXPECT_EQ(texel(m, 4, 1, 3), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(TmanTest, InMemoryAtlasLiesUnshearedAtTheTextureOrigin)
{
	scratch_dx = 1010;
	scratch_dy = 764;
	for (size_t i = 0; i < 1010u * 764u; ++i) memcpy(scratch_array + i * 4, "\x40\x40\x40\xff", 4);
	auto mark = [](int x, int y, std::vector<unsigned char> c) {
		std::copy(c.begin(), c.end(), scratch_array + (static_cast<size_t>(y) * 1010 + x) * 4);
	};
	mark(0, 0, {255, 0, 0, 255});
	mark(1009, 0, {0, 255, 0, 255});
	mark(0, 763, {0, 0, 255, 255});
	mark(1009, 763, {255, 255, 255, 255});
	mark(500, 400, {1, 2, 3, 4});
	std::vector<unsigned char> const before(scratch_array, scratch_array + 1010 * 764 * 4);
	std::vector<std::string> lines;
	static std::vector<std::string>* seen;
	seen = &lines;
	tman_set_show_init([](std::string const& m, float*) { seen->push_back(m); });

	ASSERT_EQ(tman.load_texture(tex_fail_fatal, 364, 642, tex_load_now, "scratch_array:hard-wired textures"), 364);
	EXPECT_EQ(level_param(364, GL_TEXTURE_WIDTH), 1024);
	EXPECT_EQ(level_param(364, GL_TEXTURE_HEIGHT), 1024);
	auto const t = texels(364);
	EXPECT_EQ(texel(t, 1024, 0, 0), (std::vector<int>{255, 0, 0, 255}));
	EXPECT_EQ(texel(t, 1024, 1009, 0), (std::vector<int>{0, 255, 0, 255}));
	EXPECT_EQ(texel(t, 1024, 0, 763), (std::vector<int>{0, 0, 255, 255}));
	EXPECT_EQ(texel(t, 1024, 1009, 763), (std::vector<int>{255, 255, 255, 255}));
	EXPECT_EQ(texel(t, 1024, 500, 400), (std::vector<int>{1, 2, 3, 4}));
	EXPECT_EQ(texel(t, 1024, 1010, 0), (std::vector<int>{0, 0, 0, 0}));
	EXPECT_EQ(texel(t, 1024, 0, 764), (std::vector<int>{0, 0, 0, 0}));
	EXPECT_EQ(texel(t, 1024, 1023, 1023), (std::vector<int>{0, 0, 0, 0}));
	// The producer's pixels stay for start-up to read; in-memory loads are not
	// announced, file loads are.
	EXPECT_TRUE(std::equal(before.begin(), before.end(), scratch_array));
	EXPECT_TRUE(lines.empty());
	std::string const p = rgb_png("shown.png", 4, 4);
	tman.load_texture(tex_fail_log, 0, 1, tex_load_now, p);
	tman.load_texture(tex_fail_log, 363, 1, tex_load_now, p);
	EXPECT_EQ(lines, (std::vector<std::string>{"Loading bitmap " + p + "."}));
}

// ---- bitmaps into the scratch buffer -------------------------------------------------------

TEST_F(TmanTest, BitmapsStayInTheScratchBufferWithTheirSizeInRecordZero)
{
	// 5 x 3 grey, bottom row first: rows of 15 bytes padded to 16.
	std::vector<unsigned char> px;
	for (int y = 0; y < 3; ++y) {
		px.insert(px.end(), 15, static_cast<unsigned char>(30 * y));
		px.push_back(0);
	}
	write_text_file(path("grey.bmp"), bmp_bytes(5, 3, 24, 0, px));
	EXPECT_EQ(tman.load_bitmap(tex_fail_silent, 0, 131, path("grey.png")), 1);
	EXPECT_EQ(tman.texes[0].img_dx, 5.0f);
	EXPECT_EQ(tman.texes[0].img_dy, 3.0f);
	EXPECT_EQ(scratch_array[0], 0);
	EXPECT_EQ(scratch_array[1024 * 2 + 4], 60);
	EXPECT_EQ(tman.load_bitmap(tex_fail_silent, 0, 131, path("nothing.png")), 0);
	EXPECT_EQ(tman.total_texes(), 0);
}

// ---- binding ------------------------------------------------------------------------------------

TEST_F(TmanTest, BindCacheSkipsRepeatsUntilReset)
{
	std::string const p = rgb_png("a.png", 4, 4), q = rgb_png("b.png", 4, 4);
	int const a = tman.load_texture(tex_fail_log, 0, 1, tex_load_now, p);
	int const b = tman.load_texture(tex_fail_log, 0, 1, tex_load_now, q);
	tman.bind_ref(a, 0, 0);
	EXPECT_EQ(bound_2d(), a);
	GLint env = 0;
	glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
	EXPECT_EQ(env, GL_MODULATE);
	// Changed behind the cache's back, a repeat bind does not notice.
	glBindTexture(GL_TEXTURE_2D, b);
	glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
	tman.bind_ref(a, 0, 0);
	EXPECT_EQ(bound_2d(), b);
	glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
	EXPECT_EQ(env, GL_REPLACE);
	tman.reset_bind();
	tman.bind_ref(a, 0, 0);
	EXPECT_EQ(bound_2d(), a);
	glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
	EXPECT_EQ(env, GL_MODULATE);

	// Units: 1 is made active and back; 7 exists on this renderer but is
	// beyond the cache and left alone; beyond the table binds 0.
	ASSERT_GE(ren.tex_units, 8);
	tman.bind_ref(b, 1, 0);
	GLint active = 0;
	glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
	EXPECT_EQ(active, GL_TEXTURE0);
	glActiveTexture(GL_TEXTURE1);
	EXPECT_EQ(bound_2d(), b);
	tman.bind_ref(b, 7, 0);
	glActiveTexture(GL_TEXTURE7);
	EXPECT_EQ(bound_2d(), 0);
	glActiveTexture(GL_TEXTURE0);
	tman.bind_ref(99999, 0, 0);
	EXPECT_EQ(bound_2d(), 0);
	tman.bind_ref(-5, 0, 0);
	EXPECT_EQ(bound_2d(), 0);

	// Unloading the bound texture must not leave the cache claiming it: the
	// next image in that slot is uploaded to its own texture.
	tman.bind_ref(a, 0, 0);
	tman.unload_texture(a);
	std::string const r = rgb_png("c.png", 8, 8);
	ASSERT_EQ(tman.load_texture(tex_fail_log, 0, 1, tex_load_now, r), a);
	EXPECT_EQ(bound_2d(), a);
	EXPECT_EQ(level_param(a, GL_TEXTURE_WIDTH), 8);
	EXPECT_EQ(level_param(0, GL_TEXTURE_WIDTH), 0);

	// A free record: a warning and the placeholder.
	tman.unload_texture(b);
	tman.bind_ref(b, 0, 0);
	EXPECT_EQ(bound_2d(), 3373);
	ASSERT_EQ(recorded_alerts().size(), 1u);
	EXPECT_EQ(recorded_alerts()[0].text, "missing non-scenery texture - how? ");
	EXPECT_EQ(recorded_alerts()[0].detail, " un-inited");
}

TEST_F(TmanTest, UseCountsDecideWhatIsPurged)
{
	std::string const p = rgb_png("a.png", 4, 4), q = rgb_png("b.png", 4, 4), r = rgb_png("c.png", 4, 4);
	int const never = tman.load_texture(tex_fail_log, 0, 1, tex_load_now, p);
	int const done = tman.load_texture(tex_fail_log, 0, 1, tex_load_now, q);
	int const held = tman.load_texture(tex_fail_log, 0, 1, tex_load_now, r);
	tman.start_use_tex(done);
	tman.stop_use_tex(done);
	tman.start_use_tex(held);
	tman.start_use_tex(held);
	tman.stop_use_tex(held);
	EXPECT_EQ(tman.texes[done].use_count, 0);
	EXPECT_EQ(tman.texes[held].use_count, 1);
	tman.purge_unused_texes();
	EXPECT_EQ(tman.texes[never].name, p);
	EXPECT_EQ(tman.texes[done].name, "un-inited");
	EXPECT_EQ(tman.texes[held].name, r);
	EXPECT_EQ(tman.total_texes(), 2);
	EXPECT_EQ(tman.loaded_texes(), 2);
	EXPECT_EQ(tex_hash.count(q), 0u);
}

TEST_F(TmanTest, EnvironmentModesRenderAsTabled)
{
	ASSERT_TRUE(glExt.combine_avail);
	glViewport(0, 0, 64, 64);
	glMatrixMode(GL_PROJECTION);
	glLoadIdentity();
	glMatrixMode(GL_MODELVIEW);
	glLoadIdentity();
	glDisable(GL_BLEND);
	glDisable(GL_LIGHTING);
	glDisable(GL_DEPTH_TEST);
	glDisable(GL_ALPHA_TEST);
	glDisable(GL_FOG);
	glDisable(GL_CULL_FACE);
	GLint alpha_bits = 0;
	glGetIntegerv(GL_ALPHA_BITS, &alpha_bits);

	std::string const rgb = rgb_png("rgb.png", 1, 1, [](int, int) { return std::vector<unsigned char>{100, 50, 26}; });
	std::string const rgba = rgba_png("rgba.png", 1, 1, {0, 102, 204, 128});
	int const t_rgb = tman.load_texture(tex_fail_log, 0, 1 + 128, tex_load_now, rgb);
	int const t_rgba = tman.load_texture(tex_fail_log, 0, 2 + 128, tex_load_now, rgba);

	struct {
		char const* name;
		int tex, mode;
		float blend;
		float q[4];   // primary colour
		float out[4];  // expected, 0..1 (alpha -1: not checked)
	} const cases[] = {
	    {"0 modulate", t_rgba, 0, 0, {0.5f, 1, 0.5f, 1}, {0, 0.4f, 0.4f, 0.502f}},
	    {"1 on rgb adds", t_rgb, 1, 0, {0.2f, 0.2f, 0.2f, 0.5f}, {0.592f, 0.396f, 0.302f, 0.5f}},
	    {"4", t_rgba, 4, 0, {1, 0, 0, 0.25f}, {0.25f, 0.3f, 0.6f, 0.452f}},
	    {"9", t_rgba, 9, 0, {0.5f, 0.5f, 1, 0.1f}, {0, 0.2f, 0.8f, 0.502f}},
	    {"20 at 0.25", t_rgba, 20, 0.25f, {1, 1, 0, 1}, {0.75f, 0.85f, 0.2f, 0.876f}},
	    {"21", t_rgba, 21, 0, {1, 0.5f, 1, 1}, {0, 0.2f, 0.8f, 0.502f}},
	};
	for (auto const& c : cases) {
		glClearColor(0, 0, 0, 0);
		glClear(GL_COLOR_BUFFER_BIT);
		glEnable(GL_TEXTURE_2D);
		tman.bind_ref(c.tex, 0, c.mode);
		if (c.mode == 20) tman.set_blend_level(0, c.blend);
		glColor4fv(c.q);
		glBegin(GL_QUADS);
		glTexCoord2f(0.5f, 0.5f);
		glVertex2f(-1, -1);
		glVertex2f(1, -1);
		glVertex2f(1, 1);
		glVertex2f(-1, 1);
		glEnd();
		glDisable(GL_TEXTURE_2D);
		auto const px = gl->pixel(32, 32);
		int const got[4] = {px.r, px.g, px.b, px.a};
		for (int k = 0; k < (alpha_bits > 0 ? 4 : 3); ++k)
			EXPECT_NEAR(got[k], c.out[k] * 255, 2.5) << c.name << " channel " << k;
	}
	GLint env = 0;
	tman.reset_bind();
	tman.bind_ref(t_rgb, 0, 1);
	glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
	EXPECT_EQ(env, GL_ADD);
	tman.bind_ref(t_rgba, 0, 1);  // new texture, same mode: set again for its format
	glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
	EXPECT_EQ(env, GL_COMBINE);
}

// ---- asynchronous loading --------------------------------------------------------------------------

TEST_F(TmanTest, AsyncLoadReadsOnAWorkerWhileThePlaceholderShows)
{
	std::string const p = rgb_png("far.png", 16, 16, [](int, int) { return std::vector<unsigned char>{9, 99, 199}; });
	std::string const other = rgb_png("near.png", 4, 4);
	int const ref = tman.load_texture(tex_fail_log, 0, 1, tex_load_now, p);
	// The user of the scheme marks records as waiting.
	tman.texes[ref].load_time = tex_load_async;
	tman.first_async = 0;
	EXPECT_EQ(tman.num_remaining_async_texes(), 1);

	finish_counter owner;
	ASSERT_EQ(tman.load_scenery_async_register(&owner), 1);
	EXPECT_EQ(tman.async_job->ref, ref);
	tman.bind_ref(ref, 0, 0);
	EXPECT_EQ(bound_2d(), 3373);

	THREAD_init();
	THREAD_call* call = THREAD_run_async(
	    [](void*) -> void* {
		    tman.load_scenery_async_work();
		    return nullptr;
	    },
	    nullptr);
	while (!THREAD_is_done(call, 1000)) {
	}
	THREAD_cleanup(call);
	EXPECT_EQ(tman.async_result, 2);

	// A synchronous file load first makes the owner finish; an in-memory one not.
	scratch_dx = scratch_dy = 2;
	tman.load_texture(tex_fail_log, 50, 2, tex_load_now, "scratch_array:x");
	EXPECT_EQ(owner.calls, 0);
	tman.load_texture(tex_fail_log, 0, 1, tex_load_now, other);
	EXPECT_EQ(owner.calls, 1);
	EXPECT_EQ(tman.async_owner, nullptr);
	EXPECT_EQ(tman.texes[ref].load_time, tex_load_now);
	tman.bind_ref(ref, 0, 0);
	EXPECT_EQ(bound_2d(), ref);
	EXPECT_EQ(texel(texels(ref), 16, 3, 3), (std::vector<int>{9, 99, 199, 255}));
	EXPECT_EQ(tman.load_scenery_async_register(&owner), 0);
	EXPECT_EQ(tman.first_async, static_cast<int>(tman.texes.size()));
	THREAD_shutdown();
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(TmanTest, LoadingAllWaitingRecordsShowsProgress)
{
	std::string const p = rgb_png("tile.png", 4, 4);
	static std::vector<std::pair<std::string, float>>* seen;
	std::vector<std::pair<std::string, float>> lines;
	seen = &lines;
	tman_set_show_init([](std::string const& m, float* f) { seen->push_back({m, f ? *f : -1}); });
	struct {
		int waiting;
		std::vector<float> fractions;
	} const cases[] = {
	    {5, {0, 0.2f, 0.4f, 0.6f, 0.8f}},
	    {25, {0, 0.4f, 0.8f}},
	};
	for (auto const& c : cases) {
		tman = tman_class();
		for (int i = 0; i < c.waiting; ++i) {
			ASSERT_EQ(tman.load_texture(tex_fail_log, 1000 + i, 1, tex_load_now, p), 1000 + i);
			tman.texes[1000 + i].load_time = tex_load_async;
		}
		lines.clear();
		tman.first_async = 0;
		EXPECT_EQ(tman.load_all_scenery_texes(), static_cast<int>(tman.texes.size()));
		ASSERT_EQ(lines.size(), c.fractions.size()) << c.waiting;
		for (size_t k = 0; k < lines.size(); ++k) {
			EXPECT_EQ(lines[k].first, "Loading scenery texture " + dir.path() + ".");
			EXPECT_FLOAT_EQ(lines[k].second, c.fractions[k]);
		}
		EXPECT_EQ(tman.num_remaining_async_texes(), 0);
		EXPECT_EQ(tman.texes[1000].load_time, tex_load_now);
	}
	// force_load_tex loads a record that is not loaded, and announces it.
	tman.texes[1001].load_time = tex_load_async;
	lines.clear();
	tman.force_load_tex(1001);
	EXPECT_EQ(tman.texes[1001].load_time, tex_load_now);
	ASSERT_EQ(lines.size(), 1u);
	EXPECT_EQ(lines[0].first, "Loading bitmap " + p + ".");
}
