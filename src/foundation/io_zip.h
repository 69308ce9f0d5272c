// Zip archives: expanding an archive into a folder, and packing one file (or
// one symbolic link) into a new archive.
#pragma once
#include <cstdint>
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
// Takes the one entry named entry (a plain name) out of app_path + zip_file
// and writes it to the file app_path + target, beside it first and renamed
// over it once whole. Everything is checked before anything is written:
// with alone, any other entry (another name, a folder, a second entry)
// makes the archive bad and the entry may be a file or a symbolic link;
// without, other entries are passed over unread and the entry must be a
// file. Past max_bytes of output the expansion stops and nothing is left.
// dest_root as for zip_to_file. 0, or an error code for error_str:
// kErrZipOpen or kErrZipRead when the archive itself is bad.
int zip_to_one_file(std::string zip_file, std::string target, std::string const& entry, uint64_t max_bytes,
                    bool alone, std::string const& dest_root = std::string());
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
