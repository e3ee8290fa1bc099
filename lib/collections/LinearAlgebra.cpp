// Integer Gauss-Jordan elimination and inversion, incremental elimination of double
// rows, determinants and Gram-Schmidt steps. Integer rows are reduced in 64-bit
// temporaries and written back only when every entry fits 32 bits.
#include "collections/LinearAlgebra.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "collections/VectorSpace.h"
#include "collections/VectorUtility.h"
#include "collections/VectorUtilityInternal.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"

namespace {

struct LinearAlgebraState {
  WorkBuffer<int> dummy{"Dummy"};
};

LinearAlgebraState& state() {
  static LinearAlgebraState s;
  return s;
}

int* entry(int* M, int ncols, int r, int c) {
  return M + static_cast<std::ptrdiff_t>(r) * ncols + c;
}

void reportOverflow(const char* routine) {
  Alert(routine, 0, 100213, "Integer overflow in %s", routine);
}

// Divides values by their gcd and negates them when any is negative; false when they
// are all zero.
bool normalizeWide(std::vector<std::int64_t>& values) {
  std::int64_t divisor = 0;
  bool negative = false;
  for (std::int64_t value : values) {
    divisor = vectorutility::gcd64(divisor, value);
    if (value < 0) negative = true;
  }
  if (divisor == 0) return false;
  if (negative) divisor = -divisor;
  for (std::int64_t& value : values) value /= divisor;
  return true;
}

bool allFit(const std::vector<std::int64_t>& values) {
  for (std::int64_t value : values) {
    if (!vectorutility::fitsInt(value)) return false;
  }
  return true;
}

constexpr double kPivotThreshold = 1e-7;

}  // namespace

void resetLinearAlgebraState() { state().dummy.release(); }

int NormalizeRow(int* M, int ncols, int r) {
  if (ncols < 1) return 1;
  std::vector<std::int64_t> row(entry(M, ncols, r, 0), entry(M, ncols, r, 0) + ncols);
  if (!normalizeWide(row)) return 1;
  // Every entry divides by the gcd and a sign change keeps it in range, except -2^31.
  if (!allFit(row)) {
    reportOverflow("NormalizeRow");
    return kEliminationOverflow;
  }
  for (int c = 0; c < ncols; ++c) *entry(M, ncols, r, c) = static_cast<int>(row[c]);
  return 0;
}

int SimplifyRow(int* M, int ncols, int r, int s, int k) {
  if (ncols < 1) return 1;
  int rk = *entry(M, ncols, r, k);
  if (rk != 0) {
    int sk = *entry(M, ncols, s, k);
    std::int64_t divisor = vectorutility::gcd64(rk, sk);
    std::vector<std::int64_t> row(static_cast<std::size_t>(ncols));
    for (int c = 0; c < ncols; ++c) {
      if (!vectorutility::mulSub64(*entry(M, ncols, r, c), sk / divisor, *entry(M, ncols, s, c),
                                   rk / divisor, &row[c])) {
        reportOverflow("SimplifyRow");
        return kEliminationOverflow;
      }
    }
    if (!normalizeWide(row)) {
      for (int c = 0; c < ncols; ++c) *entry(M, ncols, r, c) = 0;
      return 1;
    }
    if (!allFit(row)) {
      reportOverflow("SimplifyRow");
      return kEliminationOverflow;
    }
    for (int c = 0; c < ncols; ++c) *entry(M, ncols, r, c) = static_cast<int>(row[c]);
    return 0;
  }
  return NormalizeRow(M, ncols, r);
}

void swapRows(int* M, int ncols, int i, int j) {
  for (int c = 0; c < ncols; ++c) std::swap(*entry(M, ncols, i, c), *entry(M, ncols, j, c));
}

int LinearSweep(int* M, int nrows, int ncols) {
  if (ncols < nrows) {
    Alert("LinearSweep", 0, 212404, "Too few variables in LinearSweep");
    return -1;
  }
  if (nrows < 1) return 0;
  for (int i = 0; i < nrows; ++i) {
    if (*entry(M, ncols, i, i) == 0) {
      int j = i + 1;
      while (j < nrows && *entry(M, ncols, j, i) == 0) ++j;
      if (j == nrows) return 1;
      swapRows(M, ncols, i, j);
    }
    for (int j = 0; j < nrows; ++j) {
      if (j == i || *entry(M, ncols, j, i) == 0) continue;
      if (SimplifyRow(M, ncols, j, i, i) == kEliminationOverflow) return 2;
    }
  }
  return 0;
}

