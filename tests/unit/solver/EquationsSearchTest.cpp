// The bounded search loops and the acceptance protocol, driven by a small client that
// fills the records the way the tadpole solver does: the known examples, the result codes
// of the callback, the filters of the loop body, the kernel bookkeeping of the full search,
// and a property test against enumeration of the whole box.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "interpreter/Interpreter.h"
#include "program/Boot.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "solver/Equations.h"
#include "TestSupport.h"

namespace {

using Point = std::vector<int>;

// What the acceptance callback saw, and what it answers.
struct CallbackLog {
  int N = 0;
  int reply = 1;
  std::vector<Point> seen;
};
CallbackLog callbackLog;

int recordCandidate(int* candidate) {
  callbackLog.seen.emplace_back(candidate, candidate + callbackLog.N);
  return callbackLog.reply;
}

// Stands in for the tadpole solver: owns the two records, fills the equations and
// bounds, reduces the equations and hands copies of the bounds to the search.
class Client {
 public:
  // rows: equations over variables + 1 entries (the constant last).
  Client(const std::vector<std::vector<double>>& rows, const Point& lo, const Point& hi) {
    N = static_cast<int>(lo.size()) + 1;
    int neq = static_cast<int>(rows.size());
    ok = setEquationDataSize(&ED, N, neq, std::max(5 * neq, 5000)) == 1;
    if (!ok) return;
    for (int r = 0; r < neq; ++r) {
      for (int j = 0; j < N; ++j) equationRow(&ED, r)[j] = rows[r][j];
    }
    for (int i = 0; i + 1 < N; ++i) {
      ED.minima[i] = lo[i];
      ED.maxima[i] = hi[i];
    }
    callbackLog.N = N;
    callbackLog.seen.clear();
  }
  int reduce() {
    int result = getIndependentEquations(&ED, nullptr);
    ED.nanalysed = 0;
    initKernelData(&KD, &ED);
    return result;
  }
  void copyBounds() {
    std::copy(ED.minima, ED.minima + N, ED.loopMinima);
    std::copy(ED.maxima, ED.maxima + N, ED.loopMaxima);
  }
  int search(int full, int firstonly, int verbosity = 0, int interval = 1000000) {
    copyBounds();
    InitializeEquationSolver();
    return DiophLoops(&KD, &ED, ED.loopMinima, ED.loopMaxima, verbosity, interval, nullptr,
                      recordCandidate, full, firstonly);
  }
  int searchSingle(int limit) {
    copyBounds();
    InitializeEquationSolver();
    return DiophLoopsSingle(&KD, &ED, ED.loopMinima, ED.loopMaxima, limit, nullptr,
                            recordCandidate);
  }

  int N = 0;
  bool ok = false;
  EquationData ED{"TestEquations.Equations", "TestEquations.Bounds"};
  KernelData KD;
};

class EquationsSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    callbackLog = CallbackLog{};
  }
};

std::set<Point> asSet(const std::vector<Point>& points) {
  return std::set<Point>(points.begin(), points.end());
}

// x0 + x1 + x2 - 2 = 0 in 0..2: the six ways to write 2 as a sum of three.
const std::set<Point> kSixSolutions = {{2, 0, 0, 1}, {1, 1, 0, 1}, {1, 0, 1, 1},
                                       {0, 2, 0, 1}, {0, 1, 1, 1}, {0, 0, 2, 1}};

TEST_F(EquationsSearchTest, AcceptingEverythingFindsTheSixSolutions) {
  Client client({{1, 1, 1, -2}}, {0, 0, 0}, {2, 2, 2});
  ASSERT_EQ(client.reduce(), 1);
  EXPECT_EQ(client.search(0, 0), -9);
  EXPECT_EQ(callbackLog.seen.size(), 6u);
  EXPECT_EQ(asSet(callbackLog.seen), kSixSolutions);
}

TEST_F(EquationsSearchTest, FirstOnlyStopsAfterOneSolution) {
  Client client({{1, 1, 1, -2}}, {0, 0, 0}, {2, 2, 2});
  ASSERT_EQ(client.reduce(), 1);
  OutputCapture capture;
  EXPECT_EQ(client.search(0, 1, 1), -4);
  ASSERT_EQ(callbackLog.seen.size(), 1u);
  EXPECT_EQ(kSixSolutions.count(callbackLog.seen[0]), 1u);
  EXPECT_NE(
      capture.printed.find("Starting nested variable loops\n(Stopped after first solution)\n"),
      std::string::npos);
}

