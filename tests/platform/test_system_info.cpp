// Facts for the log's system line, and the program's folder.
#include <gtest/gtest.h>

#include "platform/app_folder.h"
#include "platform/system_info.h"

TEST(SystemInfo, KernelReleaseTakesThreeNumbers)
{
	struct row {
		char const* text;
		bool ok;
		int a, b, c;
	} const rows[] = {
	    {"6.1.0-18-amd64", true, 6, 1, 0}, {"5.15.167.4-microsoft", true, 5, 15, 167},
	    {"4.19", false, 0, 0, 0},          {"abc", false, 0, 0, 0},
	    {"", false, 0, 0, 0},              {"6..1", false, 0, 0, 0},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.text);
		int v[3] = {-1, -1, -1};
		ASSERT_EQ(PLT_parse_release(r.text, v), r.ok);
		if (!r.ok) continue;
		EXPECT_EQ(v[0], r.a);
		EXPECT_EQ(v[1], r.b);
		EXPECT_EQ(v[2], r.c);
	}
	int v[3];
	EXPECT_TRUE(PLT_kernel_release(v));
}

TEST(SystemInfo, CpuinfoFieldsOfTheFirstProcessor)
{
	std::string const text =
	    "processor\t: 0\nvendor_id\t: Some\ncpu family\t: 25\nmodel\t\t: 33\ncpu MHz\t\t: 3593.254\n"
	    "cpu family extra\t: 99\n\nprocessor\t: 1\ncpu family\t: 6\ncpu MHz\t\t: 1200.000\n";
	int v = 0;
	ASSERT_TRUE(PLT_parse_cpuinfo_field(text, "cpu family", &v));
	EXPECT_EQ(v, 25);
	ASSERT_TRUE(PLT_parse_cpuinfo_field(text, "cpu MHz", &v));
	EXPECT_EQ(v, 3593);
	EXPECT_FALSE(PLT_parse_cpuinfo_field("model name\t: x\n", "cpu MHz", &v));
	EXPECT_FALSE(PLT_parse_cpuinfo_field("cpu MHz\t: unknown\n", "cpu MHz", &v));
	EXPECT_FALSE(PLT_parse_cpuinfo_field("cpu MHzz\t: 12\n", "cpu MHz", &v));
	long ram = 0;
	ASSERT_TRUE(PLT_ram_mb(&ram));
	EXPECT_GT(ram, 0);
}

TEST(AppFolder, CutAtTheLastSlashOnly)
{
	struct row {
		char const* path;
		char const* folder;
	} const rows[] = {
	    {"/opt/sky/installer", "/opt/sky"},
	    {"/opt/a:b\\c/installer", "/opt/a:b\\c"},
	    {"/opt/x.app/Contents/MacOS/installer", "/opt/x.app/Contents/MacOS"},
	    {"/installer", ""},
	    {"installer", ""},
	};
	for (row const& r : rows) EXPECT_EQ(PLT_folder_of(r.path), r.folder) << r.path;
	PLT_set_app_folder("/tmp/elsewhere/");
	EXPECT_EQ(PLT_app_folder(), "/tmp/elsewhere");
	PLT_set_app_folder("");
	EXPECT_NE(PLT_app_folder(), "/tmp/elsewhere");
	EXPECT_EQ(PLT_app_folder()[0], '/');
}
