// Matrix helpers and the camera, worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "graphics/xcam.h"

namespace {

void apply(double const* m, double const* v, double* out)  // out = m * (v, 1)
{
	for (int r = 0; r < 4; ++r) out[r] = m[r] * v[0] + m[4 + r] * v[1] + m[8 + r] * v[2] + m[12 + r];
}

void expect_matrix_near(double const* got, double const* want, double tol = 1e-9)
{
	for (int i = 0; i < 16; ++i) EXPECT_NEAR(got[i], want[i], tol) << "entry " << i;
}

// A camera whose model-view is its own (no read-back from GL).
xcam_class own_camera()
{
	xcam_class c;
	c.modl_stale = 0;
	return c;
}

}  // namespace

TEST(Matrices, RotationAxes)
{
	struct {
		double angle, x, y, z;
		double in[3], out[3];
	} const cases[] = {
	    {90, 0, 0, 1, {1, 0, 0}, {0, 1, 0}},
	    {90, 0, 0, -1, {1, 0, 0}, {0, -1, 0}},
	    {90, 0, 0, 0, {1, 2, 3}, {1, 2, 3}},           // no axis: identity
	    {90, 1e-5, 1e-5, 0, {1, 2, 3}, {1, 2, 3}},     // too short to normalise
	    {90, 5, 0, 0, {0, 1, 0}, {0, 0, 1}},           // one component: its length is irrelevant
	    {90, 0, -2, 0, {1, 0, 0}, {0, 0, 1}},
	    {120, 1, 1, 1, {1, 0, 0}, {0, 1, 0}},          // about the diagonal: x to y
	};
	for (auto const& c : cases) {
		double m[16], got[4];
		buildRotation(m, c.angle, c.x, c.y, c.z);
		apply(m, c.in, got);
		for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], c.out[i], 1e-12) << c.angle << " " << c.x << c.y << c.z;
		EXPECT_EQ(got[3], 1.0);
	}
}

TEST(Matrices, Inverse)
{
	double zero_row[16];
	for (int i = 0; i < 16; ++i) zero_row[i] = i + 1;
	for (int c = 0; c < 4; ++c) zero_row[4 * c + 2] = 0;  // row 2
	double dst[16];
	for (double& d : dst) d = 7;
	EXPECT_EQ(invertMatrix(dst, zero_row), 0);
	for (double d : dst) EXPECT_EQ(d, 7);

	EXPECT_EQ(invertMatrix(dst, gIdentity), 1);
	expect_matrix_near(dst, gIdentity, 0);

	// Needs a row swap: the first pivot is 0.
	double const m[16] = {0, 2, 0, 0, 1, 0, 0, 0, 0, 0, 4, 0, 3, 5, 7, 1};
	double inv[16], back[16];
	ASSERT_EQ(invertMatrix(inv, m), 1);
	multMatrices(back, m, inv);
	expect_matrix_near(back, gIdentity);
	// In place.
	double same[16];
	copyMatrix(same, m);
	ASSERT_EQ(invertMatrix(same, same), 1);
	expect_matrix_near(same, inv, 0);
}

TEST(Matrices, ProductOrderTransposeAndSum)
{
	double t[16], s[16], ts[16];
	setIdentityMatrix(t);
	applyTranslation(t, 1, 2, 3);
	setIdentityMatrix(s);
	s[0] = s[5] = s[10] = 2;
	multMatrices(ts, t, s);  // scale first, then translate
	double const p[3] = {1, 1, 1};
	double got[4];
	apply(ts, p, got);
	EXPECT_EQ(got[0], 3);
	EXPECT_EQ(got[1], 4);
	EXPECT_EQ(got[2], 5);
	multMatrices(t, t, s);  // into an operand
	expect_matrix_near(t, ts, 0);

	double tr[16], twice[16];
	transposeMatrix(tr, ts);
	EXPECT_EQ(tr[3], 1);  // row 3, column 0 took row 0, column 3
	EXPECT_EQ(tr[12], 0);
	transposeMatrix(tr, tr);
	expect_matrix_near(tr, ts, 0);
	addMatrices(twice, ts, ts);
	for (int i = 0; i < 16; ++i) EXPECT_EQ(twice[i], 2 * ts[i]);
}

