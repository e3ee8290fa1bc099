// Program shell: the one-time initialisation of every subsystem, by the boot table.
#include "Boot.h"
#include "BootTable.h"

namespace {

struct ControlState {
  bool initialized = false;
};

ControlState& state() {
  static ControlState s;
  return s;
}

}  // namespace

void initializeAll() {
  if (state().initialized) return;
  state().initialized = true;
  for (std::size_t i = 0; i < kBootTableSize; ++i) {
    if (kBootTable[i].initialize != nullptr) kBootTable[i].initialize();
  }
}

void resetAll() {
  if (!state().initialized) {
    initializeAll();
    return;
  }
  for (std::size_t i = kBootTableSize; i-- > 0;) {
    if (kBootTable[i].reset != nullptr) kBootTable[i].reset();
  }
}
