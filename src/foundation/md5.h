// MD5 message digests (RFC 1321) and the signature of a file on disk.
#pragma once
#include <cstdint>
#include <string>

struct MD5_CTX {
	uint32_t bit_count[2];     // message length in bits, low word first
	uint32_t state[4];         // chaining values A, B, C, D
	unsigned char buffer[64];  // input not yet transformed
	unsigned char digest[16];  // result, filled by MD5Final
};

void MD5Init(MD5_CTX* ctx);
// At most 65,535 bytes per call.
void MD5Update(MD5_CTX* ctx, unsigned char const* data, unsigned short len);
// Any length: fed on in chunks of at most 65,535 bytes.
void MD5UpdateWide(MD5_CTX* ctx, unsigned char const* data, unsigned int len);
void MD5Final(MD5_CTX* ctx);

// Signs a file as 32 lower-case hex digits; a symbolic link is signed by its
// target text. 0, or 20006 (missing, unreadable or empty; md5 left alone).
int calc_file_md5(std::string const& path, std::string& md5);
