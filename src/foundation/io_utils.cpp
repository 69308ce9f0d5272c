// Index: error table and texts - path helpers - file operations - launch -
// resolved paths - folder listing.
#include "foundation/io_utils.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <ctime>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "platform/process_spawn.h"

// ---- error table and texts ------------------------------------------------
// The system rows are keyed by error name, so that every host's numbering
// finds the right text.
err_msg_struct const kErrMsgs[] = {
	{kErrZipOpen, "We were unable to open a zip file.  It may be missing or damaged"},
	{kErrZipRead, "We were unable to read from a zip file.  It may be missing or damaged"},
	{kErrZipCreate, "We were unable to create a zip file"},
	{kErrZipWrite, "We were unable to write to a zip file.  It may be missing or damaged"},
	{kErrZipForkTooBig, "We cannot compress a zip file because its source file resource fork is more than 2 GB.  The source file is probably damaged"},
	{kErrFileOpen, "We could not open a file to read from it"},
	{kErrNetReconnect, "We were unable to connct to the network due to an internal reconnect error"},
	{kErrNetBadState, "We wre unable to connect to the network due to a bad state error"},
	{kErrNetAlloc, "We could not allocate a connection to the network"},
	{kErrNetWriteFile, "We could not write the incoming file from the web to disk"},
	{kErrNetNoServer, "We could not find the server over the network"},
	{kErrZipForkHeader, "Part of the downloaded zip file is corrupted (the resource fork header is bad)"},

	{EAGAIN, "Resource temporarily unavailable"},
	{EDEADLK, "Resource deadlock avoided"},
	{ENAMETOOLONG, "File name too long"},
	{ENOSYS, "Function not implemented"},
	{ENOTEMPTY, "Directory not empty"},
	{EILSEQ, "Wide character encoding error"},
	{E2BIG, "Argument list too long"},
	{EACCES, "Permission denied.  Perhaps you do not have access to a directory or file system"},
	{EBADF, "Bad file descriptor"},
	{EBUSY, "Device busy"},
	{ECHILD, "No child processes"},
	{EDOM, "Numerical argument out of domain"},
	{EEXIST, "File exists"},
	{EFAULT, "Bad address"},
	{EFBIG, "File too large"},
	{EINTR, "Interrupted system call"},
	{EINVAL, "Invalid argument"},
	{EIO, "Input/output error"},
	{EISDIR, "Is a directory"},
	{EMFILE, "Too many open files"},
	{EMLINK, "Too many links"},
	{ENFILE, "Too many open files in system"},
	{ENODEV, "Operation not supported by device"},
	{ENOENT, "No such file or directory"},
	{ENOEXEC, "Exec format error"},
	{ENOLCK, "No locks available"},
	{ENOMEM, "Out of memory"},
	{ENOSPC, "No space left on device.  Perhaps your hard drive is full"},
	{ENOTDIR, "Not a directory"},
	{ENOTTY, "Inappropriate ioctl for device"},
	{ENXIO, "Device not configured"},
	{EPERM, "Operation not permitted.  Perhaps you do not have access to a directory or file system"},
	{EPIPE, "Broken pipe"},
	{ERANGE, "Result too large"},
	{EROFS, "The destination file system is read-only"},
	{ESPIPE, "Illegal seek"},
	{ESRCH, "No such process"},
	{EXDEV, "Cross-device link"},

	{-43, "File not found"},
	{-50, "param err"},
	{-33, "Directory is full"},
	{-34, "The disk is full"},
	{-35, "no such volume"},
	{-36, "An internal I/O error occurred"},
	{-37, "bad name"},
	{-38, "file not open"},
	{-39, "end of file"},
	{-40, "position error"},
	{-41, "Memory is full"},
	{-42, "Too many files open"},
	{-44, "A disk is write protected"},
	{-45, "File locked"},
	{-46, "Hard disk is locked"},
	{-47, "A file is in use by another application"},
	{-48, "duplicate file name"},
	{-49, "File already open with write permissions by another application"},
	{-51, "refnum error"},
	{-52, "get file position error"},
	{-53, "A needed volume is offline"},
	{-54, "Permissions error - perhaps you do not have access to a directory"},
	{-56, "no such drive"},
	{-57, "Not a macintosh disk"},
	{-60, "bad master directory block"},
	{-61, "Write permissions error - perhaps you do not have enough access to a directory"},
	{-120, "directory not found"},
	{-108, "Out of memory (memory is full)"},
	{-5000, "You have insufficient privileges for this operation"},
	{0, nullptr},
};

