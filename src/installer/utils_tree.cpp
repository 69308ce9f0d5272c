// The folder tree of an install: the folders it makes, and what it clears
// out of their way first.
//
// Index: make_dir_error - make_dirs - clear_the_way.
#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/io_utils.h"
#include "foundation/io_zip.h"
#include "installer/grab.h"
#include "installer/utils.h"

// ---- make_dir_error ---------------------------------------------------------------

void make_dir_error(std::string path, int err)
{
	__VEDEZE_alert(0,
	               "I am unable to install or update Skyrell. An error occurred while creating new folders. Make "
	               "sure you are installing to a directory that you have access to!",
	               "Error: " + error_str(err), "Install Location: " + dest_dir_path, "Install Path:" + path,
	               ALERT_report, "utils", __LINE__);
}

// ---- make_dirs ------------------------------------------------------------------

namespace {

// Creates one folder; false (after the alert) when that failed.
bool make_one(std::string const& path)
{
	int const err = make_folder(path);
	if (!show_make_dir_err(err)) return true;
	make_dir_error(path, err);
	return false;
}

// Whether a path below the destination is reached through a link there
// (an archive may have restored one): nothing is made or moved through it.
bool through_link(std::string const& path)
{
	// The destination was normalised where it was settled; the path below
	// it may still spell its folders with ":".
	std::string const& root = dest_dir_path;
	std::string full = path;
	set_dir_chars(full);
	if (root.empty() || unsafe_target(root.back() == '/' ? root : root + '/', full) == nullptr) return false;
	std::lock_guard<std::mutex> hold(xer_lock);
	xer << "WARNING: I am not touching " << full << " because it is not inside the destination.\n";
	xer.flush();
	return true;
}

// Moves a real folder out of the way of the link an archive will restore.
void move_aside(std::string const& folder, std::string const& entry)
{
	std::string const full = folder + entry;
	if (is_sim_link(full.c_str(), nullptr) || through_link(full)) return;
	rename_file(folder, entry, "_" + entry);  // a missing entry fails quietly
}

char const* const kWorkingFolders[] = {"Output",        "Output:FMS plans",  "Output:logbooks",
                                       "Output:movies", "Output:situations", "Resources:preferences"};

// Every folder a wanted file needs, relative to the destination; byte order
// puts parents first.
std::set<std::string> wanted_folders()
{
	std::set<std::string> folders;
	for (size_t i = 0; i < sim_info.size(); ++i) {
		if (!installs_file(static_cast<int>(i))) continue;
		std::string const& name = sim_info[i].versions.back().name;
		size_t const slash = name.find('/');
		if (slash == std::string::npos) continue;
		std::string rest = name.substr(slash + 1);
		for (size_t cut = rest.rfind('/'); cut != std::string::npos; cut = rest.rfind('/')) {
			rest.resize(cut);
			if (!rest.empty()) folders.insert(rest);
		}
	}
	return folders;
}

}  // namespace

bool working_folder(std::string const& folder)
{
	std::string const at = resolved_path(folder);
	for (char const* working : kWorkingFolders) {
		std::string const made = resolved_path(dest_dir_path + working + "/");
		if (made.compare(0, at.size(), at) == 0 && at.size() > dest_dir_path.size()) return true;
	}
	return false;
}

int make_dirs()
{
	// Every folder after a failed one would fail for the same cause (an
	// unwritable or missing destination), so the first failure ends it.
	// The destination chain, outermost first.
	std::string const dest = dest_dir_path.empty() ? dest_dir_path : dest_dir_path.substr(0, dest_dir_path.size() - 1);
	size_t const first = dest.find('/');
	if (first != std::string::npos)
		for (size_t s = dest.find('/', first + 1); s != std::string::npos; s = dest.find('/', s + 1))
			if (!make_one(dest.substr(0, s))) return 0;
	if (!dest.empty() && !make_one(dest)) return 0;

	for (std::string const& folder : wanted_folders())
		if (!through_link(dest_dir_path + folder) && !make_one(dest_dir_path + folder)) return 0;

	for (char const* folder : kWorkingFolders)
		if (!through_link(dest_dir_path + folder) && !make_one(dest_dir_path + folder)) return 0;

	static char const* const bundles[] = {"Resources:plugins:SKPM.framework:",
	                                      "Resources:plugins:SKWidgets.framework:"};
	for (char const* bundle : bundles) move_aside(dest_dir_path + bundle + "Versions:", "Current");
	for (char const* bundle : bundles) move_aside(dest_dir_path + bundle, "Resources");
	return 1;
}

// ---- clear_the_way ------------------------------------------------------------------

