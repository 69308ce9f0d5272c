// The installer's globals and the records every step shares: signatures,
// the key order, listed paths, want_this_f, and the answer to a file of a
// newer format. The directory file itself is read in utils_directory.cpp.
//
// Index: globals - signatures - key order - listed paths - want_this_f -
// new_format.
#include "installer/utils.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <unordered_map>

#include "foundation/alert.h"
#include "foundation/hl_string.h"
#include "foundation/md5.h"
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

std::string installed_path(std::string const& listed) { return installed_path(listed, dest_dir_path); }

std::string installed_path(std::string const& listed, std::string const& dest)
{
	size_t const slash = listed.find('/');
	return dest + (slash == std::string::npos ? listed : listed.substr(slash + 1));
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

// ---- new_format -------------------------------------------------------------------

void new_format(std::string file)
{
	std::string const site = std::string("http://") + maker_host + "/download/";
	__VEDEZE_alert(0,
	               "OK I am checking the Kestrin Research servers and I am finding file formats that are newer than "
	               "I can understand!",
	               "In other words, you need to get a new installer!",
	               "Please download the newest installer from the download section of " + site, file, ALERT_report,
	               "utils", __LINE__);
	go_to_URL(site);
	stg.install_stage = STAGE_ended;
	app_done = 1;
}
