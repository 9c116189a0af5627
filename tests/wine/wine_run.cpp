#include "wine/wine_run.h"

#include <cstdlib>
#include <filesystem>

namespace {

const char* const kWine = "/usr/lib/wine/wine64";

std::string prefix() {
  const char* p = std::getenv("WINEPREFIX");
  return p ? p : "";
}

std::vector<std::string> wine_args(const std::string& exe, std::vector<std::string> args) {
  args.insert(args.begin(), std::string(KESTREL8_WIN_BUILD) + "/" + exe);
  return args;
}

}  // namespace

WineProgram::WineProgram(const std::string& exe, const std::vector<std::string>& args)
    : DevicesProcess(kWine, wine_args(exe, args)) {}

std::vector<std::string> run_under_wine(const std::string& exe,
                                        const std::vector<std::string>& args,
                                        std::chrono::milliseconds limit) {
  WineProgram program(exe, args);
  program.wait_for_exit(limit);
  std::vector<std::string> lines = program.lines();
  // The Windows C library ends its lines with CR LF.
  for (auto& line : lines) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
  }
  return lines;
}

WineComLink::WineComLink(int com_number, const std::string& target)
    : path_(prefix() + "/dosdevices/com" + std::to_string(com_number)) {
  std::error_code ec;
  std::filesystem::remove(path_, ec);
  std::filesystem::create_symlink(target, path_, ec);
}

WineComLink::~WineComLink() {
  std::error_code ec;
  std::filesystem::remove(path_, ec);
}

bool wine_ready() {
  return !prefix().empty() && std::filesystem::exists(prefix() + "/drive_c") &&
         std::filesystem::exists(kWine);
}
