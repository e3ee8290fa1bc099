// The real zoq binary as a user starts it: at a terminal (a pseudo-terminal), where
// progress lines show without "-p" and Ctrl-C stops a command but not the session; and
// without a usable home folder, where nothing may be created.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BinaryTestSupport.h"

namespace {

using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;

// Starts "check fusion" on A2 at level 60 and waits for its first progress line,
// answering yes where the check first asks whether to go on.
void startALongCheck(TerminalSession& zoq) {
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  // 1891 primaries: S alone has 1788886 independent entries, far past the 2000 steps from
  // which a loop shows its progress, and there are 1128787066 fusion coefficients, a
  // check of many seconds even on all threads.
  zoq.type("algebra a 2 60\n");
  ASSERT_TRUE(zoq.waitFor("1891 primaries")) << zoq.output();
  zoq.type("check fusion\n");
  // Where the first second of work predicts more than a minute, the question comes first
  // (a terminal run asks it without "-p" too).
  int first = zoq.waitForOne({"Progress: ", "Continue?"});
  ASSERT_GE(first, 0) << zoq.output();
  if (first == 1) {
    zoq.type("yes\n");
    ASSERT_TRUE(zoq.waitFor("Progress: ")) << zoq.output();
  }
}

TEST(ZoqAtATerminal, ALongCheckShowsProgressAndCtrlCBringsThePromptBack) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_TRUE(zoq.started());
  ASSERT_NO_FATAL_FAILURE(startALongCheck(zoq));
  zoq.pressControlC();
  // The terminal echoes "^C" at its own time, so the prompt may follow it on its line.
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  EXPECT_EQ(zoq.output().find("Cases checked"), std::string::npos)  // the check was cut short
      << zoq.output();
  zoq.type("evaluate 6*7\n");
  ASSERT_TRUE(zoq.waitFor("evaluate 6*7\r\n")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("42\r\n> ")) << zoq.output();
  quitAndExpectSuccess(zoq);
}

TEST(ZoqAtATerminal, AStoppedCheckSaysItWasStoppedAndReturnsThePrompt) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_TRUE(zoq.started());
  ASSERT_NO_FATAL_FAILURE(startALongCheck(zoq));
  zoq.pressControlC();
  ASSERT_TRUE(zoq.waitFor("Checking fusion coefficients stopped; Total elapsed time")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  EXPECT_EQ(zoq.output().find("Process mismatch"), std::string::npos) << zoq.output();
  EXPECT_EQ(zoq.output().find("Checking fusion coefficients completed"), std::string::npos);
  quitAndExpectSuccess(zoq);
}

TEST(ZoqAtATerminal, CtrlCAtThePromptDropsTheLineAndEndsALoop) {
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  // An open brace continues the line; Ctrl-C drops it, braces and all.
  zoq.type("print {dropped\n");
  ASSERT_TRUE(zoq.waitFor("... ")) << zoq.output();
  zoq.pressControlC();
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  zoq.type("print kept\n");
  ASSERT_TRUE(zoq.waitFor("print kept\r\nkept\r\n> ")) << zoq.output();
  // An endless loop of the language ends the same way.
  zoq.type("print looping; while {1<2} {execute 1}\n");
  ASSERT_TRUE(zoq.waitFor("\r\nlooping\r\n")) << zoq.output();
  zoq.pressControlC();
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output();
  zoq.type("quit\n");
  EXPECT_EQ(zoq.rest().find("dropped"), std::string::npos);
  int status = zoq.finish();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Ctrl-C ends a background run with status 130 (128 + SIGINT), what it printed kept.
TEST(ZoqAtATerminal, CtrlCEndsABackgroundRun) {
  ScratchFolder folder;
  {
    std::FILE* file = std::fopen((folder.path() + "/long.zoq").c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("print started\nwhile {1<2} {execute 1}\n", file);
    std::fclose(file);
  }
  TerminalSession zoq(folder.path(), folder.path(), {"-b", "long.zoq"});
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("started")) << zoq.output();
  zoq.pressControlC();
  zoq.rest();
  int status = zoq.finish();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT);
}

// Runs zoq -i in the folder with HOME unset or set as given; returns its exit status.
int runWithHome(const std::string& folder, const char* home) {
  pid_t child = fork();
  if (child == 0) {
    if (chdir(folder.c_str()) != 0) _exit(126);
    int quiet = open("/dev/null", O_RDWR);
    dup2(quiet, 0);
    dup2(quiet, 1);
    dup2(quiet, 2);
    if (home == nullptr) {
      unsetenv("HOME");
    } else {
      setenv("HOME", home, 1);
    }
    execl(ZOQ_BINARY, "zoq", "-i", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool exists(const char* path) {
  struct stat info {};
  return stat(path, &info) == 0;
}

TEST(ZoqWithoutAHome, NothingIsCreatedOutsideAnExistingHome) {
  ScratchFolder folder;
  // With HOME unset the folders once went to the root.
  bool rootDefaults = exists("/.Defaults");
  bool rootLogs = exists("/Logs");
  std::string missing = folder.path() + "/missing/x";
  EXPECT_EQ(runWithHome(folder.path(), missing.c_str()), 0);
  EXPECT_EQ(folder.entries(), std::vector<std::string>());
  EXPECT_EQ(runWithHome(folder.path(), nullptr), 0);
  EXPECT_EQ(folder.entries(), std::vector<std::string>());
  EXPECT_EQ(exists("/.Defaults"), rootDefaults);
  EXPECT_EQ(exists("/Logs"), rootLogs);
}

TEST(ZoqWithoutAHome, AnExistingHomeGetsItsPreferencesAndLogFolders) {
  ScratchFolder folder;
  EXPECT_EQ(runWithHome(folder.path(), folder.path().c_str()), 0);
  std::vector<std::string> made = folder.entries();
  std::sort(made.begin(), made.end());
  EXPECT_EQ(made, (std::vector<std::string>{".Defaults", "Logs"}));
}

}  // namespace
