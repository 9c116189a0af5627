#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "adapter/link_state.h"
#include "adapter/serial_port.h"
#include "settings/station_settings.h"
#include "support/console_fixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class StartStopTest : public ConsoleTest {
 protected:
  void SetUp() override { open_window_with_station_files(); }
  void forget_saved_files() {
    for (const char* f : {"D-STAR_DV_config.txt", "D-STAR_my_rpt.txt", "D-STAR_his_rpt.txt",
                          "D-STAR_tranceiver_config.txt"}) {
      std::remove(f);
    }
  }
  // START with `port` in "DV port(1)": the first box names `com`, the port
  // that did not open.
  void start_on_a_port_that_does_not_open(const std::string& port, const std::string& com) {
    view.set_text(ctl::adapter_port, port);
    press(ctl::start_stop);
    ASSERT_GE(view.boxes().size(), 1u);
    EXPECT_EQ(view.boxes()[0],
              (RecordedBox{"COM port could not open for DV adapter", com, BoxOwner::none}));
  }
};

TEST_F(StartStopTest, StartConfiguresTheAdapterThenTunesTheRadio) {
  press(ctl::start_stop);
  EXPECT_TRUE(view.boxes().empty());
  EXPECT_EQ(view.text(ctl::start_stop), "STOP");
  EXPECT_TRUE(adapter_open);
  EXPECT_TRUE(transceiver_active);
  EXPECT_EQ(adapter.read_count(kRepeaterConfiguration.size()), kRepeaterConfiguration);
  EXPECT_EQ(radio.read_count(kTuningTo439310.size()), kTuningTo439310);
}

TEST_F(StartStopTest, StopSavesEverythingOnceAndExitDoesNotSaveAgain) {
  press(ctl::start_stop);
  press(ctl::start_stop);
  EXPECT_EQ(view.text(ctl::start_stop), "START");
  EXPECT_FALSE(adapter_open);
  expect_usual_adapter_files_saved();
  EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), "FT-817,8,439310,-5000,PKT,Dummy ");
  forget_saved_files();
  EXPECT_TRUE(press_exit());
  EXPECT_FALSE(dir.exists("D-STAR_DV_config.txt"));
  EXPECT_FALSE(dir.exists("D-STAR_tranceiver_config.txt"));
}

TEST_F(StartStopTest, ExitWithoutStartWritesNoFile) {
  forget_saved_files();
  EXPECT_TRUE(press_exit());
  EXPECT_FALSE(dir.exists("D-STAR_DV_config.txt"));
  EXPECT_FALSE(dir.exists("D-STAR_my_rpt.txt"));
  EXPECT_FALSE(dir.exists("D-STAR_his_rpt.txt"));
  EXPECT_FALSE(dir.exists("D-STAR_tranceiver_config.txt"));
}

TEST_F(StartStopTest, ExitWhileRunningSavesBothSidesAndReleasesThePorts) {
  press(ctl::start_stop);
  forget_saved_files();
  EXPECT_TRUE(press_exit());
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7");
  EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), "FT-817,8,439310,-5000,PKT,Dummy ");
  EXPECT_FALSE(adapter_port_handle.is_open());
  EXPECT_FALSE(transceiver_port_handle.is_open());
}

TEST_F(StartStopTest, WithTheWindowGoneExitStillSavesAndReportsAFailedSaveOnStandardError) {
  press(ctl::start_stop);
  forget_saved_files();
  ASSERT_EQ(mkdir("D-STAR_DV_config.txt", 0755), 0);  // cannot be replaced by a file
  testing::internal::CaptureStderr();
  end_link_unattended();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "kestrel8: D-STAR_DV_config.txt: Could not open\n");
  EXPECT_TRUE(view.boxes().empty());
  EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), "FT-817,8,439310,-5000,PKT,Dummy ");
  EXPECT_FALSE(receive_loop_running());
  EXPECT_FALSE(adapter_port_handle.is_open());
  EXPECT_FALSE(transceiver_port_handle.is_open());
}

