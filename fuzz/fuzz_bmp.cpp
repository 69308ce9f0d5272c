// The BMP reader, under every load type and the flags that change how it
// fills the buffers.
#include "image.h"
#include "support.h"

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
	static std::string const path = fuzz_dir() + "image.bmp";
	if (size < 2) return 0;
	image_options const o = image_options_from(data[0], data[1]);
	fuzz_write(path, data + 2, size - 2);
	app_path.clear();
	fuzz_guarded([&] {
		int img_dx, img_dy, tex_dx, tex_dy;
		load_bmp_into_scratch(path, 0, o.load_type, o.flags, o.components, &img_dx, &img_dy, &tex_dx, &tex_dy);
	});
	return 0;
}
