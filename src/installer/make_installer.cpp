// The builder's settings, the rules that decide what goes into a set, and the
// walk of the master tree.
//
// Index: settings and fixed paths - walk state - name rules (is_good_file,
// path_is_dvd_only, want_reg, chop_platform) - the walk. The progress
// frames the walk shows are drawn in make_installer_frame.cpp.
#include "installer/make_installer.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include <cerrno>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/io_utils.h"
#include "foundation/xmap.h"

// ---- settings and fixed paths ------------------------------------------------

std::string sim_name = "Skyrell 8.50 Beta 8";
std::string old_dir_path = "/VOLUMES/Internal/directory85007.txt";
std::string src_fold = "/VOLUMES/Internal/Skybase Reference/";
std::string dst_fold_base = "/VOLUMES/Internal/-DVD uploads-/";
std::string dst_fold;
int is_dvd = 0;
int reg = 0;

std::string const ALL_str = "All";
std::string const APL_str = "Macintosh";
std::string const WIN_str = "Windows";
std::string const X86_str = "Linux Generic x86";
std::string const ITL_str = "Linux Pentium 3";
std::string const AMD_str = "Linux Athlon XP";

std::string str_all_fold, str_apl_fold, str_win_fold, str_X86_fold, str_ITL_fold, str_AMD_fold;
std::string str_bundle, str_afl_fold, str_acf_fold, str_pfc_fold, str_ins_fold, str_men_file;
std::string str_out_fold, str_wpn_fold, str_res_fold, str_cus_fold, str_plug, str_terrain;
std::string str_orbt, str_erth, str_mars, str_moon, str_mars_env, str_tex_file;

void builder_set_paths()
{
	std::string const all = src_fold + ALL_str + "/";
	str_all_fold = all;
	str_apl_fold = src_fold + APL_str + "/";
	str_win_fold = src_fold + WIN_str + "/";
	str_X86_fold = src_fold + X86_str + "/";
	str_ITL_fold = src_fold + ITL_str + "/";
	str_AMD_fold = src_fold + AMD_str + "/";
	str_bundle = src_fold + APL_str + "/" + "OS-X Joystick.bundle/";
	str_afl_fold = all + "Airfoils/";
	str_acf_fold = all + "Aircraft/";
	str_pfc_fold = all + "PFC Aircraft/";
	str_ins_fold = all + "Instructions/";
	str_men_file = all + "Resources/menus/English/Skyrell.txt";
	str_out_fold = all + "Output/";
	str_wpn_fold = all + "Weapons/";
	str_res_fold = all + "Resources/";
	str_cus_fold = all + "Custom Scenery/";
	str_plug = all + "Resources/plugins/";
	str_terrain = all + "Resources/default scenery/820 world terrain/";
	str_orbt = all + "Resources/bitmaps/Earth Orbit Textures/";
	str_erth = all + "Resources/default scenery/DSF 820 Earth/";
	str_mars = all + "Resources/default scenery/DSF 830 Mars/";
	str_moon = all + "Resources/default scenery/DSF 830 Moon/";
	str_mars_env = all + "Resources/Mars nav data/";
	str_tex_file = all + "Resources/text/English/Skyrell.txt";
}

std::string erth_build_name[11] = {"Skyrell 8.50 Beta 8", "South America", "USA", "Canada",
                                   "Europe", "Africa", "Asia", "Australia",
                                   "West Mars", "East Mars", "Moon"};

// ---- walk state --------------------------------------------------------------

int found_all_fold = 0, found_apl_fold = 0, found_win_fold = 0, found_X86_fold = 0, found_ITL_fold = 0,
    found_AMD_fold = 0;
int found_bundle = 0, found_afl_fold = 0, found_acf_fold = 0, found_ins_fold = 0, found_out_fold = 0,
    found_wpn_fold = 0;
int found_res_fold = 0, found_cus_fold = 0, found_plug = 0, found_terrain = 0, found_men_file = 0,
    found_tex_file = 0;

int num_files_rec = 0;
int num_files_use = 0;
std::vector<std::string> files;
std::set<std::string> paths;

// ---- name rules ----------------------------------------------------------------

