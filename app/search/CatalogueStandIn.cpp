// Stand-in for the model catalogue until it is built: every call reports
// "not available yet" and fails.
#include "runtime/Error.h"
#include "search/Catalogue.h"

namespace {
int notYet(const char* routine) {
  Alert(routine, 0, 100201, "Model catalogue: not available yet");
  return 0;
}
}  // namespace

void obtainLock() { notYet("obtainLock"); }
int checkLock() { return notYet("checkLock"); }
void removeLock() {}
int readQUVRModels(int) { notYet("readQUVRModels"); return -1; }
int getModelNumbers() { notYet("getModelNumbers"); return 1; }
int getGSM_NR() { return notYet("getGSM_NR"); }
const int* ReadGenericModelData(int) { notYet("ReadGenericModelData"); return nullptr; }
void CopyQUVRmodelToSMstruct(const int*, int) { notYet("CopyQUVRmodelToSMstruct"); }
void ComputeAdditionalModelInfo(StandardModel*) { notYet("ComputeAdditionalModelInfo"); }
void copyExtendedInfo(int*, const StandardModel*) { notYet("copyExtendedInfo"); }
int FindQUVRFilesForInput() { return notYet("FindQUVRFilesForInput"); }
std::string PrintBraneIdentity(StandardModel*, int) {
  notYet("PrintBraneIdentity");
  return {};
}
int DeterminePossibleChargesFromIntersections(void*) { return notYet("DeterminePossibleChargesFromIntersections"); }
int findThisSpectrumInQUVRList() { return notYet("findThisSpectrumInQUVRList"); }
bool catalogueBuilt() { return false; }
