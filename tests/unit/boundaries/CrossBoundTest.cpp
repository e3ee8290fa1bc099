// Boundary data of the current bulk invariant: label counts, reflection and crosscap
// coefficients of the Cardy case against closed forms, the oriented annulus as the fusion
// rules, exceptional invariants, the orbit-storage limit, orientifold records and the
// Klein-bottle and crosscap-sign choices.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <complex>
#include <vector>

#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "boundaries/CrossBound.h"
#include "boundaries/CrossBoundInternal.h"
#include "commands/Commands.h"
#include "groups/Discrete.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"

namespace {

using modular_test::a1Field;
using modular_test::a1Label;
using modular_test::Complex;
using modular_test::kPi;
using modular_test::useTheory;

class CrossBoundTest : public ZoqTest {};

// P = T^1/2 S T^2 S T^1/2 of A1 at level k from the closed forms, T = exp(2 pi i (h - c/24)).
Complex a1P(int k, int a, int b) {
  const double c = 3.0 * k / (k + 2);
  auto x = [&](int l) { return modular_test::a1Weight(k, l) - c / 24.0; };
  Complex sum = 0.0;
  for (int m = 0; m <= k; ++m) {
    sum += modular_test::a1S(k, a, m) * std::exp(Complex(0.0, 4.0 * kPi * x(m))) *
           modular_test::a1S(k, m, b);
  }
  return std::exp(Complex(0.0, kPi * (x(a) + x(b)))) * sum;
}

// The A1 level-k matrix with Z(l, l') given by Dynkin labels, placed on the fields.
std::vector<int> a1Invariant(const SpectrumData* sd, int k,
                             const std::vector<std::vector<int>>& blocks) {
  const int n = k + 1;
  std::vector<int> M(static_cast<size_t>(n * n), 0);
  // Each block is a set of labels whose characters are summed: |sum|^2.
  for (const std::vector<int>& block : blocks)
    for (int l : block)
      for (int r : block) M[static_cast<size_t>(a1Field(sd, l) * n + a1Field(sd, r))] += 1;
  return M;
}

void makeExceptionalCurrent(const std::vector<int>& M) {
  BulkInvariant* bi = *getCurrentBulk();
  makeExceptionalBulkInvariant(M.data(), bi, 0, 0);
  bulkInvariantChanged();
}

TEST_F(CrossBoundTest, DiagonalInvariantOfA1HasOneLabelPerPrimaryAndCardyReflection) {
  for (int k = 1; k <= 8; ++k) {
    const SpectrumData* sd = useTheory(1, 1, k);
    ASSERT_NE(sd, nullptr);
    EXPECT_EQ(TotalIshibashi(), k + 1) << k;
    EXPECT_EQ(TotalBoundaries(), k + 1) << k;
    for (int m = 0; m <= k; ++m) {
      EXPECT_EQ(getIshibashiField(m), m);
      EXPECT_EQ(getBoundaryField(m), m);
      for (int a = 0; a <= k; ++a) {
        double re = 0.0, im = 0.0;
        getCurrentReflectionCoefficient(m, a, &re, &im);
        EXPECT_NEAR(re, modular_test::a1S(k, a1Label(sd, m), a1Label(sd, a)), 1e-7)
            << k << " " << m << " " << a;
        EXPECT_NEAR(im, 0.0, 1e-7);
      }
    }
  }
}

TEST_F(CrossBoundTest, CardyAnnulusIsTheFusionRuleWithAndWithoutOrbits) {
  for (int orbits : {0, 1, 2}) {
    setIntPar("Use_orbits", orbits);
    for (int k : {2, 5}) {
      const SpectrumData* sd = useTheory(1, 1, k);
      ASSERT_NE(sd, nullptr);
      ASSERT_EQ(TotalBoundaries(), k + 1);
      EXPECT_EQ(CrossBoundOrbitsAvailable(), orbits >= 1 ? 1 : 0);
      for (int i = 0; i <= k; ++i)
        for (int a = 0; a <= k; ++a)
          for (int b = 0; b <= k; ++b)
            EXPECT_EQ(getOrientedAnnulus(i, a, b),
                      modular_test::a1Fusion(k, a1Label(sd, i), a1Label(sd, a), a1Label(sd, b)))
                << orbits << " k=" << k << " " << i << a << b;
    }
  }
}

TEST_F(CrossBoundTest, FusionOfIshibashiPrimariesIsTheSU2FusionRule) {
  const int k = 3;
  const SpectrumData* sd = useTheory(1, 1, k);
  ASSERT_NE(sd, nullptr);
  ASSERT_EQ(TotalIshibashi(), k + 1);
  for (int x = 0; x <= k; ++x)
    for (int y = 0; y <= k; ++y)
      for (int z = 0; z <= k; ++z)
        EXPECT_EQ(getFusionForClassifyingCoefficient(x, y, z),
                  modular_test::a1Fusion(k, a1Label(sd, x), a1Label(sd, y), a1Label(sd, z)));
}

TEST_F(CrossBoundTest, DiagonalCrosscapIsEtaTimesPOfTheKleinCurrent) {
  const int k = 3;
  const SpectrumData* sd = useTheory(1, 1, k);
  ASSERT_NE(sd, nullptr);
  for (int K : {0, 1}) {
    ASSERT_EQ(initializeOpenString(), 0);
    if (K != 0) {
      ASSERT_EQ(setKlein(K), 1);
      ASSERT_EQ(initializeOpenString(), 0);
    }
    // U(m) = eta P(K, m), eta the sign that makes the tension Re U(0) positive; up to that
    // sign P is the closed form T^1/2 S T^2 S T^1/2.
    const int kleinLabel = a1Label(sd, K);
    double p0 = 0.0, ignored = 0.0;
    compP(K, 0, &p0, &ignored);
    const int eta = p0 < 0 ? -1 : 1;
    EXPECT_EQ(getCurrentOrientifold()->eta, eta) << K;
    EXPECT_NEAR(getCurrentOrientifold()->tension, std::fabs(p0), 1e-7);
    EXPECT_GT(getCurrentOrientifold()->tension, 0.0);
    for (int m = 0; m <= k; ++m) {
      double re = 0.0, im = 0.0, pr = 0.0, pi = 0.0;
      getCurrentCrosscapCoefficient(m, 0, &re, &im);
      compP(K, m, &pr, &pi);
      EXPECT_NEAR(re, eta * pr, 1e-7) << K << " " << m;
      EXPECT_NEAR(im, eta * pi, 1e-7) << K << " " << m;
      EXPECT_NEAR(std::abs(Complex(re, im)), std::abs(a1P(k, kleinLabel, a1Label(sd, m))), 1e-7)
          << K << " " << m;
    }
  }
}

TEST_F(CrossBoundTest, ExceptionalInvariantsOfA1HaveTheExponentsAsLabels) {
  struct Case {
    int k;
    std::vector<std::vector<int>> blocks;
    int labels;
  };
  // E6, E7 and E8 of SU(2) at levels 10, 16 and 28: as many labels as exponents.
  const std::vector<Case> cases = {
      {10, {{0, 6}, {3, 7}, {4, 10}}, 6},
      {28, {{0, 10, 18, 28}, {6, 12, 16, 22}}, 8},
  };
  for (const Case& c : cases) {
    const SpectrumData* sd = useTheory(1, 1, c.k);
    ASSERT_NE(sd, nullptr);
    makeExceptionalCurrent(a1Invariant(sd, c.k, c.blocks));
    EXPECT_EQ(TotalIshibashi(), c.labels) << c.k;
    EXPECT_EQ(TotalBoundaries(), c.labels) << c.k;
  }
  // E7: |0+16|^2 + |4+12|^2 + |6+10|^2 + |8|^2 + (2+14) 8* + 8 (2+14)*.
  const SpectrumData* sd = useTheory(1, 1, 16);
  ASSERT_NE(sd, nullptr);
  std::vector<int> M = a1Invariant(sd, 16, {{0, 16}, {4, 12}, {6, 10}, {8}});
  for (int l : {2, 14}) {
    M[static_cast<size_t>(a1Field(sd, l) * 17 + a1Field(sd, 8))] = 1;
    M[static_cast<size_t>(a1Field(sd, 8) * 17 + a1Field(sd, l))] = 1;
  }
  makeExceptionalCurrent(M);
  EXPECT_EQ(TotalIshibashi(), 7);
  EXPECT_EQ(TotalBoundaries(), 7);
}

TEST_F(CrossBoundTest, ExceptionalInvariantWithoutBoundaryDataGivesZeroAndItsMessage) {
  const SpectrumData* sd = useTheory(1, 1, 10);
  ASSERT_NE(sd, nullptr);
  makeExceptionalCurrent(a1Invariant(sd, 10, {{0, 6}, {3, 7}, {4, 10}}));
  ASSERT_EQ(TotalBoundaries(), 6);
  capture.clear();
  double re = 5.0, im = 5.0;
  getCurrentReflectionCoefficient(0, 0, &re, &im);
  EXPECT_TRUE(alerted("Boundaries for this MIPF not available"));
  EXPECT_EQ(re, 0.0);
  EXPECT_EQ(im, 0.0);
  EXPECT_EQ(isRefCoefAvailable(), 0);
  // The standard Klein bottle: the diagonal entries of Z (every field is self-conjugate).
  ASSERT_EQ(initializeOpenString(), 0);
  const std::vector<int>& K = exceptionalKleinBottle();
  ASSERT_EQ(K.size(), 11u);
  for (int l = 0; l <= 10; ++l) {
    const int expected = (l == 0 || l == 6 || l == 3 || l == 7 || l == 4 || l == 10) ? 1 : 0;
    EXPECT_EQ(K[static_cast<size_t>(a1Field(sd, l))], expected) << l;
  }
  // Klein-bottle currents other than 0 and crosscap signs are refused for it.
  capture.clear();
  EXPECT_EQ(setKlein(1), 0);
  EXPECT_TRUE(alerted("Non-trivial Klein bottle choices not allowed for exceptional MIPF"));
  const int sign = -1;
  EXPECT_EQ(setCrosscapSigns(1, &sign), 0);
  EXPECT_TRUE(alerted("No crosscap signs allowed for exceptional invariant"));
}

TEST_F(CrossBoundTest, OrbitStorageIsRefusedFrom144MillionPairs) {
  EXPECT_EQ(orbitStorageFits(12000, 12000), 0);
  EXPECT_EQ(orbitStorageFits(11999, 12000), 1);
  EXPECT_EQ(orbitStorageFits(12000, 11999), 1);
}

// The E6 invariant of A1 level 10: |0+6|^2 + |3+7|^2 + |4+10|^2 by Dynkin label.
const SpectrumData* useE6Invariant() {
  const SpectrumData* sd = useTheory(1, 1, 10);
  if (sd != nullptr) makeExceptionalCurrent(a1Invariant(sd, 10, {{0, 6}, {3, 7}, {4, 10}}));
  return sd;
}

TEST_F(CrossBoundTest, TheTrivialKleinCurrentIsAcceptedForAnExceptionalInvariant) {
  ASSERT_NE(useE6Invariant(), nullptr);
  const int counter = QueryOrientifold();
  capture.clear();
  // 0 is the one current allowed there, and it changes nothing.
  EXPECT_EQ(setKlein(0), 1);
  EXPECT_TRUE(silent());
  EXPECT_EQ(QueryOrientifold(), counter);
  EXPECT_EQ(setKlein(1), 0);
  EXPECT_TRUE(alerted("Non-trivial Klein bottle choices not allowed for exceptional MIPF"));
}

TEST_F(CrossBoundTest, TheKleinBottleSearchLeavesTheBoundariesAndCrosscapsInForce) {
  const SpectrumData* sd = useE6Invariant();
  ASSERT_NE(sd, nullptr);
  attemptBoundaries(3);
  ASSERT_EQ(isRefCoefAvailable(), 1);
  ASSERT_EQ(isCrosscapAvailable(), 1);
  const ExceptionalBoundaryData before = *(*getCurrentBulk())->EDT;
  // The standard Klein bottle: 1 at the fields of the diagonal terms (l = 0, 6, 3, 7, 4, 10).
  std::vector<int> standard(11, 0);
  for (int l : {0, 6, 3, 7, 4, 10}) standard[static_cast<size_t>(a1Field(sd, l))] = 1;
  ASSERT_EQ(before.klein, standard);
  capture.clear();
  searchKlein(0, 0);
  // The standard Klein bottle has crosscaps (they are in force), so it is among the
  // candidates stored for selection.
  EXPECT_GE(storedKleinBottleCount(), 1);
  const ExceptionalBoundaryData& after = *(*getCurrentBulk())->EDT;
  EXPECT_EQ(after.klein, before.klein);
  EXPECT_EQ(after.crosscap_status, before.crosscap_status);
  EXPECT_EQ(after.reset, before.reset);
  ASSERT_GE(after.data.size(), 22u);
  for (size_t k = 0; k < 22; ++k) EXPECT_EQ(after.data[k], before.data[k]) << k;
  // The next unoriented query finds the same Klein bottle: nothing is dumped.
  capture.clear();
  ASSERT_EQ(initializeOpenString(), 0);
  EXPECT_EQ(capture.diagnostics.find("Klein bottle has changed"), std::string::npos);
  EXPECT_EQ(isRefCoefAvailable(), 1);
  EXPECT_EQ(isCrosscapAvailable(), 1);
  for (int i = 0; i < 11; ++i) EXPECT_EQ(getKleinBottle(i), standard[static_cast<size_t>(i)]) << i;
}

TEST_F(CrossBoundTest, AKleinBottleSearchStoppedByCtrlCKeepsTheDataInForce) {
  ASSERT_NE(useE6Invariant(), nullptr);
  attemptBoundaries(3);
  ASSERT_EQ(isCrosscapAvailable(), 1);
  searchKlein(0, 0);
  const int found = storedKleinBottleCount();
  ASSERT_GE(found, 1);
  const int status = crossBoundState().CrosscapStatus;
  const ExceptionalBoundaryData before = *(*getCurrentBulk())->EDT;
  installInterruptHandler();
  std::raise(SIGINT);
  EXPECT_THROW(searchKlein(0, 0), StopRequest);
  removeInterruptHandler();
  setStopSignal(0);  // the next command line
  // The candidates' crosscaps were scratch: the status and the data in force are as before.
  EXPECT_EQ(crossBoundState().CrosscapStatus, status);
  const ExceptionalBoundaryData& after = *(*getCurrentBulk())->EDT;
  EXPECT_EQ(after.klein, before.klein);
  EXPECT_EQ(after.data, before.data);
  EXPECT_EQ(isCrosscapAvailable(), 1);
  // The next search finds the same Klein bottles.
  capture.clear();
  searchKlein(0, 0);
  EXPECT_EQ(storedKleinBottleCount(), found);
}

TEST_F(CrossBoundTest, AMoebiusSearchWithoutABoundarySetComputesNothing) {
  ASSERT_NE(useE6Invariant(), nullptr);
  capture.clear();
  EXPECT_EQ(searchMoebius(), 0);
  // The refusal alone: no reflection coefficient was asked for first.
  EXPECT_EQ(capture.diagnostics.find("Boundaries for this MIPF not available"),
            std::string::npos);
  EXPECT_TRUE(alerted("Moebius search requires complete set of boundaries"));
}

TEST_F(CrossBoundTest, RecordOfAZ2TimesZ3GroupHoldsTwentySignEntries) {
  OrientifoldInfo record;
  sizeOrientifoldRecord(&record, 6, {2, 3}, 4);
  // Two signs, then beta, phase numerators and denominators for each of six elements.
  EXPECT_EQ(record.crosscapSigns.size(), 20u);
  EXPECT_EQ(record.crosscap.size(), 8u);
  EXPECT_EQ(record.conjugates.size(), 12u);
  // The signs and beta start at +1; the Klein current at 0.
  for (int k = 0; k < 2 + 6; ++k) EXPECT_EQ(record.crosscapSigns[static_cast<size_t>(k)], 1) << k;
  EXPECT_EQ(record.klein, 0);
  EXPECT_EQ(record.eta, 1);
}

TEST_F(CrossBoundTest, MissingSurplusAndOddFactorCrosscapSigns) {
  OrientifoldInfo record;
  sizeOrientifoldRecord(&record, 6, {2, 3}, 4);
  const int counter = QueryOrientifold();
  const int sequence = record.sequence;
  // One sign for two factors: the second becomes +1.
  const int one[] = {-1};
  EXPECT_EQ(applyCrosscapSigns(&record, 1, one), 1);
  EXPECT_EQ(record.crosscapSigns[0], -1);
  EXPECT_EQ(record.crosscapSigns[1], 1);
  EXPECT_EQ(QueryOrientifold(), counter + 1);
  EXPECT_EQ(record.sequence, sequence + 1);
  // -1 on the factor of order 3 is refused and taken as +1: nothing changes.
  capture.clear();
  const int odd[] = {-1, -1};
  EXPECT_EQ(applyCrosscapSigns(&record, 2, odd), 0);
  EXPECT_TRUE(alerted("Negative sign not allowed in Z_3 factor; ignored"));
  EXPECT_EQ(record.crosscapSigns[1], 1);
  EXPECT_EQ(QueryOrientifold(), counter + 1);
  // Three signs for two factors: the third is ignored with a message.
  const int three[] = {1, 1, -1};
  EXPECT_EQ(applyCrosscapSigns(&record, 3, three), 1);
  EXPECT_TRUE(alerted("Too many crosscap signs; remainder ignored"));
  EXPECT_EQ(record.crosscapSigns[0], 1);
  EXPECT_EQ(record.crosscapSigns[1], 1);
}

TEST_F(CrossBoundTest, KleinCurrentAndSignChoicesOnTheDiagonalInvariant) {
  ASSERT_NE(useTheory(1, 1, 2), nullptr);
  ASSERT_EQ(initializeOpenString(), 0);
  OrientifoldInfo* current = getCurrentOrientifold();
  // Re-setting the present Klein current changes no counter.
  const int counter = QueryOrientifold();
  const int sequence = current->sequence;
  EXPECT_EQ(setKlein(0), 1);
  EXPECT_EQ(QueryOrientifold(), counter);
  EXPECT_EQ(current->sequence, sequence);
  // A new current bumps both.
  EXPECT_EQ(setKlein(1), 1);
  EXPECT_EQ(current->klein, 1);
  EXPECT_EQ(QueryOrientifold(), counter + 1);
  EXPECT_GT(current->sequence, sequence);
  // Crosscap signs are refused on the diagonal invariant and nothing changes.
  capture.clear();
  const int sign = -1;
  const int before = QueryOrientifold();
  EXPECT_EQ(setCrosscapSigns(1, &sign), 0);
  EXPECT_TRUE(alerted("No crosscap signs allowed for diagonal invariant"));
  EXPECT_EQ(QueryOrientifold(), before);
  // "reset Orientifold": back to the trivial Klein current.
  EXPECT_EQ(resetOrientifold(), 1);
  ASSERT_EQ(initializeOpenString(), 0);
  EXPECT_EQ(getCurrentOrientifold()->klein, 0);
}

TEST_F(CrossBoundTest, SelectionOutsideTheListAndInvalidStorageModeAreRefused) {
  ASSERT_NE(useTheory(1, 1, 2), nullptr);
  ASSERT_EQ(initializeOpenString(), 0);
  OrientifoldInfo* current = getCurrentOrientifold();
  const int counter = QueryOrientifold();
  capture.clear();
  EXPECT_EQ(setStoredOrientifold(orientifoldListSize()), nullptr);
  EXPECT_TRUE(alerted("Orientifold nr. out of range"));
  EXPECT_EQ(setStoredOrientifold(-1), nullptr);
  EXPECT_EQ(getCurrentOrientifold(), current);
  EXPECT_EQ(QueryOrientifold(), counter);
  double re = 7.0, im = 7.0;
  getReflectionCoefficientFromStorage(0, 0, 2, &re, &im);
  EXPECT_TRUE(alerted("Invalid mode"));
  EXPECT_EQ(re, 0.0);
  EXPECT_EQ(im, 0.0);
  // The user record is always re-selected with a counter step.
  setUserDefinedOrientifold();
  EXPECT_EQ(QueryOrientifold(), counter + 1);
  // The stored Klein bottles: none yet.
  EXPECT_EQ(storedKleinBottle(0), 0);
  EXPECT_TRUE(alerted("No Klein bottles in storage"));
  addStoredKleinBottle(std::vector<int>(3, 1));
  EXPECT_EQ(storedKleinBottle(1), 0);
  EXPECT_TRUE(alerted("Klein bottle number out of range"));
  EXPECT_EQ(storedKleinBottle(0), 1);
  // Asking whether a boundary is a simple current's leaves the stored Klein bottles alone.
  EXPECT_EQ(SimpleCurrentBoundary(1), 1);  // boundary 1 is the primary J
  EXPECT_EQ(SimpleCurrentBoundary(2), 0);
  EXPECT_EQ(storedKleinBottleCount(), 1);
}

TEST_F(CrossBoundTest, DilatonCouplingFollowsTheInvariant) {
  const SpectrumData* sd = useTheory(1, 1, 2);
  ASSERT_NE(sd, nullptr);
  double re = 0.0;
  // Re R(0, a) = S(0, a) in the Cardy case.
  for (int a = 0; a <= 2; ++a)
    EXPECT_NEAR(getDilatonCoupling(a, &re), modular_test::a1S(2, 0, a1Label(sd, a)), 1e-7);
  // A new theory: the cache is rebuilt for its five boundaries.
  const SpectrumData* sd4 = useTheory(1, 1, 4);
  ASSERT_NE(sd4, nullptr);
  for (int a = 0; a <= 4; ++a) {
    EXPECT_NEAR(getDilatonCoupling(a, &re), modular_test::a1S(4, 0, a1Label(sd4, a)), 1e-7) << a;
    EXPECT_NEAR(re, modular_test::a1S(4, 0, a1Label(sd4, a)), 1e-7);
  }
}

}  // namespace

