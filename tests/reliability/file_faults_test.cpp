// Settings and list files that are not what they should be: folders in their
// place, a huge list, random junk, NUL bytes. Start-up and START must work,
// the operator must see only the console's own message boxes, and a file the
// console cannot read must not be replaced by something else.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "adapter/link_state.h"
#include "settings/station_settings.h"
#include "support/console_fixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const char* const kFiles[] = {"D-STAR_DV_config.txt", "D-STAR_tranceiver_config.txt",
                              "D-STAR_my_rpt.txt", "D-STAR_his_rpt.txt", "D-STAR_repeaters.txt"};
const Bytes kInit = {0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC9, 0x00, 0xFD};

// The message boxes the console has, and no other.
bool is_own_box(const RecordedBox& box) {
  const std::set<std::string> files(std::begin(kFiles), std::end(kFiles));
  const std::set<std::string> saved = {"D-STAR_DV_config.txt", "D-STAR_my_rpt.txt",
                                       "D-STAR_his_rpt.txt"};
  const std::regex com("COM-?[0-9]+");
  const bool none = box.owner == BoxOwner::none;
  return (box.text == "COM port could not open for DV adapter" &&
          std::regex_match(box.caption, com) && none) ||
         (box.caption == "TRX COM port error" && std::regex_match(box.text, com) && none) ||
         (box.caption == "COM port error" && none &&
          box.text.starts_with("DV port and TRX port lead to one device: COM")) ||
         (box.text == "DV adapter port has been closed" && box.caption == "ERROR" &&
          box.owner == BoxOwner::window) ||
         (box.caption == "Error! the file could not open" && files.count(box.text) && none) ||
         (box.text == "File could not open, " && files.count(box.caption) && none) ||
         (box.text == "Could not open" && saved.count(box.caption) && none) ||
         (box.text == "TRX_configulation could not open" &&
          box.caption == "D-STAR_tranceiver_config.txt" && none) ||
         (box.text == "More than 460MHz can not handle by the Tranceiver." &&
          box.caption == "Error : " && box.owner == BoxOwner::window);
}

bool is_folder(const std::string& name) { return std::filesystem::is_directory(name); }

class FileFaultsTest : public ConsoleTest {
 protected:
  void make_folder(const char* name) { ASSERT_EQ(::mkdir(name, 0755), 0) << name; }
  void set_ports() {
    view.set_text(ctl::adapter_port, "7");
    view.set_text(ctl::transceiver_port, "8");
  }
  std::vector<RecordedBox> boxes_since(std::size_t n) {
    auto all = view.boxes();
    return {all.begin() + static_cast<std::ptrdiff_t>(std::min(n, all.size())), all.end()};
  }
};

TEST_F(FileFaultsTest, EveryFileAFolderStartsAndRunsAndLeavesTheFoldersAlone) {
  for (const char* name : kFiles) make_folder(name);
  open_window();
  EXPECT_EQ(view.boxes(),
            (std::vector<RecordedBox>{
                {"D-STAR_DV_config.txt", "Error! the file could not open", BoxOwner::none}}));
  set_ports();
  press(ctl::start_stop);
  ASSERT_TRUE(adapter_open);
  EXPECT_EQ(adapter.read_count(kInit.size()), kInit);
  press(ctl::start_stop);
  EXPECT_EQ(boxes_since(1),
            (std::vector<RecordedBox>{{"Could not open", "D-STAR_DV_config.txt", BoxOwner::none},
                                      {"TRX_configulation could not open",
                                       "D-STAR_tranceiver_config.txt", BoxOwner::none}}));
  EXPECT_TRUE(press_exit());
  EXPECT_EQ(view.boxes().size(), 3u);
  for (const char* name : kFiles) EXPECT_TRUE(is_folder(name)) << name;
}

TEST_F(FileFaultsTest, GoodSettingsLineWithEveryOtherFileAFolder) {
  dir.write_file("D-STAR_DV_config.txt", "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7");
  for (const char* name : kFiles) {
    if (std::string(name) != "D-STAR_DV_config.txt") make_folder(name);
  }
  open_window();
  EXPECT_EQ(
      view.boxes(),
      (std::vector<RecordedBox>{
          {"File could not open, ", "D-STAR_my_rpt.txt", BoxOwner::none},
          {"File could not open, ", "D-STAR_repeaters.txt", BoxOwner::none},
          {"D-STAR_tranceiver_config.txt", "Error! the file could not open", BoxOwner::none}}));
  double_click_entry(ctl::call_area, "JP2");
  EXPECT_EQ(boxes_since(3),
            (std::vector<RecordedBox>{
                {"File could not open, ", "D-STAR_repeaters.txt", BoxOwner::none},
                {"File could not open, ", "D-STAR_repeaters.txt", BoxOwner::none}}));
  set_ports();
  press(ctl::start_stop);
  ASSERT_TRUE(adapter_open);
  press(ctl::start_stop);
  EXPECT_EQ(boxes_since(5),
            (std::vector<RecordedBox>{{"Could not open", "D-STAR_my_rpt.txt", BoxOwner::none},
                                      {"TRX_configulation could not open",
                                       "D-STAR_tranceiver_config.txt", BoxOwner::none}}));
  // What could be written was written whole.
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "QR3WMN D,F817,JP2,QR3KTA A,QR3KTA B,7");
  EXPECT_TRUE(is_folder("D-STAR_my_rpt.txt"));
  EXPECT_TRUE(is_folder("D-STAR_his_rpt.txt"));
}

