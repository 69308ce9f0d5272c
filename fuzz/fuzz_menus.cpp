// The menu file reader. The input's first byte picks the interface language
// (7: none, so no language folder), the rest is the file. Whatever it holds,
// the table keeps its size, every item and title stays within the lengths
// the drawing relies on, and a submenu names an item that exists.
#include <sys/stat.h>

#include "foundation/app_globals.h"
#include "shell/app_callbacks.h"
#include "shell/hl_mnw.h"
#include "support.h"

// The shell calls up into its application; no frame runs here.
void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}
void recall_ins_texes() {}

namespace {

char const* const folders[] = {"english", "french", "german", "italian", "spanish", "portugese", "korean"};

void check_table()
{
	if (menu.size() != static_cast<size_t>(menu_count)) fuzz_fail("the menu table changed size");
	for (size_t i = 0; i < menu.size(); ++i) {
		menu_struct const& m = menu[i];
		if (m.title.size() > 40) fuzz_fail("a menu title longer than a bar slot", m.title);
		if (m.items.size() > 300) fuzz_fail("more items than a menu code holds");
		for (item_struct const& it : m.items)
			if (it.text.size() > 39) fuzz_fail("an item text longer than a menu row", it.text);
		if (m.parent == -1) continue;
		if (m.parent < 0 || static_cast<size_t>(m.parent) >= menu.size())
			fuzz_fail("a submenu of a menu outside the table");
		if (m.items.empty()) continue;
		// A laid-out submenu starts on the row of the item that opens it.
		bool opened = false;
		for (item_struct const& it : menu[static_cast<size_t>(m.parent)].items)
			opened = opened || (it.y1 == m.y1 && it.y2 == m.y2 && it.x1 == m.x1 && it.x2 == m.x2);
		if (!opened) fuzz_fail("a submenu placed on no item of its parent");
	}
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
	static bool ready = false;
	std::string const& top = fuzz_dir();
	if (!ready) {
		mkdir((top + "Resources").c_str(), 0700);
		mkdir((top + "Resources/menus").c_str(), 0700);
		for (char const* f : folders) mkdir((top + "Resources/menus/" + f).c_str(), 0700);
		ready = true;
	}
	if (size < 1) return 0;
	app_path = top;
	mnw.lang = data[0] % 8;
	std::string const folder = mnw.lang < 7 ? std::string("menus/") + folders[mnw.lang] + "/" : std::string();
	fuzz_write(top + "Resources/" + folder + "main.txt", data + 1, size - 1);

	VEDEZE_clear_menus(1);
	fuzz_guarded([] { VEDEZE_read_menus("Resources:", "main.txt"); });
	check_table();
	app_path.clear();
	return 0;
}
