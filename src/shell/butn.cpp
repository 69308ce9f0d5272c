// Index: shared quad drawing - cells and close boxes - BTN_frame1 and
// BTN_frame0 (bars) - BTN_frame2 (nine-slice panel) - labels - tabs,
// backgrounds and panels - boxed text.
#include "shell/butn.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "graphics/oglp.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "graphics/oglp_glyph.h"
#include "graphics/tman.h"
#include "shell/butn_util.h"

butn_class butn;
float io_dx = 280, io_cx = 160, io_dy = 220, io_cy = 0;
float const io_y_bot = -110, io_y_top = 110;

namespace {

int const tex_interface = 363;
int const tex_installer = 364;

// Binds the atlas and sets the frames' colour and render state; the quads
// follow in one batch.
void begin_batch(int ref, int col)
{
	OGL_setstate(1, 1, 3, 5, 9, 11);
	tman.bind_ref(ref, 0, 0);
	OGL_set_colour(col, 1.0f);
	glBegin(GL_QUADS);
}

// Clockwise with y up: the start-up state culls the other winding.
void quad(float x1, float y1, float x2, float y2, float s1, float t1, float s2, float t2)
{
	glTexCoord2f(s1, t1);
	glVertex2f(x1, y1);
	glTexCoord2f(s1, t2);
	glVertex2f(x1, y2);
	glTexCoord2f(s2, t2);
	glVertex2f(x2, y2);
	glTexCoord2f(s2, t1);
	glVertex2f(x2, y1);
}

float even(float v) { return 2.0f * std::round(v * 0.5f); }

// Bars: caps at both ends, tiles of the band cap..seg between them; the last
// tile is cut at len - cap and shows cap .. cap + (seg - cap) d / seg.
std::vector<BTN_piece> bar_pieces(float len, float cap, float seg, float end)
{
	std::vector<BTN_piece> out;
	out.push_back({0, cap, 0, cap});
	float const tile = seg - cap;
	float const E = len - cap;
	int const n = static_cast<int>((E - cap) / tile) + 1;
	for (int k = 0; k < n; ++k) {
		float const a = cap + tile * static_cast<float>(k);
		if (k < n - 1) {
			out.push_back({a, a + tile, cap, seg});
			continue;
		}
		float const d = E - a;
		if (d <= 0) break;
		float t1 = cap + tile * d / seg;
		if (t1 > seg) t1 = seg;
		out.push_back({a, E, cap, t1});
	}
	out.push_back({E, len, seg, end});
	return out;
}

// Panels: corners of 0.4 size, tiles of the middle band cropped exactly.
std::vector<BTN_piece> panel_pieces(float extent, float size)
{
	float const c = 0.4f * size;
	float const band = size - 2 * c;
	std::vector<BTN_piece> out;
	out.push_back({0, c, 0, c});
	int const n = static_cast<int>((extent - 2 * c) / band) + 1;
	for (int k = 0; k < n; ++k) {
		float const a = c + band * static_cast<float>(k);
		float b = a + band;
		if (b > extent - c) b = extent - c;
		if (b <= a) break;
		out.push_back({a, b, c, c + (b - a)});
	}
	out.push_back({extent - c, extent, size - c, size});
	return out;
}

void fatal(char const* message, int line) { __VEDEZE_alert(0, message, "", "", "", 2, "butn", line); }

}  // namespace

namespace butn_util {

void cell(float x1, float x2, float y1, float y2, float s0, float s1, float t0, float t1, int col)
{
	OGL_2dquad_d(tex_interface, col, 1.0f, x1, y1, s0 / 512.0f, t0 / 512.0f, x2 - x1, y2 - y1, (s1 - s0) / 512.0f,
	             (t1 - t0) / 512.0f, 5);
}

void wheel_arrows(float cx, float y)
{
	float const mid = y + 3;
	cell(cx - 7, cx + 7, mid - 13 - 9, mid - 13 + 9, 83, 97, 178, 196, 0);
	cell(cx - 7, cx + 7, mid + 15 - 9, mid + 15 + 9, 83, 97, 197, 215, 0);
}

void show_help(std::string const& help) { stls.help_text = help; }

float round_half_away(float v) { return std::round(v); }

void fatal(std::string const& m1, std::string const& m2, std::string const& m3, std::string const& m4, int line)
{
	__VEDEZE_alert(0, m1, m2, m3, m4, 2, "butn", line);
}

}  // namespace butn_util

