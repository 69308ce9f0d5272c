// The value editors: check box and radio button with their adapters, the
// pop-up chooser, the character wheel, the digit-wheel number editor with its
// adapters, and the number display. Each decides what this frame's press does
// to its value before it draws.
//
// Index: check box and radio - pop-up chooser - character wheel - number
// editor and its adapters - number display.
#include <algorithm>
#include <cmath>
#include <vector>

#include "foundation/app_globals.h"
#include "graphics/oglp_font.h"
#include "shell/butn.h"
#include "shell/butn_util.h"
#include "shell/hl_mnw.h"

using butn_util::cell;
using butn_util::mouse_in;

// ---- check box and radio button ----------------------------------------------------------

int BTN_bool(float x, float y, int* v, std::string label, int radio)
{
	std::string left, right, help;
	BTN_expand_label(label, &left, &right, &help);
	bool const set = *v != 0;
	int result = 0;
	if (butn_util::no_menu() && mouse_in(x - 8, x + 8, y - 4, y + 12)) {
		butn_util::show_help(help);
		if (mnw.click_down) {
			*v = *v == 0 ? 1 : 0;
			result = 1;
		}
	}

	float const s0 = radio ? 83 : 139, t_box = radio ? 123 : 178, t_mark = radio ? 142 : 197;
	cell(x - 9, x + 9, y + 4 - 9, y + 4 + 9, s0, s0 + 18, t_box, t_box + 18, 0);
	if (set) cell(x - 9, x + 9, y + 4 - 9, y + 4 + 9, s0, s0 + 18, t_mark, t_mark + 18, 0);
	BTN_util_draw_label(x - 12, y, 0, left, 0);
	BTN_util_draw_label(x + 12, y, 2, right, 0);
	return result;
}

int BTN_xbol(float x, float y, bool* v, std::string label)
{
	int i = *v ? 1 : 0;
	int const r = BTN_bool(x, y, &i, label, 0);
	*v = i != 0;
	return r;
}

int BTN_xchr(float x, float y, char* v, std::string label)
{
	int i = static_cast<signed char>(*v);
	int const r = BTN_bool(x, y, &i, label, 0);
	*v = static_cast<char>(i & 0xFF);
	return r;
}

int BTN_xbyt(float x, float y, unsigned char* v, std::string label)
{
	int i = *v;
	int const r = BTN_bool(x, y, &i, label, 0);
	*v = static_cast<unsigned char>(i & 0xFF);
	return r;
}

int BTN_is_int(float x, float y, int* v, int value, std::string label)
{
	int i = *v == value ? 1 : 0;
	int const r = BTN_bool(x, y, &i, label, 1);
	if (i) *v = value;
	return r;
}

// ---- pop-up chooser --------------------------------------------------------------------------

namespace {

int const max_items = 300;

// The items of a chooser, separated by '-'; a '|' or a 301st item is a
// fatal misuse.
std::vector<std::string> chooser_items(std::string const& items, std::string const& label)
{
	std::vector<std::string> out(1);
	for (char c : items) {
		if (c == '-')
			out.emplace_back();
		else if (c == '|')
			butn_util::fatal("Found | char in text string!", items, "", label, __LINE__);
		else
			out.back() += c;
		if (static_cast<int>(out.size()) > max_items)
			butn_util::fatal("BTN_text_list overflow!", items, "", label, __LINE__);
	}
	return out;
}

}  // namespace

