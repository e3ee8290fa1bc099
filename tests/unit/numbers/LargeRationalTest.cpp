// Large rationals and exact rational matrices.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "DecimalOracle.h"
#include "numbers/LargeInteger.h"
#include "NumberTestSupport.h"

namespace {

using LargeRationalTest = NumberTest;

lint bigInt(const std::string& text) {
  lint x;
  EXPECT_EQ(string_to_lint(&x, text.c_str()), 0);
  return x;
}

lrat fraction(const std::string& num, const std::string& den) {
  return lrat_Alloc(bigInt(num), bigInt(den));
}

lrat small(long long num, long long den) {
  lrat q;
  lrat_assign(&q, num, den);
  return q;
}

__int128 gcd128(__int128 a, __int128 b) {
  if (a < 0) a = -a;
  if (b < 0) b = -b;
  while (b != 0) {
    __int128 r = a % b;
    a = b;
    b = r;
  }
  return a;
}

// The reduced text of n/d (d != 0) by the 128-bit oracle.
std::string reducedText(__int128 n, __int128 d) {
  if (n == 0) return "0";
  __int128 g = gcd128(n, d);
  n /= g;
  d /= g;
  if (d < 0) {
    n = -n;
    d = -d;
  }
  return d == 1 ? oracle::toString(n) : oracle::toString(n) + "/" + oracle::toString(d);
}

// --- Reduction, comparison and text ----------------------------------------------------------

TEST_F(LargeRationalTest, ReductionToLowestTerms) {
  // Numerator, denominator and text after reduction (0/5 stays as it is).
  const char* cases[][5] = {{"6", "4", "3", "2", "3/2"},    {"-6", "-4", "3", "2", "3/2"},
                            {"6", "-4", "-3", "2", "-3/2"}, {"0", "5", "0", "5", "0"},
                            {"5", "5", "1", "1", "1"},      {"-5", "5", "-1", "1", "-1"}};
  for (auto c : cases) {
    lrat q = fraction(c[0], c[1]);
    simplify_rat(&q);
    EXPECT_EQ(lint_string(&q.num) + "/" + lint_string(&q.den), std::string(c[2]) + "/" + c[3]);
    EXPECT_EQ(lrat_string(&q), c[4]);
  }
}

TEST_F(LargeRationalTest, ReductionOfLargeCommonFactors) {
  std::mt19937_64 rng(31);
  for (int trial = 0; trial < 30; ++trial) {
    // a and a + 1 are coprime; g is a large common factor.
    std::string a = oracle::randomNumber(rng, 1 + static_cast<int>(rng() % 120), false);
    std::string b = oracle::add(a, "1");
    std::string g = oracle::randomNumber(rng, 1 + static_cast<int>(rng() % 120), false);
    lrat q = fraction(oracle::negate(oracle::multiply(a, g)), oracle::multiply(b, g));
    simplify_rat(&q);
    ASSERT_EQ(lrat_string(&q), "-" + a + "/" + b);
  }
}

TEST_F(LargeRationalTest, Comparisons) {
  // (a, b, compare(a, b)): equal values in other forms, signs, zero and tiny values.
  struct {
    lrat a, b;
    int order;
  } cases[] = {
      {small(1, 3), small(2, 6), 0},          {small(-1, 2), small(0, 1), -1},
      {small(0, 1), small(-1, 2), 1},         {small(0, 1), fraction("1", "1000000000000"), -1},
      {small(1, -2), fraction("-1", "2"), 0}, {small(-2, 3), small(-3, 4), 1}};
  for (auto& c : cases) {
    EXPECT_EQ(lrat_compare(&c.a, &c.b), c.order) << lrat_string(&c.a) << " " << lrat_string(&c.b);
    int flags = lrat_eq(&c.a, &c.b) + 2 * lrat_neq(&c.a, &c.b) + 4 * lrat_lt(&c.a, &c.b) +
                8 * lrat_gt(&c.a, &c.b) + 16 * lrat_leq(&c.a, &c.b) + 32 * lrat_geq(&c.a, &c.b);
    EXPECT_EQ(flags, c.order == 0 ? 1 + 16 + 32 : (c.order < 0 ? 2 + 4 + 16 : 2 + 8 + 32));
  }
  lrat negative = small(-2, 3), zero = small(0, 1), tiny = fraction("1", "1000000000000");
  EXPECT_EQ(lrat_sign(&negative) * 100 + lrat_sign(&zero) * 10 + lrat_sign(&tiny), -99);
  EXPECT_EQ(lrat_zero_check(&zero) * 10 + lrat_zero_check(&tiny), 10);
}

TEST_F(LargeRationalTest, TextForms) {
  lrat q = small(-3, 2);
  EXPECT_EQ(lrat_string(&q), "-3/2");
  q = small(7, 1);
  EXPECT_EQ(lrat_string(&q), "7");
  q = fraction("123456789012345678901", "1000000000000000000000");
  EXPECT_EQ(lrat_string(&q), "123456789012345678901/1000000000000000000000");
  EXPECT_TRUE(silent());
  lrat infinite;
  lrat_assign(&infinite, 3, 0);
  EXPECT_TRUE(alerted("Division by zero"));
  EXPECT_EQ(lrat_string(&infinite), "INFINITY");
  simplify_rat(&infinite);  // ends, and the value stays infinite
  EXPECT_EQ(lrat_string(&infinite), "INFINITY");
  capture.clear();
  lrat unnormalised = fraction("3", "-2");
  EXPECT_EQ(lrat_string(&unnormalised), "3/-2");
  EXPECT_TRUE(alerted("Denominator sign in large rational number"));
}

// --- Arithmetic ---------------------------------------------------------------------------------

TEST_F(LargeRationalTest, ArithmeticAgreesWithThe128BitOracle) {
  std::mt19937_64 rng(8);
  auto draw = [&] { return static_cast<long long>(rng() % 2000000001ULL) - 1000000000; };
  for (int trial = 0; trial < 1500; ++trial) {
    long long an = draw(), ad = draw(), bn = draw(), bd = draw();
    if (trial % 3 == 0) an %= 50, ad %= 50, bn %= 50, bd %= 50;
    if (ad == 0) ad = 7;
    if (bd == 0) bd = -3;
    lrat a = small(an, ad), b = small(bn, bd);
    lrat sum = a, diff = a, prod = a, quot = a;
    lrat_add(&sum, &b);
    lrat_subtract(&diff, &b);
    lrat_multiply(&prod, &b);
    __int128 n1 = an, d1 = ad, n2 = bn, d2 = bd;
    ASSERT_EQ(lrat_string(&sum), reducedText(n1 * d2 + n2 * d1, d1 * d2));
    ASSERT_EQ(lrat_string(&diff), reducedText(n1 * d2 - n2 * d1, d1 * d2));
    ASSERT_EQ(lrat_string(&prod), reducedText(n1 * n2, d1 * d2));
    if (bn != 0) {
      lrat_divide(&quot, &b);
      ASSERT_EQ(lrat_string(&quot), reducedText(n1 * d2, d1 * n2));
    }
    // sign(a - b) = sign((n1 d2 - n2 d1) d1 d2)
    __int128 difference = (n1 * d2 - n2 * d1) * (d1 * d2 > 0 ? 1 : -1);
    int order = difference < 0 ? -1 : (difference > 0 ? 1 : 0);
    ASSERT_EQ(lrat_compare(&a, &b), order);
    // Canonical: positive denominator (all results above are reduced).
    ASSERT_EQ(sum.den.sign, 1);
    ASSERT_EQ(prod.den.sign, 1);
  }
}

TEST_F(LargeRationalTest, IdentitiesWithLargeOperands) {
  std::mt19937_64 rng(9);
  for (int trial = 0; trial < 20; ++trial) {
    lrat a = fraction(oracle::randomNumber(rng, 150), oracle::randomNumber(rng, 140, false));
    lrat b = fraction(oracle::randomNumber(rng, 130), oracle::randomNumber(rng, 160, false));
    simplify_rat(&a);
    std::string aText = lrat_string(&a);
    // (a + b) - b = a and (a b) / b = a exactly.
    lrat x = a;
    lrat_add(&x, &b);
    lrat_subtract(&x, &b);
    ASSERT_EQ(lrat_string(&x), aText);
    lrat_multiply(&x, &b);
    lrat_divide(&x, &b);
    ASSERT_EQ(lrat_string(&x), aText);
    // a (1/a) = 1.
    lrat inverse = small(1, 1);
    lrat_divide(&inverse, &a);
    lrat_multiply(&inverse, &a);
    ASSERT_EQ(lrat_string(&inverse), "1");
  }
}

TEST_F(LargeRationalTest, AliasingAndDivisionEdgeCases) {
  lrat p = small(3, 4);
  lrat_add(&p, &p);
  EXPECT_EQ(lrat_string(&p), "3/2");
  lrat_multiply(&p, &p);
  EXPECT_EQ(lrat_string(&p), "9/4");
  lrat_divide(&p, &p);
  EXPECT_EQ(lrat_string(&p), "1");
  lrat_subtract(&p, &p);
  EXPECT_EQ(lrat_string(&p), "0");
  lrat q = small(5, 7), zero = small(0, 1);
  lrat_divide(&q, &zero);
  EXPECT_TRUE(alerted("Attempt to divide by 0"));
  EXPECT_EQ(lrat_string(&q), "5/7");  // the dividend is left as it was
  lrat zeroOverFive = small(0, 5), minusThree = small(-3, 1);
  lrat_divide(&zeroOverFive, &minusThree);
  EXPECT_EQ(lrat_string(&zeroOverFive), "0");
  EXPECT_EQ(zeroOverFive.den.sign, 1);  // a zero result keeps a positive denominator
}

TEST_F(LargeRationalTest, StorageHelpers) {
  lrat q = small(2, 3);
  lrat copy;
  lrat_copy(&copy, &q);
  EXPECT_EQ(lrat_string(&copy), "2/3");
  lrat v[3] = {small(1, 2), small(3, 4), small(5, 6)};
  NullifyLargeRationalVector(3, v);
  for (const lrat& entry : v) EXPECT_EQ(lrat_string(&entry), "0");
  lrat_free(&q);
  EXPECT_EQ(lrat_string(&q), "0");
  lrat regular = fraction("-4", "-6");
  lrat_regform(&regular);
  EXPECT_EQ(lrat_string(&regular), "4/6");  // sign moved, not reduced
}

// --- Conversion to floating point -----------------------------------------------------------

TEST_F(LargeRationalTest, ConversionToDouble) {
  lrat q = small(-3, 4);
  EXPECT_EQ(lratToDouble(&q), -0.75);
  EXPECT_EQ(lratToLongDouble(&q), -0.75L);
  // A numerator of three limbs: accumulated as (l2 10^9 + l1) 10^9 + l0 with fused steps.
  lrat three = fraction("123456789012345678901234567", "1");
  EXPECT_EQ(lratToDouble(&three),
            std::fma(std::fma(123456789.0, 1e9, 12345678.0), 1e9, 901234567.0));
  EXPECT_DOUBLE_EQ(lratToDouble(&three), 1.23456789012345678901234567e26);
  // Operands beyond the double range still give the quotient, or the largest double.
  std::string big = "1" + std::string(400, '0');
  struct {
    lrat q;
    double value;
  } cases[] = {{fraction(big, "1" + std::string(399, '0')), 10.0},
               {fraction(oracle::add(big, "1"), "3" + std::string(399, '0')), 10.0 / 3},
               {fraction("-" + big, "7"), -DBL_MAX},
               {fraction("1", big), 0.0},
               {fraction("1" + std::string(300, '0'), "3"), 1e300 / 3}};
  for (auto& c : cases) EXPECT_DOUBLE_EQ(lratToDouble(&c.q), c.value) << lrat_string(&c.q);
  lrat longInside = fraction("2" + std::string(320, '0'), "1" + std::string(320, '0'));
  EXPECT_DOUBLE_EQ(static_cast<double>(lratToLongDouble(&longInside)), 2.0);
  EXPECT_TRUE(silent());
  lrat infinite = fraction("5", "0");
  EXPECT_EQ(lratToDouble(&infinite), 1.7976931348623157e308);
  EXPECT_TRUE(alerted("Division by 0"));
}

// --- Matrices -----------------------------------------------------------------------------------

std::vector<lrat> matrixOf(const std::vector<std::pair<long long, long long>>& entries) {
  std::vector<lrat> m;
  for (auto [n, d] : entries) m.push_back(small(n, d));
  return m;
}

std::vector<std::string> textsOf(const std::vector<lrat>& m) {
  std::vector<std::string> out;
  for (const lrat& q : m) out.push_back(lrat_string(&q));
  return out;
}

// The product A B of n x n matrices.
std::vector<lrat> product(int n, const std::vector<lrat>& a, const std::vector<lrat>& b) {
  std::vector<lrat> c(static_cast<std::size_t>(n) * n);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      for (int k = 0; k < n; ++k) {
        lrat term = a[i * n + k];
        lrat_multiply(&term, &b[k * n + j]);
        lrat_add(&c[i * n + j], &term);
      }
    }
  }
  return c;
}

