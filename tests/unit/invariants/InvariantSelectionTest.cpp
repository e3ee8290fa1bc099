// Selection criteria of modular invariants: required, present and forbidden currents of the
// kernels, automorphism pairings, the loop command, the copies kept of the lists, display,
// the criteria written as commands and the resets.
#include "invariants/Invariants.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "InterpreterTestSupport.h"
#include "ModularTestSupport.h"
#include "runtime/Parameters.h"
#include "TestSupport.h"

namespace {

class InvariantSelectionTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    resetInvariantSelection();
    setIntPar("Invariant info_level", 2);
    capture.clear();
  }
  void TearDown() override { resetInvariantSelection(); }
};

int par(const char* name) { return *getIntParPointer(name); }

// Currents A = 3 and B = 5; a left kernel {0, 5} holds B only.
const int kKernelWithB[] = {0, 5};
const int kNoneRight[] = {0};

TEST_F(InvariantSelectionTest, PresentAcceptsOneOfTheCurrentsRequireNeedsAll) {
  const int ab[] = {3, 5, -1};
  setRequireLeftAny(ab);  // "present left"
  EXPECT_EQ(checkAlgebraSelectionCriteria(2, kKernelWithB, 1, kNoneRight), 1);
  EXPECT_EQ(capture.printed, "");

  setRequireLeft(ab);  // "require left"
  EXPECT_EQ(checkAlgebraSelectionCriteria(2, kKernelWithB, 1, kNoneRight), 0);
  EXPECT_EQ(capture.printed, "Rejected; does not contain current 3\n");
  capture.clear();

  // A kernel holding neither current fails both kinds.
  const int neither[] = {0, 7};
  setRequireLeftAny(ab);
  EXPECT_EQ(checkAlgebraSelectionCriteria(2, neither, 1, kNoneRight), 0);
  EXPECT_EQ(capture.printed, "Rejected; does not contain any required left current\n");
  capture.clear();

  // The right list is tested against the right kernel only.
  setRequireLeft(nullptr);
  setRequireRight(ab);
  EXPECT_EQ(checkAlgebraSelectionCriteria(2, kKernelWithB, 1, kNoneRight), 0);
  EXPECT_EQ(capture.printed, "Rejected; does not contain current 3\n");
  const int both[] = {0, 3, 5};
  EXPECT_EQ(checkAlgebraSelectionCriteria(1, kNoneRight, 3, both), 1);
}

TEST_F(InvariantSelectionTest, SetButEmptyRequiredListRejectsEverything) {
  const int empty[] = {-1};
  const int everything[] = {0, 1, 2, 3, 4, 5};
  setRequireLeft(empty);
  EXPECT_EQ(checkAlgebraSelectionCriteria(6, everything, 6, everything), 0);
  EXPECT_EQ(capture.printed, "Rejected; does not contain any required left current\n");
  capture.clear();
  setRequireLeft(nullptr);
  setRequireRightAny(empty);
  EXPECT_EQ(checkAlgebraSelectionCriteria(6, everything, 6, everything), 0);
  EXPECT_EQ(capture.printed, "Rejected; does not contain any required right current\n");
  // Cleared again, everything passes.
  setRequireRightAny(nullptr);
  EXPECT_EQ(checkAlgebraSelectionCriteria(6, everything, 6, everything), 1);
}

