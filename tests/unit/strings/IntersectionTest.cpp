// Brane intersections on the superstring D8 at level 1 (E8 implicit), ten-dimensional:
// four self-conjugate Cardy branes o, s, v, c (labels 0..3) whose annulus is the fusion
// of the Z2 x Z2 group; the only massless fermion counted is the spinor s (label 1), so
// X(a, b) = 1 exactly when a x b = s, i.e. for {o, s} and {v, c}.
#include <gtest/gtest.h>

#include <string>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "boundaries/CrossBound.h"
#include "runtime/Parameters.h"
#include "strings/Intersections.h"

namespace {

class IntersectionTest : public ZoqTest {
 protected:
  void loadD8() {
    ASSERT_EQ(run("set Super ON"), 0);
    ASSERT_EQ(run("tensor"), 0);
    ASSERT_EQ(run("g d 8 1"), 0);
    ASSERT_EQ(run("compute spectrum"), 0);
    capture.clear();
  }
};

TEST_F(IntersectionTest, PairCountsFollowTheFusionIntoTheSpinor) {
  loadD8();
  ASSERT_EQ(InitIntersection(), 0);
  const int expected[4][4] = {{0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 0, 1}, {0, 0, 1, 0}};
  const std::int64_t before = getBraneIntersectionCounter();
  for (int a = 0; a < 4; ++a)
    for (int b = 0; b < 4; ++b) {
      int chi = 99;
      EXPECT_EQ(ComputeIntersectionEntry(a, b, &chi), expected[a][b]) << a << "," << b;
      // Self-conjugate branes intersect without chirality.
      EXPECT_EQ(chi, 0) << a << "," << b;
    }
  EXPECT_EQ(getBraneIntersectionCounter() - before, 16);
  capture.clear();
  printIntersectionCounters();
  EXPECT_EQ(capture.stdoutText, "BraneIntersectionCounter=" + std::to_string(getBraneIntersectionCounter()) + "\n");
  // The counter starts from zero after start-up.
  EXPECT_EQ(before, 0);
  // A second set-up for the same invariant builds nothing and stays ready.
  EXPECT_EQ(InitIntersection(), 0);
}

TEST_F(IntersectionTest, IntersectCommandPrintsCountAndChirality) {
  loadD8();
  ASSERT_EQ(run("Intersect 2 3"), 0);
  EXPECT_EQ(capture.printed, "Intersection(2,3)=1 (chirality 0)\n");
  capture.clear();
  ASSERT_EQ(run("Intersect 0 0"), 0);
  EXPECT_EQ(capture.printed, "Intersection(0,0)=0 (chirality 0)\n");
  capture.clear();
  // A label outside the boundaries is refused before anything is computed.
  EXPECT_EQ(PrintIntersectionEntry(4, 0), 1);
  EXPECT_TRUE(capture.printed.empty());
  EXPECT_TRUE(alerted("Boundary 4 out of range"));
  EXPECT_EQ(PrintIntersectionEntry(0, -1), 1);
  EXPECT_TRUE(alerted("Boundary -1 out of range"));
}

TEST_F(IntersectionTest, NotASuperstringIsRefused) {
  ASSERT_EQ(run("algebra d 8 1"), 0);
  setIntPar("Super", 0);
  EXPECT_EQ(InitIntersection(), 1);
}

TEST_F(IntersectionTest, RealBranesHaveNoGammaDeltaOrRankTwoTensors) {
  loadD8();
  ASSERT_EQ(InitIntersection(), 0);
  for (int a = 0; a < 4; ++a) {
    int x = -5, y = -5, z = -5;
    // b* = b and b x b = o, never s: x = 0, hence y = 0, and z = X(b, b) = 0.
    ASSERT_EQ(getDiagonalInfo(0, a, &x, &y, &z), 0);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(z, 0);
    for (int b = 0; b < 4; ++b) {
      int G = 7, D = 7;
      ASSERT_EQ(BraneIntersection(0, a, b, &G, &D), 0);
      EXPECT_EQ(G, 0);
      EXPECT_EQ(D, 0);
    }
  }
  EXPECT_EQ(getDiagonalInfo(0, 4, nullptr, nullptr, nullptr), 1);
  EXPECT_TRUE(alerted("out of range"));
}

TEST_F(IntersectionTest, PairCacheFillsBothOrdersAndForgetsOnMinusOne) {
  loadD8();
  ASSERT_EQ(InitIntersection(), 0);
  int G = 7, D = 7;
  ASSERT_EQ(CachedBraneIntersection(0, 0, 1, &G, &D), 0);
  EXPECT_EQ(capture.stdoutText, "Initializing intersection cache\n");
  EXPECT_EQ(G, 0);
  EXPECT_EQ(D, 0);
  capture.clear();
  // The mirrored entry is filled: no new computation.
  const std::int64_t before = getBraneIntersectionCounter();
  ASSERT_EQ(CachedBraneIntersection(0, 1, 0, &G, &D), 0);
  EXPECT_EQ(getBraneIntersectionCounter(), before);
  EXPECT_TRUE(capture.stdoutText.empty());
  // -1 forgets: the next call initialises the cache again.
  ASSERT_EQ(CachedBraneIntersection(-1, 0, 0, &G, &D), 0);
  ASSERT_EQ(CachedBraneIntersection(0, 1, 0, &G, &D), 0);
  EXPECT_EQ(capture.stdoutText, "Initializing intersection cache\n");
  // Labels outside the boundaries never reach the cache.
  EXPECT_EQ(CachedBraneIntersection(0, 4, 0, &G, &D), 1);
  EXPECT_TRUE(alerted("Boundary 4 out of range"));
  EXPECT_EQ(BraneIntersection(0, 0, -2, &G, &D), 1);
  EXPECT_TRUE(alerted("Boundary -2 out of range"));
}

TEST_F(IntersectionTest, ChiralityCheckNeedsItsSpaceAndReportsNonChiralBranes) {
  loadD8();
  ASSERT_EQ(InitIntersection(), 0);
  int A = 9, M = 9, Z = 9;
  EXPECT_EQ(CheckChirality(1, 0, 0, &A, &M, &Z), -3);
  EXPECT_TRUE(alerted("Space for open string amplitudes was not allocated"));
  ASSERT_EQ(CheckChirality(0, 0, 0, &A, &M, &Z), 0);
  if (TotalOrientifoldsWithTension() > 0) {
    capture.clear();
    // x = X(b, b) = 0 for every (real) brane: fine, with A = M = 0 and no adjoints.
    EXPECT_EQ(CheckChirality(1, 2, 0, &A, &M, &Z), 0) << capture.diagnostics;
    EXPECT_EQ(CheckChirality(2, 2, 0, &A, &M, &Z), 0);
    EXPECT_EQ(A, 0);
    EXPECT_EQ(M, 0);
    EXPECT_EQ(Z, 0);
  }
  EXPECT_EQ(CheckChirality(1, 4, 0, &A, &M, &Z), -3);
  EXPECT_TRUE(alerted("out of range"));
}

}  // namespace

namespace {

TEST_F(IntersectionTest, TheBoundaryLayersCounterReportCarriesTheIntersectionLine) {
  loadD8();
  ASSERT_EQ(InitIntersection(), 0);
  int chi = 0;
  ASSERT_EQ(ComputeIntersectionEntry(0, 1, &chi), 1);
  capture.clear();
  // The boundary layer's report forwards to the line of this layer: one pair computed.
  printCounters();
  EXPECT_EQ(capture.stdoutText, "BraneIntersectionCounter=1\n");
}

}  // namespace
