// Pieces of the Moebius-strip solver: the modulus, the lift of residues, the values of free
// coefficients and the sign rule that keeps one of M and -M.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "boundaries/BoundarySearchInternal.h"

namespace {

class NimrepMoebiusTest : public ZoqTest {};

TEST_F(NimrepMoebiusTest, PrimeIsSmallestAboveTwiceTheBoundPlusOne) {
  EXPECT_EQ(moebiusPrime(1), 5);   // above 3
  EXPECT_EQ(moebiusPrime(3), 11);  // above 7
  EXPECT_EQ(moebiusPrime(0), 2);   // above 1
  EXPECT_EQ(moebiusPrime(2), 7);   // above 5
  EXPECT_EQ(moebiusPrime(5), 13);  // above 11, which is not allowed
}

TEST_F(NimrepMoebiusTest, FreeVariableRunsOverValuesOfItsParity) {
  for (int B = 0; B <= 4; ++B) {
    std::vector<int> values;
    for (int t = 0; t <= B; ++t) values.push_back(freeMoebiusValue(t, B));
    ASSERT_EQ(values.size(), static_cast<size_t>(B + 1));
    EXPECT_EQ(values.front(), -B);
    EXPECT_EQ(values.back(), B);
    for (size_t k = 1; k < values.size(); ++k) EXPECT_EQ(values[k] - values[k - 1], 2);
  }
}

TEST_F(NimrepMoebiusTest, ResiduesLiftToTheUniqueValueOfTheBoundsParity) {
  const int p = moebiusPrime(3);  // 11
  int v = 99;
  // Every value of parity 3 within [-3, 3] comes back from its residue.
  for (int m : {-3, -1, 1, 3}) {
    ASSERT_EQ(liftMoebiusResidue(((m % p) + p) % p, 3, p, &v), 1) << m;
    EXPECT_EQ(v, m);
  }
  // Wrong parity or out of reach: refused.
  EXPECT_EQ(liftMoebiusResidue(2, 3, p, &v), 0);
  EXPECT_EQ(liftMoebiusResidue(0, 3, p, &v), 0);
  EXPECT_EQ(liftMoebiusResidue(5, 3, p, &v), 0);   // 5 > 3 and -6 < -3
  EXPECT_EQ(liftMoebiusResidue(0, 0, p, &v), 1);
  EXPECT_EQ(v, 0);
  EXPECT_EQ(liftMoebiusResidue(2, 2, p, &v), 1);
  EXPECT_EQ(v, 2);
  EXPECT_EQ(liftMoebiusResidue(9, 2, p, &v), 1);
  EXPECT_EQ(v, -2);
}

TEST_F(NimrepMoebiusTest, OnlyOneOfMAndMinusMIsKept) {
  const std::vector<std::vector<int>> cases = {{0, 1, -1}, {2, -1, 0}, {0, 0, -3}, {1, 0, 0}};
  for (const std::vector<int>& m : cases) {
    std::vector<int> minus;
    for (int x : m) minus.push_back(-x);
    EXPECT_EQ(firstNonZeroPositive(3, m.data()) + firstNonZeroPositive(3, minus.data()), 1);
  }
  const std::vector<int> zero = {0, 0, 0};
  EXPECT_EQ(firstNonZeroPositive(3, zero.data()), 0);
  EXPECT_EQ(firstNonZeroPositive(3, cases[0].data()), 1);
  EXPECT_EQ(firstNonZeroPositive(3, cases[2].data()), 0);
}

}  // namespace

