// The desktop dialogs: the chooser and the progress window through a
// stand-in helper first on PATH (the real spawning code runs), the message
// boxes through their seam, and the byte-order flips.
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/desktop_dialogs.h"
#include "shell/hl_dialog.h"
#include "support/alert_recorder.h"
#include "support/stand_in_helpers.h"

namespace {

struct StandInZenity : ::testing::Test {
	temp_dir dir;
	std::unique_ptr<stand_in_helpers> helpers;
	void SetUp() override { helpers.reset(new stand_in_helpers(dir.path())); }
	void TearDown() override { PLT_progress_close(); }
	void answer(std::string const& reply, int status) { helpers->answer(reply, status); }
	int runs() { return helpers->runs(); }
	std::string args(int run) { return helpers->args(run); }
	std::string input_once(int run, std::string const& expected) { return helpers->input_once(run, expected); }
	std::string folder(std::string const& name)
	{
		std::string const f = dir.path() + name;
		mkdir(f.c_str(), 0755);
		return f;
	}
};

std::vector<char> path_buffer(std::string const& text)
{
	std::vector<char> buf(PATH_MAX, 0);
	std::strcpy(buf.data(), text.c_str());
	return buf;
}

}  // namespace

TEST_F(StandInZenity, ChooserAnswersAndArguments)
{
	std::string const there = folder("there");
	std::string const there_slash = there + "/";
	std::string const a_file = dir.path() + "plain.txt";
	write_text_file(a_file, "x");
	std::string const long_ok = "/" + std::string(PATH_MAX - 2, 'a');  // fits with its end
	struct chooser_case {
		char const* what;
		int mode;
		char const* start;  // null for none
		std::string reply;
		int status;
		int result;
		std::string path;  // io_path afterwards
		std::string args;  // the helper's arguments
	} const cases[] = {
	    {"open", 0, nullptr, "/tmp/x/file.txt\n", 0, 1, "/tmp/x/file.txt",
	     "--file-selection\n--title=Pick one\n"},
	    {"blanks and quotes kept", 0, nullptr, "/tmp/a b/it's \"q\" $x.txt\n", 0, 1, "/tmp/a b/it's \"q\" $x.txt",
	     "--file-selection\n--title=Pick one\n"},
	    {"save proposes the name in the start folder", 1, there.c_str(), there + "/b747.ACF\n", 0, 1,
	     there + "/b747.ACF", "--file-selection\n--save\n--title=Pick one\n--filename=" + there + "/proposed name\n"},
	    {"folder, trailing slash dropped", 2, there_slash.c_str(), "/srv/games/\n", 0, 1, "/srv/games",
	     "--file-selection\n--directory\n--title=Pick one\n--filename=" + there + "/\n"},
	    {"a missing start folder is not passed", 2, "/no/such/folder", "/srv\n", 0, 1, "/srv",
	     "--file-selection\n--directory\n--title=Pick one\n"},
	    {"a file is no start folder", 0, a_file.c_str(), "/y\n", 0, 1, "/y",
	     "--file-selection\n--title=Pick one\n"},
	    // Only the helper's own line end goes: a name may hold line breaks and end in blanks.
	    {"line break and blanks in the name", 0, nullptr, "/tmp/a\nb  \n", 0, 1, "/tmp/a\nb  ",
	     "--file-selection\n--title=Pick one\n"},
	    {"cancel", 0, nullptr, "", 1, 0, "proposed name", ""},
	    {"failure after printing", 0, nullptr, "/tmp/x\n", 255, 0, "proposed name", ""},
	    {"status 0 without a path", 0, nullptr, "", 0, 0, "proposed name", ""},
	    {"longest path that fits", 0, nullptr, long_ok + "\n", 0, 1, long_ok, ""},
	    {"one byte too long", 0, nullptr, long_ok + "b\n", 0, 0, "proposed name", ""},
	};
	int run = 0;
	// Keys no earlier case of this process used (the chooser remembers the
	// last folder per key for the whole run): none inherits another's.
	static int key_base = 0;
	key_base += 1000;
	for (chooser_case const& c : cases) {
		SCOPED_TRACE(c.what);
		answer(c.reply, c.status);
		std::vector<char> buf = path_buffer("proposed name");
		EXPECT_EQ(GetFilePathFromUser(c.mode, "Pick one", "Take", key_base + run, c.start, buf.data()), c.result);
		EXPECT_EQ(std::string(buf.data()), c.path);
		++run;
		ASSERT_EQ(runs(), run);
		if (!c.args.empty()) {
			EXPECT_EQ(args(run), c.args);
		}
	}
}

