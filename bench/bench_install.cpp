// The installer's and the builder's whole jobs against what a shell user
// would do with standard tools, measured in the same run on the same data: a
// fresh install through the frame loop against curl -Z + unzip, an update of
// 5% of the files against md5sum + curl + unzip, the destination's signature
// scan against md5sum, the builder against a per-file zip plus md5sum, and
// the frame times during the installs. Makes its own reference release (the
// same on every run) and prints one table with ratios. Run by bench/run,
// which gives it an X display, nginx on loopback and the rest of its setting.
//
//   bench_install --work DIR --port PORT [--quick] [--rounds N] [--files N] [--small] [--per-folder N]
//
// Index: options - reference master - builder - destination scan - installs
// and their baselines - table - main.
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bench_common.h"
#include "bench_road.h"
#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/io_utils.h"
#include "foundation/io_zip.h"
#include "foundation/md5.h"
#include "installer/make_installer.h"
#include "installer/utils.h"
#include "platform/app_folder.h"
#include "shell/app_callbacks.h"
#include "shell/hl_init.h"

using bench::die;
using bench::make_path;
using bench::median;
using bench::read_file;
using bench::remove_tree;
using bench::run_child;
using bench::timing;
using bench::warm;
using bench::write_file;

// The frame loop runs the installer's own per-frame update; keys and menus
// have no use here.
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

// ---- options -------------------------------------------------------------------

struct options {
	std::string work;  // ends in "/"
	bool quick = false;
	int rounds = 0;  // 0: 3, or 1 in quick mode
	int port = 0;    // nginx's, serving WORK/www and WORK/served
	size_t files = 0;       // generated files; 0: 5,000, or 40 in quick mode
	bool small = false;     // every file 1 to 20 kB instead of the usual mix of sizes
	size_t per_folder = 50; // generated files to a folder
};

char const* const kUsage =
    "usage: bench_install --work DIR --port PORT [--quick] [--rounds N] [--files N] [--small] [--per-folder N]";

options parse(int argc, char** argv)
{
	options o;
	for (int i = 1; i < argc; ++i) {
		std::string const a = argv[i];
		if (a == "--quick") o.quick = true;
		else if (a == "--rounds" && i + 1 < argc) o.rounds = std::atoi(argv[++i]);
		else if (a == "--work" && i + 1 < argc) o.work = argv[++i];
		else if (a == "--port" && i + 1 < argc) o.port = std::atoi(argv[++i]);
		else if (a == "--files" && i + 1 < argc) o.files = std::strtoul(argv[++i], nullptr, 10);
		else if (a == "--small") o.small = true;
		else if (a == "--per-folder" && i + 1 < argc) o.per_folder = std::strtoul(argv[++i], nullptr, 10);
		else die(kUsage);
	}
	if (o.work.empty() || o.port <= 0) die(kUsage);
	if (o.work.back() != '/') o.work += '/';
	if (o.rounds <= 0) o.rounds = o.quick ? 1 : 3;
	if (o.files == 0) o.files = o.quick ? 40 : 5000;
	if (o.per_folder == 0) die(kUsage);
	return o;
}

// ---- reference master ---------------------------------------------------------------

// Bumped whenever the generator changes, so that a kept master is remade.
int const kGeneratorVersion = 2;

struct master_tree {
	std::string root;                // ends in "/"
	std::vector<std::string> files;  // paths below root, in generation order
	uint64_t bytes = 0;
};

// Text-like content: words and numbers in lines, as in aircraft and
// scenery text files.
std::string text_like(std::mt19937_64& rng, size_t size)
{
	static char const* const words[] = {"PROP", "wing", "flap", "0.25000", "-1.000", "texture", "panel",
	                                    "engine", "gear", "cockpit", "light", "nav", "strobe", "aileron",
	                                    "elevator", "rudder", "P acf/_", "1", "0", "12.5"};
	std::string s;
	s.reserve(size + 16);
	while (s.size() < size) {
		s += words[rng() % (sizeof words / sizeof *words)];
		s += rng() % 8 ? ' ' : '\n';
	}
	s.resize(size);
	return s;
}

