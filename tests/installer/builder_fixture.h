// Master trees, previous directory files and set archives for the builder's
// tests: real files in a temporary folder, archives read back with minizip.
#pragma once
#include <gtest/gtest.h>

#include <minizip/unzip.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "foundation/app_globals.h"
#include "foundation/md5.h"
#include "installer/make_installer.h"
#include "support/alert_recorder.h"

namespace builder_test {

inline void make_parents(std::string const& path)
{
	for (size_t i = 1; i < path.size(); ++i)
		if (path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
}

inline void put_file(std::string const& path, std::string const& data)
{
	make_parents(path);
	write_text_file(path, data);
}

inline void put_folder(std::string const& path)
{
	make_parents(path + "/");
}

inline void put_link(std::string const& path, std::string const& target)
{
	make_parents(path);
	ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0) << path;
}

inline std::string md5_of_text(std::string const& text)
{
	MD5_CTX ctx;
	MD5Init(&ctx);
	MD5UpdateWide(&ctx, reinterpret_cast<unsigned char const*>(text.data()), static_cast<unsigned>(text.size()));
	MD5Final(&ctx);
	static char const hex[] = "0123456789abcdef";
	std::string out;
	for (unsigned char b : ctx.digest) {
		out += hex[b >> 4];
		out += hex[b & 15];
	}
	return out;
}

// Every folder and file a master tree must hold to pass the structure checks.
inline void valid_master(std::string const& root)
{
	for (char const* f : {"Macintosh", "Windows", "Linux Generic x86", "Linux Pentium 3", "Linux Athlon XP",
	                      "All/Aircraft", "All/Airfoils", "All/Instructions", "All/Output", "All/Weapons",
	                      "All/Custom Scenery", "All/Resources/plugins",
	                      "All/Resources/default scenery/820 world terrain"})
		put_folder(root + f);
	put_file(root + "All/Resources/menus/English/Skyrell.txt", "menus\n");
	put_file(root + "All/Resources/text/English/Skyrell.txt", "texts\n");
}

// A header-only directory file: a valid empty previous release.
inline std::string const kEmptyPrevious = "I\n840 version\nINSTALLER\n\n";

// Points the builder at a master tree, a previous file and an output folder.
inline void point_builder(std::string const& master, std::string const& previous, std::string const& output)
{
	src_fold = master;
	old_dir_path = previous;
	dst_fold_base = output;
	builder_set_paths();
	app_path.clear();
	dest_dir_path.clear();
}

// The one entry of a set archive: its name and its bytes; false when the
// archive does not hold exactly one readable entry.
inline bool read_single_entry(std::string const& zip, std::string* name, std::string* data,
                              unz_file_info* info_out = nullptr)
{
	unzFile uf = unzOpen(zip.c_str());
	if (!uf) return false;
	bool ok = false;
	unz_global_info gi;
	if (unzGetGlobalInfo(uf, &gi) == UNZ_OK && gi.number_entry == 1 && unzGoToFirstFile(uf) == UNZ_OK) {
		char entry[1024];
		unz_file_info info;
		if (unzGetCurrentFileInfo(uf, &info, entry, sizeof entry, nullptr, 0, nullptr, 0) == UNZ_OK &&
		    unzOpenCurrentFile(uf) == UNZ_OK) {
			data->assign(info.uncompressed_size, '\0');
			int const got = info.uncompressed_size
			                    ? unzReadCurrentFile(uf, &(*data)[0], static_cast<unsigned>(info.uncompressed_size))
			                    : 0;
			ok = unzCloseCurrentFile(uf) == UNZ_OK && got == static_cast<int>(info.uncompressed_size);
			*name = entry;
			if (info_out) *info_out = info;
		}
	}
	unzClose(uf);
	return ok;
}

// The directory file of a set, unpacked from its archive ("" when missing).
inline std::string set_directory_text(std::string const& set_fold)
{
	std::string name, data;
	if (!read_single_entry(set_fold + "directory.txt.zip", &name, &data)) return "";
	EXPECT_EQ(name, "directory.txt");
	return data;
}

// Lines of a text, without their LF.
inline std::vector<std::string> lines_of(std::string const& text)
{
	std::vector<std::string> out;
	size_t start = 0;
	while (start < text.size()) {
		size_t const lf = text.find('\n', start);
		size_t const end = lf == std::string::npos ? text.size() : lf;
		out.push_back(text.substr(start, end - start));
		start = end + 1;
	}
	return out;
}

inline bool file_there(std::string const& path)
{
	struct stat st;
	return lstat(path.c_str(), &st) == 0;
}

}  // namespace builder_test
