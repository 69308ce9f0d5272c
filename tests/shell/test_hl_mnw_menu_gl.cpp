// Building menus: bar titles and submenus, item columns, the menu file
// loader, its fatal errors, and a menu built this way used through real
// frames.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "graphics/oglp_glyph.h"
#include "shell/app_callbacks.h"
#include "shell/hl_mnw.h"
#include "support/coordinate_atlas.h"
#include "support/frame_driver.h"

namespace {
std::vector<int> menu_calls;
}

void APP_update() {}
void APP_handlemenu(int code) { menu_calls.push_back(code); }
void APP_handlekey(int, int) {}
void recall_ins_texes() { load_coordinate_atlas(363, 512); }

namespace {

// A text that the menu measure puts at exactly `width` (Latin languages).
std::string text_of_width(int width)
{
	for (int c = 'a'; c <= 'z'; ++c) {
		int const w = OGL_glyph_width(static_cast<unsigned char>(c));
		if (w > 0 && width % w == 0) return std::string(static_cast<size_t>(width / w), static_cast<char>(c));
	}
	ADD_FAILURE() << "no letter divides " << width;
	return "";
}

struct rect {
	int x1, y1, x2, y2;
};
template <class T>
rect rect_of(T const& r)
{
	return {r.x1, r.y1, r.x2, r.y2};
}
bool operator==(rect const& a, rect const& b) { return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2; }
std::ostream& operator<<(std::ostream& o, rect const& r)
{
	return o << r.x1 << "," << r.y1 << " .. " << r.x2 << "," << r.y2;
}

struct menu_test : ::testing::Test {
	frame_driver drive;
	void SetUp() override
	{
		menu_calls.clear();
		mnw.lang = 0;
		ASSERT_EQ(mnw.menu_dy, 0);  // the 1024 x 768 layout: no bar offset
	}
	// Writes a menu file under base "Resources:" for the current language.
	void plant(std::string const& folder, std::string const& body)
	{
		std::string path = drive.app().folder() + "Resources";
		mkdir(path.c_str(), 0700);
		path += "/menus";
		mkdir(path.c_str(), 0700);
		path += "/" + folder;
		mkdir(path.c_str(), 0700);
		write_text_file(path + "/main.txt", body);
	}
};

}  // namespace

TEST_F(menu_test, BarTitlesAndItemColumnsAreLaidOutInCreationOrder)
{
	std::string const t20 = text_of_width(20), t30 = text_of_width(30), wide = text_of_width(60),
	                  t40 = text_of_width(40);
	ASSERT_EQ(menu_dx(t20), 20);
	ASSERT_EQ(menu_dx(wide), 60);
	VEDEZE_create_menu(0, 0, t20);
	VEDEZE_create_menu(1, 0, t30);
	VEDEZE_create_menu(2, 0, "");
	VEDEZE_append_menu(0, 0, 10, "Open", 0);
	VEDEZE_append_menu(0, 1, 11, wide, 0);  // the widest sets the column for all
	VEDEZE_append_menu(0, 2, 12, "Save", 0);
	VEDEZE_append_menu(0, 3, 0, "-", 0);
	VEDEZE_append_menu(0, 4, 13, "Quit", 0);
	VEDEZE_create_menu(3, 0 * 300 + 1, "More");  // a submenu on item 1 of menu 0
	VEDEZE_append_menu(3, 0, 20, "Deep", 0);
	VEDEZE_append_menu(3, 1, 21, t40, 0);  // the submenu's widest
	VEDEZE_append_menu(1, 2, 30, "Late", 0);  // items 0 and 1 stay empty

	struct row {
		char const* what;
		rect got, want;
	} const rows[] = {
	    {"title 0", rect_of(menu[0]), {0, 750, 50, 768}},
	    {"title 1", rect_of(menu[1]), {50, 750, 110, 768}},
	    {"empty title", rect_of(menu[2]), {110, 750, 140, 768}},
	    {"item 0", rect_of(menu[0].items[0]), {0, 738, 90, 750}},
	    {"item 1", rect_of(menu[0].items[1]), {0, 726, 90, 738}},
	    {"item 2", rect_of(menu[0].items[2]), {0, 714, 90, 726}},
	    {"separator", rect_of(menu[0].items[3]), {0, 712, 90, 714}},
	    {"after the separator", rect_of(menu[0].items[4]), {0, 700, 90, 712}},
	    {"submenu", rect_of(menu[3]), {0, 726, 90, 738}},
	    {"submenu item 0", rect_of(menu[3].items[0]), {0, 726, 70, 738}},
	    {"submenu item 1", rect_of(menu[3].items[1]), {0, 714, 70, 726}},
	};
	for (row const& r : rows) EXPECT_EQ(r.got, r.want) << r.what;
	EXPECT_EQ(menu[3].parent, 0);
	EXPECT_EQ(menu[0].parent, -1);
	EXPECT_EQ(menu[0].items[4].code, 13);
	ASSERT_EQ(menu[1].items.size(), 3u);
	EXPECT_EQ(menu[1].items[0].text, "");

	// Menu 0 again starts the bar over.
	VEDEZE_create_menu(0, 0, t30);
	EXPECT_EQ(rect_of(menu[0]), (rect{0, 750, 60, 768}));
	VEDEZE_create_menu(4, 0, t20);
	EXPECT_EQ(rect_of(menu[4]), (rect{60, 750, 110, 768}));

	// A bar wider than the 16-bit coordinates hold stops at their largest
	// value instead of wrapping round to the left.
	std::string const widest(39, 'W');
	VEDEZE_create_menu(0, 0, widest);
	int last_x1 = 0;
	for (int i = 1; i < 200; ++i) {
		VEDEZE_create_menu(i, 0, widest);
		ASSERT_GE(menu[i].x1, last_x1) << "menu " << i;
		last_x1 = menu[i].x1;
	}
	EXPECT_EQ(menu[199].x2, 32767);
	VEDEZE_append_menu(199, 0, 1, widest, 0);
	EXPECT_EQ(menu[199].items[0].x2, 32767);
}

