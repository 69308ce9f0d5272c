// Building the menu table: bar titles and submenus, their items laid out as
// one column, and the loader of menu text files.
#include <algorithm>
#include <cmath>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/xmap.h"
#include "shell/hl_mnw.h"

namespace {

float bar_x = 0;  // where the next bar title starts

int const max_items = 300;  // a submenu's parent code is menu * 300 + item
size_t const max_text = 39;

void fatal(char const* message, std::string const& text, int line)
{
	__VEDEZE_alert(0, message, "", "", text, 2, "hl_mnw", line);
}

// Truncated to the 16-bit rectangle fields; a value they cannot hold (a very
// long bar) stops at their limit instead of wrapping round.
short whole(float v) { return static_cast<short>(std::min(32767.0f, std::max(-32768.0f, std::trunc(v)))); }

}  // namespace

void VEDEZE_create_menu(int i, int parent_code, std::string title)
{
	// A bad number in a menu file must not reach outside the table.
	int const parent = parent_code / max_items, parent_item = parent_code % max_items;
	bool const bad_parent = parent_code != 0 &&
	                        (parent_code < 0 || parent >= menu_count || parent >= static_cast<int>(menu.size()) ||
	                         parent_item >= static_cast<int>(menu[static_cast<size_t>(parent)].items.size()));
	if (i < 0 || i >= menu_count || i >= static_cast<int>(menu.size()) || bad_parent)
	{
		fatal("Menu index out of range in create_menu!", title, 264);
		return;
	}

	if (title.size() > max_text) title.resize(max_text + 1);
	menu_struct& m = menu[static_cast<size_t>(i)];
	m.title = title;

	if (parent_code != 0) {
		item_struct const& opener = menu[static_cast<size_t>(parent)].items[static_cast<size_t>(parent_item)];
		m.parent = parent;
		m.x1 = opener.x1;
		m.y1 = opener.y1;
		m.x2 = opener.x2;
		m.y2 = opener.y2;
		return;
	}
	m.parent = -1;
	if (i == 0) bar_x = 0;
	float const x2 = bar_x + menu_dx(title) + 30;
	m.x1 = whole(bar_x);
	m.x2 = whole(x2);
	m.y1 = whole(750 + mnw.menu_dy);
	m.y2 = whole(768 + mnw.menu_dy);
	bar_x = x2;
}

void VEDEZE_append_menu(int i, int item, int code, std::string text, int plain)
{
	if (i < 0 || item < 0) return;
	char const* bad = nullptr;
	int line = 0;
	if (i >= menu_count || i >= static_cast<int>(menu.size()))
		bad = "Menu index out of range in append_menu!", line = 302;
	else if (item >= max_items)
		bad = "Item index out of range in append_menu!", line = 303;
	else if (text.size() > max_text)
		bad = "Menu name too long in append_menu!", line = 304;
	if (bad) {
		fatal(bad, text, line);
		return;
	}

	menu_struct& m = menu[static_cast<size_t>(i)];
	if (m.items.size() < static_cast<size_t>(item) + 1) m.items.resize(static_cast<size_t>(item) + 1);
	item_struct& it = m.items[static_cast<size_t>(item)];
	it.text = text;
	it.code = code;
	it.korean = mnw.lang == 6 && plain == 0 ? 1 : 0;

	int row = it.korean ? 14 : 12;
	if (!text.empty() && text[0] == '-') row = 2;
	if (item == 0 && m.parent != -1) {
		// A submenu starts on the row of the item that opens it.
		it.y1 = m.y1;
		it.y2 = m.y2;
	} else {
		it.y2 = item > 0 ? m.items[static_cast<size_t>(item) - 1].y1 : m.y1;
		it.y1 = whole(static_cast<float>(it.y2 - row));
	}

	float w = 0;
	for (int k = 0; k <= item; ++k) w = std::max(w, menu_dx(m.items[static_cast<size_t>(k)].text) + 30);
	for (int k = 0; k <= item; ++k) {
		item_struct& e = m.items[static_cast<size_t>(k)];
		e.x1 = m.x1;
		e.x2 = whole(m.x1 + w);
	}
}

namespace {

// One line of the mapped file from *at, without its line end (CR, LF or
// CR LF, as the framework's text files have them); *at moves past it. False
// at the end of the data.
bool next_line(xmap_class const& map, char const** at, std::string* line)
{
	if (*at >= map.end) return false;
	char const* const eol = std::find_if(*at, map.end, [](char c) { return c == '\n' || c == '\r'; });
	line->assign(*at, eol);
	*at = eol;
	if (*at < map.end && **at == '\r') ++*at;
	if (*at < map.end && **at == '\n') ++*at;
	return true;
}

// "number blanks text": the number up to the first blank, the text after the
// run of blanks.
void split_line(std::string const& line, int* number, std::string* text)
{
	size_t const blank = line.find_first_of(" \t");
	*number = str_to_int(line.substr(0, blank));
	text->clear();
	if (blank == std::string::npos) return;
	size_t const start = line.find_first_not_of(" \t", blank);
	if (start != std::string::npos) *text = line.substr(start);
}

std::string trimmed_end(std::string const& line)
{
	size_t const last = line.find_last_not_of(" \t");
	return last == std::string::npos ? std::string() : line.substr(0, last + 1);
}

}  // namespace

void VEDEZE_read_menus(std::string base, std::string name)
{
	static char const* const folders[7] = {"menus:english:", "menus:french:",    "menus:german:", "menus:italian:",
	                                       "menus:spanish:", "menus:portugese:", "menus:korean:"};
	std::string const path = base + (mnw.lang >= 0 && mnw.lang < 7 ? folders[mnw.lang] : "") + name;

	xmap_class map;
	int versions[2] = {menu_file_version, 0};
	if (!map.io_file_open(0, path, versions, xmap_type_text)) {
		__VEDEZE_alert(0, "Cannot open file!", path, "Trash this copy and re-install Skyrell.", "", 2, "hl_mnw", 550);
		return;
	}

	bool const korean = mnw.lang == 6;
	char const* at = map.cursor;
	std::string line, text;
	int number = 0;
	for (int n = 0; next_line(map, &at, &line) && !trimmed_end(line).empty(); ++n) {
		split_line(line, &number, &text);
		if (korean) char_string_to_int_string(&text);
		VEDEZE_create_menu(n, number, text);
		for (int k = 0; next_line(map, &at, &line) && trimmed_end(line) != "-"; ++k) {
			split_line(line, &number, &text);
			if (korean) char_string_to_int_string(&text);
			VEDEZE_append_menu(n, k, number, text, 0);
		}
	}
}

int accept_menu(int) { return 1; }
int accept_item(int) { return 1; }
