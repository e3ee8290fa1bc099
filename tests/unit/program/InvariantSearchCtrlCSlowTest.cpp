// Ctrl-C in the automorphism search on a theory where it runs long, with the real zoq
// binary at a pseudo-terminal: answered within a second of the program's processor time,
// the prompt on a line of its own and the next command answered. (Its set-up takes half a
// minute under the checked build.)
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

// SU(2) at level 2 to the fifth: 243 fields, whose classes of equal spin hold 16, 15 and
// more fields, each cut to ten (a question each, answered "OK"); the permutations of the
// ten that keep S are many thousands, each an invariant printed, so the search runs long.
// Its classes of ten (10! arrangements each) answer Ctrl-C as the rest of it does.
TEST(CtrlCInTheAutomorphismSearchSlowTest, AnswersWithinASecondAmongThousandsOfInvariants) {
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
  // Short: the invariants come by the thousand, and all of them are read here.
  ASSERT_TRUE(zoq.letWork(300)) << zoq.output();
  ASSERT_NO_FATAL_FAILURE(expectPromptSoonAfterCtrlC(zoq, "search MIPF automorphism"));
  EXPECT_EQ(zoq.output().find("^C> "), std::string::npos) << zoq.output();
  quitAndExpectSuccess(zoq);
}

}  // namespace
