#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "content/acft.h"
#include "foundation/app_globals.h"
#include "support/logged_test.h"

namespace {

// A small single-engine aircraft that passes every check; aircraft 1 of two,
// so that a check made on the wrong list entry shows.
struct CheckVehTest : logged_test {
	veh_class* v = nullptr;
	void SetUp() override
	{
		logged_test::SetUp();
		ogl_inited = 1;
		veh.assign(2, veh_class());
		flt.assign(2, flt_class());
		for (int n = 0; n < 2; ++n) {
			veh[n].clear_veh(n);
			flt[n].clear_flt(n);
		}
		v = &veh[1];
		strcpy(v->tailnum, "N123SK");
		v->Vne = 180;
		v->m_empty = 700;
		v->m_max = 1100;
		v->cgZ = 2;
		v->num_engn = 1;
		v->num_prop = 1;
		v->throt_max = 1;
		v->power_max = 150;
		v->mp_max = 29.92f;
		v->rpm_idle = 600;
		v->rpm_max = 2700;
		v->rpm_prop = 2400;
		v->engn[0].eng_type = 0;
		v->engn[0].prop_type = 0;
		v->engn[0].pitch_fine = 20;
		v->engn[0].pitch_coarse = 20;
		v->set_base_sfc(0);
		v->m_fuel_tot = 100;
		v->num_tank = 2;
		v->tank_rat[0] = 0.5f;
		v->tank_rat[1] = 0.5f;
		for (int i = 8; i <= 9; ++i) {
			v->part[i].part_exists = 1;
			v->wing[i].chord_root = 1.5f;
		}
		for (int i = 0; i < veh_part_slots; ++i) stls.text[STL_part_name + i] = "part " + std::to_string(i);
		stls.text[STL_part_name + 9] = "Right Wing 1";
	}
	void rocket(int slot, int type)
	{
		v->engn[slot].eng_type = type;
		v->rock_thrust_0 = v->rock_thrust_1 = v->rock_thrust_2 = 1000;
		v->set_base_sfc(type);
	}
	void jet(int slot)
	{
		v->engn[slot].eng_type = 4;
		v->jet_thrust = 2000;
		v->jet_comp_area = 0.5f;
		v->set_base_sfc(4);
	}
};

struct texts {
	char const *msg1, *msg2, *msg3;
};

char const rocket_1[] = "You requested a rocket engine in the ENGINES screen, but have entered an engine thrust of zero!";
char const rocket_2[] = "This is not good. To fly a glider, enter a number of engines of ZERO.";

texts const expected[26] = {
    {},
    {"This plane has no tail number!", "You must have a tail number!", "This is needed for ATC, logbooks, etc."},
    {"You entered a Vne of zero!", "You need to change this or the plane will over-stress just sitting there!", ""},
    {"You have entered an empty weight of zero!", "This defies the immutable laws of physics!",
     "Please do not defy the immutable laws of physics!"},
    {"You have entered a maximum weight of zero!", "This defies the immutable laws of physics!",
     "Please do not defy the immutable laws of physics!"},
    {"You have selected an empty weight that is greater than the maximum weight for this airplane!",
     "I know some planes cannot carry much, but this is out of control!", ""},
    {"You put a water rudder in front of the center of gravity!",
     "There is no way you will be able to steer this thing on the water!", ""},
    {"This aircraft has reverse-thrust capability as decided in the ENGINES screen.",
     "But there is a problem: The max THROTTLE available for reverse thrust as decided in the ENGINES screen is ZERO "
     "PERCENT! OOPS!",
     "We won't get much reverse thrust when the maximum allowable throttle while in reverse is zero percent!"},
    {"Problem: The max THROTTLE available as decided in Craftwright is ZERO PERCENT! OOPS!",
     "Fix this in the ENGINES screen in Craftwright.",
     "If you are trying to make a glider, enter a number of engines of zero."},
    {rocket_1, rocket_2, ""},
    {rocket_1, rocket_2, ""},
    {rocket_1, rocket_2, ""},
    {"You requested a jet engine in the ENGINES screen, but have entered an engine thrust of zero!",
     "This is not good. To fly a glider, enter a number of engines of ZERO. To fly a prop plane, enter that as the "
     "engine type.",
     ""},
    {"You requested a reciprocating or turbine engine in the ENGINES screen, but have entered an engine power of zero!",
     "This is not good. To fly a glider, enter a number of engines of ZERO. To fly a jet, enter that as the engine "
     "type.",
     ""},
    {"You have entered a maximum manifold pressure in the ENGINES screen of 0!",
     "It is not possible for a reciprocating engine to operate at full power with zero manifold pressure!",
     "Enter a correct maximum manifold pressure in the ENGINES screen... probably 29.92 for normally-aspirated "
     "engines."},
    {"Do not enter zero as a compressor area for a jet engine!", "You are asking for thrust from zero area!",
     "I hate it when my users try to break the laws of physics!"},
    {"You have entered zero for some of the engine RPM parameters in the ENGINES screen!",
     "Do not tell me the props turn at zero rpm in flight!", ""},
    {"You entered an idle rpm greater then the maximum engine rpm in the ENGINES screen!", "That is not possible.",
     "You must fix this."},
    {"This design is either a helicopter or a plane with a variable-pitch prop.",
     "The problem is, you have entered the same coarse and fine pitch!",
     "This will make prop or rotor control impossible!"},
    {"This design has a fixed-pitch prop, but you entered different fine and coarse pitches in the props screen!",
     "Duh-OH!", ""},
    {"Look at the WEIGHT AND BALANCE window. Then look at the RATIO of fuel in each fuel tank.",
     "Those numbers indicate the fraction of your total fuel in each tank. Those ratios must all add up to 1.00... "
     "right now they do not!",
     "Your fuel must be 100% distributed across the fuel tanks!"},
    {"Oops!", "You entered a wing with a root chord of zero! You cannot have a wing with zero chord! The wing is:",
     "Right Wing 1"},
    {"Oops!", "You entered a Specific Fuel Consumption of ZERO for a rocket engine!", "You cannot do that!"},
    {"Oops!", "You entered a Specific Fuel Consumption of ZERO for a jet engine!", "You cannot do that!"},
    {"Oops!", "You entered a Specific Fuel Consumption of ZERO for a recip or turboprop engine!",
     "You cannot do that!"},
    {"Oops!", "You entered a Specific Fuel Consumption of ZERO for a recip or turboprop engine!",
     "You cannot do that!"},
};

}  // namespace

