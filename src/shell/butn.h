// The drawing layer of the widgets: cells of the interface texture, the
// textured frames (vertical bar, horizontal bar, nine-slice panel) and the
// close boxes. Coordinates are layout units relative to the current window.
#pragma once
#include <string>

struct butn_class {
	int unused = 0;
};
extern butn_class butn;

void BTN_util_element(float x, float y, float u, float v, float hw, float hh, int col);
int BTN_zap_boxes(int pressed);
void BTN_frame0(int style, float x, float y, float len);
void BTN_frame1(int style, float x, float y, float w, int col);
void BTN_frame2(int style, float x, float y, float w, float h, std::string title);

// One piece of a frame along one direction: drawn from p0 to p1 with the
// texture band t0..t1 (pixels of the cell, from its start).
struct BTN_piece {
	float p0, p1, t0, t1;
};
