// Commands that the sweep over the command table found unstoppable or aborting on SU(2) at
// level 46000 (46,001 fields), run by the real zoq binary: at a terminal (a
// pseudo-terminal), where each must answer Ctrl-C with the prompt and go on, or in a
// background run under a memory limit, where each must refuse and go on. (Ctrl-C is
// judged in processor time: SweepFindingsScripts.h.)
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "BinaryTestSupport.h"
#include "SweepFindingsScripts.h"

namespace {

using binary_test::CapturedRun;
using binary_test::limitMemory;
using binary_test::processTreeMilliseconds;
using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;
using sweep_findings::expectCtrlCAnswered;
using sweep_findings::kAnswerMilliseconds;
using sweep_findings::processState;
using sweep_findings::runningChildrenOf;
using sweep_findings::statFields;

// A session on SU(2) at level 46000.
void startOnTheLargeTheory(TerminalSession& zoq) {
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  zoq.type("algebra a 1 46000\n");
  ASSERT_TRUE(zoq.waitFor("46001 primaries")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
}

// "fusion" with no parameter: every product of every pair of fields, N^2 = 2.1 10^9 pairs;
// after Ctrl-C the element routine returned at once but the loop over the pairs went on.
TEST(SweepFindings, CtrlCEndsFusionOfEveryPairOfFields) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_NO_FATAL_FAILURE(startOnTheLargeTheory(zoq));
  ASSERT_NO_FATAL_FAILURE(expectCtrlCAnswered(zoq, "fusion"));
  quitAndExpectSuccess(zoq);
}

// "Check Compare_algebras" of the theory with itself: S of every pair of fields computed
// afresh, after the question about the orbit S matrix (2116 MB), answered OK.
TEST(SweepFindings, CtrlCEndsTheComparisonOfS) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_NO_FATAL_FAILURE(startOnTheLargeTheory(zoq));
  ASSERT_NO_FATAL_FAILURE(
      expectCtrlCAnswered(zoq, "Check Compare_algebras {A1 level 46000} {A1 level 46000}", "OK"));
  EXPECT_EQ(zoq.output().find("Comparing fixed point CFT's"), std::string::npos) << zoq.output();
  quitAndExpectSuccess(zoq);
}

// "assemble" on the diagonal invariant (of simple-current type) of the same theory: the
// refusal comes first, where the S and P matrices of the search (46001^2 complex numbers,
// 33.9 GB each) used to be copied first, which aborted with std::bad_alloc. Piped in, the
// run goes on to the next command; in a background run the refusal (an alert of severity
// 3) ends the run through the program's own end, as every such alert does there.
TEST(SweepFindings, AssembleOnTheDiagonalInvariantIsRefusedBeforeAnythingIsLoaded) {
  ScratchFolder folder;
  std::ofstream(folder.path() + "/run.zoq") << "algebra a 1 46000\nassemble\nevaluate 6*7\n";
  for (bool background : {false, true}) {
    const CapturedRun run =
        background ? binary_test::runCaptured(folder.path(), {"-b", "run.zoq"}, "", limitMemory)
                   : binary_test::runCaptured(folder.path(), {}, "run.zoq", limitMemory);
    const std::size_t refused = run.output.find("Simple current invariant; boundaries already known");
    ASSERT_NE(refused, std::string::npos) << run.output;
    for (const char* fault : {"bad_alloc", "terminate called", "Cannot allocate", "AddressSanitizer"})
      EXPECT_EQ(run.output.find(fault), std::string::npos) << fault << "\n" << run.output;
    if (background) {
      EXPECT_EQ(run.status, 1) << run.output;
      EXPECT_NE(run.output.find("Error occurred on line 2, file run.zoq", refused), std::string::npos)
          << run.output;
    } else {
      EXPECT_EQ(run.status, 0) << run.output;
      EXPECT_NE(run.output.find("42", refused), std::string::npos) << run.output;
    }
  }
}

// "count orientifolds" with three workers, its parent stopped (SIGSTOP) before Ctrl-C:
// the terminal's Ctrl-C reaches the whole process group, and every worker dies of it at
// once, without waiting for its parent to end it (they used to ignore it and compute on
// until the parent killed them one after the other). The parent, continued, takes those
// deaths for the stop they are: no worker reported lost, no total, the prompt.
TEST(SweepFindings, CtrlCAtTheTerminalEndsTheWorkersOfCountOrientifoldsAtOnce) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  zoq.type("set fusion threads 3\n");
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  const std::size_t from = zoq.output().size();
  zoq.type("count orientifolds\n");
  ASSERT_TRUE(zoq.waitUntil([&zoq] { return runningChildrenOf(zoq.pid()).size() >= 3; })) << zoq.output();
  ASSERT_TRUE(zoq.letWork(1000)) << zoq.output();  // the first products take far longer
  ASSERT_EQ(kill(zoq.pid(), SIGSTOP), 0);
  ASSERT_TRUE(zoq.waitUntil([&zoq] { return processState(zoq.pid()) == 'T'; })) << zoq.output();
  const std::vector<long> workers = runningChildrenOf(zoq.pid());
  ASSERT_EQ(workers.size(), 3u);
  const long long start = processTreeMilliseconds(zoq.pid());
  zoq.pressControlC();
  long long used = 0;
  auto allEnded = [&workers] {
    for (long worker : workers)
      if (processState(worker) != 'Z') return false;
    return true;
  };
  ASSERT_TRUE(zoq.waitUntil([&] {
    used = processTreeMilliseconds(zoq.pid()) - start;
    return allEnded() || used > kAnswerMilliseconds;
  })) << zoq.output();
  EXPECT_TRUE(allEnded()) << "workers still running after " << used
                          << " ms of processor time since Ctrl-C";
  // Each ended by SIGINT itself (exit_code, field 52 of /proc/<pid>/stat, in wait format).
  for (long worker : workers) {
    const std::vector<std::string> fields = statFields(worker);
    ASSERT_GT(fields.size(), 49u) << worker;
    const int status = std::atoi(fields[49].c_str());
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << worker << ": status " << status;
  }
  ASSERT_EQ(kill(zoq.pid(), SIGCONT), 0);
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  EXPECT_TRUE(runningChildrenOf(zoq.pid()).empty());
  const std::string printed = zoq.output().substr(from);
  EXPECT_EQ(printed.find("Total number of orientifolds"), std::string::npos) << printed;
  EXPECT_EQ(printed.find("The worker process of"), std::string::npos) << printed;
  zoq.type("evaluate 6*7\n");
  ASSERT_TRUE(zoq.waitFor("42\r\n> ")) << zoq.output();
  quitAndExpectSuccess(zoq);
}

}  // namespace
