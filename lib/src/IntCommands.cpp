// General commands and the batch-job queue: the stand-in described in the header.
#include "IntCommands.h"

#include <string>

#include "Allocation.h"
#include "Error.h"
#include "Interpreter.h"
#include "Output.h"
#include "Parameters.h"
#include "SystemUtility.h"

namespace {

struct IntCommandsState {
  bool initialized = false;
};

IntCommandsState& state() {
  static IntCommandsState s;
  return s;
}

}  // namespace

void initializeGeneralCommands() {
  IntCommandsState& s = state();
  if (s.initialized) return;
  s.initialized = true;
  addInternalParameter("echo", "OFF", 't', 0);
  addInternalParameter("math", "OFF", 't', 0);
  addInternalParameter("error_trace", "OFF", 't', 0);
  addInternalParameter("log", "OFF", 't', 0);
  addInternalParameter("error_log", "OFF", 't', 0);
  addInternalParameter("interactive", "OFF", 't', 0);
  addInternalParameter("line_size", "100", 'i', 1);
  initializeInterpreter();
  initializeError();
}

long long getTotalAllocation() {
  long long total = 0;
  for (MemStatNode* node = getFirstMS(); node != nullptr; node = node->next) {
    total += static_cast<long long>(node->account->bytesHeld());
  }
  return total;
}

void printStatisticBeforeQuit() {
  double seconds = CPUTime();
  long long total = getTotalAllocation();
  if (total <= 999) {
    Print("CPU time used %10.2f seconds, Memory allocation %lld Bytes\n", seconds, total);
  } else if (total < 1000000) {
    Print("CPU time used %10.2f seconds, Memory allocation %lld KB\n", seconds, (total + 500) / 1000);
  } else {
    Print("CPU time used %10.2f seconds, Memory allocation %lld MB\n", seconds, (total + 500000) / 1000000);
  }
}

int COM_quit(char**, int) {
  if (getAutoLaunch() != 0) startAutoLaunch(0);
  printStatisticBeforeQuit();
  setOutputFile(nullptr);
  terminateProgram(0);
}

void resetIntCommands() {}
