// MD5 digests against RFC 1321's test suite and the system's md5sum, fed
// whole and in random splits.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "foundation/md5.h"
#include "support/alert_recorder.h"

namespace {

std::string hex(unsigned char const* d)
{
	static char const digits[] = "0123456789abcdef";
	std::string out;
	for (int i = 0; i < 16; ++i) {
		out += digits[d[i] >> 4];
		out += digits[d[i] & 15];
	}
	return out;
}

std::string md5_whole(std::string const& data)
{
	MD5_CTX ctx;
	MD5Init(&ctx);
	MD5UpdateWide(&ctx, reinterpret_cast<unsigned char const*>(data.data()),
	              static_cast<unsigned>(data.size()));
	MD5Final(&ctx);
	return hex(ctx.digest);
}

// Feeds through MD5Update in random pieces (empty pieces included).
std::string md5_split(std::string const& data, unsigned seed)
{
	std::mt19937 rng(seed);
	MD5_CTX ctx;
	MD5Init(&ctx);
	size_t at = 0;
	while (at < data.size()) {
		size_t const left = data.size() - at;
		size_t const cap = std::min<size_t>(left, rng() % 3 == 0 ? 65535 : 130);
		size_t const n = std::uniform_int_distribution<size_t>(0, cap)(rng);
		MD5Update(&ctx, reinterpret_cast<unsigned char const*>(data.data()) + at,
		          static_cast<unsigned short>(n));
		at += n;
	}
	MD5Final(&ctx);
	return hex(ctx.digest);
}

std::string md5sum_of(std::string const& path)
{
	std::string const cmd = "md5sum '" + path + "'";
	FILE* p = popen(cmd.c_str(), "r");
	if (!p) return "";
	char line[128] = {};
	std::string out;
	if (fgets(line, sizeof line, p)) out.assign(line, 32);
	pclose(p);
	return out;
}

std::string pseudo_random_bytes(size_t n, unsigned seed)
{
	std::mt19937 rng(seed);
	std::string s(n, '\0');
	for (char& c : s) c = static_cast<char>(rng());
	return s;
}

}  // namespace

