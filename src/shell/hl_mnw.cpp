// Index: menu table - screens (VEDEZE_startwind).
#include "shell/hl_mnw.h"

#include <cmath>

#include "foundation/app_globals.h"
#include "graphics/oglp.h"

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
