// Geometry types, moved sides, polygon inset and reduction, point-in-polygon
// and half-plane clipping.
#include <algorithm>
#include <cmath>
#include <limits>

#include "content/geometry/geometry.h"
#include "content/geometry/geometry_math.h"

using namespace geom;

const double PI2 = 6.283185307179586;

namespace {
const double PI = 3.14159265358979323846;

double ratio_at(double const* ratios, std::size_t k) { return ratios ? ratios[k] : 1.0; }
}  // namespace

Point2 CoordTranslator::Forward(Point2 p) const {
	return {dstMin.x + (p.x - srcMin.x) * (dstMax.x - dstMin.x) / (srcMax.x - srcMin.x),
	        dstMin.y + (p.y - srcMin.y) * (dstMax.y - dstMin.y) / (srcMax.y - srcMin.y)};
}

Point2 CoordTranslator::Reverse(Point2 p) const {
	return {srcMin.x + (p.x - dstMin.x) * (srcMax.x - srcMin.x) / (dstMax.x - dstMin.x),
	        srcMin.y + (p.y - dstMin.y) * (srcMax.y - srcMin.y) / (dstMax.y - dstMin.y)};
}

bool Is_CCW_Between(Vector2 const& a, Vector2 const& b, Vector2 const& c) {
	double al = std::atan2(a.dy, a.dx);
	double be = std::atan2(b.dy, b.dx);
	double ga = std::atan2(c.dy, c.dx);
	if (al == ga) return true;
	if (al <= -PI) al += PI2;
	if (be <= -PI) be += PI2;
	if (ga <= -PI) ga += PI2;
	if (al > be) be += PI2;
	if (al > ga) ga += PI2;
	return be > al && ga > be;
}

void MoveSegLeft(Segment2 const& s, double dist, Segment2& out) {
	Vector2 n = unit_axis_exact({-(s.p2.y - s.p1.y), s.p2.x - s.p1.x});
	out.p1 = {s.p1.x + dist * n.dx, s.p1.y + dist * n.dy};
	out.p2 = {s.p2.x + dist * n.dx, s.p2.y + dist * n.dy};
}

void MoveSegLeft(Segment3 const& s, double dist, Segment3& out, Vector3 const& up) {
	Vector3 n = unit(cross(up, sub(s.p2, s.p1)));
	out.p1 = add_scaled(s.p1, n, dist);
	out.p2 = add_scaled(s.p2, n, dist);
}

double CalcMaxInset(Polygon2 const& poly, double const* ratios, bool is_ring) {
	const std::size_t n = poly.size();
	const std::size_t sides = is_ring ? n : (n > 0 ? n - 1 : 0);
	if (sides < 1) return 0.0;

	auto dir = [](Point2 from, Point2 to) { return std::atan2(to.y - from.y, to.x - from.x); };
	auto interior = [](double turn) {
		double a = PI - turn;
		return a > PI ? a - PI2 : a;
	};

	bool any = false;
	double best = std::numeric_limits<double>::infinity();
	for (std::size_t k = 0; k < sides; ++k) {
		const std::size_t ib = (k + 1) % n;
		Point2 A = poly[k], B = poly[ib];
		Point2 P = poly[k == 0 ? n - 1 : k - 1];
		std::size_t iq = k + 2 < n ? k + 2 : 0;
		if (ib == 0 && n > 1) iq = 1;
		Point2 Q = poly[iq];
		double r = ratio_at(ratios, k);
		double r_prev = ratio_at(ratios, k == 0 ? n - 1 : k - 1);

		double speed = 0.0;
		if (is_ring || k != 0) {
			double al = interior(dir(A, B) - dir(P, A));
			speed += std::cos(al) / std::sin(al) * r + r_prev / std::sin(al);
		}
		if (is_ring || k != sides - 1) {
			double be = interior(dir(B, Q) - dir(A, B));
			speed += std::cos(be) / std::sin(be) * r + r_prev / std::sin(be);
		}
		if (speed > 0.0) {
			double len = std::sqrt(len_sq(sub(B, A))) / speed;
			best = any ? std::min(best, len) : len;
			any = true;
		}
	}
	return any ? best : 0.0;
}

void ReducePolygon(Polygon2& poly, double max_dev_sq, double min_cos, double min_len, double min_dist) {
	const double min_dist_sq = min_dist * min_dist;
	const double min_len_sq = min_len * min_len;
	bool erased = true;
	while (erased) {
		erased = false;
		// Each erase is followed by i + 1: the vertex that slid into slot i
		// waits for the next pass.
		for (std::size_t i = 0; i < poly.size() && poly.size() > 3; ++i) {
			const std::size_t n = poly.size();
			Point2 p = poly[i];
			Point2 prev = poly[(i + n - 1) % n];
			Point2 next = poly[(i + 1) % n];
			Vector2 a = sub(p, prev), b = sub(next, p);
			bool drop = false;
			if (len_sq(a) < min_dist_sq || len_sq(b) < min_dist_sq) {
				drop = true;
			} else if (len_sq(a) > min_len_sq && len_sq(b) > min_len_sq) {
				Vector2 au = unit_axis_exact(a), bu = unit_axis_exact(b);
				Vector2 base = sub(next, prev);
				Vector2 off = sub(p, prev);
				double cr = base.dx * off.dy - base.dy * off.dx;
				double dev_sq = cr * cr / len_sq(base);
				if (dev_sq < max_dev_sq && au.dx * bu.dx + au.dy * bu.dy > min_cos) drop = true;
			}
			if (drop) {
				poly.erase(poly.begin() + static_cast<std::ptrdiff_t>(i));
				erased = true;
			}
		}
	}
}

