// Handlers of the string-reading commands: chirality of the extension and the tachyon
// status of the current bulk invariant as values, the closed-string tachyon checks, and
// the primary selections by tachyonic or massless primaries. Their registrations are made
// here too, called by the mode registrars of Commands.cpp.
#include <cmath>
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "boundaries/CrossBound.h"
#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "interpreter/Interpreter.h"
#include "invariants/Invariants.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "strings/OpenReports.h"
#include "strings/OpenSpectrum.h"
#include "strings/StringBrowse.h"
#include "strings/StringTheory.h"
#include "tensor/Coset.h"

namespace {

// A selection list ended by -1.
void selectPrimaries(const std::vector<int>& labels, std::size_t first) {
  std::vector<int> list;
  for (std::size_t k = first; k < labels.size(); ++k) list.push_back(labels[k]);
  list.push_back(-1);
  setPrimarySelection(list.data());
}

// 1 when the last command word asks for the decomposition.
int wantsDecomposition() {
  const std::vector<std::string>& words = getRunningCommandWords();
  return !words.empty() && !words.back().empty() && words.back()[0] == 'd' ? 1 : 0;
}

int browseResult(int failed, int n) { return failed != 0 ? 1 : -n; }

}  // namespace

// "chiral"
int COM_chiral(char**, int n) {
  Print(CheckExtensionChirality() != 0 ? "1\n" : "0\n");
  return -n;
}

// "cancellableTachyon"
int COM_can_tach(char**, int n) {
  Print(cancellableTachyon() == 1 ? "1\n" : "0\n");
  return -n;
}

// "check tachyon", "check tachyon all"
int COM_check_tachyon(char**, int n) {
  setTachyonFunction(registerTachyonFreeCase);
  checkTachyon(1, 1);
  return -n;
}

// "check tachyon oriented"
int COM_check_tachyon_oriented(char**, int n) {
  setTachyonFunction(registerTachyonFreeCase);
  checkTachyon(0, 1);
  return -n;
}

// "check tachyon unoriented": forgets the remembered tachyonic pair.
int COM_check_tachyon_unoriented(char**, int n) {
  setTachyonFunction(registerTachyonFreeCase);
  checkUnorientedTachyon(nullptr);
  return -n;
}

// "set Primary_selection tachyons"
int COM_set_prim_tach(char**, int n) {
  selectPrimaries(getTachyonLabels(), 0);
  return -n;
}

// "set Primary_selection massless": the bosonic massless primaries without the vacuum.
int COM_set_prim_massless(char**, int n) {
  selectPrimaries(getBosonicMasslessLabels(), 1);
  return -n;
}

// "browse heterotic" (decomposition)
int COM_browse_heterotic(char**, int n) {
  return browseResult(BrowseHeterotic(0, wantsDecomposition()), n);
}

// "browse heterotic flipped" (decomposition)
int COM_browse_heterotic_flipped(char**, int n) {
  return browseResult(BrowseHeterotic(1, wantsDecomposition()), n);
}

// "browse type-II" (decomposition)
int COM_browse_typeII(char**, int n) { return browseResult(BrowseTypeII(1, wantsDecomposition()), n); }

// "browse type-II flipped" (decomposition)
int COM_browse_typeII_flipped(char**, int n) {
  return browseResult(BrowseTypeII(-1, wantsDecomposition()), n);
}

// "browse type-I": the current orientifold and the closed string it gives.
int COM_browse_typeI(char**, int n) {
  showOrientationInfo(getCurrentOrientifold());
  GenericSpectrumAnalysis(nullptr, 2);
  return -n;
}

// "check susy_locality" [bound a]
int COM_susy_local(char** params, int n) {
  if (superOn() == 0) {
    Alert("COM_susy_local", 0, 100302, "Not a superstring");
    return 1;
  }
  const int a = n >= 1 ? intParameter(params, 0) : -1;
  if (a < 0 || a >= TotalBoundaries()) {
    Alert("COM_susy_local", 1, 100302, "Invalid boundary label %d", a);
    return 1;
  }
  BulkSusyLocalityCheckForLabel(a);
  return -n;
}

