// Exact numbers of any size: large integers (lint), large rationals (lrat) with a few exact
// matrix routines, factorised integers (fint), and the store that lets an int handle stand
// for a large integer.
//
// lint: sign and magnitude. The magnitude is held in signed 64-bit limbs of base 10^9,
// least significant first, so that decimal printing is trivial and a limb product plus a
// carry fits in 64 bits. After regform every limb in use lies in 0..999999999, the top
// limb in use is not 0, and zero has length 0 and sign +1. Limbs from length to capacity-1
// are 0 (every routine relies on reading them as 0). The limbs live in an accounted vector
// whose size is the capacity. Values are ordinary C++ values (copy, move, destroy).
//
// lrat: a numerator carrying the sign and a denominator, positive after lrat_regform or
// simplify_rat; a denominator of length 0 marks the infinite value "INFINITY". Arithmetic
// results are reduced. Matrices are arrays of lrat stored row by row; routines on a leading
// block take the row stride besides the size.
//
// fint: the value prod prime(i)^exponent[i] (exponents may be negative after a division),
// so that products and quotients never overflow.
//
// Handles: an int h >= 0 stands for itself, h < 0 for the stored large integer number ~h.
// The store only grows; stored values live until resetLargeInteger().
//
// The arithmetic keeps static work values (multiplication, quotient estimates, the rational
// and matrix routines), so it is not re-entrant. Texts are returned as std::string.
#pragma once

#include <string>

#include "runtime/Allocation.h"

inline constexpr long long kLintBase = 1000000000;

// The account charged with every limb, fraction and exponent array of this module.
AllocationAccount* largeIntegerAccount();

struct lint {
  AccountVector<long long> limbs;  // size() is the capacity
  int sign = 1;
  int length = 0;

  lint();                       // 5 zero limbs, value 0
  explicit lint(int capacity);  // capacity zero limbs (5 when capacity < 1), value 0
  int capacity() const { return static_cast<int>(limbs.size()); }
};

// A double mantissa with a base-10^9 exponent: value = sign x mantissa x 10^(9 exponent).
// Normalised: 1 <= mantissa < 10^9, sign +-1; zero has mantissa 0, sign 1, exponent 0.
struct ldouble {
  double mantissa = 0;
  int sign = 1;
  int exponent = 0;
};

struct lrat {
  lint num;
  lint den;

  lrat();  // 0/1
  lrat(lint numerator, lint denominator);
};

struct fint {
  AccountVector<int> exponent;  // size() is the capacity (20 at creation, doubled as needed)
  int used = 0;                 // exponents in use; trailing zeros are trimmed by arithmetic

  fint();
};

// ---------------------------------------------------------------------------------------
// Large integers: creation and storage
// ---------------------------------------------------------------------------------------

lint lint_alloc(int n);
lint int_to_newlint(int i);
// Releases the limbs; x stays usable as the value 0.
void lint_free(lint* x);
// Grows x to at least n limbs (new limbs 0). Reports each new record size past every
// further 1001 limbs ("Large integer allocation size has reached %d").
void lint_realloc(lint* x, int n);
void lint_copy(lint* dst, const lint* src);
void lint_assign(lint* x, long long i);
void nullify_lint(lint* x);
// Length + 1 (the new limb 0), growing the capacity by 10 when needed.
void sizeUp(lint* x);

// ---------------------------------------------------------------------------------------
// Normalisation and comparison
// ---------------------------------------------------------------------------------------

// Floor-reduces every limb to 0..999999999 carrying upwards (a negative top limb stays).
void minform(lint* x);
// minform, drop zero top limbs, and move a negative top limb's sign out to the sign field.
void regform(lint* x);
// -1, 0 or 1 for normalised operands.
int lint_compare(const lint* a, const lint* b);
// These normalise both operands first; results 0 or 1.
int lint_eq(lint* a, lint* b);
int lint_neq(lint* a, lint* b);
int lint_lt(lint* a, lint* b);
int lint_gt(lint* a, lint* b);
int lint_geq(lint* a, lint* b);
int lint_leq(lint* a, lint* b);

