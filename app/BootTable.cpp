// The boot table. Library modules that keep state come first (they have no initialiser of
// their own: their state starts valid, and their reset restores it); then the steps of
// the start-up in exactly the order initializeAll runs them. resetAll walks the table
// backwards.
#include "BootTable.h"

#include "Allocation.h"
#include "LargeInteger.h"
#include "MathUtility.h"
#include "Sorting.h"
#include "S_analytic.h"
#include "Smatrix.h"
#include "SystemUtility.h"
#include "WeylGroup.h"
#include "VectorUtility.h"
#include "Zoq.h"

namespace {

void resetRuntime() {
  resetAllocation();
  resetExitRoutine();
}

}  // namespace

const BootEntry kBootTable[] = {
    // Library modules (one line each, lowest layer first).
    {"runtime", nullptr, resetRuntime},
    {"MathUtility", nullptr, resetMathUtility},
    {"LargeInteger", nullptr, resetLargeInteger},
    {"VectorUtility", nullptr, resetVectorUtility},
    {"Sorting", nullptr, resetSorting},
    {"Zoq", nullptr, resetZoq},
    {"WeylGroup", nullptr, resetWeylGroup},
    {"Smatrix", nullptr, resetSmatrix},
    {"S_analytic", nullptr, resetS_analytic},

    // Start-up steps, in the order of initializeAll.
};

const std::size_t kBootTableSize = sizeof(kBootTable) / sizeof(kBootTable[0]);
