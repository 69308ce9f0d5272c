// Every text of the main screen stays inside the frame or band it belongs
// to, for long paths too: one frame of the real per-frame update is drawn
// with the font atlas replaced by one whose texels name themselves, so each
// pixel read back tells whether a glyph's ink lies there.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "graphics/colr.h"
#include "graphics/oglp_glyph.h"
#include "ins_art_layout.h"
#include "installer/grab.h"
#include "installer/ins_art.h"
#include "installer/ins_screen_fixture.h"
#include "installer/main_screen.h"
#include "installer/utils.h"
#include "support/coordinate_atlas.h"

void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

int const W = 1024, H = 768;

using ins_art::rect;

// Where the main screen's texts may lie (screen points, y up, x0 <= x < x1).
struct frame_of_text {
	char const* what;
	rect r;
};
std::vector<frame_of_text> frames()
{
	std::vector<frame_of_text> out = {
	    {"the destination field's white", {135, 80, 435, 99}},
	    {"the preferences button", {0, 737, 110, 763}},
	    {"the destination hint", ins_art::k_text_on_back[0]},
	    {"the server list", ins_art::k_text_on_back[1]},
	};
	char const* const panels[] = {"the version and status panel", "the download size panel", "the message panel"};
	for (size_t i = 0; i < std::size(panels); ++i) out.push_back({panels[i], ins_art::k_panels_20[i]});
	return out;
}

bool inside(rect const& r, int x, int y) { return x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1; }

// Ink of the font atlas at a texel: fonts 100 to 102 lie in its bottom rows.
bool font_ink(atlas_texel t)
{
	font_spec_struct const& f = *OGL_font_spec(100);
	if (t.s < 0 || t.t < 0 || t.t >= int(f.t0 + 5 * f.ch) || t.s >= int(f.s0 + 42 * f.cw)) return false;
	return t_interface_dat[(size_t(t.t) * ins_art::k_interface.w + t.s) * 4 + 3] >= 64;
}

struct MainTextTest : ins_screen_test<W, H> {
	void SetUp() override
	{
		ins_screen_test::SetUp();
		if (HasFatalFailure()) return;
		load_coordinate_atlas(363, 512);
		// Text colours as white, so that the texels come through unchanged.
		for (int col : {1, 13, 37, 39, 42, 44, 45, 46, 68}) colr.assign(col, 1, 1, 1);
		mnw.click_down = mnw.click_held = 0;
		mnw.mouse_x = mnw.mouse_y = -100;
		temp_path = dir.path();
		stg.server_count = 3;
		stg.server_index = 0;
		for (int i = 0; i < 3; ++i) server_desc[i] = "Download server number " + std::to_string(i + 1) + " (the maker's own)";
		install_name = "Skyrell 8.50 Beta 8";
		stg.dir_state = 3;
		stg.down_bytes_req = 123456;
		stg.disk_bytes_req = 234567;
	}

	// Pixels of glyph ink outside every frame, described.
	static std::vector<std::string> strays()
	{
		std::vector<unsigned char> px(size_t(W) * H * 4);
		glPixelStorei(GL_PACK_ALIGNMENT, 1);
		glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
		std::vector<frame_of_text> const fs = frames();
		std::vector<std::string> out;
		for (int y = 0; y < H; ++y)
			for (int x = 0; x < W; ++x) {
				unsigned char const* p = &px[(size_t(y) * W + x) * 4];
				if (!font_ink(decode_atlas_texel(p[0], p[1], p[2]))) continue;
				bool ok = false;
				for (frame_of_text const& f : fs) ok = ok || inside(f.r, x, y);
				if (!ok) out.push_back("(" + std::to_string(x) + ", " + std::to_string(y) + ")");
			}
		return out;
	}
};

std::string const kLongParent =
    "/home/a-user-with-a-long-name/Games/Flight simulators/Every version I ever installed/";

TEST_F(MainTextTest, NoTextLeavesItsFrameForLongPaths)
{
	struct row {
		char const* name;
		std::string dest;
		int dest_valid, install_stage, finished, stream_failed;
		std::string failed_path;
		std::string server = "";  // a name for every server, when given
	} const rows[] = {
	    // The longer status text, wrapped.
	    {"main screen, new copy", kLongParent + "Skyrell/", 0, 0, 0, 0, ""},
	    {"main screen, update", kLongParent + "Skyrell 8.50 Beta 7/", 1, 0, 0, 0, ""},
	    // The folder took the release's longer name.
	    {"complete", kLongParent + "Skyrell 8.50 Beta 8/", 1, 2, 1, 0, ""},
	    {"a failed download", kLongParent + "Skyrell/", 1, 2, 0, 1,
	     "Skyrell 8.50 Beta 8/Resources/plugins/a plug-in with a long name/64/lin_x64/a plug-in with a long name.xpl"},
	    // The server list's names come from the maker's host, any length.
	    {"long server names", kLongParent + "Skyrell/", 0, 0, 0, 0, "",
	     "Mirror " + std::string(290, 'W')},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(r.name);
		dest_dir_path = r.dest;
		stg.dest_valid = r.dest_valid;
		stg.install_stage = r.install_stage;
		next.finished = r.finished;
		stg.stream_failed = r.stream_failed;
		crnt_file_path = r.failed_path;
		for (int i = 0; i < 3 && !r.server.empty(); ++i) server_desc[i] = r.server;
		glClearColor(0, 0, 0, 1);
		glClear(GL_COLOR_BUFFER_BIT);
		APP_update();
		std::vector<std::string> const out = strays();
		EXPECT_TRUE(out.empty()) << out.size() << " pixels of text outside their frames, the first at " << out.front();
	}
}

}  // namespace
