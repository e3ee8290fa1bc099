// System utilities: exit routine and processor time.
#include "SystemUtility.h"

#include <cstdlib>
#include <ctime>

#include "Output.h"

namespace {

struct SystemState {
  ExitRoutine exitRoutine = stdexit;
};

SystemState& state() {
  static SystemState s;
  return s;
}

}  // namespace

void GracefulExit(int status) {
  state().exitRoutine(status);
  // An exit routine that returns still ends the program.
  std::exit(status);
}

void setExitRoutine(ExitRoutine routine) { state().exitRoutine = routine != nullptr ? routine : stdexit; }
void resetExitRoutine() { state().exitRoutine = stdexit; }

void stdexit(int status) {
  PrintStdout("Program exiting with code %d\n", status);
  sinkFlush();
  std::exit(status);
}

double CPUTime() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }
