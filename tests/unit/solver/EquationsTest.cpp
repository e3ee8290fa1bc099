// Equation data: the record, independent equations and decompositions, normalisation,
// bound propagation and its iteration, the elimination plan, and the small row routines.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "program/Boot.h"
#include "solver/Equations.h"
#include "TestSupport.h"

namespace {

class EquationsTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }

  // Shapes ED for the rows (each N entries, the constant last) with bounds lo..hi for
  // every loop variable.
  void setUpSystem(const std::vector<std::vector<double>>& rows, int N, int lo, int hi) {
    int neq = static_cast<int>(rows.size());
    ASSERT_EQ(setEquationDataSize(&ED, N, neq, std::max(5 * neq, 5000)), 1);
    for (int r = 0; r < neq; ++r) {
      for (int j = 0; j < N; ++j) equationRow(&ED, r)[j] = rows[r][j];
    }
    for (int i = 0; i + 1 < N; ++i) {
      ED.minima[i] = lo;
      ED.maxima[i] = hi;
    }
  }
  std::vector<double> row(int r) const {
    const double* a = equationRow(&ED, r);
    return std::vector<double>(a, a + ED.N);
  }

  EquationData ED{"Test.Equations", "Test.Bounds"};
};

std::vector<int> values(const int* v, int n) {
  return std::vector<int>(v, v + n);
}

// ---------------------------------------------------------------------------------------
// The record

TEST_F(EquationsTest, ShapingClearsTheBoundsAndFixesTheConstant) {
  ASSERT_EQ(setEquationDataSize(&ED, 4, 2, 5000), 1);
  EXPECT_EQ(ED.N, 4);
  EXPECT_EQ(ED.neq, 2);
  EXPECT_EQ(ED.maxrows, 5000);
  EXPECT_EQ(ED.nind, 0);
  EXPECT_EQ(ED.nrows, 0);
  EXPECT_EQ(values(ED.minima, 4), (std::vector<int>{0, 0, 0, 1}));
  EXPECT_EQ(values(ED.maxima, 4), (std::vector<int>{0, 0, 0, 1}));
  EXPECT_EQ(values(ED.loopMaxima, 4), (std::vector<int>{0, 0, 0, 1}));
  EXPECT_EQ(values(ED.exclusionMaxima, 4), (std::vector<int>{0, 0, 0, 0}));
  // The row capacity covers every row up to maxrows.
  EXPECT_GE(ED.Equations.capacity(), static_cast<std::size_t>(4 * 5000));
}

TEST_F(EquationsTest, ShapingRefusesImpossibleSizes) {
  OutputCapture capture;
  EXPECT_EQ(setEquationDataSize(&ED, 0, 1, 5000), 0);
  EXPECT_EQ(setEquationDataSize(&ED, 3, -1, 5000), 0);
  EXPECT_EQ(setEquationDataSize(&ED, 3, 10, 15), 0);  // no room for the working rows
  EXPECT_EQ(setEquationDataSize(&ED, 3, 1, 0), 0);
  EXPECT_NE(capture.diagnostics.find("Invalid equation system size (N=3, neq=10, maxrows=15)"),
            std::string::npos);
  EXPECT_EQ(setEquationDataSize(&ED, 2000000, 1, 2000000), 0);
  EXPECT_NE(capture.diagnostics.find("Equation system too large"), std::string::npos);
  EXPECT_EQ(ED.N, 0);  // nothing was changed
}

TEST_F(EquationsTest, RoutinesRefuseAnUnshapedRecord) {
  OutputCapture capture;
  EXPECT_EQ(getIndependentEquations(&ED, nullptr), -1);
  int min[2] = {0, 1};
  int max[2] = {5, 1};
  EXPECT_EQ(AnalyseBounds(&ED, min, max), 0);
  EXPECT_NE(capture.diagnostics.find("The equation record is not set up"), std::string::npos);
  EXPECT_EQ(max[0], 5);
}

TEST_F(EquationsTest, WritingPastTheRowsIsReported) {
  setUpSystem({{1, 1, -3}}, 3, 0, 10);
  double* rows = ED.Equations.data();
  rows[ED.Equations.lastSize()] = 0.0;  // the guard after the last row
  OutputCapture capture;
  EXPECT_EQ(getIndependentEquations(&ED, nullptr), 1);  // reported, and the work goes on
  EXPECT_NE(capture.diagnostics.find("!!!!!! overflow in allocation of Test.Equations\n"),
            std::string::npos);
}

