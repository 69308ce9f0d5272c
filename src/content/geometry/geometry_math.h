// Small vector helpers shared by the geometry units; not for callers.
#pragma once
#include <cmath>
#include "content/geometry/geometry.h"

namespace geom {

inline Vector2 sub(Point2 a, Point2 b) { return {a.x - b.x, a.y - b.y}; }
inline double len_sq(Vector2 v) { return v.dx * v.dx + v.dy * v.dy; }
inline double sgn(double v) { return v > 0.0 ? 1.0 : (v < 0.0 ? -1.0 : 0.0); }

// Unit length, except that a zero component makes the other one its sign,
// so axis directions come out exact; a zero vector stays zero.
inline Vector2 unit_axis_exact(Vector2 v) {
	if (v.dx == 0.0) return {0.0, sgn(v.dy)};
	if (v.dy == 0.0) return {sgn(v.dx), 0.0};
	double l = std::sqrt(len_sq(v));
	return {v.dx / l, v.dy / l};
}

inline Vector3 sub(Point3 a, Point3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Point3 add(Point3 p, Vector3 v) { return {p.x + v.dx, p.y + v.dy, p.z + v.dz}; }
inline Point3 add_scaled(Point3 p, Vector3 v, double k) { return {p.x + v.dx * k, p.y + v.dy * k, p.z + v.dz * k}; }
inline Vector3 scale(Vector3 v, double k) { return {v.dx * k, v.dy * k, v.dz * k}; }
inline double dot(Vector3 a, Vector3 b) { return a.dx * b.dx + a.dy * b.dy + a.dz * b.dz; }
// A point read as the vector from the origin.
inline double dot(Vector3 a, Point3 p) { return a.dx * p.x + a.dy * p.y + a.dz * p.z; }
inline double len_sq(Vector3 v) { return dot(v, v); }
inline Vector3 cross(Vector3 a, Vector3 b) {
	return {a.dy * b.dz - a.dz * b.dy, a.dz * b.dx - a.dx * b.dz, a.dx * b.dy - a.dy * b.dx};
}
// Normalised when not zero.
inline Vector3 unit(Vector3 v) {
	double l = std::sqrt(len_sq(v));
	return l != 0.0 ? Vector3{v.dx / l, v.dy / l, v.dz / l} : v;
}
inline bool same(Point3 a, Point3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
inline bool same(Vector3 a, Vector3 b) { return a.dx == b.dx && a.dy == b.dy && a.dz == b.dz; }
// Parallel (or zero) when every component of a x b compares equal as products.
inline bool parallel(Vector3 a, Vector3 b) {
	return a.dy * b.dz == a.dz * b.dy && a.dz * b.dx == a.dx * b.dz && a.dx * b.dy == a.dy * b.dx;
}

// Midpoint that keeps a coordinate both ends share exactly.
inline double mid(double a, double b) { return a == b ? a : 0.5 * a + 0.5 * b; }
inline Point3 mid(Point3 a, Point3 b) { return {mid(a.x, b.x), mid(a.y, b.y), mid(a.z, b.z)}; }

// a + (b - a) f with the ends and shared coordinates exact.
inline double lerp(double a, double b, double f) {
	if (a == b || f == 0.0) return a;
	if (f == 1.0) return b;
	return a + (b - a) * f;
}
inline Point3 lerp(Point3 a, Point3 b, double f) { return {lerp(a.x, b.x, f), lerp(a.y, b.y, f), lerp(a.z, b.z, f)}; }

}  // namespace geom
