#pragma once
// A process in a pid namespace of its own, under an id no process has here.
#include <functional>
#include <string>

// In a child forked for it: runs make in a process of a new pid namespace
// whose id is unused outside, writes make's answer to ready_fd and waits
// for hold_fd to close, then runs after. Returns "" (and writes nothing) where the system
// allows no such namespace; otherwise never returns.
std::string run_in_own_pid_space(std::function<std::string()> const& make, int hold_fd, int ready_fd,
                                 std::function<void()> const& after = {});