// "check Witten": reflection coefficients of conjugate boundaries on the Ishibashi labels
// of massless fields with vanishing Witten index.
int COM_check_Witten(char**, int n) {
  loadOrientifolds();
  loadAllOrientifoldConjugates(0);
  printOrientifoldList();
  std::vector<int> fields;
  const int primaries = TotalPrimaries != nullptr ? *TotalPrimaries : 0;
  for (int f = 0; f < primaries; ++f) {
    if (masslessCharacter(f, 0) != 1) continue;
    const std::array<int, 4> rep = getRepInfo(f);
    if (rep[1] != rep[2]) continue;
    if (getConjugate(f) == f)
      PrintStdout("Real field with vanishing Witten index:    %d\n", f);
    else
      PrintStdout("Complex field with vanishing Witten index: %d\n", f);
    if (fields.size() < 100) fields.push_back(f);
  }
  BulkInvariant** slot = getCurrentBulk();
  const int mipf = slot != nullptr && *slot != nullptr ? MIPFIdentifier(*slot) : -1;
  int count = 0;
  const int orientifolds = TotalOrientifolds();
  for (int o = 0; o < orientifolds; ++o) {
    // The record alone gives the conjugates: the current orientifold stays as it was.
    OrientifoldInfo* record = getOrientifoldByNumber(o);
    if (record == nullptr) continue;
    for (int m = 0; m < TotalIshibashi(); ++m) {
      const int field = getIshibashiField(m);
      if (std::find(fields.begin(), fields.end(), field) == fields.end()) continue;
      for (int a = 0; a < TotalBoundaries(); ++a) {
        const int ac = orientifoldConjugate(record, a);
        if (ac <= a) continue;
        double re1 = 0, im1 = 0, re2 = 0, im2 = 0;
        getCurrentReflectionCoefficient(m, a, &re1, &im1);
        getCurrentReflectionCoefficient(m, ac, &re2, &im2);
        const double dr = re1 - re2, di = im1 - im2;
        if (std::fabs(dr) < kTolerance && std::fabs(di) < kTolerance) {
          ++count;
        } else {
          PrintStdout("MIPF %d, Ori %d, a=%d, ac=%d, label %d (primary %d), Diff=(%15.7f,%15.7f)\n",
                      mipf, o, a, ac, m, field, dr, di);
        }
      }
    }
  }
  PrintStdout("check completed, count=%d\n", count);
  return -n;
}

void registerStringDefaultCommands() {
  initCommand("chiral", "", COM_chiral, "Prints 1 when the chiral algebra extension of the superstring is chiral, else 0.");
  initCommand("cancellableTachyon", "", COM_can_tach,
              "Prints 1 when the closed-string tachyons of the current MIPF may be cancelled by a Klein bottle "
              "(or were not checked yet), else 0.");
}

void registerStringModularCommands() {
  initCommand("check tachyon", "", COM_check_tachyon,
              "Checks the closed string for tachyons; tachyons that a Klein bottle may cancel are checked for every "
              "orientifold, and tachyon-free cases are recorded.");
  initCommand("check tachyon all", "", COM_check_tachyon, "The same as \"check tachyon\".");
  initCommand("check tachyon oriented", "", COM_check_tachyon_oriented,
              "Checks the oriented closed string for tachyons, without trying orientifolds.");
  initCommand("check tachyon unoriented", "", COM_check_tachyon_unoriented,
              "Forgets the tachyonic pair remembered by the last orientifold check.");
  initCommand("set Primary_selection tachyons", "", COM_set_prim_tach,
              "Restricts the simple-current invariants built from now on to the rows of tachyonic primaries.");
  initCommand("set Primary_selection massless", "", COM_set_prim_massless,
              "Restricts the simple-current invariants built from now on to the rows of massless primaries "
              "other than the vacuum.");
}

void registerStringBrowseCommands() {
  const char* heterotic = "Shows the heterotic string spectrum of the current theory with the gauge group from the left "
                          "sector; \"decomposition\" adds the contribution of every bulk pair.";
  const char* flipped = "Shows the heterotic string spectrum with the gauge group from the right sector; "
                        "\"decomposition\" adds the contribution of every bulk pair.";
  const char* typeII = "Shows the type-II string spectrum of the current theory; \"decomposition\" adds the "
                       "contribution of every bulk pair.";
  const char* typeIIFlipped = "Shows the type-II string spectrum with the chirality of the right sector flipped; "
                              "\"decomposition\" adds the contribution of every bulk pair.";
  initCommand("browse heterotic", "", COM_browse_heterotic, heterotic);
  initCommand("browse heterotic decomposition", "", COM_browse_heterotic, heterotic);
  initCommand("browse heterotic flipped", "", COM_browse_heterotic_flipped, flipped);
  initCommand("browse heterotic flipped decomposition", "", COM_browse_heterotic_flipped, flipped);
  initCommand("browse type-II", "", COM_browse_typeII, typeII);
  initCommand("browse type-II decomposition", "", COM_browse_typeII, typeII);
  initCommand("browse type-II flipped", "", COM_browse_typeII_flipped, typeIIFlipped);
  initCommand("browse type-II flipped decomposition", "", COM_browse_typeII_flipped, typeIIFlipped);
}

void registerStringOrientedBoundaryCommands() {
  initCommand("browse type-I", "", COM_browse_typeI,
              "Shows the current orientifold and the closed-string spectrum of the type-I string it defines.");
}

void registerStringUnorientedBoundaryCommands() {
  initCommand("check susy_locality", "[bound a]", COM_susy_local,
              "Prints the charges of the supercurrents of the bulk invariant with respect to boundary a.");
  initCommand("check Witten", "", COM_check_Witten,
              "TEMPORARY: compares the reflection coefficients of conjugate boundaries on the massless fields with "
              "vanishing Witten index.");
}
