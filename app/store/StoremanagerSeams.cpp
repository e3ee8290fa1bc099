// Stand-in for the S matrix of the permutation orbifold, which is not built yet: it
// reports "not available yet" through Alert and answers with the S element 0.
#include "runtime/Error.h"
#include "store/Storemanager.h"

void SM_computeGenericPermutation_S(SpectrumData*, int, int, double* re, double* im) {
  Alert("SM_computeGenericPermutation_S", 0, 100201, "%s: not available yet",
        "SM_computeGenericPermutation_S");
  *re = 0.0;
  *im = 0.0;
}
