// Orientifolds of the current bulk invariant: the list (count, tension order, identification
// edge cases), the unoriented amplitudes of SU(2) against closed forms, the checks, boundary
// conjugates and Chan-Paton group types, and the Klein-bottle search of an exceptional
// invariant.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "InvariantEnumerationTestSupport.h"
#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "boundaries/CrossBound.h"
#include "boundaries/CrossBoundInternal.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "interpreter/Interpreter.h"
#include "runtime/Error.h"
#include "runtime/Parameters.h"

namespace {

using modular_test::a1Field;
using modular_test::a1Fusion;
using modular_test::a1Label;
using modular_test::kPi;
using modular_test::useTheory;

class OrientifoldTest : public ZoqTest {};

// |P(l, 0)| of SU(2) at level k: 2/sqrt(k+2) sin(pi (l+1)/(2(k+2))) when l + k is even, else 0.
double a1Tension(int k, int l) {
  if ((l + k) % 2 != 0) return 0.0;
  return std::fabs(2.0 / std::sqrt(k + 2.0) * std::sin(kPi * (l + 1) / (2.0 * (k + 2))));
}

// Makes the user-defined orientifold carry Klein current K (0 or the current 1 = J).
void useKlein(int K) {
  ASSERT_EQ(initializeOpenString(), 0);
  setUserDefinedOrientifold();
  ASSERT_EQ(setKlein(K), 1);
  ASSERT_EQ(initializeOpenString(), 0);
}

TEST_F(OrientifoldTest, SU2HasOneOrientifoldPerKleinCurrentOrderedByTension) {
  for (int k = 1; k <= 8; ++k) {
    const SpectrumData* sd = useTheory(1, 1, k);
    ASSERT_NE(sd, nullptr);
    ASSERT_EQ(a1Label(sd, 1), k);  // current 1 is J
    EXPECT_EQ(TotalOrientifolds(), 2) << k;
    // K = 0 has zero tension at odd level.
    EXPECT_EQ(TotalOrientifoldsWithTension(), k % 2 == 0 ? 2 : 1) << k;
    // |P(J,0)| = 2/sqrt(k+2) cos(pi/(2(k+2))) exceeds |P(0,0)|: J comes first.
    const OrientifoldInfo* first = getOrientifoldByNumber(0);
    const OrientifoldInfo* second = getOrientifoldByNumber(1);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->klein, 1);
    EXPECT_EQ(second->klein, 0);
    EXPECT_NEAR(first->tension, a1Tension(k, k), 1e-7) << k;
    EXPECT_NEAR(second->tension, a1Tension(k, 0), 1e-7) << k;
    EXPECT_EQ(first->listPosition, 0);
    EXPECT_EQ(second->listPosition, 1);
    int total = 0, count = 0;
    OrientifoldInfo** list = getPositiveTensionOrientifolds(&total, &count);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(total, 2);
    EXPECT_EQ(count, k % 2 == 0 ? 2 : 1);
    EXPECT_EQ(list[0], first);
  }
}

TEST_F(OrientifoldTest, AnOddNumberOfSimpleCurrentsGivesTheTrivialOrientifoldOnly) {
  for (int type : {1, 5}) {
    const int rank = type == 1 ? 2 : 6;  // A2 and E6 at level 1: three simple currents
    ASSERT_NE(useTheory(type, rank, 1), nullptr);
    ASSERT_EQ(CenterOrder(), 3);
    EXPECT_EQ(TotalOrientifolds(), 1) << type;
    ASSERT_NE(getOrientifoldByNumber(0), nullptr);
    EXPECT_EQ(getOrientifoldByNumber(0)->klein, 0);
  }
}

TEST_F(OrientifoldTest, ListIndexOutsideTheListIsRefused) {
  ASSERT_NE(useTheory(1, 1, 2), nullptr);
  ASSERT_EQ(loadOrientifolds(), 2);
  capture.clear();
  EXPECT_EQ(getOrientifoldByNumber(2), nullptr);
  EXPECT_TRUE(alerted("Orientifold nr. out of range"));
  EXPECT_EQ(getOrientifoldByNumber(-1), nullptr);
  EXPECT_TRUE(alerted("Orientifold nr. out of range"));
  EXPECT_EQ(setStoredOrientifold(2), nullptr);
  EXPECT_TRUE(alerted("Orientifold nr. out of range"));
}

TEST_F(OrientifoldTest, BuildingTheListLeavesTheUsersOrientifoldCurrent) {
  ASSERT_NE(useTheory(1, 1, 4), nullptr);
  useKlein(1);
  OrientifoldInfo* user = getCurrentOrientifold();
  const int before = QueryOrientifold();
  ASSERT_EQ(loadOrientifolds(), 2);
  EXPECT_EQ(getCurrentOrientifold(), user);
  EXPECT_EQ(user->klein, 1);
  // Caches keyed to the counter are rebuilt once.
  EXPECT_GT(QueryOrientifold(), before);
  const int after = QueryOrientifold();
  ASSERT_EQ(loadOrientifolds(), 2);
  EXPECT_EQ(QueryOrientifold(), after);
  // The equivalence class of the user's choice is the list entry with the same current.
  EXPECT_EQ(matchToNewOrientifoldList(user), 0);
  ASSERT_NE(setStoredOrientifold(1), nullptr);
  EXPECT_EQ(matchToNewOrientifoldList(getCurrentOrientifold()), 1);
}

