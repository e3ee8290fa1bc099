// Ctrl-C during "check tadpole parameters" on the Gepner model of 4,575 boundaries ("build
// cy 7"), with the real zoq binary at a terminal (a pseudo-terminal): wherever it comes, in
// the analysis of the variable bounds that follows the independent equations or at any
// other stage of the command, the prompt comes back after at most a second of the
// program's processor time and the session goes on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BinaryTestSupport.h"

namespace {

using binary_test::processTreeMilliseconds;
using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;

// Processor time the program may spend between Ctrl-C and its prompt.
constexpr long long kAnswerMilliseconds = 1000;

void typeToPrompt(TerminalSession& zoq, const std::vector<std::string>& commands) {
  for (const std::string& command : commands) {
    zoq.type(command + "\n");
    ASSERT_TRUE(zoq.waitFor("\n> ")) << command << "\n" << zoq.output();
  }
}

// A session at the prompt with the model and its invariant, tracing the tadpole solver.
void startWithModel(TerminalSession& zoq) {
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  ASSERT_NO_FATAL_FAILURE(typeToPrompt(zoq, {"build cy 7", "select invariant 0", "set tadpole trace on"}));
}

// Presses Ctrl-C and expects the prompt after at most a second of processor time, and the
// next command answered.
void expectPromptSoonAfterCtrlC(TerminalSession& zoq, const std::string& where) {
  const long long pressed = processTreeMilliseconds(zoq.pid());
  ASSERT_GE(pressed, 0) << where;
  zoq.pressControlC();
  ASSERT_TRUE(zoq.waitFor("> ")) << where << "\n" << zoq.output();
  const long long answered = processTreeMilliseconds(zoq.pid());
  EXPECT_LE(answered - pressed, kAnswerMilliseconds) << where << "\n" << zoq.output();
  zoq.type("evaluate 6*7\n");
  ASSERT_TRUE(zoq.waitFor("42\r\n> ")) << where << "\n" << zoq.output();
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
