// Tadpole solutions: the two forms of a brane configuration (loop variables; Chan-Paton
// multiplicity per boundary label), the solution record of a candidate, the hooks run on
// it, the printed solution and the parametrised solution, and the checks of
// configurations typed by the user.
//
// A symplectic variable counts pairs (multiplicity = 2 x value); a unitary variable is the
// multiplicity of both boundaries of its pair; a fixed boundary's value is its full
// multiplicity.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "boundaries/CrossBound.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "strings/OpenSpectrum.h"
#include "strings/StringTheory.h"
#include "strings/TadpoleInternal.h"

using namespace tadpole;

namespace {

// Sign of kernel vector k's coefficients in the parametrised solution: the primary and
// double-tag vectors carry -1 at their tags.
int kernelSign(const KernelData* KD, int k) {
  return k < KD->nprimary + KD->ndoubletag ? -1 : 1;
}

// A boundary and its conjugate carry one multiplicity: a zero takes the other's value. False
// with *conflict the first boundary whose pair has two different non-zero multiplicities.
bool equaliseConjugateMultiplicities(int cp[], int boundaries, int* conflict) {
  for (int b = 0; b < boundaries; ++b) {
    const int c = conjugate(b);
    if (c <= b || cp[b] == cp[c]) continue;
    if (cp[b] == 0) {
      cp[b] = cp[c];
    } else if (cp[c] == 0) {
      cp[c] = cp[b];
    } else {
      *conflict = b;
      return false;
    }
  }
  return true;
}

}  // namespace

int dummy_analysis_fcn(ChanPatonData*) {
  return 1;
}

void setAnalysisFunction(TadpoleSolutionHook fn) {
  state().analysis_fcn = fn != nullptr ? fn : dummy_analysis_fcn;
}
void setCheckSolutionFunction(TadpoleSolutionHook fn) {
  state().sol_check = fn != nullptr ? fn : dummy_analysis_fcn;
}
void setSolutionHeaderFunction(TadpoleSolutionHook fn) {
  state().sol_header = fn != nullptr ? fn : dummy_analysis_fcn;
}
void resetAnalysisFunction() {
  TadpoleState& s = state();
  s.analysis_fcn = s.sol_check = s.sol_header = dummy_analysis_fcn;
}

std::string BraneLabelString(int b) {
  int c = conjugate(b);
  std::string inner = c == b ? formatText("%-4d", b) : formatText("(%d,%d)", b, c);
  return formatText("%20s", inner.c_str());
}

std::string getBoundaryInfoString(int b) {
  int c = conjugate(b);
  std::string inner = c == b ? formatText("(%d)", b) : formatText("(%d,%d)", b, c);
  int room = 15 - static_cast<int>(inner.size());
  int before = std::max(1, room / 2);
  int after = std::max(0, room - before);
  return " --> " + std::string(static_cast<std::size_t>(before), ' ') + inner +
         std::string(static_cast<std::size_t>(after), ' ') + " --> ";
}

void LoopsToCPLabels(const int x[], int cp[]) {
  TadpoleState& s = state();
  std::fill(cp, cp + s.boundaries, 0);
  for (int v = 0; v < s.loopVariables; ++v) {
    int b = s.LoopToCP[static_cast<std::size_t>(v)];
    if (!validBoundary(b)) continue;
    int type = s.SolutionGroupTypes[static_cast<std::size_t>(v)];
    if (type == 0) {
      cp[b] += x[v];
      if (conjugate(b) != b) cp[conjugate(b)] = cp[b];
    } else if (type == -1) {
      cp[b] += 2 * x[v];
    } else {
      cp[b] += x[v];
    }
  }
  if (s.NumberOfSMBoundaries == -1) {
    for (int i = 0; i < s.FixVarCount; ++i) {
      int b = s.FixVarSet[static_cast<std::size_t>(i)];
      cp[b] += FixedVariables(b);
      if (conjugate(b) != b) cp[conjugate(b)] += FixedVariables(conjugate(b));
    }
  } else if (s.NumberOfSMBoundaries >= 1) {
    for (int i = 0; i < s.NumberOfSMBoundaries; ++i) {
      int b = s.SMBoundaries[static_cast<std::size_t>(i)];
      if (!validBoundary(b)) continue;
      cp[b] += s.SMMultiplicities[static_cast<std::size_t>(i)];
      if (conjugate(b) != b) cp[conjugate(b)] += s.SMMultiplicities[static_cast<std::size_t>(i)];
    }
  }
}

