#include "graphics/oglp_font.h"

#include <GL/gl.h>

#include <cstring>

#include "foundation/app_globals.h"
#include "foundation/hl_string.h"
#include "foundation/io_utils.h"
#include "graphics/tman_image.h"
#include "platform/gl_window.h"

int shot = -1;

namespace {
unsigned long frames_ended = 0;
}

unsigned long OGL_frames_ended() { return frames_ended; }

void OGL_sbuf()
{
	++frames_ended;
	if (ren.mono_mode)
		glColor4f(0.0f, 1.0f, 0.0f, ren.fade_alpha);
	else
		glColor4f(1.0f, 1.0f, 1.0f, ren.fade_alpha);
	// The main window's context is the current one; the second window is
	// never opened.
	PLT_gl_surface s;
	s.window = mnw.window[0];
	s.context = mnw.context[0];
	PLT_gl_swap(s);
}

void OGL_screenshot(int save)
{
	int H = mnw.y_res_use;
	if (H < 0) H = 0;
	if (H > 1024) H = 1024;
	int const x = static_cast<int>(static_cast<float>(mnw.x_res_use - 1024) / 2.0f);
	int const y = static_cast<int>(static_cast<float>(mnw.y_res_use - H) / 2.0f);

	// Only the part that lies on the window is read; the rest stays black
	// (GL leaves pixels off the window undefined).
	unsigned char* dst = scratch_array;
	std::memset(dst, 0, static_cast<size_t>(1024) * H * 3);
	int const rx0 = x < 0 ? 0 : x;
	int const rx1 = x + 1024 > mnw.x_res_use ? mnw.x_res_use : x + 1024;
	if (rx1 > rx0 && H > 0) {
		GLint pack_row = 0, pack_skip = 0, pack_align = 0;
		glGetIntegerv(GL_PACK_ROW_LENGTH, &pack_row);
		glGetIntegerv(GL_PACK_SKIP_PIXELS, &pack_skip);
		glGetIntegerv(GL_PACK_ALIGNMENT, &pack_align);
		glPixelStorei(GL_PACK_ROW_LENGTH, 1024);
		glPixelStorei(GL_PACK_SKIP_PIXELS, rx0 - x);
		glPixelStorei(GL_PACK_ALIGNMENT, 1);
		glReadPixels(rx0, y, rx1 - rx0, H, GL_RGB, GL_UNSIGNED_BYTE, dst);
		glPixelStorei(GL_PACK_ROW_LENGTH, pack_row);
		glPixelStorei(GL_PACK_SKIP_PIXELS, pack_skip);
		glPixelStorei(GL_PACK_ALIGNMENT, pack_align);
	}
	if (!save) return;

	std::string name;
	do {
		++shot;
		char number[16];
		int_to_str(shot, number, 1, 0);
		name = "screenshot_" + std::string(number) + ".png";
	} while (file_exists(name));
	write_png_to_disk(name, 1024, H, 3);
}
