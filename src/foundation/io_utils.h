// The framework's layer over the file system: error codes and their texts,
// file and folder operations on paths in the framework's convention, the
// launch of another application, and the folder listing behind the file
// choosers.
//
// Index: error codes and texts - file operations - resolved paths -
// folder listing.
#pragma once
#include <functional>
#include <string>

// ---- error codes and texts ----------------------------------------------
// Every operation answers 0 for success, else an errno value, a Mac OS
// result code (negative) or one of the framework codes below.
enum {
	kErrZipOpen = 20001,
	kErrZipRead = 20002,
	kErrZipCreate = 20003,
	kErrZipWrite = 20004,
	kErrZipForkTooBig = 20005,
	kErrFileOpen = 20006,
	kErrNetReconnect = 20007,
	kErrNetBadState = 20008,
	kErrNetAlloc = 20009,
	kErrNetWriteFile = 20010,
	kErrNetNoServer = 20011,
	kErrZipForkHeader = 20012,
};

struct err_msg_struct {
	int code;
	char const* text;  // null in the closing row
};
extern err_msg_struct const kErrMsgs[];

// The user's message for a code; "Unknown error occurred (<code>)" for a
// code outside the table.
std::string error_str(int code);
// Callers' filters: whether a result is worth reporting.
int show_del_err(int code);       // never
int show_make_dir_err(int code);  // unless 0, 17 (exists) or -48

// Where the last failing file or zip operation gave up, for failure logs.
extern thread_local std::string sErrFile;  // per thread: the pool expands several files at once
extern thread_local int sErrLine;
#define IO_NOTE_FAILURE() (sErrFile = "io_utils", sErrLine = __LINE__)

// ---- file operations ------------------------------------------------------
// "prefixed" operations put app_path before their argument; all of them
// normalise with set_dir_chars.
int make_folder(std::string const& path);  // one folder, rwxr-xr-x; 17 when it exists
int rename_file(std::string const& dir, std::string const& old_name, std::string const& new_name);
int delete_file(std::string path);  // prefixed; "x/" removes an empty folder; "" gives 2
int dir_exists(std::string path);   // prefixed; 1 for a folder
bool file_exists(std::string path);  // prefixed; opens for reading
// Prefixed; 1 when the path itself is a symbolic link (dangling or not), its
// target text in *target when target is not null; else 0.
int is_sim_link(char const* path, std::string* target);
// Prefixed; sets rwxr-xr-x. A symbolic link is left alone (answer 0), so an
// archive cannot make the file it points to executable.
int make_file_executable(char const* path);
// Makes a new item (by make, which answers 0 or errno and must never reuse
// an existing one) under an unused name in target's folder; the name goes to
// tmp. 0, or make's last errno with tmp empty. The first call for a folder
// in a run removes the items there that a run no longer running left half
// made.
// An item made so counts as this run's, and a file stays locked as being
// written, until let_go_beside.
int make_beside(std::string const& target, std::string& tmp, std::function<int(std::string const&)> const& make);
// After the item make_beside made took its place or was removed.
void let_go_beside(std::string const& tmp);
// Removes, once per folder and run, what make_beside's of runs no longer
// running left half made in folder (a full path ending in its separator).
void sweep_left_over(std::string const& folder);
// Runs app_path + app with the arguments "-path" and path (none when path is
// empty), then finishes this program and ends it with status 1. Returns the
// errno only when the new program could not be started.
int launch_app(std::string const& app, std::string const& path);

// ---- resolved paths -------------------------------------------------------
// An existing item, resolved to an absolute path without links, that later
// file-system queries (free space, file choosers) can use.
struct fs_ref_struct {
	std::string path;
};
// Without name: resolves path itself, which must exist. With name: resolves
// the folder that holds the leaf (which must exist) and puts the leaf's name
// in *name; a trailing separator stays with the leaf. Answers 0 or errno.
int FilePathToFSRefAndName(char const* path, fs_ref_struct* ref, std::string* name);

// ---- folder listing -------------------------------------------------------
// File-type codes of the listing and the choosers' filters.
enum {
	FTYPE_any = 0,       // no listed kind, or a link to a folder
	FTYPE_folder = 1,
	FTYPE_image = 2,     // .bmp .png
	FTYPE_acf = 3,
	FTYPE_afl = 4,
	FTYPE_wpn = 5,
	FTYPE_sound = 6,     // .wav
	FTYPE_obj = 7,
	FTYPE_fdr = 8,
	FTYPE_situation = 9,
	FTYPE_movie = 10,    // .smo
	FTYPE_logbook = 11,  // .txt
	FTYPE_fms = 12,
	FTYPE_panel = 13,    // filter only: images outside the default panel folder
	FTYPE_track = 14,
	FTYPE_car = 15,
	FTYPE_spaceship = 16,
	FTYPE_region = 17,
};

int const kMaxListed = 3000;
extern int g_file_type[3000];

// Lists app_path + wrk_path (the current folder when both are empty) into
// g_file, g_path_rel and g_file_type, in byte order of the names, keeping what
// the filter accepts; answers the number kept (at most 3000). wrk_path is
// normalised in place and must end in a separator.
int opensave_getitems(int file_type);
// The same listing of a folder given here (ending in a separator), for a
// caller that has no business moving the browser's wrk_path.
int opensave_getitems_in(std::string folder, int file_type);
// Sets the extension code of listed entry index and answers 1 when the entry
// stays in the list for file_type.
int opensave_takeit(int index, int file_type);
