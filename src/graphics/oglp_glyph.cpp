#include "graphics/oglp_glyph.h"

#include <cmath>

namespace {

font_spec_struct const fonts[4] = {
    {363, 0.0f, 0.0f, 8.0f, 11.0f, 0, 1},    // 100
    {363, 168.0f, 0.0f, 8.0f, 11.0f, 6, 1},  // 101
    {363, 168.0f, 0.0f, 8.0f, 11.0f, 10, 1}, // 102
    {367, 0.0f, 0.0f, 13.0f, 13.0f, 15, 2},  // 103
};

// The atlas rows, 21 cells each; row 4 ends in the accented letters.
unsigned char const grid_rows[5][21] = {
    {' ', '0', '1', '2', '3', '4', '5', '6', '7', '8', '9',
     'A', 'a', 'B', 'b', 'C', 'c', 'D', 'd', 'E', 'e'},
    {'F', 'f', 'G', 'g', 'H', 'h', 'I', 'i', 'J', 'j', 'K',
     'k', 'L', 'l', 'M', 'm', 'N', 'n', 'O', 'o', 'P'},
    {'p', 'Q', 'q', 'R', 'r', 'S', 's', 'T', 't', 'U', 'u',
     'V', 'v', 'W', 'w', 'X', 'x', 'Y', 'y', 'Z', 'z'},
    {'!', '@', '#', '$', '%', '^', '&', '*', '(', ')', '-',
     '_', '+', '=', '[', ']', '|', '\\', '\'', ':', ';'},
    {'<', '.', '>', ',', '?', '/', '`', 0xFB, 0xC1, 0xE1, 0xC9,
     0xE9, 0xCD, 0xED, 0xD3, 0xF3, 0xDA, 0xFA, 0xD1, 0xF1, 0xBF},
};

struct width_group {
	int width;
	char const* bytes;
};

width_group const width_groups[] = {
    {2, ",."},
    {3, "!':;`Iil\xFB"},
    {4, " ()*[]|frt"},
    {5, "$/?EFJLScjks"},
    {6, "+-0123456789=\\^_BKPRZabdeghnopquvxyz"
        "\xBF\xC1\xC9\xCD\xD1\xD3\xDA\xE1\xE9\xED\xF1\xF3\xFA"},
    {7, "<>ACDGHNTUVXY"},
    {8, "#%&OQmw"},
    {9, "@MW"},
};

// Tables by unsigned byte, built once.
struct tables {
	glyph_cell_struct cell[256];
	unsigned char width[256];
	tables()
	{
		for (int b = 0; b < 256; ++b) {
			cell[b] = {0, 0};
			width[b] = 0;
		}
		for (int r = 0; r < 5; ++r)
			for (int c = 0; c < 21; ++c) cell[grid_rows[r][c]] = {c, r};
		for (auto const& g : width_groups)
			for (char const* p = g.bytes; *p; ++p)
				width[static_cast<unsigned char>(*p)] = static_cast<unsigned char>(g.width);
	}
};

tables const& tab()
{
	static tables const t;
	return t;
}

// Whether byte i continues a UTF-8 character begun before it.
bool inside_utf8(std::string const& s, size_t i)
{
	if (i == 0 || i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return false;
	for (size_t back = 1; back <= 3 && back <= i; ++back) {
		unsigned char const b = static_cast<unsigned char>(s[i - back]);
		if ((b & 0xC0) == 0x80) continue;
		size_t const len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
		return back < len;
	}
	return false;
}

bool is_break(char b) { return b == 0 || b == ' ' || b == '-' || b == '/' || b == ':'; }

}  // namespace

font_spec_struct const* OGL_font_spec(int font)
{
	if (font < 100 || font > 103) return nullptr;
	return &fonts[font - 100];
}

glyph_cell_struct OGL_glyph_cell(unsigned char byte) { return tab().cell[byte]; }

int OGL_glyph_width(unsigned char byte) { return tab().width[byte]; }

float OGL_text_width(std::string const& text)
{
	float w = 0;
	for (unsigned char c : text) w += static_cast<float>(OGL_glyph_width(c));
	return w;
}

std::string OGL_fit_middle(std::string const& text, float width)
{
	if (OGL_text_width(text) <= width) return text;
	std::string const dots = "...";
	float const room = width - OGL_text_width(dots);
	if (room <= 0) return OGL_text_width(dots) <= width ? dots : std::string();
	size_t head = 0;
	float used = 0;
	auto w = [&](size_t i) { return static_cast<float>(OGL_glyph_width(static_cast<unsigned char>(text[i]))); };
	while (head < text.size() && used + w(head) <= room / 3) used += w(head++);
	// A cut inside a UTF-8 character would leave half of it, drawn as some
	// other letter: the start gives its part back, the end drops its part.
	while (head > 0 && inside_utf8(text, head)) used -= w(--head);
	size_t tail = text.size();
	while (tail > head && used + w(tail - 1) <= room) used += w(--tail);
	while (tail < text.size() && inside_utf8(text, tail)) ++tail;
	return text.substr(0, head) + dots + text.substr(tail);
}

glyph_cell_struct OGL_glyph_cell_103(char b0, char b1)
{
	int const index = static_cast<signed char>(b1) + 127 * static_cast<signed char>(b0) - 128;
	return {index % 40, index / 40};
}

void OGL_text_start(float x, float y, float* x0, float* y0)
{
	*x0 = std::round(x);
	*y0 = std::round(y) - 2.0f;
}

std::vector<glyph_quad_struct> OGL_layout_string(int font, float x0, float y0,
                                                 std::string const& text, float width)
{
	std::vector<glyph_quad_struct> out;
	font_spec_struct const* spec = OGL_font_spec(font);
	if (!spec) return out;
	bool const wrap = width < 9999.0f;
	size_t const n = text.size();
	float pen = x0, y = y0;
	size_t i = 0;
	while (i < n) {
		char const c = text[i];
		if (c != 13 && c != 10 && c != 9) {
			glyph_cell_struct const cell = spec->bytes == 2
			                                   ? OGL_glyph_cell_103(c, i + 1 < n ? text[i + 1] : 0)
			                                   : OGL_glyph_cell(static_cast<unsigned char>(c));
			out.push_back({pen, y, cell});
			pen += spec->advance ? static_cast<float>(spec->advance)
			                     : static_cast<float>(OGL_glyph_width(static_cast<unsigned char>(c)));
		}
		i += static_cast<size_t>(spec->bytes);
		if (!wrap) continue;
		// A two-byte glyph at an odd end has its second byte missing: read as NUL.
		char const b = i - 1 < n ? text[i - 1] : 0;
		if (b == 10) {
			y -= 10.0f;
			pen = x0;
		} else if (is_break(b)) {
			float e = pen;
			for (size_t j = i; j < n && !is_break(text[j]); ++j) e += 6.0f;
			if (e > x0 + width) {
				y -= 10.0f;
				pen = x0;
			}
		}
	}
	return out;
}

std::vector<glyph_quad_struct> OGL_layout_number(float x0, float y0, float step, float value,
                                                 int digits, int decimals)
{
	std::vector<glyph_quad_struct> out;
	auto put = [&](float x, float y, char ch) {
		out.push_back({x, y, OGL_glyph_cell(static_cast<unsigned char>(ch))});
	};

	// A non-finite value has no digits to show: it draws as 0.
	if (!std::isfinite(value)) value = 0.0f;
	// Doubles hold up to 11 digits and more without overflow.
	double const a = std::fabs(static_cast<double>(value));
	double const scaled = a * std::pow(10.0, decimals);
	float const pen = x0 - step;

	if (value < 0.0f && scaled > 0.1) put(x0 - step + 1.0f, y0, '-');

	double const thresholds[9] = {9, 99, 999, 9999, 99999, 999999, 9999999, 1e8, 1e9};
	int count = 1;
	for (double t : thresholds)
		if (scaled > t) ++count;

	if (count > digits) {
		double m = a;
		int e = 2;
		while (m >= 999.0) {
			m /= 10.0;
			++e;
		}
		int const r = static_cast<int>(m + 0.5);
		put(pen + 1.5f * step + 2.0f, y0 - 1.0f, '.');
		put(pen + step, y0, static_cast<char>('0' + r / 100 % 10));
		put(pen + 2.0f * step, y0, static_cast<char>('0' + r / 10 % 10));
		put(pen + 3.0f * step, y0, static_cast<char>('0' + r % 10));
		put(pen + 4.0f * step, y0, 'x');
		put(pen + 5.0f * step, y0, static_cast<char>(e > 9 ? '0' : '0' + e));
		return out;
	}

	double const s = scaled + 0.5;
	// In float: the difference of two ints need not fit one.
	float const k = static_cast<float>(static_cast<double>(digits) - static_cast<double>(decimals));
	if (decimals > 0) put(pen + (k + 0.5f) * step, y0, '.');
	if (k >= 4) put(pen + (k - 3 + 0.5f) * step, y0, ',');
	if (k >= 7) put(pen + (k - 6 + 0.5f) * step, y0, ',');
	if (k >= 10) put(pen + (k - 9 + 0.5f) * step, y0, ',');
	int const cells = digits < 11 ? digits : 11;
	for (int j = 1; j <= cells; ++j) {
		int const p = cells - j;
		double const d = std::fmod(std::floor(s / std::pow(10.0, p)), 10.0);
		put(pen + static_cast<float>(j) * step, y0, static_cast<char>('0' + (d > 0 ? static_cast<int>(d) : 0)));
	}
	return out;
}