std::vector<std::string> identityTexts(int n) {
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) out.push_back(i == j ? "1" : "0");
  }
  return out;
}

// The Hilbert matrix H[i][j] = 1/(i + j + 1): symmetric, invertible, badly conditioned.
std::vector<lrat> hilbert(int n) {
  std::vector<lrat> h;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) h.push_back(small(1, i + j + 1));
  }
  return h;
}

TEST_F(LargeRationalTest, InverseOfSmallKnownMatrices) {
  std::vector<lrat> m = matrixOf({{2, 1}, {1, 1}, {1, 1}, {1, 1}});
  std::vector<lrat> inv(4);
  EXPECT_EQ(LargeRationalMatrixInversion(2, m.data(), inv.data()), inv.data());
  EXPECT_EQ(textsOf(inv), (std::vector<std::string>{"1", "-1", "-1", "2"}));
  // The inverse of the 3 x 3 Hilbert matrix has the integer entries below.
  std::vector<lrat> h = hilbert(3);
  std::vector<lrat> hInv(9);
  ASSERT_NE(LargeRationalMatrixInversion(3, h.data(), hInv.data()), nullptr);
  EXPECT_EQ(textsOf(hInv), (std::vector<std::string>{"9", "-36", "30", "-36", "192", "-180", "30",
                                                     "-180", "180"}));
  std::vector<lrat> one = matrixOf({{4, 3}});
  std::vector<lrat> oneInv(1);
  LargeRationalMatrixInversion(1, one.data(), oneInv.data());
  EXPECT_EQ(lrat_string(&oneInv[0]), "3/4");
}

