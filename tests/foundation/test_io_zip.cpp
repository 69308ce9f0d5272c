// Zip archives: real archives made here (minizip's writer, the zip tool),
// expanded into temporary folders. Contents are compared, never archive
// bytes. Hostile archives must leave a sentinel folder beside the target
// untouched.
#include <gtest/gtest.h>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <minizip/unzip.h>
#include <minizip/zip.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "foundation/io_utils.h"
#include "foundation/io_zip.h"
#include "foundation/xmap.h"
#include "support/alert_recorder.h"
#include "support/held_child.h"

// Bytes read with pread by this program: the archive reader's only way in,
// so a test can see how often an archive is read over.
static std::atomic<unsigned long long> g_pread_bytes{0};

extern "C" ssize_t pread(int fd, void* buf, size_t n, off_t offset)
{
	long const got = syscall(SYS_pread64, fd, buf, n, offset);
	if (got > 0) g_pread_bytes += static_cast<unsigned long long>(got);
	return static_cast<ssize_t>(got);
}

namespace {

struct zentry {
	std::string name;
	std::string data;
	unsigned long attr = 0;  // external attributes
	int method = Z_DEFLATED;
	bool raw = false;        // data written as stored bytes with the given crc
	unsigned long crc = 0;
	unsigned long size = 0;  // uncompressed size announced for a raw entry
};

unsigned long const kFileAttr = 0100644ul << 16;

void make_zip(std::string const& path, std::vector<zentry> const& entries)
{
	zipFile zf = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
	ASSERT_NE(zf, nullptr);
	for (auto const& e : entries) {
		zip_fileinfo zi = {};
		zi.external_fa = e.attr;
		ASSERT_EQ(zipOpenNewFileInZip2(zf, e.name.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr, e.method,
		                               Z_DEFAULT_COMPRESSION, e.raw ? 1 : 0), ZIP_OK);
		ASSERT_EQ(zipWriteInFileInZip(zf, e.data.data(), static_cast<unsigned>(e.data.size())), ZIP_OK);
		if (e.raw) ASSERT_EQ(zipCloseFileInZipRaw(zf, e.size, e.crc), ZIP_OK);
		else ASSERT_EQ(zipCloseFileInZip(zf), ZIP_OK);
	}
	ASSERT_EQ(zipClose(zf, nullptr), ZIP_OK);
}

zentry file_entry(std::string name, std::string data, unsigned long attr = kFileAttr)
{
	zentry e;
	e.name = std::move(name);
	e.data = std::move(data);
	e.attr = attr;
	return e;
}

zentry link_entry(std::string name, std::string target)
{
	zentry e = file_entry(std::move(name), std::move(target), 0120777ul << 16);
	e.method = 0;
	return e;
}

std::string random_bytes(size_t n, unsigned seed)
{
	std::mt19937 rng(seed);
	std::string s(n, '\0');
	for (char& c : s) c = static_cast<char>(rng() % 7 == 0 ? rng() : 'a' + rng() % 4);
	return s;
}

std::string link_text(std::string const& path)
{
	char buf[4096];
	ssize_t const n = readlink(path.c_str(), buf, sizeof buf);
	return n < 0 ? std::string("<not a link>") : std::string(buf, static_cast<size_t>(n));
}

int mode_of(std::string const& path)
{
	struct stat st;
	return lstat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

bool is_dir(std::string const& path)
{
	struct stat st;
	return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Every item below root (links not followed) with its kind and content.
void list_tree(std::string const& root, std::string const& rel, std::map<std::string, std::string>& out)
{
	DIR* d = opendir((root + rel).c_str());
	if (!d) return;
	while (dirent* e = readdir(d)) {
		std::string const name = e->d_name;
		if (name == "." || name == "..") continue;
		std::string const item = rel + name;
		struct stat st;
		lstat((root + item).c_str(), &st);
		if (S_ISLNK(st.st_mode)) out[item] = "link:" + link_text(root + item);
		else if (S_ISDIR(st.st_mode)) {
			out[item] = "dir";
			list_tree(root, item + "/", out);
		} else out[item] = "file:" + read_text_file(root + item);
	}
	closedir(d);
}

std::map<std::string, std::string> tree(std::string const& root)
{
	std::map<std::string, std::string> out;
	list_tree(root, "", out);
	return out;
}

// A temporary folder with the log, an empty destination "out/" and an
// archive path.
struct zip_fixture : ::testing::Test {
	temp_dir dir;
	std::string log, out, zip;
	void SetUp() override
	{
		log = open_test_log(dir);
		out = dir.path() + "out/";
		zip = dir.path() + "a.zip";
		ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
	}
	std::string logged() { xer.flush(); return read_text_file(log); }
};

using ZipToFile = zip_fixture;
using FileToZip = zip_fixture;

}  // namespace

// ---- expansion ------------------------------------------------------------------------

TEST_F(ZipToFile, ExpandsFilesFoldersAndLinks)
{
	std::string const big = random_bytes(300000, 5);
	make_zip(zip, {
		file_entry("top.txt", "hello\n"),
		file_entry("empty.txt", ""),
		file_entry("Aircraft/", "", 040755ul << 16),
		file_entry("Aircraft/Glider/", ""),
		file_entry("Aircraft/Glider/glider.acf", big),
		link_entry("Aircraft/current", "Glider/glider.acf"),
		link_entry("dangling", "../nowhere/at all"),
	});
	ASSERT_EQ(zip_to_file(zip, out, nullptr, 0), 0);
	EXPECT_EQ(read_text_file(out + "top.txt"), "hello\n");
	EXPECT_EQ(mode_of(out + "empty.txt"), 0644);
	EXPECT_EQ(read_text_file(out + "empty.txt"), "");
	EXPECT_EQ(read_text_file(out + "Aircraft/Glider/glider.acf"), big);
	EXPECT_EQ(link_text(out + "Aircraft/current"), "Glider/glider.acf");
	EXPECT_EQ(link_text(out + "dangling"), "../nowhere/at all");
	EXPECT_EQ(tree(out).size(), 7u) << "no temporary files may stay behind";
	// The normal end still logs the end-of-list code.
	EXPECT_NE(logged().find("NEXTFILE zip_to_file failed with err=-100\n"), std::string::npos);
}

TEST_F(ZipToFile, OnlyFoldersAndFoldersThatExist)
{
	make_zip(zip, {file_entry("a/", ""), file_entry("a/b/", ""), file_entry("__MACOSX/", "")});
	ASSERT_EQ(zip_to_file(zip, out, nullptr, 0), 0);
	ASSERT_EQ(zip_to_file(zip, out, nullptr, 0), 0);
	EXPECT_TRUE(is_dir(out + "a/b"));
	EXPECT_FALSE(is_dir(out + "__MACOSX")) << "the companion tree is never made";
}

// Upper half of the attribute word is the mode; archives from systems
// without one leave it zero and get the mode of a new file. The execute bits
// come from the archive, masked as the user's umask masks any new file; an
// archive never makes a file setuid, setgid, sticky or writable by others,
// nor one its owner cannot read and write.
TEST_F(ZipToFile, ModesFromTheAttributeWord)
{
	mode_t const masks[] = {022, 077, 002};
	struct { char const* name; unsigned long attr; int mode[3]; } const cases[] = {
		{"exec", 0100755ul << 16, {0755, 0700, 0755}},
		{"owner_exec", 0100700ul << 16, {0700, 0700, 0700}},
		{"private", 0100600ul << 16, {0600, 0600, 0600}},
		{"plain", 0100644ul << 16, {0644, 0600, 0644}},
		{"setuid", 0104755ul << 16, {0755, 0700, 0755}},
		{"setgid_sticky", 0103775ul << 16, {0755, 0700, 0755}},
		{"world_writable", 0100777ul << 16, {0755, 0700, 0755}},
		{"read_only", 0100444ul << 16, {0644, 0600, 0644}},
		{"no_owner_bits", 0100055ul << 16, {0655, 0600, 0655}},
		{"none", 0, {0644, 0600, 0664}},
		{"dos_archive_bit", 0x20, {0644, 0600, 0664}},  // attributes set, mode half zero
	};
	std::vector<zentry> entries;
	for (auto const& c : cases) entries.push_back(file_entry(c.name, "x", c.attr));
	make_zip(zip, entries);
	for (int m = 0; m < 3; ++m) {
		std::string const into = out + std::to_string(m) + "/";
		ASSERT_EQ(mkdir(into.c_str(), 0755), 0);
		mode_t const before = umask(masks[m]);
		ASSERT_EQ(zip_to_file(zip, into, nullptr, 0), 0);
		umask(before);
		for (auto const& c : cases)
			EXPECT_EQ(mode_of(into + c.name), c.mode[m]) << c.name << " under umask 0" << std::oct << masks[m];
	}
}

TEST_F(ZipToFile, ArchivesOfTheZipTool)
{
	std::string const src = dir.path() + "src/";
	ASSERT_EQ(mkdir(src.c_str(), 0755), 0);
	ASSERT_EQ(mkdir((src + "Resources").c_str(), 0755), 0);
	write_text_file(src + "Resources/run.sh", "#!/bin/sh\n");
	ASSERT_EQ(chmod((src + "Resources/run.sh").c_str(), 0750), 0);
	ASSERT_EQ(symlink("run.sh", (src + "Resources/start").c_str()), 0);
	std::string const cmd = "cd '" + src + "' && zip -q -r -y '" + zip + "' Resources";
	ASSERT_EQ(system(cmd.c_str()), 0);
	ASSERT_EQ(zip_to_file(zip, out, nullptr, 0), 0);
	EXPECT_EQ(read_text_file(out + "Resources/run.sh"), "#!/bin/sh\n");
	EXPECT_EQ(mode_of(out + "Resources/run.sh"), 0750);
	EXPECT_EQ(link_text(out + "Resources/start"), "run.sh");
}

TEST_F(ZipToFile, ReplacesFilesAndLinksWithoutFollowingThem)
{
	std::string const elsewhere = dir.path() + "elsewhere.txt";
	write_text_file(elsewhere, "keep me");
	write_text_file(out + "file", "old");
	ASSERT_EQ(symlink(elsewhere.c_str(), (out + "was_link").c_str()), 0);
	write_text_file(out + "becomes_link", "old");
	make_zip(zip, {file_entry("file", "new"), file_entry("was_link", "new"), link_entry("becomes_link", "file")});
	ASSERT_EQ(zip_to_file(zip, out, nullptr, 0), 0);
	EXPECT_EQ(read_text_file(out + "file"), "new");
	EXPECT_EQ(link_text(out + "was_link"), "<not a link>");
	EXPECT_EQ(read_text_file(out + "was_link"), "new");
	EXPECT_EQ(read_text_file(elsewhere), "keep me");
	EXPECT_EQ(link_text(out + "becomes_link"), "file");
	EXPECT_EQ(tree(out).size(), 3u);
}

TEST_F(ZipToFile, FirstNameIsTheFirstEntryOnly)
{
	make_zip(zip, {file_entry("Skyrell Installer", "app"), file_entry("second", "x")});
	std::string name = "before";
	ASSERT_EQ(zip_to_file(zip, out, &name, 0), 0);
	EXPECT_EQ(name, "Skyrell Installer");
}

// Archives of several megabytes are read in pieces: entries that cross
// piece boundaries, one larger than a piece, and a directory at the far end.
TEST_F(ZipToFile, LargeArchivesExpandWhole)
{
	auto stored = [](std::string name, std::string data) {
		zentry e = file_entry(std::move(name), std::move(data));
		e.method = 0;
		return e;
	};
	std::vector<zentry> const entries = {
		stored("one", random_bytes(700000, 21)),
		stored("two", random_bytes(1500000, 22)),
		file_entry("three", "small"),
		file_entry("four", random_bytes(900000, 23)),
		stored("five", random_bytes(1048576, 24)),
	};
	make_zip(zip, entries);
	struct stat st;
	ASSERT_EQ(stat(zip.c_str(), &st), 0);
	ASSERT_GT(st.st_size, 3 << 20);
	ASSERT_EQ(zip_to_file(zip, out, nullptr, 0), 0);
	for (auto const& e : entries) EXPECT_TRUE(read_text_file(out + e.name) == e.data) << e.name;
	EXPECT_EQ(tree(out).size(), entries.size());
}

// minizip goes back and forth between the directory at the end and each
// entry's header and data; an archive larger than a read window must still
// be read about once, not once per entry.
TEST_F(ZipToFile, ManyEntriesOfALargeArchiveAreReadOnce)
{
	std::vector<zentry> entries;
	for (int i = 0; i < 64; ++i) {
		entries.push_back(file_entry("e" + std::to_string(i), random_bytes(40000, 100 + i)));
		entries.back().method = 0;  // stored: the archive is as large as its files
	}
	make_zip(zip, entries);
	struct stat st;
	ASSERT_EQ(stat(zip.c_str(), &st), 0);
	ASSERT_GT(st.st_size, 2 << 20);
	g_pread_bytes = 0;
	ASSERT_EQ(zip_to_file(zip, out, nullptr, 0), 0);
	EXPECT_LT(g_pread_bytes.load(), 3ull * static_cast<unsigned long long>(st.st_size));
	EXPECT_GT(g_pread_bytes.load(), 0ull);  // the count sees the reader at all
	for (auto const& e : entries) EXPECT_TRUE(read_text_file(out + e.name) == e.data) << e.name;
}

// ---- companions ("__MACOSX/.../._name") ------------------------------------------

namespace {

// An AppleDouble companion as the packer writes it: Finder information and a fork.
std::string apple_double(std::string const& fork, int filler_byte = 0)
{
	auto be32 = [](uint32_t v) {
		return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
	};
	std::string s = be32(0x00051607) + be32(0x00020000) + std::string(16, char(filler_byte));
	s += std::string{0, 2};
	s += be32(9) + be32(50) + be32(32);
	s += be32(2) + be32(82) + be32(static_cast<uint32_t>(fork.size()));
	s += "TEXTSKYR" + std::string(8, '\0') + std::string(16, '\0');
	return s + fork;
}

}  // namespace

TEST_F(ZipToFile, CompanionsAreCheckedAndDropped)
{
	make_zip(zip, {
		file_entry("doc.txt", "data"),
		file_entry("__MACOSX/", ""),
		file_entry("__MACOSX/._doc.txt", apple_double("resource fork bytes")),
		file_entry("__MACOSX/._missing.txt", apple_double("")),  // no data file: ignored
	});
	ASSERT_EQ(zip_to_file(zip, out, nullptr, 0), 0);
	EXPECT_EQ(tree(out), (std::map<std::string, std::string>{{"doc.txt", "file:data"}}));
}

TEST_F(ZipToFile, BrokenCompanionsAreRefused)
{
	std::string table_outside = apple_double("fork");
	table_outside[26 + 12 + 11] = char(200);  // fork length far past the entry's end
	std::string table_cut = apple_double("").substr(0, 30);
	std::string count_only = apple_double("").substr(0, 25);
	struct { char const* what; std::string data; } const cases[] = {
		{"non-zero filler", apple_double("fork", 1)},
		{"table outside the entry", table_outside},
		{"table cut short", table_cut},
		{"header cut short", count_only},
		{"empty", ""},
	};
	for (auto const& c : cases) {
		make_zip(zip, {file_entry("doc.txt", "data"), file_entry("__MACOSX/._doc.txt", c.data)});
		EXPECT_EQ(zip_to_file(zip, out, nullptr, 0), 20012) << c.what;
		EXPECT_EQ(read_text_file(out + "doc.txt"), "data") << c.what;
	}
	EXPECT_NE(logged().find("Unzip RF failed with error 20012. file = io_utils line = "), std::string::npos);
}

// ---- failures ---------------------------------------------------------------------------

TEST_F(ZipToFile, ArchivesThatCannotBeOpened)
{
	write_text_file(dir.path() + "text.zip", "this is not a zip archive at all, just some text");
	write_text_file(dir.path() + "empty.zip", "");
	// An archive without entries: the end record alone.
	write_text_file(dir.path() + "no_entries.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
	for (char const* name : {"missing.zip", "text.zip", "empty.zip", "no_entries.zip"}) {
		std::string const path = dir.path() + name;
		EXPECT_EQ(zip_to_file(path, out, nullptr, 0), 20001) << name;
		EXPECT_NE(logged().find("ok i am about to report that i could not open a zip file for extraction!\n"
		                        "that incoming file is " + path + "\nin c-form, it is " + path +
		                        "\nthe size is " + std::to_string(path.size()) + "\n"),
		          std::string::npos) << name;
	}
	EXPECT_NE(logged().find("Zip to file failed with error err = 20001. file = io_utils line = "), std::string::npos);
	EXPECT_TRUE(tree(out).empty());
}

// A folder or a FIFO named as the archive fails to open, at once: the FIFO
// has no writer and must not hold the call.
TEST_F(ZipToFile, ArchivePathsThatAreNoFiles)
{
	ASSERT_EQ(mkdir((dir.path() + "folder.zip").c_str(), 0755), 0);
	ASSERT_EQ(mkfifo((dir.path() + "fifo.zip").c_str(), 0644), 0);
	for (char const* name : {"folder.zip", "fifo.zip"})
		EXPECT_EQ(zip_to_file(dir.path() + name, out, nullptr, 0), 20001) << name;
	EXPECT_TRUE(tree(out).empty());
}

// A bad entry fails the archive, and the file it would replace stays whole.
TEST_F(ZipToFile, DamagedEntriesLeaveTheOldFile)
{
	std::string const data = random_bytes(5000, 9);
	unsigned long const crc = crc32(0, reinterpret_cast<Bytef const*>(data.data()), static_cast<uInt>(data.size()));
	zentry bad_crc = file_entry("target", data);
	bad_crc.method = 0;
	bad_crc.raw = true;
	bad_crc.size = data.size();
	bad_crc.crc = crc ^ 1;
	zentry bad_deflate = file_entry("target", "\xff\xfe this is no deflate stream \x01\x02");
	bad_deflate.raw = true;
	bad_deflate.size = data.size();
	bad_deflate.crc = crc;
	zentry short_data = file_entry("target", data.substr(0, 100));
	short_data.method = 0;
	short_data.raw = true;
	short_data.size = data.size() + 10;  // announced longer than stored: the stored size wins
	short_data.crc = crc;
	struct { char const* what; zentry entry; int code; } const cases[] = {
		{"patched CRC", bad_crc, UNZ_CRCERROR},
		{"damaged deflate data", bad_deflate, 20002},
		{"short entry", short_data, 20002},
	};
	for (auto const& c : cases) {
		write_text_file(out + "target", "old contents");
		make_zip(zip, {c.entry});
		EXPECT_EQ(zip_to_file(zip, out, nullptr, 0), c.code) << c.what;
		EXPECT_EQ(read_text_file(out + "target"), "old contents") << c.what;
		EXPECT_EQ(tree(out).size(), 1u) << c.what;
	}
	EXPECT_NE(logged().find("UNZIP zip_to_file failed with err=-105\n"), std::string::npos);
}

TEST_F(ZipToFile, EntryInAMissingFolder)
{
	make_zip(zip, {file_entry("first.txt", "1"), file_entry("no/such/folder/x.txt", "x")});
	EXPECT_EQ(zip_to_file(zip, out, nullptr, 0), ENOENT);
	// Nothing is rolled back: what came before stays.
	EXPECT_EQ(tree(out), (std::map<std::string, std::string>{{"first.txt", "file:1"}}));
	std::string const log_text = logged();
	EXPECT_NE(log_text.find("Zip to file failed with error 2. file = io_utils line = "), std::string::npos);
	EXPECT_NE(log_text.find(". inFile=" + out + "no/such/folder/x.txt.\n"), std::string::npos);
	EXPECT_NE(log_text.find("Zip to file failed with error err = 2. file = io_utils line = "), std::string::npos);
	EXPECT_NE(log_text.find(". zip_file=" + zip + ", out_directory=" + out + ".\n"), std::string::npos);
}

// A write that the file system refuses (here a file-size limit standing in
// for a full disk) is an error, and the old file stays.
TEST_F(ZipToFile, RefusedWriteIsAnError)
{
	write_text_file(out + "target", "old contents");
	make_zip(zip, {file_entry("target", random_bytes(200000, 3))});
	signal(SIGXFSZ, SIG_IGN);
	struct rlimit old_limit;
	ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
	struct rlimit limit = {100000, old_limit.rlim_max};
	ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
	EXPECT_EQ(zip_to_file(zip, out, nullptr, 0), EFBIG);
	// Put back, so that later tests in the same process may write freely.
	ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old_limit), 0);
	EXPECT_EQ(read_text_file(out + "target"), "old contents");
	EXPECT_EQ(tree(out).size(), 1u);
}

// A run killed while writing leaves its half-written file beside the
// target; the next expansion into that folder removes it, even one left
// under the id this run has now or under one a later process took (ids
// repeat: after a restart, in a container every run may have the same),
// but never a file a writer still holds, nor anything that only looks alike.
TEST_F(ZipToFile, HalfWrittenFilesOfAKilledRunAreRemoved)
{
	pid_t const dead = ended_process_id();
	ASSERT_GT(dead, 0);
	std::string const gone = ".new-" + std::to_string(dead) + "-";
	ASSERT_EQ(mkdir((out + "sub").c_str(), 0755), 0);
	write_text_file(dir.path() + "sentinel", "outside");
	std::map<std::string, std::string> kept = {
		{".new-1-0", "file:being written by a running process"},
		{gone + "x", "file:not a name the program gives"},
		{"notes" + gone + "0", "file:not a name the program gives"},
		{"sub", "dir"},
		{"sub/" + gone + "0", "file:in a folder nothing is written to"},
	};
	for (auto const& k : kept)
		if (k.second != "dir") write_text_file(out + k.first, k.second.substr(5));
	write_text_file(out + gone + "0", "half of the old run's file");
	write_text_file(out + ".new-" + std::to_string(getpid()) + "-999999", "left by a run with this id");
	write_text_file(out + ".new-1-1", "left long ago by a run whose id a process took since");
	struct timespec const long_ago[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
	ASSERT_EQ(utimensat(AT_FDCWD, (out + ".new-1-1").c_str(), long_ago, 0), 0);
	ASSERT_EQ(symlink((dir.path() + "sentinel").c_str(), (out + gone + "1").c_str()), 0);

	// A writer still going whose id, seen from here, is an ended process's
	// (as a writer in a sandbox of its own shows), and that has not written
	// for a while: only its lock tells that it is alive.
	pid_t const elsewhere = ended_process_id();
	ASSERT_GT(elsewhere, 0);
	std::string held_name, shown;  // set in the child
	held_child other(
	    [&]() -> std::string {
		    app_path = out;
		    if (ouf_open("theirs.txt", 10001, 840, "") != 1) return "none";
		    ouf << "INSTALLER\n";
		    ouf.flush();
		    std::string const own = ".new-" + std::to_string(getpid()) + "-";
		    DIR* d = opendir(out.c_str());
		    while (dirent const* e = d ? readdir(d) : nullptr)
			    if (std::string(e->d_name).rfind(own, 0) == 0) held_name = e->d_name;
		    if (d) closedir(d);
		    if (held_name.empty()) return "none";
		    shown = ".new-" + std::to_string(elsewhere) + "-" + held_name.substr(own.size());
		    if (rename((out + held_name).c_str(), (out + shown).c_str()) != 0 ||
		        utimensat(AT_FDCWD, (out + shown).c_str(), long_ago, 0) != 0)
			    return "none";
		    return shown;
	    },
	    [&] {
		    // Back under the name the writer knows, to take its place.
		    rename((out + shown).c_str(), (out + held_name).c_str());
		    ouf.close();
	    });
	std::string const theirs = other.answer();
	ASSERT_FALSE(theirs.empty());
	ASSERT_NE(theirs, "none");
	kept[theirs] = "file:" + read_text_file(out + theirs);

	// This run's own, made through another spelling of the folder, is being
	// written while the expansion comes to the folder.
	std::string mine;
	ASSERT_EQ(make_beside(out + "sub/../held", mine, [](std::string const& p) {
		          int const fd = open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
		          return fd < 0 ? errno : (close(fd), 0);
	          }),
	          0);
	kept[mine.substr(mine.rfind('/') + 1)] = "file:";

	make_zip(zip, {file_entry("target", "whole")});
	ASSERT_EQ(zip_to_file(zip, out, nullptr, 0), 0);
	std::map<std::string, std::string> want = kept;
	want["target"] = "file:whole";
	EXPECT_EQ(tree(out), want);
	EXPECT_EQ(read_text_file(dir.path() + "sentinel"), "outside") << "a stale link is removed, never followed";
	let_go_beside(mine);

	other.release();
	EXPECT_EQ(read_text_file(out + "theirs.txt"), "I\n840 version\nINSTALLER\n") << "the other writer finished";
}

// ---- hostile archives ---------------------------------------------------------------

TEST_F(ZipToFile, HostileArchivesAreRefused)
{
	std::string const sentinel = dir.path() + "sentinel/";
	ASSERT_EQ(mkdir(sentinel.c_str(), 0755), 0);
	write_text_file(sentinel + "x", "sentinel");
	std::string const long_name(300, 'n');
	// 20002: the archive is damaged as far as the user is concerned.
	struct { char const* what; std::vector<zentry> entries; int code; } const cases[] = {
		{"parent", {file_entry("../sentinel/x", "evil")}, 20002},
		{"absolute", {file_entry(sentinel + "x", "evil")}, 20002},
		{"parent after folder", {file_entry("a/../../sentinel/x", "evil")}, 20002},
		{"backslashes", {file_entry("..\\sentinel\\x", "evil")}, 20002},
		{"colons", {file_entry("x:..:..:sentinel:x", "evil")}, 20002},
		{"folder entry", {file_entry("../sentinel/new/", "")}, 20002},
		{"link entry", {link_entry("../sentinel/x", "evil")}, 20002},
		{"companion", {file_entry("__MACOSX/../../sentinel/._x", apple_double("evil"))}, 20002},
		{"empty name", {file_entry("", "evil")}, 20002},
		{"link then through it", {link_entry("lnk", "../sentinel"), file_entry("lnk/x", "evil")}, 20002},
		{"absolute link then through it", {link_entry("lnk", sentinel), file_entry("lnk/y", "evil")}, 20002},
		{"link then folder through it", {link_entry("lnk", sentinel), file_entry("lnk/sub/", "")}, 20002},
		{"long name", {file_entry(long_name, "evil")}, ENAMETOOLONG},
		{"long name in folder", {file_entry(long_name + "/", "")}, ENAMETOOLONG},
	};
	auto const before = tree(sentinel);
	for (auto const& c : cases) {
		make_zip(zip, c.entries);
		int const r = zip_to_file(zip, out, nullptr, 0);
		EXPECT_EQ(r, c.code) << c.what;
		EXPECT_EQ(tree(sentinel), before) << c.what;
		EXPECT_EQ(tree(dir.path()).count("x"), 0u) << c.what;
	}
	std::string const log_text = logged();
	EXPECT_NE(log_text.find("Zip to file refused entry ../sentinel/x (parent folder in name).\n"), std::string::npos);
	EXPECT_NE(log_text.find("Zip to file refused entry lnk/x (passes through a symbolic link).\n"), std::string::npos);
	EXPECT_NE(log_text.find("Zip to file refused entry " + long_name + " (name too long).\n"), std::string::npos);
}

// The installer expands each file into its own folder below the
// destination. A link anywhere between the two, made by an earlier archive
// or already on disk, would carry the files out of the destination; links
// above the destination are the user's own layout.
TEST_F(ZipToFile, TargetFolderThroughALinkBelowTheDestination)
{
	std::string const sentinel = dir.path() + "sentinel/";
	ASSERT_EQ(mkdir(sentinel.c_str(), 0755), 0);
	ASSERT_EQ(mkdir((sentinel + "Glider").c_str(), 0755), 0);
	make_zip(zip, {link_entry("Aircraft", sentinel)});
	ASSERT_EQ(zip_to_file(zip, out, nullptr, 0, out), 0) << "the link itself is a fine entry";
	ASSERT_EQ(mkdir((out + "Scenery").c_str(), 0755), 0);
	ASSERT_EQ(symlink(sentinel.c_str(), (out + "Scenery/Tiles").c_str()), 0);

	make_zip(zip, {file_entry("x", "evil"), file_entry("sub/", "")});
	auto const before = tree(sentinel);
	for (char const* folder : {"Aircraft/", "Aircraft/Glider/", "Scenery/Tiles/"}) {
		SCOPED_TRACE(folder);
		EXPECT_EQ(zip_to_file(zip, out + folder, nullptr, 0, out), ENOTDIR);
		EXPECT_EQ(tree(sentinel), before);
	}
	EXPECT_NE(logged().find("Zip to file refused folder " + out + "Scenery/Tiles/ (passes through a symbolic link).\n"),
	          std::string::npos);

	// A folder outside the destination is the caller's mistake: refused too.
	EXPECT_EQ(zip_to_file(zip, sentinel, nullptr, 0, out), EINVAL);
	EXPECT_EQ(tree(sentinel), before);

	// The destination reached through a link of the user's: expanded.
	std::string const user_link = dir.path() + "mine";
	ASSERT_EQ(symlink(out.c_str(), user_link.c_str()), 0);
	ASSERT_EQ(mkdir((out + "Real").c_str(), 0755), 0);
	EXPECT_EQ(zip_to_file(zip, user_link + "/Real/", nullptr, 0, user_link + "/"), 0);
	EXPECT_EQ(read_text_file(out + "Real/x"), "evil");
	EXPECT_TRUE(is_dir(out + "Real/sub"));
	EXPECT_EQ(zip_to_file(zip, user_link + "/", nullptr, 0, user_link + "/"), 0) << "the destination itself";
}

// With rename the entries are written under the caller's name, but the
// first entry's name still comes back to the caller (who may launch it), so
// it is checked as in every other mode.
TEST_F(ZipToFile, RenameStillRefusesHostileNames)
{
	for (char const* hostile : {"../sentinel/x", ""}) {
		SCOPED_TRACE(hostile);
		make_zip(zip, {file_entry(hostile, "evil")});
		std::string name = "app";
		EXPECT_EQ(zip_to_file(zip, out, &name, 1), 20002);
		EXPECT_EQ(name, "app");
		EXPECT_TRUE(tree(out).empty());
	}
}

// A name that fits on its own but not below a deep folder is refused, not
// fatal.
TEST_F(ZipToFile, TooLongPathIsRefused)
{
	std::string deep = out;
	while (deep.size() < 300) {
		deep += std::string(60, 'd') + "/";
		ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
	}
	make_zip(zip, {file_entry(std::string(250, 'n'), "x")});
	EXPECT_EQ(zip_to_file(zip, deep, nullptr, 0), ENAMETOOLONG);
	EXPECT_NE(logged().find("(path too long).\n"), std::string::npos);
}

// ---- one file out of an archive ------------------------------------------------------------

// A file's own archive yields that file and nothing else, within its size;
// the directory's archive gives up its one named entry and nothing more.
// Whatever is refused leaves the folder as it was: the old file, no other
// item, no half-written file.
TEST_F(ZipToFile, OneFileTable)
{
	std::string const kb3(3000, 'k');
	struct {
		char const* what;
		std::vector<zentry> entries;
		bool alone;
		uint64_t most;
		int code;
		char const* kind;  // "file" or "link" when taken
	} const cases[] = {
		{"the file", {file_entry("f.txt", "new")}, true, 100, 0, "file"},
		{"stored as a link", {link_entry("f.txt", "other.txt")}, true, 100, 0, "link"},
		{"exactly its most", {file_entry("f.txt", kb3)}, true, 3000, 0, "file"},
		{"a byte past its most", {file_entry("f.txt", kb3 + "k")}, true, 3000, 20002, ""},
		{"another name", {file_entry("g.txt", "new")}, true, 100, 20002, ""},
		{"another letter case", {file_entry("F.TXT", "new")}, true, 100, 20002, ""},
		{"a second file", {file_entry("f.txt", "new"), file_entry("g.txt", "planted")}, true, 100, 20002, ""},
		{"another file first", {file_entry("g.txt", "planted"), file_entry("f.txt", "new")}, true, 100, 20002, ""},
		{"a folder", {file_entry("sub/", "", 040755ul << 16), file_entry("f.txt", "new")}, true, 100, 20002, ""},
		{"a folder of its name", {file_entry("f.txt/", "", 040755ul << 16)}, true, 100, 20002, ""},
		{"a link beside it", {file_entry("f.txt", "new"), link_entry("g.txt", "/etc")}, true, 100, 20002, ""},
		{"twice", {file_entry("f.txt", "new"), file_entry("f.txt", "again")}, true, 100, 20002, ""},
		{"a companion", {file_entry("f.txt", "new"), file_entry("__MACOSX/._f.txt", apple_double("r"))}, true, 100,
		 20002, ""},
		{"a device", {file_entry("f.txt", "", 020644ul << 16)}, true, 100, 20002, ""},
		{"empty archive", {}, true, 100, 20001, ""},
		{"others passed over", {file_entry("junk/", ""), file_entry("junk/big", kb3), file_entry("g.txt", "x"),
		                        file_entry("f.txt", "new")}, false, 100, 0, "file"},
		{"missing among others", {file_entry("g.txt", "x")}, false, 100, 20002, ""},
		{"a link among others", {link_entry("f.txt", "/etc/passwd"), file_entry("g.txt", "x")}, false, 100, 20002, ""},
		{"too large among others", {file_entry("f.txt", kb3), file_entry("g.txt", "x")}, false, 100, 20002, ""},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(c.what);
		std::string const folder = out + "d/";
		ASSERT_EQ(system(("rm -rf '" + folder + "'").c_str()), 0);
		ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
		write_text_file(folder + "f.txt", "old");
		write_text_file(folder + "g.txt", "mine");
		auto const before = tree(out);
		make_zip(zip, c.entries);

		EXPECT_EQ(zip_to_one_file(zip, folder + "f.txt", "f.txt", c.most, c.alone, out), c.code);

		auto after = tree(out);
		if (c.code == 0) {
			std::string const& data = c.entries.back().data;
			EXPECT_EQ(after["d/f.txt"], std::string(c.kind) + ":" + data);
			after["d/f.txt"] = "file:old";
		}
		EXPECT_EQ(after, before);
	}
}

// The target's folder must lie in the destination, reached through real
// folders only, and the name taken is a plain one.
TEST_F(ZipToFile, OneFileStaysInItsDestination)
{
	std::string const sentinel = dir.path() + "sentinel/";
	ASSERT_EQ(mkdir(sentinel.c_str(), 0755), 0);
	ASSERT_EQ(symlink(sentinel.c_str(), (out + "ln").c_str()), 0);
	make_zip(zip, {file_entry("x", "evil")});
	EXPECT_EQ(zip_to_one_file(zip, out + "ln/x", "x", 100, true, out), ENOTDIR);
	EXPECT_EQ(zip_to_one_file(zip, sentinel + "x", "x", 100, true, out), EINVAL);
	make_zip(zip, {file_entry("../x", "evil")});
	EXPECT_EQ(zip_to_one_file(zip, out + "../x", "../x", 100, true, out), EINVAL);
	EXPECT_TRUE(tree(sentinel).empty());
	EXPECT_FALSE(is_dir(dir.path() + "x"));
	EXPECT_TRUE(tree(out).size() == 1u);  // the link alone
}

// ---- packing ------------------------------------------------------------------------------

namespace {

struct zip_listing {
	std::vector<std::string> names;
	std::vector<unsigned long> attrs;
	std::vector<unsigned long> methods;
	std::vector<unsigned long> made_by;  // version made by: host in the upper byte
};

zip_listing list_zip(std::string const& path)
{
	zip_listing l;
	unzFile uf = unzOpen(path.c_str());
	if (!uf) return l;
	for (int err = unzGoToFirstFile(uf); err == UNZ_OK; err = unzGoToNextFile(uf)) {
		unz_file_info info;
		char name[512];
		unzGetCurrentFileInfo(uf, &info, name, sizeof name, nullptr, 0, nullptr, 0);
		l.names.push_back(name);
		l.attrs.push_back(info.external_fa);
		l.methods.push_back(info.compression_method);
		l.made_by.push_back(info.version);
	}
	unzClose(uf);
	return l;
}

}  // namespace

TEST_F(FileToZip, FilesRoundTripAsOneEntryNamedByTheLeaf)
{
	struct { char const* name; std::string data; } const cases[] = {
		{"one byte", "x"},
		{"text.txt", "hello world\nhello world\nhello world\n"},
		{"binary.dat", random_bytes(300000, 1)},
	};
	for (auto const& c : cases) {
		std::string const src = dir.path() + c.name;
		write_text_file(src, c.data);
		ASSERT_EQ(chmod(src.c_str(), 0644), 0);
		ASSERT_EQ(file_to_zip(src, zip), 0) << c.name;
		zip_listing const l = list_zip(zip);
		ASSERT_EQ(l.names, std::vector<std::string>{c.name});
		EXPECT_EQ(l.attrs[0], 0100644ul << 16);
		EXPECT_EQ(l.methods[0], unsigned(Z_DEFLATED));
		ASSERT_EQ(zip_to_file(zip, out, nullptr, 0), 0) << c.name;
		EXPECT_EQ(read_text_file(out + c.name), c.data) << c.name;
		// The zip tool reads it too.
		std::string const cmd = "unzip -p '" + zip + "' > '" + dir.path() + "unzipped'";
		ASSERT_EQ(system(cmd.c_str()), 0);
		EXPECT_EQ(read_text_file(dir.path() + "unzipped"), c.data) << c.name;
	}
}

// Each file's mode travels in its archive, made by Unix, and comes back out
// with its execute bits.
TEST_F(FileToZip, ModesTravelInTheArchive)
{
	mode_t const before = umask(022);
	struct { char const* name; int mode, expanded; } const cases[] = {
		{"program", 0755, 0755},
		{"script.sh", 0750, 0750},
		{"owner_only", 0700, 0700},
		{"text.txt", 0644, 0644},
		{"read_only", 0444, 0644},
		{"setuid", 04755, 0755},
		{"shared", 0666, 0644},
	};
	for (auto const& c : cases) {
		std::string const src = dir.path() + c.name;
		write_text_file(src, "#!/bin/sh\necho hi\n");
		ASSERT_EQ(chmod(src.c_str(), static_cast<mode_t>(c.mode)), 0);
		ASSERT_EQ(file_to_zip(src, zip), 0) << c.name;
		zip_listing const l = list_zip(zip);
		ASSERT_EQ(l.names.size(), 1u);
		EXPECT_EQ(l.attrs[0], (0100000ul | static_cast<unsigned long>(c.mode)) << 16) << c.name;
		EXPECT_EQ(l.made_by[0] >> 8, 3u) << c.name;
		ASSERT_EQ(zip_to_file(zip, out, nullptr, 0), 0) << c.name;
		EXPECT_EQ(mode_of(out + c.name), c.expanded) << c.name;
	}
	umask(before);
	// The zip tool sees the modes too.
	std::string const cmd = "zipinfo '" + zip + "' > '" + dir.path() + "zipinfo.txt'";
	ASSERT_EQ(system(cmd.c_str()), 0);
	EXPECT_NE(read_text_file(dir.path() + "zipinfo.txt").find("-rw-rw-rw-  2.0 unx"), std::string::npos)
	    << read_text_file(dir.path() + "zipinfo.txt");
}

TEST_F(FileToZip, LinkIsPackedByItsTargetText)
{
	write_text_file(dir.path() + "real.txt", "contents never packed");
	std::string const src = dir.path() + "link";
	ASSERT_EQ(symlink("real.txt", src.c_str()), 0);
	ASSERT_EQ(file_to_zip(src, zip), 0);
	zip_listing const l = list_zip(zip);
	ASSERT_EQ(l.names, std::vector<std::string>{"link"});
	EXPECT_EQ(l.attrs[0], 0xA1ED0000ul);
	EXPECT_EQ(l.made_by[0] >> 8, 3u);
	EXPECT_EQ(l.methods[0], 0u);
	ASSERT_EQ(zip_to_file(zip, out, nullptr, 0), 0);
	EXPECT_EQ(link_text(out + "link"), "real.txt");
}

TEST_F(FileToZip, Failures)
{
	write_text_file(dir.path() + "empty", "");
	write_text_file(dir.path() + "full", "data");
	struct { char const* what; std::string src, zip; int code; } const cases[] = {
		{"missing source", dir.path() + "missing", zip, ENOENT},
		{"empty source", dir.path() + "empty", zip, 20006},
		{"archive in a missing folder", dir.path() + "full", dir.path() + "no/such.zip", 20003},
	};
	for (auto const& c : cases) {
		EXPECT_EQ(file_to_zip(c.src, c.zip), c.code) << c.what;
		EXPECT_NE(logged().find("file_to_zip failed with error " + std::to_string(c.code) + ".\nfile = io_utils line = "),
		          std::string::npos) << c.what;
	}
	EXPECT_NE(access(zip.c_str(), F_OK), 0) << "no archive is left from a failure";
}
