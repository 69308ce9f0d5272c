// Named float counters grouped by kind, and the profiler hooks (empty).
#pragma once
#include <map>
#include <set>

enum UTL_stat_type : int {
	stat_general = 0,
	stat_render = 1,  // the drawing code's counters
};

class UTL_stat {
public:
	UTL_stat(char const* name, UTL_stat_type type, float start);  // keeps its own value
	UTL_stat(float* target, char const* name, UTL_stat_type type);  // value is the caller's float
	~UTL_stat();  // stays in the registry

	static void init_stats();
	// Zeroes own_value of every statistic of one kind.
	static void reset_stats(UTL_stat_type type);
	void publish();

	float own_value;
	UTL_stat_type type;
	UTL_stat* next;    // link in the waiting list
	float* value;      // own_value or the caller's float
	char const* name;  // static text, not owned

	// Registry, built on first use so statistics of any unit can reach it.
	static std::map<UTL_stat_type, std::set<UTL_stat*>>& all_stats();
	static UTL_stat* waiting;     // made before init_stats, newest first
	static int stat_initialized;

private:
	void enroll();
};

void UTL_profiler_init();
void UTL_profiler_start(char const* phase);
void UTL_profiler_stop();
