// Ctrl-C in the searches of modular invariants and in the choice of an extension, with the
// real zoq binary at a pseudo-terminal: answered within a second of the program's processor
// time, the prompt on a line of its own (not on the line of the "^C" echo), and the next
// command answered.
#include <gtest/gtest.h>

#include <string>

#include "BinaryTestSupport.h"
#include "PromptAfterCtrlCScripts.h"

namespace {

using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;
using prompt_after_ctrl_c::expectPromptSoonAfterCtrlC;
using prompt_after_ctrl_c::startWith;

// A prompt written on the line of a "^C" echo. (The echo and the program's output race,
// so "> ^C" is possible and no fault.)
bool aPromptFollowsTheEcho(const std::string& output) { return output.find("^C> ") != std::string::npos; }

// Types the command, lets it work the given processor time, then Ctrl-C.
void stopAfter(TerminalSession& zoq, const std::string& command, const std::string& started,
               int milliseconds) {
  zoq.type(command + "\n");
  ASSERT_TRUE(zoq.waitFor(started)) << zoq.output();
  ASSERT_TRUE(zoq.letWork(milliseconds)) << zoq.output();
  ASSERT_NO_FATAL_FAILURE(expectPromptSoonAfterCtrlC(zoq, command));
  EXPECT_FALSE(aPromptFollowsTheEcho(zoq.output())) << zoq.output();
}

// SU(2) at level 2 to the fifth: 243 fields, whose classes of equal spin hold 16, 15 and
// more fields, each cut to ten (a question each, answered "OK"); the permutations of the
// ten that keep S are many thousands, each an invariant printed, so the search runs long.
// Its classes of ten (10! arrangements each) answer Ctrl-C as the rest of it does.
TEST(CtrlCInTheInvariantSearches, TheAutomorphismSearchAnswersWithinASecond) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_NO_FATAL_FAILURE(
      startWith(zoq, {"tensor", "g a 1 2", "g a 1 2", "g a 1 2", "g a 1 2", "g a 1 2", "compute spectrum"}));
  zoq.type("search MIPF automorphism\n");
  // Each class cut asks; the first invariant found ends the questions.
  for (;;) {
    const int seen = zoq.waitForOne({"(OK/Ignore/Scroll/Quit/Stop/Auto/Help):", "Modular invariant"});
    ASSERT_GE(seen, 0) << zoq.output();
    if (seen == 1) break;
    zoq.type("o\n");
  }
  EXPECT_NE(zoq.output().find("allocated: 3628804"), std::string::npos);  // 10! + 4
  ASSERT_TRUE(zoq.letWork(1000)) << zoq.output();
  ASSERT_NO_FATAL_FAILURE(expectPromptSoonAfterCtrlC(zoq, "search MIPF automorphism"));
  EXPECT_FALSE(aPromptFollowsTheEcho(zoq.output())) << zoq.output();
  quitAndExpectSuccess(zoq);
}

// The Gepner model 110 with its invariant 1: the candidates of chiral algebras number more
// than 10^86, a loop that runs until stopped.
TEST(CtrlCInTheInvariantSearches, TheExtensionSearchPutsThePromptOnItsOwnLine) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_NO_FATAL_FAILURE(startWith(zoq, {"build cy 110", "select invariant 1"}));
  ASSERT_NO_FATAL_FAILURE(stopAfter(zoq, "search MIPF extension", "Loop length: ", 1000));
  quitAndExpectSuccess(zoq);
}

// "select extension 1" on the Gepner model 110 collects its extensions and computes the
// spectrum of the extended product, several seconds of work.
TEST(CtrlCInTheInvariantSearches, TheChoiceOfAnExtensionPutsThePromptOnItsOwnLine) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_NO_FATAL_FAILURE(startWith(zoq, {"build cy 110"}));
  ASSERT_NO_FATAL_FAILURE(stopAfter(zoq, "select extension 1", "select extension 1", 2000));
  quitAndExpectSuccess(zoq);
}

}  // namespace
