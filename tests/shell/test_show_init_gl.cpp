// The start-up screen's progress line, drawn during the real start-up on an
// interface atlas whose texels hold their own coordinates.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "foundation/app_globals.h"
#include "graphics/colr.h"
#include "platform/gl_window.h"
#include "shell/app_callbacks.h"
#include "shell/hl_init.h"
#include "support/coordinate_atlas.h"
#include "support/shell_start.h"

void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}
void recall_ins_texes() { load_coordinate_atlas(363, 512); }

namespace {

std::vector<unsigned char> row15;  // the progress line's row, read before each swap
int swaps = 0;

void read_row(void*)
{
	++swaps;
	row15.assign(1024 * 3, 0);
	glPixelStorei(GL_PACK_ALIGNMENT, 1);
	glReadPixels(0, 15, 1024, 1, GL_RGB, GL_UNSIGNED_BYTE, row15.data());
}

atlas_texel at(int x) { return decode_atlas_texel(row15[x * 3], row15[x * 3 + 1], row15[x * 3 + 2]); }

// The fill (style 5, texture columns 83..110) ends where the track (style 4,
// 112..139) shows again.
int fill_end()
{
	for (int x = 20; x < 1024; ++x)
		if (at(x).s < 83 || at(x).s > 110) return x;
	return 1024;
}

}  // namespace

TEST(ShowInit, FractionGrowsOnePercentACallWithinTwoToHundredPercent)
{
	started_app app;
	colr.assign(0, 1, 1, 1);
	PLT_gl_set_pre_swap_hook(read_row, nullptr);
	// Start-up drew twice (counter 0 and 1). The fill runs from 8 to
	// 8 + f * 1008, its centre and width each snapped to even numbers.
	struct row {
		float* fraction;
		float value;
		int end;
	} rows[] = {
	    {nullptr, 0, 28},   // counter 2: 0.02
	    {nullptr, 0, 39},   // 0.03: centre 23.12 -> 24, width 30.24 -> 30
	    {nullptr, 0, 48},   // 0.04
	    {&rows[3].value, 0.5f, 512},
	    {&rows[4].value, 0.0f, 28},     // never below 2%
	    {&rows[5].value, 1.5f, 1016},   // never above 100%
	    {nullptr, 0, 59},   // 0.05: the counter went on from 0.04 only
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.end);
		int const before = swaps;
		VEDEZE_show_init("Loading.", r.fraction);
		ASSERT_EQ(swaps, before + 1);
		EXPECT_EQ(fill_end(), r.end);
		EXPECT_EQ(at(r.end - 1).s, 110);  // the fill's right cap ends there
	}
	PLT_gl_set_pre_swap_hook(nullptr, nullptr);
}

TEST(ShowInit, DrawsNothingBeforeTheFirstScreenStarts)
{
	PLT_gl_set_pre_swap_hook(read_row, nullptr);
	plot_init_lights = 0;
	int const before = swaps;
	VEDEZE_show_init("Too early.", nullptr);
	EXPECT_EQ(swaps, before);
	PLT_gl_set_pre_swap_hook(nullptr, nullptr);
}
