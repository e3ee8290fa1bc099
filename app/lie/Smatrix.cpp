// S-matrix elements: cosine tables, orthogonal coordinates, trigonometric determinants,
// the dispatcher SDirect and the routines of U(1), A to D, B(2t) and the N=2 minimal
// models. The exceptional algebras are in SmatrixExceptional.cpp.
//
// State: the cosine-table chains (one table of 2M doubles per modulus M, allocated once
// and never moved, so callers may keep pointers into it), the per-routine constants of
// the determinant routines (rebuilt when (rank, level) differs from the previous call of
// the same routine), the guarded work buffers "S_work", "aux_mat" and "aux_matL", and the
// trace flag. resetSmatrix drops all of it.
#include "lie/Smatrix.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "collections/LinearAlgebra.h"
#include "lie/LieAlgebra.h"
#include "lie/SmatrixInternal.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"

AllocationAccount Cos_alloc("S-matrix Cosines");

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;
constexpr int kNotBuilt = INT_MIN;

using CosTable = AccountVector<double>;
using CosChain = std::map<int, std::unique_ptr<CosTable>, std::less<int>,
                          AccountAllocator<std::pair<const int, std::unique_ptr<CosTable>>>>;

// Constants of one determinant routine for its last (rank, level).
struct TypeConstants {
  int lastRank = kNotBuilt;
  int lastLevel = kNotBuilt;
  int modul = 0;
  double norm = 1.0;
  int root = 0;
  int rankp = 0;
  const double* cos = nullptr;
  const double* sin = nullptr;
  bool valid = false;
};

// The vacuum row of one affine algebra by the Weyl denominator:
//   S(0, b) = 2^|roots| |P/Q^v|^(-1/2) (k+h)^(-r/2) prod_{alpha>0} sin(pi (b+rho, alpha)/(k+h)),
// with (b+rho, alpha) = sum_j (b_j+1) c_j / 6 for the stored root c. Every factor is
// computed on its own, so the element keeps full relative precision however small.
struct VacuumRow {
  int type = kNotBuilt;
  int rank = kNotBuilt;
  int level = kNotBuilt;
  bool usable = false;
  int roots = 0;
  std::vector<int> rootVectors;  // roots x rank, stored-root units
  long long denominator = 0;     // 6 (k + h)
  std::vector<double> sines;     // sin(pi j / denominator), j = 0 .. denominator
  double normMantissa = 1.0;     // the constant factor as mantissa x 2^normExponent
  int normExponent = 0;
};

struct SmatrixState {
  CosChain firstCos{AccountAllocator<std::pair<const int, std::unique_ptr<CosTable>>>(
      &Cos_alloc, "Sines/Cosines pointer")};
  CosChain firstCosL{AccountAllocator<std::pair<const int, std::unique_ptr<CosTable>>>(
      &Cos_alloc, "Sines/Cosines pointer")};
  TypeConstants constantsA, constantsB, constantsC, constantsD, constantsBtilde;
  WorkBuffer<int> workA{"S_work"};
  WorkBuffer<int> workB{"S_work"};
  WorkBuffer<int> workC{"S_work"};
  WorkBuffer<int> workD{"S_work"};
  WorkBuffer<int> workBtilde{"S_work"};
  WorkBuffer<double> auxMat{"aux_mat"};
  WorkBuffer<double> auxMatComplex{"aux_mat"};
  WorkBuffer<long double> auxMatL{"aux_matL"};
  VacuumRow vacuumRow;
  int traceCalls = 0;
};

SmatrixState& state() {
  static SmatrixState s;
  return s;
}

const double* cosTable(CosChain& chain, int modulus) {
  if (modulus < 1) {
    Alert("getCos", 1, 212404, "Invalid modulus %d for the cosine table", modulus);
    return nullptr;
  }
  auto found = chain.find(modulus);
  if (found != chain.end()) return found->second->data();
  auto table = std::make_unique<CosTable>(AccountAllocator<double>(&Cos_alloc, "Sines/Cosines"));
  table->resize(2 * static_cast<std::size_t>(modulus));
  const double step = kTwoPi / modulus;
  for (int k = 0; k < modulus; ++k) {
    const double angle = step * k;
    (*table)[k] = std::cos(angle);
    (*table)[modulus + k] = -std::sin(angle);
  }
  const double* data = table->data();
  chain.emplace(modulus, std::move(table));
  return data;
}

// Fetches the tables of c.modul into c; false (outputs to be zeroed) when unusable.
bool attachTables(TypeConstants& c) {
  const double* table = c.modul > 0 ? getCos(c.modul) : nullptr;
  c.cos = table;
  c.sin = table == nullptr ? nullptr : table + c.modul;
  c.valid = table != nullptr;
  return c.valid;
}

bool sameKey(const TypeConstants& c, int rank, int level) { return c.lastRank == rank && c.lastLevel == level; }

void setKey(TypeConstants& c, int rank, int level) {
  c.lastRank = rank;
  c.lastLevel = level;
}

double powerOfTwo(int n) { return static_cast<double>(twopow(n)); }

}  // namespace

namespace smatrix_internal {

int checkedModulus(long long modulus, const char* routine) {
  if (modulus < 1 || modulus > INT_MAX / 2) {
    Alert(routine, 1, 112312, "Modulus %lld out of range for the cosine table", modulus);
    return 0;
  }
  return static_cast<int>(modulus);
}

}  // namespace smatrix_internal

using smatrix_internal::checkedModulus;

// ---------------------------------------------------------------------------------------
// Cosine tables and orthogonal coordinates
// ---------------------------------------------------------------------------------------

const double* getCos(int modulus) { return cosTable(state().firstCos, modulus); }

const double* getCosL(int modulus) { return cosTable(state().firstCosL, modulus); }

