// Ctrl-C in "search tachyons 2" with the real zoq binary at a pseudo-terminal: the product
// of the graded D5 algebra and four N=2 minimal models has 3,415,104 simple currents, which
// are put in the canonical order of their group (on a progress line of its own) and then
// searched for a projection of the tachyons. Ctrl-C in the reordering, and in the search
// after it, brings the prompt back after at most a second of processor time; the session
// goes on, and a search that follows runs to its end.
#include <gtest/gtest.h>

#include <string>

#include "BinaryTestSupport.h"
#include "ManyCurrentsBinaryScripts.h"
#include "PromptAfterCtrlCScripts.h"

namespace {

using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;
using many_currents::waitWithin;
using prompt_after_ctrl_c::expectPromptSoonAfterCtrlC;

// Processor time to reach a point of the search: far more than it needs under any build on
// any machine (the reordering starts after about 7 s of the release build, the search of
// the spinors after about 45 s), far less than it took when the current groups of the
// spinors and scalars were compared element by element (more than 800 s).
constexpr long long kReachBudget = 600000;

// A session at its prompt with "search tachyons 2" typed; the position where it was typed.
std::size_t startSearch(TerminalSession& zoq) {
  EXPECT_TRUE(zoq.started());
  EXPECT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  const std::size_t from = zoq.output().size();
  zoq.type("search tachyons 2\n");
  return from;
}

// A search on a small product afterwards runs to its end: nothing of the stopped one is left
// in its way.
void expectASearchRunsToItsEnd(TerminalSession& zoq) {
  const std::size_t from = zoq.output().size();
  zoq.type("search tachyons 33333\n");
  ASSERT_TRUE(waitWithin(zoq, "Computation completed", kReachBudget, from)) << zoq.output().substr(from);
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output().substr(from);
}

TEST(ZoqTachyonSearchSlowTest, CtrlCEndsTheReorderingOfMillionsOfCurrents) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  const std::size_t from = startSearch(zoq);
  ASSERT_TRUE(waitWithin(zoq, "Reordering 3415104 simple currents", kReachBudget, from)) << zoq.output().substr(from);
  // The prompt is looked for after this line (the light fields before it print "-->").
  ASSERT_TRUE(zoq.waitFor("Reordering 3415104 simple currents"));
  // A second into the reordering, which takes several (the orders of the currents, then
  // the identification of their group).
  ASSERT_TRUE(zoq.letWork(1000)) << zoq.output().substr(from);
  ASSERT_NO_FATAL_FAILURE(expectPromptSoonAfterCtrlC(zoq, "in the reordering"));
  EXPECT_EQ(zoq.output().find("Spinors", from), std::string::npos) << zoq.output().substr(from);
  ASSERT_NO_FATAL_FAILURE(expectASearchRunsToItsEnd(zoq));
  quitAndExpectSuccess(zoq);
}

TEST(ZoqTachyonSearchSlowTest, CtrlCEndsTheSearchAfterTheReordering) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  const std::size_t from = startSearch(zoq);
  // The spinor currents kept, one per cyclic group, then the algebra of the first: the
  // search of its scalar currents is under way.
  ASSERT_TRUE(waitWithin(zoq, "Algebra", kReachBudget, from)) << zoq.output().substr(from);
  ASSERT_TRUE(zoq.waitFor("Algebra"));
  EXPECT_NE(zoq.output().find("Spinors", from), std::string::npos) << zoq.output().substr(from);
  // The reordering showed its own progress line at the terminal.
  const std::size_t announced = zoq.output().find("Reordering 3415104 simple currents", from);
  ASSERT_NE(announced, std::string::npos) << zoq.output().substr(from);
  EXPECT_NE(zoq.output().find("Reordering simple currents", announced), std::string::npos)
      << zoq.output().substr(from);
  ASSERT_TRUE(zoq.letWork(1000)) << zoq.output().substr(from);
  ASSERT_NO_FATAL_FAILURE(expectPromptSoonAfterCtrlC(zoq, "in the search"));
  EXPECT_EQ(zoq.output().find("Computation completed", from), std::string::npos) << zoq.output().substr(from);
  ASSERT_NO_FATAL_FAILURE(expectASearchRunsToItsEnd(zoq));
  quitAndExpectSuccess(zoq);
}

}  // namespace
