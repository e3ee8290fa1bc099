// The way out of a command that never polls: at a terminal, a Ctrl-C not answered within
// about two seconds gets a notice, and a further Ctrl-C ends the run as SIGINT ends a
// background run (status 130, everything printed kept). A Ctrl-C answered in time (the
// program waits at the terminal again) changes nothing, and one typed while it waits there
// arms nothing.
//
// Whatever may end the process runs in a forked child, so that a fault ends the child and
// not the test program. The loop that never polls is a plain busy loop of the child; it
// gives up by itself after two minutes of processor time (status 99), so that a lost
// Ctrl-C ends as a failure, never as a hang.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <ctime>
#include <string>

#include "program/Boot.h"
#include "runtime/Output.h"
#include "runtime/OutputBuffers.h"
#include "runtime/Terminal.h"
#include "TestSupport.h"

namespace {

constexpr char kNotice[] =
    "\nCtrl-C not answered yet; press Ctrl-C again to end Zoq (everything printed is kept)\n";

class UnansweredInterruptTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
  void TearDown() override {
    removeInterruptHandler();
    setStopSignal(0);
  }
};

// Seconds left on the one-shot timer of the notice (0: not armed).
double timerLeft() {
  struct itimerval timer {};
  getitimer(ITIMER_REAL, &timer);
  return static_cast<double>(timer.it_value.tv_sec) + timer.it_value.tv_usec / 1e6;
}

int openForWriting(const std::string& path) { return open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644); }

// A loop that never polls, until two minutes of processor time have passed.
[[noreturn]] void computeWithoutPolls() {
  volatile unsigned long long work = 0;
  for (;;) {
    for (int k = 0; k < 10000000; ++k) work = work + 1;
    if (std::clock() > 120 * CLOCKS_PER_SEC) _exit(99);
  }
}

// Reads from the descriptor until the text has come (true) or the writer has ended (false).
bool readUntil(int descriptor, std::string& seen, const std::string& text) {
  while (seen.find(text) == std::string::npos) {
    char buffer[512];
    const ssize_t got = read(descriptor, buffer, sizeof buffer);
    if (got <= 0) return false;
    seen.append(buffer, static_cast<std::size_t>(got));
  }
  return true;
}

// An interactive run at a terminal, as main makes it: the termination handlers, the Ctrl-C
// handler and its notice.
void startAnInteractiveRun() {
  installTerminationHandlers();
  installInterruptHandler();
  enableUnansweredInterruptNotice();
}

