// S and T of tensor products, cosets and their extensions: the modular relations
// (symmetry, unitarity, (ST)^3 = S^2) and integer Verlinde fusion for conformal embeddings,
// resolved fixed points and the unitary minimal models as cosets, known S matrices of
// small theories, T and log T of a coset, and the value left after a refusal.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "groups/Discrete.h"
#include "InterpreterTestSupport.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "tensor/Coset.h"
#include "TensorTestSupport.h"
#include "TestSupport.h"

namespace {

using Complex = std::complex<double>;
using Matrix = std::vector<std::vector<Complex>>;

constexpr double kTol = 1e-7;

class CosetModularTest : public TensorTest {
 protected:
  static int size() { return currentTensor->NumberOfPrimaries; }

  static Matrix sMatrix() {
    const int n = size();
    Matrix S(static_cast<std::size_t>(n), std::vector<Complex>(static_cast<std::size_t>(n)));
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) {
        double re = 0.0, im = 0.0;
        getCosetS(currentTensor, i, j, &re, &im);
        S[i][j] = Complex(re, im);
      }
    }
    return S;
  }

  static Matrix tMatrix() {
    const int n = size();
    Matrix T(static_cast<std::size_t>(n), std::vector<Complex>(static_cast<std::size_t>(n)));
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) {
        double re = 0.0, im = 0.0;
        getCosetT(currentTensor, i, j, &re, &im);
        T[i][j] = Complex(re, im);
      }
    }
    return T;
  }

  static Matrix product(const Matrix& A, const Matrix& B) {
    const std::size_t n = A.size();
    Matrix C(n, std::vector<Complex>(n));
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t k = 0; k < n; ++k)
        for (std::size_t j = 0; j < n; ++j) C[i][j] += A[i][k] * B[k][j];
    return C;
  }

  static double distance(const Matrix& A, const Matrix& B) {
    double worst = 0.0;
    for (std::size_t i = 0; i < A.size(); ++i)
      for (std::size_t j = 0; j < A.size(); ++j) worst = std::max(worst, std::abs(A[i][j] - B[i][j]));
    return worst;
  }

  // Symmetric, unitary, (ST)^3 = S^2, and every Verlinde coefficient a non-negative
  // integer; what a modular tensor category's S and T must satisfy.
  void expectModular(const std::string& what) {
    const Matrix S = sMatrix();
    const Matrix T = tMatrix();
    const std::size_t n = S.size();
    ASSERT_GT(n, 0U) << what;
    Matrix St(n, std::vector<Complex>(n));
    Matrix Sdag(n, std::vector<Complex>(n));
    Matrix one(n, std::vector<Complex>(n));
    for (std::size_t i = 0; i < n; ++i) {
      one[i][i] = 1.0;
      for (std::size_t j = 0; j < n; ++j) {
        St[i][j] = S[j][i];
        Sdag[i][j] = std::conj(S[j][i]);
      }
    }
    EXPECT_LT(distance(S, St), kTol) << what << ": S not symmetric";
    EXPECT_LT(distance(product(S, Sdag), one), kTol) << what << ": S not unitary";
    const Matrix ST = product(S, T);
    EXPECT_LT(distance(product(product(ST, ST), ST), product(S, S)), kTol) << what << ": (ST)^3 != S^2";
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t k = 0; k < n; ++k) {
          Complex N = 0.0;
          for (std::size_t m = 0; m < n; ++m) N += S[i][m] * S[j][m] * std::conj(S[k][m]) / S[0][m];
          EXPECT_LT(std::fabs(N.imag()), kTol) << what << " N_" << i << j << "^" << k;
          EXPECT_LT(std::fabs(N.real() - std::round(N.real())), kTol) << what << " N_" << i << j << "^" << k;
          EXPECT_GT(N.real(), -kTol) << what << " N_" << i << j << "^" << k;
        }
      }
    }
  }

  // S of SU(2) at level k between Dynkin labels l and m.
  static double su2S(int k, int l, int m) {
    return std::sqrt(2.0 / (k + 2)) * std::sin(M_PI * (l + 1) * (m + 1) / (k + 2));
  }

  // Dynkin label of field a of SU(2) at level k, from its weight l(l+2)/(4(k+2)).
  static int su2Label(SpectrumData* sd, int a) {
    Rat h;
    SM_getRatWeight(sd, a, &h);
    for (int l = 0; l <= sd->level; ++l) {
      if (static_cast<long long>(l) * (l + 2) * h.den == 4LL * (sd->level + 2) * h.num) return l;
    }
    return -1;
  }
};

