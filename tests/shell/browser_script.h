// The in-window file browser driven by input that a hook hands in at each
// buffer swap, over a small folder tree in the program's (temporary) folder.
#pragma once
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "platform/gl_window.h"
#include "shell/butn.h"
#include "shell/hl_mnw.h"
#include "support/frame_driver.h"

namespace browser_script {

// One step of input, at a point of the browser's window (layout units).
struct step {
	enum kind { click, move, text, key_return, call } what;
	float x = 0, y = 0;
	std::string typed;
	std::function<void()> run = nullptr;
};

inline step click_at(float x, float y) { return {step::click, x, y, "", nullptr}; }
inline step move_to(float x, float y) { return {step::move, x, y, "", nullptr}; }
inline step type(std::string s) { return {step::text, 0, 0, std::move(s), nullptr}; }
inline step press_return() { return {step::key_return, 0, 0, "", nullptr}; }
inline step run(std::function<void()> f) { return {step::call, 0, 0, "", std::move(f)}; }

// Off the name list and every button.
inline step const mouse_away = move_to(330, 200);
// A frame with no input.
inline step const idle = run([] {});

// The name list's row of entry k while entry current is in its middle.
inline float row_y(int k, int current) { return 180.0f - 10.0f * static_cast<float>(k - current); }

// The buttons and the ancestor pop-up (half the window's width, 438).
inline step const cancel = click_at(42, 28);
inline step const save = click_at(282, 28);
inline step const open_popup = click_at(170, 441);
// Item i of the open pop-up whose selected item is sel.
inline step popup_item(int i, int sel) { return click_at(170, 438 - 12.0f * static_cast<float>(i - sel) + 6); }

// Hands in the next step at a swap once the previous one's events are taken.
struct scripted_browser {
	frame_driver& drive;
	std::deque<step> steps;
	int idle = 0;

	scripted_browser(frame_driver& d, std::deque<step> s) : drive(d), steps(std::move(s))
	{
		PLT_gl_set_pre_swap_hook(on_swap, this);
	}
	~scripted_browser() { PLT_gl_set_pre_swap_hook(nullptr, nullptr); }

	static void on_swap(void* self)
	{
		auto* me = static_cast<scripted_browser*>(self);
		if (me->drive.input().pending()) return;
		if (me->steps.empty()) {
			// A browser that ignores its input fails instead of hanging.
			if (++me->idle == 50) {
				ADD_FAILURE() << "the browser is still up after the last step";
				VEDEZE_startwind(0);
			}
			return;
		}
		step const s = me->steps.front();
		me->steps.pop_front();
		float const x = mnw.org_x + s.x, y = mnw.org_y + s.y;
		PLT_event ev;
		switch (s.what) {
		case step::click:
			me->drive.push_mouse(PLT_ev_mouse_down, x, y);
			me->drive.push_mouse(PLT_ev_mouse_up, x, y);
			break;
		case step::move: me->drive.move_to(x, y); break;
		case step::text:
			for (char c : s.typed) {
				ev.what = PLT_ev_key_down;
				ev.message = static_cast<unsigned char>(c);
				me->drive.input().push(ev);
			}
			break;
		case step::key_return:
			ev.what = PLT_ev_key_down;
			ev.message = 0x24 << 8 | '\r';
			me->drive.input().push(ev);
			break;
		case step::call: s.run(); break;
		}
	}
};

struct browser_test : ::testing::Test {
	frame_driver drive;
	void SetUp() override
	{
		drive.move_to(0, 0);
		drive.frame_at(0);  // the main screen is current
		for (char const* folder : {"Aircraft", "Aircraft/Cessna", "Aircraft/Heavy-Jets", "Aircraft/Pipe|Line",
		                           "Output", "Output/situations"})
			mkdir((root() + folder).c_str(), 0700);
		for (char const* file : {"Aircraft/readme.txt", "Aircraft/Cessna/c172.acf", "Aircraft/Cessna/c182.acf",
		                         "Aircraft/Cessna/notes.txt", "Aircraft/Heavy-Jets/b747.acf",
		                         "Aircraft/Pipe|Line/pl.acf", "Output/situations/ksea.sit"})
			write_text_file(root() + file, "x\n");
		wrk_path.clear();
	}
	std::string root() { return drive.app().folder(); }

	// One browser call with the given input; its result and the string.
	int browse(int open_save, int file_path, int file_type, std::string* path, std::deque<step> steps)
	{
		scripted_browser b(drive, std::move(steps));
		int const r = BTN_opensave(open_save, file_path, file_type, path);
		EXPECT_TRUE(b.steps.empty()) << b.steps.size() << " steps left";
		return r;
	}
	// The pop-up's items as the open menu lists them.
	static std::vector<std::string> popup_items()
	{
		std::vector<std::string> out;
		for (item_struct const& it : menu[menu_popup].items) out.push_back(it.text);
		return out;
	}
};

}  // namespace browser_script
