// The program's globals, built in this order before main and destroyed in
// reverse. The menu table, camera and texture manager are defined by the
// shell and graphics layers that own their types.
#include "foundation/app_globals.h"

#include <cmath>

std::string stl_input;
std::string stl_global;
std::string g_file[3000];
std::string g_path_rel[3000];
std::string app_path;
std::string dvd_path;
std::string wrk_path;
ouf_stream ouf;
std::ofstream xer;
stls_struct stls;
mnw_struct mnw{};
ren_struct ren{};
stg_struct stg{};
std::string dest_dir_path;

std::atomic<int> app_done{0};
int ogl_inited = 0;
int return_hit = 0;
int plot_init_lights = 0;
int popup_menu_select = 0;
int select_popup_code = 0;
int active_popup_code = 0;
float m_x1 = 0, m_y1 = 0, m_x2 = 0, m_y2 = 0;

std::mutex xer_lock;

float lookup_sin[361];
float lookup_cos[361];

void fill_lookup_tables()
{
	for (int i = 0; i <= 360; ++i) {
		lookup_sin[i] = std::sin(static_cast<float>(i) * degtorad);
		lookup_cos[i] = std::cos(static_cast<float>(i) * degtorad);
	}
}
