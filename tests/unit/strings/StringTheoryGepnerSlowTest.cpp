// The string reading of larger Gepner models (slow in a debug build): the same D5 and
// minimal-model factors without the supersymmetry extension stay non-supersymmetric, and
// the weighted hypersurface (4,4,10,10) gets E6 on both halves and its Hodge numbers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "strings/OpenReports.h"
#include "strings/StringTheory.h"

namespace {

class StringTheoryGepnerSlowTest : public ZoqTest {
 protected:
  static const StringBlock* blockWith(int* type, int* rank) {
    const StringBlock* block = getStringData();
    spaceTimeAlgebra(block, type, rank);
    return block;
  }
};

TEST_F(StringTheoryGepnerSlowTest, WithoutTheSpectralFlowTheD5FactorStaysAndNothingIsSupersymmetric) {
  // The same factors without the supersymmetry extension: no spinor current of weight 1,
  // so the space-time algebra is the bare D5 and no half counts supercharges.
  ASSERT_EQ(run("build non 33333"), 0);
  ASSERT_EQ(run("compute spectrum"), 0);
  int type = 0;
  int rank = 0;
  const StringBlock* block = blockWith(&type, &rank);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(type, 4);
  EXPECT_EQ(rank, 5);
  const std::vector<int> info = getHeteroticSpectrumInfo();
  ASSERT_EQ(info.size(), 8u);
  EXPECT_EQ(info[6], 0);
  EXPECT_EQ(info[7], 0);
  capture.clear();
  EXPECT_EQ(CY_Check('B', 1), 0);
  EXPECT_EQ(capture.printed, "Left susy is not chiral\n");
}

TEST_F(StringTheoryGepnerSlowTest, WeightedHypersurfaceHasHodgeNumbersTwoAndHundredTwentyEight) {
  // Levels (4,4,10,10): P(1,1,2,2,6)[12], (h11, h21) = (2, 128), Euler number -252.
  ASSERT_EQ(run("build cy 441010"), 0);
  int type = 0;
  int rank = 0;
  ASSERT_NE(blockWith(&type, &rank), nullptr);
  EXPECT_EQ(type, 5);
  EXPECT_EQ(rank, 6);
  const std::vector<int> info = getHeteroticSpectrumInfo();
  ASSERT_EQ(info.size(), 8u);
  EXPECT_EQ(info[6], 4);
  EXPECT_EQ(info[7], 4);
  EXPECT_EQ(info[1], 128);
  EXPECT_EQ(info[2], 2);
  EXPECT_EQ(2 * (info[2] - info[1]), -252);
}

}  // namespace
