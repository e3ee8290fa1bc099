// The boundary-mode commands: their printed coefficients against the closed forms of
// SU(2), the Klein-bottle choices of exceptional invariants with their refusals, and the
// commands that fail (crosscap signs of the diagonal invariant, completeness).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "InterpreterTestSupport.h"
#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "boundaries/CrossBound.h"
#include "commands/Commands.h"
#include "interpreter/Interpreter.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "store/CurrentTheory.h"

namespace {

class CommandsBoundaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    setCosetMode(0);
    disableCoset();
  }
  void load(const char* line) {
    OutputCapture quiet;
    ASSERT_EQ(run(line), 0) << line;
  }
  // E6 of SU(2) at level 10: |0+6|^2 + |3+7|^2 + |4+10|^2 (Dynkin labels), made current.
  void loadE6() {
    load("algebra a 1 10");
    const SpectrumData* sd = currentSD;
    std::vector<int> M(121, 0);
    for (const std::vector<int>& block : {std::vector<int>{0, 6}, {3, 7}, {4, 10}})
      for (int l : block)
        for (int r : block)
          M[static_cast<size_t>(modular_test::a1Field(sd, l) * 11 + modular_test::a1Field(sd, r))] =
              1;
    makeExceptionalBulkInvariant(M.data(), *getCurrentBulk(), 0, 0);
    bulkInvariantChanged();
  }
};

TEST_F(CommandsBoundaryTest, ReflectionPrintsTheSMatrixInTheCardyCase) {
  load("algebra a 1 4");
  OutputCapture capture;
  ASSERT_EQ(run("get reflection 1 *"), 0);
  const SpectrumData* sd = currentSD;
  for (int a = 0; a < 5; ++a) {
    const double s =
        modular_test::a1S(4, modular_test::a1Label(sd, 1), modular_test::a1Label(sd, a));
    char text[100];
    std::snprintf(text, sizeof text, "R(1,%d)=(%15.8f,%15.8f)\n", a, s, 0.0);
    EXPECT_NE(capture.printed.find(text), std::string::npos) << text;
  }
  // An empty line before every a = 0.
  EXPECT_EQ(capture.printed.rfind("\nR(1,0)", 0), 0u);
}

TEST_F(CommandsBoundaryTest, NimrepOfTheCurrentIsAPermutation) {
  // SU(2) level 1: J x a = the other boundary; A^1 swaps the two.
  load("algebra a 1 1");
  OutputCapture capture;
  ASSERT_EQ(run("get NIMrep 1"), 0);
  EXPECT_EQ(capture.printed, "A^1_a^b = \n      0 1\n      1 0\n");
  capture.clear();
  ASSERT_EQ(run("get bfusion 1 0"), 0);
  EXPECT_EQ(capture.printed, "(1) x [0] = [1]\n");
}

TEST_F(CommandsBoundaryTest, CrosscapSignsFailOnTheDiagonalInvariant) {
  load("algebra a 1 2");
  OutputCapture capture;
  EXPECT_NE(run("set crosscap_signs -1"), 0);
  EXPECT_NE(capture.diagnostics.find("No crosscap signs allowed for diagonal invariant"),
            std::string::npos);
  EXPECT_EQ(run("check completeness"), 0);
}

TEST_F(CommandsBoundaryTest, SelectKleinSetsTheExceptionalKleinBottleAndRefusesBadEntries) {
  loadE6();
  const SpectrumData* sd = currentSD;
  const int f3 = modular_test::a1Field(sd, 3);
  const int f1 = modular_test::a1Field(sd, 1);
  OutputCapture capture;
  ASSERT_EQ(run("total boundaries"), 0);
  EXPECT_EQ(capture.printed, "6\n");
  // The standard Klein bottle is 1 on the six fields paired with themselves.
  const std::string entry = std::to_string(f3) + ":-1";
  capture.clear();
  ASSERT_EQ(run(("select klein " + entry).c_str()), 0);
  EXPECT_TRUE(capture.diagnostics.empty()) << capture.diagnostics;
  EXPECT_EQ(exceptionalKleinBottle()[static_cast<size_t>(f3)], -1);
  // A value above the standard one and of other parity: both warnings, still stored.
  capture.clear();
  ASSERT_EQ(run(("select klein " + std::to_string(f1) + ":2").c_str()), 0);
  EXPECT_NE(capture.diagnostics.find("out of range (2 > 0)"), std::string::npos);
  EXPECT_EQ(exceptionalKleinBottle()[static_cast<size_t>(f1)], 2);
  // Malformed entries and a field outside the theory change nothing.
  const std::vector<int> before = exceptionalKleinBottle();
  const int counter = QueryOrientifold();
  for (const char* bad :
       {"select klein 3:1 5", "select klein 11:1", "select klein -1:1", "select klein 3:x"}) {
    capture.clear();
    EXPECT_NE(run(bad), 0) << bad;
    EXPECT_NE(capture.diagnostics.find("Invalid assignment: "), std::string::npos) << bad;
    EXPECT_EQ(exceptionalKleinBottle(), before) << bad;
  }
  EXPECT_EQ(QueryOrientifold(), counter);
  // No Klein bottles were stored by a search.
  capture.clear();
  EXPECT_NE(run("select klein nr 0"), 0);
  EXPECT_NE(capture.diagnostics.find("No Klein bottles in storage"), std::string::npos);
}

TEST_F(CommandsBoundaryTest, KleinChoicesAreRefusedForSimpleCurrentInvariants) {
  load("algebra a 1 2");
  OutputCapture capture;
  EXPECT_NE(run("select klein 0:1"), 0);
  EXPECT_NE(
      capture.diagnostics.find("Klein bottle choices are only allowed for exceptional MIPF's"),
      std::string::npos);
}

}  // namespace
