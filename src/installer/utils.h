// The installer's data core: its globals beside the state record, the
// directory file and its records, the server list, the folder tree, and the
// choice of which listed files to fetch, delete or leave alone.
//
// Index: globals - start-up - directory records - directory file - server
// list - folder tree and scanning progress - file choice.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <ostream>
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

// ---- start-up ---------------------------------------------------------------------
// The state record's values before the preference file is read.
void set_stg_defaults();
// Judges dest_dir_path: an existing copy (a folder holding "Airfoils",
// "Instructions", "Output" and "Resources") stays the destination with
// dest_valid 1; otherwise its subfolder "Skyrell/" becomes it, dest_valid 0.
// A missing folder is judged by its parent.
void check_dest_path();

// The program's command line: "-path FOLDER" first, then any of the
// options the graphics probe reads (kProgramOptions). Answers 0 to run the
// installer (*dest is the "-path" value, absolute and ending in "/", or
// empty), 1 the builder, 2 refused (*why names the argument), 3 help asked.
int read_command_line(int argc, char const* const* argv, std::string const& cwd, std::string* dest,
                      std::string* why);
// The options the installer accepts beside "-path"; null-terminated.
extern char const* const kProgramOptions[];
// The usage text, for help and for a refused command line.
extern char const* const kUsage;
// Asks the user for the destination folder and judges it: 1 when a folder
// was chosen, 0 when the dialog was cancelled (nothing changes then).
int pick_dest_path();
// Settles the destination before the first frame: a command-line folder,
// else the dialog when always_ask_dir is set, else the saved or default
// folder; the dialog again while it is no existing copy.
void settle_dest_path(std::string const& dest_arg);
// What the program does between the shell's start-up and its first frame:
// the standard folders (logged), the defaults, the preference file, and the
// destination.
void start_installer(std::string const& dest_arg);

// The preferences panel (window 2); returns when the user closes it.
void handle_prefs();

// ---- directory records --------------------------------------------------------
// A signature field of the directory file, held in place: a directory file
// may list millions of versions, and a string of 32 characters would take a
// heap block of its own. An MD5 in lower-case hex is kept as its 16 bytes, a
// short word ("GONE", "NONE") as text, and any other word once for the whole
// process, in a shared table; every word compares exactly as written.
class sig_text {
public:
	sig_text() = default;
	sig_text(char const* word) { assign(word, word ? std::char_traits<char>::length(word) : 0); }
	sig_text(std::string const& word) { assign(word.data(), word.size()); }
	void assign(char const* word, size_t len);
	std::string str() const;
	operator std::string() const { return str(); }
	bool empty() const { return kind_ == kText && len_ == 0; }

	friend bool operator==(sig_text const& a, sig_text const& b) { return a.same(b); }
	friend bool operator!=(sig_text const& a, sig_text const& b) { return !a.same(b); }
	friend bool operator==(sig_text const& a, char const* b) { return a.same(sig_text(b)); }
	friend bool operator!=(sig_text const& a, char const* b) { return !a.same(sig_text(b)); }
	friend bool operator==(char const* a, sig_text const& b) { return b == a; }
	friend bool operator!=(char const* a, sig_text const& b) { return b != a; }
	friend bool operator==(sig_text const& a, std::string const& b) { return a.same(sig_text(b)); }
	friend bool operator!=(sig_text const& a, std::string const& b) { return !a.same(sig_text(b)); }
	friend bool operator==(std::string const& a, sig_text const& b) { return b == a; }
	friend bool operator!=(std::string const& a, sig_text const& b) { return b != a; }
	friend std::string operator+(std::string const& a, sig_text const& b) { return a + b.str(); }
	friend std::string operator+(sig_text const& a, std::string const& b) { return a.str() + b; }
	friend std::ostream& operator<<(std::ostream& out, sig_text const& s) { return out << s.str(); }

private:
	enum : unsigned char { kText, kMd5, kShared };
	bool same(sig_text const& o) const;
	unsigned char bytes_[16] = {};  // the text, the MD5's bytes, or the table's index
	unsigned char len_ = 0;         // of a text
	unsigned char kind_ = kText;
};
// calc_file_md5 into a signature field: left as it was for a missing or
// empty file.
int calc_file_md5(std::string const& path, sig_text& md5);

