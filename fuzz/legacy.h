// Legacy aircraft and weapon files from a compact input: one byte of
// options (byte order, version, a cut), then patches of the zeroed image
// (4-byte word index, 4-byte value, host order). The file is written in the
// chosen byte order, texts left in file order, as the old programs wrote it.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace legacy_input {

struct file {
	std::string bytes;
	int version;
};

// texts: byte ranges that stay in file order in a big-endian file.
inline file make(uint8_t const* data, size_t size, size_t image_size, std::vector<std::pair<long, long>> const& texts,
                 int const* versions, int version_count)
{
	std::vector<unsigned char> image(image_size, 0);
	uint8_t const opts = size > 0 ? data[0] : 0;
	for (size_t at = 1; at + 8 <= size; at += 8) {
		uint32_t word, value;
		std::memcpy(&word, data + at, 4);
		std::memcpy(&value, data + at + 4, 4);
		size_t const offset = (word % (image_size / 4)) * 4;
		std::memcpy(&image[offset], &value, 4);
	}
	bool const big = opts & 1;
	int const version = versions[(opts >> 1) % version_count];
	auto reverse = [&image](size_t from, size_t to) {
		for (size_t at = from; at + 4 <= to; at += 4)
			std::swap(image[at], image[at + 3]), std::swap(image[at + 1], image[at + 2]);
	};
	if (big) {
		// Every word, then the texts back (whole words around each).
		reverse(0, image.size());
		for (auto const& t : texts) reverse(static_cast<size_t>(t.first), static_cast<size_t>(t.second));
	}
	uint32_t v = static_cast<uint32_t>(version);
	if (big) v = __builtin_bswap32(v);
	file f;
	f.version = version;
	f.bytes.assign(1, big ? 'a' : 'i');
	f.bytes.append(reinterpret_cast<char const*>(&v), 4);
	// A cut of 0 to 62 words on a quarter of the inputs: the short-file refusal.
	size_t const cut = (opts >> 2) % 4 == 0 ? static_cast<size_t>(opts >> 4) * 4 : 0;
	f.bytes.append(reinterpret_cast<char const*>(image.data()), image.size() - std::min(cut, image.size()));
	return f;
}

}  // namespace legacy_input
