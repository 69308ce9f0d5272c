// Index: menu table and text width - screens (VEDEZE_startwind) - mouse and
// wheel - event dispatch - click dispatch - the open menu - the frame.
#include "shell/hl_mnw.h"

#include <cmath>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/xtim.h"
#include "graphics/colr.h"
#include "graphics/oglp.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "graphics/oglp_glyph.h"
#include "graphics/qtim.h"
#include "graphics/tman.h"
#include "shell/app_callbacks.h"
#include "shell/butn.h"
#include "shell/keys.h"

std::vector<menu_struct> menu;

// ---- menu table -------------------------------------------------------------

void VEDEZE_clear_menus(int mode)
{
	if (mode != 1) return;
	menu.clear();
	menu.resize(menu_count);
	for (int i = 0; i < menu_count; ++i) VEDEZE_clear_menu(i);
}

void VEDEZE_clear_menu(int i)
{
	if (i < 0 || i >= static_cast<int>(menu.size())) return;
	menu_struct& m = menu[static_cast<size_t>(i)];
	m.title.clear();
	m.parent = -1;
	m.x1 = m.y1 = m.x2 = m.y2 = 0;
	m.items.clear();
}

void VEDEZE_clear_items(int i)
{
	if (i < 0 || i >= static_cast<int>(menu.size())) return;
	menu[static_cast<size_t>(i)].items.clear();
}

float menu_dx(std::string const& text)
{
	if (mnw.lang == 6) return 8.0f * static_cast<float>(text.size());
	float w = 0;
	for (unsigned char c : text) w += static_cast<float>(OGL_glyph_width(c));
	return w;
}

// ---- screens ------------------------------------------------------------------

void VEDEZE_startwind(int id)
{
	plot_init_lights = 1;
	OGL_viewport(2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1.0f);
	stl_input.clear();
	mnw.win_dx = static_cast<float>(mnw.x_res_use);
	mnw.win_dy = static_cast<float>(mnw.y_res_use);
	mnw.modal_up = 0;

	struct sub_window {
		int id;
		int title;  // slot of stls.text, or -1 for a fixed title
		char const* fixed;
		float dx, dy;
	};
	static sub_window const subs[] = {
	    {994, STL_title_about, nullptr, 500, 300},  {995, STL_title_alert, nullptr, 400, 230},
	    {996, STL_title_choice, nullptr, 300, 166}, {997, STL_title_choice, nullptr, 700, 146},
	    {998, STL_title_browse, nullptr, 341, 484}, {999, STL_title_browse, nullptr, 341, 484},
	    {1, -1, "EULA", 500, 300},                  {2, -1, "Prefs", 500, 380},
	};
	for (sub_window const& s : subs) {
		if (s.id != id) continue;
		stls.win_title = s.title >= 0 ? stls.text[s.title] : s.fixed;
		mnw.win_dx = s.dx;
		mnw.win_dy = s.dy;
		mnw.modal_up = 1;
	}

	mnw.focus_id = -1;
	mnw.open_menu = -1;
	mnw.cur_win = id;
	float const p = mnw.pix_scale > 0 ? mnw.pix_scale : 1.0f;  // before the first layout
	mnw.org_x = std::round((static_cast<float>(mnw.x_res_use) - p * mnw.win_dx) * 0.5f) / p;
	mnw.org_y = std::round((static_cast<float>(mnw.y_res_use) - p * mnw.win_dy) * 0.5f) / p;
	if (mnw.org_y < 0) mnw.org_y = 0;
	mnw.click_held = 0;
	mnw.click_down = 0;
	mnw.wheel = 0;
	if (menu.size() > static_cast<size_t>(menu_popup)) {
		menu_struct& pop = menu[menu_popup];
		pop.x1 = pop.y1 = pop.x2 = pop.y2 = -1;
	}
}

// ---- mouse and wheel -----------------------------------------------------------------

namespace {

float pixels_per_unit() { return mnw.pix_scale > 0 ? mnw.pix_scale : 1.0f; }  // before the first layout

bool second_window_up() { return mnw.sec_mon_inuse && mnw.has_window_2 && mnw.window[1]; }

template <class R>
bool contains(R const& r, float x, float y)
{
	return x >= r.x1 && x <= r.x2 && y >= r.y1 && y <= r.y2;
}

bool choosable(item_struct const& it) { return !it.text.empty() && it.text[0] != '-' && it.text[0] != '='; }

}  // namespace

