// Exceptional S elements that vanish exactly come out as exact zeros, not as the rounding
// residue of their Weyl sums; the elements around them keep their values, and whole rows
// make the same zero decisions as the element routines.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <vector>

#include "lie/SmatrixInternal.h"
#include "program/Boot.h"
#include "SmatrixTestSupport.h"
#include "TestSupport.h"

using namespace smatrix_test;

namespace {

class SmatrixExceptionalZeroTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

Complex element(int rank, int level, const Labels& a, const Labels& b) {
  double re = 7.0, im = 7.0;
  SDirect(5, rank, level, a.data(), b.data(), &re, &im);
  return {re, im};
}

// ---------------------------------------------------------------------------------------
// Exact arithmetic in Z[x]: a sum of cosines of angles 2 pi n_i / N vanishes exactly when
// the polynomial sum of +-(x^{n_i} + x^{-n_i mod N}) is divisible by the cyclotomic
// polynomial Phi_N (the minimal polynomial of exp(2 pi i / N)).
// ---------------------------------------------------------------------------------------

using Poly = std::vector<long long>;  // coefficient of x^i at i

// f / g for a monic g that divides f.
Poly exactQuotient(Poly f, const Poly& g) {
  const std::size_t dg = g.size() - 1;
  Poly q(f.size() - dg, 0);
  for (std::size_t i = f.size(); i-- > dg;) {
    const long long c = f[i];
    q[i - dg] = c;
    for (std::size_t j = 0; j <= dg; ++j) f[i - dg + j] -= c * g[j];
  }
  for (std::size_t i = 0; i < dg; ++i) EXPECT_EQ(f[i], 0) << "not a divisor";
  return q;
}

// Phi_n = (x^n - 1) / prod over the proper divisors d of n of Phi_d.
const Poly& cyclotomic(int n) {
  static std::map<int, Poly> known;
  auto found = known.find(n);
  if (found != known.end()) return found->second;
  Poly p(static_cast<std::size_t>(n) + 1, 0);
  p[0] = -1;
  p[static_cast<std::size_t>(n)] = 1;
  for (int d = 1; d < n; ++d) {
    if (n % d == 0) p = exactQuotient(p, cyclotomic(d));
  }
  return known[n] = p;
}

bool divisibleBy(Poly f, const Poly& g) {
  const std::size_t dg = g.size() - 1;
  for (std::size_t i = f.size(); i-- > dg;) {
    const long long c = f[i];
    for (std::size_t j = 0; j <= dg; ++j) f[i - dg + j] -= c * g[j];
  }
  for (std::size_t i = 0; i < dg && i < f.size(); ++i) {
    if (f[i] != 0) return false;
  }
  return true;
}

// The six cosine arguments of the closed G2 sum, times 3 so that they are integers (the
// quadratic form ((2, 1), (1, 2/3)) has denominator 3), with their signs: the element is
// -2/((k+4) sqrt 3) sum_i sign_i cos(2 pi n_i / (3(k+4))).
struct G2Terms {
  long long n[6];
  int sign[6];
};

G2Terms g2Terms(const Labels& a, const Labels& b) {
  const long long l0 = a[0] + 1, l1 = a[1] + 1, m0 = b[0] + 1, m1 = b[1] + 1;
  const long long v0 = 3 * (2 * m0 + m1), v1 = 3 * m0 + 2 * m1;  // 3 G m
  const long long p = v0 * l0, q = v1 * l1, u = v1 * l0, w = v0 * l1;
  return {{p + q, 3 * u + q - p, w + p - q, 3 * u + 2 * q - p - w, w + 2 * p - q - 3 * u, w + 2 * p - 2 * q - 3 * u},
          {1, -1, -1, 1, 1, -1}};
}

bool g2VanishesExactly(const Labels& a, const Labels& b, int level) {
  const long long modulus = 3LL * (level + 4);
  const G2Terms t = g2Terms(a, b);
  Poly f(static_cast<std::size_t>(modulus), 0);
  for (int i = 0; i < 6; ++i) {
    const long long r = ((t.n[i] % modulus) + modulus) % modulus;
    f[static_cast<std::size_t>(r)] += t.sign[i];
    f[static_cast<std::size_t>((modulus - r) % modulus)] += t.sign[i];
  }
  return divisibleBy(f, cyclotomic(static_cast<int>(modulus)));
}

// The same sum in long double with the angles reduced exactly in integers.
long double g2LongDouble(const Labels& a, const Labels& b, int level) {
  const long long modulus = 3LL * (level + 4);
  const G2Terms t = g2Terms(a, b);
  long double sum = 0.0L;
  for (int i = 0; i < 6; ++i) {
    const long long r = ((t.n[i] % modulus) + modulus) % modulus;
    sum += t.sign[i] * std::cos(2.0L * 3.14159265358979323846264338327950288L * r / modulus);
  }
  return -2.0L * sum / ((level + 4) * std::sqrt(3.0L));
}

TEST_F(SmatrixExceptionalZeroTest, ExactCyclotomicCheckIsSound) {
  // Phi_12 = x^4 - x^2 + 1; 2 cos(2 pi 2/12) - 1 = 0 while 2 cos 0 is not.
  EXPECT_EQ(cyclotomic(12), (Poly{1, 0, -1, 0, 1}));
  Poly half(12, 0);  // 2 cos(2 pi 2/12) - 1 = 0
  half[2] = 1;
  half[10] = 1;
  half[0] = -1;
  EXPECT_TRUE(divisibleBy(half, cyclotomic(12)));
  Poly one(12, 0);
  one[0] = 2;
  EXPECT_FALSE(divisibleBy(one, cyclotomic(12)));
}

TEST_F(SmatrixExceptionalZeroTest, G2AtLevelHundredVanishesWhereTheWeylSumDoes) {
  // Fields 700 and 1900 of G2 level 100: labels (7, 35) and (24, 28). Their sum of
  // cosines is divisible by Phi_312 exactly, so the element is 0, not 1e-16.
  const int level = 100;
  const Labels a{7, 35, 51};
  ASSERT_TRUE(g2VanishesExactly(a, {24, 28, 24}, level));
  const Complex s = element(2, level, a, {24, 28, 24});
  EXPECT_EQ(s.real(), 0.0);
  EXPECT_EQ(s.imag(), 0.0);
  // The whole row: exactly the elements whose sum vanishes in Z[x]/Phi_312 are 0; the
  // others agree with the long-double sum of exactly reduced angles.
  int zeros = 0;
  double norm = 0.0;
  for (int b0 = 0; 2 * b0 <= level; ++b0) {
    for (int b1 = 0; 2 * b0 + b1 <= level; ++b1) {
      const Labels b{b0, b1, level - 2 * b0 - b1};
      const bool exact = g2VanishesExactly(a, b, level);
      double re = 7.0, im = 7.0;
      ZoqG(a.data(), b.data(), &re, &im, level);
      ASSERT_EQ(re == 0.0, exact) << b0 << ", " << b1 << ": " << re;
      ASSERT_EQ(im, 0.0);
      const double expected = static_cast<double>(g2LongDouble(a, b, level));
      if (!exact) {
        ASSERT_NEAR(re, expected, 1e-12 * std::fabs(expected)) << b0 << ", " << b1;
      }
      zeros += exact;
      norm += re * re;
    }
  }
  EXPECT_GT(zeros, 0);
  EXPECT_NEAR(norm, 1.0, 1e-10);  // unitarity of the row
}

// ---------------------------------------------------------------------------------------
// Simple-current zeros: a field f fixed by a current J has S(f, b) = exp(2 pi i Q_J(b))
// S(f, b), so S(f, b) = 0 for every b whose congruence class (the charge) is not 0.
// ---------------------------------------------------------------------------------------

// The Cartan matrix of E_n in the element routines' numbering: the chain 0 - ... - (n-2)
// with node n-1 attached to node 2 (E6, E7).
std::vector<int> cartanE(int n) {
  std::vector<int> cm(static_cast<std::size_t>(n) * n, 0);
  auto link = [&](int i, int j) { cm[i * n + j] = cm[j * n + i] = -1; };
  for (int i = 0; i < n; ++i) cm[i * n + i] = 2;
  for (int i = 0; i + 1 <= n - 2; ++i) link(i, i + 1);
  link(n - 1, 2);
  return cm;
}

int classOf(const std::vector<int>& c, const Labels& b, int order) {
  int sum = 0;
  for (std::size_t i = 0; i < c.size(); ++i) sum += c[i] * b[i];
  return ((sum % order) + order) % order;
}

struct CurrentCase {
  int rank, level, order;
  std::vector<int> classVector;
  std::vector<Labels> fixedPoints;
};

std::vector<CurrentCase> currentCases() {
  // E6 level 3: J rotates the arms (0, 1), (4, 3), (ext, 5) of the extended diagram, so
  // a0 = a4 = a_ext and a1 = a3 = a5 are fixed: (0,0,1,0,0,0) and (1,0,0,0,1,0) with
  // a_ext = 1. The class mod 3 is a0 - a1 + a3 - a4.
  // E7 level 2: J reflects the chain ext-0-1-2-3-4-5 about node 2: a5 = a_ext, a0 = a4,
  // a1 = a3; fixed are omega_5 (a_ext = 1) and omega_6. The class mod 2 is a3 + a5 + a6.
  return {{6, 3, 3, {1, -1, 0, 1, -1, 0}, {{0, 0, 1, 0, 0, 0, 0}, {1, 0, 0, 0, 1, 0, 1}}},
          {7, 2, 2, {0, 0, 0, 1, 0, 1, 1}, {{0, 0, 0, 0, 0, 1, 0, 1}, {0, 0, 0, 0, 0, 0, 1, 0}}}};
}

TEST_F(SmatrixExceptionalZeroTest, ClassVectorsVanishOnTheRoots) {
  // A congruence class is a character of the weight lattice trivial on the root lattice.
  for (const CurrentCase& c : currentCases()) {
    const std::vector<int> cm = cartanE(c.rank);
    for (int i = 0; i < c.rank; ++i) {
      Labels root(cm.begin() + i * c.rank, cm.begin() + (i + 1) * c.rank);
      EXPECT_EQ(classOf(c.classVector, root, c.order), 0) << "E" << c.rank << " root " << i;
    }
    // and it separates the 27 (omega_0) of E6 and the 56 (omega_5) of E7 from the roots.
    const Labels fundamental = c.rank == 6 ? Labels{1, 0, 0, 0, 0, 0} : Labels{0, 0, 0, 0, 0, 1, 0};
    EXPECT_NE(classOf(c.classVector, fundamental, c.order), 0);
  }
}

TEST_F(SmatrixExceptionalZeroTest, FixedPointsAgainstChargedFieldsAreExactZeros) {
  for (const CurrentCase& c : currentCases()) {
    const std::vector<Labels> fields = integrableWeights(5, c.rank, c.level);
    int zeros = 0;
    for (const Labels& f : c.fixedPoints) {
      for (const Labels& b : fields) {
        if (classOf(c.classVector, b, c.order) == 0) continue;
        const Complex s = element(c.rank, c.level, f, b);
        EXPECT_EQ(s.real(), 0.0) << "E" << c.rank << " level " << c.level;
        EXPECT_EQ(s.imag(), 0.0) << "E" << c.rank << " level " << c.level;
        ++zeros;
      }
      // Against the vacuum: S(f, 0) = S_00 times a quantum dimension, never 0.
      EXPECT_GT(element(c.rank, c.level, f, fields[0]).real(), 1e-3);
    }
    EXPECT_GT(zeros, 0);
  }
}

TEST_F(SmatrixExceptionalZeroTest, E8IsingSpinFieldAgainstItselfIsZero) {
  // E8 level 2 is the Ising matrix: S(sigma, sigma) = 0, the sigma field having label 1
  // at position 0.
  const Labels sigma{1, 0, 0, 0, 0, 0, 0, 0, 0};
  const Complex s = element(8, 2, sigma, sigma);
  EXPECT_EQ(s.real(), 0.0);
  EXPECT_EQ(s.imag(), 0.0);
  EXPECT_NEAR(element(8, 2, sigma, {0, 0, 0, 0, 0, 0, 0, 0, 2}).real(), 1.0 / std::sqrt(2.0), 1e-12);
}

TEST_F(SmatrixExceptionalZeroTest, G2AndF4AtLevelOneKeepTheirValues) {
  // Both are ((s, c), (c, -s)) with s^2 = (5 - sqrt 5)/10, c^2 = (5 + sqrt 5)/10.
  const double s = std::sqrt((5.0 - std::sqrt(5.0)) / 10.0);
  const double c = std::sqrt((5.0 + std::sqrt(5.0)) / 10.0);
  const std::vector<Labels> g2{{0, 0, 1}, {0, 1, 0}};
  const std::vector<Labels> f4{{0, 0, 0, 0, 1}, {0, 0, 0, 1, 0}};
  for (int rank : {2, 4}) {
    const std::vector<Labels>& f = rank == 2 ? g2 : f4;
    EXPECT_NEAR(element(rank, 1, f[0], f[0]).real(), s, 1e-12);
    EXPECT_NEAR(element(rank, 1, f[0], f[1]).real(), c, 1e-12);
    EXPECT_NEAR(element(rank, 1, f[1], f[1]).real(), -s, 1e-12);
  }
}

TEST_F(SmatrixExceptionalZeroTest, RowsStayUnitaryAroundTheirZeros) {
  for (auto [rank, level] : {std::pair{2, 12}, std::pair{4, 4}, std::pair{6, 3}, std::pair{7, 2}}) {
    const std::vector<Labels> fields = integrableWeights(5, rank, level);
    for (const Labels& a : fields) {
      double norm = 0.0;
      for (const Labels& b : fields) norm += std::norm(element(rank, level, a, b));
      EXPECT_NEAR(norm, 1.0, 1e-10) << "rank " << rank << " level " << level;
    }
  }
}

TEST_F(SmatrixExceptionalZeroTest, RowsMakeTheElementsZeroDecisions) {
  struct Case {
    int rank, level;
  };
  for (Case c : {Case{6, 3}, Case{6, 6}, Case{7, 2}, Case{7, 4}, Case{8, 2}, Case{8, 4}}) {
    const std::vector<Labels> fields = integrableWeights(5, c.rank, c.level);
    std::vector<const int*> columns;
    for (const Labels& f : fields) columns.push_back(f.data());
    int zeros = 0;
    for (const Labels& a : fields) {
      std::vector<double> re(fields.size(), 7.0), im(fields.size(), 7.0);
      ASSERT_TRUE(smatrix_internal::exceptionalRow(c.rank, c.level, a.data(), static_cast<int>(fields.size()),
                                                   columns.data(), re.data(), im.data()));
      for (std::size_t b = 0; b < fields.size(); ++b) {
        const Complex s = element(c.rank, c.level, a, fields[b]);
        ASSERT_EQ(re[b] == 0.0, s.real() == 0.0) << "E" << c.rank << " level " << c.level << " column " << b;
        ASSERT_EQ(im[b] == 0.0, s.imag() == 0.0) << "E" << c.rank << " level " << c.level << " column " << b;
        zeros += s.real() == 0.0 && s.imag() == 0.0;
      }
    }
    if (c.rank != 8 || c.level == 2) {
      EXPECT_GT(zeros, 0) << "E" << c.rank << " level " << c.level;
    }
  }
}

}  // namespace
