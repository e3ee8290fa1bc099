// Small rationals, number theory, tolerant conversions, complex and random numbers.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "numbers/MathUtility.h"
#include "NumberTestSupport.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

using MathUtilityTest = NumberTest;

// The raw fields as "num/den".
std::string text(const Rat& q) {
  return std::to_string(q.num) + "/" + std::to_string(q.den);
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

// --- Remainders and divisors ------------------------------------------------------------

TEST_F(MathUtilityTest, RemaindersAndDivisorsOfKnownValues) {
  struct {
    long long x, m;
    int r;
  } mods[] = {{-7, 3, 2}, {7, 3, 1}, {-6, 3, 0}, {123456789, 1, 0}, {-5, 1, 0}};
  for (auto c : mods) EXPECT_EQ(mod(c.x, c.m), c.r) << c.x << " mod " << c.m;
  EXPECT_EQ(Modulo(5, -1), 5);
  EXPECT_EQ(Modulo(-5, 3), 1);
  EXPECT_EQ(longmod(-10000000000LL, 7), 3);  // 10^10 = 3^10 = 4 (mod 7)
  struct {
    long long a, b;
    int g;
  } gcds[] = {{0, 0, 0}, {0, -6, 6}, {1, 0, 1}, {-12, 18, 6}, {-1, 1000, 1}};
  for (auto c : gcds) EXPECT_EQ(GCD(c.a, c.b), c.g) << c.a << "," << c.b;
  EXPECT_EQ(GCD_LONG(600000000000LL, 400000000000LL), 200000000000LL);
  EXPECT_EQ(SCM(0, 5), 1);
  EXPECT_EQ(SCM(-4, 6), 12);
  int p = 0, q = 0;
  EXPECT_EQ(makeRegularRational(6, -4, &p, &q), 2);
  EXPECT_EQ(std::to_string(p) + "/" + std::to_string(q), "-3/2");
  EXPECT_EQ(makeRegularRational(0, 0, &p, &q), 0);  // no division by zero
  EXPECT_TRUE(silent());
}

TEST_F(MathUtilityTest, RemaindersAndDivisorsAgreeWithOracles) {
  std::mt19937_64 rng(20240601);
  for (int trial = 0; trial < 20000; ++trial) {
    long long x = static_cast<long long>(rng());
    long long m = static_cast<long long>(rng() % 2000000000ULL) + 1;
    __int128 r = static_cast<__int128>(x) % m;  // floor remainder in 128 bits
    if (r < 0) r += m;
    ASSERT_EQ(longmod(x, m), static_cast<long long>(r)) << x << " mod " << m;
    ASSERT_EQ(mod(x, m), static_cast<int>(r)) << x << " mod " << m;
    int a = static_cast<int>(rng() % 200001) - 100000,
        b = static_cast<int>(rng() % 200001) - 100000;
    ASSERT_EQ(GCD(a, b), std::gcd(a, b)) << a << "," << b;
    if (a != 0 && b != 0) {
      ASSERT_EQ(SCM(a, b), std::lcm(static_cast<long long>(a), b));
    }
  }
}

TEST_F(MathUtilityTest, ResultsBeyondTheirTypeAreReportedNotWrapped) {
  EXPECT_EQ(mod(5000000000LL, 6000000000LL), INT_MAX);
  EXPECT_TRUE(alerted("Integer overflow in conversion of 5000000000"));
  EXPECT_EQ(longmod(5000000000LL, 6000000000LL), 5000000000LL);
  EXPECT_EQ(GCD(6000000000LL, 0), INT_MAX);
  EXPECT_TRUE(alerted("Integer overflow in conversion of 6000000000"));
  EXPECT_EQ(SCM(1LL << 40, 2541865828329LL), LLONG_MAX);  // 2^40 3^26 > 2^63
  EXPECT_TRUE(alerted("Integer overflow"));
  EXPECT_EQ(mod(5, 0), 0);
  EXPECT_EQ(longmod(5, 0) + Modulo(5, 0), 0);
  EXPECT_TRUE(alerted("Zero modulus"));
  EXPECT_EQ(mod(LLONG_MIN, -1), 0);  // the one 64-bit quotient that overflows
}

TEST_F(MathUtilityTest, IntegerDivisionHelpers) {
  EXPECT_EQ(intdivide(12, 4), 3);
  EXPECT_EQ(divTwo(8, 1), 4);
  EXPECT_TRUE(silent());
  EXPECT_EQ(intdivide(12, 0), 0);
  EXPECT_TRUE(alerted("Zero denominator in division"));
  EXPECT_EQ(intdivide(12, 5), 0);
  EXPECT_TRUE(alerted("5 does not divide 12"));
  EXPECT_EQ(divTwo(7, 3), 3);
  EXPECT_TRUE(alerted("Not divisible by 2: 7 (variable nr 3)\n"));
  EXPECT_EQ(HalfEntier(-7) + sign_(-4) + sign_(0) + SignPow(-3) + SignPow(4), -3 - 1 + 0 - 1 + 1);
  EXPECT_EQ(MaxVal(3, -2) * 10 + MinVal(3, -2), 28);
}

// --- Rationals ----------------------------------------------------------------------------

TEST_F(MathUtilityTest, CanonicalFormAndText) {
  struct {
    Rat in;
    const char* out;
  } cases[] = {
      {{0, -5}, "0/1"}, {{6, -4}, "-3/2"}, {{-6, -4}, "3/2"}, {{LLONG_MIN, LLONG_MIN}, "1/1"}};
  for (auto c : cases) EXPECT_EQ(text(*simplifyRat(&c.in)), c.out);
  Rat three{3, 1}, half{-3, 2};
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
    Rat a{draw(range), 0}, b{draw(range), 0};
    while (a.den == 0) a.den = draw(range);
    while (b.den == 0) b.den = draw(range);
    simplifyRat(&a);
    simplifyRat(&b);
    Rat results[3];
    addRat(&a, &b, &results[0]);
    subtractRat(&a, &b, &results[1]);
    multiplyRat(&a, &b, &results[2]);
    __int128 an = a.num, ad = a.den, bn = b.num, bd = b.den;
    __int128 expected[3][2] = {
        {an * bd + bn * ad, ad * bd}, {an * bd - bn * ad, ad * bd}, {an * bn, ad * bd}};
    for (int k = 0; k < 3; ++k) {
      const Rat& q = results[k];
      ASSERT_GT(q.den, 0);
      ASSERT_EQ(std::gcd(q.num, q.den), 1) << text(q);
      // Equal values by cross-multiplication.
      ASSERT_TRUE(static_cast<__int128>(q.num) * expected[k][1] == expected[k][0] * q.den)
          << text(q);
    }
  }
}

