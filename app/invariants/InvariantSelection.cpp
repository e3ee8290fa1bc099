// Selection criteria of modular invariants (see the header): which invariants are generated,
// numbered and stored. Every change of the criteria empties the store, since MIPF numbers
// depend on them.
#include <optional>
#include <string>
#include <vector>

#include "groups/Discrete.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"

namespace {

using CurrentList = std::optional<std::vector<int>>;

struct InvariantSelectionState {
  CurrentList LeftSelection;
  CurrentList RightSelection;
  CurrentList LeftForbidden;
  CurrentList RightForbidden;
  CurrentList AutomorphismSelection;
  int ReqAllLeft = 0;
  int ReqAllRight = 0;
  int AutoSelectionNumber = 0;
  int SubgroupStart = 0;
  int ScanMIPFCountStart = 0;
  std::optional<std::string> LoopCommand;
  // The primaries to which invariants are built (row 0 always); none: all of them.
  CurrentList PrimarySelection;
};

InvariantSelectionState& state() {
  static InvariantSelectionState s;
  return s;
}

int par(const char* name) {
  const int* p = getIntParPointer(name);
  return p == nullptr ? 0 : *p;
}

bool verbose() { return par("Invariant info_level") >= 2; }

// A copy of a list ended by -1 (a -2 ends it as well); nullptr clears.
CurrentList copyList(const int* list) {
  if (list == nullptr) return std::nullopt;
  std::vector<int> v;
  for (const int* p = list; *p >= 0; ++p) v.push_back(*p);
  return v;
}

bool contains(int n, const int* list, int value) {
  for (int i = 0; i < n; ++i) {
    if (list[i] == value) return true;
  }
  return false;
}

bool anyCurrentList() {
  const InvariantSelectionState& s = state();
  return s.LeftSelection || s.RightSelection || s.LeftForbidden || s.RightForbidden;
}

// Walks a required list: with all = 0 every current must be present; in any case at least one.
bool requiredPresent(const std::vector<int>& required, int all, int n, const int* kernel,
                     const char* side) {
  bool found = false;
  for (int c : required) {
    if (contains(n, kernel, c)) {
      found = true;
    } else if (all == 0) {
      if (verbose()) Print("Rejected; does not contain current %d\n", c);
      return false;
    }
  }
  if (!found) {
    if (verbose()) Print("Rejected; does not contain any required %s current\n", side);
    return false;
  }
  return true;
}

void printList(const char* title, const std::vector<int>& list) {
  Print("%s", title);
  for (int c : list) Print(" %d", c);
  Print("\n");
}

void writeList(FILE* stream, const char* command, const std::vector<int>& list) {
  PrintToFile(stream, "%s", command);
  for (int c : list) PrintToFile(stream, " %d", c);
  PrintToFile(stream, "\n");
}

void clearCurrentLists() {
  InvariantSelectionState& s = state();
  s.LeftSelection.reset();
  s.RightSelection.reset();
  s.LeftForbidden.reset();
  s.RightForbidden.reset();
}

}  // namespace

void setRequireLeft(const int* list) {
  state().LeftSelection = copyList(list);
  state().ReqAllLeft = 0;
}
void setRequireLeftAny(const int* list) {
  state().LeftSelection = copyList(list);
  state().ReqAllLeft = 1;
}
void setRequireRight(const int* list) {
  state().RightSelection = copyList(list);
  state().ReqAllRight = 0;
}
void setRequireRightAny(const int* list) {
  state().RightSelection = copyList(list);
  state().ReqAllRight = 1;
}
void setForbidLeft(const int* list) { state().LeftForbidden = copyList(list); }
void setForbidRight(const int* list) { state().RightForbidden = copyList(list); }

void setRequireAuto(const int* list) {
  if (list != nullptr) {
    state().AutomorphismSelection = copyList(list);
    // An odd trailing entry has no partner and pairs with nothing.
    if (state().AutomorphismSelection->size() % 2 != 0) state().AutomorphismSelection->pop_back();
  }
  setIntPar("Selection automorphism", list != nullptr ? 1 : 0);
}

void setSelection(int k) {
  if (par("MIPF random") == 1) {
    Alert("setSelection", 0, 100302, "Autoselect is inconsistent with randomization");
    k = 0;
  }
  state().AutoSelectionNumber = k;
}
int getAutoSelectionNumber() { return state().AutoSelectionNumber; }

void setSubgroupStart(int subgroup, int count) {
  state().SubgroupStart = subgroup;
  state().ScanMIPFCountStart = count;
  // A warning only: the values stay set and a background run goes on.
  if (par("Autostore") != 0) {
    Alert("setSubgroupStart", 0, 100218, "Non-zero loop start is inconsistent with autostore");
  }
}
int getSubgroupStart() { return state().SubgroupStart; }
int getScanMIPFCountStart() { return state().ScanMIPFCountStart; }