TEST_F(StandInZenity, LastFolderIsRememberedPerKey)
{
	std::string const picked = folder("picked");
	std::string const other = folder("other");
	answer(picked + "/c172.acf\n", 0);
	std::vector<char> buf = path_buffer("");
	ASSERT_EQ(GetFilePathFromUser(0, "m", "", 7, nullptr, buf.data()), 1);

	// Same key: starts where the last one ended; another key: nowhere given.
	answer("", 1);
	EXPECT_EQ(GetFilePathFromUser(0, "m", "", 7, "/no/such/folder", buf.data()), 0);
	EXPECT_EQ(args(2), "--file-selection\n--title=m\n--filename=" + picked + "/\n");
	EXPECT_EQ(GetFilePathFromUser(0, "m", "", 8, nullptr, buf.data()), 0);
	EXPECT_EQ(args(3), "--file-selection\n--title=m\n");
	// An existing start folder wins over the remembered one.
	EXPECT_EQ(GetFilePathFromUser(0, "m", "", 7, other.c_str(), buf.data()), 0);
	EXPECT_EQ(args(4), "--file-selection\n--title=m\n--filename=" + other + "/\n");
	// A chosen folder is itself the place to start from next time.
	answer(other + "\n", 0);
	ASSERT_EQ(GetFilePathFromUser(2, "m", "", 9, nullptr, buf.data()), 1);
	answer("", 1);
	std::vector<char> name = path_buffer("new.txt");
	EXPECT_EQ(GetFilePathFromUser(1, "m", "", 9, nullptr, name.data()), 0);
	EXPECT_EQ(args(6), "--file-selection\n--save\n--title=m\n--filename=" + other + "/new.txt\n");
	EXPECT_STREQ(name.data(), "new.txt");
}

TEST_F(StandInZenity, MissingHelperIsACancel)
{
	setenv("PATH", (dir.path() + "empty").c_str(), 1);
	std::vector<char> buf = path_buffer("kept");
	EXPECT_EQ(GetFilePathFromUser(2, "m", "Update", 1, nullptr, buf.data()), 0);
	EXPECT_STREQ(buf.data(), "kept");
	float p = 0.5f;
	EXPECT_EQ(ShowProgressMessage("Working", &p), ENOENT);
}

TEST_F(StandInZenity, ProgressWindowLinesAndRestarts)
{
	unsigned char const phase = ShowProgressMessage_phase;
	float half = 0.5f, almost = 0.999f, over = 3.0f, none = -1.0f;
	EXPECT_EQ(ShowProgressMessage("Only\ntext", nullptr), 0);
	EXPECT_EQ(ShowProgressMessage("Half", &half), 0);
	EXPECT_EQ(ShowProgressMessage("Nearly", &almost), 0);
	EXPECT_EQ(ShowProgressMessage("Past the end", &over), 0);
	EXPECT_EQ(static_cast<unsigned char>(ShowProgressMessage_phase - phase), 3);
	EXPECT_EQ(input_once(1, "#Only text\n#Half\n50\n#Nearly\n99\n#Past the end\n100\n"),
	          "#Only text\n#Half\n50\n#Nearly\n99\n#Past the end\n100\n");
	// An indeterminate bar needs a helper of its own, and a bar again another.
	EXPECT_EQ(ShowProgressMessage("Waiting", &none), 0);
	EXPECT_EQ(ShowProgressMessage("Still waiting", nullptr), 0);
	EXPECT_EQ(input_once(2, "#Waiting\n#Still waiting\n"), "#Waiting\n#Still waiting\n");
	EXPECT_EQ(ShowProgressMessage("Back", &half), 0);
	EXPECT_EQ(input_once(3, "#Back\n50\n"), "#Back\n50\n");
	PLT_progress_close();

	ASSERT_EQ(runs(), 3);
	EXPECT_EQ(args(1), "--progress\n--title=Installer/Updater\n--no-cancel\n");
	EXPECT_EQ(args(2), "--progress\n--title=Installer/Updater\n--no-cancel\n--pulsate\n");
	EXPECT_EQ(args(3), "--progress\n--title=Installer/Updater\n--no-cancel\n");
}

