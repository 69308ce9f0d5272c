// What the small Xvfb applications share: arguments (the program folder, the
// record file), the real start-up and finish, and the record their
// callbacks note into, flushed line by line for the driving script.
#pragma once
#include <cstdio>
#include <string>

#include "platform/app_folder.h"
#include "shell/hl_init.h"

inline FILE*& xvfb_record()
{
	static FILE* f = nullptr;
	return f;
}

inline void note(std::string const& line)
{
	std::fprintf(xvfb_record(), "%s\n", line.c_str());
	std::fflush(xvfb_record());
}

inline bool xvfb_app_start(int argc, char** argv)
{
	if (argc < 3) return false;
	PLT_set_app_folder(argv[1]);
	xvfb_record() = std::fopen(argv[2], "w");
	if (!xvfb_record()) return false;
	char const* args[] = {argv[0], nullptr};
	VEDEZE_init(1, args);
	return true;
}

inline int xvfb_app_finish()
{
	VEDEZE_finishup(1);
	note("done");
	std::fclose(xvfb_record());
	return 0;
}
