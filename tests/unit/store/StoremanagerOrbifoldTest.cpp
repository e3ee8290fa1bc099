// The Z2 permutation orbifold: its fields, exact weights and dimensions, its S matrix
// (unitary, (ST)^3 = S^2, integer Verlinde coefficients), its reuse and refusals, and its
// characters from the mother's character file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "collections/VectorUtility.h"
#include "groups/Discrete.h"
#include "numbers/LargeInteger.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"

namespace {

using Complex = std::complex<double>;

class StoremanagerOrbifoldTest : public ZoqTest {
 protected:
  static std::vector<Rat> weights(const SpectrumData* sd) {
    std::vector<Rat> out;
    for (int a = 0; a < sd->n_primaries; ++a) {
      Rat h{sd->weight_num[a], sd->weight_den};
      simplifyRat(&h);
      out.push_back(h);
    }
    return out;
  }
  static bool hasWeight(const std::vector<Rat>& list, long long num, long long den) {
    return std::any_of(list.begin(), list.end(),
                       [&](const Rat& h) { return h.num == num && h.den == den; });
  }
  static int fieldWithLabel(const SpectrumData* sd, int x0, int x1, int x2) {
    const int label[3] = {x0, x1, x2};
    return SM_findLabel(sd, label);
  }
  static std::vector<Complex> matrixS(SpectrumData* sd) {
    const int n = sd->n_primaries;
    std::vector<Complex> S(static_cast<std::size_t>(n) * n);
    for (int a = 0; a < n; ++a) {
      for (int b = 0; b < n; ++b) {
        double re = 0.0, im = 0.0;
        SM_getS(sd, a, b, &re, &im);
        S[static_cast<std::size_t>(a) * n + b] = {re, im};
      }
    }
    return S;
  }
  // S unitary, S T S = T^-1 S T^-1, and every Verlinde coefficient a non-negative integer.
  static void expectModular(SpectrumData* sd) {
    const int n = sd->n_primaries;
    const std::vector<Complex> S = matrixS(sd);
    auto s = [&](int a, int b) { return S[static_cast<std::size_t>(a) * n + b]; };
    std::vector<Complex> T(static_cast<std::size_t>(n));
    for (int a = 0; a < n; ++a) {
      double re = 0.0, im = 0.0;
      SM_getT(sd, a, a, &re, &im);
      T[static_cast<std::size_t>(a)] = {re, im};
    }
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) {
        Complex unit{0.0, 0.0}, left{0.0, 0.0};
        for (int m = 0; m < n; ++m) {
          unit += s(i, m) * std::conj(s(j, m));
          left += s(i, m) * T[static_cast<std::size_t>(m)] * s(m, j);
        }
        EXPECT_NEAR(std::abs(unit - Complex(i == j ? 1.0 : 0.0, 0.0)), 0.0, 1e-7)
            << sd->name << " " << i << " " << j;
        const Complex right = std::conj(T[static_cast<std::size_t>(i)]) * s(i, j) *
                              std::conj(T[static_cast<std::size_t>(j)]);
        EXPECT_NEAR(std::abs(right - left), 0.0, 1e-7) << sd->name << " " << i << " " << j;
      }
    }
    for (int i = 0; i < n; ++i) {
      for (int j = i; j < n; ++j) {
        for (int k = 0; k < n; ++k) {
          Complex N{0.0, 0.0};
          for (int m = 0; m < n; ++m) N += s(i, m) * s(j, m) * std::conj(s(k, m)) / s(0, m);
          EXPECT_NEAR(N.imag(), 0.0, 1e-7);
          EXPECT_NEAR(N.real(), std::round(N.real()), 1e-7)
              << sd->name << " N_" << i << j << "^" << k;
          EXPECT_GT(N.real(), -1e-7);
        }
      }
    }
  }
};

