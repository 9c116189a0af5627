// The virtual devices' own decoders, fed with the bytes the console puts on
// the wire and checked against what an operator would read in the log.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cat_radio.h"
#include "device_options.h"
#include "dv_adapter.h"
#include "dv_frames.h"
#include "header_script.h"
#include "repeater_book.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes text_bytes(const std::string& s) { return {s.begin(), s.end()}; }
Bytes join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
// A frame from the console to the adapter, and the adapter's status answer.
Bytes to_adapter(std::uint8_t sub, const std::string& payload) {
  return join({{0xFE, 0xFE, 0x01, 0x7F, 0x1D, sub}, text_bytes(payload), {0xFD}});
}
Bytes status_answer(std::uint8_t code) {
  return {0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x00, 0x00, 0x00, code, 0xFD};
}

std::vector<dv::Frame> frames_of(const Bytes& stream, dv::FrameDecoder& decoder) {
  std::vector<dv::Frame> frames;
  for (auto b : stream) {
    if (auto f = dv::feed(decoder, b)) frames.push_back(*f);
  }
  return frames;
}

// What the adapter logs and answers for one stream of console bytes.
struct Heard {
  std::vector<std::string> lines;
  Bytes answers;
};

Heard hear(const Bytes& stream, const RepeaterBook& book, AdapterState& state) {
  Heard heard;
  dv::FrameDecoder decoder;
  for (const auto& frame : frames_of(stream, decoder)) {
    const auto reply = handle_frame(state, book, frame);
    heard.lines.insert(heard.lines.end(), reply.lines.begin(), reply.lines.end());
    heard.answers.insert(heard.answers.end(), reply.answer.begin(), reply.answer.end());
  }
  return heard;
}

Heard hear(const Bytes& stream, const RepeaterBook& book = {}) {
  AdapterState state;
  return hear(stream, book, state);
}

const RepeaterBook kBook = repeater_book_from_text(
    "// two repeaters on the hill\n"
    "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G\n"
    "JP1,Hilltop1200,1291570,-20000,QR3KTA B,QR3KTG G\r\n"
    "JP4,Island430,439190,-5000,QR4ISL A,None // no gateway\n");

TEST(DevicesAdapterDecoder, StartUpFramesReadAsTheirNames) {
  const std::string zero(1, '\0');
  const Bytes stream = join({to_adapter(0xC9, zero), to_adapter(0x03, "QR3WMN D  "),
                             to_adapter(0xDC, "F817"), to_adapter(0xCF, "\x01"),
                             to_adapter(0x05, "QR3KTG GQR3KTA A/QR3KTAB"), to_adapter(0xCF, zero)});
  const auto heard = hear(stream, kBook);
  const std::vector<std::string> expected = {
      "INIT",
      "MY_CALL \"QR3WMN D\"",
      "MY_SUFFIX \"F817\"",
      "REPEATER_MODE repeater",
      "ROUTE RPT2=\"QR3KTG G\" RPT1=\"QR3KTA A\" UR=\"/QR3KTAB\"",
      "-> STATUS 0 OK",
      "REPEATER_MODE simplex",
  };
  EXPECT_EQ(heard.lines, expected);
  EXPECT_EQ(heard.answers, (Bytes{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x00, 0x00, 0x00, 0x00, 0xFD}));
}

