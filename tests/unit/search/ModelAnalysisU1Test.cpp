// The massive anomaly-free U(1)s of a candidate: the exact integer construction and the
// double-precision construction it falls back to when a solution leaves 32 bits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "ModelAnalysisTestSupport.h"
#include "TestSupport.h"
#include "search/ModelAnalysis.h"
#include "search/SearchSM.h"

namespace {

using namespace model_test;

class ModelAnalysisU1Test : public ZoqTest {};

// Four unitary stacks without chiral intersections or tensors: every mixed anomaly
// vanishes, so no equation binds the U(1)s and three combinations besides Y are anomaly
// free.
const Stacks kNoIntersections = {{3, 2, 1, 1}, {0, 0, 0, 0}, {}, {}, {}, {}};

// The numbers printed on lines that start with prefix, in order.
std::vector<double> valuesAfter(const std::string& text, const std::string& prefix) {
  std::vector<double> values;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) values.push_back(std::stod(line.substr(prefix.size())));
  return values;
}

int countLines(const std::string& text, const std::string& prefix) {
  int count = 0;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) ++count;
  return count;
}

TEST_F(ModelAnalysisU1Test, SmallHyperchargeGivesIntegerSolutions) {
  loadStacks(kNoIntersections);
  setCharges(6, 1, 0, 0, 0);  // Y = Q_a / 6
  EXPECT_EQ(LocalU1Equations(&SM, 0), 0);
  EXPECT_EQ(SM.anomalyFreeU1, 3);
  const std::string& out = capture.printed;
  EXPECT_NE(out.find("Number of anomaly free massive U(1)'s: 3\n"), std::string::npos);
  // The complement of Y = e_0 is spanned by e_1, e_2, e_3 (e_0 itself vanishes).
  EXPECT_NE(out.find("Massive anomaly free U(1)  (0,1,0,0)\n"), std::string::npos);
  EXPECT_NE(out.find("Massive anomaly free U(1)  (0,0,1,0)\n"), std::string::npos);
  EXPECT_NE(out.find("Massive anomaly free U(1)  (0,0,0,1)\n"), std::string::npos);
  EXPECT_EQ(out.find("switching to real numbers"), std::string::npos);
  EXPECT_EQ(out.find("SOLUTION MISMATCH"), std::string::npos);
}

TEST_F(ModelAnalysisU1Test, EquationsOnlyAnswersTheirNumber) {
  loadStacks(kMadrid);
  setCharges(6, 1, 0, -3, 3);
  // Three independent mixed-anomaly conditions on four U(1)s (Y is the fourth direction).
  EXPECT_EQ(LocalU1Equations(&SM, 1), 3);
  EXPECT_TRUE(capture.printed.empty());
}

TEST_F(ModelAnalysisU1Test, OverflowSwitchesToDoubles) {
  loadStacks(kNoIntersections);
  // y_a = 0: e_0 is an exact solution; e_1 made orthogonal to Y is
  // (0, 40009^2 + 50021^2, -30011*40009, -30011*50021) with gcd 1, beyond 199,999,999.
  setCharges(6, 0, 30011, 40009, 50021);
  const std::string& printed = capture.printed;
  const std::string& out = capture.stdoutText;
  EXPECT_EQ(LocalU1Equations(&SM, 0), 0);
  // Each entry beyond the bound is reported by the conversion; no mismatch follows.
  EXPECT_NE(printed.find("a=4102820522\n"), std::string::npos);
  EXPECT_EQ(capture.diagnostics.find("SOLUTION MISMATCH"), std::string::npos);
  EXPECT_NE(printed.find("Massive anomaly free U(1)  (1,0,0,0)\n"), std::string::npos);
  EXPECT_NE(printed.find("Orthogonal equations for additional U(1)'s from SM branes alone\n"), std::string::npos);
  EXPECT_NE(printed.find("Integer overflow; switching to real numbers\n"), std::string::npos);
  EXPECT_NE(printed.find("Checking\n"), std::string::npos);
  EXPECT_EQ(printed.find("SOLUTION MISMATCH"), std::string::npos);
  // No equation binds: the only row is Y.
  EXPECT_NE(out.find("---> ( 0.0000,30011.0000,40009.0000,50021.0000)\n"), std::string::npos);
  EXPECT_EQ(countLines(out, "--->"), 1);
  // Three solutions span the complement of Y; the first is e_0, normalised to entry 1.
  EXPECT_EQ(countLines(out, "Solution (double)"), 3);
  EXPECT_NE(out.find("Solution (double) ( 1.0000, 0.0000, 0.0000, 0.0000)\n"), std::string::npos);
  // Each solution is tested against Y and the solutions before it: 1 + 2 + 3 products,
  // all zero.
  const std::vector<double> tests = valuesAfter(out, "TEST: ");
  ASSERT_EQ(tests.size(), 6u);
  for (double t : tests) EXPECT_LT(std::fabs(t), 1e-6);
  // The integer solution e_0 is orthogonal to Y exactly.
  const std::vector<double> sums = valuesAfter(out, "i=0, j=0, sum=");
  ASSERT_EQ(sums.size(), 1u);
  EXPECT_EQ(sums[0], 0.0);
  EXPECT_EQ(out.find("TEST FAILURE"), std::string::npos);
  // These lines bypass the output function.
  EXPECT_EQ(printed.find("TEST: "), std::string::npos);
}

TEST_F(ModelAnalysisU1Test, DoubleSolutionWithVanishingFirstEntry) {
  loadStacks(kNoIntersections);
  setCharges(6, 0, 30011, 40009, 50021);
  LocalU1Equations(&SM, 0);
  // The second solution is orthogonal to e_0, so its first entry is 0: it is scaled to a
  // leading 1 in its first non-zero entry, (0, 1, -y_b y_c/(y_c^2+y_d^2), -y_b y_d/(y_c^2+y_d^2)).
  const double yb = 30011, yc = 40009, yd = 50021, s = yc * yc + yd * yd;
  char expected[128];
  std::snprintf(expected, sizeof expected, "Solution (double) ( 0.0000, 1.0000,%7.4f,%7.4f)\n", -yb * yc / s,
                -yb * yd / s);
  EXPECT_NE(capture.stdoutText.find(expected), std::string::npos) << capture.stdoutText;
  EXPECT_EQ(capture.stdoutText.find("nan"), std::string::npos);
  EXPECT_EQ(capture.stdoutText.find("inf"), std::string::npos);
}

}  // namespace
