// Tadpole equations: one loop variable per participating boundary (a complex pair shares
// one), two rows (real and imaginary part) per massless Ishibashi label m:
//   sum_v x_v R(m, a_v) [+ R(m, a_v*) for U, doubled for Sp] + stfactor U(m) + fixed = 0,
// with U(0) negated. The rows go to the bounded-integer solver, which reduces them, bounds
// the variables and finds kernel vectors.
#include <algorithm>
#include <cmath>
#include <string>

#include "boundaries/CrossBound.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "strings/Intersections.h"
#include "strings/OpenTachyons.h"
#include "strings/StringTheory.h"
#include "strings/TadpoleInternal.h"

namespace tadpole {

EquationData& equations() {
  return *state().equations;
}
KernelData& kernel() {
  return *state().kernel;
}

const double* independentRows() {
  EquationData& ED = equations();
  return equationRow(&ED, ED.neq);
}

int satisfiesIndependent(const int* x) {
  EquationData& ED = equations();
  if (ED.nind < 1) return 1;
  return CheckEquations(independentRows(), x, ED.nind, ED.N, 0);
}

namespace {

const char* reasonText(int code) {
  switch (code) {
    case 1:
      return "Not a U(N) boundary\n";
    case 2:
      return "Not an O(N) boundary\n";
    case 3:
      return "Not a Sp(N) boundary\n";
    case 4:
      return "Not a real boundary\n";
    case 8:
      return "Not a simple current boundary\n";
    case 11:
      return "CP multiplicity is fixed to the value %d\n";
    case 12:
      return "Oversaturates dilaton tadpole\n";
    case 20:
      return "Produces observable/hidden matter\n";
    case 21:
      return "Produces chiral observable/hidden matter\n";
    case 22:
      return "Produces SM-chiral observable/hidden matter\n";
    case 24:
      return "Produces instanton zero-modes\n";
    default:
      return "";
  }
}

std::string labelText(int b) {
  int c = conjugate(b);
  return c == b ? formatText("%d", b) : formatText("(%d,%d)", b, c);
}

// The class rebuild that restricted observable-hidden matter needs.
void rebuildBoundaryClasses() {
  initBoundaryClassStorage();
  initBoundaryClasses();
}

bool keyMatches() {
  const TadpoleState& s = state();
  return s.haveEquations && s.equationKey[0] == QueryBulkInvariant() &&
         s.equationKey[1] == QueryOrientifold() && s.equationKey[2] == s.BoundarySelectionCounter;
}

void printBoxAndLength(int n, const int* min, const int* max) {
  PrintBounds(n, min, max, 100);
}

}  // namespace
}  // namespace tadpole

using namespace tadpole;

KernelData* getTadpoleKernel() {
  return &kernel();
}
int convertLoopLabelToCPLabel(int v) {
  const TadpoleState& s = state();
  return v >= 0 && v < s.loopVariables ? s.LoopToCP[static_cast<std::size_t>(v)] : -1;
}

void restrictLoopVariables() {
  TadpoleState& s = state();
  if (value(s.settings.ohAcceptance, 3) < 3) rebuildBoundaryClasses();
  int unitary = value(s.settings.unitaryOnly, 0);
  int orthogonal = value(s.settings.orthogonalOnly, 0);
  int symplectic = value(s.settings.symplecticOnly, 0);
  int real = value(s.settings.realOnly, 0);
  for (int b = 0; b < s.boundaries; ++b) {
    if (ActiveBoundaries(b) == 0 || FixedVariables(b) != -1) continue;
    int type = groupType(b);
    if (unitary != 0 && type != 0) setActBound(b, 0, 1);
    if (orthogonal != 0 && type != 1) setActBound(b, 0, 2);
    if (symplectic != 0 && type != -1) setActBound(b, 0, 3);
    if (real != 0 && type == 0) setActBound(b, 0, 4);
  }
}

