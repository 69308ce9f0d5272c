// The application's path services: letter-case repair, the standard folders
// and the trimming of the destination's first component.
//
// Index: findPath - standard folders (get_OS_abs_path) - trim_dest_folder.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <mutex>
#include <string>

#include "platform/app_folder.h"

#include "foundation/hl_string.h"

// ---- findPath ---------------------------------------------------------------

namespace {

// The entry of `folder` that matches `name` without regard to case: the one
// spelled exactly as written, else the first in byte order, so the choice
// does not hang on the order the file system lists them in.
bool match_entry(std::string const& folder, std::string const& name, std::string& found)
{
	DIR* dir = opendir(folder.c_str());
	if (!dir) return false;
	bool have = false;
	while (dirent* e = readdir(dir)) {
		if (strlen(e->d_name) != name.size() || strcasecmp(e->d_name, name.c_str()) != 0) continue;
		if (name == e->d_name) {
			found = name;
			have = true;
			break;
		}
		if (!have || strcmp(e->d_name, found.c_str()) < 0) found = e->d_name;
		have = true;
	}
	closedir(dir);
	return have;
}

}  // namespace

void findPath(char* path)
{
	struct stat st;
	if (stat(path, &st) == 0) return;
	size_t const len = strlen(path);
	size_t s = 0;
	while (s < len) {
		while (s < len && path[s] == '/') ++s;
		if (s >= len) break;
		size_t e = s;
		while (e < len && path[e] != '/') ++e;
		// A component spelled as on disk needs no listing of its folder:
		// most of a long path usually is.
		struct stat here;
		if (lstat(std::string(path, e).c_str(), &here) == 0) {
			s = e;
			continue;
		}
		std::string const folder = s == 0 ? "." : std::string(path, s);
		std::string found;
		if (!match_entry(folder, std::string(path + s, e - s), found)) return;
		memcpy(path + s, found.data(), e - s);  // same length by the match
		s = e;
	}
}

// ---- standard folders -------------------------------------------------------

