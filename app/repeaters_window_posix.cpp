#include "app/repeaters_window.h"

// A terminal is always the operator's own: the options choose.
bool started_without_prompt() { return false; }

WindowChoice choose_in_window(ImportRequest&, const ImportReport&) {
  return WindowChoice::not_shown;
}