TEST_F(MathUtilityTest, ResultMayAliasAnOperand) {
  Rat a{1, 6};
  EXPECT_EQ(text(*addRat(&a, &a, &a)), "1/3");
  EXPECT_EQ(text(*multiplyRat(&a, &a, &a)), "1/9");
  EXPECT_EQ(text(*subtractRat(&a, &a, &a)), "0/1");
  Rat zero{0, 1}, broken{5, 0}, prod{9, 9};
  EXPECT_EQ(text(*multiplyRat(&zero, &broken, &prod)), "0/1");  // the zero factor decides alone
}

TEST_F(MathUtilityTest, ExactResultsSurviveIntermediateOverflow) {
  Rat a{1LL << 62, 3}, diff;
  EXPECT_EQ(text(*subtractRat(&a, &a, &diff)), "0/1");  // cross products beyond 64 bits
  // 1/(2^40 3) + 1/(2^40 5) = 1/(2^37 15): the unreduced denominator exceeds 2^63.
  Rat x{1, (1LL << 40) * 3}, y{1, (1LL << 40) * 5}, sum;
  addRat(&x, &y, &sum);
  EXPECT_EQ(text(sum), "1/" + std::to_string((1LL << 37) * 15));
  EXPECT_TRUE(silent());
}

TEST_F(MathUtilityTest, OverflowingResultIsReportedNotWrapped) {
  Rat big{LLONG_MAX, 1}, one{1, 1}, result;
  EXPECT_EQ(text(*addRat(&big, &one, &result)), "0/1");
  EXPECT_TRUE(alerted("Integer overflow in rational arithmetic"));
  // 1/p - 1/q and 1/p^2 for primes p, q near 2^40: reduced denominators beyond 2^63.
  Rat p{1, 1099511627689LL}, q{1, 1099511627791LL};
  subtractRat(&p, &q, &result);
  EXPECT_TRUE(alerted("Integer overflow in rational arithmetic"));
  multiplyRat(&p, &p, &result);
  EXPECT_TRUE(alerted("Integer overflow in rational arithmetic"));
}

