// Index: globals - ownership and release - error reports - library file
// reader - scan and registration - lookups - locators.
#include "content/io_locate.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <memory>
#include <mutex>

#include <sys/stat.h>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/io_utils.h"
#include "foundation/xmap.h"
#include "graphics/tman.h"

// ---- globals ---------------------------------------------------------------------

std::string cus_path = "Custom Scenery:";
std::string def_path = "Resources:default scenery:";
std::string obj_path = "Resources:objects:";

std::vector<std::string> scenery_packages;
std::vector<int> package_problems;
std::vector<int> package_is_custom;

std::map<std::string, lib_entry*> dsf_library;
std::map<std::string, lib_region*> dsf_regions;

#define DSF_NonFatal(file, ...) __DSF_NonFatalError("io_locate", __LINE__, file, __VA_ARGS__)

int lib_region_cell(int lon, int lat)
{
	if (lon < -180 || lon > 179 || lat < -90 || lat > 89) return -1;
	return (lon + 180) * 180 + (lat + 90);
}

// ---- ownership and release ---------------------------------------------------------

namespace {

// Every region of the library, kept after its file's names are forgotten,
// since entries point to them.
std::vector<std::unique_ptr<lib_region>> owned_regions;

void release_library()
{
	for (auto& slot : dsf_library) {
		lib_entry* e = slot.second;
		while (e) {
			lib_entry* const next = e->next;
			delete e;
			e = next;
		}
	}
	dsf_library.clear();
	dsf_regions.clear();
	owned_regions.clear();
}

// The library's entries go with the program, before the maps that hold them.
struct library_release_at_exit {
	~library_release_at_exit() { release_library(); }
} release_at_exit;

}  // namespace

// ---- error reports -------------------------------------------------------------------

namespace {

// The log entry and the blamed package (-1 when the file lies in none).
int log_and_blame(char const* source_file, int source_line, char const* scenery_file,
                  char const* message)
{
	char const* const file = scenery_file ? scenery_file : "";
	{
		std::lock_guard<std::mutex> hold(xer_lock);
		xer << "***Error with scenery file \"" << file << "\" (" << (source_file ? source_file : "")
		    << ": " << source_line << ".)\n  " << message << "\n";
		xer.flush();
	}
	size_t const file_len = strlen(file);
	for (size_t i = 0; i < scenery_packages.size(); ++i) {
		std::string const& pkg = scenery_packages[i];
		if (pkg.compare(0, std::min(pkg.size(), file_len), file, std::min(pkg.size(), file_len)) == 0)
			return static_cast<int>(i);
	}
	return -1;
}

void flush_log()
{
	std::lock_guard<std::mutex> hold(xer_lock);
	xer.flush();
}

char const see_log[] = "Please see the log.txt file for detailed error information.";
char const loading_error[] = "Error loading the scenery package:";

}  // namespace

void __DSF_NonFatalError(const char* source_file, int source_line, const char* scenery_file,
                         const char* format, ...)
{
	static char message[4096];
	va_list args;
	va_start(args, format);
	vsnprintf(message, sizeof message, format, args);  // cuts a longer message
	va_end(args);

	int const pkg = log_and_blame(source_file, source_line, scenery_file, message);
	if (pkg < 0) {
		__VEDEZE_alert(0, loading_error, scenery_file ? scenery_file : "",
		               "The scenery may not look correct.", see_log, 1, "io_locate", __LINE__);
	} else if (package_problems[pkg] == 0) {
		package_problems[pkg] = 1;
		__VEDEZE_alert(0, loading_error, scenery_packages[pkg], "The scenery may not look correct.",
		               see_log, 1, "io_locate", __LINE__);
	}
	flush_log();
}

void __DSF_FatalError(const char* source_file, int source_line, const char* scenery_file,
                      const char* format, ...)
{
	static char message[4096];
	va_list args;
	va_start(args, format);
	vsnprintf(message, sizeof message, format, args);
	va_end(args);

	int const pkg = log_and_blame(source_file, source_line, scenery_file, message);
	std::string second = scenery_file ? scenery_file : "";
	char const* third = "Skyrell cannot run with this corrupt file.";
	if (pkg >= 0) {
		package_problems[pkg] = 1;
		second = scenery_packages[pkg];
		third = package_is_custom[pkg]
		            ? "Skyrell cannot run with this package installed - you may need to remove the custom  "
		              "scenery package."
		            : "Skyrell cannot run with this package installed - You may need to reinstall Skyrell.";
	}
	flush_log();
	__VEDEZE_alert(0, loading_error, second, third, see_log, 2, "io_locate", __LINE__);
}

