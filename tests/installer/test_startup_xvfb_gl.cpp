// One real start-up on an X server: Xvfb, as a desktop without a graphics
// card runs the program. The built-in images are the real ones; what the
// window shows is read from the server's own screen file and compared with
// the screenshot taken just before the swap, and that with a kept picture.
//
// When the start-up screen changes on purpose, regenerate the picture and
// look at it:
//   SKY_STARTUP_UPDATE=1 SDL_VIDEODRIVER=offscreen GALLIUM_DRIVER=llvmpipe
//     LIBGL_ALWAYS_SOFTWARE=1 build/tests/installer_test_startup_xvfb_gl
#include <gtest/gtest.h>
#include <png.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "graphics/oglp_font.h"
#include "platform/gl_window.h"
#include "shell/app_callbacks.h"
#include "shell/hl_init.h"
#include "support/shell_start.h"
#include "support/xvfb_screen.h"

void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}
// Start-up calls the installer's own image loading; naming it here brings it
// into the program ahead of the shell library that calls it.
void (*startup_images)() = recall_ins_texes;

namespace {

using clock_type = xvfb_clock;

std::string reference_path()
{
	return std::string(SKY_TEST_SOURCE_DIR) + "/installer/startup_xvfb_reference.png";
}

rgb_image read_png_rgb(std::string const& path)
{
	rgb_image out;
	png_image img{};
	img.version = PNG_IMAGE_VERSION;
	if (!png_image_begin_read_from_file(&img, path.c_str())) return out;
	img.format = PNG_FORMAT_RGB;
	out.rgb.resize(PNG_IMAGE_SIZE(img));
	if (png_image_finish_read(&img, nullptr, out.rgb.data(), 0, nullptr)) {
		out.w = static_cast<int>(img.width);
		out.h = static_cast<int>(img.height);
	}
	png_image_free(&img);
	return out;
}

// Largest channel difference between a and the part of b at (x0, y0).
int largest_difference(rgb_image const& a, rgb_image const& b, int x0, int y0)
{
	if (a.w == 0 || b.w < x0 + a.w || b.h < y0 + a.h) return 256;
	int worst = 0;
	for (int y = 0; y < a.h; ++y)
		for (int x = 0; x < a.w; ++x)
			for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(a.at(x, y, c) - b.at(x + x0, y + y0, c)));
	return worst;
}

void shoot(void*) { OGL_screenshot(1); }

}  // namespace

TEST(StartUpOnXvfb, ShowsTheStartScreenAndFinishesCleanly)
{
	temp_dir screen_dir, app_dir;
	x_server x;
	ASSERT_TRUE(x.start(screen_dir.path())) << "Xvfb did not start";

	int to_test[2], to_app[2];
	ASSERT_EQ(pipe(to_test), 0);
	ASSERT_EQ(pipe(to_app), 0);
	pid_t const app = fork();
	ASSERT_GE(app, 0);
	if (app == 0) {
		setenv("DISPLAY", x.display.c_str(), 1);
		setenv("SDL_VIDEODRIVER", "x11", 1);
		x.pid = -1;  // the server is the test's
		started_app::prepare(app_dir);
		// Every frame start-up shows is kept as it is handed to the swap.
		PLT_gl_set_pre_swap_hook(shoot, nullptr);
		char const* argv[] = {"skyrell", nullptr};
		VEDEZE_init(1, argv);
		PLT_gl_set_pre_swap_hook(nullptr, nullptr);
		// The last frame stays up while the test reads the screen.
		if (write(to_test[1], "drawn\n", 6) != 6) _exit(4);
		char c;
		if (read(to_app[0], &c, 1) != 1) _exit(5);
		VEDEZE_finishup(1);
		_exit(0);
	}
	close(to_test[1]);
	close(to_app[0]);
	auto const deadline = clock_type::now() + std::chrono::seconds(120);
	EXPECT_EQ(read_line(to_test[0], deadline), "drawn");

	// Start-up drew its screen twice; the second is what the window shows.
	rgb_image const shot = read_png_rgb(app_dir.path() + "screenshot_1.png");
	ASSERT_EQ(shot.w, 1024);
	ASSERT_EQ(shot.h, 768);
	// The window lies 40 down on a 1280 x 1024 screen; the server shows
	// the frame once it has taken the swap.
	int difference = 256;
	while (clock_type::now() < deadline) {
		difference = largest_difference(shot, read_xwd(screen_dir.path() + "Xvfb_screen0"), 0, 40);
		if (difference <= 2) break;
		pollfd none{-1, 0, 0};
		poll(&none, 0, 50);
	}
	EXPECT_LE(difference, 2) << "the X screen does not show the frame";

	EXPECT_EQ(write(to_app[1], "g", 1), 1);
	int const status = wait_for(app, deadline);
	ASSERT_TRUE(WIFEXITED(status)) << status;
	EXPECT_EQ(WEXITSTATUS(status), 0);

	std::string const log = read_text_file(app_dir.path() + "Log.txt");
	EXPECT_EQ(log.compare(0, 33, "log.txt for Skyrell 8.50 Beta 8 -"), 0) << log;
	for (char const* line : {"\nAGL_RGBA         :1\n", "\nAGL_RED_SIZE     :8\n", "\nAGL_DEPTH_SIZE   :",
	                         "\nClean exit from threads.\n"})
		EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
	EXPECT_EQ(log.find("WARNING"), std::string::npos) << log;

	if (std::getenv("SKY_STARTUP_UPDATE")) {
		std::ifstream in(app_dir.path() + "screenshot_1.png", std::ios::binary);
		std::ofstream out(reference_path(), std::ios::binary | std::ios::trunc);
		out << in.rdbuf();
		return;
	}
	rgb_image const kept = read_png_rgb(reference_path());
	ASSERT_EQ(kept.w, 1024) << "no kept picture at " << reference_path();
	EXPECT_LE(largest_difference(shot, kept, 0, 0), 2);
}
