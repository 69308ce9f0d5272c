// Image files and the scratch buffer.
//
// Index: buffers and values - alerts and sizes - in-memory reader - BMP reader
// - libpng callbacks - PNG reader - BMP writer - PNG writer.
//
// libpng reports errors by longjmp. Only the small guarded_* functions below
// call setjmp, and no object with a destructor lives in their frames, so a
// jump never skips C++ clean-up; the alerts (which may throw on a worker) are
// raised from the C++ callers after libpng has returned.
#include "graphics/tman_image.h"

#include <cerrno>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include <zlib.h>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/xmap.h"

// ---- buffers and values ------------------------------------------------------

alignas(16) unsigned char scratch_array_storage[scratch_bytes + 16];
unsigned char* scratch_array = scratch_array_storage;  // already on a 16-byte boundary
alignas(16) unsigned char scratch_array_temp[scratch_bytes];
int scratch_dx = 0;
int scratch_dy = 0;

xmap_class* png_mapped_file = nullptr;
size_t png_mapped_pos = 0;
std::string ping_path;

unsigned char key_color[4] = {0, 0, 0, 0};
int maxtexdim = 1024;  // refreshed from GL at every managed load

// ---- alerts and sizes ----------------------------------------------------------

void tman_alert(char const* message, std::string const& path, double value, int line)
{
	char number[64];
	snprintf(number, sizeof(number), "%1.0f", value);
	__VEDEZE_alert(0, message, path, "value:", number, 2, "tman", line);
}

void check_dxy(int value, std::string const& path)
{
	if (value < 1 || value > 1024)
		tman_alert("Trying to create a texture either less than 1 or greater than 1024!", path, value,
		           __LINE__);
}

float tex_res_scale(int setting)
{
	switch (setting) {
	case 0: return 1.0f / 32.0f;
	case 1: return 1.0f / 16.0f;
	case 2: return 1.0f / 8.0f;
	case 3: return 1.0f / 4.0f;
	case 4: return 1.0f / 2.0f;
	default: return 1.0f;
	}
}

namespace {

void check_load_type(int load_type, std::string const& path)
{
	if (load_type < tex_type_bitmap_over || load_type > tex_type_texture)
		tman_alert("Trying to create an invalid texture load_type!", path, load_type, __LINE__);
}

void check_components(int components, std::string const& path)
{
	if (components < 1 || components > 4)
		tman_alert("Trying to bind too low or high a number of bytes!", path, components, __LINE__);
}

// One image name serves both formats: "x.png" is read as "x.bmp" by the BMP
// reader and the other way round.
std::string with_extension(std::string const& path, char const* ext)
{
	size_t const n = path.size();
	if (n > 4 && path[n - 4] == '.') return path.substr(0, n - 4) + ext;
	return path;
}

int smallest_power_of_two(int side)
{
	if (side > 1024) return side;
	int p = 1;
	while (p < side) p *= 2;
	return p;
}

}  // namespace

float get_scale(std::string path, int, int load_type, int flags, int dx, int dy, int* img_dx,
                int* img_dy, int* tex_dx, int* tex_dy, int* x_off, int* y_off, int source)
{
	check_load_type(load_type, path);
	*x_off = 0;
	*y_off = 0;
	// The sides are divided by below.
	check_dxy(dx, path);
	check_dxy(dy, path);

	float scale = 1.0f;
	if (load_type == tex_type_texture) {
		scale = tex_res_scale(mnw.tex_res);
		if (flags & tex_flag_res_up) {
			scale *= 2.0f;
			if (scale > 1.0f) scale = 1.0f;
		}
		if (flags & tex_flag_res_down) scale *= 0.5f;
		if (static_cast<signed char>(flags & 0xff) < 0) scale = 1.0f;
		if (source == 1) scale = 1.0f;
		if (scale < 1.0f / dx) scale = 1.0f / dx;
		if (scale < 1.0f / dy) scale = 1.0f / dy;
		if (maxtexdim > 0)
			while (dx * scale > maxtexdim || dy * scale > maxtexdim) scale *= 0.5f;
		*img_dx = static_cast<int>(dx * scale);
		*img_dy = static_cast<int>(dy * scale);
	} else {
		*img_dx = dx;
		*img_dy = dy;
	}
	*tex_dx = smallest_power_of_two(*img_dx);
	*tex_dy = smallest_power_of_two(*img_dy);

	check_dxy(*img_dx, path);
	check_dxy(*img_dy, path);
	check_dxy(*tex_dx, path);
	check_dxy(*tex_dy, path);
	for (int off : {*x_off, *y_off})
		if (off < -1024 || off > 1024)
			tman_alert("Trying to offset a texture either less than -1024 or greater than 1024!", path, off,
			           __LINE__);
	return scale;
}