ChanPatonData* computeChanPatonData(int x[]) {
  TadpoleState& s = state();
  ChanPatonData& cpd = s.cpd;
  cpd.boundaries = s.boundaries;
  cpd.multiplicity.assign(static_cast<std::size_t>(s.boundaries), 0);
  LoopsToCPLabels(x, cpd.multiplicity.data());
  cpd.orientifold = getCurrentOrientifold();
  int fixedStacks =
      s.NumberOfSMBoundaries != -1 ? std::max(0, s.NumberOfSMBoundaries) : s.FixVarCount;
  cpd.observableStacks = fixedStacks;
  cpd.stackLabel.clear();
  cpd.stackType.clear();
  cpd.stackMultiplicity.clear();
  for (int i = 0; i < fixedStacks; ++i) {
    bool sm = s.NumberOfSMBoundaries != -1;
    int label =
        sm ? s.SMBoundaries[static_cast<std::size_t>(i)] : s.FixVarSet[static_cast<std::size_t>(i)];
    cpd.stackLabel.push_back(label);
    cpd.stackType.push_back(groupType(label));
    cpd.stackMultiplicity.push_back(sm ? s.SMMultiplicities[static_cast<std::size_t>(i)]
                                       : FixedVariables(label));
  }
  for (int v = 0; v < s.loopVariables; ++v) {
    int b = s.LoopToCP[static_cast<std::size_t>(v)];
    if (x[v] < 1 || !validBoundary(b)) continue;
    cpd.stackLabel.push_back(b);
    cpd.stackType.push_back(groupType(b));
    cpd.stackMultiplicity.push_back(cpd.multiplicity[static_cast<std::size_t>(b)]);
  }
  cpd.stacks = static_cast<int>(cpd.stackLabel.size());
  cpd.distinctBrane.assign(static_cast<std::size_t>(s.boundaries), -1);
  int next = 0;
  for (int b = 0; b < s.boundaries; ++b) {
    if (cpd.multiplicity[static_cast<std::size_t>(b)] == 0 ||
        cpd.distinctBrane[static_cast<std::size_t>(b)] != -1)
      continue;
    cpd.distinctBrane[static_cast<std::size_t>(b)] = next;
    int c = conjugate(b);
    if (c > b) cpd.distinctBrane[static_cast<std::size_t>(c)] = next;
    ++next;
  }
  cpd.model = s.ModelDataPointer;
  return &cpd;
}

