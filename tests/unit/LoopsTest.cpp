// The nested-loop engine and the index-tuple iterators.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "Boot.h"
#include "Loops.h"
#include "MathUtility.h"
#include "TestSupport.h"

namespace {

class LoopsTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

using Tuple = std::vector<int>;

// Records every tuple; the body result is taken from a script (then a default).
struct Recorder {
  std::vector<Tuple> seen;
  std::vector<int> script;
  int result = 1;
  int boundsCalls[8] = {};
};

int record(int n, int* x, void* ctx) {
  auto* r = static_cast<Recorder*>(ctx);
  r->seen.emplace_back(x, x + n);
  std::size_t call = r->seen.size() - 1;
  return call < r->script.size() ? r->script[call] : r->result;
}

// x[1] runs from 0 to x[0]: the triangle below the diagonal.
void triangle(int, int level, const int* x, const int* lo, const int* hi, int* curLo, int* curHi,
              void* ctx) {
  ++static_cast<Recorder*>(ctx)->boundsCalls[level];
  *curLo = lo[level];
  *curHi = level == 1 ? x[0] : hi[level];
}

// The box, but level 1 is empty while x[0] = 0.
void emptyForZero(int, int level, const int* x, const int* lo, const int* hi, int* curLo,
                  int* curHi, void* ctx) {
  ++static_cast<Recorder*>(ctx)->boundsCalls[level];
  *curLo = lo[level];
  *curHi = level == 1 && x[0] == 0 ? lo[level] - 1 : hi[level];
}

// The box, but level 1 is empty while x[0] = 1.
void emptyForOne(int, int level, const int* x, const int* lo, const int* hi, int* curLo, int* curHi,
                 void*) {
  *curLo = lo[level];
  *curHi = level == 1 && x[0] == 1 ? lo[level] - 1 : hi[level];
}

// Counts the calls per level and returns the box itself.
void countingBox(int, int level, const int*, const int* lo, const int* hi, int* curLo, int* curHi,
                 void* ctx) {
  ++static_cast<Recorder*>(ctx)->boundsCalls[level];
  *curLo = lo[level];
  *curHi = hi[level];
}

// --- NestedLoops ------------------------------------------------------------------------

TEST_F(LoopsTest, SingleLevelCountsItsValues) {
  Recorder r;
  int lo[] = {3}, hi[] = {5}, x[1];
  EXPECT_EQ(NestedLoops(1, lo, hi, x, &r, nullptr, record), 3);
  EXPECT_EQ(r.seen, (std::vector<Tuple>{{3}, {4}, {5}}));
}

TEST_F(LoopsTest, EmptyBoxStillVisitsTheLowerCorner) {
  Recorder r;
  r.result = 7;
  int lo[] = {2}, hi[] = {1}, x[1];
  EXPECT_EQ(NestedLoops(1, lo, hi, x, &r, nullptr, record), 7);
  EXPECT_EQ(r.seen, (std::vector<Tuple>{{2}}));
}

TEST_F(LoopsTest, NoLevelsCallsNothing) {
  Recorder r;
  int x[1] = {42};
  EXPECT_EQ(NestedLoops(0, nullptr, nullptr, x, &r, nullptr, record), 0);
  EXPECT_TRUE(r.seen.empty());
}

TEST_F(LoopsTest, StopAndAbortCodes) {
  int lo[] = {0, 0}, hi[] = {4, 4}, x[2];
  struct Case {
    std::vector<int> script;
    int expected;
  };
  const Case cases[] = {
      {{-1}, 1},              // stop at once: total 0 plus 1
      {{-2}, 0},              // stop at once: total 0
      {{-5}, -5},             // abort
      {{1, 1, -1}, 3},        // two counts, then the stop counts itself
      {{1, 1, -2}, 2},        // two counts, then the stop does not
      {{1, 1, -3}, -3},       // abort: the earlier total is lost
      {{0, 2, 0, 3, -2}, 5},  // counts may be 0
  };
  for (const Case& c : cases) {
    Recorder r;
    r.script = c.script;
    EXPECT_EQ(NestedLoops(2, lo, hi, x, &r, nullptr, record), c.expected);
    EXPECT_EQ(r.seen.size(), c.script.size());  // nothing runs after a stop
  }
}

TEST_F(LoopsTest, BoxInLexicographicOrderWithTheLastIndexFastest) {
  Recorder r;
  int lo[] = {0, -1, 5}, hi[] = {1, 1, 6}, x[3];
  EXPECT_EQ(NestedLoops(3, lo, hi, x, &r, nullptr, record), 12);
  std::vector<Tuple> expected;
  for (int a = 0; a <= 1; ++a) {
    for (int b = -1; b <= 1; ++b) {
      for (int c = 5; c <= 6; ++c) expected.push_back({a, b, c});
    }
  }
  EXPECT_EQ(r.seen, expected);
}

TEST_F(LoopsTest, BoundsNarrowTheInnerLevels) {
  Recorder r;
  int lo[] = {0, 0}, hi[] = {3, 3}, x[2];
  EXPECT_EQ(NestedLoops(2, lo, hi, x, &r, triangle, record), 10);  // 1 + 2 + 3 + 4
  std::vector<Tuple> expected;
  for (int a = 0; a <= 3; ++a) {
    for (int b = 0; b <= a; ++b) expected.push_back({a, b});
  }
  EXPECT_EQ(r.seen, expected);
}

TEST_F(LoopsTest, EmptyInnerRangeSkipsItsPrefix) {
  Recorder r;
  int lo[] = {0, 0}, hi[] = {2, 2}, x[2];
  EXPECT_EQ(NestedLoops(2, lo, hi, x, &r, emptyForZero, record), 7);
  // (0, 0) is the lower corner, visited before any range is asked for; no other (0, y).
  EXPECT_EQ(r.seen, (std::vector<Tuple>{{0, 0}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {2, 2}}));
}

TEST_F(LoopsTest, EmptyMiddleRangeMakesTheCarryGoOn) {
  // Level 1 is empty while x[0] = 1: resetting the levels below x[0] = 1 fails, so the carry
  // goes on and x[0] = 2 follows x[0] = 0 directly.
  Recorder r;
  int lo[] = {0, 0, 0}, hi[] = {2, 1, 1}, x[3];
  EXPECT_EQ(NestedLoops(3, lo, hi, x, &r, emptyForOne, record), 8);
  EXPECT_EQ(
      r.seen,
      (std::vector<Tuple>{
          {0, 0, 0}, {0, 0, 1}, {0, 1, 0}, {0, 1, 1}, {2, 0, 0}, {2, 0, 1}, {2, 1, 0}, {2, 1, 1}}));
}

TEST_F(LoopsTest, LastLevelRangeIsAskedOncePerRun) {
  Recorder r;
  int lo[] = {0, 0}, hi[] = {2, 3}, x[2];
  EXPECT_EQ(NestedLoops(2, lo, hi, x, &r, countingBox, record), 12);
  EXPECT_EQ(r.boundsCalls[1], 3);  // three runs of the last level
  EXPECT_EQ(r.boundsCalls[0], 3);  // two carries into level 0 and the exhausting one
}

TEST_F(LoopsTest, UpperBoundAtTheEndOfTheIntRange) {
  Recorder r;
  int lo[] = {INT_MAX - 2}, hi[] = {INT_MAX}, x[1];
  EXPECT_EQ(NestedLoops(1, lo, hi, x, &r, nullptr, record), 3);
  EXPECT_EQ(r.seen.back(), (Tuple{INT_MAX}));
}

TEST_F(LoopsTest, TotalBeyondTheIntRangeIsReported) {
  OutputCapture capture;
  Recorder r;
  r.result = 1 << 30;
  int lo[] = {0}, hi[] = {3}, x[1];
  EXPECT_EQ(NestedLoops(1, lo, hi, x, &r, nullptr, record), INT_MAX);  // 4 * 2^30 = 2^32
  EXPECT_NE(capture.diagnostics.find("Integer overflow"), std::string::npos);
}

int nested(int, int* x, void* ctx) {
  // A body that runs a loop of its own: x[0] + 1 inner tuples.
  int lo[] = {0}, hi[] = {x[0]}, y[1];
  Recorder* r = static_cast<Recorder*>(ctx);
  Recorder inner;
  int count = NestedLoops(1, lo, hi, y, &inner, nullptr, record);
  r->seen.push_back({x[0], count});
  return count;
}

TEST_F(LoopsTest, BodiesMayRunLoopsOfTheirOwn) {
  Recorder r;
  int lo[] = {0}, hi[] = {3}, x[1];
  EXPECT_EQ(NestedLoops(1, lo, hi, x, &r, nullptr, nested), 10);  // 1 + 2 + 3 + 4
}

// --- RandomizedLoops ---------------------------------------------------------------------

TEST_F(LoopsTest, RandomSamplesStayInTheBox) {
  Recorder r;
  int lo[] = {-2, 10}, hi[] = {2, 10}, x[2];
  EXPECT_EQ(RandomizedLoops(2, lo, hi, x, &r, 10, record), 10);
  EXPECT_EQ(r.seen.size(), 10u);
  for (const Tuple& t : r.seen) {
    EXPECT_GE(t[0], -2);
    EXPECT_LE(t[0], 2);
    EXPECT_EQ(t[1], 10);
  }
  Recorder many;
  many.result = 0;
  int wide[] = {0}, wideHi[] = {4}, y[1];
  EXPECT_EQ(RandomizedLoops(1, wide, wideHi, y, &many, 2000, record), 0);
  std::vector<int> hits(5, 0);
  for (const Tuple& t : many.seen) ++hits[t[0]];
  for (int h : hits) EXPECT_GT(h, 0);  // each value has probability 1/5 per sample
}

TEST_F(LoopsTest, RandomLoopsShareTheResultCodes) {
  int lo[] = {0}, hi[] = {9}, x[1];
  struct Case {
    std::vector<int> script;
    int expected;
  };
  const Case cases[] = {
      {{1, 1, -1}, 3}, {{1, 1, -2}, 2}, {{1, 1, -3}, -3}, {{1, 1, -7}, -7}, {{-1}, 1},
  };
  for (const Case& c : cases) {
    Recorder r;
    r.script = c.script;
    EXPECT_EQ(RandomizedLoops(1, lo, hi, x, &r, 100, record), c.expected);
    EXPECT_EQ(r.seen.size(), c.script.size());
  }
  Recorder none;
  EXPECT_EQ(RandomizedLoops(1, lo, hi, x, &none, 0, record), 0);
  EXPECT_EQ(RandomizedLoops(0, lo, hi, x, &none, 5, record), 0);
  EXPECT_TRUE(none.seen.empty());
}

TEST_F(LoopsTest, LoopLength) {
  int lo[] = {0, 1}, hi[] = {2, 4};
  EXPECT_EQ(getLoopLength(2, lo, hi), 12.0);
  EXPECT_EQ(getLoopLength(0, lo, hi), 1.0);
  int bigLo[] = {0, 0, 0}, bigHi[] = {99999, 99999, 99999};
  EXPECT_EQ(getLoopLength(3, bigLo, bigHi), 1e15);  // beyond any int
}

// --- Iterators ------------------------------------------------------------------------------

TEST_F(LoopsTest, OdometerWithExclusiveUpperBounds) {
  int lo[] = {0, 1}, hi[] = {2, 3}, x[2];
  ASSERT_EQ(incrementInit(2, lo, hi, x), 0);
  std::vector<Tuple> seen{{x[0], x[1]}};
  while (increment(2, lo, hi, x) == 0) seen.push_back({x[0], x[1]});
  EXPECT_EQ(seen, (std::vector<Tuple>{{0, 1}, {0, 2}, {1, 1}, {1, 2}}));
  EXPECT_EQ((Tuple{x[0], x[1]}), (Tuple{0, 1}));  // back at lo after the last carry
  int emptyHi[] = {2, 1};
  EXPECT_EQ(incrementInit(2, lo, emptyHi, x), 1);
  EXPECT_EQ(incrementInit(0, lo, hi, x), 0);
  EXPECT_EQ(increment(0, lo, hi, x), 1);
}

TEST_F(LoopsTest, OrderedTuples) {
  int x[2] = {0, 0};
  std::vector<Tuple> seen{{0, 0}};
  while (increment_ordered(2, 3, x) == 0) seen.push_back({x[0], x[1]});
  EXPECT_EQ(seen, (std::vector<Tuple>{{0, 0}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {2, 2}}));
  // Multisets of size 3 from 4 labels: C(4 + 3 - 1, 3) = 20, all non-increasing.
  int y[3] = {0, 0, 0};
  int count = 1;
  while (increment_ordered(3, 4, y) == 0) {
    ++count;
    EXPECT_GE(y[0], y[1]);
    EXPECT_GE(y[1], y[2]);
  }
  EXPECT_EQ(count, 20);
}

TEST_F(LoopsTest, SubsetsInLexicographicOrder) {
  int x[2] = {0, 1};
  std::vector<Tuple> seen;
  while (incrementBinomial(4, 2, x) == 1) seen.push_back({x[0], x[1]});
  EXPECT_EQ(seen, (std::vector<Tuple>{{0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}}));
  int y[3] = {0, 1, 2};
  int count = 1;
  Tuple previous{0, 1, 2};
  while (incrementBinomial(6, 3, y) == 1) {
    Tuple current{y[0], y[1], y[2]};
    EXPECT_LT(previous, current);
    EXPECT_LT(y[0], y[1]);
    EXPECT_LT(y[1], y[2]);
    EXPECT_LT(y[2], 6);
    previous = current;
    ++count;
  }
  EXPECT_EQ(count, 20);  // C(6, 3)
  EXPECT_EQ(incrementBinomial(4, 0, x), 0);
}

TEST_F(LoopsTest, TuplesUnderALinearBound) {
  int range[] = {3, 3}, coef[] = {1, 2}, x[2], rest = -1;
  ASSERT_EQ(incrementBoundedInit(2, range, x, coef, 3, &rest), 0);
  EXPECT_EQ(rest, 3);
  std::vector<Tuple> seen{{x[0], x[1], rest}};
  while (incrementBounded(2, range, x, coef, 3, &rest) == 0) seen.push_back({x[0], x[1], rest});
  // Every (x0, x1) with x0 + 2 x1 <= 3 and entries below 3, with what is left of the bound.
  EXPECT_EQ(seen, (std::vector<Tuple>{{0, 0, 3}, {0, 1, 1}, {1, 0, 2}, {1, 1, 0}, {2, 0, 1}}));
  // A zero coefficient leaves only the range as limit.
  int free[] = {0, 1};
  ASSERT_EQ(incrementBoundedInit(2, range, x, free, 1, &rest), 0);
  int count = 1;
  while (incrementBounded(2, range, x, free, 1, &rest) == 0) ++count;
  EXPECT_EQ(count, 6);  // x0 in 0..2, x1 in 0..1
}

TEST_F(LoopsTest, BoundedInitRefusals) {
  OutputCapture capture;
  int x[2], rest = 0;
  int range[] = {3, 0}, coef[] = {1, 1};
  EXPECT_EQ(incrementBoundedInit(2, range, x, coef, 5, &rest), 1);
  EXPECT_EQ(capture.diagnostics, "");
  int fullRange[] = {3, 3}, negative[] = {1, -1};
  EXPECT_EQ(incrementBoundedInit(2, fullRange, x, negative, 5, &rest), 1);
  EXPECT_NE(capture.diagnostics.find("Negative coefficient"), std::string::npos);
  capture.clear();
  double negativeDouble[] = {1.0, -0.5};
  double restDouble = 0;
  EXPECT_EQ(incrementBoundedInit_Double(2, fullRange, x, negativeDouble, &restDouble, 5.0), 1);
  EXPECT_NE(capture.diagnostics.find("Negative coefficient"), std::string::npos);
}

TEST_F(LoopsTest, TuplesUnderALinearBoundWithDoubleCoefficients) {
  int range[] = {3, 3}, lo[] = {0, 0}, hi[] = {2, 2}, x[2];
  double coef[] = {1.5, 1.0}, rest = 0;
  ASSERT_EQ(incrementBoundedInit_Double(2, range, x, coef, &rest, 3.0), 0);
  EXPECT_EQ(rest, 3.0);
  std::vector<Tuple> seen{{x[0], x[1]}};
  while (incrementBounded_Double(2, lo, hi, x, coef, &rest, 3.0) == 0) {
    seen.push_back({x[0], x[1]});
    EXPECT_GE(rest, 0.0);
  }
  // 1.5 x0 + x1 <= 3 with 0 <= x_i <= 2.
  EXPECT_EQ(seen, (std::vector<Tuple>{{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {2, 0}}));
}

void noteLevel(int, int level, int*, int*, int*, void* ctx) {
  static_cast<std::vector<int>*>(ctx)->push_back(level);
}

TEST_F(LoopsTest, SqueezedOdometerReportsTheChangedIndex) {
  int lo[] = {0, 0}, hi[] = {2, 2}, x[2] = {9, 9};
  std::vector<int> levels;
  EXPECT_EQ(incrementSqueezed(2, 1, x, hi, lo, &levels, noteLevel), 0);
  EXPECT_EQ((Tuple{x[0], x[1]}), (Tuple{0, 0}));
  int steps = 0;
  while (incrementSqueezed(2, 0, x, hi, lo, &levels, noteLevel) == 0) ++steps;
  EXPECT_EQ(steps, 3);
  EXPECT_EQ(levels, (std::vector<int>{2, 1, 0, 1}));  // first call, then (0,1), (1,0), (1,1)
}

TEST_F(LoopsTest, CutOdometerWithoutCutIsTheOdometer) {
  int lo[] = {0, 0}, hi[] = {2, 3}, x[2] = {0, 0}, y[2] = {0, 0};
  int a = 0, b = 0;
  do {
    a = increment(2, lo, hi, x);
    b = incrementCut(2, lo, hi, y, 0);
    EXPECT_EQ(a, b);
    EXPECT_EQ((Tuple{x[0], x[1]}), (Tuple{y[0], y[1]}));
  } while (a == 0);
  // With a cut the last index runs below lo[n-1] = 2: from (0, 0) the next tuple is (0, 1).
  int cutLo[] = {0, 2}, cutHi[] = {2, 3}, z[2] = {0, 0};
  EXPECT_EQ(incrementCut(2, cutLo, cutHi, z, 1), 0);
  EXPECT_EQ((Tuple{z[0], z[1]}), (Tuple{0, 1}));
}

}  // namespace
