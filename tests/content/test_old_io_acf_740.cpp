// The 7.40 image into the current model: which image word reaches which
// field, and the repairs, defaults and special cases around the copies.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <sstream>

#include "legacy_image.h"

using legacy::image;

namespace {

unsigned const marker_base = 0x7F000000u;  // large positive finite floats, rising with the offset

void convert(image const& im, int n = 0)
{
	memcpy(old_veh, im.b.data(), old_veh_file);
	veh_740_to_800(n);
}

// Every word a marker of its own offset; the words that are not plain data
// (texts, panel codes, door angles and corners, the negated and shifted
// words) hold ordinary values instead.
image marked_image()
{
	image im(old_veh_file);
	for (long at = 0; at < old_veh_file; at += 4) im.put_u(at, marker_base + static_cast<unsigned>(at));
	for (auto const& t : legacy::veh_text_ranges())
		for (long at = t.first; at < t.second; ++at) im.b[at] = 0;
	for (long at = 2308; at < 3508; at += 4) im.put_i(at, 0);
	for (long at = 625052; at < 625092; at += 4) im.put_f(at, 0);
	for (long at = 624572; at < 625052; at += 4) im.put_f(at, 1.0f + static_cast<float>(at % 48));
	im.put_f(624392, 0);
	im.put_i(638016, 0);
	return im;
}

std::map<long, int> expected_words()
{
	std::ifstream in(SKY_V740_WORDS);
	EXPECT_TRUE(in.good()) << SKY_V740_WORDS;
	std::map<long, int> out;
	std::string line;
	while (std::getline(in, line)) {
		if (line.empty() || line[0] == '#') continue;
		std::istringstream words(line);
		long first = 0, last = 0;
		int times = 0;
		words >> first >> last >> times;
		for (long at = first; at <= last; at += 4) {
			EXPECT_EQ(out.count(at), 0u) << "listed twice: " << at;
			out[at] += times;
		}
	}
	return out;
}

}  // namespace

TEST(V740Map, EveryListedWordReachesTheModelAsOftenAsStated)
{
	legacy::fresh_aircraft(1);
	convert(marked_image());
	std::map<long, int> found;
	std::map<long, std::string> where;
	for (legacy::word_at const& w : legacy::model_words(veh[0])) {
		unsigned const off = w.value - marker_base;
		if (off >= 0x100000u || off % 4) continue;
		++found[off];
		where[off] += " " + w.where;
	}
	std::map<long, int> const expect = expected_words();
	int shown = 0;
	for (auto const& e : expect)
		if (found.count(e.first) ? found[e.first] != e.second : true)
			if (shown++ < 20)
				ADD_FAILURE() << "word " << e.first << ": expected " << e.second << ", found "
				              << (found.count(e.first) ? found[e.first] : 0) << where[e.first];
	for (auto const& f : found)
		if (!expect.count(f.first) && shown++ < 40)
			ADD_FAILURE() << "word " << f.first << " unexpected in" << where[f.first];
	EXPECT_EQ(shown, 0);
}

