// Reads a movie file back with the codec libraries: the first video track's
// codec, size and time base, each packet's time stamp and duration, and
// every frame decoded to RGB.
#pragma once
#include <string>
#include <vector>

struct movie_contents {
	std::string error;  // empty when the file could be read
	bool mjpeg = false;
	std::string tag;    // the track's four-character codec tag
	int width = 0, height = 0;
	int tb_num = 0, tb_den = 0;  // the track's time base
	std::vector<long long> pts, durations;
	std::vector<std::vector<unsigned char>> frames;  // RGB, rows top-down

	// Pixel (x, y from the top) of frame f as r, g, b.
	unsigned char const* at(size_t f, int x, int y) const
	{
		return frames[f].data() + (static_cast<size_t>(y) * width + x) * 3;
	}
};

movie_contents read_movie(std::string const& path);
