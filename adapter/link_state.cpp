#include "adapter/link_state.h"

#include <cctype>
#include <climits>

#include "adapter/link_recovery.h"
#include "console/message_boxes.h"

SerialPort adapter_port_handle;
std::atomic<bool> adapter_open{false};
bool adapter_port_opened = false;
SerialPort transceiver_port_handle;
bool transceiver_active = false;
int port_number = 0;

namespace {

// The number "%d" reads from the port text, or `otherwise` when there is none.
int port_number_in(std::string_view text, int otherwise) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return otherwise;
  long long value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT_MAX) value = INT_MAX;  // no device has such a number
  }
  return static_cast<int>(negative ? -value : value);
}

}  // namespace

void parse_port_number(std::string_view text) { port_number = port_number_in(text, port_number); }

bool ports_lead_to_one_device(ConsoleView& view, std::string_view adapter_text,
                              std::string_view transceiver_text) {
  // Read as the two opens will read them, one after the other.
  const int adapter = port_number_in(adapter_text, port_number);
  const int transceiver = port_number_in(transceiver_text, adapter);
  if (adapter == transceiver ||
      !lead_to_one_device(device_path_for_com(adapter), device_path_for_com(transceiver))) {
    return false;
  }
  show_box(view, box::ports_one_device, com_name(adapter) + " and " + com_name(transceiver));
  return true;
}

std::string com_name(int number) { return "COM" + std::to_string(number); }

void open_adapter_port(ConsoleView& view, std::string_view port_text) {
  adapter_open = true;
  parse_port_number(port_text);
  const std::string device = device_path_for_com(port_number);
  adapter_port_handle = SerialPort::open(device, StopBits::one);
  if (!adapter_port_handle.is_open()) {
    show_box(view, box::adapter_port_failed, com_name(port_number));
    adapter_open = false;
    return;
  }
  adapter_port_opened = true;
  remember_adapter_device(device, adapter_port_handle.identity());
}

void open_transceiver_port(ConsoleView& view, std::string_view port_text) {
  parse_port_number(port_text);
  transceiver_port_handle = SerialPort::open(device_path_for_com(port_number), StopBits::two);
  if (!transceiver_port_handle.is_open()) {
    show_box(view, box::transceiver_port_failed, com_name(port_number));
    transceiver_active = false;
    return;
  }
  transceiver_active = true;
}

void close_adapter_link() {
  adapter_open = false;
  adapter_port_opened = false;
  adapter_port_handle.close();
}

void close_transceiver_link() {
  transceiver_port_handle.close();
  transceiver_active = false;
}