namespace {

using modular_test::a1Field;
using modular_test::a1Label;
using modular_test::useTheory;

// The simple-current description of a Z2 invariant of A1: G = {0, J} with J the field of
// Dynkin label k, and X(J, J) = x / 2.
void describeZ2(BulkInvariant* bi, int x) {
  SimpleCurrentData* MD = bi->MD.get();
  const int factors[] = {2};
  MD->group = DG_find(factors, 1);
  // Element labels, a zeroed centre block, the inverse map.
  MD->map = {0, 1, 0, 0, 0, 1};
  MD->monodromies = {0, x};  // R, then X
  MD->n_generators = 1;
  MD->generators = {1};
  MD->kernel_size = x == 0 ? 2 : 1;
}

class CrossBoundSimpleCurrentTest : public ZoqTest {
 protected:
  // Z = sum over even l < k/2 of |l + (k-l)|^2 + 2 |k/2|^2 as a simple-current invariant:
  // each row lists its partners, then its degeneracy currents.
  void makeDSeries(const SpectrumData* sd, int k, int x = 0) {
    BulkInvariant* bi = *getCurrentBulk();
    describeZ2(bi, x);
    const int n = k + 1;
    allocBulkInvariantData(bi, n, 3 * n);
    int* area = bi->algebra + n;
    int used = 0;
    for (int f = 0; f < n; ++f) {
      bi->count[f] = 0;
      bi->mult[f] = 0;
      bi->orbits[static_cast<size_t>(f)] = nullptr;
    }
    for (int l = 0; l <= k; l += 2) {
      const int f = a1Field(sd, l);
      int* row = area + used;
      bi->orbits[static_cast<size_t>(f)] = row;
      if (2 * l == k) {
        row[0] = f;
        row[1] = 0;
        row[2] = 1;
        bi->count[f] = 1;
        bi->mult[f] = 2;
        used += 3;
      } else {
        row[0] = std::min(f, a1Field(sd, k - l));
        row[1] = std::max(f, a1Field(sd, k - l));
        row[2] = 0;
        bi->count[f] = 2;
        bi->mult[f] = 1;
        used += 3;
      }
    }
    bi->algebra[0] = a1Field(sd, 0);
    bi->algebra[1] = a1Field(sd, k);
    bi->algebra_count = 2;
    bi->diagonal = 0;
    bi->simple_current = 1;
    bi->conjugation = 0;
    bi->symmetric = 1;
    bi->ishibashi_count = LabelCount(bi);
    bulkInvariantChanged();
  }
};

// Degrees of the graph with adjacency matrix A, sorted; empty when A is not a symmetric 0/1
// matrix without loops.
std::vector<int> graphDegrees(const std::vector<std::vector<int>>& A) {
  std::vector<int> degrees;
  for (size_t a = 0; a < A.size(); ++a) {
    int d = 0;
    for (size_t b = 0; b < A.size(); ++b) {
      if (A[a][b] != A[b][a] || A[a][b] < 0 || A[a][b] > 1 || (a == b && A[a][b] != 0)) return {};
      d += A[a][b];
    }
    degrees.push_back(d);
  }
  std::sort(degrees.begin(), degrees.end());
  return degrees;
}

TEST_F(CrossBoundSimpleCurrentTest, DSeriesResolvesTheFixedPointIntoTwoBoundaries) {
  struct Case {
    int k;
    int labels;
    std::vector<int> degrees;  // of the D_n Dynkin diagram
  };
  // D4: a centre joined to three ends; D6: a chain of four nodes with a fork at its end.
  const std::vector<Case> cases = {{4, 4, {1, 1, 1, 3}}, {8, 6, {1, 1, 1, 2, 2, 3}}};
  for (int orbits : {0, 2}) {
    setIntPar("Use_orbits", orbits);
    for (const Case& c : cases) {
      const SpectrumData* sd = useTheory(1, 1, c.k);
      ASSERT_NE(sd, nullptr);
      makeDSeries(sd, c.k);
      ASSERT_EQ(TotalIshibashi(), c.labels) << c.k;
      ASSERT_EQ(TotalBoundaries(), c.labels) << c.k;
      // The resolved fixed point k/2: two boundaries with the same primary.
      int resolved = 0;
      for (int a = 0; a < c.labels; ++a) resolved += getBoundaryFixed(a);
      EXPECT_EQ(resolved, 2) << c.k;
      // R is unitary: the boundaries are complete.
      for (int m = 0; m < c.labels; ++m) {
        for (int n = 0; n < c.labels; ++n) {
          Complex sum = 0.0;
          for (int a = 0; a < c.labels; ++a) {
            double r1 = 0, i1 = 0, r2 = 0, i2 = 0;
            getCurrentReflectionCoefficient(m, a, &r1, &i1);
            getCurrentReflectionCoefficient(n, a, &r2, &i2);
            sum += Complex(r1, i1) * std::conj(Complex(r2, i2));
          }
          EXPECT_NEAR(sum.real(), m == n ? 1.0 : 0.0, 1e-7) << c.k << " " << m << " " << n;
          EXPECT_NEAR(sum.imag(), 0.0, 1e-7);
        }
      }
      // A^0 is the identity, A^1 the adjacency matrix of the D diagram.
      std::vector<std::vector<int>> A(static_cast<size_t>(c.labels),
                                      std::vector<int>(static_cast<size_t>(c.labels)));
      for (int a = 0; a < c.labels; ++a) {
        for (int b = 0; b < c.labels; ++b) {
          EXPECT_EQ(getOrientedAnnulus(a1Field(sd, 0), a, b), a == b ? 1 : 0);
          A[static_cast<size_t>(a)][static_cast<size_t>(b)] =
              getOrientedAnnulus(a1Field(sd, 1), a, b);
        }
      }
      EXPECT_EQ(graphDegrees(A), c.degrees) << "k=" << c.k << " orbits " << orbits;
    }
  }
}

// With X = 0 both currents extend the chiral algebra: boundaries of half-integer J-charge
// break that symmetry.
TEST_F(CrossBoundSimpleCurrentTest, BoundariesOfNonIntegralChargeBreakTheSymmetry) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  ASSERT_NE(sd, nullptr);
  makeDSeries(sd, 4);
  ASSERT_EQ(TotalBoundaries(), 4);
  for (int a = 0; a < 4; ++a) {
    // Q_J of Dynkin label l is l/2 mod 1: odd labels are marked.
    const int l = a1Label(sd, getBoundaryField(a));
    EXPECT_EQ(SymBsymB(a), l % 2 == 1 ? '*' : ' ') << a;
  }
  capture.clear();
  showBoundaryLabels(0, 3);
  EXPECT_NE(capture.printed.find("Boundary labels: (In total 4; * indicates symmetry breaking)\n"),
            std::string::npos);
  EXPECT_NE(capture.printed.find(" *\n"), std::string::npos);
  // The resolved fixed point shows its character label.
  EXPECT_NE(capture.printed.find("[" + std::to_string(a1Field(sd, 2)) + ",1]  \n"),
            std::string::npos)
      << capture.printed;
}

