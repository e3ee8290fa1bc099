// Small rationals, number theory, tolerant conversions, complex and random numbers.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "Boot.h"
#include "MathUtility.h"
#include "TestSupport.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

class MathUtilityTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

bool contains(const std::string& text, const std::string& piece) {
  return text.find(piece) != std::string::npos;
}

// Primes below limit by the sieve of Eratosthenes: an oracle independent of the table.
std::vector<int> sievePrimes(int limit) {
  std::vector<bool> composite(limit, false);
  std::vector<int> primes;
  for (int i = 2; i < limit; ++i) {
    if (composite[i]) continue;
    primes.push_back(i);
    for (long long j = static_cast<long long>(i) * i; j < limit; j += i) composite[j] = true;
  }
  return primes;
}

// Canonical: positive denominator, coprime fields, zero as 0/1.
void expectCanonical(const Rat& q) {
  EXPECT_GT(q.den, 0);
  EXPECT_EQ(std::gcd(q.num, q.den), 1) << q.num << "/" << q.den;
}

// q equals n/d exactly (d != 0), by cross-multiplication in 128 bits.
void expectRatValue(const Rat& q, __int128 n, __int128 d) {
  EXPECT_TRUE(static_cast<__int128>(q.num) * d == n * static_cast<__int128>(q.den))
      << q.num << "/" << q.den;
}

// --- Remainders and divisors ------------------------------------------------------------

TEST_F(MathUtilityTest, ModIsTheNonNegativeRemainder) {
  EXPECT_EQ(mod(-7, 3), 2);
  EXPECT_EQ(mod(7, 3), 1);
  EXPECT_EQ(mod(-6, 3), 0);
  EXPECT_EQ(mod(123456789, 1), 0);
  EXPECT_EQ(mod(-123456789, 1), 0);
  EXPECT_EQ(Modulo(5, -1), 5);
  EXPECT_EQ(Modulo(-5, 3), 1);
  EXPECT_EQ(longmod(-10000000000LL, 7), 3);  // 10^10 = 3^10 = 4 (mod 7)
}

TEST_F(MathUtilityTest, ModAgreesWithFloorRemainderOracle) {
  std::mt19937_64 rng(20240601);
  for (int trial = 0; trial < 20000; ++trial) {
    long long x = static_cast<long long>(rng());
    long long m = static_cast<long long>(rng() % 2000000000ULL) + 1;
    // Oracle: floor remainder in 128 bits.
    __int128 r = static_cast<__int128>(x) % m;
    if (r < 0) r += m;
    ASSERT_EQ(longmod(x, m), static_cast<long long>(r)) << x << " mod " << m;
    ASSERT_EQ(mod(x, m), static_cast<int>(r)) << x << " mod " << m;
  }
}

TEST_F(MathUtilityTest, ModResultBeyondIntIsReportedNotWrapped) {
  OutputCapture capture;
  // 5000000000 mod 6000000000 = 5000000000, which no int holds.
  EXPECT_EQ(mod(5000000000LL, 6000000000LL), INT_MAX);
  EXPECT_TRUE(contains(capture.diagnostics, "Integer overflow in conversion of 5000000000"));
  EXPECT_EQ(longmod(5000000000LL, 6000000000LL), 5000000000LL);
}

TEST_F(MathUtilityTest, ZeroModulusIsReportedNotACrash) {
  OutputCapture capture;
  EXPECT_EQ(mod(5, 0), 0);
  EXPECT_EQ(longmod(5, 0), 0);
  EXPECT_EQ(Modulo(5, 0), 0);
  EXPECT_TRUE(contains(capture.diagnostics, "Zero modulus"));
  EXPECT_EQ(mod(LLONG_MIN, -1), 0);  // the one quotient that overflows 64 bits
}

TEST_F(MathUtilityTest, GreatestCommonDivisorAndLeastCommonMultiple) {
  EXPECT_EQ(GCD(0, 0), 0);
  EXPECT_EQ(GCD(0, -6), 6);
  EXPECT_EQ(GCD(1, 0), 1);
  EXPECT_EQ(GCD(-12, 18), 6);
  EXPECT_EQ(GCD(-1, 1000), 1);
  EXPECT_EQ(GCD_LONG(600000000000LL, 400000000000LL), 200000000000LL);
  EXPECT_EQ(SCM(0, 5), 1);
  EXPECT_EQ(SCM(4, 6), 12);
  EXPECT_EQ(SCM(-4, 6), 12);
  std::mt19937 rng(7);
  for (int trial = 0; trial < 5000; ++trial) {
    int a = static_cast<int>(rng() % 200001) - 100000;
    int b = static_cast<int>(rng() % 200001) - 100000;
    ASSERT_EQ(GCD(a, b), std::gcd(a, b)) << a << "," << b;
    if (a != 0 && b != 0) {
      ASSERT_EQ(SCM(a, b), std::lcm(static_cast<long long>(a), b));
    }
  }
}

TEST_F(MathUtilityTest, DivisorResultsBeyondTheirTypeAreReported) {
  OutputCapture capture;
  EXPECT_EQ(GCD(6000000000LL, 0), INT_MAX);
  EXPECT_TRUE(contains(capture.diagnostics, "Integer overflow in conversion of 6000000000"));
  capture.clear();
  // lcm(2^40, 3^26) = 2^40 * 3^26 > 2^63.
  EXPECT_EQ(SCM(1LL << 40, 2541865828329LL), LLONG_MAX);
  EXPECT_TRUE(contains(capture.diagnostics, "Integer overflow"));
}

