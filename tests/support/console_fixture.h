#pragma once
// A console window's logic driven through the recording view, with the
// adapter on COM7 and the transceiver on COM8 as pseudo-terminals.

#include <string>
#include <vector>

#include "console/console_handlers.h"
#include "support/byte_literals.h"
#include "support/pty_device.h"
#include "support/station_fixture.h"

class ConsoleTest : public StationTest {
 protected:
  ~ConsoleTest() override;

  // Writes the usual operator's files: adapter line, transceiver line and a
  // small repeater list.
  void write_station_files(
      const std::string& adapter_line = "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7",
      const std::string& transceiver_line = "FT-817,8,439310,-5000,PKT,Dummy ");
  void open_window();
  // The window as the operator finds it after start-up with the usual files,
  // the adapter's port in "DV port(1)" and the radio's in "TRX port(1)".
  void open_window_with_station_files();
  // The operator's actions, as the window reports them.
  void press(int id);
  bool press_exit();
  void double_click(int list, int index);
  void double_click_entry(int list, const std::string& entry);

  PtyDevice adapter{7};
  PtyDevice radio{8};
  const DisplayPump pump = [] {};
};

extern const char* const kRepeaterList;
// "His repeater"'s lines, then the repeater's commands with the "Link" entries.
std::vector<std::string> with_commands(std::vector<std::string> lines,
                                       const std::vector<std::string>& links = {});
std::vector<std::uint8_t> route_frame(const std::string& rpt2, const std::string& rpt1,
                                      const std::string& ur);
// What START sends for the usual station files (QR3WMN D, suffix F817), the route last.
std::vector<std::uint8_t> start_frames(const std::string& rpt2, const std::string& rpt1,
                                       const std::string& ur);
// What START sends for the usual files: the route to QR3KTA A through QR3KTG G.
inline const std::vector<std::uint8_t> kRepeaterConfiguration =
    start_frames("QR3KTG G", "QR3KTA A", "/QR3KTAB");
// The FT-817's tuning to 439.310 MHz: frequency, 5 MHz offset, minus, PKT.
inline const std::vector<std::uint8_t> kTuningTo439310 =
    std::vector<std::uint8_t>{0x43, 0x93, 0x10, 0x00, 0x01, 0x00, 0x50, 0x00, 0x00, 0xF9,
                              0x09, 0x00, 0x00, 0x00, 0x09, 0x0C, 0x6D, 0x6D, 0x6D, 0x07};
