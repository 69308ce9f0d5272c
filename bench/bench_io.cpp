// Signing and expansion speed against baselines measured in the same run:
// calc_file_md5 against the system's md5sum over the same files, and
// zip_to_file against an in-process inflate + write of the same entries
// (the floor). Makes its own reference files; prints medians and ratios.
//
//   bench_io [--quick] [--reps N] [--dir PATH] [--out PATH] [--flush-methods] [--large]
//
// --quick uses 500 files (about 48 MB) instead of 5,000 (about 475 MB).
// --dir keeps the reference files there and reuses them on the next run;
// without it they go to a fresh temporary folder that is removed at the end.
// --out expands into that folder instead (e.g. one on /dev/shm, to take a
// busy disk's flush times out of the comparison).
// --flush-methods also times the floor ended with fdatasync, and with
// write-back started before the fdatasync, against the same with fsync.
// --large also expands four files of 64 MiB, one archive each.
//
// Index: options and clocks - reference files - signing - expansion - main.
#include <fcntl.h>
#include <minizip/zip.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "foundation/app_globals.h"
#include "foundation/hl_thread.h"
#include "foundation/io_zip.h"
#include "foundation/md5.h"
#include "bench_common.h"

namespace {

// ---- options and clocks ----------------------------------------------------

struct options {
	bool quick = false;
	int reps = 0;  // 0: 5, or 3 in quick mode
	std::string dir;
	std::string out;
	bool flush_methods = false;  // also time the floor with other flushes
	bool large = false;          // also expand a few large files
};

using bench::cpu_now;
using bench::die;
using bench::read_file;
using bench::make_path;
using bench::remove_tree;
using bench::warm;
using bench::write_file;
using bench::median;
using bench::seconds;
using bench::timing;
using bench::wall_now;

// ---- reference files ---------------------------------------------------------

// Bumped whenever the generator changes, so that a kept folder is remade.
int const kGeneratorVersion = 1;

struct reference_set {
	std::string root;
	std::vector<std::string> files;  // plain files to sign
	std::vector<std::string> zips;   // one archive per file, entry named by the leaf
	uint64_t bytes = 0;
};

std::string numbered(std::string const& folder, size_t i, char const* ext)
{
	char name[32];
	std::snprintf(name, sizeof name, "f%05zu.%s", i, ext);
	return folder + name;
}

// Installer-like content: text runs, small-valued binary runs and some
// noise, so that deflate finds about what it finds in real packages.
std::string make_content(size_t index, size_t size)
{
	static char const* const words[] = {
	    "PROP", "wing", "flap", "0.25000", "-1.000", "texture", "panel", "engine", "\n", "P acf/_",
	    "gear", "1", "0", "cockpit", "light", "nav", "strobe", "aileron", "elevator", "rudder",
	};
	std::mt19937 rng(static_cast<unsigned>(index * 7919 + 17));
	std::string s;
	s.reserve(size);
	while (s.size() < size) {
		size_t const run = 64 + rng() % 960;
		switch (rng() % 5) {
		case 0:  // noise
			for (size_t i = 0; i < run; ++i) s += static_cast<char>(rng());
			break;
		case 1:  // small values
			for (size_t i = 0; i < run; ++i) s += static_cast<char>(rng() % 12);
			break;
		default:  // text
			for (size_t at = 0; at < run;) {
				char const* w = words[rng() % (sizeof words / sizeof *words)];
				s += w;
				s += ' ';
				at += std::strlen(w) + 1;
			}
		}
	}
	s.resize(size);
	return s;
}

void make_archive(std::string const& path, std::string const& entry, std::string const& data)
{
	zipFile zf = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
	if (!zf) die("cannot create " + path);
	zip_fileinfo zi = {};
	zi.external_fa = 0100644ul << 16;
	bool ok = zipOpenNewFileInZip(zf, entry.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
	                              Z_DEFAULT_COMPRESSION) == ZIP_OK &&
	          zipWriteInFileInZip(zf, data.data(), static_cast<unsigned>(data.size())) == ZIP_OK &&
	          zipCloseFileInZip(zf) == ZIP_OK;
	ok = zipClose(zf, nullptr) == ZIP_OK && ok;
	if (!ok) die("cannot write " + path);
}

// Sizes spread evenly over 2 KB to 183 KB: 5,000 of them come to about
// 475 MB. Large sets hold count files of 64 MiB each instead.
reference_set make_reference_set(std::string const& root, size_t count, bool large = false)
{
	reference_set set;
	set.root = root;
	make_path(root + "/");
	make_path(root + "files/");
	make_path(root + "zips/");
	std::mt19937 rng(2024);
	std::vector<size_t> sizes(count);
	for (size_t i = 0; i < count; ++i) {
		sizes[i] = large ? size_t(64) << 20 : 2048 + rng() % (183 * 1024 - 2048);
		set.files.push_back(numbered(root + "files/", i, "bin"));
		set.zips.push_back(numbered(root + "zips/", i, "zip"));
		set.bytes += sizes[i];
	}

	std::string const marker = root + "ready";
	std::string const stamp = std::to_string(kGeneratorVersion) + " " + std::to_string(count) + "\n";
	if (read_file(marker) == stamp) return set;

	std::printf("making %zu reference files and archives in %s ...\n", count, root.c_str());
	std::fflush(stdout);
	std::atomic<size_t> next{0};
	std::vector<std::thread> workers;
	unsigned const threads = std::max(1u, std::thread::hardware_concurrency());
	for (unsigned t = 0; t < threads; ++t)
		workers.emplace_back([&] {
			for (size_t i; (i = next++) < count;) {
				std::string const data = make_content(i, sizes[i]);
				write_file(set.files[i], data);
				std::string const leaf = set.files[i].substr(set.files[i].rfind('/') + 1);
				make_archive(set.zips[i], leaf, data);
			}
		});
	for (auto& w : workers) w.join();
	write_file(marker, stamp);
	return set;
}

// ---- signing -------------------------------------------------------------------

timing sign_ours(reference_set const& set, std::vector<std::string>& sigs)
{
	sigs.assign(set.files.size(), std::string());
	double const w0 = wall_now(), c0 = cpu_now();
	for (size_t i = 0; i < set.files.size(); ++i)
		if (calc_file_md5(set.files[i], sigs[i]) != 0) die("calc_file_md5 failed on " + set.files[i]);
	return {wall_now() - w0, cpu_now() - c0};
}

// Runs md5sum over the whole list in one process, its output to listing.
timing sign_md5sum(reference_set const& set, std::string const& listing)
{
	std::vector<std::string> argv{"md5sum"};
	argv.insert(argv.end(), set.files.begin(), set.files.end());
	return bench::run_child(argv, listing);
}

void check_signatures(reference_set const& set, std::vector<std::string> const& sigs, std::string const& listing)
{
	std::ifstream in(listing);
	std::string line;
	size_t i = 0;
	for (; std::getline(in, line); ++i) {
		if (i >= sigs.size() || line.compare(0, 32, sigs[i]) != 0 || line.compare(34, std::string::npos, set.files[i]) != 0)
			die("signature differs from md5sum's: " + line);
	}
	if (i != sigs.size()) die("md5sum listed " + std::to_string(i) + " files");
}

// ---- expansion -------------------------------------------------------------------

timing expand_ours(reference_set const& set, std::string const& out)
{
	double const w0 = wall_now(), c0 = cpu_now();
	for (auto const& z : set.zips) {
		int const err = zip_to_file(z, out, nullptr, 0);
		if (err != 0) die("zip_to_file failed with " + std::to_string(err) + " on " + z);
	}
	return {wall_now() - w0, cpu_now() - c0};
}

// As the installer expands: each archive's one file on the framework's
// worker pool (one worker per processor), several at once, each written
// under a fresh name, flushed and renamed.
struct pool_job {
	std::string zip, target, leaf;
	int err = 0;
};

void* expand_one(void* arg)
{
	auto* const job = static_cast<pool_job*>(arg);
	job->err = zip_to_one_file(job->zip, job->target, job->leaf, UINT64_MAX, true, "");
	return nullptr;
}

timing expand_pool(reference_set const& set, std::string const& out)
{
	if (!THREAD_is_inited()) THREAD_init();
	std::vector<pool_job> jobs(set.zips.size());
	for (size_t i = 0; i < jobs.size(); ++i) {
		std::string const& f = set.files[i];
		jobs[i].zip = set.zips[i];
		jobs[i].leaf = f.substr(f.rfind('/') + 1);
		jobs[i].target = out + jobs[i].leaf;
	}
	double const w0 = wall_now(), c0 = cpu_now();
	std::vector<THREAD_call*> calls;
	calls.reserve(jobs.size());
	for (auto& j : jobs) calls.push_back(THREAD_run_async(expand_one, &j));
	for (THREAD_call* c : calls) {
		THREAD_is_done(c, -1);
		THREAD_cleanup(c);
	}
	timing const t{wall_now() - w0, cpu_now() - c0};
	for (auto const& j : jobs)
		if (j.err != 0) die("zip_to_one_file failed with " + std::to_string(j.err) + " on " + j.zip);
	return t;
}

uint32_t le16(unsigned char const* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t le32(unsigned char const* p) { return le16(p) | le16(p + 2) << 16; }

// How a floor pass ends each file. The floor proper only writes; the
// others add the steps zip_to_file keeps (a flush, and the fresh file
// renamed over the target) or try another flush of the same strength.
struct floor_kind {
	char const* label;
	enum { none, fsync_, fdatasync_, early_fdatasync } flush;
	bool replace;  // written under a fresh name, flushed, renamed over the target
};

floor_kind const kFloor = {"inflate + write (floor)", floor_kind::none, false};
floor_kind const kFloorSync = {"floor + fsync", floor_kind::fsync_, false};
floor_kind const kFloorReplace = {"floor + fsync + rename", floor_kind::fsync_, true};
floor_kind const kFloorData = {"floor + fdatasync + rename", floor_kind::fdatasync_, true};
floor_kind const kFloorEarly = {"floor + early write-back + fdatasync", floor_kind::early_fdatasync, true};

int flush_file(int fd, floor_kind const& kind)
{
	switch (kind.flush) {
	case floor_kind::none: return 0;
	case floor_kind::fsync_: return fsync(fd);
	case floor_kind::fdatasync_: return fdatasync(fd);
	case floor_kind::early_fdatasync: break;
	}
	if (sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE) != 0) return -1;
	return fdatasync(fd);
}

// The floor: each archive read whole with one call, its single entry found
// from the local header and inflated with zlib in blocks of 1 MiB (one for
// every reference file of the normal set), each written with one call, then
// ended as kind says. Whole large entries in one buffer would be slower.
timing expand_floor(reference_set const& set, std::string const& out, floor_kind const& kind)
{
	std::vector<unsigned char> in, data(size_t(1) << 20);
	z_stream zs = {};
	if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) die("inflateInit2");
	double const w0 = wall_now(), c0 = cpu_now();
	for (size_t i = 0; i < set.zips.size(); ++i) {
		int fd = open(set.zips[i].c_str(), O_RDONLY | O_CLOEXEC);
		struct stat st;
		if (fd < 0 || fstat(fd, &st) != 0) die("cannot open " + set.zips[i]);
		in.resize(static_cast<size_t>(st.st_size));
		if (read(fd, in.data(), in.size()) != static_cast<ssize_t>(in.size())) die("short read " + set.zips[i]);
		close(fd);
		unsigned char const* h = in.data();
		if (in.size() < 30 || le32(h) != 0x04034b50 || le16(h + 8) != Z_DEFLATED || (le16(h + 6) & 8))
			die("unexpected archive layout in " + set.zips[i]);
		size_t const packed = le32(h + 18), size = le32(h + 22);
		size_t const at = 30 + le16(h + 26) + le16(h + 28);
		if (at + packed > in.size()) die("unexpected archive layout in " + set.zips[i]);
		std::string const target = out + set.files[i].substr(set.files[i].rfind('/') + 1);
		std::string const path = kind.replace ? out + ".new-floor" : target;
		fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
		if (fd < 0) die("cannot write " + path);
		inflateReset(&zs);
		zs.next_in = in.data() + at;
		zs.avail_in = static_cast<uInt>(packed);
		int z = Z_OK;
		while (z == Z_OK) {
			zs.next_out = data.data();
			zs.avail_out = static_cast<uInt>(data.size());
			z = inflate(&zs, Z_NO_FLUSH);
			size_t const n = data.size() - zs.avail_out;
			if ((z != Z_OK && z != Z_STREAM_END) || write(fd, data.data(), n) != static_cast<ssize_t>(n))
				die("inflate or write failed on " + set.zips[i]);
		}
		if (zs.total_out != size) die("inflate failed on " + set.zips[i]);
		if (flush_file(fd, kind) != 0) die(std::string("flush failed: ") + std::strerror(errno));
		if (close(fd) != 0) die("cannot close " + path);
		if (kind.replace && rename(path.c_str(), target.c_str()) != 0) die("cannot rename to " + target);
	}
	timing const t = {wall_now() - w0, cpu_now() - c0};
	inflateEnd(&zs);
	return t;
}

