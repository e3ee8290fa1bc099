// Handlers of the bulk invariant store: counting, resetting, storing and listing the
// modular invariants of the current theory.
#include <algorithm>
#include <cstdio>
#include <string>
#include <strings.h>
#include <vector>

#include "commands/Commands.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"

int COM_tot_inv(char**, int) {
  Print("%d\n", TotalInvariants());
  return 0;
}

int COM_reset_invariants(char**, int) {
  resetInvariantStore();
  return 0;
}

int COM_store_bulk(char** params, int n) {
  const char* name = n >= 1 ? params[0] : nullptr;
  BulkInvariant* current = *getCurrentBulk();
  if (current == nullptr) return 1;
  // The name, when given, is consumed.
  return storeBulkInvariant(name, current, 1, 1) == nullptr ? 1 : -n;
}

int COM_list_inv(char**, int) {
  listBulkInvariants();
  return 0;
}

// "conjugate" and "transpose": of the current invariant without names, else of the stored
// invariant name_1, the result stored under name_2.
int COM_conj_bulk(char** params, int n) {
  const char* source = n >= 1 ? params[0] : nullptr;
  const char* name = n >= 2 ? params[1] : nullptr;
  return conjugateNamedBulkInvariant(source, name) == 0 ? -std::min(n, 2) : 1;
}

int COM_transpose_bulk(char** params, int n) {
  const char* source = n >= 1 ? params[0] : nullptr;
  const char* name = n >= 2 ? params[1] : nullptr;
  return transposeNamedBulkInvariant(source, name) == 0 ? -std::min(n, 2) : 1;
}

// ---------------------------------------------------------------------------------------
// Selection criteria

namespace {

// The converted currents, ended by -1 (the setters copy the list).
std::vector<int> currentList(char** params, int n) {
  std::vector<int> list;
  for (int i = 0; i < n; ++i) list.push_back(intParameter(params, i));
  list.push_back(-1);
  return list;
}

// Without currents the list is cleared.
int setCurrents(void (*setter)(const int*), char** params, int n) {
  if (n == 0) {
    setter(nullptr);
    return 0;
  }
  const std::vector<int> list = currentList(params, n);
  setter(list.data());
  return -n;
}

}  // namespace

int COM_sel_left(char** params, int n) { return setCurrents(setRequireLeft, params, n); }
int COM_sel_left_any(char** params, int n) { return setCurrents(setRequireLeftAny, params, n); }
int COM_sel_right(char** params, int n) { return setCurrents(setRequireRight, params, n); }
int COM_sel_right_any(char** params, int n) {
  return setCurrents(setRequireRightAny, params, n);
}
int COM_forbid_left(char** params, int n) { return setCurrents(setForbidLeft, params, n); }
int COM_forbid_right(char** params, int n) { return setCurrents(setForbidRight, params, n); }

// Pairs x:y of fields; "off" switches the pairing requirement off.
int COM_sel_auto(char** params, int n) {
  if (n == 1 && strcasecmp(params[0], "off") == 0) {
    setRequireAuto(nullptr);
    return -1;
  }
  std::vector<int> list;
  for (int k = 0; k < n; ++k) {
    int i = 0;
    int j = 0;
    int used = 0;
    if (std::sscanf(params[k], "%d:%d%n", &i, &j, &used) != 2 || params[k][used] != '\0' ||
        i < 0 || j < 0) {
      Alert("COM_sel_auto", 0, 100302, "Invalid argument: %s", params[k]);
      return 1;
    }
    list.push_back(i);
    list.push_back(j);
  }
  list.push_back(-1);
  setRequireAuto(list.data());
  return -n;
}

int COM_show_sel_crit(char**, int) {
  displaySelectionCriteria(1);
  return 0;
}

int COM_reset_selection(char**, int) {
  resetSelectionCriteria();
  return 0;
}

// The words of the command line, joined by blanks; a line beginning with "off" clears it.
int COM_set_loop_com(char** params, int n) {
  if (n == 0) return 1;
  if (strncasecmp(params[0], "off", 3) == 0) {
    setLoopCommand(nullptr);
    return -n;
  }
  std::string line = params[0];
  for (int k = 1; k < n; ++k) line += std::string(" ") + params[k];
  setLoopCommand(line.c_str());
  return -n;
}

int COM_set_autosel(char** params, int n) {
  if (n < 1) return 1;
  setSelection(intParameter(params, 0));
  return -1;
}

int COM_set_sel_int(char**, int) {
  setSelection(0);
  return 0;
}

// ---------------------------------------------------------------------------------------
// Simple-current invariants: generation and selection by subgroup