// The name rules look only below the master tree, never at the folders the
// operator keeps it in.
std::string below_master(std::string const& path)
{
	return path.compare(0, src_fold.size(), src_fold) == 0 ? path.substr(src_fold.size()) : path;
}

void split_name(std::string const& path, std::string* folder, std::string* name)
{
	size_t cut = std::string::npos;
	for (size_t i = 0; i + 1 < path.size(); ++i)
		if (path[i] == '\\' || path[i] == ':' || path[i] == '/') cut = i;
	*folder = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
	*name = cut == std::string::npos ? path : path.substr(cut + 1);
}

namespace {

bool has(std::string const& path, std::string const& text) { return path.find(text) != std::string::npos; }

bool ends(std::string const& path, std::string const& text)
{
	return path.size() >= text.size() && path.compare(path.size() - text.size(), text.size(), text) == 0;
}

void fatal(std::string const& l1, std::string const& l2, std::string const& l3, std::string const& l4, int line)
{
	__VEDEZE_alert(0, l1, l2, l3, l4, ALERT_fatal, "make_installer", line);
}

// The 28 stems of the shared terrain files and the 17 lit textures.
char const* const kTerrainStems[28] = {
    "dry_cityhill_irr",       "hiland_crp_irr",        "hiland_crp_sq",      "hiland_crphill_irr",
    "hiland_crphill_sq",      "hiland_crptwn_irr",     "hiland_crptwn_sq",   "north2_city_irr_twn",
    "north_crp_irr",          "north_crp_sq",          "north_crphill_irr",  "north_crphill_sq",
    "north_crptwn_sq",        "semidry_crphill_irr",   "semidry_crphill_sq", "semidry_crptwnhill_irr",
    "semidry_crptwnhill_sq",  "temp_crp_sq",           "temp_crphill_irr",   "temp_crphill_sq",
    "trop_crp_irr",           "trop_crp_sq",           "trop_crphill_irr",   "trop_crphill_sq",
    "trop_crptwn_irr",        "trop_crptwn_sq",        "trop_crptwnhill_irr", "trop_crptwnhill_sq"};
char const* const kLitTextures[17] = {
    "hiland_crphill_LIT.png", "north_crp_irr_LIT.png",   "north_crptwnhill_LIT.png", "temp_crp_sq_LIT.png",
    "temp_crphill_LIT.png",   "dry_crp_irr2_LIT.png",    "dry_crphill2_LIT.png",     "dry_crphill_LIT.png",
    "dry_crptwnhill_LIT.png", "hiland_crp_irr_LIT.png",  "hiland_crptwn_irr_LIT.png", "north_crp_sq2_LIT.png",
    "temp_crp_irr2_LIT.png",  "temp_crp_sq2_LIT.png",    "temp_crphill2_LIT.png",    "trop_crp_LIT.png",
    "north_crp_irr2_LIT.png"};

std::set<std::string> const& shared_terrain()
{
	static std::set<std::string> const list = [] {
		std::set<std::string> s;
		for (char const* stem : kTerrainStems)
			for (char d = '1'; d <= '4'; ++d) s.insert(std::string("terrain/") + stem + d + ".ter");
		for (char const* tex : kLitTextures) s.insert(std::string("textures/human/") + tex);
		return s;
	}();
	return list;
}

}  // namespace

int path_is_dvd_only(std::string path)
{
	std::string const rest = path.size() > str_terrain.size() ? path.substr(str_terrain.size()) : std::string();
	return shared_terrain().count(rest) ? 0 : 1;
}

