// The legacy aircraft reader and its converters, in both byte orders and
// both old versions.
#include "content/OLD_io_acf.h"
#include "content/acft.h"
#include "foundation/app_globals.h"
#include "foundation/xmap.h"
#include "legacy.h"
#include "support.h"

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
	static std::string const path = fuzz_dir() + "old.acf";
	static int const versions[] = {700, 740};
	static std::vector<std::pair<long, long>> const texts = {
	    {1004, 2044}, {11244, 22924}, {625700, 637700}, {646096, 646140}, {647016, 647092}};
	legacy_input::file const f = legacy_input::make(data, size, old_veh_file, texts, versions, 2);
	fuzz_write(path, reinterpret_cast<uint8_t const*>(f.bytes.data()), f.bytes.size());

	if (veh.empty()) {
		veh.resize(1);
		flt.resize(1);
	}
	veh[0].clear_veh(0);
	flt[0].clear_flt(0);
	fuzz_guarded([&] {
		xmap_class x(path);
		int accepted[] = {700, 740, 0};
		int const version = x.check_file(xmap_type_binary, accepted, nullptr, nullptr);
		if (version != f.version) fuzz_fail("the header check read another version");
		OLD_IO_acf(&x, path, 0, version);
	});
	return 0;
}
