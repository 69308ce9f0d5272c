// The installer's per-frame callback: draws the whole main screen and moves
// the installer one step on. Alone in its object file, so that test programs
// that define their own APP_update still link the installer library.
//
// The road, one step after the other (screens draw in main_screen.cpp,
// utils_question.cpp, utils_progress.cpp and main_prefs.cpp):
//
//   step                               function                        file
//   command line and destination       read_command_line,              main_dest.cpp
//                                      start_installer, pick_dest_path
//   server list                        server_list_step                utils_servers.cpp
//   directory archive                  directory_archive_step          utils_directory.cpp
//   directory file and comparison      directory_read_step,            utils_directory.cpp
//                                      read_directory
//   the install's start                start_install                   main_install.cpp
//   the user's choices                 handle_EULA, choose_files       main_screen.cpp, utils_choice.cpp
//   the folder tree                    clear_the_way, make_dirs        utils_tree.cpp
//   the scheduler (its own thread)     run_scheduler, grab_files       main_install.cpp, grab.cpp
//   expansion and deletion (the pool)  extract_and_delete_file,        grab.cpp
//                                      remove_listed_file
//   the end                            finish_install (grab_files),    grab.cpp
//                                      stage_messages                  main_screen.cpp
//
// The three states of stg (values in foundation/app_globals.h):
//
//   install_stage
//     STAGE_idle --install button, agreed, files chosen, folders made--> STAGE_running
//     STAGE_idle --the folders cannot be made (install_error)----------> STAGE_ended
//     STAGE_running --grab_files answers non-zero---------------------> STAGE_ended
//     STAGE_idle, STAGE_ended --a new destination---------------------> STAGE_idle
//     any --quit button, new_format (with app_done)-------------------> STAGE_ended
//
//   dir_state
//     DIRST_fetch --archive fetched and expanded-----> DIRST_read
//     DIRST_read  --read_directory reads it----------> DIRST_ready
//     DIRST_read  --its header is refused------------> DIRST_refused
//     DIRST_ready --a new destination----------------> DIRST_read
//     (a failed fetch or expansion stays at DIRST_fetch, on another server)
//
//   grab_phase, set for every path the scheduler handles (GRAB_unwanted at start)
//     del_it                        GRAB_deleting
//     get_it                        GRAB_downloading
//     neither, up_to_date           GRAB_current
//     neither, not up_to_date       GRAB_unwanted
#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/xtim.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "graphics/oglp_glyph.h"
#include "installer/grab.h"
#include "installer/main_screen.h"
#include "installer/utils.h"
#include "shell/app_callbacks.h"
#include "shell/butn.h"
#include "shell/hl_about.h"

namespace {

void quit_button()
{
	if (interface_rect(960, 78, 780, 166, 51, 22, 1, 1)) {
		stop_transfers();
		stg.install_stage = STAGE_ended;
		app_done = 1;
	}
}

}  // namespace

