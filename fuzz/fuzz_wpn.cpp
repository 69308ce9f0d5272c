// The legacy weapon reader and its converter, in both byte orders.
#include "content/OLD_io_acf.h"
#include "content/acft.h"
#include "foundation/app_globals.h"
#include "foundation/xmap.h"
#include "legacy.h"
#include "support.h"

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
	static std::string const path = fuzz_dir() + "old.wpn";
	static int const versions[] = {1};
	static std::vector<std::pair<long, long>> const texts = {{224, 384}};
	legacy_input::file const f = legacy_input::make(data, size, old_wpn_size, texts, versions, 1);
	fuzz_write(path, reinterpret_cast<uint8_t const*>(f.bytes.data()), f.bytes.size());

	if (veh.empty()) {
		veh.resize(1);
		flt.resize(1);
	}
	veh[0].clear_veh(0);
	fuzz_guarded([&] {
		xmap_class x(path);
		int accepted[] = {1, 0};
		if (x.check_file(xmap_type_binary, accepted, nullptr, nullptr) != 1)
			fuzz_fail("the header check refused a weapon file");
		OLD_IO_wpn(&x, 0, size > 0 && !veh[0].wpn.empty() ? (data[0] >> 6) % static_cast<int>(veh[0].wpn.size()) : 0);
	});
	return 0;
}
