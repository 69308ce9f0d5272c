// Index: key codes and characters - event translation - mouse, windows, cursor.
#include "platform/sdl_input.h"

#include <SDL.h>

#include <cstdint>
#include <vector>

#include "platform/gl_window.h"

namespace {

// ---- key codes and characters ------------------------------------------------

struct key_row {
	SDL_Scancode scancode;
	int code;
};

// US-layout positions, as the Control-letter table and the navigation and
// function-key tables of the key dispatcher expect them.
key_row const key_rows[] = {
    {SDL_SCANCODE_A, 0x00},      {SDL_SCANCODE_S, 0x01},        {SDL_SCANCODE_D, 0x02},
    {SDL_SCANCODE_F, 0x03},      {SDL_SCANCODE_H, 0x04},        {SDL_SCANCODE_G, 0x05},
    {SDL_SCANCODE_Z, 0x06},      {SDL_SCANCODE_X, 0x07},        {SDL_SCANCODE_C, 0x08},
    {SDL_SCANCODE_V, 0x09},      {SDL_SCANCODE_B, 0x0B},        {SDL_SCANCODE_Q, 0x0C},
    {SDL_SCANCODE_W, 0x0D},      {SDL_SCANCODE_E, 0x0E},        {SDL_SCANCODE_R, 0x0F},
    {SDL_SCANCODE_Y, 0x10},      {SDL_SCANCODE_T, 0x11},        {SDL_SCANCODE_O, 0x1F},
    {SDL_SCANCODE_U, 0x20},      {SDL_SCANCODE_I, 0x22},        {SDL_SCANCODE_P, 0x23},
    {SDL_SCANCODE_L, 0x25},      {SDL_SCANCODE_J, 0x26},        {SDL_SCANCODE_K, 0x28},
    {SDL_SCANCODE_N, 0x2D},      {SDL_SCANCODE_M, 0x2E},        {SDL_SCANCODE_MINUS, 0x1B},
    {SDL_SCANCODE_RETURN, 0x24}, {SDL_SCANCODE_TAB, 0x30},      {SDL_SCANCODE_BACKSPACE, 0x33},
    {SDL_SCANCODE_UP, 0x7E},     {SDL_SCANCODE_LEFT, 0x7B},     {SDL_SCANCODE_DOWN, 0x7D},
    {SDL_SCANCODE_RIGHT, 0x7C},  {SDL_SCANCODE_F1, 0x7A},       {SDL_SCANCODE_F2, 0x78},
    {SDL_SCANCODE_F3, 0x63},     {SDL_SCANCODE_F4, 0x76},       {SDL_SCANCODE_F5, 0x60},
    {SDL_SCANCODE_F6, 0x61},     {SDL_SCANCODE_F7, 0x62},       {SDL_SCANCODE_F8, 0x64},
    {SDL_SCANCODE_F9, 0x65},     {SDL_SCANCODE_F10, 0x6D},      {SDL_SCANCODE_F11, 0x67},
    {SDL_SCANCODE_F12, 0x6F},    {SDL_SCANCODE_KP_1, 0x53},     {SDL_SCANCODE_KP_2, 0x54},
    {SDL_SCANCODE_KP_3, 0x55},   {SDL_SCANCODE_KP_4, 0x56},     {SDL_SCANCODE_KP_5, 0x57},
    {SDL_SCANCODE_KP_6, 0x58},   {SDL_SCANCODE_KP_8, 0x5B},
};

// The character byte of a key that types no text (or while Control or Super
// is held): its ASCII value, or the control byte it has always carried.
int own_char(SDL_Keysym const& k)
{
	switch (k.sym) {
	case SDLK_RETURN:
	case SDLK_KP_ENTER: return k.sym == SDLK_RETURN ? 13 : 3;
	case SDLK_TAB: return 9;
	case SDLK_BACKSPACE: return 8;
	case SDLK_ESCAPE: return 27;
	case SDLK_LEFT: return 28;
	case SDLK_RIGHT: return 29;
	case SDLK_UP: return 30;
	case SDLK_DOWN: return 31;
	case SDLK_HOME: return 1;
	case SDLK_END: return 4;
	case SDLK_PAGEUP: return 11;
	case SDLK_PAGEDOWN: return 12;
	case SDLK_DELETE: return 127;
	default: break;
	}
	if (k.scancode >= SDL_SCANCODE_F1 && k.scancode <= SDL_SCANCODE_F12) return 16;
	if (k.sym >= SDLK_a && k.sym <= SDLK_z && (k.mod & KMOD_SHIFT)) return k.sym - 'a' + 'A';
	return k.sym > 0 && k.sym < 0x7F ? k.sym : 0;
}

// One Latin-1 byte of a typed text's first character; -1 for one above 0xFF.
int latin1_byte(char const* utf8)
{
	unsigned char const* s = reinterpret_cast<unsigned char const*>(utf8);
	if (s[0] < 0x80) return s[0];
	if ((s[0] & 0xE0) == 0xC0 && (s[1] & 0xC0) == 0x80) {
		int const c = ((s[0] & 0x1F) << 6) | (s[1] & 0x3F);
		return c <= 0xFF ? c : -1;
	}
	return -1;
}

// Modifier keys travel only as bits of the other keys' events.
bool is_modifier(SDL_Scancode sc)
{
	return (sc >= SDL_SCANCODE_LCTRL && sc <= SDL_SCANCODE_RGUI) || sc == SDL_SCANCODE_CAPSLOCK ||
	       sc == SDL_SCANCODE_NUMLOCKCLEAR || sc == SDL_SCANCODE_MODE;
}

unsigned int modifiers_of(Uint16 mod)
{
	unsigned int m = 0;
	if (mod & KMOD_SHIFT) m |= PLT_mod_shift;
	if (mod & KMOD_CTRL) m |= PLT_mod_control;
	if (mod & KMOD_GUI) m |= PLT_mod_command;
	return m;
}

unsigned int ticks_of(Uint32 ms) { return static_cast<unsigned int>(static_cast<unsigned long long>(ms) * 60 / 1000); }

}  // namespace

