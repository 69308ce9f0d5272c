#include "foundation/UTL_remote_cmd.h"

UTL_remote_cmd* UTL_remote_cmd::cmd_list = nullptr;
int UTL_remote_cmd::free_id = 1;
int UTL_remote_cmd::inited = 0;

UTL_remote_cmd::UTL_remote_cmd(char const* name_, void (*fn_)())
    : next(cmd_list), fn(fn_), name(name_), id(free_id++)
{
	cmd_list = this;
}

UTL_remote_cmd::~UTL_remote_cmd() {}

void UTL_remote_cmd::invoke(void*, int id)
{
	for (UTL_remote_cmd* c = cmd_list; c; c = c->next) {
		if (c->id == id) {
			if (c->fn) c->fn();
			return;
		}
	}
}

void UTL_remote_cmd::init_remote_cmds() { inited = 1; }

void UTL_remote_cmd::publish() {}
