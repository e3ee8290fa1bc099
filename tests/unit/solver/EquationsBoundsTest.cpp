// Bounds from one equation against the term-by-term computation (for each variable the sums
// over all other terms, in column order, afresh): the same bounds, the same count of moved
// bounds and the same result, on seeded random rows with integer, dyadic and non-dyadic
// coefficients, rows whose limits fall on the rounding margins, and long rows; and the
// bound analysis over the stored equations ends at Ctrl-C.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "numbers/MathUtility.h"
#include "program/Boot.h"
#include "runtime/Terminal.h"
#include "solver/Equations.h"

namespace {

class EquationsBoundsTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

// The rounding of a new bound (margin 0.001, only within -100000 .. 100000).
bool naiveMinimum(double value, int* min) {
  if (value < -100000.0) return false;
  const double candidate = std::floor(std::min(value, 100000.0) - 0.001 + 1.0);
  if (!(candidate > *min)) return false;
  *min = static_cast<int>(candidate);
  return true;
}
bool naiveMaximum(double value, int* max) {
  value = std::max(value, -100000.0);
  if (value > 100000.0) return false;
  const double candidate = std::floor(value + 0.001);
  if (!(candidate < *max)) return false;
  *max = static_cast<int>(candidate);
  return true;
}

// The oracle: a[i] x[i] lies in [-hi, -lo] with lo and hi summed over j != i in column
// order with the bounds as they are at that moment.
int naiveBounds(const std::vector<double>& a, std::vector<int>& min, std::vector<int>& max) {
  const int N = static_cast<int>(a.size());
  if (N < 2) return -4;
  int changes = 0;
  for (int i = 0; i < N - 1; ++i) {
    if (ZeroCheck(a[i]) || min[i] == max[i]) continue;
    double lo = 0, hi = 0;
    for (int j = 0; j < N; ++j) {
      if (j == i) continue;
      if (a[j] > 0) {
        lo += a[j] * min[j];
        hi += a[j] * max[j];
      } else {
        lo += a[j] * max[j];
        hi += a[j] * min[j];
      }
    }
    const double lower = a[i] > 0 ? -hi / a[i] : -lo / a[i];
    const double upper = a[i] > 0 ? -lo / a[i] : -hi / a[i];
    changes += naiveMinimum(lower, &min[i]) ? 1 : 0;
    changes += naiveMaximum(upper, &max[i]) ? 1 : 0;
    if (min[i] > max[i]) return -1;
  }
  double product = 1.0;
  for (int i = 0; i < N - 1; ++i) {
    if (max[i] < min[i]) return -1;
    product *= static_cast<double>(max[i]) - min[i] + 1;
  }
  if (product < 1.5) return -4;
  if (product < 10000000.0) return -3;
  return changes;
}

struct Case {
  std::vector<double> a;
  std::vector<int> min, max;
};

// Both computations on copies of the case; the failure message names the case.
void expectSameBounds(const Case& c, const std::string& name) {
  std::vector<int> minA = c.min, maxA = c.max, minB = c.min, maxB = c.max;
  const int expected = naiveBounds(c.a, minA, maxA);
  const int result = getVariableBounds(c.a.data(), static_cast<int>(c.a.size()), minB.data(), maxB.data());
  ASSERT_EQ(result, expected) << name;
  if (expected == -1) return;  // the bounds past the emptied range are not compared
  ASSERT_EQ(minB, minA) << name;
  ASSERT_EQ(maxB, maxA) << name;
}

// A row of n loop variables plus the constant, coefficients drawn by `draw`, bounds
// 0..hi (some negative, some fixed), the constant column fixed to 1.
template <class Draw>
Case randomCase(std::mt19937& random, int n, int hi, Draw draw) {
  Case c;
  std::uniform_int_distribution<int> bound(0, hi);
  std::uniform_int_distribution<int> kind(0, 9);
  for (int j = 0; j < n; ++j) {
    c.a.push_back(draw(random));
    int lo = kind(random) == 0 ? -bound(random) : 0;
    int up = bound(random);
    if (kind(random) == 1) up = lo;
    c.min.push_back(std::min(lo, up));
    c.max.push_back(std::max(lo, up));
  }
  std::uniform_int_distribution<int> constant(-5 * hi, 5 * hi);
  c.a.push_back(static_cast<double>(constant(random)) / 3.0);
  c.min.push_back(1);
  c.max.push_back(1);
  return c;
}

TEST_F(EquationsBoundsTest, IntegerRowsGiveTheTermByTermBounds) {
  std::mt19937 random(20261208);
  std::uniform_int_distribution<int> coefficient(-6, 6);
  auto draw = [&](std::mt19937& r) { return static_cast<double>(coefficient(r)); };
  for (int t = 0; t < 400; ++t) {
    const int n = 1 + t % 40;
    expectSameBounds(randomCase(random, n, 1 + t % 25, draw), "integer " + std::to_string(t));
  }
}

TEST_F(EquationsBoundsTest, FractionalRowsGiveTheTermByTermBounds) {
  // Thirds, sevenths and tenths have no exact double: the sums in column order round, and
  // so do the running totals, differently.
  std::mt19937 random(777);
  std::uniform_int_distribution<int> numerator(-40, 40);
  const double denominators[] = {2.0, 3.0, 7.0, 10.0, 144.0};
  std::uniform_int_distribution<int> which(0, 4);
  auto draw = [&](std::mt19937& r) { return numerator(r) / denominators[which(r)]; };
  for (int t = 0; t < 600; ++t) {
    const int n = 1 + t % 60;
    expectSameBounds(randomCase(random, n, 1 + t % 12, draw), "fraction " + std::to_string(t));
  }
}

TEST_F(EquationsBoundsTest, LimitsOnTheRoundingMarginsGiveTheTermByTermBounds) {
  // x0 = (1.001 k) - 0.1 (x1 + ... + x10) with the tenths summing to whole numbers only up
  // to their rounding: the limits of x0 sit on the margin 0.001 of the bound rounding,
  // where a sum taken another way could round to the other side.
  for (int k = 1; k <= 200; ++k) {
    for (int fill = 0; fill <= 10; ++fill) {
      Case c;
      c.a.push_back(1.0);
      c.min.push_back(-50);
      c.max.push_back(5000);
      for (int j = 0; j < 10; ++j) {
        c.a.push_back(0.1);
        c.min.push_back(j < fill ? 1 : 0);
        c.max.push_back(j < fill ? 1 : 0);
      }
      c.a.push_back(-1.001 * k);
      c.min.push_back(1);
      c.max.push_back(1);
      expectSameBounds(c, "margin " + std::to_string(k) + " " + std::to_string(fill));
      // The same with a coefficient 1000 on x0: limits k/1000-ish on the margin itself.
      c.a[0] = 1000.0;
      c.a.back() = -static_cast<double>(k) - 0.001 * 1000.0;
      expectSameBounds(c, "margin1000 " + std::to_string(k) + " " + std::to_string(fill));
    }
  }
}

TEST_F(EquationsBoundsTest, LongRowsAndWideBoundsGiveTheTermByTermBounds) {
  std::mt19937 random(4575);
  std::uniform_int_distribution<int> numerator(-9, 9);
  auto draw = [&](std::mt19937& r) { return numerator(r) / 4.0 + (numerator(r) == 0 ? 1.0 / 3.0 : 0.0); };
  for (int t = 0; t < 6; ++t) {
    Case c = randomCase(random, 1500 + 500 * t, 1000000, draw);
    expectSameBounds(c, "long " + std::to_string(t));
    // Again on the bounds just found: they tighten further or stay.
    std::vector<int> min = c.min, max = c.max;
    naiveBounds(c.a, min, max);
    c.min = min;
    c.max = max;
    expectSameBounds(c, "long again " + std::to_string(t));
  }
}

TEST_F(EquationsBoundsTest, KnownBoundsOfSmallRows) {
  // x0 + 2 x1 + x2 - 6 = 0 on 0..10: x0 <= 6, x1 <= 3, x2 <= 6; the box 7 x 4 x 7 is short.
  std::vector<double> a = {1, 2, 1, -6};
  std::vector<int> min = {0, 0, 0, 1}, max = {10, 10, 10, 1};
  EXPECT_EQ(getVariableBounds(a.data(), 4, min.data(), max.data()), -3);
  EXPECT_EQ(max, (std::vector<int>{6, 3, 6, 1}));
  EXPECT_EQ(min, (std::vector<int>{0, 0, 0, 1}));
  // x0 - x1 = 2.5 has no integer solution: the range of x0 empties once x1 is fixed.
  std::vector<double> b = {1, -1, -2.5};
  std::vector<int> bmin = {0, 3, 1}, bmax = {10, 3, 1};
  EXPECT_EQ(getVariableBounds(b.data(), 3, bmin.data(), bmax.data()), -1);
  EXPECT_EQ(QueryFailureReason().code, 2);
}

TEST_F(EquationsBoundsTest, TheAnalysisOfStoredEquationsEndsAtCtrlC) {
  EquationData ED{"Test.Equations", "Test.Bounds"};
  const int N = 6;
  ASSERT_EQ(setEquationDataSize(&ED, N, 3, 5000), 1);
  for (int r = 0; r < 3; ++r)
    for (int j = 0; j < N; ++j) equationRow(&ED, r)[j] = j == N - 1 ? -10.0 : 1.0 + r * j;
  ED.nrows = 3;
  for (int j = 0; j < N - 1; ++j) {
    ED.minima[j] = 0;
    ED.maxima[j] = 1000;
  }
  ED.minima[N - 1] = ED.maxima[N - 1] = 1;
  installInterruptHandler();
  std::raise(SIGINT);  // the handler only notes it; the next poll ends the analysis
  EXPECT_THROW(AnalyseBounds(&ED, ED.minima, ED.maxima), StopRequest);
  setStopSignal(0);
  removeInterruptHandler();
  // Without a Ctrl-C it runs to its end.
  EXPECT_GE(AnalyseBounds(&ED, ED.minima, ED.maxima), -4);
}

}  // namespace
