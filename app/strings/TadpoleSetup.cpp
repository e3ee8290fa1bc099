// Tadpole solver set-up: the settings and the search flags derived from them, the per-bulk
// tables that map boundaries to loop variables, the active-boundary table with its reasons
// and fixed multiplicities, the standard-model brane information and the lazy check that
// the current orientifold can be used.
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "boundaries/CrossBound.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"
#include "strings/OpenSpectrum.h"
#include "strings/StringTheory.h"
#include "strings/TadpoleInternal.h"

namespace tadpole {

namespace {

void defaultTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::unique_ptr<TadpoleState> freshState() {
  auto s = std::make_unique<TadpoleState>();
  s->trace_fcn = defaultTrace;
  return s;
}

std::unique_ptr<TadpoleState>& holder() {
  static std::unique_ptr<TadpoleState> s = freshState();
  return s;
}

void defaultTrace(const char* format, ...) {
  if (value(state().settings.trace, 0) == 0) return;
  std::string text = format;
  if (!text.empty() && text[0] == '\n') {
    PrintStdout("\n");
    text.erase(0, 1);
  }
  va_list args;
  va_start(args, format);
  std::string body = vformatText(text.c_str(), args);
  va_end(args);
  PrintStdout("TADPOLE SOLUTION TRACE: %s\n", body.c_str());
}

void deriveFlags() {
  TadpoleState& s = state();
  int v = value(s.settings.completeness, 2);
  if (v < 0 || v > 4) return;
  s.SingleSolution = (9 >> v) & 1;
  s.SimplestOnly = (7 >> v) & 1;
  s.OnePerSet = (11 >> v) & 1;
  s.FullSol = v == 4 ? 1 : 0;
}

Settings bindSettings() {
  Settings p;
  p.verbose = getIntParPointer("Tadpole info_level");
  p.showVariables = getIntParPointer("Tadpole show_variables");
  p.super = getIntParPointer("Super");
  p.autoSpectrum = getIntParPointer("Tadpole show_spectrum");
  p.detailedSpectrum = getIntParPointer("Tadpole detailed_spectrum");
  p.allowTachyons = getIntParPointer("Tadpole allow_tachyons");
  p.showSolution = getIntParPointer("Tadpole show_solution");
  p.checkSolution = getIntParPointer("Tadpole check_solution");
  p.debugInit = getIntParPointer("Init_debug");
  p.removeId = getIntParPointer("Tadpole remove_identical");
  p.ohAcceptance = getIntParPointer("Tadpole allow_OH_matter");
  p.unitaryOnly = getIntParPointer("Tadpole unitary_groups_only");
  p.symplecticOnly = getIntParPointer("Tadpole symplectic_groups_only");
  p.orthogonalOnly = getIntParPointer("Tadpole orthogonal_groups_only");
  p.realOnly = getIntParPointer("Tadpole real_groups_only");
  p.terminalInput = getIntParPointer("interactive");
  p.completeness = getIntParPointer("Tadpole completeness");
  p.maxIter = getIntParPointer("Tadpole max_iter");
  p.maxStack = getIntParPointer("Tadpole maxstack");
  p.trace = getIntParPointer("Tadpole trace");
  p.displayInput = getIntParPointer("Tadpole display input");
  return p;
}

}  // namespace

TadpoleState& state() {
  return *holder();
}

void initLine(const char* text) {
  if (debugInit() != 0) Inform("%s", text);
}

bool validBoundary(int b) {
  return b >= 0 && b < state().boundaries;
}

int conjugate(int b) {
  const TadpoleState& s = state();
  if (b < 0 || b >= static_cast<int>(s.AnnulusConjugates.size())) return b;
  int c = s.AnnulusConjugates[static_cast<std::size_t>(b)];
  return c >= 0 && c < s.boundaries ? c : b;
}

int groupType(int b) {
  const TadpoleState& s = state();
  if (b < 0 || b >= static_cast<int>(s.GroupTypes.size())) return 1;
  return s.GroupTypes[static_cast<std::size_t>(b)];
}

int maxStack() {
  return value(state().settings.maxStack, 4);
}

void abandonTadpoleWork() {
  TadpoleState& s = state();
  s.haveEquations = false;
  s.singleTagCounter = kInitialKey;
  s.SingleTagKernelComputed = kInitialKey;
  s.CPthreshold = -1;
}

}  // namespace tadpole