int getLoopVariables() {
  TadpoleState& s = state();
  bool anyActive = false;
  for (int b = 0; b < s.boundaries; ++b)
    if (ActiveBoundaries(b) != 0) anyActive = true;
  restrictLoopVariables();
  int v = 0;
  for (int b = 0; b < s.boundaries; ++b) {
    std::size_t ub = static_cast<std::size_t>(b);
    int c = conjugate(b);
    if (groupType(b) == 0 && b > c) {
      s.CPToLoop[ub] = s.CPToLoop[static_cast<std::size_t>(c)];
    } else if (ActiveBoundaries(b) != 0) {
      s.LoopToCP[static_cast<std::size_t>(v)] = b;
      s.CPToLoop[ub] = v;
      s.SolutionGroupTypes[static_cast<std::size_t>(v)] = groupType(b);
      ++v;
    } else {
      s.CPToLoop[ub] = -1;
    }
  }
  s.loopVariables = v;
  if (value(s.settings.showVariables, 0) == 1) PrintVariableMap();
  if (v == 0 && anyActive) Print("There are no boundaries satisfying all requirements\n");
  return v;
}

void PrintVariableMap() {
  TadpoleState& s = state();
  if (s.loopVariables == 0) {
    Print("No tadpole variables\n");
    return;
  }
  PrintBannerWithText('=', "Variable Map");
  Print("Boundary or conjugate pair      Variable       Group Type\n");
  bool someOut = false;
  for (int b = 0; b < s.boundaries; ++b) {
    int v = s.CPToLoop[static_cast<std::size_t>(b)];
    if (v < 0) {
      someOut = true;
      continue;
    }
    if (b > conjugate(b)) continue;
    int type = groupType(b);
    Print("%-35s%-10d", labelText(b).c_str(), v);
    if (type == 0)
      Print("     U(N)\n");
    else if (type == 1)
      Print("     SO(N)\n");
    else if (type == -1)
      Print("     Sp(N)\n");
    else
      Print("Unknown group type: %d\n", type);
  }
  if (someOut) {
    PrintSeparatorWithText('.', "Non-participating boundaries");
    for (int b = 0; b < s.boundaries; ++b) {
      if (s.CPToLoop[static_cast<std::size_t>(b)] >= 0 || b > conjugate(b)) continue;
      int code =
          s.ActBoundReasonCode.empty() ? 0 : s.ActBoundReasonCode[static_cast<std::size_t>(b)];
      Print("%-15s", labelText(b).c_str());
      if (code == 9) {
        int partner = s.IdentifiedWith[static_cast<std::size_t>(b)];
        int pc = conjugate(partner);
        std::string text =
            pc == partner ? formatText("%d", partner) : formatText("pair (%d,%d)", partner, pc);
        Print("Identified with boundary %-30s\n", text.c_str());
      } else if (code == 11) {
        Print("CP multiplicity is fixed to the value %d\n", FixedVariables(b));
      } else {
        const char* text = reasonText(code);
        if (*text != '\0')
          PrintText(text);
        else
          Print("\n");
      }
    }
  }
  PrintSeparatorWithText('=', "");
}

int findTadpoleEquations(int mode) {
  TadpoleState& s = state();
  if (value(s.settings.super, 0) != 0) getStringData();
  s.ActiveEquations.clear();
  int total = TotalIshibashi();
  for (int i = 0; i < total; ++i) {
    obeyInterruptRequest();
    if (masslessCharacter(getIshibashiField(i), 0) != 0) s.ActiveEquations.push_back(i);
  }
  int count = static_cast<int>(s.ActiveEquations.size());
  s.ActiveEquations.push_back(-1);
  if (mode == 0 && verbose() >= 1) Print("Number of massless Ishibashi states: %d\n", count);
  return count;
}

