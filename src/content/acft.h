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
//   These go in the block's "7.40 image fields" section, rising by offset.
// - A field that the automatic settings or the design checks describe without
//   naming gets a short lower-case name after what it holds, in the block's
//   "derived settings" section.
// - Sizes come from the image or the model: 32-bit words are int unless the
//   model calls them floats, texts are char arrays of 40 or 500 bytes.
#pragma once
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

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
	// derived settings
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
	// derived settings
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
	// derived settings
};

class veh_gear_class {
public:
	// 7.40 image fields
	// derived settings
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
	// derived settings

	// Corners a, b, c, d of three floats each: grid (0,0) a, (0,3) b, (3,3) c,
	// (3,0) d; fills door_geo and door_area.
	void set_door_geo(float* a, float* b, float* c, float* d);
};

class veh_att_class {
public:
	char att_text[40];
	// 7.40 image fields
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
	char v740_646098[40];
	// derived settings
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

	// Airfoil copies and design checks (acft_foil.cpp, acft_check.cpp).
	void copy_foil(int from, int to, int mirror);
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
