// Fixed-point data of the current theory: the S matrices of the fixed-point theory and
// of the orbit Lie algebra of a current, and whether a current fixes any field. Each
// entry answers from the current stored theory; the tensor-product side reports that it
// is not available until the tensor layer provides it.
#include <cmath>

#include "modular/Modular.h"
#include "modular/ModularInternal.h"
#include "runtime/Error.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"

namespace {

// False (after the alert) in tensor mode or without a current theory.
bool storeSide(const char* routine) {
  if (KMCosetSwitch == 0 && currentSD != nullptr) return true;
  Alert(routine, 0, 100302, "%s: not available yet for tensor products", routine);
  return false;
}

}  // namespace

int MOD_getFCFT_Smatrix(int J, int a, int b, double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
  if (!storeSide("MOD_getFCFT_Smatrix")) return 0;
  return SM_getFCFT_Smatrix(currentSD, J, a, b, re, im);
}

int MOD_getOLA_Smatrix(int J, int a, int b, double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
  if (!storeSide("MOD_getOLA_Smatrix")) return 0;
  return SM_getOLA_Smatrix(currentSD, J, a, b, re, im);
}

int MOD_fixedPointCurrent(int J) {
  if (!storeSide("MOD_fixedPointCurrent")) return 0;
  return SM_fixedPointCurrent(currentSD, J);
}

int MOD_getFCFTshift(int J) {
  if (!storeSide("MOD_getFCFTshift")) return 0;
  const int lbl = SM_getFCFTlbl(currentSD, J);
  if (lbl == 0) return 0;
  if (lbl < 0 || currentSD->fcft_shift == nullptr) {
    Alert("MOD_getFCFTshift", 1, 212404, "current %d has no fixed points", J);
    return 0;
  }
  return currentSD->fcft_shift[lbl - 1];
}
