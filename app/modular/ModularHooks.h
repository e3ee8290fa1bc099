// Services of the bulk-invariant and orientifold stores, which sit above the modular data:
// the current bulk invariant, and the resets that a new theory or a changed setting calls.
// Each is a function pointer that the owning layer's initialiser installs:
//   ModularHooks hooks = modularHooks();  hooks.resetBulk = ...;  setModularHooks(hooks);
// Until then no invariant is stored: the current one is always the diagonal invariant,
// resetBulk only marks it changed (bulkInvariantChanged) and resetOrientifold does nothing.
// The tensor layer's services are reached through store/TensorHooks.h.
#pragma once

struct BulkInvariant;

struct ModularHooks {
  // The slot that holds the current bulk invariant.
  BulkInvariant** (*getCurrentBulk)();
  void (*resetBulk)();
  void (*resetOrientifold)();
};

const ModularHooks& modularHooks();
void setModularHooks(const ModularHooks& hooks);
