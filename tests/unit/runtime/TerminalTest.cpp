// Terminal width and progress lines: when lines appear at all, the percent steps, the
// completion line, the expected-time question, nesting, and the separator widths.
#include "runtime/Terminal.h"

#include <gtest/gtest.h>

#include <csignal>

#include "interpreter/Interpreter.h"
#include "program/Boot.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/StringUtility.h"
#include "TestSupport.h"

namespace {

bool onTerminal() { return true; }

class TerminalTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
  // An interactive run at a terminal with progress reports switched on.
  static void allowProgress() {
    setInteractive(1);
    setProgressInfo(1);
    setStandardOutputTerminalQuery(onTerminal);
  }
};

TEST_F(TerminalTest, ProgressIsAllowedOnlyInAnInteractiveTerminalRun) {
  EXPECT_EQ(ProgressInfoAllowed(), 0);  // the state after start-up
  allowProgress();
  EXPECT_EQ(ProgressInfoAllowed(), 1);
  setBackground(1);
  EXPECT_EQ(ProgressInfoAllowed(), 0);
  setBackground(0);
  setInteractive(1);
  setStandardOutputTerminalQuery(nullptr);  // standard output of the tests is no terminal
  EXPECT_EQ(ProgressInfoAllowed(), 0);
}

TEST_F(TerminalTest, AnInteractiveTerminalRunShowsProgressWithoutTheSwitch) {
  setInteractive(1);
  setStandardOutputTerminalQuery(onTerminal);
  EXPECT_EQ(ProgressInfoAllowed(), 1);  // no "-p" needed
  setProgressInfo(0);                   // "silent"
  EXPECT_EQ(ProgressInfoAllowed(), 0);
}

TEST_F(TerminalTest, CtrlCStopsTheRunningLoopAsTheAnswerStop) {
  installInterruptHandler();
  startProgressInfo("long", 1, 100000);
  EXPECT_EQ(incrementProgressInfo(), 0);
  std::raise(SIGINT);  // the process lives on: the handler only notes it
  EXPECT_THROW(incrementProgressInfo(), StopRequest);
  EXPECT_EQ(getStopSignal(), 1);
  EXPECT_EQ(interruptRequested(), 0);
  // A loop that polls the stop signal sees a Ctrl-C there too.
  setStopSignal(0);
  std::raise(SIGINT);
  EXPECT_EQ(getStopSignal(), 1);
  removeInterruptHandler();
}

TEST_F(TerminalTest, ACtrlCTakenAsTheStopSignalStillEndsTheCommand) {
  installInterruptHandler();
  // A loop below polls the stop signal, takes the Ctrl-C and ends quietly ...
  std::raise(SIGINT);
  EXPECT_EQ(getStopSignal(), 1);
  EXPECT_EQ(interruptRequested(), 0);
  // ... and the next poll of a loop around it ends the command, once.
  EXPECT_THROW(obeyInterruptRequest(), StopRequest);
  EXPECT_NO_THROW(obeyInterruptRequest());
  // A stop signal without a Ctrl-C (a declined question) is left to the loops that read it.
  setStopSignal(1);
  EXPECT_NO_THROW(obeyInterruptRequest());
  // The next command line clears a Ctrl-C taken and not yet obeyed.
  setStopSignal(0);
  std::raise(SIGINT);
  EXPECT_EQ(getStopSignal(), 1);
  setStopSignal(0);
  EXPECT_NO_THROW(obeyInterruptRequest());
  removeInterruptHandler();
}