int is_good_file(std::string path, int content_flag, int check_content)
{
	if (content_flag == 0 && check_content != 0 && !is_sim_link(path.c_str(), nullptr)) {
		xmap_class map(path);
		if (!map.begin) {
			// Empty, missing or not a file: left out. A file with bytes that
			// cannot be read would be left out too and then announced as
			// deleted, so it stops the build instead.
			struct stat st;
			if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
				int const fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
				int const err = fd < 0 ? errno : EIO;
				if (fd >= 0) close(fd);
				fatal("I could not read a file of the master tree!", error_str(err), path, "", __LINE__);
			}
			return 0;
		}
	}

	std::string const rel = below_master(path);
	for (char const* text : {"Thumbs.db", "work.", "._", ".DS_Store", ".sandboxinfo", ".xSYM"})
		if (has(rel, text)) return 0;
	if (ends(rel, ".ovw") || ends(rel, ".ac")) return 0;
	if (has(rel, "serverlist.txt") || has(rel, "Skyrell Pilot.txt")) return 0;
	for (char const* text : {".prf", ".fms", ".sit", ".mov"})
		if (ends(rel, text)) return 0;
	if (has(path, str_mars_env) && ends(rel, ".env")) return 0;

	if (has(path, str_terrain) && path_is_dvd_only(path)) return is_dvd == 1 && reg == 0 ? 1 : 0;
	if (has(path, str_pfc_fold)) return 0;

	bool const tile = ends(rel, ".dsf") && (has(path, str_erth) || has(path, str_mars) || has(path, str_moon));
	if (is_dvd == 0) return tile || has(path, str_orbt) ? 0 : 1;
	if (is_dvd == 1 && reg == 0) return tile ? 0 : 1;
	if (is_dvd == 1 && reg >= 1 && reg <= 10) {
		std::string const& below = reg <= 7 ? str_erth : reg <= 9 ? str_mars : str_moon;
		return tile && has(path, below) && want_reg(path) ? 1 : 0;
	}
	fatal("I can not tell what type of install this is!", "", "", "", __LINE__);
	return 0;
}

int want_reg(std::string path)
{
	std::string folder, name;
	split_name(path, &folder, &name);

	int const lat = str_to_int(name.substr(0, 3));
	if (lat < -60 || lat > 60) fatal("Out of range lat!", path, name, "", __LINE__);
	int const lon = str_to_int(name.size() > 3 ? name.substr(3, 4) : std::string());
	if (lon < -180 || lon > 180) fatal("Out of range lon!", path, name, "", __LINE__);

	switch (reg) {
	case 0: return 0;
	case 1: return lon >= -180 && lon <= -21 && lat >= -90 && lat <= 23;
	case 2: return lon >= -180 && lon <= -21 && lat >= 24 && lat <= 48;
	case 3: return lon >= -180 && lon <= -21 && lat >= 49 && lat <= 90;
	case 4: return lon >= -20 && lon <= 45 && lat >= -90 && lat <= 35;
	case 5: return lon >= -20 && lon <= 45 && lat >= 36 && lat <= 90;
	case 6: return lon >= 46 && lon <= 100;
	case 7: return lon >= 101 && lon <= 179;
	case 8: return lon < 0;
	case 9: return lon >= 0;
	case 10: return 1;
	}
	fatal("Asking for a region i have not defined!", "", "", "", __LINE__);
	return 0;
}

void chop_platform(std::string& path, int platform)
{
	size_t const slash = path.find('/');
	if (slash == std::string::npos) {
		fatal("Could not find the dir char!", path, "", "", __LINE__);
		return;
	}
	static char const* const prefix[6] = {"ALL_os", "APL_os", "IBM_os", "LINX86_os", "LINITL_os", "LINAMD_os"};
	path = (platform >= 0 && platform <= 5 ? prefix[platform] : "") + path.substr(slash);
}

// ---- the walk --------------------------------------------------------------------

namespace {

void set_found_folder(std::string const& full)
{
	struct flag_path {
		int* flag;
		std::string const* path;
	};
	flag_path const table[] = {
	    {&found_all_fold, &str_all_fold}, {&found_apl_fold, &str_apl_fold}, {&found_win_fold, &str_win_fold},
	    {&found_X86_fold, &str_X86_fold}, {&found_ITL_fold, &str_ITL_fold}, {&found_AMD_fold, &str_AMD_fold},
	    {&found_bundle, &str_bundle},     {&found_afl_fold, &str_afl_fold}, {&found_acf_fold, &str_acf_fold},
	    {&found_ins_fold, &str_ins_fold}, {&found_out_fold, &str_out_fold}, {&found_wpn_fold, &str_wpn_fold},
	    {&found_res_fold, &str_res_fold}, {&found_cus_fold, &str_cus_fold}, {&found_plug, &str_plug},
	    {&found_terrain, &str_terrain}};
	for (flag_path const& f : table)
		if (full == *f.path) *f.flag = 1;
}

bool all_folder_allowed(std::string const& name_with_slash)
{
	for (char const* ok : {"Aircraft/", "Airfoils/", "Instructions/", "Output/", "PFC Aircraft/", "Resources/",
	                       "Weapons/", "Custom Scenery/"})
		if (name_with_slash == ok) return true;
	return false;
}

int list_folder(std::string const& folder)
{
	// An unreadable folder would list as empty, and everything the last
	// release had in it would be announced as deleted.
	DIR* d = opendir(folder.c_str());
	if (!d) fatal("I could not read a folder of the master tree!", error_str(errno), folder, "", __LINE__);
	else closedir(d);
	return opensave_getitems_in(folder, 0);
}

}  // namespace

