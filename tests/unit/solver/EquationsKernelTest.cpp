// Kernel vectors: the record's layout, the candidate orders, the direct and loop searches,
// the loop bound, and the capacity limit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program/Boot.h"
#include "runtime/SystemUtility.h"
#include "solver/Equations.h"
#include "TestSupport.h"

namespace {

class EquationsKernelTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }

  // One system of equations (rows of N entries, the constant last) with per-variable
  // bounds; the independent equations are built and the kernel record initialised.
  void setUpSystem(const std::vector<std::vector<double>>& rows, const std::vector<int>& lo,
                   const std::vector<int>& hi) {
    int N = static_cast<int>(lo.size()) + 1;
    int neq = static_cast<int>(rows.size());
    ASSERT_EQ(setEquationDataSize(&ED, N, neq, 5000), 1);
    for (int r = 0; r < neq; ++r) {
      for (int j = 0; j < N; ++j) equationRow(&ED, r)[j] = rows[r][j];
    }
    for (int i = 0; i + 1 < N; ++i) {
      ED.minima[i] = lo[i];
      ED.maxima[i] = hi[i];
    }
    ASSERT_GE(getIndependentEquations(&ED, nullptr), 0);
    initKernelData(&KD, &ED);
  }
  std::vector<int> kernelVector(int i) const {
    const int* row = kernelRow(&KD, i);
    return std::vector<int>(row, row + KD.N);
  }

  EquationData ED;
  KernelData KD;
};

TEST_F(EquationsKernelTest, TheRecordIsLaidOutForTheSolutionSpace) {
  setUpSystem({{1, 1, 1, 1, -3}}, {0, 0, 0, 0}, {3, 3, 3, 3});
  EXPECT_EQ(KD.N, 5);
  EXPECT_EQ(KD.capacity, 3);  // 4 variables, 1 independent equation
  EXPECT_EQ(KD.count, 0);
  EXPECT_EQ(KD.nprimary, 0);
  EXPECT_EQ(KD.npairs, 0);
  // Kernel rows (capacity + 1 of them), the second matrix and the tags come in this order.
  EXPECT_EQ(KD.second, kernelRow(&KD, 4));
  EXPECT_EQ(KD.tag, KD.second + 4 * 5);
  EXPECT_EQ(KD.istag, KD.tag + 4);
  EXPECT_EQ(KD.spare, KD.istag + 6 * 5);
  EXPECT_GE(KD.Kernel.capacity(), static_cast<std::size_t>(300000));
  // Without independent equations every variable is free; at least one vector fits.
  setUpSystem({}, {0}, {1});
  EXPECT_EQ(KD.capacity, 1);
}

TEST_F(EquationsKernelTest, PrimaryTagsComeByDecreasingRange) {
  setUpSystem({}, {0, 0, 0, 0}, {5, 9, 9, 2});
  std::vector<int> order;
  int prev = -1;
  int t = 0;
  while ((t = nextPrimaryTag(&KD, ED.minima, ED.maxima, 0, prev, 4)) >= 0) {
    order.push_back(t);
    prev = t;
  }
  EXPECT_EQ(order, (std::vector<int>{1, 2, 0, 3}));
  KD.istag[2] = 1;  // tags are passed over
  EXPECT_EQ(nextPrimaryTag(&KD, ED.minima, ED.maxima, 0, 1, 4), 0);
}

TEST_F(EquationsKernelTest, PositiveCandidatesComeInTwoPasses) {
  setUpSystem({}, {0, 0, 0, 0, 0}, {1, 1, 1, 1, 1});
  KD.positive[3] = 1;
  KD.positive[1] = 1;
  KD.istag[4] = 1;
  int list[] = {1};
  int pass = 0;
  std::vector<int> order;
  int prev = -1;
  int v = 0;
  while ((v = nextPositive(&KD, -1, prev, 0, list, 1, 5, &pass)) >= 0) {
    order.push_back(v);
    prev = v;
  }
  // First those with a positive entry (3; 1 is listed), then the others (2); never the
  // tag 4 or the primary 0.
  EXPECT_EQ(order, (std::vector<int>{3, 2}));
  EXPECT_EQ(pass, 0);
}

TEST_F(EquationsKernelTest, SecondaryCandidatesPreferVariablesStartingAtZero) {
  setUpSystem({}, {0, 1, 0, 0, 0}, {2, 3, 0, 4, 2});
  KD.positive[4] = 1;
  int pass = 0;
  std::vector<int> order;
  int prev = -1;
  int v = 0;
  while ((v = nextSecondaryTag(&KD, ED.minima, ED.maxima, -1, prev, 0, 5, &pass)) >= 0) {
    order.push_back(v);
    prev = v;
  }
  // First pass: min 0 and max non-zero (3); second: the rest (1 and 2); never 4, which
  // has a positive entry, nor the primary 0.
  EXPECT_EQ(order, (std::vector<int>{3, 1, 2}));
}

