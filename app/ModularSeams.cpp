// STAND-INS for services of the tensor layer and the bulk-invariant
// and orientifold stores (see the header).
#include "ModularSeams.h"

#include "Discrete.h"
#include "Error.h"
#include "Modular.h"
#include "Output.h"
#include "Storemanager.h"

TensorProduct* currentTensor = nullptr;

namespace {

void notAvailable(const char* routine) { Alert(routine, 0, 100302, "%s: not available yet", routine); }

void zero(double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Tensor-product layer

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

double cosetCentralCharge(TensorProduct*) {
  notAvailable("cosetCentralCharge");
  return 0.0;
}

std::string getTensorCode(TensorProduct*) {
  notAvailable("getTensorCode");
  return "NONE";
}

std::string getCurrentTensorFileName(const char* prefix, const char* middle, const char* suffix) {
  return std::string(prefix) + middle + getTensorCode(currentTensor) + suffix;
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

// ---------------------------------------------------------------------------------------
// Bulk invariants and orientifolds: no invariants are stored yet, the current one is
// always the diagonal invariant.

BulkInvariant** getCurrentBulk() {
  static BulkInvariant* current = nullptr;
  return &current;
}

void resetBulk() { bulkInvariantChanged(); }

void resetOrientifold() {}
