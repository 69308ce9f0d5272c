#include "graphics/colr.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/sky_header.h"
#include "graphics/oglp.h"
#include "graphics/oglp_font.h"

float const roygbv_rgb_loc[6][3] = {
    {1.0f, 0.0f, 0.0f},   {1.0f, 0.32f, 0.08f}, {1.0f, 1.0f, 0.0f},
    {0.0f, 1.0f, 0.0f},   {0.0f, 0.0f, 1.0f},   {0.8f, 0.0f, 0.8f},
};

namespace {

struct default_colour {
	int col;
	float r, g, b;
};

// Entries not listed here stay black until start-up, the frame loop or the
// installer fill them.
default_colour const defaults[] = {
    {0, 1, 1, 1},          {1, 0.8f, 0, 0},        {2, 1, 1, 0.2f},        {3, 0.7f, 0.7f, 0.7f},
    {4, 0.4f, 0, 0},       {5, 1, 1, 0},           {6, 0.3f, 0.3f, 0.3f},  {7, 0.2f, 0, 0},
    {8, 1, 0.8f, 0.2f},    {9, 0.1f, 0.1f, 0.1f},  {10, 0, 0.8f, 0},       {12, 0, 0, 0},
    {13, 0, 0.4f, 0},      {15, 0.4f, 0.4f, 1},    {17, 0, 0, 0.6f},       {18, 0.9f, 0.9f, 0.9f},
    {19, 0.8f, 0.1f, 0.1f}, {20, 0.9f, 0.9f, 1},   {21, 0.9f, 0.9f, 0.9f}, {22, 0.1f, 0.1f, 0.1f},
    {23, 1, 1, 0},         {24, 0, 0, 0},          {25, 1, 1, 1},          {26, 1, 1, 1},
    {27, 1, 1, 1},         {28, 1, 1, 0},          {29, 0, 0, 0},          {30, 1, 1, 1},
    {31, 1, 1, 1},         {32, 1, 1, 1},          {48, 1, 1, 1},          {49, 0.4f, 1, 0.4f},
    {50, 1, 0.4f, 0.4f},   {51, 1, 1, 0.6f},       {52, 0.6f, 0.6f, 1},    {53, 1, 0.5f, 0},
    {54, 0.8f, 0.8f, 0.8f}, {55, 0, 1, 0},         {56, 1, 0.2f, 0.2f},    {57, 1, 1, 0.2f},
    {58, 0.4f, 0.4f, 1},   {59, 0.5f, 0.3f, 0},    {60, 0.5f, 0.5f, 0.5f}, {61, 0, 0.6f, 0},
    {62, 0.6f, 0.2f, 0},   {63, 1, 1, 0},          {64, 0.2f, 0.2f, 0.8f}, {65, 0.8f, 0, 0.8f},
    {66, 0.2f, 0.2f, 0.2f}, {67, 0, 0.2f, 0},      {68, 1, 0, 0},          {69, 0.6f, 0.6f, 0},
    {70, 0.15f, 0.15f, 0.6f}, {71, 1, 0.2f, 1},    {72, 0, 0, 0},          {73, 0, 0.1f, 0},
    {74, 0.49f, 0.43f, 0.24f}, {80, 1, 0, 1},      {81, 0, 0, 0},          {82, 1, 0, 1},
    {83, 1, 1, 1},         {92, 0.5f, 0.5f, 0.4f}, {93, 1, 0.3f, 0},       {94, 0.5f, 0.5f, 0.4f},
    {95, 0.8f, 0.8f, 0.7f}, {96, 0, 0.6f, 0.2f},   {97, 1, 1, 0.9f},
};

// An index outside the table would read or write past rgb: stop instead.
bool check_index(int col)
{
	if (col >= 0 && col < 100) return true;
	__VEDEZE_alert(0, "Bad palette index!", std::to_string(col), "", "", 2, "colr", __LINE__);
	return false;
}

}  // namespace

colr_class colr;

