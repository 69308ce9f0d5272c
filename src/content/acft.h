// The aircraft model: a design record (veh_class) and a flight-state record
// (flt_class) per aircraft, at the same index of the globals veh and flt.
//
// Index: naming rule - slot records of the design - the design flat block -
// veh_class - flight-state records - flt_class - globals.
//
// Naming and layout rule (later fields are added by these rules alone, so no
// record ever has to be reshaped):
// - Every flat block and every slot record is plain data (standard layout,
//   trivially copyable; checked at the end of this file). A reset is one
//   assignment of a value-initialised block, so a new field is zeroed by
//   declaring it and nothing else.
// - A field the model names keeps that name, and the named fields of a block
//   stay in the model's order at the head of their block.
// - A field filled from the 7.40 aircraft image without a name of its own is
//   called v740_<offset>: the byte offset in that image of the word or text
//   that feeds it; for a per-slot array, the offset of slot 0's entry; an
//   image array (a 50-entry table, a row of 10) stays one array field.
//   These go in the block's "7.40 image fields" section, rising by offset
//   (the landing gear's keep the order of the 7.40 gear fields); the field
//   map OLD_io_acf_map.txt declares them through V740_FIELDS_<record>.
// - A field that the automatic settings or the design checks describe without
//   naming gets a short lower-case name after what it holds, in the block's
//   "derived settings" section.
// - Sizes come from the image or the model: 32-bit words are int unless the
//   model calls them floats, texts are char arrays of 40 or 500 bytes.
//
// Derived settings: the fields that autoset_veh fills or reads by rule
// without the model naming them ("flat" is veh_flat_struct).
//
// | record | field | meaning |
// |---|---|---|
// | gear | gear_type | 0 none, 1 fixed, others retractable kinds |
// | gear | gear_retract | non-zero: the gear retracts |
// | gear | gear_x, gear_y, gear_z | attachment point |
// | gear | gear_strut | strut length |
// | gear | gear_comp | strut compression term, times (1 - deployment) |
// | gear | gear_deploy | deployment ratio, set to 1 |
// | gear | gear_ext_ang[2] | extended angles, degrees |
// | gear | gear_ang[2] | current angles, degrees, set to the extended ones |
// | gear | gear_tyre_off | tyre offset added to y |
// | flat | has_gear | some gear slot has a type |
// | flat | main_gear | retractable slot with the largest attachment z |
// | door | door_type | 0: no door; doors 0-3 set has_ctrl_3 |
// | flat | has_ctrl_1 | an element carries kind 0 or 1, kind 2 with surf_lim_1 > 0.01 or kind 3 with surf_lim_2 > 0.01 |
// | flat | has_ctrl_2 | an element carries kind 4 |
// | flat | has_ctrl_3 | an element carries kind 5, or a door 0-3 exists |
// | flat | surf_lim_1, surf_lim_2 | deflection limits of kinds 2 and 3 |
// | wing | surf_on[12][10] | per surface kind 0-11 and element: carried |
// | wing | surf_start[12], surf_end[12] | span of each kind, reset to 10 and 0 |
// | wing | cg_chord_rat | r in part_z + chord_root * (0.25 + 0.25 r) < cgZ |
// | wing | elem_flag[10] | per-element flag list; slot 16's sets wing16_flagged |
// | flat | prop5_present | a propeller of prop_type 5 |
// | flat | prop3_present | a propeller of prop_type 3 (model field) |
// | flat | prop3_index | the last propeller of prop_type 3 |
// | flat | wing16_flagged | an element flag of wing 16 is set |
// | part | jet_body_word | cleared on the bodies 77-83 of jet engines |
// | flat | opt_word_1, opt_word_2 | aircraft option words |
// | engn | eng_opt_1, eng_opt_2 | engine option words (engines 0-3) |
// | flat | opt_val, opt_vals[4] | cleared when no option word is set |
// | flat | cus_auto_flag | 0: autopilot constants by set_cus_auto |
// | flat | cus_fadec_flag | 0: FADEC constants by set_cus_fadec |
// | flat | lim_max | 1, raised to the enabled optional limits |
// | flat | lim_opt[4], lim_opt_on[4] | optional limits and their enable words |
// | flat | sfc_jet_lo, sfc_jet_alt | with default jet consumption: 0 and 35000 |
// | flat | sfc_prop_lo, sfc_prop_alt | with default recip consumption: 0 and 10000 |
// | flat | min_one[2] | at least 1 |
// | flat | ref_init, ref_blk[2] | reference block, filled once from cgZ and m_max |
// | flat | tab4_init, tab4[4][10] | four arrays, filled once: 0, 0.12890625, 0.015625, 0.2529296875 |
// | flat | dflt_vne | when 0: Vne |
// | flat | dflt_60[2], dflt_24, dflt_8 | when 0: 60, 60, 24, 8 |
// | flat | ins_rng[6][2] | instrument ranges (low, high): manifold pressure, rpm_max, power_max, rpm_prop, jet_thrust, fuel flow; derived when all are 0 |
// | flat | ins_100[2] | set to 100 with the derived ranges |
// | flat | ins_max[10], ins_max_on[10] | instrument maxima, raised to their range ends when enabled |
// | flat | rat9[9] | when all 0: 0, 1, 0, 1, 1, 0, 1, 0, 0 |
// | flat | min_001 | at least 0.01 |
// | flat | dflt_10 | when 0: 10 |
// | flat | cpy_init, cpy_blk[2] | block filled once from Vne and m_empty |
// | flat | dflt_3[2] | when 0: 3 |
// | flat | vec3_a[3], vec3_b[3] | when shorter than 0.01: (0.8, 0.2, 0.2) |
// | flat | rat6_init, rat6[6] | filled once with 1 |
// | engn | on_one_shaft | 1 while all engines drive shaft 0 |
// | flat | span_fac, span_fac_b | the two station tables (model fields) |
// | part | part_nrow, part_ncol | shape counts: 2 nelem and 14 (model fields) |
#pragma once
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