// Binary-like content: one half random bytes, the other half small values
// as in image and model data.
std::string binary_like(std::mt19937_64& rng, size_t size)
{
	std::string s(size, '\0');
	size_t const half = size / 2;
	for (size_t i = 0; i < half; i += 8) {
		uint64_t v = rng();
		for (size_t k = 0; k < 8 && i + k < half; ++k, v >>= 8) s[i + k] = static_cast<char>(v);
	}
	for (size_t i = half; i < size; ++i) s[i] = static_cast<char>(rng() % 7 * 3);
	return s;
}

// count files in the layout the builder requires: the six platform folders,
// the folders "All" may hold, the menu and text files, the plug-in and
// terrain folders. Four in five files are text-like of 2 to 18 kB; one in
// five is binary-like, spread from 50 kB to 1.45 MB around a median of
// 270 kB (with small, every file is 1 to 20 kB). 5,000 files come to about
// 460 MB. Every file gets the same time, so the builder's archives come out
// the same on every run.
master_tree make_master(std::string const& root, size_t count, bool small, size_t per_folder)
{
	master_tree m;
	m.root = root;
	std::mt19937_64 rng(2026);
	std::vector<size_t> sizes;
	std::vector<bool> binary;
	static char const* const folders[] = {"All/Aircraft/", "All/Resources/", "All/Custom Scenery/",
	                                      "All/Airfoils/", "All/Instructions/", "All/Weapons/"};
	for (size_t i = 0; i < count; ++i) {
		bool const bin = i % 5 == 4;
		double const u = std::uniform_real_distribution<double>(0, 1)(rng);
		size_t const size = small ? 1000 + static_cast<size_t>(u * 19000)
		                    : bin ? static_cast<size_t>(50000 * std::pow(29.0, u))
		                          : 2000 + static_cast<size_t>(u * 16000);
		// per_folder files to a folder; a few files for the Linux target.
		std::string folder = i % 97 == 3 ? std::string("Linux Generic x86/bin/")
		                                 : std::string(folders[i % 6]) + "set " + std::to_string(i / (6 * per_folder)) +
		                                       "/group " + std::to_string(i % 6) + "/";
		char name[40];
		std::snprintf(name, sizeof name, "%s_%05zu.%s", bin ? "data" : "text", i, bin ? "dat" : "txt");
		m.files.push_back(folder + name);
		sizes.push_back(size);
		binary.push_back(bin);
		m.bytes += size;
	}
	struct fixed_file {
		char const* path;
		char const* text;
	};
	static fixed_file const fixed[] = {
	    {"All/Resources/menus/English/Skyrell.txt", "File|Open|Save|Quit\n"},
	    {"All/Resources/text/English/Skyrell.txt", "Welcome to Skyrell.\n"},
	    {"All/Resources/plugins/SKPM.so", "plug-in library stand-in\n"},
	    {"All/Resources/default scenery/820 world terrain/terrain/temp_crp_sq1.ter", "terrain\n"},
	    {"All/Output/situations/readme.txt", "Saved situations go here.\n"},
	    {"Macintosh/Skyrell Mac", "for another target\n"},
	    {"Windows/Skyrell.exe", "for another target\n"},
	    {"Linux Pentium 3/Skyrell-p3", "for another target\n"},
	    {"Linux Athlon XP/Skyrell-axp", "for another target\n"},
	};
	for (auto const& f : fixed) {
		m.files.push_back(f.path);
		m.bytes += std::strlen(f.text);
	}

	std::string const marker = root + ".ready";
	std::string const stamp = std::to_string(kGeneratorVersion) + " " + std::to_string(count) + (small ? " small " : " mixed ") +
	                          std::to_string(per_folder) + "\n";
	if (read_file(marker) == stamp) return m;

	std::printf("making the reference master (%zu files) in %s ...\n", m.files.size(), root.c_str());
	std::fflush(stdout);
	remove_tree(root);
	make_path(root);
	std::mt19937_64 content(7);
	for (size_t i = 0; i < count; ++i)
		write_file(root + m.files[i], binary[i] ? binary_like(content, sizes[i]) : text_like(content, sizes[i]));
	for (size_t i = 0; i < sizeof fixed / sizeof *fixed; ++i) write_file(root + m.files[count + i], fixed[i].text);
	for (char const* f : {"All/Aircraft", "All/Airfoils", "All/Instructions", "All/Output", "All/Weapons",
	                      "All/Custom Scenery"})
		make_path(root + f + "/");
	timespec const when[2] = {{1767225600, 0}, {1767225600, 0}};  // 2026-01-01
	for (auto const& f : m.files) utimensat(AT_FDCWD, (root + f).c_str(), when, 0);
	write_file(marker, stamp);
	return m;
}

