// Error texts, file operations, links, executable marks, resolved paths and
// the launch of another program, on real files in temporary folders.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <set>
#include <thread>

#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/io_utils.h"
#include "support/alert_recorder.h"

namespace {

void make_tree_file(std::string const& path, mode_t mode = 0644)
{
	write_text_file(path, "data\n");
	chmod(path.c_str(), mode);
}

// "d" folder, "f" file, "l" link, "-" nothing there.
std::string kind_of(std::string const& path)
{
	struct stat st;
	if (lstat(path.c_str(), &st) != 0) return "-";
	if (S_ISLNK(st.st_mode)) return "l";
	if (S_ISDIR(st.st_mode)) return "d";
	return "f";
}

mode_t mode_of(std::string const& path)
{
	struct stat st;
	if (lstat(path.c_str(), &st) != 0) return 0;
	return st.st_mode & 07777;
}

struct IoTest : ::testing::Test {
	temp_dir root;
	std::string log;
	void SetUp() override
	{
		log = open_test_log(root);
		alert_recorder_install();
		app_path.clear();
	}
	std::string at(char const* rel) const { return root.path() + rel; }
};

}  // namespace

// ---- error texts ------------------------------------------------------------

TEST(ErrorStr, TextsBySymbolicNameAndCode)
{
	struct row {
		int code;
		char const* text;
	} const rows[] = {
		{EAGAIN, "Resource temporarily unavailable"},
		{EDEADLK, "Resource deadlock avoided"},
		{ENOTEMPTY, "Directory not empty"},
		{ENAMETOOLONG, "File name too long"},
		{ENOSYS, "Function not implemented"},
		{EILSEQ, "Wide character encoding error"},
		{ENOLCK, "No locks available"},
		{EACCES, "Permission denied.  Perhaps you do not have access to a directory or file system"},
		{ENOSPC, "No space left on device.  Perhaps your hard drive is full"},
		{ENODEV, "Operation not supported by device"},
		{EXDEV, "Cross-device link"},
		{20001, "We were unable to open a zip file.  It may be missing or damaged"},
		{20007, "We were unable to connct to the network due to an internal reconnect error"},
		{20008, "We wre unable to connect to the network due to a bad state error"},
		{20012, "Part of the downloaded zip file is corrupted (the resource fork header is bad)"},
		{-43, "File not found"},
		{-48, "duplicate file name"},
		{-5000, "You have insufficient privileges for this operation"},
		{0, "Unknown error occurred (0)"},
		{EOPNOTSUPP, "Unknown error occurred (95)"},
		{20013, "Unknown error occurred (20013)"},
		{-1, "Unknown error occurred (-1)"},
	};
	for (row const& r : rows) EXPECT_EQ(error_str(r.code), r.text) << r.code;
}

TEST(ErrorStr, TableHoldsEveryRowOnceOnThisHost)
{
	std::set<int> codes;
	int rows = 0;
	for (err_msg_struct const* r = kErrMsgs; r->text; ++r, ++rows) {
		EXPECT_TRUE(codes.insert(r->code).second) << "duplicate code " << r->code;
		EXPECT_NE(r->code, 0);
		EXPECT_GT(std::strlen(r->text), 0u);
	}
	EXPECT_EQ(rows, 79);
	for (int code = 20001; code <= 20012; ++code) EXPECT_TRUE(codes.count(code)) << code;
}

TEST(ErrorStr, ReportFilters)
{
	for (int code : {0, EEXIST, -48}) EXPECT_EQ(show_make_dir_err(code), 0) << code;
	for (int code : {ENOENT, EACCES, -43, 20006}) EXPECT_EQ(show_make_dir_err(code), 1) << code;
	for (int code : {0, ENOENT, ENOTEMPTY, -43}) EXPECT_EQ(show_del_err(code), 0) << code;
}

// ---- file operations --------------------------------------------------------

