// Start-up and finish of the application: log header, window and GL context,
// built-in images, interface colours, the start-up screen; and the way down.
#pragma once
#include <string>

#include "foundation/hl_string.h"  // g_case_sensitive

extern float randrat[10000];
extern int g_mon_x_res_now, g_mon_y_res_now;

void VEDEZE_init(int argc, char const* const* argv);
void VEDEZE_app_path(std::string* path, int* flag);
void VEDEZE_setres(int set);
int VEDEZE_make_context(int which);
int VEDEZE_nuke_context(int which);
void VEDEZE_show_init(std::string const& message, float* fraction);
void VEDEZE_finishup(int save);
void IBM_turnoff();

// Called after the language changes; computes the language's text folder.
void VEDEZE_setupforlang();
// The text folder of a language 0..6 ("" for any other).
std::string VEDEZE_lang_folder(int lang);

// Start-up pieces, exposed for tests: the log header and system line, and
// the interface colours taken from the interface image's sample pixels
// (512 x 512 RGBA, rows from the first stored one).
void VEDEZE_write_log_header();
void VEDEZE_take_colours(unsigned char const* image);