TEST(Matrices, PrintMatrixRowByRow)
{
	double m[16];
	setIdentityMatrix(m);
	applyTranslation(m, 1.5, -2, 3);
	::testing::internal::CaptureStdout();
	printMatrix("model", m);
	EXPECT_EQ(::testing::internal::GetCapturedStdout(),
	          "model\n"
	          " [ 1.000000 0.000000 0.000000 1.500000 ]\n"
	          " [ 0.000000 1.000000 0.000000 -2.000000 ]\n"
	          " [ 0.000000 0.000000 1.000000 3.000000 ]\n"
	          " [ 0.000000 0.000000 0.000000 1.000000 ]\n"
	          "\n");
}

TEST(Camera, FarPlanesAndHalfCosines)
{
	xcam_class c = own_camera();
	float h = -5, v = -5;
	EXPECT_EQ(c.GetFOVHalfCosines(&h, &v), 0);  // a new camera is orthographic
	EXPECT_EQ(h, -5);
	EXPECT_EQ(v, -5);

	c.SetupPerspective(90, 1, 1, 300);
	EXPECT_EQ(c.ortho, 0);
	EXPECT_EQ(c.near_z, -1);
	EXPECT_EQ(c.far_z, -300);
	c.SetFakeFarClippingPlane(500);  // never beyond the real one
	EXPECT_EQ(c.fake_far_z, -300);
	c.SetFakeFarClippingPlane(120.1);
	EXPECT_EQ(c.fake_far_z, double(-120.1f));
	c.ResetFakeFarClippingPlane();
	EXPECT_EQ(c.fake_far_z, -300);

	ASSERT_EQ(c.GetFOVHalfCosines(&h, &v), 1);
	EXPECT_NEAR(h, std::sqrt(0.5), 1e-6);
	EXPECT_NEAR(v, std::sqrt(0.5), 1e-6);
	EXPECT_EQ(c.GetFOVHalfCosines(nullptr, nullptr), 1);
	// Wider than high: the horizontal half-angle is larger, its cosine smaller.
	c.SetupPerspective(60, 2, 1, 10);
	c.GetFOVHalfCosines(&h, &v);
	EXPECT_NEAR(v, std::cos(30 * M_PI / 180), 1e-6);
	EXPECT_NEAR(h, std::cos(std::atan(2 * std::tan(30 * M_PI / 180))), 1e-6);
	// Normals point into the view.
	EXPECT_GT(c.left_nrml[0], 0);
	EXPECT_LT(c.right_nrml[0], 0);
	EXPECT_LT(c.top_nrml[1], 0);
	EXPECT_GT(c.bottom_nrml[1], 0);

	c.SetupOrtho(-2, 2, -1, 1, 0.5, 40);
	EXPECT_EQ(c.ortho, 1);
	EXPECT_EQ(c.box_l, -2);
	EXPECT_EQ(c.box_t, 1);
	EXPECT_EQ(c.far_z, -40);
	EXPECT_EQ(c.fake_far_z, -40);
}

TEST(Camera, LookAtFromDirectionAndItsVectors)
{
	xcam_class c = own_camera();
	c.changed = 0;
	c.LookAtPtFromDir(0, 0, 0, 0, 0, 10);
	EXPECT_EQ(c.changed, 1);
	double const eye[3] = {10, 0, 0};
	double got[4];
	apply(c.modl, eye, got);
	for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], 0, 1e-12);

	double dir[3], up[3], right[3];
	c.CalcDirection(dir);
	c.CalcUp(up);
	c.CalcRight(right);
	EXPECT_NEAR(dir[0], -1, 1e-12);
	EXPECT_NEAR(up[1], 1, 1e-12);
	EXPECT_NEAR(right[2], -1, 1e-12);  // looking down -x with y up, right is -z

	// Heading 90 and pitch 30: the eye is above +z, looking down at the point.
	c.LookAtPtFromDir(1, 2, 3, 90, 30, 4);
	c.CalcDirection(dir);
	EXPECT_NEAR(dir[0], 0, 1e-12);
	EXPECT_NEAR(dir[1], -0.5, 1e-12);
	EXPECT_NEAR(dir[2], -std::sqrt(0.75), 1e-12);

	float br[3], bu[3];
	c.CalcBillboardGround(br, bu);
	EXPECT_NEAR(br[1], 0, 1e-6);  // upright sprites: right stays level
	EXPECT_NEAR(br[0], 1, 1e-6);
	EXPECT_GT(bu[1], 0.8f);
	c.CalcBillboardCamera(br, bu);
	c.CalcUp(up);
	for (int i = 0; i < 3; ++i) EXPECT_NEAR(bu[i], up[i], 1e-6);
	EXPECT_NEAR(br[0], 1, 1e-6);
}

