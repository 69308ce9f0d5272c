#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <functional>
#include <string>

#include "content/acft.h"

namespace {

// Two cleared aircraft; aircraft 1 is the one under test, so that a query
// made on the wrong list entry shows.
struct AutosetTest : ::testing::Test {
	veh_class* v = nullptr;
	void SetUp() override
	{
		veh.assign(2, veh_class());
		flt.assign(2, flt_class());
		for (int n = 0; n < 2; ++n) {
			veh[n].clear_veh(n);
			flt[n].clear_flt(n);
		}
		v = &veh[1];
	}
	// A present wing slot of one element.
	void wing(int i, float semilen = 1.0f)
	{
		v->part[i].part_exists = 1;
		v->wing[i].semilen = semilen;
		v->wing[i].nelem = 1;
		v->wing[i].chord_root = v->wing[i].chord_tip = 1;
	}
	void engines(int count)
	{
		v->num_engn = v->num_prop = count;
		for (int k = 0; k < 8; ++k) v->engn[k].prop_type = 8;
	}
};

}  // namespace

TEST_F(AutosetTest, Cases)
{
	using step = std::function<void(AutosetTest&, veh_class&)>;
	struct {
		char const* name;
		step setup, check;
	} const cases[] = {
	    {"wing existence by semi-span",
	     [](AutosetTest& t, veh_class& a) {
		     t.wing(10, 0.04f);
		     t.wing(11, 0.05f);  // the float lies just above the double 0.05
		     a.wing[12].semilen = 2;  // not marked present: made so
		     t.wing(8, 0);
		     for (int k = 0; k < 8; ++k) a.part[k].part_exists = 1;
		     a.part[60].part_exists = 7;
		     a.part[90].part_exists = 1;
	     },
	     [](AutosetTest&, veh_class& a) {
		     EXPECT_EQ(a.part[10].part_exists, 0);
		     EXPECT_EQ(a.part[11].part_exists, 1);
		     EXPECT_EQ(a.part[12].part_exists, 1);
		     EXPECT_EQ(a.part[8].part_exists, 0);
		     for (int k = 0; k < 8; ++k) EXPECT_EQ(a.part[k].part_exists, 0) << k;
		     EXPECT_EQ(a.part[60].part_exists, 7);
		     EXPECT_EQ(a.part[90].part_exists, 1);
	     }},
	    {"ahead_of_cg follows the test each run, whatever it held",
	     [](AutosetTest& t, veh_class& a) {
		     // Quarter chord at part_z + 0.25 against cgZ 1: wing 20 ahead, 22 behind.
		     a.cgZ = 1;
		     t.wing(20);
		     t.wing(22);
		     a.part[20].part_z = 0.5f;
		     a.part[22].part_z = 0.9f;
		     a.wing[20].ahead_of_cg = 0;
		     a.wing[22].ahead_of_cg = 1;  // left by an old file or an earlier run
	     },
	     [](AutosetTest&, veh_class& a) {
		     EXPECT_EQ(a.wing[20].ahead_of_cg, 1);
		     EXPECT_EQ(a.wing[22].ahead_of_cg, 0);
		     // The wing moves behind the centre of gravity: the next run clears it.
		     a.part[20].part_z = 2;
		     a.autoset_veh(1);
		     EXPECT_EQ(a.wing[20].ahead_of_cg, 0);
	     }},
	    {"two propellers keep two of each optional set",
	     [](AutosetTest& t, veh_class& a) {
		     t.engines(2);
		     for (int i = 40; i <= 55; ++i) t.wing(i);
		     for (int i = 77; i <= 84; ++i) a.part[i].part_exists = 1;
	     },
	     [](AutosetTest&, veh_class& a) {
		     for (int i = 40; i <= 84; ++i) {
			     if (i > 55 && i < 77) continue;
			     bool const kept = i == 40 || i == 41 || i == 48 || i == 49 || i == 77 || i == 78;
			     EXPECT_EQ(a.part[i].part_exists, kept ? 1 : 0) << i;
		     }
	     }},
	    {"optional parts only when already present or long enough",
	     [](AutosetTest& t, veh_class& a) {
		     t.engines(8);
		     a.wing[40].semilen = 1;  // not present before
		     t.wing(48, 0.04f);
		     a.part[80].part_exists = 0;
	     },
	     [](AutosetTest&, veh_class& a) {
		     EXPECT_EQ(a.part[40].part_exists, 0);
		     EXPECT_EQ(a.part[48].part_exists, 0);
		     EXPECT_EQ(a.part[80].part_exists, 0);
	     }},
	    {"propellers on both sides: companion placed mirrored",
	     [](AutosetTest& t, veh_class& a) {
		     t.engines(2);
		     a.part[0].part_x = 3;
		     a.part[0].part_y = 1;
		     a.part[0].part_z = 2;
		     a.part[1].part_x = -3;
		     a.part[1].part_y = 1.5f;
		     a.part[1].part_z = 2.5f;
		     t.wing(40);
		     t.wing(41);
		     a.part[40].part_x = 3.5f;
		     a.part[40].part_y = 0.75f;
		     a.part[40].part_z = 1;
	     },
	     [](AutosetTest&, veh_class& a) {
		     EXPECT_FLOAT_EQ(a.part[41].part_x, -3.5f);
		     EXPECT_FLOAT_EQ(a.part[41].part_y, 1.25f);
		     EXPECT_FLOAT_EQ(a.part[41].part_z, 1.5f);
		     EXPECT_EQ(a.wing[41].is_left, 1);
		     EXPECT_EQ(a.wing[41].side_sign, -1.0f);
		     EXPECT_EQ(a.wing[40].is_left, 0);
	     }},
	    {"an absent companion keeps the mirrored copy",
	     [](AutosetTest& t, veh_class& a) {
		     t.engines(2);
		     a.part[0].part_x = 3;
		     a.part[1].part_x = -3;
		     t.wing(40);
		     t.wing(41);
		     a.part[40].part_x = 3.5f;
		     strcpy(a.wing[40].wing_afl_name[0], "blade.afl");
		     flt[1].fail[41 + 195] = 6;
	     },
	     [](AutosetTest&, veh_class& a) {
		     EXPECT_EQ(a.part[41].part_x, -3.5f);
		     EXPECT_STREQ(a.wing[41].wing_afl_name[0], "blade.afl");
	     }},
	    {"x of 0 counts as the positive side",
	     [](AutosetTest& t, veh_class& a) {
		     t.engines(3);
		     a.part[0].part_x = 0;
		     a.part[1].part_x = 0;
		     a.part[2].part_x = -1;
		     t.wing(40);
		     t.wing(41);
		     t.wing(42);
		     a.part[40].part_x = 0.5f;
		     flt[1].fail[41 + 195] = 6;  // shows the copy's flag
	     },
	     [](AutosetTest&, veh_class& a) {
		     EXPECT_EQ(a.part[41].part_x, 0.5f);
		     EXPECT_EQ(a.part[42].part_x, -1.5f);
	     }},
	    {"gear: tyres, presence and main gear",
	     [](AutosetTest&, veh_class& a) {
		     // The gear's settings, in their order within the record.
		     struct gear_set {
			     int type, retract;
			     float x, y, z, strut, comp, deploy, ext_ang[2], ang[2], tyre_off;
		     };
		     gear_set const sets[] = {{2, 1, 1, 2, 1, 2, 5, 0.25f, {90, 0}, {7, 7}, 0.1f},
		                              {1, 1, 0, 0, -5, 1, 0, 0, {0, 30}, {0, 0}, 0},
		                              {3, 1, 0, 0, -3, 0, 0, 0, {0, 0}, {0, 0}, 0},
		                              {2, 0, 0, 0, 9, 0, 0, 0, {0, 0}, {0, 0}, 0},
		                              {2, 1, 0, 0, 3, 0, 0, 0, {0, 0}, {0, 0}, 0}};
		     static_assert(sizeof(gear_set) == sizeof(veh_gear_class) - offsetof(veh_gear_class, gear_type),
		                   "the settings close the gear record");
		     for (int k = 0; k < 5; ++k)
			     memcpy(&a.gear[k].gear_type, &sets[k], sizeof sets[k]);
	     },
	     [](AutosetTest&, veh_class& a) {
		     EXPECT_EQ(a.has_gear, 1);
		     EXPECT_EQ(a.main_gear, 2);
		     EXPECT_EQ(a.gear[0].gear_deploy, 1.0f);
		     EXPECT_EQ(a.gear[0].gear_ang[0], 90.0f);
		     EXPECT_EQ(a.gear[0].gear_ang[1], 0.0f);
		     EXPECT_NEAR(a.part[85].part_x, 3.0f, 1e-5);
		     EXPECT_NEAR(a.part[85].part_y, 2.1f, 1e-5);
		     EXPECT_NEAR(a.part[85].part_z, 1.0f, 1e-5);
		     EXPECT_NEAR(a.part[86].part_y, -std::cos(30 * 0.017453294), 1e-5);
		     EXPECT_NEAR(a.part[86].part_z, -5.5f, 1e-5);
	     }},
	    {"no qualifying gear",
	     [](AutosetTest&, veh_class& a) {
		     a.gear[3].gear_type = 1;
		     a.gear[3].gear_retract = 1;
		     a.gear[3].gear_z = 8;
		     a.main_gear = 6;
	     },
	     [](AutosetTest&, veh_class& a) {
		     EXPECT_EQ(a.has_gear, 1);
		     EXPECT_EQ(a.main_gear, 0);
	     }},
	    {"wing without elements",
	     [](AutosetTest& t, veh_class& a) {
		     t.wing(20, 2);
		     a.wing[20].nelem = 0;
		     a.wing[20].surf_on[0][0] = 1;
		     a.wing[20].surf_start[0] = 4;
		     a.wing[20].surf_end[0] = 6;
		     a.wing[20].elem_area[0] = 42;
		     a.wing[20].elem_len = 9;
		     a.part[20].part_nrow = 6;
	     },
	     [](AutosetTest&, veh_class& a) {
		     EXPECT_EQ(a.wing[20].surf_start[0], 10.0f);
		     EXPECT_EQ(a.wing[20].surf_end[0], 0.0f);
		     EXPECT_EQ(a.wing[20].elem_area[0], 42.0f);
		     EXPECT_EQ(a.wing[20].elem_len, 0.0f);
		     EXPECT_EQ(a.has_ctrl_1, 0);
		     EXPECT_EQ(a.part[20].part_nrow, 0);
		     EXPECT_EQ(a.span_fac_b[20][0], 1.0f);
		     EXPECT_EQ(a.span_fac_b[20][1], 0.0f);
	     }},
	    {"shafts: one per engine",
	     [](AutosetTest& t, veh_class& a) {
		     t.engines(2);
		     a.num_prop = 3;
		     a.engn[1].on_one_shaft = 1;
	     },
	     [](AutosetTest&, veh_class& a) {
		     EXPECT_EQ(a.num_shaft, 2);
		     EXPECT_EQ(a.eng_shaft[0], 0);
		     EXPECT_EQ(a.eng_shaft[1], 1);
		     EXPECT_EQ(a.engn[1].on_one_shaft, 0);
		     EXPECT_EQ(a.prop_engn[0], 0);
		     EXPECT_EQ(a.prop_engn[1], 1);
		     EXPECT_EQ(a.prop_engn[2], 1);
		     EXPECT_EQ(a.eng_map_mode, -1);
	     }},
	    {"shafts: all on one, three propellers",
	     [](AutosetTest& t, veh_class& a) {
		     t.engines(2);
		     a.num_prop = 3;
		     a.eng_map_mode = 1;
		     for (int k = 0; k < 3; ++k) a.prop_engn[k] = a.eng_shaft[k] = 5;
	     },
	     [](AutosetTest&, veh_class& a) {
		     EXPECT_EQ(a.num_shaft, 1);
		     for (int k = 0; k < 3; ++k) EXPECT_EQ(a.prop_engn[k], 0) << k;
		     for (int k = 0; k < 2; ++k) {
			     EXPECT_EQ(a.eng_shaft[k], 0) << k;
			     EXPECT_EQ(a.engn[k].on_one_shaft, 1) << k;
		     }
		     EXPECT_EQ(a.eng_shaft[2], 5);
		     EXPECT_EQ(a.eng_map_mode, -1);
	     }},
	    {"shafts: made once",
	     [](AutosetTest& t, veh_class& a) {
		     t.engines(2);
		     a.eng_map_mode = -1;
		     a.num_shaft = 7;
		     a.eng_shaft[1] = a.prop_engn[1] = 5;
	     },
	     [](AutosetTest&, veh_class& a) {
		     EXPECT_EQ(a.num_shaft, 7);
		     EXPECT_EQ(a.eng_shaft[1], 5);
		     EXPECT_EQ(a.prop_engn[1], 5);
		     EXPECT_EQ(a.eng_map_mode, -1);
	     }},
	    {"propeller kinds and jet bodies",
	     [](AutosetTest& t, veh_class& a) {
		     t.engines(3);
		     a.engn[0].prop_type = 5;
		     a.engn[1].prop_type = 3;
		     a.engn[2].prop_type = 3;
		     a.engn[2].eng_type = 4;  // a jet turns no propeller
		     a.engn[6].eng_type = 5;
		     a.engn[7].eng_type = 4;
		     for (int i = 77; i <= 84; ++i) a.part[i].jet_body_word = 9;
		     a.wing[17].nelem = 2;  // copied onto wing 16 first
		     a.wing[16].elem_flag[2] = 1;  // past nelem
	     },
	     [](AutosetTest&, veh_class& a) {
		     EXPECT_EQ(a.prop5_present, 1);
		     EXPECT_EQ(a.prop3_present, 1);
		     EXPECT_EQ(a.prop3_index, 1);
		     EXPECT_EQ(a.wing16_flagged, 0);
		     EXPECT_EQ(a.part[79].jet_body_word, 0);
		     EXPECT_EQ(a.part[83].jet_body_word, 0);
		     EXPECT_EQ(a.part[84].jet_body_word, 9);  // slot 7 is not visited
		     EXPECT_EQ(a.part[77].jet_body_word, 9);
	     }},
	    {"counts past the tables",
	     [](AutosetTest& t, veh_class& a) {
		     t.engines(8);
		     a.num_engn = a.num_prop = 50;
		     a.wing[17].nelem = 50;
		     for (int& f : a.wing[16].elem_flag) f = 1;
		     for (int i : {39, 48, 55}) {
			     t.wing(i);
			     a.wing[i].nelem = 50;
			     for (auto& row : a.wing[i].surf_on)
				     for (int& on : row) on = 1;
		     }
		     a.num_tank = 50;
	     },
	     [](AutosetTest&, veh_class& a) {
		     EXPECT_EQ(a.num_engn, 50);
		     EXPECT_EQ(a.wing[55].nelem, 50);
		     EXPECT_EQ(a.part[55].part_nrow, 20);
		     EXPECT_EQ(a.wing[39].surf_end[0], 10.0f);
		     EXPECT_EQ(a.wing[55].surf_end[11], 10.0f);
		     EXPECT_EQ(a.wing16_flagged, 1);
		     EXPECT_EQ(a.prop_engn[7], 7);
		     EXPECT_EQ(a.span_fac_b[55][10], 1.0f);
	     }},
	};
	for (auto const& c : cases) {
		SetUp();
		c.setup(*this, *v);
		v->autoset_veh(1);
		SCOPED_TRACE(c.name);
		c.check(*this, *v);
	}
}

