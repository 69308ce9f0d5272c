// The directory of a release: its archive fetched from the server in use
// and expanded, then its file read (in slices between frames, or whole) and
// compared with the destination.
//
// Index: state - read_directory - directory archive (a frame's step) -
// directory file (a frame's step).
#include <algorithm>
#include <chrono>
#include <cstring>

#include "foundation/alert.h"
#include "foundation/hl_string.h"
#include "foundation/http.h"
#include "foundation/io_utils.h"
#include "foundation/io_zip.h"
#include "foundation/xmap.h"
#include "foundation/xtim.h"
#include "installer/utils.h"

// ---- state ------------------------------------------------------------------------

std::string net_dir_path_zip, dir_path, dir_path_path;
dir_read_struct dir_read;
retry_pause directory_pause;

// ---- read_directory -------------------------------------------------------------

namespace {

// Folders and names from the file get their separators unified and nothing
// else: repairing their letter case against the current folder would turn
// remote paths into whatever happens to lie there.
void unify_separators(std::string& fragment)
{
	for (char& c : fragment)
		if (c == '\\' || c == ':') c = '/';
}

// Drops "." and empty folder names from a listed path (separators unified),
// so that one file is named one way: otherwise a GONE line could reach a
// current file by a spelling no other listed path shares. A trailing
// separator stays, so that a path naming no file is still seen as such.
void drop_empty_folders(std::string& path)
{
	bool const plain = path.find("//") == std::string::npos && path.find("/./") == std::string::npos &&
	                   path.compare(0, 2, "./") != 0 && path != "." &&
	                   (path.size() < 2 || path.compare(path.size() - 2, 2, "/.") != 0);
	if (plain) return;  // the common case: no copy of millions of names
	std::string out;
	out.reserve(path.size());
	size_t start = 0;
	for (;;) {
		size_t const slash = path.find('/', start);
		size_t const end = slash == std::string::npos ? path.size() : slash;
		bool const skip = (end == start && start != 0) || (end - start == 1 && path[start] == '.');
		if (!skip) out.append(path, start, end - start);
		if (slash == std::string::npos) break;
		if (!skip) out += '/';
		start = slash + 1;
	}
	if (out.size() != path.size()) path.swap(out);
}

// Whether a listed path (separators unified) climbs out of its folder.
bool path_leaves_folder(std::string const& path)
{
	size_t start = 0;
	for (;;) {
		size_t const slash = path.find('/', start);
		size_t const len = (slash == std::string::npos ? path.size() : slash) - start;
		if (len == 2 && path.compare(start, 2, "..") == 0) return true;
		if (slash == std::string::npos) return false;
		start = slash + 1;
	}
}

int clamp_int(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Reads one FILE line's fields, the cursor just after the word. The scan is
// held to the line, so a missing field reads as 0 or empty instead of
// taking the next line's text.
void scan_file_fields(xmap_class& map, file_version_struct& v, std::string& name)
{
	char const* const file_end = map.end;
	char const* line_end = map.cursor;
	while (line_end < file_end && *line_end != '\n' && *line_end != '\r' && *line_end != 0) ++line_end;
	map.end = line_end;
	v.flag = clamp_int(map.TXT_int_scan(), 0, 1);
	v.platform = clamp_int(map.TXT_int_scan(), 0, 6);
	v.version = map.TXT_int_scan();
	v.zip_size = static_cast<float>(map.TXT_int_scan());
	v.ext_size = static_cast<float>(map.TXT_int_scan());
	std::string word;
	map.TXT_str_scan_space(&word);
	v.sig_want = word;
	map.TXT_str_scan_eoln(&name);
	map.end = file_end;
	map.TXT_prv_scan();  // on to the next non-empty line
}

void fatal_path_alert(std::string const& first, std::string const& path, int line)
{
	__VEDEZE_alert(0, first, "This is impossible to download or delete!", "It is:", path, ALERT_fatal, "utils", line);
}

}  // namespace

long dir_lines_read = 0;

namespace {

// The panel at its cadence: drawn at once for a read in one call, noted for
// the frame otherwise.
void show_progress(dir_read_struct& r, float cur, float hi, int mode, std::string const& detail)
{
	r.cur = cur;
	r.hi = hi;
	r.mode = mode;
	r.detail = detail;
	if (r.draw) r.draw(0.0f, cur, hi, mode, r.title, detail);
}

// One line of the file; true when it was a FILE line.
bool parse_line(dir_read_struct& r)
{
	xmap_class& map = *r.map;
	if (map.TXT_str_scan_match("DIR", 0)) {
		// A DIR line naming no folder keeps the current one, like a bare DIR.
		std::string named;
		map.TXT_str_scan_eoln(&named);
		if (!named.empty()) {
			r.folder.swap(named);
			unify_separators(r.folder);
		}
		return false;
	}
	if (!map.TXT_str_scan_match("FILE", 0)) {
		map.TXT_str_scan_eoln(nullptr);
		return false;
	}
	file_version_struct v{};
	std::string name;
	scan_file_fields(map, v, name);
	unify_separators(name);
	v.name.reserve(r.folder.size() + name.size());  // no slack in millions of names
	v.name.append(r.folder).append(name);
	drop_empty_folders(v.name);
	std::string const& listed = v.name;
	bool const new_path = sim_info.empty() || listed != r.previous;
	if (new_path) sim_info.emplace_back();
	// An empty path would name the destination folder itself.
	if (listed.empty() || path_has_no_file(listed))
		fatal_path_alert("I am reading the directory text file and found a path that has no file!", listed,
		                 __LINE__);
	if (path_leaves_folder(listed))
		fatal_path_alert("I am reading the directory text file and found a path that leaves the Skyrell folder!",
		                 listed, __LINE__);
	// Past the file layer's limit the path could be neither examined nor
	// installed; its start is enough to find it in the file.
	if (new_path && app_path.size() + installed_path(listed, r.dest).size() > kMaxInstalledPath)
		fatal_path_alert("I am reading the directory text file and found a path that is too long!",
		                 listed.substr(0, 100) + "...", __LINE__);
	if (new_path) r.previous = listed;
	sim_info.back().versions.push_back(std::move(v));

	if (dir_lines_read % 500 == 0)
		show_progress(r, static_cast<float>(map.cursor - map.begin), static_cast<float>(map.end - map.begin), 0,
		              name);
	++dir_lines_read;
	return true;
}

// Counts, in the next block of the file, the word FILE where it begins a
// line (after blanks), as a FILE line does: a bound on the listed paths.
void count_file_words(dir_read_struct& r)
{
	char const* const begin = r.map->begin;
	size_t const size = static_cast<size_t>(r.map->end - begin);
	size_t const stop = std::min(size, r.counted + kDirCountBlock);
	char const* p = begin + r.counted;
	char const* const limit = begin + std::min(size, stop + 3);  // a word may run over the block's end
	while (p < begin + stop) {
		char const* const hit = static_cast<char const*>(memmem(p, static_cast<size_t>(limit - p), "FILE", 4));
		if (!hit || hit >= begin + stop) break;
		char const* b = hit;
		while (b > begin && (b[-1] == ' ' || b[-1] == '\t')) --b;
		if (b == begin || b[-1] == '\n' || b[-1] == '\r' || b[-1] == 0) ++r.files;
		p = hit + 4;
	}
	r.counted = stop;
}

// Examines the installed file of path i: its signature, and what it adds to
// the totals.
void examine_path(dir_read_struct& r, int i, int paths, int step)
{
	int const last = static_cast<int>(sim_info[i].versions.size()) - 1;
	file_version_struct& v = sim_info[i].versions[last];
	std::string local = installed_path(v.name, r.dest);
	if (i % step == 0) show_progress(r, static_cast<float>(i), static_cast<float>(paths), 1, local);
	v.sig_have = "NONE";
	calc_file_md5(local, v.sig_have);
	v.up_to_date = v.sig_have == v.sig_want ? 1 : 0;
	if (!want_this_f(i, last, v.flag)) return;
	if (v.sig_want != "GONE") {
		if (v.up_to_date) return;
		++dir_changes;
		stg.down_bytes_req += v.zip_size;
		stg.disk_bytes_req += v.ext_size;
		if (v.platform >= 1 && v.platform <= 5) this_install_has_exes = 1;
	} else if (v.sig_have != "NONE") {
		r.gone[std::move(local)].push_back(i);
	}
}

// A file gone from the release and still on disk is to be deleted, unless
// another listed path (a move between platform folders, another letter case)
// installs that same file: installed paths that differ in letter case alone
// are compared as the file operations reach them.
void weigh_deletions(dir_read_struct& r, int i)
{
	if (!installs_file(i)) return;
	auto const group = r.gone.find(installed_path(sim_info[i].versions.back().name, r.dest));
	if (group == r.gone.end()) return;
	std::string const here = resolved_path(installed_path(sim_info[i].versions.back().name, r.dest));
	std::vector<int>& candidates = group->second;
	for (size_t k = 0; k < candidates.size();)
		if (resolved_path(installed_path(sim_info[candidates[k]].versions.back().name, r.dest)) == here)
			candidates.erase(candidates.begin() + static_cast<long>(k));
		else
			++k;
}

}  // namespace

int read_directory_begin(dir_read_struct& r, std::string const& path, std::string const& title)
{
	return read_directory_begin(r, path, title, dest_dir_path);
}

int read_directory_begin(dir_read_struct& r, std::string const& path, std::string const& title,
                         std::string const& dest)
{
	r = dir_read_struct();
	r.dest = dest;
	deleted_files.clear();
	dir_changes = 0;
	stg.down_bytes_req = 0.0f;
	stg.disk_bytes_req = 0.0f;
	r.file = path;
	r.title = title;
	set_dir_chars(r.file);
	sim_info.clear();
	sim_info.shrink_to_fit();

	r.map = std::make_shared<xmap_class>(r.file);
	xmap_class& map = *r.map;
	if (!map.begin || map.begin == map.end)
		__VEDEZE_alert(0, "I tried to read a directory file that does not exist!", "The file is:", r.file, "",
		               ALERT_fatal, "utils", __LINE__);

	int versions[] = {810, 840, 0};
	if (!map.check_file(xmap_type_text, versions, "INSTALLER", nullptr)) {
		r.map.reset();
		r.phase = dir_read_struct::done;
		new_format(r.file);
		return DIRST_refused;
	}
	r.phase = dir_read_struct::count;
	r.counted = static_cast<size_t>(map.cursor - map.begin);
	r.hi = static_cast<float>(map.end - map.begin);
	return 1;
}

int read_directory_slice(dir_read_struct& r, long units, double seconds)
{
	auto const until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
	// The clock is read every few units only: a unit may cost a few bytes.
	auto spent = [&](long k) { return k % 64 == 63 && std::chrono::steady_clock::now() >= until; };
	long k = 0;
	for (; k < units && r.phase != dir_read_struct::done; ++k) {
		if (spent(k)) break;
		int const paths = static_cast<int>(sim_info.size());
		switch (r.phase) {
		case dir_read_struct::count:
			// sim_info is sized once: growing it would move every record
			// in one slice. Every FILE line holds the word at least once.
			if (r.counted < static_cast<size_t>(r.map->end - r.map->begin)) {
				count_file_words(r);
				break;
			}
			sim_info.reserve(r.files);
			r.phase = dir_read_struct::parse;
			--k;
			break;
		case dir_read_struct::parse:
			if (r.map->cursor < r.map->end) {
				parse_line(r);
				break;
			}
			r.map.reset();
			r.folder = std::string();
			r.previous = std::string();
			r.phase = dir_read_struct::examine;
			r.i = 0;
			--k;  // a change of phase is no work
			break;
		case dir_read_struct::examine:
			if (r.i < paths) {
				examine_path(r, r.i, paths, std::max(1, paths / 200));
				++r.i;
				break;
			}
			r.phase = r.gone.empty() ? dir_read_struct::done : dir_read_struct::deletions;
			r.i = 0;
			--k;
			break;
		case dir_read_struct::deletions:
			if (r.i < paths) {
				weigh_deletions(r, r.i);
				++r.i;
				break;
			}
			for (auto const& group : r.gone) dir_changes += static_cast<int>(group.second.size());
			r.gone.clear();
			r.phase = dir_read_struct::done;
			--k;
			break;
		default: break;
		}
	}
	r.units += k;
	return r.phase == dir_read_struct::done ? DIRST_ready : 0;
}

int read_directory(std::string const& path, std::string title)
{
	return read_directory_in(path, std::move(title), dest_dir_path);
}

int read_directory_in(std::string const& path, std::string title, std::string const& dest)
{
	dir_read_struct r;
	if (read_directory_begin(r, path, title, dest) == DIRST_refused) return DIRST_refused;
	r.draw = dir_progress_draw;
	while (read_directory_slice(r, 1L << 30, 1e9) == 0) {
	}
	return DIRST_ready;
}

// ---- directory archive ----------------------------------------------------------------------------

void directory_archive_step()
{
	if (stg.dir_state != DIRST_fetch || stg.server_count < 1) return;
	if (directory_pause.holds()) return;
	int const i = std::max(0, std::min(stg.server_index, std::min(stg.server_count, kMaxServers) - 1));
	int const answer =
	    http.net_check(1, server_name[i], server_path[i] + "directory.txt.zip", net_dir_path_zip, kDirectoryArchiveCap);
	if (answer != 1 && answer != 2) return;
	bool failed = answer == 2;
	if (answer == 1) {
		// Only this archive's directory may be read: never one that an
		// earlier, refused archive wrote before its refusal.
		delete_file(dir_path);
		// Only the directory file is taken: nothing else of the archive is written.
		int const code = zip_to_one_file(net_dir_path_zip, dir_path, "directory.txt", kDirectoryFileCap, false,
		                                 dir_path_path);
		if (code != 0) {
			__VEDEZE_alert(0, "DIR-scan: The installer cannot extract a file.", "Error:" + error_str(code),
			               "Compressed File:" + net_dir_path_zip, "Destination Path:" + dir_path_path, ALERT_report,
			               "main", __LINE__);
			failed = true;
		} else {
			stg.dir_state = DIRST_read;
		}
		delete_file(net_dir_path_zip);
	}
	if (failed) {
		// A refused connection fails at once, and a bad archive every time:
		// without a pause each frame would try (and alert) again.
		draw_any_server();
		directory_pause.start(kDirectoryRetry);
	}
}

// ---- directory file ----------------------------------------------------------------------------

bool directory_read_step()
{
	if (stg.dir_state != DIRST_read) {
		if (dir_read.phase != dir_read_struct::idle) dir_read = dir_read_struct();  // never resumed
		return false;
	}
	if (dir_read.phase == dir_read_struct::idle &&
	    read_directory_begin(dir_read, dir_path,
	                         "Scanning directory text file to see if you already have Skyrell installed...") ==
	        DIRST_refused) {
		dir_read = dir_read_struct();
		stg.dir_state = DIRST_refused;
		return false;
	}
	if (read_directory_slice(dir_read, kDirSliceUnits, kDirSliceSeconds) == DIRST_ready) {
		dir_read = dir_read_struct();
		stg.dir_state = DIRST_ready;
		return false;
	}
	dir_progress_frame(0.0f, dir_read.cur, dir_read.hi, dir_read.mode, dir_read.title, dir_read.detail);
	return true;
}
