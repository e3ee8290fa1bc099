// The accumulator of real linear equations: redundant and contradictory rows, solving when
// every variable is determined, enumeration of the integer points of a box, conversion to
// integer rows, the vector test, and the one-equation helper of the standard-model search.
#include <gtest/gtest.h>

#include <vector>

#include "TestSupport.h"
#include "strings/Tadpole.h"

namespace {

class TadpoleRealEquationsTest : public ZoqTest {};

int add(int n, std::vector<double> row, int mode = 1, int** out = nullptr) {
  return CollectDoubleEquations(n, row.data(), out, mode, nullptr, nullptr, nullptr);
}

TEST_F(TadpoleRealEquationsTest, RepeatedRowIsRedundantAndZeroEqualsOneContradicts) {
  EXPECT_EQ(CollectDoubleEquations(3, nullptr, nullptr, 0, nullptr, nullptr, nullptr), 0);
  // x + y - 2 = 0
  EXPECT_EQ(add(3, {1, 1, 0, -2}), 1);
  EXPECT_EQ(add(3, {1, 1, 0, -2}), 2);
  // 2x + 2y - 4 = 0 is the same equation.
  EXPECT_EQ(add(3, {2, 2, 0, -4}), 2);
  // x + y - 3 = 0 then reduces to 0 = 1.
  EXPECT_EQ(add(3, {1, 1, 0, -3}), -1);
  EXPECT_EQ(CollectDoubleEquations(3, nullptr, nullptr, 6, nullptr, nullptr, nullptr), 1);
  // No variables at all: 0 = 0 is redundant, 0 = 1 contradicts.
  CollectDoubleEquations(0, nullptr, nullptr, 0, nullptr, nullptr, nullptr);
  EXPECT_EQ(add(0, {0}), 2);
  EXPECT_EQ(add(0, {1}), -1);
}

TEST_F(TadpoleRealEquationsTest, DeterminedSystemIsSolvedOrFoundNonIntegral) {
  CollectDoubleEquations(2, nullptr, nullptr, 0, nullptr, nullptr, nullptr);
  int* solution = nullptr;
  // x + y = 5, x - y = 1: x = 3, y = 2.
  EXPECT_EQ(add(2, {1, 1, -5}, 1, &solution), 1);
  EXPECT_EQ(add(2, {1, -1, -1}, 1, &solution), 0);
  ASSERT_NE(solution, nullptr);
  EXPECT_EQ(solution[0], 3);
  EXPECT_EQ(solution[1], 2);
  // x + y = 4, x - y = 1: x = 5/2 is not an integer, and the last row is stored.
  CollectDoubleEquations(2, nullptr, nullptr, 0, nullptr, nullptr, nullptr);
  EXPECT_EQ(add(2, {1, 1, -4}), 1);
  EXPECT_EQ(add(2, {1, -1, -1}), -2);
  EXPECT_EQ(CollectDoubleEquations(2, nullptr, nullptr, 6, nullptr, nullptr, nullptr), 2);
  // Mode 5 never solves.
  CollectDoubleEquations(1, nullptr, nullptr, 0, nullptr, nullptr, nullptr);
  EXPECT_EQ(add(1, {2, -6}, 5), 1);
}

struct Points {
  std::vector<std::vector<int>> seen;
  int reply = 1;
};
Points* points = nullptr;
int collectPoint(int k, const int*, const int solution[]) {
  points->seen.emplace_back(solution, solution + k);
  return points->reply;
}

TEST_F(TadpoleRealEquationsTest, EnumerationComputesPivotsAndOffersThemAboveTheirUpperBound) {
  // x0 + x1 + x2 = 4 with x1, x2 in [0, 2): x0 = 4 - x1 - x2, the pivot, is never tested
  // against its own upper bound (1 here).
  CollectDoubleEquations(3, nullptr, nullptr, 0, nullptr, nullptr, nullptr);
  EXPECT_EQ(add(3, {1, 1, 1, -4}, 5), 1);
  Points found;
  points = &found;
  DoubleEquationEnumeration record;
  record.k = 3;
  record.fn = collectPoint;
  std::vector<int> lower = {0, 0, 0}, upper = {1, 2, 2};
  EXPECT_EQ(CollectDoubleEquations(3, nullptr, nullptr, 2, lower.data(), upper.data(), &record), 0);
  EXPECT_EQ(record.count, 4);
  EXPECT_EQ(found.seen,
            (std::vector<std::vector<int>>{{4, 0, 0}, {3, 0, 1}, {3, 1, 0}, {2, 1, 1}}));
  // The pivot's range is the single point of its lower bound.
  EXPECT_EQ(upper[0], 1);
  // A pivot value below its lower bound is skipped; stop after the first acceptance.
  found.seen.clear();
  lower = {3, 0, 0};
  upper = {4, 2, 2};
  record.stopAfterFirst = 1;
  EXPECT_EQ(CollectDoubleEquations(3, nullptr, nullptr, 2, lower.data(), upper.data(), &record), 0);
  EXPECT_EQ(found.seen, (std::vector<std::vector<int>>{{4, 0, 0}}));
  // Nothing accepted: -3.
  found.seen.clear();
  found.reply = 0;
  record.stopAfterFirst = 0;
  EXPECT_EQ(CollectDoubleEquations(3, nullptr, nullptr, 2, lower.data(), upper.data(), &record),
            -3);
  EXPECT_EQ(found.seen.size(), 3u);
  // 2 x0 = x1 + 1 over x1 in [0, 4): only odd x1 give integral x0.
  CollectDoubleEquations(2, nullptr, nullptr, 0, nullptr, nullptr, nullptr);
  add(2, {2, -1, -1}, 5);
  found.seen.clear();
  found.reply = 1;
  record.k = 2;
  lower = {0, 0};
  upper = {9, 4};
  EXPECT_EQ(CollectDoubleEquations(2, nullptr, nullptr, 2, lower.data(), upper.data(), &record), 0);
  EXPECT_EQ(found.seen, (std::vector<std::vector<int>>{{1, 1}, {2, 3}}));
  // Without a record the first point is the answer.
  int* first = nullptr;
  lower = {0, 0};
  upper = {9, 4};
  EXPECT_EQ(CollectDoubleEquations(2, nullptr, &first, 2, lower.data(), upper.data(), nullptr), 0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first[0], 1);
  EXPECT_EQ(first[1], 1);
  points = nullptr;
}

TEST_F(TadpoleRealEquationsTest, IntegerConversionUsesMultipliersUpTo1024) {
  // (2049, 1024, 0): divided by 1024 the first entry is 2049/1024, made integral by 1024.
  std::vector<double> row = {2049, 1024, 0};
  std::vector<int> out(3);
  EXPECT_EQ(convertEqnsToIntegers(row.data(), out.data(), 2, 1), 1);
  EXPECT_EQ(out, (std::vector<int>{2049, 1024, 0}));
  // A negative smallest entry stays the divisor: (-2, 4, 6) / -2 = (1, -2, -3).
  row = {-2, 4, 6};
  EXPECT_EQ(convertEqnsToIntegers(row.data(), out.data(), 2, 1), 1);
  EXPECT_EQ(out, (std::vector<int>{1, -2, -3}));
  // Thirds and halves combine to the multiplier 6: (1/2, 1/3, 1) / (1/3) = (3/2, 1, 3).
  row = {0.5, 1.0 / 3.0, 1};
  EXPECT_EQ(convertEqnsToIntegers(row.data(), out.data(), 2, 1), 1);
  EXPECT_EQ(out, (std::vector<int>{3, 2, 6}));
  // 1026/1025 needs the multiplier 1025: refused.
  row = {1026, 1025, 0};
  capture.clear();
  EXPECT_EQ(convertEqnsToIntegers(row.data(), out.data(), 2, 1), 0);
  EXPECT_EQ(capture.stdoutText, "Integer conversion impossible for       1.0009756\n");
}

TEST_F(TadpoleRealEquationsTest, IntegerRowsSolutionAndVectorTest) {
  CollectDoubleEquations(3, nullptr, nullptr, 0, nullptr, nullptr, nullptr);
  add(3, {0.5, 0.5, 0, -1}, 5);
  int* rows = nullptr;
  EXPECT_EQ(CollectDoubleEquations(3, nullptr, &rows, 7, nullptr, nullptr, nullptr), 1);
  ASSERT_NE(rows, nullptr);
  EXPECT_EQ(std::vector<int>(rows, rows + 4), (std::vector<int>{1, 1, 0, -2}));
  EXPECT_EQ(CollectDoubleEquations(3, nullptr, &rows, 4, nullptr, nullptr, nullptr), 11);
  std::vector<int> good = {2, 0, 7}, bad = {1, 0, 0};
  EXPECT_EQ(CollectDoubleEquations(3, nullptr, nullptr, 8, good.data(), nullptr, nullptr), 0);
  EXPECT_EQ(CollectDoubleEquations(3, nullptr, nullptr, 8, bad.data(), nullptr, nullptr), -3);
  // Determined: mode 4 writes the solution into the row.
  CollectDoubleEquations(1, nullptr, nullptr, 0, nullptr, nullptr, nullptr);
  add(1, {4, -2}, 5);
  std::vector<double> value(2, 0.0);
  EXPECT_EQ(CollectDoubleEquations(1, value.data(), nullptr, 4, nullptr, nullptr, nullptr), 0);
  EXPECT_DOUBLE_EQ(value[0], 0.5);
}

TEST_F(TadpoleRealEquationsTest, UnknownCoefficientsOfFourStacks) {
  // Unknowns of stacks 0 and 2; stacks 1 and 3 known with charges 2 and 3 over divisor 1:
  // c0 y0 + c2 y2 + (c1 2 + c3 3 + c4) = 0.
  const int undetermined[4] = {1, 0, 1, 0};
  const double coef[5] = {1, 1, 1, 1, -5};
  const int charges[4] = {0, 2, 0, 3};
  CollectDoubleEquations(2, nullptr, nullptr, 0, nullptr, nullptr, nullptr);
  EXPECT_EQ(solveForUnknownCoefs(undetermined, coef, charges, 1, 2), 1);  // y0 + y2 = 0
  EXPECT_EQ(solveForUnknownCoefs(undetermined, coef, charges, 1, 2), 1);  // redundant
  const double other[5] = {1, 1, 1, 1, -4};                               // y0 + y2 + 1 = 0
  EXPECT_EQ(solveForUnknownCoefs(undetermined, other, charges, 1, 2), 0);
}

}  // namespace
