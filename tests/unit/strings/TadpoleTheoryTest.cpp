// The tadpole solver on real theories: the equation rows of E8 level 1, the variable map
// and conversions of SU(2) level 4 (orientifold 0: unitary pairs (0,1), (2,3) and the
// orthogonal boundary 4), the refusals of inconsistent Chan-Paton vectors, and the
// selection table with its fixed multiplicities.
#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <string>
#include <vector>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "boundaries/CrossBound.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"
#include "strings/OpenSpectrum.h"
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

// The Chan-Paton vectors of the solutions accepted by the solver, in the order seen.
std::vector<std::vector<int>>& acceptedSolutions() {
  static std::vector<std::vector<int>> solutions;
  return solutions;
}

int recordSolution(ChanPatonData* cpd) {
  acceptedSolutions().push_back(cpd->multiplicity);
  return 1;
}

TEST_F(TadpoleTheoryTest, EverySimpleSolutionIsReportedOnce) {
  // The permutation orbifold of SU(3) level 1 (c = 4, D = 22, 2^(D/2) = 2048). With the
  // identical boundaries identified, its five variables obey x0 + 2 x1 + 4 x2 = 2048 and
  // x3 + 2 x4 = 2048. Solutions with all stacks non-empty: two stacks, one variable of each
  // equation: 3 x 2 = 6. Three stacks: two of the first (x0 + 2 x1 = 2048 has 1023
  // positive solutions, x0 + 4 x2 and 2 x1 + 4 x2 have 511) and one of the second, twice
  // (1023 + 511 + 511) x 2 = 4090; one of the first and both of the second, 3 x 1023 = 3069.
  ASSERT_EQ(run("algebra a 2 1"), 0);
  ASSERT_EQ(run("create permutation"), 0);
  setIntPar("Tadpole maxstack", 3);
  ASSERT_EQ(getTadpoleEquations(), 0);
  ASSERT_EQ(getNumberOfLoopVariables(), 5);
  const EquationData& ED = tadpole::equations();
  ASSERT_EQ(ED.nind, 2);
  const std::vector<double> first(equationRow(&ED, ED.neq), equationRow(&ED, ED.neq) + 6);
  const std::vector<double> second(equationRow(&ED, ED.neq + 1), equationRow(&ED, ED.neq + 1) + 6);
  const std::vector<double> firstExpected = {1, 2, 4, 0, 0, -2048};
  const std::vector<double> secondExpected = {0, 0, 0, 1, 2, -2048};
  for (int j = 0; j < 6; ++j) {
    EXPECT_NEAR(first[static_cast<size_t>(j)], firstExpected[static_cast<size_t>(j)], 1e-7) << j;
    EXPECT_NEAR(second[static_cast<size_t>(j)], secondExpected[static_cast<size_t>(j)], 1e-7) << j;
  }
  acceptedSolutions().clear();
  setAnalysisFunction(recordSolution);
  capture.clear();
  const int r = SolveTadpoleConditions(-1, -1, -1);
  resetAnalysisFunction();
  const int expected = 6 + 4090 + 3069;
  EXPECT_EQ(r, -3 - expected);
  ASSERT_EQ(acceptedSolutions().size(), static_cast<size_t>(expected));
  const std::set<std::vector<int>> distinct(acceptedSolutions().begin(), acceptedSolutions().end());
  EXPECT_EQ(distinct.size(), static_cast<size_t>(expected));
}

// Accepts and records every solution; the hundredth presses Ctrl-C.
int pressCtrlCAtTheHundredth(ChanPatonData* cpd) {
  recordSolution(cpd);
  if (acceptedSolutions().size() == 100) std::raise(SIGINT);
  return 1;
}

// The permutation orbifold of SU(3) level 1 of the test above, with at most three stacks.
void loadPermutationOrbifold() {
  ASSERT_EQ(run("algebra a 2 1"), 0);
  ASSERT_EQ(run("create permutation"), 0);
  setIntPar("Tadpole maxstack", 3);
  ASSERT_EQ(getTadpoleEquations(), 0);
  ASSERT_EQ(getNumberOfLoopVariables(), 5);
}

TEST_F(TadpoleTheoryTest, CtrlCStopsTheStackSearchAndTheNextSearchStartsAfresh) {
  ASSERT_NO_FATAL_FAILURE(loadPermutationOrbifold());
  acceptedSolutions().clear();
  setAnalysisFunction(pressCtrlCAtTheHundredth);
  installInterruptHandler();
  // The next point of the search obeys: exactly one hundred were accepted.
  EXPECT_THROW(findTadpoleSolutionsWithNbranes(3), StopRequest);
  removeInterruptHandler();
  EXPECT_EQ(acceptedSolutions().size(), 100u);
  // The equations, bounds and kernel it worked on are rebuilt by the next search.
  EXPECT_FALSE(tadpole::state().haveEquations);
  // Three stacks: (1023 + 511 + 511) x 2 + 3 x 1023 = 7159 solutions, as in the test above.
  acceptedSolutions().clear();
  setAnalysisFunction(recordSolution);
  EXPECT_EQ(findTadpoleSolutionsWithNbranes(3), -3 - 7159);
  resetAnalysisFunction();
  EXPECT_EQ(acceptedSolutions().size(), 7159u);
}

TEST_F(TadpoleTheoryTest, CtrlCInTheSimpleSearchClearsItsStackThreshold) {
  ASSERT_NO_FATAL_FAILURE(loadPermutationOrbifold());
  acceptedSolutions().clear();
  setAnalysisFunction(pressCtrlCAtTheHundredth);
  installInterruptHandler();
  // The two-stack solutions (6) come first, the hundredth is one of three stacks: the
  // threshold was 2 when the search was abandoned.
  EXPECT_THROW(findSimpleSolutions(), StopRequest);
  removeInterruptHandler();
  resetAnalysisFunction();
  EXPECT_EQ(acceptedSolutions().size(), 100u);
  EXPECT_EQ(getCPthreshold(), -1);
}

}  // namespace
