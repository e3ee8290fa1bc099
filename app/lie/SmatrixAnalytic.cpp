// The analytic S matrix for real weights (see SmatrixAnalytic.h).
//
// State: the constants (modulus, phase index, normalisation) of the A, B, C and D
// routines for their last (rank, level), and the guarded work buffers "drep" (both
// weights), "S_work" (coordinates) and "aux_mat" (determinant matrices).
#include "lie/SmatrixAnalytic.h"

#include <climits>
#include <cmath>

#include "collections/LinearAlgebra.h"
#include "collections/VectorUtility.h"
#include "numbers/MathUtility.h"
#include "runtime/Allocation.h"
#include "runtime/Error.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr int kNotBuilt = INT_MIN;

struct AnalyticConstants {
  int lastRank = kNotBuilt;
  int lastLevel = kNotBuilt;
  double modulus = 1.0;
  double norm = 1.0;
  int phase = 0;
};

struct S_analyticState {
  AnalyticConstants constantsA, constantsB, constantsC, constantsD;
  WorkBuffer<double> drep{"drep"};
  WorkBuffer<double> work{"S_work"};
  WorkBuffer<double> auxMat{"aux_mat"};
  WorkBuffer<double> auxMatComplex{"aux_mat"};
};

S_analyticState& state() {
  static S_analyticState s;
  return s;
}

bool refresh(AnalyticConstants& c, int rank, int level) {
  if (c.lastRank == rank && c.lastLevel == level) return false;
  c.lastRank = rank;
  c.lastLevel = level;
  return true;
}

double angle(const double* x, const double* y, int i, int j, double modulus, double factor) {
  return kTwoPi * factor * x[i] * y[j] / modulus;
}

// Both coordinate vectors of one call: x in the first half, y in the second.
double* coordinates(int length) { return state().work.get(2 * static_cast<std::size_t>(length)); }

}  // namespace

double DoubleZoqDetCos(const double* x, const double* y, int n, double modulus, double factor) {
  double* m = state().auxMat.get(static_cast<std::size_t>(n < 0 ? 0 : n) * (n < 0 ? 0 : n));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) m[i * n + j] = std::cos(angle(x, y, i, j, modulus, factor));
  }
  return Determinant(m, n);
}

double DoubleZoqDetSin(const double* x, const double* y, int n, double modulus, double factor) {
  double* m = state().auxMat.get(static_cast<std::size_t>(n < 0 ? 0 : n) * (n < 0 ? 0 : n));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) m[i * n + j] = std::sin(-angle(x, y, i, j, modulus, factor));
  }
  return Determinant(m, n);
}

void DoubleComplexZoqDet(const double* x, const double* y, int n, double modulus, double factor, double* re,
                         double* im) {
  const std::size_t size = static_cast<std::size_t>(n < 0 ? 0 : n) * (n < 0 ? 0 : n);
  double* m = state().auxMatComplex.get(2 * size);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const double theta = angle(x, y, i, j, modulus, factor);
      m[i * n + j] = std::cos(theta);
      m[size + i * n + j] = -std::sin(theta);
    }
  }
  ComplexDeterminant(m, m + size, n, re, im);
}

void DoubleorthA(double* out, const double* a, int rank) {
  double last = 0.0;
  for (int i = 0; i < rank; ++i) last -= (i + 1) * (a[i] + 1);
  out[rank] = last;
  for (int j = rank - 1; j >= 0; --j) out[j] = out[j + 1] + (rank + 1) * (a[j] + 1);
}

void DoubleorthB(double* out, const double* a, int rank) {
  if (rank < 1) return;
  out[rank - 1] = a[rank - 1] + 1;
  for (int j = rank - 2; j >= 0; --j) out[j] = out[j + 1] + 2 * (a[j] + 1);
}

void DoubleorthC(double* out, const double* a, int rank) {
  if (rank < 1) return;
  out[rank - 1] = a[rank - 1] + 1;
  for (int j = rank - 2; j >= 0; --j) out[j] = out[j + 1] + a[j] + 1;
}

