// The initialiser of the Lie-algebra core.
//
// STAND-IN: the subsystem does not exist yet; its initialiser binds nothing.
#pragma once

void initializeZoq();