thread_local std::string sErrFile;
thread_local int sErrLine = -1;

std::string error_str(int code)
{
	for (err_msg_struct const* row = kErrMsgs; row->text; ++row)
		if (row->code == code) return row->text;
	return "Unknown error occurred (" + std::to_string(code) + ")";
}

int show_del_err(int) { return 0; }

int show_make_dir_err(int code) { return (code == 0 || code == EEXIST || code == -48) ? 0 : 1; }

// ---- path helpers -----------------------------------------------------------
namespace {

bool is_dir_char(char c) { return c == '\\' || c == ':' || c == '/'; }

// One trailing separator off a normalised path; the root keeps its "/".
void drop_trailing_sep(std::string& path)
{
	if (path.size() > 1 && path.back() == '/') path.pop_back();
}

// The framework's 500-byte path rule: longer paths raise "String too long!".
std::string limited(std::string const& path)
{
	char buf[500];
	strcpy_limit(buf, path.c_str());
	return buf;
}

int fail(int err)
{
	IO_NOTE_FAILURE();
	return err;
}

}  // namespace

// ---- file operations ------------------------------------------------------
int make_folder(std::string const& path)
{
	std::string p = path;
	set_dir_chars(p);
	drop_trailing_sep(p);
	if (mkdir(p.c_str(), 0755) != 0) return fail(errno);
	return 0;
}

int rename_file(std::string const& dir, std::string const& old_name, std::string const& new_name)
{
	std::string from = dir + old_name;
	std::string to = dir + new_name;
	set_dir_chars(from);
	set_dir_chars(to);
	if (rename(from.c_str(), to.c_str()) != 0) return fail(errno);
	return 0;
}

int delete_file(std::string path)
{
	// Tested before prefixing: an empty name must never come to mean the
	// application folder itself.
	if (path.empty()) return ENOENT;
	path = app_path + path;
	set_dir_chars(path);
	if (!path.empty() && path.back() == '/') {
		drop_trailing_sep(path);
		if (rmdir(path.c_str()) != 0) return fail(errno);
	} else if (unlink(path.c_str()) != 0) {
		return fail(errno);
	}
	return 0;
}