TEST_F(MathUtilityTest, IntegerDivisionHelpers) {
  OutputCapture capture;
  EXPECT_EQ(intdivide(12, 4), 3);
  EXPECT_EQ(intdivide(12, 0), 0);
  EXPECT_TRUE(contains(capture.diagnostics, "Zero denominator in division"));
  EXPECT_EQ(intdivide(12, 5), 0);
  EXPECT_TRUE(contains(capture.diagnostics, "5 does not divide 12"));
  capture.clear();
  EXPECT_EQ(divTwo(8, 1), 4);
  EXPECT_EQ(capture.diagnostics, "");
  EXPECT_EQ(divTwo(7, 3), 3);
  EXPECT_TRUE(contains(capture.diagnostics, "Not divisible by 2: 7 (variable nr 3)\n"));
  EXPECT_EQ(HalfEntier(-7), -3);
  EXPECT_EQ(sign_(-4), -1);
  EXPECT_EQ(sign_(0), 0);
  EXPECT_EQ(SignPow(-3), -1);
  EXPECT_EQ(SignPow(4), 1);
  EXPECT_EQ(MaxVal(3, -2), 3);
  EXPECT_EQ(MinVal(3, -2), -2);
}

TEST_F(MathUtilityTest, RegularRationalHasPositiveDenominator) {
  int p = 0;
  int q = 0;
  EXPECT_EQ(makeRegularRational(6, -4, &p, &q), 2);
  EXPECT_EQ(p, -3);
  EXPECT_EQ(q, 2);
  EXPECT_EQ(makeRegularRational(0, 5, &p, &q), 5);
  EXPECT_EQ(p, 0);
  EXPECT_EQ(q, 1);
  EXPECT_EQ(makeRegularRational(0, 0, &p, &q), 0);  // no division by zero
}

// --- Rationals ----------------------------------------------------------------------------

TEST_F(MathUtilityTest, SimplifyGivesTheCanonicalForm) {
  Rat q{0, -5};
  simplifyRat(&q);
  EXPECT_EQ(q.num, 0);
  EXPECT_EQ(q.den, 1);
  q = {6, -4};
  simplifyRat(&q);
  EXPECT_EQ(q.num, -3);
  EXPECT_EQ(q.den, 2);
  q = {-6, -4};
  EXPECT_EQ(simplifyRat(&q), &q);
  EXPECT_EQ(q.num, 3);
  EXPECT_EQ(q.den, 2);
  q = {LLONG_MIN, LLONG_MIN};
  simplifyRat(&q);
  EXPECT_EQ(q.num, 1);
  EXPECT_EQ(q.den, 1);
}

TEST_F(MathUtilityTest, RatTextForms) {
  Rat three{3, 1};
  Rat half{-3, 2};
  EXPECT_EQ(ratString(&three), "3");
  EXPECT_EQ(ratString(&half), "-3/2");
}

TEST_F(MathUtilityTest, ArithmeticMatchesThe128BitOracle) {
  std::mt19937_64 rng(12345);
  auto draw = [&](long long range) {
    return static_cast<long long>(rng() % (2 * range + 1)) - range;
  };
  for (int trial = 0; trial < 20000; ++trial) {
    long long range = trial % 2 == 0 ? 1000 : (1LL << 30);
    Rat a{draw(range), 0};
    Rat b{draw(range), 0};
    while (a.den == 0) a.den = draw(range);
    while (b.den == 0) b.den = draw(range);
    simplifyRat(&a);
    simplifyRat(&b);
    Rat sum, diff, prod;
    addRat(&a, &b, &sum);
    subtractRat(&a, &b, &diff);
    multiplyRat(&a, &b, &prod);
    __int128 an = a.num, ad = a.den, bn = b.num, bd = b.den;
    expectCanonical(sum);
    expectCanonical(diff);
    expectCanonical(prod);
    expectRatValue(sum, an * bd + bn * ad, ad * bd);
    expectRatValue(diff, an * bd - bn * ad, ad * bd);
    expectRatValue(prod, an * bn, ad * bd);
    if (HasFailure()) return;
  }
}

TEST_F(MathUtilityTest, ResultMayAliasAnOperand) {
  Rat a{1, 6};
  addRat(&a, &a, &a);
  EXPECT_EQ(a.num, 1);
  EXPECT_EQ(a.den, 3);
  multiplyRat(&a, &a, &a);
  EXPECT_EQ(a.num, 1);
  EXPECT_EQ(a.den, 9);
  subtractRat(&a, &a, &a);
  EXPECT_EQ(a.num, 0);
  EXPECT_EQ(a.den, 1);
}

TEST_F(MathUtilityTest, ZeroFactorIgnoresTheOtherDenominator) {
  Rat zero{0, 1};
  Rat broken{5, 0};
  Rat prod{9, 9};
  multiplyRat(&zero, &broken, &prod);
  EXPECT_EQ(prod.num, 0);
  EXPECT_EQ(prod.den, 1);
}

TEST_F(MathUtilityTest, ExactResultsSurviveIntermediateOverflow) {
  OutputCapture capture;
  // 2^62/3 - 2^62/3: the cross products exceed 64 bits, the result is 0.
  Rat a{1LL << 62, 3};
  Rat diff;
  subtractRat(&a, &a, &diff);
  EXPECT_EQ(diff.num, 0);
  EXPECT_EQ(diff.den, 1);
  // 1/(2^40 3) + 1/(2^40 5) = 8/(2^40 15) = 1/(2^37 15): the naive denominator exceeds 2^63.
  Rat x{1, (1LL << 40) * 3};
  Rat y{1, (1LL << 40) * 5};
  Rat sum;
  addRat(&x, &y, &sum);
  EXPECT_EQ(sum.num, 1);
  EXPECT_EQ(sum.den, (1LL << 37) * 15);
  EXPECT_EQ(capture.diagnostics, "");
}

TEST_F(MathUtilityTest, OverflowingResultIsReportedNotWrapped) {
  OutputCapture capture;
  Rat big{LLONG_MAX, 1};
  Rat one{1, 1};
  Rat sum;
  addRat(&big, &one, &sum);
  EXPECT_TRUE(contains(capture.diagnostics, "Integer overflow in rational arithmetic"));
  EXPECT_EQ(sum.num, 0);
  EXPECT_EQ(sum.den, 1);
  capture.clear();
  // 1/p - 1/q with coprime p, q near 2^40: the reduced denominator p q exceeds 2^63.
  Rat p{1, 1099511627689LL};
  Rat q{1, 1099511627791LL};
  Rat diff;
  subtractRat(&p, &q, &diff);
  EXPECT_TRUE(contains(capture.diagnostics, "Integer overflow in rational arithmetic"));
  capture.clear();
  Rat square;
  multiplyRat(&p, &p, &square);
  EXPECT_TRUE(contains(capture.diagnostics, "Integer overflow in rational arithmetic"));
}