void orthA(int* out, const int* a, int rank) {
  if (out == nullptr || a == nullptr || rank < 0) return;
  int last = 0;
  for (int i = 0; i < rank; ++i) last -= (i + 1) * (a[i] + 1);
  out[rank] = last;
  for (int j = rank - 1; j >= 0; --j) out[j] = out[j + 1] + (rank + 1) * (a[j] + 1);
}

void orthB(int* out, const int* a, int rank) {
  if (out == nullptr || a == nullptr || rank < 1) return;
  out[rank - 1] = a[rank - 1] + 1;
  for (int j = rank - 2; j >= 0; --j) out[j] = out[j + 1] + 2 * a[j] + 2;
}

void orthC(int* out, const int* a, int rank) {
  if (out == nullptr || a == nullptr || rank < 1) return;
  out[rank - 1] = a[rank - 1] + 1;
  for (int j = rank - 2; j >= 0; --j) out[j] = out[j + 1] + a[j] + 1;
}

void orthD(int* out, const int* a, int rank) {
  if (out == nullptr || a == nullptr || rank < 2) return;
  out[rank - 2] = a[rank - 2] + a[rank - 1] + 2;
  out[rank - 1] = a[rank - 1] - a[rank - 2];
  for (int j = rank - 3; j >= 0; --j) out[j] = out[j + 1] + 2 * a[j] + 2;
}

void orthE6(int* out, const int* a) {
  if (out == nullptr || a == nullptr) return;
  out[0] = 6 * (a[0] + a[1] + a[2]) + 3 * (a[3] + a[5]) + 24;
  out[1] = 6 * (a[1] + a[2]) + 3 * (a[3] + a[5]) + 18;
  out[2] = 6 * a[2] + 3 * (a[3] + a[5]) + 12;
  out[3] = 3 * (a[3] + a[5]) + 6;
  out[4] = 3 * (a[3] - a[5]);
  out[5] = -(2 * a[0] + 4 * a[1] + 6 * a[2] + 5 * a[3] + 4 * a[4] + 3 * a[5]) - 24;
}

void orthE7(int* out, const int* a) {
  if (out == nullptr || a == nullptr) return;
  out[4] = a[1] + a[6] + 2;
  out[5] = a[1] - a[6];
  out[3] = out[4] + 2 * a[2] + 2;
  out[2] = out[3] + 2 * a[3] + 2;
  out[1] = out[2] + 2 * a[4] + 2;
  out[0] = out[1] + 2 * a[5] + 2;
  out[6] = -(2 * a[0] + 3 * a[1] + 4 * a[2] + 3 * a[3] + 2 * a[4] + a[5] + 2 * a[6]) - 17;
}

void orthE8(int* out, const int* a) {
  if (out == nullptr || a == nullptr) return;
  out[0] = (a[0] + 2 * a[1] + 3 * a[2] + 4 * a[3] + 5 * a[4] + 4 * a[5] + 3 * a[6] + 2 * a[7]) + 24;
  out[1] = out[0] - 2 * a[6] - 2;
  out[2] = out[1] - 2 * a[5] - 2;
  out[3] = 2 * a[4] + 2 - out[2];
  out[4] = out[3] + 2 * a[3] + 2;
  out[5] = out[4] + 2 * a[2] + 2;
  out[6] = out[5] + 2 * a[1] + 2;
  out[7] = out[6] + 2 * a[0] + 2;
}

void orthF(int* out, const int* a) {
  if (out == nullptr || a == nullptr) return;
  out[0] = 2 * a[0] + 2 * a[1] + a[2] + 5;
  out[1] = 2 * a[1] + a[2] + 3;
  out[2] = a[2] + 1;
  out[3] = -(2 * a[0] + 4 * a[1] + 3 * a[2] + 2 * a[3]) - 11;
}

void OrthoB(int rank, const int* v, int* out) {
  if (out == nullptr || v == nullptr || rank < 1) return;
  out[rank - 1] = v[rank - 1] / 2;
  for (int j = rank - 2; j >= 0; --j) out[j] = v[j] + out[j + 1];
}

namespace {

constexpr int kStackOrder = 16;

// index[i n + j] = (x_i y_j) mod M in [0, M). Both factors are reduced first; while
// M^2 < 2^52 the quotient comes from a double reciprocal and one correction step.
void residues(const int* x, const int* y, int n, int modulus, int* index) {
  int xr[kStackOrder], yr[kStackOrder];
  std::vector<int> wide;
  int* xs = xr;
  int* ys = yr;
  if (n > kStackOrder) {
    wide.resize(2 * static_cast<std::size_t>(n));
    xs = wide.data();
    ys = wide.data() + n;
  }
  for (int i = 0; i < n; ++i) {
    xs[i] = mod(x[i], modulus);
    ys[i] = mod(y[i], modulus);
  }
  const long long M = modulus;
  if (M < (1LL << 26)) {
    const double inverse = 1.0 / static_cast<double>(M);
    for (int i = 0; i < n; ++i) {
      const long long xi = xs[i];
      for (int j = 0; j < n; ++j) {
        const long long p = xi * ys[j];
        long long r = p - static_cast<long long>(static_cast<double>(p) * inverse) * M;
        if (r < 0) r += M;
        if (r >= M) r -= M;
        index[i * n + j] = static_cast<int>(r);
      }
    }
    return;
  }
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) index[i * n + j] = static_cast<int>((static_cast<long long>(xs[i]) * ys[j]) % M);
  }
}

