// Private state of the command set, shared by its source files. One CommandsState lives
// for the run; resetCommands restores what start-up left (modes are the interpreter's).
#pragma once

#include <string>
#include <vector>

#include "interpreter/Interpreter.h"
#include "runtime/Allocation.h"

struct SpectrumData;

struct CommandsState {
  bool initialized = false;

  Mode* singleAlgebraMode = nullptr;
  Mode* tensorMode = nullptr;
  Mode* heteroticMode = nullptr;
  Mode* modularMode = nullptr;
  Mode* boundaryMode = nullptr;

  int spectrumComputed = 0;
  int susic = 0;

  // Live parameters (NULL before they are bound: the defaults then hold).
  int* maxrank = nullptr;
  int* doublePrecision = nullptr;
  int* super = nullptr;
  int* autoStore = nullptr;
  int* removeId = nullptr;
  int* terminalInput = nullptr;
  int* maxConf = nullptr;
  int* heteroticFactors = nullptr;
  int* particleFactors = nullptr;
  int* smInfo = nullptr;
  int* storeS = nullptr;

  // The code of the tensor product built last from a minimal-model code.
  std::string currentCY = "UNDEFINED";

  // Work buffers of the handlers.
  WorkBuffer<int> dynkinLabels{"Dynkin labels"};
  WorkBuffer<int> reflected{"Reflected class vector"};
  WorkBuffer<int> weylImage{"Weyl reflection"};
  WorkBuffer<int> homomorphismLabels{"labels"};
};

CommandsState& commandsState();

// Alert codes of a refused typed value and of a warning about one: severity 2, so that a
// background run reports them and goes on (the higher severities end such a run and are
// kept for faults of the program or its files). Class 01: a bad value; 02: a value that
// names nothing here.
inline constexpr int kRefusedValue = 100201;
inline constexpr int kRefusedLookup = 100202;
inline constexpr int kValueWarning = 100201;

// Value of a live parameter, or its default when it is not bound.
inline int parameterValue(const int* pointer, int fallback) {
  return pointer != nullptr ? *pointer : fallback;
}
bool commandsHighPrecision();

// "Autostore" on while alive, the earlier value restored on the way out: the scans and the
// catalogue tools rebuild a case by its MIPF number, which names a stored invariant only
// while the invariants are kept.
class AutostoreOn {
 public:
  AutostoreOn();
  ~AutostoreOn();
  AutostoreOn(const AutostoreOn&) = delete;
  AutostoreOn& operator=(const AutostoreOn&) = delete;

 private:
  int saved_;
};

// The command word typed just before the parameters ("" outside a handler).
std::string lastCommandWord();
// 1 in tensor mode.
int tensorModeOn();
// The current single theory.
SpectrumData* currentRecord();
// Fields of the current theory, and its simple currents.
int totalPrimaries();
int totalCurrents();

// Fields of quantum dimension 1 beyond the simple currents the program works with (the
// first totalCurrents fields): the exceptional simple currents, from fixed points in a
// tensor product or E8 level 2's field of spin 3/2. Empty without modular data.
std::vector<int> exceptionalSimpleCurrents();

// A code of the table of minimal-model tensor products (a position 1 to 168, or the level
// code of an entry); any other value is refused in the name of `routine` (false).
bool requireMinimalTensorCode(const char* routine, long long code);

// The tensor side of "status" and the three "compute ...spectrum" commands (handlers of
// CommandsTheory call them in tensor mode); 0 on success, 1 on failure.
int tensorStatus();
int tensorCompute();
int tensorComputeMassless();
int tensorComputeSimple();

// Registrations made by CommandsPermutations.cpp into the mode being registered: the Gauss
// sum (single algebra mode) and the factor-exchange, primary-selection and homomorphism
// commands (modular mode).
void registerGaussCommand();
void registerPermutationCommands();
// The heterotic set-up commands of the default mode (CommandsHeterotic.cpp).
void registerHeteroticCommands();
// The orientifold commands (CommandsOrientifold.cpp), each into the mode being registered:
// boundary mode (oriented and unoriented groups), default mode (the counts), modular mode.
void registerOrientedOrientifoldCommands();
void registerUnorientedOrientifoldCommands();
void registerOrientifoldCountCommands();
void registerOrientifoldModularCommands();
// "search MIPF", "Scan Simple_current_invariants", "Scan Invariants" and "collect
// simple_current_invariants" (modular mode; CommandsUserInvariants.cpp).
void registerInvariantScanCommands();
// "compute heterotic" (tensor mode) and the commands of the heterotic mode.
void registerHeteroticTensorCommands();
void registerHeteroticModeCommands();
// The string-reading commands (CommandsStrings.cpp): chirality and tachyon status values
// (default mode), tachyon checks and primary selections (modular mode).
void registerStringDefaultCommands();
void registerStringModularCommands();
void registerStringBrowseCommands();
void registerStringOrientedBoundaryCommands();
void registerStringUnorientedBoundaryCommands();
// The standard-model tools on one configuration (CommandsSearch.cpp): axion basis and brane
// spectrum (boundary mode, after the unoriented set-up), the null-vector test (default mode).
void registerSearchBoundaryCommands();
void registerSearchDefaultCommands();
// The tadpole and Chan-Paton commands (boundary mode, CommandsTadpole.cpp) and the verdict
// printed for a tadpole solver result.
void registerTadpoleCommands();
void manageDiophantineCode(int code);
// The boundary search of an exceptional invariant (CommandsBoundarySearch.cpp), boundary mode.
void registerBoundarySearchCommands();
// CommandsIntersections.cpp: "Intersect".
void registerIntersectionCommands();
// The supersymmetric tensor product of a catalogue entry's code, as "build cy" builds it
// but neither recorded nor stored (CommandsTensor.cpp); the search's builder hook.
int buildCatalogueTensorProduct(int code);
// The Calabi-Yau scans, Hodge files and instanton commands (CommandsScans.cpp): default mode
// and modular mode.
void registerScanDefaultCommands();
void registerScanModularCommands();
// The QUVR catalogue commands (CommandsQuvr.cpp): selection, browse, re-analysis, ordering,
// statistics and collections (default mode), the guided search (boundary mode).
void registerQuvrDefaultCommands();
void registerQuvrBoundaryCommands();

// The standard-model search (CommandsSMSearch.cpp): boundary, modular and default mode.
int COM_search_generic_sm(char** params, int n);
int COM_prescan_generic_sm(char** params, int n);
int COM_find_tachyonfree_sm(char** params, int n);
int COM_scan_tadpoles(char** params, int n);
void registerSMSearchBoundaryCommands();
void registerSMSearchModularCommands();
void registerSMSearchDefaultCommands();
// CommandsIntersections.cpp: "scan branes" (default mode).
void registerBraneScanCommands();
