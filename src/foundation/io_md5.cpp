// MD5 as RFC 1321 describes it, with the framework's four-call interface,
// and the signature of a file on disk.
//
// Index: constants - block transform - MD5Init/Update/Final - calc_file_md5.
#include "foundation/md5.h"

#include <cstring>

#include "foundation/hl_string.h"
#include "foundation/io_utils.h"
#include "foundation/xmap.h"

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

// Left-rotation amounts, four per round.
int const S[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

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

void transform(uint32_t state[4], unsigned char const block[64])
{
	uint32_t x[16];
	for (int i = 0; i < 16; ++i)
		x[i] = load_le(block + 4 * i);

	uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
	for (int i = 0; i < 64; ++i) {
		int const round = i / 16;
		uint32_t f;
		int k;
		switch (round) {
		case 0: f = (b & c) | (~b & d); k = i; break;
		case 1: f = (b & d) | (c & ~d); k = (1 + 5 * i) % 16; break;
		case 2: f = b ^ c ^ d; k = (5 + 3 * i) % 16; break;
		default: f = c ^ (b | ~d); k = (7 * i) % 16; break;
		}
		uint32_t const next = b + rotl(a + f + x[k] + T[i], S[round][i % 4]);
		a = d;
		d = c;
		c = b;
		b = next;
	}
	state[0] += a;
	state[1] += b;
	state[2] += c;
	state[3] += d;
}

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

	unsigned const room = 64 - index;
	unsigned i = 0;
	if (len >= room) {
		std::memcpy(ctx->buffer + index, data, room);
		transform(ctx->state, ctx->buffer);
		for (i = room; i + 63 < len; i += 64)
			transform(ctx->state, data + i);
		index = 0;
	}
	if (len > i)
		std::memcpy(ctx->buffer + index, data + i, len - i);
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
	std::string normal = path;
	set_dir_chars(normal);

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

	xmap_class map(normal);
	if (!map.begin || map.end == map.begin) return kErrFileOpen;  // missing, unreadable or empty: md5 stays
	unsigned char const* at = reinterpret_cast<unsigned char const*>(map.begin);
	size_t left = static_cast<size_t>(map.end - map.begin);
	while (left > 0) {  // files of 4 GiB and more too
		unsigned int const chunk = left > 0x40000000u ? 0x40000000u : static_cast<unsigned int>(left);
		MD5UpdateWide(&ctx, at, chunk);
		at += chunk;
		left -= chunk;
	}
	MD5Final(&ctx);
	md5 = digest_text(ctx);
	return 0;
}
