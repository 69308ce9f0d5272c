// A real GL compatibility context on an offscreen SDL window (Mesa's
// software renderer), for tests that draw and read pixels back.
#pragma once
#include <string>

class gl_test_context {
public:
	gl_test_context(int width = 64, int height = 64);
	~gl_test_context();
	gl_test_context(gl_test_context const&) = delete;
	gl_test_context& operator=(gl_test_context const&) = delete;
	bool ok() const { return context_ != nullptr; }
	std::string const& error() const { return error_; }
	int width() const { return width_; }
	int height() const { return height_; }
	void* window() const { return window_; }
private:
	void* window_ = nullptr;
	void* context_ = nullptr;
	int width_, height_;
	std::string error_;
};