// md5sum over paths, through xargs: one command line cannot hold the paths
// of a large release.
timing md5sum_of(std::vector<std::string> const& paths, std::string const& list, std::string const& out)
{
	std::string names;
	for (auto const& p : paths) names += p + '\0';
	write_file(list, names);
	return run_child({"xargs", "-0", "-a", list, "md5sum"}, out);
}

// ---- builder --------------------------------------------------------------------------

std::string const kSetName = "Skyrell 8.50 Beta 8";

std::string set_folder(std::string const& output)
{
	return output + "MY CONTAINER FOR " + kSetName + "/" + kSetName + "/";
}

// One build of the master into output (emptied first, untimed).
timing build_ours(master_tree const& m, std::string const& previous, std::string const& output)
{
	remove_tree(output);
	make_path(output);
	src_fold = m.root;
	old_dir_path = previous;
	dst_fold_base = output;
	builder_set_paths();
	int const case_sensitive = g_case_sensitive;
	g_case_sensitive = 0;
	double const w0 = bench::wall_now(), c0 = bench::cpu_now();
	sub_install();
	timing const t{bench::wall_now() - w0, bench::cpu_now() - c0};
	g_case_sensitive = case_sensitive;
	return t;
}

// What a shell user would do instead: one zip per file, then md5sum over
// the list.
timing build_baseline(master_tree const& m, std::string const& output, std::string const& listing)
{
	remove_tree(output);
	make_path(output);
	timing t;
	double const w0 = bench::wall_now();
	std::vector<std::string> md5;
	for (auto const& f : m.files) {
		std::string const zip = output + f + ".zip";
		make_path(zip);
		t.cpu += run_child({"zip", "-q", "-X", "-j", zip, m.root + f}).cpu;
		md5.push_back(m.root + f);
	}
	t.cpu += md5sum_of(md5, output + "md5.list", listing).cpu;
	t.wall = bench::wall_now() - w0;
	return t;
}

// The builder's FILE lines (current versions) by path below the master.
std::map<std::string, std::string> listed_signatures(std::string const& set)
{
	std::string const zip = set + "directory.txt.zip";
	std::string const text = set + "directory.check.txt";
	run_child({"unzip", "-p", zip, "directory.txt"}, text);
	std::map<std::string, std::string> sigs;
	std::ifstream in(text);
	std::string line, dir;
	while (std::getline(in, line)) {
		if (line.compare(0, 4, "DIR ") == 0) dir = line.substr(4);
		if (line.compare(0, 5, "FILE ") != 0) continue;
		// FILE flag platform version zip ext sig name
		size_t at = 0;
		for (int field = 0; field < 6; ++field) at = line.find(' ', at) + 1;
		size_t const end = line.find(' ', at);
		sigs[dir + line.substr(end + 1)] = line.substr(at, end - at);
	}
	remove(text.c_str());
	return sigs;
}

// The builder listed every master file with md5sum's signature, and wrote
// its archive.
void check_build(master_tree const& m, std::string const& set, std::string const& listing)
{
	std::map<std::string, std::string> const sigs = listed_signatures(set);
	std::ifstream in(listing);
	std::string line;
	size_t n = 0;
	for (; std::getline(in, line); ++n) {
		std::string const path = line.substr(34 + m.root.size());
		auto const it = sigs.find(path);
		if (it == sigs.end() || it->second != line.substr(0, 32)) die("the builder's signature differs: " + line);
		if (access((set + path + ".zip").c_str(), R_OK) != 0) die("no archive for " + path);
	}
	if (n != m.files.size() || sigs.size() != m.files.size())
		die("the builder listed " + std::to_string(sigs.size()) + " files of " + std::to_string(m.files.size()));
}

