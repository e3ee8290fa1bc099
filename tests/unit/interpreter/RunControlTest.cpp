// Run control with marker files in a temporary folder, a counting sleep routine and a fixed
// answer to "is it working hours".
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "interpreter/RunControl.h"
#include "program/Boot.h"
#include "runtime/Error.h"
#include "runtime/Parameters.h"
#include "TestSupport.h"

namespace {

// The fake pause: counts its calls and, after a given number of them, removes a marker
// (or ends the working period).
struct FakeTime {
  static int& sleeps() { static int n = 0; return n; }
  static std::vector<int>& seconds() { static std::vector<int> v; return v; }
  static std::string& markerToRemove() { static std::string s; return s; }
  static int& removeAfter() { static int n = 0; return n; }
  static int& working() { static int w = 1; return w; }
  static int& workingUntil() { static int n = -1; return n; }

  static void sleep(int period) {
    seconds().push_back(period);
    ++sleeps();
    if (sleeps() == removeAfter() && !markerToRemove().empty()) std::remove(markerToRemove().c_str());
    if (sleeps() == workingUntil()) working() = 0;
  }
  static int workingPeriod() { return working(); }
  static void reset() {
    sleeps() = 0;
    seconds().clear();
    markerToRemove().clear();
    removeAfter() = 0;
    working() = 1;
    workingUntil() = -1;
  }
};

int& consolidations() {
  static int n = 0;
  return n;
}
void countConsolidation() { ++consolidations(); }

int& hookCode() {
  static int code = 0;
  return code;
}
int hook() { return hookCode(); }

void toStandardError(Channel, const char* text, std::size_t length) { fwrite(text, 1, length, stderr); }

class RunControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    FakeTime::reset();
    consolidations() = 0;
    hookCode() = 0;
    setRunControlFolder(folder.path().c_str());
    setRunControlSleep(FakeTime::sleep);
    setWorkingPeriodCheck(FakeTime::workingPeriod);
    capture.clear();
  }
  void TearDown() override { resetAll(); }

  std::string marker(const char* name) { return folder.write(name, ""); }

  TemporaryFolder folder;
  OutputCapture capture;
};

// --- Signal codes ----------------------------------------------------------------------------

TEST_F(RunControlTest, MarkersGiveTheirCodes) {
  EXPECT_EQ(checkGeneralInterrupt(), 0);
  std::string nice = marker("zoq_nice");
  EXPECT_EQ(checkGeneralInterrupt(), 5);
  std::string sleep = marker("zoq_sleep");
  EXPECT_EQ(checkGeneralInterrupt(), 21);
  std::string stop = marker("zoq_stop");
  EXPECT_EQ(checkGeneralInterrupt(), 22);
  EXPECT_EQ(capture.stdoutText, "Machine stop signal encountered\n");
  capture.clear();
  marker("zoq_kill");
  EXPECT_EQ(checkGeneralInterrupt(), 23);  // kill beats everything
  EXPECT_EQ(capture.stdoutText, "Machine kill signal encountered\n");
}

