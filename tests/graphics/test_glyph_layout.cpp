// Where strings and numbers put their glyphs: the grid, the widths, the pen
// and the word wrap, and the digit cells of numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "graphics/oglp_glyph.h"

namespace {

// "x,y:col.row" per quad, so a failing case shows where each glyph went.
std::string show(std::vector<glyph_quad_struct> const& quads)
{
	std::ostringstream s;
	for (auto const& q : quads) s << q.x << "," << q.y << ":" << q.cell.col << "." << q.cell.row << " ";
	return s.str();
}

}  // namespace

TEST(GlyphGrid, CellsAndWidthsByUnsignedByte)
{
	struct {
		unsigned char byte;
		int col, row, width;
	} const cases[] = {
	    {' ', 0, 0, 4},   {'0', 1, 0, 6},   {'9', 10, 0, 6},  {'A', 11, 0, 7},  {'e', 20, 0, 6},
	    {'F', 0, 1, 5},   {'P', 20, 1, 6},  {'p', 0, 2, 6},   {'z', 20, 2, 6},  {'!', 0, 3, 3},
	    {'@', 1, 3, 9},   {'\\', 17, 3, 6}, {';', 20, 3, 3},  {'<', 0, 4, 7},   {'.', 1, 4, 2},
	    {',', 3, 4, 2},   {'`', 6, 4, 3},   {0xFB, 7, 4, 3},  {0xC1, 8, 4, 6},  {0xBF, 20, 4, 6},
	    {'M', 14, 1, 9},  {'m', 15, 1, 8},  {'W', 13, 2, 9},  {'I', 6, 1, 3},   {'f', 1, 1, 4},
	    {'"', 0, 0, 0},   {'{', 0, 0, 0},   {'}', 0, 0, 0},   {'~', 0, 0, 0},   {0, 0, 0, 0},
	    {0x80, 0, 0, 0},  {0xFF, 0, 0, 0},  {0xE9, 11, 4, 6},
	};
	for (auto const& c : cases) {
		SCOPED_TRACE(static_cast<int>(c.byte));
		glyph_cell_struct const cell = OGL_glyph_cell(c.byte);
		EXPECT_EQ(cell.col, c.col);
		EXPECT_EQ(cell.row, c.row);
		EXPECT_EQ(OGL_glyph_width(c.byte), c.width);
	}
}

TEST(GlyphGrid, FontTable)
{
	struct {
		int font, tex;
		float s0, cw, ch;
		int advance, bytes;
	} const cases[] = {
	    {100, 363, 0, 8, 11, 0, 1},
	    {101, 363, 168, 8, 11, 6, 1},
	    {102, 363, 168, 8, 11, 10, 1},
	    {103, 367, 0, 13, 13, 15, 2},
	};
	for (auto const& c : cases) {
		font_spec_struct const* f = OGL_font_spec(c.font);
		ASSERT_NE(f, nullptr) << c.font;
		EXPECT_EQ(f->tex, c.tex);
		EXPECT_EQ(f->s0, c.s0);
		EXPECT_EQ(f->t0, 0.0f);
		EXPECT_EQ(f->cw, c.cw);
		EXPECT_EQ(f->ch, c.ch);
		EXPECT_EQ(f->advance, c.advance);
		EXPECT_EQ(f->bytes, c.bytes);
	}
	EXPECT_EQ(OGL_font_spec(99), nullptr);
	EXPECT_EQ(OGL_font_spec(104), nullptr);
}

TEST(GlyphLayout, StartRoundsHalfAwayFromZeroAndDropsTwo)
{
	struct {
		float x, y, x0, y0;
	} const cases[] = {{10.5f, 20.5f, 11, 19}, {10.49f, 20.2f, 10, 18}, {-3.5f, -0.5f, -4, -3}};
	for (auto const& c : cases) {
		float x0 = 0, y0 = 0;
		OGL_text_start(c.x, c.y, &x0, &y0);
		EXPECT_EQ(x0, c.x0) << c.x;
		EXPECT_EQ(y0, c.y0) << c.y;
	}
}

