#pragma once
// Whether Qt can find somewhere to show the window. Qt aborts the whole
// process when its default platform finds no X or Wayland display, so the
// program asks first and says plainly what is missing.

#include <cstdlib>
#include <cstring>

inline bool set_and_not_empty(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

// False only where Qt would give up for lack of a display: no X display, no
// Wayland display, and no platform chosen by QT_QPA_PLATFORM or -platform
// (offscreen, vnc, eglfs and the like need no desktop).
inline bool display_available(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
      return true;
    }
  }
  return set_and_not_empty("QT_QPA_PLATFORM") || set_and_not_empty("DISPLAY") ||
         set_and_not_empty("WAYLAND_DISPLAY");
}
