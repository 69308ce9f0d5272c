// The builder: walks a master tree, packs every file it takes into an
// archive of its own, and writes the directory file the updater reads.
//
// Index: settings and fixed paths - walk state - file rules and the walk -
// per-file step - the build - builder mode (command line).
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

#include "installer/utils.h"  // sim_info, sim_info_index, read_directory

// ---- settings and fixed paths ------------------------------------------------
extern std::string sim_name;       // replaced by the region's set name at each build
extern std::string old_dir_path;   // previous release's (expanded) directory file
extern std::string src_fold;       // master tree, ends in "/"
extern std::string dst_fold_base;  // output folder, ends in "/"
extern std::string dst_fold;       // this set's container, set by sub_install
// 0 the network set, 1 a disc set. The program never changes it; tests do.
extern int is_dvd;
extern int reg;  // region of a disc set, 0 to 10

extern std::string const ALL_str, APL_str, WIN_str, X86_str, ITL_str, AMD_str;

extern std::string str_all_fold, str_apl_fold, str_win_fold, str_X86_fold, str_ITL_fold, str_AMD_fold;
extern std::string str_bundle, str_afl_fold, str_acf_fold, str_pfc_fold, str_ins_fold, str_men_file;
extern std::string str_out_fold, str_wpn_fold, str_res_fold, str_cus_fold, str_plug, str_terrain;
extern std::string str_orbt, str_erth, str_mars, str_moon, str_mars_env, str_tex_file;
// Forms the fixed paths above from the current src_fold.
void builder_set_paths();

extern std::string erth_build_name[11];

// ---- walk state --------------------------------------------------------------
extern int found_all_fold, found_apl_fold, found_win_fold, found_X86_fold, found_ITL_fold, found_AMD_fold;
extern int found_bundle, found_afl_fold, found_acf_fold, found_ins_fold, found_out_fold, found_wpn_fold;
extern int found_res_fold, found_cus_fold, found_plug, found_terrain, found_men_file, found_tex_file;

extern int num_files_rec;             // files the walk met
extern int num_files_use;             // files it took
extern std::vector<std::string> files;  // absolute paths of the files taken, in walk order
extern std::set<std::string> paths;     // output folders they need, no trailing "/"

// ---- file rules and the walk -----------------------------------------------------
// Walks the folder (absolute, ends in "/") and everything below it.
void pref_level(std::string* folder);
// 1 when the file belongs in the set being built. The content test (a
// missing or empty file is left out) runs only for (0, non-zero).
int is_good_file(std::string path, int content_flag, int check_content);
// 0 when the file below the world-terrain folder is one every set carries.
int path_is_dvd_only(std::string path);
// 1 when the tile the path names belongs to region reg.
int want_reg(std::string path);
// Rewrites a master-tree path (platform folder first) into its key, in place.
void chop_platform(std::string& path, int platform);
// The path below src_fold (the whole path when it is not below it).
std::string below_master(std::string const& path);
// Splits a path at its last backslash, ":" or "/", its last character not
// examined: the folder keeps the separator (empty when there is none), the
// name is the rest.
void split_name(std::string const& path, std::string* folder, std::string* name);
// One progress frame of a long loop: a bar with two lines at the bottom of
// the window, then one pending event; "q" stops the build.
void builder_progress_frame(std::string const& line1, std::string const& line2);

// ---- per-file step -----------------------------------------------------------------
extern float zip_size_ins;     // archive sizes so far, in units of 10^9 bytes
extern long long zip_kb_ins;   // the same in kilobytes, which zip_size_ins is formed from
void add_zip_size(int kilobytes);
// The warning when the archives will not fit a disc.
void check_disc_size(std::string const& set_fold);
extern int num_files_com;      // files handled so far
extern std::string prev_dir;   // folder of the last DIR line written

// Packs, measures and signs one accepted master file and writes its lines
// to ouf.
void comp_file(std::string path);

// The signer comp_file uses; replaceable so that tests can make it fail.
using builder_md5_fn = int (*)(std::string const& path, std::string& sig);
void builder_set_md5(builder_md5_fn fn);  // null restores calc_file_md5

// ---- the build -------------------------------------------------------------------------
int const kBuildVersion = 85008;

void sub_install();
void build_install();

// ---- builder mode ----------------------------------------------------------------------
// "--build [--master DIR/] [--previous FILE] [--output DIR/]": 1 when argv asks
// for the builder.
bool builder_wanted(int argc, char const* const* argv);
// Parses the options into src_fold, old_dir_path and dst_fold_base, made
// absolute against cwd. False (nothing changed) for an unknown option or
// one without its value.
bool builder_parse(int argc, char const* const* argv, std::string const& cwd);
// The whole builder run; the program's exit status (2 with kUsage on
// stderr for a refused command line).
int builder_main(int argc, char const* const* argv);