// One FILE line of the directory file plus what the updater decided of it.
struct file_version_struct {
	int flag;         // 0 or 1
	int platform;     // 0 to 6
	int version;      // release in which this content appeared
	float zip_size;   // kilobytes of the archive on the server
	float ext_size;   // kilobytes of the expanded file
	sig_text sig_want;  // MD5 in lower-case hex, or "GONE"
	sig_text sig_have;  // MD5 of the installed file, or "NONE"
	std::string name;   // listed path: folder + name
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
// Listed paths read_directory found to fetch or to delete. The sizes are whole
// kilobytes, cut, so files under a kilobyte (or deletions alone) sum to
// nothing: this count, not the sizes, tells whether there is anything to do.
extern int dir_changes;

// ---- directory file -----------------------------------------------------------
// (utils_directory.cpp)
// DIRST_ready (3) when read and the destination examined; DIRST_refused (2)
// when the header was refused (new_format has run). Runs the slices below
// to the end in one call. The destination examined is dest_dir_path.
int read_directory(std::string const& path, std::string title);
// The same, examining the folder dest (ending in "/") instead.
int read_directory_in(std::string const& path, std::string title, std::string const& dest);

class xmap_class;
// The progress panel's drawing: dir_progress_bar or a test's recorder.
using dir_progress_fn = void (*)(float lo, float cur, float hi, int mode, std::string title, std::string detail);
// A read of the directory file in slices, so that the frame loop runs between
// them: parse, then examine the destination, then weigh the deletions. Its
// state lives here; a default-made record is an idle read.
struct dir_read_struct {
	enum { idle, count, parse, examine, deletions, done };
	int phase = idle;
	std::string file, title;
	std::string dest;  // the folder examined, ending in "/"
	std::shared_ptr<xmap_class> map;
	std::string folder, previous;  // the current DIR folder, the last path
	int i = 0;                     // next path to examine or weigh
	size_t counted = 0;            // bytes searched and FILE words found by
	size_t files = 0;              // the count, which sizes sim_info once
	long units = 0;                // lines parsed and paths handled so far
	// Deletions of files still on disk, by installed path: dropped again when
	// another listed path installs that file.
	std::map<std::string, std::vector<int>, no_case_compare_string> gone;
	// The panel at its cadence: drawn there when draw is set, else only noted
	// here for the frame to draw.
	dir_progress_fn draw = nullptr;
	float cur = 0, hi = 0;
	int mode = 0;
	std::string detail;
};
// Starts a read of the directory file at path (the fatal alerts of a missing
// file as read_directory): 1 when it is under way, DIRST_refused when the
// header was refused (new_format has run).
int read_directory_begin(dir_read_struct& r, std::string const& path, std::string const& title);
int read_directory_begin(dir_read_struct& r, std::string const& path, std::string const& title,
                         std::string const& dest);
// Goes on for at most `units` lines or paths (or blocks of kDirCountBlock
// bytes while the FILE lines are first counted), and stops early once
// `seconds` have passed: 0 while more remains, DIRST_ready when the read is
// done.
int read_directory_slice(dir_read_struct& r, long units, double seconds);
size_t const kDirCountBlock = 1 << 16;
// FILE lines read over every call; the panel shows at every 500th.
extern long dir_lines_read;
// The longest path the file layer takes; a listed file whose installed path
// is longer is refused.
size_t const kMaxInstalledPath = 499;
// Whether version ver of listed path `file` is for download_os and has `flag`.
int want_this_f(int file, int ver, int flag);
// True when the path ends in ":" or "/"; false for an empty path.
bool path_has_no_file(std::string path);
// Where a listed path lands: dest_dir_path + the path without its first
// component (the whole path when it has no "/").
std::string installed_path(std::string const& listed);
// Where a listed path lands in the folder dest.
std::string installed_path(std::string const& listed, std::string const& dest);
// An installed path as the file operations reach it: its letter case
// repaired against the disk where names are case-sensitive.
std::string resolved_path(std::string const& installed);
// Whether listed path i is current (not "GONE") and for download_os.
bool installs_file(int i);
// Per listed path, a key that two paths share when their installed files
// are one file: the installed path, resolved where paths differ in letter
// case alone.
std::vector<std::string> landing_keys();

// The directory archive and where it is expanded (under temp_path).
extern std::string net_dir_path_zip, dir_path, dir_path_path;
// A frame's step while dir_state is DIRST_fetch: the directory archive,
// fetched in slot 1 from the server in use and expanded into dir_path_path;
// a failure draws another server and waits before the next try.
void directory_archive_step();
float const kDirectoryRetry = 5.0f;
// The directory's archive, many times a real release's (a few megabytes).
long long const kDirectoryArchiveCap = 64ll << 20;
// The directory file it expands to, as many times a real one.
uint64_t const kDirectoryFileCap = 1ull << 30;
// A frame's step while dir_state is DIRST_read: the directory file, read one
// slice a frame so the window keeps answering: true while the read goes on
// (this frame shows its panel through dir_progress_frame), false once it has
// ended (DIRST_ready or DIRST_refused) or when none is due.
bool directory_read_step();
extern dir_read_struct dir_read;
// A slice: at most this many lines or paths, and no longer than this.
long const kDirSliceUnits = 20000;
double const kDirSliceSeconds = 0.03;

// The progress panel read_directory draws; dir_progress_bar unless a test
// puts a recorder in its place.
extern dir_progress_fn dir_progress_draw;
// The panel as one frame of the frame loop shows it while the directory is
// read between frames: dir_progress_panel, which leaves the swap to the loop.
extern dir_progress_fn dir_progress_frame;

// ---- server list --------------------------------------------------------------
// A failed fetch's pause before the next try, on the framework clock.
struct retry_pause {
	float next_try = 0.0f;
	bool waiting = false;
	// Whether the pause still runs; once it has run out it is over.
	bool holds();
	void start(float seconds);
};
// The server list's and the directory archive's; set_stg_defaults clears
// both, as a run starts afresh.
extern retry_pause server_list_pause, directory_pause;
void clear_retry_pauses();

// Tells the user this installer is too old, opens the download page and
// asks the program to end.
void new_format(std::string file);

// One frame's step while server_count is -1: pumps the fetch of the list
// from the maker's host in slot 0 and, once it is whole, reads it and draws
// a server. A failed fetch is tried again no sooner than
// kServerListRetry seconds later on the framework clock.
void server_list_step();
float const kServerListRetry = 5.0f;
// Reads the list at path: 1 with server_count, the server tables and
// install_name set; 0 after new_format when it is refused.
int read_server_list(std::string const& path);

// The random number behind the server draws (rand unless a test sets its own).
using server_rand_fn = int (*)();
extern server_rand_fn server_rand;
// Server for r in [0, 1) among count: the integer part of count * r^1.3,
// kept within 0 .. count - 1.
int biased_server_index(double r, int count);
// server_index = the biased draw among server_count servers.
void draw_biased_server();
// server_index = any server, uniformly (a failed directory fetch).
void draw_any_server();

// ---- folder tree and scanning progress ----------------------------------------
// (utils_tree.cpp; the panel is drawn in utils_progress.cpp)
// 1 when every folder stands; 0 after the one alert for the first folder
// that could not be made (nothing further is tried).
int make_dirs();
// Run after the choice, before make_dirs: what the release drops and the
// choice deletes is removed first where it stands in the way of what the
// release now puts there (a file where a folder goes, a folder where a
// file goes), and every listed file takes the letter case the release
// spells. 0, after one alert naming the path, when something the install
// must not delete stands in the way (nothing is changed then); else 1.
int clear_the_way();
// Whether a folder (ending in "/") is one of the working folders every
// install makes, or holds one: the clean-up leaves those in place.
bool working_folder(std::string const& folder);
void make_dir_error(std::string path, int err);
void dir_progress_bar(float lo, float cur, float hi, int mode, std::string title, std::string detail);
// The panel of dir_progress_bar without the swap.
void dir_progress_panel(float lo, float cur, float hi, int mode, std::string title, std::string detail);
// How full the panel's bar is: 0.52 when lo equals hi, else 0.04 to 1.
float dir_progress_fraction(float lo, float cur, float hi);

// ---- file choice ----------------------------------------------------------------
// (utils_choice.cpp; the question is drawn in utils_question.cpp)
// The question about a modified file: 1 act on it, 2 leave it, 3 cancel the
// install, 4 act on it and every later modified file of its folder, 5 leave
// them all. deleting: the file is to be deleted rather than replaced.
using select_alert_fn = int (*)(std::string path, int deleting);
// Where choose_files asks (select_alert unless a test scripts the answers);
// with none set a modified file cancels the choice.
extern select_alert_fn choose_files_ask;
// The modal question window 997 about the installed file at path; closing
// it (or quitting) answers 3.
int select_alert(std::string path, int deleting);
// Sets get_it and del_it of every path's current version: 1 when all were
// decided, 0 when the user cancelled.
int choose_files();
// A path's folder: up to and including its last "/", ":" or "\" before the
// last character; "" when there is none.
std::string file_folder(std::string const& path);
