// Preference files of key and value lines: the display settings (10), the
// installer settings (11) and the header of the simulator's own file (12).
#pragma once
#include <map>
#include <string>

// One preference file, read whole into `items` (mode 0) or written one line
// per key (mode 1, through the shared output stream).
class scan_class {
public:
	scan_class(std::string const& path, int mode);
	~scan_class();
	scan_class(scan_class const&) = delete;
	scan_class& operator=(scan_class const&) = delete;

	// Mode 1 writes the key's line and gives 0; mode 0 gives 1 and fills
	// *value when the key is present, else 0 with *value untouched.
	int int_io(int* value, std::string const& key);
	int flt_io(float* value, std::string const& key);
	int str_io(std::string* value, std::string const& key);  // empty texts are not written

	int mode;
	std::map<std::string, std::string> items;
};

class pref_class {
public:
	void IO_set(int which, int mode);
	int IO_sta(int which, int mode, std::string path);
};

extern pref_class pref;

// Where the installer settings live: the user's preferences folder, else
// $HOME/.config/, else the application's preferences folder.
std::string pref_installer_path();
