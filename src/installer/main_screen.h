// The installer's main screen: its state between frames, the atlas buttons
// and icons, the agreement panel, and the texts and geometry that one frame
// shows. APP_update (main_update.cpp) puts them together with the road's
// steps (main_install.h, utils.h); it lives in an object file of its own so
// that test programs may define their own.
//
// Index: state - atlas cuts - agreement panel - texts - progress bar.
#pragma once
#include <string>

#include "installer/main_install.h"  // the steps a frame calls
#include "installer/utils.h"

// ---- state ------------------------------------------------------------------------
extern float tot_down_req, tot_disk_req;  // kilobytes, copied from stg
extern float tot_availabl;                // kilobytes free for the destination; -1 unknown
extern std::string tot_availabl_str, tot_disk_req_str;
extern int disk_space_avail;  // the install button is armed when set
extern float totl_inst_rat;   // smoothed fraction of the install done, 0 to 1
extern int wrl_i;             // frame of the animated icon
extern float base_x1, base_x2;  // ends of the progress bar

// ---- atlas cuts -----------------------------------------------------------------------
// A w x h cut of the installer atlas at (u, v) drawn at (x, y); with hover
// the cut moves down to the image under the mouse or pressed. tint: 0 white,
// 1 green, 2 red. 1 when a click of this frame lies inside (edges included).
int interface_rect(float x, float y, float u, float v, float w, float h, int hover, int tint);
// Icon i, a 64 x 64 cell of the atlas.
int interface_icon(float x, float y, int i);
// Which row of the atlas interface_rect shows for the mouse state in mnw,
// and whether it was clicked.
float interface_rect_v(float x, float y, float v, float w, float h, int hover);
int interface_rect_hit(float x, float y, float w, float h);

// ---- agreement panel -------------------------------------------------------------------
// 1 once the user has agreed (then at once); else window 1 runs until the
// user agrees or declines, and the answer is returned.
int handle_EULA();
// Forgets an agreement (a new run).
void forget_EULA();

// ---- texts ------------------------------------------------------------------------------
// kb / 1000 as "N.N Meg" below 1000 of them, else kb / 1000000 as "N.N Gig".
void set_size_str(float kb, std::string* out);
// Seconds left as "N seconds" below 120, "N minutes" below 7200, else "N hours".
std::string time_left_str(float seconds);
// 100 x ratio with at least two whole digits and one decimal: "05.0".
std::string percent_str(float ratio);

struct screen_text {
	std::string text;
	int col;
};
// The status line: the first of the screen's states that applies.
screen_text status_line();
// The three message lines of the stage (and their colour). On the main
// screen, once the directory is read, they decide disk_space_avail.
void stage_messages(std::string line[3], int* col);
// Copies the totals of the directory into the screen and finds the free
// space of the destination's volume.
void read_sizes();
// The smoothing of totl_inst_rat by one frame of frame_time seconds.
void advance_install_ratio(float frame_time);

// The destination's room in its field (the text starts at x 142, the
// field's white ends at x 435).
float const kDestFieldWidth = 286;
// A message line's room in its panel (from x 144 to the panel's edge at 1016,
// less a margin).
float const kMessageWidth = 864;
// A server name's room beside its radio button (the label starts at x 154,
// the server list's band ends at x 720).
float const kServerNameWidth = 562;
// Where a text wrapped at `width` starts so that its lines sit around the
// line at y that it would be unwrapped: 5 points up for each line past the
// first, as the widgets' two-line labels do.
float wrapped_block_y(std::string const& text, float x, float y, float width);

// ---- progress bar ---------------------------------------------------------------------------
struct bar_geometry {
	float empty_x, empty_w;  // centre and width of the empty bar
	int filled;              // whether the filled part shows
	float fill_x, fill_w;
};
bar_geometry progress_bar(float ratio, int installing);
