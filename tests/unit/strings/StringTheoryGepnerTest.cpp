// The string reading of Gepner models built by "build cy": the spectral-flow current of
// weight 1 (a D5 spinor times the Ramond ground states) and its conjugate extend the D5
// space-time factor to E6 (78 = 45 + 1 + 16 + 16bar), so each chiral half carries N = 1
// in four dimensions and type II on the Calabi-Yau threefold has N = 2. The Hodge numbers
// are read off the massless matrix in E6 classes.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "lie/Branching.h"
#include "runtime/Parameters.h"
#include "strings/OpenReports.h"
#include "strings/StringTheory.h"

namespace {

class StringTheoryGepnerTest : public ZoqTest {
 protected:
  // The block of the current CY tensor product, its space-time algebra in type and rank.
  static const StringBlock* blockWith(int* type, int* rank) {
    const StringBlock* block = getStringData();
    spaceTimeAlgebra(block, type, rank);
    return block;
  }
};

TEST_F(StringTheoryGepnerTest, QuinticIsSupersymmetricWithHodgeNumbersOneAndHundredAndOne) {
  ASSERT_EQ(run("build cy 33333"), 0);
  ASSERT_EQ(getValue(getIntParPointer("Super")), 1);
  int type = 0;
  int rank = 0;
  const StringBlock* block = blockWith(&type, &rank);
  ASSERT_NE(block, nullptr);
  // E6 (type code 5, rank 6), branching to the D5 of the light-cone lattice.
  EXPECT_EQ(type, 5);
  EXPECT_EQ(rank, 6);
  ASSERT_NE(block->spaceTime, nullptr);
  EXPECT_EQ(block->spaceTime->subType, 4);
  EXPECT_EQ(block->spaceTime->subRank, 5);
  EXPECT_EQ(block->spaceTimeDimension, 4);
  // The vacuum is an E6 singlet.
  EXPECT_EQ(getRepInfo(0), (std::array<int, 4>{1, 0, 0, 0}));

  // The diagonal invariant: 4 supercharges on each side; h21 = 101 deformations of the
  // quintic polynomial (degree-5 monomials less those with an exponent of 4 or more:
  // 126 - 25), h11 = 1 Kahler class.
  const std::vector<int> info = getHeteroticSpectrumInfo();
  ASSERT_EQ(info.size(), 8u);
  EXPECT_EQ(info[6], 4);
  EXPECT_EQ(info[7], 4);
  EXPECT_EQ(info[1], 101);
  EXPECT_EQ(info[2], 1);
  // Four dimensions, chiral E6 supersymmetry on both halves.
  capture.clear();
  EXPECT_EQ(CY_Check('B', 1), 1);
  EXPECT_EQ(CY_Check('I', 1), 1);
  EXPECT_EQ(capture.printed, "");
}

TEST_F(StringTheoryGepnerTest, TypeTwoReadingNamesFourSupersymmetriesOnEachHalf) {
  ASSERT_EQ(run("build cy 33333"), 0);
  capture.clear();
  ASSERT_EQ(run("browse type-II"), 0);
  EXPECT_NE(capture.all.find("Left : 4 supersymmetries (E6)"), std::string::npos) << capture.all;
  EXPECT_NE(capture.all.find("Right: 4 supersymmetries (E6)"), std::string::npos);
  EXPECT_EQ(capture.all.find("Fermionic Non-susy"), std::string::npos);
  EXPECT_EQ(capture.all.find("tachyon-free"), std::string::npos);
}

}  // namespace
