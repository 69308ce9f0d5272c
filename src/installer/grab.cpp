// The download scheduler, and the expansion and deletion of files.
//
// Index: state - helpers (log lines, paths) - expansion - one path of one
// stream - expansion on the pool - stream count - the end (clean-up,
// renaming) - grab_files - removals - abandoning transfers.
//
// grab_files runs on one thread at a time: the scheduler's own thread in the
// program (holding the frame lock), the caller's in tests; the HTTP client
// keeps the transfers in flight between calls. A fetched archive is
// expanded, flushed, renamed and signed on the worker pool, several at once
// (the journal groups concurrent flushes), and its result comes back to the
// scheduler, which alone counts and retries; alerts met off the frame thread
// wait for it. An installed file counts only once its signature matches the
// listed one; a path that keeps failing ends the install.
#include "installer/grab.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/hl_thread.h"
#include "foundation/http.h"
#include "foundation/io_utils.h"
#include "foundation/io_zip.h"
#include "foundation/md5.h"
#include "foundation/xtim.h"
#include "installer/utils.h"

// ---- state --------------------------------------------------------------------

next_struct next = {0, 0, {1, 1, 0, 0}, {1, 1, 0, 0}, {0, 0, 0, 0}, 0.0f, 0.0f, 0.0f, 0.0f};
std::string crnt_file_path;
std::string crnt_file_name;

