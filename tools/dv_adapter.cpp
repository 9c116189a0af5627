#include "dv_adapter.h"

#include <cstdio>

#include "text_format.h"

namespace {

std::string hex2(std::uint8_t b) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", b);
  return text;
}

std::string quoted(const std::vector<std::uint8_t>& bytes) { return '"' + printable(bytes) + '"'; }

std::string text_of(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t count) {
  return std::string(bytes.begin() + static_cast<long>(from),
                     bytes.begin() + static_cast<long>(from + count));
}

std::string trimmed_right(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

struct Expected {
  std::uint8_t sub;
  const char* name;
  std::size_t payload_size;
};

// Each frame the console sends, with its payload's length.
constexpr Expected kExpectedFrames[] = {
    {dv::kInit, "INIT", 1},          {dv::kMyCall, "MY_CALL", 10},
    {dv::kMySuffix, "MY_SUFFIX", 4}, {dv::kRepeaterMode, "REPEATER_MODE", 1},
    {dv::kRoute, "ROUTE", 24},       {dv::kMessage, "MESSAGE", 6}};

std::optional<Expected> expected_for(std::uint8_t sub) {
  for (const Expected& e : kExpectedFrames) {
    if (e.sub == sub) return e;
  }
  return std::nullopt;
}

std::string status_line(std::uint8_t code, const std::string& ur) {
  switch (code) {
    case dv::kStatusOk:
      return "-> STATUS 0 OK";
    case dv::kStatusRpt1Unknown:
      return "-> STATUS 1 RPT? (RPT1 is blank)";
    default:
      return "-> STATUS 2 UR? (repeater \"" + printable(repeater_named_by_ur(ur).value_or(ur)) +
             "\" is not in the repeater list)";
  }
}

bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A UR that is a command to the repeater, in words: "REF030CL" links the
// repeater to reflector REF030 module C; 7 spaces and U, E or I unlink it,
// ask for the echo test and for its info. Empty for any other UR.
std::string repeater_command_words(const std::string& ur) {
  if (ur == "       U") return "unlink";
  if (ur == "       E") return "echo test";
  if (ur == "       I") return "repeater info";
  if (ur.size() != 8 || ur[7] != 'L' || !is_upper(ur[6])) return {};
  for (std::size_t i = 0; i < 6; ++i) {
    if (!is_upper(ur[i]) && (i < 3 || !is_digit(ur[i]))) return {};
  }
  return "link " + ur.substr(0, 6) + ' ' + ur[6];
}

void handle_route(AdapterState& state, const RepeaterBook& book, const std::vector<std::uint8_t>& p,
                  AdapterReply& reply) {
  const std::string rpt2 = text_of(p, 0, 8);
  const std::string rpt1 = text_of(p, 8, 8);
  const std::string ur = text_of(p, 16, 8);
  const std::string words = repeater_command_words(ur);
  reply.lines.push_back("ROUTE RPT2=\"" + printable(rpt2) + "\" RPT1=\"" + printable(rpt1) +
                        "\" UR=\"" + printable(ur) + '"' +
                        (words.empty() ? "" : " (" + words + ")"));
  const std::uint8_t code = route_status(book, rpt1, ur);
  if (code == dv::kStatusOk) {
    state.rpt1 = rpt1;
    state.rpt2 = rpt2;
  }
  reply.lines.push_back(status_line(code, ur));
  reply.answer = dv::status_report(code);
}

void handle_message_part(AdapterState& state, const std::vector<std::uint8_t>& p,
                         AdapterReply& reply) {
  const std::string chars = text_of(p, 1, 5);
  const int part = p[0] - 0x40;
  if (part < 0 || part > 3) {
    reply.lines.push_back("MESSAGE part " + hex2(p[0]) + "? " + quoted(p));
    return;
  }
  reply.lines.push_back("MESSAGE_" + std::to_string(part + 1) + " \"" + printable(chars) + '"');
  if (part == 0) state.message_parts = {};
  state.message_parts[static_cast<std::size_t>(part)] = chars;
  if (part != 3) return;
  std::string whole;
  for (std::size_t k = 0; k < 4; ++k) {
    if (!state.message_parts[k]) {
      reply.lines.push_back("MESSAGE incomplete: part " + std::to_string(k + 1) + " missing");
      state.message_parts = {};
      return;
    }
    whole += *state.message_parts[k];
  }
  state.message_parts = {};
  reply.lines.push_back("MESSAGE \"" + printable(trimmed_right(whole)) + '"');
}

}  // namespace

std::uint8_t route_status(const RepeaterBook& book, const std::string& rpt1,
                          const std::string& ur) {
  if (dv::callsign8(rpt1) == std::string(8, ' ')) return dv::kStatusRpt1Unknown;
  const auto named = repeater_named_by_ur(ur);
  if (named && book.checked && !knows_repeater(book, *named)) return dv::kStatusUrUnknown;
  return dv::kStatusOk;
}

AdapterReply handle_frame(AdapterState& state, const RepeaterBook& book, const dv::Frame& frame) {
  AdapterReply reply;
  if (!dv::has_header_bytes(frame)) {
    reply.lines.push_back("SHORT frame (" + std::to_string(frame.body.size()) +
                          " bytes between preamble and end)");
    return reply;
  }
  if (dv::destination(frame) != dv::kAdapterAddress || dv::source(frame) != dv::kComputerAddress) {
    reply.lines.push_back("NOT FOR THE ADAPTER: to " + hex2(dv::destination(frame)) + " from " +
                          hex2(dv::source(frame)) + ", ignored");
    return reply;
  }
  const auto p = dv::payload(frame);
  if (dv::command(frame) != dv::kCommand) {
    reply.lines.push_back("UNKNOWN command " + hex2(dv::command(frame)) + " payload " + quoted(p));
    return reply;
  }
  const std::uint8_t sub = dv::subcommand(frame);
  const auto expected = expected_for(sub);
  if (!expected) {
    reply.lines.push_back("UNKNOWN sub-command " + hex2(sub) + " payload " + quoted(p));
    return reply;
  }
  if (p.size() != expected->payload_size) {
    reply.lines.push_back(std::string("BAD ") + expected->name + ": " + std::to_string(p.size()) +
                          " payload bytes, expected " + std::to_string(expected->payload_size) +
                          ' ' + quoted(p));
    return reply;
  }
  switch (sub) {
    case dv::kInit:
      state = AdapterState{};
      reply.initialised = true;
      reply.lines.push_back(p[0] == 0x00 ? "INIT" : "INIT " + hex2(p[0]));
      break;
    case dv::kMyCall:
      reply.lines.push_back(
          "MY_CALL \"" + printable(text_of(p, 0, 8)) + '"' +
          (p[8] == ' ' && p[9] == ' ' ? "" : " +\"" + printable(text_of(p, 8, 2)) + '"'));
      break;
    case dv::kMySuffix:
      reply.lines.push_back("MY_SUFFIX " + quoted(p));
      break;
    case dv::kRepeaterMode:
      state.repeater_mode = p[0] != 0x00;
      reply.lines.push_back(p[0] == 0x01   ? "REPEATER_MODE repeater"
                            : p[0] == 0x00 ? "REPEATER_MODE simplex"
                                           : "REPEATER_MODE " + hex2(p[0]) + "?");
      break;
    case dv::kRoute:
      handle_route(state, book, p, reply);
      break;
    case dv::kMessage:
      handle_message_part(state, p, reply);
      break;
  }
  return reply;
}
