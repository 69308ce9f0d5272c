// Render-state cache, viewport and layout, and the GL state helpers, on a
// real context. The cache is seeded once per process, and every case here
// runs in a process of its own.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include "foundation/app_globals.h"
#include "graphics/oglp.h"
#include "support/gl_context.h"

namespace {

// Bit u set when GL_TEXTURE_2D is enabled on unit u (0..7); the active unit
// is left as it was.
int enabled_units()
{
	GLint active = 0;
	glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
	int bits = 0;
	for (int u = 0; u < 8; ++u) {
		glActiveTexture(GL_TEXTURE0 + u);
		if (glIsEnabled(GL_TEXTURE_2D)) bits |= 1 << u;
	}
	glActiveTexture(active);
	return bits;
}

GLint active_unit()
{
	GLint active = 0;
	glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
	return active - GL_TEXTURE0;
}

bool on(GLenum cap) { return glIsEnabled(cap) == GL_TRUE; }

bool depth_mask()
{
	GLboolean m = GL_FALSE;
	glGetBooleanv(GL_DEPTH_WRITEMASK, &m);
	return m == GL_TRUE;
}

struct OglpTest : ::testing::Test {
	gl_test_context gl{64, 64};
	void SetUp() override
	{
		ASSERT_TRUE(gl.ok()) << gl.error();
		ren.tex_units = 8;
	}
};

}  // namespace

TEST_F(OglpTest, FirstCallSeedsFromGlAndNeverTouchesTheDepthMask)
{
	glEnable(GL_FOG);
	glDepthMask(GL_TRUE);
	OGL_setstate(1, 1, 3, 5, 9, 11);
	EXPECT_FALSE(on(GL_FOG));
	EXPECT_TRUE(depth_mask());  // the cache starts at "writes off"
	EXPECT_TRUE(on(GL_BLEND));
	EXPECT_FALSE(on(GL_ALPHA_TEST));
	EXPECT_EQ(enabled_units(), 1);
	EXPECT_EQ(num_units, 1);
	// Asked for explicitly, writes go on and off.
	OGL_setstate(1, 1, 3, 5, 9, 10);
	EXPECT_TRUE(depth_mask());
	OGL_setstate(1, 1, 3, 5, 9, 11);
	EXPECT_FALSE(depth_mask());
}

TEST_F(OglpTest, CacheTrustsItselfUntilTheValueChanges)
{
	OGL_setstate(0, 0, 2, 7, 8, 10);
	ASSERT_TRUE(on(GL_FOG));
	// Behind the cache's back: the same request changes nothing.
	glDisable(GL_FOG);
	glDisable(GL_LIGHTING);
	glDisable(GL_BLEND);
	glDisable(GL_DEPTH_TEST);
	glDepthMask(GL_FALSE);
	OGL_setstate(0, 0, 2, 7, 8, 10);
	EXPECT_FALSE(on(GL_FOG));
	EXPECT_FALSE(on(GL_LIGHTING));
	EXPECT_FALSE(on(GL_BLEND));
	EXPECT_FALSE(on(GL_DEPTH_TEST));
	EXPECT_FALSE(depth_mask());
	// A new code applies; the old one then applies again.
	OGL_setstate(1, 0, 3, 4, 9, 11);
	OGL_setstate(0, 0, 2, 7, 8, 10);
	EXPECT_TRUE(on(GL_FOG));
	EXPECT_TRUE(on(GL_LIGHTING));
	EXPECT_TRUE(on(GL_LIGHT0));
	EXPECT_TRUE(on(GL_BLEND));
	EXPECT_TRUE(on(GL_ALPHA_TEST));
	EXPECT_TRUE(on(GL_DEPTH_TEST));
	EXPECT_TRUE(depth_mask());
}

