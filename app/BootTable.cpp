// The boot table. Library modules that keep state come first (they have no initialiser of
// their own: their state starts valid, and their reset restores it); then the steps of
// the start-up in exactly the order initializeAll runs them. resetAll walks the table
// backwards.
#include "BootTable.h"

#include "Allocation.h"
#include "Equations.h"
#include "LargeInteger.h"
#include "MathUtility.h"
#include "Sorting.h"
#include "SystemUtility.h"
#include "VectorUtility.h"

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
    {"Equations", nullptr, resetEquations},

    // Start-up steps, in the order of initializeAll.
};

const std::size_t kBootTableSize = sizeof(kBootTable) / sizeof(kBootTable[0]);