TEST_F(FileFaultsTest, TenMegabyteRepeaterListIsReadToItsLastLine) {
  std::string list;
  for (int n = 0; list.size() < 10u * 1024 * 1024; ++n) {
    list += "JP2,Filler" + std::to_string(n) + ",439550,-5000,QR3FIL A,QR3FIL G // padding\n";
  }
  list += "JP1,Faraway,434100,-5000,QR3FAR A,QR3FAR G";
  write_station_files();
  dir.write_file("D-STAR_repeaters.txt", list);
  open_window();
  ASSERT_EQ(view.list(ctl::his_repeater).size(), 256u + 4u);  // the full 256, then the commands
  EXPECT_EQ(view.list(ctl::his_repeater)[0], "JP2,Filler0,439550,-5000,QR3FIL A,QR3FIL G ");

  double_click_entry(ctl::call_area, "JP1");
  EXPECT_EQ(view.list(ctl::my_repeater),
            (std::vector<std::string>{"JP1,Faraway,434100,-5000,QR3FAR A,QR3FAR G"}));
  double_click(ctl::my_repeater, 0);
  set_ports();
  press(ctl::start_stop);
  ASSERT_TRUE(adapter_open);
  EXPECT_EQ(radio.read_count(5), (Bytes{0x43, 0x41, 0x00, 0x00, 0x01}));
  press(ctl::start_stop);
  EXPECT_TRUE(view.boxes().empty());
  EXPECT_EQ(dir.read_file("D-STAR_repeaters.txt").size(), list.size());
}

TEST_F(FileFaultsTest, RandomJunkInEveryFileShowsOnlyOwnBoxesAndStillStarts) {
  int boxes_seen = 0;
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    reset_program_state();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> length(0, 3000), byte(0, 255);
    for (const char* name : kFiles) {
      std::filesystem::remove_all(name);
      // Now and then a folder stands where a file should be.
      if (byte(random) < 40) {
        make_folder(name);
        continue;
      }
      std::string junk(static_cast<std::size_t>(length(random)), '\0');
      for (char& c : junk) c = static_cast<char>(byte(random));
      dir.write_file(name, junk);
    }
    RecordingView window;
    on_window_created(window);
    window.set_text(ctl::adapter_port, "7");
    window.set_text(ctl::transceiver_port, "8");
    on_command(window, ctl::start_stop, CommandKind::other, pump);
    ASSERT_TRUE(adapter_open);
    EXPECT_EQ(adapter.read_count(kInit.size()), kInit);
    // The operator picks whatever the junk put into the lists.
    for (int list : {ctl::call_area, ctl::my_repeater, ctl::his_repeater, ctl::transceiver_model}) {
      if (window.list(list).empty()) continue;
      window.select_list_entry(list, 0);
      on_command(window, list, CommandKind::double_click, pump);
    }
    on_command(window, ctl::start_stop, CommandKind::other, pump);
    EXPECT_FALSE(adapter_open);
    EXPECT_TRUE(on_command(window, ctl::exit_button, CommandKind::other, pump));
    // The next run reads back what this one saved.
    reset_station_settings();
    on_window_created(window);
    for (const RecordedBox& box : window.boxes()) {
      EXPECT_TRUE(is_own_box(box)) << box.text << " / " << box.caption;
    }
    boxes_seen += static_cast<int>(window.boxes().size());
    adapter.read_all(std::chrono::milliseconds(20));
    radio.read_all(std::chrono::milliseconds(20));
  }
  std::printf("[ junk    ] 20 sets of junk files and folders, %d boxes, all the console's own\n",
              boxes_seen);
}

struct NulCase {
  const char* name;
  std::string adapter_line;
  std::string shown_suffix;
  std::size_t call_areas_listed;
  Bytes suffix_frame;
  bool transceiver_file_kept;  // the line was read and its model is not tuned
};

TEST_F(FileFaultsTest, NulBytesEndTheTextOfASettingsLine) {
  using namespace std::string_literals;
  const std::string transceiver_line =
      "FT-8\0"s
      "17,8,439310,-5000,PKT,Dummy ";
  const NulCase cases[] = {
      {"NUL inside the suffix", "QR3WMN D,F8\0 17,JP1,QR3KTA A,QR3KTA B,7"s, "F8  ", 12,
       Bytes{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xDC, 'F', '8', ' ', ' ', 0xFD}, true},
      {"NUL first", "\0QR3WMN D,QR9Z,JP1,QR3KTA A,QR3KTA B,7"s, "", 0,
       Bytes{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xDC, 'F', '8', '1', '7', 0xFD}, false},
  };
  for (const NulCase& c : cases) {
    SCOPED_TRACE(c.name);
    reset_program_state();
    write_station_files();
    dir.write_file("D-STAR_DV_config.txt", c.adapter_line);
    dir.write_file("D-STAR_tranceiver_config.txt", transceiver_line);
    RecordingView window;
    on_window_created(window);
    EXPECT_TRUE(window.boxes().empty());
    EXPECT_EQ(window.text(ctl::my_suffix), c.shown_suffix);
    EXPECT_EQ(window.list(ctl::call_area).size(), c.call_areas_listed);
    window.set_text(ctl::adapter_port, "7");
    window.set_text(ctl::transceiver_port, "8");
    on_command(window, ctl::start_stop, CommandKind::other, pump);
    ASSERT_TRUE(adapter_open);
    const Bytes sent = adapter.read_count(8 + 17 + 11);
    EXPECT_EQ(Bytes(sent.begin() + 25, sent.end()), c.suffix_frame);
    on_command(window, ctl::start_stop, CommandKind::other, pump);
    EXPECT_TRUE(window.boxes().empty());
    if (c.transceiver_file_kept) {
      // Model "FT-8" is not tuned, so its file stays as it was, NUL and all.
      EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), transceiver_line);
    }
    adapter.read_all(std::chrono::milliseconds(20));
    radio.read_all(std::chrono::milliseconds(20));
  }
}

}  // namespace