// ---- in-memory reader -------------------------------------------------------------

int load_buf_into_scratch(std::string path, int ref, int load_type, int flags, int* img_dx,
                          int* img_dy, int* tex_dx, int* tex_dy)
{
	check_load_type(load_type, path);
	if (path.compare(0, 13, "scratch_array") != 0) return 0;
	check_dxy(scratch_dx, path);
	check_dxy(scratch_dy, path);
	int x_off, y_off;
	get_scale(path, ref, load_type, flags, scratch_dx, scratch_dy, img_dx, img_dy, tex_dx, tex_dy, &x_off,
	          &y_off, 1);
	return 1;
}

// ---- BMP reader ------------------------------------------------------------------------

namespace {

struct le_reader {
	unsigned char const* p;
	uint32_t u16()
	{
		uint32_t v = p[0] | (p[1] << 8);
		p += 2;
		return v;
	}
	uint32_t u32()
	{
		uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
		p += 4;
		return v;
	}
};

constexpr size_t bmp_header_bytes = 54;

unsigned char* destination(int load_type, int flags)
{
	if (flags & tex_flag_scratch) return scratch_array;
	return load_type == tex_type_texture ? scratch_array_temp : scratch_array;
}

}  // namespace

int load_bmp_into_scratch(std::string path, int ref, int load_type, int flags, unsigned char components,
                          int* img_dx, int* img_dy, int* tex_dx, int* tex_dy)
{
	check_load_type(load_type, path);
	check_components(components, path);
	if (flags < 0 || flags >= tex_flag_limit)
		tman_alert("Trying to bind an invalid filter type!", path, flags, __LINE__);
	path = with_extension(path, ".bmp");

	xmap_class file(path);
	if (!file.begin) return 0;
	size_t const file_size = static_cast<size_t>(file.end - file.begin);
	if (file_size < bmp_header_bytes) return 0;  // too short to be a bitmap at all

	auto const* bytes = reinterpret_cast<unsigned char const*>(file.begin);
	le_reader h{bytes};
	h.u16();  // magic
	h.u32();  // file size
	h.u16();
	h.u16();
	uint32_t const data_offset = h.u32();
	h.u32();  // header size
	int const width = static_cast<int>(h.u32());
	int const height = static_cast<int>(h.u32());
	h.u16();  // planes
	uint32_t const bits = h.u16();
	uint32_t const compression = h.u32();

	if (bits != 24)
		__VEDEZE_alert(0, "Wrong bitmap color depth for texture!", "We need 24-bit color.", "", path, 2, "tman",
		               __LINE__);
	if (compression != 0) __VEDEZE_alert(0, "Bitmap is compressed!", "", "", path, 2, "tman", __LINE__);
	check_dxy(width, path);
	check_dxy(height, path);

	int x_off, y_off;
	float const scale = get_scale(path, ref, load_type, flags, width, height, img_dx, img_dy, tex_dx, tex_dy,
	                              &x_off, &y_off, 3);
	float const step = 1.0f / scale;

	unsigned char* const dst = destination(load_type, flags);
	size_t const stride = load_type == tex_type_texture ? static_cast<size_t>(*tex_dx) : 1024u;
	size_t const row_bytes = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
	bool const texture = load_type == tex_type_texture;

	for (int y = 0; y < *img_dy; ++y) {
		int sy = static_cast<int>(y * step);
		if (sy >= height) sy = height - 1;
		for (int x = 0; x < *img_dx; ++x) {
			int sx = static_cast<int>(x * step);
			if (sx >= width) sx = width - 1;
			size_t const src = data_offset + static_cast<size_t>(sy) * row_bytes + static_cast<size_t>(sx) * 3;
			if (src + 3 > file_size) continue;
			size_t const at = ((static_cast<size_t>(y + y_off)) * stride + static_cast<size_t>(x + x_off)) * components;
			if (at + components > scratch_bytes) continue;
			unsigned char const b = bytes[src], g = bytes[src + 1], r = bytes[src + 2];
			unsigned char* const px = dst + at;
			switch (components) {
			case 1: px[0] = static_cast<unsigned char>((r + g + b) / 3); break;
			case 2:
				px[0] = static_cast<unsigned char>((r + g + b) / 3);
				px[1] = 255;
				break;
			case 3:
				px[0] = r;
				px[1] = g;
				px[2] = b;
				break;
			default:
				if (r == 255 && g == 0 && b == 255) {
					// A texture's key pixel is clear, not whatever the buffer last
					// held; over the scratch buffer it leaves what lies below.
					if (texture) memset(px, 0, 4);
					continue;
				}
				px[0] = r;
				px[1] = g;
				px[2] = b;
				px[3] = 255;
			}
		}
	}
	return 1;
}

