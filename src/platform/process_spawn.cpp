#include "platform/process_spawn.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

int PLT_spawn(std::vector<std::string> const& args, bool search_path, pid_t* child)
{
	if (args.empty() || args[0].empty()) return ENOENT;

	// Everything the child needs is built before the fork: between fork and
	// exec only async-signal-safe calls are allowed.
	std::vector<char*> argv;
	argv.reserve(args.size() + 1);
	for (std::string const& a : args) argv.push_back(const_cast<char*>(a.c_str()));
	argv.push_back(nullptr);

	// The child writes its exec errno into this pipe; a successful exec
	// closes it (close-on-exec), so the parent learns which happened.
	int report[2];
	if (pipe2(report, O_CLOEXEC) != 0) return errno;

	pid_t const pid = fork();
	if (pid < 0) {
		int const err = errno;
		close(report[0]);
		close(report[1]);
		return err;
	}
	if (pid == 0) {
		close(report[0]);
		if (search_path)
			execvp(argv[0], argv.data());
		else
			execv(argv[0], argv.data());
		int const err = errno;
		ssize_t ignored = write(report[1], &err, sizeof err);
		(void)ignored;
		_exit(err);
	}

	close(report[1]);
	int err = 0;
	ssize_t got;
	do {
		got = read(report[0], &err, sizeof err);
	} while (got < 0 && errno == EINTR);
	close(report[0]);

	if (got == static_cast<ssize_t>(sizeof err)) {
		while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
		}
		return err ? err : ECHILD;
	}
	if (child) *child = pid;
	return 0;
}
