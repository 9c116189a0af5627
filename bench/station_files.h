#pragma once
// The files of a typical station: the saved settings, the stored my-repeater
// line and a small repeater list, written into the benchmark's folder.

#include "support/temp_workdir.h"

void write_typical_station_files(const TempWorkdir& dir);
