// The double-tag loop search on equations of mixed signs: its loops run inside the box of
// the record and every equation narrows them, so the full search ends with its double-tag
// analysis and the solutions of the lean one.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "program/Boot.h"
#include "solver/Equations.h"
#include "TestSupport.h"

namespace {

using Point = std::vector<int>;

std::vector<Point> accepted;
int acceptAll(int* candidate) {
  accepted.emplace_back(candidate, candidate + 6);
  return 1;
}

// 4x0 + 3x1 + 4x2 - 3x3 + x4 = 7 and -3x0 + 2x1 - 3x3 + 3x4 = 9 in [0, 3]^5.
const double kRows[2][6] = {{4, 3, 4, -3, 1, -7}, {-3, 2, 0, -3, 3, -9}};
constexpr int kN = 6;

struct MixedSystem {
  EquationData ED{"TestEquations.Equations", "TestEquations.Bounds"};
  KernelData KD;
  MixedSystem() {
    EXPECT_EQ(setEquationDataSize(&ED, kN, 2, 5000), 1);
    for (int r = 0; r < 2; ++r) std::copy(kRows[r], kRows[r] + kN, equationRow(&ED, r));
    for (int i = 0; i + 1 < kN; ++i) {
      ED.minima[i] = 0;
      ED.maxima[i] = 3;
    }
    EXPECT_NE(getIndependentEquations(&ED, nullptr), -1);
    ED.nanalysed = 0;
    initKernelData(&KD, &ED);
  }
  int search(int full, int verbosity) {
    std::copy(ED.minima, ED.minima + kN, ED.loopMinima);
    std::copy(ED.maxima, ED.maxima + kN, ED.loopMaxima);
    accepted.clear();
    InitializeEquationSolver();
    return DiophLoops(&KD, &ED, ED.loopMinima, ED.loopMaxima, verbosity, 1000000, nullptr,
                      acceptAll, full, 0);
  }
};

class EquationsDoubleTagTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

TEST_F(EquationsDoubleTagTest, MixedSignsFinishTheDoubleTagAnalysisWithTheLeanSolutions) {
  // The only point of the box: x2 = 1, x4 = 3 (by enumeration of the 4^5 points).
  const std::set<Point> solutions = {{0, 0, 1, 0, 3, 1}};
  MixedSystem lean;
  EXPECT_EQ(lean.search(0, 0), -4);
  EXPECT_EQ(std::set<Point>(accepted.begin(), accepted.end()), solutions);

  MixedSystem full;
  OutputCapture capture;
  EXPECT_EQ(full.search(1, 1), -4);
  EXPECT_EQ(std::set<Point>(accepted.begin(), accepted.end()), solutions);
  EXPECT_NE(capture.printed.find("Starting double tag kernel analysis (loop search)"),
            std::string::npos);
  EXPECT_EQ(capture.diagnostics.find("This takes too long"), std::string::npos);
  EXPECT_EQ(capture.printed.find("This takes too long"), std::string::npos);
  EXPECT_NE(capture.printed.find("Summary of all solutions"), std::string::npos);
  EXPECT_NE(capture.printed.find("Unique"), std::string::npos);

  // No vector with -1 at two tags and the other entries in 0..3 solves both homogeneous
  // rows (the 10 x 4^3 candidates enumerated), so the analysis ends without one.
  EXPECT_EQ(full.KD.ndoubletag, 0);

  // Each double-tag vector is a kernel vector: -1 at its two tags, the other entries
  // within the ranges 0..3 of the box, and homogeneous solutions of both rows.
  for (int v = full.KD.nprimary; v < full.KD.nprimary + full.KD.ndoubletag; ++v) {
    const int* row = kernelRow(&full.KD, v);
    int tags = 0;
    for (int i = 0; i + 1 < kN; ++i) {
      if (row[i] == -1) {
        ++tags;
      } else {
        EXPECT_GE(row[i], 0);
        EXPECT_LE(row[i], 3);
      }
    }
    EXPECT_EQ(tags, 2);
    EXPECT_EQ(row[kN - 1], 0);
    for (const auto& equation : kRows) {
      double sum = 0;
      for (int i = 0; i + 1 < kN; ++i) sum += equation[i] * row[i];
      EXPECT_NEAR(sum, 0.0, 1e-9);
    }
  }
}

// A double-tag vector must deform a point of the box into another: 2 x0 + 2 x1 + x2 = 0
// has -e0 - e1 + 4 e2, which no box with x2 below 4 can use (the other pairs of tags
// leave an odd sum).
TEST_F(EquationsDoubleTagTest, EntriesStayWithinTheRangesOfTheBox) {
  EquationData ED{"TestEquations.Equations", "TestEquations.Bounds"};
  KernelData KD;
  ASSERT_EQ(setEquationDataSize(&ED, 4, 1, 5000), 1);
  const double row[4] = {2, 2, 1, 0};
  std::copy(row, row + 4, equationRow(&ED, 0));
  const int min[4] = {0, 0, 0, 1};
  const int wide[4] = {3, 3, 4, 1};
  const int narrow[4] = {3, 3, 3, 1};
  ASSERT_NE(getIndependentEquations(&ED, nullptr), -1);
  initKernelData(&KD, &ED);
  InitializeEquationSolver();
  DoubleTagKernelLoops(&KD, &ED, 100000, 0, min, wide);
  ASSERT_EQ(KD.ndoubletag, 1);
  EXPECT_EQ(Point(kernelRow(&KD, 0), kernelRow(&KD, 0) + 4), (Point{-1, -1, 4, 0}));

  initKernelData(&KD, &ED);
  InitializeEquationSolver();
  DoubleTagKernelLoops(&KD, &ED, 100000, 0, min, narrow);
  EXPECT_EQ(KD.ndoubletag, 0);
}

}  // namespace
