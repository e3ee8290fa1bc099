// Handlers of the invariants given from outside the simple-current machinery: typed and
// named invariants ("select invariant", "check invariant"), the built-in exceptional ones
// ("select exceptional_invariant") and the automorphism and circle-orbifold searches.
// A command succeeds exactly when its invariant was accepted or found.
#include <algorithm>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "invariants/Invariants.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"

namespace {

// The result of buildInvariant as success: found (0) for a name or number, accepted (1)
// for a typed matrix.
bool invariantTaken(const char* text, int result) {
  return invariantTextIsLookup(normalizeInvariantText(text).c_str()) ? result == 0 : result == 1;
}

// MIPF numbers are ints from 0.
constexpr int kLargestMipfNumber = 2147483647;

// A MIPF number as typed: digits, with a '-' in front for a negative one (a typed
// invariant begins with "(", "<" or a multiplicity followed by "*", never like this).
bool isMipfNumberText(const std::string& text) {
  const std::size_t first = !text.empty() && text[0] == '-' ? 1 : 0;
  return text.size() > first && text.find_first_not_of("0123456789", first) == std::string::npos;
}

// Whether the MIPF number written as text (digits only) is below bound; any number of
// digits.
bool numberBelow(const std::string& digits, long long bound) {
  const std::size_t start = std::min(digits.find_first_not_of('0'), digits.size());
  const std::string significant = digits.substr(start);
  if (significant.size() > 18) return false;
  return significant.empty() || std::stoll(significant) < bound;
}

// Refuses a MIPF number out of range, naming it as typed and the numbers there are.
int refuseMipfNumber(const std::string& text, int total) {
  if (total >= 0) {
    Alert("select_invariant", 0, kRefusedValue, "MIPF number %s out of range (total MIPFs %d)", text.c_str(), total);
  } else if (text[0] == '-') {
    Alert("select_invariant", 0, kRefusedValue, "MIPF number %s out of range (MIPF numbers start at 0)", text.c_str());
  } else {
    Alert("select_invariant", 0, kRefusedValue, "MIPF number %s out of range (MIPF numbers are at most %d)",
          text.c_str(), kLargestMipfNumber);
  }
  return 1;
}

}  // namespace

int select_invariant(const char* input) {
  const std::string text = normalizeInvariantText(input);
  const bool number = isMipfNumberText(text);
  if (number) {
    const int total = TotalInvariants();
    // No search is needed to refuse a number that no MIPF can have.
    if (text[0] == '-' || (total != -1 && !numberBelow(text, total)) ||
        !numberBelow(text, kLargestMipfNumber + 1LL))
      return refuseMipfNumber(text, total);
  }
  const int result = buildInvariant(text.c_str(), 1);
  if (invariantTaken(text.c_str(), result)) return 0;
  // The search for the number has counted the MIPFs and refused a number beyond them; the
  // current invariant stays.
  if (number && TotalInvariants() != -1 && !numberBelow(text, TotalInvariants())) return 1;
  if (invariantTextIsLookup(text.c_str())) {
    Print("No invariant that satisfies all criteria was found\nResetting to trivial one\n");
    resetBulk();
  }
  return 1;
}

int COM_select_invariant(char** params, int n) {
  if (n < 1) return 1;
  return select_invariant(params[0]) == 0 ? -1 : 1;
}

int COM_check_invariant(char** params, int n) {
  if (n < 1) return 1;
  return invariantTaken(params[0], buildInvariant(params[0], 0)) ? -1 : 1;
}

