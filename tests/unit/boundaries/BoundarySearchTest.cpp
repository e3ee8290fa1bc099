// The boundary search of exceptional invariants: the canonical order of boundary vectors,
// storing complete sets without duplicates, the comparison report, the completion
// equations, "try boundary" input, the search on SU(2) made exceptional and the boundary
// images of a field permutation.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <string>
#include <vector>

#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBound.h"
#include "boundaries/CrossBoundInternal.h"
#include "invariants/Invariants.h"
#include "runtime/Output.h"
#include "interpreter/Interpreter.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"

namespace {

using modular_test::useTheory;

bool onTerminal() {
  return true;
}

// A processor clock that runs a minute per reading.
long long minutePerReading() {
  static long long now = 0;
  now += 60000000;
  return now;
}

class BoundarySearchTest : public ZoqTest {
 protected:
  // SU(2) at level k with its diagonal invariant declared exceptional.
  void exceptionalSU2(int k) {
    ASSERT_NE(useTheory(1, 1, k), nullptr);
    makeBulkExceptional();
    capture.clear();
  }
  // A bare state of N primaries and L boundaries for the set operations.
  void bareState(int N, int L) {
    BoundarySearchState& s = boundarySearchState();
    s.N = N;
    s.L = L;
  }
  static size_t count(const std::string& text, const std::string& piece) {
    size_t n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
  }
};

// Boundary vectors of two primaries: real parts, then imaginary parts.
std::vector<double> vec(double r0, double r1, double i0 = 0.0, double i1 = 0.0) {
  return {r0, r1, i0, i1};
}

TEST_F(BoundarySearchTest, CanonicalOrderDecidesByNonZerosModuliRealityThenSign) {
  bareState(2, 2);
  const std::vector<double> two = vec(0.6, 0.8), one = vec(1.0, 0.0);
  // More non-zero entries first.
  EXPECT_EQ(compareBoundaryVectors(2, two.data(), one.data()), 1);
  EXPECT_EQ(compareBoundaryVectors(2, one.data(), two.data()), -1);
  // Then the smaller modulus at the first primary where the moduli differ.
  const std::vector<double> swapped = vec(0.8, 0.6);
  EXPECT_EQ(compareBoundaryVectors(2, two.data(), swapped.data()), 1);
  EXPECT_EQ(compareBoundaryVectors(2, swapped.data(), two.data()), -1);
  // Same moduli: a real vector before a complex one.
  const std::vector<double> complex = vec(0.6, 0.0, 0.0, 0.8);
  EXPECT_EQ(compareBoundaryVectors(2, two.data(), complex.data()), 1);
  EXPECT_EQ(compareBoundaryVectors(2, complex.data(), two.data()), -1);
  // Both real, same moduli: the positive difference at the first differing entry.
  const std::vector<double> negated = vec(0.6, -0.8);
  EXPECT_EQ(compareBoundaryVectors(2, two.data(), negated.data()), 1);
  EXPECT_EQ(compareBoundaryVectors(2, negated.data(), two.data()), -1);
  capture.clear();
  EXPECT_EQ(compareBoundaryVectors(2, two.data(), two.data()), 0);
  EXPECT_TRUE(alerted("Unexpected identical boundary vectors in set"));
  // The selection sort places them accordingly.
  const std::vector<const double*> rows = {one.data(), negated.data(), complex.data(), two.data()};
  EXPECT_EQ(orderBoundaries(4, rows), (std::vector<int>{3, 1, 2, 0}));
}

TEST_F(BoundarySearchTest, StoringRefusesASetEqualUpToOrder) {
  bareState(2, 2);
  const std::vector<double> a = vec(0.6, 0.8), b = vec(0.8, -0.6);
  EXPECT_EQ(storeBoundarySet({a.data(), b.data()}), 1);
  EXPECT_NE(capture.printed.find("Complete boundary set nr. 0 stored\n"), std::string::npos);
  capture.clear();
  // The same boundaries in the other order: refused silently.
  EXPECT_EQ(storeBoundarySet({b.data(), a.data()}), 0);
  EXPECT_EQ(capture.printed, "");
  // One entry off by more than the tolerance: a new set, stored in canonical order.
  const std::vector<double> c = vec(0.8, -0.6 + 2e-7);
  EXPECT_EQ(storeBoundarySet({c.data(), a.data()}), 1);
  EXPECT_NE(capture.printed.find("Complete boundary set nr. 1 stored\n"), std::string::npos);
  const BoundarySearchState& s = boundarySearchState();
  ASSERT_EQ(s.completeBS.size(), 2u);
  EXPECT_EQ(s.completeBS[1].number, 1);
  // (0.6, 0.8) has the smaller first modulus and comes first.
  EXPECT_DOUBLE_EQ(s.completeBS[1].coefficients[0], 0.6);
  EXPECT_DOUBLE_EQ(s.completeBS[1].coefficients[4], 0.8);
  // A number never stored loads nothing.
  EXPECT_EQ(selectBoundary(5, 0), 0);
}

TEST_F(BoundarySearchTest, CompletionEquationsGetNormRangesAndMergeOpposites) {
  const int n = 2;
  resetCompletionEquations(n, 10);
  // Range from the norm: |(3/5, 4/5) * 2| = 2; annulus values are non-negative.
  const Complex annulus[] = {Complex(1.2, 0.0), Complex(0.0, 1.6)};
  EXPECT_EQ(addCompletionEquation(n, annulus, 0), 1);
  long long lo = -1, hi = -1;
  completionEquationRange(0, &lo, &hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 2);
  // A zero row and a repeated row are dropped.
  const Complex zero[] = {Complex(0.0, 0.0), Complex(1e-9, 0.0)};
  EXPECT_EQ(addCompletionEquation(n, zero, 0), 1);
  EXPECT_EQ(addCompletionEquation(n, annulus, 0), 1);
  // The negative of an annulus equation forces its value to 0.
  const Complex opposite[] = {-annulus[0], -annulus[1]};
  EXPECT_EQ(addCompletionEquation(n, opposite, 0), 1);
  completionEquationRange(0, &lo, &hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 0);
  // A Moebius equation has a symmetric range; its negative or a copy changes nothing.
  const Complex moebius[] = {Complex(0.0, 0.0), Complex(1.0, 0.0)};
  EXPECT_EQ(addCompletionEquation(n, moebius, 1), 2);
  completionEquationRange(1, &lo, &hi);
  EXPECT_EQ(lo, -1);
  EXPECT_EQ(hi, 1);
  const Complex moebiusOpposite[] = {Complex(0.0, 0.0), Complex(-1.0, 0.0)};
  EXPECT_EQ(addCompletionEquation(n, moebiusOpposite, 1), 2);
  EXPECT_EQ(addCompletionEquation(n, moebius, 1), 2);
  completionEquationRange(1, &lo, &hi);
  EXPECT_EQ(lo, -1);
  EXPECT_EQ(hi, 1);
  // An annulus equation opposite to a Moebius one turns it into a non-negative one.
  EXPECT_EQ(addCompletionEquation(n, moebiusOpposite, 0), 2);
  completionEquationRange(1, &lo, &hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 1);
}

TEST_F(BoundarySearchTest, TryBoundaryReadsValuesAndRanges) {
  int lo = 0, hi = 0, ok = 0;
  const char* rest = getNextLimits("1,2,0:2,3", &lo, &hi, &ok);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(lo, 1);
  EXPECT_EQ(hi, 1);
  ASSERT_NE(rest, nullptr);
  EXPECT_STREQ(rest, "2,0:2,3");
  rest = getNextLimits("0:2,3", &lo, &hi, &ok);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 2);
  EXPECT_STREQ(rest, "3");
  rest = getNextLimits("3", &lo, &hi, &ok);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(rest, nullptr);
  for (const char* bad : {"2:1", "x", "", "1:", ":2", "1.5"}) {
    getNextLimits(bad, &lo, &hi, &ok);
    EXPECT_EQ(ok, 0) << bad;
  }
  // Four primaries (SU(2) level 3): "1,2,0:2,3" is the box of the three rows (1,2,0,3),
  // (1,2,1,3), (1,2,2,3).
  exceptionalSU2(3);
  setIntPar("Orientifold", 0);
  setIntPar("Boundary_search info_level", 1);
  capture.clear();
  EXPECT_EQ(tryBoundary("1,2,0:2,3"), 0);
  EXPECT_NE(capture.printed.find("Minima:   (1,2,0,3)"), std::string::npos) << capture.printed;
  EXPECT_NE(capture.printed.find("Maxima:   (1,2,2,3)"), std::string::npos) << capture.printed;
}