// One table run in order on one tree. app_path is the tree's root, so the
// prefixed operations (delete, dir_exists, file_exists) take relative paths;
// make_folder and rename_file are not prefixed and get the root themselves
// ("abs"), or run relative to the current folder, a second temporary folder.
TEST_F(IoTest, FileOperationsTable)
{
	temp_dir cwd;
	ASSERT_EQ(chdir(cwd.path().c_str()), 0);
	mkdir(at("full").c_str(), 0755);
	make_tree_file(at("full/x.txt"));
	make_tree_file(at("plain.txt"));
	mkdir(at("sub").c_str(), 0755);
	make_tree_file(at("sub/f.txt"));
	symlink("plain.txt", at("link_to_plain").c_str());
	symlink("full", at("dlink").c_str());
	make_tree_file(cwd.path() + "cwdfile");
	app_path = root.path();

	enum op_kind { MAKE, DEL, REN, DIREX, FILEEX };
	struct fs_case {
		char const* what;
		op_kind op;
		bool abs;
		char const* a;
		char const* b;
		char const* c;
		int expect;
		char const* probe;  // relative to the root, "@..." to the current folder
		char const* kind;
	} const cases[] = {
		{"make", MAKE, true, "made", "", "", 0, "made", "d"},
		{"make, trailing separator", MAKE, true, "made2/", "", "", 0, "made2", "d"},
		{"make, colons", MAKE, true, "made:inner:", "", "", 0, "made/inner", "d"},
		{"make existing", MAKE, true, "made", "", "", EEXIST, "made", "d"},
		{"make, parent missing", MAKE, true, "no/such", "", "", ENOENT, "no", "-"},
		{"make is not prefixed", MAKE, false, "cwdmade", "", "", 0, "@cwdmade", "d"},
		{"... so not under the root", DIREX, false, "cwdmade", "", "", 0, "cwdmade", "-"},
		{"dir", DIREX, false, "full", "", "", 1, nullptr, nullptr},
		{"dir, trailing separator", DIREX, false, "full/", "", "", 1, nullptr, nullptr},
		{"dir, backslash", DIREX, false, "made\\inner\\", "", "", 1, nullptr, nullptr},
		{"dir of a file", DIREX, false, "plain.txt", "", "", 0, nullptr, nullptr},
		{"dir missing", DIREX, false, "missing", "", "", 0, nullptr, nullptr},
		{"dir through a link", DIREX, false, "dlink", "", "", 1, nullptr, nullptr},
		{"file", FILEEX, false, "full:x.txt", "", "", 1, nullptr, nullptr},
		{"file missing", FILEEX, false, "missing", "", "", 0, nullptr, nullptr},
		{"delete non-empty folder", DEL, false, "full/", "", "", ENOTEMPTY, "full/x.txt", "f"},
		{"delete empty folder", DEL, false, "made2/", "", "", 0, "made2", "-"},
		{"delete folder without separator", DEL, false, "made/inner", "", "", EISDIR, "made/inner", "d"},
		{"delete empty path", DEL, false, "", "", "", 2, "", "d"},
		{"delete link to file", DEL, false, "link_to_plain", "", "", 0, "link_to_plain", "-"},
		{"... target stays", FILEEX, false, "plain.txt", "", "", 1, "plain.txt", "f"},
		{"delete link as folder", DEL, false, "dlink/", "", "", ENOTDIR, "dlink", "l"},
		{"delete link to folder", DEL, false, "dlink", "", "", 0, "full/x.txt", "f"},
		{"delete with colons", DEL, false, "sub:f.txt", "", "", 0, "sub/f.txt", "-"},
		{"delete missing", DEL, false, "missing", "", "", ENOENT, nullptr, nullptr},
		{"rename", REN, true, "full/", "x.txt", "y.txt", 0, "full/y.txt", "f"},
		{"... old name gone", FILEEX, false, "full/x.txt", "", "", 0, nullptr, nullptr},
		{"rename missing", REN, true, "full/", "x.txt", "z.txt", ENOENT, "full/z.txt", "-"},
		{"rename is not prefixed", REN, false, "", "cwdfile", "cwdfile2", 0, "@cwdfile2", "f"},
	};
	for (fs_case const& c : cases) {
		SCOPED_TRACE(c.what);
		std::string const a = (c.abs ? root.path() : "") + c.a;
		int got = -999;
		switch (c.op) {
		case MAKE: got = make_folder(a); break;
		case DEL: got = delete_file(a); break;
		case REN: got = rename_file(a, c.b, c.c); break;
		case DIREX: got = dir_exists(a); break;
		case FILEEX: got = file_exists(a) ? 1 : 0; break;
		}
		EXPECT_EQ(got, c.expect) << error_str(got);
		if (c.probe) {
			std::string const probe =
			    c.probe[0] == '@' ? cwd.path() + (c.probe + 1) : root.path() + c.probe;
			EXPECT_EQ(kind_of(probe), c.kind) << probe;
		}
	}
}

TEST_F(IoTest, FailureRecordsWhere)
{
	sErrLine = -1;
	sErrFile.clear();
	EXPECT_EQ(make_folder(at("no/such")), ENOENT);
	EXPECT_EQ(sErrFile, "io_utils");
	EXPECT_GT(sErrLine, 0);
}

// ---- links ------------------------------------------------------------------

