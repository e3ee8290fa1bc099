// Elements that vanish exactly come out as exact zeros, not as the rounding residue of
// their determinant or phase; the elements around them keep their values.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "program/Boot.h"
#include "SmatrixTestSupport.h"
#include "TestSupport.h"

using namespace smatrix_test;

namespace {

class SmatrixZeroTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

Complex element(int type, int rank, int level, const Labels& a, const Labels& b) {
  double re = 0.0, im = 0.0;
  SDirect(type, rank, level, a.data(), b.data(), &re, &im);
  return {re, im};
}

// A field f fixed by a simple current J has S(f, b) = exp(2 pi i Q_J(b)) S(f, b), so
// S(f, b) = 0 for every b of non-integral charge.
TEST_F(SmatrixZeroTest, FixedPointsAgainstChargedFieldsAreExactZeros) {
  // C2 level 2: J reverses the extended labels (a0, a1, a2) and fixes (1; 0, 1);
  // Q_J(omega_1) = 1/2.
  Complex s = element(3, 2, 2, {0, 1, 1}, {1, 0, 1});
  EXPECT_EQ(s.real(), 0.0);
  EXPECT_EQ(s.imag(), 0.0);
  // A3 level 4: J rotates (a0, a1, a2, a3) and fixes (1; 1, 1, 1); Q_J(omega_1) = 1/4.
  s = element(1, 3, 4, {1, 1, 1, 1}, {1, 0, 0, 3});
  EXPECT_EQ(s.real(), 0.0);
  EXPECT_EQ(s.imag(), 0.0);
  // D4 level 2: the current of (0, 0, 0, 2) exchanges the nodes 0 <-> 4 and 1 <-> 3,
  // fixing omega_4 (a0 = 1); Q(omega_3) = (omega_4, omega_3) = 1/2.
  s = element(4, 4, 2, {0, 0, 0, 1, 1}, {0, 0, 1, 0, 1});
  EXPECT_EQ(s.real(), 0.0);
  EXPECT_EQ(s.imag(), 0.0);
  // C3 level 2: J reverses (a0, a1, a2, a3) and fixes (0; 1, 1, 0); Q_J(omega_1) = 1/2.
  s = element(3, 3, 2, {1, 1, 0, 0}, {1, 0, 0, 1});
  EXPECT_EQ(s.real(), 0.0);
  EXPECT_EQ(s.imag(), 0.0);
}

// Phases at a quarter turn have an exactly vanishing part.
TEST_F(SmatrixZeroTest, QuarterTurnPhasesHaveAnExactZeroPart) {
  // U(1) of radius 4: S(1, 1) = exp(-2 pi i / 4) / 2 = -i/2.
  Complex s = element(0, 4, 0, {1}, {1});
  EXPECT_EQ(s.real(), 0.0);
  EXPECT_NEAR(s.imag(), -0.5, 1e-15);
  // The fixed-point theory of the N=2 model at level 2: s = s' = 0 gives
  // exp(2 pi i 6/8) / sqrt 8 = -i / sqrt 8.
  s = element(26, 2, 2, {2, 0, 0}, {2, 0, 0});
  EXPECT_EQ(s.real(), 0.0);
  EXPECT_NEAR(s.imag(), -1.0 / std::sqrt(8.0), 1e-15);
}

// Only the vanishing elements change: in C2 level 2 the fixed point (1; 0, 1) has the
// values (5 - sqrt 5)/10 with itself and -(5 + sqrt 5)/10 with (0; 2, 0) beside its two
// zeros, and the whole matrix stays unitary.
TEST_F(SmatrixZeroTest, TheOtherElementsKeepTheirValues) {
  const Algebra alg{3, 2, 2};
  EXPECT_NEAR(element(3, 2, 2, {0, 1, 1}, {0, 1, 1}).real(), (5.0 - std::sqrt(5.0)) / 10.0, 1e-15);
  EXPECT_NEAR(element(3, 2, 2, {0, 1, 1}, {2, 0, 0}).real(), -(5.0 + std::sqrt(5.0)) / 10.0, 1e-15);
  const std::vector<Labels> fields = integrableWeights(3, 2, 2);
  ASSERT_EQ(fields.size(), 6u);
  expectSymmetricUnitary(fullS(alg, fields), fields.size(), alg.name());
  // Every element is an exact zero or far from one.
  for (const Labels& a : fields) {
    for (const Labels& b : fields) {
      Complex s = element(3, 2, 2, a, b);
      EXPECT_TRUE(s.real() == 0.0 || std::fabs(s.real()) > 1e-3);
      EXPECT_EQ(s.imag(), 0.0);
    }
  }
}

}  // namespace
