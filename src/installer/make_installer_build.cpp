// The builder's per-file step and the build itself: packing and signing
// each file, carrying its history forward from the previous release, the
// "GONE" pass, and the directory file.
//
// Index: per-file step (comp_file) - the build (sub_install, build_install).
#include <stdlib.h>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/io_utils.h"
#include "foundation/io_zip.h"
#include "foundation/md5.h"
#include "foundation/xmap.h"
#include "installer/make_installer.h"

float zip_size_ins = 0;
long long zip_kb_ins = 0;
int num_files_com = 0;
std::string prev_dir;

namespace {

builder_md5_fn md5_now = nullptr;

void fatal(std::string const& l1, std::string const& l2, std::string const& l3, std::string const& l4, int line)
{
	__VEDEZE_alert(0, l1, l2, l3, l4, ALERT_fatal, "make_installer", line);
}

// Whole kilobytes of 1,000 bytes, the fraction dropped. A link is measured
// as what it installs, its target text, never as what it points at.
int kilobytes_of(std::string const& path)
{
	struct stat st;
	if (lstat(path.c_str(), &st) != 0 || (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))) return 0;
	return static_cast<int>(st.st_size / 1000);
}

void dir_line(std::string const& folder)
{
	if (folder == prev_dir) return;
	prev_dir = folder;
	ouf << "\nDIR " << folder << "\n";
}

void carried_line(file_version_struct const& v, std::string const& name)
{
	ouf << "FILE " << v.flag << " " << v.platform << " " << v.version << " " << static_cast<int>(v.zip_size) << " "
	    << static_cast<int>(v.ext_size) << " " << v.sig_want << " " << name << "\n";
}

int platform_of(std::string const& folder, std::string const& path)
{
	std::string const top = folder.substr(0, folder.find('/'));
	int code = -1;
	if (top == ALL_str) code = 0;
	else if (top == APL_str) code = 1;
	else if (top == WIN_str) code = 2;
	else if (top == X86_str) code = 3;
	else if (top == ITL_str) code = 4;
	else if (top == AMD_str) code = 5;
	else fatal("WHAT THE FUCK? I CAN'T TELL WHAT TYPE OF FILE THIS IS!", folder, top, "", __LINE__);

	if (code == 0 && path.find("All/Resources/plugins/") != std::string::npos) {
		struct plug_in {
			char const* text;
			int code;
		};
		static plug_in const table[] = {
		    {"All/Resources/plugins/SKPM.shlb", 1},
		    {"All/Resources/plugins/SKWidgets.shlb", 1},
		    {"All/Resources/plugins/SKPM.framework/SKPM", 1},
		    {"All/Resources/plugins/SKWidgets.framework/SKWidgets", 1},
		    {"All/Resources/plugins/SKPM.dll", 2},
		    {"All/Resources/plugins/SKWidgets.dll", 2},
		    {"All/Resources/plugins/SKPM.so", 6},
		    {"All/Resources/plugins/SKWidgets.so", 6},
		    {"All/Resources/plugins/ModwardenMac.skl", 1},
		    {"All/Resources/plugins/ModwardenWin.skl", 2},
		    {"All/Resources/plugins/ModwardenLin.skl", 6},
		};
		for (plug_in const& p : table)
			if (path.find(p.text) != std::string::npos) code = p.code;
	}
	return code;
}

void progress_every_10(std::string const& archive)
{
	if (num_files_com % 10 != 0) return;
	builder_progress_frame("reg: " + std::to_string(reg) + ": total files to compress: " +
	                           std::to_string(num_files_use) + ". now doing: " + std::to_string(num_files_com) + ".",
	                       archive);
}

}  // namespace

void builder_set_md5(builder_md5_fn fn) { md5_now = fn; }

void add_zip_size(int kilobytes)
{
	// Summed in whole kilobytes: single-precision steps of 10^-6 would drift
	// by whole percent over a large set, and the warning sits on a boundary.
	zip_kb_ins += kilobytes;
	zip_size_ins = static_cast<float>(static_cast<double>(zip_kb_ins) * 0.001 * 0.001);
}

void check_disc_size(std::string const& set_fold)
{
	if (zip_size_ins <= 7.7f) return;
	__VEDEZE_alert(0,
	               "You ain't gettin' this on a dvd! The GB in the get info window is wrong! It is "
	               "1024x1024x1024!",
	               "That's how they do hard drives, but not dvds! You need to read the bytes, not GB, to see how "
	               "big this thing really is!",
	               "The disc duplicator takes no more than 7.95 GB, whatever the label on the disc says, and the "
	               "installers still have to be added!",
	               set_fold, ALERT_report, "make_installer", __LINE__);
}

// ---- per-file step --------------------------------------------------------------

