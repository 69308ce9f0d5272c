// Builder mode: the real program, run as a child process from a copy in a
// temporary folder (so that its log lands there), with the settings folder
// pointed into that folder too.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include "builder_fixture.h"

using namespace builder_test;

namespace {

struct child_result {
	int status = -1;  // exit status, or -1 when killed or not started
	std::string err;  // standard error
	std::string out;  // standard output
};

struct run_options {
	std::string cwd;
	std::vector<std::pair<std::string, std::string>> env;  // empty value: unset
	rlim_t file_size_limit = RLIM_INFINITY;
};

// Starts the program; returns its pid (its standard error goes to err_file).
pid_t start(std::string const& exe, std::vector<std::string> const& args, run_options const& o,
            std::string const& err_file)
{
	pid_t const pid = fork();
	if (pid != 0) return pid;
	if (!o.cwd.empty() && chdir(o.cwd.c_str()) != 0) _exit(120);
	rlimit const lim{o.file_size_limit, o.file_size_limit};
	if (setrlimit(RLIMIT_FSIZE, &lim) != 0) _exit(122);
	for (auto const& [k, v] : o.env)
		if (v.empty()) unsetenv(k.c_str());
		else setenv(k.c_str(), v.c_str(), 1);
	int const fd = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
	if (fd >= 0) dup2(fd, 2);
	int const out = open((err_file + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
	if (out >= 0) dup2(out, 1);
	std::vector<char*> argv;
	argv.push_back(const_cast<char*>(exe.c_str()));
	for (std::string const& a : args) argv.push_back(const_cast<char*>(a.c_str()));
	argv.push_back(nullptr);
	execv(exe.c_str(), argv.data());
	_exit(121);
}

// Waits for the child with a deadline; a child past it is killed by pid.
int wait_for(pid_t pid, int seconds, std::function<void()> const& each_tick = nullptr)
{
	auto const deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
	for (;;) {
		int st = 0;
		pid_t const got = waitpid(pid, &st, WNOHANG);
		if (got == pid) return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
		if (std::chrono::steady_clock::now() > deadline) {
			kill(pid, SIGKILL);
			waitpid(pid, &st, 0);
			return -1;
		}
		if (each_tick) each_tick();
		std::this_thread::sleep_for(std::chrono::milliseconds(50));
	}
}

child_result run(std::string const& exe, std::vector<std::string> const& args, run_options const& o,
                 std::string const& err_file)
{
	child_result r;
	r.status = wait_for(start(exe, args, o, err_file), 240);
	r.err = read_text_file(err_file);
	r.out = read_text_file(err_file + ".out");
	return r;
}

// A copy of the program in its own folder, with a settings folder beside it
// holding a settings file that must stay as it is.
time_t const kOldTime = 1000000000;

struct ModeTest : ::testing::Test {
	temp_dir dir;
	std::string exe, config, settings;
	std::string const settings_text = "_dest_dir_path /somewhere/\n_stream_count 3\n";
	void SetUp() override
	{
		put_folder(dir.path() + "bin");
		exe = dir.path() + "bin/skyrell-installer";
		std::ifstream in(SKY_INSTALLER, std::ios::binary);
		std::ofstream o(exe, std::ios::binary);
		o << in.rdbuf();
		o.close();
		chmod(exe.c_str(), 0755);
		config = dir.path() + "config/";
		settings = config + "Skyrell Installer.prf";
		put_file(settings, settings_text);
		chmod(config.c_str(), 0700);
		timespec const old[2] = {{kOldTime, 0}, {kOldTime, 0}};
		utimensat(AT_FDCWD, settings.c_str(), old, 0);
	}
	run_options options() const { return {dir.path(), {{"XDG_CONFIG_HOME", config}, {"HOME", dir.path()}}}; }
	std::string log() const { return read_text_file(dir.path() + "bin/Log.txt"); }
	void expect_settings_untouched()
	{
		EXPECT_EQ(read_text_file(settings), settings_text);
		struct stat st;
		ASSERT_EQ(stat(settings.c_str(), &st), 0);
		EXPECT_EQ(st.st_mtim.tv_sec, kOldTime);
	}
	// A valid master tree with one file, a previous file and an output folder,
	// at relative places below the test's folder.
	void plant_set(std::string const& master_rel)
	{
		valid_master(dir.path() + master_rel + "/");
		put_file(dir.path() + master_rel + "/All/Instructions/manual.txt", "manual");
		write_text_file(dir.path() + "prev.txt", kEmptyPrevious);
		put_folder(dir.path() + "out");
	}
	std::string set_fold() const
	{
		return dir.path() + "out/MY CONTAINER FOR Skyrell 8.50 Beta 8/Skyrell 8.50 Beta 8/";
	}
};

}  // namespace

std::string const kUsageText =
    "usage: skyrell-installer [-path DEST/] [--no_vbos] [--no_sprites] [--use_sprites]\n"
    "       skyrell-installer --build [--master DIR/] [--previous FILE] [--output DIR/]\n"
    "       skyrell-installer --help\n";

TEST_F(ModeTest, UsageAndStatus2)
{
	struct row {
		std::vector<std::string> args;
		std::string why;  // the installer's first line; "" for the builder's bare usage
	};
	std::vector<row> const cases = {
	    {{"--build", "--bogus"}, ""},
	    {{"--build", "--master"}, ""},
	    {{"--build", "--output", "out", "--previous"}, ""},
	    {{"--build", "--master", ""}, ""},
	    {{"--build", "out"}, ""},
	    {{"--master", "m/", "--previous", "p.txt"}, "unknown option --master"},
	    {{"--build", "--build"}, ""},
	    {{"-bogus"}, "unknown option -bogus"},
	    {{"/some/folder/"}, "unexpected argument /some/folder/"},
	    {{"-path", "/some/folder/", "more"}, "unexpected argument more"},
	    {{"-path", "/some/folder/", "--no_vbos", "--sprites"}, "unknown option --sprites"},
	    {{"-path", ""}, "-path needs a folder"},
	};
	for (row const& c : cases) {
		child_result const r = run(exe, c.args, options(), dir.path() + "err.txt");
		EXPECT_EQ(r.status, 2) << c.args.back();
		EXPECT_EQ(r.err, (c.why.empty() ? "" : "skyrell-installer: " + c.why + "\n") + kUsageText) << c.args.back();
		EXPECT_EQ(r.out, "");
		// Refused before start-up: no log was written.
		EXPECT_FALSE(file_there(dir.path() + "bin/Log.txt"));
	}
	expect_settings_untouched();
}

TEST_F(ModeTest, HelpOnStandardOutput)
{
	for (std::vector<std::string> const& args : std::vector<std::vector<std::string>>{
	         {"--help"}, {"-h"}, {"-path", "/some/folder/", "--no_vbos", "-h"}, {"--build", "--help"}}) {
		child_result const r = run(exe, args, options(), dir.path() + "err.txt");
		EXPECT_EQ(r.status, 0) << args.back();
		EXPECT_EQ(r.out, kUsageText);
		EXPECT_EQ(r.err, "");
		EXPECT_FALSE(file_there(dir.path() + "bin/Log.txt"));
	}
	expect_settings_untouched();
}

TEST_F(ModeTest, RelativeOptionsAndAMasterBelowACopyFolder)
{
	plant_set("copy of work.d/master");
	child_result const r =
	    run(exe, {"--build", "--master", "copy of work.d/master", "--previous", "prev.txt", "--output", "out"},
	        options(), dir.path() + "err.txt");
	EXPECT_EQ(r.status, 0) << r.err << log();
	std::string name, data;
	ASSERT_TRUE(read_single_entry(set_fold() + "All/Instructions/manual.txt.zip", &name, &data)) << log();
	EXPECT_EQ(data, "manual");
	std::string const text = set_directory_text(set_fold());
	EXPECT_NE(text.find("\nDIR All/Instructions/\nFILE 0 0 85008 0 0 " + md5_of_text("manual") + " manual.txt\n"),
	          std::string::npos)
	    << text;
	EXPECT_NE(log().find("OK compression is done. Checklist:\n"), std::string::npos);
	expect_settings_untouched();
}

TEST_F(ModeTest, FatalAlertExitsWith1)
{
	plant_set("master");
	put_file(dir.path() + "master/All/stray.txt", "x");
	child_result const r = run(exe, {"--build", "--master", dir.path() + "master/", "--previous", "prev.txt",
	                                 "--output", dir.path() + "out/"},
	                           options(), dir.path() + "err.txt");
	EXPECT_EQ(r.status, 1);
	EXPECT_NE(log().find("I FOUND A FILE INSIDE THE 'ALL' FOLDER! WE SHOULD ONLY HAVE FOLDERS THERE!\n" + dir.path() +
	                     "master/All/stray.txt\n"),
	          std::string::npos)
	    << log();
	expect_settings_untouched();
}

// A build that ends in a fatal alert leaves no directory file, whole or half
// written, in the set, and nothing in its temporary folder.
TEST_F(ModeTest, AFatalBuildLeavesNoDirectoryFile)
{
	plant_set("master");
	put_file(dir.path() + "stray/All/stray.txt", "x");
	std::string const tmp = dir.path() + "tmp/";
	put_folder(tmp);
	run_options o = options();
	o.env.push_back({"TMPDIR", tmp});
	struct row {
		char const* what;
		std::string master, alert;
	} const rows[] = {
	    {"a master that does not exist", dir.path() + "missing/", "I could not read a folder of the master tree!\n"},
	    {"a file in the All folder", dir.path() + "stray/",
	     "I FOUND A FILE INSIDE THE 'ALL' FOLDER! WE SHOULD ONLY HAVE FOLDERS THERE!\n"},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.what);
		child_result const c =
		    run(exe, {"--build", "--master", r.master, "--previous", "prev.txt", "--output", dir.path() + "out/"}, o,
		        dir.path() + "err.txt");
		EXPECT_EQ(c.status, 1);
		EXPECT_NE(log().find(r.alert), std::string::npos) << log();
		EXPECT_FALSE(file_there(set_fold() + "directory.txt"));
		EXPECT_FALSE(file_there(set_fold() + "directory.txt.zip"));
		EXPECT_FALSE(file_there(set_fold() + "directory.txt.zip.part"));
		EXPECT_EQ(system(("test -z \"$(find '" + tmp + "' -mindepth 1)\"").c_str()), 0) << "left in " << tmp;
	}
}

// A file-size limit is how a full disk is met here: the run must end with the
// fatal alert, not be killed with a half-written archive in the set.
TEST_F(ModeTest, AFileSizeLimitEndsWithTheAlertAndNoHalfArchive)
{
	plant_set("master");
	std::string big(3000000, '\0');
	unsigned x = 12345;
	for (char& c : big) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 16);
	put_file(dir.path() + "master/All/Instructions/big.bin", big);
	run_options o = options();
	o.file_size_limit = 1000000;
	child_result const r = run(exe, {"--build", "--master", "master", "--previous", "prev.txt", "--output", "out"}, o,
	                           dir.path() + "err.txt");
	EXPECT_EQ(r.status, 1) << r.err << log();
	EXPECT_NE(log().find("I could not zip a file!\n"), std::string::npos) << log();
	EXPECT_FALSE(file_there(set_fold() + "All/Instructions/big.bin.zip"));
	EXPECT_FALSE(file_there(set_fold() + "directory.txt.zip"));
}

