// The NIM-representation search: the fusion condition on whole matrices, boundary
// conjugations and symmetries of the SU(2) level 2 fusion NIM-representation, the candidate
// test before its set-up, and the search on SU(2) level 2 made exceptional.
//
// SU(2) level 2 with fields 0 (spin 0), 1 (spin 1/2), 2 (spin 1): 1x1 = 0+2, 1x2 = 1,
// 2x2 = 0. Its fusion NIM-representation A^i_ab = N_ia^b over the boundaries 0, 1, 2 uses
// the rows 0 = (1,0,0) (A_00 = A_22), 1 = (1,0,1) (A_11), 2 = (0,1,0) (A_01 = A_12) and
// 3 = (0,0,1) (A_02): M = [[0,2,3],[2,1,2],[3,2,0]].
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <string>
#include <vector>

#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBound.h"
#include "boundaries/CrossBoundInternal.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"

namespace {

// Fusion rules of SU(2) level 2 in the field order above.
std::vector<int> su2Level2Fusion() {
  std::vector<int> f(27, 0);
  auto set = [&f](int a, int b, int k) {
    f[static_cast<size_t>((a * 3 + b) * 3 + k)] = 1;
    f[static_cast<size_t>((b * 3 + a) * 3 + k)] = 1;
  };
  set(0, 0, 0);
  set(0, 1, 1);
  set(0, 2, 2);
  set(1, 1, 0);
  set(1, 1, 2);
  set(1, 2, 1);
  set(2, 2, 0);
  return f;
}

const std::vector<int> kFusionMatrix = {0, 2, 3, 2, 1, 2, 3, 2, 0};

class NimrepSearchTest : public ZoqTest {
 protected:
  void su2Level2Store() {
    NimrepStore& s = nimrepStore();
    s.N = 3;
    s.L = 3;
    s.fusionTable = su2Level2Fusion();
    s.conjugateField = {0, 1, 2};
    for (const std::vector<int>& r : {std::vector<int>{1, 0, 0}, {1, 0, 1}, {0, 1, 0}, {0, 0, 1}}) {
      s.Annuli.insert(s.Annuli.end(), r.begin(), r.end());
      s.records.push_back(newNIMrepInfo(r[0]));
      s.NIMrepConjugates.push_back(static_cast<int>(s.records.size()) - 1);  // all real
    }
  }
};

TEST_F(NimrepSearchTest, FusionConditionHoldsForTheFusionMatrixOnly) {
  su2Level2Store();
  EXPECT_EQ(checkNIMrep(kFusionMatrix, 3), 1);
  // Relabelling the boundaries (exchange 0 and 1) keeps a NIM-representation.
  EXPECT_EQ(checkNIMrep({1, 2, 2, 2, 0, 3, 2, 3, 0}, 3), 1);
  // A^2 with A^2_00 = 1 breaks (A^1)^2 = A^0 + A^2 at (0,0): 1 on the left, 2 on the right.
  EXPECT_EQ(checkNIMrep({1, 2, 3, 2, 1, 2, 3, 2, 0}, 3), 0);
  // A single boundary with the identity row is no representation: (A^1)^2 = 0 != A^0 + A^2.
  EXPECT_EQ(checkNIMrep({0}, 1), 0);
}

TEST_F(NimrepSearchTest, ConjugationsAreInvolutionsAndSymmetriesFormTheCurrentGroup) {
  su2Level2Store();
  const std::vector<std::vector<int>> conj = findBoundaryConjugations(kFusionMatrix, 3);
  // The identity (every field is self-conjugate) and the simple-current exchange 0 <-> 2.
  ASSERT_EQ(conj.size(), 2u);
  EXPECT_NE(std::find(conj.begin(), conj.end(), std::vector<int>{0, 1, 2}), conj.end());
  EXPECT_NE(std::find(conj.begin(), conj.end(), std::vector<int>{2, 1, 0}), conj.end());
  for (const std::vector<int>& c : conj)
    for (int a = 0; a < 3; ++a) {
      EXPECT_EQ(c[static_cast<size_t>(c[static_cast<size_t>(a)])], a);
      for (int b = 0; b < 3; ++b)
        EXPECT_EQ(kFusionMatrix[static_cast<size_t>(a * 3 + b)],
                  kFusionMatrix[static_cast<size_t>(c[static_cast<size_t>(b)] * 3 + c[static_cast<size_t>(a)])]);
    }
  // The symmetries are the fusion with the simple current: identity and 0 <-> 2.
  const std::vector<std::vector<int>> sym = generateNIMrepSymmetries(kFusionMatrix, 3);
  ASSERT_EQ(sym.size(), 2u);
  EXPECT_NE(std::find(sym.begin(), sym.end(), std::vector<int>{2, 1, 0}), sym.end());
  // With A_02 != A_01 the exchange of 1 and 2 is no symmetry, nor is any other.
  EXPECT_EQ(generateNIMrepSymmetries({0, 2, 3, 2, 1, 2, 3, 2, 1}, 3).size(), 1u);
}

TEST_F(NimrepSearchTest, CandidateTestRefusesLoopPointsBeforeItsSetUp) {
  resetNimrepStore();
  int row[3] = {1, 0, 0};
  EXPECT_EQ(testCandidateNIMrepVector(3, row, nullptr), -1);
  EXPECT_TRUE(alerted("Unexpected NULL pointer"));
}

TEST_F(NimrepSearchTest, SearchOnSu2Level2FindsTheFusionNimrep) {
  ASSERT_NE(modular_test::useTheory(1, 1, 2), nullptr);
  makeBulkExceptional();
  capture.clear();
  attemptNIMrep(2);
  EXPECT_GE(nimrepCounts().nimreps, 1);
  const NimrepStore& s = nimrepStore();
  ASSERT_EQ(s.N, 3);
  // The spin-1/2 field is the one of quantum dimension sqrt 2.
  const BoundarySearchState& bs = boundarySearchState();
  int half = -1;
  for (int m = 1; m < 3; ++m)
    if (std::fabs(bs.S0[static_cast<size_t>(m)] / bs.S0[0] - std::sqrt(2.0)) < 1e-9) half = m;
  ASSERT_NE(half, -1);
  const int name[3] = {0, half, 3 - half};  // this theory's field of each label above
  const std::vector<int> f = su2Level2Fusion();
  auto label = [&name](int field) { return field == name[0] ? 0 : field == name[1] ? 1 : 2; };
  auto N = [&](int i, int a, int b) {
    return f[static_cast<size_t>((label(i) * 3 + label(a)) * 3 + label(b))];
  };
  bool fusionFound = false;
  for (const std::vector<int>& M : foundNIMreps()) {
    ASSERT_EQ(M.size(), 9u);
    EXPECT_EQ(checkNIMrep(M, 3), 1);
    // A^i_ab = N_{i sigma(a)}^{sigma(b)} for some relabelling sigma of the boundaries.
    std::vector<int> sigma = {0, 1, 2};
    do {
      bool all = true;
      for (int i = 0; i < 3 && all; ++i)
        for (int a = 0; a < 3 && all; ++a)
          for (int b = 0; b < 3 && all; ++b)
            all = s.Annuli[static_cast<size_t>(M[static_cast<size_t>(a * 3 + b)] * 3 + i)] ==
                  N(i, sigma[static_cast<size_t>(a)], sigma[static_cast<size_t>(b)]);
      if (all) fusionFound = true;
    } while (std::next_permutation(sigma.begin(), sigma.end()));
  }
  EXPECT_TRUE(fusionFound);
  // The quantum dimensions 1, 1, sqrt 2 stay within a Maxloop of 2: nothing is cut.
  EXPECT_NE(capture.printed.find("All solutions were found\n"), std::string::npos);
}

TEST_F(NimrepSearchTest, CtrlCAbandonsTheSearchWithTheOrientifoldSettingBack) {
  ASSERT_NE(modular_test::useTheory(1, 1, 2), nullptr);
  makeBulkExceptional();
  int* orientifold = getIntParPointer("Orientifold");
  ASSERT_NE(orientifold, nullptr);
  ASSERT_EQ(*orientifold, 1);
  attemptNIMrep(2);
  const int nimreps = nimrepCounts().nimreps;
  ASSERT_GE(nimreps, 1);
  installInterruptHandler();
  std::raise(SIGINT);
  EXPECT_THROW(attemptNIMrep(2), StopRequest);
  removeInterruptHandler();
  setStopSignal(0);  // the next command line
  // The search ran with the setting off; it is back as the user left it.
  EXPECT_EQ(*orientifold, 1);
  capture.clear();
  attemptNIMrep(2);
  EXPECT_EQ(nimrepCounts().nimreps, nimreps);
}

}  // namespace
