// xtim is the last of the program's globals to be built; it has no
// dependency on the others, so its own unit is enough.
#include "foundation/xtim.h"

#include <time.h>

#include <atomic>
#include <cmath>

#include "foundation/app_globals.h"

xtim_class xtim;

unsigned long long xtim_class::shared_stamp = 0;

namespace {

unsigned long long monotonic_microsecs()
{
	timespec ts{};
	clock_gettime(CLOCK_MONOTONIC, &ts);
	return static_cast<unsigned long long>(ts.tv_sec) * 1000000ull +
	       static_cast<unsigned long long>(ts.tv_nsec) / 1000ull;
}

constexpr unsigned long long no_base = ~0ull;

// Constant-initialised, so a clock read from another unit's static
// initialiser finds them ready.
std::atomic<xtim_class::clock_source> clock_now{monotonic_microsecs};
std::atomic<unsigned long long> time_base{no_base};

int const month_len[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

}  // namespace

unsigned long long xtim_class::microsecs()
{
	unsigned long long const now = clock_now.load()();
	unsigned long long base = time_base.load();
	if (base == no_base) {
		unsigned long long expected = no_base;
		base = time_base.compare_exchange_strong(expected, now) ? now : expected;
	}
	return now > base ? now - base : 0;
}

void xtim_class::set_clock_source(clock_source source)
{
	clock_now.store(source ? source : monotonic_microsecs);
	time_base.store(no_base);
}

std::uint32_t xtim_class::del_time(unsigned long long* stamp)
{
	if (!stamp) stamp = &shared_stamp;
	unsigned long long const now = microsecs();
	std::uint32_t const elapsed = static_cast<std::uint32_t>(now - *stamp);
	*stamp = now;
	return elapsed;
}

void xtim_class::current_month_day(int* month, int* day)
{
	// Outside one year the date is kept within it rather than read past December.
	int const d = day_of_year < 0 ? 0 : (day_of_year > 364 ? 364 : day_of_year);
	int m = 0;
	int total = 0;
	if (d >= 31) {
		total = 31;
		for (m = 1; m < 11 && total + month_len[m] <= d; ++m) total += month_len[m];
	}
	if (month) *month = m;
	if (day) *day = d - total + 1;
}

void xtim_class::xtim_hrs_min_sec(float seconds, float* hours, float* minutes, float* secs)
{
	// Whole values stay floats: no conversion that could overflow an int.
	float const h = std::trunc(seconds / 3600.0f);
	float const m = std::trunc(seconds / 60.0f) - std::trunc(h * 60.0f);
	float const s = std::trunc(seconds) - std::trunc(h * 3600.0f) - std::trunc(m * 60.0f);
	if (hours) *hours = h;
	if (minutes) *minutes = m;
	if (secs) *secs = s;
}

float xtim_class::speed_rat()
{
	switch (mnw.speed_sel) {
	case 2: return -5.0f;
	case 3: return -1.0f;
	case 4: return -0.2f;
	case 5: return 0.0f;
	case 6: return 0.2f;
	case 7: return 1.0f;
	case 8: return 5.0f;
	default: return 1.0f;
	}
}

void xtim_class::xtim_update() {}

void xtim_class::profile_chart(std::string, int) {}
