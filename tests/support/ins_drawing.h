// The drawing state the installer's screens start from, on a test context:
// a fresh texture manager and palette, full fade, colour display, and a
// window record of one whole w x h screen at the origin.
#pragma once

void ins_drawing_reset(int w, int h);

class gl_test_context;

// A w x h test context made ready for the installer's screens: probed, in
// 2-D, the drawing state reset, and recorded as the program's one window.
// The built-in images are the caller's to load (they live above this layer).
void ins_gl_screen_start(gl_test_context& gl, int w, int h);