// A processor clock that moves on by 61 seconds at every reading.
long long advancingClock() {
  static long long now = 0;
  now += 61000000;
  return now;
}

TEST_F(OrientifoldTest, IdentificationGivesUpOnlyAfterElevenFruitlessItemsPastSixtySeconds) {
  // A63 at level 1: the currents Z_64; K and K Q^-1 (Q a square) are identified, so the
  // even and the odd currents form the two classes. The first row finds every other member
  // of its class by root reduction; the next rows find nothing new.
  {
    FixedClock clock(0);
    ASSERT_NE(useTheory(1, 63, 1), nullptr);
    ASSERT_EQ(CenterOrder(), 64);
    capture.clear();
    EXPECT_EQ(loadOrientifolds(), 2);
    EXPECT_EQ(capture.printed.find("giving up"), std::string::npos);
    EXPECT_EQ(capture.printed.find("Orientifold identification aborted"), std::string::npos);
  }
  ASSERT_NE(useTheory(1, 63, 1), nullptr);
  setClockSource(advancingClock);
  capture.clear();
  const int n = loadOrientifolds();
  setClockSource(nullptr);
  EXPECT_EQ(n, 2);
  EXPECT_NE(capture.printed.find("Analyzed 11 squared currents; giving up at time"),
            std::string::npos);
  EXPECT_NE(capture.printed.find("Orientifold identification aborted\n"), std::string::npos);
  EXPECT_TRUE(alerted("Orientifold identification aborted; some orientifolds may be identical"));
  EXPECT_EQ(getOrientifoldByNumber(0)->klein, 0);
  EXPECT_EQ(getOrientifoldByNumber(1)->klein, 1);
}

// Three SU(2) level 4 factors with invariant 11 of the symmetric scan current: G = Z2^3 (J in
// each factor), X pairing only factors 2 and 3.
void selectSU2Level4CubedInvariant11() {
  enumeration_test::storeSU2Level4CubedInvariants();
  ASSERT_LE(executeCommandLine("select invariant 11"), 0);
}

TEST_F(OrientifoldTest, OnlyPermutationsThatKeepTheInvariantIdentifyOrientifolds) {
  selectSU2Level4CubedInvariant11();
  capture.clear();
  // Every current has integral charges and G is the whole centre, so every Klein current
  // is a shift of K = 0: 8 sign vectors, of which the exchange of factors 2 and 3 (the one
  // permutation besides the identity that keeps X) pairs (s1,+,-) with (s1,-,+): 6 classes.
  ASSERT_EQ(TotalOrientifolds(), 6);
  EXPECT_TRUE(silent()) << "no alert";
  // T = |G|^(-1/2) |sum_L eps(L) P(J_L, 0)| factorises, as X and R tie factor 1 to nothing:
  // with p = P(0,0) = (1 - 1/sqrt 3)/2 and q = P(J,0) = (1 + 1/sqrt 3)/2 of SU(2)_4,
  // factor 1 gives |p + s1 q|/sqrt 2 (1/sqrt 2 or 1/sqrt 6) and factors 2, 3 give
  // |p^2 + (s2 + s3) p q - s2 s3 q^2|/2, the last sign flipped by 2 X(J2, J3) = 1:
  // (sqrt 3 + 1)/6 for --, 1/3 for +- and (sqrt 3 - 1)/6 for ++.
  const double r3 = std::sqrt(3.0);
  const double first[] = {1 / std::sqrt(2.0), 1 / std::sqrt(6.0)};
  const double pair[] = {(r3 + 1) / 6, 1.0 / 3, (r3 - 1) / 6};
  const double expected[] = {first[0] * pair[0], first[0] * pair[1], first[1] * pair[0],
                             first[1] * pair[1], first[0] * pair[2], first[1] * pair[2]};
  const int pairMinus[] = {2, 1, 2, 1, 0, 0};  // minus signs among s2, s3
  for (int i = 0; i < 6; ++i) {
    const OrientifoldInfo* record = getOrientifoldByNumber(i);
    ASSERT_NE(record, nullptr);
    EXPECT_NEAR(record->tension, expected[i], 1e-7) << i;
    EXPECT_EQ(record->klein, 0) << i;
    EXPECT_EQ(record->crosscapSigns[0], i == 2 || i == 3 || i == 5 ? -1 : 1) << i;
    EXPECT_EQ((record->crosscapSigns[1] < 0) + (record->crosscapSigns[2] < 0), pairMinus[i]) << i;
  }
}

