#include "support/window_png.h"

#include <GL/gl.h>
#include <png.h>

#include <algorithm>
#include <vector>

bool save_window_png(std::string const& path, int w, int h)
{
	std::vector<unsigned char> px(static_cast<size_t>(w) * h * 3), rows(px.size());
	glPixelStorei(GL_PACK_ALIGNMENT, 1);
	glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, px.data());
	for (int y = 0; y < h; ++y)
		std::copy_n(&px[static_cast<size_t>(h - 1 - y) * w * 3], w * 3, &rows[static_cast<size_t>(y) * w * 3]);
	png_image img{};
	img.version = PNG_IMAGE_VERSION;
	img.width = static_cast<png_uint_32>(w);
	img.height = static_cast<png_uint_32>(h);
	img.format = PNG_FORMAT_RGB;
	return png_image_write_to_file(&img, path.c_str(), 0, rows.data(), 0, nullptr) != 0;
}
