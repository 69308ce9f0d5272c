// The directory file read as the frames read it, over a large generated file
// (2,000,000 FILE lines by default, a tenth of the paths with a past release
// too): the heap that its records keep per FILE line, and the peak while it
// is read, against the file's own bytes per line (measured in the same run);
// the longest slice of one frame, and the whole read against one plain pass
// over the same file (counting its lines).
//
//   bench_directory [--lines N] [--dir PATH]
//
// --dir keeps the generated file there (and reuses it); without it the file
// goes to a fresh temporary folder that is removed at the end.
//
// Index: options - the file - the read - main.
#include <malloc.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench_common.h"
#include "foundation/app_globals.h"
#include "installer/main_screen.h"
#include "installer/utils.h"
#include "shell/app_callbacks.h"

// Nothing here runs frames or shows alerts.
void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

// ---- options ----------------------------------------------------------------------

struct options {
	long lines = 2000000;
	std::string dir;
};

options parse(int argc, char** argv)
{
	options o;
	for (int i = 1; i < argc; ++i) {
		std::string const a = argv[i];
		if (a == "--lines" && i + 1 < argc)
			o.lines = std::atol(argv[++i]);
		else if (a == "--dir" && i + 1 < argc)
			o.dir = argv[++i];
		else
			bench::die("usage: bench_directory [--lines N] [--dir PATH]");
	}
	if (o.lines < 1000) bench::die("--lines: at least 1000");
	return o;
}

// ---- the file -----------------------------------------------------------------------

// Folders of 50 files, names in the shape of the simulator's scenery tiles.
void write_directory(std::string const& path, long lines)
{
	static char const sig[] = "0123456789abcdef0123456789abcdef";
	std::string out = "I\n840 version\nINSTALLER\n\n";
	out.reserve(static_cast<size_t>(lines) * 100);
	long written = 0;
	for (long file = 0; written < lines; ++file) {
		if (file % 50 == 0) {
			char folder[128];
			std::snprintf(folder, sizeof folder, "\nDIR All/Custom Scenery/Global Scenery/Earth nav data/%+03ld%+04ld/\n",
			              file / 50 % 90, file / 50 / 90 % 180);
			out += folder;
		}
		char name[64];
		std::snprintf(name, sizeof name, "%+03ld%+04ld.dsf", file % 90, file / 90 % 180);
		if (file % 10 == 0 && written + 1 < lines) {
			out += std::string("FILE 0 0 84000 1201 3020 ") + sig + " " + name + "\n";
			++written;
		}
		out += std::string("FILE 0 0 85008 1211 3042 ") + sig + " " + name + "\n";
		++written;
	}
	bench::write_file(path, out);
}

// ---- the read ------------------------------------------------------------------------

struct result {
	double heap_per_line = 0;  // kept by the records once read
	double peak_per_line = 0;  // the most at any slice's end
	double slice_max_ms = 0;
	double phase_max_ms[dir_read_struct::done + 1] = {};
	int slices = 0;
	double wall = 0;
};

// In use, large blocks (mapped on their own) included.
size_t heap_now()
{
	struct mallinfo2 const m = mallinfo2();
	return m.uordblks + m.hblkhd;
}

result read_in_slices(std::string const& path, long lines)
{
	result r;
	size_t const base = heap_now();
	size_t peak = base;
	double const w0 = bench::wall_now();
	dir_read_struct read;
	if (read_directory_begin(read, path, "Scanning") != 1) bench::die("the directory file was refused");
	for (;;) {
		double const s0 = bench::wall_now();
		int const phase = read.phase;
		int const state = read_directory_slice(read, kDirSliceUnits, kDirSliceSeconds);
		double const ms = (bench::wall_now() - s0) * 1000;
		r.slice_max_ms = std::max(r.slice_max_ms, ms);
		r.phase_max_ms[phase] = std::max(r.phase_max_ms[phase], ms);
		++r.slices;
		peak = std::max(peak, heap_now());
		if (state == 3) break;
	}
	r.wall = bench::wall_now() - w0;
	size_t const kept = heap_now();
	r.heap_per_line = static_cast<double>(kept - base) / static_cast<double>(lines);
	r.peak_per_line = static_cast<double>(peak - base) / static_cast<double>(lines);
	return r;
}

