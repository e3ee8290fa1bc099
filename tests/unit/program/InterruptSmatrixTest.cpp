// Ctrl-C inside the S and P element sums of the real zoq binary at a terminal (a
// pseudo-terminal). On the first Gepner model of the Calabi-Yau table (28,539 fields, no
// simple currents) every S element is a sum over the stabilisers of the tensor product,
// the orbit S base is a row cache on disk, and each of the checks below runs for hours:
// Ctrl-C must end the command, with no verdict printed, and the session must go on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "BinaryTestSupport.h"

namespace {

using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;

// Processor time (user and system, in clock ticks) the process has used, from /proc; -1
// when it cannot be read.
long long processorTicks(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  // pid (name) state ...: the name may hold blanks, so read after its ')'. utime and stime
  // are fields 14 and 15, the 12th and 13th after the name.
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(line.substr(close + 1));
  std::string field;
  long long ticks = 0;
  for (int k = 1; k <= 13 && fields >> field; ++k) {
    if (k >= 12) ticks += std::stoll(field);
  }
  return ticks;
}

// Types the command and waits until zoq has spent a second of processor time on it: the
// command runs for hours on this theory, so it is then inside its element sums, whatever
// the machine's speed. Presses Ctrl-C and expects the prompt back without any of the
// verdicts (texts the command prints only when it has checked everything), and the next
// command answered.
void expectCtrlCEndsTheCheck(TerminalSession& zoq, const std::string& command,
                             const std::vector<std::string>& verdicts) {
  const std::size_t from = zoq.output().size();
  const long long second = sysconf(_SC_CLK_TCK);
  const long long start = processorTicks(zoq.pid());
  ASSERT_GE(start, 0);
  zoq.type(command + "\n");
  // The terminal is read meanwhile, so that no progress line can block the program.
  for (int round = 0; round < 1200 && processorTicks(zoq.pid()) < start + second; ++round)
    zoq.letRun(50);
  ASSERT_GE(processorTicks(zoq.pid()), start + second) << command << "\n" << zoq.output();
  zoq.pressControlC();
  ASSERT_TRUE(zoq.waitFor("> ")) << command << "\n" << zoq.output();
  zoq.type("evaluate 6*7\n");
  ASSERT_TRUE(zoq.waitFor("42\r\n> ")) << command << "\n" << zoq.output();
  const std::string printed = zoq.output().substr(from);
  for (const std::string& verdict : verdicts)
    EXPECT_EQ(printed.find(verdict), std::string::npos) << command << "\n" << printed;
}

TEST(ZoqSmatrixInterrupt, CtrlCEndsEveryCheckOfSAndPOnTheFirstGepnerModel) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_NO_FATAL_FAILURE(binary_test::startOnTheFirstGepnerModel(zoq));
  // The verdicts of the checks (the violations are alerts, the rest printed lines).
  const std::vector<std::string> amplitudeVerdicts = {
      "violation", "Open sector OK", "Closed sector OK", "Klein bottle constraint OK"};
  ASSERT_NO_FATAL_FAILURE(expectCtrlCEndsTheCheck(zoq, "check open 1", amplitudeVerdicts));
  ASSERT_NO_FATAL_FAILURE(expectCtrlCEndsTheCheck(zoq, "check closed 1", amplitudeVerdicts));
  ASSERT_NO_FATAL_FAILURE(expectCtrlCEndsTheCheck(zoq, "check klein 1", amplitudeVerdicts));
  ASSERT_NO_FATAL_FAILURE(
      expectCtrlCEndsTheCheck(zoq, "check oriented_annulus", amplitudeVerdicts));
  ASSERT_NO_FATAL_FAILURE(expectCtrlCEndsTheCheck(zoq, "check pmat", {}));
  ASSERT_NO_FATAL_FAILURE(
      expectCtrlCEndsTheCheck(zoq, "check symmetry", {"S is symmetric", "S not symmetric"}));
  ASSERT_NO_FATAL_FAILURE(expectCtrlCEndsTheCheck(zoq, "check conjugates",
                                                  {"All conjugates are OK", "Conjugates differ"}));
  // A NIM-representation check stopped inside its sums says so and reports no violation
  // from the partial sums.
  ASSERT_NO_FATAL_FAILURE(expectCtrlCEndsTheCheck(zoq, "check NIMrep 0 0 0 0", {" != "}));
  EXPECT_NE(zoq.output().rfind("Check 0,0,0,0 stopped; no verdict"), std::string::npos)
      << zoq.output();
  // The stopped checks left the theory usable: a check stopped again ends as well, and
  // "quit" ends the session.
  ASSERT_NO_FATAL_FAILURE(expectCtrlCEndsTheCheck(zoq, "check open 1", amplitudeVerdicts));
  quitAndExpectSuccess(zoq);
}

}  // namespace
