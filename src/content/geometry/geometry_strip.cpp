// Quad strips along chains, line junctions, cubic curves and bounding
// spheres.
#include <algorithm>
#include <cmath>

#include "content/geometry/geometry.h"
#include "content/geometry/geometry_math.h"

using namespace geom;

namespace {

// Where the planes n1 . p = d1 and n2 . p = d2 meet; false when they do not
// meet in one line.
bool plane_pair_line(Vector3 n1, double d1, Vector3 n2, double d2, Line3& out) {
	if (same(n1, n2)) return false;
	double n11 = dot(n1, n1), n22 = dot(n2, n2), n12 = dot(n1, n2);
	double det = n11 * n22 - n12 * n12;
	if (det == 0.0) return false;
	double c1 = (d1 * n22 - d2 * n12) / det;
	double c2 = (d2 * n11 - d1 * n12) / det;
	out.point = {c1 * n1.dx + c2 * n2.dx, c1 * n1.dy + c2 * n2.dy, c1 * n1.dz + c2 * n2.dz};
	out.dir = cross(n1, n2);
	return true;
}

// One side point of a bend: the two side planes offset to that side meet in
// a line, cut where it crosses the plane across the chain at the station.
Point3 bend_point(Point3 at, Vector3 s_prev, Vector3 s_next, Vector3 S_prev, Vector3 S_next, Vector3 up) {
	Point3 fallback = add(at, S_prev);
	Point3 on_next = add(at, S_next);
	Line3 line;
	if (!plane_pair_line(s_prev, dot(s_prev, fallback), s_next, dot(s_next, on_next), line))
		line = {fallback, up};
	Vector3 N = unit(up);
	double nd = dot(N, line.dir);
	if (nd == 0.0) return fallback;
	double t = (dot(N, at) - dot(N, line.point)) / nd;
	return add_scaled(line.point, line.dir, t);
}

void append_station(std::vector<Point3>& out, Point3 at, Vector3 side) {
	out.push_back(add(at, side));
	out.push_back(add_scaled(at, side, -1.0));
}

}  // namespace

void ChainToQuadStrip(std::vector<Point3> const& pts, std::vector<Vector3> const& ups,
                      std::vector<double> const& widths, std::vector<Point3>& out) {
	const std::size_t n = pts.size();
	if (n < 2) return;
	out.clear();
	// Ups and widths come one per point; a shorter list would be read past.
	if (ups.size() < n || widths.size() < n) return;

	auto end_side = [&](std::size_t i, Vector3 d) { return scale(unit(cross(d, ups[i])), 0.5 * widths[i]); };
	append_station(out, pts[0], end_side(0, sub(pts[1], pts[0])));
	for (std::size_t i = 1; i + 1 < n; ++i) {
		Vector3 d_prev = unit(sub(pts[i], pts[i - 1]));
		Vector3 d_next = unit(sub(pts[i + 1], pts[i]));
		Vector3 s_prev = unit(cross(d_prev, ups[i]));
		Vector3 s_next = unit(cross(d_next, ups[i]));
		double c = dot(s_prev, s_next);
		double h = 0.5 * widths[i];
		Vector3 S_prev = scale(s_prev, h), S_next = scale(s_next, h);
		if (c > 0.9995) {
			append_station(out, pts[i], S_prev);
		} else if (c < -0.9995) {
			append_station(out, pts[i], S_prev);
			append_station(out, pts[i], S_next);
		} else {
			Vector3 neg_prev = scale(S_prev, -1.0), neg_next = scale(S_next, -1.0);
			out.push_back(bend_point(pts[i], s_prev, s_next, S_prev, S_next, ups[i]));
			out.push_back(bend_point(pts[i], s_prev, s_next, neg_prev, neg_next, ups[i]));
		}
	}
	append_station(out, pts[n - 1], end_side(n - 1, sub(pts[n - 1], pts[n - 2])));
}

void ReverseQuadStrip(std::vector<Point3>& strip) { std::reverse(strip.begin(), strip.end()); }

double LongerSideOfQuad(std::vector<Point3> const& quad) {
	if (quad.size() < 4) return 0.0;
	Point3 p0 = quad[0], p1 = quad[1], p2 = quad[2], p3 = quad[3];
	Vector3 d_b = sub(p1, p3), d_a = sub(p0, p2);
	double t_a = dot(sub(p0, p3), d_b) / len_sq(d_b);
	double t_b = dot(sub(p1, p2), d_a) / len_sq(d_a);
	if (t_a < 1.0) return -std::sqrt(len_sq(sub(add_scaled(p3, d_b, t_a), p1)));
	return std::sqrt(len_sq(sub(add_scaled(p2, d_a, t_b), p0)));
}

namespace {
// Walks one side of the strip (points first, first+2, ...) for the segment
// holding the cut at distance target. The odd side takes the first segment
// with target < reach, the even side the first with target <= reach, so a
// cut on a station lands at the end of the even segment and at the start of
// the odd one.
bool cut_side(std::vector<Point3> const& strip, std::size_t first, double target, bool inclusive, std::size_t& k_cut,
              Point3& cut) {
	double acc = 0.0;
	for (std::size_t k = first; k + 2 < strip.size(); k += 2) {
		double seg = std::sqrt(len_sq(sub(strip[k + 2], strip[k])));
		if (inclusive ? target <= acc + seg : target < acc + seg) {
			k_cut = k;
			cut = lerp(strip[k], strip[k + 2], (target - acc) / seg);
			return true;
		}
		acc += seg;
	}
	return false;
}
}  // namespace

