// Immediate-mode 2-D drawing in window coordinates (y up, relative to the
// current window's origin), every colour taken from the palette by number.
#pragma once

// Stops of the colour spectrum of OGL_spectrum_rgb.
extern float const col_r[7];
extern float const col_g[7];
extern float const col_b[7];

// The colour a palette entry draws with: tint below 45, fade, mono display.
struct OGL_colour_struct {
	float r, g, b, a;
	bool opaque;  // alpha above 0.99: set without alpha
};
OGL_colour_struct OGL_colour_of(int col, float alpha);
// Sets the current GL colour by that rule.
void OGL_set_colour(int col, float alpha);

void OGL_line(int col, float alpha, float x1, float y1, float x2, float y2);
void OGL_fillrect(int col, float alpha, float x, float y, float w, float h);
void OGL_framerect(int col, float alpha, float x, float y, float w, float h);
void OGL_grayrect(float x1, float y1, float x2, float y2, float alpha);
void OGL_fillcircle(int col, float x, float y, float r);
void OGL_framecircle(int col, float x, float y, float r);
void OGL_arc(int col, float x, float y, float r1, float r2, float a1, float a2);
void OGL_2dquad(int ref, int col, float alpha,
                float x1, float y1, float s1, float t1,
                float x2, float y2, float s2, float t2,
                float x3, float y3, float s3, float t3,
                float x4, float y4, float s4, float t4,
                int units, int alpha_code);
void OGL_2dquad_d(int ref, int col, float alpha, float x, float y, float s, float t, float w, float h,
                  float ds, float dt, int alpha_code);
void OGL_plot_back_col();
void OGL_plot_back_tex();
void OGL_spectrum_rgb(float v);
