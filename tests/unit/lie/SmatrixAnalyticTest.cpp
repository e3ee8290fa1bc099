// The S matrix at real weights: agreement with the integer S routines at factor 1, the
// A1 closed form at real labels, the alerts and the G2 echo.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "lie/SmatrixAnalytic.h"
#include "program/Boot.h"
#include "SmatrixTestSupport.h"
#include "TestSupport.h"

using namespace smatrix_test;

namespace {

class SmatrixAnalyticTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

bool contains(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

Complex analytic(int type, int rank, int level, const std::vector<double>& a, const std::vector<double>& b,
                 double factor) {
  double re = 0.0, im = 0.0;
  DoubleSDirect(type, rank, level, a.data(), b.data(), &re, &im, factor);
  return {re, im};
}

std::vector<double> finite(const Labels& labels, int rank) {
  return std::vector<double>(labels.begin(), labels.begin() + rank);
}

TEST_F(SmatrixAnalyticTest, IntegerWeightsAtFactorOneGiveTheSMatrix) {
  const Algebra algebras[] = {{1, 1, 3}, {1, 2, 2}, {1, 3, 2}, {2, 2, 2}, {2, 3, 1}, {3, 2, 3},
                              {4, 4, 2}, {4, 5, 1}, {5, 2, 2}, {5, 4, 2}, {3, 3, 1}};
  for (const Algebra& alg : algebras) {
    OutputCapture capture;  // G2 echoes its weights
    const auto fields = integrableWeights(alg.type, alg.rank, alg.level);
    for (const Labels& a : fields) {
      for (const Labels& b : fields) {
        double re = 0.0, im = 0.0;
        SDirect(alg.type, alg.rank, alg.level, a.data(), b.data(), &re, &im);
        const Complex real = analytic(alg.type, alg.rank, alg.level, finite(a, alg.rank), finite(b, alg.rank), 1.0);
        EXPECT_NEAR(std::abs(real - Complex(re, im)), 0.0, kTol) << alg.name();
      }
    }
  }
}

TEST_F(SmatrixAnalyticTest, A1AtRealLabelsIsTheSineWithTheFactor) {
  // sqrt(2/(k+2)) sin(pi t (lambda+1)(mu+1)/(k+2)), real for every real input.
  const double labels[] = {0.0, 0.5, 1.3, 2.75};
  for (int k = 1; k <= 4; ++k) {
    for (double l : labels) {
      for (double m : labels) {
        for (double t : {1.0, 0.7, -1.5}) {
          const Complex s = analytic(1, 1, k, {l}, {m}, t);
          EXPECT_NEAR(s.real(), std::sqrt(2.0 / (k + 2)) * std::sin(kPi * t * (l + 1) * (m + 1) / (k + 2)), 1e-12);
          EXPECT_EQ(s.imag(), 0.0);
        }
      }
    }
  }
}

TEST_F(SmatrixAnalyticTest, ConstantsFollowTheLevel) {
  const std::vector<double> zero = {0.0, 0.0};
  // A2 vacuum: S_00 = 1/sqrt 3 at level 1, 0.303531 at level 2.
  EXPECT_NEAR(analytic(1, 2, 1, zero, zero, 1.0).real(), 1.0 / std::sqrt(3.0), kTol);
  EXPECT_NEAR(analytic(1, 2, 2, zero, zero, 1.0).real(), 0.303531, 1e-6);
  EXPECT_NEAR(analytic(1, 2, 1, zero, zero, 1.0).real(), 1.0 / std::sqrt(3.0), kTol);
}

TEST_F(SmatrixAnalyticTest, UnavailableAlgebrasAreReportedAndOutputsKept) {
  const std::vector<double> zero(8, 0.0);
  struct Case {
    int type, rank;
    const char* text;
  };
  const Case cases[] = {{5, 6, "Analytic S for exceptional type E not available"},
                        {5, 8, "Analytic S for exceptional type E not available"},
                        {13, 2, "Analytic S for this algebra not available"},
                        {0, 4, "Analytic S for this algebra not available"}};
  for (const Case& c : cases) {
    OutputCapture capture;
    double re = 17.0, im = -3.0;
    DoubleSDirect(c.type, c.rank, 1, zero.data(), zero.data(), &re, &im, 1.0);
    EXPECT_EQ(re, 17.0);
    EXPECT_EQ(im, -3.0);
    EXPECT_TRUE(contains(capture.diagnostics, c.text)) << capture.diagnostics;
  }
}

TEST_F(SmatrixAnalyticTest, G2EchoesBothWeightsFirst) {
  OutputCapture capture;
  const Complex s = analytic(5, 2, 1, {0.0, 0.0}, {0.0, 1.0}, 1.0);
  EXPECT_EQ(capture.all.rfind("IN1 ", 0), 0u) << capture.all;
  const std::size_t second = capture.all.find("IN2 ");
  ASSERT_NE(second, std::string::npos);
  EXPECT_NE(capture.all.find("1.0000", second), std::string::npos);  // mu_2 = 1
  // G2 level 1: S(0, 1) = c = sqrt((5 + sqrt 5)/10).
  EXPECT_NEAR(s.real(), std::sqrt((5 + std::sqrt(5.0)) / 10), kTol);
}

}  // namespace