TEST_F(EquationsSearchTest, AcceptingNothingGivesNoSolution) {
  Client client({{1, 1, 1, -2}}, {0, 0, 0}, {2, 2, 2});
  ASSERT_EQ(client.reduce(), 1);
  callbackLog.reply = 0;
  EXPECT_EQ(client.search(0, 0), -1);
  EXPECT_EQ(asSet(callbackLog.seen), kSixSolutions);
  // The solved x0 does not loop: 1 x 3 x 3 points remain.
  FailureReason reason = QueryFailureReason();
  EXPECT_EQ(reason.code, 5);
  EXPECT_EQ(reason.info, 9);
  // The search narrowed the loop copies, never the record's own bounds.
  EXPECT_EQ(client.ED.loopMaxima[0], 0);
  EXPECT_EQ(client.ED.maxima[0], 2);
}

TEST_F(EquationsSearchTest, CallbackResultsSteerTheLoops) {
  Client client({{1, 1, 1, -2}}, {0, 0, 0}, {2, 2, 2});
  ASSERT_EQ(client.reduce(), 1);
  // -1 counts the candidate and stops; -2 stops without counting; -3 or less aborts.
  callbackLog.reply = -1;
  EXPECT_EQ(client.search(0, 0), -4);
  EXPECT_EQ(callbackLog.seen.size(), 1u);
  callbackLog.reply = -2;
  EXPECT_EQ(client.search(0, 0), -1);
  callbackLog.reply = -3;
  EXPECT_EQ(client.search(0, 0), -2);
  callbackLog.reply = -7;
  EXPECT_EQ(client.search(0, 0), 0);
  // A count of 2 per candidate is added up: 12.
  callbackLog.reply = 2;
  EXPECT_EQ(client.search(0, 0), -15);
}

TEST_F(EquationsSearchTest, TheLeanSearchHasTheSameResults) {
  Client client({{1, 1, 1, -2}}, {0, 0, 0}, {2, 2, 2});
  ASSERT_EQ(client.reduce(), 1);
  OutputCapture capture;
  EXPECT_EQ(client.searchSingle(INT_MAX), -4);  // always one solution is enough
  EXPECT_EQ(callbackLog.seen.size(), 1u);
  callbackLog.reply = 0;
  callbackLog.seen.clear();
  EXPECT_EQ(client.searchSingle(INT_MAX), -1);
  EXPECT_EQ(asSet(callbackLog.seen), kSixSolutions);
  EXPECT_EQ(capture.printed, "");
}

TEST_F(EquationsSearchTest, TheLeanSearchStopsAtItsLimitEveryTenThousandCandidates) {
  // No equation: each of the 200 x 200 points is a candidate.
  Client client({}, {0, 0}, {199, 199});
  ASSERT_EQ(client.reduce(), 1);
  callbackLog.reply = 0;
  OutputCapture capture;
  // With the limit 15000 the check at the 10000th candidate passes, the one at the
  // 20000th stops before asking the callback.
  EXPECT_EQ(client.searchSingle(15000), -2);
  EXPECT_EQ(callbackLog.seen.size(), 19999u);
  EXPECT_EQ(capture.printed, "ABORTED (during loop search) \n");
  callbackLog.seen.clear();
  EXPECT_EQ(client.searchSingle(INT_MAX), -1);
  EXPECT_EQ(callbackLog.seen.size(), 40000u);
}

TEST_F(EquationsSearchTest, SolvedVariablesOutsideTheirBoundsAreNoSolutions) {
  // x0 = x1 + x2 in 0..2: x0 is solved and would reach 3 and 4 from the loops.
  Client client({{1, -1, -1, 0}}, {0, 0, 0}, {2, 2, 2});
  ASSERT_EQ(client.reduce(), 1);
  OutputCapture capture;
  EXPECT_EQ(client.search(0, 0), -9);
  EXPECT_EQ(
      asSet(callbackLog.seen),
      (std::set<Point>{
          {0, 0, 0, 1}, {1, 1, 0, 1}, {1, 0, 1, 1}, {2, 2, 0, 1}, {2, 1, 1, 1}, {2, 0, 2, 1}}));
  EXPECT_EQ(capture.diagnostics, "");
}

TEST_F(EquationsSearchTest, AnEmptyBoxHandsNothingToTheCallback) {
  // x0 - x1 = 0 with x1 in 3..2: the engine still visits the corner (3, 3), which is not
  // in the box.
  Client client({{1, -1, 0}}, {0, 3}, {5, 2});
  ASSERT_EQ(client.reduce(), 1);
  EXPECT_EQ(client.search(0, 0), -1);
  EXPECT_TRUE(callbackLog.seen.empty());
  EXPECT_EQ(QueryFailureReason().code, 5);
  EXPECT_EQ(QueryFailureReason().info, -1);
}

