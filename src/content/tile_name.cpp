#include "content/tile_name.h"

namespace {

char digit(long long quotient) { return quotient >= 0 && quotient <= 9 ? static_cast<char>('0' + quotient) : '0'; }

// Sign, then the places digits of |value| from out[at + 1].
void put_field(std::string& out, size_t at, long long value, int places)
{
	out[at] = value >= 0 ? '+' : '-';
	long long const v = value < 0 ? -value : value;
	if (places == 3) {
		out[at + 1] = digit(v / 100);
		out[at + 2] = digit((v % 100) / 10);
	} else {
		out[at + 1] = digit(v / 10);
	}
	out[at + places] = digit(v % 10);
}

}  // namespace

void return_latlon_str_dsf(int lat, int lon, std::string* out)
{
	// Truncating division: the south-west corner for tiles in range. Wide, so
	// that no argument overflows.
	long long const lat10 = ((lat + 90LL) / 10) * 10 - 90;
	long long const lon10 = ((lon + 180LL) / 10) * 10 - 180;
	std::string s(19, ' ');
	put_field(s, 0, lat10, 2);
	put_field(s, 3, lon10, 3);
	s[7] = '/';
	put_field(s, 8, lat, 2);
	put_field(s, 11, lon, 3);
	s.replace(15, 4, ".dsf");
	*out = s;
}
