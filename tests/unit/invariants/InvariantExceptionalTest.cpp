// The built-in exceptional invariants as bulk invariants: E6, E7 and E8 of A1 made current
// and checked against the closed-form S and the weights, the refused modes, the orbits of
// labels with their cache and filter, the tensor products of built-in invariants, and the
// boundary data of exceptional invariants.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "InterpreterTestSupport.h"
#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "store/StoremanagerQueries.h"

namespace {

using modular_test::a1Field;
using modular_test::a1Label;
using modular_test::useTheory;

class InvariantExceptionalTest : public ZoqTest {};

// The E-type invariants by Dynkin label (the blocks of |chi_a + chi_b + ...|^2, and for E7
// the extra terms chi_8 (chi_2 + chi_14)^* + c.c. and |chi_8|^2).
int eTypeEntry(int k, int l, int m) {
  auto block = [&](std::initializer_list<std::initializer_list<int>> blocks) {
    for (const auto& b : blocks) {
      const std::set<int> s(b);
      if (s.count(l) != 0 && s.count(m) != 0) return 1;
    }
    return 0;
  };
  if (k == 10) return block({{0, 6}, {4, 10}, {3, 7}});
  if (k == 16) {
    if (block({{0, 16}, {4, 12}, {6, 10}}) != 0) return 1;
    if (l == 8 && (m == 2 || m == 14 || m == 8)) return 1;
    if (m == 8 && (l == 2 || l == 14)) return 1;
    return 0;
  }
  return block({{0, 10, 18, 28}, {6, 12, 16, 22}});
}

TEST_F(InvariantExceptionalTest, ETypeInvariantsBecomeCurrentAndAreModularInvariant) {
  const int levels[] = {10, 16, 28};
  const int labels[] = {6, 7, 8};  // the ranks: Ishibashi labels of E6, E7, E8
  for (int t = 0; t < 3; ++t) {
    const int k = levels[t];
    SpectrumData* sd = useTheory(1, 1, k);
    const int mode = getExceptionalInvariantLabel(sd, 1);
    EXPECT_EQ(mode, t + 1);
    ASSERT_EQ(buildExceptionalInvariant(mode), 1) << k;
    const BulkInvariant* bi = *getCurrentBulk();
    EXPECT_EQ(bi->simple_current, 0);
    EXPECT_EQ(bi->diagonal, 0);
    EXPECT_EQ(LabelCount(bi), labels[t]) << k;
    const int n = sd->n_primaries;
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) {
        EXPECT_EQ(bulkEntry(bi, i, j), eTypeEntry(k, a1Label(sd, i), a1Label(sd, j)))
            << k << " " << i << "," << j;
        double zs = 0.0, sz = 0.0;
        for (int m = 0; m < n; ++m) {
          zs += bulkEntry(bi, i, m) * modular_test::a1S(k, a1Label(sd, m), a1Label(sd, j));
          sz += modular_test::a1S(k, a1Label(sd, i), a1Label(sd, m)) * bulkEntry(bi, m, j);
        }
        EXPECT_NEAR(zs, sz, 1e-7) << k << " " << i << "," << j;
        if (bulkEntry(bi, i, j) != 0) {
          const double dh =
              modular_test::a1Weight(k, a1Label(sd, i)) - modular_test::a1Weight(k, a1Label(sd, j));
          EXPECT_NEAR(dh, std::round(dh), 1e-7);
        }
      }
    }
  }
}

TEST_F(InvariantExceptionalTest, ModesOutsideTheTableAreRefusedAndTheRunGoesOn) {
  useTheory(1, 1, 10);
  capture.clear();
  EXPECT_EQ(buildExceptionalInvariant(7), 0);
  EXPECT_TRUE(alerted("Invalid mode 7 (in buildExceptionalInvariant)"));
  EXPECT_EQ(buildExceptionalInvariant(-1), 0);
  EXPECT_TRUE(silent());
  EXPECT_EQ((*getCurrentBulk())->diagonal, 1);
  // Mode 0 is the diagonal invariant, accepted.
  EXPECT_EQ(buildExceptionalInvariant(0), 1);
  EXPECT_EQ(LabelCount(*getCurrentBulk()), 11);
}

