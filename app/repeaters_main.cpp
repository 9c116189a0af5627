// kestrel8-repeaters: turns a published D-STAR repeater table (the CSV that
// radios and their programming software export) into the console's
// repeater list. No toolkit: it runs anywhere the console's files live.

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/repeaters_window.h"
#include "repeaters_help.h"  // kRepeatersHelp, made from kestrel8-repeaters(1)
#include "settings/repeater_import.h"
#include "settings/repeater_import_file.h"
#include "settings/repeater_import_io.h"
#include "settings/repeater_import_output.h"

namespace {

constexpr int kUsageStatus = 2;

// What "Import a repeater list" shows when no table was dropped on it.
constexpr const char* kNoTable =
    "kestrel8-repeaters: import needs a repeater table (a CSV file).\n"
    "Drop the table on \"Import a repeater list\", or type in the station folder:\n"
    "  kestrel8-repeaters import FILE.csv\n"
    "  kestrel8-repeaters import FILE.csv --near YOUR-LOCATOR\n"
    "  kestrel8-repeaters import FILE.csv --group \"United Kingdom\"\n"
    "kestrel8-repeaters --help tells the rest.\n";

int usage_error(const std::string& why) {
  write_to_operator(OperatorStream::error,
                    "kestrel8-repeaters: " + why + "\nTry 'kestrel8-repeaters --help'.\n");
  return kUsageStatus;
}

// The import and its summary; 1 when the list or the summary was not written.
// Without a Command Prompt and without options, a table that does not fit
// is chosen from in a window; Cancel writes nothing and ends at once.
int run_import(ImportRequest request, bool may_choose, bool& hold) {
  ImportReport report = import_repeater_table(request);
  if (may_choose && !report.ok && report.lines > report.room) {
    const WindowChoice choice = choose_in_window(request, report);
    if (choice == WindowChoice::chosen) report = import_repeater_table(request);
    if (choice == WindowChoice::cancelled) {
      hold = false;
      write_to_operator(OperatorStream::error,
                        "kestrel8-repeaters: cancelled; nothing was written\n");
      return 1;
    }
  }
  const bool told = write_to_operator(OperatorStream::output, report.summary);
  if (!report.ok) {
    write_to_operator(OperatorStream::error, "kestrel8-repeaters: " + report.error + "\n");
    return 1;
  }
  if (!told) {
    write_to_operator(
        OperatorStream::error,
        "kestrel8-repeaters: the summary could not be written: " + system_error_text() + "\n");
    return 1;
  }
  return 0;
}

int run(const std::vector<std::string>& args, bool& import) {
  ImportRequest request;
  std::set<std::string> given;
  bool options = false;
  // A table dropped on the program itself, with no prompt, is imported into
  // the program's folder, where the zip's station files stand: Explorer's
  // own folder, which the program starts in, is nobody's station.
  const bool no_prompt = started_without_prompt();
  if (no_prompt && args.size() == 2 && args[1] != "import" && !args[1].starts_with("-")) {
    import = true;
    const std::size_t folder_end = args[0].find_last_of("\\/");
    if (folder_end != std::string::npos)
      request.list_file = args[0].substr(0, folder_end + 1) + request.list_file;
  }
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const bool has_value = i + 1 < args.size();
    options = options || arg.starts_with("-");
    if (arg == "--help" || arg == "-h") {
      return write_to_operator(OperatorStream::output, kRepeatersHelp) ? 0 : 1;
    } else if (arg == "--append") {
      request.append = true;
    } else if (arg == "--out" || arg == "--group" || arg == "--near" || arg == "--within" ||
               arg == "--encoding") {
      if (!has_value) return usage_error(std::string(arg) + " needs a value");
      const std::string& value = args[++i];
      // Only --group may be given more than once: a second place, list or
      // encoding would silently win over the first.
      if (arg != "--group" && !given.insert(std::string(arg)).second)
        return usage_error(std::string(arg) + " is given twice; give it once");
      if (arg == "--out") {
        request.list_file = value;
      } else if (arg == "--encoding") {
        request.encoding = value;
      } else if (arg == "--group") {
        request.groups.push_back(value);
      } else if (arg == "--near") {
        request.near = place_of(value);
        if (!request.near)
          return usage_error(
              "--near takes a locator (IO91 or IO91wm) or latitude,longitude "
              "(51.5074,-0.1278), not " +
              value);
      } else {
        request.within_km = plain_decimal(value);
        if (!request.within_km || *request.within_km < 0)
          return usage_error("--within takes a distance in km, not " + value);
      }
    } else if (arg.starts_with("-")) {
      return usage_error("unknown option " + std::string(arg));
    } else if (!import && arg == "import") {
      import = true;
    } else if (import && request.csv_file.empty()) {
      request.csv_file = arg;
    } else {
      return usage_error("unexpected " + std::string(arg));
    }
  }
  if (!import) return usage_error("say what to do: import FILE.csv");
  if (request.csv_file.empty()) {
    write_to_operator(OperatorStream::error, kNoTable);
    return kUsageStatus;
  }
  if (request.within_km && !request.near) return usage_error("--within needs --near PLACE");
  return run_import(request, no_prompt && !options, import);
}

}  // namespace

int main(int argc, char** argv) {
  bool import = false;
  const int status = run(program_arguments(argc, argv), import);
  if (import) hold_own_console_window();
  return status;
}
