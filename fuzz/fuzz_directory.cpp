// The directory file: every listed path must land inside the destination,
// and reading it examines only files there.
#include <sys/stat.h>

#include "foundation/app_globals.h"
#include "installer/utils.h"
#include "support.h"

namespace {

void no_panel(float, float, float, int, std::string, std::string) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
	static std::string const path = fuzz_dir() + "directory.txt";
	static std::string const dest = fuzz_dir() + "dest/";
	mkdir(dest.c_str(), 0700);
	fuzz_write(path, data, size);
	app_path.clear();
	dest_dir_path = dest;
	stg.download_os = 1;
	dir_progress_draw = no_panel;
	fuzz_guarded([&] { read_directory(path, "fuzz"); });
	for (auto const& history : sim_info)
		for (auto const& v : history.versions) {
			std::string const local = installed_path(v.name);
			// No parent step at all: the reader refuses every one.
			if (local.compare(0, dest.size(), dest) != 0 ||
			    ("/" + local.substr(dest.size()) + "/").find("/../") != std::string::npos)
				fuzz_fail("a listed path lands outside the destination", v.name);
		}
	return 0;
}