TEST_F(LargeRationalTest, InverseTimesMatrixIsTheIdentity) {
  std::mt19937_64 rng(44);
  for (int n = 1; n <= 6; ++n) {
    std::vector<lrat> a;
    for (int i = 0; i < n * n; ++i) {
      long long den = static_cast<long long>(rng() % 9) + 1;
      a.push_back(small(static_cast<long long>(rng() % 21) - 10, den));
    }
    std::vector<lrat> work = a;
    std::vector<lrat> inv(static_cast<std::size_t>(n) * n);
    if (LargeRationalMatrixInversion(n, work.data(), inv.data()) == nullptr) continue;
    EXPECT_EQ(textsOf(product(n, inv, a)), identityTexts(n)) << n;
    EXPECT_EQ(textsOf(product(n, a, inv)), identityTexts(n)) << n;
  }
  std::vector<lrat> h = hilbert(8);
  std::vector<lrat> work = h;
  std::vector<lrat> inv(64);
  ASSERT_NE(LargeRationalMatrixInversion(8, work.data(), inv.data()), nullptr);
  EXPECT_EQ(textsOf(product(8, h, inv)), identityTexts(8));
}

TEST_F(LargeRationalTest, SingularMatrixIsReported) {
  std::vector<lrat> m = matrixOf({{1, 1}, {0, 1}, {2, 1}, {0, 1}});  // zero second column
  std::vector<lrat> inv(4);
  EXPECT_EQ(LargeRationalMatrixInversion(2, m.data(), inv.data()), nullptr);
  EXPECT_TRUE(alerted("Matrix not invertible (col 1, large rationals)"));
}

