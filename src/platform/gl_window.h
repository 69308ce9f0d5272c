// One window with a GL compatibility-profile, double-buffered context: the
// multisample and depth cascade, making it current, function lookup and the
// buffer swap with a hook run just before it (screenshots and tests read the
// back buffer there).
#pragma once

// What one attempt asks for.
struct PLT_gl_attempt {
	int x, y, width, height;
	int samples;  // 0: no multisample buffer
	int depth;    // depth-buffer bits
	int hidden;   // 1: the window is not shown (tests)
	char const* title;
	int borderless = 0;  // 1: a plain box without decorations
	int share = 0;       // 1: shares textures and lists with the current context
};

// A window with its context and what the context got.
struct PLT_gl_surface {
	void* window = nullptr;
	void* context = nullptr;
	int level = 0;  // multisample level of the last attempt (0..4)
	int samples = 0;
	int depth_req = 0;  // depth asked for by the attempt that succeeded
	int rgba = 0, doublebuffer = 0, red = 0, green = 0, blue = 0, alpha = 0, depth = 0;
};

// One attempt: 1 with out->window and out->context set and the context
// current, else 0 with nothing left open. Replaceable for tests; null
// restores the real one.
using PLT_gl_attempt_fn = int (*)(PLT_gl_attempt const& a, PLT_gl_surface* out);
void PLT_gl_set_attempt(PLT_gl_attempt_fn fn);
int PLT_gl_attempt_real(PLT_gl_attempt const& a, PLT_gl_surface* out);

// Samples of each multisample level: 4 -> 16, 3 -> 8, 2 -> 4, 1 -> 2, 0 none.
int PLT_gl_level_samples(int level);

// Tries from the highest level not above alias_req down to 0, and at each
// level depth 32, then 24, then 16. Returns 1 with *out filled and the context
// current, else 0; out->level is the level of the last attempt either way.
int PLT_gl_open(int alias_req, int x, int y, int width, int height, char const* title, int hidden,
                PLT_gl_surface* out, int borderless = 0, int share = 0);
int PLT_gl_make_current(PLT_gl_surface const& s);
void PLT_gl_destroy(PLT_gl_surface* s);

// Address of a GL function by name, or null.
void* PLT_gl_proc(char const* name);

// Handle of the system's GL library, loaded once and kept for the process;
// null when it cannot be loaded. The name is replaceable for tests.
void* PLT_gl_library();
void PLT_gl_set_library_name(char const* name);

// Runs the pre-swap hook (if any), then swaps the window's buffers.
using PLT_gl_swap_hook = void (*)(void* user);
void PLT_gl_set_pre_swap_hook(PLT_gl_swap_hook hook, void* user);
void PLT_gl_swap(PLT_gl_surface const& s);

// Reads and drops the windowing library's last error message.
void PLT_gl_clear_error();

// 1 when the windows are shown on a desktop someone can see and use; 0 when
// video is not up or draws off screen (SDL's offscreen or dummy driver, also
// as the fallback when no display could be reached).
int PLT_gl_on_desktop();
