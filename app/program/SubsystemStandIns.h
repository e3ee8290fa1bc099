// STAND-INS for the subsystems that are not built yet, as the program's start-up and its
// settings call them: each subsystem's initialiser (it binds nothing yet) and the change
// actions of its settings (nothing to update yet). A subsystem, once built, takes its
// entries into its own folder.
#pragma once

// String spectra: brane intersections and the tadpole solver with the post-commands of its
// settings (the string reading and open spectra are in app/strings).
void initializeIntersections();
void initializeTadpole();
void BoundarySelectionCriteriaChanged();
void tadpoleSearchParametersChanged();
