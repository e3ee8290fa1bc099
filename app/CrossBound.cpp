// STAND-IN initialiser of boundaries, crosscaps and orientifolds (see the header).
#include "CrossBound.h"

void initializeCrossBound() {}

void resetBoundaries() {}
