// Hidden-sector helpers: group dimensions and ranks of the Chan-Paton codes, the brane
// count of a list, statistics rows, and the remaining tension of E8 at level 1, where
// R(0, 0) = U(0) = 1, so rhs = -4 + N for N branes on boundary 0.
#include <gtest/gtest.h>

#include <cmath>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "strings/HiddenSector.h"

namespace {

class IntersectionHiddenTest : public ZoqTest {};

TEST_F(IntersectionHiddenTest, DimensionAndRankOfSpUnitaryAndOrthogonalCodes) {
  int d = -1, r = -1;
  // Sp(8): rank 4, dimension 4 * 9.
  getDimensionAndRank({10008}, &d, &r);
  EXPECT_EQ(r, 4);
  EXPECT_EQ(d, 36);
  // U(3): rank 3, dimension 9.
  getDimensionAndRank({20003}, &d, &r);
  EXPECT_EQ(r, 3);
  EXPECT_EQ(d, 9);
  // SO(10): rank 5, dimension 45; SO(7): rank 3, dimension 21.
  getDimensionAndRank({30010}, &d, &r);
  EXPECT_EQ(r, 5);
  EXPECT_EQ(d, 45);
  getDimensionAndRank({30007}, &d, &r);
  EXPECT_EQ(r, 3);
  EXPECT_EQ(d, 21);
  // Group-type codes of boundaries are no group codes.
  for (int code : {-1, 0, 1, 2, 10000, 20000, 30000}) {
    getDimensionAndRank({code}, &d, &r);
    EXPECT_EQ(d, 0) << code;
    EXPECT_EQ(r, 0) << code;
  }
}

TEST_F(IntersectionHiddenTest, BraneCountAndStatisticsRows) {
  const int list[5] = {3, 2, 0, 4, 1};
  EXPECT_EQ(getNumberOfBranes(list, 5), 2);
  EXPECT_EQ(getNumberOfBranes(list, 2), 2);
  EXPECT_EQ(getNumberOfBranes(list + 3, 2), 2);
  const int zero[3] = {0, 0, 0};
  printStatisticsRow(7, 3, zero);
  EXPECT_EQ(capture.printed, "");
  const int counts[3] = {1, 0, 12};
  printStatisticsRow(7, 3, counts);
  EXPECT_EQ(capture.printed, "    7:      1      0     12 \n");
}

TEST_F(IntersectionHiddenTest, RemainingTensionOfE8) {
  ASSERT_EQ(run("algebra e 8 1"), 0);
  ASSERT_EQ(run("select orientifold 0"), 0);
  capture.clear();
  const int labels[1] = {0};
  const int three[1] = {3};
  EXPECT_NEAR(computeTadpoleRHS(0, 0, labels, three), -4.0, 1e-9);
  EXPECT_NEAR(computeTadpoleRHS(0, 1, labels, three), -1.0, 1e-9);
  EXPECT_TRUE(silent());
  // One brane fits into rhs = -1 (t = 1 - 1e-7), none into rhs = -0.5.
  EXPECT_EQ(failsTension(0, 0, -1.0), 0);
  EXPECT_EQ(failsTension(0, -1, -0.5), 1);
  // Five branes exceed the tension by one.
  const int five[1] = {5};
  EXPECT_NEAR(computeTadpoleRHS(0, 1, labels, five), 1.0, 1e-9);
  EXPECT_EQ(capture.stdoutText.rfind("ori 0, Nfix=1\n", 0), 0u);
  EXPECT_TRUE(alerted("Tadpole bound violation"));
}

}  // namespace
