// Large integers, their store of handles, and factorised integers.
//
// A lint is sign and magnitude in base-10^9 limbs (see LargeInteger.h). Addition and
// subtraction combine signed limbs and let regform resolve borrows and the sign;
// multiplication is schoolbook into a work value, carrying after each row so that no limb
// leaves the 64-bit range; division takes double-precision quotient estimates that never
// exceed the true quotient and corrects them exactly.
//
// State (reset by resetLargeInteger): the largest limb count ever requested with the size
// of the last warning about it, the work values of multiplication, division and fint
// printing, and the store of large integers behind negative handles. The store is a deque,
// so a value handed out by retrieveLint keeps its address until the reset.
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "numbers/LargeIntegerInternal.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"

namespace {

struct LargeIntegerState {
  int largestRequest = 5;
  int lastWarning = 0;
  lint product;           // lint_multiply
  lint quotientEstimate;  // exact_division: t and t b
  lint estimateProduct;
  lint normalDivisor;
  lint fintValue;  // fint_string, fint_print
  std::deque<lint> store;
};

LargeIntegerState& state() {
  static LargeIntegerState s;
  return s;
}

unsigned long long magnitude(long long v) {
  return v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
}

void dropZeroTopLimbs(lint* x) {
  while (x->length > 0 && x->limbs[x->length - 1] == 0) --x->length;
}

// -1, 0, 1 comparing magnitudes of normalised values.
int compareMagnitude(const lint* a, const lint* b) {
  if (a->length != b->length) return a->length > b->length ? 1 : -1;
  for (int i = a->length - 1; i >= 0; --i) {
    if (a->limbs[i] != b->limbs[i]) return a->limbs[i] > b->limbs[i] ? 1 : -1;
  }
  return 0;
}

// a += sign b, for any signs; a may be b.
void addSigned(lint* a, const lint* b, int bSign) {
  int n = a->length > b->length ? a->length : b->length;
  int aSign = a->sign;
  int otherSign = bSign * b->sign;
  int aLength = a->length;
  int bLength = b->length;
  lint_realloc(a, n + 2);
  for (int i = 0; i < n; ++i) {
    long long av = i < aLength ? a->limbs[i] : 0;
    long long bv = i < bLength ? b->limbs[i] : 0;
    a->limbs[i] = aSign * av + otherSign * bv;
  }
  a->sign = 1;
  a->length = n;
  regform(a);
}

// Carries the non-negative limbs of w from position start upwards.
void carryFrom(lint* w, int start) {
  long long carry = 0;
  for (int k = start; k < w->length; ++k) {
    long long v = w->limbs[k] + carry;
    w->limbs[k] = v % kLintBase;
    carry = v / kLintBase;
  }
  while (carry != 0) {
    sizeUp(w);
    w->limbs[w->length - 1] = carry % kLintBase;
    carry /= kLintBase;
  }
}

// Mantissa of the top limbs (three lower limbs are beyond double precision anyway).
double topMantissa(const lint* x) {
  double m = 0;
  double scale = 1;
  for (int i = x->length - 1; i >= 0 && i >= x->length - 4; --i) {
    m += static_cast<double>(x->limbs[i]) * scale;
    scale /= static_cast<double>(kLintBase);
  }
  return m;
}

}  // namespace

AllocationAccount* largeIntegerAccount() {
  static AllocationAccount account("LargeInteger");
  return &account;
}

lint::lint() : lint(5) {}

lint::lint(int capacity)
    : limbs(static_cast<std::size_t>(capacity < 1 ? 5 : capacity), 0,
            AccountAllocator<long long>(largeIntegerAccount(), "lint")) {}

fint::fint() : exponent(20, 0, AccountAllocator<int>(largeIntegerAccount(), "fint")) {}

