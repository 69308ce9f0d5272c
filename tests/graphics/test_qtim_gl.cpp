// Movie recording of a real 1024 x 768 window with a driven clock; every
// movie is read back with the codec libraries.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "foundation/app_globals.h"
#include "foundation/xtim.h"
#include "graphics/OGL_extensions.h"
#include "graphics/oglp.h"
#include "graphics/oglp_font.h"
#include "graphics/qtim.h"
#include "graphics/tman.h"
#include "support/movie_reader.h"
#include "support/probed_gl_test.h"

namespace {

// Each reading of the clock moves it on a little, so that waits end.
unsigned long long clock_us = 0;
unsigned long long ticking_clock() { return clock_us += 20000; }

unsigned char const top_colour[3] = {200, 40, 40};
unsigned char const bottom_colour[3] = {40, 60, 200};

// A little slower than 60 a second: three frames are surely a sample's
// worth at 20 a second, whatever the rounding of float seconds.
double const frame_period = 1.0 / 59.9;

struct QtimTest : probed_gl_test<1024, 768> {
	double now = 0;
	void SetUp() override
	{
		probed_gl_test::SetUp();
		gl.start_2d();
		tman = tman_class();
		tman.reset_bind();
		mnw.tex_res = 5;
		mnw.col_res_use = 32;
		mnw.org_x = mnw.org_y = 0;
		ren.fade_alpha = 1.0f;
		ren.mono_mode = 0;
		ogl_inited = 1;  // alerts arrive whole, with their severity
		app_path = dir.path();
		xtim_class::set_clock_source(ticking_clock);
		xtim.run_time = 0;
		movie_take = 0;  // as at the start of a run
		qtim.movie_dx = 320;
		qtim.fps = 20.0f;
		qtim.num_frames = 0;
		ASSERT_TRUE(qtim.qt_avail);
	}
	void TearDown() override { xtim_class::set_clock_source(nullptr); }

	// One frame of the loop: the picture (top and bottom colours over the
	// whole window), the swap, then the recorder.
	void frame(double dt = frame_period)
	{
		now += dt;
		xtim.run_time = static_cast<float>(now);
		OGL_setstate(1, 0, 3, 4, 9, 11);
		glClearColor(bottom_colour[0] / 255.0f, bottom_colour[1] / 255.0f, bottom_colour[2] / 255.0f, 1);
		glClear(GL_COLOR_BUFFER_BIT);
		glColor3ub(top_colour[0], top_colour[1], top_colour[2]);
		float const w = static_cast<float>(mnw.x_res_use), h = static_cast<float>(mnw.y_res_use);
		glBegin(GL_QUADS);  // clockwise, as the program's faces are
		glVertex2f(0, h / 2);
		glVertex2f(0, h);
		glVertex2f(w, h);
		glVertex2f(w, h / 2);
		glEnd();
		OGL_sbuf();
		if (qtim.recording) qtim.mov_addframe();
	}
	// Frames until the movie holds n samples.
	void samples(int n)
	{
		while (qtim.num_frames < n) frame();
	}
	std::string take(int n) const { return dir.path() + "Skyrell movie take-" + std::to_string(n) + ".mov"; }
};
using QtimDeathTest = QtimTest;

bool near(unsigned char const* got, unsigned char const* want)
{
	for (int i = 0; i < 3; ++i)
		if (std::abs(got[i] - want[i]) > 8) return false;
	return true;
}

std::string rgb(unsigned char const* p)
{
	return std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]);
}

bool exists(std::string const& path)
{
	struct stat st;
	return stat(path.c_str(), &st) == 0;
}

