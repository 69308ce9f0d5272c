#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/process_spawn.h"
#include "support/alert_recorder.h"

namespace {

int wait_status(pid_t pid)
{
	int status = 0;
	if (waitpid(pid, &status, 0) != pid) return -1;
	return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(ProcessSpawn, RunsProgramAndHandsBackItsId)
{
	pid_t pid = 0;
	ASSERT_EQ(PLT_spawn({"/bin/sh", "-c", "exit 7"}, false, &pid), 0);
	ASSERT_GT(pid, 0);
	EXPECT_EQ(wait_status(pid), 7);
}

TEST(ProcessSpawn, ArgumentsReachTheProgramVerbatim)
{
	temp_dir dir;
	std::string const out = dir.path() + "args.txt";
	std::string const trap = dir.path() + "trap";
	// Only the script given to sh is shell text; what follows it must arrive
	// as plain arguments, never be parsed.
	pid_t pid = 0;
	ASSERT_EQ(PLT_spawn({"/bin/sh", "-c", "printf '%s\\n' \"$@\" > \"$0\"", out, "a b",
	                     "$(touch " + trap + ")", "; touch " + trap},
	                    false, &pid),
	          0);
	EXPECT_EQ(wait_status(pid), 0);
	EXPECT_EQ(read_text_file(out), "a b\n$(touch " + trap + ")\n; touch " + trap + "\n");
	EXPECT_NE(access(trap.c_str(), F_OK), 0);
}

TEST(ProcessSpawn, FailedExecIsReportedAndReaped)
{
	temp_dir dir;
	write_text_file(dir.path() + "plain", "not a program\n");
	struct exec_case {
		std::string program;
		bool search;
		int err;
	} const cases[] = {
		{dir.path() + "missing", false, ENOENT},
		{dir.path() + "plain", false, EACCES},  // no execute bit
		{"sh", false, ENOENT},                  // a bare name only with the search
		{"", true, ENOENT},
	};
	for (exec_case const& c : cases) {
		SCOPED_TRACE(c.program);
		pid_t pid = -5;
		EXPECT_EQ(PLT_spawn({c.program, "x"}, c.search, &pid), c.err);
		EXPECT_EQ(pid, -5);
		EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);  // no child left behind
		EXPECT_EQ(errno, ECHILD);
	}
}

TEST(ProcessSpawn, SearchesPathForBareNames)
{
	pid_t pid = 0;
	ASSERT_EQ(PLT_spawn({"sh", "-c", "exit 3"}, true, &pid), 0);
	EXPECT_EQ(wait_status(pid), 3);
}
