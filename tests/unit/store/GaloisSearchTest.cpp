// Bound analysis of the Galois-commutant search: normalisation, the tightening of the box
// by one inequality, the loop length, the echelon collection of equations, the store of
// inequalities, the coefficients of a matrix entry, and the text of a solution.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "store/Galois.h"
#include "store/GaloisSearch.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"

namespace {

using Row = std::vector<std::int64_t>;

class GaloisSearchTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

TEST_F(GaloisSearchTest, NormalizeDividesByTheGcdOfAllEntries) {
  Row row = {4, -6, 2};
  EXPECT_EQ(Normalize(3, row.data()), 2);
  EXPECT_EQ(row, (Row{2, -3, 1}));
  Row zero = {0, 0, 0};
  EXPECT_EQ(Normalize(3, zero.data()), 0);
  Row negative = {-3, -6, 0};
  EXPECT_EQ(Normalize(3, negative.data()), 3);  // positive gcd: the direction is kept
  EXPECT_EQ(negative, (Row{-1, -2, 0}));
}

TEST_F(GaloisSearchTest, OneInequalityTightensTheBox) {
  initBound(1);
  Row up = {1, -3};  // x - 3 >= 0
  BoundAnalysis(2, up.data());
  EXPECT_EQ(getMinimum()[0], 3);
  EXPECT_EQ(getMaximum()[0], 10000);
  initBound(1);
  Row down = {-1, 7};  // -x + 7 >= 0
  BoundAnalysis(2, down.data());
  EXPECT_EQ(getMaximum()[0], 7);
  EXPECT_EQ(getMinimum()[0], -10000);
  initBound(1);
  Row half = {2, -3};  // 2x - 3 >= 0: 3/2 truncated toward zero
  BoundAnalysis(2, half.data());
  EXPECT_EQ(getMinimum()[0], 1);
  // Two variables: x0 + x1 - 5 >= 0 with x1 <= 2 gives x0 >= 3.
  initBound(2);
  Row cap = {0, -1, 2};
  BoundAnalysis(3, cap.data());
  Row sum = {1, 1, -5};
  BoundAnalysis(3, sum.data());
  EXPECT_EQ(getMinimum()[0], 3);
}

TEST_F(GaloisSearchTest, LoopLength) {
  initBound(3);
  EXPECT_EQ(LoopLen(4), 2147483647);  // 20001^3 does not fit
  EXPECT_EQ(LoopLen(1), 1);
  initBound(2);
  EXPECT_EQ(LoopLen(3), 20001LL * 20001LL);
  Row fix = {1, 0, -4};  // x0 >= 4
  Row cap = {-1, 0, 3};  // x0 <= 3: empty
  BoundAnalysis(3, fix.data());
  BoundAnalysis(3, cap.data());
  EXPECT_EQ(LoopLen(3), 0);
}

TEST_F(GaloisSearchTest, EchelonCollection) {
  GaloisEchelon pool;
  Row first = {1, 2, 0, 3};
  EXPECT_EQ(CollectEqn(pool, 4, first.data()), 1);
  EXPECT_EQ(pool.count, 1);
  EXPECT_EQ(pool.pivots[0], 3);  // the last non-zero entry (the constant counts)
  Row multiple = {-2, -4, 0, -6};
  EXPECT_EQ(CollectEqn(pool, 4, multiple.data()), 0);
  EXPECT_EQ(pool.count, 1);
  Row second = {0, 1, 1, 1};
  EXPECT_EQ(CollectEqn(pool, 4, second.data()), 1);
  EXPECT_EQ(pool.count, 2);
  // second - first / 3 * ... : the new row is reduced by the first (pivot 3), and the first
  // loses its entry in the new pivot column.
  const int p1 = pool.pivots[1];
  EXPECT_EQ(pool.row(0)[p1], 0);
  EXPECT_NE(pool.row(1)[p1], 0);
  EXPECT_EQ(pool.row(1)[3], 0);
  // A combination of the two collected rows reduces to zero.
  Row combination = {1, 3, 1, 4};
  EXPECT_EQ(CollectEqn(pool, 4, combination.data()), 0);
  EXPECT_EQ(pool.count, 2);
}

TEST_F(GaloisSearchTest, EchelonOverflowIsReportedAndChangesNothing) {
  GaloisEchelon pool;
  Row first = {3, 0, 4000000000000000000LL};
  ASSERT_EQ(CollectEqn(pool, 3, first.data()), 1);
  Row second = {0, 5, 4000000000000000001LL};
  OutputCapture capture;
  EXPECT_EQ(CollectEqn(pool, 3, second.data()), -1);
  EXPECT_NE(capture.all.find("Integer overflow"), std::string::npos) << capture.all;
  EXPECT_EQ(pool.count, 1);
  EXPECT_EQ(pool.row(0)[2], 4000000000000000000LL);
}

TEST_F(GaloisSearchTest, InequalitiesAreStoredOnceAndChecked) {
  initBound(2);
  Row a = {2, 0, -4};  // x0 >= 2 after normalising
  EXPECT_EQ(Bound(3, a.data()), 1);
  Row again = {1, 0, -2};
  EXPECT_EQ(Bound(3, again.data()), 0);
  Row zero = {0, 0, 0};
  EXPECT_EQ(Bound(3, zero.data()), 0);
  EXPECT_EQ(getBFILL(), 1);
  EXPECT_EQ(getMinimum()[0], 2);
  const int inside[2] = {2, -5};
  const int outside[2] = {1, 0};
  EXPECT_EQ(checkBounds(2, inside, 1), 0);
  EXPECT_EQ(checkBounds(2, outside, 1), 1);
  // An equation x0 - x1 = 0 becomes two inequalities.
  GaloisEchelon pool;
  Row equal = {1, -1, 0};
  ASSERT_EQ(CollectEqn(pool, 3, equal.data()), 1);
  AddBounds(pool, 3, 1);
  EXPECT_EQ(getBFILL(), 3);
  const int same[2] = {3, 3};
  const int apart[2] = {3, 4};
  EXPECT_EQ(checkBounds(2, same, 3), 0);
  EXPECT_EQ(checkBounds(2, apart, 3), 1);
}

TEST_F(GaloisSearchTest, PairwiseEliminationNarrowsTheBox) {
  // x0 - x1 >= 0 and x1 - x0 + ... : x1 >= 5 and x0 <= 5 and x0 - x1 >= 0 pin both at 5.
  initBound(2);
  Row r1 = {1, -1, 0};
  Row r2 = {0, 1, -5};
  Row r3 = {-1, 0, 5};
  Bound(3, r1.data());
  Bound(3, r2.data());
  Bound(3, r3.data());
  ReBound(3);
  generateNewBounds(3);
  EXPECT_LT(LoopLen(3), 1000000);
  const int five[2] = {5, 5};
  EXPECT_EQ(checkBounds(2, five, getBFILL()), 0);
  EXPECT_LE(getMinimum()[0], 5);
  EXPECT_GE(getMaximum()[0], 5);
}

TEST_F(GaloisSearchTest, ForcedShrinkingSaysSo) {
  initBound(3);
  OutputCapture capture;
  reduceLoopLen(4);
  EXPECT_LE(LoopLen(4), 999999);
  EXPECT_NE(capture.all.find("search truncated"), std::string::npos) << capture.all;
}

TEST_F(GaloisSearchTest, CoefficientsOfAMatrixEntry) {
  // Three fields; row 0 the identity (kind 1), row 1 the swap 1 <-> 2 with a sign on 2 -> 1
  // (kind 0), row 2 the scale map 0 -> 0, 1 -> 0, 2 -> none, row 3 its partner (kind 2).
  const std::vector<int> rows = {1, 2, 3, 1, 3, -2, 1, -1, 0, -1, -1, 0};
  const std::vector<int> kinds = {1, 0, 0, 2};
  Row eq(5, 99);
  // Entry (1, 2): +1 for 1 -> 2 and -1 for 2 -> 1 cancel; nothing else reaches it.
  EXPECT_EQ(BuildEquation(rows.data(), kinds.data(), eq.data(), 1, 2, 3, 4), 0);
  EXPECT_EQ(eq, (Row{0, 0, 0, 0, 0}));
  EXPECT_EQ(BuildEquation(rows.data(), kinds.data(), eq.data(), 0, 0, 3, 4), 4);
  EXPECT_EQ(eq[0], 1);      // identity
  EXPECT_EQ(eq[1], 2);      // 0 fixed, counted from both sides
  EXPECT_EQ(eq[2], 2);      // the scale map fixes 0
  EXPECT_EQ(eq[3], 1 + 2);  // sigma(0) = sigma(0) with sign (+1)(+1), and 0 and 1 map to 0
  BuildEquation(rows.data(), kinds.data(), eq.data(), 0, 1, 3, 4);
  EXPECT_EQ(eq[3], -1);  // sigma(0) = sigma(1) = 0 with signs +1 and -1
  EXPECT_EQ(eq[2], -1);  // 1 -> 0 with sign -1
}

TEST_F(GaloisSearchTest, SolutionText) {
  const int x[4] = {1, 0, 2, -1};
  EXPECT_EQ(galoisSolutionText(x, 4), "\nSolution for galois commutant\n [0]+2*[2]-[3]\n\n");
  const int negative[2] = {-3, 1};
  EXPECT_EQ(galoisSolutionText(negative, 2), "\nSolution for galois commutant\n-3*[0]+[1]\n\n");
  const int none[2] = {0, 0};
  EXPECT_EQ(galoisSolutionText(none, 2), "\nSolution for galois commutant\n\n\n");
  // Terms as long as "-10000*[123]+" are never cut, and long sums wrap with six blanks.
  std::vector<int> many(130, 0);
  for (int i = 100; i < 130; ++i) many[i] = -10000;
  const std::string text = galoisSolutionText(many.data(), 130);
  EXPECT_NE(text.find("-10000*[129]\n\n"), std::string::npos);
  EXPECT_NE(text.find("\n      -10000*["), std::string::npos) << text;
  std::size_t lineStart = text.find('\n', 1) + 1;
  for (std::size_t at = text.find('\n', lineStart); at != std::string::npos;
       at = text.find('\n', lineStart)) {
    EXPECT_LE(at - lineStart, 61u + 14u) << text;
    lineStart = at + 1;
  }
}

TEST_F(GaloisSearchTest, AnIdentityOnlyBasisGivesTheDiagonalInvariantAlone) {
  const int n = 3;
  const std::vector<int> rows = {1, 2, 3};
  const std::vector<int> kinds = {1};
  const std::vector<int> T = {0, 1, 2};
  OutputCapture quiet;
  const std::vector<std::vector<int>> solutions =
      searchGaloisCommutant(rows.data(), kinds.data(), T.data(), 8, n, 1);
  ASSERT_EQ(solutions.size(), 1u);
  EXPECT_EQ(solutions[0], std::vector<int>{1});
  std::vector<int> Z;
  ASSERT_TRUE(galoisSolutionMatrix(solutions[0].data(), rows.data(), kinds.data(), n, 1, Z));
  EXPECT_EQ(Z, (std::vector<int>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
  const int negative[1] = {-1};
  EXPECT_FALSE(galoisSolutionMatrix(negative, rows.data(), kinds.data(), n, 1, Z));
}

// A1 at one level, its Galois basis, and the modular-invariant matrix of every solution
// of the commutant search that has one.
struct SuTwoSearch {
  SpectrumData* sd = nullptr;
  int n = 0;
  std::vector<int> rows;
  std::vector<int> kinds;
  std::vector<std::vector<int>> matrices;
};

void searchSuTwo(int level, SuTwoSearch& out) {
  {
    OutputCapture quiet;
    out.sd = SM_getData(1, 1, level);
  }
  ASSERT_NE(out.sd, nullptr);
  out.n = out.sd->n_primaries;
  ASSERT_TRUE(SM_collectGaloisBasis(out.sd, out.rows, out.kinds));
  const int m = static_cast<int>(out.kinds.size());
  ASSERT_GE(m, 1);
  std::vector<std::vector<int>> solutions;
  {
    OutputCapture quiet;
    solutions = searchGaloisCommutant(out.rows.data(), out.kinds.data(), out.sd->weight_num,
                                      out.sd->weight_den, out.n, m);
  }
  for (const std::vector<int>& x : solutions) {
    std::vector<int> Z;
    if (galoisSolutionMatrix(x.data(), out.rows.data(), out.kinds.data(), out.n, m, Z))
      out.matrices.push_back(Z);
  }
}

TEST_F(GaloisSearchTest, SuTwoLevelFourHasTheDiagonalAndTheDInvariantAmongItsSolutions) {
  SuTwoSearch search;
  ASSERT_NO_FATAL_FAILURE(searchSuTwo(4, search));
  SpectrumData* sd = search.sd;
  const int n = search.n;
  ASSERT_EQ(n, 5);
  // The field of SU(2) spin label j.
  auto field = [&](int j) {
    for (int a = 0; a < n; ++a) {
      if (SM_getRep(sd, a)[0] == j) return a;
    }
    return -1;
  };
  std::vector<int> diagonal(static_cast<std::size_t>(n) * n, 0);
  for (int a = 0; a < n; ++a) diagonal[static_cast<std::size_t>(a) * n + a] = 1;
  // |chi_0 + chi_4|^2 + 2 |chi_2|^2.
  std::vector<int> dSeries(static_cast<std::size_t>(n) * n, 0);
  for (int a : {field(0), field(4)}) {
    for (int b : {field(0), field(4)}) dSeries[static_cast<std::size_t>(a) * n + b] = 1;
  }
  dSeries[static_cast<std::size_t>(field(2)) * n + field(2)] = 2;
  bool haveDiagonal = false;
  bool haveD = false;
  for (const std::vector<int>& Z : search.matrices) {
    EXPECT_EQ(Z[0], 1);
    // Only fields of equal weight modulo integers are paired.
    for (int a = 0; a < n; ++a) {
      for (int b = 0; b < n; ++b) {
        if (Z[static_cast<std::size_t>(a) * n + b] != 0) {
          EXPECT_EQ((sd->weight_num[a] - sd->weight_num[b]) % sd->weight_den, 0);
        }
      }
    }
    haveDiagonal = haveDiagonal || Z == diagonal;
    haveD = haveD || Z == dSeries;
  }
  EXPECT_TRUE(haveDiagonal);
  EXPECT_TRUE(haveD);
}

TEST_F(GaloisSearchTest, SuTwoLevelTenFindsTheESixInvariant) {
  SuTwoSearch search;
  ASSERT_NO_FATAL_FAILURE(searchSuTwo(10, search));
  const int n = search.n;
  // The built-in E6 invariant of A1 level 10 commutes with every Galois permutation.
  std::vector<int> e6(static_cast<std::size_t>(n) * n, 0);
  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b)
      e6[static_cast<std::size_t>(a) * n + b] = ExceptionalModularMatrix(a, b, 1);
  }
  // |chi_0 + chi_6|^2 + |chi_3 + chi_7|^2 + |chi_4 + chi_10|^2: three 2 x 2 blocks of ones.
  int ones = 0;
  for (int v : e6) ones += v;
  ASSERT_EQ(ones, 12);
  bool found = false;
  for (const std::vector<int>& Z : search.matrices) found = found || Z == e6;
  EXPECT_TRUE(found);
}

}  // namespace
