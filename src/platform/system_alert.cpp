#include "platform/system_alert.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int PLT_has_display()
{
	char const* driver = std::getenv("SDL_VIDEODRIVER");
	if (driver && (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy"))) return 0;
	char const* x = std::getenv("DISPLAY");
	char const* w = std::getenv("WAYLAND_DISPLAY");
	return (x && *x) || (w && *w);
}

void PLT_system_alert(std::string const& text, std::string const& detail)
{
	std::fprintf(stderr, "%s\n%s\n", text.c_str(), detail.c_str());
	std::fflush(stderr);
	if (!PLT_has_display()) return;
	std::string const body = detail.empty() ? text : text + "\n\n" + detail;
	SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Installer/Updater", body.c_str(), nullptr);
}
