// Paints the program's built-in images from the layout table and writes them
// as raw RGBA (rows bottom-up, as textures store them) plus upright PNG
// previews.
//
//   ins_art_gen OUT_DIR [PREVIEW_DIR]
//
// Sections: canvas and shapes; glyph rendering; the widget atlas 363; the
// installer atlas 364; the backgrounds; checks and output.
//
// Everything is a pure function of the layout table and the fonts, so two
// runs give the same bytes. Fonts are found where the build says (SKY_FONT_*
// definitions) unless overridden by the environment variables of the same
// names.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "graphics/oglp_glyph.h"
#include "ins_art_layout.h"

using namespace ins_art;

namespace {

// ---------------------------------------------------------------- canvas

struct col { float r, g, b, a; };
constexpr col rgba(unsigned v, float a = 1.f)
{
	return {((v >> 16) & 255) / 255.f, ((v >> 8) & 255) / 255.f, (v & 255) / 255.f, a};
}
col mix(col p, col q, float f)
{
	return {p.r + (q.r - p.r) * f, p.g + (q.g - p.g) * f, p.b + (q.b - p.b) * f, p.a + (q.a - p.a) * f};
}
col grey(float v, float a = 1.f) { return {v, v, v, a}; }
col with_a(col c, float a) { return {c.r, c.g, c.b, a}; }

// Straight (not premultiplied) RGBA floats; y is the texture row, upward.
struct canvas {
	int w, h;
	std::vector<col> px;
	int cx0 = 0, cy0 = 0, cx1 = 0, cy1 = 0;   // painting stays inside this box
	canvas(int w_, int h_) : w(w_), h(h_), px(size_t(w_) * h_, col{0, 0, 0, 0}) { unclip(); }
	void clip(int s, int t, int cw, int ch) { cx0 = s; cy0 = t; cx1 = s + cw; cy1 = t + ch; }
	void unclip() { clip(0, 0, w, h); }
	col& at(int x, int y) { return px[size_t(y) * w + x]; }
	col get(int x, int y) const { return px[size_t(y) * w + x]; }
	void over(int x, int y, col c, float cover = 1.f)
	{
		if (x < cx0 || y < cy0 || x >= cx1 || y >= cy1) return;
		float sa = c.a * cover;
		if (sa <= 0) return;
		col& d = at(x, y);
		float oa = sa + d.a * (1 - sa);
		if (oa <= 0) return;
		d.r = (c.r * sa + d.r * d.a * (1 - sa)) / oa;
		d.g = (c.g * sa + d.g * d.a * (1 - sa)) / oa;
		d.b = (c.b * sa + d.b * d.a * (1 - sa)) / oa;
		d.a = oa;
	}
	void set(int x, int y, col c)
	{
		if (x >= cx0 && y >= cy0 && x < cx1 && y < cy1) at(x, y) = c;
	}
};

// A shape is a signed distance (negative inside) in pixels; painting covers
// each pixel by how far its centre lies inside, which anti-aliases edges.
using sdf_fn = std::function<float(float, float)>;
using paint_fn = std::function<col(float, float)>;

void fill(canvas& cv, float x0, float y0, float x1, float y1, sdf_fn const& d, paint_fn const& p)
{
	int ix0 = std::max(0, int(std::floor(x0)) - 1), iy0 = std::max(0, int(std::floor(y0)) - 1);
	int ix1 = std::min(cv.w - 1, int(std::ceil(x1)) + 1), iy1 = std::min(cv.h - 1, int(std::ceil(y1)) + 1);
	for (int y = iy0; y <= iy1; ++y)
		for (int x = ix0; x <= ix1; ++x) {
			float fx = x + .5f, fy = y + .5f;
			float cover = std::clamp(.5f - d(fx, fy), 0.f, 1.f);
			if (cover > 0) cv.over(x, y, p(fx, fy), cover);
		}
}
void fill(canvas& cv, float x0, float y0, float x1, float y1, sdf_fn const& d, col c)
{
	fill(cv, x0, y0, x1, y1, d, [c](float, float) { return c; });
}

sdf_fn round_box(float x0, float y0, float x1, float y1, float r)
{
	float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, hx = (x1 - x0) / 2, hy = (y1 - y0) / 2;
	return [=](float x, float y) {
		float qx = std::fabs(x - cx) - hx + r, qy = std::fabs(y - cy) - hy + r;
		float ox = std::max(qx, 0.f), oy = std::max(qy, 0.f);
		return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.f) - r;
	};
}
sdf_fn circle(float cx, float cy, float r)
{
	return [=](float x, float y) { return std::hypot(x - cx, y - cy) - r; };
}
sdf_fn ring(float cx, float cy, float r, float half_w)
{
	return [=](float x, float y) { return std::fabs(std::hypot(x - cx, y - cy) - r) - half_w; };
}
sdf_fn segment(float ax, float ay, float bx, float by, float half_w)
{
	return [=](float x, float y) {
		float px = x - ax, py = y - ay, vx = bx - ax, vy = by - ay;
		float h = std::clamp((px * vx + py * vy) / (vx * vx + vy * vy), 0.f, 1.f);
		return std::hypot(px - vx * h, py - vy * h) - half_w;
	};
}
// Convex or concave polygon, exact distance with the even-odd sign.
sdf_fn polygon(std::vector<std::pair<float, float>> pts)
{
	return [pts](float x, float y) {
		float best = 1e9f;
		bool inside = false;
		size_t n = pts.size();
		for (size_t i = 0, j = n - 1; i < n; j = i++) {
			float ax = pts[j].first, ay = pts[j].second, bx = pts[i].first, by = pts[i].second;
			float vx = bx - ax, vy = by - ay, px = x - ax, py = y - ay;
			float h = std::clamp((px * vx + py * vy) / (vx * vx + vy * vy), 0.f, 1.f);
			best = std::min(best, std::hypot(px - vx * h, py - vy * h));
			if ((ay > y) != (by > y) && x < ax + (y - ay) / (by - ay) * (bx - ax)) inside = !inside;
		}
		return inside ? -best : best;
	};
}
void line(canvas& cv, float ax, float ay, float bx, float by, float width, col c)
{
	float r = width / 2;
	fill(cv, std::min(ax, bx) - r, std::min(ay, by) - r, std::max(ax, bx) + r, std::max(ay, by) + r,
	     segment(ax, ay, bx, by, r), c);
}
void tri(canvas& cv, float ax, float ay, float bx, float by, float cx, float cy, col c)
{
	fill(cv, std::min({ax, bx, cx}), std::min({ay, by, cy}), std::max({ax, bx, cx}), std::max({ay, by, cy}),
	     polygon({{ax, ay}, {bx, by}, {cx, cy}}), c);
}
// Vertical gradient helper: f = 0 at y0, 1 at y1.
paint_fn vgrad(float y0, float y1, col lo, col hi)
{
	return [=](float, float y) { return mix(lo, hi, std::clamp((y - y0) / (y1 - y0), 0.f, 1.f)); };
}