TEST_F(OrientifoldTest, EveryCandidateCarriesTheTensionOfItsOwnCrosscapSum) {
  selectSU2Level4CubedInvariant11();
  capture.clear();
  ASSERT_EQ(TotalOrientifolds(), 6);
  const std::vector<std::vector<int>> rows = orientifoldCandidates();
  const std::vector<double> tensions = orientifoldCandidateTensions();
  // Eight Klein currents (all of G = Z2^3) with eight sign vectors each.
  ASSERT_EQ(rows.size(), 64u);
  ASSERT_EQ(tensions.size(), rows.size());
  // The closed form of the test above: factor 1 gives 1/sqrt 2 (s1 = +) or 1/sqrt 6,
  // factors 2, 3 give (sqrt 3 - 1)/6 (++), 1/3 (+- and -+) or (sqrt 3 + 1)/6 (--).
  const double r3 = std::sqrt(3.0);
  auto closedForm = [&](const std::vector<int>& row) {
    const double first = row[1] == 1 ? 1 / std::sqrt(2.0) : 1 / std::sqrt(6.0);
    const int minus = (row[2] == -1) + (row[3] == -1);
    const double pair = minus == 0 ? (r3 - 1) / 6 : minus == 1 ? 1.0 / 3 : (r3 + 1) / 6;
    return first * pair;
  };
  std::vector<double> ofZero;
  for (size_t r = 0; r < rows.size(); ++r) {
    if (rows[r][0] != 0) continue;
    EXPECT_NEAR(tensions[r], closedForm(rows[r]), 1e-12) << r;
    ofZero.push_back(tensions[r]);
  }
  ASSERT_EQ(ofZero.size(), 8u);
  std::sort(ofZero.begin(), ofZero.end());
  // Every K is a shift of 0 by a current of G, and a shift maps the sign vectors of K one
  // to one onto those of 0 keeping the tension: each K has the same eight tensions.
  for (int K = 1; K < 8; ++K) {
    std::vector<double> ofK;
    for (size_t r = 0; r < rows.size(); ++r)
      if (rows[r][0] == K) ofK.push_back(tensions[r]);
    ASSERT_EQ(ofK.size(), 8u) << K;
    std::sort(ofK.begin(), ofK.end());
    for (size_t i = 0; i < 8; ++i) EXPECT_NEAR(ofK[i], ofZero[i], 1e-12) << K << " " << i;
  }
  // And each is, to the last bit, the tension of its own record's crosscap coefficient.
  for (size_t r = 0; r < rows.size(); ++r)
    EXPECT_EQ(tensions[r], std::fabs(getOrientifoldTension(rows[r].data()))) << r;
  EXPECT_TRUE(silent()) << "no alert";
}

TEST_F(OrientifoldTest, ExchangingTwoIdenticalFactorsPairsTheirKleinClasses) {
  // Two N=2 minimal models at level 2 with the diagonal invariant (trivial G, no signs):
  // without permutations the Klein classes are pairs of classes of the factors, n^2 = 16
  // with n = 4; the exchange of the factors keeps the invariant and identifies (a, b) with
  // (b, a), leaving n (n + 1)/2 = 10.
  ASSERT_EQ(executeCommandLine("tensor"), 0);
  for (int k = 0; k < 2; ++k) ASSERT_LE(executeCommandLine("g minimal 2 2"), 0);
  ASSERT_LE(executeCommandLine("compute spectrum"), 0);
  ASSERT_EQ((*getCurrentBulk())->diagonal, 1);
  setIntPar("Reject permutations", 0);
  EXPECT_EQ(TotalOrientifolds(), 16);
  setIntPar("Reject permutations", 1);
  ASSERT_LE(executeCommandLine("reset bulk"), 0);
  EXPECT_EQ(TotalOrientifolds(), 10);
  EXPECT_TRUE(silent()) << "no alert";
}

// The faulty reading: every permutation that maps G onto itself, whatever it does to X.
std::vector<int> everyPermutationOfTheSubgroup(SimpleCurrentData* MD) {
  addPermutationInfo(MD);
  return MD->perm_subgroup;
}

TEST_F(OrientifoldTest, AnInconsistentImageInALongLoopIsSkippedCountedAndTheLoopGoesOn) {
  selectSU2Level4CubedInvariant11();
  // The exchange of factors 1 and 2 moves the torsion of X to factors 1 and 3: it maps the
  // orientifolds of this invariant to those of another, whose tensions differ.
  setIdentifyingPermutationsSource(everyPermutationOfTheSubgroup);
  const long long runBefore = inconsistentSkipCount();
  const long long listBefore = orientifoldsSkippedForInconsistency();
  capture.clear();
  {
    const OrientifoldLoopScope longLoop;
    EXPECT_GE(TotalOrientifolds(), 6);
  }
  const long long skipped = orientifoldsSkippedForInconsistency() - listBefore;
  EXPECT_GT(skipped, 0);
  EXPECT_EQ(inconsistentSkipCount() - runBefore, skipped);
  EXPECT_NE(capture.printed.find("Orientifolds skipped for an internal inconsistency: " + std::to_string(skipped) + "\n"),
            std::string::npos);
  EXPECT_TRUE(alerted("Tension mismatch for permutated orientifold; skipped as inconsistent"));

  // Outside a long loop it stays the internal-inconsistency alert, and nothing is counted.
  ASSERT_LE(executeCommandLine("select invariant 10"), 0);
  ASSERT_LE(executeCommandLine("select invariant 11"), 0);
  capture.clear();
  TotalOrientifolds();
  EXPECT_EQ(capture.diagnostics.find("skipped as inconsistent"), std::string::npos);
  EXPECT_TRUE(alerted("Tension mismatch for permutated orientifold"));
  EXPECT_EQ(orientifoldsSkippedForInconsistency() - listBefore, skipped);
  setIdentifyingPermutationsSource(nullptr);
}

