// The frame loop, screens, mouse and the GL menu table: one frame, making a
// screen current, event dispatch, click routing, and the table of menus with
// their items and precomputed rectangles.
#pragma once
#include <string>
#include <vector>

#include "platform/input_source.h"

struct item_struct {
	std::string text;  // "" none, "-..." separator, "=..." shown but not choosable
	int code = 0;
	unsigned char korean = 0;
	short x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct menu_struct {
	std::string title;
	int parent = -1;  // -1 on the bar, else the menu whose item opens it
	short x1 = 0, y1 = 0, x2 = 0, y2 = 0;
	std::vector<item_struct> items;
};

enum { menu_count = 1520, menu_popup = 1519 };

extern std::vector<menu_struct> menu;

void VEDEZE_clear_menus(int mode);
void VEDEZE_clear_menu(int i);
void VEDEZE_clear_items(int i);

// Makes screen id current: layout, title, size, origin, input reset.
void VEDEZE_startwind(int id);

// Width of a menu text in layout units.
float menu_dx(std::string const& text);

// One frame: timers, events, mouse, frame periods, the application's update,
// the open menu, the help overlay, the cursor and the buffer swap.
void VEDEZE_event_proc();
// Mouse position x, y in pixels of window win (y down) into layout units.
void VEDEZE_load_mxy(void* win, int x, int y);
// A wheel turn: status 0 adds delta to the wheel total; any other status is
// returned untouched.
int APL_HandleWheel(int status, int delta);
// Dispatches one event.
void APL_handlewin(PLT_event const& ev);
// Routes a click to the menus or closes a sub-window; force closes one
// without a hit in its close box.
void VEDEZE_handleclick(int force);
