#include "adapter/adapter_frames.h"

#include <string>

#include "adapter/adapter_pauses.h"
#include "adapter/link_recovery.h"
#include "adapter/link_state.h"
#include "adapter/pacing.h"
#include "settings/operator_words.h"
#include "settings/station_settings.h"

namespace {

constexpr std::string_view kNoGatewayRpt2 = "        ";

// The simplex channels a his repeater may still hold after a simplex run.
bool is_simplex_channel(const FixedField<8>& callsign) {
  return callsign.view() == kCallEveryone || callsign.view() == kSimplexChannel;
}

void send_frame(std::uint8_t subcommand, std::string_view payload) {
  send_adapter_frame(make_adapter_frame(subcommand, payload));
}

void send_route_frame(std::string_view rpt2, std::string_view rpt1, std::string_view ur) {
  std::string payload;
  payload.reserve(24);
  payload.append(rpt2).append(rpt1).append(ur);
  send_frame(adapter_byte::route, payload);
}

}  // namespace

AdapterFrame make_adapter_frame(std::uint8_t subcommand, std::string_view payload) {
  AdapterFrame frame;
  const std::size_t room = frame.bytes.size() - 7;
  if (payload.size() > room) payload = payload.substr(0, room);
  auto& b = frame.bytes;
  std::size_t n = 0;
  b[n++] = adapter_byte::preamble;
  b[n++] = adapter_byte::preamble;
  b[n++] = adapter_byte::adapter_address;
  b[n++] = adapter_byte::computer_address;
  b[n++] = adapter_byte::command;
  b[n++] = subcommand;
  for (char c : payload) b[n++] = static_cast<std::uint8_t>(c);
  b[n++] = adapter_byte::end_of_frame;
  frame.size = n;
  return frame;
}

void send_adapter_init() {
  spin_wait(kBeforeConfigurationFrame);
  send_frame(adapter_byte::init, std::string_view("\0", 1));
  spin_wait(kAfterInit);
}

void send_my_callsign() {
  spin_wait(kBeforeConfigurationFrame);
  std::string payload(station.my_callsign.view());
  payload += "  ";
  send_frame(adapter_byte::my_call, payload);
}

void send_my_suffix() {
  spin_wait(kBeforeConfigurationFrame);
  send_frame(adapter_byte::my_suffix, station.my_suffix.view());
}

void send_repeater_mode(bool on) {
  spin_wait(kBeforeConfigurationFrame);
  send_frame(adapter_byte::repeater_mode,
             on ? std::string_view("\x01", 1) : std::string_view("\0", 1));
}

void send_route() {
  spin_wait(kBeforeRoute);
  std::string_view rpt2 = has_no_gateway() ? kNoGatewayRpt2 : station.gateway.view();
  // A simplex channel is no far end in repeater operation: the station calls
  // CQ on its own repeater.
  const bool calls_cq = station.my_repeater == station.his_repeater ||
                        (!is_simplex() && is_simplex_channel(station.his_repeater));
  // Otherwise "/" + callsign, with the module letter moved up beside it: "/QR3KTAB".
  const std::string_view his = station.his_repeater.view();
  const std::array<char, 8> distant = {'/', his[0], his[1], his[2], his[3], his[4], his[5], his[7]};
  const std::string_view ur =
      calls_cq ? kCallEveryone : std::string_view(distant.data(), distant.size());
  send_route_frame(rpt2, station.my_repeater.view(), ur);
}

void send_callback_route() { send_route_with_ur(station.callback_callsign.view()); }

void send_route_with_ur(std::string_view ur) {
  // A repeater without gateway has no RPT2 callsign to put on the air.
  std::string_view rpt2 = has_no_gateway() ? kNoGatewayRpt2 : station.gateway.view();
  send_route_frame(rpt2, station.my_repeater.view(), ur.substr(0, 8));
}

void send_tx_message(const std::array<char, 20>& text) {
  for (int part = 0; part < 4; ++part) {
    spin_wait(kBeforeMessagePart);
    char payload[6];
    payload[0] = static_cast<char>(adapter_byte::first_message_part + part);
    for (int i = 0; i < 5; ++i) {
      char c = text[static_cast<std::size_t>(part * 5 + i)];
      payload[i + 1] = c == '\0' ? ' ' : c;
    }
    send_frame(adapter_byte::message, std::string_view(payload, 6));
  }
}

void configure_adapter(ConsoleView& view) {
  send_adapter_init();
  send_my_callsign();
  view.set_text(ctl::my_suffix, std::string(station.my_suffix.view()));
  send_my_suffix();
  if (!is_simplex()) {
    send_repeater_mode(true);
    send_route();
  } else {
    send_repeater_mode(false);
  }
}