// ---- cells and close boxes ----------------------------------------------------------

void BTN_util_element(float x, float y, float u, float v, float hw, float hh, int col)
{
	OGL_2dquad_d(tex_interface, col, 1.0f, x - hw, y - hh, (u - hw) / 512.0f, (v - hh) / 512.0f, 2 * hw, 2 * hh,
	             2 * hw / 512.0f, 2 * hh / 512.0f, 5);
}

int BTN_zap_boxes(int pressed)
{
	float const v = pressed ? 206.0f : 187.0f;
	BTN_util_element(16, mnw.win_dy - 10, 129, v, 9, 9, 0);
	BTN_util_element(mnw.win_dx - 16, mnw.win_dy - 10, 129, v, 9, 9, 0);
	if (!mnw.click_down) return 0;
	float const x = mnw.mouse_x, y = mnw.mouse_y;
	bool const in_row = y >= mnw.win_dy - 19 && y <= mnw.win_dy - 1;
	bool const left = x >= 7 && x <= 25;
	bool const right = x >= mnw.win_dx - 25 && x <= mnw.win_dx - 7;
	return in_row && (left || right) ? 1 : 0;
}

// ---- bars -------------------------------------------------------------------------------

void BTN_frame1(int style, float x, float y, float w, int col)
{
	struct bar {
		float cap, seg, end, h, s0, t0, extra, shift;
	};
	static bar const bars[11] = {
	    {10, 90, 100, 26, 1, 487, 0, -3},   {20, 80, 100, 26, 102, 487, 0, -3}, {10, 42, 52, 26, 304, 486, 0, 0},
	    {10, 42, 52, 26, 304, 459, 0, 0},   {10, 18, 28, 16, 112, 161, 0, 0},   {10, 18, 28, 16, 83, 161, 0, 0},
	    {0, 0, 0, 0, 0, 0, 0, 0},           {10, 55, 65, 24, 240, 242, 0, 0},   {7, 9, 16, 16, 289, 219, 0, 0},
	    {10, 41, 51, 26, 262, 133, 4, 0},   {26, 42, 68, 24, 357, 488, 4, 0},
	};
	if (style < 0 || style > 10 || style == 6) {
		fatal("Bad BTN_frame1 call!", __LINE__);
		return;
	}
	bar const& b = bars[style];
	float const W = even(w) + b.extra;
	float const cx = even(x) + mnw.org_x, cy = y + b.shift + mnw.org_y;
	float const left = cx - W * 0.5f, bottom = cy - b.h * 0.5f;
	float const t1 = b.t0 / 512.0f, t2 = (b.t0 + b.h) / 512.0f;
	begin_batch(tex_interface, col);
	for (BTN_piece const& p : bar_pieces(W, b.cap, b.seg, b.end))
		quad(left + p.p0, bottom, left + p.p1, bottom + b.h, (b.s0 + p.t0) / 512.0f, t1, (b.s0 + p.t1) / 512.0f, t2);
	glEnd();
}

void BTN_frame0(int style, float x, float y, float len)
{
	if (style != 6) {
		fatal("Bad BTN_frame0 call!", __LINE__);
		return;
	}
	if (x != std::floor(x)) {
		fatal("BTN_frame0 non-int x_center!", __LINE__);
		return;
	}
	if (y != std::floor(y)) {
		fatal("BTN_frame0 non-int y_center!", __LINE__);
		return;
	}
	float const L = 2.0f * std::round(len * 0.5f) + 8.0f;
	float const left = x + mnw.org_x - 10.0f, bottom = y + mnw.org_y - L * 0.5f;
	begin_batch(tex_interface, 0);
	for (BTN_piece const& p : bar_pieces(L, 10, 30, 40))
		quad(left, bottom + p.p0, left + 20, bottom + p.p1, 102 / 512.0f, (248 + p.t0) / 512.0f, 122 / 512.0f,
		     (248 + p.t1) / 512.0f);
	glEnd();
}

