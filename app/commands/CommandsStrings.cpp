// Handlers of the string-reading commands: chirality of the extension and the tachyon
// status of the current bulk invariant as values, the closed-string tachyon checks, and
// the primary selections by tachyonic or massless primaries. Their registrations are made
// here too, called by the mode registrars of Commands.cpp.
#include <vector>

#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "invariants/Invariants.h"
#include "runtime/Output.h"
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
