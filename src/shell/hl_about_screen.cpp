// The about box: the version line and credits, the check of the maker's
// server list for a newer release or beta, and the download, unpacking and
// launch of a newer installer.
//
// Index: server-list check - the screen.
#include <string>

#include "foundation/app_globals.h"
#include "foundation/http.h"
#include "foundation/io_utils.h"
#include "foundation/io_zip.h"
#include "foundation/xmap.h"
#include "foundation/xtim.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "shell/butn.h"
#include "shell/hl_about.h"
#include "shell/hl_mnw.h"

// ---- server-list check -------------------------------------------------------------

namespace {

char const* const server_list_file = "Resources:preferences:serverlist.txt";
char const* const installer_zip = "Resources:preferences:installer.zip";

bool is_sep(char c) { return c == '/' || c == ':' || c == '\\'; }

// The HTTP client ends the program on a host with a trailing separator or a
// path without a leading one; a listed installer like that is treated as
// none, so a bad list cannot end the program.
bool usable_source(std::string const& server, std::string const& path)
{
	return !server.empty() && !path.empty() && !is_sep(server.back()) && is_sep(path[0]);
}

}  // namespace

about_struct& about_state()
{
	static about_struct about;
	return about;
}

void about_take_server_list(std::string const& path, about_struct* a)
{
	xmap_class list(path);
	int versions[] = {820, 0};
	if (list.check_file(xmap_type_text, versions, "SERVERS", nullptr)) {
		while (list.cursor < list.end) {
			if (list.TXT_str_scan_match("BETA", 1)) {
				list.TXT_str_scan_eoln(nullptr);
			} else if (list.TXT_str_scan_match("FINAL", 1)) {
				list.TXT_str_scan_eoln(&a->version_str_net);
				a->version_str_found = 1;
			} else if (list.TXT_str_scan_match("BETA_INSTALLER_MAC", 1)) {
				list.TXT_str_scan_space(&a->beta_server);
				list.TXT_str_scan_eoln(&a->beta_path);
			} else if (list.TXT_str_scan_match("FINAL_INSTALLER_MAC", 1)) {
				list.TXT_str_scan_space(&a->final_server);
				list.TXT_str_scan_eoln(&a->final_path);
			} else if (list.TXT_str_scan_match("BETA_VERSION", 1)) {
				a->version_beta = list.TXT_int_scan();
				list.TXT_str_scan_eoln(nullptr);
			} else if (list.TXT_str_scan_match("FINAL_VERSION", 1)) {
				a->version_final = list.TXT_int_scan();
				list.TXT_str_scan_eoln(nullptr);
			} else {
				list.TXT_str_scan_eoln(nullptr);
			}
		}
	}

	// The list is fetched again while it lacks its FINAL line: that must not
	// undo the download the user started, nor the launch that follows it.
	if (a->ins_state == 2 || a->ins_state == 3) return;

	a->is_latest = 1;
	a->is_beta = 0;
	a->ins_state = 4;
	if (a->version_final == -1) {
		a->err_msg = "Can't connect to the net to find latest version.";
	} else if (a->version_final == about_build_number) {
		a->err_msg = "Your version of Skyrell is up to date.";
	} else if (a->version_final > about_build_number) {
		a->is_beta = 0;
		a->is_latest = 0;
	} else if (a->version_beta <= about_build_number) {
		a->err_msg = "You have the latest Skyrell beta.";
	} else {
		a->is_beta = 1;
		a->is_latest = 0;
	}
	if (a->is_latest) return;

	a->installer_server = a->is_beta ? a->beta_server : a->final_server;
	a->installer_path = a->is_beta ? a->beta_path : a->final_path;
	if (!usable_source(a->installer_server, a->installer_path)) {
		a->err_msg = a->is_beta ? "There is a newer beta of Skyrell available; visit our website to download the update."
		                        : "There is a new version of Skyrell available; visit our website to download the update.";
		return;
	}
	a->ins_state = 1;
}

// ---- the screen -------------------------------------------------------------------