namespace {

bool absolute(char const* p) { return p && p[0] == '/'; }

bool home_folder(std::string& out)
{
	char const* home = getenv("HOME");
	if (absolute(home)) {
		out = home;
		return true;
	}
	passwd* pw = getpwuid(getuid());
	if (pw && absolute(pw->pw_dir)) {
		out = pw->pw_dir;
		return true;
	}
	return false;
}

// XDG_DESKTOP_DIR from the user-dirs file: "$HOME/..." or an absolute path
// in double quotes.
bool xdg_desktop(std::string const& home, std::string& out)
{
	char const* config = getenv("XDG_CONFIG_HOME");
	std::string const file =
	    (absolute(config) ? std::string(config) : home + "/.config") + "/user-dirs.dirs";
	std::ifstream in(file);
	std::string line;
	bool have = false;
	while (std::getline(in, line)) {
		size_t p = line.find_first_not_of(" \t");
		if (p == std::string::npos || line.compare(p, 16, "XDG_DESKTOP_DIR=") != 0) continue;
		p += 16;
		if (p >= line.size() || line[p] != '"') continue;
		size_t const close = line.find('"', p + 1);
		if (close == std::string::npos) continue;
		std::string value = line.substr(p + 1, close - p - 1);
		if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/'))
			value = home + value.substr(5);
		else if (!absolute(value.c_str()))
			continue;
		out = value;
		have = true;  // the last such line counts, as with shell assignments
	}
	return have;
}

// Creates the folder and any missing parents; true when it is a folder now.
bool make_folders(std::string const& path, mode_t mode)
{
	struct stat st;
	if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
	size_t const slash = path.find_last_of('/');
	if (slash != std::string::npos && slash > 0 && !make_folders(path.substr(0, slash), mode)) return false;
	if (mkdir(path.c_str(), mode) != 0 && errno != EEXIST) return false;
	return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Ours, a real folder (not a link to one) and closed to everyone else.
bool is_private_folder(std::string const& path)
{
	struct stat st;
	return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
	       (st.st_mode & 077) == 0;
}

std::mutex temp_lock;
std::string temp_folder;  // made once per run

int temp_hold = -1;  // this run's folder, locked for as long as the run goes

// Removes everything below the open folder fd, never following a link (a
// link is removed, not what it names); fd is closed. Deeper than any
// download's folders is left, and keeps its parents.
void empty_folder(int fd, int depth)
{
	DIR* d = fdopendir(fd);
	if (!d) {
		close(fd);
		return;
	}
	while (dirent const* e = readdir(d)) {
		if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
		if (unlinkat(dirfd(d), e->d_name, 0) == 0 || (errno != EISDIR && errno != EPERM)) continue;
		if (depth >= 64) continue;
		int const sub = openat(dirfd(d), e->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
		if (sub < 0) continue;
		empty_folder(sub, depth + 1);
		unlinkat(dirfd(d), e->d_name, AT_REMOVEDIR);
	}
	closedir(d);
}

// Empties and removes a temporary folder when it is ours and private, its
// whole tree. A folder of another run only when no run holds it: its
// process id cannot tell, as ids are reused and a run in another pid
// namespace has one that means nothing here.
void remove_temp_folder(std::string const& folder, bool others)
{
	int const fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
	if (fd < 0) return;
	struct stat st;
	if (fstat(fd, &st) != 0 || st.st_uid != geteuid() || (st.st_mode & 077) != 0 ||
	    (others && flock(fd, LOCK_EX | LOCK_NB) != 0)) {
		close(fd);
		return;
	}
	int const inner = openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	if (inner >= 0) empty_folder(inner, 0);
	rmdir(folder.c_str());
	close(fd);  // the lock goes only once the folder is
}

// A run that was killed, or lost its power, leaves its partial downloads in
// its temporary folder for good: those no run holds are removed. A fresh
// folder of a run still going in this pid namespace is left at once, even
// before that run could lock it.
void remove_stale_temps(std::string const& base)
{
	DIR* d = opendir(base.c_str());
	if (!d) return;
	while (dirent const* e = readdir(d)) {
		char const* name = e->d_name;
		if (std::strncmp(name, "Skyrell-", 8) != 0) continue;
		char* end = nullptr;
		long const pid = std::strtol(name + 8, &end, 10);
		if (end == name + 8 || *end != '-' || std::strlen(end + 1) != 6 || pid <= 0 || pid > 0x3fffffff) continue;
		std::string const folder = base + "/" + name;
		if (folder == temp_folder) continue;
		// A run locks its folder at once: one that no run holds and that did
		// not change for a minute is left over even when a later process
		// took the id (after a restart).
		struct stat st;
		bool const idle = lstat(folder.c_str(), &st) == 0 && time(nullptr) - st.st_mtime > 60;
		if (pid != getpid() && !idle && (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)) continue;
		remove_temp_folder(folder, true);
	}
	closedir(d);
}

// Makes and locks this run's folder; false when another run's clean-up took
// it before the lock.
bool make_temp_folder(std::string& pattern)
{
	if (!mkdtemp(&pattern[0])) return false;  // mode 0700: no one else may plant files here
	int const fd = open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
	struct stat st;
	if (fd >= 0 && flock(fd, LOCK_EX) == 0 && fstat(fd, &st) == 0 && st.st_nlink > 0) {
		temp_hold = fd;
		return true;
	}
	if (fd >= 0) close(fd);
	return false;
}

bool private_temp(std::string& out)
{
	std::lock_guard<std::mutex> hold(temp_lock);
	if (temp_folder.empty()) {
		char const* tmpdir = getenv("TMPDIR");
		for (std::string base : {std::string(absolute(tmpdir) ? tmpdir : ""), std::string("/tmp")}) {
			while (base.size() > 1 && base.back() == '/') base.pop_back();
			if (base.empty()) continue;
			std::string pattern = base + "/Skyrell-" + std::to_string(getpid()) + "-XXXXXX";
			bool made = false;
			for (int tries = 0; tries < 3 && !made; ++tries) {
				pattern.replace(pattern.size() - 6, 6, "XXXXXX");
				made = make_temp_folder(pattern);
			}
			if (made) {
				temp_folder = pattern;
				remove_stale_temps(base);
				// What is downloaded serves this run only.
				std::atexit([] { remove_temp_folder(temp_folder, false); });
				break;
			}
		}
		if (temp_folder.empty()) return false;
	}
	out = temp_folder;
	return true;
}

bool system_folder(int code, std::string& out)
{
	std::string home;
	switch (code) {
	case 0:
		out = PLT_app_folder();
		return !out.empty();
	case 1:
		if (!home_folder(home)) return false;
		if (!xdg_desktop(home, out)) out = home + "/Desktop";
		return true;
	case 2:
		return home_folder(out);
	case 3:
		return private_temp(out);
	case 4: {
		char const* config = getenv("XDG_CONFIG_HOME");
		if (absolute(config)) {
			out = config;
			return true;
		}
		if (!home_folder(home)) return false;
		out = home + "/.config";
		return true;
	}
	default:
		return false;
	}
}

}  // namespace

void get_OS_abs_path(int code, std::string& path)
{
	std::string folder;
	if (!system_folder(code, folder)) return;
	while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
	// The preferences folder is private by the XDG rules; the temporary one so
	// that no one else can plant files or links under the names downloaded to.
	if (!make_folders(folder, code == 3 || code == 4 ? 0700 : 0755)) return;
	// Something else may have taken the temporary folder's place since it was made.
	if (code == 3 && !is_private_folder(folder)) return;
	path = folder == "/" ? folder : folder + "/";
}

// ---- trim_dest_folder -------------------------------------------------------

void trim_dest_folder(std::string& path)
{
	size_t const slash = path.find('/');
	if (slash != std::string::npos) path.erase(0, slash + 1);
}
