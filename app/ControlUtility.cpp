// Program shell: the boot table and the one-time initialisation of every subsystem.
#include <cstddef>

#include "Allocation.h"
#include "Boot.h"
#include "SystemUtility.h"

namespace {

void resetRuntime() {
  resetAllocation();
  resetExitRoutine();
}

const BootEntry kBootTable[] = {
    {"runtime", nullptr, resetRuntime},
};

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
  for (const BootEntry& entry : kBootTable) {
    if (entry.initialize != nullptr) entry.initialize();
  }
}

void resetAll() {
  if (!state().initialized) {
    initializeAll();
    return;
  }
  constexpr std::size_t n = sizeof(kBootTable) / sizeof(kBootTable[0]);
  for (std::size_t i = n; i-- > 0;) {
    if (kBootTable[i].reset != nullptr) kBootTable[i].reset();
  }
}
