// The movie settings window: its editors work on the recorder's own fields
// within their ranges, and its information lines follow whether movies can
// be written.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "foundation/app_globals.h"
#include "graphics/colr.h"
#include "graphics/qtim.h"
#include "shell/app_callbacks.h"
#include "widget_fixture.h"

// The shell's frame loop is linked in; these tests run no frames of it.
void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

struct QtimWindTest : WidgetTest {
	// Rows y0..y1 of the window after drawing the settings window.
	std::vector<unsigned char> draw_rows(int y0, int y1)
	{
		clear();
		colr.assign(46, 0, 0, 0);  // the information lines in black
		qtim.qtim_wind();
		std::vector<unsigned char> px(static_cast<size_t>(512) * (y1 - y0 + 1) * 4);
		glFinish();
		glReadPixels(0, y0, 512, y1 - y0 + 1, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
		return px;
	}
};

TEST_F(QtimWindTest, EditorsKeepRateAndWidthInTheirRanges)
{
	struct row {
		float fps;
		int dx;
		float want_fps;
		int want_dx;
	} const rows[] = {{200, 5000, 99, 1024}, {5, 10, 10, 160}, {30, 640, 30, 640}};
	for (row const& r : rows) {
		qtim.fps = r.fps;
		qtim.movie_dx = r.dx;
		qtim.qtim_wind();
		EXPECT_EQ(qtim.fps, r.want_fps) << r.fps;
		EXPECT_EQ(qtim.movie_dx, r.want_dx) << r.dx;
	}
	EXPECT_FALSE(stls.text[STL_movie_fps].empty());
	EXPECT_FALSE(stls.text[STL_movie_note_1 + 4].empty());
}

TEST_F(QtimWindTest, UnavailableMoviesAddTwoLines)
{
	qtim.qt_avail = 1;
	std::vector<unsigned char> const with = draw_rows(mnw.org_y + 240, mnw.org_y + 265);
	qtim.qt_avail = 0;
	std::vector<unsigned char> const without = draw_rows(mnw.org_y + 240, mnw.org_y + 265);
	EXPECT_NE(with, without);  // the lines at 255 and 245
	// The notes below are the same either way.
	std::vector<unsigned char> const notes_without = draw_rows(mnw.org_y + 80, mnw.org_y + 230);
	qtim.qt_avail = 1;
	EXPECT_EQ(draw_rows(mnw.org_y + 80, mnw.org_y + 230), notes_without);
}

}  // namespace
