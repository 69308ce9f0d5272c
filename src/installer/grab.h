// The download scheduler: every wanted file fetched as its own archive over
// up to four streams, expanded in place and checked against its signature;
// unwanted files deleted, emptied folders removed, and the destination
// renamed to the new version at the end.
#pragma once
#include <string>

#include "foundation/exce.h"

// The scheduler's state; the screens read its counters.
struct next_struct {
	int next_file;        // index into sim_info of the next path to hand out, 0..n
	int finished;         // set once every path is handled; kept by reset_next
	int active[4];        // stream slot in use
	int wants_file[4];    // slot takes the next path on its next visit
	int file_index[4];    // path the slot works on
	float start_time;     // xtim.run_time when the install started
	float kb_in_flight;   // this call's running transfers, pro rata of zip_size
	float kb_done;        // zip_size of the archives fetched and installed
	float kb_expanded;    // ext_size of the same files
};

// Bytes a file's archive may pass its listed size by before its transfer
// fails.
long long const kArchiveMargin = 64000;

extern next_struct next;
extern std::string crnt_file_path;  // remote path of the file handled last
extern std::string crnt_file_name;  // its last component

// Start values (two streams, clock now); the finished flag keeps its value.
void reset_next();
// One step of every active stream. 0 to go on; 1 when every path is handled
// (after clean-up and renaming) or when the install has failed
// (install_error).
int grab_files();
// Raises on the frame thread the alerts grab_files met on another thread.
void grab_raise_alerts();
// Holds for grab_raise_alerts, as fatal, an alert thrown off the frame
// thread.
void grab_hold_alert(exce_class const& e);
// Waits up to timeout_ms for the scheduler to have work: a transfer ready
// to go on or a result of the pool; at once when a slot needs a new path.
void grab_wait(int timeout_ms);
// Expands the archive zip to the installed path dest, marks
// application-bundle programs executable and deletes the archive. The
// archive must hold just that file, of at most ext_kb (the listed size,
// kilobytes) plus one kilobyte. 0, or the expansion's error: an archive
// that is bad (kErrZipOpen, kErrZipRead) has written nothing and is left to
// the caller to fetch again; any other failure is alerted and recorded in
// install_error.
int extract_and_delete_file(std::string zip, std::string dest, float ext_kb);
void make_shortcut();
// Deletes a listed file the release drops, when it lies inside the
// destination (else logs a warning); true when a deletion was tried. Logs
// its action line.
bool remove_listed_file(std::string const& installed);
// Removes an emptied folder (only an empty one goes) and logs its action
// line; answers the result.
int remove_emptied_folder(std::string const& folder);
// Drops the transfers in flight (download slots 2 to 5) and their partial
// archives in the temporary folder.
void abandon_transfers();