TEST(V740Map, NamedFieldsTakeTheirWords)
{
	legacy::fresh_aircraft(1);
	image const im = marked_image();
	convert(im);
	veh_class const& v = veh[0];
	auto word = [&](long at) { return im.get_i(at); };
	auto bits = [](float f) {
		int i;
		memcpy(&i, &f, 4);
		return i;
	};
	struct {
		char const* name;
		int got;
		long at;
	} const cases[] = {
	    {"Vne", bits(v.Vne), 2072},
	    {"num_engn", v.num_engn, 9508},
	    {"num_prop", v.num_prop, 9512},
	    {"throt_max", bits(v.throt_max), 9516},
	    {"throt_max_rev", bits(v.throt_max_rev), 9520},
	    {"m_empty", bits(v.m_empty), 625228},
	    {"m_max", bits(v.m_max), 625240},
	    {"num_tank", v.num_tank, 625260},
	    {"tank_rat[2]", bits(v.tank_rat[2]), 625272},
	    {"tank_xyz[1][0]", bits(v.tank_xyz[1][0]), 625280},  // tank 1, first coordinate
	    {"tank_xyz[0][2]", bits(v.tank_xyz[0][2]), 625300},
	    {"one_tab_cnt", v.one_tab_cnt, 624332},
	    {"eng_type[3]", v.engn[3].eng_type, 9680 + 12},
	    {"prop_type[7]", v.engn[7].prop_type, 9712 + 28},
	    {"blade_sweep[2][9]", bits(v.engn[2].blade_sweep[9]), 10608 + 80 + 36},
	    {"part_exists[40]", v.part[40].part_exists, 10952 + 4 * 28},
	    {"part_x[77]", bits(v.part[77].part_x), 23216 + 4 * 53},
	    {"part_y[64]", bits(v.part[64].part_y), 23508 + 4 * 52},
	    {"part_z[90]", bits(v.part[90].part_z), 23800 + 4 * 66},
	    {"is_left[55]", v.wing[55].is_left, 639288 + 4 * 43},
	    {"side_sign[3]", bits(v.wing[3].side_sign), 639580 + 12},
	    {"nelem[27]", v.wing[27].nelem, 22924 + 4 * 27},
	    {"chord_root[40]", bits(v.wing[40].chord_root), 24092 + 4 * 28},
	    {"chord_tip[0]", bits(v.wing[0].chord_tip), 24384},
	    {"semilen[41]", bits(v.wing[41].semilen), 24676 + 4 * 29},
	    {"elem_len[10]", bits(v.wing[10].elem_len), 25260 + 40},
	    {"gear[0] 13th", bits(v.gear[0].v740_23216), 23216 + 4 * 67},
	    {"gear[5] first", bits(v.gear[5].v740_617596), 617596 + 4 * 72},
	    {"door_s 3-vector", bits(v.door[9].v740_624452[2]), 624452 + 108 + 8},
	    {"att[23]", bits(v.att[23].v740_640884), 640884 + 92},
	};
	for (auto const& c : cases) EXPECT_EQ(c.got, word(c.at)) << c.name;
	// The cross-section grid: point (r, j) of 7.40 part p from the three planes.
	EXPECT_EQ(bits(v.part[90].part_geo[19][17][0]), word(302236 + 1440 * 66 + 72 * 19 + 68));
	EXPECT_EQ(bits(v.part[12].part_geo[3][4][1]), word(407356 + 1440 * 12 + 72 * 3 + 16));
	EXPECT_EQ(bits(v.part[56].part_geo[0][0][2]), word(512476 + 1440 * 44));
	EXPECT_EQ(bits(v.wing[43].v740_68336[9]), word(68336 + 40 * 31 + 36));
}

// ---- repairs, defaults and special cases ------------------------------------------

namespace {

struct special_case {
	char const* name;
	std::function<void(image&)> setup;
	std::function<void(veh_class&)> check;
};

float f_at(long at)
{
	float v;
	memcpy(&v, old_veh + at, 4);
	return v;
}

char const naca[] = "NACA 0009 (symmetrical).afl";

}  // namespace

