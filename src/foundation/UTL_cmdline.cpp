#include "foundation/UTL_cmdline.h"

#include <cctype>
#include <cstring>

#include "foundation/app_globals.h"

UTL_cmdline cmdline;

void UTL_cmdline::add(std::string const& key, std::string const& value)
{
	if (options.count(key))
		xer << "WARNING: command line option " << key << "=" << value << "included twice.\n";
	options[key] = value;
	xer << "     '" << key << "'='" << value << "'\n";
}

void UTL_cmdline::init_unix(int argc, char const* const* argv)
{
	if (argc < 2 || !argv) return;
	for (int i = 1; i < argc; ++i) {
		if (!argv[i]) continue;
		std::string const arg = argv[i];
		std::string::size_type const eq = arg.find('=');
		if (eq == std::string::npos)
			add(arg, "");
		else
			add(arg.substr(0, eq + 1), arg.substr(eq + 1));
	}
}

void UTL_cmdline::init_win(char const* command_line)
{
	if (!command_line) return;
	auto const is_space = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
	char const* p = command_line;
	for (;;) {
		while (*p && is_space(*p)) ++p;
		if (!*p) return;
		char const* const key_start = p;
		while (*p && !is_space(*p) && *p != '=') ++p;
		std::string const key(key_start, p);
		std::string value;
		if (*p == '=') {
			char const* const value_start = ++p;
			while (*p && !is_space(*p)) ++p;
			value.assign(value_start, p);
		}
		if (!key.empty()) add(key, value);
	}
}

bool UTL_cmdline::has_option(char const* key)
{
	return key && options.count(key) != 0;
}