colr_class::colr_class()
{
	std::memset(gamma_ramp, 0, sizeof gamma_ramp);
	std::memset(rgb, 0, sizeof rgb);
	scale_lo = scale_hi = scale_span = 0.0f;
	std::memset(spectrum, 0, sizeof spectrum);
	tint[0] = tint[1] = tint[2] = 1.0f;

	for (auto const& d : defaults) {
		rgb[d.col][0] = d.r;
		rgb[d.col][1] = d.g;
		rgb[d.col][2] = d.b;
	}

	// Single precision throughout: the ramp's entries are part of the look.
	for (int i = 0; i < 256; ++i) {
		float const x = static_cast<float>(i) / 255.0f;
		float y = std::pow(x, 0.8181818f);
		if (x == 0.0f) y = 0.0f;
		gamma_ramp[i] = static_cast<unsigned char>(static_cast<int>(y * 255.0f + 0.5f));
	}
}

void colr_class::assign(int col, float r, float g, float b)
{
	if (!check_index(col)) return;
	rgb[col][0] = r;
	rgb[col][1] = g;
	rgb[col][2] = b;
}

float const* colr_class::entry(int col) const
{
	if (!check_index(col)) return rgb[0];
	return rgb[col];
}

void colr_class::spectrum_init(int type)
{
	if (type < 0 || type > 3) return;
	for (int i = 0; i < 1000; ++i) {
		float const t = static_cast<float>(i) / 1000.0f;
		float* out = spectrum[i];
		switch (type) {
		case 0: {
			int k = 4;
			if (t < 0.2f)
				k = 0;
			else if (t < 0.4f)
				k = 1;
			else if (t < 0.6f)
				k = 2;
			else if (t < 0.8f)
				k = 3;
			float const f = (t - 0.2f * static_cast<float>(k)) * 5.0f;
			for (int c = 0; c < 3; ++c)
				out[c] = roygbv_rgb_loc[k][c] * (1.0f - f) + roygbv_rgb_loc[k + 1][c] * f;
			break;
		}
		case 1: out[0] = t; out[1] = 0.0f; out[2] = 0.0f; break;
		case 2: out[0] = 0.0f; out[1] = t; out[2] = 0.0f; break;
		case 3: out[0] = 0.0f; out[1] = 0.0f; out[2] = t; break;
		}
	}
}

int colr_scale_index(float v, float lo, float span)
{
	// Clamped in float: converting a value out of int's range is undefined.
	float const q = (v - lo) / span * 1000.0f;
	if (std::isnan(q) || q < 0.0f) return 0;
	if (q >= 999.0f) return 999;
	return static_cast<int>(q);
}

void colr_class::spectrum_plotscale(float x, float y, float lo, float hi)
{
	scale_hi = hi;
	scale_lo = lo;
	scale_span = hi - lo;
	OGL_number(0, x + 4.0f, y + 1000.0f - 4.0f, hi, 6, 2, 101);
	OGL_number(0, x + 4.0f, y - 4.0f, lo, 6, 2, 101);

	OGL_setstate(1, 0, 3, 5, 9, 11);
	float const vmin = std::fmin(lo, hi), vmax = std::fmax(lo, hi);
	glPointSize(4.0f);
	glBegin(GL_POINTS);
	for (int i = 0; i < 1000; i += 4) {
		float v = lo + (hi - lo) / 999.0f * static_cast<float>(i);
		if (v < vmin) v = vmin;
		if (v > vmax) v = vmax;
		float const* c = spectrum[colr_scale_index(v, scale_lo, scale_span)];
		// Alpha given as 1: Mesa keeps an earlier alpha for a three-component colour.
		glColor4f(c[0], c[1], c[2], 1.0f);
		glVertex2f(x, y + static_cast<float>(i));
	}
	glEnd();
	glPointSize(1.0f);
}

void colr_class::set_lites_for_interface()
{
	for (float& c : tint)
		if (c <= 0.75f) c = 0.75f;
}

void colr_class::set_lit_col(int col_type)
{
	float* lit = rgb[47];
	switch (col_type) {
	case 0:
		for (int c = 0; c < 3; ++c) lit[c] = std::fmax(tint[c], ren.lit_level_1);
		break;
	case 1: lit[0] = lit[1] = lit[2] = ren.lit_level_1; break;
	case 2: lit[0] = lit[1] = lit[2] = ren.lit_level_2; break;
	default: __VEDEZE_alert(0, "bad col_type!", "", "", "", 2, "colr", __LINE__); break;
	}
}