TEST_F(QtimTest, RecordsSamplesAtTheChosenRateWithTheirDurations)
{
	EXPECT_EQ(qtim.movie_dx, 320);
	EXPECT_EQ(qtim.fps, 20.0f);
	qtim.mov_toggle();
	ASSERT_EQ(qtim.recording, 1);
	EXPECT_EQ(qtim.movie_dy, 240);
	EXPECT_EQ(tman.texes[movie_tex_ref].tex_dx, 1024.0f);
	for (int i = 0; i < 60; ++i) frame();
	EXPECT_EQ(qtim.num_frames, 20);  // every third frame
	frame(0.5);                      // a stall
	for (int i = 0; i < 6; ++i) frame();
	EXPECT_EQ(qtim.num_frames, 23);
	qtim.mov_toggle();
	EXPECT_EQ(qtim.recording, 0);
	EXPECT_EQ(gCurrentMovie, nullptr);
	EXPECT_TRUE(recorded_alerts().empty());

	movie_contents const m = read_movie(take(1));
	ASSERT_EQ(m.error, "");
	EXPECT_TRUE(m.mjpeg);
	EXPECT_EQ(m.tag, "jpeg");
	EXPECT_EQ(m.width, 320);
	EXPECT_EQ(m.height, 240);
	EXPECT_EQ(m.tb_num, 1);
	EXPECT_EQ(m.tb_den, 600);
	ASSERT_EQ(m.durations.size(), 23u);
	long long sum = 0;
	for (size_t i = 0; i < m.durations.size(); ++i) {
		EXPECT_EQ(m.durations[i], i == 20 ? 60 : 30) << "sample " << i;
		EXPECT_EQ(m.pts[i], sum) << "sample " << i;
		sum += m.durations[i];
	}
	ASSERT_EQ(m.frames.size(), 23u);
	for (size_t f : {size_t(0), size_t(20), size_t(22)})
		for (int x : {5, 160, 314}) {
			EXPECT_PRED2(near, m.at(f, x, 5), top_colour) << f << " " << x << ": " << rgb(m.at(f, x, 5));
			EXPECT_PRED2(near, m.at(f, x, 110), top_colour) << rgb(m.at(f, x, 110));
			EXPECT_PRED2(near, m.at(f, x, 130), bottom_colour) << rgb(m.at(f, x, 130));
			EXPECT_PRED2(near, m.at(f, x, 234), bottom_colour) << rgb(m.at(f, x, 234));
		}
}

