#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <type_traits>

#include "content/acft.h"
#include "foundation/app_globals.h"
#include "support/logged_test.h"

namespace {

// An empty record has no bytes of its own to check.
template <class T>
bool all_zero(T const& v)
{
	if (std::is_empty<T>::value) return true;
	unsigned char const* p = reinterpret_cast<unsigned char const*>(&v);
	for (size_t i = 0; i < sizeof(T); ++i)
		if (p[i]) return false;
	return true;
}

template <class T>
void poison(T& v)
{
	memset(static_cast<void*>(&v), 0x5a, sizeof(T));
}

// Two cleared aircraft; aircraft 1 is the one under test, so that a link to
// the wrong index shows.
struct AircraftTest : ::testing::Test {
	veh_class* v = nullptr;
	flt_class* f = nullptr;
	void SetUp() override
	{
		veh.clear();
		flt.clear();
		veh.resize(2);
		flt.resize(2);
		for (int n = 0; n < 2; ++n) {
			veh[n].clear_veh(n);
			flt[n].clear_flt(n);
		}
		v = &veh[1];
		f = &flt[1];
	}
};

}  // namespace

// ---- resets -----------------------------------------------------------------

TEST_F(AircraftTest, ClearOnPoisonedRecordsGivesFixedCountsZeroesAndLinks)
{
	poison(static_cast<veh_flat_struct&>(*v));
	v->flt_rec = &flt[0];
	v->engn.assign(3, veh_engn_class{});
	v->wing.resize(100);
	v->part.resize(2);
	poison(v->part[0]);
	v->gear.clear();
	v->door.resize(21);
	v->door_aux.resize(1);
	v->att.resize(30);
	v->att_aux.clear();
	v->afl.resize(57);
	v->wpn.resize(26);
	poison(v->wpn[0].wpn_part);
	v->wpn[0].wpn_head[1] = 9;
	v->wpn[0].vec_bro.resize(4);
	v->obj.resize(1);
	f->veh_rec = &veh[0];
	poison(static_cast<flt_flat_struct&>(*f));
	f->phi = 30;
	f->the = 20;
	f->psi = 10;
	f->engn_f.resize(1);
	f->wing_f.resize(80);
	poison(f->wing_f[0]);
	f->gear_f.clear();
	f->part_f.resize(200);

	v->clear_veh(1);
	f->clear_flt(1);

	EXPECT_TRUE(all_zero(static_cast<veh_flat_struct const&>(*v)));
	EXPECT_EQ(v->flt_rec, &flt[1]);
	EXPECT_EQ(f->veh_rec, &veh[1]);

	auto check = [](auto const& vec, size_t count, char const* name) {
		EXPECT_EQ(vec.size(), count) << name;
		for (auto const& e : vec) EXPECT_TRUE(all_zero(e)) << name;
	};
	check(v->engn, 8, "engn");
	check(v->wing, 56, "wing");
	check(v->part, 95, "part");
	check(v->gear, 10, "gear");
	check(v->door, 20, "door");
	check(v->door_aux, 4, "door_aux");
	check(v->att, 24, "att");
	check(v->att_aux, 24, "att_aux");
	check(v->afl, 56, "afl");
	check(v->obj, 24, "obj");
	ASSERT_EQ(v->wpn.size(), 25u);
	for (wpn_class const& w : v->wpn) {
		EXPECT_TRUE(w.vec_bro.empty());
		EXPECT_TRUE(all_zero(w.wpn_part));
		EXPECT_EQ(w.wpn_head[1], 0);
		EXPECT_EQ(w.wpn_name[0][0], 0);
	}

	EXPECT_EQ(f->phi, 0.0f);
	EXPECT_EQ(f->the, 0.0f);
	EXPECT_EQ(f->psi, 0.0f);
	EXPECT_EQ(f->q[0], 1.0f);
	EXPECT_EQ(f->q[1], 0.0f);
	EXPECT_EQ(f->q[2], 0.0f);
	EXPECT_EQ(f->q[3], 0.0f);
	for (unsigned char s : f->fail) EXPECT_EQ(s, 0);
	check(f->engn_f, 8, "engn_f");
	check(f->wing_f, 56, "wing_f");
	check(f->gear_f, 10, "gear_f");
	check(f->part_f, 95, "part_f");

	for (int i = 0; i < 95; ++i) {
		EXPECT_EQ(v->has_this_part(i), 0) << i;
		EXPECT_EQ(v->has_this_body(i), 0) << i;
		if (i < 56) {
			EXPECT_EQ(v->has_this_wing(i), 0) << i;
		}
	}
	for (int i = 0; i < 8; ++i) {
		EXPECT_EQ(v->has_this_thru(i, 5), 0);
		EXPECT_EQ(v->has_this_thru(i, 6), 0);
		for (int kind = 0; kind <= 4; ++kind) EXPECT_EQ(v->has_this_engn(i, kind), 0);
		EXPECT_EQ(v->eng_has_helo_fadec(i), 0);
		EXPECT_EQ(v->eng_has_plane_fadec(i), 0);
	}
}

