// Independent oracles for the S-matrix tests: integrable weights from the comarks, the
// quadratic form of the weight lattice, conformal weights, central charges, positive
// roots, quantum dimensions by the product formula, and the modular relations S^2 = C
// and (ST)^3 = S^2 checked on full matrices.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "lie/LieAlgebra.h"
#include "lie/Smatrix.h"
#include "lie/WeylGroup.h"
#include "TestSupport.h"

namespace smatrix_test {

using Complex = std::complex<double>;
using Labels = std::vector<int>;  // rank+1 entries, affine label last
constexpr double kTol = 1e-7;
constexpr double kPi = 3.14159265358979323846;

struct Algebra {
  int type;
  int rank;
  int level;
  std::string name() const {
    return "type " + std::to_string(type) + " rank " + std::to_string(rank) + " level " + std::to_string(level);
  }
};

// A copy of the extended Cartan matrix and root norms of the Lie module.
struct CartanCopy {
  int rank = 0;
  std::vector<int> cm, rootnorm;
  int at(int i, int j) const { return cm[static_cast<std::size_t>(i) * (rank + 1) + j]; }
};
inline CartanCopy cartanCopy(int type, int rank) {
  Cartan(type, rank);
  const LieData& d = Zoq_lieData();
  CartanCopy c;
  c.rank = rank;
  c.cm.assign(d.CM.begin(), d.CM.end());
  c.rootnorm.assign(d.rootnorm.begin(), d.rootnorm.end());
  return c;
}

// Comarks of the finite nodes, from the standard tables of the affine Dynkin diagrams in
// the program's node numbering.
inline std::vector<int> comarks(int type, int rank) {
  std::vector<int> c(rank, 1);
  if (type == 2) {
    for (int i = 1; i < rank - 1; ++i) c[i] = 2;
  } else if (type == 4) {
    for (int i = 1; i < rank - 2; ++i) c[i] = 2;
  } else if (type == 5) {
    if (rank == 2) c = {2, 1};
    if (rank == 4) c = {2, 3, 2, 1};
    if (rank == 6) c = {1, 2, 3, 2, 1, 2};
    if (rank == 7) c = {2, 3, 4, 3, 2, 1, 2};
    if (rank == 8) c = {2, 3, 4, 5, 6, 4, 2, 3};
  }
  return c;
}

inline int dualCoxeterNumber(int type, int rank) {
  switch (type) {
    case 1: return rank + 1;
    case 2: return 2 * rank - 1;
    case 3: return rank + 1;
    case 4: return 2 * rank - 2;
    default: return rank == 2 ? 4 : rank == 4 ? 9 : rank == 6 ? 12 : rank == 7 ? 18 : 30;
  }
}

inline int dimension(int type, int rank) {
  switch (type) {
    case 1: return rank * (rank + 2);
    case 2:
    case 3: return rank * (2 * rank + 1);
    case 4: return rank * (2 * rank - 1);
    default: return rank == 2 ? 14 : rank == 4 ? 52 : rank == 6 ? 78 : rank == 7 ? 133 : 248;
  }
}

// Every label vector with sum comark_i a_i <= level; the affine label completes it.
inline std::vector<Labels> integrableWeights(int type, int rank, int level) {
  std::vector<int> c = comarks(type, rank);
  std::vector<Labels> out;
  Labels a(rank + 1, 0);
  std::vector<int> used(rank + 1, 0);
  // Depth-first over the finite labels.
  auto recurse = [&](auto&& self, int i, int spent) -> void {
    if (i == rank) {
      a[rank] = level - spent;
      out.push_back(a);
      return;
    }
    for (int v = 0; spent + v * c[i] <= level; ++v) {
      a[i] = v;
      self(self, i + 1, spent + v * c[i]);
    }
    a[i] = 0;
  };
  recurse(recurse, 0, 0);
  return out;
}

// (omega_i, omega_j) with long roots of length^2 2: G = CM^-1 diag(|alpha_i|^2 / 2).
inline std::vector<long double> weightMetric(int type, int rank) {
  const CartanCopy cartan = cartanCopy(type, rank);
  const int n = rank;
  std::vector<long double> m(static_cast<std::size_t>(n) * 2 * n, 0.0L);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) m[i * 2 * n + j] = cartan.at(i, j);
    m[i * 2 * n + n + i] = 1.0L;
  }
  for (int col = 0; col < n; ++col) {
    int pivot = col;
    for (int row = col; row < n; ++row) {
      if (std::fabs(m[row * 2 * n + col]) > std::fabs(m[pivot * 2 * n + col])) pivot = row;
    }
    for (int j = 0; j < 2 * n; ++j) std::swap(m[pivot * 2 * n + j], m[col * 2 * n + j]);
    const long double p = m[col * 2 * n + col];
    for (int j = 0; j < 2 * n; ++j) m[col * 2 * n + j] /= p;
    for (int row = 0; row < n; ++row) {
      if (row == col) continue;
      const long double f = m[row * 2 * n + col];
      for (int j = 0; j < 2 * n; ++j) m[row * 2 * n + j] -= f * m[col * 2 * n + j];
    }
  }
  std::vector<long double> g(static_cast<std::size_t>(n) * n);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) g[i * n + j] = m[i * 2 * n + n + j] * cartan.rootnorm[j] / 6.0L;
  }
  return g;
}