void getTadpoleEquation(double row[], int m, int rowlabels[2]) {
  TadpoleState& s = state();
  const int N = s.loopVariables + 1;
  double* real = row;
  double* imag = row + N;
  for (int v = 0; v < N - 1; ++v) {
    int a = s.LoopToCP[static_cast<std::size_t>(v)];
    double re = 0, im = 0;
    getCurrentReflectionCoefficient(m, a, &re, &im);
    int type = groupType(a);
    if (type == 0) {
      double re2 = 0, im2 = 0;
      getCurrentReflectionCoefficient(m, conjugate(a), &re2, &im2);
      re += re2;
      im += im2;
    } else if (type == -1) {
      re *= 2;
      im *= 2;
    }
    real[v] = re;
    imag[v] = im;
  }
  double re = 0, im = 0;
  getCurrentCrosscapCoefficient(m, 0, &re, &im);
  if (m == 0) {
    re = -re;
    im = -im;
    s.stfactor = OrientifoldMultiplicity();
  }
  real[N - 1] = re * s.stfactor;
  imag[N - 1] = im * s.stfactor;
  for (int i = 0; i < s.FixVarCount; ++i) {
    int b = s.FixVarSet[static_cast<std::size_t>(i)];
    int n = FixedVariables(b);
    if (n == -1) Alert("getTadpoleEquation", 0, 212404, "Fixed variable does not have valid value");
    double r1 = 0, i1 = 0;
    getCurrentReflectionCoefficient(m, b, &r1, &i1);
    real[N - 1] += n * r1;
    imag[N - 1] += n * i1;
    if (groupType(b) == 0) {
      getCurrentReflectionCoefficient(m, conjugate(b), &r1, &i1);
      real[N - 1] += n * r1;
      imag[N - 1] += n * i1;
    }
  }
  for (double* r : {real, imag}) {
    for (int j = 0; j < N; ++j) {
      if (ZeroCheck(r[j]) == 0) {
        double d = r[j];
        for (int k = 0; k < N; ++k) r[k] /= d;
        break;
      }
    }
  }
  rowlabels[0] = m;
  rowlabels[1] = m;
}

int computeTadpoleEquations(int mode) {
  TadpoleState& s = state();
  if (debugInit() != 0)
    Inform("##init: getTadpoleEquations request, BoundarySelectionCounter=%d\n",
           s.BoundarySelectionCounter);
  if (keyMatches()) return 0;
  initLine("##init: getTadpoleEquations started\n");
  if (initializeOpenString() != 0) return kUnavailable;
  if (initTadpole() == 0) return kUnavailable;
  if (SusySpectrum() == 0) TachyonicIntersection(getCurrentOrientifold(), -1, 0);
  if (mode == 0) printTadpoleCriteria();
  int massless = findTadpoleEquations(mode);
  const int N = getLoopVariables() + 1;
  if (mode == 0 || mode == 1) {
    const char* text = mode == 0
                           ? "Number of loop variables: %d"
                           : "Number of loop variables (after removing identical boundaries): %d";
    s.trace_fcn(text, N - 1);
    if (value(s.settings.displayInput, 0) != 0 || verbose() >= 1) {
      Print(text, N - 1);
      Print("\n");
    }
  }
  EquationData& ED = equations();
  s.haveEquations = false;
  int maxrows = std::max(10 * massless, 5000);
  if (setEquationDataSize(&ED, N, 2 * massless, maxrows) == 0) return kUnavailable;
  s.rowLabels.assign(static_cast<std::size_t>(2 * massless), 0);
  std::vector<double> pair(static_cast<std::size_t>(2 * N));
  for (int k = 0; k < massless; ++k) {
    obeyInterruptRequest();
    int labels[2] = {0, 0};
    getTadpoleEquation(pair.data(), s.ActiveEquations[static_cast<std::size_t>(k)], labels);
    std::copy(pair.begin(), pair.begin() + N, equationRow(&ED, 2 * k));
    std::copy(pair.begin() + N, pair.end(), equationRow(&ED, 2 * k + 1));
    s.rowLabels[static_cast<std::size_t>(2 * k)] = labels[0];
    s.rowLabels[static_cast<std::size_t>(2 * k + 1)] = labels[1];
  }
  s.trace_fcn("Number of nontrivial tadpole conditions: %d", ED.neq);
  obeyInterruptRequest();
  int r = getIndependentEquations(&ED, nullptr);
  if (r == -1) return -1;
  if (r == 1)
    s.trace_fcn("Independent equations are completely integer");
  else if (verbose() >= 1)
    Alert("computeTadpoleEquations", 0, 100201, "Independent equations are not completely integer");
  s.trace_fcn("Equations analyzed; %d independent eqns (out of %d) for %d variables", ED.nind,
              ED.neq, N - 1);
  obeyInterruptRequest();
  s.haveEquations = true;
  if (initTadpoleBounds() == -1) {
    s.haveEquations = false;
    return -1;
  }
  initTadpoleKernel();
  getKernelDependentBounds();
  s.equationKey = {QueryBulkInvariant(), QueryOrientifold(), s.BoundarySelectionCounter};
  ++s.TadpoleEquationCounter;
  initLine("##init: getTadpoleEquations finished normally\n");
  return 0;
}

