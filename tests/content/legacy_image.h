// Legacy aircraft and weapon images built byte by byte, written as files in
// either byte order, and a word view of the aircraft model for comparisons.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "content/OLD_io_acf.h"
#include "content/acft.h"
#include "foundation/app_globals.h"
#include "foundation/xmap.h"
#include "support/logged_test.h"

namespace legacy {

// An image in host order; texts are byte strings.
struct image {
	std::vector<unsigned char> b;
	explicit image(size_t size) : b(size, 0) {}
	void put_i(long at, int v) { memcpy(&b[at], &v, 4); }
	void put_f(long at, float v) { memcpy(&b[at], &v, 4); }
	void put_u(long at, unsigned v) { memcpy(&b[at], &v, 4); }
	int get_i(long at) const
	{
		int v;
		memcpy(&v, &b[at], 4);
		return v;
	}
	void put_text(long at, std::string const& s) { memcpy(&b[at], s.data(), s.size()); }
};

// Byte ranges that a big-endian file keeps in file order (whole words).
inline std::vector<std::pair<long, long>> const& veh_text_ranges()
{
	static std::vector<std::pair<long, long>> const r = {
	    {1004, 2044}, {11244, 22924}, {625700, 637700}, {646096, 646140}, {647016, 647092}};
	return r;
}
inline std::vector<std::pair<long, long>> const& wpn_text_ranges()
{
	static std::vector<std::pair<long, long>> const r = {{224, 384}};
	return r;
}

// The file: mark, version, the image in the mark's byte order, extra bytes.
inline std::string file_bytes(image const& im, char mark, int version,
                              std::vector<std::pair<long, long>> const& texts, long keep = -1)
{
	std::vector<unsigned char> body = im.b;
	if (mark == 'a') {
		for (size_t at = 0; at + 4 <= body.size(); at += 4) {
			bool text = false;
			for (auto const& t : texts) text = text || (static_cast<long>(at) >= t.first && static_cast<long>(at) < t.second);
			if (!text) std::swap(body[at], body[at + 3]), std::swap(body[at + 1], body[at + 2]);
		}
		version = static_cast<int>(__builtin_bswap32(static_cast<unsigned>(version)));
	}
	std::string out(1, mark);
	out.append(reinterpret_cast<char const*>(&version), 4);
	out.append(reinterpret_cast<char const*>(body.data()), keep < 0 ? body.size() : static_cast<size_t>(keep));
	return out;
}

// n aircraft pairs, all cleared.
inline void fresh_aircraft(int count)
{
	veh.clear();
	flt.clear();
	veh.resize(count);
	flt.resize(count);
	for (int n = 0; n < count; ++n) {
		veh[n].clear_veh(n);
		flt[n].clear_flt(n);
	}
}

// Every plain-data word of an aircraft: the flat block and the records of
// every slot vector but the weapons, tagged by where it lies.
struct word_at {
	std::string where;
	unsigned value;
};
template <class T>
void add_words(std::vector<word_at>& out, std::string const& name, T const& rec)
{
	for (size_t at = 0; at + 4 <= sizeof(T); at += 4) {
		unsigned v;
		memcpy(&v, reinterpret_cast<unsigned char const*>(&rec) + at, 4);
		out.push_back({name + "+" + std::to_string(at), v});
	}
}
template <class T>
void add_slots(std::vector<word_at>& out, std::string const& name, std::vector<T> const& slots)
{
	for (size_t i = 0; i < slots.size(); ++i) add_words(out, name + "[" + std::to_string(i) + "]", slots[i]);
}
inline std::vector<word_at> model_words(veh_class const& v)
{
	std::vector<word_at> out;
	add_words(out, "flat", static_cast<veh_flat_struct const&>(v));
	add_slots(out, "engn", v.engn);
	add_slots(out, "wing", v.wing);
	add_slots(out, "part", v.part);
	add_slots(out, "gear", v.gear);
	add_slots(out, "door", v.door);
	add_slots(out, "door_aux", v.door_aux);
	add_slots(out, "att", v.att);
	add_slots(out, "att_aux", v.att_aux);
	add_slots(out, "afl", v.afl);
	add_slots(out, "obj", v.obj);
	out.push_back({"rsv_zero", static_cast<unsigned>(v.rsv_zero)});
	return out;
}

// A test folder that is the application folder, for the scanner.
struct legacy_test : logged_test {
	void SetUp() override
	{
		logged_test::SetUp();
		app_path = dir.path();
	}
	void put(std::string const& name, std::string const& bytes) { write_text_file(dir.path() + name, bytes); }
};

}  // namespace legacy
