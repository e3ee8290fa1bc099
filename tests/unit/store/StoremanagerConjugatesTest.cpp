// Charge conjugation of stored theories against the label rules of the algebras and
// against S^2 = C; the generic searches from S rows; the weight comparison; label
// look-ups; orbit pointers and fixed orbits; and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "groups/Discrete.h"
#include "store/StoremanagerQueries.h"
#include "StoremanagerQueriesTestSupport.h"
#include "TestSupport.h"

namespace {

class StoremanagerConjugates : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

const int* labelOf(const SpectrumData* sd, int a) { return sd->labels + static_cast<std::size_t>(a) * sd->rep_size; }

std::vector<int> labelVector(const SpectrumData* sd, int a) {
  return std::vector<int>(labelOf(sd, a), labelOf(sd, a) + sd->rep_size);
}

TEST_F(StoremanagerConjugates, LabelRulesOfTheAlgebras) {
  // A_r: the finite labels reversed, the affine label kept.
  for (int rank = 1; rank <= 4; ++rank)
    for (int level = 1; level <= 3; ++level) {
      SpectrumData* sd = SM_getData(1, rank, level);
      ASSERT_NE(sd, nullptr);
      for (int a = 0; a < sd->n_primaries; ++a) {
        const int c = SM_getConjugate(sd, a);
        ASSERT_GE(c, 0);
        std::vector<int> want = labelVector(sd, a);
        std::reverse(want.begin(), want.begin() + rank);
        EXPECT_EQ(labelVector(sd, c), want) << sd->name << " field " << a;
      }
    }
  // D_r of odd rank: the two spinor labels (the last two finite ones) exchanged.
  for (int rank : {3, 5}) {
    SpectrumData* sd = SM_getData(4, rank, 2);
    for (int a = 0; a < sd->n_primaries; ++a) {
      std::vector<int> want = labelVector(sd, a);
      std::swap(want[rank - 2], want[rank - 1]);
      EXPECT_EQ(labelVector(sd, SM_getConjugate(sd, a)), want) << sd->name << " field " << a;
    }
  }
  // E6: the five labels of the long chain reversed, the branch node and level kept.
  SpectrumData* e6 = SM_getData(5, 6, 2);
  for (int a = 0; a < e6->n_primaries; ++a) {
    std::vector<int> want = labelVector(e6, a);
    std::reverse(want.begin(), want.begin() + 5);
    EXPECT_EQ(labelVector(e6, SM_getConjugate(e6, a)), want) << "E6 field " << a;
  }
  // Real algebras: every field self-conjugate.
  for (auto [type, rank] : {std::pair{2, 3}, std::pair{3, 2}, std::pair{5, 2}, std::pair{5, 4}, std::pair{4, 4}}) {
    SpectrumData* sd = SM_getData(type, rank, 2);
    for (int a = 0; a < sd->n_primaries; ++a) EXPECT_EQ(SM_getConjugate(sd, a), a) << sd->name;
  }
}

TEST_F(StoremanagerConjugates, ConjugationIsTheRowOfSSquared) {
  const std::vector<std::pair<int, int>> algebras = {{1, 1}, {1, 2}, {1, 3}, {1, 4}, {2, 2}, {2, 3}, {3, 2}, {3, 3},
                                                     {4, 4}, {4, 5}, {5, 2}, {5, 4}, {5, 6}, {5, 7}};
  for (auto [type, rank] : algebras)
    for (int level = 1; level <= 3; ++level) {
      SpectrumData* sd = SM_getData(type, rank, level);
      ASSERT_NE(sd, nullptr) << type << " " << rank << " " << level;
      const Matrix S = sMatrix(sd);
      const Matrix S2 = multiply(S, S);
      for (int a = 0; a < sd->n_primaries; ++a) {
        const int c = SM_getConjugate(sd, a);
        for (int b = 0; b < sd->n_primaries; ++b) {
          const double want = b == c ? 1.0 : 0.0;
          EXPECT_NEAR(std::abs(S2[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] - want), 0.0, kTol)
              << sd->name << " (" << a << "," << b << ")";
        }
      }
    }
}

TEST_F(StoremanagerConjugates, U1AndTheSearchesFromS) {
  SpectrumData* u1 = SM_getData(0, 6, 0);
  ASSERT_NE(u1, nullptr);
  EXPECT_EQ(SM_computeConjugate(u1, 0), 0);
  for (int a = 1; a < 6; ++a) EXPECT_EQ(SM_computeConjugate(u1, a), 6 - a);
  // The generic search finds the label rule's answer; a real S row means
  // self-conjugate.
  SpectrumData* a3 = SM_getData(1, 3, 2);
  for (int a = 0; a < a3->n_primaries; ++a) EXPECT_EQ(SM_getGenericConjugate(a3, a), SM_getConjugate(a3, a));
  SpectrumData* b2 = SM_getData(2, 2, 2);
  for (int a = 0; a < b2->n_primaries; ++a) EXPECT_EQ(SM_getGenericConjugate(b2, a), a);
  // Filling a whole table from S rows, plainly or one row per orbit, gives the same
  // table as the labels.
  for (bool byOrbits : {false, true}) {
    SpectrumData* sd = SM_getData(1, 3, 2);
    std::vector<int> rule(sd->conjugates, sd->conjugates + sd->n_primaries);
    std::fill(sd->conjugates, sd->conjugates + sd->n_primaries, -2);
    if (byOrbits) {
      SM_computeAllGenericConjugatesUsingOrbits(sd);
    } else {
      SM_computeAllGenericConjugates(sd);
    }
    EXPECT_EQ(std::vector<int>(sd->conjugates, sd->conjugates + sd->n_primaries), rule) << byOrbits;
  }
  // In a fixed-point theory the conjugate is read from S^2: the trivial theory's field 0.
  SpectrumData* trivial = SM_getData(1, 0, 0);
  EXPECT_EQ(SM_getFCFTConjugate(trivial, 0), 0);
}

TEST_F(StoremanagerConjugates, RefusalsAndMissingTables) {
  OutputCapture capture;
  // A type without a rule (A(2) twisted) reports it when asked directly...
  SpectrumData* twisted = SM_getData(11, 1, 2);
  ASSERT_NE(twisted, nullptr);
  EXPECT_EQ(SM_computeConjugate(twisted, 0), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Conjugation for this algebra not defined or not built in"));
  // ...and, not being a true CFT, through the table with -1, not the vacuum.
  capture.clear();
  EXPECT_EQ(SM_getConjugate(twisted, 0), -1);
  EXPECT_TRUE(contains(capture.printed, "Conjugates not available for this algebra (type 11)\n"));
  EXPECT_TRUE(contains(capture.diagnostics, "Conjugates not defined for this algebra"));
  EXPECT_EQ(SM_ConjugatesAvailable(twisted), 0);
  // A true CFT whose table cannot be built (a complement without its base): -1.
  capture.clear();
  SpectrumData* orphan = allocateSpectrumData("orphan");
  orphan->type = 8, orphan->validity = 2, orphan->n_primaries = 1;
  EXPECT_EQ(SM_getConjugate(orphan, 0), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Unexpected NULL pointer"));
  EXPECT_EQ(SM_getConjugate(nullptr, 0), -1);
  // A field outside the theory.
  capture.clear();
  SpectrumData* a2 = SM_getData(1, 2, 1);
  EXPECT_EQ(SM_getConjugate(a2, 3), -1);
  EXPECT_EQ(SM_getConjugate(a2, -1), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Primary out of range"));
}

TEST_F(StoremanagerConjugates, WeightComparison) {
  SpectrumData* sd = allocateSpectrumData("weights");
  sd->n_primaries = 3;
  sd->validity = 3;
  SM_allocFieldInfo_Weights(sd);
  sd->weight_den = 4;
  const int numerators[3] = {1, 5, 1};
  std::copy(numerators, numerators + 3, sd->weight_num);
  std::fill(sd->exact, sd->exact + 3, 1);
  EXPECT_EQ(SM_WeightCompare(sd, 0, 2), 1);
  EXPECT_EQ(SM_WeightCompare(sd, 0, 1), 0);  // 1/4 and 5/4, both exact
  sd->exact[1] = 0;
  EXPECT_EQ(SM_WeightCompare(sd, 0, 1), 1);  // equal modulo 1
  EXPECT_EQ(SM_WeightCompare(sd, 0, 7), 0);
}

TEST_F(StoremanagerConjugates, LabelLookUps) {
  SpectrumData* sd = SM_getData(1, 2, 2);
  for (int a = 0; a < sd->n_primaries; ++a) {
    EXPECT_EQ(SM_getLabelNoMessage(sd, labelOf(sd, a)), a);
    EXPECT_EQ(SM_getLabelInOrbit(sd, labelOf(sd, a), a), a);
    if (a > 0) {
      EXPECT_EQ(SM_getLabelInOrbit(sd, labelOf(sd, 0), a), -1);
    }
  }
  const int absent[3] = {5, 5, 5};
  EXPECT_EQ(SM_getLabelNoMessage(sd, absent), -1);
  EXPECT_EQ(SM_getLabelInOrbit(sd, labelOf(sd, 0), sd->n_primaries), -1);
  EXPECT_EQ(SM_getLabelInOrbit(sd, labelOf(sd, 0), -1), -1);
}

TEST_F(StoremanagerConjugates, OrbitPointersAndFixedOrbits) {
  // A1 level 2: orbits {0, 1} (vacuum, current) and {2} (the spin-1/2 field, fixed).
  SpectrumData* sd = SM_getData(1, 1, 2);
  SM_makeOrbitPointers(sd);
  ASSERT_NE(sd->orbit_pointers, nullptr);
  EXPECT_EQ(sd->orbit_pointers[0], 0);
  EXPECT_EQ(sd->orbit_pointers[1], 2);
  int* built = sd->orbit_pointers;
  SM_makeOrbitPointers(sd);
  EXPECT_EQ(sd->orbit_pointers, built);
  EXPECT_EQ(SM_isFixed(sd, 0), 0);
  EXPECT_EQ(SM_isFixed(sd, 1), 1);
  EXPECT_EQ(SM_findOrbitMember(sd, 0, 1), 1);
  EXPECT_EQ(SM_findOrbitMember(sd, 2, 1), 2);
  EXPECT_EQ(SM_findOrbitMember(sd, 1, 0), 0);  // 1 is no first field
  // A3 level 2: the orbit of (1,0,1,0) has length 2, the vacuum orbit length 4.
  SpectrumData* a3 = SM_getData(1, 3, 2);
  for (int i = 0; i < a3->n_orbits; ++i) {
    SM_makeOrbitPointers(a3);
    const int f = a3->orbit_pointers[i];
    int length = 0;
    for (int a = 0; a < a3->n_primaries; ++a) length += a3->orbit_base[a] == a3->orbit_base[f] ? 1 : 0;
    EXPECT_EQ(SM_isFixed(a3, i), length < 4 ? 1 : 0) << i;
  }
  // The N=2 minimal model: orbit l is fixed exactly when k = 2l.
  SpectrumData* minimal = SM_getData(27, 2, 4);
  EXPECT_EQ(SM_isFixed(minimal, 2), 1);
  EXPECT_EQ(SM_isFixed(minimal, 1), 0);
  // A record whose count of first fields differs from its orbit count says so once.
  OutputCapture capture;
  SpectrumData* odd = allocateSpectrumData("odd");
  odd->n_primaries = 3;
  odd->n_orbits = 2;
  SM_allocFieldInfo_Orbits(odd);
  SM_makeOrbitPointers(odd);
  EXPECT_TRUE(contains(capture.diagnostics, "Orbit count discrepancy (3 != 2)")) << capture.diagnostics;
  capture.clear();
  SM_makeOrbitPointers(odd);
  EXPECT_EQ(capture.diagnostics, "");
}

TEST_F(StoremanagerConjugates, SpecialTheoriesConjugateByTheirRules) {
  // Orbifold with odd N: (0,1) and (0,3) exchanged; N = 1 mod 4 pairs the twisted fields
  // N+3 <-> N+4 and N+5 <-> N+6, N = 3 mod 4 pairs N+3 <-> N+6 and N+4 <-> N+5.
  SpectrumData* five = SM_getData(7, 5, 0);
  EXPECT_EQ(SM_OrbifoldConjugate(five, 1), 3);
  EXPECT_EQ(SM_OrbifoldConjugate(five, 2), 2);
  EXPECT_EQ(SM_OrbifoldConjugate(five, 8), 9);
  EXPECT_EQ(SM_OrbifoldConjugate(five, 10), 11);
  SpectrumData* three = SM_getData(7, 3, 0);
  EXPECT_EQ(SM_OrbifoldConjugate(three, 6), 9);
  EXPECT_EQ(SM_OrbifoldConjugate(three, 7), 8);
  SpectrumData* four = SM_getData(7, 4, 0);
  for (int a = 0; a < four->n_primaries; ++a) EXPECT_EQ(SM_getConjugate(four, a), a);
  // N=2 minimal model: (l, m, s) -> (l, -m, -s) in standard form.
  SpectrumData* minimal = SM_getData(27, 2, 3);
  for (int a = 0; a < minimal->n_primaries; ++a) {
    int l = labelOf(minimal, a)[0], m = -labelOf(minimal, a)[1], s = -labelOf(minimal, a)[2];
    SM_mapMinimal2(3, &l, &m, &s);
    const int c = SM_getConjugate(minimal, a);
    EXPECT_EQ(std::make_tuple(labelOf(minimal, c)[0], labelOf(minimal, c)[1], labelOf(minimal, c)[2]),
              std::make_tuple(l, m, s));
  }
  OutputCapture capture;
  SpectrumData* a1 = SM_getData(1, 1, 1);
  EXPECT_EQ(SM_MinimalConjugate(a1, 0), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Invalid input data"));
}

}  // namespace