TEST_F(InvariantExceptionalTest, CommandSelectsTheInvariantThatFitsTheTheory) {
  ASSERT_EQ(run("algebra a 1 16"), 0);
  EXPECT_EQ(run("select exceptional_invariant"), 0);
  EXPECT_EQ(LabelCount(*getCurrentBulk()), 7);
  EXPECT_EQ(run("select exceptional_invariant 0"), 0);
  EXPECT_EQ(LabelCount(*getCurrentBulk()), 17);
  EXPECT_NE(run("select exceptional_invariant 1 1"), 0);
  EXPECT_TRUE(alerted("Invalid number of parameters"));
  // A1 at level 12 has no built-in exceptional invariant.
  ASSERT_EQ(run("algebra a 1 12"), 0);
  EXPECT_NE(run("select exceptional_invariant"), 0);
  EXPECT_TRUE(alerted("Invalid exceptional invariant"));
  ASSERT_EQ(run("algebra b 3 1"), 0);
  EXPECT_NE(run("select exceptional_invariant"), 0);
  EXPECT_TRUE(alerted("Invalid algebra (type 2, rank 3); ignored"));
}

TEST_F(InvariantExceptionalTest, OrbitsComeFromTheCacheUnfilteredAndAreFilteredPerCall) {
  int list[5] = {-9, -9, -9, -9, -9};
  int last = 5;
  // E6 of A1 level 10: field 0 (l = 0) is paired with field 9 (l = 6).
  computeExceptionalOrbit(1, 0, 11, nullptr, 0, &last, list);
  ASSERT_EQ(last, 1);
  EXPECT_EQ(list[0], 0);
  EXPECT_EQ(list[1], 9);
  int filter[11] = {0};
  filter[9] = 5;
  computeExceptionalOrbit(1, 0, 11, filter, 4, &last, list);
  ASSERT_EQ(last, 0);
  EXPECT_EQ(list[0], 0);
  computeExceptionalOrbit(1, 0, 11, nullptr, 0, &last, list);
  EXPECT_EQ(last, 1);
  // A filter on the first call does not limit later calls either.
  int wide[29] = {0};
  computeExceptionalOrbit(3, 12, 29, wide, -1, &last, list);
  EXPECT_EQ(last, -1);
  computeExceptionalOrbit(3, 12, 29, nullptr, 0, &last, list);
  ASSERT_EQ(last, 3);
  EXPECT_EQ(std::vector<int>(list, list + 4), (std::vector<int>{12, 13, 24, 25}));
  // Mode 0: the label alone; a field outside every block: the empty orbit.
  computeExceptionalOrbit(0, 7, 11, nullptr, 0, &last, list);
  EXPECT_EQ(last, 0);
  EXPECT_EQ(list[0], 7);
  computeExceptionalOrbit(1, 2, 11, nullptr, 0, &last, list);
  EXPECT_EQ(last, -1);
  capture.clear();
  computeExceptionalOrbit(8, 0, 11, nullptr, 0, &last, list);
  EXPECT_EQ(last, -1);
  EXPECT_TRUE(alerted("Invalid exceptional MIPF: mode 8"));
}

TEST_F(InvariantExceptionalTest, N2MinimalOrbitsHaveAtMostFourMembers) {
  SpectrumData* sd = SM_getData(27, 2, 10);
  ASSERT_NE(sd, nullptr);
  ASSERT_EQ(sd->n_primaries, 264);
  int list[5];
  int last = 0;
  int members = 0;
  for (int label = 0; label < 264; ++label) {
    computeExceptionalOrbit(4, label, 264, nullptr, 0, &last, list);
    EXPECT_LE(last, 3);
    members += last + 1;
    for (int k = 0; k <= last; ++k) EXPECT_EQ(ExceptionalModularMatrix(label, list[k], 4), 1);
  }
  EXPECT_GT(members, 0);
}