TEST_F(MathUtilityTest, ConstructionFractionalPartsAndIntegrality) {
  Rat q;
  EXPECT_EQ(torat2(6, -4, &q), 2);
  EXPECT_EQ(text(q), "3/-2");  // the sign stays where it was
  torat(-7, &q);
  EXPECT_EQ(text(q), "-7/1");
  struct {
    Rat in;
    const char* frac;
  } fracs[] = {{{-1, 3}, "2/3"}, {{5, 1}, "0/1"}, {{7, 2}, "1/2"}};
  for (auto c : fracs) EXPECT_EQ(text(*RatToFrac(&c.in)), c.frac);
  Rat copy, twoThirds{2, 3};
  copyRat(&copy, &twoThirds);
  EXPECT_EQ(text(copy), "2/3");
  EXPECT_EQ(text(*setzero(&copy)), "0/1");
  Rat other{3, 4};
  nullifyRat(&other);
  EXPECT_EQ(text(other), "0/1");
  // intcheck: 0 for integers; halfintcheck: 0 integer, 1 half-integer, 2 otherwise.
  struct {
    Rat q;
    int integer, half;
  } checks[] = {
      {{4, 1}, 0, 0}, {{8, 2}, 0, 0}, {{3, 2}, 1, 1},
      {{6, 4}, 1, 1}, {{1, 3}, 1, 2},  // 3 / 2 truncates to the gcd 1, yet 1/3 is no half-integer
  };
  for (auto c : checks) {
    EXPECT_EQ(intcheck(&c.q), c.integer) << text(c.q);
    EXPECT_EQ(halfintcheck(&c.q), c.half) << text(c.q);
  }
}

// --- Primes and factorisations -----------------------------------------------------------

TEST_F(MathUtilityTest, PrimeTableAgreesWithTheSieve) {
  EXPECT_EQ(prime(-1), 1);
  EXPECT_EQ(prime(100), 547);  // the 101st prime, past the first capacity of 100 entries
  std::vector<int> sieve = sievePrimes(50000);
  for (std::size_t i = 0; i < sieve.size(); ++i) ASSERT_EQ(prime(static_cast<int>(i)), sieve[i]);
  resetAll();  // asked in another order after a reset, the table grows the same way
  EXPECT_EQ(prime(static_cast<int>(sieve.size()) - 1), sieve.back());
  EXPECT_EQ(prime(4), 11);
}

TEST_F(MathUtilityTest, PrimeTestGivesTheSmallestFactor) {
  for (int n : {-9, 0, 1, 2, 3}) EXPECT_EQ(primetest(n), 0) << n;
  EXPECT_EQ(primetest(1022117), 1009);  // 1009 * 1013
  std::vector<int> smallest(5000, 0);   // smallest prime factor by the sieve
  for (int p : sievePrimes(5000)) {
    for (int m = p; m < 5000; m += p) {
      if (smallest[m] == 0) smallest[m] = p;
    }
  }
  for (int n = 4; n < 5000; ++n) ASSERT_EQ(primetest(n), smallest[n] == n ? 0 : smallest[n]) << n;
}

TEST_F(MathUtilityTest, PrimeIndexLookup) {
  EXPECT_EQ(getPrimeIndex(2), 0);
  EXPECT_EQ(getPrimeIndex(13), 5);
  EXPECT_EQ(getPrimeIndex(7919), 999);  // the 1000th prime
  EXPECT_TRUE(silent());
  EXPECT_EQ(getPrimeIndex(7927), 1000);
  EXPECT_TRUE(alerted("Tested 1000 primes; input 7927; overflow?"));
  EXPECT_EQ(getPrimeIndex(12), -1);  // ends instead of counting for ever
  EXPECT_TRUE(alerted("12 is not a prime"));
}