// ---- presence queries ---------------------------------------------------------

TEST_F(AircraftTest, EngineKindsFollowTheTypeTable)
{
	// Type -> the kinds that include it, as the model's type table lists them.
	std::set<int> const kinds_of[9] = {{0, 1, 2}, {0, 1, 2}, {0, 1}, {0, 1}, {0, 3},
	                                   {0, 3},    {0, 4},    {0, 1, 4}, {0, 1}};
	v->num_engn = 3;
	for (int type = 0; type <= 8; ++type) {
		for (int i = 0; i < 8; ++i) v->engn[i].eng_type = type;
		for (int kind = 0; kind <= 4; ++kind) {
			EXPECT_EQ(v->has_this_engn(2, kind), kinds_of[type].count(kind) ? 1 : 0)
			    << "type " << type << " kind " << kind;
			EXPECT_EQ(v->has_this_engn(3, kind), 0) << "slot past num_engn";
		}
	}
}

TEST_F(AircraftTest, ThrustSitesBySlotCountsAndTypes)
{
	struct {
		int num_engn, num_prop, slot, eng_type, prop_type;
		int kind5, kind6;
	} const cases[] = {
	    {2, 4, 0, 4, 0, 1, 0},  // a jet is a thrust site, not a propeller
	    {2, 4, 1, 0, 8, 1, 1},  // with an engine, only the engine type counts
	    {2, 4, 1, 7, 0, 1, 1},
	    {2, 4, 1, 6, 0, 1, 0},
	    {2, 4, 2, 4, 0, 1, 1},  // propeller without an engine: its own type
	    {2, 4, 3, 0, 8, 1, 0},  // ... and type 8 is no propeller
	    {2, 4, 4, 0, 0, 0, 0},  // past num_prop
	    {4, 2, 3, 0, 0, 0, 0},  // an engine past num_prop drives no site
	};
	for (auto const& c : cases) {
		v->num_engn = c.num_engn;
		v->num_prop = c.num_prop;
		v->engn[c.slot].eng_type = c.eng_type;
		v->engn[c.slot].prop_type = c.prop_type;
		EXPECT_EQ(v->has_this_thru(c.slot, 5), c.kind5) << "slot " << c.slot;
		EXPECT_EQ(v->has_this_thru(c.slot, 6), c.kind6) << "slot " << c.slot;
		EXPECT_EQ(v->has_this_part(c.slot), c.kind6) << "slot " << c.slot;
		EXPECT_EQ(v->has_this_wing(c.slot), c.kind6) << "slot " << c.slot;
	}
}

TEST_F(AircraftTest, VectoredSiteStopsCountingAtNinetyDegrees)
{
	v->num_engn = 1;
	v->num_prop = 1;
	struct {
		int flag;
		float ang;
		int expect;
	} const cases[] = {{1, 90.0f, 0}, {1, 120.0f, 0}, {1, 89.9f, 1}, {0, 90.0f, 1}};
	for (auto const& c : cases) {
		v->vect_thru_flag = c.flag;
		f->engn_f[0].vect_ang = c.ang;
		EXPECT_EQ(v->has_this_thru(0, 5), c.expect) << c.flag << " " << c.ang;
		EXPECT_EQ(v->has_this_thru(0, 6), c.expect) << c.flag << " " << c.ang;
	}
}

