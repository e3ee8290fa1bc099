// Shared by the binary tests that press Ctrl-C in long commands on large Gepner models
// (OpenStringInterruptSlowTest.cpp, StringReadingInterruptTest.cpp,
// TadpoleBoundsInterruptTest.cpp): a session brought to the prompt with its model, and
// Ctrl-C answered with the prompt after at most a second of the program's processor time.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BinaryTestSupport.h"

namespace prompt_after_ctrl_c {

using binary_test::processTreeMilliseconds;
using binary_test::TerminalSession;

// Processor time the program may spend between Ctrl-C and its prompt.
inline constexpr long long kAnswerMilliseconds = 1000;

// Types the commands one by one, each to its prompt.
inline void typeToPrompt(TerminalSession& zoq, const std::vector<std::string>& commands) {
  for (const std::string& command : commands) {
    zoq.type(command + "\n");
    ASSERT_TRUE(zoq.waitFor("\n> ")) << command << "\n" << zoq.output();
  }
}

// A started session at its first prompt, then the commands typed, each to its prompt.
inline void startWith(TerminalSession& zoq, const std::vector<std::string>& commands) {
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  ASSERT_NO_FATAL_FAILURE(typeToPrompt(zoq, commands));
}

// Presses Ctrl-C and expects the prompt after at most kAnswerMilliseconds of processor
// time, and the next command answered; `where` names the moment in a failure.
inline void expectPromptSoonAfterCtrlC(TerminalSession& zoq, const std::string& where = "") {
  const long long pressed = processTreeMilliseconds(zoq.pid());
  ASSERT_GE(pressed, 0) << where;
  zoq.pressControlC();
  ASSERT_TRUE(zoq.waitFor("> ")) << where << "\n" << zoq.output();
  const long long answered = processTreeMilliseconds(zoq.pid());
  EXPECT_LE(answered - pressed, kAnswerMilliseconds) << where << "\n" << zoq.output();
  zoq.type("evaluate 6*7\n");
  ASSERT_TRUE(zoq.waitFor("42\r\n> ")) << where << "\n" << zoq.output();
}

}  // namespace prompt_after_ctrl_c