// ---- nine-slice panel ------------------------------------------------------------------

void BTN_frame2(int style, float x, float y, float w, float h, std::string title)
{
	struct panel {
		float s0, t0, size, dx, dy, pad_w, pad_h;
		int title_col;
	};
	static panel const panels[10] = {
	    {1, 358, 100, 9, 14, 18, 18, 39},  {102, 358, 100, 9, 14, 18, 18, 42}, {203, 358, 100, 9, 14, 18, 18, 42},
	    {304, 358, 100, 9, 14, 18, 18, 42}, {405, 358, 100, 9, 14, 18, 18, 46}, {1, 289, 68, 2, 2, 4, 4, 42},
	    {70, 315, 42, 8, 13, 16, 15, 42},   {113, 315, 42, 8, 13, 16, 15, 42},  {440, 12, 44, 6, 9, 12, 13, 42},
	    {774, 78, 41, 1, 1, 2, 2, 42},
	};
	if (style < 11 || style > 20) {
		fatal("Bad BTN_frame2 call!", __LINE__);
		return;
	}
	panel const& p = panels[style - 11];
	float const texel = style == 20 ? 1024.0f : 512.0f;
	float const left = x - p.dx + mnw.org_x, bottom = y - p.dy + mnw.org_y;
	std::vector<BTN_piece> const across = panel_pieces(w + p.pad_w, p.size);
	std::vector<BTN_piece> const up = panel_pieces(h + p.pad_h, p.size);
	begin_batch(style == 20 ? tex_installer : tex_interface, 0);
	for (BTN_piece const& r : up)
		for (BTN_piece const& c : across)
			quad(left + c.p0, bottom + r.p0, left + c.p1, bottom + r.p1, (p.s0 + c.t0) / texel,
			     (p.t0 + r.t0) / texel, (p.s0 + c.t1) / texel, (p.t0 + r.t1) / texel);
	glEnd();
	if (!title.empty()) {
		float const width = BTN_text_width(title);
		float const tx = style == 20 ? x + 10 : x + w * 0.5f - width * 0.5f;
		float const ty = style == 11 ? y + h - 13 : y + h - 16;
		OGL_string(p.title_col, tx, ty, title, 9999, 100);
	}
	if (style == 11 && mnw.cur_win != 0 && (mnw.cur_win < 995 || mnw.cur_win > 999)) BTN_zap_boxes(0);
}

// ---- labels -----------------------------------------------------------------------------

void BTN_expand_label(std::string const& label, std::string* left, std::string* right, std::string* help)
{
	size_t const n = label.size();
	size_t const bar = label.rfind('|');
	size_t const brace = label.rfind('{');
	size_t const c = brace == std::string::npos ? n : brace;
	std::string l, r, h;
	if (bar == std::string::npos) {
		l = label.substr(0, c);
	} else {
		l = label.substr(0, bar);
		if (bar + 1 < c) r = label.substr(bar + 1, c - bar - 1);
	}
	if (brace != std::string::npos && brace + 2 <= n) h = label.substr(brace + 2);
	if (left) *left = l;
	if (right) *right = r;
	if (help) *help = h;
}

float BTN_text_width(std::string const& text) { return OGL_text_width(text); }

std::vector<BTN_label_line> BTN_label_layout(float x, float y, int align, std::string const& text)
{
	std::vector<BTN_label_line> out;
	if (text.empty()) return out;
	std::string t = text;
	bool wrap = true;
	if (t[0] == '-') {
		t.erase(0, 1);
		wrap = false;
	}
	if (align == 1) {
		out.push_back({t, x, y});
		return out;
	}
	if (align != 0 && align != 2) return out;

	std::vector<std::string> lines{t};
	float top = y;
	int const n = static_cast<int>(t.size());
	if (wrap && n > 12) {
		int const half = n / 2;
		int best = -1;
		for (int i = 0; i < n; ++i) {
			char const c = t[static_cast<size_t>(i)];
			if (c != ' ' && c != '-' && c != '/') continue;
			if (best < 0 || std::abs(i - half) < std::abs(best - half)) best = i;
		}
		if (best >= 1 && best <= n - 2) {
			lines = {t.substr(0, static_cast<size_t>(best)), t.substr(static_cast<size_t>(best) + 1)};
			top = y + 5;
		}
	}
	for (size_t k = 0; k < lines.size(); ++k) {
		float const ly = top - 10.0f * static_cast<float>(k);
		float const lx = align == 0 ? x - BTN_text_width(lines[k]) : x;
		out.push_back({lines[k], lx, ly});
	}
	return out;
}

