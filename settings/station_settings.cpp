#include "settings/station_settings.h"

StationSettings station;

bool is_simplex() { return station.call_area.view() == "Simplex"; }

void reset_station_settings() { station = StationSettings{}; }