TEST_F(menu_test, KoreanItemsAreTallerUnlessPlainAndLongTitlesAreCut)
{
	mnw.lang = 6;
	VEDEZE_create_menu(0, 0, std::string(45, 'T'));
	EXPECT_EQ(menu[0].title, std::string(40, 'T'));
	VEDEZE_create_menu(1, 0, std::string(39, 'T'));
	EXPECT_EQ(menu[1].title.size(), 39u);
	EXPECT_EQ(rect_of(menu[1]), (rect{40 * 8 + 30, 750, 40 * 8 + 30 + 39 * 8 + 30, 768}));  // 8 a byte
	VEDEZE_append_menu(0, 0, 1, "ab", 0);
	VEDEZE_append_menu(0, 1, 2, "cd", 1);
	EXPECT_EQ(menu[0].items[0].korean, 1);
	EXPECT_EQ(menu[0].items[1].korean, 0);
	EXPECT_EQ(rect_of(menu[0].items[0]), (rect{0, 736, 46, 750}));
	EXPECT_EQ(rect_of(menu[0].items[1]), (rect{0, 724, 46, 736}));
	VEDEZE_append_menu(-1, 0, 3, "x", 0);
	VEDEZE_append_menu(0, -1, 3, "x", 0);
	EXPECT_EQ(menu[0].items.size(), 2u);  // negative indices are ignored
}

TEST_F(menu_test, ReadsOneBlockPerMenuUntilAnEmptyLine)
{
	struct row {
		char const* name;
		int lang;
		char const* folder;
		std::string body;
		std::function<void()> check;
	} const rows[] = {
	    {"english", 0, "english",
	     "I\n800 version\n0 File\n101 Open\n102   -\n103 Close [Q]\n-\n1 Recent\n201 first.txt\n-\n\n0 Edit\n301 Cut\n-\n",
	     [] {
		     EXPECT_EQ(menu[0].title, "File");
		     EXPECT_EQ(menu[0].parent, -1);
		     ASSERT_EQ(menu[0].items.size(), 3u);
		     EXPECT_EQ(menu[0].items[1].text, "-");
		     EXPECT_EQ(menu[0].items[1].code, 102);
		     EXPECT_EQ(rect_of(menu[0].items[1]), (rect{0, 736, menu[0].items[1].x2, 738}));
		     EXPECT_EQ(menu[0].items[2].text, "Close [Q]");
		     EXPECT_EQ(menu[1].title, "Recent");  // a submenu of item 1 of menu 0
		     EXPECT_EQ(menu[1].parent, 0);
		     EXPECT_EQ(menu[1].items[0].code, 201);
		     EXPECT_EQ(menu[2].title, "");  // after the empty line nothing is read
		     EXPECT_TRUE(menu[2].items.empty());
	     }},
	    {"portuguese folder", 5, "portugese", "I\n800 version\n0 Arquivo\n7 Abrir\n-\n",
	     [] { EXPECT_EQ(menu[0].items[0].text, "Abrir"); }},
	    // The framework's text files end their lines with CR, LF or both.
	    {"CR line ends", 0, "english", "I\r800 version\r0 File\r101 Open\r-\r\r0 Edit\r-\r",
	     [] {
		     EXPECT_EQ(menu[0].title, "File");
		     ASSERT_EQ(menu[0].items.size(), 1u);
		     EXPECT_EQ(menu[0].items[0].text, "Open");
		     EXPECT_EQ(menu[1].title, "");
	     }},
	    {"CR LF line ends", 0, "english", "I\r\n800 version\r\n0 File\r\n101 Open\r\n-\r\n\r\n0 Edit\r\n-\r\n",
	     [] {
		     EXPECT_EQ(menu[0].title, "File");
		     ASSERT_EQ(menu[0].items.size(), 1u);
		     EXPECT_EQ(menu[1].title, "");
	     }},
	    {"korean numbers", 6, "korean", "I\n800 version\n0 65 66\n9 1 200\n-\n",
	     [] {
		     EXPECT_EQ(menu[0].title, "\x01\x42\x01\x43");
		     EXPECT_EQ(menu[0].items[0].text, std::string("\x01\x02\x02\x4a"));
		     EXPECT_EQ(menu[0].items[0].korean, 1);
	     }},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.name);
		VEDEZE_clear_menus(1);
		mnw.lang = r.lang;
		plant(r.folder, r.body);
		VEDEZE_read_menus("Resources:", "main.txt");
		r.check();
	}
}

