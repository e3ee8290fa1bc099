// Commands that make a new theory out of the current one (the Z2 permutation orbifold,
// the complement, the re-centred theory), compare two stored theories, identify a field by
// its labels, and read and show where fields come from and their characters.
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "groups/Discrete.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"

namespace {

// Makes sd the current theory and computes its spectrum; when sd is NULL (refused) the
// theory that was current gets its modular data back, so that it stays usable.
int makeCurrent(SpectrumData* sd, SpectrumData* previous) {
  if (sd == nullptr) {
    if (previous != nullptr) {
      setCurrentTheory(previous);
      enableModular();
    }
    return 1;
  }
  setCurrentTheory(sd);
  return COM_compute(nullptr, 0) > 0 ? 1 : 0;
}

}  // namespace

int COM_build_perm(char** params, int n) {
  SpectrumData* sd = currentRecord();
  if (sd == nullptr) return 1;
  disableModular();
  if (sd->validity <= 2) {
    Alert("COM_build_perm", 0, 112311, "Permutations for this algebra are not available");
    makeCurrent(nullptr, sd);
    return 1;
  }
  SpectrumData* orbifold = SM_getPermutationOrbifold(sd, 2, n >= 1 ? params[0] : nullptr);
  if (makeCurrent(orbifold, sd) != 0) return 1;
  return -n;
}

int COM_build_compl(char** params, int n) {
  SpectrumData* sd = currentRecord();
  if (sd == nullptr) return 1;
  disableModular();
  if (makeCurrent(SM_getComplement(sd, n >= 1 ? params[0] : nullptr), sd) != 0) return 1;
  return -n;
}

int COM_create_center(char** params, int n) {
  SpectrumData* sd = currentRecord();
  if (sd == nullptr || n < 1) return 1;
  IntList group;
  initList(&group, 8);
  addToList(&group, 0);
  const IntList* currents = DetermineSimpleCurrentMap(sd, 1000, sd->n_primaries, SM_getS_accessor);
  const IntList simple = *currents;
  for (int i = 1; i < n; ++i) {
    const int J = intParameter(params, i);
    if (findInList(&simple, J) < 0) {
      Alert("COM_create_center", 0, kRefusedLookup, "Field %d is not a simple current", J);
      return 1;
    }
    if (findInList(&group, J) < 0) addToList(&group, J);
  }
  DG_closeSubgroup_IL(&group, sd, SM_GenericCurrentProduct);
  SpectrumData* center = SM_createCenter(sd, &group, params[0]);
  if (center == nullptr) return 1;
  disableModular();
  setCurrentTheory(center);
  enableModular();
  return -n;
}

int COM_compare_alg(char** params, int n) {
  if (n < 2) return 1;
  SpectrumData* first = SM_findCFT(params[0]);
  SpectrumData* second = SM_findCFT(params[1]);
  if (first == nullptr || second == nullptr) {
    Alert("COM_compare_alg", 0, kRefusedLookup, "No such algebra %s",
          first == nullptr ? params[0] : params[1]);
    return 1;
  }
  SM_compareAlgebras(first, second);
  return -n;
}

int COM_identify(char** params, int n) {
  std::vector<int> labels(static_cast<std::size_t>(n > 0 ? n : 1), 0);
  for (int i = 0; i < n; ++i) labels[static_cast<std::size_t>(i)] = intParameter(params, i);
  const bool captured = getReturnToBuffer() > 0;
  if (tensorModeOn()) {
    TensorProduct* TP = currentTensor;
    if (TP == nullptr || n < TP->NumberOfFactors) {
      Alert("COM_identify", 1, kRefusedValue, "Too few current components");
      return 1;
    }
    // One primary of each factor, in that factor's range (the words of the "fprim" type).
    if (n > TP->NumberOfFactors) {
      Alert("COM_identify", 3, kRefusedValue, "Too many components");
      return 1;
    }
    for (int i = 0; i < n; ++i) {
      const int label = labels[static_cast<std::size_t>(i)];
      if (SM_fieldCheck(getTensorFactor(TP, i), label) == 0) {
        Alert("COM_identify", 4, kRefusedValue, "Invalid field: %d", label);
        return 1;
      }
    }
    const int field = IdentifyOrbit(TP, labels.data());
    if (captured) {
      if (field < 0) {
        Alert("COM_identify", 2, kRefusedLookup, "Field not found");
        return 1;
      }
      Print("%d\n", field);
      return -n;
    }
    if (field < 0) {
      Print("This combination is projected out\n");
      return -n;
    }
    Print("This combination belongs to field %d\n", field);
    const int order = StabilizerOrder(TP, field);
    if (order >= 2) Print("(This field is resolved into %d irreducible components)\n", order);
    return -n;
  }
  SpectrumData* sd = currentRecord();
  if (sd == nullptr) return 1;
  if (n > sd->rep_size) {
    Alert("COM_identify", 0, kRefusedValue, "Too many arguments (representation size is %d)",
          sd->rep_size);
    return 1;
  }
  if (!captured) {
    SM_identifyDynkinLabels(n, sd, labels.data(), 0);
    return -n;
  }
  const int field = SM_identifyDynkinLabels(n, sd, labels.data(), 1);
  if (field < 0) {
    Alert("COM_identify", 2, kRefusedLookup, "Field not found");
    return 1;
  }
  Print("%d\n", field);
  return -n;
}

int COM_load_char(char**, int n) {
  SpectrumData* sd = currentRecord();
  if (sd == nullptr) return 1;
  SM_loadCharacters(sd);
  return -n;
}

int COM_browse_char(char** params, int n) {
  SpectrumData* sd = currentRecord();
  if (sd == nullptr || n < 1) return 1;
  SM_browseCharacter(sd, intParameter(params, 0));
  return -n;
}

int COM_browse_origin(char** params, int n) {
  if (n < 1) return 1;
  const int field = intParameter(params, 0);
  if (field < 0) return 1;
  if (tensorModeOn()) {
    if (currentTensor == nullptr) return 1;
    CT_browseOrigin(currentTensor, field, 0);
    return -n;
  }
  SpectrumData* sd = currentRecord();
  if (sd == nullptr) return 1;
  SM_browseOrigin(sd, field, 0);
  return -n;
}
