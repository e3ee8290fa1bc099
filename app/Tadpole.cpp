// STAND-IN initialiser of the tadpole solver (see the header).
#include "Tadpole.h"

void initializeTadpole() {}

void BoundarySelectionCriteriaChanged() {}
void tadpoleSearchParametersChanged() {}
