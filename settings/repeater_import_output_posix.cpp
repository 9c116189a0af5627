#include <unistd.h>

#include <cerrno>

#include "settings/repeater_import_output.h"

bool write_to_operator(OperatorStream stream, std::string_view utf8) {
  const int fd = stream == OperatorStream::output ? STDOUT_FILENO : STDERR_FILENO;
  while (!utf8.empty()) {
    const ssize_t n = ::write(fd, utf8.data(), utf8.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    utf8.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// A terminal stays open by itself.
void hold_own_console_window() {}
