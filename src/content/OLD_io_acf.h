// Readers and converters of legacy aircraft files: the panel instrument code
// renumberings.
#pragma once

// 7.x panel code to 8.x: -1 and 0 pass, 1-612 by table, anything else -1.
int i7x_to_8x(int code);
// 8.x panel code to 8.30: 0-757 by table (onto 0-758 without 608), anything
// else -1.
int i8x_to_i830(int code);
// Renumbers every instrument slot of veh[n] with i8x_to_i830, in place.
void OLD_ins_to_830(int n);

// ---- legacy aircraft and weapon files ----------------------------------------

#include <string>

class xmap_class;

enum {
	old_veh_size = 647100,  // the image buffer; a file fills old_veh_file bytes
	old_veh_file = 647096,
	old_wpn_size = 13880,
};

// The last images read, in host byte order after a read; overwritten by the
// next read of their kind.
extern unsigned char old_veh[old_veh_size];
extern unsigned char old_wpn[old_wpn_size];

// Reads an aircraft image at the scanner's cursor (header already checked,
// version as check_file returned it) into veh[n]; veh[n] must be cleared.
// path is not used. Too few bytes left is fatal, with nothing converted.
void OLD_IO_acf(xmap_class* x, std::string path, int n, int version);
// Reads a weapon image (the first old_wpn_size bytes of the rest of the
// file) into weapon slot w of veh[n]. A shorter rest is refused with an
// alert, leaving old_wpn and the slot as they were.
void OLD_IO_wpn(xmap_class* x, int n, int w);

// Reverse every word of an image read in the other byte order, keeping
// its texts in file order.
void veh_OBO_to_LBO();
void wpn_OBO_to_LBO();

// Converters of the image in old_veh / old_wpn.
void veh_700_to_740();
void veh_740_to_800(int n);
void wpn_001_to_800(int n, int w);
