// Where the shell's events and mouse position come from. The frame loop asks
// the current source for pending events, one at a time, in the framework's own
// event record; tests drive it with a scripted source, the program with SDL's
// (sdl_input.h).
#pragma once
#include <cstddef>
#include <deque>
#include <map>

// Event kinds: 1 mouse down, 2 mouse up, 3 key down, 4 key up, 5 auto-key,
// 6 update, 8 activate, 15 system, 23 the window's close request; 0 is no
// event.
enum {
	PLT_ev_mouse_down = 1,
	PLT_ev_mouse_up = 2,
	PLT_ev_key_down = 3,
	PLT_ev_key_up = 4,
	PLT_ev_auto_key = 5,
	PLT_ev_update = 6,
	PLT_ev_activate = 8,
	PLT_ev_system = 15,
	PLT_ev_quit = 23,
};

// Modifier bits of an event.
enum {
	PLT_mod_active = 0x01,   // activate events: the window became active
	PLT_mod_shift = 0x02,
	PLT_mod_control = 0x04,
	PLT_mod_command = 0x08,  // the Super key stands in for the Command key
};

struct PLT_event {
	int what = 0;
	unsigned int message = 0;    // keys: character byte, key code in the second byte
	unsigned int when = 0;       // ticks (1/60 s)
	int h = 0, v = 0;            // mouse position in window pixels, y down
	unsigned int modifiers = 0;  // PLT_mod_ bits
};

// The wheel does not travel as an event: the source hands each turn to this
// handler as it meets it (status 0 with the delta in notches, away from the
// user positive; else the status of a turn whose delta could not be read).
using PLT_wheel_fn = int (*)(int status, int delta);
void PLT_input_set_wheel_handler(PLT_wheel_fn fn);
// Runs the handler, if any; returns its result (0 without one).
int PLT_input_wheel(int status, int delta);

class PLT_input_source {
public:
	virtual ~PLT_input_source() = default;
	// Takes the next pending event into *ev; false when none is waiting.
	virtual bool next_event(PLT_event* ev) = 0;
	// The mouse position in pixels of the given window (y down).
	virtual void mouse(void* window, int* h, int* v) = 0;
	// Waits up to ms for an event to arrive; returns at once when one waits.
	virtual void wait(int) {}
	// The window in front (null: none known) and bringing one to the front.
	virtual void* front_window() { return nullptr; }
	virtual void select_window(void*) {}
	virtual void show_cursor(int) {}
};

// Events given in advance, and mouse positions set by the test.
class PLT_scripted_input : public PLT_input_source {
public:
	void push(PLT_event const& ev) { events_.push_back({ev, 0, 0}); }
	// A wheel turn, handed to the wheel handler in its place among the events.
	void push_wheel(int delta, int status = 0) { events_.push_back({PLT_event(), 1, delta, status}); }
	// The position in every window without one of its own.
	void set_mouse(int h, int v)
	{
		h_ = h;
		v_ = v;
	}
	void set_window_mouse(void* window, int h, int v) { per_window_[window] = {h, v}; }
	void set_front(void* window) { front_ = window; }
	std::size_t pending() const { return events_.size(); }
	int cursor_shown() const { return cursor_; }
	int selections() const { return selections_; }

	bool next_event(PLT_event* ev) override;
	void mouse(void* window, int* h, int* v) override;
	void* front_window() override { return front_; }
	void select_window(void* window) override
	{
		front_ = window;
		++selections_;
	}
	void show_cursor(int show) override { cursor_ = show; }

private:
	struct entry {
		PLT_event ev;
		int wheel;  // 1: a wheel turn
		int delta;
		int status = 0;
	};
	std::deque<entry> events_;
	std::map<void*, std::pair<int, int>> per_window_;
	int h_ = 0, v_ = 0;
	void* front_ = nullptr;
	int cursor_ = 1;
	int selections_ = 0;
};

// The current source (not owned); null: no events, the mouse at (0, 0).
void PLT_input_set_source(PLT_input_source* source);
PLT_input_source* PLT_input_source_now();
bool PLT_input_next(PLT_event* ev);
void PLT_input_mouse(void* window, int* h, int* v);
void PLT_input_wait(int ms);
void* PLT_input_front_window();
void PLT_input_select_window(void* window);
void PLT_input_show_cursor(int show);
// Drops every pending event.
void PLT_input_flush();
