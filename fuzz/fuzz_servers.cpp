// The server list: every server taken must name a plain host and a folder
// that the HTTP client accepts, and the version name must be one folder.
#include "foundation/app_globals.h"
#include "installer/utils.h"
#include "support.h"

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
	static std::string const path = fuzz_dir() + "serverlist.txt";
	fuzz_write(path, data, size);
	app_path.clear();
	install_name = "Not Yet Scanned";
	stg.server_count = -1;
	fuzz_guarded([&] { read_server_list(path); });
	if (stg.server_count > kMaxServers) fuzz_fail("more servers than the tables hold");
	for (int i = 0; i < stg.server_count; i++) {
		std::string const& host = server_name[i];
		std::string const& folder = server_path[i];
		if (host.empty() || host.find_first_of(" \t/\\:") != std::string::npos || folder.empty() || folder[0] != '/')
			fuzz_fail("a server the HTTP client refuses was taken", host + " " + folder);
	}
	if (install_name.empty() || install_name == "." || install_name == ".." ||
	    install_name.find_first_of("/\\:") != std::string::npos)
		fuzz_fail("a version name that is no folder was taken", install_name);
	return 0;
}
