// The harness can make a real GL context headless and read back what it drew.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>

#include "support/gl_context.h"

TEST(GlSmoke, DrawsAndReadsBackOnePixel)
{
	gl_test_context gl(32, 32);
	ASSERT_TRUE(gl.ok()) << gl.error();
	char const* renderer = reinterpret_cast<char const*>(glGetString(GL_RENDERER));
	ASSERT_NE(renderer, nullptr);

	glViewport(0, 0, 32, 32);
	glClearColor(0.f, 0.f, 1.f, 1.f);
	glClear(GL_COLOR_BUFFER_BIT);
	glMatrixMode(GL_PROJECTION);
	glLoadIdentity();
	glOrtho(0, 32, 0, 32, -1, 1);
	glMatrixMode(GL_MODELVIEW);
	glLoadIdentity();
	glColor3f(1.f, 0.f, 0.f);
	// Clockwise: the start-up state culls counter-clockwise faces.
	glBegin(GL_QUADS);
	glVertex2f(10, 10);
	glVertex2f(10, 11);
	glVertex2f(11, 11);
	glVertex2f(11, 10);
	glEnd();
	glFinish();

	unsigned char px[4] = {};
	glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
	EXPECT_EQ(px[0], 255);
	EXPECT_EQ(px[2], 0);
	unsigned char bg[4] = {};
	glReadPixels(20, 20, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, bg);
	EXPECT_EQ(bg[0], 0);
	EXPECT_EQ(bg[2], 255);
	EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