TEST_F(EquationsSearchTest, ExclusionRangesRejectCandidates) {
  Client client({{1, 1, 1, -2}}, {0, 0, 0}, {2, 2, 2});
  ASSERT_EQ(client.reduce(), 1);
  client.ED.exclusion = 1;
  for (int i = 0; i < 3; ++i) {
    client.ED.exclusionMinima[i] = 10;  // empty exclusion ranges
    client.ED.exclusionMaxima[i] = 9;
  }
  client.ED.exclusionMinima[1] = client.ED.exclusionMaxima[1] = 1;  // x1 = 1 is excluded
  EXPECT_EQ(client.search(0, 0), -7);
  EXPECT_EQ(asSet(callbackLog.seen),
            (std::set<Point>{{2, 0, 0, 1}, {1, 0, 1, 1}, {0, 2, 0, 1}, {0, 0, 2, 1}}));
  client.ED.exclusion = 0;
  callbackLog.seen.clear();
  EXPECT_EQ(client.search(0, 0), -9);
}

TEST_F(EquationsSearchTest, DoubleTagPairsKeepOneTagAtZero) {
  // No equation; a double-tag pair (0, 1): no candidate has both x0 and x1 non-zero.
  Client client({}, {0, 0}, {1, 1});
  ASSERT_EQ(client.reduce(), 1);
  int v[] = {-1, -1, 0};
  addDoubleTagKernelVector(&client.KD, v, 3, 0, 1, 0);
  EXPECT_EQ(client.search(0, 0), -6);
  // (1, 0) comes after (0, 1): the pair is judged on outer levels only.
  EXPECT_EQ(callbackLog.seen, (std::vector<Point>{{0, 0, 1}, {0, 1, 1}, {1, 0, 1}}));
}

TEST_F(EquationsSearchTest, AFullSearchSeparatesSolutionsFromDeformations) {
  // x0 + x1 - 2 = 0: the solutions (2,0), (1,1), (0,2) are (2,0) + k (-1,1).
  Client client({{1, 1, -2}}, {0, 0}, {2, 2});
  ASSERT_EQ(client.reduce(), 1);
  KernelDoublets(&client.KD, &client.ED, client.ED.minima, client.ED.maxima, 0);
  ASSERT_EQ(client.KD.count, 1);  // -e0 + e1 fills the one free dimension
  OutputCapture capture;
  EXPECT_EQ(client.search(1, 0, 0), -4);  // one solution up to the kernel
  EXPECT_EQ(asSet(callbackLog.seen), (std::set<Point>{{2, 0, 1}, {1, 1, 1}, {0, 2, 1}}));
  const VectorSpace* solutions = getSolutionPointer();
  ASSERT_EQ(solutions->Nfill, 1);
  EXPECT_EQ(Point(solutions->Space, solutions->Space + 3), (Point{2, 0, 1}));
  EXPECT_EQ(capture.printed,
            "\nSummary of all solutions\n\nUnique solution (with 1 parameters)   0:2 2:1\n");
}

TEST_F(EquationsSearchTest, MultiplesOfKnownKernelVectorsAreNotCounted) {
  Client client({{1, 1, -2}}, {0, 0}, {2, 2});
  ASSERT_EQ(client.reduce(), 1);
  KernelDoublets(&client.KD, &client.ED, client.ED.minima, client.ED.maxima, 0);
  OutputCapture capture;
  EXPECT_EQ(client.search(1, 0, 3), -4);
  // (1,1) - (2,0) is the kernel vector, (0,2) - (2,0) twice it.
  std::string text = capture.printed;
  std::size_t first = text.find("Linear combination of known kernel vectors\n");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(text.find("Linear combination of known kernel vectors\n", first + 1),
            std::string::npos);
  EXPECT_NE(text.find("Candidate Kernel Vector  0:-2 1:2\n"), std::string::npos);
}

TEST_F(EquationsSearchTest, NewKernelVectorsAreFoundDuringAFullSearch) {
  // x0 + x1 + x2 - 2 = 0 with an empty kernel: the double-tag analysis finds -e0 - e1 +
  // 2 e2; the search then learns -e0 + e2 from the solutions (1,0,1) and (2,0,0), and the
  // remaining solutions are combinations; (1,1,0) has both tags non-zero.
  Client client({{1, 1, 1, -2}}, {0, 0, 0}, {2, 2, 2});
  ASSERT_EQ(client.reduce(), 1);
  OutputCapture capture;
  EXPECT_EQ(client.search(1, 0, 0), -4);
  EXPECT_EQ(client.KD.ndoubletag, 1);
  EXPECT_EQ(client.KD.nnew, 1);
  EXPECT_EQ(client.KD.count, 2);
  EXPECT_EQ(Point(client.KD.second, client.KD.second + 4), (Point{-1, 0, 1, 0}));
  EXPECT_EQ(capture.printed,
            "\nSummary of all solutions\n\nUnique solution (with 2 parameters)   0:2 3:1\n");
}

