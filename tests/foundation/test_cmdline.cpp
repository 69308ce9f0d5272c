#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "foundation/UTL_cmdline.h"
#include "foundation/app_globals.h"
#include "support/alert_recorder.h"

namespace {

using option_map = std::map<std::string, std::string>;

struct unix_case {
	char const* what;
	std::vector<char const*> args;  // program name first
	option_map options;
	std::string log;
};

struct win_case {
	char const* what;
	char const* text;
	option_map options;
	std::string log;
};

}  // namespace

TEST(Cmdline, InitUnixStoresAndLogsEachArgument)
{
	unix_case const cases[] = {
	    {"program name only", {"prog"}, {}, ""},
	    {"bare option", {"prog", "--no_vbos"}, {{"--no_vbos", ""}}, "     '--no_vbos'=''\n"},
	    {"repeated bare option",
	     {"prog", "--use_sprites", "--use_sprites"},
	     {{"--use_sprites", ""}},
	     "     '--use_sprites'=''\n"
	     "WARNING: command line option --use_sprites=included twice.\n"
	     "     '--use_sprites'=''\n"},
	    {"key keeps its first equals sign", {"prog", "a=b=c"}, {{"a=", "b=c"}}, "     'a='='b=c'\n"},
	    {"repeated key with value, last wins",
	     {"prog", "--size=3", "--size=4"},
	     {{"--size=", "4"}},
	     "     '--size='='3'\n"
	     "WARNING: command line option --size==4included twice.\n"
	     "     '--size='='4'\n"},
	    {"path option and folder",
	     {"prog", "-path", "/home/u/Sky rell"},
	     {{"-path", ""}, {"/home/u/Sky rell", ""}},
	     "     '-path'=''\n     '/home/u/Sky rell'=''\n"},
	};
	for (unix_case const& c : cases) {
		SCOPED_TRACE(c.what);
		temp_dir dir;
		std::string const log = open_test_log(dir);
		UTL_cmdline cl;
		cl.init_unix(static_cast<int>(c.args.size()), c.args.data());
		xer.flush();
		EXPECT_EQ(cl.options, c.options);
		EXPECT_EQ(read_text_file(log), c.log);
	}
}

TEST(Cmdline, InitWinSplitsOneText)
{
	win_case const cases[] = {
	    {"value, bare key, keyless token skipped",
	     "  x=1 y  =2",
	     {{"x", "1"}, {"y", ""}},
	     "     'x'='1'\n     'y'=''\n"},
	    {"tabs and newlines are white space", "\t-a\n-b=c\t", {{"-a", ""}, {"-b", "c"}},
	     "     '-a'=''\n     '-b'='c'\n"},
	    {"repeat warns", "k=1 k=2", {{"k", "2"}},
	     "     'k'='1'\nWARNING: command line option k=2included twice.\n     'k'='2'\n"},
	    {"empty value after equals", "k=", {{"k", ""}}, "     'k'=''\n"},
	    {"blanks only", "   ", {}, ""},
	    {"empty text", "", {}, ""},
	};
	for (win_case const& c : cases) {
		SCOPED_TRACE(c.what);
		temp_dir dir;
		std::string const log = open_test_log(dir);
		UTL_cmdline cl;
		cl.init_win(c.text);
		xer.flush();
		EXPECT_EQ(cl.options, c.options);
		EXPECT_EQ(read_text_file(log), c.log);
	}
}

TEST(Cmdline, HasOptionMatchesWholeKeysOnly)
{
	UTL_cmdline cl;
	EXPECT_FALSE(cl.has_option("--use_sprites"));
	char const* args[] = {"prog", "--use_sprites", "--size=3"};
	cl.init_unix(3, args);
	EXPECT_TRUE(cl.has_option("--use_sprites"));
	EXPECT_FALSE(cl.has_option("--USE_SPRITES"));
	EXPECT_FALSE(cl.has_option("--use"));
	EXPECT_FALSE(cl.has_option("--size"));
	EXPECT_TRUE(cl.has_option("--size="));
	EXPECT_FALSE(cl.has_option(nullptr));
}

TEST(Cmdline, GlobalStartsEmpty)
{
	EXPECT_TRUE(cmdline.options.empty());
	EXPECT_FALSE(cmdline.has_option(""));
}
