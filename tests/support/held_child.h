#pragma once
// Another run, seen from this one: a child process that makes something,
// answers with its name, and keeps it (open files, locks) until released.
#include <sys/types.h>

#include <functional>
#include <string>

class held_child {
public:
	// Runs make in the child; answer() is its result. At release the child
	// runs after, then ends.
	explicit held_child(std::function<std::string()> const& make, std::function<void()> const& after = {});
	~held_child() { release(); }
	held_child(held_child const&) = delete;
	held_child& operator=(held_child const&) = delete;

	std::string const& answer() const { return answer_; }
	void release();

private:
	pid_t pid_ = -1;
	int hold_ = -1;
	std::string answer_;
};

// The id of a process that has ended and been reaped: an id that, seen
// from here, belongs to no running process, as a run's id in a sandbox of
// its own does.
pid_t ended_process_id();
