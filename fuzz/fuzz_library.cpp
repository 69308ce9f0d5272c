// The scenery library file of one package (a 360 x 180 region bitmap lies
// beside it), scanned into the library and then looked up at a few tiles:
// every lookup must resolve into one of the scanned packages. The Multiple
// lookups are left out: they list each path as many times as its ratio,
// up to 2^24 times by the format's own rules.
#include <sys/stat.h>

#include <cstring>
#include <vector>

#include "content/io_locate.h"
#include "foundation/app_globals.h"
#include "graphics/image_fixtures.h"
#include "support.h"

namespace {

// A 24-bit BMP of the region size, a band of it set.
std::string region_bmp()
{
	int const dx = 360, dy = 180, row = dx * 3;
	std::vector<unsigned char> pixels(static_cast<size_t>(row) * dy, 0);
	for (int y = 60; y < 120; y++) std::memset(&pixels[static_cast<size_t>(y) * row], 0xff, row);
	return bmp_bytes(dx, dy, 24, 0, pixels);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
	static bool ready = false;
	std::string const& top = fuzz_dir();
	app_path = top;
	if (!ready) {
		mkdir((top + "Custom Scenery").c_str(), 0700);
		mkdir((top + "Custom Scenery/pkg").c_str(), 0700);
		mkdir((top + "Default Scenery").c_str(), 0700);
		std::string const bmp = region_bmp();
		fuzz_write(top + "Custom Scenery/pkg/m.bmp", reinterpret_cast<uint8_t const*>(bmp.data()), bmp.size());
		cus_path = "Custom Scenery/";
		def_path = "Default Scenery/";
		ready = true;
	}
	fuzz_write(top + "Custom Scenery/pkg/library.txt", data, size);

	fuzz_guarded([&] {
		DSF_ScanSceneryFolder();
		std::vector<std::string> names;
		for (auto const& slot : dsf_library) names.push_back(slot.first);
		for (std::string const& name : names) {
			for (int tile : {0, 45, -179, 400}) {
				std::string path = name;
				if (DSF_LookupLibraryResource(tile, tile / 3, path) && path.compare(0, 15, "Custom Scenery/") != 0)
					fuzz_fail("a lookup resolved outside every package", path);
			}
			std::string any = name;
			DSF_LookupLibraryResourceAnywhere(any);
		}
	});
	app_path.clear();
	return 0;
}
