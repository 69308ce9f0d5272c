#include "graphics/oglp.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>

#include "foundation/app_globals.h"
#include "graphics/xcam.h"

int num_units = 1;
oglp_class oglp;

namespace {

// The last applied state; seeded from GL at the first OGL_setstate, except
// the depth mask, which is taken as off whatever GL holds.
int o_fog, o_tex, o_lit, o_alB, o_alT, o_deR, o_deW = 11;
// A new context starts from GL's defaults: the cache is seeded from it again.
bool o_seeded = false;

void enable(GLenum cap, bool on)
{
	if (on)
		glEnable(cap);
	else
		glDisable(cap);
}

// n = (p3 - p2) x (p2 - p1), normalised; (0, 1, 0) when of no length.
void face_normal(float const* p1, float const* p2, float const* p3)
{
	float const a[3] = {p3[0] - p2[0], p3[1] - p2[1], p3[2] - p2[2]};
	float const b[3] = {p2[0] - p1[0], p2[1] - p1[1], p2[2] - p1[2]};
	float n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
	float const len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
	if (len == 0.0f)
		glNormal3f(0, 1, 0);
	else
		glNormal3f(n[0] / len, n[1] / len, n[2] / len);
}

}  // namespace

void OGL_setstate(int fog, int tex_units, int lighting, int alpha, int depth_test, int depth_write)
{
	if (!o_seeded) {
		o_fog = glIsEnabled(GL_FOG) ? 0 : 1;
		o_tex = glIsEnabled(GL_TEXTURE_2D) ? num_units : 0;
		o_lit = glIsEnabled(GL_LIGHTING) ? 2 : 3;
		o_alB = glIsEnabled(GL_BLEND) ? 1 : 0;
		o_alT = glIsEnabled(GL_ALPHA_TEST) ? 1 : 0;
		o_deR = glIsEnabled(GL_DEPTH_TEST) ? 8 : 9;
		o_seeded = true;
	}

	if (fog != o_fog) enable(GL_FOG, fog == 0);

	if (tex_units != o_tex) {
		enable(GL_TEXTURE_2D, tex_units >= 1);
		int n = tex_units < 0 ? 0 : tex_units;
		if (n > ren.tex_units) n = ren.tex_units;
		if (n < 0) n = 0;
		num_units = n;
		int const c = o_tex;
		if (n > 1 || c > 1) {
			for (int u = 0; u <= 5; ++u)
				if (c <= u && u < n) {
					glActiveTexture(GL_TEXTURE0 + u);
					glEnable(GL_TEXTURE_2D);
				}
			for (int u = 0; u <= 5; ++u)
				if (n <= u && u < c) {
					glActiveTexture(GL_TEXTURE0 + u);
					glDisable(GL_TEXTURE_2D);
				}
			glActiveTexture(GL_TEXTURE0);
		}
		o_tex = n;
	}

	if (lighting != o_lit) {
		enable(GL_LIGHTING, lighting == 2);
		enable(GL_LIGHT0, lighting == 2);
	}

	bool const want_blend = alpha == 5 || alpha == 7;
	bool const want_test = alpha == 6 || alpha == 7;
	if (alpha >= 4 && alpha <= 7) {
		if (want_blend != (o_alB != 0)) enable(GL_BLEND, want_blend);
		if (want_test != (o_alT != 0)) enable(GL_ALPHA_TEST, want_test);
	}

	if (depth_test != o_deR) enable(GL_DEPTH_TEST, depth_test == 8);
	if (depth_write != o_deW) glDepthMask(depth_write == 10 ? GL_TRUE : GL_FALSE);

	o_fog = fog;
	o_lit = lighting;
	o_deR = depth_test;
	o_deW = depth_write;
	o_alB = want_blend ? 1 : 0;
	o_alT = want_test ? 1 : 0;
}