// Gaussian elimination with partial pivoting; m (n x n, row-major) is destroyed.
double pivotedDeterminant(double* m, int n) {
  double det = 1.0;
  for (int c = 0; c < n; ++c) {
    int pivotRow = c;
    double best = std::fabs(m[c * n + c]);
    for (int r = c + 1; r < n; ++r) {
      const double v = std::fabs(m[r * n + c]);
      if (v > best) best = v, pivotRow = r;
    }
    if (best == 0.0) return 0.0;
    if (pivotRow != c) {
      for (int j = c; j < n; ++j) std::swap(m[c * n + j], m[pivotRow * n + j]);
      det = -det;
    }
    const double pivot = m[c * n + c];
    det *= pivot;
    for (int r = c + 1; r < n; ++r) {
      const double f = m[r * n + c] / pivot;
      if (f == 0.0) continue;
      for (int j = c + 1; j < n; ++j) m[r * n + j] -= f * m[c * n + j];
    }
  }
  return det;
}

// The same for the complex matrix re + i im.
void pivotedComplexDeterminant(double* re, double* im, int n, double* dre, double* dim) {
  double detRe = 1.0, detIm = 0.0;
  for (int c = 0; c < n; ++c) {
    int pivotRow = c;
    double best = re[c * n + c] * re[c * n + c] + im[c * n + c] * im[c * n + c];
    for (int r = c + 1; r < n; ++r) {
      const double v = re[r * n + c] * re[r * n + c] + im[r * n + c] * im[r * n + c];
      if (v > best) best = v, pivotRow = r;
    }
    if (best == 0.0) {
      *dre = 0.0;
      *dim = 0.0;
      return;
    }
    if (pivotRow != c) {
      for (int j = c; j < n; ++j) {
        std::swap(re[c * n + j], re[pivotRow * n + j]);
        std::swap(im[c * n + j], im[pivotRow * n + j]);
      }
      detRe = -detRe, detIm = -detIm;
    }
    const double pr = re[c * n + c], pi = im[c * n + c];
    const double nextRe = detRe * pr - detIm * pi;
    detIm = detRe * pi + detIm * pr;
    detRe = nextRe;
    for (int r = c + 1; r < n; ++r) {
      const double ar = re[r * n + c], ai = im[r * n + c];
      if (ar == 0.0 && ai == 0.0) continue;
      // f = a / p
      const double fr = (ar * pr + ai * pi) / best;
      const double fi = (ai * pr - ar * pi) / best;
      for (int j = c + 1; j < n; ++j) {
        const double br = re[c * n + j], bi = im[c * n + j];
        re[r * n + j] -= fr * br - fi * bi;
        im[r * n + j] -= fr * bi + fi * br;
      }
    }
  }
  *dre = detRe;
  *dim = detIm;
}

// A table entry as the determinants use it: the cosines and sines of the quarter turns are
// exactly 0 (the table holds them as rounding residues near 1e-16; every other entry is at
// least sin(2 pi / M) > 2e-9 in size).
inline double entry(const double* table, int index) {
  const double v = table[index];
  return std::fabs(v) < 1e-12 ? 0.0 : v;
}

// Scratch of the element determinants: on the stack up to order 16, else in the module.
struct Scratch {
  double stackValues[2 * kStackOrder * kStackOrder];
  int stackIndex[kStackOrder * kStackOrder];
  std::vector<double> wideValues;
  std::vector<int> wideIndex;
  double* values;
  int* index;
  Scratch(int n, int blocks) {
    const std::size_t size = static_cast<std::size_t>(n) * n;
    if (n <= kStackOrder) {
      values = stackValues;
      index = stackIndex;
    } else {
      wideValues.resize(blocks * size);
      wideIndex.resize(size);
      values = wideValues.data();
      index = wideIndex.data();
    }
  }
};

// Fills the matrix table[(x_i y_j) mod M] (plus the imaginary half when complex).
void fillTrigMatrix(double* matrix, const int* x, const int* y, int n, int modulus, const double* table,
                    bool complex) {
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const int index = mod(static_cast<long long>(x[i]) * y[j], modulus);
      matrix[i * n + j] = table[index];
      if (complex) matrix[n * n + i * n + j] = table[modulus + index];
    }
  }
}

// The cosine matrix of the residues (x_i y_j mod modulus) into the first n*n values of
// scratch, the sine matrix into the next n*n.
void fillCosineAndSine(const int* x, const int* y, int n, int modulus, const double* table, Scratch& scratch) {
  residues(x, y, n, modulus, scratch.index);
  const int size = n * n;
  const double* sine = table + modulus;
  for (int k = 0; k < size; ++k) {
    scratch.values[k] = entry(table, scratch.index[k]);
    scratch.values[size + k] = entry(sine, scratch.index[k]);
  }
}

}  // namespace

double ZoqDet(const int* x, const int* y, int n, int modulus, const double* table) {
  if (table == nullptr || modulus < 1 || n < 0) return 0.0;
  double* matrix = state().auxMat.get(static_cast<std::size_t>(n) * n);
  fillTrigMatrix(matrix, x, y, n, modulus, table, false);
  return Determinant(matrix, n);
}

double ZoqDetL(const int* x, const int* y, int n, int modulus, const double* table) {
  if (table == nullptr || modulus < 1 || n < 0) return 0.0;
  long double* matrix = state().auxMatL.get(static_cast<std::size_t>(n) * n);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) matrix[i * n + j] = table[mod(static_cast<long long>(x[i]) * y[j], modulus)];
  }
  return static_cast<double>(DeterminantL(matrix, n));
}

void ComplexZoqDet(const int* x, const int* y, int n, int modulus, const double* table, double* re,
                   double* im) {
  if (table == nullptr || modulus < 1 || n < 0) {
    *re = 0.0;
    *im = 0.0;
    return;
  }
  double* matrix = state().auxMatComplex.get(2 * static_cast<std::size_t>(n) * n);
  fillTrigMatrix(matrix, x, y, n, modulus, table, true);
  ComplexDeterminant(matrix, matrix + static_cast<std::size_t>(n) * n, n, re, im);
}

