// The about box end to end in real frames: the server list and the installer
// archive from a scripted loopback server reached through the proxy
// settings (the maker's host is never changed), the install button clicked
// through the frame loop's dispatch, and the launch of the unpacked program.
#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "foundation/app_globals.h"
#include "foundation/http.h"
#include "shell/app_callbacks.h"
#include "shell/hl_about.h"
#include "shell/hl_mnw.h"
#include "platform/gl_window.h"
#include "support/frame_driver.h"
#include "support/fresh_process.h"
#include "support/script_server.h"

void APP_update() {}
void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}
void recall_ins_texes() {}

namespace {

// The bytes of an archive at path with one program entry.
std::string one_entry_zip(std::string const& path, char const* name, std::string const& text)
{
	zipFile zf = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
	zip_fileinfo zi = {};
	zi.external_fa = 0100755ul << 16;
	zipOpenNewFileInZip(zf, name, &zi, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 6);
	zipWriteInFileInZip(zf, text.data(), static_cast<unsigned>(text.size()));
	zipCloseFileInZip(zf);
	zipClose(zf, nullptr);
	return read_text_file(path);
}

// An archive whose first entry is a program that writes its arguments to
// marker.
std::string installer_zip(std::string const& marker)
{
	return one_entry_zip(marker + ".zip", "New Installer", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + marker + "'\n");
}

std::string reply(std::string const& status, std::string const& body)
{
	return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
	       "\r\nConnection: close\r\n\r\n" + body;
}

std::string const list_newer =
    "I\n820 version\nSERVERS\nFINAL Skyrell 8.60\nFINAL_VERSION 85009\n"
    "FINAL_INSTALLER_MAC dl.example.test /inst/new.zip\n";

// Serves the list for the maker's host and the given answer for the
// installer; anything else is not found.
script_server::responder serve(std::string list, std::string installer)
{
	return [list, installer](std::string const& request) {
		if (request.rfind("GET http://www.kestrin-research.example/serverlist.txt ", 0) == 0)
			return script_simple(reply("200 OK", list));
		if (request.rfind("GET http://dl.example.test/inst/new.zip ", 0) == 0) return script_simple(installer);
		return script_simple(reply("404 Not Found", ""));
	};
}

// Per frame: a click on the install button once it is offered; the box
// closes once nothing more is to happen (or after a deadline).
struct about_driver {
	frame_driver* drive;
	int clicks = 0;
	int frames = 0;
	std::chrono::steady_clock::time_point until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
};
about_driver* running = nullptr;

void about_frame(void*)
{
	about_driver& d = *running;
	about_struct const& a = about_state();
	++d.frames;
	if (mnw.cur_win != 994) return;
	if (a.ins_state == 1 && d.clicks == 0) {
		d.drive->push_mouse(1, mnw.org_x + 442, mnw.org_y + 17);
		d.drive->push_mouse(2, mnw.org_x + 442, mnw.org_y + 17);
		++d.clicks;
	}
	if (a.ins_state == 4 || std::chrono::steady_clock::now() > d.until) VEDEZE_startwind(0);
}

void run_about(frame_driver& drive, uint16_t proxy_port)
{
	http.proxy_host = "127.0.0.1";
	http.proxy_port = std::to_string(proxy_port);
	http.proxy_port_int = proxy_port;
	about_driver d{&drive};
	running = &d;
	PLT_gl_set_pre_swap_hook(about_frame, nullptr);
	drive.frame_at(0);
	VEDEZE_about();
	PLT_gl_set_pre_swap_hook(nullptr, nullptr);
	running = nullptr;
}

}  // namespace

TEST(AboutRoad, UpdateIsDownloadedUnpackedAndLaunched)
{
	temp_dir out;
	std::string const marker = out.path() + "launched.txt";
	std::string const zip = installer_zip(marker);
	EXPECT_EXIT(
	    {
		    frame_driver drive;
		    script_server server(serve(list_newer, reply("200 OK", zip)));
		    run_about(drive, server.port());
		    std::fprintf(stderr, "not launched: %s\n", about_state().err_msg.c_str());
		    std::exit(3);
	    },
	    ::testing::ExitedWithCode(1), "");
	// The unpacked program ran (it wrote its arguments, a line at least).
	EXPECT_FALSE(read_text_file(marker).empty());
}