TEST(Camera, CopiesWholeAndFromPointer)
{
	xcam_class a = own_camera();
	a.SetupPerspective(45, 1.25, 2, 80);
	a.Translate(1, 2, 3);
	xcam_class b(&a), c(static_cast<xcam_class const*>(nullptr));
	EXPECT_EQ(std::memcmp(b.proj, a.proj, sizeof a.proj), 0);
	EXPECT_EQ(std::memcmp(b.modl, a.modl, sizeof a.modl), 0);
	EXPECT_EQ(b.far_z, -80);
	EXPECT_EQ(c.ortho, 1);
	EXPECT_EQ(c.modl_stale, 1);
	EXPECT_EQ(std::memcmp(c.proj, gIdentity, sizeof c.proj), 0);
}

TEST(Camera, AccumSegmentClipsToTheBand)
{
	struct {
		double p[3], q[3];
		double y0, y1;
		bool adds;
		double min[3], max[3];
	} const cases[] = {
	    {{0, -10, 0}, {0, 10, 0}, 0, 5, true, {0, 0, 0}, {0, 5, 0}},
	    {{2, 10, 4}, {0, -10, 0}, 0, 5, true, {1, 0, 2}, {1.5, 5, 3}},  // ends given top first; x and z follow y
	    {{-1, 3, 0}, {1, 3, 2}, 0, 5, true, {-1, 3, 0}, {1, 3, 2}},     // level and inside: both ends
	    {{-1, 6, 0}, {1, 6, 2}, 0, 5, false, {}, {}},                  // level and above
	    {{0, 6, 0}, {0, 9, 0}, 0, 5, false, {}, {}},                   // wholly above
	    {{0, -9, 0}, {0, -1, 0}, 0, 5, false, {}, {}},                 // wholly below
	};
	for (auto const& c : cases) {
		double min[3] = {9.9e9, 9.9e9, 9.9e9}, max[3] = {-9.9e9, -9.9e9, -9.9e9};
		xcam_class::accum_segment(c.y0, c.y1, c.p, c.q, min, max);
		if (!c.adds) {
			EXPECT_EQ(min[0], 9.9e9);
			EXPECT_EQ(max[1], -9.9e9);
			continue;
		}
		for (int i = 0; i < 3; ++i) {
			EXPECT_NEAR(min[i], c.min[i], 1e-12) << i;
			EXPECT_NEAR(max[i], c.max[i], 1e-12) << i;
		}
	}
}