TEST_F(MathUtilityTest, ConstructionAndFractionalParts) {
  Rat q;
  EXPECT_EQ(torat2(6, -4, &q), 2);
  EXPECT_EQ(q.num, 3);
  EXPECT_EQ(q.den, -2);  // the sign stays where it was
  torat(-7, &q);
  EXPECT_EQ(q.num, -7);
  EXPECT_EQ(q.den, 1);
  Rat frac{-1, 3};
  RatToFrac(&frac);
  EXPECT_EQ(frac.num, 2);  // -1/3 = -1 + 2/3
  EXPECT_EQ(frac.den, 3);
  Rat whole{5, 1};
  RatToFrac(&whole);
  EXPECT_EQ(whole.num, 0);
  Rat seven{7, 2};
  RatToFrac(&seven);
  EXPECT_EQ(seven.num, 1);
  Rat copy;
  copyRat(&copy, &seven);
  EXPECT_EQ(copy.num, 1);
  EXPECT_EQ(copy.den, 2);
  EXPECT_EQ(setzero(&copy), &copy);
  EXPECT_EQ(copy.num, 0);
  EXPECT_EQ(copy.den, 1);
  Rat other{3, 4};
  nullifyRat(&other);
  EXPECT_EQ(other.num, 0);
  EXPECT_EQ(other.den, 1);
}

TEST_F(MathUtilityTest, IntegerAndHalfIntegerChecks) {
  Rat four{4, 1}, eight{8, 2}, threeHalves{3, 2}, third{1, 3}, sixQuarters{6, 4};
  EXPECT_EQ(intcheck(&four), 0);
  EXPECT_EQ(intcheck(&eight), 0);  // unreduced 8/2 is still an integer
  EXPECT_EQ(intcheck(&threeHalves), 1);
  EXPECT_EQ(halfintcheck(&four), 0);
  EXPECT_EQ(halfintcheck(&threeHalves), 1);
  EXPECT_EQ(halfintcheck(&sixQuarters), 1);
  EXPECT_EQ(halfintcheck(&third), 2);  // 3 / 2 truncates to the gcd 1, yet 1/3 is no half-integer
}

// --- Primes and factorisations -----------------------------------------------------------

TEST_F(MathUtilityTest, PrimeTableKnownValues) {
  EXPECT_EQ(prime(0), 2);
  EXPECT_EQ(prime(4), 11);
  EXPECT_EQ(prime(5), 13);
  EXPECT_EQ(prime(-1), 1);
  EXPECT_EQ(prime(100), 547);  // the 101st prime, past the first capacity of 100 entries
}

TEST_F(MathUtilityTest, PrimeTableAgreesWithTheSieve) {
  std::vector<int> sieve = sievePrimes(50000);
  for (std::size_t i = 0; i < sieve.size(); ++i) ASSERT_EQ(prime(static_cast<int>(i)), sieve[i]);
  // Asked in a different order after a reset, the table grows the same way.
  resetAll();
  EXPECT_EQ(prime(static_cast<int>(sieve.size()) - 1), sieve.back());
  EXPECT_EQ(prime(7), 19);
}

TEST_F(MathUtilityTest, PrimeTestGivesTheSmallestFactor) {
  EXPECT_EQ(primetest(2), 0);
  EXPECT_EQ(primetest(3), 0);
  EXPECT_EQ(primetest(4), 2);
  EXPECT_EQ(primetest(9), 3);
  EXPECT_EQ(primetest(1), 0);
  EXPECT_EQ(primetest(0), 0);
  EXPECT_EQ(primetest(-9), 0);
  EXPECT_EQ(primetest(1022117), 1009);  // 1009 * 1013
  std::vector<int> sieve = sievePrimes(5000);
  std::vector<bool> isPrime(5000, false);
  for (int p : sieve) isPrime[p] = true;
  for (int n = 4; n < 5000; ++n) {
    int f = primetest(n);
    if (isPrime[n]) {
      ASSERT_EQ(f, 0) << n;
    } else {
      ASSERT_GT(f, 1) << n;
      ASSERT_EQ(n % f, 0) << n;
      ASSERT_TRUE(isPrime[f]) << n;
      for (int d = 2; d < f; ++d) ASSERT_NE(n % d, 0) << n;
    }
  }
}

TEST_F(MathUtilityTest, PrimeIndexLookup) {
  OutputCapture capture;
  EXPECT_EQ(getPrimeIndex(2), 0);
  EXPECT_EQ(getPrimeIndex(13), 5);
  EXPECT_EQ(getPrimeIndex(7919), 999);  // the 1000th prime
  EXPECT_EQ(capture.diagnostics, "");
  EXPECT_EQ(getPrimeIndex(7927), 1000);
  EXPECT_TRUE(contains(capture.diagnostics, "Tested 1000 primes; input 7927; overflow?"));
  capture.clear();
  EXPECT_EQ(getPrimeIndex(12), -1);  // ends instead of counting for ever
  EXPECT_TRUE(contains(capture.diagnostics, "12 is not a prime"));
}

