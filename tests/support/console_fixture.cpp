#include "support/console_fixture.h"

#include <algorithm>

#include "adapter/link_state.h"

const char* const kRepeaterList =
    "// Repeaters of the club area\n"
    "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G\n"
    "JP1,Hilltop1200(NI12),1291570,-20000,QR3KTA B,QR3KTG G\n"
    "JP1,Riverside,434550,+600,QR3RVS A,None\n"
    "JP2,Harbour430,439550,-5000,QR3HBR A,QR3HBR G // coast\n"
    "Simplex,Calling,433300,0,QR3SMP A,None\n";

ConsoleTest::~ConsoleTest() {
  // Whatever the test left running ends like an EXIT would, without saving.
  adapter_open = false;
  stop_receive_loop(pump);
}

void ConsoleTest::write_station_files(const std::string& adapter_line,
                                      const std::string& transceiver_line) {
  dir.write_file("D-STAR_DV_config.txt", adapter_line);
  dir.write_file("D-STAR_tranceiver_config.txt", transceiver_line);
  dir.write_file("D-STAR_my_rpt.txt", "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G");
  dir.write_file("D-STAR_repeaters.txt", kRepeaterList);
}

void ConsoleTest::open_window() { on_window_created(view); }

void ConsoleTest::open_window_with_station_files() {
  write_station_files();
  open_window();
  view.set_text(ctl::adapter_port, "7");
  view.set_text(ctl::transceiver_port, "8");
}

void ConsoleTest::press(int id) { on_command(view, id, CommandKind::other, pump); }

bool ConsoleTest::press_exit() {
  return on_command(view, ctl::exit_button, CommandKind::other, pump);
}

void ConsoleTest::double_click(int list, int index) {
  view.select_list_entry(list, index);
  on_command(view, list, CommandKind::double_click, pump);
}

void ConsoleTest::double_click_entry(int list, const std::string& entry) {
  auto entries = view.list(list);
  auto it = std::find(entries.begin(), entries.end(), entry);
  ASSERT_NE(it, entries.end()) << entry;
  double_click(list, static_cast<int>(it - entries.begin()));
}

std::vector<std::string> with_commands(std::vector<std::string> lines,
                                       const std::vector<std::string>& links) {
  lines.push_back("Use reflector");
  lines.insert(lines.end(), links.begin(), links.end());
  lines.insert(lines.end(), {"Unlink", "Echo test", "Repeater info"});
  return lines;
}

std::vector<std::uint8_t> route_frame(const std::string& rpt2, const std::string& rpt1,
                                      const std::string& ur) {
  return std::vector<std::uint8_t>{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x05} +
         bytes_of(rpt2 + rpt1 + ur) + std::vector<std::uint8_t>{0xFD};
}

std::vector<std::uint8_t> start_frames(const std::string& rpt2, const std::string& rpt1,
                                       const std::string& ur) {
  using Bytes = std::vector<std::uint8_t>;
  return Bytes{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC9, 0x00, 0xFD} +
         Bytes{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x03} + bytes_of("QR3WMN D  ") + Bytes{0xFD} +
         Bytes{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xDC} + bytes_of("F817") + Bytes{0xFD} +
         Bytes{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xCF, 0x01, 0xFD} + route_frame(rpt2, rpt1, ur);
}
