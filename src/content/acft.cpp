// Index: globals and engine-type table - resets - bounded word reads -
// presence queries -
// texture layout - fuel, FADEC and autopilot defaults - door geometry -
// airfoil locations.
#include "content/acft.h"
#include "content/acft_internal.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "foundation/alert.h"
#include "foundation/sky_header.h"
#include "foundation/xmap.h"

std::vector<veh_class> veh;
std::vector<flt_class> flt;

namespace {

void bad_search(char const* message, int line)
{
	__VEDEZE_alert(0, message, "", "", "", 2, acft_source_name, line);
}

// Fuel-consumption field of an engine type.
enum sfc_group { sfc_prop_group, sfc_jet_group, sfc_rocket_group, sfc_burns_none };

// Engine type codes 0-8: the has_this_engn kinds 1-4 that include a type (bit
// k for kind k; kind 0 takes every type), its fuel group and its defaults.
struct eng_type_row {
	unsigned kinds;
	sfc_group group;
	float sfc;      // consumption entries, or the rocket value
	float sfc_aux;  // entry 5
};
constexpr unsigned K1 = 1u << 1, K2 = 1u << 2, K3 = 1u << 3, K4 = 1u << 4;
eng_type_row const eng_types[9] = {
    {K1 | K2, sfc_prop_group, 0.44f, 0.25f},  // reciprocating
    {K1 | K2, sfc_prop_group, 0.4f, 0.25f},   // reciprocating
    {K1, sfc_prop_group, 0.7f, 0.25f},        // recip or turboprop
    {K1, sfc_burns_none, 0.0f, 0.0f},         // drives a propeller, burns no fuel
    {K3, sfc_jet_group, 0.85f, 0.1f},         // jet
    {K3, sfc_jet_group, 0.55f, 0.1f},         // jet
    {K4, sfc_rocket_group, 9.97f, 0.0f},      // rocket
    {K1 | K4, sfc_rocket_group, 13.5f, 0.0f}, // rocket driving a propeller
    {K1, sfc_prop_group, 0.6f, 0.25f},        // recip or turboprop
};

bool type_in_kind(int type, int kind)
{
	return type >= 0 && type <= 8 && (eng_types[type].kinds & (1u << kind)) != 0;
}

}  // namespace

char const acft_source_name[] = "ROdized/OOPS_cpp/acft";

bool acft_type_in_kind(int type, int kind)
{
	return type_in_kind(type, kind);
}

namespace {

template <class T>
void refill(std::vector<T>& v, size_t count)
{
	v.clear();
	v.resize(count);
}

}  // namespace

// ---- resets -----------------------------------------------------------------

void veh_class::clear_veh(int n)
{
	static_cast<veh_flat_struct&>(*this) = veh_flat_struct();
	refill(engn, veh_engn_slots);
	refill(wing, veh_wing_slots);
	refill(part, veh_part_slots);
	refill(gear, veh_gear_slots);
	refill(door, veh_door_slots);
	refill(door_aux, veh_door_aux_slots);
	refill(att, veh_att_slots);
	refill(att_aux, veh_att_aux_slots);
	refill(afl, veh_afl_slots);
	refill(wpn, veh_wpn_slots);
	refill(obj, veh_obj_slots);
	flt_rec = &flt[n];
}

void flt_class::clear_flt(int n)
{
	static_cast<flt_flat_struct&>(*this) = flt_flat_struct();
	refill(engn_f, veh_engn_slots);
	refill(wing_f, veh_wing_slots);
	refill(gear_f, veh_gear_slots);
	refill(part_f, veh_part_slots);

	double const a = 0.5 * static_cast<double>(the * degtorad);
	double const b = 0.5 * static_cast<double>(psi * degtorad);
	double const c = 0.5 * static_cast<double>(phi * degtorad);
	float const ca = static_cast<float>(std::cos(a)), sa = static_cast<float>(std::sin(a));
	float const cb = static_cast<float>(std::cos(b)), sb = static_cast<float>(std::sin(b));
	float const cc = static_cast<float>(std::cos(c)), sc = static_cast<float>(std::sin(c));
	q[0] = ca * cb * cc + sa * sb * sc;
	q[1] = ca * cb * sc - sa * sb * cc;
	q[2] = sa * cb * cc + ca * sb * sc;
	q[3] = ca * sb * cc - sa * cb * sc;
	veh_rec = &veh[n];
}