TEST_F(StoremanagerOrbifoldTest, A1LevelOneGivesNineFieldsAndFourCurrents) {
  SpectrumData* mother = SM_getData(1, 1, 1);
  ASSERT_NE(mother, nullptr);
  SpectrumData* p = SM_getPermutationOrbifold(mother, 2, nullptr);
  ASSERT_NE(p, nullptr);
  EXPECT_STREQ(p->name, "A1 level 1_perm");
  EXPECT_EQ(p->type, kStoreTypePermutation);
  EXPECT_EQ(p->perm_order, 2);
  EXPECT_EQ(p->base, mother);
  // m = 2: m(m-1)/2 + 4m = 9 fields; c = 2 c(A1_1) = 2.
  EXPECT_EQ(p->n_primaries, 9);
  EXPECT_NEAR(p->c, 2.0, 1e-12);
  ASSERT_NE(p->scgroup, nullptr);
  EXPECT_EQ(p->scgroup->order, 4);
  // Diagonal 2h: 0, 1 (the currents), 1/2, 1/2; off-diagonal 1/4; twisted h/2 + 1/16 and
  // + 1/2: 1/16, 9/16, 3/16, 11/16.
  const std::vector<Rat> h = weights(p);
  for (auto [num, den] : std::vector<std::pair<int, int>>{
           {0, 1}, {1, 1}, {1, 2}, {1, 4}, {1, 16}, {9, 16}, {3, 16}, {11, 16}})
    EXPECT_TRUE(hasWeight(h, num, den)) << num << "/" << den;
  EXPECT_EQ(
      std::count_if(h.begin(), h.end(), [](const Rat& w) { return w.num == 1 && w.den == 2; }), 2);
  // The antisymmetric vacuum: the three currents of A1, weight 1 and dimension 3; the
  // symmetric and antisymmetric squares of the doublet: 3 and 1; the pair: 2 x 1 = 2.
  const int antisymmetricVacuum = fieldWithLabel(p, 0, 1, 0);
  ASSERT_GE(antisymmetricVacuum, 0);
  EXPECT_EQ(p->weight_num[antisymmetricVacuum], p->weight_den);
  EXPECT_EQ(p->dims[antisymmetricVacuum], 3);
  EXPECT_EQ(p->dims[fieldWithLabel(p, 1, 0, 0)], 3);
  EXPECT_EQ(p->dims[fieldWithLabel(p, 1, 1, 0)], 1);
  EXPECT_EQ(p->dims[fieldWithLabel(p, 0, 1, 1)], 2);
  // Excited twist fields have no known ground state: weight modulo integers only.
  EXPECT_EQ(p->exact[fieldWithLabel(p, 1, 1, 2)], 0);
  EXPECT_EQ(p->dims[fieldWithLabel(p, 1, 1, 2)], kStoreNotComputed);
  // Asked again, the same record.
  EXPECT_EQ(SM_getPermutationOrbifold(mother, 2, nullptr), p);
  EXPECT_TRUE(silent());
}

TEST_F(StoremanagerOrbifoldTest, OrbifoldsAreModularWithTheRightFieldCount) {
  std::vector<SpectrumData*> mothers;
  for (int k = 1; k <= 6; ++k) mothers.push_back(SM_getData(1, 1, k));
  mothers.push_back(SM_getData(1, 2, 1));  // A2 level 1
  mothers.push_back(SM_getData(5, 2, 1));  // G2 level 1
  mothers.push_back(SM_getData(2, 0, 1));  // the Ising model
  for (SpectrumData* mother : mothers) {
    ASSERT_NE(mother, nullptr);
    SpectrumData* p = SM_getPermutationOrbifold(mother, 2, nullptr);
    ASSERT_NE(p, nullptr) << mother->name;
    const int m = mother->n_primaries;
    EXPECT_EQ(p->n_primaries, m * (m - 1) / 2 + 4 * m) << mother->name;
    expectModular(p);
  }
}

