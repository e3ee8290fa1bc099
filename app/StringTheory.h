// The initialiser of the string-theory reading of a theory.
//
// STAND-IN: the subsystem does not exist yet; its initialiser binds nothing.
#pragma once

void initializeStringTheory();
