// STAND-IN initialiser of modular invariants (see the header).
#include "Invariants.h"

void initializeInvariants() {}

void permutationRejectionChanged() {}