TEST_F(EquationsSearchTest, DeformationsOfPointsOutsideTheBoxAreKept) {
  // 3x0+3x1+3x2+2x3+2x4 = 27 and -x0+x1+3x2-x3+3x4 = 18 have exactly the three solutions
  // below in the box (enumeration).
  Client client({{3, 3, 3, 2, 2, -27}, {-1, 1, 3, -1, 3, -18}}, {0, 0, 0, 0, 0}, {6, 2, 4, 3, 4});
  ASSERT_EQ(client.reduce(), 1);
  const std::set<Point> three = {{3, 0, 4, 0, 3, 1}, {2, 2, 3, 0, 3, 1}, {1, 2, 4, 1, 2, 1}};
  EXPECT_EQ(client.search(0, 0), -6);
  EXPECT_EQ(asSet(callbackLog.seen), three);
  callbackLog.seen.clear();
  OutputCapture capture;
  // The double-tag analysis finds v = -e0 + e2 + e3 - e4 (tags 0 and 4). (2,2,3,0,3) + v =
  // (1,2,4,1,2) is in the box, so it is a deformation; (3,0,4,0,3) + v and (1,2,4,1,2) + v
  // have x2 = 5 > 4 and are kept. Their difference is a new kernel vector: one solution.
  EXPECT_EQ(client.search(1, 0), -4);
  EXPECT_EQ(asSet(callbackLog.seen), three);
  ASSERT_EQ(client.KD.ndoubletag, 1);
  EXPECT_EQ(Point(kernelRow(&client.KD, 0), kernelRow(&client.KD, 0) + 6),
            (Point{-1, 0, 1, 1, -1, 0}));
  EXPECT_EQ(client.KD.nnew, 1);
  const VectorSpace* solutions = getSolutionPointer();
  ASSERT_EQ(solutions->Nfill, 1);
  EXPECT_EQ(Point(solutions->Space, solutions->Space + 6), (Point{3, 0, 4, 0, 3, 1}));
}

TEST_F(EquationsSearchTest, ADoubleTagIsCutOnlyWhereTheDeformedPointIsInTheBox) {
  // No equation, 0..1 each, the pair (1, 2) with v = e0 - e1 - e2: (0,1,1) + v = (1,0,0)
  // is in the box and is not visited; (1,1,1) + v = (2,0,0) is not, and is.
  Client client({}, {0, 0, 0}, {1, 1, 1});
  ASSERT_EQ(client.reduce(), 1);
  int v[] = {1, -1, -1, 0};
  addDoubleTagKernelVector(&client.KD, v, 4, 1, 2, 0);
  EXPECT_EQ(client.search(0, 0), -10);
  std::set<Point> seen = asSet(callbackLog.seen);
  EXPECT_EQ(seen.size(), 7u);
  EXPECT_EQ(seen.count({0, 1, 1, 1}), 0u);
  EXPECT_EQ(seen.count({1, 1, 1, 1}), 1u);
}

TEST_F(EquationsSearchTest, NegativeBoundsAreSolvedForAnyInteger) {
  // x0 + x1 + x2 = 3 in -5..5: x2 = 3 - x0 - x1 lies in the box when x0 + x1 = s in
  // -2..8, which 11 - |s| pairs do: 82 solutions.
  Client client({{1, 1, 1, -3}}, {-5, -5, -5}, {5, 5, 5});
  ASSERT_EQ(client.reduce(), 1);
  EXPECT_EQ(client.search(0, 0), -85);
  EXPECT_EQ(asSet(callbackLog.seen).size(), 82u);
  callbackLog.seen.clear();
  callbackLog.reply = 0;
  EXPECT_EQ(client.searchSingle(INT_MAX), -1);
  EXPECT_EQ(asSet(callbackLog.seen).size(), 82u);
}

TEST_F(EquationsSearchTest, AnAbortByTheCallbackEndsAFullSearch) {
  Client client({{1, 1, -2}}, {0, 0}, {2, 2});
  ASSERT_EQ(client.reduce(), 1);
  callbackLog.reply = -3;
  EXPECT_EQ(client.search(1, 0, 0), -2);
  EXPECT_EQ(callbackLog.seen.size(), 1u);
}

// The candidate at which the callback moves the fixed clock, and to which second.
struct ClockMove {
  std::size_t at = 0;
  long long microseconds = 0;
  FixedClock* clock = nullptr;
};
ClockMove clockMove;

int rejectAndMoveClock(int* candidate) {
  recordCandidate(candidate);
  if (callbackLog.seen.size() == clockMove.at) clockMove.clock->set(clockMove.microseconds);
  return 0;
}