TEST_F(InvariantExceptionalTest, TensorProductOfDiagonalAndE6) {
  ASSERT_EQ(run("tensor"), 0);
  ASSERT_EQ(run("g a 1 10"), 0);
  ASSERT_EQ(run("g a 1 2"), 0);
  ASSERT_EQ(run("compute spectrum"), 0);
  ASSERT_EQ(*TotalPrimaries, 33);
  EXPECT_EQ(run("select exceptional_invariant 1 0"), 0);
  // E6 has 6 Ishibashi labels, the diagonal invariant of A1 level 2 three.
  EXPECT_EQ(LabelCount(*getCurrentBulk()), 18);
  EXPECT_NE(run("select exceptional_invariant 1"), 0);
  EXPECT_TRUE(alerted("Invalid number of labels; ignored"));
  // Extended by the current (10, 2) of integer spin 5/2 + 1/2 = 3: refused.
  ASSERT_EQ(run("current 1 1"), 0);
  ASSERT_EQ(run("compute spectrum"), 0);
  EXPECT_NE(run("select exceptional_invariant 1 0"), 0);
  EXPECT_TRUE(alerted("Exceptional invariants not defined for extended algebras"));
}

TEST_F(InvariantExceptionalTest, N2MinimalInvariantsAreAcceptedAndCommuteWithSAndT) {
  SpectrumData* sd = useTheory(27, 2, 10);
  ASSERT_NE(sd, nullptr);
  EXPECT_EQ(getExceptionalInvariantLabel(sd, 1), 4);
  ASSERT_EQ(buildExceptionalInvariant(4), 1);
  const BulkInvariant* bi = *getCurrentBulk();
  const int n = sd->n_primaries;
  initSMATRIX();
  std::vector<modular_test::Complex> S(static_cast<std::size_t>(n) * n);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j)
      S[static_cast<std::size_t>(i) * n + j] = modular_test::elementS(i, j);
  }
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      modular_test::Complex zs = 0.0, sz = 0.0;
      for (int m = 0; m < n; ++m) {
        zs += static_cast<double>(bulkEntry(bi, i, m)) * S[static_cast<std::size_t>(m) * n + j];
        sz += S[static_cast<std::size_t>(i) * n + m] * static_cast<double>(bulkEntry(bi, m, j));
      }
      ASSERT_TRUE(modular_test::near(zs, sz)) << i << "," << j;
      if (bulkEntry(bi, i, j) == 0) continue;
      const Rat hi = *ratWeight(i);
      const Rat hj = *ratWeight(j);
      EXPECT_EQ((hi.num * hj.den - hj.num * hi.den) % (hi.den * hj.den), 0) << i << "," << j;
    }
  }
  // The level-16 invariant passes the check as well.
  SpectrumData* sd16 = useTheory(27, 2, 16);
  EXPECT_EQ(getExceptionalInvariantLabel(sd16, 1), 5);
  EXPECT_EQ(buildExceptionalInvariant(5), 1);
}

TEST_F(InvariantExceptionalTest, BoundaryDataGrowAndNeverShrink) {
  ExceptionalBoundaryData edt;
  allocExceptBound(&edt, 5, 2);
  EXPECT_EQ(edt.data.size(), 30u);  // 2 N (1 + L)
  EXPECT_EQ(edt.klein.size(), 5u);
  EXPECT_EQ(edt.N, 5);
  EXPECT_EQ(edt.L, 2);
  allocExceptBound(&edt, 3, 0);
  EXPECT_EQ(edt.data.size(), 30u);
  EXPECT_EQ(edt.klein.size(), 5u);
  EXPECT_EQ(edt.N, 3);
}

}  // namespace