using namespace tadpole;

void initializeTadpole() {
  TadpoleState& s = state();
  s.settings = bindSettings();
  s.trace_fcn = defaultTrace;
  deriveFlags();
}

void resetTadpole() {
  Settings settings = state().settings;
  holder() = freshState();
  state().settings = settings;
  deriveFlags();
}

void resetTraceFunction() {
  state().trace_fcn = defaultTrace;
}
void setTraceFunction(TadpoleTraceHook fn) {
  state().trace_fcn = fn != nullptr ? fn : defaultTrace;
}

void tadpoleSearchParametersChanged() {
  if (debugInit() != 0) Inform("##init: tadpole search parameters changed\n");
  deriveFlags();
  state().criteriaPrinted = 0;
}

void setTadpoleCriteriaForFewBraneSearch() {
  TadpoleState& s = state();
  s.SimplestOnly = 0;
  s.SingleSolution = 0;
  s.FullSol = 0;
  if (s.settings.completeness != nullptr) *s.settings.completeness = 5;
  tadpoleSearchParametersChanged();
}

void BoundarySelectionChanged() {
  initLine("##init: Boundary selection changed\n");
  state().HiddenSector = 0;
  ++state().BoundarySelectionCounter;
}

void BoundarySelectionCriteriaChanged() {
  initLine("##init: Boundary selection criteria changed\n");
  TadpoleState& s = state();
  // Only tables of the current invariant are rebuilt; stale ones are rebuilt on next use.
  if (s.infoStamp != kInitialKey && s.infoStamp == QueryBulkInvariant()) initActiveBoundaries(-3);
  s.HiddenSector = 0;
  ++s.BoundarySelectionCounter;
  s.criteriaPrinted = 0;
}

int allocTadpoleInfo() {
  TadpoleState& s = state();
  int stamp = QueryBulkInvariant();
  getSearchData();
  int total = TotalBoundaries();
  if (total < 0) total = 0;
  if (s.infoStamp != stamp || s.boundaries != total) {
    std::size_t n = static_cast<std::size_t>(total);
    s.boundaries = total;
    s.CPToLoop.assign(n, -1);
    s.LoopToCP.assign(n, -1);
    s.SolutionGroupTypes.assign(n, 0);
    s.infoStamp = stamp;
  }
  return stamp;
}

int initActiveBoundaries(int mode) {
  TadpoleState& s = state();
  allocTadpoleInfo();
  std::size_t n = static_cast<std::size_t>(s.boundaries);
  s.ActBound.assign(n, 0);
  s.ActBoundReasonCode.assign(n, 0);
  s.FixVar.assign(n, -1);
  s.IdentifiedWith.resize(n);
  for (std::size_t b = 0; b < n; ++b) s.IdentifiedWith[b] = static_cast<int>(b);
  if (mode == -1) {
    s.FixVarCount = 0;
    s.ActBoundSet = 0;
    ++s.BoundarySelectionCounter;
  } else if (mode == -2 || mode == -3) {
    if (mode == -3) s.ActBound.assign(n, 1);
    s.FixVarCount = 0;
    s.ActBoundSet = 1;
    ++s.BoundarySelectionCounter;
    s.ActiveBoundaryStatus = QueryBulkInvariant();
  } else {
    s.ActiveBoundaryStatus = QueryBulkInvariant();
  }
  return 0;
}

namespace {
void refreshActiveTable() {
  TadpoleState& s = state();
  if (s.ActiveBoundaryStatus != QueryBulkInvariant() ||
      static_cast<int>(s.ActBound.size()) != s.boundaries)
    initActiveBoundaries(-3);
}
}  // namespace

int ActiveBoundaries(int b) {
  refreshActiveTable();
  TadpoleState& s = state();
  if (s.ActBoundSet == 0) return 1;
  if (!validBoundary(b)) return 0;
  return s.ActBound[static_cast<std::size_t>(b)];
}