namespace {

int const kStreams = 4;
int const kFirstSlot = 2;  // download slots 0 and 1 serve the server list and the directory

// Failed attempts per path index in this install.
std::map<int, int> fail_count;

// ---- expansion jobs -------------------------------------------------------------
// A fetched archive on its way to its installed path. The worker reads the
// inputs and writes the results; the main thread reads the results only
// after the pool has published the call's completion.
struct expand_job {
	int f;
	int k;  // the slot that fetched it
	std::string name, archive, installed, sig_want, root;
	float ext_kb;
	float zip_kb;
	int log_actions;
	int r = 0;          // the expansion's result
	int signed_ok = 0;  // the installed file has the listed signature
	THREAD_call* call = nullptr;
};

// A slot with this many archives still in the pool takes no new path: the
// transfers stay close to what is installed.
int const kMostExpandingPerSlot = 2;

std::vector<std::unique_ptr<expand_job>> expanding;  // main thread only
std::deque<int> refetch;  // paths whose expansion failed, to fetch again; main thread only
std::atomic<int> abandoning{0};  // jobs not yet begun give up
unsigned job_serial = 0;  // names each job's archive

// Alerts met off the frame thread, raised by it later. Guarded by the frame
// lock: the scheduler's thread adds to it only while it holds that lock, and
// the frame thread takes them in its frame (or after joining that thread).
struct held_alert {
	std::string m1, m2, m3, m4;
	int severity;
	char const* file;
	int line;
};
std::vector<held_alert> held_alerts;
int const kAbandoned = -1;  // a job given up before it began

// ---- helpers ------------------------------------------------------------------

// Off the frame thread an alert waits for it (grab_raise_alerts).
void raise_alert(std::string m1, std::string m2, std::string m3, std::string m4, int severity, int line)
{
	if (THREAD_is_inited() && !THREAD_is_main_thread())
		held_alerts.push_back({m1, m2, m3, m4, severity, "grab", line});
	else
		__VEDEZE_alert(0, m1, m2, m3, m4, severity, "grab", line);
}

void log_line(std::string const& text)
{
	std::lock_guard<std::mutex> hold(xer_lock);
	xer << text;
	xer.flush();
}

// An action line, when log is set: pool jobs pass the setting they were
// given instead of reading stg.
void log_action_if(int log, char const* what, std::string const& path, int code)
{
	if (log)
		log_line(what + path + ", with result=" + std::to_string(code) + ".\n");
}

void log_action(char const* what, std::string const& path, int code) { log_action_if(stg.log_actions, what, path, code); }

std::string slot_archive(int k) { return temp_path + static_cast<char>('0' + k) + ".zip"; }

int server_slot() { return std::max(0, std::min(stg.server_index, kMaxServers - 1)); }

// The most bytes a file's archive may take: its listed size (kilobytes,
// cut) and a margin, so that an endless reply stops early.
long long archive_cap(float zip_kb)
{
	double const kb = std::min(1e9, std::max(0.0, static_cast<double>(zip_kb)));
	return static_cast<long long>(kb * 1000.0) + kArchiveMargin;
}

// Whether a listed path's installed form stays inside the destination,
// reached through real folders only.
bool inside_dest(std::string const& installed)
{
	if (dest_dir_path.empty())
		return false;
	std::string root = app_path + dest_dir_path;
	std::string full = app_path + installed;
	set_dir_chars(root);
	set_dir_chars(full);
	if (root.back() != '/')
		root += '/';
	return unsafe_target(root, full) == nullptr;
}

// The folders of an installed path, up to but not including the
// destination, for the clean-up (which removes the empty ones).
void clean_up_folders_of(std::string const& installed)
{
	size_t cut = installed.find_last_of('/');
	while (cut != std::string::npos && cut + 1 > dest_dir_path.size()) {
		deleted_files.insert(installed.substr(0, cut + 1));
		cut = cut == 0 ? std::string::npos : installed.find_last_of('/', cut - 1);
	}
}

// ---- expansion ----------------------------------------------------------------

// Whether an expansion failed because of what the archive holds: such an
// archive is fetched again, from another server.
bool archive_bad(int r) { return r == kErrZipOpen || r == kErrZipRead; }

// The expansion without its alert, safe on any thread: everything it reads
// comes in its arguments.
int expand_archive(std::string const& zip, std::string dest, float ext_kb, std::string const& root, int log)
{
	// The entry bears the listed spelling, whatever case the file has on disk.
	size_t const cut = dest.size() < 2 ? std::string::npos : dest.find_last_of("/:\\", dest.size() - 2);
	std::string const leaf = cut == std::string::npos ? dest : dest.substr(cut + 1);
	set_dir_chars(dest);
	// The listed size is cut to whole kilobytes: one more covers the cut.
	double const kb = std::min(1e12, std::max(0.0, static_cast<double>(ext_kb)));
	uint64_t const most = static_cast<uint64_t>(kb * 1000.0) + 1000;

	// The archive yields the one listed file, only below the destination and
	// never through a link: anything else in it makes it bad.
	int const r = zip_to_one_file(zip, dest, leaf, most, true, root);
	int const x = dest.find("Contents/MacOS/") != std::string::npos ? make_file_executable(dest.c_str()) : 0;
	log_action_if(log, "EXPANDING file ", dest, r);
	log_action_if(log, "CHMODING  file ", dest, x);
	int const d = delete_file(zip);
	log_action_if(log, "DELETING  file ", zip, d);
	return r;
}

void alert_cannot_extract(int r, std::string const& zip, std::string dest)
{
	set_dir_chars(dest);
	stg.install_error = 1;
	raise_alert("The installer cannot extract a file.", "Error:" + error_str(r), "Compressed File:" + zip,
	            "Destination:" + dest, ALERT_report, __LINE__);
}

// ---- one path of one stream ------------------------------------------------------

// A failed attempt at path f: another server, until the attempts run out.
// A failed transfer keeps its slot, which fetches f again; a failed
// expansion (found once the slot has moved on) puts f in line for the next
// free slot.
void attempt_failed(int f, std::string const& name, bool requeue = false)
{
	int const tries = ++fail_count[f];
	int const bound = std::max(2, 2 * stg.server_count);
	if (tries >= bound) {
		stg.install_error = 1;
		stg.stream_failed = 0;  // the end screen tells of the error, not of a retry
		log_line("I could not download the file '" + name + "' in " + std::to_string(tries) +
		         " tries, so I am stopping the installation.\n");
		return;
	}
	stg.stream_failed = 1;
	if (requeue)
		refetch.push_back(f);
	else
		next.next_file = std::min(next.next_file, f);
	draw_biased_server();
}

// ---- expansion on the pool ---------------------------------------------------------

void* expand_job_run(void* arg)
{
	expand_job* const job = static_cast<expand_job*>(arg);
	if (abandoning.load()) {
		delete_file(job->archive);
		job->r = kAbandoned;
		return nullptr;
	}
	job->r = expand_archive(job->archive, job->installed, job->ext_kb, job->root, job->log_actions);
	if (job->r == 0) {
		std::string sig;
		job->signed_ok = calc_file_md5(job->installed, sig) == 0 && sig == job->sig_want ? 1 : 0;
	}
	return nullptr;
}

// What a finished job means for its path, on the main thread: true when the
// path is installed.
bool take_result(expand_job const& job)
{
	if (job.r == kAbandoned)
		return false;
	if (job.r != 0 && !archive_bad(job.r)) {
		alert_cannot_extract(job.r, job.archive, job.installed);
		return false;  // install_error is set: the install ends
	}
	if (job.r != 0 || !job.signed_ok) {
		if (job.r != 0)
			log_line("WARNING: the archive of " + job.installed + " does not hold just that file within its size, "
			         "so I am fetching it again.\n");
		else
			log_line("WARNING: the file " + job.installed + " does not have the signature " + job.sig_want +
			         " after expansion, so I am fetching it again.\n");
		return false;
	}
	if (job.f >= 0 && job.f < static_cast<int>(sim_info.size()) && !sim_info[static_cast<size_t>(job.f)].versions.empty())
		sim_info[static_cast<size_t>(job.f)].versions.back().up_to_date = 1;
	next.kb_done += job.zip_kb;
	next.kb_expanded += job.ext_kb;
	return true;
}

void start_job(std::unique_ptr<expand_job> job)
{
	// Tools and tests that never started the framework still get its pool.
	if (!THREAD_is_inited())
		THREAD_init();
	job->call = THREAD_run_async(expand_job_run, job.get());
	expanding.push_back(std::move(job));
}

void adjust_streams_later(int k, int n);

// Takes in the results the pool has finished; wait: also those still running.
void drain_jobs(bool wait)
{
	for (size_t i = 0; i < expanding.size();) {
		expand_job& job = *expanding[i];
		if (!THREAD_is_done(job.call, wait ? -1 : 0)) {
			++i;
			continue;
		}
		THREAD_cleanup(job.call);
		std::unique_ptr<expand_job> const done = std::move(expanding[i]);
		expanding.erase(expanding.begin() + static_cast<std::ptrdiff_t>(i));
		if (wait)
			continue;  // stopping: nothing is counted or retried
		if (take_result(*done))
			adjust_streams_later(done->k, static_cast<int>(sim_info.size()));
		else if (!stg.install_error)
			attempt_failed(done->f, done->name, true);
	}
}

// What handling a path left its slot with.
enum path_state { kPathGoesOn, kPathFinished, kPathExpanding };

// Handles path f for stream slot k.
path_state handle_path(int k, int f)
{
	auto& versions = sim_info[static_cast<size_t>(f)].versions;
	next.wants_file[k] = 0;
	if (versions.empty())
		return kPathFinished;
	file_version_struct& v = versions.back();
	std::string const installed = installed_path(v.name);
	std::string const remote = server_path[server_slot()] + v.name + ".zip";
	crnt_file_path = remote;
	size_t const sep = remote.find_last_of("/:\\");
	crnt_file_name = sep == std::string::npos ? remote : remote.substr(sep + 1);

	if (path_has_no_file(v.name)) {
		raise_alert("I am working through the list and found a path that has no file!",
		            "This is impossible to download or delete!", "It is:", v.name, ALERT_fatal, __LINE__);
		return kPathFinished;
	}

	if (v.del_it) {
		stg.grab_phase = GRAB_deleting;
		if (remove_listed_file(installed)) clean_up_folders_of(installed);
		return kPathFinished;
	}
	// Deleted already by an install that was cut short before its clean-up
	// (the clean-up never removes the working folders an install makes).
	if (v.sig_want == "GONE" && v.sig_have == "NONE" && inside_dest(installed)) {
		struct stat st;
		std::string const folder = installed.substr(0, installed.find_last_of('/') + 1);
		if (lstat((app_path + folder).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
			clean_up_folders_of(installed);
	}
	if (!v.get_it) {
		stg.grab_phase = v.up_to_date ? GRAB_current : GRAB_unwanted;
		return kPathFinished;
	}

	stg.grab_phase = GRAB_downloading;
	std::string const archive = slot_archive(k);
	switch (http.net_check(k + kFirstSlot, server_name[server_slot()], remote, archive, archive_cap(v.zip_size))) {
	case 0: {
		float percent = 0.0f;
		if (down_class const* d = http.downloads[k + kFirstSlot].get()) {
			if (d->content_length == -1)
				percent = -1.0f;
			else if (d->content_length > 0)
				percent = static_cast<float>(d->received) * 100.0f / static_cast<float>(d->content_length);
		}
		stg.grab_progress = percent * 0.01f;
		next.kb_in_flight += std::max(0.0f, percent) * 0.01f * v.zip_size;
		return kPathGoesOn;
	}
	case 1: {
		stg.stream_failed = 0;
		// The slot's archive name serves its next transfer at once.
		auto job = std::make_unique<expand_job>();
		job->archive = temp_path + "x" + std::to_string(++job_serial) + ".zip";
		if (rename_file(app_path + temp_path, archive.substr(temp_path.size()), job->archive.substr(temp_path.size())) != 0)
			job->archive = archive;  // expanded below, before the slot fetches again
		job->f = f;
		job->name = v.name;
		job->installed = installed;
		job->sig_want = v.sig_want;
		job->root = dest_dir_path;
		job->ext_kb = v.ext_size;
		job->zip_kb = v.zip_size;
		job->log_actions = stg.log_actions;
		if (job->archive == archive) {
			expand_job_run(job.get());
			if (take_result(*job))
				return kPathFinished;
			if (!stg.install_error)
				attempt_failed(f, v.name);
			return kPathGoesOn;
		}
		job->k = k;
		start_job(std::move(job));
		return kPathExpanding;
	}
	case 2:
		attempt_failed(f, v.name);
		return kPathGoesOn;
	default:
		return kPathGoesOn;
	}
}

// ---- stream count ---------------------------------------------------------------

int wanted_streams()
{
	float const elapsed = std::max(1.0f, xtim.run_time - next.start_time);
	float const rate = (next.kb_done + next.kb_in_flight) / elapsed;
	int wanted = rate <= 50.0f ? 2 : rate <= 100.0f ? 4 : rate <= 150.0f ? 6 : rate <= 200.0f ? 8 : 9;
	// A count outside 1..4 (a hand-edited preference) must never retire every slot.
	if (stg.stream_count != 0)
		wanted = std::max(1, std::min(stg.stream_count, kStreams));
	return wanted;
}

int busy_streams()
{
	int busy = 0;
	for (int j = 0; j < kStreams; j++)
		busy += next.active[j] ? 1 : 0;
	return busy;
}

// At most one slot more for a finished path.
void add_stream(int busy, int wanted)
{
	if (busy >= wanted)
		return;
	for (int j = 0; j < kStreams; j++) {
		if (!next.active[j]) {
			next.active[j] = 1;
			next.wants_file[j] = 1;
			break;
		}
	}
}

// After slot k finished a path: at most one slot more, or slot k retires.
void adjust_streams(int k)
{
	int const wanted = wanted_streams();
	int const busy = busy_streams();
	add_stream(busy, wanted);
	if (wanted < busy)
		next.active[k] = 0;
	else
		next.wants_file[k] = 1;
}

// The same once the pool has installed a path of slot k, which has moved on
// to its next path meanwhile: a slot that retires gives its transfer up, and
// that path goes to the next free slot.
void adjust_streams_later(int k, int n)
{
	int const wanted = wanted_streams();
	int const busy = busy_streams();
	add_stream(busy, wanted);
	if (wanted >= busy)
		return;
	int j = k;
	if (!next.active[j])
		for (j = kStreams - 1; j > 0 && !next.active[j]; j--) {}
	if (!next.wants_file[j] && next.file_index[j] >= 0 && next.file_index[j] < n) {
		http.cancel(j + kFirstSlot);
		if (!temp_path.empty())
			delete_file(slot_archive(j));
		refetch.push_front(next.file_index[j]);
	}
	next.active[j] = 0;
}

// ---- the end ----------------------------------------------------------------------

bool install_name_usable(std::string const& parent)
{
	if (install_name.empty() || install_name == "." || install_name == ".." ||
	    install_name.find_first_of("/:\\") != std::string::npos)
		return false;
	// Never over anything that stands there already, not even an empty folder.
	struct stat st;
	return lstat((app_path + parent + install_name).c_str(), &st) != 0 && errno == ENOENT;
}

void finish_install()
{
	next.finished = 1;

	// Deepest first: a folder sorts after its parent.
	for (auto it = deleted_files.rbegin(); it != deleted_files.rend(); ++it) {
		if (working_folder(*it)) continue;
		sweep_left_over(app_path + *it);  // what a killed run half wrote there is no one's
		if (opensave_getitems_in(*it, 0) == 0) remove_emptied_folder(*it);
	}

	if (this_install_has_exes && stg.rename_folder) {
		std::string d = dest_dir_path;
		while (!d.empty() && d.back() == '/')
			d.pop_back();
		size_t const cut = d.find_last_of('/');
		if (cut != std::string::npos) {
			std::string const parent = d.substr(0, cut + 1);
			if (install_name_usable(parent) && rename_file(parent, d.substr(cut + 1), install_name) == 0)
				dest_dir_path = parent + install_name + "/";
		}
	}
}

}  // namespace

// ---- grab_files ----------------------------------------------------------------------

void reset_next()
{
	int const finished = next.finished;
	next = next_struct{0, finished, {1, 1, 0, 0}, {1, 1, 0, 0}, {0, 0, 0, 0}, xtim.run_time, 0.0f, 0.0f, 0.0f};
	fail_count.clear();
	refetch.clear();
}

int grab_files()
{
	int const n = static_cast<int>(sim_info.size());
	next.kb_in_flight = 0.0f;
	drain_jobs(false);
	for (int k = 0; k < kStreams; k++) {
		if (!next.active[k])
			continue;
		if (next.wants_file[k]) {
			// While the pool is behind, no new transfer starts.
			int held = 0;
			for (auto const& job : expanding)
				held += job->k == k ? 1 : 0;
			if (held >= kMostExpandingPerSlot)
				continue;
			if (!refetch.empty()) {
				next.file_index[k] = refetch.front();
				refetch.pop_front();
			} else {
				next.file_index[k] = next.next_file;
				next.next_file = std::max(0, std::min(next.next_file + 1, n));
			}
		}
		int const f = next.file_index[k];
		if (f < 0 || f >= n)
			continue;
		switch (handle_path(k, f)) {
		case kPathFinished: adjust_streams(k); break;
		case kPathExpanding: next.wants_file[k] = 1; break;
		case kPathGoesOn: break;
		}
	}
	for (int k = 0; k < kStreams; k++)
		if (next.active[k] && next.file_index[k] >= 0 && next.file_index[k] < n)
			return stg.install_error;
	// Every file is in place before the end is told, and a failed install
	// never comes to its end.
	if (!expanding.empty() || !refetch.empty() || stg.install_error)
		return stg.install_error;
	finish_install();
	return 1;
}

void grab_raise_alerts()
{
	std::vector<held_alert> const due = std::move(held_alerts);
	held_alerts.clear();
	for (auto const& a : due)
		__VEDEZE_alert(0, a.m1, a.m2, a.m3, a.m4, a.severity, a.file, a.line);
}

void grab_hold_alert(exce_class const& e)
{
	held_alerts.push_back({e.msg1, e.msg2, e.msg3, e.msg4, ALERT_fatal, e.file ? e.file : "grab", e.line});
}

void grab_wait(int timeout_ms)
{
	int const n = static_cast<int>(sim_info.size());
	std::vector<int> slots;
	for (int k = 0; k < kStreams; k++)
		if (next.active[k] && !next.wants_file[k] && next.file_index[k] >= 0 && next.file_index[k] < n)
			slots.push_back(k + kFirstSlot);
	if (!slots.empty())
		http.wait_any(slots, timeout_ms);
	else if (!expanding.empty())
		THREAD_is_done(expanding.front()->call, timeout_ms);  // the pool's next result
}

int extract_and_delete_file(std::string zip, std::string dest, float ext_kb)
{
	int const r = expand_archive(zip, dest, ext_kb, dest_dir_path, stg.log_actions);
	if (r != 0 && !archive_bad(r))
		alert_cannot_extract(r, zip, dest);
	return r;
}

void make_shortcut() {}

// ---- removals --------------------------------------------------------------------------

bool remove_listed_file(std::string const& installed)
{
	if (!inside_dest(installed)) {
		log_line("WARNING: I am not deleting " + installed + " because it is not inside the destination.\n");
		return false;
	}
	int const r = delete_file(installed);
	log_action("now we want to nuke a file: DELETING  file ", installed, r);
	return true;
}

int remove_emptied_folder(std::string const& folder)
{
	// Removing a folder never removes what is in it, hidden entries included.
	int const r = delete_file(folder);
	log_action("cleanup: DELETING  file ", folder, r);
	return r;
}

// ---- abandoning transfers ---------------------------------------------------------------

void abandon_transfers()
{
	// The pool's files end whole or not at all: a job under way finishes
	// (its file was flushed before its rename), the others give up.
	abandoning = 1;
	drain_jobs(true);
	abandoning = 0;
	refetch.clear();
	for (int k = 0; k < kStreams; k++) {
		http.cancel(k + kFirstSlot);
		// Only the partial archives: nothing in the destination is touched.
		if (!temp_path.empty())
			delete_file(slot_archive(k));
	}
}
