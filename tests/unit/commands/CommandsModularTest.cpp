// Modular-data queries: fusion coefficients against the SU(2) Clebsch-Gordan rule, fusion
// and P-fusion products as text, P elements, simple-current orbits, fixed points and the
// fusion of simple currents.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>

#include "commands/Commands.h"
#include "interpreter/Interpreter.h"
#include "InterpreterTestSupport.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "TestSupport.h"

namespace {

class CommandsModularTest : public ::testing::Test {
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
  // The field whose first Dynkin label (the SU(2) label j) is j.
  int fieldOfSpin(int j) {
    for (int a = 0; a < currentSD->n_primaries; ++a) {
      if (SM_getRep(currentSD, a)[0] == j) return a;
    }
    return -1;
  }
};

// Truncated Clebsch-Gordan rule of SU(2) level k in Dynkin labels.
int su2Fusion(int k, int a, int b, int c) {
  if ((a + b + c) % 2 != 0) return 0;
  if (c < std::abs(a - b) || c > std::min(a + b, 2 * k - a - b)) return 0;
  return 1;
}

TEST_F(CommandsModularTest, FusionOfThreeLabelsIsTheClebschGordanCoefficient) {
  const int k = 4;
  load("algebra a 1 4");
  for (int a = 0; a <= k; ++a) {
    for (int b = 0; b <= k; ++b) {
      for (int c = 0; c <= k; ++c) {
        int i = fieldOfSpin(a), j = fieldOfSpin(b), l = fieldOfSpin(c);
        std::string line =
            "fusion " + std::to_string(i) + " " + std::to_string(j) + " " + std::to_string(l);
        OutputCapture capture;
        EXPECT_EQ(run(line.c_str()), 0);
        char expected[80];
        std::snprintf(expected, sizeof expected, "\nN_%d_%d^%d=%d\n\n", i, j, l,
                      su2Fusion(k, a, b, c));
        EXPECT_EQ(capture.printed, expected) << line;
      }
    }
  }
}

TEST_F(CommandsModularTest, FusionProductsAsText) {
  load("algebra a 1 2");  // fields 0: j=0, 1: j=2, 2: j=1
  OutputCapture capture;
  // (1/2) x (1/2) = (0) + (1)
  run("fusion 2 2");
  EXPECT_EQ(capture.printed, "\n(2) x (2) =  (0)  + (1) \n\n");
  capture.clear();
  // A row: the vacuum acts as the identity, the current j=2 swaps 0 and 1 and fixes j=1.
  run("fusion 0");
  EXPECT_EQ(capture.printed, "\n(0) x (0) =  (0) \n\n(0) x (1) =  (1) \n\n(0) x (2) =  (2) \n\n");
  capture.clear();
  // All products leave out the mirrored ones: 3 x 4 / 2 = 6 products.
  run("fusion");
  EXPECT_EQ(std::count(capture.printed.begin(), capture.printed.end(), 'x'), 6);
}

// Every command that runs over all fields or all pairs of fields obeys Ctrl-C within its
// loop: a Ctrl-C that came in ends it (StopRequest) before it prints anything. (The
// element routines stop quietly on the stop signal; "fusion" of all pairs used to go on
// through the N^2 pairs of a theory of 46,001 fields for hours.)
TEST_F(CommandsModularTest, CtrlCEndsEveryLoopOverFieldsBeforeItPrints) {
  load("algebra a 1 10");
  installInterruptHandler();
  for (const char* line : {"fusion", "fusion 2", "pfusion", "pmatrix", "check pmat", "check symmetry",
                           "check orbits", "check unitarity", "simple_fusion 1", "browse fixed_points 1",
                           "get schur"}) {
    OutputCapture capture;
    std::raise(SIGINT);
    EXPECT_THROW(run(line), StopRequest) << line;
    EXPECT_EQ(capture.printed.find(" x "), std::string::npos) << line << "\n" << capture.printed;
    EXPECT_EQ(capture.printed.find("S is symmetric"), std::string::npos) << line;
    EXPECT_EQ(capture.printed.find("Unitarity test OK"), std::string::npos) << line;
    EXPECT_EQ(capture.printed.find("Fixed points of current"), std::string::npos) << line;
    EXPECT_EQ(capture.printed.find("Fusion check finished"), std::string::npos) << line;
  }
  removeInterruptHandler();
  // The next terminal line clears the stop; without Ctrl-C the table is whole:
  // 11 x 12 / 2 = 66 products.
  setStopSignal(0);
  OutputCapture capture;
  run("fusion");
  EXPECT_EQ(std::count(capture.printed.begin(), capture.printed.end(), 'x'), 66);
}

TEST_F(CommandsModularTest, PElementsOfA1LevelOne) {
  // P_ab = 2/sqrt(k+2) sin(pi (a+1)(b+1) / (2(k+2))) for a+b+k even, else 0: for k = 1
  // P = ((0, 1), (1, 0)).
  load("algebra a 1 1");
  OutputCapture capture;
  run("pmatrix");
  EXPECT_EQ(
      capture.printed,
      "\nP(0,0) =      0.00000000 \nP(0,1) =      1.00000000 \nP(1,1) =      0.00000000 \n\n");
}

TEST_F(CommandsModularTest, PElementsOfA1LevelTwo) {
  // k = 2 in the order j = 0, 2, 1: P(0,0) = sin(pi/8), P(0,1) = sin(3 pi/8),
  // P(1,1) = sin(9 pi/8), P(2,2) = sin(pi/2), P(0,2) = P(1,2) = 0.
  load("algebra a 1 2");
  OutputCapture capture;
  run("pmatrix 0");
  EXPECT_EQ(
      capture.printed,
      "\nP(0,0) =      0.38268343 \nP(0,1) =      0.92387953 \nP(0,2) =      0.00000000 \n\n");
  capture.clear();
  run("pmatrix 1 1");
  EXPECT_EQ(capture.printed, "\nP(1,1) =     -0.38268343 \n\n");
}

TEST_F(CommandsModularTest, PFusionCoefficients) {
  // Y_ij^k = sum_m S_mi P_mj P*_mk / S_m0 with S = ((1,1),(1,-1))/sqrt 2 and
  // P = ((0,1),(1,0)): only m with P_mj != 0 contributes, Y_10^0 = S_11 P_10 P_10 / S_10 = -1
  // and Y_11^1 = S_01 P_01 P_01 / S_00 = 1.
  load("algebra a 1 1");
  OutputCapture capture;
  run("pfusion 1 0 0");
  run("pfusion 1 1 1");
  EXPECT_EQ(capture.printed, "\nY_1_0^0=-1\n\n\nY_1_1^1=1\n\n");
  capture.clear();
  run("pfusion 1 0");
  EXPECT_EQ(capture.printed, "\n(1) x (0) =  - (0) \n\n");
}

TEST_F(CommandsModularTest, OrbitsOfSimpleCurrents) {
  load("algebra a 2 1");
  OutputCapture capture;
  run("orbit 0 0");
  EXPECT_EQ(capture.printed, "(0)\n");
  capture.clear();
  // The Z3 current moves every field along the three fields of level 1.
  run("orbit 1 0");
  std::string orbit = capture.printed;
  EXPECT_EQ(orbit.size(), std::string("(0,1,2)\n").size());
  EXPECT_EQ(orbit.front(), '(');
  EXPECT_NE(orbit.find('1'), std::string::npos);
  EXPECT_NE(orbit.find('2'), std::string::npos);
}

TEST_F(CommandsModularTest, SimpleFusionOfTheSU2Current) {
  load("algebra a 1 3");
  OutputCapture capture;
  // The current j=3 maps j to 3-j.
  int current = fieldOfSpin(3);
  ASSERT_EQ(current, 1);
  std::string line = "simple_fusion 1 " + std::to_string(fieldOfSpin(1));
  run(line.c_str());
  EXPECT_EQ(capture.printed, "(1) x (" + std::to_string(fieldOfSpin(1)) + ") = (" +
                                 std::to_string(fieldOfSpin(2)) + ")\n");
  capture.clear();
  run("simple_fusion 1");
  EXPECT_EQ(std::count(capture.printed.begin(), capture.printed.end(), '\n'), 4 + 2);
}

TEST_F(CommandsModularTest, FixedPointsOfTheSU2Current) {
  OutputCapture capture;
  run("algebra a 1 2");
  capture.clear();
  // j -> 2-j fixes j = 1, of weight 1*3/16.
  run("browse fixed_points 1");
  EXPECT_EQ(capture.printed, "Fixed points of current 1\n    2  Weight   3/16\n");
  run("algebra a 1 1");
  capture.clear();
  run("browse fixed_points 1");
  EXPECT_EQ(capture.printed, "Current 1 has no fixed points\n");
}

TEST_F(CommandsModularTest, OrbitPrimariesShowLabelsAndWeights) {
  load("algebra a 1 3");
  OutputCapture capture;
  run("browse orbit primaries 1 0");
  // The vacuum (0,3) and the current (3,0) of weight 3*5/20 = 0.75.
  EXPECT_EQ(capture.printed, "    0     0   0.000  (0,3)\n    1     1   0.750  (3,0)\n");
}

TEST_F(CommandsModularTest, ExpandShowsTheDynkinLabels) {
  load("algebra a 2 1");
  OutputCapture capture;
  run("expand 0");
  EXPECT_EQ(capture.stdoutText, "  (0,0,1)\n");
}

}  // namespace