TEST(GlyphLayout, Strings)
{
	// Each case starts at (100, 50).
	struct {
		char const* name;
		int font;
		std::string text;
		float width;
		char const* quads;
	} const cases[] = {
	    {"font 101 steps 6 whatever the byte", 101, "Ab\"~\xE9", 9999,
	     "100,50:11.0 106,50:14.0 112,50:0.0 118,50:0.0 124,50:11.4 "},
	    {"font 102 steps 10", 102, "\xBF\xFB.", 9999, "100,50:20.4 110,50:7.4 120,50:1.4 "},
	    {"font 100 proportional", 100, "Wi lm", 9999,
	     "100,50:13.2 109,50:7.1 112,50:0.0 116,50:13.1 119,50:15.1 "},
	    {"quote, braces and tilde: space cell, no advance", 100, "a\"{}~b", 9999,
	     "100,50:12.0 106,50:0.0 106,50:0.0 106,50:0.0 106,50:0.0 106,50:14.0 "},
	    {"high bytes in font 100", 100, "\xFB\xBF" "a", 9999, "100,50:7.4 103,50:20.4 109,50:12.0 "},
	    {"CR and TAB draw nothing and keep the pen", 101, "a\r\tb", 9999, "100,50:12.0 106,50:14.0 "},
	    {"CR and TAB with wrap on too", 101, "a\r\tb", 100, "100,50:12.0 106,50:14.0 "},
	    {"LF without wrap", 101, "a\nb", 9999, "100,50:12.0 106,50:14.0 "},
	    {"LF with wrap", 101, "a\nb\nc", 100, "100,50:12.0 100,40:14.0 100,30:16.0 "},
	    {"next word passes x0 + width", 101, "ab cdef", 30,
	     "100,50:12.0 106,50:14.0 112,50:0.0 100,40:16.0 106,40:18.0 112,40:20.0 118,40:1.1 "},
	    {"next word ends exactly at x0 + width", 101, "ab cd", 30,
	     "100,50:12.0 106,50:14.0 112,50:0.0 118,50:16.0 124,50:18.0 "},
	    {"the hyphen ends its own line", 101, "ab-cdef", 30,
	     "100,50:12.0 106,50:14.0 112,50:10.3 100,40:16.0 106,40:18.0 112,40:20.0 118,40:1.1 "},
	    {"slash and colon break too", 101, "a/bcdef:gh", 30,
	     "100,50:12.0 106,50:5.4 100,40:14.0 106,40:16.0 112,40:18.0 118,40:20.0 124,40:1.1 "
	     "130,40:19.3 100,30:3.1 106,30:5.1 "},
	    {"estimate is 6 per byte whatever the font's step", 102, "a bcd", 40,
	     "100,50:12.0 110,50:0.0 120,50:14.0 130,50:16.0 140,50:18.0 "},
	    {"a break right after a break tests the pen alone", 101, "a -b", 5,
	     "100,50:12.0 106,50:0.0 100,40:10.3 100,30:14.0 "},
	    {"NUL is a break and a space cell", 101, std::string("a\0bc", 4), 10,
	     "100,50:12.0 106,50:0.0 100,40:14.0 106,40:16.0 "},
	    {"no wrap at 9999", 101, "ab cdef", 9999,
	     "100,50:12.0 106,50:14.0 112,50:0.0 118,50:16.0 124,50:18.0 130,50:20.0 136,50:1.1 "},
	    {"font 103: two bytes, index b1 + 127 b0 - 128", 103, "\x01\x05\x02\x50", 9999,
	     "100,50:4.0 115,50:6.5 "},
	    {"font 103: CR consumes two bytes", 103, "\r\x01\x01\x05", 9999, "100,50:4.0 "},
	    {"empty", 100, "", 9999, ""},
	};
	for (auto const& c : cases) {
		EXPECT_EQ(show(OGL_layout_string(c.font, 100, 50, c.text, c.width)), c.quads) << c.name;
	}
}

