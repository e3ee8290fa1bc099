// Exact and double-precision inversion of square matrices.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "numbers/LargeInteger.h"
#include "numbers/MathUtility.h"
#include "numbers/MatrixInversion.h"
#include "program/Boot.h"
#include "TestSupport.h"

namespace {

class MatrixInversionTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

bool contains(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

void expectRat(const Rat& q, long long num, long long den) {
  EXPECT_EQ(q.num, num);
  EXPECT_EQ(q.den, den);
}

// A B == identity, checked in large rationals (an arithmetic independent of the one tested).
bool productIsIdentity(int n, const std::vector<Rat>& A, const std::vector<Rat>& B) {
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) {
      lrat sum;
      lrat_assign(&sum, 0, 1);
      for (int k = 0; k < n; ++k) {
        lrat x, y;
        lrat_assign(&x, A[r * n + k].num, A[r * n + k].den);
        lrat_assign(&y, B[k * n + c].num, B[k * n + c].den);
        lrat_multiply(&x, &y);
        lrat_add(&sum, &x);
      }
      lrat expected;
      lrat_assign(&expected, r == c ? 1 : 0, 1);
      if (lrat_eq(&sum, &expected) == 0) return false;
    }
  }
  return true;
}

TEST_F(MatrixInversionTest, TwoByTwoKnownInverse) {
  Rat M[] = {{2, 1}, {1, 1}, {1, 1}, {1, 1}};
  Rat Inv[4];
  EXPECT_EQ(RationalMatrixInversion(2, M, Inv), Inv);
  expectRat(Inv[0], 1, 1);
  expectRat(Inv[1], -1, 1);
  expectRat(Inv[2], -1, 1);
  expectRat(Inv[3], 2, 1);
  for (const Rat& q : M) EXPECT_EQ(q.den, 1);
  expectRat(M[0], 1, 1);  // M is reduced to the identity
  expectRat(M[1], 0, 1);
}

TEST_F(MatrixInversionTest, OneByOneAndEmpty) {
  Rat M[] = {{4, 3}};
  Rat Inv[1];
  ASSERT_EQ(RationalMatrixInversion(1, M, Inv), Inv);
  expectRat(Inv[0], 3, 4);
  Rat untouched[] = {{7, 9}};
  EXPECT_EQ(RationalMatrixInversion(0, M, untouched), untouched);
  expectRat(untouched[0], 7, 9);
}

TEST_F(MatrixInversionTest, PivotOfSmallestSizeIsTaken) {
  // Column entries 3/2 and 1: the row with 1 is the pivot; the inverse is exact anyway.
  Rat M[] = {{3, 2}, {1, 1}, {1, 1}, {1, 3}};
  Rat Inv[4];
  ASSERT_EQ(RationalMatrixInversion(2, M, Inv), Inv);
  // det = 1/2 - 1 = -1/2; inverse = (1/det) ((1/3, -1), (-1, 3/2)).
  expectRat(Inv[0], -2, 3);
  expectRat(Inv[1], 2, 1);
  expectRat(Inv[2], 2, 1);
  expectRat(Inv[3], -3, 1);
}

TEST_F(MatrixInversionTest, SingularMatrixLeavesTheInverseUntouched) {
  OutputCapture capture;
  Rat M[] = {{1, 1}, {0, 1}, {2, 1}, {0, 1}};  // column 1 is zero
  Rat Inv[4] = {{5, 1}, {5, 1}, {5, 1}, {5, 1}};
  EXPECT_EQ(RationalMatrixInversion(2, M, Inv), nullptr);
  EXPECT_TRUE(contains(capture.all, "Rational matrix not invertible (col. 1)"));
  for (const Rat& q : Inv) expectRat(q, 5, 1);
  capture.clear();
  Rat dependent[] = {{1, 2}, {1, 3}, {3, 2}, {1, 1}};  // row 2 = 3 row 1
  EXPECT_EQ(RationalMatrixInversion(2, dependent, Inv), nullptr);
  EXPECT_TRUE(contains(capture.all, "Rational matrix not invertible (col. 1)"));
  for (const Rat& q : Inv) expectRat(q, 5, 1);
}

