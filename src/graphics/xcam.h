// Matrix helpers (16 doubles, column-major as glLoadMatrixd takes them:
// row r, column c at 4c + r) and the camera that owns a projection and a
// model-view matrix with what culling and sprites need of them.
#pragma once

extern double const gIdentity[16];

void setIdentityMatrix(double* m);
void copyMatrix(double* dst, double const* src);
void transposeMatrix(double* dst, double const* src);
void addMatrices(double* dst, double const* a, double const* b);
// dst = a * b; dst may be a or b.
void multMatrices(double* dst, double const* a, double const* b);
// 1 with dst the inverse; 0 with dst untouched when src is singular.
int invertMatrix(double* dst, double const* src);
void buildOrthoMatrix(double* m, double l, double r, double b, double t, double n, double f);
void buildFrustumMatrix(double* m, double l, double r, double b, double t, double n, double f);
void buildPerspectiveMatrix(double* m, double fovy, double aspect, double n, double f);
void buildLookAtMatrix(double* m, double ex, double ey, double ez, double cx, double cy, double cz, double ux,
                       double uy, double uz);
void buildRotation(double* m, double angle, double x, double y, double z);
void applyTranslation(double* m, double x, double y, double z);
void applyRotation(double* m, double angle, double x, double y, double z);
void vec3_assign(double* v, double x, double y, double z);
void printMatrix(char const* title, double const* m);

class xcam_class {
public:
	unsigned char ortho;  // 1 orthographic, 0 perspective
	double near_z;        // eye-space z of the near plane (minus the distance)
	double far_z;
	double fake_far_z;    // never farther than far_z
	// Unit normals of a perspective frustum's side planes, in eye space.
	double top_nrml[3], left_nrml[3], right_nrml[3], bottom_nrml[3];
	double box_t, box_l, box_r, box_b;  // the orthographic box
	unsigned char changed;     // either matrix changed
	unsigned char modl_stale;  // GL's model-view may differ from modl
	double proj[16];
	double modl[16];

	xcam_class();
	xcam_class(xcam_class const& other) = default;
	explicit xcam_class(xcam_class const* other);
	xcam_class& operator=(xcam_class const& other) = default;

	void SetupOrtho(double l, double r, double b, double t, double n, double f);
	void SetupFrustum(double l, double r, double b, double t, double n, double f);
	void SetupPerspective(double fovy, double aspect, double n, double f);
	void Identity();
	void Translate(double x, double y, double z);
	void Rotate(double angle, double x, double y, double z);
	void LookAtPtFromPt(double ex, double ey, double ez, double cx, double cy, double cz, double ux, double uy,
	                    double uz);
	void LookAtPtFromDir(double px, double py, double pz, double heading, double pitch, double dist);
	void SetFakeFarClippingPlane(double d);
	void ResetFakeFarClippingPlane();
	int GetFOVHalfCosines(float* h, float* v);
	void CalcUp(double* out);
	void CalcDirection(double* out);
	void CalcRight(double* out);
	void CalcBillboardGround(float* right, float* up);
	void CalcBillboardCamera(float* right, float* up);
	// World point to window coordinates of the 2-D drawing (out[0], out[1]).
	void mtr_to_pix(double const* p, double* out);
	// Fits this camera, looking along dir from dist away, around other's view.
	void LookAtCamera(xcam_class const* other, double const* dir, double dist);
	bool GetFrustumBounds(double range, double y0, double y1, double* min, double* max);
	// Adds to the box the part of segment p-q whose height lies in [y0, y1].
	static void accum_segment(double y0, double y1, double const* p, double const* q, double* min, double* max);

private:
	void sync_modl();
};

extern xcam_class xcam;
