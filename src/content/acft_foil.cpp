// Copies of a wing slot's airfoil set onto a paired slot.
#include <cstring>

#include "content/acft.h"
#include "foundation/hl_string.h"

namespace {

using foil_list = float (veh_wing_class::*)[10];
foil_list const foil_lists[22] = {
    &veh_wing_class::foil_el_1,  &veh_wing_class::foil_el_2,  &veh_wing_class::foil_el_3,
    &veh_wing_class::foil_el_4,  &veh_wing_class::foil_el_5,  &veh_wing_class::foil_el_6,
    &veh_wing_class::foil_el_7,  &veh_wing_class::foil_el_8,  &veh_wing_class::foil_el_9,
    &veh_wing_class::foil_el_10, &veh_wing_class::foil_el_11, &veh_wing_class::foil_el_12,
    &veh_wing_class::foil_el_13, &veh_wing_class::foil_el_14, &veh_wing_class::foil_el_15,
    &veh_wing_class::foil_el_16, &veh_wing_class::foil_el_17, &veh_wing_class::foil_el_18,
    &veh_wing_class::foil_el_19, &veh_wing_class::foil_el_20, &veh_wing_class::foil_el_21,
    &veh_wing_class::foil_el_22,
};

}  // namespace

void veh_class::copy_foil(int from, int to, int mirror)
{
	veh_wing_class const& wf = wing[from];
	veh_wing_class& wt = wing[to];
	for (int k = 0; k < 4; ++k)
		strcpy_limit_field(wt.wing_afl_name[k], sizeof wt.wing_afl_name[k], wf.wing_afl_name[k],
		                   sizeof wf.wing_afl_name[k]);

	veh_part_class const& pf = part[from];
	veh_part_class& pt = part[to];
	pt.part_x = mirror ? -pf.part_x : pf.part_x;
	pt.part_y = pf.part_y;
	pt.part_z = pf.part_z;
	pt.tex_sheet = pf.tex_sheet;
	// The propeller surfaces keep rectangles of their own.
	if (to < 40 || to > 55) {
		memcpy(pt.tex_s1, pf.tex_s1, sizeof pt.tex_s1);
		memcpy(pt.tex_t1, pf.tex_t1, sizeof pt.tex_t1);
		memcpy(pt.tex_s2, pf.tex_s2, sizeof pt.tex_s2);
		memcpy(pt.tex_t2, pf.tex_t2, sizeof pt.tex_t2);
	}

	wt.nelem = wf.nelem;
	wt.chord_root = wf.chord_root;
	wt.chord_tip = wf.chord_tip;
	wt.semilen = wf.semilen;
	wt.foil_par_1 = wf.foil_par_1;
	wt.foil_par_2 = wf.foil_par_2;
	wt.foil_par_3 = wf.foil_par_3;
	wt.wing_angle = wf.wing_angle;
	wt.foil_par_5 = wf.foil_par_5;
	wt.foil_par_6 = wf.foil_par_6;
	wt.foil_par_7 = wf.foil_par_7;
	wt.foil_par_8 = wf.foil_par_8;
	wt.shift_on = wf.shift_on;
	wt.foil_par_9 = wf.foil_par_9;

	// A count read from a file is no index: the tables end at 10 elements.
	int const elems = wf.nelem < 0 ? 0 : wf.nelem > 10 ? 10 : wf.nelem;
	for (int i = 0; i < elems; ++i)
		for (foil_list l : foil_lists) (wt.*l)[i] = (wf.*l)[i];
	if (wf.nelem >= 0)
		for (int j = 0; j <= elems; ++j) {
			span_fac_b[to][j] = span_fac_b[from][j];
			span_fac[to][j] = span_fac[from][j];
		}

	afl[to].afl_par_1 = afl[from].afl_par_1;
	afl[to].afl_par_2 = afl[from].afl_par_2;
}