class ProgressQuestionTest : public EquationsSearchTest {
 protected:
  // No equation: every point of 0..199 x 0..199 is a candidate, in order; the body's
  // first check comes at the 10000th candidate, when x0 = 49 has moved, so the estimate
  // is the CPU time since the start.
  int run(long long secondsAtCandidate5000, int interval) {
    Client client({}, {0, 0}, {199, 199});
    if (client.reduce() != 1) return 99;
    FixedClock clock;
    clockMove = ClockMove{5000, secondsAtCandidate5000 * 1000000, &clock};
    client.copyBounds();
    InitializeEquationSolver();
    return DiophLoops(&client.KD, &client.ED, client.ED.loopMinima, client.ED.loopMaxima, 0,
                      interval, nullptr, rejectAndMoveClock, 0, 0);
  }
};

TEST_F(ProgressQuestionTest, ALongEstimateStopsTheSearchByDefault) {
  OutputCapture capture;
  // 200 seconds expected, more than ten intervals of 10: the default answer is "No".
  EXPECT_EQ(run(200, 10), -2);
  EXPECT_EQ(callbackLog.seen.size(), 9999u);
  EXPECT_NE(capture.diagnostics.find("Loops in progress; Estimated remaining time   2e+02 sec.\n"
                                     "Do you wish to continue?"),
            std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Assuming default answer: No"), std::string::npos);
}

TEST_F(ProgressQuestionTest, AShortEstimateGoesOnByDefault) {
  OutputCapture capture;
  // 20 seconds expected: the default answer is "Yes" and the search runs to its end.
  EXPECT_EQ(run(20, 10), -1);
  EXPECT_EQ(callbackLog.seen.size(), 40000u);
  EXPECT_NE(capture.diagnostics.find("Estimated remaining time      20 sec."), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Assuming default answer: Yes"), std::string::npos);
}

TEST_F(ProgressQuestionTest, AnsweringNoStopsTheSearch) {
  setInteractive(1);
  ScriptedAnswers answers({"no"});
  OutputCapture capture;
  EXPECT_EQ(run(20, 10), -2);
  EXPECT_EQ(callbackLog.seen.size(), 9999u);
  EXPECT_EQ(ScriptedAnswers::left(), 0u);
}

TEST_F(ProgressQuestionTest, NoQuestionWhileTheIntervalHasNotPassed) {
  OutputCapture capture;
  EXPECT_EQ(run(5, 10), -1);
  EXPECT_EQ(callbackLog.seen.size(), 40000u);
  EXPECT_EQ(capture.diagnostics.find("Loops in progress"), std::string::npos);
}

// 39 outer variables of range 0..2^30 before two inner ones of 0..199: when the question
// comes (candidate 10000, x39 = 49 has moved), the untouched outer box has
// (2^30 + 1)^39 > 10^351 points, beyond the range of a double.
TEST_F(EquationsSearchTest, AnEstimateBeyondTheDoublesIsUnknownAndStopsByDefault) {
  Point lo(41, 0), hi(41, 1 << 30);
  hi[39] = hi[40] = 199;
  Client client({}, lo, hi);
  ASSERT_EQ(client.reduce(), 1);
  FixedClock clock;
  clockMove = ClockMove{5000, 200 * 1000000LL, &clock};
  client.copyBounds();
  InitializeEquationSolver();
  OutputCapture capture;
  EXPECT_EQ(DiophLoops(&client.KD, &client.ED, client.ED.loopMinima, client.ED.loopMaxima, 0, 10,
                       nullptr, rejectAndMoveClock, 0, 0),
            -2);
  EXPECT_EQ(callbackLog.seen.size(), 9999u);
  EXPECT_NE(capture.diagnostics.find("Loops in progress; Estimated remaining time unknown.\n"
                                     "Do you wish to continue?"),
            std::string::npos);
  EXPECT_EQ(capture.all.find("inf"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Assuming default answer: No"), std::string::npos);
}

TEST_F(EquationsSearchTest, VerboseSearchesPrintTheirBounds) {
  Client client({{1, 1, 1, -2}}, {0, 0, 0}, {2, 2, 2});
  ASSERT_EQ(client.reduce(), 1);
  OutputCapture capture;
  client.search(0, 0, 2);
  EXPECT_NE(
      capture.printed.find("Bounds (without using equations):\nMinima  (0,0,0)\nMaxima  (2,2,2)\n"
                           "Total loop length:                   27\n"),
      std::string::npos);
  EXPECT_NE(capture.printed.find("Variable 0 solved from eqn 0\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("Bounds after using equations:\nMinima  (0,0,0)\nMaxima  (0,2,2)\n"
                                 "Total loop length:                    9\n"),
            std::string::npos);
}

TEST_F(EquationsSearchTest, BadRecordsAreRefused) {
  OutputCapture capture;
  EquationData ED;
  KernelData KD;
  int min[] = {0, 1};
  int max[] = {1, 1};
  EXPECT_EQ(DiophLoops(&KD, &ED, min, max, 0, 10, nullptr, recordCandidate, 0, 0), 0);
  EXPECT_NE(capture.diagnostics.find("The equation record is not set up"), std::string::npos);
  ASSERT_EQ(setEquationDataSize(&ED, 2, 0, 5000), 1);
  EXPECT_EQ(DiophLoopsSingle(&KD, &ED, min, max, 10, nullptr, recordCandidate), 0);
  EXPECT_NE(capture.diagnostics.find("The kernel record is not set up for this equation system"),
            std::string::npos);
  initKernelData(&KD, &ED);
  EXPECT_EQ(DiophLoops(&KD, &ED, min, max, 0, 10, nullptr, nullptr, 0, 0), 0);
  EXPECT_NE(capture.diagnostics.find("No bounds or no acceptance function"), std::string::npos);
}

TEST_F(EquationsSearchTest, RelevanceOfKernelVectors) {
  Client client({{1, 1, -2}}, {0, 0}, {2, 2});
  ASSERT_EQ(client.reduce(), 1);
  KernelDoublets(&client.KD, &client.ED, client.ED.minima, client.ED.maxima, 0);
  int v[] = {-1, 1, 0};
  int onSupport[] = {1, 1, 1};
  int offSupport[] = {2, 0, 1};
  EXPECT_EQ(checkRelevanceForKernelVector(onSupport, 3, v), 1);
  EXPECT_EQ(checkRelevanceForKernelVector(offSupport, 3, v), 0);
  int relevant[3] = {0, 0, 0};
  EXPECT_EQ(checkRelevance(offSupport, 3, &client.KD, relevant, 5), 0);
  EXPECT_EQ(checkRelevance(onSupport, 3, &client.KD, relevant, 5), 1);
  EXPECT_EQ(relevant[0], 5);
  EXPECT_EQ(checkRelevance(onSupport, 3, &client.KD, relevant, 6), 0);  // already marked
  EXPECT_EQ(isRelevant(&client.KD, 1), 1);  // beyond the primary vectors
}

TEST_F(EquationsSearchTest, ProgressHeaders) {
  OutputCapture capture;
  printProgressHeader(0, "Starting");
  EXPECT_EQ(capture.printed, "");
  printProgressHeader(1, "Starting");
  EXPECT_EQ(capture.printed, "Starting; ");
  printProgressHeader(2, "Next");
  EXPECT_EQ(capture.printed, "Starting; Next\n");
}

// ---------------------------------------------------------------------------------------
// Property: for random small systems the callback sees exactly the points of the box that
// satisfy every equation.

struct RandomSystem {
  int variables = 0;
  std::vector<std::vector<int>> coefficients;  // integer rows, the constant last
  std::vector<double> scale;                   // each row is handed over times its scale
  Point lo;
  Point hi;
};

// negative: bounds in -5..5 instead of 0..5. positiveFirst: the first row has positive
// coefficients, as the tadpole conditions do; it bounds the kernel loop searches.
RandomSystem makeSystem(std::mt19937& random, bool negative = false, bool positiveFirst = false) {
  auto uniform = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(random); };
  RandomSystem system;
  system.variables = uniform(2, 6);
  int neq = uniform(1, 3);
  for (int i = 0; i < system.variables; ++i) {
    int a = uniform(negative ? -5 : 0, 3);
    int b = uniform(negative ? -2 : 0, 5);
    system.lo.push_back(std::min(a, b));
    system.hi.push_back(std::max(a, b));
  }
  for (int r = 0; r < neq; ++r) {
    std::vector<int> row(system.variables + 1, 0);
    if (r > 0 && uniform(0, 4) == 0) {
      int factor = uniform(-2, 2) == 0 ? 3 : uniform(-2, 2);
      for (int j = 0; j <= system.variables; ++j) row[j] = factor * system.coefficients[0][j];
    } else {
      for (int j = 0; j < system.variables; ++j)
        row[j] = r == 0 && positiveFirst ? uniform(1, 3) : uniform(-3, 3);
      if (uniform(0, 3) > 0) {
        // Through a point of the box, so that solutions are likely.
        int sum = 0;
        for (int j = 0; j < system.variables; ++j)
          sum += row[j] * uniform(system.lo[j], system.hi[j]);
        row[system.variables] = -sum;
      } else {
        row[system.variables] = uniform(-6, 6);
      }
    }
    system.coefficients.push_back(row);
    const double scales[] = {1.0, 0.5, 1.0 / 3.0, -2.0};
    system.scale.push_back(scales[uniform(0, 3)]);
  }
  return system;
}

std::set<Point> enumerateBox(const RandomSystem& system) {
  std::set<Point> solutions;
  Point x(system.lo);
  x.push_back(1);
  for (;;) {
    bool satisfied = true;
    for (const auto& row : system.coefficients) {
      long long sum = 0;
      for (int j = 0; j <= system.variables; ++j) sum += static_cast<long long>(row[j]) * x[j];
      if (sum != 0) satisfied = false;
    }
    if (satisfied) solutions.insert(x);
    int i = system.variables - 1;
    while (i >= 0 && x[i] == system.hi[i]) x[i] = system.lo[i], --i;
    if (i < 0) break;
    ++x[i];
  }
  return solutions;
}

std::vector<std::vector<double>> handedOver(const RandomSystem& system) {
  std::vector<std::vector<double>> rows;
  for (std::size_t r = 0; r < system.coefficients.size(); ++r) {
    std::vector<double> row;
    for (int c : system.coefficients[r]) row.push_back(c * system.scale[r]);
    rows.push_back(row);
  }
  return rows;
}

void expectEverySolutionValid(const RandomSystem& system, const std::vector<Point>& seen) {
  for (const Point& x : seen) {
    for (int i = 0; i < system.variables; ++i) {
      EXPECT_GE(x[i], system.lo[i]);
      EXPECT_LE(x[i], system.hi[i]);
    }
    EXPECT_EQ(x[system.variables], 1);
    for (const auto& row : system.coefficients) {
      long long sum = 0;
      for (int j = 0; j <= system.variables; ++j) sum += static_cast<long long>(row[j]) * x[j];
      EXPECT_EQ(sum, 0);
    }
  }
}

TEST_F(EquationsSearchTest, TheSearchFindsExactlyTheSolutionsOfTheBox) {
  std::mt19937 random(20240611);
  int withSolutions = 0;
  for (int trial = 0; trial < 400; ++trial) {
    resetAll();
    // Every third box reaches below zero.
    RandomSystem system = makeSystem(random, trial % 3 == 2);
    std::set<Point> expected = enumerateBox(system);
    SCOPED_TRACE("trial " + std::to_string(trial));
    Client client(handedOver(system), system.lo, system.hi);
    ASSERT_TRUE(client.ok);
    callbackLog.reply = 1;
    int reduced = client.reduce();
    if (reduced == -1) {
      EXPECT_TRUE(expected.empty());
      continue;
    }
    // Every other trial tightens the bounds first, as the tadpole solver does.
    if (trial % 2 == 1) {
      int improved = ImproveBounds(&client.ED, client.ED.minima, client.ED.maxima, 100000, 10, 0);
      if (improved == -1) {
        EXPECT_TRUE(expected.empty());
        continue;
      }
    }
    int result = client.search(0, 0);
    int count = static_cast<int>(expected.size());
    EXPECT_EQ(result, count == 0 ? -1 : -(3 + count));
    EXPECT_EQ(callbackLog.seen.size(), expected.size());
    EXPECT_EQ(asSet(callbackLog.seen), expected);
    expectEverySolutionValid(system, callbackLog.seen);
    if (count > 0) ++withSolutions;

    // The lean search sees the same candidates when the callback rejects them all.
    callbackLog.reply = 0;
    callbackLog.seen.clear();
    EXPECT_EQ(client.searchSingle(INT_MAX), -1);
    EXPECT_EQ(asSet(callbackLog.seen), expected);
  }
  EXPECT_GT(withSolutions, 100);  // the property was exercised on real solution sets
}

// The solutions of the box that a full search must keep: those whose deformation by no
// double-tag vector (both tags non-zero, the point plus the vector in the box) is again
// a solution of the box. Following deformations ends in this set, so it is empty only
// when the box has no solution.
std::set<Point> kept(const std::set<Point>& expected, const std::vector<Point>& doubleTags) {
  std::set<Point> result;
  for (const Point& x : expected) {
    bool deformation = false;
    for (const Point& v : doubleTags) {
      Point y(x);
      bool tagsSet = true;
      for (std::size_t j = 0; j < x.size(); ++j) {
        if (v[j] == -1 && x[j] == 0) tagsSet = false;
        y[j] += v[j];
      }
      if (tagsSet && expected.count(y) != 0) deformation = true;
    }
    if (!deformation) result.insert(x);
  }
  return result;
}

TEST_F(EquationsSearchTest, AFullSearchKeepsEverySolutionThatIsNoDeformation) {
  std::mt19937 random(20261207);
  int withDoubleTags = 0;
  for (int trial = 0; trial < 300; ++trial) {
    resetAll();
    RandomSystem system = makeSystem(random, trial % 3 == 2, true);
    std::set<Point> expected = enumerateBox(system);
    SCOPED_TRACE("trial " + std::to_string(trial));
    Client client(handedOver(system), system.lo, system.hi);
    ASSERT_TRUE(client.ok);
    if (client.reduce() == -1) continue;
    // Some trials start with primary kernel vectors (the box is left as it is).
    if (trial % 4 == 1)
      KernelDoublets(&client.KD, &client.ED, system.lo.data(), system.hi.data(), 0);
    int primaries = client.KD.count;
    OutputCapture capture;
    int result = client.search(1, 0);
    std::vector<Point> doubleTags;
    for (int i = primaries; i < primaries + client.KD.ndoubletag; ++i) {
      const int* row = kernelRow(&client.KD, i);
      doubleTags.emplace_back(row, row + client.N);
    }
    if (!doubleTags.empty()) ++withDoubleTags;
    std::set<Point> mustKeep = kept(expected, doubleTags);
    EXPECT_EQ(mustKeep.empty(), expected.empty());
    std::set<Point> seen = asSet(callbackLog.seen);
    expectEverySolutionValid(system, callbackLog.seen);
    EXPECT_TRUE(std::includes(seen.begin(), seen.end(), mustKeep.begin(), mustKeep.end()));
    const VectorSpace* solutions = getSolutionPointer();
    if (mustKeep.empty()) {
      EXPECT_EQ(result, -1);
      continue;
    }
    EXPECT_LE(result, -4);
    EXPECT_GE(solutions->Nfill, 1);
    for (int i = 0; i < solutions->Nfill; ++i) {
      const int* row = solutions->Space + static_cast<std::size_t>(i) * client.N;
      EXPECT_EQ(mustKeep.count(Point(row, row + client.N)), 1u);
    }
  }
  EXPECT_GT(withDoubleTags, 30);  // deformations were exercised
}

// Ctrl-C during a search: the callback of the fifth candidate presses it.
int pressCtrlCAtTheFifth(int* candidate) {
  int seen = recordCandidate(candidate);
  if (callbackLog.seen.size() == 5) std::raise(SIGINT);
  return seen;
}

TEST_F(EquationsSearchTest, CtrlCEndsBothSearchesAtTheNextTuple) {
  // No equation: each of the 200 x 200 points is a candidate.
  Client client({}, {0, 0}, {199, 199});
  ASSERT_EQ(client.reduce(), 1);
  callbackLog.reply = 0;
  installInterruptHandler();
  for (int full = 0; full <= 1; ++full) {
    callbackLog.seen.clear();
    client.copyBounds();
    InitializeEquationSolver();
    EXPECT_THROW(DiophLoops(&client.KD, &client.ED, client.ED.loopMinima, client.ED.loopMaxima, 0,
                            1000000, nullptr, pressCtrlCAtTheFifth, full, 0),
                 StopRequest);
    EXPECT_EQ(callbackLog.seen.size(), 5u) << full;
  }
  callbackLog.seen.clear();
  client.copyBounds();
  InitializeEquationSolver();
  EXPECT_THROW(DiophLoopsSingle(&client.KD, &client.ED, client.ED.loopMinima,
                                client.ED.loopMaxima, INT_MAX, nullptr, pressCtrlCAtTheFifth),
               StopRequest);
  EXPECT_EQ(callbackLog.seen.size(), 5u);
  removeInterruptHandler();
  // The next search runs whole.
  callbackLog.seen.clear();
  EXPECT_EQ(client.searchSingle(INT_MAX), -1);
  EXPECT_EQ(callbackLog.seen.size(), 40000u);
}

bool atATerminal() { return true; }

TEST_F(EquationsSearchTest, ASearchShowsHowMuchOfTheBoxItPassed) {
  Client client({}, {0, 0}, {199, 199});
  ASSERT_EQ(client.reduce(), 1);
  callbackLog.reply = 0;
  setInteractive(1);
  setProgressInfo(1);
  setStandardOutputTerminalQuery(atATerminal);
  FixedClock clock;
  OutputCapture capture;
  // The box of the loops holds the constant's entry too: 200 x 200 x 1 tuples, 401 a percent.
  EXPECT_EQ(client.search(0, 0), -1);
  EXPECT_NE(capture.progress.find("Diophantine loops; Progress: 50%"), std::string::npos);
  EXPECT_NE(capture.progress.find("Diophantine loops completed"), std::string::npos);
  setStandardOutputTerminalQuery(nullptr);
}

}  // namespace