TEST_F(MathUtilityTest, PrimeDecompositionVectors) {
  // 146 = 2 * 73 on the very first call: 73 is prime(20), beyond the first 20 entries.
  std::vector<int> expected(22, 0);
  expected[0] = 1;
  expected[20] = 1;
  expected[21] = -1;
  EXPECT_EQ(PrimeDecomposition(146), expected);
  EXPECT_EQ(PrimeDecomposition(12), (std::vector<int>{2, 1, -1}));
  EXPECT_EQ(PrimeDecomposition(-12), (std::vector<int>{2, 1, -1}));
  EXPECT_EQ(PrimeDecomposition(1), (std::vector<int>{0, -1}));
  EXPECT_TRUE(PrimeDecomposition(0).empty());
  EXPECT_EQ(MaximalPrimeFactor(146), 73);
  EXPECT_EQ(MaximalPrimeFactor(-1024), 2);
  EXPECT_EQ(MaximalPrimeFactor(0), 0);
}

TEST_F(MathUtilityTest, PrimeDecompositionMultipliesBack) {
  for (int n = 1; n <= 3000; ++n) {
    std::vector<int> e = PrimeDecomposition(n);
    ASSERT_EQ(e.back(), -1);
    ASSERT_GE(e.size(), 2u);
    if (n > 1) {
      ASSERT_GT(e[e.size() - 2], 0) << n;  // the entry before -1 is the largest factor
    }
    long long product = 1;
    for (std::size_t i = 0; i + 1 < e.size(); ++i) {
      for (int k = 0; k < e[i]; ++k) product *= prime(static_cast<int>(i));
    }
    ASSERT_EQ(product, n);
  }
}

TEST_F(MathUtilityTest, SinglePrimePowers) {
  EXPECT_EQ(SinglePrimePower(8), 0);
  EXPECT_EQ(SinglePrimePower(9), 1);
  EXPECT_EQ(SinglePrimePower(12), -2);
  EXPECT_EQ(SinglePrimePower(1), -1);
  EXPECT_EQ(SinglePrimePower(13), 5);
  EXPECT_EQ(SinglePrimePower(1024), 0);
  int e = 99;
  EXPECT_EQ(SinglePrimePowerRepresentation(27, &e), 1);
  EXPECT_EQ(e, 3);
  EXPECT_EQ(SinglePrimePowerRepresentation(12, &e), -2);
  EXPECT_EQ(e, 2);  // the exponent of the smallest prime factor
  e = 99;
  EXPECT_EQ(SinglePrimePowerRepresentation(1, &e), -1);
  EXPECT_EQ(e, 99);
  EXPECT_EQ(SinglePrimePowerRepresentation(7919, &e), 999);
  EXPECT_EQ(e, 1);
}

TEST_F(MathUtilityTest, MaxPrimePowerIsTheFloorOfTheLogarithm) {
  EXPECT_EQ(MaxPrimePower(8, 2), 3);
  EXPECT_EQ(MaxPrimePower(7, 2), 2);
  EXPECT_EQ(MaxPrimePower(1, 3), 0);
  EXPECT_EQ(MaxPrimePower(0, 3), 0);
  EXPECT_EQ(MaxPrimePower(80, 3), 3);
  EXPECT_EQ(MaxPrimePower(81, 3), 4);
}

TEST_F(MathUtilityTest, ModularInverses) {
  OutputCapture capture;
  EXPECT_EQ(PrimeInverse(3, 7), 5);  // 3 * 5 = 15 = 2 * 7 + 1
  EXPECT_EQ(PrimeInverse(-1, 5), 4);
  EXPECT_EQ(PrimeInverse(1, 1), 1);
  EXPECT_EQ(capture.diagnostics, "");
  EXPECT_EQ(PrimeInverse(2, 4), 0);
  EXPECT_TRUE(contains(capture.diagnostics, "2 is not invertable with respect to 4"));
  capture.clear();
  EXPECT_EQ(PrimeInverse(2, 0), 0);
  EXPECT_TRUE(contains(capture.diagnostics, "2 is not invertable with respect to 0"));
  capture.clear();
  EXPECT_EQ(InverseModuloInteger(5, 1), 1);
  EXPECT_EQ(InverseModuloInteger(0, 1), 0);
  EXPECT_EQ(InverseModuloInteger(2, 4), 0);
  EXPECT_EQ(InverseModuloInteger(4, 9), 7);  // 28 = 3 * 9 + 1
  EXPECT_EQ(capture.diagnostics, "");
}

TEST_F(MathUtilityTest, CyclicGroupOrderStatistics) {
  // Z(27): 1 element of order 1, 2 of order 3, 6 of order 9, 18 of order 27.
  EXPECT_EQ(CyclicElementsWithOrder(3, 3), (std::vector<int>{1, 2, 6, 18}));
  EXPECT_EQ(CyclicElementsWithOrder(5, 0), (std::vector<int>{1}));
}

TEST_F(MathUtilityTest, RemovingTheLargestCyclicFactor) {
  int nrest = 0;
  // Z(4) x Z(2): orders 1, 2 (three elements), 4 (four); the complement is Z(2).
  int count1[] = {1, 3, 4};
  int rest1[3] = {};
  EXPECT_EQ(removeCyclicFactor(2, 2, 8, &nrest, count1, rest1), 1);
  EXPECT_EQ(nrest, 2);
  EXPECT_EQ(rest1[0], 1);
  EXPECT_EQ(rest1[1], 1);
  EXPECT_EQ(rest1[2], 0);
  // Z(4) alone: the complement is trivial.
  int count2[] = {1, 1, 2};
  int rest2[3] = {};
  EXPECT_EQ(removeCyclicFactor(2, 2, 4, &nrest, count2, rest2), -1);
  EXPECT_EQ(nrest, 1);
  // Z(9) x Z(3) x Z(3): 26 elements of order 3, 54 of order 9; complement Z(3) x Z(3).
  int count3[] = {1, 26, 54};
  int rest3[3] = {};
  EXPECT_EQ(removeCyclicFactor(3, 2, 81, &nrest, count3, rest3), 1);
  EXPECT_EQ(nrest, 9);
  EXPECT_EQ(rest3[1], 8);
  EXPECT_EQ(rest3[2], 0);
  // Exponent 0: only the order is divided.
  int count4[] = {1};
  int rest4[1] = {};
  EXPECT_EQ(removeCyclicFactor(2, 0, 5, &nrest, count4, rest4), -1);
  EXPECT_EQ(nrest, 5);
  EXPECT_EQ(rest4[0], 1);
}