namespace smatrix_internal {

double roundingBound(double magnitude, int factors) {
  return kRoundingUlps * std::ldexp(1.0, -52) * std::max(factors, 1) * magnitude;
}

}  // namespace smatrix_internal

namespace {

// n! as a double (exact up to 18!).
double factorialOf(int n) {
  double value = 1.0;
  for (int k = 2; k <= n; ++k) value *= k;
  return value;
}

// The rounding bound of det m (n x n, row-major, before elimination): the terms' moduli
// add up to at most min(n! prod_i max_j |m_ij|, prod_i sum_j |m_ij|).
double determinantBound(const double* m, int n) {
  double maxima = 1.0, sums = 1.0;
  for (int i = 0; i < n; ++i) {
    double rowMax = 0.0, rowSum = 0.0;
    for (int j = 0; j < n; ++j) {
      const double v = std::fabs(m[i * n + j]);
      rowMax = std::max(rowMax, v);
      rowSum += v;
    }
    maxima *= rowMax;
    sums *= rowSum;
  }
  return smatrix_internal::roundingBound(std::min(factorialOf(n) * maxima, sums), n);
}

}  // namespace

namespace smatrix_internal {

double sineDeterminant(const int* x, const int* y, int n, int modulus, const double* table,
                       double* bound) {
  if (n < 1) {
    if (bound != nullptr) *bound = 0.0;
    return 1.0;
  }
  Scratch scratch(n, 1);
  residues(x, y, n, modulus, scratch.index);
  const double* sine = table + modulus;
  for (int k = 0; k < n * n; ++k) scratch.values[k] = entry(sine, scratch.index[k]);
  if (bound != nullptr) *bound = determinantBound(scratch.values, n);
  return pivotedDeterminant(scratch.values, n);
}

void trigDeterminants(const int* x, const int* y, int n, int modulus, const double* table, double* cosDet,
                      double* sinDet, double* cosBound, double* sinBound) {
  if (n < 1) {
    *cosDet = *sinDet = 1.0;
    if (cosBound != nullptr) *cosBound = 0.0;
    if (sinBound != nullptr) *sinBound = 0.0;
    return;
  }
  Scratch scratch(n, 2);
  fillCosineAndSine(x, y, n, modulus, table, scratch);
  if (cosBound != nullptr) *cosBound = determinantBound(scratch.values, n);
  if (sinBound != nullptr) *sinBound = determinantBound(scratch.values + n * n, n);
  *cosDet = pivotedDeterminant(scratch.values, n);
  *sinDet = pivotedDeterminant(scratch.values + n * n, n);
}

void phaseDeterminant(const int* x, const int* y, int n, int modulus, const double* table, double* re,
                      double* im, double* bound) {
  if (n < 1) {
    *re = 1.0;
    *im = 0.0;
    if (bound != nullptr) *bound = 0.0;
    return;
  }
  Scratch scratch(n, 2);
  fillCosineAndSine(x, y, n, modulus, table, scratch);
  // Every entry is a phase: the n! terms have modulus 1.
  if (bound != nullptr) *bound = roundingBound(factorialOf(n), n);
  pivotedComplexDeterminant(scratch.values, scratch.values + n * n, n, re, im);
}

}  // namespace smatrix_internal

using smatrix_internal::roundingBound;
using smatrix_internal::zeroBelow;

using smatrix_internal::phaseDeterminant;
using smatrix_internal::sineDeterminant;
using smatrix_internal::trigDeterminants;

// ---------------------------------------------------------------------------------------
// Classical algebras
// ---------------------------------------------------------------------------------------

namespace {

// The constants of A_rank at the level, rebuilt when the key changes; nullptr (outputs to
// be zeroed) when the modulus does not fit the tables.
const TypeConstants* constantsOfA(int rank, int level) {
  TypeConstants& c = state().constantsA;
  const int n = rank + 1;
  if (!sameKey(c, rank, level)) {
    setKey(c, rank, level);
    c.rankp = n;
    c.modul = checkedModulus(static_cast<long long>(n) * n * (n + static_cast<long long>(level)), "ZoqA");
    c.root = static_cast<int>((static_cast<long long>(rank) * (rank + 1) / 2) % 4);
    c.norm = std::sqrt(static_cast<double>(n)) * std::pow(static_cast<double>(n + level), rank * 0.5);
    attachTables(c);
  }
  return c.valid ? &c : nullptr;
}

// S(a, b) of A_rank from the orthogonal coordinates x of a+rho and y of b+rho: the phase
// determinant turned by i^(r(r+1)/2) and normalised.
void elementOfA(const TypeConstants& c, const int* x, const int* y, int rank, double* re,
                double* im) {
  double zr = 0.0, zi = 0.0, bound = 0.0;
  phaseDeterminant(x, y, rank + 1, c.modul, c.cos, &zr, &zi, &bound);
  zr = zeroBelow(zr, bound);
  zi = zeroBelow(zi, bound);
  double pr = zr, pi = zi;
  switch (c.root) {
    case 1: pr = -zi, pi = zr; break;
    case 2: pr = -zr, pi = -zi; break;
    case 3: pr = zi, pi = -zr; break;
    default: break;
  }
  if (rank == 1) pi = 0.0;
  *re = pr / c.norm;
  *im = pi / c.norm;
}

// S(a, b) of A1 in closed form: with p = a+1, q = b+1 and M = 4(k+2) the determinant is
// exp(-2 pi i 2pq/M) - exp(2 pi i 2pq/M) = -2i sin(pi pq/(k+2)), turned by i, so
// S = 2 sin(2 pi (2pq mod M)/M) / norm, the sine read off the same table.
// `inverse` is 1.0 / M and `scale` -2 / norm: the residue comes from a double quotient and
// one correction step (2pq < 2^53 for every level an int can hold the fields of).
double elementOfA1(const TypeConstants& c, double inverse, double scale, long long p, long long q) {
  const long long M = c.modul;
  const long long x = 2 * p * q;
  long long r = x - static_cast<long long>(static_cast<double>(x) * inverse) * M;
  if (r < 0) r += M;
  if (r >= M) r -= M;
  return entry(c.sin, static_cast<int>(r)) * scale;
}

}  // namespace

