// Exact small numbers and number theory, tolerant conversions of doubles, complex numbers
// on pairs of doubles, and the random-number source.
//
// Rat is a fraction of two signed 64-bit integers. Its canonical form (simplifyRat) has
// coprime fields and a positive denominator; zero is {0, 1}. Rats are passed by pointer and
// results are written through an out-pointer that may be one of the inputs. Rational
// arithmetic is exact: intermediate products are formed in 128 bits, and a reduced result
// that does not fit in 64 bits is reported through Alert (code 112413) and replaced by 0.
// Routines returning a 32-bit int from 64-bit work report a result outside the int range
// (Alert 110413 "Integer overflow in conversion of %lld") and saturate.
//
// The prime table grows on demand and is shared by all callers; resetMathUtility() returns
// it and every other piece of module state to start-up.
// Results that the program historically handed out in static buffers (ratString,
// PrimeDecomposition, CyclicElementsWithOrder, DoubleToRat, ...) are returned by value.
//
// The double-precision tolerance is 1e-7 everywhere: "within tolerance" means an absolute
// difference of at most 1e-7. Rounding to the nearest integer rounds halves away from zero.
#pragma once

#include <cmath>
#include <string>
#include <vector>

struct Rat {
  long long num = 0;
  long long den = 1;
};

// The one tolerance of "zero" and "integer" tests for computed doubles.
inline constexpr double kTolerance = 0.0000001;

// ---------------------------------------------------------------------------------------
// Remainders and divisors
// ---------------------------------------------------------------------------------------

// x - m trunc(x / m), plus m when negative: in [0, m) for m > 0; 0 for m = 1.
int mod(long long x, long long m);
long long longmod(long long x, long long m);
// As mod in 32 bits, except that m = -1 returns x unchanged.
int Modulo(int x, int m);
// Greatest common divisor of |a| and |b|; |a| + |b| when either is 0 (so GCD(0, 0) = 0).
int GCD(long long a, long long b);
long long GCD_LONG(long long a, long long b);
// |a b / GCD(a, b)|, or 1 when that is 0.
long long SCM(long long a, long long b);
// a / b when b divides a; otherwise (or b = 0) an alert and 0.
int intdivide(int a, int b);
// n / 2 truncated; an odd n is reported (var names the caller's variable number).
int divTwo(int n, int var);
int HalfEntier(int n);
int sign_(int n);
int SignPow(int n);
int MaxVal(int a, int b);
int MinVal(int a, int b);
// p/q = num/den reduced by g = GCD(num, den), with q made positive; returns g.
int makeRegularRational(int num, int den, int* p, int* q);

// ---------------------------------------------------------------------------------------
// Rationals
// ---------------------------------------------------------------------------------------

Rat* simplifyRat(Rat* q);
Rat* addRat(const Rat* a, const Rat* b, Rat* sum);
// Reduced by the gcd of the absolute values, without moving signs: canonical when both
// input denominators are positive.
Rat* subtractRat(const Rat* a, const Rat* b, Rat* diff);
// A zero factor gives {0, 1} without looking at the other operand.
Rat* multiplyRat(const Rat* a, const Rat* b, Rat* prod);
void copyRat(Rat* dst, const Rat* src);
Rat* setzero(Rat* q);
void nullifyRat(Rat* q);
void torat(long long n, Rat* q);
// q = {num / g, den / g} with g = GCD(num, den), the denominator's sign kept; returns g.
int torat2(long long num, long long den, Rat* q);
// Fractional part in place: the numerator becomes num mod den (a canonical q lands in [0, 1)).
Rat* RatToFrac(Rat* q);
// 0 when q is an integer, else 1.
int intcheck(const Rat* q);
// 0 integer, 1 half-integer, 2 otherwise.
int halfintcheck(const Rat* q);
// "%lld" when the denominator is 1, else "%lld/%-lld".
std::string ratString(const Rat* q);

// ---------------------------------------------------------------------------------------
// Primes and factorisations
// ---------------------------------------------------------------------------------------

