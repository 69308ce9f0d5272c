// Bitmap text and numbers drawn from the font atlases, the end of a frame,
// screenshots and the background texture.
#pragma once
#include <string>

// The screenshot counter; the first file name tried is number 0.
extern int shot;

int OGL_strtex(int font, int col, float* s0, float* t0, float* cw, float* ch);
void OGL_char(float x, float y, float s0, float t0, float cw, float ch, int glyph, int font);
void OGL_string(int col, float x, float y, std::string const& text, float width, int font);
void OGL_gray_string(int col, float x, float y, std::string text);
// Text in a widget frame with the label's parts beside it; the widget set
// defines it.
void OGL_boxed_string(float x, float y, std::string const& label, std::string const& text, int font,
                      int col);
void OGL_number(int col, float x, float y, float value, int digits, int decimals, int font);
void OGL_sbuf();
// Frames ended by OGL_sbuf so far.
unsigned long OGL_frames_ended();
void OGL_screenshot(int save);
void OGL_make_back_tex();