TEST_F(InvariantSelectionTest, ForbiddenCurrentsRejectOnTheirSideOnly) {
  const int five[] = {5, -1};
  setForbidRight(five);
  EXPECT_EQ(checkAlgebraSelectionCriteria(2, kKernelWithB, 1, kNoneRight), 1);
  EXPECT_EQ(checkAlgebraSelectionCriteria(1, kNoneRight, 2, kKernelWithB), 0);
  EXPECT_EQ(capture.printed, "Rejected; Right algebra contains forbidden current 5\n");
  capture.clear();
  setForbidLeft(five);
  EXPECT_EQ(checkAlgebraSelectionCriteria(2, kKernelWithB, 1, kNoneRight), 0);
  EXPECT_EQ(capture.printed, "Rejected; Left algebra contains forbidden current 5\n");
  capture.clear();
  // Below info level 2 the rejection is silent.
  setIntPar("Invariant info_level", 1);
  EXPECT_EQ(checkAlgebraSelectionCriteria(2, kKernelWithB, 1, kNoneRight), 0);
  EXPECT_EQ(capture.printed, "");
}

TEST_F(InvariantSelectionTest, ListsAreCopiedWhenSet) {
  int list[] = {3, 5, -1};
  setRequireLeft(list);
  list[0] = 0;  // the caller reuses its array: the criterion still requires 3
  list[1] = -1;
  EXPECT_EQ(checkAlgebraSelectionCriteria(2, kKernelWithB, 1, kNoneRight), 0);
  EXPECT_EQ(capture.printed, "Rejected; does not contain current 3\n");
  capture.clear();
  displaySelectionCriteria(1);
  EXPECT_EQ(capture.printed, "Required left currents (all):  3 5\n");

  int pairs[] = {1, 1, -1};
  setRequireAuto(pairs);
  pairs[1] = 2;
  modular_test::useTheory(1, 1, 2);  // A1 level 2, diagonal invariant: 1 maps to 1
  EXPECT_EQ(checkAutomorphismSelectionCriteria(*getCurrentBulk()), 1);
}

TEST_F(InvariantSelectionTest, PairingsOfTheDiagonalInvariant) {
  modular_test::useTheory(1, 1, 2);
  const BulkInvariant* diagonal = *getCurrentBulk();
  // Off: no pairing is tested.
  EXPECT_EQ(checkAutomorphismSelectionCriteria(diagonal), 1);
  const int wrong[] = {1, 2, -1};
  setRequireAuto(wrong);
  EXPECT_EQ(par("Selection automorphism"), 1);
  // The diagonal invariant maps every field to itself, never 1 to 2.
  EXPECT_EQ(checkAutomorphismSelectionCriteria(diagonal), 0);
  EXPECT_EQ(capture.printed, "Rejected: does not map 1 to 2\n");
  EXPECT_EQ(checkSelectionCriteria(diagonal), 0);
  setRequireAuto(nullptr);
  EXPECT_EQ(par("Selection automorphism"), 0);
  EXPECT_EQ(checkSelectionCriteria(diagonal), 1);
}

TEST_F(InvariantSelectionTest, ClearingTheLoopCommandRestoresTheLoopRange) {
  setIntPar("Loop start", 7);
  setIntPar("Loop end", 12);
  setLoopCommand("total primaries");
  ASSERT_NE(getLoopCommand(), nullptr);
  EXPECT_STREQ(getLoopCommand(), "total primaries");
  EXPECT_EQ(par("Loop end"), 12);  // setting a command keeps the range
  setLoopCommand(nullptr);
  EXPECT_EQ(getLoopCommand(), nullptr);
  EXPECT_EQ(par("Loop start"), 0);
  EXPECT_EQ(par("Loop end"), 2000000000);
}

TEST_F(InvariantSelectionTest, AutoSelectionIsRefusedUnderRandomization) {
  setSelection(2);
  EXPECT_EQ(getAutoSelectionNumber(), 2);
  setIntPar("MIPF random", 1);
  setSelection(3);
  EXPECT_TRUE(alerted("Autoselect is inconsistent with randomization"));
  EXPECT_EQ(getAutoSelectionNumber(), 0);
}

