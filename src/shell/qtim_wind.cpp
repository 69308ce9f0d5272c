// The movie settings window: frame rate and width, and what recording does.
// It lives with the widgets it is drawn with.
#include "foundation/app_globals.h"
#include "graphics/oglp_font.h"
#include "graphics/qtim.h"
#include "shell/butn.h"

namespace {

// The window's texts, for a language that brings none of its own.
void default_movie_texts()
{
	static char const* const defaults[STL_movie_last - STL_movie_fps + 1] = {
	    "Frames per second:",
	    "Movie width:",
	    "Movies are written as JPEG frames in a .mov file.",
	    "Movie recording is not available:",
	    "the JPEG encoder or the .mov writer of this",
	    "system's FFmpeg libraries could not be found.",
	    "Each movie is saved in the application's folder",
	    "as \"Skyrell movie take-\" and a number, with \".mov\".",
	    "The movie keeps the window's proportions.",
	    "A window larger than 1024 x 1024 cannot be recorded.",
	    "A recording stops once it holds three frames or more.",
	};
	for (int i = STL_movie_fps; i <= STL_movie_last; ++i)
		if (stls.text[i].empty()) stls.text[i] = defaults[i - STL_movie_fps];
}

}  // namespace

void qtim_class::qtim_wind()
{
	default_movie_texts();
	float wx1 = 0, wy1 = 0;
	BTN_fillwin(1, 21);
	BTN_subwin(0, 15, -1, -1, -1, 296, "", &wx1, &wy1);
	BTN_flt_range(150, 415, &fps, 2, 0, 10, 99, stls.text[STL_movie_fps]);
	BTN_int_range(130, 365, &movie_dx, 4, 160, 1024, stls.text[STL_movie_width]);

	auto line = [](float y, int slot) { OGL_string(46, 20, y, stls.text[slot], 600, 100); };
	if (qt_avail) {
		line(285, STL_movie_avail);
	} else {
		line(285, STL_movie_none_1);
		line(255, STL_movie_none_2);
		line(245, STL_movie_none_3);
	}
	float const ys[5] = {225, 195, 165, 125, 85};
	for (int i = 0; i < 5; ++i) line(ys[i], STL_movie_note_1 + i);
}
