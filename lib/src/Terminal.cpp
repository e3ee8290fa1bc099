// Terminal width and progress lines (first form: loops run silent).
#include "Terminal.h"

namespace {
struct TerminalState {
  int stopSignal = 0;
  int lineSize = 120;
};
TerminalState& state() {
  static TerminalState s;
  return s;
}
}  // namespace

void startProgressInfo(const char*, int, double) {}
int incrementProgressInfo() { return 0; }
void stopProgressInfo(const char*) {}
int getProgressInfo() { return 0; }
int getStopSignal() { return state().stopSignal; }
void setStopSignal(int value) { state().stopSignal = value; }
int getLineSize() { return state().lineSize; }
