#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include "settings/repeater_import_io.h"
#include "settings/wide_name_win32.h"

namespace {

std::string utf8(const wchar_t* text, int length) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
  return out;
}

HANDLE as_handle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

bool is_missing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// A folder opened by name is refused by CreateFileW as "Access is denied";
// the operator is told what it is instead.
std::string kind_problem(const std::wstring& name) {
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return "is a folder";
  return {};
}

}  // namespace

std::vector<std::string> program_arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) out.push_back(utf8(args[i], -1).c_str());
  LocalFree(args);
  return out;
}

std::string system_error_text() {
  const DWORD error = GetLastError();
  if (error == 0) return {};
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string out = n ? utf8(text, static_cast<int>(n)) : "Windows error " + std::to_string(error);
  if (text) LocalFree(text);
  while (!out.empty() &&
         (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
    out.pop_back();
  return out;
}

void clear_system_error() { SetLastError(0); }

// Windows names a file that exists at the end of its links; a link whose
// target is not there yet is left to the save, which refuses to follow it.
std::vector<std::string> names_along_links(const std::string& name) {
  std::vector<std::string> names{name};
  const HANDLE h = CreateFileW(wide_name(name).c_str(), 0,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return names;
  std::wstring final_path(32768, L'\0');
  const DWORD n = GetFinalPathNameByHandleW(h, final_path.data(), 32768, 0);
  CloseHandle(h);
  if (n > 0 && n < 32768) names.push_back(utf8(final_path.data(), static_cast<int>(n)));
  return names;
}

ImportFileReader::~ImportFileReader() {
  if (handle_ != -1) CloseHandle(as_handle(handle_));
}

bool ImportFileReader::open(const std::string& name, std::string& reason, bool& missing) {
  const std::wstring wname = wide_name(name);
  reason = kind_problem(wname);
  missing = false;
  if (!reason.empty()) return false;
  const HANDLE h = CreateFileW(wname.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    missing = is_missing(GetLastError());
    reason = system_error_text();
    return false;
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);
  if (GetFileType(h) != FILE_TYPE_DISK) {
    reason = "is not a regular file";
    return false;
  }
  return true;
}

long ImportFileReader::read(char* buffer, std::size_t size) {
  DWORD n = 0;
  if (!ReadFile(as_handle(handle_), buffer, static_cast<DWORD>(size), &n, nullptr)) return -1;
  return static_cast<long>(n);
}

FileIdentity ImportFileReader::identity() const {
  BY_HANDLE_FILE_INFORMATION info{};
  GetFileInformationByHandle(as_handle(handle_), &info);
  return {info.dwVolumeSerialNumber,
          (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// Windows cannot put a new file in the place of one that is open, so the
// lock is taken on a hidden companion file, "LIST.lock", which stays.
bool ListLock::acquire(const std::string& list_name, std::string& reason) {
  name_ = list_name;
  reason = kind_problem(wide_name(list_name));
  if (!reason.empty()) return false;
  const HANDLE h = CreateFileW(wide_name(list_name + ".lock").c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    reason = system_error_text();
    return false;
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);
  OVERLAPPED whole{};
  if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
    reason = system_error_text();
    return false;
  }
  return true;
}

ListLock::~ListLock() {
  if (handle_ == -1) return;
  OVERLAPPED whole{};
  UnlockFileEx(as_handle(handle_), 0, MAXDWORD, MAXDWORD, &whole);
  CloseHandle(as_handle(handle_));
}
