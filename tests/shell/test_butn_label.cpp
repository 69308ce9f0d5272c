// Label parts and the placing of a label's lines. Widths in the proportional
// font are written out by hand: "Operating System" is 87 wide, "to download" 61.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/butn.h"

TEST(ButnLabel, SplitsIntoLeftRightAndHelp)
{
	struct row {
		char const* label;
		char const* left;
		char const* right;
		char const* help;
	} const rows[] = {
	    {"|Portuguese", "", "Portuguese", ""},
	    {"L|R{xhelp", "L", "R", "help"},
	    {"a|b|c", "a|b", "c", ""},          // the last bar splits
	    {"plain", "plain", "", ""},
	    {"Speed{?How fast", "Speed", "", "How fast"},
	    {"ab{", "ab", "", ""},              // nothing after the brace: no help, no overrun
	    {"ab{x", "ab", "", ""},
	    {"", "", "", ""},
	};
	for (row const& r : rows) {
		std::string left = "?", right = "?", help = "?";
		BTN_expand_label(r.label, &left, &right, &help);
		EXPECT_EQ(left, r.left) << r.label;
		EXPECT_EQ(right, r.right) << r.label;
		EXPECT_EQ(help, r.help) << r.label;
	}
}

TEST(ButnLabel, WrapsLongTextNearItsMiddleAndAligns)
{
	using lines = std::vector<BTN_label_line>;
	struct row {
		char const* text;
		int align;
		lines want;
	} const rows[] = {
	    // 28 characters: the blank at 16 is nearest to 14; the block moves up 5.
	    {"Operating System to download", 0, {{"Operating System", 13, 105}, {"to download", 39, 95}}},
	    {"Operating System to download", 2, {{"Operating System", 100, 105}, {"to download", 100, 95}}},
	    // A leading "-" is dropped and keeps the text on one line.
	    {"-Operating System to download", 0, {{"Operating System to download", -52, 100}}},
	    // Align 1 never wraps; it drops the "-" too.
	    {"Operating System to download", 1, {{"Operating System to download", 100, 100}}},
	    {"-ab", 1, {{"ab", 100, 100}}},
	    // A tie between the blanks at 5 and 9 (n / 2 = 7) takes the earlier.
	    {"aaaaa bbb ccccc", 2, {{"aaaaa", 100, 105}, {"bbb ccccc", 100, 95}}},
	    // "-" and "/" break as well; the break character is not drawn.
	    {"Install/Update now", 2, {{"Install", 100, 105}, {"Update now", 100, 95}}},
	    // 12 characters stay whole; 13 wrap.
	    {"abcdef ghijk", 2, {{"abcdef ghijk", 100, 100}}},
	    {"abcdef ghijkl", 2, {{"abcdef", 100, 105}, {"ghijkl", 100, 95}}},
	    // The only break is the last character: outside 1 .. n - 2.
	    {"abcdefghijklm ", 2, {{"abcdefghijklm ", 100, 100}}},
	    {"", 0, {}},
	    {"Any", 3, {}},
	};
	for (row const& r : rows) {
		SCOPED_TRACE(std::string(r.text) + " align " + std::to_string(r.align));
		lines const got = BTN_label_layout(100, 100, r.align, r.text);
		ASSERT_EQ(got.size(), r.want.size());
		for (size_t i = 0; i < got.size(); ++i) {
			EXPECT_EQ(got[i].text, r.want[i].text);
			EXPECT_FLOAT_EQ(got[i].x, r.want[i].x);
			EXPECT_FLOAT_EQ(got[i].y, r.want[i].y);
		}
	}
}