int CollectEquations(int* M, int* pivots, int* n, int ncols) {
  int count = *n;
  if (ncols < 1) return 0;
  // Kept aside so that an overflow half-way leaves every row as it was.
  std::vector<int> saved(M, M + static_cast<std::ptrdiff_t>(count + 1) * ncols);
  auto restore = [&]() {
    std::memcpy(M, saved.data(), saved.size() * sizeof(int));
    return kEliminationOverflow;
  };
  for (int i = 0; i < count; ++i) {
    int result = SimplifyRow(M, ncols, count, i, pivots[i]);
    if (result == kEliminationOverflow) return restore();
    if (result == 1) return 0;
  }
  if (zeroVectorCheck(ncols, entry(M, ncols, count, 0))) return 0;
  int pivot = 0;
  while (*entry(M, ncols, count, pivot) == 0) ++pivot;
  pivots[count] = pivot;
  for (int i = 0; i < count; ++i) {
    if (SimplifyRow(M, ncols, i, count, pivot) == kEliminationOverflow) return restore();
  }
  if (NormalizeRow(M, ncols, count) == kEliminationOverflow) return restore();
  *n = count + 1;
  return 1;
}

int MatInv(const int* A, int* Inv, int n) {
  if (n < 1) return 1;
  int columns = 2 * n;
  int* block = state().dummy.get(static_cast<std::size_t>(columns) * n);
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) {
      *entry(block, columns, r, c) = A[static_cast<std::ptrdiff_t>(r) * n + c];
      *entry(block, columns, r, n + c) = r == c ? 1 : 0;
    }
  }
  int result = LinearSweep(block, n, columns);
  if (result == 2) return 0;
  if (result != 0) {
    Alert("MatInv", 0, 100302, "Degenerate matrix");
    return 0;
  }
  std::int64_t denominator = 1;
  for (int i = 0; i < n; ++i) {
    std::int64_t diagonal = *entry(block, columns, i, i);
    if (diagonal < 0) diagonal = -diagonal;
    std::int64_t divisor = vectorutility::gcd64(denominator, diagonal);
    if (__builtin_mul_overflow(denominator / divisor, diagonal, &denominator) ||
        !vectorutility::fitsInt(denominator)) {
      reportOverflow("MatInv");
      return 0;
    }
  }
  for (int i = 0; i < n; ++i) {
    std::int64_t diagonal = *entry(block, columns, i, i);
    for (int j = 0; j < n; ++j) {
      std::int64_t value = *entry(block, columns, i, n + j) * denominator / diagonal;
      if (!vectorutility::fitsInt(value)) {
        reportOverflow("MatInv");
        return 0;
      }
      Inv[static_cast<std::ptrdiff_t>(i) * n + j] = static_cast<int>(value);
    }
  }
  return static_cast<int>(denominator);
}

void DoubleSweep(double* row, double* M, int n, int* nrows, int* pivots, int exclude,
                 const int* weights) {
  int* columnMap = pivots + n;
  auto stored = [M, n](int i) { return M + static_cast<std::ptrdiff_t>(i) * n; };
  auto clearSmall = [n](double* values) {
    for (int c = 0; c < n; ++c) {
      if (ZeroCheck(values[c])) values[c] = 0.0;
    }
  };
  for (int i = 0; i < *nrows; ++i) {
    int p = pivots[i];
    if (ZeroCheck(row[p])) {
      row[p] = 0.0;
      continue;
    }
    double factor = row[p];
    for (int c = 0; c < n; ++c) row[c] -= factor * stored(i)[c];
    clearSmall(row);
  }
  int pivot = -1;
  for (int c = 0; c < n; ++c) {
    if (c == exclude || columnMap[c] >= 0 || std::fabs(row[c]) <= kPivotThreshold) continue;
    if (weights != nullptr) {
      if (weights[c] <= 0) continue;
      if (pivot < 0 || weights[c] > weights[pivot]) pivot = c;
    } else if (pivot < 0 || std::fabs(row[c]) > std::fabs(row[pivot])) {
      pivot = c;
    }
  }
  if (pivot < 0) return;
  int index = *nrows;
  double* target = stored(index);
  double divisor = row[pivot];
  for (int c = 0; c < n; ++c) target[c] = row[c] / divisor;
  clearSmall(target);
  pivots[index] = pivot;
  columnMap[pivot] = index;
  *nrows = index + 1;
  for (int i = 0; i < index; ++i) {
    double factor = stored(i)[pivot];
    if (ZeroCheck(factor)) continue;
    for (int c = 0; c < n; ++c) stored(i)[c] -= factor * target[c];
    clearSmall(stored(i));
  }
}

