#include <windows.h>

#include <atomic>
#include <string>

#include "settings/atomic_save.h"

namespace {

class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE get() const { return h_; }
  bool close_checked() {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return CloseHandle(h) != 0;
  }

 private:
  HANDLE h_;
};

bool write_all(HANDLE h, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD chunk = bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
    if (!WriteFile(h, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace

bool save_file_whole(const char* file_name, std::string_view bytes) {
  // A read-only file is not replaced behind the operator's back, and a
  // folder at the name is not a settings file.
  const DWORD existing = GetFileAttributesA(file_name);
  DWORD keep = FILE_ATTRIBUTE_NORMAL;
  if (existing != INVALID_FILE_ATTRIBUTES) {
    if (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
      return false;
    keep = existing &
           (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    if (keep == 0) keep = FILE_ATTRIBUTE_NORMAL;
  } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
    return false;
  }

  static std::atomic<unsigned> serial{0};
  std::string temp;
  HANDLE temp_handle = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && temp_handle == INVALID_HANDLE_VALUE; ++attempt) {
    temp = std::string(file_name) + ".new-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(serial++);
    temp_handle = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, keep, nullptr);
    if (temp_handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  if (temp_handle == INVALID_HANDLE_VALUE) return false;
  FileHandle out(temp_handle);

  bool written = write_all(out.get(), bytes) && FlushFileBuffers(out.get());
  written = out.close_checked() && written;
  // Write-through: the rename is on the disk before the operator is told
  // the settings are saved.
  if (!written ||
      !MoveFileExA(temp.c_str(), file_name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(temp.c_str());
    return false;
  }
  return true;
}