TEST_F(EquationsKernelTest, DoubletOfIdenticalColumns) {
  // Variables 1 and 2 have the same column: x0 + 2 x1 + 2 x2 - 4 = 0, ranges 3, 9, 5.
  setUpSystem({{1, 2, 2, -4}}, {0, 0, 0}, {3, 9, 5});
  OutputCapture capture;
  KernelDoublets(&KD, &ED, ED.minima, ED.maxima, 2);
  ASSERT_EQ(KD.count, 1);
  EXPECT_EQ(KD.nprimary, 1);
  EXPECT_EQ(kernelVector(0), (std::vector<int>{0, -1, 1, 0}));
  EXPECT_EQ(KD.tag[0], 1);
  EXPECT_EQ(KD.istag[1], 1);
  EXPECT_EQ(KD.positive[2], 1);
  EXPECT_EQ(capture.printed, "Kernel vector 0 added; Tags label 1\n");

  int min[] = {0, 0, 0, 1};
  int max[] = {3, 9, 5, 1};
  FixBoundsUsingKernel(&KD, min, max);
  EXPECT_EQ(std::vector<int>(max, max + 4), (std::vector<int>{3, 0, 5, 1}));
  EXPECT_EQ(std::vector<int>(min, min + 4), (std::vector<int>{0, 0, 0, 1}));
}

TEST_F(EquationsKernelTest, TripletsAndQuadruplets) {
  // Column 0 is the sum of columns 1 and 2: -e0 + e1 + e2 is in the kernel.
  setUpSystem({{3, 1, 2, -6}}, {0, 0, 0}, {5, 2, 2});
  KernelDoublets(&KD, &ED, ED.minima, ED.maxima, 0);
  EXPECT_EQ(KD.count, 0);
  KernelTriplets(&KD, &ED, ED.minima, ED.maxima, 0);
  ASSERT_EQ(KD.count, 1);
  EXPECT_EQ(kernelVector(0), (std::vector<int>{-1, 1, 1, 0}));
  // Column 0 is the sum of columns 1, 2 and 3.
  setUpSystem({{3, 1, 1, 1, -6}, {1, 0, 0, 0, -2}}, {0, 0, 0, 0}, {6, 1, 1, 1});
  KernelQuadruplets(&KD, &ED, ED.minima, ED.maxima, 0);
  EXPECT_EQ(KD.count, 0);  // the second equation rules it out
  setUpSystem({{3, 1, 1, 1, -6}}, {0, 0, 0, 0}, {6, 1, 1, 1});
  KernelQuadruplets(&KD, &ED, ED.minima, ED.maxima, 0);
  ASSERT_EQ(KD.count, 1);
  EXPECT_EQ(kernelVector(0), (std::vector<int>{-1, 1, 1, 1, 0}));
}

TEST_F(EquationsKernelTest, DoubleQuadrupletsRegisterTheirPairs) {
  // Columns 0 + 1 = columns 2 + 3: -e0 - e1 + e2 + e3.
  setUpSystem({{1, 2, 1, 2, -6}}, {0, 0, 0, 0}, {4, 3, 2, 2});
  OutputCapture capture;
  KernelDoubleQuadruplets(&KD, &ED, ED.minima, ED.maxima, 2);
  ASSERT_EQ(KD.count, 1);
  EXPECT_EQ(KD.ndoubletag, 1);
  EXPECT_EQ(KD.nprimary, 0);
  EXPECT_EQ(kernelVector(0), (std::vector<int>{-1, -1, 1, 1, 0}));
  EXPECT_EQ(KD.istag[0], 1);
  EXPECT_EQ(KD.istag2[1], 1);
  ASSERT_EQ(KD.npairs, 2);
  EXPECT_EQ(KD.pairFirst[0], 0);
  EXPECT_EQ(KD.pairSecond[0], 1);
  EXPECT_EQ(KD.pairFirst[1], 1);
  EXPECT_EQ(KD.pairSecond[1], 0);
  EXPECT_EQ(capture.printed, "Kernel vector 0 added; Tags labels 0 and 1\n");
}

TEST_F(EquationsKernelTest, ColumnChecksWithoutEquationsHold) {
  double rows[] = {1, 2, 3};
  EXPECT_EQ(checkDoublet(rows, 0, 3, 0, 1), 1);
  EXPECT_EQ(checkDoublet(rows, 1, 3, 0, 1), 0);
  EXPECT_EQ(checkTriplet(rows, 1, 3, 2, 0, 1), 1);
  EXPECT_EQ(checkDoubleQuadruplet(rows, 1, 3, 0, 1, 2, 2), 0);
}

