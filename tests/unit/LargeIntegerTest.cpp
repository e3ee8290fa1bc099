// Large integers, the store of handles, and factorised integers.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "Boot.h"
#include "DecimalOracle.h"
#include "LargeInteger.h"
#include "MathUtility.h"
#include "TestSupport.h"

namespace {

class LargeIntegerTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

bool contains(const std::string& text, const std::string& piece) {
  return text.find(piece) != std::string::npos;
}

lint fromText(const std::string& text) {
  lint x;
  EXPECT_EQ(string_to_lint(&x, text.c_str()), 0) << text;
  return x;
}

lint fromWide(__int128 v) {
  return fromText(oracle::toString(v));
}

// The normal form: limbs in 0..10^9-1, a non-zero top limb, zero with sign +1, and every
// limb past the length 0.
::testing::AssertionResult isNormal(const lint& x) {
  for (int i = 0; i < x.length; ++i) {
    if (x.limbs[i] < 0 || x.limbs[i] >= kLintBase)
      return ::testing::AssertionFailure() << "limb " << i;
  }
  if (x.length > 0 && x.limbs[x.length - 1] == 0)
    return ::testing::AssertionFailure() << "top limb 0";
  if (x.length == 0 && x.sign != 1) return ::testing::AssertionFailure() << "negative zero";
  if (x.sign != 1 && x.sign != -1) return ::testing::AssertionFailure() << "sign " << x.sign;
  for (int i = x.length; i < x.capacity(); ++i) {
    if (x.limbs[i] != 0) return ::testing::AssertionFailure() << "stale limb " << i;
  }
  return ::testing::AssertionSuccess();
}

// --- Text --------------------------------------------------------------------------------

TEST_F(LargeIntegerTest, TextConversionEdgeCases) {
  lint x;
  EXPECT_EQ(string_to_lint(&x, "-0"), 0);
  EXPECT_EQ(x.length, 0);
  EXPECT_EQ(x.sign, 1);
  EXPECT_EQ(lint_string(&x), "0");
  EXPECT_EQ(string_to_lint(&x, "1000000000"), 0);
  ASSERT_EQ(x.length, 2);
  EXPECT_EQ(x.limbs[0], 0);
  EXPECT_EQ(x.limbs[1], 1);
  EXPECT_EQ(string_to_lint(&x, ""), 0);
  EXPECT_EQ(x.length, 0);
  EXPECT_EQ(string_to_lint(&x, "000000000000000000012"), 0);
  EXPECT_EQ(lint_string(&x), "12");
  EXPECT_EQ(string_to_lint(&x, "-1000000000000000000"), 0);
  EXPECT_EQ(lint_string(&x), "-1000000000000000000");
  EXPECT_TRUE(isNormal(x));
}

TEST_F(LargeIntegerTest, NonNumericalTextIsRefused) {
  OutputCapture capture;
  lint x = int_to_newlint(99);
  EXPECT_EQ(string_to_lint(&x, "12a"), 1);
  EXPECT_TRUE(contains(capture.diagnostics, "String \"12a\" is non-numerical"));
  EXPECT_EQ(lint_string(&x), "0");
  capture.clear();
  EXPECT_EQ(string_to_lint(&x, "+5"), 1);
  EXPECT_EQ(string_to_lint(&x, "5-"), 1);
  EXPECT_EQ(string_to_lint(&x, " 5"), 1);
  EXPECT_TRUE(contains(capture.diagnostics, "String \" 5\" is non-numerical"));
}

TEST_F(LargeIntegerTest, DecimalTextRoundTrips) {
  std::mt19937_64 rng(1);
  for (int digits = 1; digits <= 120; ++digits) {
    std::string text = oracle::randomNumber(rng, digits);
    lint x = fromText(text);
    ASSERT_EQ(lint_string(&x), text);
    ASSERT_TRUE(isNormal(x));
    ASSERT_EQ(lintNdigit(&x), digits);
  }
}

TEST_F(LargeIntegerTest, PrintWritesTheDigitsOnStandardOutput) {
  OutputCapture capture;
  lint x = fromText("-123000000000456");
  lint_print(&x);
  lint zero;
  lint_print(&zero);
  EXPECT_EQ(capture.stdoutText, "-123000000000456\n0\n");
  EXPECT_EQ(lintElementToString(42), "42");
  EXPECT_EQ(lintElementToJustifiedString(42), "000000042");
  EXPECT_EQ(lintSize("1234567890"), 11);  // 9 + 10/9 + 1
}

// --- Arithmetic --------------------------------------------------------------------------

TEST_F(LargeIntegerTest, CarriesBorrowsAndSignsOfSmallCases) {
  lint a = int_to_newlint(999999999);
  lint one = int_to_newlint(1);
  lint_add(&a, &one);
  ASSERT_EQ(a.length, 2);
  EXPECT_EQ(a.limbs[0], 0);
  EXPECT_EQ(a.limbs[1], 1);
  lint zero = int_to_newlint(0);
  lint five = int_to_newlint(5);
  lint_subtract(&zero, &five);
  EXPECT_EQ(zero.sign, -1);
  EXPECT_EQ(zero.length, 1);
  EXPECT_EQ(zero.limbs[0], 5);
  lint m = int_to_newlint(-3);
  lint z = int_to_newlint(0);
  lint_multiply(&m, &z);
  EXPECT_EQ(m.length, 0);
  EXPECT_EQ(m.sign, 1);
  EXPECT_EQ(lint_eq(&m, &z), 1);
  // 10^9 - (10^9 + 5) = -5 crosses a limb and the sign.
  lint b = fromText("1000000000");
  lint c = fromText("1000000005");
  lint_subtract(&b, &c);
  EXPECT_EQ(lint_string(&b), "-5");
  EXPECT_TRUE(isNormal(b));
}

TEST_F(LargeIntegerTest, SquareOfFiveNines) {
  lint x = int_to_newlint(99999);
  lint y = int_to_newlint(99999);
  lint_multiply(&x, &y);
  EXPECT_EQ(lint_string(&x), "9999800001");
}

TEST_F(LargeIntegerTest, AgreesWithThe128BitOracle) {
  std::mt19937_64 rng(20240602);
  for (int trial = 0; trial < 5000; ++trial) {
    // Operands below 10^18 in magnitude, so that products stay inside 128 bits.
    __int128 a = static_cast<__int128>(rng() % 1000000000000000000ULL) * (rng() % 2 ? 1 : -1);
    __int128 b = static_cast<__int128>(rng() % 1000000000000000000ULL) * (rng() % 2 ? 1 : -1);
    if (trial % 5 == 0) b = static_cast<__int128>(rng() % 2000000000ULL) - 1000000000;
    lint x = fromWide(a), y = fromWide(b);
    lint sum = x, diff = x, prod = x;
    lint_add(&sum, &y);
    lint_subtract(&diff, &y);
    lint_multiply(&prod, &y);
    ASSERT_EQ(lint_string(&sum), oracle::toString(a + b));
    ASSERT_EQ(lint_string(&diff), oracle::toString(a - b));
    ASSERT_EQ(lint_string(&prod), oracle::toString(a * b));
    ASSERT_TRUE(isNormal(sum));
    ASSERT_TRUE(isNormal(diff));
    ASSERT_TRUE(isNormal(prod));
    int expectedOrder = a < b ? -1 : (a > b ? 1 : 0);
    ASSERT_EQ(lint_compare(&x, &y), expectedOrder);
    ASSERT_EQ(lint_lt(&x, &y), a < b ? 1 : 0);
    ASSERT_EQ(lint_geq(&x, &y), a >= b ? 1 : 0);
    ASSERT_EQ(lint_neq(&x, &y), a != b ? 1 : 0);
  }
}

TEST_F(LargeIntegerTest, AgreesWithTheSchoolbookOracleBeyond128Bits) {
  std::mt19937_64 rng(77);
  for (int trial = 0; trial < 300; ++trial) {
    int da = 1 + static_cast<int>(rng() % 200);
    int db = 1 + static_cast<int>(rng() % 200);
    std::string a = oracle::randomNumber(rng, da);
    std::string b = oracle::randomNumber(rng, db);
    lint x = fromText(a), y = fromText(b);
    lint sum = x, diff = x, prod = x;
    lint_add(&sum, &y);
    lint_subtract(&diff, &y);
    lint_multiply(&prod, &y);
    ASSERT_EQ(lint_string(&sum), oracle::add(a, b));
    ASSERT_EQ(lint_string(&diff), oracle::subtract(a, b));
    ASSERT_EQ(lint_string(&prod), oracle::multiply(a, b));
    ASSERT_TRUE(isNormal(prod));
  }
}

TEST_F(LargeIntegerTest, OperandsMayBeTheSameObject) {
  std::mt19937_64 rng(3);
  std::string a = oracle::randomNumber(rng, 150);
  lint x = fromText(a);
  lint_add(&x, &x);
  EXPECT_EQ(lint_string(&x), oracle::add(a, a));
  lint_multiply(&x, &x);
  std::string doubled = oracle::add(a, a);
  EXPECT_EQ(lint_string(&x), oracle::multiply(doubled, doubled));
  lint_subtract(&x, &x);
  EXPECT_EQ(x.length, 0);
  EXPECT_TRUE(isNormal(x));
}

TEST_F(LargeIntegerTest, MultiplicationWithAllNinesLimbs) {
  // (10^450 - 1)^2 = 10^900 - 2 10^450 + 1: every partial product is maximal.
  std::string nines(450, '9');
  lint x = fromText(nines);
  lint_multiply(&x, &x);
  std::string expected = std::string(449, '9') + "8" + std::string(449, '0') + "1";
  EXPECT_EQ(lint_string(&x), expected);
  EXPECT_TRUE(isNormal(x));
}

TEST_F(LargeIntegerTest, SmallFactorsAndSummands) {
  lint x = fromText("123456789123456789");
  lint_intprod(&x, -2147483647 - 1);
  EXPECT_EQ(lint_string(&x), oracle::multiply("123456789123456789", "-2147483648"));
  EXPECT_TRUE(isNormal(x));
  lint_intprod(&x, 0);
  EXPECT_EQ(x.length, 0);
  lint y = int_to_newlint(999999999);
  lint_intadd(&y, 1);
  EXPECT_EQ(lint_string(&y), "1000000000");
  lint_intadd(&y, -1000000000);
  EXPECT_EQ(lint_string(&y), "0");
  lint_intadd(&y, -7);
  EXPECT_EQ(lint_string(&y), "-7");
}

TEST_F(LargeIntegerTest, AddingAnIntToANegativeValue) {
  // The limbs hold the magnitude, so the summand must enter with the value's sign.
  lint x = int_to_newlint(-5);
  lint_intadd(&x, 3);
  EXPECT_EQ(lint_string(&x), "-2");
  lint_intadd(&x, 10);
  EXPECT_EQ(lint_string(&x), "8");
  lint y = fromText("-1000000000");
  lint_intadd(&y, 1);
  EXPECT_EQ(lint_string(&y), "-999999999");
  EXPECT_TRUE(isNormal(y));
}

TEST_F(LargeIntegerTest, DivisionBySmallIntegers) {
  OutputCapture capture;
  lint x = fromText("1000000500");
  lint_intdivide(&x, 2);
  EXPECT_EQ(lint_string(&x), "500000250");
  EXPECT_EQ(capture.diagnostics, "");
  lint seven = int_to_newlint(7);
  lint_intdivide(&seven, 2);
  EXPECT_EQ(lint_string(&seven), "3");
  EXPECT_TRUE(contains(capture.diagnostics, "Number 7 not divisible by 2"));
  capture.clear();
  lint minus = int_to_newlint(-8);
  lint_intdivide(&minus, 4);
  EXPECT_EQ(lint_string(&minus), "-2");
  lint big =
      fromText("1000000000000000002");  // digit sum 3: divisible by 3, which does not divide 10^9
  lint_intdivide(&big, 3);
  EXPECT_EQ(lint_string(&big), "333333333333333334");
  lint_intdivide(&big, -2);
  EXPECT_EQ(lint_string(&big), "-166666666666666667");
  EXPECT_EQ(capture.diagnostics, "");
  lint_intdivide(&big, 0);
  EXPECT_TRUE(contains(capture.diagnostics, "Invalid use of routine lint_intdivide"));
  EXPECT_EQ(lint_string(&big), "-166666666666666667");
}

TEST_F(LargeIntegerTest, Powers) {
  OutputCapture capture;
  lint x;
  lint_power(&x, 2, 100);
  EXPECT_EQ(lint_string(&x), "1267650600228229401496703205376");
  lint_power(&x, -3, 41);
  __int128 power = 1;
  for (int i = 0; i < 41; ++i) power *= -3;
  EXPECT_EQ(lint_string(&x), oracle::toString(power));
  lint_power(&x, 12345, 0);
  EXPECT_EQ(lint_string(&x), "1");
  EXPECT_EQ(capture.diagnostics, "");
  lint_power(&x, 2, -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Negative powers not built in"));
  EXPECT_EQ(lint_string(&x), "1");
}

TEST_F(LargeIntegerTest, SignChanges) {
  lint x = fromText("-42");
  lint_flip(&x);
  EXPECT_EQ(lint_string(&x), "42");
  lint_abs(&x);
  EXPECT_EQ(lint_string(&x), "42");
  lint_flip(&x);
  lint_abs(&x);
  EXPECT_EQ(lint_string(&x), "42");
  lint zero;
  lint_flip(&zero);
  EXPECT_EQ(zero.sign, 1);
  lint_switch(&x);
  regform(&x);
  EXPECT_EQ(lint_string(&x), "42");  // both sign and limbs negated: the value is unchanged
}

// --- Division --------------------------------------------------------------------------------

// Checks q and r of a / b against the schoolbook long division.
void expectDivision(const std::string& a, const std::string& b) {
  lint dividend = fromText(a);
  lint divisor = fromText(b);
  lint quotient;
  ASSERT_EQ(exact_division(&dividend, &divisor, &quotient), 0);
  auto [q, r] = oracle::divideMagnitudes(a, b);
  ASSERT_EQ(lint_string(&quotient), q) << a << " / " << b;
  ASSERT_EQ(lint_string(&dividend), r) << a << " mod " << b;
  ASSERT_TRUE(isNormal(quotient));
  ASSERT_TRUE(isNormal(dividend));
}

TEST_F(LargeIntegerTest, DivisionAgreesWithLongDivision) {
  std::mt19937_64 rng(11);
  OutputCapture capture;
  for (int trial = 0; trial < 400; ++trial) {
    int da = 1 + static_cast<int>(rng() % 200);
    int db = 1 + static_cast<int>(rng() % (da + 5));
    expectDivision(oracle::randomNumber(rng, da, false), oracle::randomNumber(rng, db, false));
    if (HasFatalFailure()) return;
  }
  EXPECT_EQ(capture.diagnostics, "");  // the quotient estimates never overshoot
}

TEST_F(LargeIntegerTest, DivisionHardCases) {
  std::mt19937_64 rng(12);
  std::string nines(200, '9');
  expectDivision(nines, "1");
  expectDivision(nines, nines);
  expectDivision(nines, std::string(100, '9'));
  expectDivision("1" + std::string(200, '0'), nines);
  expectDivision("0", "17");
  expectDivision("16", "17");
  expectDivision("1" + std::string(100, '0'), "1" + std::string(99, '0') + "1");
  // a = b q + (b - 1): the largest remainder.
  for (int trial = 0; trial < 50; ++trial) {
    std::string b = oracle::randomNumber(rng, 1 + static_cast<int>(rng() % 100), false);
    std::string q = oracle::randomNumber(rng, 1 + static_cast<int>(rng() % 100), false);
    std::string a = oracle::add(oracle::multiply(b, q), oracle::subtract(b, "1"));
    expectDivision(a, b);
    if (HasFatalFailure()) return;
  }
}

TEST_F(LargeIntegerTest, ProductsAndQuotientsOf200DigitNumbers) {
  std::mt19937_64 rng(200);
  for (int trial = 0; trial < 20; ++trial) {
    std::string a = oracle::randomNumber(rng, 200, false);
    std::string b = oracle::randomNumber(rng, 200, false);
    lint product = fromText(a);
    lint y = fromText(b);
    lint_multiply(&product, &y);
    ASSERT_EQ(lint_string(&product), oracle::multiply(a, b));
    lint quotient;
    ASSERT_EQ(exact_division(&product, &y, &quotient), 0);
    ASSERT_EQ(lint_string(&quotient), a);  // (a b) / b = a exactly
    ASSERT_EQ(product.length, 0);
  }
}

TEST_F(LargeIntegerTest, DivisionAddsToTheQuotientAndRefusesBadOperands) {
  OutputCapture capture;
  lint a = int_to_newlint(100);
  lint b = int_to_newlint(7);
  lint q = int_to_newlint(1000);
  EXPECT_EQ(exact_division(&a, &b, &q), 0);
  EXPECT_EQ(lint_string(&q), "1014");  // 1000 + floor(100 / 7)
  EXPECT_EQ(lint_string(&a), "2");
  lint negative = int_to_newlint(-100);
  EXPECT_EQ(exact_division(&negative, &b, &q), 1);
  EXPECT_TRUE(
      contains(capture.diagnostics, "Negative signs not allowed in routine exact_division"));
  EXPECT_EQ(lint_string(&negative), "-100");
  capture.clear();
  lint zero;
  lint hundred = int_to_newlint(100);
  EXPECT_EQ(exact_division(&hundred, &zero, &q), 1);
  EXPECT_TRUE(contains(capture.diagnostics, "Attempt to divide by 0"));
  EXPECT_EQ(lint_string(&hundred), "100");
}

TEST_F(LargeIntegerTest, QuotientEstimateNeverExceedsTheQuotient) {
  std::mt19937_64 rng(5);
  for (int trial = 0; trial < 200; ++trial) {
    std::string b = oracle::randomNumber(rng, 1 + static_cast<int>(rng() % 60), false);
    std::string a =
        oracle::add(b, oracle::randomNumber(rng, 1 + static_cast<int>(rng() % 120), false));
    lint x = fromText(a), y = fromText(b), t, p;
    getIntegerRatio(&x, &y, &t, &p);
    std::string q = oracle::divideMagnitudes(a, b).first;
    ASSERT_LE(oracle::compareMagnitudes(lint_string(&t), q), 0);
    ASSERT_NE(lint_string(&t), "0");
    ASSERT_EQ(lint_string(&p), oracle::multiply(lint_string(&t), b));
  }
}

// --- Conversions ----------------------------------------------------------------------------

TEST_F(LargeIntegerTest, ConversionToIntKeepsTheSignOverTheWholeRange) {
  OutputCapture capture;
  lint x = int_to_newlint(-7);
  EXPECT_EQ(lint_to_int(&x), -7);
  x = fromText("1000000000");
  EXPECT_EQ(lint_to_int(&x), 1000000000);
  x = fromText("2147483647");
  EXPECT_EQ(lint_to_int(&x), INT_MAX);
  x = fromText("-2147483648");
  EXPECT_EQ(lint_to_int(&x), INT_MIN);
  lint zero;
  EXPECT_EQ(lint_to_int(&zero), 0);
  EXPECT_EQ(capture.diagnostics, "");
  x = fromText("2147483648");
  EXPECT_EQ(lint_to_int(&x), 2147483647);
  EXPECT_TRUE(contains(capture.diagnostics, "Integer overflow in conversion of 2147483648"));
  capture.clear();
  x = fromText("-99999999999999999999");
  EXPECT_EQ(lint_to_int(&x), 2147483647);
  EXPECT_TRUE(
      contains(capture.diagnostics, "Integer overflow in conversion of -99999999999999999999"));
}

TEST_F(LargeIntegerTest, MantissaRecords) {
  ldouble ld{2.5e9, 1, 0};
  ldouble_regform(&ld);
  EXPECT_DOUBLE_EQ(ld.mantissa, 2.5);
  EXPECT_EQ(ld.exponent, 1);
  ldouble negative{-3e-9, 1, 0};
  ldouble_regform(&negative);
  EXPECT_DOUBLE_EQ(negative.mantissa, 3);
  EXPECT_EQ(negative.sign, -1);
  EXPECT_EQ(negative.exponent, -1);
  ldouble zero{0, -1, 4};
  ldouble_regform(&zero);
  EXPECT_EQ(zero.sign, 1);
  EXPECT_EQ(zero.exponent, 0);
  // -1.5 x 10^9 becomes the integer -1500000000 with no fraction left.
  ldouble value{1.5, -1, 1};
  lint x;
  doubleToLint(&x, &value);
  EXPECT_EQ(lint_string(&x), "-1500000000");
  EXPECT_EQ(value.exponent, -1);
  EXPECT_EQ(value.mantissa, 0);
  ldouble fraction{2.25, 1, 0};
  doubleToLint(&x, &fraction);
  EXPECT_EQ(lint_string(&x), "2");
  EXPECT_DOUBLE_EQ(fraction.mantissa * 1e-9, 0.25);
  lint big = fromText("-3000000000000000000");
  ldouble back;
  lintToDouble(&big, &back);
  EXPECT_DOUBLE_EQ(back.mantissa, 3);
  EXPECT_EQ(back.sign, -1);
  EXPECT_EQ(back.exponent, 2);
  ldouble a{6, 1, 3}, b{2, -1, 1}, c;
  ldouble_ratio(&a, &b, &c);
  EXPECT_DOUBLE_EQ(c.mantissa, 3);
  EXPECT_EQ(c.sign, -1);
  EXPECT_EQ(c.exponent, 2);
  EXPECT_EQ(ldouble_alloc().mantissa, 0);
}

TEST_F(LargeIntegerTest, SmallHelpers) {
  EXPECT_EQ(getLintBaseSize(), 9);
  EXPECT_EQ(LintStringLength(0), 1);
  EXPECT_EQ(LintStringLength(-123), 4);
  EXPECT_EQ(LintStringLength(LLONG_MIN), 20);
  EXPECT_EQ(Lmod(-7, 3), 2);
  EXPECT_EQ(Lmod(7, 1), 0);
  EXPECT_EQ(Lmod(-10000000000LL, 7), 3);  // 10^10 = 4 (mod 7)
  lint zero;
  EXPECT_EQ(lintNdigit(&zero), 1);
}

TEST_F(LargeIntegerTest, StaleLimbsAreReported) {
  OutputCapture capture;
  lint x = int_to_newlint(5);
  EXPECT_EQ(checkLint(&x), 0);
  x.limbs[3] = 77;
  EXPECT_EQ(checkLint(&x), 1);
  EXPECT_TRUE(contains(capture.diagnostics, "3 77\n"));
  EXPECT_TRUE(contains(capture.diagnostics, "Incorrect size specification of large integer"));
}

TEST_F(LargeIntegerTest, ValuesLiveAsOrdinaryObjects) {
  lint x = fromText("123456789012345678901234567890");
  lint copy;
  lint_copy(&copy, &x);
  EXPECT_EQ(lint_string(&copy), lint_string(&x));
  lint_assign(&copy, 5);
  EXPECT_EQ(lint_string(&copy), "5");
  EXPECT_TRUE(isNormal(copy));  // the old upper limbs are cleared
  lint_assign(&copy, LLONG_MIN);
  EXPECT_EQ(lint_string(&copy), "-9223372036854775808");
  lint_free(&x);
  EXPECT_EQ(lint_string(&x), "0");
  lint one = int_to_newlint(1);
  lint_add(&x, &one);  // a freed value is still usable
  EXPECT_EQ(lint_string(&x), "1");
  nullify_lint(&copy);
  EXPECT_EQ(copy.length, 0);
  EXPECT_TRUE(isNormal(copy));
  EXPECT_EQ(lint_alloc(0).capacity(), 5);
  EXPECT_EQ(lint_alloc(12).capacity(), 12);
}

TEST_F(LargeIntegerTest, RecordSizeIsAnnouncedEvery1001Limbs) {
  OutputCapture capture;
  lint x;
  lint_realloc(&x, 1000);
  EXPECT_EQ(capture.diagnostics, "");
  lint_realloc(&x, 1001);
  EXPECT_TRUE(contains(capture.diagnostics, "Large integer allocation size has reached 1001"));
  capture.clear();
  lint_realloc(&x, 2001);
  EXPECT_EQ(capture.diagnostics, "");
  lint_realloc(&x, 2002);
  EXPECT_TRUE(contains(capture.diagnostics, "Large integer allocation size has reached 2002"));
  EXPECT_GE(x.capacity(), 2002);
  resetAll();
  capture.clear();
  lint y;
  lint_realloc(&y, 1001);  // the record starts again after a reset
  EXPECT_TRUE(contains(capture.diagnostics, "Large integer allocation size has reached 1001"));
}

// --- Handles --------------------------------------------------------------------------------

TEST_F(LargeIntegerTest, HandlesStandForSmallValuesOrStoredOnes) {
  OutputCapture capture;
  lint five = int_to_newlint(5);
  EXPECT_EQ(storePositiveLint(&five), 5);
  lint big = fromText("10000000000");
  EXPECT_EQ(storePositiveLint(&big), -1);
  lint bigger = fromText("20000000000");
  EXPECT_EQ(storePositiveLint(&bigger), -2);
  lint* stored = retrieveLint(-1);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(lint_string(stored), "10000000000");
  lint_add(&big, &big);  // the store keeps its own copy
  EXPECT_EQ(lint_string(retrieveLint(-1)), "10000000000");
  EXPECT_EQ(retrieveLint(-1), stored);  // the address stays valid as the store grows
  EXPECT_EQ(retrieveLint(5), nullptr);
  lint tmp;
  EXPECT_EQ(makeOrRetrieveLint(7, &tmp), &tmp);
  EXPECT_EQ(lint_string(&tmp), "7");
  EXPECT_EQ(makeOrRetrieveLint(-2, &tmp), retrieveLint(-2));
  EXPECT_EQ(PosIntSize(-1), 11);
  EXPECT_EQ(PosIntSize(12345), 5);
  EXPECT_EQ(capture.diagnostics, "");
  lint minusFive = int_to_newlint(-5);
  EXPECT_EQ(storePositiveLint(&minusFive), 0);
  EXPECT_TRUE(contains(capture.diagnostics, "Unexpected negative integer"));
}

TEST_F(LargeIntegerTest, UnknownHandleIsReportedNotRead) {
  OutputCapture capture;
  EXPECT_EQ(retrieveLint(-1), nullptr);  // nothing stored yet
  EXPECT_TRUE(contains(capture.diagnostics, "Invalid large integer handle -1"));
  lint big = fromText("10000000000");
  EXPECT_EQ(storeLint(&big), 0);
  EXPECT_NE(retrieveLint(-1), nullptr);
  resetAll();
  capture.clear();
  EXPECT_EQ(retrieveLint(-1), nullptr);  // the reset empties the store
  lint again = fromText("30000000000");
  EXPECT_EQ(storePositiveLint(&again), -1);
}

// --- Factorised integers ----------------------------------------------------------------------

std::vector<int> exponentsOf(const fint& f) {
  return std::vector<int>(f.exponent.begin(), f.exponent.begin() + f.used);
}

TEST_F(LargeIntegerTest, FactorisationsOfSmallNumbers) {
  fint f = fint_alloc();
  EXPECT_EQ(f.used, 0);
  EXPECT_EQ(static_cast<int>(f.exponent.size()), 20);
  inttofint(360, &f);  // 2^3 3^2 5
  EXPECT_EQ(exponentsOf(f), (std::vector<int>{3, 2, 1}));
  inttofint(1, &f);
  EXPECT_EQ(f.used, 0);
  EXPECT_EQ(fint_string(&f), "1");
  inttofint(7919, &f);  // the 1000th prime: the exponent array doubles up past index 999
  EXPECT_EQ(f.used, 1000);
  EXPECT_EQ(f.exponent[999], 1);
  EXPECT_GE(static_cast<int>(f.exponent.size()), 1000);
  EXPECT_EQ(fint_string(&f), "7919");
  inttofint(2 * 3 * 3 * 7 * 73, &f);
  EXPECT_EQ(exponentsOf(f),
            (std::vector<int>{1, 2, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
}

TEST_F(LargeIntegerTest, ProductsAndRatiosAddAndSubtractExponents) {
  fint two, three, ratio;
  inttofint(2, &two);
  inttofint(3, &three);
  fint_ratio(&two, &three, &ratio);
  EXPECT_EQ(exponentsOf(ratio), (std::vector<int>{1, -1}));
  lint value;
  fint_to_lint(&ratio, &value);
  EXPECT_EQ(lint_string(&value), "2");  // the negative exponent is ignored
  fint onlyNegative;
  fint_ratio(&onlyNegative, &three, &onlyNegative);
  fint_to_lint(&onlyNegative, &value);
  EXPECT_EQ(lint_string(&value), "1");
  // Different used lengths: 12 (2^2 3) times 5 gives the longer length, 60 = 2^2 3 5.
  fint twelve, five, product;
  inttofint(12, &twelve);
  inttofint(5, &five);
  fint_prod(&twelve, &five, &product);
  EXPECT_EQ(exponentsOf(product), (std::vector<int>{2, 1, 1}));
  // 60 / 5 trims the trailing zero exponent.
  fint_ratio(&product, &five, &product);
  EXPECT_EQ(exponentsOf(product), (std::vector<int>{2, 1}));
  fint copy;
  fint_copy(&product, &copy);
  EXPECT_EQ(exponentsOf(copy), (std::vector<int>{2, 1}));
  EXPECT_EQ(finttodouble(&copy), 12.0);
}

TEST_F(LargeIntegerTest, FactorialsAndDimensionsByExponents) {
  // 30! by the product of the factorisations of 2..30.
  fint factorialValue, factor;
  for (int n = 2; n <= 30; ++n) {
    inttofint(n, &factor);
    fint_prod(&factorialValue, &factor, &factorialValue);
  }
  EXPECT_EQ(fint_string(&factorialValue), "265252859812191058636308480000000");
  // Dimension of the SU(3) representation (3, 3): (a+1)(b+1)(a+b+2)/2 = 4 4 8 / 2 = 64.
  fint dimension, term;
  for (int n : {4, 4, 8}) {
    inttofint(n, &term);
    fint_prod(&dimension, &term, &dimension);
  }
  inttofint(2, &term);
  fint_ratio(&dimension, &term, &dimension);
  EXPECT_EQ(fint_string(&dimension), "64");
  // 100! / (50! 50!) = C(100, 50).
  fint top, bottom;
  for (int n = 2; n <= 100; ++n) {
    inttofint(n, &factor);
    fint_prod(&top, &factor, &top);
    if (n <= 50) {
      fint_prod(&bottom, &factor, &bottom);
      fint_prod(&bottom, &factor, &bottom);
    }
  }
  fint_ratio(&top, &bottom, &top);
  EXPECT_EQ(fint_string(&top), "100891344545564193334812497256");
}

TEST_F(LargeIntegerTest, FactorisationPrintout) {
  OutputCapture capture;
  fint f;
  inttofint(360, &f);
  fint_print(&f, "Order");
  EXPECT_EQ(capture.stdoutText, "Order\n3 2 1 \n360\n");
  capture.clear();
  fint_print(&f, nullptr);
  EXPECT_EQ(capture.stdoutText, "3 2 1 \n360\n");
}

}  // namespace
