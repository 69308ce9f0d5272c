// Draws texts with the program's own start-up, fonts and palette on black
// (or white), as the installer's screens place them, and writes the window as
// a binary PPM, top row first: what the end-to-end driver compares the Xvfb
// screen with. The glyphs are never wholly opaque, so the driver needs both
// grounds to know each pixel's cover.
// Usage: road_text [-white] OUT.ppm COLOUR X Y TEXT [COLOUR X Y TEXT ...]
// (layout points, y up from the bottom of the 1024 x 768 window; font 100).
#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "graphics/oglp_font.h"
#include "shell/app_callbacks.h"
#include "shell/hl_init.h"
#include "support/shell_start.h"

void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

int main(int argc, char** argv)
{
	bool const white = argc > 1 && std::string(argv[1]) == "-white";
	if (white) {
		--argc;
		++argv;
	}
	if (argc < 6 || (argc - 2) % 4 != 0) {
		std::fprintf(stderr, "usage: road_text [-white] OUT.ppm COLOUR X Y TEXT [COLOUR X Y TEXT ...]\n");
		return 2;
	}
	temp_dir dir;
	started_app::prepare(dir);
	static char const* const args[] = {"road_text", nullptr};
	VEDEZE_init(1, args);
	int const w = mnw.x_res_use, h = mnw.y_res_use;
	glClearColor(white ? 1 : 0, white ? 1 : 0, white ? 1 : 0, 1);
	glClear(GL_COLOR_BUFFER_BIT);
	for (int i = 2; i + 3 < argc; i += 4)
		OGL_string(std::atoi(argv[i]), static_cast<float>(std::atof(argv[i + 1])),
		           static_cast<float>(std::atof(argv[i + 2])), argv[i + 3], 9999, 100);
	std::vector<unsigned char> px(static_cast<size_t>(w) * h * 3), rows(px.size());
	glPixelStorei(GL_PACK_ALIGNMENT, 1);
	glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, px.data());
	for (int y = 0; y < h; ++y)
		std::copy_n(&px[static_cast<size_t>(h - 1 - y) * w * 3], w * 3, &rows[static_cast<size_t>(y) * w * 3]);
	FILE* f = std::fopen(argv[1], "wb");
	bool ok = f != nullptr;
	if (f) {
		ok = std::fprintf(f, "P6\n%d %d\n255\n", w, h) > 0 && std::fwrite(rows.data(), 1, rows.size(), f) == rows.size();
		ok = std::fclose(f) == 0 && ok;
	}
	VEDEZE_finishup(0);
	return ok ? 0 : 1;
}