inline long double innerProduct(const std::vector<long double>& g, const std::vector<long double>& u,
                                const std::vector<long double>& v) {
  const int n = static_cast<int>(u.size());
  long double sum = 0.0L;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) sum += u[i] * g[i * n + j] * v[j];
  }
  return sum;
}

// h = (lambda, lambda + 2 rho) / (2 (k + h^v)).
inline long double conformalWeight(const Algebra& alg, const std::vector<long double>& g, const Labels& a) {
  std::vector<long double> lambda(alg.rank), shifted(alg.rank);
  for (int i = 0; i < alg.rank; ++i) lambda[i] = a[i], shifted[i] = a[i] + 2.0L;
  return innerProduct(g, lambda, shifted) / (2.0L * (alg.level + dualCoxeterNumber(alg.type, alg.rank)));
}

inline long double centralCharge(const Algebra& alg) {
  return static_cast<long double>(alg.level) * dimension(alg.type, alg.rank) /
         (alg.level + dualCoxeterNumber(alg.type, alg.rank));
}

// Positive roots in the root basis, by reflecting the simple roots.
inline std::vector<std::vector<int>> positiveRoots(int type, int rank) {
  const CartanCopy cartan = cartanCopy(type, rank);
  std::vector<std::vector<int>> all;
  for (int i = 0; i < rank; ++i) {
    std::vector<int> e(rank, 0);
    e[i] = 1;
    all.push_back(e);
  }
  for (std::size_t k = 0; k < all.size(); ++k) {
    for (int i = 0; i < rank; ++i) {
      std::vector<int> m = all[k];
      int label = 0;
      for (int j = 0; j < rank; ++j) label += m[j] * cartan.at(j, i);
      m[i] -= label;
      bool known = false;
      for (const auto& r : all) known = known || r == m;
      if (!known) all.push_back(m);
    }
  }
  std::vector<std::vector<int>> positive;
  for (const auto& r : all) {
    bool pos = true;
    for (int v : r) pos = pos && v >= 0;
    if (pos) positive.push_back(r);
  }
  return positive;
}

// Quantum dimension: prod over alpha > 0 of sin(pi (lambda+rho, alpha)/(k+h)) / sin(pi (rho, alpha)/(k+h)).
inline double quantumDimension(const Algebra& alg, const std::vector<std::vector<int>>& roots, const Labels& a) {
  const CartanCopy cartan = cartanCopy(alg.type, alg.rank);
  const long double kh = alg.level + dualCoxeterNumber(alg.type, alg.rank);
  long double q = 1.0L;
  for (const auto& m : roots) {
    long double num = 0.0L, den = 0.0L;
    for (int i = 0; i < alg.rank; ++i) {
      const long double half = cartan.rootnorm[i] / 6.0L;  // |alpha_i|^2 / 2
      num += (a[i] + 1.0L) * m[i] * half;
      den += m[i] * half;
    }
    q *= std::sin(kPi * num / kh) / std::sin(kPi * den / kh);
  }
  return static_cast<double>(q);
}

inline std::vector<Complex> fullS(const Algebra& alg, const std::vector<Labels>& fields) {
  const std::size_t n = fields.size();
  std::vector<Complex> s(n * n);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      double re = 0.0, im = 0.0;
      SDirect(alg.type, alg.rank, alg.level, fields[i].data(), fields[j].data(), &re, &im);
      s[i * n + j] = Complex(re, im);
    }
  }
  return s;
}

inline std::vector<Complex> multiply(const std::vector<Complex>& p, const std::vector<Complex>& q, std::size_t n) {
  std::vector<Complex> out(n * n);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t k = 0; k < n; ++k) {
      const Complex pik = p[i * n + k];
      for (std::size_t j = 0; j < n; ++j) out[i * n + j] += pik * q[k * n + j];
    }
  }
  return out;
}

