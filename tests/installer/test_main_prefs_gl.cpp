// The preferences panel in the real frame loop, offscreen, driven by
// scripted clicks and keys frame by frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "foundation/http.h"
#include "installer/utils.h"
#include "shell/app_callbacks.h"
#include "shell/hl_mnw.h"
#include "support/window_script.h"

void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

struct PrefsTest : ::testing::Test {
	window_script ws{2};
	void SetUp() override
	{
		stg.download_os = 1;
		stg.stream_count = 0;
		stg.use_max_cpu = 0;
		stg.log_actions = 0;
		http.proxy_host.clear();
		http.proxy_port.clear();
		http.proxy_port_int = 0;
	}
	void click(float x, float y) { ws.click(x, y); }
	void close() { click(12, 370); }  // the close box in the title row
};

TEST_F(PrefsTest, ScriptedChanges)
{
	// What each frame's end saw, and the input for the next frame.
	std::vector<int> streams;
	std::vector<std::string> steps;
	ws.at_frame_end = [&](int frame) {
		streams.push_back(stg.stream_count);
		switch (frame) {
		case 0: click(30, 154); break;  // tick manual streams
		case 2:
			ws.save_shot("prefs_manual_streams.png");
			click(30, 154);  // untick
			break;
		case 4: click(34, 269); break;  // full speed
		case 6: click(100, 23); break;  // focus the proxy port field
		case 8:
			ws.type('8');
			ws.type('0');
			ws.type('a');
			break;
		case 10: click(210, 313); break;  // open the operating-system chooser
		case 12: {
			// The pop-up's fifth item, where the menu put it.
			item_struct const& it = menu[menu_popup].items.at(4);
			ws.click((it.x1 + it.x2) * 0.5f, (it.y1 + it.y2) * 0.5f);
			break;
		}
		case 14: ws.save_shot("prefs.png"); close(); break;
		case 40: app_done = 1; break;  // the panel did not close: end the test's loop
		default: break;
		}
	};
	handle_prefs();
	EXPECT_EQ(app_done, 0) << "the close box did not close the panel";
	app_done = 0;
	// A click queued at the end of frame n is read in frame n + 1 and acted on
	// by the panel drawn in frame n + 2.
	ASSERT_GE(streams.size(), 5u);
	EXPECT_EQ(streams[1], 0);
	EXPECT_EQ(streams[2], 1);  // ticked with 0: the field shows 1
	EXPECT_EQ(streams[4], 0);  // unticked: automatic, which is what is saved
	EXPECT_EQ(stg.stream_count, 0);
	EXPECT_EQ(stg.use_max_cpu, 1);
	EXPECT_EQ(http.proxy_port, "80a");
	EXPECT_EQ(http.proxy_port_int, -1);
	EXPECT_EQ(stg.download_os, 5);  // "Linux Athlon XP"
	EXPECT_EQ(mnw.cur_win, 0);
}

}  // namespace