TEST_F(CosetModularTest, ConformalEmbeddingsAndMinimalModelCosetsAreModular) {
  build({"g a 1 4", "current 1"});
  ASSERT_EQ(size(), 3);
  expectModular("SU(3)_1");
  build({"g a 1 2", "g a 1 2", "current 1 1"});
  ASSERT_EQ(size(), 4);
  expectModular("SO(6)_1");
  // Virasoro minimal models M(k+2, k+3): (k+1)(k+2)/2 fields.
  for (int k = 1; k <= 6; ++k) {
    build({"g a 1 " + std::to_string(k), "g a 1 1", "h a 1 " + std::to_string(k + 1), "current 1 1 1"});
    const std::string what = "A1_" + std::to_string(k) + " x A1_1 / A1_" + std::to_string(k + 1);
    EXPECT_EQ(size(), (k + 1) * (k + 2) / 2) << what;
    expectModular(what);
  }
}

TEST_F(CosetModularTest, ResolvedFixedPointsOfTheDiagonalExtensionAreModular) {
  // A1_k x A1_k by (J, J): the fixed point (k/2, k/2) splits in two.
  for (int k : {2, 4, 6}) {
    build({"g a 1 " + std::to_string(k), "g a 1 " + std::to_string(k), "current 1 1"});
    expectModular("A1_" + std::to_string(k) + " x A1_" + std::to_string(k) + " by (1,1)");
  }
  // A coset with a resolved fixed point, (1, 1; 2) of A1_2 x A1_2 / A1_4 (c = 1): the H
  // factor's fixed-point matrix enters conjugated, its shift with the opposite sign.
  build({"g a 1 2", "g a 1 2", "h a 1 4", "current 1 1 1"});
  // 23 label triples with even Dynkin sum; J pairs them except (1, 1, 2): 11 + 2 fields.
  ASSERT_EQ(size(), 13);
  EXPECT_EQ(UntwistedStabilizerOrder(currentTensor, 11), 2);
  expectModular("A1_2 x A1_2 / A1_4");
}

TEST_F(CosetModularTest, KnownSMatricesOfSU3AndSO6AndIsing) {
  build({"g a 1 4", "current 1"});
  const double third = 1.0 / std::sqrt(3.0);
  Matrix S = sMatrix();
  for (const auto& row : S)
    for (const Complex& x : row) EXPECT_NEAR(std::abs(x), third, kTol);
  // The two resolved fields are 3 and 3bar: S(3,3) = S(3bar,3bar) = conj S(3,3bar), a
  // third root of unity over sqrt 3 that is not 1.
  EXPECT_LT(std::abs(S[1][1] - S[2][2]), kTol);
  EXPECT_LT(std::abs(S[1][1] - std::conj(S[1][2])), kTol);
  EXPECT_NEAR(S[1][1].real(), -0.5 * third, kTol);

  build({"g a 1 2", "g a 1 2", "current 1 1"});
  S = sMatrix();
  for (const auto& row : S)
    for (const Complex& x : row) EXPECT_NEAR(std::abs(x), 0.5, kTol);
  // SU(4)_1 with 1, v (= 6), s, c: S(v,s) = -1/2 and the spinors differ only by the
  // character of their resolution label: S(s,c) = -S(s,s) = -+ i/2.
  EXPECT_NEAR(S[1][2].real(), -0.5, kTol);
  EXPECT_LT(std::abs(S[0][2] - S[0][3]), kTol);
  EXPECT_LT(std::abs(S[2][3] + S[2][2]), kTol);
  EXPECT_NEAR(std::fabs(S[2][2].imag()), 0.5, kTol);

  build({"g a 1 1", "g a 1 1", "h a 1 2", "current 1 1 1"});
  S = sMatrix();
  EXPECT_LT(std::abs(S[0][0] - 0.5), kTol);
  EXPECT_LT(std::abs(S[1][1] - 0.5), kTol);
  EXPECT_LT(std::abs(S[2][2]), kTol);
  EXPECT_NEAR(std::abs(S[1][2]), 1.0 / std::sqrt(2.0), kTol);
  EXPECT_NEAR(S[1][2].real(), -1.0 / std::sqrt(2.0), kTol);
}

