#include "support/window_script.h"

#include <cstdlib>

#include "foundation/app_globals.h"
#include "platform/gl_window.h"
#include "shell/hl_mnw.h"
#include "support/window_png.h"

window_script::window_script(int window)
{
	VEDEZE_startwind(window);
	org_x_ = mnw.org_x;
	org_y_ = mnw.org_y;
	VEDEZE_startwind(0);
	PLT_gl_set_pre_swap_hook(frame_end, this);
}

window_script::~window_script() { PLT_gl_set_pre_swap_hook(nullptr, nullptr); }

void window_script::frame_end(void* self)
{
	auto* s = static_cast<window_script*>(self);
	if (s->at_frame_end) s->at_frame_end(s->frames);
	++s->frames;
}

void window_script::click(float x, float y)
{
	fd_.push_mouse(1, org_x_ + x, org_y_ + y);
	fd_.push_mouse(2, org_x_ + x, org_y_ + y);
}

void window_script::type(char c)
{
	PLT_event ev;
	ev.what = 3;
	ev.message = static_cast<unsigned char>(c);
	fd_.input().push(ev);
	ev.what = 4;
	fd_.input().push(ev);
}

void window_script::save_shot(std::string const& name) const
{
	if (char const* dir = std::getenv("SKY_SHOT_DIR"))
		save_window_png(std::string(dir) + "/" + name, mnw.x_res_use, mnw.y_res_use);
}