TEST_F(TerminalTest, APipedRunIsNeverAskedForAnswers) {
  // Standard input of the tests is not a terminal: the question takes its default and
  // reads nothing, though the run is interactive.
  setInteractive(1);
  OutputCapture capture;
  EXPECT_EQ(Alert("question", 0, 332209, "Go on?"), 1);
  EXPECT_EQ(capture.diagnostics.find("(Yes/No"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Non-interactive mode; Assuming default answer: Yes"), std::string::npos);
}

TEST_F(TerminalTest, ShortLoopsRunSilent) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  startProgressInfo("short", 1, 2000);
  for (int i = 0; i < 2000; ++i) EXPECT_EQ(incrementProgressInfo(), 0);
  stopProgressInfo("short");
  EXPECT_EQ(capture.all, "");
}

TEST_F(TerminalTest, WithoutPermissionEveryLoopRunsSilent) {
  FixedClock clock;
  OutputCapture capture;
  startProgressInfo("long", 1, 100000);
  for (int i = 1; i <= 100000; ++i) {
    if (i == 10) clock.set(5000000);  // would predict far more than a minute
    EXPECT_EQ(incrementProgressInfo(), 0);
  }
  stopProgressInfo("long");
  EXPECT_EQ(capture.all, "");
  EXPECT_EQ(getStopSignal(), 0);
}

TEST_F(TerminalTest, ALongLoopShowsAPercentLineEveryStep) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  startProgressInfo("big", 0, 100000);  // step = 100000 / 100 + 1 = 1001
  EXPECT_EQ(capture.progress, "big\r");
  for (int i = 1; i <= 1000; ++i) incrementProgressInfo();
  EXPECT_EQ(getProgressInfo(), 0);
  incrementProgressInfo();
  EXPECT_EQ(getProgressInfo(), 1);
  EXPECT_NE(capture.progress.find("\rbig; Progress: 1%; Estimated remaining time:    0.00 sec\r"),
            std::string::npos);
  for (int i = 1002; i <= 100000; ++i) incrementProgressInfo();
  // Thresholds 1001, 2002, ..., 99099: 99 lines; 100100 is never reached.
  EXPECT_EQ(substringcnt(capture.progress.c_str(), "Progress:"), 99);
  EXPECT_EQ(getProgressInfo(), 99);
  capture.clear();
  clock.set(2500000);
  stopProgressInfo("big");
  EXPECT_NE(capture.progress.find("big completed; Total time    2.50 sec.\n"), std::string::npos);
  EXPECT_EQ(getProgressInfo(), 0);
}

TEST_F(TerminalTest, TheEstimateUsesTheTimeSoFar) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  startProgressInfo("timed", 0, 10000);  // step 101
  for (int i = 1; i <= 100; ++i) incrementProgressInfo();
  clock.set(500000);  // 0.5 s at 1 %: 99 more percent take 49.5 s
  incrementProgressInfo();
  EXPECT_NE(capture.progress.find("Progress: 1%; Estimated remaining time:   49.50 sec"), std::string::npos);
  stopProgressInfo("timed");
}

TEST_F(TerminalTest, ALoopPredictedBeyondAMinuteAsksWhetherToGoOn) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  ScriptedAnswers answers({"no"});
  startProgressInfo("search", 1, 100000);
  for (int i = 1; i < 10; ++i) EXPECT_EQ(incrementProgressInfo(), 0);
  clock.set(2000000);  // 2 s for 10 steps: 20000 s expected
  EXPECT_EQ(incrementProgressInfo(), 1);
  EXPECT_NE(capture.diagnostics.find("Process: search; Expected total time 20000.00 sec. Continue?"),
            std::string::npos);
  EXPECT_EQ(getStopSignal(), 1);
  EXPECT_EQ(incrementProgressInfo(), 0);  // the record was stopped
  EXPECT_EQ(getProgressInfo(), 0);
}

TEST_F(TerminalTest, AnsweringYesGoesOn) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  ScriptedAnswers answers({"yes"});
  startProgressInfo("search", 1, 100000);
  for (int i = 1; i < 10; ++i) incrementProgressInfo();
  clock.set(2000000);
  EXPECT_EQ(incrementProgressInfo(), 0);
  EXPECT_EQ(getStopSignal(), 0);
  stopProgressInfo("search");
}

TEST_F(TerminalTest, WithoutTheAskFlagTheExpectationIsOnlyPrinted) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  startProgressInfo("plain", 0, 100000);
  for (int i = 1; i < 10; ++i) incrementProgressInfo();
  clock.set(2000000);
  EXPECT_EQ(incrementProgressInfo(), 0);
  EXPECT_NE(capture.stdoutText.find("Process: plain; Expected total time 20000.00 sec\n"), std::string::npos);
  EXPECT_EQ(capture.diagnostics, "");
  stopProgressInfo("plain");
}

TEST_F(TerminalTest, AQuickStartDefersTheCheckByDecades) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  startProgressInfo("decades", 0, 1000000);  // step 10001
  for (int i = 1; i <= 10; ++i) incrementProgressInfo();  // 0 s at 10 steps: check again at 100
  clock.set(3000000);
  for (int i = 11; i < 100; ++i) incrementProgressInfo();
  EXPECT_EQ(capture.stdoutText, "");
  incrementProgressInfo();  // 3 s for 100 steps: 30000 s expected
  EXPECT_NE(capture.stdoutText.find("Process: decades; Expected total time 30000.00 sec\n"), std::string::npos);
  stopProgressInfo("decades");
}

