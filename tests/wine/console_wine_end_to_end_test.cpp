// kestrel8.exe under Wine against the virtual adapter and radio: the operator
// enters a callsign and presses START from the keyboard alone, hears a
// station, presses STOP and EXIT. What reaches the devices is read from their
// log, byte for byte.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/rigctld_process.h"
#include "support/rigctld_stand_in.h"
#include "support/temp_workdir.h"
#include "wine/wine_run.h"

namespace {

std::string window_step(const std::vector<std::string>& args) {
  const auto lines = run_under_wine("tests/win32/window_probe.exe", args, std::chrono::seconds(30));
  return lines.empty() ? "" : lines.back();
}

TEST(ConsoleUnderWine, StartHearStopAndExitAgainstTheVirtualDevices) {
  ASSERT_TRUE(wine_ready()) << "WINEPREFIX must name a prefix; run make test-windows";
  const std::string config = "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7";
  const std::string radio = "FT-817,8,439310,-5000,PKT,Dummy ";
  const std::string my_rpt = "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G";
  const std::string his_rpt = "JP1,Hilltop1200(NI12),1291570,-20000,QR3KTA B,QR3KTG G";
  TempWorkdir dir;
  dir.write_file("D-STAR_DV_config.txt", config);
  dir.write_file("D-STAR_tranceiver_config.txt", radio);
  dir.write_file("D-STAR_my_rpt.txt", my_rpt);
  dir.write_file("D-STAR_repeaters.txt", my_rpt + "\n" + his_rpt + "\n");
  dir.write_file("D-STAR_reflectors.txt", "REF001 C\nREF030 C\nXRF757 A\n");
  dir.write_file("headers.txt", "1,QR1ABC,CQCQCQ,QR3KTA A,QR3KTG G\n");

  DevicesProcess devices(KESTREL8_DEVICES_PROGRAM,
                         {"--dir", dir.path(), "--hex", "--every", "0", "--script",
                          dir.path() + "/headers.txt", "--script-after-init", "--assume-open"});
  ASSERT_TRUE(devices.wait_for_line("ready")) << testing::PrintToString(devices.lines());
  WineComLink com7(7, dir.path() + "/COM7");
  WineComLink com8(8, dir.path() + "/COM8");

  WineProgram console("kestrel8.exe", {});
  ASSERT_EQ(window_step({"wait-window", "30000"}), "window");
  // The title comes before the controls: keys go in once START is there.
  ASSERT_EQ(window_step({"wait-text", "150", "START", "30000"}), "text START");
  // From "DV port(1)", where the focus is at start-up, Tab reaches "My
  // callsign(8)"; the typed callsign is selected and taken as the focus
  // leaves; three more Tabs come back to "DV port(1)", where Return is START.
  ASSERT_EQ(window_step({"keys",
                         "{tab}{tab}{tab}{tab}{tab}{tab}{tab}{ctrl+a}QR3XYZ X{ctrl+a}"
                         "{tab}{tab}{tab}{return}"}),
            "typed");

  const char* const adapter_frames_then_cat_commands[] = {
      "[FE FE 01 7F 1D C9 00 FD]",
      "[FE FE 01 7F 1D 03 51 52 33 58 59 5A 20 58 20 20 FD]",  // "QR3XYZ X", two spaces
      "[FE FE 01 7F 1D DC 46 38 31 37 FD]",                    // "F817"
      "[FE FE 01 7F 1D CF 01 FD]",
      // RPT2 "QR3KTG G", RPT1 "QR3KTA A", UR "/QR3KTAB"
      "[FE FE 01 7F 1D 05 51 52 33 4B 54 47 20 47 51 52 33 4B 54 41 20 41 2F 51 52 33 4B 54 41 42 "
      "FD]",
      "[43 93 10 00 01]",
      "[00 50 00 00 F9]",
      "[09 00 00 00 09]",
      "[0C 6D 6D 6D 07]",
  };
  for (const char* bytes : adapter_frames_then_cat_commands) {
    EXPECT_TRUE(devices.wait_for_line(bytes, std::chrono::seconds(20)))
        << bytes << "\n"
        << testing::PrintToString(devices.lines());
  }

  // The scripted station, a second after INIT, as a new line of "Receiving".
  EXPECT_EQ(window_step({"wait-text", "200", "QR1ABC   CQCQCQ   QR3KTA A QR3KTG G", "20000"}),
            "text \\r\\nQR1ABC   CQCQCQ   QR3KTA A QR3KTG G")
      << testing::PrintToString(devices.lines());
  EXPECT_EQ(window_step({"text", "150"}), "text STOP");

  // Alt+M, then Space at once: the first entry of "My repeater", the stored
  // line, is chosen and its route sent again while the link runs.
  ASSERT_EQ(window_step({"keys", "{alt+m}{space}"}), "typed");
  EXPECT_TRUE(
      devices.wait_for_count(adapter_frames_then_cat_commands[4], 2, std::chrono::seconds(20)))
      << testing::PrintToString(devices.lines());

  // Alt+H, five down past the two lines, "Use reflector" and REF001 C: Space sends REF030 C.
  ASSERT_EQ(window_step({"keys", "{alt+h}{down}{down}{down}{down}{down}{space}"}), "typed");
  EXPECT_TRUE(devices.wait_for_line(
      "ROUTE RPT2=\"QR3KTG G\" RPT1=\"QR3KTA A\" UR=\"REF030CL\" (link REF030 C)",
      std::chrono::seconds(20)))
      << testing::PrintToString(devices.lines());

  ASSERT_EQ(window_step({"return", "110"}), "pressed return");
  EXPECT_EQ(window_step({"wait-text", "150", "START", "20000"}), "text START");
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "QR3XYZ X,F817,JP1,QR3KTA A,QR3KTA B,7");
  EXPECT_EQ(dir.read_file("D-STAR_my_rpt.txt"), my_rpt);
  // No his-repeater line was stored before: STOP wrote it.
  EXPECT_EQ(dir.read_file("D-STAR_his_rpt.txt"), his_rpt);
  EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), radio);

  ASSERT_EQ(window_step({"click", "160"}), "clicked");
  EXPECT_EQ(console.wait_for_exit(std::chrono::seconds(20)), 0) << "EXIT did not end the program";
}