TEST_F(MathUtilityTest, PrimeDecompositions) {
  // 146 = 2 * 73 on the very first call: 73 is prime(20), beyond the first 20 entries.
  std::vector<int> expected(22, 0);
  expected[0] = expected[20] = 1;
  expected[21] = -1;
  EXPECT_EQ(PrimeDecomposition(146), expected);
  EXPECT_EQ(PrimeDecomposition(-12), (std::vector<int>{2, 1, -1}));
  EXPECT_EQ(PrimeDecomposition(1), (std::vector<int>{0, -1}));
  EXPECT_TRUE(PrimeDecomposition(0).empty());
  EXPECT_EQ(MaximalPrimeFactor(146), 73);
  EXPECT_EQ(MaximalPrimeFactor(-1024), 2);
  EXPECT_EQ(MaximalPrimeFactor(0), 0);
  for (int n = 2; n <= 3000; ++n) {
    std::vector<int> e = PrimeDecomposition(n);
    ASSERT_EQ(e.back(), -1);
    ASSERT_GT(e[e.size() - 2], 0) << n;  // the entry before -1 is the largest factor's
    long long product = 1;
    for (std::size_t i = 0; i + 1 < e.size(); ++i) {
      for (int k = 0; k < e[i]; ++k) product *= prime(static_cast<int>(i));
    }
    ASSERT_EQ(product, n);
  }
}

TEST_F(MathUtilityTest, PrimePowersAndInverses) {
  struct {
    int n, index, e;
  } powers[] = {{8, 0, 3}, {9, 1, 2}, {12, -2, 2}, {13, 5, 1}, {1024, 0, 10}, {7919, 999, 1}};
  for (auto c : powers) {
    int e = 99;
    EXPECT_EQ(SinglePrimePowerRepresentation(c.n, &e), c.index) << c.n;
    EXPECT_EQ(e, c.e) << c.n;  // for 12, the exponent of the smallest prime factor
    EXPECT_EQ(SinglePrimePower(c.n), c.index);
  }
  int e = 99;
  EXPECT_EQ(SinglePrimePowerRepresentation(1, &e), -1);
  EXPECT_EQ(e, 99);
  struct {
    int n, p, power;
  } logs[] = {{8, 2, 3}, {7, 2, 2}, {1, 3, 0}, {0, 3, 0}, {80, 3, 3}, {81, 3, 4}};
  for (auto c : logs) EXPECT_EQ(MaxPrimePower(c.n, c.p), c.power) << c.n << " " << c.p;
  struct {
    int a, n, inverse;
  } inverses[] = {{3, 7, 5}, {-1, 5, 4}, {1, 1, 1}, {4, 9, 7}};
  for (auto c : inverses) EXPECT_EQ(PrimeInverse(c.a, c.n), c.inverse);  // a inverse = 1 mod n
  EXPECT_EQ(InverseModuloInteger(5, 1) * 10 + InverseModuloInteger(0, 1), 10);
  EXPECT_EQ(InverseModuloInteger(2, 4), 0);
  EXPECT_TRUE(silent());
  EXPECT_EQ(PrimeInverse(2, 4), 0);
  EXPECT_TRUE(alerted("2 is not invertable with respect to 4"));
  EXPECT_EQ(PrimeInverse(2, 0), 0);
  EXPECT_TRUE(alerted("2 is not invertable with respect to 0"));
}

TEST_F(MathUtilityTest, CyclicGroupOrderStatistics) {
  // Z(27): 1 element of order 1, 2 of order 3, 6 of order 9, 18 of order 27.
  EXPECT_EQ(CyclicElementsWithOrder(3, 3), (std::vector<int>{1, 2, 6, 18}));
  EXPECT_EQ(CyclicElementsWithOrder(5, 0), (std::vector<int>{1}));
  // G = Z(p^e) x H from the counts of elements of each order: |H|, H's counts, H's exponent.
  struct Case {
    int p, e, N;
    std::vector<int> count;
    int nrest;
    std::vector<int> rest;
    int result;
  };
  const Case cases[] = {
      {2, 2, 8, {1, 3, 4}, 2, {1, 1, 0}, 1},     // Z(4) x Z(2)
      {2, 2, 4, {1, 1, 2}, 1, {1, 0, 0}, -1},    // Z(4): trivial complement
      {3, 2, 81, {1, 26, 54}, 9, {1, 8, 0}, 1},  // Z(9) x Z(3) x Z(3)
      {2, 1, 8, {1, 7}, 4, {1, 3}, 1},           // Z(2)^3
      {2, 0, 5, {1}, 5, {1}, -1},                // exponent 0: only the order is divided
  };
  for (const Case& c : cases) {
    int nrest = 0;
    std::vector<int> rest(c.count.size(), -9);
    EXPECT_EQ(removeCyclicFactor(c.p, c.e, c.N, &nrest, c.count.data(), rest.data()), c.result);
    EXPECT_EQ(nrest, c.nrest);
    EXPECT_EQ(rest, c.rest);
  }
}

