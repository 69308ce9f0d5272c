// Screens made current, and the menu table's clearing.
#include <gtest/gtest.h>

#include "foundation/app_globals.h"
#include "graphics/oglp.h"
#include "shell/hl_mnw.h"
#include "shell/app_callbacks.h"
#include "support/gl_context.h"

void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

TEST(StartWind, SizesTitlesModalFlagAndCentredOrigins)
{
	gl_test_context gl(1024, 768);
	ASSERT_TRUE(gl.ok()) << gl.error();
	OGL_pix_specs(0);
	VEDEZE_clear_menus(1);
	stls.text[STL_title_about] = "About";
	stls.text[STL_title_alert] = "Alert";
	stls.text[STL_title_choice] = "Choose";
	stls.text[STL_title_browse] = "Browse";
	struct row {
		int id;
		char const* title;
		float dx, dy;
		int modal;
		float org_x, org_y;
	} const rows[] = {
	    {994, "About", 500, 300, 1, 262, 234},  {995, "Alert", 400, 230, 1, 312, 269},
	    {996, "Choose", 300, 166, 1, 362, 301}, {997, "Choose", 700, 146, 1, 162, 311},
	    {998, "Browse", 341, 484, 1, 342, 142}, {999, "Browse", 341, 484, 1, 342, 142},
	    {1, "EULA", 500, 300, 1, 262, 234},     {2, "Prefs", 500, 380, 1, 262, 194},
	    {0, "Prefs", 1024, 768, 0, 0, 0},       {-1, "Prefs", 1024, 768, 0, 0, 0},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.id);
		mnw.focus_id = 5;
		mnw.open_menu = 3;
		mnw.click_held = mnw.click_down = mnw.wheel = 1;
		plot_init_lights = 0;
		stl_input = "typed";
		menu[menu_popup].x1 = 10;
		menu[menu_popup].y2 = 10;
		VEDEZE_startwind(r.id);
		EXPECT_EQ(stls.win_title, r.title);  // an ordinary screen keeps the last title
		EXPECT_EQ(mnw.win_dx, r.dx);
		EXPECT_EQ(mnw.win_dy, r.dy);
		EXPECT_EQ(mnw.modal_up, r.modal);
		EXPECT_EQ(mnw.org_x, r.org_x);
		EXPECT_EQ(mnw.org_y, r.org_y);
		EXPECT_EQ(mnw.cur_win, r.id);
		EXPECT_EQ(mnw.focus_id, -1);
		EXPECT_EQ(mnw.open_menu, -1);
		EXPECT_EQ(mnw.click_held + mnw.click_down + mnw.wheel, 0);
		EXPECT_EQ(plot_init_lights, 1);
		EXPECT_EQ(stl_input, "");
		menu_struct const& pop = menu[menu_popup];
		EXPECT_EQ(pop.x1, -1);
		EXPECT_EQ(pop.y1, -1);
		EXPECT_EQ(pop.x2, -1);
		EXPECT_EQ(pop.y2, -1);
	}
}

TEST(StartWind, OriginRoundsHalvesAwayAndNeverGoesBelowZeroVertically)
{
	gl_test_context gl(1025, 200);
	ASSERT_TRUE(gl.ok()) << gl.error();
	OGL_pix_specs(0);
	VEDEZE_startwind(995);
	EXPECT_EQ(mnw.org_x, 313);  // (1025 - 400) / 2 = 312.5
	EXPECT_EQ(mnw.org_y, 0);    // (200 - 230) / 2 < 0
}

TEST(MenuTable, ClearingRefillsOnlyInModeOne)
{
	size_t const before = menu.size();
	VEDEZE_clear_menus(0);
	EXPECT_EQ(menu.size(), before);
	VEDEZE_clear_menus(1);
	ASSERT_EQ(menu.size(), 1520u);
	menu[7].title = "File";
	menu[7].parent = 3;
	menu[7].x2 = 40;
	menu[7].items.resize(3);
	VEDEZE_clear_items(7);
	EXPECT_TRUE(menu[7].items.empty());
	EXPECT_EQ(menu[7].title, "File");
	VEDEZE_clear_menu(7);
	EXPECT_EQ(menu[7].title, "");
	EXPECT_EQ(menu[7].parent, -1);
	EXPECT_EQ(menu[7].x2, 0);
	menu[8].title = "Edit";
	VEDEZE_clear_menus(2);
	EXPECT_EQ(menu[8].title, "Edit");
	VEDEZE_clear_menus(1);
	EXPECT_EQ(menu[8].title, "");
	EXPECT_EQ(menu.size(), 1520u);
}
