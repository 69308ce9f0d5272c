// The design checks: the first implausible value of a design is told to the
// designer in one alert.
#include <cstring>

#include "content/acft.h"
#include "content/acft_internal.h"
#include "foundation/alert.h"
#include "foundation/app_globals.h"

namespace {

struct check_row {
	int number;
	char const* msg1;
	char const* msg2;
	char const* msg3;  // null: the failing part's display name
};

char const rocket_1[] = "You requested a rocket engine in the ENGINES screen, but have entered an engine thrust of zero!";
char const rocket_2[] = "This is not good. To fly a glider, enter a number of engines of ZERO.";
char const physics_2[] = "This defies the immutable laws of physics!";
char const physics_3[] = "Please do not defy the immutable laws of physics!";
char const sfc_recip[] = "You entered a Specific Fuel Consumption of ZERO for a recip or turboprop engine!";
char const cannot[] = "You cannot do that!";

check_row const checks[25] = {
    {1, "This plane has no tail number!", "You must have a tail number!", "This is needed for ATC, logbooks, etc."},
    {2, "You entered a Vne of zero!",
     "You need to change this or the plane will over-stress just sitting there!", ""},
    {3, "You have entered an empty weight of zero!", physics_2, physics_3},
    {4, "You have entered a maximum weight of zero!", physics_2, physics_3},
    {5, "You have selected an empty weight that is greater than the maximum weight for this airplane!",
     "I know some planes cannot carry much, but this is out of control!", ""},
    {6, "You put a water rudder in front of the center of gravity!",
     "There is no way you will be able to steer this thing on the water!", ""},
    {7, "This aircraft has reverse-thrust capability as decided in the ENGINES screen.",
     "But there is a problem: The max THROTTLE available for reverse thrust as decided in the ENGINES screen is "
     "ZERO PERCENT! OOPS!",
     "We won't get much reverse thrust when the maximum allowable throttle while in reverse is zero percent!"},
    {8, "Problem: The max THROTTLE available as decided in Craftwright is ZERO PERCENT! OOPS!",
     "Fix this in the ENGINES screen in Craftwright.",
     "If you are trying to make a glider, enter a number of engines of zero."},
    {9, rocket_1, rocket_2, ""},
    {10, rocket_1, rocket_2, ""},
    {11, rocket_1, rocket_2, ""},
    {12, "You requested a jet engine in the ENGINES screen, but have entered an engine thrust of zero!",
     "This is not good. To fly a glider, enter a number of engines of ZERO. To fly a prop plane, enter that as the "
     "engine type.",
     ""},
    {13,
     "You requested a reciprocating or turbine engine in the ENGINES screen, but have entered an engine power of "
     "zero!",
     "This is not good. To fly a glider, enter a number of engines of ZERO. To fly a jet, enter that as the engine "
     "type.",
     ""},
    {14, "You have entered a maximum manifold pressure in the ENGINES screen of 0!",
     "It is not possible for a reciprocating engine to operate at full power with zero manifold pressure!",
     "Enter a correct maximum manifold pressure in the ENGINES screen... probably 29.92 for normally-aspirated "
     "engines."},
    {15, "Do not enter zero as a compressor area for a jet engine!", "You are asking for thrust from zero area!",
     "I hate it when my users try to break the laws of physics!"},
    {16, "You have entered zero for some of the engine RPM parameters in the ENGINES screen!",
     "Do not tell me the props turn at zero rpm in flight!", ""},
    {17, "You entered an idle rpm greater then the maximum engine rpm in the ENGINES screen!", "That is not possible.",
     "You must fix this."},
    {18, "This design is either a helicopter or a plane with a variable-pitch prop.",
     "The problem is, you have entered the same coarse and fine pitch!",
     "This will make prop or rotor control impossible!"},
    {19,
     "This design has a fixed-pitch prop, but you entered different fine and coarse pitches in the props screen!",
     "Duh-OH!", ""},
    {20, "Look at the WEIGHT AND BALANCE window. Then look at the RATIO of fuel in each fuel tank.",
     "Those numbers indicate the fraction of your total fuel in each tank. Those ratios must all add up to 1.00... "
     "right now they do not!",
     "Your fuel must be 100% distributed across the fuel tanks!"},
    {21, "Oops!",
     "You entered a wing with a root chord of zero! You cannot have a wing with zero chord! The wing is:", nullptr},
    {22, "Oops!", "You entered a Specific Fuel Consumption of ZERO for a rocket engine!", cannot},
    {23, "Oops!", "You entered a Specific Fuel Consumption of ZERO for a jet engine!", cannot},
    {24, "Oops!", sfc_recip, cannot},
    {25, "Oops!", sfc_recip, cannot},
};

// The small thresholds are doubles against the widened float.
bool below(float v, double limit)
{
	return static_cast<double>(v) < limit;
}

int bounded(int count, int slots)
{
	return count < 0 ? 0 : count > slots ? slots : count;
}

enum { kind_power = 1, kind_mp = 2, kind_jet = 3, kind_rocket = 4 };

}  // namespace

