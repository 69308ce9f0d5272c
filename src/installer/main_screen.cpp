// The main screen's pieces; APP_update (main_update.cpp) draws them in
// order and calls the road's steps between them.
//
// Index: state - atlas cuts - agreement panel - texts - progress bar.
#include "installer/main_screen.h"

#include <algorithm>
#include <cmath>

#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/xtim.h"
#include "graphics/colr.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "graphics/oglp_glyph.h"
#include "installer/grab.h"
#include "installer/utils.h"
#include "platform/volume_space.h"
#include "shell/butn.h"
#include "shell/hl_mnw.h"

// ---- state ------------------------------------------------------------------------

float tot_down_req = 0, tot_disk_req = 0;
float tot_availabl = -1;
std::string tot_availabl_str, tot_disk_req_str;
int disk_space_avail = 0;
float totl_inst_rat = 0;
int wrl_i = 21;
float base_x1 = 132, base_x2 = 1016;

namespace {
int EULA_agreed = 0;
}

// ---- atlas cuts -------------------------------------------------------------------------

int interface_rect_hit(float x, float y, float w, float h)
{
	return mnw.mouse_x >= x && mnw.mouse_x <= x + w && mnw.mouse_y >= y && mnw.mouse_y <= y + h ? 1 : 0;
}

float interface_rect_v(float x, float y, float v, float w, float h, int hover)
{
	if (!hover || !interface_rect_hit(x, y, w, h)) return v;
	// Normal, under the mouse and pressed images lie stacked downwards.
	return mnw.click_held ? v - 2 * (h + 1) : v - (h + 1);
}

int interface_rect(float x, float y, float u, float v, float w, float h, int hover, int tint)
{
	float const t = interface_rect_v(x, y, v, w, h, hover);
	if (tint == 1)
		colr.assign(98, 0.8f, 1.0f, 0.8f);
	else if (tint == 2)
		colr.assign(98, 1.0f, 0.8f, 0.8f);
	else
		colr.assign(98, 1.0f, 1.0f, 1.0f);
	float const s1 = u / 1024, t1 = t / 1024, s2 = (u + w) / 1024, t2 = (t + h) / 1024;
	OGL_2dquad(364, 98, 1.0f, x, y, s1, t1, x, y + h, s1, t2, x + w, y + h, s2, t2, x + w, y, s2, t1, 1, 5);
	return mnw.click_down && interface_rect_hit(x, y, w, h) ? 1 : 0;
}

int interface_icon(float x, float y, int i)
{
	return interface_rect(x, y, static_cast<float>((i % 8) * 64), static_cast<float>((i / 8) * 64 + 66), 64, 64, 0,
	                      0);
}

// ---- agreement panel ---------------------------------------------------------------------

int handle_EULA()
{
	if (EULA_agreed) return 1;
	VEDEZE_startwind(1);
	if (mnw.cur_win != 1) return EULA_agreed;
	while (mnw.cur_win == 1 && !app_done) {
		OGL_plot_back_col();
		BTN_fillwin(1, 21);
		BTN_subwin(0, 16, 10, 50, 480, 222, "", nullptr, nullptr);
		OGL_string(45, 20, 250, "", 400, 100);
		OGL_string(45, 20, 230, "", 400, 100);
		OGL_string(45, 20, 210, "", 400, 100);
		OGL_string(45, 20, 180, "", 400, 100);
		// A click returns at once: one more frame here would run the main
		// screen's update from inside its own install button.
		if (interface_rect(300, 10, 832, 166, 85, 22, 1, 1)) {
			EULA_agreed = 0;
			VEDEZE_startwind(0);
			return EULA_agreed;
		}
		if (interface_rect(400, 10, 918, 166, 59, 22, 1, 1)) {
			EULA_agreed = 1;
			VEDEZE_startwind(0);
			return EULA_agreed;
		}
		VEDEZE_event_proc();
	}
	return EULA_agreed;
}

