// Folder listings for the file choosers: filters, extension codes, links,
// byte order, the 3000-entry cap and the working-folder rules.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "foundation/app_globals.h"
#include "foundation/io_utils.h"
#include "support/alert_recorder.h"

namespace {

struct entry {
	std::string name, rel;
	int code;
	bool operator==(entry const& o) const { return name == o.name && rel == o.rel && code == o.code; }
};

void PrintTo(entry const& e, std::ostream* os) { *os << "{" << e.name << ", " << e.rel << ", " << e.code << "}"; }

std::vector<entry> listed(int count)
{
	std::vector<entry> out;
	for (int i = 0; i < count; ++i) out.push_back({g_file[i], g_path_rel[i], g_file_type[i]});
	return out;
}

struct ListingTest : ::testing::Test {
	temp_dir root;
	std::string log;
	void SetUp() override
	{
		log = open_test_log(root);
		alert_recorder_install();
		app_path = root.path();
		wrk_path.clear();
	}
	std::string at(std::string const& rel) const { return root.path() + rel; }
	void folder(std::string const& rel) const { ASSERT_EQ(mkdir(at(rel).c_str(), 0755), 0) << rel; }
	void file(std::string const& rel) const { write_text_file(at(rel), "x"); }
};

}  // namespace

TEST_F(ListingTest, FiltersAndCodes)
{
	folder("dir");
	for (char const* f : {"a.acf", "B.Acf", "notes.txt", ".hidden", "ab", "img.png", "shot.BMP", "z.wav"})
		file(std::string("dir/") + f);
	folder("dir/Sub");
	folder("dir/Old.ACF");
	folder("dir/.git");
	symlink("Sub", at("dir/linkdir").c_str());
	symlink("notes.txt", at("dir/linkfile").c_str());

	entry const B{"B.Acf", "dir/B.Acf", 3}, Old{"Old.ACF", "dir/Old.ACF/", 3}, Sub{"Sub", "dir/Sub/", 1},
	    a{"a.acf", "dir/a.acf", 3}, ab{"ab", "dir/ab", 0}, img{"img.png", "dir/img.png", 2},
	    linkdir{"linkdir", "dir/linkdir", 0}, linkfile{"linkfile", "dir/linkfile", 0},
	    notes{"notes.txt", "dir/notes.txt", 11}, shot{"shot.BMP", "dir/shot.BMP", 2},
	    wav{"z.wav", "dir/z.wav", 6};
	struct filter_case {
		int filter;
		std::vector<entry> expect;
	} const cases[] = {
		{0, {B, Old, Sub, a, ab, img, linkdir, linkfile, notes, shot, wav}},
		{1, {Sub}},
		{2, {Sub, img, shot}},
		{3, {B, Old, Sub, a}},
		{6, {Sub, wav}},
		{11, {Sub, notes}},
		{13, {Sub, img, shot}},
		{17, {Sub}},
	};
	for (filter_case const& c : cases) {
		SCOPED_TRACE(c.filter);
		wrk_path = "dir:";  // written with the resource separator
		int const n = opensave_getitems(c.filter);
		EXPECT_EQ(wrk_path, "dir/");
		EXPECT_EQ(listed(n), c.expect);
	}
}

TEST_F(ListingTest, PanelImagesDropNumberedVariantsAndTheDefaultPanelFolder)
{
	std::vector<std::string> const images = {"panel.png", "panel-1.png", "panel.bmp", "PANEL-4.PNG", "x-5.png"};
	folder("art");
	for (std::string const& f : images) file("art/" + f);
	wrk_path = "art/";
	int const n = opensave_getitems(13);
	EXPECT_EQ(listed(n), (std::vector<entry>{{"panel.bmp", "art/panel.bmp", 2},
	                                          {"panel.png", "art/panel.png", 2},
	                                          {"x-5.png", "art/x-5.png", 2}}));

	// The default panel folder, in either letter case, and anything below it.
	for (std::string const wrk : {"Resources/bitmaps/cockpit/-PANELS-/", "resources/Bitmaps/COCKPIT/-panels-/",
	                               "Resources/bitmaps/cockpit/-PANELS-/more/"}) {
		SCOPED_TRACE(wrk);
		for (size_t i = 0; i < wrk.size(); ++i)
			if (wrk[i] == '/') mkdir(at(wrk.substr(0, i)).c_str(), 0755);
		for (std::string const& f : images) file(wrk + f);
		mkdir(at(wrk + "sub").c_str(), 0755);
		wrk_path = wrk;
		EXPECT_EQ(opensave_getitems(13), 0);
		wrk_path = wrk;
		EXPECT_EQ(opensave_getitems(2), 6);  // all five images and the folder under another filter
	}
}

TEST_F(ListingTest, ByteOrderAndTheCap)
{
	folder("many");
	// Written in reverse so that creation order is not byte order.
	for (int i = 3004; i >= 0; --i) {
		char name[32];
		std::snprintf(name, sizeof name, "many/f%04d.txt", i);
		file(name);
	}
	file("many/.hidden");
	file("many/Zed");
	wrk_path = "many/";
	ASSERT_EQ(opensave_getitems(0), 3000);
	EXPECT_EQ(g_file[0], "Zed");  // upper case sorts first
	EXPECT_EQ(g_file[1], "f0000.txt");
	EXPECT_EQ(g_file[2999], "f2998.txt");
	EXPECT_EQ(g_path_rel[2999], "many/f2998.txt");
	EXPECT_EQ(g_file_type[2999], 11);
	// Rejected entries do not count against the cap.
	wrk_path = "many/";
	EXPECT_EQ(opensave_getitems(1), 0);
}

TEST_F(ListingTest, UnopenableFolderLeavesTheListAlone)
{
	file("plain.txt");
	for (char const* wrk : {"missing/", "plain.txt/"}) {
		SCOPED_TRACE(wrk);
		g_file[0] = "kept";
		g_path_rel[0] = "kept/";
		g_file_type[0] = 1;
		wrk_path = wrk;
		EXPECT_EQ(opensave_getitems(0), 0);
		EXPECT_EQ(listed(1), (std::vector<entry>{{"kept", "kept/", 1}}));
	}
}

TEST_F(ListingTest, EmptyPathsListTheCurrentFolder)
{
	folder("here");
	file("here/one.txt");
	folder("here/two");
	ASSERT_EQ(chdir(at("here").c_str()), 0);
	app_path.clear();
	EXPECT_EQ(listed(opensave_getitems(0)), (std::vector<entry>{{"one.txt", "one.txt", 11}, {"two", "two/", 1}}));
}

TEST_F(ListingTest, WorkingPathWithoutSeparatorIsFatal)
{
	folder("Aircraft");
	wrk_path = "Aircraft";
	EXPECT_EXIT(opensave_getitems(0), ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(read_text_file(log), "Working path does not appear to be a directory!\n"
	                               "This is not consistent with my labelling practices!\n"
	                               "I need to end all paths with the directory indicator!\n" +
	                                   at("Aircraft") + "\n(io_utils line 833)\n");
}