// ---- bounded word reads --------------------------------------------------------

void read_n_rev(xmap_class* x, long dest, long n)
{
	// Compared as a length, so no pointer is formed past the mapping.
	if (n < 0 || x->end - x->cursor < n) {
		__VEDEZE_alert(0, "Invalid ACF read!", "", "", "", 2, acft_source_name, 18);
		return;
	}
	unsigned char* const to = reinterpret_cast<unsigned char*>(dest);
	if (n > 0) memcpy(to, x->cursor, static_cast<size_t>(n));
	x->cursor += n;
	if (!x->byte_swap) return;
	// Whole words only: a ragged tail is left as read, never swapped past n.
	for (long at = 0; at + 4 <= n; at += 4) {
		std::swap(to[at], to[at + 3]);
		std::swap(to[at + 1], to[at + 2]);
	}
}

// ---- presence queries ---------------------------------------------------------

namespace {
constexpr unsigned char fail_absent = 6;
}

int veh_class::has_this_thru(int i, int kind)
{
	if (flt_rec->fail[77 + i] == fail_absent) return 0;
	if (vect_thru_flag && flt_rec->engn_f[i].vect_ang >= 90.0f) return 0;
	if (kind == 5) return i < num_prop;
	if (kind == 6) {
		if (i < num_engn) return i < num_prop && type_in_kind(engn[i].eng_type, 1);
		return i < num_prop && engn[i].prop_type != 8;
	}
	bad_search("Bad has_this_thru search type!", 72);
	return 0;
}

int veh_class::has_this_engn(int i, int kind)
{
	if (flt_rec->fail[77 + i] == fail_absent) return 0;
	if (kind == 0) return i < num_engn;
	if (kind >= 1 && kind <= 4) return i < num_engn && type_in_kind(engn[i].eng_type, kind);
	bad_search("Bad has_this_engn search type!", 53);
	return 0;
}

int veh_class::has_this_wing(int i)
{
	if (i <= 7) return has_this_thru(i, 6);
	if (i <= 39 && flt_rec->fail[i + 205] == fail_absent) return 0;
	if (i >= 40 && i <= 55 && flt_rec->fail[i + 195] == fail_absent) return 0;
	return part[i].part_exists;
}

int veh_class::has_this_body(int i)
{
	if (i >= 77 && i <= 84 && flt_rec->fail[i] == fail_absent) return 0;
	return part[i].part_exists;
}

int veh_class::has_this_part(int i)
{
	if (i <= 7) return has_this_thru(i, 6);
	if (i <= 55) return has_this_wing(i);
	if (i <= 94) return has_this_body(i);
	bad_search("Bad has_this_part search type!", 104);
	return 0;
}

int veh_class::eng_has_helo_fadec(int i)
{
	return has_this_engn(i, 0) && type_in_kind(engn[i].eng_type, 1) &&
	       (helo_fadec_flag != 0 || prop3_present != 0);
}

int veh_class::eng_has_plane_fadec(int i)
{
	if (!has_this_engn(i, 0)) return 0;
	int const type = engn[i].eng_type;
	if (type == 4 || type == 5 || type == 6) return 1;
	return helo_fadec_flag == 0 && prop3_present == 0;
}

// ---- texture layout -------------------------------------------------------------

