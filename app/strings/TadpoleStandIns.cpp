// STAND-IN for the tadpole solver, until it is built.
#include "runtime/Error.h"
#include "strings/Tadpole.h"

int allocTadpoleInfo() {
  Alert("allocTadpoleInfo", 0, 100202, "Tadpole solver: not available yet");
  return -1;
}
