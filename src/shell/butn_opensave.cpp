// The in-window file browser: a modal open or save screen (998 or 999) that
// walks the folders below the program's folder with the name list and a
// pop-up of the current folder's ancestors, and hands back a name or a path
// relative to the program's folder.
//
// Index: start folder and names - folder levels - comment of a folder file -
// the browser.
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/io_utils.h"
#include "foundation/xmap.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "shell/butn.h"
#include "shell/butn_util.h"
#include "shell/hl_mnw.h"

namespace {

bool is_separator(char c) { return c == '\\' || c == ':' || c == '/'; }

// The listing refuses (fatally) a folder path longer than this.
size_t const max_listed_path = 499;

int const max_ancestors = 300;

struct default_folder {
	int type;
	char const* folder;
};
default_folder const default_folders[] = {
    {9, "Output:situations:"},          {10, "Output:movies:"},
    {11, "Output:logbooks:"},           {12, "Output:FMS plans:"},
    {14, "Roadell Output:tracks:"},     {15, "Roadell Output:cars:"},
    {16, "Voidstrike Resources:spaceships:"}, {17, "Voidstrike Resources:regions:"},
};

char const* const save_extensions[18] = {"",     "",     ".BMP", ".ACF", ".AFL", ".WPN", ".WAV", ".OBJ", "",
                                         ".SIT", ".SMO", ".TXT", ".FMS", "",     ".TRA", ".CAR", ".SPA", ".REG"};

// Whether every entry of the folder has a path from the program's folder
// that the listing can take: it ends the program on a longer one.
bool paths_fit(std::string const& folder)
{
	std::string const full = app_path + folder;
	DIR* dir = opendir(full.empty() ? "." : full.c_str());
	if (!dir) return true;  // the listing finds nothing either
	bool fit = true;
	while (dirent* e = readdir(dir)) {
		std::string const name = e->d_name;
		size_t const len = folder.size() + name.size();
		if (name == "." || name == ".." || len < max_listed_path) continue;
		struct stat st;  // a folder's path takes a separator more
		if (len > max_listed_path || (lstat((full + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
			fit = false;
			break;
		}
	}
	closedir(dir);
	return fit;
}

// The working folder's entries; a folder the listing cannot take shows as
// empty.
int list_folder(int file_type)
{
	set_dir_chars(wrk_path);
	return paths_fit(wrk_path) ? opensave_getitems(file_type) : 0;
}

}  // namespace

// ---- start folder and names -----------------------------------------------------------

void BTN_opensave_start_folder(int file_type, std::string const& path)
{
	for (default_folder const& d : default_folders)
		if (d.type == file_type) {
			wrk_path = d.folder;
			return;
		}
	if (std::none_of(path.begin(), path.end(), is_separator)) return;
	// The first and last characters are not examined: a folder path starts
	// in its parent.
	std::string folder;
	for (size_t i = path.size() - 1; i-- > 1;)
		if (is_separator(path[i])) {
			folder = path.substr(0, i + 1);
			break;
		}
	// A folder the listing cannot take leaves the browser where it was.
	if (folder.size() <= max_listed_path) wrk_path = folder;
}

std::string BTN_opensave_save_name(int file_type, std::string name)
{
	// A separator would save outside the folder shown (or above the
	// program's folder with ".."); an empty name would give the bare
	// extension or the folder itself.
	if (name.empty() || std::any_of(name.begin(), name.end(), is_separator)) return "";
	if (name.size() > 4 && name[name.size() - 4] == '.') name.resize(name.size() - 4);
	if (file_type >= 0 && file_type <= 17) name += save_extensions[file_type];
	if (name == "." || name == "..") return "";
	return name;
}

// ---- folder levels ----------------------------------------------------------------------

BTN_opensave_folders BTN_opensave_levels(std::string const& folder)
{
	BTN_opensave_folders out;
	out.ancestors.assign(1, "");
	// One item for each ancestor: the pop-up ends the program at its 301st.
	std::vector<std::string> items(1, "Skybase folder");
	size_t const len = folder.size();
	if (len > 1) {
		size_t i = 0;
		for (int k = 0;; ++k) {
			size_t const stop = folder.find('/', i);
			std::string component = folder.substr(i, stop == std::string::npos ? std::string::npos : stop - i);
			size_t const own_len = component.size();
			// The pop-up separates its items with '-' and refuses '|'.
			std::replace(component.begin(), component.end(), '-', ' ');
			std::replace(component.begin(), component.end(), '|', ' ');
			out.levels.push_back({component, 30.0f + 10.0f * static_cast<float>(k),
			                      405.0f - 10.0f * static_cast<float>(k)});
			std::string ancestor = folder.substr(0, std::min(len, i + own_len + 1));
			if (static_cast<int>(out.ancestors.size()) < max_ancestors) {
				out.ancestors.push_back(ancestor);
				items.push_back(component);
			} else {
				out.ancestors.back() = ancestor;
				items.back() = component;
			}

			size_t next = i + 1;
			while (next < len - 1 && !is_separator(folder[next - 1])) ++next;
			if (next >= len - 1) break;
			i = next;
		}
	}
	for (std::string const& item : items) out.items += (out.items.empty() ? "" : "-") + item;
	return out;
}

// ---- comment of a folder file -------------------------------------------------------------

std::string BTN_opensave_fdr_comment(std::string const& rel_path)
{
	// The file mapper ends the program on a longer path.
	if (app_path.size() + rel_path.size() > max_listed_path) return "";
	xmap_class map(rel_path);
	if (!map.begin) return "";
	// Any version of the text header will do: only the comment is read.
	map.cursor = map.begin;
	map.TXT_byt_scan();
	map.TXT_str_scan_eoln(nullptr);
	int versions[2] = {map.TXT_int_scan(), 0};
	if (!map.check_file(xmap_type_text, versions, nullptr, nullptr)) return "";

	map.cursor = map.begin;
	while (map.cursor < map.end) {
		std::string token;
		map.TXT_str_scan_comma(&token);
		bool const comma = map.cursor > map.begin && map.cursor[-1] == ',';
		if (strcasecmp(token.c_str(), "COMM") == 0) {
			std::string comment;
			// The character after the comma is skipped unless it ends the
			// line, which would make the next line the comment.
			if (comma) {
				if (map.cursor < map.end && *map.cursor != '\n' && *map.cursor != '\r' && *map.cursor != 0)
					map.TXT_byt_scan();
				map.TXT_str_scan_eoln(&comment);
			}
			return comment;
		}
		// A field that ended its line has taken the line end already.
		if (comma)
			map.TXT_str_scan_eoln(nullptr);
		else
			map.TXT_prv_scan();
	}
	return "";
}

// ---- the browser -----------------------------------------------------------------------------

int BTN_opensave(int open_save, int file_path, int file_type, std::string* path)
{
	static int level = 0;
	static std::string fdr_path;
	static std::string comment;

	if (open_save != 998 && open_save != 999) {
		butn_util::fatal("Bad open_save arg to BTN_opensave!", "", "", "", 1105);
		return 0;
	}
	if (file_path != 0 && file_path != 1) {
		butn_util::fatal("Bad file_path arg to BTN_opensave!", "", "", "", 1106);
		return 0;
	}
	if (file_type < 0 || file_type > 17) {
		butn_util::fatal("Bad file_type arg to BTN_opensave!", "", "", "", 1107);
		return 0;
	}
	bool const saving = open_save == 999;

	int const back = mnw.cur_win;
	// The file may have been rewritten since the last browser read it.
	fdr_path.clear();
	BTN_opensave_start_folder(file_type, *path);
	int count = list_folder(file_type);
	int hover = count / 2, current = count / 2;
	VEDEZE_startwind(open_save);
	// A Return that led here must not choose in a browser not yet seen.
	return_hit = 0;

	while (mnw.cur_win == open_save) {
		OGL_plot_back_col();
		BTN_fillwin(1, 21);
		count = list_folder(file_type);
		int const clicked = BTN_big_name_list(open_save, 0, 20, 180, 0, 0, &current, &hover, 0, count - 1, nullptr,
		                                      nullptr);
		bool const listed = count > 0 && hover >= 0 && hover < count;
		BTN_frame2(15, 20, 300, io_dx, 120, "");
		BTN_frame1(9, io_cx, 52, io_dx, 0);

		std::string name;
		if (saving) {
			if (stl_input.size() > 30) stl_input.resize(30);
			float const w = BTN_text_width(stl_input);
			OGL_line(44, mnw.pulse, 26 + w, 48, 26 + w, 55);
			name = stl_input;
		} else if (listed) {
			name = g_file[hover];
		}
		OGL_string(44, 25, 49, name, 510, 100);

		BTN_opensave_folders folders;
		if (file_type == FTYPE_fdr) {
			folders.ancestors.assign(1, "");
			folders.items = "Skybase folder";
			if (listed && g_path_rel[hover] != fdr_path) {
				fdr_path = g_path_rel[hover];
				comment = BTN_opensave_fdr_comment(fdr_path);
			}
			if (listed && !comment.empty()) OGL_string(46, 30, 405, comment, io_dx - 10, 100);
		} else {
			folders = BTN_opensave_levels(wrk_path);
			for (BTN_opensave_level const& l : folders.levels) OGL_string(46, l.x, l.y, l.text, 9999, 100);
		}
		for (int k = static_cast<int>(folders.ancestors.size()) - 1; k >= 0; --k)
			if (folders.ancestors[static_cast<size_t>(k)] == wrk_path) {
				level = k;
				break;
			}

		if (saving && BTN_action(282, 28, 0, 0, 1, "Save")) return_hit = 1;

		if (BTN_textlist(mnw.win_dx / 2, 438, &level, folders.items, "")) {
			if (level >= 0 && level < static_cast<int>(folders.ancestors.size()))
				wrk_path = folders.ancestors[static_cast<size_t>(level)];
		} else if (saving && return_hit) {
			std::string const saved = BTN_opensave_save_name(file_type, stl_input);
			if (!saved.empty()) {
				stl_input = saved;
				*path = file_path == 0 ? stl_input : wrk_path + stl_input;
				VEDEZE_startwind(back);
				return_hit = 0;  // taken here, not by the screen below
				return 1;
			}
		} else if ((clicked || return_hit) && listed) {
			if (g_file_type[hover] == FTYPE_folder) {
				wrk_path += g_file[hover] + "/";
				count = list_folder(file_type);
				hover = count / 2;
			} else if (!saving) {
				*path = file_path == 0 ? g_file[hover] : g_path_rel[hover];
				VEDEZE_startwind(back);
				return_hit = 0;
				return 1;
			}
		}

		// The label is an interface text the application may set; without
		// one the button would be blank.
		if (BTN_action(42, 28, 0, 0, 1, stls.text[STL_browse_cancel].empty() ? "Cancel" : stls.text[STL_browse_cancel])) {
			VEDEZE_startwind(back);
			return 0;
		}
		VEDEZE_event_proc();
	}
	return 0;
}
