#include "foundation/alert.h"

#include <cstdlib>
#include <mutex>

#include "foundation/app_globals.h"
#include "foundation/exce.h"
#include "foundation/hl_string.h"
#include "foundation/hl_thread.h"
#include "platform/system_alert.h"

namespace {

alert_window_fn window_display = nullptr;
alert_system_fn system_display = nullptr;
alert_finish_fn finish = nullptr;
int in_alert = 0;

// The system alert takes length-prefixed strings of at most 499 characters.
// A re-entered alert cuts its text instead of raising "String too long!"
// again, which would recurse without end.
std::string system_string(std::string const& text, bool reentry)
{
	if (text.size() < 500) return text;
	if (!reentry) __VEDEZE_alert(0, "String too long!", text, "", "", 2, "hl_string", 132);
	return text.substr(0, 499);
}

}  // namespace

void alert_set_window_display(alert_window_fn fn) { window_display = fn; }
alert_window_fn alert_window_display_now() { return window_display; }
void alert_set_system_display(alert_system_fn fn) { system_display = fn; }
void alert_set_finish(alert_finish_fn fn) { finish = fn; }

void alert_default_finish(int)
{
	std::lock_guard<std::mutex> hold(xer_lock);
	if (xer.is_open()) {
		xer.flush();
		xer.close();
	}
}

void alert_run_finish(int save) { (finish ? finish : alert_default_finish)(save); }

void __VEDEZE_alert(int window, std::string msg1, std::string msg2, std::string msg3,
                    std::string msg4, int severity, char const* file, int line)
{
	if (THREAD_is_inited() && !THREAD_is_main_thread())
		throw exce_class(msg1, msg2, msg3, msg4, file, line);

	char number[12];
	int_to_str(line, number, 1, 0);
	std::string const position = "(" + std::string(file ? file : "") + " line " + number + ")";

	bool const reentry = in_alert != 0;
	in_alert = 1;
	// A display or finish that throws instead of ending the program must
	// not leave every later alert taken for a re-entry.
	struct reentry_guard {
		bool outer;
		~reentry_guard()
		{
			if (outer) in_alert = 0;
		}
	} const guard{!reentry};

	bool const empty = msg1.empty() && msg2.empty() && msg3.empty() && msg4.empty();
	if (ogl_inited == 1 && !reentry && window_display) {
		window_display(window, msg1, msg2, msg3, msg4, position, severity);
	} else if (!empty) {
		std::string const text = system_string(msg1 + " " + msg2, reentry);
		std::string const detail = system_string(msg3 + " " + msg4, reentry);
		if (system_display)
			system_display(text, detail);
		else
			PLT_system_alert(text, detail);
	}

	if (severity == ALERT_report || severity == ALERT_fatal || reentry) {
		std::lock_guard<std::mutex> hold(xer_lock);
		xer << msg1 << "\n" << msg2 << "\n" << msg3 << "\n" << msg4 << "\n" << position << "\n";
		xer.flush();
	}

	if (severity != ALERT_fatal && !reentry) {
		in_alert = 0;
		return;
	}
	alert_run_finish(0);
	app_done = 1;
	std::exit(1);
}
