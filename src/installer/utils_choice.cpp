// Which listed files an install fetches, deletes or leaves alone, and the
// question asked about a file the user has modified.
//
// Index: folders - choose_files - select_alert.
#include <map>
#include <mutex>

#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "graphics/oglp_glyph.h"
#include "installer/utils.h"
#include "shell/butn.h"
#include "shell/hl_mnw.h"

select_alert_fn choose_files_ask = select_alert;

// ---- folders ------------------------------------------------------------------------

std::string file_folder(std::string const& path)
{
	if (path.size() < 2) return std::string();
	size_t const cut = path.find_last_of("/:\\", path.size() - 2);
	return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

namespace {

bool listed(std::vector<std::string> const& folders, std::string const& folder)
{
	for (std::string const& f : folders)
		if (f == folder) return true;
	return false;
}

bool any_version_has(file_history_struct const& h, std::string const& sig)
{
	for (file_version_struct const& v : h.versions)
		if (v.sig_want == sig) return true;
	return false;
}

}  // namespace

// ---- choose_files ---------------------------------------------------------------------

int choose_files()
{
	std::vector<std::string> act, leave;

	// A file can move between platform folders of the release, or change the
	// letter case of its name, and still be the same file on disk: every
	// listed path that lands there is consulted, so the move is neither taken
	// for a modification nor undone by deleting what the other path installs.
	std::map<std::string, std::vector<int>> landing;
	std::vector<std::string> const keys = landing_keys();
	int const paths = static_cast<int>(sim_info.size());
	for (int i = 0; i < paths; ++i)
		if (!sim_info[i].versions.empty()) landing[keys[i]].push_back(i);

	for (int i = 0; i < paths; ++i) {
		if (sim_info[i].versions.empty()) continue;
		int const last = static_cast<int>(sim_info[i].versions.size()) - 1;
		file_version_struct& v = sim_info[i].versions[last];
		bool const gone = v.sig_want == "GONE";
		std::string const local = installed_path(v.name);
		std::vector<int> const& same_place = landing[keys[i]];
		bool other_installs = false;
		for (int j : same_place) other_installs = other_installs || (j != i && installs_file(j));
		int want = want_this_f(i, last, v.flag);
		if (want) {
			if (gone && other_installs) {
				want = 0;  // the release still ships this file: never deleted, never asked about
			} else if (v.sig_have == "NONE") {
				if (gone) want = 0;
			} else if (v.sig_have == v.sig_want) {
				want = 0;
			} else {
				bool known = false;
				for (int j : same_place) known = known || any_version_has(sim_info[j], v.sig_have);
				if (!known) {
					std::string const folder = file_folder(local);
					if (listed(act, folder)) {
						want = 1;
					} else if (listed(leave, folder)) {
						want = 0;
					} else {
						{
							std::lock_guard<std::mutex> hold(xer_lock);
							xer << "File: " << local << "  sig_want=" << v.sig_want << "  sig_have=" << v.sig_have
							    << "\n";
							xer.flush();
						}
						int const answer = choose_files_ask ? choose_files_ask(local, gone ? 1 : 0) : 3;
						switch (answer) {
						case 1: want = 1; break;
						case 4: act.push_back(folder); want = 1; break;
						case 5: leave.push_back(folder); want = 0; break;
						case 3: return 0;
						default: want = 0; break;
						}
					}
				}
			}
		}
		v.get_it = want && !gone ? 1 : 0;
		v.del_it = want && gone ? 1 : 0;
	}
	return 1;
}

// ---- select_alert -----------------------------------------------------------------------

namespace {

struct question_button {
	float x, y, w;
	char const* label;
	int code;
};

// In the order they are tested: left column top then bottom, right column
// top then bottom, then cancel.
question_button const install_buttons[5] = {
    {96, 53, 160, "OVERWRITE THE OLD FILE", 1},
    {96, 28, 160, "KEEP THE OLD FILE", 2},
    {308, 53, 260, "OVERWRITE EVERY OLD FILE IN THIS DIRECTORY", 4},
    {308, 28, 260, "KEEP EVERY OLD FILE IN THIS DIRECTORY", 5},
    {584, 28, 200, "CANCEL THE WHOLE INSTALLATION!", 3},
};
question_button const delete_buttons[5] = {
    {96, 53, 160, "KEEP THE OLD FILE", 2},
    {96, 28, 160, "DELETE THE OLD FILE", 1},
    {308, 53, 260, "KEEP EVERY OLD FILE IN THIS DIRECTORY", 5},
    {308, 28, 260, "DELETE EVERY OLD FILE IN THIS DIRECTORY", 4},
    {584, 28, 200, "CANCEL THE WHOLE INSTALLATION!", 3},
};

}  // namespace

int select_alert(std::string path, int deleting)
{
	question_button const* buttons = deleting ? delete_buttons : install_buttons;
	std::string const heading = deleting ? "I am about to DELETE:" : "I am about to install:";
	std::string const question =
	    deleting ? "because we no longer use this file, but it appears you have modified it. What to do?"
	             : "but it appears you have modified this file. What to do?";
	VEDEZE_startwind(997);
	// A quit while the question is up closes it too: the frame loop of main
	// cannot end while this one runs.
	while (mnw.cur_win == 997 && !app_done) {
		OGL_plot_back_col();
		BTN_fillwin(1, 21);
		float const wrap = mnw.win_dx - 40.0f;
		OGL_string(42, 20, 100, heading, wrap, 100);
		// The path keeps to its one line, its middle given up when long (the
		// log's "File: " line has it whole): its wrapped lines fell on the
		// question's and on the buttons.
		OGL_string(42, 20, 90, OGL_fit_middle(path, wrap), 9999, 100);
		OGL_string(42, 20, 80, question, wrap, 100);
		for (int b = 0; b < 5; ++b)
			if (BTN_action(buttons[b].x, buttons[b].y, buttons[b].w, 0, 0, buttons[b].label)) {
				VEDEZE_startwind(0);
				return buttons[b].code;
			}
		VEDEZE_event_proc();
	}
	return 3;
}
