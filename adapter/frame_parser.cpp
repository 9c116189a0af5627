#include "adapter/frame_parser.h"

#include <string>

#include "adapter/heard_log_writer.h"
#include "settings/station_settings.h"

AdapterFrameParser adapter_parser;

namespace {

constexpr std::uint8_t kPreamble = 0xFE;
constexpr std::uint8_t kEndOfFrame = 0xFD;
constexpr std::uint8_t kComputer = 0x7F;  // we are the destination
constexpr std::uint8_t kAdapter = 0x01;   // the adapter is the source
constexpr std::uint8_t kCommand = 0x1D;
constexpr std::uint8_t kStatusReport = 0x00;
constexpr std::uint8_t kHeaderReport = 0x04;

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

// A callsign from the air is shown, never obeyed: a control byte typed into
// the box could delete, paste or move the operator's text.
char shown(std::uint8_t b) { return b < 0x20 || b == 0x7F ? '.' : static_cast<char>(b); }

void type_field(ConsoleView& view, std::size_t first) {
  for (std::size_t i = first; i < first + 8; ++i) {
    view.type_char(ctl::receiving, shown(station.received_header[i]));
  }
}

// A new line reading MY, UR, RPT1, RPT2; the header holds them the other way
// round, as the route frame does, with MY last.
void show_header_line(ConsoleView& view) {
  view.type_char(ctl::receiving, '\n');
  type_field(view, 24);
  view.type_char(ctl::receiving, ' ');
  type_field(view, 16);
  view.type_char(ctl::receiving, ' ');
  type_field(view, 8);
  view.type_char(ctl::receiving, ' ');
  type_field(view, 0);
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
  if (parser.subcommand == kHeaderReport) {
    log_heard_header(station.received_header);
    show_header_line(view);
  } else {
    view.set_text(ctl::response, status_text(parser.status_code));
  }
  parser.state = kIdle;
}

// Status bytes: an end byte ends the frame early, a preamble starts a new one.
void after_status_byte(AdapterFrameParser& parser, ConsoleView& view, std::uint8_t b, int next) {
  if (b == kEndOfFrame) {
    end_of_frame(parser, view);
  } else {
    parser.state = b == kPreamble ? kSecondPreamble : next;
  }
}

}  // namespace

void feed_byte(AdapterFrameParser& parser, ConsoleView& view, std::uint8_t b) {
  switch (parser.state) {
    case kSecondPreamble:
      parser.state = b == kPreamble ? kDestination : kFirstPreamble;
      break;
    case kDestination:
      parser.state = b == kComputer ? kSource : kSkipToEnd;
      break;
    case kSource:
      parser.state = b == kAdapter ? kCommandByte : kSkipToEnd;
      break;
    case kCommandByte:
      if (b == kCommand) {
        parser.state = kSubcommandByte;
      } else if (b == kEndOfFrame) {
        end_of_frame(parser, view);
      } else {
        parser.state = b == kPreamble ? kSecondPreamble : kSkipToEnd;
      }
      break;
    case kSubcommandByte:
      parser.subcommand = b;
      if (b == kEndOfFrame) {
        end_of_frame(parser, view);
        break;
      }
      parser.header_count = 0;
      if (b == kPreamble) {
        parser.state = kSecondPreamble;
      } else {
        parser.state = b == kStatusReport || b == kHeaderReport ? kPayload : kSkipToEnd;
      }
      break;
    case kPayload:
      if (parser.subcommand == kHeaderReport) {
        if (b == kEndOfFrame) {
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
      if (b == kEndOfFrame) {
        end_of_frame(parser, view);
      } else if (b == kPreamble) {
        parser.state = kSecondPreamble;
      }
      break;
    case kIdle:  // the loop moves an idle parser on before each read
    case kFirstPreamble:
    default:
      parser.state = b == kPreamble ? kSecondPreamble : kFirstPreamble;
      break;
  }
}
