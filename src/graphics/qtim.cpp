#include "graphics/qtim.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/xmap.h"
#include "foundation/xtim.h"
#include "graphics/oglp.h"
#include "graphics/tman.h"
#include "graphics/tman_image.h"
#include "platform/movie_file.h"

qtim_class qtim;

PLT_movie* gCurrentMovie = nullptr;
int movie_take = 0;
float prev_time = 0.0f;
int screen_dx = 1024, screen_dy = 1024;

namespace {

char const* const movie_hint_address = "https://ffmpeg.org/download.html";

// No fog, one texture unit, no lighting, blending, alpha test or depth.
void movie_state() { OGL_setstate(1, 1, 3, 4, 9, 11); }

int clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

}  // namespace

void mov_alert(std::string msg1, std::string msg2, char const* msg3, int err, int line)
{
	char number[16];
	int_to_str(err, number, 1, 0);
	__VEDEZE_alert(0, msg1, msg2, msg3, number, 2, "qtim", line);
}

qtim_class::qtim_class()
{
	qt_avail = recording = num_frames = movie_dx = movie_dy = 0;
	fps = 0.0f;
	movie_dx = 320;
	fps = 20.0f;
	qt_avail = PLT_movie_avail();
}

qtim_class::~qtim_class()
{
	// At exit neither GL nor the alert screen can be relied on (nor the log,
	// which may be gone): the movie is finished and a failure only printed.
	if (!recording || !gCurrentMovie) return;
	int step = 0;
	int const err = PLT_movie_close(gCurrentMovie, &step);
	gCurrentMovie = nullptr;
	recording = 0;
	if (err) std::fprintf(stderr, "Could not finish the movie (step %d, error %d)\n", step, err);
}

void qtim_class::mov_toggle()
{
	if (!qt_avail) return;
	movie_state();
	if (!recording) {
		scratch_dx = screen_dx;
		scratch_dy = screen_dy;
		tman.load_texture(tex_fail_fatal, movie_tex_ref, 513, tex_load_now, "scratch_array-t_QT_movie");
		mov_startrecord();
	} else {
		if (num_frames < 3) return;
		mov_stoprecord();
		tman.unload_texture(movie_tex_ref);
	}
}

void mov_startrecord()
{
	int const win_dx = mnw.x_res_use, win_dy = mnw.y_res_use;
	if (win_dx > 1024 || win_dy > 1024) {
		__VEDEZE_alert(0, "Oops!", "You can NOT record movies in Skyrell at any Skyrell resolution higher that 1024 x 1024!",
		               "This limit is to keep the VRAM requirements of Skyrell down.",
		               "In the future, when we are ready to raise the system requirements, we will raise this limit to "
		               "2048 x 2048.",
		               1, "qtim", __LINE__);
		return;
	}
	if (win_dx <= 0 || win_dy <= 0) return;  // no window to record
	// The frame is read back from the window: a wider movie would read
	// pixels that are not there.
	if (qtim.movie_dx > win_dx) qtim.movie_dx = win_dx;
	qtim.movie_dy = qtim.movie_dx * win_dy / win_dx;

	std::string name;
	for (;;) {
		++movie_take;
		char number[16];
		int_to_str(movie_take, number, 1, 0);
		name = "Skyrell movie take-" + std::string(number) + ".mov";
		xmap_class probe(name);
		if (!probe.begin) break;  // nothing there, or an empty file
	}
	std::string const path = app_path + name;

	if (gCurrentMovie) {
		__VEDEZE_alert(0, "Trying to create a movie but one already exists", path, "", "", 1, "qtim", __LINE__);
		return;
	}
	char limited[500];
	strcpy_limit(limited, path.c_str());
	std::string file = limited;
	set_dir_chars(file);

	int step = 0, err = 0;
	gCurrentMovie = PLT_movie_open(file, qtim.movie_dx, qtim.movie_dy, &step, &err);
	if (!gCurrentMovie) {
		switch (step) {
		case movie_step_file: mov_alert("Could not CreateMovieFile.", path, "(CreateMovieFile failed)", err); break;
		case movie_step_stream: mov_alert("Could not BeginMediaEdits.", path, "(BeginMediaEdits failed)", err); break;
		case movie_step_encoder:
			mov_alert("Could not CompressSequenceBegin.", "", "(CompressSequenceBegin failed.)", err);
			break;
		default: mov_alert("Could not GetMaxCompressionSize.", "", "(GetMaxCompressionSize failed.)", err); break;
		}
	}

	unsigned long long const start = xtim_class::microsecs();
	while (xtim_class::microsecs() - start < 1000000ULL) {
	}

	qtim.recording = 1;
	qtim.num_frames = 0;
	prev_time = xtim.run_time;
}

