// The push button, the vertical scroll bar, the scrolling name list and the
// horizontal value slider. Each works out what this frame's input does to
// its value first, then draws from the values it was handed.
//
// Index: push button - vertical slider - name list - horizontal slider.
#include <algorithm>
#include <cmath>

#include "foundation/app_globals.h"
#include "foundation/io_utils.h"
#include "foundation/xtim.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "shell/butn.h"
#include "shell/butn_util.h"

using butn_util::cell;
using butn_util::mouse_in;

// ---- push button -------------------------------------------------------------------

int BTN_action(float x, float y, float w, int lit, int mode, std::string label)
{
	std::string text;
	BTN_expand_label(label, &text, nullptr, nullptr);
	float const label_w = BTN_text_width(label);
	float const width = w > 0 ? w : label_w + 21;
	bool const clicked = butn_util::no_menu() && mnw.click_down &&
	                     mouse_in(x - width * 0.5f, x + width * 0.5f, y - 10, y + 10);

	BTN_frame1(2, x, y, width, 0);
	if (lit) BTN_frame1(3, x, y, width, 0);
	BTN_util_draw_label(x - label_w * 0.5f, y - 4, 1, text, mode == 2 && lit);
	if (!clicked) return 0;
	if (lit || mode == 0) return 1;
	// The pressed face goes on screen at once: the caller may act on the
	// click for a while before the next frame.
	BTN_frame1(3, x, y, width, 0);
	BTN_util_draw_label(x - label_w * 0.5f, y - 4, 1, text, 0);
	OGL_sbuf();
	return 1;
}

// ---- vertical slider ---------------------------------------------------------------------

int BTN_vert_slider(int id, float x, float y_bot, float y_top, int lo, int hi, int* value)
{
	static int slider_grabbed[4] = {0, 0, 0, 0};

	BTN_frame0(6, x, (y_bot + y_top) * 0.5f, y_top - y_bot);
	if (hi <= lo) return 0;

	float const a = y_bot + 9, b = y_top - 10;
	float p = (a - b) / static_cast<float>(hi - lo) * static_cast<float>(*value - lo) + b;
	p = std::min(std::max(p, a), b);

	if (id > 3 || id < 0) {
		butn_util::fatal("Too many sliders!", "", "", "", __LINE__);
		return 0;
	}
	int& grabbed = slider_grabbed[id];
	if (mnw.click_held && mouse_in(x - 11, x + 11, p - 11, p + 11)) grabbed = 1;
	if (!mnw.click_held) grabbed = 0;

	int v = *value;
	if (grabbed) {
		float const c = y_bot + 11, d = y_top - 11;
		if (c == d) {
			v = (lo + hi) / 2;
		} else {
			float f = static_cast<float>(lo) + static_cast<float>(hi - lo) / (c - d) * (mnw.mouse_y - d);
			f = std::min(std::max(f, static_cast<float>(lo)), static_cast<float>(hi));
			v = static_cast<int>(f);
		}
	} else if ((mnw.click_down || (mnw.click_long && xtim.tick5)) && mnw.mouse_x >= x - 11 &&
	           mnw.mouse_x <= x + 11) {
		float const my = mnw.mouse_y;
		if (my >= y_top && my <= y_top + 20) v -= 1;
		if (my >= y_bot - 20 && my <= y_bot) v += 1;
		if (my >= y_bot && my <= y_top) v += my >= p ? -10 : 10;
	}
	*value = std::min(std::max(v, lo), hi);

	int const col = grabbed ? 46 : 0;
	cell(x - 9, x + 9, y_top + 8 - 11, y_top + 8 + 11, 83, 101, 266, 288, col);
	cell(x - 9, x + 9, p - 13, p + 13, 83, 101, 239, 265, col);
	cell(x - 9, x + 9, y_bot - 10 - 11, y_bot - 10 + 11, 83, 101, 216, 238, col);
	return grabbed;
}

// ---- name list -------------------------------------------------------------------------------

namespace {

// Atlas column of the icon of a file type; -1 for none.
float icon_s(int type)
{
	struct icon {
		int type;
		float s;
	};
	static icon const icons[] = {{1, 34}, {3, 48}, {4, 62}, {5, 90}, {7, 146}, {9, 104}, {10, 118}, {12, 132}};
	for (icon const& i : icons)
		if (i.type == type) return i.s;
	return -1;
}

bool in_file_list(int k) { return k >= 0 && k < 3000; }

}  // namespace

