#pragma once
// Command frames from the computer to the DV adapter; their bytes are in
// adapter_bytes.h.
// Payload bytes are copied as they stand; nothing is escaped.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "adapter/adapter_bytes.h"
#include "console/console_view.h"

// The longest frame, ROUTE, is 31 bytes.
struct AdapterFrame {
  std::array<std::uint8_t, 31> bytes{};
  std::size_t size = 0;
};

AdapterFrame make_adapter_frame(std::uint8_t subcommand, std::string_view payload);

// Each sender pauses first, so the adapter has time for the frame before.
void send_adapter_init();
void send_my_callsign();
void send_my_suffix();
void send_repeater_mode(bool on);
void send_route();
void send_callback_route();
// No pause, as for a call back: RPT2 the gateway, RPT1 my repeater, and the
// UR given, a station heard or a command to the repeater ("REF030CL").
void send_route_with_ur(std::string_view ur);
void send_tx_message(const std::array<char, 20>& text);

// The adapter half of START: init, MY callsign, suffix, mode and route.
void configure_adapter(ConsoleView& view);
