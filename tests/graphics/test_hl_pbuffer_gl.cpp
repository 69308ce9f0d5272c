// Off-screen buffers on a real context: the drawing protocol, what a buffer
// holds after drawing into it, and what the main window gets back.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <functional>

#include "foundation/app_globals.h"
#include "graphics/OGL_extensions.h"
#include "graphics/hl_pbuffer.h"
#include "graphics/oglp.h"
#include "graphics/tman.h"
#include "support/probed_gl_test.h"

namespace {

struct PbufferTest : probed_gl_test<64, 64> {
	void SetUp() override
	{
		probed_gl_test::SetUp();
		tman = tman_class();
		tman.reset_bind();
		glExt.pbuffer_avail = 1;  // the probe never offers them on its own
	}
};
using PbufferDeathTest = PbufferTest;

GLint get_int(GLenum pname)
{
	GLint v[4] = {-1, -1, -1, -1};
	glGetIntegerv(pname, v);
	return v[0];
}

// A quad from x0 to x1 over the viewport's height at depth z (normalised
// device coordinates), wound clockwise like all the program's faces.
void quad(float x0, float x1, float z, float r, float g, float b)
{
	glColor3f(r, g, b);
	glBegin(GL_QUADS);
	glVertex3f(x0, -1, z);
	glVertex3f(x0, 1, z);
	glVertex3f(x1, 1, z);
	glVertex3f(x1, -1, z);
	glEnd();
}

void identity_matrices()
{
	glMatrixMode(GL_PROJECTION);
	glLoadIdentity();
	glMatrixMode(GL_MODELVIEW);
	glLoadIdentity();
}

TEST_F(PbufferTest, NothingIsMadeWithoutTheFeature)
{
	glExt.pbuffer_avail = 0;
	EXPECT_FALSE(skbuffer_avail());
	EXPECT_EQ(skbuffer_create(500, 64, 64, 0, true), nullptr);
	glExt.pbuffer_avail = 1;
	EXPECT_TRUE(skbuffer_avail());
}

TEST_F(PbufferTest, AFailedBufferLeavesNothingBound)
{
	glBindTexture(GL_TEXTURE_2D, 7);
	EXPECT_EQ(skbuffer_create(500, 0, 0, 0, true), nullptr);  // no size: incomplete
	EXPECT_EQ(get_int(GL_FRAMEBUFFER_BINDING), 0);
	EXPECT_EQ(get_int(GL_TEXTURE_BINDING_2D), 7);
	EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PbufferTest, DepthBufferOnlyWhenAskedFor)
{
	struct row {
		bool depth;
		int min_bits, max_bits;
	} const rows[] = {{false, 0, 0}, {true, 24, 32}};
	for (row const& r : rows) {
		skbuffer* p = skbuffer_create(500, 32, 32, 0, r.depth);
		ASSERT_NE(p, nullptr);
		EXPECT_EQ(p->pbuf != 0, r.depth);
		skbuffer_draw_begin(p);
		GLint const bits = get_int(GL_DEPTH_BITS);
		EXPECT_GE(bits, r.min_bits) << r.depth;
		EXPECT_LE(bits, r.max_bits) << r.depth;
		skbuffer_draw_end(p);
		skbuffer_destroy(p);
	}
}

TEST_F(PbufferTest, DrawnIntoWithDepthThenDrawnWith)
{
	glViewport(3, 4, 50, 40);
	skbuffer* p = skbuffer_create(500, 256, 256, 0, true);
	ASSERT_NE(p, nullptr);
	EXPECT_EQ(get_int(GL_TEXTURE_BINDING_2D), 0);  // the caller's binding kept

	for (int cycle = 0; cycle < 2; ++cycle) {  // a buffer is drawn into again and again
		skbuffer_draw_begin(p);
		EXPECT_EQ(SKBUFFER_cur, p);
		GLint vp[4];
		glGetIntegerv(GL_VIEWPORT, vp);
		EXPECT_EQ(vp[2], 256);
		EXPECT_EQ(vp[3], 256);
		identity_matrices();
		OGL_setstate(1, 0, 3, 4, 8, 10);
		glDepthFunc(GL_LESS);
		glClearColor(0, 0, 0, 1);
		glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
		quad(-1, 1, -0.5f, 1, 0, 0);  // red, near
		quad(-1, 1, 0.5f, 0, 1, 0);   // green, behind it: hidden by the depth test
		quad(0, 1, -0.9f, 0, 0, 1);   // blue on the right half, nearer still
		skbuffer_draw_end(p);
		EXPECT_EQ(SKBUFFER_cur, nullptr);
		EXPECT_EQ(get_int(GL_FRAMEBUFFER_BINDING), 0);
		glGetIntegerv(GL_VIEWPORT, vp);
		EXPECT_EQ(vp[0], 3);
		EXPECT_EQ(vp[1], 4);
		EXPECT_EQ(vp[2], 50);
		EXPECT_EQ(vp[3], 40);
	}

	// Into the window: the texture over the whole of it.
	glViewport(0, 0, 64, 64);
	OGL_setstate(1, 1, 3, 4, 9, 11);
	skbuffer_bind(p);
	EXPECT_EQ(get_int(GL_TEXTURE_BINDING_2D), 500);
	EXPECT_EQ(tman.bound_tex[0], 500);
	glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
	glColor3f(1, 1, 1);
	glBegin(GL_QUADS);
	glTexCoord2f(0, 0), glVertex2f(-1, -1);
	glTexCoord2f(0, 1), glVertex2f(-1, 1);
	glTexCoord2f(1, 1), glVertex2f(1, 1);
	glTexCoord2f(1, 0), glVertex2f(1, -1);
	glEnd();
	gl_test_context::rgba const left = gl.pixel(10, 32), right = gl.pixel(54, 32);
	EXPECT_EQ(left.r, 255);
	EXPECT_EQ(left.g, 0);
	EXPECT_EQ(left.b, 0);
	EXPECT_EQ(right.r, 0);
	EXPECT_EQ(right.b, 255);

	skbuffer_destroy(p);
	EXPECT_EQ(glIsTexture(500), GL_FALSE);  // the texture goes with the buffer
	EXPECT_EQ(tman.bound_tex[0], -1);
	EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PbufferDeathTest, ProtocolViolationsEndTheProgram)
{
	alert_printer_install();
	struct row {
		char const* what;
		std::function<void(skbuffer*, skbuffer*)> steps;
		char const* alert;
	} const rows[] = {
	    {"begin twice",
	     [](skbuffer* p, skbuffer*) {
		     skbuffer_draw_begin(p);
		     skbuffer_draw_begin(p);
	     },
	     "skbuffer_draw_begin called twice on the same pbuffer\\.\\|\\|\\| \\(hl_pbuffer line 140\\) severity 2"},
	    {"begin another",
	     [](skbuffer* p, skbuffer* q) {
		     skbuffer_draw_begin(p);
		     skbuffer_draw_begin(q);
	     },
	     "skbuffer_draw_begin called while darwing into another pbuffer\\.\\|\\|\\| \\(hl_pbuffer line 142\\)"},
	    {"end unbegun", [](skbuffer* p, skbuffer*) { skbuffer_draw_end(p); },
	     "skbuffer_draw_end while not drawing to a pbuffer\\.\\|\\|\\| \\(hl_pbuffer line 151\\)"},
	    {"end the other",
	     [](skbuffer* p, skbuffer* q) {
		     skbuffer_draw_begin(p);
		     skbuffer_draw_end(q);
	     },
	     "skbuffer_draw_end called on the wrong pbuffer\\.\\|\\|\\| \\(hl_pbuffer line 153\\)"},
	    {"bind while drawing into it",
	     [](skbuffer* p, skbuffer*) {
		     skbuffer_draw_begin(p);
		     skbuffer_bind(p);
	     },
	     "skbuffer_bind called while drawing to this pbuffer\\.\\|\\|\\| \\(hl_pbuffer line 161\\)"},
	    {"bind another while drawing",
	     [](skbuffer* p, skbuffer* q) {
		     skbuffer_draw_begin(p);
		     skbuffer_bind(q);
	     },
	     "skbuffer_bind called while drawing to a pbuffer\\.\\|\\|\\| \\(hl_pbuffer line 163\\)"},
	    {"destroy while drawing",
	     [](skbuffer* p, skbuffer*) {
		     skbuffer_draw_begin(p);
		     skbuffer_destroy(p);
	     },
	     "Error: skbuffer_destroy called without skbuffer_draw_end called\\.\\|\\|\\| \\(hl_pbuffer line 128\\)"},
	    {"destroy while bound by hand",
	     [](skbuffer* p, skbuffer*) {
		     auto bind = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(aglGetProcAddress("glBindFramebuffer"));
		     bind(GL_FRAMEBUFFER, p->ctx);
		     skbuffer_destroy(p);
	     },
	     "Error: destroying a pbuffer, but we are still using it as our context\\.\\|\\|\\| \\(hl_pbuffer line "
	     "130\\)"},
	};
	for (row const& r : rows) {
		EXPECT_EXIT(
		    {
			    skbuffer* p = skbuffer_create(500, 16, 16, 0, false);
			    skbuffer* q = skbuffer_create(501, 16, 16, 0, false);
			    if (!p || !q) std::exit(3);
			    r.steps(p, q);
			    std::exit(0);
		    },
		    ::testing::ExitedWithCode(1), r.alert)
		    << r.what;
	}
}

TEST_F(PbufferTest, TheProtocolsOwnOrderPasses)
{
	skbuffer* p = skbuffer_create(500, 16, 16, 0, false);
	skbuffer* q = skbuffer_create(501, 16, 16, 0, false);
	ASSERT_TRUE(p && q);
	skbuffer_draw_begin(p);
	skbuffer_draw_end(p);
	skbuffer_bind(q);
	skbuffer_draw_begin(q);
	skbuffer_draw_end(q);
	skbuffer_bind(p);
	EXPECT_EQ(get_int(GL_TEXTURE_BINDING_2D), 500);
	skbuffer_destroy(q);
	skbuffer_destroy(p);
	EXPECT_TRUE(recorded_alerts().empty());
}

}  // namespace
