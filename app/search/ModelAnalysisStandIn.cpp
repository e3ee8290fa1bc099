// Stand-in for the candidate classification until it is built: every call reports
// "not available yet" and rejects.
#include "runtime/Error.h"
#include "search/ModelAnalysis.h"

namespace {
int notYet(const char* routine) {
  Alert(routine, 0, 100201, "Candidate classification: not available yet");
  return 0;
}
}  // namespace

int computeY(int) { return notYet("computeY"); }
int verifySpectrum() { return notYet("verifySpectrum"); }
int computeQuarkAndLeptonCharges(int) { return notYet("computeQuarkAndLeptonCharges"); }
void setThreeStack(int) { notYet("setThreeStack"); }
int countQuarksAndLeptons(int, int) { return notYet("countQuarksAndLeptons"); }
int storeSMdata() { return notYet("storeSMdata"); }
int checkSMForTachyons() { return notYet("checkSMForTachyons"); }
int writeStandardModelInfo() { notYet("writeStandardModelInfo"); return -1; }
ModelRow copyStandardModelToModelsFormat(const StandardModel&) {
  notYet("copyStandardModelToModelsFormat");
  return ModelRow{};
}
void copyModelsFormatToStandardModel(StandardModel*, const int*, int) { notYet("copyModelsFormatToStandardModel"); }
int LocalU1Equations(StandardModel*, int) { return notYet("LocalU1Equations"); }
int CheckOrientability(const int*, const int*, const int*, const int*, const int*, int) {
  return notYet("CheckOrientability");
}
unsigned buildCY(unsigned) { notYet("buildCY"); return static_cast<unsigned>(-1); }
int alreadyDone(int, int, const char*) { return notYet("alreadyDone"); }
void PrintGenerator(char, int, const int*, const int*, int, int) { notYet("PrintGenerator"); }
std::string GeneratorString(char, int, const int*, const int*, int) {
  notYet("GeneratorString");
  return {};
}
void printCPD(FILE*, int, int) { notYet("printCPD"); }
void Conjugate_c(const StandardModel&, int*) { notYet("Conjugate_c"); }
void Conjugate_d(const StandardModel&, int*) { notYet("Conjugate_d"); }
void Interchange_cd(const StandardModel&, int*) { notYet("Interchange_cd"); }
std::string spectrumCode(int, int) {
  notYet("spectrumCode");
  return {};
}
void initRunTypeCollection() {}
int runTypeCount() { return 0; }
const int* runTypeRow(int) { return nullptr; }
bool modelAnalysisBuilt() { return false; }
