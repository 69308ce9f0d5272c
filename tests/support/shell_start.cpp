#include "support/shell_start.h"

#include <stdlib.h>
#include <sys/stat.h>

#include "foundation/app_globals.h"
#include "foundation/hl_thread.h"
#include "foundation/xtim.h"
#include "graphics/tman.h"
#include "platform/app_folder.h"
#include "shell/hl_init.h"
#include "shell/hl_mnw.h"

void started_app::prepare(temp_dir const& dir)
{
	PLT_set_app_folder(dir.path());
	std::string const config = dir.path() + "config";
	mkdir(config.c_str(), 0700);
	setenv("XDG_CONFIG_HOME", config.c_str(), 1);
}

started_app::started_app(bool record_alerts)
{
	prepare(dir_);
	if (record_alerts) alert_recorder_install();
	static char const* const argv[] = {"skyrell_test", nullptr};
	// An earlier start in this process left its texture names behind; they
	// mean nothing in the new context.
	tman = tman_class();
	tman.reset_bind();
	// Nor are an earlier run's clock, clicks and frame times this run's.
	xtim = xtim_class();
	mnw = mnw_struct{};
	VEDEZE_frame_restart();
	VEDEZE_init(1, argv);
}

started_app::~started_app()
{
	if (!finished_) finish(0);
}

void started_app::finish(int save)
{
	finished_ = true;
	VEDEZE_finishup(save);
	// Finished without saving, the workers are left waiting on a queue the
	// next start-up replaces; the process's exit would have ended them. The
	// log is closed by now: their line goes nowhere.
	if (THREAD_is_inited()) {
		THREAD_shutdown();
		xer.clear();
	}
}