TEST_F(OrientifoldTest, CandidateSignsAreNegativeOnlyOnFactorsOfEvenOrder) {
  using Rows = std::vector<std::vector<int>>;
  EXPECT_EQ(orientifoldSignVectors({}), Rows({{}}));
  // Odd factors only: one sign vector, so one candidate per admissible Klein current.
  EXPECT_EQ(orientifoldSignVectors({3}), Rows({{1}}));
  EXPECT_EQ(orientifoldSignVectors({3, 5}), Rows({{1, 1}}));
  EXPECT_EQ(orientifoldSignVectors({2, 3}), Rows({{1, 1}, {-1, 1}}));
  // The last factor runs fastest, all-plus first.
  EXPECT_EQ(orientifoldSignVectors({2, 4}), Rows({{1, 1}, {1, -1}, {-1, 1}, {-1, -1}}));
  EXPECT_EQ(orientifoldSignVectors({2, 3, 2}), Rows({{1, 1, 1}, {1, 1, -1}, {-1, 1, 1}, {-1, 1, -1}}));
}

TEST_F(OrientifoldTest, EqualTensionsAreOrderedByKleinCurrent) {
  ASSERT_NE(useTheory(1, 1, 2), nullptr);
  ASSERT_EQ(initializeOpenString(), 0);
  std::unique_ptr<OrientifoldInfo> a, b;
  allocateOrientifoldInfo_stage2(&a);
  allocateOrientifoldInfo_stage2(&b);
  // Metrics marked loaded, so the comparison reads the tensions as given.
  for (OrientifoldInfo* r : {a.get(), b.get()}) {
    r->tension = 0.5;
    r->metricStamp = r->sequence;
  }
  a->klein = 0;
  b->klein = 1;
  EXPECT_EQ(compareOrientifolds(a.get(), b.get()), 1);   // a stays before b
  EXPECT_EQ(compareOrientifolds(b.get(), a.get()), -1);  // b goes after a
  b->tension = 0.5 + 1e-8;  // within the tolerance: still equal
  EXPECT_EQ(compareOrientifolds(b.get(), a.get()), -1);
  b->tension = 0.6;  // a larger tension comes first
  EXPECT_EQ(compareOrientifolds(b.get(), a.get()), 1);
  EXPECT_EQ(compareOrientifolds(a.get(), b.get()), -1);
  capture.clear();
  b->klein = 0;
  b->tension = 0.5;
  EXPECT_EQ(compareOrientifolds(a.get(), b.get()), 0);
  EXPECT_TRUE(alerted("Identical orientifolds in list"));
}

TEST_F(OrientifoldTest, ProjectionSignIsTheParityOfWeightPlusPhase) {
  // SU(2) level 2: J = current 1 has h_J = 1/2, and J J = 0.
  ASSERT_NE(useTheory(1, 1, 2), nullptr);
  ASSERT_EQ(initializeOpenString(), 0);
  std::unique_ptr<OrientifoldInfo> r;
  allocateOrientifoldInfo_stage2(&r);
  capture.clear();
  // K = 0: the parity of h_J + num/den. 1/2 + 1/2 = 1 is odd; 1/2 - 1/2 = 0 and
  // 1/2 + 3/2 = 2 are even; -5/2 + 1/2 = -2 is even, -3/2 + 1/2 = -1 odd.
  r->klein = 0;
  EXPECT_EQ(computeProjectionSign(r.get(), 1, 1, 2), -1);
  EXPECT_EQ(computeProjectionSign(r.get(), 1, -1, 2), 1);
  EXPECT_EQ(computeProjectionSign(r.get(), 1, 3, 2), 1);
  EXPECT_EQ(computeProjectionSign(r.get(), 1, -5, 2), 1);
  EXPECT_EQ(computeProjectionSign(r.get(), 1, -3, 2), -1);
  // Denominator 0 counts as 1: h_0 + 1 = 1 is odd.
  EXPECT_EQ(computeProjectionSign(r.get(), 0, 1, 0), -1);
  // K = J: the parity of h(K J) - h(K) + num/den = h_0 - h_J + num/den = -1/2 + num/den;
  // with J = 0 it is h_J - h_J + num/den.
  r->klein = 1;
  EXPECT_EQ(computeProjectionSign(r.get(), 1, 1, 2), 1);    // 0
  EXPECT_EQ(computeProjectionSign(r.get(), 1, -1, 2), -1);  // -1
  EXPECT_EQ(computeProjectionSign(r.get(), 1, 6, 4), -1);   // -1/2 + 3/2 = 1
  EXPECT_EQ(computeProjectionSign(r.get(), 0, 2, 1), 1);    // 2
  EXPECT_TRUE(silent()) << "no alert";
  // A phase that leaves a fraction is reported: -1/2 + 1/3 = -1/6.
  EXPECT_EQ(computeProjectionSign(r.get(), 1, 1, 3), 1);
  EXPECT_TRUE(alerted("Phase found, sign expected"));
}

