// The program's entry. It stays out of the installer library, so that test
// programs can link the library with a main of their own.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "foundation/app_globals.h"
#include "installer/main_install.h"
#include "installer/make_installer.h"
#include "installer/utils.h"
#include "shell/app_callbacks.h"
#include "shell/hl_init.h"
#include "shell/hl_mnw.h"

// The installer has no use for keys, menus or function keys.
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}
void function_key(int) {}

int main(int argc, char** argv)
{
	char const* const* args = argv;
	char* here = getcwd(nullptr, 0);
	std::string const cwd = here ? here : "";
	free(here);
	std::string dest_arg, why;
	switch (read_command_line(argc, args, cwd, &dest_arg, &why)) {
	case 1: return builder_main(argc, args);
	case 2: std::fprintf(stderr, "skyrell-installer: %s\n%s\n", why.c_str(), kUsage); return 2;
	case 3: std::printf("%s\n", kUsage); return 0;
	default: break;
	}

	VEDEZE_init(argc, args);
	start_installer(dest_arg);
	// A fatal alert or new_format while settling has set app_done already.
	while (!app_done) VEDEZE_event_proc();
	// A window closed during an install: the scheduler stops and the pool's
	// files end whole before the threads are stopped.
	stop_transfers();
	VEDEZE_finishup(1);
	return 0;
}
