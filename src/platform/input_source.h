// Where the shell's events and mouse position come from. The frame loop asks
// the current source for pending events, one at a time, in the framework's own
// event record; tests drive it with a scripted source.
#pragma once
#include <cstddef>
#include <deque>

// Event kinds: 1 mouse down, 2 mouse up, 3 key down, 4 key up, 5 auto-key,
// 6 update, 8 activate, 15 system; 0 is no event.
struct PLT_event {
	int what = 0;
	unsigned int message = 0;    // keys: character byte, key code in the second byte
	unsigned int when = 0;       // ticks (1/60 s)
	int h = 0, v = 0;            // mouse position in window pixels, y down
	unsigned int modifiers = 0;  // bit 0: the window became active (activate events)
};

class PLT_input_source {
public:
	virtual ~PLT_input_source() = default;
	// Takes the next pending event into *ev; false when none is waiting.
	virtual bool next_event(PLT_event* ev) = 0;
	// The mouse position in pixels of the given window (y down).
	virtual void mouse(void* window, int* h, int* v) = 0;
};

// Events given in advance, and a mouse position set by the test.
class PLT_scripted_input : public PLT_input_source {
public:
	void push(PLT_event const& ev) { events_.push_back(ev); }
	void set_mouse(int h, int v)
	{
		h_ = h;
		v_ = v;
	}
	std::size_t pending() const { return events_.size(); }
	bool next_event(PLT_event* ev) override;
	void mouse(void* window, int* h, int* v) override;

private:
	std::deque<PLT_event> events_;
	int h_ = 0, v_ = 0;
};

// The current source (not owned); null: no events, the mouse at (0, 0).
void PLT_input_set_source(PLT_input_source* source);
PLT_input_source* PLT_input_source_now();
bool PLT_input_next(PLT_event* ev);
void PLT_input_mouse(void* window, int* h, int* v);
// Drops every pending event.
void PLT_input_flush();
