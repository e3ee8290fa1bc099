// "create CFT" by the real zoq binary on the product of "search tachyons 33333" (the graded
// D5 algebra at level 1 and five N=2 minimal models of level 3) with the c=1 orbifold of
// parameter 4: 4,400,000 fields and 50,000 simple currents, about 2 GB. Ctrl-C ends the
// creation at a terminal and the session goes on; the creation then runs to its end, with
// the matrices of its three fixed-point theories (1,200,000 fields each) refused by their
// size; in a background run the lines printed before reach the output file while it runs.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "BinaryTestSupport.h"
#include "ManyCurrentsBinaryScripts.h"

namespace {

using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;

// Processor time to reach a point of the run (the search takes seconds, the creation about a
// minute; Ctrl-C has kAnswerBudget of ManyCurrentsBinaryScripts.h): far more than each needs
// on any machine, far less than the creation without its polls, which ran for more than 20
// minutes, unanswered and with what was printed before it still in memory.
constexpr long long kCreationBudget = 1800000;
constexpr long long kSearchBudget = 300000;
// Output waits at most a second of wall-clock time before a poll writes it out, which costs
// at most that much processor time.
constexpr long long kWriteOutBudget = 10000;

const char* const kProduct = "search tachyons 33333\ng orbifold 4\n";

TEST(ZoqManyCurrentsSlowTest, CtrlCEndsTheCreationOfFiftyThousandCurrentsAndItThenEnds) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  zoq.type("search tachyons 33333\n");
  ASSERT_TRUE(zoq.waitFor("Computation completed")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  zoq.type("g orbifold 4\n");
  ASSERT_TRUE(zoq.waitFor("g orbifold 4")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  std::size_t from = zoq.output().size();
  zoq.type("create CFT x\n");
  // Past the spectrum: the orbit data of the theory are allocated ("Allocating n Mb for
  // Orbit info") once its current group is identified; then the orbits, weights, conjugates,
  // dimensions and the grading follow, each a pass over the fields, for tens of seconds.
  ASSERT_TRUE(many_currents::waitWithin(zoq, "for Orbit info", kCreationBudget, from))
      << zoq.output().substr(from);
  ASSERT_TRUE(zoq.letWork(3000)) << zoq.output().substr(from);
  ASSERT_NO_FATAL_FAILURE(many_currents::expectCtrlCEndsTheCreation(zoq, from));
  // Loading a theory leaves tensor mode; "tensor" returns to it and keeps the product.
  zoq.type("tensor\n");
  ASSERT_TRUE(zoq.waitFor("tensor\r\n")) << zoq.output().substr(from);
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output().substr(from);
  // The same product stored whole: 4,400,000 fields. The three fixed-point theories hold
  // 1,200,000 fields each; their S matrices (3 x 1.2 10^6 squared complex numbers, 69 10^12
  // bytes) are refused up front, and the theory computes S^J when asked.
  from = zoq.output().size();
  zoq.type("create CFT x\n");
  ASSERT_TRUE(many_currents::waitWithin(zoq, "CFT x; 4400000 primaries (50000 simple currents)",
                                        kCreationBudget, from))
      << zoq.output().substr(from);
  EXPECT_NE(zoq.output().find(
                "The S matrices of the fixed-point theories would need 69120000 Mb; refused", from),
            std::string::npos)
      << zoq.output().substr(from);
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output().substr(from);
  quitAndExpectSuccess(zoq);
}

TEST(ZoqManyCurrentsSlowTest, LinesPrintedBeforeTheCreationReachTheOutputFileWhileItRuns) {
  // The file "started" is made (by a shell) just before the value is printed and the
  // creation begins; the value must then reach standard output (a file, written in blocks)
  // within the processor time of a few polls. Without the creation's polls it waited there
  // for more than a minute, and what the creation printed later (the group's order) longer.
  ScratchFolder folder;
  ASSERT_FALSE(folder.path().empty());
  // A value no banner or date holds: 1234 x 1001.
  std::ofstream(folder.path() + "/run.zoq")
      << kProduct << "system touch started\nevaluate 1234*1001\ncreate CFT x\n";
  const std::string out = folder.path() + "/out.txt";
  const pid_t child = binary_test::startZoq(folder.path(), folder.path(), "run.zoq", out);
  ASSERT_GT(child, 0);
  const bool started =
      many_currents::fileMadeWithin(child, folder.path() + "/started", kSearchBudget);
  const bool printed =
      started && many_currents::fileHoldsWithin(child, out, "1235234", kWriteOutBudget);
  const bool reordering =
      printed && many_currents::fileHoldsWithin(child, out, "Reordering 50000 simple currents",
                                                kCreationBudget);
  const bool stillRunning = many_currents::running(child);
  many_currents::endProgram(child);
  EXPECT_TRUE(started);
  EXPECT_TRUE(printed) << binary_test::readWhole(out);
  EXPECT_TRUE(reordering) << binary_test::readWhole(out);
  EXPECT_TRUE(stillRunning);
  EXPECT_EQ(binary_test::readWhole(out).find("CFT x;"), std::string::npos);
}

}  // namespace
