// Exact small numbers, number theory, tolerant conversions, complex numbers and the
// number-theoretic variations of random numbers.
//
// State: the prime table (seeded with 2, 3, 5, 7, 11 on first use, grown by trial
// division, never shrunk until resetMathUtility), the capacity mark of the decomposition
// buffer (which raises the "overflow?" note as it grows past 10000 primes). Everything
// else is a plain function of its arguments.
//
// Rational arithmetic forms its intermediate values in 128 bits, reduces them and only
// then narrows to 64 bits, so that every result that fits is exact; one that does not fit
// is reported instead of being wrapped.
#include "numbers/MathUtility.h"

#include <climits>
#include <cstdlib>

#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"

namespace {

using Wide = __int128;
using UWide = unsigned __int128;

struct MathUtilityState {
  std::vector<int> primes;  // primes[0..] = 2, 3, 5, ...; empty until first use
  int nextCandidate = 0;    // next odd number to test
  int decompositionCapacity = 20;
};

MathUtilityState& state() {
  static MathUtilityState s;
  return s;
}

constexpr int kIntMax = INT_MAX;
constexpr int kIntMin = INT_MIN;

// Narrows a 64-bit result to int, reporting a value outside the int range.
int narrowToInt(long long value, const char* routine) {
  if (value > kIntMax || value < kIntMin) {
    Alert(routine, 9, 110413, "Integer overflow in conversion of %lld", value);
    return value > 0 ? kIntMax : kIntMin;
  }
  return static_cast<int>(value);
}

unsigned long long magnitude(long long v) {
  return v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
}

UWide magnitude(Wide v) {
  return v < 0 ? UWide(0) - UWide(v) : UWide(v);
}

// gcd of two magnitudes; |a| + |b| when either is 0.
unsigned long long gcdMagnitude(unsigned long long a, unsigned long long b) {
  if (a == 0 || b == 0) return a + b;
  while (b != 0) {
    unsigned long long r = a % b;
    a = b;
    b = r;
  }
  return a;
}

UWide gcdMagnitude(UWide a, UWide b) {
  if (a == 0 || b == 0) return a + b;
  while (b != 0) {
    // Both fit in 64 bits most of the time: use the cheap division then.
    if ((a >> 64) == 0 && (b >> 64) == 0) {
      return gcdMagnitude(static_cast<unsigned long long>(a), static_cast<unsigned long long>(b));
    }
    UWide r = a % b;
    a = b;
    b = r;
  }
  return a;
}

bool fitsLong(Wide v) {
  return v >= Wide(LLONG_MIN) && v <= Wide(LLONG_MAX);
}

// Stores num/den in *out if both fit in 64 bits, else reports and stores 0.
void storeNarrowed(Wide num, Wide den, Rat* out, const char* routine) {
  if (!fitsLong(num) || !fitsLong(den)) {
    Alert(routine, 8, 112413, "Integer overflow in rational arithmetic");
    out->num = 0;
    out->den = 1;
    return;
  }
  out->num = static_cast<long long>(num);
  out->den = static_cast<long long>(den);
}

// The canonical form of num/den: coprime, denominator sign moved to the numerator, zero as
// {0, 1}; a zero denominator gives {sign(num), 0}.
void storeCanonical(Wide num, Wide den, Rat* out, const char* routine) {
  if (num == 0) {
    out->num = 0;
    out->den = 1;
    return;
  }
  UWide g = gcdMagnitude(magnitude(num), magnitude(den));
  num /= Wide(g);
  den /= Wide(g);
  if (den < 0) {
    num = -num;
    den = -den;
  }
  storeNarrowed(num, den, out, routine);
}

// Nearest int with halves away from zero; false when x is outside the int range (or NaN),
// with *out saturated.
bool nearestInt(double x, int* out) {
  double r = roundHalfAway(x);
  if (!(r >= static_cast<double>(kIntMin))) {
    *out = kIntMin;
    return false;
  }
  if (!(r <= static_cast<double>(kIntMax))) {
    *out = x != x ? 0 : kIntMax;
    return false;
  }
  *out = static_cast<int>(r);
  return true;
}

// k x[...] within tolerance of the nearest int j: stores j and returns true.
bool integralWithin(double x, int* j) {
  return nearestInt(x, j) && std::fabs(x - *j) <= kTolerance;
}

void reportZeroModulus(const char* routine) {
  Alert(routine, 2, 112312, "Zero modulus");
}

void extendPrimes(int count) {
  MathUtilityState& s = state();
  if (s.primes.empty()) {
    s.primes.reserve(100);
    s.primes = {2, 3, 5, 7, 11};
    s.nextCandidate = 13;
  }
  while (static_cast<int>(s.primes.size()) < count) {
    int candidate = s.nextCandidate;
    // A composite candidate has a prime factor not above its square root.
    for (std::size_t i = 1; i < s.primes.size(); ++i) {
      long long p = s.primes[i];
      if (p * p > candidate) break;
      if (candidate % p == 0) {
        candidate += 2;
        i = 0;
      }
    }
    if (s.primes.size() == s.primes.capacity()) s.primes.reserve(s.primes.capacity() + 1000);
    s.primes.push_back(candidate);
    s.nextCandidate = candidate + 2;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Remainders and divisors
// ---------------------------------------------------------------------------------------

long long longmod(long long x, long long m) {
  if (m == 1 || m == -1) return 0;
  if (m == 0) {
    reportZeroModulus("longmod");
    return 0;
  }
  long long r = x % m;
  if (r < 0) r += m;
  return r;
}

int mod(long long x, long long m) {
  if (m == 1) return 0;
  if (m == 0) {
    reportZeroModulus("mod");
    return 0;
  }
  long long r = m == -1 ? 0 : x % m;
  if (r < 0) r += m;
  if (r > kIntMax || r < kIntMin) return narrowToInt(r, "mod");
  return static_cast<int>(r);
}

int Modulo(int x, int m) {
  if (m == -1) return x;
  if (m == 1) return 0;
  if (m == 0) {
    reportZeroModulus("Modulo");
    return 0;
  }
  int r = x % m;
  if (r < 0) r += m;
  return r;
}

int GCD(long long a, long long b) {
  if (a == 1 || a == -1 || b == 1 || b == -1) return 1;
  unsigned long long g = gcdMagnitude(magnitude(a), magnitude(b));
  if (g > static_cast<unsigned long long>(kIntMax)) {
    Alert("GCD", 9, 110413, "Integer overflow in conversion of %llu", g);
    return kIntMax;
  }
  return static_cast<int>(g);
}

long long GCD_LONG(long long a, long long b) {
  unsigned long long g = gcdMagnitude(magnitude(a), magnitude(b));
  if (g > static_cast<unsigned long long>(LLONG_MAX)) {
    Alert("GCD_LONG", 9, 112413, "Integer overflow");
    return LLONG_MAX;
  }
  return static_cast<long long>(g);
}

long long SCM(long long a, long long b) {
  unsigned long long g = gcdMagnitude(magnitude(a), magnitude(b));
  if (g == 0) return 1;
  UWide lcm = UWide(magnitude(a) / g) * magnitude(b);
  if (lcm == 0) return 1;
  if (lcm > UWide(LLONG_MAX)) {
    Alert("SCM", 9, 112413, "Integer overflow");
    return LLONG_MAX;
  }
  return static_cast<long long>(lcm);
}

int intdivide(int a, int b) {
  if (b == 0) {
    Alert("intdivide", 1, 100302, "Zero denominator in division");
    return 0;
  }
  if (a % (b == -1 ? 1 : b) != 0) {
    Alert("intdivide", 2, 100302, "%d does not divide %d", b, a);
    return 0;
  }
  return narrowToInt(static_cast<long long>(a) / b, "intdivide");
}

int divTwo(int n, int var) {
  if (n % 2 != 0) Alert("divTwo", 1, 212404, "Not divisible by 2: %d (variable nr %d)\n", n, var);
  return n / 2;
}

int HalfEntier(int n) {
  return n / 2;
}
int sign_(int n) {
  return n > 0 ? 1 : (n < 0 ? -1 : 0);
}
int SignPow(int n) {
  return n % 2 != 0 ? -1 : 1;
}
int MaxVal(int a, int b) {
  return a > b ? a : b;
}
int MinVal(int a, int b) {
  return a < b ? a : b;
}

int makeRegularRational(int num, int den, int* p, int* q) {
  int g = GCD(num, den);
  long long top = g == 0 ? num : static_cast<long long>(num) / g;
  long long bottom = g == 0 ? den : static_cast<long long>(den) / g;
  if (den < 1) {
    top = -top;
    bottom = -bottom;
  }
  *p = narrowToInt(top, "makeRegularRational");
  *q = narrowToInt(bottom, "makeRegularRational");
  return g;
}

// ---------------------------------------------------------------------------------------
// Rationals
// ---------------------------------------------------------------------------------------

Rat* simplifyRat(Rat* q) {
  storeCanonical(q->num, q->den, q, "simplifyRat");
  return q;
}

Rat* addRat(const Rat* a, const Rat* b, Rat* sum) {
  Wide g = Wide(gcdMagnitude(magnitude(a->den), magnitude(b->den)));
  if (g == 0) g = 1;
  Wide aScaled = Wide(a->den) / g;
  Wide bScaled = Wide(b->den) / g;
  Wide num = Wide(a->num) * bScaled + Wide(b->num) * aScaled;
  Wide den = aScaled * g * bScaled;
  storeCanonical(num, den, sum, "addRat");
  return sum;
}

Rat* subtractRat(const Rat* a, const Rat* b, Rat* diff) {
  Wide num = Wide(a->num) * b->den - Wide(b->num) * a->den;
  Wide den = Wide(a->den) * b->den;
  UWide g = gcdMagnitude(magnitude(num), magnitude(den));
  if (g != 0) {
    num /= Wide(g);
    den /= Wide(g);
  }
  storeNarrowed(num, den, diff, "subtractRat");
  return diff;
}

Rat* multiplyRat(const Rat* a, const Rat* b, Rat* prod) {
  if (a->num == 0 || b->num == 0) {
    prod->num = 0;
    prod->den = 1;
    return prod;
  }
  Wide g1 = Wide(gcdMagnitude(magnitude(a->num), magnitude(b->den)));
  Wide g2 = Wide(gcdMagnitude(magnitude(b->num), magnitude(a->den)));
  Wide num = (Wide(a->num) / g1) * (Wide(b->num) / g2);
  Wide den = (Wide(b->den) / g1) * (Wide(a->den) / g2);
  storeCanonical(num, den, prod, "multiplyRat");
  return prod;
}

void copyRat(Rat* dst, const Rat* src) {
  *dst = *src;
}

Rat* setzero(Rat* q) {
  q->num = 0;
  q->den = 1;
  return q;
}

void nullifyRat(Rat* q) {
  setzero(q);
}

void torat(long long n, Rat* q) {
  q->num = n;
  q->den = 1;
}

int torat2(long long num, long long den, Rat* q) {
  unsigned long long g = gcdMagnitude(magnitude(num), magnitude(den));
  if (g == 0) {
    q->num = num;
    q->den = den;
    return 0;
  }
  storeNarrowed(Wide(num) / Wide(g), Wide(den) / Wide(g), q, "torat2");
  return narrowToInt(
      g > static_cast<unsigned long long>(LLONG_MAX) ? LLONG_MAX : static_cast<long long>(g),
      "torat2");
}

Rat* RatToFrac(Rat* q) {
  if (q->den == 1) {
    q->num = 0;
  } else {
    q->num = longmod(q->num, q->den);
  }
  return q;
}

int intcheck(const Rat* q) {
  unsigned long long g = gcdMagnitude(magnitude(q->num), magnitude(q->den));
  return q->den >= 0 && static_cast<unsigned long long>(q->den) == g ? 0 : 1;
}

int halfintcheck(const Rat* q) {
  unsigned long long g = gcdMagnitude(magnitude(q->num), magnitude(q->den));
  if (q->den >= 0 && static_cast<unsigned long long>(q->den) == g) return 0;
  // A half-integer has an even denominator twice the gcd.
  if (q->den >= 0 && q->den % 2 == 0 && static_cast<unsigned long long>(q->den / 2) == g) return 1;
  return 2;
}

std::string ratString(const Rat* q) {
  if (q->den == 1) return formatText("%lld", q->num);
  return formatText("%lld/%-lld", q->num, q->den);
}

// ---------------------------------------------------------------------------------------
// Primes and factorisations
// ---------------------------------------------------------------------------------------

int prime(int i) {
  if (i < 0) return 1;
  MathUtilityState& s = state();
  if (i >= static_cast<int>(s.primes.size())) extendPrimes(i + 1);
  return s.primes[i];
}

int primetest(int n) {
  if (n < 4) return 0;
  for (int i = 0;; ++i) {
    long long p = prime(i);
    if (p * p > n) return 0;
    if (n % p == 0) return static_cast<int>(p);
  }
}

int getPrimeIndex(int p) {
  for (int i = 0;; ++i) {
    int q = prime(i);
    if (q == p) return i;
    if (q > p) {
      Alert("getPrimeIndex", 2, 112312, "%d is not a prime", p);
      return -1;
    }
    if ((i + 1) % 1000 == 0)
      Alert("getPrimeIndex", 1, 112301, "Tested %d primes; input %d; overflow?", i + 1, p);
  }
}

std::vector<int> PrimeDecomposition(int n) {
  std::vector<int> exponents;
  if (n == 0) return exponents;
  MathUtilityState& s = state();
  extendPrimes(21);
  long long m = n < 0 ? -static_cast<long long>(n) : n;
  for (int i = 0;; ++i) {
    if (i >= s.decompositionCapacity) {
      s.decompositionCapacity += 20;
      if (s.decompositionCapacity >= 10001)
        Alert("PrimeDecomposition", 1, 3, "Prime decomposition overflow?");
    }
    exponents.push_back(0);
    int p = prime(i);
    while (m % p == 0) {
      ++exponents[i];
      m /= p;
    }
    if (m == 1) break;
  }
  exponents.push_back(-1);
  return exponents;
}

int MaximalPrimeFactor(int n) {
  if (n == 0) return 0;
  long long m = n < 0 ? -static_cast<long long>(n) : n;
  int largest = 1;
  for (int i = 0; m != 1; ++i) {
    int p = prime(i);
    while (m % p == 0) {
      largest = p;
      m /= p;
    }
  }
  return largest;
}

int SinglePrimePowerRepresentation(int n, int* e) {
  if (n == 1) return -1;
  if (n < 1) {
    Alert("SinglePrimePower", 1, 112312, "Positive argument expected: %d", n);
    return -2;
  }
  *e = 0;
  for (int i = 0;; ++i) {
    int p = prime(i);
    if (static_cast<long long>(p) * p > n && n > 1) {
      // n itself is a prime.
      *e = 1;
      return getPrimeIndex(n);
    }
    if (n % p == 0) {
      while (n % p == 0) {
        ++*e;
        n /= p;
      }
      return n == 1 ? i : -2;
    }
  }
}

int SinglePrimePower(int n) {
  int e = 0;
  return SinglePrimePowerRepresentation(n, &e);
}

int MaxPrimePower(int n, int p) {
  if (p < 2) {
    Alert("MaxPrimePower", 1, 112312, "Invalid base %d", p);
    return 0;
  }
  int count = 0;
  while (n != 0) {
    n /= p;
    ++count;
  }
  return count > 0 ? count - 1 : 0;
}

int InverseModuloInteger(int a, int n) {
  if (n < 1) return 0;
  if (n == 1) return a != 0 ? 1 : 0;
  for (long long k = 0; k < n; ++k) {
    if (mod(k * a, n) == 1) return static_cast<int>(k);
  }
  return 0;
}

int PrimeInverse(int a, int n) {
  if (a == 1 && n == 1) return 1;
  if (n > 1) {
    for (long long k = 0; k < n; ++k) {
      if (mod(k * a, n) == 1) return static_cast<int>(k);
    }
  }
  Alert("PrimeInverse", 1, 212404, "%d is not invertable with respect to %d", a, n);
  return 0;
}

std::vector<int> CyclicElementsWithOrder(int p, int e) {
  std::vector<int> orders(e < 0 ? 1 : e + 1, 0);
  orders[0] = 1;
  long long power = 1;
  for (int k = 1; k <= e; ++k) {
    long long count = (p - 1LL) * power;
    orders[k] = narrowToInt(count, "CyclicElementsWithOrder");
    if (__builtin_mul_overflow(power, static_cast<long long>(p), &power)) power = LLONG_MAX / 2;
  }
  return orders;
}

int removeCyclicFactor(int p, int e, int N, int* Nrest, const int* count, int* restcount) {
  if (p < 2) {
    Alert("removeCyclicFactor", 1, 112312, "Invalid base %d", p);
    *Nrest = N;
    restcount[0] = 1;
    return -1;
  }
  if (e < 1) {
    *Nrest = N;
    restcount[0] = 1;
    return -1;
  }
  std::vector<int> cyclic = CyclicElementsWithOrder(p, e);
  std::vector<long long> cumulative(e + 1);  // cumulative[k] = p^k
  std::vector<long long> inH(e + 1);         // elements of H of order dividing p^k
  long long sum = 0;
  for (int k = 0; k <= e; ++k) {
    sum += cyclic[k];
    cumulative[k] = sum;
  }
  *Nrest = static_cast<int>(N / cumulative[e]);
  inH[e] = *Nrest;
  for (int k = e; k >= 1; --k) {
    long long rest = (count[k] - inH[k] * cyclic[k]) / cumulative[k - 1];
    restcount[k] = narrowToInt(rest, "removeCyclicFactor");
    inH[k - 1] = inH[k] - restcount[k];
  }
  restcount[0] = 1;
  for (int k = e; k >= 1; --k) {
    if (restcount[k] != 0) return k;
  }
  return -1;
}

// ---------------------------------------------------------------------------------------
// Small combinatorics and powers
// ---------------------------------------------------------------------------------------

double binomialD(int n, int k) {
  long long m = static_cast<long long>(n) - k < k ? static_cast<long long>(n) - k : k;
  if (m < 1) return 1.0;
  double product = 1.0;
  for (long long i = 0; i < m; ++i)
    product = product * static_cast<double>(n - m + 1 + i) / static_cast<double>(i + 1);
  return product;
}

int binomial(int n, int k) {
  long long m = static_cast<long long>(n) - k < k ? static_cast<long long>(n) - k : k;
  if (m < 1) return 1;
  return DoubleToInt(binomialD(n, k));
}

int factorial(int n) {
  int result = 1;
  for (int i = 2; i <= n; ++i) {
    if (__builtin_mul_overflow(result, i, &result)) {
      Alert("factorial", 1, 112413, "Integer overflow");
      return kIntMax;
    }
  }
  return result;
}

unsigned int twopow(int n) {
  if (n < 0) {
    Alert("twopow", 1, 112312, "Negative power");
    return 1;
  }
  if (n > 31) {
    Alert("twopow", 2, 112312, "Overflow in exponentiation");
    return 0;
  }
  return 1U << n;
}

int intpow(int b, int k) {
  if (k < 0) {
    Alert("intpow", 1, 112312, "Negative power");
    return 1;
  }
  int result = 1;
  for (int i = 0; i < k; ++i) {
    if (__builtin_mul_overflow(result, b, &result)) {
      Alert("intpow", 2, 112312, "Overflow in exponentiation");
      return b < 0 && k % 2 == 1 ? kIntMin : kIntMax;
    }
  }
  return result;
}

int isqrt(int n) {
  if (n < 0) {
    Alert("isqrt", 1, 100302, "Negative square root argument");
    return -1;
  }
  int root = static_cast<int>(std::floor(std::sqrt(n + 0.00001)));
  if (static_cast<long long>(root) * root != n)
    Alert("isqrt", 2, 100302, "Square root of %d is not integer", n);
  return root;
}

int Ndigit(int n) {
  unsigned long long m = magnitude(static_cast<long long>(n));
  int digits = 1;
  while (m >= 10) {
    m /= 10;
    ++digits;
  }
  return digits;
}

void optimalRoot(const long long q[2], Rat* out, int N) {
  long long a = q[0];
  long long b = q[1];
  if (a == 0) {
    setzero(out);
    return;
  }
  long long bestK = 0;
  long long bestG = 1;
  for (long long k = 1; k < N; ++k) {
    Wide value = Wide(a) + Wide(k) * b;
    long long g = static_cast<long long>(gcdMagnitude(magnitude(value), UWide(N)));
    if (g > bestG) {
      bestG = g;
      bestK = k;
    }
  }
  Wide num = (Wide(a) + Wide(bestK) * b) / bestG;
  Wide den = Wide(b) * N / bestG;
  storeNarrowed(num, den, out, "optimalRoot");
}

// ---------------------------------------------------------------------------------------
// Tolerance tests and conversions
// ---------------------------------------------------------------------------------------

int ZeroModOneCheck(double x) {
  double a = std::fabs(x);
  return std::fabs(a - std::trunc(a + 0.5)) <= kTolerance ? 1 : 0;
}

int CposCheck(double re, double im) {
  if (re > kTolerance) return 1;
  if (re < -kTolerance) return 0;
  return im < -kTolerance ? 0 : 1;
}

int doubleCompare(double a, double b, double tol) {
  if (std::fabs(a - b) > tol) {
    PrintStdout("Deviation: %30.15f %30.15f %30.15f\n", a, b, a - b);
    return 1;
  }
  return 0;
}

int DoubleToInt(double x) {
  int result = 0;
  if (!integralWithin(x, &result))
    Alert("DoubleToInt", 1, 110302, "Integer conversion problem for %25.15f\n", x);
  return result;
}

int DoubleToInteger(int* i, double x) {
  return integralWithin(x, i) ? 1 : 0;
}

int ComplexToInteger(int* i, double re, double im) {
  if (std::fabs(im) > kTolerance) return 0;
  return DoubleToInteger(i, re);
}

int ComplexToInt(double re, double im) {
  int result = 0;
  if (std::fabs(im) <= kTolerance && integralWithin(re, &result)) return result;
  int position = std::fabs(im) <= kTolerance ? 1 : 0;
  Alert("ComplexToInt", position, 110302, "Integer conversion problem for (%25.15f,%25.15f)\n", re,
        im);
  return kIntMax;
}

int IntegerPart(double x) {
  if (IntCheck(x + 0.5)) Alert("IntegerPart", 1, 100201, "Integer part ambiguous for %30.15f", x);
  int result = 0;
  nearestInt(x, &result);
  return result;
}

double DoubleToFrac(double x) {
  if (x >= 0) return x - std::trunc(x);
  double shifted = std::trunc(-x) + x;
  return ZeroCheck(shifted) ? shifted : shifted + 1;
}

int convertVectorToIntegers(int n, const double* x, int* out, int maxden) {
  if (n < 1) return 1;
  if (maxden < 1) return 0;
  long long common = 1;
  for (int i = 0; i < n; ++i) {
    int k = 1;
    int j = 0;
    while (k <= maxden && !integralWithin(k * x[i], &j)) ++k;
    if (k > maxden) return 0;
    common = SCM(common, k);
  }
  for (int i = 0; i < n; ++i) {
    int j = 0;
    double scaled = static_cast<double>(common) * x[i];
    if (!nearestInt(scaled, &j)) {
      Alert("convertVectorToIntegers", 1, 110413, "Integer overflow in conversion of %.0f", scaled);
    }
    out[i] = j;
  }
  return 1;
}

Rat DoubleToRat(int N, double x) {
  Rat result;
  double m = N * x;
  int j = 0;
  if (integralWithin(m, &j)) {
    result.num = j;
    result.den = N;
    return *simplifyRat(&result);
  }
  Alert("DoubleToRat", 0, 100201, "Rat conversion problem; re-trying");
  for (int k = 1; k < 144; ++k) {
    if (integralWithin(k * m, &j)) {
      result.num = j;
      result.den = static_cast<long long>(k) * N;
      return *simplifyRat(&result);
    }
  }
  Alert("DoubleToRat", 1, 110302, "Failed to convert %15.7f to rational; returning 0", x);
  return Rat{};
}

Rat doubleToRat(double x) {
  Rat result;
  double a = std::fabs(x);
  if (a < kTolerance) return result;
  for (int k = 1; k <= 144; ++k) {
    int j = 0;
    if (integralWithin(k * a, &j)) {
      result.num = x < 0 ? -static_cast<long long>(j) : j;
      result.den = k;
      return result;
    }
  }
  Alert("doubleToRat", 1, 100302, "Number %30.20f could not be converted to rational", x);
  return result;
}

int determineRationalDenominator(int maxden, double x) {
  for (int k = 2; k <= maxden; ++k) {
    if (IntCheck(k * x)) return k;
  }
  return -1;
}

int RationalDotProduct(const double* x, const double* y, int n, Rat* q, int maxden) {
  double s = 0;
  for (int i = 0; i < n; ++i) s += x[i] * y[i];
  for (int k = 1; k <= maxden; ++k) {
    int j = 0;
    if (integralWithin(k * s, &j)) {
      q->num = j;
      q->den = k;
      return 1;
    }
  }
  return 0;
}

int determineIntegrality(int maxden, int* a, int* b, int* c, int* d, int* e, double x) {
  if (integralWithin(x, a)) return 0;
  int k = determineRationalDenominator(maxden, x);
  if (k > 0) {
    *b = k;
    if (integralWithin(k * x, a)) return 1;
    Alert("determineIntegrality", 1, 100201, "Unexpected non-rational %30.20f", x);
    return 2;
  }
  return recognizeIrrationals(200, 200, 50, a, b, c, d, e, x) ? 3 : 2;
}

int recognizeIrrationals(int maxN, int maxB, int maxD, int* a, int* b, int* c, int* d, int* e,
                         double x) {
  double whole = std::trunc(x);
  double f = x - whole;
  for (int N = 1; N < maxN; ++N) {
    for (int B = 0; B < maxB; ++B) {
      if (N / GCD(N, B) > maxD) continue;
      for (int s = -1; s <= 1; s += 2) {
        int c0 = 0;
        if (!integralWithin(N * f * f + s * B * f, &c0)) continue;
        long long D = static_cast<long long>(B) * B + 4LL * N * c0;
        if (D == 0) {
          *e = 0;
          return 0;
        }
        // No real root, or a rational one: not a quadratic irrational.
        if (D < 0 || IntCheck(std::sqrt(static_cast<double>(D)))) continue;
        std::vector<int> exponents = PrimeDecomposition(static_cast<int>(D));
        long long k = 1;
        long long squarefree = 1;
        for (std::size_t i = 0; i < exponents.size() && exponents[i] >= 0; ++i) {
          long long p = prime(static_cast<int>(i));
          for (int t = 0; t < exponents[i] / 2; ++t) k *= p;
          if (exponents[i] % 2 == 1) squarefree *= p;
        }
        if (squarefree >= maxD) continue;
        for (int sign = 1; sign >= -1; sign -= 2) {
          double root = (sign * k * std::sqrt(static_cast<double>(squarefree)) - s * B) / (2.0 * N);
          if (std::fabs(root - f) <= kTolerance) {
            int top = 0;
            nearestInt(2 * N * whole - s * B, &top);
            makeRegularRational(top, 2 * N, a, b);
            makeRegularRational(static_cast<int>(sign * k), 2 * N, c, d);
            *e = static_cast<int>(squarefree);
            return 1;
          }
        }
      }
    }
  }
  return 0;
}

// ---------------------------------------------------------------------------------------
// Complex numbers
// ---------------------------------------------------------------------------------------

double absC(double re, double im) {
  return std::sqrt(re * re + im * im);
}

double compareC(double re1, double im1, double re2, double im2) {
  double dr = re1 - re2;
  double di = im1 - im2;
  return std::sqrt(dr * dr + di * di);
}

void complexProduct(double* re, double* im, double aRe, double aIm, double bRe, double bIm) {
  double r = aRe * bRe - aIm * bIm;
  double i = aRe * bIm + aIm * bRe;
  *re = r;
  *im = i;
}

void complexRatio(double* re, double* im, double aRe, double aIm, double bRe, double bIm) {
  double norm = bRe * bRe + bIm * bIm;
  double r = (aRe * bRe + aIm * bIm) / norm;
  double i = (aIm * bRe - aRe * bIm) / norm;
  *re = r;
  *im = i;
}

void complexExp(double* re, double* im, double x, double y) {
  double scale = std::exp(x);
  *re = scale * std::cos(y);
  *im = scale * std::sin(y);
}

void complexImExp(double* re, double* im, double a, double b) {
  double scale = std::exp(-b);
  *re = scale * std::cos(a);
  *im = scale * std::sin(a);
}

void multiplyWithPowerOfI(int k, double* re, double* im) {
  double r = *re;
  double i = *im;
  switch (mod(k, 4)) {
    case 1:
      *re = -i, *im = r;
      break;
    case 2:
      *re = -r, *im = -i;
      break;
    case 3:
      *re = i, *im = -r;
      break;
    default:
      break;
  }
}

void multiplyWithPhase(int n, int d, double* re, double* im) {
  double angle = 6.283185307179586 * n / d;
  complexProduct(re, im, *re, *im, std::cos(angle), std::sin(angle));
}

double getPhase(double re, double im) {
  const double pi = 3.14159265358979323846;
  double extra = 0;
  if (im < 0) {
    re = -re;
    im = -im;
    extra = pi;
  }
  double phase;
  if (std::fabs(re) < kTolerance) {
    phase = pi / 2;
  } else if (re > 0) {
    phase = std::atan(im / re);
  } else {
    phase = pi - std::atan(-im / re);
  }
  return phase + extra;
}

double getPhaseTEST(double re, double im) {
  double phase = getPhase(re, im);
  double c = std::cos(phase);
  double s = std::sin(phase);
  if (!ZeroCheck(c - re) || !ZeroCheck(s - im)) {
    PrintStdout("**** (%7.4f,%7.4f) != (%7.4f,%7.4f)\n", re, im, c, s);
  }
  return phase;
}

void complexSquareRoot(double* re, double* im, double a, double b) {
  if (std::fabs(a) <= kTolerance) a = 0;
  double r;
  double i;
  if (std::fabs(b) <= kTolerance && a > 0) {
    r = std::sqrt(a);
    i = 0;
  } else {
    double length = std::sqrt(std::sqrt(a * a + b * b));
    double half = getPhase(a, b) / 2;
    r = length * std::cos(half);
    i = length * std::sin(half);
  }
  if (ZeroCheck(r)) r = 0;
  if (ZeroCheck(i)) i = 0;
  if (r < 0) {
    r = -r;
    i = -i;
  } else if (r == 0 && i < 0) {
    i = -i;
  }
  *re = r;
  *im = i;
}

// ---------------------------------------------------------------------------------------
// Random numbers
// ---------------------------------------------------------------------------------------

int randomNumberVariation2(int p) {
  int half = static_cast<int>(std::trunc(2 * dRandom()));
  if (half == 0 || half == 2) return 0;
  return randomNumber(p);
}

int PrimePowerRandomNumber(int p, int e) {
  long long value = 0;
  for (int i = 0; i < e; ++i) value = value * p + randomNumberVariation2(p);
  return narrowToInt(value, "PrimePowerRandomNumber");
}

int randomNumberVariation(int n) {
  if (n < 2) return 0;
  int e = 0;
  int index = SinglePrimePowerRepresentation(n, &e);
  if (index >= 0) {
    int choice = static_cast<int>(std::trunc(3 * dRandom()));
    if (choice == 3 || choice < 0) choice = 0;
    if (choice == 0) return 0;
    if (choice == 1) return PrimePowerRandomNumber(prime(index), e);
  }
  return randomNumber(n);
}

void resetMathUtility() {
  state() = MathUtilityState();
}