int PLT_key_code(int scancode)
{
	for (key_row const& r : key_rows)
		if (r.scancode == scancode) return r.code;
	return 0xFF;
}

PLT_sdl_input& PLT_sdl_input_source()
{
	static PLT_sdl_input source;
	return source;
}

// ---- event translation ----------------------------------------------------------

bool PLT_sdl_input::next_event(PLT_event* ev)
{
	if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
	SDL_Event e;
	while (SDL_PollEvent(&e)) {
		*ev = PLT_event();
		ev->when = ticks_of(e.common.timestamp);
		switch (e.type) {
		case SDL_QUIT: ev->what = PLT_ev_quit; return true;
		case SDL_MOUSEMOTION: note_position(e.motion.windowID, e.motion.x, e.motion.y); continue;
		case SDL_MOUSEBUTTONDOWN:
		case SDL_MOUSEBUTTONUP:
			note_position(e.button.windowID, e.button.x, e.button.y);
			if (e.button.button != SDL_BUTTON_LEFT) continue;
			ev->what = e.type == SDL_MOUSEBUTTONDOWN ? PLT_ev_mouse_down : PLT_ev_mouse_up;
			ev->h = e.button.x;
			ev->v = e.button.y;
			ev->modifiers = modifiers_of(static_cast<Uint16>(SDL_GetModState()));
			return true;
		case SDL_MOUSEWHEEL: {
			int delta = e.wheel.y;
			if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) delta = -delta;
			if (delta != 0) PLT_input_wheel(0, delta);
			continue;
		}
		case SDL_WINDOWEVENT:
			if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
				ev->what = PLT_ev_update;
				return true;
			}
			if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
				ev->what = PLT_ev_activate;
				ev->modifiers = PLT_mod_active;
				return true;
			}
			continue;
		case SDL_KEYUP:
			if (is_modifier(e.key.keysym.scancode)) continue;
			ev->what = PLT_ev_key_up;
			ev->message = static_cast<unsigned int>(PLT_key_code(e.key.keysym.scancode)) << 8;
			ev->modifiers = modifiers_of(e.key.keysym.mod);
			return true;
		case SDL_KEYDOWN: {
			SDL_Keysym const k = e.key.keysym;
			if (is_modifier(k.scancode)) continue;
			ev->what = e.key.repeat ? PLT_ev_auto_key : PLT_ev_key_down;
			ev->modifiers = modifiers_of(k.mod);
			int ch = own_char(k);
			// The text this key typed comes right behind it; it is taken with
			// the key, so that one keystroke gives one character.
			SDL_Event text;
			if (SDL_PeepEvents(&text, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
			    text.type == SDL_TEXTINPUT) {
				SDL_PeepEvents(&text, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT);
				if (!(k.mod & (KMOD_CTRL | KMOD_GUI))) {
					int const b = latin1_byte(text.text.text);
					ch = b >= 0 ? b : 0;
				}
			}
			ev->message = static_cast<unsigned int>(ch & 0xFF) |
			              static_cast<unsigned int>(PLT_key_code(k.scancode)) << 8;
			return true;
		}
		default: continue;  // stray text (no key of its own) and the rest
		}
	}
	return false;
}

