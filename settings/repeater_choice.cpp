#include "settings/repeater_choice.h"

#include <optional>

#include "settings/repeater_import.h"

namespace {

std::string lines_of(std::size_t n) { return std::to_string(n) + (n == 1 ? " line" : " lines"); }

bool blank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

}  // namespace

std::string group_entry(const GroupRows& group) {
  return group.group + ": " + std::to_string(group.rows) +
         (group.rows == 1 ? " DV row" : " DV rows");
}

ChoiceState state_of_choice(const ImportRequest& base, const RepeaterChoice& choice) {
  ChoiceState state{base, {}, false};
  ImportRequest& request = state.request;
  request.groups = choice.groups;
  request.near.reset();
  request.within_km.reset();
  // The fields' texts are the options' values: the same words refuse them.
  if (!blank(choice.near)) {
    request.near = place_of(choice.near);
    if (!request.near) {
      state.count = "Near takes a locator (IO91 or IO91wm) or latitude,longitude (51.5074,-0.1278)";
      return state;
    }
  }
  if (!blank(choice.within)) {
    request.within_km = plain_decimal(choice.within);
    if (!request.within_km || *request.within_km < 0) {
      state.count = "Within km takes a distance in km";
      return state;
    }
    if (!request.near) {
      state.count = "Within km needs Near";
      return state;
    }
  }
  ImportRequest counted = request;
  counted.count_only = true;
  const ImportReport report = import_repeater_table(counted);
  const std::string room = std::to_string(report.room);
  if (report.lines > report.room) {
    state.count = lines_of(report.lines) + " chosen, more than the " + room + " the console reads";
  } else if (report.lines == 0 && !report.error.empty()) {
    state.count = "No line chosen: " + report.error;
  } else {
    state.count = std::to_string(report.lines) + " of " + lines_of(report.room) + " chosen";
    state.can_import = report.ok && report.lines > 0;
  }
  return state;
}
