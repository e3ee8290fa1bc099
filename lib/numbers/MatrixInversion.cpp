// Gauss-Jordan inversion over Rat and over doubles. The exact inversion picks as pivot
// the entry with the smallest |num| + |den|, so that intermediate numbers stay small;
// row combinations are formed in 128 bits and every result is checked to fit 64 bits.
#include "numbers/MatrixInversion.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "runtime/Error.h"
#include "runtime/Output.h"

namespace {

using Wide = __int128;

Wide wideAbs(Wide x) { return x < 0 ? -x : x; }

Wide wideGcd(Wide a, Wide b) {
  a = wideAbs(a);
  b = wideAbs(b);
  while (b != 0) {
    Wide t = a % b;
    a = b;
    b = t;
  }
  return a;
}

// p / q reduced into out; false when it does not fit 64 bits.
bool reduceInto(Wide p, Wide q, Rat* out) {
  if (q < 0) {
    p = -p;
    q = -q;
  }
  Wide g = wideGcd(p, q);
  if (g > 1) {
    p /= g;
    q /= g;
  }
  if (p == 0) q = 1;
  const Wide limit = static_cast<Wide>(INT64_MAX);
  if (p > limit || p < -limit || q > limit) return false;
  out->num = static_cast<long long>(p);
  out->den = static_cast<long long>(q);
  return true;
}

// x y exactly, reduced; false when a factor has a zero denominator.
bool product(const Rat& x, const Rat& y, Wide* num, Wide* den) {
  if (x.den == 0 || y.den == 0) return false;
  long long g1 = GCD_LONG(x.num, y.den);
  long long g2 = GCD_LONG(y.num, x.den);
  if (g1 == 0) g1 = 1;
  if (g2 == 0) g2 = 1;
  *num = static_cast<Wide>(x.num / g1) * (y.num / g2);
  *den = static_cast<Wide>(x.den / g2) * (y.den / g1);
  return true;
}

// a x + b y exactly; 0 ok, 1 vanishing denominator, 2 beyond 64 bits.
int combination(const Rat& a, const Rat& x, const Rat& b, const Rat& y, Rat* out) {
  Wide n1, d1, n2, d2;
  if (!product(a, x, &n1, &d1) || !product(b, y, &n2, &d2)) return 1;
  Wide g = wideGcd(d1, d2);
  Wide f1 = d2 / g;
  Wide f2 = d1 / g;
  Wide t1, t2, num, den;
  if (__builtin_mul_overflow(n1, f1, &t1) || __builtin_mul_overflow(n2, f2, &t2) ||
      __builtin_add_overflow(t1, t2, &num) || __builtin_mul_overflow(d1, f1, &den)) {
    return 2;
  }
  return reduceInto(num, den, out) ? 0 : 2;
}

Wide magnitude(long long x) { return x < 0 ? -static_cast<Wide>(x) : static_cast<Wide>(x); }

}  // namespace

void interchangeRationalRows(int n, Rat* M, int i, int j) {
  if (i == j) return;
  for (int c = 0; c < n; ++c) std::swap(M[i * n + c], M[j * n + c]);
}

int ReplaceRationalRowByLinearCombination(int n, Rat* A, const Rat* B, const Rat* a, const Rat* b) {
  std::vector<Rat> result(static_cast<std::size_t>(n > 0 ? n : 0));
  for (int i = 0; i < n; ++i) {
    int status = combination(*a, A[i], *b, B[i], &result[static_cast<std::size_t>(i)]);
    if (status == 1) {
      Alert("ReplaceRationalRowByLinearCombination", 0, 100302, "Vanishing denominator encountered");
      return 0;
    }
    if (status == 2) {
      Alert("ReplaceRationalRowByLinearCombination", 1, 100302, "Rational overflow in linear combination");
      return 0;
    }
  }
  for (int i = 0; i < n; ++i) A[i] = result[static_cast<std::size_t>(i)];
  return 1;
}