void BTN_util_draw_label(float x, float y, int align, std::string const& text, int lit)
{
	for (BTN_label_line const& l : BTN_label_layout(x, y, align, text))
		OGL_string(lit ? 76 : 42, l.x, l.y, l.text, 9999, 100);
}

// ---- tabs, backgrounds and panels ------------------------------------------------------

int BTN_tab(int index, int row, int* sel, int value, std::string label)
{
	float const cx = 88.0f * static_cast<float>(index) + 53.0f;
	float const cy = mnw.win_dy - 38.0f - 32.0f * static_cast<float>(row);
	bool const chosen = sel && *sel == value;
	int hit = 0;
	if (mnw.click_down && butn_util::mouse_in(cx - 50, cx + 40, cy - 13, cy + 13)) {
		if (sel) *sel = value;
		hit = 1;
	}
	float const t0 = chosen ? 486.0f : 459.0f;
	butn_util::cell(cx - 49, cx + 49, cy - 13, cy + 13, 204, 302, t0, t0 + 26, 0);
	OGL_string(chosen ? 40 : 41, cx - 35, cy - 4, label, 9999, 100);
	return hit;
}

void BTN_util_draw_boxed_button(float x, float y, float w, float dx, int n)
{
	BTN_frame1(9, x, y, w, 0);
	for (int k = 0; k < n; ++k) {
		float const cx = x + dx + 5 - 5.0f * static_cast<float>(n) + 10.0f * static_cast<float>(k);
		butn_util::cell(cx - 7, cx + 7, y - 13 - 9, y - 13 + 9, 83, 97, 178, 196, 0);
		butn_util::cell(cx - 7, cx + 7, y + 15 - 9, y + 15 + 9, 83, 97, 197, 215, 0);
	}
}

void BTN_fillwin(int framed, int inner)
{
	BTN_frame2(framed ? 11 : 12, 0, 0, mnw.win_dx, mnw.win_dy, stls.win_title);
	if (inner == 1)
		BTN_frame1(1, mnw.win_dx * 0.5f, mnw.win_dy - 50, mnw.win_dx, 0);
	else if (inner != 21)
		BTN_frame2(inner, 10, 10, mnw.win_dx - 20, mnw.win_dy - 40, "");
}

void BTN_subwin(float title_h, int style, float x, float y, float w, float h, std::string title, float* next_x,
                float* next_y)
{
	if (x < 0) x = 10;
	if (y < 0) y = 10;
	if (w < 0) w = mnw.win_dx - 10 - x;
	if (h < 0) h = mnw.win_dy - 28 - y - title_h;
	BTN_frame2(style, x, y, w, h, title);
	if (next_x) *next_x = x + w + 10;
	if (next_y) *next_y = y + h + 10;
}

// ---- boxed text ------------------------------------------------------------------------

void OGL_boxed_string(float x, float y, std::string const& label, std::string const& text, int font, int col)
{
	std::string left, right;
	BTN_expand_label(label, &left, &right, nullptr);
	float box = 100;
	if (font == 100)
		box = 7 + BTN_text_width(text);
	else if (font == 102)
		box = 10.0f * static_cast<float>(text.size()) + 7;
	BTN_frame1(9, x, y + 3, box, 0);
	float const L = x - box * 0.5f;
	BTN_util_draw_label(L - 8, y, 0, left, 0);
	BTN_util_draw_label(x + box * 0.5f + 8, y, 2, right, 0);
	OGL_string(col, L + 4, y, text, 9999, font);
}
