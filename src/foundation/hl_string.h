// Text, path and number helpers; the letter-case repair of paths and the
// standard folders.
#pragma once
#include <cstddef>
#include <string>

extern int g_case_sensitive;  // set by start-up; non-zero: repair the letter case of paths

void set_dir_chars(std::string& path);
void int_to_str(int value, char* buf, int min_digits, int plus_sign);
int str_to_int(std::string const& text);
void flt_to_str(float value, std::string* out, int digits, int decimals);
void char_string_to_int_string(std::string* text);
void strcpy_limit(char* target, char const* source);
// strcpy_limit for fixed text fields: reads the source only within its slot
// and writes at most target_size - 1 characters and a NUL.
void strcpy_limit_field(char* target, size_t target_size, char const* source, size_t source_size);
// Cuts an airfoil reference down to its last path component, in place.
void set_afl_path(char* name);

// Path services of the application.
void findPath(char* path);
void get_OS_abs_path(int code, std::string& path);
void trim_dest_folder(std::string& path);