// Small deterministic hash noise for clouds and grain.
float hash2(int x, int y, int seed)
{
	unsigned h = unsigned(x) * 374761393u + unsigned(y) * 668265263u + unsigned(seed) * 2246822519u;
	h = (h ^ (h >> 13)) * 1274126177u;
	return float((h ^ (h >> 16)) & 0xffffff) / float(0xffffff);
}
float value_noise(float x, float y, int seed)
{
	int ix = int(std::floor(x)), iy = int(std::floor(y));
	float fx = x - ix, fy = y - iy;
	fx = fx * fx * (3 - 2 * fx);
	fy = fy * fy * (3 - 2 * fy);
	float a = hash2(ix, iy, seed), b = hash2(ix + 1, iy, seed), c = hash2(ix, iy + 1, seed), d = hash2(ix + 1, iy + 1, seed);
	return a + (b - a) * fx + (c - a) * fy + (a - b - c + d) * fx * fy;
}
float fbm(float x, float y, int seed, int octaves)
{
	float sum = 0, amp = .5f, f = 1;
	for (int i = 0; i < octaves; ++i) {
		sum += amp * value_noise(x * f, y * f, seed + i * 17);
		f *= 2;
		amp *= .5f;
	}
	return sum;
}

[[noreturn]] void die(std::string const& msg)
{
	std::fprintf(stderr, "ins_art_gen: %s\n", msg.c_str());
	std::exit(1);
}

// ---------------------------------------------------------------- glyphs

struct font {
	FT_Face face = nullptr;
	std::string path;
};
FT_Library g_ft;

font open_font(char const* env, char const* built_in)
{
	char const* p = std::getenv(env);
	font f;
	f.path = p && *p ? p : built_in;
	if (FT_New_Face(g_ft, f.path.c_str(), 0, &f.face))
		die("cannot open the font " + f.path + " (install fonts-dejavu-core)");
	return f;
}

// One rendered glyph: coverage rows top-down as FreeType gives them, with
// the pen-relative position of its top-left pixel.
struct bitmap {
	int w = 0, h = 0, left = 0, top = 0;
	std::vector<unsigned char> a;
	int ink_x0 = 0, ink_x1 = -1, ink_y0 = 0, ink_y1 = -1;   // ink box inside the bitmap
	bool empty() const { return ink_x1 < ink_x0; }
};

bitmap render(font const& f, unsigned cp, float px_size, float x_scale, float shear = 0, bool hint = true)
{
	FT_Set_Char_Size(f.face, FT_F26Dot6(std::lround(px_size * 64)), 0, 72, 72);
	FT_Matrix m{FT_Fixed(std::lround(x_scale * 65536)), FT_Fixed(std::lround(shear * 65536)), 0, 0x10000};
	FT_Set_Transform(f.face, &m, nullptr);
	FT_UInt gi = FT_Get_Char_Index(f.face, cp);
	if (gi == 0) die("the font " + f.path + " has no glyph for U+" + std::to_string(cp));
	FT_Int32 flags = FT_LOAD_RENDER | (hint ? FT_LOAD_TARGET_LIGHT : FT_LOAD_NO_HINTING);
	if (FT_Load_Glyph(f.face, gi, flags)) die("cannot render U+" + std::to_string(cp) + " from " + f.path);
	FT_GlyphSlot g = f.face->glyph;
	bitmap b;
	b.w = int(g->bitmap.width);
	b.h = int(g->bitmap.rows);
	b.left = g->bitmap_left;
	b.top = g->bitmap_top;
	b.a.resize(size_t(b.w) * b.h);
	for (int y = 0; y < b.h; ++y)
		for (int x = 0; x < b.w; ++x) {
			unsigned char v = g->bitmap.buffer[y * g->bitmap.pitch + x];
			b.a[size_t(y) * b.w + x] = v;
			if (v) {
				if (b.empty()) { b.ink_x0 = b.ink_x1 = x; b.ink_y0 = b.ink_y1 = y; }
				b.ink_x0 = std::min(b.ink_x0, x); b.ink_x1 = std::max(b.ink_x1, x);
				b.ink_y0 = std::min(b.ink_y0, y); b.ink_y1 = std::max(b.ink_y1, y);
			}
		}
	FT_Set_Transform(f.face, nullptr, nullptr);
	return b;
}

// The text size: at 9 pixels to the em the capitals and ascenders take 7
// rows and the descenders 2, which is what a 10-row line pitch leaves room
// for (k_ink_up); a larger size would only be squeezed back into them.
constexpr float k_text_px = 9.f;

// Coverage to alpha: a slight lift keeps thin stems of small light-on-dark
// and dark-on-light text from fading.
float coverage_alpha(unsigned char v) { return std::pow(v / 255.f, 0.8f); }

// Puts a glyph into one cell of a font: ink within `ink_cols` columns and
// from the cell's bottom to `ink_up` rows above the baseline, which lies
// k_baseline rows above the cell's bottom. The glyph is narrowed, then made
// smaller, until it fits.
void glyph_into_cell(canvas& cv, font const& f, unsigned cp, int cell_s, int cell_t, int ink_cols, int ink_up,
                     float size, char const* what)
{
	float xs = 1.f;
	for (int attempt = 0; attempt < 40; ++attempt) {
		bitmap b = render(f, cp, size, xs);
		if (b.empty()) return;   // the blank
		int iw = b.ink_x1 - b.ink_x0 + 1;
		// Rows of ink relative to the baseline: the top pixel row sits at b.top - 1.
		int top_rel = b.top - 1 - b.ink_y0, bot_rel = b.top - 1 - b.ink_y1;
		bool tall = top_rel > ink_up || bot_rel < -k_baseline;
		if (iw > ink_cols) {
			xs *= std::max(.5f, (ink_cols - .15f) / float(iw));
			continue;
		}
		if (tall) {
			size -= .25f;
			continue;
		}
		int pen_x = (ink_cols - iw) / 2;   // even spacing matters more than bearings at this size
		for (int y = b.ink_y0; y <= b.ink_y1; ++y)
			for (int x = b.ink_x0; x <= b.ink_x1; ++x) {
				unsigned char v = b.a[size_t(y) * b.w + x];
				if (!v) continue;
				int cx = pen_x + (x - b.ink_x0);
				int cy = k_baseline + (b.top - 1 - y);
				cv.set(cell_s + cx, cell_t + cy, col{1, 1, 1, coverage_alpha(v)});
			}
		return;
	}
	char buf[160];
	std::snprintf(buf, sizeof buf, "the glyph U+%04X (%s) does not fit %d columns of its cell", cp, what, ink_cols);
	die(buf);
}

// A line of text centred on (cx, baseline y); returns its ink width.
int text_width(font const& f, std::string const& s, float size, float shear = 0)
{
	FT_Set_Char_Size(f.face, FT_F26Dot6(std::lround(size * 64)), 0, 72, 72);
	FT_Matrix m{0x10000, FT_Fixed(std::lround(shear * 65536)), 0, 0x10000};
	FT_Set_Transform(f.face, &m, nullptr);
	int pen = 0;
	for (unsigned char c : s) {
		FT_Load_Char(f.face, c, FT_LOAD_TARGET_LIGHT);
		pen += int(f.face->glyph->advance.x >> 6);
	}
	FT_Set_Transform(f.face, nullptr, nullptr);
	return pen;
}
void draw_text(canvas& cv, font const& f, std::string const& s, float size, int x, int base_y, col c,
               float shear = 0, int tracking = 0)
{
	int pen = x;
	for (unsigned char ch : s) {
		bitmap b = render(f, ch, size, 1.f, shear);
		for (int y = 0; y < b.h; ++y)
			for (int xx = 0; xx < b.w; ++xx) {
				unsigned char v = b.a[size_t(y) * b.w + xx];
				if (v) cv.over(pen + b.left + xx, base_y + b.top - 1 - y, c, coverage_alpha(v));
			}
		FT_Set_Char_Size(f.face, FT_F26Dot6(std::lround(size * 64)), 0, 72, 72);
		FT_Load_Char(f.face, ch, FT_LOAD_TARGET_LIGHT);
		pen += int(f.face->glyph->advance.x >> 6) + tracking;
	}
}
void draw_text_centred(canvas& cv, font const& f, std::string const& s, float size, float cx, int base_y, col c,
                       int tracking = 0)
{
	int w = text_width(f, s, size) + tracking * (int(s.size()) - 1);
	draw_text(cv, f, s, size, int(std::lround(cx - w / 2.f)), base_y, c, 0, tracking);
}