// One pass over the mapped file, counting its lines.
double count_lines(std::string const& path, long* counted)
{
	double const w0 = bench::wall_now();
	int const fd = open(path.c_str(), O_RDONLY);
	struct stat st;
	if (fd < 0 || fstat(fd, &st) != 0) bench::die("cannot open " + path);
	size_t const size = static_cast<size_t>(st.st_size);
	void* const image = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
	if (image == MAP_FAILED) bench::die("cannot map " + path);
	char const* p = static_cast<char const*>(image);
	char const* const end = p + size;
	long n = 0;
	while ((p = static_cast<char const*>(std::memchr(p, '\n', static_cast<size_t>(end - p))))) {
		++n;
		++p;
	}
	munmap(image, size);
	close(fd);
	*counted = n;
	return bench::wall_now() - w0;
}

}  // namespace

// ---- main ---------------------------------------------------------------------------------

int main(int argc, char** argv)
{
	bench::program_name = "bench_directory";
	options const o = parse(argc, argv);
	bool const temporary = o.dir.empty();
	std::string dir = o.dir;
	if (temporary) {
		char tmpl[] = "/tmp/bench_directory.XXXXXX";
		if (!mkdtemp(tmpl)) bench::die("no temporary folder");
		dir = tmpl;
	}
	if (dir.back() != '/') dir += '/';
	bench::make_path(dir + "dest/");
	std::string const file = dir + "directory-" + std::to_string(o.lines) + ".txt";
	if (access(file.c_str(), R_OK) != 0) write_directory(file, o.lines);
	struct stat st;
	stat(file.c_str(), &st);
	double const file_per_line = static_cast<double>(st.st_size) / static_cast<double>(o.lines);

	dest_dir_path = dir + "dest/";
	stg.download_os = 3;
	long counted = 0;
	count_lines(file, &counted);  // warms the page cache
	double const baseline = count_lines(file, &counted);
	result const r = read_in_slices(file, o.lines);
	if (static_cast<long>(dir_lines_read) != o.lines) bench::die("the read found another number of FILE lines");

	std::printf("directory file: %ld FILE lines, %.1f MB, %.1f bytes a line\n", o.lines, st.st_size / 1e6,
	            file_per_line);
	std::printf("%-44s %10s %10s\n", "", "ours", "ratio");
	std::printf("%-44s %10.1f %10.2f\n", "heap kept, bytes per FILE line (vs the file's)", r.heap_per_line,
	            r.heap_per_line / file_per_line);
	std::printf("%-44s %10.1f %10.2f\n", "heap at its peak, bytes per FILE line", r.peak_per_line,
	            r.peak_per_line / file_per_line);
	std::printf("%-44s %10.2f %10.1f\n", "whole read, s (vs counting the lines)", r.wall, r.wall / baseline);
	std::printf("%-44s %10.1f %10s\n", "longest slice of a frame, ms", r.slice_max_ms, "");
	std::printf("%-44s %10d %10s\n", "slices (frames)", r.slices, "");
	std::printf("longest slice by phase, ms: parse %.1f, examine %.1f, deletions %.1f\n",
	            r.phase_max_ms[dir_read_struct::parse], r.phase_max_ms[dir_read_struct::examine],
	            r.phase_max_ms[dir_read_struct::deletions]);
	std::printf("goal: under 300 bytes a FILE line kept: %s\n", r.heap_per_line < 300 ? "met" : "NOT met");
	std::printf("goal: no slice over 100 ms: %s\n", r.slice_max_ms <= 100 ? "met" : "NOT met");
	if (temporary) bench::remove_tree(dir);
	return 0;
}