TEST_F(IoTest, IsSimLink)
{
	make_tree_file(at("plain.txt"));
	mkdir(at("folder").c_str(), 0755);
	std::string const long_target = "far/" + std::string(3000, 'x');
	symlink("plain.txt", at("link").c_str());
	symlink("nowhere/at/all", at("dangling").c_str());
	symlink(long_target.c_str(), at("long").c_str());
	symlink("folder", at("dlink").c_str());
	app_path = root.path();

	struct link_case {
		char const* path;
		int expect;
		std::string target;
	} const cases[] = {
		{"link", 1, "plain.txt"},
		{"dangling", 1, "nowhere/at/all"},
		{"long", 1, long_target},
		{"dlink", 1, "folder"},
		{"plain.txt", 0, "untouched"},
		{"folder", 0, "untouched"},
		{"missing", 0, "untouched"},
	};
	for (link_case const& c : cases) {
		SCOPED_TRACE(c.path);
		std::string target = "untouched";
		EXPECT_EQ(is_sim_link(c.path, &target), c.expect);
		EXPECT_EQ(target, c.target);
		EXPECT_EQ(is_sim_link(c.path, nullptr), c.expect);
	}
}

// /proc reports its links with size 0: the target must still come whole.
TEST_F(IoTest, IsSimLinkWithoutSizeFromLstat)
{
	std::string deep = root.path();
	for (int i = 0; i < 8; ++i) {
		deep += std::string(60, 'a' + i) + "/";
		ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
	}
	ASSERT_EQ(chdir(deep.c_str()), 0);
	char cwd[4096];
	ASSERT_TRUE(getcwd(cwd, sizeof cwd));
	ASSERT_GT(std::strlen(cwd), 300u);
	std::string target;
	EXPECT_EQ(is_sim_link("/proc/self/cwd", &target), 1);
	EXPECT_EQ(target, cwd);
}

namespace {

bool write_proc(char const* path, std::string const& text)
{
	std::ofstream out(path);
	out << text;
	out.close();
	return !out.fail();
}

// Runs fn in a child process that sees an empty /proc, as in containers and
// chroots that never mount it; the answer is fn's result, or 100 and up when
// the child could not be set up. The empty /proc lives in the child's own
// mount namespace and goes with it.
int run_without_proc(std::function<int()> const& fn)
{
	pid_t const pid = fork();
	if (pid == 0) {
		std::string const id = std::to_string(geteuid()), gid = std::to_string(getegid());
		if (unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0) {
			// Keep our own ids, so that our files stay ours.
			if (!write_proc("/proc/self/setgroups", "deny") || !write_proc("/proc/self/uid_map", id + " " + id + " 1") ||
			    !write_proc("/proc/self/gid_map", gid + " " + gid + " 1"))
				_exit(100);
		} else if (unshare(CLONE_NEWNS) != 0) {
			_exit(101);
		}
		if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(102);
		if (mount("none", "/proc", "tmpfs", 0, nullptr) != 0) _exit(103);
		if (access("/proc/self", F_OK) == 0) _exit(104);
		_exit(fn());
	}
	int status = 0;
	if (pid < 0 || waitpid(pid, &status, 0) != pid) return 105;
	return WIFEXITED(status) ? WEXITSTATUS(status) : 106;
}

}  // namespace

// Run with /proc and without it: the bits must not depend on it.
TEST_F(IoTest, MakeFileExecutable)
{
	mkdir(at("sub").c_str(), 0755);
	app_path = root.path();
	// The number of the first check that failed, or 0.
	auto checks = [this]() {
		make_tree_file(at("sub/tool"), 0600);
		make_tree_file(at("wide"), 0777);
		make_tree_file(at("target"), 0600);
		unlink(at("sub/link").c_str());
		symlink("target", at("sub/link").c_str());
		if (make_file_executable("sub:tool") != 0) return 1;
		if (mode_of(at("sub/tool")) != 0755u) return 2;
		if (make_file_executable("wide") != 0) return 3;
		if (mode_of(at("wide")) != 0755u) return 4;  // set, not added to
		// A link is left alone and so is what it points to.
		if (make_file_executable("sub/link") != 0) return 5;
		if (mode_of(at("target")) != 0600u || kind_of(at("sub/link")) != "l") return 6;
		if (make_file_executable("sub/missing") != ENOENT) return 7;
		if (make_file_executable(nullptr) != EINVAL) return 8;
		return 0;
	};
	EXPECT_EQ(checks(), 0) << "with /proc";
	EXPECT_EQ(run_without_proc(checks), 0) << "without /proc";
}

