#include <gtest/gtest.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/xmap.h"
#include "support/alert_recorder.h"
#include "support/logged_test.h"

namespace {

struct XmapTest : logged_test {
	void SetUp() override
	{
		logged_test::SetUp();
		app_path = dir.path();
	}
	void put(std::string const& name, std::string const& bytes) { write_text_file(dir.path() + name, bytes); }
};

std::string num(double v)
{
	char b[40];
	snprintf(b, sizeof(b), "%.17g", v);
	return b;
}

std::string numf(float v)
{
	char b[40];
	snprintf(b, sizeof(b), "%.9g", v);
	return b;
}

int open_descriptors()
{
	int n = 0;
	DIR* d = opendir("/proc/self/fd");
	while (readdir(d)) ++n;
	closedir(d);
	return n;
}

}  // namespace

// ---- scanners ---------------------------------------------------------------

TEST_F(XmapTest, ScannerTable)
{
	using scan = std::function<std::string(xmap_class&)>;
	scan const int_scan = [](xmap_class& x) { return std::to_string(x.TXT_int_scan()); };
	scan const uin_scan = [](xmap_class& x) { return std::to_string(x.TXT_uin_scan()); };
	scan const stop_comma = [](xmap_class& x) { return std::to_string(x.TXT_int_scan_stop(',')); };
	scan const dob = [](xmap_class& x) { return num(x.TXT_dob_scan()); };
	scan const flt = [](xmap_class& x) { return numf(x.TXT_flt_scan()); };
	scan const sci = [](xmap_class& x) { return num(x.TXT_dob_scan_sci()); };
	scan const space = [](xmap_class& x) {
		std::string s = "old";
		x.TXT_str_scan_space(&s);
		return s;
	};
	scan const comma = [](xmap_class& x) {
		std::string s = "old";
		x.TXT_str_scan_comma(&s);
		return s;
	};
	scan const eoln = [](xmap_class& x) {
		std::string s = "old";
		x.TXT_str_scan_eoln(&s);
		return s;
	};
	auto match = [](char const* word, int allow) {
		return scan([=](xmap_class& x) { return std::to_string(x.TXT_str_scan_match(word, allow)); });
	};
	scan const byt = [](xmap_class& x) { return std::to_string(int(x.TXT_byt_scan())); };
	scan const prv = [](xmap_class& x) {
		x.TXT_prv_scan();
		return std::string();
	};

	struct {
		std::string data;
		scan op;
		std::string result;
		long cursor;  // offset from begin afterwards
	} const cases[] = {
	    {"  -12 x", int_scan, "-12", 5},
	    {"1.5", int_scan, "85", 3},  // the point counts as the digit -2
	    {"\n5", int_scan, "0", 0},
	    {"\t 42\tz", int_scan, "42", 4},
	    {"-+7", int_scan, "7", 3},
	    {"4294967297", int_scan, "1", 10},  // wraps, never overflows
	    {"-7", uin_scan, "7", 2},
	    {"12,34", stop_comma, "12", 3},
	    {"-5 ,", stop_comma, "-5", 2},
	    {"7", stop_comma, "7", 1},
	    {"-2.50", dob, "-2.5", 5},
	    {"3.", dob, "3", 2},
	    {"  1.25 rest", dob, "1.25", 6},
	    {"12-", dob, "-12", 3},
	    {"0.1", flt, "0.100000001", 3},
	    {"2.5e1", sci, "25", 5},
	    {"25E-1", sci, "2.5", 5},
	    {"1e3", sci, "1000", 3},
	    {"-1.5e+2 ", sci, "-150", 7},
	    {" \tword next", space, "word", 6},
	    {"\nabc", space, "", 0},
	    {"ab", space, "ab", 2},
	    {" a b ,c", comma, "a b ", 6},
	    {"x\r\ny", comma, "x", 2},
	    {"tail", comma, "tail", 4},
	    {"line one  \n\n\n  next", eoln, "line one  ", 15},
	    {"last", eoln, "last", 4},
	    {"  LIBRARY", match("LIBRARY", 1), "1", 9},
	    {"  LIBRARY", match("LIBRARY", 0), "0", 2},
	    {"LIBRARY x", match("LIB", 0), "0", 0},
	    {"LIB x", match("LIB", 0), "1", 3},
	    {"LIB\nx", match("LIB", 0), "0", 0},
	    {"LIB\nx", match("LIB", 1), "1", 3},
	    {"LIBR", match("LIBRARY", 1), "0", 0},
	    {"lib ", match("LIB", 1), "0", 0},
	    {"AB", byt, "65", 1},
	    {std::string(" \r\n\0x", 5), prv, "", 4},
	};
	int i = 0;
	for (auto const& c : cases) {
		std::string const name = "case" + std::to_string(i++);
		put(name, c.data);
		xmap_class x(name);
		ASSERT_NE(x.begin, nullptr) << c.data;
		EXPECT_EQ(c.op(x), c.result) << '"' << c.data << '"';
		EXPECT_EQ(x.cursor - x.begin, c.cursor) << '"' << c.data << '"';
	}
}

