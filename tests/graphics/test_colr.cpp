// The palette: defaults, the ramp, the spectra, the scale index, the
// interface and lit colours, and misuse.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "foundation/app_globals.h"
#include "graphics/colr.h"
#include "support/logged_test.h"

namespace {

struct ColrTest : logged_test {
	void SetUp() override
	{
		logged_test::SetUp();
		colr = colr_class();
	}
};

void expect_rgb(float const* c, float r, float g, float b, float tol = 1e-6f)
{
	EXPECT_NEAR(c[0], r, tol);
	EXPECT_NEAR(c[1], g, tol);
	EXPECT_NEAR(c[2], b, tol);
}

}  // namespace

TEST_F(ColrTest, FreshPaletteHoldsItsDefaults)
{
	struct {
		int col;
		float r, g, b;
	} const cases[] = {
	    {0, 1, 1, 1},  {33, 0, 0, 0},  {11, 0, 0, 0},  {47, 0, 0, 0},
	    {74, 0.49f, 0.43f, 0.24f},     {97, 1, 1, 0.9f}, {99, 0, 0, 0}, {1, 0.8f, 0, 0},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.col);
		expect_rgb(colr.rgb[c.col], c.r, c.g, c.b);
	}
	expect_rgb(colr.tint, 1, 1, 1);
	EXPECT_EQ(colr.scale_span, 0.0f);
	expect_rgb(colr.spectrum[500], 0, 0, 0);
}

TEST_F(ColrTest, GammaRampInSinglePrecision)
{
	struct {
		int i, v;
	} const cases[] = {{0, 0}, {1, 3}, {128, 145}, {254, 254}, {255, 255}};
	for (auto const& c : cases) EXPECT_EQ(colr.gamma_ramp[c.i], c.v) << c.i;
	for (int i = 1; i < 256; ++i) EXPECT_GE(colr.gamma_ramp[i], colr.gamma_ramp[i - 1]) << i;
}

TEST_F(ColrTest, SpectrumTypes)
{
	colr.spectrum_init(0);
	expect_rgb(colr.spectrum[0], 1, 0, 0);
	expect_rgb(colr.spectrum[200], 1, 0.32f, 0.08f);  // a bound opens the upper segment
	expect_rgb(colr.spectrum[500], 0.5f, 1, 0, 1e-5f);
	expect_rgb(colr.spectrum[999], 0.796f, 0, 0.801f, 1e-5f);

	colr.spectrum_init(2);
	expect_rgb(colr.spectrum[999], 0, 0.999f, 0);
	expect_rgb(colr.spectrum[0], 0, 0, 0);

	// An unknown type leaves whatever was there.
	colr.spectrum_init(7);
	expect_rgb(colr.spectrum[999], 0, 0.999f, 0);
	colr.spectrum_init(-1);
	expect_rgb(colr.spectrum[999], 0, 0.999f, 0);
}

TEST_F(ColrTest, ScaleIndexClampsAndTreatsUndefinedAsZero)
{
	float const inf = std::numeric_limits<float>::infinity();
	float const nan = std::numeric_limits<float>::quiet_NaN();
	struct {
		float v, lo, span;
		int index;
	} const cases[] = {
	    {10, 10, -10, 0},                    // lo 10, hi 0: the bottom point
	    {10 - 10.0f / 999 * 996, 10, -10, 996},  // the top point
	    {0, 0, 10, 0},     {5, 0, 10, 500},  {10, 0, 10, 999},  {20, 0, 10, 999},
	    {-5, 0, 10, 0},    {3, 3, 0, 0},     // lo equal to hi
	    {nan, 0, 10, 0},   {1e30f, 0, 1e-30f, 999}, {inf, 0, 1, 999}, {-inf, 0, 1, 0},
	};
	for (auto const& c : cases)
		EXPECT_EQ(colr_scale_index(c.v, c.lo, c.span), c.index) << c.v << " " << c.lo << " " << c.span;
}

TEST_F(ColrTest, InterfaceLightsRaiseTheTintToThreeQuarters)
{
	colr.tint[0] = 0.5f;
	colr.tint[1] = 0.8f;
	colr.tint[2] = 0.75f;
	colr.set_lites_for_interface();
	expect_rgb(colr.tint, 0.75f, 0.8f, 0.75f);
}

TEST_F(ColrTest, LitColourFromTintAndLightLevels)
{
	colr.tint[0] = 0.2f;
	colr.tint[1] = 0.9f;
	colr.tint[2] = 0.5f;
	ren.lit_level_1 = 0.6f;
	ren.lit_level_2 = 0.3f;
	struct {
		int type;
		float r, g, b;
	} const cases[] = {{0, 0.6f, 0.9f, 0.6f}, {1, 0.6f, 0.6f, 0.6f}, {2, 0.3f, 0.3f, 0.3f}};
	for (auto const& c : cases) {
		colr.set_lit_col(c.type);
		expect_rgb(colr.rgb[47], c.r, c.g, c.b);
	}
	expect_rgb(colr.rgb[46], 0, 0, 0);
	expect_rgb(colr.rgb[48], 1, 1, 1);
}

TEST_F(ColrTest, AssignStoresOneEntry)
{
	colr.assign(98, 0.1f, 0.2f, 0.3f);
	expect_rgb(colr.rgb[98], 0.1f, 0.2f, 0.3f);
	expect_rgb(colr.entry(98), 0.1f, 0.2f, 0.3f);
	expect_rgb(colr.rgb[97], 1, 1, 0.9f);
	expect_rgb(colr.rgb[99], 0, 0, 0);
}

using ColrDeathTest = ColrTest;

TEST_F(ColrDeathTest, BadLitTypeIsFatal)
{
	EXPECT_EXIT(colr.set_lit_col(3), ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(read_text_file(log).rfind("bad col_type!\n\n\n\n(colr line ", 0), 0u) << read_text_file(log);
}

TEST_F(ColrDeathTest, IndexOutsideThePaletteIsFatal)
{
	struct {
		int col;
		bool write;
	} const cases[] = {{100, true}, {-1, true}, {100, false}};
	for (auto const& c : cases) {
		log = open_test_log(dir);
		EXPECT_EXIT(
		    {
			    if (c.write)
				    colr.assign(c.col, 1, 1, 1);
			    else
				    colr.entry(c.col);
		    },
		    ::testing::ExitedWithCode(1), "");
		std::string const text = read_text_file(log);
		EXPECT_EQ(text.rfind("Bad palette index!\n" + std::to_string(c.col) + "\n\n\n(colr line ", 0), 0u)
		    << text;
	}
}