// ---- library file reader ---------------------------------------------------------------

namespace {

// A relative path that never climbs above its folder.
bool stays_inside(std::string const& path)
{
	if (!path.empty() && path[0] == '/') return false;
	int depth = 0;
	size_t start = 0;
	while (start <= path.size()) {
		size_t stop = path.find('/', start);
		if (stop == std::string::npos) stop = path.size();
		std::string const part = path.substr(start, stop - start);
		if (part == "..") {
			if (--depth < 0) return false;
		} else if (!part.empty() && part != ".") {
			++depth;
		}
		start = stop + 1;
	}
	return true;
}


struct library_reader {
	int package;
	std::string file;  // reports name it
	xmap_class map;
	lib_region* export_region = nullptr;
	lib_region* defining = nullptr;

	library_reader(int pkg, std::string const& path) : package(pkg), file(path), map(path) {}

	bool empty_file() const
	{
		struct stat st;
		return stat((app_path + file).c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0;
	}

	void add(std::string const& virtual_path, std::string const& real_path, uint32_t ratio_word,
	         int extend)
	{
		DSF_RegisterEntry(virtual_path, new lib_entry{nullptr, export_region, package, ratio_word, real_path},
		                  extend);
	}

	void export_line(int extend)
	{
		std::string virtual_path, real_path;
		map.TXT_str_scan_space(&virtual_path);
		map.TXT_str_scan_eoln(&real_path);
		add(virtual_path, real_path, 1, extend);
	}

	void export_ratio_line()
	{
		uint32_t const ratio = static_cast<uint32_t>(map.TXT_int_scan());
		std::string virtual_path, real_path;
		map.TXT_str_scan_space(&virtual_path);
		map.TXT_str_scan_eoln(&real_path);
		if (ratio > lib_ratio_mask)
			DSF_NonFatal(file.c_str(),
			             "Library error: you cannot have a ratio of more than 2^24 lib items for %s -> %s.",
			             real_path.c_str(), virtual_path.c_str());
		add(virtual_path, real_path, (ratio & lib_ratio_mask) | lib_group_end, 0);
	}

	void region_line()
	{
		std::string name;
		map.TXT_str_scan_space(&name);
		auto const found = dsf_regions.find(name);
		if (found == dsf_regions.end())
			DSF_NonFatal(file.c_str(), "REGION %s - region unknown.  Ingoring", name.c_str());
		else
			export_region = found->second;
	}

	void region_define_line()
	{
		std::string name;
		map.TXT_str_scan_space(&name);
		if (dsf_regions.count(name)) {
			DSF_NonFatal(file.c_str(), "REGION_DEFINE %s - region already defined.  Ignoring.", name.c_str());
			defining = nullptr;
			return;
		}
		owned_regions.push_back(std::make_unique<lib_region>());  // every cell 0
		defining = owned_regions.back().get();
		defining->name = name;
		dsf_regions[name] = defining;
	}

	void region_rect_line()
	{
		if (!defining) {
			DSF_NonFatal(file.c_str(), "REGION_RECT command used but no region has been defined.");
			return;
		}
		// Wide, so that a number near the int limits cannot overflow the shift.
		long long const w = map.TXT_int_scan() + 180LL;
		long long const s = map.TXT_int_scan() + 90LL;
		long long const e = map.TXT_int_scan() + 180LL;
		long long const n = map.TXT_int_scan() + 90LL;
		if (w < 0 || s < 0 || e > 359 || n > 179 || s > n || w > e) {
			DSF_NonFatal(file.c_str(), "The boundaries to a REGION_RECT command are out of range: %lld,%lld->%lld,%lld",
			             w, s, e, n);
			return;
		}
		for (long long x = w; x <= e; ++x)
			for (long long y = s; y <= n; ++y) defining->mask[x * 180 + y] = 1;
	}

	void region_bitmap_line()
	{
		std::string name;
		map.TXT_str_scan_space(&name);
		if (!defining) {
			DSF_NonFatal(file.c_str(), "REGION_BITMAP used with no region defined.  REGION_BITMAP will be ignored.");
			return;
		}
		std::string image = name;
		set_dir_chars(image);
		// One byte a pixel (the mean of a BMP's colours), at full scale.
		if (!stays_inside(image) ||
		    !tman.load_bitmap(tex_fail_silent, 0, 3 | tex_flag_full_res, scenery_packages[package] + image)) {
			DSF_NonFatal(file.c_str(), "Unable to load bitmap file '%s' for REGION_BITMAP command - will skip.",
			             name.c_str());
			return;
		}
		float const dx = tman.texes[0].img_dx, dy = tman.texes[0].img_dy;
		if (dx != 360.0f || dy != 180.0f) {
			DSF_NonFatal(file.c_str(), "REGION_BITMAP with bitmap %s has a size of %d, %d but need sa size of 360x180.",
			             name.c_str(), static_cast<int>(dx), static_cast<int>(dy));
			return;
		}
		// Rows as the reader delivers them: a BMP's bottom row is latitude -90.
		for (int x = 0; x < 360; ++x)
			for (int y = 0; y < 180; ++y) defining->mask[x * 180 + y] = scratch_array[y * 1024 + x] != 0 ? 1 : 0;
	}

	void read()
	{
		if (!map.begin && !empty_file()) return;  // no library file: nothing to say
		int versions[] = {800, 0};
		// An empty file maps to nothing, but it is there and has no header.
		if (!map.begin || map.check_file(xmap_type_text, versions, "LIBRARY", nullptr) == 0) {
			DSF_NonFatal(file.c_str(), "Incorrect version for scenery library file.  Will skip.");
			return;
		}
		dsf_regions.clear();
		while (map.cursor < map.end) {
			// Commands with a rest-of-line argument end on the next line already.
			if (map.TXT_str_scan_match("EXPORT", 0)) {
				export_line(0);
				continue;
			}
			if (map.TXT_str_scan_match("EXPORT_EXTEND", 0)) {
				export_line(1);
				continue;
			}
			if (map.TXT_str_scan_match("EXPORT_RATIO", 0)) {
				export_ratio_line();
				continue;
			}
			if (map.TXT_str_scan_match("REGION", 0))
				region_line();
			else if (map.TXT_str_scan_match("REGION_DEFINE", 0))
				region_define_line();
			else if (map.TXT_str_scan_match("REGION_RECT", 0))
				region_rect_line();
			else if (map.TXT_str_scan_match("REGION_BITMAP", 0))
				region_bitmap_line();
			map.TXT_str_scan_eoln(nullptr);
		}
	}
};

}  // namespace

// ---- scan and registration -----------------------------------------------------------------

void DSF_RegisterEntry(const std::string& virtual_path, lib_entry* entry, int extend)
{
	auto const found = dsf_library.find(virtual_path);
	if (found == dsf_library.end() || !found->second) {
		entry->next = nullptr;
		dsf_library[virtual_path] = entry;
		return;
	}
	lib_entry* const head = found->second;
	if (extend == 0 && entry->package != head->package) entry->ratio_word |= lib_group_end;
	entry->next = head;
	found->second = entry;
}

namespace {

void add_packages(std::string const& folder, int custom)
{
	wrk_path = folder;
	int const count = opensave_getitems(FTYPE_folder);
	for (int i = 0; i < count; ++i) {
		scenery_packages.push_back(g_path_rel[i]);
		package_problems.push_back(0);
		package_is_custom.push_back(custom);
	}
}

}  // namespace

void DSF_ScanSceneryFolder()
{
	release_library();
	scenery_packages.clear();
	package_problems.clear();
	package_is_custom.clear();

	add_packages(cus_path, 1);
	add_packages(def_path, 0);

	{
		std::lock_guard<std::mutex> hold(xer_lock);
		xer << "I found the following scenery packages (prioritized in this order):\n";
		for (size_t i = 0; i < scenery_packages.size(); ++i)
			xer << std::setw(3) << i << " " << scenery_packages[i] << "\n";
		xer.flush();
	}

	// Lowest priority first, so that the highest ends at the chain heads.
	for (int i = static_cast<int>(scenery_packages.size()) - 1; i >= 0; --i) {
		library_reader reader(i, scenery_packages[i] + "library.txt");
		reader.read();
	}
}

// ---- lookups ---------------------------------------------------------------------------------

namespace {

int const anywhere = -2;  // every entry eligible; -1 is a tile without a cell

bool eligible(lib_entry const* e, int cell)
{
	if (cell == anywhere || !e->region) return true;
	return cell >= 0 && e->region->mask[cell] != 0;
}

std::string resolved(lib_entry const* e)
{
	std::string const& pkg =
	    e->package >= 0 && static_cast<size_t>(e->package) < scenery_packages.size()
	        ? scenery_packages[static_cast<size_t>(e->package)]
	        : std::string();
	return pkg + e->real_path;
}

// Calls visit for each eligible entry of the group (or of the whole chain).
template <class Visit>
void walk(std::string const& path, int cell, bool whole_chain, Visit visit)
{
	auto const found = dsf_library.find(path);
	if (found == dsf_library.end()) return;
	for (lib_entry* e = found->second; e; e = e->next) {
		if (!eligible(e, cell)) continue;
		visit(e);
		if (!whole_chain && (e->ratio_word & lib_group_end)) return;
	}
}

bool choose(std::string& path, int cell, bool whole_chain)
{
	uint64_t total = 0;
	walk(path, cell, whole_chain, [&](lib_entry* e) { total += e->ratio_word & lib_ratio_mask; });
	if (total == 0) return false;
	uint64_t const r = total == 1 ? 0 : static_cast<uint64_t>(rand()) % total;
	uint64_t sum = 0;
	lib_entry* pick = nullptr;
	walk(path, cell, whole_chain, [&](lib_entry* e) {
		if (pick) return;
		sum += e->ratio_word & lib_ratio_mask;
		if (sum > r) pick = e;
	});
	path = resolved(pick);
	return true;
}

bool list_all(std::string const& path, int cell, std::vector<std::string>& results)
{
	results.clear();
	walk(path, cell, false, [&](lib_entry* e) {
		std::string const real = resolved(e);
		for (uint32_t n = e->ratio_word & lib_ratio_mask; n > 0; --n) results.push_back(real);
	});
	return !results.empty();
}

}  // namespace

bool DSF_LookupLibraryResource(int lon, int lat, std::string& path)
{
	return choose(path, lib_region_cell(lon, lat), false);
}

bool DSF_LookupLibraryResourceAnywhere(std::string& path) { return choose(path, anywhere, true); }

bool DSF_LookupLibraryResourceMultiple(int lon, int lat, const std::string& path,
                                       std::vector<std::string>& results)
{
	return list_all(path, lib_region_cell(lon, lat), results);
}

bool DSF_LookupLibraryResourceAnywhereMultiple(const std::string& path, std::vector<std::string>& results)
{
	return list_all(path, anywhere, results);
}

// ---- locators -----------------------------------------------------------------------------------

namespace {

// Which candidate rows a kind takes.
enum : unsigned {
	grp_plain = 1,        // kind 0
	grp_texture = 2,      // kind 1 (Secondary: referred to by anything but terrain)
	grp_terrain_tex = 4,  // kind 1 referred to by terrain (Secondary only)
	grp_terrain = 8,      // kind 2
	grp_object = 16,      // kinds 3 to 7
	grp_other = 32,       // any other kind
	grp_all = 63,
};

enum base_kind {
	base_own,      // the package (NoLib) or the parent folder (Secondary)
	base_package,  // the package (NoLib) or the parent's package (Secondary)
	base_objects,  // obj_path
	base_none,     // the folder column alone
};

struct candidate_row {
	unsigned groups;
	base_kind base;
	char const* folder;
};

candidate_row const nolib_rows[] = {
    {grp_all, base_own, ""},
    {grp_texture | grp_terrain, base_package, "custom terrain textures:"},
    {grp_texture, base_package, "custom object textures:"},
    {grp_object, base_package, "custom objects:"},
    {grp_object, base_objects, ""},
    {grp_texture | grp_terrain, base_none, "Resources:bitmaps:terrain:"},
    {grp_plain | grp_texture | grp_terrain | grp_object, base_none, "Resources:"},
};

candidate_row const secondary_rows[] = {
    {grp_all, base_own, ""},
    {grp_terrain_tex | grp_terrain, base_package, "custom terrain textures:"},
    {grp_texture, base_package, "custom object textures:"},
    {grp_object, base_package, "custom objects:"},
    {grp_object, base_objects, ""},
    {grp_texture | grp_terrain_tex | grp_terrain, base_none, "Resources:bitmaps:terrain:"},
    {grp_plain | grp_texture | grp_terrain_tex | grp_terrain | grp_object, base_none, "Resources:"},
};

unsigned group_of(int kind)
{
	if (kind == 0) return grp_plain;
	if (kind == 1) return grp_texture;
	if (kind == 2) return grp_terrain;
	if (kind >= 3 && kind <= 7) return grp_object;
	return grp_other;
}

// The names a kind tries in each folder: a texture as ".png", then ".bmp".
std::vector<std::string> names_of(int kind, std::string const& path)
{
	if (kind != 1) return {path};
	if (path.size() <= 4) return {path, path};
	std::string const stem = path.substr(0, path.size() - 4);
	return {stem + ".png", stem + ".bmp"};
}

// A file to read: on this system a folder opens for reading too.
bool file_there(std::string const& candidate)
{
	if (!stays_inside(candidate)) return false;
	FILE* f = fopen((app_path + candidate).c_str(), "rb");
	if (!f) return false;
	struct stat st;
	bool const folder = fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode);
	fclose(f);
	return !folder;
}

std::vector<std::string> candidates(candidate_row const* rows, size_t row_count, unsigned groups,
                                    std::string const& own, std::string const& package,
                                    bool skip_empty_bases, int kind, std::string const& path)
{
	std::vector<std::string> out;
	std::vector<std::string> const names = names_of(kind, path);
	for (size_t r = 0; r < row_count; ++r) {
		candidate_row const& row = rows[r];
		if (!(row.groups & groups)) continue;
		std::string base;
		if (row.base == base_own)
			base = own;
		else if (row.base == base_package)
			base = package;
		else if (row.base == base_objects)
			base = obj_path;
		if (skip_empty_bases && (row.base == base_own || row.base == base_package) && base.empty()) continue;
		for (std::string const& name : names) {
			std::string candidate = base + row.folder + name;
			set_dir_chars(candidate);
			out.push_back(candidate);
		}
	}
	return out;
}

// The first candidate on disk into result; else, when asked, one log line per candidate.
template <class Line>
void search(std::vector<std::string> const& list, bool log_failure, std::string& result, Line line)
{
	for (std::string const& c : list)
		if (file_there(c)) {
			result = c;
			return;
		}
	if (!log_failure || list.empty()) return;
	std::lock_guard<std::mutex> hold(xer_lock);
	for (std::string const& c : list) xer << line(c) << "\n";
	xer.flush();
}

}  // namespace