TEST_F(AircraftTest, FailureItemsRemoveTheirParts)
{
	v->num_engn = 8;
	v->num_prop = 8;
	for (int i = 0; i < 95; ++i) v->part[i].part_exists = 1;

	// Item 77 + i: thrust site, engine and body together; state 5 is no failure.
	f->fail[80] = 5;
	EXPECT_EQ(v->has_this_body(80), 1);
	f->fail[80] = 6;
	EXPECT_EQ(v->has_this_thru(3, 5), 0);
	EXPECT_EQ(v->has_this_thru(3, 6), 0);
	EXPECT_EQ(v->has_this_engn(3, 0), 0);
	EXPECT_EQ(v->has_this_body(80), 0);
	EXPECT_EQ(v->has_this_part(80), 0);
	EXPECT_EQ(v->has_this_part(3), 0);
	EXPECT_EQ(v->has_this_engn(4, 0), 1);
	EXPECT_EQ(v->has_this_body(85), 1);
	// A wing slot above 55 answers the presence word without a failure test.
	EXPECT_EQ(v->has_this_wing(80), 1);
	f->fail[80] = 0;

	struct {
		int item;
		std::set<int> wings;  // wing slots the item removes
	} const cases[] = {
	    {213, {8}}, {235, {30, 40}}, {244, {39, 49}}, {245, {50}}, {250, {55}},
	};
	for (auto const& c : cases) {
		f->fail[c.item] = 6;
		for (int w = 8; w < 56; ++w) {
			int const expect = c.wings.count(w) ? 0 : 1;
			EXPECT_EQ(v->has_this_wing(w), expect) << "item " << c.item << " wing " << w;
			EXPECT_EQ(v->has_this_part(w), expect) << "item " << c.item << " wing " << w;
		}
		f->fail[c.item] = 0;
	}
}

TEST_F(AircraftTest, PresenceWordIsAnsweredAsStored)
{
	for (int slot : {8, 30, 55, 56, 80, 94}) {
		v->part[slot].part_exists = 2;
		EXPECT_EQ(v->has_this_part(slot), 2) << slot;
		if (slot < 56) {
			EXPECT_EQ(v->has_this_wing(slot), 2) << slot;
		} else {
			EXPECT_EQ(v->has_this_body(slot), 2) << slot;
		}
	}
}

TEST_F(AircraftTest, FadecPairFollowsTypeAndBothFlags)
{
	v->num_engn = 1;
	struct {
		int type, helo_flag, prop3;
		int helo, plane;
	} const cases[] = {
	    {0, 0, 0, 0, 1}, {0, 1, 0, 1, 0}, {0, 0, 1, 1, 0}, {0, 1, 1, 1, 0},
	    {3, 1, 0, 1, 0}, {7, 0, 1, 1, 0}, {8, 0, 0, 0, 1},
	    {4, 1, 1, 0, 1}, {5, 0, 0, 0, 1}, {6, 1, 0, 0, 1},
	};
	for (auto const& c : cases) {
		v->engn[0].eng_type = c.type;
		v->helo_fadec_flag = c.helo_flag;
		v->prop3_present = c.prop3;
		EXPECT_EQ(v->eng_has_helo_fadec(0), c.helo) << c.type << c.helo_flag << c.prop3;
		EXPECT_EQ(v->eng_has_plane_fadec(0), c.plane) << c.type << c.helo_flag << c.prop3;
		// An engine slot past num_engn has neither.
		v->engn[1] = v->engn[0];
		EXPECT_EQ(v->eng_has_helo_fadec(1), 0);
		EXPECT_EQ(v->eng_has_plane_fadec(1), 0);
	}
}

namespace {
struct AcftDeathTest : logged_test {
	void SetUp() override
	{
		logged_test::SetUp();
		ogl_inited = 1;  // in-window alert: the log keeps the alert's own lines
		veh.resize(1);
		flt.resize(1);
		veh[0].clear_veh(0);
		flt[0].clear_flt(0);
	}
};
}  // namespace

