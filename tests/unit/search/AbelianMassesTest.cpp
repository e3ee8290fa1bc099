// Masses of abelian vectors from axion couplings: the mass of the hypercharge combination
// and the number of massless U(1)s besides it.
#include <gtest/gtest.h>

#include <complex>
#include <random>
#include <vector>

#include "TestSupport.h"
#include "search/AbelianMasses.h"

namespace {

class AbelianMassesTest : public ZoqTest {};

using Couplings = std::vector<std::vector<std::complex<double>>>;

TEST_F(AbelianMassesTest, WithoutAxionsEveryU1IsMassless) {
  // Y on a unitary stack: the count besides Y is stacks - 1; Y all zero: all stacks.
  EXPECT_EQ(masslessAbelianVectorCount({}, {1, 0, -1, 0}), 3);
  EXPECT_EQ(masslessAbelianVectorCount({}, {0, 0, 0}), 3);
  EXPECT_EQ(abelianMass({}, {}, {1, 2, 3}), 0.0);
}

TEST_F(AbelianMassesTest, CouplingsGiveMass) {
  // One axion coupling to stacks a and b with 1 and 1: Y = a - b is massless, a + b is not.
  const Couplings c = {{{1.0, 0.0}, {1.0, 0.0}}};
  EXPECT_EQ(abelianMass(c, {1.0}, {1, -1}), 0.0);
  EXPECT_DOUBLE_EQ(abelianMass(c, {1.0}, {1, 1}), -4.0);  // -(Re S^2) with S = 2
  // Besides Y = a - b nothing is massless: two stacks, rank 2 (normalisation + axion).
  EXPECT_EQ(masslessAbelianVectorCount(c, {1, -1}), 0);
  // Y zero: a - b survives.
  EXPECT_EQ(masslessAbelianVectorCount(c, {0, 0}), 1);
}

TEST_F(AbelianMassesTest, MasslessCountIsAtLeastStacksMinusAxions) {
  // Real couplings after the phase is removed: the mass matrix has rank <= number of axions.
  std::mt19937 random(20261207);
  std::uniform_int_distribution<int> entry(-3, 3);
  for (int trial = 0; trial < 200; ++trial) {
    const int stacks = 1 + trial % 6, axions = trial % 5;
    Couplings c(static_cast<std::size_t>(axions));
    for (auto& row : c)
      for (int x = 0; x < stacks; ++x) row.emplace_back(entry(random), 0.0);
    const int count = masslessAbelianVectorCount(c, std::vector<int>(static_cast<std::size_t>(stacks), 0));
    EXPECT_GE(count, stacks - axions) << trial;
    EXPECT_LE(count, stacks) << trial;
    if (axions == 0) {
      EXPECT_EQ(count, stacks);
    }
  }
}

TEST_F(AbelianMassesTest, RankOfRealRows) {
  EXPECT_EQ(realRank({}), 0);
  EXPECT_EQ(realRank({{1, 2}, {2, 4}}), 1);
  EXPECT_EQ(realRank({{1, 2, 3}, {0, 1, 1}, {1, 3, 4}}), 2);
  EXPECT_EQ(realRank({{0, 0}, {0, 0}}), 0);
}

}  // namespace
