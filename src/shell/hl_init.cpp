// Index: globals - log header and system line - program folder, screen,
// window and context - start-up screen - VEDEZE_init - finish - language.
#include "shell/hl_init.h"

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/hl_thread.h"
#include "foundation/UTL_cmdline.h"
#include "foundation/pref.h"
#include "foundation/xtim.h"
#include "graphics/OGL_extensions.h"
#include "graphics/colr.h"
#include "graphics/oglp.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "graphics/tman.h"
#include "graphics/tman_image.h"
#include "platform/app_folder.h"
#include "platform/display.h"
#include "platform/gl_window.h"
#include "platform/input_source.h"
#include "platform/sdl_input.h"
#include "platform/system_info.h"
#include "shell/app_callbacks.h"
#include "shell/butn.h"
#include "shell/hl_mnw.h"

// ---- globals ----------------------------------------------------------------

float randrat[10000];
int g_mon_x_res_now = 0, g_mon_y_res_now = 0;

namespace {

PLT_gl_surface surfaces[2];
int start_depth = 0, start_change = 0, setres_called = 0;
int show_init_counter = 0;

void log_line(std::string const& text)
{
	std::lock_guard<std::mutex> hold(xer_lock);
	xer << text;
	xer.flush();
}

std::string number_or_unknown(bool ok, long value) { return ok ? std::to_string(value) : "?"; }

}  // namespace

// ---- log header and system line ---------------------------------------------

void VEDEZE_write_log_header()
{
	std::lock_guard<std::mutex> hold(xer_lock);
	xer << "log.txt for " << "Skyrell 8.50 Beta 8" << " - " << "Installer/Updater" << " build " << 85008
	    << " compiled on Aug 20 2006 20:52:18\n"
	    << "This log file is generated automatically by Kestrin Research applications\n"
	    << "and contains diagnostics about your graphics hardware, installatoin, and\n"
	    << "any error conditions.  If you need to contact tech support or file a bug,\n"
	    << "please send us this file.  NOTE: this file is rewritten every time you\n"
	    << "start ANY of our applications.\n\n";

	int release[3];
	bool const have_release = PLT_kernel_release(release);
	int family = 0, mhz = 0;
	long ram = 0;
	bool const have_family = PLT_cpu_family(&family);
	bool const have_mhz = PLT_cpu_mhz(&mhz);
	bool const have_ram = PLT_ram_mb(&ram);
	xer << "Linux " << number_or_unknown(have_release, release[0]) << "."
	    << number_or_unknown(have_release, release[1]) << "." << number_or_unknown(have_release, release[2])
	    << "\nCPU type: " << number_or_unknown(have_family, family)
	    << " CPU speed (mhz): " << number_or_unknown(have_mhz, mhz) << " Bus speed (mhz): ?"
	    << "  RAM (MB): " << number_or_unknown(have_ram, ram) << "\n";
}

// ---- program folder, screen, window and context -------------------------------

void VEDEZE_app_path(std::string* path, int* flag)
{
	if (flag) *flag = 1;  // Linux names are case-sensitive
	std::string const folder = PLT_app_folder();
	*path = folder.empty() ? "" : (folder.back() == '/' ? folder : folder + "/");
}

void VEDEZE_setres(int)
{
	mnw.x_res_use = mnw.x_res_req;
	mnw.y_res_use = mnw.y_res_req;
	mnw.col_res_use = mnw.col_res_req;
	int w = 0, h = 0, depth = 0;
	if (PLT_screen_size(&w, &h, &depth)) {
		g_mon_x_res_now = w;
		g_mon_y_res_now = h;
	}
	// The start depth is remembered as the record asks, but never switched
	// back to: Linux desktops do not let a program change the screen depth.
	if (!setres_called) {
		setres_called = 1;
		start_depth = depth;
		start_change = (h < 768 || w < 1024) ? 1 : mnw.set_res;
	}
}

