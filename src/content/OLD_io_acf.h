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
