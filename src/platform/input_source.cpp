#include "platform/input_source.h"

namespace {
PLT_input_source* current = nullptr;
}

bool PLT_scripted_input::next_event(PLT_event* ev)
{
	if (events_.empty()) return false;
	*ev = events_.front();
	events_.pop_front();
	return true;
}

void PLT_scripted_input::mouse(void*, int* h, int* v)
{
	*h = h_;
	*v = v_;
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

void PLT_input_flush()
{
	PLT_event ev;
	// Bounded: a source that never runs dry must not hang start-up.
	for (int i = 0; i < 100000 && PLT_input_next(&ev); ++i) {
	}
}
