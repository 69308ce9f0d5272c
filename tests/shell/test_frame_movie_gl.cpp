// The frame loop hands each finished frame to the movie recorder, and only
// while it records: real frames on the started program, read back with the
// codec libraries.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "foundation/app_globals.h"
#include "graphics/oglp.h"
#include "graphics/qtim.h"
#include "shell/app_callbacks.h"
#include "shell/hl_mnw.h"
#include "support/coordinate_atlas.h"
#include "support/frame_driver.h"
#include "support/movie_reader.h"

namespace {

unsigned char const top_colour[3] = {200, 40, 40};
unsigned char const bottom_colour[3] = {40, 60, 200};

bool near(unsigned char const* got, unsigned char const* want)
{
	for (int i = 0; i < 3; ++i)
		if (std::abs(got[i] - want[i]) > 8) return false;
	return true;
}

bool exists(std::string const& path)
{
	struct stat st;
	return stat(path.c_str(), &st) == 0;
}

}  // namespace

// Each frame: the top half in one colour, the bottom half in another.
void APP_update()
{
	OGL_setstate(1, 0, 3, 4, 9, 11);
	glClearColor(bottom_colour[0] / 255.0f, bottom_colour[1] / 255.0f, bottom_colour[2] / 255.0f, 1);
	glClear(GL_COLOR_BUFFER_BIT);
	glColor3ub(top_colour[0], top_colour[1], top_colour[2]);
	float const w = static_cast<float>(mnw.x_res_use), h = static_cast<float>(mnw.y_res_use);
	glBegin(GL_QUADS);
	glVertex2f(0, h / 2);
	glVertex2f(0, h);
	glVertex2f(w, h);
	glVertex2f(w, h / 2);
	glEnd();
}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}
void recall_ins_texes() { load_coordinate_atlas(363, 512); }

TEST(FrameMovie, FramesBecomeSamplesOnlyWhileRecording)
{
	frame_driver drive;
	ASSERT_TRUE(qtim.qt_avail);
	movie_take = 0;  // as at the start of a run
	qtim.num_frames = 0;
	std::string const take = drive.app().folder() + "Skyrell movie take-1.mov";
	double t = 0;
	// A little slower than 60 a second: every third frame is a sample at
	// the recorder's 20 a second.
	auto frames = [&](int n) {
		for (int i = 0; i < n; ++i) drive.frame_at(t += 1.0 / 59.9);
	};

	frames(30);
	EXPECT_EQ(qtim.num_frames, 0);
	EXPECT_FALSE(exists(take));

	drive.clock_runs(true);  // starting waits a second on the framework clock
	qtim.mov_toggle();
	drive.clock_runs(false);
	ASSERT_EQ(qtim.recording, 1);
	frames(60);
	EXPECT_EQ(qtim.num_frames, 20);
	qtim.mov_toggle();
	ASSERT_EQ(qtim.recording, 0);

	frames(30);
	EXPECT_EQ(qtim.num_frames, 20);
	for (recorded_alert const& a : recorded_alerts()) ADD_FAILURE() << a.msg1 << " " << a.position;

	movie_contents const m = read_movie(take);
	ASSERT_EQ(m.error, "");
	ASSERT_EQ(m.frames.size(), 20u);
	ASSERT_EQ(m.width, 320);
	ASSERT_EQ(m.height, 240);
	// The frame just swapped is what the movie holds, upright.
	for (size_t f : {size_t(0), size_t(19)})
		for (int x : {5, 314}) {
			EXPECT_PRED2(near, m.at(f, x, 10), top_colour) << f << " " << x;
			EXPECT_PRED2(near, m.at(f, x, 230), bottom_colour) << f << " " << x;
		}
}
