// The tadpole solver's module record, shared by its source files.
#pragma once

#include <array>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "solver/Equations.h"
#include "strings/OpenSpectrum.h"
#include "strings/Tadpole.h"

namespace tadpole {

constexpr int kUnavailable = -999999;
constexpr int kFixedSlots = 25;
constexpr int kInitialKey = -10;

// Live settings (null when the setting does not exist; read through value()).
struct Settings {
  int* verbose = nullptr;
  int* showVariables = nullptr;
  int* super = nullptr;
  int* autoSpectrum = nullptr;
  int* detailedSpectrum = nullptr;
  int* allowTachyons = nullptr;
  int* showSolution = nullptr;
  int* checkSolution = nullptr;
  int* debugInit = nullptr;
  int* removeId = nullptr;
  int* ohAcceptance = nullptr;
  int* unitaryOnly = nullptr;
  int* symplecticOnly = nullptr;
  int* orthogonalOnly = nullptr;
  int* realOnly = nullptr;
  int* terminalInput = nullptr;
  int* completeness = nullptr;
  int* maxIter = nullptr;
  int* maxStack = nullptr;
  int* trace = nullptr;
  int* displayInput = nullptr;
};

struct TadpoleState {
  Settings settings;
  // Search flags derived from "Tadpole completeness".
  int SimplestOnly = 1;
  int SingleSolution = 0;
  int OnePerSet = 0;
  int FullSol = 0;
  int criteriaPrinted = 0;
  int HiddenSector = 0;
  int BoundarySelectionCounter = 0;
  int TadpoleEquationCounter = 0;

  // Per-bulk tables.
  int infoStamp = kInitialKey;
  int boundaries = 0;
  std::vector<int> CPToLoop, LoopToCP, SolutionGroupTypes;

  // Active-boundary table.
  std::vector<int> ActBound, FixVar, ActBoundReasonCode, IdentifiedWith;
  int ActBoundSet = 0;
  int ActiveBoundaryStatus = -2;
  std::array<int, kFixedSlots> FixVarSet{};
  int FixVarCount = 0;

  // The current orientifold's conjugates and group types, and the key of initTadpole.
  std::vector<int> AnnulusConjugates, GroupTypes;
  int initBulk = kInitialKey;
  int initOrientifold = kInitialKey;

  // Standard-model brane information.
  int NumberOfSMBoundaries = -1;
  std::array<int, 4> SMBoundaries{};
  std::array<int, 4> SMMultiplicities{};
  StandardModel* ModelDataPointer = nullptr;

  // Equations, bounds and kernel.
  std::unique_ptr<EquationData> equations =
      std::make_unique<EquationData>("TadpoleEquations.Equations", "TadpoleEquations.Bounds");
  std::unique_ptr<KernelData> kernel = std::make_unique<KernelData>();
  std::array<int, 3> equationKey{kInitialKey, kInitialKey, kInitialKey};
  bool haveEquations = false;
  int loopVariables = 0;
  std::vector<int> ActiveEquations;  // massless Ishibashi labels
  std::vector<int> rowLabels;        // label of each equation row
  double stfactor = 0.0;
  int singleTagCounter = kInitialKey;
  int singleTagLoop = kInitialKey;
  int SingleTagKernelComputed = kInitialKey;

  // Strategies.
  int MAXTIME = 60;
  int CPthreshold = -1;

  // Solutions and hooks.
  TadpoleSolutionHook sol_header = dummy_analysis_fcn;
  TadpoleSolutionHook sol_check = dummy_analysis_fcn;
  TadpoleSolutionHook analysis_fcn = dummy_analysis_fcn;
  TadpoleTraceHook trace_fcn = nullptr;
  int LocalCounter = 0;
  int GlobalCounter = 0;
  // Accepted solutions for which nothing was printed (see TadpoleSolutionAnalysis).
  long long unlistedSolutions = 0;
  ChanPatonData cpd;
  std::vector<int> loopOut;
};

TadpoleState& state();
inline int value(const int* pointer, int fallback) {
  return pointer != nullptr ? *pointer : fallback;
}
inline int verbose() {
  return value(state().settings.verbose, 0);
}
inline int debugInit() {
  return value(state().settings.debugInit, 0);
}
// The trace hook.
#define TADPOLE_TRACE(...) (tadpole::state().trace_fcn(__VA_ARGS__))
void initLine(const char* text);
// The conjugate of boundary b (b itself when it has none), and its group type.
int conjugate(int b);
int groupType(int b);
bool validBoundary(int b);
EquationData& equations();
KernelData& kernel();
// Row neq (the first independent equation) of the record.
const double* independentRows();
// 1 when x satisfies every independent equation.
int satisfiesIndependent(const int* x);
int maxStack();

// Forgets what an abandoned search was changing: the equations, bounds and kernel are
// rebuilt by the next search, and the stack threshold of the simple search is cleared.
void abandonTadpoleWork();

// Held by every search that changes the equations, bounds or kernel in place: when the
// search is left by an exception (Ctrl-C abandons the command through StopRequest) its
// half-improved tables are marked stale rather than used by the next command.
class AbandonedSearchGuard {
 public:
  AbandonedSearchGuard() : exceptions_(std::uncaught_exceptions()) {}
  ~AbandonedSearchGuard() {
    if (std::uncaught_exceptions() > exceptions_) abandonTadpoleWork();
  }
  AbandonedSearchGuard(const AbandonedSearchGuard&) = delete;
  AbandonedSearchGuard& operator=(const AbandonedSearchGuard&) = delete;

 private:
  int exceptions_;
};

}  // namespace tadpole
