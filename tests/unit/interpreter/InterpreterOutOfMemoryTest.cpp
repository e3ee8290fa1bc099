// Memory that runs out inside a command, past the size checks made before work starts: a
// std::bad_alloc or std::length_error that leaves the handler ends the run through the
// allocator's own end ("Cannot allocate memory for" the command, the statistics line, the
// exit routine with status 1), wherever the command was run from: a line, a procedure, a
// brace block, a command file. Here the exit routine throws, so that the test sees the end
// instead of ending.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "interpreter/IntCommands.h"
#include "interpreter/Interpreter.h"
#include "InterpreterTestSupport.h"
#include "program/Boot.h"
#include "runtime/Allocation.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "TestSupport.h"

namespace {

struct RunEnded {
  int status;
};

[[noreturn]] void throwingExit(int status) { throw RunEnded{status}; }

int throwsBadAlloc(char** params, int n) {
  recordText(params, n);
  throw std::bad_alloc();
}

// A real one: a vector asked for more elements than it can ever hold.
int throwsLengthError(char** params, int n) {
  recordText(params, n);
  std::vector<int> v;
  v.reserve(v.max_size() + 1);
  return -n;
}

class InterpreterOutOfMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    calls().clear();
    initCommand("tnomem", "(x)", throwsBadAlloc, "");
    initCommand("tlength", "", throwsLengthError, "");
    initCommand("tshow", "(x)", recordText, "");
    setExitRoutine(throwingExit);
  }
  void TearDown() override { resetExitRoutine(); }

  // The status the run ended with, -1 when it did not end.
  int endStatus(const char* line) {
    try {
      run(line);
    } catch (const RunEnded& ended) {
      return ended.status;
    }
    return -1;
  }
};

TEST_F(InterpreterOutOfMemoryTest, ABadAllocEndsTheRunWithStatusOneAndTheStatisticsLine) {
  OutputCapture capture;
  EXPECT_EQ(endStatus("tshow before; tnomem 5; tshow after"), 1);
  EXPECT_EQ(capture.diagnostics, "Cannot allocate memory for tnomem\n");
  EXPECT_NE(capture.printed.find("CPU time used "), std::string::npos) << capture.printed;
  // What ran before is kept; nothing runs after.
  EXPECT_EQ(calls(), (std::vector<std::string>{"tshow(before)", "tnomem(5)"}));
}

TEST_F(InterpreterOutOfMemoryTest, ALengthErrorEndsTheRunTheSameWay) {
  OutputCapture capture;
  EXPECT_EQ(endStatus("tlength"), 1);
  EXPECT_EQ(capture.diagnostics, "Cannot allocate memory for tlength\n");
  EXPECT_NE(capture.printed.find("CPU time used "), std::string::npos);
}

// The innermost command is named, however it was reached.
TEST_F(InterpreterOutOfMemoryTest, ACommandRunByAProcedureIsNamed) {
  OutputCapture capture;
  run("procedure outer {tshow in; tnomem 1}");
  EXPECT_EQ(endStatus("outer"), 1);
  EXPECT_EQ(capture.diagnostics, "Cannot allocate memory for tnomem\n");
  EXPECT_EQ(calls(), (std::vector<std::string>{"tshow(in)", "tnomem(1)"}));
}

TEST_F(InterpreterOutOfMemoryTest, ACommandOfACommandFileIsNamed) {
  TemporaryFolder folder;
  const std::string path = folder.write("run.zoq", "tshow one\ntlength\ntshow two\n");
  OutputCapture capture;
  int status = -1;
  try {
    executeCommandFile(path.c_str(), 0);
  } catch (const RunEnded& ended) {
    status = ended.status;
  }
  EXPECT_EQ(status, 1);
  EXPECT_EQ(capture.diagnostics, "Cannot allocate memory for tlength\n");
  // The file's last line does not run.
  EXPECT_EQ(calls(), (std::vector<std::string>{"tshow(one)", "tlength()"}));
}

// Without a test routine the process itself ends: status 1, the message on the error
// stream, no abort.
TEST(InterpreterOutOfMemoryDeathTest, TheProcessEndsWithStatusOne) {
  resetAll();
  initCommand("tnomem", "(x)", throwsBadAlloc, "");
  EXPECT_EXIT(run("tnomem 1"), ::testing::ExitedWithCode(1), "Cannot allocate memory for tnomem");
}

}  // namespace
