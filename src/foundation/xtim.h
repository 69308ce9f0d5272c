// The program's clock values and calendar day, with a monotonic microsecond
// clock that tests can drive.
#pragma once
#include <cstdint>
#include <string>

class xtim_class {
public:
	int first_pass = 0;     // 1 from start-up until the first application update ran
	float prd_FM = 0.0f;    // smoothed frame period of the main screen, seconds
	float prd_UI = 0.0f;    // smoothed frame period of the other non-modal screens
	float rat_FM = 1.0f;    // last measured frame-time ratios
	float rat_UI = 1.0f;
	float run_time = 0.0f;  // seconds since the first frame
	int day_of_year = 90;   // from 0; 90 is the first of April
	// Set in a frame when their period (10 s down to 0.01 s) has passed.
	int tick01 = 0, tick02 = 0, tick05 = 0, tick1 = 0, tick2 = 0;
	int tick5 = 0, tick10 = 0, tick20 = 0, tick40 = 0, tick00 = 0;

	// Microseconds since the first call in the process (which returns 0).
	static unsigned long long microsecs();
	// Time since *stamp (32 bits), and *stamp becomes now; null uses a shared stamp.
	std::uint32_t del_time(unsigned long long* stamp);
	// Month 0..11 and day from 1 for day_of_year (no leap years).
	void current_month_day(int* month, int* day);
	void xtim_hrs_min_sec(float seconds, float* hours, float* minutes, float* secs);
	// Time-speed ratio of the shell's speed selector.
	float speed_rat();
	void xtim_update();
	void profile_chart(std::string, int);

	// The raw microsecond source behind microsecs(). Tests install their own
	// to drive time; installing one (or null for the monotonic clock) starts
	// a new time base, so the next microsecs() returns 0.
	using clock_source = unsigned long long (*)();
	static void set_clock_source(clock_source source);

private:
	static unsigned long long shared_stamp;
};

extern xtim_class xtim;
