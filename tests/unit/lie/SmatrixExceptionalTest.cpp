// S-matrix elements of G2, F4, E6, E7 and E8: known level-1 and level-2 matrices, the
// coset representatives, the modular relations, and agreement with the plain Weyl-group sum.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "program/Boot.h"
#include "SmatrixTestSupport.h"
#include "TestSupport.h"

using namespace smatrix_test;

namespace {

class SmatrixExceptionalTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

Complex element(int rank, int level, const Labels& a, const Labels& b) {
  double re = 0.0, im = 0.0;
  SDirect(5, rank, level, a.data(), b.data(), &re, &im);
  return {re, im};
}

Labels unit(int rank, int position, int level, int comark) {
  Labels v(rank + 1, 0);
  v[position] = 1;
  v[rank] = level - comark;
  return v;
}

Labels vacuum(int rank, int level) {
  Labels v(rank + 1, 0);
  v[rank] = level;
  return v;
}

// Exact integer determinant by the Leibniz-free Bareiss elimination.
long long integerDeterminant(std::vector<long long> m, int n) {
  long long previous = 1;
  int sign = 1;
  for (int k = 0; k < n - 1; ++k) {
    if (m[k * n + k] == 0) {
      int swap = -1;
      for (int i = k + 1; i < n && swap < 0; ++i) {
        if (m[i * n + k] != 0) swap = i;
      }
      if (swap < 0) return 0;
      for (int j = 0; j < n; ++j) std::swap(m[k * n + j], m[swap * n + j]);
      sign = -sign;
    }
    for (int i = k + 1; i < n; ++i) {
      for (int j = k + 1; j < n; ++j) {
        m[i * n + j] = (m[i * n + j] * m[k * n + k] - m[i * n + k] * m[k * n + j]) / previous;
      }
    }
    previous = m[k * n + k];
  }
  return sign * m[(n - 1) * n + n - 1];
}

// --- Coset representatives -------------------------------------------------------------------

TEST_F(SmatrixExceptionalTest, CosetRepresentativesHaveTheExpectedCountsAndSigns) {
  struct Case {
    int rank, count;
  };
  // |W(E6)|/|W(D5)| = 51840/1920, |W(E7)|/|W(D6 x A1)| = 2903040/46080,
  // |W(E8)|/|W(D8)| = 696729600/5160960. (How many representatives carry each sign
  // depends on the choice within each coset.)
  const Case cases[] = {{6, 27}, {7, 63}, {8, 135}};
  for (const Case& c : cases) {
    ASSERT_EQ(SmatrixCosetCount(c.rank), c.count);
    const CosetRepresentative* reps = SmatrixCosetRepresentatives(c.rank);
    std::set<std::vector<int>> distinct;
    for (int k = 0; k < c.count; ++k) {
      std::vector<long long> m(reps[k].matrix, reps[k].matrix + c.rank * c.rank);
      EXPECT_EQ(integerDeterminant(m, c.rank), reps[k].sign) << c.rank << " " << k;
      distinct.insert(std::vector<int>(reps[k].matrix, reps[k].matrix + c.rank * c.rank));
    }
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(c.count));
    // The first representative is the identity.
    for (int i = 0; i < c.rank; ++i) {
      for (int j = 0; j < c.rank; ++j) EXPECT_EQ(reps[0].matrix[i * c.rank + j], i == j ? 1 : 0);
    }
  }
  EXPECT_EQ(SmatrixCosetCount(4), 0);
  EXPECT_EQ(SmatrixCosetRepresentatives(5), nullptr);
}

TEST_F(SmatrixExceptionalTest, ElementsLeaveTheCurrentLieDataAlone) {
  Cartan(1, 3);
  for (int rank : {6, 7, 8}) element(rank, 1, vacuum(rank, 1), vacuum(rank, 1));
  EXPECT_EQ(Zoq_lieData().cartanType, 1);
  EXPECT_EQ(Zoq_lieData().cartanRank, 3);
}

// --- Known matrices ----------------------------------------------------------------------------

