// Null vectors of axion charge matrices: unbroken U(1)s (the integer kernel) and Z_N
// symmetries (combinations whose charges vanish modulo N), the check of charges against
// them, and the orders of the discrete groups.
#include <gtest/gtest.h>

#include <vector>

#include "TestSupport.h"
#include "search/DiscreteSymmetries.h"

namespace {

class DiscreteSymmetriesTest : public ZoqTest {};

int countU1(const IntegerRows& rows) {
  int n = 0;
  for (const auto& row : rows) n += row.back() == -1 ? 1 : 0;
  return n;
}

std::vector<long long> ordersOf(const IntegerRows& rows) {
  std::vector<long long> orders;
  for (const auto& row : rows)
    if (row.back() != -1) orders.push_back(row.back());
  return orders;
}

IntegerRows nullVectors(const std::vector<long long>& charges, int A, int u) {
  int status = 0;
  IntegerRows rows = getDiscreteSymmetryNullvectorsForCharges(makeChargeMatrix(charges, A, u), A, u, &status);
  EXPECT_EQ(status, 0);
  return rows;
}

TEST_F(DiscreteSymmetriesTest, StacksWithoutAxionChargeKeepOneU1Each) {
  // Three stacks, two axions, all charges 0: the kernel is all of Z^3.
  const IntegerRows rows = nullVectors(std::vector<long long>(6, 0), 2, 3);
  EXPECT_EQ(countU1(rows), 3);
  EXPECT_TRUE(ordersOf(rows).empty());
  // Each is a unit vector e_i followed by -1.
  for (int i = 0; i < 3; ++i) {
    std::vector<long long> unit(4, 0);
    unit[static_cast<std::size_t>(i)] = 1;
    unit[3] = -1;
    EXPECT_NE(std::find(rows.begin(), rows.end(), unit), rows.end()) << i;
  }
}

TEST_F(DiscreteSymmetriesTest, ChargeTwoLeavesZ2AndNoU1) {
  const IntegerRows rows = nullVectors({2}, 1, 1);
  EXPECT_EQ(countU1(rows), 0);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (std::vector<long long>{1, 2}));
}

TEST_F(DiscreteSymmetriesTest, GcdTwelveGivesZ4AndZ3) {
  // Charges (12, 24): gcd 12 = 4 x 3.
  const IntegerRows rows = nullVectors({12, 24}, 2, 1);
  EXPECT_EQ(countU1(rows), 0);
  EXPECT_EQ(ordersOf(rows), (std::vector<long long>{4, 3}));
}

TEST_F(DiscreteSymmetriesTest, LargePrimeIsFound) {
  // 79 is the 22nd prime, beyond a sweep of the first twenty.
  EXPECT_EQ(ordersOf(nullVectors({79}, 1, 1)), (std::vector<long long>{79}));
  // 83 * 2: both primes.
  EXPECT_EQ(ordersOf(nullVectors({166}, 1, 1)), (std::vector<long long>{2, 83}));
}

TEST_F(DiscreteSymmetriesTest, PrimeOfADeterminantDividingNoEntryIsFound) {
  // Rows (2,1) and (1,2): determinant 3, no entry divisible by 3. (1,1) has charges (3,3):
  // a Z_3; no U(1) survives.
  const IntegerRows rows = nullVectors({2, 1, 1, 2}, 2, 2);
  EXPECT_EQ(countU1(rows), 0);
  EXPECT_EQ(ordersOf(rows), (std::vector<long long>{3}));
  const auto& z3 = rows[0];
  // The vector is a multiple of (1,1) modulo 3 (charges vanish mod 3).
  EXPECT_EQ((2 * z3[0] + 1 * z3[1]) % 3, 0);
  EXPECT_EQ((1 * z3[0] + 2 * z3[1]) % 3, 0);
}

TEST_F(DiscreteSymmetriesTest, OppositeChargesLeaveTheDifferenceMassless) {
  // Two stacks with charges 1 and -1 under one axion: U(1)_1 + U(1)_2 stays massless.
  IntegerRows rows = nullVectors({1, -1}, 1, 2);
  ASSERT_EQ(SweepUnitaryNullvectors(&rows, 2), 0);
  ASSERT_EQ(countU1(rows), 1);
  EXPECT_TRUE(ordersOf(rows).empty());
  for (const auto& row : rows)
    if (row.back() == -1) {
      EXPECT_EQ(row[0] * 1 + row[1] * -1, 0);
    }
}

