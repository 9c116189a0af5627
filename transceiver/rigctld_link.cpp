#include "transceiver/rigctld_link.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <optional>

#include "console/message_boxes.h"
#include "settings/station_settings.h"
#include "transceiver/tcp_connection.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Where rigctld listens unless told otherwise.
constexpr const char* kDefaultAddress = "127.0.0.1:4532";
// hamlib tries a silent radio several times before it answers: its FT-817
// backend took 34 s to report a radio that never answered.
constexpr milliseconds kDefaultWait(40000);
// An answer longer than this is no rigctld answer.
constexpr std::size_t kLongestAnswer = 4096;
// Each read is this short, so a tuning given up stops at once.
constexpr milliseconds kSlice(20);

// Set by tests between tunings.
std::atomic<milliseconds> answer_wait{kDefaultWait};

// Everything below belongs to the tuning thread.
TcpConnection rigctld;
std::string address_used;
StillWanted still_wanted;
bool names_vfo = false;        // rigctld runs with --vfo
bool connected_again = false;  // this tuning made its connection again
ChannelSoFar channel_so_far = ChannelSoFar::old_channel;

// hamlib's error codes, by their number without its sign (rig.h, enum
// rig_errcode_e).
constexpr const char* kHamlibWords[] = {
    "done",
    "invalid parameter",
    "invalid configuration",
    "memory shortage",
    "function not implemented",
    "communication timed out",
    "IO error",
    "internal Hamlib error",
    "protocol error",
    "command rejected by the rig",
    "command performed, but argument truncated",
    "function not available",
    "VFO not targetable",
    "error talking on the bus",
    "collision on the bus",
    "invalid pointer argument",
    "invalid VFO",
    "argument out of domain",
    "function deprecated",
    "security error",
    "rig not powered on",
    "limit exceeded",
    "access denied",
};

// The extended form's echo of each command we send.
std::string_view long_name(char command) {
  switch (command) {
    case 'F':
      return "set_freq";
    case 'O':
      return "set_rptr_offs";
    case 'R':
      return "set_rptr_shift";
    case 'M':
      return "set_mode";
    default:
      return {};
  }
}

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool wanted() { return !still_wanted || still_wanted(); }

std::string channel_note() {
  switch (channel_so_far) {
    case ChannelSoFar::old_channel:
      return std::string(box::radio_on_old_channel);
    case ChannelSoFar::new_frequency_old_shift:
      return std::string(box::radio_on_new_frequency_only);
    case ChannelSoFar::new_channel:
      break;
  }
  return {};
}

// One box for a connection that cannot go on; the connection is closed.
TuneStep give_up(ConsoleView& view, const BoxText& which, const std::string& detail) {
  rigctld.close();
  if (wanted()) show_box(view, which, detail + channel_note());
  return TuneStep::failed;
}

// Reads `port` as a TCP port: digits only, 1 to 65535.
bool is_port(std::string_view port) {
  if (port.empty() || port.size() > 5) return false;
  int value = 0;
  const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
  return error == std::errc() && end == port.data() + port.size() && value >= 1 && value <= 65535;
}

// rigctld's answer to one line we sent, as it arrives.
enum class Answer { pending, reported, silent, too_long, malformed, stranger, hung_up };

struct AnswerReader {
  std::string echo;      // the line our answer starts with; empty: none
  std::string received;  // not yet split into lines
  std::size_t taken = 0;
  bool echoed = false;
  bool stranger = false;  // a line no rigctld writes came
  std::string line;       // the answer's last line

