// Ctrl-C inside the S rows, P elements and traces of a stored affine algebra, whose rows come
// from the S-matrix module in one pass: a pending interrupt ends the work by StopRequest,
// the orbit S matrix keeps nothing of a stopped row, the out-values of a stopped element or
// trace stay as they were, and the values asked for afterwards are right.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "InterruptTestSupport.h"
#include "TestSupport.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

using interrupt_test::pressControlC;
using interrupt_test::release;

class StoremanagerRowInterrupt : public interrupt_test::InterruptTest {};

// SU(2) at level k: S between the Dynkin labels a and b.
double su2S(int k, int a, int b) {
  return std::sqrt(2.0 / (k + 2)) * std::sin(kPi * (a + 1) * (b + 1) / (k + 2));
}

int labelOf(const SpectrumData* sd, int field) {
  return sd->labels[static_cast<std::size_t>(field) * static_cast<std::size_t>(sd->rep_size)];
}

TEST_F(StoremanagerRowInterrupt, CtrlCInARowOfSU2KeepsNothingOfItInTheOrbitMatrix) {
  // Level 3000: 3001 fields in 1501 orbits of the simple current, a row of S in one pass of
  // the sine formula.
  const int k = 3000;
  SpectrumData* sd = SM_getData(1, 1, k);
  ASSERT_NE(sd, nullptr);
  const int n = sd->n_primaries;
  double re = 0.0, im = 0.0;
  SM_getS(sd, 0, 0, &re, &im);  // the orbit S matrix exists now
  std::vector<int> columns(static_cast<std::size_t>(n));
  for (int b = 0; b < n; ++b) columns[static_cast<std::size_t>(b)] = b;
  std::vector<double> rowRe(static_cast<std::size_t>(n), 5.0),
      rowIm(static_cast<std::size_t>(n), 5.0);
  const int a = n - 1;
  pressControlC();
  EXPECT_THROW(SM_getSRow(sd, a, n, columns.data(), rowRe.data(), rowIm.data()), StopRequest);
  release();
  // Every element of the row is worked out afresh, and agrees with the sine formula.
  for (int b = 0; b < n; ++b) {
    SM_getS(sd, a, b, &re, &im);
    ASSERT_NEAR(re, su2S(k, labelOf(sd, a), labelOf(sd, b)), 1e-12) << b;
    ASSERT_EQ(im, 0.0) << b;
  }
}

TEST_F(StoremanagerRowInterrupt, CtrlCInAPElementOrATraceLeavesItsOutValues) {
  // Level 2000: P(a, b) and the traces sum over the 2001 fields.
  const int k = 2000;
  SpectrumData* sd = SM_getData(1, 1, k);
  ASSERT_NE(sd, nullptr);
  double re = 7.0, im = 7.0;
  pressControlC();
  EXPECT_THROW(SM_getP(sd, 0, 0, &re, &im), StopRequest);
  release();
  EXPECT_EQ(re, 7.0);
  EXPECT_EQ(im, 7.0);
  pressControlC();
  EXPECT_THROW(SM_computeTraceS(sd, &re, &im), StopRequest);
  release();
  EXPECT_EQ(re, 7.0);
  EXPECT_EQ(im, 7.0);
  pressControlC();
  EXPECT_THROW(SM_computeTraceSTQ(sd, &re, &im), StopRequest);
  release();
  EXPECT_EQ(re, 7.0);
  EXPECT_EQ(im, 7.0);
  // |P(0, 0)| of SU(2) at even level k: 2/sqrt(k+2) sin(pi/(2(k+2))), to the tolerance of the
  // sum; tr S = sum over a of sqrt(2/(k+2)) sin(pi (a+1)^2/(k+2)).
  SM_getP(sd, 0, 0, &re, &im);
  EXPECT_NEAR(std::hypot(re, im), 2.0 / std::sqrt(k + 2.0) * std::sin(kPi / (2.0 * (k + 2))), 1e-9);
  double trace = 0.0;
  for (int a = 0; a <= k; ++a) trace += su2S(k, a, a);
  SM_computeTraceS(sd, &re, &im);
  EXPECT_NEAR(re, trace, 1e-9);
  EXPECT_NEAR(im, 0.0, 1e-9);
}

}  // namespace