int getTadpoleEquations() {
  int r = computeTadpoleEquations(0);
  if (r < 0) return r;
  int removeId = value(state().settings.removeId, 2);
  if (removeId == 0) return 0;
  if (removeId == 1 || removeId == 2) return RemoveIdenticalBoundaries(removeId == 2 ? 1 : 0);
  Alert("getTadpoleEquations", 0, 100302, "Invalid value for \"tadpole remove_identical");
  return kUnavailable;
}

int RemoveIdenticalBoundaries(int ignoreGroupType) {
  TadpoleState& s = state();
  EquationData& ED = equations();
  const int n = s.loopVariables;
  std::vector<int> identification(static_cast<std::size_t>(n));
  for (int v = 0; v < n; ++v) identification[static_cast<std::size_t>(v)] = v;
  const double* rows = independentRows();
  // The boundaries are read first: deactivation changes nothing in the map until rebuilt.
  std::vector<int> boundaryOf(s.LoopToCP.begin(), s.LoopToCP.begin() + n);
  int count = 0;
  for (int i = 0; i < n; ++i) {
    if (identification[static_cast<std::size_t>(i)] != i) continue;
    for (int j = i + 1; j < n; ++j) {
      if (identification[static_cast<std::size_t>(j)] != j) continue;
      bool same = true;
      for (int e = 0; e < ED.nind && same; ++e) {
        const double* row = rows + static_cast<std::size_t>(e) * ED.N;
        if (ZeroCheck(row[i] - row[j]) == 0) same = false;
      }
      int bi = boundaryOf[static_cast<std::size_t>(i)];
      int bj = boundaryOf[static_cast<std::size_t>(j)];
      if (!same || (ignoreGroupType == 0 && groupType(bi) != groupType(bj))) continue;
      // A boundary that cannot be deactivated stays a variable of its own.
      if (setActBound(bj, 0, 9) == 0 || bj >= static_cast<int>(s.IdentifiedWith.size())) continue;
      identification[static_cast<std::size_t>(j)] = i;
      s.IdentifiedWith[static_cast<std::size_t>(bj)] = bi;
      s.IdentifiedWith[static_cast<std::size_t>(conjugate(bj))] = bi;
      ++count;
    }
  }
  if (count == 0)
    s.trace_fcn("No identical boundaries; re-computing tadpole equations");
  else if (count == 1)
    s.trace_fcn("Removed one identical boundary; re-computing tadpole equations");
  else
    s.trace_fcn("Removed %d identical boundaries; re-computing tadpole equations", count);
  int r = computeTadpoleEquations(1);
  return r < 0 ? r : 0;
}

