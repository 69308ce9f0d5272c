// The about box with its version check, the maker's web host, and the
// opening of web addresses in the user's browser.
#pragma once
#include <string>

// The maker's web host: the server list, the download page and the shop.
extern char const* const maker_host;  // "www.kestrin-research.example"
// The server list is a few lines; a reply past this is no server list.
long long const kServerListCap = 64 * 1024;

// Opens address in the user's browser through xdg-open, run as a child
// process with an argument list; 0, or the errno of the failed start. An
// address of 500 characters or more is the fatal "String too long!".
int go_to_URL(std::string address);

// What the about box knows of newer builds; it lasts for the run, so a
// closed and reopened box does not ask again.
struct about_struct {
	std::string version_str_net;  // the FINAL line's text
	int version_str_found = 0;    // 1 once a FINAL line was read
	int version_final = -1;       // FINAL_VERSION
	int version_beta = -1;        // BETA_VERSION
	int is_latest = 1;
	int is_beta = 0;
	int ins_state = 0;  // 0 undecided, 4 nothing to offer, 1 offer, 2 downloading, 3 unpacked
	std::string beta_server, beta_path;    // BETA_INSTALLER_MAC
	std::string final_server, final_path;  // FINAL_INSTALLER_MAC
	std::string installer_server, installer_path;
	std::string installer_app_name;
	std::string err_msg;
	float list_retry_at = 0;  // a failed fetch of the list waits until then
};
about_struct& about_state();

// Seconds between a failed fetch of the server list and the next.
float const about_list_retry = 5.0f;

// The running build: 8.50 Beta 8.
int const about_build_number = 85008;

// Reads the fetched server list at path (relative to the application
// folder) into about and decides what to offer.
void about_take_server_list(std::string const& path, about_struct* about);

// The about screen (window 994); returns once another screen is current.
void VEDEZE_about();
