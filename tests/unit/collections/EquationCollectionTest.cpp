// Equation collections: integer reduction with gcd normalisation, solving with a common
// denominator, inversion rows, and the cyclic collector modulo N.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "program/Boot.h"
#include "TestSupport.h"

namespace {

class EquationCollectionTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

std::vector<int> rowAt(const VectorSpace& space, int r) {
  return std::vector<int>(space.Space + r * space.rowsize, space.Space + (r + 1) * space.rowsize);
}

TEST_F(EquationCollectionTest, NormalizeVectorResults) {
  int v[] = {2, 4, 6};
  EXPECT_EQ(NormalizeVector(3, v), 1);
  EXPECT_EQ(std::vector<int>(v, v + 3), (std::vector<int>{1, 2, 3}));
  int w[] = {0, 0, 5};
  EXPECT_EQ(NormalizeVector(3, w), -1);
  EXPECT_EQ(w[2], 1);
  int z[] = {0, 0};
  EXPECT_EQ(NormalizeVector(2, z), 0);
  int negative[] = {-3, 6};  // the sign is kept
  EXPECT_EQ(NormalizeVector(2, negative), 1);
  EXPECT_EQ(negative[0], -1);
  EXPECT_EQ(negative[1], 2);
  EXPECT_EQ(NormalizeVector(0, v), 0);
}

TEST_F(EquationCollectionTest, SubtractVectorsToNullifyResults) {
  int a[] = {3, 1, 2};
  int b[] = {2, 0, 1};
  // a := 2 a - 3 b = (0, 2, 1).
  EXPECT_EQ(subtractVectorsToNullify(3, a, b, 0), 1);
  EXPECT_EQ(std::vector<int>(a, a + 3), (std::vector<int>{0, 2, 1}));
  int same[] = {2, 4, 6};
  int base[] = {1, 2, 3};
  EXPECT_EQ(subtractVectorsToNullify(3, same, base, 0), 0);
  int inconsistent[] = {1, 1, 5};
  int other[] = {1, 1, 0};
  EXPECT_LT(subtractVectorsToNullify(3, inconsistent, other, 0), 0);
  int untouched[] = {0, 7, 1};
  EXPECT_EQ(subtractVectorsToNullify(3, untouched, base, 0), 1);
  EXPECT_EQ(untouched[1], 7);
}

TEST_F(EquationCollectionTest, EliminationOverflowIsReportedAndChangesNothing) {
  OutputCapture capture;
  // a := 3 a - 2000000000 b = (0, -3999999997999999991, -1999999997), whose entries have
  // no common factor: the result cannot fit 32 bits.
  int a[] = {2000000000, 3, 1};
  int b[] = {3, 1999999999, 1};
  EXPECT_EQ(subtractVectorsToNullify(3, a, b, 0), kEliminationOverflow);
  EXPECT_EQ(std::vector<int>(a, a + 3), (std::vector<int>{2000000000, 3, 1}));
  EXPECT_NE(capture.diagnostics.find("Integer overflow in subtractVectorsToNullify"),
            std::string::npos);
}

TEST_F(EquationCollectionTest, LargeIntermediatesThatReduceBackAreExact) {
  // 100000 x + y = 0 reduced by 100000 x + 3 = 0 gives 100000 (y - 3): beyond 10^6 on the
  // way, (0, 1, -3) after the gcd.
  int a[] = {100000, 100000, 0};
  int b[] = {100000, 0, 300000};
  EXPECT_EQ(subtractVectorsToNullify(3, a, b, 0), 1);
  EXPECT_EQ(std::vector<int>(a, a + 3), (std::vector<int>{0, 1, -3}));
}

TEST_F(EquationCollectionTest, ZeroAndContradictoryEquations) {
  VectorSpace space(10, "Equations");
  initEquationCollection(&space, 2, 4);
  EXPECT_EQ(space.rowsize, 4);
  EXPECT_EQ(space.idsize, 3);
  int zero[] = {0, 0, 0};
  EXPECT_EQ(CollectIntegerEquations(&space, zero), 0);
  int contradiction[] = {0, 0, 5};
  EXPECT_EQ(CollectIntegerEquations(&space, contradiction), -1);
  EXPECT_EQ(space.Nfill, 0);
}

TEST_F(EquationCollectionTest, AnEquationIsStoredReducedWithItsPivot) {
  VectorSpace space(10, "Equations");
  initEquationCollection(&space, 2, 4);
  int eq[] = {2, 4, 6};  // 2x + 4y + 6 = 0 is x + 2y + 3 = 0, pivot x
  EXPECT_EQ(CollectIntegerEquations(&space, eq), 1);
  EXPECT_EQ(rowAt(space, 0), (std::vector<int>{1, 2, 3, 0}));
  EXPECT_EQ(CollectIntegerEquations(&space, eq), 0);  // the same again: dependent
  int multiple[] = {-3, -6, -9};
  EXPECT_EQ(CollectIntegerEquations(&space, multiple), 0);
  int clash[] = {1, 2, 4};  // x + 2y + 4 = 0 contradicts x + 2y + 3 = 0
  EXPECT_LT(CollectIntegerEquations(&space, clash), 0);
  EXPECT_EQ(space.Nfill, 1);
}

TEST_F(EquationCollectionTest, TwoEquationsAreSolvedExactly) {
  VectorSpace space(10, "Equations");
  initEquationCollection(&space, 2, 4);
  int first[] = {1, -1, 0};  // x - y = 0: the pivot is y (coefficient -1 is the smallest)
  EXPECT_EQ(CollectIntegerEquations(&space, first), 1);
  EXPECT_EQ(rowAt(space, 0)[3], 1);
  int second[] = {1, 1, -2};  // x + y - 2 = 0
  EXPECT_EQ(CollectIntegerEquations(&space, second), 1);
  EXPECT_EQ(rowAt(space, 1), (std::vector<int>{-1, 0, 1, 0}));  // -x + 1 = 0, pivot x
  EXPECT_EQ(rowAt(space, 0), (std::vector<int>{0, 1, -1, 1}));  // y - 1 = 0
  int x[2] = {0, 0};
  EXPECT_EQ(SolveIntegerEquations(&space, x, 0), 1);
  EXPECT_EQ(x[0], 1);
  EXPECT_EQ(x[1], 1);
  int withDenominator[] = {1, 1, 1};  // (x, y, denominator 1)
  EXPECT_EQ(CheckIntegerEquations(&space, withDenominator), 1);
  int wrong[] = {1, 2, 1};
  EXPECT_EQ(CheckIntegerEquations(&space, wrong), 0);
}

TEST_F(EquationCollectionTest, SolvingGivesTheCommonDenominator) {
  VectorSpace space(10, "Equations");
  initEquationCollection(&space, 1, 2);
  int eq[] = {2, -1};  // 2x - 1 = 0: x = 1/2
  CollectIntegerEquations(&space, eq);
  int x[1] = {0};
  EXPECT_EQ(SolveIntegerEquations(&space, x, 0), 2);
  EXPECT_EQ(x[0], 1);
}

TEST_F(EquationCollectionTest, SolvingAnUnderdeterminedSystemIsRefused) {
  OutputCapture capture;
  VectorSpace space(10, "Equations");
  initEquationCollection(&space, 3, 4);
  int eq[] = {1, 0, 0, 1};
  CollectIntegerEquations(&space, eq);
  int x[3];
  EXPECT_EQ(SolveIntegerEquations(&space, x, 1), -1);
  EXPECT_EQ(capture.diagnostics, "");
  EXPECT_EQ(SolveIntegerEquations(&space, x, 0), -1);
  EXPECT_NE(capture.diagnostics.find("Number of equations 1 does not match number of variables 3"),
            std::string::npos);
}

TEST_F(EquationCollectionTest, RandomSquareSystemsAreSolvedAndSubstituteBack) {
  // Systems A x = b with a known integer solution: the solver's x / L must be it.
  std::mt19937 generator(2024);
  std::uniform_int_distribution<int> entry(-4, 4);
  int solved = 0;
  for (int trial = 0; trial < 200; ++trial) {
    const int n = 4;
    std::vector<int> solution(n);
    for (int& value : solution) value = entry(generator);
    VectorSpace space(10, "Random");
    initEquationCollection(&space, n, n);
    for (int r = 0; r < n + 2; ++r) {
      std::vector<int> eq(n + 1);
      long long constant = 0;
      for (int c = 0; c < n; ++c) {
        eq[c] = entry(generator);
        constant -= static_cast<long long>(eq[c]) * solution[c];
      }
      eq[n] = static_cast<int>(constant);
      int result = CollectIntegerEquations(&space, eq.data());
      ASSERT_GE(result, 0) << "a consistent system is never contradictory";
    }
    if (space.Nfill != n) continue;
    std::vector<int> x(n);
    int denominator = SolveIntegerEquations(&space, x.data(), 1);
    ASSERT_GT(denominator, 0);
    for (int c = 0; c < n; ++c) EXPECT_EQ(x[c], solution[c] * denominator);
    ++solved;
  }
  EXPECT_GT(solved, 100);
}

TEST_F(EquationCollectionTest, InversionRowsPivotOnlyOnTheirFirstEntries) {
  VectorSpace space(10, "Inversion");
  initInversionCollection(&space, 2, 2, 2);  // rows (a, b | c, d | pivot)
  EXPECT_EQ(space.rowsize, 5);
  EXPECT_EQ(space.idsize, 2);
  int onlyTail[] = {0, 0, 1, 1};
  EXPECT_EQ(CollectInversionEquations(&space, onlyTail), 0);
  int first[] = {2, 1, 1, 0};
  EXPECT_EQ(CollectInversionEquations(&space, first), 1);
  int second[] = {1, 1, 0, 1};
  EXPECT_EQ(CollectInversionEquations(&space, second), 1);
  EXPECT_EQ(space.Nfill, 2);
  // [A | I] reduced: each row's pivot is zero in the other row.
  for (int r = 0; r < 2; ++r) {
    std::vector<int> row = rowAt(space, r);
    int pivot = row[4];
    ASSERT_GE(pivot, 0);
    ASSERT_LT(pivot, 2);
    EXPECT_NE(row[pivot], 0);
    EXPECT_EQ(rowAt(space, 1 - r)[pivot], 0);
  }
  int dependent[] = {4, 2, 2, 0};
  EXPECT_EQ(CollectInversionEquations(&space, dependent), 0);
}

TEST_F(EquationCollectionTest, CyclicInverses) {
  OutputCapture capture;
  EXPECT_EQ(cyclicInverse(3, 7), 5);  // 15 = 2 * 7 + 1
  EXPECT_EQ(cyclicInverse(-1, 5), 4);
  EXPECT_EQ(cyclicInverse(4, 1), 1);
  EXPECT_EQ(cyclicInverse(2, 4), 0);
  EXPECT_NE(capture.diagnostics.find("No inverse of 2 modulo 4"), std::string::npos);
  EXPECT_EQ(cyclicInverse(3, 0), 0);
  EXPECT_EQ(cyclicallyInvertable(3, 7), 1);
  EXPECT_EQ(cyclicallyInvertable(2, 4), 0);
  EXPECT_EQ(cyclicallyInvertable(5, -1), 1);
  EXPECT_EQ(cyclicallyInvertable(5, 0), 0);
  EXPECT_EQ(cyclicallyInvertable(0, 1), 0);
}

TEST_F(EquationCollectionTest, CyclicVectorOperations) {
  int v[] = {2, 3, 4};  // modulo 5: the first invertible entry is 2, inverse 3
  EXPECT_EQ(NormalizeCyclicVector(3, v, 5), 0);
  EXPECT_EQ(std::vector<int>(v, v + 3), (std::vector<int>{1, 4, 2}));
  int none[] = {2, 4};
  EXPECT_EQ(NormalizeCyclicVector(2, none, 4), -1);
  EXPECT_EQ(NormalizeCyclicVector(2, none, -1), -1);
  int w[] = {3, 2, 1};
  EXPECT_EQ(NormalizeOnPosition(3, w, 1, 5), 1);  // 2 * 3 = 6 = 1 modulo 5
  EXPECT_EQ(std::vector<int>(w, w + 3), (std::vector<int>{4, 1, 3}));
  int a[] = {2, 1, 0};
  int b[] = {1, 3, 1};
  // a := a * 1 - b * 2 modulo 7 = (0, -5, -2) = (0, 2, 5).
  EXPECT_EQ(subtractVectorsToNullifyCyclically(3, a, b, 0, 7), 1);
  EXPECT_EQ(std::vector<int>(a, a + 3), (std::vector<int>{0, 2, 5}));
}

TEST_F(EquationCollectionTest, CyclicEquationsModuloTwo) {
  VectorSpace space(10, "Cyclic");
  initEquationCollection(&space, 2, 4);
  int zero[] = {2, 4, 6};  // everything vanishes modulo 2
  EXPECT_EQ(CollectCyclicEquations(&space, zero, 2), 0);
  int contradiction[] = {0, 0, 5};
  EXPECT_EQ(CollectCyclicEquations(&space, contradiction, 2), -1);
  int first[] = {1, 1, 1};
  EXPECT_EQ(CollectCyclicEquations(&space, first, 2), 1);
  int second[] = {1, 1, 0};
  EXPECT_EQ(CollectCyclicEquations(&space, second, 2), -1);
  int again[] = {3, 1, 1};
  EXPECT_EQ(CollectCyclicEquations(&space, again, 2), 0);
  EXPECT_EQ(space.Nfill, 1);
}

TEST_F(EquationCollectionTest, CyclicEquationsAreSolvedModuloAPrime) {
  // Modulo 7: x + 2y + 3 = 0 and 3x + y + 1 = 0 have the one solution x = 3, y = 4
  // (3 + 8 + 3 = 14, 9 + 4 + 1 = 14).
  VectorSpace space(10, "Prime");
  initEquationCollection(&space, 2, 4);
  int first[] = {1, 2, 3};
  int second[] = {3, 1, 1};
  EXPECT_EQ(CollectCyclicEquations(&space, first, 7), 1);
  EXPECT_EQ(CollectCyclicEquations(&space, second, 7), 1);
  // Each stored row has pivot entry 1 and zero in the other row's pivot column.
  for (int r = 0; r < 2; ++r) {
    std::vector<int> row = rowAt(space, r);
    EXPECT_EQ(row[row[3]], 1);
    EXPECT_EQ(rowAt(space, 1 - r)[row[3]], 0);
  }
  // Read off x_p = -constant and substitute into the original equations.
  int x[2];
  for (int r = 0; r < 2; ++r) {
    std::vector<int> row = rowAt(space, r);
    x[row[3]] = (7 - row[2]) % 7;
  }
  EXPECT_EQ(x[0], 3);
  EXPECT_EQ(x[1], 4);
  EXPECT_EQ(testSolutionToCyclicEquations(&space, x, 7), 1);
  int wrong[] = {x[0] + 1, x[1]};
  EXPECT_EQ(testSolutionToCyclicEquations(&space, wrong, 7), 0);
}

TEST_F(EquationCollectionTest, APivotWithoutInverseIsReportedAndStillStored) {
  OutputCapture capture;
  VectorSpace space(10, "Composite");
  initEquationCollection(&space, 1, 4);
  int eq[] = {2, 1};  // 2x + 1 = 0 modulo 4
  EXPECT_EQ(CollectCyclicEquations(&space, eq, 4), 1);
  EXPECT_EQ(space.Nfill, 1);
  EXPECT_EQ(rowAt(space, 0), (std::vector<int>{2, 1, 0}));
  EXPECT_NE(capture.diagnostics.find("Cannot normalize equation (i=0,value 2, mod 4)"),
            std::string::npos);
  EXPECT_NE(capture.stdoutText.find("!!!  (2,1)"), std::string::npos);
}

TEST_F(EquationCollectionTest, BadModulusIsRefused) {
  OutputCapture capture;
  VectorSpace space(10, "Modulus");
  initEquationCollection(&space, 1, 4);
  int eq[] = {1, 1};
  EXPECT_EQ(CollectCyclicEquations(&space, eq, 0), 0);
  EXPECT_EQ(space.Nfill, 0);
  EXPECT_NE(capture.diagnostics.find("Invalid modulus 0"), std::string::npos);
}

TEST_F(EquationCollectionTest, CollectorsOnAnUnshapedRecordAreRefused) {
  OutputCapture capture;
  VectorSpace space(10, "Unshaped");
  int eq[] = {1, 1};
  EXPECT_EQ(CollectIntegerEquations(&space, eq), 0);
  EXPECT_NE(capture.diagnostics.find("not initialised"), std::string::npos);
}

TEST_F(EquationCollectionTest, CollectFindsOrAppendsRowsOfAPool) {
  int* array = nullptr;
  int count = 0;
  int a[] = {1, 2, 3};
  int b[] = {1, 2, 4};
  EXPECT_EQ(Collect(&array, "Bounds", 3, a, &count), -1);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(Collect(&array, "Bounds", 3, a, &count), 0);
  EXPECT_EQ(Collect(&array, "Bounds", 3, b, &count), -1);
  EXPECT_EQ(Collect(&array, "Bounds", 3, b, &count), 1);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(std::vector<int>(array, array + 6), (std::vector<int>{1, 2, 3, 1, 2, 4}));
  // Many rows: the pool grows and keeps what it holds.
  for (int i = 0; i < 500; ++i) {
    int row[] = {i, i, i};
    Collect(&array, "Bounds", 3, row, &count);
  }
  EXPECT_EQ(count, 502);
  EXPECT_EQ(array[3 * 501], 499);
  EXPECT_EQ(Collect(&array, "Bounds", 3, a, &count), 0);
  // Another pool is independent.
  int other = 0;
  int* otherArray = nullptr;
  EXPECT_EQ(Collect(&otherArray, "GaloisOrbits", 3, a, &other), -1);
  EXPECT_EQ(other, 1);
}

}  // namespace
