#include "support/shell_start.h"

#include <stdlib.h>
#include <sys/stat.h>

#include "graphics/tman.h"
#include "platform/app_folder.h"
#include "shell/hl_init.h"

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
	VEDEZE_init(1, argv);
}

started_app::~started_app()
{
	if (!finished_) VEDEZE_finishup(0);
}

void started_app::finish(int save)
{
	finished_ = true;
	VEDEZE_finishup(save);
}
