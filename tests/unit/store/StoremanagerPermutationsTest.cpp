// Integer-spin current permutations of a stored theory: the identity row alone for a
// current group without automorphisms, rows (0) for a list of one current, and conjugation
// on the currents of SU(3) level 1.
#include <gtest/gtest.h>

#include <vector>

#include "TestSupport.h"
#include "program/Boot.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"

namespace {

class StoremanagerPermutations : public ZoqTest {};

TEST_F(StoremanagerPermutations, ACyclicGroupOfOrderTwoHasTheIdentityRowAlone) {
  // Z2 has no automorphism but the identity.
  const std::vector<std::vector<int>> rows =
      SM_getIntegerSpinPermutations(SM_getData(1, 1, 4), {0, 1});
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (std::vector<int>{0, 1}));
}

TEST_F(StoremanagerPermutations, OneCurrentGivesRowsOfOneEntry) {
  // SU(3) level 1: Z3 has the identity and the inversion (charge conjugation).
  const std::vector<std::vector<int>> rows =
      SM_getIntegerSpinPermutations(SM_getData(1, 2, 1), {0});
  ASSERT_EQ(rows.size(), 2u);
  for (const std::vector<int>& row : rows) EXPECT_EQ(row, std::vector<int>{0});
}

TEST_F(StoremanagerPermutations, ConjugationExchangesTheTwoNonTrivialCurrentsOfSU3) {
  const std::vector<std::vector<int>> rows =
      SM_getIntegerSpinPermutations(SM_getData(1, 2, 1), {0, 1, 2});
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(rows[1], (std::vector<int>{0, 2, 1}));
  EXPECT_TRUE(SM_getIntegerSpinPermutations(nullptr, {0}).empty());
}

}  // namespace
