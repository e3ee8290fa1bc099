// Run control, rank limits and user columns (see RunControl.h).
#include "RunControl.h"

#include <unistd.h>

#include <cstring>
#include <string>

#include "ControlUtility.h"
#include "Error.h"
#include "Evaluator.h"
#include "IntCommands.h"
#include "Output.h"
#include "SystemUtility.h"

namespace {

const char* const kDefaultFolder = "/tmp";
constexpr std::size_t kCellWidth = 80;

void realSleep(int seconds) { ::sleep(static_cast<unsigned>(seconds)); }

struct RunControlState {
  InterruptFunction interrupt = nullptr;
  ConsolidateFunction consolidate = nullptr;
  std::string folder = kDefaultFolder;
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

// STAND-IN until the CFT store keeps its theories in accounts of their own: the stand-in
// store holds no accounted data.
long long storeTotalAllocation() { return 0; }
long long storeSMatrixAllocation() { return 0; }

}  // namespace

void setInterruptFunction(InterruptFunction function) { state().interrupt = function; }
void setConsolidateFunction(ConsolidateFunction function) { state().consolidate = function; }

void setRunControlFolder(const char* folder) { state().folder = folder != nullptr ? folder : kDefaultFolder; }
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

// --- Algebra types ---------------------------------------------------------------------------

int minRank(int type) {
  switch (type) {
    case 0: return 2;
    case 1: return 1;
    case 2: return 2;
    case 3: return 2;
    case 4: return 4;
    case 5: return 6;
    case 6: return 4;
    case 7: return 2;
    case 11: return 1;
    case 12: return 2;
    case 13: return 1;
    case 14: return 2;
    case 15: return 4;
    case 16: return 2;
    case 26: return 2;
    default: Alert("minRank", 0, 112412, "Invalid type %d", type); return 1;
  }
}

int maxRank(int type) {
  switch (type) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 12:
    case 13:
    case 14: return getMaxrankSetting();
    case 5: return 8;
    case 6:
    case 15: return 4;
    case 7:
    case 16:
    case 26: return 2;
    case 11: return 1;
    default: Alert("maxRank", 0, 112412, "Invalid type %d", type); return 1;
  }
}

int standardType(int type) { return type == 6 || type == 7 ? 5 : type; }

int algebraType(int type, int rank) {
  if (type != 5) return type;
  if (rank == 4) return 6;
  if (rank == 2) return 7;
  return 5;
}

int checkFieldLimits(int i) {
  int primaries = TotalPrimaries != nullptr ? *TotalPrimaries : 0;
  if (i >= primaries) i = primaries - 1;
  return i < 0 ? 0 : i;
}

long long ZoqAllocation(int verbose) {
  long long total = storeTotalAllocation();
  long long sMatrices = storeSMatrixAllocation();
  if (verbose > 0) {
    Alert("ZoqAllocation", 0, 100208, "Total algebra allocation %lld Bytes", total);
    Alert("ZoqAllocation", 1, 100208, "Total S matrix allocation %lld Bytes", sMatrices);
  }
  return total;
}

// --- User columns ----------------------------------------------------------------------------

std::string getExtraColumnText(const char* templateText, int field) {
  std::string expression;
  std::string number = std::to_string(field);
  for (const char* p = templateText != nullptr ? templateText : ""; *p != '\0'; ++p) {
    if (*p == '#') expression += number;
    else expression += *p;
  }
  MathObjPtr value(evaluate_string_to_string(expression.c_str()));
  std::string cell(value->text.c_str());
  if (cell.size() > kCellWidth) cell.resize(kCellWidth);
  for (char& c : cell) {
    if (c == '\n') c = ' ';
  }
  return cell;
}

char* getExtraColumn(char* out, const char* templateText, int field) {
  std::string cell = getExtraColumnText(templateText, field);
  std::memcpy(out, cell.c_str(), cell.size() + 1);
  return out + cell.size();
}

void resetRunControl() { state() = RunControlState(); }