// ---- destination scan ------------------------------------------------------------------

// read_directory's examination of an installed copy, parsing included.
timing scan_ours(std::string const& directory, std::string const& dest)
{
	dest_dir_path = dest;
	stg.download_os = 3;
	double const w0 = bench::wall_now(), c0 = bench::cpu_now();
	int const state = read_directory(directory, "Scanning directory text file to see if you already have Skyrell installed...");
	timing const t{bench::wall_now() - w0, bench::cpu_now() - c0};
	if (state != 3) die("read_directory refused " + directory);
	return t;
}

// The installed path of every listed file that read_directory found.
std::vector<std::string> present_files()
{
	std::vector<std::string> out;
	for (auto const& h : sim_info)
		if (h.versions.back().sig_have != "NONE") out.push_back(installed_path(h.versions.back().name));
	return out;
}

void check_scan(std::string const& listing, size_t wanted)
{
	std::map<std::string, std::string> have;
	for (auto const& h : sim_info) {
		auto const& v = h.versions.back();
		if (v.sig_have == "NONE") continue;
		if (!v.up_to_date) die("the scan finds " + v.name + " out of date");
		have[installed_path(v.name)] = v.sig_have;
	}
	if (have.size() != wanted) die("the scan found " + std::to_string(have.size()) + " of " + std::to_string(wanted));
	std::ifstream in(listing);
	std::string line;
	while (std::getline(in, line)) {
		auto const it = have.find(line.substr(34));
		if (it == have.end() || it->second != line.substr(0, 32)) die("the scan's signature differs: " + line);
	}
}

// The set's wanted archives (those of the Linux target) expanded into dest,
// as a finished install leaves them.
size_t install_copy(std::string const& set, std::string const& directory, std::string const& dest)
{
	remove_tree(dest);
	make_path(dest);
	dest_dir_path = dest;
	stg.download_os = 3;
	if (read_directory(directory, "Scanning") != 3) die("read_directory refused " + directory);
	size_t n = 0;
	for (size_t i = 0; i < sim_info.size(); ++i) {
		auto const& v = sim_info[i].versions.back();
		if (v.sig_want == "GONE" || !want_this_f(static_cast<int>(i), static_cast<int>(sim_info[i].versions.size()) - 1, v.flag))
			continue;
		std::string const target = installed_path(v.name);
		make_path(target);
		if (zip_to_file(set + v.name + ".zip", target.substr(0, target.rfind('/') + 1), nullptr, 0) != 0)
			die("cannot expand " + v.name);
		++n;
	}
	return n;
}

// ---- installs and their baselines -------------------------------------------------------

std::string const kHost = "dl1.kestrin-research.example";

// The files an install for Linux generic x86 gets: master path -> installed
// path below the destination.
std::map<std::string, std::string> wanted_files(master_tree const& m)
{
	std::map<std::string, std::string> out;
	for (auto const& f : m.files) {
		if (f.compare(0, 4, "All/") == 0) out[f] = f.substr(4);
		else if (f.compare(0, 18, "Linux Generic x86/") == 0) out[f] = f.substr(18);
	}
	return out;
}

std::string url_path(std::string const& path)
{
	static char const hex[] = "0123456789ABCDEF";
	std::string out;
	for (unsigned char c : path) {
		if (std::isalnum(c) || c == '/' || c == '.' || c == '_' || c == '-') {
			out += static_cast<char>(c);
		} else {
			out += '%';
			out += hex[c >> 4];
			out += hex[c & 15];
		}
	}
	return out;
}

// nginx serves WORK/served: the container of the release to install.
void serve(std::string const& w, std::string const& output)
{
	std::string const link = w + "served";
	remove(link.c_str());
	if (symlink((output + "MY CONTAINER FOR " + kSetName).c_str(), link.c_str()) != 0) die("cannot link " + link);
}

void write_server_list(std::string const& w)
{
	write_file(w + "www/serverlist.txt", "I\n820 version\nSERVERS\nBETA " + kSetName + "\nSERVER " + kHost +
	                                         "\n/\nBenchmark server (loopback)\nENDOFLIST\n");
}