TEST_F(XmapTest, EmptyAndMissingFilesHoldNothing)
{
	put("empty", "");
	int versions[] = {800, 0};
	for (char const* name : {"empty", "missing"}) {
		xmap_class x(name);
		EXPECT_EQ(x.begin, nullptr);
		EXPECT_EQ(x.end, nullptr);
		EXPECT_EQ(x.fd, -1);
		EXPECT_EQ(x.TXT_int_scan(), 0);
		EXPECT_EQ(x.TXT_byt_scan(), 0);
		std::string s = "old";
		x.TXT_str_scan_eoln(&s);
		EXPECT_EQ(s, "");
		EXPECT_EQ(x.check_file(10001, versions, nullptr, nullptr), 0);
		EXPECT_EQ(x.check_file(10000, versions, nullptr, nullptr), 0);
	}
	EXPECT_EQ(read_text_file(log), "");  // no message for either
}

TEST_F(XmapTest, OnlyRegularFilesAreMapped)
{
	ASSERT_EQ(mkdir((dir.path() + "folder").c_str(), 0755), 0);
	ASSERT_EQ(mkfifo((dir.path() + "fifo").c_str(), 0600), 0);
	xmap_class folder("folder");
	EXPECT_EQ(folder.begin, nullptr);
	xmap_class fifo("fifo");  // must not wait for a writer
	EXPECT_EQ(fifo.begin, nullptr);
	EXPECT_EQ(fifo.fd, -1);
}

TEST_F(XmapTest, RetryReplacesTheMappingAndLeaksNoDescriptor)
{
	put("one", "first");
	put("two", "second file");
	int const before = open_descriptors();
	{
		xmap_class x;
		EXPECT_EQ(x.begin, nullptr);
		for (int i = 0; i < 300; ++i) {
			char const* b = x.retry(i % 2 ? "one" : "two");
			ASSERT_NE(b, nullptr);
			EXPECT_EQ(x.end - x.begin, i % 2 ? 5 : 11);
			EXPECT_EQ(x.cursor, x.begin);
			x.retry("missing");
			EXPECT_EQ(x.begin, nullptr);
		}
		x.retry("one");
		EXPECT_EQ(open_descriptors(), before + 1);
	}
	for (int i = 0; i < 300; ++i) xmap_class y("two");
	EXPECT_EQ(open_descriptors(), before);
}

TEST_F(XmapTest, PathIsRelativeToTheApplicationAndCaseRepaired)
{
	ASSERT_EQ(mkdir((dir.path() + "Resources").c_str(), 0755), 0);
	put("Resources/Menus.TXT", "menu");
	g_case_sensitive = 1;
	xmap_class x("resources:menus.txt");
	ASSERT_NE(x.begin, nullptr);
	EXPECT_EQ(std::string(x.begin, x.end), "menu");
}

// ---- a file of exactly one page -----------------------------------------------

