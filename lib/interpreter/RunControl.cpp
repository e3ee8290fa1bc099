// Run control (see the header).
#include "interpreter/RunControl.h"

#include <unistd.h>

#include <cstring>
#include <string>

#include "interpreter/IntCommands.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"

namespace {

void realSleep(int seconds) { ::sleep(static_cast<unsigned>(seconds)); }

struct RunControlState {
  InterruptFunction interrupt = nullptr;
  ConsolidateFunction consolidate = nullptr;
  std::string folder = markerFolderFromEnvironment();
  void (*sleepFunction)(int) = realSleep;
  int (*workingPeriod)() = WeekDayCheck;
};

RunControlState& state() {
  static RunControlState s;
  return s;
}

bool markerPresent(const char* name) {
  std::string path = state().folder + "/" + name;
  return checkDir(path.c_str()) == 1;
}

int lastDigit(int code) { return code % 10; }

void consolidate() {
  if (state().consolidate != nullptr) state().consolidate();
}

// "Sleep signal received" or the nice message, once per kind of pause and call.
void announcePause(const char* message) {
  sinkFlush();
  PrintStdout("%s\n", message);
  sinkFlush();
  consolidate();
  sinkFlush();
  PrintStdout("Re-checking every %d seconds\n", kSleepPeriod);
  sinkFlush();
}

}  // namespace

void setInterruptFunction(InterruptFunction function) { state().interrupt = function; }
void setConsolidateFunction(ConsolidateFunction function) { state().consolidate = function; }

void setRunControlFolder(const char* folder) {
  state().folder = folder != nullptr ? std::string(folder) : markerFolderFromEnvironment();
}
const std::string& getRunControlFolder() { return state().folder; }
void setRunControlSleep(void (*sleepFunction)(int)) { state().sleepFunction = sleepFunction != nullptr ? sleepFunction : realSleep; }
void setWorkingPeriodCheck(int (*check)()) { state().workingPeriod = check != nullptr ? check : WeekDayCheck; }

int checkGeneralInterrupt() {
  int code = state().interrupt != nullptr ? state().interrupt() : kSignalNone;
  int digit = lastDigit(code);
  if (digit == 3) return code;
  if (markerPresent("zoq_kill")) {
    PrintStdout("Machine kill signal encountered\n");
    return kSignalKill;
  }
  if (digit == 2 || code == kSignalTimeLimit) return code;
  if (markerPresent("zoq_stop")) {
    PrintStdout("Machine stop signal encountered\n");
    return kSignalStop;
  }
  if (digit == 1) return code;
  if (markerPresent("zoq_sleep")) return kSignalSleep;
  if (markerPresent("zoq_nice")) return kSignalNice;
  return kSignalNone;
}

int checkInterrupt() {
  obeyInterruptRequest();
  int code = checkGeneralInterrupt();
  if (code == kSignalNone) return 0;
  RunControlState& s = state();
  int sleepCycles = 0;
  bool sleepAnnounced = false;
  bool niceAnnounced = false;
  for (;;) {
    int digit = lastDigit(code);
    if (digit == 3) {
      consolidate();
      ExitAndMoveInput("Killed (no autolaunch)", kKilledExitStatus);
    }
    if (digit == 2 || code == kSignalTimeLimit) {
      consolidate();
      COM_quit(nullptr, 0);
      return 1;
    }
    if (digit == 1) {
      if (!sleepAnnounced) {
        sleepAnnounced = true;
        announcePause("Sleep signal received");
      }
      ++sleepCycles;
      s.sleepFunction(kSleepPeriod);
      code = checkGeneralInterrupt();
      if (code == kSignalNone) {
        PrintStdout("Wakeup after %d cycles\n", sleepCycles);
        return 0;
      }
      continue;
    }
    if (code == kSignalNice) {
      if (s.workingPeriod() == 0) return 0;
      if (!niceAnnounced) {
        niceAnnounced = true;
        announcePause("Nice signal received; running only at night");
      }
      s.sleepFunction(kSleepPeriod);
      code = checkGeneralInterrupt();
      if (code == kSignalNone) {
        if (sleepCycles > 0) PrintStdout("Wakeup after %d cycles\n", sleepCycles);
        return 0;
      }
      continue;
    }
    return 1;
  }
}

void resetRunControl() { state() = RunControlState(); }
