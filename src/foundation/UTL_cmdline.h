// The program's command-line options: filled once at start-up, then asked
// whether an option was given.
#pragma once
#include <map>
#include <string>

class UTL_cmdline {
public:
	// Every argument after the program name; name=value keeps the "=" in the key.
	void init_unix(int argc, char const* const* argv);
	// Options from one text; name=value is stored under the bare name.
	void init_win(char const* command_line);
	bool has_option(char const* key);

	std::map<std::string, std::string> options;

private:
	void add(std::string const& key, std::string const& value);
};

extern UTL_cmdline cmdline;
