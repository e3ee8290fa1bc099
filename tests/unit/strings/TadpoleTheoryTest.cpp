// The tadpole solver on real theories: the equation rows of E8 level 1, the variable map
// and conversions of SU(2) level 4 (orientifold 0: unitary pairs (0,1), (2,3) and the
// orthogonal boundary 4), the refusals of inconsistent Chan-Paton vectors, and the
// selection table with its fixed multiplicities.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "boundaries/CrossBound.h"
#include "runtime/Parameters.h"
#include "strings/TadpoleInternal.h"

namespace {

class TadpoleTheoryTest : public ZoqTest {
 protected:
  void load(const char* algebra) {
    ASSERT_EQ(run(algebra), 0);
    ASSERT_EQ(run("select orientifold 0"), 0);
    capture.clear();
  }
};

TEST_F(TadpoleTheoryTest, E8RowsCarryTheCrosscapTimesTwoToTheHalfDimension) {
  load("algebra e 8 1");
  ASSERT_EQ(getTadpoleEquations(), 0);
  // c = 8, D = 18: x R(0,0) - 2^9 U(0) with R = U = 1; the imaginary row vanishes.
  EXPECT_EQ(getTadcols(), 2);
  EXPECT_EQ(getNumberOfLoopVariables(), 1);
  const EquationData& ED = tadpole::equations();
  EXPECT_EQ(ED.neq, 2);
  EXPECT_EQ(ED.nind, 1);
  EXPECT_NEAR(equationRow(&ED, 0)[0], 1.0, 1e-9);
  EXPECT_NEAR(equationRow(&ED, 0)[1], -512.0, 1e-7);
  EXPECT_NEAR(equationRow(&ED, 1)[0], 0.0, 1e-9);
  int good[2] = {512, 0};
  int bad[2] = {513, 0};
  EXPECT_EQ(checkTadpoleSolution(good), 1);
  capture.clear();
  EXPECT_EQ(checkTadpoleSolution(bad), 0);
  EXPECT_EQ(capture.printed, "Equation 0 not satisfied\n");
  // The bounds pin the one variable to 512.
  EXPECT_EQ(ED.minima[0], 512);
  EXPECT_EQ(ED.maxima[0], 512);
  EXPECT_EQ(ImproveTadpoleBounds(60, 1), -4);
}

TEST_F(TadpoleTheoryTest, VariableMapOfPairsAndTheRealBoundary) {
  load("algebra a 1 4");
  setIntPar("Tadpole remove_identical", 0);
  ASSERT_EQ(getTadpoleEquations(), 0);
  const tadpole::TadpoleState& s = tadpole::state();
  EXPECT_EQ(s.loopVariables, 3);
  EXPECT_EQ(s.CPToLoop, (std::vector<int>{0, 0, 1, 1, 2}));
  EXPECT_EQ(std::vector<int>(s.LoopToCP.begin(), s.LoopToCP.begin() + 3),
            (std::vector<int>{0, 2, 4}));
  // Two massless labels (h = 0 and h = 4*6/24 = 1): four rows.
  EXPECT_EQ(tadpole::equations().neq, 4);
  EXPECT_EQ(s.rowLabels, (std::vector<int>{0, 0, 1, 1}));
  // The printed solution U(2048) x U(2048) back and forth.
  std::vector<int> cp = {2048, 2048, 2048, 2048, 0};
  int* x = CPlabelsToLoops(cp.data(), s.CPToLoop.data(), 4);
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(std::vector<int>(x, x + 4), (std::vector<int>{2048, 2048, 0, 1}));
  EXPECT_EQ(CheckTadpoleEquations(x), 1);
  std::vector<int> back(5, -1);
  LoopsToCPLabels(x, back.data());
  EXPECT_EQ(back, cp);
  capture.clear();
  PrintVariableMap();
  EXPECT_NE(capture.printed.find("(0,1)                              0              U(N)\n"),
            std::string::npos);
  EXPECT_NE(capture.printed.find("4                                  2              SO(N)\n"),
            std::string::npos);
}

TEST_F(TadpoleTheoryTest, InconsistentChanPatonVectorsAreRefused) {
  load("algebra a 1 4");
  setIntPar("Tadpole remove_identical", 0);
  ASSERT_EQ(getTadpoleEquations(), 0);
  const tadpole::TadpoleState& s = tadpole::state();
  std::vector<int> unequal = {1, 2, 0, 0, 0};
  EXPECT_EQ(CPlabelsToLoops(unequal.data(), s.CPToLoop.data(), 4), nullptr);
  EXPECT_TRUE(alerted(
      "Complex conjugate boundaries 0 and 1 have\ndifferent Chan-Paton multiplicities (1,2)"));
  // Conjugation completes a zero from its partner, refuses two different values.
  std::vector<int> half = {0, 7, 3, 0, 0};
  EXPECT_EQ(CheckCPMultiplicityConjugation(half.data()), 1);
  EXPECT_EQ(half, (std::vector<int>{7, 7, 3, 3, 0}));
  capture.clear();
  EXPECT_EQ(CheckCPMultiplicityConjugation(unequal.data()), -4);
  EXPECT_EQ(capture.printed, "Unequal CP multiplicities for conjugate labels 0 and 1\n");
  // With no boundary active, a multiplicity on one of them is refused.
  initActiveBoundaries(-2);
  ASSERT_EQ(getTadpoleEquations(), -1);  // 0 = crosscap term: no solution
  std::vector<int> stray = {0, 0, 0, 0, 3};
  EXPECT_EQ(CPlabelsToLoops(stray.data(), s.CPToLoop.data(), 1), nullptr);
  EXPECT_TRUE(alerted("Nonzero CP multiplicity 3 for inactive boundary 4"));
}

TEST_F(TadpoleTheoryTest, FixedMultiplicitiesAndTheSelectionTable) {
  load("algebra a 1 4");
  initActiveBoundaries(-3);
  EXPECT_EQ(ActiveBoundaries(4), 1);
  EXPECT_EQ(FixedVariables(4), -1);
  // Fixing a unitary boundary fixes its conjugate; a second value is ignored.
  EXPECT_EQ(setFixVar(0, 5), 1);
  EXPECT_EQ(setFixVar(1, 9), 1);
  EXPECT_EQ(FixedVariables(0), 5);
  EXPECT_EQ(FixedVariables(1), 5);
  EXPECT_EQ(getFixedVariables(), 1);
  EXPECT_EQ(ActiveBoundaries(0), 0);
  EXPECT_EQ(ActiveBoundaries(1), 0);
  EXPECT_EQ(tadpole::state().ActBoundReasonCode[1], 11);
  // setActBound acts on the pair with one reason code.
  EXPECT_EQ(setActBound(2, 0, 3), 1);
  EXPECT_EQ(ActiveBoundaries(3), 0);
  EXPECT_EQ(tadpole::state().ActBoundReasonCode[3], 3);
  // Mode -1: no selection, so every boundary counts as active and none as fixed.
  initActiveBoundaries(-1);
  EXPECT_EQ(ActiveBoundaries(0), 1);
  EXPECT_EQ(FixedVariables(0), -1);
  EXPECT_EQ(getFixedVariables(), 0);
  // A label outside the boundaries changes nothing.
  EXPECT_EQ(setActBound(5, 0, 1), 0);
}

}  // namespace
