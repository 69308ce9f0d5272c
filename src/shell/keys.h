// The keyboard model: one key-down event into the typed-text line, the
// Return flag, the focus and the application's key callback.
#pragma once
#include "platform/input_source.h"

// The keys file, relative to the program's folder; no release names one.
extern char const* const keys_file_name;
int const keys_file_version = 800;

class keys_class {
public:
	unsigned char key_table = 0;  // the keys file's first byte

	// One key-down or auto-key event.
	void handle_key(PLT_event const& event);
	// Reads the keys file; a missing one is fatal.
	void init();
};

extern keys_class keys;