TEST_F(OglpTest, AlphaCodes)
{
	struct {
		int code;
		bool blend, test;
	} const steps[] = {
	    {5, true, false}, {6, false, true}, {7, true, true}, {4, false, false},
	    {6, false, true}, {5, true, false},
	    {3, true, false},  // not a code: GL keeps its state, the cache takes "neither"
	    {4, true, false},  // so "neither" is already cached and blending stays on
	    {7, true, true},
	};
	for (auto const& s : steps) {
		OGL_setstate(1, 0, 3, s.code, 9, 11);
		EXPECT_EQ(on(GL_BLEND), s.blend) << s.code;
		EXPECT_EQ(on(GL_ALPHA_TEST), s.test) << s.code;
	}
}

TEST_F(OglpTest, TextureUnitsOnARendererWithOne)
{
	ren.tex_units = 1;
	struct {
		int ask, units, num;
	} const steps[] = {
	    {2, 0x1, 1}, {2, 0x1, 1}, {0, 0x0, 0}, {2, 0x1, 1}, {-1, 0x0, 0},
	};
	for (auto const& s : steps) {
		OGL_setstate(1, s.ask, 3, 4, 9, 11);
		EXPECT_EQ(enabled_units(), s.units) << s.ask;
		EXPECT_EQ(num_units, s.num) << s.ask;
		EXPECT_EQ(active_unit(), 0);
	}
}

TEST_F(OglpTest, TextureUnitsOnARendererWithEight)
{
	OGL_setstate(1, 3, 3, 4, 9, 11);
	EXPECT_EQ(enabled_units(), 0x7);
	EXPECT_EQ(active_unit(), 0);
	OGL_setstate(1, 1, 3, 4, 9, 11);
	EXPECT_EQ(enabled_units(), 0x1);
	EXPECT_EQ(active_unit(), 0);

	// Going from 1 to 0 touches only the active unit.
	glActiveTexture(GL_TEXTURE3);
	glEnable(GL_TEXTURE_2D);
	glActiveTexture(GL_TEXTURE0);
	OGL_setstate(1, 0, 3, 4, 9, 11);
	EXPECT_EQ(enabled_units(), 0x8);
	glActiveTexture(GL_TEXTURE3);
	glDisable(GL_TEXTURE_2D);
	glActiveTexture(GL_TEXTURE0);

	// Units above 5 are never driven, up or down.
	OGL_setstate(1, 8, 3, 4, 9, 11);
	EXPECT_EQ(enabled_units(), 0x3f);
	EXPECT_EQ(num_units, 8);
	glActiveTexture(GL_TEXTURE7);
	glEnable(GL_TEXTURE_2D);
	glActiveTexture(GL_TEXTURE0);
	OGL_setstate(1, -4, 3, 4, 9, 11);
	EXPECT_EQ(enabled_units(), 0x80);
	EXPECT_EQ(num_units, 0);
	EXPECT_EQ(active_unit(), 0);
}

