// The consistency checks of S and of fixed points as the commands print them ("check
// symmetry", "check orbits", "check fp_conj") and the fixed-point matrices of "get S_fix"
// and "get S_ola" in both modes.
#include <gtest/gtest.h>

#include <string>

#include "commands/Commands.h"
#include "InterpreterTestSupport.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "tensor/Coset.h"
#include "TestSupport.h"

namespace {

class CommandsFixedPointsTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    setCosetMode(0);
    disableCoset();
  }
  void load(const char* line) {
    ASSERT_EQ(run(line), 0) << line;
    capture.clear();
  }
  std::string output(const char* line, int expected = 0) {
    capture.clear();
    EXPECT_EQ(run(line), expected) << line;
    return capture.printed;
  }
};

TEST_F(CommandsFixedPointsTest, SymmetryAndOrbitsOfStoredTheories) {
  load("algebra a 1 4");
  EXPECT_EQ(output("check symmetry"), "S is symmetric\n");
  EXPECT_EQ(output("check orbits"), "Fusion check finished\n");
  EXPECT_TRUE(silent());
  // E8 level 1: no current but the identity, nothing to check.
  load("algebra e 8 1");
  EXPECT_EQ(output("check orbits"), "");
}

TEST_F(CommandsFixedPointsTest, FixedPointMatricesOfSU2) {
  // S^J of the fixed point of SU(2) level k is exp(-3 pi i k/8); level 2 gives
  // (-1-i)/sqrt 2; the orbit Lie algebra matrix of one field is 1.
  load("algebra a 1 2");
  EXPECT_EQ(output("get S_fix 1 2 2"), "S^1_2_2 = (     -0.7071068,     -0.7071068)\n");
  EXPECT_EQ(output("get S_ola 1 2 2"), "O^1_2_2 = (      1.0000000,      0.0000000)\n");
  // The identity current fixes everything: S itself, S(0, 1) = 1/2 (labels 0 and 2).
  EXPECT_EQ(output("get S_fix 0 0 1"), "S^0_0_1 = (      0.5000000,      0.0000000)\n");
  // A field the current does not fix: an alert, nothing printed, the command done.
  EXPECT_EQ(output("get S_fix 1 2 0"), "");
  EXPECT_TRUE(alerted("current 1 does not fix 0"));
  load("algebra a 1 3");
  EXPECT_EQ(output("get S_fix 1 0 0", 1), "");
  EXPECT_TRUE(alerted("current 1 has no fixed points"));
}

TEST_F(CommandsFixedPointsTest, TensorModeFixedPointMatrices) {
  // SU(2)_2 x SU(2)_2: current {1,1} (field 3) fixes {2,2} (field 8) alone, with
  // S^J the product of the factors' S^J: exp(-3 pi i/4)^2 = exp(-3 pi i/2) = i; the orbit
  // Lie algebra matrices are 1 each.
  load("tensor");
  load("g a 1 2");
  load("g a 1 2");
  load("compute spectrum");
  EXPECT_EQ(output("get S_fix 3 8 8"), "S^3_8_8 = (     -0.0000000,      1.0000000)\n");
  EXPECT_EQ(output("get S_ola 3 8 8"), "O^3_8_8 = (      1.0000000,      0.0000000)\n");
  EXPECT_EQ(output("get S_fix 3 8 4"), "");
  EXPECT_TRUE(alerted("current 3 does not fix 4"));
  EXPECT_EQ(output("check symmetry"), "S is symmetric\n");
  EXPECT_EQ(output("check orbits"), "Fusion check finished\n");
  EXPECT_EQ(output("check fp_conj"), "");
  EXPECT_TRUE(silent());
}

TEST_F(CommandsFixedPointsTest, FixedPointConjugatesAreCompared) {
  load("tensor");
  load("g a 1 2");
  load("g a 1 2");
  load("compute spectrum");
  load("create CFT P22");
  load("algebra cft P22");
  ASSERT_NE(currentSD, nullptr);
  EXPECT_EQ(output("check fp_conj"), "");
  EXPECT_TRUE(silent());
  // A wrong conjugate for the fixed point {0,2} (field 4, fixed by current 1, the first
  // fixed-point theory): every field of SU(2)_2 x SU(2)_2 is self-conjugate.
  ASSERT_NE(currentSD->conjugates, nullptr);
  currentSD->conjugates[4] = 5;
  output("check fp_conj");
  EXPECT_TRUE(alerted("Conjugates differ for field 4 (5 != 4), for FCFT Nr 0"));
  currentSD->conjugates[4] = 4;
  // The record let go of its product: the orbit relations cannot be recomputed.
  EXPECT_EQ(output("check orbits"), "Fusion check finished\n");
  EXPECT_TRUE(alerted("Orbit relations of S not checked: P22 no longer holds its tensor product"));
}

}  // namespace
