// Large rationals and exact rational matrices.
//
// An lrat is a numerator carrying the sign over a denominator; arithmetic results are
// reduced by the Euclidean algorithm on large integers and keep a positive denominator.
// A zero denominator is the infinite value: it prints as "INFINITY" and reduction leaves it
// alone. Matrices are arrays of lrat, row by row.
//
// State (reset with the module): the work values of comparison, addition, reduction, the
// row and matrix routines, and the auxiliary vector of the bordering updates. They only
// spare allocations in inner loops; no result depends on them between calls.
#include <cfloat>
#include <cmath>
#include <utility>

#include "numbers/LargeIntegerInternal.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"

namespace {

struct LargeRationalState {
  lint left, right;                   // lrat_compare, lrat_add
  lint larger, smaller, gcdQuotient;  // simplify_rat
  lrat alpha, beta, term;             // row combination
  lrat factor, pivotInverse;          // matrix routines
  lrat sum, product;
  AccountVector<lrat> aux{AccountAllocator<lrat>(largeIntegerAccount(), "AuxVector")};
};

LargeRationalState& state() {
  static LargeRationalState s;
  return s;
}

void setRat(lrat* q, long long num, long long den) {
  lint_assign(&q->num, num);
  lint_assign(&q->den, den);
}

bool isZero(const lrat* q) {
  return lintIsZero(&q->num);
}

// Reduces an arithmetic result and makes its denominator positive.
void reduce(lrat* q) {
  simplify_rat(q);
  lrat_regform(q);
}

// |num| + |den| for the pivot choice.
void sizeOf(const lrat* q, lint* size) {
  lint_copy(size, &q->num);
  lint_abs(size);
  lint& den = state().right;
  lint_copy(&den, &q->den);
  lint_abs(&den);
  lint_add(size, &den);
}

// Gauss-Jordan elimination; report decides whether a singular matrix is announced.
lrat* invert(int n, lrat* M, lrat* Inv, bool report) {
  if (n < 1) return Inv;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) setRat(&Inv[i * n + j], i == j ? 1 : 0, 1);
  }
  lrat one;
  setRat(&one, 1, 1);
  lint best;
  lint size;
  for (int c = 0; c < n; ++c) {
    int pivot = -1;
    for (int r = c; r < n; ++r) {
      lrat* entry = &M[r * n + c];
      lrat_regform(entry);
      if (isZero(entry)) continue;
      sizeOf(entry, &size);
      if (pivot < 0 || lint_compare(&size, &best) < 0) {
        pivot = r;
        lint_copy(&best, &size);
      }
    }
    if (pivot < 0) {
      if (report)
        Alert("LargeRationalMatrixInversion", 1, 100302,
              "Matrix not invertible (col %d, large rationals)", c);
      return nullptr;
    }
    if (pivot != c) {
      interchangeLargeRationalRows(n, M, pivot, c);
      interchangeLargeRationalRows(n, Inv, pivot, c);
    }
    lrat& inverse = state().pivotInverse;
    setRat(&inverse, 1, 1);
    lrat_divide(&inverse, &M[c * n + c]);
    for (int j = 0; j < n; ++j) {
      lrat_multiply(&M[c * n + j], &inverse);
      lrat_multiply(&Inv[c * n + j], &inverse);
    }
    for (int r = 0; r < n; ++r) {
      if (r == c || isZero(&M[r * n + c])) continue;
      lrat& factor = state().factor;
      lrat_copy(&factor, &M[r * n + c]);
      lint_flip(&factor.num);
      ReplaceLargeRationalRowByLinearCombination(n, &Inv[r * n], &Inv[c * n], &one, &factor);
      ReplaceLargeRationalRowByLinearCombination(n, &M[r * n], &M[c * n], &one, &factor);
    }
  }
  return Inv;
}

// sum += a b
void addProduct(lrat* sum, const lrat* a, const lrat* b) {
  lrat& product = state().product;
  lrat_copy(&product, a);
  lrat_multiply(&product, b);
  lrat_add(sum, &product);
}

}  // namespace

lrat::lrat() {
  den.limbs[0] = 1;
  den.length = 1;
}

lrat::lrat(lint numerator, lint denominator)
    : num(std::move(numerator)), den(std::move(denominator)) {}

void resetLargeRational() {
  state() = LargeRationalState();
}

