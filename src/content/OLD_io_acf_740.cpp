// The 7.40 image into the current model: repairs of the image, texts, the
// plain copies of the field map, the records, the values the image lacks.
//
// Index: field map - stage 1 repairs - slot walks - veh_740_to_800.
#include <cmath>
#include <cstddef>
#include <cstring>

#include "content/OLD_io_acf.h"
#include "content/OLD_io_acf_image.h"
#include "content/acft.h"
#include "foundation/hl_string.h"

// ---- field map ------------------------------------------------------------------

namespace {

enum v740_block { v740_flat, v740_engn, v740_part, v740_gear, v740_wing, v740_door, v740_att };

// One plain copy: count words from source (+ slot * 4 * count in a slot
// record) to the field at target of the block's record.
struct v740_copy {
	v740_block block;
	long source;
	int count;
	size_t target;
};

#include "content/OLD_io_acf_map.inc"

unsigned char* const img = old_veh;

void copy_block(v740_block block, void* record, int slot)
{
	for (v740_copy const& c : v740_copies)
		if (c.block == block)
			memcpy(static_cast<unsigned char*>(record) + c.target, img + c.source + 4L * c.count * slot,
			       4 * static_cast<size_t>(c.count));
}

// 7.40 part p to its current part slot (p up to 66) or wing slot (up to 43).
int part_slot(int p) { return p <= 27 ? p : p <= 52 ? p + 12 : p + 24; }

bool below(float v, double bound) { return static_cast<double>(v) < bound; }

// ---- stage 1 repairs ------------------------------------------------------------

void zero_default(long at, float value)
{
	if (img_f(img, at) == 0.0f) img_put_f(img, at, value);
}

void floor_to(long at, double bound, float value)
{
	if (below(img_f(img, at), bound)) img_put_f(img, at, value);
}

long body_at(long plane, int p, int r, int j) { return plane + 1440L * p + 72L * r + 4L * j; }

void repair_image()
{
	zero_default(645196, 5.0f);
	zero_default(644880, 10.0f);
	for (long at : {9628L, 9652L, 644876L, 645200L}) zero_default(at, 1.0f);

	bool all_low = true;
	for (long at = 639980; at <= 640000; at += 4) all_low = all_low && below(img_f(img, at), 0.005);
	if (all_low) {
		float const set[6] = {0.5f, 0.5f, 0.25f, 0.25f, 0.25f, 0.25f};
		for (int k = 0; k < 6; ++k) img_put_f(img, 639980 + 4 * k, set[k]);
	}
	for (long at : {640716L, 640720L, 640724L}) zero_default(at, 1.0f);
	for (long at = 639980; at <= 640000; at += 4)
		if (!(static_cast<double>(img_f(img, at)) > 0.001)) img_put_f(img, at, 0.001f);

	// Body part 44's rows 11-19 must rise in z; a repair carries forward.
	for (int r = 11; r <= 18; ++r)
		for (int j = 0; j < 18; ++j) {
			float const z = img_f(img, body_at(512476, 44, r, j));
			if (img_f(img, body_at(512476, 44, r + 1, j)) > z) continue;
			img_put_f(img, body_at(302236, 44, r + 1, j), img_f(img, body_at(302236, 44, r, j)));
			img_put_f(img, body_at(407356, 44, r + 1, j), img_f(img, body_at(407356, 44, r, j)));
			img_put_f(img, body_at(512476, 44, r + 1, j), static_cast<float>(z + 0.001));
		}

	if (img_f(img, 2228) != 0.0f && img_f(img, 640984) == 0.0f) {
		img_put_f(img, 640984, img_f(img, 2228));
		img_put_f(img, 2228, 0.0f);
		for (long at = 640988; at <= 641012; at += 4) img_put_f(img, at, 555.0f);
	}
	for (long at : {644540L, 625428L, 639972L, 644536L}) floor_to(at, 0.01, 9999.0f);
	if (img_f(img, 645176) == 0.0f && img_f(img, 645180) == 0.0f) {
		img_put_f(img, 645176, img_f(img, 625532));
		img_put_f(img, 645180, img_f(img, 625536));
	}
	zero_default(645188, 680.0f);
	zero_default(645192, 1450.0f);
	zero_default(645688, 500.0f);
	zero_default(645692, 245.0f);
	zero_default(645696, 115.0f);
	for (long at : {624336L, 624288L, 624292L, 624296L, 624300L, 624304L, 624308L}) floor_to(at, 0.1, 1.0f);
}

// ---- slot walks -----------------------------------------------------------------

// Plus 90, then into 0-360 as repeated steps of 360 would bring it. Below
// 2^27 each step is exact, so the remainder is the steps' result; beyond,
// steps round or stop changing the value, and the remainder stands in.
float door_angle(float a)
{
	float v = a + 90.0f;
	if (!std::isfinite(v)) return 0.0f;
	if (v >= 0.0f && v <= 360.0f) return v;
	float r = static_cast<float>(std::fmod(static_cast<double>(v), 360.0));
	if (v > 360.0f) return r == 0.0f ? 360.0f : r;
	return r == 0.0f ? 0.0f : r + 360.0f;
}

void doors(veh_class& v)
{
	for (int d = 0; d < 10; ++d) {
		veh_door_class& door = v.door[d];
		copy_block(v740_door, &door, d);
		door.door_ang = door_angle(door.door_ang);
		float corner[4][3];
		for (int m = 0; m < 4; ++m) {
			long const at = 624572 + 48L * d + 12L * m;
			float const first = img_f(img, at);
			img_put_f(img, at, img_f(img, at + 8));
			img_put_f(img, at + 8, first);
			img_get(img, at, corner[m], 3);
		}
		door.set_door_geo(corner[0], corner[1], corner[2], corner[3]);
	}
}

void parts(veh_class& v)
{
	for (int p = 0; p <= 66; ++p) {
		int const t = part_slot(p);
		veh_part_class& part = v.part[t];
		copy_block(v740_part, &part, p);
		if (t <= 55)
			// Twice the image's element count (the wing step copies that word).
			part.part_nrow = static_cast<int>(2u * static_cast<unsigned>(img_i(img, 22924 + 4 * p)));
		else
			part.part_nrow = t == 56 ? 20 : t <= 84 ? 12 : 8;
		part.part_ncol = t <= 55 ? 14 : t <= 84 ? 18 : 10;
		for (int r = 0; r < 20; ++r)
			for (int j = 0; j < 18; ++j) {
				part.part_geo[r][j][0] = img_f(img, body_at(302236, p, r, j));
				part.part_geo[r][j][1] = img_f(img, body_at(407356, p, r, j));
				part.part_geo[r][j][2] = img_f(img, body_at(512476, p, r, j));
			}
		part.part_one = 1.0f;
	}
}

void gears(veh_class& v)
{
	for (int p = 67; p <= 72; ++p) {
		veh_gear_class& g = v.gear[p - 67];
		copy_block(v740_gear, &g, p);
		if (below(g.v740_621684, 0.01)) g.v740_621684 = 0.01f;
	}
}

void wings(veh_class& v)
{
	for (int w = 0; w <= 43; ++w) {
		veh_wing_class& wing = v.wing[part_slot(w)];
		copy_block(v740_wing, &wing, w);
		if (below(wing.chord_root, 0.01)) wing.chord_root = 0.01f;
		wing.ahead_of_cg = img[647016 + w];
	}
}

void text(char* target, size_t target_size, long at, size_t slot)
{
	strcpy_limit_field(target, target_size, reinterpret_cast<char const*>(img) + at, slot);
}

}  // namespace

