#include "bench/station_files.h"

#include "settings/settings_files.h"

void write_typical_station_files(const TempWorkdir& dir) {
  dir.write_file(kAdapterSettingsFile, "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7");
  dir.write_file(kTransceiverSettingsFile, "FT-817,8,439310,-5000,PKT,Dummy ");
  dir.write_file(kMyRepeaterFile, "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G");
  dir.write_file(kRepeaterListFile,
                 "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G\n"
                 "JP1,Hilltop1200(NI12),1291570,-20000,QR3KTA B,QR3KTG G\n");
}
