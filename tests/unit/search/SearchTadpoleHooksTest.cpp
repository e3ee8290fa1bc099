// The instanton analysis of the tadpole hooks: zero modes between an instanton brane and
// the hidden-sector stacks of a solution (the stacks after a, b, c, d).
#include <gtest/gtest.h>

#include <vector>

#include "TestSupport.h"
#include "search/SearchTadpoleHooks.h"
#include "strings/OpenSpectrum.h"

namespace {

class SearchTadpoleHooksTest : public ZoqTest {};

// Boundaries 0..9: 4 <-> 6 and 1 <-> 9 are image pairs, every other label is real.
int imageOf(const ChanPatonData&, int x) {
  switch (x) {
    case 4: return 6;
    case 6: return 4;
    case 1: return 9;
    case 9: return 1;
    default: return x;
  }
}

// I(p, q) = 10 p + q, so every term of a sum can be read off the total.
int tagged(int p, int q) { return 10 * p + q; }

ChanPatonData solution(const std::vector<int>& labels) {
  ChanPatonData cpd;
  cpd.stacks = static_cast<int>(labels.size());
  cpd.stackLabel = labels;
  cpd.stackType.assign(labels.size(), 0);
  cpd.stackMultiplicity.assign(labels.size(), 1);
  return cpd;
}

TEST_F(SearchTadpoleHooksTest, FourStandardModelStacksLeaveNoHiddenZeroModes) {
  const ChanPatonData cpd = solution({0, 2, 3, 5});
  EXPECT_EQ(hiddenInstantonZeroModes(8, cpd, tagged, imageOf), 0);
  EXPECT_EQ(hiddenInstantonZeroModes(1, cpd, tagged, imageOf), 0);
}

TEST_F(SearchTadpoleHooksTest, RealInstantonCountsItsIntersectionsWithEachHiddenStackAndItsImage) {
  // Hidden stacks 4 (image 6) and 7 (real), instanton 8 (real):
  // I(8,6) + I(8,4) + I(8,7) = 86 + 84 + 87.
  const ChanPatonData cpd = solution({0, 2, 3, 5, 4, 7});
  EXPECT_EQ(hiddenInstantonZeroModes(8, cpd, tagged, imageOf), 86 + 84 + 87);
}

TEST_F(SearchTadpoleHooksTest, ComplexInstantonAddsTheTermsOfItsImage) {
  // Instanton 1 (image 9): for stack 4 I(1,6) + I(9,6) + I(1,4) + I(9,4), for the real
  // stack 7 I(1,7) + I(9,7).
  const ChanPatonData cpd = solution({0, 2, 3, 5, 4, 7});
  EXPECT_EQ(hiddenInstantonZeroModes(1, cpd, tagged, imageOf), 16 + 96 + 14 + 94 + 17 + 97);
}

}  // namespace