// --- Combinatorics and powers --------------------------------------------------------------

TEST_F(MathUtilityTest, BinomialsMatchPascalsTriangle) {
  std::vector<std::vector<long long>> pascal(31, std::vector<long long>(31, 0));
  for (int n = 0; n <= 30; ++n) {
    pascal[n][0] = 1;
    for (int k = 1; k <= n; ++k) pascal[n][k] = pascal[n - 1][k - 1] + pascal[n - 1][k];
    for (int k = 0; k <= n; ++k) {
      ASSERT_EQ(binomial(n, k), pascal[n][k]) << n << " " << k;
      ASSERT_EQ(binomialD(n, k), static_cast<double>(pascal[n][k]));
    }
  }
  EXPECT_EQ(binomial(52, 5), 2598960);
  EXPECT_DOUBLE_EQ(binomialD(60, 30), 118264581564861424.0);
  EXPECT_TRUE(silent());
}

TEST_F(MathUtilityTest, PowersAndFactorialsReportOverflow) {
  EXPECT_EQ(factorial(0) + factorial(-3), 2);
  EXPECT_EQ(factorial(12), 479001600);
  EXPECT_EQ(twopow(31), 2147483648u);
  EXPECT_EQ(intpow(-2, 3), -8);
  EXPECT_EQ(intpow(7, 0), 1);
  EXPECT_EQ(intpow(-2, 31), INT_MIN);  // exactly -2^31
  EXPECT_EQ(intpow(10, 9), 1000000000);
  EXPECT_TRUE(silent());
  EXPECT_EQ(factorial(13), 2147483647);  // 13! = 6227020800 > 2^31 - 1
  EXPECT_TRUE(alerted("Integer overflow"));
  EXPECT_EQ(twopow(32), 0u);
  EXPECT_TRUE(alerted("Overflow in exponentiation"));
  EXPECT_EQ(intpow(2, 31), INT_MAX);
  EXPECT_TRUE(alerted("Overflow in exponentiation"));
  EXPECT_EQ(twopow(-1), 1u);
  EXPECT_TRUE(alerted("Negative power"));
  EXPECT_EQ(intpow(2, -1), 1);
  EXPECT_TRUE(alerted("Negative power"));
}

TEST_F(MathUtilityTest, SquareRootsAndDigits) {
  EXPECT_EQ(isqrt(49), 7);
  EXPECT_EQ(isqrt(2147395600), 46340);
  EXPECT_TRUE(silent());
  EXPECT_EQ(isqrt(50), 7);
  EXPECT_TRUE(alerted("Square root of 50 is not integer"));
  EXPECT_EQ(isqrt(-4), -1);
  EXPECT_TRUE(alerted("Negative square root argument"));
  struct {
    int n, digits;
  } cases[] = {{0, 1}, {9, 1}, {10, 2}, {-12345, 5}, {INT_MIN, 10}};
  for (auto c : cases) EXPECT_EQ(Ndigit(c.n), c.digits) << c.n;
}

TEST_F(MathUtilityTest, OptimalRootIsAnNthRoot) {
  Rat out;
  struct {
    long long a, b;
    int N;
    const char* root;
  } cases[] = {
      {0, 5, 4, "0/1"},
      {1, 2, 3, "1/2"},  // (1/2 + 1)/3: gcd(1 + 1*2, 3) = 3
      {1, 3, 2, "2/3"},  // (1/3 + 1)/2 = 4/6 reduced by gcd(4, 2)
      {1, 2, 2, "1/4"},  // 1 + 2 is odd: k = 0 and (1/2)/2
  };
  for (auto c : cases) {
    long long q[2] = {c.a, c.b};
    optimalRoot(q, &out, c.N);
    EXPECT_EQ(text(out), c.root);
  }
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
  struct {
    double x;
    int zero, integer, zeroModOne;
  } reals[] = {
      {1e-7, 1, 1, 1},        {-1e-7, 1, 1, 1}, {1.1e-7, 0, 0, 0}, {2.00000005, 0, 1, 1},
      {-2.99999995, 0, 1, 1}, {2.5, 0, 0, 0},   {3e10, 0, 1, 1},   {-3.00000001, 0, 1, 1},
  };
  for (auto c : reals) {
    EXPECT_EQ(ZeroCheck(c.x), c.zero) << c.x;
    EXPECT_EQ(IntCheck(c.x), c.integer) << c.x;
    EXPECT_EQ(ZeroModOneCheck(c.x), c.zeroModOne) << c.x;
  }
  EXPECT_EQ(CZeroCheck(6e-8, 6e-8), 0);  // the absolute values are added
  EXPECT_EQ(CZeroCheck(4e-8, -4e-8), 1);
  struct {
    double re, im;
    int positive;
  } complexes[] = {{1, -5, 1}, {-1, 5, 0}, {0, -1, 0}, {5e-8, -5e-8, 1}, {0, 0, 1}};
  for (auto c : complexes) EXPECT_EQ(CposCheck(c.re, c.im), c.positive) << c.re << "," << c.im;
  EXPECT_EQ(absD(-2.5) + absDlong(-2.5), 5.0);
  EXPECT_EQ(doubleCompare(1.0, 1.05, 0.1), 0);
  EXPECT_EQ(capture.all, "");
  EXPECT_EQ(doubleCompare(1.0, 2.0, 0.1), 1);
  EXPECT_NE(capture.stdoutText.find("Deviation: "), std::string::npos);
}