namespace {

class NimrepCrosscapTest : public ZoqTest {};

TEST_F(NimrepCrosscapTest, LoopLengthIsProductOfDiagonalAnnulusPlusOne) {
  const std::vector<int> row = {1, 0, 2};
  EXPECT_EQ(crosscapLoopLength(3, row.data()), 2 * 1 * 3);
  // 64 factors of 2^31 would overflow: the length saturates.
  const std::vector<int> big(64, INT_MAX);
  EXPECT_EQ(crosscapLoopLength(64, big.data()), LLONG_MAX);
  // 2^32 fits in 64 bits.
  const std::vector<int> two(32, 1);
  EXPECT_EQ(crosscapLoopLength(32, two.data()), 4294967296LL);
}

TEST_F(NimrepCrosscapTest, ShortestLoopWinsTiesGoToTheLowerBoundary) {
  // Three boundaries of two primaries: lengths 4, 2, 2.
  const std::vector<int> diagonal = {1, 1, 1, 0, 0, 1};
  EXPECT_EQ(chooseCrosscapBoundary(2, 3, diagonal, {1, 1, 1}), 1);
  EXPECT_EQ(chooseCrosscapBoundary(2, 3, diagonal, {1, 0, 1}), 2);
  EXPECT_EQ(chooseCrosscapBoundary(2, 3, diagonal, {1, 0, 0}), 0);
  EXPECT_TRUE(capture.printed.find("abandoned") == std::string::npos);
}

TEST_F(NimrepCrosscapTest, NoUsableBoundaryAbandonsWithTwoLines) {
  const std::vector<int> diagonal = {1, 1, 1, 0};
  capture.clear();
  EXPECT_EQ(chooseCrosscapBoundary(2, 2, diagonal, {0, 0}), -1);
  EXPECT_EQ(capture.printed,
            "All boundary coefficients have at least one zero entry\n"
            "Moebius loop search abandoned.\n");
  // A loop too long to run never qualifies.
  const std::vector<int> huge(33, 1);
  capture.clear();
  EXPECT_EQ(chooseCrosscapBoundary(33, 1, huge, {1}), -1);
  EXPECT_NE(capture.printed.find("Moebius loop search abandoned.\n"), std::string::npos);
}

}  // namespace

namespace {

class NimrepMoebiusAnnulusTest : public ZoqTest {};

// The fusion NIM-representation of SU(2) level 2 as candidate indices: rows (1,0,0) = 0,
// (1,0,1) = 1, (0,1,0) = 2, (0,0,1) = 3; boundary pairs (0,0) (0,1) (0,2) / (1,1) (1,2) /
// (2,2), symmetric.
TEST_F(NimrepMoebiusAnnulusTest, NimrepEntriesFollowTheConjugation) {
  NimrepStore& s = nimrepStore();
  s.N = 3;
  s.conjugateField = {0, 1, 2};
  s.Annuli = {1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 0, 1};
  const std::vector<int> M = {0, 2, 3, 2, 1, 2, 3, 2, 0};
  const std::vector<int> identity = {0, 1, 2};
  // A^i_ab = N_ia^b: A^1_01 = 1, A^2_02 = 1, A^2_11 = 1, A^1_00 = 0.
  EXPECT_EQ(getAnnulusForMoebiusSearch(1, 0, 1, &M, identity, 1), 1);
  EXPECT_EQ(getAnnulusForMoebiusSearch(2, 0, 2, &M, identity, 1), 1);
  EXPECT_EQ(getAnnulusForMoebiusSearch(2, 1, 1, &M, identity, 1), 1);
  EXPECT_EQ(getAnnulusForMoebiusSearch(1, 0, 0, &M, identity, 1), 0);
  // Unoriented: the pair (a, conj(b)). With 0 and 2 exchanged, A(0; 0, conj 2) = A^0_00 = 1.
  const std::vector<int> swap = {2, 1, 0};
  EXPECT_EQ(getAnnulusForMoebiusSearch(0, 0, 2, &M, swap, 0), 1);
  EXPECT_EQ(getAnnulusForMoebiusSearch(0, 0, 2, &M, swap, 1), 0);
  // A negative field is the conjugate primary (all self-conjugate here).
  EXPECT_EQ(getAnnulusForMoebiusSearch(-2, 0, 2, &M, identity, 1), 1);
  // Out of range: 0, never a read outside the tables.
  EXPECT_EQ(getAnnulusForMoebiusSearch(0, 3, 0, &M, identity, 1), 0);
  EXPECT_EQ(getAnnulusForMoebiusSearch(-3, 0, 0, &M, identity, 1), 0);
  EXPECT_EQ(getAnnulusForMoebiusSearch(3, 0, 0, &M, identity, 1), 0);
}

}  // namespace