TEST(DevicesAdapterDecoder, RouteIsAnsweredWithTheStatusTheConsoleShows) {
  struct Case {
    const char* route;  // RPT2 RPT1 UR
    bool with_book;
    std::uint8_t code;
    const char* status_line;
    const char* words = "";  // after the route's UR: a command to the repeater in words
  } cases[] = {
      {"QR3KTG GQR3KTA A/QR3KTAB", true, 0x00, "-> STATUS 0 OK"},
      {"QR3KTG GQR3KTA ACQCQCQ  ", true, 0x00, "-> STATUS 0 OK"},
      {"QR3KTG GQR3KTA AQR1ABC  ", true, 0x00, "-> STATUS 0 OK"},  // call back a station
      {"QR3KTG G        /QR3KTAB", true, 0x01, "-> STATUS 1 RPT? (RPT1 is blank)"},
      {"QR3KTG G        /QR9ZZZB", true, 0x01, "-> STATUS 1 RPT? (RPT1 is blank)"},
      {"QR3KTG GQR3KTA A/QR9ZZZB", true, 0x02,
       "-> STATUS 2 UR? (repeater \"QR9ZZZ B\" is not in the repeater list)"},
      {"QR3KTG GQR3KTA A/QR3KTAC", true, 0x02,
       "-> STATUS 2 UR? (repeater \"QR3KTA C\" is not in the repeater list)"},
      {"        QR3KTA A/CQCQCQ ", true, 0x02,
       "-> STATUS 2 UR? (repeater \"CQCQCQ  \" is not in the repeater list)"},
      {"QR3KTG GQR3KTA A/QR9ZZZB", false, 0x00, "-> STATUS 0 OK"},  // no list: nothing to check
      {"QR3KTG GQR3KTA AREF030CL", true, 0x00, "-> STATUS 0 OK", " (link REF030 C)"},
      {"QR3KTG GQR3KTA A       U", true, 0x00, "-> STATUS 0 OK", " (unlink)"},
      {"QR3KTG GQR3KTA A       I", true, 0x00, "-> STATUS 0 OK", " (repeater info)"},
  };
  for (const auto& c : cases) {
    const auto heard = hear(to_adapter(0x05, c.route), c.with_book ? kBook : RepeaterBook{});
    ASSERT_EQ(heard.lines.size(), 2u) << c.route;
    EXPECT_EQ(heard.lines[1], c.status_line) << c.route;
    EXPECT_EQ(heard.lines[0].substr(heard.lines[0].rfind('"') + 1), c.words) << c.route;
    EXPECT_EQ(heard.answers, status_answer(c.code)) << c.route;
  }
}

TEST(DevicesAdapterDecoder, FramesThatDoNotFitAreNamedAndNotAnswered) {
  struct Case {
    Bytes stream;
    const char* line;
  } cases[] = {
      {{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC9, 0xFD}, "BAD INIT: 0 payload bytes, expected 1 \"\""},
      {to_adapter(0x05, "QR3KTG GQR3KTA A"),
       "BAD ROUTE: 16 payload bytes, expected 24 \"QR3KTG GQR3KTA A\""},
      {status_answer(0x01), "NOT FOR THE ADAPTER: to 0x7F from 0x01, ignored"},
      {{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x42, 0x8D, 0x82, 0xFD},
       "UNKNOWN sub-command 0x42 payload \"\\x8D\\x82\""},
      {{0xFE, 0xFE, 0x01, 0x7F, 0x1C, 0xC9, 0x00, 0xFD}, "UNKNOWN command 0x1C payload \"\\x00\""},
      {{0xFE, 0xFE, 0x01, 0x7F, 0xFD}, "SHORT frame (2 bytes between preamble and end)"},
      {{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xCF, 0x07, 0xFD}, "REPEATER_MODE 0x07?"},
  };
  for (const auto& c : cases) {
    const auto heard = hear(c.stream, kBook);
    EXPECT_EQ(heard.lines, std::vector<std::string>{c.line});
    EXPECT_TRUE(heard.answers.empty()) << c.line;
  }
}

TEST(DevicesAdapterDecoder, NoiseExtraPreambleAndCutFramesDoNotHideTheNextFrame) {
  dv::FrameDecoder decoder;
  const Bytes stream = join({
      {0x00, 0x13, 0xFD},                                      // line noise
      {0xFE, 0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC9, 0x00, 0xFD},  // three preamble bytes
      {0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x03, 0x51, 0x52},        // cut off mid-callsign
      to_adapter(0xDC, "F817"),
  });
  const auto frames = frames_of(stream, decoder);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].raw, (Bytes{0xFE, 0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC9, 0x00, 0xFD}));
  EXPECT_EQ(dv::subcommand(frames[0]), 0xC9);
  EXPECT_EQ(frames[1].raw, to_adapter(0xDC, "F817"));
  EXPECT_EQ(decoder.dropped, 3u + 8u);  // the noise and the cut-off frame
}

