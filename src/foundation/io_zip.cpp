// Zip archives: expanding an archive into a folder and packing one file into
// a new archive, over minizip.
//
// An archive comes from a server named in an unsigned list and the program
// may run as root, so every entry is checked before anything is written: its
// name must stay below the destination folder without passing through a
// symbolic link, and every file is written under a fresh name beside its
// target and renamed over it only once complete and CRC-checked.
//
// Index: helpers (log, entry names, entry reading, archive reading, plain
// files) - unzip_symlink - unzip_resource_fork - zip_to_file - file_to_zip.
#include "foundation/io_zip.h"

#include <fcntl.h>
#include <minizip/zip.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/io_utils.h"
#include "foundation/xmap.h"

// Records where a step failed (for the failure logs) and yields its code.
#define ZIP_FAIL(code) (IO_NOTE_FAILURE(), (code))

namespace {

size_t const kNameMax = 255;    // names have always been read into 256 bytes
size_t const kPathMax = 499;    // longest path the path helpers take without a fatal alert
size_t const kLinkMax = 4095;   // longest link target restored (PATH_MAX - 1)
char const kForkTree[] = "__MACOSX";

void log_text(std::string const& text)
{
	std::lock_guard<std::mutex> hold(xer_lock);
	xer << text;
	xer.flush();
}

std::string failure_site() { return ". file = " + sErrFile + " line = " + std::to_string(sErrLine); }

// ---- entry names ------------------------------------------------------------

// Why a name may not be used below its folder, or null. Every separator the
// framework knows counts, so "..\x" and "x:..:y" are caught as well.
char const* unsafe_name(std::string const& name)
{
	if (name.empty()) return "empty name";
	if (name.find('\0') != std::string::npos) return "NUL in name";
	if (name[0] == '/' || name[0] == '\\' || name[0] == ':') return "absolute name";
	size_t at = 0;
	while (at <= name.size()) {
		size_t end = name.find_first_of("/\\:", at);
		if (end == std::string::npos) end = name.size();
		if (end - at == 2 && name.compare(at, 2, "..") == 0) return "parent folder in name";
		at = end + 1;
	}
	return nullptr;
}

}  // namespace

// Checks a normalised target against its normalised folder: it must lie
// below it and be reached through real folders only, never through a link
// (an earlier entry may have planted one).
char const* unsafe_target(std::string const& base, std::string const& target)
{
	// Letter-case repair may touch the folder part; the bytes that follow count.
	if (target.size() <= base.size() || strncasecmp(target.c_str(), base.c_str(), base.size()) != 0)
		return "leaves its folder";
	if (char const* why = unsafe_name(target.substr(base.size()))) return why;
	for (size_t at = base.size();;) {
		size_t const slash = target.find('/', at);
		if (slash == std::string::npos || slash + 1 >= target.size()) return nullptr;
		struct stat st;
		if (lstat(target.substr(0, slash).c_str(), &st) != 0) return nullptr;  // nothing below exists
		if (S_ISLNK(st.st_mode)) return "passes through a symbolic link";
		at = slash + 1;
	}
}

