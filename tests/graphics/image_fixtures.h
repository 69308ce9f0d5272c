// Small image files made in the test: PNG through libpng, BMP byte by byte.
#pragma once
#include <png.h>

#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

struct png_fixture {
	int w = 1, h = 1;
	int colour = PNG_COLOR_TYPE_RGB;
	int depth = 8;
	std::vector<unsigned char> rows;  // top row first, packed as the file stores them
	std::vector<png_color> palette;
	std::vector<unsigned char> trns;  // palette alphas
	double gamma = 0;                 // gAMA chunk when above 0
	bool interlace = false;
};

inline int png_fixture_row_bytes(png_fixture const& f)
{
	int channels = 1;
	if (f.colour == PNG_COLOR_TYPE_RGB) channels = 3;
	if (f.colour == PNG_COLOR_TYPE_RGB_ALPHA) channels = 4;
	if (f.colour == PNG_COLOR_TYPE_GRAY_ALPHA) channels = 2;
	return (f.w * channels * f.depth + 7) / 8;
}

// Writes the fixture; false when libpng refused it.
inline bool write_png_fixture(std::string const& path, png_fixture const& f)
{
	FILE* out = fopen(path.c_str(), "wb");
	if (!out) return false;
	png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
	png_infop info = png_create_info_struct(png);
	std::vector<png_bytep> rows(f.h);
	int const rb = png_fixture_row_bytes(f);
	for (int i = 0; i < f.h; ++i) rows[i] = const_cast<unsigned char*>(f.rows.data()) + i * rb;
	bool ok = false;
	if (!setjmp(png_jmpbuf(png))) {
		png_init_io(png, out);
		png_set_IHDR(png, info, f.w, f.h, f.depth, f.colour,
		             f.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
		             PNG_FILTER_TYPE_DEFAULT);
		if (!f.palette.empty())
			png_set_PLTE(png, info, f.palette.data(), static_cast<int>(f.palette.size()));
		if (!f.trns.empty())
			png_set_tRNS(png, info, f.trns.data(), static_cast<int>(f.trns.size()), nullptr);
		if (f.gamma > 0) png_set_gAMA(png, info, f.gamma);
		png_write_info(png, info);
		png_write_image(png, rows.data());
		png_write_end(png, info);
		ok = true;
	}
	png_destroy_write_struct(&png, &info);
	fclose(out);
	return ok && static_cast<int>(f.rows.size()) == rb * f.h;
}

// A BMP whose pixel rows (bottom row first, b, g, r, each row padded to 4
// bytes) follow the 54-byte header.
inline std::string bmp_bytes(int w, int h, int bits, int compression, std::vector<unsigned char> const& pixels,
                             uint32_t data_offset = 54)
{
	std::string b;
	auto u16 = [&b](uint32_t v) {
		b += static_cast<char>(v & 0xff);
		b += static_cast<char>((v >> 8) & 0xff);
	};
	auto u32 = [&](uint32_t v) {
		u16(v & 0xffff);
		u16(v >> 16);
	};
	b += "BM";
	u32(static_cast<uint32_t>(54 + pixels.size()));
	u16(0);
	u16(0);
	u32(data_offset);
	u32(40);
	u32(static_cast<uint32_t>(w));
	u32(static_cast<uint32_t>(h));
	u16(1);
	u16(static_cast<uint32_t>(bits));
	u32(static_cast<uint32_t>(compression));
	for (int i = 0; i < 5; ++i) u32(0);
	b.append(pixels.begin(), pixels.end());
	return b;
}

// Reads a PNG back as 8-bit RGBA rows, top row first; also its colour type.
inline bool read_png_rgba(std::string const& path, int* w, int* h, int* colour, std::vector<unsigned char>* rgba)
{
	png_image image{};
	image.version = PNG_IMAGE_VERSION;
	if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
	*w = static_cast<int>(image.width);
	*h = static_cast<int>(image.height);
	*colour = (image.format & PNG_FORMAT_FLAG_ALPHA) ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
	image.format = PNG_FORMAT_RGBA;
	rgba->assign(PNG_IMAGE_SIZE(image), 0);
	bool const ok = png_image_finish_read(&image, nullptr, rgba->data(), 0, nullptr) != 0;
	png_image_free(&image);
	return ok;
}