int initTadpoleBounds() {
  initLine("##init: initTadpoleBounds request\n");
  initLine("##init: initTadpoleBounds started\n");
  if (initTadpole() == 0) return -1;
  EquationData& ED = equations();
  const int N = ED.N;
  for (int v = 0; v < N - 1; ++v) {
    ED.minima[v] = 0;
    ED.maxima[v] = 1000000;
  }
  ED.minima[N - 1] = ED.maxima[N - 1] = 1;
  if (AnalyseBounds(&ED, ED.minima, ED.maxima) == -1) return -1;
  ED.exclusion = 0;
  std::copy(ED.minima, ED.minima + N, ED.savedMinima);
  std::copy(ED.maxima, ED.maxima + N, ED.savedMaxima);
  return 0;
}

int initTadpoleKernel() {
  initLine("##init: initTadpoleKernel request\n");
  initLine("##init: initTadpoleKernel started\n");
  initKernelData(&kernel(), &equations());
  state().singleTagCounter = kInitialKey;
  return 0;
}

void getKernelDependentBounds() {
  initLine("##init: Kernel dependent bounds computed\n");
  EquationData& ED = equations();
  std::copy(ED.minima, ED.minima + ED.N, ED.savedMinima);
  std::copy(ED.maxima, ED.maxima + ED.N, ED.savedMaxima);
  FixBoundsUsingKernel(&kernel(), ED.savedMinima, ED.savedMaxima);
}

int trivialBoundCheck() {
  EquationData& ED = equations();
  if (ED.N < 2) return 1;
  for (int v = 0; v < ED.N - 1; ++v)
    if (ED.minima[v] != ED.maxima[v]) return 0;
  return 1;
}

int ImproveTadpoleBounds(int limit, int maxiter) {
  EquationData& ED = equations();
  int info = verbose();
  if (info >= 2) Print("\nBOUND ANALYSIS\n");
  if (trivialBoundCheck() == 0) {
    int r = ImproveBounds(&ED, ED.minima, ED.maxima, limit, maxiter, info);
    if (info >= 1) {
      PrintBounds(ED.N - 1, ED.minima, ED.maxima, info);
      Print("\n");
    }
    getKernelDependentBounds();
    return r;
  }
  if (info >= 1) Print("Upper bounds equal lower bounds; bound analysis skipped\n");
  if (satisfiesIndependent(ED.minima) == 0) return -1;
  if (info >= 1) Print("Equations satisfied; going to loops\n");
  return -4;
}

int getSingleTagKernel(int maxloop) {
  TadpoleState& s = state();
  EquationData& ED = equations();
  KernelData& KD = kernel();
  int info = verbose();
  initLine("##init: Single Tag Kernel computation request\n");
  if (s.singleTagCounter == s.TadpoleEquationCounter && s.singleTagLoop == maxloop) return 0;
  initLine("##init: Single Tag Kernel computation started\n");
  if (info >= 1) {
    Print("\nSINGLE TAG KERNEL ANALYSIS\n");
    Print("Maximal number of kernel vectors: %d\n", KD.capacity);
  }
  if (trivialBoundCheck() != 0) {
    if (info >= 1) Print("Upper bounds equal lower bounds; kernel determination skipped\n");
    if (satisfiesIndependent(ED.minima) == 0) return -1;
    if (info >= 1) Print("Equations satisfied; going to loops\n");
    return -3;
  }
  int before = KD.count;
  auto step = [&](const char* header, const char* traceText) {
    if (info >= 1) Print("Found: %d\n", KD.count - before);
    s.trace_fcn(traceText, KD.count);
    before = KD.count;
    (void)header;
  };
  printProgressHeader(info, "Starting kernel doublet search");
  KernelDoublets(&KD, &ED, ED.minima, ED.maxima, info);
  step("", "Kernel doublet analysis finished; %d vectors");
  printProgressHeader(info, "Starting kernel triplet search");
  KernelTriplets(&KD, &ED, ED.minima, ED.maxima, info);
  step("", "Kernel triplet analysis finished; %d vectors");
  int r = 0;
  if (ED.N < 401) {
    printProgressHeader(info, "Starting kernel quadruplet search");
    KernelQuadruplets(&KD, &ED, ED.minima, ED.maxima, info);
    step("", "Kernel quadruplet analysis finished; %d vectors");
    printProgressHeader(info, "Starting single tag loop search");
    r = SolveHomogeneous(&KD, &ED, ED.minima, ED.maxima, info, maxloop);
    if (info >= 1) Print("Found: %d\n", KD.count - before);
    s.trace_fcn("Kernel loop analysis finished; %d vectors", KD.count);
  } else {
    s.trace_fcn("Kernel quadruplet search and loop search skipped; too many variables");
  }
  if (info >= 1) {
    if (KD.count > 0) Print("Single tag kernel vectors\n");
    printKernel(&KD, ED.N, 0, KD.count);
    Print("\n");
  }
  s.singleTagCounter = s.TadpoleEquationCounter;
  s.singleTagLoop = maxloop;
  getKernelDependentBounds();
  return r;
}

