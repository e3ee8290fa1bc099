// The verdicts of the NIM-representation checks ("check NIMrep", "check UNIMrep moebius",
// "check UNIMrep klein"): a check stopped by the user, or one with a term that double
// precision cannot decide, says so and never reports a violation from partial sums.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBound.h"
#include "boundaries/CrossBoundInternal.h"
#include "invariants/Invariants.h"
#include "runtime/Terminal.h"

namespace {

using modular_test::a1Field;
using modular_test::useTheory;

class NimCheckVerdictTest : public ZoqTest {
 protected:
  void TearDown() override { setStopSignal(0); }

  // SU(2) at level 2 with its diagonal invariant, oriented and unoriented data ready.
  const SpectrumData* su2Level2() {
    const SpectrumData* sd = useTheory(1, 1, 2);
    EXPECT_NE(sd, nullptr);
    EXPECT_EQ(initializeOpenString(), 0);
    capture.clear();
    return sd;
  }

  // No violation alert of any of the three checks reached the error stream.
  bool noViolation() const { return capture.diagnostics.find(" != ") == std::string::npos; }
};

TEST_F(NimCheckVerdictTest, ChecksThatHoldStillSayNothing) {
  const SpectrumData* sd = su2Level2();
  ASSERT_NE(sd, nullptr);
  const int sigma = a1Field(sd, 1);
  // Cardy boundaries of SU(2)_2: A^i_ab = N_ia^b, so (1) x (1) = (0) + (2) on boundary 0.
  EXPECT_EQ(checkNIMfusion(sigma, sigma, 0, 0), 1);
  EXPECT_EQ(checkUNIMMoebius(sigma, sigma, 0), 1);
  EXPECT_EQ(checkUNIMKlein(sigma, sigma), 1);
  EXPECT_TRUE(capture.all.empty()) << capture.all;
}

TEST_F(NimCheckVerdictTest, AStoppedCheckSaysItWasStoppedAndGivesNoVerdict) {
  const SpectrumData* sd = su2Level2();
  ASSERT_NE(sd, nullptr);
  const int sigma = a1Field(sd, 1);
  // The stop flag is what Ctrl-C (taken by a running sum) and a declined "Continue?" set.
  setStopSignal(1);
  EXPECT_EQ(checkNIMfusion(sigma, sigma, 0, 0), -1);
  EXPECT_NE(capture.printed.find(
                "Check " + std::to_string(sigma) + "," + std::to_string(sigma) + ",0,0 stopped; "
                "no verdict\n"),
            std::string::npos)
      << capture.all;
  EXPECT_EQ(checkUNIMMoebius(sigma, sigma, 0), -1);
  EXPECT_NE(capture.printed.find("Check " + std::to_string(sigma) + "," + std::to_string(sigma) +
                                 ",0 stopped; no verdict\n"),
            std::string::npos);
  EXPECT_EQ(checkUNIMKlein(sigma, sigma), -1);
  EXPECT_NE(capture.printed.find("Check " + std::to_string(sigma) + "," + std::to_string(sigma) +
                                 " stopped; no verdict\n"),
            std::string::npos);
  EXPECT_TRUE(noViolation()) << capture.diagnostics;
  // The next command line clears the flag: the same check then holds.
  setStopSignal(0);
  EXPECT_EQ(checkNIMfusion(sigma, sigma, 0, 0), 1);
}

TEST_F(NimCheckVerdictTest, AnUndecidedCoefficientLeavesTheCheckUndecided) {
  // SU(2)_2 made exceptional: the search finds the three Cardy boundaries, whose
  // coefficients the invariant then holds as plain numbers.
  const SpectrumData* sd = useTheory(1, 1, 2);
  ASSERT_NE(sd, nullptr);
  makeBulkExceptional();
  attemptBoundaries(2);
  ASSERT_EQ(TotalBoundaries(), 3);
  const int sigma = a1Field(sd, 1);
  // A boundary x on which sigma x sigma = 0 + 2 is read off as sum_c A(sigma; x, c)^2 =
  // A(0; x, x) + A(2; x, x): the spin-0 boundary (A(sigma; x, x) = 0), whose one neighbour
  // c (A(sigma; x, c) = 1) is the spin-1/2 boundary.
  int x = -1, c = -1;
  for (int a = 0; a < 3 && x < 0; ++a) {
    if (getOrientedAnnulus(sigma, a, a) != 0 || getOrientedAnnulus(0, a, a) != 1) continue;
    for (int b = 0; b < 3; ++b)
      if (b != a && getOrientedAnnulus(sigma, a, b) == 1) x = a, c = b;
  }
  ASSERT_GE(x, 0);
  ASSERT_EQ(checkNIMfusion(sigma, sigma, x, x), 1);
  // Every coefficient of boundary c made a non-number: each annulus with c cannot be
  // decided in double precision, while those of x alone (the right side) are untouched.
  BulkInvariant* bi = *getCurrentBulk();
  ASSERT_NE(bi, nullptr);
  ASSERT_NE(bi->EDT, nullptr);
  const int N = bi->EDT->N;
  const std::size_t base = static_cast<std::size_t>(2 * N) * (1 + c);
  ASSERT_LE(base + 2 * N, bi->EDT->data.size());
  for (int k = 0; k < 2 * N; ++k)
    bi->EDT->data[base + k] = std::numeric_limits<double>::quiet_NaN();
  capture.clear();
  EXPECT_EQ(checkNIMfusion(sigma, sigma, x, x), -1);
  // Left: the term of c stops at its undecided first factor A(sigma; x, c); the terms of
  // the other boundaries are 0 from their first factor.
  EXPECT_NE(capture.printed.find("Check " + std::to_string(sigma) + "," + std::to_string(sigma) +
                                 "," + std::to_string(x) + "," + std::to_string(x) +
                                 " undecided: 1 coefficient(s) cannot be determined\n"),
            std::string::npos)
      << capture.all;
  EXPECT_NE(capture.diagnostics.find("cannot be determined in double precision"),
            std::string::npos);
  EXPECT_TRUE(noViolation()) << capture.diagnostics;
}

}  // namespace
