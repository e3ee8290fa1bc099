// Ctrl-C at a terminal (a pseudo-terminal) with the real zoq binary: answered in time it
// changes nothing, also when pressed twice, so that the notice of an unanswered Ctrl-C and
// the exit after it never come; and the prompt after it starts on a line of its own, not
// on the line of the "^C" echo, whichever way the command took it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <string>

#include "BinaryTestSupport.h"

namespace {

using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;

constexpr char kNotice[] = "Ctrl-C not answered yet";

// The session is at its prompt and answers a command.
void expectTheSessionGoesOn(TerminalSession& zoq) {
  zoq.type("evaluate 6*7\n");
  ASSERT_TRUE(zoq.waitFor("42\r\n> ")) << zoq.output();
}

// A prompt written on the line of a "^C" echo: the fault looked for. (The echo and the
// program's output race, so "> ^C" is possible and no fault.)
bool aPromptFollowsTheEcho(const std::string& output) { return output.find("^C> ") != std::string::npos; }

TEST(CtrlCAnsweredInTime, TwoQuickPressesOnACommandThatStopsAtOnceKeepTheSession) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  // "search NIMrep" on SU(3) at level 5 polls at every candidate and runs for minutes.
  zoq.type("algebra a 2 5\n");
  ASSERT_TRUE(zoq.waitFor("21 primaries")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  zoq.type("search NIMrep 9\n");
  ASSERT_TRUE(zoq.waitFor("Diagonal NIMrep candidates")) << zoq.output();
  ASSERT_TRUE(zoq.letWork(500)) << zoq.output();
  zoq.pressControlC();
  zoq.pressControlC();
  ASSERT_TRUE(zoq.waitFor("Diagonal NIMrep candidates stopped; Total time")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  // Longer than the two seconds after which an unanswered Ctrl-C gets its notice.
  zoq.letRun(3000);
  ASSERT_NO_FATAL_FAILURE(expectTheSessionGoesOn(zoq));
  EXPECT_EQ(zoq.output().find(kNotice), std::string::npos) << zoq.output();
  EXPECT_FALSE(aPromptFollowsTheEcho(zoq.output())) << zoq.output();
  quitAndExpectSuccess(zoq);
}

TEST(CtrlCAnsweredInTime, TwoPressesAtThePromptThreeSecondsApartKeepTheSession) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  zoq.pressControlC();
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  zoq.letRun(3000);
  zoq.pressControlC();
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  zoq.letRun(3000);
  ASSERT_NO_FATAL_FAILURE(expectTheSessionGoesOn(zoq));
  EXPECT_EQ(zoq.output().find(kNotice), std::string::npos) << zoq.output();
  quitAndExpectSuccess(zoq);
}

// Ctrl-C at the question of an alert stops the command as the answer "Stop" does; the
// question's line holds the "^C", so the prompt goes on the next. "search MIPF automorphism"
// on five factors SU(2) at level 2 asks first: the three fields of each factor give classes
// of equal spin with more than 10 fields, more than its permutation tables hold.
TEST(ThePromptAfterCtrlC, StartsOnALineOfItsOwnAfterAQuestion) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  for (const char* line : {"tensor", "g a 1 2", "g a 1 2", "g a 1 2", "g a 1 2", "g a 1 2"}) {
    zoq.type(std::string(line) + "\n");
    ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  }
  zoq.type("compute spectrum\n");
  ASSERT_TRUE(zoq.waitFor("243 primaries")) << zoq.output();  // 3^5
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  zoq.type("search MIPF automorphism\n");
  ASSERT_TRUE(zoq.waitFor("(OK/Ignore/Scroll/Quit/Stop/Auto/Help):")) << zoq.output();
  zoq.pressControlC();
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  ASSERT_NO_FATAL_FAILURE(expectTheSessionGoesOn(zoq));
  EXPECT_FALSE(aPromptFollowsTheEcho(zoq.output())) << zoq.output();
  quitAndExpectSuccess(zoq);
}

}  // namespace