TEST_F(MathUtilityTest, RoundingToIntegers) {
  EXPECT_EQ(DoubleToInt(2.0000000001), 2);
  EXPECT_EQ(DoubleToInt(-7.00000001), -7);
  EXPECT_EQ(ComplexToInt(4.00000001, 0), 4);
  EXPECT_EQ(IntegerPart(2.3), 2);
  EXPECT_TRUE(silent());
  // Halves round away from zero, with the conversion message.
  EXPECT_EQ(DoubleToInt(2.5), 3);
  EXPECT_TRUE(alerted("Integer conversion problem for"));
  EXPECT_EQ(DoubleToInt(-2.5), -3);
  EXPECT_TRUE(alerted("Integer conversion problem for"));
  // Outside the int range the result saturates instead of being undefined.
  EXPECT_EQ(DoubleToInt(1e12), INT_MAX);
  EXPECT_TRUE(alerted("Integer conversion problem for"));
  EXPECT_EQ(DoubleToInt(-1e12), INT_MIN);
  EXPECT_TRUE(alerted("Integer conversion problem for"));
  EXPECT_EQ(ComplexToInt(4, 0.5), 2147483647);
  EXPECT_TRUE(alerted("Integer conversion problem for ("));
  EXPECT_EQ(ComplexToInt(4.5, 0), 2147483647);
  EXPECT_TRUE(alerted("Integer conversion problem for ("));
  EXPECT_EQ(IntegerPart(2.5), 3);
  EXPECT_TRUE(alerted("Integer part ambiguous for"));
}

TEST_F(MathUtilityTest, SilentIntegerConversions) {
  int i = 0;
  EXPECT_EQ(DoubleToInteger(&i, 4.99999999), 1);
  EXPECT_EQ(i, 5);
  EXPECT_EQ(
      DoubleToInteger(&i, 4.6) + DoubleToInteger(&i, 1e12) + DoubleToInteger(&i, std::nan("")), 0);
  i = 42;
  EXPECT_EQ(ComplexToInteger(&i, 3, 0.5), 0);
  EXPECT_EQ(i, 42);  // untouched when the imaginary part fails
  EXPECT_EQ(ComplexToInteger(&i, -3.00000001, 1e-9), 1);
  EXPECT_EQ(i, -3);
  EXPECT_NEAR(DoubleToFrac(-2.3), 0.7, 1e-12);
  EXPECT_EQ(DoubleToFrac(-2.0), 0.0);
  EXPECT_EQ(DoubleToFrac(2.25), 0.25);
  EXPECT_TRUE(silent());
}

TEST_F(MathUtilityTest, CommonDenominatorOfAVector) {
  double x[] = {0.5, 1.0 / 3}, y[] = {0.5, 1.0 / 11}, z[] = {-0.25, 2.0, 0.1};
  int out[3] = {-1, -1, -1};
  EXPECT_EQ(convertVectorToIntegers(2, y, out, 10), 0);  // 1/11 needs 11 > 10
  EXPECT_EQ(convertVectorToIntegers(2, x, out, 0), 0);
  EXPECT_EQ(std::vector<int>(out, out + 3), (std::vector<int>{-1, -1, -1}));  // untouched
  EXPECT_EQ(convertVectorToIntegers(0, y, out, 0), 1);
  EXPECT_EQ(convertVectorToIntegers(2, x, out, 10), 1);
  EXPECT_EQ(std::vector<int>(out, out + 2), (std::vector<int>{3, 2}));  // 6 (1/2, 1/3)
  EXPECT_EQ(convertVectorToIntegers(3, z, out, 20), 1);
  EXPECT_EQ(std::vector<int>(out, out + 3), (std::vector<int>{-5, 40, 2}));  // lcm(4, 1, 10) = 20
}