TEST_F(BoundarySearchTest, TryBoundaryRefusesBadInputBeforeLooping) {
  exceptionalSU2(2);
  EXPECT_EQ(tryBoundary("1,0"), -1);
  EXPECT_TRUE(alerted("Too few entries"));
  EXPECT_EQ(tryBoundary("1,0,0,0"), -1);
  EXPECT_TRUE(alerted("Too many entries"));
  EXPECT_EQ(tryBoundary("1,2:0,0"), -1);
  EXPECT_TRUE(alerted("Invalid entry: 2:0"));
  EXPECT_EQ(tryBoundary("1,a,0"), -1);
  EXPECT_TRUE(alerted("Invalid entry: a"));
  EXPECT_EQ(boundarySearchState().BoundCandCount, 0);
  // The store refuses a NIMrep search's results.
  boundarySearchState().BoundCandUse = 3;
  EXPECT_EQ(tryBoundary("1,0,0"), 0);
  EXPECT_TRUE(alerted("This command is not available for NIMrep searches"));
}

TEST_F(BoundarySearchTest, TryBoundaryAccumulatesUntilTheModeChanges) {
  exceptionalSU2(2);
  setIntPar("Orientifold", 0);
  capture.clear();
  // Primaries (0,2), (2,0), (1,1): the Cardy boundaries of spins 0 and 1/2.
  EXPECT_EQ(tryBoundary("1,0,0"), 1);
  EXPECT_EQ(tryBoundary("1,1,0"), 1);
  EXPECT_EQ(tryBoundary("1,1,0"), 0);
  const BoundarySearchState& s = boundarySearchState();
  ASSERT_EQ(s.BoundCandCount, 2);
  // B(m) = S(0,m) = (1/2, 1/2, 1/sqrt 2), and |S(1/2,m)| = (1/sqrt 2, 1/sqrt 2, 0).
  const double r = 1.0 / std::sqrt(2.0);
  EXPECT_NEAR(s.BoundaryCandidates[0], 0.5, 1e-9);
  EXPECT_NEAR(s.BoundaryCandidates[1], 0.5, 1e-9);
  EXPECT_NEAR(s.BoundaryCandidates[2], r, 1e-9);
  EXPECT_NEAR(std::fabs(s.BoundaryCandidates[6]), r, 1e-9);
  EXPECT_NEAR(std::fabs(s.BoundaryCandidates[7]), r, 1e-9);
  EXPECT_NEAR(s.BoundaryCandidates[8], 0.0, 1e-9);
  // The assembly makes the set of 3 (spin 1 is spin 0 with the sign at (1,1) flipped).
  capture.clear();
  assembleBoundarySet(0);
  EXPECT_NE(capture.printed.find("Unique and complete set of boundaries found\n"), std::string::npos)
      << capture.printed;
  EXPECT_EQ(TotalBoundaries(), 3);
  // Switching the setting starts a new store.
  setIntPar("Orientifold", 1);
  resetBoundaries();
  EXPECT_EQ(boundarySearchState().BoundCandCount, 0);
}

