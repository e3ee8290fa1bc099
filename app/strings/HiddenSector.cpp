// Tension bookkeeping of hidden sectors and the group helpers.
#include "strings/HiddenSector.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "boundaries/CrossBound.h"
#include "interpreter/RunControl.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "strings/Intersections.h"
#include "strings/TadpoleInternal.h"

namespace {

struct HiddenSectorState {
  std::array<int, 9> HiddenSectorProfile{};
  int callCounter = 0;
};

HiddenSectorState& hiddenState() {
  static HiddenSectorState s;
  return s;
}

bool listed(int b, int n, const int* labels) {
  for (int k = 0; k < n; ++k)
    if (labels[k] == b) return true;
  return false;
}

// (label, conjugate) of every stack; a stack without conjugate stands for itself.
std::vector<int> pairList(const OrientifoldInfo* record, int n, const int* labels) {
  std::vector<int> pairs;
  for (int k = 0; k < n; ++k) {
    const int a = labels[k];
    const int c = (a >= 0 && a < TotalBoundaries()) ? orientifoldConjugate(record, a) : -1;
    pairs.push_back(a);
    pairs.push_back(c >= 0 ? c : a);
  }
  return pairs;
}

int ohMode() {
  return tadpole::value(tadpole::state().settings.ohAcceptance, 0);
}

}  // namespace

void resetHiddenSector() {
  hiddenState() = HiddenSectorState{};
}

double computeTadpoleRHS(int o, int n, const int* labels, const int* multiplicities) {
  OrientifoldInfo* record = setStoredOrientifold(o);
  if (record == nullptr) return 0.0;
  double ur = 0, ui = 0;
  getCurrentCrosscapCoefficient(0, 0, &ur, &ui);
  double rhs = -std::fabs(4 * ur);
  loadOrientifoldConjugates(record, 0);
  for (int k = 0; k < n; ++k) {
    const int a = labels[k];
    if (a < 0 || a >= TotalBoundaries()) continue;
    double rr = 0, ri = 0;
    getCurrentReflectionCoefficient(0, a, &rr, &ri);
    const double term = multiplicities[k] * rr;
    rhs += term;
    const int c = orientifoldConjugate(record, a);
    if (c >= 0 && c != a) rhs += term;  // the image stack carries the same tension
  }
  if (rhs > 1e-8) {
    PrintStdout("ori %d, Nfix=%d\n", o, n);
    PrintVec(n < 4 ? n : 4, labels, "vars");
    Alert("computeTadpoleRHS", 0, 212404, "Tadpole bound violation %15.7f", rhs);
  }
  return rhs;
}

int failsTension(int b, int bc, double rhs) {
  double rr = 0, ri = 0;
  getCurrentReflectionCoefficient(0, b, &rr, &ri);
  const bool real = bc < 0 || bc == b;
  const double t = (real ? rr : 2 * rr) - 1e-7;
  return t > -rhs ? 1 : 0;
}

void getDimensionAndRank(ChanPatonGroupCode code, int* dimension, int* rank) {
  const int c = code.value;
  *dimension = 0;
  *rank = 0;
  if (c >= 10001 && c <= 19999) {
    const int r = (c - 10000) / 2;
    *rank = r;
    *dimension = r * (2 * r + 1);
  } else if (c >= 20001 && c <= 29999) {
    const int N = c - 20000;
    *rank = N;
    *dimension = N * N;
  } else if (c >= 30001) {
    const int N = c - 30000;
    *rank = N / 2;
    *dimension = N * (N - 1) / 2;
  }
}

int getNumberOfBranes(const int* list, int n) {
  for (int i = 0; i < n; ++i)
    if (list[i] == 0) return i;
  return n;
}

void printStatisticsRow(int label, int n, const int* counts) {
  long long total = 0;
  for (int i = 0; i < n; ++i) total += counts[i];
  if (total == 0) return;
  Print("%5d: ", label);
  for (int i = 0; i < n; ++i) Print("%6d ", counts[i]);
  Print("\n");
}

int selectHiddenSectorForSM(int n, int o, const int* labels, const int* multiplicities, double rhs) {
  OrientifoldInfo* record = setStoredOrientifold(o);
  if (record == nullptr) return -1;
  initializeOpenString();
  loadOrientifoldConjugates(record, 0);
  initActiveBoundaries(-2);
  tadpole::state().HiddenSector = 1;
  for (int k = 0; k < n; ++k) setFixVar(labels[k], multiplicities[k]);
  const std::vector<int> pairs = pairList(record, n, labels);
  const int mode = ohMode();
  int withinBudget = 0;
  for (int b = 0; b < TotalBoundaries(); ++b) {
    const int bc = orientifoldConjugate(record, b);
    if (bc < 0 || b > bc) continue;  // no conjugate, or the pair is handled at its first label
    if (listed(b, n, labels) || listed(bc, n, labels)) continue;
    if (failsTension(b, bc, rhs) != 0) {
      setActBound(b, 0, 12);
      continue;
    }
    ++withinBudget;
    if (GenericSMHiddenIntersection(b, bc, mode, static_cast<int>(pairs.size()), pairs.data()) == 1)
      setActBound(b, 0, mode + 20);
    else
      setActBound(b, 1, 0);
  }
  if (withinBudget == 0) TADPOLE_TRACE("All boundaries oversaturate the orientifold tension");
  const int r = getTadpoleEquations();
  return r < 0 ? r : 0;
}