int computeTadpoleKernel() {
  TadpoleState& s = state();
  EquationData& ED = equations();
  KernelData& KD = kernel();
  initLine("##init: Single Tag Kernel computation request\n");
  if (s.SingleTagKernelComputed == s.TadpoleEquationCounter) return 0;
  initLine("##init: Single Tag Kernel computation started\n");
  int info = verbose();
  int result = 0;
  KernelTriplets(&KD, &ED, ED.minima, ED.maxima, info);
  getKernelDependentBounds();
  s.trace_fcn("Kernel triplet analysis finished; %d vectors", KD.count);
  double L = OptimizedLoopLength(ED.N - 1, ED.savedMinima, ED.savedMaxima, &ED);
  if (L < 100000) {
    s.trace_fcn("Kernel analysis finished, short loops");
    result = -3;
  } else if (ED.N < 401) {
    KernelQuadruplets(&KD, &ED, ED.minima, ED.maxima, info);
    getKernelDependentBounds();
    s.trace_fcn("Kernel quadruplet analysis finished; %d vectors", KD.count);
    L = OptimizedLoopLength(ED.N - 1, ED.savedMinima, ED.savedMaxima, &ED);
    if (L < 100000) {
      s.trace_fcn("Kernel analysis finished (second try), short loops");
      result = -3;
    }
  } else {
    s.trace_fcn("Kernel quadruplet search skipped; too many variables");
  }
  s.SingleTagKernelComputed = s.TadpoleEquationCounter;
  s.trace_fcn("Number of Kernel vectors: %d", KD.count);
  return result;
}

void resetTadpoleKernel() {
  initLine("##init: resetting Tadpole Kernel\n");
  KernelData& KD = kernel();
  KD.count = 0;
  KD.nprimary = 0;
  KD.ndoubletag = 0;
  KD.npairs = 0;
  KD.nnew = 0;
  ++state().TadpoleEquationCounter;
}

void printTadpoleKernel() {
  if (getTadpoleEquations() == kUnavailable) {
    Print("Tadpole equations not available\n");
    return;
  }
  KernelData& KD = kernel();
  printKernel(&KD, equations().N, 0, KD.count);
}

int getMaxPar() {
  return kernel().capacity;
}

int getTadcols() {
  return state().haveEquations ? equations().N : 0;
}
int getNumberOfLoopVariables() {
  return getTadcols() - 1;
}

