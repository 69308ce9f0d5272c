#include <gtest/gtest.h>
#include <pthread.h>

#include <thread>

#include "foundation/app_globals.h"
#include "foundation/exce.h"
#include "foundation/hl_thread.h"
#include "support/alert_recorder.h"

TEST(Exce, DefaultNamesNoException)
{
	exce_class e;
	EXPECT_STREQ(e.file, "no exception");
	EXPECT_EQ(e.line, 0);
	EXPECT_TRUE(e.msg1.empty() && e.msg2.empty() && e.msg3.empty() && e.msg4.empty());
}

TEST(Exce, CopyOutlivesSourceAndSharesFileText)
{
	static char const site[] = "hl_init";
	exce_class* src = new exce_class("one", "two", "", "four", site, 77);
	exce_class copy(*src);
	exce_class assigned;
	assigned = *src;
	delete src;
	for (exce_class const* e : {&copy, &assigned}) {
		EXPECT_EQ(e->msg1, "one");
		EXPECT_EQ(e->msg2, "two");
		EXPECT_EQ(e->msg3, "");
		EXPECT_EQ(e->msg4, "four");
		EXPECT_EQ(e->file, site);
		EXPECT_EQ(e->line, 77);
	}
}

TEST(Exce, LogAndContinueWritesExactlyFiveLines)
{
	temp_dir dir;
	app_done = 0;
	std::string const log = open_test_log(dir);
	exce_class("a", "", "c", "", "xmap", 12).LogAndContinue();
	EXPECT_EQ(read_text_file(log), "Logging Exception thrown from file: xmap, line 12.\na\n\nc\n\n");
	EXPECT_EQ(app_done, 0);
}

TEST(Exce, ReportOnMainThreadShowsSeverityOneAlertAndReturns)
{
	temp_dir dir;
	app_done = 0;
	std::string const log = open_test_log(dir);
	alert_recorder_install();
	exce_class("first", "second", "third", "fourth", "http", 5).ReportAndContinue();
	ASSERT_EQ(recorded_alerts().size(), 1u);
	EXPECT_EQ(recorded_alerts()[0].text, "first second");
	EXPECT_EQ(recorded_alerts()[0].detail, "third fourth");
	EXPECT_EQ(app_done, 0);
	EXPECT_NE(read_text_file(log).find("first\nsecond\nthird\nfourth\n(exce line "), std::string::npos);
}

TEST(Exce, ReportOnWorkerLogsAndAsksTheMainLoopToQuit)
{
	temp_dir dir;
	std::string const log = open_test_log(dir);
	alert_recorder_install();
	main_thread = pthread_self();
	threads_inited = 1;
	app_done = 0;
	std::thread worker([] { exce_class("w1", "w2", "w3", "w4", "tman", 9).ReportAndContinue(); });
	worker.join();
	threads_inited = 0;
	EXPECT_TRUE(recorded_alerts().empty());
	EXPECT_EQ(app_done, 1);
	EXPECT_EQ(read_text_file(log), "EXCEPTION REPORTED FROM THREAD!!  File: tman, line 9.\nw1\nw2\nw3\nw4\n");
	app_done = 0;
}
