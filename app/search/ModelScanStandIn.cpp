// Stand-in for the model-file rescan until it is built: every call reports
// "not available yet" and fails.
#include "runtime/Error.h"
#include "search/ModelScan.h"

namespace {
int notYet(const char* routine) {
  Alert(routine, 0, 100201, "Model rescan: not available yet");
  return 0;
}
}  // namespace

int readModelInputLine(FILE*, int*) { return notYet("readModelInputLine"); }
int modelInitialization(int, int) { return notYet("modelInitialization"); }
int BraneRecombination(const int*, const int*, int*, int*) { return notYet("BraneRecombination"); }
int initInstantonScan() { return notYet("initInstantonScan"); }
int buildMIPF(int number, int) { notYet("buildMIPF"); return number; }
int buildOrientifold(int number) { notYet("buildOrientifold"); return number; }
void StandardModelTadpoleScan(const char*, int) { notYet("StandardModelTadpoleScan"); }
bool modelScanBuilt() { return false; }