// V740_FIELDS_<record>: the unnamed fields of the 7.40 field map.
#include "content/acft_v740_fields.inc"

class veh_class;
class flt_class;

// Fixed slot counts of the part vectors.
enum {
	veh_engn_slots = 8,
	veh_wing_slots = 56,
	veh_part_slots = 95,
	veh_gear_slots = 10,
	veh_door_slots = 20,
	veh_door_aux_slots = 4,
	veh_att_slots = 24,
	veh_att_aux_slots = 24,
	veh_afl_slots = 56,
	veh_wpn_slots = 25,
	veh_obj_slots = 24,
	flt_fail_items = 256,  // the presence queries read items up to 250
};

// ---- slot records of the design ---------------------------------------------

// Engine slot i is also thrust site i (part slot i).
class veh_engn_class {
public:
	int eng_type;    // 0-8, groups in acft.cpp
	int prop_type;   // 8: not a propeller, for a site without an engine
	float pitch_fine;
	float pitch_coarse;
	float blade_sweep[10];  // per blade element, degrees
	// 7.40 image fields
	V740_FIELDS_engn
	// derived settings
	int eng_opt_1;     // engine option words
	int eng_opt_2;
	int on_one_shaft;  // set while every engine drives shaft 0
};

// Wing slot i is part slot i; slots 0-7 hold the propeller blades.
class veh_wing_class {
public:
	int is_left;
	float side_sign;  // +1 or -1
	char wing_afl_name[4][40];
	int nelem;
	float chord_root;
	float chord_tip;
	float semilen;
	float elem_len;
	float wing_quarter;
	float foil_par_1;
	float foil_par_2;
	float foil_par_3;
	float wing_angle;  // degrees
	float foil_par_5;
	float foil_par_6;
	float foil_par_7;
	float foil_par_8;
	unsigned char ahead_of_cg;  // a byte from the image: any value may arrive
	float elem_area[10];
	float elem_mac[10];
	float foil_el_1[10];
	float foil_el_2[10];
	float foil_el_3[10];
	float foil_el_4[10];
	float foil_el_5[10];
	float foil_el_6[10];
	float foil_el_7[10];
	float foil_el_8[10];
	float foil_el_9[10];
	float foil_el_10[10];
	float foil_el_11[10];
	float foil_el_12[10];
	float foil_el_13[10];
	float foil_el_14[10];
	float foil_el_15[10];
	float foil_el_16[10];
	float foil_el_17[10];
	float foil_el_18[10];
	float foil_el_19[10];
	float foil_el_20[10];
	float foil_el_21[10];
	float foil_el_22[10];
	int shift_on;
	float foil_par_9;
	float shift_fac;
	float elem_x[10];
	float elem_y[10];
	float elem_z[10];
	// 7.40 image fields
	V740_FIELDS_wing
	// derived settings
	int surf_on[12][10];    // per surface kind: element e carries it
	float surf_start[12];   // per surface kind: first element, 10 when none
	float surf_end[12];     // per surface kind: one past the last element
	float cg_chord_rat;     // chord fraction for ahead_of_cg
	int elem_flag[10];      // per-element flag list
};

