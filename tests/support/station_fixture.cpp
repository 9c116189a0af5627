#include "support/station_fixture.h"

#include "adapter/link_state.h"
#include "adapter/pacing.h"
#include "settings/station_settings.h"

void reset_program_state() {
  close_adapter_link();
  close_transceiver_link();
  port_number = 0;
  reset_station_settings();
  // One second of pacing becomes one millisecond.
  set_pacing_divisor_for_tests(1000);
}
