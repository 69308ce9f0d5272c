// Writes the seed corpora of the fuzz targets, each made from its format:
// fuzz_seeds DIR makes DIR/<target>/<seed> for every target.
//
// Index: output - HTTP replies - zip archives - data files - images -
// legacy images - main.
#include <minizip/zip.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/image_fixtures.h"

namespace {

std::string out_dir;

// ---- output ---------------------------------------------------------------------

void seed(std::string const& target, std::string const& name, std::string const& bytes)
{
	std::string const dir = out_dir + target;
	mkdir(dir.c_str(), 0755);
	std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
}

std::string read_whole(std::string const& path)
{
	std::ifstream in(path, std::ios::binary);
	std::stringstream s;
	s << in.rdbuf();
	return s.str();
}

// ---- HTTP replies: one byte of piece size, then the reply ------------------------

void http_seeds()
{
	std::string const body = "0123456789abcdef";
	std::string const chunked =
	    "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4;ext=1\r\n0123\r\nC\r\n456789abcdef\r\n0\r\nX-T: 1\r\n\r\n";
	struct {
		char const* name;
		std::string reply;
	} const replies[] = {
	    {"length", "HTTP/1.1 200 OK\r\nContent-Length: 16\r\nConnection: close\r\n\r\n" + body},
	    {"chunked", chunked},
	    {"close", "HTTP/1.0 200 OK\r\nServer:x\r\n\r\n" + body},
	    {"interim", "HTTP/1.1 100 Continue\r\nX: y\r\n\r\nHTTP/1.1 200 \r\nContent-Length:\t4\r\n\r\nabcd"},
	    {"missing", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"},
	    {"both", "HTTP/1.1 200 OK\r\nContent-Length: 99\r\nTransfer-Encoding: gzip, chunked\r\n\r\n1\r\nx\r\n0\r\n\r\n"},
	};
	for (auto const& r : replies)
		for (unsigned char piece : {0, 1, 7}) seed("http", std::string(r.name) + "-" + std::to_string(piece), std::string(1, static_cast<char>(piece)) + r.reply);
}

// ---- zip archives ---------------------------------------------------------------

struct zip_entry {
	std::string name;
	std::string data;
	unsigned long external_fa;  // upper half: the Unix mode
	int method;                 // 0 stored, 8 deflated
};

std::string zip_bytes(std::vector<zip_entry> const& entries)
{
	std::string const path = out_dir + "scratch.zip";
	std::remove(path.c_str());
	zipFile zf = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
	if (!zf) return std::string();
	for (auto const& e : entries) {
		zip_fileinfo zi;
		std::memset(&zi, 0, sizeof zi);
		zi.external_fa = e.external_fa;
		zipOpenNewFileInZip(zf, e.name.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr, e.method, 6);
		if (!e.data.empty()) zipWriteInFileInZip(zf, e.data.data(), static_cast<unsigned>(e.data.size()));
		zipCloseFileInZip(zf);
	}
	zipClose(zf, nullptr);
	std::string const bytes = read_whole(path);
	std::remove(path.c_str());
	return bytes;
}

// An AppleDouble companion: fixed header and one entry inside its size.
std::string apple_double()
{
	std::string b = {0x00, 0x05, 0x16, 0x07, 0x00, 0x02, 0x00, 0x00};
	b.append(16, '\0');
	b += std::string{0x00, 0x01};                                     // one entry
	b += std::string{0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00, 0x26};  // id 9 at 38
	b += std::string{0x00, 0x00, 0x00, 0x04};                         // 4 bytes
	b += "FINF";
	return b;
}

void zip_seeds()
{
	unsigned long const file = 0100644ul << 16, exe = 0100755ul << 16, link = 0120777ul << 16, dir = 040755ul << 16;
	std::string const text = "Some text of a file, repeated. Some text of a file, repeated.\n";
	seed("zip", "plain", zip_bytes({{"a.txt", text, file, 8}}));
	seed("zip", "stored", zip_bytes({{"b.bin", text, 0, 0}}));
	seed("zip", "tree", zip_bytes({{"d/", "", dir, 0}, {"d/e/", "", dir, 0}, {"d/e/f.txt", text, exe, 8}}));
	seed("zip", "link", zip_bytes({{"l", "d/e", link, 0}, {"d/x.txt", text, file, 8}}));
	seed("zip", "link-then-through", zip_bytes({{"l", "..", link, 0}, {"l/x.txt", text, file, 8}}));
	seed("zip", "fork", zip_bytes({{"f.txt", text, file, 8}, {"__MACOSX/._f.txt", apple_double(), file, 8}}));
	seed("zip", "parent", zip_bytes({{"../up.txt", text, file, 8}}));
	seed("zip", "absolute", zip_bytes({{"/abs.txt", text, file, 8}}));
	seed("zip", "backslash", zip_bytes({{"a\\..\\..\\b.txt", text, file, 8}}));
	seed("zip", "empty", zip_bytes({{"z.txt", "", file, 8}}));
	seed("zip", "two", zip_bytes({{"one.txt", text, file, 8}, {"two.txt", text + text, file, 0}}));
}

// ---- data files ---------------------------------------------------------------------

void xmap_seeds()
{
	// One byte picking the header kind and word, eight scanner choices, the file.
	std::string const ops = {0, 2, 5, 7, 8, 9, 10, 11};
	std::string const ops2 = {3, 4, 6, 12, 13, 1, 2, 8};
	seed("xmap", "text-installer", std::string(1, 2) + ops + "I\n840 version\nINSTALLER\n\nFILE 1 0 850 12 34 abc x.txt\n-12 +7 3.25e-2 1,2,3\n");
	seed("xmap", "text-servers", std::string(1, 4) + ops2 + "A\r\n820 v\r\nSERVERS\r\nSERVER\r\nhost\r\n/f/\r\n");
	seed("xmap", "text-none", std::string(1, 0) + ops + "I\n800 x\n4294967296 -2147483649 99999999999.9e-99999\n");
	std::string const bin_i = {'i', static_cast<char>(0xe4), 0x02, 0x00, 0x00};  // 740
	std::string const bin_a = {'a', 0x00, 0x00, 0x02, static_cast<char>(0xbc)};  // 700
	seed("xmap", "binary-little", std::string(1, 1) + ops + bin_i + "rest 1 2 3");
	seed("xmap", "binary-big", std::string(1, 1) + ops2 + bin_a + "\x01\x02");
}

void text_seeds()
{
	seed("pref", "display", std::string(1, 0) +
	     "I\n8500 version\n_x_res_req 1280\n_y_res_req 1024\n_lang 6\n_set_res 1\n_prd_FM 0.0125\n_prd_UI -3e5\n");
	seed("pref", "installer", std::string(1, 1) +
	     "I\n8500 version\n_download_os 3\n_stream_count 4\n_dest_dir_path /home/u/Sky/\n_proxy_host proxy\n"
	     "_proxy_port 8080\n_proxy_port_int 8080\n_log_actions 1\n");
	seed("pref", "ranges", std::string(1, 1) + "I\n8500\n_stream_count -1\n_download_os 99999999999\n_use_max_cpu +\n");

	seed("servers", "list",
	     "I\n820 version\nSERVERS\n\nBETA Skyrell 850\nSERVER\nmirror-a.example\n/pub/sky/\nThe first mirror\n"
	     "SERVER\nmirror-b.example\n/\nSecond\nENDOFLIST\n");
	seed("servers", "refused",
	     "I\n820 version\nSERVERS\n\nBETA ../x\nSERVER\nhost/with/slash\nno-slash\nbad\nSERVER\n\n\n\nENDOFLIST\n");
	std::string many = "A\r\n820 version\r\nSERVERS\r\n";
	for (int i = 0; i < 12; i++) many += "SERVER\r\nh" + std::to_string(i) + ".example\r\n/p/\r\nd\r\n";
	seed("servers", "many", many);

	std::string const md5 = "d41d8cd98f00b204e9800998ecf8427e";
	seed("directory", "listing",
	     "I\n840 version\nINSTALLER\n\nDIR Skyrell/Resources/\nFILE 1 0 850 12 34 " + md5 + " a.txt\n"
	     "FILE 0 3 851 1 2 GONE a.txt\nDIR Skyrell\\Aircraft\\\nFILE 1 6 850 5 9 " + md5 + " b c.acf\n"
	     "DIR\nFILE 1 1 850 1 1 " + md5 + " x:y:z.exe\n");
	seed("directory", "short-lines", "I\n810 version\nINSTALLER\n\nFILE 1\nFILE\nDIR a/\nFILE 1 0 850 1 1 GONE\n");
	seed("directory", "escape", "I\n840 version\nINSTALLER\n\nDIR Skyrell/../../\nFILE 1 0 850 1 1 " + md5 + " etc.txt\n");

	// Menus: one byte picking the language (7: none), then the file.
	seed("menus", "english", std::string(1, 0) +
	     "I\n800 version\n0 File\n101 Open\n102   -\n103 Close [Q]\n-\n1 Recent\n201 first.txt\n-\n\n0 Edit\n-\n");
	seed("menus", "crlf-no-end", std::string(1, 3) + "A\r\n800 version\r\n0 Datei\r\n7 =Offen\r\n-\r\n301 Sub\r\n9 x");
	seed("menus", "korean", std::string(1, 6) + "I\n800 version\n0 65 66\n9 1 200 -3 +12 999\n-\n300 1\n5 =7\n-\n");
	seed("menus", "bad-numbers", std::string(1, 7) +
	     "I\n800 version\n0 A\n1 a\n-\n-300 B\n-\n456000 C\n-\n2147483647 D\n-\n1x \t E\n");
	std::string big = "I\n800 version\n0 Many\n";
	for (int k = 0; k < 40; ++k) big += std::to_string(k) + " item " + std::to_string(k) + "\n";
	seed("menus", "long", std::string(1, 1) + big + "-\n0 " + std::string(45, 'w') + "\n1 " + std::string(40, 'v') + "\n-\n");

	seed("library", "library",
	     "A\n800\nLIBRARY\n\nEXPORT lib/a.obj objects/a.obj\nEXPORT_EXTEND lib/a.obj objects/a2.obj\n"
	     "EXPORT_RATIO 3 lib/b.obj objects/b.obj\nEXPORT_RATIO 1 lib/b.obj objects/b1.obj\n"
	     "REGION_DEFINE north\nREGION_RECT -180 0 179 89\nREGION_BITMAP m.bmp\nREGION north\nEXPORT lib/c.obj c.obj\n"
	     "REGION all\nREGION_DEFINE north\n");
	seed("library", "bad-rects",
	     "I\n800\nLIBRARY\nREGION_RECT 0 0 0 0\nREGION_DEFINE r\nREGION_RECT 2147483647 -2147483648 -1 5\n"
	     "REGION_RECT 10 10 -10 -10\nREGION_BITMAP ../../m.bmp\nEXPORT_RATIO 99999999 v r\n");
}

// ---- images: two option bytes, then the file -------------------------------------

std::string png_bytes(png_fixture const& f)
{
	std::string const path = out_dir + "scratch.png";
	if (!write_png_fixture(path, f)) return std::string();
	std::string const bytes = read_whole(path);
	std::remove(path.c_str());
	return bytes;
}

png_fixture png_of(int w, int h, int colour, int depth, bool interlace = false)
{
	png_fixture f;
	f.w = w;
	f.h = h;
	f.colour = colour;
	f.depth = depth;
	f.interlace = interlace;
	f.rows.resize(static_cast<size_t>(png_fixture_row_bytes(f)) * h);
	for (size_t i = 0; i < f.rows.size(); i++) f.rows[i] = static_cast<unsigned char>(i * 37 + 11);
	return f;
}

void image_seeds()
{
	std::string const opts[] = {std::string{0, 0}, std::string{1, 0x21}, std::string{2, static_cast<char>(0x9e)},
	                            std::string{3, 0x43}, std::string{static_cast<char>(0xc4), 0x71}};
	png_fixture palette = png_of(9, 5, PNG_COLOR_TYPE_PALETTE, 4);
	for (int i = 0; i < 16; i++) palette.palette.push_back({static_cast<png_byte>(i * 16), 0, static_cast<png_byte>(255 - i)});
	palette.trns = {0, 128, 255};
	png_fixture gamma = png_of(3, 3, PNG_COLOR_TYPE_RGB, 8);
	gamma.gamma = 0.45455;
	struct {
		char const* name;
		png_fixture f;
	} const pngs[] = {
	    {"rgb", png_of(5, 3, PNG_COLOR_TYPE_RGB, 8)},
	    {"rgba", png_of(4, 4, PNG_COLOR_TYPE_RGB_ALPHA, 8)},
	    {"grey", png_of(7, 2, PNG_COLOR_TYPE_GRAY, 8)},
	    {"grey-alpha16", png_of(2, 3, PNG_COLOR_TYPE_GRAY_ALPHA, 16)},
	    {"grey1", png_of(13, 3, PNG_COLOR_TYPE_GRAY, 1)},
	    {"interlaced", png_of(11, 9, PNG_COLOR_TYPE_RGB, 8, true)},
	    {"palette", palette},
	    {"gamma", gamma},
	    {"wide", png_of(1030, 1, PNG_COLOR_TYPE_GRAY, 8)},
	};
	for (size_t i = 0; i < sizeof pngs / sizeof pngs[0]; i++)
		seed("png", pngs[i].name, opts[i % 5] + png_bytes(pngs[i].f));

	auto pixels = [](int w, int h, int bits) {
		size_t const row = (static_cast<size_t>(w) * bits / 8 + 3) / 4 * 4;
		std::vector<unsigned char> p(row * h);
		for (size_t i = 0; i < p.size(); i++) p[i] = static_cast<unsigned char>(i * 13 + 5);
		return p;
	};
	seed("bmp", "odd", opts[0] + bmp_bytes(5, 3, 24, 0, pixels(5, 3, 24)));
	seed("bmp", "square", opts[1] + bmp_bytes(4, 4, 24, 0, pixels(4, 4, 24)));
	seed("bmp", "keyed", opts[2] + bmp_bytes(3, 7, 24, 0, pixels(3, 7, 24)));
	seed("bmp", "top-down", opts[3] + bmp_bytes(6, -2, 24, 0, pixels(6, 2, 24)));
	seed("bmp", "offset", opts[4] + bmp_bytes(2, 2, 24, 0, pixels(2, 2, 24), 60));
	seed("bmp", "paletted", opts[0] + bmp_bytes(4, 4, 8, 0, pixels(4, 4, 8)));
	seed("bmp", "short", opts[1] + bmp_bytes(64, 64, 24, 0, pixels(8, 8, 24)));
}

// ---- legacy images: one option byte, then patches (word, value) ------------------

std::string patches(std::vector<std::pair<uint32_t, uint32_t>> const& list)
{
	std::string out;
	for (auto const& p : list) {
		out.append(reinterpret_cast<char const*>(&p.first), 4);
		out.append(reinterpret_cast<char const*>(&p.second), 4);
	}
	return out;
}

void legacy_seeds()
{
	auto f = [](float v) {
		uint32_t u;
		std::memcpy(&u, &v, 4);
		return u;
	};
	// Word indexes (byte offset / 4) of fields the converters act on: gear
	// flags and rows, the panel mode and codes, part row counts, the wing
	// bytes, the tank count, texts.
	std::string const aircraft = patches({{11220 / 4, 1}, {623996 / 4, 1}, {2276 / 4, 2}, {2308 / 4, 305},
	                                      {2312 / 4, 612}, {22924 / 4, 0x7fffffff}, {638016 / 4, 3},
	                                      {647016 / 4, 0x01010101}, {624332 / 4, 12}, {625216 / 4, f(3.5f)},
	                                      {1004 / 4, 0x41424344}, {625700 / 4, 0x2f2e2e2f}});
	for (unsigned char opts : {0, 1, 2, 3, 0x10 | 1}) seed("acf", "aircraft-" + std::to_string(opts), std::string(1, static_cast<char>(opts)) + aircraft);

	std::string const weapon = patches({{0, 7}, {12 / 4, f(1.5f)}, {72 / 4, -1u}, {224 / 4, 0x6e6f6f62}, {9556 / 4, 5},
	                                    {9560 / 4, f(-2.0f)}, {12440 / 4, f(1e30f)}});
	for (unsigned char opts : {0, 1, 0x40, 0x81, 0x20}) seed("wpn", "weapon-" + std::to_string(opts), std::string(1, static_cast<char>(opts)) + weapon);
}

}  // namespace

int main(int argc, char** argv)
{
	if (argc != 2) {
		std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
		return 2;
	}
	out_dir = std::string(argv[1]) + "/";
	mkdir(argv[1], 0755);
	http_seeds();
	zip_seeds();
	xmap_seeds();
	text_seeds();
	image_seeds();
	legacy_seeds();
	return 0;
}