TEST(DevicesAdapterDecoder, EndlessRunWithoutEndByteIsThrownAway) {
  dv::FrameDecoder decoder;
  Bytes stream = {0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC1};
  stream.insert(stream.end(), 200, 'A');
  stream.insert(stream.end(), {0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC9, 0x00, 0xFD});
  const auto frames = frames_of(stream, decoder);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(dv::subcommand(frames[0]), 0xC9);
}

Bytes message_part(std::uint8_t part, const std::string& five) {
  return join({{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC1, part}, text_bytes(five), {0xFD}});
}

TEST(DevicesAdapterDecoder, MessageIsShownWhenAllFourPartsAreIn) {
  const auto heard = hear(join({message_part(0x40, "HELLO"), message_part(0x41, "     "),
                                message_part(0x42, "     "), message_part(0x43, "     ")}));
  const std::vector<std::string> expected = {"MESSAGE_1 \"HELLO\"", "MESSAGE_2 \"     \"",
                                             "MESSAGE_3 \"     \"", "MESSAGE_4 \"     \"",
                                             "MESSAGE \"HELLO\""};
  EXPECT_EQ(heard.lines, expected);
  EXPECT_TRUE(heard.answers.empty());

  const auto full = hear(join({message_part(0x40, "QR3WM"), message_part(0x41, "N 73 "),
                               message_part(0x42, "FROM "), message_part(0x43, "JP1  ")}));
  ASSERT_FALSE(full.lines.empty());
  EXPECT_EQ(full.lines.back(), "MESSAGE \"QR3WMN 73 FROM JP1\"");
}

TEST(DevicesAdapterDecoder, MessageWithAMissingPartIsReportedIncomplete) {
  AdapterState state;
  const auto heard = hear(
      join({message_part(0x40, "HELLO"), message_part(0x41, "WORLD"), message_part(0x43, "     ")}),
      {}, state);
  ASSERT_FALSE(heard.lines.empty());
  EXPECT_EQ(heard.lines.back(), "MESSAGE incomplete: part 3 missing");
  // A new message starts cleanly after it.
  const auto next = hear(join({message_part(0x40, "AGAIN"), message_part(0x41, "     "),
                               message_part(0x42, "     "), message_part(0x43, "     ")}),
                         {}, state);
  ASSERT_FALSE(next.lines.empty());
  EXPECT_EQ(next.lines.back(), "MESSAGE \"AGAIN\"");
  EXPECT_EQ(hear(message_part(0x47, "HELLO")).lines,
            std::vector<std::string>{"MESSAGE part 0x47? \"GHELLO\""});
}

TEST(DevicesAdapterReports, HeaderAndStatusReportBytes) {
  EXPECT_EQ(dv::header_report("QR3XYZ X", "CQCQCQ", "QR3KTA A", "QR3KTG G"),
            join({{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x04},
                  text_bytes("QR3KTG GQR3KTA ACQCQCQ  QR3XYZ X"),
                  {0xFD}}));
  EXPECT_EQ(dv::status_report(2), status_answer(0x02));
}