void pref_level(std::string* folder)
{
	std::string const here = *folder;
	int count = list_folder(here);
	if (count > 2998) fatal("This folder has too many files in it!", here, "", "", __LINE__);

	for (int i = 0; i < count; ++i) {
		// The listing is one shared table that the walk below overwrites.
		std::string const full = g_path_rel[i];
		std::string const name = g_file[i];
		bool const is_folder = !full.empty() && full.back() == '/';

		if (!name.empty() && name.back() == ' ')
			fatal("YOU IDIOT!", "You tried to include a file or directory with a space at the end!",
			      "One operating system refuses such names while the other takes them!", full, __LINE__);
		// The directory file is read line by line and drops the blanks that
		// begin a name: such a name would come back as another one.
		if (name.find_first_of("\r\n") != std::string::npos ||
		    (!is_folder && !name.empty() && (name[0] == ' ' || name[0] == '\t')))
			fatal("YOU IDIOT!", "You tried to include a file or directory whose name the directory file can not hold!",
			      "Line breaks, and blanks or tabs at the start of a file name, are lost when it is read!", full,
			      __LINE__);
		if (has(full, ":")) fatal("YOU IDIOT!", "found a  : in the path!", full, "", __LINE__);
		if (has(full, "\\")) fatal("YOU IDIOT!", "found a \\ in the path!", full, "", __LINE__);

		if (is_folder) {
			set_found_folder(full);
			if (here == str_all_fold && !all_folder_allowed(name + "/"))
				fatal("What the hell is THIS doing in here!?!?!?", g_path_rel[i], full, name, __LINE__);
			std::string sub = full;
			pref_level(&sub);
			count = list_folder(here);
			continue;
		}

		if (full == str_men_file) found_men_file = 1;
		if (full == str_tex_file) found_tex_file = 1;
		std::string const rel = below_master(full);
		if (has(rel, "copy")) fatal("YOU IDIOT!", "found a copy file!", full, "", __LINE__);
		if (has(rel, ".cpp")) fatal("YOU IDIOT!", "found a .cpp file!", full, "", __LINE__);
		if (has(rel, ".CPP")) fatal("YOU IDIOT!", "found a .CPP file!", full, "", __LINE__);
		if (has(rel, "All") && has(rel, "bundle")) fatal("YOU IDIOT!", "found my joybund!", full, "", __LINE__);
		if (here == str_all_fold)
			fatal("YOU IDIOT!", "I FOUND A FILE INSIDE THE 'ALL' FOLDER! WE SHOULD ONLY HAVE FOLDERS THERE!", full, "",
			      __LINE__);

		++num_files_rec;
		if (is_good_file(full, 0, 1)) {
			++num_files_use;
			files.push_back(full);
			std::string out = dst_fold + sim_name + "/" + below_master(full);
			for (size_t cut; (cut = out.rfind('/')) != std::string::npos;) {
				out.erase(cut);
				if (!out.empty() && out.size() >= dst_fold_base.size()) paths.insert(out);
			}
		}

		if (num_files_rec % 400 == 0)
			builder_progress_frame("reg: " + std::to_string(reg) + ": total files recursed: " +
			                           std::to_string(num_files_rec) + ". will compress: " +
			                           std::to_string(num_files_use) + ".",
			                       full);
	}
}