class veh_part_class {
public:
	int part_exists;  // non-zero: present, answered as stored
	float part_x;
	float part_y;
	float part_z;
	float part_one;
	int part_scalar_a;
	int tex_sheet;  // 0 main sheet, 1 second sheet
	float tex_s1[2];  // one rectangle per side
	float tex_t1[2];
	float tex_s2[2];
	float tex_t2[2];
	int part_scalar_b;
	int part_nrow;
	int part_ncol;
	float part_geo[20][18][3];  // row, column, x-y-z
	// 7.40 image fields
	V740_FIELDS_part
	// derived settings
	int jet_body_word;  // cleared on the body of a jet engine
};

class veh_gear_class {
public:
	// 7.40 image fields
	V740_FIELDS_gear
	// derived settings
	int gear_type;        // 0 none, 1 fixed
	int gear_retract;     // non-zero: retractable
	float gear_x;         // attachment point
	float gear_y;
	float gear_z;
	float gear_strut;     // strut length
	float gear_comp;      // compression term of the strut
	float gear_deploy;    // deployment ratio, 1 extended
	float gear_ext_ang[2];  // extended angles, degrees
	float gear_ang[2];      // current angles, degrees
	float gear_tyre_off;  // added to the tyre's y
};

class veh_door_class {
public:
	float door_area;
	float door_geo[4][4][3];  // row, column, x-y-z
	float door_ang;           // degrees
	float door_pre_s1;        // each texture pair follows one word of its own
	float door_s1[2];
	float door_pre_t1;
	float door_t1[2];
	float door_pre_s2;
	float door_s2[2];
	float door_pre_t2;
	float door_t2[2];
	// 7.40 image fields
	V740_FIELDS_door
	// derived settings
	int door_type;  // 0: none

	// Corners a, b, c, d of three floats each: grid (0,0) a, (0,3) b, (3,3) c,
	// (3,0) d; fills door_geo and door_area.
	void set_door_geo(float* a, float* b, float* c, float* d);
};

class veh_att_class {
public:
	char att_text[40];
	// 7.40 image fields
	V740_FIELDS_att
	// derived settings
};

class obj_class {
public:
	// 7.40 image fields
	// derived settings
};

class afl_class {
public:
	float afl_par_1;
	float afl_par_2;
	// 7.40 image fields
	// derived settings
};