TEST(V740Special, RepairsDefaultsAndSpecialWords)
{
	float const nan = std::numeric_limits<float>::quiet_NaN();
	float const inf = std::numeric_limits<float>::infinity();
	auto door = [](float angle, float expect) {
		return special_case{"door angle", [=](image& im) { im.put_f(625052 + 8, angle); },
		                    [=](veh_class& v) { EXPECT_EQ(v.door[2].door_ang, expect) << angle; }};
	};
	std::vector<special_case> const cases = {
	    {"six small words all zero", [](image&) {},
	     [](veh_class& v) {
		     float const e[6] = {0.5f, 0.5f, 0.25f, 0.25f, 0.25f, 0.25f};
		     float const* got = &v.v740_639980;
		     for (int k = 0; k < 6; ++k) EXPECT_EQ(got[k], e[k]) << k;
	     }},
	    {"one small word zero", [=](image& im) {
		     for (long at = 639984; at <= 640000; at += 4) im.put_f(at, 0.5f);
		     im.put_f(639996, nan);
	     },
	     [](veh_class& v) {
		     EXPECT_EQ(v.v740_639980, 0.001f);
		     EXPECT_EQ(v.v740_639984, 0.5f);
		     EXPECT_EQ(v.v740_639996, 0.001f);  // NaN is not greater
		     EXPECT_EQ(v.v740_640000, 0.5f);
	     }},
	    {"exact zero defaults", [](image& im) { im.put_f(645192, -3.0f); },
	     [](veh_class& v) {
		     EXPECT_EQ(v.v740_645196, 5.0f);
		     EXPECT_EQ(v.v740_644880, 10.0f);
		     EXPECT_EQ(v.v740_9628, 1.0f);
		     EXPECT_EQ(v.v740_9652, 1.0f);
		     EXPECT_EQ(v.v740_640720, 1.0f);
		     EXPECT_EQ(v.v740_645188, 680.0f);
		     EXPECT_EQ(v.v740_645192, -3.0f);  // only exact zero is replaced
		     EXPECT_EQ(v.v740_645696, 115.0f);
	     }},
	    {"lower bounds", [](image& im) {
		     im.put_f(644540, 0.0099f);
		     im.put_f(625428, 0.01f);  // in double, just below 0.01
		     im.put_f(639972, 0.0101f);
		     im.put_f(624336, 0.05f);
		     im.put_f(624292, 0.1f);
	     },
	     [](veh_class& v) {
		     EXPECT_EQ(v.v740_644540, 9999.0f);
		     EXPECT_EQ(v.v740_625428, 9999.0f);
		     EXPECT_EQ(v.v740_639972, 0.0101f);
		     EXPECT_EQ(v.v740_624336, 1.0f);
		     EXPECT_EQ(v.gear[1].v740_624020, 0.1f);  // 624292
		     EXPECT_EQ(v.gear[0].v740_624020, 1.0f);
	     }},
	    {"645176 pair from 625532", [](image& im) {
		     im.put_f(625532, 7.0f);
		     im.put_f(625536, 8.0f);
	     },
	     [](veh_class& v) {
		     EXPECT_EQ(v.v740_645176, 7.0f);
		     EXPECT_EQ(v.v740_645180, 8.0f);
	     }},
	    {"645176 pair kept when one is set", [](image& im) {
		     im.put_f(625532, 7.0f);
		     im.put_f(645180, 2.0f);
	     },
	     [](veh_class& v) {
		     EXPECT_EQ(v.v740_645176, 0.0f);
		     EXPECT_EQ(v.v740_645180, 2.0f);
	     }},
	    {"2228 moves to 640984", [](image& im) { im.put_f(2228, 4.0f); },
	     [](veh_class& v) {
		     EXPECT_EQ(v.v740_640984, 4.0f);
		     EXPECT_EQ(v.v740_640988, 555.0f);
		     EXPECT_EQ(v.v740_641012, 555.0f);
		     EXPECT_EQ(v.v740_641016, 0.0f);
		     EXPECT_EQ(f_at(2228), 0.0f);
	     }},
	    {"2228 stays when 640984 is set", [](image& im) {
		     im.put_f(2228, 4.0f);
		     im.put_f(640984, 3.0f);
	     },
	     [](veh_class& v) {
		     EXPECT_EQ(v.v740_640984, 3.0f);
		     EXPECT_EQ(v.v740_640988, 0.0f);
		     EXPECT_EQ(f_at(2228), 4.0f);
	     }},
	    {"body 44 rows 11-19 equal in z", [](image& im) {
		     for (int r = 0; r < 20; ++r)
			     for (int j = 0; j < 18; ++j) {
				     long const at = 1440L * 44 + 72L * r + 4L * j;
				     im.put_f(302236 + at, 100.0f * r + j);
				     im.put_f(407356 + at, -100.0f * r - j);
				     im.put_f(512476 + at, r < 11 ? static_cast<float>(r) : 2.0f);
			     }
	     },
	     [](veh_class& v) {
		     veh_part_class const& p = v.part[56];
		     for (int r = 12; r < 20; ++r)
			     for (int j = 0; j < 18; j += 17) {
				     EXPECT_EQ(p.part_geo[r][j][0], 1100.0f + j) << r;
				     EXPECT_EQ(p.part_geo[r][j][1], -1100.0f - j) << r;
				     EXPECT_EQ(p.part_geo[r][j][2], static_cast<float>(p.part_geo[r - 1][j][2] + 0.001)) << r;
			     }
		     EXPECT_EQ(p.part_geo[11][0][2], 2.0f);
		     EXPECT_EQ(p.part_geo[10][0][2], 10.0f);
		     EXPECT_GT(p.part_geo[19][5][2], 2.007f);
	     }},
	    door(300.0f, 30.0f),
	    door(-100.0f, 350.0f),
	    door(270.0f, 360.0f),
	    door(-90.0f, 0.0f),
	    door(630.0f, 360.0f),
	    door(-1e-5f - 90.0f, 360.0f),
	    door(-1000.0f, 170.0f),
	    door(nan, 0.0f),
	    door(-inf, 0.0f),
	    {"door angle beyond the steps", [](image& im) { im.put_f(625052, 1e30f); },
	     [](veh_class& v) {
		     EXPECT_GE(v.door[0].door_ang, 0.0f);
		     EXPECT_LE(v.door[0].door_ang, 360.0f);
	     }},
	    {"door corners exchange x and z", [](image& im) {
		     for (int m = 0; m < 4; ++m) {
			     long const at = 624572 + 48 * 3 + 12 * m;
			     im.put_f(at, 1.0f + m);
			     im.put_f(at + 4, 10.0f + m);
			     im.put_f(at + 8, 100.0f + m);
		     }
	     },
	     [](veh_class& v) {
		     veh_door_class const& d = v.door[3];
		     EXPECT_EQ(d.door_geo[0][0][0], 100.0f);  // corner a
		     EXPECT_EQ(d.door_geo[0][0][2], 1.0f);
		     EXPECT_EQ(d.door_geo[0][3][0], 101.0f);  // corner b
		     EXPECT_EQ(d.door_geo[3][3][1], 12.0f);   // corner c
		     EXPECT_EQ(d.door_geo[3][0][2], 4.0f);    // corner d
		     EXPECT_EQ(f_at(624572 + 144), 100.0f);
		     EXPECT_EQ(f_at(624572 + 144 + 8), 1.0f);
	     }},
	    {"negated, shifted and floored words", [](image& im) {
		     im.put_f(624392, 2.5f);
		     im.put_i(638016, 100);
		     im.put_f(624388, 0.5f);
		     im.put_f(24092 + 4 * 30, 0.001f);
		     im.put_f(621684 + 4 * 68, -1.0f);
		     im.put_f(624312, 6.5f);
	     },
	     [](veh_class& v) {
		     EXPECT_EQ(v.v740_624392, -2.5f);
		     EXPECT_EQ(v.v740_638016, 33);
		     EXPECT_EQ(v.v740_624388, 1.0f);
		     EXPECT_EQ(v.wing[42].chord_root, 0.01f);
		     EXPECT_EQ(v.gear[1].v740_621684, 0.01f);
		     for (veh_part_class const& p : v.part) EXPECT_EQ(p.v740_624312, 6.5f);
	     }},
	    {"624388 above its floor", [](image& im) { im.put_f(624388, 2.5f); },
	     [](veh_class& v) { EXPECT_EQ(v.v740_624388, 2.5f); }},
	    {"panel codes", [](image& im) {
		     im.put_i(2308, 605);
		     im.put_i(2312, 700);
		     im.put_i(2316, -1);
		     im.put_i(3504, 1);
	     },
	     [](veh_class& v) {
		     EXPECT_EQ(v.ins_type[0], 745);
		     EXPECT_EQ(v.ins_type[1], -1);
		     EXPECT_EQ(v.ins_type[2], -1);
		     EXPECT_EQ(v.ins_type[3], 0);
		     EXPECT_EQ(v.ins_type[299], 5);
	     }},
	    {"slot numbering", [](image& im) {
		     im.put_f(24384 + 4 * 28, 5.0f);   // wing 28 chord_tip
		     im.put_f(23216 + 4 * 28, 6.0f);   // part 28 x
		     im.put_f(23216 + 4 * 53, 7.0f);   // part 53 x
		     im.put_f(23216 + 4 * 67, 8.0f);   // gear part 67
		     im.put_i(10952 + 4 * 44, 3);      // part 44 present
		     im.put_i(22924 + 4 * 5, 6);       // wing 5 elements
		     im.put_f(24384 + 4 * 27, 9.0f);
	     },
	     [](veh_class& v) {
		     EXPECT_EQ(v.wing[40].chord_tip, 5.0f);
		     EXPECT_EQ(v.part[40].part_x, 6.0f);
		     EXPECT_EQ(v.part[77].part_x, 7.0f);
		     EXPECT_EQ(v.gear[0].v740_23216, 8.0f);
		     EXPECT_EQ(v.part[56].part_exists, 3);
		     EXPECT_EQ(v.wing[27].chord_tip, 9.0f);
		     EXPECT_EQ(v.wing[5].nelem, 6);
		     EXPECT_EQ(v.part[5].part_nrow, 12);
		     struct {
			     int slot, nrow, ncol;
		     } const grid[] = {{0, 0, 14}, {55, 0, 14}, {56, 20, 18}, {64, 12, 18}, {77, 12, 18}, {84, 12, 18},
		                       {85, 8, 10}, {90, 8, 10}, {65, 0, 0}, {91, 0, 0}};
		     for (auto const& g : grid) {
			     EXPECT_EQ(v.part[g.slot].part_nrow, g.nrow) << g.slot;
			     EXPECT_EQ(v.part[g.slot].part_ncol, g.ncol) << g.slot;
			     EXPECT_EQ(v.part[g.slot].part_one, g.ncol ? 1.0f : 0.0f) << g.slot;
		     }
		     for (int s = 28; s < 40; ++s) {
			     veh_wing_class w = v.wing[s];
			     EXPECT_EQ(w.wing_quarter, 0.25f);
			     for (auto const& name : w.wing_afl_name) EXPECT_STREQ(name, naca);
			     w.wing_quarter = 0;
			     memset(w.wing_afl_name, 0, sizeof w.wing_afl_name);
			     veh_wing_class const cleared{};
			     EXPECT_EQ(memcmp(&w, &cleared, sizeof w), 0) << s;
		     }
		     EXPECT_EQ(v.gear[6].v740_617596, 0.0f);
	     }},
	    {"airfoil names", [](image& im) {
		     im.put_text(11244 + 40 * 29, "wing.afl");
		     im.put_text(20004 + 40 * 43, std::string(40, 'n'));  // no NUL in its slot
	     },
	     [](veh_class& v) {
		     EXPECT_STREQ(v.wing[41].wing_afl_name[0], "wing.afl");
		     EXPECT_STREQ(v.wing[41].wing_afl_name[1], naca);
		     EXPECT_STREQ(v.wing[55].wing_afl_name[3], std::string(39, 'n').c_str());
		     EXPECT_STREQ(v.wing[0].wing_afl_name[2], naca);
	     }},
	    {"texts bounded by slot and target", [](image& im) {
		     im.put_text(1004, std::string(39, 't'));
		     im.put_text(1044, std::string(499, 'u'));
		     im.put_text(646098, std::string(42, 's'));
		     im.put_text(625700 + 500 * 23, std::string(45, 'a'));
	     },
	     [](veh_class& v) {
		     EXPECT_EQ(std::string(v.tailnum), std::string(39, 't'));
		     EXPECT_EQ(std::string(v.v740_1044), std::string(499, 'u'));
		     EXPECT_EQ(std::string(v.v740_1544), "");
		     EXPECT_EQ(std::string(v.v740_646098), std::string(39, 's'));
		     EXPECT_EQ(std::string(v.att[23].att_text), std::string(39, 'a'));
	     }},
	    {"one_tab of 3", [](image& im) { im.put_i(624332, 3); },
	     [](veh_class& v) {
		     float const e[10] = {0, 1, 1, 1, 7, 7, 7, 7, 7, 7};
		     for (int k = 0; k < 10; ++k) EXPECT_EQ(v.one_tab[k], e[k]) << k;
	     }},
	    {"one_tab of -2", [](image& im) { im.put_i(624332, -2); },
	     [](veh_class& v) {
		     EXPECT_EQ(v.one_tab[0], 0.0f);
		     EXPECT_EQ(v.one_tab[1], 7.0f);
	     }},
	    {"one_tab beyond its ten entries", [](image& im) { im.put_i(624332, 1000); },
	     [](veh_class& v) {
		     for (int k = 1; k < 10; ++k) EXPECT_EQ(v.one_tab[k], 1.0f) << k;
		     EXPECT_EQ(v.one_tab_cnt, 1000);
	     }},
	    {"constants", [](image&) {},
	     [](veh_class& v) {
		     int const flags[10] = {1, 1, 1, 1, 1, 0, 1, 0, 1, 1};
		     for (int k = 0; k < 10; ++k) EXPECT_EQ(v.flag_block[k], flags[k]) << k;
		     EXPECT_EQ(v.rsv_zero, 0);
		     EXPECT_EQ(v.val30, 30.0f);
		     EXPECT_EQ(v.gear[0].gear_unfed, 7.0f);  // the seventh gear field is not written
		     for (veh_wing_class const& w : v.wing) EXPECT_EQ(w.wing_quarter, 0.25f);
	     }},
	};
	for (special_case const& c : cases) {
		SCOPED_TRACE(c.name);
		legacy::fresh_aircraft(1);
		for (float& e : veh[0].one_tab) e = 7.0f;
		veh[0].rsv_zero = 5;
		veh[0].gear[0].gear_unfed = 7.0f;
		image im(old_veh_file);
		c.setup(im);
		convert(im);
		c.check(veh[0]);
	}
}