// ---------------------------------------------------------------------------------------
// Independent equations

TEST_F(EquationsTest, ADoubledEquationIsDependent) {
  setUpSystem({{1, 1, -3}, {2, 2, -6}}, 3, 0, 10);
  EXPECT_EQ(getIndependentEquations(&ED, nullptr), 1);
  EXPECT_EQ(ED.nind, 1);
  EXPECT_EQ(ED.nrows, 3);
  EXPECT_EQ(row(2), (std::vector<double>{1, 1, -3}));
  // Row 1 is twice the independent equation; the independent row is its own unit.
  const double* decompositions = ED.Decompositions.data();
  EXPECT_DOUBLE_EQ(decompositions[0], 1.0);
  EXPECT_DOUBLE_EQ(decompositions[1], 2.0);
  EXPECT_DOUBLE_EQ(decompositions[2], 1.0);
}

TEST_F(EquationsTest, AConstantEquationHasNoSolution) {
  // 0 = 5 among ordinary equations.
  setUpSystem({{1, -1, 0}, {0, 0, 5}}, 3, 0, 10);
  EXPECT_EQ(getIndependentEquations(&ED, nullptr), -1);
  FailureReason reason = QueryFailureReason();
  EXPECT_EQ(reason.code, 1);
  EXPECT_EQ(reason.info, 1);
  // A contradiction that only elimination reveals: x0 + x1 = 1 and 2 x0 + 2 x1 = 3.
  setUpSystem({{1, 1, -1}, {2, 2, -3}}, 3, 0, 10);
  EXPECT_EQ(getIndependentEquations(&ED, nullptr), -1);
}

TEST_F(EquationsTest, IndependentRowsAreReducedAndDecomposeTheInput) {
  // x0 - x1 = 0 and x0 + x1 - 2 x2 = 0 reduce to x0 - x2 = 0 and x1 - x2 = 0.
  setUpSystem({{1, -1, 0, 0}, {1, 1, -2, 0}}, 4, 0, 3);
  EXPECT_EQ(getIndependentEquations(&ED, nullptr), 1);
  ASSERT_EQ(ED.nind, 2);
  EXPECT_EQ(row(2), (std::vector<double>{1, 0, -1, 0}));
  EXPECT_EQ(row(3), (std::vector<double>{0, 1, -1, 0}));
  // Every input row is the combination of the independent rows its decomposition says.
  for (int i = 0; i < 2; ++i) {
    std::vector<double> rebuilt(4);
    buildEquationFromDecomp(&ED, ED.Decompositions.data() + 2 * i, rebuilt.data());
    EXPECT_EQ(rebuilt, row(i)) << "row " << i;
  }
}

TEST_F(EquationsTest, NonIntegralIndependentEquationsAreReported) {
  // x0 - sqrt(2) x1 = 0 has no common denominator.
  setUpSystem({{1, -1.4142135623730951, 0}}, 3, 0, 10);
  EXPECT_EQ(getIndependentEquations(&ED, nullptr), 0);
  EXPECT_EQ(ED.nind, 1);
}

TEST_F(EquationsTest, ZeroRowsAndNoRowsGiveNoIndependentEquation) {
  setUpSystem({{0, 0, 0}}, 3, 0, 10);
  EXPECT_EQ(getIndependentEquations(&ED, nullptr), 1);
  EXPECT_EQ(ED.nind, 0);
  setUpSystem({}, 3, 0, 10);
  EXPECT_EQ(getIndependentEquations(&ED, nullptr), 1);
  EXPECT_EQ(ED.nrows, 0);
}