// ---- libpng callbacks ------------------------------------------------------------

namespace {

// What a failed libpng call leaves for its caller; reached through the
// error pointer, so readers on different threads never share it.
struct png_failure {
	char message[256];
};

}  // namespace

void my_error(png_struct* png, char const* message)
{
	auto* failure = static_cast<png_failure*>(png_get_error_ptr(png));
	if (failure) snprintf(failure->message, sizeof(failure->message), "%s", message ? message : "");
	png_longjmp(png, 1);
}

void my_warning(png_struct*, char const* message)
{
	std::lock_guard<std::mutex> hold(xer_lock);
	xer << "PNG warning! " << (message ? message : "") << ", " << ping_path << "\n";
	xer.flush();
}

void* my_malloc(png_struct*, unsigned long size) { return malloc(size); }

void my_free(png_struct*, void* ptr) { free(ptr); }

void my_readbuf(png_struct* png, unsigned char* dst, unsigned long len)
{
	xmap_class const* f = png_mapped_file;
	size_t const size = f && f->begin ? static_cast<size_t>(f->end - f->begin) : 0;
	if (png_mapped_pos > size || len > size - png_mapped_pos) {
		png_error(png, "PNG Read Error, overran end of buffer!");
		return;
	}
	memcpy(dst, f->begin + png_mapped_pos, len);
	png_mapped_pos += len;
}

// ---- PNG reader ------------------------------------------------------------------------