// Symmetric and unitary to 1e-7; the row sums of |S|^2 are 1.
inline void expectSymmetricUnitary(const std::vector<Complex>& s, std::size_t n, const std::string& what) {
  double worstSymmetry = 0.0, worstUnitarity = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      worstSymmetry = std::max(worstSymmetry, std::abs(s[i * n + j] - s[j * n + i]));
      Complex sum = 0.0;
      for (std::size_t k = 0; k < n; ++k) sum += s[i * n + k] * std::conj(s[j * n + k]);
      worstUnitarity = std::max(worstUnitarity, std::abs(sum - (i == j ? 1.0 : 0.0)));
    }
  }
  EXPECT_LT(worstSymmetry, kTol) << what;
  EXPECT_LT(worstUnitarity, kTol) << what;
}

// The charge conjugate of a field: A reverses the finite labels, D of odd rank swaps the
// two spinor nodes, E6 flips its diagram (nodes 0<->4, 1<->3); the rest are self-conjugate.
inline Labels conjugate(int type, int rank, const Labels& a) {
  Labels c = a;
  if (type == 1) {
    for (int i = 0; i < rank; ++i) c[i] = a[rank - 1 - i];
  } else if (type == 4 && rank % 2 == 1) {
    std::swap(c[rank - 2], c[rank - 1]);
  } else if (type == 5 && rank == 6) {
    std::swap(c[0], c[4]);
    std::swap(c[1], c[3]);
  }
  return c;
}

// S symmetric and unitary, S^2 = C (the conjugation permutation), (ST)^3 = S^2 with
// T = exp(2 pi i (h - c/24)), S_00 real and positive, S_0a / S_00 the quantum dimension.
inline void expectModularData(const Algebra& alg) {
  const std::vector<Labels> fields = integrableWeights(alg.type, alg.rank, alg.level);
  const std::size_t n = fields.size();
  // The spectrum builder lists the same primaries.
  {
    OutputCapture quiet;  // the builder's input check informs
    const SpectrumResult spectrum = spectrum_(alg.type, alg.rank, alg.level, &WorkSpaceSize);
    EXPECT_EQ(static_cast<std::size_t>(spectrum.n), n) << alg.name();
  }
  const std::vector<Complex> s = fullS(alg, fields);
  expectSymmetricUnitary(s, n, alg.name());
  EXPECT_GT(s[0].real(), 0.0) << alg.name();
  EXPECT_NEAR(s[0].imag(), 0.0, kTol) << alg.name();
  const std::vector<Complex> s2 = multiply(s, s, n);
  double worstConjugation = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const Labels c = conjugate(alg.type, alg.rank, fields[i]);
    for (std::size_t j = 0; j < n; ++j) {
      const double expected = fields[j] == c ? 1.0 : 0.0;
      worstConjugation = std::max(worstConjugation, std::abs(s2[i * n + j] - expected));
    }
  }
  EXPECT_LT(worstConjugation, kTol) << alg.name();
  const std::vector<long double> g = weightMetric(alg.type, alg.rank);
  const long double c24 = centralCharge(alg) / 24.0L;
  std::vector<Complex> st(n * n);
  for (std::size_t j = 0; j < n; ++j) {
    const long double phase = 2.0L * kPi * (conformalWeight(alg, g, fields[j]) - c24);
    const Complex t(static_cast<double>(std::cos(phase)), static_cast<double>(std::sin(phase)));
    for (std::size_t i = 0; i < n; ++i) st[i * n + j] = s[i * n + j] * t;
  }
  const std::vector<Complex> st3 = multiply(multiply(st, st, n), st, n);
  double worstCube = 0.0;
  for (std::size_t i = 0; i < n * n; ++i) worstCube = std::max(worstCube, std::abs(st3[i] - s2[i]));
  EXPECT_LT(worstCube, kTol) << alg.name();
  const auto roots = positiveRoots(alg.type, alg.rank);
  double worstQdim = 0.0;
  for (std::size_t j = 0; j < n; ++j) {
    const double ratio = s[j].real() / s[0].real();
    const double expected = quantumDimension(alg, roots, fields[j]);
    worstQdim = std::max(worstQdim, std::fabs(ratio - expected) / std::max(1.0, std::fabs(expected)));
    const double qdim = QDim(fields[j].data(), alg.type, alg.rank, alg.level);
    worstQdim = std::max(worstQdim, std::fabs(ratio - qdim) / std::max(1.0, std::fabs(qdim)));
    EXPECT_NEAR(s[j].imag(), 0.0, kTol) << alg.name();  // S_0a is real
  }
  EXPECT_LT(worstQdim, kTol) << alg.name();
}

}  // namespace smatrix_test