namespace {
std::string page_of_numbers()
{
	long const page = sysconf(_SC_PAGESIZE);
	std::string text;
	for (int i = 0; text.size() < static_cast<size_t>(page); ++i) text += std::to_string(i % 10) + (i % 7 ? " " : "\r\n");
	text.resize(page);
	text[page - 2] = ' ';
	text[page - 1] = '9';  // the last word is "9", with no line end after it
	return text;
}
}  // namespace

TEST_F(XmapTest, OnePageFileScansToItsEndWithoutReadingPastIt)
{
	std::string const text = page_of_numbers();
	put("page", text);
	xmap_class x("page");
	ASSERT_EQ(x.end - x.begin, static_cast<long>(text.size()));

	long sum = 0;
	while (x.cursor < x.end) {
		sum += x.TXT_int_scan();
		x.TXT_prv_scan();
	}
	EXPECT_EQ(x.cursor, x.end);
	EXPECT_GT(sum, 0);
	// Every scanner at the end stays there.
	EXPECT_EQ(x.TXT_int_scan(), 0);
	EXPECT_EQ(x.TXT_byt_scan(), 0);
	EXPECT_EQ(x.TXT_dob_scan_sci(), 0.0);
	x.TXT_str_scan_comma(nullptr);
	x.TXT_str_scan_eoln(nullptr);
	EXPECT_FALSE(x.TXT_str_scan_match("9", 0));
	EXPECT_EQ(x.cursor, x.end);

	// The last word runs right up to the end.
	for (auto op : {0, 1, 2, 3}) {
		x.cursor = x.end - 1;
		std::string s;
		if (op == 0) x.TXT_str_scan_space(&s);
		if (op == 1) x.TXT_str_scan_comma(&s);
		if (op == 2) x.TXT_str_scan_eoln(&s);
		if (op == 3) s = num(x.TXT_dob_scan());
		EXPECT_EQ(s, "9") << op;
		EXPECT_EQ(x.cursor, x.end) << op;
	}
	x.cursor = x.end - 1;
	EXPECT_TRUE(x.TXT_str_scan_match("9", 1));
}

using XmapDeathTest = XmapTest;

TEST_F(XmapDeathTest, TheByteAfterAOnePageImageFaults)
{
	// Proves the page after the image is unreadable, so the scan above would
	// have faulted had it stepped over the end.
	put("page", page_of_numbers());
	EXPECT_DEATH(
	    {
		    xmap_class x("page");
		    volatile char c = *x.end;
		    (void)c;
	    },
	    "");
}

// ---- header checks ------------------------------------------------------------

TEST_F(XmapTest, TextHeaders)
{
	int v800[] = {800, 0};
	int v850[] = {850, 0};
	int none[] = {0};
	int both[] = {810, 840, 0};
	struct {
		std::string data;
		int* versions;
		char const* word;
		int result;
		std::string rest;
	} const cases[] = {
	    {"A\n800 version\nLIBRARY\nrest", v800, "LIBRARY", 800, "version"},
	    {"A\n800 version\nLIBRARY\n", v850, "LIBRARY", 0, "version"},
	    {"A\n800 version\nLIBRARY\n", none, "LIBRARY", 0, "version"},
	    {"I whatever\r\n  840 version (c) x  \r\n\r\n\tINSTALLER\r\n", both, "INSTALLER", 840, "version (c) x  "},
	    {"I\n810 version\nINSTALLER", both, "INSTALLER", 810, "version"},
	    {"I\n810 version\nINSTALLERS\n", both, "INSTALLER", 0, "version"},
	    {"I\n810 version\nLIB\n", both, "LIBRARY", 0, "version"},
	    {"I\n810 version\n", both, "INSTALLER", 0, "version"},
	    {"I\n810 version\nanything", both, nullptr, 810, "version"},
	    {"I\n+810\n", both, nullptr, 810, ""},
	    {"X\n810 version\n", both, nullptr, 0, "old"},
	    {"A", v800, nullptr, 0, ""},
	};
	int i = 0;
	for (auto const& c : cases) {
		std::string const name = "hdr" + std::to_string(i++);
		put(name, c.data);
		xmap_class x(name);
		std::string rest = "old";
		EXPECT_EQ(x.check_file(10001, c.versions, c.word, &rest), c.result) << c.data;
		EXPECT_EQ(rest, c.rest) << c.data;
		EXPECT_LE(x.cursor, x.end);
	}
}