int VEDEZE_make_context(int which)
{
	if (which != 0 && which != 1) return 0;
	int const left = which == 0 ? 0 : mnw.x_res_use;
	int const width = mnw.x_res_use, height = mnw.y_res_use;
	bool const windowed = width + 40 < g_mon_x_res_now && height + 40 < g_mon_y_res_now;
	if (which == 1) OGL_setstate(1, 0, 3, 4, 9, 11);

	PLT_gl_surface got;
	int const ok = PLT_gl_open(mnw.alias_req, left, windowed ? 40 : 0, width, height, windowed ? "" : "Main", 0,
	                           &got, windowed ? 0 : 1, which == 1);
	mnw.alias_now = got.level;
	if (!ok) return 0;
	surfaces[which] = got;
	mnw.window[which] = got.window;
	mnw.context[which] = got.context;

	struct {
		char const* label;
		int value;
	} const lines[7] = {
	    {"AGL_RGBA         :", got.rgba},      {"AGL_DOUBLEBUFFER :", got.doublebuffer},
	    {"AGL_RED_SIZE     :", got.red},       {"AGL_GREEN_SIZE   :", got.green},
	    {"AGL_BLUE_SIZE    :", got.blue},      {"AGL_ALPHA_SIZE   :", got.alpha},
	    {"AGL_DEPTH_SIZE   :", got.depth},
	};
	{
		std::lock_guard<std::mutex> hold(xer_lock);
		for (auto const& l : lines) xer << l.label << l.value << "\n";
		xer.flush();
	}

	int const e = glExt.init_entry_points();
	if (e != 0) {
		char text[64];
		std::snprintf(text, sizeof(text), "Error=%f", static_cast<double>(static_cast<float>(e)));
		stl_global = text;
		__VEDEZE_alert(0, "Could not open OpenGL framework", "", text, "", 2, "hl_init", 465);
	}
	// A software renderer is accepted: it is what headless machines have.
	OGL_init_state(mnw.alias_now);
	if (which == 1) tman.reset_bind();
	return 1;
}

int VEDEZE_nuke_context(int which)
{
	if (which != 0 && which != 1) return 0;
	if (surfaces[which].window || surfaces[which].context) PLT_gl_destroy(&surfaces[which]);
	mnw.window[which] = nullptr;
	mnw.context[which] = nullptr;
	return 0;
}

// ---- start-up screen ------------------------------------------------------------

void VEDEZE_show_init(std::string const& message, float* fraction)
{
	if (!plot_init_lights) return;
	// Placed on the screen, whatever window is current.
	float const x0 = mnw.lay_off_x - mnw.org_x, y0 = -mnw.org_y;
	OGL_plot_back_col();
	BTN_frame2(15, x0 + 10, y0 + 31, 310, 200, "");
	OGL_string(48, x0 + 22, y0 + 210, "Skyrell 8.50 Beta 8", 280, 100);
	float f = fraction ? *fraction : static_cast<float>(show_init_counter++) / 100.0f;
	if (f < 0.02f) f = 0.02f;
	if (f > 1.0f) f = 1.0f;
	BTN_frame1(4, x0 + 512, y0 + 15, 1008, 0);
	BTN_frame1(5, x0 + 8 + f * 1008 * 0.5f, y0 + 15, f * 1008, 0);
	OGL_string(60, x0 + 22, y0 + 60, message, 280, 100);
	OGL_sbuf();
}

// ---- start-up ----------------------------------------------------------------------

void VEDEZE_take_colours(unsigned char const* image)
{
	static int const from_column_319[12] = {33, 34, 35, 36, 37, 39, 40, 41, 42, 44, 45, 46};
	auto take = [image](int col, int row, int column) {
		unsigned char const* p = image + (static_cast<size_t>(row) * 512 + static_cast<size_t>(column)) * 4;
		colr.assign(col, p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f);
	};
	for (int i = 0; i < 12; ++i) take(from_column_319[i], 155 - 8 * i, 319);
	take(43, 115, 395);
	float const* a = colr.entry(34);
	float const* b = colr.entry(37);
	colr.assign(38, (a[0] + b[0]) * 0.5f, (a[1] + b[1]) * 0.5f, (a[2] + b[2]) * 0.5f);
}

