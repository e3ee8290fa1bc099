// A fixture shared by the tests of the number modules: starts every case from the state
// right after start-up and captures what the code writes, with short checks for alerts.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "Boot.h"
#include "TestSupport.h"

class NumberTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    capture.clear();  // start-up messages of the first case are not the case's own
  }

  // Whether the error stream got the piece since the last check; clears the capture.
  bool alerted(const std::string& piece) {
    bool found = capture.diagnostics.find(piece) != std::string::npos;
    capture.clear();
    return found;
  }
  // Whether nothing reached the error stream since the last check; clears the capture.
  bool silent() {
    bool quiet = capture.diagnostics.empty();
    capture.clear();
    return quiet;
  }

  OutputCapture capture;
};