void setLoopCommand(const char* text) {
  if (text != nullptr) {
    state().LoopCommand = std::string(text);
    return;
  }
  state().LoopCommand.reset();
  setIntPar("Loop start", 0);
  setIntPar("Loop end", 2000000000);
}

const char* getLoopCommand() {
  return state().LoopCommand ? state().LoopCommand->c_str() : nullptr;
}

int checkAlgebraSelectionCriteria(int nL, const int* left, int nR, const int* right) {
  const InvariantSelectionState& s = state();
  if (s.LeftSelection && !requiredPresent(*s.LeftSelection, s.ReqAllLeft, nL, left, "left")) {
    return 0;
  }
  if (s.RightSelection &&
      !requiredPresent(*s.RightSelection, s.ReqAllRight, nR, right, "right")) {
    return 0;
  }
  if (s.LeftForbidden) {
    for (int c : *s.LeftForbidden) {
      if (contains(nL, left, c)) {
        if (verbose()) Print("Rejected; Left algebra contains forbidden current %d\n", c);
        return 0;
      }
    }
  }
  if (s.RightForbidden) {
    for (int c : *s.RightForbidden) {
      if (contains(nR, right, c)) {
        if (verbose()) Print("Rejected; Right algebra contains forbidden current %d\n", c);
        return 0;
      }
    }
  }
  return 1;
}

int checkAutomorphismSelectionCriteria(const BulkInvariant* bi) {
  if (par("Selection automorphism") == 0) return 1;
  if (bi->algebra_count >= 2) {
    if (verbose()) Print("Rejected: not an automorphism\n");
    return 0;
  }
  const CurrentList& pairs = state().AutomorphismSelection;
  if (!pairs) return 1;
  for (std::size_t k = 0; k + 1 < pairs->size(); k += 2) {
    const int i = (*pairs)[k];
    const int j = (*pairs)[k + 1];
    const bool maps = i < bi->n_rows && bi->orbits[i] != nullptr && bi->count[i] > 0 &&
                      bi->orbits[i][0] == j;
    if (!maps) {
      if (verbose()) Print("Rejected: does not map %d to %d\n", i, j);
      return 0;
    }
  }
  return 1;
}

int checkSelectionCriteria(const BulkInvariant* bi) {
  if (par("Selection symmetric") != 0 && !bi->symmetric) {
    if (verbose()) Print("Rejected: not symmetric\n");
    return 0;
  }
  if (par("Selection extension") != 0 && bi->algebra_count == 1) {
    if (verbose()) Print("Rejected: pure automorphism\n");
    return 0;
  }
  if (!checkAutomorphismSelectionCriteria(bi)) return 0;
  const int nR = (bi->count != nullptr && bi->n_rows > 0) ? bi->count[0] : 0;
  return checkAlgebraSelectionCriteria(bi->algebra_count, bi->algebra, nR, bi->vacuum_row);
}

void displaySelectionCriteria(int flag) {
  const InvariantSelectionState& s = state();
  bool printed = false;
  if (par("Selection symmetric") != 0) {
    Print("Selection restricted to symmetric invariants\n");
    printed = true;
  }
  if (par("Selection extension") != 0) {
    Print("Selection restricted to non-trivial chiral algebra extensions\n");
    printed = true;
  }
  if (par("Selection automorphism") != 0) {
    Print("Selection restricted to automorphism invariants\n");
    printed = true;
    if (s.AutomorphismSelection && !s.AutomorphismSelection->empty()) {
      Print("Required pairings: ");
      for (std::size_t k = 0; k + 1 < s.AutomorphismSelection->size(); k += 2) {
        Print(" %d:%d", (*s.AutomorphismSelection)[k], (*s.AutomorphismSelection)[k + 1]);
      }
      Print("\n");
    }
  }
  if (s.LeftSelection) {
    printList(s.ReqAllLeft == 0 ? "Required left currents (all): "
                                : "Required left currents (any): ",
              *s.LeftSelection);
    printed = true;
  }
  if (s.RightSelection) {
    printList(s.ReqAllRight == 0 ? "Required right currents (all): "
                                 : "Required right currents (any): ",
              *s.RightSelection);
    printed = true;
  }
  if (s.LeftForbidden) {
    printList("Forbidden left currents: ", *s.LeftForbidden);
    printed = true;
  }
  if (s.RightForbidden) {
    printList("Forbidden right currents: ", *s.RightForbidden);
    printed = true;
  }
  if (s.AutoSelectionNumber != 0) {
    Print("Auto selection: nr. %d\n", s.AutoSelectionNumber);
    printed = true;
  }
  if (flag == 1 && !printed) Print("No selection criteria\n");
}