// The body bytes nginx sent for the requests logged past offset `from`.
uint64_t bytes_served(std::string const& access_log, size_t from)
{
	std::string const text = read_file(access_log);
	uint64_t total = 0;
	std::istringstream in(from < text.size() ? text.substr(from) : std::string());
	std::string line;
	while (std::getline(in, line)) {
		// ... "REQUEST" STATUS BYTES "REFERER" "AGENT"
		size_t const q1 = line.find('"');
		size_t const q2 = q1 == std::string::npos ? q1 : line.find('"', q1 + 1);
		if (q2 == std::string::npos) continue;
		unsigned status = 0;
		unsigned long long bytes = 0;
		if (std::sscanf(line.c_str() + q2 + 1, " %u %llu", &status, &bytes) == 2) total += bytes;
	}
	return total;
}

size_t file_size(std::string const& path)
{
	struct stat st;
	return stat(path.c_str(), &st) == 0 ? static_cast<size_t>(st.st_size) : 0;
}

// curl fetches the archives of `files` (master paths) from the set through
// nginx, four at a time, into dl (emptied first), then unzip expands each
// folder's archives into the matching folder below dest: what a shell user
// with standard tools would do.
timing fetch_and_expand(std::vector<std::string> const& files, std::map<std::string, std::string> const& wanted,
                        int port, std::string const& dl, std::string const& dest, std::string const& config)
{
	remove_tree(dl);
	make_path(dl);
	std::string cfg;
	std::map<std::string, std::string> folders;  // archive folder -> installed folder
	for (auto const& f : files) {
		cfg += "url = \"http://" + kHost + "/" + url_path(kSetName + "/" + f) + ".zip\"\noutput = \"" + dl + f +
		       ".zip\"\n";
		std::string const& to = wanted.at(f);
		folders[dl + f.substr(0, f.rfind('/') + 1)] = dest + to.substr(0, to.rfind('/') + 1);
	}
	write_file(config, cfg);
	timing t;
	double const w0 = bench::wall_now();
	t.cpu += run_child({"curl", "-sS", "-f", "-Z", "--parallel-max", "4", "--create-dirs", "-x",
	                    "http://127.0.0.1:" + std::to_string(port), "-K", config})
	             .cpu;
	for (auto const& [from, to] : folders) {
		make_path(to);
		t.cpu += run_child({"unzip", "-q", "-o", from + "*.zip", "-d", to}).cpu;
	}
	t.wall = bench::wall_now() - w0;
	return t;
}

// Every wanted file of dest carries the signature the set lists for it.
void check_installed(std::map<std::string, std::string> const& wanted, std::string const& set, std::string const& dest)
{
	std::map<std::string, std::string> const sigs = listed_signatures(set);
	for (auto const& [from, to] : wanted) {
		std::string sig;
		if (calc_file_md5(dest + to, sig) != 0) die("not installed: " + dest + to);
		auto const it = sigs.find(from);
		if (it == sigs.end() || it->second != sig) die("installed file differs from the set: " + dest + to);
	}
}

// The second release's master: the first with one in twenty of its
// generated files rewritten, text-like and binary-like in their usual
// shares (hard links for the others). The changed master paths.
std::vector<std::string> make_changed_master(master_tree const& m, master_tree& m2, size_t count)
{
	remove_tree(m2.root);
	run_child({"cp", "-al", m.root.substr(0, m.root.size() - 1), m2.root.substr(0, m2.root.size() - 1)});
	m2.files = m.files;
	std::vector<std::string> changed;
	std::mt19937_64 rng(85007);
	timespec const when[2] = {{1767312000, 0}, {1767312000, 0}};  // 2026-01-02
	// One in each twenty files; the offset moves so that every fifth file
	// (the binary-like ones) is met as often as the others.
	for (size_t k = 0; 20 * k + 7 + k % 5 < count; ++k) {
		size_t const i = 20 * k + 7 + k % 5;
		std::string const path = m2.root + m.files[i];
		size_t const size = file_size(path);
		remove(path.c_str());  // the first master keeps its copy
		write_file(path, m.files[i].find(".dat") != std::string::npos ? binary_like(rng, size) : text_like(rng, size));
		utimensat(AT_FDCWD, path.c_str(), when, 0);
		changed.push_back(m.files[i]);
	}
	return changed;
}

