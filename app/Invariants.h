// The initialiser of modular invariants.
//
// STAND-IN: the subsystem does not exist yet; its initialiser binds nothing.
#pragma once

void initializeInvariants();
// Post-commands of "set orientifold" and "set reject permutations" (STAND-INS: no
// invariants are stored yet).
void bulkInvariantChanged();
void permutationRejectionChanged();
