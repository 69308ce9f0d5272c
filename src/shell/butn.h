// The immediate-mode widget set. One call a frame draws a widget and tests
// it against this frame's mouse state in mnw; the value lives with the caller
// and is edited through a pointer; the result is nonzero in the frame in which
// the user clicked the widget or changed its value. Coordinates are layout
// units relative to the current window's origin, y up.
//
// Index: drawing layer (cells, frames, close boxes) - labels - tabs, window
// backgrounds and panels - buttons, sliders and the name list - value
// editors - text fields - file browser.
#pragma once
#include <string>
#include <vector>

struct butn_class {
	int unused = 0;
};
extern butn_class butn;

// Default size and place of the file browser's name list.
extern float io_dx, io_cx, io_dy, io_cy;
// Bottom and top edge of a default-height name list around its centre line.
extern float const io_y_bot, io_y_top;

// ---- drawing layer ----------------------------------------------------------
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

// ---- labels -------------------------------------------------------------------
// "left|right{?help": the parts a widget draws beside itself and its help.
void BTN_expand_label(std::string const& label, std::string* left, std::string* right, std::string* help);

// Where a label's lines go: each line's text and its start point.
struct BTN_label_line {
	std::string text;
	float x, y;
};
std::vector<BTN_label_line> BTN_label_layout(float x, float y, int align, std::string const& text);
void BTN_util_draw_label(float x, float y, int align, std::string const& text, int lit);
// Width of a text in the proportional font (font 100's advances).
float BTN_text_width(std::string const& text);

// ---- tabs, backgrounds, panels -----------------------------------------------
int BTN_tab(int index, int row, int* sel, int value, std::string label);
void BTN_util_draw_boxed_button(float x, float y, float w, float dx, int n);
void BTN_fillwin(int framed, int inner);
void BTN_subwin(float title_h, int style, float x, float y, float w, float h, std::string title, float* next_x,
                float* next_y);

// A row that shows the last part of *path and, on a press of its folder
// icon, asks the desktop's folder chooser for a new one (1 when it changed).
int BTN_select_file_stl(float x, float y, int open_save, int file_path, int file_type, std::string* path,
                        std::string label);
// The same on a text buffer of max bytes.
int BTN_select_file_chr(float x, float y, int open_save, int file_path, int file_type, char* path, int max,
                        std::string label);

// ---- buttons, sliders, name list -----------------------------------------------
int BTN_action(float x, float y, float w, int lit, int mode, std::string label);
int BTN_vert_slider(int id, float x, float y_bot, float y_top, int lo, int hi, int* value);
int BTN_big_name_list(int type, int slider_id, float x, float y, float w, float h, int* current, int* hover, int lo,
                      int hi, std::string* names, std::string (*name_of)(int));
int BTN_horz_slider(float x, float y, float w, int fill_col, float lo, float hi, float* value, int draggable,
                    std::string label, std::string text);

// ---- value editors ----------------------------------------------------------------
int BTN_bool(float x, float y, int* v, std::string label, int radio);
int BTN_xbol(float x, float y, bool* v, std::string label);
int BTN_xchr(float x, float y, char* v, std::string label);
int BTN_xbyt(float x, float y, unsigned char* v, std::string label);
int BTN_is_int(float x, float y, int* v, int value, std::string label);
int BTN_textlist(float x, float y, int* sel, std::string items, std::string label);
void BTN_chars(float x, float y, char* buf, int n, std::string label);
int BTN_flt_range(float x, float y, float* v, int digits, int decimals, float lo, float hi, std::string label);
int BTN_flt(float x, float y, float* v, int digits, int decimals, int neg, std::string label);
int BTN_dob_range(float x, float y, double* v, int digits, int decimals, float lo, float hi, std::string label);
int BTN_int_range(float x, float y, int* v, int digits, float lo, float hi, std::string label);
int BTN_int(float x, float y, int* v, int digits, int neg, std::string label);
int BTN_fltij(float i, float j, float* v, int digits, int decimals, int neg, std::string label);
int BTN_flt_rangeij(float i, float j, float* v, int digits, int decimals, float lo, float hi, std::string label);
void BTN_display_number(float x, float y, float value, int digits, int decimals, std::string const& label);

// ---- text fields ----------------------------------------------------------------------
int BTN_enterstring(float x, float y, std::string* s, int maxlen, int id, std::string label);
int BTN_enterstring(float x, float y, char* s, int maxlen, int id, std::string label);

// ---- file browser -------------------------------------------------------------------
// Runs the open (998) or save (999) screen until a file is chosen (1, the
// name, or with file_path 1 the path from the program's folder, in *path) or
// the user cancels or another screen becomes current (0, *path untouched).
// *path's folder part, if any, is where the browser starts.
int BTN_opensave(int open_save, int file_path, int file_type, std::string* path);

// What the browser decides, apart from its drawing:
// wrk_path for a browser of file_type called with path.
void BTN_opensave_start_folder(int file_type, std::string const& path);
// A typed name with the save extension of file_type in place of a
// four-character ending; "" for a name the browser does not save (none, one
// with a separator, or "." or "..").
std::string BTN_opensave_save_name(int file_type, std::string name);
// The folder's levels as drawn, the ancestor pop-up's items and each item's
// folder (entry 0 the program's folder).
struct BTN_opensave_level {
	std::string text;
	float x, y;
};
struct BTN_opensave_folders {
	std::vector<BTN_opensave_level> levels;
	std::string items;
	std::vector<std::string> ancestors;
};
BTN_opensave_folders BTN_opensave_levels(std::string const& folder);
// The comment line of a folder file, "" when it has none.
std::string BTN_opensave_fdr_comment(std::string const& rel_path);
