// The initialiser of tensor products, simple currents and cosets.
//
// STAND-IN: the subsystem does not exist yet; its initialiser binds nothing.
#pragma once

void initializeCoset();
