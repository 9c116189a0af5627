#pragma once
// Command-line options of kestrel8-devices.

#include <string>
#include <vector>

struct DeviceOptions {
  std::string folder = ".";
  int dv_port = 7;
  int trx_port = 8;
  std::string repeaters;           // empty: no list, every "/" UR is accepted
  std::string script;              // header script file, or empty
  bool script_after_init = false;  // script clock starts at each INIT instead of program start
  double every_seconds = 30;       // fictional stations; 0 turns them off
  bool hex = false;
  bool assume_open = false;  // ports count as held by the console all the time
  double unplug_after = -1;  // seconds from start to unplugging the adapter; < 0 never
  double replug_after = -1;  // seconds from unplugging to plugging it in again; < 0 never
  bool help = false;
};

bool parse_device_options(const std::vector<std::string>& args, DeviceOptions& options,
                          std::string& error);
const char* device_usage();
