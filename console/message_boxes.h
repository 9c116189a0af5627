#pragma once
// Every box the console shows, with its fixed words. Each box has one
// detail from its caller (a file, a port, an address), shown where the row
// says: after the text's fixed words, or as the whole caption.

#include <string>
#include <string_view>

#include "console/console_view.h"

enum class DetailIn { text, caption };

struct BoxText {
  std::string_view text;
  std::string_view caption;
  DetailIn detail = DetailIn::text;
};

namespace box {
inline constexpr BoxText adapter_port_failed{
    "COM port could not open for DV adapter", {}, DetailIn::caption};
inline constexpr BoxText transceiver_port_failed{{}, "TRX COM port error"};
inline constexpr BoxText settings_file_unread{{}, "Error! the file could not open"};
inline constexpr BoxText repeater_file_unread{"File could not open, ", {}, DetailIn::caption};
inline constexpr BoxText adapter_file_unsaved{"Could not open", {}, DetailIn::caption};
inline constexpr BoxText transceiver_file_unsaved{
    "TRX_configulation could not open", {}, DetailIn::caption};
// The radio's limit in the box's fixed words, "Tranceiver" spelling included.
inline constexpr BoxText above_460_mhz{"More than 460MHz can not handle by the Tranceiver.",
                                       "Error : "};
inline constexpr BoxText adapter_closed{"DV adapter port has been closed", "ERROR"};
inline constexpr BoxText rigctld_silent{"No answer from rigctld at ", "TRX rigctld error"};
inline constexpr BoxText rigctld_refused{"rigctld refused ", "TRX rigctld error"};
inline constexpr BoxText rigctld_not_host_port{
    "The rigctld address is not HOST:PORT (a port from 1 to 65535): ", "TRX rigctld error"};
inline constexpr BoxText rigctld_too_long{"An answer too long to be rigctld's came from ",
                                          "TRX rigctld error"};
inline constexpr BoxText rigctld_malformed{"A malformed RPRT line came from rigctld at ",
                                           "TRX rigctld error"};
inline constexpr BoxText rigctld_stranger{"What answers is not rigctld, at ", "TRX rigctld error"};
// Added to a rigctld box when the tuning ends there.
inline constexpr std::string_view radio_on_old_channel = "\nThe radio stays on its old channel.";
inline constexpr std::string_view radio_on_new_frequency_only =
    "\nThe radio has the new frequency but keeps its old shift.";
// Two port numbers, one device: the adapter and the radio need one each.
inline constexpr BoxText ports_one_device{"DV port and TRX port lead to one device: ",
                                          "COM port error"};
inline constexpr BoxText heard_log_unwritten{"The heard log ", "Heard log"};
// The detail names the first line that is no reflector, or the reflectors
// beyond the 64 offered, or both.
inline constexpr BoxText reflectors_left_out{"Left out: ", "D-STAR_reflectors.txt"};
}  // namespace box

// Shows the box with its detail in place; holds the caller until OK.
inline void show_box(ConsoleView& view, const BoxText& box, std::string_view detail = {},
                     BoxOwner owner = BoxOwner::none) {
  if (box.detail == DetailIn::caption) {
    view.message_box(std::string(box.text), std::string(detail), owner);
  } else {
    view.message_box(std::string(box.text) + std::string(detail), std::string(box.caption), owner);
  }
}
