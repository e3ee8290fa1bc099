// The initialiser of modular invariants.
//
// STAND-IN: the subsystem does not exist yet; its initialiser binds nothing.
#pragma once

void initializeInvariants();