TEST_F(CheckVehTest, FirstFailingCheckIsTheOneAlert)
{
	using mutation = std::function<void(CheckVehTest&, veh_class&)>;
	struct {
		char const* name;
		mutation change;
		int check;  // 0: no alert
	} const cases[] = {
	    {"valid aircraft", [](CheckVehTest&, veh_class&) {}, 0},
	    {"blank tail number", [](CheckVehTest&, veh_class& a) { strcpy(a.tailnum, "   "); }, 1},
	    {"empty tail number", [](CheckVehTest&, veh_class& a) { a.tailnum[0] = 0; }, 1},
	    {"one non-blank character", [](CheckVehTest&, veh_class& a) { strcpy(a.tailnum, "   x "); }, 0},
	    {"tail number filling its field", [](CheckVehTest&, veh_class& a) { memset(a.tailnum, ' ', 40); }, 1},
	    {"Vne nearest 0.01", [](CheckVehTest&, veh_class& a) { a.Vne = 0.01f; }, 2},
	    {"Vne 0.02", [](CheckVehTest&, veh_class& a) { a.Vne = 0.02f; }, 0},
	    {"empty weight zero", [](CheckVehTest&, veh_class& a) { a.m_empty = 0; }, 3},
	    {"maximum weight zero", [](CheckVehTest&, veh_class& a) { a.m_max = 0.005f; }, 4},
	    {"empty above maximum", [](CheckVehTest&, veh_class& a) { a.m_empty = 1100.5f; }, 5},
	    {"equal weights", [](CheckVehTest&, veh_class& a) { a.m_empty = a.m_max; }, 0},
	    {"water rudder ahead of the cg",
	     [](CheckVehTest&, veh_class& a) {
		     a.water_rud_area = 0.2f;
		     a.water_rud_z = 1.9f;
	     },
	     6},
	    {"water rudder at the cg",
	     [](CheckVehTest&, veh_class& a) {
		     a.water_rud_area = 0.2f;
		     a.water_rud_z = a.cgZ;
	     },
	     0},
	    {"no water rudder", [](CheckVehTest&, veh_class& a) { a.water_rud_z = -5; }, 0},
	    {"reverse with no reverse throttle", [](CheckVehTest&, veh_class& a) { a.has_reverse = 1; }, 7},
	    {"reverse with reverse throttle",
	     [](CheckVehTest&, veh_class& a) {
		     a.has_reverse = 1;
		     a.throt_max_rev = 0.5f;
	     },
	     0},
	    {"no throttle", [](CheckVehTest&, veh_class& a) { a.throt_max = 0.0009f; }, 8},
	    {"glider without throttle",
	     [](CheckVehTest&, veh_class& a) {
		     a.num_engn = 0;
		     a.throt_max = 0;
		     a.sfc_prop[0] = 0;
	     },
	     0},
	    {"rocket thrust 0 zero",
	     [](CheckVehTest& t, veh_class& a) {
		     t.rocket(0, 6);
		     a.rock_thrust_0 = 0;
	     },
	     9},
	    {"rocket thrust 1 zero",
	     [](CheckVehTest& t, veh_class& a) {
		     t.rocket(0, 6);
		     a.rock_thrust_1 = 0;
	     },
	     10},
	    {"rocket thrust 2 zero",
	     [](CheckVehTest& t, veh_class& a) {
		     t.rocket(0, 6);
		     a.rock_thrust_2 = 0;
	     },
	     11},
	    {"jet thrust zero",
	     [](CheckVehTest& t, veh_class& a) {
		     t.jet(0);
		     a.jet_thrust = 0;
	     },
	     12},
	    {"power zero", [](CheckVehTest&, veh_class& a) { a.power_max = 0; }, 13},
	    {"type 7 rocket without power",
	     [](CheckVehTest& t, veh_class& a) {
		     t.rocket(0, 7);
		     a.power_max = 0;
	     },
	     13},
	    {"manifold pressure zero", [](CheckVehTest&, veh_class& a) { a.mp_max = 0; }, 14},
	    {"manifold pressure not asked of type 2",
	     [](CheckVehTest&, veh_class& a) {
		     a.engn[0].eng_type = 2;
		     a.mp_max = 0;
		     a.set_base_sfc(2);
	     },
	     0},
	    {"compressor area zero",
	     [](CheckVehTest& t, veh_class& a) {
		     t.jet(0);
		     a.jet_comp_area = 0;
	     },
	     15},
	    {"maximum rpm below 1",
	     [](CheckVehTest&, veh_class& a) {
		     a.rpm_max = 0.99f;
		     a.rpm_idle = 0;
	     },
	     16},
	    {"second rpm below 1", [](CheckVehTest&, veh_class& a) { a.rpm_prop = 0; }, 16},
	    {"idle above maximum", [](CheckVehTest&, veh_class& a) { a.rpm_idle = 2701; }, 17},
	    {"variable pitch, equal pitches", [](CheckVehTest&, veh_class& a) { a.engn[0].prop_type = 1; }, 18},
	    {"variable pitch, coarse below fine",
	     [](CheckVehTest&, veh_class& a) {
		     a.engn[0].prop_type = 4;
		     a.engn[0].pitch_coarse = 10;
	     },
	     18},
	    {"variable pitch, coarse above fine",
	     [](CheckVehTest&, veh_class& a) {
		     a.engn[0].prop_type = 3;
		     a.engn[0].pitch_coarse = 30;
	     },
	     0},
	    {"fixed pitch, different pitches", [](CheckVehTest&, veh_class& a) { a.engn[0].pitch_coarse = 20.5f; }, 19},
	    {"fixed pitch, coarse below fine", [](CheckVehTest&, veh_class& a) { a.engn[0].pitch_coarse = 10; }, 0},
	    {"pitches of a jet's site not looked at",
	     [](CheckVehTest& t, veh_class& a) {
		     t.jet(0);
		     a.engn[0].pitch_coarse = 99;
	     },
	     0},
	    {"tanks 0.5 and 0.49", [](CheckVehTest&, veh_class& a) { a.tank_rat[1] = 0.49f; }, 20},
	    {"tanks above 1.005", [](CheckVehTest&, veh_class& a) { a.tank_rat[1] = 0.51f; }, 20},
	    {"no fuel, ratios not looked at",
	     [](CheckVehTest&, veh_class& a) {
		     a.m_fuel_tot = 0;
		     a.tank_rat[1] = 0.1f;
	     },
	     0},
	    {"wing without root chord", [](CheckVehTest&, veh_class& a) { a.wing[9].chord_root = 0.0005f; }, 21},
	    {"absent wing not looked at",
	     [](CheckVehTest&, veh_class& a) {
		     a.part[9].part_exists = 0;
		     a.wing[9].chord_root = 0;
	     },
	     0},
	    {"propeller disc not looked at",
	     [](CheckVehTest&, veh_class& a) {
		     a.part[3].part_exists = 1;
		     a.wing[3].chord_root = 0;
		     a.wing[0].chord_root = 0;
	     },
	     0},
	    {"rocket without consumption",
	     [](CheckVehTest& t, veh_class& a) {
		     t.rocket(0, 6);
		     a.sfc_rocket = 0;
	     },
	     22},
	    {"jet without consumption",
	     [](CheckVehTest& t, veh_class& a) {
		     t.jet(0);
		     a.sfc_jet[3] = 0;
	     },
	     23},
	    {"type 1 without consumption",
	     [](CheckVehTest&, veh_class& a) {
		     a.engn[0].eng_type = 1;
		     a.sfc_prop[0] = 0;
	     },
	     24},
	    {"type 8 without consumption",
	     [](CheckVehTest&, veh_class& a) {
		     a.engn[0].eng_type = 8;
		     a.sfc_prop[4] = 0;
	     },
	     25},
	    {"type 3 never asked for consumption",
	     [](CheckVehTest&, veh_class& a) {
		     a.engn[0].eng_type = 3;
		     memset(a.sfc_prop, 0, sizeof a.sfc_prop);
	     },
	     0},
	    {"two faults: the earlier is told",
	     [](CheckVehTest&, veh_class& a) {
		     a.m_max = 0;
		     a.Vne = 0;
	     },
	     2},
	    {"engine 0's late check before engine 1's early one",
	     [](CheckVehTest& t, veh_class& a) {
		     a.num_engn = 2;
		     a.rpm_idle = 2701;
		     t.jet(1);
		     a.jet_thrust = 0;
	     },
	     17},
	    {"second engine without consumption",
	     [](CheckVehTest&, veh_class& a) {
		     a.num_engn = 2;
		     a.engn[1].eng_type = 5;
		     a.jet_thrust = 100;
		     a.jet_comp_area = 1;
	     },
	     23},
	    {"counts past the slots",
	     [](CheckVehTest&, veh_class& a) {
		     a.num_engn = 50;
		     a.num_prop = 50;
		     a.num_tank = 50;
	     },
	     0},
	};
	for (auto const& c : cases) {
		SetUp();
		c.change(*this, *v);
		recorded_alerts().clear();
		v->check_veh(1);
		std::vector<recorded_alert> const& got = recorded_alerts();
		if (c.check == 0) {
			EXPECT_TRUE(got.empty()) << c.name << ": " << (got.empty() ? "" : got[0].msg1);
			continue;
		}
		ASSERT_EQ(got.size(), 1u) << c.name;
		texts const& e = expected[c.check];
		EXPECT_EQ(got[0].msg1, e.msg1) << c.name;
		EXPECT_EQ(got[0].msg2, e.msg2) << c.name;
		EXPECT_EQ(got[0].msg3, e.msg3) << c.name;
		EXPECT_EQ(got[0].msg4, "") << c.name;
		EXPECT_EQ(got[0].window, 0) << c.name;
		EXPECT_EQ(got[0].severity, 1) << c.name;
		EXPECT_EQ(got[0].position.rfind("(ROdized/OOPS_cpp/acft line ", 0), 0u) << c.name;
	}
}

TEST_F(CheckVehTest, FailedWingIsNotChecked)
{
	// A wing whose failure state says absent is not there to check.
	v->wing[9].chord_root = 0;
	flt[1].fail[9 + 205] = 6;
	v->check_veh(1);
	EXPECT_TRUE(recorded_alerts().empty());
	flt[1].fail[9 + 205] = 0;
	v->check_veh(1);
	ASSERT_EQ(recorded_alerts().size(), 1u);
	EXPECT_EQ(recorded_alerts()[0].msg3, "Right Wing 1");
}