// The first set's directory file as the previous release's: the builder
// stamps its one release number on every new line and refuses a previous
// file that already holds it.
void write_previous_85007(std::string const& set, std::string const& out)
{
	run_child({"unzip", "-p", set + "directory.txt.zip", "directory.txt"}, out + ".85008");
	std::ifstream in(out + ".85008");
	std::string text, line;
	while (std::getline(in, line)) {
		// FILE flag platform version ...
		if (line.compare(0, 5, "FILE ") == 0) {
			size_t const a = line.find(' ', 5), b = a == std::string::npos ? a : line.find(' ', a + 1);
			if (b != std::string::npos && line.compare(b + 1, 6, "85008 ") == 0) line.replace(b + 1, 5, "85007");
		}
		text += line + "\n";
	}
	write_file(out, text);
	remove((out + ".85008").c_str());
}

// What a shell user would do for the update: md5sum over the copy, the
// changed files found against the new directory, curl of their archives and
// unzip. The changed master paths found.
timing update_baseline(std::map<std::string, std::string> const& wanted, std::string const& set2, int port,
                       std::string const& w, std::string const& dest, std::vector<std::string>* found)
{
	std::map<std::string, std::string> const sigs = listed_signatures(set2);  // the directory, given
	double const w0 = bench::wall_now();
	std::vector<std::string> md5;
	for (auto const& [from, to] : wanted) md5.push_back(dest + to);
	timing t;
	t.cpu += md5sum_of(md5, w + "base-update.list", w + "base-update.md5").cpu;
	std::map<std::string, std::string> by_installed;
	for (auto const& [from, to] : wanted) by_installed[dest + to] = from;
	std::ifstream in(w + "base-update.md5");
	std::string line;
	found->clear();
	while (std::getline(in, line)) {
		std::string const& from = by_installed.at(line.substr(34));
		auto const it = sigs.find(from);
		if (it != sigs.end() && it->second != line.substr(0, 32)) found->push_back(from);
	}
	timing const f = fetch_and_expand(*found, wanted, port, w + "base-dl2/", dest, w + "curl-update.cfg");
	t.cpu += f.cpu;
	t.wall = bench::wall_now() - w0;
	return t;
}

// ---- table ------------------------------------------------------------------------------

struct table_row {
	std::string row, what, baseline;
	double ours, base;  // seconds (wall)
	double ours_cpu, base_cpu;
};

