// The tadpole solver's own bookkeeping: the search flags of "Tadpole completeness", the
// fixed-boundary table's limit, the loop-variable to Chan-Paton conversion, the size limit
// of the kernel searches, the label texts and the verdicts of the solver's result codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "commands/CommandsInternal.h"
#include "runtime/Parameters.h"
#include "strings/TadpoleInternal.h"

namespace {

class TadpoleTest : public ZoqTest {};

struct Flags {
  int single, simplest, onePerSet, full;
  bool operator==(const Flags& o) const {
    return single == o.single && simplest == o.simplest && onePerSet == o.onePerSet &&
           full == o.full;
  }
};
Flags flags() {
  const tadpole::TadpoleState& s = tadpole::state();
  return {s.SingleSolution, s.SimplestOnly, s.OnePerSet, s.FullSol};
}
void setCompleteness(int v) {
  setIntPar("Tadpole completeness", v);
  tadpoleSearchParametersChanged();
}

TEST_F(TadpoleTest, CompletenessSetsTheFourSearchFlags) {
  // Default 2: all simple solutions.
  EXPECT_TRUE(flags() == (Flags{0, 1, 0, 0}));
  setCompleteness(0);
  EXPECT_TRUE(flags() == (Flags{1, 1, 1, 0}));
  setCompleteness(1);
  EXPECT_TRUE(flags() == (Flags{0, 1, 1, 0}));
  setCompleteness(2);
  EXPECT_TRUE(flags() == (Flags{0, 1, 0, 0}));
  setCompleteness(3);
  EXPECT_TRUE(flags() == (Flags{1, 0, 1, 0}));
  setCompleteness(4);
  EXPECT_TRUE(flags() == (Flags{0, 0, 0, 1}));
  // 5 and more change nothing.
  setCompleteness(5);
  EXPECT_TRUE(flags() == (Flags{0, 0, 0, 1}));
  setCompleteness(0);
  setCompleteness(7);
  EXPECT_TRUE(flags() == (Flags{1, 1, 1, 0}));
  // The few-stack search clears three flags and leaves the setting at 5.
  setTadpoleCriteriaForFewBraneSearch();
  EXPECT_TRUE(flags() == (Flags{0, 0, 1, 0}));
  EXPECT_EQ(*getIntParPointer("Tadpole completeness"), 5);
}

TEST_F(TadpoleTest, CriteriaBlockIsPrintedOnceUntilASettingChanges) {
  printTadpoleCriteria();
  std::string first = capture.printed;
  EXPECT_NE(first.find("Parameter settings for tadpole solution search (valid until re-stated)\n"),
            std::string::npos);
  EXPECT_NE(first.find("-- Simplest solutions only (maximally 4 stacks).\n"), std::string::npos);
  EXPECT_NE(first.find("-- Loop search continued after first solution.\n"), std::string::npos);
  EXPECT_NE(first.find("-- Multiple solutions accepted per choice of brane labels\n"),
            std::string::npos);
  capture.clear();
  printTadpoleCriteria();
  EXPECT_EQ(capture.printed, "");
  setCompleteness(3);
  printTadpoleCriteria();
  EXPECT_NE(capture.printed.find("-- Loops stopped after first solution.\n"), std::string::npos);
  EXPECT_EQ(capture.printed.find("-- Simplest solutions only"), std::string::npos);
  capture.clear();
  BoundarySelectionCriteriaChanged();
  printTadpoleCriteria();
  EXPECT_NE(capture.printed.find("Parameter settings"), std::string::npos);
}

TEST_F(TadpoleTest, TwentySixthFixedBoundaryIsRefused) {
  tadpole::TadpoleState& s = tadpole::state();
  s.FixVarCount = 25;
  for (int i = 0; i < 25; ++i) s.FixVarSet[static_cast<std::size_t>(i)] = i;
  capture.clear();
  EXPECT_EQ(setFixVar(30, 4), 0);
  EXPECT_TRUE(alerted("Too many fixed variables (max=24)"));
  EXPECT_EQ(s.FixVarCount, 25);
  EXPECT_EQ(s.FixVarSet[24], 24);
}

TEST_F(TadpoleTest, MoreThanFourStandardModelStacksAreRefused) {
  const int labels[5] = {0, 1, 2, 3, 4};
  const int mults[5] = {3, 2, 1, 1, 1};
  EXPECT_EQ(setStandardModelBraneInfo(5, labels, mults), 0);
  EXPECT_TRUE(alerted("Too many standard-model stacks"));
  EXPECT_EQ(tadpole::state().NumberOfSMBoundaries, -1);
  EXPECT_EQ(setStandardModelBraneInfo(4, labels, mults), 1);
  EXPECT_EQ(tadpole::state().NumberOfSMBoundaries, 4);
  EXPECT_EQ(tadpole::state().SMMultiplicities[0], 3);
}

// Three boundaries: 0 orthogonal, 1 symplectic, 2 unitary paired with 3.
void fourBoundaries() {
  tadpole::TadpoleState& s = tadpole::state();
  s.boundaries = 4;
  s.AnnulusConjugates = {0, 1, 3, 2};
  s.GroupTypes = {1, -1, 0, 0};
  s.loopVariables = 3;
  s.LoopToCP = {0, 1, 2, -1};
  s.SolutionGroupTypes = {1, -1, 0, 0};
  s.CPToLoop = {0, 1, 2, 2};
  s.NumberOfSMBoundaries = 0;  // neither fixed nor standard-model stacks
}

TEST_F(TadpoleTest, SymplecticVariableCountsPairsAndUnitaryPairsShareTheirValue) {
  fourBoundaries();
  const int x[4] = {5, 3, 2, 1};
  std::vector<int> cp(4, -1);
  LoopsToCPLabels(x, cp.data());
  EXPECT_EQ(cp, (std::vector<int>{5, 6, 2, 2}));
  // Standard-model stacks add to their label and its conjugate.
  tadpole::TadpoleState& s = tadpole::state();
  s.NumberOfSMBoundaries = 1;
  s.SMBoundaries[0] = 2;
  s.SMMultiplicities[0] = 3;
  LoopsToCPLabels(x, cp.data());
  EXPECT_EQ(cp, (std::vector<int>{5, 6, 5, 5}));
  // An orthogonal stack of 1, 2 or 3 branes is flagged.
  const int small[4] = {2, 0, 0, 0};
  EXPECT_EQ(OrthogonalGroupCheck(small), -2);
  const int fine[4] = {4, 0, 2, 0};
  EXPECT_EQ(OrthogonalGroupCheck(fine), 0);
}

TEST_F(TadpoleTest, LabelTextsOfRealBoundariesAndPairs) {
  fourBoundaries();
  EXPECT_EQ(BraneLabelString(1), "                1   ");
  EXPECT_EQ(BraneLabelString(2), "               (2,3)");
  // A field of 15 with the label centred, one blank at least before it.
  EXPECT_EQ(getBoundaryInfoString(0), " -->       (0)       --> ");
  EXPECT_EQ(getBoundaryInfoString(2), " -->      (2,3)      --> ");
}

// A synthetic system: n variables, one equation x_0 + ... + x_{n-1} = 4.
void shapeSystem(int n) {
  EquationData& ED = tadpole::equations();
  const int N = n + 1;
  ASSERT_EQ(setEquationDataSize(&ED, N, 1, 5000), 1);
  double* row = equationRow(&ED, 0);
  for (int j = 0; j < n; ++j) row[j] = 1.0;
  row[n] = -4.0;
  ASSERT_GE(getIndependentEquations(&ED, nullptr), 0);
  for (int j = 0; j < n; ++j) {
    ED.minima[j] = 0;
    ED.maxima[j] = 4;
  }
  initKernelData(&tadpole::kernel(), &ED);
  tadpole::state().haveEquations = true;
  tadpole::state().loopVariables = n;
}

TEST_F(TadpoleTest, KernelQuadrupletAndLoopSearchesStopAt400Variables) {
  setIntPar("Tadpole trace", 1);
  shapeSystem(399);
  capture.clear();
  getSingleTagKernel(10);
  EXPECT_NE(capture.stdoutText.find("TADPOLE SOLUTION TRACE: Kernel quadruplet analysis finished"),
            std::string::npos);
  EXPECT_NE(capture.stdoutText.find("TADPOLE SOLUTION TRACE: Kernel loop analysis finished"),
            std::string::npos);
  resetTadpoleKernel();
  shapeSystem(400);
  capture.clear();
  getSingleTagKernel(10);
  EXPECT_EQ(capture.stdoutText.find("Kernel quadruplet analysis finished"), std::string::npos);
  EXPECT_NE(capture.stdoutText.find("TADPOLE SOLUTION TRACE: Kernel quadruplet search and loop "
                                    "search skipped; too many variables\n"),
            std::string::npos);
  setIntPar("Tadpole trace", 0);
}

TEST_F(TadpoleTest, SubsetSearchFindsEverySolutionOfExactlyKStacks) {
  // x0 + x1 + x2 = 4 over three variables: one stack (x = 4 on one of three), two stacks
  // (1+3, 2+2, 3+1 on each of three pairs).
  shapeSystem(3);
  fourBoundaries();
  tadpole::state().loopVariables = 3;
  const int one[1] = {1};
  EXPECT_EQ(SolveTadpoleConditionsForSubset(1, one), 1);
  const int two[2] = {0, 2};
  EXPECT_EQ(SolveTadpoleConditionsForSubset(2, two), 3);
  const int three[3] = {0, 1, 2};
  // 1+1+2 in three orders.
  EXPECT_EQ(SolveTadpoleConditionsForSubset(3, three), 3);
  // Values below 1 are refused: every stack of a k-stack solution carries a brane.
  const int values[2] = {4, 0};
  EXPECT_EQ(checkSimpleSolution(2, two, values), 0);
}

int rejectHook(ChanPatonData*) {
  return 0;
}
int stopHook(ChanPatonData*) {
  return -1;
}
int countingAnalyses = 0;
int countAnalysis(ChanPatonData* cpd) {
  ++countingAnalyses;
  return cpd->stacks;
}

TEST_F(TadpoleTest, CheckHookDecidesAndOnlyAcceptedCandidatesAreCounted) {
  shapeSystem(3);
  fourBoundaries();
  tadpole::state().loopVariables = 3;
  int x[4] = {1, 1, 2, 1};
  setAnalysisFunction(countAnalysis);
  // Accepted: one solution printed and analysed, with three stacks (O, Sp pair, U pair).
  EXPECT_EQ(TadpoleSolutionAnalysis(x), 1);
  EXPECT_NE(capture.printed.find("     Solution nr. 0    (nr. 0 during this run)     \n"),
            std::string::npos);
  EXPECT_EQ(countingAnalyses, 1);
  ChanPatonData* cpd = computeChanPatonData(x);
  EXPECT_EQ(cpd->stacks, 3);
  EXPECT_EQ(cpd->stackMultiplicity, (std::vector<int>{1, 2, 2}));
  EXPECT_EQ(cpd->distinctBrane, (std::vector<int>{0, 1, 2, 2}));
  // Rejected (0) and stopped (-1): no banner, no analysis, the counter stays.
  capture.clear();
  setCheckSolutionFunction(rejectHook);
  EXPECT_EQ(TadpoleSolutionAnalysis(x), 0);
  setCheckSolutionFunction(stopHook);
  EXPECT_EQ(TadpoleSolutionAnalysis(x), -1);
  EXPECT_EQ(capture.printed.find("Solution nr."), std::string::npos);
  EXPECT_EQ(countingAnalyses, 1);
  EXPECT_EQ(tadpole::state().LocalCounter, 1);
  // A candidate of at most CPthreshold stacks is taken as known.
  resetAnalysisFunction();
  setCPthreshold(3);
  EXPECT_EQ(TadpoleSolutionAnalysis(x), 0);
  setCPthreshold(-1);
  // The null candidate resets the solution counter.
  EXPECT_EQ(TadpoleSolutionAnalysis(nullptr), 0);
  EXPECT_EQ(tadpole::state().LocalCounter, 0);
  EXPECT_EQ(tadpole::state().GlobalCounter, 1);
}

TEST_F(TadpoleTest, VerdictsOfTheSolverResultCodes) {
  const std::vector<std::pair<int, std::string>> cases = {
      {-4, "Tadpole conditions solved.\n"},
      {-5, "2 tadpole solutions found\n"},
      {-7, "4 tadpole solutions found\n"},
      {-3, "Try \"solve tadpole loops\"\n"},
      {-2, "Search interrupted\n"},
      {-1, "No solution to the tadpole conditions was found.\n"},
      {0, "Tadpole equations not (yet) solved.\n"},
      {3, "Tadpole equations not (yet) solved.\n"},
      {-999999, "Tadpole equations not available\n"},
  };
  for (const auto& [code, text] : cases) {
    capture.clear();
    manageDiophantineCode(code);
    EXPECT_EQ(capture.printed, text) << code;
  }
}

}  // namespace
