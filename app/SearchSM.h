// The initialiser of the standard-model search.
//
// STAND-IN: the subsystem does not exist yet; its initialiser binds nothing.
#pragma once

void initializeSearchSM();
// Post-command of "set modeldir" (STAND-IN: the model catalogue does not exist yet).
void ModelDirChanged();
