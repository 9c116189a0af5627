#include "support/station_fixture.h"

#include "adapter/link_state.h"
#include "adapter/pacing.h"
#include "settings/station_settings.h"
#include "transceiver/rigctld_link.h"
#include "transceiver/rigctld_tuning.h"

void reset_program_state() {
  end_rigctld_tunings();  // never reaching the next case's view
  await_rigctld_tunings({}, std::chrono::seconds(5));
  set_rigctld_wait_for_tests(std::chrono::seconds(3));
  close_adapter_link();
  close_transceiver_link();
  port_number = 0;
  reset_station_settings();
  // One second of pacing becomes one millisecond.
  set_pacing_divisor_for_tests(1000);
}

void StationTest::expect_usual_adapter_files_saved() const {
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7");
  EXPECT_EQ(dir.read_file("D-STAR_my_rpt.txt"),
            "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G");
  EXPECT_EQ(dir.read_file("D-STAR_his_rpt.txt"),
            "JP1,Hilltop1200(NI12),1291570,-20000,QR3KTA B,QR3KTG G");
}