// Model rigctld through Winsock: the Linux rigctld on 127.0.0.1, slow and
// without packet FM, is tuned to FM; COM8 is never opened, STOP keeps the address.
TEST(ConsoleUnderWine, StartTunesTheRadioThroughTheLinuxRigctld) {
  ASSERT_TRUE(wine_ready()) << "WINEPREFIX must name a prefix; run make test-windows";
  RigctldProcess rigctld;
  ASSERT_TRUE(rigctld.ready());
  RigctldStandIn no_packet_fm(rigctld.address(), {{"+M PKTFM", "set_mode: PKTFM 0\nRPRT -1\n"}},
                              std::chrono::milliseconds(300));
  const std::string radio = "rigctld,8,439310,-5000,PKT," + no_packet_fm.address();
  TempWorkdir dir;
  dir.write_file("D-STAR_DV_config.txt", "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7");
  dir.write_file("D-STAR_tranceiver_config.txt", radio);
  const std::string hilltop = "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G";
  dir.write_file("D-STAR_my_rpt.txt", hilltop);
  dir.write_file("D-STAR_repeaters.txt", hilltop + "\n");
  DevicesProcess devices(KESTREL8_DEVICES_PROGRAM,
                         {"--dir", dir.path(), "--every", "0", "--assume-open"});
  ASSERT_TRUE(devices.wait_for_line("ready"));
  WineComLink com7(7, dir.path() + "/COM7");

  WineProgram console("kestrel8.exe", {});
  ASSERT_EQ(window_step({"wait-window", "30000"}), "window");
  ASSERT_EQ(window_step({"wait-text", "150", "START", "30000"}), "text START");
  // A callsign typed over the stored one, never selected, is the one START sends.
  ASSERT_EQ(window_step({"keys",
                         "{tab}{tab}{tab}{tab}{tab}{tab}{tab}{ctrl+a}DL9ZZZ"
                         "{tab}{tab}{tab}{return}"}),
            "typed");
  EXPECT_TRUE(devices.wait_for_line("MY_CALL \"DL9ZZZ  \"", std::chrono::seconds(20)))
      << testing::PrintToString(devices.lines());
  EXPECT_TRUE(devices.wait_for_line("ROUTE", std::chrono::seconds(20)));
  std::string tuned;
  for (int i = 0; i < 200 && tuned != "439310000 5000000 - FM 15000"; ++i) {
    tuned = rigctld.query("f o r m");
  }
  EXPECT_EQ(tuned, "439310000 5000000 - FM 15000");
  ASSERT_EQ(window_step({"return", "110"}), "pressed return");
  EXPECT_EQ(window_step({"wait-text", "150", "START", "20000"}), "text START");
  EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), radio);
  ASSERT_EQ(window_step({"click", "160"}), "clicked");
  EXPECT_EQ(console.wait_for_exit(std::chrono::seconds(20)), 0);
}

TEST(ConsoleUnderWine, WithoutADesktopTheProgramSaysSoAndEndsWithStatusOne) {
  ASSERT_TRUE(wine_ready()) << "WINEPREFIX must name a prefix; run make test-windows";
  TempWorkdir dir;
  // No X display: Wine has no desktop to make the window on.
  DevicesProcess console("/usr/bin/env", {"-u", "DISPLAY", "/usr/lib/wine/wine64",
                                          std::string(KESTREL8_WIN_BUILD) + "/kestrel8.exe"});
  EXPECT_EQ(console.wait_for_exit(std::chrono::seconds(30)), 1);
  EXPECT_TRUE(console.wait_for_line("kestrel8: the window could not be opened"))
      << testing::PrintToString(console.lines());
}

}  // namespace
