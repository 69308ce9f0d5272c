#include "platform/input_source.h"

namespace {
PLT_input_source* current = nullptr;
PLT_wheel_fn wheel_handler = nullptr;
}  // namespace

void PLT_input_set_wheel_handler(PLT_wheel_fn fn) { wheel_handler = fn; }
int PLT_input_wheel(int status, int delta) { return wheel_handler ? wheel_handler(status, delta) : 0; }

bool PLT_scripted_input::next_event(PLT_event* ev)
{
	while (!events_.empty()) {
		entry const e = events_.front();
		events_.pop_front();
		if (e.wheel) {
			PLT_input_wheel(e.status, e.delta);
			continue;
		}
		*ev = e.ev;
		return true;
	}
	return false;
}

void PLT_scripted_input::mouse(void* window, int* h, int* v)
{
	auto const it = per_window_.find(window);
	*h = it != per_window_.end() ? it->second.first : h_;
	*v = it != per_window_.end() ? it->second.second : v_;
}

void PLT_input_set_source(PLT_input_source* source) { current = source; }
PLT_input_source* PLT_input_source_now() { return current; }

bool PLT_input_next(PLT_event* ev)
{
	*ev = PLT_event();
	return current && current->next_event(ev);
}

void PLT_input_mouse(void* window, int* h, int* v)
{
	*h = 0;
	*v = 0;
	if (current) current->mouse(window, h, v);
}

void PLT_input_wait(int ms)
{
	if (current) current->wait(ms);
}

void* PLT_input_front_window() { return current ? current->front_window() : nullptr; }

void PLT_input_select_window(void* window)
{
	if (current) current->select_window(window);
}

void PLT_input_show_cursor(int show)
{
	if (current) current->show_cursor(show);
}

void PLT_input_flush()
{
	PLT_event ev;
	// Bounded: a source that never runs dry must not hang start-up.
	for (int i = 0; i < 100000 && PLT_input_next(&ev); ++i) {
	}
}
