#pragma once
// The settings that survive between runs: the adapter line, the transceiver
// line and the two chosen repeater lines, in small text files in the
// working directory, read and written as bytes by their bare names.

#include <string>
#include <string_view>
#include <vector>

#include "console/console_view.h"

inline constexpr const char* kAdapterSettingsFile = "D-STAR_DV_config.txt";
// "tranceiver" as spelled in every stored settings folder: keep it, or the
// operators' saved transceiver settings are no longer found.
inline constexpr const char* kTransceiverSettingsFile = "D-STAR_tranceiver_config.txt";
inline constexpr const char* kMyRepeaterFile = "D-STAR_my_rpt.txt";
inline constexpr const char* kHisRepeaterFile = "D-STAR_his_rpt.txt";
inline constexpr const char* kRepeaterListFile = "D-STAR_repeaters.txt";
// Optional: the reflectors offered for linking in "His repeater".
inline constexpr const char* kReflectorListFile = "D-STAR_reflectors.txt";

enum class SettingsKind { adapter, transceiver, my_repeater, his_repeater };

// The file's first line, at most 99 characters; empty when the file is
// missing (after the operator has been told) or holds nothing.
std::string read_first_line(ConsoleView& view, const std::string& file_name);

// Fields split at commas, tabs and line feeds; empty fields vanish.
std::vector<std::string_view> split_fields(std::string_view line);

// Applies a line's fields to the station record by position, showing some of
// them in the window as it goes.
void parse_settings_line(ConsoleView& view, std::string_view line, SettingsKind kind);

void save_adapter_settings(ConsoleView& view);
void save_transceiver_settings(ConsoleView& view);
// The same with the channel the radio was last tuned to, when the record has
// moved on to one it was not.
void save_transceiver_settings(ConsoleView& view, std::string_view frequency_khz,
                               std::string_view shift_khz);
