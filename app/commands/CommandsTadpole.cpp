// The tadpole and Chan-Paton commands of the boundary mode: showing the tadpole equations,
// kernel and bounds, fixing multiplicities, checking a typed brane configuration, the
// solving strategies, and the verdict printed for a solver result.
//
// Entries "b:N" are read and checked in full before anything is changed, so a refused
// command leaves the fixed multiplicities and the hooks as they were.
#include <algorithm>
#include <string>
#include <vector>

#include "boundaries/CrossBound.h"
#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "interpreter/Interpreter.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"
#include "search/SearchSM.h"
#include "strings/OpenSpectrum.h"
#include "strings/Tadpole.h"

namespace {

constexpr int kUnavailable = -999999;

// The set-up of the standard-model search that the configuration commands run first. It
// belongs to superstrings: a bosonic check goes on without it, instead of being ended by
// the "Not a fermionic string" refusal of the set-up.
int prepareSearchMemory() {
  const int* super = getIntParPointer("Super");
  if (super == nullptr || *super == 0) return 0;
  return initSearchMemory();
}

// "Tadpole remove_identical" off for the lifetime of the guard.
class IdentificationOff {
 public:
  IdentificationOff() : pointer_(getIntParPointer("Tadpole remove_identical")) {
    if (pointer_ != nullptr) {
      saved_ = *pointer_;
      *pointer_ = 0;
    }
  }
  ~IdentificationOff() { restore(); }
  IdentificationOff(const IdentificationOff&) = delete;
  IdentificationOff& operator=(const IdentificationOff&) = delete;
  void restore() {
    if (pointer_ != nullptr) *pointer_ = saved_;
  }

 private:
  int* pointer_;
  int saved_ = 0;
};

struct Assignment {
  int label = 0;
  int value = 0;
};

enum class Values { Any, Multiplicities };

// Reads entries first .. n-1 as "label:value" with 0 <= label < limit. 0 when all are
// read, else what the handler returns after the alert naming the refused word: -1 for a
// word that is no assignment or a label out of range, 1 for a refused value. A Chan-Paton
// multiplicity counts branes: a negative one is refused (and -1 would read as "not fixed"
// in the fixed-multiplicity table).
int readAssignments(const char* routine, char** params, int first, int n, int limit,
                    const char* rangeText, std::vector<Assignment>* out,
                    Values values = Values::Any) {
  for (int k = first; k < n; ++k) {
    Assignment a;
    if (!ConvertAssign(params[k], &a.label, &a.value)) {
      Alert(routine, 0, 100302, "Invalid assignment: %s", params[k]);
      return -1;
    }
    if (a.label < 0 || a.label >= limit) {
      Alert(routine, 1, 100302, rangeText, a.label);
      return -1;
    }
    if (values == Values::Multiplicities && a.value < 0) {
      Alert(routine, 2, 100201, "Negative Chan-Paton multiplicity %d for boundary %d", a.value,
            a.label);
      return 1;
    }
    out->push_back(a);
  }
  return 0;
}

int intOr(char** params, int n, int i, int fallback) {
  return n > i ? intParameter(params, i) : fallback;
}

// C(n, k) saturated at the limit.
bool binomialBelow(int n, int k, long long limit) {
  unsigned __int128 value = 1;
  for (int i = 1; i <= k; ++i) {
    value = value * static_cast<unsigned>(n - k + i) / static_cast<unsigned>(i);
    if (value >= static_cast<unsigned __int128>(limit)) return false;
  }
  return value < static_cast<unsigned __int128>(limit);
}

void identificationNote() {
  Print("\nSince identical boundaries are identified in the equations,\n");
  Print("some trivial multi-stack solutions will not be displayed.\n");
  Print("For example, SO(32-N) x SO(N) will only appear as SO(32).\n");
}

// The verdict of a solving command, given how many solutions it accepted and for how many
// of them nothing was printed. Those are announced with their number and the setting that
// lists them, instead of a bare count after nothing; a stopped search (a declined
// "Continue?", a refused "Try anyway?", Ctrl-C) says how many it had found. The texts
// avoid "tadpole solutions found", which marks a search that ran to its end.
void printSolveVerdict(int code, long long accepted, long long unlisted) {
  const char* listing = unlisted == 1  ? "; set tadpole show_solution on lists it\n"
                        : unlisted > 1 ? "; set tadpole show_solution on lists them\n"
                                       : "\n";
  if (code == -2) {
    if (accepted == 0)
      Print("Search interrupted; no solution found so far\n");
    else if (accepted == 1)
      Print("Search interrupted; 1 solution found so far%s", listing);
    else
      Print("Search interrupted; %lld solutions found so far%s", accepted, listing);
  } else if (code <= -4 && code != kUnavailable && unlisted > 0) {
    if (code == -4)
      Print("Tadpole conditions solved: 1 solution found%s", listing);
    else
      Print("%d tadpole solutions found%s", -3 - code, listing);
  } else {
    manageDiophantineCode(code);
  }
}

// Runs one solving strategy and prints its one verdict, also when Ctrl-C abandons it (the
// stop then goes on to the terminal loop).
template <typename Strategy>
void solveWithVerdict(Strategy strategy) {
  const long long accepted = getAcceptedTadpoleSolutions();
  const long long unlisted = getUnlistedTadpoleSolutions();
  int code = 0;
  try {
    code = strategy();
  } catch (const StopRequest&) {
    printSolveVerdict(-2, getAcceptedTadpoleSolutions() - accepted,
                      getUnlistedTadpoleSolutions() - unlisted);
    throw;
  }
  printSolveVerdict(code, getAcceptedTadpoleSolutions() - accepted,
                    getUnlistedTadpoleSolutions() - unlisted);
}

}  // namespace