TEST_F(CrossBoundSimpleCurrentTest, AFixedPointWithDisagreeingAlternatorGivesOneLabel) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  ASSERT_NE(sd, nullptr);
  makeDSeries(sd, 4);
  ASSERT_EQ(TotalBoundaries(), 4);
  // X(J, J) = 1/2: the alternator -1 disagrees with the twist +1 of J on the fixed point,
  // so it is not resolved.
  makeDSeries(sd, 4, 1);
  EXPECT_EQ(TotalIshibashi(), 4);
  ASSERT_EQ(TotalBoundaries(), 3);
  const int fixedPoint = a1Field(sd, 2);
  int found = 0;
  for (int a = 0; a < 3; ++a) {
    if (getBoundaryField(a) != fixedPoint) continue;
    ++found;
    EXPECT_EQ(crossBoundState().BoundaryLabels[static_cast<size_t>(a)].label, 0);
  }
  EXPECT_EQ(found, 1);
  // Three boundaries for four Ishibashi labels: "check completeness" fails.
  capture.clear();
  EXPECT_EQ(COM_check_complete(nullptr, 0), 1);
  EXPECT_TRUE(alerted("Completeness violation"));
}

TEST_F(CrossBoundSimpleCurrentTest, StoredReflectionAgreesWithDirectAndZeroIsRecomputed) {
  setIntPar("Use_orbits", 2);
  const SpectrumData* sd = useTheory(1, 1, 8);
  ASSERT_NE(sd, nullptr);
  makeDSeries(sd, 8);
  ASSERT_EQ(TotalBoundaries(), 6);
  ASSERT_EQ(CrossBoundOrbitsAvailable(), 1);
  CrossBoundState& s = crossBoundState();
  const int bulk = QueryBulkInvariant();
  for (int m = 0; m < 6; ++m) {
    for (int a = 0; a < 6; ++a) {
      double sr = 0, si = 0, dr = 0, di = 0;
      getCurrentReflectionCoefficient(m, a, &sr, &si);
      s.OrbitDataAvailable = -1;
      getCurrentReflectionCoefficient(m, a, &dr, &di);
      s.OrbitDataAvailable = bulk;
      EXPECT_NEAR(sr, dr, 1e-7) << m << " " << a;
      EXPECT_NEAR(si, di, 1e-7) << m << " " << a;
    }
  }
  capture.clear();
  checkReflectionCoefficients();
  EXPECT_TRUE(silent());
  // A stored real part of exactly 0.0 means "to be computed": it is filled again.
  for (std::vector<double>& row : s.reflectionRows)
    for (double& entry : row) entry = 0.0;
  double re = 0, im = 0;
  getCurrentReflectionCoefficient(0, 0, &re, &im);
  EXPECT_NEAR(re, std::sqrt(2.0) * modular_test::a1S(8, 0, a1Label(sd, getBoundaryField(0))), 1e-7);
  ASSERT_FALSE(s.reflectionRows.empty());
  ASSERT_FALSE(s.reflectionRows[0].empty());
  EXPECT_NE(s.reflectionRows[0][0], 0.0);
}

