#include "console/repeater_commands.h"

#include <array>
#include <optional>
#include <string_view>

#include "adapter/adapter_frames.h"
#include "adapter/link_state.h"
#include "console/message_boxes.h"
#include "settings/operator_words.h"
#include "settings/station_settings.h"

namespace {

struct FixedCommand {
  const char* entry;
  std::string_view ur;
};

// The repeater answers these in UR: 7 spaces and the command's letter.
constexpr std::array<FixedCommand, 3> kFixedCommands = {{
    {"Unlink", "       U"},
    {"Echo test", "       E"},
    {"Repeater info", "       I"},
}};

constexpr const char* kUseReflector = "Use reflector";

// Where the entries start in "His repeater", and how many there are; the
// window's thread alone reads and writes them.
int first_entry = -1;
int entry_count = 0;

std::string link_entry(const Reflector& reflector) {
  std::string entry = "Link ";
  entry.append(reflector.callsign.view());
  if (!reflector.name.empty()) entry.append(" ").append(reflector.name.view());
  return entry;
}

// The entry's place among the entries, when the selected one is an entry.
std::optional<int> chosen_entry(ConsoleView& view) {
  const std::optional<int> index = view.list_selected_index(ctl::his_repeater);
  if (!index || first_entry < 0 || view.list_count(ctl::his_repeater) != first_entry + entry_count)
    return std::nullopt;
  if (*index < first_entry || *index >= first_entry + entry_count) return std::nullopt;
  return *index - first_entry;
}

}  // namespace

std::string link_command(const Reflector& reflector) {
  const std::string_view callsign = reflector.callsign.view();
  std::string ur(callsign.substr(0, 6));
  ur.push_back(callsign[7]);
  ur.push_back('L');
  return ur;
}

void offer_repeater_commands(ConsoleView& view) {
  forget_repeater_commands();
  if (has_no_gateway() || is_simplex()) return;
  first_entry = view.list_count(ctl::his_repeater);
  view.list_append(ctl::his_repeater, kUseReflector);
  for (std::size_t i = 0; i < reflectors.count; ++i)
    view.list_append(ctl::his_repeater, link_entry(reflectors.entries[i]));
  for (const FixedCommand& command : kFixedCommands)
    view.list_append(ctl::his_repeater, command.entry);
  entry_count = static_cast<int>(1 + reflectors.count + kFixedCommands.size());
}

void forget_repeater_commands() {
  first_entry = -1;
  entry_count = 0;
}

bool choose_repeater_command(ConsoleView& view) {
  const std::optional<int> entry = chosen_entry(view);
  if (!entry) return false;
  if (*entry == 0) {
    // CQ on my repeater, which the reflector linked to it carries; stored
    // like any his repeater.
    station.his_repeater = station.my_repeater;
    set_text(station.his_repeater_line, station.my_repeater_line.view());
    if (adapter_open) send_route();
    return true;
  }
  const std::size_t k = static_cast<std::size_t>(*entry - 1);
  const std::string ur = k < reflectors.count
                             ? link_command(reflectors.entries[k])
                             : std::string(kFixedCommands[k - reflectors.count].ur);
  // Sent once and kept nowhere: the next START sends the stored route, so a
  // station that starts again never links or unlinks its repeater by itself.
  if (adapter_open) {
    send_route_with_ur(ur);
  } else {
    show_box(view, box::adapter_closed, {}, BoxOwner::window);
  }
  return true;
}