font g_sans, g_bold, g_mono;

// ---------------------------------------------------------------- atlas 363

// Neutral greys: the drawing colour (mostly white times the palette tint)
// gives them their hue.
const col k_edge_dark = grey(.42f), k_edge_mid = grey(.62f);
const col k_face_hi = grey(.985f), k_face_lo = grey(.86f);
const col k_field = grey(1.f);
const col k_accent = rgba(0x2f6db5);

// A horizontal bar strip; the middle band must look the same at every x.
void paint_bar(canvas& cv, cell const& c)
{
	float x0 = c.s, x1 = c.s + c.w, y0 = c.t, y1 = c.t + c.h;
	switch (c.style) {
	case 0: {   // menu bar across the top of the screen; its 26th row is atlas row 0
		fill(cv, x0, y0, x1, y1, round_box(x0, y0, x1, y1 + 1, 0), vgrad(y0, y1, grey(.84f), grey(.97f)));
		line(cv, x0, y0 + .5f, x1, y0 + .5f, 1, k_edge_mid);
		line(cv, x0, y1 - .5f, x1, y1 - .5f, 1, grey(1.f));
		break;
	}
	case 1: {   // divider bar under a window's title
		fill(cv, x0, y0 + 4, x1, y1 - 4, round_box(x0, y0 + 4, x1, y1 - 4, 0), vgrad(y0 + 4, y1 - 4, grey(.80f), grey(.93f)));
		line(cv, x0, y0 + 4.5f, x1, y0 + 4.5f, 1, grey(.55f));
		line(cv, x0, y1 - 4.5f, x1, y1 - 4.5f, 1, grey(1.f));
		break;
	}
	case 2: case 3: {   // push button, raised and pressed
		bool pressed = c.style == 3;
		auto box = round_box(x0 + 1, y0 + 2, x1 - 1, y1 - 2, 6);
		if (!pressed) fill(cv, x0, y0, x1, y1, round_box(x0 + 1, y0 + 1, x1 - 1, y1 - 3, 6), grey(0, .18f));
		fill(cv, x0, y0, x1, y1, box, k_edge_dark);
		auto inner = round_box(x0 + 2, y0 + 3, x1 - 2, y1 - 3, 5);
		fill(cv, x0, y0, x1, y1, inner,
		     pressed ? vgrad(y0 + 3, y1 - 3, grey(.80f), grey(.70f)) : vgrad(y0 + 3, y1 - 3, k_face_lo, k_face_hi));
		if (!pressed) line(cv, x0 + 6, y1 - 3.5f, x1 - 6, y1 - 3.5f, 1, grey(1.f, .9f));
		break;
	}
	case 4: {   // progress track: a grey sunken groove, so that any fill stands out
		fill(cv, x0, y0, x1, y1, round_box(x0, y0, x1, y1, 7), grey(.30f));
		fill(cv, x0, y0, x1, y1, round_box(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 6), vgrad(y0, y1, grey(.74f), grey(.56f)));
		break;
	}
	case 5: {   // progress fill: a bright green pill with a gloss, full height of the groove
		fill(cv, x0, y0, x1, y1, round_box(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 6), rgba(0x17561f));
		fill(cv, x0, y0, x1, y1, round_box(x0 + 2, y0 + 2, x1 - 2, y1 - 2, 5), vgrad(y0, y1, rgba(0x2fa040), rgba(0x7be08a)));
		fill(cv, x0, y0, x1, y1, round_box(x0 + 4, y0 + 9, x1 - 4, y1 - 4, 2), grey(1.f, .45f));
		break;
	}
	case 7: {   // slider track: a groove around t 16 where the fill and knob sit
		fill(cv, x0, y0, x1, y1, round_box(x0, y0 + 11, x1, y0 + 21, 5), grey(.48f));
		fill(cv, x0, y0, x1, y1, round_box(x0 + 1, y0 + 12, x1 - 1, y0 + 20, 4), vgrad(y0 + 12, y0 + 20, grey(.95f), grey(.80f)));
		break;
	}
	case 8: {   // slider fill: white, so its drawing colour shows as it is
		fill(cv, x0, y0, x1, y1, round_box(x0, y0 + 4, x1, y0 + 12, 4), vgrad(y0 + 4, y0 + 12, grey(.80f), grey(1.f)));
		break;
	}
	case 9: {   // text box: a white field with a sunken edge
		fill(cv, x0, y0, x1, y1, round_box(x0 + 1, y0 + 3, x1 - 1, y1 - 3, 4), grey(.45f));
		fill(cv, x0, y0, x1, y1, round_box(x0 + 2, y0 + 4, x1 - 2, y1 - 4, 3), k_field);
		line(cv, x0 + 5, y1 - 5.5f, x1 - 5, y1 - 5.5f, 1, grey(.86f));
		break;
	}
	case 10: {   // pop-up chooser: a button with a down arrow in its right cap
		// The labels beside it end 5 points from the longest item's ends, about
		// where the drawn bar ends: the body stands back from both of its ends,
		// with a soft edge, so that the labels' ink stays clear of it.
		fill(cv, x0, y0, x1, y1, round_box(x0 + 4, y0 + 1, x1 - 7, y1 - 1, 6), grey(.62f));
		fill(cv, x0, y0, x1, y1, round_box(x0 + 5, y0 + 2, x1 - 8, y1 - 2, 5), vgrad(y0, y1, k_face_lo, k_face_hi));
		float ax = x1 - 15, ay = y0 + c.h / 2.f;
		line(cv, x1 - 22.5f, y0 + 5, x1 - 22.5f, y1 - 5, 1, grey(.6f));
		tri(cv, ax - 3.5f, ay + 2.5f, ax + 3.5f, ay + 2.5f, ax, ay - 2.5f, grey(.30f));
		break;
	}
	default: die("no art for bar style " + std::to_string(c.style));
	}
}

void paint_vbar(canvas& cv, cell const& c)
{
	float x0 = c.s, x1 = c.s + c.w, y0 = c.t, y1 = c.t + c.h;
	fill(cv, x0, y0, x1, y1, round_box(x0 + 5, y0, x1 - 5, y1, 5), grey(.5f));
	fill(cv, x0, y0, x1, y1, round_box(x0 + 6, y0 + 1, x1 - 6, y1 - 1, 4),
	     [=](float x, float) { return mix(grey(.80f), grey(.95f), (x - x0 - 6) / (c.w - 12.f)); });
}

