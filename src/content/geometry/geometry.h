// Double-precision computational geometry: plain value types, polygon inset
// and clipping, quad strips, cubic curves and bounding spheres. Free
// functions without state.
//
// Sections:
//   types and the coordinate translator
//   angles, moved sides, polygon inset and reduction, clipping
//   quad strips, line junctions, curves, bounding spheres
#pragma once
#include <vector>

struct Point2 {
	double x = 0.0, y = 0.0;
};
struct Vector2 {
	double dx = 0.0, dy = 0.0;
};
struct Segment2 {
	Point2 p1, p2;
};
using Polygon2 = std::vector<Point2>;

struct Point3 {
	double x = 0.0, y = 0.0, z = 0.0;
};
struct Vector3 {
	double dx = 0.0, dy = 0.0, dz = 0.0;
};
struct Segment3 {
	Point3 p1, p2;
};
using Polygon3 = std::vector<Point3>;

struct Line3 {
	Point3 point;
	Vector3 dir;
};
// The points p with n . p = d.
struct Plane3 {
	Vector3 n;
	double d = 0.0;
};
// The radius is kept squared; a square root is taken only where needed.
struct Sphere3 {
	Point3 c;
	double radius_squared = 0.0;
};

// Maps the rectangle srcMin..srcMax linearly onto dstMin..dstMax. A zero
// extent gives what the division gives.
struct CoordTranslator {
	Point2 srcMin, srcMax, dstMin, dstMax;
	Point2 Forward(Point2 p) const;
	Point2 Reverse(Point2 p) const;
};

extern const double PI2;

// ---- angles, moved sides, inset, clipping --------------------------------

// Does direction b lie strictly between a and c, turning counter-clockwise
// from a to c? a equal to c in angle answers true for any b.
bool Is_CCW_Between(Vector2 const& a, Vector2 const& b, Vector2 const& c);

// The segment moved sideways to its left by dist. A zero-length segment
// stays where it is.
void MoveSegLeft(Segment2 const& s, double dist, Segment2& out);
// Left is taken about up: the side direction is up x (p2 - p1).
void MoveSegLeft(Segment3 const& s, double dist, Segment3& out, Vector3 const& up);

// `ratios`, where taken, is null (factor 1 everywhere) or holds one factor
// per vertex: side k runs from vertex k to vertex k+1 (wrapping), and the
// chain forms read the closing side's entry too, so it must hold n values.

// The largest inset distance the polygon or chain allows: the least of
// |side| / speed over the sides that shrink; 0 when none does.
double CalcMaxInset(Polygon2 const& poly, double const* ratios, bool is_ring);

// Erases, in repeated passes, vertices closer than min_dist to their
// neighbour and vertices whose sides (both longer than min_len) run nearly
// straight on (squared deviation below max_dev_sq, cosine above min_cos).
// Never leaves fewer than 3 vertices.
void ReducePolygon(Polygon2& poly, double max_dev_sq, double min_cos, double min_len, double min_dist);

// Inset of a ring or open chain, side k moved by inset * ratios[k]. Where
// the outline turns straight back, a cap of two points is made and
// func(caps + i, ref) tells the caller the output index of its first point.
// A junction of parallel sides adds no point.
void InsetPolygon(Polygon2 const& in, double const* ratios, double inset, bool is_ring, Polygon2& out,
                  void (*func)(int, void*), void* ref);
void InsetPolygon(Polygon3 const& in, double const* ratios, double inset, bool is_ring, Vector3 const& up,
                  Polygon3& out);

// Convex polygons only; a point on an edge is inside.
bool PointInPolygon3(Polygon3 const& poly, Point3 const& p);

// The part of the polygon where n . p <= d.
void ClipToHalfPlane3(Polygon3 const& in, Plane3 const& plane, Polygon3& out);

// ---- quad strips, junctions, curves, spheres ------------------------------

// A quad strip holds two points per station: 2k and 2k+1 are the two sides
// of station k; the even points form one side, the odd points the other.

// One up vector and one width per point. Fewer than 2 points leaves out
// untouched. Each station appends its plus side first, then its minus side.
void ChainToQuadStrip(std::vector<Point3> const& pts, std::vector<Vector3> const& ups,
                      std::vector<double> const& widths, std::vector<Point3>& out);
void ReverseQuadStrip(std::vector<Point3>& strip);
// Signed overhang of one side of the first quad over the other: negative
// when the odd side reaches further. Fewer than 4 points answers 0.
double LongerSideOfQuad(std::vector<Point3> const& quad);
// Cuts len off the front of the strip into out (the removed stations and the
// cut station); the strip then starts at the cut. square_cut lengthens one
// side so that the cut runs square to the first quad.
void RemoveFromQuadStripFront(std::vector<Point3>& strip, double len, std::vector<Point3>& out, bool square_cut);
void RemoveFromQuadStripBack(std::vector<Point3>& strip, double len, std::vector<Point3>& out, bool square_cut);

// The point on the common perpendicular of a and b level with junction
// along that perpendicular. False for parallel lines and degenerate input.
bool IntersectLinesAroundJunction(Line3 const& a, Line3 const& b, Point3 const& junction, Point3& out);

// Cubic curve from p1 to p2 in `segments` steps (one without control
// points or with controls on the line); tessellated points nearer than trim1
// to p1 or trim2 to p2 are dropped, the ends always kept.
void BezierCurve(Point3 const& p1, Point3 const& p2, bool has_c1, bool has_c2, Point3 const& c1, Point3 const& c2,
                 int segments, double trim1, double trim2, std::vector<Point3>& out);

void ExtendBoundingSphereToPt(Point3 const& p, Sphere3& s);
// Grows s to touch p and the far side of s, without checking containment.
void ExtendBoundingSphereToPt1(Point3 const& p, Sphere3& s);
void ExtendBoundingSphereToSphere(Sphere3 const& in, Sphere3& s);
// Empty input leaves s untouched.
void FastBoundingSphere(std::vector<Point3> const& pts, Sphere3& s);

struct lesser_y_then_x_then_z {
	bool operator()(Point3 const& a, Point3 const& b) const {
		if (a.y != b.y) return a.y < b.y;
		if (a.x != b.x) return a.x < b.x;
		return a.z < b.z;
	}
};