void OGL_viewport(int mode, float left, float vx1, float bottom, float vy1, float right, float vx2, float top,
                  float vy2, float near, float far, float zoom)
{
	if (mode == 2) {
		left = mnw.ortho_l;
		bottom = mnw.ortho_b;
		right = mnw.ortho_r;
		top = mnw.ortho_t;
		vx1 = vy1 = 0;
		vx2 = static_cast<float>(mnw.x_res_use);
		vy2 = static_cast<float>(mnw.y_res_use);
	}
	if (mode == 3) {
		left *= near, bottom *= near, right *= near, top *= near;
		vx1 *= mnw.pix_scale, vy1 *= mnw.pix_scale, vx2 *= mnw.pix_scale, vy2 *= mnw.pix_scale;
	}
	float const vw = vx2 - vx1, vh = vy2 - vy1;
	glMatrixMode(GL_PROJECTION);
	glLoadIdentity();
	if (mode == 2) xcam.SetupOrtho(left / zoom, right / zoom, bottom / zoom, top / zoom, -1, 1);
	if (mode == 3)
		xcam.SetupFrustum(left / zoom, right / zoom, bottom * vh / vw / zoom, top * vh / vw / zoom, near, far);
	glViewport(static_cast<int>(vx1), static_cast<int>(vy1), static_cast<int>(vw), static_cast<int>(vh));
	xcam.Identity();
	glMatrixMode(GL_PROJECTION);
	glLoadMatrixd(xcam.proj);
	glMatrixMode(GL_MODELVIEW);
	glLoadMatrixd(xcam.modl);
	xcam.modl_stale = 0;
}

void OGL_pix_specs(int)
{
	float const w = static_cast<float>(mnw.x_res_use), h = static_cast<float>(mnw.y_res_use);
	float const fit = w / 1024.0f < h / 768.0f ? w / 1024.0f : h / 768.0f;
	mnw.lay_scale = fit > 1.0f ? fit : 1.0f;
	mnw.pix_scale = 1.0f;
	mnw.ortho_l = 0;
	mnw.ortho_b = 0;
	mnw.ortho_r = w;
	mnw.ortho_t = h;
	mnw.menu_dy = h - 768.0f;
	mnw.lay_off_x = (w - 1024.0f) * 0.5f;
	mnw.lay_cx = mnw.lay_off_x + 512.0f;
	mnw.lay_cy = 384.0f;
	if (mnw.cur_win >= 0) OGL_viewport(2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1.0f);
}

void OGL_glow_colors() { glBlendFunc(GL_SRC_ALPHA, GL_ONE); }
void OGL_nrml_colors() { glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); }

void OGL_scissors(float x, float y, float w, float h)
{
	float const p = mnw.pix_scale;
	float const X = (x + mnw.org_x) * p, Y = (y + mnw.org_y) * p;
	glEnable(GL_SCISSOR_TEST);
	glScissor(static_cast<int>(X), static_cast<int>(Y), static_cast<int>((x + mnw.org_x + w) * p - X),
	          static_cast<int>((y + mnw.org_y + h) * p - Y));
}

void OGL_scissors_end() { glDisable(GL_SCISSOR_TEST); }

void OGL_poly_offset(int n)
{
	if (n) {
		glEnable(GL_POLYGON_OFFSET_FILL);
		glPolygonOffset(-10.0f * static_cast<float>(n), -1.0f);
	} else {
		glDisable(GL_POLYGON_OFFSET_FILL);
	}
}

void OGL_setspec(float s)
{
	GLfloat const spec[4] = {s, s, s, 1.0f};
	glLightfv(GL_LIGHT0, GL_SPECULAR, spec);
	glMaterialfv(GL_FRONT, GL_SPECULAR, spec);
	glMaterialf(GL_FRONT, GL_SHININESS, 128.0f);
}

void OGL_3dline(float x1, float y1, float z1, float x2, float y2, float z2)
{
	glVertex3f(x1, y1, z1);
	glVertex3f(x2, y2, z2);
}

void OGL_3dquad(float const* p1, float const* p2, float const* p3, float const* p4)
{
	OGL_3dquad_st(p1, p2, p3, p4, 1, 1, 0, 0);
}

void OGL_3dquad_st(float const* p1, float const* p2, float const* p3, float const* p4, float s1, float t1, float s2,
                   float t2)
{
	face_normal(p1, p2, p3);
	glTexCoord2f(s1, t1);
	glVertex3fv(p1);
	glTexCoord2f(s1, t2);
	glVertex3fv(p2);
	glTexCoord2f(s2, t2);
	glVertex3fv(p3);
	glTexCoord2f(s2, t1);
	glVertex3fv(p4);
}