TEST_F(DiscreteSymmetriesTest, ChargesAreCheckedAgainstU1AndZNRows) {
  const IntegerRows rows = {{1, 1, 0, -1}, {0, 0, 1, 2}};
  // q = (1, -1, 1): orthogonal to the U(1) row, q.v = 1 for the Z_2 row: forbidden by Z_2.
  EXPECT_EQ(checkDiscreteSymmetryCharges(rows, {1, -1, 1}), 0);
  // q = (1, 0, 0): violates the U(1).
  EXPECT_EQ(checkDiscreteSymmetryCharges(rows, {1, 0, 0}), -1);
  // q = (1, -1, 2): allowed.
  EXPECT_EQ(checkDiscreteSymmetryCharges(rows, {1, -1, 2}), 1);
}

TEST_F(DiscreteSymmetriesTest, SweepRefusesNonPrimes) {
  IntegerRows matrix = makeChargeMatrix({4}, 1, 1);
  EXPECT_EQ(SweepChargeEquations(&matrix, 1, 1, 4), -1);
  EXPECT_EQ(SweepChargeEquations(&matrix, 1, 1, 2), 0);
  EXPECT_EQ(matrix[0][2], 0);  // pivot column 0
}

TEST_F(DiscreteSymmetriesTest, OverflowIsReportedNotWrapped) {
  // Eliminating between rows with huge coprime entries overflows 64 bits.
  const long long big = 3037000499LL;  // about sqrt(2^63)
  int status = 0;
  getDiscreteSymmetryNullvectorsForCharges(makeChargeMatrix({big, big + 2, big + 1, big + 3}, 2, 2), 2, 2, &status);
  EXPECT_EQ(status, -1);
}

TEST_F(DiscreteSymmetriesTest, DiscreteGroupOrders) {
  EXPECT_EQ(DiscreteGroupOrder({}), 1);
  EXPECT_EQ(DiscreteGroupOrder({4, 3, 0, 7}), 12);
  // One Z_2 acting on stack 1 only (of 2): with the first position visible it acts on the
  // hidden stack only.
  const IntegerRows hidden = {{0, 1, 2}};
  EXPECT_EQ(ComputeExternalDiscreteGroup(hidden, 1), 2);
  EXPECT_EQ(ComputeInternalDiscreteGroup(hidden, 1), 1);
  // A Z_4 with charge 2 on the visible stack: the element 2 acts trivially there and on
  // the hidden stack it gives charge 2 * 1 = 2 mod 4; the hidden-only group is {0, 2}.
  const IntegerRows mixed = {{2, 1, 4}};
  EXPECT_EQ(ComputeExternalDiscreteGroup(mixed, 1), 2);
  // No Z_N rows: order 1.
  EXPECT_EQ(ComputeExternalDiscreteGroup({{1, 0, -1}}, 1), 1);
}

TEST_F(DiscreteSymmetriesTest, MasslessU1AbsorbsTheVisiblePartOfAZN) {
  // U(1) (1,1) is massless; the Z_2 (1,0) differs from (0,1) by that U(1) modulo 2, so on
  // the visible stack 0 it can be undone: the Z_2 acts on the hidden stack only.
  IntegerRows rows = {{1, 1, -1}, {1, 0, 2}};
  ASSERT_EQ(NullifyDiscreteSymmetriesOnPositions(&rows, {1, 0}), 0);
  EXPECT_EQ(rows[1], (std::vector<long long>{0, 1, 2}));
  EXPECT_EQ(ComputeExternalDiscreteGroup({{1, 1, -1}, {1, 0, 2}}, 1), 2);
  // Without the U(1) it acts on the visible stack: no hidden-only element but the identity.
  EXPECT_EQ(ComputeExternalDiscreteGroup({{1, 0, 2}}, 1), 1);
  EXPECT_EQ(ComputeInternalDiscreteGroup({{1, 0, 2}}, 1), 2);
}

TEST_F(DiscreteSymmetriesTest, VisibleU1RowsAreReducedAndNormalised) {
  // Two U(1) rows sharing the visible position 0: the second loses it.
  IntegerRows rows = {{2, 2, 0, -1}, {1, 0, 3, -1}};
  ASSERT_EQ(SweepUnitaryNullvectors(&rows, 1), 0);
  EXPECT_EQ(rows[0], (std::vector<long long>{1, 1, 0, -1}));  // divided by its gcd 2
  EXPECT_EQ(rows[1][0], 0);
  // (2,2,0) and (1,0,3): (2/1)(1,0,3) - (1/1)(2,2,0) = (0,-2,6), normalised to (0,-1,3).
  EXPECT_EQ(rows[1], (std::vector<long long>{0, -1, 3, -1}));
}

}  // namespace
