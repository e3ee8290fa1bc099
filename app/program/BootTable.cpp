// The boot table. Library modules that keep state come first (they have no initialiser of
// their own: their state starts valid, and their reset restores the state right after
// start-up); then the steps of the start-up in exactly the order initializeAll runs them.
// resetAll walks the table backwards.
#include "program/BootTable.h"

#include "boundaries/CrossBound.h"
#include "collections/Sorting.h"
#include "collections/VectorUtility.h"
#include "commands/Commands.h"
#include "groups/Discrete.h"
#include "groups/Permutations.h"
#include "heterotic/Heterotic.h"
#include "interpreter/Evaluator.h"
#include "interpreter/IntCommands.h"
#include "interpreter/Interpreter.h"
#include "interpreter/RunControl.h"
#include "interpreter/Tables.h"
#include "invariants/Invariants.h"
#include "lie/Branching.h"
#include "lie/LieAlgebra.h"
#include "lie/Smatrix.h"
#include "lie/SmatrixAnalytic.h"
#include "lie/WeylGroup.h"
#include "modular/Modular.h"
#include "numbers/LargeInteger.h"
#include "numbers/MathUtility.h"
#include "program/ApplicationTables.h"
#include "program/Startup.h"
#include "runtime/Allocation.h"
#include "runtime/BatchQueue.h"
#include "runtime/Defaults.h"
#include "runtime/Error.h"
#include "runtime/FileLock.h"
#include "runtime/Memory.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "search/ModelAnalysis.h"
#include "search/QuvrBrowse.h"
#include "search/QuvrGuided.h"
#include "search/QuvrReanalyse.h"
#include "search/QuvrSelect.h"
#include "search/QuvrStatistics.h"
#include "search/Catalogue.h"
#include "search/SearchSM.h"
#include "search/HodgeFiles.h"
#include "search/InstantonScan.h"
#include "solver/Equations.h"
#include "store/CurrentTheory.h"
#include "store/Galois.h"
#include "store/GaloisSearch.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "strings/Intersections.h"
#include "strings/HiddenSector.h"
#include "strings/OpenSpectrum.h"
#include "strings/StringTheory.h"
#include "strings/Tadpole.h"
#include "tensor/Coset.h"
#include "tensor/OutputNames.h"

namespace {

void makeCurrentTheory() { initializeAlgebra(); }

}  // namespace

const BootEntry kBootTable[] = {
    // Modules with state, one line each. resetAll walks the table backwards, so a module
    // listed later is reset earlier: Discrete comes after the store, whose start records
    // take their groups anew from the group cache that Discrete's reset empties.
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
    {"FileLock", nullptr, resetFileLock},
    {"Tables", nullptr, resetTables},
    {"MathUtility", nullptr, resetMathUtility},
    {"LargeInteger", nullptr, resetLargeInteger},
    {"Evaluator", nullptr, resetEvaluator},
    {"VectorUtility", nullptr, resetVectorUtility},
    {"Sorting", nullptr, resetSorting},
    {"Storemanager", nullptr, resetStoremanager},
    {"StoremanagerQueries", nullptr, resetStoremanagerQueries},
    {"Galois", nullptr, resetGalois},
    {"GaloisSearch", nullptr, resetGaloisSearch},
    {"Discrete", nullptr, resetDiscrete},
    {"Permutations", nullptr, resetPermutations},
    {"Equations", nullptr, resetEquations},
    {"WeylGroup", nullptr, resetWeylGroup},
    {"Smatrix", nullptr, resetSmatrix},
    {"SmatrixAnalytic", nullptr, resetS_analytic},
    {"Branching", nullptr, resetBranching},
    {"RunControl", nullptr, resetRunControl},
    {"Modular", nullptr, resetModular},
    {"Coset", nullptr, resetCosetModule},
    {"OutputNames", nullptr, resetOutputNames},
    {"Commands", nullptr, resetCommands},
    {"HiddenSector", nullptr, resetHiddenSector},
    {"ModelAnalysis", nullptr, resetModelAnalysis},
    {"HodgeFiles", nullptr, resetHodgeFiles},
    {"InstantonScan", nullptr, resetInstantonScan},
    {"QuvrSelect", nullptr, resetQuvrSelect},
    {"QuvrStatistics", nullptr, resetQuvrStatistics},
    {"QuvrGuided", nullptr, resetQuvrGuided},
    {"QuvrReanalyse", nullptr, resetQuvrReanalyse},
    {"QuvrBrowse", nullptr, resetQuvrBrowse},
    {"Catalogue", nullptr, resetCatalogue},

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
    {"initializeIntersections", initializeIntersections, resetIntersections},
    {"initializeTadpole", initializeTadpole, resetTadpole},
    {"initializeSearchSM", initializeSearchSM, resetSearchSM},
    {"initializeCrossBound", initializeCrossBound, resetCrossBound},
    {"initializeCoset", initializeCoset, nullptr},
    {"initializeHeterotic", initializeHeterotic, resetHeterotic},
    {"initializeModular", initializeModular, nullptr},
    {"initializeInvariants", initializeInvariants, resetInvariants},
    {"initializeStoremanager", initializeStoremanager, nullptr},
    {"current theory", makeCurrentTheory, nullptr},
    {"initializeStringTheory", initializeStringTheory, resetStringTheory},
    {"initializeOpenSpectrum", initializeOpenSpectrum, resetOpenSpectrum},
    {"initializeCommandParameters", initializeCommandParameters, nullptr},
    {"shell parameters", bindShellParameters, nullptr},
    {"program name", nameProgram, nullptr},

    // Last: what the library modules' resets return to.
    {"start state", markStartState, resetShellState},
};

const std::size_t kBootTableSize = sizeof(kBootTable) / sizeof(kBootTable[0]);
