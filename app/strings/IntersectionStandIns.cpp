// STAND-INS for the intersection module, until it is built: each reports once per call that
// it is not available yet (a warning, so background runs go on) and answers so that its
// callers proceed on the plain boundary list.
#include "runtime/Error.h"
#include "strings/Intersections.h"
#include "strings/OpenSpectrum.h"

int InitIntersection() {
  getSearchData();
  Alert("InitIntersection", 0, 100202, "Brane intersections: not available yet");
  return 0;
}

void initBoundaryClassStorage() {}

void incrementBoundaryClassIntersectionPointer() {}

int getBoundaryClass(int b) { return b; }

int CheckChirality(int mode, int, int, int*, int*, int*) {
  if (mode != 0) Alert("CheckChirality", 0, 100202, "Chirality of intersections: not available yet");
  return 0;
}

void loadGlobalAnomalies(int) {}
