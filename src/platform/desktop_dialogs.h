// The desktop's own dialogs: message boxes through SDL, the file and folder
// chooser and the progress window through zenity, run as a child process
// with an argument list. Nothing here waits for a user when there is no one:
// a missing helper or display is a failure, never a hang.
#pragma once
#include <string>
#include <vector>

// ---- message boxes ----------------------------------------------------------

enum { PLT_box_stop = 0, PLT_box_caution = 1 };

struct PLT_message_box_request {
	int kind;                          // PLT_box_stop or PLT_box_caution
	std::string text;
	std::vector<std::string> buttons;  // the first is the default (Return), the last the cancel (Escape)
};

// Shows the box and waits; the index of the button pressed, or -1 when no
// box could be shown (no display, a failed box, closed without a button).
int PLT_message_box(PLT_message_box_request const& request);

// Tests answer message boxes themselves; null restores the desktop's.
using PLT_message_box_fn = int (*)(PLT_message_box_request const& request);
void PLT_set_message_box(PLT_message_box_fn fn);

// ---- file and folder chooser ------------------------------------------------

enum { PLT_choose_open = 0, PLT_choose_save = 1, PLT_choose_folder = 2 };

// Runs the chooser and waits for it. filename is where it starts: a folder
// ending in "/" to open in it, or a file name (with or without a folder) to
// propose; empty for the helper's own choice. Returns 1 with the chosen path
// in *chosen (as the helper printed it, without its line end) when the helper
// ended with status 0 and printed a path; 0 on a cancel, a failure or a
// missing helper, *chosen unchanged.
int PLT_choose_path(int mode, std::string const& title, std::string const& filename, std::string* chosen);

// ---- progress window --------------------------------------------------------

enum { PLT_progress_text = 0, PLT_progress_bar = 1, PLT_progress_pulse = 2 };

// Shows text in the one progress window of the run, started on first use;
// with PLT_progress_bar also the bar at permille (0..1000), with
// PLT_progress_pulse a bar that only shows that something goes on. Returns 0,
// or the errno of starting the window or of handing it the update. A window
// the user closed is started afresh on the next call.
int PLT_progress_show(std::string const& text, int bar, int permille);

// Closes the progress window (also done when the program ends, so that none
// is left open waiting for a user).
void PLT_progress_close();
