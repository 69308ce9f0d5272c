#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "foundation/hl_string.h"
#include "support/alert_recorder.h"
#include "support/fresh_process.h"
#include "support/held_child.h"

namespace {

bool is_folder(std::string const& p)
{
	struct stat st;
	return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string repaired(std::string const& in)
{
	std::string buf = in;
	findPath(&buf[0]);
	EXPECT_EQ(strlen(buf.c_str()), in.size()) << in;  // the length never changes
	return buf.c_str();
}

// Alpha/Beta/Gamma.txt and Dup/{File,file,FiLe2,FILE2}.
struct FindPathTest : ::testing::Test {
	temp_dir dir;
	std::string root;
	void SetUp() override
	{
		root = dir.path();
		ASSERT_EQ(mkdir((root + "Alpha").c_str(), 0755), 0);
		ASSERT_EQ(mkdir((root + "Alpha/Beta").c_str(), 0755), 0);
		write_text_file(root + "Alpha/Beta/Gamma.txt", "g");
		ASSERT_EQ(mkdir((root + "Dup").c_str(), 0755), 0);
		for (char const* n : {"file", "File", "FILE2", "FiLe2"}) write_text_file(root + "Dup/" + n, n);
	}
};

}  // namespace

TEST_F(FindPathTest, RewritesComponentsToTheNamesOnDisk)
{
	struct {
		char const* in;
		char const* out;
	} const cases[] = {
	    {"alpha/beta/gamma.txt", "Alpha/Beta/Gamma.txt"},
	    {"ALPHA/BETA/GAMMA.TXT", "Alpha/Beta/Gamma.txt"},
	    {"alpha/missing/gamma.txt", "Alpha/missing/gamma.txt"},  // repair stops at the gap
	    {"alpha/beta/gamma.txt/x", "Alpha/Beta/Gamma.txt/x"},    // a file has no entries
	    {"alpha//beta/", "Alpha//Beta/"},
	    {"alpha/bet", "Alpha/bet"},  // same letters, other length: no match
	    {"dup/file", "Dup/file"},    // the exact spelling wins
	    {"dup/fILE", "Dup/File"},    // else the first in byte order
	    {"dup/file2", "Dup/FILE2"},
	    {"Alpha/Beta/Gamma.txt", "Alpha/Beta/Gamma.txt"},
	};
	for (auto const& c : cases) EXPECT_EQ(repaired(root + c.in), root + c.out) << c.in;
}

TEST_F(FindPathTest, RelativePathsStartAtTheWorkingFolder)
{
	ASSERT_EQ(chdir(root.c_str()), 0);
	EXPECT_EQ(repaired("alpha/beta/gamma.txt"), "Alpha/Beta/Gamma.txt");
	EXPECT_EQ(repaired("nothing/beta"), "nothing/beta");
	EXPECT_EQ(repaired(""), "");
}

TEST(TrimDestFolder, DropsTheFirstComponent)
{
	struct {
		char const* in;
		char const* out;
	} const cases[] = {
	    {"a/b/c", "b/c"}, {"name", "name"}, {"", ""}, {"/abs/x/", "abs/x/"}, {"a/", ""},
	};
	for (auto const& c : cases) {
		std::string p = c.in;
		trim_dest_folder(p);
		EXPECT_EQ(p, c.out) << c.in;
	}
}

// ---- standard folders -------------------------------------------------------

namespace {

// The environment a test changes, as the run began; given back after each
// test so the next one's folder is made where the run's are.
struct saved_environment {
	std::vector<std::pair<char const*, std::string>> values;
	std::vector<char const*> unset;
	saved_environment()
	{
		for (char const* k : {"HOME", "TMPDIR", "XDG_CONFIG_HOME"})
			if (char const* v = getenv(k)) values.push_back({k, v});
			else unset.push_back(k);
	}
	void restore() const
	{
		for (auto const& [k, v] : values) setenv(k, v.c_str(), 1);
		for (char const* k : unset) unsetenv(k);
	}
};
saved_environment const run_env;
saved_environment const& run_environment() { return run_env; }

struct OsPathTest : ::testing::Test {
	// Before dir: its folder is made under TMPDIR.
	int const restored = (run_environment().restore(), 0);
	temp_dir dir;
	std::string home;
	void SetUp() override
	{
		home = dir.path() + "home";
		ASSERT_EQ(mkdir(home.c_str(), 0755), 0);
		setenv("HOME", home.c_str(), 1);
		unsetenv("XDG_CONFIG_HOME");
		setenv("TMPDIR", dir.path().c_str(), 1);
	}
	void TearDown() override { run_environment().restore(); }
	std::string get(int code, std::string start = "unchanged")
	{
		get_OS_abs_path(code, start);
		return start;
	}
};

mode_t mode_of(std::string const& p)
{
	struct stat st;
	return stat(p.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

}  // namespace

TEST_F(OsPathTest, HomeBasedFoldersAreMadeWhenMissing)
{
	EXPECT_EQ(get(2), home + "/");
	EXPECT_EQ(get(1), home + "/Desktop/");
	EXPECT_TRUE(is_folder(home + "/Desktop"));
	EXPECT_EQ(get(4), home + "/.config/");
	EXPECT_EQ(mode_of(home + "/.config"), 0700u);
}

TEST_F(OsPathTest, ConfigHomeAndUserDirsFile)
{
	ASSERT_EQ(mkdir((home + "/.config").c_str(), 0700), 0);
	write_text_file(home + "/.config/user-dirs.dirs",
	                "# comment\nXDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
	EXPECT_EQ(get(1), home + "/Schreibtisch/");
	EXPECT_TRUE(is_folder(home + "/Schreibtisch"));

	std::string const config = dir.path() + "cfg/deep";
	setenv("XDG_CONFIG_HOME", config.c_str(), 1);
	EXPECT_EQ(get(4), config + "/");
	EXPECT_TRUE(is_folder(config));
	std::string const desk = dir.path() + "elsewhere/desk";
	write_text_file(config + "/user-dirs.dirs", "XDG_DESKTOP_DIR=\"" + desk + "/\"\n");
	EXPECT_EQ(get(1), desk + "/");

	// A relative setting is not a base folder; a relative desktop is ignored.
	write_text_file(config + "/user-dirs.dirs", "XDG_DESKTOP_DIR=\"relative/desk\"\n");
	EXPECT_EQ(get(1), home + "/Desktop/");
	setenv("XDG_CONFIG_HOME", "relative", 1);
	EXPECT_EQ(get(4), home + "/.config/");
	EXPECT_EQ(get(1), home + "/Schreibtisch/");
}

// The temporary folder is made once per process: each of its tests runs in a
// fresh one.
TEST_F(OsPathTest, TemporaryFolderIsPrivateAndLastsTheRun)
{
	IN_FRESH_PROCESS({
		std::string const first = get(3);
		ASSERT_EQ(first.rfind(dir.path(), 0), 0u) << first;
		EXPECT_EQ(first.find("//"), std::string::npos) << first;  // TMPDIR ends in "/"
		ASSERT_EQ(first.back(), '/');
		EXPECT_NE(first, dir.path());
		EXPECT_EQ(mode_of(first), 0700u);
		setenv("TMPDIR", "/nonexistent-folder", 1);
		EXPECT_EQ(get(3), first);
	});
}

TEST_F(OsPathTest, TemporaryFolderStaysPrivateWhenSomethingTookItsPlace)
{
	IN_FRESH_PROCESS({
		std::string const first = get(3);
		std::string const folder = first.substr(0, first.size() - 1);
		// Removed behind the program's back (a cleaner of old files): made again,
		// private as before.
		ASSERT_EQ(rmdir(folder.c_str()), 0);
		EXPECT_EQ(get(3), first);
		EXPECT_EQ(mode_of(folder), 0700u);
		// A link or an open folder in its place is refused, not used.
		std::string const open_folder = dir.path() + "open";
		ASSERT_EQ(mkdir(open_folder.c_str(), 0777), 0);
		ASSERT_EQ(chmod(open_folder.c_str(), 0777), 0);
		ASSERT_EQ(rmdir(folder.c_str()), 0);
		ASSERT_EQ(symlink(open_folder.c_str(), folder.c_str()), 0);
		EXPECT_EQ(get(3), "unchanged");
		ASSERT_EQ(unlink(folder.c_str()), 0);
		ASSERT_EQ(rename(open_folder.c_str(), folder.c_str()), 0);
		EXPECT_EQ(get(3), "unchanged");
	});
}

// A killed run's temporary folder, with its partial downloads and whatever
// folders it holds, is removed by the next run; a folder of a run still
// going, one not private and one of another form are not. A run that ends
// removes its own, whole. Links inside are removed, never followed.
TEST_F(OsPathTest, TemporaryFoldersOfEndedRunsAreRemoved)
{
	IN_FRESH_PROCESS({
		pid_t const dead = ended_process_id();
		ASSERT_GT(dead, 0);
		std::string const old = dir.path() + "Skyrell-" + std::to_string(dead) + "-";
		struct {
			std::string name;
			mode_t mode;
			bool removed;
			time_t idle;  // seconds since it changed
		} const cases[] = {
		    {old + "aB3dE6", 0700, true, 0},
		    {old + "open01", 0755, false, 0},
		    {dir.path() + "Skyrell-1-aB3dE6", 0700, false, 0},
		    // Its id taken by a process since (after a restart), held by no run.
		    {dir.path() + "Skyrell-1-0ld0ne", 0700, true, 3600},
		    {old + "x", 0700, false, 0},
		    {old + "deep01", 0700, true, 0},
		};
		for (auto const& c : cases) {
			ASSERT_EQ(mkdir(c.name.c_str(), c.mode), 0) << c.name;
			ASSERT_EQ(chmod(c.name.c_str(), c.mode), 0);
			write_text_file(c.name + "/0.zip", "part of an archive");
			write_text_file(c.name + "/directory.txt", "I\n");
			struct timespec const then[2] = {{time(nullptr) - c.idle, 0}, {time(nullptr) - c.idle, 0}};
			ASSERT_EQ(utimensat(AT_FDCWD, c.name.c_str(), then, 0), 0);
		}
		// Planted under our form of name, a link to the user's own folder.
		std::string const users = dir.path() + "home/data";
		ASSERT_EQ(mkdir(users.c_str(), 0700), 0);
		write_text_file(users + "/0.zip", "the user's own");
		ASSERT_EQ(symlink(users.c_str(), (old + "link01").c_str()), 0);
		ASSERT_EQ(mkdir((old + "deep01/inner").c_str(), 0700), 0);
		ASSERT_EQ(mkdir((old + "deep01/inner/more").c_str(), 0500), 0);
		ASSERT_EQ(symlink(users.c_str(), (old + "deep01/inner/ln").c_str()), 0);
		// Another user's, in a shared temporary folder (only root can make one).
		std::string const others = old + "user01";
		// Another user's folder needs root to make, as the whole-program tests
		// need it for their disk; the suite runs as root.
		ASSERT_EQ(geteuid(), 0u) << "run the tests as root";
		ASSERT_EQ(mkdir(others.c_str(), 0700), 0);
		write_text_file(others + "/0.zip", "another user's download");
		ASSERT_EQ(chown(others.c_str(), 65534, 65534), 0);

		int out[2];
		ASSERT_EQ(pipe(out), 0);
		pid_t const run = fork();
		ASSERT_GE(run, 0);
		if (run == 0) {
			std::string const t = get(3);
			write_text_file(t + "1.zip", "this run's download");
			mkdir((t + "junk").c_str(), 0700);
			write_text_file(t + "junk/big", "what an archive held");
			if (symlink(users.c_str(), (t + "junk/ln").c_str()) != 0) std::exit(4);
			ssize_t const n = write(out[1], t.data(), t.size());
			std::exit(n == static_cast<ssize_t>(t.size()) ? 0 : 3);
		}
		close(out[1]);
		char buf[4096];
		ssize_t const n = read(out[0], buf, sizeof buf);
		close(out[0]);
		int status = 0;
		ASSERT_EQ(waitpid(run, &status, 0), run);
		ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
		ASSERT_GT(n, 0);
		std::string const mine(buf, static_cast<size_t>(n));
		EXPECT_EQ(mine.rfind(dir.path() + "Skyrell-" + std::to_string(run) + "-", 0), 0u) << mine;
		EXPECT_FALSE(is_folder(mine)) << "a run that ends removes its own";

		for (auto const& c : cases) {
			EXPECT_EQ(is_folder(c.name), !c.removed) << c.name;
			if (!c.removed) {
				EXPECT_EQ(read_text_file(c.name + "/0.zip"), "part of an archive") << c.name;
			}
		}
		EXPECT_EQ(read_text_file(users + "/0.zip"), "the user's own") << "a link is never followed";
		EXPECT_EQ(read_text_file(others + "/0.zip"), "another user's download");
	});
}

// The process id in a folder's name does not tell whether its run is over:
// a run still going under an id that is an ended process's here (as a run
// in a sandbox of its own shows) keeps its folder, and a folder an earlier
// run left under the id this run has now is removed.
TEST_F(OsPathTest, TemporaryFoldersAreJudgedByTheirRunNotByItsId)
{
	IN_FRESH_PROCESS({
		pid_t const elsewhere = ended_process_id();
		ASSERT_GT(elsewhere, 0);
		held_child other([&]() -> std::string {
			std::string const t = get(3);  // the child's folder, held by it
			write_text_file(t + "0.zip", "a download under way");
			std::string const own = "Skyrell-" + std::to_string(getpid()) + "-";
			size_t const at = t.find(own);
			if (at == std::string::npos) return "";
			std::string const shown =
			    t.substr(0, at) + "Skyrell-" + std::to_string(elsewhere) + "-" + t.substr(at + own.size());
			return rename(t.c_str(), shown.c_str()) == 0 ? shown : "";
		});
		std::string const theirs = other.answer();
		ASSERT_FALSE(theirs.empty());

		pid_t const run = fork();
		ASSERT_GE(run, 0);
		if (run == 0) {
			std::string const left = dir.path() + "Skyrell-" + std::to_string(getpid()) + "-aB3dE6";
			if (mkdir(left.c_str(), 0700) != 0) _exit(3);
			write_text_file(left + "/0.zip", "part of an archive");
			get(3);
			_exit(is_folder(left) ? 4 : 0);
		}
		int status = 0;
		ASSERT_EQ(waitpid(run, &status, 0), run);
		bool const kept = is_folder(theirs) && read_text_file(theirs + "0.zip") == "a download under way";
		other.release();

		EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "left under this run's id: " << status;
		EXPECT_TRUE(kept) << theirs;
	});
}

TEST_F(OsPathTest, TemporaryFolderFallsBackToTmp)
{
	IN_FRESH_PROCESS({
		setenv("TMPDIR", (dir.path() + "missing").c_str(), 1);
		std::string const t = get(3);
		ASSERT_EQ(t.rfind("/tmp/", 0), 0u) << t;
		EXPECT_EQ(mode_of(t), 0700u);
		rmdir(t.c_str());
	});
}

TEST_F(OsPathTest, ApplicationFolderHoldsTheProgram)
{
	std::string const app = get(0);
	ASSERT_EQ(app.front(), '/');
	ASSERT_EQ(app.back(), '/');
	EXPECT_EQ(access((app + "foundation_test_os_paths").c_str(), X_OK), 0) << app;
}

TEST_F(OsPathTest, FailedLookUpLeavesThePathUnchanged)
{
	EXPECT_EQ(get(5), "unchanged");
	EXPECT_EQ(get(-1), "unchanged");
	// A home that cannot be made: a plain file stands in the way.
	write_text_file(dir.path() + "plain", "x");
	setenv("HOME", (dir.path() + "plain/home").c_str(), 1);
	EXPECT_EQ(get(2), "unchanged");
	EXPECT_EQ(get(1), "unchanged");
	EXPECT_EQ(get(4), "unchanged");
}