// ---- mouse, windows, cursor -----------------------------------------------------

void PLT_sdl_input::note_position(unsigned int window_id, int x, int y)
{
	window_id_ = window_id;
	x_ = x;
	y_ = y;
}

void PLT_sdl_input::mouse(void* window, int* h, int* v)
{
	*h = 0;
	*v = 0;
	if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
	// Motion still waiting in the queue counts: the frame reads the mouse
	// before it takes the events, and a click must land where it was made.
	// So the position is taken up to the first click in the queue, however
	// many moves come first; what follows it is the next frame's.
	SDL_PumpEvents();
	int const waiting = SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_MOUSEMOTION, SDL_MOUSEBUTTONUP);
	if (waiting > 0) {
		std::vector<SDL_Event> queued(static_cast<size_t>(waiting));
		int const n = SDL_PeepEvents(queued.data(), waiting, SDL_PEEKEVENT, SDL_MOUSEMOTION, SDL_MOUSEBUTTONUP);
		for (int i = 0; i < n; ++i) {
			SDL_Event const& q = queued[static_cast<size_t>(i)];
			if (q.type == SDL_MOUSEMOTION) {
				note_position(q.motion.windowID, q.motion.x, q.motion.y);
				continue;
			}
			note_position(q.button.windowID, q.button.x, q.button.y);
			if (q.button.button == SDL_BUTTON_LEFT) break;
		}
	}
	SDL_Window* const w = static_cast<SDL_Window*>(window);
	SDL_Window* const in = SDL_GetWindowFromID(window_id_);
	*h = x_;
	*v = y_;
	if (w && in && w != in) {
		// The same point seen from the other window.
		int ax = 0, ay = 0, bx = 0, by = 0;
		SDL_GetWindowPosition(in, &ax, &ay);
		SDL_GetWindowPosition(w, &bx, &by);
		*h += ax - bx;
		*v += ay - by;
	}
	// Rows are counted from the top of the picture as it was made, which GL
	// keeps at the window's bottom edge when the window is resized.
	if (SDL_Window* const seen = w ? w : in) {
		intptr_t const made = reinterpret_cast<intptr_t>(SDL_GetWindowData(seen, PLT_made_height_key));
		int now_w = 0, now_h = 0;
		SDL_GetWindowSize(seen, &now_w, &now_h);
		if (made > 0 && now_h > 0) *v -= now_h - static_cast<int>(made);
	}
}

void PLT_sdl_input::wait(int ms)
{
	if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_WaitEventTimeout(nullptr, ms);
}

void* PLT_sdl_input::front_window() { return SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetKeyboardFocus() : nullptr; }

void PLT_sdl_input::select_window(void* window)
{
	if (window) SDL_RaiseWindow(static_cast<SDL_Window*>(window));
}

void PLT_sdl_input::show_cursor(int show)
{
	if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}
