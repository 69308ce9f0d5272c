// The scanner and the data-file header check: the input's first byte picks
// the header kind and the type word, the next eight the scanners run over
// what follows the header; the rest is the file. The cursor must stay
// within the mapped bytes whatever is scanned.
#include <cmath>

#include "foundation/xmap.h"
#include "support.h"

namespace {

char const* const type_words[] = {nullptr, "INSTALLER", "SERVERS", "LIBRARY", "MENUS"};

void scan_once(xmap_class& map, int op)
{
	std::string text;
	switch (op % 14) {
	case 0: map.TXT_byt_scan(); break;
	case 1: map.TXT_prv_scan(); break;
	case 2: map.TXT_int_scan(); break;
	case 3: map.TXT_uin_scan(); break;
	case 4: map.TXT_int_scan_stop(','); break;
	case 5: map.TXT_dob_scan(); break;
	case 6: map.TXT_flt_scan(); break;
	case 7: map.TXT_dob_scan_sci(); break;
	case 8: map.TXT_str_scan_space(&text); break;
	case 9: map.TXT_str_scan_comma(&text); break;
	case 10: map.TXT_str_scan_eoln(&text); break;
	case 11: map.TXT_str_scan_match("FILE", 0); break;
	case 12: map.TXT_str_scan_match("END", 1); break;
	default: map.TXT_str_scan_eoln(nullptr); break;
	}
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
	static std::string const path = fuzz_dir() + "data.txt";
	if (size < 9) return 0;
	uint8_t const pick = data[0];
	uint8_t const* const ops = data + 1;
	fuzz_write(path, data + 9, size - 9);

	fuzz_guarded([&] {
		xmap_class map(path);
		int versions[] = {1, 700, 740, 800, 810, 820, 840, 0};
		int const type = pick & 1 ? xmap_type_binary : xmap_type_text;
		std::string rest;
		int const version = map.check_file(type, versions, type_words[(pick >> 1) % 5], &rest);
		if (version != 0 && version != 1 && version != 700 && version != 740 && version != 800 && version != 810 &&
		    version != 820 && version != 840)
			fuzz_fail("a version outside the accepted list was accepted");
		if (!map.begin) return;
		if (!version) map.cursor = map.begin;  // scan the whole file too
		for (int step = 0; step < 4096 && map.cursor < map.end; step++) {
			scan_once(map, ops[step % 8]);
			if (map.cursor < map.begin || map.cursor > map.end) fuzz_fail("the cursor left the mapped bytes");
		}
	});
	return 0;
}
