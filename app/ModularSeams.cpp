// STAND-INS for services of the tensor layer, later store parts and the bulk-invariant
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

bool fieldOf(const SpectrumData* sd, int a) { return sd != nullptr && a >= 0 && a < sd->n_primaries; }

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
// Store

int SM_getConjugate(SpectrumData* sd, int a) {
  if (sd == nullptr) return -1;
  if (!fieldOf(sd, a)) {
    Alert("SM_getConjugate", 1, 212404, "Primary out of range (%d > %d) Alg(%d,%d,%d)", a, sd->n_primaries,
          sd->type, sd->rank, sd->level);
    return -1;
  }
  if (SM_initConjugates(sd) == 0 || sd->conjugates == nullptr) {
    if (sd->validity == 3) {
      Alert("SM_getConjugate", 0, 112415, "Unexpected NULL pointer");
    } else {
      Print("Conjugates not available for this algebra (type %d)\n", sd->type);
      Alert("SM_getConjugate", 2, 100302, "Conjugates not defined for this algebra");
    }
    return 0;
  }
  if (sd->conjugates[a] == -2) return SM_computeConjugate(sd, a);
  return sd->conjugates[a];
}

int SM_ConjugatesAvailable(SpectrumData* sd) {
  if (sd != nullptr && sd->validity == 3) return 1;
  Print("Conjugates not available for this algebra (type %d)\n", sd == nullptr ? -1 : sd->type);
  return 0;
}

double SM_getLogT(SpectrumData* sd, int a) {
  if (!fieldOf(sd, a) || sd->weight_num == nullptr || sd->weight_den == 0) return 0.0;
  return static_cast<double>(sd->weight_num[a]) / sd->weight_den - sd->c / 24.0;
}

double SM_getCentralCharge(SpectrumData* sd) { return sd == nullptr ? 0.0 : sd->c; }

int SM_currentCheck(SpectrumData* sd, int J) {
  return sd != nullptr && sd->scgroup != nullptr && J >= 0 && J < sd->scgroup->order ? 1 : 0;
}

int SM_SimpleCurrentFusion(SpectrumData* sd, int J1, int J2) {
  if (sd == nullptr || sd->scgroup == nullptr || sd->scgroup->nfactors == 0) return 0;
  return DG_product(J1, J2, sd->scgroup);
}

int SM_initFCFTData(SpectrumData* sd) {
  if (sd == nullptr) return -1;
  if (sd->fcft != nullptr) return sd->n_fp_currents;
  if (sd->n_fp_currents == 0) return 0;
  notAvailable("SM_initFCFTData");
  return -1;
}

int SM_getFixedPoint(SpectrumData* sd, int lbl, int b) {
  if (lbl == 0) return b;
  if (sd == nullptr || sd->fcft_labels == nullptr || lbl < 1 || lbl > sd->n_fp_currents) {
    notAvailable("SM_getFixedPoint");
    return -1;
  }
  const int* row = sd->fcft_labels + static_cast<std::size_t>(lbl - 1) * static_cast<std::size_t>(sd->n_primaries);
  for (int a = 0; a < sd->n_primaries; ++a) {
    if (row[a] == b) return a;
  }
  return -1;
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