void forget_EULA() { EULA_agreed = 0; }

// ---- texts ----------------------------------------------------------------------------------

void set_size_str(float kb, std::string* out)
{
	float meg = kb / 1000;
	// The text cuts to one decimal: a few kilobytes would read as nothing.
	if (kb > 0 && meg < 0.1f) meg = 0.1f;
	if (meg < 1000) {
		flt_to_str(meg, out, 2, 1);
		*out += " Meg";
	} else {
		flt_to_str(kb / 1000000, out, 2, 1);
		*out += " Gig";
	}
}

std::string time_left_str(float seconds)
{
	// Nothing received yet leaves an endless time; keep it a number.
	double const left = std::min(std::max(static_cast<double>(seconds), 0.0), 1e9);
	if (left < 120) return std::to_string(static_cast<int>(left)) + " seconds";
	if (left < 7200) return std::to_string(static_cast<int>(left / 60)) + " minutes";
	return std::to_string(static_cast<int>(left / 3600)) + " hours";
}

std::string percent_str(float ratio)
{
	std::string out;
	flt_to_str(100 * ratio, &out, 3, 1);
	return out;
}

screen_text status_line()
{
	if (stg.server_count == -1) return {"Looking for servers... you need internet for this...", 45};
	if (stg.server_count == 0) return {"I could not find any servers to get Skyrell from!", 1};
	if (next.finished) return {"INSTALLATION COMPLETE!", 13};
	if (stg.install_stage == STAGE_running) return {"OK I am installing this now...", 45};
	if (stg.dest_valid == 0)
		return {"To make the download a LOT faster, if you have an earlier version of Skyrell 8.00 on your hard "
		        "drive, choose that with the DESTINATION button below, and I will UPDATE THAT FOLDER!",
		        45};
	return {"You have selected an earlier version of Skyrell in the DESTINATION field below, so I will update that "
	        "installation  by just grabbing new updated files!",
	        45};
}

void read_sizes()
{
	tot_down_req = stg.down_bytes_req;
	tot_disk_req = stg.disk_bytes_req;
	tot_availabl = -1;
	double const bytes = PLT_free_bytes(app_path + dest_dir_path);
	if (bytes >= 0) tot_availabl = static_cast<float>(bytes * 0.001);
}

void advance_install_ratio(float frame_time)
{
	float const k = 5 * frame_time;
	float const done = tot_disk_req > 0 ? next.kb_expanded / tot_disk_req : 1.0f;
	float const r = (1 - k) * totl_inst_rat + k * done;
	totl_inst_rat = std::max(0.0f, std::min(1.0f, r));
}