// --- Combinatorics and powers --------------------------------------------------------------

TEST_F(MathUtilityTest, BinomialsMatchPascalsTriangle) {
  std::vector<std::vector<long long>> pascal(31, std::vector<long long>(31, 0));
  for (int n = 0; n <= 30; ++n) {
    pascal[n][0] = 1;
    for (int k = 1; k <= n; ++k) pascal[n][k] = pascal[n - 1][k - 1] + pascal[n - 1][k];
  }
  OutputCapture capture;
  for (int n = 0; n <= 30; ++n) {
    for (int k = 0; k <= n; ++k) {
      ASSERT_EQ(binomial(n, k), pascal[n][k]) << n << " " << k;
      ASSERT_EQ(binomialD(n, k), static_cast<double>(pascal[n][k]));
    }
  }
  EXPECT_EQ(binomial(52, 5), 2598960);
  EXPECT_EQ(capture.diagnostics, "");
  EXPECT_DOUBLE_EQ(binomialD(60, 30), 118264581564861424.0);
}

TEST_F(MathUtilityTest, FactorialReportsOverflowPast12) {
  OutputCapture capture;
  EXPECT_EQ(factorial(0), 1);
  EXPECT_EQ(factorial(-3), 1);
  EXPECT_EQ(factorial(12), 479001600);
  EXPECT_EQ(capture.diagnostics, "");
  EXPECT_EQ(factorial(13), 2147483647);  // 13! = 6227020800 > 2^31 - 1
  EXPECT_TRUE(contains(capture.diagnostics, "Integer overflow"));
}

TEST_F(MathUtilityTest, PowersOfTwoAndIntegerPowers) {
  OutputCapture capture;
  EXPECT_EQ(twopow(0), 1u);
  EXPECT_EQ(twopow(31), 2147483648u);
  EXPECT_EQ(capture.diagnostics, "");
  EXPECT_EQ(twopow(32), 0u);
  EXPECT_TRUE(contains(capture.diagnostics, "Overflow in exponentiation"));
  capture.clear();
  EXPECT_EQ(twopow(-1), 1u);
  EXPECT_TRUE(contains(capture.diagnostics, "Negative power"));
  capture.clear();
  EXPECT_EQ(intpow(3, 4), 81);
  EXPECT_EQ(intpow(-2, 3), -8);
  EXPECT_EQ(intpow(7, 0), 1);
  EXPECT_EQ(intpow(-2, 31), INT_MIN);  // exactly -2^31
  EXPECT_EQ(intpow(10, 9), 1000000000);
  EXPECT_EQ(capture.diagnostics, "");
  EXPECT_EQ(intpow(2, 31), INT_MAX);
  EXPECT_TRUE(contains(capture.diagnostics, "Overflow in exponentiation"));
  capture.clear();
  EXPECT_EQ(intpow(2, -1), 1);
  EXPECT_TRUE(contains(capture.diagnostics, "Negative power"));
}

