// "create CFT" by the real zoq binary on a product with thousands of simple currents: three
// N=2 minimal models of level 1 (12 fields each, all simple currents) and the c=1 orbifold
// of parameter 4 (11 fields, 4 currents), 12^3 x 11 = 19,008 fields and 12^3 x 4 = 6,912
// currents, with fixed-point theories of 12^3 x 3 = 5,184 fields each. Ctrl-C ends the
// creation at a terminal and the session goes on with nothing of the stopped theory left in
// the store; in a background run what was printed before the creation reaches standard
// output and the output file while the creation still runs.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "BinaryTestSupport.h"
#include "ManyCurrentsBinaryScripts.h"

namespace {

using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;

// Processor time a command may take to reach a point (Ctrl-C has kAnswerBudget of
// ManyCurrentsBinaryScripts.h): far more than it needs on any machine, far less than the
// creation of this product without its polls, which never reached the prompt.
constexpr long long kReachBudget = 600000;
// Output waits at most a second of wall-clock time before a poll writes it out, which costs
// at most that much processor time. Without the polls of the creation the lines stayed in
// memory for minutes of processor time (until its fixed-point matrices, over 6 minutes here).
constexpr long long kWriteOutBudget = 60000;

const char* const kProduct = "tensor\ng minimal 2 1\ng minimal 2 1\ng minimal 2 1\ng orbifold 4\n";

TEST(ZoqManyCurrents, CtrlCEndsTheCreationAndLeavesNoTheory) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  zoq.type(kProduct);
  ASSERT_TRUE(zoq.waitFor("g orbifold 4")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  const std::size_t from = zoq.output().size();
  zoq.type("create CFT x\n");
  // The symmetries of the product are printed half way; the orbit S matrix and the
  // fixed-point theories come after them.
  ASSERT_TRUE(many_currents::waitWithin(zoq, "Degeneracies:", kReachBudget, from)) << zoq.output();
  ASSERT_TRUE(zoq.letWork(500)) << zoq.output();
  ASSERT_NO_FATAL_FAILURE(many_currents::expectCtrlCEndsTheCreation(zoq, from));
  // Nor can a fixed-point theory of it be loaded, and its name is free.
  zoq.type("algebra cft x_0\n");
  ASSERT_TRUE(zoq.waitFor("No such algebra x_0")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  zoq.type("tensor\nreset tensor\ng a 1 2\ncreate CFT x\n");
  ASSERT_TRUE(zoq.waitFor("CFT x; 3 primaries")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  quitAndExpectSuccess(zoq);
}

TEST(ZoqManyCurrents, LinesPrintedBeforeTheCreationReachTheirFilesWhileItRuns) {
  // Standard output is a file and "file" sends the rest to another: both are written in
  // blocks, and the creation's polls write out what has waited a second.
  ScratchFolder folder;
  ASSERT_FALSE(folder.path().empty());
  // Values no banner or date holds: 1234 x 1001 and 4321 x 1001.
  std::ofstream(folder.path() + "/run.zoq")
      << kProduct << "evaluate 1234*1001\nfile log.txt\nevaluate 4321*1001\ncreate CFT x\n";
  const std::string out = folder.path() + "/out.txt";
  const std::string log = folder.path() + "/log.txt";
  const pid_t child = binary_test::startZoq(folder.path(), folder.path(), "run.zoq", out);
  ASSERT_GT(child, 0);
  const bool printed = many_currents::fileHoldsWithin(child, out, "1235234", kWriteOutBudget);
  const bool logged =
      printed && many_currents::fileHoldsWithin(child, log, "4325321", kWriteOutBudget);
  const bool stillRunning = many_currents::running(child);
  many_currents::endProgram(child);
  EXPECT_TRUE(printed) << binary_test::readWhole(out);
  EXPECT_TRUE(logged) << binary_test::readWhole(log);
  // Both came while the creation ran: it had not ended, nor printed its theory.
  EXPECT_TRUE(stillRunning);
  EXPECT_EQ(binary_test::readWhole(log).find("CFT x;"), std::string::npos);
}

}  // namespace
