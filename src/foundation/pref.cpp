// Preference files.
//
// Index: number parsing - scan_class - file paths - IO_set (10, 11) - IO_sta (12).
#include "foundation/pref.h"

#include <sys/stat.h>

#include <cctype>
#include <cfloat>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/http.h"
#include "foundation/xmap.h"
#include "foundation/xtim.h"

pref_class pref;

namespace {

int const pref_version = 8500;

// ---- number parsing -----------------------------------------------------
// atoi/atof as the files were always read (leading white space, a sign,
// digits, 0 for text without digits), but saturating instead of
// overflowing: a hand-edited file must not reach undefined behaviour.

int read_int(std::string const& text)
{
	char const* p = text.c_str();
	while (std::isspace(static_cast<unsigned char>(*p))) ++p;
	bool negative = false;
	if (*p == '-' || *p == '+') negative = *p++ == '-';
	long long v = 0;
	for (; *p >= '0' && *p <= '9'; ++p) {
		v = v * 10 + (*p - '0');
		if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
	}
	if (negative) v = -v;
	if (v > INT_MAX) v = INT_MAX;
	return static_cast<int>(v);
}

float read_float(std::string const& text)
{
	char const* p = text.c_str();
	while (std::isspace(static_cast<unsigned char>(*p))) ++p;
	char const* q = p;
	if (*q == '-' || *q == '+') ++q;
	// Only numbers count: "inf" and "nan" read as text without digits.
	bool const numeric = (*q >= '0' && *q <= '9') || (*q == '.' && q[1] >= '0' && q[1] <= '9');
	if (!numeric) return 0.0f;
	double const v = std::strtod(p, nullptr);
	if (v > FLT_MAX) return FLT_MAX;
	if (v < -FLT_MAX) return -FLT_MAX;
	return static_cast<float>(v);
}

bool has_line_end(std::string const& text)
{
	return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

}  // namespace

// ---- scan_class -----------------------------------------------------------

scan_class::scan_class(std::string const& path, int mode_) : mode(mode_)
{
	if (mode == 1) {
		ouf_open(path, xmap_type_text, pref_version, "no-copyright-string");
		return;
	}
	items.clear();
	xmap_class map(path);
	int versions[2] = {pref_version, 0};
	if (!map.check_file(xmap_type_text, versions, nullptr, nullptr)) return;
	while (map.cursor && map.cursor < map.end) {
		char const* const before = map.cursor;
		std::string key, value;
		map.TXT_str_scan_space(&key);
		map.TXT_str_scan_eoln(&value);
		if (map.cursor == before) break;  // nothing consumed: stop rather than spin
		if (!key.empty()) items[key] = value;  // the last line of a key wins
	}
}

scan_class::~scan_class()
{
	if (mode == 1) ouf.close();
}

int scan_class::int_io(int* value, std::string const& key)
{
	if (mode == 1) {
		ouf << key << " " << *value << "\n";
		return 0;
	}
	auto const it = items.find(key);
	if (it == items.end()) return 0;
	*value = read_int(it->second);
	return 1;
}

int scan_class::flt_io(float* value, std::string const& key)
{
	if (mode == 1) {
		char buf[64];
		std::snprintf(buf, sizeof buf, "%f", static_cast<double>(*value));
		ouf << key << " " << buf << "\n";
		return 0;
	}
	auto const it = items.find(key);
	if (it == items.end()) return 0;
	*value = read_float(it->second);
	return 1;
}

int scan_class::str_io(std::string* value, std::string const& key)
{
	if (mode == 1) {
		// A line end inside the text would split it into lines of its own,
		// which could read back as other keys: such a text is not saved.
		if (!value->empty() && !has_line_end(*value)) ouf << key << " " << *value << "\n";
		return 0;
	}
	auto const it = items.find(key);
	if (it == items.end()) return 0;
	*value = it->second;
	return 1;
}

// ---- file paths -------------------------------------------------------------

namespace {

char const display_path[] = "Resources:preferences:Res Skybase.prf";
char const installer_name[] = "Skyrell Installer.prf";
char const sim_path[] = "Resources:preferences:Skyrell.prf";
size_t const path_limit = 499;  // longest path set_dir_chars takes

}  // namespace

namespace {

// Whether the file in folder can be named within the path helpers' limit
// (the file layer puts app_path in front).
bool fits(std::string const& folder)
{
	return app_path.size() + folder.size() + sizeof installer_name - 1 <= path_limit;
}

}  // namespace

std::string pref_installer_path()
{
	// A folder too deep for the path helpers counts as missing.
	std::string folder;
	get_OS_abs_path(4, folder);
	if (!fits(folder)) folder.clear();
	if (folder.empty()) {
		char const* home = std::getenv("HOME");
		if (home && home[0] == '/') {
			folder = home;
			while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
			folder += folder == "/" ? ".config" : "/.config";
			if (fits(folder + "/")) {
				mkdir(folder.c_str(), 0700);  // may exist already
				folder += "/";
			} else {
				folder.clear();
			}
		}
		if (folder.empty()) folder = "Resources:preferences:";
	}
	return folder + installer_name;
}

// ---- IO_set -------------------------------------------------------------------

namespace {

// One key of a settings file and the field it fills: exactly one of the
// three targets is set.
struct pref_key {
	char const* key;
	int* int_field;
	float* flt_field;
	std::string* str_field;
};

// In the order they are written.
pref_key const display_keys[] = {
    {"_x_res_req", &mnw.x_res_req, nullptr, nullptr},
    {"_y_res_req", &mnw.y_res_req, nullptr, nullptr},
    {"_col_res_req", &mnw.col_res_req, nullptr, nullptr},
    {"_set_res", &mnw.set_res, nullptr, nullptr},
    {"_lang", &mnw.lang, nullptr, nullptr},
    {"_alias_req", &mnw.alias_req, nullptr, nullptr},
    {"_keylist_up", &mnw.keylist_up, nullptr, nullptr},
    {"_sec_mon_inuse", &mnw.sec_mon_inuse, nullptr, nullptr},
    {"_prefs_found", &mnw.prefs_found, nullptr, nullptr},
    {"_prd_FM", nullptr, &xtim.prd_FM, nullptr},
    {"_prd_UI", nullptr, &xtim.prd_UI, nullptr},
};

pref_key const installer_keys[] = {
    {"_download_os", &stg.download_os, nullptr, nullptr},
    {"_use_max_cpu", &stg.use_max_cpu, nullptr, nullptr},
    {"_rename_folder", &stg.rename_folder, nullptr, nullptr},
    {"_stream_count", &stg.stream_count, nullptr, nullptr},
    {"_log_actions", &stg.log_actions, nullptr, nullptr},
    {"_always_ask_dir", &stg.always_ask_dir, nullptr, nullptr},
    {"_dest_dir_path", nullptr, nullptr, &dest_dir_path},
    {"_proxy_host", nullptr, nullptr, &http.proxy_host},
    {"_proxy_port", nullptr, nullptr, &http.proxy_port},
    {"_proxy_port_int", &http.proxy_port_int, nullptr, nullptr},
};

template <size_t n>
void exchange(scan_class& scan, pref_key const (&keys)[n])
{
	for (pref_key const& k : keys) {
		if (k.int_field)
			scan.int_io(k.int_field, k.key);
		else if (k.flt_field)
			scan.flt_io(k.flt_field, k.key);
		else
			scan.str_io(k.str_field, k.key);
	}
}

}  // namespace

void pref_class::IO_set(int which, int mode)
{
	if (which == 10) {
		scan_class scan(display_path, mode);
		exchange(scan, display_keys);
		if (mnw.x_res_req < 1024 || mnw.x_res_req > 9999) mnw.x_res_req = 1024;
		if (mnw.y_res_req < 768 || mnw.y_res_req > 9999) mnw.y_res_req = 768;
		if (mnw.lang == 6) mnw.lang = 0;  // Korean falls back to English
		return;
	}

	scan_class scan(pref_installer_path(), mode);
	exchange(scan, installer_keys);
	if (mode == 0) {
		// A hand-edited count below 0 would retire every download stream.
		if (stg.stream_count < 0 || stg.stream_count > 4) stg.stream_count = 0;
		if (stg.download_os < 1 || stg.download_os > 5) stg.download_os = 1;
	}
}

// ---- IO_sta -------------------------------------------------------------------

int pref_class::IO_sta(int which, int mode, std::string path)
{
	if (which == 12) path = sim_path;
	xmap_class map("");
	int versions[2] = {pref_version, 0};
	if (!map.io_file_open(mode, path, versions, xmap_type_binary)) return 0;
	map.io_file_close();
	return 1;
}
