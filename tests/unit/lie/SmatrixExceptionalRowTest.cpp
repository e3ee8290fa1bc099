// Rows of the E6, E7 and E8 S matrices computed for the whole row at once: agreement with
// the element routines, and the mathematics of a row (unitarity, the positive vacuum
// column, symmetry of the matrix the rows make up), large rows summed in blocks included.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "lie/SmatrixInternal.h"
#include "program/Boot.h"
#include "SmatrixTestSupport.h"
#include "TestSupport.h"

using namespace smatrix_test;

namespace {

class SmatrixExceptionalRowTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

struct Row {
  std::vector<double> re, im;
  Complex at(std::size_t b) const { return {re[b], im[b]}; }
};

std::vector<const int*> columnsOf(const std::vector<Labels>& fields) {
  std::vector<const int*> columns;
  for (const Labels& f : fields) columns.push_back(f.data());
  return columns;
}

Row exceptionalRow(int rank, int level, const Labels& a, const std::vector<Labels>& fields) {
  const std::vector<const int*> columns = columnsOf(fields);
  Row row;
  row.re.assign(fields.size(), 7.0);
  row.im.assign(fields.size(), 7.0);
  EXPECT_TRUE(smatrix_internal::exceptionalRow(rank, level, a.data(), static_cast<int>(fields.size()),
                                               columns.data(), row.re.data(), row.im.data()));
  return row;
}

// The element routine of the algebra: the Weyl sum of one element, without the vacuum's
// product formula.
Complex elementSum(int rank, int level, const Labels& a, const Labels& b) {
  double re = 0.0, im = 0.0;
  if (rank == 6) ZoqE6(a.data(), b.data(), &re, &im, level);
  if (rank == 7) ZoqE7(a.data(), b.data(), &re, &im, level);
  if (rank == 8) ZoqE8(a.data(), b.data(), &re, &im, level);
  return {re, im};
}

double largest(const Row& row) {
  double m = 0.0;
  for (std::size_t b = 0; b < row.re.size(); ++b) m = std::max(m, std::abs(row.at(b)));
  return m;
}

struct Case {
  int rank;
  int level;
};

// Rows a few steps apart through the field list, the vacuum's among them.
std::vector<std::size_t> someRows(std::size_t n) {
  std::vector<std::size_t> rows{0, 1, n / 3, n / 2, n - 1};
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

TEST_F(SmatrixExceptionalRowTest, RowsAgreeWithTheElementRoutines) {
  // Both sum the same Weyl-group terms, grouped differently: rounding apart, relative to
  // the row's largest element (individual elements may be cancellations down to 1e-17).
  for (Case c : {Case{6, 2}, Case{6, 5}, Case{6, 9}, Case{7, 2}, Case{7, 5}, Case{7, 8}, Case{8, 3}, Case{8, 6},
                 Case{8, 10}}) {
    const std::vector<Labels> fields = integrableWeights(5, c.rank, c.level);
    for (std::size_t a : someRows(fields.size())) {
      const Row row = exceptionalRow(c.rank, c.level, fields[a], fields);
      const double scale = largest(row);
      for (std::size_t b = 0; b < fields.size(); ++b) {
        const Complex expected = elementSum(c.rank, c.level, fields[a], fields[b]);
        ASSERT_LE(std::abs(row.at(b) - expected), 1e-12 * scale)
            << "E" << c.rank << " level " << c.level << " row " << a << " column " << b;
      }
    }
  }
}

TEST_F(SmatrixExceptionalRowTest, RowsAreUnitWithAPositiveVacuumColumn) {
  // S is unitary: sum_b |S_ab|^2 = 1; S_a0 = S_0a = the quantum dimension times S_00 > 0.
  for (Case c : {Case{6, 3}, Case{6, 7}, Case{7, 3}, Case{7, 6}, Case{8, 4}, Case{8, 8}}) {
    const std::vector<Labels> fields = integrableWeights(5, c.rank, c.level);
    const std::size_t vacuum = 0;  // all finite labels 0 come first
    ASSERT_EQ(fields[vacuum][c.rank], c.level);
    for (std::size_t a = 0; a < fields.size(); ++a) {
      const Row row = exceptionalRow(c.rank, c.level, fields[a], fields);
      double norm = 0.0;
      for (std::size_t b = 0; b < fields.size(); ++b) norm += std::norm(row.at(b));
      EXPECT_NEAR(norm, 1.0, 1e-10) << "E" << c.rank << " level " << c.level << " row " << a;
      EXPECT_GT(row.re[vacuum], 1e-6) << "E" << c.rank << " level " << c.level << " row " << a;
      EXPECT_NEAR(row.im[vacuum], 0.0, 1e-12);
      if (c.rank != 6) {
        for (double v : row.im) ASSERT_EQ(v, 0.0);
      }
    }
  }
}

TEST_F(SmatrixExceptionalRowTest, RowsMakeASymmetricMatrix) {
  for (Case c : {Case{6, 4}, Case{7, 4}, Case{8, 5}}) {
    const std::vector<Labels> fields = integrableWeights(5, c.rank, c.level);
    std::vector<Row> rows;
    for (const Labels& a : fields) rows.push_back(exceptionalRow(c.rank, c.level, a, fields));
    for (std::size_t a = 0; a < fields.size(); ++a) {
      for (std::size_t b = 0; b < a; ++b)
        ASSERT_LE(std::abs(rows[a].at(b) - rows[b].at(a)), 1e-13) << "E" << c.rank << " " << a << ", " << b;
    }
  }
}

TEST_F(SmatrixExceptionalRowTest, E8AtLevelTwoIsTheIsingMatrix) {
  // Vacuum, label 1 at position 0, label 1 at position 6: ((1/2, 1/sqrt 2, 1/2),
  // (1/sqrt 2, 0, -1/sqrt 2), (1/2, -1/sqrt 2, 1/2)).
  const std::vector<Labels> fields{{0, 0, 0, 0, 0, 0, 0, 0, 2}, {1, 0, 0, 0, 0, 0, 0, 0, 0},
                                   {0, 0, 0, 0, 0, 0, 1, 0, 0}};
  const double h = 1.0 / std::sqrt(2.0);
  const double expected[3][3] = {{0.5, h, 0.5}, {h, 0.0, -h}, {0.5, -h, 0.5}};
  for (std::size_t a = 0; a < 3; ++a) {
    const Row row = exceptionalRow(8, 2, fields[a], fields);
    for (std::size_t b = 0; b < 3; ++b) {
      EXPECT_NEAR(row.re[b], expected[a][b], 1e-12) << a << ", " << b;
      EXPECT_EQ(row.im[b], 0.0);
    }
  }
}

TEST_F(SmatrixExceptionalRowTest, ColumnsInAnyOrderAndRepeatedGiveTheSameValues) {
  // The row sorts its columns internally: a shuffled list with repeats must give each
  // column the value it has in the plain list.
  const std::vector<Labels> fields = integrableWeights(5, 7, 5);
  const Row plain = exceptionalRow(7, 5, fields[7], fields);
  std::vector<Labels> shuffled;
  std::vector<std::size_t> source;
  for (std::size_t k = 0; k < fields.size(); ++k) {
    const std::size_t b = (k * 17 + 5) % fields.size();
    shuffled.push_back(fields[b]);
    source.push_back(b);
    if (k % 5 == 0) shuffled.push_back(fields[b]), source.push_back(b);
  }
  const Row row = exceptionalRow(7, 5, fields[7], shuffled);
  for (std::size_t k = 0; k < shuffled.size(); ++k)
    EXPECT_LE(std::abs(row.at(k) - plain.at(source[k])), 1e-13) << k;
  // No columns at all: nothing to write, and no failure.
  double unused = 3.0;
  EXPECT_TRUE(smatrix_internal::exceptionalRow(7, 5, fields[7].data(), 0, nullptr, &unused, &unused));
  EXPECT_EQ(unused, 3.0);
}

TEST_F(SmatrixExceptionalRowTest, OtherRanksAreNotRows) {
  const Labels a{0, 0, 0, 0, 1};
  const int* column = a.data();
  double re = 5.0, im = 5.0;
  EXPECT_FALSE(smatrix_internal::exceptionalRow(4, 1, a.data(), 1, &column, &re, &im));
  EXPECT_EQ(re, 5.0);
  EXPECT_EQ(im, 5.0);
}

TEST_F(SmatrixExceptionalRowTest, SDirectRowEqualsSDirectOnTheExceptionalAlgebras) {
  // The store's rows: the vacuum column and the vacuum row keep the product formula
  // (identical values); the other elements agree to rounding.
  for (Case c : {Case{6, 4}, Case{7, 4}, Case{8, 5}}) {
    const std::vector<Labels> fields = integrableWeights(5, c.rank, c.level);
    const std::vector<const int*> columns = columnsOf(fields);
    for (std::size_t a : someRows(fields.size())) {
      std::vector<double> re(fields.size()), im(fields.size());
      SDirectRow(5, c.rank, c.level, fields[a].data(), static_cast<int>(fields.size()), columns.data(), re.data(),
                 im.data());
      for (std::size_t b = 0; b < fields.size(); ++b) {
        double eRe = 0.0, eIm = 0.0;
        SDirect(5, c.rank, c.level, fields[a].data(), fields[b].data(), &eRe, &eIm);
        if (a == 0 || b == 0) {
          EXPECT_EQ(re[b], eRe) << a << ", " << b;
          EXPECT_EQ(im[b], eIm) << a << ", " << b;
        } else {
          EXPECT_LE(std::hypot(re[b] - eRe, im[b] - eIm), 1e-13) << a << ", " << b;
        }
      }
    }
  }
}

// Rows large enough to be summed in blocks of coset representatives, on several threads.
TEST_F(SmatrixExceptionalRowTest, BlockSummedRowsAreUnitAndAgreeWithTheElements) {
  // Columns times representatives above a million: E6 24 (40,795 x 27), E7 22 (17,344 x
  // 63), E8 27 (11,772 x 135).
  for (Case c : {Case{6, 24}, Case{7, 22}, Case{8, 27}}) {
    const std::vector<Labels> fields = integrableWeights(5, c.rank, c.level);
    std::vector<const int*> columns;
    for (const Labels& f : fields) columns.push_back(f.data());
    for (std::size_t a : {std::size_t{1}, fields.size() / 2}) {
      std::vector<double> re(fields.size()), im(fields.size());
      ASSERT_TRUE(smatrix_internal::exceptionalRow(c.rank, c.level, fields[a].data(), static_cast<int>(fields.size()),
                                                   columns.data(), re.data(), im.data()));
      double norm = 0.0, scale = 0.0;
      for (std::size_t b = 0; b < fields.size(); ++b) {
        norm += re[b] * re[b] + im[b] * im[b];
        scale = std::max(scale, std::hypot(re[b], im[b]));
      }
      EXPECT_NEAR(norm, 1.0, 1e-10) << "E" << c.rank << " level " << c.level << " row " << a;
      EXPECT_GT(re[0], 0.0);
      for (std::size_t b = 0; b < fields.size(); b += 97) {
        double eRe = 0.0, eIm = 0.0;
        if (c.rank == 6) ZoqE6(fields[a].data(), fields[b].data(), &eRe, &eIm, c.level);
        if (c.rank == 7) ZoqE7(fields[a].data(), fields[b].data(), &eRe, &eIm, c.level);
        if (c.rank == 8) ZoqE8(fields[a].data(), fields[b].data(), &eRe, &eIm, c.level);
        ASSERT_LE(std::hypot(re[b] - eRe, im[b] - eIm), 1e-12 * scale) << "E" << c.rank << " column " << b;
      }
    }
  }
}

}  // namespace