void APP_update()
{
	// Made once for each temporary folder, normalised once: in the program
	// temp_path never moves, but a second start in one process gets a new one.
	static std::string paths_made_for;
	if (paths_made_for.empty() || paths_made_for != temp_path) {
		paths_made_for = temp_path;
		net_dir_path_zip = temp_path + "directory.txt.zip";
		dir_path = temp_path + "directory.txt";
		dir_path_path = temp_path;
		set_dir_chars(net_dir_path_zip);
		set_dir_chars(dir_path);
		set_dir_chars(dir_path_path);
	}

	// Background.
	OGL_2dquad(365, 48, 1.0f, 0, 0, 0, 0, 0, 768, 0, 0.75f, 1024, 768, 1, 0.75f, 1024, 0, 1, 0, 1, 5);

	if (stg.server_count == -1) server_list_step();
	directory_archive_step();
	// While the directory file is read, its panel is the frame; only the quit
	// button answers beside it (no new destination in the middle of a read).
	if (directory_read_step()) {
		quit_button();
		return;
	}

	// Destination row; the path text works as the destination button.
	BTN_frame1(9, 285, 89, 300, 0);
	OGL_string(44, 142, 86, OGL_fit_middle(dest_dir_path, kDestFieldWidth), 9999, 100);
	OGL_string(45, 134, 112,
	           "Click on the 'DESTINATION' button below to choose the copy of Skyrell you wish to update, or choose "
	           "the destination you wish to install a new copy of Skyrell to!",
	           880, 100);
	bool const path_clicked =
	    mnw.click_down && mnw.mouse_x >= 135 && mnw.mouse_x <= 435 && mnw.mouse_y >= 79 && mnw.mouse_y <= 99;
	if (stg.install_stage == STAGE_idle || stg.install_stage == STAGE_ended) {
		int const pressed = interface_rect(10, 78, 513, 166, 126, 22, 1, 1);
		if ((pressed || path_clicked) && pick_dest_path() == 1) {
			stop_transfers();
			stg.install_error = 0;
			stg.install_stage = STAGE_idle;
			if (stg.dir_state == DIRST_ready) stg.dir_state = DIRST_read;
		}
	}

	if (stg.install_stage == STAGE_running) {
		if (xtim.tick10) wrl_i = wrl_i + 1;
		if (wrl_i < 8 || wrl_i > 23) wrl_i = 8;
	} else {
		wrl_i = 21;
	}

	// Each name on one line ("-"): two wrapped lines per server, 20 points
	// apart, would run into the next server's. The maker's host names them,
	// at any length.
	for (int i = 0; i < stg.server_count && i < kMaxServers; i++)
		BTN_is_int(142, static_cast<float>(578 - 20 * i), &stg.server_index, i,
		           "|-" + OGL_fit_middle(server_desc[i], kServerNameWidth));

	if (BTN_action(50, 750, -1, 0, 1, "preferences")) handle_prefs();

	interface_rect(0, 595, 644, 33, 128, 86, 0, 0);
	interface_icon(29, 608, wrl_i);

	BTN_frame2(20, 135, 600, 790, 72, stg.server_count != -1 ? "NET: " + install_name : "");
	BTN_frame2(20, 935, 600, 80, 72, "Download");

	std::string size;
	set_size_str(stg.down_bytes_req, &size);
	OGL_string(45, 954, 635, size, 9999, 100);

	screen_text const status = status_line();
	OGL_string(status.col, 154, wrapped_block_y(status.text, 154, 615, 760), status.text, 760, 100);

	if (stg.install_stage == STAGE_idle) {
		int const a = disk_space_avail && stg.dir_state == DIRST_ready ? 1 : 0;
		if (interface_rect(450, 78, 640, 166, 83, 22, a, 2 - a) && a) start_install();
	}

	if (interface_rect(700, 78, 822, 235, 116, 22, 1, 1)) go_to_URL(std::string("http://") + maker_host + "/shop/");
	quit_button();

	if (stg.install_stage == STAGE_idle && stg.dir_state != DIRST_fetch) read_sizes();
	if (stg.install_stage == STAGE_running) {
		run_scheduler();
		advance_install_ratio(xtim.prd_FM);
	}
	std::string line[3];
	int col = 45;
	stage_messages(line, &col);
	BTN_frame2(20, 135, 32, 880, 40, "");
	// One line each: a wrapped line would run into the next one or out of
	// the frame, so a long one (a long path in it) gives up its middle.
	OGL_string(col, 144, 58, OGL_fit_middle(line[0], kMessageWidth), 9999, 100);
	OGL_string(col, 144, 48, OGL_fit_middle(line[1], kMessageWidth), 9999, 100);
	OGL_string(col, 144, 38, OGL_fit_middle(line[2], kMessageWidth), 9999, 100);

	bar_geometry const bar = progress_bar(totl_inst_rat, stg.install_stage == STAGE_running);
	BTN_frame1(4, bar.empty_x, 15, bar.empty_w, 0);
	if (bar.filled) BTN_frame1(5, bar.fill_x, 15, bar.fill_w, 0);
}