void ZoqA(const int* a, const int* b, double* re, double* im, int rank, int level) {
  const TypeConstants* c = constantsOfA(rank, level);
  if (c == nullptr) {
    *re = *im = 0.0;
    return;
  }
  const int n = rank + 1;
  int* work = state().workA.get(2 * static_cast<std::size_t>(n));
  int* x = work;
  int* y = work + n;
  orthA(x, a, rank);
  orthA(y, b, rank);
  elementOfA(*c, x, y, rank, re, im);
}

void ZoqB(const int* a, const int* b, double* re, double* im, int rank, int level) {
  SmatrixState& s = state();
  TypeConstants& c = s.constantsB;
  if (!sameKey(c, rank, level)) {
    setKey(c, rank, level);
    c.rankp = rank + 1;
    c.root = static_cast<int>((static_cast<long long>(rank) * (rank + 1)) % 4);
    c.modul = checkedModulus(4LL * (level + 2LL * rank - 1), "ZoqB");
    c.norm = std::pow(static_cast<double>(level + 2 * rank - 1), rank * 0.5) / powerOfTwo(rank - 1);
    attachTables(c);
  }
  if (!c.valid) {
    *re = *im = 0.0;
    return;
  }
  int* work = s.workB.get(2 * static_cast<std::size_t>(c.rankp));
  int* x = work;
  int* y = work + c.rankp;
  orthB(x, a, rank);
  orthB(y, b, rank);
  double bound = 0.0;
  double d = sineDeterminant(x, y, rank, c.modul, c.cos, &bound);
  d = zeroBelow(d, bound);
  if (c.root == 2) d = -d;
  *re = d / c.norm;
  *im = 0.0;
}

void ZoqC(const int* a, const int* b, double* re, double* im, int rank, int level) {
  SmatrixState& s = state();
  TypeConstants& c = s.constantsC;
  if (!sameKey(c, rank, level)) {
    setKey(c, rank, level);
    c.rankp = rank + 1;
    c.root = static_cast<int>((static_cast<long long>(rank) * (rank + 1)) % 4);
    c.modul = checkedModulus(2LL * (level + rank + 1LL), "ZoqC");
    c.norm = std::pow(2.0 * (level + rank + 1), rank * 0.5);
    attachTables(c);
  }
  if (!c.valid) {
    *re = *im = 0.0;
    return;
  }
  int* work = s.workC.get(2 * static_cast<std::size_t>(c.rankp));
  int* x = work;
  int* y = work + c.rankp;
  orthC(x, a, rank);
  orthC(y, b, rank);
  double bound = 0.0;
  double d = sineDeterminant(x, y, rank, c.modul, c.cos, &bound);
  d = zeroBelow(d, bound);
  if (c.root == 2) d = -d;
  *re = d * powerOfTwo(rank) / c.norm;
  *im = 0.0;
}

void ZoqD(const int* a, const int* b, double* re, double* im, int rank, int level) {
  SmatrixState& s = state();
  TypeConstants& c = s.constantsD;
  if (!sameKey(c, rank, level)) {
    setKey(c, rank, level);
    c.rankp = rank + 1;
    c.modul = checkedModulus(4LL * (level + 2LL * rank - 2), "ZoqD");
    c.norm = 4.0 * std::pow(static_cast<double>(level + 2 * rank - 2), rank * 0.5) / powerOfTwo(rank);
    attachTables(c);
  }
  if (!c.valid || rank < 2) {
    *re = *im = 0.0;
    return;
  }
  int* work = s.workD.get(2 * static_cast<std::size_t>(c.rankp));
  int* x = work;
  int* y = work + c.rankp;
  orthD(x, a, rank);
  orthD(y, b, rank);
  double cosDet = 0.0, sinDet = 0.0, cosBound = 0.0, sinBound = 0.0;
  trigDeterminants(x, y, rank, c.modul, c.cos, &cosDet, &sinDet, &cosBound, &sinBound);
  double r = 0.0, i = 0.0;
  switch (rank % 4) {
    case 0: r = zeroBelow(cosDet + sinDet, cosBound + sinBound); break;
    case 1: r = zeroBelow(cosDet, cosBound), i = zeroBelow(sinDet, sinBound); break;
    case 2: r = zeroBelow(sinDet - cosDet, cosBound + sinBound); break;
    default: r = zeroBelow(-cosDet, cosBound), i = zeroBelow(sinDet, sinBound); break;
  }
  *re = r / c.norm;
  *im = i / c.norm;
}

namespace {

// B_r level 1: 0 identity, 1 vector, 2 spinor.
int levelOneBClass(const int* a, int rank) {
  if (a[rank] == 1) return 0;
  if (a[0] == 1) return 1;
  return 2;
}

// D_r level 1: 0 identity, 1 spinor of node r-1, 2 vector, 3 spinor of node r.
int levelOneDClass(const int* a, int rank) {
  if (a[rank] == 1) return 0;
  if (a[rank - 2] == 1) return 1;
  if (a[0] == 1) return 2;
  if (a[rank - 1] == 1) return 3;
  return 0;
}

}  // namespace

