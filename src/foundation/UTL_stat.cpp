#include "foundation/UTL_stat.h"

UTL_stat* UTL_stat::waiting = nullptr;
int UTL_stat::stat_initialized = 0;

std::map<UTL_stat_type, std::set<UTL_stat*>>& UTL_stat::all_stats()
{
	static std::map<UTL_stat_type, std::set<UTL_stat*>> stats;
	return stats;
}

UTL_stat::UTL_stat(char const* name_, UTL_stat_type type_, float start)
    : own_value(start), type(type_), next(nullptr), value(&own_value), name(name_)
{
	enroll();
}

UTL_stat::UTL_stat(float* target, char const* name_, UTL_stat_type type_)
    : own_value(0.0f), type(type_), next(nullptr), value(target), name(name_)
{
	enroll();
}

UTL_stat::~UTL_stat() {}

void UTL_stat::enroll()
{
	if (stat_initialized) {
		all_stats()[type].insert(this);
	} else {
		next = waiting;
		waiting = this;
	}
}

void UTL_stat::init_stats()
{
	for (UTL_stat* s = waiting; s; s = s->next) all_stats()[s->type].insert(s);
	stat_initialized = 1;
}

void UTL_stat::reset_stats(UTL_stat_type type)
{
	for (UTL_stat* s : all_stats()[type]) s->own_value = 0.0f;
}

void UTL_stat::publish() { all_stats()[type].insert(this); }

void UTL_profiler_init() {}
void UTL_profiler_start(char const*) {}
void UTL_profiler_stop() {}