class wpn_class {
public:
	struct vec_bro_struct {
		float bro_xyz[3];
	};
	// The weapon's own block, in the order of the weapon image.
	int wpn_head[2];
	int wpn_set_a[8];
	int wpn_word_b;
	int wpn_set_c[3];
	int wpn_set_d[37];
	char wpn_name[4][40];
	int wpn_set_e[12];
	veh_part_class wpn_part;  // the weapon's body
	std::vector<vec_bro_struct> vec_bro;
};

// ---- the design flat block ------------------------------------------------------

struct veh_flat_struct {
	char tailnum[40];
	float Vne;
	int ins_type[300];  // panel instrument codes, 30 rows of 10
	int num_engn;
	int num_prop;  // may exceed num_engn: propellers without an engine
	float throt_max;
	float throt_max_rev;
	int eng_map_mode;
	int has_reverse;
	float power_max;
	float mp_max;
	float rpm_idle;
	float rpm_max;
	float rpm_prop;
	float jet_thrust;
	float jet_comp_area;
	float rock_thrust_0;
	float rock_thrust_1;
	float rock_thrust_2;
	float val30;
	int one_tab_cnt;
	float one_tab[10];
	int prop3_present;
	float aux_st[8];  // s-lo[2], t-lo[2], s-hi[2], t-hi[2]
	float water_rud_z;
	float water_rud_area;
	float cgZ;
	float m_empty;  // kilograms
	float m_fuel_tot;
	float m_max;  // kilograms
	int num_tank;
	float tank_rat[3];
	float tank_xyz[3][3];  // per tank: first, second, third coordinate
	int vect_thru_flag;
	float cus_auto[15];
	int helo_fadec_flag;
	float cus_fadec[3];
	float gear_s1[10];
	float gear_t1[10];
	float gear_s2[10];
	float gear_t2[10];
	float sfc_rocket;
	float sfc_prop[6];  // entries 0, 1, 3, 4 consumption, 5 a further value
	float sfc_jet[6];
	int flag_block[10];
	float span_fac[56][11];  // per wing slot and span station
	float span_fac_b[56][11];
	int num_shaft;
	int eng_shaft[8];
	int prop_engn[8];
	// 7.40 image fields
	char v740_1044[500];
	char v740_1544[500];
	V740_FIELDS_flat
	char v740_646098[40];
	// derived settings
	int has_gear;
	int main_gear;
	int has_ctrl_1;
	int has_ctrl_2;
	int has_ctrl_3;
	float surf_lim_1;
	float surf_lim_2;
	int prop5_present;
	int prop3_index;
	int wing16_flagged;
	int opt_word_1;
	int opt_word_2;
	float opt_val;
	float opt_vals[4];
	int cus_auto_flag;
	int cus_fadec_flag;
	float lim_max;
	float lim_opt[4];
	int lim_opt_on[4];
	float sfc_jet_lo;
	float sfc_jet_alt;
	float sfc_prop_lo;
	float sfc_prop_alt;
	float min_one[2];
	int ref_init;
	float ref_blk[2];
	int tab4_init;
	float tab4[4][10];
	float dflt_vne;
	float dflt_60[2];
	float dflt_24;
	float dflt_8;
	float ins_rng[6][2];
	float ins_100[2];
	float ins_max[10];
	int ins_max_on[10];
	float rat9[9];
	float min_001;
	float dflt_10;
	int cpy_init;
	float cpy_blk[2];
	float dflt_3[2];
	float vec3_a[3];
	float vec3_b[3];
	int rat6_init;
	float rat6[6];
};

// ---- veh_class ------------------------------------------------------------------

class veh_class : public veh_flat_struct {
public:
	flt_class* flt_rec = nullptr;  // &flt[n], set by clear_veh
	std::vector<veh_engn_class> engn;
	std::vector<veh_wing_class> wing;
	std::vector<veh_part_class> part;
	std::vector<veh_gear_class> gear;
	std::vector<veh_door_class> door;
	std::vector<veh_door_class> door_aux;
	std::vector<veh_att_class> att;
	std::vector<veh_att_class> att_aux;
	std::vector<afl_class> afl;
	std::vector<wpn_class> wpn;
	std::vector<obj_class> obj;
	int rsv_zero = 0;
	std::string veh_str_1;
	std::string veh_str_2;