TEST_F(LargeRationalTest, RowOperations) {
  std::vector<lrat> m = matrixOf({{1, 1}, {2, 1}, {3, 1}, {4, 1}});
  interchangeLargeRationalRows(2, m.data(), 0, 1);
  EXPECT_EQ(textsOf(m), (std::vector<std::string>{"3", "4", "1", "2"}));
  std::vector<lrat> row = matrixOf({{1, 1}, {1, 2}});
  std::vector<lrat> other = matrixOf({{3, 1}, {1, 1}});
  lrat alpha = small(2, 1), beta = small(-1, 3);
  ReplaceLargeRationalRowByLinearCombination(2, row.data(), other.data(), &alpha, &beta);
  EXPECT_EQ(textsOf(row), (std::vector<std::string>{"1", "2/3"}));  // 2 (1, 1/2) - (3, 1)/3
  // alpha may be an entry of the row itself.
  ReplaceLargeRationalRowByLinearCombination(2, row.data(), other.data(), &row[0], &row[0]);
  EXPECT_EQ(textsOf(row), (std::vector<std::string>{"4", "5/3"}));  // 1 (1, 2/3) + 1 (3, 1)
}

TEST_F(LargeRationalTest, QuadraticFormsAndProducts) {
  std::vector<lrat> m =
      matrixOf({{2, 1}, {1, 1}, {9, 9}, {1, 1}, {3, 1}, {9, 9}, {9, 9}, {9, 9}, {9, 9}});
  std::vector<lrat> v = matrixOf({{1, 1}, {2, 1}});
  // Leading 2 x 2 block [[2, 1], [1, 3]] with row stride 3: v^T M v = 2 + 4 + 12 = 18.
  lrat value = LargeRationalMatrixExpectationValue(3, 2, v.data(), m.data());
  EXPECT_EQ(lrat_string(&value), "18");
  std::vector<lrat> out(2);
  LargeRationalMatrixVectorMultiplication(3, 2, v.data(), m.data(), out.data());
  EXPECT_EQ(textsOf(out), (std::vector<std::string>{"4", "7"}));
}

