#include "platform/system_info.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

// Whole file, at most 1 MB: /proc/cpuinfo grows with the processors only.
bool read_cpuinfo(std::string* text)
{
	std::ifstream in("/proc/cpuinfo");
	if (!in) return false;
	std::string all;
	char buf[4096];
	while (in.read(buf, sizeof(buf)) || in.gcount() > 0) {
		all.append(buf, static_cast<size_t>(in.gcount()));
		if (all.size() > (1u << 20)) break;
	}
	*text = all;
	return true;
}

bool cpuinfo_field(char const* key, int* out)
{
	std::string text;
	return read_cpuinfo(&text) && PLT_parse_cpuinfo_field(text, key, out);
}

}  // namespace

bool PLT_parse_release(std::string const& release, int out[3])
{
	char const* p = release.c_str();
	for (int i = 0; i < 3; ++i) {
		if (*p < '0' || *p > '9') return false;
		char* end = nullptr;
		long const v = std::strtol(p, &end, 10);
		if (v > 1000000) return false;
		out[i] = static_cast<int>(v);
		p = end;
		if (i < 2) {
			if (*p != '.') return false;
			++p;
		}
	}
	return true;
}

bool PLT_kernel_release(int out[3])
{
	utsname u;
	if (uname(&u) != 0) return false;
	return PLT_parse_release(u.release, out);
}

bool PLT_parse_cpuinfo_field(std::string const& cpuinfo, char const* key, int* out)
{
	std::istringstream in(cpuinfo);
	std::string line;
	size_t const klen = std::strlen(key);
	while (std::getline(in, line)) {
		if (line.compare(0, klen, key) != 0) continue;
		size_t i = klen;
		while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
		if (i >= line.size() || line[i] != ':') continue;  // a longer key that starts alike
		++i;
		while (i < line.size() && line[i] == ' ') ++i;
		if (i >= line.size() || line[i] < '0' || line[i] > '9') return false;
		double const v = std::strtod(line.c_str() + i, nullptr);
		if (v > 2e9) return false;
		*out = static_cast<int>(v);
		return true;
	}
	return false;
}

bool PLT_cpu_family(int* out) { return cpuinfo_field("cpu family", out); }
bool PLT_cpu_mhz(int* out) { return cpuinfo_field("cpu MHz", out); }

bool PLT_ram_mb(long* out)
{
	long const pages = sysconf(_SC_PHYS_PAGES);
	long const page = sysconf(_SC_PAGE_SIZE);
	if (pages <= 0 || page <= 0) return false;
	*out = static_cast<long>((static_cast<long long>(pages) * page) / (1024 * 1024));
	return true;
}