TEST_F(XmapTest, TextHeaderLeavesTheCursorOnTheData)
{
	put("f", "A\n800 version\n  LIBRARY extra\n\n5 6\n");
	xmap_class x("f");
	int versions[] = {800, 0};
	ASSERT_EQ(x.check_file(10001, versions, "LIBRARY", nullptr), 800);
	EXPECT_EQ(x.TXT_int_scan(), 5);
	// A refused type word puts the cursor back on it.
	put("g", "A\n800 version\n  LIBRARYX\n");
	x.retry("g");
	EXPECT_EQ(x.check_file(10001, versions, "LIBRARY", nullptr), 0);
	EXPECT_EQ(std::string(x.cursor, x.end), "LIBRARYX\n");
}

TEST_F(XmapTest, BinaryHeaders)
{
	int v8500[] = {8500, 0};
	struct {
		std::string data;
		int result, swap;
		long cursor;
	} const cases[] = {
	    {std::string("a\x00\x00\x21\x34rest", 9), 8500, 1, 5},
	    {std::string("i\x34\x21\x00\x00", 5), 8500, 0, 5},
	    {std::string("i\x00\x00\x21\x34", 5), 0, 0, 5},  // wrong order for the mark
	    {std::string("i\x34\x21", 3), 0, 0, 3},          // cut version: none
	    {std::string("a", 1), 0, 1, 1},
	    {std::string("x\x34\x21\x00\x00", 5), 0, -1, 1},
	};
	int i = 0;
	for (auto const& c : cases) {
		std::string const name = "bin" + std::to_string(i++);
		put(name, c.data);
		xmap_class x(name);
		x.byte_swap = -1;
		EXPECT_EQ(x.check_file(10000, v8500, nullptr, nullptr), c.result) << i;
		EXPECT_EQ(x.byte_swap, c.swap) << i;
		EXPECT_EQ(x.cursor - x.begin, c.cursor) << i;
	}
}