TEST_F(AcftDeathTest, UnknownSearchKindsAreFatal)
{
	struct {
		int (*call)();
		char const* text;
	} const cases[] = {
	    {[] { return veh[0].has_this_engn(0, 5); },
	     "Bad has_this_engn search type!\n\n\n\n(ROdized/OOPS_cpp/acft line 53)\n"},
	    {[] { return veh[0].has_this_thru(0, 4); },
	     "Bad has_this_thru search type!\n\n\n\n(ROdized/OOPS_cpp/acft line 72)\n"},
	    {[] { return veh[0].has_this_part(95); },
	     "Bad has_this_part search type!\n\n\n\n(ROdized/OOPS_cpp/acft line 104)\n"},
	};
	for (auto const& c : cases) {
		log = open_test_log(dir);
		EXPECT_EXIT(c.call(), ::testing::ExitedWithCode(1), "");
		EXPECT_EQ(read_text_file(log), c.text);
	}
}

// ---- texture layout -------------------------------------------------------------

TEST_F(AircraftTest, BaseTextureLayoutOfParts)
{
	struct {
		int n, slot, side, sheet;
		float s1, t1, s2, t2;  // s in 1/1024; t in 1/1024 or 1/256 on sheet 1
	} const cases[] = {
	    {0, 18, 0, 0, 18, 0, 268, 259},
	    {0, 18, 1, 0, 270, 0, 520, 259},  // side 1 moved right
	    {0, 19, 1, 0, 270, 261, 520, 520},
	    {0, 56, 0, 0, 0, 774, 772, 1024},
	    {0, 56, 1, 0, 0, 522, 772, 772},  // side 1 moved down
	    {0, 80, 1, 0, 774, 774, 1024, 898},
	    {0, 25, 0, 1, 639, 129, 768, 256},  // second sheet
	    {0, 20, 1, 1, 0, 129, 128, 256},
	    {0, 33, 0, 1, 895, 129, 1024, 256},
	    {0, 60, 0, 1, 383, 0, 512, 127},
	    {0, 0, 0, 0, 0, 262, 16, 390},
	    {0, 12, 0, 0, 522, 305, 646, 520},
	    {0, 57, 0, 1, 0, 0, 128, 127},
	    {0, 90, 1, 0, 648, 261, 772, 303},
	    {1, 0, 0, 0, 16, 262, 0, 389},  // mirrored
	    {1, 7, 1, 0, 16, 262, 0, 389},
	    {1, 13, 1, 0, 522, 262, 646, 393},
	    {1, 15, 0, 0, 648, 262, 772, 393},
	    {1, 57, 0, 0, 522, 395, 772, 520},  // onto the main sheet
	    {1, 58, 1, 0, 522, 395, 772, 520},
	    {1, 59, 0, 1, 255, 0, 384, 127},
	    {1, 18, 1, 0, 270, 0, 520, 259},
	    {1, 56, 1, 0, 0, 522, 772, 772},
	};
	for (auto const& c : cases) {
		veh[c.n].set_base_st(c.n);
		veh_part_class const& p = veh[c.n].part[c.slot];
		float const dt = c.sheet ? 256.0f : 1024.0f;
		SCOPED_TRACE(::testing::Message() << "n " << c.n << " slot " << c.slot << " side " << c.side);
		EXPECT_EQ(p.tex_sheet, c.sheet);
		EXPECT_FLOAT_EQ(p.tex_s1[c.side], c.s1 / 1024.0f);
		EXPECT_FLOAT_EQ(p.tex_t1[c.side], c.t1 / dt);
		EXPECT_FLOAT_EQ(p.tex_s2[c.side], c.s2 / 1024.0f);
		EXPECT_FLOAT_EQ(p.tex_t2[c.side], c.t2 / dt);
	}
}