TEST_F(RunControlTest, AFolderIsNoMarker) {
  ASSERT_EQ(mkdir(folder.path("zoq_stop").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(folder.path("zoq_kill").c_str(), 0755), 0);
  EXPECT_EQ(checkGeneralInterrupt(), 0);
  EXPECT_EQ(checkInterrupt(), 0);
  EXPECT_TRUE(capture.all.empty());
}

TEST_F(RunControlTest, HookCodesAgainstMarkers) {
  setInterruptFunction(hook);
  struct Case {
    int hook;
    std::vector<const char*> markers;
    int expected;
  };
  const Case cases[] = {
      {13, {"zoq_kill"}, 13},             // a kill from the hook stands
      {33, {}, 33},
      {12, {"zoq_kill"}, 23},             // the kill marker beats a stop from the hook
      {12, {"zoq_stop", "zoq_sleep"}, 12},  // a stop from the hook beats stop and sleep markers
      {14, {"zoq_stop"}, 14},             // the time limit is a stop
      {32, {"zoq_nice"}, 32},
      {11, {"zoq_sleep", "zoq_nice"}, 11},  // a sleep from the hook beats sleep and nice
      {11, {"zoq_stop"}, 22},             // but not the stop marker
      {4, {}, 0},                         // any other code is overruled by the markers
      {4, {"zoq_nice"}, 5},
      {0, {"zoq_sleep"}, 21},
  };
  for (const Case& c : cases) {
    std::vector<std::string> made;
    for (const char* name : c.markers) made.push_back(marker(name));
    hookCode() = c.hook;
    EXPECT_EQ(checkGeneralInterrupt(), c.expected) << "hook " << c.hook;
    for (const std::string& path : made) std::remove(path.c_str());
  }
}

// --- Pauses ----------------------------------------------------------------------------------

TEST_F(RunControlTest, SleepMarkerPausesUntilRemoved) {
  setConsolidateFunction(countConsolidation);
  FakeTime::markerToRemove() = marker("zoq_sleep");
  FakeTime::removeAfter() = 3;
  EXPECT_EQ(checkInterrupt(), 0);
  EXPECT_EQ(FakeTime::sleeps(), 3);
  EXPECT_EQ(FakeTime::seconds(), (std::vector<int>{10, 10, 10}));
  EXPECT_EQ(consolidations(), 1);  // once per call, however many cycles
  EXPECT_EQ(capture.stdoutText,
            "Sleep signal received\n"
            "Re-checking every 10 seconds\n"
            "Wakeup after 3 cycles\n");
}

TEST_F(RunControlTest, NiceMarkerOutsideWorkingHoursGoesOn) {
  marker("zoq_nice");
  FakeTime::working() = 0;
  EXPECT_EQ(checkInterrupt(), 0);
  EXPECT_EQ(FakeTime::sleeps(), 0);
  EXPECT_TRUE(capture.all.empty());
}

TEST_F(RunControlTest, NiceMarkerInWorkingHoursPausesWithoutWakeupMessage) {
  setConsolidateFunction(countConsolidation);
  FakeTime::markerToRemove() = marker("zoq_nice");
  FakeTime::removeAfter() = 2;
  EXPECT_EQ(checkInterrupt(), 0);
  EXPECT_EQ(FakeTime::sleeps(), 2);
  EXPECT_EQ(consolidations(), 1);
  EXPECT_EQ(capture.stdoutText,
            "Nice signal received; running only at night\n"
            "Re-checking every 10 seconds\n");
}

TEST_F(RunControlTest, NicePauseEndsWithTheWorkingPeriod) {
  marker("zoq_nice");
  FakeTime::workingUntil() = 4;
  EXPECT_EQ(checkInterrupt(), 0);
  EXPECT_EQ(FakeTime::sleeps(), 4);
  EXPECT_EQ(capture.stdoutText.find("Wakeup"), std::string::npos);
}

TEST_F(RunControlTest, SleepFollowedByNiceReportsTheSleepCycles) {
  marker("zoq_nice");
  FakeTime::markerToRemove() = marker("zoq_sleep");
  FakeTime::removeAfter() = 2;
  FakeTime::workingUntil() = 5;  // after two sleep cycles, three nice pauses
  EXPECT_EQ(checkInterrupt(), 0);
  EXPECT_EQ(FakeTime::sleeps(), 5);
  EXPECT_EQ(capture.stdoutText,
            "Sleep signal received\n"
            "Re-checking every 10 seconds\n"
            "Nice signal received; running only at night\n"
            "Re-checking every 10 seconds\n");
}

// --- The marker folder ----------------------------------------------------------------------

// /tmp, unless ZOQ_MARKER_FOLDER names another folder; a reset reads the variable again.
TEST_F(RunControlTest, TheMarkerFolderIsTmpUnlessTheEnvironmentNamesOne) {
  const char* given = std::getenv("ZOQ_MARKER_FOLDER");
  const std::string inherited = given != nullptr ? given : "";
  unsetenv("ZOQ_MARKER_FOLDER");
  resetRunControl();
  EXPECT_EQ(getRunControlFolder(), "/tmp");
  TemporaryFolder own;
  setenv("ZOQ_MARKER_FOLDER", own.path().c_str(), 1);
  resetRunControl();
  EXPECT_EQ(getRunControlFolder(), own.path());
  own.write("zoq_sleep", "");
  EXPECT_EQ(checkGeneralInterrupt(), kSignalSleep);
  setRunControlFolder(folder.path().c_str());
  EXPECT_EQ(checkGeneralInterrupt(), kSignalNone);
  setRunControlFolder(nullptr);  // back to the folder of the environment
  EXPECT_EQ(getRunControlFolder(), own.path());
  unsetenv("ZOQ_MARKER_FOLDER");
  setRunControlFolder(nullptr);
  EXPECT_EQ(getRunControlFolder(), "/tmp");
  if (given != nullptr) setenv("ZOQ_MARKER_FOLDER", inherited.c_str(), 1);
}

// --- Kill and stop end the run ---------------------------------------------------------------

TEST_F(RunControlTest, KillBeatsStop) {
  marker("zoq_stop");
  marker("zoq_kill");
  setConsolidateFunction([] { fputs("consolidated\n", stderr); });
  EXPECT_EXIT(
      {
        setOutputSink(toStandardError);
        checkInterrupt();
      },
      ::testing::ExitedWithCode(4), "Machine kill signal encountered\n(.|\n)*consolidated\n(.|\n)*Killed \\(no autolaunch\\)");
}

TEST_F(RunControlTest, KillFromTheHookNeedsNoMarker) {
  setInterruptFunction(hook);
  hookCode() = 13;
  EXPECT_EXIT(
      {
        setOutputSink(toStandardError);
        checkInterrupt();
      },
      ::testing::ExitedWithCode(4), "Killed \\(no autolaunch\\)");
}

TEST_F(RunControlTest, StopQuitsWithStatusZero) {
  marker("zoq_stop");
  marker("zoq_sleep");
  setConsolidateFunction([] { fputs("consolidated\n", stderr); });
  EXPECT_EXIT(
      {
        setOutputSink(toStandardError);
        checkInterrupt();
      },
      ::testing::ExitedWithCode(0), "Machine stop signal encountered\n(.|\n)*consolidated");
}

}  // namespace
