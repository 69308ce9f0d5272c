// Index: image buffers and word access - byte order - readers - the 7.00 image
// step - weapons.
#include <cstring>
#include <utility>

#include "content/OLD_io_acf.h"
#include "content/OLD_io_acf_image.h"
#include "content/acft.h"
#include "foundation/alert.h"
#include "foundation/hl_string.h"
#include "foundation/xmap.h"

alignas(4) unsigned char old_veh[old_veh_size];
alignas(4) unsigned char old_wpn[old_wpn_size];

static char const OLD_io_acf_source[] = "ROdized/Legacy/OLD_io_acf";

// ---- byte order -----------------------------------------------------------------

namespace {

void reverse_words(unsigned char* b, long from, long to)
{
	for (long at = from; at + 4 <= to; at += 4) {
		std::swap(b[at], b[at + 3]);
		std::swap(b[at + 1], b[at + 2]);
	}
}

void wpn_swap()
{
	reverse_words(old_wpn, 0, old_wpn_size);
	reverse_words(old_wpn, 224, 384);  // the four names
}

}  // namespace

void veh_OBO_to_LBO()
{
	reverse_words(old_veh, 0, old_veh_size);
	// Texts go back to file order: the tail number and the two long texts,
	// the airfoil names, the attachment texts, the short text at 646098 and
	// the per-wing bytes at 647016 (whole words around both).
	reverse_words(old_veh, 1004, 2044);
	reverse_words(old_veh, 11244, 22924);
	reverse_words(old_veh, 625700, 637700);
	reverse_words(old_veh, 646096, 646140);
	reverse_words(old_veh, 647016, 647092);
}

void wpn_OBO_to_LBO() { wpn_swap(); }

// ---- readers --------------------------------------------------------------------

void OLD_IO_acf(xmap_class* x, std::string, int n, int version)
{
	if (x->end - x->cursor < old_veh_file) {
		__VEDEZE_alert(0, "Invalid OLD_IO_acf read!", "", "", "", 2, OLD_io_acf_source, 2875);
		return;
	}
	memcpy(old_veh, x->cursor, old_veh_file);
	x->cursor += old_veh_file;
	if (x->byte_swap) veh_OBO_to_LBO();
	if (version == 700) veh_700_to_740();
	veh_740_to_800(n);
}

void OLD_IO_wpn(xmap_class* x, int n, int w)
{
	// A short image would mix in the previous weapon's bytes: refused.
	if (x->end - x->cursor < old_wpn_size) {
		__VEDEZE_alert(0, "Invalid OLD_IO_wpn read!", "", "", "", 1, OLD_io_acf_source, __LINE__);
		return;
	}
	memcpy(old_wpn, x->cursor, old_wpn_size);
	x->cursor = x->end;
	if (x->byte_swap) wpn_swap();
	wpn_001_to_800(n, w);
}

// ---- the 7.00 image step --------------------------------------------------------

void veh_700_to_740()
{
	// Gear flags: a flagged gear takes its rows; with none flagged, each
	// present gear is flagged by the reference comparison.
	bool flagged = false;
	for (int j = 0; j < 6; ++j) {
		if (!img_i(old_veh, 11220 + 4 * j) || !img_i(old_veh, 623996 + 4 * j)) continue;
		img_put_f(old_veh, 623120 + 4 * j, 1.0f);
		img_put_i(old_veh, 639264 + 4 * j, 0);
		for (int m = 0; m < 3; ++m)
			img_put_i(old_veh, 619908 + 292 * m + 4 * j, img_i(old_veh, 618156 + 292 * m + 4 * j));
		flagged = true;
	}
	if (!flagged)
		for (int j = 0; j < 6; ++j) {
			if (!img_i(old_veh, 11220 + 4 * j)) continue;
			bool const set = img_i(old_veh, 617864 + 4 * j) != 1 &&
			                 img_f(old_veh, 625216) > img_f(old_veh, 24068 + 4 * j);
			img_put_i(old_veh, 623996 + 4 * j, set ? 1 : 0);
		}

	// The panel grows from 20 to 30 rows per array, from a copy taken first.
	unsigned char panel[3200];
	memcpy(panel, old_veh + 2308, sizeof panel);
	memset(old_veh + 3108, 0xff, 400);
	memcpy(old_veh + 3508, panel + 800, 800);
	memcpy(old_veh + 4708, panel + 1600, 800);
	memcpy(old_veh + 5908, panel + 2400, 800);

	int const mode = img_i(old_veh, 2276);
	if (mode == 1 || mode == 2) img_put_i(old_veh, 2276, mode - 1);

	for (int at = 2308; at < 3108; at += 4) {
		int const code = img_i(old_veh, at);
		if (code >= 304 && code <= 419) img_put_i(old_veh, at, 304);
	}
}

// ---- weapons --------------------------------------------------------------------

void wpn_001_to_800(int n, int w)
{
	wpn_class& wp = veh[n].wpn[w];
	veh_part_class& body = wp.wpn_part;
	unsigned char const* const b = old_wpn;
	img_get(b, 0, wp.wpn_head, 2);
	body.part_x = img_f(b, 12);
	body.part_y = img_f(b, 16);
	body.part_z = img_f(b, 20);
	img_get(b, 24, wp.wpn_set_a, 8);
	img_get(b, 56, wp.wpn_set_c, 3);
	wp.wpn_word_b = img_i(b, 68);
	body.part_scalar_a = img_i(b, 72);
	img_get(b, 76, wp.wpn_set_d, 37);
	img_get(b, 384, wp.wpn_set_e, 12);
	body.part_scalar_b = img_i(b, 9556);
	body.part_nrow = 12;
	body.part_ncol = 18;
	for (int k = 0; k < 4; ++k)
		strcpy_limit_field(wp.wpn_name[k], sizeof wp.wpn_name[k], reinterpret_cast<char const*>(b) + 224 + 40 * k, 40);
	// The image keeps three coordinate planes; the record keeps triples.
	for (int r = 0; r < 20; ++r)
		for (int p = 0; p < 18; ++p) {
			int const i = 18 * r + p;
			body.part_geo[r][p][0] = img_f(b, 9560 + 4 * i);
			body.part_geo[r][p][1] = img_f(b, 11000 + 4 * i);
			body.part_geo[r][p][2] = img_f(b, 12440 + 4 * i);
		}
	body.tex_s1[0] = 0.0f;
	body.tex_s1[1] = 0.0f;
	body.tex_t1[0] = 0.5f;
	body.tex_t1[1] = 0.0f;
	body.tex_s2[0] = 0.5078125f;
	body.tex_s2[1] = 0.5078125f;
	body.tex_t2[0] = 1.0f;
	body.tex_t2[1] = 0.5f;
}
