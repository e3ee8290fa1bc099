// Rows of E6, E7 and E8 large enough to be summed in blocks of coset representatives on
// several threads (label "slow"): unitarity of the whole row, and sampled elements
// against the element routines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "lie/SmatrixInternal.h"
#include "program/Boot.h"
#include "SmatrixTestSupport.h"
#include "TestSupport.h"

using namespace smatrix_test;

namespace {

class SmatrixExceptionalRowSlowTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

TEST_F(SmatrixExceptionalRowSlowTest, BlockSummedRowsAreUnitAndAgreeWithTheElements) {
  struct Case {
    int rank;
    int level;
  };
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
