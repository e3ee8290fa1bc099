// The Moebius-strip solver and its checks: the bookkeeping of the Moebius/Klein solution
// rows, the envelope and the inequivalent conjugations of a NIM-representation, the canonical
// form under boundary permutations, the trace formula and crosscap reality on SU(2) level 2,
// the solver and the crosscap search on its boundaries and NIM-representations, the row limit
// of the assembly and the early stop of the equation collection on the E6 invariant.
//
// SU(2) level 2 has the S matrix S_ab = (1/sqrt 2) sin((a+1)(b+1) pi/4) in Dynkin labels 0, 1, 2: S_00 = S_02 = S_22 = 1/2, S_01 = 1/sqrt 2, S_12 = -1/sqrt 2, S_11 = 0. P_0l =
// sin((l+1) pi/8) for even l, 0 for odd l, so Y_l00 = sum_m S_lm P_0m^2 / S_0m = (1, -1, 1): the
// Frobenius-Schur indicators (-1)^l.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBound.h"
#include "boundaries/CrossBoundInternal.h"
#include "invariants/Invariants.h"
#include "runtime/Parameters.h"
#include "store/StoremanagerQueries.h"

namespace {

using modular_test::useTheory;

class NimrepSolverTest : public ZoqTest {
 protected:
  // Fields of SU(2) level 2 by Dynkin label: the one of quantum dimension sqrt 2 is l = 1.
  void su2Level2Roles() {
    ASSERT_NE(useTheory(1, 1, 2), nullptr);
    makeBulkExceptional();
    ASSERT_EQ(initializeOrientedOpenString(), 0);
    ASSERT_EQ(loadMoebiusTables(), 1);
    const MoebiusTables& t = moebiusTables();
    ASSERT_EQ(t.N, 3);
    field[0] = 0;
    for (int m = 1; m < 3; ++m)
      if (std::fabs(t.S0[static_cast<size_t>(m)] / t.S0[0] - std::sqrt(2.0)) < 1e-9) field[1] = m;
    ASSERT_NE(field[1], -1);
    field[2] = 3 - field[1];
  }
  // A vector given in Dynkin order, in this theory's field order.
  std::vector<int> byLabel(int l0, int l1, int l2) const {
    std::vector<int> v(3);
    v[static_cast<size_t>(field[0])] = l0;
    v[static_cast<size_t>(field[1])] = l1;
    v[static_cast<size_t>(field[2])] = l2;
    return v;
  }
  int field[3] = {-1, -1, -1};
};

TEST_F(NimrepSolverTest, SolutionRowsAreClearedCommittedAndDiscarded) {
  resetNimrepStore();
  startUNIMrepRow(3, 2, 1);
  std::vector<int>& row = unimrepRow();
  ASSERT_EQ(row.size(), 10u);  // N + 7
  EXPECT_EQ(row[kUnimNimrep], 2);
  EXPECT_EQ(row[kUnimConjugation], 1);
  row[kUnimTrace] = 1;
  row[kUnimKlein + 2] = -1;
  // A rejected point leaves nothing behind: the numbers stay, flags and coefficients go.
  clearUNIMrepRow();
  EXPECT_EQ(unimrepRow(), (std::vector<int>{2, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
  unimrepRow()[kUnimReality] = 1;
  commitUNIMrepRow();
  ASSERT_EQ(unimrepRowCount(), 1u);
  EXPECT_EQ(unorientedNIMreps()[0][kUnimReality], 1);
  // The next row starts cleared with the same numbers.
  EXPECT_EQ(unimrepRow(), (std::vector<int>{2, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
  commitUNIMrepRow();
  truncateUNIMreps(1);
  EXPECT_EQ(unimrepRowCount(), 1u);
  truncateUNIMreps(5);
  EXPECT_EQ(unimrepRowCount(), 1u);
  resetNimrepStore();
  EXPECT_EQ(unimrepRowCount(), 0u);
}

// Three boundaries on which every entry off the diagonal is the same candidate: every
// involution is a conjugation and every permutation a symmetry (S3). Up to conjugation in
// S3 the involutions are the identity and one transposition, whose centraliser has order 2.
TEST_F(NimrepSolverTest, ConjugationsEquivalentUnderSymmetriesAreDropped) {
  const std::vector<int> M = {0, 1, 1, 1, 0, 1, 1, 1, 0};
  std::vector<std::vector<int>> conj = findBoundaryConjugations(M, 3);
  ASSERT_EQ(conj.size(), 4u);
  const std::vector<std::vector<int>> sym = generateNIMrepSymmetries(M, 3);
  ASSERT_EQ(sym.size(), 6u);
  for (const std::vector<int>& p : sym) EXPECT_EQ(checkNIMrepPermutation(M, p, 3), 1);
  std::vector<std::vector<int>> stabilisers;
  removeEquivalentBoundaryConjugations(3, &conj, sym, &stabilisers);
  ASSERT_EQ(conj.size(), 2u);
  ASSERT_EQ(stabilisers.size(), 2u);
  EXPECT_EQ(conj[0], (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(stabilisers[0].size(), 6u);
  EXPECT_EQ(stabilisers[1].size(), 2u);
  // Each stabilising symmetry s satisfies s^-1 c s = c.
  for (int q : stabilisers[1]) {
    const std::vector<int>& s = sym[static_cast<size_t>(q)];
    for (int a = 0; a < 3; ++a)
      EXPECT_EQ(conj[1][static_cast<size_t>(s[static_cast<size_t>(a)])],
                s[static_cast<size_t>(conj[1][static_cast<size_t>(a)])]);
  }
  // A permutation that moves an entry of another value is no symmetry.
  EXPECT_EQ(checkNIMrepPermutation({0, 1, 2, 1, 0, 1, 2, 1, 0}, {1, 0, 2}, 3), 0);
}

// The SU(2) level 2 fusion NIM-representation (rows 0 = (1,0,0), 1 = (1,0,1), 2 = (0,1,0),
// 3 = (0,0,1) over Dynkin labels 0, 1, 2): with the identity the diagonal pairs carry
// candidates 0, 1, 0, with 0 <-> 2 exchanged the pairs (0,2), (1,1), (2,0) carry 3, 1, 3.
TEST_F(NimrepSolverTest, EnvelopeIsTheLargestBoundOverTheConjugations) {
  NimrepStore& s = nimrepStore();
  s.N = 3;
  s.conjugateField = {0, 1, 2};
  s.Annuli = {1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 0, 1};
  const std::vector<int> M = {0, 2, 3, 2, 1, 2, 3, 2, 0};
  const std::vector<int> envelope = getLimitsEnvelop(M, 3, {{0, 1, 2}, {2, 1, 0}});
  EXPECT_EQ(envelope, (std::vector<int>{1, 0, 1, 1, 0, 1, 1, 0, 1}));
  EXPECT_EQ(getLimitsEnvelop(M, 3, {{0, 1, 2}}), (std::vector<int>{1, 0, 0, 1, 0, 1, 1, 0, 0}));
}

TEST_F(NimrepSolverTest, CanonicalMoebiusMatrixIsTheLargestImage) {
  // One primary, two boundaries, the exchange as a stabilising symmetry.
  const std::vector<std::vector<int>> sym = {{0, 1}, {1, 0}};
  EXPECT_EQ(checkMoebiusPermutations(1, 2, {1, 2}, sym, {0, 1}), 0);
  EXPECT_EQ(checkMoebiusPermutations(1, 2, {2, 1}, sym, {0, 1}), 1);
  EXPECT_EQ(checkMoebiusPermutations(1, 2, {1, 1}, sym, {0, 1}), 1);
  // Fewer than two listed symmetries: nothing to compare.
  EXPECT_EQ(checkMoebiusPermutations(1, 2, {1, 2}, sym, {0}), 1);
}

TEST_F(NimrepSolverTest, TraceFormulaAndCrosscapRealityOnSu2Level2) {
  su2Level2Roles();
  const MoebiusTables& t = moebiusTables();
  // Y_l00 = (-1)^l.
  EXPECT_EQ(t.Yat(field[0], 0, 0), 1);
  EXPECT_EQ(t.Yat(field[1], 0, 0), -1);
  EXPECT_EQ(t.Yat(field[2], 0, 0), 1);
  // P^2 = C: sum_m P_0m P_m0 = 1, so Y(-0,0,-0) = 1.
  EXPECT_EQ(t.KleinAt(0, 0, 0), 1);
  // Three real boundaries with A^i_aa = N_ia^a: traces (3, 0, 1) by label. With K = (-1)^l,
  // K Y_l00 = 1 and sum_m S_im / S_0m = Tr N_i.
  const std::vector<int> traces = byLabel(3, 0, 1);
  EXPECT_EQ(checkStanev(3, byLabel(1, -1, 1), traces), 1);
  EXPECT_EQ(checkStanev(3, byLabel(1, 1, 1), traces), 0);
  // G(m) = sum_a K(a) S(m,a): for K = (-1)^l it is 1/2 + 1/2 -+ ..., never negative; for
  // K = (1, 1, -1) it is 1/2 - 1/2 - 1/2 < 0 at m = 2.
  EXPECT_EQ(checkKleinIshibashiMap(byLabel(1, -1, 1)), 1);
  capture.clear();
  EXPECT_EQ(checkKleinIshibashiMap(byLabel(1, 1, -1)), -1);
  EXPECT_NE(capture.printed.find("!!! Imaginary crosscap coefficient"), std::string::npos);
  // Every primary carries an Ishibashi label: every Moebius matrix passes that map.
  EXPECT_EQ(checkMoebiusIshibashiMap({1, 0, 0, 0, 1, 0, 1, 0, 0}), 1);
}

TEST_F(NimrepSolverTest, SearchesWithoutABoundarySetAreRefused) {
  ASSERT_NE(useTheory(1, 1, 3), nullptr);
  makeBulkExceptional();
  capture.clear();
  EXPECT_EQ(searchMoebius(), 0);
  EXPECT_TRUE(alerted("Moebius search requires complete set of boundaries"));
  EXPECT_EQ(FindCrosscapCoefsFromMoebius(), 0);
  EXPECT_TRUE(alerted("Moebius search requires complete set of boundaries"));
  EXPECT_EQ(capture.printed.find("Moebius loop search"), std::string::npos);
}

// After "search boundaries" the diagonal annulus is at most 1 (quantum dimensions 1, sqrt 2,
// 1), so the modulus is 5. The standard Klein bottle follows from the one Moebius strip, and
// the crosscap found squares to the identity Klein coefficient 1.
TEST_F(NimrepSolverTest, MoebiusAndCrosscapSearchesOnSu2Level2Boundaries) {
  ASSERT_NE(useTheory(1, 1, 2), nullptr);
  makeBulkExceptional();
  attemptBoundaries(2);
  ASSERT_EQ(TotalBoundaries(), 3);
  capture.clear();
  EXPECT_EQ(searchMoebius(), 1);
  EXPECT_EQ(moebiusModulus(), 5);
  EXPECT_NE(capture.printed.find("Klein bottle =  ( 1, 1, 1)\n"), std::string::npos) << capture.printed;
  EXPECT_NE(capture.printed.find("\nOne solution\n\n"), std::string::npos);
  EXPECT_TRUE(silent());
  capture.clear();
  EXPECT_EQ(FindCrosscapCoefsFromMoebius(), 1);
  // U = (cos pi/8, sin pi/8, 0) in the system's normalisation: U_0^2 + U_2^2 = 1.
  EXPECT_NE(capture.printed.find("( 0.923879533, 0.382683432, 0.000000000)"), std::string::npos)
      << capture.printed;
  EXPECT_EQ(capture.printed.find("abandoned"), std::string::npos);
}

// The Moebius amplitudes that the crosscaps of the loaded orientifold give (M^{i^c}_b, from the
// reflection and crosscap coefficients) satisfy the polynomial equations, and the solver's one
// solution is that matrix up to its overall sign.
TEST_F(NimrepSolverTest, SolverFindsTheMoebiusAmplitudesOfTheCrosscaps) {
  for (int level : {2, 3, 4}) {
    ASSERT_NE(useTheory(1, 1, level), nullptr);
    makeBulkExceptional();
    attemptBoundaries(3);
    ASSERT_EQ(initializeOpenString(), 0);
    const int N = level + 1, L = TotalBoundaries();
    ASSERT_EQ(L, N);
    std::vector<int> reference(static_cast<size_t>(N * L)), conj(static_cast<size_t>(L));
    for (int b = 0; b < L; ++b) {
      conj[static_cast<size_t>(b)] = BoundaryConjugate(b);
      for (int i = 0; i < N; ++i) reference[static_cast<size_t>(i + N * b)] = getMoebius(-i, b);
    }
    ASSERT_EQ(loadMoebiusTables(), 1);
    EXPECT_EQ(checkMoebiusEquations(nullptr, conj, reference), 1) << level;
    capture.clear();
    ASSERT_EQ(searchMoebius(), 1) << level;
    std::vector<int> solution;
    size_t at = capture.printed.find("Corresponding to Moebius strip:\n");
    ASSERT_NE(at, std::string::npos);
    for (int b = 0; b < L; ++b) {
      at = capture.printed.find("  (", at + 1);
      ASSERT_NE(at, std::string::npos);
      std::string inner = capture.printed.substr(at + 3, capture.printed.find(')', at) - at - 3);
      std::replace(inner.begin(), inner.end(), ',', ' ');
      std::istringstream in(inner);
      for (int v; in >> v;) solution.push_back(v);
    }
    std::vector<int> minus = reference;
    for (int& v : minus) v = -v;
    EXPECT_TRUE(solution == reference || solution == minus) << level << capture.printed;
  }
}

// The two solutions of SU(2) level 2: all boundaries real with the Frobenius-Schur Klein
// bottle K^l = (-1)^l, and 0 <-> 2 exchanged with K^l = 1 (the only value with K^0 = 1 left
// by sum_k Y(-k,0,0) K_k = sum_b M^0_b M^0_(b*) = 1 and |K_k| <= 1).
TEST_F(NimrepSolverTest, NimrepSearchListsOneSolutionPerConjugation) {
  su2Level2Roles();
  capture.clear();
  attemptNIMrep(2);
  EXPECT_EQ(nimrepCounts().nimreps, 1);
  EXPECT_EQ(nimrepCounts().symmetric, 2);
  EXPECT_EQ(nimrepCounts().unoriented, 2);
  const std::vector<std::vector<int>>& rows = unorientedNIMreps();
  ASSERT_EQ(rows.size(), 2u);
  std::vector<std::vector<int>> kleins;
  for (size_t r = 0; r < rows.size(); ++r) {
    ASSERT_EQ(rows[r].size(), 10u);
    EXPECT_EQ(rows[r][kUnimNimrep], 0);
    EXPECT_EQ(rows[r][kUnimConjugation], static_cast<int>(r));
    for (int w = kUnimKleinConstraint; w < kUnimKlein; ++w) EXPECT_EQ(rows[r][static_cast<size_t>(w)], 0) << w;
    kleins.emplace_back(rows[r].begin() + kUnimKlein, rows[r].end());
  }
  EXPECT_NE(std::find(kleins.begin(), kleins.end(), byLabel(1, -1, 1)), kleins.end());
  EXPECT_NE(std::find(kleins.begin(), kleins.end(), byLabel(1, 1, 1)), kleins.end());
  EXPECT_EQ(capture.printed.find("not available yet"), std::string::npos);
  // In every printed solution the first non-zero entry (primaries fastest, then boundaries)
  // is positive, so M and -M are reported once.
  int solutions = 0;
  for (size_t at = capture.printed.find("Corresponding to Moebius strip:\n"); at != std::string::npos;
       at = capture.printed.find("Corresponding to Moebius strip:\n", at + 1)) {
    std::vector<int> entries;
    size_t line = at;
    for (int a = 0; a < 3; ++a) {
      line = capture.printed.find("  (", line + 1);
      ASSERT_NE(line, std::string::npos);
      std::string inner = capture.printed.substr(line + 3, capture.printed.find(')', line) - line - 3);
      std::replace(inner.begin(), inner.end(), ',', ' ');
      std::istringstream in(inner);
      for (int v; in >> v;) entries.push_back(v);
    }
    ASSERT_EQ(entries.size(), 9u);
    const auto first = std::find_if(entries.begin(), entries.end(), [](int v) { return v != 0; });
    ASSERT_NE(first, entries.end());
    EXPECT_GT(*first, 0);
    ++solutions;
  }
  EXPECT_EQ(solutions, 2);
}

// The annulus rows of the SU(2) level 2 boundaries are the rows (N_ia^b)_i of the fusion
// rules, four distinct ones by Dynkin label: (1,0,0) for a = b = 0 or 2, (0,1,0), (0,0,1) and
// (1,0,1) for a = b = 1. A later NIM-representation search finds every one of them.
TEST_F(NimrepSolverTest, StoredBoundaryRowsAreAllFoundByTheSearch) {
  ASSERT_NE(useTheory(1, 1, 2), nullptr);
  makeBulkExceptional();
  attemptBoundaries(2);
  ASSERT_EQ(TotalBoundaries(), 3);
  capture.clear();
  EXPECT_EQ(storeNIMrep(), 4);
  EXPECT_NE(capture.printed.find("Stored 4 nimrep vectors\n"), std::string::npos) << capture.printed;
  ASSERT_EQ(knownNIMrepVectors().size(), 4u);
  for (const std::vector<int>& row : knownNIMrepVectors()) {
    int total = 0;
    for (int v : row) total += v;
    EXPECT_TRUE(total == 1 || total == 2);
  }
  capture.clear();
  attemptNIMrep(2);
  EXPECT_EQ(capture.printed.find("NOT FOUND"), std::string::npos);
  EXPECT_EQ(knownNIMrepVectors().size(), 4u);
}

TEST_F(NimrepSolverTest, RowLimitOfOneAbortsTheAssembly) {
  ASSERT_NE(useTheory(1, 1, 3), nullptr);
  makeBulkExceptional();
  int* limit = getIntParPointer("NIMrep Max_row");
  ASSERT_NE(limit, nullptr);
  const int saved = *limit;
  *limit = 1;
  capture.clear();
  attemptNIMrep(2);
  *limit = saved;
  // Four boundaries need at least one row candidate for each of rows 1 to 3.
  EXPECT_NE(capture.printed.find("Maximal number of row vectors exceeded; aborting\n"
                                 "(To change maximum use \"set NIMrep Max_row\")\n"),
            std::string::npos)
      << capture.printed;
  EXPECT_EQ(nimrepCapacityExceeded(), 1);
  EXPECT_EQ(nimrepCounts().nimreps, 0);
  EXPECT_NE(capture.printed.find("There may be additional solutions\n"), std::string::npos);
}

// The E6 invariant of SU(2) level 10 has 30 Moebius variables; at security level 0 the
// collection stops once the last four primaries added nothing, and each solution carries the
// warning. Levels 1 and 2 collect every equation and find the same two solutions.
TEST_F(NimrepSolverTest, SecurityLevelsOneAndTwoNeverStopTheCollectionEarly) {
  SpectrumData* sd = useTheory(1, 1, 10);
  ASSERT_NE(sd, nullptr);
  int* security = getIntParPointer("Moebius security_level");
  ASSERT_NE(security, nullptr);
  const int saved = *security;
  for (int level : {0, 1, 2}) {
    *security = level;
    ASSERT_EQ(buildExceptionalInvariant(getExceptionalInvariantLabel(sd, 1)), 1);
    capture.clear();
    attemptNIMrep(3);
    const bool stopped = capture.printed.find("Equation collection stopped") != std::string::npos;
    const bool warned = capture.printed.find("!!! WARNING: Not all Moebius equations were checked") != std::string::npos;
    EXPECT_EQ(stopped, level == 0) << level;
    EXPECT_EQ(warned, level == 0) << level;
    EXPECT_EQ(capture.printed.find("Checking Moebius equations\n") != std::string::npos, level == 2) << level;
    EXPECT_EQ(nimrepCounts().nimreps, 1) << level;
    EXPECT_EQ(nimrepCounts().unoriented, 2) << level;
    for (const std::vector<int>& row : unorientedNIMreps()) EXPECT_EQ(row[kUnimKlein], 1);
  }
  *security = saved;
}

}  // namespace
