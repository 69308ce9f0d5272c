#include <gtest/gtest.h>

#include <set>

#include "content/OLD_io_acf.h"
#include "content/acft.h"

TEST(PanelCodes, SevenToEightIsOneToOneIntoItsRange)
{
	std::set<int> results;
	for (int code = 1; code <= 612; ++code) {
		int const to = i7x_to_8x(code);
		EXPECT_GE(to, 1) << code;
		EXPECT_LE(to, 757) << code;
		EXPECT_TRUE(results.insert(to).second) << code << " gives " << to << " twice";
	}
	EXPECT_EQ(results.size(), 612u);
}

TEST(PanelCodes, EightToEightThirtyIsOneToOneOntoItsRangeWithout608)
{
	std::set<int> results;
	for (int code = 0; code <= 757; ++code) EXPECT_TRUE(results.insert(i8x_to_i830(code)).second) << code;
	std::set<int> expect;
	for (int to = 0; to <= 758; ++to)
		if (to != 608) expect.insert(to);
	EXPECT_EQ(results, expect);
}

TEST(PanelCodes, SpotValuesAndCodesOutsideTheTables)
{
	struct {
		int (*fn)(int);
		char const* name;
		int code, expect;
	} const cases[] = {
	    {i7x_to_8x, "7x", -1, -1},   {i7x_to_8x, "7x", 0, 0},       {i7x_to_8x, "7x", 613, -1},
	    {i7x_to_8x, "7x", -2, -1},   {i7x_to_8x, "7x", 1, 5},       {i7x_to_8x, "7x", 605, 745},
	    {i7x_to_8x, "7x", 387, 1},   {i7x_to_8x, "7x", 611, 270},   {i7x_to_8x, "7x", 612, 271},
	    {i7x_to_8x, "7x", 6, 29},    {i7x_to_8x, "7x", 489, 755},   {i7x_to_8x, "7x", 491, 757},
	    {i8x_to_i830, "8x", -1, -1}, {i8x_to_i830, "8x", 758, -1},  {i8x_to_i830, "8x", 1000, -1},
	    {i8x_to_i830, "8x", -2, -1}, {i8x_to_i830, "8x", 0, 0},     {i8x_to_i830, "8x", 5, 5},
	    {i8x_to_i830, "8x", 756, 429}, {i8x_to_i830, "8x", 757, 442}, {i8x_to_i830, "8x", 57, 754},
	    {i8x_to_i830, "8x", 653, 758}, {i8x_to_i830, "8x", 97, 127},  {i8x_to_i830, "8x", 141, 171},
	    {i8x_to_i830, "8x", 206, 243}, {i8x_to_i830, "8x", 613, 729}, {i8x_to_i830, "8x", 630, 39},
	};
	for (auto const& c : cases) EXPECT_EQ(c.fn(c.code), c.expect) << c.name << " " << c.code;
}

TEST(PanelCodes, RenumberingAPanelTouchesOnlyItsSlots)
{
	veh.clear();
	flt.clear();
	veh.resize(2);
	flt.resize(2);
	for (int n = 0; n < 2; ++n) {
		veh[n].clear_veh(n);
		flt[n].clear_flt(n);
	}
	veh_class& v = veh[1];

	for (int& slot : v.ins_type) slot = -1;
	OLD_ins_to_830(1);
	for (int slot : v.ins_type) EXPECT_EQ(slot, -1);

	for (int i = 0; i < 300; ++i) v.ins_type[i] = i % 3 == 0 ? -1 : (i * 7) % 900;
	v.num_engn = 7;
	veh[0].ins_type[0] = 57;
	OLD_ins_to_830(1);
	for (int i = 0; i < 300; ++i) {
		int const original = i % 3 == 0 ? -1 : (i * 7) % 900;
		EXPECT_EQ(v.ins_type[i], i8x_to_i830(original)) << i;
	}
	OLD_ins_to_830(1);  // a second run renumbers again
	for (int i = 0; i < 300; ++i) {
		int const original = i % 3 == 0 ? -1 : (i * 7) % 900;
		EXPECT_EQ(v.ins_type[i], i8x_to_i830(i8x_to_i830(original))) << i;
	}
	EXPECT_EQ(v.num_engn, 7);
	EXPECT_EQ(veh[0].ins_type[0], 57);
}
