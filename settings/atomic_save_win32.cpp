#include <windows.h>
// After windows.h, which it needs.
#include <winioctl.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "settings/atomic_save.h"
#include "settings/wide_name_win32.h"

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

std::wstring folder_of(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The full name of a file given relative to the working folder.
std::wstring full_name(const std::wstring& name) {
  std::wstring full(32768, L'\0');
  const DWORD n = GetFullPathNameW(name.c_str(), 32768, full.data(), nullptr);
  full.resize(n > 0 && n < 32768 ? n : 0);
  return full;
}

// Where a symbolic link points, read from the link itself; empty for any
// other kind of reparse point or an unreadable link.
std::wstring link_target(const std::wstring& link) {
  FileHandle h(CreateFileW(link.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (h.get() == INVALID_HANDLE_VALUE) return {};
  std::vector<unsigned char> data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  DWORD size = 0;
  if (!DeviceIoControl(h.get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(),
                       static_cast<DWORD>(data.size()), &size, nullptr)) {
    return {};
  }
  // The symbolic-link layout: tag, lengths, the four name fields, flags, names.
  struct SymbolicLinkHeader {
    ULONG tag;
    USHORT data_length, reserved;
    USHORT substitute_offset, substitute_length, print_offset, print_length;
    ULONG flags;
  } head;
  if (size < sizeof head) return {};
  std::memcpy(&head, data.data(), sizeof head);
  if (head.tag != IO_REPARSE_TAG_SYMLINK ||
      sizeof head + head.substitute_offset + head.substitute_length > size) {
    return {};
  }
  std::wstring to(head.substitute_length / sizeof(wchar_t), L'\0');
  std::memcpy(to.data(), data.data() + sizeof head + head.substitute_offset,
              head.substitute_length);
  if (head.flags & SYMLINK_FLAG_RELATIVE) return full_name(folder_of(link) + L"\\" + to);
  // An absolute target is an NT name: "\??\C:\..." or "\??\UNC\server\...".
  if (to.rfind(L"\\??\\UNC\\", 0) == 0) return L"\\" + to.substr(7);
  if (to.rfind(L"\\??\\", 0) == 0) return to.substr(4);
  return to;
}

// A settings file kept elsewhere through a symbolic link is saved where the
// link points, so the link stays; a link whose target does not exist yet gets
// it. Empty after too many links or an unreadable one.
std::wstring resolved_target(std::wstring path) {
  constexpr int kMaxLinks = 40;
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    // Nothing there yet, or a device, which is never opened here.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DEVICE)) return path;
    // A file that exists: the system names it at the end of any links.
    FileHandle file(CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (file.get() != INVALID_HANDLE_VALUE) {
      std::wstring final_path(32768, L'\0');
      const DWORD n = GetFinalPathNameByHandleW(file.get(), final_path.data(), 32768, 0);
      if (n == 0 || n >= 32768) return path;
      final_path.resize(n);
      return final_path;
    }
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return path;
    path = link_target(path);
    if (path.empty()) return {};
  }
  return {};
}

// A virus scanner or an indexer may hold a new or replaced file for a moment.
bool held_by_someone(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_UNABLE_TO_REMOVE_REPLACED || error == ERROR_ACCESS_DENIED;
}

// Whether the old file can be opened for deleting, as replacing it needs;
// ERROR_FILE_NOT_FOUND when there is none.
DWORD replaceable(const std::wstring& target) {
  HANDLE h = CreateFileW(target.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  CloseHandle(h);
  return ERROR_SUCCESS;
}

// Puts the written file in the target's place. ReplaceFileW keeps the old
// file's security settings, creation time and attributes; a new name is a
// plain move. A file held by someone else is tried again for up to 1 s.
bool put_in_place(const std::wstring& temp, const std::wstring& target) {
  constexpr DWORD kPatienceMs = 1000, kPauseMs = 50;
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    DWORD error = replaceable(target);
    if (error == ERROR_SUCCESS) {
      error = ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                           nullptr, nullptr)
                  ? ERROR_SUCCESS
                  : GetLastError();
    }
    // No old file (or, after ERROR_UNABLE_TO_MOVE_REPLACEMENT, no longer one).
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
      error = MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) ? ERROR_SUCCESS
                                                                                : GetLastError();
    }
    if (error == ERROR_SUCCESS) return true;
    // A file made at the name meanwhile is replaced on the next round.
    if ((!held_by_someone(error) && error != ERROR_ALREADY_EXISTS) ||
        GetTickCount64() - start >= kPatienceMs)
      return false;
    Sleep(kPauseMs);
  }
}

// On NTFS, flushing the file also commits the journal that holds the rename,
// so the new name is on the disk before the operator is told it is saved.
void flush_in_place(const std::wstring& target) {
  FileHandle h(CreateFileW(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (h.get() != INVALID_HANDLE_VALUE) FlushFileBuffers(h.get());
}

}  // namespace

bool save_file_whole(const char* file_name, std::string_view bytes) {
  const std::wstring target = resolved_target(full_name(wide_name(file_name)));
  if (target.empty()) return false;

  // A read-only file is not replaced behind the operator's back, and a
  // folder at the name is not a settings file.
  const DWORD existing = GetFileAttributesW(target.c_str());
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
  std::wstring temp;
  HANDLE temp_handle = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && temp_handle == INVALID_HANDLE_VALUE; ++attempt) {
    temp = target + L".new-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(serial++);
    temp_handle = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, keep, nullptr);
    if (temp_handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  if (temp_handle == INVALID_HANDLE_VALUE) return false;
  FileHandle out(temp_handle);

  bool written = write_all(out.get(), bytes) && FlushFileBuffers(out.get());
  written = out.close_checked() && written;
  if (!written || !put_in_place(temp, target)) {
    // Should the old file be gone after all, the new bytes stay in the
    // temporary file rather than being lost too.
    if (!written || existing == INVALID_FILE_ATTRIBUTES ||
        GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
      DeleteFileW(temp.c_str());
    return false;
  }
  flush_in_place(target);
  return true;
}
