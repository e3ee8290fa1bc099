// The initialiser of brane intersections.
//
// STAND-IN: the subsystem does not exist yet; its initialiser binds nothing.
#pragma once

void initializeIntersections();