int BTN_big_name_list(int type, int slider_id, float x, float y, float w, float h, int* current, int* hover, int lo,
                      int hi, std::string*, std::string (*name_of)(int))
{
	x = butn_util::round_half_away(x);
	y = butn_util::round_half_away(y);
	if (w <= 0) w = io_dx;
	float bottom, top;
	if (h > 0) {
		bottom = y - h * 0.5f;
		top = y + h * 0.5f;
	} else {
		h = io_dy;
		bottom = y + io_y_bot;
		top = y + io_y_top;
	}
	BTN_frame2(16, x, bottom, w, h, "");
	if (hi < lo) return 0;
	if (lo < hi) BTN_vert_slider(slider_id, x + w + 16, bottom, top, lo, hi, current);

	int result = 0;
	bool const over = mouse_in(x, x + w, bottom, top);
	if (over) {
		*current -= mnw.wheel;
		mnw.wheel = 0;
		int const entry = *current - static_cast<int>(butn_util::round_half_away((mnw.mouse_y - y) / 10.0f));
		*hover = entry;
		if (mnw.click_down) {
			*current = entry;
			result = 1;
		}
	}

	int const n = static_cast<int>(h / 20.0f) - 1;
	for (int i = -n; i <= n; ++i) {
		int const k = *current + i;
		if (k < lo || k > hi) continue;
		float const line = y - 10.0f * static_cast<float>(i);
		std::string text;
		if (type == 993 || type == 998 || type == 999) {
			if (in_file_list(k)) text = g_file[k];
		} else if (type == 990) {
			if (name_of) text = name_of(k);
		} else {
			butn_util::fatal("Bad big_name_list type!", "", "", "", __LINE__);
			return 0;
		}
		OGL_string(44, x + 20, line - 3, text, 9999, 100);
		if (type != 990 && in_file_list(k)) {
			float const s = icon_s(g_file_type[k]);
			if (s >= 0) cell(x + 4, x + 16, line - 6, line + 6, s, s + 12, 57, 69, 0);
		}
		if (k == *hover) OGL_fillrect(12, 0.25f, x + 18, line - 5, w - 22, 10);
	}
	OGL_framerect(44, 1, x + 18, y - 5, w - 22, 10);

	*current = std::min(std::max(*current, lo), hi);
	*hover = std::min(std::max(*hover, lo), hi);
	return result;
}

// ---- horizontal slider ---------------------------------------------------------------------

namespace {

bool is_number_text(std::string const& text)
{
	if (text.empty()) return false;
	for (char c : text)
		if (!(c >= '0' && c <= '9') && c != '-' && c != '+') return false;
	return true;
}

}  // namespace

int BTN_horz_slider(float x, float y, float w, int fill_col, float lo, float hi, float* value, int draggable,
                    std::string label, std::string text)
{
	std::string left, right, help;
	BTN_expand_label(label, &left, &right, &help);
	if (hi > lo && static_cast<double>(lo) + 0.01 > hi) hi = static_cast<float>(static_cast<double>(lo) + 0.01);
	if (hi <= lo && static_cast<double>(hi) + 0.01 > lo) lo = static_cast<float>(static_cast<double>(hi) + 0.01);
	float const m = std::min(lo, hi), M = std::max(lo, hi);

	// The fill shows the value handed in; the knob the value after a drag.
	float f = w / (hi - lo) * (*value - lo);
	f = std::max(0.0f, std::min(f, w));
	int result = 0;
	// A track of no width has no position to drag to.
	if (draggable && mnw.click_held && w > 0 && mouse_in(x - 10, x + w + 10, y - 10, y + 10)) {
		*value = std::min(std::max(m + (M - m) / w * (mnw.mouse_x - x), m), M);
		result = 1;
	}

	BTN_frame1(7, x + w * 0.5f, y, w, 0);
	BTN_util_draw_label(x - 8, y, 0, left, 0);
	BTN_util_draw_label(x + w + 8, y, 2, right, 0);
	if (mouse_in(x, x + w, y - 7, y + 7)) butn_util::show_help(help);
	float const tw = BTN_text_width(text);
	float const tx = is_number_text(text) ? x + w - tw - 3 : x + w * 0.5f - tw * 0.5f + 5;
	OGL_string(42, tx, y + 10, text, 9999, 100);
	if (fill_col != 12 && f > 0) {
		float const F = 2.0f * butn_util::round_half_away(std::trunc(f) * 0.5f);
		BTN_frame1(8, x + F * 0.5f, y + 4, F, fill_col);
	}
	if (draggable) {
		float q = x + w / (M - m) * (*value - m);
		q = std::min(std::max(q, x), x + w);
		cell(q - 10, q + 10, y + 2 - 11, y + 2 + 11, 262, 282, 267, 289, 0);
	}
	return result;
}