int TadpoleSolutionAnalysis(int x[]) {
  TadpoleState& s = state();
  if (x == nullptr) {
    s.LocalCounter = 0;
    return 0;
  }
  EquationData& ED = equations();
  const int N = ED.N;
  int nb = 0;
  for (int v = 0; v < N - 1; ++v)
    if (x[v] != 0) ++nb;
  if (s.CPthreshold == -1)
    s.trace_fcn("New solution with %d branes.", nb);
  else
    s.trace_fcn("New solution with %d branes, minimum allowed %d", nb, s.CPthreshold);
  if (nb <= s.CPthreshold) {
    s.trace_fcn("already known solution (%d,%d)", nb, s.CPthreshold);
    s.trace_fcn("rejected (this solution must have appeared already as a subset)");
    return 0;
  }
  if (nb > maxStack()) Print("New solution with %d branes, maximum allowed %d\n", nb, maxStack());
  int check = value(s.settings.checkSolution, 0);
  int show = value(s.settings.showSolution, 0);
  const bool detailed = value(s.settings.detailedSpectrum, 0) != 0;
  const bool spectrum = value(s.settings.autoSpectrum, 0) != 0;
  // A block with nothing in it but its banner tells nothing and, for searches with
  // millions of solutions, costs most of their time: such a solution is only counted, and
  // the command's verdict says how to list them.
  const bool listed = show != 0 || detailed || spectrum || s.analysis_fcn != dummy_analysis_fcn;
  const bool separators = listed && (check != 0 || show != 0) && verbose() >= 1;
  if (separators) PrintSeparatorWithText('-', "");
  if (check != 0) {
    x[N - 1] = 1;
    if (CheckTadpoleEquations(x) == 0) {
      Alert("TadpoleSolutionAnalysis", 0, 212404,
            "Candidate solution does not satisfy the equations\n");
      return 0;
    }
  }
  ChanPatonData* record = computeChanPatonData(x);
  s.sol_header(record);
  int answer = s.sol_check(record);
  if (answer == 0) {
    s.trace_fcn("Solution rejected by analysis function\n");
    return 0;
  }
  // A negative answer stops the search; the candidate is not a solution.
  if (answer < 0) return answer;
  if (!listed) {
    ++s.unlistedSolutions;
    ++s.LocalCounter;
    ++s.GlobalCounter;
    return answer;
  }
  PrintBannerWithText('#', "\n     Solution nr. %d    (nr. %d during this run)     ",
                      s.LocalCounter, s.GlobalCounter);
  Print("\n");
  if (show != 0) {
    if (verbose() >= 1) printKernelVector(N - 1, x, " --- Solution (in variable basis):      ");
    Print("\n          Brane labels   CP group         Coupling          \n");
    for (int i = 0; i < record->stacks; ++i) {
      int label = record->stackLabel[static_cast<std::size_t>(i)];
      double re = 0, im = 0;
      getCurrentReflectionCoefficient(0, label, &re, &im);
      Print(" %20s      %s     %15.7f\n", BraneLabelString(label).c_str(),
            chanPatonGroupName(record->stackType[static_cast<std::size_t>(i)],
                               record->stackMultiplicity[static_cast<std::size_t>(i)])
                .c_str(),
            re);
    }
    Print("\n");
  }
  if (separators) PrintSeparatorWithText('-', "");
  if (detailed)
    GenericSpectrumAnalysis(record, 3);
  else if (spectrum)
    GenericSpectrumAnalysis(record, s.LocalCounter < 2 ? 0 : 1);
  s.analysis_fcn(record);
  Print("\n\n");
  std::string end = formatText("End of analysis for solution %d (nr. %d during this run)",
                               s.LocalCounter, s.GlobalCounter);
  PrintSeparatorWithText('#', end.c_str());
  Print("\n\n");
  ++s.LocalCounter;
  ++s.GlobalCounter;
  return answer;
}

long long getAcceptedTadpoleSolutions() {
  return state().GlobalCounter;
}

long long getUnlistedTadpoleSolutions() {
  return state().unlistedSolutions;
}

int* CPlabelsToLoops(int cp[], const int CPToLoop[], int N) {
  TadpoleState& s = state();
  s.loopOut.assign(static_cast<std::size_t>(std::max(N, 1)), 0);
  int* out = s.loopOut.data();
  for (int b = 0; b < s.boundaries; ++b) {
    int fixed = FixedVariables(b);
    int v = CPToLoop[b];
    bool active = v >= 0 && ActiveBoundaries(b) != 0;
    int c = conjugate(b);
    if (fixed != -1 && fixed != cp[b])
      Alert("CPlabelsToLoops", 0, 100302,
            "CP multiplicity %d for boundary %d does not equal fixed value %d", cp[b], b, fixed);
    if (!active && fixed == -1 && cp[b] != 0) {
      Alert("CPlabelsToLoops", 1, 100302, "Nonzero CP multiplicity %d for inactive boundary %d",
            cp[b], b);
      return nullptr;
    }
    if (active && b <= c) {
      out[v] = cp[b];
      if (cp[c] != cp[b]) {
        Alert("CPlabelsToLoops", 2, 100302,
              "Complex conjugate boundaries %d and %d have\ndifferent Chan-Paton multiplicities "
              "(%d,%d)",
              b, c, cp[b], cp[c]);
        return nullptr;
      }
    }
    if (active && groupType(b) == -1) {
      if (cp[b] % 2 == 0)
        out[v] = cp[b] / 2;
      else
        Alert("CPlabelsToLoops", 3, 100302, "Invalid Sp(odd) group");
    }
  }
  out[N - 1] = 1;
  return out;
}