void VEDEZE_load_mxy(void* win, int x, int y)
{
	float const p = pixels_per_unit();
	mnw.mouse_x = static_cast<float>(x) / p;
	mnw.mouse_y = (static_cast<float>(mnw.y_res_use) - static_cast<float>(y)) / p;  // no int overflow far off
	if (second_window_up() && win == mnw.window[1]) {
		// The second window lies to the right of the first.
		mnw.mouse_in_sec = 1;
		mnw.mouse_x += static_cast<float>(mnw.x_res_use) / p;
	} else {
		mnw.mouse_in_sec = 0;
		mnw.mouse_x -= mnw.org_x;
		mnw.mouse_y -= mnw.org_y;
	}
}

int APL_HandleWheel(int status, int delta)
{
	if (status != 0) return status;
	mnw.wheel += delta;
	return 0;
}

// ---- event dispatch -----------------------------------------------------------------

void APL_handlewin(PLT_event const& ev)
{
	switch (ev.what) {
	case PLT_ev_quit: app_done = 1; break;
	case PLT_ev_key_down:
		keys.handle_key(ev);
		mnw.key_hit = 1;
		mnw.key_down = 1;
		break;
	case PLT_ev_key_up: mnw.key_down = 0; break;
	case PLT_ev_auto_key:
		keys.handle_key(ev);
		mnw.key_hit = 1;
		break;
	case PLT_ev_mouse_down:
		mnw.click_down = 1;
		VEDEZE_handleclick(0);
		break;
	case PLT_ev_mouse_up: mnw.click_up = 1; break;
	case PLT_ev_update:
		if (!mnw.no_update) VEDEZE_startwind(mnw.cur_win);
		break;
	// Activation needs nothing here: GL keeps drawing into the main window
	// and there is no system menu bar to hide.
	case PLT_ev_activate:
	default: break;
	}
}

// ---- click dispatch --------------------------------------------------------------------

void VEDEZE_handleclick(int force)
{
	float const x = mnw.mouse_x, y = mnw.mouse_y;
	int const menus = static_cast<int>(menu.size()) < menu_popup ? static_cast<int>(menu.size()) : menu_popup;
	if (mnw.cur_win == 0) {
		for (int i = 0; i < menus; ++i) {
			menu_struct const& m = menu[static_cast<size_t>(i)];
			if ((m.parent == -1 || m.parent == mnw.open_menu) && contains(m, x, y)) {
				mnw.open_menu = mnw.open_menu == i ? -1 : i;
				mnw.click_down = 0;
				return;
			}
		}
	} else if (mnw.cur_win < 995 || mnw.cur_win > 999) {
		bool const in_row = y >= mnw.win_dy - 20 && y <= mnw.win_dy;
		bool const in_corner = (x >= 0 && x <= 25) || (x >= mnw.win_dx - 25 && x <= mnw.win_dx);
		if (force || (in_row && in_corner)) {
			BTN_zap_boxes(1);
			OGL_sbuf();
			return_hit = 0;
			VEDEZE_startwind(0);
			return;
		}
	}

	if (mnw.open_menu < 0 || mnw.open_menu >= static_cast<int>(menu.size())) {
		mnw.open_menu = -1;
		return;
	}
	std::vector<item_struct> const& items = menu[static_cast<size_t>(mnw.open_menu)].items;
	int chosen = -1;
	for (size_t j = 0; j < items.size() && chosen < 0; ++j)
		if (choosable(items[j]) && contains(items[j], x, y)) chosen = static_cast<int>(j);
	if (chosen < 0) {
		mnw.open_menu = -1;
		return;
	}
	if (mnw.open_menu == menu_popup) {
		popup_menu_select = chosen;
		select_popup_code = active_popup_code;
		active_popup_code = 0;
	} else {
		APP_handlemenu(items[static_cast<size_t>(chosen)].code);
	}
	mnw.open_menu = -1;
	mnw.click_down = 0;
}

// ---- the open menu ---------------------------------------------------------------------

