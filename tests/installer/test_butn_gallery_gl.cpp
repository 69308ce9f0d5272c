// Every widget of the widget set drawn on one 1024 x 768 screen with the
// built-in interface art (which is why it lives with the installer's tests),
// kept as build/tests/widget_gallery.png to be looked at. The test checks
// that each widget put pixels of its own inside its place.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "foundation/io_utils.h"
#include "graphics/colr.h"
#include "graphics/oglp_draw.h"
#include "graphics/oglp_font.h"
#include "graphics/tman.h"
#include "graphics/tman_image.h"
#include "installer/ins_art.h"
#include "shell/app_callbacks.h"
#include "shell/butn.h"
#include "shell/hl_init.h"
#include "shell/hl_mnw.h"
#include "support/gl_context.h"
#include "support/ins_drawing.h"
#include "support/logged_test.h"

// The shell's frame loop is linked in; these tests run no frames of it.
void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

constexpr int k_w = 1024, k_h = 768;

struct place {
	char const* what;
	int x1, y1, x2, y2;  // window pixels, inclusive
};

// What each widget draws, and where it must show.
std::vector<place> draw_widgets()
{
	static int tab = 1, radio = 2, box_on = 1, box_off = 0, sel = 1, current = 12, hover = 14, scroll = 30, num = 45;
	static char chars[] = "AB-9";
	static float value = 12.3f, slide = 6.5f;
	static std::string name = "Pilot", typed = "N12";

	std::vector<place> at;
	BTN_tab(0, 0, &tab, 0, "General");
	BTN_tab(1, 0, &tab, 1, "Network");
	at.push_back({"tabs", 4, 718, 190, 742});

	float next_x = 0, next_y = 0;
	BTN_subwin(0, 13, 20, 20, 470, 640, "Buttons and values", &next_x, &next_y);
	at.push_back({"panel", 12, 12, 496, 666});

	BTN_action(120, 620, 0, 0, 1, "Accept");
	BTN_action(240, 620, 90, 1, 1, "Pressed");
	at.push_back({"buttons", 95, 608, 284, 632});

	BTN_bool(120, 580, &box_on, "Check|set", 0);
	BTN_bool(220, 580, &box_off, "|clear", 0);
	BTN_is_int(320, 580, &radio, 2, "Radio|on");
	BTN_is_int(420, 580, &radio, 3, "|off");
	at.push_back({"check boxes", 112, 576, 128, 592});
	at.push_back({"radios", 412, 576, 428, 592});

	BTN_textlist(200, 540, &sel, "Linux-Windows-Mac", "Platform|chooser");
	at.push_back({"chooser", 175, 534, 245, 554});

	BTN_chars(150, 490, chars, 4, "Code");
	at.push_back({"character wheel", 150, 470, 190, 516});

	BTN_flt_range(150, 430, &value, 3, 1, 0, 99.9f, "Speed|kts");
	BTN_int_range(320, 430, &num, 2, 0, 50, "Streams|");
	BTN_display_number(150, 370, 1234.5f, 5, 1, "Total|MB");
	at.push_back({"number editor", 150, 412, 180, 452});
	at.push_back({"number display", 150, 366, 200, 380});

	mnw.focus_id = 7;
	stl_input = typed;
	BTN_enterstring(150, 320, &typed, 8, 7, "Tail number|");
	BTN_enterstring(150, 290, &name, 12, 8, "Name|");
	at.push_back({"text fields", 150, 284, 220, 330});

	BTN_horz_slider(150, 240, 250, 5, 0, 10, &slide, 1, "Volume|loud", "6.5");
	at.push_back({"horizontal slider", 150, 230, 400, 250});

	OGL_boxed_string(200, 190, "Folder|", "/home/pilot/Skyrell/", 100, 44);
	at.push_back({"boxed text", 140, 180, 260, 200});
	BTN_util_draw_boxed_button(200, 140, 80, 0, 4);
	at.push_back({"boxed button", 165, 125, 235, 160});
	BTN_util_draw_label(140, 80, 0, "Operating System to download", 0);
	at.push_back({"wrapped label", 60, 72, 138, 92});

	// Right half: the name list with its scroll bar, bars, close boxes.
	BTN_subwin(0, 14, 520, 20, 480, 640, "Lists and bars", nullptr, nullptr);
	static int const types[8] = {1, 3, 4, 5, 7, 9, 10, 12};
	for (int k = 0; k < 40; ++k) {
		g_file[k] = "file " + std::to_string(k);
		g_file_type[k] = types[k % 8];
	}
	BTN_big_name_list(993, 1, 540, 440, 0, 0, &current, &hover, 0, 39, nullptr, nullptr);
	at.push_back({"name list", 540, 330, 820, 550});
	at.push_back({"its scroll bar", 830, 330, 850, 550});
	BTN_vert_slider(0, 940, 340, 560, 0, 100, &scroll);
	at.push_back({"vertical slider", 931, 340, 949, 560});
	BTN_frame1(4, 760, 280, 400, 0);
	BTN_frame1(5, 660, 280, 200, 0);
	at.push_back({"progress bar", 560, 273, 958, 287});
	BTN_frame2(15, 560, 120, 200, 100, "Panel 15");
	BTN_frame2(16, 800, 120, 150, 100, "");
	at.push_back({"panels", 560, 120, 950, 220});
	BTN_zap_boxes(0);
	at.push_back({"close boxes", 8, 750, 24, 766});
	return at;
}

struct ButnGalleryTest : logged_test {
	gl_test_context gl{k_w, k_h};
	void SetUp() override
	{
		logged_test::SetUp();
		ASSERT_TRUE(gl.ok()) << gl.error();
		gl.probe();
		gl.start_2d();
		ins_drawing_reset(k_w, k_h);
		mnw.win_dx = k_w;
		mnw.win_dy = k_h;
		mnw.open_menu = -1;
		mnw.pulse = 1.0f;
		mnw.mouse_x = mnw.mouse_y = -100;
		VEDEZE_clear_menus(1);
		recall_ins_texes();
		VEDEZE_take_colours(t_interface_dat);
	}
	std::vector<unsigned char> screen()
	{
		OGL_screenshot(0);
		return std::vector<unsigned char>(scratch_array, scratch_array + size_t(k_w) * k_h * 3);
	}
};

}  // namespace

TEST_F(ButnGalleryTest, EveryWidgetDrawsInItsPlace)
{
	stls.win_title = "Widget gallery";
	BTN_fillwin(1, 21);
	std::vector<unsigned char> const bare = screen();
	std::vector<place> const places = draw_widgets();
	std::vector<unsigned char> const shot = screen();
	ASSERT_TRUE(recorded_alerts().empty()) << recorded_alerts().front().msg1;

	for (place const& p : places) {
		int changed = 0;
		for (int y = p.y1; y <= p.y2; ++y)
			for (int x = p.x1; x <= p.x2; ++x) {
				size_t const i = (size_t(y) * k_w + x) * 3;
				if (shot[i] != bare[i] || shot[i + 1] != bare[i + 1] || shot[i + 2] != bare[i + 2]) ++changed;
			}
		int const area = (p.x2 - p.x1 + 1) * (p.y2 - p.y1 + 1);
		EXPECT_GT(changed, area / 4) << p.what;
	}

	// The picture, to be looked at.
	write_png_to_disk("widget_gallery.png", k_w, k_h, 3);
	std::printf("wrote widget_gallery.png in the working folder\n");
}
