// A test with a folder, log and alert recorder of its own and a real GL
// context of w x h with the capability probe run. Death tests start the
// program afresh for the dying statement: a forked child would share the
// parent's context without the renderer's threads.
#pragma once
#include <gtest/gtest.h>

#include "support/gl_context.h"
#include "support/logged_test.h"

template <int W, int H>
struct probed_gl_test : logged_test {
	gl_test_context gl{W, H};
	void SetUp() override
	{
		::testing::FLAGS_gtest_death_test_style = "threadsafe";
		logged_test::SetUp();
		ASSERT_TRUE(gl.ok()) << gl.error();
		gl.probe();
		log = open_test_log(dir);  // past the probe's situation block
	}
};
