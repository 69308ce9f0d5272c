// Program-wide records, paths, streams and flags. The records are plain
// aggregates; their owners (window and mouse, render state, installer state)
// give their fields meaning. They live here, at the bottom, because the
// preference files and the alert read them.
//
// Index: shared header constants - records (mnw, ren, stls, stg) - globals.
#pragma once
#include <atomic>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/sky_header.h"

// ---- window and mouse record --------------------------------------------
struct mnw_struct {
	int sec_mon_inuse;
	int has_window_2;
	int alias_req;
	int alias_now;
	void* window[2];   // platform window, null when none
	void* context[2];  // GL context of each window
	int cur_win;
	int open_menu;
	int modal_up;
	float org_x, org_y;
	float win_dx, win_dy;
	int hide_cursor;
	int x_res_use, y_res_use;
	int col_res_use;
	int set_res;
	int tex_res;
	int x_res_req, y_res_req, col_res_req;
	float lay_cx, lay_cy;
	float lay_off_x;
	float menu_dy;
	float ortho_l, ortho_b, ortho_r, ortho_t;
	float lay_scale;
	float pix_scale;
	float mouse_x, mouse_y;
	int click_down;
	int click_quick;
	int click_double;
	int click_up;
	int click_held;
	int click_long;
	int wheel;
	int mouse_in_sec;
	int key_hit;
	int last_char;
	float move_time;
	float press_time;
	int key_down;
	int lang;
	int keylist_up;
	int no_update;
	int focus_id;
	int speed_sel;
	float pulse;
	int prefs_found;
};

// ---- render settings ------------------------------------------------------
struct ren_struct {
	float max_aniso;
	int tex_units;
	int tex_image_units;
	int tex_coord_sets;
	char const* gl_vendor;
	char const* gl_renderer;
	char const* gl_version;
	char const* gl_extensions;
	int mono_mode;
	float fade_alpha;
	float lit_level_1;  // light levels 0..1 for the palette's lit colour
	float lit_level_2;
	std::vector<int> vec_1;
	std::vector<int> vec_2;
};

// ---- interface texts --------------------------------------------------------
// Slots of stls.text that the shell gives meaning to.
enum {
	STL_alert_button = 0,   // alert button label ("OK" once the installer starts)
	STL_choice_lead = 1,    // three-choice screen: lead-in, trailer, three labels
	STL_choice_trail = 2,
	STL_choice_1 = 3,
	STL_choice_2 = 4,
	STL_choice_3 = 5,
	STL_browse_cancel = 6,  // file browser's cancel label
	STL_title_about = 10,   // titles of the modal screens 994 to 999
	STL_title_alert = 11,
	STL_title_choice = 12,
	STL_title_browse = 13,
	STL_movie_fps = 20,     // movie settings window: the two editor labels,
	STL_movie_width = 21,
	STL_movie_avail = 22,   // the line shown when movies can be written,
	STL_movie_none_1 = 23,  // the three shown when they cannot,
	STL_movie_none_2 = 24,
	STL_movie_none_3 = 25,
	STL_movie_note_1 = 26,  // and five notes (26 to 30)
	STL_movie_last = 30,
	STL_part_name = 100,    // display names of parts 0 to 94, filled by the using program
};

struct stls_struct {
	std::string win_title;
	std::string text[1600];
	std::string misc_1, misc_2, misc_3, misc_4, misc_5;
	std::string help_text;
	std::string misc_7;
	int word_1;
	int word_2;
	std::string misc_8;
	int word_3;
	std::string text_2[400];
};

// ---- installer state record -------------------------------------------------
struct stg_struct {
	int dir_state;
	int dest_valid;
	int download_os;
	int log_actions;
	int install_stage;
	int stream_failed;
	int install_error;
	int server_count;
	int server_index;
	int grab_phase;
	float grab_progress;
	int use_max_cpu;
	int rename_folder;
	int stream_count;
	int always_ask_dir;
	float down_bytes_req;
	float disk_bytes_req;
};

// Values of stg.install_stage (the field stays an int).
enum stg_install_stage {
	STAGE_idle = 0,     // the main screen, nothing under way
	STAGE_running = 1,  // an install is under way: the scheduler runs every frame
	STAGE_ended = 2,    // the install finished or was stopped; a new destination may follow
};
// Values of stg.dir_state, in the order a directory goes through them.
enum stg_dir_state {
	DIRST_fetch = 0,    // the directory archive is not fetched and expanded yet
	DIRST_read = 1,     // expanded into the temporary folder, and to be read
	DIRST_refused = 2,  // read_directory refused its header
	DIRST_ready = 3,    // read and compared with the destination
};
// Values of stg.grab_phase: what the scheduler did with the path it handled last.
enum stg_grab_phase {
	GRAB_deleting = 0,     // deleting it
	GRAB_downloading = 1,  // downloading it
	GRAB_current = 2,      // skipping it: the destination already has it
	GRAB_unwanted = 3,     // skipping it: it is not wanted
};

struct menu_struct;  // the menu table's entries belong to the shell

// ---- the data-file output stream ----------------------------------------------
// ouf_open (xmap) writes a fresh file beside the one named and close() puts
// it in that one's place only once it is whole: a crash or a full disk while
// writing leaves the old file as it was. Opened any other way it is a plain
// file stream.
class ouf_stream : public std::ofstream {
public:
	~ouf_stream();
	// Opens a fresh file beside target for writing; errno, or 0.
	int open_beside(std::string const& target, std::string const& shown, std::ios::openmode mode);
	// Hides the plain close: flushes, closes and renames the fresh file over
	// the target. A failure anywhere gives the write-failure alert, sets the
	// fail state and removes the fresh file.
	void close();

private:
	bool finish();  // true when the fresh file took the target's place
	std::string target_, fresh_, shown_;
};

// ---- globals, in construction order --------------------------------------
extern std::string stl_input;
extern std::string stl_global;
extern std::string g_file[3000];
extern std::string g_path_rel[3000];
extern std::string app_path;
extern std::string dvd_path;
extern std::string wrk_path;
extern ouf_stream ouf;
extern std::ofstream xer;
extern stls_struct stls;
extern mnw_struct mnw;
extern ren_struct ren;
extern stg_struct stg;
extern std::string dest_dir_path;

// Shell scalars.
extern std::atomic<int> app_done;  // set from workers too
extern int ogl_inited;
extern int return_hit;
extern int plot_init_lights;
extern int popup_menu_select;
extern int select_popup_code;
extern int active_popup_code;
extern float m_x1, m_y1, m_x2, m_y2;

// Sine and cosine of whole degrees 0 to 360, filled at start-up.
extern float lookup_sin[361];
extern float lookup_cos[361];
void fill_lookup_tables();

// Serialises log writes that may come from worker threads.
extern std::mutex xer_lock;
