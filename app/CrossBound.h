// The initialiser of boundaries, crosscaps and orientifolds.
//
// STAND-IN: the subsystem does not exist yet; its initialiser binds nothing.
#pragma once

void initializeCrossBound();
// Change action of "Orientifold" (STAND-IN: no boundary candidates are stored yet).
void resetBoundaries();