TEST_F(EquationsTest, NormalizeEquationDividesByTheFirstCoefficient) {
  double half[] = {0, 0.5, 1, 1.5};
  double maxcoef = -1;
  EXPECT_EQ(NormalizeEquation(half, 4, &maxcoef), 1);
  EXPECT_EQ(std::vector<double>(half, half + 4), (std::vector<double>{0, 1, 2, 3}));
  EXPECT_DOUBLE_EQ(maxcoef, 3.0);
  // 1/3 is integral up to the common denominator 3.
  double third[] = {3, 1, 0};
  EXPECT_EQ(NormalizeEquation(third, 3, &maxcoef), 1);
  EXPECT_DOUBLE_EQ(third[1], 1.0 / 3.0);
  EXPECT_DOUBLE_EQ(maxcoef, 1.0);
  // 1/145 needs a denominator beyond 144.
  double far[] = {145, 1};
  EXPECT_EQ(NormalizeEquation(far, 2, &maxcoef), 0);
  // Entries within 1e-7 of 0 or of an integer become exactly that.
  double noisy[] = {1e-9, 2, 4.00000001, -2e-8};
  EXPECT_EQ(NormalizeEquation(noisy, 4, &maxcoef), 1);
  EXPECT_EQ(std::vector<double>(noisy, noisy + 4), (std::vector<double>{0, 1, 2, 0}));
  double zero[] = {0, 0};
  EXPECT_EQ(NormalizeEquation(zero, 2, &maxcoef), 1);
  EXPECT_DOUBLE_EQ(maxcoef, 0.0);
}

// ---------------------------------------------------------------------------------------
// Bounds

TEST_F(EquationsTest, OneEquationLowersBothMaxima) {
  // x0 + x1 - 3 = 0 with 0..10: both maxima become 3; 4 x 4 = 16 points is a short loop.
  double a[] = {1, 1, -3};
  int min[] = {0, 0, 1};
  int max[] = {10, 10, 1};
  EXPECT_EQ(getVariableBounds(a, 3, min, max), -3);
  EXPECT_EQ(values(min, 3), (std::vector<int>{0, 0, 1}));
  EXPECT_EQ(values(max, 3), (std::vector<int>{3, 3, 1}));
  EXPECT_EQ(getBndCnt(), 1);
}

TEST_F(EquationsTest, AnEquationWithoutIntegerSolutionEmptiesTheRange) {
  // 2 x0 - 1 = 0: min trunc(0.5 + 0.999) = 1, max trunc(0.5 + 0.001) = 0.
  double a[] = {2, -1};
  int min[] = {0, 1};
  int max[] = {5, 1};
  EXPECT_EQ(getVariableBounds(a, 2, min, max), -1);
  EXPECT_EQ(min[0], 1);
  EXPECT_EQ(max[0], 0);
  FailureReason reason = QueryFailureReason();
  EXPECT_EQ(reason.code, 2);
  EXPECT_EQ(reason.info, 0);
}

TEST_F(EquationsTest, BoundResultsForSinglePointsAndLongLoops) {
  double a[] = {1, -3};  // x0 = 3
  int min[] = {0, 1};
  int max[] = {10, 1};
  EXPECT_EQ(getVariableBounds(a, 2, min, max), -4);
  EXPECT_EQ(min[0], 3);
  EXPECT_EQ(max[0], 3);
  EXPECT_EQ(getVariableBounds(a, 1, min, max), -4);  // no variable at all
  // Eight variables 0..10 with x0 + x1 = 3: 4 * 4 * 11^6 points, above 10^7.
  std::vector<double> b(9, 0.0);
  b[0] = 1;
  b[1] = 1;
  b[8] = -3;
  std::vector<int> lo(9, 0);
  std::vector<int> hi(9, 10);
  lo[8] = hi[8] = 1;
  EXPECT_EQ(getVariableBounds(b.data(), 9, lo.data(), hi.data()), 2);
  EXPECT_EQ(hi[0], 3);
  EXPECT_EQ(hi[1], 3);
  EXPECT_EQ(hi[2], 10);
}

TEST_F(EquationsTest, NegativeLowerLimitsKeepTheirSolutions) {
  // x0 + x1 + 3 = 0 with x0 in -5..5 and x1 in -5..0: x0 = -3 - x1 runs over -3..2.
  // (Truncating -2.001 towards zero would give the minimum -2 and lose x0 = -3.)
  double a[] = {1, 1, 3};
  int min[] = {-5, -5, 1};
  int max[] = {5, 0, 1};
  EXPECT_EQ(getVariableBounds(a, 3, min, max), -3);
  EXPECT_EQ(min[0], -3);
  EXPECT_EQ(max[0], 2);
  EXPECT_EQ(min[1], -5);
  EXPECT_EQ(max[1], 0);
  // -x0 - 1.5 >= 0 means x0 <= -1.5, so x0 <= -2.
  int hi = 5;
  EXPECT_EQ(getNewMaximum(-1.5, &hi), 1);
  EXPECT_EQ(hi, -2);
  int lo = -5;
  EXPECT_EQ(getNewMinimum(-1.5, &lo), 1);
  EXPECT_EQ(lo, -1);
}