void print_table(std::vector<table_row> rows, int rounds)
{
	std::stable_sort(rows.begin(), rows.end(), [](table_row const& a, table_row const& b) { return a.row < b.row; });
	std::printf("\nmedian wall-clock seconds of %d round(s); ratio = ours / baseline (below 1: ours is faster)\n",
	            rounds);
	std::printf("%-4s %-34s %9s %9s %7s %7s  %s\n", "row", "measured", "ours s", "base s", "ratio", "cpu", "baseline");
	for (auto const& r : rows)
		std::printf("%-4s %-34s %9.3f %9.3f %6.2fx %6.2fx  %s\n", r.row.c_str(), r.what.c_str(), r.ours, r.base,
		            r.ours / r.base, r.ours_cpu / r.base_cpu, r.baseline.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
	bench::program_name = "bench_install";
	if (argc == 5 && std::string(argv[1]) == "--install-run" && std::string(argv[3]) == "--dest")
		return bench::install_child(argv[2], argv[4]);
	options const opt = parse(argc, argv);
	make_path(opt.work);
	std::string const w = opt.work;

	master_tree const m = make_master(w + "master/", opt.files, opt.small, opt.per_folder);
	std::printf("reference master: %zu files, %.1f MB\n", m.files.size(), static_cast<double>(m.bytes) / 1e6);
	std::fflush(stdout);

	// The real start-up, its log and settings in the work folder.
	make_path(w + "app/");
	make_path(w + "config/");
	PLT_set_app_folder(w + "app");
	setenv("XDG_CONFIG_HOME", (w + "config").c_str(), 1);
	static char const* const start_argv[] = {"bench_install", nullptr};
	VEDEZE_init(1, start_argv);
	app_path.clear();

	write_file(w + "previous.txt", "I\n840 version\nINSTALLER\n\n");
	std::vector<std::string> master_paths;
	for (auto const& f : m.files) master_paths.push_back(m.root + f);
	warm(master_paths);

	std::vector<table_row> rows;

	// Builder against zip + md5sum, alternating which goes first.
	{
		std::vector<double> ow, oc, bw, bc;
		for (int r = 0; r < opt.rounds; ++r) {
			timing a, b;
			if (r % 2 == 0) {
				a = build_ours(m, w + "previous.txt", w + "release1/");
				b = build_baseline(m, w + "zipped/", w + "master.md5");
			} else {
				b = build_baseline(m, w + "zipped/", w + "master.md5");
				a = build_ours(m, w + "previous.txt", w + "release1/");
			}
			if (r == 0) check_build(m, set_folder(w + "release1/"), w + "master.md5");
			ow.push_back(a.wall), oc.push_back(a.cpu), bw.push_back(b.wall), bc.push_back(b.cpu);
		}
		rows.push_back({"4", "builder", "zip per file + md5sum", median(ow), median(bw), median(oc), median(bc)});
	}

	// The destination scan against md5sum of the same files.
	std::string const set = set_folder(w + "release1/");
	std::string const directory = w + "directory.txt";
	run_child({"unzip", "-p", set + "directory.txt.zip", "directory.txt"}, directory);
	{
		size_t const wanted = install_copy(set, directory, w + "scanned/");
		scan_ours(directory, w + "scanned/");
		std::vector<std::string> const present = present_files();
		if (present.size() != wanted) die("the copy holds " + std::to_string(present.size()) + " of " + std::to_string(wanted));
		warm(present);
		std::vector<double> ow, oc, bw, bc;
		for (int r = 0; r < opt.rounds; ++r) {
			timing a, b;
			if (r % 2 == 0) {
				a = scan_ours(directory, w + "scanned/");
				b = md5sum_of(present, w + "scanned.list", w + "scanned.md5");
			} else {
				b = md5sum_of(present, w + "scanned.list", w + "scanned.md5");
				a = scan_ours(directory, w + "scanned/");
			}
			if (r == 0) check_scan(w + "scanned.md5", wanted);
			ow.push_back(a.wall), oc.push_back(a.cpu), bw.push_back(b.wall), bc.push_back(b.cpu);
		}
		rows.push_back({"3", "destination signature scan", "md5sum", median(ow), median(bw), median(oc), median(bc)});
	}

	// Fresh installs through the frame loop, with the default settings and
	// flat out, against curl -Z 4 + unzip of the same archives; one round each
	// (an install of the full set takes minutes).
	std::map<std::string, std::string> const wanted = wanted_files(m);
	std::vector<std::string> wanted_paths;
	std::vector<std::string> archives;
	for (auto const& [from, to] : wanted) {
		wanted_paths.push_back(from);
		archives.push_back(set + from + ".zip");
	}
	serve(w, w + "release1/");
	write_server_list(w);
	warm(archives);
	std::string const access_log = w + "nginx/access.log";
	timing const base_fresh =
	    fetch_and_expand(wanted_paths, wanted, opt.port, w + "base-dl/", w + "base/", w + "curl-fresh.cfg");
	check_installed(wanted, set, w + "base/");
	std::string const installed = w + "fresh-default/" + kSetName + "/";
	// A fresh install each time: an earlier run's copy would also keep this
	// one from taking the version's name.
	bench::remove_tree(w + "fresh-default/");
	bench::remove_tree(w + "fresh-max-cpu/");
	bench::install_result const fresh = bench::run_install(w + "run-default/", w + "fresh-default/", opt.port, false);
	check_installed(wanted, set, installed);
	bench::install_result const flat = bench::run_install(w + "run-max-cpu/", w + "fresh-max-cpu/", opt.port, true);
	check_installed(wanted, set, w + "fresh-max-cpu/" + kSetName + "/");
	rows.push_back({"1", "fresh install", "curl -Z 4 + unzip", fresh.from_click, base_fresh.wall, fresh.cpu_click,
	                base_fresh.cpu});
	rows.push_back({"1b", "fresh install, _use_max_cpu 1", "curl -Z 4 + unzip", flat.from_click, base_fresh.wall,
	                flat.cpu_click, base_fresh.cpu});

	// The update: a second release with 5% of the files changed, over the
	// default-settings copy; the baseline updates its own copy.
	master_tree m2;
	m2.root = w + "master2/";
	std::vector<std::string> const changed = make_changed_master(m, m2, opt.files);
	write_previous_85007(set, w + "previous85007.txt");
	build_ours(m2, w + "previous85007.txt", w + "release2/");
	std::string const set2 = set_folder(w + "release2/");
	serve(w, w + "release2/");
	size_t const log_before = file_size(access_log);
	bench::install_result const update = bench::run_install(w + "run-update/", installed, opt.port, false);
	uint64_t const update_bytes = bytes_served(access_log, log_before);
	check_installed(wanted, set2, installed);
	size_t const log_between = file_size(access_log);
	std::vector<std::string> found;
	timing const base_update = update_baseline(wanted, set2, opt.port, w, w + "base/", &found);
	uint64_t const base_bytes = bytes_served(access_log, log_between);
	check_installed(wanted, set2, w + "base/");
	if (found.size() != changed.size())
		die("the baseline found " + std::to_string(found.size()) + " changed files of " + std::to_string(changed.size()));
	rows.push_back({"2", "update, 5% changed (start to end)", "md5sum + curl -Z 4 + unzip", update.from_start,
	                base_update.wall, update.cpu_start, base_update.cpu});

	print_table(rows, opt.rounds);
	std::printf("row 1: from the install click to install_stage 2; one round. row 2: from the start-up (server list,\n"
	            "directory, scan) to install_stage 2, %zu of %zu files changed; one round.\n",
	            changed.size(), m.files.size());
	std::printf("2    bytes served by nginx: ours %.2f MB, baseline %.2f MB, ratio %.2fx\n",
	            static_cast<double>(update_bytes) / 1e6, static_cast<double>(base_bytes) / 1e6,
	            static_cast<double>(update_bytes) / static_cast<double>(base_bytes));

	// Frame times from the hook before the buffer swap, between the click and
	// the end.
	std::printf("\n%-4s %-34s %7s %9s %9s %9s %9s\n", "row", "frames during", "frames", "median ms", "p99 ms",
	            "max ms", ">100 ms");
	size_t over = 0;
	for (auto const& [label, r] : {std::pair<char const*, bench::install_result const&>{"fresh install", fresh},
	                               {"fresh install, _use_max_cpu 1", flat},
	                               {"update", update}}) {
		bench::frame_stats const f = bench::stats_of(r.frames_ms);
		std::printf("%-4s %-34s %7zu %9.1f %9.1f %9.1f %9zu\n", "5", label, f.count, f.median, f.p99, f.max,
		            f.over_100);
		over += f.over_100;
	}

	// The install child's resident peak above its level after start-up, per
	// listed file.
	std::printf("\n%-4s %-34s %10s %10s %14s\n", "row", "installer memory", "start MiB", "peak MiB",
	            "B/listed file");
	for (auto const& [label, r] : {std::pair<char const*, bench::install_result const&>{"fresh install", fresh},
	                               {"fresh install, _use_max_cpu 1", flat},
	                               {"update", update}})
		std::printf("%-4s %-34s %10.1f %10.1f %14.0f\n", "6", label, r.start_kib / 1024, r.peak_kib / 1024,
		            (r.peak_kib - r.start_kib) * 1024 / static_cast<double>(m.files.size()));

	double const ratio = fresh.from_click / base_fresh.wall;
	std::printf("\ngoal: the fresh install is faster than curl -Z 4 + unzip (%.2fx): %s\n", ratio,
	            ratio < 1 ? "met" : "NOT met");
	std::printf("goal: no frame longer than 100 ms during an install (%zu longer): %s\n", over,
	            over == 0 ? "met" : "NOT met");
	VEDEZE_finishup(0);
	return 0;
}

