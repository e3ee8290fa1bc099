// Handlers of the orientifold commands: the annulus, Moebius-strip and Klein-bottle
// coefficients with their checks, the orientifold list with its selection and
// identification, boundary conjugates, the Klein-bottle search of an exceptional invariant
// and the counts of orientifolds. The boundary data come from the boundaries layer; the
// boundary mode's pre-command hooks have built them before a handler runs.
#include <climits>
#include <cstdlib>
#include <vector>

#include "boundaries/CrossBound.h"
#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "store/CurrentTheory.h"

namespace {

BulkInvariant* bulk() {
  BulkInvariant** slot = getCurrentBulk();
  return slot != nullptr ? *slot : nullptr;
}

int primaries() {
  return TotalPrimaries != nullptr ? *TotalPrimaries : 0;
}

bool symmetricBulk() {
  BulkInvariant* bi = bulk();
  return bi != nullptr && bi->symmetric;
}

int refused(const char* routine, int position, const char* message) {
  Alert(routine, position, 100302, "%s", message);
  return 1;
}

// The optional maximum number of messages; unlimited when not given.
int maximumErrors(char** params, int n) {
  return n >= 1 ? intParameter(params, 0) : INT_MAX;
}

bool checkCoefficientsAvailable(const char* routine, bool reflection) {
  if (reflection && !isRefCoefAvailable()) {
    refused(routine, 0, "Reflection coefficients not available");
    return false;
  }
  if (!isCrosscapAvailable()) {
    refused(routine, 1, "Crosscap coefficients not available");
    return false;
  }
  return true;
}

const char* widthFormat(int largest, int limit) {
  if (largest < 10) return "%2d";
  return largest <= limit ? "%3d" : "%4d";
}

// ---------------------------------------------------------------------------------------
// Coefficients

int COM_klein(char** params, int n) {
  if (!isCrosscapAvailable()) return refused("COM_klein", 0, "Crosscap coefficients not available");
  if (!symmetricBulk())
    Alert("COM_klein", 1, 112301, "Non-symmetric invariant; klein bottle coefficient not defined");
  if (n >= 1) {
    const int i = intParameter(params, 0);
    Print("K(%d)=%d\n", i, getKleinBottle(i));
    return -n;
  }
  const int N = primaries();
  Print("K = (");
  for (int i = 0; i < N; ++i) Print(i + 1 < N ? "%2d," : "%2d)\n", getKleinBottle(i));
  if (N == 0) Print(")\n");
  return -n;
}

void printMoebiusVector(int i, int total) {
  std::vector<int> M(static_cast<size_t>(total));
  int largest = 0;
  for (int a = 0; a < total; ++a) {
    M[static_cast<size_t>(a)] = getMoebius(i, a);
    largest = std::max(largest, std::abs(M[static_cast<size_t>(a)]));
  }
  const char* format = largest < 10 ? "%2d" : largest < 100 ? "%3d" : "%4d";
  Print("M^%d =      ", i);
  for (int value : M) Print(format, value);
  Print("\n");
}

int COM_moebius(char** params, int n) {
  if (!isRefCoefAvailable())
    return refused("COM_moebius", 0, "Reflection coefficients not available");
  if (!isCrosscapAvailable())
    return refused("COM_moebius", 1, "Crosscap coefficients not available");
  if (!symmetricBulk())
    Alert("COM_moebius", 2, 112301, "Non-symmetric invariant; Moebius amplitude not defined");
  const int total = TotalBoundaries();
  const int N = primaries();
  if (n <= 1 && total <= 30) {
    if (n == 0)
      for (int i = 0; i < N; ++i) printMoebiusVector(i, total);
    else
      printMoebiusVector(intParameter(params, 0), total);
    return -n;
  }
  const int i0 = n >= 1 ? intParameter(params, 0) : 0;
  const int i1 = n >= 1 ? i0 + 1 : N;
  const int a0 = n >= 2 ? intParameter(params, 1) : 0;
  const int a1 = n >= 2 ? a0 + 1 : total;
  for (int i = i0; i < i1; ++i)
    for (int a = a0; a < a1; ++a) {
      if (a == 0) Print("\n");
      Print("M(%d,%d)=%d\n", i, a, getMoebius(i, a));
    }
  return -n;
}

void printAnnulusMatrix(int i, int total) {
  std::vector<int> A(static_cast<size_t>(total * total));
  int largest = 0;
  for (int a = 0; a < total; ++a)
    for (int b = a; b < total; ++b) {
      const int value = getAnnulus(i, a, b);
      A[static_cast<size_t>(a * total + b)] = A[static_cast<size_t>(b * total + a)] = value;
      largest = std::max(largest, value);
    }
  const char* format = widthFormat(largest, 99);
  Print("A^%d = \n     ", i);
  for (int a = 0; a < total; ++a) {
    for (int b = 0; b < total; ++b) Print(format, A[static_cast<size_t>(a * total + b)]);
    Print(a + 1 < total ? "\n     " : "\n");
  }
  if (total == 0) Print("\n");
}

int COM_annulus(char** params, int n) {
  if (!isRefCoefAvailable())
    return refused("COM_annulus", 0, "Reflection coefficients not available");
  if (!symmetricBulk())
    Alert("COM_annulus", 1, 112301,
          "Non-symmetric invariant; oriented annulus not well-defined\nTry \"get NIMrep\" "
          "instead.");
  const int total = TotalBoundaries();
  const int N = primaries();
  if (n <= 1 && total <= 30) {
    if (n == 0)
      for (int i = 0; i < N; ++i) printAnnulusMatrix(i, total);
    else
      printAnnulusMatrix(intParameter(params, 0), total);
    return -n;
  }
  const int i0 = n >= 1 ? intParameter(params, 0) : 0;
  const int i1 = n >= 1 ? i0 + 1 : N;
  const int a0 = n >= 2 ? intParameter(params, 1) : 0;
  const int a1 = n >= 2 ? a0 + 1 : total;
  const int b0 = n >= 3 ? intParameter(params, 2) : 0;
  const int b1 = n >= 3 ? b0 + 1 : total;
  for (int i = i0; i < i1; ++i)
    for (int a = a0; a < a1; ++a)
      for (int b = b0; b < b1; ++b) {
        if (b == 0) Print("\n");
        const int value = getAnnulus(i, a, b);
        if (value != 0) Print("A(%d,%d,%d)=%d\n", i, a, b, value);
      }
  return -n;
}

int COM_classalg(char** params, int n) {
  const int i = intParameter(params, 0);
  const int j = intParameter(params, 1);
  const int k = intParameter(params, 2);
  Print("X(%d,%d,%d)=%3d   ", i, j, k, getClassifyingCoefficient(i, j, k));
  Print("N(%d,%d,%d)=%d\n", i, j, k, getFusionForClassifyingCoefficient(i, j, k));
  return -n;
}

int COM_ishi_metric(char** params, int n) {
  const int m0 = n >= 1 ? intParameter(params, 0) : 0;
  const int m1 = n >= 1 ? m0 + 1 : TotalIshibashi();
  for (int m = m0; m < m1; ++m) {
    int phase = 0, period = 0;
    getIshibashiMetric(m, &phase, &period);
    Print("phase(%d)=(%d/%d)\n", m, phase, period);
  }
  return -n;
}

// ---------------------------------------------------------------------------------------
// Checks

int COM_check_nimfus(char** params, int n) {
  if (!isRefCoefAvailable()) return refused("COM_check_nimfus", 0, "Boundaries not available");
  checkNIMfusion(intParameter(params, 0), intParameter(params, 1), intParameter(params, 2),
                 intParameter(params, 3));
  return -n;
}

int COM_check_nim_moebius(char** params, int n) {
  if (!checkCoefficientsAvailable("COM_check_nim_moebius", true)) return 1;
  checkUNIMMoebius(intParameter(params, 0), intParameter(params, 1), intParameter(params, 2));
  return -n;
}

int COM_check_nim_klein(char** params, int n) {
  if (!checkCoefficientsAvailable("COM_check_nim_klein", true)) return 1;
  checkUNIMKlein(intParameter(params, 0), intParameter(params, 1));
  return -n;
}

int COM_check_trace_formula(char**, int) {
  if (!checkCoefficientsAvailable("COM_check_trace_formula", true)) return 1;
  checkAnnulusTrace();
  return 0;
}

int COM_check_annulus(char** params, int n) {
  if (!isRefCoefAvailable()) return refused("COM_check_annulus", 0, "Boundaries not available");
  checkAnnulusOrbits(intParameter(params, 0), intParameter(params, 1), intParameter(params, 2));
  return -n;
}

int COM_check_closed(char** params, int n) {
  if (!isRefCoefAvailable()) return refused("COM_check_closed", 0, "Boundaries not available");
  if (!isCrosscapAvailable())
    return refused("COM_check_closed", 1, "Crosscap coefficients not available");
  if (checkClosed(maximumErrors(params, n)) == 0) Print("Closed sector OK\n");
  return -n;
}

// The verdict of the open-sector check: a stop by the user is no result.
void reportOpen(int result) {
  if (result == 0)
    Print("Open sector OK\n");
  else if (result < 0)
    Print("Open sector check interrupted\n");
}

int COM_check_open(char** params, int n) {
  if (!checkCoefficientsAvailable("COM_check_open", true)) return 1;
  reportOpen(checkOpen(maximumErrors(params, n)));
  return -n;
}

int COM_check_projection(char** params, int n) {
  if (!isRefCoefAvailable()) return refused("COM_check_projection", 0, "Boundaries not available");
  if (!isCrosscapAvailable())
    return refused("COM_check_projection", 1, "Crosscap coefficients not available");
  if (checkKleinBottleConstraint(maximumErrors(params, n)) == 0) Print("Klein bottle constraint OK\n");
  return -n;
}

int COM_check_full_open(char** params, int n) {
  if (!checkCoefficientsAvailable("COM_check_full_open", true)) return 1;
  const int maxerr = maximumErrors(params, n);
  const int closed = checkClosed(maxerr);
  const int open = checkOpen(maxerr);
  if (open < 0) {
    reportOpen(open);
    return -n;
  }
  const int klein = checkKleinBottleConstraint(maxerr);
  if (closed != 0) Print("**** Closed sector problems ****\n");
  if (open != 0) Print("**** Open sector problems ****\n");
  if (klein != 0) Print("**** Crosscap condition problems ****\n");
  if (closed == 0 && open == 0 && klein == 0)
    Print("Partition functions are integer; Klein bottle constraint is satisfied\n");
  return -n;
}

// ---------------------------------------------------------------------------------------
// Orientifolds

int COM_browse_boundary_conjugation(char** params, int n) {
  const int a = intParameter(params, 0);
  Print("Conj[%d]=%d\n", a, BoundaryConjugate(a));
  return -n;
}

int COM_browse_orientifold(char**, int) {
  showOrientationInfo(getCurrentOrientifold());
  return 0;
}

int COM_browse_orientifolds(char**, int) {
  loadOrientifolds();
  printOrientifoldList();
  return 0;
}

int COM_identify_orientifold(char**, int) {
  OrientifoldInfo* record = getCurrentOrientifold();
  loadOrientifolds();
  const int found = matchToNewOrientifoldList(record);
  if (found >= 0)
    Print("Equivalence class %d\n", found);
  else
    Print("Orientifold not found\n");
  return 0;
}

int COM_select_orientifold(char** params, int n) {
  const int i = intParameter(params, 0);
  const int count = loadOrientifolds();
  if (i < 0 || i >= count) return refused("COM_select_orientifold", 0, "Orientifold nr. out of range");
  setStoredOrientifold(i);
  return -n;
}

int COM_compute_orientifolds(char**, int) {
  {
    const OrientifoldLoopScope longLoop;
    loadOrientifolds();
  }
  OrientifoldInfo* record = setUserDefinedOrientifold();
  if (getInteractive()) {
    Print("\nOrientifold reset to original value:\n");
    showOrientationInfo(record);
  }
  return 0;
}

int COM_browse_signs(char**, int) {
  showSigns();
  return 0;
}

int COM_tot_ori(char**, int) {
  if (!requireSpectrum("COM_tot_ori")) return 1;
  Print("%d\n", TotalOrientifolds());
  return 0;
}

int COM_tot_ori_eff(char**, int) {
  if (!requireSpectrum("COM_tot_ori_eff")) return 1;
  Print("%d\n", TotalOrientifoldsWithTension());
  return 0;
}

// ---------------------------------------------------------------------------------------
// Klein-bottle search and resets

int COM_search_Klein(char**, int) {
  searchKlein(0, 0);
  return 0;
}
int COM_search_Klein_kbc(char**, int) {
  searchKlein(1, 0);
  return 0;
}
int COM_search_Klein_trace(char**, int) {
  searchKlein(0, 1);
  return 0;
}
int COM_search_Klein_all(char**, int) {
  searchKlein(1, 1);
  return 0;
}

int COM_make_except(char**, int) {
  makeBulkExceptional();
  return 0;
}

int COM_reset_bound(char**, int) {
  resetBoundaries();
  return 0;
}

struct Entry {
  const char* words;
  const char* parameters;
  CommandHandler handler;
  const char* help;
};

const Entry kOrientedOrientifoldCommands[] = {
    {"get class_alg", "[Ishibashi i][Ishibashi j][Ishibashi k]", COM_classalg,
     "Prints the classifying-algebra coefficient X(i,j,k) of three Ishibashi labels and the "
     "fusion coefficient N(i,j,k) of their primaries."},
    {"browse conjugation boundary", "[bound a]", COM_browse_boundary_conjugation,
     "Prints the boundary conjugate to boundary a under the current orientifold."},
    {"browse current Orientifold", "", COM_browse_orientifold,
     "Shows the Klein-bottle current, crosscap signs and O-plane tension of the current "
     "orientifold."},
    {"browse Orientifolds", "", COM_browse_orientifolds,
     "Lists the inequivalent orientifolds, ordered by O-plane tension."},
    {"identify Orientifold", "", COM_identify_orientifold,
     "Prints the number of the orientifold in the list that is equivalent to the current one."},
    {"browse signs", "", COM_browse_signs,
     "Shows the current orientifold and the phases used in boundary and crosscap coefficients."},
    {"check NIMrep", "[field i][field j][bound a][bound b]", COM_check_nimfus,
     "Checks $@sum_c A_{ia}^c A_{jc}^b=@sum_k N_{ij}^k A_{ka}^b$."},
};

const Entry kUnorientedOrientifoldCommands[] = {
    {"check UNIMrep moebius", "[field i][field j][bound a]", COM_check_nim_moebius,
     "Checks $@sum_b A_{ia}^b M_{jb}=@sum_k Y_{ij}^k M_{ka}$."},
    {"check UNIMrep klein", "[field i][field j]", COM_check_nim_klein,
     "Checks $@sum_b M_{ib} M_{jb^c}=@sum_k Y_{k^c i j^c} K_{k^c}$."},
    {"check trace_formula", "", COM_check_trace_formula,
     "Checks the annulus trace $@sum_a A_{i^c a}^a$ against the Klein bottle for every field."},
    {"browse metric", "(Ishibashi i)", COM_ishi_metric,
     "Prints the Ishibashi metric phase of label i (of all labels when not given)."},
    {"check closed", "(pos_int max_err)", COM_check_closed,
     "Checks integrality and positivity of the closed sector (torus and Klein bottle)."},
    {"check open", "(pos_int max_err)", COM_check_open,
     "Checks integrality and positivity of the open sector (annulus and Moebius strip)."},
    {"check klein", "(pos_int max_err)", COM_check_projection,
     "Checks the Klein-bottle constraint $K^i N_{ij}^k K^j K^k @geq 0$."},
    {"check full_open", "(pos_int max_err)", COM_check_full_open,
     "Runs the closed, open and Klein-bottle checks."},
    {"check annulus", "[field i][bound a][bound b]", COM_check_annulus,
     "Compares the annulus coefficient from orbits with the direct sum for every boundary "
     "current."},
    {"reset boundary_search", "", COM_reset_bound, "Resets the boundary and crosscap searches."},
    {"klein", "(field i)", COM_klein, "Prints the Klein-bottle coefficients K^i."},
    {"moebius", "(field i)(bound a)", COM_moebius,
     "Prints the Moebius-strip coefficients M^i_a."},
    {"annulus", "(field i)(bound a)(bound b)", COM_annulus,
     "Prints the annulus coefficients A^i_ab of the current orientifold."},
    {"search Klein_bottle", "", COM_search_Klein,
     "Exceptional invariants: lists the Klein bottles with consistent crosscaps, marking "
     "violations of the Klein-bottle constraint and of the trace formula."},
    {"search Klein_bottle kbc", "", COM_search_Klein_kbc,
     "As \"search Klein_bottle\", keeping only Klein bottles that satisfy the Klein-bottle "
     "constraint."},
    {"search Klein_bottle trace", "", COM_search_Klein_trace,
     "As \"search Klein_bottle\", keeping only Klein bottles that satisfy the trace formula."},
    {"search Klein_bottle all", "", COM_search_Klein_all,
     "As \"search Klein_bottle\", keeping only Klein bottles that satisfy both conditions."},
    {"collect orientifolds", "", COM_compute_orientifolds,
     "Computes all inequivalent orientifolds and makes the user-defined one current."},
    {"select orientifold", "[non_neg_int i]", COM_select_orientifold,
     "Makes orientifold i of the list current."},
};

const Entry kOrientifoldCountCommands[] = {
    {"Total Orientifolds", "", COM_tot_ori_eff,
     "Prints the number of orientifolds with non-zero O-plane tension."},
    {"Total All_orientifolds", "", COM_tot_ori, "Prints the number of all orientifolds."},
};

const Entry kOrientifoldModularCommands[] = {
    {"make bulk exceptional", "", COM_make_except,
     "Treats the current bulk invariant as exceptional, so that Klein bottles can be chosen "
     "freely."},
};

template <std::size_t N>
void registerEntries(const Entry (&table)[N]) {
  for (const Entry& entry : table)
    initCommand(entry.words, entry.parameters, entry.handler, entry.help);
}

}  // namespace

void registerOrientedOrientifoldCommands() {
  registerEntries(kOrientedOrientifoldCommands);
}

void registerUnorientedOrientifoldCommands() {
  registerEntries(kUnorientedOrientifoldCommands);
}

void registerOrientifoldCountCommands() {
  registerEntries(kOrientifoldCountCommands);
}

void registerOrientifoldModularCommands() {
  registerEntries(kOrientifoldModularCommands);
}