void printTadpoleEquations(int i) {
  if (getTadpoleEquations() == kUnavailable) {
    Print("Tadpole equations not available\n");
    return;
  }
  const TadpoleState& s = state();
  EquationData& ED = equations();
  if (i >= ED.neq) {
    Alert("printTadpoleEquations", 0, 100302, "Equation %d out of range (%d equations)", i, ED.neq);
    return;
  }
  int first = i < 0 ? 0 : i;
  int last = i < 0 ? ED.neq : i + 1;
  PrintStdout("Tadpole equations: min %d, max %d\n", first, last);
  auto printRow = [&](const double* row) {
    for (int j = 0; j < ED.N; ++j) {
      PrintStdout("%7.3f ", row[j]);
      if (j % 10 == 9 || j == ED.N - 1) PrintStdout("\n");
    }
  };
  for (int r = first; r < last; ++r) {
    PrintStdout("Eqn %3d (from massless ishibashi label %3d) \n", r,
                s.rowLabels[static_cast<std::size_t>(r)]);
    printRow(equationRow(&ED, r));
  }
  if (i == -1 && ED.nind > 0) {
    PrintStdout("Independent equations:\n");
    for (int r = 0; r < ED.nind; ++r) {
      PrintStdout("Eqn %d\n", r);
      printRow(equationRow(&ED, ED.neq + r));
    }
  }
}

void printTadpoleSummary() {
  TadpoleState& s = state();
  int* removeId = s.settings.removeId;
  int saved = value(removeId, 2);
  int savedPrinted = s.criteriaPrinted;
  if (removeId != nullptr) *removeId = 0;
  s.criteriaPrinted = 1;
  int r = getTadpoleEquations();
  if (removeId != nullptr) *removeId = saved;
  s.criteriaPrinted = savedPrinted;
  s.criteriaPrinted = 0;
  if (r == kUnavailable) {
    Print("Tadpole equations not available\n");
    return;
  }
  ++s.BoundarySelectionCounter;
  EquationData& ED = equations();
  Print("Number of tadpole variables: %d\n", ED.N - 1);
  Print("Number of tadpole equations: %d\n", ED.neq);
  Print("Independent equations: %d\n", ED.nind);
}

void printTadpoleBounds() {
  if (getTadpoleEquations() == kUnavailable) {
    Print("Tadpole equations not available\n");
    return;
  }
  EquationData& ED = equations();
  Print("True bounds: \n");
  printBoxAndLength(ED.N, ED.minima, ED.maxima);
  Print("Loop length (using equations): %s\n",
        loopLengthText(OptimizedLoopLength(ED.N - 1, ED.minima, ED.maxima, &ED), 6).c_str());
  Print("Bounds (Using kernel): \n");
  printBoxAndLength(ED.N, ED.savedMinima, ED.savedMaxima);
  const double withKernel = OptimizedLoopLength(ED.N - 1, ED.savedMinima, ED.savedMaxima, &ED);
  Print("Loop length (using equations and kernel): %s\n", loopLengthText(withKernel, 6).c_str());
}

void PrintLoopLength() {
  EquationData& ED = equations();
  if (!state().haveEquations) return;
  Print("Loop length (using equations): %s\n",
        loopLengthText(OptimizedLoopLength(ED.N - 1, ED.minima, ED.maxima, &ED), 6).c_str());
}

int CheckTadpoleEquations(int x[]) {
  TadpoleState& s = state();
  if (!s.haveEquations) {
    Print("Tadpole equations not available\n");
    return 0;
  }
  EquationData& ED = equations();
  if (satisfiesIndependent(x) == 0) {
    bool failed = false;
    for (int r = 0; r < ED.neq; ++r) {
      if (CheckEquation(ED.Equations.data(), x, r, ED.N) != 0) continue;
      failed = true;
      int label = s.rowLabels[static_cast<std::size_t>(r)];
      if (UnphysicalTadpole(label) != 0)
        Alert("CheckTadpoleEquations", 0, 220302, "Uncancelled unphysical tadpole (eqn. %d)", r);
      else
        Print("Equation %d not satisfied\n", r);
    }
    // A failure of the independent rows alone (rounding) still fails.
    (void)failed;
    return 0;
  }
  if (verbose() >= 1) PrintStdout(" --- Tadpole equations satisfied");
  return 1;
}

int checkTadpoleSolution(int x[]) {
  int N = getTadcols();
  if (N < 1) {
    Print("Tadpole equations not available\n");
    return 0;
  }
  x[N - 1] = 1;
  return CheckTadpoleEquations(x);
}
