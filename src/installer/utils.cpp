// The installer's globals, the directory file (parse and examination of the
// destination) and the answer to a file of a newer format.
//
// Index: globals - key order - listed paths - want_this_f - read_directory -
// new_format.
#include "installer/utils.h"

#include <algorithm>
#include <cctype>

#include "foundation/alert.h"
#include "foundation/hl_string.h"
#include "foundation/md5.h"
#include "foundation/xmap.h"
#include "shell/hl_about.h"

// ---- globals ----------------------------------------------------------------

std::string temp_path;
std::string install_name;
std::string server_name[kMaxServers];
std::string server_path[kMaxServers];
std::string server_desc[kMaxServers];

std::vector<file_history_struct> sim_info;
std::map<std::string, int, no_case_compare_string> sim_info_index;
int this_install_has_exes = 0;
std::set<std::string> deleted_files;
int dir_changes = 0;

dir_progress_fn dir_progress_draw = dir_progress_bar;

// ---- key order ----------------------------------------------------------------

bool no_case_compare_char::operator()(char a, char b) const
{
	// Through unsigned char: tolower of a negative char is undefined.
	return std::tolower(static_cast<unsigned char>(a)) < std::tolower(static_cast<unsigned char>(b));
}

bool no_case_compare_string::operator()(std::string const& a, std::string const& b) const
{
	return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), no_case_compare_char());
}

// ---- listed paths -------------------------------------------------------------

bool path_has_no_file(std::string path)
{
	if (path.empty()) return false;
	char const last = path.back();
	return last == ':' || last == '/';
}

std::string installed_path(std::string const& listed)
{
	size_t const slash = listed.find('/');
	return dest_dir_path + (slash == std::string::npos ? listed : listed.substr(slash + 1));
}

std::string resolved_path(std::string const& installed)
{
	std::string full = app_path + installed;
	set_dir_chars(full);  // repairs letter case where names are case-sensitive
	return full.substr(std::min(app_path.size(), full.size()));
}

bool installs_file(int i)
{
	std::vector<file_version_struct> const& versions = sim_info[static_cast<size_t>(i)].versions;
	if (versions.empty()) return false;
	int const last = static_cast<int>(versions.size()) - 1;
	return versions[last].sig_want != "GONE" && want_this_f(i, last, versions[last].flag);
}

std::vector<std::string> landing_keys()
{
	std::vector<std::string> keys(sim_info.size());
	std::map<std::string, std::vector<size_t>, no_case_compare_string> blind;
	for (size_t i = 0; i < sim_info.size(); ++i) {
		if (sim_info[i].versions.empty()) continue;
		keys[i] = installed_path(sim_info[i].versions.back().name);
		blind[keys[i]].push_back(i);
	}
	// Only paths that differ in letter case alone can reach one file; they
	// are compared as the file operations reach them.
	for (auto const& group : blind)
		if (group.second.size() > 1)
			for (size_t i : group.second) keys[i] = resolved_path(keys[i]);
	return keys;
}

namespace {

// Folders and names from the file get their separators unified and nothing
// else: repairing their letter case against the current folder would turn
// remote paths into whatever happens to lie there.
void unify_separators(std::string& fragment)
{
	for (char& c : fragment)
		if (c == '\\' || c == ':') c = '/';
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

}  // namespace

// ---- want_this_f ----------------------------------------------------------------

int want_this_f(int file, int ver, int flag)
{
	if (file < 0 || static_cast<size_t>(file) >= sim_info.size()) return 0;
	std::vector<file_version_struct> const& versions = sim_info[file].versions;
	if (ver < 0 || static_cast<size_t>(ver) >= versions.size()) return 0;
	file_version_struct const& v = versions[ver];
	if (v.flag != flag) return 0;
	int const os = stg.download_os;
	if (v.platform == 0 || v.platform == os) return 1;
	return v.platform == 6 && os >= 3 && os <= 5 ? 1 : 0;
}

// ---- read_directory -------------------------------------------------------------

namespace {

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
	map.TXT_str_scan_space(&v.sig_want);
	map.TXT_str_scan_eoln(&name);
	map.end = file_end;
	map.TXT_prv_scan();  // on to the next non-empty line
}

void fatal_path_alert(std::string const& first, std::string const& path, int line)
{
	__VEDEZE_alert(0, first, "This is impossible to download or delete!", "It is:", path, 2, "utils", line);
}

}  // namespace

int dir_file_lines = 0;

