#include "console/stderr_view.h"

#include <cstdio>

void StderrView::message_box(const std::string& text, const std::string& caption, BoxOwner) {
  std::fprintf(stderr, "kestrel8: %s: %s\n", caption.c_str(), text.c_str());
  std::fflush(stderr);
}