TEST_F(LargeRationalTest, DotProductRecognisedAsAFraction) {
  double x[] = {1, 2};
  double y[] = {0.5, 1.0 / 3};
  lrat q;
  EXPECT_EQ(LargeRationalDotProduct(x, y, 2, &q, 10), 1);  // 1/2 + 2/3 = 7/6
  EXPECT_EQ(lrat_string(&q), "7/6");
  EXPECT_EQ(LargeRationalDotProduct(x, y, 2, &q, 5), 0);
  EXPECT_EQ(LargeRationalDotProduct(x, y, 2, &q, 0), 0);
}

TEST_F(LargeRationalTest, BorderingGrowsTheInverseOfASymmetricMatrix) {
  const int n = 6;
  std::vector<lrat> h = hilbert(n);
  std::vector<lrat> inv(static_cast<std::size_t>(n) * n);
  for (int k = 0; k < n; ++k) {
    std::vector<lrat> col(h.begin() + k * n, h.begin() + k * n + k + 1);
    ASSERT_EQ(LargeRationalMatrixInversionIteration(n, k, inv.data(), col.data()), 1) << k;
    // The leading (k+1) x (k+1) block is now the inverse of the leading block of H.
    int m = k + 1;
    std::vector<lrat> block, blockInv;
    for (int i = 0; i < m; ++i) {
      for (int j = 0; j < m; ++j) {
        block.push_back(h[i * n + j]);
        blockInv.push_back(inv[i * n + j]);
      }
    }
    ASSERT_EQ(textsOf(product(m, block, blockInv)), identityTexts(m)) << k;
  }
}

