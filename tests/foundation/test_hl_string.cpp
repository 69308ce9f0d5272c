#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/stat.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "foundation/app_globals.h"
#include "foundation/exce.h"
#include "foundation/hl_string.h"
#include "foundation/hl_thread.h"
#include "support/alert_recorder.h"
#include "support/logged_test.h"

// ---- set_dir_chars ----------------------------------------------------------

TEST(SetDirChars, SeparatorsBecomeSlashExceptIndexOne)
{
	g_case_sensitive = 0;
	struct {
		std::string in, out;
	} const cases[] = {
	    {"a:b\\c/d", "a:b/c/d"},
	    {":x:y", "/x/y"},
	    {"", ""},
	    {"C:\\dir\\file", "C:/dir/file"},
	    {"a\\", "a\\"},  // index 1 is never touched, whatever it holds
	    {"Resources:preferences:", "Resources/preferences/"},
	    {std::string("ab\0cd", 5), "ab"},  // the path ends at its first NUL
	};
	for (auto const& c : cases) {
		std::string p = c.in;
		set_dir_chars(p);
		EXPECT_EQ(p, c.out) << c.in;
	}
}

TEST(SetDirChars, RepairsCaseWhenTheVolumeIsCaseSensitive)
{
	temp_dir dir;
	ASSERT_EQ(mkdir((dir.path() + "Resources").c_str(), 0755), 0);
	write_text_file(dir.path() + "Resources/Prefs.txt", "x");
	g_case_sensitive = 1;
	std::string p = dir.path() + "resources:prefs.txt";
	set_dir_chars(p);
	EXPECT_EQ(p, dir.path() + "Resources/Prefs.txt");
	g_case_sensitive = 0;
	p = dir.path() + "resources:prefs.txt";
	set_dir_chars(p);
	EXPECT_EQ(p, dir.path() + "resources/prefs.txt");
}

TEST(SetDirChars, FourHundredNinetyNineCharactersPass)
{
	g_case_sensitive = 0;
	std::string p(499, 'a');
	p[10] = ':';
	set_dir_chars(p);
	EXPECT_EQ(p.size(), 499u);
	EXPECT_EQ(p[10], '/');
}

namespace {
struct StringDeathTest : logged_test {
	void SetUp() override
	{
		logged_test::SetUp();
		ogl_inited = 1;  // in-window alert: the log keeps the alert's own lines
	}
};
}  // namespace

TEST_F(StringDeathTest, FiveHundredCharacterPathIsFatal)
{
	std::string p(500, 'b');
	EXPECT_EXIT(set_dir_chars(p), ::testing::ExitedWithCode(1), "");
	std::string const text = read_text_file(log);
	EXPECT_EQ(text.rfind("String too long!\n" + p + "\n\n\n(hl_string line ", 0), 0u) << text;
}

