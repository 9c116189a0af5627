#include <windows.h>

#include <optional>
#include <system_error>

#include "adapter/heard_log.h"
#include "adapter/heard_log_append.h"

namespace {

// A spreadsheet or a virus scanner may hold the file a moment; the writer
// has its own thread, so waiting here holds neither the window nor the link.
constexpr DWORD kSharingWaitMs = 2000;
constexpr DWORD kSharingRetryMs = 20;

std::string reason_of(DWORD error) {
  return std::error_code(static_cast<int>(error), std::system_category()).message();
}

// A link at the name is followed only to a file that is there: a dangling
// one would have the file made wherever it points.
DWORD disposition_for(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  const bool link =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  return link ? OPEN_EXISTING : OPEN_ALWAYS;
}

HANDLE open_for_append(const std::filesystem::path& path) {
  const DWORD disposition = disposition_for(path);
  for (DWORD waited = 0;; waited += kSharingRetryMs) {
    // The wide name: a folder such as C:\Users\Jürgen\... is reached as it is.
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION ||
        waited >= kSharingWaitMs) {
      return h;
    }
    Sleep(kSharingRetryMs);
  }
}

// Windows locks are mandatory: another copy of the program writes only while
// it holds the whole file, and this one waits for it rather than have its
// write refused. Under the lock the end of the file is this copy's to write.
class WholeFileLock {
 public:
  explicit WholeFileLock(HANDLE h) : h_(h) {
    locked_ = LockFileEx(h_, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole_);
  }
  ~WholeFileLock() {
    if (locked_) UnlockFileEx(h_, 0, MAXDWORD, MAXDWORD, &whole_);
  }
  WholeFileLock(const WholeFileLock&) = delete;
  WholeFileLock& operator=(const WholeFileLock&) = delete;

 private:
  HANDLE h_;
  OVERLAPPED whole_{};
  bool locked_ = false;
};

// Reads from the file's start; the caller moves to its end afterwards.
bool is_heard_log(HANDLE h) {
  char start[kHeardLogStartBytes];
  DWORD got = 0;
  return SetFilePointerEx(h, LARGE_INTEGER{}, nullptr, FILE_BEGIN) &&
         ReadFile(h, start, sizeof start, &got, nullptr) && begins_as_heard_log({start, got});
}

// The line, and the column line before it in a new file, in one write; a
// full disk that takes only part of it gets the file cut back to where the
// line began.
void append_whole(HANDLE h, const std::string& text, HeardLineWrite& result) {
  WholeFileLock lock(h);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h, &size)) {
    result.reason = reason_of(GetLastError());
    return;
  }
  if (size.QuadPart != 0 && !is_heard_log(h)) {
    result.reason = kNotAHeardLog;
    return;
  }
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(h, LARGE_INTEGER{}, &start, FILE_END)) {
    result.reason = reason_of(GetLastError());
    return;
  }
  std::optional<char> last;
  if (start.QuadPart != 0) {
    char byte = '\n';
    DWORD got = 0;
    LARGE_INTEGER before_end{};
    before_end.QuadPart = start.QuadPart - 1;
    if (!SetFilePointerEx(h, before_end, nullptr, FILE_BEGIN) ||
        !ReadFile(h, &byte, 1, &got, nullptr) || got != 1) {
      result.reason = reason_of(GetLastError());
      return;
    }
    last = byte;
  }
  const std::string whole = heard_log_addition(last, text);
  DWORD done = 0;
  const bool ok = WriteFile(h, whole.data(), static_cast<DWORD>(whole.size()), &done, nullptr);
  if (ok && done == whole.size()) {
    result.written = true;
    // On the device, not only in the cache, before it counts as kept.
    if (!FlushFileBuffers(h)) result.reason = reason_of(GetLastError());
    return;
  }
  result.reason = reason_of(ok ? ERROR_DISK_FULL : GetLastError());
  if (done > 0 && !(SetFilePointerEx(h, start, nullptr, FILE_BEGIN) && SetEndOfFile(h))) {
    result.left_partial = true;
  }
}

}  // namespace

HeardLineWrite append_heard_line(const std::filesystem::path& path, const std::string& text) {
  HeardLineWrite result;
  HANDLE h = open_for_append(path);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    const bool link_to_nothing =
        error == ERROR_FILE_NOT_FOUND && disposition_for(path) == OPEN_EXISTING;
    result.reason = link_to_nothing ? kLinkToNothing : reason_of(error);
    return result;
  }
  if (GetFileType(h) != FILE_TYPE_DISK) {
    result.reason = kNotARegularFile;
  } else {
    append_whole(h, text, result);
  }
  CloseHandle(h);
  return result;
}