  // Looks at the lines come so far.
  Answer look() {
    for (std::size_t end; (end = received.find('\n')) != std::string::npos;) {
      line = std::string(trimmed(std::string_view(received).substr(0, end)));
      taken += end + 1;
      received.erase(0, end + 1);
      // Lines before our own echo answered an earlier command: dropped.
      if (!echoed && !echo.empty()) {
        echoed = line == echo;
        if (!echoed && !looks_like_rigctld(line)) stranger = true;
        continue;
      }
      // A query's answer is one line; an "RPRT 0" before it answered nothing of ours.
      if (echo.empty() && line == "RPRT 0") continue;
      if (line.starts_with("RPRT")) return well_formed(line) ? Answer::reported : Answer::malformed;
      if (echo.empty()) return Answer::reported;
      if (!looks_like_rigctld(line)) stranger = true;
    }
    if (taken + received.size() > kLongestAnswer) return Answer::too_long;
    return Answer::pending;
  }

  // No answer came in time: bytes no rigctld would send say it is not rigctld.
  Answer cut_short(Answer otherwise) const {
    return stranger || !received.empty() ? Answer::stranger : otherwise;
  }

  static bool looks_like_rigctld(std::string_view line) {
    if (line.starts_with("RPRT ")) return true;
    const std::size_t colon = line.find(':');
    return colon != std::string_view::npos && colon > 0 &&
           std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(colon),
                       [](char c) { return (c >= 'a' && c <= 'z') || c == '_'; });
  }

  // "RPRT" then a code of digits with an optional minus.
  static bool well_formed(std::string_view line) {
    if (!line.starts_with("RPRT ")) return false;
    std::string_view code = trimmed(line.substr(5));
    if (code.starts_with('-')) code.remove_prefix(1);
    return !code.empty() &&
           std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; });
  }
};

// Drops what waits on the connection: it answers nothing we are about to ask.
Answer drop_waiting() {
  std::string dropped;
  for (;;) {
    const auto got = rigctld.receive(dropped, milliseconds(0));
    if (got == TcpConnection::Received::hung_up) return Answer::hung_up;
    if (got == TcpConnection::Received::nothing) return Answer::pending;
    if (dropped.size() > 16 * kLongestAnswer) return Answer::too_long;
  }
}

// Sends one line and reads its answer, waiting at most answer_wait.
Answer exchange(const std::string& text, AnswerReader& reader) {
  if (const Answer before = drop_waiting(); before != Answer::pending) return before;
  const auto end = Clock::now() + answer_wait.load();
  auto left = [&end] {
    return std::clamp(std::chrono::duration_cast<milliseconds>(end - Clock::now()), milliseconds(0),
                      kSlice);
  };
  // A line this short goes into an empty send buffer at once; a connection
  // that takes nothing has hung up.
  if (!rigctld.send(text, kSlice)) return Answer::hung_up;
  for (;;) {
    if (const Answer seen = reader.look(); seen != Answer::pending) return seen;
    if (!wanted()) return Answer::silent;
    if (left().count() == 0) return reader.cut_short(Answer::silent);
    if (rigctld.receive(reader.received, left()) == TcpConnection::Received::hung_up) {
      if (const Answer seen = reader.look(); seen != Answer::pending) return seen;
      return reader.cut_short(Answer::hung_up);
    }
  }
}

// What rigctld answers to `\chk_vfo`: "1" in VFO mode, in whichever form its
// version writes ("1", "ChkVFO: 1", "CHKVFO 1"), or an RPRT code from one
// that does not know the question.
bool answers_chk_vfo(std::string_view line) {
  if (line.starts_with("RPRT ")) return true;
  for (std::string_view form : {"ChkVFO:", "CHKVFO"}) {
    if (line.starts_with(form)) line = trimmed(line.substr(form.size()));
  }
  return line == "0" || line == "1";
}

Answer connect(AnswerReader& reader) {
  rigctld.close();
  names_vfo = false;
  // HOST:PORT; the last colon, so that a bracketed IPv6 host keeps its own.
  const std::size_t colon = address_used.rfind(':');
  std::string host = address_used.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  rigctld =
      TcpConnection::open(host, address_used.substr(colon + 1), answer_wait.load(), still_wanted);
  if (!rigctld.is_open()) return Answer::silent;
  // Once a connection: a rigctld shared by several programs may run with
  // --vfo, and then every command names its VFO. Its own option stays as
  // the other programs set it.
  reader = AnswerReader();
  Answer answer = exchange("\\chk_vfo\n", reader);
  if (answer == Answer::reported && !answers_chk_vfo(reader.line)) answer = Answer::stranger;
  if (answer != Answer::reported) return answer;
  names_vfo = !reader.line.starts_with("RPRT") && reader.line.ends_with('1');
  return Answer::reported;
}