TEST(MD5, Rfc1321TestSuite)
{
	struct { char const* in; char const* md5; } const cases[] = {
		{"", "d41d8cd98f00b204e9800998ecf8427e"},
		{"a", "0cc175b9c0f1b6a831c399e269772661"},
		{"abc", "900150983cd24fb0d6963f7d28e17f72"},
		{"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
		{"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
		{"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
		 "d174ab98d277d9f5a5611c2c9f419d9f"},
		{"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
		 "57edf4a22be3c955ac49da2e2107b67a"},
	};
	for (auto const& c : cases) {
		EXPECT_EQ(md5_whole(c.in), c.md5) << '"' << c.in << '"';
		EXPECT_EQ(md5_split(c.in, 7), c.md5) << '"' << c.in << '"';
	}
}

// The padding boundaries and the 16-bit length limit of one MD5Update call,
// checked against md5sum over the same bytes.
TEST(MD5, PaddingBoundariesAndLongInputsMatchMd5sum)
{
	temp_dir dir;
	for (size_t n : {1u, 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 128u, 65535u, 65536u, 200000u}) {
		std::string const data = pseudo_random_bytes(n, static_cast<unsigned>(n));
		std::string const file = dir.path() + "data";
		write_text_file(file, data);
		std::string const expected = md5sum_of(file);
		ASSERT_EQ(expected.size(), 32u);
		EXPECT_EQ(md5_whole(data), expected) << n << " bytes whole";
		for (unsigned seed = 1; seed <= 3; ++seed)
			EXPECT_EQ(md5_split(data, seed), expected) << n << " bytes, split " << seed;
	}
}

TEST(MD5, FullSixteenBitUpdateEqualsWide)
{
	std::string const data = pseudo_random_bytes(65535, 3);
	MD5_CTX ctx;
	MD5Init(&ctx);
	MD5Update(&ctx, reinterpret_cast<unsigned char const*>(data.data()), 65535);
	EXPECT_EQ(ctx.bit_count[0], 65535u * 8);
	EXPECT_EQ(ctx.bit_count[1], 0u);
	MD5Final(&ctx);
	EXPECT_EQ(hex(ctx.digest), md5_whole(data));
}

// The length in bits passes 2^32 after 512 MiB; the low word must carry.
TEST(MD5, BitCountCarriesIntoHighWord)
{
	MD5_CTX ctx;
	MD5Init(&ctx);
	ctx.bit_count[0] = 0xFFFFFE00u;  // 2^32 bits less one block
	unsigned char block[80] = {};
	MD5Update(&ctx, block, 80);
	EXPECT_EQ(ctx.bit_count[1], 1u);
	EXPECT_EQ(ctx.bit_count[0], 16u * 8);
}

// ---- signatures of files -------------------------------------------------------

TEST(CalcFileMD5, FileMatchesMd5sum)
{
	temp_dir dir;
	std::string const file = dir.path() + "data.bin";
	write_text_file(file, pseudo_random_bytes(100000, 11));
	std::string sig = "NONE";
	ASSERT_EQ(calc_file_md5(file, sig), 0);
	EXPECT_EQ(sig, md5sum_of(file));
}

TEST(CalcFileMD5, EmptyOrMissingFileLeavesSignatureAlone)
{
	temp_dir dir;
	write_text_file(dir.path() + "empty", "");
	for (char const* name : {"empty", "missing"}) {
		std::string sig = "NONE";
		EXPECT_EQ(calc_file_md5(dir.path() + name, sig), 20006) << name;
		EXPECT_EQ(sig, "NONE") << name;
	}
}

// Links are signed by their target text, whatever (if anything) they reach.
TEST(CalcFileMD5, LinkIsSignedByItsTargetText)
{
	temp_dir dir;
	write_text_file(dir.path() + "abc", "something else entirely");
	struct { char const* target; char const* md5; } const cases[] = {
		{"abc", "900150983cd24fb0d6963f7d28e17f72"},        // reaches a file
		{"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},  // dangling
	};
	for (auto const& c : cases) {
		std::string const link = dir.path() + "link";
		unlink(link.c_str());
		ASSERT_EQ(symlink(c.target, link.c_str()), 0);
		std::string sig;
		ASSERT_EQ(calc_file_md5(link, sig), 0) << c.target;
		EXPECT_EQ(sig, c.md5) << c.target;
	}
}

// Holes at the start, between data and at the end sign as the zeros they
// read as.
TEST(CalcFileMD5, SparseFileMatchesMd5sum)
{
	temp_dir dir;
	std::string const file = dir.path() + "sparse";
	{
		std::ofstream out(file, std::ios::binary);
		out.seekp(70001);
		out << "first data";
		out.seekp(300000);
		out << pseudo_random_bytes(9000, 4);
		ASSERT_TRUE(out.good());
	}
	ASSERT_EQ(truncate(file.c_str(), 1000003), 0);
	std::string sig;
	ASSERT_EQ(calc_file_md5(file, sig), 0);
	EXPECT_EQ(sig, md5sum_of(file));
}

// A sparse file just over 4 GiB: a 32-bit length would sign only its tail.
// The expected value is md5sum's for the same bytes.
TEST(CalcFileMD5, FileOfFourGigabytesIsSignedWhole)
{
	temp_dir dir;
	std::string const file = dir.path() + "big";
	{
		std::ofstream out(file, std::ios::binary);
		out.seekp((std::streamoff(1) << 32) + 100 - 5);
		out << "tail!";
		ASSERT_TRUE(out.good());
	}
	std::string sig;
	ASSERT_EQ(calc_file_md5(file, sig), 0);
	EXPECT_EQ(sig, "02665c9388c43081e84edeae21121c84");
}

// Files are read in pieces: lengths around the 64-byte block and around
// 64 KiB (where one read ends and the next begins) must sign as md5sum does.
TEST(CalcFileMD5, LengthsAroundBlocksAndReadPiecesMatchMd5sum)
{
	temp_dir dir;
	std::string const file = dir.path() + "data";
	for (size_t n : {1u, 63u, 64u, 65u, 65471u, 65472u, 65473u, 65535u, 65536u, 65537u, 130944u, 130945u, 200001u}) {
		write_text_file(file, pseudo_random_bytes(n, static_cast<unsigned>(n) + 1));
		std::string sig;
		ASSERT_EQ(calc_file_md5(file, sig), 0) << n;
		EXPECT_EQ(sig, md5sum_of(file)) << n << " bytes";
	}
}

// A folder or a FIFO is no file to sign; opening the FIFO must not wait
// for a writer.
TEST(CalcFileMD5, NonRegularItemsAreNotSigned)
{
	temp_dir dir;
	ASSERT_EQ(mkdir((dir.path() + "folder").c_str(), 0755), 0);
	ASSERT_EQ(mkfifo((dir.path() + "fifo").c_str(), 0644), 0);
	for (char const* name : {"folder", "fifo"}) {
		std::string sig = "NONE";
		EXPECT_EQ(calc_file_md5(dir.path() + name, sig), 20006) << name;
		EXPECT_EQ(sig, "NONE") << name;
	}
}