// ---------------------------------------------------------------------------------------
// Arithmetic: the first operand is replaced by the result; operands may be the same object
// ---------------------------------------------------------------------------------------

void lint_add(lint* a, const lint* b);
void lint_subtract(lint* a, const lint* b);
void lint_multiply(lint* a, const lint* b);
void lint_intprod(lint* x, int k);
void lint_intadd(lint* x, int k);
// x / k truncated towards zero; a remainder is reported ("Number %s not divisible by %d"),
// k = 0 is refused with a message and leaves x unchanged.
void lint_intdivide(lint* x, int k);
// x = base^n; n < 0 is reported and leaves x = 1.
void lint_power(lint* x, int base, int n);
void lint_flip(lint* x);
void lint_abs(lint* x);
// For a, b >= 0: adds floor(a / b) to q and leaves a mod b in a. Returns 0; 1 (with a
// message, nothing changed) for negative operands or b = 0.
int exact_division(lint* a, const lint* b, lint* q);
// An estimate t <= a / b (a, b > 0) by double-precision mantissas, and p = t b <= a.
void getIntegerRatio(const lint* a, const lint* b, lint* t, lint* p);

// ---------------------------------------------------------------------------------------
// Text and conversions
// ---------------------------------------------------------------------------------------

// Reads an optional '-' and decimal digits; returns 0, or 1 with a message (x = 0) for any
// other character. An empty text gives 0.
int string_to_lint(lint* x, const char* text);
std::string lint_string(const lint* x);
// The digits and a newline on standard output.
void lint_print(const lint* x);
// Limbs needed for a text of decimal digits (with room to spare).
int lintSize(const char* text);
// The int value of x; outside the int range a message and 2147483647.
int lint_to_int(const lint* x);
void lintToDouble(const lint* x, ldouble* ld);
// x = integer part of ld; ld keeps the unused fraction (exponent -1).
void doubleToLint(lint* x, ldouble* ld);
void ldouble_regform(ldouble* ld);
ldouble ldouble_alloc();
// c = a / b (mantissa quotient, sign product, exponent difference), normalised.
void ldouble_ratio(const ldouble* a, const ldouble* b, ldouble* c);

int getLintBaseSize();
// Characters of v in decimal, with its '-'.
int LintStringLength(long long v);
// Decimal digits of x (1 for 0).
int lintNdigit(const lint* x);
// Negates the sign and every limb in use.
void lint_switch(lint* x);
// Floor remainder of a by b; 0 for b = 1.
int Lmod(long long a, int b);
// Reports non-zero limbs beyond the length; returns their number.
int checkLint(const lint* x);
std::string lintElementToString(long long limb);
std::string lintElementToJustifiedString(long long limb);

// ---------------------------------------------------------------------------------------
// The large-integer store (handles)
// ---------------------------------------------------------------------------------------

// Keeps a copy of x; returns its index.
int storeLint(const lint* x);
// A value of at most one limb is returned as an int, a larger one is stored and its handle
// ~index returned; a negative x is reported and gives 0.
int storePositiveLint(const lint* x);
// The stored value of a negative handle, else nullptr.
lint* retrieveLint(int h);
// For h >= 0 sets *tmp to h and returns tmp; else the stored value.
lint* makeOrRetrieveLint(int h, lint* tmp);
// Decimal digits of a handle's value.
int PosIntSize(int h);

// ---------------------------------------------------------------------------------------
// Large rationals
// ---------------------------------------------------------------------------------------

