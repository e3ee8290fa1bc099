// The theories beyond the affine algebras as the commands load them: the N=2 minimal
// models, the c=1 orbifolds, fixed-point CFTs by name and current ("algebra fcft") and of
// the current theory ("get fcft"), their shifts, and the refusals of bad words and values.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "commands/Commands.h"
#include "interpreter/Interpreter.h"
#include "InterpreterTestSupport.h"
#include "modular/Modular.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "TestSupport.h"

namespace {

class CommandsSpecialTheoriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    setCosetMode(0);
    disableCoset();
  }
  std::string output(const char* line, int expectedResult = 0) {
    OutputCapture capture;
    EXPECT_EQ(run(line), expectedResult) << line;
    return capture.printed;
  }
  // The alerts of a line that is refused (with any failure code, before or in the handler).
  std::string refusal(const char* line) {
    OutputCapture capture;
    EXPECT_GT(run(line), 0) << line;
    EXPECT_EQ(capture.printed, "") << line;
    return capture.diagnostics;
  }
  std::string diagnostics(const char* line, int expectedResult) {
    OutputCapture capture;
    EXPECT_EQ(run(line), expectedResult) << line;
    return capture.diagnostics;
  }
};

TEST_F(CommandsSpecialTheoriesTest, N2MinimalModelsHaveTheirFieldsCurrentsAndCentralCharge) {
  // 2(k+1)(k+2) fields; the currents form Z_4(k+2) for odd k, Z_2(k+2) x Z_2 for even k;
  // c = 3k/(k+2). The name ends in a blank where its "(aux)" part is cut off.
  EXPECT_EQ(output("algebra minimal 2 1"), "CFT Min 2 1 ; 12 primaries (12 simple currents)\n");
  EXPECT_DOUBLE_EQ(Central_Charge(), 1.0);
  EXPECT_EQ(getModularMode()->active, 1);
  // Z_12 is cyclic: the basic current runs through all twelve fields, one orbit.
  EXPECT_EQ(output("orbit 1 0"), "(0,1,2,3,4,5,6,7,8,9,10,11)\n");

  EXPECT_EQ(output("algebra minimal 2 2"), "CFT Min 2 2 ; 24 primaries (16 simple currents)\n");
  EXPECT_DOUBLE_EQ(Central_Charge(), 1.5);
  EXPECT_EQ(output("total primaries"), "24\n");
  EXPECT_EQ(output("total simple_currents"), "16\n");
  // Z_8 x Z_2: no current has order 16, the basic one has order 8 and (0,0,2) order 2.
  EXPECT_EQ(output("orbit 1 0"), "(0,1,2,3,4,5,6,7)\n");
  EXPECT_EQ(output("orbit 8 0"), "(0,8)\n");
  // The second orbit: the eight fields with l = 1, each fixed by current 12.
  EXPECT_EQ(output("orbit 1 16"), "(16,17,18,19,20,21,22,23)\n");
}

TEST_F(CommandsSpecialTheoriesTest, TheFixedPointsOfTheLevelTwoN2ModelAreItsLEqualsOneFields) {
  output("algebra minimal 2 2");
  // h(l,m,s) = (l(l+2) - m^2)/16 + s^2/8 (+1 for (1,2,-1)), on the orbit of (1,1,0) under
  // the basic current (0,1,1): (1,1,0) (1,2,1) (1,-1,0) (1,0,1) (1,1,2) (1,2,-1) (1,-1,2)
  // (1,0,-1).
  EXPECT_EQ(output("browse fixed_points 12"),
            "Fixed points of current 12\n"
            "   16  Weight   1/8\n"
            "   17  Weight   1/16\n"
            "   18  Weight   1/8\n"
            "   19  Weight   5/16\n"
            "   20  Weight   5/8\n"
            "   21  Weight  17/16\n"
            "   22  Weight   5/8\n"
            "   23  Weight   5/16\n");
  // The fixed-point CFT carries the shift 3k/2.
  EXPECT_EQ(output("get fcft_shift 12", 0), "Shift parameter: 3\n");
  // A current without fixed points.
  EXPECT_EQ(output("get fcft_shift 1", 1), "Current has no fixed points\n");
  // The identity: nothing to say.
  EXPECT_EQ(output("get fcft_shift 0", 0), "");
}