// Fields set from the engine type when its consumption is unset.
TEST_F(AutosetTest, ConsumptionDefaultsByEngineType)
{
	struct {
		int type;
		float rocket, jet, jet_aux, prop, prop_aux;
		float jet_alt, prop_alt;  // the companions
	} const cases[] = {
	    {6, 9.97f, 0, 0, 0, 0, 0, 0},          {7, 13.5f, 0, 0, 0, 0, 0, 0},
	    {4, 0, 0.85f, 0.1f, 0, 0, 35000, 0},   {5, 0, 0.55f, 0.1f, 0, 0, 35000, 0},
	    {0, 0, 0, 0, 0.44f, 0.25f, 0, 10000},  {1, 0, 0, 0, 0.4f, 0.25f, 0, 10000},
	    {2, 0, 0, 0, 0.7f, 0.25f, 0, 10000},   {8, 0, 0, 0, 0.6f, 0.25f, 0, 10000},
	    {3, 0, 0, 0, 0, 0, 0, 0},
	};
	for (auto const& c : cases) {
		SetUp();
		v->num_engn = 1;
		v->engn[0].eng_type = c.type;
		v->sfc_jet_lo = v->sfc_prop_lo = 5;
		v->autoset_veh(1);
		EXPECT_EQ(v->sfc_rocket, c.rocket) << c.type;
		EXPECT_EQ(v->sfc_jet[0], c.jet) << c.type;
		EXPECT_EQ(v->sfc_jet[4], c.jet) << c.type;
		EXPECT_EQ(v->sfc_jet[5], c.jet_aux) << c.type;
		EXPECT_EQ(v->sfc_prop[1], c.prop) << c.type;
		EXPECT_EQ(v->sfc_prop[5], c.prop_aux) << c.type;
		EXPECT_EQ(v->sfc_jet_alt, c.jet_alt) << c.type;
		EXPECT_EQ(v->sfc_jet_lo, c.jet_alt ? 0.0f : 5.0f) << c.type;
		EXPECT_EQ(v->sfc_prop_alt, c.prop_alt) << c.type;
		EXPECT_EQ(v->sfc_prop_lo, c.prop_alt ? 0.0f : 5.0f) << c.type;
	}

	// A consumption that is set stays, and so do its companions.
	SetUp();
	v->num_engn = 1;
	v->set_base_sfc(0);
	v->sfc_prop[0] = 0.5f;
	v->autoset_veh(1);
	EXPECT_EQ(v->sfc_prop[0], 0.5f);
	EXPECT_EQ(v->sfc_prop_alt, 0.0f);
}

