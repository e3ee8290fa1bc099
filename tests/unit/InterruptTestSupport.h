// Ctrl-C in the tests that run the program's code in this process: a request made pending
// before the code under test polls for it, and cleared again for what follows.
#pragma once

#include <gtest/gtest.h>

#include <csignal>

#include "program/Boot.h"
#include "runtime/Terminal.h"

namespace interrupt_test {

// A Ctrl-C comes before the next poll.
inline void pressControlC() {
  installInterruptHandler();
  std::raise(SIGINT);  // the handler only notes it
}

// The next command line: no request left, the stop signal cleared.
inline void release() {
  removeInterruptHandler();
  setStopSignal(0);
}

// Each case from start-up, with no Ctrl-C left behind it.
class InterruptTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
  void TearDown() override { release(); }
};

}  // namespace interrupt_test
