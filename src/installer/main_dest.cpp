// What the installer settles before its first frame: the command line, the
// state record's defaults and the destination folder.
//
// Index: command line - defaults - check_dest_path - pick_dest_path and
// settling - start-up.
#include <string>
#include <vector>

#include <limits.h>
#include <sys/stat.h>
#include <cerrno>
#include <stdlib.h>
#include <unistd.h>

#include <mutex>

#include "foundation/hl_string.h"
#include "foundation/io_utils.h"
#include "foundation/pref.h"
#include "foundation/sky_header.h"
#include "installer/make_installer.h"  // builder_wanted
#include "installer/utils.h"
#include "shell/hl_dialog.h"

// ---- command line ---------------------------------------------------------------

char const* const kUsage =
    "usage: skyrell-installer [-path DEST/] [--no_vbos] [--no_sprites] [--use_sprites]\n"
    "       skyrell-installer --build [--master DIR/] [--previous FILE] [--output DIR/]\n"
    "       skyrell-installer --help";

// Read by the graphics probe from the shell's option list.
char const* const kProgramOptions[] = {"--no_vbos", "--no_sprites", "--use_sprites", nullptr};

int read_command_line(int argc, char const* const* argv, std::string const& cwd, std::string* dest,
                      std::string* why)
{
	dest->clear();
	why->clear();
	std::vector<std::string> args;
	for (int i = 1; i < argc; ++i) args.push_back(argv[i] ? argv[i] : "");
	for (std::string const& a : args)
		if (a == "--help" || a == "-h") return 3;
	if (builder_wanted(argc, argv)) return 1;

	size_t next = 0;
	std::string path;
	// "-path" alone is ignored; the usual choice of the destination runs.
	if (args.size() >= 2 && args[0] == "-path") {
		path = args[1];
		// "-path --no_vbos" has lost its folder; it is no folder called so.
		if (path.empty() || path.compare(0, 2, "--") == 0) {
			*why = "-path needs a folder";
			return 2;
		}
		next = 2;
	} else if (args.size() == 1 && args[0] == "-path") {
		next = 1;
	}
	for (size_t i = next; i < args.size(); ++i) {
		std::string const& a = args[i];
		bool known = false;
		for (char const* const* o = kProgramOptions; *o; ++o) known = known || a == *o;
		if (known) continue;
		if (a == "-path")
			*why = "-path must come first";
		else if (!a.empty() && a[0] == '-')
			*why = "unknown option " + a;
		else
			*why = "unexpected argument " + a;
		return 2;
	}
	if (path.empty()) return 0;
	// A relative folder would be judged against whatever folder the next run
	// starts in once it is saved in the preferences.
	if (path[0] != '/') path = cwd + (cwd.empty() || cwd.back() == '/' ? "" : "/") + path;
	// The listing ends the program on a folder path without its separator.
	if (path.back() != '/') path += '/';
	*dest = path;
	return 0;
}

// ---- defaults ---------------------------------------------------------------------

void set_stg_defaults()
{
	// dest_valid and log_actions keep what they hold (zero at process start).
	stg.dir_state = DIRST_fetch;
	stg.download_os = 1;
	stg.install_stage = STAGE_idle;
	stg.stream_failed = 0;
	stg.install_error = 0;
	stg.server_count = -1;
	stg.server_index = 0;
	stg.grab_phase = GRAB_unwanted;
	stg.grab_progress = 0.0f;
	stg.use_max_cpu = 0;
	stg.rename_folder = 1;
	stg.stream_count = 0;
	stg.always_ask_dir = 0;
	stg.down_bytes_req = 0.0f;
	stg.disk_bytes_req = 0.0f;
	clear_retry_pauses();
}

void check_dest_path()
{
	std::string path = dest_dir_path;
	// The listing ends the program on a folder path without its separator.
	if (!path.empty() && path.back() != '/' && path.back() != ':' && path.back() != '\\') path += '/';
	set_dir_chars(path);
	// A relative folder (a hand-edited preference, a home folder that could
	// not be used) would move with the folder the next run starts in once saved.
	if (path.empty() || path[0] != '/') {
		char* here = getcwd(nullptr, 0);
		if (here) {
			std::string const cwd = here;
			free(here);
			path = cwd + (cwd.back() == '/' ? "" : "/") + path;
		}
	}

	// A path naming a file, or lying below one, is no destination at all:
	// neither a folder beside it nor the copy that holds it may silently take
	// its place. It stays as given, not valid, so the chooser asks.
	struct stat st;
	if (stat((app_path + path).c_str(), &st) != 0 && errno == ENOTDIR) {
		stg.dest_valid = 0;
		dest_dir_path = path;
		return;
	}

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

// ---- pick_dest_path and settling ---------------------------------------------------

int pick_dest_path()
{
	std::vector<char> chosen(PATH_MAX, 0);
	dest_dir_path.copy(chosen.data(), chosen.size() - 1);
	// A new copy's folder does not exist yet; the chooser would fall back to
	// its recent list, so it starts in the nearest folder that does.
	std::string start = dest_dir_path;
	while (start.size() > 1 && !dir_exists(start)) {
		size_t const cut = start.rfind('/', start.size() - 2);
		if (cut == std::string::npos) break;
		start.erase(cut + 1);
	}
	if (!GetFilePathFromUser(2, "Pick a folder to install Skyrell to! Be sure to pick your existing folder if you "
	                            "already have one!",
	                         "This is my Skyrell destination", 0, start.c_str(), chosen.data()))
		return 0;
	if (!chosen[0]) return 0;
	dest_dir_path = chosen.data();
	if (dest_dir_path.empty() || dest_dir_path.back() != '/') dest_dir_path += '/';
	check_dest_path();
	return 1;
}

void settle_dest_path(std::string const& dest_arg)
{
	if (!dest_arg.empty()) {
		dest_dir_path = dest_arg;
		check_dest_path();
	} else if (stg.always_ask_dir) {
		pick_dest_path();
	} else {
		check_dest_path();
	}
	if (!stg.dest_valid) pick_dest_path();
}

// ---- start-up ---------------------------------------------------------------------------

void start_installer(std::string const& dest_arg)
{
	get_OS_abs_path(2, dest_dir_path);
	get_OS_abs_path(3, temp_path);
	{
		std::lock_guard<std::mutex> hold(xer_lock);
		xer << "os_dir_apps:" << dest_dir_path << "\n";
		xer << "os_dir_temp:" << temp_path << "\n";
		xer.flush();
	}
	stls.text[STL_alert_button] = "OK";
	install_name = no_install_name;
	set_stg_defaults();
	pref.IO_set(11, 0);  // a saved "_dest_dir_path" replaces the applications folder
	settle_dest_path(dest_arg);
}