TEST_F(EquationsTest, BoundRoundingStaysWithinTheLimits) {
  int min = 0;
  EXPECT_EQ(getNewMinimum(-200000.0, &min), 0);  // below -100000: nothing
  EXPECT_EQ(getNewMinimum(250000.0, &min), 1);   // capped at 100000
  EXPECT_EQ(min, 100000);
  EXPECT_EQ(getNewMinimum(3.0, &min), 0);  // never lowers a minimum
  int max = 1000000;
  EXPECT_EQ(getNewMaximum(200000.0, &max), 0);  // above 100000: nothing
  EXPECT_EQ(getNewMaximum(2.9995, &max), 1);    // 2.9995 + 0.001 rounds down to 3
  EXPECT_EQ(max, 3);
  EXPECT_EQ(getNewMaximum(7.0, &max), 0);  // never raises a maximum
  int margin = 0;
  EXPECT_EQ(getNewMinimum(1.0005, &margin), 1);  // within the margin of 1
  EXPECT_EQ(margin, 1);
}

TEST_F(EquationsTest, AnalyseBoundsReportsTheRowThatEmptiesARange) {
  // Eight variables 0..100 (a long loop); x0 + x1 = 3 is fine, x0 + x2 = -5 is not.
  std::vector<double> first(9, 0.0);
  first[0] = first[1] = 1;
  first[8] = -3;
  std::vector<double> second(9, 0.0);
  second[0] = second[2] = 1;
  second[8] = 5;
  setUpSystem({first, second}, 9, 0, 100);
  ASSERT_EQ(getIndependentEquations(&ED, nullptr), 1);
  EXPECT_EQ(AnalyseBounds(&ED, ED.minima, ED.maxima), -1);
  FailureReason reason = QueryFailureReason();
  EXPECT_EQ(reason.code, 3);
  EXPECT_EQ(reason.info, 1);
  // In a short loop the first row already answers -3.
  setUpSystem({{1, 1, -3}, {1, -1, -5}}, 3, 0, 10);
  ASSERT_EQ(getIndependentEquations(&ED, nullptr), 1);
  EXPECT_EQ(AnalyseBounds(&ED, ED.minima, ED.maxima), -3);
}

// A system of eight variables 0..100 in which x0 = x1 = x2 and x0 + x1 + x2 = 6 - x3.
class ImproveBoundsTest : public EquationsTest {
 protected:
  void SetUp() override {
    EquationsTest::SetUp();
    std::vector<double> first(9, 0.0);
    first[0] = 1;
    first[1] = -1;
    std::vector<double> second(9, 0.0);
    second[1] = 1;
    second[2] = -1;
    std::vector<double> third(9, 0.0);
    third[0] = third[1] = third[2] = third[3] = 1;
    third[8] = -6;
    setUpSystem({first, second, third}, 9, 0, 100);
    ASSERT_EQ(getIndependentEquations(&ED, nullptr), 1);
    std::copy(ED.minima, ED.minima + 9, min);
    std::copy(ED.maxima, ED.maxima + 9, max);
  }
  int min[9];
  int max[9];
};

