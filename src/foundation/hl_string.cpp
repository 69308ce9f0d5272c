// Text, path and number helpers.
//
// Index: path separators - length-tested copy - airfoil references - integers - floats - menu numbers.
#include "foundation/hl_string.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/alert.h"

int g_case_sensitive = 0;

// ---- path separators ------------------------------------------------------

void set_dir_chars(std::string& path)
{
	size_t const len = strlen(path.c_str());
	if (len > 499) {
		__VEDEZE_alert(0, "String too long!", path, "", "", 2, "hl_string", __LINE__);
		return;  // only reached if the alert machinery ever returns
	}
	char buf[500];
	memset(buf, 0, sizeof(buf));
	memcpy(buf, path.data(), len);
	// Index 1 is left alone so that the colon of a drive prefix survives.
	for (size_t i = 0; i < len; ++i) {
		if (i == 1) continue;
		if (buf[i] == '\\' || buf[i] == ':' || buf[i] == '/') buf[i] = '/';
	}
	if (g_case_sensitive) findPath(buf);
	path = buf;
}

// ---- length-tested copy -----------------------------------------------------

void strcpy_limit(char* target, char const* source)
{
	if (!source) return;
	size_t const len = strlen(source);
	if (len > 499) {
		__VEDEZE_alert(0, "String too long!", source, "", "", 2, "hl_string", 132);
		return;
	}
	memcpy(target, source, len + 1);
}

void strcpy_limit_field(char* target, size_t target_size, char const* source, size_t source_size)
{
	if (!source || target_size == 0) return;
	// A slot without its NUL ends at the slot's end, never beyond it.
	size_t const len = strnlen(source, source_size);
	if (len > 499) {
		__VEDEZE_alert(0, "String too long!", std::string(source, len), "", "", 2, "hl_string", 132);
		return;
	}
	size_t const keep = len < target_size - 1 ? len : target_size - 1;
	memcpy(target, source, keep);
	target[keep] = 0;
}

// ---- airfoil references -------------------------------------------------------

namespace {
bool is_afl_sep(char c)
{
	return c == '\\' || c == ':' || c == '/';
}
}  // namespace

void set_afl_path(char* name)
{
	if (!name || !name[0]) return;
	size_t const len = strlen(name);
	// The first and last characters are never taken as the separator, so a
	// trailing slash stays with the name before it.
	size_t start = 0;
	for (size_t k = len - 2; len >= 3 && k >= 1; --k)
		if (is_afl_sep(name[k])) {
			start = k + 1;
			break;
		}
	std::string result = len == 1 ? std::string() : std::string(name + start);
	if (!result.empty() && is_afl_sep(result[0])) result.erase(0, 1);
	strcpy_limit(name, result.c_str());
}

// ---- integers -------------------------------------------------------------

void int_to_str(int value, char* buf, int min_digits, int plus_sign)
{
	char* p = buf;
	// Unsigned so that the most negative int has a magnitude too.
	unsigned mag;
	if (value < 0) {
		*p++ = '-';
		mag = 0u - static_cast<unsigned>(value);
	} else {
		if (plus_sign) *p++ = '+';
		mag = static_cast<unsigned>(value);
	}
	unsigned power = 1000000000u;
	for (int k = 9; k >= 1; --k, power /= 10u)
		if (mag >= power || min_digits > k) *p++ = static_cast<char>('0' + (mag / power) % 10u);
	*p++ = static_cast<char>('0' + mag % 10u);
	*p = 0;
}

int str_to_int(std::string const& text)
{
	if (text.empty()) return -1;
	for (size_t i = 0; i < text.size(); ++i) {
		char const c = text[i];
		if (c >= '0' && c <= '9') continue;
		// A sign counts only in front.
		if ((c == '+' || c == '-') && i == 0) continue;
		return -1;
	}
	int const sign = text[0] == '-' ? -1 : 1;
	size_t const start = (text[0] == '+' || text[0] == '-') ? 1 : 0;
	size_t const n = text.size() - start;
	if (n < 1 || n > 9) return -1;
	int value = 0;
	for (size_t i = start; i < text.size(); ++i) value = value * 10 + (text[i] - '0');
	return value * sign;
}

// ---- floats ---------------------------------------------------------------

namespace {

// The whole part of |value| exactly, and the first `decimals` digits of the
// shortest text that reads back as the same float, the rest cut. Cutting the
// binary fraction instead would show 2.3 as 2.29; rounding to a fixed count
// of digits first would carry into the whole part (1.99999988 would show 2).
void float_digits(float a, int decimals, std::string& whole, std::string& frac)
{
	char text[400];
	snprintf(text, sizeof(text), "%.0f", std::trunc(static_cast<double>(a)));
	whole = text;
	auto const r = std::to_chars(text, text + sizeof(text) - 1, a, std::chars_format::fixed);
	*r.ptr = 0;
	char const* point = r.ec == std::errc() ? strchr(text, '.') : nullptr;
	std::string const digits = point ? point + 1 : "";
	frac = digits.substr(0, static_cast<size_t>(decimals));
	frac.resize(static_cast<size_t>(decimals), '0');
}

}  // namespace

void flt_to_str(float value, std::string* out, int digits, int decimals)
{
	if (decimals < 0) return;
	if (std::isnan(value)) {
		*out = "nan";
		return;
	}
	if (std::isinf(value)) {
		*out = value < 0 ? "-inf" : "inf";
		return;
	}
	std::string whole, frac;
	float_digits(std::fabs(value), decimals, whole, frac);

	std::string text = value < 0.0f ? "-" : "";
	if (whole.size() < 10 || (whole.size() == 10 && whole <= "2147483647")) {
		char buf[16];
		int_to_str(atoi(whole.c_str()), buf, digits - decimals, 0);
		text += buf;
	} else {
		text += whole;  // beyond an int: the full digits, no padding needed
	}
	if (decimals > 0) {
		text += ".";
		text += frac;
	}
	*out = text;
}

// ---- menu numbers ---------------------------------------------------------

void char_string_to_int_string(std::string* text)
{
	if (text->empty() || (*text)[0] == '-' || (*text)[0] == '=') return;
	std::string const in = *text;
	std::string out;
	auto charval = [](char c) {
		if (c >= '0' && c <= '9') return c - '0';
		if (c == '+') return 1;
		if (c == '-') return -1;
		return 0;
	};
	size_t i = 0;
	for (;;) {
		while (i < in.size() && in[i] == ' ') ++i;
		if (i >= in.size()) break;
		int n = charval(in[i++]);
		for (int k = 1; k < 3 && i < in.size() && in[i] != ' '; ++k) n = n * 10 + charval(in[i++]);
		if (n >= 0) {
			out += static_cast<char>(n / 127 + 1);
			out += static_cast<char>(n % 127 + 1);
		}
	}
	*text = out;
}
