#include "adapter/frame_parser.h"

#include <string>

#include "adapter/adapter_bytes.h"
#include "adapter/heard_log_writer.h"
#include "settings/station_settings.h"

AdapterFrameParser adapter_parser;

namespace {

// Parser states.
constexpr int kIdle = 0;
constexpr int kFirstPreamble = 1;
constexpr int kSecondPreamble = 2;
constexpr int kDestination = 3;
constexpr int kSource = 4;
constexpr int kCommandByte = 5;
constexpr int kSubcommandByte = 6;
constexpr int kPayload = 7;
constexpr int kSecondStatusByte = 8;
constexpr int kStatusCode = 9;
constexpr int kSkipToEnd = 10;

// A new line reading MY, UR, RPT1, RPT2, one space between them.
void show_header_line(ConsoleView& view) {
  char before = '\n';
  for (const HeaderCallsign which : kHeaderReadingOrder) {
    view.type_char(ctl::receiving, before);
    for (const std::uint8_t b : header_field(station.received_header, which)) {
      view.type_char(ctl::receiving, static_cast<char>(shown_from_air(b)));
    }
    before = ' ';
  }
}

std::string status_text(std::uint8_t code) {
  switch (code) {
    case 1:
      return "RPT?";  // the adapter does not know the repeater
    case 2:
      return "UR?";  // nor the station called
    default:
      return "    ";
  }
}

void end_of_frame(AdapterFrameParser& parser, ConsoleView& view) {
  if (parser.subcommand == adapter_byte::header_report) {
    // Logged only when this frame brought all four callsigns: the box also
    // shows a shorter or repeated report, with what earlier reports left.
    if (!parser.header_logged && parser.header_count >= static_cast<int>(kHeaderCallsignBytes)) {
      log_heard_header(station.received_header);
    }
    parser.header_logged = true;
    show_header_line(view);
  } else {
    view.set_text(ctl::response, status_text(parser.status_code));
  }
  parser.state = kIdle;
}

// Status bytes: an end byte ends the frame early, a preamble starts a new one.
void after_status_byte(AdapterFrameParser& parser, ConsoleView& view, std::uint8_t b, int next) {
  if (b == adapter_byte::end_of_frame) {
    end_of_frame(parser, view);
  } else {
    parser.state = b == adapter_byte::preamble ? kSecondPreamble : next;
  }
}

}  // namespace

void feed_byte(AdapterFrameParser& parser, ConsoleView& view, std::uint8_t b) {
  switch (parser.state) {
    case kSecondPreamble:
      parser.state = b == adapter_byte::preamble ? kDestination : kFirstPreamble;
      break;
    case kDestination:
      // Reports come to us, the computer, from the adapter.
      parser.state = b == adapter_byte::computer_address ? kSource : kSkipToEnd;
      break;
    case kSource:
      parser.state = b == adapter_byte::adapter_address ? kCommandByte : kSkipToEnd;
      break;
    case kCommandByte:
      if (b == adapter_byte::command) {
        parser.state = kSubcommandByte;
      } else if (b == adapter_byte::end_of_frame) {
        end_of_frame(parser, view);
      } else {
        parser.state = b == adapter_byte::preamble ? kSecondPreamble : kSkipToEnd;
      }
      break;
    case kSubcommandByte:
      parser.subcommand = b;
      if (b == adapter_byte::end_of_frame) {
        end_of_frame(parser, view);
        break;
      }
      parser.header_count = 0;
      parser.header_logged = false;
      if (b == adapter_byte::preamble) {
        parser.state = kSecondPreamble;
      } else {
        const bool report = b == adapter_byte::status_report || b == adapter_byte::header_report;
        parser.state = report ? kPayload : kSkipToEnd;
      }
      break;
    case kPayload:
      if (parser.subcommand == adapter_byte::header_report) {
        if (b == adapter_byte::end_of_frame) {
          end_of_frame(parser, view);
        } else if (parser.header_count >= static_cast<int>(station.received_header.size())) {
          parser.state = kSkipToEnd;  // longer than any header: keep what fits
        } else {
          station.received_header[static_cast<std::size_t>(parser.header_count++)] = b;
        }
      } else {
        parser.status_byte_1 = b;
        after_status_byte(parser, view, b, kSecondStatusByte);
      }
      break;
    case kSecondStatusByte:
      parser.status_byte_2 = b;
      after_status_byte(parser, view, b, kStatusCode);
      break;
    case kStatusCode:
      parser.status_code = b;
      after_status_byte(parser, view, b, kSkipToEnd);
      break;
    case kSkipToEnd:
      if (b == adapter_byte::end_of_frame) {
        end_of_frame(parser, view);
      } else if (b == adapter_byte::preamble) {
        parser.state = kSecondPreamble;
      }
      break;
    case kIdle:  // the loop moves an idle parser on before each read
    case kFirstPreamble:
    default:
      parser.state = b == adapter_byte::preamble ? kSecondPreamble : kFirstPreamble;
      break;
  }
}

void restart_parser(AdapterFrameParser& parser) {
  parser = AdapterFrameParser{};
  station.received_header = blank_received_header();
}

std::uint8_t shown_from_air(std::uint8_t b) { return b < 0x20 || b == 0x7F ? '.' : b; }
