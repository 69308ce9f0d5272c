// The frame loop, screens, mouse and the GL menu table: one frame, making a
// screen current, event dispatch, click routing, and the table of menus with
// their items and precomputed rectangles.
#pragma once
#include <mutex>
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

// Menu i: a bar title placed after the previous one (menu 0 starts the bar
// again), or with a parent code menu * 300 + item a submenu on that item.
void VEDEZE_create_menu(int i, int parent_code, std::string title);
// Item `item` of menu i, laid out below the previous one in one column as
// wide as the widest item; plain keeps it out of the Korean encoding.
void VEDEZE_append_menu(int i, int item, int code, std::string text, int plain);
// Loads base + the language's menu folder + name: one block per menu, from
// menu 0 on, each closed by a "-" line; an empty line ends the file.
void VEDEZE_read_menus(std::string base, std::string name);
int const menu_file_version = 800;  // the header version a menu file carries
int accept_menu(int i);
int accept_item(int i);

// The in-window alert screen (window 995): the four lines and the button,
// or with severity 0 the language chooser; returns when dismissed, or at
// once for four empty lines. Severity 2 leaves window 995 current.
void VEDEZE_alert_screen(int window, std::string const& msg1, std::string const& msg2, std::string const& msg3,
                         std::string const& msg4, std::string const& position, int severity);
// The three-choice screen (window 996): 1, 2 or (third nonzero) 3 for the
// button clicked; 3 when another screen became current.
int VEDEZE_nuke_alert(std::string message, int third);

// One frame: timers, events, mouse, frame periods, the application's update,
// the open menu, the help overlay, the cursor and the buffer swap.
void VEDEZE_event_proc();
// The frame loop's clock, timer stamps and first-window flag as at program
// start, for a run started again in the same process.
void VEDEZE_frame_restart();
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

// Held by the frame thread through each frame but for its wait for events
// and its buffer swap. A thread that shares the frame's state (the
// installer's scheduler) works only while it holds this.
extern std::recursive_mutex frame_lock;