void DSF_LocateResourceNoLib(int kind, const std::string& path, const std::string& package,
                             bool log_failure, std::string& result)
{
	result.clear();
	auto const list = candidates(nolib_rows, sizeof nolib_rows / sizeof nolib_rows[0], group_of(kind),
	                             package, package, false, kind, path);
	search(list, log_failure, result,
	       [&](std::string const& c) { return "Failed to find resource '" + path + "' at '" + c + "'"; });
}

void DSF_LocateResourceSecondary(int kind, int referrer_kind, const std::string& parent,
                                 const std::string& path, bool log_failure, std::string& result)
{
	result.clear();
	unsigned groups = group_of(kind);
	if (groups == grp_texture && referrer_kind == 2) groups = grp_terrain_tex;
	auto const list = candidates(secondary_rows, sizeof secondary_rows / sizeof secondary_rows[0], groups,
	                             parent, extract_package(parent), true, kind, path);
	search(list, log_failure, result, [&](std::string const& c) {
		return "Failed to find resource '" + path + "' (parent = '" + parent + "' at '" + c + "'";
	});
}

void DSF_LocateResourcePrimary(int lon, int lat, int kind, const std::string& path,
                               const std::string& package, bool log_failure, std::string& result)
{
	std::string found = path;
	if (DSF_LookupLibraryResource(lon, lat, found)) {
		result = found;
		return;
	}
	DSF_LocateResourceNoLib(kind, path, package, log_failure, result);
}

