// Where everything lies in the built-in images: the one table the art
// generator paints from and the tests check against.
//
// Contents: image sizes; the palette sample pixels and the colour scheme;
// the glyph grid of the bitmap fonts; the cells of the widget atlas (363);
// the cells of the installer atlas (364); the places where screens write
// text straight onto the background.
//
// Coordinates are texture pixels: s to the right, t upward, row 0 the first
// stored row (the bottom of what is drawn). A cell covers s .. s+w-1 by
// t .. t+h-1.
#pragma once

namespace ins_art {

struct image_size { char const* array; int w, h; };
constexpr image_size k_installer{"t_installer_dat", 1010, 764};
constexpr image_size k_back_1{"t_ins_back_1_dat", 1024, 768};
constexpr image_size k_back_2{"t_ins_back_2_dat", 1024, 768};
constexpr image_size k_interface{"t_interface_dat", 512, 512};

struct rgb { unsigned char r, g, b; };

// Interface colours read back from the widget atlas at start-up, one pixel
// each; the swatch around the pixel is part of the art.
struct sample_pixel { int colour; int s, t; rgb value; };
constexpr sample_pixel k_samples[] = {
	{33, 319, 155, {0xd6, 0xe0, 0xea}},   // window background
	{34, 319, 147, {0xff, 0xff, 0xff}},   // light edge of two-tone lines
	{35, 319, 139, {0x3a, 0x78, 0xc2}},   // highlight under the mouse (drawn at 1/4)
	{36, 319, 131, {0x7c, 0x8c, 0xa0}},   // dark edge of two-tone lines
	{37, 319, 123, {0x14, 0x26, 0x3f}},   // menu titles, chooser text
	{39, 319, 115, {0x0f, 0x2b, 0x52}},   // window titles
	{40, 319, 107, {0x0b, 0x3d, 0x7a}},   // label of the chosen tab
	{41, 319, 99, {0x3b, 0x49, 0x5a}},    // label of the other tabs
	{42, 319, 91, {0x1b, 0x27, 0x35}},    // labels and messages
	{44, 319, 83, {0x0d, 0x2f, 0x5c}},    // values: paths, fields, lists
	{45, 319, 75, {0x17, 0x21, 0x2d}},    // the installer's own lines
	{46, 319, 67, {0x4a, 0x2c, 0x00}},    // help and information text
	{43, 395, 115, {0x2f, 0x6d, 0xb5}},   // accent
};

// Bitmap fonts 100 (proportional) and 101/102 (mono): which byte lies in
// which cell, the cell sizes and font 100's advances are the font code's
// (graphics/oglp_glyph.h); the art adds where the ink goes in a cell.
constexpr int k_baseline = 2;      // rows of the cell below the baseline
constexpr int k_mono_ink = 6;      // columns a mono glyph may ink
// Lines of wrapped text lie 10 rows apart. Ink from 2 rows below the
// baseline to k_ink_up rows above it leaves one clear row between a
// descender and the capitals of the next line.
constexpr int k_line_pitch = 10;
constexpr int k_ink_up = k_line_pitch - 2 - k_baseline;
// Accented letters alone may use the cell's full height.
constexpr bool tall_glyph(unsigned char b)
{
	return b == 0xC1 || b == 0xE1 || b == 0xC9 || b == 0xE9 || b == 0xCD || b == 0xED || b == 0xD1 || b == 0xF1 ||
	       b == 0xD3 || b == 0xF3 || b == 0xDA || b == 0xFA;
}
// Code point drawn for a byte: Latin-1, but 0xFB shows an inverted
// exclamation mark.
constexpr unsigned code_point(unsigned char b) { return b == 0xFB ? 0xA1u : b; }

// What a cell holds, which decides how it is painted.
enum class kind {
	bar,          // horizontal bar strip: caps and a repeated middle
	vbar,         // the upright bar strip
	panel,        // nine-slice panel, sliced at 0.4 of its size
	tab, zap, arrow_up, arrow_down, submenu,
	radio, radio_mark, check, check_mark,
	vs_up, vs_thumb, vs_down, knob,
	folder, file_icon,
	swatch,       // a palette sample pixel's square
	button,       // labelled button of the installer atlas, three states
	logo, icon, panel_20,
};

// `style` is the frame style for bars and panels, the state (0 normal,
// 1 pressed or selected) for two-state cells, the file type for file
// icons, the icon number for icons, the face for buttons (k_face_*).
// `text` is a button's label.
struct cell {
	char const* name;
	int image;     // 363 or 364
	kind k;
	int style;
	int s, t, w, h;
	char const* text = nullptr;
};

// The widget and font atlas, 363. Bars 0 and 1 are 26 rows tall from t 487,
// so their top row wraps to atlas row 0, which stays transparent; their
// cells here hold the 25 rows inside the image.
constexpr cell k_cells_363[] = {
	{"bar 0 (menu bar)", 363, kind::bar, 0, 1, 487, 100, 25},
	{"bar 1 (title bar)", 363, kind::bar, 1, 102, 487, 100, 25},
	{"bar 2 (button)", 363, kind::bar, 2, 304, 486, 52, 26},
	{"bar 3 (button pressed)", 363, kind::bar, 3, 304, 459, 52, 26},
	{"bar 4 (progress track)", 363, kind::bar, 4, 112, 161, 28, 16},
	{"bar 5 (progress fill)", 363, kind::bar, 5, 83, 161, 28, 16},
	{"bar 7 (slider track)", 363, kind::bar, 7, 240, 242, 65, 24},
	{"bar 8 (slider fill)", 363, kind::bar, 8, 289, 219, 16, 16},
	{"bar 9 (text box)", 363, kind::bar, 9, 262, 133, 51, 26},
	{"bar 10 (chooser)", 363, kind::bar, 10, 357, 488, 68, 24},
	{"bar 6 (scroll track)", 363, kind::vbar, 6, 102, 248, 20, 40},
	{"panel 11", 363, kind::panel, 11, 1, 358, 100, 100},
	{"panel 12", 363, kind::panel, 12, 102, 358, 100, 100},
	{"panel 13", 363, kind::panel, 13, 203, 358, 100, 100},
	{"panel 14", 363, kind::panel, 14, 304, 358, 100, 100},
	{"panel 15", 363, kind::panel, 15, 405, 358, 100, 100},
	{"panel 16", 363, kind::panel, 16, 1, 289, 68, 68},
	{"panel 17", 363, kind::panel, 17, 70, 315, 42, 42},
	{"panel 18", 363, kind::panel, 18, 113, 315, 42, 42},
	{"panel 19", 363, kind::panel, 19, 440, 12, 44, 44},
	{"tab chosen", 363, kind::tab, 1, 204, 486, 98, 26},
	{"tab", 363, kind::tab, 0, 204, 459, 98, 26},
	{"close box", 363, kind::zap, 0, 120, 178, 18, 18},
	{"close box pressed", 363, kind::zap, 1, 120, 197, 18, 18},
	{"arrow down", 363, kind::arrow_down, 0, 83, 178, 14, 18},
	{"arrow up", 363, kind::arrow_up, 0, 83, 197, 14, 18},
	{"submenu arrow", 363, kind::submenu, 0, 158, 178, 18, 18},
	{"radio", 363, kind::radio, 0, 83, 123, 18, 18},
	{"radio mark", 363, kind::radio_mark, 0, 83, 142, 18, 18},
	{"check box", 363, kind::check, 0, 139, 178, 18, 18},
	{"check mark", 363, kind::check_mark, 0, 139, 197, 18, 18},
	{"scroll arrow down", 363, kind::vs_down, 0, 83, 216, 18, 22},
	{"scroll thumb", 363, kind::vs_thumb, 0, 83, 239, 18, 26},
	{"scroll arrow up", 363, kind::vs_up, 0, 83, 266, 18, 22},
	{"slider knob", 363, kind::knob, 0, 262, 267, 20, 22},
	{"folder", 363, kind::folder, 0, 208, 133, 26, 26},
	{"file: folder", 363, kind::file_icon, 1, 34, 57, 12, 12},
	{"file: aircraft", 363, kind::file_icon, 3, 48, 57, 12, 12},
	{"file: airfoil", 363, kind::file_icon, 4, 62, 57, 12, 12},
	{"file: weapon", 363, kind::file_icon, 5, 90, 57, 12, 12},
	{"file: situation", 363, kind::file_icon, 9, 104, 57, 12, 12},
	{"file: movie", 363, kind::file_icon, 10, 118, 57, 12, 12},
	{"file: flight plan", 363, kind::file_icon, 12, 132, 57, 12, 12},
	{"file: object", 363, kind::file_icon, 7, 146, 57, 12, 12},
};

// The installer atlas, 364 (1024-wide texture coordinates). A button's
// cell is its normal image; the image under the mouse lies h + 1 rows
// lower and the pressed one 2 (h + 1) rows lower.
constexpr int k_face_plain = 0, k_face_go = 1, k_face_stop = 2;
constexpr int k_icon_count = 24, k_icon_size = 64, k_icon_t0 = 66;
constexpr int k_anim_first = 8, k_anim_last = 23, k_anim_rest = 21;

constexpr cell k_cells_364[] = {
	{"DESTINATION", 364, kind::button, 0, 513, 166, 126, 22, "DESTINATION"},
	{"INSTALL", 364, kind::button, 0, 640, 166, 83, 22, "INSTALL"},
	{"QUIT", 364, kind::button, 0, 780, 166, 51, 22, "QUIT"},
	{"DECLINE", 364, kind::button, k_face_stop, 832, 166, 85, 22, "DECLINE"},
	{"AGREE", 364, kind::button, k_face_go, 918, 166, 59, 22, "AGREE"},
	{"SHOP", 364, kind::button, 0, 822, 235, 116, 22, "SHOP"},
	{"logo", 364, kind::logo, 0, 644, 33, 128, 86},
	{"panel 20", 364, kind::panel_20, 20, 774, 78, 41, 41},
};
constexpr int button_state_t(cell const& c, int state) { return c.t - state * (c.h + 1); }
constexpr int icon_s(int i) { return (i % 8) * k_icon_size; }
constexpr int icon_t(int i) { return (i / 8) * k_icon_size + k_icon_t0; }

// Rectangles of the main screen (screen pixels, y up) where text lies
// straight on the background 365, and the style-20 panels it lies on.
struct rect { int x0, y0, x1, y1; };
constexpr rect k_text_on_back[] = {
	{130, 104, 1024, 128},   // the destination hint at (134, 112)
	{150, 386, 720, 596},    // server labels beside the radio buttons at (142, 578 - 20 i)
};
constexpr rect k_panels_20[] = {
	{134, 599, 926, 673},    // version and status
	{934, 599, 1016, 673},   // download size
	{134, 31, 1016, 73},     // message lines
};

} // namespace ins_art
