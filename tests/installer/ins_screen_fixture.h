// The installer's screens on a real w x h GL context: a log and the alert
// recorder, the drawing state reset, the program's one window, and the
// built-in images loaded.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "shell/app_callbacks.h"
#include "support/gl_context.h"
#include "support/ins_drawing.h"
#include "support/logged_test.h"

template <int W, int H>
struct ins_screen_test : logged_test {
	std::unique_ptr<gl_test_context> gl;
	void SetUp() override
	{
		logged_test::SetUp();
		gl.reset(new gl_test_context(W, H));
		ASSERT_TRUE(gl->ok()) << gl->error();
		ins_gl_screen_start(*gl, W, H);
		recall_ins_texes();
	}
};