void DoubleorthD(double* out, const double* a, int rank) {
  if (rank < 2) return;
  out[rank - 1] = a[rank - 1] - a[rank - 2];
  out[rank - 2] = a[rank - 2] + a[rank - 1] + 2;
  for (int j = rank - 3; j >= 0; --j) out[j] = out[j + 1] + 2 * (a[j] + 1);
}

void DoubleorthF(double* out, const double* a) {
  out[0] = 2 * a[0] + 2 * a[1] + a[2] + 5;
  out[1] = 2 * a[1] + a[2] + 3;
  out[2] = a[2] + 1;
  out[3] = -(2 * a[0] + 4 * a[1] + 3 * a[2] + 2 * a[3] + 11);
}

void DoubleZoqA(const double* lambda, const double* mu, double* re, double* im, int rank, int level,
                double factor) {
  AnalyticConstants& c = state().constantsA;
  const int n = rank + 1;
  if (refresh(c, rank, level)) {
    c.modulus = static_cast<double>(n) * n * (level + rank + 1.0);
    c.phase = static_cast<int>((static_cast<long long>(rank) * (rank + 1) / 2) % 4);
    c.norm = std::sqrt(static_cast<double>(n)) * std::pow(level + rank + 1.0, rank * 0.5);
  }
  double* x = coordinates(n);
  double* y = x + n;
  DoubleorthA(x, lambda, rank);
  DoubleorthA(y, mu, rank);
  double zr = 0.0, zi = 0.0;
  DoubleComplexZoqDet(x, y, n, c.modulus, factor, &zr, &zi);
  multiplyWithPowerOfI(c.phase, &zr, &zi);
  if (rank == 1) zi = 0.0;
  *re = zr / c.norm;
  *im = zi / c.norm;
}

void DoubleZoqB(const double* lambda, const double* mu, double* re, double* im, int rank, int level,
                double factor) {
  AnalyticConstants& c = state().constantsB;
  if (refresh(c, rank, level)) {
    c.modulus = 4.0 * (level + 2.0 * rank - 1);
    c.phase = static_cast<int>((static_cast<long long>(rank) * (rank + 1)) % 4);
    c.norm = std::pow(level + 2.0 * rank - 1, rank * 0.5) / static_cast<double>(twopow(rank - 1));
  }
  double* x = coordinates(rank);
  double* y = x + rank;
  DoubleorthB(x, lambda, rank);
  DoubleorthB(y, mu, rank);
  double s = DoubleZoqDetSin(x, y, rank, c.modulus, factor);
  if (c.phase != 0) s = -s;
  *re = s / c.norm;
  *im = 0.0;
}

void DoubleZoqC(const double* lambda, const double* mu, double* re, double* im, int rank, int level,
                double factor) {
  AnalyticConstants& c = state().constantsC;
  if (refresh(c, rank, level)) {
    c.modulus = 2.0 * (level + rank + 1);
    c.phase = static_cast<int>((static_cast<long long>(rank) * (rank + 1)) % 4);
    c.norm = std::pow(2.0 * (level + rank + 1), rank * 0.5);
  }
  double* x = coordinates(rank);
  double* y = x + rank;
  DoubleorthC(x, lambda, rank);
  DoubleorthC(y, mu, rank);
  double s = DoubleZoqDetSin(x, y, rank, c.modulus, factor) * static_cast<double>(twopow(rank));
  if (c.phase == 2) s = -s;
  *re = s / c.norm;
  *im = 0.0;
}

void DoubleZoqD(const double* lambda, const double* mu, double* re, double* im, int rank, int level,
                double factor) {
  AnalyticConstants& c = state().constantsD;
  if (refresh(c, rank, level)) {
    c.modulus = 4.0 * (level + 2.0 * rank - 2);
    c.norm = 4.0 * std::pow(level + 2.0 * rank - 2, rank * 0.5) / static_cast<double>(twopow(rank));
  }
  double* x = coordinates(rank);
  double* y = x + rank;
  DoubleorthD(x, lambda, rank);
  DoubleorthD(y, mu, rank);
  const double cosDet = DoubleZoqDetCos(x, y, rank, c.modulus, factor);
  const double sinDet = DoubleZoqDetSin(x, y, rank, c.modulus, factor);
  double r = 0.0, i = 0.0;
  switch (rank % 4) {
    case 0: r = cosDet + sinDet; break;
    case 1: r = cosDet, i = sinDet; break;
    case 2: r = sinDet - cosDet; break;
    default: r = -cosDet, i = sinDet; break;
  }
  *re = r / c.norm;
  *im = i / c.norm;
}

