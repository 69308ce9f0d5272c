// Keys as SDL events through the program's own input source, the frame's
// dispatch and the key handler; and the keys file.
#include <gtest/gtest.h>

#include <SDL.h>
#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include "foundation/app_globals.h"
#include "platform/sdl_input.h"
#include "shell/app_callbacks.h"
#include "shell/hl_init.h"
#include "shell/hl_mnw.h"
#include "shell/keys.h"
#include "support/shell_start.h"

namespace {
std::vector<std::pair<int, int>> key_calls;
}

void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int kind, int value) { key_calls.push_back({kind, value}); }
void recall_ins_texes() {}

namespace {

using calls = std::vector<std::pair<int, int>>;

void push_key(SDL_Scancode sc, SDL_Keycode sym, Uint16 mod, char const* text, int repeat = 0)
{
	SDL_Event e{};
	e.type = SDL_KEYDOWN;
	e.key.state = SDL_PRESSED;
	e.key.repeat = static_cast<Uint8>(repeat);
	e.key.keysym.scancode = sc;
	e.key.keysym.sym = sym;
	e.key.keysym.mod = mod;
	SDL_PushEvent(&e);
	if (text) {
		SDL_Event t{};
		t.type = SDL_TEXTINPUT;
		SDL_strlcpy(t.text.text, text, sizeof(t.text.text));
		SDL_PushEvent(&t);
	}
	SDL_Event up = e;
	up.type = SDL_KEYUP;
	up.key.state = SDL_RELEASED;
	SDL_PushEvent(&up);
}

struct key_row {
	char const* name;
	SDL_Scancode sc;
	SDL_Keycode sym;
	Uint16 mod;
	char const* text;
	int screen, focus;
	char const* typed_before;
	calls expected;
	char const* typed_after;
	int return_hit, focus_after, screen_after;
};

}  // namespace

