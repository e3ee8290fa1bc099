// STAND-IN initialiser of brane intersections (see the header).
#include "Intersections.h"

void initializeIntersections() {}