TEST_F(MatrixInversionTest, RandomRationalMatricesTimesTheirInverseGiveTheIdentity) {
  std::mt19937 rng(31337);
  std::uniform_int_distribution<int> num(-4, 4), den(1, 3);
  int inverted = 0;
  for (int round = 0; round < 60; ++round) {
    int n = 1 + round % 12;
    std::vector<Rat> M(static_cast<std::size_t>(n * n));
    for (Rat& q : M) {
      q = Rat{num(rng), den(rng)};
      simplifyRat(&q);
    }
    std::vector<Rat> work = M, Inv(M.size());
    OutputCapture capture;
    if (RationalMatrixInversion(n, work.data(), Inv.data()) == nullptr) continue;  // singular
    ++inverted;
    for (const Rat& q : Inv) {
      EXPECT_GT(q.den, 0);
      EXPECT_EQ(GCD_LONG(q.num, q.den), 1);
    }
    EXPECT_TRUE(productIsIdentity(n, M, Inv)) << "n = " << n;
    EXPECT_TRUE(productIsIdentity(n, Inv, M)) << "n = " << n;
  }
  EXPECT_GT(inverted, 50);
}

TEST_F(MatrixInversionTest, RowCombination) {
  Rat A[] = {{1, 2}, {2, 3}};
  const Rat B[] = {{1, 3}, {1, 1}};
  const Rat a{2, 1}, b{-3, 2};
  EXPECT_EQ(ReplaceRationalRowByLinearCombination(2, A, B, &a, &b), 1);
  expectRat(A[0], 1, 2);   // 1 - 1/2
  expectRat(A[1], -1, 6);  // 4/3 - 3/2
  OutputCapture capture;
  const Rat bad{1, 0};
  EXPECT_EQ(ReplaceRationalRowByLinearCombination(2, A, B, &bad, &b), 0);
  EXPECT_TRUE(contains(capture.all, "Vanishing denominator encountered"));
  Rat big[] = {{LLONG_MAX, 1}};
  const Rat same[] = {{LLONG_MAX, 1}};
  const Rat one{1, 1};
  capture.clear();
  EXPECT_EQ(ReplaceRationalRowByLinearCombination(1, big, same, &one, &one), 0);  // 2^64 - 2
  EXPECT_TRUE(contains(capture.all, "Rational overflow in linear combination"));
  expectRat(big[0], LLONG_MAX, 1);
}

TEST_F(MatrixInversionTest, DoublePrecisionInversion) {
  // The 3 x 3 Hilbert matrix; its inverse is integral: ((9,-36,30),(-36,192,-180),(30,-180,180)).
  double M[] = {1, 1.0 / 2, 1.0 / 3, 1.0 / 2, 1.0 / 3, 1.0 / 4, 1.0 / 3, 1.0 / 4, 1.0 / 5};
  double Inv[9];
  ASSERT_EQ(MatrixInversion(3, M, Inv), Inv);
  const double expected[] = {9, -36, 30, -36, 192, -180, 30, -180, 180};
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(Inv[i], expected[i], 1e-7);

  OutputCapture capture;
  double singular[] = {1, 2, 2, 4};
  EXPECT_EQ(MatrixInversion(2, singular, Inv), nullptr);
  EXPECT_TRUE(contains(capture.all, "Matrix not invertible"));
  EXPECT_TRUE(contains(capture.stdoutText, "------------------------ Non-invertible at i=1 -------------------------------\n"));

  // Column 0 holds 0.5, -1 and 1e-8 (below the tolerance): |-1 + 1/-1| = 2 beats 2.5.
  const double column[] = {0.5, 3, -1, -1, 1, 0, 0.00000001, 0, 0};
  EXPECT_EQ(FindOptimalElementInLowerColumn(3, column, 0), 1);
  EXPECT_EQ(FindLargestElementInLowerColumn(3, column, 0), 1);
  EXPECT_DOUBLE_EQ(OptimizedValue(-1), 2);
}

TEST_F(MatrixInversionTest, PrintRationalVector) {
  const Rat v[] = {{1, 2}, {-3, 1}};
  OutputCapture capture;
  printRationalVector(2, v, "v");
  printRationalVector(0, v, "none");
  EXPECT_EQ(capture.stdoutText, "v (1/2,-3)\n");
}

}  // namespace
