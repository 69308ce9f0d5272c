// The mapped-file scanner and the framework data-file header.
//
// Index: character classes - mapping (retry, release) - file open/close -
// header check - scanners - ouf_open.
//
// The image is not NUL-terminated: every scanner stops at `end` and never
// reads the byte there. A PROT_NONE page follows every image so that a slip
// past the data faults at once instead of reading a neighbour's memory.
#include "foundation/xmap.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/io_utils.h"

// ---- character classes ------------------------------------------------------

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_line_end(char c) { return c == 0 || c == '\r' || c == '\n'; }
bool is_white(char c) { return is_blank(c) || is_line_end(c); }

}  // namespace

// ---- mapping --------------------------------------------------------------

xmap_class::xmap_class(std::string const& path)
    : byte_swap(0), io_mode(0), begin(nullptr), cursor(nullptr), end(nullptr), fd(-1),
      mapped_length(0)
{
	if (!path.empty()) retry(path);
}

xmap_class::~xmap_class() { release(); }

void xmap_class::release()
{
	if (begin) munmap(const_cast<char*>(begin), mapped_length);
	if (fd >= 0) close(fd);
	begin = cursor = end = nullptr;
	fd = -1;
	mapped_length = 0;
}

char const* xmap_class::retry(std::string const& path)
{
	std::string full = app_path + path;
	set_dir_chars(full);
	release();

	// Non-blocking, so that a FIFO cannot hold the open; only regular files map.
	int const f = open(full.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
	if (f < 0) return nullptr;
	struct stat st;
	if (fstat(f, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
		close(f);  // an empty file holds nothing: no descriptor either
		return nullptr;
	}
	fd = f;
	size_t const size = static_cast<size_t>(st.st_size);
	size_t const page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
	size_t const span = (size + page - 1) / page * page + page;

	int err = 0;
	void* image = MAP_FAILED;
	void* area = mmap(nullptr, span, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
	if (area == MAP_FAILED) {
		err = errno;
	} else {
		image = mmap(area, size, PROT_READ, MAP_PRIVATE | MAP_FIXED, fd, 0);
		if (image == MAP_FAILED) {
			err = errno;
			munmap(area, span);
		}
	}
	if (image == nullptr)
		__VEDEZE_alert(0, "Xmapped file ran out of memory", "", "", "", 2, "xmap", __LINE__);
	if (image == MAP_FAILED || image == nullptr) {
		{
			std::lock_guard<std::mutex> hold(xer_lock);
			xer << "Mem file error.  Err=" << err << ", file=" << full << "\n";
		}
		if (err == ENOMEM) {
			char text[64];
			snprintf(text, sizeof(text), "errno=%f", static_cast<double>(err));
			__VEDEZE_alert(0, "Xmapped out of memory", "c_path=", full, text, 2, "xmap", __LINE__);
		}
		return nullptr;
	}
	begin = cursor = static_cast<char const*>(image);
	end = begin + size;
	mapped_length = span;
	return begin;
}

// ---- file open/close --------------------------------------------------------

int xmap_class::io_file_open(int mode, std::string path, int* versions, int type)
{
	io_mode = mode;
	if (mode == 1) return ouf_open(path, type, versions[0], "no-copyright-string");
	if (mode == 0) {
		retry(path);
		return check_file(type, versions, nullptr, nullptr) != 0 ? 1 : 0;
	}
	return 0;
}

void xmap_class::io_file_close()
{
	if (io_mode == 1) ouf.close();
}

// ---- header check -----------------------------------------------------------

int xmap_class::check_file(int type, int* versions, char const* type_word, std::string* rest)
{
	if (type != xmap_type_binary && type != xmap_type_text) {
		__VEDEZE_alert(0, "Bad check_file type!", name, "", "", 2, "xmap", __LINE__);
		return 0;
	}
	if (!begin || begin == end) return 0;
	cursor = begin;

	int version = 0;
	if (type == xmap_type_binary) {
		char const mark = TXT_byt_scan();
		if (mark == 'a')
			byte_swap = 1;
		else if (mark == 'i')
			byte_swap = 0;
		else
			return 0;
		if (end - cursor >= 4) {
			unsigned char const* b = reinterpret_cast<unsigned char const*>(cursor);
			uint32_t const v = byte_swap ? (uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3])
			                             : (uint32_t(b[3]) << 24 | uint32_t(b[2]) << 16 | uint32_t(b[1]) << 8 | b[0]);
			version = static_cast<int>(v);
			cursor += 4;
		} else {
			cursor = end;  // a cut version reads as none
		}
	} else {
		char const first = TXT_byt_scan();
		TXT_str_scan_eoln(nullptr);
		if (first != 'A' && first != 'I') return 0;
		version = TXT_int_scan();
		TXT_str_scan_eoln(rest);
	}

	bool accepted = false;
	for (int const* v = versions; v && *v; ++v)
		if (*v == version) accepted = true;
	if (!accepted) return 0;
	if (!type_word) return version;

	skip_blanks();
	char const* const mark = cursor;
	if (TXT_str_scan_match(type_word, 1)) {
		TXT_str_scan_eoln(nullptr);
		return version;
	}
	cursor = mark;
	return 0;
}

// ---- scanners ---------------------------------------------------------------

void xmap_class::skip_blanks()
{
	while (cursor < end && is_blank(*cursor)) ++cursor;
}

char xmap_class::TXT_byt_scan()
{
	if (cursor >= end) return 0;
	return *cursor++;
}

void xmap_class::TXT_prv_scan()
{
	while (cursor < end && is_white(*cursor)) ++cursor;
}

// Every character counts as a digit, by its distance from '0'. Unsigned, so
// that long runs wrap instead of overflowing; in-range values are the same.
unsigned xmap_class::scan_digits(char stop, bool use_stop)
{
	unsigned value = 0;
	while (cursor < end && !is_white(*cursor) && !(use_stop && *cursor == stop)) {
		value = value * 10u + static_cast<unsigned>(*cursor - '0');
		++cursor;
	}
	return value;
}

// Optional '-', then optional '+' that undoes it, then the digits.
int xmap_class::scan_signed(char stop, bool use_stop)
{
	skip_blanks();
	bool negative = false;
	if (cursor < end && *cursor == '-') {
		negative = true;
		++cursor;
	}
	if (cursor < end && *cursor == '+') {
		negative = false;
		++cursor;
	}
	unsigned const v = scan_digits(stop, use_stop);
	return static_cast<int>(negative ? 0u - v : v);
}

int xmap_class::TXT_int_scan() { return scan_signed(0, false); }

unsigned int xmap_class::TXT_uin_scan()
{
	skip_blanks();
	if (cursor < end && *cursor == '-') ++cursor;
	if (cursor < end && *cursor == '+') ++cursor;
	return scan_digits(0, false);
}

int xmap_class::TXT_int_scan_stop(char stop)
{
	int const v = scan_signed(stop, true);
	if (cursor < end && *cursor == stop) ++cursor;
	return v;
}

double xmap_class::scan_decimal(bool sci)
{
	skip_blanks();
	double sign = 1.0;
	double value = 0.0;
	long long decimals = 0;
	long long exponent = 0;
	bool point = false;
	while (cursor < end && !is_white(*cursor)) {
		char const c = *cursor++;
		if (sci && (c == 'e' || c == 'E')) {
			exponent = TXT_int_scan();
			break;
		}
		if (c == '-')
			sign = -1.0;
		else if (c == '+')
			sign = 1.0;
		else if (c == '.')
			point = true;
		else {
			value = value * 10.0 + (c - '0');
			if (point) ++decimals;
		}
	}
	if (value == 0.0) return sign * 0.0;
	long long const power = decimals - exponent;
	// The scale is a float, as the file formats were written against; a
	// negative power multiplies by 10^-power, since 10^power has no exact float.
	if (power >= 0) return sign * value / static_cast<float>(std::pow(10.0, static_cast<double>(power)));
	return sign * value * static_cast<float>(std::pow(10.0, static_cast<double>(-power)));
}

double xmap_class::TXT_dob_scan() { return scan_decimal(false); }
float xmap_class::TXT_flt_scan() { return static_cast<float>(scan_decimal(false)); }
double xmap_class::TXT_dob_scan_sci() { return scan_decimal(true); }

void xmap_class::TXT_str_scan_space(std::string* out)
{
	skip_blanks();
	char const* const start = cursor;
	while (cursor < end && !is_white(*cursor)) ++cursor;
	if (out) out->assign(start, static_cast<size_t>(cursor - start));
}

void xmap_class::TXT_str_scan_comma(std::string* out)
{
	skip_blanks();
	char const* const start = cursor;
	while (cursor < end && *cursor != ',' && !is_line_end(*cursor)) ++cursor;
	if (out) out->assign(start, static_cast<size_t>(cursor - start));
	if (cursor < end) ++cursor;
}

void xmap_class::TXT_str_scan_eoln(std::string* out)
{
	skip_blanks();
	char const* const start = cursor;
	while (cursor < end && !is_line_end(*cursor)) ++cursor;
	if (out) out->assign(start, static_cast<size_t>(cursor - start));
	TXT_prv_scan();
}

bool xmap_class::TXT_str_scan_match(char const* word, int allow_eol)
{
	skip_blanks();
	size_t const n = strlen(word);
	if (static_cast<size_t>(end - cursor) < n || memcmp(cursor, word, n) != 0) return false;
	char const* const after = cursor + n;
	bool const ok = after == end ? allow_eol != 0
	                             : is_blank(*after) || (allow_eol && is_line_end(*after));
	if (ok) cursor = after;
	return ok;
}

// ---- ouf_open ---------------------------------------------------------------

namespace {

void write_failure_alert(std::string const& shown, int line)
{
	__VEDEZE_alert(0,
	               "I could not save the file! Could the directory that the file sits in be missing? Or "
	               "flagged as READ-ONLY by the operating system? (Windows machines typically do this).",
	               shown, "Could the file be flagged as read-only? This happens in Windows if you copy it from a CD!",
	               "Try putting this stg.in the background and then flag the file as NOT read-only, or "
	               "creating the folder listed in the path above.",
	               1, "xmap", line);
}

}  // namespace

ouf_stream::~ouf_stream()
{
	// At the program's end no one is left to tell: a whole file still takes
	// its place, a broken one is dropped.
	if (!fresh_.empty()) finish();
}

int ouf_stream::open_beside(std::string const& target, std::string const& shown, std::ios::openmode mode)
{
	int fd = -1;
	std::string fresh;
	int err = make_beside(target, fresh, [&fd](std::string const& p) {
		fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
		return fd < 0 ? errno : 0;
	});
	if (err != 0) return err;
	// The new file keeps the old one's permissions (a private file stays private).
	struct stat st;
	if (stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) fchmod(fd, st.st_mode & 07777);
	::close(fd);
	errno = 0;
	std::ofstream::open(fresh, mode);
	if (!is_open()) {
		err = errno ? errno : EIO;
		unlink(fresh.c_str());
		let_go_beside(fresh);
		return err;
	}
	target_ = target;
	fresh_ = fresh;
	shown_ = shown;
	return 0;
}

bool ouf_stream::finish()
{
	bool ok = !fail();
	std::ofstream::close();  // flushes; a failure sets the fail state
	ok = ok && !fail();
	if (ok) {
		// On the disk before it takes the old file's place.
		int const fd = ::open(fresh_.c_str(), O_RDONLY | O_CLOEXEC);
		ok = fd >= 0 && fsync(fd) == 0;
		if (fd >= 0) ::close(fd);
	}
	if (ok) ok = std::rename(fresh_.c_str(), target_.c_str()) == 0;
	if (!ok) {
		unlink(fresh_.c_str());
		setstate(std::ios::failbit);
	}
	let_go_beside(fresh_);
	fresh_.clear();
	target_.clear();
	return ok;
}

void ouf_stream::close()
{
	if (fresh_.empty()) {
		std::ofstream::close();
		return;
	}
	std::string const shown = shown_;
	if (!finish()) write_failure_alert(shown, __LINE__);
}

int ouf_open(std::string name, int type, int version, std::string header_text)
{
	if (type != xmap_type_binary && type != xmap_type_text) {
		__VEDEZE_alert(0, "Bad ouf_open type!", name, "", "", 2, "xmap", __LINE__);
		return 0;
	}
	std::string const shown = [&] {
		std::string p = app_path + name;
		if (p.size() >= 4)
			for (size_t i = p.size() - 3; i < p.size(); ++i)
				if (p[i] >= 'A' && p[i] <= 'Z') p[i] = static_cast<char>(p[i] - 'A' + 'a');
		return p;
	}();
	std::string path = shown;
	set_dir_chars(path);

	ouf.clear();
	ouf.close();
	ouf.clear();

	// Only a regular file, or none yet: a FIFO would hold the open for ever
	// and a device would take the bytes elsewhere. A link keeps pointing at
	// the file, whose place the new one takes.
	std::string target = path;
	struct stat st;
	if (stat(path.c_str(), &st) == 0) {
		if (!S_ISREG(st.st_mode)) {
			write_failure_alert(shown, __LINE__);
			return 0;
		}
		if (char* real = realpath(path.c_str(), nullptr)) {
			target = real;
			free(real);
		}
	}

	std::ios::openmode const mode =
	    type == xmap_type_binary ? std::ios::out | std::ios::binary | std::ios::trunc : std::ios::out | std::ios::trunc;
	if (ouf.open_beside(target, shown, mode) != 0) {
		ouf.setstate(std::ios::failbit);
	} else if (type == xmap_type_binary) {
		uint32_t const v = static_cast<uint32_t>(version);
		char const bytes[5] = {'i', char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff),
		                       char((v >> 24) & 0xff)};
		ouf.write(bytes, 5);
	} else {
		ouf.setf(std::ios::fixed, std::ios::floatfield);
		ouf << "I\n" << version << " version";
		if (header_text != "no-copyright-string") ouf << header_text;
		ouf << "\n";
	}
	if (ouf.fail()) {
		if (ouf.is_open())
			ouf.close();  // drops the fresh file, with the alert
		else
			write_failure_alert(shown, __LINE__);
		return 0;
	}
	return 1;
}