	// Zeroes the flat block, refills every slot vector to its fixed count
	// and links the record to flt[n].
	void clear_veh(int n);

	// Presence queries; they read the failure table of flt_rec.
	int has_this_part(int i);
	int has_this_thru(int i, int kind);  // kind 5 any site, 6 a propeller
	int has_this_engn(int i, int kind);  // kinds 0-4
	int has_this_wing(int i);
	int has_this_body(int i);
	int eng_has_helo_fadec(int i);
	int eng_has_plane_fadec(int i);

	// Defaults.
	void set_base_st(int n);
	void set_base_sfc(int type);
	int zero_sfc(int i);
	void set_cus_fadec();
	void set_cus_auto();
	float get_foil_loc(int i, float pos, char const& axis);
	void IO_coc(int);

	// Airfoil copies, derived values and design checks (acft_foil.cpp,
	// acft_autoset.cpp, acft_check.cpp).
	void copy_foil(int from, int to, int mirror);
	void autoset_veh(int n);
	void check_veh(int n);
};

// ---- flight-state records -------------------------------------------------------

class flt_engn_class {
public:
	float vect_ang;  // thrust angle, degrees
};

class flt_wing_class {
public:
	float cfac_y;
	float cfac_x;
	float cfac_z;
	float cfac_xy;
};

class flt_gear_class {
public:
};

class flt_part_class {
public:
};

// The link comes first in the record, ahead of the flat block.
struct flt_link_struct {
	veh_class* veh_rec = nullptr;  // &veh[n], set by clear_flt
};

struct flt_flat_struct {
	float phi;  // degrees
	float the;
	float psi;
	float q[4];  // attitude quaternion, scalar first
	unsigned char fail[flt_fail_items];  // state 6: the item's part is absent
	// derived settings
};

// ---- flt_class ------------------------------------------------------------------

class flt_class : public flt_link_struct, public flt_flat_struct {
public:
	std::vector<flt_engn_class> engn_f;
	std::vector<flt_wing_class> wing_f;
	std::vector<flt_gear_class> gear_f;
	std::vector<flt_part_class> part_f;

	// Zeroes the flat block, refills the state vectors, sets the quaternion
	// from the (zeroed) angles and links the record to veh[n].
	void clear_flt(int n);
};

// ---- globals --------------------------------------------------------------------

// Sized together by the using program; a resize invalidates the links, and
// every record pair must be cleared again.
extern std::vector<veh_class> veh;
extern std::vector<flt_class> flt;

class xmap_class;
// Copies n bytes from the scanner's cursor to dest and moves the cursor on;
// with the scanner's byte-order flag set, each whole 4-byte word of the copy
// is reversed. Too few bytes left (or n < 0) is fatal.
void read_n_rev(xmap_class* x, long dest, long n);

template <class T>
constexpr bool acft_plain_data = std::is_standard_layout<T>::value && std::is_trivially_copyable<T>::value;
static_assert(sizeof(int) == 4 && sizeof(float) == 4, "model words are 32 bits");
static_assert(acft_plain_data<veh_flat_struct> && acft_plain_data<flt_flat_struct>, "flat blocks are plain data");
static_assert(acft_plain_data<veh_engn_class> && acft_plain_data<veh_wing_class> &&
                  acft_plain_data<veh_part_class> && acft_plain_data<veh_gear_class> &&
                  acft_plain_data<veh_door_class> && acft_plain_data<veh_att_class> &&
                  acft_plain_data<obj_class> && acft_plain_data<afl_class> &&
                  acft_plain_data<flt_engn_class> && acft_plain_data<flt_wing_class> &&
                  acft_plain_data<flt_gear_class> && acft_plain_data<flt_part_class>,
              "slot records are plain data");
