#include "graphics/oglp_font.h"

#include <GL/gl.h>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "graphics/colr.h"
#include "graphics/oglp.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_glyph.h"
#include "graphics/tman.h"

namespace {

void emit(float x, float y, font_spec_struct const& f, glyph_cell_struct cell)
{
	float const s = (f.s0 + static_cast<float>(cell.col) * f.cw) / 512.0f;
	float const t = (f.t0 + static_cast<float>(cell.row) * f.ch) / 512.0f;
	float const ds = f.cw / 512.0f, dt = f.ch / 512.0f;
	float w = f.cw, h = f.ch;
	if (oglp.glyph_scale > 1.0f) {
		w *= oglp.glyph_scale;
		h *= oglp.glyph_scale;
	}
	glTexCoord2f(s, t);
	glVertex2f(x, y);
	glTexCoord2f(s, t + dt);
	glVertex2f(x, y + h);
	glTexCoord2f(s + ds, t + dt);
	glVertex2f(x + w, y + h);
	glTexCoord2f(s + ds, t);
	glVertex2f(x + w, y);
}

void emit_all(std::vector<glyph_quad_struct> const& quads, font_spec_struct const& f)
{
	glBegin(GL_QUADS);
	for (auto const& q : quads) emit(q.x, q.y, f, q.cell);
	glEnd();
}

}  // namespace

int OGL_strtex(int font, int col, float* s0, float* t0, float* cw, float* ch)
{
	font_spec_struct const* f = OGL_font_spec(font);
	if (!f) {
		__VEDEZE_alert(0, "String proc with bad charset!", "", "", "", 2, "oglp", 342);
		return 0;
	}
	OGL_setstate(1, 1, 3, 5, 9, 11);
	OGL_set_colour(col, 1.0f);
	tman.bind_ref(f->tex, 0, 0);
	*s0 = f->s0;
	*t0 = f->t0;
	*cw = f->cw;
	*ch = f->ch;
	return f->advance;
}

void OGL_char(float x, float y, float s0, float t0, float cw, float ch, int glyph, int font)
{
	glyph_cell_struct cell{0, 0};
	if (font == 103)
		cell = {glyph % 40, glyph / 40};
	else if (glyph >= -128 && glyph <= 255)
		cell = OGL_glyph_cell(static_cast<unsigned char>(glyph));
	font_spec_struct const f{0, s0, t0, cw, ch, 0, 1};
	emit(x, y, f, cell);
}

void OGL_string(int col, float x, float y, std::string const& text, float width, int font)
{
	float s0, t0, cw, ch;
	OGL_strtex(font, col, &s0, &t0, &cw, &ch);
	font_spec_struct const* f = OGL_font_spec(font);
	if (!f) return;
	float x0, y0;
	OGL_text_start(x + mnw.org_x, y + mnw.org_y, &x0, &y0);
	emit_all(OGL_layout_string(font, x0, y0, text, width), *f);
}

void OGL_gray_string(int col, float x, float y, std::string text)
{
	float W = 0.0f;
	for (char c : text) W += static_cast<float>(OGL_glyph_width(static_cast<unsigned char>(c)));
	float const left = x - W / 2.0f;
	OGL_grayrect(left - 2.0f, y - 2.0f, x + W / 2.0f + 2.0f, y + 8.0f, 0.5f);
	OGL_string(col, left, y, text, 9999.0f, 100);
}

void OGL_number(int col, float x, float y, float value, int digits, int decimals, int font)
{
	if (font != 101 && font != 102) {
		__VEDEZE_alert(0, "Numbers must be mono-spaced!",
		               "This is because we increment by a constant step size for each digit.", "", "",
		               2, "oglp", 431);
		return;
	}
	float s0, t0, cw, ch;
	float const step = static_cast<float>(OGL_strtex(font, col, &s0, &t0, &cw, &ch));
	float x0, y0;
	OGL_text_start(x + mnw.org_x, y + mnw.org_y, &x0, &y0);
	emit_all(OGL_layout_number(x0, y0, step, value, digits, decimals), *OGL_font_spec(font));
}
