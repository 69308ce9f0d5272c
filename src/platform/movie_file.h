// Movie files: JPEG-compressed frames in a .mov file with one video track
// whose time scale is 600 units a second. A frame is compressed first and
// added afterwards with its duration, so a caller can compress every frame
// and keep only some.
#pragma once
#include <string>

// The step that failed, for the caller's message; the error is the codec
// library's own (negative) code.
enum PLT_movie_step : int {
	movie_step_none = 0,
	movie_step_file = 1,     // creating the file
	movie_step_stream = 2,   // the track and the file header
	movie_step_encoder = 3,  // opening the compressor
	movie_step_buffers = 4,  // frame and conversion buffers
	movie_step_encode = 5,   // compressing a frame
	movie_step_packet = 6,   // writing a frame
	movie_step_flush = 7,    // draining the compressor
	movie_step_trailer = 8,  // the index at the end of the file
	movie_step_close = 9,    // closing the file
};

struct PLT_movie;

// 1 when both the compressor and the file format are there.
int PLT_movie_avail();

// Creates path (replacing any file there) for a dx x dy movie. Null on
// failure, with *step and *err set; nothing is left open.
PLT_movie* PLT_movie_open(std::string const& path, int dx, int dy, int* step, int* err);

// Compresses one dx x dy frame of RGBA pixels, rows top-down, stride bytes
// apart; it replaces any frame compressed but not added. 0, else the error
// (step movie_step_encode).
int PLT_movie_compress(PLT_movie* m, unsigned char const* rgba, int stride);

// Writes the last compressed frame lasting duration units (1/600 s). 0,
// else the error (step movie_step_packet).
int PLT_movie_add(PLT_movie* m, int duration);

// Finishes the file and frees m whatever happens. 0, else the error with
// *step set.
int PLT_movie_close(PLT_movie* m, int* step);