int COM_set_exceptional(char** params, int n) {
  if (tensorModeOn() == 0) {
    const SpectrumData* sd = currentRecord();
    const bool accepted = sd != nullptr && ((sd->type == 1 && (sd->rank == 1 || sd->rank == 2)) ||
                                            sd->type == kStoreTypeMinimalN2 || sd->rank == 2);
    if (!accepted) {
      Alert("COM_set_exceptional", 0, 100302, "Invalid algebra (type %d, rank %d); ignored",
            sd == nullptr ? -1 : sd->type, sd == nullptr ? -1 : sd->rank);
      return 1;
    }
    if (n > 1) {
      Alert("COM_set_exceptional", 1, 100302, "Invalid number of parameters");
      return 1;
    }
    const int on = n == 0 ? 1 : intParameter(params, 0);
    const int mode = getExceptionalInvariantLabel(sd, on);
    if (mode < 0) return 1;
    return buildExceptionalInvariant(mode) == 1 ? -n : 1;
  }
  TensorProduct* TP = currentTensor;
  if (TP == nullptr || n != TP->NumberOfFactors) {
    Alert("COM_set_exceptional", 2, 100302, "Invalid number of labels; ignored");
    return 1;
  }
  // Extended: the current list belongs to these factors and generates more than the identity.
  if (checkForExtension(TP) != 0 && TP->ChiralAlgebraOrder > 1) {
    Alert("COM_set_exceptional", 3, 100302,
          "Exceptional invariants not defined for extended algebras");
    return 1;
  }
  std::vector<int> labels(static_cast<std::size_t>(n), 0);
  for (int f = 0; f < n; ++f) {
    labels[static_cast<std::size_t>(f)] =
        getExceptionalInvariantLabel(TP->TensorFactors[f], intParameter(params, f));
    if (labels[static_cast<std::size_t>(f)] < 0) return 1;
  }
  return buildExceptionalTensorInvariant(labels.data()) == 1 ? -n : 1;
}

int COM_find_auto(char**, int) {
  searchAutomorphisms();
  return 0;
}

int COM_find_inv(char**, int) {
  searchInvariants();
  return 0;
}

// ---------------------------------------------------------------------------------------
// Whole searches and MIPF-number runs

int COM_find_all_inv(char**, int) {
  setMIPFSelection(nullptr);
  resetSubgroupAutoSelection(0);
  resetAlgebraRequirements();
  buildSelectedSimpleCurrentInvariants();
  searchAutomorphisms();
  // A stopped extension search still leaves the built-in and product invariants to do.
  searchExtensionInvariants();
  searchInvariants();
  closeBulkInvariantsUnderMultiplication(0);
  return 0;
}

int COM_scan_sim(char**, int) {
  buildMultipleSimpleCurrentInvariants(nullptr, 0);
  return 0;
}

int COM_scan_MIPFloop(char** params, int n) {
  if (n < 1) {
    Alert("COM_scan_MIPFloop", 0, 100302, "No arguments given");
    return 1;
  }
  std::vector<int> selection;
  for (int i = 0; i < n; ++i) selection.push_back(intParameter(params, i));
  std::sort(selection.begin(), selection.end());
  // The builder walks the list once in step with the MIPF numbers: a repeated number would
  // hold it at that entry and hide every later one.
  selection.erase(std::unique(selection.begin(), selection.end()), selection.end());
  selection.push_back(-1);
  buildMultipleSimpleCurrentInvariants(selection.data(), 2);
  return -n;
}

int COM_load_sim(char**, int) {
  setIntPar("Autostore", 1);
  buildMultipleSimpleCurrentInvariants(nullptr, 1);
  return 0;
}

void registerInvariantScanCommands() {
  initCommand("search MIPF", "", COM_find_all_inv,
              "Runs every search of modular invariants in turn, after clearing the MIPF number "
              "selection, the subgroup selection and the chiral-algebra requirements: all "
              "simple-current invariants, the automorphism search, the extension search, the "
              "built-in invariants, and finally the products of all stored invariants until "
              "the store is closed under multiplication.");
  initCommand("Scan Simple_current_invariants", "", COM_scan_sim,
              "Generates every simple-current modular invariant of the current theory with "
              "Autostore off for the run; each one is run through the loop command.");
  initCommand("Scan Invariants", "(non_neg_int sel_1)...(non_neg_int sel_n)", COM_scan_MIPFloop,
              "Generates the simple-current modular invariants with the given MIPF numbers, in "
              "ascending order, and runs the loop command on each of them.");
  initCommand("collect simple_current_invariants", "", COM_load_sim,
              "Switches Autostore on and stores every simple-current modular invariant of the "
              "current theory, after emptying the store of invariants.");
}