void ZoqB1(const int* a, const int* b, double* re, double* im, int rank) {
  const int p = levelOneBClass(a, rank);
  const int q = levelOneBClass(b, rank);
  const double invSqrt2 = 1.0 / std::sqrt(2.0);
  *im = 0.0;
  if (p != 2 && q != 2) {
    *re = 0.5;
  } else if (p == 2 && q == 2) {
    *re = 0.0;
  } else {
    const int other = p == 2 ? q : p;
    *re = other == 0 ? invSqrt2 : -invSqrt2;
  }
}

void ZoqD1(const int* a, const int* b, double* re, double* im, int rank) {
  int lo = levelOneDClass(a, rank);
  int hi = levelOneDClass(b, rank);
  if (lo > hi) std::swap(lo, hi);
  *re = 0.0;
  *im = 0.0;
  if (lo == 0 || (lo == 2 && hi == 2)) {
    *re = 0.5;
  } else if ((lo == 2 && hi == 3) || (lo == 1 && hi == 2)) {
    *re = -0.5;
  } else {
    // (1/2) i^(-r) for equal spinor classes, minus that for different ones.
    const double sign = lo == hi ? 0.5 : -0.5;
    switch (((-rank) % 4 + 4) % 4) {
      case 0: *re = sign; break;
      case 1: *im = sign; break;
      case 2: *re = -sign; break;
      default: *im = -sign; break;
    }
  }
}

void ZoqC1(const int* a, const int* b, double* re, double* im, int rank, int level) {
  (void)level;
  auto toA1 = [rank](const int* labels, int* pair) {
    int j = 0;
    for (int i = 0; i < rank; ++i) {
      if (labels[i] == 1) j = i + 1;
    }
    pair[0] = j;
    pair[1] = rank - j;
  };
  int pa[2], pb[2];
  toA1(a, pa);
  toA1(b, pb);
  ZoqA(pa, pb, re, im, 1, rank);
}

// ---------------------------------------------------------------------------------------
// The vacuum row
// ---------------------------------------------------------------------------------------

namespace {

constexpr int kMostVacuumRoots = 20000;
constexpr long long kLargestSineTable = 1 << 17;

// Copies the positive roots of (type, rank) and puts the Lie module's buffers back to the
// keys they had, so that a caller that reads them around an S element finds them intact.
bool copyPositiveRoots(int type, int rank, VacuumRow& row) {
  const LieData& lie = Zoq_lieData();
  const int cartanType = lie.cartanType, cartanRank = lie.cartanRank;
  const int inverseType = lie.inverseType, inverseRank = lie.inverseRank;
  const int rootType = lie.rootType, rootRank = lie.rootRank;
  const int count = PositiveRoots(type, rank);
  const bool ok = count > 0 && count <= kMostVacuumRoots && lie.rootRank == rank &&
                  lie.RootSystem.size() >= static_cast<std::size_t>(count) * rank;
  if (ok) {
    row.roots = count;
    row.rootVectors.assign(lie.RootSystem.begin(), lie.RootSystem.begin() + static_cast<std::size_t>(count) * rank);
  }
  if (rootType >= 0 && (rootType != lie.rootType || rootRank != lie.rootRank)) PositiveRoots(rootType, rootRank);
  if (inverseType >= 0 && (inverseType != lie.inverseType || inverseRank != lie.inverseRank))
    InverseCartan(inverseType, inverseRank);
  if (cartanType >= 0 && (cartanType != lie.cartanType || cartanRank != lie.cartanRank)) Cartan(cartanType, cartanRank);
  return ok;
}

// Builds the row data of (type, rank, level); false when the product is not available
// (too many roots, an algebra without them): the caller then takes the Weyl-group sum.
bool buildVacuumRow(int type, int rank, int level, VacuumRow& row) {
  row = VacuumRow{};
  row.type = type;
  row.rank = rank;
  row.level = level;
  const int h = dualCoxeter(type, rank);
  const int latticeOrder = WeightLatticeOrder(type, rank);
  if (h < 1 || latticeOrder < 1 || !copyPositiveRoots(type, rank, row)) return false;
  const long long kh = static_cast<long long>(level) + h;
  row.denominator = 6 * kh;
  if (2 * row.denominator <= kLargestSineTable) {
    row.sines.resize(static_cast<std::size_t>(row.denominator) + 1);
    for (long long j = 0; j <= row.denominator; ++j) {
      // The smaller of j and D - j gives the same sine with an exact small argument.
      const long long folded = std::min(j, row.denominator - j);
      row.sines[static_cast<std::size_t>(j)] =
          std::sin(kPi * static_cast<double>(folded) / static_cast<double>(row.denominator));
    }
  }
  // (k+h)^(-r/2) |P/Q^v|^(-1/2), kept as mantissa and exponent; the factors 2 go with the
  // sines.
  const double log2Norm =
      -0.5 * rank * std::log2(static_cast<double>(kh)) - 0.5 * std::log2(static_cast<double>(latticeOrder));
  if (std::fabs(log2Norm) < 900.0) {
    row.normMantissa =
        1.0 / std::sqrt(static_cast<double>(latticeOrder)) / std::pow(static_cast<double>(kh), 0.5 * rank);
    row.normExponent = 0;
  } else {
    const double whole = std::floor(log2Norm);
    row.normMantissa = std::exp2(log2Norm - whole);
    row.normExponent = static_cast<int>(whole);
  }
  row.usable = true;
  return true;
}

// sin(pi m / D) for any integer m.
double rowSine(const VacuumRow& row, long long m) {
  const long long D = row.denominator;
  long long r = m % (2 * D);
  if (r < 0) r += 2 * D;
  const double sign = r >= D ? -1.0 : 1.0;
  if (r >= D) r -= D;
  if (!row.sines.empty()) return sign * row.sines[static_cast<std::size_t>(r)];
  const long long folded = std::min(r, D - r);
  return sign * std::sin(kPi * static_cast<double>(folded) / static_cast<double>(D));
}

bool isVacuum(const int* labels, int rank) {
  for (int i = 0; i < rank; ++i) {
    if (labels[i] != 0) return false;
  }
  return true;
}

}  // namespace