int dir_exists(std::string path)
{
	path = app_path + path;
	set_dir_chars(path);
	drop_trailing_sep(path);
	struct stat st;
	return (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? 1 : 0;
}

bool file_exists(std::string path)
{
	path = app_path + path;
	set_dir_chars(path);
	FILE* f = std::fopen(path.c_str(), "rb");
	if (!f) return false;
	std::fclose(f);
	return true;
}

int is_sim_link(char const* path, std::string* target)
{
	if (!path) return 0;
	std::string full = limited(app_path + path);
	set_dir_chars(full);

	struct stat st;
	if (lstat(full.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;

	// The size from lstat is a hint: some file systems report 0, and the link
	// may change between the two calls; a full buffer means "read again".
	size_t size = st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : 256;
	size_t const max_size = 1 << 20;
	std::vector<char> buf;
	for (;;) {
		buf.resize(size);
		ssize_t const n = readlink(full.c_str(), buf.data(), buf.size());
		if (n < 0) return 0;
		if (static_cast<size_t>(n) < buf.size()) {
			if (target) target->assign(buf.data(), static_cast<size_t>(n));
			return 1;
		}
		if (size >= max_size) return 0;
		size *= 2;
	}
}

namespace {

// chmod that never follows a link: a link is left alone, and a file swapped
// for a link between the look and the change fails instead of being
// followed. Works through the descriptor, so it needs no /proc (the
// no-follow form of fchmodat goes through /proc).
int chmod_exec_no_follow(char const* path)
{
	int const fd = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
	if (fd < 0) {
		int const err = errno;
		struct stat st;
		if (lstat(path, &st) != 0) return errno;
		if (S_ISLNK(st.st_mode)) return 0;
		// Not readable (mode 0200, say) but ours to change: by name, the
		// look just made having found no link.
		if (err != EACCES) return err;
		return chmod(path, 0755) != 0 ? errno : 0;
	}
	int err = fchmod(fd, 0755) != 0 ? errno : 0;
	close(fd);
	return err;
}

}  // namespace

int make_file_executable(char const* path)
{
	if (!path) return EINVAL;
	std::string full = limited(app_path + path);
	set_dir_chars(full);
	int err = chmod_exec_no_follow(full.c_str());
	if (err) {
		// Once more with the letter case found on disk.
		char fixed[500];
		strcpy_limit(fixed, full.c_str());
		findPath(fixed);
		err = chmod_exec_no_follow(fixed);
	}
	if (err) return fail(err);
	return 0;
}

namespace {

// The writer's process id in a name make_beside gives, or 0 for any other name.
pid_t beside_writer(char const* name)
{
	if (std::strncmp(name, ".new-", 5) != 0) return 0;
	char* end = nullptr;
	errno = 0;
	long const pid = std::strtol(name + 5, &end, 10);
	if (errno || pid <= 0 || pid > 0x3fffffff || end == name + 5 || *end != '-' || !end[1]) return 0;
	for (char const* c = end + 1; *c; ++c)
		if (*c < '0' || *c > '9') return 0;
	return static_cast<pid_t>(pid);
}

std::mutex made_lock;  // held while an item is made and noted
std::set<std::pair<dev_t, ino_t>> made_items;  // this run's, until let go
// Each item's key by its name: once an item is let go its inode may be
// freed and given to another run's left-over file.
std::map<std::string, std::pair<dev_t, ino_t>> made_keys;
std::map<std::string, int> held;  // this run's half-made files, each locked until let go

// Whether a half-made item of another process is left over: no writer holds
// it and its process ended. The id alone cannot tell: ids come again after a
// restart, and a writer in another pid namespace has one that means nothing
// here; a file not written to for a while and held by no one is left over
// too.
bool left_over(int dir, char const* name, pid_t pid)
{
	struct stat st;
	if (fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
	if (S_ISREG(st.st_mode)) {
		int const fd = openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
		if (fd < 0) return false;
		bool const free = flock(fd, LOCK_EX | LOCK_NB) == 0;
		close(fd);
		if (!free) return false;
	} else if (!S_ISLNK(st.st_mode)) {
		return false;  // never a folder: these are files and links
	}
	if (pid == getpid()) {
		std::lock_guard<std::mutex> hold(made_lock);
		return !made_items.count({st.st_dev, st.st_ino});
	}
	if (kill(pid, 0) != 0 && errno == ESRCH) return true;
	return time(nullptr) - st.st_mtime > 60;
}

// A run that was killed, or lost its power, leaves its half-written file
// beside the target, where nothing would ever remove it: once per folder
// and run, those left over are removed.
void sweep_beside(std::string const& dir)
{
	static std::mutex lock;
	static std::set<std::string> swept;
	{
		std::lock_guard<std::mutex> hold(lock);
		if (!swept.insert(dir).second) return;
	}
	DIR* d = opendir(dir.empty() ? "." : dir.c_str());
	if (!d) return;
	while (dirent const* e = readdir(d)) {
		pid_t const pid = beside_writer(e->d_name);
		if (pid != 0 && left_over(dirfd(d), e->d_name, pid)) unlinkat(dirfd(d), e->d_name, 0);
	}
	closedir(d);
}

}  // namespace

void sweep_left_over(std::string const& folder) { sweep_beside(folder); }

// Made under a name that nothing uses yet, so that a link planted under a
// known name cannot redirect the write.
int make_beside(std::string const& target, std::string& tmp, std::function<int(std::string const&)> const& make)
{
	static std::atomic<unsigned> serial{0};
	size_t const slash = target.rfind('/');
	std::string const dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
	sweep_beside(dir);
	int err = EEXIST;
	for (int tries = 0; tries < 100 && err == EEXIST; ++tries) {
		tmp = dir + ".new-" + std::to_string(getpid()) + "-" + std::to_string(serial++);
		std::lock_guard<std::mutex> hold(made_lock);
		err = make(tmp);
		struct stat st;
		if (err == 0 && lstat(tmp.c_str(), &st) == 0) {
			made_items.insert({st.st_dev, st.st_ino});
			made_keys[tmp] = {st.st_dev, st.st_ino};
			int const fd = S_ISREG(st.st_mode) ? open(tmp.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC) : -1;
			if (fd >= 0 && flock(fd, LOCK_SH) == 0) held[tmp] = fd;
			else if (fd >= 0) close(fd);
		}
	}
	if (err != 0) tmp.clear();
	return err;
}

void let_go_beside(std::string const& tmp)
{
	std::lock_guard<std::mutex> hold(made_lock);
	auto const key = made_keys.find(tmp);
	if (key != made_keys.end()) {
		made_items.erase(key->second);
		made_keys.erase(key);
	}
	auto const it = held.find(tmp);
	if (it == held.end()) return;
	close(it->second);
	held.erase(it);
}

// ---- launch -----------------------------------------------------------------
int launch_app(std::string const& app, std::string const& path)
{
	std::string exe = app;
	set_dir_chars(exe);
	if (!exe.empty() && is_dir_char(exe.back())) exe.pop_back();
	exe = app_path + exe;

	{
		// Flushed before the fork, so the line is written once and is there
		// whatever becomes of either process.
		std::lock_guard<std::mutex> hold(xer_lock);
		xer << "Launching: " << exe << " with " << path << "\n";
		xer.flush();
	}

	std::vector<std::string> args{exe};
	if (!path.empty()) {
		args.push_back("-path");
		args.push_back(path);
	}
	int const err = PLT_spawn(args, false, nullptr);
	if (err) return fail(err);

	alert_run_finish(1);
	app_done = 1;
	std::exit(1);
}

// ---- resolved paths -------------------------------------------------------
namespace {

int resolve(std::string const& path, fs_ref_struct* ref)
{
	std::unique_ptr<char, decltype(&free)> real(realpath(path.c_str(), nullptr), &free);
	if (!real) return errno;
	ref->path = real.get();
	return 0;
}

}  // namespace

int FilePathToFSRefAndName(char const* path, fs_ref_struct* ref, std::string* name)
{
	if (!path || !ref) return EINVAL;
	std::string p = path;
	set_dir_chars(p);
	if (p.empty()) return ENOENT;
	if (!name) return resolve(p, ref);

	// A trailing separator stays with the leaf.
	size_t const cut = p.size() > 1 ? p.find_last_of('/', p.size() - 2) : std::string::npos;
	std::string parent;
	if (cut == std::string::npos) {
		parent = ".";
		*name = p;
	} else {
		parent = cut == 0 ? "/" : p.substr(0, cut);
		*name = p.substr(cut + 1);
	}
	struct stat st;
	if (stat(parent.c_str(), &st) != 0) return errno;
	if (!S_ISDIR(st.st_mode)) return ENOTDIR;
	return resolve(parent, ref);
}

// ---- folder listing -------------------------------------------------------
int g_file_type[3000];

namespace {

struct ext_code {
	char const* ext;
	int code;
};
ext_code const kExtensions[] = {
	{".AFL", FTYPE_afl}, {".WPN", FTYPE_wpn}, {".ACF", FTYPE_acf}, {".OBJ", FTYPE_obj},
	{".SIT", FTYPE_situation}, {".SMO", FTYPE_movie}, {".TXT", FTYPE_logbook}, {".FMS", FTYPE_fms},
	{".TRA", FTYPE_track}, {".CAR", FTYPE_car}, {".SPA", FTYPE_spaceship}, {".REG", FTYPE_region},
	{".WAV", FTYPE_sound}, {".BMP", FTYPE_image}, {".PNG", FTYPE_image}, {".FDR", FTYPE_fdr},
};

// "Resources:bitmaps:cockpit:-PANELS-:" as set_dir_chars writes it; compared
// without regard to case, so the case repair does not matter here.
char const kPanelFolder[] = "Resources/bitmaps/cockpit/-PANELS-/";

}  // namespace

int opensave_takeit(int index, int file_type)
{
	if (index < 0 || index >= kMaxListed) return 0;
	std::string const rel = limited(g_path_rel[index]);
	std::string const& name = g_file[index];

	if (name.size() >= 4) {
		char key[5] = {0, 0, 0, 0, 0};
		for (int i = 0; i < 4; ++i) {
			char c = name[name.size() - 4 + i];
			key[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
		}
		for (ext_code const& e : kExtensions)
			if (std::memcmp(key, e.ext, 5) == 0) {
				g_file_type[index] = e.code;
				break;
			}
	}

	if (file_type == FTYPE_panel) {
		size_t const span = sizeof kPanelFolder - 1 - 3;
		if (strncasecmp(rel.c_str(), kPanelFolder, span) == 0) return 0;
		if (rel.size() >= 6) {
			char const* tail = rel.c_str() + rel.size() - 6;
			for (char const* v : {"-1.", "-2.", "-3.", "-4."})
				if (strncasecmp(tail, v, 3) == 0) return 0;
		}
	}

	if (name.empty() || name[0] == '.') return 0;

	int const code = g_file_type[index];
	if (code == FTYPE_folder || code == file_type) return 1;
	if (file_type == FTYPE_any) return 1;
	if (file_type == FTYPE_panel && code == FTYPE_image) return 1;
	return 0;
}

int opensave_getitems(int file_type)
{
	set_dir_chars(wrk_path);
	return opensave_getitems_in(wrk_path, file_type);
}

int opensave_getitems_in(std::string folder, int file_type)
{
	set_dir_chars(folder);
	std::string const full = app_path + folder;
	if (!full.empty() && !is_dir_char(full.back())) {
		__VEDEZE_alert(0, "Working path does not appear to be a directory!",
		               "This is not consistent with my labelling practices!",
		               "I need to end all paths with the directory indicator!", full, 2, "io_utils", 833);
		return 0;
	}

	DIR* dir = opendir(full.empty() ? "." : full.c_str());
	if (!dir) return 0;
	std::vector<std::string> names;
	while (dirent* e = readdir(dir)) {
		if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
		names.emplace_back(e->d_name);
	}
	closedir(dir);
	// Byte order, so that listings (and what the builder writes from them)
	// do not depend on the file system's order.
	std::sort(names.begin(), names.end());

	int count = 0;
	for (std::string const& name : names) {
		struct stat st;
		if (lstat((full + name).c_str(), &st) != 0) continue;  // gone since the read
		// lstat: a link to a folder is not a folder.
		int const code = S_ISDIR(st.st_mode) ? FTYPE_folder : FTYPE_any;
		g_file[count] = name;
		g_path_rel[count] = folder + name;
		g_file_type[count] = code;
		if (code == FTYPE_folder) g_path_rel[count] += "/";
		if (opensave_takeit(count, file_type)) ++count;
		if (count == kMaxListed) break;
	}
	return count;
}
