// The values of a design that follow from what the designer entered.
//
// Index: helpers - existence and airfoils - propellers and bodies - gear -
// summaries - wings - options and defaults - engine shafts.
#include <cmath>
#include <cstring>

#include "content/acft.h"
#include "content/acft_internal.h"
#include "foundation/hl_string.h"
#include "foundation/sky_header.h"

namespace {

// Counts read from a file are no indexes.
int bounded(int count, int slots)
{
	return count < 0 ? 0 : count > slots ? slots : count;
}

// Zero counts as the positive side.
int side_of(float x)
{
	return x < 0 ? -1 : 1;
}

// An airfoil name may fill its field without a NUL: it is trimmed within
// the field and written back no longer than it was.
void trim_afl_name(char (&field)[40])
{
	char buf[41];
	size_t const len = strnlen(field, sizeof field);
	memcpy(buf, field, len);
	buf[len] = 0;
	set_afl_path(buf);
	size_t const out = strlen(buf);
	memcpy(field, buf, out < sizeof field ? out + 1 : sizeof field);
}

enum { kind_power = 1, kind_jet = 3, kind_rocket = 4 };

// Which derived range end each instrument maximum must reach: range, and
// whether its low end counts too; range 6 is the pair set to 100.
struct max_end {
	int range, end;
};
max_end const max_ends[10][2] = {
    {{0, 0}, {0, 1}}, {{1, 0}, {-1, 0}}, {{1, 1}, {-1, 0}}, {{2, 0}, {-1, 0}}, {{2, 1}, {-1, 0}},
    {{3, 1}, {-1, 0}}, {{4, 1}, {-1, 0}}, {{5, 1}, {-1, 0}}, {{6, 0}, {-1, 0}}, {{6, 1}, {-1, 0}},
};

}  // namespace

