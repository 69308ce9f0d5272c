// Index: panel code tables - panel renumbering.
#include "content/OLD_io_acf.h"

#include "content/acft.h"

namespace {
// The tables are generated from the run lists in OLD_io_acf_codes.txt.
#include "content/OLD_io_acf_codes.inc"
}  // namespace

// ---- panel code tables --------------------------------------------------------

int i7x_to_8x(int code)
{
	if (code == -1 || code == 0) return code;
	if (code < i7x_to_8x_first || code > i7x_to_8x_last) return -1;
	return i7x_to_8x_table[code - i7x_to_8x_first];
}

int i8x_to_i830(int code)
{
	if (code < i8x_to_i830_first || code > i8x_to_i830_last) return -1;
	return i8x_to_i830_table[code - i8x_to_i830_first];
}

// ---- panel renumbering ----------------------------------------------------------

void OLD_ins_to_830(int n)
{
	int* const panel = veh[n].ins_type;
	for (int row = 0; row < 30; ++row)
		for (int col = 0; col < 10; ++col) panel[row * 10 + col] = i8x_to_i830(panel[row * 10 + col]);
}