int CheckCPMultiplicityConjugation(int cp[]) {
  if (initTadpole() == 0) return -3;
  TadpoleState& s = state();
  int b = 0;
  if (!equaliseConjugateMultiplicities(cp, s.boundaries, &b)) {
    Print("Unequal CP multiplicities for conjugate labels %d and %d\n", b, conjugate(b));
    return -4;
  }
  return 1;
}

int CheckCPlabels(int cp[]) {
  int r = getTadpoleEquations();
  if (r < 0) return r;
  TadpoleState& s = state();
  int* x = CPlabelsToLoops(cp, s.CPToLoop.data(), equations().N);
  if (x == nullptr) return kUnavailable;
  if (CheckTadpoleEquations(x) == 0) return 0;
  TadpoleSolutionAnalysis(x);
  return 1;
}

int CheckCPlabelsWithProbe(int cp[], int probe) {
  int r = getTadpoleEquations();
  if (r < 0) return r;
  TadpoleState& s = state();
  if (!validBoundary(probe)) return kUnavailable;
  int b = 0;
  if (!equaliseConjugateMultiplicities(cp, s.boundaries, &b)) {
    Alert("CheckCPlabelsWithProbe", 0, 100302,
          "Unequal CP multiplicities for conjugate labels %d and %d\n", b, conjugate(b));
    return 0;
  }
  const int N = equations().N;
  int* x = CPlabelsToLoops(cp, s.CPToLoop.data(), N);
  if (x == nullptr) return kUnavailable;
  if (CheckTadpoleEquations(x) == 0) return 0;
  cp[probe] = 999;
  cp[conjugate(probe)] = 999;
  PrintVec(s.boundaries, cp, "CP");
  // The probe is not part of the equations: only its stack is added to the loop vector.
  std::vector<int> loop(x, x + N);
  int v = s.CPToLoop[static_cast<std::size_t>(probe)];
  if (v >= 0 && v < N - 1)
    loop[static_cast<std::size_t>(v)] = groupType(probe) == -1 ? 999 / 2 : 999;
  PrintVec(N, loop.data(), "LoopOut");
  TadpoleSolutionAnalysis(loop.data());
  return 1;
}

int checkTadpoleParameters(const int params[]) {
  int r = getTadpoleEquations();
  if (r < 0) return r;
  EquationData& ED = equations();
  KernelData& KD = kernel();
  const int N = ED.N;
  std::vector<int> sol(static_cast<std::size_t>(N), 0);
  if (KD.reference != nullptr) std::copy(KD.reference, KD.reference + N - 1, sol.begin());
  for (int k = 0; k < KD.capacity && k < KD.count; ++k) {
    int p = params[k];
    if (p == 0) continue;
    const int* vec = kernelRow(&KD, k);
    int sign = kernelSign(&KD, k);
    for (int j = 0; j < N - 1; ++j) sol[static_cast<std::size_t>(j)] += sign * p * vec[j];
  }
  sol[static_cast<std::size_t>(N - 1)] = 1;
  return checkTadpoleSolution(sol.data());
}

void PrintRank(KernelData* KD, int N, const int x[]) {
  TadpoleState& s = state();
  int rank = 0;
  for (int v = 0; v < N - 1; ++v) {
    if (x[v] == 0) continue;
    int type = s.SolutionGroupTypes[static_cast<std::size_t>(v)];
    rank += type == -1 ? x[v] : type == 0 ? 2 * x[v] : x[v] / 2;
  }
  Print("Rank (for even parameter values):%d\n", rank);
  int terms = 1;
  for (int k = 0; k < KD->count; ++k) {
    if (isRelevant(KD, k) == 0) continue;
    const int* vec = kernelRow(KD, k);
    int sign = kernelSign(KD, k);
    int t = 0;
    for (int v = 0; v < N - 1; ++v) {
      int type = s.SolutionGroupTypes[static_cast<std::size_t>(v)];
      t += sign * vec[v] * (type == -1 ? 2 : type == 0 ? 4 : 1);
    }
    if (t == 0) continue;
    if (t == -2)
      Print("-N_%d", k);
    else if (t == -1)
      Print("-(1/2)N_%d", k);
    else if (t == 1)
      Print("+(1/2)N_%d", k);
    else if (t == 2)
      Print("+N_%d", k);
    else if (t % 2 != 0)
      Print(t < 0 ? "-(%d/2)N_%d" : "+(%d/2)N_%d", std::abs(t), k);
    else
      Print(t < 0 ? "-%dN_%d" : "+%dN_%d", std::abs(t) / 2, k);
    ++terms;
    if (terms % 8 == 0) {
      Print("|%d|\n", terms);
      ++terms;
    }
  }
  Print("\n");
}

