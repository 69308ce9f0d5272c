// Zip archives: expanding an archive into a folder, and packing one file (or
// one symbolic link) into a new archive.
#pragma once
#include <string>

#include <minizip/unzip.h>

// Expands every entry of app_path + zip_file under app_path + out_dir (which
// ends in a separator). first_name, when not null, receives the first
// entry's name; rename non-zero writes entries to out_dir + *first_name.
// dest_root, when given, is the destination out_dir belongs to (app_path +
// dest_root): out_dir must lie below it without passing through a symbolic
// link, else nothing is written (ENOTDIR, or EINVAL outside it).
// 0, or an error code for error_str.
int zip_to_file(std::string zip_file, std::string out_dir, std::string* first_name, int rename,
                std::string const& dest_root = std::string());
// Why the normalised target may not be used below the normalised folder
// base, or null: it must lie below it, by a name without parent steps,
// reached through real folders only (the target itself may be a link).
char const* unsafe_target(std::string const& base, std::string const& target);
// Packs app_path + src into a new archive app_path + zip_file.
int file_to_zip(std::string src, std::string zip_file);

// Entry handlers of zip_to_file: the archive is positioned on the entry.
int unzip_symlink(void* archive, std::string path, unz_file_info_s const& info);
// path ends in "._" + the data file's name.
int unzip_resource_fork(void* archive, std::string path, unz_file_info_s const& info);
