// The installer's built-in images, painted at build time (tools/ins_art_gen):
// raw RGBA, four bytes a pixel, rows bottom-up, no header.
#pragma once

extern "C" {
extern const unsigned char t_installer_dat[];   // 1010 x 764, texture 364
extern const unsigned char t_ins_back_1_dat[];  // 1024 x 768, texture 365
extern const unsigned char t_ins_back_2_dat[];  // 1024 x 768, texture 366
extern const unsigned char t_interface_dat[];   // 512 x 512, texture 363

// One past the last byte of each, for checking what was embedded.
extern const unsigned char t_installer_dat_end[];
extern const unsigned char t_ins_back_1_dat_end[];
extern const unsigned char t_ins_back_2_dat_end[];
extern const unsigned char t_interface_dat_end[];
}
