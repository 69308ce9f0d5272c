// What the installer settles before its first frame: the state record's
// defaults and the judgement of the destination folder.
#include "foundation/hl_string.h"
#include "foundation/io_utils.h"
#include "installer/utils.h"

void set_stg_defaults()
{
	// dest_valid and log_actions keep what they hold (zero at process start).
	stg.dir_state = 0;
	stg.download_os = 1;
	stg.install_stage = 0;
	stg.stream_failed = 0;
	stg.install_error = 0;
	stg.server_count = -1;
	stg.server_index = 0;
	stg.grab_phase = 3;
	stg.grab_progress = 0.0f;
	stg.use_max_cpu = 0;
	stg.rename_folder = 1;
	stg.stream_count = 0;
	stg.always_ask_dir = 0;
	stg.down_bytes_req = 0.0f;
	stg.disk_bytes_req = 0.0f;
}

void check_dest_path()
{
	std::string path = dest_dir_path;
	// The listing ends the program on a folder path without its separator.
	if (!path.empty() && path.back() != '/' && path.back() != ':' && path.back() != '\\') path += '/';
	set_dir_chars(path);

	std::string examined = path;
	if (!dir_exists(path) && path.size() >= 2) {
		size_t const cut = path.rfind('/', path.size() - 2);
		if (cut != std::string::npos) examined = path.substr(0, cut + 1);
	}

	wrk_path = examined;
	int const count = opensave_getitems(0);
	static char const* const words[4] = {"Airfoils", "Instructions", "Output", "Resources"};
	bool found[4] = {false, false, false, false};
	for (int k = 0; k < count; ++k) {
		std::string const& entry = g_path_rel[k];
		if (entry.empty() || entry.back() != '/') continue;  // folders only, links excluded
		for (int w = 0; w < 4; ++w) found[w] = found[w] || entry.find(words[w]) != std::string::npos;
	}

	if (found[0] && found[1] && found[2] && found[3]) {
		stg.dest_valid = 1;
		dest_dir_path = examined;
		set_dir_chars(dest_dir_path);
		return;
	}
	stg.dest_valid = 0;
	dest_dir_path = examined + "Skyrell:";
	set_dir_chars(dest_dir_path);
}