void manageDiophantineCode(int code) {
  if (code == kUnavailable)
    Print("Tadpole equations not available\n");
  else if (code == -4)
    Print("Tadpole conditions solved.\n");
  else if (code == -3)
    Print("Try \"solve tadpole loops\"\n");
  else if (code == -2)
    Print("Search interrupted\n");
  else if (code == -1)
    Print("No solution to the tadpole conditions was found.\n");
  else if (code >= 0)
    Print("Tadpole equations not (yet) solved.\n");
  else
    Print("%d tadpole solutions found\n", -3 - code);
}

int COM_browse_tad(char** params, int n) {
  printTadpoleEquations(intOr(params, n, 0, -1));
  return -n;
}

int COM_browse_tad_sum(char**, int) {
  printTadpoleSummary();
  return 0;
}

int COM_browse_tad_ker(char**, int) {
  printTadpoleKernel();
  return 0;
}

int COM_browse_tad_bounds(char**, int) {
  printTadpoleBounds();
  return 0;
}

int COM_browse_CP(char**, int) {
  browseCP();
  return 0;
}

int COM_reset_tad(char**, int) {
  resetTadpoleKernel();
  initActiveBoundaries(-3);
  BoundarySelectionChanged();
  return 0;
}

int COM_fix_var(char** params, int n) {
  std::vector<Assignment> entries;
  const int refused =
      readAssignments("COM_fix_var", params, 0, n, TotalBoundaries(), "Label %d out of range", &entries,
                      Values::Multiplicities);
  if (refused != 0) return refused;
  initActiveBoundaries(-3);
  for (const Assignment& a : entries) setFixVar(a.label, a.value);
  BoundarySelectionChanged();
  return -n;
}

int COM_check_tad(char** params, int n) {
  const int total = TotalBoundaries();
  std::vector<Assignment> entries;
  const int refused = readAssignments("COM_check_tad", params, 0, n, total, "Label %d out of range",
                                      &entries, Values::Multiplicities);
  if (refused != 0) return refused;
  prepareSearchMemory();
  setAnalysisFunction(CheckDiscreteSymmetriesForBraneConfiguration);
  std::vector<int> cp(static_cast<std::size_t>(std::max(total, 1)), 0);
  {
    IdentificationOff off;
    initActiveBoundaries(-2);
    for (const Assignment& a : entries) {
      setFixVar(a.label, a.value);
      cp[static_cast<std::size_t>(a.label)] = a.value;
    }
  }
  int result = -n;
  if (initTadpole() == 0) {
    Alert("COM_check_tad", 2, 112301, "Tadpole equations not available\n");
    result = 1;
  } else if (CheckCPMultiplicityConjugation(cp.data()) < 0) {
    Alert("COM_check_tad", 3, 100302, "Invalid Chan-Paton labels");
    result = 1;
  } else {
    int r = CheckCPlabels(cp.data());
    if (r == 0 || r == -1) {
      Print("Tadpole equations not satisfied\n");
    } else if (r == kUnavailable) {
      Alert("COM_check_tad", 4, 112301, "Tadpole equations not available\n");
      result = 1;
    } else {
      Print("Tadpole conditions are satisfied\n");
    }
  }
  setAnalysisFunction(dummy_analysis_fcn);
  return result;
}