void OGL_cube(float x, float y, float z, float w, float h, float d, float s1, float s2, float t1, float t2,
              float heading)
{
	float const hx = w * 0.5f, hz = d * 0.5f;
	// The four corners in x and z, going round; the strip returns to the first.
	float const cx[5] = {-hx, hx, hx, -hx, -hx};
	float const cz[5] = {-hz, -hz, hz, hz, -hz};
	float const cs[5] = {s1, s2, s1, s2, s1};
	static float const nrml[5][3] = {{0, 0, -1}, {0, 0, -1}, {1, 0, 0}, {0, 0, 1}, {-1, 0, 0}};
	glPushMatrix();
	glTranslatef(x, y, z);
	glRotatef(-heading, 0, 0, 1);
	glBegin(GL_QUAD_STRIP);
	for (int i = 0; i < 5; ++i) {
		glNormal3fv(nrml[i]);
		glTexCoord2f(cs[i], t2);
		glVertex3f(cx[i], h, cz[i]);
		glTexCoord2f(cs[i], t1);
		glVertex3f(cx[i], 0, cz[i]);
	}
	glEnd();
	glBegin(GL_QUADS);
	glNormal3f(0, 1, 0);
	for (int i = 0; i < 4; ++i) {
		glTexCoord2f(cs[i], t2);
		glVertex3f(cx[i], h, cz[i]);
	}
	glNormal3f(0, -1, 0);
	for (int i = 3; i >= 0; --i) {
		glTexCoord2f(cs[i], t1);
		glVertex3f(cx[i], 0, cz[i]);
	}
	glEnd();
	glPopMatrix();
}

void OGL_disc(float x, float y, float z, float r)
{
	float const a = 0.38f * r;
	auto ring = [](float xr, float q, int deg) { glVertex3f(xr, q * lookup_cos[deg], -q * lookup_sin[deg]); };
	glPushMatrix();
	glTranslatef(x, y, z);
	glBegin(GL_TRIANGLE_FAN);
	glNormal3f(-1, 0, 0);
	glVertex3f(-r, 0, 0);
	for (int deg = 360; deg >= 0; deg -= 30) ring(-r, a, deg);
	glEnd();
	glBegin(GL_TRIANGLE_FAN);
	glNormal3f(1, 0, 0);
	glVertex3f(r, 0, 0);
	for (int deg = 0; deg <= 360; deg += 30) ring(r, a, deg);
	glEnd();
	// Bands from the caps' rims out to the full radius and across.
	float const band[3][4] = {{-r, a, -a, r}, {-a, r, a, r}, {a, r, r, a}};
	for (auto const& b : band) {
		glBegin(GL_QUAD_STRIP);
		for (int deg = 360; deg >= 0; deg -= 30) {
			ring(b[0], b[1], deg);
			ring(b[2], b[3], deg);
		}
		glEnd();
	}
	glPopMatrix();
}

void OGL_printer() {}

void OGL_init_state(int multisample)
{
	GLfloat const ambient[4] = {0, 0, 0, 0};
	glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
	glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
	glPixelStorei(GL_PACK_ALIGNMENT, 1);
	glAlphaFunc(GL_GREATER, 0);
	glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
	glDepthFunc(GL_LEQUAL);
	glFogi(GL_FOG_MODE, GL_LINEAR);
	glHint(GL_FOG_HINT, GL_FASTEST);
	glFrontFace(GL_CW);
	glCullFace(GL_BACK);
	glEnable(GL_CULL_FACE);
	glShadeModel(GL_SMOOTH);
	glEnable(GL_DITHER);
	glDisable(GL_COLOR_LOGIC_OP);
	glDisable(GL_STENCIL_TEST);
	glDisable(GL_TEXTURE_1D);
	glDisable(GL_NORMALIZE);
	glDisable(GL_SCISSOR_TEST);
	glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
	glEnable(GL_COLOR_MATERIAL);
	if (multisample > 0) glEnable(GL_MULTISAMPLE_ARB);
	glDepthMask(GL_FALSE);
	o_deW = 11;
	o_seeded = false;
}