TEST_F(BoundarySearchTest, SearchOnSU2FindsTheCardyModuli) {
  for (int k : {2, 3, 4}) {
    exceptionalSU2(k);
    attemptBoundaries(2);
    EXPECT_NE(capture.printed.find("Complete solution\n"), std::string::npos) << k << capture.printed;
    const BoundarySearchState& s = boundarySearchState();
    ASSERT_EQ(s.completeBS.size(), 1u) << k;
    const int N = k + 1;
    EXPECT_EQ(TotalBoundaries(), N) << k;
    // Each boundary's moduli are a row |S(a, .)|; every row appears (rows of the spin-0
    // and spin-k/2 boundaries agree, so they are compared as multisets of rows).
    std::vector<int> used(static_cast<size_t>(N), 0);
    for (int b = 0; b < N; ++b) {
      const double* v = s.completeBS[0].coefficients.data() + 2 * N * b;
      bool matched = false;
      for (int a = 0; a < N && !matched; ++a) {
        if (used[static_cast<size_t>(a)]) continue;
        bool same = true;
        for (int m = 0; m < N && same; ++m) {
          double re = 0.0, im = 0.0;
          compS(a, m, &re, &im);
          same = std::fabs(std::hypot(v[m], v[N + m]) - std::hypot(re, im)) < 1e-7;
        }
        if (same) used[static_cast<size_t>(a)] = matched = true;
      }
      EXPECT_TRUE(matched) << k << " boundary " << b;
    }
    // The annulus of the identity is the identity matrix.
    for (int a = 0; a < N; ++a)
      for (int b = 0; b < N; ++b) EXPECT_EQ(getOrientedAnnulus(0, a, b), a == b ? 1 : 0) << k;
  }
  // Loops cut below the absolute maximum 2 of (2,2) at level 4.
  capture.clear();
  attemptBoundaries(1);
  EXPECT_NE(capture.printed.find("There may be additional solutions\n"), std::string::npos);
  EXPECT_EQ(capture.printed.find("Complete solution\n"), std::string::npos);
}