int read_directory(std::string const& path, std::string title)
{
	int& f = dir_file_lines;

	deleted_files.clear();
	dir_changes = 0;
	stg.down_bytes_req = 0.0f;
	stg.disk_bytes_req = 0.0f;
	std::string file = path;
	set_dir_chars(file);
	sim_info.clear();

	xmap_class map(file);
	if (!map.begin || map.begin == map.end)
		__VEDEZE_alert(0, "I tried to read a directory file that does not exist!", "The file is:", file, "", 2,
		               "utils", __LINE__);

	int versions[] = {810, 840, 0};
	if (!map.check_file(xmap_type_text, versions, "INSTALLER", nullptr)) {
		new_format(file);
		return 2;
	}

	float const length = static_cast<float>(map.end - map.begin);
	std::string folder;
	std::string previous;
	bool have_previous = false;
	while (map.cursor < map.end) {
		if (map.TXT_str_scan_match("DIR", 0)) {
			// A DIR line naming no folder keeps the current one, like a bare DIR.
			std::string named;
			map.TXT_str_scan_eoln(&named);
			if (!named.empty()) {
				folder = named;
				unify_separators(folder);
			}
			continue;
		}
		if (!map.TXT_str_scan_match("FILE", 0)) {
			map.TXT_str_scan_eoln(nullptr);
			continue;
		}
		file_version_struct v{};
		std::string name;
		scan_file_fields(map, v, name);
		unify_separators(name);
		std::string const listed = folder + name;
		if (!have_previous || listed != previous) sim_info.emplace_back();
		previous = listed;
		have_previous = true;
		// An empty path would name the destination folder itself.
		if (listed.empty() || path_has_no_file(listed))
			fatal_path_alert("I am reading the directory text file and found a path that has no file!", listed,
			                 __LINE__);
		if (path_leaves_folder(listed))
			fatal_path_alert("I am reading the directory text file and found a path that leaves the Skyrell folder!",
			                 listed, __LINE__);
		v.name = listed;
		sim_info.back().versions.push_back(v);

		if (f % 500 == 0)
			dir_progress_draw(0.0f, static_cast<float>(map.cursor - map.begin), length, 0, title, name);
		++f;
	}

	// Examine the destination: the current version of every path.
	int const paths = static_cast<int>(sim_info.size());
	int const step = std::max(1, paths / 200);
	for (int i = 0; i < paths; ++i) {
		int const last = static_cast<int>(sim_info[i].versions.size()) - 1;
		file_version_struct& v = sim_info[i].versions[last];
		std::string const local = installed_path(v.name);
		if (i % step == 0)
			dir_progress_draw(0.0f, static_cast<float>(i), static_cast<float>(paths), 1, title, local);
		v.sig_have = "NONE";
		calc_file_md5(local, v.sig_have);
		v.up_to_date = v.sig_have == v.sig_want ? 1 : 0;
		if (v.sig_want != "GONE" && !v.up_to_date && want_this_f(i, last, v.flag)) {
			++dir_changes;
			stg.down_bytes_req += v.zip_size;
			stg.disk_bytes_req += v.ext_size;
			if (v.platform >= 1 && v.platform <= 5) this_install_has_exes = 1;
		}
	}
	// A file gone from the release and still on disk is to be deleted, unless
	// another listed path (a move between platform folders, another letter
	// case) installs that same file.
	std::vector<std::string> const keys = landing_keys();
	std::set<std::string> installed_here;
	for (int i = 0; i < paths; ++i)
		if (installs_file(i)) installed_here.insert(keys[i]);
	for (int i = 0; i < paths; ++i) {
		int const last = static_cast<int>(sim_info[i].versions.size()) - 1;
		file_version_struct const& v = sim_info[i].versions[last];
		if (v.sig_want == "GONE" && v.sig_have != "NONE" && want_this_f(i, last, v.flag) &&
		    !installed_here.count(keys[i]))
			++dir_changes;
	}
	return 3;
}

// ---- new_format -------------------------------------------------------------------

void new_format(std::string file)
{
	std::string const site = std::string("http://") + maker_host + "/download/";
	__VEDEZE_alert(0,
	               "OK I am checking the Kestrin Research servers and I am finding file formats that are newer than "
	               "I can understand!",
	               "In other words, you need to get a new installer!",
	               "Please download the newest installer from the download section of " + site, file, 1, "utils",
	               __LINE__);
	go_to_URL(site);
	stg.install_stage = 2;
	app_done = 1;
}
