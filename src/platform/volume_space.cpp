#include "platform/volume_space.h"

#include <sys/statvfs.h>

#include <cerrno>

double PLT_free_bytes(std::string const& path)
{
	if (path.empty()) return -1;
	std::string p = path;
	for (;;) {
		struct statvfs st;
		if (statvfs(p.c_str(), &st) == 0) return static_cast<double>(st.f_bavail) * static_cast<double>(st.f_frsize);
		// A new copy's folder does not exist yet: its volume is its parent's.
		if ((errno != ENOENT && errno != ENOTDIR) || p == "/" || p == ".") return -1;
		while (p.size() > 1 && p.back() == '/') p.pop_back();
		size_t const cut = p.rfind('/');
		p = cut == std::string::npos ? "." : (cut == 0 ? "/" : p.substr(0, cut));
	}
}
