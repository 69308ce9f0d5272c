// Quad strips along chains, cutting strips, line junctions, cubic curves and
// bounding spheres.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "content/geometry/geometry.h"

namespace {

using Pts = std::vector<Point3>;

Vector3 sub(Point3 a, Point3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(Vector3 a, Vector3 b) { return a.dx * b.dx + a.dy * b.dy + a.dz * b.dz; }
Vector3 cross(Vector3 a, Vector3 b) {
	return {a.dy * b.dz - a.dz * b.dy, a.dz * b.dx - a.dx * b.dz, a.dx * b.dy - a.dy * b.dx};
}
double norm(Vector3 v) { return std::sqrt(dot(v, v)); }
double dist(Point3 a, Point3 b) { return norm(sub(a, b)); }
Point3 at(Point3 p, Vector3 v, double k) { return {p.x + v.dx * k, p.y + v.dy * k, p.z + v.dz * k}; }
double dist_to_line(Point3 p, Point3 a, Point3 b) { return norm(cross(sub(b, a), sub(p, a))) / norm(sub(b, a)); }

::testing::AssertionResult near3(Point3 got, Point3 want, double tol) {
	if (std::fabs(got.x - want.x) <= tol && std::fabs(got.y - want.y) <= tol && std::fabs(got.z - want.z) <= tol)
		return ::testing::AssertionSuccess();
	return ::testing::AssertionFailure() << "got (" << got.x << ", " << got.y << ", " << got.z << ") want ("
	                                     << want.x << ", " << want.y << ", " << want.z << ")";
}

void expect_points(Pts const& got, Pts const& want, double tol, std::string const& what) {
	ASSERT_EQ(got.size(), want.size()) << what;
	for (std::size_t i = 0; i < got.size(); ++i) EXPECT_TRUE(near3(got[i], want[i], tol)) << what << " point " << i;
}

TEST(GeometryQuadStrip, EndsStraightAndTurnedBack) {
	const Vector3 up{0, 1, 0};
	struct Case {
		std::string what;
		Pts pts;
		std::vector<double> widths;
		Pts want;
	} cases[] = {
	    {"two points along x", {{0, 0, 0}, {3, 0, 0}}, {2, 2}, {{0, 0, 1}, {0, 0, -1}, {3, 0, 1}, {3, 0, -1}}},
	    {"straight inner station at its own half width",
	     {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}},
	     {2, 4, 2},
	     {{0, 0, 1}, {0, 0, -1}, {1, 0, 2}, {1, 0, -2}, {2, 0, 1}, {2, 0, -1}}},
	    {"turned back: a pair for each direction",
	     {{0, 0, 0}, {1, 0, 0}, {0, 0, 0}},
	     {2, 2, 2},
	     {{0, 0, 1}, {0, 0, -1}, {1, 0, 1}, {1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {0, 0, -1}, {0, 0, 1}}},
	};
	for (auto const& k : cases) {
		Pts out = {{9, 9, 9}};
		ChainToQuadStrip(k.pts, std::vector<Vector3>(k.pts.size(), up), k.widths, out);
		expect_points(out, k.want, 1e-12, k.what);
	}
	// One point leaves out as it was; lists shorter than the chain give nothing.
	Pts out = {{9, 9, 9}};
	ChainToQuadStrip({{1, 2, 3}}, {up}, {2}, out);
	expect_points(out, {{9, 9, 9}}, 0, "one point");
	ChainToQuadStrip({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {up, up}, {1, 1, 1}, out);
	EXPECT_TRUE(out.empty());
	ChainToQuadStrip({{0, 0, 0}, {1, 0, 0}}, {up, up}, {1}, out);
	EXPECT_TRUE(out.empty());
}

TEST(GeometryQuadStrip, BendPointsAtHalfWidthFromBothSides) {
	struct Case {
		std::string what;
		Pts pts;
		Vector3 up;
		double width;
	} cases[] = {
	    {"right angle", {{0, 0, 0}, {2, 0, 0}, {2, 0, 2}}, {0, 1, 0}, 1},
	    {"gentle", {{0, 0, 0}, {2, 0, 0}, {3, 0, 1}}, {0, 1, 0}, 1},
	    {"sharp", {{0, 0, 0}, {2, 0, 0}, {1, 0, 1}}, {0, 1, 0}, 0.5},
	    {"left turn about z", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {0, 0, 1}, 3},
	    {"tilted plane", {{0, 0, 0}, {1, 1, 1}, {2, 1, 0}}, {1, -2, 1}, 0.8},
	};
	for (auto const& k : cases) {
		Pts out;
		ChainToQuadStrip(k.pts, std::vector<Vector3>(3, k.up), std::vector<double>(3, k.width), out);
		ASSERT_EQ(out.size(), 6u) << k.what;
		Point3 c = k.pts[1];
		Vector3 side = cross(sub(k.pts[1], k.pts[0]), k.up);
		for (int s = 0; s < 2; ++s) {
			Point3 p = out[2 + s];
			EXPECT_NEAR(dist_to_line(p, k.pts[0], k.pts[1]), k.width / 2, 1e-12) << k.what << " side " << s;
			EXPECT_NEAR(dist_to_line(p, k.pts[1], k.pts[2]), k.width / 2, 1e-12) << k.what << " side " << s;
			EXPECT_NEAR(dot(sub(p, c), k.up), 0.0, 1e-12) << k.what << " stays level with the station";
			// The plus side comes first, as at the ends.
			EXPECT_EQ(dot(sub(p, c), side) > 0, s == 0) << k.what << " side " << s;
		}
	}
	Pts out;
	ChainToQuadStrip({{0, 0, 0}, {2, 0, 0}, {2, 0, 2}}, std::vector<Vector3>(3, {0, 1, 0}), {1, 1, 1}, out);
	EXPECT_TRUE(near3(out[2], {1.5, 0, 0.5}, 1e-12));
	EXPECT_TRUE(near3(out[3], {2.5, 0, -0.5}, 1e-12));
}

// Even points on y = 0, odd points on y = 1, one station per x.
Pts strip_at(std::vector<double> const& xs) {
	Pts s;
	for (double x : xs) {
		s.push_back({x, 0, 0});
		s.push_back({x, 1, 0});
	}
	return s;
}

TEST(GeometryQuadStrip, LongerSideOfQuad) {
	struct Case {
		std::string what;
		Pts quad;
		double want;
	} cases[] = {
	    {"square", strip_at({0, 1}), 0.0},
	    {"odd side reaches further", {{0, 0, 0}, {-0.5, 1, 0}, {1, 0, 0}, {1, 1, 0}}, -0.5},
	    {"even side reaches further", {{-0.5, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}}, 0.5},
	    {"too few points", {{0, 0, 0}, {0, 1, 0}}, 0.0},
	};
	for (auto const& k : cases) EXPECT_NEAR(LongerSideOfQuad(k.quad), k.want, 1e-12) << k.what;
}

TEST(GeometryQuadStrip, RemoveFromFrontAndBack) {
	const Pts straight = strip_at({0, 1, 2, 3});
	const Pts odd_ahead = {{0, 0, 0}, {-0.5, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}, {2, 1, 0}, {3, 0, 0}, {3, 1, 0}};
	const Pts even_ahead = {{-0.5, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}, {2, 1, 0}, {3, 0, 0}, {3, 1, 0}};
	const Pts odd_far = {{0, 0, 0}, {-1, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}, {2, 1, 0}, {3, 0, 0}, {3, 1, 0}};
	struct Case {
		std::string what;
		Pts strip;
		double len;
		bool square;
		Pts want_out, want_strip;
	} cases[] = {
	    {"cut inside a quad",
	     straight,
	     1.5,
	     false,
	     {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {1.5, 0, 0}, {1.5, 1, 0}},
	     {{1.5, 0, 0}, {1.5, 1, 0}, {2, 0, 0}, {2, 1, 0}, {3, 0, 0}, {3, 1, 0}}},
	    {"cut inside the first quad",
	     straight,
	     0.5,
	     false,
	     {{0, 0, 0}, {0, 1, 0}, {0.5, 0, 0}, {0.5, 1, 0}},
	     {{0.5, 0, 0}, {0.5, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}, {2, 1, 0}, {3, 0, 0}, {3, 1, 0}}},
	    {"cut on a station", straight, 1.0, false, strip_at({0, 1}), strip_at({1, 2, 3})},
	    {"the whole length finds no cut", straight, 3.0, false, {}, straight},
	    {"longer than the strip", straight, 7.0, false, {}, straight},
	    {"zero length", straight, 0.0, true, {}, straight},
	    {"negative length", straight, -1.0, false, {}, straight},
	    {"too few points", {{0, 0, 0}, {0, 1, 0}}, 0.5, false, {}, {{0, 0, 0}, {0, 1, 0}}},
	    {"square cut, odd side ahead",
	     odd_ahead,
	     1.5,
	     true,
	     {{0, 0, 0}, {-0.5, 1, 0}, {1, 0, 0}, {1, 1, 0}, {1.5, 0, 0}, {1.5, 1, 0}},
	     {{1.5, 0, 0}, {1.5, 1, 0}, {2, 0, 0}, {2, 1, 0}, {3, 0, 0}, {3, 1, 0}}},
	    {"square cut, even side ahead",
	     even_ahead,
	     1.5,
	     true,
	     {{-0.5, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {1.5, 0, 0}, {1.5, 1, 0}},
	     {{1.5, 0, 0}, {1.5, 1, 0}, {2, 0, 0}, {2, 1, 0}, {3, 0, 0}, {3, 1, 0}}},
	    {"plain cut, odd side ahead: each side measured alone",
	     odd_ahead,
	     1.5,
	     false,
	     {{0, 0, 0}, {-0.5, 1, 0}, {1, 0, 0}, {1, 1, 0}, {1.5, 0, 0}, {1, 1, 0}},
	     {{1.5, 0, 0}, {1, 1, 0}, {2, 0, 0}, {2, 1, 0}, {3, 0, 0}, {3, 1, 0}}},
	    {"cut landing on the strip's next station is not put in twice",
	     odd_far,
	     2.0,
	     false,
	     {{0, 0, 0}, {-1, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}, {1, 1, 0}},
	     strip_at({2, 3})},
	};
	for (auto const& k : cases) {
		Pts strip = k.strip, out = {{9, 9, 9}};
		RemoveFromQuadStripFront(strip, k.len, out, k.square);
		expect_points(out, k.want_out, 1e-12, k.what + " out");
		expect_points(strip, k.want_strip, 1e-12, k.what + " strip");
	}

	// From the back: the strip's end is cut off, out runs from the end inwards
	// with the sides of each station swapped.
	Pts strip = straight, out;
	RemoveFromQuadStripBack(strip, 1.5, out, false);
	expect_points(out, {{3, 1, 0}, {3, 0, 0}, {2, 1, 0}, {2, 0, 0}, {1.5, 1, 0}, {1.5, 0, 0}}, 0, "back out");
	expect_points(strip, {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {1.5, 0, 0}, {1.5, 1, 0}}, 0, "back strip");
	strip = straight;
	RemoveFromQuadStripBack(strip, 0.0, out, false);
	EXPECT_TRUE(out.empty());
	expect_points(strip, straight, 0, "back zero length");
}

TEST(GeometryJunction, AgainstClosestPoints) {
	std::mt19937 rng(5);
	std::uniform_real_distribution<double> u(-3, 3);
	for (int round = 0; round < 200; ++round) {
		Line3 a{{u(rng), u(rng), u(rng)}, {u(rng), u(rng), u(rng)}};
		Line3 b{{u(rng), u(rng), u(rng)}, {u(rng), u(rng), u(rng)}};
		Point3 junction{u(rng), u(rng), u(rng)};
		Vector3 n = cross(a.dir, b.dir);
		if (norm(n) < 0.1 * norm(a.dir) * norm(b.dir)) continue;  // keep the oracle well conditioned
		// Closest points of the two lines; the answer lies on the common
		// perpendicular through them, level with the junction.
		Vector3 w = sub(a.point, b.point);
		double aa = dot(a.dir, a.dir), ab = dot(a.dir, b.dir), bb = dot(b.dir, b.dir);
		double aw = dot(a.dir, w), bw = dot(b.dir, w);
		double sc = (ab * bw - bb * aw) / (aa * bb - ab * ab);
		Point3 pa = at(a.point, a.dir, sc);
		Vector3 nu{n.dx / norm(n), n.dy / norm(n), n.dz / norm(n)};
		Point3 want = at(pa, nu, dot(sub(junction, pa), nu));
		Point3 got;
		ASSERT_TRUE(IntersectLinesAroundJunction(a, b, junction, got)) << round;
		EXPECT_TRUE(near3(got, want, 1e-9)) << round;
	}

	Point3 got;
	ASSERT_TRUE(IntersectLinesAroundJunction({{0, 0, 0}, {1, 0, 0}}, {{0, 0, 0}, {0, 1, 0}}, {5, 5, 2}, got));
	EXPECT_TRUE(near3(got, {0, 0, 2}, 1e-12));
	struct Case {
		std::string what;
		Vector3 da, db;
	} parallel[] = {
	    {"same direction", {1, 2, 3}, {1, 2, 3}},
	    {"scaled", {1, 2, 3}, {2, 4, 6}},
	    {"opposite", {1, 2, 3}, {-0.5, -1, -1.5}},
	    {"zero direction", {0, 0, 0}, {1, 0, 0}},
	};
	for (auto const& k : parallel) {
		Point3 untouched{7, 7, 7};
		EXPECT_FALSE(IntersectLinesAroundJunction({{0, 0, 0}, k.da}, {{1, 0, 0}, k.db}, {0, 0, 0}, untouched))
		    << k.what;
		EXPECT_TRUE(near3(untouched, {7, 7, 7}, 0)) << k.what;
	}
}

Point3 casteljau(Point3 p0, Point3 p1, Point3 p2, Point3 p3, double t) {
	auto lerp = [t](Point3 a, Point3 b) {
		return Point3{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
	};
	Point3 a = lerp(p0, p1), b = lerp(p1, p2), c = lerp(p2, p3);
	Point3 d = lerp(a, b), e = lerp(b, c);
	return lerp(d, e);
}

TEST(GeometryBezier, TessellationControlsAndTrims) {
	const Point3 p1{0, 0, 0}, p2{4, 0, 0}, c1{1, 2, 0}, c2{3, 2, 1};
	struct Case {
		std::string what;
		bool has_c1, has_c2;
		Point3 c1, c2;
		int segments;
		double trim1, trim2;
		std::vector<int> kept;  // indices i of i / segments between the ends
	} cases[] = {
	    {"both controls", true, true, c1, c2, 8, 0, 0, {1, 2, 3, 4, 5, 6, 7}},
	    {"second control only", false, true, c1, c2, 5, 0, 0, {1, 2, 3, 4}},
	    {"first control only", true, false, c1, c2, 3, 0, 0, {1, 2}},
	    {"no controls", false, false, c1, c2, 8, 0, 0, {}},
	    {"controls on the line", true, true, {1, 0, 0}, {-2, 0, 0}, 8, 0, 0, {}},
	    {"no segments", true, true, c1, c2, 0, 0, 0, {}},
	    {"negative segments", true, true, c1, c2, -4, 0, 0, {}},
	    {"trim near the start", true, true, c1, c2, 8, 1.7, 0, {3, 4, 5, 6, 7}},
	    {"trim near both ends", true, true, c1, c2, 8, 1.7, 1.2, {3, 4, 5, 6}},
	    {"trims wider than the curve", true, true, c1, c2, 8, 2.6, 2.6, {}},
	};
	for (auto const& k : cases) {
		std::vector<Point3> out = {{9, 9, 9}};
		BezierCurve(p1, p2, k.has_c1, k.has_c2, k.c1, k.c2, k.segments, k.trim1, k.trim2, out);
		Point3 a = k.has_c1 ? k.c1 : p1, b = k.has_c2 ? k.c2 : p2;
		Pts want = {p1};
		for (int i : k.kept) want.push_back(casteljau(p1, a, b, p2, double(i) / k.segments));
		want.push_back(p2);
		expect_points(out, want, 1e-6, k.what);
		// The ends are the given points exactly.
		ASSERT_GE(out.size(), 2u);
		EXPECT_TRUE(near3(out.front(), p1, 0)) << k.what;
		EXPECT_TRUE(near3(out.back(), p2, 0)) << k.what;
	}
}

bool contains(Sphere3 const& s, Point3 p) {
	double d2 = dot(sub(p, s.c), sub(p, s.c));
	return d2 <= s.radius_squared * (1 + 1e-12) + 1e-12;
}

TEST(GeometrySphere, ExtendToPointsAndSpheres) {
	// A point inside changes nothing; one outside gives the sphere touching
	// it and the far side of the old one.
	Sphere3 s{{1, 2, 3}, 4};
	ExtendBoundingSphereToPt({2, 2, 3}, s);
	EXPECT_TRUE(near3(s.c, {1, 2, 3}, 0));
	EXPECT_EQ(s.radius_squared, 4);
	ExtendBoundingSphereToPt({7, 2, 3}, s);
	EXPECT_TRUE(near3(s.c, {3, 2, 3}, 1e-12));
	EXPECT_NEAR(s.radius_squared, 16, 1e-12);
	// Shared coordinates stay exact.
	EXPECT_EQ(s.c.y, 2);
	EXPECT_EQ(s.c.z, 3);

	struct Case {
		std::string what;
		Sphere3 in, s, want;
	} cases[] = {
	    {"in holds s", {{0, 0, 0}, 100}, {{1, 1, 0}, 1}, {{0, 0, 0}, 100}},
	    {"s holds in", {{1, 1, 0}, 1}, {{0, 0, 0}, 100}, {{0, 0, 0}, 100}},
	    {"apart on x", {{10, 0, 0}, 4}, {{0, 0, 0}, 1}, {{5.5, 0, 0}, 42.25}},
	    {"in a point", {{10, 0, 0}, 0}, {{0, 0, 0}, 1}, {{0, 0, 0}, 1}},
	    {"s a point", {{10, 0, 0}, 4}, {{0, 0, 0}, 0}, {{10, 0, 0}, 4}},
	};
	for (auto const& k : cases) {
		Sphere3 got = k.s;
		ExtendBoundingSphereToSphere(k.in, got);
		EXPECT_TRUE(near3(got.c, k.want.c, 1e-12)) << k.what;
		EXPECT_NEAR(got.radius_squared, k.want.radius_squared, 1e-12) << k.what;
	}

	// Random pairs: the result holds both spheres and touches each far side.
	std::mt19937 rng(3);
	std::uniform_real_distribution<double> u(-5, 5), r(0.1, 3);
	for (int round = 0; round < 200; ++round) {
		Sphere3 in{{u(rng), u(rng), u(rng)}, std::pow(r(rng), 2)}, s{{u(rng), u(rng), u(rng)}, std::pow(r(rng), 2)};
		Sphere3 got = s;
		ExtendBoundingSphereToSphere(in, got);
		double R = std::sqrt(got.radius_squared);
		for (Sphere3 const& each : {in, s})
			EXPECT_LE(dist(each.c, got.c) + std::sqrt(each.radius_squared), R * (1 + 1e-12) + 1e-12) << round;
		EXPECT_GE(R, std::max(std::sqrt(in.radius_squared), std::sqrt(s.radius_squared)) * (1 - 1e-12)) << round;
	}
}

TEST(GeometrySphere, FastBoundingSphereOfClouds) {
	Sphere3 s{{1, 1, 1}, 5};
	FastBoundingSphere({}, s);
	EXPECT_TRUE(near3(s.c, {1, 1, 1}, 0));
	EXPECT_EQ(s.radius_squared, 5);
	FastBoundingSphere({{0.1, 0.2, 0.3}}, s);
	EXPECT_TRUE(near3(s.c, {0.1, 0.2, 0.3}, 0));
	EXPECT_EQ(s.radius_squared, 0);

	std::mt19937 rng(17);
	std::uniform_real_distribution<double> u(-10, 10);
	std::uniform_int_distribution<int> count(2, 60);
	for (int round = 0; round < 200; ++round) {
		Pts cloud(count(rng));
		for (Point3& p : cloud) p = {u(rng), u(rng) * 0.3, u(rng)};
		FastBoundingSphere(cloud, s);
		for (Point3 p : cloud) EXPECT_TRUE(contains(s, p)) << round;
		// The sort makes the answer independent of the input order.
		Pts shuffled = cloud;
		std::shuffle(shuffled.begin(), shuffled.end(), rng);
		Sphere3 again;
		FastBoundingSphere(shuffled, again);
		EXPECT_TRUE(near3(again.c, s.c, 0)) << round;
		EXPECT_EQ(again.radius_squared, s.radius_squared) << round;
	}
	// Sorted by y, then x, then z: the first and last set the start sphere.
	Pts ties = {{5, 0, 0}, {-5, 0, 0}, {0, 0, 2}, {0, 0, -2}};
	EXPECT_TRUE(lesser_y_then_x_then_z()({-5, 0, 0}, {0, 0, -2}));
	EXPECT_TRUE(lesser_y_then_x_then_z()({0, 0, -2}, {0, 0, 2}));
	EXPECT_TRUE(lesser_y_then_x_then_z()({9, -1, 9}, {-9, 0, -9}));
	FastBoundingSphere(ties, s);
	EXPECT_TRUE(near3(s.c, {0, 0, 0}, 1e-12));
	EXPECT_NEAR(s.radius_squared, 25, 1e-12);
}

}  // namespace