void printParametrizedSolution(KernelData* KD, int N, const int x[]) {
  TadpoleState& s = state();
  if (s.SimplestOnly != 0) {
    PrintStdout("Invalid call to printParametrizedSolution; please fix");
    return;
  }
  if (N < 2 || x == nullptr) return;
  bool zero = true;
  for (int v = 0; v < N - 1; ++v)
    if (x[v] != 0) zero = false;
  if (zero) return;
  Print("\nSolution (Notation: Variable nr. --> Boundary (pair) --> CP group factor)\n");
  bool breaking = false;
  for (int i = 0; i < s.FixVarCount; ++i) {
    int b = s.FixVarSet[static_cast<std::size_t>(i)];
    char mark = SymBsymB(b);
    if (mark == '*') breaking = true;
    int type = groupType(b);
    const char* format = type == -1  ? "%2c%c%sSp(%d) [fixed]\n"
                         : type == 0 ? "%2c%c%sU(%d) [fixed]\n"
                                     : "%2c%c%sSO(%d) [fixed]\n";
    Print(format, 'a' + i, mark, getBoundaryInfoString(b).c_str(), FixedVariables(b));
  }
  int factors = 0, parameters = 0;
  for (int k = 0; k < KD->count; ++k)
    if (isRelevant(KD, k) != 0) ++parameters;
  for (int v = 0; v < N - 1; ++v) {
    int b = s.LoopToCP[static_cast<std::size_t>(v)];
    int type = s.SolutionGroupTypes[static_cast<std::size_t>(v)];
    char mark = SymBsymB(b);
    std::string info = getBoundaryInfoString(b);
    const char* name = type == 0 ? "U" : type == -1 ? "Sp" : "SO";
    int scale = type == -1 ? 2 : 1;
    bool open = false;
    int column = 0;
    if (x[v] != 0) {
      if (mark == '*') breaking = true;
      Print("%2d%c%s%s(%d", v, mark, info.c_str(), name, scale * x[v]);
      open = true;
      column = 6;
    }
    for (int k = 0; k < KD->count; ++k) {
      if (isRelevant(KD, k) == 0) continue;
      int c = kernelSign(KD, k) * kernelRow(KD, k)[v] * scale;
      if (c == 0) continue;
      if (column > 60) {
        Print("\n%32s", "");
        column = 1;
      }
      if (!open) {
        if (mark == '*') breaking = true;
        Print("%2d%c%s%s", v, mark, info.c_str(), name);
        if (c == -1)
          Print("(-N_%d", k);
        else if (c == 1)
          Print("(N_%d", k);
        else
          Print("(%dN_%d", c, k);
        open = true;
        column = 8;
      } else {
        if (c == -1)
          Print("-N_%d", k);
        else if (c == 1)
          Print("+N_%d", k);
        else if (c > 0)
          Print("+%dN_%d", c, k);
        else
          Print("%dN_%d", c, k);
        column += 6;
      }
    }
    if (open) {
      Print(")\n");
      ++factors;
    }
  }
  if (breaking) Print("* indicates bulk symmetry breaking boundaries\n");
  Print("\nNumber of factors:    %d (out of %d) \n", factors, N - 1);
  Print("Number of parameters: %d (out of %d) \n", parameters, KD->capacity);
  PrintRank(KD, N, x);
  if (value(s.settings.super, 0) != 0) {
    std::vector<int> copy(x, x + N);
    ChanPatonData* record = computeChanPatonData(copy.data());
    Print("\n\nSpectrum of basic solution\n\n");
    GeneralOpenSectorAnalysis(record);
    Print("\n\nEnd of solution summary\n\n");
    PrintSeparatorWithText('^', "");
  }
}

int OrthogonalGroupCheck(const int cp[]) {
  const TadpoleState& s = state();
  for (int b = 0; b < s.boundaries; ++b)
    if (groupType(b) == 1 && cp[b] >= 1 && cp[b] <= 3) return -2;
  return 0;
}
