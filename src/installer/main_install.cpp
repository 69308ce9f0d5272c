// The install itself: its start at the install button (the agreement, the
// user's choices, the folder tree), the scheduler's share of a frame, and
// its stop. The agreement panel is the one thing drawn, through
// handle_EULA.
//
// Index: stop_transfers - start_install - run_scheduler.
#include "installer/main_install.h"

#include <chrono>

#include "foundation/app_globals.h"
#include "installer/grab.h"
#include "installer/main_screen.h"  // handle_EULA, totl_inst_rat
#include "installer/utils.h"

void stop_transfers()
{
	abandon_transfers();
	reset_next();
}

void start_install()
{
	stop_transfers();
	stg.install_error = 0;
	totl_inst_rat = 0;
	if (handle_EULA() != 1) return;
	// The folders (and the plug-in renames) only for an install that runs:
	// a decline or a cancel leaves the destination as it was.
	if (choose_files() != 1) return;
	if (clear_the_way() != 1) return;
	// Without its folders every archive would fail with an alert of its own:
	// the install ends at once, with the error texts.
	if (make_dirs() != 1) {
		stg.install_error = 1;
		stg.install_stage = STAGE_ended;
		return;
	}
	stg.install_stage = STAGE_running;
}

int run_scheduler(double budget)
{
	auto const until = std::chrono::steady_clock::now() + std::chrono::duration<double>(budget);
	do {
		if (grab_files() != 0) {
			stg.install_stage = STAGE_ended;
			stop_transfers();
			return 1;
		}
	} while (std::chrono::steady_clock::now() < until);
	return 0;
}