TEST_F(BoundarySearchTest, CompleteSetsBelongToTheirInvariant) {
  exceptionalSU2(2);
  attemptBoundaries(2);
  ASSERT_EQ(boundarySearchState().completeBS.size(), 1u);
  EXPECT_EQ(selectBoundary(0, 1), 1);
  // Another invariant (the bulk counter moved on): nothing is loaded.
  bulkInvariantChanged();
  EXPECT_EQ(selectBoundary(0, 1), 0);
  // "reset bulk" and a new theory free the sets.
  resetBulkAndBoundaries();
  EXPECT_TRUE(boundarySearchState().completeBS.empty());
  exceptionalSU2(3);
  attemptBoundaries(2);
  ASSERT_EQ(boundarySearchState().completeBS.size(), 1u);
  ASSERT_NE(useTheory(1, 1, 5), nullptr);
  EXPECT_TRUE(boundarySearchState().completeBS.empty());
}

TEST_F(BoundarySearchTest, ANoToContinueLeavesTheSolutionOpen) {
  exceptionalSU2(4);
  // An interactive run at a terminal, inside a command; every progress check finds a
  // minute gone and asks; the user answers no.
  setInteractive(1);
  setStandardOutputTerminalQuery(onTerminal);
  startModal();
  ScriptedAnswers answers({"no", "no", "no", "no", "no", "no"});
  setClockSource(minutePerReading);
  attemptBoundaries(2);
  setClockSource(nullptr);
  setStandardOutputTerminalQuery(nullptr);
  EXPECT_LT(ScriptedAnswers::left(), 6u);
  EXPECT_NE(capture.printed.find("There may be additional solutions\n"), std::string::npos)
      << capture.printed;
  EXPECT_EQ(capture.printed.find("Complete solution\n"), std::string::npos);
}

