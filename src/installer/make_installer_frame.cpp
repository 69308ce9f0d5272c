// The builder's progress frame: the walk and the per-file step decide when
// it shows (there is no frame loop during a build), and it draws the two
// lines, swaps, and reads one pending key ("q" stops the build).
//
// Index: progress frames.
#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "installer/make_installer.h"
#include "platform/input_source.h"

// ---- progress frames ---------------------------------------------------------

void builder_progress_frame(std::string const& line1, std::string const& line2)
{
	// Without a window (tests, a failed start) there is nothing to draw on;
	// the keyboard is still asked.
	if (ogl_inited == 1) {
		OGL_fillrect(0, 1.0f, 0, 0, 1024, 30);
		OGL_string(12, 10, 17, line1, 9999, 101);
		OGL_string(12, 10, 7, line2, 9999, 101);
		OGL_sbuf();
	}
	PLT_event ev;
	if (PLT_input_next(&ev) && (ev.what == 3 || ev.what == 5) && (ev.message & 0xff) == 'q')
		__VEDEZE_alert(0, "You hit Q dumbass!", "", "", "", ALERT_fatal, "make_installer", __LINE__);
}
