// Handlers of the boundary search of an exceptional invariant: the search itself, the test
// of boundaries the user proposes, the assembly of the candidates found so far, the
// selection of a stored complete set and the boundary images of a field permutation.
#include <vector>

#include "boundaries/CrossBound.h"
#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "runtime/Error.h"
#include "store/CurrentTheory.h"
#include "tensor/Coset.h"
#include "runtime/Output.h"

namespace {

int COM_attempt_bound(char** params, int n) {
  attemptBoundaries(n >= 1 ? intParameter(params, 0) : 2);
  return -n;
}

int COM_attempt_NIMrep(char** params, int n) {
  attemptNIMrep(n >= 1 ? intParameter(params, 0) : 2);
  return -n;
}

int COM_search_moebius(char**, int) {
  searchMoebius();
  return 0;
}

int COM_search_crosscap(char**, int) {
  FindCrosscapCoefsFromMoebius();
  return 0;
}

int COM_try_bound(char** params, int n) {
  const int added = tryBoundary(n >= 1 ? params[0] : "");
  if (added < 0) return 1;
  if (added == 1)
    Print("New boundary added\n");
  else if (added == 0)
    Print("No (new) boundaries added\n");
  else
    Print("%d new boundaries added\n", added);
  return -n;
}

int COM_assemble(char**, int) {
  assembleBoundarySet(0);
  return 0;
}

int COM_select_bound(char** params, int n) {
  if (selectBoundary(intParameter(params, 0), 0) == 0) {
    Alert("COM_select_bound", 0, 100302, "Number out of range");
    return 1;
  }
  return -n;
}

// "compute boundary permutations (entry_1)...(entry_n)", entries i:j.
int COM_boundary_permutations(char** params, int n) {
  std::vector<int> is, js;
  for (int k = 0; k < n; ++k) {
    int i = 0, j = 0;
    if (!ConvertAssign(params[k], &i, &j)) {
      Alert("COM_boundary_permutations", 0, 100302, "Invalid assignment: %s", params[k]);
      return 1;
    }
    is.push_back(i);
    js.push_back(j);
  }
  const std::vector<int>* pi = CT_getLastFieldPermutation(currentTensor);
  if (pi == nullptr || pi->empty()) {
    Alert("COM_boundary_permutations", 1, 100302,
          "No field permutation; use \"compute permutations\" first");
    return 1;
  }
  const int result = CloseBoundaryPermutations(pi->data(), static_cast<int>(is.size()), is.data(),
                                               js.data());
  // Anything but the number of boundary labels reports a refusal.
  return result < 0 || result != TotalBoundaries() ? 1 : -n;
}

struct Entry {
  const char* words;
  const char* parameters;
  CommandHandler handler;
  const char* help;
};

const Entry kBoundarySearchCommands[] = {
    {"search boundaries", "(pos_int Maxloop)", COM_attempt_bound,
     "Attempt to determine boundary coefficients given a bulk invariant.\n\"Maxloop\" is the "
     "maximal loop size."},
    {"search NIMrep", "(pos_int Maxloop)", COM_attempt_NIMrep,
     "Attempt to determine NIMrep given a bulk invariant.\n\"Maxloop\" is the maximal loop size."},
    {"search Moebius", "", COM_search_moebius,
     "Attempt to find a Moebius and Klein bottle given a complete\nset of boundaries."},
    {"search crosscap", "", COM_search_crosscap,
     "Attempt to find crosscap coefficients given a complete\nset of boundaries."},
    {"try boundary", "[limits]", COM_try_bound,
     "Try a boundary \"$a$\", specified by a set of annuli $A^i_{aa}$\nInput of the form "
     "1,2,0:2,3 means $A^0=1$, $A^1=2$,\n$A^2$ ranges from 0 to 2 (inclusive), $A^3=3$."},
    {"assemble", "", COM_assemble,
     "Try to assemble a complete set of boundaries using previous\nresults of \"try "
     "boundary\"."},
    {"select boundary_set", "[non_neg_int nr]", COM_select_bound,
     "Load a complete set of boundaries found by \"search boundaries\" or \"assemble\"."},
    {"compute boundary permutations", "(entry_1)...(entry_n)", COM_boundary_permutations,
     "Work out the effect of the last CFT permutation on the boundaries.\nThe command "
     "\"compute permutations\" must be executed first.\nParameter \"entry_i\" is of the form "
     "i:j, and its function is to\nsuggest that the permutation of \"$i$\" is \"j\" in cases "
     "of degeneracies."},
};

}  // namespace

void registerBoundarySearchCommands() {
  for (const Entry& entry : kBoundarySearchCommands)
    initCommand(entry.words, entry.parameters, entry.handler, entry.help);
}