namespace {

struct png_plan {
	int wanted;      // bytes per pixel asked for
	int keyed;       // the file decides 3 or 4
	int components;  // what the rows will hold
	png_uint_32 width, height;
	size_t row_bytes;
};

// Header, transforms and the row size after them; 0 when libpng failed.
int guarded_read_info(png_structp png, png_infop info, png_plan* plan)
{
	if (setjmp(png_jmpbuf(png))) return 0;
	png_set_read_fn(png, nullptr, my_readbuf);
	png_set_sig_bytes(png, 8);
	png_read_info(png, info);

	int const colour = png_get_color_type(png, info);
	int const depth = png_get_bit_depth(png, info);
	bool const trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
	bool const alpha = (colour & PNG_COLOR_MASK_ALPHA) != 0 || trns;
	bool const grey = (colour & PNG_COLOR_MASK_COLOR) == 0;

	double file_gamma;
	if (png_get_gAMA(png, info, &file_gamma))
		png_set_gamma(png, 1.8, file_gamma);
	else
		png_set_gamma(png, 1.8, 1.0 / 1.8);
	if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
	if (grey && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
	if (trns) png_set_tRNS_to_alpha(png);
	if (depth == 16) png_set_strip_16(png);
	if (depth < 8) png_set_packing(png);

	if (!plan->keyed) {
		if (plan->wanted == 4 && !alpha) png_set_filler(png, 0xff, PNG_FILLER_AFTER);
		if (plan->wanted < 4 && alpha) png_set_strip_alpha(png);
		if (plan->wanted == 1 && !grey) png_set_rgb_to_gray(png, PNG_ERROR_ACTION_NONE, -1, -1);
		if (plan->wanted > 1 && grey) png_set_gray_to_rgb(png);
		plan->components = plan->wanted;
	} else {
		plan->components = alpha ? 4 : 3;
		if (grey) png_set_gray_to_rgb(png);
	}
	png_set_interlace_handling(png);
	png_read_update_info(png, info);
	plan->width = png_get_image_width(png, info);
	plan->height = png_get_image_height(png, info);
	plan->row_bytes = png_get_rowbytes(png, info);
	return 1;
}

int guarded_read_image(png_structp png, png_bytepp rows)
{
	if (setjmp(png_jmpbuf(png))) return 0;
	png_read_image(png, rows);
	return 1;
}

// Releases the libpng structures and the mapping on every way out,
// including an alert thrown on a worker.
struct png_read_session {
	png_structp png = nullptr;
	png_infop info = nullptr;
	png_failure failure{};
	xmap_class file;
	~png_read_session()
	{
		if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
		png_mapped_file = nullptr;
		png_mapped_pos = 0;
	}
};

void png_fail(png_read_session& s, std::string const& path, char const* what, int line)
{
	std::string const message = s.failure.message;
	// The warning first, as libpng's own report; then the reader gives up.
	if (!message.empty()) __VEDEZE_alert(0, "PNG error!", message, ping_path, "", 1, "tman", line);
	__VEDEZE_alert(0, "PING-FILE ERROR!", what, path, "", 2, "tman", line);
}

unsigned char alpha_of(unsigned char const* px, int components)
{
	return components == 4 ? px[3] : components == 2 ? px[1] : 255;
}

void composite_over_scratch(unsigned char const* src, png_plan const& plan, int img_dx, int img_dy, float step,
                            int x_off, int y_off)
{
	int const c = plan.components;
	int const colours = (c == 2 || c == 4) ? c - 1 : c;
	int const w = static_cast<int>(plan.width), h = static_cast<int>(plan.height);
	for (int y = 0; y < img_dy; ++y) {
		int sy = static_cast<int>(y * step);
		if (sy > h - 1) sy = h - 1;
		int ty = y + y_off;
		ty = ty < 0 ? 0 : ty > 1023 ? 1023 : ty;
		for (int x = 0; x < img_dx; ++x) {
			int sx = static_cast<int>(x * step);
			if (sx > w - 1) sx = w - 1;
			int tx = x + x_off;
			tx = tx < 0 ? 0 : tx > 1023 ? 1023 : tx;
			unsigned char const* s = src + (static_cast<size_t>(sy) * 1024 + sx) * c;
			unsigned char* t = scratch_array + (static_cast<size_t>(ty) * 1024 + tx) * c;
			int const a = alpha_of(s, c);
			if (a <= 0) continue;
			for (int k = 0; k < colours; ++k)
				t[k] = static_cast<unsigned char>(((t[k] * (256 - a)) >> 8) + ((s[k] * a) >> 8));
			if (c == 4 || c == 2) {
				int const sum = t[c - 1] + a;
				t[c - 1] = static_cast<unsigned char>(sum > 255 ? 255 : sum);
			}
		}
	}
}

}  // namespace

int load_png_into_scratch(std::string path, int ref, int load_type, int flags, unsigned char& components,
                          int keyed, int* img_dx, int* img_dy, int* tex_dx, int* tex_dy)
{
	ping_path = path;
	check_load_type(load_type, path);
	check_components(components, path);
	path = with_extension(path, ".png");

	png_read_session s;
	s.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &s.failure, my_error, my_warning, nullptr, my_malloc,
	                                 my_free);
	if (!s.png) __VEDEZE_alert(0, "PING-FILE ERROR!", "!png_ptr", path, "", 2, "tman", __LINE__);
	s.info = png_create_info_struct(s.png);
	if (!s.info) __VEDEZE_alert(0, "PING-FILE ERROR!", "!info_ptr", path, "", 2, "tman", __LINE__);