int BTN_textlist(float x, float y, int* sel, std::string items, std::string label)
{
	std::string left, right, help;
	BTN_expand_label(label, &left, &right, &help);
	std::vector<std::string> const list = chooser_items(items, label);
	int const last = static_cast<int>(list.size()) - 1;
	*sel = std::min(std::max(*sel, 0), last);

	float W = 0;
	for (std::string const& item : list) W = std::max(W, std::trunc(BTN_text_width(item)));
	float const hx1 = x + 10 - W * 0.5f - 15, hx2 = x + 10 + W * 0.5f + 15;
	bool const over = mouse_in(hx1, hx2, y - 2, y + 8);
	int const code = static_cast<int>(y * 1024 + x);

	if (mnw.click_down && code != active_popup_code && over) active_popup_code = code;
	int result = 0;
	if (select_popup_code == code) {
		*sel = popup_menu_select;
		select_popup_code = 0;
		result = 1;
	}

	BTN_frame1(10, x + 10, y + 5, W + 28, 0);
	BTN_util_draw_label(x - W * 0.5f - 5, y, 0, left, 0);
	BTN_util_draw_label(x + W * 0.5f + 25, y, 2, right, 0);

	if (code != active_popup_code) {
		// A choice is taken as the menu hands it over; an index outside the
		// list shows nothing rather than reading past it.
		if (*sel >= 0 && *sel <= last) {
			std::string const& text = list[static_cast<size_t>(*sel)];
			OGL_string(37, x - BTN_text_width(text) * 0.5f, y, text, 9999, 100);
		}
		if (over) butn_util::show_help(help);
		return result;
	}

	// Open: the list is menu 1519, the current item at the chooser's height.
	if (menu.size() < static_cast<size_t>(menu_count)) menu.resize(menu_count);
	menu_struct& m = menu[menu_popup];
	mnw.open_menu = menu_popup;
	m.parent = -1;
	m.x1 = static_cast<short>(static_cast<int>(x - W * 0.5f - 3));
	m.y1 = static_cast<short>(static_cast<int>(y - 12.0f * static_cast<float>(last - *sel) - 4));
	m.x2 = static_cast<short>(m.x1 + W + 8);
	m.y2 = static_cast<short>(m.y1 + 12 * last + 14);
	m.items.resize(static_cast<size_t>(last) + 1);
	for (int i = 0; i <= last; ++i) {
		item_struct& it = m.items[static_cast<size_t>(i)];
		it.text = list[static_cast<size_t>(i)];
		it.korean = 0;
		it.x1 = m.x1;
		it.x2 = m.x2;
		it.y1 = static_cast<short>(static_cast<int>(y - 12.0f * static_cast<float>(i - *sel)));
		it.y2 = static_cast<short>(it.y1 + 12);
	}
	// Moves one row a frame until the list fits the window.
	if (m.items.back().y1 < 0) *sel += 1;
	if (m.items.front().y2 > mnw.y_res_use) *sel -= 1;
	return result;
}

// ---- character wheel ------------------------------------------------------------------------

namespace {

char const alphabet[] = " 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-";
int const alphabet_size = 38;

int alphabet_index(char c)
{
	if (c >= 'a' && c <= 'z') return 11 + (c - 'a');
	if (c >= 'A' && c <= 'Z') return 11 + (c - 'A');
	if (c == ' ') return 0;
	if (c == '-') return 37;
	if (c >= '1' && c <= '9') return 2 + (c - '1');
	return 1;
}

}  // namespace

void BTN_chars(float x, float y, char* buf, int n, std::string label)
{
	std::string left, help;
	BTN_expand_label(label, &left, nullptr, &help);
	float const nf = static_cast<float>(n);
	BTN_frame1(9, x + 5 * nf + 1, y + 3, 10 * nf + 11, 0);
	for (int k = 0; k < n; ++k) butn_util::wheel_arrows(x + 10.0f * static_cast<float>(k) + 6, y);
	BTN_util_draw_label(x - 6, y, 0, left, 0);
	for (int k = 0; k < n; ++k) {
		float const cx = x + 10.0f * static_cast<float>(k);
		OGL_string(44, cx + 3, y, std::string(1, buf[k]), 9999, 100);
		if (mouse_in(cx, cx + 10, y - 2, y + 8)) butn_util::show_help(help);
		if (mnw.click_down && mouse_in(cx, cx + 10, y - 18, y + 24)) {
			int const step = mnw.mouse_y < y + 3 ? 1 : -1;
			int const i = (alphabet_index(buf[k]) + step + alphabet_size) % alphabet_size;
			buf[k] = alphabet[i];
		}
	}
}

// ---- number editor -----------------------------------------------------------------------

namespace {

float pow10f_of(int p) { return static_cast<float>(std::pow(10.0, p)); }

// Where a number editor's parts go; shared with the number display.
void draw_number_body(float x, float y, float value, int digits, int decimals, std::string const& left,
                      std::string const& right, bool arrows)
{
	float const d = static_cast<float>(digits);
	BTN_frame1(9, x + 5 * d - 1, y + 3, 10 * d + 15, 0);
	if (arrows)
		for (int k = 0; k < digits; ++k) butn_util::wheel_arrows(x + 10.0f * static_cast<float>(k) + 6, y);
	BTN_util_draw_label(x - 12, y, 0, left, 0);
	BTN_util_draw_label(x + 10 * d + 12, y, 2, right, 0);
	OGL_number(44, x + 4, y, value, digits, decimals, 102);
}

}  // namespace