TEST_F(menu_test, RangeAndLengthErrorsEndTheProgram)
{
	alert_printer_install();
	VEDEZE_append_menu(0, 0, 1, "Only", 0);
	std::string const items301 = [] {
		std::string s = "I\n800 version\n0 Big\n";
		for (int k = 0; k < 301; ++k) s += std::to_string(k) + " item\n";
		return s + "-\n";
	}();
	plant("english", items301);
	struct row {
		char const* name;
		std::function<void()> call;
		char const* message;
	} const rows[] = {
	    {"menu past the table", [] { VEDEZE_create_menu(1520, 0, "T"); },
	     "Menu index out of range in create_menu!\\|\\|\\|T \\(hl_mnw line 264\\) severity 2"},
	    {"negative menu", [] { VEDEZE_create_menu(-1, 0, "T"); }, "out of range in create_menu!.*line 264"},
	    {"parent item missing", [] { VEDEZE_create_menu(2, 0 * 300 + 1, "Sub"); }, "in create_menu!.*line 264"},
	    {"parent menu past the table", [] { VEDEZE_create_menu(2, 1520 * 300, "Sub"); }, "in create_menu!"},
	    {"negative parent code", [] { VEDEZE_create_menu(2, -1, "Sub"); }, "in create_menu!"},
	    {"append past the table", [] { VEDEZE_append_menu(1520, 0, 1, "x", 0); },
	     "Menu index out of range in append_menu!\\|\\|\\|x \\(hl_mnw line 302\\)"},
	    {"item 300", [] { VEDEZE_append_menu(0, 300, 1, "x", 0); },
	     "Item index out of range in append_menu!\\|\\|\\|x \\(hl_mnw line 303\\)"},
	    {"45-character item", [] { VEDEZE_append_menu(0, 1, 1, std::string(45, 'x'), 0); },
	     "Menu name too long in append_menu!\\|\\|\\|x{45} \\(hl_mnw line 304\\)"},
	    {"301 items in a file", [] { VEDEZE_read_menus("Resources:", "main.txt"); },
	     "Item index out of range in append_menu!\\|\\|\\|item \\(hl_mnw line 303\\)"},
	    {"a bad menu number in a file", [] { VEDEZE_read_menus("Resources:", "bad.txt"); },
	     "Menu index out of range in create_menu!\\|\\|\\|Bad \\(hl_mnw line 264\\)"},
	    {"no file", [] { VEDEZE_read_menus("Resources:", "gone.txt"); },
	     "Cannot open file!\\|Resources:menus:english:gone.txt\\|Trash this copy and re-install Skyrell.\\| "
	     "\\(hl_mnw line 550\\)"},
	};
	write_text_file(drive.app().folder() + "Resources/menus/english/bad.txt", "I\n800 version\n1x Bad\n-\n");
	for (row const& r : rows) EXPECT_EXIT(r.call(), ::testing::ExitedWithCode(1), r.message) << r.name;
}

TEST_F(menu_test, ABuiltMenuOpensFromTheBarAndItsSubmenuChoosesAnItem)
{
	VEDEZE_create_menu(0, 0, "File");
	VEDEZE_append_menu(0, 0, 11, "Open", 0);
	VEDEZE_append_menu(0, 1, 0, "More", 0);
	VEDEZE_append_menu(0, 2, 13, "Quit", 0);
	VEDEZE_create_menu(1, 0 * 300 + 1, "More");
	VEDEZE_append_menu(1, 0, 21, "Deep", 0);
	VEDEZE_append_menu(1, 1, 22, "Deeper", 0);
	drive.frame_at(0);

	auto centre_x = [](auto const& r) { return (r.x1 + r.x2) * 0.5f; };
	auto centre_y = [](auto const& r) { return (r.y1 + r.y2) * 0.5f; };
	struct row {
		char const* what;
		float x, y;
		int open_after;
	} const rows[] = {
	    {"title", centre_x(menu[0]), centre_y(menu[0]), 0},
	    {"item with a submenu", centre_x(menu[0].items[1]), centre_y(menu[0].items[1]), 1},
	    {"submenu item", centre_x(menu[1].items[1]), centre_y(menu[1].items[1]), -1},
	    {"title again", centre_x(menu[0]), centre_y(menu[0]), 0},
	    {"plain item", centre_x(menu[0].items[2]), centre_y(menu[0].items[2]), -1},
	};
	double t = 0;
	for (row const& r : rows) {
		drive.push_mouse(PLT_ev_mouse_down, r.x, r.y);
		drive.frame_at(t += 0.5);
		drive.push_mouse(PLT_ev_mouse_up, r.x, r.y);
		drive.frame_at(t += 0.5);
		EXPECT_EQ(mnw.open_menu, r.open_after) << r.what;
	}
	EXPECT_EQ(menu_calls, (std::vector<int>{22, 13}));
}