TEST_F(OrientifoldTest, SU2AmplitudesAreFusionRulesTwistedByTheKleinCurrent) {
  for (int orbits : {0, 2}) {
    setIntPar("Use_orbits", orbits);
    for (int k = 1; k <= 5; ++k) {
      const SpectrumData* sd = useTheory(1, 1, k);
      ASSERT_NE(sd, nullptr);
      const int n = k + 1;
      for (int K : {0, 1}) {
        useKlein(K);
        for (int i = 0; i < n; ++i) {
          const int li = a1Label(sd, i);
          // K = 0: the Frobenius-Schur indicator (-1)^l; K = J: 1.
          EXPECT_EQ(getKleinBottle(i), K == 0 ? (li % 2 == 0 ? 1 : -1) : 1) << k << K << i;
          for (int a = 0; a < n; ++a) {
            const int la = a1Label(sd, a);
            for (int b = 0; b < n; ++b) {
              const int lb = a1Label(sd, b);
              EXPECT_EQ(getAnnulus(i, a, b), a1Fusion(k, li, la, K == 0 ? lb : k - lb))
                  << orbits << " k=" << k << " K=" << K << " " << i << a << b;
            }
          }
        }
        // M^0_a: (-1)^l for K = 0 (any sign of eta is fixed by the positive tension, so
        // the vacuum boundary has M = +1 at even level); at K = J only the real boundary
        // l = k/2 has M^0 = 1.
        for (int a = 0; a < n; ++a) {
          const int la = a1Label(sd, a);
          const int M = getMoebius(0, a);
          if (K == 1) {
            EXPECT_EQ(M, 2 * la == k ? 1 : 0) << k << " " << a;
          } else {
            EXPECT_EQ(std::abs(M), 1) << k << " " << a;
          }
          if (K == 0 && k % 2 == 0) {
            EXPECT_EQ(M, la % 2 == 0 ? 1 : -1) << k << " " << a;
          }
        }
      }
    }
  }
}

TEST_F(OrientifoldTest, EveryOrientifoldOfSU2PassesTheChecks) {
  for (int k = 1; k <= 8; ++k) {
    ASSERT_NE(useTheory(1, 1, k), nullptr);
    const int n = k + 1;
    for (int o = 0; o < 2; ++o) {
      ASSERT_EQ(loadOrientifolds(), 2);
      ASSERT_NE(setStoredOrientifold(o), nullptr);
      ASSERT_EQ(initializeOpenString(), 0);
      capture.clear();
      EXPECT_EQ(checkClosed(INT32_MAX), 0) << k << o;
      EXPECT_EQ(checkOpen(INT32_MAX), 0) << k << o;
      EXPECT_EQ(checkKleinBottleConstraint(INT32_MAX), 0) << k << o;
      EXPECT_EQ(checkAnnulusTrace(), 0) << k << o;
      EXPECT_NE(capture.printed.find("Trace formula OK"), std::string::npos);
      if (k > 4) continue;
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
          EXPECT_EQ(checkUNIMKlein(i, j), 1) << k << o << i << j;
          for (int a = 0; a < n; ++a) {
            EXPECT_EQ(checkUNIMMoebius(i, j, a), 1) << k << o << i << j << a;
            EXPECT_EQ(checkNIMfusion(i, j, a, (a + 1) % n), 1) << k << o << i << j << a;
          }
        }
      EXPECT_TRUE(silent());
    }
  }
}

TEST_F(OrientifoldTest, ChecksReportViolationsAndStopAtTheMaximum) {
  const SpectrumData* sd = useTheory(1, 1, 3);
  ASSERT_NE(sd, nullptr);
  ASSERT_EQ(initializeOpenString(), 0);
  // K = (1,1,1,-1) on the fields: K^i N_ij^k K^j K^k < 0 for some triple.
  std::vector<int> K(4, 1);
  K[3] = -1;
  capture.clear();
  EXPECT_EQ(checkKlein(K, -1), 1);
  EXPECT_TRUE(silent());  // a negative maximum answers yes or no without a message
  const int all = checkKlein(K, INT32_MAX);
  EXPECT_GE(all, 1);
  EXPECT_TRUE(alerted("Klein bottle constraint violation for labels"));
  EXPECT_EQ(checkKlein(K, 1), 1);  // stops at its first message
  EXPECT_TRUE(alerted("Klein bottle constraint violation for labels"));
  // The sign character (-1)^l of the fusion ring satisfies the constraint.
  for (int f = 0; f < 4; ++f) K[static_cast<size_t>(f)] = a1Label(sd, f) % 2 == 0 ? 1 : -1;
  EXPECT_EQ(checkKlein(K, -1), 0);
  EXPECT_EQ(checkKlein(K, INT32_MAX), 0);
  EXPECT_TRUE(silent());
}

