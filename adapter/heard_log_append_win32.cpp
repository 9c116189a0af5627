#include <windows.h>

#include <system_error>

#include "adapter/heard_log.h"
#include "adapter/heard_log_append.h"

namespace {

std::string reason_of(DWORD error) {
  return std::error_code(static_cast<int>(error), std::system_category()).message();
}

// Writes it all or says why not; `done` counts what did go.
DWORD write_all(HANDLE h, const char* bytes, DWORD size, DWORD& done) {
  done = 0;
  if (!WriteFile(h, bytes, size, &done, nullptr)) return GetLastError();
  return done == size ? ERROR_SUCCESS : ERROR_DISK_FULL;
}

// Two copies of the program in one folder: only one writes the columns, and
// before any line.
DWORD add_columns_if_new(HANDLE h) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h, &size)) return GetLastError();
  if (size.QuadPart != 0) return ERROR_SUCCESS;
  OVERLAPPED whole{};
  const bool locked = LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
  DWORD error = ERROR_SUCCESS;
  if (GetFileSizeEx(h, &size) && size.QuadPart == 0) {
    DWORD done = 0;
    error = write_all(h, kHeardLogColumns, sizeof kHeardLogColumns - 1, done);
  }
  if (locked) UnlockFileEx(h, 0, MAXDWORD, MAXDWORD, &whole);
  return error;
}

}  // namespace

HeardAppend append_heard_line(const std::string& path, const std::string& text) {
  HeardAppend result;
  // Append-only writing: every write lands at the end, also beside another
  // copy of the program writing the same file. Reading is for the size and
  // the lock around the column line.
  HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA | GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    result.reason = reason_of(GetLastError());
    return result;
  }
  DWORD error = add_columns_if_new(h);
  if (error == ERROR_SUCCESS) {
    DWORD done = 0;
    error = write_all(h, text.data(), static_cast<DWORD>(text.size()), done);
    result.written = error == ERROR_SUCCESS;
    result.cut_short = !result.written && done > 0;
  }
  CloseHandle(h);
  if (error != ERROR_SUCCESS) result.reason = reason_of(error);
  return result;
}