int BTN_flt_range(float x, float y, float* v, int digits, int decimals, float lo, float hi, std::string label)
{
	std::string left, right, help;
	BTN_expand_label(label, &left, &right, &help);
	int result = 0;
	float value = *v;
	if (butn_util::no_menu() && mouse_in(x, x + 10.0f * static_cast<float>(digits), y - 18, y + 24)) {
		if (mnw.mouse_y >= y - 2 && mnw.mouse_y <= y + 8) butn_util::show_help(help);
		if (mnw.click_down) {
			float step = pow10f_of(digits - 1) / pow10f_of(decimals);
			int const columns = std::min(digits, 10);
			for (int k = 0; k < columns; ++k) {
				float const cx = x + 10.0f * static_cast<float>(k);
				if (mnw.mouse_x >= cx && mnw.mouse_x <= cx + 10) {
					value += mnw.mouse_y < y + 3 ? -step : step;
					result = 1;
				}
				step /= 10.0f;
			}
		}
	}
	if (value < lo) value = lo;
	if (value > hi) value = hi;
	float const scale = pow10f_of(decimals);
	value = std::round(value * scale) / scale;
	*v = value;

	draw_number_body(x, y, value, digits, decimals, left, right, true);
	return result;
}

namespace {

// The largest number of 1 to 10 digits, that many decimals of them.
float number_max(int digits, int decimals)
{
	static double const nines[10] = {9,       9.9,       9.99,       9.999,       9.9999,
	                                 9.99999, 9.999999, 9.9999999, 9.99999999, 9.999999999};
	float const m = pow10f_of(digits - 1) / pow10f_of(decimals);
	return static_cast<float>(static_cast<double>(m) * nines[digits - 1]);
}

// No maximum is defined outside 1 to 10 digits.
bool digits_ok(int digits, char const* who, int line)
{
	if (digits >= 1 && digits <= 10) return true;
	butn_util::fatal(std::string("Bad digits arg to ") + who + "!", "", "", "", line);
	return false;
}

}  // namespace

int BTN_flt(float x, float y, float* v, int digits, int decimals, int neg, std::string label)
{
	if (!digits_ok(digits, "BTN_flt", __LINE__)) return 0;
	float const max = number_max(digits, decimals);
	return BTN_flt_range(x, y, v, digits, decimals, neg ? -max : 0, max, label);
}

int BTN_dob_range(float x, float y, double* v, int digits, int decimals, float lo, float hi, std::string label)
{
	float f = static_cast<float>(*v);
	int const r = BTN_flt_range(x, y, &f, digits, decimals, lo, hi, label);
	if (r) *v = f;
	return r;
}

int BTN_int_range(float x, float y, int* v, int digits, float lo, float hi, std::string label)
{
	float f = static_cast<float>(*v);
	int const r = BTN_flt_range(x, y, &f, digits, 0, lo, hi, label);
	*v = static_cast<int>(f);
	return r;
}

int BTN_int(float x, float y, int* v, int digits, int neg, std::string label)
{
	if (!digits_ok(digits, "BTN_int", __LINE__)) return 0;
	float const max = number_max(digits, 0);
	return BTN_int_range(x, y, v, digits, neg ? -max : 0, max, label);
}

int BTN_fltij(float i, float j, float* v, int digits, int decimals, int neg, std::string label)
{
	return BTN_flt(75 * i + 75 - 10.0f * static_cast<float>(digits), 50 * j + 25, v, digits, decimals, neg, label);
}

int BTN_flt_rangeij(float i, float j, float* v, int digits, int decimals, float lo, float hi, std::string label)
{
	return BTN_flt_range(75 * i + 75 - 10.0f * static_cast<float>(digits), 50 * j + 25, v, digits, decimals, lo,
	                     hi, label);
}

// ---- number display ------------------------------------------------------------------------

void BTN_display_number(float x, float y, float value, int digits, int decimals, std::string const& label)
{
	std::string left, right;
	BTN_expand_label(label, &left, &right, nullptr);
	draw_number_body(x, y, value, digits, decimals, left, right, false);
}