TEST_F(MathUtilityTest, IntegerSquareRoots) {
  OutputCapture capture;
  EXPECT_EQ(isqrt(49), 7);
  EXPECT_EQ(isqrt(0), 0);
  EXPECT_EQ(isqrt(2147395600), 46340);
  EXPECT_EQ(capture.diagnostics, "");
  EXPECT_EQ(isqrt(50), 7);
  EXPECT_TRUE(contains(capture.diagnostics, "Square root of 50 is not integer"));
  capture.clear();
  EXPECT_EQ(isqrt(-4), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Negative square root argument"));
}

TEST_F(MathUtilityTest, DecimalDigits) {
  EXPECT_EQ(Ndigit(0), 1);
  EXPECT_EQ(Ndigit(9), 1);
  EXPECT_EQ(Ndigit(10), 2);
  EXPECT_EQ(Ndigit(-12345), 5);
  EXPECT_EQ(Ndigit(INT_MIN), 10);
}

TEST_F(MathUtilityTest, OptimalRootIsAnNthRootWithSmallDenominator) {
  Rat out;
  long long zero[2] = {0, 5};
  optimalRoot(zero, &out, 4);
  EXPECT_EQ(out.num, 0);
  EXPECT_EQ(out.den, 1);
  // (1/2 + 1)/3 = 1/2: the gcd 3 of 1 + 1*2 with 3 reduces the denominator.
  long long half[2] = {1, 2};
  optimalRoot(half, &out, 3);
  EXPECT_EQ(out.num, 1);
  EXPECT_EQ(out.den, 2);
  // (1/3 + 1)/2 = 2/3, as 4/6 reduced by gcd(4, 2).
  long long third[2] = {1, 3};
  optimalRoot(third, &out, 2);
  EXPECT_EQ(out.num, 2);
  EXPECT_EQ(out.den, 3);
  // No k in 1..N-1 helps (1 + 2 = 3 is odd): k = 0 and (1/2)/2 = 1/4.
  optimalRoot(half, &out, 2);
  EXPECT_EQ(out.num, 1);
  EXPECT_EQ(out.den, 4);
  // Whatever k is chosen, N out - q = k is an integer.
  for (long long a = 1; a < 12; ++a) {
    for (long long b = 1; b < 12; ++b) {
      for (int N = 1; N < 9; ++N) {
        long long q[2] = {a, b};
        optimalRoot(q, &out, N);
        ASSERT_EQ((N * out.num * b - a * out.den) % (out.den * b), 0) << a << "/" << b << " " << N;
      }
    }
  }
}

// --- Tolerance tests and conversions -------------------------------------------------------

TEST_F(MathUtilityTest, ToleranceTests) {
  EXPECT_EQ(ZeroCheck(1e-7), 1);
  EXPECT_EQ(ZeroCheck(-1e-7), 1);
  EXPECT_EQ(ZeroCheck(1.1e-7), 0);
  EXPECT_EQ(CZeroCheck(6e-8, 6e-8), 0);  // the absolute values are added
  EXPECT_EQ(CZeroCheck(4e-8, -4e-8), 1);
  EXPECT_EQ(IntCheck(2.00000005), 1);
  EXPECT_EQ(IntCheck(-2.99999995), 1);
  EXPECT_EQ(IntCheck(2.5), 0);
  EXPECT_EQ(IntCheck(3e10), 1);  // no int range limit in the test
  EXPECT_EQ(ZeroModOneCheck(-3.00000001), 1);
  EXPECT_EQ(ZeroModOneCheck(0.3), 0);
  EXPECT_EQ(CposCheck(1, -5), 1);
  EXPECT_EQ(CposCheck(-1, 5), 0);
  EXPECT_EQ(CposCheck(0, -1), 0);
  EXPECT_EQ(CposCheck(5e-8, -5e-8), 1);
  EXPECT_EQ(CposCheck(0, 0), 1);
  EXPECT_EQ(absD(-2.5), 2.5);
  EXPECT_EQ(absDlong(-2.5), 2.5);
}

TEST_F(MathUtilityTest, DeviationLineGoesToStandardOutput) {
  OutputCapture capture;
  EXPECT_EQ(doubleCompare(1.0, 1.05, 0.1), 0);
  EXPECT_EQ(capture.all, "");
  EXPECT_EQ(doubleCompare(1.0, 2.0, 0.1), 1);
  EXPECT_TRUE(contains(capture.stdoutText, "Deviation: "));
}

TEST_F(MathUtilityTest, DoubleToIntRoundsHalvesAwayFromZero) {
  OutputCapture capture;
  EXPECT_EQ(DoubleToInt(2.0000000001), 2);
  EXPECT_EQ(DoubleToInt(-7.00000001), -7);
  EXPECT_EQ(capture.diagnostics, "");
  EXPECT_EQ(DoubleToInt(2.5), 3);
  EXPECT_TRUE(contains(capture.diagnostics, "Integer conversion problem for"));
  capture.clear();
  EXPECT_EQ(DoubleToInt(-2.5), -3);
  EXPECT_TRUE(contains(capture.diagnostics, "Integer conversion problem for"));
}

TEST_F(MathUtilityTest, DoubleToIntOutsideIntRangeSaturatesWithMessage) {
  OutputCapture capture;
  EXPECT_EQ(DoubleToInt(1e12), INT_MAX);
  EXPECT_TRUE(contains(capture.diagnostics, "Integer conversion problem for"));
  capture.clear();
  EXPECT_EQ(DoubleToInt(-1e12), INT_MIN);
  EXPECT_TRUE(contains(capture.diagnostics, "Integer conversion problem for"));
  int i = 5;
  EXPECT_EQ(DoubleToInteger(&i, 1e12), 0);
  EXPECT_EQ(DoubleToInteger(&i, std::nan("")), 0);
}

TEST_F(MathUtilityTest, SilentIntegerConversions) {
  OutputCapture capture;
  int i = 0;
  EXPECT_EQ(DoubleToInteger(&i, 4.99999999), 1);
  EXPECT_EQ(i, 5);
  EXPECT_EQ(DoubleToInteger(&i, 4.6), 0);
  EXPECT_EQ(i, 5);
  i = 42;
  EXPECT_EQ(ComplexToInteger(&i, 3, 0.5), 0);
  EXPECT_EQ(i, 42);  // untouched when the imaginary part fails
  EXPECT_EQ(ComplexToInteger(&i, -3.00000001, 1e-9), 1);
  EXPECT_EQ(i, -3);
  EXPECT_EQ(capture.diagnostics, "");
}

TEST_F(MathUtilityTest, ComplexToIntReportsEitherPart) {
  OutputCapture capture;
  EXPECT_EQ(ComplexToInt(4.00000001, 0), 4);
  EXPECT_EQ(capture.diagnostics, "");
  EXPECT_EQ(ComplexToInt(4, 0.5), 2147483647);
  EXPECT_TRUE(contains(capture.diagnostics, "Integer conversion problem for ("));
  capture.clear();
  EXPECT_EQ(ComplexToInt(4.5, 0), 2147483647);
  EXPECT_TRUE(contains(capture.diagnostics, "Integer conversion problem for ("));
}

TEST_F(MathUtilityTest, IntegerPartWarnsOnHalves) {
  OutputCapture capture;
  EXPECT_EQ(IntegerPart(2.3), 2);
  EXPECT_EQ(capture.diagnostics, "");
  EXPECT_EQ(IntegerPart(2.5), 3);
  EXPECT_TRUE(contains(capture.diagnostics, "Integer part ambiguous for"));
}

TEST_F(MathUtilityTest, FractionalParts) {
  EXPECT_NEAR(DoubleToFrac(-2.3), 0.7, 1e-12);
  EXPECT_EQ(DoubleToFrac(-2.0), 0.0);
  EXPECT_EQ(DoubleToFrac(2.25), 0.25);
  EXPECT_EQ(DoubleToFrac(0.0), 0.0);
}

TEST_F(MathUtilityTest, CommonDenominatorOfAVector) {
  double x[] = {0.5, 1.0 / 3};
  int out[2] = {-1, -1};
  EXPECT_EQ(convertVectorToIntegers(2, x, out, 10), 1);
  EXPECT_EQ(out[0], 3);  // 6 * 1/2
  EXPECT_EQ(out[1], 2);  // 6 * 1/3
  double y[] = {0.5, 1.0 / 11};
  int untouched[2] = {-1, -1};
  EXPECT_EQ(convertVectorToIntegers(2, y, untouched, 10), 0);
  EXPECT_EQ(untouched[0], -1);
  EXPECT_EQ(untouched[1], -1);
  EXPECT_EQ(convertVectorToIntegers(0, y, untouched, 0), 1);
  EXPECT_EQ(convertVectorToIntegers(2, x, untouched, 0), 0);
  double z[] = {-0.25, 2.0, 0.1};
  int out3[3] = {};
  EXPECT_EQ(convertVectorToIntegers(3, z, out3, 20), 1);
  EXPECT_EQ(out3[0], -5);  // lcm(4, 1, 10) = 20
  EXPECT_EQ(out3[1], 40);
  EXPECT_EQ(out3[2], 2);
}

TEST_F(MathUtilityTest, DoubleToRatWithExpectedDenominator) {
  OutputCapture capture;
  Rat q = DoubleToRat(6, 0.5);
  EXPECT_EQ(q.num, 1);
  EXPECT_EQ(q.den, 2);
  EXPECT_EQ(capture.diagnostics, "");
  q = DoubleToRat(3, 0.25);  // retried: k = 4, 3/12 reduced
  EXPECT_TRUE(contains(capture.diagnostics, "Rat conversion problem; re-trying"));
  EXPECT_EQ(q.num, 1);
  EXPECT_EQ(q.den, 4);
  capture.clear();
  q = DoubleToRat(1, std::sqrt(2.0));
  EXPECT_TRUE(contains(capture.diagnostics, "Failed to convert"));
  EXPECT_TRUE(contains(capture.diagnostics, "to rational; returning 0"));
  EXPECT_EQ(q.num, 0);
  EXPECT_EQ(q.den, 1);
  q = DoubleToRat(4, -0.75);
  EXPECT_EQ(q.num, -3);
  EXPECT_EQ(q.den, 4);
}

TEST_F(MathUtilityTest, DoubleToRatWithSmallestDenominator) {
  OutputCapture capture;
  Rat q = doubleToRat(0.75);
  EXPECT_EQ(q.num, 3);
  EXPECT_EQ(q.den, 4);
  q = doubleToRat(-0.5);
  EXPECT_EQ(q.num, -1);
  EXPECT_EQ(q.den, 2);
  q = doubleToRat(1e-9);
  EXPECT_EQ(q.num, 0);
  EXPECT_EQ(q.den, 1);
  q = doubleToRat(1.0 / 143);
  EXPECT_EQ(q.num, 1);
  EXPECT_EQ(q.den, 143);
  q = doubleToRat(-7.0 / 144);
  EXPECT_EQ(q.num, -7);
  EXPECT_EQ(q.den, 144);
  EXPECT_EQ(capture.diagnostics, "");
  q = doubleToRat(1.0 / 145);
  EXPECT_TRUE(contains(capture.diagnostics, "could not be converted to rational"));
  EXPECT_EQ(q.num, 0);
}

TEST_F(MathUtilityTest, RationalDenominatorsAndDotProducts) {
  EXPECT_EQ(determineRationalDenominator(10, 0.25), 4);
  EXPECT_EQ(determineRationalDenominator(10, 0.5), 2);
  EXPECT_EQ(determineRationalDenominator(10, 3.0), 2);  // k starts at 2
  EXPECT_EQ(determineRationalDenominator(10, 1.0 / 11), -1);
  EXPECT_EQ(determineRationalDenominator(1, 0.5), -1);
  double x[] = {1, 2};
  double y[] = {0.5, 1.0 / 3};
  Rat q{9, 9};
  EXPECT_EQ(RationalDotProduct(x, y, 2, &q, 10), 1);  // 1/2 + 2/3 = 7/6
  EXPECT_EQ(q.num, 7);
  EXPECT_EQ(q.den, 6);
  EXPECT_EQ(RationalDotProduct(x, y, 2, &q, 5), 0);
  EXPECT_EQ(q.num, 7);
}

TEST_F(MathUtilityTest, IntegralityClassification) {
  int a = 0, b = 0, c = 0, d = 0, e = 0;
  EXPECT_EQ(determineIntegrality(100, &a, &b, &c, &d, &e, 4.0000000001), 0);
  EXPECT_EQ(a, 4);
  EXPECT_EQ(determineIntegrality(100, &a, &b, &c, &d, &e, -0.375), 1);
  EXPECT_EQ(a, -3);
  EXPECT_EQ(b, 8);
  // The golden ratio (1 + sqrt 5)/2.
  EXPECT_EQ(determineIntegrality(100, &a, &b, &c, &d, &e, (1 + std::sqrt(5.0)) / 2), 3);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(c, 1);
  EXPECT_EQ(d, 2);
  EXPECT_EQ(e, 5);
  // -sqrt 2 = 0/1 + (-1/1) sqrt 2.
  EXPECT_EQ(determineIntegrality(100, &a, &b, &c, &d, &e, -std::sqrt(2.0)), 3);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 1);
  EXPECT_EQ(c, -1);
  EXPECT_EQ(d, 1);
  EXPECT_EQ(e, 2);
}

