#include "settings/station_settings.h"

#include <gtest/gtest.h>

#include "support/station_fixture.h"

namespace {

using StationSettingsTest = StationTest;

TEST_F(StationSettingsTest, CompiledInValuesAreTheStationsFirstSettings) {
  EXPECT_EQ(station.my_callsign.view(), "QR3WMN D");
  EXPECT_EQ(station.my_suffix.view(), "F817");
  EXPECT_EQ(station.call_area.view(), "JP1");
  EXPECT_EQ(station.my_repeater.view(), "QR3KTA A");
  EXPECT_EQ(station.his_repeater.view(), "QR3KTA B");
  EXPECT_EQ(station.adapter_port.view(), "7");
  EXPECT_EQ(station.transceiver_model.view(), "FT-817");
  EXPECT_EQ(station.transceiver_port.view(), "8");
  EXPECT_EQ(station.frequency_khz.view(), "439310");
  EXPECT_EQ(station.shift_khz.view(), "-5000");
  EXPECT_EQ(station.mode.view(), "PKT");
  EXPECT_EQ(station.my_repeater_line.view(), "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G");
  EXPECT_EQ(station.his_repeater_line.view(),
            "JP1,Hilltop1200(NI12),1291570,-20000,QR3KTA B,QR3KTG G");
  EXPECT_EQ(station.gateway.view(), "QR3KTG G");
  EXPECT_EQ(station.callback_callsign.view(), "QR3WMN B");
  EXPECT_EQ(std::string(station.received_header.begin(), station.received_header.begin() + 32),
            std::string(32, ' '));
  EXPECT_EQ(station.received_header[32], 0);
  for (char c : station.tx_message) EXPECT_EQ(c, '\0');
}

TEST_F(StationSettingsTest, FixedWidthFieldsArePaddedOrCutToTheirWidth) {
  struct Case {
    std::string input;
    std::string callsign;
    std::string suffix;
  } cases[] = {
      {"QR3XY", "QR3XY   ", "QR3X"},
      {"", "        ", "    "},
      {"QR3XYZ AB", "QR3XYZ A", "QR3X"},
      {"F8", "F8      ", "F8  "},
      {std::string("QR\0XYZ", 6), "QR      ", "QR  "},
  };
  for (const auto& c : cases) {
    set_fixed(station.my_callsign, c.input);
    set_fixed(station.my_suffix, c.input);
    EXPECT_EQ(station.my_callsign.view(), c.callsign) << c.input;
    EXPECT_EQ(station.my_suffix.view(), c.suffix) << c.input;
  }
}

TEST_F(StationSettingsTest, TextFieldsAreCutToTheirCapacity) {
  set_text(station.call_area, "Simplex2");
  EXPECT_EQ(station.call_area.view(), "Simplex");
  set_text(station.adapter_port, "12345");
  EXPECT_EQ(station.adapter_port.view(), "123");
  set_text(station.my_repeater_line, std::string(200, 'x'));
  EXPECT_EQ(station.my_repeater_line.size(), 100u);
  set_text(station.his_repeater_line, std::string(200, 'x'));
  EXPECT_EQ(station.his_repeater_line.size(), 100u);
  set_text(station.transceiver_model, "A very long transceiver name");
  EXPECT_EQ(station.transceiver_model.view(), "A very long tra");
}

TEST_F(StationSettingsTest, AnAreaBeginningWithSimplexSpelledSoIsSimplex) {
  struct Case {
    std::string area;
    bool simplex;
  } cases[] = {{"Simplex", true},  {"simplex", false}, {"Simple", false},
               {"Simplex2", true}, {"JP1", false},     {"", false}};
  for (const auto& c : cases) {
    set_text(station.call_area, c.area);
    EXPECT_EQ(is_simplex(), c.simplex) << c.area;
  }
}

}  // namespace
