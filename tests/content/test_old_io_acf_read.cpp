// Legacy file readers and byte order, the bounded word read, the 7.00 image
// step and the weapon conversion.
#include <gtest/gtest.h>

#include <cmath>

#include "legacy_image.h"

using legacy::image;

namespace {

struct LegacyRead : legacy::legacy_test {};

struct LegacyDeathTest : legacy::legacy_test {
	void SetUp() override
	{
		legacy::legacy_test::SetUp();
		ogl_inited = 1;  // in-window alert: the log keeps the alert's own lines
	}
};

unsigned scramble(unsigned k)
{
	k = (k ^ 61u) ^ (k >> 16);
	k *= 9u;
	k ^= k >> 4;
	k *= 0x27d4eb2du;
	return k ^ (k >> 15);
}

// An aircraft image with a different pattern in every word, finite floats
// throughout, and texts in every text kind.
image busy_aircraft()
{
	image im(old_veh_file);
	for (long at = 0; at < old_veh_file; at += 4)
		im.put_f(at, static_cast<float>(scramble(static_cast<unsigned>(at)) % 100000) / 7.0f - 5000.0f);
	for (auto const& t : legacy::veh_text_ranges())
		for (long at = t.first; at < t.second; ++at) im.b[at] = 0;
	for (long at = 2308; at < 3508; at += 4) im.put_i(at, static_cast<int>(scramble(at) % 700));
	im.put_i(9508, 2);
	im.put_i(624332, 4);
	im.put_text(1004, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklm");  // 39 characters
	im.put_text(1044, "first long text");
	im.put_text(1544, std::string(499, 'q'));
	im.put_text(11244 + 40 * 3, "naca2412.afl");
	im.put_text(20004 + 40 * 43, "last name of thirty-nine characters....");
	im.put_text(625700 + 500 * 7, "attachment seven");
	im.put_text(646098, "text at 646098 of forty-two bytes........");
	for (int w = 0; w < 73; ++w) im.b[647016 + w] = static_cast<unsigned char>(w * 3 + 1);
	return im;
}

void read_aircraft(std::string const& name, int n, int expect_version)
{
	int versions[] = {700, 740, 0};
	xmap_class x(name);
	ASSERT_EQ(x.check_file(10000, versions, nullptr, nullptr), expect_version);
	OLD_IO_acf(&x, name, n, expect_version);
	EXPECT_EQ(x.cursor, x.end);
}

}  // namespace

// ---- aircraft ----------------------------------------------------------------------

TEST_F(LegacyRead, BothByteOrdersGiveTheSameAircraft)
{
	image const im = busy_aircraft();
	put("big.acf", legacy::file_bytes(im, 'a', 740, legacy::veh_text_ranges()));
	put("little.acf", legacy::file_bytes(im, 'i', 740, legacy::veh_text_ranges()));
	legacy::fresh_aircraft(1);
	read_aircraft("little.acf", 0, 740);
	std::vector<legacy::word_at> const i = legacy::model_words(veh[0]);
	legacy::fresh_aircraft(1);
	read_aircraft("big.acf", 0, 740);
	std::vector<legacy::word_at> const a = legacy::model_words(veh[0]);
	ASSERT_EQ(a.size(), i.size());
	int differ = 0;
	for (size_t k = 0; k < a.size(); ++k)
		if (a[k].value != i[k].value && differ++ < 10) ADD_FAILURE() << a[k].where;
	EXPECT_EQ(differ, 0);

	veh_class const& v = veh[0];
	EXPECT_STREQ(v.tailnum, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklm");
	EXPECT_STREQ(v.v740_1044, "first long text");
	EXPECT_EQ(std::string(v.v740_1544), std::string(499, 'q'));
	EXPECT_STREQ(v.wing[3].wing_afl_name[0], "naca2412.afl");
	EXPECT_STREQ(v.wing[55].wing_afl_name[3], "last name of thirty-nine characters....");
	EXPECT_STREQ(v.att[7].att_text, "attachment seven");
	EXPECT_STREQ(v.v740_646098, "text at 646098 of forty-two bytes......");  // 39 characters kept
	for (int w = 0; w < 44; ++w) EXPECT_EQ(v.wing[w < 28 ? w : w + 12].ahead_of_cg, w * 3 + 1) << w;
	// Numbers arrive as the host reads them.
	float vne;
	memcpy(&vne, &im.b[2072], 4);
	EXPECT_EQ(v.Vne, vne);
	EXPECT_EQ(v.num_engn, 2);
	EXPECT_EQ(v.ins_type[17], i7x_to_8x(im.get_i(2308 + 68)));
	// The big-endian image in old_veh is now in host order.
	EXPECT_EQ(memcmp(old_veh + 9508, &im.b[9508], 4), 0);
}

TEST_F(LegacyRead, VersionSevenHundredTakesTheSevenHundredStep)
{
	image im(old_veh_file);
	im.put_f(3108, 111.0f);  // 7.00: the second panel array starts here
	im.put_f(3508, 222.0f);
	for (int version : {700, 740}) {
		SCOPED_TRACE(version);
		put("v.acf", legacy::file_bytes(im, 'i', version, legacy::veh_text_ranges()));
		legacy::fresh_aircraft(1);
		read_aircraft("v.acf", 0, version);
		EXPECT_EQ(veh[0].v740_3508[0], version == 700 ? 111.0f : 222.0f);
		EXPECT_EQ(veh[0].ins_type[200], version == 700 ? -1 : i7x_to_8x(im.get_i(3108)));
	}
}

TEST_F(LegacyRead, ExtraBytesAfterTheImageAreLeftAtTheCursor)
{
	image const im(old_veh_file);
	put("long.acf", legacy::file_bytes(im, 'i', 740, legacy::veh_text_ranges()) + "tail");
	legacy::fresh_aircraft(1);
	int versions[] = {740, 0};
	xmap_class x("long.acf");
	ASSERT_EQ(x.check_file(10000, versions, nullptr, nullptr), 740);
	OLD_IO_acf(&x, "long.acf", 0, 740);
	EXPECT_EQ(x.end - x.cursor, 4);
}

TEST_F(LegacyDeathTest, AnAircraftImageOneByteShortIsFatal)
{
	image const im(old_veh_file);
	put("short.acf", legacy::file_bytes(im, 'i', 740, legacy::veh_text_ranges(), old_veh_file - 1));
	legacy::fresh_aircraft(1);
	EXPECT_EXIT(read_aircraft("short.acf", 0, 740), ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(read_text_file(log), "Invalid OLD_IO_acf read!\n\n\n\n(ROdized/Legacy/OLD_io_acf line 2875)\n");
}

// ---- read_n_rev --------------------------------------------------------------------

TEST_F(LegacyRead, ReadNRevSwapsWholeWordsOnly)
{
	struct {
		char mark;
		long n;
		char const* expect;  // 12 bytes of the target after the read
	} const cases[] = {
	    {'a', 0, "############"},
	    {'i', 0, "############"},
	    {'a', 8, "dcbahgfe####"},
	    {'i', 8, "abcdefgh####"},
	    {'a', 6, "dcbaef######"},
	    {'i', 6, "abcdef######"},
	};
	for (auto const& c : cases) {
		put("w.bin", std::string(1, c.mark) + std::string("\0\0\0\1", 4) + "abcdefghijkl");
		xmap_class x("w.bin");
		x.byte_swap = c.mark == 'a';
		x.cursor = x.begin + 5;
		char target[13] = "############";
		read_n_rev(&x, reinterpret_cast<long>(target), c.n);
		EXPECT_EQ(std::string(target), c.expect) << c.mark << " " << c.n;
		EXPECT_EQ(x.cursor - x.begin, 5 + c.n) << c.mark << " " << c.n;
	}
}

TEST_F(LegacyDeathTest, ReadNRevPastTheEndOrNegativeIsFatal)
{
	put("w.bin", "abcdefgh");
	for (long n : {12L, -4L}) {
		SCOPED_TRACE(n);
		log = open_test_log(dir);
		char target[16] = {};
		EXPECT_EXIT(
		    {
			    xmap_class x("w.bin");
			    x.byte_swap = 1;
			    read_n_rev(&x, reinterpret_cast<long>(target), n);
		    },
		    ::testing::ExitedWithCode(1), "");
		EXPECT_EQ(read_text_file(log), "Invalid ACF read!\n\n\n\n(ROdized/OOPS_cpp/acft line 18)\n");
	}
}

// ---- the 7.00 step -------------------------------------------------------------------

namespace {
unsigned const marker = 0x7F000000u;
int img_word(long at)
{
	int v;
	memcpy(&v, old_veh + at, 4);
	return v;
}
float img_float(long at)
{
	float v;
	memcpy(&v, old_veh + at, 4);
	return v;
}
void load(image const& im) { memcpy(old_veh, im.b.data(), old_veh_file); }
}  // namespace

TEST(V700Step, PanelGrowsFromACopyAndModeAndCodesRenumber)
{
	image im(old_veh_file);
	for (long at = 2308; at < 7108; at += 4) im.put_u(at, marker + static_cast<unsigned>(at));
	int const codes[] = {303, 304, 350, 419, 420, -1, 0};
	for (int k = 0; k < 7; ++k) im.put_i(2308 + 4 * k, codes[k]);
	im.put_i(3104, 305);  // last word of row 19
	load(im);
	old_veh[old_veh_file] = 0x5a;  // beyond the file, never written
	veh_700_to_740();

	int const expect_codes[] = {303, 304, 304, 304, 420, -1, 0};
	for (int k = 0; k < 7; ++k) EXPECT_EQ(img_word(2308 + 4 * k), expect_codes[k]) << codes[k];
	EXPECT_EQ(img_word(3104), 304);
	EXPECT_EQ(img_word(2308 + 40), static_cast<int>(marker + 2348));
	for (long at = 3108; at < 3508; at += 4) ASSERT_EQ(img_word(at), -1) << at;
	for (long i = 0; i < 800; i += 4) {
		ASSERT_EQ(static_cast<unsigned>(img_word(3508 + i)), marker + 3108 + i) << i;
		ASSERT_EQ(static_cast<unsigned>(img_word(4708 + i)), marker + 3908 + i) << i;
		ASSERT_EQ(static_cast<unsigned>(img_word(5908 + i)), marker + 4708 + i) << i;
	}
	// The new rows of the other three arrays hold what the image held there.
	for (long at : {4308L, 4704L, 5508L, 5904L, 6708L, 7104L})
		EXPECT_EQ(static_cast<unsigned>(img_word(at)), marker + at) << at;
	EXPECT_EQ(old_veh[old_veh_file], 0x5a);

	for (int mode : {0, 1, 2, 3, -1}) {
		image m(old_veh_file);
		m.put_i(2276, mode);
		load(m);
		veh_700_to_740();
		EXPECT_EQ(img_word(2276), mode == 1 ? 0 : mode == 2 ? 1 : mode) << mode;
	}
}

TEST(V700Step, GearFlags)
{
	auto gear_base = [] {
		image im(old_veh_file);
		im.put_f(625216, 5.0f);
		for (int j = 0; j < 6; ++j) {
			im.put_f(24068 + 4 * j, 1.0f);
			im.put_i(623996 + 4 * j, 9);  // a value no rule writes
			im.put_f(623120 + 4 * j, 2.0f);
			im.put_i(639264 + 4 * j, 3);
			for (int m = 0; m < 3; ++m) {
				im.put_i(618156 + 292 * m + 4 * j, 100 * m + j);
				im.put_i(619908 + 292 * m + 4 * j, -7);
			}
		}
		return im;
	};
	{
		SCOPED_TRACE("no gear present");
		image im = gear_base();
		load(im);
		veh_700_to_740();
		for (long at = 600000; at < 647096; at += 4) ASSERT_EQ(img_word(at), im.get_i(at)) << at;
		EXPECT_EQ(img_word(24068), im.get_i(24068));
	}
	{
		SCOPED_TRACE("gear 2 flagged");
		image im = gear_base();
		for (int j = 0; j < 6; ++j) im.put_i(623996 + 4 * j, 0);
		im.put_i(11220 + 8, 1);
		im.put_i(623996 + 8, 4);
		im.put_i(11220 + 12, 1);  // present, unflagged: would be flagged by the comparison
		load(im);
		veh_700_to_740();
		EXPECT_EQ(img_float(623120 + 8), 1.0f);
		EXPECT_EQ(img_word(639264 + 8), 0);
		for (int m = 0; m < 3; ++m) EXPECT_EQ(img_word(619908 + 292 * m + 8), 100 * m + 2) << m;
		EXPECT_EQ(img_word(623996 + 8), 4);
		EXPECT_EQ(img_word(623996 + 12), 0);
		EXPECT_EQ(img_float(623120 + 12), 2.0f);
		EXPECT_EQ(img_word(619908 + 12), -7);
	}
	{
		SCOPED_TRACE("none flagged: compared");
		image im = gear_base();
		for (int j = 0; j < 3; ++j) {
			im.put_i(11220 + 4 * j, 1);
			im.put_i(623996 + 4 * j, 0);
		}
		im.put_i(617864 + 4, 1);       // gear 1 excluded
		im.put_f(24068 + 8, 5.0f);     // gear 2: not below the reference
		im.put_i(623996 + 12, 0);      // gear 3 absent: keeps its flag
		load(im);
		veh_700_to_740();
		EXPECT_EQ(img_word(623996), 1);
		EXPECT_EQ(img_word(623996 + 4), 0);
		EXPECT_EQ(img_word(623996 + 8), 0);
		EXPECT_EQ(img_word(623996 + 12), 0);
		EXPECT_EQ(img_word(623996 + 16), 9);
		EXPECT_EQ(img_float(623120), 2.0f);  // no flagged-gear writes
		EXPECT_EQ(img_word(619908), -7);
	}
}

// ---- weapons ----------------------------------------------------------------------------

namespace {

image marked_weapon()
{
	image im(old_wpn_size);
	for (long at = 0; at < old_wpn_size; at += 4) im.put_u(at, marker + static_cast<unsigned>(at));
	for (long at = 224; at < 384; ++at) im.b[at] = 0;
	return im;
}

void read_weapon(std::string const& name, int n, int w)
{
	int versions[] = {1, 0};
	xmap_class x(name);
	ASSERT_EQ(x.check_file(10000, versions, nullptr, nullptr), 1);
	OLD_IO_wpn(&x, n, w);
	EXPECT_EQ(x.cursor, x.end);
}

unsigned u(float f)
{
	unsigned v;
	memcpy(&v, &f, 4);
	return v;
}

}  // namespace

TEST_F(LegacyRead, WeaponWordsReachTheirFields)
{
	image im = marked_weapon();
	im.put_text(224, "first");
	im.put_text(264 + 0, std::string(40, 'w'));  // no NUL in its slot
	put("w.wpn", legacy::file_bytes(im, 'i', 1, legacy::wpn_text_ranges()));
	legacy::fresh_aircraft(2);
	read_weapon("w.wpn", 1, 24);
	wpn_class const& wp = veh[1].wpn[24];
	veh_part_class const& b = wp.wpn_part;
	auto m = [](long at) { return marker + static_cast<unsigned>(at); };
	for (int k = 0; k < 2; ++k) EXPECT_EQ(static_cast<unsigned>(wp.wpn_head[k]), m(4 * k));
	EXPECT_EQ(u(b.part_x), m(12));
	EXPECT_EQ(u(b.part_y), m(16));
	EXPECT_EQ(u(b.part_z), m(20));
	for (int k = 0; k < 8; ++k) EXPECT_EQ(static_cast<unsigned>(wp.wpn_set_a[k]), m(24 + 4 * k));
	for (int k = 0; k < 3; ++k) EXPECT_EQ(static_cast<unsigned>(wp.wpn_set_c[k]), m(56 + 4 * k));
	EXPECT_EQ(static_cast<unsigned>(wp.wpn_word_b), m(68));
	EXPECT_EQ(static_cast<unsigned>(b.part_scalar_a), m(72));
	for (int k = 0; k < 37; ++k) EXPECT_EQ(static_cast<unsigned>(wp.wpn_set_d[k]), m(76 + 4 * k));
	for (int k = 0; k < 12; ++k) EXPECT_EQ(static_cast<unsigned>(wp.wpn_set_e[k]), m(384 + 4 * k));
	EXPECT_EQ(static_cast<unsigned>(b.part_scalar_b), m(9556));
	for (int r = 0; r < 20; ++r)
		for (int p = 0; p < 18; ++p)
			for (int c = 0; c < 3; ++c)
				ASSERT_EQ(u(b.part_geo[r][p][c]), m(9560 + 1440 * c + 4 * (18 * r + p))) << r << " " << p;
	EXPECT_EQ(u(b.part_geo[19][17][0]), m(10996));
	EXPECT_EQ(u(b.part_geo[19][17][1]), m(12436));
	EXPECT_EQ(u(b.part_geo[19][17][2]), m(13876));
	EXPECT_STREQ(wp.wpn_name[0], "first");
	EXPECT_EQ(std::string(wp.wpn_name[1]), std::string(39, 'w'));
	EXPECT_STREQ(wp.wpn_name[2], "");
	EXPECT_STREQ(wp.wpn_name[3], "");
	EXPECT_EQ(b.part_nrow, 12);
	EXPECT_EQ(b.part_ncol, 18);
	float const rect[8] = {0, 0, 0.5f, 0, 0.5078125f, 0.5078125f, 1.0f, 0.5f};
	float const got[8] = {b.tex_s1[0], b.tex_s1[1], b.tex_t1[0], b.tex_t1[1],
	                      b.tex_s2[0], b.tex_s2[1], b.tex_t2[0], b.tex_t2[1]};
	for (int k = 0; k < 8; ++k) EXPECT_EQ(got[k], rect[k]) << k;
	// Other slots and aircraft untouched.
	EXPECT_EQ(veh[1].wpn[23].wpn_head[0], 0);
	EXPECT_EQ(veh[0].wpn[24].wpn_head[0], 0);
}

TEST_F(LegacyRead, WeaponUnreadWordsAndByteOrderChangeNothing)
{
	image base = marked_weapon();
	base.put_text(304, "third name");
	image other = base;
	other.put_u(8, 12345);
	for (long at = 432; at < 9556; ++at) other.b[at] = static_cast<unsigned char>(at * 7);
	put("i.wpn", legacy::file_bytes(base, 'i', 1, legacy::wpn_text_ranges()));
	put("a.wpn", legacy::file_bytes(base, 'a', 1, legacy::wpn_text_ranges()));
	put("o.wpn", legacy::file_bytes(other, 'a', 1, legacy::wpn_text_ranges()));
	legacy::fresh_aircraft(3);
	read_weapon("i.wpn", 0, 3);
	read_weapon("a.wpn", 1, 3);
	read_weapon("o.wpn", 2, 3);
	for (int n : {1, 2}) {
		wpn_class const &a = veh[0].wpn[3], &b = veh[n].wpn[3];
		EXPECT_EQ(memcmp(a.wpn_head, b.wpn_head, reinterpret_cast<char const*>(&a.wpn_part) - reinterpret_cast<char const*>(a.wpn_head)), 0) << n;
		EXPECT_EQ(memcmp(&a.wpn_part, &b.wpn_part, sizeof a.wpn_part), 0) << n;
	}
	EXPECT_STREQ(veh[1].wpn[3].wpn_name[2], "third name");
}

TEST_F(LegacyRead, WeaponFileLengths)
{
	ogl_inited = 1;  // in-window alert, recorded with its severity
	image first = marked_weapon();
	image second(old_wpn_size);
	for (long at = 0; at < old_wpn_size; at += 4) second.put_u(at, 0x01020304u + static_cast<unsigned>(at));
	for (long at = 224; at < 384; ++at) second.b[at] = 0;
	legacy::fresh_aircraft(1);
	put("first.wpn", legacy::file_bytes(first, 'i', 1, legacy::wpn_text_ranges()));
	read_weapon("first.wpn", 0, 0);
	wpn_class const before = veh[0].wpn[0];

	// Short: refused, nothing of the earlier weapon mixed in or replaced.
	put("short.wpn", legacy::file_bytes(second, 'a', 1, legacy::wpn_text_ranges(), old_wpn_size - 4));
	{
		int versions[] = {1, 0};
		xmap_class x("short.wpn");
		ASSERT_EQ(x.check_file(10000, versions, nullptr, nullptr), 1);
		OLD_IO_wpn(&x, 0, 0);
	}
	ASSERT_EQ(recorded_alerts().size(), 1u);
	EXPECT_EQ(recorded_alerts()[0].msg1, "Invalid OLD_IO_wpn read!");
	EXPECT_EQ(recorded_alerts()[0].severity, 1);
	EXPECT_NE(read_text_file(log).find("Invalid OLD_IO_wpn read!\n\n\n\n(ROdized/Legacy/OLD_io_acf line "),
	          std::string::npos);
	EXPECT_EQ(memcmp(old_wpn, first.b.data(), old_wpn_size), 0);
	EXPECT_EQ(memcmp(&veh[0].wpn[0].wpn_part, &before.wpn_part, sizeof before.wpn_part), 0);
	EXPECT_EQ(veh[0].wpn[0].wpn_head[0], before.wpn_head[0]);

	// Long: the first 13,880 bytes, the rest consumed.
	put("long.wpn", legacy::file_bytes(second, 'i', 1, legacy::wpn_text_ranges()) + std::string(100, '\x7f'));
	read_weapon("long.wpn", 0, 0);
	EXPECT_EQ(memcmp(old_wpn, second.b.data(), old_wpn_size), 0);
	EXPECT_EQ(static_cast<unsigned>(veh[0].wpn[0].wpn_set_e[11]), 0x01020304u + 428);
	EXPECT_EQ(recorded_alerts().size(), 1u);
}
