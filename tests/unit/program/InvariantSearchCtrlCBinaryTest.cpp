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

// Types the command, lets it work the given processor time (none for 0), then Ctrl-C.
void stopAfter(TerminalSession& zoq, const std::string& command, const std::string& started,
               int milliseconds) {
  zoq.type(command + "\n");
  ASSERT_TRUE(zoq.waitFor(started)) << zoq.output();
  if (milliseconds > 0) {
    ASSERT_TRUE(zoq.letWork(milliseconds)) << zoq.output();
  }
  ASSERT_NO_FATAL_FAILURE(expectPromptSoonAfterCtrlC(zoq, command));
  EXPECT_FALSE(aPromptFollowsTheEcho(zoq.output())) << zoq.output();
}

// The orbifold of the circle at N = 200: one class of ten fields of equal spin and equal S
// against the fixed fields (10! arrangements), the rest in pairs. Ctrl-C as soon as the
// class is announced is answered at once (or the search, quick, is over by then).
TEST(CtrlCInTheInvariantSearches, TheAutomorphismSearchAnswersWhileItTakesUpAClassOfTen) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_NO_FATAL_FAILURE(startWith(zoq, {"algebra orbifold 200"}));
  ASSERT_NO_FATAL_FAILURE(stopAfter(zoq, "search MIPF automorphism", "allocated: 3628804", 0));
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