void DSF_LocateResourcePrimaryMultiple(int lon, int lat, int kind, const std::string& path,
                                       const std::string& package, bool log_failure,
                                       std::vector<std::string>& results)
{
	DSF_LookupLibraryResourceMultiple(lon, lat, path, results);
	std::string found;
	DSF_LocateResourceNoLib(kind, path, package, log_failure && results.empty(), found);
	if (!found.empty()) results.push_back(found);
}

void DSF_LocateResourceSecondaryMultipleWithLibrary(int lon, int lat, int kind, int referrer_kind,
                                                    const std::string& parent, const std::string& path,
                                                    bool log_failure, std::vector<std::string>& results)
{
	DSF_LookupLibraryResourceMultiple(lon, lat, path, results);
	std::string found;
	DSF_LocateResourceSecondary(kind, referrer_kind, parent, path, log_failure && results.empty(), found);
	if (!found.empty()) results.push_back(found);
}

std::string extract_package(const std::string& path)
{
	std::string p = path, c = cus_path, d = def_path;
	set_dir_chars(p);
	set_dir_chars(c);
	set_dir_chars(d);
	for (std::string const* prefix : {&c, &d}) {
		if (p.compare(0, prefix->size(), *prefix) != 0) continue;
		size_t const sep = p.find_first_of("\\/:", prefix->size());
		if (sep != std::string::npos) return p.substr(0, sep + 1);
	}
	return std::string();
}
