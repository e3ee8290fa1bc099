// STAND-INS for the unoriented amplitudes, the orientifold list and the boundary conjugates
// of the orientifold records, until they are built. Each reports once per call that it is
// not available yet and gives the neutral answer its callers treat as "nothing".
#include "boundaries/CrossBound.h"
#include "runtime/Error.h"

namespace {
void notAvailable(const char* where) {
  Alert(where, 0, 100302, "Orientifold amplitudes: not available yet");
}
}  // namespace

int getAnnulus(int, int, int) {
  notAvailable("getAnnulus");
  return 0;
}

int getMoebius(int, int) {
  notAvailable("getMoebius");
  return 0;
}

int getKleinBottle(int) {
  notAvailable("getKleinBottle");
  return 0;
}

OrientifoldInfo** getPositiveTensionOrientifolds(int* total, int* count) {
  notAvailable("getPositiveTensionOrientifolds");
  if (total != nullptr) *total = 0;
  if (count != nullptr) *count = 0;
  return nullptr;
}

void loadOrientifoldConjugates(OrientifoldInfo*, int) {
  notAvailable("loadOrientifoldConjugates");
}

void loadAllOrientifoldConjugates(int) { notAvailable("loadAllOrientifoldConjugates"); }

int orientifoldConjugate(const OrientifoldInfo*, int) { return -1; }

int orientifoldGroupType(const OrientifoldInfo*, int) { return 0; }
