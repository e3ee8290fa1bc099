// The one verdict of "solve tadpole": solutions that were only counted are announced with
// their number and the setting that lists them, and a search abandoned by Ctrl-C still
// says how many solutions it had found. The theory is the permutation orbifold of SU(3)
// level 1 with at most three stacks (c = 4, D = 22): with the identical boundaries
// identified, x0 + 2 x1 + 4 x2 = 2048 and x3 + 2 x4 = 2048, so 6 two-stack and
// (1023 + 511 + 511) x 2 + 3 x 1023 = 7159 three-stack solutions, 7165 in all.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"
#include "strings/Tadpole.h"

namespace {

class TadpoleVerdictTest : public ZoqTest {
 protected:
  void loadPermutationOrbifold() {
    ASSERT_EQ(run("algebra a 2 1"), 0);
    ASSERT_EQ(run("create permutation"), 0);
    setIntPar("Tadpole maxstack", 3);
    capture.clear();
  }
  void TearDown() override {
    removeInterruptHandler();
    resetAnalysisFunction();
  }
};

int hookCalls = 0;

// Accepts every solution; the hundredth presses Ctrl-C (the search obeys at its next point).
int pressCtrlCAtTheHundredth(ChanPatonData*) {
  if (++hookCalls == 100) std::raise(SIGINT);
  return 1;
}

TEST_F(TadpoleVerdictTest, CountedSolutionsAreAnnouncedWithTheSettingThatListsThem) {
  ASSERT_NO_FATAL_FAILURE(loadPermutationOrbifold());
  ASSERT_EQ(run("solve tadpole"), 0);
  const std::string verdict =
      "7165 tadpole solutions found; set tadpole show_solution on lists them\n";
  ASSERT_GE(capture.printed.size(), verdict.size());
  EXPECT_EQ(capture.printed.substr(capture.printed.size() - verdict.size()), verdict);
  // No block is printed for a solution when nothing would be shown in it.
  EXPECT_EQ(capture.printed.find("Solution nr."), std::string::npos);
  EXPECT_EQ(capture.printed.find("End of analysis"), std::string::npos);
}

TEST_F(TadpoleVerdictTest, ListedSolutionsGetTheBareCount) {
  ASSERT_NO_FATAL_FAILURE(loadPermutationOrbifold());
  setIntPar("Tadpole maxstack", 2);
  ASSERT_EQ(run("set Tadpole show_solution on"), 0);
  capture.clear();
  ASSERT_EQ(run("solve tadpole"), 0);
  // The six two-stack solutions, each in its block with its stacks.
  EXPECT_NE(capture.printed.find("Solution nr. 5 "), std::string::npos);
  EXPECT_EQ(capture.printed.find("Solution nr. 6 "), std::string::npos);
  EXPECT_NE(capture.printed.find("Brane labels   CP group"), std::string::npos);
  const std::string verdict = "\n6 tadpole solutions found\n";
  ASSERT_GE(capture.printed.size(), verdict.size());
  EXPECT_EQ(capture.printed.substr(capture.printed.size() - verdict.size()), verdict);
}

TEST_F(TadpoleVerdictTest, CtrlCEndsTheSearchWithTheSolutionsFoundSoFar) {
  ASSERT_NO_FATAL_FAILURE(loadPermutationOrbifold());
  hookCalls = 0;
  setCheckSolutionFunction(pressCtrlCAtTheHundredth);
  installInterruptHandler();
  EXPECT_THROW(run("solve tadpole"), StopRequest);
  EXPECT_EQ(hookCalls, 100);
  const std::string verdict =
      "Search interrupted; 100 solutions found so far; set tadpole show_solution on lists them\n";
  ASSERT_GE(capture.printed.size(), verdict.size());
  EXPECT_EQ(capture.printed.substr(capture.printed.size() - verdict.size()), verdict);
  EXPECT_EQ(capture.printed.find("tadpole solutions found"), std::string::npos);
}

TEST_F(TadpoleVerdictTest, CtrlCAfterListedSolutionsGivesTheCountAlone) {
  ASSERT_NO_FATAL_FAILURE(loadPermutationOrbifold());
  hookCalls = 0;
  // An analysis hook prints into each solution's block, so every solution is listed.
  setAnalysisFunction(pressCtrlCAtTheHundredth);
  installInterruptHandler();
  EXPECT_THROW(run("solve tadpole"), StopRequest);
  EXPECT_NE(capture.printed.find("Solution nr. 99 "), std::string::npos);
  const std::string verdict = "\nSearch interrupted; 100 solutions found so far\n";
  ASSERT_GE(capture.printed.size(), verdict.size());
  EXPECT_EQ(capture.printed.substr(capture.printed.size() - verdict.size()), verdict);
}

TEST_F(TadpoleVerdictTest, CtrlCAfterOneSolutionSpeaksOfIt) {
  ASSERT_NO_FATAL_FAILURE(loadPermutationOrbifold());
  hookCalls = 99;  // the first solution presses Ctrl-C; its own acceptance still counts
  setCheckSolutionFunction(pressCtrlCAtTheHundredth);
  installInterruptHandler();
  EXPECT_THROW(run("solve tadpole"), StopRequest);
  const std::string verdict =
      "Search interrupted; 1 solution found so far; set tadpole show_solution on lists it\n";
  ASSERT_GE(capture.printed.size(), verdict.size());
  EXPECT_EQ(capture.printed.substr(capture.printed.size() - verdict.size()), verdict);
}

int rejectAndPressCtrlC(ChanPatonData*) {
  std::raise(SIGINT);
  return 0;
}

TEST_F(TadpoleVerdictTest, CtrlCBeforeAnySolutionSaysNoneWasFound) {
  ASSERT_NO_FATAL_FAILURE(loadPermutationOrbifold());
  setCheckSolutionFunction(rejectAndPressCtrlC);
  installInterruptHandler();
  EXPECT_THROW(run("solve tadpole"), StopRequest);
  const std::string verdict = "\nSearch interrupted; no solution found so far\n";
  ASSERT_GE(capture.printed.size(), verdict.size());
  EXPECT_EQ(capture.printed.substr(capture.printed.size() - verdict.size()), verdict);
}

}  // namespace
