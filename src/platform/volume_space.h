// Free space of the volume that holds a folder, which need not exist yet.
#pragma once
#include <string>

// Bytes free to an ordinary user on the volume of path, found through its
// nearest existing folder (path itself, else the closest ancestor); -1 when
// that cannot be told (empty path, no access).
double PLT_free_bytes(std::string const& path);
