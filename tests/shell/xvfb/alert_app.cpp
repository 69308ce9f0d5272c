// A small application for the alert screen under Xvfb: the real start-up,
// which shows alerts in the window, then two warnings in turn, and a record
// of what comes back. Arguments: the program folder, the record file.
#include <cstdio>
#include <string>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "graphics/oglp_draw.h"
#include "shell/app_callbacks.h"
#include "shell/hl_init.h"
#include "shell/hl_mnw.h"
#include "xvfb_app.h"

namespace {

int frame = 0;

void warn(int n)
{
	note("alert " + std::to_string(n));
	float const x = mnw.mouse_x, y = mnw.mouse_y;
	__VEDEZE_alert(0, "Warning " + std::to_string(n), "Second line", "", "Fourth line", 1, "hl_mnw", 900 + n);
	note("back " + std::to_string(n) + " on " + std::to_string(mnw.cur_win) +
	     (mnw.mouse_x == x && mnw.mouse_y == y ? " mouse kept" : " mouse moved"));
}

}  // namespace

void APP_update()
{
	++frame;
	OGL_plot_back_col();
	if (frame == 3) {
		note(alert_window_display_now() == VEDEZE_alert_screen ? "in window" : "not in window");
		warn(1);
		warn(2);
		app_done = 1;
	}
}

void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

int main(int argc, char** argv)
{
	if (!xvfb_app_start(argc, argv)) return 2;
	stls.text[STL_alert_button] = "OK";
	while (!app_done) VEDEZE_event_proc();
	return xvfb_app_finish();
}
