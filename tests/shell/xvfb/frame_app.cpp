// A small application for the whole-program run under Xvfb: the real
// start-up with the built-in images, frames until Control+Q, and a record of
// what its callbacks get. Arguments: the program folder, the record file.
#include <cstdio>
#include <string>

#include "foundation/app_globals.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "shell/app_callbacks.h"
#include "shell/butn.h"
#include "shell/hl_init.h"
#include "shell/hl_mnw.h"
#include "xvfb_app.h"

namespace {

int frame = 0;
int const mark_col = 68;  // the fill the screen check looks for

}  // namespace

void APP_update()
{
	++frame;
	OGL_plot_back_col();
	BTN_frame2(15, 312, 284, 400, 200, "Frame test");
	OGL_string(22, 330, 430, "Click, turn the wheel, type.", 360, 100);
	OGL_fillrect(mark_col, 1, 20, 20, 40, 40);
	if (mnw.click_down)
		note("click " + std::to_string(static_cast<int>(mnw.mouse_x)) + " " +
		     std::to_string(static_cast<int>(mnw.mouse_y)) + " " + std::to_string(mnw.click_double));
	if (frame == 3) {
		OGL_screenshot(1);  // the back buffer, before this frame's swap
		OGL_colour_struct const c = OGL_colour_of(mark_col, 1);
		note("mark " + std::to_string(static_cast<int>(c.r * 255 + 0.5f)) + " " +
		     std::to_string(static_cast<int>(c.g * 255 + 0.5f)) + " " +
		     std::to_string(static_cast<int>(c.b * 255 + 0.5f)));
		note("ready");
	}
}

void APP_handlemenu(int code) { note("menu " + std::to_string(code)); }

void APP_handlekey(int kind, int value)
{
	note("key " + std::to_string(kind) + " " + std::to_string(value));
	if (kind == 2 && (value == 'q' || value == 'Q')) app_done = 1;
}

int main(int argc, char** argv)
{
	if (!xvfb_app_start(argc, argv)) return 2;
	while (!app_done) VEDEZE_event_proc();
	note("wheel " + std::to_string(mnw.wheel));
	return xvfb_app_finish();
}
