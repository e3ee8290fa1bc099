// The defaults of the invariant and orientifold services (see the header).
#include "modular/ModularHooks.h"

#include "modular/Modular.h"

namespace {

BulkInvariant** getCurrentBulk() {
  static BulkInvariant* current = nullptr;
  return &current;
}

void resetBulk() { bulkInvariantChanged(); }

void resetOrientifold() {}

ModularHooks& hooks() {
  static ModularHooks installed{getCurrentBulk, resetBulk, resetOrientifold};
  return installed;
}

}  // namespace

const ModularHooks& modularHooks() { return hooks(); }
void setModularHooks(const ModularHooks& installed) { hooks() = installed; }
