// Saving must never leave a settings file empty or half written, and must
// leave a file alone that the operator's system does not let us write.

#include <grp.h>
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

#include "settings/atomic_save.h"
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
    EXPECT_TRUE(now.his_line == first.his_line || now.his_line == second.his_line) << now.his_line;
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

// A save by root or by another user must leave the owner able to save the file next time.
TEST_F(SaveSafetyTest, SavedFileKeepsItsOwnerGroupAndMode) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to hand files to other users";
  struct Case {
    const char* name;
    uid_t owner;
    gid_t group;
    mode_t mode;
    uid_t saver;  // saves as this user and group, with no other groups
    bool saved;
  };
  const Case cases[] = {
      {"root saves a user's file", 65534, 65534, 0640, 0, true},
      {"root saves a user's set-group-id file", 65534, 65534, 02750, 0, true},
      {"a user saves root's world-writable file", 0, 0, 0666, 65534, true},
      {"a user saves a file of root's that their group may write", 0, 65534, 0660, 65534, true},
      {"a user saves their own file", 65534, 65534, 0600, 65534, true},
      {"a user may not write root's file", 0, 0, 0644, 65534, false},
  };
  ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
  const std::string file = dir.path() + "/D-STAR_my_rpt.txt";
  const std::string old_line = "an old line that is longer than the new one";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir.write_file("D-STAR_my_rpt.txt", old_line);
    ASSERT_EQ(::chown(file.c_str(), c.owner, c.group), 0);
    ASSERT_EQ(::chmod(file.c_str(), c.mode), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (c.saver != 0 &&
          (::setgroups(0, nullptr) != 0 || ::setresgid(c.saver, c.saver, c.saver) != 0 ||
           ::setresuid(c.saver, c.saver, c.saver) != 0)) {
        _exit(2);
      }
      _exit(save_file_whole("D-STAR_my_rpt.txt", "new line") ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.saved ? 0 : 1);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, c.owner);
    EXPECT_EQ(st.st_gid, c.group);
    EXPECT_EQ(st.st_mode & 07777, c.mode);
    EXPECT_EQ(dir.read_file("D-STAR_my_rpt.txt"), c.saved ? "new line" : old_line);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  }
}

// A link to a settings file not there yet gets its target created, as a plain open would.
TEST_F(SaveSafetyTest, DanglingLinkGetsItsTargetCreated) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> links;  // name, where it points
    const char* saved_in;                                    // nullptr: nothing may be saved
  };
  const Case cases[] = {
      {"link into a folder", {{"D-STAR_DV_config.txt", "stored/dv.txt"}}, "stored/dv.txt"},
      {"link to a link",
       {{"D-STAR_DV_config.txt", "stored/next"}, {"stored/next", "dv.txt"}},
       "stored/dv.txt"},
      {"link into a missing folder", {{"D-STAR_DV_config.txt", "nowhere/dv.txt"}}, nullptr},
      {"links in a loop",
       {{"D-STAR_DV_config.txt", "stored/a"}, {"stored/a", "../D-STAR_DV_config.txt"}},
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all("stored");
    std::filesystem::remove("D-STAR_DV_config.txt");
    std::filesystem::create_directory("stored");
    for (const auto& [name, to] : c.links) std::filesystem::create_symlink(to, name);
    EXPECT_EQ(save_file_whole("D-STAR_DV_config.txt", "QR3WMN D,F817"), c.saved_in != nullptr);
    EXPECT_TRUE(std::filesystem::is_symlink("D-STAR_DV_config.txt"));
    if (c.saved_in) {
      EXPECT_EQ(dir.read_file(c.saved_in), "QR3WMN D,F817");
    }
  }
}

}  // namespace
