// Services of the bulk-invariant and orientifold stores, which sit above the modular data:
// the current bulk invariant, and the resets that a new theory or a changed setting calls.
// Each is a function pointer that the owning layer's initialiser installs:
//   ModularHooks hooks = modularHooks();  hooks.resetBulk = ...;  setModularHooks(hooks);
// The invariant store (invariants/Invariants) installs getCurrentBulk and resetBulk at its
// start-up, which runs after initializeModular: read getCurrentBulk through modularHooks()
// when it is needed, not at start-up. Before that the current slot is empty and resetBulk
// only marks the invariant changed. The boundary module (boundaries/CrossBound) installs
// resetOrientifold at its start-up; before that it does nothing.
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
