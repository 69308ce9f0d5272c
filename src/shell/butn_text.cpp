// The one-line text field. The keyboard handling collects what is typed in
// stl_input; the field holding the focus takes that line as its text each
// frame, so a field does no key handling of its own.
#include <string>

#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "shell/butn.h"
#include "shell/butn_util.h"

int BTN_enterstring(float x, float y, std::string* s, int maxlen, int id, std::string label)
{
	std::string left, right, help;
	BTN_expand_label(label, &left, &right, &help);
	float const cap = 6.0f * static_cast<float>(maxlen);
	BTN_frame1(9, x + 3.0f * static_cast<float>(maxlen) - 2, y + 3, cap + 10, 0);
	BTN_util_draw_label(x - 12, y, 0, left, 0);
	BTN_util_draw_label(x + cap + 6, y, 2, right, 0);
	OGL_string(44, x, y, *s, 9999, 100);

	if (butn_util::mouse_in(x, x + cap, y, y + 8)) {
		butn_util::show_help(help);
		if (mnw.click_down && mnw.focus_id != id) {
			mnw.focus_id = id;
			s->clear();
			stl_input.clear();
			return 1;
		}
	}
	if (mnw.focus_id != id) return 0;

	float const caret = x + 1 + BTN_text_width(*s);
	OGL_line(44, mnw.pulse, caret, y + 6.5f, caret, y - 0.5f);
	size_t const room = maxlen > 0 ? static_cast<size_t>(maxlen) : 0;
	if (stl_input.size() > room) stl_input.resize(room);
	*s = stl_input;
	return 0;
}

int BTN_enterstring(float x, float y, char* s, int maxlen, int id, std::string label)
{
	std::string text = s;
	int const r = BTN_enterstring(x, y, &text, maxlen, id, label);
	// Refuses a text longer than 499 characters with "String too long!".
	strcpy_limit(s, text.c_str());
	return r;
}