TEST_F(InvariantSelectionTest, DisplayAndResetMessages) {
  displaySelectionCriteria(1);
  EXPECT_EQ(capture.printed, "No selection criteria\n");
  capture.clear();
  displaySelectionCriteria(0);
  EXPECT_EQ(capture.printed, "");

  const int ab[] = {3, 5, -1};
  const int seven[] = {7, -1};
  setIntPar("Selection symmetric", 1);
  setRequireRightAny(ab);
  setForbidLeft(seven);
  setSelection(4);
  displaySelectionCriteria(1);
  EXPECT_EQ(capture.printed,
            "Selection restricted to symmetric invariants\n"
            "Required right currents (any):  3 5\n"
            "Forbidden left currents:  7\n"
            "Auto selection: nr. 4\n");
  capture.clear();

  resetSelectionCriteria();
  EXPECT_EQ(capture.printed,
            "MIPF selection criteria have been reset\n"
            "Chiral algebra requirements have been reset\n");
  EXPECT_EQ(par("Selection symmetric"), 0);
  EXPECT_EQ(getAutoSelectionNumber(), 0);
  EXPECT_EQ(checkAlgebraSelectionCriteria(1, kNoneRight, 1, kNoneRight), 1);
  capture.clear();
  resetSelectionCriteria();  // nothing left to reset
  EXPECT_EQ(capture.printed, "");

  const int pairs[] = {1, 1, -1};
  setRequireAuto(pairs);
  setForbidRight(seven);
  resetAlgebraRequirements();
  EXPECT_EQ(capture.printed,
            "Chiral algebra requirements have been reset\n"
            "Automorphism selection has been reset\n");
}

TEST_F(InvariantSelectionTest, CriteriaAreWrittenAsCommands) {
  const int ab[] = {3, 5, -1};
  const int seven[] = {7, -2};  // -2 ends a list as well
  setIntPar("Selection extension", 1);
  setIntPar("Reject permutations", 0);
  setRequireLeftAny(ab);
  setRequireRight(ab);
  setForbidRight(seven);
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  writeInvariantSelectionCriteria(f);
  std::rewind(f);
  std::string text;
  char buffer[256];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  std::fclose(f);
  EXPECT_EQ(text,
            "set selection extension\n"
            "set autostore off\n"
            "set present left 3 5\n"
            "set require right 3 5\n"
            "set forbid right  7\n");
}

TEST_F(InvariantSelectionTest, AResumePointUnderAutostoreWarnsAndKeepsItsValues) {
  setIntPar("Autostore", 1);
  setSubgroupStart(4, 17);
  EXPECT_TRUE(alerted("Non-zero loop start is inconsistent with autostore"));
  EXPECT_EQ(getSubgroupStart(), 4);
  EXPECT_EQ(getScanMIPFCountStart(), 17);
}

// Through the commands: the handler's own list is gone once it returns, so a criterion
// kept by pointer would read freed memory here.
TEST_F(InvariantSelectionTest, CommandsSetCopiesAndLoopCommandOff) {
  modular_test::useTheory(1, 1, 4);  // A1 level 4: currents 0 and J = 1
  ASSERT_EQ(run("compute spectrum"), 0);
  ASSERT_EQ(run("set require left 1"), 0);
  const int kernel[] = {0};
  EXPECT_EQ(checkAlgebraSelectionCriteria(1, kernel, 1, kernel), 0);
  const int extended[] = {0, 1};
  EXPECT_EQ(checkAlgebraSelectionCriteria(2, extended, 1, kernel), 1);
  ASSERT_EQ(run("set require left"), 0);  // no currents: cleared
  EXPECT_EQ(checkAlgebraSelectionCriteria(1, kernel, 1, kernel), 1);

  setIntPar("Loop end", 99);
  ASSERT_EQ(run("set loop_command {total primaries}"), 0);
  EXPECT_STREQ(getLoopCommand(), "total primaries");
  ASSERT_EQ(run("set loop_command OFF"), 0);
  EXPECT_EQ(getLoopCommand(), nullptr);
  EXPECT_EQ(par("Loop end"), 2000000000);
}

}  // namespace
