// Where the bitmap fonts put their glyphs: the font table, the 21 x 5 glyph
// grid, the proportional widths, and the layout of strings and numbers as
// lists of quads. No GL here; the drawing calls emit what these return.
#pragma once
#include <string>
#include <vector>

struct font_spec_struct {
	int tex;          // texture reference of the atlas
	float s0, t0;     // atlas origin of cell (0, 0), in atlas pixels
	float cw, ch;     // cell size in atlas pixels
	int advance;      // pixels per glyph; 0 = proportional
	int bytes;        // bytes per glyph
};

// Fonts 100 to 103; null for any other number.
font_spec_struct const* OGL_font_spec(int font);

struct glyph_cell_struct {
	int col, row;
};

// Cell of a byte in the grid of fonts 100 to 102; unlisted bytes give the
// space cell (0, 0).
glyph_cell_struct OGL_glyph_cell(unsigned char byte);
// Cell of font 103's two-byte glyph.
glyph_cell_struct OGL_glyph_cell_103(char b0, char b1);
// Proportional width of font 100, in pixels (0 for unlisted bytes).
int OGL_glyph_width(unsigned char byte);
// Width of a text in font 100: the sum of its proportional widths.
float OGL_text_width(std::string const& text);
// The text as it fits `width` pixels of font 100: whole when it does, else
// its start and its end with "..." between them, the end getting two thirds
// of the room (the end of a path names what it is).
std::string OGL_fit_middle(std::string const& text, float width);

struct glyph_quad_struct {
	float x, y;  // lower left corner in window pixels
	glyph_cell_struct cell;
	bool operator==(glyph_quad_struct const& o) const
	{
		return x == o.x && y == o.y && cell.col == o.cell.col && cell.row == o.cell.row;
	}
};

// Text start: x, y already offset by the window origin, rounded half away
// from zero to whole pixels, then the baseline drop of 2.
void OGL_text_start(float x, float y, float* x0, float* y0);

// Glyphs of a string starting at (x0, y0) (see OGL_text_start); width of
// 9999 or more turns word wrap off. The font must be 100 to 103.
std::vector<glyph_quad_struct> OGL_layout_string(int font, float x0, float y0,
                                                 std::string const& text, float width);

// Glyphs of a number whose first digit cell lies at (x0, y0), one cell every
// step pixels.
std::vector<glyph_quad_struct> OGL_layout_number(float x0, float y0, float step, float value,
                                                 int digits, int decimals);