void comp_file(std::string path)
{
	static int zip_size = 0;
	static int ext_size = 0;
	static std::string sig;

	std::string const rel = below_master(path);
	std::string const archive = dst_fold + sim_name + "/" + rel + ".zip";
	std::string folder, name;
	split_name(rel, &folder, &name);

	int const err = file_to_zip(path, archive);
	if (err != 0) fatal("I could not zip a file!", error_str(err), path, archive, __LINE__);

	zip_size = kilobytes_of(archive);
	add_zip_size(zip_size);
	ext_size = kilobytes_of(path);

	// A failed signature is fatal: writing the last file's in its place would
	// list a signature no installed file can ever match.
	builder_md5_fn const md5 = md5_now ? md5_now : static_cast<builder_md5_fn>(calc_file_md5);
	if (md5(path, sig) != 0) fatal("Could not MD5 file!", path, "", "", __LINE__);

	dir_line(folder);
	int const code = platform_of(folder, path);

	std::string key = rel;
	chop_platform(key, code);
	auto const found = sim_info_index.find(key);
	if (found != sim_info_index.end()) {
		file_history_struct& rec = sim_info[static_cast<size_t>(found->second)];
		for (file_version_struct const& v : rec.versions) {
			if (v.sig_want == sig || v.sig_want == "GONE") continue;
			carried_line(v, name);
			if (name.empty())
				fatal("0-size filename!", "Now how am I supposed to deal with this?", "This is in the OLD file list.",
				      name, __LINE__);
		}
		rec.versions[0].get_it = 0;
	}

	ouf << "FILE " << is_dvd << " " << code << " " << kBuildVersion << " " << zip_size << " " << ext_size << " "
	    << sig << " " << name << "\n";
	if (name.empty())
		fatal("0-size filename!", "Now how am I supposed to deal with this?", "This is in the NEW file loop", name,
		      __LINE__);

	++num_files_com;
	progress_every_10(archive);
}

// ---- the build ---------------------------------------------------------------------

namespace {

// A folder as the file system resolves it, links and ".." followed; the part
// that does not exist yet is kept as written. Ends in "/".
std::string resolved_folder(std::string path)
{
	std::string rest;
	while (!path.empty() && path.back() == '/') path.pop_back();
	for (;;) {
		char* real = realpath(path.empty() ? "/" : path.c_str(), nullptr);
		if (real) {
			std::string out = real;
			free(real);
			if (out.back() != '/') out += '/';
			return out + rest;
		}
		size_t const cut = path.rfind('/');
		if (cut == std::string::npos) return path + "/" + rest;
		rest = path.substr(cut + 1) + "/" + rest;
		path.erase(cut);
	}
}

// A set written into the master tree would be packed as master files by
// the next build, or by this one: refused before anything is written.
void output_outside_master()
{
	std::string const out = resolved_folder(dst_fold_base), master = resolved_folder(src_fold);
	if (out.compare(0, master.size(), master) == 0)
		fatal("The output folder is inside the master tree!", dst_fold_base, src_fold, "", __LINE__);
}

// The previous release is read as if into an empty destination, so that
// its examination of installed files finds nothing of ours.
void read_previous()
{
	char const* base = getenv("TMPDIR");
	std::string pattern = std::string(base && *base ? base : "/tmp") + "/skybuild.XXXXXX";
	if (!mkdtemp(&pattern[0])) fatal("I could not make a private temporary folder!", pattern, "", "", __LINE__);
	int const got =
	    read_directory_in(old_dir_path, "Scanning old directory text file to get change log!", pattern + "/");
	rmdir(pattern.c_str());
	if (got != DIRST_ready)
		fatal("I could not read the old directory!",
		      "This means that this installer will not delete old files (needed even for the Skyrell / USA scenery "
		      "install).",
		      "It also means I will forget to fix this, and release without an old directory, and think that older "
		      "versions of stuff is all user-modified cause I don't recognize it!",
		      "So fix this.", __LINE__);
}

void index_previous()
{
	for (size_t i = 0; i < sim_info.size(); ++i) {
		file_history_struct& rec = sim_info[i];
		if (rec.versions.empty()) continue;
		file_version_struct& first = rec.versions[0];
		std::string key = first.name;
		chop_platform(key, first.platform);
		if (sim_info_index.count(key))
			fatal("WARNING: you appear to have a file TWICE in an old directory file.", "", "", first.name, __LINE__);
		sim_info_index[key] = static_cast<int>(i);
		first.get_it = 1;
		for (file_version_struct const& v : rec.versions)
			if (v.version == kBuildVersion)
				fatal("You idiot! I already have a version:", "version_number", "in file ", v.name, __LINE__);
	}
}

void structure_checks()
{
	std::string const t4 = "\t\t\t\t", t5 = "\t\t\t\t\t";
	struct check {
		int const* flag;
		int fails_when;
		std::string text;
		std::string const* path;
	};
	check const table[] = {
	    {&found_all_fold, 0, "!found_all_fold" + t4, &str_all_fold},
	    {&found_apl_fold, 0, "!found_apl_fold" + t4, &str_apl_fold},
	    {&found_win_fold, 0, "!found_win_fold" + t4, &str_win_fold},
	    {&found_X86_fold, 0, "!found_X86_fold" + t4, &str_X86_fold},
	    {&found_ITL_fold, 0, "!found_ITL_fold" + t4, &str_ITL_fold},
	    {&found_AMD_fold, 0, "!found_AMD_fold" + t4, &str_AMD_fold},
	    {&found_bundle, 1, "WE DO NOT USE BUNDLE ANY MORE!", &str_bundle},
	    {&found_afl_fold, 0, "!found_afl_fold" + t4, &str_afl_fold},
	    {&found_acf_fold, 0, "!found_acf_fold" + t4, &str_acf_fold},
	    {&found_ins_fold, 0, "!found_ins_fold" + t4, &str_ins_fold},
	    {&found_out_fold, 0, "!found_out_fold" + t4, &str_out_fold},
	    {&found_wpn_fold, 0, "!found_wpn_fold" + t4, &str_wpn_fold},
	    {&found_res_fold, 0, "!found_res_fold" + t4, &str_res_fold},
	    {&found_cus_fold, 0, "!found_cus_fold" + t4, &str_cus_fold},
	    {&found_plug, 0, "!found_plug" + t5, &str_plug},
	    {&found_terrain, 0, "!found_terran" + t5, &str_terrain},
	    {&found_men_file, 0, "!found_men_file" + t4, &str_men_file},
	    {&found_tex_file, 0, "!found_tex_file" + t4, &str_tex_file},
	};
	for (check const& c : table)
		if ((c.fails_when == 0) == (*c.flag == 0)) fatal("YOU IDIOT!", c.text, *c.path, "", __LINE__);
}

void gone_pass()
{
	for (file_history_struct& rec : sim_info) {
		if (rec.versions.empty() || rec.versions[0].get_it != 1) continue;
		file_version_struct const& first = rec.versions[0];
		if (!is_good_file(src_fold + first.name, 0, 0)) continue;
		std::string folder, name;
		split_name(first.name, &folder, &name);
		dir_line(folder);
		for (file_version_struct const& v : rec.versions) carried_line(v, name);
		file_version_struct const& last = rec.versions.back();
		if (last.sig_want != "GONE")
			ouf << "FILE " << last.flag << " " << last.platform << " " << kBuildVersion << " 0 0 GONE " << name
			    << "\n";
	}
}

}  // namespace

