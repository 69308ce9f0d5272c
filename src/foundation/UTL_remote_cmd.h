// Named commands with numeric ids, invoked by id.
#pragma once

class UTL_remote_cmd {
public:
	// Takes the next free id (from 1) and goes first in the list.
	UTL_remote_cmd(char const* name, void (*fn)());
	~UTL_remote_cmd();

	// Runs the command with that id; an unknown id does nothing.
	static void invoke(void* caller, int id);
	static void init_remote_cmds();
	void publish();

	UTL_remote_cmd* next;
	void (*fn)();
	char const* name;
	int id;

	// Constant-initialised: ready before any static command registers.
	static UTL_remote_cmd* cmd_list;
	static int free_id;
	static int inited;
};