TEST_F(StandInZenity, ClosedProgressWindowIsStartedAgain)
{
	// A helper that ends at once stands for a window the user closed.
	write_text_file(helpers->bin() + "zenity", "#!/bin/sh\nexec 0<&-\nexit 0\n");
	float half = 0.5f;
	// Updates go into the pipe until the helper has ended; then they fail.
	int first = 0;
	for (int k = 0; k < 10000 && first == 0; ++k) {
		first = ShowProgressMessage("x", &half);
		if (!first) usleep(1000);
	}
	EXPECT_EQ(first, EPIPE);  // reported, and the program still runs
	SetUp();                   // the recording stand-in again
	EXPECT_EQ(ShowProgressMessage("again", &half), 0);
	EXPECT_EQ(input_once(1, "#again\n50\n"), "#again\n50\n");
}

// ---- message boxes ----------------------------------------------------------

namespace {

std::vector<PLT_message_box_request> boxes;
int box_answer = 0;
int record_box(PLT_message_box_request const& r)
{
	boxes.push_back(r);
	return box_answer;
}

}  // namespace

TEST(MessageBoxes, ConfirmIsYesOnlyForTheYesButton)
{
	PLT_set_message_box(record_box);
	struct confirm_case {
		int hit;
		int result;
	} const cases[] = {{0, 1}, {1, 0}, {-1, 0}};
	for (confirm_case const& c : cases) {
		boxes.clear();
		box_answer = c.hit;
		EXPECT_EQ(ConfirmMessage("Replace it?", "Replace", "Keep"), c.result) << c.hit;
		ASSERT_EQ(boxes.size(), 1u);
		EXPECT_EQ(boxes[0].kind, PLT_box_caution);
		EXPECT_EQ(boxes[0].text, "Replace it?");
		EXPECT_EQ(boxes[0].buttons, (std::vector<std::string>{"Replace", "Keep"}));
	}
	PLT_set_message_box(nullptr);
}

TEST(MessageBoxes, TextsAreCutTo255)
{
	PLT_set_message_box(record_box);
	std::string const long_text(300, 'm');
	// A cut through a two-byte character drops all of it.
	std::string const accented = std::string(254, 'e') + "\xc3\xa9" + "tail";
	boxes.clear();
	box_answer = 0;
	EXPECT_EQ(DoUserAlert(long_text.c_str()), 0);
	EXPECT_EQ(ConfirmMessage(long_text.c_str(), accented.c_str(), long_text.c_str()), 1);
	ASSERT_EQ(boxes.size(), 2u);
	EXPECT_EQ(boxes[0].kind, PLT_box_stop);
	EXPECT_EQ(boxes[0].text, std::string(255, 'm'));
	EXPECT_EQ(boxes[0].buttons, std::vector<std::string>{"OK"});
	EXPECT_EQ(boxes[1].buttons[0], std::string(254, 'e'));
	EXPECT_EQ(boxes[1].buttons[1], std::string(255, 'm'));

	box_answer = -1;
	EXPECT_EQ(DoUserAlert("not shown"), -1);
	PLT_set_message_box(nullptr);
}

TEST(MessageBoxes, NoDisplayAnswersNoWithoutWaiting)
{
	// The test environment has no display: the real box refuses at once.
	PLT_set_message_box(nullptr);
	EXPECT_EQ(ConfirmMessage("Really?", "Yes", "No"), 0);
	EXPECT_EQ(DoUserAlert("Nobody to see this"), -1);
}

TEST(EndianFlips, ReverseTheBytesAndBackAgain)
{
	struct short_case {
		short in, out;
	} const shorts[] = {{0x1234, 0x3412}, {0x00ff, -256}, {-1, -1}, {0, 0}};
	for (short_case const& c : shorts) {
		short v = c.in;
		EndianFlipShort(&v);
		EXPECT_EQ(v, c.out) << c.in;
		EndianFlipShort(&v);
		EXPECT_EQ(v, c.in);
	}
	struct long_case {
		long in, out;
	} const longs[] = {
	    {0x12345678L, 0x78563412L},
	    {0x000000ffL, -0x01000000L},  // the new top byte is the sign
	    {-2L, static_cast<long>(static_cast<int32_t>(0xfeffffffu))},
	    {0x7f000080L, static_cast<long>(static_cast<int32_t>(0x8000007fu))},
	};
	for (long_case const& c : longs) {
		long v = c.in;
		EXPECT_EQ(EndianFlipLong(&v), c.out) << c.in;
		EXPECT_EQ(v, c.out);
		EndianFlipLong(&v);
		EXPECT_EQ(v, c.in);
	}
}
