// The installer road in process, through the program's own per-frame update:
// real frames (offscreen), clicks that wait for their window, the builder's
// set served by nginx. Installing gives the master's tree; declining leaves
// the destination as it was; a new destination after a failed install gets
// nothing of the old one.
#include "road_fixture.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "shell/app_callbacks.h"
#include "support/stand_in_helpers.h"

void APP_handlemenu(int) {}
void APP_handlekey(int, int) {}

namespace {

using RoadTest = road::road_test;
using road::click_script;

// Requests for file archives (anything but the directory archive).
int archives_fetched(std::string const& access_log)
{
	int n = 0;
	size_t start = 0;
	while (start < access_log.size()) {
		size_t end = access_log.find('\n', start);
		if (end == std::string::npos) end = access_log.size();
		std::string const line = access_log.substr(start, end - start);
		if (line.find(".zip") != std::string::npos && line.find("/directory.txt.zip") == std::string::npos) ++n;
		start = end + 1;
	}
	return n;
}

mode_t current_umask()
{
	mode_t const mask = umask(022);
	umask(mask);
	return mask;
}

bool slot_archives_left(std::string const& tmp)
{
	for (int k = 0; k < 4; k++)
		if (file_exists(tmp + std::to_string(k) + ".zip")) return true;
	return false;
}

TEST_F(RoadTest, DeclineLeavesTheDestinationAsItWasAndAgreeInstallsTheMaster)
{
	std::string const chosen = dir.path() + "inst/";
	builder_test::put_folder(chosen);
	dest_dir_path = chosen;
	check_dest_path();
	ASSERT_EQ(dest_dir_path, chosen + "Skyrell/");

	ASSERT_TRUE(main_screen_ready()) << log_text();
	EXPECT_EQ(install_name, road::kRelease);
	EXPECT_EQ(status_line().text.rfind("To make the download a LOT faster", 0), 0u);
	std::string line[3];
	int col = 0;
	stage_messages(line, &col);
	EXPECT_EQ(line[2], "You may install at will.");
	EXPECT_EQ(wrl_i, 21);
	shot("road_main_screen");

	// Declined: no folder made, nothing fetched, back on the main screen.
	script.clicks = {road::install_button(), road::decline_button()};
	ASSERT_TRUE(frames_until([&] { return script.clicks.empty(); }, 20));
	frames_until([] { return false; }, 0.2);
	EXPECT_EQ(stg.install_stage, 0);
	EXPECT_EQ(mnw.cur_win, 0);
	EXPECT_TRUE(road::tree_of(chosen).empty()) << road::tree_diff({}, road::tree_of(chosen));
	EXPECT_EQ(archives_fetched(web->access_log()), 0);

	// Agreed: the install runs to its end.
	script.clicks = {road::install_button(), road::agree_button()};
	bool saw_installing = false, icon_in_range = true;
	ASSERT_TRUE(frames_until([&] {
		if (stg.install_stage == 1) {
			saw_installing = true;
			icon_in_range = icon_in_range && wrl_i >= 8 && wrl_i <= 23;
		}
		return stg.install_stage == 2;
	})) << log_text();
	EXPECT_TRUE(saw_installing);
	EXPECT_TRUE(icon_in_range);
	EXPECT_EQ(stg.install_error, 0);
	EXPECT_EQ(next.finished, 1);
	EXPECT_EQ(status_line().text, "INSTALLATION COMPLETE!");
	EXPECT_EQ(status_line().col, 13);
	stage_messages(line, &col);
	EXPECT_EQ(line[0], "INSTALLATION COMPLETE!");
	shot("road_complete");

	// The destination took the release's name and holds the master.
	EXPECT_EQ(dest_dir_path, chosen + road::kRelease + "/");
	road::tree const want = road::expected_install(master), got = road::tree_of(dest_dir_path);
	EXPECT_EQ(want, got) << road::tree_diff(want, got);
	EXPECT_FALSE(slot_archives_left(tmp));
	EXPECT_FALSE(file_exists(tmp + "directory.txt.zip"));
	EXPECT_NE(log_text().find("EXPANDING file " + chosen + "Skyrell/skyrell-x86, with result=0.\n"),
	          std::string::npos);
	// The program keeps its execute bits; the other files stay plain.
	struct stat st;
	ASSERT_EQ(stat((dest_dir_path + "skyrell-x86").c_str(), &st), 0);
	EXPECT_EQ(st.st_mode & 0111, 0111 & ~current_umask());
	EXPECT_NE(st.st_mode & 0100, 0u);
	ASSERT_EQ(stat((dest_dir_path + "Instructions/manual.txt").c_str(), &st), 0);
	EXPECT_EQ(st.st_mode & 0111, 0u);
}

// A destination whose folders cannot be made (here a file stands where a
// folder goes; the tests run as root, so modes would not stop them): after
// the agreement one alert names the first folder, nothing is fetched, and
// the install ends with the error texts.
TEST_F(RoadTest, AnUnwritableDestinationEndsWithOneAlert)
{
	builder_test::put_file(dir.path() + "blocker", "a file, not a folder");
	dest_dir_path = dir.path() + "blocker/Skyrell/";
	ASSERT_TRUE(main_screen_ready()) << log_text();
	size_t const before = recorded_alerts().size();
	script.clicks = {road::install_button(), road::agree_button()};
	ASSERT_TRUE(install_ended()) << log_text();
	frames_until([] { return false; }, 0.2);
	ASSERT_EQ(recorded_alerts().size(), before + 1);
	recorded_alert const& a = recorded_alerts().back();
	EXPECT_EQ(a.msg1, "I am unable to install or update Skyrell. An error occurred while creating new folders. Make "
	                  "sure you are installing to a directory that you have access to!");
	EXPECT_EQ(a.msg4, "Install Path:" + dir.path() + "blocker/Skyrell");
	EXPECT_EQ(stg.install_error, 1);
	EXPECT_EQ(archives_fetched(web->access_log()), 0);
	std::string line[3];
	int col = 0;
	stage_messages(line, &col);
	EXPECT_EQ(line[0], "The installation was not completed because an error occurred.");
	EXPECT_EQ(col, 68);
}

// A large directory file is read a slice per frame: the frames go on with the
// panel showing, and the quit button ends the program in the middle of it.
TEST_F(RoadTest, QuitAnswersWhileALargeDirectoryIsRead)
{
	dest_dir_path = dir.path() + "inst/";
	builder_test::put_folder(dest_dir_path);
	int const lines = 200000;
	std::string body = "I\n840 version\nINSTALLER\n\nDIR All/\n";
	for (int i = 0; i < lines; ++i) body += "FILE 0 0 1 1 1 GONE f" + std::to_string(i) + "\n";
	write_text_file(tmp + "directory.txt", body);
	stg.server_count = 1;  // the list is read; the archive is expanded
	stg.dir_state = 1;

	ASSERT_TRUE(frames_until([] { return dir_read.units > 0; }, 20)) << log_text();
	EXPECT_EQ(stg.dir_state, 1);
	shot("road_reading_directory");
	script.clicks = {{0, 985, 89}};  // the quit button
	ASSERT_TRUE(frames_until([] { return app_done == 1; }, 20));
	EXPECT_EQ(stg.dir_state, 1);  // ended in the middle of the read
	EXPECT_LT(sim_info.size(), static_cast<size_t>(lines));
	EXPECT_EQ(stg.install_stage, 2);
	EXPECT_TRUE(recorded_alerts().empty());
	dir_read = dir_read_struct();
}

// An existing copy that already holds one file of the release, and an
// install into it that fails; a new destination then gets the whole master
// (the file the old copy had included) from its own fetches, and the old copy
// nothing more.
TEST_F(RoadTest, NewDestinationAfterAFailedInstallGetsNothingOfTheOldOne)
{
	std::string const first = dir.path() + "first/", second = dir.path() + "second/";
	for (char const* d : {"Instructions/", "Output/", "Resources/"}) builder_test::put_folder(first + d);
	builder_test::put_file(first + "Airfoils/naca.afl", read_text_file(master + "All/Airfoils/naca.afl"));
	builder_test::put_folder(second);
	dest_dir_path = first;
	check_dest_path();
	ASSERT_EQ(dest_dir_path, first);
	ASSERT_TRUE(main_screen_ready()) << log_text();

	// One archive missing from both servers ends the install with an error.
	std::string const archive = set_fold + "Linux Generic x86/skyrell-x86.zip";
	ASSERT_EQ(std::rename(archive.c_str(), (archive + ".away").c_str()), 0);
	script.clicks = {road::install_button(), road::agree_button()};
	ASSERT_TRUE(install_ended()) << log_text();
	ASSERT_EQ(stg.install_error, 1);
	EXPECT_EQ(next.finished, 0);
	road::tree const old_tree = road::tree_of(first);
	EXPECT_NE(old_tree.count("Instructions/manual.txt"), 0u) << road::tree_diff({}, old_tree);
	EXPECT_EQ(old_tree.count("skyrell-x86"), 0u);
	ASSERT_EQ(std::rename((archive + ".away").c_str(), archive.c_str()), 0);

	// The new destination is examined afresh: the whole set is wanted again.
	stand_in_helpers helpers(dir.path());
	helpers.answer(second + "\n", 0);
	script.clicks = {road::destination_button()};
	ASSERT_TRUE(frames_until([&] { return script.clicks.empty(); }, 20));
	ASSERT_TRUE(main_screen_ready()) << log_text();
	EXPECT_EQ(dest_dir_path, second + "Skyrell/");
	EXPECT_EQ(stg.install_stage, 0);
	EXPECT_EQ(stg.install_error, 0);

	script.clicks = {road::install_button(), road::agree_button()};
	ASSERT_TRUE(install_ended()) << log_text();
	EXPECT_EQ(stg.install_error, 0);
	EXPECT_EQ(status_line().text, "INSTALLATION COMPLETE!");
	EXPECT_EQ(dest_dir_path, second + road::kRelease + "/");
	road::tree const want = road::expected_install(master), got = road::tree_of(dest_dir_path);
	EXPECT_EQ(want, got) << road::tree_diff(want, got);
	road::tree const old_now = road::tree_of(first);
	EXPECT_EQ(old_tree, old_now) << road::tree_diff(old_tree, old_now);
	EXPECT_FALSE(slot_archives_left(tmp));
}

}  // namespace