TEST_F(UnansweredInterruptTest, ASecondCtrlCAfterTheNoticeEndsTheRunAndKeepsWhatWasPrinted) {
  TemporaryFolder folder;
  const std::string outputPath = folder.path("output.txt");
  const std::string filePath = folder.path("file.txt");
  int notices[2];
  ASSERT_EQ(pipe(notices), 0);
  const pid_t child = fork();
  if (child == 0) {
    close(notices[0]);
    const int output = openForWriting(outputPath);
    dup2(output, STDOUT_FILENO);
    close(output);
    dup2(notices[1], STDERR_FILENO);
    close(notices[1]);
    standardOutputBuffer().setDescriptor(STDOUT_FILENO);
    startAnInteractiveRun();
    setOutputFile(std::fopen(filePath.c_str(), "w"));
    Print("to the file %d\n", 1);
    Inform("to standard output %d\n", 2);
    if (write(STDERR_FILENO, "computing\n", 10) != 10) _exit(98);
    computeWithoutPolls();
  }
  close(notices[1]);
  std::string seen;
  ASSERT_TRUE(readUntil(notices[0], seen, "computing\n")) << seen;
  kill(child, SIGINT);
  // The loop never answers: about two seconds later the notice comes, on a line of its own.
  ASSERT_TRUE(readUntil(notices[0], seen, kNotice)) << seen;
  kill(child, SIGINT);
  while (readUntil(notices[0], seen, "\x01")) {
  }
  close(notices[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 130);  // 128 + SIGINT, as a background run stopped by it
  // The notice once; the second "^C" then gets its line end.
  EXPECT_EQ(seen, std::string("computing\n") + kNotice + "\n");
  // Held in the buffers until the end (standard output is a file here): written out by it.
  EXPECT_EQ(readFile(outputPath), "to standard output 2\n");
  EXPECT_EQ(readFile(filePath), "to the file 1\n");
}

// Pressed twice on a command that stops at once: the poll throws, the prompt reads the
// terminal, and the timer is off before it could fire; a later Ctrl-C ends nothing.
TEST_F(UnansweredInterruptTest, TwoQuickPressesOnACommandThatStopsAtOnceNeverEndTheRun) {
  const pid_t child = fork();
  if (child == 0) {
    startAnInteractiveRun();
    raise(SIGINT);
    raise(SIGINT);
    int failures = 0;
    if (interruptAnswerAwaited() != 1 || !(timerLeft() > 0.0)) failures |= 1;
    try {
      obeyInterruptRequest();
      failures |= 2;
    } catch (const StopRequest&) {
    }
    { InterruptibleRead prompt; }  // back at the prompt
    if (interruptAnswerAwaited() != 0 || timerLeft() != 0.0) failures |= 4;
    raise(SIGINT);  // a Ctrl-C of the next command: noted, it ends nothing
    if (interruptRequested() != 1) failures |= 8;
    _exit(failures);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Answered after the notice (the command came back late): the next Ctrl-C is an ordinary
// one again.
TEST_F(UnansweredInterruptTest, AnAnswerAfterTheNoticeMakesTheNextCtrlCOrdinary) {
  TemporaryFolder folder;
  const std::string noticePath = folder.path("notice.txt");
  const pid_t child = fork();
  if (child == 0) {
    const int notices = openForWriting(noticePath);
    dup2(notices, STDERR_FILENO);
    close(notices);
    startAnInteractiveRun();
    // Waits for the timer (nothing else signals this process); blocked until the wait, so
    // that it cannot come before it.
    sigset_t alarm;
    sigset_t before;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    sigprocmask(SIG_BLOCK, &alarm, &before);
    raise(SIGINT);
    sigsuspend(&before);
    sigprocmask(SIG_SETMASK, &before, nullptr);
    { InterruptibleRead prompt; }
    raise(SIGINT);
    _exit(interruptRequested() == 1 && interruptAnswerAwaited() == 1 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(readFile(noticePath), kNotice);
}

// A Ctrl-C typed while the program waits at the terminal (the prompt, a question) breaks
// off the read; it arms no timer.
TEST_F(UnansweredInterruptTest, ACtrlCAtThePromptArmsNothing) {
  installInterruptHandler();
  enableUnansweredInterruptNotice();
  {
    InterruptibleRead prompt;
    raise(SIGINT);
    EXPECT_EQ(interruptRequested(), 1);
    EXPECT_EQ(interruptAnswerAwaited(), 0);
    EXPECT_EQ(timerLeft(), 0.0);
  }
  EXPECT_EQ(spendInterruptBeforePrompt(), 1);
  EXPECT_EQ(interruptRequested(), 0);
}

// Without the notice (a handler installed by a test, or one stepping down) a Ctrl-C arms
// nothing; stepping down disarms a timer that runs.
TEST_F(UnansweredInterruptTest, OnlyAnEnabledNoticeArmsTheTimerAndSteppingDownDisarmsIt) {
  installInterruptHandler();
  raise(SIGINT);
  EXPECT_EQ(interruptAnswerAwaited(), 0);
  EXPECT_EQ(timerLeft(), 0.0);
  clearInterruptRequest();
  enableUnansweredInterruptNotice();
  raise(SIGINT);
  EXPECT_EQ(interruptAnswerAwaited(), 1);
  EXPECT_GT(timerLeft(), 0.0);
  removeInterruptHandler();
  EXPECT_EQ(interruptAnswerAwaited(), 0);
  EXPECT_EQ(timerLeft(), 0.0);
}

// The prompt after a command that took a Ctrl-C starts on a fresh line, however the
// command took it: through its poll, as the stop signal of a loop that then ended
// quietly, or not at all.
TEST_F(UnansweredInterruptTest, EveryCtrlCOfTheLastCommandIsSpentBeforeThePrompt) {
  installInterruptHandler();
  EXPECT_EQ(spendInterruptBeforePrompt(), 0);  // no Ctrl-C: the prompt goes on the line
  raise(SIGINT);
  EXPECT_EQ(getStopSignal(), 1);  // taken by a loop that ends quietly
  setStopSignal(0);               // and a command that clears the stop signal after it
  EXPECT_EQ(spendInterruptBeforePrompt(), 1);
  EXPECT_EQ(spendInterruptBeforePrompt(), 0);
  raise(SIGINT);
  EXPECT_THROW(obeyInterruptRequest(), StopRequest);
  EXPECT_EQ(spendInterruptBeforePrompt(), 1);
  raise(SIGINT);  // never seen by the command
  EXPECT_EQ(spendInterruptBeforePrompt(), 1);
  EXPECT_EQ(interruptRequested(), 0);
}

}  // namespace