bool SVacuumRow(int type, int rank, int level, const int* b, double* re, double* im) {
  if (type == 2 && rank == 1) {
    // B1 is A1 at twice the level, with A1 labels.
    type = 1;
    level *= 2;
  }
  if (type < 1 || type > 5 || rank < 1 || level < 1 || (type == 4 && rank < 3)) return false;
  if (type == 5 && rank != 2 && rank != 4 && rank != 6 && rank != 7 && rank != 8) return false;
  VacuumRow& row = state().vacuumRow;
  if (row.type != type || row.rank != rank || row.level != level) buildVacuumRow(type, rank, level, row);
  if (!row.usable) return false;
  double value = row.normMantissa;
  int exponent = row.normExponent;
  const int* root = row.rootVectors.data();
  for (int k = 0; k < row.roots; ++k, root += rank) {
    long long m = 0;
    for (int j = 0; j < rank; ++j) m += static_cast<long long>(root[j]) * (b[j] + 1);
    value *= 2.0 * rowSine(row, m);
    if ((k & 31) == 31) {
      int e = 0;
      value = std::frexp(value, &e);
      exponent += e;
    }
  }
  *re = std::ldexp(value, exponent);
  *im = 0.0;
  return true;
}

// ---------------------------------------------------------------------------------------
// B(2t) and the N=2 minimal models
// ---------------------------------------------------------------------------------------

void ZoqBtilde(const int* a, const int* b, double* re, double* im, int rank, int level) {
  SmatrixState& s = state();
  TypeConstants& c = s.constantsBtilde;
  if (!sameKey(c, rank, level)) {
    setKey(c, rank, level);
    c.root = static_cast<int>((static_cast<long long>(rank) * (rank + 1)) % 4);
    c.modul = checkedModulus(level + 2LL * rank + 1, "ZoqBtilde");
    c.rankp = rank + 1;
    c.norm = std::pow(static_cast<double>(level + 2 * rank + 1), rank * 0.5);
    attachTables(c);
  }
  if (!c.valid || rank < 1) {
    *re = *im = 0.0;
    return;
  }
  int* work = s.workBtilde.get(4 * static_cast<std::size_t>(c.rankp));
  int* x = work;
  int* y = work + c.rankp;
  int* ca = work + 2 * c.rankp;
  int* cb = work + 3 * c.rankp;
  BtildeToC(ca, a, rank);
  BtildeToC(cb, b, rank);
  orthC(x, ca, rank);
  orthC(y, cb, rank);
  double bound = 0.0;
  double d = sineDeterminant(x, y, rank, c.modul, c.cos, &bound);
  d = zeroBelow(d, bound);
  if (c.root == 2) d = -d;
  *re = d * powerOfTwo(rank) / c.norm;
  *im = 0.0;
}

void SmatMinCFT(const int* a, const int* b, double* re, double* im, int unused, int level) {
  (void)unused;
  const int pa[2] = {a[0], level - a[0]};
  const int pb[2] = {b[0], level - b[0]};
  double r = 0.0, i = 0.0;
  ZoqA(pa, pb, &r, &i, 1, level);
  const double twoK4 = 2.0 * (level + 2);
  const double scale = std::sqrt(twoK4);
  r /= scale;
  i /= scale;
  const long long chargeModulus = 2LL * (level + 2);
  const long long charge = ((static_cast<long long>(a[1]) * b[1]) % chargeModulus + chargeModulus) % chargeModulus;
  double pr = 0.0, pi = 0.0;
  complexProduct(&pr, &pi, std::cos(kTwoPi * static_cast<double>(charge) / twoK4),
                 std::sin(kTwoPi * static_cast<double>(charge) / twoK4), r, i);
  const long long quarter = ((static_cast<long long>(a[2]) * b[2]) % 4 + 4) % 4;
  const double angle = static_cast<double>(quarter) * (-kPi / 2.0);
  complexProduct(re, im, std::cos(angle), std::sin(angle), pr, pi);
  // A part that the phases turn to zero keeps only the rounding of the products.
  const double bound = roundingBound(std::fabs(r) + std::fabs(i), 4);
  *re = zeroBelow(*re, bound);
  *im = zeroBelow(*im, bound);
}

void SmatMinFCFT(const int* a, const int* b, double* re, double* im, int unused, int level) {
  (void)unused;
  const int M = 2 * level + 4;
  if (M < 1) {
    *re = *im = 0.0;
    return;
  }
  const int s1 = a[2];
  const int s2 = b[2];
  const bool bothEven = s1 % 2 == 0 && s2 % 2 == 0;
  const bool bothOdd = s1 % 2 != 0 && s2 % 2 != 0;
  int shift = 0;
  if ((M % 8 == 0 && bothEven) || (M % 8 != 0 && bothOdd)) shift = M / 4;
  const int n = mod(static_cast<long long>(s1) * s2 - shift, M);
  const double scale = std::sqrt(static_cast<double>(M));
  const double bound = roundingBound(1.0 / scale, 2);
  *re = zeroBelow(std::cos(kTwoPi * n / M) / scale, bound);
  *im = zeroBelow(std::sin(kTwoPi * n / M) / scale, bound);
}

// ---------------------------------------------------------------------------------------
// The dispatcher
// ---------------------------------------------------------------------------------------

void SMatrix_set_S_CALL_TRACE(int flag) { state().traceCalls = flag; }

