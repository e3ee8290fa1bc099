// Axion data of the boundaries of a real orientifold: the first boundary of every stored
// row (with its sign), the map of a boundary and its image (c(b*) = -c(b), so their rows are
// each other's negatives, and a boundary that is its own image couples to nothing), and the
// charge check of every complex boundary of the quintic, which rebuilds each boundary's
// couplings from the basis rows' first boundaries.
#include <gtest/gtest.h>

#include <complex>
#include <cstdlib>
#include <vector>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "boundaries/CrossBound.h"
#include "search/Axions.h"

namespace {

class AxionBoundariesTest : public ZoqTest {};

using Couplings = std::vector<std::vector<std::complex<double>>>;

TEST_F(AxionBoundariesTest, EveryRowKnowsItsFirstBoundaryAndItsSign) {
  // After the normalisation by the first couplings (boundaries 0 and 1), boundary 2 has the
  // row (-1, 1), stored as (1, -1) with sign -1, and boundary 4 has it with sign +1;
  // boundary 3 couples to nothing.
  const Couplings c = {{{1, 0}, {0, 0}}, {{0, 0}, {1, 0}}, {{-1, 0}, {1, 0}},
                       {{0, 0}, {0, 0}}, {{1, 0}, {-1, 0}}, {{2, 0}, {0, 0}}};
  AxionTable t;
  ASSERT_EQ(AX_buildTable(c, &t, false, nullptr), 2);
  ASSERT_EQ(t.rowBoundary.size(), t.rows.size());
  for (std::size_t r = 0; r < t.rows.size(); ++r) {
    int first = -1;
    for (std::size_t b = 0; b < t.AxionBoundaryMap.size() && first < 0; ++b)
      if (std::abs(t.AxionBoundaryMap[b]) == static_cast<int>(r) + 1) first = static_cast<int>(b);
    ASSERT_GE(first, 0) << r;
    const int sign = t.AxionBoundaryMap[static_cast<std::size_t>(first)] > 0 ? 1 : -1;
    EXPECT_EQ(t.rowBoundary[r], sign * (first + 1)) << r;
  }
  EXPECT_EQ(t.AxionBoundaryMap[3], 0);
  EXPECT_LT(t.AxionBoundaryMap[2], 0);
  EXPECT_EQ(t.AxionBoundaryMap[4], -t.AxionBoundaryMap[2]);
  EXPECT_EQ(t.rowBoundary[static_cast<std::size_t>(-t.AxionBoundaryMap[2] - 1)], -3);
}

TEST_F(AxionBoundariesTest, ImagesHaveOppositeRowsAndEveryComplexBoundaryPassesTheChargeCheck) {
  // The quintic with invariant 4: 160 boundaries, 128 of them complex.
  ASSERT_EQ(run("build cy 33333"), 0);
  ASSERT_EQ(run("select invariant 4"), 0);
  ASSERT_EQ(run("get axionbasis"), 0);
  const AxionTable& t = getAxionTable();
  ASSERT_GE(t.AxionCount, 1);
  const int n = TotalBoundaries();
  ASSERT_EQ(static_cast<int>(t.AxionBoundaryMap.size()), n);
  int complexBoundaries = 0;
  for (int b = 0; b < n; ++b) {
    const int image = BoundaryConjugate(b);
    ASSERT_GE(image, 0) << b;
    if (image == b) {
      EXPECT_EQ(t.AxionBoundaryMap[static_cast<std::size_t>(b)], 0) << b;
      continue;
    }
    ++complexBoundaries;
    EXPECT_EQ(t.AxionBoundaryMap[static_cast<std::size_t>(image)], -t.AxionBoundaryMap[static_cast<std::size_t>(b)])
        << b;
    capture.clear();
    EXPECT_EQ(CheckBoundaryTadpoleCharges(b), 1) << b << capture.all;
  }
  EXPECT_EQ(complexBoundaries, 128);
}

}  // namespace
