// Image files and the scratch buffer: the readers that turn an in-memory
// image, a PNG or a 24-bit BMP into raw pixels for the texture manager, and
// the writers that store the scratch buffer as BMP or PNG.
//
// Pixels in both buffers: rows bottom-up, 1..4 bytes a pixel (grey; r,g,b;
// r,g,b,a). Readers return 1 on success and 0 when the source is not there;
// bad arguments and malformed files end the program with a fatal alert (on a
// worker thread the alert is thrown as exce_class instead).
#pragma once
#include <png.h>

#include <cstddef>
#include <string>

class xmap_class;

// ---- load types and flags shared with the texture manager ------------------
enum {
	tex_type_texture = -100,     // scaled by the resolution setting and uploaded
	tex_type_bitmap = -101,      // into the scratch buffer, not uploaded
	tex_type_instrument = -102,  // into the temporary buffer
	tex_type_instr_over = -103,  // composited over the scratch buffer
	tex_type_bitmap_over = -104,  // composited over the scratch buffer
	tex_type_free = -105,        // a free record of the manager
};

enum {
	tex_flag_colour_mask = 7,
	tex_flag_mipmap = 8,
	tex_flag_clamp = 16,
	tex_flag_res_up = 32,
	tex_flag_res_down = 64,
	tex_flag_full_res = 128,
	tex_flag_scratch = 256,
	tex_flag_carried = 512,
	tex_flag_chroma = 1024,
	tex_flag_limit = 2048,
};

// ---- buffers -------------------------------------------------------------------
constexpr size_t scratch_bytes = 4u * 1024u * 1024u;  // one 1024 x 1024 RGBA image

extern unsigned char scratch_array_storage[scratch_bytes + 16];
extern unsigned char* scratch_array;  // 16-byte aligned, valid from load
extern unsigned char scratch_array_temp[scratch_bytes];
extern int scratch_dx, scratch_dy;

// The PNG being read (null between reads), its read position and its path.
extern xmap_class* png_mapped_file;
extern size_t png_mapped_pos;
extern std::string ping_path;

// ---- manager values the readers use --------------------------------------------
extern unsigned char key_color[4];  // chroma key r, g, b, a
extern int maxtexdim;               // GL's largest texture side

// Resolution scale of texture-resolution setting 0..5 (other values: 1).
float tex_res_scale(int setting);

// The manager's four-line range alert: message, path, "value:", the number.
void tman_alert(char const* message, std::string const& path, double value, int line);
// A side must be 1..1024.
void check_dxy(int value, std::string const& path);

// ---- readers ---------------------------------------------------------------------
float get_scale(std::string path, int ref, int load_type, int flags, int dx, int dy, int* img_dx,
                int* img_dy, int* tex_dx, int* tex_dy, int* x_off, int* y_off, int source);

int load_buf_into_scratch(std::string path, int ref, int load_type, int flags, int* img_dx,
                          int* img_dy, int* tex_dx, int* tex_dy);
int load_png_into_scratch(std::string path, int ref, int load_type, int flags,
                          unsigned char& components, int keyed, int* img_dx, int* img_dy,
                          int* tex_dx, int* tex_dy);
int load_bmp_into_scratch(std::string path, int ref, int load_type, int flags,
                          unsigned char components, int* img_dx, int* img_dy, int* tex_dx,
                          int* tex_dy);

// ---- writers: the scratch buffer, rows bottom-up and packed -----------------------
void write_bmp_to_disk(std::string path, int dx, int dy);
void write_png_to_disk(std::string path, int dx, int dy, int components);

// ---- libpng callbacks --------------------------------------------------------------
void my_error(png_struct* png, char const* message);
void my_warning(png_struct* png, char const* message);
void* my_malloc(png_struct* png, unsigned long size);
void my_free(png_struct* png, void* ptr);
void my_readbuf(png_struct* png, unsigned char* dst, unsigned long len);
