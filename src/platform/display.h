// The main screen's size and colour depth.
#pragma once

// Returns 1 with the desktop mode of the first display, else 0.
int PLT_screen_size(int* width, int* height, int* depth);
// Tests stand in a screen of their own; a width of 0 restores the real one.
void PLT_set_screen_size(int width, int height, int depth);
