// Screens and the GL menu table: making a screen current, and the table of
// menus with their items and precomputed rectangles.
#pragma once
#include <string>
#include <vector>

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