// ---------------------------------------------------------------------------------------
// Fractions
// ---------------------------------------------------------------------------------------

lrat lrat_Alloc(lint num, lint den) {
  return lrat(std::move(num), std::move(den));
}

void lrat_assign(lrat* q, long long num, long long den) {
  if (den == 0) Alert("lrat_assign", 1, 100302, "Division by zero");
  setRat(q, num, den);
  lrat_regform(q);
}

void lrat_free(lrat* q) {
  lint_free(&q->num);
  lint_free(&q->den);
}

void lrat_copy(lrat* dst, const lrat* src) {
  lint_copy(&dst->num, &src->num);
  lint_copy(&dst->den, &src->den);
}

void NullifyLargeRationalVector(int n, lrat* v) {
  for (int i = 0; i < n; ++i) setRat(&v[i], 0, 1);
}

void lrat_regform(lrat* q) {
  regform(&q->num);
  regform(&q->den);
  if (q->den.length > 0 && q->den.sign < 0) {
    q->den.sign = 1;
    lint_flip(&q->num);
  }
}

int lrat_zero_check(const lrat* q) {
  return isZero(q) ? 1 : 0;
}

int lrat_compare(lrat* a, lrat* b) {
  lrat_regform(a);
  lrat_regform(b);
  bool aZero = a->num.length == 0;
  bool bZero = b->num.length == 0;
  if (aZero) return bZero ? 0 : (b->num.sign < 0 ? 1 : -1);
  if (bZero) return a->num.sign < 0 ? -1 : 1;
  if (a->num.sign != b->num.sign) return a->num.sign > b->num.sign ? 1 : -1;
  LargeRationalState& s = state();
  lint_copy(&s.left, &a->num);
  lint_multiply(&s.left, &b->den);
  lint_copy(&s.right, &b->num);
  lint_multiply(&s.right, &a->den);
  return lint_compare(&s.left, &s.right);
}

int lrat_eq(lrat* a, lrat* b) {
  return lrat_compare(a, b) == 0 ? 1 : 0;
}
int lrat_neq(lrat* a, lrat* b) {
  return lrat_compare(a, b) != 0 ? 1 : 0;
}
int lrat_lt(lrat* a, lrat* b) {
  return lrat_compare(a, b) < 0 ? 1 : 0;
}
int lrat_gt(lrat* a, lrat* b) {
  return lrat_compare(a, b) > 0 ? 1 : 0;
}
int lrat_geq(lrat* a, lrat* b) {
  return lrat_compare(a, b) >= 0 ? 1 : 0;
}
int lrat_leq(lrat* a, lrat* b) {
  return lrat_compare(a, b) <= 0 ? 1 : 0;
}

int lrat_sign(lrat* q) {
  reduce(q);
  if (q->num.length == 0) return 0;
  return q->num.sign;
}

void simplify_rat(lrat* q) {
  if (lintIsZero(&q->num)) return;
  regform(&q->num);
  regform(&q->den);
  if (q->den.length == 0) return;  // the infinite value has no reduced form
  int sign = q->num.sign * q->den.sign;
  q->num.sign = 1;
  q->den.sign = 1;
  int order = lint_compare(&q->num, &q->den);
  if (order == 0) {
    lint_assign(&q->num, sign);
    lint_assign(&q->den, 1);
    return;
  }
  LargeRationalState& s = state();
  lint_copy(&s.larger, order > 0 ? &q->num : &q->den);
  lint_copy(&s.smaller, order > 0 ? &q->den : &q->num);
  // Euclid: (A, B) -> (B, A mod B) until the remainder vanishes; B is then the gcd.
  for (;;) {
    nullify_lint(&s.gcdQuotient);
    exact_division(&s.larger, &s.smaller, &s.gcdQuotient);
    if (s.larger.length == 0) break;
    std::swap(s.larger, s.smaller);
  }
  const lint* g = &s.smaller;
  if (!(g->length == 1 && g->limbs[0] == 1)) {
    nullify_lint(&s.gcdQuotient);
    exact_division(&q->num, g, &s.gcdQuotient);
    lint_copy(&q->num, &s.gcdQuotient);
    nullify_lint(&s.gcdQuotient);
    exact_division(&q->den, g, &s.gcdQuotient);
    lint_copy(&q->den, &s.gcdQuotient);
  }
  q->num.sign = sign;
}

