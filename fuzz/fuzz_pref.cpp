// Preference files: the display settings and the installer settings, read
// into the program's records. The input's first byte picks the file. The
// values the program relies on must come out within their ranges.
#include <stdlib.h>
#include <sys/stat.h>

#include "foundation/app_globals.h"
#include "foundation/http.h"
#include "foundation/pref.h"
#include "support.h"

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
	static bool ready = false;
	std::string const& top = fuzz_dir();
	if (!ready) {
		mkdir((top + "Resources").c_str(), 0700);
		mkdir((top + "Resources/preferences").c_str(), 0700);
		mkdir((top + "config").c_str(), 0700);
		setenv("XDG_CONFIG_HOME", (top + "config").c_str(), 1);
		ready = true;
	}
	if (size < 1) return 0;
	int const which = data[0] & 1 ? 11 : 10;
	app_path = which == 10 ? top : std::string();
	std::string const path = which == 10 ? top + "Resources/preferences/Res Skybase.prf" : pref_installer_path();
	fuzz_write(path, data + 1, size - 1);

	fuzz_guarded([&] { pref.IO_set(which, 0); });
	if (which == 10 && (mnw.x_res_req < 1024 || mnw.x_res_req > 9999 || mnw.y_res_req < 768 || mnw.y_res_req > 9999))
		fuzz_fail("a screen size outside its range was taken");
	if (which == 11 && (stg.stream_count < 0 || stg.stream_count > 4 || stg.download_os < 1 || stg.download_os > 5))
		fuzz_fail("a stream count or system outside its range was taken");
	app_path.clear();
	return 0;
}