namespace {

// Every entry below a folder, links not followed: the other entries, and
// the folders deepest first.
void list_below(std::string const& folder, std::vector<std::string>& others, std::vector<std::string>& folders)
{
	// A killed run's half-written file is no one's: it never holds up a reshape.
	sweep_left_over(app_path + folder + "/");
	DIR* dir = opendir((app_path + folder).c_str());
	if (!dir) return;
	std::vector<std::string> names;
	while (dirent* e = readdir(dir))
		if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
	closedir(dir);
	for (std::string const& name : names) {
		std::string const path = folder + "/" + name;
		struct stat st;
		if (lstat((app_path + path).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
			list_below(path, others, folders);
			folders.push_back(path);
		} else {
			others.push_back(path);
		}
	}
}

bool kind_at(std::string const& path, struct stat& st) { return lstat((app_path + path).c_str(), &st) == 0; }

// The folders of installed paths as the file operations reach them, each
// looked up once: a fresh install's thousands of files share a few hundred
// folders that do not exist yet, and each lookup of a missing name lists
// its parent.
struct folder_memo {
	struct found {
		std::string at;  // the folder as reached
		bool is_dir;
	};
	std::map<std::string, found> folders;  // by the listed spelling

	found const& of(std::string const& path)
	{
		std::string const folder = path.substr(0, path.rfind('/'));
		auto it = folders.find(folder);
		if (it == folders.end()) {
			found f{resolved_path(folder), false};
			struct stat st;
			f.is_dir = kind_at(f.at, st) && S_ISDIR(st.st_mode);
			it = folders.emplace(folder, std::move(f)).first;
		}
		return it->second;
	}
	// Nothing stands at path: its folder does not exist under any spelling.
	bool nothing_at(std::string const& path) { return path.find('/') != std::string::npos && !of(path).is_dir; }
	// The path reaches itself: its folder does, and the file is either not
	// there at all or there under its listed spelling.
	bool reaches_itself(std::string const& path)
	{
		if (path.find('/') == std::string::npos) return false;
		found const& f = of(path);
		if (f.at != path.substr(0, path.rfind('/'))) return false;
		struct stat st;
		return !f.is_dir || kind_at(path, st);
	}
};

int way_blocked(std::string const& first, std::string const& second, std::string const& path, int line)
{
	__VEDEZE_alert(0, first, second, "It is:", path, ALERT_report, "utils", line);
	return 0;
}

// Each listed file that is installed, or found current, takes the spelling
// the release lists, folders included; the case repair of paths had found
// it under its old spelling.
void take_listed_case()
{
	size_t const from = app_path.size() + dest_dir_path.size();
	folder_memo memo;
	for (size_t i = 0; i < sim_info.size(); ++i) {
		if (!installs_file(static_cast<int>(i))) continue;
		if (memo.reaches_itself(installed_path(sim_info[i].versions.back().name))) continue;
		std::string const literal = app_path + installed_path(sim_info[i].versions.back().name);
		std::string found = literal;
		set_dir_chars(found);
		if (found == literal || found.size() != literal.size()) continue;
		for (size_t s = from; s < literal.size();) {
			size_t e = literal.find('/', s);
			if (e == std::string::npos) e = literal.size();
			if (literal.compare(s, e - s, found, s, e - s) != 0) {
				std::string const old_name = literal.substr(0, s) + found.substr(s, e - s);
				std::string const new_name = literal.substr(0, e);
				struct stat st;
				// Plain calls: the case repair would turn the new name back into the old.
				if (!through_link(old_name.substr(app_path.size())) && lstat(old_name.c_str(), &st) == 0 &&
				    lstat(new_name.c_str(), &st) != 0 && errno == ENOENT) {
					rename(old_name.c_str(), new_name.c_str());
					memo.folders.clear();  // the folders below now reach other names
				}
			}
			s = e + 1;
		}
	}
}

}  // namespace

int clear_the_way()
{
	// What the release drops and the choice deletes, by where it is on disk.
	std::map<std::string, size_t> dropped;
	for (size_t i = 0; i < sim_info.size(); ++i)
		if (!sim_info[i].versions.empty() && sim_info[i].versions.back().del_it)
			dropped[resolved_path(installed_path(sim_info[i].versions.back().name))] = i;

	// Everything is judged before anything is removed, so that a stop
	// leaves the destination as it was.
	std::vector<size_t> first;         // dropped files to delete now
	std::vector<std::string> emptied;  // then these folders, deepest first
	for (std::string const& folder : wanted_folders()) {
		std::string const at = resolved_path(dest_dir_path + folder);
		struct stat st;
		if (!kind_at(at, st) || S_ISDIR(st.st_mode)) continue;
		auto const d = dropped.find(at);
		if (d != dropped.end())
			first.push_back(d->second);
		else if (!S_ISLNK(st.st_mode))  // links are not made or moved through (make_dirs)
			return way_blocked("I am unable to update Skyrell: the new version needs a folder where this file stands, "
			                   "and I must not delete it.",
			                   "Please move it somewhere else, then install again.", at, __LINE__);
	}
	folder_memo memo;
	for (size_t i = 0; i < sim_info.size(); ++i) {
		if (!installs_file(static_cast<int>(i)) || sim_info[i].versions.back().sig_have != "NONE") continue;
		if (memo.nothing_at(installed_path(sim_info[i].versions.back().name))) continue;
		std::string const at = resolved_path(installed_path(sim_info[i].versions.back().name));
		struct stat st;
		if (!kind_at(at, st) || !S_ISDIR(st.st_mode)) continue;
		std::vector<std::string> others, folders;
		list_below(at, others, folders);
		for (std::string const& other : others) {
			auto const d = dropped.find(other);
			if (d == dropped.end())
				return way_blocked("I am unable to update Skyrell: the new version puts a file where this folder "
				                   "stands, and it holds files that I must not delete.",
				                   "Please move them somewhere else, then install again.", at, __LINE__);
			first.push_back(d->second);
		}
		emptied.insert(emptied.end(), folders.begin(), folders.end());
		emptied.push_back(at);
	}

	for (size_t i : first) {
		file_version_struct& v = sim_info[i].versions.back();
		remove_listed_file(installed_path(v.name));
		v.del_it = 0;  // done
	}
	for (std::string const& folder : emptied) remove_emptied_folder(folder + "/");
	take_listed_case();
	return 1;
}
