// Ctrl-C in the invariant commands by the real zoq binary at a terminal, on the product of
// "build non_susy_cy 14444": 607,500 fields and 15,552 simple currents, whose centre has 768
// symmetries (32 outer automorphisms times 24 factor permutations). Every command that
// scans the simple-current invariants first searches the subgroups of the centre, seconds of
// processor time, and then builds the invariants of 607,500 rows; each answers Ctrl-C within
// the processor time of a few polls, and the session goes on.
#include <gtest/gtest.h>

#include <string>

#include "BinaryTestSupport.h"
#include "ManyCurrentsBinaryScripts.h"

namespace {

using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;

// Processor time to answer Ctrl-C: a second, far less than the subgroup search without its
// polls went on after it (more than ten seconds, in every one of these commands).
constexpr long long kAnswerBudget = 1000;
// Processor time for the product and its spectrum: far more than they need on any machine.
constexpr long long kSetUpBudget = 600000;

// A session at the prompt on the product, its spectrum computed.
void startOnTheProduct(TerminalSession& zoq) {
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  zoq.type("build non_susy_cy 14444\n");
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  const std::size_t from = zoq.output().size();
  zoq.type("compute spectrum\n");
  ASSERT_TRUE(many_currents::waitWithin(zoq, "607500 primaries (15552 simple currents)", kSetUpBudget, from))
      << zoq.output().substr(from);
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output().substr(from);
}

// Presses Ctrl-C and expects the prompt within kAnswerBudget and the next command answered.
void expectCtrlCAnswered(TerminalSession& zoq, const std::string& command, std::size_t from) {
  const std::size_t pressed = zoq.output().size();
  zoq.pressControlC();
  ASSERT_TRUE(many_currents::waitWithin(zoq, "\n> ", kAnswerBudget, pressed))
      << command << "\n" << zoq.output().substr(from);
  zoq.type("evaluate 6*7\n");
  ASSERT_TRUE(zoq.waitFor("42\r\n> ")) << command << "\n" << zoq.output().substr(from);
}

TEST(ZoqInvariantInterruptSlowTest, EveryScanOfTheInvariantsAnswersCtrlCInItsSubgroupSearch) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_NO_FATAL_FAILURE(startOnTheProduct(zoq));
  // Each of these runs the subgroup search first (a name given by its MIPF number is
  // looked for by a scan, the store being empty); three seconds into it, Ctrl-C.
  for (const char* command :
       {"select invariant 2", "check invariant 2", "search MIPF simple_current", "search MIPF",
        "collect simple_current_invariants", "Scan Simple_current_invariants", "Scan Invariants 2",
        "generate simple_current_invariants", "conjugate 2", "transpose 2", "browse bulk_invariant 2",
        "multiply 0 2", "collect MIPF_data", "scan MIPF_data", "collect hodge_numbers",
        "scan hodge_numbers"}) {
    const std::size_t from = zoq.output().size();
    zoq.type(std::string(command) + "\n");
    ASSERT_TRUE(zoq.letWork(3000)) << command << "\n" << zoq.output().substr(from);
    ASSERT_NO_FATAL_FAILURE(expectCtrlCAnswered(zoq, command, from));
  }
  quitAndExpectSuccess(zoq);
}

TEST(ZoqInvariantInterruptSlowTest, TheCollectionAnswersCtrlCWhileItBuildsAndStoresTheInvariants) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_NO_FATAL_FAILURE(startOnTheProduct(zoq));
  const std::size_t from = zoq.output().size();
  zoq.type("collect simple_current_invariants\n");
  // The search is over once the subgroups are walked ("Subgroup k/14912"); each invariant
  // found is then built (607,500 rows) and compared with those stored.
  ASSERT_TRUE(zoq.waitFor("/14912")) << zoq.output().substr(from);
  ASSERT_TRUE(zoq.letWork(3000)) << zoq.output().substr(from);
  ASSERT_NO_FATAL_FAILURE(expectCtrlCAnswered(zoq, "collect simple_current_invariants", from));
  quitAndExpectSuccess(zoq);
}

}  // namespace
