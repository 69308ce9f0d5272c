#include "platform/app_folder.h"

#include <unistd.h>

namespace {
std::string override_folder;
}

void PLT_set_app_folder(std::string const& folder)
{
	override_folder = folder;
	while (override_folder.size() > 1 && override_folder.back() == '/') override_folder.pop_back();
}

std::string PLT_app_folder()
{
	if (!override_folder.empty()) return override_folder;
	char buf[4096];
	ssize_t const n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
	if (n <= 0) return "";
	return PLT_folder_of(std::string(buf, static_cast<size_t>(n)));
}

std::string PLT_folder_of(std::string const& program_path)
{
	size_t const slash = program_path.find_last_of('/');
	if (slash == std::string::npos || slash == 0) return "";
	return program_path.substr(0, slash);
}
