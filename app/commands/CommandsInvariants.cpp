// Handlers of the bulk invariant store: counting, resetting, storing and listing the
// modular invariants of the current theory.
#include <algorithm>

#include "commands/Commands.h"
#include "invariants/Invariants.h"
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