void lrat_multiply(lrat* p, const lrat* q) {
  lint_multiply(&p->num, &q->num);
  lint_multiply(&p->den, &q->den);
  reduce(p);
}

void lrat_divide(lrat* p, const lrat* q) {
  if (isZero(q)) {
    Alert("lrat_divide", 1, 100302, "Attempt to divide by 0");
    return;
  }
  if (p == q) {
    setRat(p, 1, 1);
    return;
  }
  lint_multiply(&p->num, &q->den);
  lint_multiply(&p->den, &q->num);
  reduce(p);
}

namespace {

// p = p + sign q; p may be q.
void addRational(lrat* p, const lrat* q, int sign) {
  LargeRationalState& s = state();
  lint_copy(&s.left, &p->num);
  lint_multiply(&s.left, &q->den);
  lint_copy(&s.right, &q->num);
  lint_multiply(&s.right, &p->den);
  if (sign < 0) {
    lint_subtract(&s.left, &s.right);
  } else {
    lint_add(&s.left, &s.right);
  }
  lint_multiply(&p->den, &q->den);
  lint_copy(&p->num, &s.left);
  reduce(p);
}

}  // namespace

void lrat_add(lrat* p, const lrat* q) {
  addRational(p, q, 1);
}
void lrat_subtract(lrat* p, const lrat* q) {
  addRational(p, q, -1);
}

std::string lrat_string(const lrat* q) {
  if (isZero(q)) return "0";
  if (q->den.length == 1 && q->den.limbs[0] == 1 && q->den.sign > 0) return lint_string(&q->num);
  if (lintIsZero(&q->den)) return "INFINITY";
  std::string text = lint_string(&q->num);
  text += '/';
  if (q->den.sign < 0) {
    Alert("lrat_string", 1, 212404, "Denominator sign in large rational number");
    lint magnitude = q->den;
    magnitude.sign = 1;
    text += '-';
    text += lint_string(&magnitude);
  } else {
    text += lint_string(&q->den);
  }
  return text;
}

namespace {

// Up to 33 limbs (below 10^297) a value is accumulated exactly as a double would hold it.
constexpr int kDirectLimbs = 33;

// Mantissa of the top (at most) four limbs and the number of limbs below them.
long double scaledMagnitude(const lint* x, int* exponent) {
  long double m = 0;
  int bottom = x->length - 4 > 0 ? x->length - 4 : 0;
  for (int i = x->length - 1; i >= bottom; --i)
    m = std::fma(m, 1e9L, static_cast<long double>(x->limbs[i]));
  *exponent = bottom;
  return m;
}

// The quotient of magnitudes in long double, clamped to +-limit.
long double scaledQuotient(const lrat* q, long double limit) {
  int numExponent = 0;
  int denExponent = 0;
  long double n = scaledMagnitude(&q->num, &numExponent);
  long double d = scaledMagnitude(&q->den, &denExponent);
  int shift = numExponent - denExponent;
  long double value;
  if (shift > 40) {
    value = limit;
  } else if (shift < -40) {
    value = 0;
  } else {
    value = n / d * std::pow(1e9L, static_cast<long double>(shift));
    if (value > limit) value = limit;
  }
  return q->num.sign < 0 ? -value : value;
}

}  // namespace

double lratToDouble(const lrat* q) {
  if (lintIsZero(&q->den)) {
    Alert("lratToDouble", 1, 100302, "Division by 0");
    return DBL_MAX;
  }
  if (q->num.length <= kDirectLimbs && q->den.length <= kDirectLimbs) {
    double n = 0;
    double d = 0;
    for (int i = q->num.length - 1; i >= 0; --i)
      n = std::fma(n, 1e9, static_cast<double>(q->num.limbs[i]));
    for (int i = q->den.length - 1; i >= 0; --i)
      d = std::fma(d, 1e9, static_cast<double>(q->den.limbs[i]));
    return q->num.sign * (n / d);
  }
  return static_cast<double>(scaledQuotient(q, DBL_MAX));
}

long double lratToLongDouble(const lrat* q) {
  if (lintIsZero(&q->den)) {
    Alert("lratToLongDouble", 1, 100302, "Division by 0");
    return LDBL_MAX;
  }
  return scaledQuotient(q, LDBL_MAX);
}

