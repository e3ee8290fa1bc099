// The initialiser of the tadpole solver.
//
// STAND-IN: the subsystem does not exist yet; its initialiser binds nothing.
#pragma once

void initializeTadpole();
// Post-commands of the tadpole settings (STAND-INS: nothing to update yet).
void BoundarySelectionCriteriaChanged();
void tadpoleSearchParametersChanged();
