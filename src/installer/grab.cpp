// The download scheduler, and the expansion and deletion of files.
//
// Index: state - helpers (log lines, paths) - expansion -
// one path of one stream - stream count - the end (clean-up, renaming) -
// grab_files - removals - abandoning transfers.
//
// Everything runs on the main thread; the HTTP client keeps the transfers in
// flight between calls. An installed file counts only once its signature
// matches the listed one; a path that keeps failing ends the install.
#include "installer/grab.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <map>
#include <mutex>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/http.h"
#include "foundation/io_utils.h"
#include "foundation/io_zip.h"
#include "foundation/md5.h"
#include "foundation/xtim.h"
#include "installer/utils.h"

// ---- state --------------------------------------------------------------------

next_struct next = {0, 0, {1, 1, 0, 0}, {1, 1, 0, 0}, {0, 0, 0, 0}, 0.0f, 0.0f, 0.0f, 0.0f};
std::string crnt_file_path;
std::string crnt_file_name;

namespace {

int const kStreams = 4;
int const kFirstSlot = 2;  // download slots 0 and 1 serve the server list and the directory

// Failed attempts per path index in this install.
std::map<int, int> fail_count;

// ---- helpers ------------------------------------------------------------------

void log_line(std::string const& text)
{
	std::lock_guard<std::mutex> hold(xer_lock);
	xer << text;
	xer.flush();
}

void log_action(char const* what, std::string const& path, int code)
{
	if (stg.log_actions)
		log_line(what + path + ", with result=" + std::to_string(code) + ".\n");
}

std::string slot_archive(int k) { return temp_path + static_cast<char>('0' + k) + ".zip"; }

int server_slot() { return std::max(0, std::min(stg.server_index, kMaxServers - 1)); }

// The most bytes a file's archive may take: its listed size (kilobytes,
// cut) and a margin, so that an endless reply stops early.
long long archive_cap(float zip_kb)
{
	double const kb = std::min(1e9, std::max(0.0, static_cast<double>(zip_kb)));
	return static_cast<long long>(kb * 1000.0) + kArchiveMargin;
}

// Whether a listed path's installed form stays inside the destination,
// reached through real folders only.
bool inside_dest(std::string const& installed)
{
	if (dest_dir_path.empty())
		return false;
	std::string root = app_path + dest_dir_path;
	std::string full = app_path + installed;
	set_dir_chars(root);
	set_dir_chars(full);
	if (root.back() != '/')
		root += '/';
	return unsafe_target(root, full) == nullptr;
}

// The folders of an installed path, up to but not including the
// destination, for the clean-up (which removes the empty ones).
void clean_up_folders_of(std::string const& installed)
{
	size_t cut = installed.find_last_of('/');
	while (cut != std::string::npos && cut + 1 > dest_dir_path.size()) {
		deleted_files.insert(installed.substr(0, cut + 1));
		cut = cut == 0 ? std::string::npos : installed.find_last_of('/', cut - 1);
	}
}

// ---- expansion ----------------------------------------------------------------

// Whether an expansion failed because of what the archive holds: such an
// archive is fetched again, from another server.
bool archive_bad(int r) { return r == kErrZipOpen || r == kErrZipRead; }

// ---- one path of one stream ------------------------------------------------------

// A failed attempt at path f by slot k: another server, the same slot, until
// the attempts run out.
void attempt_failed(int f, std::string const& name)
{
	int const tries = ++fail_count[f];
	int const bound = std::max(2, 2 * stg.server_count);
	if (tries >= bound) {
		stg.install_error = 1;
		stg.stream_failed = 0;  // the end screen tells of the error, not of a retry
		log_line("I could not download the file '" + name + "' in " + std::to_string(tries) +
		         " tries, so I am stopping the installation.\n");
		return;
	}
	stg.stream_failed = 1;
	next.next_file = std::min(next.next_file, f);
	draw_biased_server();
}

// Handles path f for stream slot k; true when the path is finished.
bool handle_path(int k, int f)
{
	auto& versions = sim_info[static_cast<size_t>(f)].versions;
	next.wants_file[k] = 0;
	if (versions.empty())
		return true;
	file_version_struct& v = versions.back();
	std::string const installed = installed_path(v.name);
	std::string const remote = server_path[server_slot()] + v.name + ".zip";
	crnt_file_path = remote;
	size_t const sep = remote.find_last_of("/:\\");
	crnt_file_name = sep == std::string::npos ? remote : remote.substr(sep + 1);

	if (path_has_no_file(v.name)) {
		__VEDEZE_alert(0, "I am working through the list and found a path that has no file!",
		               "This is impossible to download or delete!", "It is:", v.name, ALERT_fatal, "grab", __LINE__);
		return true;
	}

	if (v.del_it) {
		stg.grab_phase = GRAB_deleting;
		if (remove_listed_file(installed)) clean_up_folders_of(installed);
		return true;
	}
	// Deleted already by an install that was cut short before its clean-up
	// (the clean-up never removes the working folders an install makes).
	if (v.sig_want == "GONE" && v.sig_have == "NONE" && inside_dest(installed)) {
		struct stat st;
		std::string const folder = installed.substr(0, installed.find_last_of('/') + 1);
		if (lstat((app_path + folder).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
			clean_up_folders_of(installed);
	}
	if (!v.get_it) {
		stg.grab_phase = v.up_to_date ? GRAB_current : GRAB_unwanted;
		return true;
	}

	stg.grab_phase = GRAB_downloading;
	std::string const archive = slot_archive(k);
	switch (http.net_check(k + kFirstSlot, server_name[server_slot()], remote, archive, archive_cap(v.zip_size))) {
	case 0: {
		float percent = 0.0f;
		if (down_class const* d = http.downloads[k + kFirstSlot].get()) {
			if (d->content_length == -1)
				percent = -1.0f;
			else if (d->content_length > 0)
				percent = static_cast<float>(d->received) * 100.0f / static_cast<float>(d->content_length);
		}
		stg.grab_progress = percent * 0.01f;
		next.kb_in_flight += std::max(0.0f, percent) * 0.01f * v.zip_size;
		return false;
	}
	case 1: {
		stg.stream_failed = 0;
		int const r = extract_and_delete_file(archive, installed, v.ext_size);
		if (r != 0 && !archive_bad(r))
			return false;  // install_error is set: the install ends with this call
		if (r != 0) {
			log_line("WARNING: the archive of " + installed + " does not hold just that file within its size, so "
			         "I am fetching it again.\n");
			attempt_failed(f, v.name);
			return false;
		}
		std::string sig;
		int const m = calc_file_md5(installed, sig);
		if (m != 0 || sig != v.sig_want) {
			log_line("WARNING: the file " + installed + " does not have the signature " + v.sig_want +
			         " after expansion, so I am fetching it again.\n");
			attempt_failed(f, v.name);
			return false;
		}
		v.up_to_date = 1;
		next.kb_done += v.zip_size;
		next.kb_expanded += v.ext_size;
		return true;
	}
	case 2:
		attempt_failed(f, v.name);
		return false;
	default:
		return false;
	}
}

// ---- stream count ---------------------------------------------------------------

// After slot k finished a path: at most one slot more, or slot k retires.
void adjust_streams(int k)
{
	float const elapsed = std::max(1.0f, xtim.run_time - next.start_time);
	float const rate = (next.kb_done + next.kb_in_flight) / elapsed;
	int wanted = rate <= 50.0f ? 2 : rate <= 100.0f ? 4 : rate <= 150.0f ? 6 : rate <= 200.0f ? 8 : 9;
	// A count outside 1..4 (a hand-edited preference) must never retire every slot.
	if (stg.stream_count != 0)
		wanted = std::max(1, std::min(stg.stream_count, kStreams));

	int busy = 0;
	for (int j = 0; j < kStreams; j++)
		busy += next.active[j] ? 1 : 0;
	if (busy < wanted) {
		for (int j = 0; j < kStreams; j++) {
			if (!next.active[j]) {
				next.active[j] = 1;
				next.wants_file[j] = 1;
				break;
			}
		}
	}
	if (wanted < busy)
		next.active[k] = 0;
	else
		next.wants_file[k] = 1;
}

// ---- the end ----------------------------------------------------------------------

bool install_name_usable(std::string const& parent)
{
	if (install_name.empty() || install_name == "." || install_name == ".." ||
	    install_name.find_first_of("/:\\") != std::string::npos)
		return false;
	// Never over anything that stands there already, not even an empty folder.
	struct stat st;
	return lstat((app_path + parent + install_name).c_str(), &st) != 0 && errno == ENOENT;
}

void finish_install()
{
	next.finished = 1;

	// Deepest first: a folder sorts after its parent.
	for (auto it = deleted_files.rbegin(); it != deleted_files.rend(); ++it) {
		if (working_folder(*it)) continue;
		sweep_left_over(app_path + *it);  // what a killed run half wrote there is no one's
		if (opensave_getitems_in(*it, 0) == 0) remove_emptied_folder(*it);
	}

	if (this_install_has_exes && stg.rename_folder) {
		std::string d = dest_dir_path;
		while (!d.empty() && d.back() == '/')
			d.pop_back();
		size_t const cut = d.find_last_of('/');
		if (cut != std::string::npos) {
			std::string const parent = d.substr(0, cut + 1);
			if (install_name_usable(parent) && rename_file(parent, d.substr(cut + 1), install_name) == 0)
				dest_dir_path = parent + install_name + "/";
		}
	}
}

}  // namespace

// ---- grab_files ----------------------------------------------------------------------

void reset_next()
{
	int const finished = next.finished;
	next = next_struct{0, finished, {1, 1, 0, 0}, {1, 1, 0, 0}, {0, 0, 0, 0}, xtim.run_time, 0.0f, 0.0f, 0.0f};
	fail_count.clear();
}

int grab_files()
{
	int const n = static_cast<int>(sim_info.size());
	next.kb_in_flight = 0.0f;
	for (int k = 0; k < kStreams; k++) {
		if (!next.active[k])
			continue;
		if (next.wants_file[k]) {
			next.file_index[k] = next.next_file;
			next.next_file = std::max(0, std::min(next.next_file + 1, n));
		}
		int const f = next.file_index[k];
		if (f < 0 || f >= n)
			continue;
		if (handle_path(k, f))
			adjust_streams(k);
	}
	for (int k = 0; k < kStreams; k++)
		if (next.active[k] && next.file_index[k] >= 0 && next.file_index[k] < n)
			return stg.install_error;
	finish_install();
	return 1;
}

int extract_and_delete_file(std::string zip, std::string dest, float ext_kb)
{
	// The entry bears the listed spelling, whatever case the file has on disk.
	size_t const cut = dest.size() < 2 ? std::string::npos : dest.find_last_of("/:\\", dest.size() - 2);
	std::string const leaf = cut == std::string::npos ? dest : dest.substr(cut + 1);
	set_dir_chars(dest);
	// The listed size is cut to whole kilobytes: one more covers the cut.
	double const kb = std::min(1e12, std::max(0.0, static_cast<double>(ext_kb)));
	uint64_t const most = static_cast<uint64_t>(kb * 1000.0) + 1000;

	// The archive yields the one listed file, only below the destination and
	// never through a link: anything else in it makes it bad.
	int const r = zip_to_one_file(zip, dest, leaf, most, true, dest_dir_path);
	if (r != 0 && !archive_bad(r)) {
		stg.install_error = 1;
		__VEDEZE_alert(0, "The installer cannot extract a file.", "Error:" + error_str(r), "Compressed File:" + zip,
		               "Destination:" + dest, ALERT_report, "grab", __LINE__);
	}
	int const x = dest.find("Contents/MacOS/") != std::string::npos ? make_file_executable(dest.c_str()) : 0;
	log_action("EXPANDING file ", dest, r);
	log_action("CHMODING  file ", dest, x);
	int const d = delete_file(zip);
	log_action("DELETING  file ", zip, d);
	return r;
}

void make_shortcut() {}

// ---- removals --------------------------------------------------------------------------

bool remove_listed_file(std::string const& installed)
{
	if (!inside_dest(installed)) {
		log_line("WARNING: I am not deleting " + installed + " because it is not inside the destination.\n");
		return false;
	}
	int const r = delete_file(installed);
	log_action("now we want to nuke a file: DELETING  file ", installed, r);
	return true;
}

int remove_emptied_folder(std::string const& folder)
{
	// Removing a folder never removes what is in it, hidden entries included.
	int const r = delete_file(folder);
	log_action("cleanup: DELETING  file ", folder, r);
	return r;
}

// ---- abandoning transfers ---------------------------------------------------------------

void abandon_transfers()
{
	for (int k = 0; k < kStreams; k++) {
		http.cancel(k + kFirstSlot);
		// Only the partial archives: nothing in the destination is touched.
		if (!temp_path.empty())
			delete_file(slot_archive(k));
	}
}
