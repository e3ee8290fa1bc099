// The defaults of the tensor layer's services (see the header).
#include "store/TensorHooks.h"

#include "groups/Discrete.h"
#include "runtime/Error.h"
#include "store/CurrentTheory.h"

namespace {

// The modular data's requests are reported with code 100302, the store's with 100201.
void notAvailable(const char* routine) {
  Alert(routine, 0, 100302, "%s: not available yet", routine);
}
void notAvailableToStore(const char* routine) {
  Alert(routine, 0, 100201, "%s: not available yet", routine);
}

void zero(double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
}

void getCosetS(TensorProduct*, int, int, double* re, double* im) {
  notAvailable("getCosetS");
  zero(re, im);
}

void getCosetT(TensorProduct*, int, int, double* re, double* im) {
  notAvailable("getCosetT");
  zero(re, im);
}

void getCosetrootT(TensorProduct*, int, int, double* re, double* im) {
  notAvailable("getCosetrootT");
  zero(re, im);
}

double getCosetLogT(TensorProduct*, int) {
  notAvailable("getCosetLogT");
  return 0.0;
}

void getCosetSOfLabels(TensorProduct*, const int*, const int*, double* re, double* im) {
  notAvailableToStore("getCosetS");
  zero(re, im);
}

void CT_getOLA_Smatrix(TensorProduct*, int, const int*, const int*, double* re, double* im) {
  notAvailableToStore("CT_getOLA_Smatrix");
  zero(re, im);
}

int CT_S_Symmetry(TensorProduct*) {
  notAvailable("CT_S_Symmetry");
  return 0;
}

int CT_getConjugate(TensorProduct*, int) {
  notAvailable("CT_getConjugate");
  return -1;
}

int CT_ConjugatesAvailable(TensorProduct*) {
  notAvailable("CT_ConjugatesAvailable");
  return 0;
}

int* TensorField(TensorProduct*, int) {
  notAvailable("TensorField");
  return nullptr;
}

int TensorRatWeight(TensorProduct*, const int*, Rat* q) {
  notAvailable("TensorRatWeight");
  *q = Rat{0, 1};
  return 0;
}

int fieldRatWeight(TensorProduct*, int, Rat* q) {
  notAvailable("TensorRatWeight");
  *q = Rat{0, 1};
  return 0;
}

double cosetCentralCharge(TensorProduct*) {
  notAvailable("cosetCentralCharge");
  return 0.0;
}

std::string getTensorCode(TensorProduct*) {
  notAvailable("getTensorCode");
  return "NONE";
}

std::string getCurrentTensorFileName(const char* prefix, const char* middle, const char* suffix) {
  return std::string(prefix) + middle + tensorHooks().getTensorCode(currentTensor) + suffix;
}

int CT_currentCheck(TensorProduct*, int) {
  notAvailable("CT_currentCheck");
  return 0;
}

int isTensorSuperCurrent(int, TensorProduct*) {
  notAvailable("isTensorSuperCurrent");
  return 0;
}

int CT_simpleCurrentAction(int, int, TensorProduct*) {
  notAvailable("CT_simpleCurrentAction");
  return -1;
}

int CT_simpleCurrentProduct(int, int, TensorProduct*) {
  notAvailable("CT_simpleCurrentProduct");
  return -1;
}

DGType* CT_getCurrentGroup(TensorProduct*) {
  notAvailable("CT_getCurrentGroup");
  return DG_trivial();
}

int CT_getSusyFlag(TensorProduct*) {
  notAvailable("CT_getSusyFlag");
  return 0;
}

void CT_getFCFT_Smatrix(TensorProduct*, int, int, int, double* re, double* im) {
  notAvailable("CT_getFCFT_Smatrix");
  zero(re, im);
}

void CT_getOLA_SmatrixOfFields(TensorProduct*, int, int, int, double* re, double* im) {
  notAvailable("CT_getOLA_Smatrix");
  zero(re, im);
}

int getTotalFCFTshiftOfField(TensorProduct*, int) {
  notAvailable("getTotalFCFTshift");
  return 0;
}

int CT_getCurrentTwist(TensorProduct*, int, int, int) {
  notAvailable("CT_getCurrentTwist");
  return 0;
}

int CT_isValidCFT(TensorProduct*) {
  notAvailable("CT_isValidCFT");
  return 0;
}

int CT_initContents(TensorProduct*) { return 0; }

VectorSpace* CT_getCurrentOuterAutomorphisms(TensorProduct*) {
  notAvailable("CT_getCurrentOuterAutomorphisms");
  return nullptr;
}

int CT_TotalOuterAutomorphisms(TensorProduct*) {
  notAvailable("CT_TotalOuterAutomorphisms");
  return 0;
}

int CT_getCurrentPermutation(TensorProduct*, int, int J) {
  notAvailable("CT_getCurrentPermutation");
  return J;
}

int getExtensionNumber(const TensorProduct*) { return -1; }

int initFCFT(TensorProduct*, SpectrumData*) {
  notAvailableToStore("initFCFT");
  return -1;
}

TensorHooks& hooks() {
  static TensorHooks installed{getCosetS,
                               getCosetT,
                               getCosetrootT,
                               getCosetLogT,
                               getCosetSOfLabels,
                               CT_getOLA_Smatrix,
                               CT_S_Symmetry,
                               CT_getConjugate,
                               CT_ConjugatesAvailable,
                               TensorField,
                               TensorRatWeight,
                               fieldRatWeight,
                               cosetCentralCharge,
                               getTensorCode,
                               getCurrentTensorFileName,
                               CT_currentCheck,
                               isTensorSuperCurrent,
                               CT_simpleCurrentAction,
                               CT_simpleCurrentProduct,
                               CT_getCurrentGroup,
                               CT_getSusyFlag,
                               CT_getFCFT_Smatrix,
                               CT_getOLA_SmatrixOfFields,
                               getTotalFCFTshiftOfField,
                               CT_getCurrentTwist,
                               CT_isValidCFT,
                               CT_initContents,
                               CT_getCurrentOuterAutomorphisms,
                               CT_TotalOuterAutomorphisms,
                               CT_getCurrentPermutation,
                               getExtensionNumber,
                               initFCFT};
  return installed;
}

}  // namespace

const TensorHooks& tensorHooks() { return hooks(); }
void setTensorHooks(const TensorHooks& installed) { hooks() = installed; }