TEST_F(AutosetTest, DefaultsOfUnsetValues)
{
	v->m_max = 1000;  // 2204.622 pounds
	v->num_engn = 1;
	v->engn[0].eng_type = 0;
	v->power_max = 180;
	v->mp_max = 30;
	v->rpm_max = 2500;
	v->rpm_prop = 2000;
	v->jet_thrust = 10;
	v->Vne = 150;
	v->m_empty = 600;
	v->cgZ = 2.5f;
	v->lim_opt[0] = 0.5f;
	v->lim_opt[1] = 3;
	v->lim_opt[2] = 7;
	v->lim_opt[3] = 2;
	v->lim_opt_on[0] = v->lim_opt_on[1] = v->lim_opt_on[3] = 1;
	v->min_one[0] = 1.0f;
	v->min_one[1] = 1.5f;
	v->dflt_60[1] = 45;
	v->min_001 = 0.005f;
	v->vec3_b[2] = 0.009f;  // shorter than 0.01
	v->ins_max_on[0] = v->ins_max_on[7] = 1;
	v->ins_max[7] = 1000;
	v->ins_max[1] = -1;  // not enabled
	v->opt_val = 4;
	v->opt_vals[3] = 4;
	v->autoset_veh(1);

	EXPECT_NEAR(v->cus_auto[5], 30 * (1 - 1.2e-6 * 2204.622), 1e-4);
	EXPECT_NEAR(v->cus_auto[4], 0.2 * (1 + 1.8e-5 * 2204.622), 1e-6);
	EXPECT_EQ(v->cus_fadec[0], 0.004f);
	EXPECT_EQ(v->lim_max, 3.0f);
	EXPECT_EQ(v->min_one[0], 1.0f);
	EXPECT_EQ(v->min_one[1], 1.5f);
	EXPECT_EQ(v->ref_init, 1);
	EXPECT_EQ(v->ref_blk[0], 2.5f);
	EXPECT_EQ(v->ref_blk[1], 1000.0f);
	for (int k = 0; k < 10; ++k) {
		EXPECT_EQ(v->tab4[0][k], 0.0f);
		EXPECT_EQ(v->tab4[1][k], 0.12890625f);
		EXPECT_EQ(v->tab4[2][k], 0.015625f);
		EXPECT_EQ(v->tab4[3][k], 0.2529296875f);
	}
	EXPECT_EQ(v->dflt_vne, 150.0f);
	EXPECT_EQ(v->dflt_60[0], 60.0f);
	EXPECT_EQ(v->dflt_60[1], 45.0f);
	EXPECT_EQ(v->dflt_24, 24.0f);
	EXPECT_EQ(v->dflt_8, 8.0f);
	EXPECT_EQ(v->opt_val, 0.0f);
	EXPECT_EQ(v->opt_vals[3], 0.0f);

	// Recip fuel flow is a sixth of consumption times power.
	float const flow = 0.44f * 180 / 6;
	float const ranges[6][2] = {{15, 30}, {1000, 2000}, {72, 180}, {1600, 2000}, {4, 6}, {0.15f * flow, 0.75f * flow}};
	for (int r = 0; r < 6; ++r) {
		EXPECT_FLOAT_EQ(v->ins_rng[r][0], ranges[r][0]) << r;
		EXPECT_FLOAT_EQ(v->ins_rng[r][1], ranges[r][1]) << r;
	}
	EXPECT_EQ(v->ins_100[0], 100.0f);
	EXPECT_FLOAT_EQ(v->ins_max[0], 30.0f);
	EXPECT_EQ(v->ins_max[1], -1.0f);
	EXPECT_EQ(v->ins_max[7], 1000.0f);
	float const nine[9] = {0, 1, 0, 1, 1, 0, 1, 0, 0};
	for (int k = 0; k < 9; ++k) EXPECT_EQ(v->rat9[k], nine[k]) << k;
	EXPECT_EQ(v->min_001, 0.01f);
	EXPECT_EQ(v->dflt_10, 10.0f);
	EXPECT_EQ(v->cpy_blk[0], 150.0f);
	EXPECT_EQ(v->cpy_blk[1], 600.0f);
	EXPECT_EQ(v->dflt_3[0], 3.0f);
	EXPECT_EQ(v->dflt_3[1], 3.0f);
	EXPECT_EQ(v->vec3_a[0], 0.8f);
	EXPECT_EQ(v->vec3_b[1], 0.2f);
	EXPECT_EQ(v->rat6[5], 1.0f);

	// Flagged blocks are filled once; set values and flags are kept.
	v->cus_auto_flag = v->cus_fadec_flag = 1;
	v->cus_auto[5] = v->cus_fadec[0] = 7;
	v->ref_blk[0] = v->tab4[1][0] = v->cpy_blk[0] = v->rat6[5] = 7;
	v->rat9[0] = 7;
	v->ins_rng[5][1] = 7;
	v->vec3_a[0] = 0.1f;
	v->engn[2].eng_opt_2 = 1;
	v->num_engn = 3;
	v->opt_val = 4;
	v->autoset_veh(1);
	EXPECT_EQ(v->cus_auto[5], 7.0f);
	EXPECT_EQ(v->cus_fadec[0], 7.0f);
	EXPECT_EQ(v->ref_blk[0], 7.0f);
	EXPECT_EQ(v->tab4[1][0], 7.0f);
	EXPECT_EQ(v->cpy_blk[0], 7.0f);
	EXPECT_EQ(v->rat6[5], 7.0f);
	EXPECT_EQ(v->rat9[1], 1.0f);
	EXPECT_EQ(v->ins_rng[5][1], 7.0f);
	EXPECT_EQ(v->vec3_a[0], 0.1f);
	EXPECT_EQ(v->opt_val, 4.0f);
}

