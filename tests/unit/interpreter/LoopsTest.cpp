// The nested-loop engine and the index-tuple iterators.
#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <string>
#include <vector>

#include "interpreter/Loops.h"
#include "NumberTestSupport.h"
#include "runtime/Terminal.h"

namespace {

using LoopsTest = NumberTest;
using Tuple = std::vector<int>;

// Records every tuple; the body results come from a script, then the default.
struct Recorder {
  std::vector<Tuple> seen;
  std::vector<int> script;
  int result = 1;
  int emptyFor = -1;  // the x[0] for which the bounds leave level 1 empty
  int boundsCalls[3] = {};
};

int record(int n, int* x, void* ctx) {
  auto* r = static_cast<Recorder*>(ctx);
  r->seen.emplace_back(x, x + n);
  std::size_t call = r->seen.size() - 1;
  return call < r->script.size() ? r->script[call] : r->result;
}

// The box, except that level 1 is empty while x[0] = emptyFor; counts the calls per level.
void boxWithHole(int, int level, const int* x, const int* lo, const int* hi, int* curLo, int* curHi,
                 void* ctx) {
  auto* r = static_cast<Recorder*>(ctx);
  ++r->boundsCalls[level];
  *curLo = lo[level];
  *curHi = level == 1 && x[0] == r->emptyFor ? lo[level] - 1 : hi[level];
}

// x[1] runs from 0 to x[0]: the triangle below the diagonal.
void triangle(int, int level, const int* x, const int* lo, const int* hi, int* curLo, int* curHi,
              void*) {
  *curLo = lo[level];
  *curHi = level == 1 ? x[0] : hi[level];
}

// --- NestedLoops ------------------------------------------------------------------------

TEST_F(LoopsTest, BoxesInLexicographicOrder) {
  Recorder r;
  int lo[] = {3}, hi[] = {5}, x[3];
  EXPECT_EQ(NestedLoops(1, lo, hi, x, &r, nullptr, record), 3);
  EXPECT_EQ(r.seen, (std::vector<Tuple>{{3}, {4}, {5}}));
  Recorder box;
  int lo3[] = {0, -1, 5}, hi3[] = {1, 1, 6};
  EXPECT_EQ(NestedLoops(3, lo3, hi3, x, &box, nullptr, record), 12);
  std::vector<Tuple> expected;  // the last index fastest
  for (int a = 0; a <= 1; ++a) {
    for (int b = -1; b <= 1; ++b) {
      for (int c = 5; c <= 6; ++c) expected.push_back({a, b, c});
    }
  }
  EXPECT_EQ(box.seen, expected);
  Recorder top;  // an upper bound at the end of the int range must not overflow the index
  int loTop[] = {INT_MAX - 2}, hiTop[] = {INT_MAX};
  EXPECT_EQ(NestedLoops(1, loTop, hiTop, x, &top, nullptr, record), 3);
  EXPECT_EQ(top.seen.back(), (Tuple{INT_MAX}));
}

TEST_F(LoopsTest, EmptyBoxStillVisitsTheLowerCorner) {
  Recorder r;
  r.result = 7;
  int lo[] = {2}, hi[] = {1}, x[1] = {42};
  EXPECT_EQ(NestedLoops(1, lo, hi, x, &r, nullptr, record), 7);
  EXPECT_EQ(r.seen, (std::vector<Tuple>{{2}}));
  EXPECT_EQ(NestedLoops(0, lo, hi, x, &r, nullptr, record), 0);  // no levels: nothing called
  EXPECT_EQ(r.seen.size(), 1u);
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

TEST_F(LoopsTest, BoundsNarrowTheInnerLevels) {
  Recorder r;
  int lo[] = {0, 0}, hi[] = {3, 3}, x[3];
  EXPECT_EQ(NestedLoops(2, lo, hi, x, &r, triangle, record), 10);  // 1 + 2 + 3 + 4
  std::vector<Tuple> expected;
  for (int a = 0; a <= 3; ++a) {
    for (int b = 0; b <= a; ++b) expected.push_back({a, b});
  }
  EXPECT_EQ(r.seen, expected);
  // Level 1 empty for x[0] = 0: (0, 0) is the lower corner, visited before any range is
  // asked for, and no other (0, y) follows.
  Recorder hole;
  hole.emptyFor = 0;
  int hi2[] = {2, 2};
  EXPECT_EQ(NestedLoops(2, lo, hi2, x, &hole, boxWithHole, record), 7);
  EXPECT_EQ(hole.seen,
            (std::vector<Tuple>{{0, 0}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {2, 2}}));
  // Level 1 empty for x[0] = 1 among three levels: resetting below x[0] = 1 fails, so the
  // carry goes on and x[0] = 2 follows x[0] = 0 directly.
  Recorder middle;
  middle.emptyFor = 1;
  int lo3[] = {0, 0, 0}, hi3[] = {2, 1, 1};
  EXPECT_EQ(NestedLoops(3, lo3, hi3, x, &middle, boxWithHole, record), 8);
  EXPECT_EQ(
      middle.seen,
      (std::vector<Tuple>{
          {0, 0, 0}, {0, 0, 1}, {0, 1, 0}, {0, 1, 1}, {2, 0, 0}, {2, 0, 1}, {2, 1, 0}, {2, 1, 1}}));
}

TEST_F(LoopsTest, LastLevelRangeIsAskedOncePerRun) {
  Recorder r;
  int lo[] = {0, 0}, hi[] = {2, 3}, x[2];
  EXPECT_EQ(NestedLoops(2, lo, hi, x, &r, boxWithHole, record), 12);
  EXPECT_EQ(r.boundsCalls[1], 3);  // three runs of the last level
  EXPECT_EQ(r.boundsCalls[0], 3);  // two carries into level 0 and the exhausting one
}

TEST_F(LoopsTest, TotalBeyondTheIntRangeIsReported) {
  Recorder r;
  r.result = 1 << 30;
  int lo[] = {0}, hi[] = {3}, x[1];
  EXPECT_EQ(NestedLoops(1, lo, hi, x, &r, nullptr, record), INT_MAX);  // 4 * 2^30 = 2^32
  EXPECT_TRUE(alerted("Integer overflow"));
}

int nested(int, int* x, void*) {
  int lo[] = {0}, hi[] = {x[0]}, y[1];  // a loop of its own over x[0] + 1 values
  Recorder inner;
  return NestedLoops(1, lo, hi, y, &inner, nullptr, record);
}

TEST_F(LoopsTest, BodiesMayRunLoopsOfTheirOwn) {
  int lo[] = {0}, hi[] = {3}, x[1];
  EXPECT_EQ(NestedLoops(1, lo, hi, x, nullptr, nullptr, nested), 10);  // 1 + 2 + 3 + 4
}

// --- RandomizedLoops ---------------------------------------------------------------------

TEST_F(LoopsTest, RandomSamplesStayInTheBox) {
  Recorder r;
  r.result = 0;
  int lo[] = {-2, 10}, hi[] = {2, 10}, x[2];
  EXPECT_EQ(RandomizedLoops(2, lo, hi, x, &r, 2000, record), 0);
  std::vector<int> hits(5, 0);
  for (const Tuple& t : r.seen) {
    ASSERT_TRUE(t[0] >= -2 && t[0] <= 2 && t[1] == 10);
    ++hits[t[0] + 2];
  }
  for (int h : hits) EXPECT_GT(h, 0);  // each value has probability 1/5 per sample
  Recorder ten;
  EXPECT_EQ(RandomizedLoops(2, lo, hi, x, &ten, 10, record), 10);
  EXPECT_EQ(RandomizedLoops(2, lo, hi, x, &ten, 0, record) +
                RandomizedLoops(0, lo, hi, x, &ten, 5, record),
            0);
  EXPECT_EQ(ten.seen.size(), 10u);
}

TEST_F(LoopsTest, RandomLoopsShareTheResultCodes) {
  int lo[] = {0}, hi[] = {9}, x[1];
  struct Case {
    std::vector<int> script;
    int expected;
  };
  const Case cases[] = {
      {{1, 1, -1}, 3}, {{1, 1, -2}, 2}, {{1, 1, -3}, -3}, {{1, 1, -7}, -7}, {{-1}, 1}};
  for (const Case& c : cases) {
    Recorder r;
    r.script = c.script;
    EXPECT_EQ(RandomizedLoops(1, lo, hi, x, &r, 100, record), c.expected);
    EXPECT_EQ(r.seen.size(), c.script.size());
  }
}

TEST_F(LoopsTest, LoopLength) {
  int lo[] = {0, 1, 0}, hi[] = {2, 4, 99999}, zeros[] = {0, 0, 0}, big[] = {99999, 99999, 99999};
  EXPECT_EQ(getLoopLength(2, lo, hi), 12.0);
  EXPECT_EQ(getLoopLength(0, lo, hi), 1.0);
  EXPECT_EQ(getLoopLength(3, zeros, big), 1e15);  // beyond any int
}

TEST_F(LoopsTest, LoopPositionIsTheRankInTheEnginesOrder) {
  // Every tuple of the box, in the order NestedLoops visits it, ranks 0, 1, ..., length - 1.
  Recorder box;
  int lo[] = {0, -1, 5}, hi[] = {1, 1, 6}, x[3];
  NestedLoops(3, lo, hi, x, &box, nullptr, record);
  ASSERT_EQ(box.seen.size(), 12u);
  for (std::size_t k = 0; k < box.seen.size(); ++k)
    EXPECT_EQ(getLoopPosition(3, lo, hi, box.seen[k].data()), static_cast<double>(k));
  // Where bounds skip tuples the ranks jump: (1, 0) follows (0, 0) of the triangle x1 <= x0
  // in a 2 x 2 box, and (1, 1) is the last of the box.
  Recorder cut;
  int lo2[] = {0, 0}, hi2[] = {1, 1};
  NestedLoops(2, lo2, hi2, x, &cut, triangle, record);
  ASSERT_EQ(cut.seen, (std::vector<Tuple>{{0, 0}, {1, 0}, {1, 1}}));
  EXPECT_EQ(getLoopPosition(2, lo2, hi2, cut.seen[1].data()), 2.0);
  EXPECT_EQ(getLoopPosition(2, lo2, hi2, cut.seen[2].data()), 3.0);
  // Entries outside their range count as its nearest end; an empty range has one place.
  int outside[] = {5, -3, 9};
  EXPECT_EQ(getLoopPosition(3, lo, hi, outside), 1 * 6 + 0 * 2 + 1);
  int emptyLo[] = {2}, emptyHi[] = {1}, at[] = {2};
  EXPECT_EQ(getLoopPosition(1, emptyLo, emptyHi, at), 0.0);
  // Beyond the int range: in the box 0..99999 cubed each step of the first index passes
  // 10^10 tuples, so 99999 x 10^10 come before (99999, 0, 0).
  int zeros[] = {0, 0, 0}, big[] = {99999, 99999, 99999}, corner[] = {99999, 0, 0};
  EXPECT_EQ(getLoopPosition(3, zeros, big, corner), 99999e10);
}

// --- Iterators ------------------------------------------------------------------------------

// Runs an iterator from the current x until it reports exhaustion; returns every tuple.
template <class Step>
std::vector<Tuple> drive(int n, int* x, Step step, int going = 0) {
  std::vector<Tuple> seen{Tuple(x, x + n)};
  while (step() == going) seen.emplace_back(x, x + n);
  return seen;
}

TEST_F(LoopsTest, Odometers) {
  int lo[] = {0, 1}, hi[] = {2, 3}, x[2];
  ASSERT_EQ(incrementInit(2, lo, hi, x), 0);
  EXPECT_EQ(drive(2, x, [&] { return increment(2, lo, hi, x); }),
            (std::vector<Tuple>{{0, 1}, {0, 2}, {1, 1}, {1, 2}}));
  EXPECT_EQ((Tuple{x[0], x[1]}), (Tuple{0, 1}));  // back at lo after the last carry
  int emptyHi[] = {2, 1};
  EXPECT_EQ(incrementInit(2, lo, emptyHi, x), 1);
  EXPECT_EQ(incrementInit(0, lo, hi, x) * 10 + increment(0, lo, hi, x), 1);
  // Without a cut incrementCut is the odometer; with one the last index runs below lo[n-1].
  int y[2] = {0, 1}, cutLo[] = {0, 2};
  EXPECT_EQ(drive(2, y, [&] { return incrementCut(2, lo, hi, y, 0); }),
            (std::vector<Tuple>{{0, 1}, {0, 2}, {1, 1}, {1, 2}}));
  y[0] = y[1] = 0;
  EXPECT_EQ(incrementCut(2, cutLo, hi, y, 1), 0);
  EXPECT_EQ((Tuple{y[0], y[1]}), (Tuple{0, 1}));
  // The squeezed odometer starts at 0 and tells its callback which index changed.
  std::vector<int> levels;
  auto note = [](int, int level, int*, int*, int*, void* ctx) {
    static_cast<std::vector<int>*>(ctx)->push_back(level);
  };
  int z[2] = {9, 9}, zeroLo[] = {0, 0}, zHi[] = {2, 2};
  EXPECT_EQ(incrementSqueezed(2, 1, z, zHi, zeroLo, &levels, note), 0);
  EXPECT_EQ(drive(2, z, [&] { return incrementSqueezed(2, 0, z, zHi, zeroLo, &levels, note); }),
            (std::vector<Tuple>{{0, 0}, {0, 1}, {1, 0}, {1, 1}}));
  EXPECT_EQ(levels, (std::vector<int>{2, 1, 0, 1}));
}

TEST_F(LoopsTest, OrderedTuplesAndSubsets) {
  int x[3] = {0, 0, 0};
  EXPECT_EQ(drive(2, x, [&] { return increment_ordered(2, 3, x); }),
            (std::vector<Tuple>{{0, 0}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {2, 2}}));
  // Multisets of size 3 from 4 labels: C(4 + 3 - 1, 3) = 20, all non-increasing.
  x[0] = x[1] = x[2] = 0;
  std::vector<Tuple> multisets = drive(3, x, [&] { return increment_ordered(3, 4, x); });
  EXPECT_EQ(multisets.size(), 20u);
  for (const Tuple& t : multisets) EXPECT_TRUE(t[0] >= t[1] && t[1] >= t[2]);
  int s[3] = {0, 1, 2};
  EXPECT_EQ(drive(
                2, s, [&] { return incrementBinomial(4, 2, s); }, 1),
            (std::vector<Tuple>{{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}}));
  s[0] = 0, s[1] = 1, s[2] = 2;
  std::vector<Tuple> subsets = drive(
      3, s, [&] { return incrementBinomial(6, 3, s); }, 1);
  EXPECT_EQ(subsets.size(), 20u);  // C(6, 3), strictly increasing and in lexicographic order
  for (std::size_t i = 0; i < subsets.size(); ++i) {
    EXPECT_TRUE(subsets[i][0] < subsets[i][1] && subsets[i][1] < subsets[i][2] &&
                subsets[i][2] < 6);
    if (i > 0) {
      EXPECT_LT(subsets[i - 1], subsets[i]);
    }
  }
  EXPECT_EQ(incrementBinomial(4, 0, s), 0);
}

TEST_F(LoopsTest, TuplesUnderALinearBound) {
  int range[] = {3, 3}, coef[] = {1, 2}, x[2], rest = -1;
  ASSERT_EQ(incrementBoundedInit(2, range, x, coef, 3, &rest), 0);
  std::vector<Tuple> seen{{x[0], x[1], rest}};
  while (incrementBounded(2, range, x, coef, 3, &rest) == 0) seen.push_back({x[0], x[1], rest});
  // Every (x0, x1) with x0 + 2 x1 <= 3 and entries below 3, with what is left of the bound.
  EXPECT_EQ(seen, (std::vector<Tuple>{{0, 0, 3}, {0, 1, 1}, {1, 0, 2}, {1, 1, 0}, {2, 0, 1}}));
  int zeroCoef[] = {0, 1};  // a zero coefficient leaves only the range as limit
  ASSERT_EQ(incrementBoundedInit(2, range, x, zeroCoef, 1, &rest), 0);
  EXPECT_EQ(drive(2, x, [&] { return incrementBounded(2, range, x, zeroCoef, 1, &rest); }).size(),
            6u);
  // Double coefficients: 1.5 x0 + x1 <= 3 with 0 <= x_i <= 2.
  int lo[] = {0, 0}, hi[] = {2, 2};
  double coefD[] = {1.5, 1.0}, restD = 0;
  ASSERT_EQ(incrementBoundedInit_Double(2, range, x, coefD, &restD, 3.0), 0);
  EXPECT_EQ(drive(2, x, [&] { return incrementBounded_Double(2, lo, hi, x, coefD, &restD, 3.0); }),
            (std::vector<Tuple>{{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {2, 0}}));
  EXPECT_EQ(restD, 3.0);  // back at 0 after the last tuple
  EXPECT_TRUE(silent());
  // Refusals: an empty range silently, a negative coefficient with a message.
  int emptyRange[] = {3, 0}, negative[] = {1, -1};
  double negativeD[] = {1.0, -0.5};
  EXPECT_EQ(incrementBoundedInit(2, emptyRange, x, coef, 5, &rest), 1);
  EXPECT_TRUE(silent());
  EXPECT_EQ(incrementBoundedInit(2, range, x, negative, 5, &rest), 1);
  EXPECT_TRUE(alerted("Negative coefficient"));
  EXPECT_EQ(incrementBoundedInit_Double(2, range, x, negativeD, &restD, 5.0), 1);
  EXPECT_TRUE(alerted("Negative coefficient"));
}

// A body that never looks for Ctrl-C itself (the tachyon check, say): Ctrl-C during its third
// call ends the loop with StopRequest before a fourth, in a box of a million tuples.
int interruptAtThirdCall(int n, int* x, void* ctx) {
  auto* r = static_cast<Recorder*>(ctx);
  r->seen.emplace_back(x, x + n);
  if (r->seen.size() == 3) std::raise(SIGINT);
  return 1;
}

TEST_F(LoopsTest, CtrlCInABodyThatDoesNotPollEndsTheLoopBeforeTheNextBody) {
  installInterruptHandler();
  int lo[] = {0, 0}, hi[] = {999, 999}, x[2];
  Recorder nested;
  EXPECT_THROW(NestedLoops(2, lo, hi, x, &nested, nullptr, interruptAtThirdCall), StopRequest);
  EXPECT_EQ(nested.seen, (std::vector<Tuple>{{0, 0}, {0, 1}, {0, 2}}));
  Recorder sampled;
  EXPECT_THROW(RandomizedLoops(2, lo, hi, x, &sampled, 1000000, interruptAtThirdCall), StopRequest);
  EXPECT_EQ(sampled.seen.size(), 3u);
  // A Ctrl-C that came before the loop stops it before its first body.
  Recorder early;
  std::raise(SIGINT);
  EXPECT_THROW(NestedLoops(2, lo, hi, x, &early, nullptr, record), StopRequest);
  EXPECT_TRUE(early.seen.empty());
  removeInterruptHandler();
}

}  // namespace
