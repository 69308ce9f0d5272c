// Files from the widget set: the folder-picker row, which hands the choice to
// the desktop's folder chooser. The in-window file browser is butn_opensave.
#include <climits>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "graphics/oglp_font.h"
#include "shell/butn.h"
#include "shell/butn_util.h"
#include "shell/hl_dialog.h"

using butn_util::cell;
using butn_util::mouse_in;

// ---- folder-picker row ----------------------------------------------------------------

namespace {

bool is_separator(char c) { return c == '\\' || c == ':' || c == '/'; }

// The text after the last separator before the final character (so a folder
// path shows its own name with its separator); the whole path without one.
std::string last_component(std::string const& path)
{
	if (path.size() < 2) return path;
	for (size_t i = path.size() - 1; i-- > 0;)
		if (is_separator(path[i])) return path.substr(i + 1);
	return path;
}

// The arguments both rows check; false after the fatal alert.
bool select_args_ok(int open_save, int file_path, int file_type, char const* name, int line)
{
	std::string const tail = std::string(" arg to ") + name + "!";
	if (open_save != 998 && open_save != 999) {
		butn_util::fatal("Bad open_save" + tail, "", "", "", line);
		return false;
	}
	if (file_path != 0 && file_path != 1) {
		butn_util::fatal("Bad file_path" + tail, "", "", "", line);
		return false;
	}
	if (file_type < 0 || file_type > 17) {
		butn_util::fatal("Bad file_type" + tail, "", "", "", line);
		return false;
	}
	return true;
}

}  // namespace

int BTN_select_file_stl(float x, float y, int open_save, int file_path, int file_type, std::string* path,
                        std::string label)
{
	if (!select_args_ok(open_save, file_path, file_type, "BTN_select_file_stl", __LINE__)) return 0;
	std::string left, right, help;
	BTN_expand_label(label, &left, &right, &help);

	int result = 0;
	if (butn_util::no_menu() && mouse_in(x - 28, x - 6, y - 8, y + 12)) {
		butn_util::show_help(help);
		if (mnw.click_down) {
			std::vector<char> chosen(PATH_MAX, 0);
			if (GetFilePathFromUser(2, "Please pick an Skybase to update", "Update", 0, nullptr, chosen.data())) {
				*path = chosen.data();
				result = 1;
			}
		}
	}

	BTN_util_draw_label(x - 28, y, 0, left, 0);
	cell(x - 17 - 13, x - 17 + 13, y + 3 - 13, y + 3 + 13, 208, 234, 133, 159, 0);
	BTN_frame1(9, x + 242, y + 3, 500, 0);
	OGL_string(44, x, y, last_component(*path), 9999, 100);
	BTN_util_draw_label(x + 500, y, 1, right, 0);
	return result;
}

int BTN_select_file_chr(float x, float y, int open_save, int file_path, int file_type, char* path, int max,
                        std::string label)
{
	if (!select_args_ok(open_save, file_path, file_type, "BTN_select_file_chr", __LINE__)) return 0;
	std::string text = path;
	int const result = BTN_select_file_stl(x, y, open_save, file_path, file_type, &text, label);
	if (max < 1) return result;
	if (text.size() > static_cast<size_t>(max - 1)) text.resize(static_cast<size_t>(max - 1));
	// A text of 500 characters or more is "String too long!".
	strcpy_limit(path, text.c_str());
	return result;
}
