// MD5 as RFC 1321 describes it, with the framework's four-call interface,
// and the signature of a file on disk.
//
// Index: constants - block transform - MD5Init/Update/Final - calc_file_md5.
#include "foundation/md5.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>

#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/io_utils.h"

namespace {

unsigned char const PADDING[64] = {0x80};

// floor(abs(sin(i + 1)) * 2^32)
uint32_t const T[64] = {
	0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee,
	0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
	0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be,
	0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
	0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa,
	0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
	0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed,
	0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
	0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c,
	0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
	0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05,
	0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
	0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039,
	0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
	0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1,
	0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

inline uint32_t rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t load_le(unsigned char const* p)
{
	return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void store_le(unsigned char* p, uint32_t v)
{
	p[0] = static_cast<unsigned char>(v);
	p[1] = static_cast<unsigned char>(v >> 8);
	p[2] = static_cast<unsigned char>(v >> 16);
	p[3] = static_cast<unsigned char>(v >> 24);
}

// The round functions arranged so that the newest value (b) meets as few
// operations as possible before the add: what depends only on the older c
// and d is computed while b is still being made. In G the two halves of the
// OR never share a bit, so they are added instead. Results are unchanged.
inline uint32_t F(uint32_t x, uint32_t y, uint32_t z) { return z ^ (x & (y ^ z)); }
inline uint32_t H(uint32_t x, uint32_t y, uint32_t z) { return x ^ (y ^ z); }
inline uint32_t I(uint32_t x, uint32_t y, uint32_t z) { return y ^ (x | ~z); }

// Fully unrolled so that every word index, constant and rotation is fixed
// at compile time: the rolled loop spent most of a file's signing time on
// choosing them. State stays in registers across the blocks of one call.
#define MD5_STEP(f, a, b, c, d, k, i, s) \
	a += x[k] + T[i];                   \
	a += f(b, c, d);                    \
	a = rotl(a, s) + b
#define MD5_STEP_G(a, b, c, d, k, i, s)  \
	a += x[k] + T[i] + (c & ~d);        \
	a += b & d;                         \
	a = rotl(a, s) + b

void transform(uint32_t state[4], unsigned char const* data, size_t blocks)
{
	uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
	for (; blocks > 0; --blocks, data += 64) {
		uint32_t x[16];
		for (int i = 0; i < 16; ++i)
			x[i] = load_le(data + 4 * i);
		uint32_t const a0 = a, b0 = b, c0 = c, d0 = d;

		MD5_STEP(F, a, b, c, d, 0, 0, 7);
		MD5_STEP(F, d, a, b, c, 1, 1, 12);
		MD5_STEP(F, c, d, a, b, 2, 2, 17);
		MD5_STEP(F, b, c, d, a, 3, 3, 22);
		MD5_STEP(F, a, b, c, d, 4, 4, 7);
		MD5_STEP(F, d, a, b, c, 5, 5, 12);
		MD5_STEP(F, c, d, a, b, 6, 6, 17);
		MD5_STEP(F, b, c, d, a, 7, 7, 22);
		MD5_STEP(F, a, b, c, d, 8, 8, 7);
		MD5_STEP(F, d, a, b, c, 9, 9, 12);
		MD5_STEP(F, c, d, a, b, 10, 10, 17);
		MD5_STEP(F, b, c, d, a, 11, 11, 22);
		MD5_STEP(F, a, b, c, d, 12, 12, 7);
		MD5_STEP(F, d, a, b, c, 13, 13, 12);
		MD5_STEP(F, c, d, a, b, 14, 14, 17);
		MD5_STEP(F, b, c, d, a, 15, 15, 22);

		MD5_STEP_G(a, b, c, d, 1, 16, 5);
		MD5_STEP_G(d, a, b, c, 6, 17, 9);
		MD5_STEP_G(c, d, a, b, 11, 18, 14);
		MD5_STEP_G(b, c, d, a, 0, 19, 20);
		MD5_STEP_G(a, b, c, d, 5, 20, 5);
		MD5_STEP_G(d, a, b, c, 10, 21, 9);
		MD5_STEP_G(c, d, a, b, 15, 22, 14);
		MD5_STEP_G(b, c, d, a, 4, 23, 20);
		MD5_STEP_G(a, b, c, d, 9, 24, 5);
		MD5_STEP_G(d, a, b, c, 14, 25, 9);
		MD5_STEP_G(c, d, a, b, 3, 26, 14);
		MD5_STEP_G(b, c, d, a, 8, 27, 20);
		MD5_STEP_G(a, b, c, d, 13, 28, 5);
		MD5_STEP_G(d, a, b, c, 2, 29, 9);
		MD5_STEP_G(c, d, a, b, 7, 30, 14);
		MD5_STEP_G(b, c, d, a, 12, 31, 20);

		MD5_STEP(H, a, b, c, d, 5, 32, 4);
		MD5_STEP(H, d, a, b, c, 8, 33, 11);
		MD5_STEP(H, c, d, a, b, 11, 34, 16);
		MD5_STEP(H, b, c, d, a, 14, 35, 23);
		MD5_STEP(H, a, b, c, d, 1, 36, 4);
		MD5_STEP(H, d, a, b, c, 4, 37, 11);
		MD5_STEP(H, c, d, a, b, 7, 38, 16);
		MD5_STEP(H, b, c, d, a, 10, 39, 23);
		MD5_STEP(H, a, b, c, d, 13, 40, 4);
		MD5_STEP(H, d, a, b, c, 0, 41, 11);
		MD5_STEP(H, c, d, a, b, 3, 42, 16);
		MD5_STEP(H, b, c, d, a, 6, 43, 23);
		MD5_STEP(H, a, b, c, d, 9, 44, 4);
		MD5_STEP(H, d, a, b, c, 12, 45, 11);
		MD5_STEP(H, c, d, a, b, 15, 46, 16);
		MD5_STEP(H, b, c, d, a, 2, 47, 23);

		MD5_STEP(I, a, b, c, d, 0, 48, 6);
		MD5_STEP(I, d, a, b, c, 7, 49, 10);
		MD5_STEP(I, c, d, a, b, 14, 50, 15);
		MD5_STEP(I, b, c, d, a, 5, 51, 21);
		MD5_STEP(I, a, b, c, d, 12, 52, 6);
		MD5_STEP(I, d, a, b, c, 3, 53, 10);
		MD5_STEP(I, c, d, a, b, 10, 54, 15);
		MD5_STEP(I, b, c, d, a, 1, 55, 21);
		MD5_STEP(I, a, b, c, d, 8, 56, 6);
		MD5_STEP(I, d, a, b, c, 15, 57, 10);
		MD5_STEP(I, c, d, a, b, 6, 58, 15);
		MD5_STEP(I, b, c, d, a, 13, 59, 21);
		MD5_STEP(I, a, b, c, d, 4, 60, 6);
		MD5_STEP(I, d, a, b, c, 11, 61, 10);
		MD5_STEP(I, c, d, a, b, 2, 62, 15);
		MD5_STEP(I, b, c, d, a, 9, 63, 21);

		a += a0;
		b += b0;
		c += c0;
		d += d0;
	}
	state[0] = a;
	state[1] = b;
	state[2] = c;
	state[3] = d;
}

#undef MD5_STEP
#undef MD5_STEP_G

}  // namespace

void MD5Init(MD5_CTX* ctx)
{
	ctx->bit_count[0] = ctx->bit_count[1] = 0;
	ctx->state[0] = 0x67452301;
	ctx->state[1] = 0xefcdab89;
	ctx->state[2] = 0x98badcfe;
	ctx->state[3] = 0x10325476;
	std::memset(ctx->buffer, 0, sizeof ctx->buffer);
	std::memset(ctx->digest, 0, sizeof ctx->digest);
}

void MD5Update(MD5_CTX* ctx, unsigned char const* data, unsigned short len)
{
	unsigned index = (ctx->bit_count[0] >> 3) & 63;
	uint32_t const bits = uint32_t(len) << 3;
	ctx->bit_count[0] += bits;
	if (ctx->bit_count[0] < bits)
		++ctx->bit_count[1];
	// A 16-bit length never reaches the high word by itself (len >> 29 is 0).
	if (len == 0) return;  // data may be null then

	unsigned i = 0;
	if (index != 0) {  // finish the held block first
		unsigned const room = 64 - index;
		if (len < room) {
			std::memcpy(ctx->buffer + index, data, len);
			return;
		}
		std::memcpy(ctx->buffer + index, data, room);
		transform(ctx->state, ctx->buffer, 1);
		i = room;
	}
	size_t const blocks = (len - i) / 64;
	transform(ctx->state, data + i, blocks);
	i += static_cast<unsigned>(blocks * 64);
	if (len > i)
		std::memcpy(ctx->buffer, data + i, len - i);
}

void MD5UpdateWide(MD5_CTX* ctx, unsigned char const* data, unsigned int len)
{
	while (len > 0) {
		unsigned short const chunk = len > 65535 ? 65535 : static_cast<unsigned short>(len);
		MD5Update(ctx, data, chunk);
		data += chunk;
		len -= chunk;
	}
}

void MD5Final(MD5_CTX* ctx)
{
	unsigned char bits[8];
	store_le(bits, ctx->bit_count[0]);
	store_le(bits + 4, ctx->bit_count[1]);

	unsigned const index = (ctx->bit_count[0] >> 3) & 63;
	unsigned const pad = index < 56 ? 56 - index : 120 - index;
	MD5Update(ctx, PADDING, static_cast<unsigned short>(pad));
	MD5Update(ctx, bits, 8);

	for (int i = 0; i < 4; ++i)
		store_le(ctx->digest + 4 * i, ctx->state[i]);
	std::memset(ctx->buffer, 0, sizeof ctx->buffer);
}

// ---- calc_file_md5 ---------------------------------------------------------

namespace {

// Files are read in pieces of whole blocks that one MD5Update call takes,
// so no partial block is held between reads.
size_t const kPiece = 65535 / 64 * 64;
unsigned char const kZeros[kPiece] = {};

std::string digest_text(MD5_CTX const& ctx)
{
	static char const digits[] = "0123456789abcdef";
	std::string text;
	for (unsigned char byte : ctx.digest) {
		text += digits[byte >> 4];
		text += digits[byte & 15];
	}
	return text;
}

}  // namespace

int calc_file_md5(std::string const& path, std::string& md5)
{
	MD5_CTX ctx;
	MD5Init(&ctx);
	std::string target;
	if (is_sim_link(path.c_str(), &target)) {
		// Links are compared by what they say, never by what they reach.
		MD5UpdateWide(&ctx, reinterpret_cast<unsigned char const*>(target.data()),
		              static_cast<unsigned int>(target.size()));
		MD5Final(&ctx);
		md5 = digest_text(ctx);
		return 0;
	}

	// Read in whole-block pieces rather than mapped: mapping and unmapping
	// each file cost this machine kind more than the digest itself, and a
	// file cut short while being read ends early instead of faulting.
	std::string full = app_path + path;
	set_dir_chars(full);
	// Non-blocking, so that a FIFO cannot hold the open; only regular files count.
	int const fd = open(full.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
	if (fd < 0) return kErrFileOpen;  // missing or unreadable: md5 stays
	struct stat st;
	if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
		close(fd);
		return kErrFileOpen;  // empty or not a file: md5 stays
	}
	std::unique_ptr<unsigned char[]> const buf(new unsigned char[kPiece]);
	// A sparse file's holes are signed as the zeros they read as, without
	// reading them: reading would fill memory with zero pages, slowly.
	uint64_t const size = static_cast<uint64_t>(st.st_size);
	bool const sparse = static_cast<uint64_t>(st.st_blocks) * 512 < size;
	uint64_t run_end = sparse ? 0 : UINT64_MAX;  // end of the data being read
	uint64_t total = 0;
	for (;;) {
		if (total >= run_end) {
			if (total >= size) break;
			off_t const data = lseek(fd, static_cast<off_t>(total), SEEK_DATA);
			uint64_t const next = data < 0 ? (errno == ENXIO ? size : total) : std::min<uint64_t>(data, size);
			for (; total < next; total += std::min<uint64_t>(next - total, kPiece))
				MD5Update(&ctx, kZeros, static_cast<unsigned short>(std::min<uint64_t>(next - total, kPiece)));
			if (total >= size) break;
			off_t const hole = lseek(fd, static_cast<off_t>(total), SEEK_HOLE);
			run_end = hole <= static_cast<off_t>(total) ? size : std::min<uint64_t>(hole, size);
		}
		size_t const want = static_cast<size_t>(std::min<uint64_t>(kPiece, run_end - total));
		ssize_t const n = pread(fd, buf.get(), want, static_cast<off_t>(total));
		if (n < 0 && errno == EINTR) continue;
		if (n < 0) {
			close(fd);
			return kErrFileOpen;
		}
		if (n == 0) break;  // the end, or cut short since the check
		MD5Update(&ctx, buf.get(), static_cast<unsigned short>(n));
		total += static_cast<uint64_t>(n);
	}
	close(fd);
	if (total == 0) return kErrFileOpen;  // emptied since the check: nothing was signed
	MD5Final(&ctx);
	md5 = digest_text(ctx);
	return 0;
}