TEST(V740Special, DefaultTexturesComeLastForTheAircraftIndex)
{
	legacy::fresh_aircraft(2);
	image im(old_veh_file);
	convert(im, 1);
	veh_class expect;
	expect.clear_veh(1);
	expect.set_base_st(1);
	for (int k = 0; k < 8; ++k) EXPECT_EQ(veh[1].aux_st[k], expect.aux_st[k]) << k;
	for (int i = 0; i < veh_part_slots; ++i) {
		EXPECT_EQ(veh[1].part[i].tex_sheet, expect.part[i].tex_sheet) << i;
		EXPECT_EQ(memcmp(veh[1].part[i].tex_s1, expect.part[i].tex_s1, 4 * sizeof(float[2])), 0) << i;
	}
	EXPECT_EQ(veh[0].aux_st[0], 0.0f);  // the other aircraft untouched
}

namespace {
struct V740DeathTest : logged_test {
	void SetUp() override
	{
		logged_test::SetUp();
		ogl_inited = 1;
	}
};
}  // namespace

TEST_F(V740DeathTest, AFullAttachmentTextSlotIsTooLong)
{
	legacy::fresh_aircraft(1);
	image im(old_veh_file);
	im.put_text(625700 + 500 * 4, std::string(500, 'x'));
	EXPECT_EXIT(convert(im), ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(read_text_file(log), "String too long!\n" + std::string(500, 'x') + "\n\n\n(hl_string line 132)\n");
}
