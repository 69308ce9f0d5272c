#include "foundation/exce.h"

#include <mutex>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/hl_thread.h"

exce_class::exce_class() : file("no exception"), line(0) {}

exce_class::exce_class(std::string m1, std::string m2, std::string m3, std::string m4,
                       char const* f, int l)
    : msg1(std::move(m1)), msg2(std::move(m2)), msg3(std::move(m3)), msg4(std::move(m4)),
      file(f), line(l) {}

exce_class::~exce_class() = default;

void exce_class::ReportAndContinue()
{
	if (THREAD_is_inited() && !THREAD_is_main_thread()) {
		// A worker may not tear down the window or join itself: it logs and asks
		// the main loop to quit, which then finishes in order.
		{
			std::lock_guard<std::mutex> hold(xer_lock);
			xer << "EXCEPTION REPORTED FROM THREAD!!  File: " << file << ", line " << line << ".\n";
			xer << msg1 << "\n" << msg2 << "\n" << msg3 << "\n" << msg4 << "\n";
			xer.flush();
		}
		app_done = 1;
		return;
	}
	__VEDEZE_alert(0, msg1, msg2, msg3, msg4, 1, "exce", __LINE__);
}

void exce_class::LogAndContinue()
{
	std::lock_guard<std::mutex> hold(xer_lock);
	xer << "Logging Exception thrown from file: " << file << ", line " << line << ".\n";
	xer << msg1 << "\n" << msg2 << "\n" << msg3 << "\n" << msg4 << "\n";
	xer.flush();
}