TEST_F(CosetModularTest, WithoutCurrentsSIsTheProductOfTheFactorS) {
  // |C| = 1: S is the product of the factors' S matrices (all real for SU(2)).
  build({"g a 1 1", "g a 1 2"});
  ASSERT_EQ(size(), 6);
  SpectrumData* f1 = getTensorFactor(currentTensor, 0);
  SpectrumData* f2 = getTensorFactor(currentTensor, 1);
  for (int i = 0; i < 6; ++i) {
    const int* a = TensorField(currentTensor, i);
    for (int j = 0; j < 6; ++j) {
      const int* b = TensorField(currentTensor, j);
      const double expected =
          su2S(1, su2Label(f1, a[0]), su2Label(f1, b[0])) * su2S(2, su2Label(f2, a[1]), su2Label(f2, b[1]));
      double re = 0.0, im = 0.0;
      getCosetS(currentTensor, i, j, &re, &im);
      EXPECT_NEAR(re, expected, kTol) << i << " " << j;
      EXPECT_NEAR(im, 0.0, kTol) << i << " " << j;
    }
  }
}

TEST_F(CosetModularTest, CosetTAndLogTSubtractTheHFactor) {
  build({"g a 1 1", "g a 1 1", "h a 1 2", "current 1 1 1"});
  // Field 2 is sigma, (0, 1; 2): h = 1/4 - 3/16 = 1/16 and c = 1/2, so log T = 1/16 - 1/48.
  const double logT = 1.0 / 16.0 - 1.0 / 48.0;
  EXPECT_NEAR(getCosetLogT(currentTensor, 2), logT, kTol);
  EXPECT_NEAR(getCosetLogT(currentTensor, 0), -1.0 / 48.0, kTol);
  double re = 0.0, im = 0.0;
  getCosetT(currentTensor, 2, 2, &re, &im);
  EXPECT_NEAR(re, std::cos(2 * M_PI * logT), kTol);
  EXPECT_NEAR(im, std::sin(2 * M_PI * logT), kTol);
  getCosetrootT(currentTensor, 2, 2, &re, &im);
  EXPECT_NEAR(re, std::cos(M_PI * logT), kTol);
  EXPECT_NEAR(im, std::sin(M_PI * logT), kTol);
  re = im = 7.0;
  getCosetT(currentTensor, 1, 2, &re, &im);
  EXPECT_EQ(re, 0.0);
  EXPECT_EQ(im, 0.0);

  // Two resolved fields of one fixed point share T, and T between them is 0.
  build({"g a 1 2", "g a 1 2", "current 1 1"});
  double re2 = 0.0, im2 = 0.0, re3 = 0.0, im3 = 0.0;
  getCosetT(currentTensor, 2, 2, &re2, &im2);
  getCosetT(currentTensor, 3, 3, &re3, &im3);
  EXPECT_NEAR(re2, re3, kTol);
  EXPECT_NEAR(im2, im3, kTol);
  // Spinor of SO(6)_1: h = 3/8, c = 3: phase 3/8 - 1/8 = 1/4.
  EXPECT_NEAR(re2, 0.0, kTol);
  EXPECT_NEAR(im2, 1.0, kTol);
  re = im = 7.0;
  getCosetT(currentTensor, 2, 3, &re, &im);
  EXPECT_EQ(re, 0.0);
  EXPECT_EQ(im, 0.0);
}

