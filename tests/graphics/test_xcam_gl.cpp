// Matrix helpers and the camera against GL and GLU as oracles.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "foundation/app_globals.h"
#include "graphics/xcam.h"
#include "support/gl_context.h"

namespace {

// GL's matrix (single precision) after `call` on top of `base` in GL_MODELVIEW.
void gl_matrix(double const* base, std::function<void()> const& call, double* out)
{
	glMatrixMode(GL_MODELVIEW);
	glLoadMatrixd(base);
	call();
	glGetDoublev(GL_MODELVIEW_MATRIX, out);
}

}  // namespace

TEST(XcamGl, MatricesMatchGlAndGlu)
{
	gl_test_context gl(16, 16);
	ASSERT_TRUE(gl.ok()) << gl.error();
	double base[16];
	setIdentityMatrix(base);
	applyTranslation(base, 0.5, -1, 2);
	base[0] = 2;  // a base that is not a pure translation
	base[6] = 0.25;

	struct {
		char const* what;
		std::function<void(double*)> ours;
		std::function<void()> theirs;
		bool on_base;  // ours works on base (else builds from scratch over identity)
	} const cases[] = {
	    {"ortho", [](double* m) { buildOrthoMatrix(m, -3, 5, -2, 7, 0.5, 40); },
	     [] { glOrtho(-3, 5, -2, 7, 0.5, 40); }, false},
	    {"frustum", [](double* m) { buildFrustumMatrix(m, -1, 2, -0.5, 1.5, 1, 100); },
	     [] { glFrustum(-1, 2, -0.5, 1.5, 1, 100); }, false},
	    {"perspective", [](double* m) { buildPerspectiveMatrix(m, 55, 1.6, 0.3, 900); },
	     [] { gluPerspective(55, 1.6, 0.3, 900); }, false},
	    {"look-at", [](double* m) { buildLookAtMatrix(m, 3, 4, 5, -1, 0.5, 2, 0.1, 1, 0.2); },
	     [] { gluLookAt(3, 4, 5, -1, 0.5, 2, 0.1, 1, 0.2); }, false},
	    {"rotation about x", [](double* m) { buildRotation(m, 33, 1, 0, 0); }, [] { glRotated(33, 1, 0, 0); }, false},
	    {"rotation about -y", [](double* m) { buildRotation(m, 33, 0, -1, 0); }, [] { glRotated(33, 0, -1, 0); },
	     false},
	    {"rotation about a slanted axis", [](double* m) { buildRotation(m, -71, 1, 2, -3); },
	     [] { glRotated(-71, 1, 2, -3); }, false},
	    {"translation after base", [](double* m) { applyTranslation(m, 4, -5, 6); },
	     [] { glTranslated(4, -5, 6); }, true},
	    {"rotation after base", [](double* m) { applyRotation(m, 140, 0.3, -1, 0.6); },
	     [] { glRotated(140, 0.3, -1, 0.6); }, true},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.what);
		double ours[16], theirs[16];
		copyMatrix(ours, c.on_base ? base : gIdentity);
		c.ours(ours);
		gl_matrix(c.on_base ? base : gIdentity, c.theirs, theirs);
		for (int i = 0; i < 16; ++i) EXPECT_NEAR(ours[i], theirs[i], 1e-6 * (1 + std::fabs(theirs[i]))) << i;  // GL keeps floats
	}
}

TEST(XcamGl, WorldPointToWindowPixelsAsGluProject)
{
	gl_test_context gl(16, 16);
	ASSERT_TRUE(gl.ok()) << gl.error();
	glViewport(10, 20, 300, 200);
	mnw.org_x = 7;
	mnw.org_y = -3;
	mnw.pix_scale = 2;
	xcam_class c;
	c.SetupPerspective(60, 1.5, 1, 100);
	c.LookAtPtFromPt(2, 3, 10, 0, 0, 0, 0, 1, 0);
	GLint vp[4] = {10, 20, 300, 200};
	double const points[][3] = {{0, 0, 0}, {1, -2, 3}, {-4, 1, -5}};
	for (auto const& p : points) {
		double out[2], wx, wy, wz;
		c.mtr_to_pix(p, out);
		ASSERT_EQ(gluProject(p[0], p[1], p[2], c.modl, c.proj, vp, &wx, &wy, &wz), GL_TRUE);
		EXPECT_NEAR(out[0], (wx - 7) / 2, 1e-9);
		EXPECT_NEAR(out[1], (wy + 3) / 2, 1e-9);
	}
}

TEST(XcamGl, StaleModelViewIsReadBackFromGl)
{
	gl_test_context gl(16, 16);
	ASSERT_TRUE(gl.ok()) << gl.error();
	glMatrixMode(GL_MODELVIEW);
	glLoadIdentity();
	gluLookAt(0, 0, 0, 0, 0, -1, 1, 0, 0);  // up along +x
	xcam_class c;
	ASSERT_EQ(c.modl_stale, 1);
	c.changed = 0;
	double up[3];
	c.CalcUp(up);
	EXPECT_NEAR(up[0], 1, 1e-12);
	EXPECT_NEAR(up[1], 0, 1e-12);
	EXPECT_EQ(c.modl_stale, 0);
	EXPECT_EQ(c.changed, 1);
	// Trusted from now on: GL's later changes are not read.
	glLoadIdentity();
	c.CalcUp(up);
	EXPECT_NEAR(up[0], 1, 1e-12);
}
