// Real frames under test control: the started program (offscreen), a scripted
// input source in place of SDL's and the clock driven by the test. The test
// program defines the application's callbacks itself.
#pragma once
#include "platform/input_source.h"
#include "support/shell_start.h"

class frame_driver {
public:
	explicit frame_driver(bool record_alerts = true);
	~frame_driver();
	frame_driver(frame_driver const&) = delete;
	frame_driver& operator=(frame_driver const&) = delete;

	started_app& app() { return app_; }
	PLT_scripted_input& input() { return input_; }

	// Runs one frame with the clock at the given seconds (from the first frame).
	void frame_at(double seconds);
	// While on, each reading moves the clock on by a millisecond, so that a
	// wait on the framework clock ends; the next frame_at sets it again.
	void clock_runs(bool on);
	// A mouse event at a layout point of the main screen (pixels follow from
	// the window height).
	void push_mouse(int what, float x, float y);
	// Moves the mouse to a layout point of the main screen.
	void move_to(float x, float y);

private:
	started_app app_;
	PLT_scripted_input input_;
};
