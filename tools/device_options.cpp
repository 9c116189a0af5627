#include "device_options.h"

#include <getopt.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

// Whole text only: strtol alone would take "7x", " 7" or "+7".
bool to_port(const std::string& text, int& out) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || n < 1 || n > 999) return false;
  out = static_cast<int>(n);
  return true;
}

// A day at most: a longer spell is a typing slip, not a test plan.
bool to_seconds(const std::string& text, double& out) {
  if (text.empty() || !((text[0] >= '0' && text[0] <= '9') || text[0] == '.')) return false;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !std::isfinite(v) || v < 0 || v > 86400) return false;
  out = v;
  return true;
}

enum : int {
  kDir = 256,
  kDvPort,
  kTrxPort,
  kRepeaters,
  kScript,
  kScriptAfterInit,
  kEvery,
  kHex,
  kAssumeOpen,
  kUnplugAfter,
  kReplugAfter
};

const option kOptions[] = {
    {"dir", required_argument, nullptr, kDir},
    {"dv-port", required_argument, nullptr, kDvPort},
    {"trx-port", required_argument, nullptr, kTrxPort},
    {"repeaters", required_argument, nullptr, kRepeaters},
    {"script", required_argument, nullptr, kScript},
    {"script-after-init", no_argument, nullptr, kScriptAfterInit},
    {"every", required_argument, nullptr, kEvery},
    {"hex", no_argument, nullptr, kHex},
    {"assume-open", no_argument, nullptr, kAssumeOpen},
    {"unplug-after", required_argument, nullptr, kUnplugAfter},
    {"replug-after", required_argument, nullptr, kReplugAfter},
    {"help", no_argument, nullptr, 'h'},
    {nullptr, 0, nullptr, 0},
};

// The option as the operator typed it, for the message.
std::string typed(char* const* argv, int index) {
  std::string word = argv[index];
  return word.substr(0, word.find('='));
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
         "  --every SECONDS      a header from a fictional station this often (default 30, 0 = "
         "off)\n"
         "  --hex                also print the raw bytes\n"
         "  --assume-open        count both ports as held by the console all the time: a\n"
         "                       console under Wine opens them without claiming the terminal\n"
         "  --unplug-after S     unplug the adapter S seconds after start: its terminal hangs\n"
         "                       up and its COM link goes, as when a USB adapter is pulled out\n"
         "  --replug-after S     plug it in again S seconds later: a new terminal, a new link\n"
         "  --help               this text\n"
         "Reports are sent only while a program has the adapter port open: the console\n"
         "from START to STOP, or ser2net while its client is connected.\n"
         "SIGUSR1 unplugs the adapter, or plugs it in again when it is out.\n";
}

bool parse_device_options(const std::vector<std::string>& args, DeviceOptions& o,
                          std::string& error) {
  std::vector<std::string> words = {"kestrel8-devices"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(words.size());

  optind = 0;  // start afresh: the parser may run more than once
  opterr = 0;  // our own messages below
  for (;;) {
    const int before = std::min(optind == 0 ? 1 : optind, argc - 1);
    const int key = getopt_long(argc, argv.data(), "+:h", kOptions, nullptr);
    if (key == -1) break;
    const std::string name = typed(argv.data(), before);
    const std::string value = optarg != nullptr ? optarg : "";
    switch (key) {
      case kHex:
        o.hex = true;
        break;
      case 'h':
        o.help = true;
        break;
      case kAssumeOpen:
        o.assume_open = true;
        break;
      case kScriptAfterInit:
        o.script_after_init = true;
        break;
      case kDir:
      case kRepeaters:
      case kScript:
        if (value.empty()) {
          error = name + " needs a non-empty value";
          return false;
        }
        (key == kDir ? o.folder : key == kRepeaters ? o.repeaters : o.script) = value;
        break;
      case kDvPort:
      case kTrxPort:
        if (!to_port(value, key == kDvPort ? o.dv_port : o.trx_port)) {
          error = name + " needs a port number from 1 to 999, not \"" + value + '"';
          return false;
        }
        break;
      case kEvery:
        if (!to_seconds(value, o.every_seconds)) {
          error = "--every needs a number of seconds from 0 (off) to 86400, not \"" + value + '"';
          return false;
        }
        break;
      case kUnplugAfter:
      case kReplugAfter:
        if (!to_seconds(value, key == kUnplugAfter ? o.unplug_after : o.replug_after)) {
          error = name + " needs a number of seconds from 0 to 86400, not \"" + value + '"';
          return false;
        }
        break;
      case ':':
        error = name + " needs a value";
        return false;
      default:
        // A known flag given a value, or an unknown or ambiguous word.
        error = optopt != 0 && name != argv[before] ? name + " takes no value"
                                                    : "unknown option " + std::string(argv[before]);
        return false;
    }
  }
  if (optind < argc) {
    error = "unknown option " + std::string(argv[static_cast<std::size_t>(optind)]);
    return false;
  }
  if (o.dv_port == o.trx_port) {
    error = "the adapter and the radio need different port numbers";
    return false;
  }
  return true;
}
