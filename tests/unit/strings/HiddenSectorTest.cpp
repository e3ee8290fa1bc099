// Hidden-sector search of standard-model candidates on E8 level 1 (orientifold 0): one real
// orthogonal boundary 0 with R(0, 0) = U(0) = 1, tadpole row x - 512 = 0, remaining tension
// -4 + N for N observable branes on boundary 0.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "runtime/Parameters.h"
#include "strings/HiddenSector.h"
#include "strings/TadpoleInternal.h"

namespace {

std::vector<std::string>& traced() {
  static std::vector<std::string> lines;
  return lines;
}

void traceInto(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  traced().push_back(buffer);
}

bool wasTraced(const std::string& text) {
  for (const std::string& line : traced())
    if (line == text) return true;
  return false;
}

class HiddenSectorTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    ASSERT_EQ(run("algebra e 8 1"), 0);
    ASSERT_EQ(run("select orientifold 0"), 0);
    traced().clear();
    setTraceFunction(traceInto);
    capture.clear();
  }
  void TearDown() override {
    resetTraceFunction();
    ZoqTest::TearDown();
  }
};

TEST_F(HiddenSectorTest, WithoutStacksTheHiddenSectorIsOneStackOf512Branes) {
  const int none[1] = {0};
  EXPECT_EQ(findTadpoleSolutionForSM(0, 0, none, none), -2);
  const tadpole::TadpoleState& s = tadpole::state();
  EXPECT_EQ(s.HiddenSector, 1);
  EXPECT_EQ(ActiveBoundaries(0), 1);
  EXPECT_EQ(s.ActBoundReasonCode[0], 0);
  EXPECT_EQ(getNumberOfLoopVariables(), 1);
  int x[2] = {512, 0};
  EXPECT_EQ(checkTadpoleSolution(x), 1);
  EXPECT_FALSE(wasTraced("All boundaries oversaturate the orientifold tension"));
}

TEST_F(HiddenSectorTest, StacksOnTheOnlyBoundaryLeaveNoCandidateAndNoSolution) {
  const int labels[1] = {0};
  const int three[1] = {3};
  EXPECT_EQ(findTadpoleSolutionForSM(1, 0, labels, three), -1);
  EXPECT_TRUE(wasTraced("All boundaries oversaturate the orientifold tension"));
  EXPECT_EQ(ActiveBoundaries(0), 0);
  EXPECT_EQ(FixedVariables(0), 3);
  EXPECT_FALSE(alerted("Tadpole bound violation"));
  // Five branes exceed the tension (rhs = 1): the alert, then still no solution.
  traced().clear();
  const int five[1] = {5};
  EXPECT_EQ(findTadpoleSolutionForSM(1, 0, labels, five), -1);
  EXPECT_NE(capture.stdoutText.find("ori 0, Nfix=1\n"), std::string::npos);
  EXPECT_TRUE(alerted("Tadpole bound violation"));
}

TEST_F(HiddenSectorTest, SelectionRefusesABoundaryBeyondTheRemainingTension) {
  const int none[1] = {0};
  // R(0, 0) - 1e-7 > 0.5: reason 12; with no boundary left the O-plane charge cannot be
  // cancelled and the equation set-up says so (-1).
  EXPECT_EQ(selectHiddenSectorForSM(0, 0, none, none, -0.5), -1);
  EXPECT_EQ(ActiveBoundaries(0), 0);
  EXPECT_EQ(tadpole::state().ActBoundReasonCode[0], 12);
  EXPECT_TRUE(wasTraced("All boundaries oversaturate the orientifold tension"));
  // With room for one brane it is a usable hidden boundary.
  traced().clear();
  EXPECT_EQ(selectHiddenSectorForSM(0, 0, none, none, -1.0), 0);
  EXPECT_EQ(ActiveBoundaries(0), 1);
  EXPECT_EQ(tadpole::state().ActBoundReasonCode[0], 0);
  EXPECT_FALSE(wasTraced("All boundaries oversaturate the orientifold tension"));
}

TEST_F(HiddenSectorTest, ProfileCountsTheOrthogonalBoundaryInEveryMode) {
  const int none[1] = {0};
  const int* p = computeHiddenSectorProfile(0, 0, none, none);
  // Group type 1 (orthogonal): slots 2, 5, 8.
  const std::vector<int> expected{0, 0, 1, 0, 0, 1, 0, 0, 1};
  EXPECT_EQ(std::vector<int>(p, p + 9), expected);
  // Once boundary 0 carries the stacks nothing is left to count.
  const int labels[1] = {0};
  const int two[1] = {2};
  p = computeHiddenSectorProfile(1, 0, labels, two);
  EXPECT_EQ(std::vector<int>(p, p + 9), std::vector<int>(9, 0));
}

}  // namespace

namespace {

TEST_F(HiddenSectorTest, InstantonOnTheOnlyBoundaryLeavesNoSolution) {
  const int none[1] = {0};
  // Boundary 0 is the instanton, so no hidden stack can cancel the O-plane charge.
  EXPECT_EQ(findTadpoleSolutionForInstanton(0, 0, 0, none, none), -1);
  EXPECT_EQ(ActiveBoundaries(0), 0);
  EXPECT_EQ(capture.stdoutText.find("Boundary 0 accepted"), std::string::npos);
  // An instanton label outside the boundaries is refused.
  capture.clear();
  EXPECT_EQ(selectHiddenSectorForInstanton(0, 1, 0, none, none, -4.0), -1);
  EXPECT_TRUE(alerted("Invalid instanton boundary 1"));
  EXPECT_EQ(selectHiddenSectorForInstanton(0, -1, 0, none, none, -4.0), -1);
  EXPECT_TRUE(alerted("Invalid instanton boundary -1"));
}

}  // namespace

namespace {

class HiddenSectorPairTest : public ZoqTest {};

TEST_F(HiddenSectorPairTest, AStackExcludesItsConjugateFromTheHiddenCandidates) {
  // SU(2) level 4, orientifold 0: unitary pairs (0, 1), (2, 3) and orthogonal boundary 4.
  ASSERT_EQ(run("algebra a 1 4"), 0);
  ASSERT_EQ(run("select orientifold 0"), 0);
  capture.clear();
  const int zero[1] = {0};
  const int one[1] = {1};
  const int n1[1] = {1};
  // Conjugate boundaries have complex-conjugate R(0, .), so the same remaining tension and
  // the same excluded pair: the profiles agree.
  const int* p = computeHiddenSectorProfile(1, 0, zero, n1);
  const std::vector<int> withZero(p, p + 9);
  p = computeHiddenSectorProfile(1, 0, one, n1);
  EXPECT_EQ(std::vector<int>(p, p + 9), withZero);
  // No symplectic boundary; boundary 3 (above its conjugate 2) counts in every mode, and
  // only the pair (2, 3) is left among the unitary ones.
  for (int mode = 0; mode < 3; ++mode) {
    EXPECT_EQ(withZero[static_cast<std::size_t>(3 * mode)], 0) << mode;
    EXPECT_GE(withZero[static_cast<std::size_t>(3 * mode + 1)], 1) << mode;
    EXPECT_LE(withZero[static_cast<std::size_t>(3 * mode + 1)], 2) << mode;
  }
  // The selection never makes boundary 0 a hidden stack when its conjugate is observable.
  selectHiddenSectorForSM(1, 0, one, n1, computeTadpoleRHS(0, 1, one, n1));
  EXPECT_EQ(ActiveBoundaries(0), 0);
  EXPECT_EQ(ActiveBoundaries(1), 0);
  EXPECT_EQ(FixedVariables(0), 1);
}

}  // namespace
