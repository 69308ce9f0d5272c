// The desktop's own chooser, the system's zenity, under Xvfb: three choosers
// in turn, each answered by a key from chooser_xvfb.sh. Prints one line per
// chooser: its result and what the path buffer holds afterwards.
// Arguments: an existing folder.
#include <limits.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "shell/app_callbacks.h"
#include "shell/hl_dialog.h"

void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}
void recall_ins_texes() {}

namespace {

void choose(int mode, char const* title, char const* start, char const* proposed)
{
	std::vector<char> path(PATH_MAX, 0);
	std::strcpy(path.data(), proposed);
	int const got = GetFilePathFromUser(mode, title, "Take", 7, start, path.data());
	std::printf("%d %s\n", got, path.data());
	std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
	if (argc < 2) return 2;
	choose(2, "Chooser folder", argv[1], "");
	choose(1, "Chooser save", argv[1], "b747.ACF");
	choose(0, "Chooser cancel", argv[1], "kept as it was");
	return 0;
}
