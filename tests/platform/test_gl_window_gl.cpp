// The GL window: the multisample and depth cascade through an injected
// attempt, then a real context on Mesa's software renderer.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <utility>
#include <vector>

#include "platform/gl_window.h"
#include "support/gl_context.h"

namespace {

std::vector<std::pair<int, int>> tried;  // samples, depth
std::pair<int, int> grant{-1, -1};       // the one attempt that succeeds

int fake_attempt(PLT_gl_attempt const& a, PLT_gl_surface* out)
{
	tried.push_back({a.samples, a.depth});
	if (a.samples != grant.first || a.depth != grant.second) return 0;
	out->depth = a.depth;
	return 1;
}

}  // namespace

TEST(GlCascade, InjectedAttempts)
{
	using P = std::vector<std::pair<int, int>>;
	struct {
		char const* what;
		int alias_req;
		std::pair<int, int> grant;
		int ok, level, depth_req;
		P tried;
	} const cases[] = {
	    {"32 refused, 24 given", 0, {0, 24}, 1, 0, 24, P{{0, 32}, {0, 24}}},
	    {"only 16 at level 0", 0, {0, 16}, 1, 0, 16, P{{0, 32}, {0, 24}, {0, 16}}},
	    {"level 2 starts at 4 samples", 2, {2, 32}, 1, 1, 32, P{{4, 32}, {4, 24}, {4, 16}, {2, 32}}},
	    {"above 4 starts at 16 samples", 7, {16, 24}, 1, 4, 24, P{{16, 32}, {16, 24}}},
	    {"below 0 is level 0", -3, {0, 32}, 1, 0, 32, P{{0, 32}}},
	    {"all refused", 4, {-1, -1}, 0, 0, 0,
	     P{{16, 32}, {16, 24}, {16, 16}, {8, 32}, {8, 24}, {8, 16}, {4, 32}, {4, 24}, {4, 16},
	       {2, 32}, {2, 24}, {2, 16}, {0, 32}, {0, 24}, {0, 16}}},
	};
	PLT_gl_set_attempt(fake_attempt);
	for (auto const& c : cases) {
		SCOPED_TRACE(c.what);
		tried.clear();
		grant = c.grant;
		PLT_gl_surface s;
		EXPECT_EQ(PLT_gl_open(c.alias_req, 0, 0, 64, 64, "t", 1, &s), c.ok);
		EXPECT_EQ(tried, c.tried);
		EXPECT_EQ(s.level, c.level);
		EXPECT_EQ(s.depth_req, c.depth_req);
		EXPECT_EQ(s.samples, c.ok ? c.grant.first : 0);
	}
	PLT_gl_set_attempt(nullptr);
}

TEST(GlWindow, RealContextReportsWhatItGot)
{
	gl_test_context gl(32, 32);
	ASSERT_TRUE(gl.ok()) << gl.error();
	PLT_gl_surface const& s = gl.surface();
	EXPECT_EQ(s.level, 0);
	EXPECT_EQ(s.rgba, 1);
	GLboolean doublebuffer = GL_FALSE;  // the offscreen driver draws single-buffered
	glGetBooleanv(GL_DOUBLEBUFFER, &doublebuffer);
	EXPECT_EQ(s.doublebuffer, doublebuffer == GL_TRUE ? 1 : 0);
	EXPECT_GE(s.depth, 16);
	EXPECT_EQ(s.red, 8);
	GLint depth_bits = 0;
	glGetIntegerv(GL_DEPTH_BITS, &depth_bits);
	EXPECT_GE(depth_bits, 16);
	EXPECT_NE(PLT_gl_proc("glGenBuffers"), nullptr);
	EXPECT_EQ(PLT_gl_proc(nullptr), nullptr);
	EXPECT_EQ(PLT_gl_make_current(s), 1);
}

TEST(GlWindow, MultisampleLevelIsWhatGlHas)
{
	gl_test_context gl(32, 32, 4);
	ASSERT_TRUE(gl.ok()) << gl.error();
	GLint buffers = 0, samples = 0;
	glGetIntegerv(GL_SAMPLE_BUFFERS, &buffers);
	glGetIntegerv(GL_SAMPLES, &samples);
	int const level = gl.surface().level;
	EXPECT_EQ(gl.surface().samples, PLT_gl_level_samples(level));
	EXPECT_EQ(buffers, level > 0 ? 1 : 0);
	EXPECT_GE(samples, gl.surface().samples);
	EXPECT_EQ(glIsEnabled(GL_MULTISAMPLE) == GL_TRUE, level > 0);
}

namespace {
unsigned char seen[4];
int hook_calls;
void read_back(void*)
{
	++hook_calls;
	glReadBuffer(GL_BACK);
	glReadPixels(3, 3, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, seen);
}
}  // namespace

TEST(GlWindow, SwapRunsTheHookOnTheFinishedFrame)
{
	gl_test_context gl(16, 16);
	ASSERT_TRUE(gl.ok()) << gl.error();
	hook_calls = 0;
	PLT_gl_set_pre_swap_hook(read_back, nullptr);
	glClearColor(0, 1, 0, 1);
	glClear(GL_COLOR_BUFFER_BIT);
	PLT_gl_swap(gl.surface());
	EXPECT_EQ(hook_calls, 1);
	EXPECT_EQ(seen[0], 0);
	EXPECT_EQ(seen[1], 255);
	PLT_gl_set_pre_swap_hook(nullptr, nullptr);
	PLT_gl_swap(gl.surface());
	EXPECT_EQ(hook_calls, 1);
}
