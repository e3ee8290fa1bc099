// Stand-ins for services of the store's later parts (special theories, fixed-point
// theories, fusion tables, conjugates) and of the tensor layer (coset S matrices). Each
// reports "not available yet" through Alert and answers with a value its callers treat
// as "nothing": an S element 0, a field -1, a refused build. The conjugate of a field of
// an affine Lie algebra is the one service given in full: conjugate labels looked up
// among the record's labels.
#include <map>
#include <vector>

#include "Error.h"
#include "Storemanager.h"
#include "StoremanagerInternal.h"
#include "Zoq.h"

namespace {

void notAvailable(const char* routine) { Alert(routine, 0, 100201, "%s: not available yet", routine); }

void zero(double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
}

// Fills every conjugate of an affine Lie algebra record at once (one label map).
void fillLieConjugates(SpectrumData* sd) {
  const int n = sd->n_primaries;
  const std::size_t width = static_cast<std::size_t>(sd->rep_size);
  std::map<std::vector<int>, int> fieldOf;
  for (int a = 0; a < n; ++a) {
    const int* l = sd->labels + static_cast<std::size_t>(a) * width;
    fieldOf.emplace(std::vector<int>(l, l + width), a);
  }
  std::vector<int> image(width);
  for (int a = 0; a < n; ++a) {
    conjg_(sd->type, sd->rank, sd->labels + static_cast<std::size_t>(a) * width, image.data());
    auto found = fieldOf.find(image);
    sd->conjugates[a] = found == fieldOf.end() ? -1 : found->second;
  }
}

}  // namespace

int SM_minimal_spectrum(SpectrumData*, int) {
  notAvailable("SM_minimal_spectrum");
  return -1;
}

int SM_orbifold_spectrum(SpectrumData*, int) {
  notAvailable("SM_orbifold_spectrum");
  return -1;
}

void SM_computeIsingS(SpectrumData*, int, int, double* re, double* im) {
  notAvailable("SM_computeIsingS");
  zero(re, im);
}

void ComputeOrbifoldS(int, const int*, const int*, double* re, double* im) {
  notAvailable("ComputeOrbifoldS");
  zero(re, im);
}

void getCosetS(TensorProduct*, const int*, const int*, double* re, double* im) {
  notAvailable("getCosetS");
  zero(re, im);
}

void CT_getOLA_Smatrix(TensorProduct*, int, const int*, const int*, double* re, double* im) {
  notAvailable("CT_getOLA_Smatrix");
  zero(re, im);
}

void SM_computeGenericPermutation_S(SpectrumData*, int, int, double* re, double* im) {
  notAvailable("SM_computeGenericPermutation_S");
  zero(re, im);
}

int getResultFromFusionTable(SpectrumData*, int, int) {
  notAvailable("getResultFromFusionTable");
  return -1;
}

int SM_MinimalSimpleAction(SpectrumData*, int, int) {
  notAvailable("SM_MinimalSimpleAction");
  return -1;
}

int SM_computeConjugate(SpectrumData* sd, int a) {
  if (!storeFieldInRange(sd, a, "SM_computeConjugate", 0)) return -1;
  if (sd->type < 0 || sd->type > 5 || sd->labels == nullptr || sd->conjugates == nullptr) {
    notAvailable("SM_computeConjugate");
    return -2;
  }
  if (sd->conjugates[a] == -2) fillLieConjugates(sd);
  return sd->conjugates[a];
}

void SM_computeAllGenericConjugates(SpectrumData*) { notAvailable("SM_computeAllGenericConjugates"); }

void SM_computeAllGenericConjugatesUsingOrbits(SpectrumData*) {
  notAvailable("SM_computeAllGenericConjugatesUsingOrbits");
}

void SM_initFCFT(SpectrumData*) { notAvailable("SM_initFCFT"); }