// Nine-slice panels: everything outside the corners must repeat along the
// panel, so shading lives in the edges and the centre is flat.
void paint_panel(canvas& cv, cell const& c)
{
	float x0 = c.s, x1 = c.s + c.w, y0 = c.t, y1 = c.t + c.h;
	float cut = .4f * c.w;
	auto body = [&](float inset, float r, col edge, col face, float shadow) {
		if (shadow > 0) fill(cv, x0, y0, x1, y1, round_box(x0 + inset + 1, y0 + inset - 1, x1 - inset + 1, y1 - inset - 1, r), grey(0, shadow));
		fill(cv, x0, y0, x1, y1, round_box(x0 + inset, y0 + inset, x1 - inset, y1 - inset, r), edge);
		fill(cv, x0, y0, x1, y1, round_box(x0 + inset + 1, y0 + inset + 1, x1 - inset - 1, y1 - inset - 1, r - 1), face);
	};
	(void)cut;
	switch (c.style) {
	// Framed window with a title band, no deeper than its title and close
	// boxes need, so that the window's first line of text stays clear of it.
	case 11: {
		body(2, 8, k_edge_dark, grey(.955f), .25f);
		fill(cv, x0, y0, x1, y1, round_box(x0 + 3, y1 - 23, x1 - 3, y1 - 3, 7),
		     [=](float, float y) { return (y < y1 - 18) ? grey(.80f) : mix(grey(.80f), grey(.90f), (y - (y1 - 18)) / 15); });
		fill(cv, x0, y0, x1, y1, round_box(x0 + 3, y1 - 23, x1 - 3, y1 - 22, 0), grey(.62f));
		break;
	}
	case 12: body(2, 8, k_edge_dark, grey(.965f), .2f); break;
	case 13: {   // sunken group
		body(3, 6, grey(.55f), grey(.90f), 0);
		fill(cv, x0, y0, x1, y1, round_box(x0 + 4, y1 - 6, x1 - 4, y1 - 4, 0), grey(.75f, .7f));
		break;
	}
	case 14: body(3, 6, grey(.40f), grey(.995f), .3f); break;   // help note
	case 15: {   // information panel with a mid-grey heading band
		body(2, 8, k_edge_dark, grey(.95f), .25f);
		fill(cv, x0, y0, x1, y1, round_box(x0 + 3, y1 - 31, x1 - 3, y1 - 3, 7), vgrad(y1 - 31, y1 - 3, grey(.44f), grey(.56f)));
		break;
	}
	case 16: body(0, 3, grey(.45f), k_field, 0); break;   // list field: tight margin
	case 17: body(2, 4, grey(.45f), grey(.985f), .3f); break;   // drop-down menu
	case 18: {   // raised box
		body(2, 5, k_edge_dark, grey(.93f), .25f);
		fill(cv, x0, y0, x1, y1, round_box(x0 + 4, y1 - 6, x1 - 4, y1 - 4, 1), grey(1.f, .8f));
		break;
	}
	case 19: body(2, 6, grey(.5f), grey(.92f), .2f); break;
	default: die("no art for panel style " + std::to_string(c.style));
	}
}

void button_face(canvas& cv, float x0, float y0, float x1, float y1, bool pressed)
{
	fill(cv, x0, y0, x1, y1, round_box(x0, y0, x1, y1, 4), k_edge_dark);
	fill(cv, x0, y0, x1, y1, round_box(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 3),
	     pressed ? vgrad(y0, y1, grey(.80f), grey(.70f)) : vgrad(y0, y1, k_face_lo, k_face_hi));
}

