// The drawing state the installer's screens start from, on a test context:
// a fresh texture manager and palette, full fade, colour display, and a
// window record of one whole w x h screen at the origin.
#pragma once

void ins_drawing_reset(int w, int h);
