// Ctrl-C during "check tadpole parameters" on the Gepner model of 4,575 boundaries ("build
// cy 7"), with the real zoq binary at a terminal (a pseudo-terminal): wherever it comes, in
// the analysis of the variable bounds that follows the independent equations or at any
// other stage of the command, the prompt comes back after at most a second of the
// program's processor time and the session goes on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BinaryTestSupport.h"
#include "PromptAfterCtrlCScripts.h"

namespace {

using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;
using prompt_after_ctrl_c::expectPromptSoonAfterCtrlC;

// A session at the prompt with the model and its invariant, tracing the tadpole solver.
void startWithModel(TerminalSession& zoq) {
  prompt_after_ctrl_c::startWith(zoq, {"build cy 7", "select invariant 0", "set tadpole trace on"});
}

TEST(ZoqTadpoleBoundsInterrupt, CtrlCStopsTheBoundAnalysisOfTheTadpoleEquations) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_NO_FATAL_FAILURE(startWithModel(zoq));
  zoq.type("check tadpole parameters 0:3\n");
  // The trace line after the independent equations: the bound analysis starts there.
  ASSERT_TRUE(zoq.waitFor("Equations analyzed;")) << zoq.output();
  ASSERT_TRUE(zoq.letWork(100)) << zoq.output();
  ASSERT_NO_FATAL_FAILURE(expectPromptSoonAfterCtrlC(zoq, "bound analysis"));
  // The stopped command left equations that the next one does not take for finished.
  const std::size_t from = zoq.output().size();
  zoq.type("check tadpole parameters 0:3\n");
  ASSERT_TRUE(zoq.waitFor("Uncancelled unphysical tadpole")) << zoq.output().substr(from);
  // The alert asks at a terminal; "Auto" answers it and the ones that follow.
  ASSERT_TRUE(zoq.waitFor("(Continue/Quit/Stop/Auto/Help):")) << zoq.output().substr(from);
  zoq.type("Auto\n");
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output().substr(from);
  quitAndExpectSuccess(zoq);
}

}  // namespace