void paint_small(canvas& cv, cell const& c)
{
	float x0 = c.s, x1 = c.s + c.w, y0 = c.t, y1 = c.t + c.h;
	float cx = x0 + c.w / 2.f, cy = y0 + c.h / 2.f;
	const col ink = grey(.25f);
	switch (c.k) {
	case kind::tab: {
		bool chosen = c.style == 1;
		fill(cv, x0, y0, x1, y1, round_box(x0 + 1, y0 - 8, x1 - 1, y1 - 1, 7), k_edge_dark);
		fill(cv, x0, y0, x1, y1, round_box(x0 + 2, y0 - 8, x1 - 2, y1 - 2, 6),
		     chosen ? vgrad(y0, y1, grey(.96f), grey(1.f)) : vgrad(y0, y1, grey(.74f), grey(.86f)));
		if (!chosen) line(cv, x0 + 1, y0 + .5f, x1 - 1, y0 + .5f, 1, k_edge_dark);
		else fill(cv, x0, y0, x1, y1, round_box(x0 + 8, y1 - 5, x1 - 8, y1 - 3, 1), k_accent);
		break;
	}
	case kind::zap: {
		button_face(cv, x0 + 1, y0 + 1, x1 - 1, y1 - 1, c.style == 1);
		line(cv, cx - 3.5f, cy - 3.5f, cx + 3.5f, cy + 3.5f, 1.8f, ink);
		line(cv, cx - 3.5f, cy + 3.5f, cx + 3.5f, cy - 3.5f, 1.8f, ink);
		break;
	}
	case kind::arrow_up: case kind::arrow_down: {
		button_face(cv, x0 + 1, y0 + 2, x1 - 1, y1 - 2, false);
		float d = c.k == kind::arrow_up ? 1 : -1;
		tri(cv, cx - 3.5f, cy - 2 * d, cx + 3.5f, cy - 2 * d, cx, cy + 2.5f * d, ink);
		break;
	}
	case kind::submenu:
		tri(cv, cx - 2.5f, cy - 4.5f, cx - 2.5f, cy + 4.5f, cx + 3.5f, cy, ink);
		break;
	case kind::radio:
		fill(cv, x0, y0, x1, y1, circle(cx, cy, 7.5f), k_edge_dark);
		fill(cv, x0, y0, x1, y1, circle(cx, cy, 6.5f), vgrad(y0, y1, grey(.88f), k_field));
		break;
	case kind::radio_mark:
		fill(cv, x0, y0, x1, y1, circle(cx, cy, 3.6f), k_accent);
		fill(cv, x0, y0, x1, y1, circle(cx - 1, cy + 1, 1.2f), grey(1.f, .5f));
		break;
	case kind::check:
		fill(cv, x0, y0, x1, y1, round_box(x0 + 2, y0 + 2, x1 - 2, y1 - 2, 3), k_edge_dark);
		fill(cv, x0, y0, x1, y1, round_box(x0 + 3, y0 + 3, x1 - 3, y1 - 3, 2), vgrad(y0, y1, grey(.88f), k_field));
		break;
	case kind::check_mark:
		line(cv, cx - 4, cy + .5f, cx - 1, cy - 3, 2.4f, k_accent);
		line(cv, cx - 1, cy - 3, cx + 4.5f, cy + 4.5f, 2.4f, k_accent);
		break;
	case kind::vs_up: case kind::vs_down: {
		button_face(cv, x0 + 1, y0 + 1, x1 - 1, y1 - 1, false);
		float d = c.k == kind::vs_up ? 1 : -1;
		tri(cv, cx - 4, cy - 2.5f * d, cx + 4, cy - 2.5f * d, cx, cy + 3 * d, ink);
		break;
	}
	case kind::vs_thumb:
		button_face(cv, x0 + 1, y0 + 1, x1 - 1, y1 - 1, false);
		for (int i = -1; i <= 1; ++i) line(cv, cx - 4, cy + 3 * i, cx + 4, cy + 3 * i, 1, grey(.5f));
		break;
	case kind::knob:
		fill(cv, x0, y0, x1, y1, circle(cx + .5f, cy - 1, 8.5f), grey(0, .2f));
		fill(cv, x0, y0, x1, y1, circle(cx, cy, 8.5f), k_edge_dark);
		fill(cv, x0, y0, x1, y1, circle(cx, cy, 7.5f), vgrad(y0, y1, k_face_lo, k_face_hi));
		fill(cv, x0, y0, x1, y1, circle(cx, cy, 2.f), grey(.55f));
		break;
	case kind::folder: {
		const col back = rgba(0xd9a93e), front = rgba(0xf2c65a), edge = rgba(0x8a6516);
		fill(cv, x0, y0, x1, y1, round_box(x0 + 2, y0 + 4, x1 - 2, y1 - 4, 2), edge);
		fill(cv, x0, y0, x1, y1, round_box(x0 + 3, y0 + 5, x1 - 3, y1 - 5, 1.5f), back);
		fill(cv, x0, y0, x1, y1, round_box(x0 + 3, y1 - 7, x0 + 11, y1 - 3, 1.5f), edge);
		fill(cv, x0, y0, x1, y1, round_box(x0 + 4, y1 - 6, x0 + 10, y1 - 4, 1), back);
		fill(cv, x0, y0, x1, y1, polygon({{x0 + 2, y0 + 4}, {x1 - 2, y0 + 4}, {x1, y1 - 11}, {x0 + 5, y1 - 11}}), edge);
		fill(cv, x0, y0, x1, y1, polygon({{x0 + 3, y0 + 5}, {x1 - 3, y0 + 5}, {x1 - 1.3f, y1 - 12}, {x0 + 5.5f, y1 - 12}}), front);
		break;
	}
	case kind::file_icon: {
		// A sheet with a corner turned down and a mark for the kind.
		const col sheet = grey(.98f), edge = grey(.40f);
		auto page = [&] {
			fill(cv, x0, y0, x1, y1, polygon({{x0 + 1.5f, y0 + .5f}, {x1 - 1.5f, y0 + .5f}, {x1 - 1.5f, y1 - 3.5f}, {x1 - 4.5f, y1 - .5f}, {x0 + 1.5f, y1 - .5f}}), edge);
			fill(cv, x0, y0, x1, y1, polygon({{x0 + 2.5f, y0 + 1.5f}, {x1 - 2.5f, y0 + 1.5f}, {x1 - 2.5f, y1 - 3.9f}, {x1 - 4.9f, y1 - 1.5f}, {x0 + 2.5f, y1 - 1.5f}}), sheet);
		};
		switch (c.style) {
		case 1: {   // folder
			const col edge2 = rgba(0x8a6516), body = rgba(0xf2c65a);
			fill(cv, x0, y0, x1, y1, round_box(x0 + .5f, y0 + 1.5f, x1 - .5f, y1 - 3, 1), edge2);
			fill(cv, x0, y0, x1, y1, round_box(x0 + .5f, y1 - 4, x0 + 5.5f, y1 - 1.5f, 1), edge2);
			fill(cv, x0, y0, x1, y1, round_box(x0 + 1.5f, y0 + 2.5f, x1 - 1.5f, y1 - 4, .5f), body);
			break;
		}
		case 3: {   // aircraft
			page();
			const col m = rgba(0x2f6db5);
			line(cv, cx, y0 + 2.5f, cx, y1 - 2.5f, 1.3f, m);
			line(cv, x0 + 3, cy, x1 - 3, cy, 1.3f, m);
			line(cv, cx - 1.8f, y0 + 3, cx + 1.8f, y0 + 3, 1.1f, m);
			break;
		}
		case 4: {   // airfoil
			page();
			fill(cv, x0, y0, x1, y1, polygon({{x0 + 3, cy}, {x0 + 5, cy + 1.6f}, {x1 - 3, cy}, {x0 + 5, cy - .9f}}), rgba(0x2f6db5));
			break;
		}
		case 5: {   // weapon
			page();
			line(cv, x0 + 3.5f, y0 + 3.5f, x1 - 4, y1 - 4, 1.6f, rgba(0xa83a2a));
			tri(cv, x0 + 3, y0 + 5, x0 + 5, y0 + 3, x0 + 2.5f, y0 + 2.5f, rgba(0xa83a2a));
			break;
		}
		case 7: {   // object
			page();
			const col m = rgba(0x4a7d3a);
			fill(cv, x0, y0, x1, y1, polygon({{cx, y1 - 3.5f}, {x1 - 3.5f, cy + 1}, {cx, cy - 1}, {x0 + 3.5f, cy + 1}}), with_a(m, .6f));
			fill(cv, x0, y0, x1, y1, polygon({{x0 + 3.5f, cy + 1}, {cx, cy - 1}, {cx, y0 + 2.5f}, {x0 + 3.5f, y0 + 4.5f}}), m);
			fill(cv, x0, y0, x1, y1, polygon({{cx, cy - 1}, {x1 - 3.5f, cy + 1}, {x1 - 3.5f, y0 + 4.5f}, {cx, y0 + 2.5f}}), with_a(m, .8f));
			break;
		}
		case 9: {   // situation: a map pin
			page();
			const col m = rgba(0xc0392b);
			fill(cv, x0, y0, x1, y1, circle(cx, cy + 1, 2.3f), m);
			tri(cv, cx - 2, cy + .3f, cx + 2, cy + .3f, cx, y0 + 2.5f, m);
			break;
		}
		case 10: {   // movie: a strip of frames
			fill(cv, x0, y0, x1, y1, round_box(x0 + .5f, y0 + 1.5f, x1 - .5f, y1 - 1.5f, 1), grey(.25f));
			for (int i = 0; i < 4; ++i) {
				cv.set(int(x0) + 2 + i * 2 + (i > 1), int(y0) + 2, grey(.95f));
				cv.set(int(x0) + 2 + i * 2 + (i > 1), int(y1) - 3, grey(.95f));
			}
			fill(cv, x0, y0, x1, y1, round_box(x0 + 2.5f, y0 + 3.5f, x1 - 2.5f, y1 - 3.5f, .5f), rgba(0x7fb0e0));
			break;
		}
		case 12: {   // flight plan: a route through points
			page();
			const col m = rgba(0x2f6db5);
			line(cv, x0 + 3.5f, y0 + 3.5f, cx, y1 - 4.5f, 1, m);
			line(cv, cx, y1 - 4.5f, x1 - 3.5f, y0 + 4.5f, 1, m);
			fill(cv, x0, y0, x1, y1, circle(x0 + 3.5f, y0 + 3.5f, 1.2f), m);
			fill(cv, x0, y0, x1, y1, circle(x1 - 3.5f, y0 + 4.5f, 1.2f), m);
			break;
		}
		default: die("no art for file type " + std::to_string(c.style));
		}
		break;
	}
	default: die(std::string("no art for cell ") + c.name);
	}
}

void paint_swatch(canvas& cv, sample_pixel const& p)
{
	col v = rgba((p.value.r << 16) | (p.value.g << 8) | p.value.b);
	for (int y = p.t - 3; y <= p.t + 3; ++y)
		for (int x = p.s - 3; x <= p.s + 3; ++x) cv.set(x, y, v);
}

