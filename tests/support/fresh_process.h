// Checks of what a global does before its start-up, or of what it hands out
// from program load, run in a child forked from a test process whose
// globals no test has touched, so that neither order nor repetition changes
// what they see. A failed check in the child fails the test here (exit
// status 1; run the test alone to read the check's own message).
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

// IN_FRESH_PROCESS({ checks; });
#define IN_FRESH_PROCESS(...)                                                      \
	do {                                                                           \
		auto const fresh_process_body = [&]() __VA_ARGS__;                         \
		EXPECT_EXIT(                                                               \
		    {                                                                      \
			    fresh_process_body();                                              \
			    _exit(::testing::Test::HasFailure() ? 1 : 0);                      \
		    },                                                                     \
		    ::testing::ExitedWithCode(0), "");                                     \
	} while (0)