void printInvariantSelectionCriteria(FILE* stream) {
  if (par("Selection symmetric") != 0) PrintToFile(stream, "Symmetric ");
  if (par("Selection extension") != 0) PrintToFile(stream, "Extension ");
  if (par("Selection automorphism") != 0) PrintToFile(stream, "Automorphism ");
  if (par("MIPF random") == 1) PrintToFile(stream, "(Randomized) ");
  if (par("Reject permutations") != 0) PrintToFile(stream, "(Permutations suppressed)");
  PrintToFile(stream, "\n");
}

void generateDiagonalSelectionWarning() {
  if (par("Selection extension") != 0) {
    Print("WARNING: the diagonal invariant does not satisfy the chosen selection criteria\n");
  } else if (anyCurrentList()) {
    Print("WARNING: the diagonal invariant may not satisfy the chosen selection criteria\n");
  }
}

void writeInvariantSelectionCriteria(FILE* stream) {
  const InvariantSelectionState& s = state();
  if (par("Selection symmetric") != 0) PrintToFile(stream, "set selection symmetric\n");
  if (par("Selection extension") != 0) PrintToFile(stream, "set selection extension\n");
  if (par("Selection automorphism") != 0) PrintToFile(stream, "set selection automorphism\n");
  if (par("Reject permutations") != 0) PrintToFile(stream, "set reject permutations\n");
  if (par("Autostore") == 1) PrintToFile(stream, "set autostore on\n");
  if (par("Autostore") == 0) PrintToFile(stream, "set autostore off\n");
  if (s.LeftSelection) {
    writeList(stream, s.ReqAllLeft == 0 ? "set require left" : "set present left",
              *s.LeftSelection);
  }
  if (s.RightSelection) {
    writeList(stream, s.ReqAllRight == 0 ? "set require right" : "set present right",
              *s.RightSelection);
  }
  if (s.LeftForbidden) writeList(stream, "set forbid left ", *s.LeftForbidden);
  if (s.RightForbidden) writeList(stream, "set forbid right ", *s.RightForbidden);
}

void resetSelectionCriteria() {
  if (par("Selection symmetric") != 0 || par("Selection extension") != 0 ||
      par("Selection automorphism") != 0) {
    Print("MIPF selection criteria have been reset\n");
  }
  setIntPar("Selection symmetric", 0);
  setIntPar("Selection extension", 0);
  setIntPar("Selection automorphism", 0);
  if (anyCurrentList()) Print("Chiral algebra requirements have been reset\n");
  clearCurrentLists();
  state().AutoSelectionNumber = 0;
  resetInvariantStore();
}

void resetAlgebraRequirements() {
  if (anyCurrentList()) Print("Chiral algebra requirements have been reset\n");
  clearCurrentLists();
  if (state().AutomorphismSelection) Print("Automorphism selection has been reset\n");
  state().AutomorphismSelection.reset();
  resetInvariantStore();
}

void AutostoreChanged() {
  if (par("Autostore") == 0) return;
  resetInvariantStore();
  Print("Resetting invariant storage\n");
  storeCurrentBulkInvariant();
}

void resetInvariantSelection() { state() = InvariantSelectionState(); }

void setPrimarySelection(const int* list) { state().PrimarySelection = copyList(list); }

const std::vector<int>* getPrimarySelection() {
  const CurrentList& selection = state().PrimarySelection;
  return selection ? &*selection : nullptr;
}

int algebraRequirementsSet() { return anyCurrentList() ? 1 : 0; }

void clearSelectionNumber() { state().AutoSelectionNumber = 0; }

int getRightField(const SimpleCurrentData* MD, int i) {
  const int order = MD->group == nullptr ? 1 : MD->group->order;
  const int n = MD->group == nullptr ? 0 : MD->group->nfactors;
  std::vector<int> alpha(static_cast<std::size_t>(n));
  for (int g = 0; g < order; ++g) {
    for (int a = 0; a < n; ++a) alpha[static_cast<std::size_t>(a)] = DG_decomp(MD->group, g, a);
    if (checkDeltaArgument(MD, i, alpha.data()) == 1) return simpleFusion(currentOfElement(MD, g), i);
  }
  Alert("getRightField", 0, 212404, "No anti-chiral partner found for field %d", i);
  return -1;
}

int checkAutomorphismSelectionCriteriaForSimpleCurrentMIPF(const SimpleCurrentData* MD) {
  const CurrentList& pairs = state().AutomorphismSelection;
  if (!pairs) return 1;
  for (std::size_t k = 0; k + 1 < pairs->size(); k += 2) {
    if (getRightField(MD, (*pairs)[k]) != (*pairs)[k + 1]) return 0;
  }
  return 1;
}
