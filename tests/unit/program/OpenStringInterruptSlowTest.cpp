// Ctrl-C at every stage of two long commands of the open string on large Gepner models,
// with the real zoq binary at a pseudo-terminal: "check tadpole parameters" on the model of
// 4,575 boundaries ("build cy 7") and "get axionbasis" on the one of 28,539 ("build cy 1").
// A fresh session for each moment, each Ctrl-C pressed after so much of the command's
// processor time, from its start to its end; every time the prompt comes back after at
// most a second of processor time and the session goes on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BinaryTestSupport.h"
#include "PromptAfterCtrlCScripts.h"

namespace {

using binary_test::processTreeMilliseconds;
using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;
using prompt_after_ctrl_c::kAnswerMilliseconds;

// Types the command in a fresh session on the model and presses Ctrl-C after `moment`
// milliseconds of processor time, or at its end if that comes first (`end`: a text it
// prints last, or the question of an alert it ends with, answered "Auto"). True when the
// Ctrl-C came while the command was running.
bool stopAt(int model, const std::string& command, const std::string& end, bool endAsks, int moment) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  EXPECT_TRUE(zoq.started());
  EXPECT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  for (const std::string& line : {"build cy " + std::to_string(model), std::string("select invariant 0")}) {
    zoq.type(line + "\n");
    EXPECT_TRUE(zoq.waitFor("\n> ")) << line << "\n" << zoq.output();
  }
  const std::size_t from = zoq.output().size();
  zoq.type(command + "\n");
  const long long start = processTreeMilliseconds(zoq.pid());
  // A warning on the way (the reflection coefficients of 28,539 orbits are not stored) asks
  // at a terminal: "Auto" answers it and the ones that follow.
  const std::string warning = "(OK/Ignore/Scroll/Quit/Stop/Auto/Help):";
  std::size_t answered = from;
  for (;;) {
    bool asked = false;
    const bool waited = zoq.waitUntil([&] {
      const long long used = processTreeMilliseconds(zoq.pid());
      asked = zoq.output().find(warning, answered) != std::string::npos;
      return asked || used < 0 || used - start >= moment || zoq.output().find(end, from) != std::string::npos;
    });
    EXPECT_TRUE(waited) << moment << "\n" << zoq.output().substr(from);
    if (!waited || !asked) break;
    answered = zoq.output().find(warning, answered) + warning.size();
    zoq.type("Auto\n");
  }
  const long long pressed = processTreeMilliseconds(zoq.pid());
  zoq.pressControlC();
  const int seen = zoq.waitForOne({end, "\n> "});
  EXPECT_GE(seen, 0) << moment << "\n" << zoq.output().substr(from);
  const long long back = processTreeMilliseconds(zoq.pid());
  const bool running = seen == 1;
  if (running) {
    EXPECT_LE(back - pressed, kAnswerMilliseconds) << command << " at " << moment << "\n"
                                                       << zoq.output().substr(from);
  } else {
    if (endAsks) zoq.type("Auto\n");
    EXPECT_TRUE(zoq.waitFor("\n> ")) << moment << "\n" << zoq.output().substr(from);
  }
  zoq.type("evaluate 6*7\n");
  EXPECT_TRUE(zoq.waitFor("42\r\n> ")) << moment << "\n" << zoq.output().substr(from);
  quitAndExpectSuccess(zoq);
  return running;
}

TEST(OpenStringInterruptSlowTest, CtrlCAnywhereInCheckTadpoleParametersAnswersWithinASecond) {
  int stopped = 0;
  for (int moment : {0, 200, 500, 1000, 1500, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000, 12000})
    stopped += stopAt(7, "check tadpole parameters 0:3", "(Continue/Quit/Stop/Auto/Help):", true, moment) ? 1 : 0;
  // Most moments fall inside the check.
  EXPECT_GE(stopped, 8);
}

TEST(OpenStringInterruptSlowTest, CtrlCAnywhereInGetAxionbasisAnswersWithinASecond) {
  int stopped = 0;
  for (int moment : {0, 300, 1000, 2000, 3000, 4000, 5000, 6000, 8000})
    stopped += stopAt(1, "get axionbasis", "Axion boundary estimate", false, moment) ? 1 : 0;
  EXPECT_GE(stopped, 4);
}

}  // namespace