// One small aircraft worked out by hand.
TEST_F(AutosetTest, SmallAircraftByHand)
{
	// A tapered wing pair: wing 9 is copied onto wing 8 mirrored, after the
	// existence of both is settled.
	v->wing[8].semilen = 1;
	v->part[9].part_exists = 1;
	v->part[9].part_x = 1.5f;
	v->part[9].part_z = 1;
	veh_wing_class& w = v->wing[9];
	w.semilen = 4;
	w.nelem = 2;
	w.chord_root = 2;
	w.chord_tip = 1;
	w.wing_angle = 60;
	w.cg_chord_rat = 0.5f;
	w.surf_on[4][1] = 1;
	strcpy(w.wing_afl_name[0], "C:\\foils\\root.afl");
	memset(w.wing_afl_name[1], 't', 40);  // fills its field
	memcpy(w.wing_afl_name[2], "ab/", 3);
	memset(w.wing_afl_name[2] + 3, 'u', 37);
	v->cgZ = 1.6f;

	// A two-blade propeller with a kink.
	v->num_engn = v->num_prop = 1;
	v->part[0].part_x = 0.25f;
	v->part[0].part_y = -1;
	v->part[0].part_z = 0.5f;
	veh_wing_class& b = v->wing[0];
	b.chord_root = 0.3f;
	b.chord_tip = 0.1f;
	b.elem_len = 0.5f;  // left by an earlier run
	for (int j = 0; j < 11; ++j) v->span_fac[0][j] = 1;
	v->engn[0].blade_sweep[1] = 90;
	b.elem_y[3] = 5;
	memset(v->tailnum, 'N', 40);
	memset(v->v740_646098, 'x', 40);

	v->autoset_veh(1);

	for (int i : {8, 9}) {
		veh_wing_class const& e = v->wing[i];
		SCOPED_TRACE(i);
		EXPECT_EQ(e.is_left, i == 8 ? 1 : 0);
		EXPECT_EQ(e.side_sign, i == 8 ? -1.0f : 1.0f);
		EXPECT_FLOAT_EQ(e.elem_len, 2);
		// Chords at the three stations: 2, 1.5 and 1; cos 60 = 0.5.
		EXPECT_NEAR(e.elem_area[0], (2 + 1.5) * 0.5 * 4 * 0.5 / 2, 1e-5);
		EXPECT_NEAR(e.elem_area[1], (1.5 + 1) * 0.5 * 4 * 0.5 / 2, 1e-5);
		EXPECT_NEAR(e.elem_mac[0], 2 * (3.5 - 3 / 3.5) / 3, 1e-5);
		EXPECT_NEAR(e.elem_mac[1], 2 * (2.5 - 1.5 / 2.5) / 3, 1e-5);
		for (int s = 0; s <= 2; ++s) EXPECT_EQ(v->span_fac_b[i][s], 1.0f) << s;
		EXPECT_EQ(v->span_fac_b[i][3], 0.0f);
		EXPECT_EQ(v->part[i].part_nrow, 4);
		EXPECT_EQ(v->part[i].part_ncol, 14);
		EXPECT_STREQ(e.wing_afl_name[0], "root.afl");
		EXPECT_EQ(std::string(e.wing_afl_name[2], 37), std::string(37, 'u'));
	}
	EXPECT_EQ(std::string(v->wing[9].wing_afl_name[1], 40), std::string(40, 't'));
	EXPECT_EQ(v->part[8].part_x, -1.5f);
	EXPECT_EQ(v->wing[9].surf_start[4], 1.0f);
	EXPECT_EQ(v->wing[9].surf_end[4], 2.0f);
	EXPECT_EQ(v->wing[8].surf_start[4], 10.0f);  // surface kinds are not copied
	EXPECT_EQ(v->has_ctrl_2, 1);
	EXPECT_EQ(v->has_ctrl_1, 0);
	// 1 + 2 (0.25 + 0.25 r) against cgZ 1.6: r 0.5 on wing 9, 0 on wing 8.
	EXPECT_EQ(v->wing[9].ahead_of_cg, 0);
	EXPECT_EQ(v->wing[8].ahead_of_cg, 1);

	// Blade: base 0.2 up, then half a unit along each earlier element's sweep.
	float const bx[4] = {0, 0.5f, 0.5f, 1.0f}, bz[4] = {0.2f, 0.2f, 0.7f, 0.7f};
	for (int j = 0; j < 4; ++j) {
		EXPECT_NEAR(b.elem_x[j], bx[j], 1e-5) << j;
		EXPECT_NEAR(b.elem_z[j], bz[j], 1e-5) << j;
		EXPECT_EQ(b.elem_y[j], 0.0f) << j;
	}
	// The propeller's engine body stands on it.
	EXPECT_EQ(v->part[77].part_x, 0.25f);
	EXPECT_EQ(v->part[77].part_y, -1.0f);
	EXPECT_EQ(v->part[77].part_z, 0.5f);
	EXPECT_EQ(std::string(v->tailnum), std::string(39, 'N'));
	EXPECT_EQ(std::string(v->v740_646098), std::string(39, 'x'));
}
