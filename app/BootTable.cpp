// The boot table. Library modules that keep state come first (they have no initialiser of
// their own: their state starts valid, and their reset restores the state right after
// start-up); then the steps of the start-up in exactly the order initializeAll runs them.
// resetAll walks the table backwards.
#include "BootTable.h"

#include "Allocation.h"
#include "ApplicationTables.h"
#include "BatchQueue.h"
#include "Branching.h"
#include "Commands.h"
#include "ControlUtility.h"
#include "Coset.h"
#include "CrossBound.h"
#include "Defaults.h"
#include "Discrete.h"
#include "Equations.h"
#include "Error.h"
#include "Evaluator.h"
#include "Heterotic.h"
#include "IntCommands.h"
#include "Interpreter.h"
#include "Intersections.h"
#include "Invariants.h"
#include "LargeInteger.h"
#include "MathUtility.h"
#include "Memory.h"
#include "Modular.h"
#include "OpenSpectrum.h"
#include "Output.h"
#include "Parameters.h"
#include "Permutations.h"
#include "RunControl.h"
#include "SearchSM.h"
#include "Sorting.h"
#include "S_analytic.h"
#include "Smatrix.h"
#include "Storemanager.h"
#include "StoremanagerQueries.h"
#include "StringTheory.h"
#include "SystemUtility.h"
#include "Tables.h"
#include "Tadpole.h"
#include "Terminal.h"
#include "VectorUtility.h"
#include "WeylGroup.h"
#include "Zoq.h"

namespace {

void makeCurrentTheory() { initializeAlgebra(); }

}  // namespace

const BootEntry kBootTable[] = {
    // Library modules (one line each, lowest layer first).
    {"Allocation", nullptr, resetAllocation},
    {"SystemUtility", nullptr, resetSystemUtility},
    {"Memory", nullptr, resetMemory},
    {"Error", nullptr, resetErrorModule},
    {"Terminal", nullptr, resetTerminal},
    {"Output", nullptr, resetOutput},
    {"Defaults", nullptr, resetDefaults},
    {"Parameters", nullptr, resetParameters},
    {"Interpreter", nullptr, resetInterpreter},
    {"IntCommands", nullptr, resetIntCommands},
    {"BatchQueue", nullptr, resetBatchQueue},
    {"Tables", nullptr, resetTables},
    {"MathUtility", nullptr, resetMathUtility},
    {"LargeInteger", nullptr, resetLargeInteger},
    {"Evaluator", nullptr, resetEvaluator},
    {"VectorUtility", nullptr, resetVectorUtility},
    {"Sorting", nullptr, resetSorting},
    {"Storemanager", nullptr, resetStoremanager},
    {"StoremanagerQueries", nullptr, resetStoremanagerQueries},
    {"Discrete", nullptr, resetDiscrete},
    {"Permutations", nullptr, resetPermutations},
    {"Equations", nullptr, resetEquations},
    {"WeylGroup", nullptr, resetWeylGroup},
    {"Smatrix", nullptr, resetSmatrix},
    {"S_analytic", nullptr, resetS_analytic},
    {"Branching", nullptr, resetBranching},
    {"RunControl", nullptr, resetRunControl},
    {"Modular", nullptr, resetModular},
    {"Commands", nullptr, resetCommands},

    // Start-up steps, in the order of initializeAll.
    {"initializeMemory", initializeMemory, nullptr},
    {"initializeCommands", initializeCommands, nullptr},
    {"registerDefaults", registerZoqDefaults, nullptr},
    {"log switches", addLogSwitches, nullptr},
    {"log file names", setLogFileNames, nullptr},
    {"initializeTables", initializeTables, nullptr},
    {"initializeDefaults", initializeDefaults, nullptr},
    {"initializePrintPrefs", initializePrintPrefs, nullptr},
    {"initializeCommandPointers", initializeCommandPointers, nullptr},
    {"initializeZoq", initializeZoq, resetZoq},
    {"initializeIntersections", initializeIntersections, nullptr},
    {"initializeTadpole", initializeTadpole, nullptr},
    {"initializeSearchSM", initializeSearchSM, nullptr},
    {"initializeCrossBound", initializeCrossBound, nullptr},
    {"initializeCoset", initializeCoset, nullptr},
    {"initializeHeterotic", initializeHeterotic, nullptr},
    {"initializeModular", initializeModular, nullptr},
    {"initializeInvariants", initializeInvariants, nullptr},
    {"initializeStoremanager", initializeStoremanager, nullptr},
    {"current theory", makeCurrentTheory, nullptr},
    {"initializeStringTheory", initializeStringTheory, nullptr},
    {"initializeOpenSpectrum", initializeOpenSpectrum, nullptr},
    {"initializeCommandParameters", initializeCommandParameters, nullptr},
    {"shell parameters", bindShellParameters, nullptr},
    {"program name", nameProgram, nullptr},

    // Last: what the library modules' resets return to.
    {"start state", markStartState, resetShellState},
};

const std::size_t kBootTableSize = sizeof(kBootTable) / sizeof(kBootTable[0]);