namespace {

// Checks a normalised folder that is to take an archive against the
// normalised destination root it belongs to: it must be the root or lie
// below it, reached through real folders only. The root itself, and what
// lies above it, may be links: that is the user's own layout.
int unsafe_folder(std::string const& root, std::string const& folder, char const** why)
{
	if (folder.size() < root.size() || folder.compare(0, root.size(), root) != 0 ||
	    (folder.size() > root.size() && unsafe_name(folder.substr(root.size())))) {
		*why = "leaves its destination";
		return EINVAL;
	}
	for (size_t at = root.size(); at < folder.size();) {
		size_t end = folder.find('/', at);
		if (end == std::string::npos) end = folder.size();
		if (end > at) {
			struct stat st;
			if (lstat(folder.substr(0, end).c_str(), &st) != 0) return 0;  // nothing below exists
			if (S_ISLNK(st.st_mode)) {
				*why = "passes through a symbolic link";
				return ENOTDIR;
			}
		}
		at = end + 1;
	}
	return 0;
}

int refuse(std::string const& name, char const* why, int code)
{
	log_text("Zip to file refused entry " + name + " (" + why + ").\n");
	return code;
}

// ---- entry reading ------------------------------------------------------------

// Opens the current entry, hands its bytes to sink piece by piece, checks
// that exactly the announced size came, and closes it (which checks the
// CRC). 0, or the first error.
int copy_entry(unzFile uf, unz_file_info const& info, std::function<int(char const*, size_t)> const& sink)
{
	int err = unzOpenCurrentFile(uf);
	if (err != UNZ_OK) return ZIP_FAIL(err);
	// Whole entries up to 1 MiB in one piece, so that a file is mostly one
	// write; the announced size only sizes the buffer, it is never trusted.
	size_t const block = static_cast<size_t>(std::min<uint64_t>(std::max<uint64_t>(info.uncompressed_size, 4096), 1 << 20));
	std::unique_ptr<char[]> const buf(new char[block]);  // not cleared: only what was read is used
	uint64_t got = 0;
	for (;;) {
		int const n = unzReadCurrentFile(uf, buf.get(), static_cast<unsigned>(block));
		if (n < 0) {
			err = ZIP_FAIL(kErrZipRead);
			break;
		}
		if (n == 0) break;
		got += static_cast<unsigned>(n);
		if ((err = sink(buf.get(), static_cast<size_t>(n))) != 0) break;
	}
	if (err == 0 && got != info.uncompressed_size) err = ZIP_FAIL(kErrZipRead);
	int const closed = unzCloseCurrentFile(uf);
	if (err == 0 && closed != UNZ_OK) err = ZIP_FAIL(closed);
	return err;
}

int write_all(int fd, char const* data, size_t size)
{
	while (size > 0) {
		ssize_t const n = write(fd, data, size);
		if (n < 0) {
			if (errno == EINTR) continue;
			return ZIP_FAIL(errno);
		}
		data += n;
		size -= static_cast<size_t>(n);
	}
	return 0;
}

// ---- archive reading ------------------------------------------------------------

// minizip's own stdio functions seek and read in small steps (dozens of
// system calls per archive); this table serves the same calls from memory:
// the whole archive read with one call when it fits a window, else two
// windows, each refilled with one pread when a read misses both. minizip
// alternates between the central directory (each entry's record) and the
// entry's own header and data: with one window every entry of a large
// archive would cost two refills, with two the directory keeps its own.
size_t const kWindow = 1 << 20;

struct read_window {
	std::vector<unsigned char> bytes;
	uint64_t at = 0;  // file offset of bytes[0]
	size_t len = 0;   // bytes that hold file data
	bool holds(uint64_t offset) const { return offset >= at && offset < at + len; }
};

struct archive_reader {
	int fd = -1;
	uint64_t size = 0;
	uint64_t pos = 0;
	size_t cap = 0;  // size of a window: the archive's, up to kWindow
	read_window win[2];
	int recent = 0;  // the window used last; a miss refills the other
	int error = 0;
};

// Reads len bytes at offset into dst; fewer only at the end of the file.
ssize_t read_at(archive_reader& r, unsigned char* dst, size_t len, uint64_t offset)
{
	size_t got = 0;
	while (got < len) {
		ssize_t const n = pread(r.fd, dst + got, len - got, static_cast<off_t>(offset + got));
		if (n < 0 && errno == EINTR) continue;
		if (n < 0) {
			r.error = errno;
			return -1;
		}
		if (n == 0) break;
		got += static_cast<size_t>(n);
	}
	return static_cast<ssize_t>(got);
}

// The window is placed to start at the read, unless that would leave part
// of it past the end: then it holds the last bytes, so that minizip's
// backward search for the directory at the end is served by one refill.
bool fill_window(archive_reader& r, read_window& w, uint64_t at)
{
	uint64_t const cap = r.cap;
	w.bytes.resize(r.cap);
	w.at = std::min(at, r.size > cap ? r.size - cap : 0);
	w.len = 0;
	ssize_t const n = read_at(r, w.bytes.data(), static_cast<size_t>(std::min(cap, r.size - w.at)), w.at);
	if (n < 0) return false;
	w.len = static_cast<size_t>(n);
	return true;
}

voidpf ZCALLBACK reader_open(voidpf, void const* filename, int mode)
{
	if (!filename || (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
	// Non-blocking, so that a FIFO cannot hold the open; only regular files are archives.
	int const fd = open(static_cast<char const*>(filename), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
	if (fd < 0) return nullptr;
	struct stat st;
	if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
		close(fd);
		return nullptr;
	}
	auto* r = new archive_reader;
	r->fd = fd;
	r->size = static_cast<uint64_t>(st.st_size);
	r->cap = static_cast<size_t>(std::min<uint64_t>(r->size, kWindow));
	if (r->size <= kWindow && !fill_window(*r, r->win[0], 0)) {
		close(fd);
		delete r;
		return nullptr;
	}
	return r;
}

uLong ZCALLBACK reader_read(voidpf, voidpf stream, void* buf, uLong size)
{
	auto& r = *static_cast<archive_reader*>(stream);
	auto* dst = static_cast<unsigned char*>(buf);
	if (r.pos >= r.size || size == 0) return 0;
	size_t const want = static_cast<size_t>(std::min<uint64_t>(size, r.size - r.pos));
	size_t done = 0;
	while (done < want) {
		uint64_t const at = r.pos + done;
		int const hit = r.win[r.recent].holds(at) ? r.recent : r.win[1 - r.recent].holds(at) ? 1 - r.recent : -1;
		if (hit >= 0) {
			read_window const& w = r.win[hit];
			size_t const off = static_cast<size_t>(at - w.at);
			size_t const n = std::min(want - done, w.len - off);
			std::memcpy(dst + done, w.bytes.data() + off, n);
			done += n;
			r.recent = hit;
			continue;
		}
		if (want - done >= r.cap) {  // as large as a window: straight to the caller
			ssize_t const n = read_at(r, dst + done, want - done, at);
			if (n <= 0) break;
			done += static_cast<size_t>(n);
			continue;
		}
		int const victim = 1 - r.recent;
		if (!fill_window(r, r.win[victim], at) || !r.win[victim].holds(at)) break;
		r.recent = victim;
	}
	r.pos += done;
	return static_cast<uLong>(done);
}

uLong ZCALLBACK reader_write(voidpf, voidpf, void const*, uLong) { return 0; }

ZPOS64_T ZCALLBACK reader_tell(voidpf, voidpf stream) { return static_cast<archive_reader*>(stream)->pos; }

long ZCALLBACK reader_seek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
	auto& r = *static_cast<archive_reader*>(stream);
	uint64_t base = 0;
	switch (origin) {
	case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
	case ZLIB_FILEFUNC_SEEK_CUR: base = r.pos; break;
	case ZLIB_FILEFUNC_SEEK_END: base = r.size; break;
	default: return -1;
	}
	// Offsets are unsigned, so a step back arrives wrapped: the sum wraps back too.
	r.pos = base + offset;
	return 0;
}

int ZCALLBACK reader_close(voidpf, voidpf stream)
{
	auto* r = static_cast<archive_reader*>(stream);
	int const err = close(r->fd);
	delete r;
	return err;
}

int ZCALLBACK reader_error(voidpf, voidpf stream) { return static_cast<archive_reader*>(stream)->error; }

unzFile open_archive(std::string const& path)
{
	zlib_filefunc64_def table = {reader_open, reader_read, reader_write, reader_tell,
	                             reader_seek, reader_close, reader_error, nullptr};
	return unzOpen2_64(path.c_str(), &table);
}

// The mode a plain file entry is created with, before the umask.
mode_t entry_create_mode(unsigned long external_fa)
{
	// Archives from systems without Unix modes leave the upper half zero.
	unsigned long const mode = external_fa >> 16;
	if (mode == 0) return 0666;
	// The execute bits come from the archive; no archive makes a file setuid,
	// setgid, sticky or writable by others, nor one its owner cannot read back.
	return static_cast<mode_t>((mode & 0755) | 0600);
}

// A plain file entry, written beside the target and renamed over it. It is
// created with its mode, so that the user's umask applies as to any new file.
// cap: the most bytes the file may hold; past them the expansion stops.
int expand_plain(unzFile uf, std::string const& target, unz_file_info const& info,
                 uint64_t cap = UINT64_MAX)
{
	std::string tmp;
	int fd = -1;
	mode_t const mode = entry_create_mode(info.external_fa);
	int err = make_beside(target, tmp, [&fd, mode](std::string const& path) {
		fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
		return fd < 0 ? errno : 0;
	});
	if (err != 0) err = ZIP_FAIL(err);
	uint64_t written = 0;
	if (err == 0)
		err = copy_entry(uf, info, [fd, cap, &written](char const* data, size_t size) {
			written += size;
			return written > cap ? ZIP_FAIL(kErrZipRead) : write_all(fd, data, size);
		});
	if (err == 0 && fsync(fd) != 0) err = ZIP_FAIL(errno);
	if (fd >= 0 && close(fd) != 0 && err == 0) err = ZIP_FAIL(errno);
	if (err == 0 && std::rename(tmp.c_str(), target.c_str()) != 0) err = ZIP_FAIL(errno);
	if (err != 0 && !tmp.empty()) unlink(tmp.c_str());
	let_go_beside(tmp);
	if (err != 0) {
		log_text("Zip to file failed with error " + std::to_string(err) + failure_site() + ". inFile=" + target + ".\n");
	}
	return err;
}

// Checks an AppleDouble companion: fixed header, then a table of entries
// (id, offset, length) that must lie inside the entry's size bytes.
int check_apple_double(std::vector<unsigned char> const& head, uint64_t size)
{
	static unsigned char const fixed[24] = {0x00, 0x05, 0x16, 0x07, 0x00, 0x02, 0x00, 0x00};
	auto be32 = [&head](size_t at) {
		return uint32_t(head[at]) << 24 | uint32_t(head[at + 1]) << 16 | uint32_t(head[at + 2]) << 8 | head[at + 3];
	};
	if (head.size() < 26 || std::memcmp(head.data(), fixed, sizeof fixed) != 0) return ZIP_FAIL(kErrZipForkHeader);
	int16_t const count = static_cast<int16_t>(head[24] << 8 | head[25]);
	for (int i = 0; i < count; ++i) {
		size_t const row = 26 + 12 * static_cast<size_t>(i);
		if (row + 12 > head.size()) return ZIP_FAIL(kErrZipForkHeader);
		uint64_t const offset = be32(row + 4), length = be32(row + 8);
		if (offset + length > size) return ZIP_FAIL(kErrZipForkHeader);
	}
	return 0;
}

}  // namespace

// ---- unzip_symlink -------------------------------------------------------------

int unzip_symlink(void* archive, std::string path, unz_file_info_s const& info)
{
	std::string text;
	int err = 0;
	if (info.uncompressed_size > kLinkMax) err = ZIP_FAIL(ENAMETOOLONG);
	if (err == 0)
		err = copy_entry(static_cast<unzFile>(archive), info, [&text](char const* data, size_t size) {
			text.append(data, size);
			return 0;
		});
	if (err == 0 && text.find('\0') != std::string::npos) err = ZIP_FAIL(kErrZipRead);
	set_dir_chars(path);
	if (err == 0) {
		// Made beside and renamed over whatever stands there, in one step.
		std::string tmp;
		if (make_beside(path, tmp, [&text](std::string const& p) { return symlink(text.c_str(), p.c_str()) == 0 ? 0 : errno; }) != 0)
			err = ZIP_FAIL(-1);
		else if (std::rename(tmp.c_str(), path.c_str()) != 0) {
			unlink(tmp.c_str());
			err = ZIP_FAIL(-1);
		}
		if (!tmp.empty()) let_go_beside(tmp);
	}
	if (err != 0)
		log_text("Zip to symlink failed with error " + std::to_string(err) + failure_site() + ". inFile=" + path + ".\n");
	return err;
}

// ---- unzip_resource_fork -----------------------------------------------------------

// This system's files have no resource fork and no Finder information: a
// companion is read and checked, then dropped with nothing written.
int unzip_resource_fork(void* archive, std::string path, unz_file_info_s const& info)
{
	size_t const mark = path.rfind("._");
	if (mark != std::string::npos) path.erase(mark, 2);
	set_dir_chars(path);

	// Only the header and the largest possible table are kept; the fork's
	// bytes are still read through so that the CRC is checked.
	size_t const keep = 26 + 12 * 32767;
	std::vector<unsigned char> head;
	int err = copy_entry(static_cast<unzFile>(archive), info, [&head](char const* data, size_t size) {
		size_t const take = std::min(size, keep - head.size());
		head.insert(head.end(), data, data + take);
		return 0;
	});
	if (err == 0) err = check_apple_double(head, info.uncompressed_size);
	if (err != 0)
		log_text("Unzip RF failed with error " + std::to_string(err) + failure_site() + ". inFile=" + path + ".\n");
	return err;
}

// ---- zip_to_file -------------------------------------------------------------------

namespace {

// The current entry's information and whole name, however long.
int read_entry_info(unzFile uf, unz_file_info& info, std::string& name)
{
	int err = unzGetCurrentFileInfo(uf, &info, nullptr, 0, nullptr, 0, nullptr, 0);
	if (err != UNZ_OK) return err;
	std::vector<char> buf(info.size_filename + 1);
	err = unzGetCurrentFileInfo(uf, &info, buf.data(), buf.size(), nullptr, 0, nullptr, 0);
	if (err == UNZ_OK) name.assign(buf.data(), info.size_filename);
	return err;
}

int expand_entry(unzFile uf, unz_file_info const& info, std::string const& name, std::string const& out,
                 std::string* first_name, bool& named, int rename)
{
	if (name.size() > kNameMax)
		return refuse(name, "name too long", ZIP_FAIL(ENAMETOOLONG));
	// The name is checked even when the caller's replaces it: it still goes
	// back to the caller as first_name.
	if (char const* why = unsafe_name(name)) return refuse(name, why, ZIP_FAIL(kErrZipRead));
	bool const renamed = rename && first_name;
	std::string const leaf = renamed ? *first_name : name;
	if (char const* why = renamed ? unsafe_name(leaf) : nullptr) return refuse(leaf, why, ZIP_FAIL(kErrZipRead));
	if (out.size() + leaf.size() > kPathMax) return refuse(leaf, "path too long", ZIP_FAIL(ENAMETOOLONG));
	std::string target = out + leaf;
	set_dir_chars(target);
	if (char const* why = unsafe_target(out, target)) return refuse(leaf, why, ZIP_FAIL(kErrZipRead));

	if (first_name && !named) {
		*first_name = name;
		set_dir_chars(*first_name);
		named = true;
	}

	bool const in_fork_tree = name.compare(0, sizeof kForkTree - 1, kForkTree) == 0;
	if (name.back() == '/') {
		if (in_fork_tree) return 0;
		int const made = make_folder(target);
		return show_make_dir_err(made) ? made : 0;
	}
	if (in_fork_tree) {
		std::string const rest = name.size() > 9 ? name.substr(9) : std::string();
		if (char const* why = unsafe_name(rest)) return refuse(name, why, ZIP_FAIL(kErrZipRead));
		return unzip_resource_fork(uf, out + rest, info);
	}
	if (((info.external_fa >> 16) & 0xA000) == 0xA000) return unzip_symlink(uf, target, info);
	return expand_plain(uf, target, info);
}

int final_report(int err, std::string const& zip_path, std::string const& out)
{
	log_text("Zip to file failed with error err = " + std::to_string(err) + failure_site() + ". zip_file=" + zip_path +
	         ", out_directory=" + out + ".\n");
	return err;
}

}  // namespace

int zip_to_file(std::string zip_file, std::string out_dir, std::string* first_name, int rename,
                std::string const& dest_root)
{
	std::string zip_path = app_path + zip_file;
	std::string out = app_path + out_dir;
	set_dir_chars(zip_path);
	set_dir_chars(out);
	if (!dest_root.empty()) {
		std::string root = app_path + dest_root;
		set_dir_chars(root);
		if (root.back() != '/') root += '/';
		char const* why = nullptr;
		if (int const code = unsafe_folder(root, out, &why)) {
			log_text("Zip to file refused folder " + out + " (" + why + ").\n");
			return final_report(ZIP_FAIL(code), zip_path, out);
		}
	}

	unzFile uf = open_archive(zip_path);
	if (!uf) {
		log_text("ok i am about to report that i could not open a zip file for extraction!\n"
		         "that incoming file is " + zip_path + "\n"
		         "in c-form, it is " + zip_path + "\n"
		         "the size is " + std::to_string(zip_path.size()) + "\n");
		return final_report(ZIP_FAIL(kErrZipOpen), zip_path, out);
	}

	bool named = false;
	int err = unzGoToFirstFile(uf);
	while (err == UNZ_OK) {
		unz_file_info info;
		std::string name;
		err = read_entry_info(uf, info, name);
		if (err != UNZ_OK) {
			IO_NOTE_FAILURE();
			log_text("err != UNZ_OK! err=" + std::to_string(err) + "\n");
			break;
		}
		int const step = expand_entry(uf, info, name, out, first_name, named, rename);
		if (step != 0) {
			log_text("UNZIP zip_to_file failed with err=" + std::to_string(step) + "\n");
			unzClose(uf);
			return final_report(step, zip_path, out);
		}
		err = unzGoToNextFile(uf);
		if (err != UNZ_OK) log_text("NEXTFILE zip_to_file failed with err=" + std::to_string(err) + "\n");
	}
	unzClose(uf);
	if (err == UNZ_END_OF_LIST_OF_FILE || err == UNZ_OK) return 0;
	return final_report(err, zip_path, out);
}

// ---- zip_to_one_file ------------------------------------------------------------------

namespace {

bool is_link_entry(unz_file_info const& info) { return ((info.external_fa >> 16) & 0170000) == 0120000; }

// Finds the entry to take before anything is written: its position in
// *at. alone: it must be the archive's one entry. kErrZipRead when the
// archive does not have that shape.
int find_the_entry(unzFile uf, std::string const& entry, bool alone, uint64_t max_bytes, unz_file_pos* at,
                   unz_file_info* found)
{
	int matches = 0, entries = 0;
	int err = unzGoToFirstFile(uf);
	for (; err == UNZ_OK; err = unzGoToNextFile(uf)) {
		unz_file_info info;
		std::string name;
		if (read_entry_info(uf, info, name) != UNZ_OK) return ZIP_FAIL(kErrZipRead);
		++entries;
		if (name != entry) {
			if (alone) return refuse(name, "not the one file this archive holds", ZIP_FAIL(kErrZipRead));
			continue;
		}
		if (++matches > 1) return refuse(name, "a second entry of that name", ZIP_FAIL(kErrZipRead));
		if (is_link_entry(info) && !alone) return refuse(name, "a link where a file is wanted", ZIP_FAIL(kErrZipRead));
		int const kind = static_cast<int>((info.external_fa >> 16) & 0170000);
		if (kind != 0 && kind != 0100000 && kind != 0120000) return refuse(name, "not a file", ZIP_FAIL(kErrZipRead));
		if (info.uncompressed_size > max_bytes) return refuse(name, "larger than allowed", ZIP_FAIL(kErrZipRead));
		if (unzGetFilePos(uf, at) != UNZ_OK) return ZIP_FAIL(kErrZipRead);
		*found = info;
	}
	if (err != UNZ_END_OF_LIST_OF_FILE) return ZIP_FAIL(kErrZipRead);
	if (matches == 0) {
		log_text("Zip to file found no entry " + entry + " among " + std::to_string(entries) + ".\n");
		return ZIP_FAIL(kErrZipRead);
	}
	return 0;
}

}  // namespace

int zip_to_one_file(std::string zip_file, std::string target, std::string const& entry, uint64_t max_bytes,
                    bool alone, std::string const& dest_root)
{
	std::string const zip_path = [&] { std::string p = app_path + zip_file; set_dir_chars(p); return p; }();
	std::string full = app_path + target;
	set_dir_chars(full);
	size_t const cut = full.size() < 2 ? std::string::npos : full.rfind('/', full.size() - 2);
	std::string const out = cut == std::string::npos ? std::string() : full.substr(0, cut + 1);

	char const* why = nullptr;
	int code = 0;
	if (entry.size() > kNameMax || full.size() > kPathMax) {
		why = "path too long";
		code = ENAMETOOLONG;
	} else if ((why = unsafe_name(entry)) != nullptr || entry.find_first_of("/\\:") != std::string::npos) {
		why = why ? why : "not a plain name";
		code = EINVAL;
	} else if (out.empty() || (why = unsafe_target(out, full)) != nullptr) {
		why = why ? why : "no folder";
		code = EINVAL;
	} else if (!dest_root.empty()) {
		std::string root = app_path + dest_root;
		set_dir_chars(root);
		if (root.back() != '/') root += '/';
		code = unsafe_folder(root, out, &why);
	}
	if (code != 0) {
		log_text("Zip to file refused " + full + " (" + why + ").\n");
		return final_report(ZIP_FAIL(code), zip_path, out);
	}

	unzFile uf = open_archive(zip_path);
	if (!uf) return final_report(ZIP_FAIL(kErrZipOpen), zip_path, out);
	unz_file_pos at;
	unz_file_info info;
	int err = find_the_entry(uf, entry, alone, max_bytes, &at, &info);
	if (err == 0 && unzGoToFilePos(uf, &at) != UNZ_OK) err = ZIP_FAIL(kErrZipRead);
	if (err == 0) err = is_link_entry(info) ? unzip_symlink(uf, full, info) : expand_plain(uf, full, info, max_bytes);
	unzClose(uf);
	// Whatever the archive did wrong, it is the archive that is bad.
	if (err < 0 || err == kErrZipForkHeader) err = kErrZipRead;
	return err == 0 ? 0 : final_report(err, zip_path, out);
}

// ---- file_to_zip -------------------------------------------------------------------

namespace {

// One entry holding size bytes; zip64 only where the size needs it.
int add_entry(zipFile zf, std::string const& name, unsigned long external_fa, int method, char const* data, uint64_t size)
{
	zip_fileinfo zi;
	std::memset(&zi, 0, sizeof zi);  // zero date
	zi.external_fa = external_fa;
	int const zip64 = size >= 0xffffffffu ? 1 : 0;
	// Made by Unix (host 3), so that readers take the upper half of the
	// attributes as the file's mode.
	uLong const made_by = 3u << 8 | (zip64 ? 45u : 20u);
	if (zipOpenNewFileInZip4_64(zf, name.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr, method, Z_DEFAULT_COMPRESSION,
	                            0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, made_by, 0,
	                            zip64) != ZIP_OK)
		return ZIP_FAIL(kErrZipWrite);
	int err = 0;
	while (err == 0 && size > 0) {
		unsigned const chunk = static_cast<unsigned>(std::min<uint64_t>(size, 1u << 30));
		if (zipWriteInFileInZip(zf, data, chunk) != ZIP_OK) err = ZIP_FAIL(kErrZipWrite);
		data += chunk;
		size -= chunk;
	}
	if (zipCloseFileInZip(zf) != ZIP_OK && err == 0) err = ZIP_FAIL(kErrZipWrite);
	return err;
}

}  // namespace

int file_to_zip(std::string src, std::string zip_file)
{
	std::string const mapped_as = src;  // the mapped-file reader adds app_path itself
	src = app_path + src;
	zip_file = app_path + zip_file;
	size_t const slash = src.rfind('/');
	std::string const leaf = slash == std::string::npos ? src : src.substr(slash + 1);

	int err = 0;
	zipFile zf = nullptr;
	struct stat st;
	if (lstat(src.c_str(), &st) != 0) {
		err = ZIP_FAIL(errno);
	} else if (S_ISLNK(st.st_mode)) {
		char target[500];
		ssize_t const n = readlink(src.c_str(), target, sizeof target);
		if (n < 0) err = ZIP_FAIL(errno);
		else if (static_cast<size_t>(n) >= sizeof target) err = ZIP_FAIL(ENAMETOOLONG);
		else if (!(zf = zipOpen(zip_file.c_str(), APPEND_STATUS_CREATE))) err = ZIP_FAIL(kErrZipCreate);
		else err = add_entry(zf, leaf, 0xA1ED0000ul, 0, target, static_cast<uint64_t>(n));  // link, rwxr-xr-x
	} else {
		xmap_class map(mapped_as);
		if (!map.begin) err = ZIP_FAIL(kErrFileOpen);
		else if (!(zf = zipOpen(zip_file.c_str(), APPEND_STATUS_CREATE))) err = ZIP_FAIL(kErrZipCreate);
		else
			err = add_entry(zf, leaf, (static_cast<unsigned long>(st.st_mode) & 0xFFFFu) << 16, Z_DEFLATED, map.begin,
			                static_cast<uint64_t>(map.end - map.begin));
	}
	// Files here have no resource fork, so no "__MACOSX" companion is added.
	if (zf && zipClose(zf, nullptr) != ZIP_OK && err == 0) err = ZIP_FAIL(kErrZipWrite);
	if (err != 0) {
		if (zf) std::remove(zip_file.c_str());  // never leave a half-written archive behind
		log_text("file_to_zip failed with error " + std::to_string(err) + ".\nfile = " + sErrFile + " line = " +
		         std::to_string(sErrLine) + "\n");
	}
	return err;
}