void qtim_class::mov_addframe()
{
	if (!recording || !gCurrentMovie) return;
	movie_state();
	tman.bind_ref(movie_tex_ref, 0, 0);

	// The frame into the texture, then drawn small and upside down at the
	// window's origin, so that rows come back top-down.
	int const cw = clamp(mnw.x_res_use, 0, screen_dx), ch = clamp(mnw.y_res_use, 0, screen_dy);
	glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, cw, ch);
	float const x = mnw.org_x, y = mnw.org_y;
	float const dx = static_cast<float>(movie_dx), dy = static_cast<float>(movie_dy);
	float const s = static_cast<float>(cw) / static_cast<float>(screen_dx);
	float const t = static_cast<float>(ch) / static_cast<float>(screen_dy);
	glBegin(GL_QUADS);
	glTexCoord2f(0, t), glVertex2f(x, y);
	glTexCoord2f(0, 0), glVertex2f(x, y + dy);
	glTexCoord2f(s, 0), glVertex2f(x + dx, y + dy);
	glTexCoord2f(s, t), glVertex2f(x + dx, y);
	glEnd();

	// Read back where the quad lies; what falls off the window stays black.
	int const ox = static_cast<int>(x), oy = static_cast<int>(y);
	int const x0 = clamp(ox, 0, mnw.x_res_use), x1 = clamp(ox + movie_dx, 0, mnw.x_res_use);
	int const y0 = clamp(oy, 0, mnw.y_res_use), y1 = clamp(oy + movie_dy, 0, mnw.y_res_use);
	std::memset(scratch_array, 0, static_cast<size_t>(movie_dx) * movie_dy * 4);
	if (x1 > x0 && y1 > y0) {
		GLint pack_row = 0, pack_skip_px = 0, pack_skip_rows = 0, pack_align = 0;
		glGetIntegerv(GL_PACK_ROW_LENGTH, &pack_row);
		glGetIntegerv(GL_PACK_SKIP_PIXELS, &pack_skip_px);
		glGetIntegerv(GL_PACK_SKIP_ROWS, &pack_skip_rows);
		glGetIntegerv(GL_PACK_ALIGNMENT, &pack_align);
		glPixelStorei(GL_PACK_ROW_LENGTH, movie_dx);
		glPixelStorei(GL_PACK_SKIP_PIXELS, x0 - ox);
		glPixelStorei(GL_PACK_SKIP_ROWS, y0 - oy);
		glPixelStorei(GL_PACK_ALIGNMENT, 4);
		glReadPixels(x0, y0, x1 - x0, y1 - y0, GL_RGBA, GL_UNSIGNED_BYTE, scratch_array);
		glPixelStorei(GL_PACK_ROW_LENGTH, pack_row);
		glPixelStorei(GL_PACK_SKIP_PIXELS, pack_skip_px);
		glPixelStorei(GL_PACK_SKIP_ROWS, pack_skip_rows);
		glPixelStorei(GL_PACK_ALIGNMENT, pack_align);
	}

	int err = PLT_movie_compress(gCurrentMovie, scratch_array, movie_dx * 4);
	if (err)
		mov_alert("Could not CompressSequenceFrame.",
		          std::string("YOU HAVE TO INSTALL THE LATEST QUICKTIME WITH AUTHORING MODULE FROM ") +
		              movie_hint_address + "!",
		          "", err);

	float const dt = xtim.run_time - prev_time;
	if (dt < 1.0f / fps) return;  // compressed, but not a sample
	prev_time = xtim.run_time;
	int const duration = clamp(static_cast<int>(dt * 600.0f), 1, 60);
	err = PLT_movie_add(gCurrentMovie, duration);
	if (err) mov_alert("Could not AddMediaSample.", "", "AddMediaSample failed.", err);
	num_frames += 1;
}

void mov_stoprecord()
{
	if (!gCurrentMovie) {
		__VEDEZE_alert(0, "Cannot finish record of a movie that was not started!", "", "", "", 1, "qtim", __LINE__);
		return;
	}
	int step = 0;
	int const err = PLT_movie_close(gCurrentMovie, &step);
	gCurrentMovie = nullptr;
	qtim.recording = 0;
	switch (step) {
	case movie_step_none: break;
	case movie_step_flush: mov_alert("Could not EndMediaEdits.", "", "(EndMediaEdits failed.)", err); break;
	case movie_step_trailer:
		mov_alert("Could not InsertMediaIntoTrack.", "", "(InsertMediaIntoTrack failed.)", err);
		break;
	default: mov_alert("Could not AddMovieResource.", "", "(AddMovieResource failed.)", err); break;
	}
}
