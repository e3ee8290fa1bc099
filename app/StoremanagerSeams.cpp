// Stand-ins for services of the tensor layer (coset S matrices and the S matrices of
// their fixed-point theories) and of the permutation orbifold, which are not built yet.
// Each reports "not available yet" through Alert and answers with the S element 0.
#include "Error.h"
#include "Storemanager.h"

namespace {

void notAvailable(const char* routine) { Alert(routine, 0, 100201, "%s: not available yet", routine); }

void zero(double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
}

}  // namespace

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