// The box's detail for what rigctld said: the command and hamlib's words.
std::string refusal(const std::string& command, std::string_view code) {
  return command + ": " + hamlib_words(code) + " (RPRT " + std::string(code) + ")";
}

// The one box for an answer that ends the tuning; the connection is closed.
TuneStep give_up(ConsoleView& view, Answer answer, const AnswerReader& reader) {
  switch (answer) {
    case Answer::too_long:
      return give_up(view, box::rigctld_too_long, address_used);
    case Answer::malformed:
      return give_up(view, box::rigctld_malformed, address_used + ": " + reader.line.substr(0, 60));
    case Answer::stranger:
      return give_up(view, box::rigctld_stranger, address_used);
    default:
      return give_up(view, box::rigctld_silent, address_used);
  }
}

}  // namespace

std::string rigctld_address() {
  const std::string_view field = trimmed(station.transceiver_address.view());
  // "Dummy " is what the other models keep in this place.
  if (field.empty() || field == "Dummy") return kDefaultAddress;
  return std::string(field);
}

void set_rigctld_wait_for_tests(milliseconds wait) { answer_wait = wait; }

std::string hamlib_words(std::string_view code) {
  std::string_view digits = code.starts_with('-') ? code.substr(1) : code;
  std::size_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size() ||
      number >= std::size(kHamlibWords)) {
    return "an error hamlib does not name";
  }
  return kHamlibWords[number];
}

bool begin_rigctld_tuning(ConsoleView& view, const std::string& address, StillWanted wanted_now) {
  still_wanted = std::move(wanted_now);
  channel_so_far = ChannelSoFar::old_channel;
  connected_again = false;
  if (address != address_used) rigctld.close();
  address_used = address;
  if (rigctld.is_open()) return true;
  const std::size_t colon = address.rfind(':');
  if (colon == std::string::npos || colon == 0 ||
      !is_port(std::string_view(address).substr(colon + 1))) {
    give_up(view, box::rigctld_not_host_port, address);
    return false;
  }
  AnswerReader reader;
  const Answer answer = connect(reader);
  if (answer == Answer::reported) return true;
  give_up(view, answer, reader);
  return false;
}

void note_channel_so_far(ChannelSoFar so_far) { channel_so_far = so_far; }

TuneStep rigctld_command(ConsoleView& view, const std::string& command,
                         RefusalBox box_for_refusal) {
  if (!rigctld.is_open() || !wanted()) return TuneStep::failed;
  for (;;) {
    // With --vfo the VFO goes right after the command's letter.
    const std::string sent =
        names_vfo ? command.substr(0, 1) + " currVFO" + command.substr(1) : command;
    AnswerReader reader;
    reader.echo = std::string(long_name(sent.front())) + ":" + sent.substr(1);
    Answer answer = exchange("+" + sent + "\n", reader);
    if (!wanted()) return TuneStep::failed;
    // rigctld restarted since the last tuning: once, a new connection.
    if (answer == Answer::hung_up && !connected_again) {
      connected_again = true;
      answer = connect(reader);
      if (answer == Answer::reported) continue;
    }
    if (answer != Answer::reported) return give_up(view, answer, reader);
    const std::string_view code = trimmed(std::string_view(reader.line).substr(5));
    if (code.find_first_not_of("-0") == std::string_view::npos) return TuneStep::sent;
    if (box_for_refusal == RefusalBox::shown) {
      show_box(view, box::rigctld_refused, refusal(command, code) + channel_note());
    }
    return TuneStep::refused;
  }
}

void close_rigctld_link() { rigctld.close(); }