canvas paint_363()
{
	canvas cv(k_interface.w, k_interface.h);
	for (cell const& c : k_cells_363) {
		cv.clip(c.s, c.t, c.w, c.h);
		if (c.k == kind::bar) paint_bar(cv, c);
		else if (c.k == kind::vbar) paint_vbar(cv, c);
		else if (c.k == kind::panel) paint_panel(cv, c);
		else paint_small(cv, c);
	}
	font_spec_struct const& prop = *OGL_font_spec(100);
	font_spec_struct const& mono = *OGL_font_spec(101);
	cv.unclip();
	for (int b = 1; b < 256; ++b) {
		glyph_cell_struct gc = OGL_glyph_cell((unsigned char)b);
		if (gc.col == 0 && gc.row == 0) continue;   // the blank, and bytes without a glyph
		int w = OGL_glyph_width((unsigned char)b);
		// Ink one column short of the advance, so neighbours never touch.
		int ink = std::clamp(w - 1, 1, int(prop.cw));
		int up = tall_glyph((unsigned char)b) ? int(prop.ch) - 1 - k_baseline : k_ink_up;
		glyph_into_cell(cv, g_sans, code_point((unsigned char)b), int(prop.s0 + gc.col * prop.cw),
		                int(prop.t0 + gc.row * prop.ch), ink, up, k_text_px, "proportional");
		glyph_into_cell(cv, g_mono, code_point((unsigned char)b), int(mono.s0 + gc.col * mono.cw),
		                int(mono.t0 + gc.row * mono.ch), k_mono_ink - 1, up, k_text_px, "mono");
	}
	cv.unclip();
	for (sample_pixel const& p : k_samples) paint_swatch(cv, p);
	// Bars 0 and 1 reach one row past the top and wrap to row 0.
	for (int x = 0; x < cv.w; ++x) {
		if (cv.get(x, 0).a > 0) die("something painted into atlas row 0, which must stay transparent");
		cv.at(x, 0) = col{0, 0, 0, 0};
	}
	return cv;
}

// ---------------------------------------------------------------- atlas 364

// Plain buttons are light grey with dark text. The agreement's two answers
// are told apart by colour as well as by word: AGREE a saturated green,
// DECLINE a brick red, both with white text (the screen draws both under the
// same pale green tint, which keeps them green and red).
void paint_button(canvas& cv, cell const& c, int state)
{
	float x0 = c.s, x1 = c.s + c.w, y0 = button_state_t(c, state), y1 = y0 + c.h;
	bool hover = state == 1, pressed = state == 2;
	struct look { col edge, edge_hover, lo, hi, lo_hover, hi_hover, lo_pressed, hi_pressed, ink, ink_hover; };
	static const look looks[] = {
		{grey(.38f), rgba(0x2a5d9c), grey(.82f), grey(.97f), grey(.90f), grey(1.f), grey(.78f), grey(.68f),
		 rgba(0x1b2735), rgba(0x0f2b52)},
		{rgba(0x16501f), rgba(0x0d3a14), rgba(0x2f8a3c), rgba(0x52b85e), rgba(0x3a9c48), rgba(0x66cc72),
		 rgba(0x24702f), rgba(0x1d5e27), grey(1.f), grey(1.f)},
		{rgba(0x5e1d16), rgba(0x46130e), rgba(0xa8402f), rgba(0xcf6a58), rgba(0xb84a38), rgba(0xdf7c6a),
		 rgba(0x8c3426), rgba(0x742b20), grey(1.f), grey(1.f)},
	};
	look const& k = looks[std::clamp(c.style, 0, 2)];
	fill(cv, x0, y0, x1, y1, round_box(x0, y0, x1, y1, 6), pressed ? mix(k.edge, grey(0), .2f) : hover ? k.edge_hover : k.edge);
	paint_fn face = pressed ? vgrad(y0, y1, k.hi_pressed, k.lo_pressed)
	                        : hover ? vgrad(y0, y1, k.lo_hover, k.hi_hover) : vgrad(y0, y1, k.lo, k.hi);
	fill(cv, x0, y0, x1, y1, round_box(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 5), face);
	if (!pressed) fill(cv, x0, y0, x1, y1, round_box(x0 + 4, y1 - 4, x1 - 4, y1 - 2, 1), grey(1.f, (hover ? .9f : .6f) * (c.style ? .5f : 1.f)));
	int shift = pressed ? -1 : 0;
	draw_text_centred(cv, g_bold, c.text, 10.f, (x0 + x1) / 2.f + (pressed ? 1 : 0), int(y0) + 7 + shift,
	                  hover ? k.ink_hover : k.ink, 1);
}

// The product's mark: aviator's wings around a disc, the name beneath. The
// main screen draws the animated propeller icon over the disc.
constexpr float k_logo_disc_x = 29 + 32, k_logo_disc_y = 608 - 595 + 32;

void paint_logo(canvas& cv, cell const& c)
{
	float x0 = c.s, y0 = c.t, x1 = c.s + c.w;
	const col navy = rgba(0x123a6b), mid = rgba(0x2f6db5), light = rgba(0xdce9f7);
	float cx = x0 + k_logo_disc_x, cy = y0 + k_logo_disc_y;
	// Wings: four feathers a side, the upper ones longer, sweeping up to the tips.
	for (int side = -1; side <= 1; side += 2)
		for (int f = 3; f >= 0; --f) {
			float rx = cx + side * 24.f, ry = cy + 14 - f * 8.f;
			float tip = side < 0 ? x0 + 1 + f * 7.f : x1 - 1 - f * 7.f;
			float ty = cy + 24 - f * 9.f;
			std::vector<std::pair<float, float>> halo{{rx, ry + 2.5f}, {tip - side * 1.f, ty + 1.5f}, {tip - side * 8.f, ty - 8}, {rx, ry - 11}};
			fill(cv, x0, y0, x1, y0 + c.h, polygon(halo), with_a(light, .85f));
			std::vector<std::pair<float, float>> pts{{rx, ry + 1}, {tip, ty}, {tip - side * 7.f, ty - 6}, {rx, ry - 9}};
			fill(cv, x0, y0, x1, y0 + c.h, polygon(pts), navy);
			std::vector<std::pair<float, float>> in{{rx, ry}, {tip - side * 2.f, ty - 1}, {tip - side * 7.f, ty - 5}, {rx, ry - 8}};
			fill(cv, x0, y0, x1, y0 + c.h, polygon(in), vgrad(ry - 9, ty, mid, rgba(0x6aa6e6)));
		}
	fill(cv, x0, y0, x1, y0 + c.h, circle(cx, cy, 31), navy);
	fill(cv, x0, y0, x1, y0 + c.h, circle(cx, cy, 29), [=](float, float y) {
		return mix(rgba(0x1d528f), rgba(0x5d9be0), std::clamp((y - cy + 29) / 58.f, 0.f, 1.f));
	});
	fill(cv, x0, y0, x1, y0 + c.h, ring(cx, cy, 25.5f, .6f), with_a(light, .5f));
	// The name on a ribbon along the bottom.
	fill(cv, x0, y0, x1, y0 + c.h, round_box(x0 + 20, y0 + 1, x1 - 20, y0 + 14, 4), navy);
	draw_text_centred(cv, g_bold, "SKYRELL", 10.f, x0 + 64, int(y0) + 4, grey(1.f), 2);
}

