// The Gaussian sum of an affine Lie algebra against a plain evaluation of its defining sum:
// the fields enumerated as the dominant weights of level at most k, the Weyl group built
// as integer matrices on Dynkin labels by closing the simple reflections, the stabiliser
// order m_lambda counted as the Weyl elements w with lambda - w(lambda) in k times the
// coroot lattice (the stabiliser of lambda in the level-k affine Weyl group), and (v, v)
// from the quadratic form matrix of the algebra. Also the closed form for A1 and x = 0,
// and the refusals. In higher rank, the defining sum over the Weyl images of every field.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <set>
#include <vector>

#include "InterruptTestSupport.h"
#include "TestSupport.h"
#include "lie/LieAlgebra.h"
#include "lie/WeylGroup.h"
#include "program/Boot.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"

namespace {

using Matrix = std::vector<int>;  // r x r, row-major, acting on Dynkin label columns

// A rank-2 (or rank-1) algebra as the test knows it from the textbooks: the Dynkin labels
// of the simple roots (rows of the Cartan matrix), the quadratic form matrix (omega_i,
// omega_j) with long roots of squared length 2, the Gram matrix of the simple coroots, and
// the comarks.
struct Algebra {
  int type;
  int rank;
  std::vector<std::vector<int>> rootLabels;
  std::vector<std::vector<double>> form;
  std::vector<std::vector<double>> corootGram;
  std::vector<int> comarks;
};

const Algebra kA1{1, 1, {{2}}, {{0.5}}, {{2}}, {1}};
const Algebra kA2{
    1, 2, {{2, -1}, {-1, 2}}, {{2.0 / 3, 1.0 / 3}, {1.0 / 3, 2.0 / 3}}, {{2, -1}, {-1, 2}}, {1, 1}};
// B2 = so(5) with alpha_1 long (norm 2) and alpha_2 short (norm 1): omega_1 is the vector
// (norm 1), omega_2 the spinor (norm 1/2); coroots alpha_1 and 2 alpha_2.
const Algebra kB2{2, 2, {{2, -2}, {-1, 2}}, {{1.0, 0.5}, {0.5, 0.5}}, {{2, -2}, {-2, 4}}, {1, 1}};

Matrix multiply(const Matrix& a, const Matrix& b, int r) {
  Matrix c(static_cast<std::size_t>(r * r), 0);
  for (int i = 0; i < r; ++i)
    for (int j = 0; j < r; ++j)
      for (int k = 0; k < r; ++k) c[i * r + j] += a[i * r + k] * b[k * r + j];
  return c;
}

// s_i(lambda) = lambda - lambda_i alpha_i on Dynkin labels.
Matrix reflection(const Algebra& g, int i) {
  const int r = g.rank;
  Matrix m(static_cast<std::size_t>(r * r), 0);
  for (int j = 0; j < r; ++j) m[j * r + j] = 1;
  for (int j = 0; j < r; ++j) m[j * r + i] -= g.rootLabels[i][j];
  return m;
}

std::vector<Matrix> weylGroup(const Algebra& g) {
  const int r = g.rank;
  Matrix identity(static_cast<std::size_t>(r * r), 0);
  for (int j = 0; j < r; ++j) identity[j * r + j] = 1;
  std::set<Matrix> seen{identity};
  std::vector<Matrix> group{identity};
  for (std::size_t next = 0; next < group.size(); ++next) {
    for (int i = 0; i < r; ++i) {
      Matrix product = multiply(reflection(g, i), group[next], r);
      if (seen.insert(product).second) group.push_back(product);
    }
  }
  return group;
}

std::vector<int> apply(const Matrix& w, const std::vector<int>& v, int r) {
  std::vector<int> out(static_cast<std::size_t>(r), 0);
  for (int i = 0; i < r; ++i)
    for (int j = 0; j < r; ++j) out[i] += w[i * r + j] * v[j];
  return out;
}

double norm(const Algebra& g, const std::vector<int>& v) {
  double sum = 0;
  for (int i = 0; i < g.rank; ++i)
    for (int j = 0; j < g.rank; ++j) sum += v[i] * g.form[i][j] * v[j];
  return sum;
}

// Whether the weight with these Dynkin labels is k times a coroot-lattice vector: the
// coefficients c with labels_j = sum_i c_i (alpha_i^v, alpha_j^v) are integers divisible
// by k (rank 1 and 2 solved directly).
bool inScaledCorootLattice(const Algebra& g, const std::vector<int>& labels, int k) {
  std::vector<double> c(static_cast<std::size_t>(g.rank));
  if (g.rank == 1) {
    c[0] = labels[0] / g.corootGram[0][0];
  } else {
    const auto& m = g.corootGram;
    const double det = m[0][0] * m[1][1] - m[0][1] * m[1][0];
    c[0] = (labels[0] * m[1][1] - labels[1] * m[1][0]) / det;
    c[1] = (labels[1] * m[0][0] - labels[0] * m[0][1]) / det;
  }
  for (double value : c) {
    const double scaled = value / k;
    if (std::fabs(scaled - std::round(scaled)) > 1e-9) return false;
  }
  return true;
}

std::complex<double> plainGaussianSum(const Algebra& g, int k, const std::vector<int>& x) {
  const int r = g.rank;
  const std::vector<Matrix> group = weylGroup(g);
  const double pi = std::acos(-1.0);
  // The index of the coroot lattice in the weight lattice: the determinant of the Gram
  // matrix of the simple coroots.
  const auto& m = g.corootGram;
  const double center = r == 1 ? m[0][0] : m[0][0] * m[1][1] - m[0][1] * m[1][0];
  const double N = std::sqrt(std::pow(k / 2.0, r) * center);
  std::complex<double> sum = 0;
  std::vector<int> lambda(static_cast<std::size_t>(r), 0);
  // Every dominant weight with sum of comarks times labels at most k.
  const int top = k;
  for (int a = 0; a <= top; ++a) {
    for (int b = 0; b <= (r == 2 ? top : 0); ++b) {
      lambda[0] = a;
      if (r == 2) lambda[1] = b;
      int level = 0;
      for (int i = 0; i < r; ++i) level += g.comarks[i] * lambda[i];
      if (level > k) continue;
      int stabiliser = 0;
      for (const Matrix& w : group) {
        std::vector<int> difference = apply(w, lambda, r);
        for (int i = 0; i < r; ++i) difference[i] = lambda[i] - difference[i];
        if (inScaledCorootLattice(g, difference, k)) ++stabiliser;
      }
      for (const Matrix& w : group) {
        std::vector<int> v = apply(w, lambda, r);
        for (int i = 0; i < r; ++i) v[i] = 2 * v[i] - x[i];
        sum += std::polar(1.0, 2 * pi * norm(g, v) / (4.0 * k)) / (stabiliser * N);
      }
    }
  }
  return sum * std::polar(1.0, -pi * r / 4.0);
}

class StoremanagerGauss : public ZoqTest {};

TEST_F(StoremanagerGauss, TheFormOfTheTestAgreesWithTheAlgebras) {
  // The vector of so(5) has norm 1, its spinor 1/2; the fundamental of su(3) 2/3.
  const int vector[] = {1, 0};
  const int spinor[] = {0, 1};
  EXPECT_NEAR(IntDotProd(2, 2, vector, vector), 1.0, 1e-12);
  EXPECT_NEAR(IntDotProd(2, 2, spinor, spinor), 0.5, 1e-12);
  EXPECT_NEAR(IntDotProd(1, 2, vector, vector), 2.0 / 3, 1e-12);
  // Field counts: k+1 for A1, (k+1)(k+2)/2 for A2 and B2.
  EXPECT_EQ(SM_getData(1, 1, 5)->n_primaries, 6);
  EXPECT_EQ(SM_getData(1, 2, 3)->n_primaries, 10);
  EXPECT_EQ(SM_getData(2, 2, 3)->n_primaries, 10);
}

TEST_F(StoremanagerGauss, AgreesWithThePlainSumForA1A2AndB2) {
  struct Case {
    const Algebra* algebra;
    int maxLevel;
  };
  for (const Case& c : {Case{&kA1, 6}, Case{&kA2, 4}, Case{&kB2, 4}}) {
    const Algebra& g = *c.algebra;
    for (int k = 1; k <= c.maxLevel; ++k) {
      SpectrumData* sd = SM_getData(g.type, g.rank, k);
      ASSERT_NE(sd, nullptr);
      std::vector<std::vector<int>> xs;
      if (g.rank == 1)
        xs = {{0}, {1}, {2}, {3}};
      else
        xs = {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {2, 0}};
      for (const std::vector<int>& x : xs) {
        const std::complex<double> expected = plainGaussianSum(g, k, x);
        EXPECT_NEAR(GaussianSum(sd, x.data()), expected.real(), 1e-9)
            << "type " << g.type << " rank " << g.rank << " level " << k << " x " << x[0];
        // These sums are real, so no phase error is reported.
        EXPECT_NEAR(expected.imag(), 0.0, 1e-9);
        EXPECT_TRUE(silent());
      }
    }
  }
}

// The sum as defined: over the fields, the Weyl images w(lambda) of each, with v = 2 w(lambda) - x.
std::complex<double> definingSum(SpectrumData* sd, const std::vector<int>& x) {
  const int type = sd->type, rank = sd->rank, k = sd->level;
  const double pi = std::acos(-1.0);
  const double N = std::sqrt(std::pow(k / 2.0, rank) * WeightLatticeOrder(type, rank));
  std::complex<double> sum = 0;
  std::vector<int> v(static_cast<std::size_t>(rank));
  for (int field = 0; field < sd->n_primaries; ++field) {
    const int* labels = SM_getRep(sd, field);
    const int m = WeylBoundaryMultiplicity(labels, type, rank);
    const WeylOrbitList* images = WeylReflections(type, rank, labels);
    for (int w = 0; w < images->count; ++w) {
      for (int i = 0; i < rank; ++i) v[i] = 2 * images->row(w)[i] - x[i];
      sum += std::polar(1.0, 2 * pi * IntDotProd(type, rank, v.data(), v.data()) / (4.0 * k)) / (m * N);
    }
  }
  return sum * std::polar(1.0, -pi * rank / 4.0);
}

TEST_F(StoremanagerGauss, AgreesWithTheDefiningSumInRankThreeAndFour) {
  struct Case {
    int type, rank, level;
  };
  // A3, B3, C3 and D4 at small levels; x a field's labels, a weight off the dominant chamber
  // and one that lies on no wall.
  for (const Case& c : {Case{1, 3, 2}, Case{1, 3, 3}, Case{2, 3, 2}, Case{3, 3, 2}, Case{3, 3, 3}, Case{4, 4, 1},
                        Case{4, 4, 2}}) {
    SpectrumData* sd = SM_getData(c.type, c.rank, c.level);
    ASSERT_NE(sd, nullptr);
    const int* last = SM_getRep(sd, sd->n_primaries - 1);
    std::vector<std::vector<int>> xs = {std::vector<int>(last, last + c.rank), std::vector<int>(c.rank, 0),
                                        std::vector<int>(c.rank, 1)};
    xs[1][0] = 1;
    xs[1][1] = -2;
    for (const std::vector<int>& x : xs) {
      const std::complex<double> expected = definingSum(sd, x);
      EXPECT_NEAR(GaussianSum(sd, x.data()), expected.real(), 1e-9)
          << "type " << c.type << " rank " << c.rank << " level " << c.level << " x " << x[0] << "," << x[1];
    }
  }
}

TEST_F(StoremanagerGauss, CtrlCStopsTheSumWithoutAResult) {
  SpectrumData* sd = SM_getData(3, 3, 3);
  ASSERT_NE(sd, nullptr);
  const int x[] = {1, 0, 0};
  interrupt_test::pressControlC();
  EXPECT_THROW(GaussianSum(sd, x), StopRequest);
  interrupt_test::release();
  // Nothing was left behind: the next sum runs to its end.
  EXPECT_NEAR(GaussianSum(sd, x), definingSum(sd, {1, 0, 0}).real(), 1e-9);
}

TEST_F(StoremanagerGauss, A1AtXZeroIsTwoForEvenLevelsAndZeroForOdd) {
  // sum over a mod 2k of exp(pi i a^2 / k) is (1+i) sqrt(2k) for even k and 0 for odd k.
  const int x[] = {0};
  for (int k = 1; k <= 10; ++k) {
    EXPECT_NEAR(GaussianSum(SM_getData(1, 1, k), x), k % 2 == 0 ? 2.0 : 0.0, 1e-9) << k;
  }
  EXPECT_TRUE(silent());
}

TEST_F(StoremanagerGauss, OnlyAffineLieAlgebrasHaveOne) {
  const int x[] = {0, 0};
  SpectrumData* u1 = SM_getData(0, 4, 0);
  ASSERT_NE(u1, nullptr);
  EXPECT_EQ(GaussianSum(u1, x), 0.0);
  EXPECT_TRUE(alerted("This command is only defined for affine Lie algebras"));
  EXPECT_EQ(GaussianSum(nullptr, x), 0.0);
}

}  // namespace