TEST_F(SmatrixExceptionalTest, G2AndF4AtLevelOneAreTheFibonacciMatrix) {
  // s^2 = (5 - sqrt 5)/10, c^2 = (5 + sqrt 5)/10.
  const double s = std::sqrt((5 - std::sqrt(5.0)) / 10);
  const double c = std::sqrt((5 + std::sqrt(5.0)) / 10);
  EXPECT_NEAR(s, 0.525731, 1e-6);
  EXPECT_NEAR(c, 0.850651, 1e-6);
  const Labels g0 = vacuum(2, 1), g1 = unit(2, 1, 1, 1);
  const Labels f0 = vacuum(4, 1), f1 = unit(4, 3, 1, 1);
  const Labels* fields[2][2] = {{&g0, &g1}, {&f0, &f1}};
  const int ranks[2] = {2, 4};
  for (int alg = 0; alg < 2; ++alg) {
    const double expected[2][2] = {{s, c}, {c, -s}};
    for (int i = 0; i < 2; ++i) {
      for (int j = 0; j < 2; ++j) {
        const Complex v = element(ranks[alg], 1, *fields[alg][i], *fields[alg][j]);
        EXPECT_NEAR(v.real(), expected[i][j], kTol) << ranks[alg] << i << j;
        EXPECT_EQ(v.imag(), 0.0);
      }
    }
  }
}

TEST_F(SmatrixExceptionalTest, E6AndE7AtLevelOne) {
  const double r2 = 1.0 / std::sqrt(2.0);
  const Labels e7[2] = {vacuum(7, 1), unit(7, 5, 1, 1)};
  const double s7[2][2] = {{r2, r2}, {r2, -r2}};
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) {
      const Complex v = element(7, 1, e7[i], e7[j]);
      EXPECT_NEAR(v.real(), s7[i][j], kTol);
      EXPECT_EQ(v.imag(), 0.0);
    }
  }
  // (1/sqrt 3)((1,1,1),(1,w,w*),(1,w*,w)), w = exp(-2 pi i/3), up to which non-trivial
  // field is which.
  const Labels e6[3] = {vacuum(6, 1), unit(6, 4, 1, 1), unit(6, 0, 1, 1)};
  const Complex w = std::polar(1.0, -2 * kPi / 3);
  const Complex one(1.0, 0.0);
  const Complex table[3][3] = {{one, one, one}, {one, w, std::conj(w)}, {one, std::conj(w), w}};
  double straight = 0.0, swapped = 0.0;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const Complex v = element(6, 1, e6[i], e6[j]) * std::sqrt(3.0);
      straight = std::max(straight, std::abs(v - table[i][j]));
      swapped = std::max(swapped, std::abs(v - std::conj(table[i][j])));
    }
  }
  EXPECT_LT(std::min(straight, swapped), kTol);
}

TEST_F(SmatrixExceptionalTest, E8AtLevelsOneAndTwo) {
  EXPECT_NEAR(element(8, 1, vacuum(8, 1), vacuum(8, 1)).real(), 1.0, kTol);
  // Vacuum, label 1 on node 1 (position 0), label 1 on node 7 (position 6).
  const Labels fields[3] = {vacuum(8, 2), unit(8, 0, 2, 2), unit(8, 6, 2, 2)};
  const double h = 1.0 / std::sqrt(2.0);
  const double expected[3][3] = {{0.5, h, 0.5}, {h, 0.0, -h}, {0.5, -h, 0.5}};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const Complex v = element(8, 2, fields[i], fields[j]);
      EXPECT_NEAR(v.real(), expected[i][j], kTol) << i << j;
      EXPECT_EQ(v.imag(), 0.0);
    }
  }
  // Labels that are no primary of the level give no error and a vanishing sum.
  OutputCapture capture;
  EXPECT_NEAR(element(8, 2, vacuum(8, 2), unit(8, 1, 2, 3)).real(), 0.0, kTol);
  EXPECT_EQ(capture.diagnostics, "");
}

TEST_F(SmatrixExceptionalTest, E8LevelsInAlternation) {
  const Labels l2 = unit(8, 0, 2, 2);
  const Labels l3 = unit(8, 7, 3, 3);
  const double first2 = element(8, 2, l2, l2).real();
  const double first3 = element(8, 3, l3, vacuum(8, 3)).real();
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(element(8, 2, l2, l2).real(), first2);
    EXPECT_EQ(element(8, 3, l3, vacuum(8, 3)).real(), first3);
  }
  EXPECT_NEAR(first2, 0.0, kTol);
}

