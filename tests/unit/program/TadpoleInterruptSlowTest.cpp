// Ctrl-C at every stage of "check tadpole parameters" on the Gepner model of 4,575
// boundaries ("build cy 7"), with the real zoq binary at a pseudo-terminal: a fresh
// session for each moment, from the first crosscap to the end of the check, each pressed
// after so much of the command's processor time; every time the prompt comes back after at
// most a second of processor time and the session goes on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BinaryTestSupport.h"

namespace {

using binary_test::processTreeMilliseconds;
using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;

constexpr long long kAnswerMilliseconds = 1000;

TEST(TadpoleInterruptSlowTest, CtrlCAnywhereInCheckTadpoleParametersAnswersWithinASecond) {
  int stopped = 0;
  for (int moment : {0, 200, 500, 1000, 1500, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000, 12000}) {
    ScratchFolder folder;
    TerminalSession zoq(folder.path(), folder.path(), {});
    ASSERT_TRUE(zoq.started());
    ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
    for (const char* command : {"build cy 7", "select invariant 0"}) {
      zoq.type(std::string(command) + "\n");
      ASSERT_TRUE(zoq.waitFor("\n> ")) << command << "\n" << zoq.output();
    }
    const std::size_t from = zoq.output().size();
    zoq.type("check tadpole parameters 0:3\n");
    // So much processor time, or the check's end (its alert asks) if that comes first.
    const long long start = processTreeMilliseconds(zoq.pid());
    ASSERT_TRUE(zoq.waitUntil([&] {
      const long long used = processTreeMilliseconds(zoq.pid());
      return used < 0 || used - start >= moment ||
             zoq.output().find("(Continue/Quit/Stop/Auto/Help):", from) != std::string::npos;
    })) << moment << "\n" << zoq.output();
    const long long pressed = processTreeMilliseconds(zoq.pid());
    ASSERT_GE(pressed, 0);
    zoq.pressControlC();
    // Unless the check had ended, its end is not reached.
    const int seen = zoq.waitForOne({"(Continue/Quit/Stop/Auto/Help):", "\n> "});
    ASSERT_GE(seen, 0) << moment << "\n" << zoq.output().substr(from);
    const long long answered = processTreeMilliseconds(zoq.pid());
    if (seen == 0) {
      // The check ended before the Ctrl-C: its alert asks, "Auto" answers.
      zoq.type("Auto\n");
      ASSERT_TRUE(zoq.waitFor("\n> ")) << moment << "\n" << zoq.output().substr(from);
    } else {
      ++stopped;
      EXPECT_LE(answered - pressed, kAnswerMilliseconds) << moment << "\n" << zoq.output().substr(from);
    }
    zoq.type("evaluate 6*7\n");
    ASSERT_TRUE(zoq.waitFor("42\r\n> ")) << moment << "\n" << zoq.output().substr(from);
    quitAndExpectSuccess(zoq);
  }
  // Most moments fall inside the check.
  EXPECT_GE(stopped, 8);
}

}  // namespace