int findTadpoleSolutionForSM(int n, int o, const int* labels, const int* multiplicities) {
  tadpole::AbandonedSearchGuard guard;
  tadpole::TadpoleState& ts = tadpole::state();
  HiddenSectorState& hs = hiddenState();
  const int info = tadpole::verbose();
  if (info >= 1)
    PrintBannerWithText('-', "\nSolving tadpole cancellation conditions for hidden sector");
  TadpoleSolutionAnalysis(nullptr);
  ts.HiddenSector = 1;
  ts.CPthreshold = -1;
  if (hs.callCounter % 1000 == 0) checkInterrupt();
  const double rhs = computeTadpoleRHS(o, n, labels, multiplicities);
  int r = selectHiddenSectorForSM(n, o, labels, multiplicities, rhs);
  if (r < 0) return r;
  r = SolveTadpoleConditionsUsingBounds();
  if (r == -1) return -1;
  if (r < -3) return -2;
  EquationData& ED = tadpole::equations();
  char suffix[80];
  std::snprintf(suffix, sizeof suffix, " (%d vars, %d eqs)", ED.N - 1, ED.neq);
  auto fail = [&](const char* message) {
    PrintNoRepeat(message, suffix);
    return -1;
  };
  if (ZeroCheck(rhs) == 0 && ED.N == 1) {
    Print("No variables, but non-zero RHS; hence no solution\n");
    return -1;
  }
  ++hs.callCounter;
  if (ImproveBounds(&ED, ED.minima, ED.maxima, 1000, 1, info) == -1)
    return fail("No solution after second boundary analysis");
  const int k = findSimpleSolutions();
  // Only the stack counts the simple search really covered are taken as known, so that a
  // candidate with fewer variables than the stack limit still gets its larger solutions.
  ts.CPthreshold = std::min(tadpole::maxStack(), ED.N - 1);
  if (k > 0 && ts.SingleSolution != 0) {
    Print("Found %d simple solutions\n", k);
    return -2;
  }
  if (k == 0 && ts.SimplestOnly != 0) return fail("No simple solutions found; giving up");
  if (k > 0 && ts.SimplestOnly != 0) {
    TADPOLE_TRACE("%d simple solutions found; no further search because of stack limit", k);
    return -2;
  }
  computeTadpoleKernel();
  if (ImproveBounds(&ED, ED.savedMinima, ED.savedMaxima, 100000, 1, info) == -1)
    return fail("No solution after third boundary analysis");
  const double L = OptimizedLoopLength(ED.N - 1, ED.savedMinima, ED.savedMaxima, &ED);
  TADPOLE_TRACE("Trying nested loops; Loop length %15.0f", L);
  const bool shortLoops = L < 1e9;
  if (!shortLoops) {
    Print("Number of variables: %d\n", ED.N - 1);
    if (L >= 1e30 && std::isfinite(L))
      Print("Loops too long; trying anyway (length %7.0g)\n", L);
    else
      Print("Loops too long; trying anyway (length %s)\n", loopLengthText(L, 15).c_str());
  }
  const int limit = shortLoops ? 2147483647 : 1000000;
  if (ts.SingleSolution != 0)
    r = TadpoleLoopsSingle(limit, ED.savedMinima, ED.savedMaxima);
  else
    r = TadpoleLoops(limit, ED.savedMinima, ED.savedMaxima, ts.FullSol, ts.SingleSolution);
  if (r == -1)
    return fail(shortLoops ? "No solution after tadpole loops"
                           : "No solution after solving tadpole conditions");
  if (r < -3) {
    if (ts.analysis_fcn == dummy_analysis_fcn) PrintNoRepeat("Solution found", suffix);
    if (shortLoops) TADPOLE_TRACE("Solutions found using nested loops");
    return -2;
  }
  if (r == -2) return 1;
  Alert("findTadpoleSolutionForSM", 0, 212404, "Invalid return code after solving equations");
  return 0;
}

const int* computeHiddenSectorProfile(int n, int o, const int* labels, const int* multiplicities) {
  HiddenSectorState& hs = hiddenState();
  hs.HiddenSectorProfile.fill(0);
  OrientifoldInfo* record = setStoredOrientifold(o);
  if (record == nullptr) return hs.HiddenSectorProfile.data();
  initializeOpenString();
  const double rhs = computeTadpoleRHS(o, n, labels, multiplicities);
  loadOrientifoldConjugates(record, 0);
  const std::vector<int> pairs = pairList(record, n, labels);
  for (int mode = 0; mode <= 2; ++mode) {
    for (int b = 0; b < TotalBoundaries(); ++b) {
      const int bc = orientifoldConjugate(record, b);
      if (bc < 0) continue;
      if (listed(b, n, labels) || listed(bc, n, labels)) continue;
      if (b <= bc) {
        if (failsTension(b, bc, rhs) != 0) continue;
        if (GenericSMHiddenIntersection(b, bc, mode, static_cast<int>(pairs.size()), pairs.data()) ==
            1)
          continue;
      }
      const int type = orientifoldGroupType(record, b);
      if (type < -1 || type > 1) continue;  // zero tension has no slot
      ++hs.HiddenSectorProfile[static_cast<std::size_t>(3 * mode + type + 1)];
    }
  }
  return hs.HiddenSectorProfile.data();
}