TEST_F(OglpTest, PixSpecsLaysOutTheWindow)
{
	struct {
		int w, h, cur_win;
		float scale, off_x, off_y, cx;
	} const cases[] = {
	    {1280, 1024, 0, 1.25f, 128, 256, 640},
	    {800, 600, 0, 1.0f, -112, -168, 400},
	    {1024, 768, -1, 1.0f, 0, 0, 512},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.w);
		glViewport(1, 2, 3, 4);
		mnw.x_res_use = c.w;
		mnw.y_res_use = c.h;
		mnw.cur_win = c.cur_win;
		OGL_pix_specs(0);
		EXPECT_FLOAT_EQ(mnw.lay_scale, c.scale);
		EXPECT_FLOAT_EQ(mnw.pix_scale, 1.0f);
		EXPECT_FLOAT_EQ(mnw.lay_off_x, c.off_x);
		EXPECT_FLOAT_EQ(mnw.menu_dy, c.off_y);
		EXPECT_FLOAT_EQ(mnw.lay_cx, c.cx);
		EXPECT_FLOAT_EQ(mnw.lay_cy, 384.0f);
		EXPECT_FLOAT_EQ(mnw.ortho_r, float(c.w));
		EXPECT_FLOAT_EQ(mnw.ortho_t, float(c.h));

		GLint vp[4];
		glGetIntegerv(GL_VIEWPORT, vp);
		if (c.cur_win < 0) {
			EXPECT_EQ(vp[0], 1);
			EXPECT_EQ(vp[3], 4);
			continue;
		}
		EXPECT_EQ(vp[0], 0);
		EXPECT_EQ(vp[1], 0);
		EXPECT_EQ(vp[2], c.w);
		EXPECT_EQ(vp[3], c.h);
		// GL's own orthographic matrix is the oracle.
		double got[16], want[16];
		glGetDoublev(GL_PROJECTION_MATRIX, got);
		glMatrixMode(GL_PROJECTION);
		glPushMatrix();
		glLoadIdentity();
		glOrtho(0, c.w, 0, c.h, -1, 1);
		glGetDoublev(GL_PROJECTION_MATRIX, want);
		glPopMatrix();
		glMatrixMode(GL_MODELVIEW);
		for (int i = 0; i < 16; ++i) EXPECT_NEAR(got[i], want[i], 1e-6) << i;
		GLint mode = 0;
		glGetIntegerv(GL_MATRIX_MODE, &mode);
		EXPECT_EQ(mode, GL_MODELVIEW);
	}
}

TEST_F(OglpTest, ScaledFrustumViewport)
{
	mnw.pix_scale = 2.0f;
	glMatrixMode(GL_MODELVIEW);
	glTranslatef(1, 2, 3);
	OGL_viewport(3, -1, 5, -1, 10, 1, 105, 1, 60, 2, 50, 2);
	GLint vp[4];
	glGetIntegerv(GL_VIEWPORT, vp);
	EXPECT_EQ(vp[0], 10);
	EXPECT_EQ(vp[1], 20);
	EXPECT_EQ(vp[2], 200);
	EXPECT_EQ(vp[3], 100);
	double got[16], want[16], model[16];
	glGetDoublev(GL_PROJECTION_MATRIX, got);
	glGetDoublev(GL_MODELVIEW_MATRIX, model);
	glMatrixMode(GL_PROJECTION);
	glLoadIdentity();
	// left and right times near, over zoom; the vertical extent by the aspect.
	glFrustum(-1.0, 1.0, -0.5, 0.5, 2, 50);
	glGetDoublev(GL_PROJECTION_MATRIX, want);
	for (int i = 0; i < 16; ++i) EXPECT_NEAR(got[i], want[i], 1e-6) << i;
	for (int i = 0; i < 16; ++i) EXPECT_EQ(model[i], i % 5 == 0 ? 1.0 : 0.0) << i;
}

TEST_F(OglpTest, ScissorsFollowTheWindowOrigin)
{
	glClearColor(0, 0, 1, 1);
	glClear(GL_COLOR_BUFFER_BIT);
	mnw.org_x = 5;
	mnw.org_y = 3;
	mnw.pix_scale = 1;
	OGL_scissors(10, 10, 20, 15);
	glClearColor(1, 0, 0, 1);
	glClear(GL_COLOR_BUFFER_BIT);
	OGL_scissors_end();
	EXPECT_FALSE(on(GL_SCISSOR_TEST));
	struct {
		int x, y;
		bool inside;
	} const px[] = {{15, 13, true}, {34, 27, true}, {14, 13, false}, {15, 12, false}, {35, 27, false}, {34, 28, false}};
	for (auto const& p : px) EXPECT_EQ(gl.pixel(p.x, p.y).r == 255, p.inside) << p.x << "," << p.y;
}

TEST_F(OglpTest, PolygonOffset)
{
	OGL_poly_offset(2);
	GLfloat factor = 0, units = 0;
	glGetFloatv(GL_POLYGON_OFFSET_FACTOR, &factor);
	glGetFloatv(GL_POLYGON_OFFSET_UNITS, &units);
	EXPECT_FLOAT_EQ(factor, -20.0f);
	EXPECT_FLOAT_EQ(units, -1.0f);
	EXPECT_TRUE(on(GL_POLYGON_OFFSET_FILL));
	OGL_poly_offset(0);
	EXPECT_FALSE(on(GL_POLYGON_OFFSET_FILL));
}

