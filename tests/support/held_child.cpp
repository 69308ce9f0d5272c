#include "support/held_child.h"

#include <sys/wait.h>
#include <unistd.h>

held_child::held_child(std::function<std::string()> const& make, std::function<void()> const& after)
{
	int hold[2], ready[2];
	if (pipe(hold) != 0) return;
	if (pipe(ready) != 0) {
		close(hold[0]);
		close(hold[1]);
		return;
	}
	pid_ = fork();
	if (pid_ == 0) {
		close(hold[1]);
		close(ready[0]);
		std::string const t = make();
		if (write(ready[1], t.data(), t.size()) != static_cast<ssize_t>(t.size())) _exit(3);
		close(ready[1]);
		char c;
		if (read(hold[0], &c, 1) < 0) _exit(4);  // until released
		if (after) after();
		_exit(0);
	}
	close(hold[0]);
	close(ready[1]);
	hold_ = hold[1];
	if (pid_ > 0) {
		char buf[4096];
		ssize_t n;
		while ((n = read(ready[0], buf, sizeof buf)) > 0) answer_.append(buf, static_cast<size_t>(n));
	}
	close(ready[0]);
}

void held_child::release()
{
	if (hold_ >= 0) close(hold_);
	hold_ = -1;
	if (pid_ > 0) waitpid(pid_, nullptr, 0);
	pid_ = -1;
}

pid_t ended_process_id()
{
	pid_t const p = fork();
	if (p == 0) _exit(0);
	if (p > 0) waitpid(p, nullptr, 0);
	return p;
}