void check_expansion(reference_set const& set, std::string const& out)
{
	for (auto const& f : set.files) {
		std::string const leaf = f.substr(f.rfind('/') + 1);
		if (read_file(out + leaf) != read_file(f)) die("expanded file differs: " + out + leaf);
	}
}

// ---- main ------------------------------------------------------------------------

options parse(int argc, char** argv)
{
	options o;
	for (int i = 1; i < argc; ++i) {
		std::string const a = argv[i];
		if (a == "--quick") o.quick = true;
		else if (a == "--reps" && i + 1 < argc) o.reps = std::atoi(argv[++i]);
		else if (a == "--dir" && i + 1 < argc) o.dir = argv[++i];
		else if (a == "--out" && i + 1 < argc) o.out = argv[++i];
		else if (a == "--flush-methods") o.flush_methods = true;
		else if (a == "--large") o.large = true;
		else die("usage: bench_io [--quick] [--reps N] [--dir PATH] [--out PATH] [--flush-methods] [--large]");
	}
	if (o.reps <= 0) o.reps = o.quick ? 3 : 5;
	return o;
}

void row(char const* what, double wall, double cpu)
{
	std::printf("  %-38s %9.3f %9.3f\n", what, wall, cpu);
}

// Times zip_to_file and the floors over one set, expanding into
// out_root + prefix + "out_zip/" and "out_floor/", and prints the rows.
void run_expansion(reference_set const& set, std::string const& out_root, char const* prefix, options const& opt)
{
	std::string const out_ours = out_root + prefix + "out_zip/", out_floor = out_root + prefix + "out_floor/";
	std::string const out_pool = out_root + prefix + "out_pool/";
	make_path(out_ours);
	make_path(out_floor);
	make_path(out_pool);
	// Every pass runs once per round, in one order on even rounds and the
	// reverse on odd ones, so that a slow spell of the shared disk does not
	// land on one side only.
	std::vector<floor_kind> kinds = {kFloor, kFloorSync, kFloorReplace};
	if (opt.flush_methods) kinds.insert(kinds.end(), {kFloorData, kFloorEarly});
	size_t const passes = kinds.size() + 2;  // pass 0 is zip_to_file, pass 1 the pool
	std::vector<std::vector<double>> pw(passes), pc(passes);
	for (int r = 0; r < opt.reps; ++r) {
		for (size_t k = 0; k < passes; ++k) {
			size_t const p = r % 2 == 0 ? k : passes - 1 - k;
			timing const t = p == 0   ? expand_ours(set, out_ours)
			                 : p == 1 ? expand_pool(set, out_pool)
			                          : expand_floor(set, out_floor, kinds[p - 2]);
			pw[p].push_back(t.wall);
			pc[p].push_back(t.cpu);
			if (r == 0 && p == 0) check_expansion(set, out_ours);
			if (r == 0 && p == 1) check_expansion(set, out_pool);
			if (r == 0 && p == 2) check_expansion(set, out_floor);
		}
	}
	std::printf("expansion%s\n", prefix[0] ? " (large files)" : "");
	row("zip_to_file", median(pw[0]), median(pc[0]));
	row("zip_to_file on the worker pool", median(pw[1]), median(pc[1]));
	for (size_t k = 0; k < kinds.size(); ++k) row(kinds[k].label, median(pw[k + 2]), median(pc[k + 2]));
	auto ratio = [&](char const* what, size_t a, size_t b, char const* note) {
		std::printf("  %-38s %8.2fx %8.2fx%s\n", what, median(pw[a]) / median(pw[b]), median(pc[a]) / median(pc[b]), note);
	};
	// The installer expands on the pool: that is the row the goal is for.
	ratio("pool / floor", 1, 2, "   (goal <= 1.50x)");
	ratio("zip_to_file / floor", 0, 2, "");
	// zip_to_file keeps a flush before each rename and the rename itself;
	// these show how much of the gap above is those steps on this disk.
	ratio("zip_to_file / floor + fsync", 0, 3, "");
	ratio("zip_to_file / floor + fsync + rename", 0, 4, "");
	if (opt.flush_methods) {
		ratio("fdatasync / fsync (with rename)", 5, 4, "");
		ratio("early write-back / fsync", 6, 4, "");
	}
}

}  // namespace