namespace {

template <class Real>
Real determinantOf(Real* M, int n, Real clip) {
  if (n < 1) return 1;
  auto at = [M, n](int r, int c) -> Real& { return M[static_cast<std::ptrdiff_t>(r) * n + c]; };
  Real sign = 1;
  for (int i = 0; i < n; ++i) {
    int j = i;
    while (j < n && std::fabs(at(j, i)) <= kPivotThreshold) ++j;
    if (j == n) return 0;
    if (j != i) {
      for (int c = 0; c < n; ++c) std::swap(at(i, c), at(j, c));
      sign = -sign;
    }
    for (int r = i + 1; r < n; ++r) {
      Real factor = -at(r, i) / at(i, i);
      for (int c = 0; c < n; ++c) {
        at(r, c) += factor * at(i, c);
        if (std::fabs(at(r, c)) < clip) at(r, c) = 0;
      }
    }
  }
  Real product = sign;
  for (int i = 0; i < n; ++i) product *= at(i, i);
  return product;
}

}  // namespace

double Determinant(double* M, int n) { return determinantOf<double>(M, n, 1e-10); }

long double DeterminantL(long double* M, int n) {
  return determinantOf<long double>(M, n, 1e-13L);
}

void ComplexDeterminant(double* re, double* im, int n, double* dre, double* dim) {
  *dre = 1.0;
  *dim = 0.0;
  if (n < 1) return;
  auto index = [n](int r, int c) { return static_cast<std::ptrdiff_t>(r) * n + c; };
  double sign = 1.0;
  for (int i = 0; i < n; ++i) {
    int j = i;
    while (j < n && absC(re[index(j, i)], im[index(j, i)]) <= kPivotThreshold) ++j;
    if (j == n) {
      *dre = 0.0;
      return;
    }
    if (j != i) {
      for (int c = 0; c < n; ++c) {
        std::swap(re[index(i, c)], re[index(j, c)]);
        std::swap(im[index(i, c)], im[index(j, c)]);
      }
      sign = -sign;
    }
    for (int r = i + 1; r < n; ++r) {
      double ratioRe = 0.0;
      double ratioIm = 0.0;
      complexRatio(&ratioRe, &ratioIm, re[index(r, i)], im[index(r, i)], re[index(i, i)],
                   im[index(i, i)]);
      for (int c = 0; c < n; ++c) {
        double pivotRe = re[index(i, c)];
        double pivotIm = im[index(i, c)];
        double& targetRe = re[index(r, c)];
        double& targetIm = im[index(r, c)];
        targetRe -= ratioRe * pivotRe - ratioIm * pivotIm;
        targetIm -= ratioRe * pivotIm + ratioIm * pivotRe;
        if (std::fabs(targetRe) < 1e-10) targetRe = 0.0;
        if (std::fabs(targetIm) < 1e-10) targetIm = 0.0;
      }
    }
  }
  double productRe = sign;
  double productIm = 0.0;
  for (int i = 0; i < n; ++i) {
    double a = re[index(i, i)];
    double b = im[index(i, i)];
    double nextRe = productRe * a - productIm * b;
    productIm = productRe * b + productIm * a;
    productRe = nextRe;
  }
  *dre = productRe;
  *dim = productIm;
}

void printMatrix(const int* M, int n) {
  std::string text;
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) text += formatText("%d ", M[static_cast<std::ptrdiff_t>(r) * n + c]);
    text += "\n";
  }
  text += "\n";
  PrintStdout("%s", text.c_str());
}

void printDoubleMatrix(const double* M, int n) {
  std::string text;
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) {
      text += formatText("%15.7f ", M[static_cast<std::ptrdiff_t>(r) * n + c]);
    }
    text += "\n";
  }
  text += "\n";
  PrintStdout("%s", text.c_str());
}

int makeOrthogonal(int n, const int* u, int* v) {
  std::int64_t uu = 0;
  std::int64_t uv = 0;
  for (int i = 0; i < n; ++i) {
    uu += static_cast<std::int64_t>(u[i]) * u[i];
    uv += static_cast<std::int64_t>(u[i]) * v[i];
  }
  if (uv == 0) return 0;
  std::vector<std::int64_t> result(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    if (!vectorutility::mulSub64(uu, v[i], uv, u[i], &result[i]) ||
        !vectorutility::fitsInt(result[i])) {
      reportOverflow("makeOrthogonal");
      return -1;
    }
  }
  for (int i = 0; i < n; ++i) v[i] = static_cast<int>(result[i]);
  return 1;
}

int makeOrthogonalLong(int n, const long long* u, long long* v) {
  __int128 uu = 0;
  __int128 uv = 0;
  for (int i = 0; i < n; ++i) {
    uu += static_cast<__int128>(u[i]) * u[i];
    uv += static_cast<__int128>(u[i]) * v[i];
  }
  if (uv == 0) return 0;
  const __int128 limit = static_cast<__int128>(INT64_MAX);
  std::vector<long long> result(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    __int128 left = 0;
    __int128 right = 0;
    __int128 value = 0;
    bool overflow = __builtin_mul_overflow(uu, static_cast<__int128>(v[i]), &left) ||
                    __builtin_mul_overflow(uv, static_cast<__int128>(u[i]), &right) ||
                    __builtin_sub_overflow(left, right, &value) || value > limit || value < -limit;
    if (overflow) {
      reportOverflow("makeOrthogonalLong");
      return -1;
    }
    result[i] = static_cast<long long>(value);
  }
  for (int i = 0; i < n; ++i) v[i] = result[i];
  return 1;
}