TEST_F(OrientifoldTest, ConjugatesAndGroupTypesOfSU2) {
  for (int k : {3, 4}) {
    const SpectrumData* sd = useTheory(1, 1, k);
    ASSERT_NE(sd, nullptr);
    const int n = k + 1;
    for (int K : {0, 1}) {
      useKlein(K);
      OrientifoldInfo* record = getCurrentOrientifold();
      loadOrientifoldConjugates(record, 0);
      EXPECT_EQ(record->conjugatesStamp, record->sequence);
      for (int a = 0; a < n; ++a) {
        const int la = a1Label(sd, a);
        const int conjugate = orientifoldConjugate(record, a);
        EXPECT_EQ(BoundaryConjugate(a), conjugate);
        const int type = orientifoldGroupType(record, a);
        if (K == 0) {
          // Every boundary is real: O for even l, Sp for odd l, 2 at zero tension (odd k).
          EXPECT_EQ(conjugate, a) << k << " " << a;
          EXPECT_EQ(type, k % 2 != 0 ? 2 : (la % 2 == 0 ? 1 : -1)) << k << " " << a;
        } else {
          // The conjugate of l is k - l; unitary groups except l = k/2 (orthogonal).
          EXPECT_EQ(conjugate, a1Field(sd, k - la)) << k << " " << a;
          EXPECT_EQ(type, 2 * la == k ? 1 : 0) << k << " " << a;
        }
      }
    }
  }
}

TEST_F(OrientifoldTest, ConjugatesFollowTheBoundaryCurrentOrbits) {
  ASSERT_NE(useTheory(1, 1, 6), nullptr);
  useKlein(1);
  ASSERT_EQ(CrossBoundOrbitsAvailable(), 1);
  OrientifoldInfo* record = getCurrentOrientifold();
  loadOrientifoldConjugates(record, 0);
  // conj(J a) = J^-1 conj(a) for the current J (its own inverse in SU(2)).
  for (int a = 0; a < 7; ++a) {
    const int Ja = BoundaryCurrentFusion(1, a);
    ASSERT_GE(Ja, 0);
    EXPECT_EQ(orientifoldConjugate(record, Ja), BoundaryCurrentFusion(1, orientifoldConjugate(record, a)))
        << a;
  }
}

TEST_F(OrientifoldTest, CurrentConjugatesAreNotRecomputed) {
  ASSERT_NE(useTheory(1, 1, 2), nullptr);
  useKlein(0);
  OrientifoldInfo* record = getCurrentOrientifold();
  loadOrientifoldConjugates(record, 0);
  ASSERT_EQ(orientifoldConjugate(record, 2), 2);
  record->conjugates[2] = 0;  // marks the table: a recomputation would restore 2
  loadOrientifoldConjugates(record, 0);
  EXPECT_EQ(record->conjugates[2], 0);
  // A new choice makes them stale.
  ASSERT_EQ(setKlein(1), 1);
  loadOrientifoldConjugates(record, 0);
  EXPECT_EQ(orientifoldConjugate(record, 2), 2);
  EXPECT_EQ(orientifoldConjugate(record, 0), 1);
  // Outside the boundaries there is no conjugate.
  EXPECT_EQ(orientifoldConjugate(record, 3), -1);
  EXPECT_EQ(orientifoldConjugate(nullptr, 0), -1);
}

TEST_F(OrientifoldTest, AllConjugatesOfTheListOrOnlyOfNonZeroTension) {
  for (int flag : {0, 1}) {
    ASSERT_NE(useTheory(1, 1, 3), nullptr);
    loadAllOrientifoldConjugates(flag);
    ASSERT_EQ(loadOrientifolds(), 2);
    OrientifoldInfo* withTension = getOrientifoldByNumber(0);    // K = J
    OrientifoldInfo* withoutTension = getOrientifoldByNumber(1);  // K = 0, zero at odd level
    EXPECT_EQ(withTension->conjugatesStamp, withTension->sequence) << flag;
    EXPECT_EQ(withoutTension->conjugatesStamp == withoutTension->sequence, flag == 0) << flag;
    EXPECT_EQ(orientifoldConjugate(withTension, 0), 1);
  }
}

