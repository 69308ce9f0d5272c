// The installer's globals, the directory file (parse and examination of the
// destination) and the answer to a file of a newer format.
//
// Index: globals - signatures - key order - listed paths - want_this_f - read_directory -
// new_format.
#include "installer/utils.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <unordered_map>

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
dir_progress_fn dir_progress_frame = dir_progress_panel;

// ---- signatures ---------------------------------------------------------------

namespace {

int hex_digit(char c) { return c >= '0' && c <= '9' ? c - '0' : (c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1); }

// Words that are neither an MD5 nor short, each kept once; the records on
// the expansion threads read them too.
struct shared_words {
	std::mutex lock;
	std::deque<std::string> words;
	std::unordered_map<std::string, uint32_t> index;
};
shared_words& word_table()
{
	static shared_words* const table = new shared_words;  // outlives every record
	return *table;
}

}  // namespace

void sig_text::assign(char const* word, size_t len)
{
	std::memset(bytes_, 0, sizeof bytes_);
	len_ = 0;
	bool md5 = len == 32;
	for (size_t k = 0; md5 && k < len; ++k) md5 = hex_digit(word[k]) >= 0;
	if (md5) {
		kind_ = kMd5;
		for (size_t k = 0; k < 16; ++k)
			bytes_[k] = static_cast<unsigned char>(hex_digit(word[2 * k]) * 16 + hex_digit(word[2 * k + 1]));
		return;
	}
	if (len <= sizeof bytes_) {
		kind_ = kText;
		len_ = static_cast<unsigned char>(len);
		if (len) std::memcpy(bytes_, word, len);
		return;
	}
	kind_ = kShared;
	shared_words& table = word_table();
	std::lock_guard<std::mutex> hold(table.lock);
	std::string key(word, len);
	auto found = table.index.find(key);
	if (found == table.index.end()) {
		table.words.push_back(key);
		found = table.index.emplace(std::move(key), static_cast<uint32_t>(table.words.size() - 1)).first;
	}
	std::memcpy(bytes_, &found->second, sizeof found->second);
}

std::string sig_text::str() const
{
	if (kind_ == kText) return std::string(reinterpret_cast<char const*>(bytes_), len_);
	if (kind_ == kShared) {
		uint32_t at = 0;
		std::memcpy(&at, bytes_, sizeof at);
		shared_words& table = word_table();
		std::lock_guard<std::mutex> hold(table.lock);
		return table.words[at];
	}
	static char const digits[] = "0123456789abcdef";
	std::string out(32, '0');
	for (size_t k = 0; k < 16; ++k) {
		out[2 * k] = digits[bytes_[k] >> 4];
		out[2 * k + 1] = digits[bytes_[k] & 15];
	}
	return out;
}

bool sig_text::same(sig_text const& o) const
{
	return kind_ == o.kind_ && len_ == o.len_ && std::memcmp(bytes_, o.bytes_, sizeof bytes_) == 0;
}

int calc_file_md5(std::string const& path, sig_text& md5)
{
	std::string text = md5.str();
	int const r = calc_file_md5(path, text);
	if (r == 0) md5 = text;
	return r;
}

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
	std::string word;
	map.TXT_str_scan_space(&word);
	v.sig_want = word;
	map.TXT_str_scan_eoln(&name);
	map.end = file_end;
	map.TXT_prv_scan();  // on to the next non-empty line
}

void fatal_path_alert(std::string const& first, std::string const& path, int line)
{
	__VEDEZE_alert(0, first, "This is impossible to download or delete!", "It is:", path, 2, "utils", line);
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
	if (new_path && app_path.size() + installed_path(listed).size() > kMaxInstalledPath)
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
	std::string local = installed_path(v.name);
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
	auto const group = r.gone.find(installed_path(sim_info[i].versions.back().name));
	if (group == r.gone.end()) return;
	std::string const here = resolved_path(installed_path(sim_info[i].versions.back().name));
	std::vector<int>& candidates = group->second;
	for (size_t k = 0; k < candidates.size();)
		if (resolved_path(installed_path(sim_info[candidates[k]].versions.back().name)) == here)
			candidates.erase(candidates.begin() + static_cast<long>(k));
		else
			++k;
}

}  // namespace

int read_directory_begin(dir_read_struct& r, std::string const& path, std::string const& title)
{
	r = dir_read_struct();
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
		__VEDEZE_alert(0, "I tried to read a directory file that does not exist!", "The file is:", r.file, "", 2,
		               "utils", __LINE__);

	int versions[] = {810, 840, 0};
	if (!map.check_file(xmap_type_text, versions, "INSTALLER", nullptr)) {
		r.map.reset();
		r.phase = dir_read_struct::done;
		new_format(r.file);
		return 2;
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
	return r.phase == dir_read_struct::done ? 3 : 0;
}

int read_directory(std::string const& path, std::string title)
{
	dir_read_struct r;
	if (read_directory_begin(r, path, title) == 2) return 2;
	r.draw = dir_progress_draw;
	while (read_directory_slice(r, 1L << 30, 1e9) == 0) {
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
