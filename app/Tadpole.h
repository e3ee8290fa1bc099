// The initialiser of the tadpole solver.
//
// STAND-IN: the subsystem does not exist yet; its initialiser binds nothing.
#pragma once

void initializeTadpole();