	if (!s.file.retry(path)) return 0;
	size_t const file_size = static_cast<size_t>(s.file.end - s.file.begin);
	if (file_size < 8) return 0;
	if (png_sig_cmp(reinterpret_cast<png_const_bytep>(s.file.begin), 0, 8) != 0)
		__VEDEZE_alert(0, "PING-FILE ERROR!", "is_png=!png_sig_cmp(png_io_buf,0,8)", path, "", 2, "tman",
		               __LINE__);
	png_mapped_file = &s.file;
	png_mapped_pos = 8;

	png_plan plan{};
	plan.wanted = components;
	plan.keyed = keyed;
	if (!guarded_read_info(s.png, s.info, &plan)) png_fail(s, path, "setjmp(png_ptr->jmpbuf", __LINE__);
	if (keyed) components = static_cast<unsigned char>(plan.components);
	int const c = plan.components;
	if (plan.row_bytes != static_cast<size_t>(plan.width) * c)
		__VEDEZE_alert(0, "PING-FILE ERROR!", "png_get_rowbytes(png_ptr,info_ptr)", path, "", 2, "tman", __LINE__);

	int x_off, y_off;
	// get_scale refuses any side above 1024 before it sizes anything.
	int const width = plan.width > INT_MAX ? INT_MAX : static_cast<int>(plan.width);
	int const height = plan.height > INT_MAX ? INT_MAX : static_cast<int>(plan.height);
	float const scale = get_scale(path, ref, load_type, flags, width, height, img_dx, img_dy, tex_dx, tex_dy,
	                              &x_off, &y_off, 2);
	float const step = 1.0f / scale;
	bool const texture = load_type == tex_type_texture;
	size_t const stride_px = texture ? static_cast<size_t>(*tex_dx) : 1024u;

	unsigned char* dst;
	if (load_type == tex_type_bitmap)
		dst = scratch_array;
	else if (!texture)
		dst = scratch_array_temp;
	else
		dst = (flags & tex_flag_scratch) ? scratch_array : scratch_array_temp;
	if (load_type == tex_type_bitmap || texture) memset(dst, 0, scratch_bytes);

	bool const reduce = texture && scale != 1.0f;
	size_t const row_stride = (reduce ? static_cast<size_t>(width) : stride_px) * c;
	std::vector<png_bytep> rows(height);
	for (int i = 0; i < height; ++i) rows[i] = dst + static_cast<size_t>(height - 1 - i) * row_stride;
	if (!guarded_read_image(s.png, rows.data())) png_fail(s, path, "setjmp(png_ptr->jmpbuf", __LINE__);

	if ((flags & tex_flag_chroma) && c == 4) {
		for (int y = 0; y < height; ++y) {
			unsigned char* px = dst + static_cast<size_t>(y) * row_stride;
			for (int x = 0; x < width; ++x, px += 4) {
				int const d = abs(px[0] - key_color[0]) + abs(px[1] - key_color[1]) + abs(px[2] - key_color[2]);
				if (d < 51) px[3] = static_cast<unsigned char>(d * 5);
			}
		}
	}