TEST_F(MathUtilityTest, RecognisedIrrationalsReproduceTheirValue) {
  // (p + q sqrt r)/s for small p, q, r, s: whatever form is found must give x back.
  const int radicands[] = {2, 3, 5, 7, 13};
  for (int r : radicands) {
    for (int p = -3; p <= 3; ++p) {
      for (int q = 1; q <= 2; ++q) {
        for (int s = 1; s <= 4; ++s) {
          double x = (p + q * std::sqrt(static_cast<double>(r))) / s;
          int a = 0, b = 0, c = 0, d = 0, e = 0;
          ASSERT_EQ(recognizeIrrationals(200, 200, 50, &a, &b, &c, &d, &e, x), 1) << x;
          ASSERT_GT(b, 0);
          ASSERT_GT(d, 0);
          ASSERT_NEAR(static_cast<double>(a) / b + static_cast<double>(c) / d * std::sqrt(e), x,
                      1e-7);
        }
      }
    }
  }
}

// --- Complex numbers -------------------------------------------------------------------------

TEST_F(MathUtilityTest, ComplexArithmetic) {
  double re = 0, im = 0;
  complexProduct(&re, &im, 1, 2, 3, 4);  // (1 + 2i)(3 + 4i) = -5 + 10i
  EXPECT_DOUBLE_EQ(re, -5);
  EXPECT_DOUBLE_EQ(im, 10);
  complexRatio(&re, &im, -5, 10, 3, 4);
  EXPECT_DOUBLE_EQ(re, 1);
  EXPECT_DOUBLE_EQ(im, 2);
  EXPECT_DOUBLE_EQ(absC(3, 4), 5);
  EXPECT_DOUBLE_EQ(compareC(1, 1, 4, 5), 5);
  complexImExp(&re, &im, kPi / 2, std::log(2.0));  // e^{-ln 2} i
  EXPECT_NEAR(re, 0, 1e-15);
  EXPECT_NEAR(im, 0.5, 1e-15);
  complexExp(&re, &im, std::log(3.0), kPi);
  EXPECT_NEAR(re, -3, 1e-14);
  EXPECT_NEAR(im, 0, 1e-14);
  re = 1, im = 0;
  multiplyWithPhase(1, 4, &re, &im);
  EXPECT_NEAR(re, 0, 1e-15);
  EXPECT_NEAR(im, 1, 1e-15);
  // Aliasing: the outputs may be the inputs.
  re = 1, im = 2;
  complexProduct(&re, &im, re, im, re, im);  // (1 + 2i)^2 = -3 + 4i
  EXPECT_DOUBLE_EQ(re, -3);
  EXPECT_DOUBLE_EQ(im, 4);
}

