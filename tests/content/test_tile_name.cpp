#include <gtest/gtest.h>

#include <climits>

#include "content/tile_name.h"

TEST(TileName, FolderAndFileOfATile)
{
	struct {
		int lat, lon;
		char const* name;
	} const cases[] = {
	    {47, -123, "+40-130/+47-123.dsf"},
	    {-1, -1, "-10-010/-01-001.dsf"},
	    {0, 0, "+00+000/+00+000.dsf"},
	    {-90, -180, "-90-180/-90-180.dsf"},
	    {89, 179, "+80+170/+89+179.dsf"},
	    {-33, 151, "-40+150/-33+151.dsf"},
	    {100, 0, "+00+000/+00+000.dsf"},
	    {-95, 0, "-90+000/-95+000.dsf"},
	    {123, 1234, "+00+030/+03+034.dsf"},
	    {INT_MIN, INT_MAX, "-00+040/-08+047.dsf"},
	};
	for (auto const& c : cases) {
		std::string out = "old content that is longer than nineteen";
		return_latlon_str_dsf(c.lat, c.lon, &out);
		EXPECT_EQ(out, c.name) << c.lat << "," << c.lon;
		EXPECT_EQ(out.size(), 19u);
	}
}