	if (load_type == tex_type_bitmap_over || load_type == tex_type_instr_over) {
		composite_over_scratch(dst, plan, *img_dx, *img_dy, step, x_off, y_off);
		return 1;
	}
	if (!reduce) return 1;

	int shift;
	switch (static_cast<int>(step)) {
	case 2: shift = 2; break;
	case 4: shift = 4; break;
	case 8: shift = 6; break;
	case 16: shift = 8; break;
	case 32: shift = 10; break;
	default: tman_alert("No case to handle this png!", path, step, __LINE__); return 1;
	}
	int const n = static_cast<int>(step);
	if (static_cast<float>(n) != step) tman_alert("No case to handle this png!", path, step, __LINE__);
	// In place: an output pixel never lies beyond the first input byte a later
	// output pixel still reads, since the texture row is at most step input rows.
	size_t const out_stride = stride_px * c;
	for (int oy = 0; oy < *img_dy; ++oy) {
		for (int ox = 0; ox < *img_dx; ++ox) {
			unsigned char* out = dst + oy * out_stride + static_cast<size_t>(ox) * c;
			for (int k = 0; k < c; ++k) {
				unsigned sum = 0;
				for (int by = 0; by < n; ++by) {
					unsigned char const* in =
					    dst + static_cast<size_t>(oy * n + by) * row_stride + static_cast<size_t>(ox * n) * c + k;
					for (int bx = 0; bx < n; ++bx) sum += in[static_cast<size_t>(bx) * c];
				}
				out[k] = static_cast<unsigned char>(sum >> shift);
			}
		}
		// The texture's margin right of the image would keep input bytes.
		memset(dst + oy * out_stride + static_cast<size_t>(*img_dx) * c, 0, (stride_px - *img_dx) * c);
	}
	size_t const used = static_cast<size_t>(*img_dy) * out_stride;
	size_t const texture_end = static_cast<size_t>(*tex_dy) * out_stride;
	if (texture_end > used) memset(dst + used, 0, texture_end - used);
	return 1;
}

// ---- writers ---------------------------------------------------------------------------

namespace {

// Packed rows of dx pixels, read with a stride of `stride` bytes, must stay
// inside the scratch buffer.
void check_write_size(std::string const& path, int dx, int dy, size_t stride, size_t row_bytes, int line)
{
	bool ok = dx >= 1 && dy >= 1 && dx <= 16384 && dy <= 16384;
	if (ok) ok = static_cast<size_t>(dy - 1) * stride + row_bytes <= scratch_bytes;
	if (!ok)
		tman_alert("Trying to write an image larger than the scratch buffer!", path,
		           static_cast<double>(dx) * dy, line);
}

void put16(std::ostream& out, uint32_t v)
{
	char const b[2] = {static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff)};
	out.write(b, 2);
}

void put32(std::ostream& out, uint32_t v)
{
	char const b[4] = {static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff),
	                   static_cast<char>((v >> 16) & 0xff), static_cast<char>((v >> 24) & 0xff)};
	out.write(b, 4);
}

}  // namespace

