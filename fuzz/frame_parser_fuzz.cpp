// Bytes from the air, whatever they are, must leave the parser in a known
// state, store at most one header's worth and show only well-formed lines in
// "Receiving" or a known text in "Response". Beside the parser runs a second,
// plain reading of the adapter's framing rules; the two must agree on every
// byte.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "adapter/frame_parser.h"
#include "adapter/heard_log_writer.h"
#include "fuzz_check.h"
#include "settings/station_settings.h"
#include "support/recording_view.h"

namespace {

// What the operator must see for a header: a line feed, then MY, UR, RPT1 and
// RPT2 separated by single spaces; control bytes from the air shown as dots.
std::string expected_line(const std::array<std::uint8_t, 33>& header) {
  std::string line = "\n";
  for (int field : {24, 16, 8, 0}) {
    if (field != 24) line += ' ';
    for (int i = field; i < field + 8; ++i) {
      std::uint8_t b = header[static_cast<std::size_t>(i)];
      line += b < 0x20 || b == 0x7F ? '.' : static_cast<char>(b);
    }
  }
  return line;
}

std::string expected_status(std::uint8_t code) {
  return code == 1 ? "RPT?" : code == 2 ? "UR?" : "    ";
}

// The adapter's framing, state by state.
struct Framing {
  int state = 0;
  std::uint8_t subcommand = 0;
  int header_count = 0;
  std::uint8_t status_code = 0;
  std::array<std::uint8_t, 33> header{};
  std::string shown_line;    // set when a header report ends
  std::string shown_status;  // set when any other frame ends
  bool ended = false;

  void end() {
    ended = true;
    if (subcommand == 0x04)
      shown_line = expected_line(header);
    else
      shown_status = expected_status(status_code);
    state = 0;
  }

  // Past the first bytes of a frame: FD ends it, FE starts a new one, any
  // other byte leads to `next`.
  void end_or(std::uint8_t b, int next) {
    if (b == 0xFD)
      end();
    else
      state = b == 0xFE ? 2 : next;
  }

  void step(std::uint8_t b) {
    ended = false;
    shown_line.clear();
    shown_status.clear();
    if (state == 0) state = 1;
    switch (state) {
      case 1:
      case 2:
      case 3:
      case 4: {
        // The opening FE FE 7F 01: a wrong byte before the second FE starts
        // the search again, one after it spoils the frame.
        constexpr std::uint8_t opening[] = {0xFE, 0xFE, 0x7F, 0x01};
        if (b == opening[state - 1])
          ++state;
        else
          state = state <= 2 ? 1 : 10;
        break;
      }
      case 5:
        if (b == 0x1D)
          state = 6;
        else
          end_or(b, 10);
        break;
      case 6:
        subcommand = b;
        if (b == 0xFD) {
          end();
          break;
        }
        header_count = 0;
        state = b == 0xFE ? 2 : (b == 0x00 || b == 0x04) ? 7 : 10;
        break;
      case 7:
        if (subcommand != 0x04)
          end_or(b, 8);
        else if (b == 0xFD)
          end();
        else if (header_count > 32)
          state = 10;
        else
          header[static_cast<std::size_t>(header_count++)] = b;
        break;
      case 8:
        end_or(b, 9);
        break;
      case 9:
        status_code = b;
        end_or(b, 10);
        break;
      case 10:
        end_or(b, 10);
        break;
    }
  }
};

bool is_control(char c) {
  auto b = static_cast<unsigned char>(c);
  return b < 0x20 || b == 0x7F;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  set_heard_log_on(false);  // the parser alone; the log's lines are tested on their own
  reset_station_settings();
  AdapterFrameParser parser;
  Framing framing;
  framing.header = station.received_header;
  CallLogView view;

  for (std::size_t n = 0; n < size; ++n) {
    view.calls.clear();
    feed_byte(parser, view, data[n]);
    framing.step(data[n]);

    FUZZ_REQUIRE(parser.state >= 0 && parser.state <= 10);
    FUZZ_REQUIRE(parser.header_count >= 0 && parser.header_count <= 33);
    FUZZ_REQUIRE(parser.state == framing.state);
    FUZZ_REQUIRE(parser.subcommand == framing.subcommand);
    FUZZ_REQUIRE(parser.header_count == framing.header_count);
    FUZZ_REQUIRE(parser.status_code == framing.status_code);
    FUZZ_REQUIRE(station.received_header == framing.header);

    // Only "Receiving" is typed into and only "Response" is set.
    std::string typed;
    int statuses = 0;
    for (const ViewCall& call : view.calls) {
      if (call.kind == ViewCall::type_char) {
        FUZZ_REQUIRE(call.id == 200);
        typed += call.text;
      } else {
        FUZZ_REQUIRE(call.kind == ViewCall::set_text && call.id == 120);
        FUZZ_REQUIRE(call.text == "    " || call.text == "RPT?" || call.text == "UR?");
        FUZZ_REQUIRE(call.text == framing.shown_status);
        ++statuses;
      }
    }
    if (!typed.empty()) {
      // A line feed, then exactly 35 characters, none of them a control.
      FUZZ_REQUIRE(typed.size() == 36 && typed[0] == '\n');
      for (std::size_t i = 1; i < typed.size(); ++i) FUZZ_REQUIRE(!is_control(typed[i]));
      FUZZ_REQUIRE(typed[9] == ' ' && typed[18] == ' ' && typed[27] == ' ');
    }
    FUZZ_REQUIRE(typed == framing.shown_line);
    FUZZ_REQUIRE(statuses == (framing.ended && framing.subcommand != 0x04 ? 1 : 0));
  }
  return 0;
}
