// Handlers of the bulk invariant store: counting, resetting, storing and listing the
// modular invariants of the current theory.
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
