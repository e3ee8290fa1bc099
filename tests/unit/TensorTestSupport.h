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
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
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

  // The Gepner product of a list number as "build cy" makes it, with "Graded" and "Super"
  // on: D5 level 1 graded by its current 2, one N=2 model per level (`levels` of them),
  // extended by the supersymmetry current (1, ..., 1); its spectrum computed.
  void gepnerProduct(std::int64_t code, int levels) {
    std::vector<int> ks;
    ASSERT_EQ(interpretMinimalTensor(code, &ks), levels);
    SpectrumData* d5 = SM_getData(4, 5, 1);
    ASSERT_NE(d5, nullptr);
    SM_grade(d5, 2);
    runAll({"set graded on", "set super on", "tensor"});
    resetCoset(currentTensor);
    addTensorFactor(currentTensor, d5, 0);
    for (int k : ks) addTensorFactor(currentTensor, SM_getData(27, 2, k), 0);
    const std::vector<int> ones(static_cast<std::size_t>(levels) + 1, 1);
    ASSERT_EQ(addNewCurrent(currentTensor, ones.data()), 0);
    ASSERT_EQ(computeTensorSpectrum(currentTensor), 0);
  }

  // A fresh product from the factor and current lines, its spectrum computed.
  void build(const std::vector<std::string>& lines) {
    resetCoset(currentTensor);
    ASSERT_EQ(run("tensor"), 0);
    for (const std::string& line : lines) ASSERT_EQ(run(line.c_str()), 0) << line;
    ASSERT_EQ(run("compute spectrum"), 0);
  }
};
