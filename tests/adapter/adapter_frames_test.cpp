#include "adapter/adapter_frames.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "adapter/link_state.h"
#include "settings/station_settings.h"
#include "support/pty_device.h"
#include "support/station_fixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class AdapterFramesTest : public StationTest {
 protected:
  void SetUp() override {
    open_adapter_port(view, "7");
    ASSERT_TRUE(adapter_open);
  }
  PtyDevice adapter{7};
};

Bytes hex(std::initializer_list<int> values) {
  Bytes out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

// A message as its four frames: FE FE 01 7F 1D C1, the part 40 to 43, its
// five characters, FD.
Bytes message_frames(const std::array<std::string, 4>& parts) {
  Bytes frames;
  for (int part = 0; part < 4; ++part) {
    frames = frames + hex({0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC1, 0x40 + part}) +
             bytes_of(parts[static_cast<std::size_t>(part)]) + hex({0xFD});
  }
  return frames;
}

TEST_F(AdapterFramesTest, RepeaterStartSendsTheFiveConfigurationFramesInOrder) {
  configure_adapter(view);
  Bytes expected = hex({0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC9, 0x00, 0xFD}) +
                   hex({0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x03}) + bytes_of("QR3WMN D") +
                   hex({0x20, 0x20, 0xFD}) + hex({0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xDC}) +
                   bytes_of("F817") + hex({0xFD}) +
                   hex({0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xCF, 0x01, 0xFD}) +
                   hex({0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x05}) +
                   bytes_of("QR3KTG GQR3KTA A/QR3KTAB") + hex({0xFD});
  EXPECT_EQ(adapter.read_count(expected.size()), expected);
  EXPECT_EQ(view.text(ctl::my_suffix), "F817");
}

TEST_F(AdapterFramesTest, SimplexStartSendsModeZeroAndNoRoute) {
  set_text(station.call_area, "Simplex");
  set_fixed(station.my_callsign, "QR3XY");
  configure_adapter(view);
  Bytes expected = hex({0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC9, 0x00, 0xFD}) +
                   hex({0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x03}) + bytes_of("QR3XY     ") +
                   hex({0xFD}) + hex({0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xDC}) + bytes_of("F817") +
                   hex({0xFD}) + hex({0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xCF, 0x00, 0xFD});
  EXPECT_EQ(adapter.read_all(), expected);
}

TEST_F(AdapterFramesTest, RouteNamesTheDistantRepeaterOrCallsCq) {
  struct Case {
    const char* situation;
    std::string my_repeater, his_repeater, gateway;
    std::string payload;
    std::string call_area = "JP1";
  } cases[] = {
      {"distant repeater", "QR3KTA A", "QR3KTA B", "QR3KTG G", "QR3KTG GQR3KTA A/QR3KTAB"},
      {"staying on own repeater", "QR3KTA A", "QR3KTA A", "QR3KTG G", "QR3KTG GQR3KTA ACQCQCQ  "},
      {"repeater without gateway", "QR3KTA A", "QR3KTA A", "None", "        QR3KTA ACQCQCQ  "},
      {"simplex his repeater in simplex", "QR3KTA A", "CQCQCQ  ", "QR3KTG G",
       "QR3KTG GQR3KTA A/CQCQCQ ", "Simplex"},
      {"simplex his repeater in repeater operation", "QR3KTA A", "CQCQCQ  ", "QR3KTG G",
       "QR3KTG GQR3KTA ACQCQCQ  "},
      {"DIRECT his repeater in repeater operation", "QR3KTA A", "DIRECT  ", "QR3KTG G",
       "QR3KTG GQR3KTA ACQCQCQ  "},
  };
  for (const auto& c : cases) {
    set_text(station.call_area, c.call_area);
    set_fixed(station.my_repeater, c.my_repeater);
    set_fixed(station.his_repeater, c.his_repeater);
    set_fixed(station.gateway, c.gateway);
    send_route();
    EXPECT_EQ(adapter.read_count(31),
              hex({0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x05}) + bytes_of(c.payload) + hex({0xFD}))
        << c.situation;
  }
}

TEST_F(AdapterFramesTest, CallBackRouteNamesTheStationHeard) {
  set_fixed(station.callback_callsign, "QR3XYZ X");
  send_callback_route();
  EXPECT_EQ(adapter.read_count(31), hex({0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x05}) +
                                        bytes_of("QR3KTG GQR3KTA AQR3XYZ X") + hex({0xFD}));
}

TEST_F(AdapterFramesTest, CallBackFromARepeaterWithoutGatewaySendsNoPlaceholder) {
  set_fixed(station.gateway, "None");
  set_fixed(station.callback_callsign, "QR3XYZ X");
  send_callback_route();
  EXPECT_EQ(adapter.read_count(31), hex({0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x05}) +
                                        bytes_of("        QR3KTA AQR3XYZ X") + hex({0xFD}));
}

TEST_F(AdapterFramesTest, ShortMessageGoesOutAsFourPartsPaddedWithSpaces) {
  std::array<char, 20> text{};
  std::copy_n("HELLO", 5, text.begin());
  send_tx_message(text);
  const Bytes expected = message_frames({"HELLO", "     ", "     ", "     "});
  EXPECT_EQ(adapter.read_count(expected.size()), expected);
}

TEST_F(AdapterFramesTest, TwentyCharacterMessageWithLineBreakIsSentAsTyped) {
  std::array<char, 20> text{};
  std::string typed = "CQ DE QR3WMN\r\nPSE K ";
  std::copy_n(typed.begin(), 20, text.begin());
  send_tx_message(text);
  const Bytes expected = message_frames({"CQ DE", " QR3W", "MN\r\nP", "SE K "});
  EXPECT_EQ(adapter.read_count(expected.size()), expected);
}

TEST_F(AdapterFramesTest, FramesToAClosedAdapterGoNowhere) {
  close_adapter_link();
  configure_adapter(view);
  send_callback_route();
  EXPECT_TRUE(adapter.read_all(std::chrono::milliseconds(50)).empty());
}

}  // namespace