void VEDEZE_init(int argc, char const* const* argv)
{
	alert_set_finish(VEDEZE_finishup);
	show_init_counter = 0;  // the progress line starts empty with each start-up
	tman_set_show_init(VEDEZE_show_init);
	// Tests put a scripted source in place before or after start-up.
	if (!PLT_input_source_now()) PLT_input_set_source(&PLT_sdl_input_source());
	PLT_input_set_wheel_handler(APL_HandleWheel);
	PLT_input_flush();
	scratch_array = reinterpret_cast<unsigned char*>(
	    (reinterpret_cast<std::uintptr_t>(scratch_array_storage) + 15) & ~static_cast<std::uintptr_t>(15));

	VEDEZE_app_path(&app_path, &g_case_sensitive);
	app_path.clear();

	// Every framework path is relative to the program's folder; a failure
	// leaves the working folder as it was.
	std::string const folder = PLT_app_folder();
	if (!folder.empty()) {
		int const moved = chdir(folder.c_str());
		(void)moved;
	}

	{
		std::string log_path;
		get_OS_abs_path(0, log_path);
		std::lock_guard<std::mutex> hold(xer_lock);
		if (xer.is_open()) xer.close();
		xer.clear();
		xer.open(log_path + "Log.txt", std::ios::out | std::ios::trunc);
		xer.setf(std::ios::fixed, std::ios::floatfield);
	}
	VEDEZE_write_log_header();
	log_line("Skybase folder= " + app_path + " case sensitive=" + std::to_string(g_case_sensitive) + "\n");

	cmdline.init_unix(argc, argv);

	int const n = static_cast<int>(std::clock() % 1000);
	for (int i = 0; i < n; ++i) std::rand();
	for (float& r : randrat) r = static_cast<float>(std::rand() * (1.0 / 2147483648.0) * 0.9999);

	THREAD_init();
	fill_lookup_tables();

	ren.fade_alpha = 1.0f;
	mnw.x_res_req = 1024;
	mnw.y_res_req = 768;
	mnw.col_res_req = 32;
	mnw.tex_res = 5;
	mnw.lang = -1;
	mnw.keylist_up = 1;
	xtim.prd_FM = 0.02f;
	xtim.prd_UI = 0.02f;

	VEDEZE_setres(1);
	if (VEDEZE_make_context(0) <= 0)
		__VEDEZE_alert(0, "I could not set up the graphics for Skyrell! I hope your monitor is at 1024x768 or higher! It must be!",
		               "You do not meet the system requirements or you do not have OpenGL drivers or you entered a bad resolution in Skyrell!",
		               "You need at least 256 meg of RAM, 16 meg of VRAM, and OpenGl drivers for your 3-D accelerator card!",
		               "If you reset the resolution, you can try launching Skyrell again, since I am resetting Skyrell to default resolution now.",
		               2, "hl_init", 1198);

	OGL_pix_specs(0);
	xtim.first_pass = 1;
	glExt.init_extensions();
	recall_ins_texes();
	VEDEZE_take_colours(scratch_array);

	VEDEZE_clear_menus(1);
	VEDEZE_startwind(-1);
	// Alerts show in the window from now on, unless nobody could see it and
	// dismiss them there: then the system alert (standard error) stays.
	if (!alert_window_display_now() && PLT_gl_on_desktop()) alert_set_window_display(VEDEZE_alert_screen);
	ogl_inited = 1;
	app_done = 0;
	mnw.lang = 0;
	VEDEZE_setupforlang();
	VEDEZE_show_init("Will init plugins.", nullptr);
	VEDEZE_show_init("Starting application.", nullptr);
}

// ---- finish ---------------------------------------------------------------------------

void VEDEZE_finishup(int save)
{
	if (save) {
		pref.IO_set(11, 1);
		THREAD_shutdown();
	}
	VEDEZE_setres(0);
	if (mnw.has_window_2) VEDEZE_nuke_context(1);
	VEDEZE_nuke_context(0);
	ogl_inited = 0;  // no window to show an alert in any more
	{
		std::lock_guard<std::mutex> hold(xer_lock);
		if (xer.is_open()) xer.close();
	}
	PLT_input_flush();
}

void IBM_turnoff() {}

// ---- language ---------------------------------------------------------------------------

std::string VEDEZE_lang_folder(int lang)
{
	static char const* const folders[7] = {"text:english:", "text:french:",    "text:german:", "text:italian:",
	                                       "text:spanish:", "text:portugese:", "text:korean:"};
	return lang >= 0 && lang < 7 ? folders[lang] : "";
}

void VEDEZE_setupforlang()
{
	// Nothing is loaded from the language's folder yet; the name is all there is.
	std::string const folder = VEDEZE_lang_folder(mnw.lang);
	(void)folder;
}