namespace {

// Default part rectangles in pixels; t of the second sheet is on its
// 256-pixel scale.
struct st_run {
	int first, last;
	float s_lo, s_hi, t_lo, t_hi;
};
st_run const st_runs[] = {
    {0, 7, 0, 16, 262, 390},
    {8, 9, 774, 1024, 0, 393},
    {10, 11, 522, 772, 0, 259},
    {12, 13, 522, 646, 305, 520},
    {14, 15, 648, 772, 305, 520},
    {16, 17, 774, 1024, 522, 772},
    {18, 18, 18, 268, 0, 259},
    {19, 19, 18, 268, 261, 520},
    {20, 20, 0, 128, 129, 256},
    {21, 21, 127, 256, 129, 256},
    {22, 22, 255, 384, 129, 256},
    {23, 23, 383, 512, 129, 256},
    {24, 24, 511, 640, 129, 256},
    {25, 25, 639, 768, 129, 256},
    {26, 26, 767, 896, 129, 256},
    {27, 27, 895, 1024, 129, 256},
    {28, 39, 895, 1024, 129, 256},
    {40, 47, 774, 1024, 458, 520},
    {48, 55, 774, 1024, 395, 456},
    {56, 56, 0, 772, 774, 1024},
    {57, 57, 0, 128, 0, 127},
    {58, 58, 127, 256, 0, 127},
    {59, 59, 255, 384, 0, 127},
    {60, 60, 383, 512, 0, 127},
    {61, 61, 511, 640, 0, 127},
    {62, 62, 639, 768, 0, 127},
    {63, 63, 767, 896, 0, 127},
    {64, 64, 895, 1024, 0, 127},
    {65, 76, 895, 1024, 0, 127},
    {77, 84, 774, 1024, 900, 1024},
    {85, 94, 648, 772, 261, 303},
};

struct st_tables {
	float s_lo[veh_part_slots], s_hi[veh_part_slots], t_lo[veh_part_slots], t_hi[veh_part_slots];
};

st_tables make_st_tables()
{
	st_tables t{};
	for (st_run const& r : st_runs)
		for (int i = r.first; i <= r.last; ++i) {
			t.s_lo[i] = r.s_lo;
			t.s_hi[i] = r.s_hi;
			t.t_lo[i] = r.t_lo;
			t.t_hi[i] = r.t_hi;
		}
	return t;
}

st_tables const base_st = make_st_tables();

constexpr float px = 1.0f / 1024.0f;

void set_rect(veh_part_class& p, int side, float s_lo, float t_lo, float s_hi, float t_hi)
{
	p.tex_s1[side] = s_lo;
	p.tex_t1[side] = t_lo;
	p.tex_s2[side] = s_hi;
	p.tex_t2[side] = t_hi;
}

}  // namespace