void DoubleZoqF(const double* lambda, const double* mu, double* re, double* im, int level, double factor) {
  const double modulus = 8.0 * (level + 9);
  double* x = coordinates(4);
  double* y = x + 4;
  DoubleorthF(x, lambda);
  DoubleorthF(y, mu);
  double z[4];
  for (int j = 0; j < 4; ++j) z[j] = 2 * y[j];
  const double d1 = DoubleZoqDetSin(x, z, 4, modulus, factor);
  const double total = y[0] + y[1] + y[2] + y[3];
  for (int j = 0; j < 4; ++j) z[j] = y[j] - (total - y[j]);
  const double d2 = DoubleZoqDetSin(x, z, 4, modulus, factor);
  z[0] = y[0] + y[1] + y[2] + y[3];
  z[1] = y[0] + y[1] - y[2] - y[3];
  z[2] = y[0] - y[1] + y[2] - y[3];
  z[3] = y[0] - y[1] - y[2] + y[3];
  const double d3 = DoubleZoqDetSin(x, z, 4, modulus, factor);
  *re = 16.0 * (d1 - d2 - d3) / (2.0 * (level + 9.0) * (level + 9.0));
  *im = 0.0;
}

void DoubleZoqG(const double* lambda, const double* mu, double* re, double* im, int level, double factor) {
  printDoubleVec(2, lambda, "IN1 ");
  printDoubleVec(2, mu, "IN2 ");
  const double a = lambda[0] + 1;
  const double b = lambda[1] + 1;
  const double y1 = 2 * (mu[0] + 1) + (mu[1] + 1);
  const double y2 = (mu[0] + 1) + (2.0 / 3.0) * (mu[1] + 1);
  const double P = a * y1, Q = b * y2, R = a * y2, T = b * y1;
  const double phi = -kTwoPi * factor / (level + 4);
  const double value = std::cos(phi * (P + Q)) - std::cos(phi * (3 * R + Q - P)) - std::cos(phi * (T + P - Q)) +
                       std::cos(phi * (3 * R + 2 * Q - P - T)) + std::cos(phi * (T + 2 * P - Q - 3 * R)) -
                       std::cos(phi * (T + 2 * P - 2 * Q - 3 * R));
  *re = value / (-(level + 4) * std::sqrt(3.0) / 2.0);
  *im = 0.0;
}

void DoubleSDirect(int type, int rank, int level, const double* lambda, const double* mu, double* re,
                   double* im, double factor) {
  const bool known = (type >= 1 && type <= 4 && rank >= 1 && !(type == 4 && rank < 2)) ||
                     (type == 5 && (rank == 2 || rank == 4));
  if (!known) {
    if (type == 5) {
      Alert("DoubleSDirect", 0, 112311, "Analytic S for exceptional type E not available");
    } else {
      Alert("DoubleSDirect", 1, 112311, "Analytic S for this algebra not available");
    }
    return;
  }
  double* both = state().drep.get(2 * static_cast<std::size_t>(rank));
  double* l = both;
  double* m = both + rank;
  for (int i = 0; i < rank; ++i) l[i] = lambda[i], m[i] = mu[i];
  switch (type) {
    case 1: DoubleZoqA(l, m, re, im, rank, level, factor); break;
    case 2: DoubleZoqB(l, m, re, im, rank, level, factor); break;
    case 3: DoubleZoqC(l, m, re, im, rank, level, factor); break;
    case 4: DoubleZoqD(l, m, re, im, rank, level, factor); break;
    default:
      if (rank == 4) {
        DoubleZoqF(l, m, re, im, level, factor);
      } else {
        DoubleZoqG(l, m, re, im, level, factor);
      }
      break;
  }
}

void resetS_analytic() { state() = S_analyticState{}; }
