// Records alerts instead of showing them, and points the log at a file of
// the test's own.
#pragma once
#include <string>
#include <vector>

struct recorded_alert {
	int window;
	std::string msg1, msg2, msg3, msg4;
	std::string position;  // empty for the system alert
	int severity;          // -1 for the system alert
	std::string text, detail;  // system alert only
};

// Installs the recorder for both displays; the recorded alerts are kept in
// order of arrival.
void alert_recorder_install();
std::vector<recorded_alert>& recorded_alerts();

// Shows every alert on stderr as "msg1|msg2|msg3|msg4 (file line N) severity
// S", in-window alerts included (sets ogl_inited), so that a death test can
// match the alert that ended the program.
void alert_printer_install();

// A private temporary folder, removed with its contents when destroyed.
class temp_dir {
public:
	temp_dir();
	~temp_dir();
	temp_dir(temp_dir const&) = delete;
	temp_dir& operator=(temp_dir const&) = delete;
	std::string const& path() const { return path_; }  // ends in "/"
private:
	std::string path_;
};

// Opens the log stream xer on a fresh file and returns its path.
std::string open_test_log(temp_dir const& dir);
// Whole text of a file ("" when missing).
std::string read_text_file(std::string const& path);
void write_text_file(std::string const& path, std::string const& text);
