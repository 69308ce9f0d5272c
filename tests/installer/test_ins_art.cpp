// The built-in images as embedded: sizes, transparency where screens expect
// it, every cell of the layout painted and nothing outside the cells, glyphs
// inside their advance, the colour scheme and its contrast, and a generator
// that gives the same bytes every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/oglp_glyph.h"
#include "ins_art_layout.h"
#include "installer/ins_art.h"
#include "support/alert_recorder.h"

using namespace ins_art;

namespace {

struct image {
	unsigned char const* begin;
	unsigned char const* end;
	image_size size;
	char const* file;
	unsigned char const* px(int s, int t) const { return begin + (size_t(t) * size.w + s) * 4; }
	int alpha(int s, int t) const { return px(s, t)[3]; }
};
image const k_images[] = {
	{t_installer_dat, t_installer_dat_end, k_installer, "t_installer"},
	{t_ins_back_1_dat, t_ins_back_1_dat_end, k_back_1, "t_ins_back_1"},
	{t_ins_back_2_dat, t_ins_back_2_dat_end, k_back_2, "t_ins_back_2"},
	{t_interface_dat, t_interface_dat_end, k_interface, "t_interface"},
};
image const& installer() { return k_images[0]; }
image const& back_1() { return k_images[1]; }
image const& interface() { return k_images[3]; }

bool any_ink(image const& im, int s, int t, int w, int h)
{
	for (int y = t; y < t + h; ++y)
		for (int x = s; x < s + w; ++x)
			if (im.alpha(x, y)) return true;
	return false;
}

// Every rectangle that may hold art, per atlas.
struct box { std::string name; int s, t, w, h; };
std::vector<box> boxes_363()
{
	std::vector<box> out;
	for (cell const& c : k_cells_363) out.push_back({c.name, c.s, c.t, c.w, c.h});
	for (int font : {100, 101}) {
		font_spec_struct const& f = *OGL_font_spec(font);
		for (int r = 0; r < 5; ++r)
			for (int col = 0; col < 21; ++col)
				out.push_back({"glyph cell " + std::to_string(col) + "," + std::to_string(r) + " of font " + std::to_string(font),
				               int(f.s0 + col * f.cw), int(f.t0 + r * f.ch), int(f.cw), int(f.ch)});
	}
	for (sample_pixel const& p : k_samples) out.push_back({"swatch " + std::to_string(p.colour), p.s - 3, p.t - 3, 7, 7});
	return out;
}
std::vector<box> boxes_364()
{
	std::vector<box> out;
	for (cell const& c : k_cells_364) {
		if (c.k != kind::button) {
			out.push_back({c.name, c.s, c.t, c.w, c.h});
			continue;
		}
		for (int state = 0; state < 3; ++state)
			out.push_back({std::string(c.name) + " state " + std::to_string(state), c.s, button_state_t(c, state), c.w, c.h});
	}
	for (int i = 0; i < k_icon_count; ++i) out.push_back({"icon " + std::to_string(i), icon_s(i), icon_t(i), k_icon_size, k_icon_size});
	return out;
}

bool overlaps(box const& a, box const& b)
{
	return a.s < b.s + b.w && b.s < a.s + a.w && a.t < b.t + b.h && b.t < a.t + a.h;
}

// Relative luminance and contrast ratio of sRGB colours.
double lum(unsigned char const* p)
{
	auto lin = [](unsigned char v) {
		double c = v / 255.0;
		return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
	};
	return 0.2126 * lin(p[0]) + 0.7152 * lin(p[1]) + 0.0722 * lin(p[2]);
}
double contrast(unsigned char const* a, unsigned char const* b)
{
	double la = lum(a), lb = lum(b);
	return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
unsigned char const* scheme(int colour)
{
	for (sample_pixel const& p : k_samples)
		if (p.colour == colour) return interface().px(p.s, p.t);
	ADD_FAILURE() << "no sample pixel for colour " << colour;
	return interface().px(0, 0);
}

std::vector<char> read_file(std::string const& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(InsArt, ArraysHoldWidthTimesHeightPixels)
{
	for (image const& im : k_images)
		EXPECT_EQ(im.end - im.begin, ptrdiff_t(im.size.w) * im.size.h * 4) << im.size.array;
}

TEST(InsArt, BackgroundsOpaqueAtlasEdgesTransparent)
{
	for (image const* im : {&back_1(), &k_images[2]})
		for (int t = 0; t < im->size.h; ++t)
			for (int s = 0; s < im->size.w; ++s)
				ASSERT_EQ(im->alpha(s, t), 255) << im->size.array << " at " << s << "," << t;
	// Bars 0 and 1 are 26 rows from t 487 and wrap to row 0.
	for (int s = 0; s < 512; ++s) ASSERT_EQ(interface().alpha(s, 0), 0) << "363 row 0, column " << s;
	EXPECT_EQ(installer().alpha(1009, 763), 0);
}

// A screen draws a cell by its rectangle alone, so art must fill its cell
// and never reach a neighbour's.
TEST(InsArt, EveryCellPaintedAndNothingOutsideTheCells)
{
	struct atlas { image const* im; std::vector<box> boxes; };
	for (atlas const& a : {atlas{&interface(), boxes_363()}, atlas{&installer(), boxes_364()}}) {
		std::vector<char> covered(size_t(a.im->size.w) * a.im->size.h, 0);
		for (size_t i = 0; i < a.boxes.size(); ++i) {
			box const& b = a.boxes[i];
			ASSERT_GE(b.s, 0);
			ASSERT_GE(b.t, 0);
			ASSERT_LE(b.s + b.w, a.im->size.w) << b.name;
			ASSERT_LE(b.t + b.h, a.im->size.h) << b.name;
			for (size_t j = 0; j < i; ++j) EXPECT_FALSE(overlaps(b, a.boxes[j])) << b.name << " overlaps " << a.boxes[j].name;
			bool blank = b.name.rfind("glyph cell 0,0 ", 0) == 0;
			if (!blank) {
				EXPECT_TRUE(any_ink(*a.im, b.s, b.t, b.w, b.h)) << a.im->size.array << ": " << b.name << " is empty";
			}
			for (int t = b.t; t < b.t + b.h; ++t)
				for (int s = b.s; s < b.s + b.w; ++s) covered[size_t(t) * a.im->size.w + s] = 1;
		}
		int stray = 0;
		for (int t = 0; t < a.im->size.h; ++t)
			for (int s = 0; s < a.im->size.w; ++s)
				if (!covered[size_t(t) * a.im->size.w + s] && a.im->alpha(s, t) && stray++ < 5)
					ADD_FAILURE() << a.im->size.array << ": art outside every cell at " << s << "," << t;
		EXPECT_EQ(stray, 0);
	}
}

TEST(InsArt, ButtonStatesDistinctWithEmptyRowsBetween)
{
	for (cell const& c : k_cells_364) {
		if (c.k != kind::button) continue;
		auto state_px = [&](int state) {
			std::vector<unsigned char> px;
			for (int t = button_state_t(c, state); t < button_state_t(c, state) + c.h; ++t)
				px.insert(px.end(), installer().px(c.s, t), installer().px(c.s + c.w, t));
			return px;
		};
		EXPECT_NE(state_px(0), state_px(1)) << c.name << ": normal and under the mouse";
		EXPECT_NE(state_px(1), state_px(2)) << c.name << ": under the mouse and pressed";
		EXPECT_NE(state_px(0), state_px(2)) << c.name << ": normal and pressed";
		for (int state = 0; state < 2; ++state)
			EXPECT_FALSE(any_ink(installer(), c.s, button_state_t(c, state) - 1, c.w, 1)) << c.name << " row below state " << state;
	}
}

// Ink inside the advance keeps neighbours from touching; the baseline two
// rows up, with only descenders below it, shows the glyphs are not upside
// down; ink no higher than k_ink_up above the baseline keeps a clear row
// between a line's descenders and the next line's capitals, 10 rows lower.
TEST(InsArt, GlyphInkWithinAdvanceAndOnTheBaseline)
{
	int highest = -1, lowest = 99;   // over every glyph that is not accented
	int cap_height = 0;
	std::string const descenders = "gjpqy";
	for (int b = 1; b < 256; ++b) {
		glyph_cell_struct gc = OGL_glyph_cell((unsigned char)b);
		if (gc.col == 0 && gc.row == 0) continue;
		struct font_cell { int font, limit; };
		for (font_cell fc : {font_cell{100, OGL_glyph_width((unsigned char)b)}, font_cell{101, k_mono_ink}}) {
			font_spec_struct const& f = *OGL_font_spec(fc.font);
			int s = int(f.s0 + gc.col * f.cw), t = int(f.t0 + gc.row * f.ch);
			int right = -1, bottom = int(f.ch), top = -1;
			for (int y = 0; y < int(f.ch); ++y)
				for (int x = 0; x < int(f.cw); ++x)
					if (interface().alpha(s + x, t + y)) {
						right = std::max(right, x);
						bottom = std::min(bottom, y);
						top = std::max(top, y);
					}
			if (!tall_glyph((unsigned char)b)) {
				highest = std::max(highest, top);
				lowest = std::min(lowest, bottom);
			}
			if (b == 'H' && fc.font == 100) cap_height = top - k_baseline + 1;
			EXPECT_GE(right, 0) << "byte " << b << " in font " << fc.font << " has no ink";
			EXPECT_LT(right, std::min(fc.limit, int(f.cw))) << "byte " << b << " in font " << fc.font;
			if (descenders.find(char(b)) != std::string::npos) {
				EXPECT_LT(bottom, k_baseline) << "byte " << b << " in font " << fc.font;
			} else if (std::isalnum(b) && b != 'J' && b != 'Q') {   // their tails may dip
				EXPECT_EQ(bottom, k_baseline) << "byte " << b << " in font " << fc.font;
			}
		}
	}
	EXPECT_LT(highest - k_line_pitch, lowest - 1) << "a line's lowest ink and the next line's highest touch";
	EXPECT_GE(cap_height, 7) << "capitals too small to read";
}

TEST(InsArt, SamplePixelsAndContrastOfTheScheme)
{
	for (sample_pixel const& p : k_samples) {
		unsigned char const* px = interface().px(p.s, p.t);
		EXPECT_EQ(px[0], p.value.r) << "colour " << p.colour;
		EXPECT_EQ(px[1], p.value.g) << "colour " << p.colour;
		EXPECT_EQ(px[2], p.value.b) << "colour " << p.colour;
		EXPECT_EQ(px[3], 255) << "colour " << p.colour;
	}
	// The style-20 panel as seen: its centre over the background where the
	// main screen puts the panels.
	cell const& p20 = *std::find_if(std::begin(k_cells_364), std::end(k_cells_364), [](cell const& c) { return c.k == kind::panel_20; });
	unsigned char const* centre = installer().px(p20.s + p20.w / 2, p20.t + p20.h / 2);
	auto over = [&](unsigned char const* top, unsigned char const* under, unsigned char* out) {
		for (int k = 0; k < 3; ++k) out[k] = (unsigned char)std::lround((top[k] * top[3] + under[k] * (255 - top[3])) / 255.0);
	};
	for (int colour : {42, 44, 45, 46}) {
		EXPECT_GE(contrast(scheme(colour), scheme(33)), 4.5) << "colour " << colour << " on the background colour";
		double worst = 99;
		for (rect const& r : k_panels_20)
			for (int y = r.y0; y < r.y1; ++y)
				for (int x = r.x0; x < r.x1; ++x) {
					unsigned char seen[3];
					over(centre, back_1().px(x, y), seen);
					worst = std::min(worst, contrast(scheme(colour), seen));
				}
		EXPECT_GE(worst, 4.5) << "colour " << colour << " on the style-20 panels";
	}
	// Text straight on the background: the hint line in 45, server labels in 42.
	struct on_back { rect r; int colour; };
	for (on_back const& ob : {on_back{k_text_on_back[0], 45}, on_back{k_text_on_back[1], 42}}) {
		double worst = 99;
		for (int y = ob.r.y0; y < ob.r.y1; ++y)
			for (int x = ob.r.x0; x < ob.r.x1; ++x) worst = std::min(worst, contrast(scheme(ob.colour), back_1().px(x, y)));
		EXPECT_GE(worst, 4.5) << "colour " << ob.colour << " on the background image";
	}
}

TEST(InsArt, GeneratorGivesTheEmbeddedBytesEveryRun)
{
	temp_dir a, b;
	for (temp_dir const* d : {&a, &b})
		ASSERT_EQ(std::system((std::string("'") + SKY_ART_GEN + "' '" + d->path() + "'").c_str()), 0);
	for (image const& im : k_images) {
		std::vector<char> first = read_file(a.path() + im.file + ".rgba"), second = read_file(b.path() + im.file + ".rgba");
		ASSERT_EQ(first.size(), size_t(im.end - im.begin)) << im.file;
		EXPECT_TRUE(first == second) << im.file << " differs between runs";
		EXPECT_TRUE(std::equal(first.begin(), first.end(), reinterpret_cast<char const*>(im.begin))) << im.file << " differs from the embedded array";
	}
}

TEST(InsArt, GeneratorFailsWithAMessageWhenAFontIsMissing)
{
	temp_dir d;
	std::string err = d.path() + "err.txt";
	std::string cmd = "SKY_FONT_MONO=/nonexistent/Mono.ttf '" + std::string(SKY_ART_GEN) + "' '" + d.path() + "' 2>'" + err + "'";
	EXPECT_NE(std::system(cmd.c_str()), 0);
	EXPECT_NE(read_text_file(err).find("cannot open the font /nonexistent/Mono.ttf"), std::string::npos) << read_text_file(err);
}
