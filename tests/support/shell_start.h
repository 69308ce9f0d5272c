// The real start-up, offscreen, with a temporary folder standing in for the
// program's folder (its log lands there) and for the settings folder. Test
// programs that use it define the application's upward calls themselves
// (recall_ins_texes may plant an interface image in the scratch buffer).
#pragma once
#include <string>

#include "support/alert_recorder.h"

class started_app {
public:
	// Runs VEDEZE_init; record_alerts installs the alert recorder first.
	explicit started_app(bool record_alerts = true);
	// Finishes with VEDEZE_finishup(0) unless finish() ran.
	~started_app();
	started_app(started_app const&) = delete;
	started_app& operator=(started_app const&) = delete;

	void finish(int save);
	std::string const& folder() const { return dir_.path(); }  // ends in "/"
	std::string log_path() const { return dir_.path() + "Log.txt"; }
	std::string log_text() const { return read_text_file(log_path()); }

	// Points the program's folder and the settings folder into dir without
	// starting; for tests that call VEDEZE_init themselves.
	static void prepare(temp_dir const& dir);

private:
	temp_dir dir_;
	bool finished_ = false;
};
