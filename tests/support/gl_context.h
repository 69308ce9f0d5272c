// A real GL context on a hidden window (SDL offscreen on Mesa's software
// renderer), opened through the platform layer like the program's own, with
// the program's start-up GL state applied, for tests that draw and read
// pixels back. The window record gets the window, context and size.
#pragma once
#include <string>

#include "platform/gl_window.h"

class gl_test_context {
public:
	gl_test_context(int width = 64, int height = 64, int alias_req = 0);
	~gl_test_context();
	gl_test_context(gl_test_context const&) = delete;
	gl_test_context& operator=(gl_test_context const&) = delete;
	bool ok() const { return surface_.context != nullptr; }
	std::string const& error() const { return error_; }
	int width() const { return width_; }
	int height() const { return height_; }
	void* window() const { return surface_.window; }
	PLT_gl_surface const& surface() const { return surface_; }

	// The capability probe on this context (logs its situation block to xer).
	void probe();
	// Whole-window 2-D layout and projection, as a started window has them.
	void start_2d();
	// One pixel of the back buffer, bottom-left origin, RGBA.
	struct rgba {
		unsigned char r, g, b, a;
	};
	rgba pixel(int x, int y) const;

private:
	PLT_gl_surface surface_;
	int width_, height_;
	std::string error_;
};
