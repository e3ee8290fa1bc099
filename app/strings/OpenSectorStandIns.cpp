// STAND-INS for the printed spectrum reports of a brane configuration, until they are built:
// each says once per call that the report is not available yet.
#include "runtime/Error.h"
#include "strings/OpenSpectrum.h"

int GenericSpectrumAnalysis(ChanPatonData*, int) {
  Alert("GenericSpectrumAnalysis", 0, 100202, "String spectrum report: not available yet");
  return 1;
}

void GeneralOpenSectorAnalysis(ChanPatonData*) {
  Alert("GeneralOpenSectorAnalysis", 0, 100202, "Open sector report: not available yet");
}