bool lintIsZero(const lint* x) {
  for (int i = 0; i < x->length; ++i) {
    if (x->limbs[i] != 0) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Creation and storage
// ---------------------------------------------------------------------------------------

lint lint_alloc(int n) {
  return lint(n);
}

lint int_to_newlint(int i) {
  lint x(5);
  lint_assign(&x, i);
  return x;
}

void lint_free(lint* x) {
  AccountVector<long long> empty(x->limbs.get_allocator());
  x->limbs.swap(empty);
  x->length = 0;
  x->sign = 1;
}

void lint_realloc(lint* x, int n) {
  if (x == nullptr) {
    Alert("lint_realloc", 1, 212404, "Attempt to re-initialize NULL large integer pointer");
    return;
  }
  LargeIntegerState& s = state();
  if (n > s.largestRequest) {
    s.largestRequest = n;
    if (n - s.lastWarning >= 1001) {
      Alert("lint_realloc", 2, 100201, "Large integer allocation size has reached %d", n);
      s.lastWarning = n;
    }
  }
  if (x->capacity() < n) x->limbs.resize(static_cast<std::size_t>(n), 0);
}

void lint_copy(lint* dst, const lint* src) {
  if (dst == src) return;
  lint_realloc(dst, src->length);
  for (int i = 0; i < src->length; ++i) dst->limbs[i] = src->limbs[i];
  for (int i = src->length; i < dst->length; ++i) dst->limbs[i] = 0;
  dst->length = src->length;
  dst->sign = src->sign;
}

void lint_assign(lint* x, long long i) {
  nullify_lint(x);
  unsigned long long m = magnitude(i);
  lint_realloc(x, 3);
  while (m != 0) {
    x->limbs[x->length++] = static_cast<long long>(m % kLintBase);
    m /= kLintBase;
  }
  x->sign = i < 0 ? -1 : 1;
}

void nullify_lint(lint* x) {
  for (int i = 0; i < x->length; ++i) x->limbs[i] = 0;
  x->length = 0;
  x->sign = 1;
}

void sizeUp(lint* x) {
  if (x->length + 3 > x->capacity()) lint_realloc(x, x->capacity() + 10);
  ++x->length;
}

// ---------------------------------------------------------------------------------------
// Normalisation and comparison
// ---------------------------------------------------------------------------------------

void minform(lint* x) {
  long long carry = 0;
  for (int i = 0; i < x->length; ++i) {
    long long v = x->limbs[i] + carry;
    bool top = i == x->length - 1;
    if (top && v < 0) {
      x->limbs[i] = v;
      return;
    }
    long long q = v / kLintBase;
    long long r = v % kLintBase;
    if (r < 0) {
      r += kLintBase;
      --q;
    }
    x->limbs[i] = r;
    carry = q;
    if (top && carry != 0) sizeUp(x);
  }
}

void regform(lint* x) {
  minform(x);
  dropZeroTopLimbs(x);
  if (x->length > 0 && x->limbs[x->length - 1] < 0) {
    x->sign = -x->sign;
    for (int i = 0; i < x->length; ++i) x->limbs[i] = -x->limbs[i];
    minform(x);
    dropZeroTopLimbs(x);
  }
  if (x->length == 0) x->sign = 1;
}

int lint_compare(const lint* a, const lint* b) {
  if (a->sign != b->sign) return a->sign > b->sign ? 1 : -1;
  return compareMagnitude(a, b) * a->sign;
}

int lint_eq(lint* a, lint* b) {
  regform(a);
  regform(b);
  return lint_compare(a, b) == 0 ? 1 : 0;
}

int lint_neq(lint* a, lint* b) {
  return 1 - lint_eq(a, b);
}

int lint_lt(lint* a, lint* b) {
  regform(a);
  regform(b);
  return lint_compare(a, b) < 0 ? 1 : 0;
}

int lint_gt(lint* a, lint* b) {
  regform(a);
  regform(b);
  return lint_compare(a, b) > 0 ? 1 : 0;
}

int lint_geq(lint* a, lint* b) {
  return 1 - lint_lt(a, b);
}
int lint_leq(lint* a, lint* b) {
  return 1 - lint_gt(a, b);
}

// ---------------------------------------------------------------------------------------
// Arithmetic
// ---------------------------------------------------------------------------------------

void lint_add(lint* a, const lint* b) {
  addSigned(a, b, 1);
}

void lint_subtract(lint* a, const lint* b) {
  addSigned(a, b, -1);
}

void lint_multiply(lint* a, const lint* b) {
  int sign = a->sign * b->sign;
  if (a->length == 0 || b->length == 0) {
    nullify_lint(a);
    return;
  }
  lint& w = state().product;
  int n = a->length + b->length + 2;
  lint_realloc(&w, n);
  lint_realloc(a, n);
  int bLength = b->length;
  w.length = 0;
  for (int i = 0; i < a->length; ++i) {
    long long ai = a->limbs[i];
    if (ai == 0) continue;
    for (int j = 0; j < bLength; ++j) w.limbs[i + j] += ai * b->limbs[j];
    if (w.length < i + bLength) w.length = i + bLength;
    carryFrom(&w, i);
  }
  int oldLength = a->length;
  for (int i = 0; i < w.length; ++i) {
    a->limbs[i] = w.limbs[i];
    w.limbs[i] = 0;
  }
  for (int i = w.length; i < oldLength; ++i) a->limbs[i] = 0;
  a->length = w.length;
  a->sign = sign;
  w.length = 0;
  regform(a);
}

void lint_intprod(lint* x, int k) {
  for (int i = 0; i < x->length; ++i) x->limbs[i] *= k;
  regform(x);
}

void lint_intadd(lint* x, int k) {
  if (x->length == 0) {
    lint_realloc(x, 1);
    x->length = 1;
    x->sign = 1;
  }
  // The limbs hold the magnitude: adding k to the value adds sign k to them.
  x->limbs[0] += static_cast<long long>(x->sign) * k;
  regform(x);
}

void lint_intdivide(lint* x, int k) {
  if (k == 0) {
    Alert("lint_intdivide", 1, 212404, "Invalid use of routine lint_intdivide");
    return;
  }
  long long divisor = static_cast<long long>(magnitude(k));
  long long remainder = 0;
  for (int i = x->length - 1; i >= 0; --i)
    remainder = (remainder * kLintBase + x->limbs[i]) % divisor;
  if (remainder != 0 && k != 1) {
    Alert("lint_intdivide", 2, 212404, "Number %s not divisible by %d", lint_string(x).c_str(), k);
  }
  remainder = 0;
  for (int i = x->length - 1; i >= 0; --i) {
    long long current = remainder * kLintBase + x->limbs[i];
    x->limbs[i] = current / divisor;
    remainder = current % divisor;
  }
  if (k < 0) x->sign = -x->sign;
  regform(x);
}

void lint_power(lint* x, int base, int n) {
  lint_assign(x, 1);
  if (n < 0) {
    Alert("lint_power", 1, 112311, "Negative powers not built in");
    return;
  }
  for (int i = 0; i < n; ++i) lint_intprod(x, base);
}

void lint_flip(lint* x) {
  if (x->length > 0) x->sign = -x->sign;
}

void lint_abs(lint* x) {
  regform(x);
  x->sign = 1;
}

int exact_division(lint* a, const lint* b, lint* q) {
  regform(a);
  if ((a->sign < 0 && a->length > 0) || (b->sign < 0 && !lintIsZero(b))) {
    Alert("exact_division", 1, 100302, "Negative signs not allowed in routine exact_division");
    return 1;
  }
  if (lintIsZero(b)) {
    Alert("exact_division", 2, 100302, "Attempt to divide by 0");
    return 1;
  }
  LargeIntegerState& s = state();
  if (b->limbs[b->length - 1] == 0) {
    lint_copy(&s.normalDivisor, b);
    regform(&s.normalDivisor);
    b = &s.normalDivisor;
  }
  for (;;) {
    if (a->length == 0) break;
    int c = compareMagnitude(a, b);
    if (c < 0) break;
    if (c == 0) {
      nullify_lint(a);
      lint_intadd(q, 1);
      break;
    }
    getIntegerRatio(a, b, &s.quotientEstimate, &s.estimateProduct);
    lint_add(q, &s.quotientEstimate);
    lint_subtract(a, &s.estimateProduct);
  }
  return 0;
}

void getIntegerRatio(const lint* a, const lint* b, lint* t, lint* p) {
  ldouble la;
  ldouble lb;
  ldouble ratio;
  lintToDouble(a, &la);
  lintToDouble(b, &lb);
  ldouble_ratio(&la, &lb, &ratio);
  // Slightly below the true quotient, whatever the rounding of the mantissas.
  ratio.mantissa *= 0.999999999999;
  ldouble_regform(&ratio);
  if (ratio.exponent < 0) {
    ratio.mantissa = 1;
    ratio.exponent = 0;
  }
  for (;;) {
    ldouble estimate = ratio;
    doubleToLint(t, &estimate);
    lint_copy(p, t);
    lint_multiply(p, b);
    if (lint_compare(p, a) <= 0) return;
    Alert("getIntegerRatio", 1, 100302, "Convergence problem; trying emergency procedure");
    ratio.mantissa *= 0.999999;
    ldouble_regform(&ratio);
  }
}

// ---------------------------------------------------------------------------------------
// Text and conversions
// ---------------------------------------------------------------------------------------

int lintSize(const char* text) {
  return 9 + static_cast<int>(std::strlen(text)) / 9 + 1;
}

int string_to_lint(lint* x, const char* text) {
  nullify_lint(x);
  int length = static_cast<int>(std::strlen(text));
  lint_realloc(x, lintSize(text));
  int start = length > 0 && text[0] == '-' ? 1 : 0;
  for (int i = start; i < length; ++i) {
    if (text[i] < '0' || text[i] > '9') {
      Alert("string_to_lint", 1, 100302, "String \"%s\" is non-numerical", text);
      return 1;
    }
  }
  int limb = 0;
  for (int end = length; end > start; end -= 9) {
    int begin = end - 9 > start ? end - 9 : start;
    long long value = 0;
    for (int i = begin; i < end; ++i) value = value * 10 + (text[i] - '0');
    x->limbs[limb++] = value;
  }
  x->length = limb;
  x->sign = start == 1 ? -1 : 1;
  regform(x);
  return 0;
}

std::string lint_string(const lint* x) {
  if (x->length == 0) return "0";
  std::string text;
  text.reserve(static_cast<std::size_t>(x->length) * 9 + 20);
  if (x->sign < 0) text += '-';
  char limb[32];
  std::snprintf(limb, sizeof(limb), "%lld", x->limbs[x->length - 1]);
  text += limb;
  for (int i = x->length - 2; i >= 0; --i) {
    std::snprintf(limb, sizeof(limb), "%09lld", x->limbs[i]);
    text += limb;
  }
  return text;
}

void lint_print(const lint* x) {
  PrintStdout("%s\n", lint_string(x).c_str());
}

int lint_to_int(const lint* x) {
  if (x->length == 0) return 0;
  if (x->length <= 2) {
    long long value = x->limbs[0] + (x->length == 2 ? x->limbs[1] * kLintBase : 0);
    value *= x->sign;
    if (value >= -2147483648LL && value <= 2147483647LL) return static_cast<int>(value);
  }
  Alert("lint_to_int", 1, 110413, "Integer overflow in conversion of %s", lint_string(x).c_str());
  return 2147483647;
}

void lintToDouble(const lint* x, ldouble* ld) {
  if (x->length == 0) {
    *ld = ldouble{};
    return;
  }
  ld->mantissa = topMantissa(x);
  ld->sign = x->sign;
  ld->exponent = x->length - 1;
  ldouble_regform(ld);
}

void doubleToLint(lint* x, ldouble* ld) {
  ldouble_regform(ld);
  nullify_lint(x);
  if (ld->mantissa == 0 || ld->exponent < 0) return;
  int length = ld->exponent + 1;
  lint_realloc(x, ld->exponent + 10);
  double m = ld->mantissa;
  for (int i = length - 1; i >= 0; --i) {
    double limb = std::floor(m);
    x->limbs[i] = static_cast<long long>(limb);
    m = (m - limb) * static_cast<double>(kLintBase);
  }
  x->length = length;
  x->sign = ld->sign;
  ld->mantissa = m;
  ld->exponent = -1;
  regform(x);
}

void ldouble_regform(ldouble* ld) {
  if (!std::isfinite(ld->mantissa)) ld->mantissa = 0;
  if (ld->mantissa == 0) {
    ld->sign = 1;
    ld->exponent = 0;
    return;
  }
  if (ld->mantissa < 0) {
    ld->mantissa = -ld->mantissa;
    ld->sign = -ld->sign;
  }
  const double base = static_cast<double>(kLintBase);
  while (ld->mantissa >= base) {
    ld->mantissa /= base;
    ++ld->exponent;
  }
  while (ld->mantissa < 1) {
    ld->mantissa *= base;
    --ld->exponent;
  }
}

ldouble ldouble_alloc() {
  return ldouble{};
}

void ldouble_ratio(const ldouble* a, const ldouble* b, ldouble* c) {
  ldouble result;
  result.mantissa = b->mantissa == 0 ? 0 : a->mantissa / b->mantissa;
  result.sign = a->sign * b->sign;
  result.exponent = a->exponent - b->exponent;
  ldouble_regform(&result);
  *c = result;
}

int getLintBaseSize() {
  return 9;
}

int LintStringLength(long long v) {
  int characters = v < 0 ? 1 : 0;
  unsigned long long m = magnitude(v);
  do {
    ++characters;
    m /= 10;
  } while (m != 0);
  return characters;
}

int lintNdigit(const lint* x) {
  if (x->length == 0) return 1;
  return LintStringLength(x->limbs[x->length - 1]) + 9 * (x->length - 1);
}

void lint_switch(lint* x) {
  x->sign = -x->sign;
  for (int i = 0; i < x->length; ++i) x->limbs[i] = -x->limbs[i];
}

int Lmod(long long a, int b) {
  if (b == 1 || b == -1) return 0;
  if (b == 0) {
    Alert("Lmod", 1, 112312, "Zero modulus");
    return 0;
  }
  long long r = a % b;
  if (r != 0 && ((r < 0) != (b < 0))) r += b;
  return static_cast<int>(r);
}

int checkLint(const lint* x) {
  int bad = 0;
  for (int i = x->length; i < x->capacity(); ++i) {
    if (x->limbs[i] != 0) {
      printErrorMessage("%d %s\n", i, lintElementToString(x->limbs[i]).c_str());
      ++bad;
    }
  }
  if (bad > 0) Alert("checkLint", 1, 100302, "Incorrect size specification of large integer");
  return bad;
}

std::string lintElementToString(long long limb) {
  return formatText("%lld", limb);
}
std::string lintElementToJustifiedString(long long limb) {
  return formatText("%09lld", limb);
}

// ---------------------------------------------------------------------------------------
// The store
// ---------------------------------------------------------------------------------------

int storeLint(const lint* x) {
  LargeIntegerState& s = state();
  s.store.push_back(*x);
  return static_cast<int>(s.store.size()) - 1;
}

int storePositiveLint(const lint* x) {
  if (x->sign < 0 && !lintIsZero(x)) {
    Alert("storePositiveLint", 1, 212404, "Unexpected negative integer");
    return 0;
  }
  if (x->length <= 1) return x->length == 0 ? 0 : static_cast<int>(x->limbs[0]);
  return ~storeLint(x);
}

lint* retrieveLint(int h) {
  if (h >= 0) return nullptr;
  LargeIntegerState& s = state();
  std::size_t index = static_cast<std::size_t>(~h);
  if (index >= s.store.size()) {
    Alert("retrieveLint", 1, 212404, "Invalid large integer handle %d", h);
    return nullptr;
  }
  return &s.store[index];
}

lint* makeOrRetrieveLint(int h, lint* tmp) {
  if (h >= 0) {
    lint_assign(tmp, h);
    return tmp;
  }
  return retrieveLint(h);
}

int PosIntSize(int h) {
  if (h >= 0) return Ndigit(h);
  lint* x = retrieveLint(h);
  return x == nullptr ? 0 : lintNdigit(x);
}

// ---------------------------------------------------------------------------------------
// Factorised integers
// ---------------------------------------------------------------------------------------

namespace {

void fintReserve(fint* f, int n) {
  while (static_cast<int>(f->exponent.size()) < n) fint_double(f);
}

void fintTrim(fint* f) {
  while (f->used > 0 && f->exponent[f->used - 1] == 0) --f->used;
}

int fintExponent(const fint* f, int i) {
  return i < f->used ? f->exponent[i] : 0;
}

// c = a + sign b exponent by exponent; c may be a or b.
void fintCombine(const fint* a, const fint* b, int sign, fint* c, const char* routine) {
  int n = a->used > b->used ? a->used : b->used;
  int aUsed = a->used;
  int bUsed = b->used;
  int oldUsed = c->used;
  fintReserve(c, n);
  for (int i = 0; i < n; ++i) {
    int ea = i < aUsed ? a->exponent[i] : 0;
    int eb = i < bUsed ? b->exponent[i] : 0;
    int result = 0;
    bool overflow = sign > 0 ? __builtin_add_overflow(ea, eb, &result)
                             : __builtin_sub_overflow(ea, eb, &result);
    if (overflow) {
      Alert(routine, 1, 112413, "Integer overflow");
      result = 0;
    }
    c->exponent[i] = result;
  }
  for (int i = n; i < oldUsed; ++i) c->exponent[i] = 0;
  c->used = n;
  fintTrim(c);
}

}  // namespace

fint fint_alloc() {
  return fint();
}

void fint_double(fint* f) {
  std::size_t size = f->exponent.size();
  f->exponent.resize(size < 1 ? 20 : 2 * size, 0);
}

void inttofint(int n, fint* f) {
  for (int i = 0; i < f->used; ++i) f->exponent[i] = 0;
  f->used = 0;
  if (n < 2) return;
  int m = n;
  for (int i = 0; m > 1; ++i) {
    int p = prime(i);
    if (static_cast<long long>(p) * p > m) {
      // What remains is a prime: find its index.
      int index = i;
      while (prime(index) < m) ++index;
      fintReserve(f, index + 1);
      f->exponent[index] = 1;
      f->used = index + 1;
      return;
    }
    if (m % p != 0) continue;
    fintReserve(f, i + 1);
    while (m % p == 0) {
      ++f->exponent[i];
      m /= p;
    }
    f->used = i + 1;
  }
}

void fint_prod(const fint* a, const fint* b, fint* c) {
  fintCombine(a, b, 1, c, "fint_prod");
}

void fint_ratio(const fint* a, const fint* b, fint* c) {
  fintCombine(a, b, -1, c, "fint_ratio");
}

void fint_copy(const fint* source, fint* destination) {
  if (source == destination) return;
  destination->exponent = source->exponent;
  destination->used = source->used;
}

void fint_to_lint(const fint* f, lint* x) {
  lint_assign(x, 1);
  for (int i = 0; i < f->used; ++i) {
    int p = prime(i);
    for (int k = 0; k < f->exponent[i]; ++k) lint_intprod(x, p);
  }
}

std::string fint_string(const fint* f) {
  lint& value = state().fintValue;
  fint_to_lint(f, &value);
  return lint_string(&value);
}

double finttodouble(const fint* f) {
  double value = 1;
  for (int i = 0; i < f->used; ++i) {
    for (int k = 0; k < fintExponent(f, i); ++k) value *= prime(i);
  }
  return value;
}

void fint_print(const fint* f, const char* title) {
  if (title != nullptr) PrintStdout("%s\n", title);
  for (int i = 0; i < f->used; ++i) PrintStdout("%d ", f->exponent[i]);
  PrintStdout("\n");
  lint& value = state().fintValue;
  fint_to_lint(f, &value);
  lint_print(&value);
}

void resetLargeInteger() {
  state() = LargeIntegerState();
  resetLargeRational();
}
