#include <gtest/gtest.h>
#include <pthread.h>

#include <thread>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/exce.h"
#include "foundation/hl_thread.h"
#include "support/alert_recorder.h"
#include "support/logged_test.h"

namespace {

struct AlertTest : logged_test {
	void SetUp() override
	{
		logged_test::SetUp();
		ogl_inited = 0;
	}
};

}  // namespace

TEST_F(AlertTest, SeverityZeroBeforeWindowShowsSystemAlertWithoutLogging)
{
	__VEDEZE_alert(0, "a", "b", "c", "d", 0, "hl_init", 10);
	ASSERT_EQ(recorded_alerts().size(), 1u);
	EXPECT_EQ(recorded_alerts()[0].text, "a b");
	EXPECT_EQ(recorded_alerts()[0].detail, "c d");
	EXPECT_EQ(read_text_file(log), "");
}

TEST_F(AlertTest, SeverityOneLogsFourLinesAndPositionThenReturns)
{
	__VEDEZE_alert(0, "one", "", "three", "four", 1, "pref", 321);
	EXPECT_EQ(read_text_file(log), "one\n\nthree\nfour\n(pref line 321)\n");
	ASSERT_EQ(recorded_alerts().size(), 1u);
	// A second alert after the first returned is no re-entry.
	__VEDEZE_alert(0, "again", "", "", "", 1, "pref", 322);
	EXPECT_EQ(recorded_alerts().size(), 2u);
}

TEST_F(AlertTest, FinishThatThrowsLeavesNoReentryBehind)
{
	// A finish that throws instead of ending the program (as a harness
	// does): the next warning is an ordinary one, shown and returned from.
	struct stop {};
	alert_set_finish([](int) { throw stop(); });
	EXPECT_THROW(__VEDEZE_alert(0, "fatal", "", "", "", 2, "u", 1), stop);
	__VEDEZE_alert(0, "warning", "", "", "", 1, "u", 2);
	alert_set_finish(nullptr);
	ASSERT_EQ(recorded_alerts().size(), 2u);
	EXPECT_EQ(recorded_alerts()[1].text, "warning ");
	EXPECT_EQ(app_done.load(), 0);
}

TEST_F(AlertTest, InWindowScreenOnceGlIsUp)
{
	ogl_inited = 1;
	__VEDEZE_alert(2, "x", "y", "", "", 1, "butn", 44);
	ASSERT_EQ(recorded_alerts().size(), 1u);
	recorded_alert const& a = recorded_alerts()[0];
	EXPECT_EQ(a.window, 2);
	EXPECT_EQ(a.severity, 1);
	EXPECT_EQ(a.msg1, "x");
	EXPECT_EQ(a.position, "(butn line 44)");
}

TEST_F(AlertTest, WorkerThreadAlertThrowsAndNeitherShowsNorLogs)
{
	main_thread = pthread_self();
	threads_inited = 1;
	exce_class caught;
	bool thrown = false;
	std::thread worker([&] {
		try {
			__VEDEZE_alert(0, "m1", "m2", "m3", "m4", 1, "tman", 88);
		} catch (exce_class const& e) {
			caught = e;
			thrown = true;
		}
	});
	worker.join();
	threads_inited = 0;
	ASSERT_TRUE(thrown);
	EXPECT_EQ(caught.msg1, "m1");
	EXPECT_EQ(caught.msg4, "m4");
	EXPECT_STREQ(caught.file, "tman");
	EXPECT_EQ(caught.line, 88);
	EXPECT_TRUE(recorded_alerts().empty());
	EXPECT_EQ(read_text_file(log), "");
}

using AlertDeathTest = AlertTest;

TEST_F(AlertDeathTest, SeverityTwoLogsFinishesAndExitsOne)
{
	EXPECT_EXIT(__VEDEZE_alert(0, "fatal one", "two", "three", "four", 2, "xmap", 99),
	            ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(read_text_file(log), "fatal one\ntwo\nthree\nfour\n(xmap line 99)\n");
}

TEST_F(AlertDeathTest, EmptySeverityTwoStillExits)
{
	EXPECT_EXIT(__VEDEZE_alert(0, "", "", "", "", 2, "hl_init", 1), ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(read_text_file(log), "\n\n\n\n(hl_init line 1)\n");
}

namespace {
// Raises a severity-1 alert from inside the display of another one.
void reenter_display(std::string const&, std::string const&)
{
	alert_set_system_display(nullptr);
	__VEDEZE_alert(0, "inner", "", "", "", 1, "inner_unit", 2);
}
}  // namespace

TEST_F(AlertDeathTest, ReentryIsFatalAndLogged)
{
	EXPECT_EXIT(
	    {
		    alert_set_system_display(reenter_display);
		    __VEDEZE_alert(0, "outer", "", "", "", 1, "outer_unit", 1);
	    },
	    ::testing::ExitedWithCode(1), "inner");
	std::string const text = read_text_file(log);
	EXPECT_NE(text.find("inner\n\n\n\n(inner_unit line 2)\n"), std::string::npos);
}

TEST_F(AlertDeathTest, OverlongSystemTextRaisesStringTooLongOnceAndExits)
{
	std::string const big(600, 'q');
	EXPECT_EXIT(__VEDEZE_alert(0, big, "", "", "", 1, "caller", 3), ::testing::ExitedWithCode(1), "");
	std::string const text = read_text_file(log);
	EXPECT_EQ(text, "String too long!\n" + big + " \n\n\n(hl_string line 132)\n");
}

TEST_F(AlertDeathTest, FatalRunsTheRegisteredFinishWithoutSaving)
{
	EXPECT_EXIT(
	    {
		    alert_set_finish([](int save) {
			    xer << "finish " << save << "\n";
			    xer.close();
		    });
		    __VEDEZE_alert(0, "bye", "", "", "", 2, "u", 4);
	    },
	    ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(read_text_file(log), "bye\n\n\n\n(u line 4)\nfinish 0\n");
}