TEST_F(StoremanagerOrbifoldTest, ReusedOnlyForTheSameMother) {
  // Re-centred theories all have type 17, rank 0 and level 0: their orbifolds differ.
  IntList trivial;
  initList(&trivial, 1);
  addToList(&trivial, 0);
  SpectrumData* X = SM_createCenter(SM_getData(1, 1, 1), &trivial, "X");
  SpectrumData* Y = SM_createCenter(SM_getData(1, 1, 2), &trivial, "Y");
  ASSERT_NE(X, nullptr);
  ASSERT_NE(Y, nullptr);
  SpectrumData* px = SM_getPermutationOrbifold(X, 2, nullptr);
  SpectrumData* py = SM_getPermutationOrbifold(Y, 2, nullptr);
  ASSERT_NE(px, nullptr);
  ASSERT_NE(py, nullptr);
  EXPECT_NE(px, py);
  EXPECT_EQ(py->base, Y);
  EXPECT_EQ(py->n_primaries, 15);
}

TEST_F(StoremanagerOrbifoldTest, ExactCentralChargeAndRefusals) {
  // A1 level 143: c = 3 k / (k + 2) = 429/145, beyond every denominator up to 144.
  SpectrumData* a1 = SM_getData(1, 1, 143);
  ASSERT_NE(a1, nullptr);
  Rat c;
  ASSERT_TRUE(SM_exactCentralCharge(a1, &c));
  EXPECT_EQ(c.num, 429);
  EXPECT_EQ(c.den, 145);
  // Ising: c = 1/2 from its weights (denominator 16).
  ASSERT_TRUE(SM_exactCentralCharge(SM_getData(2, 0, 1), &c));
  EXPECT_EQ(c.num, 1);
  EXPECT_EQ(c.den, 2);
  capture.clear();
  // Only order 2 is built.
  EXPECT_EQ(SM_getPermutationOrbifold(SM_getData(1, 1, 1), 3, nullptr), nullptr);
  EXPECT_TRUE(alerted("Permutations of order > 2 are not (yet) built in"));
  // A theory whose central charge is no multiple of 1/(24 weight_den) is refused.
  IntList trivial;
  initList(&trivial, 1);
  addToList(&trivial, 0);
  SpectrumData* odd = SM_createCenter(SM_getData(1, 1, 1), &trivial, "Odd");
  ASSERT_NE(odd, nullptr);
  odd->c = std::sqrt(2.0);
  capture.clear();
  EXPECT_FALSE(SM_exactCentralCharge(odd, &c));
  EXPECT_EQ(SM_getPermutationOrbifold(odd, 2, nullptr), nullptr);
  EXPECT_TRUE(alerted("is not known exactly"));
  // A name in use is refused.
  EXPECT_EQ(SM_getPermutationOrbifold(SM_getData(1, 1, 2), 2, "Odd"), nullptr);
  EXPECT_TRUE(alerted("Name Odd is already in use"));
}

TEST_F(StoremanagerOrbifoldTest, TraceCollectsTheCurrentsOnce) {
  SpectrumData* p = SM_getPermutationOrbifold(SM_getData(1, 1, 1), 2, nullptr);
  ASSERT_NE(p, nullptr);
  double re = 0.0, im = 0.0;
  SM_computeGenericPermutation_S(p, -10, 0, &re, &im);
  for (int a = 0; a < p->n_primaries; ++a) SM_computeGenericPermutation_S(p, a, 0, &re, &im);
  capture.clear();
  SM_computeGenericPermutation_S(p, -11, 0, &re, &im);
  // One row: the orbifold (type 18) of an A (type 1) theory, current 0 with psi 0.
  EXPECT_EQ(capture.printed.rfind("-----\n", 0), 0u);
  EXPECT_EQ(std::count(capture.printed.begin(), capture.printed.end(), '\n'), 3) << capture.printed;
  EXPECT_NE(capture.printed.find("(18,1,0,0)"), std::string::npos) << capture.printed;
  capture.clear();
  SM_computeGenericPermutation_S(p, -11, 0, &re, &im);
  EXPECT_EQ(capture.printed, "-----\n-----\n");
}