TEST_F(TerminalTest, NestedLoopTimeCountsAsPausedTimeOfTheParent) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  startProgressInfo("outer", 0, 100000);
  startProgressInfo("inner", 0, 3000);
  for (int i = 0; i < 3000; ++i) incrementProgressInfo();
  clock.set(5000000);
  stopProgressInfo("inner");
  EXPECT_NE(capture.progress.find("inner completed; Total time    5.00 sec.\n"), std::string::npos);
  clock.set(5500000);
  for (int i = 1; i <= 10; ++i) incrementProgressInfo();
  // 0.5 s of its own work in 10 steps: no expectation is printed yet.
  EXPECT_EQ(capture.stdoutText, "");
  stopProgressInfo("outer");
  EXPECT_NE(capture.progress.find("outer completed; Total time    5.50 sec.\n"), std::string::npos);
}

TEST_F(TerminalTest, StoppingWithAnotherNameReportsTheMismatch) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  startProgressInfo("recorded", 0, 5000);
  stopProgressInfo("given");
  EXPECT_NE(capture.progress.find("Process mismatch: given <---> recorded\n"), std::string::npos);
  EXPECT_NE(capture.progress.find("recorded completed;"), std::string::npos);
  EXPECT_EQ(getRunningModal(), 0);
}

TEST_F(TerminalTest, BackgroundLoopsNeverAsk) {
  allowProgress();
  setBackground(1);
  FixedClock clock;
  OutputCapture capture;
  startProgressInfo("batch", 1, 100000);
  for (int i = 1; i < 10; ++i) incrementProgressInfo();
  clock.set(2000000);
  EXPECT_EQ(incrementProgressInfo(), 0);
  stopProgressInfo("batch");
  EXPECT_EQ(capture.all, "");
  setBackground(0);
}

TEST_F(TerminalTest, AbsurdLoopLengthsDisableThePercentCounter) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  startProgressInfo("huge", 0, 1e21);
  EXPECT_NE(capture.stdoutText.find("Loop length overflow; disabling percentage counter"), std::string::npos);
  EXPECT_EQ(incrementProgressInfo(), 0);
  stopProgressInfo("huge");
}

TEST_F(TerminalTest, WipingOverwritesTheLineWithBlanks) {
  OutputCapture capture;
  setLineLen(5);
  whipe();
  EXPECT_EQ(capture.progress, "      \r");
  EXPECT_EQ(getLineLen(), 0);
  whipe();
  EXPECT_EQ(capture.progress, "      \r");
}

TEST_F(TerminalTest, ErrorMessagesWipeAnOpenProgressLine) {
  OutputCapture capture;
  startModal();
  setLineLen(3);
  printErrorMessage("message\n");
  stopModal();
  EXPECT_EQ(capture.all, "    \rmessage\n");
}

TEST_F(TerminalTest, WidthsOfLinesAndSeparators) {
  setNumberOfColumns();  // standard input is no terminal: the width stays
  EXPECT_EQ(getLineSize(), 120);
  EXPECT_EQ(getOffsetSize(), 20);
  // 120 - 10 exceeds "line_size" 100: the separator is 100 - 2 wide.
  EXPECT_EQ(getSeparatorLineSize(), 98);
  setIntPar("line_size", 200);
  EXPECT_EQ(getSeparatorLineSize(), 110);
}

TEST_F(TerminalTest, AStoppedLoopSaysItWasStoppedAndNoMismatch) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  startProgressInfo("Checking fusion coefficients", 0, 5000);
  clock.set(1500000);
  setStopSignal(1);
  stopProgressInfo("Unknown");
  EXPECT_NE(capture.progress.find("Checking fusion coefficients stopped; Total time    1.50 sec.\n"),
            std::string::npos)
      << capture.progress;
  EXPECT_EQ(capture.progress.find("mismatch"), std::string::npos);
  EXPECT_EQ(capture.progress.find("completed"), std::string::npos);
  EXPECT_EQ(getRunningModal(), 0);
}