namespace {

void draw_open_menu()
{
	int const open = mnw.open_menu;
	if (open < 0 || open >= static_cast<int>(menu.size())) return;
	menu_struct const& om = menu[static_cast<size_t>(open)];
	int const font = mnw.lang == 6 ? 103 : 100;

	if (open != menu_popup) {
		BTN_frame1(0, static_cast<float>(mnw.x_res_use) * 0.5f, 768 + mnw.menu_dy - 9,
		           static_cast<float>(mnw.x_res_use), 0);
		for (menu_struct const& m : menu)
			if (!m.title.empty() && m.parent == -1) OGL_string(37, m.x1 + 10, m.y1 + 6, m.title, 9999, font);
	}

	m_x1 = m_y1 = 9999;
	m_x2 = m_y2 = 0;
	bool any = false;
	for (item_struct const& it : om.items) {
		if (it.text.empty()) continue;
		any = true;
		m_x1 = std::fmin(m_x1, it.x1);
		m_y1 = std::fmin(m_y1, it.y1);
		m_x2 = std::fmax(m_x2, it.x2);
		m_y2 = std::fmax(m_y2, it.y2);
	}
	if (!any) m_x1 = m_y1 = m_x2 = m_y2 = 0;

	float const mx = mnw.mouse_x, my = mnw.mouse_y;
	int hover = -999;
	for (size_t j = 0; j < om.items.size(); ++j) {
		item_struct const& it = om.items[j];
		if (choosable(it) && mx >= it.x1 && mx <= it.x2 && my >= it.y1 && my <= it.y2 - 1)
			hover = static_cast<int>(j);
	}

	BTN_frame2(17, m_x1, m_y1, m_x2 - m_x1, m_y2 - m_y1, "");
	if (om.parent == -1)
		OGL_fillrect(35, 0.25f, om.x1, om.y1, om.x2 - om.x1, om.y2 - om.y1);
	if (hover >= 0) {
		item_struct const& it = om.items[static_cast<size_t>(hover)];
		OGL_fillrect(35, 0.25f, it.x1, it.y1, it.x2 - it.x1, it.y2 - it.y1);
	}

	for (size_t j = 1; j < om.items.size(); ++j) {
		item_struct const& it = om.items[j];
		if (it.text.empty() || it.x1 == om.items[j - 1].x1) continue;
		OGL_line(34, 1, it.x1 - 1, m_y1 - 1, it.x1 - 1, m_y2);
		OGL_line(36, 1, it.x1, m_y2, it.x1, m_y1 - 1);
	}

	for (item_struct const& it : om.items) {
		if (it.text.empty()) continue;
		if (it.text[0] == '-') {
			OGL_line(34, 1, it.x1, it.y1 + 1, it.x2 - 1, it.y1 + 1);
			OGL_line(36, 1, it.x1, it.y1, it.x2 - 1, it.y1);
			continue;
		}
		int const item_font = it.korean ? 103 : 100;
		std::string label = it.text, hint;
		size_t const cut = it.text.rfind('[');
		if (cut != std::string::npos && cut > 0) {
			label = it.text.substr(0, cut);
			hint = it.text.substr(cut);
		}
		OGL_string(37, it.x1 + (open == menu_popup ? 3 : 18), it.y1 + 3, label, 9999, item_font);
		if (!hint.empty()) OGL_string(37, it.x2 - menu_dx(hint) - 10, it.y1 + 3, hint, 9999, item_font);
	}

	for (menu_struct const& m : menu)
		if (m.parent == open && &m != &om) BTN_util_element(m.x2 - 8, m.y1 + 6, 167, 187, 9, 9, 0);
}

void draw_help_overlay()
{
	std::string const& text = stls.help_text;
	int h = static_cast<int>(text.size() / 50) * 10 + 20;
	if (h < 60) h = 60;
	if (h > 300) h = 300;
	float const dx = mnw.mouse_in_sec ? static_cast<float>(mnw.x_res_use) : 0.0f;
	float x = 10 - mnw.org_x + dx;
	if (!(x > mnw.mouse_x - 400)) x = std::fmin(mnw.mouse_x - 400, 1014 - mnw.org_x - 400 + dx);
	float y = 10 - mnw.org_y;
	if (!(y > mnw.mouse_y)) y = std::fmin(mnw.mouse_y, 748 - mnw.org_y - static_cast<float>(h));
	BTN_frame2(14, x - 10, y - 10, 420, static_cast<float>(h) + 20, "");
	OGL_string(46, x + 3, y + static_cast<float>(h) - 10, text, 394, 100);
}

// ---- the frame ------------------------------------------------------------------------

struct frame_statics {
	float stamp[10] = {};
	float start_time = 0;
	int timed = 0;
	int cntr_FM = 0, cntr_UI = 0;
	float last_time_FM = 0, last_time_UI = 0;
	int win_started = 0;
	int OS_mouse_showing = 1;
	float mx = 999, my = 999;
};
frame_statics fs;

void timer_flags()
{
	static float const periods[10] = {10, 5, 2, 1, 0.5f, 0.2f, 0.1f, 0.05f, 0.025f, 0.01f};
	int* const flags[10] = {&xtim.tick01, &xtim.tick02, &xtim.tick05, &xtim.tick1,  &xtim.tick2,
	                        &xtim.tick5,  &xtim.tick10, &xtim.tick20, &xtim.tick40, &xtim.tick00};
	for (int i = 0; i < 10; ++i) {
		*flags[i] = 0;
		if (xtim.run_time > fs.stamp[i] + periods[i]) {
			*flags[i] = 1;
			fs.stamp[i] = xtim.run_time;
		}
	}
}

void second_window_focus()
{
	if (!second_window_up()) return;
	auto inside = [](void* w) {
		int h = 0, v = 0;
		PLT_input_mouse(w, &h, &v);
		return h >= 0 && h <= mnw.x_res_use && v >= -20 && v <= mnw.y_res_use;
	};
	bool const in0 = inside(mnw.window[0]), in1 = inside(mnw.window[1]);
	void* const front = PLT_input_front_window();
	if (in0 && !in1 && front != mnw.window[0]) PLT_input_select_window(mnw.window[0]);
	if (in1 && !in0 && front != mnw.window[1]) PLT_input_select_window(mnw.window[1]);
}

void texture_alerts()
{
	if (mnw.cur_win != 0) return;
	std::string const third = "Please see the log.txt file for a detailed list of missing files.";
	if (tman.has_scene_load_fail()) {
		__VEDEZE_alert(0, "Some scenery textures could not be loaded.",
		               "This may be an installation problem or you may have a damaged add-on scenery package.",
		               third, "", 1, "hl_mnw", 1055);
		tman.mute_scene_load_fail();
	}
	if (tman.has_plane_load_fail()) {
		__VEDEZE_alert(0, "Some textures for the aircraft you selected could not be loaded.",
		               "This may be an installation problem or you may have a damaged add-on aircrft package.",
		               third, "", 1, "hl_mnw", 1056);
		tman.mute_plane_load_fail();
	}
	if (tman.has_instl_load_fail()) {
		__VEDEZE_alert(0, "Some textures could not be loaded.",
		               "This may be an installation problem.  Run the installer/updater again to get these missing textures.",
		               third, "", 1, "hl_mnw", 1057);
		tman.mute_instl_load_fail();
	}
}

// One smoothed period, measured over ten frames; modal frames restart it.
void measure_period(bool runs, int* counter, float* last, float* period, float* ratio, float lo, float hi)
{
	if (!runs) {
		*last = xtim.run_time;
		return;
	}
	if (*counter % 10 == 0) {
		float r = ((xtim.run_time - *last) / 10.0f) / *period;
		if (!(r >= 0.5f)) r = 0.5f;  // also a period of 0
		if (r > 1.5f) r = 1.5f;
		*ratio = r;
		*period *= std::pow(r, 0.25f);
		if (*period < lo) *period = lo;
		if (*period > hi) *period = hi;
		*last = xtim.run_time;
	}
	++*counter;
}

void click_timing()
{
	float const t = xtim.run_time;
	mnw.click_long = mnw.click_held && t > mnw.press_time + 0.25f;
	mnw.click_double = mnw.click_down && mnw.press_time + 0.25f > t;
	mnw.click_quick = mnw.click_up && mnw.press_time + 0.25f > t;
	if (mnw.click_down) {
		mnw.click_held = 1;
		mnw.move_time = mnw.press_time = t;
		mnw.focus_id = -1;
	}
	if (mnw.click_up) {
		mnw.click_held = 0;
		mnw.click_long = 0;
	}
}

void pulse_colours()
{
	float const s = 0.7f + 0.3f * std::sin(20.0f * xtim.run_time);
	colr.assign(75, s, s, s);
	colr.assign(76, s, 0.3f * s, 0.3f * s);
	colr.assign(77, 0.3f * s, 0.3f * s, s);
	colr.assign(78, 0.2f * s, 0.8f * s, 0.2f * s);
	colr.assign(79, 0.7f * s, 0.7f * s, 0.2f * s);
	mnw.pulse = s;
	mnw.hide_cursor = 0;
}

void menu_hover()
{
	if (mnw.open_menu < 0) return;
	int const menus = static_cast<int>(menu.size()) < menu_popup ? static_cast<int>(menu.size()) : menu_popup;
	for (int i = 0; i < menus; ++i) {
		menu_struct const& m = menu[static_cast<size_t>(i)];
		if (m.parent == -1 && i != mnw.open_menu && contains(m, mnw.mouse_x, mnw.mouse_y)) VEDEZE_handleclick(0);
	}
}

}  // namespace

