// The scenery library: the installed scenery packages in priority order, the
// virtual paths their library files export, the lookups that resolve a
// virtual path for a 1-degree tile, and the locators that find a scenery
// file's resources on disk.
//
// Index: paths and the package list - library records - scan and
// registration - error reports - lookups - locators.
//
// Paths are relative to app_path. Nothing here locks: a scan must not run
// while lookups read the library.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// ---- paths and the package list -----------------------------------------------
extern std::string cus_path;  // the user's scenery packages
extern std::string def_path;  // the packages that ship with the simulator
extern std::string obj_path;  // the shared object folder

// Parallel, index = priority (0 highest); package paths end in "/".
extern std::vector<std::string> scenery_packages;
extern std::vector<int> package_problems;   // 1 once a report blamed the package
extern std::vector<int> package_is_custom;  // 1 under cus_path, 0 under def_path

// ---- library records --------------------------------------------------------------
int const lib_region_cells = 360 * 180;

// Cell of a tile, or -1 for a tile outside -180..179 / -90..89.
int lib_region_cell(int lon, int lat);

struct lib_region {
	std::string name;
	unsigned char mask[lib_region_cells];  // cell (lon + 180) * 180 + (lat + 90); 1 = inside
};

uint32_t const lib_ratio_mask = 0xFFFFFF;
uint32_t const lib_group_end = 0x1000000;

struct lib_entry {
	lib_entry* next;     // the next older entry of the same virtual path
	lib_region* region;  // null: applies everywhere
	int package;         // index in scenery_packages
	uint32_t ratio_word; // ratio in the low 24 bits, lib_group_end
	std::string real_path;  // relative to the package folder
};

// Virtual path -> newest entry of its chain.
extern std::map<std::string, lib_entry*> dsf_library;
// Region names of the library file being read.
extern std::map<std::string, lib_region*> dsf_regions;

// ---- scan and registration -----------------------------------------------------------
// Rebuilds the package list and the library, releasing the previous ones.
void DSF_ScanSceneryFolder();
// Links entry in front of its chain; the library takes ownership of it.
void DSF_RegisterEntry(const std::string& virtual_path, lib_entry* entry, int extend);

// ---- error reports ----------------------------------------------------------------------
// Logs the message against scenery_file and blames the package that holds it:
// one alert per package and scan, or an alert for a file outside every package.
void __DSF_NonFatalError(const char* source_file, int source_line, const char* scenery_file,
                         const char* format, ...) __attribute__((format(printf, 4, 5)));
// The same, then the fatal alert.
void __DSF_FatalError(const char* source_file, int source_line, const char* scenery_file,
                      const char* format, ...) __attribute__((format(printf, 4, 5)));

// ---- lookups ---------------------------------------------------------------------------
// A weighted random choice within the virtual path's group; path becomes the
// chosen package path + real path. False (path unchanged) when nothing applies.
bool DSF_LookupLibraryResource(int lon, int lat, std::string& path);
// Every entry of every package that exports the path.
bool DSF_LookupLibraryResourceAnywhere(std::string& path);
// Each applicable path of the group, as many times as its ratio.
bool DSF_LookupLibraryResourceMultiple(int lon, int lat, const std::string& path,
                                       std::vector<std::string>& results);
bool DSF_LookupLibraryResourceAnywhereMultiple(const std::string& path,
                                               std::vector<std::string>& results);

// ---- locators ------------------------------------------------------------------------------
// Kinds: 0 plain resource, 1 texture (".png", then ".bmp"), 2 terrain
// texture, 3 to 7 object; any other kind looks only beside the referrer.
void DSF_LocateResourceNoLib(int kind, const std::string& path, const std::string& package,
                             bool log_failure, std::string& result);
void DSF_LocateResourcePrimary(int lon, int lat, int kind, const std::string& path,
                               const std::string& package, bool log_failure, std::string& result);
void DSF_LocateResourcePrimaryMultiple(int lon, int lat, int kind, const std::string& path,
                                       const std::string& package, bool log_failure,
                                       std::vector<std::string>& results);
void DSF_LocateResourceSecondary(int kind, int referrer_kind, const std::string& parent,
                                 const std::string& path, bool log_failure, std::string& result);
void DSF_LocateResourceSecondaryMultipleWithLibrary(int lon, int lat, int kind, int referrer_kind,
                                                    const std::string& parent, const std::string& path,
                                                    bool log_failure,
                                                    std::vector<std::string>& results);
// The scenery package folder that holds path, or "".
std::string extract_package(const std::string& path);
