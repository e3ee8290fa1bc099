// Ctrl-C inside a row of S (SDirectRow): a pending interrupt ends the row by StopRequest on
// each of its ways (the closed form of A1, the row formula of A_r, element by element for
// the other algebras), and the row computed afterwards has the right values.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "InterruptTestSupport.h"
#include "SmatrixTestSupport.h"
#include "TestSupport.h"
#include "lie/Smatrix.h"
#include "runtime/Terminal.h"

using namespace smatrix_test;

namespace {

using interrupt_test::pressControlC;
using interrupt_test::release;

class SmatrixRowInterruptTest : public interrupt_test::InterruptTest {};

// Every row of the algebra from the given first weight: stopped by a pending Ctrl-C, then
// complete and equal to SDirect element by element.
void expectRowStoppedThenRight(int type, int rank, int level, std::size_t row) {
  const std::vector<Labels> weights = integrableWeights(type, rank, level);
  ASSERT_GT(weights.size(), row);
  std::vector<const int*> columns;
  for (const Labels& b : weights) columns.push_back(b.data());
  const int count = static_cast<int>(columns.size());
  std::vector<double> re(weights.size()), im(weights.size());
  const int* a = weights[row].data();
  pressControlC();
  EXPECT_THROW(SDirectRow(type, rank, level, a, count, columns.data(), re.data(), im.data()),
               StopRequest)
      << type << " " << rank << " " << level;
  release();
  SDirectRow(type, rank, level, a, count, columns.data(), re.data(), im.data());
  for (std::size_t b = 0; b < weights.size(); b += 97) {
    double wantRe = 0.0, wantIm = 0.0;
    SDirect(type, rank, level, a, weights[b].data(), &wantRe, &wantIm);
    EXPECT_NEAR(re[b], wantRe, 1e-12) << b;
    EXPECT_NEAR(im[b], wantIm, 1e-12) << b;
  }
}

TEST_F(SmatrixRowInterruptTest, CtrlCEndsARowOfA1) {
  // 5001 fields; the row of the label 7, by the sine formula.
  expectRowStoppedThenRight(1, 1, 5000, 7);
}

TEST_F(SmatrixRowInterruptTest, CtrlCEndsARowOfA2) {
  // (k+1)(k+2)/2 = 5151 fields at level 100, by the row formula of A_r.
  expectRowStoppedThenRight(1, 2, 100, 3);
}

TEST_F(SmatrixRowInterruptTest, CtrlCEndsARowOfC2) {
  // C2 at level 60: (k+1)(k+2)/2 = 1891 fields, element by element.
  expectRowStoppedThenRight(3, 2, 60, 5);
}

}  // namespace
