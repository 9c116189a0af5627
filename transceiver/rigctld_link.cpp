#include "transceiver/rigctld_link.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <string_view>

#include "console/message_boxes.h"
#include "settings/station_settings.h"
#include "transceiver/tcp_connection.h"

namespace {

using Clock = std::chrono::steady_clock;

// Where rigctld listens unless told otherwise.
constexpr const char* kDefaultAddress = "127.0.0.1:4532";
constexpr auto kAnswerLimit = std::chrono::milliseconds(2000);
constexpr auto kTuningLimit = std::chrono::milliseconds(5000);
// An answer longer than this is no rigctld answer.
constexpr std::size_t kLongestAnswer = 4096;

TcpConnection rigctld;
Clock::time_point tuning_ends;

std::chrono::milliseconds time_left(std::chrono::milliseconds at_most) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(tuning_ends - Clock::now());
  return std::clamp(left, std::chrono::milliseconds(0), at_most);
}

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

void show_no_answer(ConsoleView& view) {
  rigctld.close();
  show_box(view, box::rigctld_silent, rigctld_address());
}

// The code of the "RPRT n" line that ends an answer, once it has come.
std::optional<int> report_code(const std::string& answer) {
  for (std::size_t from = 0;;) {
    const std::size_t end = answer.find('\n', from);
    if (end == std::string::npos) return std::nullopt;
    const std::string_view line(answer.data() + from, end - from);
    if (line.starts_with("RPRT ")) {
      int code = 0;
      const auto [_, error] = std::from_chars(line.data() + 5, line.data() + line.size(), code);
      return error == std::errc() ? code : -1;
    }
    from = end + 1;
  }
}

}  // namespace

std::string rigctld_address() {
  const std::string_view field = trimmed(station.transceiver_address.view());
  // "Dummy " is what the other models keep in this place.
  if (field.empty() || field == "Dummy") return kDefaultAddress;
  return std::string(field);
}

bool rigctld_connected() { return rigctld.is_open(); }

bool begin_rigctld_tuning(ConsoleView& view) {
  tuning_ends = Clock::now() + kTuningLimit;
  if (rigctld.is_open()) return true;
  const std::string address = rigctld_address();
  // HOST:PORT; the last colon, so that a bracketed IPv6 host keeps its own.
  const std::size_t colon = address.rfind(':');
  std::string host = address.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  if (colon != std::string::npos && !host.empty()) {
    rigctld = TcpConnection::open(host, address.substr(colon + 1), time_left(kAnswerLimit));
  }
  if (!rigctld.is_open()) show_no_answer(view);
  return rigctld.is_open();
}

TuneStep rigctld_command(ConsoleView& view, const std::string& command) {
  if (!rigctld.is_open()) return TuneStep::failed;
  // Every wait of the command ends within 2 s, and within the tuning's 5 s.
  const auto end = Clock::now() + time_left(kAnswerLimit);
  auto left = [&end] {
    return std::max(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()),
                    std::chrono::milliseconds(0));
  };
  if (!rigctld.send("+" + command + "\n", left())) {
    show_no_answer(view);
    return TuneStep::failed;
  }
  std::string answer;
  std::optional<int> code;
  while (!(code = report_code(answer))) {
    if (answer.size() > kLongestAnswer || left().count() == 0 ||
        rigctld.receive(answer, left()) == TcpConnection::Received::hung_up) {
      show_no_answer(view);
      return TuneStep::failed;
    }
  }
  if (*code >= 0) return TuneStep::sent;
  show_box(view, box::rigctld_refused, command + ": RPRT " + std::to_string(*code));
  return TuneStep::refused;
}

void close_rigctld_link() { rigctld.close(); }