TEST_F(ImproveBoundsTest, MaxiterZeroRunsOneAnalysis) {
  // The input row x0 + x1 + x2 + x3 = 6 lowers four maxima to 6; the independent rows
  // xi + x3 / 3 - 2 = 0 (i = 0, 1, 2) lower three of them to 2: seven changes.
  EXPECT_EQ(ImproveBounds(&ED, min, max, 0, 0, 0), 7);
  EXPECT_EQ(values(max, 5), (std::vector<int>{2, 2, 2, 6, 100}));
  EXPECT_EQ(values(min, 4), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(ImproveBoundsTest, IterationConvergesOnTheExactRanges) {
  int result = ImproveBounds(&ED, min, max, 1000000, 20, 0);
  EXPECT_EQ(result, 1);
  // x0 = x1 = x2 = k, x3 = 6 - 3k with k in 0..2: the tightest box.
  EXPECT_EQ(values(max, 4), (std::vector<int>{2, 2, 2, 6}));
  EXPECT_EQ(values(min, 4), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(max[7], 100);
}

TEST_F(ImproveBoundsTest, BudgetAndPrintedIterations) {
  EXPECT_EQ(ImproveBounds(&ED, min, max, -1, 5, 0), -2);
  // One evaluation per stored row is already more than a budget of 2.
  EXPECT_EQ(ImproveBounds(&ED, min, max, 2, 5, 0), -2);
  OutputCapture capture;
  int result = ImproveBounds(&ED, min, max, 1000000, 20, 2);
  EXPECT_TRUE(result == 1 || result == -3);
  EXPECT_NE(capture.printed.find("Boundary improvement iteration 1 completed; Loop length: "),
            std::string::npos);
}

TEST_F(EquationsTest, CombinationsAreStoredAsDerivedEquations) {
  // 2 x0 + x1 - x2 = 0 and x0 - x1 + 2 x3 - 3 = 0 with big free ranges.
  std::vector<double> first(9, 0.0);
  first[0] = 2;
  first[1] = 1;
  first[2] = -1;
  std::vector<double> second(9, 0.0);
  second[0] = 1;
  second[1] = -1;
  second[3] = 2;
  second[8] = -3;
  setUpSystem({first, second}, 9, 0, 30);
  ASSERT_EQ(getIndependentEquations(&ED, nullptr), 1);
  int min[9];
  int max[9];
  std::copy(ED.minima, ED.minima + 9, min);
  std::copy(ED.maxima, ED.maxima + 9, max);
  int stored = ED.nrows;
  int result = ImproveBounds(&ED, min, max, 1000000, 30, 0);
  EXPECT_GE(result, -3);
  EXPECT_NE(result, -1);
  EXPECT_LE(ED.nanalysed, ED.nrows);
  EXPECT_GE(ED.nrows, stored);
  // No solution of the box is lost: brute force over x0..x3 (the rest is free).
  for (int x0 = 0; x0 <= 30; ++x0) {
    for (int x1 = 0; x1 <= 30; ++x1) {
      int x2 = 2 * x0 + x1;
      if (x2 > 30) continue;
      if ((3 - x0 + x1) % 2 != 0) continue;
      int x3 = (3 - x0 + x1) / 2;
      if (x3 < 0 || x3 > 30) continue;
      int x[] = {x0, x1, x2, x3};
      for (int i = 0; i < 4; ++i) {
        EXPECT_GE(x[i], min[i]) << x0 << "," << x1;
        EXPECT_LE(x[i], max[i]) << x0 << "," << x1;
      }
    }
  }
  // Every stored derived row is a valid equation: it vanishes on a solution.
  int solution[] = {1, 0, 2, 1, 0, 0, 0, 0, 1};
  for (int r = 0; r < ED.nrows; ++r)
    EXPECT_EQ(CheckEquation(ED.Equations.data(), solution, r, 9), 1) << r;
}

// ---------------------------------------------------------------------------------------
// Elimination plan

TEST_F(EquationsTest, OptimizeEquationUseSolvesTheWidestVariable) {
  // x0 + x1 + x2 - 2 = 0; x0 and x2 have the equal widest range: the first is taken.
  double E[] = {1, 1, 1, -2};
  int min[] = {0, 0, 0, 1};
  int max[] = {4, 2, 4, 1};
  int solved[1] = {99};
  OutputCapture capture;
  OptimizeEquationUse(E, 4, 1, min, max, nullptr, solved, 2);
  EXPECT_EQ(solved[0], 0);
  EXPECT_EQ(max[0], 0);
  EXPECT_EQ(max[2], 4);
  EXPECT_EQ(capture.printed, "Variable 0 solved from eqn 0\n");
}

TEST_F(EquationsTest, OptimizeEquationUseSweepsAndSkips) {
  // Two equations: x0 - x1 = 0 and x0 + x2 - 3 = 0.
  double E[] = {1, -1, 0, 0, 1, 0, 1, -3};
  int min[] = {0, 0, 0, 1};
  int max[] = {5, 3, 2, 1};
  int solved[2];
  OptimizeEquationUse(E, 4, 2, min, max, nullptr, solved, 0);
  EXPECT_EQ(solved[0], 0);
  // x0 is swept out of the second row, which then solves x1 (range 3 beats 2).
  EXPECT_EQ(solved[1], 1);
  EXPECT_DOUBLE_EQ(E[4], 0.0);
  EXPECT_EQ(max[0], 0);
  EXPECT_EQ(max[1], 0);
  // With flags, an equation whose flag is not 0 or 1 takes no part.
  double F[] = {1, -1, 0, 0};
  int flags[] = {2};
  int lo[] = {0, 0, 0, 1};
  int hi[] = {5, 3, 2, 1};
  OptimizeEquationUse(F, 4, 1, lo, hi, flags, solved, 0);
  EXPECT_EQ(solved[0], -1);
  EXPECT_EQ(hi[0], 5);
  // A row without variable coefficients gives no information.
  double G[] = {0, 0, 0, 0};
  OutputCapture capture;
  OptimizeEquationUse(G, 4, 1, lo, hi, nullptr, solved, 3);
  EXPECT_EQ(solved[0], -1);
  EXPECT_EQ(capture.printed, "Eqn 0 gives no information\n");
}

TEST_F(EquationsTest, OptimizedLoopLengthLeavesTheBoundsAlone) {
  setUpSystem({{1, 1, 1, -2}}, 4, 0, 2);
  ASSERT_EQ(getIndependentEquations(&ED, nullptr), 1);
  // x0 is solved; x1 and x2 loop over 3 values each.
  EXPECT_DOUBLE_EQ(OptimizedLoopLength(3, ED.minima, ED.maxima, &ED), 9.0);
  EXPECT_EQ(ED.maxima[0], 2);
  EXPECT_DOUBLE_EQ(OptimizedLoopLength(0, ED.minima, ED.maxima, &ED), 1.0);
  ED.minima[1] = 3;
  EXPECT_DOUBLE_EQ(OptimizedLoopLength(3, ED.minima, ED.maxima, &ED), -1.0);
}

TEST_F(EquationsTest, FullSweepEliminatesAColumn) {
  double E[] = {2, 1, 3, 4, 1, 1, 0, 5, 9};
  FullSweep(E, 3, 3, 0, 0);
  EXPECT_EQ(std::vector<double>(E, E + 9), (std::vector<double>{2, 1, 3, 0, -1, -5, 0, 5, 9}));
  double Z[] = {0, 1, 3, 4};  // a zero pivot changes nothing
  FullSweep(Z, 2, 2, 0, 0);
  EXPECT_EQ(std::vector<double>(Z, Z + 4), (std::vector<double>{0, 1, 3, 4}));
}

// ---------------------------------------------------------------------------------------
// Checks, solving and printing

TEST_F(EquationsTest, CheckEquationsAndTheirMessages) {
  double E[] = {1, 1, -3, 1, -1, -1};  // x0 + x1 = 3, x0 - x1 = 1
  int good[] = {2, 1, 1};
  int bad[] = {1, 2, 1};
  EXPECT_EQ(CheckEquation(E, good, 1, 3), 1);
  EXPECT_EQ(CheckEquation(E, bad, 1, 3), 0);
  OutputCapture capture;
  EXPECT_EQ(CheckEquations(E, good, 2, 3, 1), 1);
  EXPECT_EQ(capture.printed, "All equations satisfied\n");
  EXPECT_EQ(CheckEquations(E, bad, 2, 3, 1), 0);
  EXPECT_NE(capture.diagnostics.find("Equation 1 not satisfied"), std::string::npos);
  EXPECT_EQ(QueryFailureReason().code, 6);
  EXPECT_EQ(QueryFailureReason().info, 1);
  capture.clear();
  EXPECT_EQ(CheckEquations(E, bad, 2, 3, 0), 0);
  EXPECT_EQ(capture.all, "");
}

TEST_F(EquationsTest, PrintBoundsPrintsOnChangeOrOnRequest) {
  int min[] = {0, 1};
  int max[] = {3, 2};
  OutputCapture capture;
  EXPECT_DOUBLE_EQ(PrintBounds(2, min, max, 2), 8.0);
  EXPECT_EQ(capture.printed,
            "Minima  (0,1)\nMaxima  (3,2)\nTotal loop length:                    8\n");
  capture.clear();
  PrintBounds(2, min, max, 2);  // same length: nothing
  EXPECT_EQ(capture.printed, "");
  PrintBounds(2, min, max, 100);  // level 100 always prints
  EXPECT_NE(capture.printed, "");
  capture.clear();
  PrintBounds(2, min, max, 1);
  EXPECT_EQ(capture.printed, "");
  int empty[] = {4, 1};
  EXPECT_DOUBLE_EQ(PrintBounds(2, empty, max, 0), -1.0);
}

// 40 ranges of 0..2^30 hold (2^30 + 1)^40 > 10^361 points, beyond the largest double: the
// length is printed as a bound, not as "inf".
TEST_F(EquationsTest, ALoopLengthBeyondTheDoublesIsPrintedAsABound) {
  std::vector<int> min(40, 0), max(40, 1 << 30);
  OutputCapture capture;
  EXPECT_TRUE(std::isinf(PrintBounds(40, min.data(), max.data(), 100)));
  EXPECT_NE(capture.printed.find("\nTotal loop length:          above 1e308\n"), std::string::npos);
  EXPECT_EQ(capture.printed.find("inf"), std::string::npos);
  EXPECT_EQ(loopLengthText(27.0, 6), "    27");
}

TEST_F(EquationsTest, SolvingOneVariableFromAnEquation) {
  double a[] = {1, 2, -7};  // x0 + 2 x1 - 7 = 0
  int x[] = {0, 3, 1};
  EXPECT_EQ(solvePositiveIntegerFromEquation(3, a, 0, x), 1);
  EXPECT_EQ(x[0], 1);
  x[1] = 4;  // x0 = -1: integral but negative
  EXPECT_EQ(solvePositiveIntegerFromEquation(3, a, 0, x), 0);
  EXPECT_EQ(x[0], -1);
  EXPECT_EQ(solveIntegerFromEquation(3, a, 0, x), 1);
  EXPECT_EQ(x[0], -1);
  x[0] = 0;  // x1 = 3.5 is not integral: untouched
  EXPECT_EQ(solvePositiveIntegerFromEquation(3, a, 1, x), 0);
  EXPECT_EQ(x[1], 4);
  // A value beyond the int range is not a solution (and is not wrapped).
  double huge[] = {1, -3e10};
  int y[] = {5, 1};
  EXPECT_EQ(solvePositiveIntegerFromEquation(2, huge, 0, y), 0);
  EXPECT_EQ(y[0], 5);
  double none[] = {0, 1, -1};  // no coefficient for the variable
  EXPECT_EQ(solvePositiveIntegerFromEquation(3, none, 0, x), 0);
}

TEST_F(EquationsTest, IntegerIndependenceByDivision) {
  // Row 0 (-1, 1, 0) with pivot 0; row 1 is twice it.
  int rows[] = {-1, 1, 0, -2, 2, 0, 0, 0, 0};
  int pivot[3] = {0, -1, -1};
  EXPECT_EQ(checkIntegerIndependence(rows, 3, 1, pivot), 0);
  // A new row is reduced, divided by its gcd, and gets the first entry 1 as pivot.
  int more[] = {-1, 1, 0, -2, 4, 6, 0, 0, 0};
  EXPECT_EQ(checkIntegerIndependence(more, 3, 1, pivot), 1);
  EXPECT_EQ(values(more + 3, 3), (std::vector<int>{0, 1, 3}));
  EXPECT_EQ(pivot[1], 1);
  // Without an entry 1 the first -1 is taken and the row negated.
  int negated[] = {0, -1, 2};
  EXPECT_EQ(checkIntegerIndependence(negated, 3, 0, pivot), 1);
  EXPECT_EQ(values(negated, 3), (std::vector<int>{0, 1, -2}));
  EXPECT_EQ(pivot[0], 1);
  // Pivot entry 2 does not divide 1: independent over the rationals only.
  int lattice[] = {2, 3, 1, 0};
  int latticePivot[2] = {0, -1};
  EXPECT_EQ(checkIntegerIndependence(lattice, 2, 1, latticePivot), 2);
}

TEST_F(EquationsTest, IndependenceByCrossMultiplication) {
  int rows[] = {2, 1, 0, 4, 2, 0, 3, 0, 1};
  int pivot[3] = {0, -1, -1};
  EXPECT_EQ(checkIndependence(rows, 3, 1, pivot), 0);  // 2 * row0
  EXPECT_EQ(checkIndependence(rows, 3, 2, pivot), 1);  // 2 (3,0,1) - 3 (2,1,0) = (0,-3,2)
  EXPECT_EQ(values(rows + 6, 3), (std::vector<int>{0, -3, 2}));
  EXPECT_EQ(pivot[2], 1);
}

TEST_F(EquationsTest, IndependenceOverflowIsReportedNotWrapped) {
  OutputCapture capture;
  int rows[] = {2, 2000000000, 3, 0};
  int pivot[2] = {0, -1};
  EXPECT_EQ(checkIndependence(rows, 2, 1, pivot), 0);  // 2000000000 * 3 does not fit
  EXPECT_NE(capture.diagnostics.find("Integer overflow"), std::string::npos);
  EXPECT_EQ(rows[3], 0);
}

TEST_F(EquationsTest, NewPositionsStayInsideTheDerivedRows) {
  OutputCapture capture;
  EXPECT_EQ(getNewPosition(10, 100, 4, 3), 10);
  EXPECT_EQ(capture.printed, "Equation added at position 10\n");
  std::srand(7);
  for (int i = 0; i < 2000; ++i) {
    int position = getNewPosition(98, 100, 4, 0);  // full: replace a derived row
    EXPECT_GE(position, 4);
    EXPECT_LT(position, 100);
  }
  EXPECT_EQ(capture.diagnostics, "");
  getNewPosition(5, 5, 5, 0);  // no derived row exists
  EXPECT_NE(capture.diagnostics.find("Invalid position"), std::string::npos);
}

TEST_F(EquationsTest, SmallRowRoutines) {
  double E[] = {1, 2, 3, 4, 5, 6};
  double a[] = {4, 5, 6};
  EXPECT_EQ(compareEquations(E, 2, 3, a), 1);
  double b[] = {4, 5, 7};
  EXPECT_EQ(compareEquations(E, 2, 3, b), -1);
  double out[3];
  CombineRows(E, 3, 0, 1, -2, out);
  EXPECT_EQ(std::vector<double>(out, out + 3), (std::vector<double>{-7, -8, -9}));
  double positive[] = {1, 0, -5};
  double negative[] = {1, -0.5, -5};
  EXPECT_EQ(checkPositive(positive, 3), 1);
  EXPECT_EQ(checkPositive(negative, 3), 0);
  int min[] = {0, 2};
  int max[] = {3, 4};
  EXPECT_DOUBLE_EQ(LoopLength(2, min, max), 12.0);
  EXPECT_DOUBLE_EQ(LoopLength(0, min, max), 1.0);
  int wide[] = {INT_MIN, 0};
  int top[] = {INT_MAX, 0};
  EXPECT_DOUBLE_EQ(LoopLength(1, wide, top), 4294967296.0);
  double sweep[] = {3, 6, 9};
  double by[] = {1, 1, 1};
  EXPECT_DOUBLE_EQ(DoubleVectorSweep(sweep, by, 3, 0), 3.0);
  EXPECT_EQ(std::vector<double>(sweep, sweep + 3), (std::vector<double>{0, 3, 6}));
}

TEST_F(EquationsTest, DoubleLinearSolveFindsTheSolution) {
  // x + y = 3, x - y = 1.
  double E[] = {1, 1, 3, 1, -1, 1};
  double x[2];
  EXPECT_EQ(DoubleLinearSolve(E, 2, x), 1);
  EXPECT_NEAR(x[0], 2.0, 1e-12);
  EXPECT_NEAR(x[1], 1.0, 1e-12);
  double singular[] = {1, 1, 3, 2, 2, 6};
  EXPECT_EQ(DoubleLinearSolve(singular, 2, x), 0);
  EXPECT_DOUBLE_EQ(x[1], 0.0);
}

TEST_F(EquationsTest, ComplexSweeps) {
  // Rows (i, 1) and (1, 0): sweeping column 0 with row 0 turns row 1 into (0, i).
  double E[] = {0, 1, 1, 0, 1, 0, 0, 0};
  OutputCapture capture;
  ComplexFullSweep(E, 2, 2, 0, 0);
  EXPECT_EQ(capture.printed, "CFS called with Nrow=2, Ncol=2, Sweeprow=0,SweepCol=0\n");
  EXPECT_NEAR(E[4], 0.0, 1e-12);
  EXPECT_NEAR(E[5], 0.0, 1e-12);
  EXPECT_NEAR(E[6], 0.0, 1e-12);
  EXPECT_NEAR(E[7], 1.0, 1e-12);
  double a[] = {2, 0, 1, 1};
  double b[] = {1, 0, 0, 1};
  ComplexVectorSweep(a, b, 2, 0);  // a - 2 b = (0, 1 - i)
  EXPECT_EQ(std::vector<double>(a, a + 4), (std::vector<double>{0, 0, 1, -1}));
}

}  // namespace
