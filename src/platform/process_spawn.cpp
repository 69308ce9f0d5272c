#include "platform/process_spawn.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void close_pair(int p[2])
{
	if (p[0] >= 0) close(p[0]);
	if (p[1] >= 0) close(p[1]);
	p[0] = p[1] = -1;
}

}  // namespace

int PLT_spawn_piped(std::vector<std::string> const& args, bool search_path, pid_t* child, int* to_child,
                    int* from_child)
{
	if (args.empty() || args[0].empty()) return ENOENT;

	// Everything the child needs is built before the fork: between fork and
	// exec only async-signal-safe calls are allowed.
	std::vector<char*> argv;
	argv.reserve(args.size() + 1);
	for (std::string const& a : args) argv.push_back(const_cast<char*>(a.c_str()));
	argv.push_back(nullptr);

	int in[2] = {-1, -1}, out[2] = {-1, -1};
	if (to_child && pipe2(in, O_CLOEXEC) != 0) return errno;
	if (from_child && pipe2(out, O_CLOEXEC) != 0) {
		int const err = errno;
		close_pair(in);
		return err;
	}
	// The child writes its exec errno into this pipe; a successful exec
	// closes it (close-on-exec), so the parent learns which happened.
	int report[2];
	if (pipe2(report, O_CLOEXEC) != 0) {
		int const err = errno;
		close_pair(in);
		close_pair(out);
		return err;
	}

	pid_t const pid = fork();
	if (pid < 0) {
		int const err = errno;
		close_pair(report);
		close_pair(in);
		close_pair(out);
		return err;
	}
	if (pid == 0) {
		close(report[0]);
		int err = 0;
		// dup2 leaves the new descriptor open across exec.
		if (in[0] >= 0 && dup2(in[0], 0) < 0) err = errno;
		if (out[1] >= 0 && dup2(out[1], 1) < 0) err = errno;
		if (!err) {
			if (search_path)
				execvp(argv[0], argv.data());
			else
				execv(argv[0], argv.data());
			err = errno;
		}
		ssize_t ignored = write(report[1], &err, sizeof err);
		(void)ignored;
		_exit(err);
	}

	close(report[1]);
	if (in[0] >= 0) close(in[0]);
	if (out[1] >= 0) close(out[1]);
	int err = 0;
	ssize_t got;
	do {
		got = read(report[0], &err, sizeof err);
	} while (got < 0 && errno == EINTR);
	close(report[0]);

	if (got == static_cast<ssize_t>(sizeof err)) {
		if (in[1] >= 0) close(in[1]);
		if (out[0] >= 0) close(out[0]);
		PLT_reap(pid);
		return err ? err : ECHILD;
	}
	if (child) *child = pid;
	if (to_child) *to_child = in[1];
	if (from_child) *from_child = out[0];
	return 0;
}

int PLT_spawn(std::vector<std::string> const& args, bool search_path, pid_t* child)
{
	return PLT_spawn_piped(args, search_path, child, nullptr, nullptr);
}

int PLT_reap(pid_t child)
{
	int status = 0;
	while (waitpid(child, &status, 0) < 0) {
		if (errno != EINTR) return -1;
	}
	return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