// ---------------------------------------------------------------------------------------
// Matrices
// ---------------------------------------------------------------------------------------

int LargeRationalDotProduct(const double* a, const double* b, int n, lrat* q, int maxden) {
  double dot = 0;
  for (int i = 0; i < n; ++i) dot += a[i] * b[i];
  for (int d = 1; d <= maxden; ++d) {
    int k = 0;
    if (DoubleToInteger(&k, d * dot)) {
      setRat(q, k, d);
      return 1;
    }
  }
  return 0;
}

void interchangeLargeRationalRows(int n, lrat* M, int r1, int r2) {
  if (r1 == r2) return;
  for (int j = 0; j < n; ++j) std::swap(M[r1 * n + j], M[r2 * n + j]);
}

void ReplaceLargeRationalRowByLinearCombination(int n, lrat* row, const lrat* other,
                                                const lrat* alpha, const lrat* beta) {
  LargeRationalState& s = state();
  // Copies, so that alpha or beta may be entries of the rows.
  lrat_copy(&s.alpha, alpha);
  lrat_copy(&s.beta, beta);
  for (int j = 0; j < n; ++j) {
    lrat_copy(&s.term, &other[j]);
    lrat_multiply(&s.term, &s.beta);
    lrat_multiply(&row[j], &s.alpha);
    lrat_add(&row[j], &s.term);
  }
}

lrat* LargeRationalMatrixInversion(int n, lrat* M, lrat* Inv) {
  return invert(n, M, Inv, true);
}

lrat LargeRationalMatrixExpectationValue(int stride, int n, const lrat* v, const lrat* M) {
  lrat result;
  lrat row;
  for (int i = 0; i < n; ++i) {
    setRat(&row, 0, 1);
    for (int j = 0; j < n; ++j) addProduct(&row, &M[i * stride + j], &v[j]);
    addProduct(&result, &v[i], &row);
  }
  return result;
}

void LargeRationalMatrixVectorMultiplication(int stride, int n, const lrat* v, const lrat* M,
                                             lrat* out) {
  AccountVector<lrat>& aux = state().aux;
  if (static_cast<int>(aux.size()) < n) aux.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    setRat(&aux[i], 0, 1);
    for (int j = 0; j < n; ++j) addProduct(&aux[i], &M[i * stride + j], &v[j]);
  }
  for (int i = 0; i < n; ++i) lrat_copy(&out[i], &aux[i]);
}

int LargeRationalMatrixInversionIteration(int stride, int k, lrat* Inv, const lrat* col) {
  LargeRationalState& s = state();
  if (static_cast<int>(s.aux.size()) < k + 1) s.aux.resize(static_cast<std::size_t>(k + 1));
  lrat* u = s.aux.data();
  // u = Inv col and e = col^T Inv col over the old block.
  lrat e;
  for (int i = 0; i < k; ++i) {
    setRat(&u[i], 0, 1);
    for (int j = 0; j < k; ++j) addProduct(&u[i], &Inv[i * stride + j], &col[j]);
    addProduct(&e, &col[i], &u[i]);
  }
  lrat schur;
  lrat_copy(&schur, &col[k]);
  lrat_subtract(&schur, &e);
  if (isZero(&schur)) return 0;
  lrat alpha;
  lrat_assign(&alpha, 1, 1);
  lrat_divide(&alpha, &schur);
  lrat term;
  for (int i = 0; i < k; ++i) {
    for (int j = 0; j < k; ++j) {
      lrat_copy(&term, &alpha);
      lrat_multiply(&term, &u[i]);
      lrat_multiply(&term, &u[j]);
      lrat_add(&Inv[i * stride + j], &term);
    }
  }
  for (int i = 0; i < k; ++i) {
    lrat_copy(&term, &alpha);
    lrat_multiply(&term, &u[i]);
    lint_flip(&term.num);
    lrat_copy(&Inv[i * stride + k], &term);
    lrat_copy(&Inv[k * stride + i], &term);
  }
  lrat_copy(&Inv[k * stride + k], &alpha);
  return 1;
}