TEST_F(StringDeathTest, StrcpyLimitRefusesFiveHundredCharacters)
{
	std::string const src(500, 'c');
	char target[600] = "untouched";
	EXPECT_EXIT(strcpy_limit(target, src.c_str()), ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(read_text_file(log), "String too long!\n" + src + "\n\n\n(hl_string line 132)\n");
}

TEST(SetDirChars, OnAWorkerTheAlertIsThrown)
{
	main_thread = pthread_self();
	threads_inited = 1;
	bool thrown = false;
	std::string file;
	std::thread worker([&] {
		std::string p(600, 'w');
		try {
			set_dir_chars(p);
		} catch (exce_class const& e) {
			thrown = e.msg1 == "String too long!" && e.msg2 == std::string(600, 'w');
			file = e.file;
		}
	});
	worker.join();
	threads_inited = 0;
	EXPECT_TRUE(thrown);
	EXPECT_EQ(file, "hl_string");
}

// ---- strcpy_limit -------------------------------------------------------------

TEST(StrcpyLimit, CopiesWithinTheLimit)
{
	char target[512];
	memset(target, 'z', sizeof(target));
	strcpy_limit(target, nullptr);
	EXPECT_EQ(target[0], 'z');
	strcpy_limit(target, "");
	EXPECT_EQ(target[0], 0);
	EXPECT_EQ(target[1], 'z');
	std::string const max(499, 'm');
	strcpy_limit(target, max.c_str());
	EXPECT_EQ(std::string(target), max);
}

TEST(StrcpyLimitField, StaysInsideBothSlots)
{
	std::string const full40(40, 'a');  // a 40-byte slot without its NUL
	struct {
		char const* name;
		std::string slot;
		size_t target_size;
		std::string out;
	} const cases[] = {
	    {"slot without NUL", full40, 40, std::string(39, 'a')},
	    {"NUL inside the slot", std::string("wing\0zzzz", 9), 40, "wing"},
	    {"longer than the target", std::string(42, 'b'), 40, std::string(39, 'b')},
	    {"empty", std::string("\0xyz", 4), 40, ""},
	    {"fits exactly", std::string(499, 'c'), 500, std::string(499, 'c')},
	};
	for (auto const& c : cases) {
		// The source sits in a buffer of its slot's exact size, so a read
		// past the slot shows under the address sanitizer.
		std::vector<char> source(c.slot.begin(), c.slot.end());
		std::vector<char> target(c.target_size + 8, 'z');
		strcpy_limit_field(target.data(), c.target_size, source.data(), source.size());
		EXPECT_EQ(std::string(target.data()), c.out) << c.name;
		EXPECT_EQ(target[c.target_size], 'z') << c.name;
	}
	char untouched[4] = "abc";
	strcpy_limit_field(untouched, sizeof untouched, nullptr, 40);
	EXPECT_STREQ(untouched, "abc");
}

TEST_F(StringDeathTest, StrcpyLimitFieldRefusesAFullFiveHundredByteSlot)
{
	std::vector<char> source(500, 'd');  // no NUL inside the slot
	char target[500];
	EXPECT_EXIT(strcpy_limit_field(target, sizeof target, source.data(), source.size()),
	            ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(read_text_file(log), "String too long!\n" + std::string(500, 'd') + "\n\n\n(hl_string line 132)\n");
}

// ---- set_afl_path ---------------------------------------------------------------

TEST(SetAflPath, KeepsTheLastComponent)
{
	struct {
		char const* in;
		char const* out;
	} const cases[] = {
	    {"a", ""},
	    {"ab", "ab"},
	    {":ab", "ab"},
	    {"/a", "a"},
	    {"dir\\f.afl", "f.afl"},
	    {"dir:f.afl", "f.afl"},
	    {"dir/name/", "name/"},
	    {"", ""},
	    {"vol:dir\\sub/f.afl", "f.afl"},  // the last separator wins
	    {"ab//", ""},                      // a separator left at the front goes
	};
	for (auto const& c : cases) {
		char name[40];
		memset(name, 'z', sizeof name);
		strcpy(name, c.in);
		set_afl_path(name);
		EXPECT_STREQ(name, c.out) << c.in;
	}
}

TEST_F(StringDeathTest, SetAflPathRefusesAFiveHundredCharacterName)
{
	std::string const tail(500, 'n');
	std::string name = "dir/" + tail;
	EXPECT_EXIT(set_afl_path(&name[0]), ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(read_text_file(log), "String too long!\n" + tail + "\n\n\n(hl_string line 132)\n");
}

// ---- int_to_str ---------------------------------------------------------------

TEST(IntToStr, Table)
{
	struct {
		int value, min_digits, plus;
		char const* out;
	} const cases[] = {
	    {7, 3, 0, "007"},
	    {-42, 1, 0, "-42"},
	    {5, 1, 1, "+5"},
	    {0, 0, 0, "0"},
	    {0, 1, 1, "+0"},
	    {-3, 4, 1, "-0003"},
	    {1234567890, 1, 0, "1234567890"},
	    {1234567890, 12, 0, "1234567890"},
	    {5, 12, 0, "0000000005"},  // padding stops at ten digits
	    {INT_MAX, 0, 0, "2147483647"},
	    {INT_MIN, 0, 0, "-2147483648"},
	    {INT_MIN, 0, 1, "-2147483648"},
	    {1000000000, 0, 0, "1000000000"},
	    {10, 0, 0, "10"},
	};
	for (auto const& c : cases) {
		char buf[16];
		memset(buf, 'x', sizeof(buf));
		int_to_str(c.value, buf, c.min_digits, c.plus);
		EXPECT_STREQ(buf, c.out) << c.value << " " << c.min_digits;
	}
}

// ---- str_to_int ---------------------------------------------------------------

TEST(StrToInt, Table)
{
	struct {
		char const* in;
		int out;
	} const cases[] = {
	    {"", -1}, {"+", -1}, {"-", -1}, {"12a", -1}, {" 1", -1},
	    {"1234567890", -1}, {"0000000001", -1}, {"-1234567890", -1},
	    {"1-2", -1}, {"12+", -1}, {"+-3", -1},  // a sign only in front
	    {"+17", 17}, {"-0", 0}, {"0", 0}, {"007", 7}, {"-12", -12},
	    {"999999999", 999999999}, {"-999999999", -999999999},
	};
	for (auto const& c : cases) EXPECT_EQ(str_to_int(c.in), c.out) << '"' << c.in << '"';
}

// ---- flt_to_str ---------------------------------------------------------------

TEST(FltToStr, Table)
{
	struct {
		float value;
		int digits, decimals;
		char const* out;
	} const cases[] = {
	    {-3.25f, 3, 2, "-3.25"},
	    {3.5f, 5, 2, "003.50"},
	    {7.9f, 1, 0, "7"},
	    {2.999f, 3, 2, "2.99"},
	    {-0.5f, 1, 1, "-0.5"},
	    {2.3f, 2, 1, "2.3"},
	    {2.3f, 3, 2, "2.30"},
	    {0.1f, 2, 1, "0.1"},
	    {0.7f, 4, 3, "0.700"},
	    {-0.0f, 1, 0, "0"},
	    {-0.001f, 3, 2, "-0.00"},
	    {99.99f, 4, 2, "99.99"},
	    {0.000123f, 1, 6, "0.000123"},
	    {1e-30f, 1, 2, "0.00"},
	    {123456.7f, 1, 1, "123456.7"},
	    // Cut from the shortest text that reads back as the same float: the
	    // whole part is never rounded up.
	    {1.99999988f, 1, 0, "1"},
	    {1.99999988f, 1, 3, "1.999"},
	    {123456.789f, 1, 2, "123456.79"},
	    {8388607.5f, 1, 0, "8388607"},
	    {16777216.0f, 1, 0, "16777216"},
	    {2147483647.0f, 1, 1, "2147483648.0"},
	    {-3e10f, 1, 0, "-30000001024"},
	    {12.0f, 6, 0, "000012"},
	};
	for (auto const& c : cases) {
		std::string out = "old";
		flt_to_str(c.value, &out, c.digits, c.decimals);
		EXPECT_EQ(out, c.out) << c.value << " " << c.digits << " " << c.decimals;
	}
}

TEST(FltToStr, NegativeDecimalsLeaveTheOutput)
{
	std::string out = "kept";
	flt_to_str(1.5f, &out, 3, -1);
	EXPECT_EQ(out, "kept");
}

TEST(FltToStr, NotANumberAndInfinities)
{
	std::string out;
	flt_to_str(NAN, &out, 3, 1);
	EXPECT_EQ(out, "nan");
	flt_to_str(INFINITY, &out, 3, 1);
	EXPECT_EQ(out, "inf");
	flt_to_str(-INFINITY, &out, 3, 1);
	EXPECT_EQ(out, "-inf");
	flt_to_str(FLT_MAX, &out, 1, 0);
	EXPECT_EQ(out, "340282346638528859811704183484516925440");
}

// ---- char_string_to_int_string --------------------------------------------------

TEST(CharStringToIntString, Table)
{
	struct {
		std::string in, out;
	} const cases[] = {
	    {"127 0", std::string("\x02\x01\x01\x01")},
	    {"1234", std::string("\x01\x7c\x01\x05")},  // 123, then 4
	    {"-5 3", "-5 3"},
	    {"=sep", "=sep"},
	    {"", ""},
	    {"   ", ""},
	    {"999", std::string("\x08\x6f")},  // 999 = 7*127 + 110
	    {"  0  ", std::string("\x01\x01")},
	    {"5 -3 4", std::string("\x01\x06\x01\x05")},  // a negative number adds nothing
	    {"+2", std::string("\x01\x0d")},              // '+' counts as 1: 12
	    {"a1", std::string("\x01\x02")},              // other characters count 0
	};
	for (auto const& c : cases) {
		std::string t = c.in;
		char_string_to_int_string(&t);
		EXPECT_EQ(t, c.out) << '"' << c.in << '"';
	}
}
