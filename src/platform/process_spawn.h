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

// The same with pipes to the child: with to_child not null the child's
// standard input reads from the descriptor handed back there; with
// from_child not null its standard output writes to that one. The
// descriptors are close-on-exec and the caller's to close; on failure none
// is left open.
int PLT_spawn_piped(std::vector<std::string> const& args, bool search_path, pid_t* child, int* to_child,
                    int* from_child);

// Waits for the child to end, retrying on signals; its exit status, or -1
// when it was killed or cannot be waited for.
int PLT_reap(pid_t child);
