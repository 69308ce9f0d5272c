// Zip expansion: the input is the archive, expanded into a folder below a
// destination. Nothing may land outside that folder (by name, by a planted
// link, or by the caller's rename), and no half-written temporary file may
// stay behind.
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/app_globals.h"
#include "foundation/io_zip.h"
#include "support.h"

namespace {

std::string top, inside, temp_prefix;

int check_entry(char const* path, struct stat const*, int, struct FTW* ftw)
{
	std::string const p = path;
	if (ftw->level == 0) return 0;
	if (ftw->level == 1 && (p == top + "in.zip" || p == top + "dest" || p == top + "no-helpers")) return 0;
	if (p + "/" == inside) return 0;
	if (p.compare(0, inside.size(), inside) != 0) fuzz_fail("an archive wrote outside its folder", p);
	if (p.compare(p.rfind('/') + 1, temp_prefix.size(), temp_prefix) == 0)
		fuzz_fail("a temporary file stayed behind", p);
	return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
	top = fuzz_dir();
	inside = top + "dest/out/";
	temp_prefix = ".new-" + std::to_string(getpid()) + "-";
	app_path = top;
	mkdir((top + "dest").c_str(), 0700);
	fuzz_clear(top + "dest/");
	mkdir(inside.c_str(), 0700);
	fuzz_write(top + "in.zip", data, size);

	// The caller's rename too, on a third of the inputs.
	bool const rename = size % 3 == 0;
	std::string first = rename ? "renamed.bin" : "";
	fuzz_guarded([&] { zip_to_file("in.zip", "dest/out/", &first, rename ? 1 : 0, "dest/"); });

	nftw(top.c_str(), check_entry, 16, FTW_PHYS);
	app_path.clear();
	return 0;
}