void veh_class::set_base_st(int n)
{
	float const aux_main[8] = {522 * px, 566 * px, 261 * px, 261 * px,
	                           564 * px, 646 * px, 303 * px, 303 * px};
	float const aux_other[8] = {0, 0, 0, 40 * px, 10 * px, 10 * px, 10 * px, 80 * px};
	for (int k = 0; k < 8; ++k) aux_st[k] = n == 0 ? aux_main[k] : aux_other[k];

	for (int g = 0; g < veh_gear_slots; ++g) {
		gear_s1[g] = 0;
		gear_t1[g] = 132 * px;
		gear_s2[g] = 16 * px;
		gear_t2[g] = 259 * px;
	}
	for (veh_door_class& d : door)
		for (int side = 0; side < 2; ++side) {
			d.door_s1[side] = 0;
			d.door_t1[side] = 393 * px;
			d.door_s2[side] = 16 * px;
			d.door_t2[side] = 520 * px;
		}
	for (veh_door_class& d : door_aux)
		for (int side = 0; side < 2; ++side) {
			d.door_s1[side] = 0;
			d.door_t1[side] = 0;
			d.door_s2[side] = 16 * px;
			d.door_t2[side] = 129 * px;
		}
	// The last weapon slot keeps its own texture.
	for (int w = 0; w < veh_wpn_slots - 1; ++w) {
		veh_part_class& p = wpn[w].wpn_part;
		set_rect(p, 0, 0, 0.5f, 520 * px, 1.0f);
		set_rect(p, 1, 0, 0, 520 * px, 0.5f);
	}

	st_tables t = base_st;
	for (int i = 0; i < veh_part_slots; ++i) {
		veh_part_class& p = part[i];
		p.tex_sheet = (i >= 20 && i <= 39) || (i >= 57 && i <= 76) ? 1 : 0;
		if (n != 0) {
			if (i <= 7) {
				t.t_hi[i] = 389;
				float const s = t.s_lo[i];
				t.s_lo[i] = t.s_hi[i];
				t.s_hi[i] = s;
			}
			if (i >= 12 && i <= 15) {
				t.t_lo[i] = 262;
				t.t_hi[i] = 393;
			}
			if (i == 57 || i == 58) {
				t.s_lo[i] = 522;
				t.s_hi[i] = 772;
				t.t_lo[i] = 395;
				t.t_hi[i] = 520;
				p.tex_sheet = 0;
			}
		}
		float const d = p.tex_sheet == 1 ? 256.0f : 1024.0f;
		for (int side = 0; side < 2; ++side)
			set_rect(p, side, t.s_lo[i] / 1024.0f, t.t_lo[i] / d, t.s_hi[i] / 1024.0f, t.t_hi[i] / d);
		if (i == 18 || i == 19) {
			p.tex_s1[1] += 252 * px;
			p.tex_s2[1] += 252 * px;
		} else if (i == 56) {
			p.tex_t1[1] -= 252 / d;
			p.tex_t2[1] -= 252 / d;
		} else if (i >= 77 && i <= 84) {
			p.tex_t1[1] -= 126 / d;
			p.tex_t2[1] -= 126 / d;
		}
	}
}

// ---- fuel, FADEC and autopilot defaults ---------------------------------------

namespace {
int const sfc_entries[4] = {0, 1, 3, 4};  // entry 2 is neither set nor tested
}

void veh_class::set_base_sfc(int type)
{
	if (type < 0 || type > 8) return;
	eng_type_row const& row = eng_types[type];
	float* block = nullptr;
	switch (row.group) {
	case sfc_rocket_group: sfc_rocket = row.sfc; return;
	case sfc_jet_group: block = sfc_jet; break;
	case sfc_prop_group:
	case sfc_burns_none: block = sfc_prop; break;
	}
	for (int e : sfc_entries) block[e] = row.sfc;
	block[5] = row.sfc_aux;
}

int veh_class::zero_sfc(int i)
{
	int const type = engn[i].eng_type;
	if (type < 0 || type > 8) return 0;
	float const* block = nullptr;
	switch (eng_types[type].group) {
	case sfc_burns_none: return 0;
	case sfc_rocket_group: return sfc_rocket == 0.0f;
	case sfc_jet_group: block = sfc_jet; break;
	case sfc_prop_group: block = sfc_prop; break;
	}
	for (int e : sfc_entries)
		if (block[e] == 0.0f) return 1;
	return 0;
}

void veh_class::set_cus_fadec()
{
	cus_fadec[0] = 0.004f;
	cus_fadec[1] = 0.01f;
	cus_fadec[2] = 0.01f;
}

void veh_class::set_cus_auto()
{
	float const w = m_max * kgstolbs;  // pounds
	float const r = static_cast<float>(1.0 - 1.2e-6 * w);
	float const gain = r < 0.4f ? 12.0f : r > 1.0f ? 30.0f : 30.0f * r;
	float g = static_cast<float>(1.0 + 1.8e-5 * w);
	if (g < 1.0f) g = 1.0f;
	if (g > 10.0f) g = 10.0f;
	cus_auto[0] = 0.1f;
	cus_auto[1] = 10.0f;
	cus_auto[2] = 20.0f;
	cus_auto[3] = 10.0f;
	cus_auto[4] = 0.2f * g;
	cus_auto[5] = gain;
	cus_auto[6] = 4.0f;
	cus_auto[7] = 10.0f;
	cus_auto[8] = 8.0f;
	cus_auto[10] = 4.0f;
	cus_auto[11] = 0.1f * g;
	cus_auto[12] = gain;
	cus_auto[13] = 4.0f;
	cus_auto[14] = 0.2f;
}

