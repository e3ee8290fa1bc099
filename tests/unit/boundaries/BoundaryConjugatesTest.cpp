// Boundary conjugates and Chan-Paton group types of every orientifold: read off the labels
// (the conjugate of a lies in the orbit of K x a^c) against the search over all labels with
// the annulus, field by field, on WZW models with and without fixed points, every
// simple-current invariant and every orientifold of the list; the closed forms of SU(2) and
// SU(3); the Moebius amplitude M^0_a from the factors kept per orientifold against the
// full sum; and the work the pairing costs in annulus coefficients.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "boundaries/CrossBound.h"
#include "boundaries/CrossBoundInternal.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Parameters.h"

namespace {

using modular_test::a1Field;
using modular_test::a1Label;
using modular_test::labelsOf;
using modular_test::useTheory;

class BoundaryConjugatesTest : public ZoqTest {};

struct Tables {
  std::vector<int> conjugates;
  std::vector<int> types;
  bool operator==(const Tables&) const = default;
};

// The record's tables made afresh by one of the two ways.
Tables tablesOf(OrientifoldInfo* record, bool bySearch) {
  record->conjugatesStamp = -2;
  if (bySearch)
    loadOrientifoldConjugatesBySearch(record, 0);
  else
    loadOrientifoldConjugates(record, 0);
  Tables t;
  const int n = TotalBoundaries();
  for (int a = 0; a < n; ++a) {
    t.conjugates.push_back(orientifoldConjugate(record, a));
    t.types.push_back(orientifoldGroupType(record, a));
  }
  return t;
}

std::string text(const std::vector<int>& v) {
  std::string s;
  for (int x : v) s += std::to_string(x) + " ";
  return s;
}

// Compares both ways on every orientifold of the current invariant, and M^0_a from the kept
// factors with the full sum under each; the number of orientifolds compared.
int compareOnEveryOrientifold(const std::string& where) {
  if (initializeOpenString() != 0) return 0;
  const int n = loadOrientifolds();
  const int boundaries = TotalBoundaries();
  for (int o = 0; o < n; ++o) {
    OrientifoldInfo* record = getOrientifoldByNumber(o);
    EXPECT_NE(record, nullptr) << where;
    if (record == nullptr) continue;
    const Tables byLabels = tablesOf(record, false);
    const Tables bySearch = tablesOf(record, true);
    EXPECT_EQ(text(byLabels.conjugates), text(bySearch.conjugates)) << where << " orientifold " << o;
    EXPECT_EQ(text(byLabels.types), text(bySearch.types)) << where << " orientifold " << o;
    // The pairing is an involution and A^0 is 1 on every pair; complex pairs are unitary.
    for (int a = 0; a < boundaries; ++a) {
      const int c = byLabels.conjugates[static_cast<size_t>(a)];
      EXPECT_GE(c, 0) << where << " " << o << " " << a;
      if (c < 0) continue;
      EXPECT_EQ(byLabels.conjugates[static_cast<size_t>(c)], a) << where << " " << o << " " << a;
      EXPECT_EQ(byLabels.types[static_cast<size_t>(a)] == 0, c != a) << where << " " << o << " " << a;
    }
    EXPECT_NE(setStoredOrientifold(o), nullptr);
    for (int a = 0; a < boundaries; ++a) {
      EXPECT_EQ(getAnnulus(0, a, byLabels.conjugates[static_cast<size_t>(a)]), 1) << where << " " << o << " " << a;
      EXPECT_EQ(vacuumMoebius(a), getMoebius(0, a)) << where << " " << o << " " << a;
    }
  }
  return n;
}

// Every simple-current invariant of the current theory (numbers from 0 on) that has
// orientifolds; the number of (invariant, orientifold) pairs compared.
int compareOnEveryInvariant(const std::string& theory) {
  int compared = 0;
  for (int number = 0; number < 40; ++number) {
    BulkInvariant* bi = getBulkInvariantByNumber(number);
    if (bi == nullptr) break;
    if (bi->simple_current != 1 || bi->symmetric != 1) continue;
    compared += compareOnEveryOrientifold(theory + " invariant " + std::to_string(number));
  }
  return compared;
}

TEST_F(BoundaryConjugatesTest, LabelsAndSearchAgreeOnEveryInvariantAndOrientifold) {
  setIntPar("Reject permutations", 0);
  struct Theory {
    int type, rank, level;
  };
  // SU(2) with its D-series (a resolved fixed point at levels 4 and 8), SU(3) (complex
  // fields; a fixed point at level 3 and 6), SU(4) (Z4), SO(8) at levels 1 and 2 (Z2 x Z2,
  // a fixed point of the whole centre at level 2).
  const Theory theories[] = {{1, 1, 1}, {1, 1, 2}, {1, 1, 3}, {1, 1, 4}, {1, 1, 5}, {1, 1, 6},
                             {1, 1, 8}, {1, 2, 1}, {1, 2, 2}, {1, 2, 3}, {1, 2, 4}, {1, 2, 6},
                             {1, 3, 2}, {1, 3, 4}, {4, 4, 1}, {4, 4, 2}};
  for (int orbits : {0, 2}) {
    setIntPar("Use_orbits", orbits);
    int compared = 0;
    for (const Theory& t : theories) {
      ASSERT_NE(useTheory(t.type, t.rank, t.level), nullptr);
      const std::string name = std::to_string(t.type) + "," + std::to_string(t.rank) + "," +
                               std::to_string(t.level) + " orbits " + std::to_string(orbits);
      compared += compareOnEveryInvariant(name);
    }
    EXPECT_GE(compared, 60) << orbits;
  }
}

TEST_F(BoundaryConjugatesTest, EverySU2BoundaryIsRealWithoutKleinCurrentAndPairedWithJaOtherwise) {
  // All SU(2) representations are self-conjugate: a^c = a; with K = J the conjugate of
  // spin l/2 is J x l = k - l.
  for (int k = 1; k <= 9; ++k) {
    const SpectrumData* sd = useTheory(1, 1, k);
    ASSERT_NE(sd, nullptr);
    ASSERT_EQ(initializeOpenString(), 0);
    const int n = loadOrientifolds();
    for (int o = 0; o < n; ++o) {
      OrientifoldInfo* record = getOrientifoldByNumber(o);
      ASSERT_NE(record, nullptr);
      const Tables t = tablesOf(record, false);
      for (int a = 0; a <= k; ++a) {
        const int l = a1Label(sd, a);
        const int expected = record->klein == 0 ? a : a1Field(sd, k - l);
        EXPECT_EQ(t.conjugates[static_cast<size_t>(a)], expected) << k << " " << o << " " << a;
      }
    }
  }
}

// The field of SU(3) with Dynkin labels (x, y).
int a2Field(const SpectrumData* sd, int x, int y) {
  for (int f = 0; f < sd->n_primaries; ++f)
    if (labelsOf(sd, f)[0] == x && labelsOf(sd, f)[1] == y) return f;
  return -1;
}

TEST_F(BoundaryConjugatesTest, SU3BoundariesPairWithTheExchangedDynkinLabels) {
  // (x, y)^c = (y, x). A Klein current K rotates the extended Dynkin diagram: K = (k, 0)
  // maps (x, y) to (k - x - y, x), K = (0, k) maps it to (y, k - x - y).
  for (int k = 1; k <= 5; ++k) {
    const SpectrumData* sd = useTheory(1, 2, k);
    ASSERT_NE(sd, nullptr);
    ASSERT_EQ(initializeOpenString(), 0);
    const int n = loadOrientifolds();
    ASSERT_GE(n, 1);
    int complexPairs = 0;
    for (int o = 0; o < n; ++o) {
      OrientifoldInfo* record = getOrientifoldByNumber(o);
      ASSERT_NE(record, nullptr);
      const int Kx = labelsOf(sd, record->klein)[0];
      const Tables t = tablesOf(record, false);
      for (int a = 0; a < sd->n_primaries; ++a) {
        const int x = labelsOf(sd, a)[0];
        const int y = labelsOf(sd, a)[1];
        int ex = y, ey = x;  // the conjugate
        if (record->klein != 0 && Kx == k) {
          ex = k - y - x;
          ey = y;
        } else if (record->klein != 0) {
          ex = x;
          ey = k - y - x;
        }
        EXPECT_EQ(t.conjugates[static_cast<size_t>(a)], a2Field(sd, ex, ey)) << k << " " << o << " " << a;
        complexPairs += t.conjugates[static_cast<size_t>(a)] != a ? 1 : 0;
      }
    }
    EXPECT_GT(complexPairs, 0) << k;
  }
}

TEST_F(BoundaryConjugatesTest, CardyBoundariesArePairedWithoutAnyAnnulus) {
  // The diagonal invariant: every orbit is one label, so the labels alone decide; the
  // search asks for annuli (one per pair of boundary-current orbits at least).
  for (int k : {3, 5}) {
    ASSERT_NE(useTheory(1, 2, k), nullptr);
    ASSERT_EQ(initializeOpenString(), 0);
    const int n = loadOrientifolds();
    const int boundaries = TotalBoundaries();
    for (int o = 0; o < n; ++o) {
      OrientifoldInfo* record = getOrientifoldByNumber(o);
      ASSERT_NE(record, nullptr);
      const long long before = annulusSumCount();
      tablesOf(record, false);
      EXPECT_EQ(annulusSumCount(), before) << k << " " << o;
      const long long searchBefore = annulusSumCount();
      tablesOf(record, true);
      EXPECT_GE(annulusSumCount() - searchBefore, getNumberOfBoundaryOrbits() / 2) << k << " " << o;
      EXPECT_GT(boundaries, getNumberOfBoundaryOrbits()) << k;
    }
  }
}

TEST_F(BoundaryConjugatesTest, ResolvedFixedPointsAskTheAnnulusOnlyOfTheirCandidates) {
  // SU(2) level 4 with the D-series invariant: the fixed point l = 2 is resolved into two
  // boundaries; only those two candidates are compared, by at most two annuli each.
  ASSERT_NE(useTheory(1, 1, 4), nullptr);
  ASSERT_NE(getBulkInvariantByNumber(1), nullptr);
  ASSERT_EQ(initializeOpenString(), 0);
  int resolved = 0;
  for (int a = 0; a < TotalBoundaries(); ++a) resolved += getBoundaryFixed(a) == 1 ? 1 : 0;
  ASSERT_EQ(resolved, 2);
  const int n = loadOrientifolds();
  ASSERT_GE(n, 1);
  for (int o = 0; o < n; ++o) {
    OrientifoldInfo* record = getOrientifoldByNumber(o);
    ASSERT_NE(record, nullptr);
    const long long before = annulusSumCount();
    const Tables t = tablesOf(record, false);
    EXPECT_LE(annulusSumCount() - before, 2 * resolved) << o;
    EXPECT_EQ(t, tablesOf(record, true)) << o;
  }
}

TEST_F(BoundaryConjugatesTest, GroupTypesAreWorkedOutWhenAskedAndKept) {
  // SU(2) level 4, K = 0: every boundary real, O for even l and Sp for odd l.
  const SpectrumData* sd = useTheory(1, 1, 4);
  ASSERT_NE(sd, nullptr);
  ASSERT_EQ(initializeOpenString(), 0);
  setUserDefinedOrientifold();
  ASSERT_EQ(setKlein(0), 1);
  ASSERT_EQ(initializeOpenString(), 0);
  OrientifoldInfo* record = getCurrentOrientifold();
  loadOrientifoldConjugates(record, 0);
  for (int a = 0; a < 5; ++a) {
    const int type = orientifoldGroupType(record, a);
    EXPECT_EQ(type, a1Label(sd, a) % 2 == 0 ? 1 : -1) << a;
    // Asked again, the same type, and without a new Moebius sum to decide it.
    EXPECT_EQ(orientifoldGroupType(record, a), type) << a;
  }
  // A new choice makes the tables stale; outside the boundaries there is no type.
  ASSERT_EQ(setKlein(1), 1);
  EXPECT_EQ(orientifoldGroupType(record, 0), 0);
  loadOrientifoldConjugates(record, 0);
  EXPECT_EQ(orientifoldGroupType(record, 5), 0);
  EXPECT_EQ(orientifoldGroupType(record, -1), 0);
  EXPECT_TRUE(silent()) << capture.diagnostics;
}

}  // namespace
