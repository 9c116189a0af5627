#include "settings/station_settings.h"

StationSettings station;

bool is_simplex() { return station.call_area.view() == "Simplex"; }

bool has_no_gateway() { return station.gateway.view().starts_with("None"); }

void reset_station_settings() { station = StationSettings{}; }
