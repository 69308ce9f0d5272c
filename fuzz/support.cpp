#include "support.h"

#include <fcntl.h>
#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "foundation/alert.h"
#include "foundation/app_globals.h"

namespace {

void silent_display(std::string const&, std::string const&) {}

void throwing_finish(int) { throw fatal_alert(); }

std::string make_dir()
{
	char const* base = getenv("TMPDIR");
	std::string pattern = std::string(base && *base ? base : "/tmp") + "/skyfuzz.XXXXXX";
	if (!mkdtemp(&pattern[0])) fuzz_fail("mkdtemp failed");
	std::string const dir = pattern + "/";
	// An empty folder first on PATH: no browser or dialog helper is found.
	std::string const bin = dir + "no-helpers";
	mkdir(bin.c_str(), 0700);
	setenv("PATH", bin.c_str(), 1);
	xer.open("/dev/null", std::ios::out);
	alert_set_system_display(silent_display);
	alert_set_finish(throwing_finish);
	return dir;
}

int remove_entry(char const* path, struct stat const*, int, struct FTW* ftw)
{
	if (ftw->level > 0) ::remove(path);
	return 0;
}

}  // namespace

std::string const& fuzz_dir()
{
	static std::string const dir = make_dir();
	static bool const cleaned_at_exit = std::atexit([] {
		fuzz_clear(fuzz_dir());
		rmdir(fuzz_dir().c_str());
	}) == 0;
	(void)cleaned_at_exit;
	return dir;
}

void fuzz_write(std::string const& path, uint8_t const* data, size_t size)
{
	int const fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
	if (fd < 0) fuzz_fail("cannot write the input file", path);
	size_t done = 0;
	while (done < size) {
		ssize_t const n = write(fd, data + done, size - done);
		if (n <= 0) fuzz_fail("cannot write the input file", path);
		done += static_cast<size_t>(n);
	}
	close(fd);
}

void fuzz_fail(char const* why, std::string const& detail)
{
	std::fprintf(stderr, "FUZZ FINDING: %s %s\n", why, detail.c_str());
	std::fflush(stderr);
	std::abort();
}

void fuzz_clear(std::string const& folder)
{
	nftw(folder.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

// No process is started from a fuzz run: a reader that opens a web page on
// a refused file would otherwise fork this whole sanitized process on every
// such input. The starter sees a refused fork, as on a full process table.
extern "C" pid_t fork()
{
	errno = EAGAIN;
	return -1;
}