namespace {

std::string const site_name = maker_host;
std::string const site_address = std::string("http://") + maker_host + "/";

struct credit {
	int col;
	char const* text;
};
credit const credits[] = {
    {48, "Kestrin Research"},
    {48, "http://www.kestrin-research.example/"},
    {46, "Installer, updater and framework: the Skyrell development team"},
    {46, "Release servers and mirrors: the Kestrin Research network group"},
    {46, "Interface art: painted by our own image generator"},
    {46, "Testing: everyone who flew the betas and told us what broke"},
};

std::string with_error(char const* lead, int e) { return lead + error_str(e) + " (" + std::to_string(e) + ")"; }

std::string download_progress()
{
	down_class const* d = http.downloads[1].get();
	if (d && d->content_length == -1) return "Downloading the installer...";
	long long percent = 0;
	// A reply that announced no bytes shows 0, not a division by zero.
	if (d && d->content_length > 0) percent = static_cast<long long>(d->received) * 100 / d->content_length;
	return "Downloading the installer..." + std::to_string(percent) + "% complete";
}

}  // namespace

void VEDEZE_about()
{
	about_struct& a = about_state();
	// The fetched files land here; a fresh application folder has no such
	// folder yet (one that exists answers 17, which is fine).
	make_folder(app_path + "Resources:");
	make_folder(app_path + "Resources:preferences:");
	VEDEZE_startwind(994);
	while (mnw.cur_win == 994) {
		if (!a.version_str_found && xtim.run_time >= a.list_retry_at) {
			int const got = http.net_check(0, maker_host, "/serverlist.txt", server_list_file, kServerListCap);
			if (got == 1) about_take_server_list(server_list_file, &a);
			// Each failure is reported in the log: not again at every frame.
			if (got == 2) a.list_retry_at = xtim.run_time + about_list_retry;
		}

		float const W = mnw.win_dx, H = mnw.win_dy;
		OGL_plot_back_col();
		BTN_fillwin(1, 21);
		BTN_subwin(0, 15, -1, 35, -1, -1, "", nullptr, nullptr);
		OGL_string(46, 20, H - 45, "Skyrell 8.50 Beta 8", W - 40, 100);
		OGL_string(46, 20, H - 55,
		           a.version_str_found
		               ? "The current version of Skyrell at " + site_name + " is now " + a.version_str_net
		               : "I could not connect to the net to find the current version of Skyrell at " + site_name + "!",
		           W - 40, 100);
		float y = H - 75;
		for (credit const& c : credits) {
			OGL_string(c.col, 20, y, c.text, W - 40, 100);
			y -= 10;
		}

		if (BTN_action(190, 17, 0, 0, 1, "Visit " + site_name + " for free updates!")) go_to_URL(site_address);

		std::string status;
		switch (a.ins_state) {
		case 1:
			if (BTN_action(442, 17, 0, 0, 1, a.is_beta ? " Get New Beta! " : "Update Skyrell!")) a.ins_state = 2;
			break;
		case 2: {
			int const got = http.net_check(1, a.installer_server, a.installer_path, installer_zip);
			if (got == 1) {
				int const e = zip_to_file(installer_zip, "", &a.installer_app_name, 0);
				if (e) {
					a.err_msg = with_error("There was an error unzipping the installer: ", e);
					a.ins_state = 4;
				} else {
					std::string& name = a.installer_app_name;
					if (!name.empty() && is_sep(name.back())) name.pop_back();
					a.ins_state = 3;
				}
			} else if (got == 2) {
				a.err_msg = "I was unable to download the installer from the net.";
				a.ins_state = 4;
			} else {
				status = download_progress();
			}
			break;
		}
		case 3: {
			int const e = launch_app(a.installer_app_name, app_path);
			a.err_msg = with_error("There was an error launching the installer: ", e);
			a.ins_state = 4;
			break;
		}
		default:
			break;
		}
		if (a.ins_state == 4) status = a.err_msg;
		if (!status.empty()) OGL_string(57, 20, H - 215, status, W - 40, 100);

		VEDEZE_event_proc();
	}
}
