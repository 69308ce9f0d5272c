#include "graphics/oglp_draw.h"

#include <GL/gl.h>

#include <cmath>

#include "foundation/app_globals.h"
#include "foundation/sky_header.h"
#include "graphics/colr.h"
#include "graphics/oglp.h"

float const col_r[7] = {0.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.8f};
float const col_g[7] = {0.0f, 0.0f, 0.32f, 1.0f, 1.0f, 0.0f, 0.0f};
float const col_b[7] = {0.0f, 0.0f, 0.08f, 0.0f, 0.0f, 1.0f, 0.8f};

namespace {

// The green-only display shows brightness as green.
void apply_mono(OGL_colour_struct& c)
{
	if (!ren.mono_mode) return;
	float g = c.r + c.g + c.b;
	if (g < 0.01f) g = 0.01f;
	if (g > 1.0f) g = 1.0f;
	c.r = 0.0f;
	c.g = g;
	c.b = 0.0f;
}

// An opaque colour gets an explicit alpha of 1: after a four-component
// colour, Mesa draws a three-component one with the old alpha.
void apply(OGL_colour_struct const& c) { glColor4f(c.r, c.g, c.b, c.opaque ? 1.0f : c.a); }

// Outlines and lines sit on pixel centres; filled shapes do not.
float px(float x) { return x + mnw.org_x + 0.5f; }
float py(float y) { return y + mnw.org_y + 0.5f; }

}  // namespace

OGL_colour_struct OGL_colour_of(int col, float alpha)
{
	float const* e = colr.entry(col);
	OGL_colour_struct c{e[0], e[1], e[2], alpha * ren.fade_alpha, false};
	if (col < 45) {
		c.r *= colr.tint[0];
		c.g *= colr.tint[1];
		c.b *= colr.tint[2];
	}
	apply_mono(c);
	c.opaque = c.a > 0.99f;
	return c;
}

void OGL_set_colour(int col, float alpha) { apply(OGL_colour_of(col, alpha)); }

void OGL_line(int col, float alpha, float x1, float y1, float x2, float y2)
{
	OGL_setstate(1, 0, 3, alpha < 0.99f ? 5 : 4, 9, 11);
	OGL_set_colour(col, alpha);
	glBegin(GL_LINES);
	glVertex2f(px(x1), py(y1));
	glVertex2f(px(x2), py(y2));
	glEnd();
}

void OGL_fillrect(int col, float alpha, float x, float y, float w, float h)
{
	OGL_setstate(1, 0, 3, 5, 9, 11);
	OGL_set_colour(col, alpha);
	x += mnw.org_x;
	y += mnw.org_y;
	glBegin(GL_QUADS);
	glVertex2f(x, y);
	glVertex2f(x, y + h);
	glVertex2f(x + w, y + h);
	glVertex2f(x + w, y);
	glEnd();
}

void OGL_framerect(int col, float alpha, float x, float y, float w, float h)
{
	OGL_setstate(1, 0, 3, alpha < 0.99f ? 5 : 4, 9, 11);
	OGL_set_colour(col, alpha);
	float const X = px(x), Y = py(y);
	glBegin(GL_LINE_LOOP);
	glVertex2f(X, Y);
	glVertex2f(X, Y + h);
	glVertex2f(X + w, Y + h);
	glVertex2f(X + w, Y);
	glVertex2f(X, Y);
	glEnd();
}

void OGL_grayrect(float x1, float y1, float x2, float y2, float alpha)
{
	OGL_setstate(1, 0, 3, 5, 9, 11);
	OGL_set_colour(12, alpha);
	x1 += mnw.org_x;
	x2 += mnw.org_x;
	y1 += mnw.org_y;
	y2 += mnw.org_y;
	glBegin(GL_QUADS);
	glVertex2f(x1, y1);
	glVertex2f(x1, y2);
	glVertex2f(x2, y2);
	glVertex2f(x2, y1);
	glEnd();
}

void OGL_fillcircle(int col, float x, float y, float r)
{
	if (!(r >= 0.0f) || !std::isfinite(r)) return;
	// Rows counted in whole steps: a float stepped by 1 stops moving past 2^24.
	for (long i = 0;; ++i) {
		float const dy = -r + static_cast<float>(i);
		if (dy > r) break;
		float const h = std::sqrt(r * r - dy * dy);
		OGL_line(col, 1.0f, x - h, y + dy, x + h, y + dy);
	}
}

void OGL_framecircle(int col, float x, float y, float r)
{
	OGL_setstate(1, 0, 3, 4, 9, 11);
	OGL_set_colour(col, 1.0f);
	glBegin(GL_LINE_LOOP);
	for (int a = 0; a <= 360; a += 5) {
		double const t = a * static_cast<double>(degtorad);
		glVertex2f(px(x + r * static_cast<float>(std::sin(t))), py(y + r * static_cast<float>(std::cos(t))));
	}
	glEnd();
}

void OGL_arc(int col, float x, float y, float r1, float r2, float a1, float a2)
{
	OGL_set_colour(col, 1.0f);
	if (!(r2 >= r1) || !(a2 >= a1) || !std::isfinite(r2 - r1) || !std::isfinite(a2 - a1)) return;
	for (long i = 0;; ++i) {
		float const q = r1 + static_cast<float>(i);
		if (q > r2) break;
		double const t1 = a1 * static_cast<double>(degtorad);
		float lx = x + q * static_cast<float>(std::sin(t1));
		float ly = y + q * static_cast<float>(std::cos(t1));
		for (long j = 0;; ++j) {
			float const a = a1 + static_cast<float>(j);
			if (a > a2) break;
			double const t = a * static_cast<double>(degtorad);
			float const nx = x + q * static_cast<float>(std::sin(t));
			float const ny = y + q * static_cast<float>(std::cos(t));
			OGL_line(col, 1.0f, lx, ly, nx, ny);
			lx = nx;
			ly = ny;
		}
	}
}

void OGL_plot_back_col()
{
	OGL_fillrect(33, 1.0f, -mnw.org_x, -mnw.org_y, static_cast<float>(mnw.x_res_use),
	             static_cast<float>(mnw.y_res_use));
}

void OGL_spectrum_rgb(float v)
{
	OGL_colour_struct c{0.0f, 0.0f, 0.0f, ren.fade_alpha, false};
	// NaN has no place on the scale: it shows as the bottom stop.
	if (v >= 0.0f) {
		if (v > 1.0f) v = 1.0f;
		int k = 5;
		if (v < 1.0f / 6.0f)
			k = 0;
		else if (v < 2.0f / 6.0f)
			k = 1;
		else if (v < 3.0f / 6.0f)
			k = 2;
		else if (v < 4.0f / 6.0f)
			k = 3;
		else if (v < 5.0f / 6.0f)
			k = 4;
		float const f = (v - static_cast<float>(k) / 6.0f) * 6.0f;
		c.r = (1.0f - f) * col_r[k] + f * col_r[k + 1];
		c.g = (1.0f - f) * col_g[k] + f * col_g[k + 1];
		c.b = (1.0f - f) * col_b[k] + f * col_b[k + 1];
	}
	apply_mono(c);
	glColor4f(c.r, c.g, c.b, c.a);
}