// --- Modular relations -------------------------------------------------------------------------

TEST_F(SmatrixExceptionalTest, ModularDataOfTheExceptionalAlgebras) {
  for (int level = 1; level <= 3; ++level) {
    expectModularData({5, 2, level});
    expectModularData({5, 4, level});
    expectModularData({5, 6, level});
    expectModularData({5, 8, level});
  }
  for (int level = 1; level <= 3; ++level) expectModularData({5, 7, level});
}

TEST_F(SmatrixExceptionalTest, ImaginaryPartsVanishExceptForE6) {
  for (int rank : {2, 4, 7, 8}) {
    const auto fields = integrableWeights(5, rank, 2);
    for (const Labels& a : fields) {
      for (const Labels& b : fields) EXPECT_EQ(element(rank, 2, a, b).imag(), 0.0) << rank;
    }
  }
  const auto e6 = integrableWeights(5, 6, 2);
  double largest = 0.0;
  for (const Labels& a : e6) {
    for (const Labels& b : e6) largest = std::max(largest, std::fabs(element(6, 2, a, b).imag()));
  }
  EXPECT_GT(largest, 0.1);
}

// --- The plain Weyl-group sum ------------------------------------------------------------------

// sum over w of det(w) exp(-2 pi i (w(lambda+rho), mu+rho)/(k+h)), from the group's orbit
// list; det(w) = (-1)^(word length) read from the parent chain.
Complex weylSum(const Algebra& alg, const Labels& a, const Labels& b) {
  const std::vector<long double> g = weightMetric(alg.type, alg.rank);
  std::vector<int> shifted(alg.rank);
  for (int i = 0; i < alg.rank; ++i) shifted[i] = a[i] + 1;
  const WeylGroupCollection* group = initWeylGroup(alg.type, alg.rank);
  const WeylOrbitList* orbit = WeylReflections(alg.type, alg.rank, shifted.data());
  std::vector<long double> mu(alg.rank), image(alg.rank);
  for (int i = 0; i < alg.rank; ++i) mu[i] = b[i] + 1;
  const long double kh = alg.level + dualCoxeterNumber(alg.type, alg.rank);
  Complex sum = 0.0;
  for (int k = 0; k < orbit->count; ++k) {
    int length = 0;
    for (int p = k; p > 0; p = group->parent(p)) ++length;
    for (int i = 0; i < alg.rank; ++i) image[i] = orbit->row(k)[i];
    const double phase = static_cast<double>(-2.0L * kPi * innerProduct(g, image, mu) / kh);
    sum += (length % 2 == 0 ? 1.0 : -1.0) * std::polar(1.0, phase);
  }
  return sum;
}

TEST_F(SmatrixExceptionalTest, DeterminantFormulasAgreeWithTheWeylGroupSum) {
  const Algebra algebras[] = {{5, 2, 3}, {5, 4, 2}, {1, 3, 2}, {2, 3, 2}, {3, 3, 2}, {4, 4, 1}, {5, 6, 1}};
  for (const Algebra& alg : algebras) {
    const auto fields = integrableWeights(alg.type, alg.rank, alg.level);
    const Complex s00 = weylSum(alg, fields[0], fields[0]);
    double re = 0.0, im = 0.0;
    SDirect(alg.type, alg.rank, alg.level, fields[0].data(), fields[0].data(), &re, &im);
    const Complex d00(re, im);
    for (std::size_t i = 0; i < fields.size(); ++i) {
      for (std::size_t j = i; j < fields.size() && j < i + 3; ++j) {
        SDirect(alg.type, alg.rank, alg.level, fields[i].data(), fields[j].data(), &re, &im);
        const Complex ratio = weylSum(alg, fields[i], fields[j]) / s00;
        EXPECT_NEAR(std::abs(Complex(re, im) / d00 - ratio), 0.0, 1e-6) << alg.name() << " " << i << " " << j;
      }
    }
  }
}

}  // namespace
