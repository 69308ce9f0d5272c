// The question about a modified file: choose_files (utils_choice.cpp)
// decides, and asks the user through choose_files_ask, which is this
// window unless a test scripts the answers. In an object file of its own,
// so that a program that never asks does not take in the frame loop.
//
// Index: select_alert.
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "graphics/oglp_glyph.h"
#include "installer/utils.h"
#include "shell/butn.h"
#include "shell/hl_mnw.h"

// ---- select_alert -----------------------------------------------------------------------

namespace {

struct question_button {
	float x, y, w;
	char const* label;
	int code;
};

// In the order they are tested: left column top then bottom, right column
// top then bottom, then cancel.
question_button const install_buttons[5] = {
    {96, 53, 160, "OVERWRITE THE OLD FILE", 1},
    {96, 28, 160, "KEEP THE OLD FILE", 2},
    {308, 53, 260, "OVERWRITE EVERY OLD FILE IN THIS DIRECTORY", 4},
    {308, 28, 260, "KEEP EVERY OLD FILE IN THIS DIRECTORY", 5},
    {584, 28, 200, "CANCEL THE WHOLE INSTALLATION!", 3},
};
question_button const delete_buttons[5] = {
    {96, 53, 160, "KEEP THE OLD FILE", 2},
    {96, 28, 160, "DELETE THE OLD FILE", 1},
    {308, 53, 260, "KEEP EVERY OLD FILE IN THIS DIRECTORY", 5},
    {308, 28, 260, "DELETE EVERY OLD FILE IN THIS DIRECTORY", 4},
    {584, 28, 200, "CANCEL THE WHOLE INSTALLATION!", 3},
};

}  // namespace

int select_alert(std::string path, int deleting)
{
	question_button const* buttons = deleting ? delete_buttons : install_buttons;
	std::string const heading = deleting ? "I am about to DELETE:" : "I am about to install:";
	std::string const question =
	    deleting ? "because we no longer use this file, but it appears you have modified it. What to do?"
	             : "but it appears you have modified this file. What to do?";
	VEDEZE_startwind(997);
	// A quit while the question is up closes it too: the frame loop of main
	// cannot end while this one runs.
	while (mnw.cur_win == 997 && !app_done) {
		OGL_plot_back_col();
		BTN_fillwin(1, 21);
		float const wrap = mnw.win_dx - 40.0f;
		OGL_string(42, 20, 100, heading, wrap, 100);
		// The path keeps to its one line, its middle given up when long (the
		// log's "File: " line has it whole): its wrapped lines fell on the
		// question's and on the buttons.
		OGL_string(42, 20, 90, OGL_fit_middle(path, wrap), 9999, 100);
		OGL_string(42, 20, 80, question, wrap, 100);
		for (int b = 0; b < 5; ++b)
			if (BTN_action(buttons[b].x, buttons[b].y, buttons[b].w, 0, 0, buttons[b].label)) {
				VEDEZE_startwind(0);
				return buttons[b].code;
			}
		VEDEZE_event_proc();
	}
	return 3;
}
