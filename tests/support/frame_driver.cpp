#include "support/frame_driver.h"

#include <cmath>

#include "foundation/app_globals.h"
#include "foundation/xtim.h"
#include "shell/hl_mnw.h"

namespace {

// A second of margin keeps the first reading off zero.
unsigned long long driven_us = 1000000;
unsigned long long driven_step = 0;
unsigned long long driven_clock() { return driven_us += driven_step; }

int pixel_x(float x) { return static_cast<int>(std::lround(x)); }
int pixel_y(float y) { return mnw.y_res_use - static_cast<int>(std::lround(y)); }

}  // namespace

frame_driver::frame_driver(bool record_alerts) : app_(record_alerts)
{
	PLT_input_flush();
	PLT_input_set_source(&input_);
	driven_us = 1000000;
	driven_step = 0;
	xtim_class::set_clock_source(driven_clock);
}

frame_driver::~frame_driver()
{
	PLT_input_set_source(nullptr);
	xtim_class::set_clock_source(nullptr);
}

void frame_driver::frame_at(double seconds)
{
	driven_us = 1000000 + static_cast<unsigned long long>(std::llround(seconds * 1e6));
	VEDEZE_event_proc();
}

void frame_driver::clock_runs(bool on) { driven_step = on ? 1000 : 0; }

void frame_driver::push_mouse(int what, float x, float y)
{
	move_to(x, y);
	PLT_event ev;
	ev.what = what;
	ev.h = pixel_x(x);
	ev.v = pixel_y(y);
	input_.push(ev);
}

void frame_driver::move_to(float x, float y) { input_.set_mouse(pixel_x(x), pixel_y(y)); }