TEST_F(StoremanagerOrbifoldTest, DimensionArithmeticGoesToLargeIntegers) {
  EXPECT_EQ(TensorProductDimension(3, 1), 6);
  EXPECT_EQ(TensorProductDimension(3, -1), 3);
  EXPECT_EQ(TensorProductDimension(1, -1), 0);
  EXPECT_EQ(DimensionMultiplication(7, 0), 0);
  EXPECT_EQ(DimensionMultiplication(12, 13), 156);
  // 10^5 (10^5 + 1) / 2 = 5000050000 and 10^5 x 10^5 = 10^10 pass 10^9: stored values.
  const int handle = TensorProductDimension(100000, 1);
  ASSERT_LT(handle, 0);
  EXPECT_EQ(lint_string(retrieveLint(handle)), "5000050000");
  const int product = DimensionMultiplication(100000, 100000);
  ASSERT_LT(product, 0);
  EXPECT_EQ(lint_string(retrieveLint(product)), "10000000000");
  EXPECT_EQ(lint_string(retrieveLint(DimensionMultiplication(product, 3))), "30000000000");
}

TEST_F(StoremanagerOrbifoldTest, CharactersFollowFromTheMothersFile) {
  TemporaryFolder folder;
  const std::string saved = zoq_pathname;
  zoq_pathname = folder.path();
  // theta_0/eta = 1 + 3q + 4q^2 + 7q^3, theta_1/eta = 2 + 2q + 6q^2 + 8q^3 ("Character order" 4).
  folder.write("A1_level_1.chars", "0 1 0 1 1 3 4 7\n1 4 1 0 2 2 6 8\n");
  SpectrumData* mother = SM_getData(1, 1, 1);
  SpectrumData* p = SM_getPermutationOrbifold(mother, 2, nullptr);
  zoq_pathname = saved;
  ASSERT_NE(p, nullptr);
  ASSERT_EQ(mother->chars_loaded, 1);
  ASSERT_EQ(p->chars_loaded, 1);
  ASSERT_EQ(p->char_depth, 4);
  auto row = [&](int field) {
    return std::vector<int>(p->characters + field * 4, p->characters + field * 4 + 4);
  };
  // (chi_0(q)^2 + chi_0(q^2))/2: chi_0^2 = 1, 6, 17, 38 and chi_0(q^2) = 1, 0, 3, 0.
  EXPECT_EQ(row(fieldWithLabel(p, 0, 0, 0)), (std::vector<int>{1, 3, 10, 19}));
  // (chi_0^2 - chi_0(q^2))/2 = 0, 3, 7, 19: starts at weight 1 with 3.
  const int antisymmetric = fieldWithLabel(p, 0, 1, 0);
  EXPECT_EQ(row(antisymmetric)[0], 3);
  EXPECT_EQ(row(antisymmetric)[1], 7);
  EXPECT_EQ(row(antisymmetric)[2], 19);
  EXPECT_EQ(p->weight_num[antisymmetric], p->weight_den);
  // The pair chi_0 chi_1 = 2, 8, 20, 48; the twist field chi_0 at even powers: 1, 4.
  const std::vector<int> pair = row(fieldWithLabel(p, 0, 1, 1));
  EXPECT_EQ(pair[0], 2);
  EXPECT_EQ(pair[1], 8);
  EXPECT_EQ(pair[2], 20);
  EXPECT_EQ(pair[3], 48);
  EXPECT_EQ(row(fieldWithLabel(p, 0, 0, 2))[0], 1);
  EXPECT_EQ(row(fieldWithLabel(p, 0, 0, 2))[1], 4);
  // The excited twist field of the vacuum: odd powers 3, 7 give its ground states, and its
  // weight 1/16 + 1/2 becomes exact.
  const int excited = fieldWithLabel(p, 0, 1, 2);
  EXPECT_EQ(row(excited)[0], 3);
  EXPECT_EQ(p->exact[excited], 1);
  EXPECT_EQ(p->dims[excited], 3);
  EXPECT_EQ(p->weights_exact, 1);
}

}  // namespace