TEST(DevicesRepeaterBook, ListLinesGiveTheirRepeaterCallsign) {
  struct Case {
    const char* line;
    std::optional<std::string> call;
  } cases[] = {
      {"JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G", "QR3KTA A"},
      {"JP4,Island430,439190,-5000,QR4ISL A,None", "QR4ISL A"},
      {"JP5,\x8D\x82\x8C\xB4"
       "430,439330,-5000,QR5KGN A,QR5KGG G",
       "QR5KGN A"},
      {"Simplex,DV simplex,433300,0,DIRECT  ,None", "DIRECT  "},
      {"JP1,,Hilltop,439310,-5000,QR3KTA A,QR3KTG G", "QR3KTA A"},  // empty fields vanish
      {"JP1\tHilltop\t439310\t-5000\tQR3KTA A\tQR3KTG G\r", "QR3KTA A"},
      {"// JP1,Hilltop,439310,-5000,QR3KTA A,QR3KTG G", std::nullopt},
      {"JP1,Hilltop,439310 // -5000,QR3KTA A,QR3KTG G", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(repeater_callsign_of_line(c.line), c.call) << c.line;
  EXPECT_EQ(kBook.callsigns, (std::vector<std::string>{"QR3KTA A", "QR3KTA B", "QR4ISL A"}));
}

TEST(DevicesRepeaterBook, SlashUrNamesARepeaterWithItsModuleLetter) {
  EXPECT_EQ(repeater_named_by_ur("/QR3KTAB"), "QR3KTA B");
  EXPECT_EQ(repeater_named_by_ur("/QR3AB B"), "QR3AB  B");
  EXPECT_EQ(repeater_named_by_ur("CQCQCQ  "), std::nullopt);
  EXPECT_EQ(repeater_named_by_ur("QR1ABC  "), std::nullopt);
}

TEST(DevicesRepeaterBook, DemoListHoldsItsRepeaters) {
  RepeaterBook book;
  std::string error;
  ASSERT_TRUE(load_repeater_book(KESTREL8_DEVICES_DEMO_DIR "/D-STAR_repeaters.txt", book, error))
      << error;
  EXPECT_GE(book.callsigns.size(), 12u);
  EXPECT_TRUE(knows_repeater(book, "QR3KTA A"));
  EXPECT_TRUE(knows_repeater(book, "QR3KTA B"));
  EXPECT_FALSE(load_repeater_book("no-such-list.txt", book, error));
  EXPECT_NE(error.find("no-such-list.txt"), std::string::npos);
}

cat::Command cmd(std::uint8_t p1, std::uint8_t p2, std::uint8_t p3, std::uint8_t p4,
                 std::uint8_t op) {
  return {p1, p2, p3, p4, op};
}

TEST(DevicesRadio, CatCommandsReadAsTheRadioTakesThem) {
  struct Case {
    cat::Command command;
    const char* line;
  } cases[] = {
      {cmd(0x43, 0x93, 0x10, 0x00, 0x01), "frequency 439.310 MHz"},
      {cmd(0x45, 0x99, 0x99, 0x00, 0x01), "frequency 459.999 MHz"},
      {cmd(0x14, 0x52, 0x00, 0x12, 0x01), "frequency 145.20012 MHz"},
      {cmd(0x43, 0x04, 0x37, 0x50, 0x01), "frequency 430.43750 MHz"},
      {cmd(0x00, 0x50, 0x00, 0x00, 0xF9), "offset 5.000 MHz"},
      {cmd(0x00, 0x06, 0x00, 0x00, 0xF9), "offset 0.600 MHz"},
      {cmd(0x00, 0x06, 0x50, 0x00, 0xF9), "offset 0.650 MHz"},
      {cmd(0x00, 0x00, 0x00, 0x00, 0xF9), "offset 0.000 MHz"},
      {cmd(0x09, 0x00, 0x00, 0x00, 0x09), "shift minus"},
      {cmd(0x49, 0x00, 0x00, 0x00, 0x09), "shift plus"},
      {cmd(0x89, 0x00, 0x00, 0x00, 0x09), "shift simplex"},
      {cmd(0x0C, 0x6D, 0x6D, 0x6D, 0x07), "mode PKT"},
      {cmd(0x08, 0x6D, 0x6D, 0x6D, 0x07), "mode FM"},
      {cmd(0x4A, 0x93, 0x10, 0x00, 0x01), "frequency not BCD [4A 93 10 00 01]"},
      {cmd(0x77, 0x00, 0x00, 0x00, 0x09), "shift unknown [77 00 00 00 09]"},
      {cmd(0x55, 0x6D, 0x6D, 0x6D, 0x07), "mode unknown [55 6D 6D 6D 07]"},
      {cmd(0x00, 0x00, 0x00, 0x00, 0x0F), "unknown command [00 00 00 00 0F]"},
  };
  for (const auto& c : cases) {
    cat::RadioState radio;
    EXPECT_EQ(cat::apply(radio, c.command), c.line);
  }
}

TEST(DevicesRadio, SummaryFollowsTheTuningSequence) {
  cat::RadioState radio;
  EXPECT_EQ(cat::summary(radio), "radio ?, shift ?, mode ?");
  cat::apply(radio, cmd(0x43, 0x93, 0x10, 0x00, 0x01));
  EXPECT_EQ(cat::summary(radio), "radio 439.310 MHz, shift ?, mode ?");
  cat::apply(radio, cmd(0x00, 0x50, 0x00, 0x00, 0xF9));
  cat::apply(radio, cmd(0x09, 0x00, 0x00, 0x00, 0x09));
  EXPECT_EQ(cat::summary(radio),
            "radio 439.310 MHz, shift minus 5.000 MHz (TX 434.310 MHz), mode ?");
  cat::apply(radio, cmd(0x0C, 0x6D, 0x6D, 0x6D, 0x07));
  EXPECT_EQ(cat::summary(radio),
            "radio 439.310 MHz, shift minus 5.000 MHz (TX 434.310 MHz), mode PKT");
  cat::apply(radio, cmd(0x49, 0x00, 0x00, 0x00, 0x09));
  EXPECT_EQ(cat::summary(radio),
            "radio 439.310 MHz, shift plus 5.000 MHz (TX 444.310 MHz), mode PKT");
  cat::apply(radio, cmd(0x89, 0x00, 0x00, 0x00, 0x09));
  EXPECT_EQ(cat::summary(radio), "radio 439.310 MHz, shift simplex, mode PKT");
}

TEST(DevicesRadio, BytesGatherIntoCommandsAndAStalePartialIsDropped) {
  cat::Assembler assembler;
  const Bytes sequence = {0x43, 0x93, 0x10, 0x00, 0x01, 0x00, 0x50, 0x00, 0x00, 0xF9};
  std::vector<cat::Command> commands;
  for (auto b : sequence) {
    if (auto c = cat::feed(assembler, b, 0).command) commands.push_back(*c);
  }
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[1], cmd(0x00, 0x50, 0x00, 0x00, 0xF9));

  // Two bytes, then silence: the radio forgets them and the next command is whole.
  cat::feed(assembler, 0x43, 1000);
  cat::feed(assembler, 0x93, 1000);
  EXPECT_TRUE(cat::expire(assembler, 1000 + cat::kCommandGapMs).empty());
  const auto fed = cat::feed(assembler, 0x09, 1000 + cat::kCommandGapMs + 1);
  EXPECT_EQ(fed.dropped, (Bytes{0x43, 0x93}));
  std::optional<cat::Command> last;
  for (std::uint8_t b : {0x00, 0x00, 0x00, 0x09}) last = cat::feed(assembler, b, 2000).command;
  EXPECT_EQ(last, cmd(0x09, 0x00, 0x00, 0x00, 0x09));
}

TEST(DevicesHeaderScript, LinesBecomeHeadersInTimeOrder) {
  const auto script = parse_header_script(
      "// demo\n"
      "# also a comment\n"
      "\n"
      "8.5,QR2XYZ,/QR3KTAB,QR3KTA A,QR3KTG G\r\n"
      "3, QR1ABC , CQCQCQ ,QR3KTA A,QR3KTG G\n"
      "3,QR7STU,,,\n");
  ASSERT_EQ(script.error, "");
  ASSERT_EQ(script.headers.size(), 3u);
  EXPECT_EQ(script.headers[0].seconds, 3);
  EXPECT_EQ(script.headers[0].my, "QR1ABC  ");
  EXPECT_EQ(script.headers[0].ur, "CQCQCQ  ");
  EXPECT_EQ(script.headers[1].my, "QR7STU  ");
  EXPECT_EQ(script.headers[1].rpt2, "        ");
  EXPECT_EQ(script.headers[2].seconds, 8.5);
  EXPECT_EQ(script.headers[2].ur, "/QR3KTAB");
  EXPECT_EQ(script.headers[2].rpt2, "QR3KTG G");
}

TEST(DevicesHeaderScript, FaultsNameTheirLine) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"3,QR1ABC,CQCQCQ,QR3KTA A\n", "line 1: expected seconds,MY,UR,RPT1,RPT2"},
      {"// c\nsoon,QR1ABC,CQCQCQ,QR3KTA A,QR3KTG G\n",
       "line 2: seconds must be a number of 0 or more"},
      {"-1,QR1ABC,CQCQCQ,QR3KTA A,QR3KTG G\n", "line 1: seconds must be a number of 0 or more"},
      {"1,QR1ABC,CQCQCQ,QR3KTA A,QR3KTG G,extra\n", "line 1: expected seconds,MY,UR,RPT1,RPT2"},
      {"1,QR1ABCDEF,CQCQCQ,QR3KTA A,QR3KTG G\n", "line 1: MY is longer than 8 characters"},
      {"1,QR1ABC,CQCQCQ,QR3KTA AA,QR3KTG G\n", "line 1: RPT1 is longer than 8 characters"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_header_script(c.text).error, c.error) << c.text;
  EXPECT_EQ(load_header_script(KESTREL8_DEVICES_DEMO_DIR "/demo_headers.txt").error, "");
}

