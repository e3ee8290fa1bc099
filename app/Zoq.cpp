// STAND-IN initialiser of the Lie-algebra core (see the header).
#include "Zoq.h"

void initializeZoq() {}