TEST_F(AircraftTest, BaseTextureLayoutOfGearDoorsWeaponsAndAux)
{
	for (int n = 0; n < 2; ++n) {
		veh_class& a = veh[n];
		a.wpn[24].wpn_part.tex_s2[0] = 7.0f;
		a.wpn[24].wpn_part.tex_t1[1] = 3.0f;
		a.set_base_st(n);
		SCOPED_TRACE(n);
		for (int g = 0; g < 10; ++g) {
			EXPECT_EQ(a.gear_s1[g], 0.0f);
			EXPECT_FLOAT_EQ(a.gear_t1[g], 132 / 1024.0f);
			EXPECT_FLOAT_EQ(a.gear_s2[g], 16 / 1024.0f);
			EXPECT_FLOAT_EQ(a.gear_t2[g], 259 / 1024.0f);
		}
		for (int side = 0; side < 2; ++side) {
			for (veh_door_class const& d : a.door) {
				EXPECT_EQ(d.door_s1[side], 0.0f);
				EXPECT_FLOAT_EQ(d.door_t1[side], 393 / 1024.0f);
				EXPECT_FLOAT_EQ(d.door_s2[side], 16 / 1024.0f);
				EXPECT_FLOAT_EQ(d.door_t2[side], 520 / 1024.0f);
			}
			for (veh_door_class const& d : a.door_aux) {
				EXPECT_EQ(d.door_s1[side], 0.0f);
				EXPECT_EQ(d.door_t1[side], 0.0f);
				EXPECT_FLOAT_EQ(d.door_s2[side], 16 / 1024.0f);
				EXPECT_FLOAT_EQ(d.door_t2[side], 129 / 1024.0f);
			}
		}
		for (int w = 0; w < 24; ++w) {
			veh_part_class const& p = a.wpn[w].wpn_part;
			float const expect[4][2] = {{0, 0}, {0.5f, 0}, {0.5078125f, 0.5078125f}, {1.0f, 0.5f}};
			float const* got[4] = {p.tex_s1, p.tex_t1, p.tex_s2, p.tex_t2};
			for (int k = 0; k < 4; ++k)
				for (int side = 0; side < 2; ++side) EXPECT_EQ(got[k][side], expect[k][side]) << w;
		}
		EXPECT_EQ(a.wpn[24].wpn_part.tex_s2[0], 7.0f);
		EXPECT_EQ(a.wpn[24].wpn_part.tex_t1[1], 3.0f);
		EXPECT_EQ(a.wpn[24].wpn_part.tex_s1[0], 0.0f);
	}
	float const aux0[8] = {522, 566, 261, 261, 564, 646, 303, 303};
	float const aux1[8] = {0, 0, 0, 40, 10, 10, 10, 80};
	for (int k = 0; k < 8; ++k) {
		EXPECT_FLOAT_EQ(veh[0].aux_st[k], aux0[k] / 1024.0f) << k;
		EXPECT_FLOAT_EQ(veh[1].aux_st[k], aux1[k] / 1024.0f) << k;
	}
}

// ---- fuel, FADEC and autopilot defaults ---------------------------------------