namespace {

void idle_messages(std::string line[3])
{
	if (stg.dir_state == DIRST_fetch) {
		line[0] = "I am figuring out what the latest version of Skyrell is right now...";
		line[1] = "This may take a moment as I download the latest list of Skyrell files...";
		return;
	}
	if (tot_disk_req == 0 && dir_changes == 0) {
		// Nothing to install: the button stays disarmed.
		disk_space_avail = 0;
		line[0] = "Your copy of Skyrell is already the latest version.";
		line[1] = "(Remember, the BETA installer only checks for the latest BETA version, and the FULL installer "
		          "checks only for the latest FULL version of Skyrell).";
		line[2] = "This is a beta installer.";
		return;
	}
	set_size_str(tot_disk_req, &tot_disk_req_str);
	set_size_str(tot_availabl, &tot_availabl_str);
	line[0] = "You are about to install " + tot_disk_req_str + " of files to get " + install_name + ".";
	if (tot_disk_req > 0 && tot_availabl > 0)
		line[1] = "You have " + tot_availabl_str + " of drive space available for the selected directory.";
	if (tot_availabl > tot_disk_req) {
		disk_space_avail = 1;
		line[2] = "You may install at will.";
	} else {
		disk_space_avail = 0;
		line[2] = "You don't have enough disk space to install this!";
	}
}

void install_messages(std::string line[3])
{
	std::string done;
	set_size_str(next.kb_expanded, &done);
	switch (stg.grab_phase) {
	case GRAB_deleting: line[0] = "Deleting " + crnt_file_name + " because that file is no longer needed!"; break;
	case GRAB_downloading:
		line[0] = "Downloading and installing " + crnt_file_name + ", currently " +
		          std::to_string(static_cast<int>(100 * stg.grab_progress)) + "% done with that file.";
		break;
	case GRAB_current:
		line[0] = "duplicate filename through file " + crnt_file_name +
		          ", but not installing it because you already have this file.";
		break;
	case GRAB_unwanted:
		line[0] =
		    "Browsing through file " + crnt_file_name + ", but not installing it because you don't need this file.";
		break;
	default: break;
	}
	line[1] = percent_str(totl_inst_rat) + "% done with the internet install, having installed " + done + " of " +
	          tot_disk_req_str + " for the internet install.";
	if (totl_inst_rat > 0.01f) {
		float const received = next.kb_done + next.kb_in_flight;
		float const rate = received / std::max(1.0f, xtim.run_time - next.start_time);
		float const left = std::max(0.0f, tot_down_req - received);
		float const seconds = rate > 0 ? left / rate : (left > 0 ? 1e9f : 0.0f);
		int busy = 0;
		for (int k = 0; k < 4; k++) busy += next.active[k] ? 1 : 0;
		line[2] = "About " + time_left_str(seconds) + " left in the install, downloading at " +
		          std::to_string(static_cast<int>(rate)) + " kilobytes/second " + "with " + std::to_string(busy) +
		          " simultaneous download streams.";
	}
}

}  // namespace

void stage_messages(std::string line[3], int* col)
{
	line[0].clear();
	line[1].clear();
	line[2].clear();
	*col = 45;
	if (stg.install_stage == STAGE_idle) idle_messages(line);
	if (stg.install_stage == STAGE_running) install_messages(line);
	if (stg.install_stage == STAGE_ended) {
		if (stg.install_error == 0) {
			line[0] = "INSTALLATION COMPLETE!";
		} else {
			*col = 68;
			line[0] = "The installation was not completed because an error occurred.";
			line[1] = "Skyrell is not fully installed or updated and may not run correctly.";
			line[2] = "Please try a different server, hard drive, or directory, or contact Customer Support for help "
			          "with this problem.";
		}
	}
	if (stg.stream_failed == 1) {
		*col = 68;
		line[0] = "I can NOT download the file '" + crnt_file_path + "'!";
		line[1] = "Your internet connection may not be working, or the server could be undergoing maintainance or "
		          "an upgrade right now.";
		line[2] = "I am trying another server now to see if I can still get you a download...";
	}
}

float wrapped_block_y(std::string const& text, float x, float y, float width)
{
	float x0 = 0, y0 = 0;
	OGL_text_start(x, y, &x0, &y0);
	float low = y0;
	for (glyph_quad_struct const& q : OGL_layout_string(100, x0, y0, text, width)) low = std::min(low, q.y);
	return y + (y0 - low) / 2;
}

// ---- progress bar ------------------------------------------------------------------------------

bar_geometry progress_bar(float ratio, int installing)
{
	// Nearest whole number, halves away from zero.
	auto n = [](float x) { return std::round(x); };
	float const a = std::floor(base_x1);
	float const b = std::floor(base_x1 + (base_x2 - base_x1) * ratio);
	bar_geometry g;
	g.empty_x = 2 * n((base_x1 + base_x2) / 4);
	g.empty_w = 4 * n((base_x2 - base_x1) / 4);
	g.filled = installing && ratio > 0.02f ? 1 : 0;
	g.fill_x = 2 * n((a + b) / 4);
	g.fill_w = 4 * n((b - a) / 4);
	return g;
}