namespace {

// A private X server; its display number comes back through -displayfd.
struct xvfb {
	pid_t pid = -1;
	std::string display;
	xvfb()
	{
		int fds[2];
		if (pipe(fds) != 0) return;
		pid = fork();
		if (pid == 0) {
			close(fds[0]);
			std::string const fd = std::to_string(fds[1]);
			int const null = open("/dev/null", O_WRONLY);
			dup2(null, 1);
			dup2(null, 2);
			execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset",
			       static_cast<char*>(nullptr));
			_exit(127);
		}
		close(fds[1]);
		char buf[32] = {};
		ssize_t const n = read(fds[0], buf, sizeof buf - 1);
		close(fds[0]);
		if (n > 0) display = ":" + std::to_string(std::atoi(buf));
	}
	~xvfb()
	{
		if (pid > 0) {
			kill(pid, SIGTERM);
			wait_for(pid, 10);
		}
	}
};

}  // namespace

TEST_F(ModeTest, UnderXvfbReturnDismissesTheChecklist)
{
	plant_set("master");
	run_options o = options();
	o.env.push_back({"SDL_VIDEODRIVER", ""});
	o.env.push_back({"GALLIUM_DRIVER", "llvmpipe"});
	o.env.push_back({"LIBGL_ALWAYS_SOFTWARE", "1"});
	int returns = 0;
	auto const run = [&] {
		xvfb x;
		if (x.display.empty()) return -1;
		run_options with_display = o;
		with_display.env.push_back({"DISPLAY", x.display});
		pid_t const pid = start(exe, {"--build", "--master", "master", "--previous", "prev.txt", "--output", "out"},
		                        with_display, dir.path() + "err.txt");
		return wait_for(pid, 240, [&] {
			// The set is whole just before the checklist shows: in the program's
			// untitled window, or in a system box when the window went off
			// screen. Until the program ends, every such window gets Return.
			if (!file_there(set_fold() + "directory.txt.zip") || file_there(set_fold() + "directory.txt")) return;
			std::string const cmd = "DISPLAY=" + x.display + " sh -c 'for w in $(xdotool search --pid " +
			                        std::to_string(pid) +
			                        ") $(xdotool search --name .); do timeout 5 xdotool windowfocus --sync $w key "
			                        "Return; done' >/dev/null 2>&1";
			if (std::system(cmd.c_str()) == 0) ++returns;
		});
	};
	// A fresh server on a busy machine (or beside another test's server) can
	// refuse the program's first connection; it then ends at once with its
	// graphics alert. Such a start is tried again on a new server, twice at most.
	int status = run();
	for (int again = 0; again < 2 && status == 1 && returns == 0 &&
	                    log().find("(hl_init line 1198)") != std::string::npos;
	     ++again)
		status = run();
	EXPECT_EQ(status, 0) << read_text_file(dir.path() + "err.txt") << log();
	EXPECT_GT(returns, 0);
	EXPECT_NE(log().find("OK compression is done. Checklist:\n"), std::string::npos);
	expect_settings_untouched();
}