TEST_F(OrientifoldTest, KleinSearchKeepsTheSignCharactersOfTheFusionRing) {
  for (int k = 1; k <= 6; ++k) {
    const SpectrumData* sd = useTheory(1, 1, k);
    ASSERT_NE(sd, nullptr);
    const int n = k + 1;
    makeBulkExceptional();
    ASSERT_EQ(initializeOpenString(), 0);
    const int status = crossBoundState().CrosscapStatus;
    capture.clear();
    searchKlein(0, 0);
    // Every K_0 = 1, K_i = +-1 has consistent crosscaps (all fields are Ishibashi labels).
    EXPECT_EQ(storedKleinBottleCount(), 1 << k) << k;
    EXPECT_EQ(crossBoundState().CrosscapStatus, status);
    // The constraint alone already leaves only the two sign characters.
    searchKlein(1, 0);
    EXPECT_EQ(storedKleinBottleCount(), 2) << k;
    searchKlein(1, 1);
    ASSERT_EQ(storedKleinBottleCount(), 2) << k;
    std::vector<int> one(static_cast<size_t>(n), 1), sign(static_cast<size_t>(n));
    for (int f = 0; f < n; ++f) sign[static_cast<size_t>(f)] = a1Label(sd, f) % 2 == 0 ? 1 : -1;
    // Stored vector 0 is K = 1 (the loop starts at x = 0); the other is (-1)^l.
    EXPECT_EQ(storedKleinBottle(1), 1);
    EXPECT_EQ(exceptionalKleinBottle(), sign) << k;
    EXPECT_EQ(storedKleinBottle(0), 1);
    EXPECT_EQ(exceptionalKleinBottle(), one) << k;
    capture.clear();
    EXPECT_EQ(storedKleinBottle(2), 0);
    EXPECT_TRUE(alerted("Klein bottle number out of range"));
  }
}

TEST_F(OrientifoldTest, KleinSearchIsRefusedForSimpleCurrentInvariants) {
  ASSERT_NE(useTheory(1, 1, 2), nullptr);
  capture.clear();
  searchKlein(1, 1);
  EXPECT_TRUE(alerted("Arbitary Klein bottle choices are only allowed for exceptional MIPF's"));
  EXPECT_EQ(storedKleinBottleCount(), 0);
}

TEST_F(OrientifoldTest, TraceTestNeedsItsFrobeniusSchurTable) {
  ASSERT_NE(useTheory(1, 1, 2), nullptr);
  const std::vector<int> K = {1, 1, -1};
  capture.clear();
  EXPECT_EQ(testCandidateKlein2(3, K.data(), nullptr), 0);
  EXPECT_TRUE(alerted("Unexpected initialization problem"));
  EXPECT_EQ(testCandidateKlein2(3, nullptr, nullptr), 0);
  // With K = (-1)^l = Y (Frobenius-Schur indicators) t_j = sum_i S_ji / S_0i, which by
  // unitarity is the trace of the fusion matrix N_j.
  std::vector<int> trace(3, -7);
  EXPECT_EQ(testCandidateKlein2(3, K.data(), trace.data()), 1);
  for (int j = 0; j < 3; ++j) {
    int expected = 0;
    for (int a = 0; a < 3; ++a) expected += a1Fusion(2, a1Label(currentSD, j), a, a);
    EXPECT_EQ(trace[static_cast<size_t>(j)], expected) << j;
  }
}

TEST_F(OrientifoldTest, BoundarySearchResetBumpsTheCounter) {
  ASSERT_NE(useTheory(1, 1, 2), nullptr);
  crossBoundState().CrosscapStatus = 1;
  const int before = QueryOrientifold();
  resetBoundaries();
  EXPECT_EQ(QueryOrientifold(), before + 1);
  EXPECT_EQ(crossBoundState().CrosscapStatus, 0);
}

TEST_F(OrientifoldTest, AvailabilityOfCoefficients) {
  ASSERT_NE(useTheory(1, 1, 2), nullptr);
  EXPECT_EQ(isRefCoefAvailable(), 1);
  EXPECT_EQ(isCrosscapAvailable(), 1);
  makeBulkExceptional();
  ASSERT_EQ(initializeOpenString(), 0);
  // No exceptional boundaries are known; the standard Klein bottle gives crosscaps.
  EXPECT_EQ(isRefCoefAvailable(), 0);
  EXPECT_EQ(isCrosscapAvailable(), 1);
}

// The product table of Z_n with element k standing for g^k.
std::vector<int> cyclicProducts(int n) {
  std::vector<int> table(static_cast<size_t>(n * n));
  for (int x = 0; x < n; ++x)
    for (int y = 0; y < n; ++y) table[static_cast<size_t>(x * n + y)] = (x + y) % n;
  return table;
}

// The sign the plan leaves on element g for the given signs of its seeds.
int plannedSign(const PhaseClosurePlan& plan, int g, const std::vector<int>& seedSigns) {
  int sign = 1;
  for (size_t i = 0; i < plan.seeds.size(); ++i)
    if ((plan.signMask[static_cast<size_t>(g)] >> i) & 1U) sign *= seedSigns[i];
  return sign;
}

