// The installer's data core: its globals beside the state record, the
// directory file and its records, the server list, the folder tree, and the
// choice of which listed files to fetch, delete or leave alone.
//
// Index: globals - directory records - directory file - server list -
// folder tree and scanning progress - file choice.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

#include "foundation/app_globals.h"  // stg, dest_dir_path

// ---- globals ----------------------------------------------------------------
extern std::string temp_path;     // downloads land here first; ends in "/"
extern std::string install_name;  // latest version's name, or "Not Yet Scanned"
int const kMaxServers = 10;
extern std::string server_name[kMaxServers];
extern std::string server_path[kMaxServers];  // folder on the host + install_name + "/"
extern std::string server_desc[kMaxServers];

// ---- directory records --------------------------------------------------------
// One FILE line of the directory file plus what the updater decided of it.
struct file_version_struct {
	int flag;         // 0 or 1
	int platform;     // 0 to 6
	int version;      // release in which this content appeared
	float zip_size;   // kilobytes of the archive on the server
	float ext_size;   // kilobytes of the expanded file
	std::string sig_want;  // MD5 in lower-case hex, or "GONE"
	std::string sig_have;  // MD5 of the installed file, or "NONE"
	std::string name;      // listed path: folder + name
	int up_to_date;
	int get_it;
	int del_it;
};

// One listed path: its versions in file order, the current one last.
struct file_history_struct {
	std::vector<file_version_struct> versions;
};

// Case-blind key order: "Resources/A.txt" and "resources/a.TXT" are one key.
struct no_case_compare_char {
	bool operator()(char a, char b) const;
};
struct no_case_compare_string {
	bool operator()(std::string const& a, std::string const& b) const;
};

extern std::vector<file_history_struct> sim_info;
extern std::map<std::string, int, no_case_compare_string> sim_info_index;  // the builder's
extern int this_install_has_exes;        // never reset once set
extern std::set<std::string> deleted_files;  // folders emptied by deletions

// ---- directory file -----------------------------------------------------------
// 3 when read and the destination examined; 2 when the header was refused
// (new_format has run).
int read_directory(std::string const& path, std::string title);
// Whether version ver of listed path `file` is for download_os and has `flag`.
int want_this_f(int file, int ver, int flag);
// True when the path ends in ":" or "/"; false for an empty path.
bool path_has_no_file(std::string path);
// Where a listed path lands: dest_dir_path + the path without its first
// component (the whole path when it has no "/").
std::string installed_path(std::string const& listed);

// The progress panel read_directory draws; dir_progress_bar unless a test
// puts a recorder in its place.
using dir_progress_fn = void (*)(float lo, float cur, float hi, int mode, std::string title, std::string detail);
extern dir_progress_fn dir_progress_draw;

// ---- server list --------------------------------------------------------------
// Tells the user this installer is too old, opens the download page and
// asks the program to end.
void new_format(std::string file);

// ---- folder tree and scanning progress ----------------------------------------
void make_dirs();
void make_dir_error(std::string path, int err);
void dir_progress_bar(float lo, float cur, float hi, int mode, std::string title, std::string detail);
// How full the panel's bar is: 0.52 when lo equals hi, else 0.04 to 1.
float dir_progress_fraction(float lo, float cur, float hi);