TEST_F(BoundarySearchTest, ComparisonShowsPhaseOneHalfAtANegatedPrimary) {
  exceptionalSU2(2);
  attemptBoundaries(2);
  BoundarySearchState& s = boundarySearchState();
  ASSERT_EQ(s.completeBS.size(), 1u);
  const int N = 3, L = 3;
  // Set 1: primary 1 negated in every boundary; set 2: primary 0 negated.
  for (int negated : {1, 0}) {
    CompleteBoundarySet copy = s.completeBS[0];
    copy.number = static_cast<int>(s.completeBS.size());
    for (int b = 0; b < L; ++b) {
      copy.coefficients[static_cast<size_t>(2 * N * b + negated)] *= -1.0;
      copy.coefficients[static_cast<size_t>(2 * N * b + N + negated)] *= -1.0;
    }
    s.completeBS.push_back(copy);
  }
  capture.clear();
  CompareAllBoundarySets();
  const std::string& out = capture.printed;
  // Newest first: 2 with 1, 2 with 0, 1 with 0.
  const size_t p21 = out.find("Boundary sets 2 and 1 are similar; Comparison:\n");
  const size_t p20 = out.find("Boundary sets 2 and 0 are similar; Comparison:\n");
  const size_t p10 = out.find("Boundary sets 1 and 0 are similar; Comparison:\n");
  ASSERT_NE(p21, std::string::npos) << out;
  ASSERT_NE(p20, std::string::npos);
  ASSERT_NE(p10, std::string::npos);
  EXPECT_LT(p21, p20);
  EXPECT_LT(p20, p10);
  EXPECT_EQ(count(out, "NIMreps identical\n"), 3u);
  // Sets 1 and 0: phase 1/2 at primary 1, 0 elsewhere.
  const std::string report = out.substr(p10);
  EXPECT_NE(report.find("  Primary label    Phase (set 0/set 1)\n" +
                        formatText("  %3d              %15.7f\n", 0, 0.0) +
                        formatText("  %3d              %15.7f\n", 1, 0.5) +
                        formatText("  %3d              %15.7f\n", 2, 0.0)),
            std::string::npos)
      << report;
  EXPECT_EQ(capture.diagnostics, "");
}

TEST_F(BoundarySearchTest, PermutationWithoutDegeneraciesResolvesAtOnce) {
  // SU(2) level 2, diagonal invariant: boundaries are the primaries; the exchange of the
  // identity and the current (a field permutation) maps boundary 0 to 1 and fixes 2.
  ASSERT_NE(useTheory(1, 1, 2), nullptr);
  ASSERT_EQ(TotalBoundaries(), 3);
  capture.clear();
  const int pi[] = {1, 0, 2};
  EXPECT_EQ(CloseBoundaryPermutations(pi, 0, nullptr, nullptr), 3);
  // One sweep over the fields i <= pi(i) adds nothing.
  EXPECT_EQ(capture.stdoutText, "boundary i=0\nboundary i=2\n0 <==> 1\n1 <==> 0\n2 <==> 2\n");
  EXPECT_EQ(boundarySearchState().BoundaryPermutations, (std::vector<int>{1, 0, 2}));
  // A user pair against a computed image is refused.
  capture.clear();
  const int is[] = {0}, js[] = {2};
  CloseBoundaryPermutations(pi, 1, is, js);
  EXPECT_TRUE(alerted("Incorrect degeneracy resolution"));
}

TEST_F(BoundarySearchTest, CtrlCAbandonsTheSearchAndTheNextOneFindsTheSameSet) {
  exceptionalSU2(4);
  attemptBoundaries(2);
  ASSERT_EQ(boundarySearchState().completeBS.size(), 1u);
  // A search with a pending Ctrl-C ends at its first loop point.
  installInterruptHandler();
  std::raise(SIGINT);
  capture.clear();
  EXPECT_THROW(attemptBoundaries(2), StopRequest);
  removeInterruptHandler();
  setStopSignal(0);  // the next command line
  EXPECT_EQ(capture.printed.find("Complete solution\n"), std::string::npos);
  // The next search starts from a cleared state and finds the five Cardy boundaries again.
  capture.clear();
  attemptBoundaries(2);
  EXPECT_NE(capture.printed.find("Complete solution\n"), std::string::npos) << capture.printed;
  ASSERT_EQ(boundarySearchState().completeBS.size(), 1u);
  EXPECT_EQ(TotalBoundaries(), 5);
}

}  // namespace
