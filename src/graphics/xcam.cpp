#include "graphics/xcam.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "foundation/app_globals.h"

double const gIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

xcam_class xcam;

namespace {

double const pi = 3.14159265358979323846;

void cross(double* out, double const* a, double const* b)
{
	double const x = a[1] * b[2] - a[2] * b[1];
	double const y = a[2] * b[0] - a[0] * b[2];
	double const z = a[0] * b[1] - a[1] * b[0];
	out[0] = x;
	out[1] = y;
	out[2] = z;
}

double dot(double const* a, double const* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void normalize(double* v)
{
	double const len = std::sqrt(dot(v, v));
	if (len == 0.0) return;
	v[0] /= len;
	v[1] /= len;
	v[2] /= len;
}

// out = m * (v, w); out has four entries.
void transform(double* out, double const* m, double const* v, double w)
{
	double r[4];
	for (int i = 0; i < 4; ++i) r[i] = m[i] * v[0] + m[4 + i] * v[1] + m[8 + i] * v[2] + m[12 + i] * w;
	std::memcpy(out, r, sizeof r);
}

void add_point(double const* p, double* min, double* max)
{
	for (int i = 0; i < 3; ++i) {
		if (static_cast<float>(p[i]) < static_cast<float>(min[i])) min[i] = p[i];
		if (static_cast<float>(p[i]) > static_cast<float>(max[i])) max[i] = p[i];
	}
}

}  // namespace

// ---- matrices -------------------------------------------------------------------

void setIdentityMatrix(double* m) { std::memcpy(m, gIdentity, sizeof gIdentity); }

void copyMatrix(double* dst, double const* src) { std::memmove(dst, src, 16 * sizeof(double)); }

void transposeMatrix(double* dst, double const* src)
{
	double t[16];
	for (int r = 0; r < 4; ++r)
		for (int c = 0; c < 4; ++c) t[4 * r + c] = src[4 * c + r];
	std::memcpy(dst, t, sizeof t);
}

void addMatrices(double* dst, double const* a, double const* b)
{
	for (int i = 0; i < 16; ++i) dst[i] = a[i] + b[i];
}

void multMatrices(double* dst, double const* a, double const* b)
{
	double t[16];
	for (int c = 0; c < 4; ++c)
		for (int r = 0; r < 4; ++r) {
			double s = 0;
			for (int k = 0; k < 4; ++k) s += a[4 * k + r] * b[4 * c + k];
			t[4 * c + r] = s;
		}
	std::memcpy(dst, t, sizeof t);
}

int invertMatrix(double* dst, double const* src)
{
	// Rows of [src | identity], eliminated in place.
	double w[4][8];
	for (int r = 0; r < 4; ++r)
		for (int c = 0; c < 4; ++c) {
			w[r][c] = src[4 * c + r];
			w[r][4 + c] = r == c ? 1.0 : 0.0;
		}
	for (int col = 0; col < 4; ++col) {
		int pivot = col;
		for (int r = col + 1; r < 4; ++r)
			if (std::fabs(w[r][col]) > std::fabs(w[pivot][col])) pivot = r;
		if (w[pivot][col] == 0.0) return 0;
		if (pivot != col)
			for (int c = 0; c < 8; ++c) std::swap(w[pivot][c], w[col][c]);
		double const p = w[col][col];
		for (int c = 0; c < 8; ++c) w[col][c] /= p;
		for (int r = 0; r < 4; ++r) {
			if (r == col) continue;
			double const f = w[r][col];
			if (f == 0.0) continue;
			for (int c = 0; c < 8; ++c) w[r][c] -= f * w[col][c];
		}
	}
	for (int r = 0; r < 4; ++r)
		for (int c = 0; c < 4; ++c) dst[4 * c + r] = w[r][4 + c];
	return 1;
}

void buildOrthoMatrix(double* m, double l, double r, double b, double t, double n, double f)
{
	setIdentityMatrix(m);
	m[0] = 2.0 / (r - l);
	m[5] = 2.0 / (t - b);
	m[10] = -2.0 / (f - n);
	m[12] = -(r + l) / (r - l);
	m[13] = -(t + b) / (t - b);
	m[14] = -(f + n) / (f - n);
}

void buildFrustumMatrix(double* m, double l, double r, double b, double t, double n, double f)
{
	std::memset(m, 0, 16 * sizeof(double));
	m[0] = 2.0 * n / (r - l);
	m[5] = 2.0 * n / (t - b);
	m[8] = (r + l) / (r - l);
	m[9] = (t + b) / (t - b);
	m[10] = -(f + n) / (f - n);
	m[11] = -1.0;
	m[14] = -2.0 * f * n / (f - n);
}

void buildPerspectiveMatrix(double* m, double fovy, double aspect, double n, double f)
{
	double const y = n * std::tan(pi * fovy / 360.0);
	buildFrustumMatrix(m, -y * aspect, y * aspect, -y, y, n, f);
}

void buildLookAtMatrix(double* m, double ex, double ey, double ez, double cx, double cy, double cz, double ux,
                       double uy, double uz)
{
	double z[3] = {ex - cx, ey - cy, ez - cz};
	normalize(z);
	double const up[3] = {ux, uy, uz};
	double x[3], y[3];
	cross(x, up, z);
	cross(y, z, x);
	normalize(x);
	normalize(y);
	double const eye[3] = {ex, ey, ez};
	for (int c = 0; c < 3; ++c) {
		m[4 * c + 0] = x[c];
		m[4 * c + 1] = y[c];
		m[4 * c + 2] = z[c];
		m[4 * c + 3] = 0.0;
	}
	m[12] = -dot(x, eye);
	m[13] = -dot(y, eye);
	m[14] = -dot(z, eye);
	m[15] = 1.0;
}

void buildRotation(double* m, double angle, double x, double y, double z)
{
	double s = std::sin(angle * pi / 180.0);
	double const c = std::cos(angle * pi / 180.0);
	setIdentityMatrix(m);
	int const nonzero = (x != 0.0) + (y != 0.0) + (z != 0.0);
	if (nonzero == 1) {
		if (x != 0.0) {
			if (x < 0) s = -s;
			m[5] = c, m[9] = -s, m[6] = s, m[10] = c;
		} else if (y != 0.0) {
			if (y < 0) s = -s;
			m[0] = c, m[8] = s, m[2] = -s, m[10] = c;
		} else {
			if (z < 0) s = -s;
			m[0] = c, m[4] = -s, m[1] = s, m[5] = c;
		}
		return;
	}
	double const len = std::sqrt(x * x + y * y + z * z);
	if (len <= 1.0e-4) return;
	x /= len, y /= len, z /= len;
	double const one_c = 1.0 - c;
	m[0] = x * x * one_c + c;
	m[4] = x * y * one_c - z * s;
	m[8] = x * z * one_c + y * s;
	m[1] = y * x * one_c + z * s;
	m[5] = y * y * one_c + c;
	m[9] = y * z * one_c - x * s;
	m[2] = z * x * one_c - y * s;
	m[6] = z * y * one_c + x * s;
	m[10] = z * z * one_c + c;
}

void applyTranslation(double* m, double x, double y, double z)
{
	for (int r = 0; r < 4; ++r) m[12 + r] += m[r] * x + m[4 + r] * y + m[8 + r] * z;
}

void applyRotation(double* m, double angle, double x, double y, double z)
{
	double rot[16];
	buildRotation(rot, angle, x, y, z);
	multMatrices(m, m, rot);
}

void vec3_assign(double* v, double x, double y, double z)
{
	v[0] = x;
	v[1] = y;
	v[2] = z;
}

void printMatrix(char const* title, double const* m)
{
	std::printf("%s\n", title ? title : "");
	for (int r = 0; r < 4; ++r) std::printf(" [ %f %f %f %f ]\n", m[r], m[4 + r], m[8 + r], m[12 + r]);
	std::printf("\n");
}

// ---- camera ---------------------------------------------------------------------

xcam_class::xcam_class()
    : ortho(1), near_z(0), far_z(0), fake_far_z(0), top_nrml{}, left_nrml{}, right_nrml{}, bottom_nrml{},
      box_t(0), box_l(0), box_r(0), box_b(0), changed(1), modl_stale(1)
{
	setIdentityMatrix(proj);
	setIdentityMatrix(modl);
}

xcam_class::xcam_class(xcam_class const* other) : xcam_class()
{
	if (other) *this = *other;
}

void xcam_class::SetupOrtho(double l, double r, double b, double t, double n, double f)
{
	ortho = 1;
	buildOrthoMatrix(proj, l, r, b, t, n, f);
	box_t = t, box_l = l, box_r = r, box_b = b;
	near_z = -n;
	far_z = fake_far_z = -f;
	changed = 1;
}

void xcam_class::SetupFrustum(double l, double r, double b, double t, double n, double f)
{
	ortho = 0;
	buildFrustumMatrix(proj, l, r, b, t, n, f);
	double lt[3] = {l, t, -n}, rt[3] = {r, t, -n}, lb[3] = {l, b, -n}, rb[3] = {r, b, -n};
	normalize(lt), normalize(rt), normalize(lb), normalize(rb);
	cross(top_nrml, lt, rt);
	cross(left_nrml, lb, lt);
	cross(right_nrml, rt, rb);
	cross(bottom_nrml, rb, lb);
	normalize(top_nrml), normalize(left_nrml), normalize(right_nrml), normalize(bottom_nrml);
	near_z = -n;
	far_z = fake_far_z = -f;
	changed = 1;
}

void xcam_class::SetupPerspective(double fovy, double aspect, double n, double f)
{
	double const y = n * std::tan(pi * fovy / 360.0);
	SetupFrustum(-y * aspect, y * aspect, -y, y, n, f);
}

void xcam_class::Identity()
{
	setIdentityMatrix(modl);
	changed = 1;
}

void xcam_class::Translate(double x, double y, double z)
{
	applyTranslation(modl, x, y, z);
	changed = 1;
}

void xcam_class::Rotate(double angle, double x, double y, double z)
{
	applyRotation(modl, angle, x, y, z);
	changed = 1;
}

void xcam_class::LookAtPtFromPt(double ex, double ey, double ez, double cx, double cy, double cz, double ux,
                                double uy, double uz)
{
	buildLookAtMatrix(modl, ex, ey, ez, cx, cy, cz, ux, uy, uz);
	changed = 1;
}

void xcam_class::LookAtPtFromDir(double px, double py, double pz, double heading, double pitch, double dist)
{
	double const h = heading * pi / 180.0, p = pitch * pi / 180.0;
	LookAtPtFromPt(px + dist * std::cos(h) * std::cos(p), py + dist * std::sin(p),
	               pz + dist * std::sin(h) * std::cos(p), px, py, pz, 0, 1, 0);
}

void xcam_class::SetFakeFarClippingPlane(double d)
{
	float const want = static_cast<float>(-d), real = static_cast<float>(far_z);
	fake_far_z = want > real ? want : real;
}

void xcam_class::ResetFakeFarClippingPlane() { fake_far_z = far_z; }

int xcam_class::GetFOVHalfCosines(float* h, float* v)
{
	if (ortho) return 0;
	if (h) *h = static_cast<float>((left_nrml[0] - right_nrml[0]) / 2.0);
	if (v) *v = static_cast<float>((bottom_nrml[1] - top_nrml[1]) / 2.0);
	return 1;
}

void xcam_class::sync_modl()
{
	if (modl_stale) glGetDoublev(GL_MODELVIEW_MATRIX, modl);
	modl_stale = 0;
	changed = 1;
}

void xcam_class::CalcUp(double* out)
{
	sync_modl();
	vec3_assign(out, modl[1], modl[5], modl[9]);
	normalize(out);
}

void xcam_class::CalcDirection(double* out)
{
	sync_modl();
	vec3_assign(out, -modl[2], -modl[6], -modl[10]);
	normalize(out);
}

void xcam_class::CalcRight(double* out)
{
	double dir[3], up[3];
	CalcDirection(dir);
	CalcUp(up);
	cross(out, dir, up);
}

void xcam_class::CalcBillboardGround(float* right, float* up)
{
	double dir[3], r[3], u[3];
	double const world_up[3] = {0, 1, 0};
	CalcDirection(dir);
	cross(r, dir, world_up);
	normalize(r);
	cross(u, r, dir);
	normalize(u);
	for (int i = 0; i < 3; ++i) right[i] = static_cast<float>(r[i]), up[i] = static_cast<float>(u[i]);
}

void xcam_class::CalcBillboardCamera(float* right, float* up)
{
	double dir[3], cam_up[3], r[3];
	CalcDirection(dir);
	CalcUp(cam_up);
	cross(r, dir, cam_up);
	normalize(r);
	for (int i = 0; i < 3; ++i) right[i] = static_cast<float>(r[i]), up[i] = static_cast<float>(cam_up[i]);
}

void xcam_class::mtr_to_pix(double const* p, double* out)
{
	double eye[4], c[4];
	transform(eye, modl, p, 1.0);
	double const e3[3] = {eye[0], eye[1], eye[2]};
	transform(c, proj, e3, eye[3]);
	if (c[3] != 0.0) {
		c[0] /= c[3];
		c[1] /= c[3];
	}
	GLint vp[4] = {0, 0, 0, 0};
	glGetIntegerv(GL_VIEWPORT, vp);
	double const X = (c[0] + 1.0) / 2.0 * vp[2] + vp[0];
	double const Y = (c[1] + 1.0) / 2.0 * vp[3] + vp[1];
	out[0] = (X - mnw.org_x) / mnw.pix_scale;
	out[1] = (Y - mnw.org_y) / mnw.pix_scale;
}

void xcam_class::LookAtCamera(xcam_class const* other, double const* dir, double dist)
{
	double inv_proj[16], inv_modl[16];
	if (!invertMatrix(inv_proj, other->proj) || !invertMatrix(inv_modl, other->modl)) return;
	double const* eye = inv_modl + 12;
	buildLookAtMatrix(modl, eye[0] - dist * dir[0], eye[1] - dist * dir[1], eye[2] - dist * dir[2], eye[0], eye[1],
	                  eye[2], 0, 1, 0);
	changed = 1;

	double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
	double const plane_dist[2] = {-other->near_z, -other->far_z};
	for (int i = 0; i < 8; ++i) {
		double const d = plane_dist[i & 1];
		double const ndc[3] = {(i & 2 ? 1.0 : -1.0) * d, (i & 4 ? 1.0 : -1.0) * d, (i & 1 ? 1.0 : -1.0) * d};
		double e[4], w[4], mine[4];
		transform(e, inv_proj, ndc, d);
		if (e[3] != 0.0) e[0] /= e[3], e[1] /= e[3], e[2] /= e[3];
		transform(w, inv_modl, e, 1.0);
		transform(mine, modl, w, 1.0);
		for (int k = 0; k < 3; ++k) {
			if (i == 0 || mine[k] < lo[k]) lo[k] = mine[k];
			if (i == 0 || mine[k] > hi[k]) hi[k] = mine[k];
		}
	}
	// Eye space looks down -z: the nearest point has the largest z.
	SetupOrtho(lo[0], hi[0], lo[1], hi[1], -hi[2], -lo[2]);
}

bool xcam_class::GetFrustumBounds(double range, double y0, double y1, double* min, double* max)
{
	double const cut_far = far_z > -range ? far_z : -range;
	double inv_modl[16], inv_proj[16];
	if (!invertMatrix(inv_modl, modl)) return false;
	if (!ortho && !invertMatrix(inv_proj, proj)) return false;

	static int const corner[8][3] = {{-1, 1, -1}, {-1, 1, 1}, {1, 1, -1}, {1, 1, 1},
	                                 {-1, -1, -1}, {-1, -1, 1}, {1, -1, -1}, {1, -1, 1}};
	double world[8][4];
	for (int i = 0; i < 8; ++i) {
		double e[4];
		if (ortho) {
			e[0] = corner[i][0] < 0 ? box_l : box_r;
			e[1] = corner[i][1] < 0 ? box_b : box_t;
			e[2] = corner[i][2] < 0 ? near_z : cut_far;
		} else {
			double const c[3] = {double(corner[i][0]), double(corner[i][1]), double(corner[i][2])};
			transform(e, inv_proj, c, 1.0);
			if (e[3] != 0.0) e[0] /= e[3], e[1] /= e[3], e[2] /= e[3];
			if (e[2] < -range) {
				double const k = static_cast<float>(-range / e[2]);
				e[0] *= k, e[1] *= k, e[2] *= k;
			}
		}
		transform(world[i], inv_modl, e, 1.0);
	}

	vec3_assign(min, 9.9e9, 9.9e9, 9.9e9);
	vec3_assign(max, -9.9e9, -9.9e9, -9.9e9);
	static int const edge[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
	                                {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
	for (auto const& e : edge) accum_segment(y0, y1, world[e[0]], world[e[1]], min, max);
	return max[0] >= min[0];
}

void xcam_class::accum_segment(double y0, double y1, double const* p, double const* q, double* min, double* max)
{
	if (p[1] > q[1]) std::swap(p, q);
	if (p[1] == q[1]) {
		if (y0 <= p[1] && p[1] <= y1) {
			add_point(p, min, max);
			add_point(q, min, max);
		}
		return;
	}
	if (q[1] < y0 || p[1] > y1) return;
	auto at = [&](double y, double* out) {
		double const t = (y - p[1]) / (q[1] - p[1]);
		vec3_assign(out, p[0] + t * (q[0] - p[0]), y, p[2] + t * (q[2] - p[2]));
	};
	double a[3], b[3];
	at(p[1] > y0 ? p[1] : y0, a);
	at(q[1] < y1 ? q[1] : y1, b);
	add_point(a, min, max);
	add_point(b, min, max);
}
