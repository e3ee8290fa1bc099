// The vacuum row S(0, b) by the Weyl denominator product: against an independent product
// in long double, against the Weyl-group sums of every type, at levels where the sums
// lose their relative precision, and through the store where S(0, 0) must not vanish.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "program/Boot.h"
#include "SmatrixTestSupport.h"
#include "store/Storemanager.h"
#include "TestSupport.h"

using namespace smatrix_test;

namespace {

class SmatrixVacuumRowTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

// |P/Q^v| = det(Cartan matrix) x prod over short simple roots of |long|^2/|short|^2.
long double latticeIndex(int type, int rank) {
  switch (type) {
    case 1: return rank + 1;
    case 2: return 4;
    case 3: return std::ldexp(1.0L, rank);
    case 4: return 4;
    default: return rank == 2 ? 3 : rank == 4 ? 4 : rank == 6 ? 3 : rank == 7 ? 2 : 1;
  }
}

// 2^|roots| |P/Q^v|^(-1/2) (k+h)^(-r/2) prod sin(pi (b+rho, alpha)/(k+h)), in long double.
long double product(const Algebra& alg, const std::vector<std::vector<int>>& roots, const Labels& b) {
  const CartanCopy cartan = cartanCopy(alg.type, alg.rank);
  const long double kh = alg.level + dualCoxeterNumber(alg.type, alg.rank);
  long double s = 1.0L / std::sqrt(latticeIndex(alg.type, alg.rank)) / std::pow(kh, alg.rank / 2.0L);
  for (const auto& m : roots) {
    long double inner = 0.0L;
    for (int i = 0; i < alg.rank; ++i) inner += (b[i] + 1.0L) * m[i] * cartan.rootnorm[i] / 6.0L;
    s *= 2.0L * std::sin(kPi * inner / kh);
  }
  return s;
}

double vacuumElement(const Algebra& alg, const Labels& b) {
  const Labels zero(alg.rank + 1, 0);
  double re = 0.0, im = 1.0;
  SDirect(alg.type, alg.rank, alg.level, zero.data(), b.data(), &re, &im);
  EXPECT_EQ(im, 0.0) << alg.name();
  return re;
}

TEST_F(SmatrixVacuumRowTest, ExceptionalVacuumRowIsTheProductToFullPrecision) {
  for (int rank : {2, 4, 6, 7, 8}) {
    const auto roots = positiveRoots(5, rank);
    for (int level = 1; level <= 30; level += rank >= 7 ? 7 : 3) {
      const Algebra alg{5, rank, level};
      const auto fields = integrableWeights(5, rank, level);
      const std::size_t step = fields.size() / 7 + 1;
      for (std::size_t f = 0; f < fields.size(); f += step) {
        const long double want = product(alg, roots, fields[f]);
        const double got = vacuumElement(alg, fields[f]);
        EXPECT_GT(got, 0.0) << alg.name();
        EXPECT_NEAR(got / want, 1.0, 1e-12) << alg.name() << " field " << f;
      }
    }
  }
}

TEST_F(SmatrixVacuumRowTest, SmallestE8ElementsKeepTheirDigits) {
  const Labels zero(9, 0);
  // E8 S00 from the Weyl denominator: 9.512675e-12 at level 16, 3.851767e-15 at level 20.
  EXPECT_NEAR(vacuumElement({5, 8, 16}, zero) / 9.512675e-12, 1.0, 1e-6);
  EXPECT_NEAR(vacuumElement({5, 8, 20}, zero) / 3.851767e-15, 1.0, 1e-6);
}

TEST_F(SmatrixVacuumRowTest, WeylSumsAgreeWithTheProduct) {
  // The coset sums of the exceptional algebras, called directly, against the product: to
  // 1e-9 relative while S_0b is above 1e-6, and to 1e-15 absolute below.
  for (int rank : {2, 4, 6, 7, 8}) {
    const auto roots = positiveRoots(5, rank);
    for (int level : {1, 2, 5, 9, 14, 20, 30}) {
      const Algebra alg{5, rank, level};
      const auto fields = integrableWeights(5, rank, level);
      const Labels& vacuum = fields.front();
      for (std::size_t f = 0; f < fields.size(); f += fields.size() / 5 + 1) {
        double re = 0.0, im = 0.0;
        switch (rank) {
          case 2: ZoqG(vacuum.data(), fields[f].data(), &re, &im, level); break;
          case 4: ZoqF(vacuum.data(), fields[f].data(), &re, &im, level); break;
          case 6: ZoqE6(vacuum.data(), fields[f].data(), &re, &im, level); break;
          case 7: ZoqE7(vacuum.data(), fields[f].data(), &re, &im, level); break;
          default: ZoqE8(vacuum.data(), fields[f].data(), &re, &im, level); break;
        }
        const double want = static_cast<double>(product(alg, roots, fields[f]));
        if (want > 1e-6) {
          EXPECT_NEAR(re / want, 1.0, 1e-9) << alg.name() << " field " << f;
        } else {
          EXPECT_NEAR(re, want, 1e-15) << alg.name() << " field " << f;
        }
        EXPECT_NEAR(im, 0.0, 1e-15) << alg.name();
      }
    }
  }
}

TEST_F(SmatrixVacuumRowTest, ClassicalDeterminantsAgreeWithTheProduct) {
  // Every routine of the classical types, the level-one tables and B1 (A1 labels at twice
  // the level) included, against the product.
  const Algebra algebras[] = {{1, 1, 5}, {1, 3, 4}, {1, 5, 2}, {2, 1, 3}, {2, 3, 1}, {2, 3, 3}, {2, 4, 2},
                              {3, 2, 1}, {3, 3, 1}, {3, 3, 3}, {4, 4, 1}, {4, 5, 1}, {4, 4, 3}, {4, 5, 2}};
  for (const Algebra& alg : algebras) {
    const auto fields = alg.type == 2 && alg.rank == 1 ? integrableWeights(1, 1, 2 * alg.level)
                                                       : integrableWeights(alg.type, alg.rank, alg.level);
    const Labels& vacuum = fields.front();
    for (const Labels& b : fields) {
      double re = 0.0, im = 0.0;
      switch (alg.type) {
        case 1: ZoqA(vacuum.data(), b.data(), &re, &im, alg.rank, alg.level); break;
        case 2:
          if (alg.level == 1 && alg.rank > 1) {
            ZoqB1(vacuum.data(), b.data(), &re, &im, alg.rank);
          } else {
            ZoqB(vacuum.data(), b.data(), &re, &im, alg.rank, alg.level);
          }
          break;
        case 3:
          if (alg.level == 1) {
            ZoqC1(vacuum.data(), b.data(), &re, &im, alg.rank, 1);
          } else {
            ZoqC(vacuum.data(), b.data(), &re, &im, alg.rank, alg.level);
          }
          break;
        default:
          if (alg.level == 1) {
            ZoqD1(vacuum.data(), b.data(), &re, &im, alg.rank);
          } else {
            ZoqD(vacuum.data(), b.data(), &re, &im, alg.rank, alg.level);
          }
          break;
      }
      EXPECT_NEAR(vacuumElement(alg, b), re, 1e-12) << alg.name();
      EXPECT_NEAR(im, 0.0, 1e-12) << alg.name();
    }
  }
}

TEST_F(SmatrixVacuumRowTest, StoredVacuumElementNeverVanishes) {
  // These S00 came out as exactly 0 through the store; the product gives them.
  const Algebra algebras[] = {{3, 4, 20}, {3, 6, 10}, {2, 4, 30}};
  for (const Algebra& alg : algebras) {
    SpectrumData* sd = SM_getData(alg.type, alg.rank, alg.level);
    ASSERT_NE(sd, nullptr) << alg.name();
    double re = 0.0, im = 0.0;
    SM_getS(sd, 0, 0, &re, &im);
    const Labels zero(alg.rank + 1, 0);
    const long double want = product(alg, positiveRoots(alg.type, alg.rank), zero);
    EXPECT_GT(re, 0.0) << alg.name();
    EXPECT_NEAR(re / static_cast<double>(want), 1.0, 1e-12) << alg.name();
    EXPECT_EQ(im, 0.0) << alg.name();
  }
  const Algebra c8{3, 8, 10};
  const Labels zero(9, 0);
  EXPECT_NEAR(vacuumElement(c8, zero) / static_cast<double>(product(c8, positiveRoots(3, 8), zero)), 1.0, 1e-12);
}

// The alternating sum over W of exp(-2 pi i (w(a+rho), b+rho)/(k+h)) in long double.
std::complex<long double> weylSum(const Algebra& alg, const std::vector<long double>& g, const Labels& a,
                                  const Labels& b) {
  std::vector<int> shifted(alg.rank);
  for (int i = 0; i < alg.rank; ++i) shifted[i] = a[i] + 1;
  const WeylGroupCollection* group = initWeylGroup(alg.type, alg.rank);
  const WeylOrbitList* orbit = WeylReflections(alg.type, alg.rank, shifted.data());
  std::vector<long double> mu(alg.rank), image(alg.rank);
  for (int i = 0; i < alg.rank; ++i) mu[i] = b[i] + 1;
  const long double kh = alg.level + dualCoxeterNumber(alg.type, alg.rank);
  std::vector<int> parity(static_cast<std::size_t>(orbit->count), 0);
  std::complex<long double> sum = 0.0L;
  for (int k = 0; k < orbit->count; ++k) {
    if (k > 0) parity[static_cast<std::size_t>(k)] = 1 - parity[static_cast<std::size_t>(group->parent(k))];
    for (int i = 0; i < alg.rank; ++i) image[i] = orbit->row(k)[i];
    const long double phase = -2.0L * kPi * innerProduct(g, image, mu) / kh;
    const long double sign = parity[static_cast<std::size_t>(k)] ? -1.0L : 1.0L;
    sum += std::complex<long double>(sign * std::cos(phase), sign * std::sin(phase));
  }
  return sum;
}

TEST_F(SmatrixVacuumRowTest, OtherElementsKeepTenDigitsRelative) {
  // S_ab / S_00 against the ratio of the Weyl-group sums in long double, relative to
  // |S_ab|, for every element above 1e-9 (an element that small or smaller is zero by
  // symmetry or at the end of double precision).
  const Algebra algebras[] = {{5, 2, 25}, {5, 4, 6}, {1, 3, 16}, {2, 3, 9}, {3, 3, 10}, {4, 4, 6}};
  for (const Algebra& alg : algebras) {
    const std::vector<long double> g = weightMetric(alg.type, alg.rank);
    const auto fields = integrableWeights(alg.type, alg.rank, alg.level);
    const std::complex<long double> sum00 = weylSum(alg, g, fields[0], fields[0]);
    const double s00 = vacuumElement(alg, fields[0]);
    const std::size_t step = fields.size() / 12 + 1;
    for (std::size_t i = 1; i < fields.size(); i += step) {
      for (std::size_t j = i; j < fields.size(); j += step) {
        double re = 0.0, im = 0.0;
        SDirect(alg.type, alg.rank, alg.level, fields[i].data(), fields[j].data(), &re, &im);
        const std::complex<long double> want =
            weylSum(alg, g, fields[i], fields[j]) / sum00 * static_cast<long double>(s00);
        const long double size = std::abs(want);
        if (size < 1e-9L) continue;
        EXPECT_LT(std::abs(std::complex<long double>(re, im) - want) / size, 1e-10L)
            << alg.name() << " " << i << " " << j;
      }
    }
  }
}

}  // namespace