// Icons 0-7 stand still; 8-23 are the frames of a turning propeller.
void paint_icon(canvas& cv, int i)
{
	float x0 = icon_s(i), y0 = icon_t(i), x1 = x0 + k_icon_size, y1 = y0 + k_icon_size;
	float cx = x0 + 32, cy = y0 + 32;
	const col navy = rgba(0x123a6b), mid = rgba(0x2f6db5), pale = rgba(0xdce9f7), white = grey(1.f);
	auto disc = [&] {
		fill(cv, x0, y0, x1, y1, circle(cx, cy, 29), navy);
		fill(cv, x0, y0, x1, y1, circle(cx, cy, 27), [=](float, float y) {
			return mix(rgba(0x1d528f), rgba(0x5d9be0), std::clamp((y - cy + 27) / 54.f, 0.f, 1.f));
		});
	};
	if (i >= k_anim_first) {
		disc();
		const float pi = 3.14159265f;
		float base = 90.f - (i - k_anim_rest) * 7.5f;   // one blade straight up at rest
		for (int b = 0; b < 3; ++b) {
			float a = (base + b * 120.f) * pi / 180.f, ux = std::cos(a), uy = std::sin(a), vx = -uy, vy = ux;
			std::vector<std::pair<float, float>> pts;
			for (int k = 0; k <= 8; ++k) {   // leading edge out, trailing edge back
				float r = 5 + k * 2.6f, half = 2.2f + 2.3f * std::sin(float(k) / 8 * pi * .85f);
				pts.push_back({cx + ux * r + vx * half * 1.1f, cy + uy * r + vy * half * 1.1f});
			}
			for (int k = 8; k >= 0; --k) {
				float r = 5 + k * 2.6f, half = 2.2f + 2.3f * std::sin(float(k) / 8 * pi * .85f);
				pts.push_back({cx + ux * r - vx * half * .7f, cy + uy * r - vy * half * .7f});
			}
			fill(cv, x0, y0, x1, y1, polygon(pts), vgrad(y0, y1, grey(.80f), white));
			line(cv, cx + ux * 24, cy + uy * 24, cx + ux * 26, cy + uy * 26, 3.2f, rgba(0xf2c65a));
		}
		fill(cv, x0, y0, x1, y1, circle(cx, cy, 6), grey(.35f));
		fill(cv, x0, y0, x1, y1, circle(cx, cy, 4.5f), vgrad(cy - 5, cy + 5, grey(.6f), grey(.95f)));
		return;
	}
	switch (i) {
	case 0: {   // globe
		disc();
		fill(cv, x0, y0, x1, y1, ring(cx, cy, 18, .9f), pale);
		fill(cv, x0, y0, x1, y1, [=](float x, float y) { return std::fabs(std::hypot((x - cx) * 2.2f, y - cy) - 18) - .9f; }, pale);
		line(cv, cx, cy - 18, cx, cy + 18, 1.8f, pale);
		line(cv, cx - 18, cy, cx + 18, cy, 1.8f, pale);
		line(cv, cx - 15, cy + 9, cx + 15, cy + 9, 1.4f, pale);
		line(cv, cx - 15, cy - 9, cx + 15, cy - 9, 1.4f, pale);
		break;
	}
	case 1:   // server
		for (int k = 0; k < 3; ++k) {
			float yb = y0 + 10 + k * 15;
			fill(cv, x0, y0, x1, y1, round_box(x0 + 12, yb, x1 - 12, yb + 12, 3), navy);
			fill(cv, x0, y0, x1, y1, round_box(x0 + 13, yb + 1, x1 - 13, yb + 11, 2), vgrad(yb, yb + 12, mid, rgba(0x5d9be0)));
			fill(cv, x0, y0, x1, y1, circle(x1 - 19, yb + 6, 2), rgba(0x7be07b));
			line(cv, x0 + 18, yb + 6, x0 + 34, yb + 6, 1.5f, pale);
		}
		break;
	case 2:   // drive
		fill(cv, x0, y0, x1, y1, round_box(x0 + 8, y0 + 18, x1 - 8, y1 - 18, 5), navy);
		fill(cv, x0, y0, x1, y1, round_box(x0 + 9, y0 + 19, x1 - 9, y1 - 19, 4), vgrad(y0 + 18, y1 - 18, grey(.7f), grey(.95f)));
		fill(cv, x0, y0, x1, y1, circle(x1 - 16, cy - 4, 2.5f), rgba(0x3aa83a));
		line(cv, x0 + 15, cy - 4, x0 + 36, cy - 4, 2, grey(.5f));
		break;
	case 3:   // download
		disc();
		fill(cv, x0, y0, x1, y1, polygon({{cx - 6, cy + 16}, {cx + 6, cy + 16}, {cx + 6, cy}, {cx + 14, cy}, {cx, cy - 16}, {cx - 14, cy}, {cx - 6, cy}}), white);
		break;
	case 4:   // folder
		fill(cv, x0, y0, x1, y1, round_box(x0 + 6, y0 + 12, x1 - 6, y1 - 14, 4), rgba(0x8a6516));
		fill(cv, x0, y0, x1, y1, round_box(x0 + 6, y1 - 20, x0 + 26, y1 - 10, 3), rgba(0x8a6516));
		fill(cv, x0, y0, x1, y1, round_box(x0 + 7, y0 + 13, x1 - 7, y1 - 15, 3), rgba(0xd9a93e));
		fill(cv, x0, y0, x1, y1, polygon({{x0 + 6, y0 + 12}, {x1 - 6, y0 + 12}, {x1 - 2, y1 - 26}, {x0 + 12, y1 - 26}}), rgba(0xf2c65a));
		break;
	case 5:   // done
		fill(cv, x0, y0, x1, y1, circle(cx, cy, 27), rgba(0x2b7a34));
		fill(cv, x0, y0, x1, y1, circle(cx, cy, 25), rgba(0x3fa04a));
		line(cv, cx - 12, cy + 1, cx - 3, cy - 9, 6, white);
		line(cv, cx - 3, cy - 9, cx + 13, cy + 11, 6, white);
		break;
	case 6:   // warning
		fill(cv, x0, y0, x1, y1, polygon({{cx, y1 - 6}, {x1 - 4, y0 + 8}, {x0 + 4, y0 + 8}}), rgba(0x8a6516));
		fill(cv, x0, y0, x1, y1, polygon({{cx, y1 - 10}, {x1 - 8, y0 + 10}, {x0 + 8, y0 + 10}}), rgba(0xf2c65a));
		line(cv, cx, cy + 10, cx, cy - 6, 5, grey(.15f));
		fill(cv, x0, y0, x1, y1, circle(cx, cy - 14, 3), grey(.15f));
		break;
	case 7: {   // settings
		const float pi = 3.14159265f;
		fill(cv, x0, y0, x1, y1, [=](float x, float y) {
			float a = std::atan2(y - cy, x - cx), r = std::hypot(x - cx, y - cy);
			float tooth = std::cos(a * 8) > .2f ? 25.f : 20.f;
			(void)pi;
			return r - tooth;
		}, grey(.45f));
		fill(cv, x0, y0, x1, y1, circle(cx, cy, 17), grey(.75f));
		fill(cv, x0, y0, x1, y1, circle(cx, cy, 8), grey(1.f, 1.f));
		break;
	}
	default: die("no art for icon " + std::to_string(i));
	}
}

// The installer's panel (style 20): a light, nearly opaque card.
void paint_panel_20(canvas& cv, cell const& c)
{
	float x0 = c.s, y0 = c.t, x1 = c.s + c.w, y1 = c.t + c.h;
	fill(cv, x0, y0, x1, y1, round_box(x0, y0, x1, y1, 6), rgba(0x5f7894, .95f));
	fill(cv, x0, y0, x1, y1, round_box(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 5), rgba(0xf7fafd, .93f));
}