void SDirect(int type, int rank, int level, const int* a, const int* b, double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
  if (state().traceCalls == 1) {
    PrintStdout("SDirect (Weyl-group sum; type=%d, rank=%d, level=%d)\n", type, rank, level);
    typecheck(type, rank, level, 1, "SDirect");
  }
  if (type == 0) {
    const int N = rank;
    if (N < 1) {
      InputError(type, rank, level, "SDirect");
      return;
    }
    // 2ab mod 2N = 2 (ab mod N), formed in 64 bits.
    const long long product = (static_cast<long long>(a[0]) * b[0]) % N;
    const long long reduced = 2 * ((product + N) % N);
    const double angle = static_cast<double>(reduced) * kPi / N;
    const double scale = std::sqrt(static_cast<double>(N));
    // The quarter turns give a part that is exactly zero; only its rounding is left.
    const double bound = roundingBound(1.0 / scale, 2);
    *re = zeroBelow(std::cos(angle) / scale, bound);
    *im = zeroBelow(-std::sin(angle) / scale, bound);
    return;
  }
  if (rank == 0 || level == 0) {
    *re = 1.0;
    *im = 0.0;
    return;
  }
  const bool wzw = type >= 1 && type <= 5;
  if (level < 0 || rank < 0 || (type == 4 && rank < 2)) {
    if (typecheck(type, rank, level, 1, "SDirect")) InputError(type, rank, level, "SDirect");
    return;
  }
  if (wzw) {
    // The vacuum row by the product formula, exact to the last digits however small.
    if (isVacuum(a, rank) && SVacuumRow(type, rank, level, b, re, im)) return;
    if (isVacuum(b, rank) && SVacuumRow(type, rank, level, a, re, im)) return;
    switch (type) {
      case 1: ZoqA(a, b, re, im, rank, level); return;
      case 2:
        // B1 is A1 at twice the level and its fields carry A1 labels, which the level-1
        // table of the higher B ranks does not read; the general formula serves it.
        if (level == 1 && rank >= 2) {
          ZoqB1(a, b, re, im, rank);
        } else {
          ZoqB(a, b, re, im, rank, level);
        }
        return;
      case 3:
        if (level == 1) {
          ZoqC1(a, b, re, im, rank, level);
        } else {
          ZoqC(a, b, re, im, rank, level);
        }
        return;
      case 4:
        if (level == 1) {
          ZoqD1(a, b, re, im, rank);
        } else {
          ZoqD(a, b, re, im, rank, level);
        }
        return;
      default:
        switch (rank) {
          case 2: ZoqG(a, b, re, im, level); return;
          case 4: ZoqF(a, b, re, im, level); return;
          case 6: ZoqE6(a, b, re, im, level); return;
          case 7: ZoqE7(a, b, re, im, level); return;
          case 8: ZoqE8(a, b, re, im, level); return;
          default: InputError(type, rank, level, "SDirect"); return;
        }
    }
  }
  switch (type) {
    case 13: ZoqBtilde(a, b, re, im, rank, level); return;
    case 26: SmatMinFCFT(a, b, re, im, 0, level); return;
    case 27: SmatMinCFT(a, b, re, im, 0, level); return;
    default:
      if (typecheck(type, rank, level, 1, "SDirect")) InputError(type, rank, level, "SDirect");
      return;
  }
}

void SDirectRow(int type, int rank, int level, const int* a, int count, const int* const* columns,
                double* re, double* im) {
  // A row may be as long as the theory has fields: every loop below polls Ctrl-C
  // (StopRequest; the caller keeps nothing of a row not complete).
  // The row formula serves A_r away from the vacuum row (which has its product formula)
  // and the trace; everything else is SDirect element by element.
  const TypeConstants* c = nullptr;
  if (type == 1 && rank >= 1 && level >= 1 && state().traceCalls != 1 && !isVacuum(a, rank))
    c = constantsOfA(rank, level);
  // E6, E7, E8 share the coset images of a along the row; vacuum columns keep their
  // product formula.
  if (c == nullptr && type == 5 && level >= 1 && state().traceCalls != 1 && !isVacuum(a, rank) &&
      smatrix_internal::exceptionalRow(rank, level, a, count, columns, re, im)) {
    for (int k = 0; k < count; ++k) {
      if (isVacuum(columns[k], rank)) SDirect(type, rank, level, a, columns[k], &re[k], &im[k]);
    }
    return;
  }
  if (c == nullptr) {
    for (int k = 0; k < count; ++k) {
      pollInterruptRequest();
      SDirect(type, rank, level, a, columns[k], &re[k], &im[k]);
    }
    return;
  }
  if (rank == 1) {
    const long long p = a[0] + 1LL;
    const double inverse = 1.0 / static_cast<double>(c->modul);
    const double scale = -2.0 / c->norm;
    for (int k = 0; k < count; ++k) {
      pollInterruptRequest();
      const int* b = columns[k];
      if (b[0] == 0) {
        SDirect(type, rank, level, a, b, &re[k], &im[k]);
        continue;
      }
      re[k] = elementOfA1(*c, inverse, scale, p, b[0] + 1LL);
      im[k] = 0.0;
    }
    return;
  }
  const int n = rank + 1;
  std::vector<int> coordinates(2 * static_cast<std::size_t>(n));
  int* x = coordinates.data();
  int* y = x + n;
  orthA(x, a, rank);
  for (int k = 0; k < count; ++k) {
    pollInterruptRequest();
    const int* b = columns[k];
    if (isVacuum(b, rank)) {
      SDirect(type, rank, level, a, b, &re[k], &im[k]);
      continue;
    }
    orthA(y, b, rank);
    elementOfA(*c, x, y, rank, &re[k], &im[k]);
  }
}

void resetSmatrix() {
  state() = SmatrixState{};
  smatrix_internal::resetExceptional();
}