TEST_F(CrossBoundSimpleCurrentTest, CrosscapSignsAndKleinCurrentOnASimpleCurrentInvariant) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  ASSERT_NE(sd, nullptr);
  makeDSeries(sd, 4);
  ASSERT_EQ(initializeOpenString(), 0);
  OrientifoldInfo* record = getCurrentOrientifold();
  // Z2: one sign, then beta, phase numerators and denominators of two elements.
  EXPECT_EQ(record->crosscapSigns.size(), 7u);
  // K = 0, sign +1: phi(J) = X(J,J) = 0 would give sigma(J) = (-1)^h(J) = -1 for h(J) = 1,
  // so phi(J) becomes 1 and sigma(J) = +1: U(m) = eta (P(0,i) + P(J,i)) / sqrt 2.
  {
    double p0 = 0, p1 = 0, ignored = 0;
    compP(0, 0, &p0, &ignored);
    compP(1, 0, &p1, &ignored);
    const int eta = p0 + p1 < 0 ? -1 : 1;
    for (int m = 0; m < TotalIshibashi(); ++m) {
      const IshibashiLabel& l = crossBoundState().IshibashiLabels[static_cast<size_t>(m)];
      if (l.label != 0) continue;
      double re = 0, im = 0, a = 0, b = 0;
      getCurrentCrosscapCoefficient(m, 0, &re, &im);
      compP(0, l.primary, &a, &ignored);
      compP(1, l.primary, &b, &ignored);
      EXPECT_NEAR(re, eta * (a + b) / std::sqrt(2.0), 1e-7) << m;
      EXPECT_NEAR(im, 0.0, 1e-7) << m;
    }
    EXPECT_EQ(record->phaseNum()[1], 1);
    EXPECT_EQ(record->phaseDen()[1], 1);
  }
  const int counter = QueryOrientifold();
  const int minus = -1;
  EXPECT_EQ(setCrosscapSigns(1, &minus), 1);
  EXPECT_EQ(record->crosscapSigns[0], -1);
  EXPECT_EQ(QueryOrientifold(), counter + 1);
  // The same sign again changes nothing.
  EXPECT_EQ(setCrosscapSigns(1, &minus), 1);
  EXPECT_EQ(QueryOrientifold(), counter + 1);
  // Crosscaps of labels with a non-zero degeneracy label vanish; the tension is Re U(0) > 0.
  ASSERT_EQ(initializeOpenString(), 0);
  for (int m = 0; m < TotalIshibashi(); ++m) {
    double re = 0, im = 0;
    getCurrentCrosscapCoefficient(m, 0, &re, &im);
    if (crossBoundState().IshibashiLabels[static_cast<size_t>(m)].label != 0) {
      EXPECT_EQ(re, 0.0);
      EXPECT_EQ(im, 0.0);
    }
  }
  EXPECT_GE(getCurrentOrientifold()->tension, 0.0);
  // The Klein current J is an element of G: accepted with a notice.
  capture.clear();
  EXPECT_EQ(setKlein(1), 1);
  EXPECT_TRUE(alerted("Klein bottle current is an element of the simple current group"));
}

}  // namespace

