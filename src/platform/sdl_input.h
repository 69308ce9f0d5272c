// The program's input source: SDL2 events turned into the framework's event
// records, with the old platform's key codes and one character byte a key.
#pragma once
#include "platform/input_source.h"

class PLT_sdl_input : public PLT_input_source {
public:
	bool next_event(PLT_event* ev) override;
	void mouse(void* window, int* h, int* v) override;
	void wait(int ms) override;
	void* front_window() override;
	void select_window(void* window) override;
	void show_cursor(int show) override;

private:
	void note_position(unsigned int window_id, int x, int y);
	unsigned int window_id_ = 0;  // the window the last position is in
	int x_ = 0, y_ = 0;
};

// The one instance the program uses.
PLT_sdl_input& PLT_sdl_input_source();

// Key code of an SDL scancode (the old platform's codes), 0xFF for a key
// without one.
int PLT_key_code(int scancode);