int COM_check_tad_instanton(char** params, int n) {
  const int total = TotalBoundaries();
  const int instanton = intOr(params, n, 0, -1);
  if (instanton < 0 || instanton >= total) {
    Alert("COM_check_tad_instanton", 0, 100302, "Label %d out of range", instanton);
    return -1;
  }
  std::vector<Assignment> entries;
  const int refused =
      readAssignments("COM_check_tad_instanton", params, 1, n, total, "Label %d out of range", &entries,
                      Values::Multiplicities);
  if (refused != 0) return refused;
  std::vector<int> cp(static_cast<std::size_t>(std::max(total, 1)), 0);
  int r = 0;
  {
    IdentificationOff off;
    initActiveBoundaries(-2);
    for (const Assignment& a : entries) {
      setFixVar(a.label, a.value);
      cp[static_cast<std::size_t>(a.label)] = a.value;
    }
    setActBound(instanton, 1, 10);
    off.restore();
    r = CheckCPlabelsWithProbe(cp.data(), instanton);
  }
  if (r < 0) {
    Alert("COM_check_tad_instanton", 1, 112301,
          "Tadpole equations not available or inconsistent\n");
    return -1;
  }
  Print(r == 1 ? "Tadpole conditions are satisfied\n" : "Tadpole equations not satisfied\n");
  return -n;
}

int COM_check_tad_sol(char** params, int n) {
  IdentificationOff off;
  if (getTadpoleEquations() < 0 || getTadcols() < 1) {
    Print("Tadpole equations not available\n");
    return 1;
  }
  const int N = getTadcols();
  std::vector<Assignment> entries;
  const int refused = readAssignments("COM_check_tad_sol", params, 0, n, N - 1,
                                      "Label %d out of range", &entries);
  if (refused != 0) return refused;
  std::vector<int> x(static_cast<std::size_t>(N), 0);
  for (const Assignment& a : entries) x[static_cast<std::size_t>(a.label)] = a.value;
  x[static_cast<std::size_t>(N - 1)] = 1;
  checkTadpoleSolution(x.data());
  return -n;
}

int COM_check_tad_parm(char** params, int n) {
  IdentificationOff off;
  if (getTadpoleEquations() < 0 || getTadcols() < 1) {
    Print("Tadpole equations not available\n");
    return 1;
  }
  const int count = getMaxPar();
  std::vector<Assignment> entries;
  const int refused = readAssignments("COM_check_tad_parm", params, 0, n, count,
                                      "Parameter %d out of range", &entries);
  if (refused != 0) return refused;
  std::vector<int> parameters(static_cast<std::size_t>(std::max(count, 1)), 0);
  for (const Assignment& a : entries) parameters[static_cast<std::size_t>(a.label)] = a.value;
  checkTadpoleParameters(parameters.data());
  return -n;
}

int COM_solve_tad(char**, int) {
  initSMATRIX();
  solveWithVerdict([] { return SolveTadpoleConditions(-1, -1, -1); });
  return 0;
}

int COM_solve_tad_scb(char**, int) {
  resetTadpoleKernel();
  initSMATRIX();
  solveWithVerdict(SolveSimpleCurrentTadpoleConditions);
  return 0;
}

int COM_solve_loops(char** params, int n) {
  const int interval = intOr(params, n, 0, 60);
  solveWithVerdict([interval] { return SolveTadpoleConditionsUsingLoops(interval); });
  return -n;
}

int COM_solve_kernel(char** params, int n) {
  const int maxLoop = intOr(params, n, 0, 10000);
  solveWithVerdict([maxLoop] { return SolveTadpoleConditionsUsingKernel(maxLoop); });
  return -n;
}

int COM_solve_bounds(char** params, int n) {
  const int limit = intOr(params, n, 0, 60);
  solveWithVerdict([limit] {
    int r = getTadpoleEquations();
    if (r < 0) return r;
    r = ImproveTadpoleBounds(limit, 1);
    if (r == -3 || r >= 0) PrintLoopLength();
    return r;
  });
  return -n;
}