TEST_F(MathUtilityTest, PowersOfI) {
  double re = 2, im = 3;
  multiplyWithPowerOfI(-1, &re, &im);  // (2 + 3i)(-i) = 3 - 2i
  EXPECT_EQ(re, 3);
  EXPECT_EQ(im, -2);
  multiplyWithPowerOfI(5, &re, &im);  // times i: 2 + 3i
  EXPECT_EQ(re, 2);
  EXPECT_EQ(im, 3);
  multiplyWithPowerOfI(2, &re, &im);
  EXPECT_EQ(re, -2);
  EXPECT_EQ(im, -3);
  multiplyWithPowerOfI(-4, &re, &im);
  EXPECT_EQ(re, -2);
  EXPECT_EQ(im, -3);
}

TEST_F(MathUtilityTest, PhasesLieInTheHalfOpenCircle) {
  EXPECT_DOUBLE_EQ(getPhase(0, -1), 3 * kPi / 2);
  EXPECT_DOUBLE_EQ(getPhase(-1, 0), kPi);
  EXPECT_DOUBLE_EQ(getPhase(1, 0), 0);
  EXPECT_DOUBLE_EQ(getPhase(0, 1), kPi / 2);
  EXPECT_NEAR(getPhase(1, 1), kPi / 4, 1e-15);
  EXPECT_NEAR(getPhase(-1, -1), 5 * kPi / 4, 1e-15);
  EXPECT_NEAR(getPhase(1, -1), 7 * kPi / 4, 1e-15);
  OutputCapture capture;
  EXPECT_NEAR(getPhaseTEST(0, 1), kPi / 2, 1e-15);
  EXPECT_EQ(capture.all, "");
  getPhaseTEST(0, 2);  // not on the unit circle
  EXPECT_TRUE(contains(capture.stdoutText, "**** ("));
}

TEST_F(MathUtilityTest, PrincipalSquareRoots) {
  double re = 0, im = 0;
  complexSquareRoot(&re, &im, -4, 0);
  EXPECT_EQ(re, 0);
  EXPECT_NEAR(im, 2, 1e-15);
  complexSquareRoot(&re, &im, 4, 0);
  EXPECT_EQ(re, 2);
  EXPECT_EQ(im, 0);
  complexSquareRoot(&re, &im, 0, -2);
  EXPECT_NEAR(re, 1, 1e-15);
  EXPECT_NEAR(im, -1, 1e-15);
  std::mt19937 rng(99);
  std::uniform_real_distribution<double> dist(-10, 10);
  for (int trial = 0; trial < 1000; ++trial) {
    double a = dist(rng), b = dist(rng);
    complexSquareRoot(&re, &im, a, b);
    ASSERT_TRUE(re > 0 || (re == 0 && im >= 0));
    ASSERT_NEAR(re * re - im * im, a, 1e-9);
    ASSERT_NEAR(2 * re * im, b, 1e-9);
  }
}

// --- Random numbers --------------------------------------------------------------------------

TEST_F(MathUtilityTest, RandomNumbersStayInRange) {
  std::vector<int> seen(7, 0);
  for (int i = 0; i < 3000; ++i) {
    double u = dRandom();
    ASSERT_GE(u, 0.0);
    ASSERT_LE(u, 1.0);
    int r = randomNumber(7);
    ASSERT_GE(r, 0);
    ASSERT_LT(r, 7);
    ++seen[r];
  }
  for (int count : seen) EXPECT_GT(count, 0);  // each value has probability 1/7
  EXPECT_EQ(randomNumber(1), 0);
  EXPECT_EQ(randomNumber(0), 0);
  EXPECT_EQ(randomNumber(-5), 0);
}

TEST_F(MathUtilityTest, RandomVariationsStayInRange) {
  int zeros = 0;
  for (int i = 0; i < 4000; ++i) {
    int v = randomNumberVariation2(5);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 5);
    if (v == 0) ++zeros;
    int w = PrimePowerRandomNumber(3, 2);
    ASSERT_GE(w, 0);
    ASSERT_LT(w, 9);
    int x = randomNumberVariation(8);
    ASSERT_GE(x, 0);
    ASSERT_LT(x, 8);
    int y = randomNumberVariation(12);
    ASSERT_GE(y, 0);
    ASSERT_LT(y, 12);
  }
  // Zero has probability 1/2 + 1/10 = 0.6: 2400 expected, far from both bounds.
  EXPECT_GT(zeros, 2000);
  EXPECT_LT(zeros, 2800);
  EXPECT_EQ(PrimePowerRandomNumber(3, 0), 0);
  EXPECT_EQ(randomNumberVariation(1), 0);
}

}  // namespace