TEST_F(CommandsSpecialTheoriesTest, TheFixedPointSMatrixOfTheN2ModelIsUnitary) {
  // S^J is the S matrix of a CFT on the eight fixed points (up to a phase): unitary.
  output("algebra minimal 2 2");
  for (int a = 16; a < 24; ++a) {
    for (int b = 16; b < 24; ++b) {
      double overlapRe = 0.0;
      double overlapIm = 0.0;
      for (int m = 16; m < 24; ++m) {
        double are, aim, bre, bim;
        ASSERT_EQ(MOD_getFCFT_Smatrix(12, a, m, &are, &aim), 1);
        ASSERT_EQ(MOD_getFCFT_Smatrix(12, b, m, &bre, &bim), 1);
        overlapRe += are * bre + aim * bim;
        overlapIm += aim * bre - are * bim;
      }
      EXPECT_NEAR(overlapRe, a == b ? 1.0 : 0.0, 1e-7) << a << " " << b;
      EXPECT_NEAR(overlapIm, 0.0, 1e-7);
    }
  }
}

TEST_F(CommandsSpecialTheoriesTest,
       TheC1OrbifoldHasNPlusSevenFieldsAndTheListedFixedPointTheories) {
  EXPECT_EQ(output("algebra orbifold 4"),
            "CFT Orbifold c=1 N=4; 11 primaries (4 simple currents)\n");
  EXPECT_EQ(output("algebra orbifold 1"),
            "CFT Orbifold c=1 N=1; 8 primaries (4 simple currents)\n");
  output("algebra orbifold 4");
  // Currents 1 and 3 fix phi_2 (h = 4/16) and two twisted fields (1/16, 9/16); current 2
  // fixes every phi_i (h = i^2/16).
  EXPECT_EQ(output("browse fixed_points 1"),
            "Fixed points of current 1\n    6  Weight   1/4\n    7  Weight   1/16\n"
            "    8  Weight   9/16\n");
  EXPECT_EQ(output("browse fixed_points 2"),
            "Fixed points of current 2\n    4  Weight   1/16\n    5  Weight   9/16\n"
            "    6  Weight   1/4\n");
  // Shifts N/2 for currents 1 and 3 (B1 at level 1), 4N-6 for current 2.
  EXPECT_EQ(output("get fcft_shift 1", 0), "Shift parameter: 2\n");
  EXPECT_EQ(output("get fcft_shift 2", 0), "Shift parameter: 10\n");
  EXPECT_EQ(output("get fcft_shift 3", 0), "Shift parameter: 2\n");
}

TEST_F(CommandsSpecialTheoriesTest, TheOrbifoldsFixedPointSIsTheIsingSTimesThePhaseOfItsShift) {
  output("algebra orbifold 4");
  // S^1 = exp(-i pi 2/4) S(B1 level 1) = -i S(Ising); field 7 is the FCFT's vacuum, 6 its
  // spin field: S_00 = 1/2, S_0s = 1/sqrt 2, S_ss = 0.
  EXPECT_EQ(output("get S_fix 1 7 7", 0), "S^1_7_7 = (      0.0000000,     -0.5000000)\n");
  EXPECT_EQ(output("get S_fix 1 6 7", 0), "S^1_6_7 = (      0.0000000,     -0.7071068)\n");
  EXPECT_EQ(output("get S_fix 1 6 6", 0), "S^1_6_6 = (      0.0000000,      0.0000000)\n");
  EXPECT_EQ(output("get S_ola 1 7 7", 0), "O^1_7_7 = (      0.5000000,      0.0000000)\n");
}

TEST_F(CommandsSpecialTheoriesTest, FixedPointMatrixRefusals) {
  output("algebra a 1 2");
  // Current 1 of SU(2) level 2 fixes the spin-1/2 field 2 only.
  EXPECT_EQ(diagnostics("get S_fix 1 2 0", 0), "current 1 does not fix 0 \n");
  EXPECT_EQ(diagnostics("get S_fix 1 1 2", 0), "current 1 does not fix 1 \n");
  output("algebra a 2 1");
  EXPECT_EQ(diagnostics("get S_ola 1 0 0", 1), "current 1 has no fixed points \n");
}

TEST_F(CommandsSpecialTheoriesTest, GetFcftMakesTheFixedPointTheoryCurrent) {
  output("algebra orbifold 4");
  EXPECT_EQ(output("get fcft 1", 0),
            "CFT B1 level 1; 3 primaries (2 simple currents)\nMode: Single algebra\n"
            "Algebra \"B1 level 1\"\n");
  EXPECT_EQ(getModularMode()->active, 1);
  output("algebra orbifold 4");
  // Current 2: the complement of C2 at level 1, c = -5/2 and no currents of its own.
  EXPECT_EQ(
      output("get fcft 2", 0),
      "CFT C2 level 1_compl; 3 primaries\nMode: Single algebra\nAlgebra \"C2 level 1_compl\"\n");
  EXPECT_DOUBLE_EQ(Central_Charge(), -2.5);

  output("algebra minimal 2 2");
  EXPECT_EQ(output("get fcft 12", 0),
            "CFT FCFT minimal N=2 level=2; 8 primaries\nMode: Single algebra\n"
            "Algebra \"FCFT minimal N=2 level=2\"\n");
  // c of the FCFT is c + shift = 3/2 + 3.
  EXPECT_DOUBLE_EQ(Central_Charge(), 4.5);

  output("algebra minimal 2 2");
  EXPECT_EQ(diagnostics("get fcft 1", 3), "Current has no fixed point \n");
  EXPECT_EQ(diagnostics("get fcft 16", 2), "Current out of range \n");
  EXPECT_STREQ(currentSD->name, "Min 2 2 (aux)");
}

