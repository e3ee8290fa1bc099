// Shared fixture of the tensor-mode tests: every case starts from start-up with tensor
// mode off, as the program is before its first command, and runs command lines.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "InterpreterTestSupport.h"
#include "store/CurrentTheory.h"
#include "tensor/Coset.h"
#include "TestSupport.h"

class TensorTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    setCosetMode(0);
    disableCoset();
  }

  // Runs the lines in order; every one must succeed.
  void runAll(std::initializer_list<const char*> lines) {
    for (const char* line : lines) ASSERT_EQ(run(line), 0) << line;
  }

  // A fresh product from the factor and current lines, its spectrum computed.
  void build(const std::vector<std::string>& lines) {
    resetCoset(currentTensor);
    ASSERT_EQ(run("tensor"), 0);
    for (const std::string& line : lines) ASSERT_EQ(run(line.c_str()), 0) << line;
    ASSERT_EQ(run("compute spectrum"), 0);
  }
};