void veh_class::check_veh(int n)
{
	auto fail = [](int number, int line, std::string const& part_name = std::string()) {
		check_row const& c = checks[number - 1];
		__VEDEZE_alert(0, c.msg1, c.msg2, c.msg3 ? c.msg3 : part_name, "", 1, acft_source_name, line);
	};

	size_t const tail_len = strnlen(tailnum, sizeof tailnum);
	bool blank = true;
	for (size_t k = 0; k < tail_len; ++k)
		if (tailnum[k] != ' ') blank = false;
	if (blank) return fail(1, __LINE__);
	if (below(Vne, 0.01)) return fail(2, __LINE__);
	if (below(m_empty, 0.01)) return fail(3, __LINE__);
	if (below(m_max, 0.01)) return fail(4, __LINE__);
	if (m_empty > m_max) return fail(5, __LINE__);
	if (water_rud_area > 0 && cgZ > water_rud_z) return fail(6, __LINE__);

	int const engines = bounded(num_engn, veh_engn_slots);
	for (int i = 0; i < engines; ++i) {
		int const type = engn[i].eng_type;
		bool const power = acft_type_in_kind(type, kind_power);
		bool const jet = acft_type_in_kind(type, kind_jet);
		bool const rocket = acft_type_in_kind(type, kind_rocket);
		if (has_reverse != 0 && below(throt_max_rev, 0.001)) return fail(7, __LINE__);
		if (below(throt_max, 0.001)) return fail(8, __LINE__);
		if (rocket && below(rock_thrust_0, 0.001)) return fail(9, __LINE__);
		if (rocket && below(rock_thrust_1, 0.001)) return fail(10, __LINE__);
		if (rocket && below(rock_thrust_2, 0.001)) return fail(11, __LINE__);
		if (jet && below(jet_thrust, 0.001)) return fail(12, __LINE__);
		if (power && below(power_max, 0.001)) return fail(13, __LINE__);
		if (acft_type_in_kind(type, kind_mp) && below(mp_max, 0.001)) return fail(14, __LINE__);
		if (jet && below(jet_comp_area, 0.001)) return fail(15, __LINE__);
		if (power && (rpm_max < 1.0f || rpm_prop < 1.0f)) return fail(16, __LINE__);
		if (power && rpm_idle > rpm_max) return fail(17, __LINE__);
	}

	int const props = bounded(num_prop, veh_engn_slots);
	for (int i = 0; i < props; ++i) {
		veh_engn_class const& e = engn[i];
		if (!acft_type_in_kind(e.eng_type, kind_power)) continue;
		float const spread = e.pitch_coarse - e.pitch_fine;
		int const p = e.prop_type;
		bool const variable = p == 1 || p == 2 || p == 3 || p == 7 || p == 4;
		if (variable && below(spread, 0.01)) return fail(18, __LINE__);
		if (p == 0 && static_cast<double>(spread) > 0.01) return fail(19, __LINE__);
	}

	if (m_fuel_tot > 0) {
		float sum = 0.0f;
		int const tanks = bounded(num_tank, 3);
		for (int t = 0; t < tanks; ++t) sum += tank_rat[t];
		if (sum < 0.995f || sum > 1.005f) return fail(20, __LINE__);
	}

	for (int i = 8; i <= 55; ++i)
		if (veh[n].has_this_wing(i) && below(wing[i].chord_root, 0.001))
			return fail(21, __LINE__, stls.text[STL_part_name + i]);

	for (int i = 0; i < engines; ++i) {
		if (!zero_sfc(i)) continue;
		int const type = engn[i].eng_type;
		if (acft_type_in_kind(type, kind_rocket)) return fail(22, __LINE__);
		if (acft_type_in_kind(type, kind_jet)) return fail(23, __LINE__);
		if (type == 0 || type == 1) return fail(24, __LINE__);
		if (type == 2 || type == 8) return fail(25, __LINE__);
	}
}
