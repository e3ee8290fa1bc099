// Fixed-point data and symmetries of the current stored theory: the outer automorphisms of
// the current group as current permutations, fixed-point currents and shifts, the validity
// level, and the exceptional simple currents read off the first row of S.
#include <set>
#include <string>
#include <vector>

#include "collections/VectorSpace.h"
#include "modular/Modular.h"
#include "ModularTestSupport.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "TestSupport.h"

using namespace modular_test;

namespace {

class ModularFixedPointsTest : public ZoqTest {};

const int* row(const VectorSpace* space, int p) {
  return space->Space + static_cast<std::size_t>(p) * static_cast<std::size_t>(space->rowsize);
}

}  // namespace

TEST_F(ModularFixedPointsTest, TrialityPermutesTheThreeNonTrivialCurrentsOfD4) {
  // D4 level 1: centre Z2 x Z2, outer automorphisms S3 acting on the three currents.
  ASSERT_NE(useTheory(4, 4, 1), nullptr);
  EXPECT_EQ(MOD_TotalOuterAutomorphisms(), 6);
  const VectorSpace* space = MOD_getCurrentOuterAutomorphisms();
  ASSERT_NE(space, nullptr);
  ASSERT_EQ(space->Nfill, 6);
  std::set<std::vector<int>> rows;
  for (int p = 0; p < 6; ++p) {
    std::vector<int> r(row(space, p), row(space, p) + 4);
    EXPECT_EQ(r[0], 0) << p;
    rows.insert(r);
    for (int J = 0; J < 4; ++J) EXPECT_EQ(MOD_getCurrentPermutation(p, J), r[static_cast<std::size_t>(J)]);
  }
  // Six distinct permutations of {1, 2, 3}: the whole of S3.
  EXPECT_EQ(rows.size(), 6u);
  EXPECT_EQ(MOD_getCurrentPermutation(-1, 0), 6);
}

TEST_F(ModularFixedPointsTest, ComplexTheoriesHaveConjugationAsSecondPermutation) {
  // SU(3) level 1: currents 1 and 2 are each other's conjugates.
  ASSERT_NE(useTheory(1, 2, 1), nullptr);
  ASSERT_EQ(MOD_TotalOuterAutomorphisms(), 2);
  EXPECT_EQ(MOD_getCurrentPermutation(0, 1), 1);
  EXPECT_EQ(MOD_getCurrentPermutation(1, 1), 2);
  EXPECT_EQ(MOD_getCurrentPermutation(1, 2), 1);
  // A1 level 3 is real with a Z2 centre: only the identity.
  ASSERT_NE(useTheory(1, 1, 3), nullptr);
  EXPECT_EQ(MOD_TotalOuterAutomorphisms(), 1);
  EXPECT_EQ(MOD_getCurrentPermutation(0, 1), 1);
  capture.clear();
  EXPECT_EQ(MOD_getCurrentPermutation(1, 1), -1);
  EXPECT_TRUE(alerted("No permutation 1 of current 1"));
  EXPECT_EQ(MOD_getCurrentPermutation(0, 2), -1);
  EXPECT_TRUE(alerted("No permutation 0 of current 2"));
}

TEST_F(ModularFixedPointsTest, FixedPointCurrentsAndShiftsOfA1) {
  // The current of A1 level k fixes the field k/2 exactly when k is even.
  SpectrumData* even = useTheory(1, 1, 4);
  ASSERT_NE(even, nullptr);
  EXPECT_EQ(MOD_fixedPointCurrent(1), 1);
  EXPECT_EQ(MOD_getFCFTshift(0), 0);
  EXPECT_EQ(MOD_getFCFTshift(1), SM_getFCFTshift(even, 1));
  EXPECT_EQ(MOD_isValidCFT(), even->validity);
  ASSERT_NE(useTheory(1, 1, 3), nullptr);
  EXPECT_EQ(MOD_fixedPointCurrent(1), 0);
  capture.clear();
  EXPECT_EQ(MOD_getFCFTshift(1), 0);
  EXPECT_TRUE(alerted("current 1 has no fixed points"));
  EXPECT_EQ(MOD_getExtensionNumber(), -1);
}

TEST_F(ModularFixedPointsTest, ExceptionalSimpleCurrentsFromTheFirstRowOfS) {
  // A1 level 3: S(0, J) = S(0, 0) for the current J = field 1, so from label 0 the list
  // is the identity and the current; from the number of known currents it is empty.
  ASSERT_NE(useTheory(1, 1, 3), nullptr);
  capture.clear();
  getExceptionalSimpleCurrents(0);
  EXPECT_EQ(capture.printed, "Exceptional simple current: 0\nExceptional simple current: 1\n");
  capture.clear();
  getExceptionalSimpleCurrents(2);
  EXPECT_EQ(capture.printed, "");
  getExceptionalSimpleCurrents(4);
  EXPECT_EQ(capture.printed, "");
}
