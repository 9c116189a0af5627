#pragma once
// Every logic test starts like a fresh program run: compiled-in settings,
// both links closed, no port number parsed yet, in an empty working folder,
// with pauses shortened so a START takes milliseconds.

#include <gtest/gtest.h>

#include "support/recording_view.h"
#include "support/temp_workdir.h"

void reset_program_state();

class StationTest : public ::testing::Test {
 protected:
  StationTest() { reset_program_state(); }
  ~StationTest() override { reset_program_state(); }

  // The adapter's three files as a save writes them for the compiled-in
  // station, which the usual operator's files hold as well.
  void expect_usual_adapter_files_saved() const;

  TempWorkdir dir;
  RecordingView view;
};