TEST_F(LargeRationalTest, BorderingReportsADependentVector) {
  std::vector<lrat> inv = matrixOf({{1, 1}, {0, 1}, {0, 1}, {0, 1}});
  std::vector<lrat> col = matrixOf({{1, 1}, {1, 1}});  // [[1, 1], [1, 1]] is singular
  EXPECT_EQ(LargeRationalMatrixInversionIteration(2, 1, inv.data(), col.data()), 0);
  EXPECT_EQ(textsOf(inv), (std::vector<std::string>{"1", "0", "0", "0"}));
}

TEST_F(LargeRationalTest, ModificationReplacesARowAndColumn) {
  const int n = 4;
  std::vector<lrat> a = hilbert(n);
  std::vector<lrat> work = a;
  std::vector<lrat> inv(16);
  ASSERT_NE(LargeRationalMatrixInversion(n, work.data(), inv.data()), nullptr);
  std::vector<lrat> col = matrixOf({{1, 2}, {-1, 1}, {3, 7}, {2, 1}});
  for (int k = 0; k < n; ++k) {
    // Replace row and column k of A by col (col[k] on the diagonal).
    for (int i = 0; i < n; ++i) {
      a[k * n + i] = col[i];
      a[i * n + k] = col[i];
    }
    ASSERT_EQ(LargeRationalMatrixInversionModification(n, k, inv.data(), col.data()), 1) << k;
    ASSERT_EQ(textsOf(product(n, a, inv)), identityTexts(n)) << k;
  }
}

TEST_F(LargeRationalTest, ModificationWithAZeroDiagonalInverseEntry) {
  // A = [[0, 1], [1, 0]] is its own inverse, with Inv[0][0] = 0; the new row and column
  // (2, 1) give [[2, 1], [1, 0]], whose inverse is [[0, 1], [1, -2]].
  std::vector<lrat> inv = matrixOf({{0, 1}, {1, 1}, {1, 1}, {0, 1}});
  std::vector<lrat> col = matrixOf({{2, 1}, {1, 1}});
  EXPECT_EQ(LargeRationalMatrixInversionModification(2, 0, inv.data(), col.data()), 1);
  EXPECT_EQ(textsOf(inv), (std::vector<std::string>{"0", "1", "1", "-2"}));
}

TEST_F(LargeRationalTest, ModificationToASingularMatrixKeepsTheInverse) {
  // A = [[2, 1], [1, 1]]; replacing row and column 0 by (1, 1) gives the singular [[1, 1], [1, 1]].
  std::vector<lrat> inv = matrixOf({{1, 1}, {-1, 1}, {-1, 1}, {2, 1}});
  std::vector<lrat> col = matrixOf({{1, 1}, {1, 1}});
  EXPECT_EQ(LargeRationalMatrixInversionModification(2, 0, inv.data(), col.data()), 0);
  EXPECT_EQ(textsOf(inv), (std::vector<std::string>{"1", "-1", "-1", "2"}));
  EXPECT_TRUE(silent());
}

TEST_F(LargeRationalTest, PrintedMatricesAndVectors) {
  std::vector<lrat> m = matrixOf({{1, 1}, {-1, 2}, {0, 1}, {3, 1}});
  PrintLargeRationalMatrix(2, m.data());
  EXPECT_EQ(capture.printed,
            "Matrix element (  0,  0):  1\n"
            "Matrix element (  0,  1):  -1/2\n"
            "Matrix element (  1,  0):  0\n"
            "Matrix element (  1,  1):  3\n");
  capture.clear();
  PrintLargeRationalVector(2, m.data());
  EXPECT_EQ(capture.printed, "Vector entry   0:  1\nVector entry   1:  -1/2\n");
}

}  // namespace