// The letter case is found on disk whether or not paths are repaired as they
// are normalised.
TEST_F(IoTest, MakeFileExecutableRepairsLetterCase)
{
	mkdir(at("sub").c_str(), 0755);
	app_path = root.path();
	for (int repair : {0, 1}) {
		SCOPED_TRACE(repair);
		g_case_sensitive = repair;
		make_tree_file(at("sub/tool"), 0600);
		EXPECT_EQ(make_file_executable("SUB:Tool"), 0);
		EXPECT_EQ(mode_of(at("sub/tool")), 0755u);
	}
	g_case_sensitive = 0;
}

// ---- resolved paths -----------------------------------------------------------

TEST_F(IoTest, FilePathToFSRefAndName)
{
	mkdir(at("full").c_str(), 0755);
	make_tree_file(at("full/x.txt"));
	symlink("full", at("dlink").c_str());
	char real_root[4096];
	ASSERT_TRUE(realpath(root.path().c_str(), real_root));
	std::string const r = real_root;
	ASSERT_EQ(chdir(at("full").c_str()), 0);

	struct ref_case {
		std::string path;
		bool with_name;
		int expect;
		std::string ref;
		std::string name;
	} const cases[] = {
		{at("full/x.txt"), false, 0, r + "/full/x.txt", ""},
		{at("dlink:x.txt"), false, 0, r + "/full/x.txt", ""},
		{at("full/"), false, 0, r + "/full", ""},
		{at("missing"), false, ENOENT, "", ""},
		{"", false, ENOENT, "", ""},
		{at("full/x.txt"), true, 0, r + "/full", "x.txt"},
		{at("full/new.txt"), true, 0, r + "/full", "new.txt"},
		{at("full/"), true, 0, r, "full/"},
		{at("nothere/leaf"), true, ENOENT, "", "leaf"},
		{at("full/x.txt/leaf"), true, ENOTDIR, "", "leaf"},
		{"x.txt", true, 0, r + "/full", "x.txt"},
		{"/etc", true, 0, "/", "etc"},
	};
	for (ref_case const& c : cases) {
		SCOPED_TRACE(c.path + (c.with_name ? " +name" : ""));
		fs_ref_struct ref;
		std::string name;
		EXPECT_EQ(FilePathToFSRefAndName(c.path.c_str(), &ref, c.with_name ? &name : nullptr), c.expect);
		EXPECT_EQ(ref.path, c.ref);
		EXPECT_EQ(name, c.name);
	}
}

// ---- launch -------------------------------------------------------------------

namespace {

// Records its own path and arguments, one a line, then renames the record
// into place so that a reader never sees half of it.
char const kRecorder[] =
    "#!/bin/sh\n"
    "out=\"$(dirname \"$0\")/args.txt\"\n"
    "printf '%s\\n' \"$0\" \"$@\" > \"$out.tmp\" && mv \"$out.tmp\" \"$out\"\n";

std::string wait_for_file(std::string const& path)
{
	for (int i = 0; i < 300; ++i) {
		if (access(path.c_str(), F_OK) == 0) return read_text_file(path);
		std::this_thread::sleep_for(std::chrono::milliseconds(50));
	}
	return "(never written)";
}

struct LaunchTest : IoTest {
	void SetUp() override
	{
		IoTest::SetUp();
		mkdir(at("bin").c_str(), 0755);
		write_text_file(at("bin/recorder.sh"), kRecorder);
		chmod(at("bin/recorder.sh").c_str(), 0755);
		app_path = root.path();
	}
};

}  // namespace

TEST_F(LaunchTest, RunsAppWithPathThenEndsThisProgram)
{
	EXPECT_EXIT(launch_app("bin:recorder.sh", "/some dir/with space;$(x)"), ::testing::ExitedWithCode(1), "");
	std::string const exe = at("bin/recorder.sh");
	EXPECT_EQ(wait_for_file(at("bin/args.txt")), exe + "\n-path\n/some dir/with space;$(x)\n");
	EXPECT_EQ(read_text_file(log), "Launching: " + exe + " with /some dir/with space;$(x)\n");
}

TEST_F(LaunchTest, EmptyPathGivesNoArguments)
{
	EXPECT_EXIT(launch_app("bin/recorder.sh/", ""), ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(wait_for_file(at("bin/args.txt")), at("bin/recorder.sh") + "\n");
}

TEST_F(LaunchTest, FailureToStartReturnsErrno)
{
	write_text_file(at("bin/plain"), "not a program\n");
	EXPECT_EQ(launch_app("bin/missing", "x"), ENOENT);
	EXPECT_EQ(launch_app("bin/plain", "x"), EACCES);
	EXPECT_EQ(read_text_file(log), "Launching: " + at("bin/missing") + " with x\n" +
	                                   "Launching: " + at("bin/plain") + " with x\n");
	EXPECT_EQ(app_done, 0);
}
