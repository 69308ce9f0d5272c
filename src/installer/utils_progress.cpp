// The progress panel of the directory read: read_directory decides when it
// shows, and draws it through dir_progress_draw (a read in one call) or
// dir_progress_frame (a read between frames).
//
// Index: dir_progress_bar.
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "installer/utils.h"
#include "shell/butn.h"

// ---- dir_progress_bar ------------------------------------------------------------

float dir_progress_fraction(float lo, float cur, float hi)
{
	if (lo == hi) return 0.52f;
	float const f = 0.04f + 0.96f * (cur - lo) / (hi - lo);
	return f < 0.04f ? 0.04f : (f > 1.0f ? 1.0f : f);
}

void dir_progress_panel(float lo, float cur, float hi, int mode, std::string title, std::string detail)
{
	std::string const status = mode == 0   ? "Currently SCANNING the directory text file."
	                           : mode == 1 ? "Currently EXAMINING the hard disk."
	                                       : "";
	OGL_2dquad(365, 48, 1.0f, 0, 0, 0, 0, 0, 768, 0, 0.75f, 1024, 768, 1, 0.75f, 1024, 0, 1, 0, 1, 5);
	float const x0 = (static_cast<float>(mnw.x_res_use) - 512.0f) * 0.5f;
	float const y0 = (static_cast<float>(mnw.y_res_use) - 138.0f) * 0.5f;
	float const fraction = dir_progress_fraction(lo, cur, hi);
	float const left = x0 + 30.0f, right = x0 + 512.0f - 30.0f;
	float const fill = left + fraction * (right - left);
	BTN_frame2(15, x0 + 20.0f, y0 + 20.0f, 472.0f, 98.0f, "");
	BTN_frame1(4, (left + right) * 0.5f, y0 + 35.0f, right - left, 0);
	BTN_frame1(5, (left + fill) * 0.5f, y0 + 35.0f, fill - left, 0);
	OGL_string(48, x0 + 32.0f, y0 + 100.0f, title, 462.0f, 100);
	OGL_string(48, x0 + 32.0f, y0 + 80.0f, status, 462.0f, 100);
	OGL_string(48, x0 + 32.0f, y0 + 60.0f, detail, 462.0f, 100);
}

void dir_progress_bar(float lo, float cur, float hi, int mode, std::string title, std::string detail)
{
	dir_progress_panel(lo, cur, hi, mode, title, detail);
	OGL_sbuf();  // no frame loop runs while a read in one call works
}