TEST_F(QtimTest, MovieSizeFollowsTheWindowAndTheWidthSetting)
{
	struct row {
		int win_dx, win_dy, movie_dx;
		int want_dx, want_dy;
	} const rows[] = {
	    {1024, 768, 320, 320, 240},
	    {800, 600, 320, 320, 240},
	    {1024, 768, 1000, 1000, 750},
	    {640, 480, 1000, 640, 480},  // never wider than the window
	    {801, 601, 1000, 801, 601},  // odd sizes
	    {1023, 767, 321, 321, 240},
	};
	int n = 0;
	for (row const& r : rows) {
		mnw.x_res_use = r.win_dx;
		mnw.y_res_use = r.win_dy;
		qtim.movie_dx = r.movie_dx;
		qtim.mov_toggle();
		ASSERT_EQ(qtim.recording, 1);
		samples(3);
		qtim.mov_toggle();
		movie_contents const m = read_movie(take(++n));
		ASSERT_EQ(m.error, "");
		EXPECT_EQ(m.width, r.want_dx) << r.win_dx << " " << r.movie_dx;
		EXPECT_EQ(m.height, r.want_dy) << r.win_dx << " " << r.movie_dx;
		ASSERT_EQ(m.frames.size(), 3u);
		EXPECT_PRED2(near, m.at(2, r.want_dx - 3, 2), top_colour) << rgb(m.at(2, r.want_dx - 3, 2));
		EXPECT_PRED2(near, m.at(2, 2, r.want_dy - 3), bottom_colour) << rgb(m.at(2, 2, r.want_dy - 3));
	}
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(QtimTest, TooLargeWindowIsRefused)
{
	mnw.x_res_use = 1280;
	mnw.y_res_use = 1024;
	qtim.mov_toggle();
	EXPECT_EQ(qtim.recording, 0);
	EXPECT_EQ(gCurrentMovie, nullptr);
	ASSERT_EQ(recorded_alerts().size(), 1u);
	recorded_alert const& a = recorded_alerts()[0];
	EXPECT_EQ(a.msg1, "Oops!");
	EXPECT_EQ(a.msg2, "You can NOT record movies in Skyrell at any Skyrell resolution higher that 1024 x 1024!");
	EXPECT_EQ(a.msg3, "This limit is to keep the VRAM requirements of Skyrell down.");
	EXPECT_EQ(a.msg4,
	          "In the future, when we are ready to raise the system requirements, we will raise this limit to 2048 x "
	          "2048.");
	EXPECT_EQ(a.severity, 1);
	EXPECT_FALSE(exists(take(1)));
}

TEST_F(QtimTest, StopNeedsThreeSamples)
{
	qtim.mov_toggle();
	samples(2);
	qtim.mov_toggle();  // ignored
	EXPECT_EQ(qtim.recording, 1);
	samples(3);
	qtim.mov_toggle();
	EXPECT_EQ(qtim.recording, 0);
	EXPECT_EQ(read_movie(take(1)).durations.size(), 3u);

	mov_stoprecord();  // nothing to stop
	ASSERT_EQ(recorded_alerts().size(), 1u);
	EXPECT_EQ(recorded_alerts()[0].msg1, "Cannot finish record of a movie that was not started!");
	EXPECT_EQ(recorded_alerts()[0].severity, 1);
}

TEST_F(QtimTest, TakesSkipExistingFilesButNotEmptyOnes)
{
	write_text_file(take(1), "someone's movie");
	write_text_file(take(2), "");
	for (int n : {2, 3}) {
		qtim.mov_toggle();
		samples(3);
		qtim.mov_toggle();
		movie_contents const m = read_movie(take(n));
		EXPECT_EQ(m.error, "") << n;
		EXPECT_EQ(m.durations.size(), 3u) << n;
	}
	EXPECT_EQ(read_text_file(take(1)), "someone's movie");
}

TEST_F(QtimTest, SubWindowOriginIsWhereTheFrameIsReadBack)
{
	mnw.org_x = 800;  // the movie's quad runs 96 pixels off the window
	mnw.org_y = 100;
	qtim.mov_toggle();
	samples(3);
	qtim.mov_toggle();
	movie_contents const m = read_movie(take(1));
	ASSERT_EQ(m.frames.size(), 3u);
	EXPECT_PRED2(near, m.at(2, 10, 10), top_colour) << rgb(m.at(2, 10, 10));
	EXPECT_PRED2(near, m.at(2, 200, 230), bottom_colour) << rgb(m.at(2, 200, 230));
	unsigned char const black[3] = {0, 0, 0};
	EXPECT_PRED2(near, m.at(2, 240, 10), black) << rgb(m.at(2, 240, 10));
	EXPECT_PRED2(near, m.at(2, 315, 230), black) << rgb(m.at(2, 315, 230));
}

TEST_F(QtimTest, WithoutMoviesTheToggleDoesNothing)
{
	qtim.qt_avail = 0;
	qtim.mov_toggle();
	EXPECT_EQ(qtim.recording, 0);
	EXPECT_FALSE(exists(take(1)));
	qtim.qt_avail = 1;
}

TEST_F(QtimDeathTest, UncreatableFileEndsTheProgram)
{
	alert_printer_install();
	app_path = dir.path() + "missing/";
	EXPECT_EXIT(qtim.mov_toggle(), ::testing::ExitedWithCode(1),
	            "Could not CreateMovieFile\\.\\|.*missing/Skyrell movie take-1\\.mov\\|\\(CreateMovieFile failed\\)\\|-2 "
	            "\\(qtim line [0-9]+\\) severity 2");
}

TEST_F(QtimDeathTest, ExitFinishesARecordingMovie)
{
	// The child records into the parent's folder, which it learns from the
	// environment, and exits with the movie open.
	char const* inherited = getenv("SKY_QTIM_EXIT_DIR");
	std::string const folder = inherited ? inherited : dir.path();
	setenv("SKY_QTIM_EXIT_DIR", folder.c_str(), 1);
	app_path = folder;
	EXPECT_EXIT(
	    {
		    qtim.mov_toggle();
		    samples(4);
		    std::exit(0);
	    },
	    ::testing::ExitedWithCode(0), "");
	unsetenv("SKY_QTIM_EXIT_DIR");
	movie_contents const m = read_movie(folder + "Skyrell movie take-1.mov");
	EXPECT_EQ(m.error, "");
	EXPECT_EQ(m.durations.size(), 4u);
	EXPECT_EQ(m.frames.size(), 4u);
}

}  // namespace