TEST_F(MathUtilityTest, DoublesToRationals) {
  EXPECT_EQ(text(DoubleToRat(6, 0.5)), "1/2");
  EXPECT_EQ(text(DoubleToRat(4, -0.75)), "-3/4");
  struct {
    double x;
    const char* q;
  } smallest[] = {
      {0.75, "3/4"}, {-0.5, "-1/2"}, {1e-9, "0/1"}, {1.0 / 143, "1/143"}, {-7.0 / 144, "-7/144"}};
  for (auto c : smallest) EXPECT_EQ(text(doubleToRat(c.x)), c.q) << c.x;
  EXPECT_TRUE(silent());
  EXPECT_EQ(text(DoubleToRat(3, 0.25)), "1/4");  // retried: k = 4, 3/12 reduced
  EXPECT_TRUE(alerted("Rat conversion problem; re-trying"));
  EXPECT_EQ(text(DoubleToRat(1, std::sqrt(2.0))), "0/1");
  EXPECT_TRUE(alerted("to rational; returning 0"));
  EXPECT_EQ(text(doubleToRat(1.0 / 145)), "0/1");
  EXPECT_TRUE(alerted("could not be converted to rational"));
  struct {
    int maxden;
    double x;
    int k;
  } denominators[] = {{10, 0.25, 4}, {10, 3.0, 2}, {10, 1.0 / 11, -1}, {1, 0.5, -1}};
  for (auto c : denominators) EXPECT_EQ(determineRationalDenominator(c.maxden, c.x), c.k) << c.x;
  double x[] = {1, 2}, y[] = {0.5, 1.0 / 3};
  Rat q{9, 9};
  EXPECT_EQ(RationalDotProduct(x, y, 2, &q, 10), 1);
  EXPECT_EQ(text(q), "7/6");  // 1/2 + 2/3
  EXPECT_EQ(RationalDotProduct(x, y, 2, &q, 5), 0);
  EXPECT_EQ(text(q), "7/6");
}

TEST_F(MathUtilityTest, IntegralityClassification) {
  int v[5] = {};
  EXPECT_EQ(determineIntegrality(100, &v[0], &v[1], &v[2], &v[3], &v[4], 4.0000000001), 0);
  EXPECT_EQ(v[0], 4);
  EXPECT_EQ(determineIntegrality(100, &v[0], &v[1], &v[2], &v[3], &v[4], -0.375), 1);
  EXPECT_EQ(std::vector<int>(v, v + 2), (std::vector<int>{-3, 8}));
  // The golden ratio (1 + sqrt 5)/2, and -sqrt 2 = 0/1 + (-1/1) sqrt 2.
  EXPECT_EQ(determineIntegrality(100, &v[0], &v[1], &v[2], &v[3], &v[4], (1 + std::sqrt(5.0)) / 2),
            3);
  EXPECT_EQ(std::vector<int>(v, v + 5), (std::vector<int>{1, 2, 1, 2, 5}));
  EXPECT_EQ(determineIntegrality(100, &v[0], &v[1], &v[2], &v[3], &v[4], -std::sqrt(2.0)), 3);
  EXPECT_EQ(std::vector<int>(v, v + 5), (std::vector<int>{0, 1, -1, 1, 2}));
  // (p + q sqrt r)/s for small p, q, r, s: whatever form is found must give x back.
  for (int r : {2, 3, 5, 7, 13}) {
    for (int p = -3; p <= 3; ++p) {
      for (int s = 1; s <= 4; ++s) {
        double x = (p + 2 * std::sqrt(static_cast<double>(r))) / s;
        ASSERT_EQ(recognizeIrrationals(200, 200, 50, &v[0], &v[1], &v[2], &v[3], &v[4], x), 1) << x;
        ASSERT_GT(v[1], 0);
        ASSERT_GT(v[3], 0);
        ASSERT_NEAR(
            static_cast<double>(v[0]) / v[1] + static_cast<double>(v[2]) / v[3] * std::sqrt(v[4]),
            x, 1e-7);
      }
    }
  }
}