namespace {
// Line of a segment as L x + M y + K = 0.
struct LineLMK {
	double L, M, K;
};
LineLMK line_of(Segment2 const& s) {
	double L = s.p1.y - s.p2.y, M = s.p2.x - s.p1.x;
	return {L, M, -(L * s.p1.x + M * s.p1.y)};
}
bool same2(Point2 a, Point2 b) { return a.x == b.x && a.y == b.y; }
}  // namespace

void InsetPolygon(Polygon2 const& in, double const* ratios, double inset, bool is_ring, Polygon2& out,
                  void (*func)(int, void*), void* ref) {
	out.clear();
	const std::size_t n = in.size();
	std::vector<Segment2> sides(n), moved(n);
	for (std::size_t k = 0; k < n; ++k) {
		sides[k] = {in[k], in[(k + 1) % n]};
		MoveSegLeft(sides[k], inset * ratio_at(ratios, k), moved[k]);
	}
	int caps = 0;
	for (std::size_t i = 0; i < n; ++i) {
		const std::size_t j = i == 0 ? n - 1 : i - 1;
		if (!is_ring && i == 0) {
			out.push_back(moved[0].p1);
		} else if (!is_ring && i == n - 1) {
			out.push_back(moved[j].p2);
		} else if (same2(sides[j].p1, sides[i].p2)) {
			Segment2 cap;
			MoveSegLeft({moved[j].p2, moved[i].p1}, inset * ratio_at(ratios, i), cap);
			out.push_back(cap.p1);
			out.push_back(cap.p2);
			if (func) func(caps + static_cast<int>(i), ref);
			++caps;
		} else {
			LineLMK li = line_of(moved[i]), lj = line_of(moved[j]);
			if (li.L * lj.M == lj.L * li.M) continue;
			out.push_back({(li.M * lj.K - lj.M * li.K) / (li.L * lj.M - lj.L * li.M),
			               (li.L * lj.K - lj.L * li.K) / (lj.L * li.M - li.L * lj.M)});
		}
	}
}

void InsetPolygon(Polygon3 const& in, double const* ratios, double inset, bool is_ring, Vector3 const& up,
                  Polygon3& out) {
	out.clear();
	const std::size_t n = in.size();
	std::vector<Segment3> sides(n), moved(n);
	for (std::size_t k = 0; k < n; ++k) {
		sides[k] = {in[k], in[(k + 1) % n]};
		MoveSegLeft(sides[k], inset * ratio_at(ratios, k), moved[k], up);
	}
	for (std::size_t i = 0; i < n; ++i) {
		const std::size_t j = i == 0 ? n - 1 : i - 1;
		if (!is_ring && i == 0) {
			out.push_back(moved[0].p1);
		} else if (!is_ring && i == n - 1) {
			out.push_back(moved[j].p2);
		} else if (same(sides[j].p1, sides[i].p2)) {
			Segment3 cap;
			MoveSegLeft({moved[j].p2, moved[i].p1}, inset * ratio_at(ratios, i), cap, up);
			out.push_back(cap.p1);
			out.push_back(cap.p2);
		} else {
			// Where moved side i meets the upright plane through moved side j.
			Vector3 N = unit(cross(sub(moved[j].p2, moved[j].p1), up));
			Vector3 e = sub(moved[i].p2, moved[i].p1);
			double ne = dot(N, e);
			if (ne == 0.0) continue;
			double t = (dot(N, moved[j].p2) - dot(N, moved[i].p1)) / ne;
			out.push_back(add_scaled(moved[i].p1, e, t));
		}
	}
}

bool PointInPolygon3(Polygon3 const& poly, Point3 const& p) {
	const std::size_t n = poly.size();
	if (n < 3) return false;
	Vector3 N = unit(cross(sub(poly[1], poly[0]), sub(poly[1], poly[2])));
	for (std::size_t k = 0; k < n; ++k) {
		Point3 q = poly[k], q_next = poly[(k + 1) % n];
		Vector3 m = unit(cross(N, sub(q_next, q)));
		if (dot(m, p) - dot(m, q) > 0.0) return false;
	}
	return true;
}

void ClipToHalfPlane3(Polygon3 const& in, Plane3 const& plane, Polygon3& out) {
	out.clear();
	const std::size_t n = in.size();
	// Each vertex is judged by its own side, so one lying on the plane is
	// kept and starts no crossing.
	for (std::size_t k = 0; k < n; ++k) {
		Point3 cur = in[k], next = in[(k + 1) % n];
		double dc = dot(plane.n, cur) - plane.d;
		double dn = dot(plane.n, next) - plane.d;
		if (dc <= 0.0) out.push_back(cur);
		if ((dc < 0.0 && dn > 0.0) || (dc > 0.0 && dn < 0.0)) {
			double t = dc / (dc - dn);  // in 0..1 because the signs differ
			Point3 q = {cur.x * (1.0 - t) + next.x * t, cur.y * (1.0 - t) + next.y * t,
			            cur.z * (1.0 - t) + next.z * t};
			if (!same(q, cur) && !same(q, next)) out.push_back(q);
		}
	}
}
