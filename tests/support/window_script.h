// A modal window in real frames (offscreen), scripted frame by frame: a
// callback at the end of every frame, just before the swap, queues the
// input the next frame reads.
#pragma once
#include <functional>
#include <string>

#include "support/frame_driver.h"

class window_script {
public:
	// Starts the program; window is the number of the window scripted, whose
	// origin clicks are taken from.
	explicit window_script(int window);
	~window_script();
	window_script(window_script const&) = delete;
	window_script& operator=(window_script const&) = delete;

	// Called with the number of the frame (from 0) that has just been drawn.
	std::function<void(int frame)> at_frame_end;
	int frames = 0;

	// A click at a point of the window (y up from its bottom edge).
	void click(float x, float y);
	void type(char c);
	// The frame drawn so far, as PNG, into SKY_SHOT_DIR when that is set.
	void save_shot(std::string const& name) const;

private:
	static void frame_end(void* self);
	frame_driver fd_;
	float org_x_ = 0, org_y_ = 0;
};