TEST_F(TerminalTest, AbandoningACommandStopsEveryLoop) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  startProgressInfo("outer", 0, 100000);
  startProgressInfo("inner", 0, 3000);
  abandonProgressInfo();
  const std::size_t inner = capture.progress.find("inner stopped; Total time");
  const std::size_t outer = capture.progress.find("outer stopped; Total time");
  EXPECT_NE(inner, std::string::npos) << capture.progress;
  EXPECT_NE(outer, std::string::npos) << capture.progress;
  EXPECT_LT(inner, outer);  // innermost first
  EXPECT_EQ(capture.progress.find("completed"), std::string::npos);
  EXPECT_EQ(getRunningModal(), 0);
  EXPECT_EQ(incrementProgressInfo(), 0);
}

TEST_F(TerminalTest, TheAnswerStopSaysTheLoopWasStopped) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  ScriptedAnswers answers({"stop"});
  startProgressInfo("search", 1, 100000);
  for (int i = 1; i < 10; ++i) EXPECT_EQ(incrementProgressInfo(), 0);
  clock.set(2000000);
  EXPECT_THROW(incrementProgressInfo(), StopRequest);
  EXPECT_NE(capture.progress.find("search stopped; Total time    2.00 sec.\n"), std::string::npos)
      << capture.progress;
  EXPECT_EQ(capture.all.find("Unknown"), std::string::npos);
  EXPECT_EQ(capture.all.find("completed"), std::string::npos);
}

TEST_F(TerminalTest, CtrlCSaysTheLoopWasStopped) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  installInterruptHandler();
  startProgressInfo("long", 0, 100000);
  std::raise(SIGINT);
  EXPECT_THROW(incrementProgressInfo(), StopRequest);
  removeInterruptHandler();
  EXPECT_NE(capture.progress.find("long stopped; Total time"), std::string::npos);
  EXPECT_EQ(capture.all.find("mismatch"), std::string::npos);
}

TEST_F(TerminalTest, ABurstOfStepsIsEstimatedOnTheStepsDone) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  startProgressInfo("burst", 0, 100000);  // step 1001
  clock.set(2000000);
  // Half the work in 2 s: 4 s in all, no expectation line (step by step the check at 10
  // steps would have read 20000 s).
  EXPECT_EQ(advanceProgressInfo(50000), 0);
  EXPECT_EQ(capture.stdoutText.find("Expected total time"), std::string::npos) << capture.stdoutText;
  // 50000 / 1001 = 49 thresholds passed: one line, at 49 %.
  EXPECT_EQ(getProgressInfo(), 49);
  EXPECT_EQ(substringcnt(capture.progress.c_str(), "Progress:"), 1);
  EXPECT_NE(capture.progress.find("Progress: 49%"), std::string::npos);
  EXPECT_EQ(advanceProgressInfo(1), 0);
  EXPECT_EQ(substringcnt(capture.progress.c_str(), "Progress:"), 1);
  EXPECT_EQ(advanceProgressInfo(1000), 0);  // 51001 passes 50050
  EXPECT_EQ(getProgressInfo(), 50);
  stopProgressInfo("burst");
  EXPECT_NE(capture.progress.find("burst completed; Total time    2.00 sec.\n"), std::string::npos);
}

// A wall clock set by the test, in seconds.
double wallNow = 0.0;
double testWallClock() {
  return wallNow;
}

TEST_F(TerminalTest, ThreadedWorkAsksAtItsFirstReportAfterASecond) {
  allowProgress();
  wallNow = 0.0;
  setWallClockSource(testWallClock);
  OutputCapture capture;
  ScriptedAnswers answers({"no"});
  startProgressInfoElapsed("table", 1, 1000000);  // step 10001
  wallNow = 0.5;
  EXPECT_EQ(advanceProgressInfo(3000), 0);  // half a second: too early to judge
  wallNow = 1.5;
  // 23000 steps in 1.5 s: 1.5 x 1000000 / 23000 = 65.22 s expected. The burst has passed
  // two percent steps already, which does not delay the question of threaded work.
  EXPECT_EQ(advanceProgressInfo(20000), 1);
  setWallClockSource(nullptr);
  EXPECT_EQ(ScriptedAnswers::left(), 0u);
  EXPECT_NE(capture.diagnostics.find("Process: table; Expected total time   65.22 sec. Continue?"),
            std::string::npos)
      << capture.diagnostics;
  EXPECT_EQ(getStopSignal(), 1);
  EXPECT_EQ(advanceProgressInfo(1000), 0);  // the record was stopped
}