namespace {

int currentCount() { return TotalCurrents != nullptr ? *TotalCurrents : 1; }

// The given currents, or -1 after "More generators than total order".
int readCurrents(char** params, int n, std::vector<int>& list) {
  if (n > currentCount()) {
    Alert("readCurrents", 0, 100302, "More generators than total order");
    return -1;
  }
  list.clear();
  for (int i = 0; i < n; ++i) list.push_back(intParameter(params, i));
  return 0;
}

// Steps shared by the two subgroup selections: the kept currents, or the trivial subgroup.
int selectInSubgroup(char** params, int n, bool effectiveOnly, int position,
                     int (*select)(const int*, int)) {
  std::vector<int> given;
  if (readCurrents(params, n, given) != 0) return 1;
  std::vector<int> kept;
  for (int J : given) {
    if (effectiveOnly && effectiveCenterCheck(J) == 0) {
      Alert("COM_set_bulk", 1, 100302, "Current %d not in effective center; Removed", J);
      continue;
    }
    kept.push_back(J);
  }
  if (kept.empty()) {
    Alert(effectiveOnly ? "COM_set_bulk" : "COM_set_bulk_all", position, 100201,
          "No currents specified; assuming trivial subgroup");
    kept.assign(1, 0);
  }
  if (select(kept.data(), static_cast<int>(kept.size())) == 1) return -n;
  if (kept.size() == 1 && kept[0] == 0) {
    Print("Diagonal invariant selected\n");
  } else {
    Print("No invariants satisfying all search criteria were found or selected;\nResetting to trivial\n");
  }
  resetBulk();
  return -n;
}

}  // namespace

int COM_comp_inv(char** params, int n) {
  setMIPFSelection(nullptr);
  if (n == 0) {
    buildSelectedSimpleCurrentInvariants();
    return 0;
  }
  std::vector<int> currents;
  if (readCurrents(params, n, currents) != 0) return 1;
  Print("\nTotal number: %d\n", ComputeAllSubgroupInvariants(currents.data(), n, nullptr));
  return -n;
}

int COM_subgroup_start(char** params, int n) {
  if (n < 2) return 1;
  setSubgroupStart(intParameter(params, 0), intParameter(params, 1));
  return -2;
}

int COM_set_bulk(char** params, int n) {
  return selectInSubgroup(params, n, true, 2, selectBulkInvariantInSubgroup);
}

int COM_set_bulk_all(char** params, int n) {
  return selectInSubgroup(params, n, false, 1, selectAllBulkInvariantsInSubgroup);
}

// Chiral-algebra extensions and extension invariants

int COM_tot_ext(char**, int) {
  Print("%d\n", TotalExtensions());
  return 0;
}

int COM_sel_extension(char** params, int n) {
  std::vector<int> list;
  for (int i = 0; i < n; ++i) list.push_back(intParameter(params, i));
  list.push_back(-1);
  setRequireExtension(list.data());
  return -n;
}

int COM_find_int(char**, int) {
  const std::vector<int> fields = findIntegerSpin();
  const int count = static_cast<int>(fields.size()) - 1;
  if (count <= 0) {
    Print("No integer spin currents\n");
    return 0;
  }
  Print("Integer spin currents\n");
  std::vector<int> spins;
  std::vector<int> orders;
  for (int k = 0; k < count; ++k) {
    const int f = fields[static_cast<std::size_t>(k)];
    const Rat* h = ratWeight(f);
    spins.push_back(h != nullptr ? static_cast<int>(h->num) : 0);
    // 0 marks a field that is not a simple current.
    orders.push_back(simpleCurrentCheck(f) != 0 ? simpleCurrentOrder(f, 0) : 0);
  }
  if (count >= 10) {
    Print("Labels      Spins    Orders\n");
    for (int k = 0; k < count; ++k) {
      const std::size_t u = static_cast<std::size_t>(k);
      if (orders[u] != 0) {
        Print(" %5d    %5d     %5d\n", fields[u], spins[u], orders[u]);
      } else {
        Print(" %5d    %5d     (not a simple current)\n", fields[u], spins[u]);
      }
    }
    return 0;
  }
  const auto line = [count](const char* title, const std::vector<int>& values) {
    Print("%s", title);
    for (int k = 0; k < count; ++k) Print(" %5d", values[static_cast<std::size_t>(k)]);
    Print("\n");
  };
  line("Labels: ", std::vector<int>(fields.begin(), fields.end() - 1));
  line("Spins:  ", spins);
  line("Orders: ", orders);
  Print("\n");
  return 0;
}

int COM_check_alg(char** params, int n) {
  const std::vector<int> fields = findIntegerSpin();
  const std::size_t count = fields.size() - 1;
  // Extra values are ignored, missing ones are 0.
  std::vector<int> mult(count, 0);
  for (std::size_t k = 0; k < count && k < static_cast<std::size_t>(n); ++k) {
    mult[k] = intParameter(params, static_cast<int>(k));
  }
  Print(checkAlgebra(fields.data(), mult.data()) == 0 ? "Algebra OK\n" : "Algebra not OK\n");
  return -n;
}

int COM_find_ex(char**, int) {
  return searchExtensionInvariants() == 0 ? 0 : 1;
}