TEST(DevicesOptions, CommandLineIsReadOrRefusedPlainly) {
  DeviceOptions o;
  std::string error;
  ASSERT_TRUE(
      parse_device_options({"--dir", "/tmp/x", "--dv-port=3", "--trx-port", "4", "--every", "0",
                            "--hex", "--repeaters", "r.txt", "--script", "s.txt",
                            "--script-after-init", "--unplug-after", "5", "--replug-after", "2.5"},
                           o, error))
      << error;
  EXPECT_EQ(o.unplug_after, 5);
  EXPECT_EQ(o.replug_after, 2.5);
  EXPECT_EQ(o.folder, "/tmp/x");
  EXPECT_EQ(o.dv_port, 3);
  EXPECT_EQ(o.trx_port, 4);
  EXPECT_EQ(o.every_seconds, 0);
  EXPECT_TRUE(o.hex && o.script_after_init);
  EXPECT_EQ(o.repeaters, "r.txt");
  EXPECT_EQ(o.script, "s.txt");

  struct Case {
    std::vector<std::string> args;
    const char* error;
  } cases[] = {
      {{"--dv-port", "0"}, "--dv-port needs a port number from 1 to 999, not \"0\""},
      {{"--trx-port", "7"}, "the adapter and the radio need different port numbers"},
      {{"--every", "-1"}, "--every needs a number of seconds from 0 (off) to 86400, not \"-1\""},
      {{"--script"}, "--script needs a value"},
      {{"--hex=1"}, "--hex takes no value"},
      {{"-x"}, "unknown option -x"},
      // Numbers are read whole: no garbage, trailing junk, sign or overflow.
      {{"--dv-port", "x"}, "--dv-port needs a port number from 1 to 999, not \"x\""},
      {{"--dv-port", "7x"}, "--dv-port needs a port number from 1 to 999, not \"7x\""},
      {{"--trx-port", "-8"}, "--trx-port needs a port number from 1 to 999, not \"-8\""},
      {{"--trx-port=1000"}, "--trx-port needs a port number from 1 to 999, not \"1000\""},
      {{"--dv-port", " 7"}, "--dv-port needs a port number from 1 to 999, not \" 7\""},
      {{"--dv-port", "99999999999999999999"},
       "--dv-port needs a port number from 1 to 999, not \"99999999999999999999\""},
      {{"--every", "30s"}, "--every needs a number of seconds from 0 (off) to 86400, not \"30s\""},
      {{"--every", "nan"}, "--every needs a number of seconds from 0 (off) to 86400, not \"nan\""},
      {{"--every", "1e300"},
       "--every needs a number of seconds from 0 (off) to 86400, not \"1e300\""},
      {{"--every", ""}, "--every needs a number of seconds from 0 (off) to 86400, not \"\""},
      {{"--dir="}, "--dir needs a non-empty value"},
      {{"--replug-after", "-1"},
       "--replug-after needs a number of seconds from 0 to 86400, not \"-1\""},
      {{"--colour"}, "unknown option --colour"},
      {{"COM7"}, "unknown option COM7"},
  };
  for (const auto& c : cases) {
    DeviceOptions fresh;
    EXPECT_FALSE(parse_device_options(c.args, fresh, error)) << c.error;
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
