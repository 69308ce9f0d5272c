// Starting other programs as child processes: an argument vector handed to
// exec, never a shell, so no argument is ever parsed as a command.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

// Starts args[0] with the argument vector args (args[0] included). With
// search_path the program is looked up on PATH when its name holds no "/".
// Returns 0 once the child has started the program, its id in *child when
// child is not null; else the errno of the failed fork or exec. A child whose
// exec failed has ended with that errno as its exit status and is reaped.
int PLT_spawn(std::vector<std::string> const& args, bool search_path, pid_t* child);