lrat lrat_Alloc(lint num, lint den);
// q = num/den with the sign on the numerator; den = 0 is reported and stores the infinite
// value.
void lrat_assign(lrat* q, long long num, long long den);
void lrat_free(lrat* q);
void lrat_copy(lrat* dst, const lrat* src);
void NullifyLargeRationalVector(int n, lrat* v);
void lrat_regform(lrat* q);
int lrat_zero_check(const lrat* q);
// These apply lrat_regform to both operands first.
int lrat_compare(lrat* a, lrat* b);
int lrat_eq(lrat* a, lrat* b);
int lrat_neq(lrat* a, lrat* b);
int lrat_lt(lrat* a, lrat* b);
int lrat_gt(lrat* a, lrat* b);
int lrat_geq(lrat* a, lrat* b);
int lrat_leq(lrat* a, lrat* b);
int lrat_sign(lrat* q);
// Reduces to lowest terms with a positive denominator (0/x and the infinite value stay).
void simplify_rat(lrat* q);
void lrat_multiply(lrat* p, const lrat* q);
// Division by 0 is reported and leaves p unchanged.
void lrat_divide(lrat* p, const lrat* q);
void lrat_add(lrat* p, const lrat* q);
void lrat_subtract(lrat* p, const lrat* q);
// "num/den", the numerator alone for the denominator 1, "INFINITY" for a zero denominator.
std::string lrat_string(const lrat* q);
// Stays finite for operands of any size: a quotient beyond the double range gives the
// largest double (with its sign), a zero denominator a message and the largest double.
double lratToDouble(const lrat* q);
long double lratToLongDouble(const lrat* q);

// ---------------------------------------------------------------------------------------
// Exact rational matrices (row by row)
// ---------------------------------------------------------------------------------------

// The dot product of two double vectors as k/d with the smallest d in 1..maxden; 1 on
// success, else 0.
int LargeRationalDotProduct(const double* a, const double* b, int n, lrat* q, int maxden);
// Swaps rows r1 and r2 of a matrix with n columns.
void interchangeLargeRationalRows(int n, lrat* M, int r1, int r2);
// row[j] = alpha row[j] + beta other[j] for j < n.
void ReplaceLargeRationalRowByLinearCombination(int n, lrat* row, const lrat* other,
                                                const lrat* alpha, const lrat* beta);
// Gauss-Jordan inverse of the n x n matrix M into Inv (returned); M is destroyed. A singular
// M is reported and gives nullptr.
lrat* LargeRationalMatrixInversion(int n, lrat* M, lrat* Inv);
// v^T M v over the leading n x n block of M (row length stride).
lrat LargeRationalMatrixExpectationValue(int stride, int n, const lrat* v, const lrat* M);
// out = M v over the leading n x n block of M (row length stride).
void LargeRationalMatrixVectorMultiplication(int stride, int n, const lrat* v, const lrat* M,
                                             lrat* out);
// Bordering: Inv (row length stride) holds the inverse of the leading k x k block of a
// symmetric matrix; col (k + 1 entries, col[k] on the diagonal) adds row and column k.
// Returns 1 with Inv the (k+1) x (k+1) inverse, or 0 (Inv unchanged) when the new vector is
// dependent.
int LargeRationalMatrixInversionIteration(int stride, int k, lrat* Inv, const lrat* col);
// Inv (n x n) holds the inverse of a symmetric matrix A; row and column k of A are replaced
// by col (n entries, col[k] on the diagonal). Returns 1 with Inv the new inverse, or 0 with
// Inv unchanged when the new matrix is singular.
int LargeRationalMatrixInversionModification(int n, int k, lrat* Inv, const lrat* col);
void PrintLargeRationalMatrix(int n, const lrat* M);
void PrintLargeRationalVector(int n, const lrat* v);

// ---------------------------------------------------------------------------------------
// Factorised integers
// ---------------------------------------------------------------------------------------

fint fint_alloc();
// Doubles the capacity; the new exponents are 0.
void fint_double(fint* f);
// f = the factorisation of n (the empty one, value 1, for n < 2).
void inttofint(int n, fint* f);
// c = a b and c = a / b by exponents; c may be a or b.
void fint_prod(const fint* a, const fint* b, fint* c);
void fint_ratio(const fint* a, const fint* b, fint* c);
// destination = source.
void fint_copy(const fint* source, fint* destination);
// x = the product of the primes with positive exponents (negative exponents are ignored).
void fint_to_lint(const fint* f, lint* x);
std::string fint_string(const fint* f);
double finttodouble(const fint* f);
// Title line (when given), the exponents, then the value, on standard output.
void fint_print(const fint* f, const char* title);

// Restores the module to its start-up state: empty store, work values and record sizes.
void resetLargeInteger();
