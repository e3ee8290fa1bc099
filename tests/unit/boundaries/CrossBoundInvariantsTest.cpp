// Boundary data of invariants as the invariant store builds them: the group read from the
// simple-current description of the D-series invariants of SU(2), their labels, the
// resolved fixed point, the annulus as a NIM-representation of the fusion rules (the D
// Dynkin diagrams), and the built-in exceptional invariants with the exponents of E6, E7
// and E8 as Ishibashi labels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "boundaries/CrossBound.h"
#include "boundaries/CrossBoundInternal.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "store/StoremanagerQueries.h"

namespace {

using modular_test::a1Field;
using modular_test::a1Label;
using modular_test::Complex;
using modular_test::useTheory;

class CrossBoundInvariantsTest : public ZoqTest {
 protected:
  // SU(2) at level k (k = 0 mod 4) with its D-series invariant current: the one invariant
  // of the group {0, J} besides the diagonal one, MIPF number 1.
  const SpectrumData* dSeries(int k) {
    const SpectrumData* sd = useTheory(1, 1, k);
    if (sd == nullptr) return nullptr;
    BulkInvariant* bi = getBulkInvariantByNumber(1);
    EXPECT_NE(bi, nullptr) << k;
    if (bi == nullptr) return nullptr;
    EXPECT_EQ(bi->simple_current, 1);
    EXPECT_EQ(bi->diagonal, 0);
    capture.clear();
    return sd;
  }

