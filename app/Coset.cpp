// STAND-IN initialiser of tensor products, simple currents and cosets (see the header).
#include "Coset.h"

void initializeCoset() {}