TEST(PhaseClosurePlan, ReachesTheElementsInTheOrderOfTheSweep) {
  // Z4 from g: the sweep of x = g meets g g = g^2 first and then g g^2 = g^3 in the same pass.
  const PhaseClosurePlan z4 = planPhaseClosure(4, {0, 1}, cyclicProducts(4));
  ASSERT_TRUE(z4.usable);
  ASSERT_EQ(z4.steps.size(), 2U);
  EXPECT_EQ(z4.steps[0].element, 2);
  EXPECT_EQ(z4.steps[0].x, 1);
  EXPECT_EQ(z4.steps[0].y, 1);
  EXPECT_EQ(z4.steps[1].element, 3);
  EXPECT_EQ(z4.steps[1].x, 1);
  EXPECT_EQ(z4.steps[1].y, 2);
  // beta is the character with beta(g) = s: beta(g^k) = s^k.
  for (int k = 0; k < 4; ++k) EXPECT_EQ(plannedSign(z4, k, {1, -1}), k % 2 == 0 ? 1 : -1) << k;

  // Z6 = Z3 x Z2 from g^2 and g^3: the row of g^2 sets g^4 = g^2 g^2, g^5 = g^2 g^3 and, with
  // g^5 just set, g = g^2 g^5 (6 + 1 = 7).
  const PhaseClosurePlan z6 = planPhaseClosure(6, {0, 2, 3}, cyclicProducts(6));
  ASSERT_TRUE(z6.usable);
  ASSERT_EQ(z6.steps.size(), 3U);
  const int expected[3][3] = {{4, 2, 2}, {5, 2, 3}, {1, 2, 5}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(z6.steps[static_cast<size_t>(i)].element, expected[i][0]) << i;
    EXPECT_EQ(z6.steps[static_cast<size_t>(i)].x, expected[i][1]) << i;
    EXPECT_EQ(z6.steps[static_cast<size_t>(i)].y, expected[i][2]) << i;
  }
  // The character with beta(g^2) = 1, beta(g^3) = -1 is beta(g^k) = (-1)^k; the sweep keeps it.
  for (int k = 0; k < 6; ++k) EXPECT_EQ(plannedSign(z6, k, {1, 1, -1}), k % 2 == 0 ? 1 : -1) << k;
  for (int k = 0; k < 6; ++k) EXPECT_EQ(z6.signWritten[static_cast<size_t>(k)], 1) << k;
}

TEST(PhaseClosurePlan, KleinFourGroupAndSignsTheSweepOverwrites) {
  // Z2 x Z2 as {e, a, b, ab}: only ab = a b is new.
  const std::vector<int> v4 = {0, 1, 2, 3, 1, 0, 3, 2, 2, 3, 0, 1, 3, 2, 1, 0};
  const PhaseClosurePlan plan = planPhaseClosure(4, {0, 1, 2}, v4);
  ASSERT_TRUE(plan.usable);
  ASSERT_EQ(plan.steps.size(), 1U);
  EXPECT_EQ(plan.steps[0].element, 3);
  EXPECT_EQ(plan.steps[0].x, 1);
  EXPECT_EQ(plan.steps[0].y, 2);
  for (int sa : {1, -1})
    for (int sb : {1, -1}) {
      EXPECT_EQ(plannedSign(plan, 0, {1, sa, sb}), 1);
      EXPECT_EQ(plannedSign(plan, 1, {1, sa, sb}), sa);
      EXPECT_EQ(plannedSign(plan, 2, {1, sa, sb}), sb);
      EXPECT_EQ(plannedSign(plan, 3, {1, sa, sb}), sa * sb);
    }
  // Z3 from g with a sign -1 on g, which no character has. The one pass, pair by pair:
  // (e,e) e:+1, (e,g) g:-1, (g,e) g:-1, (g,g) g^2:+1, (g,g^2) e:-1, (g^2,e) g^2:-1,
  // (g^2,g) e:+1, (g^2,g^2) g:+1.
  const PhaseClosurePlan z3 = planPhaseClosure(3, {0, 1}, cyclicProducts(3));
  ASSERT_TRUE(z3.usable);
  EXPECT_EQ(plannedSign(z3, 0, {1, -1}), 1);
  EXPECT_EQ(plannedSign(z3, 1, {1, -1}), 1);
  EXPECT_EQ(plannedSign(z3, 2, {1, -1}), -1);
}

TEST(PhaseClosurePlan, UnusableSeeds) {
  // A seed outside the group, a repeated seed, a table of the wrong size, more seeds than bits.
  EXPECT_FALSE(planPhaseClosure(4, {0, 4}, cyclicProducts(4)).usable);
  EXPECT_FALSE(planPhaseClosure(4, {0, 1, 1}, cyclicProducts(4)).usable);
  EXPECT_FALSE(planPhaseClosure(4, {0, 1}, cyclicProducts(3)).usable);
  std::vector<int> many(65);
  for (int i = 0; i < 65; ++i) many[static_cast<size_t>(i)] = i;
  EXPECT_FALSE(planPhaseClosure(70, many, cyclicProducts(70)).usable);
}

}  // namespace