int selectHiddenSectorForInstanton(int n, int instanton, int o, const int* labels,
                                   const int* multiplicities, double rhs) {
  OrientifoldInfo* record = setStoredOrientifold(o);
  if (record == nullptr) return -1;
  if (instanton < 0 || instanton >= TotalBoundaries()) {
    Alert("selectHiddenSectorForInstanton", 0, 212404, "Invalid instanton boundary %d", instanton);
    return -1;
  }
  initializeOpenString();
  loadOrientifoldConjugates(record, 0);
  initActiveBoundaries(-2);
  tadpole::state().HiddenSector = 1;
  for (int k = 0; k < n; ++k) setFixVar(labels[k], multiplicities[k]);
  std::vector<int> pairs = pairList(record, n, labels);
  const int smEntries = static_cast<int>(pairs.size());
  const int ic = orientifoldConjugate(record, instanton);
  pairs.push_back(instanton);
  pairs.push_back(ic >= 0 ? ic : instanton);
  const int* instantonPair = pairs.data() + smEntries;
  const int mode = ohMode();
  int candidates = 0;
  for (int b = 0; b < TotalBoundaries(); ++b) {
    const int bc = orientifoldConjugate(record, b);
    if (bc < 0 || b > bc) continue;
    if (listed(b, n, labels) || listed(bc, n, labels)) continue;
    if (b == instanton || bc == instanton) continue;
    ++candidates;
    if (failsTension(b, bc, rhs) != 0) {
      setActBound(b, 0, 12);
    } else if (GenericSMHiddenIntersection(b, bc, mode, smEntries, pairs.data()) == 1) {
      setActBound(b, 0, mode + 20);
    } else if (GenericSMHiddenIntersection(b, bc, 0, 2, instantonPair) != 0) {
      setActBound(b, 0, 24);
    } else {
      setActBound(b, 1, 0);
      PrintStdout("Boundary %d accepted\n", b);
    }
  }
  const int r = getTadpoleEquations();
  if (r < 0) return r;
  PrintStdout("Instanton %d allows %d hidden sector brane stacks out of %d candidates.\n", instanton,
              tadpole::equations().N - 1, candidates);
  return 0;
}

int findTadpoleSolutionForInstanton(int instanton, int n, int o, const int* labels,
                                    const int* multiplicities) {
  tadpole::AbandonedSearchGuard guard;
  tadpole::TadpoleState& ts = tadpole::state();
  const int info = tadpole::verbose();
  const double rhs = computeTadpoleRHS(o, n, labels, multiplicities);
  int r = selectHiddenSectorForInstanton(n, instanton, o, labels, multiplicities, rhs);
  if (r < 0) return r;
  auto fail = [](const char* message) {
    PrintStdout("%s\n", message);
    return -1;
  };
  if (SolveTadpoleConditionsUsingBounds() == -1)
    return fail("No solution after first boundary analysis");
  EquationData& ED = tadpole::equations();
  if (ZeroCheck(rhs) == 0 && ED.N == 1) {
    Print("No variables, but non-zero RHS; hence no solution\n");
    return -1;
  }
  if (ImproveBounds(&ED, ED.minima, ED.maxima, 10000, 1, info) == -1)
    return fail("No solution after second boundary analysis");
  const int k = findSimpleSolutions();
  ts.CPthreshold = std::min(tadpole::maxStack(), ED.N - 1);
  if (k > 0) {
    PrintStdout("Found %d simple solutions\n", k);
    return -2;
  }
  computeTadpoleKernel();
  if (ImproveBounds(&ED, ED.savedMinima, ED.savedMaxima, 10000000, 1, info) == -1)
    return fail("No solution after second bound analysis");
  const double L = OptimizedLoopLength(ED.N - 1, ED.savedMinima, ED.savedMaxima, &ED);
  if (L <= 0) {
    PrintStdout("negative loop length\n");
    return -1;
  }
  int limit = 2147483647;
  if (L >= 1e9) {
    PrintStdout("Number of variables: %d\n", ED.N - 1);
    PrintStdout("Loops too long; trying anyway (length %s)\n", loopLengthText(L, 15).c_str());
    limit = 1000000;
  }
  r = TadpoleLoopsSingle(limit, ED.savedMinima, ED.savedMaxima);
  if (r == -1)
    return fail(limit == 1000000 ? "No solution after solving tadpole conditions"
                                 : "No solution after tadpole loops");
  if (r < -3) {
    PrintStdout("Solution found\n");
    return -2;
  }
  if (r == -2) return 1;
  Alert("findTadpoleSolutionForInstanton", 0, 212404, "Invalid return code after solving equations");
  return 0;
}