namespace {

class CrossBoundSettingsTest : public ZoqTest {};

TEST_F(CrossBoundSettingsTest, OrientifoldOffSkipsTheExceptionalCrosscaps) {
  const SpectrumData* sd = modular_test::useTheory(1, 1, 10);
  ASSERT_NE(sd, nullptr);
  std::vector<int> M(121, 0);
  for (const std::vector<int>& block : {std::vector<int>{0, 6}, {3, 7}, {4, 10}})
    for (int l : block)
      for (int r : block)
        M[static_cast<size_t>(modular_test::a1Field(sd, l) * 11 + modular_test::a1Field(sd, r))] =
            1;
  makeExceptionalBulkInvariant(M.data(), *getCurrentBulk(), 0, 0);
  setIntPar("Orientifold", 0);
  bulkInvariantChanged();
  ASSERT_EQ(initializeOpenString(), 0);
  EXPECT_EQ(crossBoundState().CrosscapStatus, -1);
  EXPECT_EQ(isCrosscapAvailable(), 0);
  capture.clear();
  double re = 3.0, im = 3.0;
  getCurrentCrosscapCoefficient(0, 0, &re, &im);
  EXPECT_TRUE(alerted("Crosscaps not available"));
  EXPECT_EQ(re, 0.0);
  EXPECT_EQ(im, 0.0);
  // Switched on again (its change bumps the invariant): the crosscap computation runs.
  setIntPar("Orientifold", 1);
  bulkInvariantChanged();
  ASSERT_EQ(initializeOpenString(), 0);
  EXPECT_NE(crossBoundState().CrosscapStatus, -1);
  EXPECT_NE(crossBoundState().CrosscapStatus, 0);
}

TEST_F(CrossBoundSettingsTest, OrientedSetUpRunsOncePerInvariant) {
  ASSERT_NE(modular_test::useTheory(1, 1, 3), nullptr);
  setIntPar("Init_debug", 1);
  capture.clear();
  ASSERT_EQ(initializeOrientedOpenString(), 0);
  EXPECT_NE(capture.stdoutText.find("##init: Oriented open string data initialized\n"),
            std::string::npos);
  capture.clear();
  ASSERT_EQ(initializeOrientedOpenString(), 0);
  EXPECT_EQ(capture.stdoutText.find("##init:"), std::string::npos);
  // With "Use_orbits" 0 no orbit tables are built.
  setIntPar("Use_orbits", 0);
  bulkInvariantChanged();
  ASSERT_EQ(initializeOrientedOpenString(), 0);
  EXPECT_EQ(CrossBoundOrbitsAvailable(), 0);
  setIntPar("Init_debug", 0);
}

}  // namespace