TEST_F(OglpTest, QuadFaceNormalAndTextureCorners)
{
	float const a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, c[3] = {1, 1, 0}, d[3] = {0, 1, 0}, e[3] = {2, 0, 0};
	struct {
		float const *p1, *p2, *p3;
		float nx, ny, nz;
	} const cases[] = {
	    {a, b, c, 0, 0, -1},
	    {c, b, a, 0, 0, 1},
	    {a, b, e, 0, 1, 0},  // no area: straight up
	};
	for (auto const& k : cases) {
		glBegin(GL_QUADS);
		OGL_3dquad_st(k.p1, k.p2, k.p3, d, 0.25f, 0.5f, 0.75f, 1.0f);
		glEnd();
		GLfloat n[4], t[4];
		glGetFloatv(GL_CURRENT_NORMAL, n);
		glGetFloatv(GL_CURRENT_TEXTURE_COORDS, t);
		EXPECT_FLOAT_EQ(n[0], k.nx);
		EXPECT_FLOAT_EQ(n[1], k.ny);
		EXPECT_FLOAT_EQ(n[2], k.nz);
		EXPECT_FLOAT_EQ(t[0], 0.75f);  // the fourth corner takes (s2, t1)
		EXPECT_FLOAT_EQ(t[1], 0.5f);
	}
	glBegin(GL_QUADS);
	OGL_3dquad(a, b, c, d);
	glEnd();
	GLfloat t[4];
	glGetFloatv(GL_CURRENT_TEXTURE_COORDS, t);
	EXPECT_FLOAT_EQ(t[0], 0.0f);
	EXPECT_FLOAT_EQ(t[1], 1.0f);
}

namespace {

// A 64 x 64 view in pixels, deep enough for the solids, untextured and unlit.
void solid_view()
{
	OGL_setstate(1, 0, 3, 4, 9, 11);
	glClearColor(0, 0, 0, 1);
	glClear(GL_COLOR_BUFFER_BIT);
	glViewport(0, 0, 64, 64);
	glMatrixMode(GL_PROJECTION);
	glLoadIdentity();
	glOrtho(0, 64, 0, 64, -100, 100);
	glMatrixMode(GL_MODELVIEW);
	glLoadIdentity();
	glColor3f(1, 0, 0);
}

}  // namespace

TEST_F(OglpTest, CubeStandsOnItsBaseAndTurnsWithTheHeading)
{
	struct {
		float heading;
		int x, y;
		bool hit;
	} const px[] = {
	    {0, 32, 32, true}, {0, 32, 45, false}, {0, 45, 15, false}, {0, 40, 24, true},
	    {90, 45, 15, true}, {90, 32, 36, false}, {90, 28, 20, false},
	};
	for (auto const& p : px) {
		solid_view();
		OGL_cube(32, 22, 0, 20, 20, 20, 0, 1, 0, 1, p.heading);
		EXPECT_EQ(gl.pixel(p.x, p.y).r == 255, p.hit) << p.heading << ": " << p.x << "," << p.y;
	}
}

TEST_F(OglpTest, DiscTapersToItsCaps)
{
	solid_view();
	glDisable(GL_CULL_FACE);
	OGL_disc(32, 32, 0, 20);
	struct {
		int x, y;
		bool hit;
	} const px[] = {
	    {32, 50, true}, {32, 53, false},  // full radius in the middle
	    {51, 32, true}, {51, 44, false},  // near the end the radius is about 8.6
	    {54, 32, false}, {10, 32, false},
	};
	for (auto const& p : px) EXPECT_EQ(gl.pixel(p.x, p.y).r == 255, p.hit) << p.x << "," << p.y;
}
