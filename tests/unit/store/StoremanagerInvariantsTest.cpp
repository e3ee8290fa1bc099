// The built-in exceptional modular invariants: the entries the A-D-E classification
// gives for A1 at levels 10, 16 and 28, and the defining property of every built-in
// invariant M on its theory: M commutes with S and T, is a matrix of non-negative
// integers and has M_00 = 1.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "store/StoremanagerQueries.h"
#include "StoremanagerQueriesTestSupport.h"
#include "TestSupport.h"

namespace {

class StoremanagerInvariants : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

// Checks M S = S M and M T = T M for invariant nr on sd, M sparse (few entries per row).
void expectInvariant(SpectrumData* sd, int nr) {
  const int n = sd->n_primaries;
  std::vector<std::vector<int>> rows(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      const int m = ExceptionalModularMatrix(i, j, nr);
      ASSERT_TRUE(m == 0 || m == 1);
      if (m == 1) rows[static_cast<std::size_t>(i)].push_back(j);
    }
  EXPECT_EQ(ExceptionalModularMatrix(0, 0, nr), 1) << nr;
  const Matrix S = sMatrix(sd);
  const std::vector<Complex> T = tDiagonal(sd);
  const std::size_t size = static_cast<std::size_t>(n);
  Matrix MS(size, std::vector<Complex>(size)), SM(size, std::vector<Complex>(size));
  for (std::size_t i = 0; i < size; ++i)
    for (int k : rows[i]) {
      const std::size_t kk = static_cast<std::size_t>(k);
      // M_ik = 1 needs h_i = h_k modulo 1.
      EXPECT_LT(std::abs(T[i] - T[kk]), kTol) << sd->name << " (" << i << "," << k << ")";
      for (std::size_t j = 0; j < size; ++j) {
        MS[i][j] += S[kk][j];
        SM[j][kk] += S[j][i];
      }
    }
  EXPECT_LT(distance(MS, SM), kTol) << sd->name << " invariant " << nr;
}

TEST_F(StoremanagerInvariants, EntriesOfTheA1Invariants) {
  // Store order of A1 at level k: field 2i has Dynkin label i, field 2i + 1 label k - i.
  EXPECT_EQ(ExceptionalModularMatrix(3, 3, 0), 1);
  EXPECT_EQ(ExceptionalModularMatrix(3, 4, 0), 0);
  EXPECT_EQ(ExceptionalModularMatrix(0, 9, 1), 1);  // |chi_0 + chi_6|^2
  EXPECT_EQ(ExceptionalModularMatrix(8, 1, 1), 1);  // |chi_4 + chi_10|^2
  EXPECT_EQ(ExceptionalModularMatrix(2, 2, 1), 0);  // chi_1 does not appear
  EXPECT_EQ(ExceptionalModularMatrix(16, 16, 2), 1);  // |chi_8|^2
  EXPECT_EQ(ExceptionalModularMatrix(4, 4, 2), 0);
  EXPECT_EQ(ExceptionalModularMatrix(4, 16, 2), 1);  // chi_2 chi_8*
  EXPECT_EQ(ExceptionalModularMatrix(16, 5, 2), 1);  // chi_8 chi_14*
  EXPECT_EQ(ExceptionalModularMatrix(20, 13, 3), 0);
  EXPECT_EQ(ExceptionalModularMatrix(21, 1, 3), 1);
  for (int nr : {7, 8, 100})
    for (int i = 0; i < 30; ++i)
      for (int j = 0; j < 30; ++j) EXPECT_EQ(ExceptionalModularMatrix(i, j, nr), 0);
}

TEST_F(StoremanagerInvariants, A1InvariantsCommuteWithSAndT) {
  const int levels[3] = {10, 16, 28};
  for (int nr = 1; nr <= 3; ++nr) {
    SpectrumData* sd = SM_getData(1, 1, levels[nr - 1]);
    ASSERT_NE(sd, nullptr);
    EXPECT_EQ(getExceptionalInvariantLabel(sd, 1), nr);
    expectInvariant(sd, nr);
  }
  // The identity commutes with everything too.
  expectInvariant(SM_getData(1, 1, 10), 0);
}

TEST_F(StoremanagerInvariants, MinimalModelInvariantsCommuteWithSAndT) {
  const int levels[3] = {10, 16, 28};
  for (int nr = 4; nr <= 6; ++nr) {
    SpectrumData* sd = SM_getData(27, 2, levels[nr - 4]);
    ASSERT_NE(sd, nullptr);
    EXPECT_EQ(getExceptionalInvariantLabel(sd, 1), nr);
    expectInvariant(sd, nr);
  }
}

TEST_F(StoremanagerInvariants, LabelsOfTheInvariants) {
  EXPECT_EQ(getExceptionalInvariantLabel(SM_getData(1, 1, 16), 0), 0);
  OutputCapture capture;
  EXPECT_EQ(getExceptionalInvariantLabel(SM_getData(1, 1, 12), 1), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Invalid exceptional invariant"));
  capture.clear();
  EXPECT_EQ(getExceptionalInvariantLabel(SM_getData(1, 2, 10), 1), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Invalid exceptional invariant"));
}

TEST_F(StoremanagerInvariants, SecondMinimalFixedPointFormula) {
  // k = 2: N = 8, both m even: e = (0 - 2) mod 8 = 6, -exp(2 pi i 6/8)/sqrt 8 = i/sqrt 8.
  const int a[3] = {2, 0, 5}, b[3] = {2, 0, 1};
  double re, im;
  SmatMinFCFT2(a, b, &re, &im, 0, 2);
  EXPECT_NEAR(re, 0.0, kTol);
  EXPECT_NEAR(im, 1 / std::sqrt(8.0), kTol);
  // k = 1: N = 6, both m odd: e = (1 - 1) mod 6 = 0, -1/sqrt 6.
  const int c[3] = {1, 1, 0};
  SmatMinFCFT2(c, c, &re, &im, 0, 1);
  EXPECT_NEAR(re, -1 / std::sqrt(6.0), kTol);
  EXPECT_NEAR(im, 0.0, kTol);
}

}  // namespace