TEST_F(AircraftTest, FuelDefaultsAndTheirTestPerType)
{
	enum { none, prop, jet, rocket };
	struct {
		int type, block;
		float value, aux;
		int zero_when_cleared;
	} const cases[] = {
	    {0, prop, 0.44f, 0.25f, 1}, {1, prop, 0.4f, 0.25f, 1}, {2, prop, 0.7f, 0.25f, 1},
	    {3, prop, 0.0f, 0.0f, 0},   {4, jet, 0.85f, 0.1f, 1},  {5, jet, 0.55f, 0.1f, 1},
	    {6, rocket, 9.97f, 0, 1},   {7, rocket, 13.5f, 0, 1},  {8, prop, 0.6f, 0.25f, 1},
	    {9, none, 0, 0, 0},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.type);
		v->clear_veh(1);
		v->engn[2].eng_type = c.type;
		EXPECT_EQ(v->zero_sfc(2), c.zero_when_cleared);

		for (int e = 0; e < 6; ++e) v->sfc_prop[e] = v->sfc_jet[e] = 1.5f;
		v->sfc_rocket = 1.5f;
		v->set_base_sfc(c.type);
		for (int e = 0; e < 6; ++e) {
			float want_prop = 1.5f, want_jet = 1.5f;
			float const set = e == 5 ? c.aux : c.value;
			if (e != 2 && c.block == prop) want_prop = set;
			if (e != 2 && c.block == jet) want_jet = set;
			EXPECT_EQ(v->sfc_prop[e], want_prop) << e;
			EXPECT_EQ(v->sfc_jet[e], want_jet) << e;
		}
		EXPECT_EQ(v->sfc_rocket, c.block == rocket ? c.value : 1.5f);

		// Entry 2 is never tested; any of 0, 1, 3, 4 at zero is.
		v->sfc_prop[2] = v->sfc_jet[2] = 0;
		EXPECT_EQ(v->zero_sfc(2), 0);
		if (c.block == prop || c.block == jet) {
			float* block = c.block == prop ? v->sfc_prop : v->sfc_jet;
			if (c.type != 3) {
				block[4] = 0;
				EXPECT_EQ(v->zero_sfc(2), 1);
			}
			block[5] = 0;
			block[4] = 1;
			block[0] = 1;  // type 3's zeroed block has its non-zero entries back
			block[1] = 1;
			block[3] = 1;
			EXPECT_EQ(v->zero_sfc(2), 0);
		}
	}
}

TEST_F(AircraftTest, AutopilotDefaultsFollowMaximumWeight)
{
	struct {
		float m_max;
		float gain, g;
	} const cases[] = {
	    {0, 30.0f, 1.0f},
	    {1000, 29.920634f, 1.0396832f},
	    {100000, 22.063361f, 4.9683197f},
	    {1000000, 12.0f, 10.0f},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.m_max);
		v->m_max = c.m_max;
		v->cus_auto[9] = 42.0f;
		v->set_cus_auto();
		float const want[15] = {0.1f, 10, 20, 10, 0.2f * c.g, c.gain, 4, 10, 8, 42, 4, 0.1f * c.g, c.gain, 4, 0.2f};
		for (int k = 0; k < 15; ++k) EXPECT_NEAR(v->cus_auto[k], want[k], 2e-5f * (1 + want[k])) << k;
	}
	v->set_cus_fadec();
	EXPECT_FLOAT_EQ(v->cus_fadec[0], 0.004f);
	EXPECT_FLOAT_EQ(v->cus_fadec[1], 0.01f);
	EXPECT_FLOAT_EQ(v->cus_fadec[2], 0.01f);
}

// ---- door geometry --------------------------------------------------------------

TEST(DoorGeometry, GridCornersAndArea)
{
	struct {
		char const* name;
		float a[3], b[3], c[3], d[3];
		float area;
		float mid[3];  // grid point (1, 2)
	} const cases[] = {
	    {"square", {0, 0, 0}, {3, 0, 0}, {3, 3, 0}, {0, 3, 0}, 9.0f, {2, 1, 0}},
	    {"tilted square", {0, 0, 0}, {3, 0, 0}, {3, 3, 6}, {0, 3, 6}, 9.0f, {2, 1, 2}},
	    {"reversed square", {3, 3, 0}, {0, 3, 0}, {0, 0, 0}, {3, 0, 0}, 9.0f, {1, 2, 0}},
	    {"trapezoid", {0, 0, 0}, {6, 0, 0}, {5, 2, 0}, {1, 2, 0}, 10.0f, {35.0f / 9.0f, 2.0f / 3.0f, 0}},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.name);
		veh_door_class door{};
		float a[3], b[3], cc[3], d[3];
		memcpy(a, c.a, sizeof a);
		memcpy(b, c.b, sizeof b);
		memcpy(cc, c.c, sizeof cc);
		memcpy(d, c.d, sizeof d);
		door.set_door_geo(a, b, cc, d);
		for (int x = 0; x < 3; ++x) {
			EXPECT_FLOAT_EQ(door.door_geo[0][0][x], c.a[x]);
			EXPECT_FLOAT_EQ(door.door_geo[0][3][x], c.b[x]);
			EXPECT_FLOAT_EQ(door.door_geo[3][3][x], c.c[x]);
			EXPECT_FLOAT_EQ(door.door_geo[3][0][x], c.d[x]);
			EXPECT_NEAR(door.door_geo[1][2][x], c.mid[x], 1e-5);
		}
		EXPECT_NEAR(door.door_area, c.area, 1e-4);
	}
}

