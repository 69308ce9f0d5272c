// What the widget units share: the mouse tests on this frame's input state,
// the atlas cells they draw, and the fatal misuse alert.
#pragma once
#include <string>

#include "foundation/app_globals.h"

namespace butn_util {

// The mouse inside x1..x2 by y1..y2, edges included.
inline bool mouse_in(float x1, float x2, float y1, float y2)
{
	return mnw.mouse_x >= x1 && mnw.mouse_x <= x2 && mnw.mouse_y >= y1 && mnw.mouse_y <= y2;
}

inline bool no_menu() { return mnw.open_menu == -1; }

// A quad x1..x2 by y1..y2 showing the interface atlas box s0..s1 by t0..t1
// (atlas pixels), alpha 1, blending.
void cell(float x1, float x2, float y1, float y2, float s0, float s1, float t0, float t1, int col);

// The down and up arrows of one digit or character wheel centred on cx,
// around the row's middle y + 3.
void wheel_arrows(float cx, float y);

// The help part of a label goes to the help overlay.
void show_help(std::string const& help);

// Half away from zero, as the layout rounds.
float round_half_away(float v);

void fatal(std::string const& m1, std::string const& m2, std::string const& m3, std::string const& m4, int line);

}  // namespace butn_util
