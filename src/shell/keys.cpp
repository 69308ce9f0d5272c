#include "shell/keys.h"

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/xmap.h"
#include "shell/app_callbacks.h"
#include "shell/hl_mnw.h"

char const* const keys_file_name = "Resources:keys.txt";
keys_class keys;

namespace {

// Control hides the letter of these US-layout key codes.
struct control_letter {
	int code;
	char letter;
};
control_letter const control_letters[] = {
    {0x00, 'a'}, {0x01, 's'}, {0x02, 'd'}, {0x03, 'f'}, {0x04, 'h'}, {0x05, 'g'}, {0x06, 'z'},
    {0x07, 'x'}, {0x08, 'c'}, {0x09, 'v'}, {0x0B, 'b'}, {0x0C, 'q'}, {0x0D, 'w'}, {0x0E, 'e'},
    {0x0F, 'r'}, {0x10, 'y'}, {0x11, 't'}, {0x1F, 'o'}, {0x20, 'u'}, {0x22, 'i'}, {0x23, 'p'},
    {0x25, 'l'}, {0x26, 'j'}, {0x28, 'k'}, {0x2D, 'n'}, {0x2E, 'm'},
};

// F1 to F12.
int const function_keys[12] = {0x7A, 0x78, 0x63, 0x76, 0x60, 0x61, 0x62, 0x64, 0x65, 0x6D, 0x67, 0x6F};

int const key_minus = 0x1B, key_return = 0x24, key_tab = 0x30, key_delete = 0x33, key_f10 = 0x6D;
int const key_up = 0x7E, key_left = 0x7B, key_down = 0x7D, key_right = 0x7C;

bool is_arrow(int code) { return code == key_up || code == key_left || code == key_down || code == key_right; }

bool is_navigation(int code)
{
	static int const keypad[7] = {0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x5B};
	if (code == key_tab || is_arrow(code)) return true;
	for (int k : keypad)
		if (k == code) return true;
	return false;
}

// Only these bytes may enter the typed-text line: control bytes and the
// Command placeholder would end up in fields and saved settings.
bool is_printable(int ch)
{
	int const b = ch & 0xFF;
	return (b >= 0x20 && b <= 0x7E) || b >= 0xA0;
}

}  // namespace

void keys_class::handle_key(PLT_event const& event)
{
	bool const shift = event.modifiers & PLT_mod_shift;
	bool const control = event.modifiers & PLT_mod_control;
	bool const command = event.modifiers & PLT_mod_command;
	int const code = command ? -1 : static_cast<int>((event.message >> 8) & 0xFF);
	int key = command ? -9999 : code * 256;
	int ch = command ? -15 : static_cast<int>(static_cast<signed char>(event.message & 0xFF));

	int kind = 0;
	if (control) {
		kind = 2;
		for (control_letter const& c : control_letters)
			if (c.code == code) ch = shift ? c.letter - 'a' + 'A' : c.letter;
		if (code == key_minus) ch = shift ? '_' : '-';
	} else {
		for (int i = 0; i < 12; ++i)
			if (function_keys[i] == code) {
				APP_handlekey(3, 50 + i + (shift ? 12 : 0));
				return;
			}
	}
	if (is_navigation(code)) {
		kind = 1;
		if (shift && code == key_up) key = 50000;
		if (shift && code == key_left) key = 50001;
		if (shift && code == key_down) key = 50002;
		if (shift && code == key_right) key = 50003;
	}
	if (code == key_return) return_hit = 1;
	if (code == key_tab || is_arrow(code)) mnw.focus_id = -1;
	if (mnw.cur_win != 0 && return_hit) {
		VEDEZE_handleclick(1);
		return;
	}
	mnw.last_char = static_cast<signed char>(ch);
	if (mnw.cur_win != 999 && mnw.focus_id < 0) APP_handlekey(kind, kind == 1 ? key : ch);

	if (code == key_tab || is_arrow(code) || code == key_return) return;
	if (code == key_delete || (control && code == key_f10)) {
		if (!stl_input.empty()) stl_input.pop_back();
		return;
	}
	if (!command && is_printable(ch)) stl_input += static_cast<char>(ch);
}

void keys_class::init()
{
	xmap_class map;
	int versions[2] = {keys_file_version, 0};
	if (!map.io_file_open(0, keys_file_name, versions, xmap_type_text)) {
		__VEDEZE_alert(0, "Cannot open the keys file!", keys_file_name, "", "", 2, "keys", 23);
		return;
	}
	key_table = static_cast<unsigned char>(map.TXT_byt_scan());
	map.TXT_str_scan_eoln(nullptr);
}