TEST_F(StartStopTest, RefusedTuningKeepsTheOldTransceiverFileButGivesThePortBack) {
  double_click_entry(ctl::call_area, "JP1");
  double_click_entry(ctl::my_repeater, "JP1,Hilltop1200(NI12),1291570,-20000,QR3KTA B,QR3KTG G");
  press(ctl::start_stop);
  EXPECT_EQ(view.boxes(),
            (std::vector<RecordedBox>{{"More than 460MHz can not handle by the Tranceiver.",
                                       "Error : ", BoxOwner::window}}));
  EXPECT_FALSE(transceiver_active);
  press(ctl::start_stop);
  EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), "FT-817,8,439310,-5000,PKT,Dummy ");
  EXPECT_EQ(dir.read_file("D-STAR_my_rpt.txt"),
            "JP1,Hilltop1200(NI12),1291570,-20000,QR3KTA B,QR3KTG G");
  // The next START opens the radio's port again without complaint.
  view.clear_boxes();
  double_click_entry(ctl::my_repeater, "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G");
  press(ctl::start_stop);
  EXPECT_TRUE(view.boxes().empty());
  EXPECT_TRUE(transceiver_active);
}

TEST_F(StartStopTest, ModelNoneWithEmptyRadioPortTriesTheAdaptersNumber) {
  double_click_entry(ctl::transceiver_model, "None");
  view.set_text(ctl::transceiver_port, "");
  press(ctl::start_stop);
  EXPECT_EQ(view.boxes(),
            (std::vector<RecordedBox>{{"COM7", "TRX COM port error", BoxOwner::none}}));
  EXPECT_EQ(adapter.read_count(kRepeaterConfiguration.size()), kRepeaterConfiguration);
  EXPECT_TRUE(radio.read_all(std::chrono::milliseconds(50)).empty());
  EXPECT_FALSE(transceiver_active);
}

TEST_F(StartStopTest, FailedAdapterOpenLeavesStopOnTheButtonAndStartsAgain) {
  ASSERT_NO_FATAL_FAILURE(start_on_a_port_that_does_not_open("5", "COM5"));
  EXPECT_EQ(view.text(ctl::start_stop), "STOP");
  EXPECT_FALSE(adapter_open);
  EXPECT_FALSE(dir.exists("D-STAR_his_rpt.txt"));
  // Pressed again, it is a START: the radio's port from the first press is
  // released and opened again.
  view.clear_boxes();
  view.set_text(ctl::adapter_port, "7");
  press(ctl::start_stop);
  EXPECT_TRUE(view.boxes().empty());
  EXPECT_TRUE(adapter_open);
  EXPECT_TRUE(transceiver_active);
}

TEST_F(StartStopTest, TwoPortNumbersLeadingToOneDeviceAreRefusedBeforeAnythingIsSent) {
  // COM9 leads to the radio's device as COM8 does, COM10 through COM9.
  ASSERT_EQ(symlink(radio.near_path().c_str(), "COM9"), 0);
  ASSERT_EQ(symlink("COM9", "COM10"), 0);
  const struct {
    const char *dv, *trx, *text, *caption;
  } cases[] = {
      {"9", "8", "DV port and TRX port lead to one device: COM9 and COM8", "COM port error"},
      {"10", "9", "DV port and TRX port lead to one device: COM10 and COM9", "COM port error"},
      // One number in both: the adapter is configured, the radio's open refused.
      {"7", "7", "COM7", "TRX COM port error"},
  };
  for (const auto& c : cases) {
    view.clear_boxes();
    view.set_text(ctl::adapter_port, c.dv);
    view.set_text(ctl::transceiver_port, c.trx);
    press(ctl::start_stop);
    EXPECT_EQ(view.boxes(), (std::vector<RecordedBox>{{c.text, c.caption, BoxOwner::none}}));
    EXPECT_EQ(adapter.read_all(std::chrono::milliseconds(50)).size(),
              *c.dv == '7' ? kRepeaterConfiguration.size() : 0u);
    EXPECT_TRUE(radio.read_all(std::chrono::milliseconds(50)).empty());
    if (adapter_open) press(ctl::start_stop);
  }
}

TEST_F(StartStopTest, EmptyPortFieldOpensComZero) {
  start_on_a_port_that_does_not_open("", "COM0");
}

class FirstRun : public ConsoleTest {};

TEST_F(FirstRun, TypingThePortThenStartAndStopWritesTheCompiledInStation) {
  open_window();
  view.set_text(ctl::adapter_port, "7");
  press(ctl::start_stop);
  press(ctl::start_stop);
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7");
}

TEST_F(StartStopTest, ReceiveLoopRunsOnlyWhileTheLinkDoes) {
  press(ctl::start_stop);
  EXPECT_TRUE(receive_loop_running());
  press(ctl::start_stop);
  EXPECT_FALSE(receive_loop_running());
  press(ctl::start_stop);
  EXPECT_TRUE(receive_loop_running());
  press_exit();
  EXPECT_FALSE(receive_loop_running());
}

}  // namespace
