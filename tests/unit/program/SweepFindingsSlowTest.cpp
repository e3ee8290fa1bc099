// Commands that the sweep over the command table found unstoppable on the first Gepner
// model of the Calabi-Yau table ("build cy 1", 28,539 fields, a chiral algebra of 57,792
// currents), run by the real zoq binary at a terminal (a pseudo-terminal): each must answer
// Ctrl-C with the prompt (judged in processor time: SweepFindingsScripts.h) and the session
// must go on. Building the model takes a while in a sanitizer build: a long case.
#include <gtest/gtest.h>

#include "BinaryTestSupport.h"
#include "SweepFindingsScripts.h"

namespace {

using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::startOnTheFirstGepnerModel;
using binary_test::TerminalSession;
using sweep_findings::expectCtrlCAnswered;

// "compute heterotic": the candidate lists of the massless loops hold every field of a
// factor within weight 1, some 6.5 million of the N=2 minimal model of level 1804, and
// were ordered by a selection quadratic in their length; the question about the fusion
// table on the way in is answered OK.
TEST(SweepFindingsSlowTest, CtrlCEndsTheHeteroticSpectrum) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_NO_FATAL_FAILURE(startOnTheFirstGepnerModel(zoq));
  ASSERT_NO_FATAL_FAILURE(expectCtrlCAnswered(zoq, "compute heterotic", "OK"));
  quitAndExpectSuccess(zoq);
}

// "create CFT": the ground-state dimension of every field sums over the 57,792 currents,
// and that loop looked for no Ctrl-C.
TEST(SweepFindingsSlowTest, CtrlCEndsCreateCFT) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_NO_FATAL_FAILURE(startOnTheFirstGepnerModel(zoq));
  ASSERT_NO_FATAL_FAILURE(expectCtrlCAnswered(zoq, "create CFT sweep"));
  quitAndExpectSuccess(zoq);
}

}  // namespace