  std::vector<std::vector<int>> annulusMatrix(int i) {
    const int n = TotalBoundaries();
    std::vector<std::vector<int>> A(static_cast<size_t>(n), std::vector<int>(static_cast<size_t>(n)));
    for (int a = 0; a < n; ++a)
      for (int b = 0; b < n; ++b)
        A[static_cast<size_t>(a)][static_cast<size_t>(b)] = getOrientedAnnulus(i, a, b);
    return A;
  }
};

// The shape of a tree: sorted degrees, and the number of leaves next to the node of
// degree 3 (D4: 3; D_n, n > 4: 2; E_n: 1). Empty when A is not the adjacency matrix of a
// tree with one node of degree 3.
std::pair<std::vector<int>, int> treeShape(const std::vector<std::vector<int>>& A) {
  const size_t n = A.size();
  std::vector<int> degree(n, 0);
  int edges = 0;
  for (size_t a = 0; a < n; ++a) {
    for (size_t b = 0; b < n; ++b) {
      if (A[a][b] != A[b][a] || A[a][b] < 0 || A[a][b] > 1 || (a == b && A[a][b] != 0)) return {};
      degree[a] += A[a][b];
      edges += A[a][b];
    }
  }
  if (edges / 2 != static_cast<int>(n) - 1) return {};
  const auto fork = std::find(degree.begin(), degree.end(), 3);
  if (fork == degree.end() || std::count(degree.begin(), degree.end(), 3) != 1) return {};
  const size_t f = static_cast<size_t>(fork - degree.begin());
  int leaves = 0;
  for (size_t b = 0; b < n; ++b) leaves += A[f][b] == 1 && degree[b] == 1 ? 1 : 0;
  std::vector<int> sorted = degree;
  std::sort(sorted.begin(), sorted.end());
  return {sorted, leaves};
}

// The modular-invariant group charges of an orientifold record: for every element J of G
// the index of the charge vector Q(J) + Q(K) (mod n) in the collection of charge vectors,
// K the Klein current; every record of the D-series list, each Klein current once more.
TEST_F(CrossBoundInvariantsTest, GroupChargesAreTheIndicesOfTheSummedChargeVectors) {
  ASSERT_NE(dSeries(8), nullptr);
  ASSERT_EQ(initializeOpenString(), 0);
  ASSERT_EQ(ModularOrbitsAvailable(), QueryCFT());
  const InvariantGroup* G = invariantGroup(currentBulk());
  ASSERT_NE(G, nullptr);
  const int n = std::max(CenterOrder(), 1);
  int total = 0, count = 0;
  OrientifoldInfo** list = getPositiveTensionOrientifolds(&total, &count);
  ASSERT_GT(total, 0);
  for (int pass = 0; pass < 2; ++pass) {
    for (int r = 0; r < total; ++r) {
      OrientifoldInfo* record = list[r];
      record->groupCharges.clear();
      loadModInvGroupCharges(record);
      ASSERT_EQ(record->groupCharges.size(), G->currents.size()) << r;
      const int* qK = getChargeVector(record->klein);
      for (size_t e = 0; e < G->currents.size(); ++e) {
        const int* qJ = getChargeVector(G->currents[e]);
        std::vector<int> v(static_cast<size_t>(n));
        for (int c = 0; c < n; ++c) v[static_cast<size_t>(c)] = (qJ[c] + qK[c]) % n;
        EXPECT_EQ(record->groupCharges[e], findChargeVector(v.data())) << r << " " << e;
        EXPECT_GE(record->groupCharges[e], 0);
      }
    }
  }
}

TEST_F(CrossBoundInvariantsTest, TheGroupOfTheDSeriesIsReadFromItsDescription) {
  for (int k : {4, 8}) {
    ASSERT_NE(dSeries(k), nullptr);
    const InvariantGroup* G = invariantGroup(currentBulk());
    ASSERT_NE(G, nullptr);
    // {0, J}, J the field of Dynkin label k (field 1), one cyclic factor of order 2.
    EXPECT_EQ(G->currents, (std::vector<int>{0, 1})) << k;
    EXPECT_EQ(G->factorOrders, (std::vector<int>{2}));
    EXPECT_EQ(G->generators, (std::vector<int>{1}));
    ASSERT_EQ(G->X.size(), 4u);
    // J extends the chiral algebra, so X(J, J) is integral, and J is a symmetry current.
    Rat x = G->X[3];
    simplifyRat(&x);
    EXPECT_EQ(x.den, 1) << k;
    EXPECT_EQ(G->symmetryCurrents, (std::vector<int>{0, 1}));
    EXPECT_EQ(G->elementOf(1), 1);
    EXPECT_EQ(G->elementOf(2), -1);
    EXPECT_EQ(G->product(1, 1), 0);
  }
  // The diagonal invariant has the trivial group; an exceptional one none.
  ASSERT_NE(useTheory(1, 1, 4), nullptr);
  const InvariantGroup* trivial = invariantGroup(currentBulk());
  ASSERT_NE(trivial, nullptr);
  EXPECT_EQ(trivial->order(), 1);
  EXPECT_TRUE(trivial->factorOrders.empty());
  ASSERT_NE(useTheory(1, 1, 10), nullptr);
  ASSERT_EQ(buildExceptionalInvariant(getExceptionalInvariantLabel(currentSD, 1)), 1);
  EXPECT_EQ(invariantGroup(currentBulk()), nullptr);
  EXPECT_TRUE(invariantGroupCurrents(currentBulk()).empty());
}

TEST_F(CrossBoundInvariantsTest, DSeriesLabelsResolveTheFixedPoint) {
  struct Case {
    int k;
    int labels;
  };
  // D4 at level 4 and D6 at level 8: as many labels as nodes of the diagram.
  for (const Case& c : {Case{4, 4}, Case{8, 6}}) {
    const SpectrumData* sd = dSeries(c.k);
    ASSERT_NE(sd, nullptr);
    ASSERT_EQ(TotalIshibashi(), c.labels) << c.k;
    ASSERT_EQ(TotalBoundaries(), c.labels) << c.k;
    // Z(l, l) = 1 for every even l other than k/2 and Z(k/2, k/2) = 2, the fixed point's
    // two labels told apart by the degeneracy labels 0 and J.
    std::multiset<std::pair<int, int>> ishibashi, evens;
    for (int m = 0; m < c.labels; ++m) {
      const IshibashiLabel& l = crossBoundState().IshibashiLabels[static_cast<size_t>(m)];
      ishibashi.insert({a1Label(sd, l.primary), l.label});
    }
    for (int l = 0; l <= c.k; l += 2)
      if (2 * l != c.k) evens.insert({l, 0});
    evens.insert({c.k / 2, 0});
    evens.insert({c.k / 2, 1});
    EXPECT_EQ(ishibashi, evens) << c.k;
    // Boundaries: one per J-orbit {l, k - l}, the fixed point k/2 resolved in two; those of
    // odd l break the extended symmetry.
    int resolved = 0;
    std::multiset<int> orbits;
    for (int a = 0; a < c.labels; ++a) {
      const int l = a1Label(sd, getBoundaryField(a));
      orbits.insert(std::min(l, c.k - l));
      resolved += getBoundaryFixed(a);
      EXPECT_EQ(SymBsymB(a), l % 2 == 1 ? '*' : ' ') << c.k << " " << a;
    }
    EXPECT_EQ(resolved, 2);
    std::multiset<int> expectedOrbits;
    for (int l = 0; 2 * l < c.k; ++l) expectedOrbits.insert(l);
    expectedOrbits.insert(c.k / 2);
    expectedOrbits.insert(c.k / 2);
    EXPECT_EQ(orbits, expectedOrbits) << c.k;
  }
}

TEST_F(CrossBoundInvariantsTest, DSeriesAnnulusIsTheDDiagramWithAndWithoutOrbits) {
  struct Case {
    int k;
    std::vector<int> degrees;
    int forkLeaves;
  };
  // D4: a centre joined to three ends; D6: a chain with a fork of two ends.
  const std::vector<Case> cases = {{4, {1, 1, 1, 3}, 3}, {8, {1, 1, 1, 2, 2, 3}, 2}};
  for (int orbits : {0, 1, 2}) {
    setIntPar("Use_orbits", orbits);
    for (const Case& c : cases) {
      const SpectrumData* sd = dSeries(c.k);
      ASSERT_NE(sd, nullptr);
      const int n = TotalBoundaries();
      ASSERT_EQ(n, static_cast<int>(c.degrees.size()));
      EXPECT_EQ(CrossBoundOrbitsAvailable(), orbits >= 1 ? 1 : 0);
      // R is unitary: the boundaries are complete.
      for (int m = 0; m < n; ++m) {
        for (int m2 = 0; m2 < n; ++m2) {
          Complex sum = 0.0;
          for (int a = 0; a < n; ++a) {
            double r1 = 0, i1 = 0, r2 = 0, i2 = 0;
            getCurrentReflectionCoefficient(m, a, &r1, &i1);
            getCurrentReflectionCoefficient(m2, a, &r2, &i2);
            sum += Complex(r1, i1) * std::conj(Complex(r2, i2));
          }
          EXPECT_NEAR(sum.real(), m == m2 ? 1.0 : 0.0, 1e-7) << c.k << " " << m << " " << m2;
          EXPECT_NEAR(sum.imag(), 0.0, 1e-7);
        }
      }
      // A^0 is the identity, A^1 the adjacency matrix of D_n.
      const auto A0 = annulusMatrix(a1Field(sd, 0));
      for (int a = 0; a < n; ++a)
        for (int b = 0; b < n; ++b)
          EXPECT_EQ(A0[static_cast<size_t>(a)][static_cast<size_t>(b)], a == b ? 1 : 0);
      const auto shape = treeShape(annulusMatrix(a1Field(sd, 1)));
      EXPECT_EQ(shape.first, c.degrees) << "k=" << c.k << " orbits " << orbits;
      EXPECT_EQ(shape.second, c.forkLeaves) << "k=" << c.k << " orbits " << orbits;
      EXPECT_TRUE(silent()) << capture.diagnostics;
    }
  }
}

TEST_F(CrossBoundInvariantsTest, DSeriesAnnuliRepresentTheFusionRules) {
  // A^i A^j = sum_l N_ij^l A^l with non-negative integer entries (a NIM-representation).
  const int k = 8;
  setIntPar("Use_orbits", 2);
  const SpectrumData* sd = dSeries(k);
  ASSERT_NE(sd, nullptr);
  const int n = TotalBoundaries();
  std::vector<std::vector<std::vector<int>>> A;
  for (int l = 0; l <= k; ++l) A.push_back(annulusMatrix(a1Field(sd, l)));
  for (int i = 0; i <= k; ++i) {
    for (int a = 0; a < n; ++a)
      for (int b = 0; b < n; ++b) EXPECT_GE(A[static_cast<size_t>(i)][static_cast<size_t>(a)][static_cast<size_t>(b)], 0);
  }
  for (int i = 0; i <= k; ++i) {
    for (int j = 0; j <= k; ++j) {
      for (int a = 0; a < n; ++a) {
        for (int b = 0; b < n; ++b) {
          int product = 0;
          for (int c = 0; c < n; ++c)
            product += A[static_cast<size_t>(i)][static_cast<size_t>(a)][static_cast<size_t>(c)] *
                       A[static_cast<size_t>(j)][static_cast<size_t>(c)][static_cast<size_t>(b)];
          int sum = 0;
          for (int l = 0; l <= k; ++l)
            sum += modular_test::a1Fusion(k, i, j, l) *
                   A[static_cast<size_t>(l)][static_cast<size_t>(a)][static_cast<size_t>(b)];
          EXPECT_EQ(product, sum) << i << " " << j << " " << a << " " << b;
        }
      }
    }
  }
}

TEST_F(CrossBoundInvariantsTest, StoredAndDirectReflectionAgreeOnTheDSeries) {
  setIntPar("Use_orbits", 2);
  ASSERT_NE(dSeries(8), nullptr);
  ASSERT_EQ(TotalBoundaries(), 6);
  ASSERT_EQ(CrossBoundOrbitsAvailable(), 1);
  CrossBoundState& s = crossBoundState();
  const int bulk = QueryBulkInvariant();
  const int n = TotalBoundaries();
  for (int m = 0; m < n; ++m) {
    for (int a = 0; a < n; ++a) {
      double sr = 0, si = 0, dr = 0, di = 0;
      getCurrentReflectionCoefficient(m, a, &sr, &si);
      s.OrbitDataAvailable = -1;
      getCurrentReflectionCoefficient(m, a, &dr, &di);
      s.OrbitDataAvailable = bulk;
      EXPECT_NEAR(sr, dr, 1e-7) << m << " " << a;
      EXPECT_NEAR(si, di, 1e-7) << m << " " << a;
    }
  }
  checkReflectionCoefficients();
  EXPECT_TRUE(silent()) << capture.diagnostics;
  // A stored 0.0 is taken as not computed: the look-up fills it again.
  for (std::vector<double>& row : s.reflectionRows) std::fill(row.begin(), row.end(), 0.0);
  double re = 0, im = 0, dr = 0, di = 0;
  getCurrentReflectionCoefficient(1, 1, &re, &im);
  s.OrbitDataAvailable = -1;
  getCurrentReflectionCoefficient(1, 1, &dr, &di);
  s.OrbitDataAvailable = bulk;
  EXPECT_NEAR(re, dr, 1e-7);
  EXPECT_NEAR(im, di, 1e-7);
  long long stored = 0;
  for (const std::vector<double>& row : s.reflectionRows)
    stored += std::count_if(row.begin(), row.end(), [](double v) { return v != 0.0; });
  EXPECT_GT(stored, 0);
}

TEST_F(CrossBoundInvariantsTest, ReflectionRowsAreMadeAsTheyAreFirstAsked) {
  // The stored coefficients of an Ishibashi orbit take a row of 2 x (boundary orbits)
  // doubles, made at the first look-up in that row; the others stay empty.
  setIntPar("Use_orbits", 2);
  ASSERT_NE(dSeries(8), nullptr);
  ASSERT_EQ(TotalBoundaries(), 6);
  ASSERT_EQ(CrossBoundOrbitsAvailable(), 1);
  CrossBoundState& s = crossBoundState();
  ASSERT_EQ(s.reflectionRows.size(), static_cast<std::size_t>(s.NIshiOrbit));
  for (const std::vector<double>& row : s.reflectionRows) EXPECT_TRUE(row.empty());
  double re = 0, im = 0;
  getCurrentReflectionCoefficient(0, 1, &re, &im);
  int made = 0;
  for (const std::vector<double>& row : s.reflectionRows) {
    if (row.empty()) continue;
    ++made;
    EXPECT_EQ(row.size(), 2 * static_cast<std::size_t>(s.NBoundaryOrbit));
  }
  EXPECT_EQ(made, 1);
}

TEST_F(CrossBoundInvariantsTest, KleinCurrentAgainChangesNoCounterOnTheDSeries) {
  ASSERT_NE(dSeries(4), nullptr);
  ASSERT_EQ(initializeOpenString(), 0);
  OrientifoldInfo* current = getCurrentOrientifold();
  // Z2: one sign, then beta, phase numerators and denominators of two elements.
  EXPECT_EQ(current->crosscapSigns.size(), 7u);
  const int counter = QueryOrientifold();
  const int sequence = current->sequence;
  EXPECT_EQ(setKlein(0), 1);
  EXPECT_EQ(QueryOrientifold(), counter);
  EXPECT_EQ(current->sequence, sequence);
  // The tension Re U(0) is non-negative, and labels of degeneracy label J have U = 0.
  ASSERT_EQ(initializeOpenString(), 0);
  EXPECT_GE(getCurrentOrientifold()->tension, 0.0);
  for (int m = 0; m < TotalIshibashi(); ++m) {
    if (crossBoundState().IshibashiLabels[static_cast<size_t>(m)].label == 0) continue;
    double re = 1, im = 1;
    getCurrentCrosscapCoefficient(m, 0, &re, &im);
    EXPECT_EQ(re, 0.0);
    EXPECT_EQ(im, 0.0);
  }
}

TEST_F(CrossBoundInvariantsTest, BuiltInExceptionalInvariantsHaveTheExponentsAsLabels) {
  struct Case {
    int k;
    std::vector<int> exponents;
  };
  // Ishibashi labels l = exponent - 1 of E6, E7 and E8.
  const std::vector<Case> cases = {{10, {1, 4, 5, 7, 8, 11}},
                                   {16, {1, 5, 7, 9, 11, 13, 17}},
                                   {28, {1, 7, 11, 13, 17, 19, 23, 29}}};
  for (const Case& c : cases) {
    SpectrumData* sd = useTheory(1, 1, c.k);
    ASSERT_NE(sd, nullptr);
    ASSERT_EQ(buildExceptionalInvariant(getExceptionalInvariantLabel(sd, 1)), 1) << c.k;
    const int n = static_cast<int>(c.exponents.size());
    EXPECT_EQ(TotalIshibashi(), n) << c.k;
    EXPECT_EQ(TotalBoundaries(), n) << c.k;
    std::vector<int> labels;
    for (int m = 0; m < n; ++m) labels.push_back(a1Label(sd, getIshibashiField(m)) + 1);
    std::sort(labels.begin(), labels.end());
    EXPECT_EQ(labels, c.exponents) << c.k;
    // No boundary data yet: no orbits either.
    EXPECT_EQ(CrossBoundOrbitsAvailable(), 0);
  }
}

TEST_F(CrossBoundInvariantsTest, EveryInvariantOfZ2TimesZ2HasCompleteBoundaries) {
  // SO(8) at levels 1 and 2, centre Z2 x Z2 (level 2 with fixed points of the whole centre):
  // for every simple-current invariant as many boundaries as Ishibashi labels, R unitary,
  // the annulus a NIM-representation (A^0 = 1, entries non-negative integers), the same
  // with and without orbit tables.
  setIntPar("Reject permutations", 0);
  for (int level : {1, 2}) {
    int seen = 0;
    for (int number = 1; number < 12; ++number) {
      std::vector<std::vector<std::vector<int>>> annuli;
      for (int orbits : {0, 2}) {
        setIntPar("Use_orbits", orbits);
        ASSERT_NE(useTheory(4, 4, level), nullptr);
        BulkInvariant* bi = getBulkInvariantByNumber(number);
        if (bi == nullptr) break;
        capture.clear();
        const int n = TotalBoundaries();
        ASSERT_GT(n, 0);
        EXPECT_EQ(TotalIshibashi(), n) << level << " " << number;
        for (int m = 0; m < n; ++m) {
          for (int m2 = 0; m2 < n; ++m2) {
            Complex sum = 0.0;
            for (int a = 0; a < n; ++a) {
              double r1 = 0, i1 = 0, r2 = 0, i2 = 0;
              getCurrentReflectionCoefficient(m, a, &r1, &i1);
              getCurrentReflectionCoefficient(m2, a, &r2, &i2);
              sum += Complex(r1, i1) * std::conj(Complex(r2, i2));
            }
            EXPECT_NEAR(std::abs(sum - Complex(m == m2 ? 1.0 : 0.0, 0.0)), 0.0, 1e-7)
                << level << " " << number << " " << m << " " << m2;
          }
        }
        std::vector<std::vector<int>> all;
        for (int i = 0; i < primaryCount(); ++i) {
          for (int a = 0; a < n; ++a) {
            std::vector<int> row;
            for (int b = 0; b < n; ++b) {
              const int value = getOrientedAnnulus(i, a, b);
              EXPECT_GE(value, 0);
              if (i == 0) {
                EXPECT_EQ(value, a == b ? 1 : 0) << level << " " << number;
              }
              row.push_back(value);
            }
            all.push_back(row);
          }
        }
        EXPECT_TRUE(silent()) << level << " " << number << ": " << capture.diagnostics;
        annuli.push_back(all);
        // A symmetric invariant's orientifold record holds one sign per cyclic factor, then
        // beta and the two halves of the phases per element.
        const InvariantGroup* G = invariantGroup(currentBulk());
        ASSERT_NE(G, nullptr);
        if (bi->symmetric == 1) {
          ASSERT_EQ(initializeOpenString(), 0);
          EXPECT_EQ(getCurrentOrientifold()->crosscapSigns.size(),
                    static_cast<size_t>(3 * G->order()) + G->factorOrders.size());
          EXPECT_GE(getCurrentOrientifold()->tension, 0.0);
        }
      }
      if (annuli.size() < 2) break;
      EXPECT_EQ(annuli[0], annuli[1]) << level << " " << number;
      ++seen;
    }
    // Each of the three subgroups Z2 and the whole group has an invariant of its own.
    EXPECT_GE(seen, 4) << level;
  }
}

// The unoriented amplitudes from their sums over Ishibashi labels, with the crosscap and
// flipped coefficients of the current orientifold:
//   K^i    = sum_m S*(i_m, i) U~(m) U(m) / S(i_m, 0),
//   A^i_ab = sum_m S*(i_m, i) R(m, a) R~(m, b) / S(i_m, 0),
//   M^i_a  = sum_m R~(m, a) U(m) P*(i, i_m) / S(i_m, 0).
// Consistent crosscaps make them integers that project the torus and the annulus:
// K^i = Z(i, i^c) and M^i_a = A^i_aa modulo 2, |K^i| <= Z(i, i^c), |M^i_a| <= A^i_aa,
// and A^i_ab >= 0.
void expectConsistentCrosscaps(const char* what) {
  ASSERT_EQ(initializeOpenString(), 0) << what;
  BulkInvariant* bi = currentBulk();
  const int L = TotalIshibashi();
  const int N = primaryCount();
  std::vector<Complex> U(static_cast<size_t>(L)), Uf(static_cast<size_t>(L));
  for (int m = 0; m < L; ++m) {
    double re = 0, im = 0;
    getCurrentCrosscapCoefficient(m, 0, &re, &im);
    U[static_cast<size_t>(m)] = Complex(re, im);
    getCurrentCrosscapCoefficientFlipped(m, 0, &re, &im);
    Uf[static_cast<size_t>(m)] = Complex(re, im);
  }
  auto S = [](int a, int b) {
    double re = 0, im = 0;
    compS(a, b, &re, &im);
    return Complex(re, im);
  };
  for (int i = 0; i < N; ++i) {
    Complex K = 0.0;
    for (int m = 0; m < L; ++m) {
      const int im = getIshibashiField(m);
      K += std::conj(S(im, i)) * Uf[static_cast<size_t>(m)] * U[static_cast<size_t>(m)] /
           S(im, 0).real();
    }
    const long k = std::lround(K.real());
    EXPECT_NEAR(std::abs(K - Complex(static_cast<double>(k), 0.0)), 0.0, 1e-7) << what << " K " << i;
    const int Z = bulkEntry(bi, i, getConjugate(i));
    EXPECT_EQ((Z - k) % 2, 0) << what << " K " << i << " Z " << Z;
    EXPECT_LE(std::labs(k), Z) << what << " K " << i;
    for (int a = 0; a < TotalBoundaries(); ++a) {
      Complex A = 0.0;
      for (int m = 0; m < L; ++m) {
        const int im = getIshibashiField(m);
        double rr = 0, ri = 0, fr = 0, fi = 0;
        getCurrentReflectionCoefficient(m, a, &rr, &ri);
        getCurrentReflectionCoefficientFlipped(m, a, &fr, &fi);
        A += std::conj(S(im, i)) * Complex(rr, ri) * Complex(fr, fi) / S(im, 0).real();
      }
      const long annulus = std::lround(A.real());
      EXPECT_NEAR(std::abs(A - Complex(static_cast<double>(annulus), 0.0)), 0.0, 1e-7)
          << what << " A " << i << " " << a;
      EXPECT_GE(annulus, 0) << what << " A " << i << " " << a;
      Complex M = 0.0;
      for (int m = 0; m < L; ++m) {
        const int im = getIshibashiField(m);
        double rr = 0, ri = 0, pr = 0, pi = 0;
        getCurrentReflectionCoefficientFlipped(m, a, &rr, &ri);
        compP(i, im, &pr, &pi);
        M += Complex(rr, ri) * U[static_cast<size_t>(m)] * std::conj(Complex(pr, pi)) /
             S(im, 0).real();
      }
      const long mo = std::lround(M.real());
      EXPECT_NEAR(std::abs(M - Complex(static_cast<double>(mo), 0.0)), 0.0, 1e-7)
          << what << " M " << i << " " << a;
      EXPECT_EQ((annulus - mo) % 2, 0) << what << " M " << i << " " << a << " A " << annulus;
      EXPECT_LE(std::labs(mo), annulus) << what << " M " << i << " " << a;
    }
  }
}

TEST_F(CrossBoundInvariantsTest, CrosscapsOfTheDSeriesGiveIntegerKleinAndMoebiusAmplitudes) {
  for (int orbits : {0, 2}) {
    setIntPar("Use_orbits", orbits);
    for (int k : {4, 8}) {
      ASSERT_NE(dSeries(k), nullptr);
      for (int K : {0, 1}) {
        for (int sign : {1, -1}) {
          ASSERT_EQ(initializeOpenString(), 0);
          ASSERT_EQ(setKlein(K), 1);
          ASSERT_EQ(setCrosscapSigns(1, &sign), 1);
          capture.clear();
          const std::string what = "k=" + std::to_string(k) + " K=" + std::to_string(K) +
                                   " sign " + std::to_string(sign) + " orbits " +
                                   std::to_string(orbits);
          expectConsistentCrosscaps(what.c_str());
          EXPECT_GE(getCurrentOrientifold()->tension, 0.0);
        }
      }
    }
  }
}

TEST_F(CrossBoundInvariantsTest, CrosscapsOfSymmetricZ2TimesZ2InvariantsAreConsistent) {
  setIntPar("Reject permutations", 0);
  for (int number = 1; number < 12; ++number) {
    ASSERT_NE(useTheory(4, 4, 2), nullptr);
    BulkInvariant* bi = getBulkInvariantByNumber(number);
    if (bi == nullptr) break;
    if (bi->symmetric != 1) continue;
    const InvariantGroup* G = invariantGroup(bi);
    ASSERT_NE(G, nullptr);
    // Every Klein current of the centre with every sign choice of the group's factors.
    const int factors = static_cast<int>(G->factorOrders.size());
    for (int K = 0; K < 4; ++K) {
      for (int choice = 0; choice < (1 << factors); ++choice) {
        ASSERT_EQ(initializeOpenString(), 0);
        setKlein(K);
        std::vector<int> signs;
        for (int f = 0; f < factors; ++f) signs.push_back((choice >> f) & 1 ? -1 : 1);
        if (factors > 0) setCrosscapSigns(factors, signs.data());
        capture.clear();
        const std::string what = "nr " + std::to_string(number) + " K=" + std::to_string(K) +
                                 " signs " + std::to_string(choice);
        expectConsistentCrosscaps(what.c_str());
      }
    }
  }
}

TEST_F(CrossBoundInvariantsTest, InvariantsOfZ3AndZ4CentresHaveConsistentBoundariesAndCrosscaps) {
  // SU(3) at level 3 (Z3; the fixed point (1,1) resolved by the characters of Z3) and SU(4)
  // at level 2 (Z4; fixed points of J^2): for every simple-current invariant complete,
  // unitary boundaries and, for the symmetric ones, crosscaps that give integer amplitudes
  // for every Klein current of the centre.
  struct Theory {
    int rank;
    int level;
    int centre;
  };
  setIntPar("Reject permutations", 0);
  for (const Theory& t : {Theory{2, 3, 3}, Theory{3, 2, 4}}) {
    int seen = 0;
    for (int number = 1; number < 12; ++number) {
      ASSERT_NE(useTheory(1, t.rank, t.level), nullptr);
      BulkInvariant* bi = getBulkInvariantByNumber(number);
      if (bi == nullptr) break;
      ++seen;
      capture.clear();
      const std::string what = "A" + std::to_string(t.rank) + " level " +
                               std::to_string(t.level) + " nr " + std::to_string(number);
      const int n = TotalBoundaries();
      ASSERT_GT(n, 0) << what;
      EXPECT_EQ(TotalIshibashi(), n) << what;
      for (int m = 0; m < n; ++m) {
        for (int m2 = 0; m2 < n; ++m2) {
          Complex sum = 0.0;
          for (int a = 0; a < n; ++a) {
            double r1 = 0, i1 = 0, r2 = 0, i2 = 0;
            getCurrentReflectionCoefficient(m, a, &r1, &i1);
            getCurrentReflectionCoefficient(m2, a, &r2, &i2);
            sum += Complex(r1, i1) * std::conj(Complex(r2, i2));
          }
          EXPECT_NEAR(std::abs(sum - Complex(m == m2 ? 1.0 : 0.0, 0.0)), 0.0, 1e-7)
              << what << " " << m << " " << m2;
        }
      }
      for (int i = 0; i < primaryCount(); ++i)
        for (int a = 0; a < n; ++a)
          for (int b = 0; b < n; ++b) EXPECT_GE(getOrientedAnnulus(i, a, b), 0) << what;
      EXPECT_TRUE(silent()) << what << ": " << capture.diagnostics;
      if (bi->symmetric != 1) continue;
      for (int K = 0; K < t.centre; ++K) {
        ASSERT_EQ(initializeOpenString(), 0);
        setKlein(K);
        capture.clear();
        expectConsistentCrosscaps((what + " K=" + std::to_string(K)).c_str());
      }
    }
    // Z3: its extension; Z4: the invariants of Z2 = {0, J^2} and of Z4.
    EXPECT_GE(seen, t.centre == 3 ? 1 : 2) << t.rank;
  }
}

}  // namespace