TEST(Keys, SdlKeyEventsThroughTheSourceAndTheKeyHandler)
{
	started_app app;
	PLT_input_set_source(&PLT_sdl_input_source());
	stg.use_max_cpu = 1;
	VEDEZE_event_proc();  // the first frame starts the screen
	PLT_input_flush();

	int const shift = KMOD_LSHIFT, ctrl = KMOD_LCTRL, super = KMOD_LGUI;
	key_row const rows[] = {
	    {"a", SDL_SCANCODE_A, SDLK_a, 0, "a", 0, -1, "x", {{0, 'a'}}, "xa", 0, -1, 0},
	    {"focused field", SDL_SCANCODE_B, SDLK_b, 0, "b", 0, 4, "", {}, "b", 0, 4, 0},
	    {"window 999", SDL_SCANCODE_B, SDLK_b, 0, "b", 999, -1, "", {}, "b", 0, -1, 999},
	    {"Latin-1", SDL_SCANCODE_E, SDLK_e, 0, "\xC3\xA9", 0, -1, "", {{0, -23}}, "\xE9", 0, -1, 0},
	    {"above Latin-1", SDL_SCANCODE_E, SDLK_e, 0, "\xE2\x82\xAC", 0, -1, "", {{0, 0}}, "", 0, -1, 0},
	    {"Shift+F1", SDL_SCANCODE_F1, SDLK_F1, shift, nullptr, 0, -1, "k", {{3, 62}}, "k", 0, -1, 0},
	    {"F12", SDL_SCANCODE_F12, SDLK_F12, 0, nullptr, 0, -1, "", {{3, 61}}, "", 0, -1, 0},
	    {"F1 focused", SDL_SCANCODE_F1, SDLK_F1, 0, nullptr, 0, 2, "", {{3, 50}}, "", 0, 2, 0},
	    {"Control+Shift+Q", SDL_SCANCODE_Q, SDLK_q, ctrl | shift, nullptr, 0, -1, "", {{2, 'Q'}}, "Q", 0, -1, 0},
	    {"Control+minus", SDL_SCANCODE_MINUS, SDLK_MINUS, ctrl, nullptr, 0, -1, "", {{2, '-'}}, "-", 0, -1, 0},
	    {"Control+F10 deletes", SDL_SCANCODE_F10, SDLK_F10, ctrl, nullptr, 0, -1, "ab", {{2, 16}}, "a", 0, -1, 0},
	    {"Return on 0", SDL_SCANCODE_RETURN, SDLK_RETURN, 0, "\r", 0, -1, "ab", {{0, 13}}, "ab", 1, -1, 0},
	    {"Return on 995", SDL_SCANCODE_RETURN, SDLK_RETURN, 0, nullptr, 995, -1, "ab", {}, "ab", 1, -1, 995},
	    {"Return on 2 closes", SDL_SCANCODE_RETURN, SDLK_RETURN, 0, nullptr, 2, -1, "ab", {}, "", 0, -1, 0},
	    {"Delete", SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, 0, nullptr, 0, -1, "ab", {{0, 8}}, "a", 0, -1, 0},
	    {"Delete on empty", SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, 0, nullptr, 0, -1, "", {{0, 8}}, "", 0, -1, 0},
	    {"Tab", SDL_SCANCODE_TAB, SDLK_TAB, 0, nullptr, 0, 3, "ab", {{1, 0x30 * 256}}, "ab", 0, -1, 0},
	    {"Shift+Up", SDL_SCANCODE_UP, SDLK_UP, shift, nullptr, 0, 3, "", {{1, 50000}}, "", 0, -1, 0},
	    {"Shift+Right", SDL_SCANCODE_RIGHT, SDLK_RIGHT, shift, nullptr, 0, -1, "", {{1, 50003}}, "", 0, -1, 0},
	    {"Left", SDL_SCANCODE_LEFT, SDLK_LEFT, 0, nullptr, 0, -1, "", {{1, 0x7B * 256}}, "", 0, -1, 0},
	    {"keypad 5", SDL_SCANCODE_KP_5, SDLK_KP_5, 0, "5", 0, -1, "", {{1, 0x57 * 256}}, "5", 0, -1, 0},
	    {"keypad 7", SDL_SCANCODE_KP_7, SDLK_KP_7, 0, "7", 0, -1, "", {{0, '7'}}, "7", 0, -1, 0},
	    {"Escape", SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, 0, nullptr, 0, -1, "", {{0, 27}}, "", 0, -1, 0},
	    {"Home", SDL_SCANCODE_HOME, SDLK_HOME, 0, nullptr, 0, -1, "", {{0, 1}}, "", 0, -1, 0},
	    {"Super+V", SDL_SCANCODE_V, SDLK_v, super, "v", 0, -1, "", {{0, -15}}, "", 0, -1, 0},
	};
	for (key_row const& r : rows) {
		SCOPED_TRACE(r.name);
		VEDEZE_startwind(r.screen);
		mnw.focus_id = r.focus;
		stl_input = r.typed_before;
		key_calls.clear();
		push_key(r.sc, r.sym, static_cast<Uint16>(r.mod), r.text);
		VEDEZE_event_proc();
		EXPECT_EQ(key_calls, r.expected);
		EXPECT_EQ(stl_input, r.typed_after);
		EXPECT_EQ(return_hit, r.return_hit);
		EXPECT_EQ(mnw.focus_id, r.focus_after);
		EXPECT_EQ(mnw.cur_win, r.screen_after);
		EXPECT_EQ(mnw.key_hit, 1);
		EXPECT_EQ(mnw.key_down, 0);  // the key came up again
	}

	// Typing "ab" gives two calls and one character each; a held key repeats
	// as auto-key, which marks a key hit but not a key down.
	VEDEZE_startwind(0);
	key_calls.clear();
	push_key(SDL_SCANCODE_A, SDLK_a, 0, "a");
	push_key(SDL_SCANCODE_B, SDLK_b, 0, "b");
	VEDEZE_event_proc();
	EXPECT_EQ(key_calls, (calls{{0, 'a'}, {0, 'b'}}));
	EXPECT_EQ(stl_input, "ab");
	EXPECT_EQ(mnw.last_char, 'b');
	mnw.key_down = 0;
	SDL_Event e{};
	e.type = SDL_KEYDOWN;
	e.key.repeat = 1;
	e.key.keysym.scancode = SDL_SCANCODE_C;
	e.key.keysym.sym = SDLK_c;
	SDL_PushEvent(&e);
	VEDEZE_event_proc();
	EXPECT_EQ(stl_input, "abc");
	EXPECT_EQ(mnw.key_hit, 1);
	EXPECT_EQ(mnw.key_down, 0);
	PLT_input_set_source(nullptr);
}

