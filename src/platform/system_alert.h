// The system's stop alert: a desktop message box when a display is there,
// else standard error, so that a run without a display never blocks.
#pragma once
#include <string>

void PLT_system_alert(std::string const& text, std::string const& detail);

// 1 when a desktop display can show windows (an X or Wayland display, and an
// SDL video driver that draws to it).
int PLT_has_display();
