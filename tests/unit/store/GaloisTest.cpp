// Galois action: the conductor, the generators of (Z/M)* with their exponent table, the
// action of one factor on a weight, the Galois symmetry of S, charge conjugation as the
// action of -1, inversion and composition of rows, the orbit texts, and the rows of a
// stored theory.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "numbers/MathUtility.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "store/Galois.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"

namespace {

class GaloisTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

SpectrumData* theory(int type, int rank, int level) {
  OutputCapture quiet;
  SpectrumData* sd = SM_getData(type, rank, level);
  EXPECT_NE(sd, nullptr) << type << " " << rank << " " << level;
  return sd;
}

std::vector<int> galoisRow(SpectrumData* sd, int l) {
  std::vector<int> row(static_cast<std::size_t>(sd->n_primaries), 0);
  SM_getGaloisOrbit(sd, l, row.data());
  return row;
}

// Every index 0..n-1 appears exactly once as |entry| - 1.
bool isPermutation(const std::vector<int>& row) {
  std::vector<int> hits(row.size(), 0);
  for (int e : row) {
    const int image = std::abs(e) - 1;
    if (image < 0 || image >= static_cast<int>(row.size())) return false;
    ++hits[image];
  }
  for (int h : hits) {
    if (h != 1) return false;
  }
  return true;
}

TEST_F(GaloisTest, ConductorOfEachAlgebraType) {
  EXPECT_EQ(GaloisModulus(1, 1, 1), 6);   // 2 (1 + 2)
  EXPECT_EQ(GaloisModulus(5, 8, 1), 31);  // 1 + 30
  EXPECT_EQ(GaloisModulus(2, 2, 1), 8);   // 2 (1 + 4 - 1)
  EXPECT_EQ(GaloisModulus(2, 3, 1), 24);  // 4 (1 + 6 - 1)
  EXPECT_EQ(GaloisModulus(5, 5, 1), -1);  // no exceptional algebra of rank 5
  EXPECT_EQ(GaloisModulus(3, 2, 3), 12);  // 2 (3 + 3)
  EXPECT_EQ(GaloisModulus(4, 5, 1), 36);  // 4 (1 + 10 - 2)
  EXPECT_EQ(GaloisModulus(4, 4, 2), 16);  // 2 (2 + 8 - 2)
  EXPECT_EQ(GaloisModulus(5, 2, 1), 15);  // 3 (1 + 4)
  EXPECT_EQ(GaloisModulus(5, 4, 1), 20);  // 2 (1 + 9)
  EXPECT_EQ(GaloisModulus(5, 6, 1), 39);  // 3 (1 + 12)
  EXPECT_EQ(GaloisModulus(5, 7, 1), 38);  // 2 (1 + 18)
  EXPECT_EQ(GaloisModulus(0, 5, 0), 1);
  EXPECT_EQ(GaloisModulus(6, 1, 1), 1);
  EXPECT_EQ(GaloisModulus(7, 3, 0), -1);
  EXPECT_EQ(GaloisModulus(1, 1, 2147483000), -1);  // leaves int
}

TEST_F(GaloisTest, GeneratorsOfTheUnitsModEight) {
  int ngen = -1;
  const int* generators = GaloisOrbits(8, &ngen);
  ASSERT_EQ(ngen, 2);
  EXPECT_EQ(generators[0], 3);  // order 2, first of the tie with 5 and 7
  EXPECT_EQ(generators[1], 5);  // 7 = 3 * 5 by closure
  EXPECT_EQ(GaloisExponent(0, 7), 1);
  EXPECT_EQ(GaloisExponent(1, 7), 1);
  EXPECT_EQ(GaloisExponent(0, 5), 0);
  EXPECT_EQ(GaloisExponent(1, 5), 1);
  int again = -1;
  EXPECT_EQ(GaloisOrbits(8, &again), generators);
  EXPECT_EQ(again, 2);
  for (int M : {1, 2}) {
    GaloisOrbits(M, &ngen);
    EXPECT_EQ(ngen, 0) << M;
  }
  // M = 7: 2 has order 3 (2^3 = 8 = 1); 3, 4 and 5 reach a smaller residue first
  // (9 = 2, 16 = 2, 25 = 4) and 6 has order 2. Then 3 closes {1, 2, 4} (3^2 = 2).
  generators = GaloisOrbits(7, &ngen);
  ASSERT_EQ(ngen, 2);
  EXPECT_EQ(generators[0], 2);
  EXPECT_EQ(generators[1], 3);
}

std::int64_t power(std::int64_t base, int e, int M) {
  std::int64_t result = 1;
  for (base %= M; e > 0; e >>= 1) {
    if ((e & 1) != 0) result = result * base % M;
    base = base * base % M;
  }
  return result;
}

// Product over the generators of g_i^e_i(u) mod M.
std::int64_t rebuild(int M, const int* generators, int ngen, int u) {
  std::int64_t value = 1;
  for (int g = 0; g < ngen; ++g) value = value * power(generators[g], GaloisExponent(g, u), M) % M;
  return value;
}

TEST_F(GaloisTest, ExponentTableWritesEveryUnitOverTheGenerators) {
  for (int M = 3; M <= 2000; ++M) {
    int ngen = 0;
    const int* generators = GaloisOrbits(M, &ngen);
    ASSERT_GE(ngen, 1) << M;
    for (int u = 1; u < M; ++u) {
      if (GCD(u, M) != 1) continue;
      ASSERT_EQ(rebuild(M, generators, ngen, u), u) << "M " << M << " u " << u;
    }
  }
}

TEST_F(GaloisTest, LargeModulusResiduesDoNotOverflow) {
  // Products of residues beyond 46340 leave int: they must be formed in 64 bits.
  for (int M : {100003, 92682}) {
    int ngen = 0;
    const int* generators = GaloisOrbits(M, &ngen);
    ASSERT_GE(ngen, 1);
    for (int u = 1; u < M; ++u) {
      if (GCD(u, M) != 1) continue;
      ASSERT_EQ(rebuild(M, generators, ngen, u), u) << "M " << M << " u " << u;
    }
  }
}

TEST_F(GaloisTest, FactorOneIsTheIdentityWithTheAffineLabel) {
  struct Case {
    int type, rank, level;
  };
  for (Case c :
       {Case{1, 2, 3}, Case{2, 3, 2}, Case{3, 2, 2}, Case{4, 4, 1}, Case{5, 2, 2}, Case{5, 4, 1}}) {
    SpectrumData* sd = theory(c.type, c.rank, c.level);
    ASSERT_NE(sd, nullptr);
    for (int a = 0; a < sd->n_primaries; ++a) {
      const int* labels = SM_getRep(sd, a);
      const int* out1 = nullptr;
      const int* out2 = nullptr;
      EXPECT_EQ(Galois(c.type, c.rank, c.level, labels, &out1, &out2, 1), 1);
      // The stored labels carry the affine label k - sum theta_i a_i last.
      for (int i = 0; i <= c.rank; ++i) {
        EXPECT_EQ(out1[i], labels[i]) << c.type << c.rank << " field " << a;
        EXPECT_EQ(out2[i], labels[i]);
      }
    }
    std::vector<int> row(static_cast<std::size_t>(sd->n_primaries), 0);
    EXPECT_EQ(SM_getAnyOrbit(sd, 1, row.data()), 1);
    for (int a = 0; a < sd->n_primaries; ++a) EXPECT_EQ(row[a], a + 1);
  }
  // A2 level 3, labels (1, 1): affine label 3 - 1 - 1 = 1.
  const int labels[2] = {1, 1};
  const int* out1 = nullptr;
  const int* out2 = nullptr;
  EXPECT_EQ(Galois(1, 2, 3, labels, &out1, &out2, 1), 1);
  EXPECT_EQ(out1[2], 1);
}

TEST_F(GaloisTest, SingleFactorsOfSuTwo) {
  // A1 level 4, k + h = 6: lambda + rho = 1 goes to 5 (lambda + rho) = 5, the label 4, with
  // no reflection; 2 goes to 10, reflected at 6 to 2: the same label with sign -1.
  const int vacuum[1] = {0};
  const int spinHalf[1] = {1};
  const int* out1 = nullptr;
  const int* out2 = nullptr;
  EXPECT_EQ(Galois(1, 1, 4, vacuum, &out1, &out2, 5), 1);
  EXPECT_EQ(out1[0], 4);
  EXPECT_EQ(out1[1], 0);
  EXPECT_EQ(Galois(1, 1, 4, spinHalf, &out1, &out2, 5), -1);
  EXPECT_EQ(out1[0], 1);
  EXPECT_EQ(out1[1], 3);
  // Scale factor 6: 6 (lambda + rho) lies on a wall, shown as a label -1.
  Galois(1, 1, 4, spinHalf, &out1, &out2, 6);
  EXPECT_TRUE(out1[0] == -1 || out1[1] == -1);
}

// eps_l(a) S(sigma_l a, b) = eps_l(b) S(a, sigma_l b) for every unit l.
void expectGaloisSymmetry(int type, int rank, int level) {
  SpectrumData* sd = theory(type, rank, level);
  ASSERT_NE(sd, nullptr);
  const int M = GaloisModulus(type, rank, level);
  const int n = sd->n_primaries;
  for (int l = 1; l < M; ++l) {
    if (GCD(l, M) != 1) continue;
    const std::vector<int> row = galoisRow(sd, l);
    ASSERT_TRUE(isPermutation(row)) << type << rank << " level " << level << " l " << l;
    std::vector<int> direct(static_cast<std::size_t>(n), 0);
    SM_computeGaloisOrbit(sd, l, direct.data());
    ASSERT_EQ(row, direct) << "composed and direct rows differ, l " << l;
    for (int a = 0; a < n; ++a) {
      const int sa = row[a] < 0 ? -1 : 1;
      const int ia = std::abs(row[a]) - 1;
      for (int b = 0; b < n; ++b) {
        const int sb = row[b] < 0 ? -1 : 1;
        const int ib = std::abs(row[b]) - 1;
        double re1 = 0, im1 = 0, re2 = 0, im2 = 0;
        SM_getS(sd, ia, b, &re1, &im1);
        SM_getS(sd, a, ib, &re2, &im2);
        ASSERT_NEAR(sa * re1, sb * re2, 1e-7)
            << type << rank << " level " << level << " l " << l << " (" << a << "," << b << ")";
        ASSERT_NEAR(sa * im1, sb * im2, 1e-7);
      }
    }
  }
}

TEST_F(GaloisTest, GaloisSymmetryOfSOfSuTwo) {
  for (int k = 1; k <= 12; ++k) expectGaloisSymmetry(1, 1, k);
}

TEST_F(GaloisTest, GaloisSymmetryOfSOfRankTwo) {
  for (int k = 1; k <= 5; ++k) {
    expectGaloisSymmetry(1, 2, k);
    expectGaloisSymmetry(2, 2, k);
  }
}

TEST_F(GaloisTest, GaloisSymmetryOfSOfHigherAlgebras) {
  for (int k = 1; k <= 2; ++k) {
    expectGaloisSymmetry(3, 3, k);
    expectGaloisSymmetry(4, 4, k);
    expectGaloisSymmetry(5, 2, k);
    expectGaloisSymmetry(5, 4, k);
  }
  expectGaloisSymmetry(5, 6, 1);
}

TEST_F(GaloisTest, MinusOneIsChargeConjugationWithTheWeylSignOfTheLongestElement) {
  struct Case {
    int type, rank, positiveRoots;
  };
  // Positive roots: A_r r(r+1)/2, D_r r(r-1), E6 36, E7 63, E8 120.
  for (Case c : {Case{1, 1, 1}, Case{1, 2, 3}, Case{1, 3, 6}, Case{1, 4, 10}, Case{4, 4, 12},
                 Case{4, 5, 20}, Case{5, 6, 36}, Case{5, 7, 63}, Case{5, 8, 120}}) {
    for (int k = 1; k <= 3; ++k) {
      SpectrumData* sd = theory(c.type, c.rank, k);
      ASSERT_NE(sd, nullptr);
      const int M = GaloisModulus(c.type, c.rank, k);
      const int expectedSign = c.positiveRoots % 2 == 0 ? 1 : -1;
      const std::vector<int> row = galoisRow(sd, M - 1);
      for (int a = 0; a < sd->n_primaries; ++a) {
        const int* out1 = nullptr;
        const int* out2 = nullptr;
        EXPECT_EQ(Galois(c.type, c.rank, k, SM_getRep(sd, a), &out1, &out2, M - 1), expectedSign)
            << c.type << c.rank << " level " << k << " field " << a;
        EXPECT_EQ(row[a], SM_getConjugate(sd, a) + 1)
            << c.type << c.rank << " level " << k << " field " << a;
      }
    }
  }
}

TEST_F(GaloisTest, InversionOfRows) {
  const std::vector<int> involution = {2, 1, 3};
  std::vector<int> inverse(3, 0);
  EXPECT_EQ(InvertOrbit(3, involution.data(), inverse.data()), 1);
  EXPECT_EQ(inverse, involution);
  const std::vector<int> cycle = {2, 3, 1};  // 0 -> 1 -> 2 -> 0
  EXPECT_EQ(InvertOrbit(3, cycle.data(), inverse.data()), 2);
  EXPECT_EQ(inverse, (std::vector<int>{3, 1, 2}));
  // 0 -> 1 with +, 1 -> 0 with -: the inverse is the negated row.
  const std::vector<int> signedSwap = {2, -1};
  std::vector<int> two(2, 0);
  EXPECT_EQ(InvertOrbit(2, signedSwap.data(), two.data()), -1);
  EXPECT_EQ(two, (std::vector<int>{-2, 1}));
}

TEST_F(GaloisTest, ARowTimesItsInverseIsTheIdentity) {
  SpectrumData* sd = theory(1, 2, 4);
  ASSERT_NE(sd, nullptr);
  const int n = sd->n_primaries;
  const int M = GaloisModulus(1, 2, 4);  // 3 * 7 = 21
  for (int l = 2; l < M; ++l) {
    if (GCD(l, M) != 1) continue;
    const std::vector<int> row = galoisRow(sd, l);
    std::vector<int> inverse(static_cast<std::size_t>(n), 0);
    std::vector<int> product(static_cast<std::size_t>(n), 0);
    InvertOrbit(n, row.data(), inverse.data());
    multiplyOrbits(n, row.data(), inverse.data(), product.data());
    for (int a = 0; a < n; ++a) ASSERT_EQ(product[a], a + 1) << "l " << l << " field " << a;
    // The row of l^-1 mod M is the inverse up to the overall sign.
    int lInverse = 1;
    while ((lInverse * l) % M != 1) ++lInverse;
    const std::vector<int> back = galoisRow(sd, lInverse);
    multiplyOrbits(n, row.data(), back.data(), product.data());
    for (int a = 0; a < n; ++a) ASSERT_EQ(product[a], a + 1) << "l " << l << " field " << a;
  }
  // Composition propagates a missing image.
  const std::vector<int> partial = {2, 0, 1};
  const std::vector<int> swap = {1, 3, 2};
  std::vector<int> out(3, 0);
  multiplyOrbits(3, partial.data(), swap.data(), out.data());
  EXPECT_EQ(out, (std::vector<int>{3, 0, 1}));
}

TEST_F(GaloisTest, GaloisOrbitText) {
  // 0 -> 1 -> 0 with one sign on the way back, 2 fixed with sign -1, 3 fixed.
  const std::vector<int> row = {2, -1, -3, 4};
  const std::vector<int> T = {0, 4, 1, 3};
  std::string text = "before";
  printGaloisOrbit(text, 4, T.data(), 4, 0, 0, 7, row.data());
  EXPECT_EQ(text, "before\nGalois dilation 7\n(0,1)***  -> - \n(2)***  -> - \n(3)*** \n");
  // Weights that differ on a cycle: no stars; the filters drop the whole orbit.
  const std::vector<int> T2 = {0, 1, 1, 3};
  text = "";
  printGaloisOrbit(text, 4, T2.data(), 4, 0, 0, 7, row.data());
  EXPECT_EQ(text, "\nGalois dilation 7\n(0,1)  -> - \n(2)***  -> - \n(3)*** \n");
  text = "kept";
  printGaloisOrbit(text, 4, T2.data(), 4, 1, 0, 7, row.data());
  EXPECT_EQ(text, "kept");
  printGaloisOrbit(text, 4, T.data(), 4, 0, 1, 7, row.data());
  EXPECT_EQ(text, "kept");
  // A sign inside a cycle is written at the member: 0 -> 1 (-) -> 2 -> 0.
  const std::vector<int> cycle = {-2, 3, 1};
  const std::vector<int> T3 = {0, 0, 0};
  text = "";
  printGaloisOrbit(text, 3, T3.data(), 1, 0, 0, 2, cycle.data());
  EXPECT_EQ(text, "\nGalois dilation 2\n(0,-1,-2)***  -> - \n");
}

TEST_F(GaloisTest, ScaleOrbitTextListsChainsOnceAndLateCyclesFromEachMember) {
  // 0 -> 1 -> 1 (a chain into a fixed point), 2 <-> 3.
  const std::vector<int> row = {2, 2, 4, 3};
  std::vector<int> marks(4, -1);
  getStartingPoints(4, row.data(), marks.data());
  EXPECT_EQ(marks, (std::vector<int>{0, 1, 1, 1}));
  std::string text;
  printScaleOrbit(text, 4, 2, row.data());
  EXPECT_EQ(text, "\nNon-galois Dilatation 2\n(0,1,1)\n(2,3,2)\n(3,2,3)\n");
  // A field without image ends a chain with X; a start without image prints nothing.
  const std::vector<int> broken = {-2, 0, 0};
  text = "";
  printScaleOrbit(text, 3, 3, broken.data());
  EXPECT_EQ(text, "\nNon-galois Dilatation 3\n(0,-1,X)\n");
}

TEST_F(GaloisTest, RowsOfAStoredTheory) {
  SpectrumData* a1 = theory(1, 1, 1);
  ASSERT_NE(a1, nullptr);
  EXPECT_EQ(SM_initGalois(a1), 1);  // (Z/6)* = {1, 5}
  EXPECT_EQ(a1->n_galois_gen, 1);
  EXPECT_EQ(SM_initScales(a1), 2);  // the primes 2 and 3
  std::string text;
  SM_printFullGalois(text, a1, 0, 0, 1);  // the rows of 1 and 5 agree: printed once
  EXPECT_EQ(text, "\nGalois dilation 1\n(0)*** \n(1)*** \n");
  // E8 level 1: M = 31 is prime, no scale row, no scale orbit.
  SpectrumData* e8 = theory(5, 8, 1);
  ASSERT_NE(e8, nullptr);
  EXPECT_EQ(SM_initScales(e8), 0);
  text = "";
  SM_printAllScaleOrbits(text, e8);
  EXPECT_EQ(text, "");
  // A1 level 4 (M = 12): 6 (lambda + rho) always lies on a wall.
  SpectrumData* a14 = theory(1, 1, 4);
  ASSERT_NE(a14, nullptr);
  std::vector<int> row(5, -1);
  EXPECT_EQ(SM_computeScaleOrbit(a14, 6, row.data()), 0);
  EXPECT_EQ(row, std::vector<int>(5, 0));
  EXPECT_EQ(SM_getAnyOrbit(a14, 6, row.data()), 1);
  EXPECT_EQ(row, std::vector<int>(5, 0));
  // The composed row of 10 = 2 * 5 equals the direct one.
  std::vector<int> direct(5, 0);
  SM_computeScaleOrbit(a14, 10, direct.data());
  for (int& e : direct) e *= direct[0] < 0 ? -1 : 1;
  EXPECT_EQ(SM_getAnyOrbit(a14, 10, row.data()), 0);
  EXPECT_EQ(row, direct);
}

// sigma_l for l = p^e u is sigma_p applied e times, then sigma_u: the composed row of every
// non-unit l equals the row computed directly, up to one overall sign.
TEST_F(GaloisTest, ComposedScaleRowsAgreeWithDirectOnes) {
  struct Case {
    int type, rank, level;
  };
  for (Case c : {Case{1, 1, 1}, Case{1, 1, 4}, Case{1, 1, 7}, Case{1, 1, 10}, Case{1, 2, 2}, Case{1, 2, 4},
                 Case{2, 3, 1}, Case{3, 2, 2}, Case{5, 2, 2}, Case{4, 4, 2}}) {
    SpectrumData* sd = theory(c.type, c.rank, c.level);
    ASSERT_NE(sd, nullptr);
    const int n = sd->n_primaries;
    const int M = GaloisModulus(c.type, c.rank, c.level);
    std::vector<int> composed(static_cast<std::size_t>(n));
    std::vector<int> direct(static_cast<std::size_t>(n));
    for (int l = 2; l < M; ++l) {
      if (GCD(l, M) == 1) continue;
      SM_getAnyOrbit(sd, l, composed.data());
      SM_computeScaleOrbit(sd, l, direct.data());
      int overall = 0;
      for (int a = 0; a < n && overall == 0; ++a) {
        if (direct[a] != 0) overall = composed[a] == direct[a] ? 1 : -1;
      }
      for (int a = 0; a < n; ++a) {
        ASSERT_EQ(composed[a], overall * direct[a]) << c.type << c.rank << " level " << c.level << " l " << l;
      }
    }
  }
}

TEST_F(GaloisTest, TheoriesWithoutGaloisActionAreRefused) {
  SpectrumData* u1 = theory(0, 4, 0);
  ASSERT_NE(u1, nullptr);
  OutputCapture capture;
  std::string text;
  SM_printFullGalois(text, u1, 0, 0, 0);
  SM_printAllScaleOrbits(text, u1);
  EXPECT_EQ(text, "");
  EXPECT_NE(capture.all.find("Galois orbits not defined for this algebra"), std::string::npos)
      << capture.all;
  EXPECT_NE(capture.all.find("Scale orbits not defined for this algebra"), std::string::npos)
      << capture.all;
}

}  // namespace