TEST_F(XmapDeathTest, BadTypesAreFatal)
{
	put("f", "I\n1\n");
	int versions[] = {1, 0};
	ogl_inited = 1;
	EXPECT_EXIT(
	    {
		    xmap_class x("f");
		    x.name = "the name";
		    x.check_file(10002, versions, nullptr, nullptr);
	    },
	    ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(read_text_file(log).rfind("Bad check_file type!\nthe name\n\n\n(xmap line ", 0), 0u);
	open_test_log(dir);
	EXPECT_EXIT(ouf_open("out.txt", 3, 1, ""), ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(read_text_file(log).rfind("Bad ouf_open type!\nout.txt\n\n\n(xmap line ", 0), 0u);
}

// ---- ouf_open -------------------------------------------------------------------

TEST_F(XmapTest, OufOpenWritesHeadersThatCheckFileAccepts)
{
	ASSERT_EQ(ouf_open("Settings.PRF", 10001, 8500, " (c) someone"), 1);
	ouf << "KEY 1.5\n" << 2.25f << "\n";
	ouf.close();
	struct stat st;
	EXPECT_NE(stat((dir.path() + "Settings.PRF").c_str(), &st), 0);
	EXPECT_EQ(read_text_file(dir.path() + "Settings.prf"), "I\n8500 version (c) someone\nKEY 1.5\n2.250000\n");

	ASSERT_EQ(ouf_open("plain.txt", 10001, 840, "no-copyright-string"), 1);
	ouf << "INSTALLER\n\n";
	ouf.close();
	EXPECT_EQ(read_text_file(dir.path() + "plain.txt"), "I\n840 version\nINSTALLER\n\n");
	xmap_class t("plain.txt");
	int text_versions[] = {810, 840, 0};
	EXPECT_EQ(t.check_file(10001, text_versions, "INSTALLER", nullptr), 840);

	ASSERT_EQ(ouf_open("data.BIN", 10000, 8500, "ignored"), 1);
	ouf.close();
	EXPECT_EQ(read_text_file(dir.path() + "data.bin"), std::string("i\x34\x21\x00\x00", 5));
	xmap_class b("data.bin");
	int bin_versions[] = {8500, 0};
	EXPECT_EQ(b.check_file(10000, bin_versions, nullptr, nullptr), 8500);
	EXPECT_EQ(b.byte_swap, 0);

	// A second open truncates what the first wrote.
	ASSERT_EQ(ouf_open("plain.txt", 10001, 7, "no-copyright-string"), 1);
	ouf.close();
	EXPECT_EQ(read_text_file(dir.path() + "plain.txt"), "I\n7 version\n");
	EXPECT_TRUE(recorded_alerts().empty());
}

TEST_F(XmapTest, OufOpenOnAMissingFolderAlertsAndGoesOn)
{
	ogl_inited = 1;
	EXPECT_EQ(ouf_open("nowhere/File.TXT", 10001, 1, ""), 0);
	ASSERT_EQ(recorded_alerts().size(), 1u);
	recorded_alert const& a = recorded_alerts()[0];
	EXPECT_EQ(a.severity, 1);
	EXPECT_EQ(a.msg1,
	          "I could not save the file! Could the directory that the file sits in be missing? Or flagged as "
	          "READ-ONLY by the operating system? (Windows machines typically do this).");
	EXPECT_EQ(a.msg2, dir.path() + "nowhere/File.txt");
	EXPECT_EQ(a.msg3, "Could the file be flagged as read-only? This happens in Windows if you copy it from a CD!");
	EXPECT_EQ(a.msg4,
	          "Try putting this stg.in the background and then flag the file as NOT read-only, or creating the "
	          "folder listed in the path above.");
	EXPECT_EQ(a.position.rfind("(xmap line ", 0), 0u);
	// The next open works again.
	EXPECT_EQ(ouf_open("ok.txt", 10001, 1, ""), 1);
	ouf.close();
}

namespace {

// Names in a folder, the test's log left out.
std::set<std::string> names_in(std::string const& folder)
{
	std::set<std::string> out;
	DIR* d = opendir(folder.c_str());
	while (dirent* e = d ? readdir(d) : nullptr) {
		std::string const n = e->d_name;
		if (n != "." && n != ".." && n != "Log.txt") out.insert(n);
	}
	if (d) closedir(d);
	return out;
}

void expect_write_failure_alert(std::string const& shown)
{
	ASSERT_EQ(recorded_alerts().size(), 1u);
	EXPECT_EQ(recorded_alerts()[0].severity, 1);
	EXPECT_EQ(recorded_alerts()[0].msg1.rfind("I could not save the file!", 0), 0u);
	EXPECT_EQ(recorded_alerts()[0].msg2, shown);
}

}  // namespace

// The file is written beside its old self and takes its place only once
// whole: until then the old one is there to read, and a link to it stays a
// link, its mode kept.
TEST_F(XmapTest, OufOpenReplacesTheFileWholeAtClose)
{
	put("real.txt", "I\n1 version\nOLD\n");
	ASSERT_EQ(chmod((dir.path() + "real.txt").c_str(), 0600), 0);
	ASSERT_EQ(symlink("real.txt", (dir.path() + "link.txt").c_str()), 0);
	ASSERT_EQ(ouf_open("link.txt", 10001, 2, ""), 1);
	ouf << std::string(100000, 'n') << "\n";
	ouf.flush();
	EXPECT_EQ(read_text_file(dir.path() + "real.txt"), "I\n1 version\nOLD\n");
	ouf.close();
	EXPECT_FALSE(ouf.fail());
	EXPECT_EQ(read_text_file(dir.path() + "real.txt"), "I\n2 version\n" + std::string(100000, 'n') + "\n");
	struct stat st;
	ASSERT_EQ(lstat((dir.path() + "link.txt").c_str(), &st), 0);
	EXPECT_TRUE(S_ISLNK(st.st_mode));
	ASSERT_EQ(stat((dir.path() + "real.txt").c_str(), &st), 0);
	EXPECT_EQ(st.st_mode & 0777, 0600u);
	EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"link.txt", "real.txt"}));
	EXPECT_TRUE(recorded_alerts().empty());
}