TEST_F(CosetModularTest, FieldNotFixedByItsStabilizerLeavesZero) {
  // A hand-made record claims that the current of SU(2)_1, which fixes nothing, stabilises
  // the vacuum: the S element is refused and the out-values are 0.
  TensorProduct* TP = initializeTensorProduct(nullptr);
  addTensorFactor(TP, SM_getData(1, 1, 1), 0);
  TP->ChiralAlgebra.reset(1);
  const int e0[] = {0};
  const int e1[] = {1};
  TP->ChiralAlgebra.add(e0);
  TP->ChiralAlgebra.add(e1);
  const int row[] = {0, 0};
  TP->Spectrum.add(row);
  TP->NumberOfPrimaries = 1;
  const int U[] = {0, 1};
  FPType* fp = getFP(2, U, U, 2, 2, &TP->firstFP, TP, chiralProduct);
  ASSERT_NE(fp, nullptr);
  TP->Stabilizers.push_back(fp);
  capture.clear();
  double re = 5.0, im = 5.0;
  getCosetS(TP, 0, 0, &re, &im);
  EXPECT_TRUE(alerted("Field not fixed by its stabilizer"));
  EXPECT_EQ(re, 0.0);
  EXPECT_EQ(im, 0.0);
  // A field beyond the spectrum is an alert and 0 as well.
  re = im = 5.0;
  getCosetS(TP, 0, 3, &re, &im);
  EXPECT_TRUE(alerted("out of range"));
  EXPECT_EQ(re, 0.0);
  EXPECT_EQ(im, 0.0);
}

TEST_F(CosetModularTest, ModularCommandsAnswerInTensorMode) {
  build({"g a 1 4", "current 1"});
  capture.clear();
  ASSERT_EQ(run("fusion 1 1 2"), 0);
  EXPECT_NE(capture.printed.find("N_1_1^2=1"), std::string::npos) << capture.printed;
  ASSERT_EQ(run("fusion 1 2 0"), 0);
  EXPECT_NE(capture.printed.find("N_1_2^0=1"), std::string::npos) << capture.printed;
  ASSERT_EQ(run("browse central_charge"), 0);
  EXPECT_NE(capture.printed.find("2.000000000"), std::string::npos) << capture.printed;
  EXPECT_EQ(capture.printed.find("not available"), std::string::npos);
}

TEST_F(CosetModularTest, TotalShiftOfTrivialCurrentIsZeroAndFixedPointsAreFound) {
  build({"g a 1 2", "g a 1 2", "current 1 1"});
  const int trivial[] = {0, 0};
  EXPECT_EQ(getTotalFCFTshift(currentTensor, trivial), 0);
  // The identity fixes every field; the vector (field 1) exchanges the spinors and fixes none.
  EXPECT_EQ(TensorFixedPointCheck(currentTensor, 0), 1);
  EXPECT_EQ(TensorFixedPointCheck(currentTensor, 1), 0);
  // Label 2 of SU(2)_2 (j = 1/2) is the fixed point of its current; 0 is not.
  const int J[] = {1, 1};
  const int fixedRow[] = {2, 2};
  const int mixedRow[] = {2, 0};
  EXPECT_EQ(TensorFixedPointField(currentTensor, J, fixedRow), 1);
  EXPECT_EQ(TensorFixedPointField(currentTensor, J, mixedRow), 0);
}

}  // namespace