int FixedVariables(int b) {
  refreshActiveTable();
  TadpoleState& s = state();
  if (s.ActBoundSet == 0 || !validBoundary(b)) return -1;
  return s.FixVar[static_cast<std::size_t>(b)];
}

int getFixedVariables() {
  return state().FixVarCount;
}

int setActBound(int b, int active, int reason) {
  if (initTadpole() == 0) return 0;
  refreshActiveTable();
  TadpoleState& s = state();
  if (!validBoundary(b)) return 0;
  // Without a selection every boundary counts as active; make that explicit first so that
  // the change takes effect.
  if (s.ActBoundSet == 0) initActiveBoundaries(-3);
  for (int x : {b, conjugate(b)}) {
    s.ActBound[static_cast<std::size_t>(x)] = active;
    s.ActBoundReasonCode[static_cast<std::size_t>(x)] = reason;
  }
  ++s.BoundarySelectionCounter;
  return 1;
}

int setFixVar(int b, int N) {
  TadpoleState& s = state();
  if (s.FixVarCount >= kFixedSlots) {
    Alert("setFixVar", 0, 112413, "Too many fixed variables (max=24)");
    return 0;
  }
  if (initTadpole() == 0) return 0;
  refreshActiveTable();
  if (!validBoundary(b)) return 0;
  if (s.ActBoundSet == 0) initActiveBoundaries(-3);
  if (s.FixVar[static_cast<std::size_t>(b)] != -1) return 1;
  s.FixVar[static_cast<std::size_t>(b)] = N;
  s.FixVar[static_cast<std::size_t>(conjugate(b))] = N;
  s.FixVarSet[static_cast<std::size_t>(s.FixVarCount++)] = b;
  setActBound(b, 0, 11);
  ++s.BoundarySelectionCounter;
  return 1;
}

int getGroupTypesAndConjugates() {
  TadpoleState& s = state();
  OrientifoldInfo* record = getCurrentOrientifold();
  if (record == nullptr) return 0;
  loadOrientifoldConjugates(record, 0);
  std::size_t n = static_cast<std::size_t>(s.boundaries);
  s.AnnulusConjugates.assign(n, -1);
  s.GroupTypes.assign(n, 1);
  bool zeroTension = ZeroCheck(record->tension) != 0;
  for (int b = 0; b < s.boundaries; ++b) {
    obeyInterruptRequest();
    s.AnnulusConjugates[static_cast<std::size_t>(b)] = orientifoldConjugate(record, b);
    int type = orientifoldGroupType(record, b);
    if (type == 2) zeroTension = true;
    s.GroupTypes[static_cast<std::size_t>(b)] = type;
  }
  if (zeroTension) {
    Print("Zero tension O-plane; No solution to tadpole equations\n");
    return 0;
  }
  return 1;
}

int getTadpoleFlip() {
  double re = 0, im = 0;
  getCurrentCrosscapCoefficient(0, 0, &re, &im);
  if (ZeroCheck(re) != 0) {
    if (verbose() >= 2) Alert("getTadpoleFlip", 0, 100201, "Vanishing total O-plane tension");
    return 0;
  }
  if (re < 0) {
    Alert("getTadpoleFlip", 1, 212404, "Positive O-plane tension %15.7f\n", re);
    return -1;
  }
  return 1;
}

int initTadpole() {
  TadpoleState& s = state();
  initLine("##init: initTadpole request\n");
  int bulk = QueryBulkInvariant();
  int orientifold = QueryOrientifold();
  if (bulk == s.initBulk && orientifold == s.initOrientifold && s.infoStamp == bulk) return 1;
  initLine("##init: initTadpole started\n");
  allocTadpoleInfo();
  if (isCrosscapAvailable() == 0) {
    Alert("initTadpole", 0, 100302, "Crosscaps not available");
    return 0;
  }
  if (isRefCoefAvailable() == 0) {
    Alert("initTadpole", 1, 100302, "Reflection coefficients not available");
    return 0;
  }
  if (CheckSpaceTime() == -1 &&
      Alert("initTadpole", 2, 652209, "Space-time inconsistent; continue anyway?") == 1)
    return 0;
  if (getGroupTypesAndConjugates() == 0) return 0;
  if (getTadpoleFlip() != 1) return 0;
  s.initBulk = bulk;
  s.initOrientifold = QueryOrientifold();
  return 1;
}

