// The modal screens the shell itself runs in the window: the alert screen
// (window 995), which is also the language chooser, and the three-choice
// screen (window 996). Each draws its screen and runs frames until it is
// dismissed.
#include <GL/gl.h>

#include <algorithm>
#include <string>

#include "foundation/app_globals.h"
#include "graphics/oglp.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "graphics/oglp_glyph.h"
#include "platform/gl_window.h"
#include "shell/butn.h"
#include "shell/hl_mnw.h"

namespace {

int const alert_col = 42, alert_font = 100;

// A text as it keeps to `rows` rows of `width`, wrapped as drawn: whole when
// it does, else with as much of its middle given up as that takes. A long
// path would otherwise run over the lines under it and out of the panel.
std::string fit_rows(std::string const& text, float width, int rows)
{
	auto fits = [&](std::string const& t) {
		float low = 0, right = 0;
		for (glyph_quad_struct const& q : OGL_layout_string(alert_font, 0, 0, t, width)) {
			low = std::min(low, q.y);
			right = std::max(right, q.x);
		}
		return low > -10.0f * static_cast<float>(rows) && right <= width - 9;  // 9: the widest glyph
	};
	if (fits(text)) return text;
	std::string fit;
	for (float room = width * static_cast<float>(rows); room > 0; room -= width / 8) {
		fit = OGL_fit_middle(text, room);
		if (fits(fit)) return fit;
	}
	return fits("...") ? "..." : "";
}

// The language chooser's radios, top to bottom; Korean is not offered.
struct language_choice {
	char const* label;
	int value;
	float y;
};
language_choice const languages[] = {
    {"|English", 0, 180}, {"|French", 1, 160},  {"|German", 2, 140},
    {"|Italian", 3, 120}, {"|Spanish", 4, 100}, {"|Portuguese", 5, 80},
};

}  // namespace

void VEDEZE_alert_screen(int window, std::string const& msg1, std::string const& msg2, std::string const& msg3,
                         std::string const& msg4, std::string const& position, int severity)
{
	if (msg1.empty() && msg2.empty() && msg3.empty() && msg4.empty()) return;

	// The alert may come from the middle of someone's drawing.
	glEnd();
	glEndList();
	for (int i = 0; i < 30; ++i) glGetError();
	PLT_gl_clear_error();
	OGL_nrml_colors();
	float const saved_x = mnw.mouse_x, saved_y = mnw.mouse_y;
	VEDEZE_startwind(995);
	// A Return that raised the alert must not dismiss it unseen.
	return_hit = 0;

	std::string const* const lines[4] = {&msg1, &msg2, &msg3, &msg4};
	while (mnw.cur_win == 995) {
		if (severity == 0) stls.win_title = "Language:";
		OGL_plot_back_col();
		BTN_fillwin(1, 21);
		std::string label;
		if (severity != 0) {
			float const width = mnw.win_dx - 20;
			// Lines 40 apart at a pitch of 10: three rows each leave one clear;
			// the position has one above the button.
			for (int i = 0; i < 4; ++i)
				OGL_string(alert_col, 10, 195 - 40 * static_cast<float>(i), fit_rows(*lines[i], width, 3), width,
				           alert_font);
			if (severity == 2) OGL_string(alert_col, 10, 35, fit_rows(position, width, 1), width, alert_font);
			label = stls.text[STL_alert_button];
		} else {
			for (language_choice const& l : languages)
				BTN_is_int(mnw.win_dx / 2 - 25, l.y, &mnw.lang, l.value, l.label);
			label = "Accept";
		}

		if (BTN_action(mnw.win_dx / 2, 18, 0, 0, 1, label) || return_hit) {
			return_hit = 0;
			if (severity == 2) return;
			VEDEZE_startwind(window);
			mnw.mouse_x = saved_x;
			mnw.mouse_y = saved_y;
		}
		if (mnw.cur_win == 995) VEDEZE_event_proc();
	}
}

int VEDEZE_nuke_alert(std::string message, int third)
{
	VEDEZE_startwind(996);
	while (mnw.cur_win == 996) {
		OGL_plot_back_col();
		BTN_fillwin(1, 21);
		OGL_string(alert_col, 20, mnw.win_dy - 40,
		           stls.text[STL_choice_lead] + message + " " + stls.text[STL_choice_trail], mnw.win_dx - 40,
		           alert_font);

		std::string const& one = stls.text[STL_choice_1];
		std::string const& two = stls.text[STL_choice_2];
		std::string const& three = stls.text[STL_choice_3];
		int chosen = 0;
		if (BTN_action(BTN_text_width(one) / 2 + 20, 60, 0, 0, 1, one))
			chosen = 1;
		else if (BTN_action(BTN_text_width(two) / 2 + 20, 25, 0, 0, 1, two))
			chosen = 2;
		else if (third && BTN_action(mnw.win_dx - BTN_text_width(three) / 2 - 20, 25, 0, 0, 1, three))
			chosen = 3;
		if (chosen) {
			VEDEZE_startwind(0);
			return chosen;
		}
		VEDEZE_event_proc();
	}
	return 3;
}