void veh_class::IO_coc(int) {}

// ---- door geometry --------------------------------------------------------------

namespace {

float clamp_between(float v, float end1, float end2)
{
	float const lo = end1 < end2 ? end1 : end2;
	float const hi = end1 < end2 ? end2 : end1;
	return v < lo ? lo : v > hi ? hi : v;
}

}  // namespace

void veh_door_class::set_door_geo(float* a, float* b, float* c, float* d)
{
	for (int j = 0; j < 4; ++j)
		for (int k = 0; k < 4; ++k)
			for (int x = 0; x < 3; ++x) {
				float const r = clamp_between(a[x] + (d[x] - a[x]) / 3.0f * j, a[x], d[x]);
				float const l = clamp_between(b[x] + (c[x] - b[x]) / 3.0f * j, b[x], c[x]);
				door_geo[j][k][x] = clamp_between(r + (l - r) / 3.0f * k, r, l);
			}

	auto length = [](float x, float y) { return std::sqrt(x * x + y * y); };
	auto angle = [](float x, float y) { return std::atan2(static_cast<double>(x), static_cast<double>(y)); };
	door_area = 0;
	for (int j = 0; j < 3; ++j)
		for (int k = 0; k < 3; ++k) {
			float const* p = door_geo[j][k];
			float const ux = door_geo[j][k + 1][0] - p[0], uy = door_geo[j][k + 1][1] - p[1];
			float const vx = door_geo[j + 1][k][0] - p[0], vy = door_geo[j + 1][k][1] - p[1];
			float const wx = door_geo[j + 1][k + 1][0] - p[0], wy = door_geo[j + 1][k + 1][1] - p[1];
			float const sin_vw = std::fabs(std::sin(static_cast<float>(angle(vx, vy) - angle(wx, wy))));
			float const sin_wu = std::fabs(std::sin(static_cast<float>(angle(wx, wy) - angle(ux, uy))));
			float const half_w = length(wx, wy) / 2.0f;
			door_area += length(vx, vy) * half_w * sin_vw + sin_wu * half_w * length(ux, uy);
		}
}

// ---- airfoil locations -----------------------------------------------------------

float veh_class::get_foil_loc(int i, float pos, char const& axis)
{
	veh_wing_class const& w = wing[i];
	if (i <= 7) {
		// Clamped before the conversion: a station past the int range (or NaN)
		// has no integer to truncate to.
		int k;
		float r;
		if (pos >= 10.0f) {
			k = 9;
			r = pos - 9.0f;
		} else if (pos > -1.0f) {
			k = static_cast<int>(pos);
			r = pos - static_cast<float>(k);
		} else {
			k = 0;
			r = pos;
		}
		if (axis == 'Y') return w.elem_y[k];
		double const sweep = static_cast<double>(engn[i].blade_sweep[k] * degtorad);
		float const along = r * w.elem_len;
		if (axis == 'X') return static_cast<float>(w.elem_x[k] + along * std::cos(sweep));
		return static_cast<float>(w.elem_z[k] + along * std::sin(sweep));
	}

	float s = pos * w.elem_len;
	if (w.shift_on) s -= w.semilen * w.shift_fac;
	flt_wing_class const& f = flt_rec->wing_f[i];
	veh_part_class const& p = part[i];
	if (axis == 'X') return s * f.cfac_xy * f.cfac_x * w.side_sign + p.part_x;
	if (axis == 'Y') return s * f.cfac_xy * f.cfac_y + p.part_y;
	int const m = pos >= 0 ? static_cast<int>(pos + 0.5f) : static_cast<int>(pos - 0.5f);
	return static_cast<float>(s * f.cfac_z + p.part_z +
	                          0.5 * static_cast<double>(w.chord_root + w.chord_tip) * span_fac[i][m]);
}
