// The program's entry. It stays out of the installer library, so that test
// programs can link the library with a main of their own.
#include <cstdio>

#include "installer/make_installer.h"
#include "shell/app_callbacks.h"

// Builder mode draws its own frames; nothing runs per frame there.
void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

int main(int argc, char** argv)
{
	char const* const* args = argv;
	if (builder_wanted(argc, args)) return builder_main(argc, args);
	// The installer road has not been built into this program yet.
	std::fprintf(stderr, "%s\n", kBuilderUsage);
	return 2;
}