TEST(GlyphLayout, Numbers)
{
	float const inf = std::numeric_limits<float>::infinity();
	// First digit cell at (100, 50), step 6: the pen starts at 94.
	struct {
		char const* name;
		float value;
		int digits, decimals;
		char const* quads;
	} const cases[] = {
	    {"12.5 as 012.5", 12.5f, 4, 1,
	     "115,50:1.4 100,50:1.0 106,50:2.0 112,50:3.0 118,50:6.0 "},
	    {"commas before the second and fifth cells", 1234567, 7, 0,
	     "121,50:3.4 103,50:3.4 100,50:2.0 106,50:3.0 112,50:4.0 118,50:5.0 124,50:6.0 "
	     "130,50:7.0 136,50:8.0 "},
	    {"too long: 1.23 x 5", 123456, 4, 0,
	     "105,49:1.4 100,50:2.0 106,50:3.0 112,50:4.0 118,50:16.2 124,50:6.0 "},
	    {"exponent above 9 shows 0", 1e12f, 4, 0,
	     "105,49:1.4 100,50:2.0 106,50:1.0 112,50:1.0 118,50:16.2 124,50:1.0 "},
	    {"minus when the scaled size passes 0.1", -0.04f, 3, 1,
	     "95,50:10.3 109,50:1.4 100,50:1.0 106,50:1.0 112,50:1.0 "},
	    {"no minus below", -0.001f, 3, 1, "109,50:1.4 100,50:1.0 106,50:1.0 112,50:1.0 "},
	    {"eleven digits", 17179869184.0f, 11, 0,
	     "145,50:3.4 127,50:3.4 109,50:3.4 100,50:2.0 106,50:8.0 112,50:2.0 118,50:8.0 124,50:10.0 "
	     "130,50:9.0 136,50:7.0 142,50:10.0 148,50:2.0 154,50:9.0 160,50:5.0 "},
	    {"more than eleven cells asked: eleven drawn", 5, 13, 0,
	     "157,50:3.4 139,50:3.4 121,50:3.4 100,50:1.0 106,50:1.0 112,50:1.0 118,50:1.0 "
	     "124,50:1.0 130,50:1.0 136,50:1.0 142,50:1.0 148,50:1.0 154,50:1.0 160,50:6.0 "},
	    {"NaN draws 0", std::numeric_limits<float>::quiet_NaN(), 2, 0, "100,50:1.0 106,50:1.0 "},
	    {"infinity draws 0", inf, 2, 0, "100,50:1.0 106,50:1.0 "},
	    {"minus infinity draws 0 without a minus", -inf, 2, 0, "100,50:1.0 106,50:1.0 "},
	};
	for (auto const& c : cases) {
		EXPECT_EQ(show(OGL_layout_number(100, 50, 6, c.value, c.digits, c.decimals)), c.quads) << c.name;
	}
	// Counts at the ends of int: the cells between them are no int sum (the
	// sanitizer run catches one), and a value scaled to nothing shows zeros.
	int const big = std::numeric_limits<int>::max(), small = std::numeric_limits<int>::min();
	for (auto const& counts : {std::make_pair(2, small), std::make_pair(big, -1)}) {
		std::vector<glyph_quad_struct> const quads = OGL_layout_number(100, 50, 6, 5, counts.first, counts.second);
		int zeros = 0;
		for (auto const& q : quads) zeros += q.cell.col == 1 && q.cell.row == 0;
		EXPECT_EQ(zeros, counts.first == big ? 10 : 2) << counts.first;
	}
}

// A path is bytes of UTF-8: the fit keeps its start and end, within the
// width, and never cuts a character in two (half of one would draw as some
// other letter of the font's own bytes).
TEST(GlyphLayout, FitMiddleKeepsWholeCharacters)
{
	// Byte i of s is inside a character when it continues a lead byte before it.
	auto cut_inside = [](std::string const& s, size_t i) {
		if (i == 0 || i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return false;
		for (size_t back = 1; back <= 3 && back <= i; ++back) {
			unsigned char const b = static_cast<unsigned char>(s[i - back]);
			if ((b & 0xC0) == 0x80) continue;
			size_t const len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
			return back < len;
		}
		return false;
	};
	auto repeat = [](std::string const& unit, int n) {
		std::string s;
		for (int i = 0; i < n; ++i) s += unit;
		return s;
	};
	struct {
		char const* name;
		std::string text;
		float width;
	} const cases[] = {
	    {"fits whole", "/home/pilot/Skyrell/", 286},
	    {"plain letters", "/home/" + repeat("pilot/", 60) + "Skyrell/", 286},
	    {"two-byte letters with widths", "/" + repeat("\xC2\xBF\xC3\x81", 80) + "/Skyrell/", 286},
	    {"three-byte letters with a wide lead", "/" + repeat("\xE9\x83\xA8", 90) + "/Skyrell/", 286},
	    {"three-byte letters, odd room", "/" + repeat("\xE9\x83\xA8" "a", 90) + "/Skyrell/", 101},
	    {"four-byte letters", "/" + repeat("\xF0\x9F\x9B\xA9" "\xC3\x89", 70) + "/Skyrell/", 150},
	    {"lone high bytes, not UTF-8", "/" + repeat("\xBF", 200) + "/Skyrell/", 286},
	};
	for (auto const& c : cases) {
		std::string const fit = OGL_fit_middle(c.text, c.width);
		EXPECT_LE(OGL_text_width(fit), c.width) << c.name;
		size_t const dots = fit == c.text ? std::string::npos : fit.find("...");
		if (OGL_text_width(c.text) <= c.width) {
			EXPECT_EQ(fit, c.text) << c.name;
			continue;
		}
		ASSERT_NE(dots, std::string::npos) << c.name;
		size_t const head = dots, tail = c.text.size() - (fit.size() - dots - 3);
		EXPECT_EQ(fit.substr(0, head), c.text.substr(0, head)) << c.name;
		EXPECT_EQ(fit.substr(dots + 3), c.text.substr(tail)) << c.name;
		EXPECT_FALSE(cut_inside(c.text, head)) << c.name << ": the start ends inside a character";
		EXPECT_FALSE(cut_inside(c.text, tail)) << c.name << ": the end starts inside a character";
		EXPECT_GE(c.text.size() - tail, head) << c.name << ": the end keeps the larger part";
	}
}
