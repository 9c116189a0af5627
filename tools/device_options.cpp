#include "device_options.h"

#include <cmath>
#include <cstdlib>

namespace {

bool to_port(const std::string& text, int& out) {
  char* end = nullptr;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || n < 1 || n > 999) return false;
  out = static_cast<int>(n);
  return true;
}

bool to_seconds(const std::string& text, double& out) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(v) || v < 0) return false;
  out = v;
  return true;
}

}  // namespace

const char* device_usage() {
  return "usage: kestrel8-devices [options]\n"
         "Plays a DV adapter and an FT-817 on two pseudo-terminals linked as COMn\n"
         "files, where the console looks for its ports. Ctrl-C stops and removes the links.\n"
         "\n"
         "  --dir FOLDER         folder for the COM links (default: current folder)\n"
         "  --dv-port N          adapter port number, link COM<N> (default 7)\n"
         "  --trx-port N         radio port number, link COM<N> (default 8)\n"
         "  --repeaters FILE     repeater list; a ROUTE whose UR names another repeater gets UR?\n"
         "                       (without a list every UR is accepted)\n"
         "  --script FILE        header reports to send, lines of seconds,MY,UR,RPT1,RPT2\n"
         "  --script-after-init  script seconds count from the console's INIT (each START\n"
         "                       replays it) instead of from program start\n"
         "  --every SECONDS      a header from a fictional station this often (default 30, 0 = off)\n"
         "  --hex                also print the raw bytes\n"
         "  --assume-open        count both ports as held by the console all the time: a\n"
         "                       console under Wine opens them without claiming the terminal\n"
         "  --help               this text\n"
         "Reports are sent only while the console holds the adapter port (START to STOP).\n";
}

bool parse_device_options(const std::vector<std::string>& args, DeviceOptions& o, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::string value;
    bool has_value = false;
    if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      has_value = true;
    }
    const auto take_value = [&]() {
      if (has_value) return true;
      if (i + 1 >= args.size()) {
        error = name + " needs a value";
        return false;
      }
      value = args[++i];
      return true;
    };
    const bool is_flag = name == "--hex" || name == "--help" || name == "-h" || name == "--script-after-init" ||
                         name == "--assume-open";
    if (is_flag && has_value) {
      error = name + " takes no value";
      return false;
    }
    if (name == "--hex") {
      o.hex = true;
    } else if (name == "--help" || name == "-h") {
      o.help = true;
    } else if (name == "--assume-open") {
      o.assume_open = true;
    } else if (name == "--script-after-init") {
      o.script_after_init = true;
    } else if (name == "--dir" || name == "--repeaters" || name == "--script") {
      if (!take_value()) return false;
      if (value.empty()) {
        error = name + " needs a non-empty value";
        return false;
      }
      (name == "--dir" ? o.folder : name == "--repeaters" ? o.repeaters : o.script) = value;
    } else if (name == "--dv-port" || name == "--trx-port") {
      if (!take_value()) return false;
      if (!to_port(value, name == "--dv-port" ? o.dv_port : o.trx_port)) {
        error = name + " needs a port number from 1 to 999, not \"" + value + '"';
        return false;
      }
    } else if (name == "--every") {
      if (!take_value()) return false;
      if (!to_seconds(value, o.every_seconds)) {
        error = "--every needs a number of seconds (0 turns it off), not \"" + value + '"';
        return false;
      }
    } else {
      error = "unknown option " + args[i];
      return false;
    }
  }
  if (o.dv_port == o.trx_port) {
    error = "the adapter and the radio need different port numbers";
    return false;
  }
  return true;
}
