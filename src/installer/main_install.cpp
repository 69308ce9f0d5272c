// The install itself: its start at the install button (the agreement, the
// user's choices, the folder tree), the scheduler on its own thread, and
// its stop. The agreement panel is the one thing drawn, through
// handle_EULA.
//
// Index: the scheduler's thread - stop_transfers - start_install -
// run_scheduler.
#include "installer/main_install.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "foundation/app_globals.h"
#include "foundation/exce.h"
#include "foundation/hl_thread.h"
#include "installer/grab.h"
#include "installer/main_screen.h"  // handle_EULA, totl_inst_rat
#include "installer/utils.h"
#include "shell/hl_mnw.h"  // frame_lock

// ---- the scheduler's thread ------------------------------------------------------

namespace {

// The scheduler's own thread: it calls grab_files while it holds the frame
// lock, so it shares the road's state with the frame thread only between
// frames' drawing; between calls it waits on the sockets. The frame thread
// shows its progress and raises its alerts.
struct scheduler_thread {
	std::thread thread;
	std::atomic<int> stop{0};
	std::atomic<int> ended{0};  // grab_files has answered non-zero
};
scheduler_thread sched;

void scheduler_loop()
{
	while (!sched.stop.load()) {
		std::unique_lock<std::recursive_mutex> frame(frame_lock, std::try_to_lock);
		if (!frame.owns_lock()) {
			// The frame is drawing: a short back-off, so that a stop is seen.
			std::this_thread::sleep_for(std::chrono::microseconds(500));
			continue;
		}
		if (sched.stop.load())
			break;
		int r = 0;
		try {
			r = grab_files();
		} catch (exce_class const& e) {
			// An alert of the layers below, thrown off the frame thread: the
			// frame thread raises it as the fatal alert it is.
			stg.install_error = 1;
			grab_hold_alert(e);
			r = 1;
		}
		if (r != 0) {
			sched.ended = 1;
			return;
		}
		frame.unlock();
		grab_wait(2);
	}
}

void stop_scheduler()
{
	if (!sched.thread.joinable())
		return;
	sched.stop = 1;
	sched.thread.join();
	sched.stop = 0;
	sched.ended = 0;
	grab_raise_alerts();
}

}  // namespace

// ---- stop_transfers ----------------------------------------------------------------

void stop_transfers()
{
	stop_scheduler();
	abandon_transfers();
	reset_next();
}

// ---- start_install -----------------------------------------------------------------

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

// ---- run_scheduler -----------------------------------------------------------------

int run_scheduler()
{
	if (!sched.thread.joinable()) {
		// The pool's main thread is this one, whoever starts it.
		if (!THREAD_is_inited())
			THREAD_init();
		sched.thread = std::thread(scheduler_loop);
	}
	grab_raise_alerts();
	if (!sched.ended.load())
		return 0;
	stg.install_stage = STAGE_ended;
	stop_transfers();
	return 1;
}