TEST_F(TerminalTest, ThreadedWorkOfLessThanAMinuteGoesOnWithoutAQuestion) {
  allowProgress();
  wallNow = 0.0;
  setWallClockSource(testWallClock);
  OutputCapture capture;
  startProgressInfoElapsed("table", 1, 1000000);
  wallNow = 1.0;
  // A fifth of the work in the first second: 5 s in all.
  EXPECT_EQ(advanceProgressInfo(200000), 0);
  wallNow = 100.0;  // the time is looked at once only
  EXPECT_EQ(advanceProgressInfo(100000), 0);
  setWallClockSource(nullptr);
  EXPECT_EQ(capture.all.find("Expected total time"), std::string::npos) << capture.all;
  EXPECT_EQ(getStopSignal(), 0);
  stopProgressInfo("table");
}

TEST_F(TerminalTest, ThreadedWorkGivesElapsedTime) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  startProgressInfoElapsed("threads", 0, 5000);
  stopProgressInfo("threads");
  EXPECT_NE(capture.progress.find("threads completed; Total elapsed time "), std::string::npos)
      << capture.progress;
}

}  // namespace

namespace {

TEST_F(TerminalTest, AProgressScopeShowsAndEndsItsLine) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  {
    ProgressScope scope("scoped", 100000);  // step 100000 / 100 + 1 = 1001
    for (int i = 0; i < 1001; ++i) EXPECT_EQ(scope.step(), 0);
    EXPECT_EQ(getProgressInfo(), 1);
    clock.set(1500000);
  }
  EXPECT_NE(capture.progress.find("scoped completed; Total time    1.50 sec.\n"), std::string::npos)
      << capture.progress;
  EXPECT_EQ(getRunningModal(), 0);
}

TEST_F(TerminalTest, AScopeLeftByCtrlCEndsItsLineOnceAndKeepsNoRecord) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  installInterruptHandler();
  startProgressInfo("outer", 0, 100000);
  try {
    ProgressScope scope("inner", 5000);
    std::raise(SIGINT);
    scope.step();
    ADD_FAILURE() << "the pending Ctrl-C was not obeyed";
  } catch (const StopRequest&) {
  }
  removeInterruptHandler();
  EXPECT_EQ(substringcnt(capture.progress.c_str(), "inner stopped"), 1) << capture.progress;
  EXPECT_EQ(substringcnt(capture.progress.c_str(), "outer stopped"), 1) << capture.progress;
  EXPECT_EQ(capture.progress.find("mismatch"), std::string::npos);
  EXPECT_EQ(getRunningModal(), 0);
}

TEST_F(TerminalTest, ADeclinedQuestionStopsOnlyTheScopesOwnLine) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  ScriptedAnswers answers({"no"});
  startProgressInfo("outer", 0, 100000);
  {
    ProgressScope scope("inner", 100000, 1);
    for (int i = 1; i < 10; ++i) EXPECT_EQ(scope.step(), 0);
    clock.set(2000000);  // 2 s for 10 steps: 20000 s expected
    EXPECT_EQ(scope.step(), 1);
    EXPECT_EQ(scope.step(), 1);  // the loop is told again, the record is not touched
  }
  // The scope's end did not stop the outer loop, which is current again.
  EXPECT_EQ(capture.progress.find("outer stopped"), std::string::npos) << capture.progress;
  EXPECT_EQ(getRunningModal(), 1);
  setStopSignal(0);
  stopProgressInfo("outer");
  EXPECT_NE(capture.progress.find("outer completed"), std::string::npos) << capture.progress;
  EXPECT_EQ(getRunningModal(), 0);
}

TEST_F(TerminalTest, APositionBeyondTheCounterRangeIsScaled) {
  allowProgress();
  FixedClock clock;
  OutputCapture capture;
  ProgressScope scope("box", 2e17);  // counted as 1e15 steps, 1e13 + 1 per percent
  EXPECT_EQ(capture.stdoutText.find("Loop length overflow"), std::string::npos);
  EXPECT_EQ(scope.advanceTo(1e17), 0);  // 5e14 steps: 49 whole percent steps of 1e13 + 1
  EXPECT_EQ(getProgressInfo(), 49);
  EXPECT_EQ(scope.advanceTo(5e16), 0);  // a position already passed changes nothing
  EXPECT_EQ(getProgressInfo(), 49);
  EXPECT_EQ(scope.advanceTo(1e18), 0);  // beyond the total: held at 1e15 steps, 99 percent steps
  EXPECT_EQ(getProgressInfo(), 99);
}

}  // namespace