// A write that fails (a file-size limit standing in for a full disk) gives
// the write-failure alert at close and leaves the old file whole.
TEST_F(XmapTest, OufOpenFailedWriteKeepsTheOldFile)
{
	ogl_inited = 1;
	put("keep.txt", "I\n1 version\nOLD\n");
	signal(SIGXFSZ, SIG_IGN);
	struct rlimit old_limit;
	ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
	struct rlimit limit = {4096, old_limit.rlim_max};
	ASSERT_EQ(ouf_open("keep.txt", 10001, 2, ""), 1);
	ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
	ouf << std::string(100000, 'n') << "\n";
	ouf.close();
	// Put back, so that the rest may write freely.
	ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old_limit), 0);
	EXPECT_TRUE(ouf.fail());
	EXPECT_EQ(read_text_file(dir.path() + "keep.txt"), "I\n1 version\nOLD\n");
	EXPECT_EQ(names_in(dir.path()), std::set<std::string>{"keep.txt"});
	expect_write_failure_alert(dir.path() + "keep.txt");
}

// A FIFO (or anything else but a regular file) would hold the open for
// ever: refused like a file that cannot be written, and left as it is.
TEST_F(XmapTest, OufOpenRefusesWhatIsNoRegularFile)
{
	ogl_inited = 1;
	std::string const fifo = dir.path() + "pipe.txt";
	ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
	// Should the open block after all, a reader lets it go, so that the test
	// fails instead of hanging.
	std::mutex m;
	std::condition_variable cv;
	bool done = false;
	std::thread rescue([&] {
		std::unique_lock<std::mutex> hold(m);
		if (!cv.wait_for(hold, std::chrono::seconds(3), [&] { return done; })) {
			int const fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
			cv.wait(hold, [&] { return done; });
			if (fd >= 0) close(fd);
		}
	});
	int const r = ouf_open("pipe.txt", 10001, 1, "");
	ouf.close();
	{
		std::lock_guard<std::mutex> hold(m);
		done = true;
	}
	cv.notify_all();
	rescue.join();
	EXPECT_EQ(r, 0);
	struct stat st;
	ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
	EXPECT_TRUE(S_ISFIFO(st.st_mode));
	EXPECT_EQ(names_in(dir.path()), std::set<std::string>{"pipe.txt"});
	expect_write_failure_alert(fifo);
}

TEST_F(XmapTest, IoFileOpenAndClose)
{
	int versions[] = {8500, 0};
	int other[] = {8400, 0};
	{
		xmap_class w;
		ASSERT_EQ(w.io_file_open(1, "state.dat", versions, 10000), 1);
		ouf.write("\x01\x02\x03\x04", 4);
		w.io_file_close();
		EXPECT_FALSE(ouf.is_open());
	}
	xmap_class r;
	EXPECT_EQ(r.io_file_open(0, "state.dat", versions, 10000), 1);
	EXPECT_EQ(r.io_mode, 0);
	EXPECT_EQ(r.TXT_byt_scan(), 1);  // the data follow the header
	EXPECT_EQ(r.io_file_open(0, "state.dat", other, 10000), 0);
	EXPECT_EQ(r.io_file_open(0, "missing.dat", versions, 10000), 0);
	EXPECT_EQ(r.io_file_open(2, "state.dat", versions, 10000), 0);
	ASSERT_EQ(ouf_open("held.txt", 10001, 1, ""), 1);
	r.io_mode = 0;
	r.io_file_close();  // a reader leaves ouf alone
	EXPECT_TRUE(ouf.is_open());
	ouf.close();
}
