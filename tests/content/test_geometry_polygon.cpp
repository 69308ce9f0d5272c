// Angles, moved sides, the coordinate translator, polygon inset, reduction,
// point-in-polygon and clipping: analytic tables plus seeded properties.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "content/geometry/geometry.h"

namespace {

const double kPi = 3.14159265358979323846;

::testing::AssertionResult near2(Point2 got, Point2 want, double tol) {
	if (std::fabs(got.x - want.x) <= tol && std::fabs(got.y - want.y) <= tol) return ::testing::AssertionSuccess();
	return ::testing::AssertionFailure() << "got (" << got.x << ", " << got.y << ") want (" << want.x << ", "
	                                     << want.y << ")";
}

::testing::AssertionResult near3(Point3 got, Point3 want, double tol) {
	if (std::fabs(got.x - want.x) <= tol && std::fabs(got.y - want.y) <= tol && std::fabs(got.z - want.z) <= tol)
		return ::testing::AssertionSuccess();
	return ::testing::AssertionFailure() << "got (" << got.x << ", " << got.y << ", " << got.z << ") want ("
	                                     << want.x << ", " << want.y << ", " << want.z << ")";
}

bool exact2(Point2 a, Point2 b) { return a.x == b.x && a.y == b.y; }

// Signed distance of p to the left of the line a->b.
double left_of(Point2 a, Point2 b, Point2 p) {
	double dx = b.x - a.x, dy = b.y - a.y;
	return (dx * (p.y - a.y) - dy * (p.x - a.x)) / std::hypot(dx, dy);
}

double area2(Polygon2 const& p) {
	double s = 0.0;
	for (std::size_t i = 0; i < p.size(); ++i) {
		Point2 a = p[i], b = p[(i + 1) % p.size()];
		s += a.x * b.y - b.x * a.y;
	}
	return 0.5 * s;
}

// Area of a planar 3-D polygon.
double area3(Polygon3 const& p) {
	double sx = 0, sy = 0, sz = 0;
	for (std::size_t i = 0; i < p.size(); ++i) {
		Point3 a = p[i], b = p[(i + 1) % p.size()];
		sx += a.y * b.z - a.z * b.y;
		sy += a.z * b.x - a.x * b.z;
		sz += a.x * b.y - a.y * b.x;
	}
	return 0.5 * std::sqrt(sx * sx + sy * sy + sz * sz);
}

Polygon2 regular(int n, double radius) {
	Polygon2 p;
	for (int k = 0; k < n; ++k) p.push_back({radius * std::cos(PI2 * k / n), radius * std::sin(PI2 * k / n)});
	return p;
}

// Counter-clockwise convex polygon: sorted angles on an ellipse, no gap
// smaller than a tenth of the even spacing.
Polygon2 random_convex(std::mt19937& rng) {
	std::uniform_int_distribution<int> count(3, 9);
	std::uniform_real_distribution<double> u(0.0, 1.0);
	int n = count(rng);
	double cx = u(rng) * 10 - 5, cy = u(rng) * 10 - 5, rx = 1 + u(rng) * 4, ry = 1 + u(rng) * 4;
	double phase = u(rng) * PI2, step = PI2 / n;
	Polygon2 p;
	for (int k = 0; k < n; ++k) {
		double a = phase + k * step + (u(rng) - 0.5) * 0.8 * step;
		p.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
	}
	return p;
}

// Rotation taking the xy plane to a random plane, plus an offset.
struct Frame {
	Vector3 ex, ey, ez;
	Point3 o;
	Point3 put(Point2 p) const {
		return {o.x + p.x * ex.dx + p.y * ey.dx, o.y + p.x * ex.dy + p.y * ey.dy, o.z + p.x * ex.dz + p.y * ey.dz};
	}
};

Frame random_frame(std::mt19937& rng) {
	std::uniform_real_distribution<double> u(-1.0, 1.0);
	auto norm = [](Vector3 v) {
		double l = std::sqrt(v.dx * v.dx + v.dy * v.dy + v.dz * v.dz);
		return Vector3{v.dx / l, v.dy / l, v.dz / l};
	};
	auto cross = [](Vector3 a, Vector3 b) {
		return Vector3{a.dy * b.dz - a.dz * b.dy, a.dz * b.dx - a.dx * b.dz, a.dx * b.dy - a.dy * b.dx};
	};
	Vector3 ez = norm({u(rng), u(rng), u(rng) + 0.1});
	Vector3 helper = std::fabs(ez.dx) < 0.9 ? Vector3{1, 0, 0} : Vector3{0, 1, 0};
	Vector3 ex = norm(cross(helper, ez));
	Vector3 ey = cross(ez, ex);
	return {ex, ey, ez, {u(rng) * 5, u(rng) * 5, u(rng) * 5}};
}

TEST(GeometryAngles, IsCcwBetween) {
	struct Case {
		Vector2 a, b, c;
		bool want;
		const char* what;
	} cases[] = {
	    {{1, 0}, {0, 1}, {1, 0}, true, "a equal to c: any b"},
	    {{1, 0}, {-1, -1}, {2, 0}, true, "a equal to c in angle: any b"},
	    {{1, 0}, {1, 1}, {0, 1}, true, "first quadrant"},
	    {{1, 0}, {1, -1}, {0, 1}, false, "fourth quadrant outside a quarter turn"},
	    {{0, 1}, {-1, 0}, {1, 0}, true, "second quadrant on a three-quarter turn"},
	    {{0, 1}, {0, -1}, {1, 0}, true, "third quadrant on a three-quarter turn"},
	    {{0, 1}, {1, 1}, {1, 0}, false, "first quadrant outside a three-quarter turn"},
	    {{-1, 0}, {-1, -1}, {0, -1}, true, "across the branch cut"},
	    {{-1, -0.0}, {-1, -1}, {0, -1}, true, "a at minus pi counts as pi"},
	    {{-1, 0}, {-1, -0.0}, {0, -1}, false, "b along a is not strictly between"},
	    {{1, -1}, {1, 0}, {1, 1}, true, "fourth to first quadrant"},
	    {{1, -1}, {-1, 0}, {1, 1}, false, "fourth to first quadrant, b behind"},
	    {{1, 0}, {0, 1}, {0, 1}, false, "b along c is not strictly between"},
	};
	for (auto const& k : cases) EXPECT_EQ(Is_CCW_Between(k.a, k.b, k.c), k.want) << k.what;
}

TEST(GeometryMoveSeg, TwoAndThreeDimensions) {
	struct Case2 {
		Segment2 in;
		double dist;
		Segment2 want;
	} cases2[] = {
	    {{{0, 0}, {1, 0}}, 2, {{0, 2}, {1, 2}}},
	    {{{0, 0}, {0, 1}}, 1, {{-1, 0}, {-1, 1}}},
	    {{{0, 1}, {0, 0}}, 1, {{1, 1}, {1, 0}}},
	    {{{3, 4}, {3, 4}}, 5, {{3, 4}, {3, 4}}},
	    {{{0, 0}, {3, 4}}, 5, {{-4, 3}, {-1, 7}}},
	};
	for (auto const& k : cases2) {
		Segment2 out;
		MoveSegLeft(k.in, k.dist, out);
		EXPECT_TRUE(near2(out.p1, k.want.p1, 1e-12));
		EXPECT_TRUE(near2(out.p2, k.want.p2, 1e-12));
	}
	// Axis-aligned sides move by exactly dist, with no rounding from a root.
	Segment2 axis;
	MoveSegLeft({{0.1, 0.3}, {0.1, 7.7}}, 0.7, axis);
	EXPECT_EQ(axis.p1.x, 0.1 - 0.7);
	EXPECT_EQ(axis.p2.x, 0.1 - 0.7);

	struct Case3 {
		Segment3 in;
		Vector3 up;
		double dist;
		Segment3 want;
	} cases3[] = {
	    {{{0, 0, 0}, {1, 0, 0}}, {0, 0, 1}, 2, {{0, 2, 0}, {1, 2, 0}}},
	    {{{0, 0, 0}, {1, 0, 0}}, {0, 1, 0}, 2, {{0, 0, -2}, {1, 0, -2}}},
	    {{{0, 0, 0}, {1, 0, 0}}, {0, 0, 5}, 1, {{0, 1, 0}, {1, 1, 0}}},
	    {{{1, 2, 3}, {1, 2, 3}}, {0, 0, 1}, 4, {{1, 2, 3}, {1, 2, 3}}},
	};
	for (auto const& k : cases3) {
		Segment3 out;
		MoveSegLeft(k.in, k.dist, out, k.up);
		EXPECT_TRUE(near3(out.p1, k.want.p1, 1e-12));
		EXPECT_TRUE(near3(out.p2, k.want.p2, 1e-12));
	}
}

TEST(GeometryTranslator, ForwardReverseRoundTrip) {
	CoordTranslator t{{0, 0}, {10, 20}, {100, -1}, {200, 1}};
	EXPECT_TRUE(near2(t.Forward({5, 10}), {150, 0}, 1e-12));
	EXPECT_TRUE(near2(t.Forward({0, 0}), {100, -1}, 1e-12));
	EXPECT_TRUE(near2(t.Reverse({200, 1}), {10, 20}, 1e-12));
	std::mt19937 rng(11);
	std::uniform_real_distribution<double> u(-50, 50);
	for (int i = 0; i < 100; ++i) {
		Point2 p{u(rng), u(rng)};
		EXPECT_TRUE(near2(t.Reverse(t.Forward(p)), p, 1e-11));
	}
	EXPECT_DOUBLE_EQ(PI2, 2 * kPi);
}

TEST(GeometryInset, CalcMaxInsetTable) {
	Polygon2 L = {{1, 1}, {1, 2}, {0, 2}, {0, 0}, {2, 0}, {2, 1}};
	struct Case {
		std::string what;
		Polygon2 poly;
		std::vector<double> ratios;
		bool ring;
		double want;
	} cases[] = {
	    {"unit square", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {}, true, 0.5},
	    {"4 x 2 rectangle", {{0, 0}, {4, 0}, {4, 2}, {0, 2}}, {}, true, 1.0},
	    {"equilateral triangle", {{0, 0}, {1, 0}, {0.5, std::sqrt(3.0) / 2}}, {}, true, 0.5 / std::sqrt(3.0)},
	    {"regular hexagon", regular(6, 1.0), {}, true, std::sqrt(3.0) / 2},
	    {"two-vertex chain has no end terms", {{0, 0}, {5, 0}}, {}, false, 0.0},
	    {"right-angle chain", {{0, 0}, {1, 0}, {1, 1}}, {}, false, 1.0},
	    {"ratio of the side before at both ends", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {2, 1, 2, 1}, true, 0.25},
	    {"one vertex", {{3, 3}}, {}, true, 0.0},
	    {"empty", {}, {}, true, 0.0},
	};
	for (auto const& k : cases) {
		double got = CalcMaxInset(k.poly, k.ratios.empty() ? nullptr : k.ratios.data(), k.ring);
		EXPECT_NEAR(got, k.want, 1e-9) << k.what;
	}
	// The L-shape's reflex corner makes a side that does not shrink; the
	// answer must not depend on which vertex comes first.
	for (std::size_t first = 0; first < L.size(); ++first) {
		Polygon2 p;
		for (std::size_t i = 0; i < L.size(); ++i) p.push_back(L[(first + i) % L.size()]);
		EXPECT_NEAR(CalcMaxInset(p, nullptr, true), 0.5, 1e-9) << "first vertex " << first;
	}
}

TEST(GeometryInset, SquareRatiosAndChain) {
	Polygon2 sq = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
	Polygon2 out;
	InsetPolygon(sq, nullptr, 0.1, true, out, nullptr, nullptr);
	Polygon2 want = {{0.1, 0.1}, {0.9, 0.1}, {0.9, 0.9}, {0.1, 0.9}};
	ASSERT_EQ(out.size(), want.size());
	for (std::size_t i = 0; i < want.size(); ++i) EXPECT_TRUE(near2(out[i], want[i], 1e-12)) << i;

	double ratios[] = {1, 2, 3, 4};
	InsetPolygon(sq, ratios, 0.1, true, out, nullptr, nullptr);
	want = {{0.4, 0.1}, {0.8, 0.1}, {0.8, 0.7}, {0.4, 0.7}};
	ASSERT_EQ(out.size(), want.size());
	for (std::size_t i = 0; i < want.size(); ++i) EXPECT_TRUE(near2(out[i], want[i], 1e-12)) << i;

	// An open chain gives one point per vertex: its ends move straight
	// sideways, the inner points sit at the inset from both neighbours.
	Polygon2 chain = {{0, 0}, {1, 0}, {2, 1}, {2, 3}};
	InsetPolygon(chain, nullptr, 0.1, false, out, nullptr, nullptr);
	ASSERT_EQ(out.size(), chain.size());
	EXPECT_TRUE(near2(out[0], {0, 0.1}, 1e-12));
	EXPECT_TRUE(near2(out[3], {1.9, 3}, 1e-12));
	for (std::size_t i = 1; i + 1 < chain.size(); ++i) {
		EXPECT_NEAR(left_of(chain[i - 1], chain[i], out[i]), 0.1, 1e-12) << i;
		EXPECT_NEAR(left_of(chain[i], chain[i + 1], out[i]), 0.1, 1e-12) << i;
	}
	// Parallel neighbours (a straight vertex) add no point.
	InsetPolygon(Polygon2{{0, 0}, {1, 0}, {2, 0}, {2, 2}, {0, 2}}, nullptr, 0.1, true, out, nullptr, nullptr);
	EXPECT_EQ(out.size(), 4u);
}

void record_cap(int index, void* ref) { static_cast<std::vector<int>*>(ref)->push_back(index); }

TEST(GeometryInset, TurnBackMakesCaps) {
	Point2 a{0, 0}, b{1, 0};
	struct Case {
		std::string what;
		Polygon2 in;
		bool ring;
		std::vector<int> caps;
		Polygon2 want;
	} cases[] = {
	    {"chain a b a", {a, b, a}, false, {1}, {{0, 0.1}, {1.1, 0.1}, {1.1, -0.1}, {0, -0.1}}},
	    {"chain a b a b",
	     {a, b, a, b},
	     false,
	     {1, 3},
	     {{0, 0.1}, {1.1, 0.1}, {1.1, -0.1}, {-0.1, -0.1}, {-0.1, 0.1}, {1, 0.1}}},
	    {"ring a b", {a, b}, true, {0, 2}, {{-0.1, -0.1}, {-0.1, 0.1}, {1.1, 0.1}, {1.1, -0.1}}},
	};
	for (auto const& k : cases) {
		std::vector<int> seen;
		Polygon2 out;
		InsetPolygon(k.in, nullptr, 0.1, k.ring, out, record_cap, &seen);
		EXPECT_EQ(seen, k.caps) << k.what;
		ASSERT_EQ(out.size(), k.want.size()) << k.what;
		for (std::size_t i = 0; i < out.size(); ++i) EXPECT_TRUE(near2(out[i], k.want[i], 1e-12)) << k.what << " " << i;
		// Without a callback the same points come out.
		Polygon2 quiet;
		InsetPolygon(k.in, nullptr, 0.1, k.ring, quiet, nullptr, nullptr);
		EXPECT_EQ(quiet.size(), out.size()) << k.what;
	}
}

TEST(GeometryInset, RandomConvexProperties) {
	std::mt19937 rng(2024);
	std::uniform_real_distribution<double> ratio(0.5, 1.5);
	for (int round = 0; round < 200; ++round) {
		Polygon2 poly = random_convex(rng);
		const std::size_t n = poly.size();
		std::vector<double> ratios(n);
		for (double& r : ratios) r = ratio(rng);
		double inset = 0.2 * CalcMaxInset(poly, nullptr, true);
		ASSERT_GT(inset, 0.0);

		Polygon2 out;
		InsetPolygon(poly, ratios.data(), inset, true, out, nullptr, nullptr);
		ASSERT_EQ(out.size(), n) << "round " << round;
		for (std::size_t i = 0; i < n; ++i) {
			std::size_t j = (i + n - 1) % n;
			// Vertex i joins side j (ending at vertex i) and side i.
			EXPECT_NEAR(left_of(poly[i], poly[(i + 1) % n], out[i]), inset * ratios[i], 1e-9);
			EXPECT_NEAR(left_of(poly[j], poly[i], out[i]), inset * ratios[j], 1e-9);
			for (std::size_t s = 0; s < n; ++s) EXPECT_GT(left_of(poly[s], poly[(s + 1) % n], out[i]), 0.0);
		}

		// The same outline in a tilted plane, inset about its normal.
		Frame f = random_frame(rng);
		Polygon3 poly3;
		for (Point2 p : poly) poly3.push_back(f.put(p));
		Polygon3 out3;
		InsetPolygon(poly3, ratios.data(), inset, true, f.ez, out3);
		ASSERT_EQ(out3.size(), n);
		for (std::size_t i = 0; i < n; ++i) EXPECT_TRUE(near3(out3[i], f.put(out[i]), 1e-9)) << round << " " << i;

		// Clipping by a random line through the polygon: both halves on their
		// own side, their areas adding up to the whole.
		std::uniform_real_distribution<double> u(-1, 1);
		double ang = u(rng) * kPi;
		Point2 centre{0, 0};
		for (Point2 p : poly) centre = {centre.x + p.x / n, centre.y + p.y / n};
		Vector3 nrm2d{std::cos(ang), std::sin(ang), 0};
		double off = nrm2d.dx * centre.x + nrm2d.dy * centre.y + u(rng) * 0.5;
		// The plane's normal in 3-D is the rotated line normal.
		Vector3 n3{nrm2d.dx * f.ex.dx + nrm2d.dy * f.ey.dx, nrm2d.dx * f.ex.dy + nrm2d.dy * f.ey.dy,
		           nrm2d.dx * f.ex.dz + nrm2d.dy * f.ey.dz};
		double d3 = off + n3.dx * f.o.x + n3.dy * f.o.y + n3.dz * f.o.z;
		Polygon3 keep, rest;
		ClipToHalfPlane3(poly3, {n3, d3}, keep);
		ClipToHalfPlane3(poly3, {{-n3.dx, -n3.dy, -n3.dz}, -d3}, rest);
		for (Point3 p : keep) EXPECT_LE(n3.dx * p.x + n3.dy * p.y + n3.dz * p.z, d3 + 1e-9);
		for (Point3 p : rest) EXPECT_GE(n3.dx * p.x + n3.dy * p.y + n3.dz * p.z, d3 - 1e-9);
		EXPECT_NEAR(area3(keep) + area3(rest), area2(poly), 1e-9) << "round " << round;
	}
}

TEST(GeometryReduce, NeverBelowThree) {
	struct Case {
		std::string what;
		Polygon2 in;
		double max_dev_sq, min_cos, min_len, min_dist;
		Polygon2 want;
	} cases[] = {
	    {"triangle with long sides kept", {{0, 0}, {4, 0}, {0, 3}}, 1e-6, 0.99, 0.1, 0.01, {{0, 0}, {4, 0}, {0, 3}}},
	    {"flat triangle kept at three",
	     {{0, 0}, {2, 0}, {1, 1e-6}},
	     1e-3,
	     -1.0,
	     0.1,
	     0.01,
	     {{0, 0}, {2, 0}, {1, 1e-6}}},
	    {"triangle with a short side kept at three",
	     {{0, 0}, {1e-4, 0}, {0, 3}},
	     1e-6,
	     0.99,
	     0.1,
	     0.01,
	     {{0, 0}, {1e-4, 0}, {0, 3}}},
	    {"side midpoints go, corners stay",
	     {{0, 0}, {0.5, 0}, {1, 0}, {1, 0.5}, {1, 1}, {0.5, 1}, {0, 1}, {0, 0.5}},
	     1e-6,
	     0.99,
	     0.1,
	     0.01,
	     {{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
	    {"a bend beyond the deviation stays",
	     {{0, 0}, {0.5, -0.2}, {1, 0}, {1, 1}, {0, 1}},
	     1e-6,
	     0.5,
	     0.1,
	     0.01,
	     {{0, 0}, {0.5, -0.2}, {1, 0}, {1, 1}, {0, 1}}},
	    {"a bend sharper than min_cos stays",
	     {{0, 0}, {0.5, -0.2}, {1, 0}, {1, 1}, {0, 1}},
	     1.0,
	     0.9,
	     0.1,
	     0.01,
	     {{0, 0}, {0.5, -0.2}, {1, 0}, {1, 1}, {0, 1}}},
	    {"sides not longer than min_len skip the angle test",
	     {{0, 0}, {0.5, 0}, {1, 0}, {1, 1}, {0, 1}},
	     1e-6,
	     0.99,
	     0.5,
	     0.01,
	     {{0, 0}, {0.5, 0}, {1, 0}, {1, 1}, {0, 1}}},
	    {"near duplicates go",
	     {{0, 0}, {1, 0}, {1, 0.001}, {1, 1}, {0, 1}},
	     0.0,
	     1.0,
	     10.0,
	     0.01,
	     {{0, 0}, {1, 0.001}, {1, 1}, {0, 1}}},
	};
	for (auto const& k : cases) {
		Polygon2 p = k.in;
		ReducePolygon(p, k.max_dev_sq, k.min_cos, k.min_len, k.min_dist);
		ASSERT_EQ(p.size(), k.want.size()) << k.what;
		for (std::size_t i = 0; i < p.size(); ++i) EXPECT_TRUE(exact2(p[i], k.want[i])) << k.what << " " << i;
	}
	// A tiny cluster where every vertex fails the distance test stops at 3.
	Polygon2 cluster = regular(12, 1e-3);
	ReducePolygon(cluster, 0.0, 1.0, 1.0, 1.0);
	EXPECT_EQ(cluster.size(), 3u);
}

TEST(GeometryPolygon3, PointInsideAndClipping) {
	std::mt19937 rng(7);
	Frame f = random_frame(rng);
	Polygon2 flat = {{0, 0}, {2, 0}, {2, 2}, {0, 2}};
	Polygon3 sq;
	for (Point2 p : flat) sq.push_back(f.put(p));
	struct Case {
		Point2 at;
		double lift;
		bool want;
	} cases[] = {
	    {{1, 1}, 0, true}, {{3, 1}, 0, false}, {{1, -0.01}, 0, false}, {{0.5, 1.5}, 0.3, true},
	};
	for (auto const& k : cases) {
		Point3 p = f.put(k.at);
		p = {p.x + k.lift * f.ez.dx, p.y + k.lift * f.ez.dy, p.z + k.lift * f.ez.dz};
		EXPECT_EQ(PointInPolygon3(sq, p), k.want) << k.at.x << "," << k.at.y;
	}
	// On an edge or a corner counts as inside (axis-aligned, so exact).
	Polygon3 flat3 = {{0, 0, 1}, {2, 0, 1}, {2, 2, 1}, {0, 2, 1}};
	EXPECT_TRUE(PointInPolygon3(flat3, {2, 1, 1}));
	EXPECT_TRUE(PointInPolygon3(flat3, {0, 2, 1}));
	EXPECT_FALSE(PointInPolygon3(flat3, {2.001, 1, 1}));
	EXPECT_FALSE(PointInPolygon3({{0, 0, 0}, {1, 0, 0}}, {0.5, 0, 0}));

	Polygon3 pent = {{0, 0, 0}, {1, -1, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
	Polygon3 out;
	ClipToHalfPlane3(pent, {{1, 0, 0}, 1}, out);
	Polygon3 want = {{0, 0, 0}, {1, -1, 0}, {1, 2, 0}, {0, 2, 0}};
	ASSERT_EQ(out.size(), want.size());
	for (std::size_t i = 0; i < want.size(); ++i) EXPECT_TRUE(near3(out[i], want[i], 1e-12)) << i;
	EXPECT_NEAR(area3(out), 2.5, 1e-12);
	ClipToHalfPlane3(pent, {{-1, 0, 0}, -1}, out);
	EXPECT_NEAR(area3(out), 2.5, 1e-12);

	ClipToHalfPlane3(pent, {{0, 0, 1}, 0}, out);
	ASSERT_EQ(out.size(), pent.size());
	for (std::size_t i = 0; i < pent.size(); ++i) EXPECT_TRUE(near3(out[i], pent[i], 0)) << i;
	ClipToHalfPlane3(pent, {{0, 0, 1}, -1}, out);
	EXPECT_TRUE(out.empty());
	ClipToHalfPlane3({}, {{0, 0, 1}, 0}, out);
	EXPECT_TRUE(out.empty());
}

}  // namespace