void sub_install()
{
	sim_name = erth_build_name[reg];
	dst_fold = dst_fold_base + "MY CONTAINER FOR " + sim_name + "/";
	std::string const set_fold = dst_fold + sim_name + "/";
	std::string const dir_zip = set_fold + "directory.txt.zip";
	std::string const old_text = set_fold + "directory.txt";
	// The text is written in this run's private temporary folder, which goes
	// at every exit, a fatal alert's too; the archive under a name of its own
	// until it is whole. So a build that stops never leaves a directory file
	// that lists only part of the set.
	std::string work_fold;
	get_OS_abs_path(3, work_fold);
	std::string const dir_file = (work_fold.empty() ? set_fold : work_fold) + "directory.txt";
	std::string const dir_zip_part = dir_zip + ".part";

	zip_size_ins = 0;
	zip_kb_ins = 0;
	prev_dir = "---";
	num_files_rec = num_files_use = num_files_com = 0;
	paths.clear();
	files.clear();
	sim_info.clear();
	sim_info_index.clear();

	output_outside_master();
	if (is_dvd == 1) old_dir_path.clear();
	else read_previous();
	index_previous();

	// An index left from an earlier build must not stand beside the new
	// archives if this one fails. Done after the previous file is read,
	// which may be that very file.
	delete_file(dir_zip);
	delete_file(dir_zip_part);
	delete_file(old_text);
	delete_file(dir_file);

	make_folder(dst_fold);
	make_folder(set_fold);

	ouf_open(dir_file, xmap_type_text, 840, "no-copyright-string");
	ouf << "INSTALLER\n\n";

	std::string walk_from = src_fold;
	pref_level(&walk_from);
	structure_checks();

	for (std::string const& p : paths) make_folder(p);
	for (std::string const& f : files) comp_file(f);
	gone_pass();

	ouf.close();

	if (file_to_zip(dir_file, dir_zip_part) != 0) fatal("zip!=0", "", dir_file, dir_zip, __LINE__);
	if (std::rename((app_path + dir_zip_part).c_str(), (app_path + dir_zip).c_str()) != 0) {
		delete_file(dir_zip_part);
		fatal("zip!=0", "", dir_file, dir_zip, __LINE__);
	}
	if (delete_file(dir_file) != 0) fatal("del!=0", "", "", dir_file, __LINE__);

	check_disc_size(set_fold);
}

void build_install()
{
	sub_install();
	__VEDEZE_alert(0, "OK compression is done. Checklist:",
	               "Copy the version text and version number of this build into serverlist.txt and put it on the web "
	               "host.",
	               "Upload the -NET uploads- folder stuff.",
	               "Extract directory.txt.zip to the next previous directory file for use next time.", ALERT_report,
	               "make_installer", __LINE__);
}
