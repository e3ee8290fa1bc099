// Tadpole solver strategies: the automatic one (bounds, kernel, then full loops or the
// simple-solution search by loop length), loops, kernel and bounds alone, and the search
// for solutions with exactly k brane stacks, one k-subset of variables at a time, solved
// with the real-equation accumulator.
#include <algorithm>
#include <string>
#include <vector>

#include "boundaries/CrossBound.h"
#include "interpreter/Loops.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "strings/TadpoleInternal.h"

using namespace tadpole;

namespace {

constexpr double kFullLoopLimit = 1e8;
constexpr double kKernelLoopLimit = 100000;
constexpr double kBoundsLoopLimit = 1e7;

int resolve(int argument, int fallback) {
  return argument == -1 ? fallback : argument;
}

std::string vectorText(int n, const int* v, const char* label) {
  std::string text;
  appendVecLine(text, n, v, label);
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// The simple-solution search, with whether the stack limit left subset sizes untried.
int simpleSearch(bool* untried) {
  TadpoleState& s = state();
  EquationData& ED = equations();
  const int N = ED.N;
  std::vector<int> loop(static_cast<std::size_t>(N), 0);
  loop[static_cast<std::size_t>(N - 1)] = 1;
  s.CPthreshold = -1;
  *untried = false;
  int count = 0;
  if (verbose() >= 2) Print("Checking trivial solution\n");
  if (satisfiesIndependent(loop.data()) != 0) {
    s.trace_fcn("Equations satisfied by trivial solution");
    if (analyseSimpleSolution(loop.data()) != 0) {
      ++count;
      if (s.SingleSolution != 0) return count;
    }
  }
  const int variables = N - 1;
  const int largest = std::min(maxStack(), variables);
  for (int k = 1; k <= largest; ++k) {
    s.CPthreshold = k - 1;
    if (verbose() >= 1) Print("\nChecking %d-brane solutions\n", k);
    s.trace_fcn("\nChecking %d-brane solutions\n", k);
    int r = findTadpoleSolutionsWithNbranes(k);
    s.CPthreshold = -1;
    if (r < -3) count += -r - 3;
    if (s.SingleSolution != 0 && count > 0) return count;
  }
  if (maxStack() < variables) {
    *untried = true;
    s.trace_fcn("Simple solution search stopped; maximum number of stacks reached");
  }
  return count;
}

// The verdict of the simple search in the automatic strategies.
int simpleVerdict() {
  bool untried = false;
  int count = simpleSearch(&untried);
  if (count > 0) return -3 - count;
  return untried ? 0 : -1;
}

int acceptSubsetPoint(int k, const int* pointer, const int solution[]) {
  return checkSimpleSolution(k, pointer, solution);
}

// The number of k-subsets of n variables, C(n, k), as the length of a progress line.
double subsetCount(int n, int k) {
  double count = 1.0;
  for (int j = 1; j <= k; ++j) count = count * (n - k + j) / j;
  return count;
}

}  // namespace

void setCPthreshold(int k) {
  state().CPthreshold = k;
}
int getCPthreshold() {
  return state().CPthreshold;
}

int SolveTadpoleConditions(int full, int single, int maxiter) {
  TadpoleState& s = state();
  AbandonedSearchGuard guard;
  full = resolve(full, s.FullSol);
  single = resolve(single, s.SingleSolution);
  maxiter = resolve(maxiter, value(s.settings.maxIter, 0));
  s.CPthreshold = -1;
  if (s.MAXTIME == 0) {
    s.trace_fcn("Loop search aborted (time limit exceeded)\n");
    return -2;
  }
  PrintBannerWithText('-', "Solving tadpole cancellation conditions");
  int r = getTadpoleEquations();
  if (r < 0) return r;
  EquationData& ED = equations();
  KernelData& KD = kernel();
  s.trace_fcn("Bound analysis started, MAXTIME=%d (in SolveTadpoleConditions)", s.MAXTIME);
  r = ImproveTadpoleBounds(5 * s.MAXTIME, maxiter);
  s.trace_fcn("Bound analysis finished, MAXTIME=%d (in SolveTadpoleConditions)", s.MAXTIME);
  if (r <= -3 && s.SimplestOnly == 0) {
    s.trace_fcn("Short loops; Kernel not computed; maximal time set at 60 secs.");
    if (verbose() >= 1) Print("Kernel not computed\n");
    return TadpoleLoops(10, ED.minima, ED.maxima, full, single);
  }
  if (r == -1) return -1;
  if (r == -2) s.trace_fcn("Bound analysis aborted due to time limit");
  if (full == 1 && s.SimplestOnly == 0) {
    getSingleTagKernel(1000);
    if (ImproveBounds(&ED, ED.savedMinima, ED.savedMaxima, 20000 * s.MAXTIME, maxiter, verbose()) ==
        -1)
      return -1;
  }
  s.trace_fcn("Kernel analysis finished.");
  s.trace_fcn("Number of Kernel vectors: %d", KD.count);
  double L = OptimizedLoopLength(ED.N - 1, ED.savedMinima, ED.savedMaxima, &ED);
  if (L > 0 && L < kFullLoopLimit && s.SimplestOnly == 0) {
    s.trace_fcn("Loop length (using equations): %6.0f", L);
    return TadpoleLoops(120, ED.savedMinima, ED.savedMaxima, full, single);
  }
  if (L > 0 && s.SimplestOnly != 0) return simpleVerdict();
  if (L > 0) {
    s.trace_fcn("Loop length (using equations): %s", loopLengthText(L, 6).c_str());
    if (verbose() >= 1) PrintBounds(ED.N - 1, ED.savedMinima, ED.savedMaxima, 100);
    if (Alert("SolveTadpoleConditions", 0, 332209, "Loop length appears too large. Try anyway?") ==
        0) {
      s.trace_fcn("Aborted; loop length %s", loopLengthText(L, 6).c_str());
      return -2;
    }
    r = TadpoleLoops(s.MAXTIME, ED.savedMinima, ED.savedMaxima, full, single);
    if (r != -2) return r;
    if (value(s.settings.terminalInput, 0) != 0)
      Print("Loop search aborted by user\n");
    else
      s.trace_fcn("Loop search aborted (in non-interactive mode)");
    return -2;
  }
  s.trace_fcn("SolveTadpoleConditions: Negative loop length");
  return -1;
}

int SolveSimpleCurrentTadpoleConditions() {
  if (initTadpole() == 0) return kUnavailable;
  TadpoleState& s = state();
  for (int b = 0; b < s.boundaries; ++b) {
    if (SimpleCurrentBoundary(b) != 0)
      setActBound(b, 1, 7);
    else
      setActBound(b, 0, 8);
  }
  return SolveTadpoleConditions(1, 0, 1);
}

int SolveTadpoleConditionsUsingLoops(int interval) {
  AbandonedSearchGuard guard;
  int r = getTadpoleEquations();
  if (r < 0) return r;
  EquationData& ED = equations();
  return TadpoleLoops(interval, ED.minima, ED.maxima, state().FullSol, state().SingleSolution);
}

int SolveTadpoleConditionsUsingKernel(int maxloop) {
  TadpoleState& s = state();
  AbandonedSearchGuard guard;
  int r = getTadpoleEquations();
  if (r < 0) return r;
  EquationData& ED = equations();
  getSingleTagKernel(maxloop);
  getKernelDependentBounds();
  double L = OptimizedLoopLength(ED.N - 1, ED.savedMinima, ED.savedMaxima, &ED);
  if (L > 0 && L < kKernelLoopLimit) {
    s.trace_fcn("SolveTadpoleConditionsUsingKernel: Loop length (using equations): %6.0f\n", L);
    return TadpoleLoops(120, ED.savedMinima, ED.savedMaxima, s.FullSol, 0);
  }
  if (L <= 0) {
    s.trace_fcn("SolveTadpoleConditionsUsingKernel: Negative loop length\n");
    return -1;
  }
  if (s.SimplestOnly != 0) return simpleVerdict();
  if (Alert("SolveTadpoleConditionsUsingKernel", 0, 332209,
            "Loop length appears too large. Try anyway?") == 0)
    return -2;
  return TadpoleLoops(60, ED.savedMinima, ED.savedMaxima, s.FullSol, 0);
}

int SolveTadpoleConditionsUsingBounds() {
  TadpoleState& s = state();
  AbandonedSearchGuard guard;
  int r = getTadpoleEquations();
  if (r < 0) return r;
  s.trace_fcn("Enterred SolveTadpoleConditionsUsingBounds");
  if (s.MAXTIME == 0) return 0;
  EquationData& ED = equations();
  r = ImproveTadpoleBounds(0, 0);
  if (r < 0) {
    s.trace_fcn("ImproveTadpoleBounds return code %d", r);
    if (r == -1) return -1;
    return TadpoleLoops(10, ED.minima, ED.maxima, s.FullSol, s.SingleSolution);
  }
  double L = OptimizedLoopLength(ED.N - 1, ED.minima, ED.maxima, &ED);
  s.trace_fcn("Loop length (SolveTadpoleConditionsUsingBounds): %s", loopLengthText(L, 6).c_str());
  if (L > 0 && L < kBoundsLoopLimit) {
    if (verbose() >= 1) Print("Loop length (using equations): %6.0f", L);
    s.trace_fcn("Small loop length %10.0f; solving directly", L);
    return TadpoleLoops(100000000, ED.minima, ED.maxima, s.FullSol, s.SingleSolution);
  }
  if (L < 0) {
    s.trace_fcn("Negative loop length; no solution (SolveTadpoleConditionsUsingBounds): %6.0f", L);
    Print("Negative loop length\n");
    return -1;
  }
  s.trace_fcn("Loop length too large; not attempting loops yet");
  return 0;
}

int TadpoleLoops(int interval, const int min[], const int max[], int full, int single) {
  TadpoleState& s = state();
  AbandonedSearchGuard guard;
  EquationData& ED = equations();
  const int N = ED.N;
  std::vector<int> lo(min, min + N), hi(max, max + N);
  std::copy(lo.begin(), lo.end(), ED.loopMinima);
  std::copy(hi.begin(), hi.end(), ED.loopMaxima);
  InitializeEquationSolver();
  if (verbose() >= 1) Print("\nLOOP ANALYSIS\n");
  s.trace_fcn("Diophantine loops started.");
  int r = DiophLoops(&kernel(), &ED, ED.loopMinima, ED.loopMaxima, verbose(), interval, nullptr,
                     TadpoleSolutionAnalysis, full, single);
  s.trace_fcn("Diophantine loops finished.");
  if (r < -3) {
    s.trace_fcn("Number of solutions: %d", -3 - r);
    if (full == 1 && s.SimplestOnly != 0) return r;
  } else if (r == -2) {
    s.trace_fcn("Search aborted");
  } else if (r == -1) {
    s.trace_fcn("No solutions");
    return -1;
  }
  if ((r < -3 && full == 1) || (value(s.settings.autoSpectrum, 0) != 0 && s.SimplestOnly == 0)) {
    const VectorSpace* solutions = getSolutionPointer();
    if (solutions != nullptr && solutions->Nfill > 0 && solutions->Space != nullptr)
      printParametrizedSolution(&kernel(), N, solutions->Space);
  }
  if (r == -3) Alert("TadpoleLoops", 0, 212404, "Unexpected vanishing number of solutions");
  return r;
}

int TadpoleLoopsSingle(int limit, const int min[], const int max[]) {
  TadpoleState& s = state();
  AbandonedSearchGuard guard;
  EquationData& ED = equations();
  std::copy(min, min + ED.N, ED.loopMinima);
  std::copy(max, max + ED.N, ED.loopMaxima);
  InitializeEquationSolver();
  int r = DiophLoopsSingle(&kernel(), &ED, ED.loopMinima, ED.loopMaxima, limit, nullptr,
                           TadpoleSolutionAnalysis);
  s.trace_fcn("Diophantine loops finished.");
  if (r == -3) Alert("TadpoleLoopsSingle", 0, 212404, "Unexpected vanishing number of solutions");
  return r;
}

int findSimpleSolutions() {
  AbandonedSearchGuard guard;
  bool untried = false;
  return simpleSearch(&untried);
}

int findTadpoleSolutionsWithNbranes(int k) {
  TadpoleState& s = state();
  AbandonedSearchGuard guard;
  int r = getTadpoleEquations();
  if (r < 0) return r;
  if (ImproveTadpoleBounds(0, 0) == -1) return -1;
  EquationData& ED = equations();
  const int variables = ED.N - 1;
  s.trace_fcn("Considering all solutions with %d hidden branes", k);
  s.trace_fcn("Number of variables: %d (for %d independent equations)", variables, ED.nind);
  if (k < 1 || k > variables) return -1;
  std::vector<int> set(static_cast<std::size_t>(k));
  for (int j = 0; j < k; ++j) set[static_cast<std::size_t>(j)] = j;
  ProgressScope progress(formatText("Checking %d-brane solutions", k).c_str(),
                         subsetCount(variables, k));
  long long attempts = 1;
  progress.step();
  int count = SolveTadpoleConditionsForSubset(k, set.data());
  if (count > 0 && s.SingleSolution != 0) return -3 - count;
  while (incrementBinomial(variables, k, set.data()) == 1) {
    ++attempts;
    progress.step();
    count += SolveTadpoleConditionsForSubset(k, set.data());
    if (count > 0 && s.SingleSolution != 0) return -3 - count;
  }
  if (k == 1)
    s.trace_fcn("Total number of solutions with one brane: %d (out of %lld attempts)", count,
                attempts);
  else
    s.trace_fcn("Total number of solutions with %d branes:  %d (out of %lld attempts)", k, count,
                attempts);
  return count > 0 ? -3 - count : -1;
}

int SolveTadpoleConditionsForSubset(int k, const int vars[]) {
  TadpoleState& s = state();
  EquationData& ED = equations();
  const int N = ED.N;
  if (s.SingleSolution == 0 && verbose() >= 6) {
    Print("\n\n");
    std::string label =
        formatText(" --- Considering variable set (chosen out of %d variables)", N - 1);
    PrintVec(k, vars, label.c_str());
    Print("\n");
  }
  CollectDoubleEquations(k, nullptr, nullptr, 0, nullptr, nullptr, nullptr);
  std::vector<double> row(static_cast<std::size_t>(k + 1));
  const double* rows = independentRows();
  for (int e = 0; e < ED.nind; ++e) {
    const double* eq = rows + static_cast<std::size_t>(e) * N;
    for (int j = 0; j < k; ++j) row[static_cast<std::size_t>(j)] = eq[vars[j]];
    row[static_cast<std::size_t>(k)] = eq[N - 1];
    int* solution = nullptr;
    int r = CollectDoubleEquations(k, row.data(), &solution, 1, nullptr, nullptr, nullptr);
    if (r < 0) return 0;
    if (r == 0) return checkSimpleSolution(k, vars, solution);
  }
  std::vector<int> lower(static_cast<std::size_t>(k)), upper(static_cast<std::size_t>(k));
  for (int j = 0; j < k; ++j) {
    lower[static_cast<std::size_t>(j)] = ED.minima[vars[j]];
    upper[static_cast<std::size_t>(j)] = ED.maxima[vars[j]] + 1;
  }
  DoubleEquationEnumeration record;
  record.k = k;
  record.pointer = vars;
  record.stopAfterFirst = (s.SingleSolution != 0 || s.OnePerSet != 0) ? 1 : 0;
  record.fn = acceptSubsetPoint;
  CollectDoubleEquations(k, nullptr, nullptr, 2, lower.data(), upper.data(), &record);
  int count = record.count;
  if (count <= 0) return 0;
  if (record.stopAfterFirst != 0)
    s.trace_fcn("Equations satisfied by at least one %d-brane solution", k);
  else
    s.trace_fcn("Equations satisfied by %d distinct %d-brane solution", count, k);
  if (s.OnePerSet != 0) {
    Print(" --- Search for this variable set stopped after first solution\n");
    Print(" --- There may be additional ones\n");
  }
  return count;
}

int checkSimpleSolution(int k, const int vars[], const int values[]) {
  TadpoleState& s = state();
  EquationData& ED = equations();
  std::vector<int> x(static_cast<std::size_t>(ED.N), 0);
  x[static_cast<std::size_t>(ED.N - 1)] = 1;
  for (int j = 0; j < k; ++j) {
    if (values[j] < 1) return 0;
    x[static_cast<std::size_t>(vars[j])] = values[j];
  }
  if (satisfiesIndependent(x.data()) == 0) return 0;
  std::string v1 = vectorText(k, vars, "Vars");
  std::string v2 = vectorText(k, values, "Values");
  s.trace_fcn("Equations satisfied by %d-brane solution: %s %s", k, v1.c_str(), v2.c_str());
  return analyseSimpleSolution(x.data()) == 1 ? 1 : 0;
}

int analyseSimpleSolution(int x[]) {
  EquationData& ED = equations();
  if (ED.exclusion == 1) {
    for (int j = 0; j < ED.N; ++j)
      if (x[j] >= ED.exclusionMinima[j] && x[j] <= ED.exclusionMaxima[j]) return 0;
  }
  return TadpoleSolutionAnalysis(x);
}