TEST(Keys, SdlMouseWheelAndQuitReachTheFrame)
{
	started_app app;
	PLT_input_set_source(&PLT_sdl_input_source());
	stg.use_max_cpu = 1;
	VEDEZE_event_proc();
	PLT_input_flush();
	Uint32 const id = SDL_GetWindowID(static_cast<SDL_Window*>(mnw.window[0]));

	SDL_Event e{};
	e.type = SDL_MOUSEMOTION;
	e.motion.windowID = id;
	e.motion.x = 100;
	e.motion.y = 68;
	SDL_PushEvent(&e);
	SDL_Event b{};
	b.type = SDL_MOUSEBUTTONDOWN;
	b.button.windowID = id;
	b.button.button = SDL_BUTTON_LEFT;
	b.button.x = 120;
	b.button.y = 100;
	SDL_PushEvent(&b);
	SDL_Event w{};
	w.type = SDL_MOUSEWHEEL;
	w.wheel.windowID = id;
	w.wheel.y = 2;
	SDL_PushEvent(&w);
	w.wheel.y = 3;
	w.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
	SDL_PushEvent(&w);
	VEDEZE_event_proc();
	// The press's own position counts, though it came after the mouse was read.
	EXPECT_FLOAT_EQ(mnw.mouse_x, 120);
	EXPECT_FLOAT_EQ(mnw.mouse_y, 668);
	EXPECT_EQ(mnw.click_held, 1);
	EXPECT_EQ(mnw.wheel, -1);

	b.type = SDL_MOUSEBUTTONUP;
	SDL_PushEvent(&b);
	b.type = SDL_MOUSEBUTTONDOWN;
	b.button.button = SDL_BUTTON_RIGHT;  // only the left button clicks
	SDL_PushEvent(&b);
	VEDEZE_event_proc();
	EXPECT_EQ(mnw.click_held, 0);
	EXPECT_EQ(mnw.click_down, 0);

	// An exposed window starts its screen again; focus alone changes nothing.
	SDL_Event x{};
	x.type = SDL_WINDOWEVENT;
	x.window.windowID = id;
	x.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
	stl_input = "typed";
	SDL_PushEvent(&x);
	VEDEZE_event_proc();
	EXPECT_EQ(stl_input, "typed");
	x.window.event = SDL_WINDOWEVENT_EXPOSED;
	SDL_PushEvent(&x);
	VEDEZE_event_proc();
	EXPECT_EQ(stl_input, "");

	EXPECT_EQ(app_done.load(), 0);
	SDL_Event q{};
	q.type = SDL_QUIT;
	SDL_PushEvent(&q);
	VEDEZE_event_proc();
	EXPECT_EQ(app_done.load(), 1);
	PLT_input_set_source(nullptr);
}

TEST(KeysDeathTest, AMissingKeysFileIsFatal)
{
	temp_dir dir;
	auto start_then_read_keys = [&dir] {
		started_app::prepare(dir);
		alert_recorder_install();
		char const* argv[] = {"t", nullptr};
		VEDEZE_init(1, argv);
		keys.init();
	};
	EXPECT_EXIT(start_then_read_keys(), ::testing::ExitedWithCode(1), "");
	EXPECT_NE(read_text_file(dir.path() + "Log.txt")
	              .find("Cannot open the keys file!\nResources:keys.txt\n\n\n(keys line 23)\n"),
	          std::string::npos);
}

TEST(Keys, TheKeysFileGivesItsFirstByte)
{
	started_app app;
	std::string const folder = app.folder() + "Resources";
	mkdir(folder.c_str(), 0700);
	write_text_file(folder + "/keys.txt", "I\n800\nZ rest of the line\n");
	recorded_alerts().clear();
	keys.init();
	EXPECT_EQ(keys.key_table, 'Z');
	for (recorded_alert const& a : recorded_alerts()) ADD_FAILURE() << a.msg1 << " / " << a.msg2;
}
