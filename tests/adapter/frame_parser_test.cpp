#include "adapter/frame_parser.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "settings/station_settings.h"
#include "support/adapter_reports.h"
#include "support/pty_device.h"
#include "support/station_fixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes status(std::uint8_t code) {
  return {0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x00, 0x00, 0x00, code, 0xFD};
}
const Bytes kStatusUr = status(0x02);
const Bytes kStatusCut = {0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x00, 0x00, 0xFD};

class FrameParserTest : public StationTest {
 protected:
  void feed(const Bytes& bytes) {
    for (std::uint8_t b : bytes) feed_byte(parser, view, b);
  }
  std::string stored_header() {
    return {station.received_header.begin(), station.received_header.end()};
  }

  AdapterFrameParser parser;
};

struct Case {
  const char* situation;
  Bytes stream;
  std::string receiving;  // the whole "Receiving" box afterwards
  std::string response;   // the "Response" field afterwards
  int response_updates;
};

TEST_F(FrameParserTest, AdapterReportsShowAsTheOperatorSeesThem) {
  const Case cases[] = {
      {"full header report adds a line MY UR RPT1 RPT2", kFullHeader, kFullHeaderLine, "", 0},
      {"status 01 asks for the repeater", status(0x01), "", "RPT?", 1},
      {"status 02 asks for the station called", status(0x02), "", "UR?", 1},
      {"status 00 clears the field", status(0x00), "", "    ", 1},
      {"status 03 clears the field", status(0x03), "", "    ", 1},
      {"status cut short repeats the previous status", kStatusRpt + kStatusCut, "", "RPT?", 2},
      {"status cut short at program start shows blanks", kStatusCut, "", "    ", 1},
      {"echoed computer frame ends with the last status",
       kStatusUr + Bytes{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x00, 0x00, 0x00, 0x01, 0xFD}, "", "UR?", 2},
      {"echoed route frame after a header report shows the header again",
       kFullHeader + Bytes{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x05} +
           bytes_of("QR3KTG GQR3KTA ACQCQCQ  ") + Bytes{0xFD},
       kFullHeaderLine + kFullHeaderLine, "", 0},
      {"40-byte header shows its first 32 bytes",
       kHeaderReport + bytes_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd") + Bytes{0xFD},
       "\r\nYZ012345 QRSTUVWX IJKLMNOP ABCDEFGH", "", 0},
      {"8-byte header after a full one replaces only RPT2",
       kFullHeader + kHeaderReport + bytes_of("QR3AAA B") + Bytes{0xFD},
       kFullHeaderLine + "\r\nQR3XYZ X CQCQCQ   QR3KTA A QR3AAA B", "", 0},
      {"frame cut after its command byte at program start shows blanks",
       Bytes{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0xFD}, "", "    ", 1},
      {"three leading preamble bytes hide the frame",
       kStatusUr + Bytes{0xFE, 0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x00, 0x00, 0x00, 0x01, 0xFD}, "",
       "UR?", 2},
      {"overlong header broken by a preamble byte is not shown",
       kFullHeader + kHeaderReport + bytes_of("AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA") +
           Bytes{0xFE, 'x', 'x', 0xFD},
       kFullHeaderLine, "", 0},
      {"end byte while the address is read ends nothing",
       Bytes{0xFD, 0xFE, 0xFD, 0xFE, 0xFE, 0x7F, 0xFD}, "", "", 0},
      {"status interrupted by a new frame shows the new frame",
       Bytes{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x00, 0x00} + kStatusUr, "", "UR?", 1},
      {"unknown report repeats the last status",
       kStatusRpt + Bytes{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x05, 0x11, 0x22, 0xFD}, "", "RPT?", 2},
      {"preamble byte inside a header is a callsign byte",
       kHeaderReport + bytes_of("QR3KTG GQR3KTA ACQCQCQ") + Bytes{0xFE, ' '} +
           bytes_of("QR3XYZ X") + Bytes{0xFD},
       "\r\nQR3XYZ X CQCQCQ\xFE  QR3KTA A QR3KTG G", "", 0},
      {"control bytes in a header are shown as dots",
       kHeaderReport + bytes_of("QR3KTG GQR3KTA A") +
           Bytes{'C', 'Q', 0x08, 0x16, 0x7F, 0x0D, 0x00, 0x1F} + bytes_of("QR3XYZ") +
           Bytes{0x0A, 0x03, 0xFD},
       "\r\nQR3XYZ.. CQ...... QR3KTA A QR3KTG G", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.situation);
    reset_station_settings();
    parser = AdapterFrameParser{};
    RecordingView seen;
    for (std::uint8_t b : c.stream) feed_byte(parser, seen, b);
    EXPECT_EQ(seen.text(ctl::receiving), c.receiving);
    EXPECT_EQ(seen.text(ctl::response), c.response);
    EXPECT_EQ(seen.set_text_count(ctl::response), c.response_updates);
  }
}

TEST_F(FrameParserTest, HeaderBytesAreStoredAsReceivedUpTo33) {
  feed(kHeaderReport + bytes_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd") + Bytes{0xFD});
  EXPECT_EQ(stored_header(), "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456");
  EXPECT_EQ(parser.state, 0);

  feed(kHeaderReport + bytes_of("QR3KTG GQR3KTA A") + Bytes{'C', 'Q', 0x08, 0x7F} + Bytes{0xFD});
  EXPECT_EQ(stored_header(), std::string("QR3KTG GQR3KTA ACQ\x08\x7FUVWXYZ0123456"));
}

TEST_F(FrameParserTest, StatusAndSubcommandOutliveTheirFrame) {
  feed(kStatusUr);
  EXPECT_EQ(parser.status_code, 0x02);
  EXPECT_EQ(parser.subcommand, 0x00);
  // A frame cut right after its command byte acts on what the last one left.
  feed({0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x04, 'Q', 0xFD});
  feed({0xFE, 0xFE, 0x7F, 0x01, 0xFD});
  EXPECT_EQ(parser.subcommand, 0x04);
  EXPECT_EQ(parser.status_code, 0x02);
  const std::string line = "\r\n" + std::string(27, ' ') + "Q       ";
  EXPECT_EQ(view.text(ctl::receiving), line + line);
}

TEST_F(FrameParserTest, HeaderReportGoesAtTheEndAndLeavesTheOperatorsSelection) {
  struct Where {
    const char* situation;
    int start;
    int end;
  } cases[] = {
      {"a callsign selected on an earlier line", 2, 8},
      {"the caret inside earlier text", 8, 8},
  };
  for (const Where& c : cases) {
    SCOPED_TRACE(c.situation);
    parser = AdapterFrameParser{};
    view.set_text(ctl::receiving, "\r\nAAAAAA\r\nBBBBBB");
    view.select_text(ctl::receiving, c.start, c.end);
    feed(kFullHeader);
    EXPECT_EQ(view.text(ctl::receiving), "\r\nAAAAAA\r\nBBBBBB" + kFullHeaderLine);
    EXPECT_EQ(view.get_selection(ctl::receiving).start, c.start);
    EXPECT_EQ(view.get_selection(ctl::receiving).end, c.end);
  }
}

}  // namespace
