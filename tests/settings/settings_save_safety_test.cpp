// Saving must never leave a settings file empty or half written, and must
// leave a file alone that the operator's system does not let us write.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "settings/settings_files.h"
#include "settings/station_settings.h"
#include "support/station_fixture.h"

namespace {

using SaveSafetyTest = StationTest;

void choose_station(bool second) {
  reset_station_settings();
  if (second) {
    set_fixed(station.my_callsign, "QR9ABC B");
    set_text(station.call_area, "JP9");
    set_text(station.my_repeater_line, "JP9,Ridge(NI99),434100,-5000,QR9RPT A,None");
    set_text(station.his_repeater_line, "JP9,Ridge1200(NI99),1293100,-20000,QR9RPT B,None");
    set_text(station.transceiver_model, "FT-897");
    set_text(station.frequency_khz, "434100");
  }
}

struct SavedFiles {
  std::string adapter, my_line, his_line, transceiver;
  bool operator==(const SavedFiles&) const = default;
};

SavedFiles read_saved(const TempWorkdir& dir) {
  return {dir.read_file("D-STAR_DV_config.txt"), dir.read_file("D-STAR_my_rpt.txt"),
          dir.read_file("D-STAR_his_rpt.txt"), dir.read_file("D-STAR_tranceiver_config.txt")};
}

TEST_F(SaveSafetyTest, KilledWhileSavingLeavesOldOrNewContentNeverNothing) {
  RecordingView child_view;
  choose_station(true);
  save_adapter_settings(view);
  save_transceiver_settings(view);
  const SavedFiles second = read_saved(dir);
  choose_station(false);
  save_adapter_settings(view);
  save_transceiver_settings(view);
  const SavedFiles first = read_saved(dir);
  ASSERT_NE(first.adapter, second.adapter);
  ASSERT_NE(first.my_line, second.my_line);

  std::mt19937 random(8);
  std::uniform_int_distribution<int> delay_us(200, 20000);
  for (int round = 0; round < 25; ++round) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (unsigned n = 0;; ++n) {
        choose_station(n % 2 == 0);
        save_adapter_settings(child_view);
        save_transceiver_settings(child_view);
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    const SavedFiles now = read_saved(dir);
    EXPECT_TRUE(now.adapter == first.adapter || now.adapter == second.adapter) << now.adapter;
    EXPECT_TRUE(now.my_line == first.my_line || now.my_line == second.my_line) << now.my_line;
    EXPECT_TRUE(now.his_line == first.his_line || now.his_line == second.his_line)
        << now.his_line;
    EXPECT_TRUE(now.transceiver == first.transceiver || now.transceiver == second.transceiver)
        << now.transceiver;
  }
  EXPECT_TRUE(view.boxes().empty());
}

// Runs a save as an ordinary user (nobody when the tests run as root) in a
// child process and hands back the boxes it raised as "text|caption" lines.
std::string boxes_of_unprivileged_save(void (*save)(ConsoleView&)) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return "pipe failed";
  pid_t child = fork();
  if (child == 0) {
    ::close(pipe_fds[0]);
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(2);
    RecordingView child_view;
    save(child_view);
    std::string report;
    for (const auto& box : child_view.boxes()) report += box.text + "|" + box.caption + "\n";
    if (::write(pipe_fds[1], report.data(), report.size()) < 0) _exit(3);
    _exit(0);
  }
  ::close(pipe_fds[1]);
  std::string report;
  char buffer[256];
  ssize_t n;
  while ((n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0) report.append(buffer, n);
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "child failed";
  return report;
}

void make_owned_by_nobody(const std::string& path) {
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
  }
}

TEST_F(SaveSafetyTest, ReadOnlySettingsFileIsNotReplaced) {
  // The folder would take a new file: only the file itself forbids writing.
  ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
  dir.write_file("D-STAR_DV_config.txt", "old adapter line");
  dir.write_file("D-STAR_my_rpt.txt", "old my line");
  dir.write_file("D-STAR_tranceiver_config.txt", "old trx line");
  ASSERT_EQ(::chmod((dir.path() + "/D-STAR_DV_config.txt").c_str(), 0444), 0);
  ASSERT_EQ(::chmod((dir.path() + "/D-STAR_tranceiver_config.txt").c_str(), 0444), 0);

  EXPECT_EQ(boxes_of_unprivileged_save(save_adapter_settings),
            "Could not open|D-STAR_DV_config.txt\n");
  EXPECT_EQ(boxes_of_unprivileged_save(save_transceiver_settings),
            "TRX_configulation could not open|D-STAR_tranceiver_config.txt\n");
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "old adapter line");
  EXPECT_EQ(dir.read_file("D-STAR_my_rpt.txt"), "old my line");
  EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), "old trx line");
  EXPECT_FALSE(dir.exists("D-STAR_his_rpt.txt"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

TEST_F(SaveSafetyTest, FolderWithoutWritePermissionLeavesTheFileAsItWas) {
  // The file may be written, but no new file may be made beside it.
  dir.write_file("D-STAR_tranceiver_config.txt", "old trx line");
  const std::string file = dir.path() + "/D-STAR_tranceiver_config.txt";
  ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
  make_owned_by_nobody(file);
  ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);

  EXPECT_EQ(boxes_of_unprivileged_save(save_transceiver_settings),
            "TRX_configulation could not open|D-STAR_tranceiver_config.txt\n");
  EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), "old trx line");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  ::chmod(dir.path().c_str(), 0700);
}

TEST_F(SaveSafetyTest, FolderWithoutWritePermissionGetsNoNewSettingsFile) {
  ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
  EXPECT_EQ(boxes_of_unprivileged_save(save_adapter_settings),
            "Could not open|D-STAR_DV_config.txt\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 0);
  ::chmod(dir.path().c_str(), 0700);
}

}  // namespace
