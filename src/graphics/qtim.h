// Movie recording of the main window: each frame is scaled down on the
// graphics card, read back small and compressed into
// "Skyrell movie take-N.mov" in the application folder, at most fps
// samples a second. One movie at a time.
#pragma once
#include <string>

struct PLT_movie;

class qtim_class {
public:
	qtim_class();
	~qtim_class();  // finishes a movie still being recorded

	void mov_toggle();
	// Once per frame while recording, right after the buffer swap.
	void mov_addframe();
	// The settings window (frame rate and width); a screen draws it once a
	// frame while it is shown.
	void qtim_wind();

	int qt_avail;  // 1 when movies can be written
	int recording;
	int num_frames;  // samples added to the current movie
	int movie_dx;    // movie width, 320 unless set
	int movie_dy;    // worked out when recording starts
	float fps;       // most samples a second
};

extern qtim_class qtim;

// The movie being written (null when none) and the run_time of its last
// sample; the frame texture's size.
extern PLT_movie* gCurrentMovie;
extern float prev_time;
extern int screen_dx, screen_dy;
// The last take number used in this run: the next movie takes the first
// free number above it.
extern int movie_take;

enum { movie_tex_ref = 379 };

void mov_startrecord();
void mov_stoprecord();
// The fatal alert of a failed movie step: three lines and the error number.
void mov_alert(std::string msg1, std::string msg2, char const* msg3, int err, int line = __builtin_LINE());
