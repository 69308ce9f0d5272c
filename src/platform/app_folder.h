// The folder that holds the running program. Tests point it at a folder of
// their own so that start-up, its log and its settings stay there.
#pragma once
#include <string>

// The program's folder without a trailing '/', or "" when it cannot be found.
std::string PLT_app_folder();
// The folder part of a program's path: cut at the last '/' only (':' and
// '\\' are ordinary characters in Linux names); "" when there is no '/' or
// it is the first character.
std::string PLT_folder_of(std::string const& program_path);
// A non-empty folder replaces the program's own; "" restores it.
void PLT_set_app_folder(std::string const& folder);
