// The universal alert. It decides and logs here, at the bottom; how an alert
// is shown and how the program finishes are registered from above.
#pragma once
#include <string>

// Values of the alert's severity (the argument stays an int).
enum alert_severity {
	ALERT_show = 0,    // shown only, not logged
	ALERT_report = 1,  // shown and logged; the program goes on
	ALERT_fatal = 2,   // shown and logged; the program ends with status 1
};

void __VEDEZE_alert(int window, std::string msg1, std::string msg2, std::string msg3,
                    std::string msg4, int severity, char const* file, int line);

// In-window alert screen (used once the GL window is up, outside re-entries).
using alert_window_fn = void (*)(int window, std::string const& msg1, std::string const& msg2,
                                 std::string const& msg3, std::string const& msg4,
                                 std::string const& position, int severity);
// The system's stop alert: main text and detail text.
using alert_system_fn = void (*)(std::string const& text, std::string const& detail);
// The program's finish; the alert passes 0 (no preferences, no threads).
using alert_finish_fn = void (*)(int save);

void alert_set_window_display(alert_window_fn fn);
alert_window_fn alert_window_display_now();  // null when none is registered
void alert_set_system_display(alert_system_fn fn);  // null restores the platform's
void alert_set_finish(alert_finish_fn fn);          // null restores the log-closing finish

// The finish used until the shell registers its own: flush and close the log.
void alert_default_finish(int save);
// Runs the registered finish (or the default one); for callers that end the
// program themselves, such as the launch of another application.
void alert_run_finish(int save);
