#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "foundation/app_globals.h"
#include "foundation/xtim.h"

namespace {

unsigned long long fake_now = 0;
unsigned long long fake_clock() { return fake_now; }

struct driven_clock {
	explicit driven_clock(unsigned long long start)
	{
		fake_now = start;
		xtim_class::set_clock_source(fake_clock);
	}
	~driven_clock() { xtim_class::set_clock_source(nullptr); }
	void advance(unsigned long long us) { fake_now += us; }
};

}  // namespace

TEST(Xtim, StartValues)
{
	xtim_class t;
	EXPECT_EQ(t.first_pass, 0);
	EXPECT_EQ(t.prd_FM, 0.0f);
	EXPECT_EQ(t.prd_UI, 0.0f);
	EXPECT_EQ(t.rat_FM, 1.0f);
	EXPECT_EQ(t.rat_UI, 1.0f);
	EXPECT_EQ(t.run_time, 0.0f);
	EXPECT_EQ(t.day_of_year, 90);
	int const ticks[] = {t.tick01, t.tick02, t.tick05, t.tick1, t.tick2,
	                     t.tick5,  t.tick10, t.tick20, t.tick40, t.tick00};
	for (int tick : ticks) EXPECT_EQ(tick, 0);
	EXPECT_EQ(xtim.day_of_year, 90);
}

TEST(Xtim, RealClockStartsAtZeroAndNeverGoesBack)
{
	EXPECT_EQ(xtim_class::microsecs(), 0u);
	unsigned long long last = 0;
	for (int i = 0; i < 1000; ++i) {
		unsigned long long const now = xtim_class::microsecs();
		EXPECT_GE(now, last);
		last = now;
	}
	std::this_thread::sleep_for(std::chrono::milliseconds(2));
	EXPECT_GE(xtim_class::microsecs(), last + 2000);
}

TEST(Xtim, DrivenClockAndDelTime)
{
	driven_clock clock(5000000000ull);  // the source's own origin is irrelevant
	EXPECT_EQ(xtim_class::microsecs(), 0u);
	clock.advance(0x100000005ull);  // more than 32 bits of microseconds
	EXPECT_EQ(xtim_class::microsecs(), 0x100000005ull);

	xtim_class t;
	unsigned long long stamp = 0;
	EXPECT_EQ(t.del_time(&stamp), 5u);  // the low 32 bits
	EXPECT_EQ(stamp, 0x100000005ull);
	clock.advance(1234);
	EXPECT_EQ(t.del_time(&stamp), 1234u);
	EXPECT_EQ(t.del_time(&stamp), 0u);

	// Without a stamp of its own the class keeps one shared stamp.
	t.del_time(nullptr);
	clock.advance(77);
	xtim_class other;
	EXPECT_EQ(other.del_time(nullptr), 77u);
}

TEST(Xtim, ClockBehindTheBaseReadsZero)
{
	driven_clock clock(1000);
	EXPECT_EQ(xtim_class::microsecs(), 0u);
	fake_now = 10;  // a source that stepped back must not wrap round
	EXPECT_EQ(xtim_class::microsecs(), 0u);
}

TEST(Xtim, MonthAndDayOfYear)
{
	struct {
		int day_of_year, month, day;
	} const cases[] = {
	    {0, 0, 1},   {30, 0, 31},  {31, 1, 1},   {58, 1, 28},  {59, 2, 1},
	    {90, 3, 1},  {333, 10, 30}, {334, 11, 1}, {364, 11, 31},
	    // Outside one year the date stays within it.
	    {365, 11, 31}, {100000, 11, 31}, {-1, 0, 1}, {-100000, 0, 1},
	};
	xtim_class t;
	for (auto const& c : cases) {
		SCOPED_TRACE(c.day_of_year);
		t.day_of_year = c.day_of_year;
		int month = -9, day = -9;
		t.current_month_day(&month, &day);
		EXPECT_EQ(month, c.month);
		EXPECT_EQ(day, c.day);
	}
}

TEST(Xtim, HoursMinutesSeconds)
{
	struct {
		float in, h, m, s;
	} const cases[] = {
	    {3725.9f, 1, 2, 5}, {0.0f, 0, 0, 0}, {59.99f, 0, 0, 59}, {60.0f, 0, 1, 0},
	    {86399.0f, 23, 59, 59}, {-61.5f, -0.0f, -1, -1}, {1e30f, 1e30f / 3600.0f, 0, 0},
	};
	xtim_class t;
	for (auto const& c : cases) {
		SCOPED_TRACE(c.in);
		float h = -9, m = -9, s = -9;
		t.xtim_hrs_min_sec(c.in, &h, &m, &s);
		EXPECT_FLOAT_EQ(h, std::trunc(c.h));
		if (c.in < 1e20f) {
			EXPECT_FLOAT_EQ(m, c.m);
			EXPECT_FLOAT_EQ(s, c.s);
		} else {
			EXPECT_TRUE(std::isfinite(m) && std::isfinite(s));
		}
	}
}

TEST(Xtim, SpeedRatioBySelector)
{
	struct {
		int sel;
		float rat;
	} const cases[] = {
	    {0, 1.0f}, {1, 1.0f}, {2, -5.0f}, {3, -1.0f}, {4, -0.2f}, {5, 0.0f},
	    {6, 0.2f}, {7, 1.0f}, {8, 5.0f},  {9, 1.0f},  {-1, 1.0f},
	};
	xtim_class t;
	for (auto const& c : cases) {
		SCOPED_TRACE(c.sel);
		mnw.speed_sel = c.sel;
		EXPECT_EQ(t.speed_rat(), c.rat);
	}
}
