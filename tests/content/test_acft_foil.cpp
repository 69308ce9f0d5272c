#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "content/acft.h"

namespace {

// Fills a record with bytes that differ from slot to slot and call to call.
template <class T>
void scramble(T& v, uint32_t seed)
{
	unsigned char* p = reinterpret_cast<unsigned char*>(&v);
	uint32_t x = seed * 2654435761u + 1;
	for (size_t i = 0; i < sizeof(T); ++i) {
		x = x * 1103515245u + 12345u;
		p[i] = static_cast<unsigned char>(x >> 16);
	}
}

template <class T>
bool same_bytes(T const& a, T const& b)
{
	return memcmp(&a, &b, sizeof(T)) == 0;
}

float negated(float x)
{
	uint32_t u;
	memcpy(&u, &x, 4);
	u ^= 0x80000000u;
	memcpy(&x, &u, 4);
	return x;
}

float(veh_wing_class::* const foil_lists[22])[10] = {
    &veh_wing_class::foil_el_1,  &veh_wing_class::foil_el_2,  &veh_wing_class::foil_el_3,
    &veh_wing_class::foil_el_4,  &veh_wing_class::foil_el_5,  &veh_wing_class::foil_el_6,
    &veh_wing_class::foil_el_7,  &veh_wing_class::foil_el_8,  &veh_wing_class::foil_el_9,
    &veh_wing_class::foil_el_10, &veh_wing_class::foil_el_11, &veh_wing_class::foil_el_12,
    &veh_wing_class::foil_el_13, &veh_wing_class::foil_el_14, &veh_wing_class::foil_el_15,
    &veh_wing_class::foil_el_16, &veh_wing_class::foil_el_17, &veh_wing_class::foil_el_18,
    &veh_wing_class::foil_el_19, &veh_wing_class::foil_el_20, &veh_wing_class::foil_el_21,
    &veh_wing_class::foil_el_22,
};

struct CopyFoilTest : ::testing::Test {
	veh_class* v = nullptr;
	void SetUp() override
	{
		veh.assign(1, veh_class());
		flt.assign(1, flt_class());
		veh[0].clear_veh(0);
		flt[0].clear_flt(0);
		v = &veh[0];
		scramble(static_cast<veh_flat_struct&>(*v), 1);
		for (int i = 0; i < veh_wing_slots; ++i) scramble(v->wing[i], 100 + i);
		for (int i = 0; i < veh_part_slots; ++i) scramble(v->part[i], 200 + i);
		for (int i = 0; i < veh_afl_slots; ++i) scramble(v->afl[i], 300 + i);
	}
};

}  // namespace

// Every field of the destination is compared: the listed ones against the
// source, all the others against what the destination held before.
TEST_F(CopyFoilTest, CopiesTheListedFieldsAndNothingElse)
{
	struct {
		char const* name;
		int from, to, mirror, nelem;
		char const* afl0;  // first airfoil name of the source
	} const cases[] = {
	    {"mirrored wing pair", 9, 8, 1, 4, "naca2412.afl"},
	    {"propeller surface keeps its rectangle", 40, 41, 0, 10, "blade.afl"},
	    {"no elements: station 0 only", 11, 10, 1, 0, ""},
	    {"element count past the tables", 48, 49, 0, 50, "x.afl"},
	    {"negative element count", 13, 12, 0, -3, "y.afl"},
	};
	for (auto const& c : cases) {
		SetUp();
		veh_wing_class& ws = v->wing[c.from];
		ws.nelem = c.nelem;
		strcpy(ws.wing_afl_name[0], c.afl0);
		strcpy(ws.wing_afl_name[1], "second.afl");
		strcpy(ws.wing_afl_name[2], "");
		memset(ws.wing_afl_name[3], 'q', 40);  // no NUL in the field
		veh_class const before = *v;

		v->copy_foil(c.from, c.to, c.mirror);

		veh_wing_class const& f = before.wing[c.from];
		veh_part_class const& pf = before.part[c.from];
		veh_wing_class w = before.wing[c.to];
		veh_part_class p = before.part[c.to];
		afl_class a = before.afl[c.to];
		veh_flat_struct flat = before;
		for (int k = 0; k < 3; ++k) strcpy(w.wing_afl_name[k], f.wing_afl_name[k]);
		memset(w.wing_afl_name[3], 'q', 39);
		w.wing_afl_name[3][39] = 0;
		p.part_x = c.mirror ? negated(pf.part_x) : pf.part_x;
		p.part_y = pf.part_y;
		p.part_z = pf.part_z;
		p.tex_sheet = pf.tex_sheet;
		if (c.to < 40 || c.to > 55) {
			memcpy(p.tex_s1, pf.tex_s1, 8);
			memcpy(p.tex_t1, pf.tex_t1, 8);
			memcpy(p.tex_s2, pf.tex_s2, 8);
			memcpy(p.tex_t2, pf.tex_t2, 8);
		}
		w.nelem = f.nelem;
		w.chord_root = f.chord_root;
		w.chord_tip = f.chord_tip;
		w.semilen = f.semilen;
		w.foil_par_1 = f.foil_par_1;
		w.foil_par_2 = f.foil_par_2;
		w.foil_par_3 = f.foil_par_3;
		w.wing_angle = f.wing_angle;
		w.foil_par_5 = f.foil_par_5;
		w.foil_par_6 = f.foil_par_6;
		w.foil_par_7 = f.foil_par_7;
		w.foil_par_8 = f.foil_par_8;
		w.shift_on = f.shift_on;
		w.foil_par_9 = f.foil_par_9;
		int const elems = c.nelem < 0 ? 0 : c.nelem > 10 ? 10 : c.nelem;
		for (auto l : foil_lists)
			for (int e = 0; e < elems; ++e) (w.*l)[e] = (f.*l)[e];
		for (int s = 0; c.nelem >= 0 && s <= elems; ++s) {
			flat.span_fac[c.to][s] = before.span_fac[c.from][s];
			flat.span_fac_b[c.to][s] = before.span_fac_b[c.from][s];
		}
		a.afl_par_1 = before.afl[c.from].afl_par_1;
		a.afl_par_2 = before.afl[c.from].afl_par_2;

		EXPECT_TRUE(same_bytes(v->wing[c.to], w)) << c.name;
		EXPECT_TRUE(same_bytes(v->part[c.to], p)) << c.name;
		EXPECT_TRUE(same_bytes(v->afl[c.to], a)) << c.name;
		EXPECT_TRUE(same_bytes(static_cast<veh_flat_struct const&>(*v), flat)) << c.name;
		for (int i = 0; i < veh_wing_slots; ++i) {
			if (i == c.to) continue;
			EXPECT_TRUE(same_bytes(v->wing[i], before.wing[i])) << c.name << " wing " << i;
		}
		for (int i = 0; i < veh_part_slots; ++i) {
			if (i == c.to) continue;
			EXPECT_TRUE(same_bytes(v->part[i], before.part[i])) << c.name << " part " << i;
		}
		for (int i = 0; i < veh_afl_slots; ++i) {
			if (i == c.to) continue;
			EXPECT_TRUE(same_bytes(v->afl[i], before.afl[i])) << c.name << " afl " << i;
		}
	}
}
