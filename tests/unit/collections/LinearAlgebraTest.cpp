// Integer and floating linear algebra: row normalisation, Gauss-Jordan sweeps, exact
// inverses, incremental double elimination, determinants and orthogonalisation.
#include "collections/LinearAlgebra.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "program/Boot.h"
#include "TestSupport.h"

namespace {

class LinearAlgebraTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

// ---------------------------------------------------------------------------------------
// Integer elimination

TEST_F(LinearAlgebraTest, NormalizeRowDividesAndFlipsSigns) {
  int M[] = {2, -4, -2, 4, 0, 0};
  EXPECT_EQ(NormalizeRow(M, 2, 0), 0);
  EXPECT_EQ(M[0], -1);
  EXPECT_EQ(M[1], 2);
  EXPECT_EQ(NormalizeRow(M, 2, 1), 0);
  EXPECT_EQ(M[2], 1);
  EXPECT_EQ(M[3], -2);
  EXPECT_EQ(NormalizeRow(M, 2, 2), 1);
  EXPECT_EQ(NormalizeRow(M, 0, 0), 1);
}

TEST_F(LinearAlgebraTest, SimplifyRowEliminatesAColumn) {
  int M[] = {4, 6, 1,   // row 0
             6, 3, 3};  // row 1
  // gcd(4, 6) = 2: row 0 := 3 row 0 - 2 row 1 = (0, 12, -3), normalised (0, -4, 1).
  EXPECT_EQ(SimplifyRow(M, 3, 0, 1, 0), 0);
  EXPECT_EQ(std::vector<int>(M, M + 3), (std::vector<int>{0, -4, 1}));
  int N[] = {2, 2, 1, 1};
  EXPECT_EQ(SimplifyRow(N, 2, 0, 1, 0), 1);  // proportional rows vanish
  swapRows(M, 3, 0, 1);
  EXPECT_EQ(std::vector<int>(M, M + 3), (std::vector<int>{6, 3, 3}));
}

TEST_F(LinearAlgebraTest, LinearSweepSolvesASystem) {
  // 2x + y = 5, x + 3y = 10: x = 1, y = 3; the right column ends as diagonal * solution.
  int M[] = {2, 1, 5,
             1, 3, 10};
  EXPECT_EQ(LinearSweep(M, 2, 3), 0);
  EXPECT_EQ(M[1], 0);
  EXPECT_EQ(M[3], 0);
  ASSERT_NE(M[0], 0);
  ASSERT_NE(M[4], 0);
  EXPECT_EQ(M[2], 1 * M[0]);
  EXPECT_EQ(M[5], 3 * M[4]);
}

TEST_F(LinearAlgebraTest, LinearSweepExchangesRowsForAZeroPivot) {
  int M[] = {0, 1, 2,
             1, 0, 3};
  EXPECT_EQ(LinearSweep(M, 2, 3), 0);
  EXPECT_EQ(M[2], 3 * M[0]);
  EXPECT_EQ(M[5], 2 * M[4]);
}

TEST_F(LinearAlgebraTest, LinearSweepReportsSingularAndShortMatrices) {
  OutputCapture capture;
  int singular[] = {1, 2, 2, 4};
  EXPECT_EQ(LinearSweep(singular, 2, 2), 1);
  int M[6] = {1, 0, 0, 1, 1, 1};
  EXPECT_EQ(LinearSweep(M, 3, 2), -1);
  EXPECT_NE(capture.diagnostics.find("Too few variables in LinearSweep"), std::string::npos);
  EXPECT_EQ(LinearSweep(M, 0, 2), 0);
}

TEST_F(LinearAlgebraTest, MatInvKnownInverses) {
  int A[] = {2, 1, 1, 1};
  int Inv[4];
  EXPECT_EQ(MatInv(A, Inv, 2), 1);
  EXPECT_EQ(std::vector<int>(Inv, Inv + 4), (std::vector<int>{1, -1, -1, 2}));
  int B[] = {2, 0, 0, 4};
  EXPECT_EQ(MatInv(B, Inv, 2), 4);
  EXPECT_EQ(std::vector<int>(Inv, Inv + 4), (std::vector<int>{2, 0, 0, 1}));
  EXPECT_EQ(MatInv(B, Inv, 0), 1);
}

TEST_F(LinearAlgebraTest, MatInvOfASingularMatrixIsReported) {
  OutputCapture capture;
  int A[] = {1, 2, 2, 4};
  int Inv[4];
  EXPECT_EQ(MatInv(A, Inv, 2), 0);
  EXPECT_NE(capture.diagnostics.find("Degenerate matrix"), std::string::npos);
}

TEST_F(LinearAlgebraTest, MatInvOfTheA3CartanMatrix) {
  // The inverse Cartan matrix of A3 is (1/4) (3 2 1; 2 4 2; 1 2 3).
  int A[] = {2, -1, 0, -1, 2, -1, 0, -1, 2};
  int Inv[9];
  EXPECT_EQ(MatInv(A, Inv, 3), 4);
  EXPECT_EQ(std::vector<int>(Inv, Inv + 9), (std::vector<int>{3, 2, 1, 2, 4, 2, 1, 2, 3}));
}

TEST_F(LinearAlgebraTest, MatInvTimesTheMatrixIsTheDenominatorOnRandomMatrices) {
  std::mt19937 generator(7);
  std::uniform_int_distribution<int> entry(-5, 5);
  int inverted = 0;
  for (int trial = 0; trial < 300; ++trial) {
    const int n = 4;
    std::vector<int> A(n * n);
    for (int& value : A) value = entry(generator);
    std::vector<int> Inv(n * n);
    OutputCapture capture;  // singular matrices alert
    int L = MatInv(A.data(), Inv.data(), n);
    if (L == 0) continue;
    ++inverted;
    for (int r = 0; r < n; ++r) {
      for (int c = 0; c < n; ++c) {
        long long sum = 0;
        for (int k = 0; k < n; ++k) sum += static_cast<long long>(Inv[r * n + k]) * A[k * n + c];
        ASSERT_EQ(sum, r == c ? L : 0);
      }
    }
  }
  EXPECT_GT(inverted, 200);
}

TEST_F(LinearAlgebraTest, IntegerEliminationOverflowIsReported) {
  OutputCapture capture;
  // Row 1 := 3 row 1 - 2000000000 row 0 = (0, -3999999997999999991, -1999999997): no
  // common factor brings it back to 32 bits.
  int M[] = {3, 1999999999, 1,
             2000000000, 3, 1};
  EXPECT_EQ(SimplifyRow(M, 3, 1, 0, 0), kEliminationOverflow);
  EXPECT_EQ(std::vector<int>(M + 3, M + 6), (std::vector<int>{2000000000, 3, 1}));
  EXPECT_NE(capture.diagnostics.find("Integer overflow in SimplifyRow"), std::string::npos);
  // Its determinant 9 - 3999999998000000000 is no 32-bit denominator.
  int A[] = {3, 1999999999, 2000000000, 3};
  int Inv[4];
  EXPECT_EQ(MatInv(A, Inv, 2), 0);
}

TEST_F(LinearAlgebraTest, CollectEquationsKeepsAReducedSet) {
  int M[3 * 3] = {1, 1, 0,
                  0, 0, 0,
                  0, 0, 0};
  int pivots[3];
  int n = 0;
  EXPECT_EQ(CollectEquations(M, pivots, &n, 3), 1);
  EXPECT_EQ(pivots[0], 0);
  int second[] = {2, 2, 0};  // dependent
  std::copy(second, second + 3, M + 3);
  EXPECT_EQ(CollectEquations(M, pivots, &n, 3), 0);
  EXPECT_EQ(n, 1);
  int third[] = {1, 0, 1};
  std::copy(third, third + 3, M + 3);
  EXPECT_EQ(CollectEquations(M, pivots, &n, 3), 1);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(pivots[1], 1);  // (1,0,1) reduced by (1,1,0) is (0,-1,1) up to sign
  EXPECT_EQ(M[pivots[1]], 0);  // the stored row 0 is cleared in the new pivot column
}

// ---------------------------------------------------------------------------------------
// Double elimination

TEST_F(LinearAlgebraTest, DoubleSweepWithWeightsPicksTheHeaviestColumn) {
  double M[3 * 3] = {};
  int pivots[6] = {-1, -1, -1, -1, -1, -1};
  int nrows = 0;
  int weights[] = {0, 5, 1};
  double row[] = {1.0, 1.0, 1.0};
  DoubleSweep(row, M, 3, &nrows, pivots, -1, weights);
  EXPECT_EQ(nrows, 1);
  EXPECT_EQ(pivots[0], 1);
  EXPECT_EQ(pivots[3 + 1], 0);
  EXPECT_DOUBLE_EQ(M[0], 1.0);
  EXPECT_DOUBLE_EQ(M[1], 1.0);
  EXPECT_DOUBLE_EQ(M[2], 1.0);
  double again[] = {1.0, 1.0, 1.0};
  DoubleSweep(again, M, 3, &nrows, pivots, -1, weights);
  EXPECT_EQ(nrows, 1);  // a row equal to a stored row adds nothing
}

TEST_F(LinearAlgebraTest, DoubleSweepBuildsAReducedEchelonBasis) {
  const int n = 3;
  double M[3 * 3] = {};
  int pivots[6] = {-1, -1, -1, -1, -1, -1};
  int nrows = 0;
  double first[] = {2.0, 4.0, 0.0};
  DoubleSweep(first, M, n, &nrows, pivots, -1, nullptr);
  EXPECT_EQ(pivots[0], 1);  // the largest entry
  EXPECT_DOUBLE_EQ(M[0], 0.5);
  double second[] = {1.0, 1.0, 3.0};
  DoubleSweep(second, M, n, &nrows, pivots, -1, nullptr);
  ASSERT_EQ(nrows, 2);
  // Reduced: each stored row has 1 in its own pivot column and 0 in the other's.
  for (int i = 0; i < nrows; ++i) {
    for (int j = 0; j < nrows; ++j) EXPECT_NEAR(M[i * n + pivots[j]], i == j ? 1.0 : 0.0, 1e-12);
    EXPECT_EQ(pivots[n + pivots[i]], i);
  }
  double combination[] = {3.0, 5.0, 3.0};  // first + second
  DoubleSweep(combination, M, n, &nrows, pivots, -1, nullptr);
  EXPECT_EQ(nrows, 2);
  double excluded[] = {0.0, 0.0, 0.0};
  excluded[0] = 1.0;  // after reduction only column 0 could be a pivot...
  DoubleSweep(excluded, M, n, &nrows, pivots, 0, nullptr);
  EXPECT_EQ(nrows, 2);  // ...and column 0 is excluded
}

// ---------------------------------------------------------------------------------------
// Determinants

TEST_F(LinearAlgebraTest, DeterminantsOfKnownMatrices) {
  double swap[] = {0.0, 1.0, 1.0, 0.0};
  EXPECT_EQ(Determinant(swap, 2), -1.0);
  double upper[] = {2.0, 7.0, 1.0, 0.0, 3.0, 5.0, 0.0, 0.0, 4.0};
  EXPECT_DOUBLE_EQ(Determinant(upper, 3), 24.0);
  // The A3 Cartan matrix has determinant 4.
  double cartan[] = {2, -1, 0, -1, 2, -1, 0, -1, 2};
  EXPECT_NEAR(Determinant(cartan, 3), 4.0, 1e-12);
  EXPECT_EQ(Determinant(cartan, 0), 1.0);
  double singular[] = {1.0, 2.0, 2.0, 4.0};
  EXPECT_EQ(Determinant(singular, 2), 0.0);
}

TEST_F(LinearAlgebraTest, DeterminantPivotRuleIgnoresEntriesBelowTheTolerance) {
  // A column whose entries are all at most 1e-7 gives exactly 0.
  double tiny[] = {1e-8, 1.0, -5e-8, 1.0};
  EXPECT_EQ(Determinant(tiny, 2), 0.0);
  // The first row above 1e-7 is the pivot, even when a later one is larger: the 1e-6
  // entry is kept as pivot and the result is exact for this triangular case.
  double firstAbove[] = {1e-6, 0.0, 5.0, 2.0};
  EXPECT_NEAR(Determinant(firstAbove, 2), 2e-6, 1e-18);
  long double wide[] = {0.0L, 2.0L, 3.0L, 0.0L};
  EXPECT_EQ(DeterminantL(wide, 2), -6.0L);
}

TEST_F(LinearAlgebraTest, DeterminantOfAPermutationMatrixIsItsSign) {
  // The 3-cycle (0 1 2) is even.
  double cycle[] = {0, 1, 0, 0, 0, 1, 1, 0, 0};
  EXPECT_EQ(Determinant(cycle, 3), 1.0);
}

TEST_F(LinearAlgebraTest, ComplexDeterminantOfAHandComputedCase) {
  // (1 + i, 2; i, 3): (1 + i) 3 - 2 i = 3 + i.
  double re[] = {1.0, 2.0, 0.0, 3.0};
  double im[] = {1.0, 0.0, 1.0, 0.0};
  double dre = 0.0;
  double dim = 0.0;
  ComplexDeterminant(re, im, 2, &dre, &dim);
  EXPECT_NEAR(dre, 3.0, 1e-12);
  EXPECT_NEAR(dim, 1.0, 1e-12);
}

TEST_F(LinearAlgebraTest, ComplexDeterminantWithARowExchange) {
  // (0, i; 2, 1): the first pivot is in row 1; det = 0 * 1 - i * 2 = -2i.
  double re[] = {0.0, 0.0, 2.0, 1.0};
  double im[] = {0.0, 1.0, 0.0, 0.0};
  double dre = 9.0;
  double dim = 9.0;
  ComplexDeterminant(re, im, 2, &dre, &dim);
  EXPECT_NEAR(dre, 0.0, 1e-12);
  EXPECT_NEAR(dim, -2.0, 1e-12);
  double zeroRe[] = {1e-8, 1.0, 0.0, 1.0};
  double zeroIm[] = {1e-8, 0.0, 0.0, 0.0};
  ComplexDeterminant(zeroRe, zeroIm, 2, &dre, &dim);
  EXPECT_EQ(dre, 0.0);
  EXPECT_EQ(dim, 0.0);
  ComplexDeterminant(zeroRe, zeroIm, 0, &dre, &dim);
  EXPECT_EQ(dre, 1.0);
  EXPECT_EQ(dim, 0.0);
}

TEST_F(LinearAlgebraTest, ComplexDeterminantOfTheDiscreteFourierMatrix) {
  // F_jk = exp(-2 pi i j k / 3): det F = 3^(3/2) i (the Vandermonde product over the
  // cube roots of unity).
  const int n = 3;
  double re[n * n];
  double im[n * n];
  for (int j = 0; j < n; ++j) {
    for (int k = 0; k < n; ++k) {
      double angle = -2.0 * M_PI * j * k / n;
      re[j * n + k] = std::cos(angle);
      im[j * n + k] = std::sin(angle);
    }
  }
  double dre = 0.0;
  double dim = 0.0;
  ComplexDeterminant(re, im, n, &dre, &dim);
  EXPECT_NEAR(dre, 0.0, 1e-9);
  EXPECT_NEAR(dim, std::pow(3.0, 1.5), 1e-9);
}

TEST_F(LinearAlgebraTest, PrintMatrices) {
  OutputCapture capture;
  int M[] = {1, -2, 3, 4};
  printMatrix(M, 2);
  double D[] = {0.5};
  printDoubleMatrix(D, 1);
  EXPECT_EQ(capture.stdoutText, "1 -2 \n3 4 \n\n      0.5000000 \n\n");
}

// ---------------------------------------------------------------------------------------
// Orthogonalisation

TEST_F(LinearAlgebraTest, MakeOrthogonalSteps) {
  int u[] = {1, 1};
  int v[] = {1, 0};
  // (u.u) v - (u.v) u = 2 (1, 0) - (1, 1) = (1, -1).
  EXPECT_EQ(makeOrthogonal(2, u, v), 1);
  EXPECT_EQ(v[0], 1);
  EXPECT_EQ(v[1], -1);
  EXPECT_EQ(makeOrthogonal(2, u, v), 0);  // already orthogonal
  long long lu[] = {3000000000LL, 0};
  long long lv[] = {1, 1};
  EXPECT_EQ(makeOrthogonalLong(2, lu, lv), 1);
  EXPECT_EQ(lv[0], 0);
  EXPECT_EQ(lv[1], 9000000000000000000LL);
  double du[] = {1.0, 0.0};
  double dv[] = {2.0, 3.0};
  EXPECT_DOUBLE_EQ(makeOrthogonalDouble(2, du, dv), -2.0);
  EXPECT_DOUBLE_EQ(dv[0], 0.0);
  EXPECT_DOUBLE_EQ(dv[1], 3.0);
  EXPECT_DOUBLE_EQ(makeOrthogonalDouble(2, du, dv), 0.0);
  EXPECT_EQ(NormalizeDoubleVector(2, dv), 1);
  double small[] = {1e-6, 0.0};
  EXPECT_EQ(NormalizeDoubleVector(2, small), 0);
}

TEST_F(LinearAlgebraTest, OrthogonalToACollection) {
  VectorSpace space(10, "Orthogonal");
  initVectorCollection(&space, 2, 4);
  int e1[] = {1, 0, 0, 0};
  addVectorToCollection(&space, e1);
  int v[] = {1, 1};
  EXPECT_EQ(makeOrthogonalToVectorSpace(2, &space, v), 1);
  EXPECT_EQ(v[0], 0);
  EXPECT_EQ(v[1], 1);
  int e2[] = {0, 1, 0, 0};
  addVectorToCollection(&space, e2);
  int w[] = {1, 1};
  EXPECT_EQ(makeOrthogonalToVectorSpace(2, &space, w), 0);
  int zero[] = {0, 0};
  EXPECT_EQ(makeOrthogonalToVectorSpace(2, &space, zero), 0);
}

TEST_F(LinearAlgebraTest, OrthogonalToAnOrthogonalBasisIsOrthogonalToEveryRow) {
  VectorSpace space(10, "Basis");
  initVectorCollection(&space, 3, 4);
  int a[] = {1, 1, 0, 0, 0};
  int b[] = {1, -1, 1, 0, 0};  // a.b = 0
  addVectorToCollection(&space, a);
  addVectorToCollection(&space, b);
  int v[] = {5, 2, 7};
  ASSERT_EQ(makeOrthogonalToVectorSpace(3, &space, v), 1);
  EXPECT_EQ(dotProd(v, a, 3), 0);
  EXPECT_EQ(dotProd(v, b, 3), 0);
  // The orthogonal complement is spanned by (1, -1, -2), normalised with a positive lead.
  EXPECT_EQ(v[0], 1);
  EXPECT_EQ(v[1], -1);
  EXPECT_EQ(v[2], -2);
  long long lv[] = {5, 2, 7};
  ASSERT_EQ(makeOrthogonalToVectorSpaceLong(3, &space, lv), 1);
  EXPECT_EQ(lv[0], 1);
  EXPECT_EQ(lv[1], -1);
  EXPECT_EQ(lv[2], -2);
}

TEST_F(LinearAlgebraTest, LongOrthogonalisationOfLongVectorsWorksAfterItsAlert) {
  OutputCapture capture;
  VectorSpace space(10, "Long");
  initVectorCollection(&space, 12, 2);
  std::vector<int> row(14, 0);
  row[0] = 1;
  addVectorToCollection(&space, row.data());
  std::vector<long long> v(12, 1);
  EXPECT_EQ(makeOrthogonalToVectorSpaceLong(12, &space, v.data()), 1);
  EXPECT_EQ(v[0], 0);
  for (int i = 1; i < 12; ++i) EXPECT_EQ(v[i], 1);
}

TEST_F(LinearAlgebraTest, DoubleOrthogonalToACollection) {
  DoubleVectorSpace space(10, "DoubleOrthogonal");
  initDoubleVectorCollection(&space, 2, 4);
  space.Space[0] = 1.0;
  space.Space[1] = 0.0;
  addToDoubleCollection(&space);
  double x[] = {3.0, 4.0};
  EXPECT_EQ(makeOrthogonalToVectorSpaceDouble(2, &space, x), 1);
  EXPECT_DOUBLE_EQ(x[0], 0.0);
  EXPECT_DOUBLE_EQ(x[1], 4.0);  // never rescaled: (u.u) = 1
  double parallel[] = {2.0, 0.0};
  EXPECT_EQ(makeOrthogonalToVectorSpaceDouble(2, &space, parallel), 0);
}

TEST_F(LinearAlgebraTest, OrthogonalisationOverflowIsReported) {
  OutputCapture capture;
  VectorSpace space(10, "Overflow");
  initVectorCollection(&space, 3, 4);
  int u[] = {1, 50000, 1, 0, 0};
  addVectorToCollection(&space, u);
  int v[] = {1, 0, 0};
  // (u.u) v - (u.v) u = (2500000001, -50000, -1): coprime, and beyond 32 bits.
  EXPECT_EQ(makeOrthogonalToVectorSpace(3, &space, v), -1);
  EXPECT_EQ(std::vector<int>(v, v + 3), (std::vector<int>{1, 0, 0}));
  EXPECT_NE(capture.diagnostics.find("Integer overflow in makeOrthogonalToVectorSpace"),
            std::string::npos);
}

}  // namespace