void RemoveFromQuadStripFront(std::vector<Point3>& strip, double len, std::vector<Point3>& out, bool square_cut) {
	out.clear();
	if (strip.size() < 4) return;
	double target_odd = len, target_even = len;
	if (square_cut) {
		double o = LongerSideOfQuad(strip);
		if (o < 0.0)
			target_odd = len - o;
		else
			target_even = len + o;
	}
	if (len <= 0.0) return;

	std::size_t k_odd = 0, k_even = 0;
	Point3 c_odd, c_even;
	if (!cut_side(strip, 1, target_odd, false, k_odd, c_odd)) return;
	if (!cut_side(strip, 0, target_even, true, k_even, c_even)) return;

	const std::size_t e = k_even + 1;
	const std::size_t lo = std::min(k_odd, e), hi = std::max(k_odd, e);
	out.assign(strip.begin(), strip.begin() + static_cast<std::ptrdiff_t>(lo + 1));
	strip.erase(strip.begin(), strip.begin() + static_cast<std::ptrdiff_t>(hi + 1));
	out.push_back(c_even);
	out.push_back(c_odd);
	if (strip.size() < 2 || (!same(strip[0], c_even) && !same(strip[1], c_odd))) {
		strip.insert(strip.begin(), {c_even, c_odd});
	}
}

void RemoveFromQuadStripBack(std::vector<Point3>& strip, double len, std::vector<Point3>& out, bool square_cut) {
	ReverseQuadStrip(strip);
	RemoveFromQuadStripFront(strip, len, out, square_cut);
	ReverseQuadStrip(strip);
}

bool IntersectLinesAroundJunction(Line3 const& a, Line3 const& b, Point3 const& junction, Point3& out) {
	if (parallel(a.dir, b.dir)) return false;
	Vector3 N = unit(unit(cross(a.dir, b.dir)));
	Vector3 k1 = unit(cross(a.dir, N));
	Vector3 k2 = unit(cross(b.dir, N));
	Line3 meet;
	if (!plane_pair_line(k1, dot(k1, a.point), k2, dot(k2, b.point), meet)) return false;
	double nd = dot(N, meet.dir);
	if (nd == 0.0) return false;
	double t = (dot(N, junction) - dot(N, meet.point)) / nd;
	out = add_scaled(meet.point, meet.dir, t);
	return true;
}

void BezierCurve(Point3 const& p1, Point3 const& p2, bool has_c1, bool has_c2, Point3 const& c1, Point3 const& c2,
                 int segments, double trim1, double trim2, std::vector<Point3>& out) {
	int steps = (has_c1 || has_c2) ? std::max(segments, 1) : 1;
	out.clear();
	out.push_back(p1);
	Point3 A = has_c1 ? c1 : p1;
	Point3 B = has_c2 ? c2 : p2;
	Vector3 span = sub(p2, p1);
	if (steps > 1 && parallel(sub(A, p1), span) && parallel(sub(B, p1), span)) steps = 1;
	for (int i = 1; i < steps; ++i) {
		const float t = static_cast<float>(i) / static_cast<float>(steps);
		const double td = t, u = 1.0 - td;
		const double w0 = u * u * u;
		const double w1 = static_cast<float>(3.0 * u * u * td);
		const double w2 = static_cast<float>(3.0 * u * td * td);
		const double w3 = td * td * td;
		Point3 q = {w0 * p1.x + w1 * A.x + w2 * B.x + w3 * p2.x, w0 * p1.y + w1 * A.y + w2 * B.y + w3 * p2.y,
		            w0 * p1.z + w1 * A.z + w2 * B.z + w3 * p2.z};
		if (trim1 > 0.0 && len_sq(sub(q, p1)) < trim1 * trim1) continue;
		if (trim2 > 0.0 && len_sq(sub(q, p2)) < trim2 * trim2) continue;
		out.push_back(q);
	}
	out.push_back(p2);
}

void ExtendBoundingSphereToPt(Point3 const& p, Sphere3& s) {
	if (s.radius_squared < len_sq(sub(p, s.c))) ExtendBoundingSphereToPt1(p, s);
}

void ExtendBoundingSphereToPt1(Point3 const& p, Sphere3& s) {
	Vector3 u = unit(sub(p, s.c));
	Point3 F = add_scaled(s.c, u, -std::sqrt(s.radius_squared));
	s.c = mid(F, p);
	s.radius_squared = len_sq(sub(p, s.c));
}

void ExtendBoundingSphereToSphere(Sphere3 const& in, Sphere3& s) {
	if (in.radius_squared == 0.0) return;
	if (s.radius_squared == 0.0) {
		s = in;
		return;
	}
	double r_in = std::sqrt(in.radius_squared), r_s = std::sqrt(s.radius_squared);
	double d_sq = len_sq(sub(in.c, s.c));
	if ((r_s - r_in) * (r_s - r_in) >= d_sq) {
		// One holds the other: keep the larger.
		if (r_in > r_s) s = in;
		return;
	}
	Vector3 u = unit(sub(in.c, s.c));
	Point3 F = add_scaled(s.c, u, -r_s);
	Point3 G = add_scaled(in.c, u, r_in);
	s.c = mid(F, G);
	s.radius_squared = len_sq(sub(F, s.c));
}

void FastBoundingSphere(std::vector<Point3> const& pts, Sphere3& s) {
	if (pts.empty()) return;
	std::vector<Point3> sorted = pts;
	std::sort(sorted.begin(), sorted.end(), lesser_y_then_x_then_z());
	s.c = mid(sorted.front(), sorted.back());
	s.radius_squared = len_sq(sub(sorted.front(), s.c));
	for (std::size_t i = 1; i + 1 < sorted.size(); ++i) {
		if (s.radius_squared < len_sq(sub(sorted[i], s.c))) ExtendBoundingSphereToPt1(sorted[i], s);
	}
}