Rat* RationalMatrixInversion(int n, Rat* M, Rat* Inv) {
  if (n < 1) return Inv;
  std::size_t size = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
  std::vector<Rat> work(size);
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) work[static_cast<std::size_t>(r * n + c)] = Rat{r == c ? 1 : 0, 1};
  }
  const Rat one{1, 1};
  for (int c = 0; c < n; ++c) {
    int pivot = -1;
    Wide best = 0;
    for (int r = c; r < n; ++r) {
      const Rat& x = M[r * n + c];
      if (x.num == 0) continue;
      if (x.den == 0) {
        Alert("RationalMatrixInversion", 1, 100302, "Vanishing denominator encountered");
        return nullptr;
      }
      Wide weight = magnitude(x.num) + magnitude(x.den);
      if (pivot < 0 || weight < best) {
        pivot = r;
        best = weight;
      }
    }
    if (pivot < 0) {
      Alert("RationalMatrixInversion", 0, 100302, "Rational matrix not invertible (col. %d)", c);
      return nullptr;
    }
    if (pivot != c) {
      interchangeRationalRows(n, M, pivot, c);
      interchangeRationalRows(n, work.data(), pivot, c);
    }
    Rat reciprocal{M[c * n + c].den, M[c * n + c].num};
    simplifyRat(&reciprocal);
    const Rat zero{0, 1};
    if (ReplaceRationalRowByLinearCombination(n, work.data() + c * n, work.data() + c * n, &reciprocal, &zero) == 0 ||
        ReplaceRationalRowByLinearCombination(n, M + c * n, M + c * n, &reciprocal, &zero) == 0) {
      return nullptr;
    }
    for (int r = 0; r < n; ++r) {
      if (r == c || M[r * n + c].num == 0) continue;
      Rat factor{-M[r * n + c].num, M[r * n + c].den};
      if (ReplaceRationalRowByLinearCombination(n, work.data() + r * n, work.data() + c * n, &one, &factor) == 0 ||
          ReplaceRationalRowByLinearCombination(n, M + r * n, M + c * n, &one, &factor) == 0) {
        return nullptr;
      }
      M[r * n + c] = Rat{0, 1};
    }
  }
  for (std::size_t i = 0; i < size; ++i) Inv[i] = work[i];
  return Inv;
}

// ---------------------------------------------------------------------------------------
// Double precision

double OptimizedValue(double x) { return std::fabs(x + 1.0 / x); }

int FindOptimalElementInLowerColumn(int n, const double* M, int c) {
  int best = -1;
  double bestValue = 1e24;
  for (int r = c; r < n; ++r) {
    double x = M[r * n + c];
    if (std::fabs(x) <= kTolerance) continue;
    double value = OptimizedValue(x);
    if (value < bestValue) {
      bestValue = value;
      best = r;
    }
  }
  return best;
}

int FindLargestElementInLowerColumn(int n, const double* M, int c) {
  int best = -1;
  double largest = 0;
  for (int r = c + 1; r < n; ++r) {
    double x = std::fabs(M[r * n + c]);
    if (best < 0 || x > largest) {
      best = r;
      largest = x;
    }
  }
  if (best < 0 || largest <= kTolerance) return -1;
  return best;
}

void interchangeRows(int n, double* M, int i, int j) {
  if (i == j) return;
  for (int c = 0; c < n; ++c) std::swap(M[i * n + c], M[j * n + c]);
}

void ReplaceRowByLinearCombination(int n, double* A, const double* B, double a, double b) {
  for (int i = 0; i < n; ++i) A[i] = a * A[i] + b * B[i];
}

double* MatrixInversion(int n, double* M, double* Inv) {
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) Inv[r * n + c] = r == c ? 1.0 : 0.0;
  }
  for (int c = 0; c < n; ++c) {
    int pivot = FindOptimalElementInLowerColumn(n, M, c);
    if (pivot < 0) {
      if (n <= 9) printDoubleMatrix2(n, M, formatText("Non-invertible at i=%d", c).c_str());
      Alert("MatrixInversion", 0, 100302, "Matrix not invertible");
      return nullptr;
    }
    interchangeRows(n, M, pivot, c);
    interchangeRows(n, Inv, pivot, c);
    double scale = 1.0 / M[c * n + c];
    ReplaceRowByLinearCombination(n, Inv + c * n, Inv + c * n, scale, 0.0);
    ReplaceRowByLinearCombination(n, M + c * n, M + c * n, scale, 0.0);
    for (int r = 0; r < n; ++r) {
      double x = M[r * n + c];
      if (r == c || std::fabs(x) <= kTolerance) continue;
      ReplaceRowByLinearCombination(n, Inv + r * n, Inv + c * n, 1.0, -x);
      ReplaceRowByLinearCombination(n, M + r * n, M + c * n, 1.0, -x);
      M[r * n + c] = 0.0;
    }
  }
  return Inv;
}

void printDoubleMatrix2(int n, const double* M, const char* title) {
  PrintStdout("------------------------ %s -------------------------------\n", title);
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) PrintStdout("%30.20f ", M[r * n + c]);
    PrintStdout("\n");
  }
}

void printRationalVector(int n, const Rat* v, const char* name) {
  if (n < 1) return;
  std::string line = formatText("%s (", name);
  for (int i = 0; i < n; ++i) {
    if (i > 0) line += ",";
    line += ratString(&v[i]);
  }
  line += ")\n";
  PrintStdout("%s", line.c_str());
}
