// The initialiser of modular data.
//
// STAND-IN: the subsystem does not exist yet; its initialiser binds nothing.
#pragma once

void initializeModular();