TEST_F(EquationsKernelTest, SolveHomogeneousFindsOneVectorPerTag) {
  // x0 + x1 - 2 x2 = 0: with the tag 0 at -1 the first point is x1 = 1.
  setUpSystem({{1, 1, -2, 0}}, {0, 0, 0}, {5, 5, 5});
  OutputCapture capture;
  EXPECT_EQ(SolveHomogeneous(&KD, &ED, ED.minima, ED.maxima, 2, 100000), 1);
  EXPECT_EQ(kernelVector(0), (std::vector<int>{-1, 1, 0, 0}));
  EXPECT_EQ(KD.tag[0], 0);
  EXPECT_EQ(KD.positive[1], 1);
  EXPECT_EQ(KD.positive[2], 0);
  EXPECT_EQ(capture.printed, "Kernel vector 0 added; Tags label 0\n");
}

TEST_F(EquationsKernelTest, SolveHomogeneousWithoutVectorsSaysSoForEveryTag) {
  // The homogeneous part of x0 + 5 x1 - 3 = 0 needs x0 = 5 or 5 x1 = 1: nothing in 0..3.
  setUpSystem({{1, 5, -3}}, {0, 0}, {10, 10});
  OutputCapture capture;
  EXPECT_EQ(SolveHomogeneous(&KD, &ED, ED.minima, ED.maxima, 3, 100000), 0);
  EXPECT_NE(capture.printed.find("  No kernel vector for label 0\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("  No kernel vector for label 1\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("  Starting Kernel analysis for variable 0\n"), std::string::npos);
}

TEST_F(EquationsKernelTest, SolveHomogeneousStopsAtTheLimit) {
  setUpSystem({{1, 1, -2, 0}}, {0, 0, 0}, {5, 5, 5});
  OutputCapture capture;
  // A limit of 0 points stops every tag at once.
  EXPECT_EQ(SolveHomogeneous(&KD, &ED, ED.minima, ED.maxima, 3, 0), 0);
  EXPECT_NE(capture.printed.find("  Kernel vector search for label 0 stopped\n"),
            std::string::npos);
}

TEST_F(EquationsKernelTest, DoubleTagLoopsFindTwoTags) {
  // x0 + x1 + 2 x2 - 4 = 0: with x0 = x1 = -1 the kernel needs x2 = 1.
  setUpSystem({{1, 1, 2, -4}}, {0, 0, 0}, {4, 4, 2});
  OutputCapture capture;
  EXPECT_EQ(DoubleTagKernelLoops(&KD, &ED, 100000, 3, ED.minima, ED.maxima), 1);
  ASSERT_EQ(KD.ndoubletag, 1);
  EXPECT_EQ(kernelVector(0), (std::vector<int>{-1, -1, 1, 0}));
  EXPECT_EQ(KD.npairs, 2);
  EXPECT_EQ(KD.positive[2], 1);
  EXPECT_NE(capture.printed.find("  Starting two-label kernel analysis for variables 0,1\n"),
            std::string::npos);
  EXPECT_NE(capture.printed.find("Kernel vector 0 added; Tags labels 0 and 1\n"),
            std::string::npos);
}

// A processor clock that runs 100 seconds per reading.
long long hundredSecondsPerReading() {
  static long long now = 0;
  return now += 100000000;
}

TEST_F(EquationsKernelTest, DoubleTagLoopsStopAfterTwoMinutes) {
  setUpSystem({{1, 1, 2, -4}}, {0, 0, 0}, {4, 4, 2});
  setClockSource(hundredSecondsPerReading);
  OutputCapture capture;
  // The start, then 100 seconds at the first label and 200 at the second.
  EXPECT_EQ(DoubleTagKernelLoops(&KD, &ED, 100000, 0, ED.minima, ED.maxima), 1);
  setClockSource(nullptr);
  EXPECT_EQ(KD.ndoubletag, 1);  // the pair of label 0 was still searched
  EXPECT_NE(capture.diagnostics.find("This takes too long; stopping at i=1 (out of 3)"),
            std::string::npos);
}

TEST_F(EquationsKernelTest, KernelBoundSkipsZeroAndNegativeCoefficients) {
  // x0 + x2 - 2 = 0: x1 has coefficient 0, so -e1 is in the kernel; the loop bound may not
  // divide by that 0. Tag 0 (first on the ties) gives -e0 + e2, tag 1 gives -e1.
  setUpSystem({{1, 0, 1, -2}}, {0, 0, 0}, {4, 4, 4});
  EXPECT_EQ(SolveHomogeneous(&KD, &ED, ED.minima, ED.maxima, 0, 100000), 2);
  EXPECT_EQ(kernelVector(0), (std::vector<int>{-1, 0, 1, 0}));
  EXPECT_EQ(kernelVector(1), (std::vector<int>{0, -1, 0, 0}));
  // x0 - x1 + 2 x2 - 3 = 0 with the tag 0: only (-1, 1, 1) solves -1 - x1 + 2 x2 = 0 in the
  // box, with the partial sums -1, -2, 0. Capping x1 by the negative coefficient would
  // force x1 = 0 and lose it.
  setUpSystem({{1, -1, 2, -3}}, {0, 0, 0}, {9, 3, 3});
  EXPECT_EQ(SolveHomogeneous(&KD, &ED, ED.minima, ED.maxima, 0, 100000), 1);
  EXPECT_EQ(kernelVector(0), (std::vector<int>{-1, 1, 1, 0}));
}

TEST_F(EquationsKernelTest, SweepAndPositiveMarks) {
  setUpSystem({}, {0, 0, 0}, {3, 3, 3});
  int* first = kernelRow(&KD, 0);
  int* second = kernelRow(&KD, 1);
  int u[] = {-1, 1, 2, 0};
  int v[] = {0, 0, -1, 0};
  std::copy(u, u + 4, first);
  std::copy(v, v + 4, second);
  KD.tag[0] = 0;
  KD.tag[1] = 2;
  KD.count = 2;
  sweepKernel(&KD, 4);
  // u[2] = 2 >= 1: u gets v added once.
  EXPECT_EQ(kernelVector(0), (std::vector<int>{-1, 1, 1, 0}));
  EXPECT_EQ(kernelVector(1), (std::vector<int>{0, 0, -1, 0}));
  resetPositiveUsed(&KD, 4);
  EXPECT_EQ(std::vector<int>(KD.positive, KD.positive + 4), (std::vector<int>{0, 1, 1, 0}));
}

TEST_F(EquationsKernelTest, PrintingKernelVectors) {
  OutputCapture capture;
  int v[] = {-1, 0, 2, 0};
  printKernelVector(4, v, "Relevant kernel vector:");
  EXPECT_EQ(capture.printed, "Relevant kernel vector:  0:-1 2:2\n");
  capture.clear();
  int zero[] = {0, 0};
  printKernelVector(2, zero, "Unique solution: ");
  EXPECT_EQ(capture.printed, "Unique solution:   trivial\n");
  capture.clear();
  setUpSystem({{1, 2, 2, -4}}, {0, 0, 0}, {3, 9, 5});
  KernelDoublets(&KD, &ED, ED.minima, ED.maxima, 0);
  printKernel(&KD, 4, 0, KD.count);
  EXPECT_EQ(capture.printed, "Nr.  0:   1:-1 2:1\n");
}

TEST_F(EquationsKernelTest, VectorsBeyondTheCapacityAreReportedAndKeptInBounds) {
  static int dumps = 0;
  dumps = 0;
  setEquationDumpFunction([] { ++dumps; });
  // One free dimension: x0 + x1 - 2 = 0 has capacity 1 and room for 2 rows.
  setUpSystem({{1, 1, -2}}, {0, 0}, {2, 2});
  ASSERT_EQ(KD.capacity, 1);
  OutputCapture capture;
  int v[] = {-1, 1, 0};
  addDoubleTagKernelVector(&KD, v, 3, 0, 1, 0);
  EXPECT_EQ(KD.count, 1);
  EXPECT_EQ(capture.diagnostics, "");
  addDoubleTagKernelVector(&KD, v, 3, 0, 1, 0);  // the spare row takes it
  EXPECT_EQ(KD.count, 2);
  EXPECT_EQ(dumps, 1);
  EXPECT_NE(capture.diagnostics.find("Too many kernel vectors"), std::string::npos);
  int* afterRows = KD.second;
  int before = afterRows[0];
  addDoubleTagKernelVector(&KD, v, 3, 0, 1, 0);  // no row left: dropped
  EXPECT_EQ(KD.count, 2);
  EXPECT_EQ(dumps, 2);
  EXPECT_EQ(afterRows[0], before);
}

TEST_F(EquationsKernelTest, SearchesRefuseAnUninitialisedKernel) {
  OutputCapture capture;
  ASSERT_EQ(setEquationDataSize(&ED, 3, 1, 5000), 1);
  KernelDoublets(&KD, &ED, ED.minima, ED.maxima, 0);
  EXPECT_EQ(KD.count, 0);
  EXPECT_NE(capture.diagnostics.find("The kernel record is not set up for this equation system"),
            std::string::npos);
}

}  // namespace
