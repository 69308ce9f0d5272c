// A test with a folder of its own, the log opened there and alerts recorded.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "support/alert_recorder.h"

struct logged_test : ::testing::Test {
	temp_dir dir;
	std::string log;  // path of the log file
	void SetUp() override
	{
		log = open_test_log(dir);
		alert_recorder_install();
	}
};
