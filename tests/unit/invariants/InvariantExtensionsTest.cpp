// Extension invariants from candidate chiral algebras: the integer-spin fields, the
// projection test, the homomorphism construction with its printed terms, the multiplicity
// bounds, and the search, which finds the D-type invariant of A1 level 4 and the E8
// invariant of A1 level 28 (checked against the closed-form S and T of A1).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "invariants/Invariants.h"
#include "ModularTestSupport.h"
#include "modular/Modular.h"
#include "store/CurrentTheory.h"
#include "TestSupport.h"

namespace {

using modular_test::a1Field;
using modular_test::useTheory;

// The matrices handed to the acceptance step, accepted.
std::vector<std::vector<int>>& accepted() {
  static std::vector<std::vector<int>> matrices;
  return matrices;
}

int acceptAll(const int* M, int, int, int, int) {
  const int N = *TotalPrimaries;
  accepted().emplace_back(M, M + static_cast<std::size_t>(N) * static_cast<std::size_t>(N));
  return 1;
}

class InvariantExtensionsTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    accepted().clear();
    setCandidateAcceptance(acceptAll);
  }
  void TearDown() override { setCandidateAcceptance(nullptr); }
};

// sum over the blocks of |sum_{l in block} chi_l|^2 times mult, in fields of A1 level k.
std::vector<int> blockInvariant(const SpectrumData* sd, const std::vector<std::pair<std::vector<int>, int>>& blocks) {
  const int N = sd->n_primaries;
  std::vector<int> M(static_cast<std::size_t>(N) * static_cast<std::size_t>(N), 0);
  for (const auto& [labels, mult] : blocks) {
    for (int a : labels) {
      for (int b : labels) M[static_cast<std::size_t>(a1Field(sd, a) * N + a1Field(sd, b))] += mult;
    }
  }
  return M;
}

// M commutes with S and T of A1 at level k (closed forms, by Dynkin labels).
bool commutesWithST(const SpectrumData* sd, const std::vector<int>& M, int k) {
  const int N = sd->n_primaries;
  const double pi = 3.14159265358979323846;
  const auto S = [&](int a, int b) {
    const int la = modular_test::a1Label(sd, a);
    const int lb = modular_test::a1Label(sd, b);
    return std::sqrt(2.0 / (k + 2)) * std::sin(pi * (la + 1) * (lb + 1) / (k + 2));
  };
  for (int a = 0; a < N; ++a) {
    for (int b = 0; b < N; ++b) {
      double sm = 0.0;
      double ms = 0.0;
      for (int c = 0; c < N; ++c) {
        sm += S(a, c) * M[static_cast<std::size_t>(c * N + b)];
        ms += M[static_cast<std::size_t>(a * N + c)] * S(c, b);
      }
      if (std::abs(sm - ms) > 1e-7) return false;
      // T: a non-zero entry pairs fields whose weights l(l+2)/(4(k+2)) agree modulo 1.
      const int la = modular_test::a1Label(sd, a);
      const int lb = modular_test::a1Label(sd, b);
      if (M[static_cast<std::size_t>(a * N + b)] != 0 && (la * (la + 2) - lb * (lb + 2)) % (4 * (k + 2)) != 0) return false;
    }
  }
  return true;
}

TEST_F(InvariantExtensionsTest, TheIntegerSpinFieldsOfA1LevelFourAreTheVacuumAndTheCurrent) {
  useTheory(1, 1, 4);
  EXPECT_EQ(findIntegerSpin(), (std::vector<int>{0, 1, -1}));
  // A1 level 28: l = 0, 28 (h = 7) and l = 10, 18 (h = 1 and 3).
  const SpectrumData* sd = useTheory(1, 1, 28);
  const std::vector<int> fields = findIntegerSpin();
  std::vector<int> labels;
  for (int f : fields) {
    if (f >= 0) labels.push_back(modular_test::a1Label(sd, f));
  }
  std::sort(labels.begin(), labels.end());
  EXPECT_EQ(labels, (std::vector<int>{0, 10, 18, 28}));
}

TEST_F(InvariantExtensionsTest, TheCurrentAlgebraOfA1LevelFourBuildsTheDInvariant) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  const int fields[] = {0, 1, -1};
  const int mult[] = {1, 1};
  capture.clear();
  EXPECT_EQ(checkAlgebra(fields, mult), 0);
  // Row 0 of H is the algebra itself; l = 1 and 3 differ in spin by 1/2; what is left is
  // 2 H(l=2, l=2), divided by 2.
  EXPECT_EQ(capture.printed,
            "(0+1) *** \n"
            "(2+3)\n"
            "Dividing by gcd 2\n"
            "2 * (4) *** \n");
  ASSERT_EQ(accepted().size(), 1u);
  EXPECT_EQ(accepted()[0], blockInvariant(sd, {{{0, 4}, 1}, {{2}, 2}}));
  EXPECT_TRUE(commutesWithST(sd, accepted()[0], 4));
}