// ---- veh_740_to_800 -------------------------------------------------------------

void veh_740_to_800(int n)
{
	veh_class& v = veh[n];
	repair_image();

	text(v.tailnum, sizeof v.tailnum, 1004, 40);
	text(v.v740_1044, sizeof v.v740_1044, 1044, 500);
	text(v.v740_1544, sizeof v.v740_1544, 1544, 500);
	text(v.v740_646098, sizeof v.v740_646098, 646098, 42);
	for (int table = 0; table < 4; ++table)
		for (int w = 0; w <= 43; ++w) {
			char* const name = v.wing[part_slot(w)].wing_afl_name[table];
			text(name, 40, 11244 + 2920L * table + 40L * w, 40);
		}
	for (int i = 0; i < 24; ++i) text(v.att[i].att_text, sizeof v.att[i].att_text, 625700 + 500L * i, 500);

	// The flat block's plain copies; the words needing more than a copy follow.
	copy_block(v740_flat, static_cast<veh_flat_struct*>(&v), 0);
	for (int i = 0; i < 300; ++i) v.ins_type[i] = i7x_to_8x(img_i(img, 2308 + 4 * i));
	for (int e = 0; e < 8; ++e) copy_block(v740_engn, &v.engn[e], e);
	for (veh_part_class& part : v.part) part.v740_624312 = img_f(img, 624312);
	v.v740_624392 = -img_f(img, 624392);
	doors(v);
	for (int c = 0; c < 3; ++c)
		for (int k = 0; k < 3; ++k) v.tank_xyz[k][c] = img_f(img, 625276 + 12L * c + 4L * k);
	v.v740_638016 = static_cast<int>(static_cast<unsigned>(img_i(img, 638016)) - 67u);
	v.rsv_zero = 0;
	v.val30 = 30.0f;

	parts(v);
	gears(v);
	wings(v);
	for (int i = 0; i < 24; ++i) copy_block(v740_att, &v.att[i], i);

	int const flags[10] = {1, 1, 1, 1, 1, 0, 1, 0, 1, 1};
	memcpy(v.flag_block, flags, sizeof flags);
	if (below(v.v740_624388, 1.0)) v.v740_624388 = 1.0f;
	for (veh_wing_class& wing : v.wing) {
		wing.wing_quarter = 0.25f;
		for (char* name : wing.wing_afl_name)
			if (!name[0]) strcpy_limit_field(name, 40, "NACA 0009 (symmetrical).afl", 28);
	}
	// The count comes unchecked from the image: the table has ten entries.
	v.one_tab[0] = 0.0f;
	for (int k = 1; k <= v.one_tab_cnt && k <= 9; ++k) v.one_tab[k] = 1.0f;

	v.set_base_st(n);
}