int main(int argc, char** argv)
{
	bench::program_name = "bench_io";
	options const opt = parse(argc, argv);
	bool const temporary = opt.dir.empty();
	std::string root = opt.dir;
	if (temporary) {
		char const* tmp = std::getenv("TMPDIR");
		std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/sky-bench-XXXXXX";
		if (!mkdtemp(&pattern[0])) die("cannot make a temporary folder");
		root = pattern;
	} else {
		make_path(root + "/");
	}
	if (root.back() != '/') root += '/';

	reference_set const set = make_reference_set(root, opt.quick ? 500 : 5000);
	std::string out_root = opt.out.empty() ? root : opt.out;
	if (out_root.back() != '/') out_root += '/';
	make_path(out_root + "/");
	// The log is open, as it is in the program.
	xer.open(root + "log.txt", std::ios::trunc);

	std::printf("reference set: %zu files, %.1f MB; expanded into %s\n", set.files.size(),
	            static_cast<double>(set.bytes) / 1e6, out_root.c_str());
	std::printf("median of %d rounds, both sides in each round, order alternating\n", opt.reps);
	std::printf("  %-38s %9s %9s\n", "", "wall s", "cpu s");

	warm(set.files);
	warm(set.zips);
	std::string const listing = root + "md5sum.txt";
	std::vector<std::string> sigs;
	std::vector<double> ow, oc, mw, mc;
	for (int r = 0; r < opt.reps; ++r) {
		timing a, b;
		if (r % 2 == 0) {
			a = sign_ours(set, sigs);
			b = sign_md5sum(set, listing);
		} else {
			b = sign_md5sum(set, listing);
			a = sign_ours(set, sigs);
		}
		if (r == 0) check_signatures(set, sigs, listing);
		ow.push_back(a.wall), oc.push_back(a.cpu), mw.push_back(b.wall), mc.push_back(b.cpu);
	}
	std::printf("signing\n");
	row("calc_file_md5", median(ow), median(oc));
	row("md5sum", median(mw), median(mc));
	std::printf("  %-38s %8.2fx %8.2fx   (goal >= 0.90x)\n", "speed of calc_file_md5 / md5sum", median(mw) / median(ow),
	            median(mc) / median(oc));

	run_expansion(set, out_root, "", opt);
	if (opt.large) {
		reference_set const big = make_reference_set(root + "large/", 4, true);
		warm(big.zips);
		std::printf("large files: %zu of %.1f MB\n", big.files.size(), static_cast<double>(big.bytes) / 1e6 / 4);
		run_expansion(big, out_root, "large_", opt);
	}

	xer.close();
	if (!opt.out.empty()) {
		for (char const* made : {"out_zip/", "out_floor/", "large_out_zip/", "large_out_floor/"})
			remove_tree(out_root + made);
		rmdir(out_root.c_str());  // only when it is left empty
	}
	if (temporary) remove_tree(root);
	return 0;
}
