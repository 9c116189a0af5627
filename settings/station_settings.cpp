#include "settings/station_settings.h"

#include "settings/operator_words.h"

StationSettings station;

bool is_simplex() { return names_simplex(station.call_area.view()); }

bool has_no_gateway() { return names_no_gateway(station.gateway.view()); }

void reset_station_settings() { station = StationSettings{}; }
