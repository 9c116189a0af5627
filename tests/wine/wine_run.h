#pragma once
// Running the cross-compiled programs under Wine, with COMn leading to
// pseudo-terminals the test owns.

#include <chrono>
#include <string>
#include <vector>

#include "support/devices_process.h"

// A program of the Windows build, started under wine64 in the current folder.
struct WineProgram : DevicesProcess {
  WineProgram(const std::string& exe, const std::vector<std::string>& args);
};

// Runs a program of the Windows build to its end and returns its output lines.
std::vector<std::string> run_under_wine(const std::string& exe,
                                        const std::vector<std::string>& args,
                                        std::chrono::milliseconds limit = std::chrono::seconds(60));

// Makes Wine's COMn ($WINEPREFIX/dosdevices/comN) lead to `target` while it lives.
class WineComLink {
 public:
  WineComLink(int com_number, const std::string& target);
  ~WineComLink();
  WineComLink(const WineComLink&) = delete;
  WineComLink& operator=(const WineComLink&) = delete;

 private:
  std::string path_;
};

// True when WINEPREFIX names a prepared prefix.
bool wine_ready();