double makeOrthogonalDouble(int n, const double* u, double* v) {
  double uu = dotProdD(u, u, n);
  double uv = dotProdD(u, v, n);
  if (std::fabs(uv) < 1e-8) return std::fabs(uv);
  for (int i = 0; i < n; ++i) v[i] = uu * v[i] - uv * u[i];
  return -uv;
}

int NormalizeDoubleVector(int n, const double* x) { return DoubleNorm(n, x) >= 1e-10 ? 1 : 0; }

namespace {

// One step of makeOrthogonalToVectorSpace in 128-bit arithmetic: v := (u.u) v - (u.v) u,
// divided by the gcd and with a positive leading entry, written back only when it fits
// within limit. Returns 1 (v non-zero), 0 (v vanished) or -1 (overflow, v unchanged).
template <class Int>
int orthogonalStep(int n, const Int* u, Int* v, __int128 limit, const char* routine) {
  __int128 uu = 0;
  __int128 uv = 0;
  for (int i = 0; i < n; ++i) {
    uu += static_cast<__int128>(u[i]) * u[i];
    uv += static_cast<__int128>(u[i]) * v[i];
  }
  std::vector<__int128> result(static_cast<std::size_t>(n));
  __int128 divisor = 0;
  int sign = 0;
  for (int i = 0; i < n; ++i) {
    __int128 left = 0;
    __int128 right = 0;
    if (uv == 0) {
      result[i] = v[i];
    } else if (__builtin_mul_overflow(uu, static_cast<__int128>(v[i]), &left) ||
               __builtin_mul_overflow(uv, static_cast<__int128>(u[i]), &right) ||
               __builtin_sub_overflow(left, right, &result[i])) {
      reportOverflow(routine);
      return -1;
    }
    __int128 a = result[i] < 0 ? -result[i] : result[i];
    while (a != 0) {
      __int128 rest = divisor % a;
      divisor = a;
      a = rest;
    }
    if (sign == 0 && result[i] != 0) sign = result[i] > 0 ? 1 : -1;
  }
  if (sign == 0) {
    for (int i = 0; i < n; ++i) v[i] = 0;
    return 0;
  }
  for (int i = 0; i < n; ++i) {
    result[i] = result[i] / divisor * sign;
    if (result[i] > limit || result[i] < -limit) {
      reportOverflow(routine);
      return -1;
    }
  }
  for (int i = 0; i < n; ++i) v[i] = static_cast<Int>(result[i]);
  return 1;
}

}  // namespace

int makeOrthogonalToVectorSpace(int n, const VectorSpace* space, int* v) {
  if (NormalizeIntegerVector(n, v) == 0) return 0;
  for (int r = 0; r < space->Nfill; ++r) {
    const int* row = space->Space + static_cast<std::ptrdiff_t>(r) * space->rowsize;
    int result = orthogonalStep<int>(n, row, v, INT_MAX, "makeOrthogonalToVectorSpace");
    if (result <= 0) return result;
  }
  return 1;
}

int makeOrthogonalToVectorSpaceLong(int n, const VectorSpace* space, long long* v) {
  if (n >= 11) Alert("makeOrthogonalToVectorSpaceLong", 0, 3, "Vector size exceeded");
  if (NormalizeLongIntegerVector(n, v) == 0) return 0;
  std::vector<long long> wide(static_cast<std::size_t>(n > 0 ? n : 0));
  for (int r = 0; r < space->Nfill; ++r) {
    const int* row = space->Space + static_cast<std::ptrdiff_t>(r) * space->rowsize;
    for (int i = 0; i < n; ++i) wide[i] = row[i];
    int result = orthogonalStep<long long>(n, wide.data(), v, INT64_MAX,
                                           "makeOrthogonalToVectorSpaceLong");
    if (result <= 0) return result;
  }
  return 1;
}

int makeOrthogonalToVectorSpaceDouble(int n, const DoubleVectorSpace* space, double* x) {
  if (DoubleNorm(n, x) < 1e-10) return 0;
  for (int r = 0; r < space->Nfill; ++r) {
    const double* row = space->Space + static_cast<std::ptrdiff_t>(r) * space->rowsize;
    makeOrthogonalDouble(n, row, x);
    if (DoubleNorm(n, x) < 1e-10) return 0;
  }
  return 1;
}
