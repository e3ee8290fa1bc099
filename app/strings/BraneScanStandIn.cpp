// Stand-in for the brane scan until it is built.
#include "runtime/Error.h"
#include "strings/Intersections.h"

int BraneScan() {
  Alert("BraneScan", 0, 100201, "Brane scan: not available yet");
  return 1;
}
