// Screenshots in tests: the GL window as it is drawn, kept as PNG.
#pragma once
#include <string>

// Writes the bottom-left w x h pixels of the current read buffer as an RGB
// PNG, top row first; false when the file could not be written.
bool save_window_png(std::string const& path, int w, int h);