// --- Complex numbers -------------------------------------------------------------------------

TEST_F(MathUtilityTest, ComplexArithmetic) {
  double re = 0, im = 0;
  complexProduct(&re, &im, 1, 2, 3, 4);  // (1 + 2i)(3 + 4i) = -5 + 10i
  EXPECT_EQ(re, -5);
  EXPECT_EQ(im, 10);
  complexRatio(&re, &im, re, im, 3, 4);  // back, with the outputs aliasing the inputs
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
  // Powers of i on 2 + 3i: -i gives 3 - 2i, then i, i^2 and i^-4 in turn.
  struct {
    int k;
    double re, im;
  } powers[] = {{-1, 3, -2}, {5, 2, 3}, {2, -2, -3}, {-4, -2, -3}};
  re = 2, im = 3;
  for (auto c : powers) {
    multiplyWithPowerOfI(c.k, &re, &im);
    EXPECT_EQ(re, c.re);
    EXPECT_EQ(im, c.im);
  }
}

TEST_F(MathUtilityTest, PhasesAndSquareRoots) {
  struct {
    double re, im, phase;
  } phases[] = {{0, -1, 3 * kPi / 2}, {-1, 0, kPi},          {1, 0, 0},           {0, 1, kPi / 2},
                {1, 1, kPi / 4},      {-1, -1, 5 * kPi / 4}, {1, -1, 7 * kPi / 4}};
  for (auto c : phases) EXPECT_NEAR(getPhase(c.re, c.im), c.phase, 1e-15) << c.re << "," << c.im;
  EXPECT_NEAR(getPhaseTEST(0, 1), kPi / 2, 1e-15);
  EXPECT_EQ(capture.all, "");
  getPhaseTEST(0, 2);  // not on the unit circle
  EXPECT_NE(capture.stdoutText.find("**** ("), std::string::npos);
  struct {
    double a, b, re, im;
  } roots[] = {{-4, 0, 0, 2}, {4, 0, 2, 0}, {0, -2, 1, -1}};
  double re = 0, im = 0;
  for (auto c : roots) {
    complexSquareRoot(&re, &im, c.a, c.b);
    EXPECT_NEAR(re, c.re, 1e-15);
    EXPECT_NEAR(im, c.im, 1e-15);
  }
  std::mt19937 rng(99);
  std::uniform_real_distribution<double> dist(-10, 10);
  for (int trial = 0; trial < 1000; ++trial) {
    double a = dist(rng), b = dist(rng);
    complexSquareRoot(&re, &im, a, b);
    ASSERT_TRUE(re > 0 || (re == 0 && im >= 0));  // the principal root
    ASSERT_NEAR(re * re - im * im, a, 1e-9);
    ASSERT_NEAR(2 * re * im, b, 1e-9);
  }
}

// --- Random numbers --------------------------------------------------------------------------

TEST_F(MathUtilityTest, RandomNumbersStayInRange) {
  std::vector<int> seen(7, 0);
  int zeros = 0;
  for (int i = 0; i < 4000; ++i) {
    double u = dRandom();
    ASSERT_TRUE(u >= 0.0 && u <= 1.0);
    int r = randomNumber(7);
    ASSERT_TRUE(r >= 0 && r < 7);
    ++seen[r];
    int v = randomNumberVariation2(5);
    ASSERT_TRUE(v >= 0 && v < 5);
    if (v == 0) ++zeros;
    int w = PrimePowerRandomNumber(3, 2);
    ASSERT_TRUE(w >= 0 && w < 9);
    int x = randomNumberVariation(8), y = randomNumberVariation(12);
    ASSERT_TRUE(x >= 0 && x < 8 && y >= 0 && y < 12);
  }
  for (int count : seen) EXPECT_GT(count, 0);  // each value has probability 1/7
  // Zero has probability 1/2 + 1/10 = 0.6: 2400 expected, far from both bounds.
  EXPECT_GT(zeros, 2000);
  EXPECT_LT(zeros, 2800);
  EXPECT_EQ(randomNumber(1) + randomNumber(0) + randomNumber(-5), 0);
  EXPECT_EQ(PrimePowerRandomNumber(3, 0) + randomNumberVariation(1), 0);
}

}  // namespace
