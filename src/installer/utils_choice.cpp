// Which listed files an install fetches, deletes or leaves alone. A file
// the user has modified is asked about through choose_files_ask, whose
// window (select_alert) is drawn in utils_question.cpp.
//
// Index: folders - choose_files.
#include <map>
#include <mutex>

#include "installer/utils.h"

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
		bool other_installs = false, later_installs = false;
		for (int j : same_place) {
			other_installs = other_installs || (j != i && installs_file(j));
			later_installs = later_installs || (j > i && installs_file(j));
		}
		int want = want_this_f(i, last, v.flag);
		if (want) {
			if (gone && other_installs) {
				want = 0;  // the release still ships this file: never deleted, never asked about
			} else if (later_installs) {
				want = 0;  // a later listing of the place is the release's, or runs would undo each other
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