// ---- airfoil locations ----------------------------------------------------------

TEST_F(AircraftTest, FoilLocationOnABladeClampsItsStation)
{
	veh_wing_class& w = v->wing[2];
	w.elem_len = 2.0f;
	for (int k = 0; k < 10; ++k) {
		w.elem_x[k] = 10.0f * k + 1;
		w.elem_y[k] = 10.0f * k + 2;
		w.elem_z[k] = 10.0f * k + 3;
		v->engn[2].blade_sweep[k] = 60.0f;
	}
	v->engn[2].blade_sweep[0] = 0.0f;
	float const s60 = std::sqrt(3.0f) / 2.0f;
	struct {
		float pos;
		float x, y, z;
	} const cases[] = {
	    {12.5f, 91 + 3.5f * 2 * 0.5f, 92, 93 + 3.5f * 2 * s60},  // element 9, r = 3.5
	    {-1.5f, 1 - 1.5f * 2, 2, 3},                           // element 0, r = -1.5
	    {4.25f, 41 + 0.25f * 2 * 0.5f, 42, 43 + 0.25f * 2 * s60},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.pos);
		EXPECT_NEAR(v->get_foil_loc(2, c.pos, 'X'), c.x, 1e-4);
		EXPECT_NEAR(v->get_foil_loc(2, c.pos, 'Y'), c.y, 1e-4);
		EXPECT_NEAR(v->get_foil_loc(2, c.pos, 'Z'), c.z, 1e-4);
		EXPECT_NEAR(v->get_foil_loc(2, c.pos, 'q'), c.z, 1e-4);
	}
	// Stations beyond the int range still clamp to the last and the first element.
	EXPECT_EQ(v->get_foil_loc(2, 4e9f, 'Y'), 92.0f);
	EXPECT_EQ(v->get_foil_loc(2, -4e9f, 'Y'), 2.0f);
	EXPECT_EQ(v->get_foil_loc(2, std::nanf(""), 'Y'), 2.0f);
}

TEST_F(AircraftTest, FoilLocationOnAWingUsesFlightFactorsAndShift)
{
	veh_wing_class& w = v->wing[10];
	w.elem_len = 2.0f;
	w.semilen = 5.0f;
	w.shift_fac = 0.2f;
	w.side_sign = -1.0f;
	w.chord_root = 2.0f;
	w.chord_tip = 1.0f;
	v->part[10].part_x = 1.0f;
	v->part[10].part_y = 2.0f;
	v->part[10].part_z = 3.0f;
	v->span_fac[10][2] = 0.1f;
	v->span_fac[10][3] = 0.4f;  // pos 2.5 rounds away from zero
	flt_wing_class& fw = f->wing_f[10];
	fw.cfac_x = 0.8f;
	fw.cfac_y = 0.5f;
	fw.cfac_z = 0.6f;
	fw.cfac_xy = 0.9f;
	for (int shift : {0, 1}) {
		w.shift_on = shift;
		float const s = shift ? 4.0f : 5.0f;
		SCOPED_TRACE(shift);
		EXPECT_NEAR(v->get_foil_loc(10, 2.5f, 'X'), -s * 0.9f * 0.8f + 1.0f, 1e-5);
		EXPECT_NEAR(v->get_foil_loc(10, 2.5f, 'Y'), s * 0.9f * 0.5f + 2.0f, 1e-5);
		EXPECT_NEAR(v->get_foil_loc(10, 2.5f, 'Z'), s * 0.6f + 3.0f + 1.5f * 0.4f, 1e-5);
	}
	w.shift_on = 0;
	EXPECT_NEAR(v->get_foil_loc(10, 2.4f, 'Z'), 4.8f * 0.6f + 3.0f + 1.5f * 0.1f, 1e-5);
}