// The i-th prime, prime(0) = 2; 1 for i < 0. Grows the shared table as needed.
int prime(int i);
// 0 when n is prime or n < 4, else the smallest prime factor of n.
int primetest(int n);
// Index of the prime p in the table (0 for 2). A p that is not a prime is reported and
// gives -1 (the search stops once the table passes p).
int getPrimeIndex(int p);
// Exponent vector of |n|: entry i is the exponent of prime(i), followed by one entry -1
// after the last prime dividing n. {0, -1} for |n| = 1; empty for n = 0.
std::vector<int> PrimeDecomposition(int n);
// Largest prime factor of |n|; 0 for n = 0 (and 1 for |n| = 1).
int MaximalPrimeFactor(int n);
// For n = p^e (e >= 1) the index of p; -1 for n = 1; -2 for two or more prime factors.
// n must be positive.
int SinglePrimePower(int n);
// The same, with the exponent in *e (set to 0 first, except for n = 1; after a -2 result
// it holds the exponent of the smallest prime factor).
int SinglePrimePowerRepresentation(int n, int* e);
// floor(log_p n) for n >= 1, 0 for n = 0.
int MaxPrimePower(int n, int p);
// Inverse of a modulo n by search; reported and 0 when there is none or n < 1.
int PrimeInverse(int a, int n);
// The same without a message.
int InverseModuloInteger(int a, int n);
// The e + 1 counts of elements of order exactly p^k (k = 0..e) in a cyclic group of order
// p^e: 1, p - 1, (p - 1) p, ..., (p - 1) p^(e-1).
std::vector<int> CyclicElementsWithOrder(int p, int e);
// For a finite abelian p-group G of order N with count[k] elements of order exactly p^k
// (k = 0..e, e the largest exponent), describes H in G = Z(p^e) x H: *Nrest = |H| and
// restcount[k] (k = 0..e) the elements of H of order exactly p^k. Returns the exponent of
// H, or -1 when H is trivial. count and restcount hold e + 1 entries (at least 1).
int removeCyclicFactor(int p, int e, int N, int* Nrest, const int* count, int* restcount);

// ---------------------------------------------------------------------------------------
// Small combinatorics and powers
// ---------------------------------------------------------------------------------------

// Binomial coefficient by a double product over m = min(n - k, k) factors; 1 when m < 1.
int binomial(int n, int k);
double binomialD(int n, int k);
// n! (1 for n < 1); past 2147483647 an "Integer overflow" alert and 2147483647.
int factorial(int n);
// 2^n; n < 0 or n > 31 are reported (results 1 and 0).
unsigned int twopow(int n);
// b^k; k < 0 is reported (result 1); a power outside the int range is reported and
// saturates at 2147483647 or -2147483648.
int intpow(int b, int k);
// floor(sqrt(n)); a negative n (result -1) or a non-square is reported.
int isqrt(int n);
// Decimal digits of |n|; 1 for 0.
int Ndigit(int n);
// For q = a/b with a = q[0], b = q[1]: the k in 1..N-1 whose a + k b has the largest gcd g
// with N (first on ties; k = 0 and g = 1 when none exceeds 1); out = {(a + k b)/g, (b N)/g}.
// a = 0 gives {0, 1}.
void optimalRoot(const long long q[2], Rat* out, int N);

// ---------------------------------------------------------------------------------------
// Tolerance tests (1 true, 0 false)
// ---------------------------------------------------------------------------------------

inline double absD(double x) {
  return std::fabs(x);
}
inline double absDlong(double x) {
  return std::fabs(x);
}
// Nearest integer as a double, halves away from zero (no range limit).
inline double roundHalfAway(double x) {
  return x > 0 ? std::trunc(x + 0.5) : -std::trunc(0.5 - x);
}
inline int ZeroCheck(double x) {
  return std::fabs(x) <= kTolerance ? 1 : 0;
}
inline int CZeroCheck(double re, double im) {
  return std::fabs(re) + std::fabs(im) <= kTolerance ? 1 : 0;
}
inline int IntCheck(double x) {
  return std::fabs(x - roundHalfAway(x)) <= kTolerance ? 1 : 0;
}
int ZeroModOneCheck(double x);
// 1 unless the complex number is negative in lexicographic order with tolerance.
int CposCheck(double re, double im);
// 1 (and a "Deviation" line on standard output) when |a - b| > tol.
int doubleCompare(double a, double b, double tol);