void veh_class::autoset_veh(int n)
{
	veh_class& listed = veh[n];

	// ---- existence and airfoils ----
	for (int i = 0; i < veh_part_slots; ++i) {
		int& exists = part[i].part_exists;
		bool const long_enough = i <= 55 && static_cast<double>(wing[i].semilen) > 0.05;
		if (i <= 7)
			exists = 0;
		else if (i <= 39)
			exists = long_enough;
		else if (i <= 47)
			exists = exists && num_prop >= i - 39 && long_enough;
		else if (i <= 55)
			exists = exists && num_prop >= i - 47 && long_enough;
		else if (i >= 77 && i <= 84)
			exists = exists && num_prop >= i - 76;
	}

	for (veh_wing_class& w : wing)
		for (auto& name : w.wing_afl_name) trim_afl_name(name);

	for (int i = 9; i <= 17; i += 2) copy_foil(i, i - 1, 1);
	for (int set = 40; set <= 48; set += 8)
		for (int k = 1; k <= 7; ++k)
			copy_foil(set, set + k, side_of(part[0].part_x) != side_of(part[k].part_x));

	// ---- propellers and bodies ----
	for (int k = 0; k < 8; ++k) {
		veh_wing_class& w = wing[k];
		float const* sweep = engn[k].blade_sweep;
		for (int j = 0; j < 10; ++j) {
			w.elem_x[j] = 0;
			w.elem_y[j] = 0;
			w.elem_z[j] = (w.chord_root + w.chord_tip) * span_fac[k][j] * 0.5f;
			for (int m = 0; m < j; ++m) {
				w.elem_x[j] += w.elem_len * std::cos(sweep[m] * degtorad);
				w.elem_z[j] += w.elem_len * std::sin(sweep[m] * degtorad);
			}
		}
	}

	for (int set = 40; set <= 48; set += 8)
		for (int k = 1; k <= 7; ++k) {
			if (!listed.has_this_wing(set + k)) continue;
			float const s = side_of(part[k].part_x) != side_of(part[0].part_x) ? -1.0f : 1.0f;
			veh_part_class& p = part[set + k];
			p.part_x = part[k].part_x + s * (part[set].part_x - part[0].part_x);
			p.part_y = part[k].part_y + (part[set].part_y - part[0].part_y);
			p.part_z = part[k].part_z + (part[set].part_z - part[0].part_z);
		}

	for (int k = 0; k < 8; ++k) {
		part[77 + k].part_x = part[k].part_x;
		part[77 + k].part_y = part[k].part_y;
		part[77 + k].part_z = part[k].part_z;
	}

	// ---- gear ----
	for (int g = 0; g < veh_gear_slots; ++g) {
		veh_gear_class& gr = gear[g];
		gr.gear_ang[0] = gr.gear_ext_ang[0];
		gr.gear_ang[1] = gr.gear_ext_ang[1];
		gr.gear_deploy = 1.0f;
		float const len = gr.gear_strut - gr.gear_comp * (1.0f - gr.gear_deploy);
		float const a = gr.gear_ang[0] * degtorad, b = gr.gear_ang[1] * degtorad;
		veh_part_class& tyre = part[85 + g];
		tyre.part_x = gr.gear_x + len * std::sin(a) * std::cos(b);
		tyre.part_y = gr.gear_y - len * std::cos(a) * std::cos(b) + gr.gear_tyre_off;
		tyre.part_z = gr.gear_z - len * std::sin(b);
	}

	tailnum[sizeof tailnum - 1] = 0;
	v740_1044[sizeof v740_1044 - 1] = 0;
	v740_1544[sizeof v740_1544 - 1] = 0;
	v740_646098[sizeof v740_646098 - 1] = 0;

	// Twice the elements the grid can hold, never a count past its rows.
	for (int i = 0; i <= 55; ++i) {
		part[i].part_nrow = 2 * bounded(wing[i].nelem, 10);
		part[i].part_ncol = 14;
	}

	// ---- summaries ----
	has_gear = 0;
	main_gear = 0;
	float main_z = 0;
	for (int g = 0; g < veh_gear_slots; ++g) {
		veh_gear_class const& gr = gear[g];
		if (gr.gear_type != 0) has_gear = 1;
		if (gr.gear_type != 0 && gr.gear_type != 1 && gr.gear_retract != 0 && std::fabs(gr.gear_z) > main_z) {
			main_z = std::fabs(gr.gear_z);
			main_gear = g;
		}
	}

	has_ctrl_1 = has_ctrl_2 = has_ctrl_3 = 0;
	for (int d = 0; d < 4; ++d)
		if (door[d].door_type != 0) has_ctrl_3 = 1;
	for (int i = 8; i <= 55; ++i) {
		veh_wing_class& w = wing[i];
		if (!listed.has_this_wing(i) || w.nelem <= 0) continue;
		for (int e = 0; e < bounded(w.nelem, 10); ++e) {
			if (w.surf_on[0][e] || w.surf_on[1][e] || (w.surf_on[2][e] && static_cast<double>(surf_lim_1) > 0.01) ||
			    (w.surf_on[3][e] && static_cast<double>(surf_lim_2) > 0.01))
				has_ctrl_1 = 1;
			if (w.surf_on[4][e]) has_ctrl_2 = 1;
			if (w.surf_on[5][e]) has_ctrl_3 = 1;
		}
		// Set both ways: a flag from an old file or an earlier run must not outlive a moved wing.
		w.ahead_of_cg = part[i].part_z + w.chord_root * (0.25f + 0.25f * w.cg_chord_rat) < cgZ ? 1 : 0;
	}

	prop5_present = prop3_present = prop3_index = 0;
	for (int i = 0; i < bounded(num_prop, veh_engn_slots); ++i) {
		if (!listed.has_this_thru(i, 6)) continue;
		if (engn[i].prop_type == 5) prop5_present = 1;
		if (engn[i].prop_type == 3) {
			prop3_present = 1;
			prop3_index = i;
		}
	}
	wing16_flagged = 0;
	for (int e = 0; e < bounded(wing[16].nelem, 10); ++e)
		if (wing[16].elem_flag[e]) wing16_flagged = 1;
	for (int k = 0; k <= 6; ++k)
		if (engn[k].eng_type == 4 || engn[k].eng_type == 5) part[77 + k].jet_body_word = 0;

	// ---- wings ----
	for (int i = 0; i <= 55; ++i) {
		if (!listed.has_this_wing(i)) continue;
		veh_wing_class& w = wing[i];
		if (i < 18)
			w.is_left = i % 2 == 0;
		else if (i <= 19)
			w.is_left = 0;
		else if (i >= 40)
			w.is_left = static_cast<double>(part[i].part_x) < -0.001;
		w.side_sign = w.is_left == 0 ? 1.0f : -1.0f;
		for (int k = 0; k < 12; ++k) {
			w.surf_start[k] = 10.0f;
			w.surf_end[k] = 0.0f;
		}
		w.elem_len = w.nelem == 0 ? 0.0f : w.semilen / static_cast<float>(w.nelem);

		int const elems = bounded(w.nelem, 10);
		float* stations = span_fac_b[i];
		for (int s = 0; w.nelem >= 0 && s <= elems; ++s)
			if (static_cast<double>(std::fabs(stations[s])) < 0.001) stations[s] = 1.0f;

		auto chord = [&](int s) {
			float const c = w.nelem == 0 ? (w.chord_root + w.chord_tip) * 0.5f
			                             : w.chord_root + (w.chord_tip - w.chord_root) / w.nelem * s;
			return c * stations[s];
		};
		for (int e = 0; e < elems; ++e) {
			for (int k = 0; k < 12; ++k)
				if (w.surf_on[k][e]) {
					if (e < w.surf_start[k]) w.surf_start[k] = static_cast<float>(e);
					if (e + 1 > w.surf_end[k]) w.surf_end[k] = static_cast<float>(e + 1);
				}
			float const c0 = chord(e), c1 = chord(e + 1);
			w.elem_area[e] = (c0 + c1) * 0.5f * w.semilen * std::cos(w.wing_angle * degtorad) / w.nelem;
			// Two zero chords have no mean chord, not a NaN.
			w.elem_mac[e] = c0 + c1 == 0.0f ? 0.0f : 2.0f * (c0 + c1 - c0 * c1 / (c0 + c1)) / 3.0f;
		}
	}

	// ---- options and defaults ----
	bool any_option = opt_word_1 != 0 || opt_word_2 != 0;
	for (int e = 0; e < bounded(num_engn, 4); ++e)
		if (engn[e].eng_opt_1 != 0 || engn[e].eng_opt_2 != 0) any_option = true;
	if (!any_option) {
		opt_val = 0;
		for (float& v : opt_vals) v = 0;
	}

	if (cus_auto_flag == 0) set_cus_auto();
	if (cus_fadec_flag == 0) set_cus_fadec();

	lim_max = 1.0f;
	if (lim_opt_on[0] && lim_opt[0] >= 1.0f) lim_max = lim_opt[0];
	for (int k = 1; k < 4; ++k)
		if (lim_opt_on[k] && lim_opt[k] > lim_max) lim_max = lim_opt[k];

	for (int i = 0; i < bounded(num_engn, veh_engn_slots); ++i) {
		if (!zero_sfc(i)) continue;
		int const type = engn[i].eng_type;
		if (type == 6 || type == 7) {
			set_base_sfc(type);
		} else if (type == 4 || type == 5) {
			set_base_sfc(type);
			sfc_jet_lo = 0;
			sfc_jet_alt = 35000;
		} else if (type == 0 || type == 1 || type == 2 || type == 8) {
			set_base_sfc(type);
			sfc_prop_lo = 0;
			sfc_prop_alt = 10000;
		}
	}

	for (float& v : min_one)
		if (v <= 1.0f) v = 1.0f;
	if (!ref_init) {
		ref_init = 1;
		ref_blk[0] = cgZ;
		ref_blk[1] = m_max;
	}
	if (!tab4_init) {
		tab4_init = 1;
		float const fill[4] = {0.0f, 0.12890625f, 0.015625f, 0.2529296875f};
		for (int a = 0; a < 4; ++a)
			for (float& v : tab4[a]) v = fill[a];
	}

	if (dflt_vne == 0) dflt_vne = Vne;
	for (float& v : dflt_60)
		if (v == 0) v = 60;
	if (dflt_24 == 0) dflt_24 = 24;
	if (dflt_8 == 0) dflt_8 = 8;

	bool ranges_unset = true;
	for (auto const& r : ins_rng)
		if (r[0] != 0 || r[1] != 0) ranges_unset = false;
	if (ranges_unset) {
		int const type = engn[0].eng_type;
		float flow = 0;
		if (acft_type_in_kind(type, kind_rocket)) flow = sfc_rocket * rock_thrust_1;
		if (acft_type_in_kind(type, kind_jet)) flow = sfc_jet[0] * jet_thrust;
		if (acft_type_in_kind(type, kind_power)) flow = sfc_prop[0] * power_max;
		if (type == 0 || type == 1) flow /= 6;
		float const spans[6][3] = {
		    {mp_max, 0.5f, 1.0f},    {rpm_max, 0.4f, 0.8f},    {power_max, 0.4f, 1.0f},
		    {rpm_prop, 0.8f, 1.0f},  {jet_thrust, 0.4f, 0.6f}, {flow, 0.15f, 0.75f},
		};
		for (int r = 0; r < 6; ++r) {
			ins_rng[r][0] = spans[r][0] * spans[r][1];
			ins_rng[r][1] = spans[r][0] * spans[r][2];
		}
		ins_100[0] = ins_100[1] = 100;
	}

	bool ratios_unset = true;
	for (float v : rat9)
		if (v != 0) ratios_unset = false;
	if (ratios_unset) {
		float const fill[9] = {0, 1, 0, 1, 1, 0, 1, 0, 0};
		memcpy(rat9, fill, sizeof rat9);
	}

	for (int k = 0; k < 10; ++k) {
		if (!ins_max_on[k]) continue;
		for (max_end const& m : max_ends[k]) {
			if (m.range < 0) continue;
			float const end = m.range == 6 ? ins_100[m.end] : ins_rng[m.range][m.end];
			if (ins_max[k] < end) ins_max[k] = end;
		}
	}

	if (static_cast<double>(min_001) <= 0.01) min_001 = 0.01f;
	if (dflt_10 == 0) dflt_10 = 10;
	if (!cpy_init) {
		cpy_init = 1;
		cpy_blk[0] = Vne;
		cpy_blk[1] = m_empty;
	}
	for (float& v : dflt_3)
		if (v == 0) v = 3;

	for (float* vec : {vec3_a, vec3_b})
		if (static_cast<double>(std::sqrt(vec[0] * vec[0] + vec[1] * vec[1] + vec[2] * vec[2])) < 0.01) {
			vec[0] = 0.8f;
			vec[1] = 0.2f;
			vec[2] = 0.2f;
		}

	if (rat6_init == 0) {
		rat6_init = 1;
		for (float& v : rat6) v = 1.0f;
	}

	// ---- engine shafts ----
	int const engines = bounded(listed.num_engn, veh_engn_slots);
	int const props = bounded(listed.num_prop, veh_engn_slots);
	if (listed.eng_map_mode == 0) {
		listed.num_shaft = listed.num_engn;
		for (int e = 0; e < engines; ++e) {
			listed.engn[e].on_one_shaft = 0;
			listed.eng_shaft[e] = e;
		}
		for (int p = 0; p < props; ++p)
			listed.prop_engn[p] = listed.num_engn <= 0 ? 0 : p < listed.num_engn ? p : listed.num_engn - 1;
	} else if (listed.eng_map_mode == 1) {
		listed.num_shaft = 1;
		for (int e = 0; e < engines; ++e) {
			listed.engn[e].on_one_shaft = 1;
			listed.eng_shaft[e] = 0;
		}
		for (int p = 0; p < props; ++p) listed.prop_engn[p] = 0;
	}
	listed.eng_map_mode = -1;
}
