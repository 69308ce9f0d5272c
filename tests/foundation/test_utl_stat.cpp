#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/UTL_remote_cmd.h"
#include "foundation/UTL_stat.h"
#include "support/fresh_process.h"

namespace {

std::vector<std::string> calls;
void cmd_one() { calls.push_back("one"); }
void cmd_two() { calls.push_back("two"); }

// Built during program load, as the graphics units build theirs.
UTL_remote_cmd static_cmd("Static Command", cmd_one);
UTL_stat static_stat("static_stat", stat_render, 3.0f);

bool registered(UTL_stat* s)
{
	auto const& all = UTL_stat::all_stats();
	auto const it = all.find(s->type);
	return it != all.end() && it->second.count(s) != 0;
}

}  // namespace

TEST(RemoteCmd, StaticCommandIsRegisteredAtLoad)
{
	IN_FRESH_PROCESS({
		EXPECT_EQ(static_cmd.id, 1);
		EXPECT_EQ(UTL_remote_cmd::cmd_list, &static_cmd);
		EXPECT_EQ(UTL_remote_cmd::free_id, 2);
		EXPECT_EQ(UTL_remote_cmd::inited, 0);
		UTL_remote_cmd::init_remote_cmds();
		EXPECT_EQ(UTL_remote_cmd::inited, 1);
	});
}

TEST(RemoteCmd, InvokeById)
{
	IN_FRESH_PROCESS({
		UTL_remote_cmd* second = new UTL_remote_cmd("Second", cmd_two);  // lives to exit
		UTL_remote_cmd* third = new UTL_remote_cmd("Third", nullptr);
		EXPECT_EQ(second->id, 2);
		EXPECT_EQ(third->id, 3);
		EXPECT_EQ(UTL_remote_cmd::cmd_list, third);  // newest first
		EXPECT_EQ(third->next, second);
		UTL_remote_cmd::invoke(nullptr, 1);
		UTL_remote_cmd::invoke(nullptr, 2);
		UTL_remote_cmd::invoke(nullptr, 3);  // no function: nothing to run
		UTL_remote_cmd::invoke(nullptr, 4);
		UTL_remote_cmd::invoke(nullptr, 0);
		UTL_remote_cmd::invoke(nullptr, -1);
		EXPECT_EQ(calls, (std::vector<std::string>{"one", "two"}));
		static_cmd.publish();  // no effect
		EXPECT_EQ(UTL_remote_cmd::cmd_list, third);
	});
}

TEST(Stat, MadeBeforeInitWaitsThenJoins)
{
	IN_FRESH_PROCESS({
		EXPECT_EQ(UTL_stat::stat_initialized, 0);
		UTL_stat early("early", stat_render, 0.0f);
		EXPECT_EQ(UTL_stat::waiting, &early);
		EXPECT_EQ(early.next, &static_stat);
		EXPECT_FALSE(registered(&early));
		EXPECT_FALSE(registered(&static_stat));

		UTL_stat::init_stats();
		EXPECT_EQ(UTL_stat::stat_initialized, 1);
		EXPECT_TRUE(registered(&early));
		EXPECT_TRUE(registered(&static_stat));
		EXPECT_EQ(UTL_stat::waiting, &early);  // the list itself is left as it was

		UTL_stat late("late", stat_general, 0.0f);
		EXPECT_TRUE(registered(&late));
		EXPECT_EQ(late.next, nullptr);
		EXPECT_EQ(UTL_stat::all_stats()[stat_render].size(), 2u);
		late.publish();  // already there
		EXPECT_EQ(UTL_stat::all_stats()[stat_general].size(), 1u);
	});
}

TEST(Stat, ValuesAndResetByKind)
{
	IN_FRESH_PROCESS({
		float outside = 9.0f;
		UTL_stat own("own", stat_render, 5.0f);
		UTL_stat borrowed(&outside, "borrowed", stat_render);
		UTL_stat other("other", stat_general, 7.0f);
		EXPECT_EQ(own.value, &own.own_value);
		EXPECT_EQ(*own.value, 5.0f);
		EXPECT_EQ(borrowed.value, &outside);
		*borrowed.value += 1.0f;
		EXPECT_EQ(outside, 10.0f);

		UTL_stat::init_stats();
		UTL_stat::reset_stats(stat_render);
		EXPECT_EQ(own.own_value, 0.0f);
		EXPECT_EQ(static_stat.own_value, 0.0f);
		EXPECT_EQ(outside, 10.0f);  // the caller's float is the caller's
		EXPECT_EQ(other.own_value, 7.0f);
		UTL_stat::reset_stats(static_cast<UTL_stat_type>(42));  // a new kind: empty set
		EXPECT_TRUE(UTL_stat::all_stats()[static_cast<UTL_stat_type>(42)].empty());
	});
}

TEST(Stat, PublishBeforeInit)
{
	IN_FRESH_PROCESS({
		UTL_stat s("pub", stat_general, 1.0f);
		EXPECT_FALSE(registered(&s));
		s.publish();
		EXPECT_TRUE(registered(&s));
		UTL_stat::init_stats();  // publishing twice changes nothing
		EXPECT_EQ(UTL_stat::all_stats()[stat_general].size(), 1u);
	});
}