TEST_F(InvariantExtensionsTest, TheProjectionTestRefusesNegativeProjections) {
  useTheory(1, 1, 4);
  const int fields[] = {0, 1, -1};
  // S(J, l) = (-1)^l S(0, l): for l = 1 the projection of 1 + 2J is -S(0, l) < 0.
  const int twice[] = {1, 2};
  capture.clear();
  EXPECT_EQ(checkAlgebra(fields, twice), 1);
  EXPECT_EQ(capture.printed, "");
  // The identity alone passes and builds nothing.
  const int identity[] = {1, 0};
  EXPECT_EQ(checkAlgebra(fields, identity), 0);
  EXPECT_EQ(capture.printed, "");
  EXPECT_TRUE(accepted().empty());
}

TEST_F(InvariantExtensionsTest, TheBoundOfTheSpinOneCurrentIsTwo) {
  // S(0, J) = S(0, 0) = 1/sqrt(12): the start bound is int(1/S00) = 3; t = 2 gives
  // E = S00 (1 - 4) < 0, t = 1 gives E = 0: the bound is 2 and the loop length 2.
  useTheory(1, 1, 4);
  const int fields[] = {1};
  int bounds[1] = {0};
  EXPECT_DOUBLE_EQ(getMaximumCurrentMultiplicities(1, fields, bounds), 2.0);
  EXPECT_EQ(bounds[0], 2);
}

TEST_F(InvariantExtensionsTest, TheSearchFindsTheE8InvariantOfA1LevelTwentyEight) {
  const SpectrumData* sd = useTheory(1, 1, 28);
  capture.clear();
  EXPECT_EQ(searchExtensionInvariants(), 0);
  EXPECT_NE(capture.printed.find("Loop length: "), std::string::npos);
  const std::vector<int> e8 = blockInvariant(sd, {{{0, 10, 18, 28}, 1}, {{6, 12, 16, 22}, 1}});
  bool found = false;
  for (const std::vector<int>& M : accepted()) {
    EXPECT_TRUE(commutesWithST(sd, M, 28));
    found = found || M == e8;
  }
  EXPECT_TRUE(found);
}

TEST_F(InvariantExtensionsTest, OnlyTheIdentityGivesALoopOfOneAndNoCandidate) {
  useTheory(1, 1, 3);  // weights 0, 3/4, 3/20, 2/5: only the identity has integer spin
  EXPECT_EQ(findIntegerSpin(), (std::vector<int>{0, -1}));
  capture.clear();
  EXPECT_EQ(searchExtensionInvariants(), 0);
  EXPECT_EQ(capture.printed, "Loop length: 1                             \n");
  EXPECT_TRUE(accepted().empty());
}

TEST_F(InvariantExtensionsTest, LongTermsWrapAndMixedSpinsAreNotUsed) {
  useTheory(1, 1, 28);  // 29 fields
  std::vector<int> v(29, 1);
  capture.clear();
  EXPECT_EQ(printExceptionalOrbit(v.data(), 1), 1);
  // Width 1 + 1 + 9 x 2 = 20 after "+9", then 3 per entry: 62 after "+23".
  EXPECT_EQ(capture.printed,
            "(0+1+2+3+4+5+6+7+8+9+10+11+12+13+14+15+16+17+18+19+20+21+22+23\n"
            "    +24+25+26+27+28)\n");
  capture.clear();
  std::vector<int> pair(29, 0);
  pair[0] = 2;
  pair[1] = 1;  // l = 0 and l = 28: weights 0 and 7
  EXPECT_EQ(printExceptionalOrbit(pair.data(), 3), 0);
  EXPECT_EQ(capture.printed, "3 * (2*0+1) *** \n");
}

TEST_F(InvariantExtensionsTest, RemovingTooMuchIsAnInconsistency) {
  useTheory(1, 1, 4);
  std::vector<int> H(25, 0);
  H[0] = 1;
  std::vector<int> v(5, 0);
  v[0] = 1;
  v[2] = 1;
  capture.clear();
  EXPECT_EQ(RemoveVector(H.data(), v.data(), 1), 0);
  EXPECT_EQ(capture.printed, "Inconsistency encountered (labels 0 and 2)\n");
}

TEST_F(InvariantExtensionsTest, WithoutTheAcceptanceStepNothingIsAccepted) {
  setCandidateAcceptance(nullptr);
  useTheory(1, 1, 4);
  const int list[] = {0, 1};
  capture.clear();
  EXPECT_EQ(CheckHomomorphism(2, list), 0);
  EXPECT_NE(capture.diagnostics.find("not available yet"), std::string::npos);
  EXPECT_NE(capture.printed.find("Construction completed; no invariant found\n"), std::string::npos);
}

}  // namespace