// ---------------------------------------------------------------------------------------
// Conversions
// ---------------------------------------------------------------------------------------

// Nearest int; reported when x is not within tolerance of it (or outside the int range,
// where the result saturates).
int DoubleToInt(double x);
// Stores the nearest int in *i; 1 when x is within tolerance of it, else 0 (no message).
int DoubleToInteger(int* i, double x);
int ComplexToInteger(int* i, double re, double im);
// Nearest int of re when im and re - round(re) are within tolerance; else reported and
// 2147483647.
int ComplexToInt(double re, double im);
// Nearest int; a half-integer x is reported as ambiguous first.
int IntegerPart(double x);
// Fractional part in [0, 1) (a negative integer gives 0).
double DoubleToFrac(double x);
// Common denominator L of x[0..n-1] (each needing some k <= maxden with k x[i] integral);
// out[i] = nearest int of L x[i]; returns 1. Returns 0 (out untouched) when an entry needs a
// larger k or maxden < 1; returns 1 at once for n < 1.
int convertVectorToIntegers(int n, const double* x, int* out, int maxden);
// Canonical j/N for x when N x is integral within tolerance, else retried with k N
// (k < 144); failure is reported and gives 0/1.
Rat DoubleToRat(int N, double x);
// j/k with the smallest k in 1..144 reproducing x within tolerance; else reported and 0/1.
Rat doubleToRat(double x);
// Smallest k in 2..maxden with k x integral within tolerance; -1 when none.
int determineRationalDenominator(int maxden, double x);
// The dot product of x and y as q = j/k with the smallest k in 1..maxden; 1 on success,
// else 0 with q untouched.
int RationalDotProduct(const double* x, const double* y, int n, Rat* q, int maxden);
// 0: integer a; 1: rational a/b; 3: x = a/b + (c/d) sqrt(e); 2: not recognised.
int determineIntegrality(int maxden, int* a, int* b, int* c, int* d, int* e, double x);
// 1 when the fractional part of x is a root of N t^2 + s B t - c0 (N < maxN, B < maxB,
// squarefree part of the discriminant below maxD): x = a/b + (c/d) sqrt(e). Else 0.
int recognizeIrrationals(int maxN, int maxB, int maxD, int* a, int* b, int* c, int* d, int* e,
                         double x);

// ---------------------------------------------------------------------------------------
// Complex numbers as pairs of doubles
// ---------------------------------------------------------------------------------------

double absC(double re, double im);
// Distance |a - b|.
double compareC(double re1, double im1, double re2, double im2);
void complexProduct(double* re, double* im, double aRe, double aIm, double bRe, double bIm);
// a / b; b must not be 0.
void complexRatio(double* re, double* im, double aRe, double aIm, double bRe, double bIm);
// e^x (cos y, sin y).
void complexExp(double* re, double* im, double x, double y);
// exp(i (a + i b)) = e^(-b) (cos a, sin a).
void complexImExp(double* re, double* im, double a, double b);
// Multiplies in place by i^k (k taken modulo 4, also for negative k).
void multiplyWithPowerOfI(int k, double* re, double* im);
// Multiplies in place by exp(2 pi i n / d).
void multiplyWithPhase(int n, int d, double* re, double* im);
// Argument in [0, 2 pi); pi/2 (or 3 pi/2 for im < 0) when |re| < 1e-7.
double getPhase(double re, double im);
// getPhase that also prints a line when cos and sin of the phase miss the input.
double getPhaseTEST(double re, double im);
// Principal square root: real part > 0, or 0 with a non-negative imaginary part; parts
// within tolerance of 0 become 0.
void complexSquareRoot(double* re, double* im, double a, double b);

// ---------------------------------------------------------------------------------------
// Random numbers, drawn from the generator of the system utilities (dRandom,
// randomNumber)
// ---------------------------------------------------------------------------------------

// 0 with probability one half, else randomNumber(p).
int randomNumberVariation2(int p);
// e base-p digits from randomNumberVariation2, most significant first; 0 for e < 1.
int PrimePowerRandomNumber(int p, int e);
// 0 for n < 2; for n = p^e a mixture of 0, random base-p digits and uniform; else uniform.
int randomNumberVariation(int n);

// Restores the module to its start-up state (empty prime table).
void resetMathUtility();