TEST(AboutRoad, FailedDownloadsEndInTheirMessage)
{
	temp_dir out;
	// Unpacked into the application folder (here the current one): an entry
	// must not land beside it.
	std::string const escaping = one_entry_zip(out.path() + "escaping.zip", "../about_escaped_entry", "#!/bin/sh\n");
	std::string const whole = reply("200 OK", escaping);
	struct road_case {
		char const* what;
		std::string installer;
		std::string err;
	} const cases[] = {
	    {"not found", reply("404 Not Found", "gone"), "I was unable to download the installer from the net."},
	    {"an empty reply", reply("200 OK", ""), "There was an error unzipping the installer: "},
	    {"cut short", whole.substr(0, whole.size() - 10), "I was unable to download the installer from the net."},
	    {"an entry leaving the folder", whole, "There was an error unzipping the installer: "},
	};
	for (road_case const& c : cases) {
		SCOPED_TRACE(c.what);
		EXPECT_EXIT(
		    {
			    frame_driver drive;
			    script_server server(serve(list_newer, c.installer));
			    run_about(drive, server.port());
			    about_struct const& a = about_state();
			    bool const ok = a.ins_state == 4 && a.err_msg.rfind(c.err, 0) == 0 && a.version_str_found == 1 &&
			                    a.version_str_net == "Skyrell 8.60" && mnw.cur_win == 0 &&
			                    access((app_path + "../about_escaped_entry").c_str(), F_OK) != 0;
			    std::fprintf(stderr, "state %d: %s\n", a.ins_state, a.err_msg.c_str());
			    std::exit(ok ? 0 : 3);
		    },
		    ::testing::ExitedWithCode(0), "");
	}
}

namespace {

script_server* serving = nullptr;
std::chrono::steady_clock::time_point give_up;  // set by the test

// Closes the box once the list was asked for twice.
void stop_at_second_list(void*)
{
	if (serving->requests().size() >= 2 || std::chrono::steady_clock::now() > give_up) VEDEZE_startwind(0);
}

}  // namespace

// The box's state and the proxy last for the run, and a GL context's
// renderer threads would be inherited by the other tests' forked children:
// these run in a fresh process.
TEST(AboutRoad, ListWithoutFinalLineIsFetchedAgain)
{
	IN_FRESH_PROCESS({
		frame_driver drive;
		script_server server(serve("I\n820 version\nSERVERS\nFINAL_VERSION 85008\n", ""));
		http.proxy_host = "127.0.0.1";
		http.proxy_port = std::to_string(server.port());
		http.proxy_port_int = server.port();
		serving = &server;
		give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
		PLT_gl_set_pre_swap_hook(stop_at_second_list, nullptr);
		drive.frame_at(0);
		VEDEZE_about();
		PLT_gl_set_pre_swap_hook(nullptr, nullptr);
		std::vector<std::string> const asked = server.requests();
		ASSERT_EQ(asked.size(), 2u);
		for (std::string const& r : asked) EXPECT_EQ(r.rfind("GET http://www.kestrin-research.example/serverlist.txt ", 0), 0u);
		EXPECT_EQ(about_state().err_msg, "Your version of Skyrell is up to date.");
		EXPECT_EQ(about_state().version_str_found, 0);
	});
}

namespace {

int frames_left = 0;

void stop_after_frames(void*)
{
	if (--frames_left <= 0) VEDEZE_startwind(0);
}

}  // namespace

TEST(AboutRoad, FailedListIsNotAskedForAgainAtOnce)
{
	IN_FRESH_PROCESS({
		// Each failure writes its report to the log: asked for at every frame,
		// an unreachable list would fill the disk while the box stays open.
		frame_driver drive;
		script_server server([](std::string const&) { return script_simple(reply("404 Not Found", "")); });
		http.proxy_host = "127.0.0.1";
		http.proxy_port = std::to_string(server.port());
		http.proxy_port_int = server.port();
		frames_left = 200;
		PLT_gl_set_pre_swap_hook(stop_after_frames, nullptr);
		drive.frame_at(0);
		VEDEZE_about();  // the clock stands still: no pause ends
		PLT_gl_set_pre_swap_hook(nullptr, nullptr);
		EXPECT_EQ(server.requests().size(), 1u);
		EXPECT_EQ(about_state().ins_state, 0);
		EXPECT_EQ(about_state().version_str_found, 0);
	});
}