namespace {

// Inv[i][j] += sign r[i] r[j] / p for all i, j other than k.
void rankOneUpdate(int n, int k, lrat* Inv, const lrat* r, const lrat* p, int sign) {
  lrat term;
  for (int i = 0; i < n; ++i) {
    if (i == k) continue;
    for (int j = 0; j < n; ++j) {
      if (j == k) continue;
      lrat_copy(&term, &r[i]);
      lrat_multiply(&term, &r[j]);
      lrat_divide(&term, p);
      if (sign < 0) {
        lrat_subtract(&Inv[i * n + j], &term);
      } else {
        lrat_add(&Inv[i * n + j], &term);
      }
    }
  }
}

// The general route when Inv[k][k] = 0 (the matrix without row and column k is singular):
// recover A from its inverse, replace row and column k, and invert again.
int modifyByFullInversion(int n, int k, lrat* Inv, const lrat* col) {
  std::size_t size = static_cast<std::size_t>(n) * n;
  AccountVector<lrat> work(size, lrat(),
                           AccountAllocator<lrat>(largeIntegerAccount(), "AuxVector"));
  AccountVector<lrat> matrix(size, lrat(),
                             AccountAllocator<lrat>(largeIntegerAccount(), "AuxVector"));
  for (std::size_t i = 0; i < size; ++i) lrat_copy(&work[i], &Inv[i]);
  invert(n, work.data(), matrix.data(), false);
  for (int i = 0; i < n; ++i) {
    lrat_copy(&matrix[static_cast<std::size_t>(k) * n + i], &col[i]);
    lrat_copy(&matrix[static_cast<std::size_t>(i) * n + k], &col[i]);
  }
  if (invert(n, matrix.data(), work.data(), false) == nullptr) return 0;
  for (std::size_t i = 0; i < size; ++i) lrat_copy(&Inv[i], &work[i]);
  return 1;
}

}  // namespace

int LargeRationalMatrixInversionModification(int n, int k, lrat* Inv, const lrat* col) {
  LargeRationalState& s = state();
  lrat p;
  lrat_copy(&p, &Inv[k * n + k]);
  if (isZero(&p)) return modifyByFullInversion(n, k, Inv, col);
  if (static_cast<int>(s.aux.size()) < n) s.aux.resize(static_cast<std::size_t>(n));
  lrat* r = s.aux.data();
  for (int i = 0; i < n; ++i) lrat_copy(&r[i], &Inv[k * n + i]);
  // Removal: the block without row and column k becomes the inverse B of A without them.
  rankOneUpdate(n, k, Inv, r, &p, -1);
  // Bordering with the new column: w = B col, s = col[k] - col^T B col.
  AccountVector<lrat> w(static_cast<std::size_t>(n), lrat(),
                        AccountAllocator<lrat>(largeIntegerAccount(), "AuxVector"));
  lrat schur;
  lrat_copy(&schur, &col[k]);
  for (int i = 0; i < n; ++i) {
    if (i == k) continue;
    for (int j = 0; j < n; ++j) {
      if (j != k) addProduct(&w[i], &Inv[i * n + j], &col[j]);
    }
    lrat& product = s.product;
    lrat_copy(&product, &col[i]);
    lrat_multiply(&product, &w[i]);
    lrat_subtract(&schur, &product);
  }
  if (isZero(&schur)) {
    // The new matrix is singular: undo the removal exactly.
    rankOneUpdate(n, k, Inv, r, &p, 1);
    return 0;
  }
  setRat(&Inv[k * n + k], 1, 1);
  lrat_divide(&Inv[k * n + k], &schur);
  for (int i = 0; i < n; ++i) {
    if (i == k) continue;
    lrat entry;
    lrat_copy(&entry, &w[i]);
    lrat_divide(&entry, &schur);
    lint_flip(&entry.num);
    lrat_copy(&Inv[k * n + i], &entry);
    lrat_copy(&Inv[i * n + k], &entry);
  }
  // Inv[i][j] += w_i w_j / s.
  rankOneUpdate(n, k, Inv, w.data(), &schur, 1);
  return 1;
}

void PrintLargeRationalMatrix(int n, const lrat* M) {
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j)
      Print("Matrix element (%3d,%3d):  %s\n", i, j, lrat_string(&M[i * n + j]).c_str());
  }
}

void PrintLargeRationalVector(int n, const lrat* v) {
  for (int i = 0; i < n; ++i) Print("Vector entry %3d:  %s\n", i, lrat_string(&v[i]).c_str());
}
