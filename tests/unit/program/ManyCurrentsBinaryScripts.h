// Waits of the tests that store products with many simple currents ("create CFT") by the
// real zoq binary, and their Ctrl-C in the creation. A wait ends when what it waits for
// comes, or when the program has used a budget of processor time more than at its start:
// generous, so that a slow or loaded machine passes, and bounded, so that a program that
// never answers fails instead of hanging the test.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "BinaryTestSupport.h"

namespace many_currents {

// Reads the terminal until `text` appears after position `from` of what was read (true),
// or the program's output ends, or it has used `budgetMilliseconds` of processor time more
// than when the wait began (false).
inline bool waitWithin(binary_test::TerminalSession& zoq, const std::string& text,
                       long long budgetMilliseconds, std::size_t from) {
  const long long start = binary_test::processTreeMilliseconds(zoq.pid());
  if (start < 0) return false;
  zoq.waitUntil([&] {
    const long long used = binary_test::processTreeMilliseconds(zoq.pid());
    return zoq.output().find(text, from) != std::string::npos || used < 0 ||
           used - start >= budgetMilliseconds;
  });
  return zoq.output().find(text, from) != std::string::npos;
}

// Waits until the file holds the text (true), or the program has ended or used
// `budgetMilliseconds` of processor time more than when the wait began (false).
inline bool fileHoldsWithin(pid_t child, const std::string& path, const std::string& text,
                            long long budgetMilliseconds) {
  const long long start = binary_test::processTreeMilliseconds(child);
  for (;;) {
    if (binary_test::readWhole(path).find(text) != std::string::npos) return true;
    const long long used = binary_test::processTreeMilliseconds(child);
    if (start < 0 || used < 0 || used - start >= budgetMilliseconds) return false;
    usleep(20000);
  }
}

// Waits until the file exists (true), or the program has ended or used
// `budgetMilliseconds` of processor time more than when the wait began (false).
inline bool fileMadeWithin(pid_t child, const std::string& path, long long budgetMilliseconds) {
  const long long start = binary_test::processTreeMilliseconds(child);
  for (;;) {
    if (access(path.c_str(), F_OK) == 0) return true;
    const long long used = binary_test::processTreeMilliseconds(child);
    if (start < 0 || used < 0 || used - start >= budgetMilliseconds) return false;
    usleep(20000);
  }
}

// Processor time to answer Ctrl-C in the creation: far more than it needs on any machine,
// far less than the creation without its polls, which never reached the prompt.
inline constexpr long long kAnswerBudget = 30000;

// Presses Ctrl-C while "create CFT x" (typed when the output had `from` characters) runs,
// and expects the prompt within kAnswerBudget, no theory stored, the next command answered
// and no theory x to load.
inline void expectCtrlCEndsTheCreation(binary_test::TerminalSession& zoq, std::size_t from) {
  const std::size_t pressed = zoq.output().size();
  zoq.pressControlC();
  ASSERT_TRUE(waitWithin(zoq, "\n> ", kAnswerBudget, pressed)) << zoq.output().substr(from);
  EXPECT_EQ(zoq.output().find("CFT x;", from), std::string::npos) << zoq.output().substr(from);
  zoq.type("evaluate 6*7\n");
  ASSERT_TRUE(zoq.waitFor("42\r\n> ")) << zoq.output().substr(from);
  zoq.type("algebra cft x\n");
  ASSERT_TRUE(zoq.waitFor("No such algebra x")) << zoq.output().substr(from);
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output().substr(from);
}

// True while the program runs (not ended, not a zombie).
inline bool running(pid_t child) {
  return binary_test::processTreeMilliseconds(child) >= 0;
}

// Ends a program started by the test and reaps it.
inline void endProgram(pid_t child) {
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
}

}  // namespace many_currents
