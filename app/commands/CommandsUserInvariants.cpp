// Handlers of the invariants given from outside the simple-current machinery: typed and
// named invariants ("select invariant", "check invariant"), the built-in exceptional ones
// ("select exceptional_invariant") and the automorphism and circle-orbifold searches.
// A command succeeds exactly when its invariant was accepted or found.
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "invariants/Invariants.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
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

bool isNumber(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

int select_invariant(const char* input) {
  const std::string text = normalizeInvariantText(input);
  const int total = TotalInvariants();
  if (isNumber(text) && total != -1) {
    const long long number = text.size() > 9 ? 1000000000LL : std::stoll(text);
    if (number >= total) {
      Alert("select_invariant", 0, 100302, "MIPF number %lld out of range (total MIPFs %d)\n",
            number, total);
      return 1;
    }
  }
  const int result = buildInvariant(text.c_str(), 1);
  if (invariantTaken(text.c_str(), result)) return 0;
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