TEST_F(CommandsSpecialTheoriesTest, AlgebraFcftTakesAStoredCFTAndACurrentFromZeroToNMinusOne) {
  output("algebra minimal 2 2");
  output("algebra a 1 1");
  EXPECT_EQ(output("algebra fcft {Min 2 2 (aux)} 12", 0),
            "CFT FCFT minimal N=2 level=2; 8 primaries\nMode: Single algebra\n"
            "Algebra \"FCFT minimal N=2 level=2\"\n");
  // Current 0 is the theory itself.
  EXPECT_EQ(output("algebra fcft {Min 2 2 (aux)} 0", 0),
            "CFT Min 2 2 ; 24 primaries (16 simple currents)\n");
  EXPECT_EQ(diagnostics("algebra fcft {Min 2 2 (aux)} 16", 2), "Current out of range \n");
  EXPECT_EQ(diagnostics("algebra fcft {Min 2 2 (aux)} 1", 3), "Current has no fixed point \n");
  EXPECT_EQ(diagnostics("algebra fcft nosuch 1", 1), "No such algebra nosuch \n");
  EXPECT_EQ(refusal("algebra fcft {Min 2 2 (aux)} -1"), "Parameter \"current\" of \"algebra fcft\" must be 0 or more, not -1 \n");
  // Every refusal leaves the theory loaded before it.
  EXPECT_STREQ(currentSD->name, "Min 2 2 (aux)");
}

TEST_F(CommandsSpecialTheoriesTest, BadMinimalAndOrbifoldParametersAreRefused) {
  EXPECT_EQ(refusal("algebra minimal 3 2"), "Invalid number of supersymmetries \n");
  EXPECT_EQ(diagnostics("algebra minimal -1 2", 8), "Invalid number of susy's \n");
  EXPECT_EQ(refusal("algebra minimal 2 0"), "Level should be at least 1 \n");
  EXPECT_EQ(refusal("algebra orbifold 0"), "Parameter \"N\" of \"algebra orbifold\" must be positive, not 0 \n");
  EXPECT_EQ(refusal("algebra orbifold x"), "Non-numerical parameter: x \n");
  // Past the largest parameters (4N^2 must fit an int; the 2(k+1)(k+2) fields of the
  // minimal model 7 ints of orbit data each an allocation) nothing is built.
  EXPECT_EQ(refusal("algebra orbifold 23171"),
            "Orbifold parameter 23171 exceeds the largest allowed 23170 \n");
  EXPECT_EQ(refusal("algebra minimal 2 32001"),
            "Level 32001 exceeds the largest allowed level 6123 of N=2 minimal models \n");
  EXPECT_EQ(refusal("algebra minimal 2 6124"),
            "Level 6124 exceeds the largest allowed level 6123 of N=2 minimal models \n");
  // The N = 0 and 1 models are built by the tensor layer as cosets: the N=1 model of level 3
  // has c = 3/2 (1 - 8/(5 7)) = 81/70.
  EXPECT_EQ(run("algebra minimal 1 3"), 0);
  EXPECT_STREQ(currentSD->name, "minimal N=1 3");
  EXPECT_NEAR(currentSD->c, 81.0 / 70.0, 1e-7);
}

TEST_F(CommandsSpecialTheoriesTest, MinimalModelsIgnoreStoreSOffWithANotice) {
  run("set store_s 0");
  OutputCapture capture;
  EXPECT_EQ(run("algebra minimal 2 1"), 0);
  EXPECT_EQ(capture.diagnostics.rfind("Ignoring Store_S OFF for minimal model building", 0), 0u)
      << capture.diagnostics;
  EXPECT_EQ(capture.printed, "CFT Min 2 1 ; 12 primaries (12 simple currents)\n");
  // The setting is back to what the user chose.
  EXPECT_EQ(*getIntParPointer("Store_S"), 0);
}

}  // namespace