void write_bmp_to_disk(std::string path, int dx, int dy)
{
	size_t const n = path.size();
	if (n > 4 && path[n - 4] == '.') path.erase(n - 4);
	set_dir_chars(path);
	path += ".bmp";
	path = app_path + path;
	check_write_size(path, dx, dy, static_cast<size_t>(dx) * 3, static_cast<size_t>(dx) * 3, __LINE__);

	auto cannot_write = [&path](int line) {
		__VEDEZE_alert(0, "I could not create this file!", "Here is the path:", path,
		               "Make sure you have all these folders... I can create files, but not folders!", 2, "tman",
		               line);
	};
	if (ouf.is_open()) ouf.close();
	ouf.clear();
	ouf.open(path, std::ios::out | std::ios::binary | std::ios::trunc);
	if (!ouf.is_open()) cannot_write(__LINE__);

	uint32_t const row_bytes = (static_cast<uint32_t>(dx) * 3 + 3) & ~3u;
	ouf.write("BM", 2);
	put32(ouf, 54 + row_bytes * static_cast<uint32_t>(dy));
	put16(ouf, 0);
	put16(ouf, 0);
	put32(ouf, 54);
	put32(ouf, 40);
	put32(ouf, static_cast<uint32_t>(dx));
	put32(ouf, static_cast<uint32_t>(dy));
	put16(ouf, 1);
	put16(ouf, 24);
	for (int i = 0; i < 6; ++i) put32(ouf, 0);

	size_t const packed = static_cast<size_t>(dx) * 3;
	char const pad[3] = {0, 0, 0};
	for (int y = 0; y < dy; ++y) {
		unsigned char* row = scratch_array + static_cast<size_t>(y) * packed;
		for (int x = 0; x < dx; ++x) std::swap(row[x * 3], row[x * 3 + 2]);
		ouf.write(reinterpret_cast<char const*>(row), static_cast<std::streamsize>(packed));
		ouf.write(pad, static_cast<std::streamsize>(row_bytes - packed));
	}
	ouf.close();
	// A full disk shows only here; a cut-off bitmap must not pass for a picture.
	if (ouf.fail()) {
		ouf.clear();
		remove(path.c_str());
		cannot_write(__LINE__);
	}
}

namespace {

int guarded_write_png(png_structp png, png_infop info, FILE* f, int dx, int dy, int components,
                      png_bytepp rows)
{
	if (setjmp(png_jmpbuf(png))) return 0;
	png_init_io(png, f);
	png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
	png_set_compression_level(png, 9);
	png_set_compression_mem_level(png, 8);
	png_set_compression_strategy(png, Z_DEFAULT_STRATEGY);
	png_set_compression_window_bits(png, 15);
	png_set_compression_method(png, 8);
	png_set_compression_buffer_size(png, 8192);
	png_set_IHDR(png, info, static_cast<png_uint_32>(dx), static_cast<png_uint_32>(dy), 8,
	             components == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
	             PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
	png_write_info(png, info);
	png_write_image(png, rows);
	png_write_end(png, info);
	return 1;
}

}  // namespace

void write_png_to_disk(std::string path, int dx, int dy, int components)
{
	path = app_path + path;
	set_dir_chars(path);
	size_t const stride = static_cast<size_t>(dx) * (components > 0 ? components : 0);
	size_t const row_bytes = static_cast<size_t>(dx) * (components == 4 ? 4 : 3);
	check_write_size(path, dx, dy, stride, row_bytes, __LINE__);

	auto warn = [&path](std::string const& why) {
		std::lock_guard<std::mutex> hold(xer_lock);
		xer << "WARNING: I could not write the image " << path << " (" << why << ").\n";
		xer.flush();
	};

	FILE* f = fopen(path.c_str(), "wb");
	if (!f) {
		warn(strerror(errno));
		return;
	}
	png_failure failure{};
	png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, my_error, my_warning);
	png_infop info = png ? png_create_info_struct(png) : nullptr;
	int ok = 0;
	if (png && info) {
		std::vector<png_bytep> rows(dy);
		for (int i = 0; i < dy; ++i) rows[i] = scratch_array + static_cast<size_t>(dy - 1 - i) * stride;
		ok = guarded_write_png(png, info, f, dx, dy, components, rows.data());
	}
	bool const set_up = png && info;
	if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
	bool const closed = fclose(f) == 0;
	if (ok && closed) return;
	remove(path.c_str());
	if (failure.message[0]) {
		warn(failure.message);
		__VEDEZE_alert(0, "PNG error!", failure.message, path, "", 1, "tman", __LINE__);
	} else {
		warn(set_up ? "close failed" : "no libpng");
	}
}