std::recursive_mutex frame_lock;

void VEDEZE_frame_restart() { fs = frame_statics(); }

void VEDEZE_event_proc()
{
	std::unique_lock<std::recursive_mutex> frame(frame_lock);
	timer_flags();

	return_hit = 0;
	mnw.click_down = mnw.click_up = mnw.key_hit = 0;
	stls.help_text.clear();
	if (mnw.cur_win == -1) mnw.cur_win = 0;
	if (!fs.win_started) {
		fs.win_started = 1;
		VEDEZE_startwind(mnw.cur_win);
	}

	bool const sleep = stg.use_max_cpu == 0;
	second_window_focus();

	void* front = PLT_input_front_window();
	if (!front) front = mnw.window[0];
	int h = 0, v = 0;
	PLT_input_mouse(front, &h, &v);
	VEDEZE_load_mxy(front, h, v);

	// One tick (1/60 s) of sleep waits for the first event instead of spinning.
	PLT_event ev;
	for (;;) {
		if (sleep) {
			frame.unlock();
			PLT_input_wait(17);
			frame.lock();
		}
		if (!PLT_input_next(&ev) || ev.what == 0) break;
		APL_handlewin(ev);
		if (ev.what == PLT_ev_system) break;
	}

	texture_alerts();

	double const now = static_cast<double>(xtim_class::microsecs()) / 1e6;
	if (!fs.timed) {
		fs.timed = 1;
		fs.start_time = static_cast<float>(now);
	}
	xtim.run_time = static_cast<float>(now - fs.start_time);

	bool const modal = mnw.cur_win >= 995 && mnw.cur_win <= 999;
	measure_period(mnw.cur_win == 0 || mnw.sec_mon_inuse, &fs.cntr_FM, &fs.last_time_FM, &xtim.prd_FM,
	               &xtim.rat_FM, 0.0010001f, 0.05f);
	measure_period(!modal, &fs.cntr_UI, &fs.last_time_UI, &xtim.prd_UI, &xtim.rat_UI, 0.0001f, 0.1f);

	click_timing();
	if (std::fabs(mnw.mouse_x - fs.mx) > 0.5f || std::fabs(mnw.mouse_y - fs.my) > 0.5f) mnw.move_time = xtim.run_time;
	fs.mx = mnw.mouse_x;
	fs.my = mnw.mouse_y;

	pulse_colours();
	menu_hover();

	// A modal panel run from inside APP_update ends frames of its own and
	// leaves its last one in the back buffer, under whatever the update draws
	// after it returns: that mix of two screens is never shown, and the next
	// frame draws the screen whole.
	bool mixed = false;
	if (!mnw.modal_up) {
		unsigned long const ended = OGL_frames_ended();
		APP_update();
		xtim.first_pass = 0;
		mixed = OGL_frames_ended() != ended;
	}

	if (mnw.open_menu != -1) draw_open_menu();
	if (!stls.help_text.empty() && xtim.run_time - mnw.move_time > 1.0f) draw_help_overlay();

	if (xtim.run_time - mnw.move_time > 10.0f) mnw.hide_cursor = 1;
	if (mnw.hide_cursor && fs.OS_mouse_showing) {
		PLT_input_show_cursor(0);
		fs.OS_mouse_showing = 0;
	}
	if (!mnw.hide_cursor && !fs.OS_mouse_showing) {
		PLT_input_show_cursor(1);
		fs.OS_mouse_showing = 1;
	}

	if (mixed) return;
	frame.unlock();
	OGL_sbuf();
	frame.lock();
	if (qtim.recording) qtim.mov_addframe();
}