int setStandardModelBraneInfo(int n, const int labels[], const int mults[]) {
  TadpoleState& s = state();
  if (n > 4) {
    Alert("setStandardModelBraneInfo", 0, 100302, "Too many standard-model stacks (max=4): %d", n);
    return 0;
  }
  s.NumberOfSMBoundaries = n;
  for (int i = 0; i < n; ++i) {
    s.SMBoundaries[static_cast<std::size_t>(i)] = labels[i];
    s.SMMultiplicities[static_cast<std::size_t>(i)] = mults[i];
  }
  return 1;
}

void setModelDataPointer(StandardModel* model) {
  state().ModelDataPointer = model;
}

void printGroupTypes() {
  if (initTadpole() == 0) return;
  const TadpoleState& s = state();
  int n = s.boundaries;
  int width = n <= 99 ? 2 : n <= 999 ? 3 : n <= 9999 ? 4 : 7;
  for (int b = 0; b < n; ++b) {
    int type = groupType(b);
    const char* name = type == 0 ? "U(N)" : type == -1 ? "Sp(N)" : "SO(N)";
    Print("Label %*d       Group type %s\n", width, b, name);
  }
}

void browseCP() {
  if (initTadpole() == 0) return;
  printGroupTypes();
}

void printTadpoleCriteria() {
  TadpoleState& s = state();
  if (s.criteriaPrinted != 0) return;
  PrintSeparatorWithText('=', "");
  Print("Parameter settings for tadpole solution search (valid until re-stated)\n");
  PrintSeparatorWithText('.', "");
  if (s.SimplestOnly != 0) Print("-- Simplest solutions only (maximally %d stacks).\n", maxStack());
  int removeId = value(s.settings.removeId, 2);
  if (removeId == 2)
    Print(
        "-- Boundaries with identical tadpoles are identified, \n   even if they have different "
        "Chan-Paton "
        "group types (U,O,S).\n");
  else if (removeId == 1)
    Print("-- Identical boundaries are identified.\n");
  if (removeId >= 1)
    Print("   \"Identified\" implies that they are represented by a single variable.\n");
  else
    Print("-- No removal of identical boundaries.\n");
  Print(s.SingleSolution != 0 ? "-- Loops stopped after first solution.\n"
                              : "-- Loop search continued after first solution.\n");
  Print(s.FullSol != 0 ? "-- Print full, parametrized solution.\n"
                       : "-- Do not print parametrized solution.\n");
  Print("   (A parametrized solution has the form e.g. O(32-n-m) x O(n) x O(m))\n");
  if (value(s.settings.unitaryOnly, 0) != 0) Print("-- Only unitary CP groups are allowed.\n");
  if (value(s.settings.orthogonalOnly, 0) != 0)
    Print("-- Only orthogonal CP groups are allowed.\n");
  if (value(s.settings.symplecticOnly, 0) != 0)
    Print("-- Only symplectic CP groups are allowed.\n");
  if (value(s.settings.realOnly, 0) != 0) Print("-- Only real CP groups are allowed.\n");
  if (s.HiddenSector == 1) {
    int oh = value(s.settings.ohAcceptance, 3);
    if (oh == 0)
      Print("-- No Observable-Hidden matter allowed.\n");
    else if (oh == 1)
      Print("-- No chiral Observable-Hidden matter allowed.\n");
    else if (oh == 2)
      Print("-- No chiral Observable-Hidden matter allowed\nfor complex observable branes.\n");
    else
      Print("-- Unrestricted tadpole solution search (allowing chiral OH-matter).\n");
  }
  Print(s.OnePerSet != 0 ? "-- At most one solution accepted per choice of brane labels\n"
                         : "-- Multiple solutions accepted per choice of brane labels\n");
  PrintSeparatorWithText('=', "");
  Print("\n\n\n");
  s.criteriaPrinted = 1;
}
