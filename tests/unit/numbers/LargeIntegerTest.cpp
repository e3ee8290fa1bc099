// Large integers, the store of handles, and factorised integers.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "DecimalOracle.h"
#include "numbers/LargeInteger.h"
#include "NumberTestSupport.h"

namespace {

using LargeIntegerTest = NumberTest;

lint fromText(const std::string& text) {
  lint x;
  EXPECT_EQ(string_to_lint(&x, text.c_str()), 0) << text;
  return x;
}

std::string str(const lint& x) {
  return lint_string(&x);
}

// The normal form: limbs in 0..10^9-1, a non-zero top limb, zero with sign +1, and every
// limb past the length 0.
::testing::AssertionResult isNormal(const lint& x) {
  for (int i = 0; i < x.capacity(); ++i) {
    bool bad = i < x.length ? x.limbs[i] < 0 || x.limbs[i] >= kLintBase : x.limbs[i] != 0;
    if (bad) return ::testing::AssertionFailure() << "limb " << i << " of " << x.length;
  }
  if (x.length > 0 && x.limbs[x.length - 1] == 0)
    return ::testing::AssertionFailure() << "top limb 0";
  if (x.length == 0 ? x.sign != 1 : x.sign * x.sign != 1)
    return ::testing::AssertionFailure() << "sign";
  return ::testing::AssertionSuccess();
}

// --- Text --------------------------------------------------------------------------------

TEST_F(LargeIntegerTest, TextConversion) {
  lint x;
  EXPECT_EQ(string_to_lint(&x, "-0"), 0);
  EXPECT_EQ(x.length, 0);
  EXPECT_EQ(x.sign, 1);
  EXPECT_EQ(str(x), "0");
  EXPECT_EQ(string_to_lint(&x, "1000000000"), 0);
  EXPECT_EQ(std::vector<long long>(x.limbs.begin(), x.limbs.begin() + x.length),
            (std::vector<long long>{0, 1}));
  EXPECT_EQ(string_to_lint(&x, ""), 0);
  EXPECT_EQ(x.length, 0);
  EXPECT_EQ(str(fromText("000000000000000000012")), "12");
  std::mt19937_64 rng(1);
  for (int digits = 1; digits <= 120; ++digits) {
    std::string text = oracle::randomNumber(rng, digits);
    lint y = fromText(text);
    ASSERT_EQ(str(y), text);
    ASSERT_TRUE(isNormal(y));
    ASSERT_EQ(lintNdigit(&y), digits);
  }
  EXPECT_TRUE(silent());
  for (const char* bad : {"12a", "+5", "5-", " 5"}) {
    x = fromText("99");
    EXPECT_EQ(string_to_lint(&x, bad), 1);
    EXPECT_TRUE(alerted("String \"" + std::string(bad) + "\" is non-numerical"));
    EXPECT_EQ(str(x), "0");
  }
}

TEST_F(LargeIntegerTest, PrintedDigits) {
  lint x = fromText("-123000000000456"), zero;
  lint_print(&x);
  lint_print(&zero);
  EXPECT_EQ(capture.stdoutText, "-123000000000456\n0\n");
  EXPECT_EQ(lintElementToString(42) + " " + lintElementToJustifiedString(42), "42 000000042");
  EXPECT_EQ(lintSize("1234567890"), 11);  // 9 + 10/9 + 1
}

// --- Arithmetic --------------------------------------------------------------------------

TEST_F(LargeIntegerTest, CarriesBorrowsAndSigns) {
  lint a = int_to_newlint(999999999), one = int_to_newlint(1);
  lint_add(&a, &one);
  EXPECT_EQ(std::vector<long long>(a.limbs.begin(), a.limbs.begin() + a.length),
            (std::vector<long long>{0, 1}));
  lint zero = int_to_newlint(0), five = int_to_newlint(5);
  lint_subtract(&zero, &five);
  EXPECT_EQ(zero.sign, -1);
  EXPECT_EQ(zero.length, 1);
  EXPECT_EQ(zero.limbs[0], 5);
  lint m = int_to_newlint(-3), z = int_to_newlint(0);
  lint_multiply(&m, &z);
  EXPECT_TRUE(isNormal(m));
  EXPECT_EQ(m.length, 0);
  EXPECT_EQ(lint_eq(&m, &z), 1);
  lint b = fromText("1000000000"), c = fromText("1000000005");
  lint_subtract(&b, &c);  // crosses a limb and the sign
  EXPECT_EQ(str(b), "-5");
  EXPECT_TRUE(isNormal(b));
  lint x = int_to_newlint(99999), y = int_to_newlint(99999);
  lint_multiply(&x, &y);
  EXPECT_EQ(str(x), "9999800001");
}

TEST_F(LargeIntegerTest, AgreesWithThe128BitOracle) {
  std::mt19937_64 rng(20240602);
  for (int trial = 0; trial < 5000; ++trial) {
    // Operands below 10^18 in magnitude, so that products stay inside 128 bits.
    __int128 a = static_cast<__int128>(rng() % 1000000000000000000ULL) * (rng() % 2 ? 1 : -1);
    __int128 b = static_cast<__int128>(rng() % 1000000000000000000ULL) * (rng() % 2 ? 1 : -1);
    if (trial % 5 == 0) b = static_cast<__int128>(rng() % 2000000000ULL) - 1000000000;
    lint x = fromText(oracle::toString(a)), y = fromText(oracle::toString(b));
    lint sum = x, diff = x, prod = x;
    lint_add(&sum, &y);
    lint_subtract(&diff, &y);
    lint_multiply(&prod, &y);
    ASSERT_EQ(str(sum), oracle::toString(a + b));
    ASSERT_EQ(str(diff), oracle::toString(a - b));
    ASSERT_EQ(str(prod), oracle::toString(a * b));
    ASSERT_TRUE(isNormal(sum) && isNormal(diff) && isNormal(prod));
    ASSERT_EQ(lint_compare(&x, &y), a < b ? -1 : (a > b ? 1 : 0));
    ASSERT_EQ(lint_lt(&x, &y) + 2 * lint_gt(&x, &y) + 4 * lint_eq(&x, &y),
              a < b ? 1 : (a > b ? 2 : 4));
    ASSERT_EQ(lint_leq(&x, &y) + 2 * lint_geq(&x, &y) + 4 * lint_neq(&x, &y),
              (a <= b) + 2 * (a >= b) + 4 * (a != b));
  }
}

TEST_F(LargeIntegerTest, AgreesWithTheSchoolbookOracleBeyond128Bits) {
  std::mt19937_64 rng(77);
  for (int trial = 0; trial < 300; ++trial) {
    std::string a = oracle::randomNumber(rng, 1 + static_cast<int>(rng() % 200));
    std::string b = oracle::randomNumber(rng, 1 + static_cast<int>(rng() % 200));
    lint x = fromText(a), y = fromText(b);
    lint sum = x, diff = x, prod = x;
    lint_add(&sum, &y);
    lint_subtract(&diff, &y);
    lint_multiply(&prod, &y);
    ASSERT_EQ(str(sum), oracle::add(a, b));
    ASSERT_EQ(str(diff), oracle::subtract(a, b));
    ASSERT_EQ(str(prod), oracle::multiply(a, b));
    ASSERT_TRUE(isNormal(prod));
  }
  // (10^450 - 1)^2 = 10^900 - 2 10^450 + 1: every partial product is maximal.
  lint nines = fromText(std::string(450, '9'));
  lint_multiply(&nines, &nines);
  EXPECT_EQ(str(nines), std::string(449, '9') + "8" + std::string(449, '0') + "1");
}

TEST_F(LargeIntegerTest, OperandsMayBeTheSameObject) {
  std::mt19937_64 rng(3);
  std::string a = oracle::randomNumber(rng, 150), doubled = oracle::add(a, a);
  lint x = fromText(a);
  lint_add(&x, &x);
  EXPECT_EQ(str(x), doubled);
  lint_multiply(&x, &x);
  EXPECT_EQ(str(x), oracle::multiply(doubled, doubled));
  lint_subtract(&x, &x);
  EXPECT_TRUE(isNormal(x));
  EXPECT_EQ(x.length, 0);
}

TEST_F(LargeIntegerTest, SmallFactorsSummandsAndPowers) {
  lint x = fromText("123456789123456789");
  lint_intprod(&x, INT_MIN);
  EXPECT_EQ(str(x), oracle::multiply("123456789123456789", "-2147483648"));
  EXPECT_TRUE(isNormal(x));
  lint_intprod(&x, 0);
  EXPECT_EQ(x.length, 0);
  // The limbs hold the magnitude, so an int summand must enter with the value's sign.
  struct {
    const char* start;
    int k;
    const char* sum;
  } sums[] = {{"999999999", 1, "1000000000"},
              {"1000000000", -1000000000, "0"},
              {"0", -7, "-7"},
              {"-5", 3, "-2"},
              {"-2", 10, "8"},
              {"-1000000000", 1, "-999999999"}};
  for (auto c : sums) {
    lint y = fromText(c.start);
    lint_intadd(&y, c.k);
    EXPECT_EQ(str(y), c.sum) << c.start << " + " << c.k;
    EXPECT_TRUE(isNormal(y));
  }
  lint_power(&x, 2, 100);
  EXPECT_EQ(str(x), "1267650600228229401496703205376");
  __int128 power = 1;
  for (int i = 0; i < 41; ++i) power *= -3;
  lint_power(&x, -3, 41);
  EXPECT_EQ(str(x), oracle::toString(power));
  lint_power(&x, 12345, 0);
  EXPECT_EQ(str(x), "1");
  EXPECT_TRUE(silent());
  lint_power(&x, 2, -1);
  EXPECT_TRUE(alerted("Negative powers not built in"));
  EXPECT_EQ(str(x), "1");
}

TEST_F(LargeIntegerTest, DivisionBySmallIntegers) {
  struct {
    const char* x;
    int k;
    const char* quotient;
  } exact[] = {{"1000000500", 2, "500000250"},
               {"-8", 4, "-2"},
               {"1000000000000000002", 3, "333333333333333334"},  // 3 does not divide 10^9
               {"333333333333333334", -2, "-166666666666666667"}};
  for (auto c : exact) {
    lint x = fromText(c.x);
    lint_intdivide(&x, c.k);
    EXPECT_EQ(str(x), c.quotient);
  }
  EXPECT_TRUE(silent());
  lint seven = int_to_newlint(7);
  lint_intdivide(&seven, 2);
  EXPECT_EQ(str(seven), "3");
  EXPECT_TRUE(alerted("Number 7 not divisible by 2"));
  lint_intdivide(&seven, 0);
  EXPECT_TRUE(alerted("Invalid use of routine lint_intdivide"));
  EXPECT_EQ(str(seven), "3");
}

TEST_F(LargeIntegerTest, SignChanges) {
  lint x = fromText("-42"), zero;
  lint_flip(&x);
  EXPECT_EQ(str(x), "42");
  lint_flip(&x);
  lint_abs(&x);
  EXPECT_EQ(str(x), "42");
  lint_flip(&zero);
  EXPECT_EQ(zero.sign, 1);
  lint_switch(&x);  // sign and limbs negated: the same value
  regform(&x);
  EXPECT_EQ(str(x), "42");
}

// --- Division --------------------------------------------------------------------------------

// Checks q and r of a / b against the schoolbook long division.
void expectDivision(const std::string& a, const std::string& b) {
  lint dividend = fromText(a), divisor = fromText(b), quotient;
  ASSERT_EQ(exact_division(&dividend, &divisor, &quotient), 0);
  auto [q, r] = oracle::divideMagnitudes(a, b);
  ASSERT_EQ(str(quotient), q) << a << " / " << b;
  ASSERT_EQ(str(dividend), r) << a << " mod " << b;
  ASSERT_TRUE(isNormal(quotient) && isNormal(dividend));
}

TEST_F(LargeIntegerTest, DivisionAgreesWithLongDivision) {
  std::mt19937_64 rng(11);
  for (int trial = 0; trial < 400; ++trial) {
    int da = 1 + static_cast<int>(rng() % 200);
    int db = 1 + static_cast<int>(rng() % (da + 5));
    expectDivision(oracle::randomNumber(rng, da, false), oracle::randomNumber(rng, db, false));
    if (HasFatalFailure()) return;
  }
  std::string nines(200, '9');
  for (auto [a, b] : std::vector<std::pair<std::string, std::string>>{
           {nines, "1"},
           {nines, nines},
           {nines, std::string(100, '9')},
           {"1" + std::string(200, '0'), nines},
           {"0", "17"},
           {"16", "17"},
           {"1" + std::string(100, '0'), "1" + std::string(99, '0') + "1"}}) {
    expectDivision(a, b);
  }
  // a = b q + (b - 1): the largest remainder.
  for (int trial = 0; trial < 50; ++trial) {
    std::string b = oracle::randomNumber(rng, 1 + static_cast<int>(rng() % 100), false);
    std::string q = oracle::randomNumber(rng, 1 + static_cast<int>(rng() % 100), false);
    expectDivision(oracle::add(oracle::multiply(b, q), oracle::subtract(b, "1")), b);
    if (HasFatalFailure()) return;
  }
  EXPECT_TRUE(silent());  // the quotient estimates never overshoot
}

TEST_F(LargeIntegerTest, ProductsAndQuotientsOf200DigitNumbers) {
  std::mt19937_64 rng(200);
  for (int trial = 0; trial < 20; ++trial) {
    std::string a = oracle::randomNumber(rng, 200, false),
                b = oracle::randomNumber(rng, 200, false);
    lint product = fromText(a), y = fromText(b), quotient;
    lint_multiply(&product, &y);
    ASSERT_EQ(str(product), oracle::multiply(a, b));
    ASSERT_EQ(exact_division(&product, &y, &quotient), 0);
    ASSERT_EQ(str(quotient), a);  // (a b) / b = a with remainder 0
    ASSERT_EQ(product.length, 0);
  }
}

TEST_F(LargeIntegerTest, DivisionAddsToTheQuotientAndRefusesBadOperands) {
  lint a = int_to_newlint(100), b = int_to_newlint(7), q = int_to_newlint(1000);
  EXPECT_EQ(exact_division(&a, &b, &q), 0);
  EXPECT_EQ(str(q) + " " + str(a), "1014 2");  // 1000 + floor(100 / 7), 100 mod 7
  lint negative = int_to_newlint(-100), zero, hundred = int_to_newlint(100);
  EXPECT_EQ(exact_division(&negative, &b, &q), 1);
  EXPECT_TRUE(alerted("Negative signs not allowed in routine exact_division"));
  EXPECT_EQ(exact_division(&hundred, &zero, &q), 1);
  EXPECT_TRUE(alerted("Attempt to divide by 0"));
  EXPECT_EQ(str(negative) + " " + str(hundred) + " " + str(q), "-100 100 1014");
}

TEST_F(LargeIntegerTest, QuotientEstimateNeverExceedsTheQuotient) {
  std::mt19937_64 rng(5);
  for (int trial = 0; trial < 200; ++trial) {
    std::string b = oracle::randomNumber(rng, 1 + static_cast<int>(rng() % 60), false);
    std::string a =
        oracle::add(b, oracle::randomNumber(rng, 1 + static_cast<int>(rng() % 120), false));
    lint x = fromText(a), y = fromText(b), t, p;
    getIntegerRatio(&x, &y, &t, &p);
    ASSERT_LE(oracle::compareMagnitudes(str(t), oracle::divideMagnitudes(a, b).first), 0);
    ASSERT_NE(str(t), "0");
    ASSERT_EQ(str(p), oracle::multiply(str(t), b));
  }
}

// --- Conversions ----------------------------------------------------------------------------

TEST_F(LargeIntegerTest, ConversionToIntKeepsTheSignOverTheWholeRange) {
  struct {
    const char* text;
    int value;
  } fits[] = {{"-7", -7},
              {"1000000000", 1000000000},
              {"2147483647", INT_MAX},
              {"-2147483648", INT_MIN},
              {"0", 0}};
  for (auto c : fits) {
    lint x = fromText(c.text);
    EXPECT_EQ(lint_to_int(&x), c.value) << c.text;
  }
  EXPECT_TRUE(silent());
  for (const char* text : {"2147483648", "-99999999999999999999"}) {
    lint x = fromText(text);
    EXPECT_EQ(lint_to_int(&x), 2147483647);
    EXPECT_TRUE(alerted(std::string("Integer overflow in conversion of ") + text));
  }
}

TEST_F(LargeIntegerTest, MantissaRecords) {
  ldouble ld{2.5e9, 1, 0}, negative{-3e-9, 1, 0}, zero{0, -1, 4};
  ldouble_regform(&ld);
  ldouble_regform(&negative);
  ldouble_regform(&zero);
  EXPECT_TRUE(ld.mantissa == 2.5 && ld.sign == 1 && ld.exponent == 1);
  EXPECT_TRUE(negative.mantissa == 3 && negative.sign == -1 && negative.exponent == -1);
  EXPECT_TRUE(zero.mantissa == 0 && zero.sign == 1 && zero.exponent == 0);
  ldouble value{1.5, -1, 1}, fraction{2.25, 1, 0}, back, ratio;
  lint x;
  doubleToLint(&x, &value);  // -1.5 x 10^9 with no fraction left
  EXPECT_EQ(str(x), "-1500000000");
  EXPECT_TRUE(value.mantissa == 0 && value.exponent == -1);
  doubleToLint(&x, &fraction);
  EXPECT_EQ(str(x), "2");
  EXPECT_DOUBLE_EQ(fraction.mantissa * 1e-9, 0.25);
  lint big = fromText("-3000000000000000000");
  lintToDouble(&big, &back);
  EXPECT_TRUE(back.mantissa == 3 && back.sign == -1 && back.exponent == 2);
  ldouble a{6, 1, 3}, b{2, -1, 1};
  ldouble_ratio(&a, &b, &ratio);
  EXPECT_TRUE(ratio.mantissa == 3 && ratio.sign == -1 && ratio.exponent == 2);
  EXPECT_EQ(ldouble_alloc().mantissa, 0);
}

TEST_F(LargeIntegerTest, SmallHelpers) {
  EXPECT_EQ(getLintBaseSize(), 9);
  EXPECT_EQ(LintStringLength(0) * 100 + LintStringLength(-123), 104);
  EXPECT_EQ(LintStringLength(LLONG_MIN), 20);
  EXPECT_EQ(Lmod(-7, 3), 2);
  EXPECT_EQ(Lmod(7, 1), 0);
  EXPECT_EQ(Lmod(-10000000000LL, 7), 3);  // 10^10 = 4 (mod 7)
  lint zero;
  EXPECT_EQ(lintNdigit(&zero), 1);
  lint x = int_to_newlint(5);
  EXPECT_EQ(checkLint(&x), 0);
  x.limbs[3] = 77;
  EXPECT_EQ(checkLint(&x), 1);
  EXPECT_NE(capture.diagnostics.find("3 77\n"), std::string::npos);
  EXPECT_TRUE(alerted("Incorrect size specification of large integer"));
}

TEST_F(LargeIntegerTest, ValuesLiveAsOrdinaryObjects) {
  lint x = fromText("123456789012345678901234567890"), copy;
  lint_copy(&copy, &x);
  EXPECT_EQ(str(copy), str(x));
  lint_assign(&copy, 5);
  EXPECT_EQ(str(copy), "5");
  EXPECT_TRUE(isNormal(copy));  // the old upper limbs are cleared
  lint_assign(&copy, LLONG_MIN);
  EXPECT_EQ(str(copy), "-9223372036854775808");
  lint_free(&x);
  EXPECT_EQ(str(x), "0");
  lint one = int_to_newlint(1);
  lint_add(&x, &one);  // a freed value is still usable
  EXPECT_EQ(str(x), "1");
  nullify_lint(&copy);
  EXPECT_TRUE(isNormal(copy));
  EXPECT_EQ(copy.length, 0);
  EXPECT_EQ(lint_alloc(0).capacity() * 100 + lint_alloc(12).capacity(), 512);
}

TEST_F(LargeIntegerTest, RecordSizeIsAnnouncedEvery1001Limbs) {
  lint x;
  lint_realloc(&x, 1000);
  EXPECT_TRUE(silent());
  lint_realloc(&x, 1001);
  EXPECT_TRUE(alerted("Large integer allocation size has reached 1001"));
  lint_realloc(&x, 2001);
  EXPECT_TRUE(silent());
  lint_realloc(&x, 2002);
  EXPECT_TRUE(alerted("Large integer allocation size has reached 2002"));
  EXPECT_GE(x.capacity(), 2002);
  resetAll();
  lint y;
  lint_realloc(&y, 1001);  // the record starts again after a reset
  EXPECT_TRUE(alerted("Large integer allocation size has reached 1001"));
}

// --- Handles --------------------------------------------------------------------------------

TEST_F(LargeIntegerTest, HandlesStandForSmallValuesOrStoredOnes) {
  lint five = int_to_newlint(5), big = fromText("10000000000"), bigger = fromText("20000000000"),
       tmp;
  EXPECT_EQ(storePositiveLint(&five), 5);
  EXPECT_EQ(storePositiveLint(&big), -1);
  EXPECT_EQ(storePositiveLint(&bigger), -2);
  lint* stored = retrieveLint(-1);
  ASSERT_NE(stored, nullptr);
  lint_add(&big, &big);  // the store keeps its own copy
  EXPECT_EQ(str(*retrieveLint(-1)), "10000000000");
  EXPECT_EQ(retrieveLint(-1), stored);  // the address stays valid as the store grows
  EXPECT_EQ(retrieveLint(5), nullptr);
  EXPECT_EQ(makeOrRetrieveLint(7, &tmp), &tmp);
  EXPECT_EQ(str(tmp), "7");
  EXPECT_EQ(makeOrRetrieveLint(-2, &tmp), retrieveLint(-2));
  EXPECT_EQ(PosIntSize(-1) * 100 + PosIntSize(12345), 1105);
  EXPECT_TRUE(silent());
  lint minusFive = int_to_newlint(-5);
  EXPECT_EQ(storePositiveLint(&minusFive), 0);
  EXPECT_TRUE(alerted("Unexpected negative integer"));
}

TEST_F(LargeIntegerTest, UnknownHandleIsReportedNotRead) {
  EXPECT_EQ(retrieveLint(-1), nullptr);  // nothing stored yet
  EXPECT_TRUE(alerted("Invalid large integer handle -1"));
  lint big = fromText("10000000000");
  EXPECT_EQ(storeLint(&big), 0);
  EXPECT_NE(retrieveLint(-1), nullptr);
  resetAll();  // the reset empties the store
  EXPECT_EQ(retrieveLint(-1), nullptr);
  lint again = fromText("30000000000");
  EXPECT_EQ(storePositiveLint(&again), -1);
}

// --- Factorised integers ----------------------------------------------------------------------

std::vector<int> exponentsOf(const fint& f) {
  return std::vector<int>(f.exponent.begin(), f.exponent.begin() + f.used);
}

TEST_F(LargeIntegerTest, FactorisationsOfSmallNumbers) {
  fint f = fint_alloc();
  EXPECT_EQ(f.used * 100 + static_cast<int>(f.exponent.size()), 20);
  inttofint(360, &f);  // 2^3 3^2 5
  EXPECT_EQ(exponentsOf(f), (std::vector<int>{3, 2, 1}));
  inttofint(1, &f);
  EXPECT_EQ(f.used, 0);
  EXPECT_EQ(fint_string(&f), "1");
  inttofint(7919, &f);  // the 1000th prime: the exponent array doubles past index 999
  EXPECT_EQ(f.used, 1000);
  EXPECT_EQ(f.exponent[999], 1);
  EXPECT_EQ(fint_string(&f), "7919");
  inttofint(2 * 3 * 3 * 7 * 73, &f);  // 73 = prime(20)
  std::vector<int> expected(21, 0);
  expected[0] = 1, expected[1] = 2, expected[3] = 1, expected[20] = 1;
  EXPECT_EQ(exponentsOf(f), expected);
}

TEST_F(LargeIntegerTest, ProductsAndRatiosAddAndSubtractExponents) {
  fint two, three, ratio, onlyNegative, twelve, five, product, copy;
  lint value;
  inttofint(2, &two);
  inttofint(3, &three);
  fint_ratio(&two, &three, &ratio);
  EXPECT_EQ(exponentsOf(ratio), (std::vector<int>{1, -1}));
  fint_to_lint(&ratio, &value);
  EXPECT_EQ(str(value), "2");  // the negative exponent is ignored
  fint_ratio(&onlyNegative, &three, &onlyNegative);
  fint_to_lint(&onlyNegative, &value);
  EXPECT_EQ(str(value), "1");
  inttofint(12, &twelve);
  inttofint(5, &five);
  fint_prod(&twelve, &five, &product);  // the longer length wins: 60 = 2^2 3 5
  EXPECT_EQ(exponentsOf(product), (std::vector<int>{2, 1, 1}));
  fint_ratio(&product, &five, &product);  // the trailing zero exponent is trimmed
  EXPECT_EQ(exponentsOf(product), (std::vector<int>{2, 1}));
  fint_copy(&product, &copy);
  EXPECT_EQ(exponentsOf(copy), (std::vector<int>{2, 1}));
  EXPECT_EQ(finttodouble(&copy), 12.0);
}

TEST_F(LargeIntegerTest, FactorialsAndDimensionsByExponents) {
  fint factorialValue, factor, top, bottom, dimension;
  for (int n = 2; n <= 100; ++n) {
    inttofint(n, &factor);
    fint_prod(&top, &factor, &top);
    if (n <= 50) {
      fint_prod(&bottom, &factor, &bottom);
      fint_prod(&bottom, &factor, &bottom);
    }
    if (n == 30) {
      EXPECT_EQ(fint_string(&top), "265252859812191058636308480000000");  // 30!
    }
  }
  fint_ratio(&top, &bottom, &top);
  EXPECT_EQ(fint_string(&top), "100891344545564193334812497256");  // C(100, 50)
  // Dimension of the SU(3) representation (3, 3): (a+1)(b+1)(a+b+2)/2 = 4 4 8 / 2 = 64.
  for (int n : {4, 4, 8}) {
    inttofint(n, &factor);
    fint_prod(&dimension, &factor, &dimension);
  }
  inttofint(2, &factor);
  fint_ratio(&dimension, &factor, &dimension);
  EXPECT_EQ(fint_string(&dimension), "64");
  fint_print(&dimension, "Dimension");
  fint_print(&dimension, nullptr);
  EXPECT_EQ(capture.stdoutText, "Dimension\n6 \n64\n6 \n64\n");
}

}  // namespace
