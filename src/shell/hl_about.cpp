// The maker's web host and go_to_URL. The about screen is in
// hl_about_screen.cpp, so that a program that only opens web addresses does
// not take in the frame loop.
#include "shell/hl_about.h"

#include <sys/types.h>

#include <thread>

#include "foundation/alert.h"
#include "platform/process_spawn.h"

char const* const maker_host = "www.kestrin-research.example";

int go_to_URL(std::string address)
{
	if (address.size() >= 500) __VEDEZE_alert(0, "String too long!", address, "", "", 2, "hl_string", 132);
	pid_t child = -1;
	int const err = PLT_spawn({"xdg-open", address}, true, &child);
	if (err != 0) return err;
	// Without a desktop's own opener, xdg-open runs the browser itself and
	// ends only when it is closed: reaped aside, so the screen keeps running
	// and no zombie stays behind.
	std::thread([child] { PLT_reap(child); }).detach();
	return 0;
}