int COM_solve_tad_few(char** params, int n) {
  setTadpoleCriteriaForFewBraneSearch();
  if (getTadpoleEquations() < 0) return -n;
  const int stacks = getNumberOfLoopVariables();
  if (n > 0 && intParameter(params, 0) > stacks) {
    Alert("COM_solve_tad_few", 0, 100302, "Too many brane stacks; at most %d distinct %s available",
          stacks, stacks == 1 ? "stack is" : "stacks are");
    return 1;
  }
  prepareSearchMemory();
  setAnalysisFunction(CheckDiscreteSymmetriesForBraneConfiguration);
  PrintVariableMap();
  const int* removeId = getIntParPointer("Tadpole remove_identical");
  const bool identified = removeId != nullptr && *removeId != 0;
  if (n > 0) {
    const int k = intParameter(params, 0);
    PrintSeparatorWithText('=', "\n");
    Print(
        "Starting loop search for tadpole solutions with %d brane stacks\nThe total number of "
        "stacks available is %d\n",
        k, stacks);
    if (identified) identificationNote();
    PrintSeparatorWithText('=', "");
    Print("\n");
    findTadpoleSolutionsWithNbranes(k);
  } else {
    PrintSeparatorWithText('=', "\n");
    Print(
        "Starting loop search for tadpole solutions with N brane stacks\nThe total number of "
        "stacks available is %d\n",
        stacks);
    if (identified) {
      PrintSeparatorWithText('=', "");
      identificationNote();
    }
    PrintSeparatorWithText('=', "");
    Print("\n");
    const int* maxConf = getIntParPointer("Tadpole maxconf");
    const long long limit =
        static_cast<long long>(maxConf != nullptr ? *maxConf : 1000) * 1000000LL;
    const int boundaries = TotalBoundaries();
    for (int k = 1; k <= std::min(stacks, 99999); ++k) {
      if (!binomialBelow(boundaries, k, limit)) break;
      Print("Trying %d-brane configuration\n", k);
      if (findTadpoleSolutionsWithNbranes(k) == -2) {
        Print("Solution explosion; aborted\n");
        break;
      }
    }
  }
  setAnalysisFunction(dummy_analysis_fcn);
  return -n;
}

namespace {

struct Entry {
  const char* words;
  const char* parameters;
  int (*handler)(char**, int);
  const char* help;
};

const Entry kTadpoleCommands[] = {
    {"reset tadpole", "", COM_reset_tad,
     "Makes every boundary take part in the tadpole equations again and forgets the kernel and the "
     "fixed "
     "multiplicities."},
    {"browse tadpole equations", "(non_neg_int nr.)", COM_browse_tad,
     "Prints tadpole equation nr. (all equations and the independent ones when not given)."},
    {"browse tadpole summary", "", COM_browse_tad_sum,
     "Prints the numbers of tadpole variables, equations and independent equations, counted "
     "without "
     "identifying boundaries."},
    {"browse tadpole kernel", "", COM_browse_tad_ker,
     "Prints the kernel vectors of the tadpole equations."},
    {"browse tadpole bounds", "", COM_browse_tad_bounds,
     "Prints the bounds of the tadpole variables and the loop lengths, without and with the "
     "kernel."},
    {"check CP", "(entry_1)...(entry_n)", COM_check_tad,
     "Checks whether the Chan-Paton multiplicities b:N (boundary b carries N branes; others none) "
     "cancel all "
     "tadpoles."},
    {"check CP_instanton", "[non_neg_int instanton](entry_1)...(entry_n)", COM_check_tad_instanton,
     "As \"check CP\", with the boundary instanton added as an instanton probe."},
    {"check tadpole solution", "(entry_1)...(entry_n)", COM_check_tad_sol,
     "Checks the tadpole equations for the values v:x of the loop variables (others zero)."},
    {"check tadpole parameters", "(entry_1)...(entry_n)", COM_check_tad_parm,
     "Builds the parametrised tadpole solution with parameters k:p and checks it."},
    {"solve tadpole", "", COM_solve_tad,
     "Solves the tadpole conditions of the current orientifold for the Chan-Paton multiplicities, "
     "as the Tadpole settings prescribe. The brane stacks of each solution are listed with "
     "\"set tadpole show_solution on\"; without it only the number of solutions is reported."},
    {"solve tadpole SCB", "", COM_solve_tad_scb,
     "Solves the tadpole conditions using only simple-current boundaries."},
    {"solve tadpole with_stacks", "(int Nbrane)", COM_solve_tad_few,
     "Searches tadpole solutions with Nbrane brane stacks (all stack numbers when not given)."},
    {"fix CPmult", "(entry_1)...(entry_n)", COM_fix_var,
     "Fixes the Chan-Paton multiplicity of boundary b (and its conjugate) to N for each entry "
     "b:N."},
    {"solve tadpole loops", "(pos_int interrupt)", COM_solve_loops,
     "Solves the tadpole conditions by loops over the bounded variables; progress every interrupt "
     "seconds "
     "(default 60)."},
    {"solve tadpole bounds", "(pos_int interrupt)", COM_solve_bounds,
     "Improves the bounds of the tadpole variables (at most interrupt bound analyses, default "
     "60)."},
    {"solve tadpole kernel", "(pos_int max_loop)", COM_solve_kernel,
     "Solves the tadpole conditions after a kernel analysis with at most max_loop candidates per "
     "tag "
     "(default 10000)."},
    {"browse CP", "", COM_browse_CP, "Prints the Chan-Paton group type of every boundary."},
};

}  // namespace

void registerTadpoleCommands() {
  for (const Entry& entry : kTadpoleCommands)
    initCommand(entry.words, entry.parameters, entry.handler, entry.help);
}