TEST(Camera, FrustumBoundsInAHeightBand)
{
	double min[3], max[3];
	xcam_class o = own_camera();
	o.SetupOrtho(-1, 1, -1, 1, 1, 10);
	ASSERT_TRUE(o.GetFrustumBounds(100, -0.5, 0.5, min, max));
	double const o_min[3] = {-1, -0.5, -10}, o_max[3] = {1, 0.5, -1};
	for (int i = 0; i < 3; ++i) {
		EXPECT_NEAR(min[i], o_min[i], 1e-9) << i;
		EXPECT_NEAR(max[i], o_max[i], 1e-9) << i;
	}
	// Cut at range 4; nothing of the view lies above y = 2.
	ASSERT_TRUE(o.GetFrustumBounds(4, -5, 5, min, max));
	EXPECT_NEAR(min[2], -4, 1e-9);
	EXPECT_FALSE(o.GetFrustumBounds(100, 2, 3, min, max));

	// A 90-degree frustum cut at 5: the far corners come in to (+-5, +-5, -5).
	xcam_class p = own_camera();
	p.SetupFrustum(-1, 1, -1, 1, 1, 10);
	ASSERT_TRUE(p.GetFrustumBounds(5, -100, 100, min, max));
	double const p_min[3] = {-5, -5, -5}, p_max[3] = {5, 5, -1};
	for (int i = 0; i < 3; ++i) {
		EXPECT_NEAR(min[i], p_min[i], 1e-5) << i;
		EXPECT_NEAR(max[i], p_max[i], 1e-5) << i;
	}
	ASSERT_TRUE(p.GetFrustumBounds(5, 0, 100, min, max));
	EXPECT_NEAR(min[1], 0, 1e-9);
	EXPECT_NEAR(min[0], -5, 1e-5);
	EXPECT_NEAR(max[2], -1, 1e-5);
	// Moved up by 20 in the world, the same view lies wholly above the band.
	p.Translate(0, -20, 0);
	EXPECT_FALSE(p.GetFrustumBounds(5, -100, 10, min, max));
	ASSERT_TRUE(p.GetFrustumBounds(5, 0, 100, min, max));
	EXPECT_NEAR(min[1], 15, 1e-5);
	EXPECT_NEAR(max[1], 25, 1e-5);
}

TEST(Camera, LookAtCameraBoxesTheOtherView)
{
	xcam_class other = own_camera();
	other.SetupPerspective(60, 1.5, 1, 50);
	other.LookAtPtFromPt(3, 2, 5, 0, 0, 0, 0, 1, 0);
	double const dir[3] = {2 / 3.0, -2 / 3.0, 1 / 3.0};
	xcam_class light = own_camera();
	light.LookAtCamera(&other, dir, 100);
	EXPECT_EQ(light.ortho, 1);
	EXPECT_EQ(light.fake_far_z, light.far_z);

	double d[3];
	light.CalcDirection(d);
	for (int i = 0; i < 3; ++i) EXPECT_NEAR(d[i], dir[i], 1e-9);

	// The other view's corners, from its own frustum, in world space.
	double inv[16];
	ASSERT_EQ(invertMatrix(inv, other.modl), 1);
	double const y1 = std::tan(M_PI / 6);
	double reach[3] = {0, 0, 0};
	for (int i = 0; i < 8; ++i) {
		double const dist = i & 1 ? 50 : 1;
		double const e[3] = {(i & 2 ? 1 : -1) * 1.5 * y1 * dist, (i & 4 ? 1 : -1) * y1 * dist, -dist};
		double w[4], eye[4], clip[4];
		apply(inv, e, w);
		apply(light.modl, w, eye);
		apply(light.proj, eye, clip);
		for (int k = 0; k < 3; ++k) {
			EXPECT_LE(std::fabs(clip[k]), 1 + 1e-9) << "corner " << i << " axis " << k;
			reach[k] = std::fmax(reach[k], std::fabs(clip[k]));
		}
	}
	for (int k = 0; k < 3; ++k) EXPECT_NEAR(reach[k], 1, 1e-9) << "the box is tight on axis " << k;
}

TEST(Camera, LookAtCameraKeepsItselfWhenTheOtherCannotBeInverted)
{
	xcam_class other = own_camera();
	std::memset(other.proj, 0, sizeof other.proj);
	xcam_class light = own_camera();
	light.SetupPerspective(50, 1, 1, 9);
	light.Translate(1, 2, 3);
	xcam_class const before(light);
	double const dir[3] = {0, -1, 0};
	light.LookAtCamera(&other, dir, 10);
	EXPECT_EQ(std::memcmp(&light.proj, &before.proj, sizeof before.proj), 0);
	EXPECT_EQ(std::memcmp(&light.modl, &before.modl, sizeof before.modl), 0);
	EXPECT_EQ(light.ortho, 0);
}