canvas paint_364()
{
	canvas cv(k_installer.w, k_installer.h);
	for (cell const& c : k_cells_364) {
		cv.clip(c.s, c.t, c.w, c.h);
		if (c.k == kind::button)
			for (int state = 0; state < 3; ++state) {
				cv.clip(c.s, button_state_t(c, state), c.w, c.h);
				paint_button(cv, c, state);
			}
		else if (c.k == kind::logo) paint_logo(cv, c);
		else if (c.k == kind::panel_20) paint_panel_20(cv, c);
		else die(std::string("no art for cell ") + c.name);
	}
	for (int i = 0; i < k_icon_count; ++i) {
		cv.clip(icon_s(i), icon_t(i), k_icon_size, k_icon_size);
		paint_icon(cv, i);
	}
	cv.unclip();
	return cv;
}

// ---------------------------------------------------------------- backgrounds

// A daylight sky, light enough near the bottom and left for dark text.
canvas paint_back(bool dusk)
{
	canvas cv(k_back_1.w, k_back_1.h);
	struct stop { float y; col c; };
	std::vector<stop> sky = dusk
		? std::vector<stop>{{0, rgba(0xf6dcc0)}, {200, rgba(0xf2b988)}, {420, rgba(0xc98a8e)}, {620, rgba(0x6d6c9c)}, {768, rgba(0x39467a)}}
		: std::vector<stop>{{0, rgba(0xf2f6fb)}, {180, rgba(0xdfebf7)}, {560, rgba(0x97c0e8)}, {768, rgba(0x5f96d0)}};
	for (int y = 0; y < cv.h; ++y) {
		float fy = y + .5f;
		size_t k = 1;
		while (k + 1 < sky.size() && fy > sky[k].y) ++k;
		float f = std::clamp((fy - sky[k - 1].y) / (sky[k].y - sky[k - 1].y), 0.f, 1.f);
		col base = mix(sky[k - 1].c, sky[k].c, f * f * (3 - 2 * f));
		for (int x = 0; x < cv.w; ++x) {
			float fx = x + .5f;
			// Clouds: layered noise, thicker in bands, flattened sideways.
			float n = fbm(fx / 190.f, fy / 62.f, dusk ? 7 : 3, 5);
			float band = .55f + .45f * std::sin(fy / 768.f * 3.14159265f * 2.2f + 0.6f);
			float cloud = std::clamp((n - .52f) * 3.2f, 0.f, 1.f) * band;
			col cc = dusk ? rgba(0xffe6da) : grey(1.f);
			col c = mix(base, cc, cloud * .8f);
			// Fine grain so the gradient does not band.
			float g = (hash2(x, y, 11) - .5f) / 255.f;
			c.r += g; c.g += g; c.b += g;
			c.a = 1;
			cv.at(x, y) = c;
		}
	}
	// Distant hills along the bottom, kept pale.
	for (int x = 0; x < cv.w; ++x) {
		float hgt = 30 + 60 * fbm(x / 300.f, 0.5f, dusk ? 9 : 5, 4);
		for (int y = 0; y < cv.h && y < int(hgt) + 2; ++y) {
			float cover = std::clamp(hgt - y, 0.f, 1.f);
			col hill = dusk ? rgba(0xc7a7a6) : rgba(0xc4d8c8);
			col lo = dusk ? rgba(0xb3959a) : rgba(0xb3cbb8);
			col c = mix(lo, hill, std::clamp(y / hgt, 0.f, 1.f));
			cv.over(x, y, c, cover);
		}
	}
	return cv;
}

// ---------------------------------------------------------------- output

std::vector<unsigned char> to_bytes(canvas const& cv)
{
	std::vector<unsigned char> out(size_t(cv.w) * cv.h * 4);
	for (size_t i = 0; i < cv.px.size(); ++i) {
		col c = cv.px[i];
		unsigned char a = (unsigned char)std::lround(std::clamp(c.a, 0.f, 1.f) * 255);
		out[i * 4 + 0] = a ? (unsigned char)std::lround(std::clamp(c.r, 0.f, 1.f) * 255) : 0;
		out[i * 4 + 1] = a ? (unsigned char)std::lround(std::clamp(c.g, 0.f, 1.f) * 255) : 0;
		out[i * 4 + 2] = a ? (unsigned char)std::lround(std::clamp(c.b, 0.f, 1.f) * 255) : 0;
		out[i * 4 + 3] = a;
	}
	return out;
}

void write_raw(std::string const& path, std::vector<unsigned char> const& px)
{
	FILE* f = std::fopen(path.c_str(), "wb");
	if (!f || std::fwrite(px.data(), 1, px.size(), f) != px.size() || std::fclose(f) != 0)
		die("cannot write " + path);
}

// Previews are upright: the top row of the picture first.
void write_png(std::string const& path, int w, int h, std::vector<unsigned char> const& px)
{
	FILE* f = std::fopen(path.c_str(), "wb");
	if (!f) die("cannot write " + path);
	png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
	png_infop info = png_create_info_struct(png);
	if (setjmp(png_jmpbuf(png))) die("cannot write " + path);
	png_init_io(png, f);
	png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
	             PNG_FILTER_TYPE_DEFAULT);
	png_write_info(png, info);
	for (int y = h - 1; y >= 0; --y) png_write_row(png, const_cast<unsigned char*>(px.data() + size_t(y) * w * 4));
	png_write_end(png, info);
	png_destroy_write_struct(&png, &info);
	std::fclose(f);
}

} // namespace

#ifndef SKY_FONT_SANS
#define SKY_FONT_SANS "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
#endif
#ifndef SKY_FONT_BOLD
#define SKY_FONT_BOLD "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
#endif
#ifndef SKY_FONT_MONO
#define SKY_FONT_MONO "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
#endif

int main(int argc, char** argv)
{
	if (argc < 2 || argc > 3) {
		std::fprintf(stderr, "usage: ins_art_gen OUT_DIR [PREVIEW_DIR]\n");
		return 2;
	}
	std::string out = argv[1], preview = argc > 2 ? argv[2] : "";
	if (FT_Init_FreeType(&g_ft)) die("cannot start FreeType");
	g_sans = open_font("SKY_FONT_SANS", SKY_FONT_SANS);
	g_bold = open_font("SKY_FONT_BOLD", SKY_FONT_BOLD);
	g_mono = open_font("SKY_FONT_MONO", SKY_FONT_MONO);

	struct job { image_size size; char const* file; canvas cv; };
	std::vector<job> jobs;
	jobs.push_back({k_installer, "t_installer", paint_364()});
	jobs.push_back({k_back_1, "t_ins_back_1", paint_back(false)});
	jobs.push_back({k_back_2, "t_ins_back_2", paint_back(true)});
	jobs.push_back({k_interface, "t_interface", paint_363()});
	for (job const& j : jobs) {
		if (j.cv.w != j.size.w || j.cv.h != j.size.h) die(std::string("wrong size for ") + j.size.array);
		std::vector<unsigned char> px = to_bytes(j.cv);
		write_raw(out + "/" + j.file + ".rgba", px);
		if (!preview.empty()) write_png(preview + "/" + j.file + ".png", j.cv.w, j.cv.h, px);
	}
	return 0;
}
