// The maker's web host and the opening of web addresses in the user's
// browser.
#pragma once
#include <string>

// The maker's web host: the server list, the download page and the shop.
extern char const* const maker_host;  // "www.kestrin-research.example"

// Opens address in the user's browser through xdg-open, run as a child
// process with an argument list; 0, or the errno of the failed start. An
// address of 500 characters or more is the fatal "String too long!".
int go_to_URL(std::string address);
